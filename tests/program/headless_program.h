// The program on the headless window system, as a user meets it: a run directory of its
// own whose settings file points both sites at local servers, the real main window with
// its handlers, and the reader state set up as start-up sets it.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "core/reader_state.h"
#include "core/settings.h"
#include "platform/window/headless/headless_window_system.h"
#include "tests/support/hex.h"
#include "tests/support/local_servers.h"
#include "text/gbk_literal.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

namespace velnora::program_testing {

using namespace text::literals;
using platform::window::HeadlessWindowSystem;
using platform::window::MessageBoxRecord;
using platform::window::WindowHandle;
using testing::Hex;
using testing::LocalHttpServer;
namespace main_window = ui::main_window;
namespace reader_window = ui::reader_window;

// The boxes and their texts as an outside codec (Python's gbk) writes them.
inline const std::string kEmptyId =
    Hex("C7 EB CA E4 C8 EB D0 A1 CB B5 49 44 BB F2 D5 DF CB B5 C7 EB CA E4 C8 EB CA FD D7 D6");
inline const std::string kMustNotBeEmpty = Hex("B2 BB BF C9 CE AA BF D5");  // 不可为空
inline const std::string kPleaseWait =
    Hex("C7 EB C4 CD D0 C4 B5 C8 B4 FD 2E 2E 2E");                             // 请耐心等待...
inline const std::string kWaiting = Hex("B5 C8 B4 FD");                        // 等待
inline const std::string kFetched = Hex("D2 D1 BB F1 C8 A1");                  // 已获取
inline const std::string kNoSuchBook = Hex("C3 BB D3 D0 D5 E2 B1 BE CA E9");   // 没有这本书
inline const std::string kFetchFailed = Hex("BB F1 C8 A1 CA A7 B0 DC A3 BA");  // 获取失败：
inline const std::string kReminder = Hex("D3 D1 C7 E9 CC E1 D0 D1");           // 友情提醒
inline const std::string kSaved = Hex("D2 D1 B1 A3 B4 E6");                    // 已保存
inline const std::string kNoCatalogue =
    Hex("C7 EB CF C8 BB F1 C8 A1 D0 A1 CB B5 C4 BF C2 BC");  // 请先获取小说目录
inline const std::string kError = Hex("B3 F6 B4 ED");        // 出错
inline const std::string kAtLast =
    Hex("B5 B1 C7 B0 D5 C2 BD DA D2 D1 CA C7 D7 EE BA F3 C1 CB");  // 当前章节已是最后了
inline const std::string kAtFirst =
    Hex("B5 B1 C7 B0 D5 C2 BD DA D2 D1 CA C7 B5 DA D2 BB D5 C2 C1 CB");  // 当前章节已是第一章了
inline const std::string kInformation = Hex("D0 C5 CF A2 A3 BA");        // 信息：
inline const std::string kLoadFailed =
    Hex("D5 C2 BD DA BB F1 C8 A1 CA A7 B0 DC A3 BA");  // 章节获取失败：

// Pages by path, served as they are; any other path is a 404 with a small page.
using Pages = std::map<std::string, std::string>;

inline std::unique_ptr<LocalHttpServer> ServePages(Pages pages, LocalHttpServer::Scheme scheme) {
  return std::make_unique<LocalHttpServer>(
      [pages = std::move(pages)](httplib::Server& server) {
        server.Get(".*", [pages](const httplib::Request& request, httplib::Response& response) {
          const auto page = pages.find(request.path);
          if (page == pages.end()) {
            response.status = 404;
            response.set_content("<html><body>404 Not Found</body></html>", "text/html");
            return;
          }
          response.set_content(page->second, "text/html");
        });
      },
      scheme);
}

// A run directory whose settings file names the two hosts, the window system, the
// reader state and the main window, for one test.
class HeadlessProgram {
 public:
  HeadlessProgram(const std::string& siteAHost, const std::string& siteBHost,
                  std::string_view storedSite = {}) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velnora-program-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no run directory";
    dir_ = pattern;
    core::SetRunDirectoryForTesting(dir_.string());
    std::string settings = std::string("[小说网站地址]"_gbk) + "\r\n" + std::string("笔趣阁"_gbk) +
                           "=" + siteAHost + "\r\n" + std::string("星辰小说网"_gbk) + "=" +
                           siteBHost + "\r\n";
    if (!storedSite.empty()) {
      settings += std::string("[小说网站选项]"_gbk) + "\r\n" + std::string("小说网站"_gbk) + "=" +
                  std::string(storedSite) + "\r\n";
    }
    std::ofstream(SettingsFile(), std::ios::binary) << settings;
    core::InitReaderState();
    main = ui::CreateMainWindow(system);
    system.SetVisible(main, true);
  }
  ~HeadlessProgram() {
    core::ReleaseReaderState();
    core::SetRunDirectoryForTesting(std::nullopt);
    std::filesystem::remove_all(dir_);
  }
  HeadlessProgram(const HeadlessProgram&) = delete;
  HeadlessProgram& operator=(const HeadlessProgram&) = delete;

  // The settings file as the file system names it.
  [[nodiscard]] std::filesystem::path SettingsFile() const {
    return dir_ / "\xe9\x85\x8d\xe7\xbd\xae.ini";  // 配置.ini in UTF-8
  }
  [[nodiscard]] std::string SettingsBytes() const {
    std::ifstream in(SettingsFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // Handles events until nothing the test queued is left.
  void Run() {
    while (system.HasQueuedActions()) system.StepEventLoop();
  }

  // Types `id` into the ID box, picks `site` and presses "获取章节".
  void FetchCatalogue(int site, std::string_view id) {
    system.QueueSelect(main, main_window::kSiteDropDown, site);
    system.QueueAction([this] { system.SetEditText(main, main_window::kNovelIdBox, ""); });
    system.QueueTyping(main, main_window::kNovelIdBox, id);
    system.QueueClick(main, main_window::kFetchButton);
    Run();
  }

  // The titles listed in the chapter drop-down.
  [[nodiscard]] std::vector<std::string> ChapterTitles() const {
    std::vector<std::string> titles;
    for (int i = 0; i < system.ItemCount(main, main_window::kChapterDropDown); ++i) {
      titles.push_back(system.ItemText(main, main_window::kChapterDropDown, i));
    }
    return titles;
  }

  // The reader window while it is open: the top window that is not the main window.
  [[nodiscard]] WindowHandle ReaderWindow() const {
    for (WindowHandle w = system.NextTopLevelWindow(0); w != 0; w = system.NextTopLevelWindow(w)) {
      if (w != main) return w;
    }
    return 0;
  }

  HeadlessWindowSystem system;

 private:
  platform::window::ActiveWindowSystemScope active_{&system};
  std::filesystem::path dir_;

 public:
  WindowHandle main = 0;
};

inline std::string HostOf(const LocalHttpServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

}  // namespace velnora::program_testing
