// The scanning primitives find candidates with fast byte searches and then check them
// against character starts. These tests hold them to a plain byte-by-byte character
// scan on many generated texts, long enough to reach the block-wise code paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/primitives.h"

namespace velnora::text {
namespace {

bool IsHigh(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

char FoldByte(char c, bool fold) {
  return fold && c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

bool MatchesAt(std::string_view text, std::size_t p, std::string_view find, bool fold) {
  if (p + find.size() > text.size()) return false;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (FoldByte(text[p + i], fold) != FoldByte(find[i], fold)) return false;
  }
  return true;
}

// Every stop of the character scan from `from`, in order; ends at a lone first byte.
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

int PlainFindReverse(std::string_view text, std::string_view find, int start, bool fold) {
  if (start <= 1) return -1;
  const std::string_view window = text.substr(0, static_cast<std::size_t>(start - 1));
  if (find.empty()) return window.empty() ? -1 : 1;
  int last = -1;
  for (std::size_t p : Stops(text, 0)) {
    if (p + find.size() <= window.size() && MatchesAt(text, p, find, fold)) {
      last = static_cast<int>(p) + 1;
    }
  }
  return last;
}

Text PlainReplace(std::string_view text, std::string_view find, std::string_view replacement,
                  int start, int count, bool fold) {
  start = std::max(start, 1);
  if (text.empty() || find.empty() || static_cast<std::size_t>(start - 1) >= text.size() ||
      count == 0) {
    return Text(text);
  }
  Text out(text.substr(0, static_cast<std::size_t>(start - 1)));
  std::size_t p = static_cast<std::size_t>(start - 1);
  int replaced = 0;
  while (p + find.size() <= text.size() && (count < 0 || replaced < count)) {
    if (MatchesAt(text, p, find, fold)) {
      out += replacement;
      p += find.size();
      ++replaced;
      continue;
    }
    const std::size_t unit = IsHigh(text[p]) ? 2 : 1;
    if (p + unit <= text.size()) out += text.substr(p, unit);
    p += unit;
  }
  if (p < text.size()) out += text.substr(p);
  return out;
}

std::vector<Text> PlainSplit(std::string_view text, std::string_view delimiter) {
  if (text.empty()) return {};
  if (delimiter.empty()) return {Text(text)};
  std::vector<Text> items;
  std::size_t pieceStart = 0;
  for (std::size_t p = 0; p + delimiter.size() <= text.size();) {
    if (MatchesAt(text, p, delimiter, false)) {
      items.emplace_back(text.substr(pieceStart, p - pieceStart));
      p += delimiter.size();
      pieceStart = p;
      continue;
    }
    p += IsHigh(text[p]) ? 2 : 1;
  }
  if (pieceStart < text.size()) items.emplace_back(text.substr(pieceStart));
  return items;
}

Text PlainRemoveAllSpaces(std::string_view text) {
  Text out;
  for (std::size_t p = 0; p < text.size();) {
    if (!IsHigh(text[p])) {
      if (text[p] != ' ') out += text[p];
      ++p;
      continue;
    }
    if (p + 1 < text.size() && !(text[p] == '\xA1' && text[p + 1] == '\xA1')) {
      out += text[p];
      if (text[p + 1] != ' ') out += text[p + 1];
    }
    p += 2;
  }
  return out;
}

// A deterministic stream of texts over the bytes that decide the scans: letters in both
// cases, a delimiter, the half-width space and first bytes, 0xA1 among them.
class TextSource {
 public:
  std::uint32_t Next(std::uint32_t bound) {
    state_ = state_ * 1664525U + 1013904223U;
    return (state_ >> 8) % bound;
  }
  Text MakeText(std::size_t maxLength) {
    static constexpr char kBytes[] = {'a', 'A', 'b', ',', ' ', '\xA1', '\xD6', '\xB0'};
    Text t(Next(static_cast<std::uint32_t>(maxLength) + 1), ' ');
    // Long runs of first bytes reach the block-wise scans; give them a fair share.
    const bool manyHigh = Next(2) == 0;
    for (char& c : t) c = manyHigh && Next(4) != 0 ? '\xB0' : kBytes[Next(sizeof kBytes)];
    return t;
  }
  Text MakeNeedle(std::string_view text) {
    if (!text.empty() && Next(2) == 0) {
      const std::size_t at = Next(static_cast<std::uint32_t>(text.size()));
      return Text(text.substr(at, 1 + Next(4)));
    }
    return MakeText(3);
  }

 private:
  std::uint32_t state_ = 2024;
};

TEST(ScanningPrimitives, AgreeWithAPlainCharacterScan) {
  TextSource source;
  for (int round = 0; round < 4000; ++round) {
    const Text text = source.MakeText(round % 4 == 0 ? 300 : 40);
    const Text find = source.MakeNeedle(text);
    const int start =
        static_cast<int>(source.Next(static_cast<std::uint32_t>(text.size()) + 3)) - 1;
    const bool fold = source.Next(2) == 0;
    SCOPED_TRACE(testing::Message()
                 << "round " << round << " text " << testing::PrintToString(text) << " find "
                 << testing::PrintToString(find) << " start " << start << " fold " << fold);
    EXPECT_EQ(FindText(text, find, {.start = start, .ignoreCase = fold}),
              PlainFind(text, find, start, fold));
    EXPECT_EQ(FindTextReverse(text, find, {.start = start, .ignoreCase = fold}),
              PlainFindReverse(text, find, start, fold));
    const int count = static_cast<int>(source.Next(4)) - 1;
    EXPECT_EQ(
        ReplaceText(text, find, "#", {.start = start, .count = count, .caseSensitive = !fold}),
        PlainReplace(text, find, "#", start, count, fold));
    EXPECT_EQ(SplitText(text, find).Items(), PlainSplit(text, find));
    EXPECT_EQ(RemoveAllSpaces(text), PlainRemoveAllSpaces(text));
  }
}

TEST(FindText, ManyFalseCandidatesStillFindTheMatch) {
  // Every byte starts a near-match: the search gives up on candidates and still answers,
  // also where the match must start on a character boundary.
  const Text text = Text(20000, 'a') + "b";
  EXPECT_EQ(FindText(text, "aaaab"), 19997);
  EXPECT_EQ(FindText("\xD6" + text, "aaaab"), 19998);
  EXPECT_EQ(FindText("\xD6" + text, "aaaab", {.ignoreCase = true}), 19998);
  EXPECT_EQ(ReplaceText(text, "aaaab", "x"), Text(19996, 'a') + "x");
}

}  // namespace
}  // namespace velnora::text
