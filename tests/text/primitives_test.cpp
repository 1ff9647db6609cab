#include "text/primitives.h"

#include <gtest/gtest.h>

#include <climits>

namespace velnora::text {
namespace {

TEST(TextCuts, Cases) {
  EXPECT_EQ(TextLeft("abc", 2), "ab");
  EXPECT_EQ(TextLeft("abc", 5), "abc");
  EXPECT_EQ(TextLeft("abc", 0), "");
  EXPECT_EQ(TextLeft("\xD6\xD0", 1), "\xD6");  // byte counts may halve a character
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 9), "abc");
  EXPECT_EQ(TextRight("abc", -1), "");
  EXPECT_EQ(TextMid("abc", 2, 10), "bc");
  EXPECT_EQ(TextMid("abc", 4, 1), "");
  EXPECT_EQ(TextMid("abc", 0, 2), "");
  EXPECT_EQ(TextMid("abc", 1, 0), "");
  EXPECT_EQ(TextLength("\xD6\xD0"), 2);
}

TEST(RemoveAllSpaces, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"half-width spaces go, tabs and line breaks stay", " a b\tc\r\n ", "ab\tc\r\n"},
      {"full-width space between Chinese characters", "\xD6\xD0\xA1\xA1\xCE\xC4",
       "\xD6\xD0\xCE\xC4"},
      {"A1 A1 straddling two characters stays", "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {"full-width space after a straddling pair", "\xB0\xA1\xA1\xB0\xA1\xA1", "\xB0\xA1\xA1\xB0"},
      {"a byte 0x20 goes even after a first byte", "\xD6 \xD0\xCE", "\xD6\xD0\xCE"},
      {"lone first byte at the end is left out", "a \xD6", "a"},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RemoveAllSpaces(c.text), c.expected);
  }
}

TEST(TrimBoth, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"both ends, inner spaces stay", "  a b  ", "a b"},
      {"half- and full-width spaces mixed", "\xA1\xA1 a \xA1\xA1 ", "a"},
      {"only spaces", " \xA1\xA1 ", ""},
      {"line breaks shield the spaces inside them", "\r\n  x  \r\n", "\r\n  x  \r\n"},
      {"a byte 0x20 after a first byte is no space", "x\xD6 ", "x\xD6 "},
      {"A1 A1 straddling two characters is no space", "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {"lone first byte at the end is left out", " a \xD6", "a"},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TrimBoth(c.text), c.expected);
  }
}

TEST(ToUpper, Cases) {
  EXPECT_EQ(ToUpper("abc-XYZ 1"), "ABC-XYZ 1");
  // A second byte in the letter range, and a full-width "a", keep their bytes.
  EXPECT_EQ(ToUpper("\xB0"
                    "a\xA3\xE1"
                    "b"),
            "\xB0"
            "a\xA3\xE1"
            "B");
  EXPECT_EQ(ToUpper("a\xD6"), "A\xD6");
}

TEST(CharCode, Cases) {
  EXPECT_EQ(CharCode("\xD6"), -42);
  EXPECT_EQ(CharCode("abc", 3), 99);
  EXPECT_EQ(CharCode("a", 2), 0);
  EXPECT_EQ(CharCode("abc", 0), 0);
  EXPECT_EQ(CharCode(""), 0);
}

TEST(CharFromCode, Cases) {
  EXPECT_EQ(CharFromCode(65), "A");
  EXPECT_EQ(CharFromCode(-42), "\xD6");
  EXPECT_EQ(CharFromCode(256 + 66), "B");
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(256), "");
}

TEST(BlankText, Cases) {
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankText(-2), "");
}

TEST(IntToText, Cases) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-5), "-5");
  EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
  EXPECT_EQ(IntToText(INT_MAX), "2147483647");
}

