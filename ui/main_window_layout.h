// The main window as data: its definition and the names of its controls, by which its
// handlers and the catalogue scrapers address them. Names are code-page-936 texts.
#pragma once

#include <string_view>

#include "core/settings.h"
#include "platform/window/window_definition.h"
#include "text/gbk_literal.h"

namespace velnora::ui::main_window {

using namespace text::literals;

inline constexpr std::string_view kTitle = "Velnora   byQuorrix";
inline constexpr std::string_view kSiteGroup = "分组框1"_gbk;
inline constexpr std::string_view kSiteDropDown = "组合框1"_gbk;
inline constexpr std::string_view kSaveButton = "按钮选择"_gbk;
inline constexpr std::string_view kCreditLabel = "标签1"_gbk;
inline constexpr std::string_view kReadGroup = "分组框2"_gbk;
inline constexpr std::string_view kNovelIdBox = "小说ID编辑"_gbk;
inline constexpr std::string_view kFetchButton = "按钮获取章节"_gbk;
inline constexpr std::string_view kProgressBar = "进度条1"_gbk;
inline constexpr std::string_view kChapterDropDown = "章节"_gbk;
inline constexpr std::string_view kReadButton = "按钮阅读"_gbk;

// The item of the site drop-down for a site: its name followed by its host in the
// full-width parentheses "（" and "）".
//   SiteItem("笔趣阁", "www.biquge.com.cn") == "笔趣阁（www.biquge.com.cn）"
[[nodiscard]] text::Text SiteItem(std::string_view siteName, std::string_view host);

// The main window: 383 x 286, centred, fixed frame, caption bar with system menu, close
// and minimise boxes, closed by Esc. Item 0 of the site drop-down names site A at
// hosts.siteA, item 1 site B at hosts.siteB; item 0 is selected.
[[nodiscard]] platform::window::WindowDefinition MainWindowDefinition(const core::SiteHosts& hosts);

}  // namespace velnora::ui::main_window
