// The download faults a reader meets, each during "获取章节" and during a chapter load,
// through the real windows: what the user is told, what the list and the text box hold
// afterwards, that a click made during the wait still runs, and that nothing the program
// already had (the settings file, the chosen site and its address, a kept list) is lost.
//
// The faulty site is one of the two; a good catalogue comes from the other one first.
// For the chapter rows an empty-ID press then switches the reader to the faulty site, as
// the main window lets a user do, so the entries already listed are read from there.
// Each row prints what it measured (time, when the queued click ran, peak memory).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/program/headless_program.h"
#include "tests/support/local_servers.h"

namespace velnora::program_testing {
namespace {

using testing::RawServer;
using testing::RawStep;
using Clock = std::chrono::steady_clock;

// The request's failure messages as Python's gbk codec writes them.
const std::string kSendFailed = Hex("37 31 31 20 B7 A2 CB CD C7 EB C7 F3 CA A7 B0 DC 21");
const std::string kNoResponse = Hex("37 31 32 20 B7 FE CE F1 C6 F7 CE B4 CF EC D3 A6 21");
const std::string kReadFailed = Hex("37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21");
const std::string kBookTitleGbk = Hex("CA E9 C3 FB");  // 书名
const std::string kStoryGbk = Hex("D5 FD CE C4");      // 正文

constexpr int kSiteA = 0;
constexpr int kSiteB = 1;
constexpr std::size_t kHugeBody = 50u << 20;

// A local port where a socket is bound but nobody listens: every connection is refused,
// and no other program can take the port while the row runs.
class RefusingPort {
 public:
  RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (socket_ >= 0 && ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~RefusingPort() {
    if (socket_ >= 0) ::close(socket_);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  [[nodiscard]] int Port() const { return port_; }

 private:
  int socket_;
  int port_ = 0;
};

// A server that hands each connection, one at a time, to `serve`, which must give up once
// `stopping` turns true. For answers RawServer cannot give: to bytes that are not an HTTP
// request, or a body too big to hold.
class SocketServer {
 public:
  using Serve = std::function<void(int socket, const std::atomic<bool>& stopping)>;

  explicit SocketServer(Serve serve)
      : serve_(std::move(serve)), listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Accept(); });
  }
  ~SocketServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
  }
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;
  [[nodiscard]] int Port() const { return port_; }

 private:
  void Accept() {
    while (!stopping_) {
      pollfd listening{listener_, POLLIN, 0};
      if (::poll(&listening, 1, 20) <= 0) continue;
      const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (socket < 0) continue;
      serve_(socket, stopping_);
      ::close(socket);
    }
  }

