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
#include <cstdio>
#include <string>
#include <string_view>

#include "core/reader_state.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velnora-screenshot main|main-catalogue|reader <file.png>\n");
    return 2;
  }
  const std::string_view scene = argv[1];
  const std::string path = argv[2];
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
