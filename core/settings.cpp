#include "core/settings.h"

#include "platform/profile/file_names.h"
#include "platform/profile/profile.h"
#include "text/primitives.h"

namespace velnora::core {
namespace {

// The texts below are code page 936 bytes.
constexpr std::string_view kFileName = "/\xc5\xe4\xd6\xc3.ini";  // /配置.ini
constexpr std::string_view kSiteSection =
    "\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe\xd1\xa1\xcf\xee";                    // 小说网站选项
constexpr std::string_view kSiteKey = "\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe";  // 小说网站
constexpr std::string_view kHostSection =
    "\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe\xb5\xd8\xd6\xb7";             // 小说网站地址
constexpr std::string_view kSiteAKey = "\xb1\xca\xc8\xa4\xb8\xf3";  // 笔趣阁
constexpr std::string_view kSiteBKey = "\xd0\xc7\xb3\xbd\xd0\xa1\xcb\xb5\xcd\xf8";  // 星辰小说网

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
  return platform::profile::ExecutableDirectory();
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