  Serve serve_;
  int listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// Waits up to `ms` for bytes from the client; false when the server stops first.
bool WaitForClient(int socket, const std::atomic<bool>& stopping, int ms) {
  for (int waited = 0; waited < ms && !stopping; waited += 20) {
    pollfd incoming{socket, POLLIN, 0};
    if (::poll(&incoming, 1, 20) > 0) return true;
  }
  return false;
}

bool SendAll(int socket, std::string_view bytes, const std::atomic<bool>& stopping) {
  while (!bytes.empty() && !stopping) {
    pollfd outgoing{socket, POLLOUT, 0};
    if (::poll(&outgoing, 1, 20) <= 0) continue;
    const ssize_t n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN) return false;
    if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return bytes.empty();
}

// A plain-text web server where TLS was expected: it answers the client's first bytes
// (its handshake) with an HTTP error and closes, as a server on the wrong port does.
void AnswerInPlainText(int socket, const std::atomic<bool>& stopping) {
  if (!WaitForClient(socket, stopping, 2000)) return;
  char sink[4096];
  if (::recv(socket, sink, sizeof sink, 0) <= 0) return;
  SendAll(socket, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
          stopping);
}

// Whatever serves the faulty site for one row, and the host the settings file names.
struct FaultySite {
  std::unique_ptr<RawServer> raw{};
  std::unique_ptr<LocalHttpServer> http{};
  std::unique_ptr<RawServer> target{};  // where a redirect points
  std::unique_ptr<RefusingPort> refusing{};
  std::unique_ptr<SocketServer> socket{};
  std::string host{};
};

enum class Phase { kCatalogue, kChapter };

// Pages of the good site. Site A in code page 936, site B in UTF-8; two chapters each,
// linked as "/c/1" and "/c/2" and titled "T1" and "T2".
std::string GoodCatalogue(int site) {
  if (site == kSiteA) {
    return std::string("<dl><dt>《好书》正文</dt>\n"_gbk) +
           "<dd> <a href=\"/c/1\">T1</a></dd>\n<dd> <a href=\"/c/2\">T2</a></dd>\n</dl></div>";
  }
  return "<h1>好书</h1><h2>章节目录</h2><ul class=\"dirlist clearfix\">\n"
         "<li><a href=\"/c/1\">T1</a></li>\n<li><a href=\"/c/2\">T2</a></li>\n"
         "</ul><div class=\"seofooter\">";
}

// A site B catalogue (UTF-8) of three chapters titled 书名, with `head` in its head and
// `tail` after its end.
std::string SiteBCatalogue(std::string_view head, std::string_view tail) {
  return "<html><head>" + std::string(head) +
         "</head><body><h1>书名</h1><h2>章节目录</h2><ul class=\"dirlist clearfix\">\n"
         "<li><a href=\"/c/1\">C1</a></li>\n<li><a href=\"/c/2\">C2</a></li>\n"
         "<li><a href=\"/c/3\">C3</a></li>\n</ul><div class=\"seofooter\">s</div></body></html>" +
         std::string(tail);
}

// A site B chapter page whose text is 正文 in code page 936 (site B's chapters are not
// converted unless they declare a charset).
std::string SiteBChapter(std::string_view head, std::string_view tail) {
  return "<html><head>" + std::string(head) +
         "</head><body><div id=\"chaptercontent\" class=\"Readarea\">" + kStoryGbk + "<br />" +
         kStoryGbk + "</div>\n<div class=\"info bottominfo\">i</div></body></html>" +
         std::string(tail);
}

std::string Response(std::string_view statusLine, std::string_view body,
                     std::string_view extraHeaders = "") {
  return std::string(statusLine) + "\r\n" + std::string(extraHeaders) +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

std::string HostOfPort(int port) {
  return "127.0.0.1:" + std::to_string(port);
}

FaultySite Answering(std::function<std::vector<RawStep>(int index)> reply) {
  FaultySite site;
  site.raw = std::make_unique<RawServer>(
      [reply = std::move(reply)](const std::string&, int index) { return reply(index); });
  site.host = HostOfPort(site.raw->Port());
  return site;
}

// The same page for every request.
FaultySite AnsweringWith(std::string response) {
  auto bytes = std::make_shared<const std::string>(std::move(response));
  return Answering([bytes](int) { return std::vector<RawStep>{RawStep::Send(*bytes)}; });
}

// `page` followed by a comment that makes the body `size` bytes, streamed from a small
// buffer, so that the program's memory is all the row measures.
FaultySite Streaming(const std::string& page, std::size_t size) {
  FaultySite site;
  site.socket =
      std::make_unique<SocketServer>([page, size](int socket, const std::atomic<bool>& stopping) {
        std::string request;
        char chunk[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
          if (!WaitForClient(socket, stopping, 5000)) return;
          const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
          if (n <= 0) return;
          request.append(chunk, static_cast<std::size_t>(n));
        }
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                                 "\r\nConnection: close\r\n\r\n" + page + "<!-- ";
        const std::string end = " -->";
        const std::string filler(1 << 16, 'x');
        if (!SendAll(socket, head, stopping)) return;
        for (std::size_t left = size - page.size() - 5 - end.size(); left > 0;) {
          const std::size_t n = std::min(left, filler.size());
          if (!SendAll(socket, std::string_view(filler).substr(0, n), stopping)) return;
          left -= n;
        }
        SendAll(socket, end, stopping);
      });
  site.host = HostOfPort(site.socket->Port());
  return site;
}

// The page a row's server answers with, for the phase.
std::string PageFor(Phase phase, std::string_view head, std::string_view tail) {
  return phase == Phase::kCatalogue ? SiteBCatalogue(head, tail) : SiteBChapter(head, tail);
}

// What one row leaves behind.
struct Outcome {
  std::string notice{};               // the catalogue's result notice
  std::vector<std::string> listed{};  // the chapter drop-down after the catalogue
  int entries = 0;                    // chapterEntries after the catalogue
  std::string text{};                 // the reader's text box after the load
};

Outcome Failed(const std::string& message) {
  return {.notice = kFetchFailed + message, .text = kLoadFailed + message};
}

// A page arrived but holds none of the markers.
Outcome NothingOnThePage() {
  return {.notice = kNoSuchBook};
}

// The row's page was read as it should be.
Outcome PageRead() {
  return {.notice = kFetched + kBookTitleGbk,
          .listed = {"C1", "C2", "C3"},
          .entries = 4,
          .text = kStoryGbk + "\r\n" + kStoryGbk};
}

struct Row {
  const char* name;
  int site;  // the faulty one
  std::function<FaultySite(Phase)> serve;
  Outcome outcome;
};

std::vector<Row> Rows() {
  return {
      {"connection refused", kSiteB,
       [](Phase) {
         FaultySite site;
         site.refusing = std::make_unique<RefusingPort>();
         site.host = HostOfPort(site.refusing->Port());
         return site;
       },
       Failed(kSendFailed)},
      {"unknown host", kSiteB,
       [](Phase) {
         FaultySite site;
         site.host = "velnora-fault.invalid";
         return site;
       },
       Failed(kSendFailed)},
      {"silent past the time-out", kSiteB,
       [](Phase) { return Answering([](int) { return std::vector{RawStep::Silence()}; }); },
       Failed(kNoResponse)},
      {"reset in the middle of the body", kSiteB,
       [](Phase phase) {
         const std::string page = PageFor(phase, "", std::string(4000, ' '));
         const std::string response = Response("HTTP/1.1 200 OK", page);
         return Answering([response](int) {
           return std::vector{RawStep::Send(response.substr(0, response.size() / 2)),
                              RawStep::Reset()};
         });
       },
       Failed(kReadFailed)},
      {"malformed status line", kSiteB,
       [](Phase phase) {
         const std::string response = Response("HTPT/1.1 200 OK", PageFor(phase, "", ""));
         return Answering([response](int) {
           return std::vector{RawStep::Send(response), RawStep::Close()};
         });
       },
       Failed(kNoResponse)},
      {"redirect loop", kSiteB,
       [](Phase) {
         return AnsweringWith(Response("HTTP/1.1 302 Found", "", "Location: /loop\r\n"));
       },
       Failed(kNoResponse)},
      {"redirect from https to http", kSiteA,
       [](Phase phase) {
         FaultySite site;
         // The plain site would serve a good page: it must never be asked.
         site.target = std::make_unique<RawServer>([phase](const std::string&, int) {
           return std::vector{RawStep::Send(Response("HTTP/1.1 200 OK", PageFor(phase, "", "")))};
         });
         const std::string to = site.target->Url("/moved");
         site.http = std::make_unique<LocalHttpServer>(
             [to](httplib::Server& server) {
               server.Get(".*", [to](const httplib::Request&, httplib::Response& response) {
                 response.set_redirect(to, 302);
               });
             },
             LocalHttpServer::Scheme::kHttps);
         site.host = HostOf(*site.http);
         return site;
       },
       NothingOnThePage()},
      {"50 MB body", kSiteB,
       [](Phase phase) { return Streaming(PageFor(phase, "", ""), kHugeBody); }, PageRead()},
      {"header block of 1 MB", kSiteB,
       [](Phase phase) {
         std::string headers;
         for (int i = 0; headers.size() < (1u << 20); ++i) {
           headers += "X-Filler-" + std::to_string(i) + ": " + std::string(80, 'h') + "\r\n";
         }
         return AnsweringWith(Response("HTTP/1.1 200 OK", PageFor(phase, "", ""), headers));
       },
       Failed(kNoResponse)},
      {"TLS handshake failure", kSiteA,
       [](Phase) {
         FaultySite site;
         site.socket = std::make_unique<SocketServer>(AnswerInPlainText);
         site.host = HostOfPort(site.socket->Port());
         return site;
       },
       Failed(kSendFailed)},
      {"404 page", kSiteB,
       [](Phase) {
         return AnsweringWith(
             Response("HTTP/1.1 404 Not Found", "<html><body>404 Not Found</body></html>"));
       },
       NothingOnThePage()},
      {"500 page", kSiteB,
       [](Phase) {
         return AnsweringWith(Response("HTTP/1.1 500 Internal Server Error",
                                       "<html><body>500 Internal Server Error</body></html>"));
       },
       NothingOnThePage()},
      {"empty 200 body", kSiteB,
       [](Phase) { return AnsweringWith(Response("HTTP/1.1 200 OK", "")); }, NothingOnThePage()},
      // The page is taken as it came; site B's catalogue is then read as UTF-8.
      {"charset ICU does not know", kSiteB,
       [](Phase phase) {
         return AnsweringWith(
             Response("HTTP/1.1 200 OK", PageFor(phase, "<meta charset=\"x-velnora-none\">", "")));
       },
       PageRead()},
  };
}

// Resident memory in MB, now or at its peak, from /proc/self/status.
long StatusMegabytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field)) return std::atol(line.c_str() + field.size()) / 1024;
  }
  return 0;
}

