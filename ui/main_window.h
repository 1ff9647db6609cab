// The main window's handlers and the one entry point that builds the window with them.
// Each handler gets the main window and works through the active window system.
#pragma once

#include "core/settings.h"
#include "platform/window/window_system.h"
#include "sites/catalogue.h"

namespace velnora::ui {

using platform::window::WindowHandle;

// Builds the main window (hidden) with its handlers, the site drop-down naming the hosts
// of the settings file, read once here so that the items and the base URLs agree. The
// factory that start-up takes.
[[nodiscard]] WindowHandle CreateMainWindow(platform::window::WindowSystem& system);

// The main window's controls as the catalogue scraper reaches them, the site drop-down
// naming `hosts`; `notice` shows the scraper's notices.
[[nodiscard]] sites::CatalogueWindow MainWindowCatalogue(WindowHandle mainWindow,
                                                         core::SiteHosts hosts,
                                                         sites::Notice notice);

// On creation: the stored site number selects the site drop-down's item (the drop-down's
// own rule for numbers out of range); with no selection at all, item 0.
void RestoreSiteChoice(WindowHandle mainWindow);

// "确定": stores the site drop-down's selection, then the notice "已保存" (style 64,
// 2000 ms). A write that fails is not reported.
void SaveSiteChoice(WindowHandle mainWindow);

// "阅读": `chosenIndex` takes the chapter drop-down's selection and `lastNumber` the count
// of chapter entries minus 1; without a usable catalogue the box "请先获取小说目录" and
// nothing more. Otherwise the main window hides while the reader window is open, and
// ReturnFromReader follows.
void OpenReader(WindowHandle mainWindow);

// Shows the main window again on the chapter last read: item `chosenIndex` - 1.
void ReturnFromReader(WindowHandle mainWindow);

}  // namespace velnora::ui
