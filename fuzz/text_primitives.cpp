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

#include "text/markers.h"
#include "text/primitives.h"

namespace {

using velnora::text::Text;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool IsHigh(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

char Fold(char c, bool fold) {
  return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool MatchesAt(std::string_view text, std::size_t p, std::string_view find, bool fold) {
  if (p > text.size() || find.size() > text.size() - p) return false;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (Fold(text[p + i], fold) != Fold(find[i], fold)) return false;
  }
  return true;
}

// Every stop of the character scan that begins at `from`; it ends after a lone first
// byte at the very end.
std::vector<std::size_t> Stops(std::string_view text, std::size_t from) {
  std::vector<std::size_t> stops;
  for (std::size_t p = from; p < text.size();) {
    stops.push_back(p);
    if (IsHigh(text[p]) && p + 1 == text.size()) break;
    p += IsHigh(text[p]) ? 2 : 1;
  }
  return stops;
}

int PlainFind(std::string_view text, std::string_view find, int start, bool fold) {
  if (find.empty()) return text.empty() ? -1 : 1;
  start = std::max(start, 1);
  if (static_cast<std::size_t>(start) > text.size()) return -1;
  for (std::size_t p : Stops(text, static_cast<std::size_t>(start - 1))) {
    if (MatchesAt(text, p, find, fold)) return static_cast<int>(p) + 1;
  }
  return -1;
}

int PlainFindReverse(std::string_view text, std::string_view find, std::optional<int> start,
                     bool fold) {
  std::size_t window = text.size();
  if (start) {
    if (*start <= 1) return -1;
    window = std::min(window, static_cast<std::size_t>(*start - 1));
  }
  if (find.empty()) return window >= 1 ? 1 : -1;
  int last = -1;
  for (std::size_t p : Stops(text, 0)) {
    if (p + find.size() <= window && MatchesAt(text, p, find, fold)) {
      last = static_cast<int>(p) + 1;
    }
  }
  return last;
}

Text PlainReplace(std::string_view text, std::string_view find, std::string_view replacement,
                  int start, std::optional<int> count, bool fold) {
  start = std::max(start, 1);
  if (text.empty() || find.empty() || static_cast<std::size_t>(start - 1) >= text.size() ||
      count == 0) {
    return Text(text);
  }
  const int limit = count.value_or(-1) < 0 ? INT_MAX : *count;
  Text out(text.substr(0, static_cast<std::size_t>(start - 1)));
  std::size_t p = static_cast<std::size_t>(start - 1);
  int replaced = 0;
  while (replaced < limit && find.size() <= text.size() - p) {
    if (MatchesAt(text, p, find, fold)) {
      out += replacement;
      p += find.size();
      ++replaced;
      continue;
    }
    // A lone first byte at the very end has no second byte; it is left out.
    const std::size_t unit = IsHigh(text[p]) ? 2 : 1;
    if (unit <= text.size() - p) out += text.substr(p, unit);
    p = std::min(text.size(), p + unit);
  }
  out += text.substr(p);
  return out;
}

std::vector<Text> PlainSplit(std::string_view text, std::string_view delimiter,
                             std::optional<int> maxCount) {
  if (text.empty() || (maxCount && *maxCount <= 0)) return {};
  if (delimiter.empty()) return {Text(text)};
  std::vector<Text> items;
  std::size_t pieceStart = 0;
  // After a delimiter the scan goes on right behind it, wherever that is.
  for (std::size_t p = 0; delimiter.size() <= text.size() - p;) {
    if (!MatchesAt(text, p, delimiter, false)) {
      p += IsHigh(text[p]) ? 2 : 1;
      if (p > text.size()) break;
      continue;
    }
    items.emplace_back(text.substr(pieceStart, p - pieceStart));
    if (maxCount && items.size() == static_cast<std::size_t>(*maxCount)) return items;
    p += delimiter.size();
    pieceStart = p;
  }
  if (pieceStart < text.size()) items.emplace_back(text.substr(pieceStart));
  return items;
}

bool IsSpaceAt(std::string_view text, std::size_t p) {
  return text[p] == ' ' || (p + 1 < text.size() && text[p] == '\xA1' && text[p + 1] == '\xA1');
}

Text PlainRemoveAllSpaces(std::string_view text) {
  Text out;
  for (std::size_t p : Stops(text, 0)) {
    if (!IsHigh(text[p])) {
      if (text[p] != ' ') out += text[p];
      continue;
    }
    if (p + 1 == text.size()) break;  // a lone first byte at the end is left out
    if (IsSpaceAt(text, p)) continue;
    out += text[p];
    if (text[p + 1] != ' ') out += text[p + 1];  // a 0x20 goes even as a second byte
  }
  return out;
}

Text PlainTrimBoth(std::string_view text) {
  struct Unit {
    std::size_t begin;
    std::size_t end;
    bool space;
  };
  std::vector<Unit> units;
  for (std::size_t p : Stops(text, 0)) {
    if (IsHigh(text[p]) && p + 1 == text.size()) break;
    const std::size_t end = p + (IsHigh(text[p]) ? 2 : 1);
    units.push_back({p, end, IsSpaceAt(text, p)});
  }
  std::size_t first = 0;
  std::size_t last = units.size();
  while (first < last && units[first].space) ++first;
  while (last > first && units[last - 1].space) --last;
  if (first == last) return {};
  return Text(text.substr(units[first].begin, units[last - 1].end - units[first].begin));
}

int PlainToInt(std::string_view text) {
  std::string ascii;
  for (std::size_t p = 0; p < text.size(); ++p) {
    const auto lead = static_cast<unsigned char>(text[p]);
    if (lead < 0x80 || p + 1 == text.size()) {
      ascii += text[p];
      continue;
    }
    const auto second = static_cast<unsigned char>(text[++p]);
    if (lead == 0xA3 && second >= 0xA1 && second <= 0xFE) {
      ascii += static_cast<char>(second - 0x80);
    } else if (lead == 0xA1 && second == 0xA1) {
      ascii += ' ';
    } else if (lead == 0xA1 && second == 0xAB) {
      ascii += '~';
    } else if (lead == 0xA1 && (second == 0xEE || second == 0xEF)) {
      ascii += '*';
    } else {
      ascii += '\x80';  // a character no rule below accepts
    }
  }
  std::size_t p = 0;
  while (p < ascii.size() && (ascii[p] == ' ' || (ascii[p] >= '\t' && ascii[p] <= '\r'))) ++p;
  bool negative = false;
  if (p < ascii.size() && (ascii[p] == '+' || ascii[p] == '-')) negative = ascii[p++] == '-';
  long long value = 0;
  for (; p < ascii.size() && ascii[p] >= '0' && ascii[p] <= '9'; ++p) {
    value = std::min(value * 10 + (ascii[p] - '0'), 1LL << 32);
  }
  value = negative ? -value : value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
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
