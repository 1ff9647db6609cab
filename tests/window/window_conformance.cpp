#include "tests/window/window_conformance.h"

#include <array>
#include <string>

#include "platform/events/pending_events.h"

namespace velnora::platform::window::conformance {
namespace {

// A window with one control of each kind, two of them inside a group box.
WindowDefinition SampleWindow() {
  const Font font{.face = "Sans", .height = 19, .weight = 400};
  return {.title = "Sample",
          .className = "SampleClass",
          .width = 300,
          .height = 200,
          .escapeCloses = true,
          .controls = {
              {.name = "group",
               .kind = ControlKind::kGroupBox,
               .place = {8, 8, 280, 120},
               .text = "Group",
               .font = font},
              {.name = "list",
               .kind = ControlKind::kDropDownList,
               .parent = "group",
               .place = {12, 28, 200, 32},
               .font = font,
               .items = {"a", "b"},
               .selection = 0,
               .listHeight = 160},
              {.name = "empty list",
               .kind = ControlKind::kDropDownList,
               .parent = "group",
               .place = {12, 64, 200, 32},
               .font = font,
               .listHeight = 160},
              {.name = "digits",
               .kind = ControlKind::kEdit,
               .place = {8, 130, 100, 24},
               .font = font,
               .digitsOnly = true,
               .sunken = true},
              {.name = "lines",
               .kind = ControlKind::kMultiLineEdit,
               .place = {110, 130, 100, 24},
               .text = "x",
               .font = font,
               .verticalScrollBar = true},
              {.name = "button",
               .kind = ControlKind::kButton,
               .place = {220, 130, 60, 24},
               .text = "Go",
               .font = font},
              {.name = "label",
               .kind = ControlKind::kLabel,
               .place = {8, 160, 100, 20},
               .text = "Label",
               .font = font},
              {.name = "progress", .kind = ControlKind::kProgressBar, .place = {110, 160, 100, 20}},
          }};
}

// A window without close box that ignores Esc and shows its caption bar only while it
// has a title, moved by dragging its background.
WindowDefinition BareWindow() {
  WindowDefinition bare = SampleWindow();
  bare.title.clear();
  bare.left = 50;
  bare.top = 50;
  bare.systemMenu = bare.closeBox = bare.minimiseBox = false;
  bare.captionOnlyWhenTitled = true;
  bare.escapeCloses = false;
  bare.dragByBackground = true;
  return bare;
}

TEST_P(WindowConformance, BuildsTheWindowFromItsDefinition) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  ASSERT_NE(w, 0u);
  EXPECT_FALSE(system.IsVisible(w));
  EXPECT_EQ(system.Title(w), "Sample");
  EXPECT_EQ(system.Caption(w, "group"), "Group");
  EXPECT_EQ(system.Caption(w, "button"), "Go");
  EXPECT_EQ(system.Caption(w, "label"), "Label");
  EXPECT_EQ(system.ItemCount(w, "list"), 2);
  EXPECT_EQ(system.ItemText(w, "list", 1), "b");
  EXPECT_EQ(system.ItemText(w, "list", 2), "");
  EXPECT_EQ(system.Selection(w, "list"), 0);
  EXPECT_EQ(system.Selection(w, "empty list"), -1);
  EXPECT_EQ(system.EditText(w, "digits"), "");
  EXPECT_EQ(system.EditText(w, "lines"), "x");
  EXPECT_EQ(system.Progress(w, "progress"), 0);

