// The reader window's handlers: the chosen chapter on creation, stepping through the
// chapter list and the way back to the catalogue. The window keeps no data of its own;
// `position` and `currentEntry` of the reader state always agree when a load starts.
#pragma once

#include "platform/window/window_system.h"

namespace velnora::ui {

using platform::window::WindowHandle;

// Handlers bound to the reader window's buttons and its creation.
[[nodiscard]] platform::window::WindowHandlers ReaderWindowHandlers();

// On creation: with `chosenIndex` below 0 the box "出错", and the entry and position of
// the previous reading stay; otherwise entry `chosenIndex` + 1 and that position. Then
// the chapter loads.
void ShowChosenChapter(WindowHandle readerWindow);

// "下一章": the next chapter, or "当前章节已是最后了" past `lastNumber`.
void NextChapter(WindowHandle readerWindow);

// "上一章": the previous chapter, or "当前章节已是第一章了" before the first.
void PreviousChapter(WindowHandle readerWindow);

// "目录": `chosenIndex` takes `position` and the window closes.
void BackToCatalogue(WindowHandle readerWindow);

}  // namespace velnora::ui