// Starts a new peak from the memory in use now (Linux's clear_refs).
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

long MsSince(Clock::time_point start, Clock::time_point end) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count());
}

// One row in one phase: the program, the good site, the faulty one, and what the test
// sees of them.
class RowRun {
 public:
  RowRun(const Row& row, Phase phase) : row_(row), phase_(phase), faulty_(row.serve(phase)) {
    good_ = ServePages(
        {{"/book/1/", GoodCatalogue(GoodSite())}},
        GoodSite() == kSiteA ? LocalHttpServer::Scheme::kHttps : LocalHttpServer::Scheme::kHttp);
    const std::string goodHost = HostOf(*good_);
    program_ = std::make_unique<HeadlessProgram>(row.site == kSiteA ? faulty_.host : goodHost,
                                                 row.site == kSiteA ? goodHost : faulty_.host, "1");
  }

  [[nodiscard]] int GoodSite() const { return row_.site == kSiteA ? kSiteB : kSiteA; }
  [[nodiscard]] std::string FaultyBaseUrl() const {
    return (row_.site == kSiteA ? "https://" : "http://") + faulty_.host;
  }
  HeadlessProgram& Program() { return *program_; }
  // A redirect that must not be followed points at a server that must stay unasked.
  [[nodiscard]] bool RedirectTargetAsked() const {
    return faulty_.target != nullptr && !faulty_.target->Requests().empty();
  }

