// What only the real widgets show: places and sizes on the screen, frames and boxes,
// typefaces, the drop-downs' opened height, the boxes' looks, screen-reader names, the
// caption bar that follows the title, and windows closed inside their own handlers. Each
// case runs at a desktop scale of 100% and, as HighDpi.*, of 200%, where every logical
// size must stay the same.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/window/qt/qt_window_system.h"
#include "tests/qt/qt_driver.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

namespace velnora::platform::window {
namespace {

using qt_testing::QtDriver;
namespace main_window = ui::main_window;
namespace reader_window = ui::reader_window;

const core::SiteHosts kHosts{.siteA = "a.example", .siteB = "b.example"};

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

// The desktop scale this run was started with.
double Scale() {
  const char* factor = std::getenv("QT_SCALE_FACTOR");
  return factor == nullptr ? 1.0 : std::atof(factor);
}

struct Place {
  std::string_view name;
  std::string_view parent;  // empty: the window itself
  QRect place;
};

TEST(QtWindowSystem, PlacesEveryControlAsItsTableSays) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  struct Row {
    const char* name;
    WindowDefinition definition;
    QSize client;
    std::vector<Place> places;
  };
  using namespace main_window;
  using namespace reader_window;
  // The client areas: the outer sizes less 3 pixels of frame on each side and, while
  // there is a caption bar, 23 for it.
  const Row rows[] = {
      {"main window",
       MainWindowDefinition(kHosts),
       {377, 257},
       {{kSiteGroup, "", {8, 8, 360, 72}},
        {kSiteDropDown, kSiteGroup, {12, 28, 220, 32}},
        {kSaveButton, kSiteGroup, {245, 28, 104, 32}},
        {kCreditLabel, "", {8, 80, 360, 24}},
        {kReadGroup, "", {8, 105, 360, 146}},
        {kNovelIdBox, kReadGroup, {12, 32, 220, 32}},
        {kFetchButton, kReadGroup, {245, 32, 104, 32}},
        {kProgressBar, kReadGroup, {12, 66, 336, 32}},
        {kChapterDropDown, kReadGroup, {12, 100, 220, 32}},
        {kReadButton, kReadGroup, {245, 100, 104, 32}}}},
      {"reader window, untitled",
       ReaderWindowDefinition(),
       {470, 405},
       {{reader_window::kTextGroup, "", {8, 8, 456, 288}},
        {kTextBox, reader_window::kTextGroup, {8, 24, 440, 256}},
        {kButtonGroup, "", {8, 304, 456, 72}},
        {kPreviousButton, kButtonGroup, {24, 28, 136, 32}},
        {kCatalogueButton, kButtonGroup, {176, 28, 104, 32}},
        {kNextButton, kButtonGroup, {296, 28, 136, 32}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const WindowHandle w = system.CreateTopLevelWindow(row.definition, {});
    system.SetVisible(w, true);
    system.ProcessPendingEvents();
    QWidget* window = system.WindowWidget(w);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), row.client);
    EXPECT_EQ(window->minimumSize(), row.client) << "the frame is fixed";
    EXPECT_EQ(window->maximumSize(), row.client) << "the frame is fixed";
    for (const Place& place : row.places) {
      SCOPED_TRACE(std::string(place.name));
      QWidget* control = system.ControlWidget(w, place.name);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(control->geometry(), place.place);
      QWidget* parent = place.parent.empty() ? window : system.ControlWidget(w, place.parent);
      EXPECT_EQ(control->parentWidget(), parent);
    }
  }
}

TEST(QtWindowSystem, WindowsHaveTheirFramesBoxesAndPlaces) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle main =
      system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  const Qt::WindowFlags mainFlags = system.WindowWidget(main)->windowFlags();
  EXPECT_TRUE(mainFlags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(mainFlags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(mainFlags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(mainFlags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(mainFlags.testFlag(Qt::WindowMaximizeButtonHint));
  const Rect screen = system.ScreenPlace();
  EXPECT_EQ(system.WindowPlace(main), (Rect{screen.left + (screen.width - 383) / 2,
                                            screen.top + (screen.height - 286) / 2, 383, 286}));

  const WindowHandle reader =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
  const Qt::WindowFlags readerFlags = system.WindowWidget(reader)->windowFlags();
  for (const Qt::WindowType flag :
       {Qt::WindowTitleHint, Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint,
        Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint}) {
    EXPECT_FALSE(readerFlags.testFlag(flag)) << flag;
  }
  EXPECT_EQ(system.WindowPlace(reader), (Rect{50, 50, 476, 411}));
}

TEST(QtWindowSystem, CaptionBarFollowsTheTitleAndKeepsTheWindowInPlace) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  struct Seen {
    bool caption;
    bool visible;
    bool modal;
    QSize client;
    Rect place;
  };
  std::vector<Seen> seen;
  WindowHandlers handlers;
  handlers.created = [&](WindowHandle self) {
    auto look = [&] {
      QWidget* w = system.WindowWidget(self);
      seen.push_back({system.HasCaptionBar(self), w->isVisible(),
                      w->windowModality() == Qt::ApplicationModal, w->size(),
                      system.WindowPlace(self)});
    };
    look();
    system.SetTitle(self, "Chapter");
    system.ProcessPendingEvents();
    look();
    system.SetTitle(self, "");
    system.ProcessPendingEvents();
    look();
    system.CloseWindow(self);
  };
  system.OpenModal(reader_window::ReaderWindowDefinition(), std::move(handlers));
  ASSERT_EQ(seen.size(), 3u);
  const Rect place{50, 50, 476, 411};
  for (const auto& [index, caption, client] : std::vector<std::tuple<int, bool, QSize>>{
           {0, false, {470, 405}}, {1, true, {470, 382}}, {2, false, {470, 405}}}) {
    SCOPED_TRACE(index);
    const Seen& s = seen[static_cast<std::size_t>(index)];
    EXPECT_EQ(s.caption, caption);
    EXPECT_TRUE(s.visible);
    EXPECT_TRUE(s.modal);
    EXPECT_EQ(s.client, client);
    EXPECT_EQ(s.place, place);
  }
}

// Every control that shows text, in both windows.
std::vector<QWidget*> TextControls(QtWindowSystem& system, WindowHandle w,
                                   const WindowDefinition& definition) {
  std::vector<QWidget*> controls;
  for (const ControlDefinition& control : definition.controls)
    if (control.kind != ControlKind::kProgressBar)
      controls.push_back(system.ControlWidget(w, control.name));
  return controls;
}

QString ShownText(QWidget* control) {
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(control)) return button->text();
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    QString items;
    for (int i = 0; i < list->count(); ++i) items += list->itemText(i);
    return items;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(control)) return box->toPlainText();
  return {};
}

TEST(QtWindowSystem, DrawsEveryTextInAnInstalledCjkFaceAtNineteenPixels) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const QStringList cjkFaces{Utf8("WenQuanYi Micro Hei"), Utf8("Noto Sans CJK SC"),
                             Utf8("Noto Sans SC")};
  for (const WindowDefinition& definition :
       {main_window::MainWindowDefinition(kHosts), reader_window::ReaderWindowDefinition()}) {
    const WindowHandle w = system.CreateTopLevelWindow(definition, {});
    system.SetEditText(w, reader_window::kTextBox, "\xb5\xda\xd2\xbb\xd5\xc2");  // 第一章
    for (QWidget* control : TextControls(system, w, definition)) {
      SCOPED_TRACE(control->objectName().toStdString());
      const QFontInfo face(control->font());
      EXPECT_TRUE(cjkFaces.contains(face.family())) << face.family().toStdString();
      EXPECT_EQ(face.pixelSize(), 19);
      const bool credit = control == system.ControlWidget(w, main_window::kCreditLabel);
      EXPECT_EQ(control->font().weight(), credit ? QFont::Bold : QFont::Normal);
      // No tofu: the face itself has a glyph for every character shown.
      const QFontMetrics metrics(control->font());
      const QString text = ShownText(control);
      for (const char32_t c : text.toUcs4()) {
        if (c == U' ') continue;
        EXPECT_TRUE(metrics.inFontUcs4(c)) << "U+" << std::hex << static_cast<int>(c);
      }
    }
  }
}

TEST(QtWindowSystem, CaptionsFitTheirControlsAndTheCreditIsOneLine) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  for (const WindowDefinition& definition :
       {main_window::MainWindowDefinition(kHosts), reader_window::ReaderWindowDefinition()}) {
    const WindowHandle w = system.CreateTopLevelWindow(definition, {});
    system.SetVisible(w, true);
    system.ProcessPendingEvents();
    for (const ControlDefinition& c : definition.controls) {
      QWidget* control = system.ControlWidget(w, c.name);
      SCOPED_TRACE(control->objectName().toStdString());
      const QFontMetrics metrics(control->font());
      const QString text = ShownText(control);
      if (c.kind == ControlKind::kButton) {
        EXPECT_LE(metrics.horizontalAdvance(text), control->width() - 8);
        EXPECT_LE(metrics.height(), control->height());
      } else if (c.kind == ControlKind::kLabel) {
        EXPECT_FALSE(text.contains(QLatin1Char('\n')));
        EXPECT_LE(metrics.horizontalAdvance(text), control->contentsRect().width());
        EXPECT_LE(metrics.height(), control->contentsRect().height());
      } else if (c.kind == ControlKind::kGroupBox) {
        EXPECT_LE(metrics.horizontalAdvance(text), control->width() - 16);
      }
    }
  }
}

