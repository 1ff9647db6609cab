#include "core/startup.h"

#include "core/reader_state.h"

namespace velnora::core {

int RunProgram(platform::window::WindowSystem& windowSystem,
               const MainWindowFactory& createMainWindow) {
  if (!windowSystem.Initialise()) return 1;
  const platform::window::ActiveWindowSystemScope active(&windowSystem);
  InitReaderState();
  windowSystem.RegisterExitRoutine(&ReleaseReaderState);
  const platform::window::WindowHandle mainWindow = createMainWindow(windowSystem);
  windowSystem.SetVisible(mainWindow, true);
  windowSystem.RunEventLoop(mainWindow);
  windowSystem.RunExitRoutines();
  return 0;
}

}  // namespace velnora::core
