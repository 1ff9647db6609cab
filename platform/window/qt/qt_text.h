// The one place where texts cross between the program and Qt: code-page-936 bytes on the
// program's side, UTF-16 on Qt's, through the text layer's conversions.
#pragma once

#include <QString>
#include <string_view>

#include "text/text.h"

namespace velnora::platform::window {

// `text` read as code page 936 (up to a zero byte); invalid bytes become U+FFFD.
[[nodiscard]] QString ToQt(std::string_view text);

// `text` as code page 936; characters 936 lacks become '?'.
[[nodiscard]] text::Text FromQt(const QString& text);

}  // namespace velnora::platform::window
