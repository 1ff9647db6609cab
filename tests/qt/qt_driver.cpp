#include "tests/qt/qt_driver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <utility>

#include "platform/window/qt/qt_text.h"

namespace velnora::platform::window::qt_testing {
namespace {

// The native window through which the user reaches `widget`; nullptr when it is not
// on the screen.
QWindow* ScreenWindowOf(QWidget* widget) {
  if (widget == nullptr || !widget->isVisible()) return nullptr;
  return widget->window()->windowHandle();
}

QPoint CentreInWindow(QWidget* widget) {
  return widget->mapTo(widget->window(), widget->rect().center());
}

// A point of the window that no control covers (group boxes and labels count as
// background, as their presses pass through).
std::optional<QPoint> BackgroundPoint(QWidget* window) {
  for (int y = 1; y < window->height(); y += 2) {
    for (int x = 1; x < window->width(); x += 2) {
      if (window->childAt(x, y) == nullptr) return QPoint(x, y);
    }
  }
  return std::nullopt;
}

// The style value a box's look stands for: its buttons and its icon.
unsigned StyleOf(const QMessageBox& box) {
  using B = QMessageBox;
  const QMessageBox::StandardButtons buttons = box.standardButtons();
  unsigned style = 0;
  if (buttons == (B::Ok | B::Cancel)) style = 1;
  if (buttons == (B::Abort | B::Retry | B::Ignore)) style = 2;
  if (buttons == (B::Yes | B::No | B::Cancel)) style = 3;
  if (buttons == (B::Yes | B::No)) style = 4;
  if (buttons == (B::Retry | B::Cancel)) style = 5;
  switch (box.icon()) {
    case B::Critical:
      return style | 0x10;
    case B::Question:
      return style | 0x20;
    case B::Warning:
      return style | 0x30;
    case B::Information:
      return style | 0x40;
    default:
      return style;
  }
}

QMessageBox::StandardButton ButtonFor(int answer) {
  switch (answer) {
    case kAnswerOk:
      return QMessageBox::Ok;
    case kAnswerCancel:
      return QMessageBox::Cancel;
    case 3:
      return QMessageBox::Abort;
    case kAnswerRetry:
    case 10:
      return QMessageBox::Retry;
    case 5:
    case 11:
      return QMessageBox::Ignore;
    case 6:
      return QMessageBox::Yes;
    case 7:
      return QMessageBox::No;
    default:
      return QMessageBox::NoButton;
  }
}

void GiveFocus(QWindow* screen, QWidget* target) {
  target->setFocus(Qt::TabFocusReason);
  // The caret goes to the end, where the typing rule puts it.
  if (qobject_cast<QLineEdit*>(target) != nullptr) QTest::keyClick(screen, Qt::Key_End);
  if (qobject_cast<QPlainTextEdit*>(target) != nullptr)
    QTest::keyClick(screen, Qt::Key_End, Qt::ControlModifier);
}

}  // namespace

class QtDriver::BoxWatcher final : public QObject {
 public:
  explicit BoxWatcher(QtDriver& driver) : driver_(driver) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(object)) driver_.BoxShown(box);
    }
    return false;
  }

 private:
  QtDriver& driver_;
};

QtDriver::QtDriver() : watcher_(std::make_unique<BoxWatcher>(*this)) {
  if (!system_.Initialise()) {
    ADD_FAILURE() << "the Qt window system did not start";
    return;
  }
  qApp->installEventFilter(watcher_.get());
  system_.SetStepHook([this](QtWindowSystem::Step step) { return RunBatch(step); });
}

QtDriver::~QtDriver() {
  system_.SetStepHook({});
  if (qApp != nullptr) qApp->removeEventFilter(watcher_.get());
}

void QtDriver::Queue(std::function<void()> action) {
  if (startBatch_ || batches_.empty()) {
    batches_.push_back({.settled = nextSettled_, .actions = {}});
    nextSettled_ = false;
  }
  startBatch_ = false;
  batches_.back().actions.push_back(std::move(action));
}

bool QtDriver::RunBatch(QtWindowSystem::Step step) {
  if (!batches_.empty() && (!batches_.front().settled || step == QtWindowSystem::Step::kLoopTurn)) {
    // Off the queue first: an action may run a handler that processes events itself,
    // and that nested step must see the next batch.
    std::vector<std::function<void()>> batch = std::move(batches_.front().actions);
    batches_.pop_front();
    if (batches_.empty()) startBatch_ = true;
    for (auto& action : batch) action();
  }
  return !batches_.empty();
}

void QtDriver::Then() {
  startBatch_ = true;
}

void QtDriver::ThenSettled() {
  startBatch_ = true;
  nextSettled_ = true;
}

void QtDriver::Do(std::function<void()> action) {
  Queue(std::move(action));
}

void QtDriver::ClickWidget(QWidget* target) {
  if (QWindow* screen = ScreenWindowOf(target))
    QTest::mouseClick(screen, Qt::LeftButton, {}, CentreInWindow(target));
}

void QtDriver::Click(WindowHandle window, std::string_view button) {
  Queue([this, window, name = Text(button)] { ClickWidget(system_.ControlWidget(window, name)); });
}

void QtDriver::ClickInModal(std::string_view button) {
  Queue([this, name = Text(button)] {
    const WindowHandle modal = system_.HandleOf(QApplication::activeModalWidget());
    if (modal != 0) ClickWidget(system_.ControlWidget(modal, name));
  });
}

