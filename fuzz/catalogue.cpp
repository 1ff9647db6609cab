// Fuzzes the catalogue scrapers of both sites on arbitrary page bytes, through a real
// headless main window: the chapter list, the drop-down, the progress bar, the group
// box's caption and the result notice are held to the scrape as its site table and steps
// describe it (written here with the plain primitives), and to the invariants every
// handler relies on: item k of the drop-down stands for list item k + 1, the selection is
// item 0 or none, the progress is a percentage.
#include "sites/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reader_state.h"
#include "fuzz/inputs.h"
#include "platform/window/headless/headless_window_system.h"
#include "tests/support/hex.h"
#include "tests/support/text_reference.h"
#include "text/code_page.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/timed_message_box.h"

namespace {

using velnora::platform::window::ActiveWindowSystemScope;
using velnora::platform::window::HeadlessWindowSystem;
using velnora::platform::window::WindowHandle;
using velnora::testing::Hex;
using velnora::text::Text;
namespace fuzzing = velnora::fuzzing;
namespace main_window = velnora::ui::main_window;
namespace reference = velnora::testing::reference;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// Texts as Python's gbk codec writes them.
const std::string kTitleStartA = Hex("64 74 3E A1 B6");                         // dt>《
const std::string kTitleEndA = Hex("A1 B7 D5 FD CE C4 3C 2F 64 74");            // 》正文</dt
const std::string kSectionStartB = Hex("D5 C2 BD DA C4 BF C2 BC 3C 2F 68 32");  // 章节目录</h2
const std::string kFetched = Hex("D2 D1 BB F1 C8 A1");                          // 已获取
const std::string kNoSuchBook = Hex("C3 BB D3 D0 D5 E2 B1 BE CA E9");           // 没有这本书
const std::string kFetchFailed = Hex("BB F1 C8 A1 CA A7 B0 DC A3 BA");          // 获取失败：
const std::string kReminder = Hex("D3 D1 C7 E9 CC E1 D0 D1");                   // 友情提醒

struct Scrape {
  Text title;
  std::vector<Text> pieces;
};

// The cuts of the site's table, in the scrape's order.
Scrape ScrapeOf(int site, std::string_view page) {
  Scrape s;
  Text block;
  if (site == 0) {
    s.title = reference::PlainTextBetween(page, kTitleStartA, kTitleEndA);
    block =
        reference::PlainTextLeftOf(reference::PlainTextBetween(page, "</dt>", "</div>"), "</dl>");
  } else {
    s.title = reference::PlainRemoveAllSpaces(reference::PlainTextBetween(page, "h1>", "</h1"));
    block = reference::PlainTextBetween(
        reference::PlainTextBetween(page, kSectionStartB, "<div class=\"seofooter\""),
        "class=\"dirlist clearfix\"", "</ul");
  }
  s.pieces =
      reference::PlainSplit(reference::PlainRemoveAllSpaces(block), site == 0 ? "</dd>" : "</li>");
  return s;
}

struct Notice {
  Text text;
  int style;
  std::optional<Text> caption;
  std::optional<int> timeoutMs;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputReader input(data, size);
  const int site = fuzzing::SiteOf(input.Byte());
  const std::uint8_t flags = input.Byte();
  const Text failure = input.Text();
  Text page = input.RestAsText();
  if ((flags & fuzzing::kCatalogueFromUtf8) != 0) page = velnora::text::Utf8ToGbk(page);
  const bool timedBox = (flags & fuzzing::kCatalogueTimedBox) != 0;

