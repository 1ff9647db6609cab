// The program on the real widgets, started as the executable starts it, against the
// fixture sites on 127.0.0.1: the site chosen and saved, a catalogue fetched, a chapter
// read and stepped through, the way back to the catalogue, a second start in the same run
// directory, and presses that land while a download waits. Every box is answered by the
// test as a user answers it. What the widgets show is compared with the fixture's own
// texts through Qt's UTF-8, the boxes' and the settings file's fixed texts with bytes
// from Python's gbk codec.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/reader_state.h"
#include "core/settings.h"
#include "core/startup.h"
#include "tests/program/program_texts.h"
#include "tests/qt/qt_driver.h"
#include "tools/fixture_sites/fixture_sites.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"

// Failures name the widgets' texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace velnora::program_testing {
namespace {

using fixtures::Site;
using platform::window::kAnswerOk;
using platform::window::QtWindowSystem;
using platform::window::WindowHandle;
using platform::window::WindowSystem;
using platform::window::conformance::SeenBox;
using platform::window::qt_testing::QtDriver;
namespace main_window = ui::main_window;
namespace reader_window = ui::reader_window;

// A run directory of the test's own, for the settings file; gone afterwards.
class RunDirectory {
 public:
  RunDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velnora-qt-program-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no run directory";
    dir_ = pattern;
    core::SetRunDirectoryForTesting(dir_.string());
  }
  ~RunDirectory() {
    core::SetRunDirectoryForTesting(std::nullopt);
    std::filesystem::remove_all(dir_);
  }
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;

