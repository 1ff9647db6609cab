// velnora-fuzz-seeds DIR: writes the seed inputs of the fuzz targets into DIR/<target>/,
// each named "fixture-..." and laid out as fuzz/inputs.h describes, from the pages the
// fixture sites serve: small catalogues and chapters of both sites as the scrapers get
// them, the entries that lead to them, and the header blocks the sites answer with.
// Run from the tree's root after a test build: build/bin/velnora-fuzz-seeds fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/inputs.h"
#include "platform/http/failing_http.h"
#include "text/code_page.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "tools/fixture_sites/fixture_sites.h"

namespace {

namespace fixtures = velnora::fixtures;
namespace fuzzing = velnora::fuzzing;
namespace text = velnora::text;
using fixtures::Site;
using fuzzing::InputWriter;

std::filesystem::path gRoot;
int gFailures = 0;

void Write(std::string_view target, std::string_view name, const InputWriter& input) {
  const std::filesystem::path dir = gRoot / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / ("fixture-" + std::string(name)), std::ios::binary | std::ios::trunc);
  out << input.Bytes();
  if (!out) ++gFailures;
}

// The header block a fixture site answers with, status line first.
std::string HeaderBlock(std::string_view statusLine, std::size_t length) {
  return std::string(statusLine) +
         "\r\nServer: nginx\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(length) + "\r\nConnection: close\r\n\r\n";
}

// The entries a scrape of the catalogue stores, chapters only.
std::vector<std::string> Entries(Site site, std::string_view bookId) {
  std::string page = fixtures::CataloguePage(site, bookId);
  if (site == Site::kB) page = text::Utf8ToGbk(page);
  const std::string block =
      site == Site::kA ? text::TextLeftOf(text::TextBetween(page, "</dt>", "</div>"), "</dl>")
                       : text::TextBetween(page, "dirlist clearfix", "</ul");
  const text::TextList pieces =
      text::SplitText(text::RemoveAllSpaces(block), site == Site::kA ? "</dd>" : "</li>");
  std::vector<std::string> entries(pieces.Items().begin(), pieces.Items().end());
  if (!entries.empty()) entries.pop_back();
  return entries;
}

void WriteCatalogueSeeds() {
  const struct {
    const char* name;
    Site site;
    std::string_view id;
  } books[] = {
      {"a-3", Site::kA, fixtures::kA3Chapters},
      {"a-untitled", Site::kA, fixtures::kAUntitled},
      {"b-3", Site::kB, fixtures::kB3Chapters},
      {"b-utf8", Site::kB, fixtures::kBDeclaresUtf8},
  };
  for (const auto& book : books) {
    const bool b = book.site == Site::kB;
    Write("catalogue", book.name,
          InputWriter()
              .Byte(b ? 1 : 0)
              .Byte(b ? fuzzing::kCatalogueFromUtf8 : 0)
              .Text("")
              .Rest(fixtures::CataloguePage(book.site, book.id)));
  }
  Write("catalogue", "a-not-found",
        InputWriter()
            .Byte(0)
            .Byte(fuzzing::kCatalogueTimedBox)
            .Text("")
            .Rest(fixtures::NotFoundPage(Site::kA)));
  Write("catalogue", "b-failed",
        InputWriter().Byte(1).Byte(fuzzing::kCataloguePrefilled).Text("712 x").Rest(""));
}

void WriteChapterSeeds() {
  for (const Site site : {Site::kA, Site::kB}) {
    const bool b = site == Site::kB;
    const std::string_view id = b ? fixtures::kB3Chapters : fixtures::kA3Chapters;
    const std::vector<std::string> entries = Entries(site, id);
    // Chapter 3 of 3: a short one.
    std::string page = fixtures::ChapterPage(site, id, 3);
    // Site B's chapters declare utf-8, so the response decoding hands them over in 936.
    if (b) page = text::Utf8ToGbk(page);
    Write("chapter", std::string(b ? "b" : "a") + "-3",
          InputWriter().Byte(b ? 1 : 0).Byte(0).Text(entries.at(2)).Text("").Rest(page));
    Write("chapter", std::string(b ? "b" : "a") + "-failed",
          InputWriter()
              .Byte(b ? 1 : 0)
              .Byte(fuzzing::kChapterWindowClosed)
              .Text(entries.at(0))
              .Text("711 x")
              .Rest(""));
  }
}

