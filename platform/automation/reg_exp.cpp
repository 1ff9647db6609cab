#include "platform/automation/reg_exp.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>

#include "platform/automation/com.h"

namespace velnora::platform::automation {

// Spans are pairs (start, length) per match: the whole match, then each group; a start
// of -1 marks a group that took no part.
struct MatchData {
  std::vector<std::uint16_t> subject;
  int groupCount = 0;
  std::vector<int> spans;

  [[nodiscard]] std::size_t Stride() const { return static_cast<std::size_t>(groupCount + 1) * 2; }
  [[nodiscard]] int Start(std::size_t match, int group) const {
    return spans[match * Stride() + static_cast<std::size_t>(group) * 2];
  }
  [[nodiscard]] int Length(std::size_t match, int group) const {
    return spans[match * Stride() + static_cast<std::size_t>(group) * 2 + 1];
  }
};

namespace {

// Enough for any sensible pattern over a page; a catastrophic one stops here in well
// under a second instead of running for years.
constexpr std::uint32_t kMatchLimit = 5'000'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

std::vector<std::uint16_t> ToUnits(std::u16string_view text) {
  return {text.begin(), text.end()};
}

// The engine refuses a null pointer even with length 0, which an empty vector may hold.
PCRE2_SPTR UnitsOf(const std::vector<std::uint16_t>& units) {
  static constexpr PCRE2_UCHAR kNoUnits[1] = {0};
  return units.empty() ? kNoUnits : units.data();
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Length of the bound "{n}", "{n,}" or "{n,m}" starting at `at`, or 0 when the brace
// starts none and is a literal.
std::size_t BoundLength(std::u16string_view pattern, std::size_t at) {
  std::size_t i = at + 1;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < pattern.size() && IsDigit(pattern[i])) ++i;
    return i > from;
  };
  if (!digits()) return 0;
  if (i < pattern.size() && pattern[i] == u',') {
    ++i;
    digits();
  }
  return i < pattern.size() && pattern[i] == u'}' ? i + 1 - at : 0;
}

// Length of the quantifier starting at `at`, or 0 when there is none.
std::size_t QuantifierLength(std::u16string_view pattern, std::size_t at) {
  if (at >= pattern.size()) return 0;
  const char16_t c = pattern[at];
  if (c == u'*' || c == u'+' || c == u'?') return 1;
  return c == u'{' ? BoundLength(pattern, at) : 0;
}

struct EnginePattern {
  std::u16string units;
  RegExpError error = RegExpError::kNone;
};

EnginePattern Rejected(RegExpError error) {
  return {.units = {}, .error = error};
}

// Checks for constructs the engine would accept but the component's dialect does not
// have, so a pattern fails here as it would in the component rather than meaning
// something else, and respells those the engine reads differently:
// - "\v" is the vertical tab alone (the engine's is a class of vertical spaces);
// - "[" inside a class is the bracket itself, and a class opening with ":", "." or "="
//   is a plain class (the engine's "[:alpha:]", "[.a.]", "[=a=]" are POSIX items);
// - the dialect has no CRLF unit, so the engine runs with the line feed as its only
//   newline, which keeps it from skipping the position between CR and LF, and "." and
//   the line anchors are spelled out over both CR and LF: with Multiline "^" stands
//   after every CR or LF and "$" before one, also after a final line break.
EnginePattern ToEnginePattern(std::u16string_view pattern, bool multiline) {
  EnginePattern engine;
  std::u16string& out = engine.units;
  out.reserve(pattern.size() + 8);
  bool inClass = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    const char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
    if (c == u'\\') {
      if (i + 1 == pattern.size()) return Rejected(RegExpError::kSyntax);
      if (std::u16string_view(u"pPQEAzZGK").find(next) != std::u16string_view::npos) {
        return Rejected(RegExpError::kSyntax);
      }
      if (next == u'v') {
        out.append(u"\\x0B");
      } else {
        out.append(pattern.substr(i, 2));
      }
      ++i;
      continue;
    }
    if (inClass) {
      if (c == u']') inClass = false;
      out.append(c == u'[' ? std::u16string_view(u"\\[") : std::u16string_view(&c, 1));
      continue;
    }
    if (c == u'[' && next == u']') {
      // "[]" is a whole class, an empty one that never matches. It goes in a group
      // because the engine drops a repeated empty class altogether, so that "[]*" would
      // never match where the dialect matches empty.
      out.append(u"(?:[])");
      ++i;
      continue;
    }
    if (c == u'[') {
      out.push_back(c);
      inClass = true;
      if (next == u':' || next == u'.' || next == u'=') {
        out.push_back(u'\\');
        out.push_back(next);
        ++i;
      }
      continue;
    }
    if (c == u'.') {
      out.append(u"[^\\n\\r]");
      continue;
    }
    if (multiline && (c == u'^' || c == u'$')) {
      // An anchor takes no quantifier; spelled as a lookaround it would.
      if (QuantifierLength(pattern, i + 1) > 0) return Rejected(RegExpError::kUnexpectedQuantifier);
      out.append(c == u'^' ? u"(?<![^\\n\\r])" : u"(?![^\\n\\r])");
      continue;
    }
    // Groups other than (?:, (?= and (?!: lookbehind, names, inline options, atomic
    // groups, comments, conditionals, recursion; "(*" would start an engine verb.
    if (c == u'(' && next == u'?') {
      const char16_t kind = i + 2 < pattern.size() ? pattern[i + 2] : u'\0';
      if (kind != u':' && kind != u'=' && kind != u'!') return Rejected(RegExpError::kSyntax);
    }
    if (c == u'(' && next == u'*') return Rejected(RegExpError::kUnexpectedQuantifier);
    // A quantifier followed by "+" is possessive in the engine and nothing to repeat in
    // the dialect; a brace that opens no bound is a literal and may be repeated.
    const bool afterGroupOpening = c == u'?' && i > 0 && pattern[i - 1] == u'(';
    const std::size_t quantifier = afterGroupOpening ? 0 : QuantifierLength(pattern, i);
    if (quantifier == 0) {
      out.push_back(c);
      continue;
    }
    out.append(pattern.substr(i, quantifier));
    i += quantifier - 1;
    if (i + 1 < pattern.size() && pattern[i + 1] == u'+') {
      return Rejected(RegExpError::kUnexpectedQuantifier);
    }
  }
  return engine;
}

