#include "core/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/profile/file_names.h"
#include "tests/support/child_process.h"

namespace velnora::core {
namespace {

namespace fs = std::filesystem;

// The texts of the file in code page 936.
const std::string kSection =
    "[\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe\xd1\xa1\xcf\xee]";     // [小说网站选项]
const std::string kKey = "\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe";  // 小说网站
const std::string kHostSection =
    "[\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe\xb5\xd8\xd6\xb7]";                  // [小说网站地址]
const std::string kSiteAKey = "\xb1\xca\xc8\xa4\xb8\xf3";                  // 笔趣阁
const std::string kSiteBKey = "\xd0\xc7\xb3\xbd\xd0\xa1\xcb\xb5\xcd\xf8";  // 星辰小说网

// Each test gets a fresh run directory; the settings file is "配置.ini" in it, named in
// UTF-8 on disk.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velnora-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    SetRunDirectoryForTesting(dir_.string());
  }
  void TearDown() override {
    SetRunDirectoryForTesting(std::nullopt);
    fs::remove_all(dir_);
  }

  [[nodiscard]] fs::path File() const { return dir_ / "\xe9\x85\x8d\xe7\xbd\xae.ini"; }
  void WriteFile(std::string_view bytes) const { std::ofstream(File(), std::ios::binary) << bytes; }
  [[nodiscard]] std::string ReadFile() const {
    std::ifstream in(File(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir_;
};

TEST_F(SettingsFile, PathIsTheRunDirectoryAndTheNameJoinedWithASlash) {
  EXPECT_EQ(SettingsFilePath(), dir_.string() + "/\xc5\xe4\xd6\xc3.ini");
  SetRunDirectoryForTesting(std::nullopt);
  EXPECT_EQ(SettingsFilePath(), platform::profile::ExecutableDirectory() + "/\xc5\xe4\xd6\xc3.ini");
}

TEST_F(SettingsFile, FreshDirectoryReadsZeroAndAWriteCreatesTheFile) {
  EXPECT_EQ(ReadSiteSetting(), 0);
  EXPECT_FALSE(fs::exists(File()));
  WriteSiteSetting("1");
  EXPECT_EQ(ReadFile(), kSection + "\r\n" + kKey + "=1\r\n");
  EXPECT_EQ(ReadSiteSetting(), 1);
}

TEST_F(SettingsFile, StoredValueReadsAsANumber) {
  struct Row {
    const char* name;
    std::string value;
    int expected;
  };
  const Row rows[] = {
      {"one", "1", 1},
      {"leading space", " 1", 1},
      {"not a number", "abc", 0},
      {"minus one", "-1", -1},
      {"empty", "", 0},
      {"full-width digit", "\xa3\xb1", 1},
      {"beyond the drop-down, handed on unchanged", "7", 7},
      {"value cut to 10239 bytes", "-" + std::string(10238, '0') + "12", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(kSection + "\r\n" + kKey + "=" + row.value + "\r\n");
    EXPECT_EQ(ReadSiteSetting(), row.expected);
  }
}

TEST_F(SettingsFile, AnotherWorkingDirectoryStillUsesTheRunDirectory) {
  const fs::path before = fs::current_path();
  const fs::path elsewhere = dir_ / "elsewhere";
  fs::create_directory(elsewhere);
  fs::current_path(elsewhere);
  WriteSiteSetting("1");
  const int read = ReadSiteSetting();
  SetRunDirectoryForTesting(std::nullopt);
  const Text executablePath = SettingsFilePath();
  fs::current_path(before);

  EXPECT_EQ(read, 1);
  EXPECT_TRUE(fs::exists(File()));
  EXPECT_FALSE(fs::exists(elsewhere / "\xe9\x85\x8d\xe7\xbd\xae.ini"));
  EXPECT_EQ(executablePath, platform::profile::ExecutableDirectory() + "/\xc5\xe4\xd6\xc3.ini");
}

// Bad files: reads give 0, writes change only the setting's own line (or fail silently),
// and every other byte of the file stays.
TEST_F(SettingsFile, BadFilesReadAsZeroAndKeepEveryOtherLine) {
  std::mt19937 random(5);  // fixed seed: the same garbage in every run
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string longLine = "[other]\r\nx=" + std::string(50 * 1024 * 1024, 'x') + "\r\n";
  struct Row {
    const char* name;
    std::string before;
    int read;
    std::string afterWritingZero;
  };
  const Row rows[] = {
      {"binary garbage", garbage, 0, garbage + "\r\n" + kSection + "\r\n" + kKey + "=0\r\n"},
      {"50 MB long", longLine + kSection + "\r\n" + kKey + "=1\r\n", 1,
       longLine + kSection + "\r\n" + kKey + "=0\r\n"},
      {"no final line break", "[a]\r\nb=c\r\n" + kSection + "\r\n" + kKey + "=1", 1,
       "[a]\r\nb=c\r\n" + kSection + "\r\n" + kKey + "=0"},
      {"duplicate sections: the first counts",
       kSection + "\r\n" + kKey + "=1\r\n" + kSection + "\r\n" + kKey + "=-1\r\n", 1,
       kSection + "\r\n" + kKey + "=0\r\n" + kSection + "\r\n" + kKey + "=-1\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(row.before);
    EXPECT_EQ(ReadSiteSetting(), row.read);
    WriteSiteSetting("0");
    EXPECT_TRUE(ReadFile() == row.afterWritingZero);  // not EXPECT_EQ: 50 MB in a message
    EXPECT_EQ(ReadSiteSetting(), 0);
  }
}

TEST_F(SettingsFile, UnwritablePlacesReadAsZeroAndWritesFailSilently) {
  // Tests run as root, whom a read-only directory does not stop; a directory where the
  // file should be, and a run directory that is a regular file, stop everyone.
  fs::create_directory(File());
  EXPECT_EQ(ReadSiteSetting(), 0);
  WriteSiteSetting("1");
  EXPECT_TRUE(fs::is_directory(File()));
  EXPECT_EQ(ReadSiteSetting(), 0);

  const fs::path regularFile = dir_ / "file";
  std::ofstream(regularFile) << "x";
  SetRunDirectoryForTesting(regularFile.string());
  WriteSiteSetting("1");
  EXPECT_EQ(ReadSiteSetting(), 0);
  EXPECT_TRUE(fs::is_regular_file(regularFile));
}

TEST_F(SettingsFile, SiteHostsComeFromTheirSectionOrTheDefaultsAndAreNeverWritten) {
  const SiteHosts defaults{.siteA = "www.biquge.com.cn", .siteB = "xingchen.example"};
  EXPECT_EQ(ReadSiteHosts(), defaults);
  EXPECT_FALSE(fs::exists(File()));

  const std::string file = kHostSection + "\r\n" + kSiteAKey + "=127.0.0.1:8443\r\n" + kSiteBKey +
                           "=\r\n" + kSection + "\r\n" + kKey + "=1\r\n";
  WriteFile(file);
  EXPECT_EQ(ReadSiteHosts(), (SiteHosts{.siteA = "127.0.0.1:8443", .siteB = "xingchen.example"}));
  WriteSiteSetting("0");
  EXPECT_EQ(ReadFile(), kHostSection + "\r\n" + kSiteAKey + "=127.0.0.1:8443\r\n" + kSiteBKey +
                            "=\r\n" + kSection + "\r\n" + kKey + "=0\r\n");
}

// Two starts of a program copied into a directory of its own, as a user starts it twice:
// first it stores site 1, then it reads it back. The per-user directory is a scratch
// one. Root writes through permission bits, so "read-only" is a read-only mount of the
// program's directory, made in the child's own mount namespace; that stops root too.
class TwoStarts : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velnora-starts-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::create_directory(ProgramDirectory());
    fs::copy_file(VELNORA_SETTINGS_PROBE, Program());
    fs::permissions(Program(), fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(dir_); }

  [[nodiscard]] fs::path ProgramDirectory() const { return dir_ / "program"; }
  [[nodiscard]] fs::path Program() const { return ProgramDirectory() / "velnora"; }

  // One start, with the program's directory read-only when asked; the outcome's
  // isolationError tells when this machine can make no read-only mount.
  [[nodiscard]] testing::ChildOutcome Start(const std::vector<std::string>& arguments,
                                            const std::vector<std::string>& environment,
                                            bool readOnly) const {
    return testing::RunProgram(
        Program().string(), arguments, environment,
        readOnly ? std::vector{ProgramDirectory().string()} : std::vector<std::string>{});
  }

  fs::path dir_;
};

const std::string kSettingsFileName = "\xe9\x85\x8d\xe7\xbd\xae.ini";  // 配置.ini in UTF-8

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(TwoStarts, WritableDirectoryKeepsTheFileBesideTheProgram) {
  const std::vector<std::string> environment{"XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                                             "HOME=" + (dir_ / "home").string()};
  const testing::ChildOutcome first = Start({"write", "1"}, environment, false);
  ASSERT_EQ(first.exitStatus, 0);
  const testing::ChildOutcome second = Start({"read"}, environment, false);
  EXPECT_EQ(second.exitStatus, 0);
  EXPECT_EQ(second.output, "1\n");
  EXPECT_EQ(ReadBytes(ProgramDirectory() / kSettingsFileName), kSection + "\r\n" + kKey + "=1\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "config"));
  EXPECT_FALSE(fs::exists(dir_ / "home"));
}

TEST_F(TwoStarts, ReadOnlyDirectoryRemembersTheSiteInTheUserDirectory) {
  struct Row {
    const char* name;
    std::vector<std::string> environment;  // below the scratch directory
    std::string settingsDirectory;         // below the scratch directory, UTF-8
  };
  const Row rows[] = {
      {"the configuration home", {"XDG_CONFIG_HOME=/config", "HOME=/home"}, "/config/velnora"},
      {"no configuration home: the home's .config",
       {"XDG_CONFIG_HOME", "HOME=/home"},
       "/home/.config/velnora"},
      {"a Chinese configuration home",
       {"XDG_CONFIG_HOME=/\xe4\xb9\xa6\xe6\x9e\xb6", "HOME=/home"},
       "/\xe4\xb9\xa6\xe6\x9e\xb6/velnora"},  // 书架
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> environment;
    for (const std::string& entry : row.environment) {
      const std::size_t equals = entry.find('=');
      environment.push_back(equals == std::string::npos
                                ? entry
                                : entry.substr(0, equals + 1) + dir_.string() +
                                      entry.substr(equals + 1));
    }
    const testing::ChildOutcome first = Start({"write", "1"}, environment, true);
    if (!first.isolationError.empty())
      GTEST_SKIP() << "no read-only mount: " << first.isolationError;
    ASSERT_EQ(first.exitStatus, 0);
    const testing::ChildOutcome second = Start({"read"}, environment, true);
    EXPECT_EQ(second.exitStatus, 0);
    EXPECT_EQ(second.output, "1\n");
    const fs::path settings = fs::path(dir_.string() + row.settingsDirectory) / kSettingsFileName;
    EXPECT_EQ(ReadBytes(settings), kSection + "\r\n" + kKey + "=1\r\n");
    EXPECT_FALSE(fs::exists(ProgramDirectory() / kSettingsFileName));
    for (const char* made : {"config", "home", "\xe4\xb9\xa6\xe6\x9e\xb6"})
      fs::remove_all(dir_ / made);
  }
}

TEST_F(TwoStarts, ReadOnlyDirectoryTakesTheHostsFromTheUserDirectory) {
  fs::create_directories(dir_ / "config" / "velnora");
  std::ofstream(dir_ / "config" / "velnora" / kSettingsFileName, std::ios::binary)
      << kHostSection << "\r\n"
      << kSiteAKey << "=127.0.0.1:8443\r\n"
      << kSiteBKey << "=127.0.0.1:8080\r\n";
  const testing::ChildOutcome start =
      Start({"hosts"}, {"XDG_CONFIG_HOME=" + (dir_ / "config").string()}, true);
  if (!start.isolationError.empty()) GTEST_SKIP() << "no read-only mount: " << start.isolationError;
  EXPECT_EQ(start.exitStatus, 0);
  EXPECT_EQ(start.output, "127.0.0.1:8443\n127.0.0.1:8080\n");
}

}  // namespace
}  // namespace velnora::core
