#include "platform/window/qt/qt_session.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace velnora::platform::window {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

bool XServerAccepts(const std::optional<std::string>& display) {
  if (!display) return false;
  xcb_connection_t* connection = xcb_connect(display->c_str(), nullptr);
  // xcb_connect never returns null: a failed connection is an object in an error state.
  const bool ok = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return ok;
}

}  // namespace

SessionEnvironment ReadSessionEnvironment() {
  return {.qpaPlatform = Variable("QT_QPA_PLATFORM"),
          .display = Variable("DISPLAY"),
          .waylandDisplay = Variable("WAYLAND_DISPLAY"),
          .sessionType = Variable("XDG_SESSION_TYPE")};
}

std::optional<std::string> PlatformToForce(const SessionEnvironment& environment) {
  if (environment.qpaPlatform) return std::nullopt;
  if (environment.waylandDisplay || environment.sessionType == "wayland") return "xcb";
  return std::nullopt;
}

std::vector<std::string> PlatformsToTry(const SessionEnvironment& environment) {
  const std::string chosen =
      environment.qpaPlatform.value_or(PlatformToForce(environment).value_or("xcb"));
  std::vector<std::string> platforms;
  std::size_t start = 0;
  while (start <= chosen.size()) {
    std::size_t end = chosen.find(';', start);
    if (end == std::string::npos) end = chosen.size();
    const std::string entry = chosen.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (!name.empty()) platforms.push_back(name);
    start = end + 1;
  }
  return platforms;
}

bool CanShowWindows(const SessionEnvironment& environment) {
  for (const std::string& platform : PlatformsToTry(environment)) {
    if (platform == "xcb") {
      if (XServerAccepts(environment.display)) return true;
    } else if (platform == "wayland" || platform.starts_with("wayland-")) {
      if (environment.waylandDisplay) return true;
    } else {
      return true;
    }
  }
  return false;
}

std::string_view NoDisplayMessage() {
  return "velnora: no graphical session to open its windows in; start it on a desktop, or "
         "headless with `xvfb-run velnora` or `QT_QPA_PLATFORM=offscreen velnora`";
}

}  // namespace velnora::platform::window