RegExpError FromCompileError(int code) {
  switch (code) {
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
      return RegExpError::kExpectedParen;
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET:
      return RegExpError::kExpectedBracket;
    case PCRE2_ERROR_QUANTIFIER_INVALID:
    case PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER:
    case PCRE2_ERROR_QUANTIFIER_TOO_BIG:
      return RegExpError::kUnexpectedQuantifier;
    case PCRE2_ERROR_CLASS_RANGE_ORDER:
    case PCRE2_ERROR_CLASS_INVALID_RANGE:
      return RegExpError::kInvalidRange;
    default:
      return RegExpError::kSyntax;
  }
}

struct Compiled {
  CodePtr code;
  RegExpError error = RegExpError::kNone;
};

Compiled Compile(std::u16string_view pattern, bool ignoreCase, bool multiline) {
  const EnginePattern engine = ToEnginePattern(pattern, multiline);
  if (engine.error != RegExpError::kNone) return {.code = nullptr, .error = engine.error};
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return {.code = nullptr, .error = RegExpError::kSyntax};
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  // Unknown escapes such as "\y" are the letter itself, as in the component.
  pcre2_set_compile_extra_options(context.get(), PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
  // No PCRE2_UTF: one code unit is one character, as in the component, and without
  // PCRE2_UCP the classes \w \d \s and \b stay ASCII.
  std::uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS;
  if (ignoreCase) options |= PCRE2_CASELESS;
  // Multiline anchors are spelled out; the others mean the ends of the subject.
  if (!multiline) options |= PCRE2_DOLLAR_ENDONLY;
  const std::vector<std::uint16_t> units = ToUnits(engine.units);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(pcre2_compile(UnitsOf(units), units.size(), options, &errorCode, &errorOffset,
                             context.get()));
  if (!code) return {.code = nullptr, .error = FromCompileError(errorCode)};
  return {.code = std::move(code), .error = RegExpError::kNone};
}

struct Run {
  std::shared_ptr<MatchData> data;
  RegExpError error = RegExpError::kNone;
};

Run RunPattern(const RegExp& regExp, std::u16string_view subject) {
  Compiled compiled = Compile(regExp.Pattern(), regExp.IgnoreCase(), regExp.Multiline());
  if (!compiled.code) return {.data = nullptr, .error = compiled.error};
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
      pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
      pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
  if (!context || !matchData) return {.data = nullptr, .error = RegExpError::kOutOfStackSpace};
  pcre2_set_match_limit(context.get(), kMatchLimit);
  pcre2_set_heap_limit(context.get(), kHeapLimitKiB);

  auto data = std::make_shared<MatchData>();
  data->subject = ToUnits(subject);
  std::uint32_t groups = 0;
  pcre2_pattern_info(compiled.code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  data->groupCount = static_cast<int>(groups);

  const std::size_t length = data->subject.size();
  std::size_t start = 0;
  while (start <= length) {
    const int rc = pcre2_match(compiled.code.get(), UnitsOf(data->subject), length, start, 0,
                               matchData.get(), context.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      const bool limit = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
                         rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_NOMEMORY;
      return {.data = nullptr,
              .error = limit ? RegExpError::kOutOfStackSpace : RegExpError::kSyntax};
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    for (int group = 0; group <= data->groupCount; ++group) {
      const PCRE2_SIZE from = ovector[2 * group];
      const PCRE2_SIZE to = ovector[2 * group + 1];
      const bool unset = group >= rc || from == PCRE2_UNSET || to < from;
      data->spans.push_back(unset ? -1 : static_cast<int>(from));
      data->spans.push_back(unset ? 0 : static_cast<int>(to - from));
    }
    if (!regExp.Global()) break;
    const std::size_t matchStart = ovector[0];
    const std::size_t matchEnd = ovector[1];
    // An empty match moves on one unit so the loop always advances.
    start = std::max(matchEnd > matchStart ? matchEnd : matchEnd + 1, start + 1);
  }
  return {.data = std::move(data), .error = RegExpError::kNone};
}

void AppendUnits(std::u16string& out, const std::vector<std::uint16_t>& units, std::size_t from,
                 std::size_t count) {
  const auto begin = units.begin() + static_cast<std::ptrdiff_t>(from);
  out.append(begin, begin + static_cast<std::ptrdiff_t>(count));
}

void AppendExpansion(std::u16string& out, const MatchData& data, std::size_t match,
                     std::u16string_view replacement) {
  const auto matchStart = static_cast<std::size_t>(data.Start(match, 0));
  const auto matchEnd = matchStart + static_cast<std::size_t>(data.Length(match, 0));
  auto appendGroup = [&](int group) {
    if (data.Start(match, group) < 0) return;
    AppendUnits(out, data.subject, static_cast<std::size_t>(data.Start(match, group)),
                static_cast<std::size_t>(data.Length(match, group)));
  };
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char16_t c = replacement[i];
    if (c != u'$' || i + 1 == replacement.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t next = replacement[i + 1];
    if (next == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (next == u'&') {
      AppendUnits(out, data.subject, matchStart, matchEnd - matchStart);
      ++i;
    } else if (next == u'`') {
      AppendUnits(out, data.subject, 0, matchStart);
      ++i;
    } else if (next == u'\'') {
      AppendUnits(out, data.subject, matchEnd, data.subject.size() - matchEnd);
      ++i;
    } else if (IsDigit(next)) {
      const int one = next - u'0';
      const bool hasSecond = i + 2 < replacement.size() && IsDigit(replacement[i + 2]);
      const int two = hasSecond ? one * 10 + (replacement[i + 2] - u'0') : 0;
      if (hasSecond && two >= 1 && two <= data.groupCount) {
        appendGroup(two);
        i += 2;
      } else if (one >= 1 && one <= data.groupCount) {
        appendGroup(one);
        ++i;
      } else {
        out.push_back(u'$');
      }
    } else {
      out.push_back(u'$');
    }
  }
}

}  // namespace

std::u16string Match::Slice(int start, int length) const {
  if (start < 0) return {};
  std::u16string out;
  AppendUnits(out, data_->subject, static_cast<std::size_t>(start),
              static_cast<std::size_t>(length));
  return out;
}

std::u16string Match::Value() const {
  return Slice(FirstIndex(), Length());
}
int Match::FirstIndex() const {
  return data_->Start(index_, 0);
}
int Match::Length() const {
  return data_->Length(index_, 0);
}
int Match::SubMatchCount() const {
  return data_->groupCount;
}

std::optional<std::u16string> Match::SubMatch(int i) const {
  if (i < 0 || i >= data_->groupCount) return std::nullopt;
  return Slice(data_->Start(index_, i + 1), data_->Length(index_, i + 1));
}

int Match::SubMatchIndex(int i) const {
  if (i < 0 || i >= data_->groupCount) return -1;
  return data_->Start(index_, i + 1);
}

int MatchCollection::Count() const {
  return static_cast<int>(data_->spans.size() / data_->Stride());
}

std::optional<Match> MatchCollection::Item(int i) const {
  if (i < 0 || i >= Count()) return std::nullopt;
  return Match(data_, static_cast<std::size_t>(i));
}

RegExp::ExecuteResult RegExp::Execute(std::u16string_view subject) const {
  Run run = RunPattern(*this, subject);
  if (!run.data) return {.matches = nullptr, .error = run.error};
  return {.matches = std::make_shared<const MatchCollection>(std::move(run.data)),
          .error = RegExpError::kNone};
}

RegExp::ReplaceResult RegExp::Replace(std::u16string_view subject,
                                      std::u16string_view replacement) const {
  Run run = RunPattern(*this, subject);
  if (!run.data) return {.text = {}, .error = run.error};
  const MatchData& data = *run.data;
  std::u16string out;
  std::size_t copied = 0;
  const std::size_t count = data.spans.size() / data.Stride();
  for (std::size_t match = 0; match < count; ++match) {
    const auto start = static_cast<std::size_t>(data.Start(match, 0));
    AppendUnits(out, data.subject, copied, start - copied);
    AppendExpansion(out, data, match, replacement);
    copied = start + static_cast<std::size_t>(data.Length(match, 0));
  }
  AppendUnits(out, data.subject, copied, data.subject.size() - copied);
  return {.text = std::move(out), .error = RegExpError::kNone};
}

std::shared_ptr<RegExp> CreateRegExp() {
  if (CoInitializeDepth() == 0) return nullptr;
  return std::make_shared<RegExp>();
}

}  // namespace velnora::platform::automation
