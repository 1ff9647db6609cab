// The main window as data: its definition and the names of its controls, by which its
// handlers and the catalogue scrapers address them. Names are code-page-936 texts.
#pragma once

#include <string_view>

#include "core/settings.h"
#include "platform/window/window_definition.h"

namespace velnora::ui::main_window {

inline constexpr std::string_view kTitle = "Velnora   byQuorrix";
inline constexpr std::string_view kSiteGroup =
    "\xb7\xd6\xd7\xe9\xbf\xf2"
    "1";  // 分组框1
inline constexpr std::string_view kSiteDropDown =
    "\xd7\xe9\xba\xcf\xbf\xf2"
    "1";                                                                             // 组合框1
inline constexpr std::string_view kSaveButton = "\xb0\xb4\xc5\xa5\xd1\xa1\xd4\xf1";  // 按钮选择
inline constexpr std::string_view kCreditLabel =
    "\xb1\xea\xc7\xa9"
    "1";  // 标签1
inline constexpr std::string_view kReadGroup =
    "\xb7\xd6\xd7\xe9\xbf\xf2"
    "2";                                                                               // 分组框2
inline constexpr std::string_view kNovelIdBox = "\xd0\xa1\xcb\xb5ID\xb1\xe0\xbc\xad";  // 小说ID编辑
inline constexpr std::string_view kFetchButton =
    "\xb0\xb4\xc5\xa5\xbb\xf1\xc8\xa1\xd5\xc2\xbd\xda";  // 按钮获取章节
inline constexpr std::string_view kProgressBar =
    "\xbd\xf8\xb6\xc8\xcc\xf5"
    "1";                                                                             // 进度条1
inline constexpr std::string_view kChapterDropDown = "\xd5\xc2\xbd\xda";             // 章节
inline constexpr std::string_view kReadButton = "\xb0\xb4\xc5\xa5\xd4\xc4\xb6\xc1";  // 按钮阅读

// The item of the site drop-down for a site: its name followed by its host in the
// full-width parentheses "（" and "）".
//   SiteItem("笔趣阁", "www.biquge.com.cn") == "笔趣阁（www.biquge.com.cn）"
[[nodiscard]] text::Text SiteItem(std::string_view siteName, std::string_view host);

// The main window: 383 x 286, centred, fixed frame, caption bar with system menu, close
// and minimise boxes, closed by Esc. Item 0 of the site drop-down names site A at
// hosts.siteA, item 1 site B at hosts.siteB; item 0 is selected.
[[nodiscard]] platform::window::WindowDefinition MainWindowDefinition(const core::SiteHosts& hosts);

}  // namespace velnora::ui::main_window
