// The catalogue road through the real main window: a press of "获取章节" against local
// sites, with every notice checked as code-page-936 bytes from an outside codec.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "tests/program/headless_program.h"
#include "tests/support/local_servers.h"

namespace velnora::program_testing {
namespace {

using testing::RawServer;
using testing::RawStep;

constexpr unsigned kQuestion = 32;

// A site A catalogue page (code page 936) around the given chapter list.
std::string SiteAPage(std::string_view title, std::string_view entries) {
  return std::string("<html><head><title>x</title></head><body><div class=\"box\"><dl><dt>《"_gbk) +
         std::string(title) + std::string("》正文</dt>\n"_gbk) + std::string(entries) +
         "</dl></div><div id=\"footer\">f</div></body></html>";
}

std::string SiteAEntries(int count) {
  std::string entries;
  for (int i = 1; i <= count; ++i) {
    entries += "<dd> <a href=\"/book/1/" + std::to_string(i) + ".html\">C" + std::to_string(i) +
               "</a></dd>\n";
  }
  return entries;
}

// A site B catalogue page in UTF-8; `head` goes into the page's head.
std::string SiteBPage(std::string_view title, std::string_view entries,
                      std::string_view head = "") {
  return "<html><head>" + std::string(head) + "<title>x</title></head><body><h1>" +
         std::string(title) + "</h1><h2>章节目录</h2><div><ul class=\"dirlist clearfix\">\n" +
         std::string(entries) + "</ul></div><div class=\"seofooter\">s</div></body></html>";
}

std::vector<std::string> Titles(int count) {
  std::vector<std::string> titles;
  for (int i = 1; i <= count; ++i) titles.push_back("C" + std::to_string(i));
  return titles;
}

MessageBoxRecord WaitNotice(WindowHandle owner, std::uint32_t shownAt) {
  return {.text = kPleaseWait,
          .caption = kWaiting,
          .style = kQuestion,
          .owner = owner,
          .timeoutMs = 1000,
          .result = platform::window::kAnswerTimedOut,
          .shownAt = shownAt};
}

class Catalogue : public ::testing::Test {
 protected:
  void Serve(Pages a, Pages b) {
    siteA_ = ServePages(std::move(a), LocalHttpServer::Scheme::kHttps);
    siteB_ = ServePages(std::move(b), LocalHttpServer::Scheme::kHttp);
    ASSERT_TRUE(siteA_->Started() && siteB_->Started());
    program_ = std::make_unique<HeadlessProgram>(HostOf(*siteA_), HostOf(*siteB_));
  }
  // The boxes shown, without the time each appeared.
  std::vector<MessageBoxRecord> Boxes() const {
    std::vector<MessageBoxRecord> boxes = program_->system.Boxes();
    for (MessageBoxRecord& box : boxes) box.shownAt = 0;
    return boxes;
  }
  MessageBoxRecord Result(std::string text) const {
    return {.text = std::move(text),
            .caption = kReminder,
            .style = 0,
            .owner = program_->main,
            .timeoutMs = 5000,
            .result = platform::window::kAnswerTimedOut};
  }

  std::unique_ptr<LocalHttpServer> siteA_;
  std::unique_ptr<LocalHttpServer> siteB_;
  std::unique_ptr<HeadlessProgram> program_;
};

TEST_F(Catalogue, SiteAListsEveryEntryButTheLastPieceAndReportsTheTitle) {
  const std::string title(std::string_view("书 名"_gbk));  // site A keeps the title's spaces
  Serve({{"/book/12-3/", SiteAPage(title, SiteAEntries(3))}}, {});
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "12-3");

