#include "text/code_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage/code_page.h"
#include "tests/codepage/unmapped_ignorables.h"

namespace velnora::text {
namespace {

using ::testing::IsEmpty;
using velnora::testing::UnmappedIgnorablesWhereNot;
using velnora::testing::Utf16Of;
using velnora::testing::Utf8Of;

Bytes B(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

TEST(AnsiToUnicode, GivesUnitsAndOneTerminator) {
  struct Row {
    const char* name;
    Text text;
    bool dropTerminator;
    Bytes expected;
  } const rows[] = {
      {"ASCII", "ab", false, B({0x61, 0, 0x62, 0, 0, 0})},
      {"ASCII without terminator", "ab", true, B({0x61, 0, 0x62, 0})},
      {"empty text", "", false, {}},
      {"empty text without terminator", "", true, {}},
      {"one Chinese character", "\xD6\xD0", false, B({0x2D, 0x4E, 0, 0})},
      {"euro byte", "\x80", false, B({0xAC, 0x20, 0, 0})},
      {"invalid trail", "\x81 ", false, B({0xFD, 0xFF, 0x20, 0, 0, 0})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AnsiToUnicode(row.text, {.dropTerminator = row.dropTerminator}), row.expected);
  }
}

TEST(UnicodeToAnsi, ReadsUpToTheFirstZeroUnit) {
  struct Row {
    const char* name;
    Bytes data;
    Text expected;
  } const rows[] = {
      {"with terminator", B({0x2D, 0x4E, 0, 0}), "\xD6\xD0"},
      {"without terminator", B({0x2D, 0x4E}), "\xD6\xD0"},
      {"stops at the zero unit", B({0x61, 0, 0, 0, 0x62, 0}), "a"},
      {"final odd byte ignored", B({0x61, 0, 0x62}), "a"},
      {"zero unit first", B({0, 0, 0x61, 0}), ""},
      {"empty data", {}, ""},
      {"decomposed letter is composed", B({0x65, 0, 0x01, 0x03}), "\xA8\xA6"},
      {"lone surrogate", B({0x00, 0xD8, 0x61, 0}), "?a"},
      {"lone low surrogate", B({0x61, 0, 0x00, 0xDC}), "a?"},
      {"unmappable character", B({0x01, 0x0E}), "?"},
      {"supplementary character", B({0x3D, 0xD8, 0x00, 0xDE}), "?"},
      {"zero-width space", B({0x0B, 0x20}), "?"},
      {"byte-order mark", B({0xFF, 0xFE}), "?"},
      {"zero-width joiner after a mark", B({0x65, 0, 0x01, 0x03, 0x0D, 0x20, 0x61, 0}),
       "\xA8\xA6?a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UnicodeToAnsi(row.data), row.expected);
  }
}

TEST(UnicodeToAnsi, ReplacesUnmappedIgnorablesLikeAnyUnmappedCharacter) {
  EXPECT_THAT(UnmappedIgnorablesWhereNot(
                  [](char32_t c) { return UnitsToAnsi(u"a" + Utf16Of(c) + u"b") == "a?b"; }),
              IsEmpty());
}

TEST(MultiByteToUnicode, PadsToTheRoomOfThe936Reading) {
  struct Row {
    const char* name;
    Text text;
    std::optional<int> codePage;
    Bytes expected;
  } const rows[] = {
      {"ASCII", "ab", {}, B({0x61, 0, 0x62, 0, 0, 0})},
      // Read as 936 the three bytes are a character, a lone lead byte and the terminator.
      {"UTF-8 character padded", "\xE4\xB8\xAD", {}, B({0x2D, 0x4E, 0, 0, 0, 0})},
      {"empty text is a terminator", "", {}, B({0, 0})},
      {"code page 936", "\xD6\xD0", 936, B({0x2D, 0x4E, 0, 0})},
      {"code page 0 is the ANSI code page", "\xD6\xD0", 0, B({0x2D, 0x4E, 0, 0})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(MultiByteToUnicode(row.text, row.codePage), row.expected);
  }
}

// Two bytes 0xC0 0xC0 are one character in 936 but two invalid sequences in UTF-8: a
// buffer measured with 936 would hold only the first replacement.
TEST(MultiByteToUnicode, KeepsEveryUnitWhenThe936ReadingIsShorter) {
  const Text text = "\xC0\xC0";
  ASSERT_EQ(platform::MultiByteToWideChar(platform::kAnsiCodePage, {}, text.c_str(), -1, {}).count,
            2);
  EXPECT_EQ(MultiByteToUnicode(text), B({0xFD, 0xFF, 0xFD, 0xFF, 0, 0}));
}

TEST(UnicodeToMultiByte, ConvertsUpToTheFirstZeroUnit) {
  struct Row {
    const char* name;
    Bytes data;
    std::optional<int> codePage;
    Text expected;
  } const rows[] = {
      {"empty data", {}, {}, ""},
      {"ANSI code page by default", B({0x2D, 0x4E, 0, 0}), {}, "\xD6\xD0"},
      {"without terminator", B({0x2D, 0x4E}), 936, "\xD6\xD0"},
      {"stops at the zero unit", B({0x61, 0, 0, 0, 0x62, 0}), 936, "a"},
      {"UTF-8", B({0x2D, 0x4E, 0, 0}), 65001, "\xE4\xB8\xAD"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UnicodeToMultiByte(row.data, row.codePage), row.expected);
  }
}

// Room measured with the ANSI code page is twice its bytes: one '?' and a terminator for
// an emoji, four bytes, while UTF-8 needs five; three lone surrogates need ten for eight.
TEST(UnicodeToMultiByte, KeepsEveryByteWhenTheAnsiRoomIsShort) {
  struct Row {
    const char* name;
    Bytes data;
    Text expected;
  } const rows[] = {
      {"supplementary character", B({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
      {"lone surrogates", B({0x00, 0xD8, 0x00, 0xD8, 0x00, 0xD8}),
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string units(row.data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(row.data[2 * i] | (row.data[2 * i + 1] << 8));
    }
    const int ansiRoom =
        2 * platform::WideCharToMultiByte(platform::kAnsiCodePage, {}, units.c_str(), -1, {}).count;
    ASSERT_LT(ansiRoom, static_cast<int>(row.expected.size()) + 1);
    EXPECT_EQ(UnicodeToMultiByte(row.data, 65001), row.expected);
  }
}

TEST(AnsiToUnits, AgreesWithTheDataConversionsBothWays) {
  for (const Text& text : {Text(), Text("ab"), Text("\xD6\xD0x"), Text("\x81 ")}) {
    SCOPED_TRACE(text);
    const std::u16string units = AnsiToUnits(text);
    const Bytes data = AnsiToUnicode(text, {.dropTerminator = true});
    ASSERT_EQ(units.size() * 2, data.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      EXPECT_EQ(units[i], data[2 * i] | (data[2 * i + 1] << 8));
    }
    EXPECT_EQ(UnitsToAnsi(units), UnicodeToAnsi(data));
  }
}

TEST(Utf8ToGbk, TurnsUtf8IntoCodePage936) {
  struct Row {
    const char* name;
    Text text;
    Text expected;
  } const rows[] = {
      {"one character", "\xE4\xB8\xAD", "\xD6\xD0"},
      {"ASCII stays", "<p>abc</p>", "<p>abc</p>"},
      {"empty text", "", ""},
      {"character 936 lacks", "\xF0\x9F\x98\x80", "?"},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "A",
       "?A"},
      {"heart with its variation selector", "\xE2\x9D\xA4\xEF\xB8\x8F", "??"},
      {"zero-width joiner between characters", "\xE4\xB8\xAD\xE2\x80\x8D\xE6\x96\x87",
       "\xD6\xD0?\xCE\xC4"},
      // Also the case where a 936-measured buffer would be too small.
      {"invalid UTF-8 is kept whole", "\xC0\xC0", "??"},
      {"truncated sequence", "\xE4\xB8", "?"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Utf8ToGbk(row.text), row.expected);
  }
}

TEST(Utf8ToGbk, ReplacesUnmappedIgnorablesLikeAnyUnmappedCharacter) {
  EXPECT_THAT(UnmappedIgnorablesWhereNot(
                  [](char32_t c) { return Utf8ToGbk("a" + Utf8Of(c) + "b") == "a?b"; }),
              IsEmpty());
}

TEST(Utf8ToGbk, RoundTripsEvery936CharacterThroughUtf8) {
  // Every two-byte code of the table: its UTF-16 form back to UTF-8, then Utf8ToGbk.
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const Text gbk{static_cast<char>(lead), static_cast<char>(trail)};
      const Bytes units = AnsiToUnicode(gbk, {.dropTerminator = true});
      if (units == B({0xFD, 0xFF})) continue;  // an unassigned code
      const Text utf8 = UnicodeToMultiByte(units, 65001);
      if (Utf8ToGbk(utf8) != gbk) {
        ADD_FAILURE() << std::hex << lead << ' ' << trail;
        return;
      }
    }
  }
}

}  // namespace
}  // namespace velnora::text