  const Rect screen = system.ScreenPlace();
  EXPECT_EQ(system.WindowPlace(w), (Rect{screen.left + (screen.width - 300) / 2,
                                         screen.top + (screen.height - 200) / 2, 300, 200}));
  const WindowHandle bare = system.CreateTopLevelWindow(BareWindow(), {});
  EXPECT_EQ(system.WindowPlace(bare), (Rect{50, 50, 300, 200}));
}

TEST_P(WindowConformance, DropDownSelectionFollowsTheWindowSystemsRule) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  struct Row {
    const char* name;
    const char* control;
    int requested;
    int expected;
  };
  const Row rows[] = {
      {"an item", "list", 1, 1},
      {"above the last selects the last", "list", 7, 1},
      {"first", "list", 0, 0},
      {"minus one selects none", "list", -1, -1},
      {"below minus one selects none", "list", -5, -1},
      {"empty list has nothing to select", "empty list", 0, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    system.SetSelection(w, row.control, 0);
    system.SetSelection(w, row.control, row.requested);
    EXPECT_EQ(system.Selection(w, row.control), row.expected);
  }

  // Adding items never selects one, not even the first item of an empty list.
  system.AddItem(w, "empty list", "c");
  EXPECT_EQ(system.Selection(w, "empty list"), -1);
  system.SetSelection(w, "empty list", 0);
  EXPECT_EQ(system.ItemText(w, "empty list", 0), "c");
  system.RemoveAllItems(w, "empty list");
  EXPECT_EQ(system.ItemCount(w, "empty list"), 0);
  EXPECT_EQ(system.Selection(w, "empty list"), -1);
}

TEST_P(WindowConformance, UserInputPassesTheBoxesFilters) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  system.SetVisible(w, true);
  Driver().Type(w, "digits", "12a3");
  Driver().Paste(w, "digits", "4\xd6\xd0-5 ");
  Driver().Type(w, "lines", "\b\xd6\xd0\b\xb5\xda\r1\n\r\n\b2");
  Driver().Type(w, "list", "b");
  Driver().Select(w, "list", 1);
  Driver().Select(w, "empty list", 0);
  system.ProcessPendingEvents();
  EXPECT_EQ(system.EditText(w, "digits"), "1234-5");
  EXPECT_EQ(system.EditText(w, "lines"), "\xb5\xda\r\n1\r\n2");
  EXPECT_EQ(system.Selection(w, "list"), 1);
  EXPECT_EQ(system.Selection(w, "empty list"), -1);

  // The program's own writes are not filtered.
  system.SetEditText(w, "digits", "abc");
  EXPECT_EQ(system.EditText(w, "digits"), "abc");
}

TEST_P(WindowConformance, ProgressStaysWithinZeroToHundred) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  for (const auto& [set, expected] :
       std::array<std::pair<int, int>, 3>{{{40, 40}, {150, 100}, {-5, 0}}}) {
    SCOPED_TRACE(set);
    system.SetProgress(w, "progress", set);
    EXPECT_EQ(system.Progress(w, "progress"), expected);
  }
}

TEST_P(WindowConformance, CaptionsAndTitleCanBeChanged) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  system.SetCaption(w, "group", "\xca\xe9");
  system.SetTitle(w, "T");
  EXPECT_EQ(system.Caption(w, "group"), "\xca\xe9");
  EXPECT_EQ(system.Title(w), "T");
  EXPECT_TRUE(system.HasCaptionBar(w));

  const WindowHandle bare = system.CreateTopLevelWindow(BareWindow(), {});
  EXPECT_FALSE(system.HasCaptionBar(bare));
  system.SetTitle(bare, "Chapter");
  EXPECT_TRUE(system.HasCaptionBar(bare));
  system.SetTitle(bare, "");
  EXPECT_FALSE(system.HasCaptionBar(bare));
}

TEST_P(WindowConformance, ClosedWindowsAndUnknownNamesIgnoreWritesAndReadEmpty) {
  WindowSystem& system = System();
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), {});
  system.SetEditText(w, "no such control", "x");
  EXPECT_EQ(system.EditText(w, "no such control"), "");
  EXPECT_EQ(system.Selection(w, "no such control"), -1);
  system.CloseWindow(w);
  system.SetTitle(w, "late");
  system.SetEditText(w, "lines", "late");
  system.AddItem(w, "list", "late");
  system.SetVisible(w, true);
  EXPECT_FALSE(system.IsWindowAlive(w));
  EXPECT_FALSE(system.IsVisible(w));
  EXPECT_EQ(system.Title(w), "");
  EXPECT_EQ(system.EditText(w, "lines"), "");
  EXPECT_EQ(system.ItemCount(w, "list"), 0);
  EXPECT_EQ(system.WindowOwnerProcess(w), 0u);
}

