#include "text/code_page.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <string>

#include "platform/codepage/code_page.h"

namespace velnora::text {
namespace {

using platform::ConversionError;

// The UTF-16 units of `text` (a NUL-terminated string) read in `codePage`, terminator
// included. In 936 and UTF-8 each byte yields at most one unit, so a buffer of one unit
// per byte plus the terminator always fits and the conversion runs once; the measured
// retry only guards that assumption.
std::u16string Decode(int codePage, const Text& text) {
  std::u16string units(text.size() + 1, u'\0');
  auto result = platform::MultiByteToWideChar(codePage, {}, text.c_str(), -1, units);
  if (result.error == ConversionError::kInsufficientBuffer) {
    const auto needed = platform::MultiByteToWideChar(codePage, {}, text.c_str(), -1, {});
    units.assign(static_cast<std::size_t>(needed.count), u'\0');
    result = platform::MultiByteToWideChar(codePage, {}, text.c_str(), -1, units);
  }
  units.resize(static_cast<std::size_t>(result.count));
  return units;
}

// Units the ANSI code page needs for `text` with its terminator.
int AnsiUnitsNeeded(const Text& text) {
  return platform::MultiByteToWideChar(platform::kAnsiCodePage, {}, text.c_str(), -1, {}).count;
}

// Bytes of `units` in `codePage`, the first `length` units or, with -1, up to and
// including a zero unit. The buffer is sized to the most any unit can need, so it never
// cuts the conversion short.
std::string Encode(int codePage, const platform::ToMultiByteOptions& options, const char16_t* units,
                   int length, std::size_t unitCount) {
  const std::size_t perUnit = codePage == platform::kUtf8CodePage ? 3 : 2;
  std::string bytes(unitCount * perUnit + 1, '\0');
  auto result = platform::WideCharToMultiByte(codePage, options, units, length, bytes);
  if (result.error == ConversionError::kInsufficientBuffer) {
    const auto needed = platform::WideCharToMultiByte(codePage, options, units, length, {});
    bytes.assign(static_cast<std::size_t>(needed.count), '\0');
    result = platform::WideCharToMultiByte(codePage, options, units, length, bytes);
  }
  bytes.resize(static_cast<std::size_t>(result.count));
  return bytes;
}

// The text before the first zero byte.
Text UpToZero(std::string bytes) {
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));
  return bytes;
}

Bytes ToBytes(std::u16string_view units, std::size_t totalUnits) {
  Bytes bytes(totalUnits * 2, 0);
  if constexpr (std::endian::native == std::endian::little) {
    if (!units.empty()) std::memcpy(bytes.data(), units.data(), units.size() * 2);
  } else {
    for (std::size_t i = 0; i < units.size(); ++i) {
      bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
  }
  return bytes;
}

// The code units of `data` (a final odd byte ignored), with one zero unit appended so the
// conversions can read up to a terminator without reading past the data.
std::u16string ToUnits(const Bytes& data) {
  std::u16string units(data.size() / 2, u'\0');
  if constexpr (std::endian::native == std::endian::little) {
    if (!units.empty()) std::memcpy(units.data(), data.data(), units.size() * 2);
  } else {
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
  }
  units.push_back(u'\0');
  return units;
}

// Converted units padded with zero units to the room measured with the ANSI code page;
// when the conversion needs more room than that, all of it is kept.
Bytes PaddedToAnsiRoom(const std::u16string& units, int ansiUnits) {
  return ToBytes(units, std::max(units.size(), static_cast<std::size_t>(std::max(ansiUnits, 0))));
}

}  // namespace

Bytes AnsiToUnicode(const Text& text, AnsiToUnicodeOptions options) {
  if (text.empty()) return {};
  const std::u16string units = Decode(platform::kGbkCodePage, text);
  // The room is measured with the ANSI code page; when that page is 936 the measure is
  // the conversion itself and a second pass would only repeat it.
  const int ansiUnits = platform::AnsiCodePage() == platform::kGbkCodePage
                            ? static_cast<int>(units.size())
                            : AnsiUnitsNeeded(text);
  Bytes bytes = PaddedToAnsiRoom(units, ansiUnits);
  if (options.dropTerminator) bytes.resize(bytes.size() >= 2 ? bytes.size() - 2 : 0);
  return bytes;
}

Text UnicodeToAnsi(const Bytes& data) {
  const std::u16string units = ToUnits(data);
  const auto length = static_cast<int>(std::u16string_view(units).find(u'\0'));
  if (length == 0) return {};
  return UpToZero(
      Encode(platform::kGbkCodePage, {.compositeCheck = true}, units.data(), length, units.size()));
}

Bytes MultiByteToUnicode(const Text& text, std::optional<int> codePage) {
  const std::u16string units = Decode(codePage.value_or(platform::kUtf8CodePage), text);
  return PaddedToAnsiRoom(units, AnsiUnitsNeeded(text));
}

Text UnicodeToMultiByte(const Bytes& data, std::optional<int> codePage) {
  if (data.size() < 2) return {};
  const std::u16string units = ToUnits(data);
  // The text ends at the conversion's terminator, so the room measured with the ANSI code
  // page only ever decided how much could be lost; nothing is.
  return UpToZero(
      Encode(codePage.value_or(platform::kAnsiCodePage), {}, units.data(), -1, units.size()));
}

Text Utf8ToGbk(const Text& text) {
  // Straight from UTF-8 to 936 gives the bytes of the two steps: the zero padding of the
  // UTF-16 step lies after its terminator, where the 936 step never reads, and the text
  // holds no zero byte, so nothing is cut.
  return platform::ConvertCodePage(platform::kUtf8CodePage, platform::kGbkCodePage,
                                   std::string_view(text.c_str()));
}

std::u16string AnsiToUnits(const Text& text) {
  if (text.empty()) return {};
  std::u16string units = Decode(platform::kGbkCodePage, text);
  units.pop_back();  // the terminator
  return units;
}

Text UnitsToAnsi(std::u16string_view units) {
  return UnicodeToAnsi(ToBytes(units, units.size()));
}

}  // namespace velnora::text
