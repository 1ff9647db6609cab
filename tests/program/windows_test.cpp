// The two windows' handlers as a user drives them: the remembered site, "阅读" and the
// way back, stepping through the chapters, and the nested and late cases.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/startup.h"
#include "tests/program/headless_program.h"
#include "ui/main_window.h"

namespace velnora::program_testing {
namespace {

// A site A catalogue of `count` chapters "/c/N", each page's text "chapter N"; the
// server records the chapter paths asked for.
class Reading : public ::testing::Test {
 protected:
  void SetUp() override { Start(4); }

  void Start(int count, std::string_view storedSite = {}) {
    program_.reset();
    pages_.clear();
    std::string catalogue = std::string("<dl><dt>《书》正文</dt>\n"_gbk);
    for (int i = 1; i <= count; ++i) {
      const std::string n = std::to_string(i);
      catalogue += "<dd> <a href=\"/c/" + n + "\">T" + n + "</a></dd>\n";
      pages_["/c/" + n] = "<div id=\"content\">chapter " + n + "</div>";
    }
    pages_["/book/1/"] = catalogue + "</dl></div>";
    pages_["/book/2/"] = std::string("<dl><dt>《短》正文</dt>\n"_gbk) +
                         "<dd> <a href=\"/c/1\">T1</a></dd>\n" +
                         "</dl></div>";
    pages_["/book/3/"] = std::string("<dl><dt>《一》正文</dt><dd>x</dl></div>"_gbk);
    server_ = std::make_unique<LocalHttpServer>(
        [this](httplib::Server& server) {
          server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            {
              const std::lock_guard lock(mutex_);
              if (request.path.starts_with("/c/")) asked_.push_back(request.path);
            }
            const auto page = pages_.find(request.path);
            if (page == pages_.end()) {
              response.status = 404;
              return;
            }
            response.set_content(page->second, "text/html");
          });
        },
        LocalHttpServer::Scheme::kHttps);
    ASSERT_TRUE(server_->Started());
    program_ = std::make_unique<HeadlessProgram>(HostOf(*server_), HostOf(*server_), storedSite);
  }

  std::vector<std::string> Asked() {
    const std::lock_guard lock(mutex_);
    return asked_;
  }

  // What the reader window showed after the last step, while it was still open.
  struct Shown {
    bool open = false;
    std::string title;
    std::string text;
    bool captionBar = false;
    bool mainVisible = true;
  };

  // Opens the reader on drop-down item `item` (-1: keep the drop-down as it is) and
  // presses `buttons`, each once the previous load has finished; then takes what the
  // reader shows. Unless the last button was "目录", the reader is left to the system,
  // which closes it when nothing is left to do.
  Shown Read(int item, const std::vector<std::string_view>& buttons) {
    HeadlessProgram& p = *program_;
    if (item >= 0) p.system.QueueSelect(p.main, main_window::kChapterDropDown, item);
    p.system.QueueClick(p.main, main_window::kReadButton);
    for (std::string_view button : buttons) {
      p.system.NextSettledPoint();
      p.system.QueueClickInModal(button);
    }
    Shown shown;
    p.system.NextSettledPoint();
    p.system.QueueAction([&] {
      const WindowHandle reader = p.ReaderWindow();
      shown = {.open = reader != 0,
               .title = p.system.Title(reader),
               .text = p.system.EditText(reader, reader_window::kTextBox),
               .captionBar = p.system.HasCaptionBar(reader),
               .mainVisible = p.system.IsVisible(p.main)};
    });
    p.Run();
    return shown;
  }