TEST(ToInt, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    int expected;
  };
  const Case cases[] = {
      {"white space, sign, digits, rest ignored", "  -12abc", -12},
      {"plus sign", "+7", 7},
      {"tabs and line breaks are white space", "\t\r\n 9", 9},
      {"full-width digits", "\xA3\xB1\xA3\xB2", 12},
      {"full-width space and minus", "\xA1\xA1\xA3\xAD\xA3\xB5", -5},
      {"no digits", "abc", 0},
      {"empty text", "", 0},
      {"space between sign and digits", "- 1", 0},
      {"other two-byte character ends the digits",
       "1\xD6\xD0"
       "2",
       1},
      {"INT_MAX", "2147483647", INT_MAX},
      {"one past INT_MAX saturates", "2147483648", INT_MAX},
      {"INT_MIN", "-2147483648", INT_MIN},
      {"far below INT_MIN saturates", "-99999999999999999999", INT_MIN},
      {"far above INT_MAX saturates", "000099999999999999999999", INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToInt(c.text), c.expected);
  }
}

TEST(TextToBytes, RoundTrip) {
  EXPECT_EQ(TextToBytes("a\xD6"), (Bytes{0x61, 0xD6}));
  EXPECT_EQ(TextToBytes(""), Bytes{});
  EXPECT_EQ(BytesToText({0x61, 0x00, 0x62}), "a");
  EXPECT_EQ(BytesToText({0x61, 0x62}), "ab");
}

TEST(BytesCuts, Cases) {
  const Bytes three{1, 2, 3};
  EXPECT_EQ(BytesLength(three), 3);
  EXPECT_EQ(BytesLeft(three, 2), (Bytes{1, 2}));
  EXPECT_EQ(BytesLeft(three, 5), three);
  EXPECT_EQ(BytesLeft(three, -1), Bytes{});
  EXPECT_EQ(BytesMid(three, 0, 2), (Bytes{1, 2}));
  EXPECT_EQ(BytesMid(three, INT_MIN, 1), (Bytes{1}));
  EXPECT_EQ(BytesMid(three, 2, 10), (Bytes{2, 3}));
  EXPECT_EQ(BytesMid(three, 5, 1), Bytes{});
  EXPECT_EQ(BytesMid(three, 1, -1), Bytes{});
  EXPECT_EQ(BlankBytes(2), (Bytes{0, 0}));
  EXPECT_EQ(BlankBytes(0), Bytes{});
}

TEST(BytesFromMemory, Cases) {
  const char buffer[] = {'a', '\0', 'b'};
  EXPECT_EQ(BytesFromMemory(buffer, 3), (Bytes{0x61, 0x00, 0x62}));
  EXPECT_EQ(BytesFromMemory(buffer, 0), Bytes{});
  EXPECT_EQ(BytesFromMemory(nullptr, 4), Bytes{});
}

TEST(ConcatText, JoinsInOrder) {
  EXPECT_EQ(ConcatText({"a", "", "\xD6\xD0", "b"}),
            "a\xD6\xD0"
            "b");
  EXPECT_EQ(ConcatText({}), "");
  EXPECT_EQ(ConcatBytes({{1}, {}, {2, 3}}), (Bytes{1, 2, 3}));
  EXPECT_EQ(ConcatBytes({}), Bytes{});
}

TEST(CompareText, Cases) {
  EXPECT_EQ(CompareText("Content-Type", "content-type", false), 0);
  EXPECT_NE(CompareText("Content-Type", "content-type", true), 0);
  EXPECT_LT(CompareText("a", "b", true), 0);
  EXPECT_GT(CompareText("ab", "a", true), 0);
  EXPECT_EQ(CompareText("", "", true), 0);
  EXPECT_TRUE(TextEquals("a", "a"));
  EXPECT_FALSE(TextEquals("a", "A"));
}

TEST(TextList, ItemOutsideTheListIsEmpty) {
  const TextList list({"a", "b"});
  EXPECT_EQ(list.Item(1), "a");
  EXPECT_EQ(list.Item(2), "b");
  EXPECT_EQ(list.Item(0), "");
  EXPECT_EQ(list.Item(3), "");
  EXPECT_EQ(TextList().Item(1), "");
}

}  // namespace
}  // namespace velnora::text
