// Turning a novel ID into the book's chapter list: download the catalogue page, cut the
// title and the chapter block out by the site's markers, store the entries in the reader
// state and list their titles in the main window's chapter drop-down.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "core/settings.h"
#include "platform/window/window_system.h"
#include "text/text.h"

namespace velnora::sites {

// A notice that closes by itself: text, style, caption and time-out in milliseconds
// (left out: the notice's own defaults, caption "友情提醒" and 5000 ms).
using Notice = std::function<void(std::string_view text, int style,
                                  std::optional<text::Text> caption, std::optional<int> timeoutMs)>;

// The window the catalogue is fetched in, by its control names, with the hosts the
// window's site drop-down names and the notice that reports the outcome.
struct CatalogueWindow {
  platform::window::WindowHandle window = 0;
  std::string_view siteDropDown;
  std::string_view novelIdBox;
  std::string_view chapterDropDown;
  std::string_view progressBar;
  std::string_view titleGroup;  // captioned with the book title once it is fetched
  core::SiteHosts hosts;
  Notice notice;
};

// The "获取章节" press: `siteIndex` takes the site drop-down's selection, then the
// scraper of site 0 or 1 runs; any other selection (-1: none) does nothing more.
void FetchCatalogue(const CatalogueWindow& window);

// One catalogue scrape, in this order: `baseUrl` switches to the site; an empty ID shows
// "请输入小说ID或者说请输入数字" (caption "不可为空", style 5) and stops; the page
// baseUrl + "/book/" + ID + "/" is fetched (GET) and, for site B, converted from UTF-8
// unless the response decoding already converted it; the notice "请耐心等待..." (style 32,
// caption "等待", 1000 ms); title and block are cut, the block loses its spaces and is
// split; `chapterEntries` becomes every piece; the drop-down is emptied and gets the
// title of pieces 1 to count - 1 with the progress bar at trunc(100.0 / (count - 1) * i);
// item 0 is selected; the notice "已获取" + title (then the group box takes the title) or
// "没有这本书", style 0. A download that ended in a failure message counts as an empty
// page, and its notice reads "获取失败：" followed by that message.
void FetchCatalogueA(const CatalogueWindow& window);
void FetchCatalogueB(const CatalogueWindow& window);

// The steps after the download and the "请耐心等待..." notice: the cuts, the split, the
// list, the drop-down, the progress bar and the result notice, for `page` as the site's
// scraper holds it (converted to code page 936). A non-empty `failure` is the download's
// failure message: the page is then empty and the notice reports the failure.
void ShowCatalogue(int siteIndex, const CatalogueWindow& window, std::string_view page,
                   std::string_view failure = {});

}  // namespace velnora::sites
