// The whole job against velnora-fixture-sites, both sites: a catalogue into the chapter
// drop-down, a chapter into the reader, stepping and the way back, the books with odd
// layouts and the downloads that fail. Fixed texts are compared with bytes from Python's
// gbk codec; the books' own texts come from the fixture's generator, converted by the
// code-page layer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/program/headless_program.h"
#include "tools/fixture_sites/fixture_sites.h"

namespace velnora::program_testing {
namespace {

using fixtures::Site;

class FixtureRoad : public ::testing::TestWithParam<Site> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sites_.Started());
    program_ = std::make_unique<HeadlessProgram>(sites_.Host(Site::kA), sites_.Host(Site::kB));
  }
  [[nodiscard]] int SiteIndex() const { return GetParam() == Site::kA ? 0 : 1; }

  fixtures::FixtureSites sites_;
  std::unique_ptr<HeadlessProgram> program_;
};

TEST_P(FixtureRoad, CatalogueThenChaptersThenBackOnTheLastRead) {
  const Site site = GetParam();
  const std::string book(site == Site::kA ? fixtures::kA3Chapters : fixtures::kB3Chapters);
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(SiteIndex(), book);

  // Site A keeps the book title's spaces, site B drops them; chapter titles lose theirs.
  const std::string title = Gbk(ShownBookTitle(site, book));
  std::vector<std::string> titles;
  for (int n = 1; n <= 3; ++n)
    titles.push_back(Gbk(WithoutSpaces(fixtures::ChapterTitle(site, book, n))));
  EXPECT_EQ(p.ChapterTitles(), titles);
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 0);
  EXPECT_EQ(p.system.Progress(p.main, main_window::kProgressBar), 100);
  EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), title);
  ASSERT_EQ(p.system.Boxes().size(), 2u);
  const MessageBoxRecord& wait = p.system.Boxes()[0];
  EXPECT_EQ(wait.text, kPleaseWait);
  EXPECT_EQ(wait.caption, kWaiting);
  EXPECT_EQ(wait.style, 32u);
  EXPECT_EQ(wait.timeoutMs, 1000u);
  EXPECT_EQ(wait.owner, p.main);
  const MessageBoxRecord& result = p.system.Boxes()[1];
  EXPECT_EQ(result.text, kFetched + title);
  EXPECT_EQ(result.caption, kReminder);
  EXPECT_EQ(result.style, 0u);
  EXPECT_EQ(result.timeoutMs, 5000u);
  EXPECT_EQ(core::TheReaderState().baseUrl, sites_.BaseUrl(site));

  // "阅读" on item 1, "下一章", "上一章" with a look at each chapter, then "目录".
  std::vector<std::pair<std::string, std::string>> shown;
  auto look = [&] {
    p.system.NextSettledPoint();
    p.system.QueueAction([&] {
      const WindowHandle reader = p.ReaderWindow();
      shown.emplace_back(p.system.Title(reader),
                         p.system.EditText(reader, reader_window::kTextBox));
    });
  };
  p.system.QueueSelect(p.main, main_window::kChapterDropDown, 1);
  p.system.QueueClick(p.main, main_window::kReadButton);
  look();
  p.system.QueueClickInModal(reader_window::kNextButton);
  look();
  p.system.QueueClickInModal(reader_window::kPreviousButton);
  look();
  p.system.QueueClickInModal(reader_window::kNextButton);
  p.system.NextSettledPoint();
  p.system.QueueClickInModal(reader_window::kCatalogueButton);
  p.Run();

  const std::vector<std::pair<std::string, std::string>> expected = {
      {titles[1], ExpectedText(site, book, 2)},
      {titles[2], ExpectedText(site, book, 3)},
      {titles[1], ExpectedText(site, book, 2)}};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(p.system.IsVisible(p.main));
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 2);
  EXPECT_EQ(core::TheReaderState().chapterText, ExpectedText(site, book, 3));
}

TEST_P(FixtureRoad, BooksWithOddLayoutsKeepTheirRules) {
  const Site site = GetParam();
  const bool a = site == Site::kA;
  HeadlessProgram& p = *program_;
  struct Row {
    std::string_view book;
    int listed;
    int progress;
    bool titled;
  };
  std::vector<Row> rows = {
      {a ? fixtures::kADashed : fixtures::kBDashed, 3, 100, true},
      {a ? fixtures::kA97Chapters : fixtures::kB97Chapters, 97, 99, true},
      {a ? fixtures::kAUntitled : fixtures::kBUntitled, 3, 100, false},
      {fixtures::kMissingBook, 0, 100, false},  // the bar keeps the last value
  };
  if (!a) rows.push_back({fixtures::kBDeclaresUtf8, 3, 100, true});
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.book));
    p.system.SetCaption(p.main, main_window::kReadGroup, "before");
    p.FetchCatalogue(SiteIndex(), row.book);
    const std::vector<std::string> listed = p.ChapterTitles();
    ASSERT_EQ(static_cast<int>(listed.size()), row.listed);
    if (row.listed > 0) {
      EXPECT_EQ(listed.back(),
                Gbk(WithoutSpaces(fixtures::ChapterTitle(site, row.book, row.listed))));
    }
    EXPECT_EQ(p.system.Progress(p.main, main_window::kProgressBar), row.progress);
    const std::string title = Gbk(ShownBookTitle(site, row.book));
    EXPECT_EQ(p.system.Boxes().back().text, row.titled ? kFetched + title : kNoSuchBook);
    EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), row.titled ? title : "before");
  }
}

