// Stands in for the user in front of the real widgets. Clicks, keys, pastes and drags
// travel to the windows through Qt's own input path, so a hidden window or one behind
// the modal window gets nothing, as on a screen; each batch of actions runs at one
// pending-events step (or turn of an event loop), or, after ThenSettled(), at the next
// turn of an event loop itself, once the handler in progress has returned. Message boxes
// are answered when they appear, as the test scripted, and recorded as they looked.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/window/qt/qt_window_system.h"
#include "tests/window/window_conformance.h"

namespace velnora::platform::window::qt_testing {

// One box as the user saw it, with what only the real widgets show.
struct ShownBox {
  conformance::SeenBox seen{};
  QStringList buttons{};  // the buttons' texts, in the box's order
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::WindowModality modality = Qt::NonModal;
  QString font{};  // the family the text is drawn in
};

class QtDriver final : public conformance::WindowDriver {
 public:
  QtDriver();
  ~QtDriver() override;

  WindowSystem& System() override { return system_; }
  QtWindowSystem& Qt() { return system_; }

  void Click(WindowHandle window, std::string_view button) override;
  // A click on a button of the modal window in front when the action runs (none: nothing),
  // for a window whose handle the test cannot know in advance.
  void ClickInModal(std::string_view button);
  void Type(WindowHandle window, std::string_view box, std::string_view keys) override;
  void Paste(WindowHandle window, std::string_view box, std::string_view text) override;
  void Select(WindowHandle window, std::string_view dropDown, int index) override;
  void PressEscape(WindowHandle window) override;
  void ClickCloseBox(WindowHandle window) override;
  void DragBackground(WindowHandle window, int dx, int dy) override;
  void Then() override;
  // Like Then(), but the following actions wait for a turn of an event loop (the main
  // loop or a modal one): pending-events steps inside handlers pass them by, so they run
  // once the handler in progress, downloads and boxes and all, has returned.
  void ThenSettled();
  // Any other step, run at its point in the queue.
  void Do(std::function<void()> action);

  void AnswerNextBox(int button) override;
  void LetNextBoxTimeOut() override;
  [[nodiscard]] std::vector<conformance::SeenBox> Boxes() const override;
  [[nodiscard]] const std::vector<ShownBox>& ShownBoxes() const { return shown_; }

 private:
  class BoxWatcher;

  struct Batch {
    bool settled = false;
    std::vector<std::function<void()>> actions;
  };

  void Queue(std::function<void()> action);
  bool RunBatch(QtWindowSystem::Step step);
  void ClickWidget(QWidget* target);
  void BoxShown(QMessageBox* box);

  QtWindowSystem system_;
  std::deque<Batch> batches_;
  bool startBatch_ = true;
  bool nextSettled_ = false;
  std::deque<std::optional<int>> answers_;  // nullopt: let it time out
  std::vector<ShownBox> shown_;
  std::vector<QPointer<QMessageBox>> seenBoxes_;
  std::unique_ptr<BoxWatcher> watcher_;
};

// A factory for the conformance suite.
std::unique_ptr<conformance::WindowDriver> MakeQtDriver();

}  // namespace velnora::platform::window::qt_testing
