#include "ui/main_window.h"

#include <string_view>

#include "core/reader_state.h"
#include "core/settings.h"
#include "sites/catalogue.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window.h"
#include "ui/reader_window_layout.h"
#include "ui/timed_message_box.h"

namespace velnora::ui {

using namespace text::literals;

namespace {

using platform::window::ActiveWindowSystem;

constexpr std::string_view kSaved = "已保存"_gbk;
constexpr int kSavedMs = 2000;
constexpr std::string_view kNoCatalogue = "请先获取小说目录"_gbk;

void ShowNotice(std::string_view text, int style, std::optional<text::Text> caption,
                std::optional<int> timeoutMs) {
  TimedMessageBox(text, {.style = style, .caption = std::move(caption), .timeoutMs = timeoutMs});
}

}  // namespace

WindowHandle CreateMainWindow(platform::window::WindowSystem& system) {
  const core::SiteHosts hosts = core::ReadSiteHosts();
  auto fetch = [hosts](WindowHandle self) {
    sites::FetchCatalogue(MainWindowCatalogue(self, hosts, ShowNotice));
  };
  return system.CreateTopLevelWindow(main_window::MainWindowDefinition(hosts),
                                     {.created = RestoreSiteChoice,
                                      .buttonClicked = {
                                          {text::Text(main_window::kSaveButton), SaveSiteChoice},
                                          {text::Text(main_window::kFetchButton), fetch},
                                          {text::Text(main_window::kReadButton), OpenReader},
                                      }});
}

sites::CatalogueWindow MainWindowCatalogue(WindowHandle mainWindow, core::SiteHosts hosts,
                                           sites::Notice notice) {
  return {.window = mainWindow,
          .siteDropDown = main_window::kSiteDropDown,
          .novelIdBox = main_window::kNovelIdBox,
          .chapterDropDown = main_window::kChapterDropDown,
          .progressBar = main_window::kProgressBar,
          .titleGroup = main_window::kReadGroup,
          .hosts = std::move(hosts),
          .notice = std::move(notice)};
}

void RestoreSiteChoice(WindowHandle mainWindow) {
  auto* system = ActiveWindowSystem();
  if (system == nullptr) return;
  if (system->Selection(mainWindow, main_window::kSiteDropDown) < 0) {
    system->SetSelection(mainWindow, main_window::kSiteDropDown, 0);
    return;
  }
  system->SetSelection(mainWindow, main_window::kSiteDropDown, core::ReadSiteSetting());
}

void SaveSiteChoice(WindowHandle mainWindow) {
  auto* system = ActiveWindowSystem();
  if (system == nullptr) return;
  core::WriteSiteSetting(
      text::IntToText(system->Selection(mainWindow, main_window::kSiteDropDown)));
  TimedMessageBox(kSaved,
                  {.style = platform::window::kStyleIconInformation, .timeoutMs = kSavedMs});
}

void OpenReader(WindowHandle mainWindow) {
  auto* system = ActiveWindowSystem();
  if (system == nullptr) return;
  core::ReaderState& state = core::TheReaderState();
  state.chosenIndex = system->Selection(mainWindow, main_window::kChapterDropDown);
  state.lastNumber = state.chapterEntries.Count() - 1;
  if (state.lastNumber <= 0) {
    system->ShowMessageBox(kNoCatalogue);
    return;
  }
  system->SetVisible(mainWindow, false);
  system->OpenModal(reader_window::ReaderWindowDefinition(), ReaderWindowHandlers());
  ReturnFromReader(mainWindow);
}

void ReturnFromReader(WindowHandle mainWindow) {
  auto* system = ActiveWindowSystem();
  if (system == nullptr) return;
  system->SetVisible(mainWindow, true);
  system->SetSelection(mainWindow, main_window::kChapterDropDown,
                       core::TheReaderState().chosenIndex - 1);
}

}  // namespace velnora::ui
