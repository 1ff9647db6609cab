// The real window system on the offscreen platform: start-up to the main window shown
// (goal: at most 300 ms), a 10,000-chapter catalogue filled into the real drop-down with
// its progress updates once the page text is there (goal: at most 50 ms), and the
// resident set with that catalogue loaded and a chapter shown (goal: at most 60 MB; run
// it alone, --benchmark_filter=ResidentSet, so that no other suite's memory counts).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/support/resident_memory.h"
#include "core/reader_state.h"
#include "platform/window/qt/qt_window_system.h"
#include "sites/catalogue.h"
#include "sites/chapter.h"
#include "tools/fixture_sites/fixture_sites.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

namespace {

using velnora::platform::window::ActiveWindowSystemScope;
using velnora::platform::window::QtWindowSystem;
using velnora::platform::window::WindowHandle;
namespace core = velnora::core;
namespace fixtures = velnora::fixtures;
namespace main_window = velnora::ui::main_window;
namespace reader_window = velnora::ui::reader_window;
namespace sites = velnora::sites;

void UseOffscreenUnlessChosen() {
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
}

sites::CatalogueWindow CatalogueIn(WindowHandle mainWindow) {
  // The result notice is a box that waits for its time-out; it is no part of filling the
  // list.
  return velnora::ui::MainWindowCatalogue(
      mainWindow, {},
      [](std::string_view, int, std::optional<velnora::text::Text>, std::optional<int>) {});
}

// The program as start-up leaves it: the window system, the reader state and the main
// window shown.
struct Program {
  Program() {
    UseOffscreenUnlessChosen();
    started = system.Initialise();
    if (!started) return;
    active = std::make_unique<ActiveWindowSystemScope>(&system);
    core::InitReaderState();
    mainWindow = velnora::ui::CreateMainWindow(system);
    system.SetVisible(mainWindow, true);
    system.ProcessPendingEvents();
  }
  ~Program() {
    core::ReleaseReaderState();
    active.reset();
  }

  QtWindowSystem system;
  bool started = false;
  std::unique_ptr<ActiveWindowSystemScope> active;
  WindowHandle mainWindow = 0;
};

void BM_StartUpToTheMainWindowShown(benchmark::State& state) {
  for (auto _ : state) {
    auto program = std::make_unique<Program>();
    if (!program->started) {
      state.SkipWithError("no window system");
      return;
    }
    benchmark::DoNotOptimize(program->system.IsWindowShown(program->mainWindow));
    state.PauseTiming();
    program.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToTheMainWindowShown)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TenThousandChaptersIntoTheDropDown(benchmark::State& state) {
  Program program;
  if (!program.started) {
    state.SkipWithError("no window system");
    return;
  }
  const std::string page = fixtures::CataloguePage(fixtures::Site::kA, fixtures::kA10000Chapters);
  const sites::CatalogueWindow target = CatalogueIn(program.mainWindow);
  for (auto _ : state) {
    sites::ShowCatalogue(0, target, page);
    program.system.ProcessPendingEvents();  // the repaint of the list and the bar
  }
  state.counters["items"] =
      program.system.ItemCount(program.mainWindow, main_window::kChapterDropDown);
}
BENCHMARK(BM_TenThousandChaptersIntoTheDropDown)->Unit(benchmark::kMillisecond);

void BM_ResidentSetWithTheCatalogueAndAChapter(benchmark::State& state) {
  for (auto _ : state) {
    Program program;
    if (!program.started) {
      state.SkipWithError("no window system");
      return;
    }
    sites::ShowCatalogue(0, CatalogueIn(program.mainWindow),
                         fixtures::CataloguePage(fixtures::Site::kA, fixtures::kA10000Chapters));
    program.system.SetVisible(program.mainWindow, false);
    const WindowHandle reader =
        program.system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
    program.system.SetVisible(reader, true);
    core::ReaderState& reading = core::TheReaderState();
    reading.position = fixtures::kLongChapter;
    reading.currentEntry = reading.chapterEntries.Item(reading.position);
    sites::ShowChapter(
        0, {.window = reader, .textBox = reader_window::kTextBox},
        fixtures::ChapterPage(fixtures::Site::kA, fixtures::kA10000Chapters, reading.position));
    program.system.ProcessPendingEvents();
    state.counters["rss_mb"] = static_cast<double>(velnora::bench::ResidentKb()) / 1024.0;
    state.counters["chapter_bytes"] = static_cast<double>(reading.chapterText.size());
  }
}
BENCHMARK(BM_ResidentSetWithTheCatalogueAndAChapter)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
