#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/automation/com.h"

namespace velnora::regex {
namespace {

using text::Text;

constexpr std::string_view kSniff = "<meta.+?charset=[^\\w]?([-\\w]+)";
// "中" in code page 936.
const Text kZhong = "\xD6\xD0";

TEST(RegexObjectSearch, ReadsTheDeclaredCharsetOfAPageHead) {
  struct Row {
    const char* name;
    Text head;
    Text charset;
  } const rows[] = {
      {"utf-8 in quotes", "<head><meta charset=\"utf-8\">", "utf-8"},
      {"utf-8 without quotes", "<meta charset=utf-8>", "utf-8"},
      {"content type", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />",
       "gbk"},
      {"single quotes", "<meta charset='gb2312'>", "gb2312"},
      {"tag in capitals", "<META CHARSET=GBK>", "GBK"},
      {"first charset after the first meta of the line",
       "<meta name=a><meta charset=big5><meta charset=utf-8>", "big5"},
      {"line break between meta and charset", "<meta\ncharset=utf-8>", ""},
      {"no meta", "<p>charset=utf-8</p>", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    EXPECT_TRUE(regex.Search(kSniff, row.head));
    EXPECT_EQ(regex.SubMatch(1, 1), row.charset);
  }
}

TEST(RegexObjectSearch, AppliesTheOptionsAndTheirDefaults) {
  struct Row {
    const char* name;
    std::string_view pattern;
    Text subject;
    SearchOptions options;
    int count;
  } const rows[] = {
      {"letters in either case by default", "abc", "ABC", {}, 1},
      {"case sensitive", "abc", "ABC", {.caseSensitive = true}, 0},
      {"^ at every line by default", "^x", "x\nx\r\nx", {}, 3},
      {"^ at the start only", "^x", "x\nx\r\nx", {.multiline = false}, 1},
      {"every match by default", "a", "aaa", {}, 3},
      {"first match only", "a", "aaa", {.global = false}, 1},
      {"dot stops at a line feed", "a.b", "a\nb", {}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    EXPECT_TRUE(regex.Search(row.pattern, row.subject, row.options));
    EXPECT_EQ(regex.MatchCount(), row.count);
  }
}

TEST(RegexObjectSearch, TurnsThePlaceholderIntoAQuoteOnlyWhenAsked) {
  const Text pattern = "id=#\xD2\xFD\xBA\xC5(\\w+)";
  RegexObject regex;
  EXPECT_TRUE(regex.Search(pattern, "<a id=\"x1\">", {.quotePlaceholder = true}));
  EXPECT_EQ(regex.CurrentPattern(), "id=\"(\\w+)");
  EXPECT_EQ(regex.SubMatch(1, 1), "x1");
  EXPECT_TRUE(regex.Search(pattern, "<a id=\"x1\">"));
  EXPECT_EQ(regex.CurrentPattern(), pattern);
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectSearch, GivesTheFailureResultsForABadPattern) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)", "a"));
  EXPECT_FALSE(regex.Search("(", "x"));
  EXPECT_EQ(regex.CurrentPattern(), "(");
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatch(1, 1), "");
  EXPECT_EQ(regex.ReplaceMatches("y"), "");
}

TEST(RegexObjectSearch, TrueWithNoMatches) {
  RegexObject regex;
  EXPECT_TRUE(regex.Search("a", "bbb"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatch(1, 1), "");
}

TEST(RegexObject, AnswersEmptyBeforeAnySearch) {
  const RegexObject regex;
  int offset = 7;
  EXPECT_EQ(regex.CurrentPattern(), "");
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1, &offset), "");
  EXPECT_EQ(offset, -2);
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
}