TEST(QtWindowSystem, DropDownsOpenToATotalHeightOf160) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle w = system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  system.SetVisible(w, true);
  auto* list = qobject_cast<QComboBox*>(system.ControlWidget(w, main_window::kChapterDropDown));
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->isEditable()) << "list-only";
  // A long book's list is one Qt would lay over the whole screen.
  for (const int items : {40, 1500}) {
    SCOPED_TRACE(items);
    system.RemoveAllItems(w, main_window::kChapterDropDown);
    for (int i = 0; i < items; ++i) system.AddItem(w, main_window::kChapterDropDown, "chapter");
    list->showPopup();
    system.ProcessPendingEvents();
    QWidget* popup = list->view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(list->height() + popup->height(), 160);
    EXPECT_EQ(popup->y(), list->mapToGlobal(QPoint(0, list->height())).y()) << "just below";
    list->hidePopup();
  }

  // A short list opens no taller than its items.
  auto* sites = qobject_cast<QComboBox*>(system.ControlWidget(w, main_window::kSiteDropDown));
  sites->showPopup();
  system.ProcessPendingEvents();
  EXPECT_LE(sites->height() + sites->view()->window()->height(), 160);
  sites->hidePopup();
}

TEST(QtWindowSystem, ADropDownShowsItsWholeChoiceOnHover) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle w = system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  system.SetVisible(w, true);
  auto* sites = qobject_cast<QComboBox*>(system.ControlWidget(w, main_window::kSiteDropDown));
  ASSERT_NE(sites, nullptr);
  for (const int site : {1, 0}) {
    SCOPED_TRACE(site);
    system.SetSelection(w, main_window::kSiteDropDown, site);
    EXPECT_EQ(sites->toolTip(), sites->itemText(site));
    EXPECT_FALSE(sites->toolTip().isEmpty());
  }
}

