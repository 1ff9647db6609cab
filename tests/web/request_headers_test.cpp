#include "web/request_headers.h"

#include <gtest/gtest.h>

namespace velnora::web {
namespace {

constexpr std::string_view kDefaultRoad =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Cache-Control: no-cache";

TEST(NormaliseHeaderNames, CapitalisesNamesAndDropsLinesWithoutColon) {
  struct Row {
    const char* name;
    std::string_view block;
    std::string_view expected;
  };
  const Row rows[] = {
      {"dashed name", "user-agent: x", "User-Agent: x"},
      {"upper case kept", "X-REQUESTED-WITH: y", "X-REQUESTED-WITH: y"},
      {"value untouched", "content-type:a:b", "Content-Type:a:b"},
      {"garbage and empty lines dropped", "a: 1\r\n\r\ngarbage\r\nb: 2\r\n", "A: 1\r\nB: 2"},
      {"double-byte name unchanged", "\xD6\xD0-x: 1", "\xD6\xD0-X: 1"},
      {"dash taken into a lone first byte", "\xD6-a-b: 1", "\xD6-a-B: 1"},
      {"no colon anywhere", "garbage\r\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(NormaliseHeaderNames(row.block), row.expected);
  }
}

TEST(CapitaliseFirst, ChangesOnlyALeadingAsciiLetter) {
  EXPECT_EQ(CapitaliseFirst("agent"), "Agent");
  EXPECT_EQ(CapitaliseFirst("1a"), "1a");
  EXPECT_EQ(CapitaliseFirst("\xD6\xD0"), "\xD6\xD0");
  EXPECT_EQ(CapitaliseFirst(""), "");
}

TEST(HeaderValue, ReadsTheFirstLineBeginningWithTheName) {
  EXPECT_EQ(HeaderValue("A: 1\r\nConnection: keep-alive", "Connection"), "keep-alive");
  EXPECT_EQ(HeaderValue("connection: close", "Connection"), "");
  EXPECT_EQ(HeaderValue("Connection:close", "Connection"), "");
}

TEST(BuildHeaderBlock, AssemblesCallerLinesDefaultsAndCookies) {
  const std::string road(kDefaultRoad);
  struct Row {
    const char* name;
    HeaderBlockInput input;
    std::string expected;
  };
  const Row rows[] = {
      {"default road", {}, road},
      {"caller agent kept",
       {.extraHeaders = "user-agent: Foo"},
       "User-Agent: Foo\r\n" + road.substr(road.find("Accept: "))},
      {"Accept-Encoding does not hide Accept",
       {.extraHeaders = "Accept-Encoding: identity"},
       "Accept-Encoding: identity\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT "
       "6.1; WOW64; Trident/5.0)\r\nAccept: text/html, application/xhtml+xml, */*\r\n"
       "Accept-Language: zh-cn\r\nCache-Control: no-cache"},
      {"POST adds the form content type",
       {.method = 1},
       road.substr(0, road.find("Cache-Control")) +
           "Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache"},
      {"keep-alive line removed", {.extraHeaders = "connection: keep-alive"}, road},
      {"close line kept", {.extraHeaders = "Connection: close"}, "Connection: close\r\n" + road},
      {"cookies appended", {.cookiesIn = "a=1; b=2"}, road + "\r\nCookie: a=1; b=2\r\n"},
      {"cookie line given as such", {.cookiesIn = "Cookie: a=1"}, road + "\r\nCookie: a=1\r\n"},
      {"caller Cookie line wins",
       {.extraHeaders = "Cookie: z=9", .cookiesIn = "a=1"},
       "Cookie: z=9\r\n" + road},
      {"no normalising keeps the final CRLF",
       {.normaliseNames = false, .cookiesIn = "a=1"},
       road + "\r\n\r\nCookie: a=1\r\n"},
      {"nothing at all", {.addDefaultHeaders = false, .normaliseNames = false}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(BuildHeaderBlock(row.input), row.expected);
  }
}

}  // namespace
}  // namespace velnora::web
