#include "sites/chapter.h"

#include "core/reader_state.h"
#include "sites/site_table.h"
#include "text/gbk_literal.h"
#include "text/markers.h"
#include "text/replace_five.h"
#include "web/web_request.h"

namespace velnora::sites {

using namespace text::literals;

namespace {

using platform::window::ActiveWindowSystem;
using platform::window::WindowSystem;
using text::Text;

constexpr std::string_view kLinkStart = "href=#引号"_gbk;
constexpr std::string_view kLinkEnd = "#引号"_gbk;
constexpr std::string_view kTitleStart = "#引号>"_gbk;
constexpr std::string_view kTitleEnd = "<";
constexpr std::string_view kWatermarkStart = "&#26143&#36784";
constexpr std::string_view kWatermarkEnd = "&#77";
constexpr std::string_view kLoadFailed = "章节获取失败："_gbk;

void FetchChapterOf(int siteIndex, const ChapterWindow& target) {
  core::ReaderState& state = core::TheReaderState();
  const Text link = text::TextBetween(state.currentEntry, kLinkStart, kLinkEnd);

  Text status;
  const web::WebRequestResult response =
      web::WebRequest({.url = state.baseUrl + link, .statusText = &status});

  ShowChapter(siteIndex, target, response.text, response.failed ? std::string_view(status) : "");
}

}  // namespace

Text ChapterText(int siteIndex, std::string_view page) {
  const SiteTable* table = SiteTableOf(siteIndex);
  if (table == nullptr) return {};
  const SiteTable& site = *table;
  Text text = text::TextBetween(page, site.contentStart, site.contentEnd);
  if (!site.innerStart.empty()) text = text::TextBetween(text, site.innerStart, site.innerEnd);
  text = text::ReplaceFive(text, {{"&nbsp;", ""}});
  text = text::ReplaceFive(text, {{site.lineBreakTag, "\r\n"}});
  text = text::ReplaceFive(text, {{">", ""}});
  if (site.removesWatermark) {
    // An empty mark (a marker missing, or the two touching) changes nothing.
    const Text mark = text::TextBetween(text, kWatermarkStart, kWatermarkEnd);
    text = text::ReplaceFive(text, {{mark, ""}});
  }
  return text;
}

void ShowChapter(int siteIndex, const ChapterWindow& target, std::string_view page,
                 std::string_view failure) {
  // The download may have run nested loads and even closed the window: everything here
  // reads the state afresh, and writes to a closed window go nowhere.
  core::ReaderState& state = core::TheReaderState();
  state.chapterText =
      failure.empty() ? ChapterText(siteIndex, page) : Text(kLoadFailed).append(failure);
  const Text title = text::TextBetween(state.currentEntry, kTitleStart, kTitleEnd);
  WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return;
  system->SetTitle(target.window, title);
  system->SetEditText(target.window, target.textBox, state.chapterText);
}

void LoadChapter(const ChapterWindow& window) {
  const int siteIndex = core::TheReaderState().siteIndex;
  if (siteIndex == kSiteA) FetchChapterA(window);
  if (siteIndex == kSiteB) FetchChapterB(window);
}

void FetchChapterA(const ChapterWindow& window) {
  FetchChapterOf(kSiteA, window);
}

void FetchChapterB(const ChapterWindow& window) {
  FetchChapterOf(kSiteB, window);
}

}  // namespace velnora::sites
