// Conversion between code-page byte strings and UTF-16 for the code pages the program
// speaks: 936 (GBK, the Windows table), 65001 (UTF-8) and the ANSI code page, which is
// 936 here. The two calls keep the length, terminator and capacity conventions of the
// system conversions the rest of the program was written against.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::platform {

inline constexpr int kAnsiCodePage = 0;  // stands for AnsiCodePage()
inline constexpr int kGbkCodePage = 936;
inline constexpr int kUtf8CodePage = 65001;

// The code page that kAnsiCodePage stands for: 936.
[[nodiscard]] int AnsiCodePage();

enum class ConversionError {
  kNone,
  kInvalidParameter,      // unknown code page, source length 0 or below -1, no source
  kInvalidFlags,          // a flag the code page does not allow (composition with UTF-8)
  kInsufficientBuffer,    // the output was too small; what fitted has been written
  kNoUnicodeTranslation,  // invalid input under failOnInvalid
};

struct ConversionResult {
  // Units (to UTF-16) or bytes (from UTF-16) written, or needed when the output is
  // empty; 0 on every failure.
  int count = 0;
  ConversionError error = ConversionError::kNone;
};

struct ToWideOptions {
  // Invalid input fails with kNoUnicodeTranslation instead of becoming U+FFFD.
  bool failOnInvalid = false;
};

// Reads `sourceLength` bytes of `source` in `codePage` and writes the UTF-16 units to
// `output`. A length of -1 reads up to and including the first zero byte, so the output
// ends with a zero unit and the count includes it; a positive length converts exactly
// that many bytes and adds nothing. An empty `output` writes nothing and returns the
// units needed. Output that does not fit is cut at the end of `output` (never beyond)
// and the call fails with kInsufficientBuffer. Invalid sequences become U+FFFD; 936's
// single byte 0x80 is U+20AC and 0xFF is U+F8F5.
//   MultiByteToWideChar(936, {}, "\xD6\xD0", -1, out) == {2}: U+4E2D U+0000
[[nodiscard]] ConversionResult MultiByteToWideChar(int codePage, ToWideOptions options,
                                                   const char* source, int sourceLength,
                                                   std::span<char16_t> output);

// What a leftover combining mark becomes after composition.
enum class LeftoverMarks { kSeparate, kDiscard, kDefaultChar };

struct ToMultiByteOptions {
  // A base character followed by combining marks becomes the precomposed character
  // where one exists (936 only; with UTF-8 the call fails with kInvalidFlags).
  bool compositeCheck = false;
  LeftoverMarks leftoverMarks = LeftoverMarks::kSeparate;  // with compositeCheck only
  // Characters without an exact mapping take the default character instead of the
  // table's best fit.
  bool noBestFit = false;
  // Lone surrogates fail with kNoUnicodeTranslation (UTF-8 only).
  bool failOnInvalid = false;
  // Replaces unmappable characters; left out, 936 uses '?'. Must be left out for UTF-8.
  std::optional<char> defaultChar = std::nullopt;
  // Set to true when some character took the default character (936 only; must be null
  // for UTF-8). Left untouched otherwise.
  bool* usedDefaultChar = nullptr;
};

// Writes the `codePage` bytes of `sourceLength` UTF-16 units of `source`; the length
// conventions, the size query and the capacity rule are those of MultiByteToWideChar,
// counted in bytes. Every character without a mapping takes the default character, the
// invisible ones too (U+200B, U+FEFF, variation selectors); a supplementary character
// takes one; a lone surrogate becomes the default character (936) or U+FFFD (UTF-8).
//   WideCharToMultiByte(936, {}, u"\u4E2D", -1, out) == {3}: D6 D0 00
[[nodiscard]] ConversionResult WideCharToMultiByte(int codePage, const ToMultiByteOptions& options,
                                                   const char16_t* source, int sourceLength,
                                                   std::span<char> output);

// The bytes of `source` read in `fromCodePage` and written in `toCodePage`: exactly what
// MultiByteToWideChar with the exact length followed by WideCharToMultiByte with default
// options give (invalid input as U+FFFD, then characters without a mapping as the
// default character or the table's best fit), streamed through a small buffer instead of
// a whole UTF-16 copy. Empty for an unknown code page or two equal ones.
//   ConvertCodePage(65001, 936, "\xE4\xB8\xAD") == "\xD6\xD0"
[[nodiscard]] std::string ConvertCodePage(int fromCodePage, int toCodePage,
                                          std::string_view source);

// For each UTF-16 unit of the conversion of `source` (read as `codePage`, invalid
// sequences as U+FFFD, as MultiByteToWideChar with an exact length), the offset of the
// byte it came from, followed by source.size(): entry i is where unit i begins. Empty
// for an unknown code page.
[[nodiscard]] std::vector<int> UnitSourceOffsets(int codePage, std::string_view source);

}  // namespace velnora::platform
