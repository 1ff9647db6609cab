// Two novel sites served on 127.0.0.1 for the tests, the demo and the benchmarks, and the
// generator of every page they serve, so a caller knows the exact bytes it was sent.
//
// Site A answers over HTTPS (a self-signed certificate made at start) with pages in code
// page 936 that declare charset=gbk; site B answers over plain HTTP with UTF-8 pages.
// Both lay their pages out exactly where the reader cuts them:
//
//   site A catalogue  <dl><dt>《BOOK》正文</dt>\n
//                     <dd> <a href="/book/ID/N.html">TITLE</a></dd>\n   (one per chapter)
//                     </dl></div>
//   site A chapter    <div id="content">&nbsp;&nbsp;&nbsp;&nbsp;P1<br><br>&nbsp;...PN</div>
//   site B catalogue  <h1>BOOK</h1> ... <h2>章节目录</h2> ... <ul class="dirlist clearfix">\n
//                     <li><a href="/book/ID/N.html">TITLE</a></li>\n      (one per chapter)
//                     </ul> ... <div class="seofooter">
//   site B chapter    <div id="chaptercontent" class="Readarea ReadAjax_content">L1<br />...LN
//                     </div>\n<div class="info bottominfo">
//
// Paths: "/" the home page, "/book/ID/" a catalogue, "/book/ID/N.html" chapter N (from
// 1). Everything else, an unknown book and a chapter outside 1..count answer 404 with
// NotFoundPage(site), a page that carries none of the markers above.
//
// Charset declarations (what the response decoding sees in the first 1024 bytes): every
// site A page declares charset=gbk; site B's chapter pages declare <meta charset="utf-8">,
// so the decoding turns them into code page 936; site B's catalogue pages declare nothing,
// except kBDeclaresUtf8's, which declares <meta charset="utf-8">.
//
// All content is deterministic: the same call gives the same bytes in every run.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::testing {
class LocalHttpServer;
class RawServer;
}  // namespace velnora::testing

