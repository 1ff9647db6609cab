// Fuzzes the scanning text primitives and the marker cuts. The character scan is easy to
// state and easy to get wrong in a fast implementation, so each scanning primitive is
// held to a plain byte-by-byte scan written from its contract; the marker cuts and
// ToInt are held to properties of their results.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/text_reference.h"
#include "text/markers.h"
#include "text/primitives.h"

namespace {

using velnora::text::Text;
using namespace velnora::testing::reference;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void CheckMarkers(std::string_view text, std::string_view marker, int start, bool fold) {
  using velnora::text::MarkerOptions;
  const MarkerOptions options{.start = start, .ignoreCase = fold};
  const Text right = velnora::text::TextRightOf(text, marker, options);
  Require(right.size() <= text.size() && text.ends_with(right), "TextRightOf is a suffix");
  if (!right.empty()) {
    Require(MatchesAt(text, text.size() - right.size() - marker.size(), marker, fold),
            "TextRightOf follows the marker");
  }
  const Text left = velnora::text::TextLeftOf(text, marker, options);
  Require(left.size() <= text.size() && text.starts_with(left), "TextLeftOf is a prefix");
  if (!left.empty()) Require(MatchesAt(text, left.size(), marker, fold), "TextLeftOf precedes");
  const Text between = velnora::text::TextBetween(text, marker, marker, options);
  Require(text.find(between) != std::string_view::npos, "TextBetween is a part of the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool fold = input.ConsumeBool();
  const int start = input.ConsumeIntegralInRange<int>(-3, 70);
  const int extremeStart = input.PickValueInArray({INT_MIN, INT_MIN + 1, -1, 0, INT_MAX});
  const int count = input.ConsumeIntegralInRange<int>(-2, 4);
  const std::string find = input.ConsumeRandomLengthString(8);
  const std::string replacement = input.ConsumeRandomLengthString(4);
  const std::string text = input.ConsumeRemainingBytesAsString();
  namespace t = velnora::text;

  for (int s : {start, extremeStart}) {
    const int found = t::FindText(text, find, {.start = s, .ignoreCase = fold});
    Require(found == PlainFind(text, find, s, fold), "FindText agrees with the plain scan");
    if (found != -1) {
      Require(MatchesAt(text, static_cast<std::size_t>(found - 1), find, fold),
              "FindText points at a match");
    }
    Require(t::FindTextReverse(text, find, {.start = s, .ignoreCase = fold}) ==
                PlainFindReverse(text, find, s, fold),
            "FindTextReverse agrees with the plain scan");
    const std::optional<int> counts[] = {std::nullopt, count};
    for (const std::optional<int>& c : counts) {
      Require(t::ReplaceText(text, find, replacement,
                             {.start = s, .count = c, .caseSensitive = !fold}) ==
                  PlainReplace(text, find, replacement, s, c, fold),
              "ReplaceText agrees with the plain scan");
    }
    CheckMarkers(text, find, s, fold);
  }
  Require(t::FindTextReverse(text, find, {.ignoreCase = fold}) ==
              PlainFindReverse(text, find, std::nullopt, fold),
          "FindTextReverse of the whole text agrees with the plain scan");

  const std::optional<int> maxCounts[] = {std::nullopt, count};
  for (const std::optional<int>& maxCount : maxCounts) {
    const t::TextList list = t::SplitText(text, find, maxCount);
    Require(list.Items() == PlainSplit(text, find, maxCount), "SplitText agrees");
    // The items joined by the delimiter give back the front of the text.
    Text joined;
    for (int i = 1; i <= list.Count(); ++i) {
      if (i > 1) joined += find;
      joined += list.Item(i);
    }
    Require(std::string_view(text).starts_with(joined), "SplitText items rebuild a prefix");
    Require(list.Item(0).empty() && list.Item(list.Count() + 1).empty(), "Item out of range");
  }

  Require(t::RemoveAllSpaces(text) == PlainRemoveAllSpaces(text), "RemoveAllSpaces agrees");
  Require(t::TrimBoth(text) == PlainTrimBoth(text), "TrimBoth agrees");
  Require(t::ToInt(text) == PlainToInt(text), "ToInt agrees");
  Require(t::ToInt(find) == PlainToInt(find), "ToInt of a short text agrees");
  const Text upper = t::ToUpper(text);
  Require(upper.size() == text.size(), "ToUpper keeps the length");
  return 0;
}