  std::string Texts(std::size_t from) const {
    std::string texts;
    const std::vector<MessageBoxRecord>& boxes = program_->system.Boxes();
    for (std::size_t i = from; i < boxes.size(); ++i) texts += boxes[i].text + "|";
    return texts;
  }

  // Starts the batch of the click made during the wait, with a look at how far the
  // handler had got when it runs; the test queues the click itself after it.
  void QueueLookDuringTheWait(std::function<bool()> inProgress) {
    program_->system.NextPoint();
    program_->system.QueueAction([this, inProgress] {
      clickedAt_ = Clock::now();
      clickedDuringTheWait_ = inProgress();
    });
  }

  // Marks the start of the press, in the event loop just before it: the clock, and the
  // memory in use, servers and pages already made included.
  void Start() {
    program_->system.QueueAction([this] {
      ResetPeak();
      startMegabytes_ = StatusMegabytes("VmRSS:");
      started_ = Clock::now();
    });
  }
  void Report() const {
    std::printf("[fault] %-9s %-32s %6ld ms, queued click ran after %6ld ms, peak +%ld MB\n",
                phase_ == Phase::kCatalogue ? "catalogue" : "chapter", row_.name,
                MsSince(started_, Clock::now()), MsSince(started_, clickedAt_),
                StatusMegabytes("VmHWM:") - startMegabytes_);
  }
  [[nodiscard]] bool ClickedDuringTheWait() const { return clickedDuringTheWait_; }

 private:
  const Row& row_;
  Phase phase_;
  FaultySite faulty_;
  std::unique_ptr<LocalHttpServer> good_;
  std::unique_ptr<HeadlessProgram> program_;
  Clock::time_point started_{};
  long startMegabytes_ = 0;
  Clock::time_point clickedAt_{};
  bool clickedDuringTheWait_ = false;
};

const std::vector<std::string> kGoodTitles = {"T1", "T2"};

