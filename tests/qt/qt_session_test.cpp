#include "platform/window/qt/qt_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velnora::platform::window {
namespace {

TEST(PlatformToForce, RunsAWaylandSessionThroughXWaylandUnlessAPlatformIsChosen) {
  struct Row {
    const char* name;
    SessionEnvironment environment;
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      {"an X session", {.display = ":0", .sessionType = "x11"}, std::nullopt},
      {"nothing known", {}, std::nullopt},
      {"a Wayland session by its type", {.display = ":0", .sessionType = "wayland"}, "xcb"},
      {"a Wayland session by its display", {.waylandDisplay = "wayland-0"}, "xcb"},
      {"Wayland chosen on purpose",
       {.qpaPlatform = "wayland", .waylandDisplay = "wayland-0", .sessionType = "wayland"},
       std::nullopt},
      {"offscreen chosen in a Wayland session",
       {.qpaPlatform = "offscreen", .sessionType = "wayland"},
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PlatformToForce(row.environment), row.expected);
  }
}

TEST(PlatformsToTry, ReadsTheListWithoutOptions) {
  struct Row {
    const char* name;
    SessionEnvironment environment;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"Qt's default", {}, {"xcb"}},
      {"one platform", {.qpaPlatform = "offscreen"}, {"offscreen"}},
      {"options dropped", {.qpaPlatform = "vnc:size=800x600"}, {"vnc"}},
      {"a list in order", {.qpaPlatform = "wayland;xcb:x=1"}, {"wayland", "xcb"}},
      {"empty entries skipped", {.qpaPlatform = ";offscreen;"}, {"offscreen"}},
      {"the forced one", {.waylandDisplay = "wayland-0"}, {"xcb"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PlatformsToTry(row.environment), row.expected);
  }
}

TEST(CanShowWindows, NeedsADisplayOnlyForPlatformsThatDrawOnOne) {
  struct Row {
    const char* name;
    SessionEnvironment environment;
    bool expected;
  };
  const Row rows[] = {
      {"no display at all", {}, false},
      {"an X display nobody serves", {.display = ":4711"}, false},
      {"xcb chosen, no display", {.qpaPlatform = "xcb"}, false},
      {"offscreen needs none", {.qpaPlatform = "offscreen"}, true},
      {"Wayland chosen, no Wayland display", {.qpaPlatform = "wayland"}, false},
      {"Wayland chosen with its display", {.qpaPlatform = "wayland", .waylandDisplay = "w"}, true},
      {"a list where a later entry needs none", {.qpaPlatform = "xcb;offscreen"}, true},
      {"a Wayland session without XWayland",
       {.waylandDisplay = "w", .sessionType = "wayland"},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CanShowWindows(row.environment), row.expected);
  }
}

TEST(NoDisplayMessage, IsOneLineNamingBothHeadlessWays) {
  const std::string message(NoDisplayMessage());
  EXPECT_EQ(message.find('\n'), std::string::npos);
  EXPECT_NE(message.find("xvfb-run"), std::string::npos);
  EXPECT_NE(message.find("QT_QPA_PLATFORM=offscreen"), std::string::npos);
}

}  // namespace
}  // namespace velnora::platform::window
