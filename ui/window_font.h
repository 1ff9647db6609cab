// The typeface every text-showing control of the two windows uses.
#pragma once

#include "platform/window/window_definition.h"
#include "text/gbk_literal.h"

namespace velnora::ui {

using namespace text::literals;

// "微软雅黑" with a character height of 19 pixels; weight 400 normal, 700 bold.
[[nodiscard]] inline platform::window::Font UiFont(int weight = 400) {
  return {.face = text::Text("微软雅黑"_gbk), .height = 19, .weight = weight};
}

}  // namespace velnora::ui
