// The program's start-up and shut-down around the window system's event loop.
#pragma once

#include <functional>

#include "platform/window/window_system.h"

namespace velnora::core {

// Builds the main window (hidden) and returns it; the main window's handlers live above
// this layer, so start-up takes them through this hook.
using MainWindowFactory =
    std::function<platform::window::WindowHandle(platform::window::WindowSystem&)>;

// Runs the program, in this order: initialises `windowSystem` and makes it the active
// one; InitReaderState; registers ReleaseReaderState as an exit routine (once); creates
// the main window through `createMainWindow` and shows it; runs the event loop until the
// main window has closed; runs the exit routines, so ReleaseReaderState runs once.
// Returns the exit status: 0, or 1 when the window system cannot be initialised (then
// nothing else happens).
int RunProgram(platform::window::WindowSystem& windowSystem,
               const MainWindowFactory& createMainWindow);

}  // namespace velnora::core