  EXPECT_EQ(p.ChapterTitles(), Titles(3));
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 0);
  EXPECT_EQ(p.system.Progress(p.main, main_window::kProgressBar), 100);
  EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), Hex("CA E9 20 C3 FB"));
  const std::vector<MessageBoxRecord> expected = {WaitNotice(p.main, 0),
                                                  Result(kFetched + Hex("CA E9 20 C3 FB"))};
  EXPECT_EQ(Boxes(), expected);
  const core::ReaderState& state = core::TheReaderState();
  EXPECT_EQ(state.siteIndex, 0);
  EXPECT_EQ(state.baseUrl, "https://" + HostOf(*siteA_));
  ASSERT_EQ(state.chapterEntries.Count(), 4);
  EXPECT_EQ(state.chapterEntries.Item(1), "\n<dd><ahref=\"/book/1/1.html\">C1</a>");
  EXPECT_EQ(state.chapterEntries.Item(4), "\n");
}

TEST_F(Catalogue, SiteBConvertsFromUtf8AndDropsSpacesFromTitles) {
  const std::string entries =
      "<li><a href=\"/book/7/1.html\">第1章 开始</a></li>\n"
      "<li><a href=\"/book/7/2.html\">第2章\u3000继续</a></li>\n";
  Serve({}, {{"/book/7/", SiteBPage("星辰 之书", entries)},
             {"/book/8/", SiteBPage("星辰 之书", entries, "<meta charset=\"utf-8\">")}});
  HeadlessProgram& p = *program_;
  // The second page declares its charset, so the response decoding converts it: the
  // adapter must not convert it a second time.
  for (const char* id : {"7", "8"}) {
    SCOPED_TRACE(id);
    p.FetchCatalogue(1, id);
    const std::vector<std::string> expected = {Hex("B5 DA 31 D5 C2 BF AA CA BC"),   // 第1章开始
                                               Hex("B5 DA 32 D5 C2 BC CC D0 F8")};  // 第2章继续
    EXPECT_EQ(p.ChapterTitles(), expected);
    EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup),
              Hex("D0 C7 B3 BD D6 AE CA E9"));  // 星辰之书
    EXPECT_EQ(core::TheReaderState().baseUrl, "http://" + HostOf(*siteB_));
  }
}

TEST_F(Catalogue, EmptyIdAsksForOneAndSendsNothingButSwitchesTheSite) {
  std::atomic<int> requests = 0;
  siteB_ = std::make_unique<LocalHttpServer>([&](httplib::Server& server) {
    server.Get(".*", [&](const httplib::Request&, httplib::Response&) { ++requests; });
  });
  siteA_ = ServePages({}, LocalHttpServer::Scheme::kHttps);
  program_ = std::make_unique<HeadlessProgram>(HostOf(*siteA_), HostOf(*siteB_));
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(1, "");
  const std::vector<MessageBoxRecord> expected = {
      {.text = kEmptyId, .caption = kMustNotBeEmpty, .style = 5, .result = 4}};
  EXPECT_EQ(Boxes(), expected);
  EXPECT_EQ(requests, 0);
  EXPECT_EQ(core::TheReaderState().siteIndex, 1);
  EXPECT_EQ(core::TheReaderState().baseUrl, "http://" + HostOf(*siteB_));
}

TEST_F(Catalogue, NoSiteSelectedDoesNothingButRecordMinusOne) {
  Serve({}, {});
  HeadlessProgram& p = *program_;
  p.system.QueueAction([&] { p.system.SetSelection(p.main, main_window::kSiteDropDown, -1); });
  p.system.QueueTyping(p.main, main_window::kNovelIdBox, "1");
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.Run();
  EXPECT_TRUE(p.system.Boxes().empty());
  EXPECT_EQ(core::TheReaderState().siteIndex, -1);
  EXPECT_EQ(core::TheReaderState().baseUrl, "");
}