// The offsets are where the match lies in the 936 subject, counted in bytes from 0: not
// the component's UTF-16 index, and not the first occurrence of the text at that index.
TEST(RegexObjectOffsets, AreTheTrueByteOffsetsOfTheMatch) {
  struct Row {
    const char* name;
    std::string_view pattern;
    Text subject;
    int n, k;  // k 0: the whole match
    Text text;
    int offset;
  } const rows[] = {
      {"second of two equal matches", "a", "aa", 2, 0, "a", 1},
      {"after two-byte characters", "a", kZhong + "a" + kZhong + "a", 2, 0, "a", 5},
      {"two-byte match", kZhong, "a" + kZhong, 1, 0, kZhong, 1},
      {"group after equal text in the match", "c(c)", "xcc", 1, 1, "c", 2},
      {"group after a two-byte character", "(b)(c)", kZhong + "abc", 1, 2, "c", 4},
      {"empty match at the end", "$", "ab", 1, 0, "", 2},
      {"after an invalid byte", "a", "\x81 " + kZhong + "a", 1, 0, "a", 4},
      {"group that took no part", "(x)?a", "ba", 1, 1, "", 0},
      {"match out of range", "a", "ba", 2, 0, "", 0},
      {"match number 0", "a", "ba", 0, 0, "", 0},
      {"sub-match out of range", "(a)", "ba", 1, 2, "", 0},
      {"sub-match number 0", "(a)", "ba", 1, -1, "", 0},
      {"lowest match number", "a", "ba", INT_MIN, 0, "", 0},
      {"nothing in an empty subject", "a", "", 1, 0, "", -2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    ASSERT_TRUE(regex.Search(row.pattern, row.subject));
    int offset = 99;
    const Text got =
        row.k == 0 ? regex.MatchText(row.n, &offset) : regex.SubMatch(row.n, row.k, &offset);
    EXPECT_EQ(got, row.text);
    EXPECT_EQ(offset, row.offset);
  }
}

TEST(RegexObject, CountsTheSubMatchesOfTheFirstMatch) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)(b)", "ab"));
  EXPECT_EQ(regex.SubMatchCount(), 2);
  EXPECT_EQ(regex.SubMatch(1, 2), "b");
}

TEST(RegexObject, ReplacesInTheLastSubject) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(\\w+)@", "a@ " + kZhong + "b@"));
  EXPECT_EQ(regex.ReplaceMatches("[$1" + kZhong + "]"),
            "[a" + kZhong + "] " + kZhong + "[b" + kZhong + "]");
}

TEST(RegexObject, CopiesShareTheLastSearchAndHoldTheirOwnInitialisation) {
  const int depth = platform::automation::CoInitializeDepth();
  {
    RegexObject original;
    ASSERT_TRUE(original.Search("b+", "abbc"));
    RegexObject copy(original);
    EXPECT_EQ(platform::automation::CoInitializeDepth(), depth + 2);
    ASSERT_TRUE(original.Search("c", "abbc"));
    EXPECT_EQ(copy.CurrentPattern(), "b+");
    EXPECT_EQ(copy.MatchText(1), "bb");
    EXPECT_EQ(copy.ReplaceMatches("-"), "a-c");
    copy = original;
    EXPECT_EQ(copy.MatchText(1), "c");
    EXPECT_EQ(platform::automation::CoInitializeDepth(), depth + 2);
  }
  EXPECT_EQ(platform::automation::CoInitializeDepth(), depth);
}

TEST(RegexObject, GivesDefinedResultsForBadInput) {
  struct Row {
    const char* name;
    std::string_view pattern;
    Text subject;
    bool searched;
    int count;
  } const rows[] = {
      {"invalid 936 bytes", ".", "\x81\xFF\x80", true, 3},
      {"pattern of invalid bytes", "\x81", "a", true, 0},
      {"catastrophic pattern", "^(a+)+$", Text(40, 'a') + "!", false, 0},
      {"ten megabytes", kSniff, Text(10 << 20, 'x') + "<meta charset=utf-8>", true, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RegexObject regex;
    EXPECT_EQ(regex.Search(row.pattern, row.subject), row.searched);
    EXPECT_EQ(regex.MatchCount(), row.count);
  }
}

}  // namespace
}  // namespace velnora::regex
