// A long session of the program on the headless window system, through the real main
// and reader windows' handlers, against the fixture sites in this process: 2,000
// "获取章节" of the 1,500-chapter book, the sites taking turns, and after each one "阅读"
// and nine steps with "下一章" and "上一章" (20,000 chapter loads in all). Goal: the
// resident set after the first 100 rounds and at the end differ by at most 1 MB
// (drift_mb). heap_drift_mb is the same difference in the bytes the allocator has handed
// out; the chunks its per-thread caches hold count as handed out, so a few tens of KB come
// and go with them (GLIBC_TUNABLES=glibc.malloc.tcache_count=0 shows the program's own
// heap alone). Runs once; run it alone (--benchmark_filter=Soak) so that no other suite's
// memory counts.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "bench/support/resident_memory.h"
#include "core/reader_state.h"
#include "core/settings.h"
#include "platform/window/headless/headless_window_system.h"
#include "tests/support/hex.h"
#include "text/code_page.h"
#include "tools/fixture_sites/fixture_sites.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

namespace velnora {
namespace {

using fixtures::Site;
using platform::window::HeadlessWindowSystem;
using platform::window::WindowHandle;
using testing::Hex;
namespace main_window = ui::main_window;
namespace reader_window = ui::reader_window;

constexpr int kRounds = 2000;
constexpr int kSettlingRounds = 100;
constexpr int kBookChapters = 1500;

double ResidentMb() {
  return static_cast<double>(velnora::bench::ResidentKb()) / 1024.0;
}

// The bytes the allocator has handed out and not had back, over all its arenas: beside
// the resident set, it tells a growing heap from pages the allocator keeps.
double HeapInUseMb() {
  return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// The program as start-up leaves it, in a run directory of its own whose settings file
// names the fixture sites' hosts.
class Program {
 public:
  explicit Program(const fixtures::FixtureSites& sites) {
    std::string pattern = (std::filesystem::temp_directory_path() / "velnora-soak-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir_ = pattern;
    core::SetRunDirectoryForTesting(dir_.string());
    // [小说网站地址], 笔趣阁= and 星辰小说网= in code page 936, as Python's gbk codec
    // writes them.
    const std::string settings = Hex("5B D0 A1 CB B5 CD F8 D5 BE B5 D8 D6 B7 5D 0D 0A") +
                                 Hex("B1 CA C8 A4 B8 F3 3D") + sites.Host(Site::kA) + "\r\n" +
                                 Hex("D0 C7 B3 BD D0 A1 CB B5 CD F8 3D") + sites.Host(Site::kB) +
                                 "\r\n";
    std::ofstream(dir_ / "\xe9\x85\x8d\xe7\xbd\xae.ini", std::ios::binary) << settings;
    core::InitReaderState();
    main = ui::CreateMainWindow(system);
    system.SetVisible(main, true);
  }
  ~Program() {
    core::ReleaseReaderState();
    core::SetRunDirectoryForTesting(std::nullopt);
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  [[nodiscard]] bool Started() const { return main != 0; }

  void Run() {
    while (system.HasQueuedActions()) system.StepEventLoop();
  }

  HeadlessWindowSystem system;

 private:
  platform::window::ActiveWindowSystemScope active_{&system};
  std::filesystem::path dir_;

 public:
  WindowHandle main = 0;
};

// One round: the catalogue of `site`'s 1,500-chapter book, then the reader on item
// `item`, five steps forward and four back, and "目录". False when the list or the last
// chapter shown is not what the site serves.
bool Round(Program& p, Site site, int item) {
  const std::string_view book =
      site == Site::kA ? fixtures::kA1500Chapters : fixtures::kB1500Chapters;
  p.system.QueueSelect(p.main, main_window::kSiteDropDown, site == Site::kA ? 0 : 1);
  p.system.QueueAction(
      [&p, book] { p.system.SetEditText(p.main, main_window::kNovelIdBox, book); });
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.Run();
  if (p.system.ItemCount(p.main, main_window::kChapterDropDown) != kBookChapters) return false;

  p.system.QueueSelect(p.main, main_window::kChapterDropDown, item);
  p.system.QueueClick(p.main, main_window::kReadButton);
  for (int step = 0; step < 9; ++step) {
    p.system.NextSettledPoint();
    p.system.QueueClickInModal(step < 5 ? reader_window::kNextButton
                                        : reader_window::kPreviousButton);
  }
  p.system.NextSettledPoint();
  p.system.QueueClickInModal(reader_window::kCatalogueButton);
  p.Run();
  p.system.ForgetBoxes();
  // "阅读" showed chapter item + 1; the steps end one further on.
  const int last = item + 2;
  const std::string first = text::Utf8ToGbk(fixtures::ChapterParagraphs(site, book, last).front());
  return core::TheReaderState().chapterText.find(first) != std::string::npos;
}

void BM_SoakCataloguesAndChapters(benchmark::State& state) {
  const fixtures::FixtureSites sites;
  if (!sites.Started()) {
    state.SkipWithError("the fixture sites did not start");
    return;
  }
  Program program(sites);
  if (!program.Started()) {
    state.SkipWithError("no run directory");
    return;
  }
  double settled = 0;
  double end = 0;
  double heapSettled = 0;
  double heapEnd = 0;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      const Site site = round % 2 == 0 ? Site::kA : Site::kB;
      // Items spread over the book, clear of both ends.
      const int item = (round * 61) % (kBookChapters - 20);
      if (!Round(program, site, item)) {
        state.SkipWithError(("round " + std::to_string(round) + " went wrong").c_str());
        return;
      }
      if (round + 1 == kSettlingRounds) {
        settled = ResidentMb();
        heapSettled = HeapInUseMb();
      }
    }
    end = ResidentMb();
    heapEnd = HeapInUseMb();
  }
  state.counters["catalogue_fetches"] = kRounds;
  state.counters["chapter_loads"] = kRounds * 10;
  state.counters["rss_after_100_rounds_mb"] = settled;
  state.counters["rss_end_mb"] = end;
  state.counters["drift_mb"] = end - settled;
  state.counters["heap_drift_mb"] = heapEnd - heapSettled;
}
BENCHMARK(BM_SoakCataloguesAndChapters)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace velnora
