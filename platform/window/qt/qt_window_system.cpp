#include "platform/window/qt/qt_window_system.h"

#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>
#include <QTranslator>
#include <QValidator>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/window/qt/qt_session.h"
#include "platform/window/qt/qt_text.h"
#include "text/gbk_literal.h"

namespace velnora::platform::window {

using namespace text::literals;

namespace {

constexpr std::string_view kDefaultCaption = "信息："_gbk;
// The Windows face the definitions' Chinese face is known by in Latin letters.
constexpr const char* kLatinUiFace = "Microsoft YaHei";

// ---- Fonts ---------------------------------------------------------------------------

// The CJK faces that stand in for a face the system lacks, most preferred first: the one
// the set-up installs, then the one many desktops bring.
QStringList InstalledCjkFaces() {
  QStringList faces;
  for (const char* face : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC"}) {
    if (QFontDatabase::hasFamily(QString::fromLatin1(face))) faces << QString::fromLatin1(face);
  }
  return faces;
}

void SubstituteIfMissing(const QString& family) {
  if (QFontDatabase::hasFamily(family) || !QFont::substitutes(family).isEmpty()) return;
  QFont::insertSubstitutions(family, InstalledCjkFaces());
}

QFont MakeFont(const Font& font) {
  const QString family = ToQt(font.face);
  SubstituteIfMissing(family);
  QFont result;
  result.setFamilies({family});
  // A Windows font height of -h is a character height of h pixels, which is what a
  // pixel size means to Qt.
  if (font.height > 0) result.setPixelSize(font.height);
  result.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
  return result;
}

// ---- Texts ---------------------------------------------------------------------------

// Qt keeps a line break as one LF; the program's texts have CR LF.
QString LineBreaksForQt(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString LineBreaksFromQt(QString text) {
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text;
}

// ---- Widgets -------------------------------------------------------------------------

// A top-level window. It reports what the user does to the window as a whole; the
// window system decides what follows.
class TopWindow final : public QWidget {
 public:
  struct Callbacks {
    std::function<void()> activated;
    std::function<void()> closeRequested;  // the close box, or the system
    std::function<void()> escapePressed;
  };

  TopWindow(bool dragByBackground, Callbacks callbacks)
      : dragByBackground_(dragByBackground), callbacks_(std::move(callbacks)) {}

  // Handlers of this window running now; a closed window is deleted only once none is,
  // since Qt's code that called them still holds the window's widgets.
  int busy = 0;
  bool closed = false;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && !closed && callbacks_.activated)
      callbacks_.activated();
    return QWidget::event(event);
  }

  void closeEvent(QCloseEvent* event) override {
    // The window system closes windows itself (CloseWindow); a request from outside only
    // asks it to.
    event->ignore();
    if (!closed && callbacks_.closeRequested) callbacks_.closeRequested();
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      event->accept();
      if (!closed && callbacks_.escapePressed) callbacks_.escapePressed();
      return;
    }
    QWidget::keyPressEvent(event);
  }

  // Presses that no control takes (labels and group boxes pass theirs on, as on Windows)
  // land here: the background.
  void mousePressEvent(QMouseEvent* event) override {
    if (!dragByBackground_ || event->button() != Qt::LeftButton) {
      QWidget::mousePressEvent(event);
      return;
    }
    event->accept();
    // The window manager's own move where there is one; by hand where there is none
    // (no manager under Xvfb, the offscreen platform).
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    pressedAt_ = event->globalPosition().toPoint();
    startPlace_ = pos();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (!dragging_) {
      QWidget::mouseMoveEvent(event);
      return;
    }
    event->accept();
    move(startPlace_ + event->globalPosition().toPoint() - pressedAt_);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!dragging_) {
      QWidget::mouseReleaseEvent(event);
      return;
    }
    event->accept();
    dragging_ = false;
  }

 private:
  bool dragByBackground_;
  Callbacks callbacks_;
  bool dragging_ = false;
  QPoint pressedAt_;
  QPoint startPlace_;
};

// Counts a handler of `window` as running for its lifetime, and deletes the window once
// the last one returns if it was closed meanwhile.
class BusyScope {
 public:
  explicit BusyScope(TopWindow* window) : window_(window) {
    if (window_) ++window_->busy;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() {
    if (window_ && --window_->busy == 0 && window_->closed) window_->deleteLater();
  }

 private:
  QPointer<TopWindow> window_;
};

// A list-only drop-down whose opened list and field together take the definition's
// total height (a shorter list when there are few items).
class DropDownList final : public QComboBox {
 public:
  DropDownList(int totalHeight, QWidget* parent) : QComboBox(parent), totalHeight_(totalHeight) {
    // A site's name with its host, or a long chapter title, can be wider than the field:
    // the field ends it with "…" rather than in the middle of a character, and shows it
    // whole on hover (the opened list is as wide as its longest item).
    QObject::connect(this, &QComboBox::currentTextChanged, this,
                     [this](const QString& text) { setToolTip(text); });
  }

