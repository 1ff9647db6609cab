// The default-ignorable code points that ICU's own callbacks skip instead of replacing.
// None of them has a mapping in code page 936 (Python's 'gbk' codec raises for every
// one, and so does the ICU table without fallbacks), so each must become '?' like any
// other character the code page lacks. U+00AD is left out: its best fit is '-'.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velnora::testing {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

inline constexpr CodePointRange kUnmappedIgnorables[] = {
    {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
    {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x206F},
    {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},
    {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};

// The code points of the table for which `holds(codePoint)` is false, so that a failure
// names the code points instead of repeating one message thousands of times.
template <typename Predicate>
std::vector<std::string> UnmappedIgnorablesWhereNot(Predicate holds) {
  std::vector<std::string> failing;
  for (const auto& range : kUnmappedIgnorables) {
    for (char32_t c = range.first; c <= range.last; ++c) {
      if (holds(c)) continue;
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
      failing.emplace_back(name);
    }
  }
  return failing;
}

// The UTF-16 units of `c`, written out here rather than by the code under test.
inline std::u16string Utf16Of(char32_t c) {
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  const char32_t offset = c - 0x10000;
  return {static_cast<char16_t>(0xD800 + (offset >> 10)),
          static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
}

inline std::string Utf8Of(char32_t c) {
  auto byte = [](char32_t value) { return static_cast<char>(value); };
  if (c < 0x80) return {byte(c)};
  if (c < 0x800) return {byte(0xC0 | (c >> 6)), byte(0x80 | (c & 0x3F))};
  if (c < 0x10000) {
    return {byte(0xE0 | (c >> 12)), byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F))};
  }
  return {byte(0xF0 | (c >> 18)), byte(0x80 | ((c >> 12) & 0x3F)), byte(0x80 | ((c >> 6) & 0x3F)),
          byte(0x80 | (c & 0x3F))};
}

}  // namespace velnora::testing
