// The settings file "配置.ini" in the run directory: the one remembered setting (the
// chosen site) and the optional host names of the two sites, which the program reads
// and never writes. Nothing is cached; every call goes to the file.
#pragma once

#include <optional>
#include <string_view>

#include "text/text.h"

namespace velnora::core {

using text::Text;

// Where the settings file lives, in code page 936, without a trailing separator: the
// directory of the executable wherever this process can create a file there (the build
// tree, a portable copy); else, as for an installed program in /usr/bin, the user's own
// directory "$XDG_CONFIG_HOME/velnora" or "~/.config/velnora", created when missing; the
// executable's directory again when even that cannot be had. A directory a test has set
// wins over both. Decided anew on every call.
[[nodiscard]] Text RunDirectory();

// Makes RunDirectory() give `directory` (code page 936, no trailing separator) instead of
// choosing; nullopt goes back to choosing.
void SetRunDirectoryForTesting(std::optional<Text> directory);

// RunDirectory() followed by "/配置.ini", joined with a forward slash.
[[nodiscard]] Text SettingsFilePath();

// The stored site number: the value of key "小说网站" in section "小说网站选项" read as a
// number (leading spaces skipped, full-width digits accepted). 0 when the file, the
// section or the key is missing, or the value is empty or not a number.
//   a file holding "[小说网站选项]" and "小说网站= 1" gives 1; "abc" gives 0; "-1" gives -1
[[nodiscard]] int ReadSiteSetting();

// Stores `value` as that key's value, creating the file and the section when needed.
// A write that fails (a read-only directory, a directory in the file's place) is not
// reported, and never loses another line of the file.
void WriteSiteSetting(std::string_view value);

inline constexpr std::string_view kDefaultSiteAHost = "www.biquge.com.cn";
// Site B has no known public host; the reserved name keeps requests off the internet.
inline constexpr std::string_view kDefaultSiteBHost = "xingchen.example";

struct SiteHosts {
  Text siteA;
  Text siteB;
  friend bool operator==(const SiteHosts&, const SiteHosts&) = default;
};

// The hosts of the two sites: keys "笔趣阁" (site A) and "星辰小说网" (site B) of
// section "小说网站地址", each an optional "host" or "host:port"; a missing or empty
// key gives the built-in default. Never creates or changes the file.
[[nodiscard]] SiteHosts ReadSiteHosts();

}  // namespace velnora::core
