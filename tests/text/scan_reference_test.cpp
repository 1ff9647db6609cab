// The scanning primitives find candidates with fast byte searches and then check them
// against character starts. These tests hold them to a plain byte-by-byte character
// scan on many generated texts, long enough to reach the block-wise code paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/text_reference.h"
#include "text/primitives.h"

namespace velnora::text {
namespace {

using namespace velnora::testing::reference;

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
      // Up to eight bytes: beyond four, the bytes between a needle's ends count too.
      return Text(text.substr(at, 1 + Next(8)));
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
    SCOPED_TRACE(::testing::Message()
                 << "round " << round << " text " << ::testing::PrintToString(text) << " find "
                 << ::testing::PrintToString(find) << " start " << start << " fold " << fold);
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