TEST_P(WindowConformance, TopLevelWindowsAreEnumeratedTopToBottom) {
  WindowSystem& system = System();
  const WindowHandle a = system.CreateTopLevelWindow(SampleWindow(), {});
  const WindowHandle b = system.CreateTopLevelWindow(SampleWindow(), {});
  const WindowHandle c = system.CreateTopLevelWindow(SampleWindow(), {});
  system.SetVisible(a, true);  // showing brings a window to the top
  system.CloseWindow(b);

  // Our windows in enumeration order; the system may hold others of other processes.
  std::vector<WindowHandle> ours;
  for (WindowHandle w = system.NextTopLevelWindow(0); w != 0; w = system.NextTopLevelWindow(w))
    if (w == a || w == b || w == c) ours.push_back(w);
  EXPECT_EQ(ours, (std::vector<WindowHandle>{a, c}));
  EXPECT_EQ(system.NextTopLevelWindow(b), 0u);
  EXPECT_TRUE(system.IsWindowShown(a));
  EXPECT_FALSE(system.IsWindowShown(c));
  EXPECT_EQ(system.WindowOwnerProcess(a), system.CurrentProcessId());
}

TEST_P(WindowConformance, TextAndClassAreCopiedCutToTheBuffer) {
  WindowSystem& system = System();
  WindowDefinition definition = SampleWindow();
  definition.className = std::string(49, 'c') + "TAIL";
  const WindowHandle w = system.CreateTopLevelWindow(definition, {});
  EXPECT_EQ(system.WindowTextLength(w), 6);

  std::array<char, 4> small{'?', '?', '?', '?'};
  EXPECT_EQ(system.CopyWindowText(w, small), 3);
  EXPECT_EQ(std::string(small.data()), "Sam");
  std::array<char, 50> classBuffer{};
  EXPECT_EQ(system.CopyClassName(w, classBuffer), 49);
  EXPECT_EQ(std::string(classBuffer.data()), std::string(49, 'c'));
  EXPECT_EQ(system.CopyClassName(w, std::span<char>()), 0);
}

TEST_P(WindowConformance, ButtonClickRunsItsHandlerOnlyWhenTheUserCanReachIt) {
  WindowSystem& system = System();
  std::vector<std::string> log;
  WindowHandle created = 0;
  const WindowHandle w = system.CreateTopLevelWindow(
      SampleWindow(),
      {.created = [&](WindowHandle self) { created = self; },
       .buttonClicked = {{"button", [&](WindowHandle self) {
                            log.push_back(self == created ? "clicked" : "wrong window");
                          }}}});
  EXPECT_EQ(created, w);

  Driver().Click(w, "button");  // hidden: the user cannot reach it
  system.ProcessPendingEvents();
  system.SetVisible(w, true);
  Driver().Click(w, "button");
  system.ProcessPendingEvents();
  system.CloseWindow(w);
  Driver().Click(w, "button");
  system.ProcessPendingEvents();
  EXPECT_EQ(log, (std::vector<std::string>{"clicked"}));
}

TEST_P(WindowConformance, ClickDuringAWaitRunsItsWholeHandlerInsideTheWait) {
  WindowSystem& system = System();
  std::vector<std::string> log;
  WindowHandlers handlers;
  handlers.buttonClicked["button"] = [&](WindowHandle) { log.push_back("inner"); };
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), std::move(handlers));
  system.SetVisible(w, true);
  Driver().Click(w, "button");

  const ActiveWindowSystemScope active(&system);
  log.push_back("outer starts waiting");
  platform::ProcessPendingEvents();  // the step a web request's wait takes
  log.push_back("outer resumes");
  EXPECT_EQ(log, (std::vector<std::string>{"outer starts waiting", "inner", "outer resumes"}));
  EXPECT_EQ(ActiveWindowSystem(), &system);
}