void WriteHeaderSeeds() {
  Write("request_headers", "default-road",
        InputWriter()
            .Byte(1)
            .Byte(fuzzing::kHeaderAddDefaults | fuzzing::kHeaderNormalise)
            .Text("")
            .Text("")
            .Text("Connection")
            .Rest(""));
  Write("request_headers", "caller-lines",
        InputWriter()
            .Byte(2)
            .Byte(fuzzing::kHeaderAddDefaults | fuzzing::kHeaderNormalise)
            .Text("user-agent: Foo\r\nconnection: keep-alive\r\nReferer: a\r\n"
                  "Accept-Encoding: identity")
            .Text("a=1; b=2")
            .Text("User-Agent")
            .Rest("user-agent: x\r\ngarbage\r\nX-REQUESTED-WITH: y\r\ncontent-type:a:b"));
  Write("request_headers", "raw",
        InputWriter()
            .Byte(3)
            .Byte(0)
            .Text("Cookie: c=3")
            .Text("Cookie: a=1")
            .Text("Cookie")
            .Rest(HeaderBlock("HTTP/1.1 200 OK", 10)));

  const std::string found = HeaderBlock("HTTP/1.1 200 OK", 1000);
  const std::string cookies =
      "HTTP/1.1 302 Found\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nset-cookie: lower=1\r\n"
      "Set-Cookie: b=deleted\r\nSet-Cookie: c=3\r\nlocation: /book/1001/\r\nLocation: "
      "/next\r\n\r\n";
  constexpr std::uint8_t kAll = fuzzing::kResponseWantsLocation |
                                fuzzing::kResponseWantsCookiesOut |
                                fuzzing::kResponseWantsCookiesIn;
  Write("response_headers", "site-page",
        InputWriter()
            .Byte(0)
            .Byte(kAll)
            .Text("")
            .Text("")
            .Text("a=1; b=2")
            .Text("b=3; c=4")
            .Rest(found));
  Write("response_headers", "cookies",
        InputWriter()
            .Byte(0)
            .Byte(kAll)
            .Text("b=1; d=4")
            .Text("x=0")
            .Text("a=1;")
            .Text("")
            .Rest(cookies));
  Write("response_headers", "not-found-utf8",
        InputWriter()
            .Byte(1)
            .Byte(kAll | fuzzing::kResponseReadFails)
            .Text("")
            .Text("")
            .Text("a=1; a=2")
            .Text("b=deleted")
            .Rest(HeaderBlock("HTTP/1.1 404 Not Found", 42)));
}

void WriteRequestSeeds() {
  // A chapter of each site over a whole exchange, in pieces; site A's body breaks off
  // in one, a read fails in another.
  const struct {
    const char* name;
    Site site;
    std::uint8_t bodyBreaks;
    std::uint8_t failStep;
  } rows[] = {
      {"a-chapter", Site::kA, 0, 0xFF},
      {"b-chapter", Site::kB, 0, 0xFF},
      {"a-broken", Site::kA, 1, 0xFF},
      {"b-read-fails", Site::kB, 0,
       static_cast<std::uint8_t>(velnora::platform::http::HttpStep::kReadData)},
  };
  for (const auto& row : rows) {
    const bool b = row.site == Site::kB;
    const std::string_view id = b ? fixtures::kB3Chapters : fixtures::kA3Chapters;
    const std::string body = fixtures::ChapterPage(row.site, id, 3);
    const std::string path = fixtures::ChapterPath(row.site, id, 3);
    InputWriter input;
    input.Byte(1)
        .Byte(fuzzing::kRequestWantsBytes | fuzzing::kRequestWantsHeaders |
              fuzzing::kRequestWantsLocation)
        .Byte(0)
        .Byte(b ? 0 : 1)
        .Byte(row.failStep)
        .Byte(1)
        .Byte(0xFF)
        .Byte(0)
        .Byte(0xFF)
        .Byte(0)
        .Byte(0)
        .Byte(row.bodyBreaks)
        .Binary(std::string("\x80\x00\x10", 3))
        .Binary("\x40")
        .Text(std::string(b ? "http" : "https") + "://127.0.0.1:8080" + path)
        .Text("127.0.0.1")
        .Text(path)
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Text("")
        .Binary("")
        .Binary(HeaderBlock("HTTP/1.1 200 OK", body.size()))
        .Rest(body);
    Write("web_request", row.name, input);
  }
  // Credentials, a proxy, cookies, a POST body and every option off.
  Write("web_request", "options",
        InputWriter()
            .Byte(2)
            .Byte(0xFF)
            .Byte(3)
            .Byte(0)
            .Byte(0xFF)
            .Byte(0)
            .Byte(0xFF)
            .Byte(0)
            .Byte(0xFF)
            .Byte(0)
            .Byte(0)
            .Byte(0)
            .Binary("")
            .Binary("")
            .Text("http://127.0.0.1:8080/login?next=/")
            .Text("127.0.0.1")
            .Text("/login")
            .Text("?next=/")
            .Text("content-type: text/plain\r\nconnection: keep-alive")
            .Text("sid=1")
            .Text("x=0")
            .Text("user")
            .Text("secret")
            .Text("127.0.0.1:3128")
            .Text("puser")
            .Text("psecret")
            .Text("a=1&b=2")
            .Binary("")
            .Binary("HTTP/1.1 302 Found\r\nSet-Cookie: sid=2; Path=/\r\nLocation: /\r\n\r\n")
            .Rest(""));
}

void WriteDecodingSeeds() {
  const struct {
    const char* name;
    Site site;
  } rows[] = {{"a-chapter", Site::kA}, {"b-chapter", Site::kB}};
  for (const auto& row : rows) {
    const std::string_view id =
        row.site == Site::kB ? fixtures::kB3Chapters : fixtures::kA3Chapters;
    // FuzzedDataProvider takes its one flag from the last byte.
    Write("response_decoding", row.name,
          InputWriter().Rest(fixtures::ChapterPage(row.site, id, 3)).Byte(0));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velnora-fuzz-seeds DIR\n");
    return 2;
  }
  gRoot = argv[1];
  WriteCatalogueSeeds();
  WriteChapterSeeds();
  WriteHeaderSeeds();
  WriteRequestSeeds();
  WriteDecodingSeeds();
  if (gFailures != 0) std::fprintf(stderr, "velnora-fuzz-seeds: %d files not written\n", gFailures);
  return gFailures == 0 ? 0 : 1;
}
