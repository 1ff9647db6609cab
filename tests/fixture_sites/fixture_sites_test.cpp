#include "tools/fixture_sites/fixture_sites.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "web/web_request.h"

namespace velnora::fixtures {
namespace {

// Markers in code page 936, as hex from Python's gbk codec.
constexpr std::string_view kTitleStartA = "dt>\xA1\xB6";                 // dt>《
constexpr std::string_view kTitleEndA = "\xA1\xB7\xD5\xFD\xCE\xC4</dt";  // 》正文</dt

struct Fetched {
  web::WebRequestResult result;
  text::Text status;
  std::string bytes;
};

Fetched Fetch(const std::string& url, int timeoutSeconds = 0) {
  Fetched fetched;
  text::Bytes bytes;
  fetched.result = web::WebRequest({.url = url,
                                    .timeoutSeconds = timeoutSeconds,
                                    .statusText = &fetched.status,
                                    .responseBytes = &bytes});
  fetched.bytes.assign(bytes.begin(), bytes.end());
  return fetched;
}

// The text between the first `start` and the next `end`; empty when either is missing.
std::string Between(std::string_view text, std::string_view start, std::string_view end) {
  const std::size_t from = text.find(start);
  if (from == std::string_view::npos) return {};
  const std::size_t to = text.find(end, from + start.size());
  if (to == std::string_view::npos) return {};
  return std::string(text.substr(from + start.size(), to - from - start.size()));
}

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) joined.append(separator);
    joined.append(items[i]);
  }
  return joined;
}

const char* Name(Site site) {
  return site == Site::kA ? "site A" : "site B";
}