void QtDriver::Type(WindowHandle window, std::string_view box, std::string_view keys) {
  Queue([this, window, name = Text(box), keys = Text(keys)] {
    QWidget* target = system_.ControlWidget(window, name);
    QWindow* screen = ScreenWindowOf(target);
    if (screen == nullptr) return;
    GiveFocus(screen, target);
    const QString units = ToQt(keys);
    for (qsizetype i = 0; i < units.size(); ++i) {
      const QChar c = units[i];
      if (c == QLatin1Char('\b')) {
        QTest::keyClick(screen, Qt::Key_Backspace);
      } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        if (c == QLatin1Char('\r') && i + 1 < units.size() && units[i + 1] == QLatin1Char('\n'))
          ++i;
        QTest::keyClick(screen, Qt::Key_Return);
      } else if (c.unicode() < 0x80) {
        QTest::keyClick(screen, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Click, screen, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  });
}

void QtDriver::Paste(WindowHandle window, std::string_view box, std::string_view text) {
  Queue([this, window, name = Text(box), text = Text(text)] {
    QWidget* target = system_.ControlWidget(window, name);
    QWindow* screen = ScreenWindowOf(target);
    if (screen == nullptr) return;
    QGuiApplication::clipboard()->setText(ToQt(text));
    GiveFocus(screen, target);
    QTest::keyClick(screen, Qt::Key_V, Qt::ControlModifier);
  });
}

void QtDriver::Select(WindowHandle window, std::string_view dropDown, int index) {
  Queue([this, window, name = Text(dropDown), index] {
    auto* list = qobject_cast<QComboBox*>(system_.ControlWidget(window, name));
    QWindow* screen = ScreenWindowOf(list);
    if (screen == nullptr || index < 0 || index >= list->count()) return;
    // The keyboard's way to an item: the first, then down.
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(screen, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(screen, Qt::Key_Down);
  });
}

void QtDriver::PressEscape(WindowHandle window) {
  Queue([this, window] {
    if (QWindow* screen = ScreenWindowOf(system_.WindowWidget(window)))
      QTest::keyClick(screen, Qt::Key_Escape);
  });
}

void QtDriver::ClickCloseBox(WindowHandle window) {
  Queue([this, window] {
    QWidget* top = system_.WindowWidget(window);
    QWindow* screen = ScreenWindowOf(top);
    if (screen == nullptr) return;
    // A window manager draws a close box only where the window asks for one.
    const Qt::WindowFlags flags = top->windowFlags();
    if (!flags.testFlag(Qt::WindowTitleHint) || !flags.testFlag(Qt::WindowCloseButtonHint)) return;
    screen->close();
  });
}

void QtDriver::DragBackground(WindowHandle window, int dx, int dy) {
  Queue([this, window, dx, dy] {
    QWidget* top = system_.WindowWidget(window);
    QWindow* screen = ScreenWindowOf(top);
    if (screen == nullptr) return;
    const std::optional<QPoint> from = BackgroundPoint(top);
    if (!from) return;
    // The pointer moves on the screen; the window, once it follows, lies under it
    // elsewhere, so the release is where the pointer is now in the window's terms.
    const QPoint to = screen->mapToGlobal(*from + QPoint(dx, dy));
    QTest::mousePress(screen, Qt::LeftButton, {}, *from);
    QTest::mouseMove(screen, screen->mapFromGlobal(to));
    QTest::mouseRelease(screen, Qt::LeftButton, {}, screen->mapFromGlobal(to));
  });
}

void QtDriver::AnswerNextBox(int button) {
  answers_.emplace_back(button);
}

void QtDriver::LetNextBoxTimeOut() {
  answers_.emplace_back(std::nullopt);
}

std::vector<conformance::SeenBox> QtDriver::Boxes() const {
  std::vector<conformance::SeenBox> seen;
  for (const ShownBox& box : shown_) seen.push_back(box.seen);
  return seen;
}

void QtDriver::BoxShown(QMessageBox* box) {
  if (std::find(seenBoxes_.begin(), seenBoxes_.end(), box) != seenBoxes_.end()) return;
  std::erase_if(seenBoxes_, [](const QPointer<QMessageBox>& b) { return b.isNull(); });
  seenBoxes_.emplace_back(box);

  ShownBox shown;
  shown.seen.text = FromQt(box->text());
  shown.seen.caption = FromQt(box->windowTitle());
  shown.seen.style = StyleOf(*box);
  shown.seen.owner = system_.HandleOf(box->parentWidget());
  const QVariant timeout = box->property(kTimeoutProperty);
  if (timeout.isValid()) shown.seen.timeoutMs = timeout.toUInt();
  for (QAbstractButton* button : box->buttons()) shown.buttons << button->text();
  shown.icon = box->icon();
  shown.modality = box->windowModality();
  if (const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
    shown.font = QFontInfo(label->font()).family();
  const bool timed = shown.seen.timeoutMs.has_value();
  shown_.push_back(std::move(shown));

  std::optional<int> answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
    if (!answer) return;  // left to close by its time-out
  } else if (timed) {
    return;
  }
  QPointer<QMessageBox> target(box);
  QTimer::singleShot(0, box, [target, answer] {
    if (target.isNull()) return;
    QWindow* screen = target->windowHandle();
    QAbstractButton* button = answer ? target->button(ButtonFor(*answer)) : nullptr;
    if (button == nullptr) {
      // Enter: the default button, as a user in a hurry answers.
      QTest::keyClick(screen, Qt::Key_Return);
      return;
    }
    QTest::mouseClick(screen, Qt::LeftButton, {}, CentreInWindow(button));
  });
}

std::unique_ptr<conformance::WindowDriver> MakeQtDriver() {
  return std::make_unique<QtDriver>();
}

}  // namespace velnora::platform::window::qt_testing
