#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/primitives.h"

namespace velnora::text {
namespace {

// "中文" in code page 936: the pair D0 CE occurs only across the two characters.
constexpr std::string_view kZhongWen = "\xD6\xD0\xCE\xC4";

TEST(FindText, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view find;
    FindOptions options;
    int expected;
  };
  const Case cases[] = {
      {"first occurrence", "abcabc", "bc", {}, 2},
      {"start skips an earlier one", "abcabc", "bc", {.start = 3}, 5},
      {"start beyond the last byte", "abc", "c", {.start = 4}, -1},
      {"start zero reads from byte one", "abc", "a", {.start = 0}, 1},
      {"negative start reads from byte one", "abc", "a", {.start = -5}, 1},
      {"empty find whatever the start", "abc", "", {.start = 2}, 1},
      {"empty find in empty text", "", "", {}, -1},
      {"find longer than the text", "ab", "abc", {}, -1},
      {"match straddling two characters", kZhongWen, "\xD0\xCE", {}, -1},
      {"whole two-byte character", kZhongWen, "\xCE\xC4", {}, 3},
      {"first byte hides an ASCII byte",
       "\xD6"
       "a",
       "a",
       {},
       -1},
      {"found after a hidden one",
       "\xD6"
       "aa",
       "a",
       {},
       3},
      {"scan begins on a second byte",
       "\xD6\xD0"
       "a",
       "\xD0"
       "a",
       {.start = 2},
       2},
      {"long run of first bytes, odd",
       std::string_view("\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0"
                        "\xB0\xB0\xB0\xB0\xB0\xB0\xB0"
                        "a"),
       "a",
       {},
       -1},
      {"long run of first bytes, even",
       std::string_view("\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0"
                        "\xB0\xB0\xB0\xB0\xB0\xB0"
                        "a"),
       "a",
       {},
       17},
      {"lone first byte at the end is still compared", "ab\xD6", "\xD6", {}, 3},
      {"case matters by default", "User-Agent: x", "user-agent: ", {}, -1},
      {"ignoreCase folds ASCII letters", "User-Agent: x", "user-agent: ", {.ignoreCase = true}, 1},
      {"ignoreCase needle of letters only", "xxABC", "abc", {.ignoreCase = true}, 3},
      {"ignoreCase folds second bytes too", "\xD6\x41", "\xD6\x61", {.ignoreCase = true}, 1},
      {"ignoreCase skips a hidden candidate", "\xD6-AB-ab", "-ab", {.ignoreCase = true}, 5},
      {"ignoreCase honours start", "abAB", "ab", {.start = 2, .ignoreCase = true}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindText(c.text, c.find, c.options), c.expected);
  }
}

TEST(FindTextReverse, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view find;
    FindReverseOptions options;
    int expected;
  };
  const Case cases[] = {
      {"last occurrence", "a:b:", ":", {}, 4},
      {"start excludes the byte it names", "a:b:", ":", {.start = 4}, 2},
      {"start one", "a:b:", ":", {.start = 1}, -1},
      {"start beyond the end reads the whole text", "a:b:", ":", {.start = 100}, 4},
      {"occurrence ending just before start", "abab", "ab", {.start = 5}, 3},
      {"occurrence ending on start", "abab", "ab", {.start = 4}, 1},
      {"overlapping occurrences", "aaa", "aa", {}, 2},
      {"empty find", "abc", "", {}, 1},
      {"empty find, empty window", "abc", "", {.start = 1}, -1},
      {"match straddling two characters", kZhongWen, "\xD0\xCE", {}, -1},
      {"first byte hides an ASCII byte", "x\xD6:", ":", {}, -1},
      {"ignoreCase", "A:B", "b", {.ignoreCase = true}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindTextReverse(c.text, c.find, c.options), c.expected);
  }
}

TEST(ReplaceText, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view find;
    std::string_view replacement;
    ReplaceOptions options;
    std::string_view expected;
  };
  const Case cases[] = {
      {"left to right without overlap", "aaa", "aa", "b", {}, "ba"},
      {"count zero replaces none", "aaa", "aa", "b", {.count = 0}, "aaa"},
      {"count one", "a,a,a", ",", ";", {.count = 1}, "a;a,a"},
      {"negative count replaces all", "a,a,a", ",", ";", {.count = -3}, "a;a;a"},
      {"empty find", "abc", "", "x", {}, "abc"},
      {"empty text", "", "a", "x", {}, ""},
      {"empty replacement deletes", "a,b,c", ",", "", {}, "abc"},
      {"bytes before start stay", "aaaa", "a", "b", {.start = 3}, "aabb"},
      {"start beyond the length", "aaaa", "a", "b", {.start = 5}, "aaaa"},
      {"start zero means one", "aa", "a", "b", {.start = 0}, "bb"},
      {"inserted text is not searched", "ab", "a", "aa", {}, "aab"},
      {"caseSensitive false folds letters",
       "a&NBSP;b",
       "&nbsp;",
       "",
       {.caseSensitive = false},
       "ab"},
      {"case matters by default", "a&NBSP;b", "&nbsp;", "", {}, "a&NBSP;b"},
      {"match straddling two characters", kZhongWen, "\xD0\xCE", "x", {}, kZhongWen},
      {"first bytes hide the delimiters", "\xD6,\xD0,", ",", ";", {}, "\xD6,\xD0,"},
      {"lone first byte reached by the scan is dropped", "a\xD6", "b", "c", {}, "a"},
      {"lone first byte after the count is reached stays",
       "ba\xD6",
       "b",
       "c",
       {.count = 1},
       "ca\xD6"},
      {"lone first byte the scan does not reach stays", "a\xD6", "bc", "x", {}, "a\xD6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement, c.options), c.expected);
  }
}

TEST(SplitText, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view delimiter;
    std::optional<int> maxCount;
    std::vector<Text> expected;
  };
  const Case cases[] = {
      {"adjacent delimiters and no empty last item", "a,,b,", ",", {}, {"a", "", "b"}},
      {"line break after the last delimiter", "x</dd>y</dd>\r\n", "</dd>", {}, {"x", "y", "\r\n"}},
      {"text ending with the delimiter", "x</dd>y</dd>", "</dd>", {}, {"x", "y"}},
      {"text beginning with the delimiter", ",a", ",", {}, {"", "a"}},
      {"empty text", "", ",", {}, {}},
      {"empty delimiter", "abc", "", {}, {"abc"}},
      {"maxCount zero", "a,b", ",", 0, {}},
      {"maxCount drops the rest", "a,b,c", ",", 2, {"a", "b"}},
      {"maxCount counts the last piece", "a,b", ",", 2, {"a", "b"}},
      {"first bytes hide the delimiters", "\xD6,\xD0,", ",", {}, {"\xD6,\xD0,"}},
      {"match straddling two characters", kZhongWen, "\xD0\xCE", {}, {Text(kZhongWen)}},
      {"lone first byte stays in the last item", "a,\xD6", ",", {}, {"a", "\xD6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitText(c.text, c.delimiter, c.maxCount), TextList(c.expected));
  }
}

TEST(SplitText, DefaultDelimiterIsComma) {
  EXPECT_EQ(SplitText("a,b"), TextList({"a", "b"}));
}

}  // namespace
}  // namespace velnora::text