TEST(FixtureSites, ServesTheGeneratedBytes) {
  const FixtureSites sites;
  ASSERT_TRUE(sites.Started());
  struct Row {
    std::string name;
    Site site;
    std::string path;
    std::string expected;
    std::string_view status;
  };
  const std::vector<Row> rows = {
      {"A home", Site::kA, "/", HomePage(Site::kA), "200 OK"},
      {"A 3 chapters", Site::kA, "/book/1001/", CataloguePage(Site::kA, "1001"), "200 OK"},
      {"A dashed ID", Site::kA, "/book/12-3/", CataloguePage(Site::kA, "12-3"), "200 OK"},
      {"A 10000 chapters", Site::kA, "/book/1004/", CataloguePage(Site::kA, "1004"), "200 OK"},
      {"A long chapter", Site::kA, "/book/1001/2.html", ChapterPage(Site::kA, "1001", 2), "200 OK"},
      {"A last chapter", Site::kA, "/book/1002/97.html", ChapterPage(Site::kA, "1002", 97),
       "200 OK"},
      {"A missing book", Site::kA, "/book/9999/", NotFoundPage(Site::kA), "404 Not Found"},
      {"A chapter past the end", Site::kA, "/book/1001/4.html", NotFoundPage(Site::kA),
       "404 Not Found"},
      {"A chapter with a leading zero", Site::kA, "/book/1001/01.html", NotFoundPage(Site::kA),
       "404 Not Found"},
      {"B home", Site::kB, "/", HomePage(Site::kB), "200 OK"},
      {"B 3 chapters", Site::kB, "/book/2001/", CataloguePage(Site::kB, "2001"), "200 OK"},
      {"B dashed ID", Site::kB, "/book/20-3/", CataloguePage(Site::kB, "20-3"), "200 OK"},
      {"B 10000 chapters", Site::kB, "/book/2004/", CataloguePage(Site::kB, "2004"), "200 OK"},
      {"B declares UTF-8", Site::kB, "/book/2006/", CataloguePage(Site::kB, "2006"), "200 OK"},
      {"B chapter", Site::kB, "/book/2001/1.html", ChapterPage(Site::kB, "2001", 1), "200 OK"},
      {"B whole chapter of the failing book", Site::kB, "/book/2007/1.html",
       ChapterPage(Site::kB, "2007", 1), "200 OK"},
      {"B missing book", Site::kB, "/book/9999/", NotFoundPage(Site::kB), "404 Not Found"},
      {"B chapter 0", Site::kB, "/book/2001/0.html", NotFoundPage(Site::kB), "404 Not Found"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_FALSE(row.expected.empty());
    const Fetched fetched = Fetch(sites.BaseUrl(row.site) + row.path);
    EXPECT_EQ(fetched.status, row.status);
    EXPECT_FALSE(fetched.result.failed);
    EXPECT_TRUE(fetched.bytes == row.expected);
  }
}

TEST(CataloguePage, CutsIntoTheTitleAndOneEntryPerChapter) {
  for (const Site site : {Site::kA, Site::kB}) {
    for (const Book& book : Books(site)) {
      SCOPED_TRACE(std::string(Name(site)) + " book " + std::string(book.id));
      const std::string page = CataloguePage(site, book.id);
      const bool untitled = book.id == kAUntitled || book.id == kBUntitled;
      std::string entries;
      if (site == Site::kA) {
        EXPECT_EQ(Between(page, kTitleStartA, kTitleEndA),
                  untitled ? "" : text::Utf8ToGbk(std::string(book.title)));
        EXPECT_EQ(page.find(kTitleStartA) == std::string::npos, untitled);
        entries = "\n";
        for (int n = 1; n <= book.chapters; ++n) {
          entries += "<dd> <a href=\"" + ChapterPath(site, book.id, n) + "\">" +
                     text::Utf8ToGbk(ChapterTitle(site, book.id, n)) + "</a></dd>\n";
        }
        const std::string section = Between(page, "</dt>", "</div>");
        EXPECT_EQ(section, entries + "</dl>");
      } else {
        EXPECT_EQ(Between(page, "h1>", "</h1"), untitled ? "" : std::string(book.title));
        EXPECT_EQ(page.find("h1>") == std::string::npos, untitled);
        entries = ">\n";
        for (int n = 1; n <= book.chapters; ++n) {
          entries += "<li><a href=\"" + ChapterPath(site, book.id, n) + "\">" +
                     ChapterTitle(site, book.id, n) + "</a></li>\n";
        }
        const std::string section = Between(page, "章节目录</h2", "<div class=\"seofooter\"");
        EXPECT_EQ(Between(section, "class=\"dirlist clearfix\"", "</ul"), entries);
      }
    }
  }
}

TEST(BookTitle, HoldsAnAsciiAndAFullWidthSpace) {
  for (const Site site : {Site::kA, Site::kB}) {
    for (const Book& book : Books(site)) {
      SCOPED_TRACE(std::string(Name(site)) + " book " + std::string(book.id));
      for (const std::string& title : {BookTitle(site, book.id), ChapterTitle(site, book.id, 1),
                                       ChapterTitle(site, book.id, book.chapters)}) {
        EXPECT_NE(title.find(' '), std::string::npos) << title;
        EXPECT_NE(title.find("\u3000"), std::string::npos) << title;
      }
      EXPECT_EQ(ChapterTitle(site, book.id, 1).rfind("第1章 ", 0), 0u);
    }
  }
}

TEST(CataloguePage, SiteAIsCodePage936) {
  const std::string page = CataloguePage(Site::kA, "1001");
  EXPECT_EQ(BookTitle(Site::kA, "1001"), "青山 旧梦　录");
  EXPECT_NE(page.find("\xC7\xE0\xC9\xBD\x20\xBE\xC9\xC3\xCE\xA1\xA1\xC2\xBC"), std::string::npos);
  EXPECT_EQ(ChapterTitle(Site::kA, "1001", 1), "第1章 人间烟火　江南烟雨长夜将尽");
  EXPECT_NE(page.find("\">\xB5\xDA\x31\xD5\xC2\x20\xC8\xCB\xBC\xE4\xD1\xCC\xBB\xF0\xA1\xA1\xBD\xAD"
                      "\xC4\xCF\xD1\xCC\xD3\xEA\xB3\xA4\xD2\xB9\xBD\xAB\xBE\xA1</a></dd>"),
            std::string::npos);
}

TEST(ChapterPage, HoldsItsLinesWhereTheScrapersCut) {
  struct Row {
    Site site;
    std::string_view id;
    int n;
  } const rows[] = {
      {Site::kA, "1001", 1},     {Site::kA, "1001", 2},     {Site::kA, "12-3", 3},
      {Site::kA, "1004", 10000}, {Site::kB, "2001", 1},     {Site::kB, "2001", 2},
      {Site::kB, "20-3", 3},     {Site::kB, "2004", 10000}, {Site::kB, "2007", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(Name(row.site)) + " " + std::string(row.id) + " chapter " +
                 std::to_string(row.n));
    const std::string page = ChapterPage(row.site, row.id, row.n);
    const std::vector<std::string> paragraphs = ChapterParagraphs(row.site, row.id, row.n);
    const std::vector<std::string> lines = ChapterLines(row.site, row.id, row.n);
    ASSERT_EQ(lines.size(), paragraphs.size());
    ASSERT_FALSE(lines.empty());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(paragraphs[i].find_first_of("<>&\""), std::string::npos);
      if (row.site == Site::kA) {
        EXPECT_EQ(lines[i], "&nbsp;&nbsp;&nbsp;&nbsp;" + paragraphs[i]);
      } else if (lines[i] != paragraphs[i]) {
        EXPECT_EQ(lines[i], paragraphs[i] + std::string(kWatermark));
      }
    }
    if (row.site == Site::kA) {
      EXPECT_EQ(Between(page, "id=\"content\"", "</div"),
                ">" + text::Utf8ToGbk(Join(lines, "<br><br>")));
      continue;
    }
    EXPECT_EQ(Between(page, "id=\"chaptercontent\"", "<div class=\"info bottominfo\">"),
              " class=\"Readarea ReadAjax_content\">" + Join(lines, "<br />") + "</div>\n");
    EXPECT_EQ(lines.back(), paragraphs.back() + std::string(kWatermark));
  }
}

