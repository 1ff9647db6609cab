#include "sites/catalogue.h"

#include "core/reader_state.h"
#include "sites/site_table.h"
#include "text/code_page.h"
#include "text/gbk_literal.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "web/web_request.h"

namespace velnora::sites {

using namespace text::literals;

namespace {

using platform::window::ActiveWindowSystem;
using platform::window::kStyleIconQuestion;
using platform::window::kStyleOk;
using platform::window::kStyleRetryCancel;
using platform::window::WindowSystem;
using text::Text;

constexpr std::string_view kEmptyId = "请输入小说ID或者说请输入数字"_gbk;
constexpr std::string_view kEmptyIdCaption = "不可为空"_gbk;
constexpr std::string_view kPleaseWait = "请耐心等待..."_gbk;
constexpr std::string_view kPleaseWaitCaption = "等待"_gbk;
constexpr int kPleaseWaitMs = 1000;
constexpr std::string_view kFetched = "已获取"_gbk;
constexpr std::string_view kNoSuchBook = "没有这本书"_gbk;
constexpr std::string_view kFetchFailed = "获取失败："_gbk;
constexpr std::string_view kChapterTitleStart = "#引号>"_gbk;
constexpr std::string_view kChapterTitleEnd = "</a>";

void FetchCatalogueOf(int siteIndex, const CatalogueWindow& target) {
  WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return;
  const SiteTable& site = *SiteTableOf(siteIndex);
  const platform::window::WindowHandle window = target.window;

  core::TheReaderState().baseUrl = BaseUrl(siteIndex, target.hosts);
  const Text id = system->EditText(window, target.novelIdBox);
  if (id.empty()) {
    system->ShowMessageBox(kEmptyId,
                           {.caption = Text(kEmptyIdCaption), .style = kStyleRetryCancel});
    return;
  }

  Text status;
  const Text url = core::TheReaderState().baseUrl + "/book/" + id + "/";
  web::WebRequestResult response = web::WebRequest({.url = url, .statusText = &status});
  Text page = response.failed ? Text() : std::move(response.text);
  if (site.pageIsUtf8 && !response.converted) page = text::Utf8ToGbk(page);

  target.notice(kPleaseWait, kStyleIconQuestion, Text(kPleaseWaitCaption), kPleaseWaitMs);
  ShowCatalogue(siteIndex, target, page, response.failed ? std::string_view(status) : "");
}

}  // namespace

void ShowCatalogue(int siteIndex, const CatalogueWindow& target, std::string_view page,
                   std::string_view failure) {
  WindowSystem* system = ActiveWindowSystem();
  const SiteTable* table = SiteTableOf(siteIndex);
  if (system == nullptr || table == nullptr) return;
  const SiteTable& site = *table;
  const platform::window::WindowHandle window = target.window;
  if (!failure.empty()) page = {};

  Text title = text::TextBetween(page, site.titleStart, site.titleEnd);
  if (site.titleLosesSpaces) title = text::RemoveAllSpaces(title);
  const Text section = text::TextBetween(page, site.sectionStart, site.sectionEnd);
  const Text block = site.blockStart.empty()
                         ? text::TextLeftOf(section, site.blockEnd)
                         : text::TextBetween(section, site.blockStart, site.blockEnd);
  core::TheReaderState().chapterEntries =
      text::SplitText(text::RemoveAllSpaces(block), site.separator);

  system->RemoveAllItems(window, target.chapterDropDown);
  const int pieces = core::TheReaderState().chapterEntries.Count();
  const int n = pieces - 1;
  for (int i = 1; i <= n; ++i) {
    // Read afresh: a nested scrape may have replaced the list since the last step.
    const Text& entry = core::TheReaderState().chapterEntries.Item(i);
    const Text chapterTitle = text::TextBetween(entry, kChapterTitleStart, kChapterTitleEnd);
    const double step = 100.0 / static_cast<double>(n);
    system->SetProgress(window, target.progressBar, static_cast<int>(step * i));
    system->AddItem(window, target.chapterDropDown, chapterTitle);
  }
  system->SetSelection(window, target.chapterDropDown, 0);

  if (!failure.empty()) {
    target.notice(Text(kFetchFailed).append(failure), kStyleOk, std::nullopt, std::nullopt);
  } else if (!title.empty()) {
    target.notice(Text(kFetched) + title, kStyleOk, std::nullopt, std::nullopt);
    system->SetCaption(window, target.titleGroup, title);
  } else {
    target.notice(kNoSuchBook, kStyleOk, std::nullopt, std::nullopt);
  }
}

void FetchCatalogue(const CatalogueWindow& window) {
  WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return;
  const int selection = system->Selection(window.window, window.siteDropDown);
  core::TheReaderState().siteIndex = selection;
  if (selection == kSiteA) FetchCatalogueA(window);
  if (selection == kSiteB) FetchCatalogueB(window);
}

void FetchCatalogueA(const CatalogueWindow& window) {
  FetchCatalogueOf(kSiteA, window);
}

void FetchCatalogueB(const CatalogueWindow& window) {
  FetchCatalogueOf(kSiteB, window);
}

}  // namespace velnora::sites
