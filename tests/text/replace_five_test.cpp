#include "text/replace_five.h"

#include <gtest/gtest.h>

namespace velnora::text {
namespace {

TEST(ReplaceFive, OnePairIgnoresCaseByDefault) {
  EXPECT_EQ(ReplaceFive("a&nbsp;b&NBSP;c", {{"&nbsp;", ""}}), "abc");
}

TEST(ReplaceFive, CaseSensitiveKeepsOtherCase) {
  EXPECT_EQ(ReplaceFive("A&NBSP;", {{"&nbsp;", ""}}, {.caseSensitive = true}), "A&NBSP;");
}

TEST(ReplaceFive, LaterPairsSeeEarlierResults) {
  EXPECT_EQ(ReplaceFive("ab", {{"a", "b"}, {"b", "c"}}), "cc");
}

TEST(ReplaceFive, AllFivePairsApplyInOrder) {
  EXPECT_EQ(ReplaceFive(
                "<br/>&nbsp;&lt;&gt;&amp;",
                {{"<br/>", "\r\n"}, {"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}),
            "\r\n <>&");
}

TEST(ReplaceFive, CountLeftOutDiffersFromZero) {
  struct Case {
    const char* name;
    ReplaceFiveOptions options;
    std::string_view expected;
  };
  const Case cases[] = {
      {"left out: every occurrence", {}, "bbbb"},
      {"zero: none", {.count = 0}, "aaaa"},
      {"one: the first of each pair", {.count = 1}, "baaa"},
      {"start three", {.start = 3}, "aabb"},
      {"start zero counts as one", {.start = 0}, "bbbb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReplaceFive("aaaa", {{"a", "b"}}, c.options), c.expected);
  }
}

TEST(ReplaceFive, CountAppliesToEachPair) {
  EXPECT_EQ(ReplaceFive("a,a;a,a;", {{",", ""}, {";", ""}}, {.count = 1}), "aaa,a;");
}

TEST(ReplaceFive, EmptyFindOrTextChangesNothing) {
  EXPECT_EQ(ReplaceFive("abc", {{"", "x"}}), "abc");
  EXPECT_EQ(ReplaceFive("", {{"a", "x"}}), "");
}

}  // namespace
}  // namespace velnora::text
