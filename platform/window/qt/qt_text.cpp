#include "platform/window/qt/qt_text.h"

#include "text/code_page.h"

namespace velnora::platform::window {

QString ToQt(std::string_view text) {
  const std::u16string units = text::AnsiToUnits(text::Text(text));
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

text::Text FromQt(const QString& text) {
  return text::UnitsToAnsi(text.toStdU16String());
}

}  // namespace velnora::platform::window
