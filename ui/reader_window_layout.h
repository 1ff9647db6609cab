// The reader window as data: its definition and the names of its controls, by which its
// handlers and the chapter loader address them. Names are code-page-936 texts.
#pragma once

#include <string_view>

#include "platform/window/window_definition.h"
#include "text/gbk_literal.h"

namespace velnora::ui::reader_window {

using namespace text::literals;

inline constexpr std::string_view kTextGroup = "分组框2"_gbk;
inline constexpr std::string_view kTextBox = "小说内容编辑"_gbk;
inline constexpr std::string_view kButtonGroup = "分组框1"_gbk;
inline constexpr std::string_view kPreviousButton = "上一章"_gbk;
inline constexpr std::string_view kCatalogueButton = "目录"_gbk;
inline constexpr std::string_view kNextButton = "下一章"_gbk;

// The reader window: 476 x 411 at left 50, top 50, fixed frame, untitled at first; its
// caption bar shows only while it has a title and never has a system menu or any box;
// Esc does not close it; a drag on its background moves it. "目录" is its only way out.
[[nodiscard]] platform::window::WindowDefinition ReaderWindowDefinition();

}  // namespace velnora::ui::reader_window
