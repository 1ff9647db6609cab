// The "VBScript.RegExp" component: a pattern in that dialect (ECMAScript of its time,
// ASCII \w \d \s \b, no lookbehind or inline options) run over UTF-16 strings, with
// offsets in UTF-16 code units. The dot matches neither line feed nor carriage return
// and Multiline's "^" and "$" stand after and before each of them, also after a final
// line break, so CRLF text reads as lines; yet CRLF is no unit, and a match may begin
// between the two. The empty pattern matches empty everywhere. Case folding
// covers the ASCII letters. Every run has a match limit, so a catastrophic pattern fails
// with kOutOfStackSpace instead of hanging, and no subject can exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::platform::automation {

struct MatchData;

// The component's run-time error numbers.
enum class RegExpError {
  kNone = 0,
  kOutOfStackSpace = 28,  // the match limit was reached
  kSyntax = 5017,
  kUnexpectedQuantifier = 5018,
  kExpectedBracket = 5019,
  kExpectedParen = 5020,
  kInvalidRange = 5021,
};

// One match of a collection; valid as long as anyone holds it or its collection.
class Match {
 public:
  [[nodiscard]] std::u16string Value() const;
  [[nodiscard]] int FirstIndex() const;  // 0-based, in UTF-16 code units
  [[nodiscard]] int Length() const;
  // One entry per capture group of the pattern.
  [[nodiscard]] int SubMatchCount() const;
  // Capture group i + 1; the empty string for a group that took no part; nullopt for i
  // outside 0..SubMatchCount() - 1.
  [[nodiscard]] std::optional<std::u16string> SubMatch(int i) const;
  // Where capture group i + 1 begins, in code units; -1 when it took no part or i is out
  // of range.
  [[nodiscard]] int SubMatchIndex(int i) const;

 private:
  friend class MatchCollection;
  Match(std::shared_ptr<const MatchData> data, std::size_t index)
      : data_(std::move(data)), index_(index) {}
  [[nodiscard]] std::u16string Slice(int start, int length) const;

  std::shared_ptr<const MatchData> data_;
  std::size_t index_;
};

// The matches of one Execute, in subject order.
class MatchCollection {
 public:
  explicit MatchCollection(std::shared_ptr<const MatchData> data) : data_(std::move(data)) {}
  [[nodiscard]] int Count() const;
  // Match i (0-based); nullopt outside 0..Count() - 1.
  [[nodiscard]] std::optional<Match> Item(int i) const;

 private:
  std::shared_ptr<const MatchData> data_;
};

class RegExp {
 public:
  struct ExecuteResult {
    std::shared_ptr<const MatchCollection> matches;  // null exactly when error is set
    RegExpError error = RegExpError::kNone;
  };
  struct ReplaceResult {
    std::u16string text;
    RegExpError error = RegExpError::kNone;
  };

  [[nodiscard]] const std::u16string& Pattern() const { return pattern_; }
  // Never fails: a pattern is checked when it is used.
  void SetPattern(std::u16string pattern) { pattern_ = std::move(pattern); }
  [[nodiscard]] bool IgnoreCase() const { return ignoreCase_; }
  void SetIgnoreCase(bool value) { ignoreCase_ = value; }
  [[nodiscard]] bool Multiline() const { return multiline_; }
  void SetMultiline(bool value) { multiline_ = value; }
  [[nodiscard]] bool Global() const { return global_; }
  void SetGlobal(bool value) { global_ = value; }

  // All matches (Global) or the first; an empty collection when nothing matches. After
  // an empty match the next attempt starts one code unit further, so "x*" over "ab"
  // matches empty at 0, 1 and 2.
  [[nodiscard]] ExecuteResult Execute(std::u16string_view subject) const;

  // `subject` with the matches Execute would find replaced by `replacement`, in which
  // $1..$99 are groups ("$nn" takes two digits only when that group exists), $& the
  // match, $` and $' the text before and after it, $$ a dollar; any other "$" stays.
  //   pattern "(a)(b)" over "xaby" with "[$2$1$$]" gives "x[ba$]y"
  [[nodiscard]] ReplaceResult Replace(std::u16string_view subject,
                                      std::u16string_view replacement) const;

 private:
  std::u16string pattern_;
  bool ignoreCase_ = false;
  bool multiline_ = false;
  bool global_ = false;
};

// A new component with the documented defaults (all three options false, empty
// pattern); null when this thread has not called CoInitialize.
[[nodiscard]] std::shared_ptr<RegExp> CreateRegExp();

}  // namespace velnora::platform::automation