  void paintEvent(QPaintEvent* /*event*/) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }

  void showPopup() override {
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    const int room = totalHeight_ - height();
    if (totalHeight_ <= 0 || room <= 0 || popup->height() <= room) return;
    // The list drops below its field unless the screen ends first. Qt lays a long list
    // over the whole screen, so where it put the list tells nothing of the direction.
    const QRect field(mapToGlobal(QPoint(0, 0)), size());
    const int below = field.bottom() + 1;
    const bool fitsBelow = below + room <= screen()->availableGeometry().bottom() + 1;
    popup->setGeometry(popup->x(), fitsBelow ? below : field.top() - room, popup->width(), room);
  }

 private:
  int totalHeight_;
};

// Keeps what the box's typing rule keeps of everything that enters it: typed, pasted,
// dropped or from an input method. A QValidator alone would refuse a whole paste for
// one character it rejects; this one takes the rest.
class TypedTextFilter final : public QValidator {
 public:
  TypedTextFilter(ControlDefinition box, QObject* parent)
      : QValidator(parent), box_(std::move(box)) {}

  // Set while the program writes the box: its own writes are not filtered.
  bool bypass = false;

  State validate(QString& input, int& position) const override {
    if (bypass) return Acceptable;
    const QString kept = ToQt(AfterTyping(box_, "", FromQt(input)));
    if (kept == input) return Acceptable;
    position = static_cast<int>(ToQt(AfterTyping(box_, "", FromQt(input.left(position)))).size());
    input = kept;
    return Acceptable;
  }

 private:
  ControlDefinition box_;
};

Qt::WindowFlags FlagsFor(const WindowDefinition& definition, bool captionBar) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (!captionBar) return flags;
  flags |= Qt::WindowTitleHint;
  if (definition.systemMenu) flags |= Qt::WindowSystemMenuHint;
  if (definition.closeBox) flags |= Qt::WindowCloseButtonHint;
  if (definition.minimiseBox) flags |= Qt::WindowMinimizeButtonHint;
  if (definition.maximiseBox) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

void SizeClientArea(QWidget& window, const WindowDefinition& definition, bool captionBar) {
  const QSize client(
      definition.width - 2 * kFrameAllowance,
      definition.height - 2 * kFrameAllowance - (captionBar ? kCaptionAllowance : 0));
  if (definition.resizable) {
    window.resize(client);
  } else {
    window.setFixedSize(client);
  }
}

// ---- Message boxes -------------------------------------------------------------------

struct BoxButton {
  QMessageBox::StandardButton button;
  int answer;
};

// The buttons of a style value in their Windows order, with the answer each gives.
std::vector<BoxButton> ButtonsOf(unsigned style) {
  switch (style & 0xFu) {
    case 1:
      return {{QMessageBox::Ok, kAnswerOk}, {QMessageBox::Cancel, kAnswerCancel}};
    case 2:
      return {
          {QMessageBox::Abort, 3}, {QMessageBox::Retry, kAnswerRetry}, {QMessageBox::Ignore, 5}};
    case 3:
      return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, kAnswerCancel}};
    case 4:
      return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
    case 5:
      return {{QMessageBox::Retry, kAnswerRetry}, {QMessageBox::Cancel, kAnswerCancel}};
    case 6:  // cancel, try again, continue
      return {{QMessageBox::Cancel, kAnswerCancel},
              {QMessageBox::Retry, 10},
              {QMessageBox::Ignore, 11}};
    default:
      return {{QMessageBox::Ok, kAnswerOk}};
  }
}

// The button that gives `answer` in some box; NoButton for an answer no box gives.
QMessageBox::StandardButton ButtonGiving(int answer) {
  for (unsigned style = 0; style <= 6; ++style) {
    for (const BoxButton& b : ButtonsOf(style))
      if (b.answer == answer) return b.button;
  }
  return QMessageBox::NoButton;
}

// The message box on the screen, the topmost when boxes are nested.
QMessageBox* ShownBox() {
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return box;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & 0xF0u) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// ---- Start-up ------------------------------------------------------------------------

// Qt lists the platforms it could not start and then aborts; the program says the one
// thing a person needs instead and ends with status 1.
void StartUpMessages(QtMsgType type, const QMessageLogContext&, const QString&) {
  if (type != QtFatalMsg) return;
  const std::string_view message = NoDisplayMessage();
  std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
  std::_Exit(1);
}

int& ArgumentCount() {
  static int count = 1;
  return count;
}

char** Arguments() {
  static char name[] = "velnora";
  static char* arguments[] = {name, nullptr};
  return arguments;
}

}  // namespace

