#include "platform/window/headless/headless_window_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/window/window_conformance.h"

namespace velnora::platform::window {
namespace {

class HeadlessDriver final : public conformance::WindowDriver {
 public:
  WindowSystem& System() override { return system_; }
  void Click(WindowHandle w, std::string_view button) override { system_.QueueClick(w, button); }
  void Type(WindowHandle w, std::string_view box, std::string_view keys) override {
    system_.QueueTyping(w, box, keys);
  }
  void Paste(WindowHandle w, std::string_view box, std::string_view text) override {
    system_.QueuePaste(w, box, text);
  }
  void Select(WindowHandle w, std::string_view list, int index) override {
    system_.QueueSelect(w, list, index);
  }
  void PressEscape(WindowHandle w) override { system_.QueueEscape(w); }
  void ClickCloseBox(WindowHandle w) override { system_.QueueCloseBox(w); }
  void DragBackground(WindowHandle w, int dx, int dy) override { system_.QueueDrag(w, dx, dy); }
  void Then() override { system_.NextPoint(); }
  void AnswerNextBox(int button) override { system_.ScriptBoxAnswer({.button = button}); }
  void LetNextBoxTimeOut() override {
    system_.ScriptBoxAnswer({.afterMs = std::numeric_limits<std::uint32_t>::max()});
  }
  [[nodiscard]] std::vector<conformance::SeenBox> Boxes() const override {
    std::vector<conformance::SeenBox> seen;
    for (const MessageBoxRecord& box : system_.Boxes())
      seen.push_back({box.text, box.caption, box.style, box.owner, box.timeoutMs});
    return seen;
  }

 private:
  HeadlessWindowSystem system_;
};

std::unique_ptr<conformance::WindowDriver> MakeHeadlessDriver() {
  return std::make_unique<HeadlessDriver>();
}

using conformance::WindowConformance;
INSTANTIATE_TEST_SUITE_P(Headless, WindowConformance, ::testing::Values(&MakeHeadlessDriver));

WindowDefinition OneButtonWindow() {
  return {.title = "w",
          .width = 100,
          .height = 100,
          .controls = {{.name = "button", .kind = ControlKind::kButton}}};
}

// ---- What only the headless backend promises: the virtual clock and the script ----------

TEST(HeadlessWindowSystem, BoxesMoveTheVirtualClockByTheirWait) {
  HeadlessWindowSystem system({.startTick = 1000});
  struct Row {
    const char* name;
    std::optional<BoxAnswer> answer;
    std::optional<std::uint32_t> timeoutMs;
    int result;
    std::uint32_t waited;
  };
  const Row rows[] = {
      {"plain box, unscripted: its first button at once", {}, {}, kAnswerOk, 0},
      {"plain box answered after a while", BoxAnswer{.button = 2, .afterMs = 700}, {}, 2, 700},
      {"timed box, unscripted: closes at its time-out", {}, 2000, kAnswerTimedOut, 2000},
      {"timed box answered in time", BoxAnswer{.button = 1, .afterMs = 300}, 2000, 1, 300},
      {"timed box answered too late", BoxAnswer{.button = 1, .afterMs = 5000}, 2000,
       kAnswerTimedOut, 2000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.answer) system.ScriptBoxAnswer(*row.answer);
    const std::uint32_t before = system.TickCount();
    const int result = row.timeoutMs ? system.ShowTimedMessageBox(0, "t", "c", 0, 0, *row.timeoutMs)
                                     : system.ShowMessageBox("t");
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(system.TickCount() - before, row.waited);
    EXPECT_EQ(system.Boxes().back().shownAt, before);
    EXPECT_EQ(system.Boxes().back().result, row.result);
  }
  EXPECT_EQ(system.ShowMessageBox("t", {.style = kStyleRetryCancel}), kAnswerRetry);
}

TEST(HeadlessWindowSystem, ForgottenBoxesLeaveOnlyTheLaterOnesRecorded) {
  HeadlessWindowSystem system;
  system.ShowMessageBox("first");
  system.ForgetBoxes();
  EXPECT_TRUE(system.Boxes().empty());
  system.ShowMessageBox("second");
  ASSERT_EQ(system.Boxes().size(), 1u);
  EXPECT_EQ(system.Boxes().front().text, "second");
}

TEST(HeadlessWindowSystem, EachPendingEventsStepRunsOneBatchAndMovesTheClock) {
  HeadlessWindowSystem system({.startTick = 0, .eventStepMs = 10});
  std::string log;
  system.QueueAction([&] { log += "a"; });
  system.QueueAction([&] { log += "b"; });
  system.NextPoint();
  system.QueueAction([&] { log += "c"; });
  system.ProcessPendingEvents();
  EXPECT_EQ(log, "ab");
  EXPECT_EQ(system.TickCount(), 10u);
  system.ProcessPendingEvents();
  system.ProcessPendingEvents();
  EXPECT_EQ(log, "abc");
  EXPECT_EQ(system.TickCount(), 30u);
  EXPECT_FALSE(system.HasQueuedActions());
}

TEST(HeadlessWindowSystem, LoopsThatRunOutOfActionsCloseTheirWindowAndSaySo) {
  HeadlessWindowSystem system;
  const WindowHandle w = system.CreateTopLevelWindow(OneButtonWindow(), {});
  EXPECT_FALSE(system.RanOutOfActions());
  system.OpenModal(OneButtonWindow(), {});
  EXPECT_TRUE(system.RanOutOfActions());
  system.RunEventLoop(w);
  EXPECT_FALSE(system.IsWindowAlive(w));
}

TEST(HeadlessWindowSystem, OtherProcessesWindowsJoinTheOrderButTakeNoInput) {
  HeadlessWindowSystem system({.processId = 7});
  const WindowHandle ours = system.CreateTopLevelWindow(OneButtonWindow(), {});
  const WindowHandle top = system.AddOtherWindow({.processId = 8, .title = "top"});
  const WindowHandle bottom =
      system.AddOtherWindow({.processId = 9, .className = "k", .visible = false}, false);
  EXPECT_EQ(system.NextTopLevelWindow(0), top);
  EXPECT_EQ(system.NextTopLevelWindow(top), ours);
  EXPECT_EQ(system.NextTopLevelWindow(ours), bottom);
  EXPECT_EQ(system.WindowOwnerProcess(bottom), 9u);
  EXPECT_FALSE(system.IsWindowShown(bottom));
  system.Raise(bottom);
  EXPECT_EQ(system.NextTopLevelWindow(0), bottom);
}

TEST(SelectionAfterSetting, FollowsTheDropDownRule) {
  struct Row {
    int requested;
    int count;
    int expected;
  };
  for (const Row& row :
       {Row{0, 2, 0}, Row{2, 2, 1}, Row{-1, 2, -1}, Row{-9, 2, -1}, Row{0, 0, -1}, Row{1, 2, 1}}) {
    SCOPED_TRACE(::testing::Message() << row.requested << " of " << row.count);
    EXPECT_EQ(SelectionAfterSetting(row.requested, row.count), row.expected);
  }
}

}  // namespace
}  // namespace velnora::platform::window