TEST(QtWindowSystem, BoxesHaveTheirFramesBarsAndWrapping) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle main =
      system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  auto* id = qobject_cast<QLineEdit*>(system.ControlWidget(main, main_window::kNovelIdBox));
  ASSERT_NE(id, nullptr);
  EXPECT_TRUE(id->hasFrame()) << "sunken";
  auto* bar = qobject_cast<QProgressBar*>(system.ControlWidget(main, main_window::kProgressBar));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);

  const WindowHandle reader =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
  system.SetVisible(reader, true);
  auto* box = qobject_cast<QPlainTextEdit*>(system.ControlWidget(reader, reader_window::kTextBox));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->frameShape(), QFrame::Box);
  EXPECT_EQ(box->lineWidth(), 1);
  EXPECT_FALSE(box->isReadOnly());
  system.SetEditText(reader, reader_window::kTextBox, std::string(300, 'x') + "\r\nend");
  system.ProcessPendingEvents();
  EXPECT_GT(box->document()->firstBlock().layout()->lineCount(), 1) << "wraps at the width";
  EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(box->document()->blockCount(), 2);
}

TEST(QtWindowSystem, NovelIdBoxKeepsDigitsFromAnInputMethodToo) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle w = system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  system.SetVisible(w, true);
  system.SetEditText(w, main_window::kNovelIdBox, "1");
  QWidget* box = system.ControlWidget(w, main_window::kNovelIdBox);
  driver.Do([box] {
    QInputMethodEvent commit;
    commit.setCommitString(Utf8("2\xe4\xba\x94x3"));  // 2五x3
    QApplication::sendEvent(box, &commit);
  });
  system.ProcessPendingEvents();
  EXPECT_EQ(system.EditText(w, main_window::kNovelIdBox), "123");
}