// ---- State ---------------------------------------------------------------------------

struct QtWindowSystem::State {
  struct Control {
    ControlDefinition definition;  // without its items
    QPointer<QWidget> widget;
    Text caption;             // group boxes, labels and buttons: as the program set it
    std::vector<Text> items;  // drop-down lists
    // Edit boxes: the text the program wrote last, until the user changes it, so that a
    // text reads back byte for byte.
    std::optional<Text> programText;
    TypedTextFilter* filter = nullptr;
    bool settingText = false;
  };

  struct Window {
    WindowHandle handle = 0;
    WindowDefinition definition;  // without its control table
    WindowHandlers handlers;
    Text title;
    QPointer<TopWindow> widget;
    std::vector<std::unique_ptr<Control>> controls;
  };

  explicit State(QtWindowSystem& owner) : system(owner) {}

  QtWindowSystem& system;
  std::unique_ptr<QApplication> application;  // when this system started Qt
  std::unique_ptr<QTranslator> translator;
  std::map<WindowHandle, std::unique_ptr<Window>> windows;
  std::vector<WindowHandle> order;  // live windows, top to bottom
  std::vector<QPointer<TopWindow>> widgets;
  WindowHandle nextHandle = 0x10010;
  std::function<bool(Step)> stepHook;
  std::unique_ptr<QTimer> ticker;

  Window* Find(WindowHandle handle) const {
    const auto it = windows.find(handle);
    return it == windows.end() ? nullptr : it->second.get();
  }

  Control* FindControl(WindowHandle handle, std::string_view name) const {
    Window* window = Find(handle);
    if (window == nullptr) return nullptr;
    for (const auto& control : window->controls)
      if (control->definition.name == name) return control.get();
    return nullptr;
  }

  Control* ControlAt(WindowHandle handle, std::size_t index) const {
    Window* window = Find(handle);
    if (window == nullptr || index >= window->controls.size()) return nullptr;
    return window->controls[index].get();
  }

  bool RunStepHook(Step step) {
    if (!stepHook) return false;
    const std::function<bool(Step)> hook = stepHook;  // it may replace itself
    return hook(step);
  }

  void Raise(WindowHandle handle) {
    const auto it = std::find(order.begin(), order.end(), handle);
    if (it != order.end()) std::rotate(order.begin(), it, std::next(it));
  }

  static bool HasCaptionBar(const Window& window) {
    return window.widget && window.widget->windowFlags().testFlag(Qt::WindowTitleHint);
  }

  void ButtonClicked(WindowHandle handle, const Text& name) {
    Window* window = Find(handle);
    if (window == nullptr) return;
    const auto it = window->handlers.buttonClicked.find(name);
    if (it == window->handlers.buttonClicked.end() || !it->second) return;
    const Handler handler = it->second;  // a copy: the handler may close its own window
    const BusyScope busy(window->widget);
    handler(handle);
  }

  void CloseRequested(WindowHandle handle) {
    Window* window = Find(handle);
    if (window == nullptr || !window->definition.closeBox || !HasCaptionBar(*window)) return;
    const BusyScope busy(window->widget);
    system.CloseWindow(handle);
  }

  void EscapePressed(WindowHandle handle) {
    Window* window = Find(handle);
    if (window == nullptr || !window->definition.escapeCloses) return;
    const BusyScope busy(window->widget);
    system.CloseWindow(handle);
  }

  static Text AccessibleName(const Window& window, const Control& control) {
    const ControlKind kind = control.definition.kind;
    if (kind == ControlKind::kGroupBox || kind == ControlKind::kLabel ||
        kind == ControlKind::kButton) {
      if (!control.caption.empty()) return control.caption;
      return control.definition.name;
    }
    // Boxes, lists and bars are named by the group box that frames them.
    for (const auto& group : window.controls) {
      if (group->definition.kind == ControlKind::kGroupBox &&
          group->definition.name == control.definition.parent && !group->caption.empty())
        return group->caption;
    }
    return control.definition.name;
  }

  static void NameControlsForScreenReaders(const Window& window) {
    for (const auto& control : window.controls)
      if (control->widget)
        control->widget->setAccessibleName(ToQt(AccessibleName(window, *control)));
  }

