// The in-memory window system the tests run on. Deterministic: a virtual clock that only
// moves when something "waits" (each pending-events step, each message box), message
// boxes answered from a script and recorded, and user actions queued to run at the next
// pending-events step, so a click can run its handler nested inside a waiting handler.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/window/window_system.h"

namespace velnora::platform::window {

struct HeadlessOptions {
  ProcessId processId = 4242;
  Rect screen{0, 0, 1920, 1080};
  std::uint32_t startTick = 100000;
  // How far the clock moves at each pending-events step.
  std::uint32_t eventStepMs = 1;
};

// One message box as the user saw it.
struct MessageBoxRecord {
  Text text{};
  Text caption{};
  unsigned style = 0;
  WindowHandle owner = 0;
  std::optional<std::uint32_t> timeoutMs{};  // left out for the plain box
  int result = 0;
  std::uint32_t shownAt = 0;  // tick count when it appeared
  friend bool operator==(const MessageBoxRecord&, const MessageBoxRecord&) = default;
};

// How the user answers the next box: press `button` after `afterMs`. A timed box whose
// time-out comes first closes by itself at its time-out instead.
struct BoxAnswer {
  int button = kAnswerOk;
  std::uint32_t afterMs = 0;
};

// A window of another process (or an extra one of ours) in the top-level order.
struct OtherWindow {
  ProcessId processId = 0;
  Text title{};
  Text className{};
  bool visible = true;
};

class HeadlessWindowSystem final : public WindowSystem {
 public:
  explicit HeadlessWindowSystem(HeadlessOptions options = {});
  ~HeadlessWindowSystem() override;

  bool Initialise() override { return true; }

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
  [[nodiscard]] Rect ScreenPlace() const override { return options_.screen; }

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

  // Runs the actions of the first queued batch, then moves the clock one step.
  void ProcessPendingEvents() override;
  // Runs queued batches until `window` is closed. When the queue runs dry first, the
  // window is closed as the system would close it and RanOutOfActions() turns true.
  void RunEventLoop(WindowHandle window) override;

  int ShowMessageBox(std::string_view text, const MessageBoxOptions& options = {}) override;
  int ShowTimedMessageBox(WindowHandle owner, std::string_view text, std::string_view caption,
                          unsigned style, int languageId, std::uint32_t timeoutMs) override;

  [[nodiscard]] WindowHandle NextTopLevelWindow(WindowHandle after) const override;
  [[nodiscard]] bool IsWindowAlive(WindowHandle window) const override;
  [[nodiscard]] bool IsWindowShown(WindowHandle window) const override;
  [[nodiscard]] ProcessId WindowOwnerProcess(WindowHandle window) const override;
  [[nodiscard]] int WindowTextLength(WindowHandle window) const override;
  int CopyWindowText(WindowHandle window, std::span<char> buffer) const override;
  int CopyClassName(WindowHandle window, std::span<char> buffer) const override;
  [[nodiscard]] std::uint32_t TickCount() const override { return tick_; }
  [[nodiscard]] ProcessId CurrentProcessId() const override { return options_.processId; }

  // ---- Test controls ---------------------------------------------------------------

  void AdvanceClock(std::uint32_t ms) { tick_ += ms; }
  void SetEventStep(std::uint32_t ms) { options_.eventStepMs = ms; }

  // Answers, in order, for the next boxes. Without one, a plain box gets its first
  // button at once and a timed box closes at its time-out.
  void ScriptBoxAnswer(BoxAnswer answer) { answers_.push_back(answer); }
  [[nodiscard]] const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }
  // Forgets the boxes recorded so far, for a long run that would otherwise keep them all.
  void ForgetBoxes() { boxes_.clear(); }

  // User actions join the last queued batch; NextPoint() starts a new batch, so actions
  // can be spread over successive pending-events steps. An action on a window that is
  // hidden, closed or behind the modal window is dropped, as the user could not do it.
  void QueueClick(WindowHandle window, std::string_view button);
  // A click on a button of the modal window in front when the action runs (none open:
  // nothing), for windows whose handle the test cannot know in advance.
  void QueueClickInModal(std::string_view button);
  void QueueTyping(WindowHandle window, std::string_view box, std::string_view keys);
  void QueuePaste(WindowHandle window, std::string_view box, std::string_view text);
  void QueueSelect(WindowHandle window, std::string_view dropDown, int index);
  void QueueEscape(WindowHandle window);
  void QueueCloseBox(WindowHandle window);
  void QueueDrag(WindowHandle window, int dx, int dy);
  // Any other step the test wants to run at that point.
  void QueueAction(std::function<void()> action);
  void NextPoint();
  // Like NextPoint, but the batch waits for a step of an event loop itself (the main
  // loop, a modal loop or StepEventLoop): pending-events steps inside handlers pass it
  // by, so its actions run once the handler in progress, downloads and all, has returned.
  void NextSettledPoint();
  // One step of an event loop, as RunEventLoop takes it.
  void StepEventLoop();
  [[nodiscard]] bool HasQueuedActions() const;
  [[nodiscard]] bool RanOutOfActions() const { return ranOut_; }

  // Puts a window of `other.processId` at the top (or the bottom) of the order.
  WindowHandle AddOtherWindow(const OtherWindow& other, bool atTop = true);
  // Brings a window to the top of the order, as activating it would.
  void Raise(WindowHandle window);

 private:
  struct Control;
  struct Window;

  Window* Find(WindowHandle window);
  [[nodiscard]] const Window* Find(WindowHandle window) const;
  Control* FindControl(WindowHandle window, std::string_view name);
  [[nodiscard]] const Control* FindControl(WindowHandle window, std::string_view name) const;
  WindowHandle Build(const WindowDefinition& definition, WindowHandlers handlers);
  [[nodiscard]] bool AcceptsUserInput(WindowHandle window) const;
  void Click(WindowHandle window, const Text& button);
  void Step(bool fromEventLoop);
  void Queue(std::function<void()> action);
  int Answer(std::optional<std::uint32_t> timeoutMs, unsigned style);

  HeadlessOptions options_;
  std::uint32_t tick_;
  WindowHandle nextHandle_ = 0x10010;
  std::vector<std::unique_ptr<Window>> windows_;  // live windows, top to bottom
  std::vector<WindowHandle> modal_;               // modal windows, innermost last
  struct Batch {
    std::vector<std::function<void()>> actions{};
    bool settled = false;
  };
  std::deque<Batch> batches_;
  std::deque<BoxAnswer> answers_;
  std::vector<MessageBoxRecord> boxes_;
  bool ranOut_ = false;
  // The controls found last: a catalogue fills its drop-down and moves its progress bar
  // ten thousand times in a row. Closing a window forgets them all.
  struct FoundControl {
    WindowHandle window = 0;
    const Control* control = nullptr;
  };
  mutable std::array<FoundControl, 2> found_{};
  mutable std::size_t nextFound_ = 0;
};

}  // namespace velnora::platform::window
