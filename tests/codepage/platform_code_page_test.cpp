#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/codepage/code_page.h"
#include "tests/codepage/unmapped_ignorables.h"

namespace velnora::platform {
namespace {

using ::testing::IsEmpty;
using velnora::testing::UnmappedIgnorablesWhereNot;
using velnora::testing::Utf16Of;
using velnora::testing::Utf8Of;

struct ToWideCase {
  const char* name;
  int codePage;
  std::string source;
  int length;  // -1: up to and including the terminator
  std::u16string expected;
};

TEST(MultiByteToWideChar, ConvertsAndMeasuresTheSameUnits) {
  const ToWideCase cases[] = {
      {"936 character with terminator", 936, "\xD6\xD0", -1, {0x4E2D, 0}},
      {"936 exact length adds no terminator", 936, "\xD6\xD0", 2, {0x4E2D}},
      {"ANSI code page reads as 936", kAnsiCodePage, "\xD6\xD0", -1, {0x4E2D, 0}},
      {"936 byte 0x80 is the euro", 936, "\x80", -1, {0x20AC, 0}},
      {"936 byte 0xFF is private use", 936, "\xFF", -1, {0xF8F5, 0}},
      {"936 first double-byte code", 936, "\x81\x40", 2, {0x4E02}},
      {"936 bad trail is read again", 936, "\x81 ", 2, {0xFFFD, u' '}},
      {"936 lone lead byte at the end", 936, "a\x81", 2, {u'a', 0xFFFD}},
      {"936 trail 0x7F is not a trail", 936, "\xA1\x7F", 2, {0xFFFD, 0x7F}},
      {"exact length carries inner zero", 936, std::string("a\0b", 3), 3, {u'a', 0, u'b'}},
      {"-1 stops at the first zero", 936, std::string("a\0b", 3), -1, {u'a', 0}},
      {"UTF-8 character", 65001, "\xE4\xB8\xAD", -1, {0x4E2D, 0}},
      {"UTF-8 supplementary character", 65001, "\xF0\x9F\x98\x80", 4, {0xD83D, 0xDE00}},
      {"UTF-8 byte-order mark is kept", 65001, "\xEF\xBB\xBF", 3, {0xFEFF}},
      {"UTF-8 overlong lead",
       65001,
       "\xC0"
       "AB",
       3,
       {0xFFFD, u'A', u'B'}},
      {"UTF-8 truncated sequence",
       65001,
       "\xE2\x82"
       "A",
       3,
       {0xFFFD, u'A'}},
      {"UTF-8 encoded surrogate", 65001, "\xED\xA0\x80", 3, {0xFFFD, 0xFFFD, 0xFFFD}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    const auto needed = MultiByteToWideChar(row.codePage, {}, row.source.c_str(), row.length, {});
    EXPECT_EQ(needed.error, ConversionError::kNone);
    EXPECT_EQ(needed.count, static_cast<int>(row.expected.size()));
    std::u16string out(row.expected.size(), u'#');
    const auto written = MultiByteToWideChar(row.codePage, {}, row.source.c_str(), row.length, out);
    EXPECT_EQ(written.error, ConversionError::kNone);
    EXPECT_EQ(written.count, static_cast<int>(row.expected.size()));
    EXPECT_EQ(out, row.expected);
  }
}

TEST(MultiByteToWideChar, NeverWritesPastTheOutput) {
  std::array<char16_t, 6> buffer;
  buffer.fill(u'#');
  const auto result = MultiByteToWideChar(936, {},
                                          "ab\xD6\xD0"
                                          "cd",
                                          -1, std::span(buffer).first(3));
  EXPECT_EQ(result.count, 0);
  EXPECT_EQ(result.error, ConversionError::kInsufficientBuffer);
  EXPECT_EQ(std::u16string(buffer.begin(), buffer.end()), u"ab\u4E2D###");
}

TEST(MultiByteToWideChar, RejectsBadArguments) {
  std::array<char16_t, 4> buffer{};
  struct Row {
    const char* name;
    int codePage;
    const char* source;
    int length;
  } const rows[] = {
      {"zero length", 936, "a", 0},
      {"length below -1", 936, "a", -2},
      {"no source", 936, nullptr, -1},
      {"unknown code page", 1252, "a", -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = MultiByteToWideChar(row.codePage, {}, row.source, row.length, buffer);
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.error, ConversionError::kInvalidParameter);
  }
  EXPECT_EQ(buffer, (std::array<char16_t, 4>{}));
}

TEST(MultiByteToWideChar, FailOnInvalidRejectsWhatWouldBecomeReplacement) {
  std::array<char16_t, 8> buffer{};
  EXPECT_EQ(MultiByteToWideChar(65001, {.failOnInvalid = true},
                                "\xC0"
                                "A",
                                -1, buffer)
                .error,
            ConversionError::kNoUnicodeTranslation);
  EXPECT_EQ(MultiByteToWideChar(936, {.failOnInvalid = true}, "\x81 ", -1, buffer).error,
            ConversionError::kNoUnicodeTranslation);
  EXPECT_EQ(MultiByteToWideChar(936, {.failOnInvalid = true}, "\xD6\xD0", -1, buffer).count, 2);
}

struct ToMultiByteCase {
  const char* name;
  int codePage;
  ToMultiByteOptions options;
  std::u16string source;
  int length;
  std::string expected;
};

TEST(WideCharToMultiByte, ConvertsAndMeasuresTheSameBytes) {
  const ToMultiByteCase cases[] = {
      {"936 character with terminator", 936, {}, u"\u4E2D", -1, std::string("\xD6\xD0\0", 3)},
      {"936 exact length adds no terminator", 936, {}, u"\u4E2D", 1, "\xD6\xD0"},
      {"ANSI code page writes 936", kAnsiCodePage, {}, u"\u4E2D", 1, "\xD6\xD0"},
      {"euro becomes 0x80", 936, {}, u"\u20AC", 1, "\x80"},
      {"private use U+F8F5 becomes 0xFF", 936, {}, u"\uF8F5", 1, "\xFF"},
      {"CJK compatibility ideograph keeps its code", 936, {}, u"\uF92C", 1, "\xFD\x9C"},
      {"unmappable becomes '?'", 936, {}, u"\u0E01", 1, "?"},
      {"supplementary character is one '?'", 936, {}, u"\U0001F600", 2, "?"},
      {"lone surrogate is '?'",
       936,
       {},
       u"\xD800"
       "a",
       2,
       "?a"},
      {"own default character", 936, {.defaultChar = '*'}, u"\u0E01", 1, "*"},
      {"zero-width space is '?'", 936, {}, u"\u200B", 1, "?"},
      {"byte-order mark is '?'", 936, {}, u"\uFEFF", 1, "?"},
      {"variation selector after an unmappable character", 936, {}, u"\u2764\uFE0F", 2, "??"},
      {"zero-width joiner between characters",
       936,
       {},
       u"\u4E2D\u200D\u6587",
       3,
       "\xD6\xD0?\xCE\xC4"},
      {"tag character is one '?'", 936, {}, u"\U000E0041", 2, "?"},
      {"soft hyphen without best fit", 936, {.noBestFit = true}, u"\u00AD", 1, "?"},
      {"best fit is the default", 936, {}, u"\u00B2", 1, "2"},
      {"no best fit takes the default", 936, {.noBestFit = true}, u"\u00B2", 1, "?"},
      {"mark without composition stays separate", 936, {}, u"e\u0301", 2, "e?"},
      {"composition finds the precomposed letter",
       936,
       {.compositeCheck = true},
       u"e\u0301",
       2,
       "\xA8\xA6"},
      {"leftover mark converted separately",
       936,
       {.compositeCheck = true},
       u"e\u0301\u0301",
       3,
       "\xA8\xA6?"},
      {"leftover mark discarded",
       936,
       {.compositeCheck = true, .leftoverMarks = LeftoverMarks::kDiscard},
       u"e\u0301\u0301",
       3,
       "\xA8\xA6"},
      {"leftover mark as default character",
       936,
       {.compositeCheck = true, .leftoverMarks = LeftoverMarks::kDefaultChar, .defaultChar = '*'},
       u"e\u0301\u0301",
       3,
       "\xA8\xA6*"},
      {"composition leaves compatibility ideographs",
       936,
       {.compositeCheck = true},
       u"\uF92C",
       1,
       "\xFD\x9C"},
      {"UTF-8 character with terminator",
       65001,
       {},
       u"\u4E2D",
       -1,
       std::string("\xE4\xB8\xAD\0", 4)},
      {"UTF-8 lone surrogate is U+FFFD", 65001, {}, u"\xDC00", 1, "\xEF\xBF\xBD"},
      {"UTF-8 supplementary character", 65001, {}, u"\U0001F600", 2, "\xF0\x9F\x98\x80"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    const auto needed =
        WideCharToMultiByte(row.codePage, row.options, row.source.c_str(), row.length, {});
    EXPECT_EQ(needed.error, ConversionError::kNone);
    EXPECT_EQ(needed.count, static_cast<int>(row.expected.size()));
    std::string out(row.expected.size(), '#');
    const auto written =
        WideCharToMultiByte(row.codePage, row.options, row.source.c_str(), row.length, out);
    EXPECT_EQ(written.error, ConversionError::kNone);
    EXPECT_EQ(out, row.expected);
  }
}

TEST(WideCharToMultiByte, ReportsUseOfTheDefaultCharacter) {
  bool used = false;
  std::array<char, 8> buffer{};
  EXPECT_EQ(WideCharToMultiByte(936, {.usedDefaultChar = &used}, u"a\u4E2D", -1, buffer).count, 4);
  EXPECT_FALSE(used);
  EXPECT_EQ(WideCharToMultiByte(936, {.usedDefaultChar = &used}, u"a\u0E01", -1, buffer).count, 3);
  EXPECT_TRUE(used);
}

// The library's own substitution drops these silently; the code page has no mapping for
// any of them, so each takes the default character and is reported like any other.
TEST(WideCharToMultiByte, ReplacesUnmappedIgnorablesLikeAnyUnmappedCharacter) {
  struct Row {
    const char* name;
    ToMultiByteOptions options;
    std::string expected;
  } const rows[] = {
      {"default character", {}, "a?b"},
      {"no best fit", {.noBestFit = true}, "a?b"},
      {"own default character", {.defaultChar = '*'}, "a*b"},
      {"with composition", {.compositeCheck = true}, "a?b"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THAT(UnmappedIgnorablesWhereNot([&row](char32_t c) {
                  const std::u16string source = u"a" + Utf16Of(c) + u"b";
                  const int length = static_cast<int>(source.size());
                  bool used = false;
                  ToMultiByteOptions options = row.options;
                  options.usedDefaultChar = &used;
                  const auto needed = WideCharToMultiByte(936, options, source.c_str(), length, {});
                  std::string out(row.expected.size(), '#');
                  const auto written =
                      WideCharToMultiByte(936, options, source.c_str(), length, out);
                  return needed.count == 3 && written.count == 3 && out == row.expected && used;
                }),
                IsEmpty());
  }
}

TEST(WideCharToMultiByte, NeverWritesPastTheOutput) {
  std::array<char, 6> buffer;
  buffer.fill('#');
  const auto result = WideCharToMultiByte(936, {}, u"abcdef", -1, std::span(buffer).first(3));
  EXPECT_EQ(result.count, 0);
  EXPECT_EQ(result.error, ConversionError::kInsufficientBuffer);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "abc###");
}

TEST(WideCharToMultiByte, RejectsWhatTheCodePageDoesNotAllow) {
  std::array<char, 8> buffer{};
  bool used = false;
  struct Row {
    const char* name;
    int codePage;
    ToMultiByteOptions options;
    int length;
    ConversionError error;
  } const rows[] = {
      {"composition with UTF-8",
       65001,
       {.compositeCheck = true},
       -1,
       ConversionError::kInvalidFlags},
      {"strict surrogates with 936",
       936,
       {.failOnInvalid = true},
       -1,
       ConversionError::kInvalidFlags},
      {"default character with UTF-8",
       65001,
       {.defaultChar = '?'},
       -1,
       ConversionError::kInvalidParameter},
      {"used-default flag with UTF-8",
       65001,
       {.usedDefaultChar = &used},
       -1,
       ConversionError::kInvalidParameter},
      {"zero length", 936, {}, 0, ConversionError::kInvalidParameter},
      {"unknown code page", 1252, {}, -1, ConversionError::kInvalidParameter},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(WideCharToMultiByte(row.codePage, row.options, u"a", row.length, buffer).error,
              row.error);
  }
  EXPECT_EQ(WideCharToMultiByte(65001, {.failOnInvalid = true}, u"\xD800", 1, buffer).error,
            ConversionError::kNoUnicodeTranslation);
}

// The two separate calls with the exact length and default options, for comparison.
std::string TwoSteps(int from, int to, std::string_view source) {
  if (source.empty()) return {};
  const int length = static_cast<int>(source.size());
  std::u16string units(
      static_cast<std::size_t>(MultiByteToWideChar(from, {}, source.data(), length, {}).count),
      u'\0');
  (void)MultiByteToWideChar(from, {}, source.data(), length, units);
  const int unitCount = static_cast<int>(units.size());
  std::string bytes(
      static_cast<std::size_t>(WideCharToMultiByte(to, {}, units.data(), unitCount, {}).count),
      '\0');
  (void)WideCharToMultiByte(to, {}, units.data(), unitCount, bytes);
  return bytes;
}

TEST(ConvertCodePage, GivesWhatTheTwoCallsGive) {
  struct Row {
    const char* name;
    int from;
    int to;
    std::string source;
  } const rows[] = {
      {"ASCII", kUtf8CodePage, kGbkCodePage, "<p>abc</p>"},
      {"Chinese", kUtf8CodePage, kGbkCodePage, "\xE4\xB8\xAD\xE6\x96\x87"},
      {"best fit and no mapping", kUtf8CodePage, kGbkCodePage,
       "\xC2\xB7\xE0\xB8\x81\xF0\x9F\x98\x80"},
      {"byte-order mark and variation selector", kUtf8CodePage, kGbkCodePage,
       "\xEF\xBB\xBF"
       "A\xE2\x9D\xA4\xEF\xB8\x8F"},
      {"invalid and truncated UTF-8", kUtf8CodePage, kGbkCodePage,
       "a\xE4\xB8"
       "b\xFF\xC0\x80\xED\xA0\x80\xE4"},
      {"936 to UTF-8", kGbkCodePage, kUtf8CodePage,
       "\xD6\xD0\x80\xFF"
       "a\x81"},
      {"ANSI stands for 936", kAnsiCodePage, kUtf8CodePage, "\xD6\xD0"},
      {"empty", kUtf8CodePage, kGbkCodePage, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ConvertCodePage(row.from, row.to, row.source),
              TwoSteps(row.from, row.to, row.source));
  }
  // Longer than the internal buffers, with a character across every buffer boundary.
  std::string page;
  for (int i = 0; i < 20000; ++i) page += i % 7 == 0 ? "x" : "\xE4\xB8\xAD";
  EXPECT_EQ(ConvertCodePage(kUtf8CodePage, kGbkCodePage, page),
            TwoSteps(kUtf8CodePage, kGbkCodePage, page));
  EXPECT_EQ(ConvertCodePage(kUtf8CodePage, 1252, "a"), "");
}

TEST(ConvertCodePage, ReplacesUnmappedIgnorablesLikeAnyUnmappedCharacter) {
  EXPECT_EQ(ConvertCodePage(kUtf8CodePage, kGbkCodePage,
                            "\xEF\xBB\xBF"
                            "A"),
            "?A");
  EXPECT_EQ(ConvertCodePage(kUtf8CodePage, kGbkCodePage, "\xE2\x9D\xA4\xEF\xB8\x8F"), "??");
  EXPECT_THAT(UnmappedIgnorablesWhereNot([](char32_t c) {
                return ConvertCodePage(kUtf8CodePage, kGbkCodePage, "a" + Utf8Of(c) + "b") == "a?b";
              }),
              IsEmpty());
}

TEST(UnitSourceOffsets, GivesTheByteWhereEachUnitBegins) {
  struct Row {
    const char* name;
    std::string source;
    std::vector<int> expected;
  } const rows[] = {
      {"empty", "", {0}},
      {"single and double bytes",
       "a\xD6\xD0"
       "b",
       {0, 1, 3, 4}},
      {"bad trail read again", "\x81 x", {0, 1, 2, 3}},
      {"lone lead byte at the end", "a\x81", {0, 1, 2}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UnitSourceOffsets(936, row.source), row.expected);
  }
}

}  // namespace
}  // namespace velnora::platform
