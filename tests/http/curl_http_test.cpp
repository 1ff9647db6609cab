#include "platform/http/curl_http.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <string>
#include <vector>

#include "tests/support/local_servers.h"

namespace velnora::platform::http {
namespace {

using testing::LocalHttpServer;
using testing::RawServer;
using testing::RawStep;

// Each byte becomes the code unit of the same value.
std::u16string U16(std::string_view bytes) {
  std::u16string out;
  for (const char c : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string Narrow(const std::vector<std::uint8_t>& utf16) {
  std::string out;
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const int unit = utf16[i] | (utf16[i + 1] << 8);
    if (unit == 0) break;
    out += static_cast<char>(unit < 0x80 ? unit : '?');
  }
  return out;
}

std::vector<RawStep> Answer(std::string bytes) {
  return {RawStep::Send(std::move(bytes))};
}

// One request through every step, the way the web request drives the service.
struct Exchange {
  std::string url{};
  std::string verb = "GET";
  std::string headers{};
  std::string body{};
  std::uint32_t accessType = kAccessNoProxy;
  std::string proxy{};
  std::vector<std::pair<std::uint32_t, std::uint32_t>> options{};
  std::vector<std::array<std::string, 2>> credentials{};  // server, then proxy

  bool sent = false;
  bool received = false;
  bool readFailed = false;
  std::string responseBody{};
  std::string rawHeaders{};

  void Run(HttpApi& http) {
    UrlParts parts;
    ASSERT_TRUE(http.CrackUrl(U16(url), &parts)) << url;
    const Handle session = http.Open(accessType, U16(proxy));
    ASSERT_NE(session, 0u);
    ASSERT_TRUE(http.SetTimeouts(session, 5000, 5000, 5000, 5000));
    const Handle connection = http.Connect(session, parts.host, parts.port);
    const std::u16string object = parts.path.empty() ? u"/" : parts.path + parts.extraInfo;
    const Handle request = http.OpenRequest(connection, U16(verb), object,
                                            parts.scheme == kSchemeHttps ? kFlagSecure : 0);
    ASSERT_NE(request, 0u);
    for (std::size_t i = 0; i < credentials.size(); ++i) {
      ASSERT_TRUE(http.SetCredentials(request, i == 0 ? kAuthTargetServer : kAuthTargetProxy,
                                      kAuthSchemeBasic, U16(credentials[i][0]),
                                      U16(credentials[i][1])));
    }
    for (const auto& [option, value] : options) {
      ASSERT_TRUE(http.SetOption(request, option, value));
    }
    if (!headers.empty()) {
      ASSERT_TRUE(http.AddRequestHeaders(request, U16(headers), kAddHeader));
    }
    const std::vector<std::uint8_t> bytes(body.begin(), body.end());
    sent = http.SendRequest(request, bytes);
    received = sent && http.ReceiveResponse(request);
    if (received) {
      std::uint32_t available = 0;
      while (http.QueryDataAvailable(request, &available) && available > 0) {
        std::vector<std::uint8_t> chunk(available);
        std::uint32_t read = 0;
        if (!http.ReadData(request, chunk, &read)) {
          readFailed = true;
          break;
        }
        responseBody.append(chunk.begin(), chunk.begin() + read);
      }
      std::uint32_t size = 0;
      EXPECT_FALSE(http.QueryHeaders(request, kQueryRawHeadersCrlf, {}, &size));
      std::vector<std::uint8_t> buffer(size);
      EXPECT_TRUE(http.QueryHeaders(request, kQueryRawHeadersCrlf, buffer, &size));
      rawHeaders = Narrow(buffer);
    }
    EXPECT_TRUE(http.CloseHandle(request));
    EXPECT_TRUE(http.CloseHandle(connection));
    EXPECT_TRUE(http.CloseHandle(session));
  }
};

TEST(CrackUrl, SplitsLikeThePlatform) {
  struct Row {
    const char* name;
    std::string_view url;
    bool ok;
    int scheme;
    std::string_view host;
    int port;
    std::string_view path;
    std::string_view extra;
  };
  const Row rows[] = {
      {"https default port", "https://a.example/x/y?q=1#f", true, 2, "a.example", 443, "/x/y",
       "?q=1#f"},
      {"http with port", "HTTP://a.example:8080/p", true, 1, "a.example", 8080, "/p", ""},
      {"no path", "http://a.example", true, 1, "a.example", 80, "", ""},
      {"query without path", "http://a.example?x=1", true, 1, "a.example", 80, "", "?x=1"},
      {"user info dropped", "http://u:p@a.example/", true, 1, "a.example", 80, "/", ""},
      {"ipv6 literal", "http://[::1]:81/", true, 1, "[::1]", 81, "/", ""},
      {"spaces pass through", "http://a.example/a b", true, 1, "a.example", 80, "/a b", ""},
      {"empty", "", false, 0, "", 0, "", ""},
      {"no scheme", "www.example.com/x", false, 0, "", 0, "", ""},
      {"other scheme", "ftp://a.example/", false, 0, "", 0, "", ""},
      {"empty host", "http:///x", false, 0, "", 0, "", ""},
      {"port not a number", "http://a.example:8x/", false, 0, "", 0, "", ""},
      {"port too big", "http://a.example:65536/", false, 0, "", 0, "", ""},
  };
  CurlHttp http;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    UrlParts parts;
    ASSERT_EQ(http.CrackUrl(U16(row.url), &parts), row.ok);
    if (!row.ok) continue;
    EXPECT_EQ(parts.scheme, row.scheme);
    EXPECT_EQ(parts.host, U16(row.host));
    EXPECT_EQ(parts.port, row.port);
    EXPECT_EQ(parts.path, U16(row.path));
    EXPECT_EQ(parts.extraInfo, U16(row.extra));
  }
}

TEST(SendRequest, PutsTheHeaderBlockAndBodyOnTheWireAsGiven) {
  RawServer server([](const std::string&, int) {
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  });
  ASSERT_TRUE(server.Started());
  CurlHttp http;
  // The test widens bytes one to one, so "\xE9" reaches the service as U+00E9.
  Exchange exchange{.url = server.Url("/a b/\xE9?q=1"),
                    .verb = "PUT",
                    .headers = "x-lower: 1\r\n\r\nX-Empty:\r\nContent-Type:a:b",
                    .body = std::string("b\0dy", 4)};
  exchange.Run(http);
  ASSERT_TRUE(exchange.received);
  EXPECT_EQ(exchange.responseBody, "ok");
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "PUT /a%20b/%C3%A9?q=1 HTTP/1.1\r\n" + host +
                                      "x-lower: 1\r\nX-Empty:\r\nContent-Type:a:b\r\n"
                                      "Connection: Keep-Alive\r\nContent-Length: 4\r\n\r\n" +
                                      std::string("b\0dy", 4));
}

TEST(SendRequest, HeadAndBodylessGetCarryNoContentLines) {
  for (const char* verb : {"GET", "HEAD"}) {
    SCOPED_TRACE(verb);
    RawServer server([](const std::string&, int) {
      return Answer("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    });
    CurlHttp http;
    Exchange exchange{.url = server.Url("/"), .verb = verb, .headers = "Connection: close"};
    exchange.Run(http);
    ASSERT_TRUE(exchange.received);
    EXPECT_EQ(exchange.responseBody, std::string(verb) == "HEAD" ? "" : "abc");
    EXPECT_EQ(server.Requests().at(0), std::string(verb) + " / HTTP/1.1\r\nHost: 127.0.0.1:" +
                                           std::to_string(server.Port()) +
                                           "\r\nConnection: close\r\n\r\n");
  }
}

TEST(AddRequestHeaders, RefusesALineThatIsNoHeader) {
  CurlHttp http;
  const Handle session = http.Open(kAccessNoProxy, u"");
  const Handle connection = http.Connect(session, u"127.0.0.1", 80);
  const Handle request = http.OpenRequest(connection, u"GET", u"/", 0);
  for (const char16_t* block : {u"garbage", u"A: 1\r\nbad name: 2", u": no name"}) {
    EXPECT_FALSE(http.AddRequestHeaders(request, block, kAddHeader));
  }
  EXPECT_TRUE(http.AddRequestHeaders(request, u"A: 1\r\n\r\nB: 2\r\n", kAddHeader));
  EXPECT_TRUE(http.CloseHandle(request));
  EXPECT_TRUE(http.CloseHandle(connection));
  EXPECT_TRUE(http.CloseHandle(session));
}

TEST(QueryHeaders, GivesTheFinalResponseWithCrlfAndAClosingEmptyLine) {
  RawServer server([](const std::string& request, int) {
    if (request.starts_with("GET /first ")) {
      return Answer("HTTP/1.1 302 Found\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n");
    }
    // Bare LF line ends still come out as CRLF.
    return Answer("HTTP/1.1 200 OK\nX-Final: yes\nContent-Length: 0\n\n");
  });
  CurlHttp http;
  Exchange exchange{.url = server.Url("/first")};
  exchange.Run(http);
  ASSERT_TRUE(exchange.received);
  EXPECT_EQ(exchange.rawHeaders, "HTTP/1.1 200 OK\r\nX-Final: yes\r\nContent-Length: 0\r\n\r\n");
}

TEST(SendRequest, RedirectsFollowedUnlessSwitchedOffAndPostBecomesGetOn303) {
  RawServer server([](const std::string& request, int) {
    if (request.starts_with("POST /form ")) {
      return Answer("HTTP/1.1 303 See Other\r\nLocation: /done\r\nContent-Length: 0\r\n\r\n");
    }
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
  });
  CurlHttp http;
  Exchange followed{.url = server.Url("/form"), .verb = "POST", .body = "a=1"};
  followed.Run(http);
  EXPECT_EQ(followed.responseBody, "done");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_TRUE(server.Requests()[1].starts_with("GET /done HTTP/1.1\r\n"));
  EXPECT_EQ(server.Requests()[1].find("Content-Length"), std::string::npos);

  Exchange stopped{.url = server.Url("/form"),
                   .verb = "POST",
                   .body = "a=1",
                   .options = {{kOptionDisableFeature, kDisableRedirects}}};
  stopped.Run(http);
  EXPECT_TRUE(stopped.rawHeaders.starts_with("HTTP/1.1 303 See Other\r\n"));
  EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(SendRequest, CookieStoreWorksWithinTheSessionUnlessDisabled) {
  RawServer server([](const std::string& request, int) {
    if (request.starts_with("GET /login ")) {
      return Answer(
          "HTTP/1.1 302 Found\r\nSet-Cookie: id=7; Path=/\r\nLocation: /home\r\n"
          "Content-Length: 0\r\n\r\n");
    }
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  });
  CurlHttp http;
  Exchange stored{.url = server.Url("/login")};
  stored.Run(http);
  Exchange disabled{.url = server.Url("/login"),
                    .options = {{kOptionDisableFeature, kDisableCookies}}};
  disabled.Run(http);
  ASSERT_EQ(server.Requests().size(), 4u);
  EXPECT_NE(server.Requests()[1].find("\r\nCookie: id=7\r\n"), std::string::npos);
  EXPECT_EQ(server.Requests()[3].find("Cookie"), std::string::npos);
}

TEST(SendRequest, BasicCredentialsGoToServerAndProxy) {
  RawServer server([](const std::string&, int) {
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  });
  CurlHttp http;
  // A plain-HTTP proxy gets the whole URL in the request line.
  Exchange exchange{.url = "http://site.example/page",
                    .accessType = kAccessNamedProxy,
                    .proxy = "http=127.0.0.1:" + std::to_string(server.Port()),
                    .credentials = {{"user", "pass"}, {"pu", "pp"}}};
  exchange.Run(http);
  ASSERT_TRUE(exchange.received);
  const std::string request = server.Requests().at(0);
  EXPECT_TRUE(request.starts_with("GET http://site.example/page HTTP/1.1\r\n")) << request;
  EXPECT_NE(request.find("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n"), std::string::npos);
  EXPECT_NE(request.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
}

TEST(SendRequest, ProxyEntryWithoutPortIsSoughtOnPort80) {
  const RawServer::Reply answer = [](const std::string&, int) {
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  };
  RawServer proxy(answer, 80);
  if (!proxy.Started()) GTEST_SKIP() << "port 80 cannot be bound here";
  CurlHttp http;
  Exchange exchange{.url = "http://site.example/page",
                    .accessType = kAccessNamedProxy,
                    .proxy = "http=127.0.0.1"};
  exchange.Run(http);
  ASSERT_TRUE(exchange.received);
  EXPECT_TRUE(proxy.Requests().at(0).starts_with("GET http://site.example/page HTTP/1.1\r\n"));
}

TEST(SendRequest, ProxyListEntryServesOnlyItsScheme) {
  RawServer proxy([](const std::string&, int) {
    return Answer("HTTP/1.1 500 Proxy\r\nContent-Length: 0\r\n\r\n");
  });
  RawServer site([](const std::string&, int) {
    return Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  });
  CurlHttp http;
  Exchange exchange{.url = site.Url("/"),
                    .accessType = kAccessNamedProxy,
                    .proxy = "https=127.0.0.1:" + std::to_string(proxy.Port())};
  exchange.Run(http);
  EXPECT_TRUE(exchange.rawHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(proxy.Requests().empty());
}

TEST(SendRequest, SelfSignedCertificatePassesOnlyWhenErrorsAreIgnored) {
  LocalHttpServer server(
      [](httplib::Server& s) {
        s.Get("/", [](const httplib::Request&, httplib::Response& res) {
          res.set_content("secret", "text/plain");
        });
      },
      LocalHttpServer::Scheme::kHttps);
  ASSERT_TRUE(server.Started());
  CurlHttp http;
  Exchange checked{.url = server.Url("/")};
  checked.Run(http);
  EXPECT_FALSE(checked.sent);

  Exchange ignoring{.url = server.Url("/"), .options = {{kOptionSecurityFlags, 0x3300}}};
  ignoring.Run(http);
  EXPECT_EQ(ignoring.responseBody, "secret");
  EXPECT_TRUE(ignoring.rawHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(ReadData, HandsOutABodyThatBrokeOffAndThenFails) {
  RawServer server([](const std::string&, int) {
    return std::vector<RawStep>{RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart"),
                                RawStep::Reset()};
  });
  CurlHttp http;
  Exchange exchange{.url = server.Url("/")};
  exchange.Run(http);
  ASSERT_TRUE(exchange.received);
  EXPECT_TRUE(exchange.readFailed);
  EXPECT_EQ(exchange.responseBody, "part");
}

}  // namespace
}  // namespace velnora::platform::http
