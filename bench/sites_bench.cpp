// The site scrapers on the headless window system, fed by the fixture sites' generator.
// Goals: a 10,000-chapter catalogue page (about 1 MB) to a filled chapter drop-down in at
// most 3 ms; a 30 KB chapter page to cleaned text in at most 0.1 ms, for each site. The
// whole catalogue road over loopback HTTPS is reported beside them.
//
// VELNORA_BENCH_CATALOGUE=<file> makes the catalogue benchmark read that file's bytes
// instead (a site A page, code page 936), so the figure can be set beside other tools'
// on the same bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "core/reader_state.h"
#include "core/settings.h"
#include "platform/window/headless/headless_window_system.h"
#include "sites/catalogue.h"
#include "sites/chapter.h"
#include "sites/site_table.h"
#include "text/code_page.h"
#include "tools/fixture_sites/fixture_sites.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/timed_message_box.h"

namespace velnora {
namespace {

using fixtures::Site;
using platform::window::HeadlessWindowSystem;
using platform::window::WindowHandle;
namespace main_window = ui::main_window;

// A page as the scraper holds it after the download: site B's UTF-8 becomes code page 936
// as the response decoding or the adapter would make it.
std::string AsDownloaded(Site site, std::string page) {
  return site == Site::kB ? text::Utf8ToGbk(page) : page;
}

std::optional<std::string> CatalogueFromEnvironment() {
  const char* path = std::getenv("VELNORA_BENCH_CATALOGUE");
  if (path == nullptr || *path == '\0') return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The real main window, built from its definition on a headless window system that is
// active for the window's lifetime, with the reader state set up as start-up sets it.
class HeadlessMainWindow {
 public:
  explicit HeadlessMainWindow(core::SiteHosts hosts) : hosts_(std::move(hosts)) {
    core::InitReaderState();
    main_ = system_.CreateTopLevelWindow(main_window::MainWindowDefinition(hosts_), {});
    system_.SetVisible(main_, true);
  }
  ~HeadlessMainWindow() { core::ReleaseReaderState(); }
  HeadlessMainWindow(const HeadlessMainWindow&) = delete;
  HeadlessMainWindow& operator=(const HeadlessMainWindow&) = delete;

  [[nodiscard]] sites::CatalogueWindow Catalogue(sites::Notice notice) const {
    return ui::MainWindowCatalogue(main_, hosts_, std::move(notice));
  }

  [[nodiscard]] int ChapterCount() const {
    return system_.ItemCount(main_, main_window::kChapterDropDown);
  }

  HeadlessWindowSystem& System() { return system_; }
  [[nodiscard]] WindowHandle Main() const { return main_; }

 private:
  HeadlessWindowSystem system_;
  platform::window::ActiveWindowSystemScope active_{&system_};
  core::SiteHosts hosts_;
  WindowHandle main_ = 0;
};

void IgnoreNotice(std::string_view, int, std::optional<text::Text>, std::optional<int>) {}

// The notice the main window's handler gives the scraper: the timed box, here on the
// headless clock, which moves on by the time-out instead of sleeping.
void TimedNotice(std::string_view text, int style, std::optional<text::Text> caption,
                 std::optional<int> timeoutMs) {
  ui::TimedMessageBox(text,
                      {.style = style, .caption = std::move(caption), .timeoutMs = timeoutMs});
}

// Page text to filled drop-down: the cuts, the split, the chapter list, every title added
// with its progress step, the selection and the result notice (here a no-op: the box is
// not part of the goal). Argument 0: site A (or the file named by the environment),
// 1: site B, converted to code page 936 before the clock runs.
void BM_CatalogueToDropDown(benchmark::State& state) {
  const int siteIndex = static_cast<int>(state.range(0));
  const Site site = siteIndex == sites::kSiteA ? Site::kA : Site::kB;
  std::optional<std::string> page =
      site == Site::kA ? CatalogueFromEnvironment() : std::optional<std::string>();
  if (!page) {
    const std::string_view book =
        site == Site::kA ? fixtures::kA10000Chapters : fixtures::kB10000Chapters;
    page = AsDownloaded(site, fixtures::CataloguePage(site, book));
  }
  if (page->empty()) {
    state.SkipWithError("no page: VELNORA_BENCH_CATALOGUE names a file that cannot be read");
    return;
  }
  HeadlessMainWindow window({});
  const sites::CatalogueWindow target = window.Catalogue(IgnoreNotice);
  for (auto _ : state) {
    sites::ShowCatalogue(siteIndex, target, *page);
  }
  if (window.ChapterCount() == 0) state.SkipWithError("the page lists no chapters");
  state.counters["chapters"] = window.ChapterCount();
  state.counters["bytes"] = static_cast<double>(page->size());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page->size()));
}
BENCHMARK(BM_CatalogueToDropDown)
    ->Arg(sites::kSiteA)
    ->Arg(sites::kSiteB)
    ->Unit(benchmark::kMillisecond);

// The long chapter's page (about 30 KB) to its cleaned text, per site.
void BM_ChapterToText(benchmark::State& state) {
  const int siteIndex = static_cast<int>(state.range(0));
  const Site site = siteIndex == sites::kSiteA ? Site::kA : Site::kB;
  const std::string_view book =
      site == Site::kA ? fixtures::kA10000Chapters : fixtures::kB10000Chapters;
  const std::string page =
      AsDownloaded(site, fixtures::ChapterPage(site, book, fixtures::kLongChapter));
  std::size_t textBytes = 0;
  for (auto _ : state) {
    const text::Text text = sites::ChapterText(siteIndex, page);
    textBytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  if (textBytes == 0) state.SkipWithError("no chapter text found");
  state.counters["page_bytes"] = static_cast<double>(page.size());
  state.counters["text_bytes"] = static_cast<double>(textBytes);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_ChapterToText)->Arg(sites::kSiteA)->Arg(sites::kSiteB)->Unit(benchmark::kMicrosecond);

// The whole "获取章节" road for site A's 10,000-chapter book: the request over loopback
// HTTPS to the fixture sites, the response decoding, the "请耐心等待..." box and everything
// after it, through the scraper the main window's button runs. Reported, no goal.
void BM_CatalogueRoad(benchmark::State& state) {
  const fixtures::FixtureSites fixtureSites;
  if (!fixtureSites.Started()) {
    state.SkipWithError("the fixture sites did not start");
    return;
  }
  HeadlessMainWindow window(
      {.siteA = fixtureSites.Host(Site::kA), .siteB = fixtureSites.Host(Site::kB)});
  window.System().SetSelection(window.Main(), main_window::kSiteDropDown, sites::kSiteA);
  window.System().SetEditText(window.Main(), main_window::kNovelIdBox, fixtures::kA10000Chapters);
  const sites::CatalogueWindow target = window.Catalogue(TimedNotice);
  // The fixture makes its pages on the first request, and connections and allocator
  // pools settle in the first rounds.
  for (int i = 0; i < 3; ++i) sites::FetchCatalogue(target);
  for (auto _ : state) {
    sites::FetchCatalogue(target);
  }
  if (window.ChapterCount() != 10000) state.SkipWithError("the drop-down is not filled");
  state.counters["chapters"] = window.ChapterCount();
}
BENCHMARK(BM_CatalogueRoad)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velnora
