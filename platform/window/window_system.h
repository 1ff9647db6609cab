// The window system every handler of the program talks to: windows built from their
// definitions, controls addressed by name, events, modal windows, message boxes, the
// top-level window enumeration, the tick count, the pending-events step, the event loop
// and the exit routines. Two backends implement it (Qt for the program, headless for
// tests) and are held to one conformance suite.
//
// Texts at this interface are code-page-936 byte strings. A handle or a control name that
// no longer names anything (a window that was closed, a misspelt name) is never an error
// the caller must handle: setters do nothing and getters give the empty text, 0 or -1.
// That is what lets a load that finishes after its window closed write harmlessly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/window/window_definition.h"
#include "text/text.h"

namespace velnora::platform::window {

// Identifies a top-level window; 0 is "no window". Handles are never reused in a run.
using WindowHandle = std::uintptr_t;
using ProcessId = std::uint32_t;

// A handler gets the window whose event it handles.
using Handler = std::function<void(WindowHandle self)>;

struct WindowHandlers {
  Handler created{};                        // after creation, before the user can act
  std::map<Text, Handler> buttonClicked{};  // by the button's control name
};

// Message-box style values and results, the raw numbers the program passes and gets.
inline constexpr unsigned kStyleOk = 0;
inline constexpr unsigned kStyleOkCancel = 1;
inline constexpr unsigned kStyleRetryCancel = 5;
inline constexpr unsigned kStyleIconQuestion = 32;
inline constexpr unsigned kStyleIconInformation = 64;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerRetry = 4;
// What a timed box returns when it closed by itself.
inline constexpr int kAnswerTimedOut = 32000;

struct MessageBoxOptions {
  std::optional<Text> caption{};  // left out: "信息：" (an empty caption stays empty)
  unsigned style = kStyleOk;
};

// Called once, when the program ends; compared by address, so a routine is registered
// at most once.
using ExitRoutine = void (*)();

class WindowSystem {
 public:
  WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;
  virtual ~WindowSystem() = default;

  // Prepares the backend for windows; false when no window can be shown at all.
  virtual bool Initialise() = 0;

  // ---- Windows -----------------------------------------------------------------------

  // Builds a hidden top-level window from `definition`, runs its created handler and
  // returns it; the caller shows it. A new window goes to the top of the window order.
  virtual WindowHandle CreateTopLevelWindow(const WindowDefinition& definition,
                                            WindowHandlers handlers) = 0;

  // Builds the window, shows it as the one modal window (the others take no user input
  // while it is open), runs its created handler and then handles events until the
  // window is closed; returns after that. The created handler may itself process
  // pending events, and the user can act on the window from then on.
  virtual void OpenModal(const WindowDefinition& definition, WindowHandlers handlers) = 0;

  // Destroys the window; a modal loop or event loop waiting for it returns.
  virtual void CloseWindow(WindowHandle window) = 0;

  // Showing a window also brings it to the top of the window order.
  virtual void SetVisible(WindowHandle window, bool visible) = 0;
  [[nodiscard]] virtual bool IsVisible(WindowHandle window) const = 0;

  virtual void SetTitle(WindowHandle window, std::string_view title) = 0;
  [[nodiscard]] virtual Text Title(WindowHandle window) const = 0;
  // Whether the caption bar shows: always for most windows; for a window whose
  // definition asks for it, only while its title is not empty.
  [[nodiscard]] virtual bool HasCaptionBar(WindowHandle window) const = 0;
  // Outer place on the screen.
  [[nodiscard]] virtual Rect WindowPlace(WindowHandle window) const = 0;
  [[nodiscard]] virtual Rect ScreenPlace() const = 0;

  // ---- Controls by name --------------------------------------------------------------

  // Caption of a group box, label or button.
  virtual void SetCaption(WindowHandle window, std::string_view control,
                          std::string_view caption) = 0;
  [[nodiscard]] virtual Text Caption(WindowHandle window, std::string_view control) const = 0;

  virtual void AddItem(WindowHandle window, std::string_view control, std::string_view item) = 0;
  virtual void RemoveAllItems(WindowHandle window, std::string_view control) = 0;
  [[nodiscard]] virtual int ItemCount(WindowHandle window, std::string_view control) const = 0;
  // Item `index` counted from 0; the empty text outside the list.
  [[nodiscard]] virtual Text ItemText(WindowHandle window, std::string_view control,
                                      int index) const = 0;
  // 0-based selection; -1 when none. Removing all items leaves none selected.
  [[nodiscard]] virtual int Selection(WindowHandle window, std::string_view control) const = 0;
  // Applies SelectionAfterSetting: above the last item selects the last, -1 or below
  // selects none.
  virtual void SetSelection(WindowHandle window, std::string_view control, int index) = 0;

  // The text of an edit box. Setting it is not filtered: digitsOnly binds the user only.
  virtual void SetEditText(WindowHandle window, std::string_view control,
                           std::string_view text) = 0;
  [[nodiscard]] virtual Text EditText(WindowHandle window, std::string_view control) const = 0;