TEST(QtWindowSystem, MessageBoxesShowTheButtonsAndIconOfTheirStyle) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle owner =
      system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  system.SetVisible(owner, true);
  struct Row {
    unsigned style;
    QMessageBox::Icon icon;
    QStringList buttons;  // as a Chinese desktop labels them
  };
  const Row rows[] = {
      {0, QMessageBox::NoIcon, {Utf8("确定")}},
      {1, QMessageBox::NoIcon, {Utf8("确定"), Utf8("取消")}},
      {5, QMessageBox::NoIcon, {Utf8("重试"), Utf8("取消")}},
      {32, QMessageBox::Question, {Utf8("确定")}},
      {64, QMessageBox::Information, {Utf8("确定")}},
      {64 + 5, QMessageBox::Information, {Utf8("重试"), Utf8("取消")}},
      {32 + 1, QMessageBox::Question, {Utf8("确定"), Utf8("取消")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.style);
    for (const bool timed : {false, true}) {
      SCOPED_TRACE(timed ? "timed, owned" : "plain");
      driver.AnswerNextBox(kAnswerCancel);  // where there is none, Enter
      if (timed) {
        system.ShowTimedMessageBox(owner, "t", "c", row.style, 0, 60000);
      } else {
        system.ShowMessageBox("t", {.style = row.style});
      }
      const qt_testing::ShownBox& box = driver.ShownBoxes().back();
      EXPECT_EQ(box.seen.style, row.style);
      EXPECT_EQ(box.icon, row.icon);
      EXPECT_EQ(box.modality, Qt::ApplicationModal);
      EXPECT_EQ(box.seen.owner, timed ? owner : 0u);
      QStringList buttons = box.buttons;
      QStringList expected = row.buttons;
      buttons.sort();
      expected.sort();
      for (QString& b : buttons) b.remove(QLatin1Char('&'));
      EXPECT_EQ(buttons.join(QLatin1Char(',')).toStdString(),
                expected.join(QLatin1Char(',')).toStdString());
      EXPECT_TRUE(box.font.contains(Utf8("WenQuanYi")) || box.font.contains(Utf8("Noto")))
          << box.font.toStdString();
    }
  }
}

TEST(QtWindowSystem, TimedBoxClosesItselfEvenWithOnlyAnOkButton) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  driver.LetNextBoxTimeOut();
  EXPECT_EQ(system.ShowTimedMessageBox(0, "t", "c", 0, 0, 50), kAnswerTimedOut);
  driver.AnswerNextBox(kAnswerOk);
  EXPECT_EQ(system.ShowTimedMessageBox(0, "t", "c", 0, 0, 60000), kAnswerOk);
}

TEST(QtWindowSystem, ActivatingAWindowBringsItToTheTop) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowDefinition definition = reader_window::ReaderWindowDefinition();
  const WindowHandle a = system.CreateTopLevelWindow(definition, {});
  const WindowHandle b = system.CreateTopLevelWindow(definition, {});
  system.SetVisible(a, true);
  system.SetVisible(b, true);
  system.ProcessPendingEvents();
  EXPECT_EQ(system.NextTopLevelWindow(0), b);
  system.WindowWidget(a)->activateWindow();
  system.ProcessPendingEvents();
  EXPECT_EQ(system.NextTopLevelWindow(0), a);
  EXPECT_EQ(system.NextTopLevelWindow(a), b);
}

