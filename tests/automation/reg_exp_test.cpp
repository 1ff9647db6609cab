#include "platform/automation/reg_exp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/com.h"

namespace velnora::platform::automation {
namespace {

constexpr std::u16string_view kSniff = u"<meta.+?charset=[^\\w]?([-\\w]+)";

struct Found {
  int firstIndex;
  std::u16string value;
  friend bool operator==(const Found&, const Found&) = default;
};

void PrintTo(const Found& found, std::ostream* os) {
  *os << found.firstIndex << ':' << std::string(found.value.begin(), found.value.end());
}

class RegExpTest : public ::testing::Test {
 protected:
  std::shared_ptr<RegExp> Make(std::u16string_view pattern, bool ignoreCase, bool multiline,
                               bool global) {
    auto regExp = CreateRegExp();
    regExp->SetPattern(std::u16string(pattern));
    regExp->SetIgnoreCase(ignoreCase);
    regExp->SetMultiline(multiline);
    regExp->SetGlobal(global);
    return regExp;
  }

  static std::vector<Found> All(const MatchCollection& matches) {
    std::vector<Found> found;
    for (int i = 0; i < matches.Count(); ++i) {
      const auto match = matches.Item(i);
      found.push_back({match->FirstIndex(), match->Value()});
    }
    return found;
  }

