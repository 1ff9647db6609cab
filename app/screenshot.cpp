// Renders the program's windows to PNG files as the screen shows them, for the
// documentation and the demo:
//
//   velnora-screenshot <scene> <file.png>
//
// Scenes: "main" (the main window as it starts), "main-catalogue" (after a catalogue
// has been fetched), "reader" (the reader window on a chapter). Any Qt platform works;
// QT_QPA_PLATFORM=offscreen needs no display, and QT_SCALE_FACTOR=2 renders at a desktop
// scale of 200%. The windows are the program's own, built from their definitions with
// the program's fonts; only their contents are samples.
//
//   velnora-screenshot demo <directory>
//
// runs the whole program instead, as `velnora` runs, with a scripted user in front of
// it: against the hosts its settings file names (scripts/demo points them at the
// fixture sites), it fetches a catalogue and reads a chapter on each site and fetches
// one book whose download fails, and writes what the screen showed on the way, as
// main-catalogue.png, reader-site-a.png, reader-site-b.png and fetch-failed.png.
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/reader_state.h"
#include "core/startup.h"
#include "platform/window/qt/qt_session.h"
#include "platform/window/qt/qt_window_system.h"
#include "text/gbk_literal.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

namespace {

using namespace velnora;
using namespace velnora::text::literals;
using platform::window::QtWindowSystem;
using platform::window::WindowHandle;
namespace main_window = ui::main_window;
namespace reader_window = ui::reader_window;

constexpr std::string_view kBookTitle = "青云志异"_gbk;
constexpr std::string_view kChapters[] = {
    "第一章 山门初开"_gbk, "第二章 夜雨听松"_gbk, "第三章 旧卷残灯"_gbk,
    "第四章 渡口相逢"_gbk, "第五章 风起青萍"_gbk,
};
// The chapter's text in pieces, joined as they stand; "\r\n" ends a paragraph.
constexpr std::string_view kChapterPieces[] = {
    "　　天色将明未明，山门前的石阶上还留着昨夜的雨水。"_gbk,
    "少年背着一只旧竹箱，一步一步往上走，"_gbk,
    "每走十级便停下来歇一口气，回头望一望山脚下渐渐散去的雾。"_gbk,
    "\r\n",
    "　　守门的老人坐在松树下，手里捧着一盏早已凉透的茶。"_gbk,
    "他看了少年一眼，没有问他从哪里来，只问了一句：“可曾吃过早饭？”"_gbk,
    "\r\n",
    "　　少年摇了摇头。老人便从怀里摸出半块干饼，掰成两半，递过来一块。"_gbk,
    "\r\n",
    "　　“吃了再上去。”老人说，“山上的路，比你想的要长。”"_gbk,
    "\r\n",
    "　　少年接过饼，道了声谢，坐在石阶上慢慢地吃。远处传来钟声，一声，两声，三声，"_gbk,
    "惊起林间一群白鹭，绕着山腰飞了一圈，又落回雾里去了。"_gbk,
    "\r\n",
    "　　他吃完最后一口，拍了拍手上的碎屑，站起身来，把竹箱往肩上提了提，继续往上走。"_gbk,
};

text::Text ChapterText() {
  text::Text chapter;
  for (std::string_view piece : kChapterPieces) chapter += piece;
  return chapter;
}

bool SaveMain(QtWindowSystem& system, bool withCatalogue, const std::string& path) {
  const WindowHandle window = ui::CreateMainWindow(system);
  if (withCatalogue) {
    system.SetEditText(window, main_window::kNovelIdBox, "1024");
    system.SetCaption(window, main_window::kReadGroup, kBookTitle);
    for (std::string_view chapter : kChapters)
      system.AddItem(window, main_window::kChapterDropDown, chapter);
    system.SetSelection(window, main_window::kChapterDropDown, 0);
    system.SetProgress(window, main_window::kProgressBar, 100);
  }
  system.SetVisible(window, true);
  system.ProcessPendingEvents();
  return system.SaveWindowImage(window, path);
}

bool SaveReader(QtWindowSystem& system, const std::string& path) {
  const WindowHandle window =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
  system.SetTitle(window, kChapters[0]);
  system.SetEditText(window, reader_window::kTextBox, ChapterText());
  system.SetVisible(window, true);
  system.ProcessPendingEvents();
  return system.SaveWindowImage(window, path);
}

// ---- The demo: the program with a scripted user ----------------------------------

// A person's steps, each taken once its condition holds; the ticker looks every few
// milliseconds, from whatever event loop turns (the program waits for downloads and
// message boxes in loops of its own). A box the script does not wait for is answered
// OK, as a person clicks a notice away.
class DemoTour {
 public:
  DemoTour(QtWindowSystem& system, std::string directory)
      : system_(system), directory_(std::move(directory)) {}