  // The boxes from `from` on, without the times they appeared.
  std::vector<MessageBoxRecord> BoxesFrom(std::size_t from) const {
    const auto& all = program_->system.Boxes();
    std::vector<MessageBoxRecord> boxes(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    for (MessageBoxRecord& box : boxes) box.shownAt = 0;
    return boxes;
  }

  std::mutex mutex_;
  std::vector<std::string> asked_;
  Pages pages_;
  std::unique_ptr<LocalHttpServer> server_;
  std::unique_ptr<HeadlessProgram> program_;
};

TEST_F(Reading, TheStoredSiteSelectsTheDropDownByItsRule) {
  struct Row {
    const char* stored;
    int selection;
  };
  const Row rows[] = {{"", 0}, {"1", 1}, {"7", 1}, {"abc", 0}, {"-1", -1}, {"-5", -1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    // An empty value is stored as the key with nothing after "=".
    Start(4, row.stored[0] == '\0' ? std::string_view(" ") : std::string_view(row.stored));
    EXPECT_EQ(program_->system.Selection(program_->main, main_window::kSiteDropDown),
              row.selection);
  }
  // No file at all.
  program_.reset();
  program_ = std::make_unique<HeadlessProgram>("h", "h");
  EXPECT_EQ(program_->system.Selection(program_->main, main_window::kSiteDropDown), 0);
}

TEST_F(Reading, SavingTheSiteWritesItsNumberAndTheNextStartSelectsIt) {
  HeadlessProgram& p = *program_;
  p.system.QueueSelect(p.main, main_window::kSiteDropDown, 1);
  p.system.QueueClick(p.main, main_window::kSaveButton);
  p.Run();
  const std::vector<MessageBoxRecord> expected = {{.text = kSaved,
                                                   .caption = kReminder,
                                                   .style = 64,
                                                   .owner = p.main,
                                                   .timeoutMs = 2000,
                                                   .result = platform::window::kAnswerTimedOut}};
  EXPECT_EQ(BoxesFrom(0), expected);
  // 小说网站选项 / 小说网站=1 after the host section the test wrote.
  EXPECT_NE(p.SettingsBytes().find(Hex("5B D0 A1 CB B5 CD F8 D5 BE D1 A1 CF EE 5D 0D 0A D0 A1 CB "
                                       "B5 CD F8 D5 BE 3D 31 0D 0A")),
            std::string::npos);
  // A second start in the same run directory.
  const std::string settings = p.SettingsBytes();
  HeadlessWindowSystem second;
  const platform::window::ActiveWindowSystemScope active(&second);
  const WindowHandle again = ui::CreateMainWindow(second);
  EXPECT_EQ(second.Selection(again, main_window::kSiteDropDown), 1);
  EXPECT_EQ(p.SettingsBytes(), settings);
}

TEST_F(Reading, ReadingWithoutAUsableCatalogueAsksForOne) {
  HeadlessProgram& p = *program_;
  const MessageBoxRecord expected = {.text = kNoCatalogue, .caption = kInformation, .result = 1};
  p.system.QueueClick(p.main, main_window::kReadButton);  // before any catalogue
  p.Run();
  EXPECT_EQ(BoxesFrom(0), std::vector<MessageBoxRecord>{expected});
  EXPECT_EQ(core::TheReaderState().lastNumber, -1);
  p.FetchCatalogue(0, "3");  // a block of one piece
  p.system.QueueClick(p.main, main_window::kReadButton);
  p.Run();
  EXPECT_EQ(BoxesFrom(p.system.Boxes().size() - 1), std::vector<MessageBoxRecord>{expected});
  EXPECT_EQ(core::TheReaderState().lastNumber, 0);
  EXPECT_TRUE(p.system.IsVisible(p.main));
  EXPECT_TRUE(Asked().empty());
}

TEST_F(Reading, StepsLoadTheirChaptersAndTheCatalogueComesBackOnTheLastOne) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  const Shown shown = Read(
      0, {reader_window::kNextButton, reader_window::kNextButton, reader_window::kPreviousButton,
          reader_window::kNextButton, reader_window::kNextButton});
  EXPECT_TRUE(shown.open);
  EXPECT_FALSE(shown.mainVisible);
  EXPECT_EQ(shown.text, "chapter 4");
  EXPECT_EQ(shown.title, "T4");
  EXPECT_TRUE(shown.captionBar);
  const std::vector<std::string> asked = {"/c/1", "/c/2", "/c/3", "/c/2", "/c/3", "/c/4"};
  EXPECT_EQ(Asked(), asked);
  // "阅读" on item 0, "下一章" three times, "目录": item 3 comes back.
  Read(0, {reader_window::kNextButton, reader_window::kNextButton, reader_window::kNextButton,
           reader_window::kCatalogueButton});
  EXPECT_TRUE(p.system.IsVisible(p.main));
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 3);
  EXPECT_EQ(core::TheReaderState().chosenIndex, 4);
  // "目录" at once comes back on the item read.
  Read(2, {reader_window::kCatalogueButton});
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 2);
}

TEST_F(Reading, TheEndsOfTheListSayWhereTheyAreAndStayPut) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  const std::size_t before = p.system.Boxes().size();
  const Shown last = Read(3, {reader_window::kNextButton});
  EXPECT_EQ(core::TheReaderState().position, 4);
  EXPECT_EQ(last.text, "chapter 4");
  const Shown first = Read(0, {reader_window::kPreviousButton});
  EXPECT_EQ(core::TheReaderState().position, 1);
  EXPECT_EQ(first.text, "chapter 1");
  // The reader's notices are plain boxes: default caption, OK only, no owner, no time-out.
  const std::vector<MessageBoxRecord> expected = {
      {.text = kAtLast, .caption = kInformation, .result = 1},
      {.text = kAtFirst, .caption = kInformation, .result = 1}};
  EXPECT_EQ(BoxesFrom(before), expected);
  const std::vector<std::string> asked = {"/c/4", "/c/1"};
  EXPECT_EQ(Asked(), asked);
}

