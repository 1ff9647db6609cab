#include "web/web_request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/events/pending_events.h"
#include "platform/http/curl_http.h"
#include "platform/http/failing_http.h"
#include "tests/support/local_servers.h"

namespace velnora::web {
namespace {

using platform::http::CurlHttp;
using platform::http::FailingHttp;
using platform::http::HttpStep;
using testing::LocalHttpServer;
using testing::RawServer;
using testing::RawStep;

constexpr std::string_view kDefaultLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Cache-Control: no-cache\r\n";

std::vector<RawStep> Answer(std::string bytes) {
  return {RawStep::Send(std::move(bytes))};
}

// The caller's variables, each starting with a text the request must either keep or
// overwrite.
struct Outs {
  text::Text cookiesIn = "in=1";
  text::Text cookiesOut = "out=1";
  text::Text responseHeaders = "untouched";
  text::Text location = "untouched";
  text::Text statusText = "untouched";
  text::Bytes responseBytes = {'u'};

  WebRequestOptions With(WebRequestOptions options) {
    options.cookiesIn = &cookiesIn;
    options.cookiesOut = &cookiesOut;
    options.responseHeaders = &responseHeaders;
    options.location = &location;
    options.statusText = &statusText;
    options.responseBytes = &responseBytes;
    return options;
  }
};

// Remembers whether the window system was given a turn.
class EventsSeen {
 public:
  EventsSeen() : previous_(platform::SetPendingEventsHook([this] { seen = true; })) {}
  ~EventsSeen() { platform::SetPendingEventsHook(previous_); }
  EventsSeen(const EventsSeen&) = delete;
  EventsSeen& operator=(const EventsSeen&) = delete;
  bool seen = false;

