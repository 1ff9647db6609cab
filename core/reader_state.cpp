#include "core/reader_state.h"

namespace velnora::core {

ReaderState& TheReaderState() {
  static ReaderState state;
  return state;
}

void InitReaderState() {
  TheReaderState() = ReaderState{};
}

void ReleaseReaderState() {
  ReaderState& state = TheReaderState();
  // Swapping with fresh values hands the memory back; clear() would keep the capacity.
  text::Text().swap(state.baseUrl);
  state.chapterEntries = text::TextList();
  text::Text().swap(state.currentEntry);
  text::Text().swap(state.chapterText);
}

}  // namespace velnora::core
