// Velnora: the main window on the Qt window system, run by the core's start-up. Without
// a graphical session it says how to run it headless and ends with status 1.
#include <cstdio>
#include <string_view>

#include "core/startup.h"
#include "platform/window/qt/qt_session.h"
#include "platform/window/qt/qt_window_system.h"
#include "ui/main_window.h"

int main() {
  using namespace velnora;
  if (!platform::window::CanShowWindows(platform::window::ReadSessionEnvironment())) {
    const std::string_view message = platform::window::NoDisplayMessage();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    return 1;
  }
  platform::window::QtWindowSystem windowSystem;
  return core::RunProgram(windowSystem, ui::CreateMainWindow);
}