TEST(QtWindowSystem, AWindowClosedInsideItsOwnHandlersGoesOnceTheyReturn) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const ActiveWindowSystemScope active(&system);
  QPointer<QWidget> widget;
  std::vector<std::string> log;
  WindowHandlers handlers;
  handlers.buttonClicked[std::string(reader_window::kNextButton)] = [&](WindowHandle self) {
    // A load that waits: meanwhile the user presses "目录", which closes the window.
    driver.Click(self, reader_window::kCatalogueButton);
    system.ProcessPendingEvents();
    log.push_back(system.IsWindowAlive(self) ? "alive after the wait" : "closed during the wait");
    log.push_back(widget.isNull() ? "widget gone under the handler" : "widget kept");
    // The late writes of the load go nowhere.
    system.SetTitle(self, "late");
    system.SetEditText(self, reader_window::kTextBox, "late");
  };
  handlers.buttonClicked[std::string(reader_window::kCatalogueButton)] = [&](WindowHandle self) {
    system.CloseWindow(self);
    system.ProcessPendingEvents();
    log.push_back(widget.isNull() ? "widget gone under the handler" : "widget kept");
  };
  const WindowHandle w =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), std::move(handlers));
  widget = system.WindowWidget(w);
  system.SetVisible(w, true);
  driver.Click(w, reader_window::kNextButton);
  system.ProcessPendingEvents();
  EXPECT_EQ(log,
            (std::vector<std::string>{"widget kept", "closed during the wait", "widget kept"}));
  EXPECT_FALSE(system.IsWindowAlive(w));
  system.ProcessPendingEvents();
  EXPECT_TRUE(widget.isNull()) << "deleted once no handler of it runs";
}

TEST(QtWindowSystem, EveryControlHasAnAccessibleName) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  using namespace main_window;
  const WindowHandle main = system.CreateTopLevelWindow(MainWindowDefinition(kHosts), {});
  const QString credit = qobject_cast<QLabel*>(system.ControlWidget(main, kCreditLabel))->text();
  const WindowHandle reader =
      system.CreateTopLevelWindow(reader_window::ReaderWindowDefinition(), {});
  struct Row {
    WindowHandle window;
    std::string_view control;
    QString name;
  };
  // Its caption, or for a box, a list or a bar the caption of the group box around it.
  const std::vector<Row> rows = {
      {main, kSiteGroup, Utf8("小说网站选择")},
      {main, kSiteDropDown, Utf8("小说网站选择")},
      {main, kSaveButton, Utf8("确定")},
      {main, kCreditLabel, credit},
      {main, kReadGroup, Utf8("阅读选择")},
      {main, kNovelIdBox, Utf8("阅读选择")},
      {main, kFetchButton, Utf8("获取章节")},
      {main, kProgressBar, Utf8("阅读选择")},
      {main, kChapterDropDown, Utf8("阅读选择")},
      {main, kReadButton, Utf8("阅读")},
      {reader, reader_window::kTextGroup, Utf8("小说内容")},
      {reader, reader_window::kTextBox, Utf8("小说内容")},
      {reader, reader_window::kButtonGroup, Utf8("小说目录")},
      {reader, reader_window::kPreviousButton, Utf8("上一章")},
      {reader, reader_window::kCatalogueButton, Utf8("目录")},
      {reader, reader_window::kNextButton, Utf8("下一章")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.toStdString());
    QWidget* control = system.ControlWidget(row.window, row.control);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->accessibleName().toStdString(), row.name.toStdString());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr);
    if (qobject_cast<QComboBox*>(control) == nullptr) {
      EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.name.toStdString());
      continue;
    }
    // Qt on Linux names a drop-down by its current item and tells a screen reader what
    // labels it through a relation: here the group box around it.
    const auto labels = accessible->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name).toStdString(), row.name.toStdString());
  }
  // A book title in the group box names what it frames.
  system.SetCaption(main, kReadGroup, "\xca\xe9");  // 书
  EXPECT_EQ(system.ControlWidget(main, kChapterDropDown)->accessibleName(), Utf8("书"));
}

TEST(QtWindowSystem, DrawsAtTheScreensPixelRatio) {
  QtDriver driver;
  QtWindowSystem& system = driver.Qt();
  const WindowHandle w = system.CreateTopLevelWindow(main_window::MainWindowDefinition(kHosts), {});
  system.SetVisible(w, true);
  system.ProcessPendingEvents();
  QWidget* window = system.WindowWidget(w);
  EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), Scale());
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("velnora-qt-" + std::to_string(getpid()) + ".png");
  ASSERT_TRUE(system.SaveWindowImage(w, file.string()));
  const QImage image(QString::fromStdString(file.string()));
  std::filesystem::remove(file);
  EXPECT_EQ(image.width(), static_cast<int>(377 * Scale()));
  EXPECT_EQ(image.height(), static_cast<int>(257 * Scale()));
}

}  // namespace
}  // namespace velnora::platform::window
