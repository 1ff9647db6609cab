#include "platform/profile/profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/profile/file_names.h"
#include "tests/support/child_process.h"

namespace velnora::platform::profile {
namespace {

namespace fs = std::filesystem;
using velnora::testing::ChildOutcome;
using velnora::testing::RunInChild;

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velnora-profile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The file name as the program passes it: code page 936 (the temporary directory is
  // ASCII, so its name is the same in both).
  [[nodiscard]] std::string PathOf(std::string_view name) const {
    return dir_.string() + "/" + std::string(name);
  }
  void WriteBytes(std::string_view name, std::string_view bytes) const {
    std::ofstream(dir_ / ToFileSystemName(name), std::ios::binary) << bytes;
  }
  [[nodiscard]] std::string ReadBytes(std::string_view name) const {
    std::ifstream in(dir_ / ToFileSystemName(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir_;
};

TEST_F(ProfileFile, ReadsTheValueByTheFileRules) {
  struct Row {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
  };
  const Row rows[] = {
      {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"letter case of names is ignored", "[Sec]\r\nKey=Value\r\n", "sEC", "kEY", "Value"},
      {"spaces around names and value", "  [ s ]  \r\n  k  =  v v \t\r\n", " s ", " k ", "v v"},
      {"double quotes removed", "[s]\r\nk=\" v \"\r\n", "s", "k", " v "},
      {"single quotes removed", "[s]\r\nk='v'\r\n", "s", "k", "v"},
      {"mismatched quotes kept", "[s]\r\nk=\"v'\r\n", "s", "k", "\"v'"},
      {"first key wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
      {"second section of a name ignored", "[s]\r\na=1\r\n[t]\r\n[s]\r\nk=2\r\n", "s", "k", ""},
      {"key of another section", "[t]\r\nk=1\r\n[s]\r\n", "s", "k", ""},
      {"comment line", "[s]\r\n;k=1\r\n", "s", "k", ""},
      {"semicolon after a value belongs to it", "[s]\r\nk=1 ;x\r\n", "s", "k", "1 ;x"},
      {"line feeds alone", "[s]\nk=v\n", "s", "k", "v"},
      {"no final line break", "[s]\r\nk=v", "s", "k", "v"},
      {"section without closing bracket", "[s\r\nk=v\r\n", "s", "k", "v"},
      {"zero byte ends the value", std::string("[s]\r\nk=a\0b\r\n", 12), "s", "k", "a"},
      // 0xD6 0x61 and 0xD6 0x41 are two different characters; only ASCII letters fold.
      {"second byte of a character is not folded", "[\xd6\x61]\r\nk=v\r\n", "\xd6\x41", "k", ""},
      {"two-byte names", "[\xd0\xa1]\r\n\xcb\xb5=v\r\n", "\xd0\xa1", "\xcb\xb5", "v"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes("a.ini", row.file);
    EXPECT_EQ(ReadProfileString(row.section, row.key, {}, 10240, PathOf("a.ini")), row.expected);
  }
}

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheDefaultWithoutTrailingSpaces) {
  WriteBytes("a.ini", "[s]\r\nk=v\r\n");
  EXPECT_EQ(ReadProfileString("s", "k", " d  ", 10240, PathOf("none.ini")), " d");
  EXPECT_EQ(ReadProfileString("t", "k", "d", 10240, PathOf("a.ini")), "d");
  EXPECT_EQ(ReadProfileString("s", "x", {}, 10240, PathOf("a.ini")), "");
}

TEST_F(ProfileFile, ValueIsCutToOneByteLessThanTheBuffer) {
  WriteBytes("a.ini", "[s]\r\nk=" + std::string(10300, '7') + "\r\n");
  EXPECT_EQ(ReadProfileString("s", "k", {}, 10240, PathOf("a.ini")), std::string(10239, '7'));
  EXPECT_EQ(ReadProfileString("s", "k", {}, 0, PathOf("a.ini")), "");
}

TEST_F(ProfileFile, WriteChangesOnlyItsOwnLine) {
  struct Row {
    const char* name;
    std::string before;
    std::string after;
  };
  const Row rows[] = {
      {"new file", "", "[s]\r\nk=v\r\n"},
      {"existing key keeps its spelling and line break", ";c\r\n[S]\r\n  K = old \n x=1\r\n",
       ";c\r\n[S]\r\nK=v\n x=1\r\n"},
      {"new key after the section's last key", "[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n",
       "[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\nb=2\r\n"},
      {"new key right after an empty section", "[s]\r\n;c\r\n[t]\r\n",
       "[s]\r\nk=v\r\n;c\r\n[t]\r\n"},
      {"new section at the end", "[t]\r\nb=2\r\n", "[t]\r\nb=2\r\n[s]\r\nk=v\r\n"},
      {"no final line break before a new section", "[t]\r\nb=2", "[t]\r\nb=2\r\n[s]\r\nk=v\r\n"},
      {"no final line break before a new key", "[s]\r\na=1", "[s]\r\na=1\r\nk=v\r\n"},
      {"a final lone CR completed, not doubled, before a new key", "[s]\r", "[s]\r\nk=v\r\n"},
      {"a final lone CR completed before a new section", "[t]\r\nb=2\r",
       "[t]\r\nb=2\r\n[s]\r\nk=v\r\n"},
      {"duplicate sections: the first is written", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n",
       "[s]\r\nk=v\r\n[s]\r\nk=2\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(dir_ / "a.ini");
    if (!row.before.empty()) WriteBytes("a.ini", row.before);
    EXPECT_TRUE(WriteProfileString("s", "k", "v", PathOf("a.ini")));
    EXPECT_EQ(ReadBytes("a.ini"), row.after);
  }
}

TEST_F(ProfileFile, WriteThatCannotReachAFileFailsAndChangesNothing) {
  fs::create_directory(dir_ / "a.ini");
  EXPECT_FALSE(WriteProfileString("s", "k", "v", PathOf("a.ini")));
  EXPECT_TRUE(fs::is_directory(dir_ / "a.ini"));

  WriteBytes("plain", "x");
  EXPECT_FALSE(WriteProfileString("s", "k", "v", PathOf("plain/a.ini")));
  EXPECT_EQ(ReadBytes("plain"), "x");

  EXPECT_FALSE(WriteProfileString("s", "k", "v", PathOf("no-such-dir/a.ini")));

  // Read-only for everyone, root included, as the read-only attribute would make it.
  WriteBytes("read-only.ini", "[s]\r\nk=1\r\n");
  fs::permissions(dir_ / "read-only.ini", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(WriteProfileString("s", "k", "v", PathOf("read-only.ini")));
  EXPECT_EQ(ReadBytes("read-only.ini"), "[s]\r\nk=1\r\n");
  EXPECT_EQ(fs::status(dir_ / "read-only.ini").permissions(),
            fs::perms::owner_read | fs::perms::group_read);

  // A pipe is no file: neither read nor written, and nothing waits for a writer.
  ASSERT_EQ(mkfifo((dir_ / "pipe.ini").c_str(), 0644), 0);
  EXPECT_EQ(ReadProfileString("s", "k", "d", 10240, PathOf("pipe.ini")), "d");
  EXPECT_FALSE(WriteProfileString("s", "k", "v", PathOf("pipe.ini")));
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.ini"));

  // No temporary file is left behind either.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"a.ini", "plain", "read-only.ini", "pipe.ini"}));
}

TEST_F(ProfileFile, FileNameIsStoredInTheFileSystemsEncoding) {
  // "配置.ini" in code page 936; on disk it is named in UTF-8.
  const std::string gbkName = "\xc5\xe4\xd6\xc3.ini";
  ASSERT_TRUE(WriteProfileString("s", "k", "1", PathOf(gbkName)));
  EXPECT_TRUE(fs::exists(dir_ / "\xe9\x85\x8d\xe7\xbd\xae.ini"));
  EXPECT_EQ(ReadProfileString("s", "k", {}, 10240, PathOf(gbkName)), "1");
}

TEST(FileNames, ConvertBetweenCodePage936AndUtf8) {
  EXPECT_EQ(ToFileSystemName("/tmp/\xc5\xe4\xd6\xc3"), "/tmp/\xe9\x85\x8d\xe7\xbd\xae");
  EXPECT_EQ(FromFileSystemName("/tmp/\xe9\x85\x8d\xe7\xbd\xae"), "/tmp/\xc5\xe4\xd6\xc3");
  EXPECT_EQ(FromFileSystemName("\xf0\x9f\x98\x80"), "?");  // a character 936 lacks
  // Zero-width and byte-order characters take the default character like any other
  // character 936 lacks, rather than vanishing and naming another file.
  EXPECT_EQ(FromFileSystemName("a\xe2\x80\x8b"
                               "b"),
            "a?b");  // U+200B
  EXPECT_EQ(FromFileSystemName("\xef\xbb\xbf"
                               "a"),
            "?a");                               // U+FEFF
  EXPECT_EQ(FromFileSystemName("a\xff"), "a?");  // not UTF-8
}

TEST(FileNames, ExecutableDirectoryHoldsThisTestWithoutTrailingSeparator) {
  const std::string dir = ExecutableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '/');
  EXPECT_TRUE(fs::exists(fs::path(ToFileSystemName(dir)) / "velnora-profile-tests"));
}

// A fresh temporary directory, removed with everything in it at the end of the test.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (fs::temp_directory_path() / "velnora-places-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDirectory() {
    if (!path_.empty()) fs::remove_all(path_);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::set<fs::path> Listing(const fs::path& dir) {
  std::set<fs::path> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) names.insert(entry.path());
  return names;
}

TEST(IsWritableDirectory, TellsByCreatingAFileAndLeavesNothingBehind) {
  ScratchDirectory scratch;
  ASSERT_FALSE(scratch.path().empty());
  const std::string base = scratch.path().string();
  fs::create_directory(scratch.path() / "\xe4\xb9\xa6\xe6\x9e\xb6");  // 书架 in UTF-8
  std::ofstream(scratch.path() / "file") << "x";
  const std::set<fs::path> before = Listing(scratch.path());
  struct Row {
    const char* name;
    std::string directory;  // code page 936
    bool expected;
  };
  const Row rows[] = {
      {"a directory of ours", base, true},
      {"a name in code page 936", base + "/\xca\xe9\xbc\xdc", true},  // 书架
      {"a missing directory", base + "/missing", false},
      {"a regular file", base + "/file", false},
      {"below a regular file", base + "/file/below", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsWritableDirectory(row.directory), row.expected);
  }
  EXPECT_EQ(Listing(scratch.path()), before);
}

// Root writes through permission bits, so the unwritable directory is a read-only mount,
// which stops root as it stops everyone (a child process's own mount namespace).
TEST(IsWritableDirectory, ReadOnlyMountIsNotWritableForRootEither) {
  ScratchDirectory scratch;
  ASSERT_FALSE(scratch.path().empty());
  const std::string base = scratch.path().string();
  const ChildOutcome outcome =
      RunInChild([&] { return IsWritableDirectory(base) ? 1 : 0; }, {base});
  if (!outcome.isolationError.empty())
    GTEST_SKIP() << "no read-only mount: " << outcome.isolationError;
  EXPECT_EQ(outcome.exitStatus, 0);
  EXPECT_TRUE(IsWritableDirectory(base));  // outside the child it is writable
  EXPECT_TRUE(fs::is_empty(scratch.path()));
}

// Sets (or, with nullopt, removes) environment variables for one scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(UserConfigDirectory, FollowsTheConfigurationHomeOrTheHomeDirectoryAndCreatesIt) {
  struct Row {
    const char* name;
    std::optional<std::string> configHome;  // below the scratch directory; nullopt: unset
    std::string home;                       // below the scratch directory
    std::optional<std::string> expected;    // below the scratch directory, code page 936
  };
  const Row rows[] = {
      {"the configuration home", "/cfg", "/home", "/cfg/velnora"},
      {"its trailing separators dropped", "/cfg//", "/home", "/cfg/velnora"},
      {"unset: the home's .config", std::nullopt, "/home", "/home/.config/velnora"},
      {"empty: the home's .config", "", "/home", "/home/.config/velnora"},
      {"relative: ignored for the home's .config", "relative", "/home", "/home/.config/velnora"},
      {"a UTF-8 name comes back in code page 936", "/\xe4\xb9\xa6\xe6\x9e\xb6", "/home",
       "/\xca\xe9\xbc\xdc/velnora"},
      {"below a regular file: none", "/file", "/home", std::nullopt},
      {"a character 936 lacks: none", "/\xf0\x9f\x98\x80", "/home", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDirectory scratch;
    ASSERT_FALSE(scratch.path().empty());
    const std::string base = scratch.path().string();
    std::ofstream(scratch.path() / "file") << "x";
    const bool relative =
        row.configHome && !row.configHome->empty() && row.configHome->front() != '/';
    const ScopedVariable configHome(
        "XDG_CONFIG_HOME",
        row.configHome ? std::optional(relative || row.configHome->empty() ? *row.configHome
                                                                           : base + *row.configHome)
                       : std::nullopt);
    const ScopedVariable home("HOME", base + row.home);

    const std::optional<text::Text> directory = UserConfigDirectory("velnora");

    if (!row.expected) {
      EXPECT_EQ(directory, std::nullopt);
      continue;
    }
    EXPECT_EQ(directory, base + *row.expected);
    EXPECT_TRUE(fs::is_directory(ToFileSystemName(base + *row.expected)));
    EXPECT_EQ(UserConfigDirectory("velnora"), directory);  // an existing one is kept
  }
}

}  // namespace
}  // namespace velnora::platform::profile
