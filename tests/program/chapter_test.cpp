// The chapter road through the real reader window: "阅读" on a listed chapter against
// local sites, the clean-up passes in their order, the caption and the failure text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/program/headless_program.h"
#include "tests/support/local_servers.h"

namespace velnora::program_testing {
namespace {

using testing::RawServer;
using testing::RawStep;

std::string CatalogueA(const std::vector<std::string>& links) {
  std::string page = std::string("<dl><dt>《书》正文</dt>\n"_gbk);
  for (std::size_t i = 0; i < links.size(); ++i) {
    page += "<dd> <a href=\"" + links[i] + "\">T" + std::to_string(i + 1) + "</a></dd>\n";
  }
  return page + "</dl></div>";
}

std::string CatalogueB(const std::vector<std::string>& links) {
  std::string page = "<h1>B</h1><h2>章节目录</h2><ul class=\"dirlist clearfix\">\n";
  for (std::size_t i = 0; i < links.size(); ++i) {
    page += "<li><a href=\"" + links[i] + "\">T" + std::to_string(i + 1) + "</a></li>\n";
  }
  return page + "</ul><div class=\"seofooter\">";
}

std::string ChapterA(std::string_view content) {
  return "<html><div class=\"nav\">n</div><div id=\"content\">" + std::string(content) +
         "</div><div class=\"footer\">f</div></html>";
}

std::string ChapterB(std::string_view content) {
  return "<html><div id=\"chaptercontent\" class=\"Readarea\">" + std::string(content) +
         "</div>ad<div class=\"info bottominfo\">i</div></html>";
}

// The text box and caption after reading item `item` of a catalogue whose chapters are
// the given pages (path "/c/N" for chapter N).
struct Shown {
  std::string title;
  std::string text;
};

class Chapter : public ::testing::Test {
 protected:
  // Serves one catalogue ("/book/1/") of `pages` on site `site` and opens the reader on
  // each chapter in turn, recording what it showed.
  std::vector<Shown> ReadEach(int site, const std::vector<std::string>& pages) {
    std::vector<std::string> links;
    Pages served;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      links.push_back("/c/" + std::to_string(i + 1));
      served[links.back()] = pages[i];
    }
    // One more entry, so every row is a usable chapter and none the last piece.
    served["/book/1/"] = site == 0 ? CatalogueA(links) : CatalogueB(links);
    server_ = ServePages(
        served, site == 0 ? LocalHttpServer::Scheme::kHttps : LocalHttpServer::Scheme::kHttp);
    program_ = std::make_unique<HeadlessProgram>(HostOf(*server_), HostOf(*server_));
    HeadlessProgram& p = *program_;
    p.FetchCatalogue(site, "1");
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      p.system.QueueSelect(p.main, main_window::kChapterDropDown, static_cast<int>(i));
      p.system.QueueClick(p.main, main_window::kReadButton);
      p.system.NextSettledPoint();
      p.system.QueueAction([&] {
        const WindowHandle reader = p.ReaderWindow();
        shown.push_back(
            {p.system.Title(reader), p.system.EditText(reader, reader_window::kTextBox)});
      });
      p.system.QueueClickInModal(reader_window::kCatalogueButton);
      p.Run();
    }
    return shown;
  }

  std::unique_ptr<LocalHttpServer> server_;
  std::unique_ptr<HeadlessProgram> program_;
};

TEST_F(Chapter, SiteACleansInItsOrder) {
  struct Row {
    const char* name;
    std::string content;
    std::string text;
  };
  const Row rows[] = {
      {"paragraphs", ">&nbsp;&nbsp;&nbsp;&nbsp;a<br><br>&nbsp;&nbsp;b<br><br>", "a\r\nb\r\n"},
      {"four tags are two breaks, one tag stays", ">a<br><br><br><br>b<br>c", "a\r\n\r\nb<brc"},
      {"capital letters match the passes", ">a&NBSP;<BR><BR>b", "a\r\nb"},
      {"every > goes, < stays", ">1 > 0 < 2", "1  0 < 2"},
      {"no content marker", "", ""},
  };
  std::vector<std::string> pages;
  for (const Row& row : rows) {
    pages.push_back(row.content.empty() ? "<html>nothing</html>" : ChapterA(row.content));
  }
  const std::vector<Shown> shown = ReadEach(0, pages);
  ASSERT_EQ(shown.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(shown[i].text, rows[i].text);
    EXPECT_EQ(shown[i].title, "T" + std::to_string(i + 1));
  }
}

TEST_F(Chapter, SiteBCleansAndRemovesTheWatermarkEverywhere) {
  struct Row {
    const char* name;
    std::string content;
    std::string text;
  };
  const Row rows[] = {
      {"breaks", "a<br />b<br/>c", "a\r\nb<br/c"},
      {"watermark between its markers, wherever it stands",
       "a&#26143&#36784 x.example &#77b<br /> x.example c", "a&#26143&#36784&#77b\r\nc"},
      {"no end marker leaves the text", "a&#26143&#36784 x.example", "a&#26143&#36784 x.example"},
      {"capital letters", "a&NBSP;<BR />b", "a\r\nb"},
  };
  std::vector<std::string> pages;
  for (const Row& row : rows) pages.push_back(ChapterB(row.content));
  const std::vector<Shown> shown = ReadEach(1, pages);
  ASSERT_EQ(shown.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(shown[i].text, rows[i].text);
  }
}

}  // namespace
}  // namespace velnora::program_testing