  // The factory for the program's start-up: the main window, and the script begins.
  WindowHandle Start(platform::window::WindowSystem& system) {
    main_ = ui::CreateMainWindow(system);
    Script();
    started_ = std::chrono::steady_clock::now();
    system_.SetTicker(std::chrono::milliseconds(20), [this] { Tick(); });
    return main_;
  }

  [[nodiscard]] bool Succeeded() const { return failure_.empty() && steps_.empty(); }
  [[nodiscard]] const std::string& Failure() const { return failure_; }

 private:
  struct Step {
    const char* what;
    std::function<bool()> ready;
    std::function<void()> act;
  };

  // Everything a demo run does, in order.
  void Script() {
    Fetch(0, "1003");
    AwaitBoxStartingWith("已获取"_gbk, [] {});
    Then(
        "the catalogue in the drop-down", [this] { return CatalogueShown(); },
        [this] {
          system_.SetSelection(main_, main_window::kChapterDropDown, 0);
          system_.ShowDropDownList(main_, main_window::kChapterDropDown, true);
        });
    Then(
        "the list opened", [] { return true; },
        [this] {
          SaveScreen("main-catalogue.png");
          system_.ShowDropDownList(main_, main_window::kChapterDropDown, false);
        });
    Read(4, "reader-site-a.png");
    Fetch(1, "2002");
    AwaitBoxStartingWith("已获取"_gbk, [] {});
    Then(
        "the catalogue in the drop-down", [this] { return CatalogueShown(); }, [] {});
    Read(2, "reader-site-b.png");
    // A book whose download breaks off in the middle of the page.
    Fetch(1, "7001");
    AwaitBoxStartingWith("获取失败："_gbk, [this] { SaveScreen("fetch-failed.png"); });
    Then(
        "the notice gone", [this] { return !system_.ShownBoxText(); },
        [this] { system_.CloseWindow(main_); });
  }

  void Fetch(int site, std::string_view id) {
    Then(
        "the main window", [this] { return MainWindowReady(); },
        [this, site, id] {
          system_.SetSelection(main_, main_window::kSiteDropDown, site);
          system_.SetEditText(main_, main_window::kNovelIdBox, id);
          system_.PostClick(main_, main_window::kFetchButton);
        });
  }

  // Opens the reader on chapter `index`, steps on and back as a reader does, and
  // returns to the catalogue.
  void Read(int index, const char* file) {
    Then(
        "the main window", [this] { return MainWindowReady(); },
        [this, index] {
          system_.SetSelection(main_, main_window::kChapterDropDown, index);
          system_.PostClick(main_, main_window::kReadButton);
        });
    Then(
        "a chapter in the reader", [this] { return ReaderShowsText(); },
        [this] { Press(reader_window::kNextButton); });
    Then(
        "the next chapter", [this] { return ReaderShowsText(); },
        [this] { Press(reader_window::kPreviousButton); });
    Then(
        "the chapter again", [this] { return ReaderShowsText(); },
        [this, file] {
          SaveScreen(file);
          Press(reader_window::kCatalogueButton);
        });
  }

  void AwaitBoxStartingWith(std::string_view start, std::function<void()> onScreen) {
    awaited_.push_back(std::string(start));
    Then(
        "a notice",
        [this, start] {
          const std::optional<text::Text> box = system_.ShownBoxText();
          return box && box->starts_with(start);
        },
        [this, onScreen = std::move(onScreen)] {
          onScreen();
          awaited_.pop_front();
          system_.AnswerShownBox(platform::window::kAnswerOk);
        });
  }

  void Then(const char* what, std::function<bool()> ready, std::function<void()> act) {
    steps_.push_back({what, std::move(ready), std::move(act)});
  }

