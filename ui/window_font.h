// The typeface every text-showing control of the two windows uses.
#pragma once

#include "platform/window/window_definition.h"

namespace velnora::ui {

// "微软雅黑" with a character height of 19 pixels; weight 400 normal, 700 bold.
[[nodiscard]] inline platform::window::Font UiFont(int weight = 400) {
  return {.face = "\xce\xa2\xc8\xed\xd1\xc5\xba\xda", .height = 19, .weight = weight};
}

}  // namespace velnora::ui
