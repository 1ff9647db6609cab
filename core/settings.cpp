#include "core/settings.h"

#include "platform/profile/file_names.h"
#include "platform/profile/profile.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace velnora::core {

using namespace text::literals;

namespace {

// The texts below are code page 936 bytes.
constexpr std::string_view kFileName = "/配置.ini"_gbk;
constexpr std::string_view kSiteSection = "小说网站选项"_gbk;
constexpr std::string_view kSiteKey = "小说网站"_gbk;
constexpr std::string_view kHostSection = "小说网站地址"_gbk;
constexpr std::string_view kSiteAKey = "笔趣阁"_gbk;
constexpr std::string_view kSiteBKey = "星辰小说网"_gbk;

// The folder of the user's configuration directory the settings move to.
constexpr std::string_view kApplication = "velnora";

// The value buffer the settings are read with; a longer value is cut to 10239 bytes.
constexpr int kValueBuffer = 10240;

std::optional<Text>& RunDirectoryOverride() {
  static std::optional<Text> directory;
  return directory;
}

Text HostOr(std::string_view key, std::string_view fallback) {
  Text host =
      platform::profile::ReadProfileString(kHostSection, key, {}, kValueBuffer, SettingsFilePath());
  return host.empty() ? Text(fallback) : host;
}

}  // namespace

Text RunDirectory() {
  if (RunDirectoryOverride()) return *RunDirectoryOverride();
  Text beside = platform::profile::ExecutableDirectory();
  if (platform::profile::IsWritableDirectory(beside)) return beside;
  // The site must still be remembered where the program's own directory belongs to
  // someone else; the user's configuration directory is the one place that is theirs.
  if (std::optional<Text> own = platform::profile::UserConfigDirectory(kApplication)) return *own;
  return beside;
}

void SetRunDirectoryForTesting(std::optional<Text> directory) {
  RunDirectoryOverride() = std::move(directory);
}

Text SettingsFilePath() {
  return RunDirectory() + Text(kFileName);
}

int ReadSiteSetting() {
  return text::ToInt(platform::profile::ReadProfileString(kSiteSection, kSiteKey, {}, kValueBuffer,
                                                          SettingsFilePath()));
}

void WriteSiteSetting(std::string_view value) {
  // The outcome is deliberately dropped: a failed save is not the user's concern.
  static_cast<void>(
      platform::profile::WriteProfileString(kSiteSection, kSiteKey, value, SettingsFilePath()));
}

SiteHosts ReadSiteHosts() {
  return {.siteA = HostOr(kSiteAKey, kDefaultSiteAHost),
          .siteB = HostOr(kSiteBKey, kDefaultSiteBHost)};
}

}  // namespace velnora::core