namespace velnora::fixtures {

class PageCache;

enum class Site { kA, kB };

// Book IDs. Every book and chapter title holds an ASCII space and a full-width space
// (U+3000); a chapter title reads "第N章 " followed by two phrases with U+3000 between.
// Site A:
inline constexpr std::string_view kA3Chapters = "1001";
inline constexpr std::string_view kA97Chapters = "1002";
inline constexpr std::string_view kA1500Chapters = "1003";
inline constexpr std::string_view kA10000Chapters = "1004";  // about 1 MB
inline constexpr std::string_view kADashed = "12-3";         // 3 chapters
inline constexpr std::string_view kAUntitled = "1005";  // 3 chapters, no "dt>《…》正文</dt"
// Site B:
inline constexpr std::string_view kB3Chapters = "2001";
inline constexpr std::string_view kB97Chapters = "2002";
inline constexpr std::string_view kB1500Chapters = "2003";
inline constexpr std::string_view kB10000Chapters = "2004";
inline constexpr std::string_view kBDashed = "20-3";        // 3 chapters
inline constexpr std::string_view kBUntitled = "2005";      // 3 chapters, no "h1>…</h1"
inline constexpr std::string_view kBDeclaresUtf8 = "2006";  // 3 chapters, <meta charset>
// 4 chapters: 1 is served whole, kResetChapter, kSilentChapter and kMalformedChapter fail
// the way the catalogue IDs below do.
inline constexpr std::string_view kBFailingChapters = "2007";
inline constexpr int kResetChapter = 2;
inline constexpr int kSilentChapter = 3;
inline constexpr int kMalformedChapter = 4;
// Site B catalogue paths that fail; they are not books (CataloguePage gives ""):
// the status line, the headers (Content-Length of the whole page) and the first half of
// CataloguePage(Site::kB, kB97Chapters), then a connection reset;
inline constexpr std::string_view kBResetCatalogue = "7001";
// the connection is accepted and nothing is ever said, until the client gives up;
inline constexpr std::string_view kBSilentCatalogue = "7002";
// "HTPT/1.1 200 OK", headers and that whole page, then the connection closes.
inline constexpr std::string_view kBMalformedCatalogue = "7003";
// Both sites: no such book (404).
inline constexpr std::string_view kMissingBook = "9999";

// Chapter 2 of every book is long: its page is about 30 KB. The others hold 8 to 16
// paragraphs.
inline constexpr int kLongChapter = 2;

// Site B's watermark as its chapter pages write it: some lines of every site B chapter
// (always the last) end with it.
inline constexpr std::string_view kWatermark =
    "&#26143&#36784&#23567&#35828&#32593 xingchen.example &#77";

struct Book {
  std::string_view id;
  std::string_view title;  // UTF-8, spaces as the page writes them
  int chapters = 0;
};

// The books of `site` that have a catalogue page, the failing-chapter book included.
[[nodiscard]] std::span<const Book> Books(Site site);

// The book `bookId` of `site`, or null.
[[nodiscard]] const Book* FindBook(Site site, std::string_view bookId);

// "/book/ID/": the catalogue's path.
[[nodiscard]] std::string CataloguePath(std::string_view bookId);

// "/book/ID/N.html": the link in the href of chapter n's entry.
[[nodiscard]] std::string ChapterPath(Site site, std::string_view bookId, int n);

// The bytes served for a page, exactly: code page 936 for site A, UTF-8 for site B.
// The empty string for a book that does not exist or a chapter outside 1..count.
[[nodiscard]] std::string CataloguePage(Site site, std::string_view bookId);
[[nodiscard]] std::string ChapterPage(Site site, std::string_view bookId, int n);
[[nodiscard]] std::string HomePage(Site site);
[[nodiscard]] std::string NotFoundPage(Site site);

// UTF-8 texts as the pages write them (before any conversion); empty when unknown.
[[nodiscard]] std::string BookTitle(Site site, std::string_view bookId);
[[nodiscard]] std::string ChapterTitle(Site site, std::string_view bookId, int n);

// The story text of chapter n, one UTF-8 paragraph per item, without indentation or
// watermark. None holds '<', '>', '&' or '"'.
[[nodiscard]] std::vector<std::string> ChapterParagraphs(Site site, std::string_view bookId, int n);

// The pieces of the chapter's text element between its line-break tags, UTF-8, exactly as
// the page writes them: site A's paragraphs each after "&nbsp;&nbsp;&nbsp;&nbsp;", site
// B's paragraphs, some ending with kWatermark.
[[nodiscard]] std::vector<std::string> ChapterLines(Site site, std::string_view bookId, int n);

struct FixturePorts {
  int siteA = 0;  // 0: the system picks one
  int siteB = 0;
};

// Serves both sites on 127.0.0.1 from construction until destruction, each request on
// the server's own threads. Catalogue pages are made once, on their first request.
class FixtureSites {
 public:
  explicit FixtureSites(FixturePorts ports = {});
  ~FixtureSites();
  FixtureSites(const FixtureSites&) = delete;
  FixtureSites& operator=(const FixtureSites&) = delete;

  // Both sites came up (a fixed port may be taken).
  [[nodiscard]] bool Started() const;
  [[nodiscard]] int Port(Site site) const;
  // "127.0.0.1:PORT", the site's host name for the reader's configuration.
  [[nodiscard]] std::string Host(Site site) const;
  // "https://127.0.0.1:PORT" for site A, "http://127.0.0.1:PORT" for site B.
  [[nodiscard]] std::string BaseUrl(Site site) const;

 private:
  // Declared first so that it outlives the servers that read it.
  std::unique_ptr<PageCache> pages_;
  std::unique_ptr<testing::LocalHttpServer> siteA_;
  std::unique_ptr<testing::RawServer> siteB_;
};

}  // namespace velnora::fixtures