INSTANTIATE_TEST_SUITE_P(BothSites, FixtureRoad, ::testing::Values(Site::kA, Site::kB),
                         [](const auto& row) { return row.param == Site::kA ? "A" : "B"; });

class FixtureFailures : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sites_.Started()); }
  fixtures::FixtureSites sites_;
};

const std::string k711 = Hex("37 31 31 20 B7 A2 CB CD C7 EB C7 F3 CA A7 B0 DC 21");
const std::string k712 = Hex("37 31 32 20 B7 FE CE F1 C6 F7 CE B4 CF EC D3 A6 21");
const std::string k713 = Hex("37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21");

TEST_F(FixtureFailures, AFailedCatalogueDownloadSaysWhyAndEmptiesTheList) {
  HeadlessProgram p(sites_.Host(Site::kA), sites_.Host(Site::kB));
  struct Row {
    std::string_view book;
    std::string message;
  };
  const Row rows[] = {
      {fixtures::kBResetCatalogue, k713},
      {fixtures::kBMalformedCatalogue, k712},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.book));
    p.FetchCatalogue(1, fixtures::kB3Chapters);  // something to lose first
    ASSERT_EQ(p.ChapterTitles().size(), 3u);
    p.FetchCatalogue(1, row.book);
    EXPECT_EQ(p.system.Boxes().back().text, kFetchFailed + row.message);
    EXPECT_EQ(p.system.Boxes().back().caption, kReminder);
    EXPECT_EQ(p.system.Boxes().back().timeoutMs, 5000u);
    EXPECT_EQ(p.system.Boxes()[p.system.Boxes().size() - 2].text, kPleaseWait);
    EXPECT_TRUE(p.ChapterTitles().empty());
    EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), 0);
  }
}

// The site accepts and says nothing: the request gives up at its time-out (30 s, as the
// scraper leaves it), and the program keeps handling events while it waits.
TEST_F(FixtureFailures, ASilentSiteEndsInItsTimeOutWhileEventsGoOn) {
  HeadlessProgram p(sites_.Host(Site::kA), sites_.Host(Site::kB));
  p.system.QueueSelect(p.main, main_window::kSiteDropDown, 1);
  p.system.QueueTyping(p.main, main_window::kNovelIdBox, fixtures::kBSilentCatalogue);
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.system.NextPoint();  // during the wait
  bool ranDuringTheWait = false;
  p.system.QueueAction([&] { ranDuringTheWait = p.system.Boxes().empty(); });
  p.Run();
  EXPECT_TRUE(ranDuringTheWait);
  EXPECT_EQ(p.system.Boxes().back().text, kFetchFailed + k712);
}

TEST_F(FixtureFailures, ARefusedConnectionIsAFailureToo) {
  int closedPort = 0;
  {
    const fixtures::FixtureSites gone;
    closedPort = gone.Port(Site::kA);
  }
  HeadlessProgram p("127.0.0.1:" + std::to_string(closedPort), sites_.Host(Site::kB));
  p.FetchCatalogue(0, "1");
  EXPECT_EQ(p.system.Boxes().back().text, kFetchFailed + k711);
}

TEST_F(FixtureFailures, AFailedChapterDownloadSaysSoUnderItsCaption) {
  HeadlessProgram p(sites_.Host(Site::kA), sites_.Host(Site::kB));
  const std::string book(fixtures::kBFailingChapters);
  p.FetchCatalogue(1, book);
  ASSERT_EQ(p.ChapterTitles().size(), 4u);
  struct Row {
    int chapter;
    std::string text;
  };
  const Row rows[] = {
      {1, ExpectedText(Site::kB, book, 1)},
      {fixtures::kResetChapter, kLoadFailed + k713},
      {fixtures::kMalformedChapter, kLoadFailed + k712},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chapter);
    std::string title;
    std::string text;
    p.system.QueueSelect(p.main, main_window::kChapterDropDown, row.chapter - 1);
    p.system.QueueClick(p.main, main_window::kReadButton);
    p.system.NextSettledPoint();
    p.system.QueueAction([&] {
      title = p.system.Title(p.ReaderWindow());
      text = p.system.EditText(p.ReaderWindow(), reader_window::kTextBox);
    });
    p.system.QueueClickInModal(reader_window::kCatalogueButton);
    p.Run();
    EXPECT_EQ(title, Gbk(WithoutSpaces(fixtures::ChapterTitle(Site::kB, book, row.chapter))));
    EXPECT_EQ(text, row.text);
    EXPECT_EQ(core::TheReaderState().chapterText, row.text);
  }
}

}  // namespace
}  // namespace velnora::program_testing
