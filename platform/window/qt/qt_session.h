// Which Qt platform the program runs on, decided before Qt starts, and whether that
// platform can show windows at all. Qt ends the process when its platform cannot start,
// so the program asks first and says what to do instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::platform::window {

// The environment variables that choose the platform; an empty value counts as unset.
struct SessionEnvironment {
  std::optional<std::string> qpaPlatform{};     // QT_QPA_PLATFORM
  std::optional<std::string> display{};         // DISPLAY
  std::optional<std::string> waylandDisplay{};  // WAYLAND_DISPLAY
  std::optional<std::string> sessionType{};     // XDG_SESSION_TYPE
};

[[nodiscard]] SessionEnvironment ReadSessionEnvironment();

// The platform the program sets before Qt starts, or nothing to leave Qt's own choice.
// A Wayland session with no platform chosen runs through XWayland ("xcb"): the windows
// place themselves on the screen (centred, at 50, 50), which Wayland does not let a
// client do.
//   PlatformToForce({.waylandDisplay = "wayland-0"}) == "xcb"
[[nodiscard]] std::optional<std::string> PlatformToForce(const SessionEnvironment& environment);

// The platforms Qt will try, in order: QT_QPA_PLATFORM's entries (separated by ';',
// each without its ":options"), else the forced one, else "xcb".
//   PlatformsToTry({.qpaPlatform = "wayland;xcb:x=1"}) == {"wayland", "xcb"}
[[nodiscard]] std::vector<std::string> PlatformsToTry(const SessionEnvironment& environment);

// Whether one of those platforms can start: "xcb" needs an X server that accepts the
// connection, "wayland" a Wayland display; the others (offscreen, vnc, ...) need none.
[[nodiscard]] bool CanShowWindows(const SessionEnvironment& environment);

// The one line the program prints when it cannot show windows.
[[nodiscard]] std::string_view NoDisplayMessage();

}  // namespace velnora::platform::window
