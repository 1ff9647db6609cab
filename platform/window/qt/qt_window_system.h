// The window system of the real program, on Qt 6 Widgets. Windows are built from their
// definitions alone and kept to the same rules as the headless backend (one conformance
// suite for both); Qt stays behind this class, so its users see no Qt type except the
// widget pointers that tests and screenshots ask for.
//
// Outer sizes include a frame and a caption bar as a fixed frame has them at 96 dpi (3
// pixels on each side, a caption of 23), whether or not a window manager draws one: the
// client area is the outer size less that allowance, so the controls keep the places and
// sizes of the control tables on every platform. Sizes are logical pixels; Qt scales
// them by the screen's device-pixel ratio (QT_SCALE_FACTOR=2 doubles everything).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/window/window_system.h"

class QWidget;

namespace velnora::platform::window {

// A fixed frame's width on each side and a caption bar's height, in logical pixels.
inline constexpr int kFrameAllowance = 3;
inline constexpr int kCaptionAllowance = 23;

// A timed message box carries its time-out, in milliseconds, under this Qt property, so
// that whoever watches the screen can tell that it closes by itself.
inline constexpr const char* kTimeoutProperty = "velnoraTimeoutMs";

class QtWindowSystem final : public WindowSystem {
 public:
  QtWindowSystem();
  ~QtWindowSystem() override;

  // Starts Qt once per process (in a Wayland session without a chosen platform, on
  // XWayland); false, with nothing started, when no platform can show windows. Should Qt
  // fail all the same, the process ends with status 1 and NoDisplayMessage() instead of
  // Qt's abort.
  bool Initialise() override;

  WindowHandle CreateTopLevelWindow(const WindowDefinition& definition,
                                    WindowHandlers handlers) override;
  void OpenModal(const WindowDefinition& definition, WindowHandlers handlers) override;
  void CloseWindow(WindowHandle window) override;
  void SetVisible(WindowHandle window, bool visible) override;
  [[nodiscard]] bool IsVisible(WindowHandle window) const override;
  void SetTitle(WindowHandle window, std::string_view title) override;
  [[nodiscard]] Text Title(WindowHandle window) const override;
  [[nodiscard]] bool HasCaptionBar(WindowHandle window) const override;
  [[nodiscard]] Rect WindowPlace(WindowHandle window) const override;
  [[nodiscard]] Rect ScreenPlace() const override;

  void SetCaption(WindowHandle window, std::string_view control, std::string_view caption) override;
  [[nodiscard]] Text Caption(WindowHandle window, std::string_view control) const override;
  void AddItem(WindowHandle window, std::string_view control, std::string_view item) override;
  void RemoveAllItems(WindowHandle window, std::string_view control) override;
  [[nodiscard]] int ItemCount(WindowHandle window, std::string_view control) const override;
  [[nodiscard]] Text ItemText(WindowHandle window, std::string_view control,
                              int index) const override;
  [[nodiscard]] int Selection(WindowHandle window, std::string_view control) const override;
  void SetSelection(WindowHandle window, std::string_view control, int index) override;
  void SetEditText(WindowHandle window, std::string_view control, std::string_view text) override;
  [[nodiscard]] Text EditText(WindowHandle window, std::string_view control) const override;
  void SetProgress(WindowHandle window, std::string_view control, int position) override;
  [[nodiscard]] int Progress(WindowHandle window, std::string_view control) const override;

  // Handles posted events, input and timers, then deletes the windows that nested
  // handlers closed, once none of their handlers is still running.
  void ProcessPendingEvents() override;
  void RunEventLoop(WindowHandle window) override;

  int ShowMessageBox(std::string_view text, const MessageBoxOptions& options = {}) override;
  // Closes itself after `timeoutMs` with kAnswerTimedOut, an OK-only box as well.
  int ShowTimedMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                          unsigned style, int languageId, std::uint32_t timeoutMs) override;

  [[nodiscard]] WindowHandle NextTopLevelWindow(WindowHandle after) const override;
  [[nodiscard]] bool IsWindowAlive(WindowHandle window) const override;
  [[nodiscard]] bool IsWindowShown(WindowHandle window) const override;
  [[nodiscard]] ProcessId WindowOwnerProcess(WindowHandle window) const override;
  [[nodiscard]] int WindowTextLength(WindowHandle window) const override;
  int CopyWindowText(WindowHandle window, std::span<char> buffer) const override;
  int CopyClassName(WindowHandle window, std::span<char> buffer) const override;
  [[nodiscard]] std::uint32_t TickCount() const override;
  [[nodiscard]] ProcessId CurrentProcessId() const override;

  // ---- For tests and screenshots ---------------------------------------------------

  // The widget of a live window or of one of its controls; nullptr when there is none.
  [[nodiscard]] QWidget* WindowWidget(WindowHandle window) const;
  [[nodiscard]] QWidget* ControlWidget(WindowHandle window, std::string_view control) const;
  // The live window that `widget` is or lies in; 0 for none of this system's.
  [[nodiscard]] WindowHandle HandleOf(const QWidget* widget) const;

  // Where the step hook runs: at a pending-events step (inside a handler, a download's
  // wait among them) or at a turn of an event loop itself (the main loop, a modal loop).
  enum class Step { kPendingEvents, kLoopTurn };
  // Runs once at each pending-events step and at each turn of an event loop, before the
  // events are handled; returns whether it has more to do, so that a loop does not wait
  // for input meanwhile. How a test drives the real widgets step by step.
  void SetStepHook(std::function<bool(Step)> hook);

  // Writes the client area of `window`, as the screen shows it (at its device-pixel
  // ratio), to a PNG file; false when it could not.
  bool SaveWindowImage(WindowHandle window, const std::string& path) const;

  // What a person does, for the demo that runs the program without one. A click is
  // delivered from the event loop, as a real one is, so its handler runs in whatever
  // loop is turning then (a message box's own included), not inside the caller.
  void PostClick(WindowHandle window, std::string_view button);
  // The text of the message box on the screen, if one is shown.
  [[nodiscard]] std::optional<Text> ShownBoxText() const;
  // Presses the shown box's button that gives `answer` (kAnswerOk, ...), from the event
  // loop; nothing when no box is shown or it has no such button.
  void AnswerShownBox(int answer);
  // Opens or closes a drop-down's list, as a click on its arrow does.
  void ShowDropDownList(WindowHandle window, std::string_view control, bool shown);
  // Calls `tick` every `interval` while any event loop turns, message boxes' own
  // included; an empty `tick` stops it. Not to be called from inside `tick`, which it
  // destroys.
  void SetTicker(std::chrono::milliseconds interval, std::function<void()> tick);
  // Writes what the screen shows to a PNG file: the shown windows, opened lists and
  // message boxes at their places and in their stacking order, over a plain background,
  // cut to where they lie. False when nothing is shown or the file could not be written.
  bool SaveScreenImage(const std::string& path) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace velnora::platform::window