TEST_P(WindowConformance, ModalWindowReturnsWhenClosedAndBlocksTheOthers) {
  WindowSystem& system = System();
  std::vector<std::string> log;
  WindowHandlers mainHandlers;
  mainHandlers.buttonClicked["button"] = [&](WindowHandle) { log.push_back("main clicked"); };
  const WindowHandle main = system.CreateTopLevelWindow(SampleWindow(), std::move(mainHandlers));
  system.SetVisible(main, true);

  WindowHandle modal = 0;
  WindowHandlers modalHandlers;
  modalHandlers.created = [&](WindowHandle self) {
    modal = self;
    log.push_back(system.IsVisible(self) ? "created, shown" : "created, hidden");
    // The user can act while the created handler waits.
    Driver().Click(main, "button");
    Driver().Type(self, "digits", "7");
    system.ProcessPendingEvents();
    log.push_back("typed " + system.EditText(self, "digits"));
    Driver().Click(self, "button");
  };
  modalHandlers.buttonClicked["button"] = [&](WindowHandle self) {
    log.push_back("closing");
    system.CloseWindow(self);
    log.push_back("closed");
  };
  system.OpenModal(BareWindow(), std::move(modalHandlers));
  log.push_back("returned");
  EXPECT_FALSE(system.IsWindowAlive(modal));
  EXPECT_EQ(log, (std::vector<std::string>{"created, shown", "typed 7", "closing", "closed",
                                           "returned"}));
}

TEST_P(WindowConformance, EscapeCloseBoxAndDragFollowTheDefinition) {
  WindowSystem& system = System();
  const WindowHandle bare = system.CreateTopLevelWindow(BareWindow(), {});
  const WindowHandle fixed = system.CreateTopLevelWindow(SampleWindow(), {});
  const WindowHandle byEscape = system.CreateTopLevelWindow(SampleWindow(), {});
  const WindowHandle byCloseBox = system.CreateTopLevelWindow(SampleWindow(), {});
  for (WindowHandle w : {bare, fixed, byEscape, byCloseBox}) system.SetVisible(w, true);
  system.SetTitle(bare, "titled");
  const Rect fixedPlace = system.WindowPlace(fixed);
  Driver().PressEscape(bare);
  Driver().ClickCloseBox(bare);
  Driver().DragBackground(bare, 10, -5);
  Driver().DragBackground(fixed, 10, -5);
  Driver().PressEscape(byEscape);
  Driver().ClickCloseBox(byCloseBox);
  system.ProcessPendingEvents();

  EXPECT_TRUE(system.IsWindowAlive(bare));
  EXPECT_EQ(system.WindowPlace(bare), (Rect{60, 45, 300, 200}));
  EXPECT_EQ(system.WindowPlace(fixed), fixedPlace);
  EXPECT_FALSE(system.IsWindowAlive(byEscape));
  EXPECT_FALSE(system.IsWindowAlive(byCloseBox));
}

TEST_P(WindowConformance, EventLoopRunsUntilItsWindowCloses) {
  WindowSystem& system = System();
  int clicks = 0;
  WindowHandlers handlers;
  handlers.buttonClicked["button"] = [&](WindowHandle self) {
    if (++clicks == 2) system.CloseWindow(self);
  };
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), std::move(handlers));
  system.SetVisible(w, true);
  Driver().Click(w, "button");
  Driver().Then();
  Driver().Click(w, "button");
  system.RunEventLoop(w);
  EXPECT_FALSE(system.IsWindowAlive(w));
  EXPECT_EQ(clicks, 2);
}

