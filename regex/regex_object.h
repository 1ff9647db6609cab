// RegexObject: a regular expression run over a code-page-936 text through the
// "VBScript.RegExp" automation component, with questions about the matches of the last
// search. Texts travel to the component as UTF-16 and come back as code page 936.
#pragma once

#include <memory>
#include <string_view>

#include "text/text.h"

namespace velnora::platform::automation {
class RegExp;
class MatchCollection;
}  // namespace velnora::platform::automation

namespace velnora::regex {

// Options of Search; the defaults are those of a search with every option left out.
struct SearchOptions {
  bool caseSensitive = false;     // false: ASCII letters match in either case
  bool multiline = true;          // "^" and "$" also at line breaks
  bool global = true;             // every match, not only the first
  bool quotePlaceholder = false;  // every "#引号" in the pattern becomes a double quote
};

// Holds the automation library initialised on its thread for its whole life (one
// CoInitialize at construction and at each copy, one CoUninitialize at destruction), so
// it must be built, used and destroyed on one thread. Before any search, and after a
// search that failed, the counts are 0 and the texts empty.
class RegexObject {
 public:
  RegexObject();
  // Shares the source's component and match collection and copies its subject.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject& other);
  ~RegexObject();

  // Sets the pattern and options on a fresh component and runs it over `subject`. True
  // when the run produced a match collection, also an empty one; false when the pattern
  // was rejected or the run failed (for instance at the match limit).
  //   Search("a", "bbb") == true with MatchCount() == 0;  Search("(", "x") == false
  [[nodiscard]] bool Search(std::string_view pattern, std::string_view subject,
                            SearchOptions options = {});

  // The pattern of the last search as the component holds it; empty before any search.
  [[nodiscard]] text::Text CurrentPattern() const;

  // The last subject with the last search's matches replaced by `replacement`, in which
  // $1..$99, $&, $`, $' and $$ stand for groups, the match, the text before and after it,
  // and a dollar. Empty before a search or after a failed one.
  [[nodiscard]] text::Text ReplaceMatches(std::string_view replacement) const;

  [[nodiscard]] int MatchCount() const;

  // Text of match n (1-based); empty for n outside 1..MatchCount(). When `offset` is
  // given it receives the 0-based byte offset of the match in the subject; for a match
  // that does not exist it receives 0, or -2 when the subject is empty.
  //   after Search("a", "aa"): MatchText(2, &offset) == "a", offset == 1
  [[nodiscard]] text::Text MatchText(int n, int* offset = nullptr) const;

  // Text of capture group k (1-based) of match n (1-based); empty when either is out of
  // range or the group took no part in the match. `offset` as for MatchText, the byte
  // offset of the group itself; a group that took no part is treated like a missing one.
  [[nodiscard]] text::Text SubMatch(int n, int k, int* offset = nullptr) const;

  // Number of capture groups reported for the first match; 0 when there is no match.
  [[nodiscard]] int SubMatchCount() const;

 private:
  [[nodiscard]] int ByteOffset(int unitIndex) const;
  [[nodiscard]] int MissingOffset() const;

  std::shared_ptr<platform::automation::RegExp> regexHandle_;
  std::shared_ptr<const platform::automation::MatchCollection> matchesHandle_;
  text::Text subjectValue_;
};

}  // namespace velnora::regex
