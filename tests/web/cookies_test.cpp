#include "web/cookies.h"

#include <gtest/gtest.h>

namespace velnora::web {
namespace {

TEST(MergeCookies, NewerWinsDeletedDropsOutAndOlderReceivesTheResult) {
  struct Row {
    const char* name;
    std::string_view older;
    std::string_view newer;
    std::string_view expected;
  };
  const Row rows[] = {
      {"newer first, then older ones it lacks", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"deleted hides and drops", "a=1; b=2", "b=deleted", "a=1"},
      {"trailing semicolon", "a=1;", "", "a=1"},
      {"first of one name", "a=1; a=2", "", "a=1"},
      {"repeated items once", "", "x=1; x=1", "x=1"},
      {"both empty", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    text::Text older(row.older);
    EXPECT_EQ(MergeCookies(&older, row.newer), row.expected);
    EXPECT_EQ(older, row.expected);
  }
}

TEST(CookieName, TextBeforeTheFirstEqualsTrimmed) {
  EXPECT_EQ(CookieName(" a =1=2"), "a");
  EXPECT_EQ(CookieName("flag"), "flag");
}

TEST(HasCookieName, ComparesNamesExactly) {
  const text::TextList list({"a=1", "B=2"});
  EXPECT_TRUE(HasCookieName(list, "B"));
  EXPECT_FALSE(HasCookieName(list, "b"));
}

TEST(JoinUnique, KeepsFirstOfEachPiece) {
  EXPECT_EQ(JoinUnique("x; y; x", "; "), "x; y");
  EXPECT_EQ(JoinUnique("", "; "), "");
}

TEST(IndexInList, OneBasedOrMinusOne) {
  const text::TextList list({"a", "b", "b"});
  EXPECT_EQ(IndexInList(list, "b"), 2);
  EXPECT_EQ(IndexInList(list, "B"), -1);
}

}  // namespace
}  // namespace velnora::web
