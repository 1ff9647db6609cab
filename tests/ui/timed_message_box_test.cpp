#include "ui/timed_message_box.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/window/headless/headless_window_system.h"

namespace velnora::ui {
namespace {

using platform::window::ActiveWindowSystemScope;
using platform::window::HeadlessWindowSystem;
using platform::window::kAnswerOk;
using platform::window::kAnswerTimedOut;
using platform::window::MessageBoxRecord;
using platform::window::OtherWindow;
using platform::window::WindowDefinition;

constexpr ProcessId kOurs = 7;
constexpr ProcessId kOthers = 8;
const std::string kFriendlyReminder = "\xd3\xd1\xc7\xe9\xcc\xe1\xd0\xd1";  // 友情提醒
const std::string kSaved = "\xd2\xd1\xb1\xa3\xb4\xe6";                     // 已保存

// A headless window system, active for the test, in which our process has one visible
// main window above another process's window.
class TimedBox : public ::testing::Test {
 protected:
  TimedBox() : system_({.processId = kOurs}), active_(&system_) {
    main_ = system_.CreateTopLevelWindow({.title = "main", .className = "Main"}, {});
    system_.SetVisible(main_, true);
    system_.AddOtherWindow({.processId = kOthers, .title = "other", .className = "Other"},
                           /*atTop=*/false);
  }

  // A window of our process at the top of the order.
  WindowHandle OwnWindow(std::string title, std::string className, bool visible) {
    return system_.AddOtherWindow(
        {.processId = kOurs, .title = title, .className = className, .visible = visible});
  }