  static void WriteBoxText(Control& control, std::string_view text) {
    control.programText = Text(text);
    control.settingText = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control.widget.data())) {
      if (control.filter != nullptr) control.filter->bypass = true;
      edit->setText(ToQt(text));
      if (control.filter != nullptr) control.filter->bypass = false;
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(control.widget.data())) {
      box->setPlainText(LineBreaksForQt(ToQt(text)));
    }
    control.settingText = false;
  }

  std::unique_ptr<Control> BuildControl(const Window& window, const ControlDefinition& definition,
                                        std::size_t index) {
    auto control = std::make_unique<Control>();
    control->definition = definition;
    control->definition.items.clear();
    control->caption = definition.text;
    control->items = definition.items;

    QWidget* parent = window.widget;
    if (!definition.parent.empty()) {
      for (const auto& other : window.controls)
        if (other->definition.name == definition.parent && other->widget) parent = other->widget;
    }
    const WindowHandle handle = window.handle;
    QWidget* widget = nullptr;
    switch (definition.kind) {
      case ControlKind::kGroupBox:
        widget = new QGroupBox(ToQt(definition.text), parent);
        break;
      case ControlKind::kLabel: {
        auto* label = new QLabel(ToQt(definition.text), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case ControlKind::kEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(true);
        if (definition.digitsOnly) {
          control->filter = new TypedTextFilter(control->definition, edit);
          edit->setValidator(control->filter);
        }
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, handle, index] {
          if (Control* self = ControlAt(handle, index)) self->programText.reset();
        });
        widget = edit;
        break;
      }
      case ControlKind::kMultiLineEdit: {
        auto* box = new QPlainTextEdit(parent);
        box->setLineWrapMode(definition.horizontalScrollBar ? QPlainTextEdit::NoWrap
                                                            : QPlainTextEdit::WidgetWidth);
        box->setVerticalScrollBarPolicy(definition.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAlwaysOff);
        box->setHorizontalScrollBarPolicy(definition.horizontalScrollBar ? Qt::ScrollBarAlwaysOn
                                                                         : Qt::ScrollBarAlwaysOff);
        if (definition.sunken) {
          box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        } else {
          box->setFrameStyle(QFrame::Box | QFrame::Plain);
          box->setLineWidth(1);
        }
        QObject::connect(box, &QPlainTextEdit::textChanged, box, [this, handle, index] {
          if (Control* self = ControlAt(handle, index); self != nullptr && !self->settingText)
            self->programText.reset();
        });
        widget = box;
        break;
      }
      case ControlKind::kDropDownList: {
        auto* list = new DropDownList(definition.listHeight, parent);
        for (const Text& item : definition.items) list->addItem(ToQt(item));
        list->setCurrentIndex(SelectionAfterSetting(definition.selection, list->count()));
        widget = list;
        break;
      }
      case ControlKind::kButton: {
        auto* button = new QPushButton(ToQt(definition.text), parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, window.widget,
                         [this, handle, name = definition.name] { ButtonClicked(handle, name); });
        widget = button;
        break;
      }
      case ControlKind::kProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        widget = bar;
        break;
      }
    }
    widget->setObjectName(ToQt(definition.name));
    widget->setGeometry(definition.place.left, definition.place.top, definition.place.width,
                        definition.place.height);
    if (definition.font) widget->setFont(MakeFont(*definition.font));
    control->widget = widget;
    if (definition.kind == ControlKind::kEdit || definition.kind == ControlKind::kMultiLineEdit)
      WriteBoxText(*control, definition.text);
    return control;
  }

  WindowHandle Build(const WindowDefinition& definition, WindowHandlers handlers) {
    std::erase_if(widgets, [](const QPointer<TopWindow>& w) { return w.isNull(); });
    auto window = std::make_unique<Window>();
    const WindowHandle handle = nextHandle++;
    window->handle = handle;
    window->handlers = std::move(handlers);
    window->title = definition.title;
    window->definition = definition;
    window->definition.controls.clear();
    const WindowDefinition& shape = window->definition;

    auto* widget = new TopWindow(shape.dragByBackground,
                                 {.activated = [this, handle] { Raise(handle); },
                                  .closeRequested = [this, handle] { CloseRequested(handle); },
                                  .escapePressed = [this, handle] { EscapePressed(handle); }});
    window->widget = widget;
    widgets.emplace_back(widget);
    const bool captionBar = !shape.captionOnlyWhenTitled || !shape.title.empty();
    widget->setWindowFlags(FlagsFor(shape, captionBar));
    widget->setWindowTitle(ToQt(shape.title));
    SizeClientArea(*widget, shape, captionBar);
    const Rect screen = system.ScreenPlace();
    // move() places the outer corner where a window manager frames the window, and the
    // client area where none does.
    const bool placed = shape.left && shape.top;
    widget->move(placed ? *shape.left : screen.left + (screen.width - shape.width) / 2,
                 placed ? *shape.top : screen.top + (screen.height - shape.height) / 2);

    for (std::size_t i = 0; i < definition.controls.size(); ++i)
      window->controls.push_back(BuildControl(*window, definition.controls[i], i));
    NameControlsForScreenReaders(*window);

    windows.emplace(handle, std::move(window));
    order.insert(order.begin(), handle);
    return handle;
  }

  // Changing a shown window's flags hides it and may build a new native window: show it
  // again where it was.
  void ShowCaptionBar(Window& window, bool captionBar) {
    TopWindow* widget = window.widget;
    if (widget == nullptr || HasCaptionBar(window) == captionBar) return;
    const QPoint place = widget->pos();
    const bool shown = widget->isVisible();
    const Qt::WindowModality modality = widget->windowModality();
    widget->setWindowFlags(FlagsFor(window.definition, captionBar));
    widget->setWindowModality(modality);
    SizeClientArea(*widget, window.definition, captionBar);
    widget->move(place);
    if (!shown) return;
    widget->show();
    widget->raise();
    widget->activateWindow();
  }

  int RunBox(QWidget* owner, std::string_view text, std::string_view caption, unsigned style,
             std::optional<std::uint32_t> timeoutMs) {
    QMessageBox box(owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(ToQt(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(LineBreaksForQt(ToQt(text)));
    box.setIcon(IconOf(style));
    if ((style & 0x40000u) != 0) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const std::vector<BoxButton> buttons = ButtonsOf(style);
    for (const BoxButton& b : buttons) box.addButton(b.button);
    const std::size_t defaultButton = (style >> 8) & 0xFu;
    box.setDefaultButton(buttons[defaultButton < buttons.size() ? defaultButton : 0].button);
    for (const BoxButton& b : buttons) {
      // Esc and the close box answer Cancel where there is one, and OK on an OK-only box.
      if (b.button == QMessageBox::Cancel || buttons.size() == 1) box.setEscapeButton(b.button);
    }
    if (timeoutMs) {
      box.setProperty(kTimeoutProperty, static_cast<qulonglong>(*timeoutMs));
      QTimer::singleShot(std::chrono::milliseconds(*timeoutMs), &box,
                         [&box] { box.done(kAnswerTimedOut); });
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr) return timeoutMs ? kAnswerTimedOut : 0;
    const QMessageBox::StandardButton pressed = box.standardButton(clicked);
    for (const BoxButton& b : buttons)
      if (b.button == pressed) return b.answer;
    return 0;
  }

  void DeleteAllWindows() {
    windows.clear();
    order.clear();
    for (const QPointer<TopWindow>& widget : widgets) delete widget.data();
    widgets.clear();
  }
};

// ---- The interface -------------------------------------------------------------------

QtWindowSystem::QtWindowSystem() : state_(std::make_unique<State>(*this)) {}

QtWindowSystem::~QtWindowSystem() {
  state_->ticker.reset();
  state_->DeleteAllWindows();
  if (state_->translator) QCoreApplication::removeTranslator(state_->translator.get());
  state_->translator.reset();
  state_->application.reset();
}

bool QtWindowSystem::Initialise() {
  if (QApplication::instance() == nullptr) {
    if (const std::optional<std::string> platform = PlatformToForce(ReadSessionEnvironment()))
      qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    if (!CanShowWindows(ReadSessionEnvironment())) return false;
    const QtMessageHandler previous = qInstallMessageHandler(&StartUpMessages);
    state_->application = std::make_unique<QApplication>(ArgumentCount(), Arguments());
    qInstallMessageHandler(previous);
    // Windows close only through CloseWindow; hiding the last one must not end the loops.
    QApplication::setQuitOnLastWindowClosed(false);
    // The box buttons in Chinese ("确定", "取消"), as the program's own texts are.
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(translator.get());
      state_->translator = std::move(translator);
    }
    QFont::insertSubstitutions(QString::fromLatin1(kLatinUiFace), InstalledCjkFaces());
    QFont boxes = QApplication::font();
    boxes.setFamilies({QString::fromLatin1(kLatinUiFace)});
    QApplication::setFont(boxes);
  }
  return true;
}

WindowHandle QtWindowSystem::CreateTopLevelWindow(const WindowDefinition& definition,
                                                  WindowHandlers handlers) {
  const WindowHandle handle = state_->Build(definition, std::move(handlers));
  State::Window* window = state_->Find(handle);
  if (Handler created = window->handlers.created) {
    const BusyScope busy(window->widget);
    created(handle);
  }
  return handle;
}

void QtWindowSystem::OpenModal(const WindowDefinition& definition, WindowHandlers handlers) {
  const WindowHandle handle = state_->Build(definition, std::move(handlers));
  State::Window* window = state_->Find(handle);
  window->widget->setWindowModality(Qt::ApplicationModal);
  SetVisible(handle, true);
  if (Handler created = window->handlers.created) {
    const BusyScope busy(window->widget);
    created(handle);
  }
  RunEventLoop(handle);
}

void QtWindowSystem::CloseWindow(WindowHandle window) {
  const auto it = state_->windows.find(window);
  if (it == state_->windows.end()) return;
  const std::unique_ptr<State::Window> closing = std::move(it->second);
  state_->windows.erase(it);
  std::erase(state_->order, window);
  if (TopWindow* widget = closing->widget) {
    widget->closed = true;
    widget->hide();
    if (widget->busy == 0) widget->deleteLater();
  }
  // A loop waiting for input must look again whether its window still lives.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    dispatcher->wakeUp();
}

void QtWindowSystem::SetVisible(WindowHandle window, bool visible) {
  State::Window* w = state_->Find(window);
  if (w == nullptr || !w->widget) return;
  if (!visible) {
    w->widget->hide();
    return;
  }
  w->widget->show();
  w->widget->raise();
  w->widget->activateWindow();
  state_->Raise(window);
}

bool QtWindowSystem::IsVisible(WindowHandle window) const {
  const State::Window* w = state_->Find(window);
  return w != nullptr && w->widget && w->widget->isVisible();
}

void QtWindowSystem::SetTitle(WindowHandle window, std::string_view title) {
  State::Window* w = state_->Find(window);
  if (w == nullptr || !w->widget) return;
  w->title = Text(title);
  w->widget->setWindowTitle(ToQt(title));
  if (w->definition.captionOnlyWhenTitled) state_->ShowCaptionBar(*w, !title.empty());
}

Text QtWindowSystem::Title(WindowHandle window) const {
  const State::Window* w = state_->Find(window);
  return w == nullptr ? Text() : w->title;
}

bool QtWindowSystem::HasCaptionBar(WindowHandle window) const {
  const State::Window* w = state_->Find(window);
  return w != nullptr && State::HasCaptionBar(*w);
}

Rect QtWindowSystem::WindowPlace(WindowHandle window) const {
  const State::Window* w = state_->Find(window);
  if (w == nullptr || !w->widget) return {};
  // The outer corner is where the window was placed (and moved since); the outer size is
  // the definition's, the client area being that less the frame allowance whatever frame
  // a window manager draws around it.
  const QPoint corner = w->widget->frameGeometry().topLeft();
  return {corner.x(), corner.y(), w->definition.width, w->definition.height};
}

Rect QtWindowSystem::ScreenPlace() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect area = screen->availableGeometry();
  return {area.x(), area.y(), area.width(), area.height()};
}