TEST(ChapterLines, SiteBRepeatsTheWatermarkOfItsName) {
  // 星辰 as numeric references without semicolons, then the reference of "M" at the end.
  EXPECT_TRUE(kWatermark.starts_with("&#26143&#36784"));
  EXPECT_TRUE(kWatermark.ends_with("&#77"));
  EXPECT_EQ(kWatermark.find("&#77"), kWatermark.size() - 4);
  const std::vector<std::string> lines = ChapterLines(Site::kB, "2001", kLongChapter);
  const std::vector<std::string> paragraphs = ChapterParagraphs(Site::kB, "2001", kLongChapter);
  bool inside = false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) inside |= lines[i] != paragraphs[i];
  EXPECT_TRUE(inside);
  for (const std::string& line : ChapterLines(Site::kA, "1001", kLongChapter)) {
    EXPECT_EQ(line.find("&#"), std::string::npos);
  }
}

TEST(FixtureSites, DeclaresCharsetsWhereTheDecodingLooks) {
  const FixtureSites sites;
  ASSERT_TRUE(sites.Started());
  struct Row {
    const char* name;
    Site site;
    std::string path;
    std::string page;
    bool converted;
  };
  const std::vector<Row> rows = {
      {"A catalogue, gbk", Site::kA, "/book/1001/", CataloguePage(Site::kA, "1001"), false},
      {"A chapter, gbk", Site::kA, "/book/1001/1.html", ChapterPage(Site::kA, "1001", 1), false},
      {"B catalogue, none", Site::kB, "/book/2001/", CataloguePage(Site::kB, "2001"), false},
      {"B catalogue, utf-8", Site::kB, "/book/2006/", CataloguePage(Site::kB, "2006"), true},
      {"B chapter, utf-8", Site::kB, "/book/2001/1.html", ChapterPage(Site::kB, "2001", 1), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Fetched fetched = Fetch(sites.BaseUrl(row.site) + row.path);
    EXPECT_EQ(fetched.result.converted, row.converted);
    EXPECT_TRUE(fetched.result.text == (row.converted ? text::Utf8ToGbk(row.page) : row.page));
  }
}

TEST(FixtureSites, FailingPathsFail) {
  const FixtureSites sites;
  ASSERT_TRUE(sites.Started());
  const std::string catalogue = CataloguePage(Site::kB, kB97Chapters);
  const std::string chapter = ChapterPage(Site::kB, kBFailingChapters, kResetChapter);
  struct Row {
    const char* name;
    std::string path;
    std::string_view status;
    std::string bytes;
  };
  const std::vector<Row> rows = {
      {"catalogue reset", "/book/7001/", web::kReadFailed,
       catalogue.substr(0, catalogue.size() / 2)},
      {"catalogue silent", "/book/7002/", web::kNoResponse, ""},
      {"catalogue malformed", "/book/7003/", web::kNoResponse, ""},
      {"chapter reset", "/book/2007/2.html", web::kReadFailed,
       chapter.substr(0, chapter.size() / 2)},
      {"chapter silent", "/book/2007/3.html", web::kNoResponse, ""},
      {"chapter malformed", "/book/2007/4.html", web::kNoResponse, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Fetched fetched = Fetch(sites.BaseUrl(Site::kB) + row.path, 1);
    EXPECT_EQ(fetched.status, row.status);
    EXPECT_TRUE(fetched.result.failed);
    EXPECT_TRUE(fetched.bytes == row.bytes);
  }
}

TEST(NotFoundPage, HasABodyWithoutTheScrapersMarkers) {
  const std::string a = NotFoundPage(Site::kA);
  const std::string b = NotFoundPage(Site::kB);
  EXPECT_FALSE(a.empty());
  EXPECT_FALSE(b.empty());
  for (const std::string_view marker :
       {kTitleStartA, std::string_view("</dt>"), std::string_view("id=\"content\"")}) {
    EXPECT_EQ(a.find(marker), std::string::npos) << marker;
  }
  for (const std::string_view marker :
       {"h1>", "dirlist clearfix", "id=\"chaptercontent\"", "info bottominfo"}) {
    EXPECT_EQ(b.find(marker), std::string::npos) << marker;
  }
}

// A port nobody listens on right now.
int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

TEST(FixtureSites, ListensOnTheGivenPorts) {
  const int portA = FreePort();
  const int portB = FreePort();
  const FixtureSites sites({.siteA = portA, .siteB = portB});
  ASSERT_TRUE(sites.Started());
  EXPECT_EQ(sites.Host(Site::kA), "127.0.0.1:" + std::to_string(portA));
  EXPECT_EQ(sites.Host(Site::kB), "127.0.0.1:" + std::to_string(portB));
  EXPECT_EQ(sites.BaseUrl(Site::kA), "https://127.0.0.1:" + std::to_string(portA));
  EXPECT_EQ(sites.BaseUrl(Site::kB), "http://127.0.0.1:" + std::to_string(portB));
  EXPECT_EQ(Fetch("https://127.0.0.1:" + std::to_string(portA) + "/").status, "200 OK");
  EXPECT_EQ(Fetch("http://127.0.0.1:" + std::to_string(portB) + "/").status, "200 OK");
  const FixtureSites taken({.siteA = portA, .siteB = portB});
  EXPECT_FALSE(taken.Started());
}

}  // namespace
}  // namespace velnora::fixtures
