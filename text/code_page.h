// Conversions between code-page-936 texts, UTF-8 texts and UTF-16 data (bytes holding
// little-endian code units), sized and cut the way every caller expects. None of them
// fails: invalid input becomes U+FFFD or the default character '?', and a conversion
// is never cut short by a buffer measured with another code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/text.h"

namespace velnora::text {

struct AnsiToUnicodeOptions {
  bool dropTerminator = false;  // leave out the final zero code unit
};

// UTF-16 data of `text` read as code page 936, ending with one zero code unit unless
// dropTerminator is set; empty bytes for the empty text. Reads up to the first zero byte.
//   AnsiToUnicode("ab") == {61 00 62 00 00 00}; AnsiToUnicode("\xD6\xD0") == {2D 4E 00 00}
[[nodiscard]] Bytes AnsiToUnicode(const Text& text, AnsiToUnicodeOptions options = {});

// Code-page-936 text of the code units of `data` up to the first zero unit or the end; a
// final odd byte is ignored. A base letter followed by combining marks becomes the
// precomposed character where 936 has one.
//   UnicodeToAnsi({2D 4E}) == UnicodeToAnsi({2D 4E 00 00}) == "\xD6\xD0"
[[nodiscard]] Text UnicodeToAnsi(const Bytes& data);

// UTF-16 data of `text` read in `codePage` (left out: 65001, UTF-8; 0: the ANSI code
// page), followed by a zero code unit and zero bytes up to the room the text needs when
// read as code page 936. Every unit of the conversion is kept, even when reading in
// `codePage` yields more units than the 936 reading (invalid UTF-8, for instance).
//   MultiByteToUnicode("\xE4\xB8\xAD") == {2D 4E 00 00 00 00}
[[nodiscard]] Bytes MultiByteToUnicode(const Text& text, std::optional<int> codePage = {});

// Text in `codePage` (left out or 0: the ANSI code page, 936) of the code units of
// `data` up to the first zero unit (or the end); empty data gives the empty text.
[[nodiscard]] Text UnicodeToMultiByte(const Bytes& data, std::optional<int> codePage = {});

// A UTF-8 byte string as code-page-936 text: UnicodeToMultiByte(MultiByteToUnicode(text),
// 936). Characters 936 lacks become '?', a byte-order mark or a zero-width joiner as
// well; invalid UTF-8 becomes '?' too.
//   Utf8ToGbk("\xE4\xB8\xAD") == "\xD6\xD0"
[[nodiscard]] Text Utf8ToGbk(const Text& text);

// The same conversions for callers that hold code units rather than UTF-16 data (the
// platform's HTTP and automation services take and give std::u16string).
// AnsiToUnits(text) is AnsiToUnicode(text, {.dropTerminator = true}) as units;
// UnitsToAnsi(units) is UnicodeToAnsi of their bytes.
[[nodiscard]] std::u16string AnsiToUnits(const Text& text);
[[nodiscard]] Text UnitsToAnsi(std::u16string_view units);

}  // namespace velnora::text
