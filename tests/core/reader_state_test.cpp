#include "core/reader_state.h"

#include <gtest/gtest.h>

namespace velnora::core {
namespace {

// Designated initialisers must follow declaration order, so this only compiles while
// the fields keep theirs.
ReaderState Filled() {
  return ReaderState{.siteIndex = 1,
                     .baseUrl = "http://xingchen.example",
                     .chapterEntries = text::TextList({"<a>1</a>", "<a>2</a>", "tail"}),
                     .chosenIndex = 1,
                     .lastNumber = 2,
                     .position = 2,
                     .currentEntry = "<a>2</a>",
                     .chapterText = "text"};
}

void ExpectFresh(const ReaderState& state) {
  EXPECT_EQ(state.siteIndex, 0);
  EXPECT_EQ(state.baseUrl, "");
  EXPECT_EQ(state.chapterEntries.Count(), 0);
  EXPECT_EQ(state.chosenIndex, 0);
  EXPECT_EQ(state.lastNumber, 0);
  EXPECT_EQ(state.position, 0);
  EXPECT_EQ(state.currentEntry, "");
  EXPECT_EQ(state.chapterText, "");
}

TEST(TheReaderState, IsOneInstance) {
  EXPECT_EQ(&TheReaderState(), &TheReaderState());
}

TEST(InitReaderState, ResetsEveryField) {
  TheReaderState() = Filled();
  InitReaderState();
  ExpectFresh(TheReaderState());
}

TEST(ReleaseReaderState, ReleasesTextsAndListOnceOrTwice) {
  InitReaderState();
  TheReaderState() = Filled();
  ReleaseReaderState();
  const ReaderState& state = TheReaderState();
  EXPECT_EQ(state.baseUrl, "");
  EXPECT_EQ(state.chapterEntries.Count(), 0);
  EXPECT_EQ(state.currentEntry, "");
  EXPECT_EQ(state.chapterText, "");
  ReleaseReaderState();
  EXPECT_EQ(TheReaderState().chapterEntries.Count(), 0);
}

TEST(ReaderState, CurrentEntryOutlivesAReplacedList) {
  InitReaderState();
  ReaderState& state = TheReaderState();
  state.chapterEntries = text::TextList({"<a>first</a>", "tail"});
  state.position = 1;
  state.currentEntry = state.chapterEntries.Item(state.position);
  state.chapterEntries = text::TextList({"<a>second</a>", "tail"});
  EXPECT_EQ(state.currentEntry, "<a>first</a>");
  EXPECT_EQ(state.chapterEntries.Item(1), "<a>second</a>");
}

TEST(ReaderState, ItemOutsideTheListIsEmpty) {
  InitReaderState();
  EXPECT_EQ(TheReaderState().chapterEntries.Item(1), "");
}

}  // namespace
}  // namespace velnora::core
