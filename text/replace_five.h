// Applying up to five (find, replacement) pairs to a text in one call, as the chapter
// clean-up does pass after pass.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "text/text.h"

namespace velnora::text {

struct ReplacePair {
  std::string_view find;
  std::string_view replacement;
};

struct ReplaceFiveOptions {
  std::optional<int> count = std::nullopt;  // per pair; left out: all, 0: none
  int start = 1;                            // bytes before start stay; 0 counts as 1
  bool caseSensitive = false;               // by default ASCII letters match either case
};

namespace detail {
Text ReplacePairs(std::string_view text, std::span<const ReplacePair> pairs,
                  const ReplaceFiveOptions& options);
}  // namespace detail

// The text after ReplaceText with each pair in turn, every pair working on the result of
// the one before (so a later pair sees what an earlier one inserted). Start, count and
// caseSensitive apply to each pair on its own. A pair with an empty find changes nothing;
// one with an empty replacement deletes. One to five pairs, checked when compiling.
//   ReplaceFive("a&nbsp;b&NBSP;c", {{"&nbsp;", ""}}) == "abc"
//   ReplaceFive("ab", {{"a", "b"}, {"b", "c"}}, {.count = 1}) == "cb"
template <std::size_t N>
requires(N >= 1 && N <= 5) [[nodiscard]] Text
    ReplaceFive(std::string_view text, const ReplacePair (&pairs)[N],
                ReplaceFiveOptions options = {}) {
  return detail::ReplacePairs(text, pairs, options);
}

}  // namespace velnora::text