  HeadlessWindowSystem system;
  ActiveWindowSystemScope scope(&system);
  velnora::core::InitReaderState();
  const velnora::core::SiteHosts hosts{.siteA = "127.0.0.1:8443", .siteB = "127.0.0.1:8080"};
  const WindowHandle window =
      system.CreateTopLevelWindow(main_window::MainWindowDefinition(hosts), {});
  system.SetVisible(window, true);
  if ((flags & fuzzing::kCataloguePrefilled) != 0) {
    system.AddItem(window, main_window::kChapterDropDown, "earlier");
    system.AddItem(window, main_window::kChapterDropDown, "scrape");
    system.SetSelection(window, main_window::kChapterDropDown, 1);
    system.SetProgress(window, main_window::kProgressBar, 40);
    system.SetCaption(window, main_window::kReadGroup, "earlier title");
  }
  const int itemsBefore = system.ItemCount(window, main_window::kChapterDropDown);
  const int progressBefore = system.Progress(window, main_window::kProgressBar);
  const Text captionBefore = system.Caption(window, main_window::kReadGroup);

  std::vector<Notice> notices;
  velnora::sites::Notice notice = [&](std::string_view text, int style, std::optional<Text> caption,
                                      std::optional<int> timeoutMs) {
    notices.push_back({Text(text), style, caption, timeoutMs});
    if (timedBox) {
      velnora::ui::TimedMessageBox(text,
                                   {.style = style, .caption = caption, .timeoutMs = timeoutMs});
    }
  };
  velnora::sites::ShowCatalogue(site, velnora::ui::MainWindowCatalogue(window, hosts, notice), page,
                                failure);

  const velnora::core::ReaderState& state = velnora::core::TheReaderState();
  const int items = system.ItemCount(window, main_window::kChapterDropDown);
  const int selection = system.Selection(window, main_window::kChapterDropDown);
  const int progress = system.Progress(window, main_window::kProgressBar);
  Require(state.baseUrl.empty() && state.siteIndex == 0, "showing a page leaves the site alone");
  Require(progress >= 0 && progress <= 100, "the progress is a percentage");

  if (site != 0 && site != 1) {
    Require(state.chapterEntries.Count() == 0 && items == itemsBefore &&
                progress == progressBefore && notices.empty() && system.Boxes().empty(),
            "no site, no scrape");
    velnora::core::ReleaseReaderState();
    return 0;
  }

  const Scrape expected = ScrapeOf(site, failure.empty() ? std::string_view(page) : "");
  Require(state.chapterEntries.Items() == expected.pieces,
          "the list holds every piece of the split");
  const int count = state.chapterEntries.Count();
  Require(items == (count > 1 ? count - 1 : 0), "one drop-down item per entry but the last piece");
  Require(selection == (items > 0 ? 0 : -1), "item 0 is selected, or none in an empty list");
  for (int k = 0; k < items; ++k) {
    Require(system.ItemText(window, main_window::kChapterDropDown, k) ==
                reference::PlainTextBetween(state.chapterEntries.Item(k + 1), "\">", "</a>"),
            "item k is the title of list item k + 1");
  }
  const int n = count - 1;
  Require(progress == (n >= 1 ? static_cast<int>(100.0 / n * n) : progressBefore),
          "the progress ends on the last step, or stays");

  Text result = kNoSuchBook;
  if (!failure.empty()) {
    result = kFetchFailed + failure;
  } else if (!expected.title.empty()) {
    result = kFetched + expected.title;
  }
  Require(notices.size() == 1 && notices[0].text == result && notices[0].style == 0 &&
              !notices[0].caption && !notices[0].timeoutMs,
          "one result notice, with the defaults");
  if (timedBox) {
    Require(system.Boxes().size() == 1 && system.Boxes()[0].text == result &&
                system.Boxes()[0].caption == kReminder && system.Boxes()[0].timeoutMs == 5000u &&
                system.Boxes()[0].owner == window,
            "the timed box shows the notice over the main window");
  }
  const bool titled = failure.empty() && !expected.title.empty();
  Require(
      system.Caption(window, main_window::kReadGroup) == (titled ? expected.title : captionBefore),
      "the group box takes the title of a book found");
  velnora::core::ReleaseReaderState();
  return 0;
}
