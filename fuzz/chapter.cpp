// Fuzzes the chapter scrapers of both sites on arbitrary page bytes and arbitrary chapter
// entries, through a real headless reader window (open, or closed before the page
// arrives): the chapter text is held to the site's cut and cleaning passes (written here
// with the plain primitives), the caption to the title cut from the entry, the text box
// to the chapter text or the failure notice, and the entry is left as it was.
#include "sites/chapter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/reader_state.h"
#include "fuzz/inputs.h"
#include "platform/window/headless/headless_window_system.h"
#include "tests/support/hex.h"
#include "tests/support/text_reference.h"
#include "ui/reader_window_layout.h"

namespace {

using velnora::platform::window::ActiveWindowSystemScope;
using velnora::platform::window::HeadlessWindowSystem;
using velnora::platform::window::WindowHandle;
using velnora::text::Text;
namespace fuzzing = velnora::fuzzing;
namespace reader_window = velnora::ui::reader_window;
namespace reference = velnora::testing::reference;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// "章节获取失败：" as Python's gbk codec writes it.
const std::string kLoadFailed = velnora::testing::Hex("D5 C2 BD DA BB F1 C8 A1 CA A7 B0 DC A3 BA");

// One cleaning pass: every occurrence, letter case ignored.
Text Pass(std::string_view text, std::string_view find, std::string_view replacement) {
  return reference::PlainReplace(text, find, replacement, 1, std::nullopt, true);
}

Text ChapterTextOf(int site, std::string_view page) {
  if (site != 0 && site != 1) return {};
  Text text = site == 0 ? reference::PlainTextBetween(page, "id=\"content\"", "</div")
                        : reference::PlainTextBetween(
                              reference::PlainTextBetween(page, "id=\"chaptercontent\"",
                                                          "<div class=\"info bottominfo\">"),
                              "\">", "</div>");
  text = Pass(text, "&nbsp;", "");
  text = Pass(text, site == 0 ? "<br><br>" : "<br /", "\r\n");
  text = Pass(text, ">", "");
  if (site == 1) text = Pass(text, reference::PlainTextBetween(text, "&#26143&#36784", "&#77"), "");
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputReader input(data, size);
  const int site = fuzzing::SiteOf(input.Byte());
  const std::uint8_t flags = input.Byte();
  const Text entry = input.Text();
  const Text failure = input.Text();
  const Text page = input.RestAsText();
  const bool closed = (flags & fuzzing::kChapterWindowClosed) != 0;

  const Text expectedText = ChapterTextOf(site, page);
  Require(velnora::sites::ChapterText(site, page) == expectedText,
          "the chapter text agrees with the site's cut and passes");

  HeadlessWindowSystem system;
  ActiveWindowSystemScope scope(&system);
  velnora::core::InitReaderState();
  velnora::core::ReaderState& state = velnora::core::TheReaderState();
  state.siteIndex = site;
  state.currentEntry = entry;
  state.chapterText = "earlier chapter";
  const WindowHandle window =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
  system.SetVisible(window, true);
  if (closed) system.CloseWindow(window);

  velnora::sites::ShowChapter(site, {.window = window, .textBox = reader_window::kTextBox}, page,
                              failure);

  const Text shown = failure.empty() ? expectedText : kLoadFailed + failure;
  Require(state.chapterText == shown, "chapterText takes the text, or the failure notice");
  Require(state.currentEntry == entry, "the entry is only read");
  if (closed) {
    Require(!system.IsWindowAlive(window) && system.Title(window).empty(),
            "writes to a closed window go nowhere");
  } else {
    Require(system.Title(window) == reference::PlainTextBetween(entry, "\">", "<"),
            "the caption is the title cut from the entry");
    Require(system.EditText(window, reader_window::kTextBox) == shown,
            "the text box shows chapterText");
  }
  Require(system.Boxes().empty(), "a chapter shows no box");
  velnora::core::ReleaseReaderState();
  return 0;
}
