// Turning one chapter entry into readable text: download the chapter page, cut the text
// out by the site's markers, clean it into plain text with "\r\n" line breaks and show
// it in the reader window under the chapter's title.
#pragma once

#include <string_view>

#include "platform/window/window_system.h"
#include "text/text.h"

namespace velnora::sites {

// The reader window by its handle and the name of its text box. The window may close
// while a load waits for its page; the load's late writes then go nowhere.
struct ChapterWindow {
  platform::window::WindowHandle window = 0;
  std::string_view textBox;
};

// Runs the chapter scraper of `siteIndex` (0 site A, 1 site B); any other value loads
// nothing and leaves the window as it was.
void LoadChapter(const ChapterWindow& window);

// One chapter load, in this order: the link between "href=" + quote and the next quote
// of `currentEntry`; the page baseUrl + link (GET); the site's content cut; "&nbsp;"
// removed, the site's line-break tag ("<br><br>" for A, "<br /" for B) made "\r\n" and
// every ">" removed, letters of these find texts in either case; for site B the text
// between "&#26143&#36784" and "&#77" removed wherever it occurs; `chapterText` takes the
// result. The window's title becomes the text between the entry's first quote + ">" and
// the next "<", read from `currentEntry` as it stands after the download, and the text
// box shows `chapterText`. A download that ended in a failure message shows
// "章节获取失败：" followed by that message instead.
void FetchChapterA(const ChapterWindow& window);
void FetchChapterB(const ChapterWindow& window);

// The chapter text of a page of site `siteIndex`, located and cleaned as above; empty for
// any other index.
[[nodiscard]] text::Text ChapterText(int siteIndex, std::string_view page);

// The steps after the download: `chapterText`, the caption from `currentEntry` and the
// text box. A non-empty `failure` is the download's failure message, shown instead.
void ShowChapter(int siteIndex, const ChapterWindow& window, std::string_view page,
                 std::string_view failure = {});

}  // namespace velnora::sites
