// The one process-wide record through which the main window, the site scrapers and the
// reader window hand work to each other, and its set-up and release.
#pragma once

#include "text/text.h"

namespace velnora::core {

// Owns every value it holds. Whoever stores a new value replaces the old one whole;
// `currentEntry` is a copy of a list item, so replacing `chapterEntries` never touches it.
// Handlers that process pending events while they wait read the fields afresh afterwards
// instead of keeping references into the record.
struct ReaderState {
  // Site of the last "获取章节" press: 0 site A, 1 site B, -1 when none was selected.
  int siteIndex = 0;
  // Scheme and host of the site last scraped, without a trailing slash.
  text::Text baseUrl;
  // Every piece of the last catalogue split; items 1 to Count() - 1 are chapters, the
  // last piece is not. Always present, possibly empty.
  text::TextList chapterEntries;
  // Chapter handed between the main window (0-based drop-down selection, -1 for none)
  // and the reader window (the position it returns to).
  int chosenIndex = 0;
  // Readable chapters, Count() of chapterEntries minus 1, taken when "阅读" is pressed.
  int lastNumber = 0;
  // 1-based number of the chapter being read.
  int position = 0;
  // Copy of item `position` of chapterEntries: the entry being loaded.
  text::Text currentEntry;
  // Cleaned text of the chapter last loaded.
  text::Text chapterText;
};

// The single instance, alive for the whole run. Only the user-interface thread uses it.
[[nodiscard]] ReaderState& TheReaderState();

// Gives the record an empty chapter list and every other field 0 or the empty text.
void InitReaderState();

// Releases the texts and the chapter list (the integers need nothing). Safe to call more
// than once; afterwards the record reads as empty texts and an empty list.
void ReleaseReaderState();

}  // namespace velnora::core
