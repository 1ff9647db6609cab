// The reader window as data: its definition and the names of its controls, by which its
// handlers and the chapter loader address them. Names are code-page-936 texts.
#pragma once

#include <string_view>

#include "platform/window/window_definition.h"

namespace velnora::ui::reader_window {

inline constexpr std::string_view kTextGroup =
    "\xb7\xd6\xd7\xe9\xbf\xf2"
    "2";  // 分组框2
inline constexpr std::string_view kTextBox =
    "\xd0\xa1\xcb\xb5\xc4\xda\xc8\xdd\xb1\xe0\xbc\xad";  // 小说内容编辑
inline constexpr std::string_view kButtonGroup =
    "\xb7\xd6\xd7\xe9\xbf\xf2"
    "1";                                                                         // 分组框1
inline constexpr std::string_view kPreviousButton = "\xc9\xcf\xd2\xbb\xd5\xc2";  // 上一章
inline constexpr std::string_view kCatalogueButton = "\xc4\xbf\xc2\xbc";         // 目录
inline constexpr std::string_view kNextButton = "\xcf\xc2\xd2\xbb\xd5\xc2";      // 下一章

// The reader window: 476 x 411 at left 50, top 50, fixed frame, untitled at first; its
// caption bar shows only while it has a title and never has a system menu or any box;
// Esc does not close it; a drag on its background moves it. "目录" is its only way out.
[[nodiscard]] platform::window::WindowDefinition ReaderWindowDefinition();

}  // namespace velnora::ui::reader_window