TEST_F(Reading, NoChapterSelectedSaysSoAndStepsFromThePreviousPosition) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  p.system.QueueAction([&] { p.system.SetSelection(p.main, main_window::kChapterDropDown, -1); });
  const Shown shown = Read(-1, {reader_window::kNextButton});
  EXPECT_EQ(
      BoxesFrom(p.system.Boxes().size() - 1),
      (std::vector<MessageBoxRecord>{{.text = kError, .caption = kInformation, .result = 1}}));
  // The empty entry asked for the site's home page (a 404 here); then chapter 1.
  EXPECT_EQ(Asked(), std::vector<std::string>{"/c/1"});
  EXPECT_EQ(shown.text, "chapter 1");
}

// A position left from a longer catalogue reaches past the new list: the entry read there
// is the empty text instead of memory the list does not own.
TEST_F(Reading, APositionBeyondANewerShorterListReadsTheEmptyEntry) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  Read(3, {reader_window::kCatalogueButton});  // position 4 of 4
  p.FetchCatalogue(0, "2");                    // one chapter now, two pieces
  p.system.QueueAction([&] { p.system.SetSelection(p.main, main_window::kChapterDropDown, -1); });
  // "出错" reloads the old entry; "上一章" then goes to position 3 of a two-piece list.
  const Shown shown = Read(-1, {reader_window::kPreviousButton});
  EXPECT_EQ(core::TheReaderState().position, 3);
  EXPECT_EQ(core::TheReaderState().currentEntry, "");
  EXPECT_EQ(shown.title, "");
  EXPECT_FALSE(shown.captionBar);
  EXPECT_EQ(Asked(), (std::vector<std::string>{"/c/4", "/c/4"}));
}

TEST_F(Reading, ANextPressDuringALoadShowsItsCaptionOverTheOuterText) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  p.system.QueueSelect(p.main, main_window::kChapterDropDown, 0);
  p.system.QueueClick(p.main, main_window::kReadButton);
  p.system.NextPoint();  // inside the first load's download
  p.system.QueueClickInModal(reader_window::kNextButton);
  const Shown shown = Read(-1, {});
  EXPECT_EQ(Asked(), (std::vector<std::string>{"/c/1", "/c/2"}));
  EXPECT_EQ(shown.title, "T2");
  EXPECT_EQ(shown.text, "chapter 1");
  EXPECT_EQ(core::TheReaderState().chapterText, "chapter 1");
  EXPECT_EQ(core::TheReaderState().position, 2);
}

TEST_F(Reading, BackToTheCatalogueDuringALoadLeavesTheLateWritesHarmless) {
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  p.system.QueueSelect(p.main, main_window::kChapterDropDown, 2);
  p.system.QueueClick(p.main, main_window::kReadButton);
  p.system.NextPoint();  // inside the load's download
  p.system.QueueClickInModal(reader_window::kCatalogueButton);
  p.Run();
  // The main window came back while the load was still waiting; the load then finished
  // into the closed window and stored its text, nothing else.
  EXPECT_TRUE(p.system.IsVisible(p.main));
  EXPECT_EQ(p.ReaderWindow(), 0u);
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 2);
  EXPECT_EQ(core::TheReaderState().chapterText, "chapter 3");
  EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), Hex("CA E9"));  // 书
}

TEST_F(Reading, ClosingTheProgramWithTheReaderOpenReleasesTheStateOnce) {
  program_.reset();
  HeadlessWindowSystem system;
  std::string settings = std::string("[小说网站地址]\r\n笔趣阁="_gbk) + HostOf(*server_) + "\r\n";
  const auto dir = std::filesystem::temp_directory_path() / "velnora-close-test";
  std::filesystem::create_directories(dir);
  core::SetRunDirectoryForTesting(dir.string());
  std::ofstream(dir / "\xe9\x85\x8d\xe7\xbd\xae.ini", std::ios::binary) << settings;
  auto start = [&](platform::window::WindowSystem& windows) {
    const WindowHandle main = ui::CreateMainWindow(windows);
    system.QueueAction(
        [&system, main] { system.SetEditText(main, main_window::kNovelIdBox, "1"); });
    system.QueueClick(main, main_window::kFetchButton);
    system.NextSettledPoint();
    system.QueueClick(main, main_window::kReadButton);
    system.NextSettledPoint();
    system.QueueAction([&system, main] {
      EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), 5);
      system.CloseWindow(main);  // the system ends the program under the reader
    });
    return main;
  };
  EXPECT_EQ(core::RunProgram(system, start), 0);
  EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), 0);
  EXPECT_EQ(core::TheReaderState().chapterText, "");
  core::SetRunDirectoryForTesting(std::nullopt);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velnora::program_testing
