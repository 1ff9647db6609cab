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
#include "tests/program/program_texts.h"
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
