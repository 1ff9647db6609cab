// Plain byte-by-byte versions of the scanning text primitives, written straight from
// their contracts: slow and obviously right. The tests and the fuzzer hold the fast
// implementations to them.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace velnora::testing::reference {

using text::Text;

inline bool IsHigh(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

inline char Fold(char c, bool fold) {
  return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

inline bool MatchesAt(std::string_view text, std::size_t p, std::string_view find, bool fold) {
  if (p > text.size() || find.size() > text.size() - p) return false;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (Fold(text[p + i], fold) != Fold(find[i], fold)) return false;
  }
  return true;
}

// Every stop of the character scan that begins at `from`; it ends after a lone first
// byte at the very end.
inline std::vector<std::size_t> Stops(std::string_view text, std::size_t from) {
  std::vector<std::size_t> stops;
  for (std::size_t p = from; p < text.size();) {
    stops.push_back(p);
    if (IsHigh(text[p]) && p + 1 == text.size()) break;
    p += IsHigh(text[p]) ? 2 : 1;
  }
  return stops;
}

inline int PlainFind(std::string_view text, std::string_view find, int start, bool fold) {
  if (find.empty()) return text.empty() ? -1 : 1;
  start = std::max(start, 1);
  if (static_cast<std::size_t>(start) > text.size()) return -1;
  for (std::size_t p : Stops(text, static_cast<std::size_t>(start - 1))) {
    if (MatchesAt(text, p, find, fold)) return static_cast<int>(p) + 1;
  }
  return -1;
}

inline int PlainFindReverse(std::string_view text, std::string_view find, std::optional<int> start,
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

inline Text PlainReplace(std::string_view text, std::string_view find, std::string_view replacement,
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

inline std::vector<Text> PlainSplit(std::string_view text, std::string_view delimiter,
                                    std::optional<int> maxCount = std::nullopt) {
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

inline bool IsSpaceAt(std::string_view text, std::size_t p) {
  return text[p] == ' ' || (p + 1 < text.size() && text[p] == '\xA1' && text[p + 1] == '\xA1');
}

inline Text PlainRemoveAllSpaces(std::string_view text) {
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

inline Text PlainTrimBoth(std::string_view text) {
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

inline int PlainToInt(std::string_view text) {
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

// TextMid: bytes start to start + n - 1, empty for a start outside the text or n below 1.
inline Text PlainMid(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

// The marker cuts with start and ignoreCase left out, as every caller in the program uses
// them. The markers are taken as given: a caller writes a real double quote where the
// program's marker holds the placeholder.
inline Text PlainTextRightOf(std::string_view text, std::string_view marker) {
  const int pos = PlainFindReverse(text, marker, static_cast<int>(text.size()), false);
  if (pos == -1) return {};
  return Text(text.substr(static_cast<std::size_t>(pos - 1) + marker.size()));
}

inline Text PlainTextLeftOf(std::string_view text, std::string_view marker) {
  const int pos = PlainFind(text, marker, 1, false);
  if (pos == -1) return {};
  return Text(text.substr(0, static_cast<std::size_t>(pos - 1)));
}

inline Text PlainTextBetween(std::string_view text, std::string_view startMarker,
                             std::string_view endMarker) {
  const int p = PlainFind(text, startMarker, 1, false);
  if (p == -1) return {};
  const int c = p + static_cast<int>(startMarker.size());
  const int q = PlainFind(text, endMarker, c, false);
  if (q == -1) return {};
  return PlainMid(text, c, q - c);
}

}  // namespace velnora::testing::reference
