#include "core/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/reader_state.h"
#include "platform/window/headless/headless_window_system.h"

namespace velnora::core {
namespace {

using platform::window::ActiveWindowSystem;
using platform::window::ControlKind;
using platform::window::HeadlessWindowSystem;
using platform::window::WindowDefinition;
using platform::window::WindowHandle;
using platform::window::WindowHandlers;
using platform::window::WindowSystem;

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// Registered after ReleaseReaderState, so it sees the state already released.
void LogStateAtExit() {
  Log().push_back("exit routine after release sees baseUrl '" + TheReaderState().baseUrl + "'");
}

TEST(RunProgram, StartsAndEndsInOrderAndReleasesTheStateOnce) {
  HeadlessWindowSystem system;
  Log().clear();
  TheReaderState().baseUrl = "left from before";
  WindowHandle mainWindow = 0;
  const MainWindowFactory factory = [&](WindowSystem& windowSystem) {
    Log().push_back("factory sees active system: " +
                    std::string(ActiveWindowSystem() == &system ? "yes" : "no") + ", baseUrl '" +
                    TheReaderState().baseUrl + "'");
    windowSystem.RegisterExitRoutine(&ReleaseReaderState);  // already there: not again
    windowSystem.RegisterExitRoutine(&LogStateAtExit);
    WindowHandlers handlers;
    handlers.created = [&](WindowHandle self) {
      Log().push_back(system.IsVisible(self) ? "created, shown" : "created, hidden");
    };
    handlers.buttonClicked["close"] = [&](WindowHandle self) {
      Log().push_back("event loop runs");
      TheReaderState().baseUrl = "https://a";
      windowSystem.CloseWindow(self);
    };
    mainWindow = windowSystem.CreateTopLevelWindow(
        WindowDefinition{.title = "main",
                         .width = 383,
                         .height = 286,
                         .controls = {{.name = "close", .kind = ControlKind::kButton}}},
        std::move(handlers));
    // Reaches the window only once it is shown.
    system.QueueClick(mainWindow, "close");
    return mainWindow;
  };

  EXPECT_EQ(RunProgram(system, factory), 0);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "factory sees active system: yes, baseUrl ''",
                       "created, hidden",
                       "event loop runs",
                       "exit routine after release sees baseUrl ''",
                   }));
  EXPECT_FALSE(system.IsWindowAlive(mainWindow));
  EXPECT_FALSE(system.RanOutOfActions());
  EXPECT_EQ(ActiveWindowSystem(), nullptr);
}

}  // namespace
}  // namespace velnora::core
