#include "ui/reader_window.h"

#include <string_view>

#include "core/reader_state.h"
#include "sites/chapter.h"
#include "text/gbk_literal.h"
#include "ui/reader_window_layout.h"

namespace velnora::ui {

using namespace text::literals;

namespace {

using platform::window::ActiveWindowSystem;

constexpr std::string_view kNoChapterChosen = "出错"_gbk;
constexpr std::string_view kAtLastChapter = "当前章节已是最后了"_gbk;
constexpr std::string_view kAtFirstChapter = "当前章节已是第一章了"_gbk;

// The reader's messages: the plain box, OK only, default caption, no owner.
void Tell(std::string_view message) {
  if (auto* system = ActiveWindowSystem()) system->ShowMessageBox(message);
}

void Load(WindowHandle readerWindow) {
  sites::LoadChapter({.window = readerWindow, .textBox = reader_window::kTextBox});
}

// Copies entry `position` before the load, so a nested step during the download finds
// the state consistent.
void ShowPosition(WindowHandle readerWindow) {
  core::ReaderState& state = core::TheReaderState();
  state.currentEntry = state.chapterEntries.Item(state.position);
  Load(readerWindow);
}

}  // namespace

platform::window::WindowHandlers ReaderWindowHandlers() {
  return {.created = ShowChosenChapter,
          .buttonClicked = {
              {text::Text(reader_window::kNextButton), NextChapter},
              {text::Text(reader_window::kPreviousButton), PreviousChapter},
              {text::Text(reader_window::kCatalogueButton), BackToCatalogue},
          }};
}

void ShowChosenChapter(WindowHandle readerWindow) {
  core::ReaderState& state = core::TheReaderState();
  if (state.chosenIndex < 0) {
    Tell(kNoChapterChosen);
  } else {
    state.currentEntry = state.chapterEntries.Item(state.chosenIndex + 1);
    state.position = state.chosenIndex + 1;
  }
  Load(readerWindow);
}

void NextChapter(WindowHandle readerWindow) {
  core::ReaderState& state = core::TheReaderState();
  ++state.position;
  if (state.position > state.lastNumber) {
    Tell(kAtLastChapter);
    --core::TheReaderState().position;
    return;
  }
  ShowPosition(readerWindow);
}

void PreviousChapter(WindowHandle readerWindow) {
  core::ReaderState& state = core::TheReaderState();
  --state.position;
  if (state.position < 1) {
    Tell(kAtFirstChapter);
    ++core::TheReaderState().position;
    return;
  }
  ShowPosition(readerWindow);
}

void BackToCatalogue(WindowHandle readerWindow) {
  core::TheReaderState().chosenIndex = core::TheReaderState().position;
  if (auto* system = ActiveWindowSystem()) system->CloseWindow(readerWindow);
}

}  // namespace velnora::ui