void QtWindowSystem::SetCaption(WindowHandle window, std::string_view control,
                                std::string_view caption) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr || !c->widget) return;
  const QString text = ToQt(caption);
  if (auto* group = qobject_cast<QGroupBox*>(c->widget.data())) {
    group->setTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(c->widget.data())) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(c->widget.data())) {
    button->setText(text);
  } else {
    return;
  }
  c->caption = Text(caption);
  State::NameControlsForScreenReaders(*state_->Find(window));
}

Text QtWindowSystem::Caption(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return {};
  const ControlKind kind = c->definition.kind;
  if (kind == ControlKind::kGroupBox || kind == ControlKind::kLabel || kind == ControlKind::kButton)
    return c->caption;
  return {};
}

void QtWindowSystem::AddItem(WindowHandle window, std::string_view control, std::string_view item) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return;
  auto* list = qobject_cast<QComboBox*>(c->widget.data());
  if (list == nullptr) return;
  const int selection = list->currentIndex();
  list->addItem(ToQt(item));
  // Qt selects the first item added to an empty list; the rule here selects nothing.
  if (list->currentIndex() != selection) list->setCurrentIndex(selection);
  c->items.emplace_back(item);
}

void QtWindowSystem::RemoveAllItems(WindowHandle window, std::string_view control) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return;
  auto* list = qobject_cast<QComboBox*>(c->widget.data());
  if (list == nullptr) return;
  list->clear();
  c->items.clear();
}

