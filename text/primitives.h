// The primitive text operations: search, cut, replace, split, spaces, case, numbers and
// the conversions between texts and bytes. Every result is a new value; no operation
// fails, out-of-range positions and counts give the empty text, 0 or -1.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "text/text.h"

namespace velnora::text {

// ---- Search ---------------------------------------------------------------------------

struct FindOptions {
  int start = 1;            // 1 or less means 1; beyond the last byte finds nothing
  bool ignoreCase = false;  // folds the ASCII letters only
};

// Position of the first occurrence of `find` at or after `start` that lies wholly in the
// text; -1 if none. The scan begins at byte `start` itself and steps by characters from
// there, so a match is only tried at a character start. An empty `find` gives 1 when
// the text is not empty (whatever the start), else -1.
//   FindText("abc", "c", {.start = 4}) == -1
[[nodiscard]] int FindText(std::string_view text, std::string_view find, FindOptions options = {});

struct FindReverseOptions {
  std::optional<int> start = std::nullopt;  // left out, or beyond length + 1: the whole text
  bool ignoreCase = false;
};

// Position of the last occurrence of `find` that begins at a character start (stepping
// from byte 1) and lies wholly in bytes 1 to start - 1; occurrences may overlap. -1 if
// none or when start is 1 or less. An empty `find` gives 1 when that window holds a byte.
//   FindTextReverse("a:b:", ":") == 4; with {.start = 4} == 2
[[nodiscard]] int FindTextReverse(std::string_view text, std::string_view find,
                                  FindReverseOptions options = {});

// ---- Cuts by byte count (may split a two-byte character) ------------------------------

[[nodiscard]] inline int TextLength(std::string_view text) {
  return static_cast<int>(text.size());
}
[[nodiscard]] Text TextLeft(std::string_view text, int n);
[[nodiscard]] Text TextRight(std::string_view text, int n);
// Bytes start to start + n - 1, cut at the end; empty when start < 1, start > length or
// n <= 0.
[[nodiscard]] Text TextMid(std::string_view text, int start, int n);

// ---- Replace and split -----------------------------------------------------------------

struct ReplaceOptions {
  int start = 1;                            // bytes before start are copied unchanged
  std::optional<int> count = std::nullopt;  // left out or negative: all; 0: none
  bool caseSensitive = true;                // false folds the ASCII letters
};

// Copy of `text` with the occurrences of `find` at character starts replaced left to
// right, without overlap and without looking into an inserted replacement; the scan
// goes on right after each replaced occurrence. Unchanged when text or find is empty or
// start is beyond the length. A lone first byte ending the text is left out when the
// scan reaches it (a one-byte `find` and replacements still to make).
//   ReplaceText("aaa", "aa", "b") == "ba"
[[nodiscard]] Text ReplaceText(std::string_view text, std::string_view find,
                               std::string_view replacement = {}, ReplaceOptions options = {});

// Splits at each occurrence of `delimiter` found at a character start. Adjacent
// delimiters give empty items; an empty final piece is dropped. Empty text or maxCount
// <= 0: no items. Empty delimiter: one item, the whole text. With maxCount, the split
// stops after that many items and drops the rest.
//   SplitText("a,,b,") == {"a", "", "b"}
[[nodiscard]] TextList SplitText(std::string_view text, std::string_view delimiter = ",",
                                 std::optional<int> maxCount = std::nullopt);

// ---- Spaces and case ---------------------------------------------------------------------

// Copy without any 0x20 byte (even one that follows a first byte) and without any
// full-width space (0xA1 0xA1) that begins at a character start. Tabs and line breaks
// stay; a lone first byte ending the text is left out.
//   RemoveAllSpaces("a b\t\xA1\xA1c") == "ab\tc"
[[nodiscard]] Text RemoveAllSpaces(std::string_view text);

// Copy without the leading and trailing runs of half- and full-width spaces, counted as
// whole characters (a 0x20 that is the second byte of a character is no space). A lone
// first byte ending the text is left out.
//   TrimBoth("\xA1\xA1 a b ") == "a b"
[[nodiscard]] Text TrimBoth(std::string_view text);

// Lower-case ASCII letters at character starts become upper-case; two-byte characters,
// full-width letters and second bytes in the letter range included, stay as they are.
[[nodiscard]] Text ToUpper(std::string_view text);

// ---- Characters and numbers ---------------------------------------------------------------

// The byte at `position` as a signed 8-bit value; 0 outside 1..length.
[[nodiscard]] int CharCode(std::string_view text, int position = 1);
// One-byte text of the low 8 bits of `code`; low bits 0 (code 0, 256, ...) give the empty
// text, since a text holds no zero byte.
[[nodiscard]] Text CharFromCode(int code);
// n bytes 0x20; empty when n <= 0.
[[nodiscard]] Text BlankText(int n);
// Decimal, with a leading "-" for negative values.
[[nodiscard]] Text IntToText(int value);
// Leading white space skipped, one optional sign, decimal digits up to the first other
// byte; full-width forms read as their ASCII counterparts. No digits gives 0; a value
// beyond 32 bits saturates at INT_MAX or INT_MIN.
//   ToInt("  -12abc") == -12
[[nodiscard]] int ToInt(std::string_view text);

// ---- Texts and bytes ------------------------------------------------------------------------

[[nodiscard]] Bytes TextToBytes(std::string_view text);
// The bytes up to, not including, the first zero byte.
[[nodiscard]] Text BytesToText(const Bytes& bytes);
[[nodiscard]] inline int BytesLength(const Bytes& bytes) {
  return static_cast<int>(bytes.size());
}
// The first n bytes, n clamped to 0..length.
[[nodiscard]] Bytes BytesLeft(const Bytes& bytes, int n);
// From offset start - 1 clamped to 0..length, n clamped to what is left; unlike TextMid a
// start of 1 or less reads from the first byte.
[[nodiscard]] Bytes BytesMid(const Bytes& bytes, int start, int n);
// n zero bytes; empty when n <= 0.
[[nodiscard]] Bytes BlankBytes(int n);
// A copy of n bytes at `address`; n <= 0 gives empty bytes.
[[nodiscard]] Bytes BytesFromMemory(const void* address, int n);

// ---- Joining and comparing --------------------------------------------------------------------

[[nodiscard]] Text ConcatText(std::initializer_list<std::string_view> texts);
[[nodiscard]] Bytes ConcatBytes(std::initializer_list<Bytes> parts);
[[nodiscard]] inline bool TextEquals(std::string_view a, std::string_view b) {
  return a == b;
}
[[nodiscard]] inline bool BytesEqual(const Bytes& a, const Bytes& b) {
  return a == b;
}
// 0 when equal; otherwise negative or positive by byte order. caseSensitive false folds
// the ASCII letters.
[[nodiscard]] int CompareText(std::string_view a, std::string_view b, bool caseSensitive);

}  // namespace velnora::text