  void Tick() {
    if (steps_.empty() || !failure_.empty()) return;
    if (std::chrono::steady_clock::now() - started_ > std::chrono::seconds(60)) {
      failure_ = std::string("gave up waiting for ") + steps_.front().what;
      steps_.clear();
      // Whatever loop is waiting ends with the program's windows.
      system_.AnswerShownBox(platform::window::kAnswerOk);
      for (WindowHandle w = system_.NextTopLevelWindow(0); w != 0;
           w = system_.NextTopLevelWindow(0))
        system_.CloseWindow(w);
      return;
    }
    if (steps_.front().ready()) {
      const Step step = std::move(steps_.front());
      steps_.pop_front();
      step.act();
      return;
    }
    // The "please wait" box and any other the script does not stop at.
    const std::optional<text::Text> box = system_.ShownBoxText();
    if (box && (awaited_.empty() || !box->starts_with(awaited_.front())))
      system_.AnswerShownBox(platform::window::kAnswerOk);
  }

  [[nodiscard]] bool MainWindowReady() const {
    return system_.IsVisible(main_) && Reader() == 0 && !system_.ShownBoxText();
  }
  [[nodiscard]] bool CatalogueShown() const {
    return MainWindowReady() && system_.ItemCount(main_, main_window::kChapterDropDown) > 0;
  }
  // The reader window while it is open: the top window that is not the main window.
  [[nodiscard]] WindowHandle Reader() const {
    for (WindowHandle w = system_.NextTopLevelWindow(0); w != 0; w = system_.NextTopLevelWindow(w))
      if (w != main_) return w;
    return 0;
  }
  // A chapter has arrived since the last press: the reader's text is there and is not
  // the one it showed before.
  bool ReaderShowsText() {
    const WindowHandle reader = Reader();
    if (reader == 0 || system_.ShownBoxText()) return false;
    const text::Text shown = system_.EditText(reader, reader_window::kTextBox);
    if (shown.empty() || shown == lastText_) return false;
    lastText_ = shown;
    return true;
  }
  void Press(std::string_view button) { system_.PostClick(Reader(), button); }

  void SaveScreen(const char* file) {
    const std::string path = directory_ + "/" + file;
    if (!system_.SaveScreenImage(path) && failure_.empty()) failure_ = "could not write " + path;
  }

  QtWindowSystem& system_;
  std::string directory_;
  WindowHandle main_ = 0;
  std::deque<Step> steps_;
  std::deque<std::string> awaited_;
  text::Text lastText_;
  std::string failure_;
  std::chrono::steady_clock::time_point started_;
};

int RunDemo(const std::string& directory) {
  QtWindowSystem system;
  DemoTour tour(system, directory);
  const int status = core::RunProgram(
      system, [&tour](platform::window::WindowSystem& s) { return tour.Start(s); });
  system.SetTicker({}, {});
  if (status != 0) {
    const std::string_view message = platform::window::NoDisplayMessage();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return status;
  }
  if (!tour.Succeeded()) {
    std::fprintf(stderr, "velnora-screenshot demo: %s\n",
                 tour.Failure().empty() ? "the script did not finish" : tour.Failure().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: velnora-screenshot main|main-catalogue|reader <file.png>\n"
                 "       velnora-screenshot demo <directory>\n");
    return 2;
  }
  const std::string_view scene = argv[1];
  const std::string path = argv[2];
  if (scene == "demo") return RunDemo(path);
  QtWindowSystem system;
  if (!system.Initialise()) {
    const std::string_view message = platform::window::NoDisplayMessage();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return 1;
  }
  const platform::window::ActiveWindowSystemScope active(&system);
  core::InitReaderState();
  bool saved = false;
  if (scene == "main" || scene == "main-catalogue") {
    saved = SaveMain(system, scene == "main-catalogue", path);
  } else if (scene == "reader") {
    saved = SaveReader(system, path);
  } else {
    std::fprintf(stderr, "velnora-screenshot: no scene \"%s\"\n", argv[1]);
    return 2;
  }
  core::ReleaseReaderState();
  if (!saved) {
    std::fprintf(stderr, "velnora-screenshot: could not write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
