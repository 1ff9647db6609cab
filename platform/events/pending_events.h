// The one point where long waits (a web request, the owner-window lookup of a timed
// message box) let the window system handle what is pending, so the windows stay
// responsive and a button press can run its handler inside the wait.
#pragma once

#include <functional>

namespace velnora::platform {

// Runs the installed hook once; does nothing while no window system has installed one.
void ProcessPendingEvents();

// Installs the window system's hook (an empty function removes it) and returns the one
// it replaces, so tests can restore it.
std::function<void()> SetPendingEventsHook(std::function<void()> hook);

}  // namespace velnora::platform