TEST_P(WindowConformance, PlainMessageBoxIsOwnerlessWithTheDefaultCaption) {
  WindowSystem& system = System();
  struct Row {
    const char* name;
    MessageBoxOptions options;
    int answer;
    SeenBox seen;
  };
  const Row rows[] = {
      {"OK", {}, kAnswerOk, {"m", "\xd0\xc5\xcf\xa2\xa3\xba", 0, 0, std::nullopt}},
      {"retry and cancel with a caption",
       {.caption = "\xb2\xbb\xbf\xc9\xce\xaa\xbf\xd5", .style = 5},
       kAnswerCancel,
       {"m", "\xb2\xbb\xbf\xc9\xce\xaa\xbf\xd5", 5, 0, std::nullopt}},
      {"question icon, empty caption given",
       {.caption = "", .style = 32},
       kAnswerOk,
       {"m", "", 32, 0, std::nullopt}},
      {"information icon",
       {.style = 64},
       kAnswerOk,
       {"m", "\xd0\xc5\xcf\xa2\xa3\xba", 64, 0, std::nullopt}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Driver().AnswerNextBox(row.answer);
    EXPECT_EQ(system.ShowMessageBox("m", row.options), row.answer);
    const SeenBox seen = Driver().Boxes().back();
    EXPECT_EQ(seen.text, row.seen.text);
    EXPECT_EQ(seen.caption, row.seen.caption);
    EXPECT_EQ(seen.style, row.seen.style);
    EXPECT_EQ(seen.owner, row.seen.owner);
    EXPECT_EQ(seen.timeoutMs, row.seen.timeoutMs);
  }
}

TEST_P(WindowConformance, TimedMessageBoxReturnsTheAnswerOrTimesOut) {
  WindowSystem& system = System();
  const WindowHandle owner = system.CreateTopLevelWindow(SampleWindow(), {});
  system.SetVisible(owner, true);
  Driver().AnswerNextBox(kAnswerOk);
  EXPECT_EQ(system.ShowTimedMessageBox(owner, "a", "c", 64, 0, 2000), kAnswerOk);
  Driver().LetNextBoxTimeOut();
  EXPECT_EQ(system.ShowTimedMessageBox(0, "b", "c", 32, 0, 1000), kAnswerTimedOut);
  const std::vector<SeenBox> boxes = Driver().Boxes();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[boxes.size() - 2].owner, owner);
  EXPECT_EQ(boxes[boxes.size() - 2].timeoutMs, 2000u);
  EXPECT_EQ(boxes.back().text, "b");
  EXPECT_EQ(boxes.back().owner, 0u);
  EXPECT_EQ(boxes.back().style, 32u);
}

std::vector<int>& ExitLog() {
  static std::vector<int> log;
  return log;
}
void ExitFirst() {
  ExitLog().push_back(1);
}
void ExitSecond() {
  ExitLog().push_back(2);
}

TEST_P(WindowConformance, ExitRoutinesRunOnceEachInRegistrationOrder) {
  WindowSystem& system = System();
  ExitLog().clear();
  system.RegisterExitRoutine(&ExitSecond);
  system.RegisterExitRoutine(&ExitFirst);
  system.RegisterExitRoutine(&ExitSecond);
  system.RunExitRoutines();
  system.RunExitRoutines();
  EXPECT_EQ(ExitLog(), (std::vector<int>{2, 1}));
}

TEST_P(WindowConformance, ActiveScopeRoutesThePendingEventsStepAndRestoresIt) {
  WindowSystem& system = System();
  int clicks = 0;
  WindowHandlers handlers;
  handlers.buttonClicked["button"] = [&](WindowHandle) { ++clicks; };
  const WindowHandle w = system.CreateTopLevelWindow(SampleWindow(), std::move(handlers));
  system.SetVisible(w, true);
  Driver().Click(w, "button");
  { const ActiveWindowSystemScope active(&system); }
  platform::ProcessPendingEvents();  // no window system active: nothing runs
  EXPECT_EQ(ActiveWindowSystem(), nullptr);
  EXPECT_EQ(clicks, 0);
  {
    const ActiveWindowSystemScope active(&system);
    platform::ProcessPendingEvents();
  }
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace velnora::platform::window::conformance