int QtWindowSystem::ItemCount(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  return c == nullptr ? 0 : static_cast<int>(c->items.size());
}

Text QtWindowSystem::ItemText(WindowHandle window, std::string_view control, int index) const {
  const State::Control* c = state_->FindControl(window, control);
  if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return {};
  return c->items[static_cast<std::size_t>(index)];
}

int QtWindowSystem::Selection(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return -1;
  const auto* list = qobject_cast<const QComboBox*>(c->widget.data());
  return list == nullptr ? -1 : list->currentIndex();
}

void QtWindowSystem::SetSelection(WindowHandle window, std::string_view control, int index) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return;
  if (auto* list = qobject_cast<QComboBox*>(c->widget.data()))
    list->setCurrentIndex(SelectionAfterSetting(index, list->count()));
}

void QtWindowSystem::SetEditText(WindowHandle window, std::string_view control,
                                 std::string_view text) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr || !c->widget) return;
  const ControlKind kind = c->definition.kind;
  if (kind == ControlKind::kEdit || kind == ControlKind::kMultiLineEdit)
    State::WriteBoxText(*c, text);
}

Text QtWindowSystem::EditText(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  if (c == nullptr || !c->widget) return {};
  if (c->programText) return *c->programText;
  if (const auto* edit = qobject_cast<const QLineEdit*>(c->widget.data()))
    return FromQt(edit->text());
  if (const auto* box = qobject_cast<const QPlainTextEdit*>(c->widget.data()))
    return FromQt(LineBreaksFromQt(box->toPlainText()));
  return {};
}