  HeadlessWindowSystem system_;
  ActiveWindowSystemScope active_;
  WindowHandle main_ = 0;
};

TEST_F(TimedBox, LeftOutArgumentsTakeTheirDefaults) {
  struct Row {
    const char* name;
    TimedMessageBoxOptions options;
    MessageBoxRecord expected;
  };
  const Row rows[] = {
      {"all left out",
       {},
       {.text = kSaved,
        .caption = kFriendlyReminder,
        .style = 0,
        .owner = main_,
        .timeoutMs = 5000}},
      {"saved notice",
       {.style = 64, .timeoutMs = 2000},
       {.text = kSaved,
        .caption = kFriendlyReminder,
        .style = 64,
        .owner = main_,
        .timeoutMs = 2000}},
      {"owner 0 means none, caption given empty",
       {.style = 32, .caption = "", .owner = 0, .timeoutMs = 1000},
       {.text = kSaved, .caption = "", .style = 32, .owner = 0, .timeoutMs = 1000}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::uint32_t before = system_.TickCount();
    // Unanswered, the box closes by itself at its time-out.
    EXPECT_EQ(TimedMessageBox(kSaved, row.options), kAnswerTimedOut - 1);
    MessageBoxRecord seen = system_.Boxes().back();
    EXPECT_EQ(seen.shownAt, before);  // the owner was found on the first pass
    EXPECT_EQ(system_.TickCount() - before, *row.expected.timeoutMs);
    seen.shownAt = 0;
    seen.result = 0;
    EXPECT_EQ(seen, row.expected);
  }
  system_.ScriptBoxAnswer({.button = kAnswerOk, .afterMs = 10});
  EXPECT_EQ(TimedMessageBox(kSaved), 0);
}

TEST_F(TimedBox, WithoutAVisibleWindowTheLookupGivesUpAfterOneSecond) {
  system_.SetVisible(main_, false);
  const std::uint32_t before = system_.TickCount();
  TimedMessageBox(kSaved);
  EXPECT_EQ(system_.Boxes().back().owner, 0u);
  EXPECT_EQ(system_.Boxes().back().shownAt - before, 1000u);
}

TEST_F(TimedBox, AWindowShownWhileTheLookupWaitsBecomesTheOwner) {
  system_.SetVisible(main_, false);
  std::string log;
  system_.NextPoint();
  system_.NextPoint();
  system_.QueueAction([&] {
    log += "handler runs inside the lookup;";
    system_.SetVisible(main_, true);
  });
  TimedMessageBox(kSaved);
  log += "box shown";
  EXPECT_EQ(log, "handler runs inside the lookup;box shown");
  EXPECT_EQ(system_.Boxes().back().owner, main_);
}

TEST_F(TimedBox, TimeLimitIsCountedOnTheClock) {
  // Nothing of process 99 exists, so the lookup runs to its limit; the clock moves only
  // at the pending-events steps, by `step` each.
  struct Row {
    const char* name;
    std::optional<int> limit;
    std::uint32_t step;
    std::uint32_t elapsed;
  };
  const Row rows[] = {
      {"given", 5000, 1, 5000},
      {"zero", 0, 1, 0},
      {"left out: one year", std::nullopt, 1000000, 32000000},
      {"minus one as left out", -1, 1000000, 32000000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    system_.SetEventStep(row.step);
    const std::uint32_t before = system_.TickCount();
    EXPECT_EQ(FindProcessWindow(99, {.timeLimitMs = row.limit}), 0u);
    EXPECT_EQ(system_.TickCount() - before, row.elapsed);
  }
}

TEST_F(TimedBox, FirstVisibleWindowOfTheProcessDecides) {
  const std::string longClass = std::string(45, 'c') + "abcdTAIL";  // bytes 46-49 are "abcd"
  OwnWindow("hidden abc", "HiddenClass", false);
  const WindowHandle lower = OwnWindow("abc", "Lower", true);
  const WindowHandle top = OwnWindow("xyz", longClass, true);
  system_.AddOtherWindow({.processId = kOthers, .title = "abc", .className = "Lower"});
  struct Row {
    const char* name;
    FindProcessWindowOptions options;
    WindowHandle expected;
  };
  const Row rows[] = {
      {"no filter", {}, top},
      {"title filter the top window fails: lower ones are not tried", {.titleFilter = "abc"}, 0},
      {"title filter matches", {.titleFilter = "y"}, top},
      {"filters are case-sensitive", {.titleFilter = "XYZ"}, 0},
      {"class cut to 49 bytes keeps what is inside", {.classFilter = "abcd"}, top},
      {"class cut to 49 bytes loses the rest", {.classFilter = "TAIL"}, 0},
      {"both filters match", {.titleFilter = "xyz", .classFilter = "ccc"}, top},
      {"one of both fails", {.titleFilter = "xyz", .classFilter = "Lower"}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FindProcessWindow(kOurs, row.options), row.expected);
  }
  EXPECT_EQ(WindowClassOf(top), std::string(45, 'c') + "abcd");
  EXPECT_EQ(WindowTextOf(lower), "abc");
  EXPECT_EQ(WindowProcessId(lower), kOurs);
}

TEST_F(TimedBox, HiddenWindowsArePassedQuietlyOnlyWhenAsked) {
  system_.SetVisible(main_, false);
  OwnWindow("hidden", "Hidden", false);
  const WindowHandle visible = OwnWindow("shown", "Shown", true);
  system_.Raise(system_.NextTopLevelWindow(visible));  // the hidden one goes on top
  for (const bool quietly : {true, false}) {
    SCOPED_TRACE(quietly ? "quietly" : "handling events");
    bool handled = false;
    system_.QueueAction([&] { handled = true; });
    EXPECT_EQ(FindProcessWindow(kOurs, {.skipHiddenQuietly = quietly}), visible);
    EXPECT_EQ(handled, !quietly);
    system_.ProcessPendingEvents();  // drop what was left queued
  }
}

TEST(TimedMessageBoxWithoutWindowSystem, ShowsNothing) {
  EXPECT_EQ(TimedMessageBox("x"), -1);
  EXPECT_EQ(FindProcessWindow(1), 0u);
}

}  // namespace
}  // namespace velnora::ui