  void WriteSettings(const std::string& bytes) const {
    std::ofstream(SettingsFile(), std::ios::binary) << bytes;
  }
  [[nodiscard]] std::string SettingsBytes() const {
    std::ifstream in(SettingsFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  [[nodiscard]] std::filesystem::path SettingsFile() const {
    return dir_ / "\xe9\x85\x8d\xe7\xbd\xae.ini";  // 配置.ini in UTF-8
  }

  std::filesystem::path dir_;
};

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Widget>
Widget* Control(QtWindowSystem& system, WindowHandle window, std::string_view name) {
  auto* widget = qobject_cast<Widget*>(system.ControlWidget(window, name));
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

// The reader window while it is open: the top window that is not the main window.
WindowHandle ReaderWindow(const QtWindowSystem& system, WindowHandle main) {
  for (WindowHandle w = system.NextTopLevelWindow(0); w != 0; w = system.NextTopLevelWindow(w)) {
    if (w != main) return w;
  }
  return 0;
}

// The close box of the main window, once the handler in progress has returned; it ends
// the program. Should a window still be in the way, the test fails and closes every
// window, rather than wait for a user.
void QueueTheEnd(QtDriver& driver, WindowHandle main) {
  driver.ThenSettled();
  driver.ClickCloseBox(main);
  driver.ThenSettled();
  driver.Do([&driver] {
    ADD_FAILURE() << "the program was still running";
    QtWindowSystem& qt = driver.Qt();
    while (const WindowHandle w = qt.NextTopLevelWindow(0)) qt.CloseWindow(w);
  });
}

auto Fields(const SeenBox& box) {
  return std::tie(box.text, box.caption, box.style, box.owner, box.timeoutMs);
}

// One site's road: the site the user picks (and the one stored before, if any) and a
// three-chapter book there.
struct Road {
  const char* name;
  Site site;
  int index;
  std::string_view book;
  std::optional<int> storedBefore;
};

void PrintTo(const Road& road, std::ostream* out) {
  *out << "site " << road.name;
}

// What the program showed at the points the user looked.
struct Seen {
  QStringList siteItems;
  int siteAtStart = -1;
  std::string settingsAfterSave;
  QStringList chapterItems;
  int chapterSelection = -1;
  int progress = -1;
  QString bookCaption;
  std::string baseUrl;
  std::vector<std::pair<QString, QString>> reader;  // title, text
  bool mainHiddenWhileReading = true;               // at every look
  bool mainVisibleAfter = false;
  int chapterSelectionAfter = -1;
  std::string chapterTextAfter;
};

class RunProgram : public ::testing::TestWithParam<Road> {
 protected:
  void SetUp() override { ASSERT_TRUE(sites_.Started()); }

  [[nodiscard]] std::string Hosts() const {
    return kHostsSection + kSiteAHostKey + sites_.Host(Site::kA) + "\r\n" + kSiteBHostKey +
           sites_.Host(Site::kB) + "\r\n";
  }

  fixtures::FixtureSites sites_;
  RunDirectory run_;
};

TEST_P(RunProgram, OnTheRealWidgetsSavesTheSiteReadsStepsAndRestoresTheSite) {
  const Road& road = GetParam();
  std::string settings = Hosts();
  if (road.storedBefore) {
    settings += kSettingsOptionsSection + kSiteKey + std::to_string(*road.storedBefore) + "\r\n";
  }
  run_.WriteSettings(settings);

  Seen seen;
  std::vector<SeenBox> boxes;
  WindowHandle main = 0;
  {
    QtDriver driver;
    QtWindowSystem& qt = driver.Qt();
    // The user's part, queued as the main window is made and played out in the program's
    // own event loops.
    auto start = [&](WindowSystem& system) {
      main = ui::CreateMainWindow(system);
      auto* sites = Control<QComboBox>(qt, main, main_window::kSiteDropDown);
      for (int i = 0; i < sites->count(); ++i) seen.siteItems << sites->itemText(i);
      seen.siteAtStart = sites->currentIndex();

      driver.Select(main, main_window::kSiteDropDown, road.index);
      driver.Click(main, main_window::kSaveButton);
      driver.ThenSettled();
      driver.Do([&] { seen.settingsAfterSave = run_.SettingsBytes(); });

      driver.Type(main, main_window::kNovelIdBox, road.book);
      driver.Click(main, main_window::kFetchButton);
      driver.ThenSettled();
      driver.Do([&] {
        auto* chapters = Control<QComboBox>(qt, main, main_window::kChapterDropDown);
        for (int i = 0; i < chapters->count(); ++i) seen.chapterItems << chapters->itemText(i);
        seen.chapterSelection = chapters->currentIndex();
        seen.progress = Control<QProgressBar>(qt, main, main_window::kProgressBar)->value();
        seen.bookCaption = Control<QGroupBox>(qt, main, main_window::kReadGroup)->title();
        seen.baseUrl = core::TheReaderState().baseUrl;
      });

      auto look = [&] {
        driver.ThenSettled();
        driver.Do([&] {
          const WindowHandle reader = ReaderWindow(qt, main);
          QWidget* window = qt.WindowWidget(reader);
          auto* text = Control<QPlainTextEdit>(qt, reader, reader_window::kTextBox);
          if (window == nullptr || text == nullptr) return;
          seen.reader.emplace_back(window->windowTitle(), text->toPlainText());
          seen.mainHiddenWhileReading =
              seen.mainHiddenWhileReading && !qt.WindowWidget(main)->isVisible();
        });
      };
      // "阅读" on item 1, "下一章", once more at the end of the list, "上一章", then
      // "目录" on a chapter short of the last.
      driver.Select(main, main_window::kChapterDropDown, 1);
      driver.Click(main, main_window::kReadButton);
      look();
      driver.ClickInModal(reader_window::kNextButton);
      look();
      driver.ClickInModal(reader_window::kNextButton);
      look();
      driver.ClickInModal(reader_window::kPreviousButton);
      look();
      driver.ClickInModal(reader_window::kCatalogueButton);
      driver.ThenSettled();
      driver.Do([&] {
        seen.mainVisibleAfter = qt.WindowWidget(main)->isVisible();
        seen.chapterSelectionAfter =
            Control<QComboBox>(qt, main, main_window::kChapterDropDown)->currentIndex();
        seen.chapterTextAfter = core::TheReaderState().chapterText;
      });
      QueueTheEnd(driver, main);
      return main;
    };
    // "已保存", "请耐心等待...", "已获取…" and "当前章节已是最后了", each with its OK.
    for (int i = 0; i < 4; ++i) driver.AnswerNextBox(kAnswerOk);
    EXPECT_EQ(core::RunProgram(qt, start), 0);
    EXPECT_FALSE(qt.IsWindowAlive(main));
    boxes = driver.Boxes();
  }

  // Each site's name with the host the settings file gave it, in full-width parentheses.
  const QStringList siteItems = {
      QString::fromUtf8("笔趣阁（") + Utf8(sites_.Host(Site::kA)) + QString::fromUtf8("）"),
      QString::fromUtf8("星辰小说网（") + Utf8(sites_.Host(Site::kB)) + QString::fromUtf8("）")};
  EXPECT_EQ(seen.siteItems, siteItems);
  EXPECT_EQ(seen.siteAtStart, road.storedBefore.value_or(0));
  const std::string saved =
      Hosts() + kSettingsOptionsSection + kSiteKey + std::to_string(road.index) + "\r\n";
  EXPECT_EQ(seen.settingsAfterSave, saved);

  QStringList titles;
  for (int n = 1; n <= 3; ++n)
    titles << Utf8(WithoutSpaces(fixtures::ChapterTitle(road.site, road.book, n)));
  EXPECT_EQ(seen.chapterItems, titles);
  EXPECT_EQ(seen.chapterSelection, 0);
  EXPECT_EQ(seen.progress, 100);
  const std::string bookTitle = ShownBookTitle(road.site, road.book);
  EXPECT_EQ(seen.bookCaption, Utf8(bookTitle));
  EXPECT_EQ(seen.baseUrl, sites_.BaseUrl(road.site));

  auto chapter = [&](int n) {
    return std::pair(titles[n - 1], Utf8(Joined(ExpectedLines(road.site, road.book, n), "\n")));
  };
  const std::vector<std::pair<QString, QString>> reader = {chapter(2), chapter(3), chapter(3),
                                                           chapter(2)};
  EXPECT_EQ(seen.reader, reader);
  EXPECT_TRUE(seen.mainHiddenWhileReading);
  EXPECT_TRUE(seen.mainVisibleAfter);
  EXPECT_EQ(seen.chapterSelectionAfter, 1);
  EXPECT_EQ(seen.chapterTextAfter, ExpectedText(road.site, road.book, 2));

  const std::vector<SeenBox> expected = {
      {.text = kSaved, .caption = kReminder, .style = 64, .owner = main, .timeoutMs = 2000},
      {.text = kPleaseWait, .caption = kWaiting, .style = 32, .owner = main, .timeoutMs = 1000},
      {.text = kFetched + Gbk(bookTitle),
       .caption = kReminder,
       .style = 0,
       .owner = main,
       .timeoutMs = 5000},
      {.text = kAtLast, .caption = kInformation},
  };
  ASSERT_EQ(boxes.size(), expected.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Fields(boxes[i]), Fields(expected[i]));
  }

  // A second start in the same run directory finds the site saved.
  int siteAtSecondStart = -1;
  {
    QtDriver driver;
    auto start = [&](WindowSystem& system) {
      const WindowHandle again = ui::CreateMainWindow(system);
      siteAtSecondStart =
          Control<QComboBox>(driver.Qt(), again, main_window::kSiteDropDown)->currentIndex();
      QueueTheEnd(driver, again);
      return again;
    };
    EXPECT_EQ(core::RunProgram(driver.Qt(), start), 0);
  }
  EXPECT_EQ(siteAtSecondStart, road.index);
  EXPECT_EQ(run_.SettingsBytes(), saved);
}

// "目录" pressed while the first chapter is still downloading: the window goes at once,
// and the load, finishing into the closed window, stores its text and touches nothing else.
TEST_P(RunProgram, TheWayBackDuringALoadLeavesTheLateWritesHarmless) {
  const Road& road = GetParam();
  run_.WriteSettings(Hosts());
  QtDriver driver;
  QtWindowSystem& qt = driver.Qt();
  WindowHandle main = 0;
  bool pressedDuringTheLoad = false;
  bool readerGone = false;
  bool mainVisible = false;
  int selection = -1;
  QString caption;
  std::string chapterText;
  auto start = [&](WindowSystem& system) {
    main = ui::CreateMainWindow(system);
    driver.Select(main, main_window::kSiteDropDown, road.index);
    driver.Type(main, main_window::kNovelIdBox, road.book);
    driver.Click(main, main_window::kFetchButton);
    driver.ThenSettled();
    driver.Select(main, main_window::kChapterDropDown, 1);
    driver.Click(main, main_window::kReadButton);
    driver.Then();  // the first step inside the chapter's download
    driver.Do([&] {
      const WindowHandle reader = ReaderWindow(qt, main);
      pressedDuringTheLoad = reader != 0 && qt.Title(reader).empty();
    });
    driver.ClickInModal(reader_window::kCatalogueButton);
    driver.ThenSettled();
    driver.Do([&] {
      readerGone = ReaderWindow(qt, main) == 0;
      mainVisible = qt.WindowWidget(main)->isVisible();
      selection = Control<QComboBox>(qt, main, main_window::kChapterDropDown)->currentIndex();
      caption = Control<QGroupBox>(qt, main, main_window::kReadGroup)->title();
      chapterText = core::TheReaderState().chapterText;
    });
    QueueTheEnd(driver, main);
    return main;
  };
  driver.AnswerNextBox(kAnswerOk);  // "请耐心等待..."
  driver.AnswerNextBox(kAnswerOk);  // "已获取…"
  EXPECT_EQ(core::RunProgram(qt, start), 0);

  EXPECT_TRUE(pressedDuringTheLoad);
  EXPECT_TRUE(readerGone);
  EXPECT_TRUE(mainVisible);
  EXPECT_EQ(selection, 1);
  EXPECT_EQ(caption, Utf8(ShownBookTitle(road.site, road.book)));
  EXPECT_EQ(chapterText, ExpectedText(road.site, road.book, 2));
  EXPECT_EQ(driver.Boxes().size(), 2u);
}

// A second "获取章节" for another book while the first download waits, and "下一章"
// while the first chapter downloads: each runs whole inside the one in progress, which
// then finishes with its own page.
TEST_P(RunProgram, PressesDuringADownloadRunWholeInsideItAndTheOuterOneFinishesLast) {
  const Road& road = GetParam();
  const std::string_view other =
      road.site == Site::kA ? fixtures::kA97Chapters : fixtures::kB97Chapters;
  run_.WriteSettings(Hosts());
  QtDriver driver;
  QtWindowSystem& qt = driver.Qt();
  WindowHandle main = 0;
  bool fetchedDuringTheDownload = false;
  QStringList items;
  QString caption;
  bool pressedDuringTheLoad = false;
  std::pair<QString, QString> shown;
  std::string chapterText;
  auto start = [&](WindowSystem& system) {
    main = ui::CreateMainWindow(system);
    driver.Select(main, main_window::kSiteDropDown, road.index);
    driver.Type(main, main_window::kNovelIdBox, road.book);
    driver.Click(main, main_window::kFetchButton);
    driver.Then();  // inside the first download
    driver.Do([&] { fetchedDuringTheDownload = driver.Boxes().empty(); });
    driver.Type(main, main_window::kNovelIdBox, std::string(road.book.size(), '\b') + other.data());
    driver.Click(main, main_window::kFetchButton);
    driver.ThenSettled();
    driver.Do([&] {
      auto* chapters = Control<QComboBox>(qt, main, main_window::kChapterDropDown);
      for (int i = 0; i < chapters->count(); ++i) items << chapters->itemText(i);
      caption = Control<QGroupBox>(qt, main, main_window::kReadGroup)->title();
    });

    driver.Select(main, main_window::kChapterDropDown, 0);
    driver.Click(main, main_window::kReadButton);
    driver.Then();  // inside the first chapter's download
    driver.Do([&] {
      const WindowHandle reader = ReaderWindow(qt, main);
      pressedDuringTheLoad = reader != 0 && qt.Title(reader).empty();
    });
    driver.ClickInModal(reader_window::kNextButton);
    driver.ThenSettled();
    driver.Do([&] {
      const WindowHandle reader = ReaderWindow(qt, main);
      auto* text = Control<QPlainTextEdit>(qt, reader, reader_window::kTextBox);
      if (text != nullptr) shown = {qt.WindowWidget(reader)->windowTitle(), text->toPlainText()};
      chapterText = core::TheReaderState().chapterText;
    });
    driver.ClickInModal(reader_window::kCatalogueButton);
    QueueTheEnd(driver, main);
    return main;
  };
  for (int i = 0; i < 4; ++i) driver.AnswerNextBox(kAnswerOk);  // both fetches' notices
  EXPECT_EQ(core::RunProgram(qt, start), 0);

  EXPECT_TRUE(fetchedDuringTheDownload);
  QStringList titles;
  for (int n = 1; n <= 3; ++n)
    titles << Utf8(WithoutSpaces(fixtures::ChapterTitle(road.site, road.book, n)));
  EXPECT_EQ(items, titles);
  EXPECT_EQ(caption, Utf8(ShownBookTitle(road.site, road.book)));
  // The inner fetch's notices come first, each fetch's own wait before its result.
  std::vector<std::string> texts;
  for (const SeenBox& box : driver.Boxes()) texts.push_back(box.text);
  const std::vector<std::string> expected = {
      kPleaseWait, kFetched + Gbk(ShownBookTitle(road.site, other)), kPleaseWait,
      kFetched + Gbk(ShownBookTitle(road.site, road.book))};
  EXPECT_EQ(texts, expected);

  EXPECT_TRUE(pressedDuringTheLoad);
  EXPECT_EQ(shown,
            std::pair(titles[1], Utf8(Joined(ExpectedLines(road.site, road.book, 1), "\n"))));
  EXPECT_EQ(chapterText, ExpectedText(road.site, road.book, 1));
}

INSTANTIATE_TEST_SUITE_P(BothSites, RunProgram,
                         ::testing::Values(Road{"A", Site::kA, 0, fixtures::kA3Chapters, 1},
                                           Road{"B", Site::kB, 1, fixtures::kB3Chapters, {}}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace velnora::program_testing