  // Position of a progress bar, clamped to 0..100.
  virtual void SetProgress(WindowHandle window, std::string_view control, int position) = 0;
  [[nodiscard]] virtual int Progress(WindowHandle window, std::string_view control) const = 0;

  // ---- Events ------------------------------------------------------------------------

  // Handles everything pending (user input included, so a click can run its whole
  // handler here) and returns.
  virtual void ProcessPendingEvents() = 0;
  // Handles events until `window` has been closed.
  virtual void RunEventLoop(WindowHandle window) = 0;

  // ---- Message boxes -----------------------------------------------------------------

  // The plain box: task-modal, no owner, does not close by itself; returns the button
  // pressed (kAnswerOk, kAnswerRetry, ...).
  virtual int ShowMessageBox(std::string_view text, const MessageBoxOptions& options = {}) = 0;

  // A box owned by `owner` (0: none) that closes by itself after `timeoutMs`; returns the
  // button pressed, or kAnswerTimedOut. The language id is accepted and ignored, as 0
  // (the default language) is all the program passes.
  virtual int ShowTimedMessageBox(WindowHandle owner, std::string_view text,
                                  std::string_view caption, unsigned style, int languageId,
                                  std::uint32_t timeoutMs) = 0;

  // ---- Top-level windows, as every window system enumerates them --------------------

  // The top-level window after `after` in top-to-bottom order; the first when `after` is
  // 0; 0 after the last one or when `after` names no window.
  [[nodiscard]] virtual WindowHandle NextTopLevelWindow(WindowHandle after) const = 0;
  [[nodiscard]] virtual bool IsWindowAlive(WindowHandle window) const = 0;
  [[nodiscard]] virtual bool IsWindowShown(WindowHandle window) const = 0;
  // 0 for a window that does not exist.
  [[nodiscard]] virtual ProcessId WindowOwnerProcess(WindowHandle window) const = 0;
  [[nodiscard]] virtual int WindowTextLength(WindowHandle window) const = 0;
  // Copies the title, or the class name, into `buffer`, cut to buffer.size() - 1 bytes
  // and ended by a zero byte; returns the bytes copied without the zero, 0 for an empty
  // buffer or a window that does not exist.
  virtual int CopyWindowText(WindowHandle window, std::span<char> buffer) const = 0;
  virtual int CopyClassName(WindowHandle window, std::span<char> buffer) const = 0;

  // Milliseconds since the system started, wrapping at 2^32.
  [[nodiscard]] virtual std::uint32_t TickCount() const = 0;
  [[nodiscard]] virtual ProcessId CurrentProcessId() const = 0;

  // ---- Exit routines -----------------------------------------------------------------

  // Adds `routine` unless it is already registered.
  void RegisterExitRoutine(ExitRoutine routine);
  // Runs the registered routines once each, in registration order, and forgets them; a
  // routine registered while they run also runs.
  void RunExitRoutines();

 private:
  std::vector<ExitRoutine> exitRoutines_;
};

// ---- The active window system -----------------------------------------------------------

// The window system the program's handlers use; nullptr before start-up.
[[nodiscard]] WindowSystem* ActiveWindowSystem();

// Makes `system` (nullptr: none) the active one for its lifetime and routes the
// program's pending-events step (platform/events) to it; restores the previous state
// when it ends.
class ActiveWindowSystemScope {
 public:
  explicit ActiveWindowSystemScope(WindowSystem* system);
  ActiveWindowSystemScope(const ActiveWindowSystemScope&) = delete;
  ActiveWindowSystemScope& operator=(const ActiveWindowSystemScope&) = delete;
  ~ActiveWindowSystemScope();

 private:
  WindowSystem* previous_;
  std::function<void()> previousHook_;
};

// ---- Rules both backends share -----------------------------------------------------------

// The selection a drop-down list with `count` items ends on when set to `requested`:
// above the last item the last, -1 or below none (-1), and none for an empty list.
//   SelectionAfterSetting(7, 2) == 1
[[nodiscard]] int SelectionAfterSetting(int requested, int count);

// What the user's keys or pasted text leave in an edit box that held `current`, the
// caret at its end. A backspace (0x08) removes the last character (both bytes of a
// two-byte one); in a digits-only box every other character except "0"-"9" and "-" is
// ignored; in a multi-line box CR, LF or CR LF become one CR LF, and a single-line box
// ignores line breaks.
//   AfterTyping(digits-only box, "", "12a3") == "123"
[[nodiscard]] Text AfterTyping(const ControlDefinition& box, std::string_view current,
                               std::string_view typed);

// Copies `source` into `buffer` as the enumeration does: at most buffer.size() - 1
// bytes, then a zero byte; returns the bytes copied. An empty buffer gets nothing.
int CopyCut(std::string_view source, std::span<char> buffer);

}  // namespace velnora::platform::window