  ScopedCoInitialize com_;
};

TEST_F(RegExpTest, FollowsTheComponentsDialectAndOptions) {
  struct Row {
    const char* name;
    std::u16string_view pattern;
    std::u16string_view subject;
    bool ignoreCase, multiline, global;
    std::vector<Found> expected;
  } const rows[] = {
      {"sniff reads a quoted name",
       kSniff,
       u"<meta content=\"text/html; charset=\"gbk\">",
       true,
       true,
       true,
       {{0, u"<meta content=\"text/html; charset=\"gbk"}}},
      {"sniff does not cross a line break", kSniff, u"<meta\ncharset=gbk>", true, true, true, {}},
      {"sniff does not cross a carriage return",
       kSniff,
       u"<meta\r\ncharset=gbk>",
       true,
       true,
       true,
       {}},
      {"letters in either case", u"abc", u"xABC", true, true, true, {{1, u"ABC"}}},
      {"case counts when asked", u"abc", u"xABC", false, true, true, {}},
      {"only ASCII letters fold", u"\u00E9", u"\u00C9", true, true, true, {}},
      {"^ at every line",
       u"^x",
       u"x\nx\r\nx",
       false,
       true,
       true,
       {{0, u"x"}, {2, u"x"}, {5, u"x"}}},
      {"^ at the start only", u"^x", u"x\nx", false, false, true, {{0, u"x"}}},
      {"$ before a CRLF break", u"a$", u"a\r\nb", false, true, true, {{0, u"a"}}},
      {"$ only at the very end", u"a$", u"a\n", false, false, true, {}},
      {"first match only", u"a", u"aa", false, true, false, {{0, u"a"}}},
      {"empty matches step on", u"x*", u"ab", false, true, true, {{0, u""}, {1, u""}, {2, u""}}},
      {"lazy repeat", u"a+?", u"aa", false, true, true, {{0, u"a"}, {1, u"a"}}},
      {"\\w is ASCII", u"\\w+", u"\u00E9\u4E2Dab_9", false, true, true, {{2, u"ab_9"}}},
      {"[^\\w] takes a non-ASCII letter",
       u"=[^\\w]x",
       u"=\u4E2Dx",
       false,
       true,
       true,
       {{0, u"=\u4E2Dx"}}},
      {"index in UTF-16 units", u"b", u"\U0001F600b", false, true, true, {{2, u"b"}}},
      {"unknown escape is the letter", u"\\y", u"xy", false, true, true, {{1, u"y"}}},
      {"\\u and \\x escapes", u"\\u0041\\x42", u"AB", false, true, true, {{0, u"AB"}}},
      {"empty class never matches", u"a[]", u"a", false, true, true, {}},
      {"repeated empty class matches empty",
       u"[]*",
       u"ab",
       false,
       true,
       true,
       {{0, u""}, {1, u""}, {2, u""}}},
      {"optional empty class", u"a[]?b", u"ab", false, true, true, {{0, u"ab"}}},
      {"empty class at least once", u"a[]+b", u"ab", false, true, true, {}},
      {"negated empty class takes anything", u"[^]", u"\n", false, true, true, {{0, u"\n"}}},
      {"\\v is the vertical tab alone",
       u"\\v[\\v]",
       u"\n\n\x0B\x0B",
       false,
       true,
       true,
       {{2, u"\x0B\x0B"}}},
      {"[ inside a class is the bracket itself",
       u"[[:alpha:]]",
       u"ab:]",
       false,
       true,
       true,
       {{2, u":]"}}},
      {"unset backreference is empty", u"(a)?b\\1", u"b", false, true, true, {{0, u"b"}}},
      {"lookahead", u"a(?=c)", u"ab ac", false, true, true, {{3, u"a"}}},
      {"lone surrogate is a character", u".", u"\xD800", false, true, true, {{0, u"\xD800"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result =
        Make(row.pattern, row.ignoreCase, row.multiline, row.global)->Execute(row.subject);
    ASSERT_EQ(result.error, RegExpError::kNone);
    ASSERT_NE(result.matches, nullptr);
    EXPECT_EQ(All(*result.matches), row.expected);
  }
}

// The dialect has no CRLF unit: a match may start between CR and LF, "^" and "$" stand
// after and before every CR and every LF (also after a final one), "." takes neither.
// Also the constructs it reads as literals and the empty pattern, its default.
TEST_F(RegExpTest, MatchesWhereverTheDialectAllows) {
  struct Row {
    const char* name;
    std::u16string_view pattern;
    std::u16string_view subject;
    bool multiline, global;
    std::vector<Found> expected;
  } const rows[] = {
      {"a match starts between CR and LF", u"\\s\\w+", u"x\r\nword", false, true, {{2, u"\nword"}}},
      {"a class takes the LF of a CRLF", u"[^a]b", u"a\r\nb", false, true, {{2, u"\nb"}}},
      {"\\B between CR and LF", u"\\B", u"_\r\n", false, false, {{2, u""}}},
      {"^ after the CR of a CRLF",
       u"^\\s*$",
       u"a\r\n\r\n \r\nb",
       true,
       true,
       {{2, u"\n\r\n \r"}, {7, u""}}},
      {"^ after a final line break", u"^", u"a\n", true, true, {{0, u""}, {2, u""}}},
      {"^ after each CR and each LF", u"^", u"a\r\nb", true, true, {{0, u""}, {2, u""}, {3, u""}}},
      {"$ before each CR and each LF", u"$", u"a\r\nb", true, true, {{1, u""}, {2, u""}, {4, u""}}},
      {"dot takes neither CR nor LF", u".", u"a\r\nb", true, true, {{0, u"a"}, {3, u"b"}}},
      {"empty pattern", u"", u"ab", true, true, {{0, u""}, {1, u""}, {2, u""}}},
      {"empty subject", u"x*", u"", true, true, {{0, u""}}},
      {"[..] is a class of dots", u"[..]", u"a.", true, true, {{1, u"."}}},
      {"[:a:] is a class", u"[:a:]", u"b:", true, true, {{1, u":"}}},
      {"[=a=] is a class", u"[=a=]", u"b=", true, true, {{1, u"="}}},
      {"x[.,.] is x and a class", u"x[.,.]", u"x.x,", true, true, {{0, u"x."}, {2, u"x,"}}},
      {"a lone } repeated", u"}+", u"a}}b", true, true, {{1, u"}}"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = Make(row.pattern, false, row.multiline, row.global)->Execute(row.subject);
    ASSERT_EQ(result.error, RegExpError::kNone);
    ASSERT_NE(result.matches, nullptr);
    EXPECT_EQ(All(*result.matches), row.expected);
  }
}

TEST_F(RegExpTest, ReportsSubMatchesIncludingThoseThatTookNoPart) {
  const auto result = Make(u"(a)|(b)", false, true, true)->Execute(u"xb");
  ASSERT_EQ(result.matches->Count(), 1);
  const auto match = result.matches->Item(0);
  EXPECT_EQ(match->SubMatchCount(), 2);
  EXPECT_EQ(match->SubMatch(0), u"");
  EXPECT_EQ(match->SubMatchIndex(0), -1);
  EXPECT_EQ(match->SubMatch(1), u"b");
  EXPECT_EQ(match->SubMatchIndex(1), 1);
  EXPECT_EQ(match->SubMatch(2), std::nullopt);
  EXPECT_EQ(match->SubMatch(-1), std::nullopt);
  EXPECT_EQ(result.matches->Item(1), std::nullopt);
}

TEST_F(RegExpTest, ReplaceExpandsEveryToken) {
  struct Row {
    const char* name;
    std::u16string_view pattern;
    std::u16string_view subject;
    std::u16string_view replacement;
    bool global;
    std::u16string_view expected;
  } const rows[] = {
      {"groups, dollar, match, before, after", u"(a)(b)", u"xaby", u"[$2$1$$$&$`$']", true,
       u"x[ba$abxy]y"},
      {"missing group stays literal", u"(a)", u"a", u"$2$0", true, u"$2$0"},
      {"two digits only when that group exists", u"(a)", u"a", u"$10|$01", true, u"a0|a"},
      {"group ten", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"abcdefghij", u"$10$11", true, u"ja1"},
      {"unknown token and final dollar stay", u"a", u"a", u"$x$", true, u"$x$"},
      {"unset group is empty", u"(a)?b", u"b", u"<$1>", true, u"<>"},
      {"first match only", u"a", u"aa", u"b", false, u"ba"},
      {"every match", u"a", u"aa", u"b", true, u"bb"},
      {"empty matches insert everywhere", u"x*", u"ab", u"-", true, u"-a-b-"},
      {"empty pattern inserts everywhere", u"", u"ab", u"-", true, u"-a-b-"},
      {"^ also after a final line break", u"^", u"a\n", u">", true, u">a\n>"},
      {"no match leaves the subject", u"z", u"ab", u"-", true, u"ab"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result =
        Make(row.pattern, false, true, row.global)->Replace(row.subject, row.replacement);
    EXPECT_EQ(result.error, RegExpError::kNone);
    EXPECT_EQ(result.text, row.expected);
  }
}

TEST_F(RegExpTest, RejectsPatternsOutsideTheDialectWhenUsed) {
  struct Row {
    const char* name;
    std::u16string_view pattern;
    RegExpError error;
  } const rows[] = {
      {"missing parenthesis", u"(", RegExpError::kExpectedParen},
      {"missing bracket", u"[a", RegExpError::kExpectedBracket},
      {"nothing to repeat", u"*a", RegExpError::kUnexpectedQuantifier},
      {"bounds out of order", u"a{2,1}", RegExpError::kUnexpectedQuantifier},
      {"range out of order", u"[z-a]", RegExpError::kInvalidRange},
      {"unmatched parenthesis", u"a)", RegExpError::kSyntax},
      {"lookbehind", u"(?<=a)b", RegExpError::kSyntax},
      {"named group", u"(?<n>a)", RegExpError::kSyntax},
      {"inline option", u"(?i)a", RegExpError::kSyntax},
      {"inline option after an empty class", u"[](?i)a", RegExpError::kSyntax},
      {"lookbehind after an empty class", u"[]|(?<=a)b", RegExpError::kSyntax},
      {"atomic group", u"(?>a)", RegExpError::kSyntax},
      {"possessive repeat", u"a++", RegExpError::kUnexpectedQuantifier},
      {"possessive bounded repeat", u"a{2}+", RegExpError::kUnexpectedQuantifier},
      {"repeated start of line", u"^*", RegExpError::kUnexpectedQuantifier},
      {"repeated end of line", u"a$+", RegExpError::kUnexpectedQuantifier},
      {"bounded start of line", u"^{2}", RegExpError::kUnexpectedQuantifier},
      {"lone backslash at the end", u"a\\", RegExpError::kSyntax},
      {"lone backslash in a class", u"[a\\", RegExpError::kSyntax},
      {"property class", u"\\p{L}", RegExpError::kSyntax},
      {"engine verb", u"(*ACCEPT)a", RegExpError::kUnexpectedQuantifier},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto regExp = Make(row.pattern, true, true, true);
    EXPECT_EQ(regExp->Pattern(), row.pattern);
    const auto executed = regExp->Execute(u"ab");
    EXPECT_EQ(executed.error, row.error);
    EXPECT_EQ(executed.matches, nullptr);
    EXPECT_EQ(regExp->Replace(u"ab", u"x").error, row.error);
  }
}

TEST_F(RegExpTest, StopsCatastrophicPatternsAtTheMatchLimit) {
  const std::u16string subject = std::u16string(40, u'a') + u"!";
  for (const std::u16string_view pattern : {u"^(a+)+$", u"^(a|aa)*$", u"(\\w+\\s?)*$"}) {
    SCOPED_TRACE(std::string(pattern.begin(), pattern.end()));
    const auto result = Make(pattern, true, true, true)->Execute(subject);
    EXPECT_EQ(result.error, RegExpError::kOutOfStackSpace);
    EXPECT_EQ(result.matches, nullptr);
  }
}

TEST_F(RegExpTest, RunsOverTenMegabyteSubjects) {
  std::u16string page(10 * 1024 * 1024, u'x');
  page.replace(page.size() - 20, 16, u"<meta charset=gb");
  const auto sniff = Make(kSniff, true, true, true)->Execute(page);
  ASSERT_EQ(sniff.error, RegExpError::kNone);
  ASSERT_EQ(sniff.matches->Count(), 1);
  EXPECT_EQ(sniff.matches->Item(0)->FirstIndex(), static_cast<int>(page.size()) - 20);
  EXPECT_EQ(sniff.matches->Item(0)->SubMatch(0), u"gbxxxx");

  const auto groups = Make(u"(x|y)*z", true, true, true)->Execute(page);
  EXPECT_EQ(groups.error, RegExpError::kOutOfStackSpace);
}

TEST(CreateRegExp, FailsOnAThreadWithoutCoInitialize) {
  ASSERT_EQ(CoInitializeDepth(), 0);
  EXPECT_EQ(CreateRegExp(), nullptr);
}

}  // namespace
}  // namespace velnora::platform::automation