TEST_F(Catalogue, TheSplitDecidesWhatIsListedAndTheTitleDecidesTheNotice) {
  struct Row {
    const char* name;
    std::string page;
    std::vector<std::string> titles;
    int pieces;
    int progress;  // the bar starts at 0 for each row
    bool titled;
  };
  const std::string title = "T";
  const Row rows[] = {
      {"block ending on the separator",
       SiteAPage(title, "<dd><a href=\"/1\">A</a></dd><dd><a href=\"/2\">B</a></dd>"),
       {"A"},
       2,
       100,
       true},
      {"no separator", SiteAPage(title, "<dd><a href=\"/1\">A</a>"), {}, 1, 0, true},
      {"empty block", std::string("<dl><dt>《T》正文</dt></dl></div>"_gbk), {}, 0, 0, true},
      {"97 entries end at 99", SiteAPage(title, SiteAEntries(97)), Titles(97), 98, 99, true},
      {"entries without the title markers",
       "<html><dl><dt>T</dt>\n" + SiteAEntries(2) + "</dl></div></html>", Titles(2), 3, 100, false},
      {"404 page", "", {}, 0, 0, false},
  };
  Pages pages;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (!rows[i].page.empty()) pages["/book/" + std::to_string(i) + "/"] = rows[i].page;
  }
  Serve(pages, {});
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    HeadlessProgram& p = *program_;
    p.system.SetProgress(p.main, main_window::kProgressBar, 0);
    p.system.SetCaption(p.main, main_window::kReadGroup, "before");
    p.FetchCatalogue(0, std::to_string(i));
    EXPECT_EQ(p.ChapterTitles(), row.titles);
    EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), row.pieces);
    EXPECT_EQ(p.system.Progress(p.main, main_window::kProgressBar), row.progress);
    EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown),
              row.titles.empty() ? -1 : 0);
    EXPECT_EQ(p.system.Boxes().back().text, row.titled ? kFetched + "T" : kNoSuchBook);
    EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), row.titled ? "T" : "before");
  }
}

TEST_F(Catalogue, PressingTwiceListsOneSetOfTitles) {
  Serve({{"/book/1/", SiteAPage("T", SiteAEntries(3))}}, {});
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(0, "1");
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.Run();
  EXPECT_EQ(p.ChapterTitles(), Titles(3));
  EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 0);
}

TEST_F(Catalogue, ASecondPressDuringTheDownloadRunsInsideAndTheFirstFinishesLast) {
  Serve({{"/book/1/", SiteAPage("One", SiteAEntries(3))},
         {"/book/2/", SiteAPage("Two", SiteAEntries(5))}},
        {});
  HeadlessProgram& p = *program_;
  p.system.QueueTyping(p.main, main_window::kNovelIdBox, "1");
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.system.NextPoint();  // runs while the first press waits for its page
  p.system.QueueAction([&] { p.system.SetEditText(p.main, main_window::kNovelIdBox, "2"); });
  p.system.QueueClick(p.main, main_window::kFetchButton);
  p.Run();
  std::vector<std::string> texts;
  for (const MessageBoxRecord& box : p.system.Boxes()) texts.push_back(box.text);
  const std::vector<std::string> expected = {kPleaseWait, kFetched + "Two", kPleaseWait,
                                             kFetched + "One"};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(p.ChapterTitles(), Titles(3));
  EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), 4);
  EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup), "One");
}

TEST_F(Catalogue, AFailedDownloadSaysSoInsteadOfReportingAMissingBook) {
  siteA_ = ServePages({}, LocalHttpServer::Scheme::kHttps);
  // Headers promise a body that the connection cuts short.
  RawServer reset([](const std::string&, int) {
    return std::vector<RawStep>{
        RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n<html>"), RawStep::Reset()};
  });
  program_ = std::make_unique<HeadlessProgram>(HostOf(*siteA_),
                                               "127.0.0.1:" + std::to_string(reset.Port()));
  HeadlessProgram& p = *program_;
  p.FetchCatalogue(1, "1");
  const std::vector<MessageBoxRecord> expected = {
      WaitNotice(p.main, 0),
      Result(kFetchFailed + Hex("37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21"))};  // 713
  EXPECT_EQ(Boxes(), expected);
  EXPECT_EQ(core::TheReaderState().chapterEntries.Count(), 0);
  EXPECT_EQ(p.system.ItemCount(p.main, main_window::kChapterDropDown), 0);
}

}  // namespace
}  // namespace velnora::program_testing