 private:
  std::function<void()> previous_;
};

std::vector<std::string> Closes(const FailingHttp& http) {
  std::vector<std::string> closes;
  for (const std::string& call : http.Calls()) {
    if (call.starts_with("CloseHandle")) closes.push_back(call);
  }
  return closes;
}

std::string OkPage(std::string_view headers, std::string_view body) {
  return "HTTP/1.1 200 OK\r\n" + std::string(headers) +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

TEST(WebRequest, DefaultRoadPutsExactlyTheDefaultBlockOnTheWire) {
  RawServer server([](const std::string&, int) { return Answer(OkPage("", "page")); });
  ASSERT_TRUE(server.Started());
  text::Text status;
  const WebRequestResult result =
      WebRequest(WebRequestOptions{.url = server.Url("/book/1/"), .statusText = &status});
  EXPECT_EQ(result.text, "page");
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(status, "200 OK");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "GET /book/1/ HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n" +
                std::string(kDefaultLines) + "Connection: Keep-Alive\r\n\r\n");
}

TEST(WebRequest, EachFailingStepEndsWithItsMessageAndClosesWhatWasOpened) {
  RawServer server([](const std::string&, int) { return Answer(OkPage("", "page")); });
  const std::vector<std::string> all = {"CloseHandle 3", "CloseHandle 2", "CloseHandle 1"};
  struct Row {
    HttpStep step;
    int occurrence;
    std::string_view message;
    std::vector<std::string> closes;
    bool events;
  };
  const Row rows[] = {
      {HttpStep::kCheckPlatform, 1, kNoHttpService, {}, false},
      {HttpStep::kCrackUrl, 1, kBadUrl, {}, true},
      {HttpStep::kOpen, 1, kSessionFailed, {}, true},
      {HttpStep::kSetTimeouts, 1, kTimeoutsFailed, {"CloseHandle 1"}, true},
      {HttpStep::kConnect, 1, kConnectionFailed, {"CloseHandle 1"}, true},
      {HttpStep::kOpenRequest, 1, kRequestFailed, {"CloseHandle 2", "CloseHandle 1"}, true},
      {HttpStep::kSetCredentials, 1, kCredentialsFailed, all, false},
      {HttpStep::kSetCredentials, 2, kCredentialsFailed, all, false},
      {HttpStep::kSetOption, 1, kCertificateOptionFailed, all, false},
      {HttpStep::kSetOption, 2, kCookieOptionFailed, all, false},
      {HttpStep::kSetOption, 3, kRedirectOptionFailed, all, false},
      {HttpStep::kAddRequestHeaders, 1, kHeadersFailed, all, true},
      {HttpStep::kSendRequest, 1, kSendFailed, all, true},
      {HttpStep::kReceiveResponse, 1, kNoResponse, all, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.message) + " #" + std::to_string(row.occurrence));
    CurlHttp curl;
    FailingHttp http(curl);
    http.FailAt(row.step, row.occurrence);
    Outs outs;
    EventsSeen events;
    const WebRequestResult result = WebRequest(http, outs.With({.url = server.Url("/"),
                                                                .noRedirect = true,
                                                                .serverUser = "u",
                                                                .serverPassword = "p",
                                                                .proxyUser = "pu",
                                                                .proxyPassword = "pp"}));
    EXPECT_EQ(outs.statusText, row.message);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(Closes(http), row.closes);
    EXPECT_EQ(events.seen, row.events);
    EXPECT_EQ(outs.cookiesIn, "in=1");
    EXPECT_EQ(outs.cookiesOut, "out=1");
    EXPECT_EQ(outs.responseHeaders, "untouched");
    EXPECT_EQ(outs.location, "untouched");
    EXPECT_EQ(outs.responseBytes, text::Bytes{'u'});
  }
}

TEST(WebRequest, PassesItsArgumentsToTheService) {
  struct Row {
    const char* name;
    WebRequestOptions options;
    std::vector<std::string> expected;  // calls that must appear
  };
  const Row rows[] = {
      {"defaults",
       {.url = "http://a.example/x?q=1#f"},
       {"Open 1 ", "SetTimeouts 30000 30000 30000 30000", "Connect a.example 80",
        "OpenRequest GET /x?q=1#f 0x0", "SetOption 31 0x3300", "SetOption 63 0x1"}},
      {"http proxy and timeout",
       {.url = "http://a.example", .method = 8, .proxy = "p:8", .timeoutSeconds = 5},
       {"Open 3 http=p:8", "SetTimeouts 5000 5000 5000 5000", "OpenRequest GET / 0x0"}},
      {"https proxy, cookies, no redirect",
       {.url = "https://a.example:444?q=1",
        .method = 2,
        .extraHeaders = "Cookie: a=1",
        .noRedirect = true,
        .proxy = "p:8",
        .timeoutSeconds = -3},
       {"Open 3 p:8", "SetTimeouts 30000 30000 30000 30000", "Connect a.example 444",
        "OpenRequest HEAD / 0x800000", "SetOption 63 0x2"}},
      {"largest limit that fits",
       {.url = "http://a.example/", .timeoutSeconds = 2147483},
       {"SetTimeouts 2147483000 2147483000 2147483000 2147483000"}},
      {"credentials only when complete",
       {.url = "http://a.example/", .serverUser = "u", .proxyUser = "pu", .proxyPassword = "pp"},
       {"SetCredentials 1 1 pu pp"}},
      {"body bytes before body text",
       {.url = "http://a.example/", .method = 1, .bodyText = "text", .bodyBytes = {1, 2}},
       {"OpenRequest POST / 0x0", "SendRequest 2 -> fail"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CurlHttp curl;
    FailingHttp http(curl);
    http.FailAt(HttpStep::kSendRequest);
    text::Text cookies = row.name == std::string("https proxy, cookies, no redirect") ? "c=1" : "";
    WebRequestOptions options = row.options;
    options.cookiesIn = &cookies;
    (void)WebRequest(http, options);
    for (const std::string& call : row.expected) {
      EXPECT_NE(std::find(http.Calls().begin(), http.Calls().end(), call), http.Calls().end())
          << call;
    }
    const bool anyCredentials =
        std::any_of(http.Calls().begin(), http.Calls().end(),
                    [](const std::string& c) { return c.starts_with("SetCredentials 0"); });
    EXPECT_FALSE(anyCredentials);
  }
}

TEST(WebRequest, ResponseHeadersGiveStatusCookiesAndLocation) {
  RawServer server([](const std::string&, int) {
    return Answer(
        "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
        "set-cookie: lower=1\r\nlocation: /first\r\nLocation:/nospace\r\nLocation: /next\r\n"
        "Content-Length: 0\r\n\r\n");
  });
  struct Row {
    const char* name;
    text::Text cookiesIn;
    std::optional<bool> autoMerge;
    text::Text cookiesOutBefore;
    text::Text cookiesOut;
    text::Text cookiesInAfter;
  };
  const Row rows[] = {
      {"collects Set-Cookie values", "", {}, "", "a=1; b=2", ""},
      {"separates them from the caller's cookies", "", {}, "x=0", "x=0; a=1; b=2", ""},
      {"merges into the caller's cookies", "b=9; c=3", {}, "", "a=1; b=2; c=3", "a=1; b=2; c=3"},
      {"no merge when switched off", "b=9", false, "", "a=1; b=2", "b=9"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Outs outs;
    outs.cookiesIn = row.cookiesIn;
    outs.cookiesOut = row.cookiesOutBefore;
    const WebRequestResult result =
        WebRequest(outs.With({.url = server.Url("/"), .autoMergeCookies = row.autoMerge}));
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(outs.statusText, "404 Not Found");
    EXPECT_EQ(outs.cookiesOut, row.cookiesOut);
    EXPECT_EQ(outs.cookiesIn, row.cookiesInAfter);
    EXPECT_EQ(outs.location, "/next");
    EXPECT_TRUE(outs.responseHeaders.starts_with("HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1"));
    EXPECT_TRUE(outs.responseHeaders.ends_with("Content-Length: 0\r\n\r\n"));
  }
}

TEST(WebRequest, FailedBodyReadKeepsItsMessageAndWritesTheRest) {
  RawServer server([](const std::string&, int) {
    return Answer(OkPage("Set-Cookie: a=1\r\nLocation: /x\r\n", "page"));
  });
  CurlHttp curl;
  FailingHttp http(curl);
  http.FailAt(HttpStep::kReadData);
  Outs outs;
  const WebRequestResult result = WebRequest(http, outs.With({.url = server.Url("/")}));
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(outs.statusText, kReadFailed);
  // Set-Cookie values follow the caller's own, then the merge with cookiesIn runs as usual.
  EXPECT_EQ(outs.cookiesOut, "out=1; a=1; in=1");
  EXPECT_EQ(outs.location, "/x");
  EXPECT_TRUE(outs.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(outs.responseBytes, text::Bytes());
  EXPECT_EQ(result.text, "");
}

TEST(WebRequest, FailedHeaderQueryEndsWithoutProcessingTheResponse) {
  RawServer server([](const std::string&, int) { return Answer(OkPage("", "page")); });
  CurlHttp curl;
  FailingHttp http(curl);
  http.FailAt(HttpStep::kQueryHeaders, 2);
  Outs outs;
  EventsSeen events;
  const WebRequestResult result = WebRequest(http, outs.With({.url = server.Url("/")}));
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(result.text, "");
  EXPECT_EQ(outs.statusText, "untouched");
  EXPECT_EQ(outs.responseBytes, text::Bytes{'u'});
  EXPECT_TRUE(events.seen);
  EXPECT_EQ(Closes(http),
            (std::vector<std::string>{"CloseHandle 3", "CloseHandle 2", "CloseHandle 1"}));
}

int RefusingPort() {
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

TEST(WebRequest, FaultsEndWithTheirOutcome) {
  // Fixed gzip bytes of "hello".
  const std::string gzip(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\xcb\x48\xcd\xc9\xc9\x07\x00\x86\xa6\x10\x36\x05"
      "\x00\x00\x00",
      25);
  RawServer server([&gzip](const std::string& request, int) -> std::vector<RawStep> {
    const std::string target = request.substr(4, request.find(' ', 4) - 4);
    if (target == "/silent") return {RawStep::Silence()};
    if (target == "/stall") {
      return {RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab"), RawStep::Silence()};
    }
    if (target == "/reset") {
      return {RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab"), RawStep::Pause(50),
              RawStep::Reset()};
    }
    if (target == "/malformed") return {RawStep::Send("HTPT/1.1 200\r\n\r\nx"), RawStep::Close()};
    if (target == "/nothing") return {RawStep::Close()};
    if (target == "/bare") return {RawStep::Send("HTTP/1.1 200 OK\r\n\r\nbody"), RawStep::Close()};
    if (target == "/loop") {
      return Answer("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n");
    }
    if (target == "/huge") {
      return Answer("HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'x') +
                    "\r\nContent-Length: 0\r\n\r\n");
    }
    if (target == "/gzip") return Answer(OkPage("Content-Encoding: gzip\r\n", gzip));
    return Answer(OkPage("", "elsewhere"));
  });
  const std::string other = "http://localhost:" + std::to_string(server.Port());
  RawServer redirecting([&other](const std::string&, int) {
    return Answer("HTTP/1.1 301 Moved\r\nLocation: " + other +
                  "/moved\r\nContent-Length: 0\r\n\r\n");
  });
  struct Row {
    const char* name;
    std::string url;
    std::string_view status;
    std::string text;
    bool failed;
  };
  const Row rows[] = {
      {"connection refused", "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/",
       kSendFailed, "", true},
      {"unknown host", "http://no-such-host.invalid/", kSendFailed, "", true},
      {"server silent past the limit", server.Url("/silent"), kNoResponse, "", true},
      {"body stalls past the limit", server.Url("/stall"), kReadFailed, "ab", true},
      {"reset in the middle of the body", server.Url("/reset"), kReadFailed, "ab", true},
      {"malformed status line", server.Url("/malformed"), kNoResponse, "", true},
      {"no response at all", server.Url("/nothing"), kNoResponse, "", true},
      {"status line without headers", server.Url("/bare"), "200 OK", "body", false},
      {"redirect loop", server.Url("/loop"), kNoResponse, "", true},
      {"redirect to another host", redirecting.Url("/"), "200 OK", "elsewhere", false},
      {"1 MB header", server.Url("/huge"), kNoResponse, "", true},
      {"gzip body returned raw", server.Url("/gzip"), "200 OK", gzip.substr(0, 3), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Outs outs;
    const WebRequestResult result = WebRequest(outs.With({.url = row.url, .timeoutSeconds = 1}));
    EXPECT_EQ(outs.statusText, row.status);
    EXPECT_EQ(result.failed, row.failed);
    // The body as text stops at its first zero byte, as every text does.
    EXPECT_EQ(result.text, row.text);
    if (std::string_view(row.name) == "gzip body returned raw") {
      EXPECT_EQ(outs.responseBytes, text::Bytes(gzip.begin(), gzip.end()));
    }
  }
}

TEST(WebRequest, HeadGivesHeadersAndNoText) {
  RawServer server([](const std::string&, int) { return Answer(OkPage("", "page")); });
  Outs outs;
  const WebRequestResult result = WebRequest(outs.With({.url = server.Url("/"), .method = 2}));
  EXPECT_EQ(result.text, "");
  EXPECT_EQ(outs.statusText, "200 OK");
  EXPECT_TRUE(server.Requests().at(0).starts_with("HEAD / HTTP/1.1\r\n"));
}

TEST(WebRequest, EveryVerbSendsTheBody) {
  // A HEAD answer announces a length but carries nothing; the request must not wait for it.
  RawServer server([](const std::string& request, int) {
    return Answer(request.starts_with("HEAD ")
                      ? std::string("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n")
                      : OkPage("", "ok"));
  });
  const char* verbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  for (int method = 0; method < 8; ++method) {
    SCOPED_TRACE(verbs[method]);
    Outs outs;
    const WebRequestResult result = WebRequest(outs.With(
        {.url = server.Url("/"), .method = method, .bodyText = "xyz", .timeoutSeconds = 1}));
    EXPECT_EQ(outs.statusText, "200 OK");
    EXPECT_EQ(result.text, method == 2 ? "" : "ok");
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), static_cast<std::size_t>(method + 1));
    EXPECT_TRUE(requests.back().starts_with(std::string(verbs[method]) + " / HTTP/1.1\r\n"))
        << requests.back();
    EXPECT_TRUE(requests.back().ends_with("\r\nContent-Length: 3\r\n\r\nxyz")) << requests.back();
  }
}

TEST(WebRequest, BodyAgainstItsFramingOrLeftUnreadFailsTheSendStep) {
  RawServer answering([](const std::string&, int) { return Answer(OkPage("", "ok")); });
  // Stops reading after the header block, so a large body can never be written out.
  RawServer stalling([](const std::string&, int) { return std::vector<RawStep>{RawStep::Stall()}; },
                     0, RawServer::Reading::kHeadOnly);
  struct Row {
    const char* name;
    const RawServer& server;
    text::Text extraHeaders;
    text::Bytes body;
    std::string_view status;  // "711 " stands for the send step's message
    bool reachesTheWire;
  };
  const text::Bytes abc = {'a', 'b', 'c'};
  const Row rows[] = {
      {"Content-Length of another size", answering, "Content-Length: 5", abc, "711 ", false},
      {"Content-Length that is no number", answering, "Content-Length: 3x", abc, "711 ", false},
      {"Content-Length without a body", answering, "Content-Length: 1", {}, "711 ", false},
      {"chunked with a body", answering, "Transfer-Encoding: chunked", abc, "711 ", false},
      {"Content-Length that agrees", answering, "content-length:  3", abc, "200 OK", true},
      {"body the server leaves unread", stalling, "", text::Bytes(48 << 20, 'b'), "711 ", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = row.server.Requests().size();
    Outs outs;
    const WebRequestResult result = WebRequest(outs.With({.url = row.server.Url("/"),
                                                          .method = 1,
                                                          .extraHeaders = row.extraHeaders,
                                                          .timeoutSeconds = 1,
                                                          .bodyBytes = row.body}));
    EXPECT_TRUE(outs.statusText.starts_with(row.status)) << outs.statusText;
    EXPECT_EQ(result.failed, row.status == "711 ");
    EXPECT_EQ(row.server.Requests().size() > before, row.reachesTheWire);
  }
}

// The header lines of a recorded request named `name`, ignoring ASCII case.
std::vector<std::string> LinesNamed(const std::string& request, std::string_view name) {
  std::vector<std::string> lines;
  const std::size_t head = request.find("\r\n\r\n");
  for (std::size_t at = request.find("\r\n"); at < head;) {
    const std::size_t end = request.find("\r\n", at + 2);
    const std::string line = request.substr(at + 2, end - at - 2);
    if (line.size() > name.size() && line[name.size()] == ':' &&
        std::equal(name.begin(), name.end(), line.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      lines.push_back(line);
    }
    at = end;
  }
  return lines;
}

TEST(WebRequest, CookieSetOnARedirectJoinsTheCallersInOneLine) {
  RawServer server([](const std::string& request, int) {
    if (request.starts_with("GET /login ")) {
      return Answer(
          "HTTP/1.1 302 Found\r\nSet-Cookie: s=2; Path=/\r\nLocation: /home\r\n"
          "Content-Length: 0\r\n\r\n");
    }
    return Answer(OkPage("", "home"));
  });
  struct Row {
    const char* name;
    text::Text cookiesIn;
    text::Text extraHeaders;
    std::string secondLeg;
  };
  const Row rows[] = {
      // The cookies the session stored come before the caller's own.
      {"cookies given: the session keeps cookies", "a=1", "", "Cookie: s=2; a=1"},
      {"a Cookie header alone: the session keeps none", "", "Cookie: a=1", "Cookie: a=1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    text::Text cookies = row.cookiesIn;
    const std::size_t before = server.Requests().size();
    const WebRequestResult result = WebRequest(WebRequestOptions{.url = server.Url("/login"),
                                                                 .cookiesIn = &cookies,
                                                                 .extraHeaders = row.extraHeaders,
                                                                 .timeoutSeconds = 1});
    EXPECT_EQ(result.text, "home");
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), before + 2);
    EXPECT_EQ(LinesNamed(requests[before], "Cookie"), std::vector<std::string>{"Cookie: a=1"});
    EXPECT_EQ(LinesNamed(requests[before + 1], "Cookie"), std::vector<std::string>{row.secondLeg});
  }
}

TEST(WebRequest, SelfSignedCertificateIsAccepted) {
  LocalHttpServer server(
      [](httplib::Server& s) {
        s.Get("/", [](const httplib::Request&, httplib::Response& res) {
          res.set_content("<meta charset=\"utf-8\">\xE4\xB8\xAD", "text/html");
        });
      },
      LocalHttpServer::Scheme::kHttps);
  ASSERT_TRUE(server.Started());
  text::Text status;
  const WebRequestResult result =
      WebRequest(WebRequestOptions{.url = server.Url("/"), .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  EXPECT_FALSE(result.failed);
  EXPECT_TRUE(result.converted);
  EXPECT_EQ(result.text, "<meta charset=\"utf-8\">\xD6\xD0");
}

}  // namespace
}  // namespace velnora::web