TEST(FaultMatrix, CatalogueEndsAsPromisedAndKeepsWhatItHad) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    RowRun run(row, Phase::kCatalogue);
    HeadlessProgram& p = run.Program();
    p.FetchCatalogue(run.GoodSite(), "1");
    ASSERT_EQ(p.ChapterTitles(), kGoodTitles);
    const std::string settings = p.SettingsBytes();
    const std::string caption = p.system.Caption(p.main, main_window::kReadGroup);
    const std::size_t before = p.system.Boxes().size();

    p.system.QueueSelect(p.main, main_window::kSiteDropDown, row.site);
    p.system.QueueAction([&] { p.system.SetEditText(p.main, main_window::kNovelIdBox, "2"); });
    run.Start();
    p.system.QueueClick(p.main, main_window::kFetchButton);
    // While the download runs the user empties the ID box and presses again; the old
    // list still standing shows that the first press has not finished.
    run.QueueLookDuringTheWait(
        [&] { return p.system.ItemCount(p.main, main_window::kChapterDropDown) == 2; });
    p.system.QueueAction([&] { p.system.SetEditText(p.main, main_window::kNovelIdBox, ""); });
    p.system.QueueClick(p.main, main_window::kFetchButton);
    p.Run();
    run.Report();

    EXPECT_TRUE(run.ClickedDuringTheWait());
    EXPECT_FALSE(run.RedirectTargetAsked());
    EXPECT_EQ(run.Texts(before), kEmptyId + "|" + kPleaseWait + "|" + row.outcome.notice + "|");
    // The result notice, whatever it says, is the same self-closing box.
    const MessageBoxRecord& notice = p.system.Boxes().back();
    EXPECT_EQ(notice.caption, kReminder);
    EXPECT_EQ(notice.style, 0u);
    EXPECT_EQ(notice.owner, p.main);
    EXPECT_EQ(notice.timeoutMs, 5000u);
    EXPECT_EQ(p.ChapterTitles(), row.outcome.listed);
    EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown),
              row.outcome.listed.empty() ? -1 : 0);
    const core::ReaderState& state = core::TheReaderState();
    EXPECT_EQ(state.chapterEntries.Count(), row.outcome.entries);
    EXPECT_EQ(p.system.Caption(p.main, main_window::kReadGroup),
              row.outcome.listed.empty() ? caption : kBookTitleGbk);
    EXPECT_EQ(state.siteIndex, row.site);
    EXPECT_EQ(state.baseUrl, run.FaultyBaseUrl());
    EXPECT_EQ(p.SettingsBytes(), settings);
  }
}

TEST(FaultMatrix, ChapterLoadEndsAsPromisedAndKeepsTheList) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    RowRun run(row, Phase::kChapter);
    HeadlessProgram& p = run.Program();
    p.FetchCatalogue(run.GoodSite(), "1");
    ASSERT_EQ(p.ChapterTitles(), kGoodTitles);
    // An empty-ID press switches the reader to the faulty site and keeps the list.
    p.FetchCatalogue(row.site, "");
    ASSERT_EQ(core::TheReaderState().baseUrl, run.FaultyBaseUrl());
    const std::string settings = p.SettingsBytes();
    const std::size_t before = p.system.Boxes().size();

    p.system.QueueSelect(p.main, main_window::kChapterDropDown, 0);
    run.Start();
    p.system.QueueClick(p.main, main_window::kReadButton);
    // "上一章" on the first chapter while it downloads: the caption, still empty, shows
    // that the load has not finished.
    run.QueueLookDuringTheWait([&] { return p.system.Title(p.ReaderWindow()).empty(); });
    p.system.QueueClickInModal(reader_window::kPreviousButton);
    std::string title;
    std::string shown;
    p.system.NextSettledPoint();
    p.system.QueueAction([&] {
      title = p.system.Title(p.ReaderWindow());
      shown = p.system.EditText(p.ReaderWindow(), reader_window::kTextBox);
    });
    p.system.QueueClickInModal(reader_window::kCatalogueButton);
    p.Run();
    run.Report();

    EXPECT_TRUE(run.ClickedDuringTheWait());
    EXPECT_FALSE(run.RedirectTargetAsked());
    EXPECT_EQ(run.Texts(before), kAtFirst + "|");
    EXPECT_EQ(title, "T1");
    EXPECT_EQ(shown, row.outcome.text);
    const core::ReaderState& state = core::TheReaderState();
    EXPECT_EQ(state.chapterText, row.outcome.text);
    EXPECT_EQ(state.chapterEntries.Count(), 3);
    EXPECT_EQ(p.ChapterTitles(), kGoodTitles);
    EXPECT_EQ(p.system.Selection(p.main, main_window::kChapterDropDown), 0);
    EXPECT_EQ(state.siteIndex, row.site);
    EXPECT_EQ(state.baseUrl, run.FaultyBaseUrl());
    EXPECT_EQ(p.SettingsBytes(), settings);
  }
}

}  // namespace
}  // namespace velnora::program_testing
