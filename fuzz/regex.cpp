// Fuzzes RegexObject with arbitrary patterns, options and subjects of bounded size: the
// search never crashes or hangs, and what it reports stays inside the subject. Where the
// subject survives the trip through UTF-16 unchanged, every match and group text is
// found at its reported byte offset.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "regex/regex_object.h"
#include "text/code_page.h"

namespace {

using velnora::text::Text;

constexpr std::size_t kMaxPattern = 64;
constexpr std::size_t kMaxSubject = 512;
constexpr int kMaxMatchesChecked = 64;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

Text UpToZero(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

Text RoundTrip(const Text& text) {
  return velnora::text::UnitsToAnsi(velnora::text::AnsiToUnits(text));
}

// A match or group `value` reported at `offset` in `subject`.
void CheckPlace(const Text& subject, bool exact, const Text& value, int offset) {
  Require(offset >= 0 && static_cast<std::size_t>(offset) <= subject.size(),
          "offsets lie inside the subject");
  if (!exact) return;
  Require(subject.compare(static_cast<std::size_t>(offset), value.size(), value) == 0,
          "the text stands at its offset");
}

void CheckMissing(const Text& subject, const Text& value, int offset) {
  Require(value.empty(), "a missing match or group has the empty text");
  Require(offset == (subject.empty() ? -2 : 0), "a missing match has offset 0, or -2");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const velnora::regex::SearchOptions options{
      .caseSensitive = input.ConsumeBool(),
      .multiline = input.ConsumeBool(),
      .global = input.ConsumeBool(),
      .quotePlaceholder = input.ConsumeBool(),
  };
  const std::string pattern = input.ConsumeRandomLengthString(kMaxPattern);
  const std::string replacement = input.ConsumeRandomLengthString(16);
  const std::string subjectBytes = input.ConsumeBytesAsString(kMaxSubject);

  velnora::regex::RegexObject regex;
  const bool searched = regex.Search(pattern, subjectBytes, options);
  const Text subject = UpToZero(subjectBytes);
  const bool exact = RoundTrip(subject) == subject;
  const int count = regex.MatchCount();
  int offset = 12345;

  if (!searched) {
    Require(count == 0 && regex.SubMatchCount() == 0, "a failed search has no matches");
    Require(regex.MatchText(1).empty() && regex.SubMatch(1, 1).empty(), "and no texts");
    Require(regex.ReplaceMatches(replacement).empty(), "and no replacement");
    return 0;
  }
  Require(count >= 0, "MatchCount is not negative");
  if (!options.global) Require(count <= 1, "a search that is not global finds one match");
  if (!options.quotePlaceholder) {
    Require(regex.CurrentPattern() == RoundTrip(UpToZero(pattern)), "the pattern is kept");
  }

  const int groups = regex.SubMatchCount();
  Require(groups >= 0 && (count > 0 || groups == 0), "SubMatchCount belongs to a first match");
  for (int n = 1; n <= std::min(count, kMaxMatchesChecked); ++n) {
    const Text match = regex.MatchText(n, &offset);
    CheckPlace(subject, exact, match, offset);
    for (int k = 1; k <= std::min(groups, 10); ++k) {
      const Text group = regex.SubMatch(n, k, &offset);
      if (group.empty() && offset == (subject.empty() ? -2 : 0)) continue;  // took no part
      CheckPlace(subject, exact, group, offset);
    }
    const Text beyond = regex.SubMatch(n, groups + 1, &offset);
    CheckMissing(subject, beyond, offset);
  }
  for (int n : {0, -1, count + 1}) {
    const Text missing = regex.MatchText(n, &offset);
    CheckMissing(subject, missing, offset);
  }

  // Every match replaced by itself gives back the subject.
  Require(regex.ReplaceMatches("$&") == RoundTrip(subject), "$& rebuilds the subject");
  (void)regex.ReplaceMatches(replacement);

  const velnora::regex::RegexObject copy(regex);
  Require(copy.MatchCount() == count && copy.MatchText(count) == regex.MatchText(count),
          "a copy answers as the original");
  return 0;
}