void QtWindowSystem::SetProgress(WindowHandle window, std::string_view control, int position) {
  State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return;
  if (auto* bar = qobject_cast<QProgressBar*>(c->widget.data()))
    bar->setValue(std::clamp(position, 0, 100));
}

int QtWindowSystem::Progress(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  if (c == nullptr) return 0;
  const auto* bar = qobject_cast<const QProgressBar*>(c->widget.data());
  return bar == nullptr ? 0 : bar->value();
}

void QtWindowSystem::ProcessPendingEvents() {
  if (QCoreApplication::instance() == nullptr) return;
  state_->RunStepHook(Step::kPendingEvents);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // processEvents leaves deferred deletes for the event loop; a window that a nested
  // handler closed goes now.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtWindowSystem::RunEventLoop(WindowHandle window) {
  if (QCoreApplication::instance() == nullptr) return;
  while (IsWindowAlive(window)) {
    const bool more = state_->RunStepHook(Step::kLoopTurn);
    if (!IsWindowAlive(window)) break;
    QCoreApplication::processEvents(more ? QEventLoop::AllEvents : QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

int QtWindowSystem::ShowMessageBox(std::string_view text, const MessageBoxOptions& options) {
  const Text caption = options.caption.value_or(Text(kDefaultCaption));
  return state_->RunBox(nullptr, text, caption, options.style, std::nullopt);
}

int QtWindowSystem::ShowTimedMessageBox(WindowHandle owner, std::string_view text,
                                        std::string_view caption, unsigned style,
                                        int /*languageId*/, std::uint32_t timeoutMs) {
  const State::Window* w = state_->Find(owner);
  return state_->RunBox(w == nullptr ? nullptr : w->widget.data(), text, caption, style, timeoutMs);
}

WindowHandle QtWindowSystem::NextTopLevelWindow(WindowHandle after) const {
  const std::vector<WindowHandle>& order = state_->order;
  if (after == 0) return order.empty() ? 0 : order.front();
  const auto it = std::find(order.begin(), order.end(), after);
  if (it == order.end() || std::next(it) == order.end()) return 0;
  return *std::next(it);
}

bool QtWindowSystem::IsWindowAlive(WindowHandle window) const {
  return state_->Find(window) != nullptr;
}

bool QtWindowSystem::IsWindowShown(WindowHandle window) const {
  return IsVisible(window);
}

ProcessId QtWindowSystem::WindowOwnerProcess(WindowHandle window) const {
  return IsWindowAlive(window) ? CurrentProcessId() : 0;
}

int QtWindowSystem::WindowTextLength(WindowHandle window) const {
  return static_cast<int>(Title(window).size());
}

int QtWindowSystem::CopyWindowText(WindowHandle window, std::span<char> buffer) const {
  const State::Window* w = state_->Find(window);
  return w == nullptr ? 0 : CopyCut(w->title, buffer);
}

int QtWindowSystem::CopyClassName(WindowHandle window, std::span<char> buffer) const {
  const State::Window* w = state_->Find(window);
  return w == nullptr ? 0 : CopyCut(w->definition.className, buffer);
}

std::uint32_t QtWindowSystem::TickCount() const {
  // The boot-time clock counts suspended time too, as the milliseconds since system
  // start do.
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

ProcessId QtWindowSystem::CurrentProcessId() const {
  return static_cast<ProcessId>(getpid());
}

QWidget* QtWindowSystem::WindowWidget(WindowHandle window) const {
  const State::Window* w = state_->Find(window);
  return w == nullptr ? nullptr : w->widget.data();
}

QWidget* QtWindowSystem::ControlWidget(WindowHandle window, std::string_view control) const {
  const State::Control* c = state_->FindControl(window, control);
  return c == nullptr ? nullptr : c->widget.data();
}

WindowHandle QtWindowSystem::HandleOf(const QWidget* widget) const {
  if (widget == nullptr) return 0;
  const QWidget* top = widget->window();
  for (const auto& [handle, window] : state_->windows)
    if (window->widget.data() == top) return handle;
  return 0;
}

void QtWindowSystem::SetStepHook(std::function<bool(Step)> hook) {
  state_->stepHook = std::move(hook);
}

bool QtWindowSystem::SaveWindowImage(WindowHandle window, const std::string& path) const {
  const State::Window* w = state_->Find(window);
  if (w == nullptr || !w->widget) return false;
  return w->widget->grab().save(QString::fromLocal8Bit(path.c_str()), "PNG");
}

void QtWindowSystem::PostClick(WindowHandle window, std::string_view button) {
  const State::Control* c = state_->FindControl(window, button);
  auto* target = c == nullptr ? nullptr : qobject_cast<QAbstractButton*>(c->widget.data());
  if (target == nullptr) return;
  QMetaObject::invokeMethod(
      target, [target] { target->click(); }, Qt::QueuedConnection);
}

std::optional<Text> QtWindowSystem::ShownBoxText() const {
  if (QCoreApplication::instance() == nullptr) return std::nullopt;
  const QMessageBox* box = ShownBox();
  if (box == nullptr) return std::nullopt;
  return FromQt(box->text());
}

void QtWindowSystem::AnswerShownBox(int answer) {
  if (QCoreApplication::instance() == nullptr) return;
  QMessageBox* box = ShownBox();
  if (box == nullptr) return;
  QAbstractButton* button = box->button(ButtonGiving(answer));
  if (button == nullptr) return;
  QMetaObject::invokeMethod(
      button, [button] { button->click(); }, Qt::QueuedConnection);
}

void QtWindowSystem::ShowDropDownList(WindowHandle window, std::string_view control, bool shown) {
  const State::Control* c = state_->FindControl(window, control);
  auto* list = c == nullptr ? nullptr : qobject_cast<QComboBox*>(c->widget.data());
  if (list == nullptr) return;
  if (shown) {
    list->showPopup();
  } else {
    list->hidePopup();
  }
}

void QtWindowSystem::SetTicker(std::chrono::milliseconds interval, std::function<void()> tick) {
  state_->ticker.reset();
  if (!tick || QCoreApplication::instance() == nullptr) return;
  state_->ticker = std::make_unique<QTimer>();
  state_->ticker->setInterval(interval);
  QObject::connect(state_->ticker.get(), &QTimer::timeout, [tick = std::move(tick)] { tick(); });
  state_->ticker->start();
}

bool QtWindowSystem::SaveScreenImage(const std::string& path) const {
  if (QCoreApplication::instance() == nullptr) return false;
  // Bottom to top: the program's windows as they are stacked, then what Qt shows above
  // them of its own (opened lists, message boxes).
  std::vector<QWidget*> layers;
  for (auto it = state_->order.rbegin(); it != state_->order.rend(); ++it) {
    QWidget* widget = WindowWidget(*it);
    if (widget != nullptr && widget->isVisible()) layers.push_back(widget);
  }
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && std::find(layers.begin(), layers.end(), widget) == layers.end())
      layers.push_back(widget);
  }
  if (layers.empty()) return false;

  // Not every platform draws frames (offscreen has no window manager), so the picture
  // draws a plain fixed frame of its own around each window that has one, with the
  // caption bar and its title, in the allowance the outer sizes keep for it.
  auto framed = [](const QWidget* widget) {
    return widget->windowType() != Qt::Popup && widget->windowFlags().testFlag(Qt::WindowTitleHint);
  };
  auto outer = [&](const QWidget* widget) {
    const QRect client = widget->geometry();
    if (!framed(widget)) return client.adjusted(-1, -1, 1, 1);
    return client.adjusted(-kFrameAllowance, -kFrameAllowance - kCaptionAllowance, kFrameAllowance,
                           kFrameAllowance);
  };
  constexpr int kMargin = 12;
  QRect area;
  for (const QWidget* widget : layers) area |= outer(widget);
  area.adjust(-kMargin, -kMargin, kMargin, kMargin);
  const qreal ratio = layers.front()->devicePixelRatioF();
  QImage image((QSizeF(area.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(QColor(0xd6, 0xdb, 0xe1));
  QPainter painter(&image);
  const QColor edge(0x70, 0x78, 0x80);
  for (QWidget* widget : layers) {
    const QRect frame = outer(widget).translated(-area.topLeft());
    painter.fillRect(frame, QColor(0xe8, 0xeb, 0xef));
    painter.setPen(edge);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    if (framed(widget)) {
      const QRect caption(frame.left() + kFrameAllowance + 5, frame.top() + kFrameAllowance,
                          frame.width() - 2 * kFrameAllowance - 10, kCaptionAllowance);
      painter.setFont(widget->font());
      painter.setPen(QColor(0x20, 0x20, 0x20));
      painter.drawText(
          caption, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
          painter.fontMetrics().elidedText(widget->windowTitle(), Qt::ElideRight, caption.width()));
    }
    painter.drawPixmap(widget->geometry().translated(-area.topLeft()).topLeft(), widget->grab());
  }
  painter.end();
  return image.save(QString::fromLocal8Bit(path.c_str()), "PNG");
}

}  // namespace velnora::platform::window
