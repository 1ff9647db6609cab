// Chinese texts in the source, readable as written and code page 936 in the program.
//
// Sources are UTF-8, while every text the program shows, sends, stores or compares is
// code page 936. The `_gbk` literal converts at compile time:
//
//   using namespace velnora::text::literals;
//   constexpr std::string_view kTitle = "获取章节"_gbk;  // BB F1 C8 A1 D5 C2 BD DA
//
// The result views static storage for the whole run, so it may live in constants, and
// is followed by a zero byte, so data() is a C string. A character without a 936 code
// (an emoji, a character outside the BMP, a private-use point) or malformed UTF-8 stops
// the build instead of reaching the program as something else. A test of the tree
// rejects any other way of putting non-ASCII bytes into program strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velnora::text {
namespace gbk_literal_detail {

// (code point << 16 | 936 code), sorted by code point.
inline constexpr std::uint32_t kCodes[] = {
#include "text/cp936_table.inc"
};

// Not constexpr on purpose: reaching one of these in a constant evaluation is what
// turns a bad literal into a compile error that names the problem.
//
// The helpers below are constexpr rather than consteval: they only ever run inside the
// constant initialisation of kEncoded, and clang 14 (the fuzz build's compiler) rejects
// consteval calls made with a consteval function template's parameters.
void LiteralIsNotUtf8();
void CharacterHasNoCodePage936Code();

constexpr std::uint16_t CodeOf(char32_t point) {
  std::size_t low = 0;
  std::size_t high = std::size(kCodes);
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const char32_t found = kCodes[middle] >> 16;
    if (found == point) return static_cast<std::uint16_t>(kCodes[middle] & 0xFFFF);
    if (found < point) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  CharacterHasNoCodePage936Code();
  return 0;
}

template <std::size_t N>
struct Utf8Source {
  char bytes[N]{};
  consteval Utf8Source(const char (&source)[N]) {  // NOLINT: implicit by design
    for (std::size_t i = 0; i < N; ++i) bytes[i] = source[i];
  }
};

// A 936 text never needs more bytes than its UTF-8 source: ASCII stays one byte, and
// every other character takes two bytes where UTF-8 took two or three.
template <std::size_t N>
struct Encoded {
  char bytes[N]{};
  std::size_t size = 0;
};

constexpr unsigned ByteAt(const char* bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]);
}

template <std::size_t N>
constexpr Encoded<N> Encode(const Utf8Source<N>& source) {
  Encoded<N> out;
  const std::size_t length = N - 1;  // the literal's closing zero byte is not text
  std::size_t i = 0;
  while (i < length) {
    const unsigned lead = ByteAt(source.bytes, i);
    if (lead < 0x80) {
      out.bytes[out.size++] = source.bytes[i++];
      continue;
    }
    char32_t point = 0;
    std::size_t extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      point = lead & 0x1F;
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      point = lead & 0x0F;
      extra = 2;
    } else {
      // Four-byte sequences lie outside the BMP, where 936 has no codes; the rest is
      // not UTF-8.
      if (lead >= 0xF0 && lead <= 0xF4) CharacterHasNoCodePage936Code();
      LiteralIsNotUtf8();
    }
    if (i + extra >= N) LiteralIsNotUtf8();
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned next = ByteAt(source.bytes, i + k);
      if ((next & 0xC0) != 0x80) LiteralIsNotUtf8();
      point = point << 6 | (next & 0x3F);
    }
    if ((extra == 2 && point < 0x800) || (point >= 0xD800 && point <= 0xDFFF)) {
      LiteralIsNotUtf8();
    }
    const std::uint16_t code = CodeOf(point);
    if (code > 0xFF) out.bytes[out.size++] = static_cast<char>(code >> 8);
    out.bytes[out.size++] = static_cast<char>(code & 0xFF);
    i += extra + 1;
  }
  return out;
}

template <Utf8Source Source>
inline constexpr Encoded kEncoded = Encode(Source);

}  // namespace gbk_literal_detail

inline namespace literals {

template <gbk_literal_detail::Utf8Source Source>
consteval std::string_view operator""_gbk() {
  const auto& encoded = gbk_literal_detail::kEncoded<Source>;
  return {encoded.bytes, encoded.size};
}

}  // namespace literals
}  // namespace velnora::text
