// The failure messages reach the caller as code-page-936 bytes. The expected bytes are
// the messages encoded by Python's gbk codec, not the program's own constants.
#include <gtest/gtest.h>

#include <string>

#include "platform/http/curl_http.h"
#include "platform/http/failing_http.h"
#include "tests/support/hex.h"
#include "tests/support/local_servers.h"
#include "web/web_request.h"

namespace velnora::web {
namespace {

using platform::http::CurlHttp;
using platform::http::FailingHttp;
using platform::http::HttpStep;
using testing::Hex;
using testing::RawServer;
using testing::RawStep;

TEST(WebRequestMessages, EveryFailingStepWritesItsMessageInCodePage936) {
  RawServer server([](const std::string&, int) {
    return std::vector<RawStep>{RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx")};
  });
  ASSERT_TRUE(server.Started());
  struct Row {
    const char* name;
    HttpStep step;
    int occurrence;
    std::string_view hex;
  };
  const Row rows[] = {
      {"700", HttpStep::kCheckPlatform, 1,
       "37 30 30 20 B5 B1 C7 B0 CF B5 CD B3 B2 BB D6 A7 B3 D6 57 69 6E 48 74 74 70 B7 FE CE F1 21"},
      {"701", HttpStep::kCrackUrl, 1,
       "37 30 31 20 BD E2 CE F6 55 52 4C B5 D8 D6 B7 CA A7 B0 DC 21"},
      {"702", HttpStep::kOpen, 1,
       "37 30 32 20 B4 B4 BD A8 57 69 6E 48 74 74 70 BB E1 BB B0 CA A7 B0 DC 21"},
      {"703", HttpStep::kConnect, 1,
       "37 30 33 20 B4 B4 BD A8 57 69 6E 48 74 74 70 C1 AC BD D3 CA A7 B0 DC 21"},
      {"704", HttpStep::kOpenRequest, 1,
       "37 30 34 20 B4 B4 BD A8 57 69 6E 48 74 74 70 C7 EB C7 F3 CA A7 B0 DC 21"},
      {"705", HttpStep::kSetTimeouts, 1,
       "37 30 35 20 C9 E8 D6 C3 B3 AC CA B1 CA B1 BC E4 CA A7 B0 DC 21"},
      {"707 server", HttpStep::kSetCredentials, 1,
       "37 30 37 20 C9 E8 D6 C3 B4 FA C0 ED C6 BE D6 A4 CA A7 B0 DC 21"},
      {"707 proxy", HttpStep::kSetCredentials, 2,
       "37 30 37 20 C9 E8 D6 C3 B4 FA C0 ED C6 BE D6 A4 CA A7 B0 DC 21"},
      {"certificate", HttpStep::kSetOption, 1,
       "BA F6 C2 D4 B4 ED CE F3 2F D6 A4 CA E9 B4 ED CE F3 20 20 CA A7 B0 DC A3 A1"},
      {"708", HttpStep::kSetOption, 2,
       "37 30 38 20 BD FB D6 B9 D7 D4 B6 AF C9 E8 D6 C3 43 6F 6F 6B 69 65 73 CA A7 B0 DC 21"},
      {"709", HttpStep::kSetOption, 3, "37 30 39 20 D6 D8 B6 A8 CF F2 C9 E8 D6 C3 CA A7 B0 DC 21"},
      {"710", HttpStep::kAddRequestHeaders, 1,
       "37 31 30 20 C9 E8 D6 C3 D0 AD D2 E9 CD B7 CA A7 B0 DC 21"},
      {"711", HttpStep::kSendRequest, 1, "37 31 31 20 B7 A2 CB CD C7 EB C7 F3 CA A7 B0 DC 21"},
      {"712", HttpStep::kReceiveResponse, 1, "37 31 32 20 B7 FE CE F1 C6 F7 CE B4 CF EC D3 A6 21"},
      {"713", HttpStep::kReadData, 1, "37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CurlHttp curl;
    FailingHttp http(curl);
    http.FailAt(row.step, row.occurrence);
    text::Text status;
    const WebRequestResult result = WebRequest(http, {.url = server.Url("/"),
                                                      .noRedirect = true,
                                                      .serverUser = "u",
                                                      .serverPassword = "p",
                                                      .proxyUser = "pu",
                                                      .proxyPassword = "pp",
                                                      .statusText = &status});
    EXPECT_EQ(status, Hex(row.hex));
  }
}

TEST(WebRequestMessages, UnknownSchemeGives701InCodePage936) {
  text::Text status;
  const WebRequestResult result = WebRequest({.url = "nope://x", .statusText = &status});
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(status, Hex("37 30 31 20 BD E2 CE F6 55 52 4C B5 D8 D6 B7 CA A7 B0 DC 21"));
}

}  // namespace
}  // namespace velnora::web
