// Fuzzes the response processing: a complete exchange over the playback service whose raw
// header block is arbitrary (read as Latin-1, UTF-8 or UTF-16 units), with arbitrary
// cookies on entry, and MergeCookies on arbitrary cookie strings. The status text, the
// cookies, the location and the merge are each held to a plain version written from
// their contracts; a merge result is free of "=deleted" items and of repeated items.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/inputs.h"
#include "fuzz/playback_http.h"
#include "tests/support/hex.h"
#include "tests/support/web_reference.h"
#include "web/cookies.h"
#include "web/web_request.h"

namespace {

using velnora::text::Text;
namespace fuzzing = velnora::fuzzing;
namespace reference = velnora::testing::reference;
namespace web = velnora::web;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// "713 读取数据失败!" as Python's gbk codec writes it.
const std::string kReadFailed =
    velnora::testing::Hex("37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21");

void CheckMerge(const Text& olderIn, const Text& newer) {
  Text older = olderIn;
  const Text merged = web::MergeCookies(&older, newer);
  Text plainOlder = olderIn;
  Require(merged == reference::PlainMergeCookies(&plainOlder, newer),
          "MergeCookies agrees with the plain merge");
  Require(older == merged, "the older string receives the merge");
  const std::vector<Text> items = reference::PlainSplit(merged, "; ");
  for (std::size_t i = 0; i < items.size(); ++i) {
    Require(!std::string_view(items[i]).ends_with("=deleted"), "deleted cookies drop out");
    for (std::size_t k = 0; k < i; ++k) Require(items[k] != items[i], "no item comes twice");
  }
  // Merging the result again with nothing new keeps it.
  Text again = merged;
  Require(web::MergeCookies(&again, "") == reference::PlainMergeCookies(&plainOlder, ""),
          "a second merge agrees with the plain merge");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputReader input(data, size);
  const fuzzing::HeaderEncoding encoding = fuzzing::HeaderEncodingOf(input.Byte());
  const std::uint8_t flags = input.Byte();
  Text cookiesIn = input.Text();
  Text cookiesOut = input.Text();
  const Text older = input.Text();
  const Text newer = input.Text();
  const std::string headerBytes = input.Rest();

  CheckMerge(older, newer);

  fuzzing::PlaybackScript script;
  script.url = {.scheme = 1, .host = u"h", .port = 80, .path = u"/", .extraInfo = u""};
  script.rawHeaders = fuzzing::WidenHeaders(headerBytes, encoding);
  script.body = "<p>x</p>";
  const bool readFails = (flags & fuzzing::kResponseReadFails) != 0;
  if (readFails) script.failures.push_back({velnora::platform::http::HttpStep::kReadData, 1});
  fuzzing::PlaybackHttp service(script);

  const Text cookiesInBefore = cookiesIn;
  const Text cookiesOutBefore = cookiesOut;
  Text statusText = "caller's";
  Text responseHeaders;
  Text location = "caller's";
  const bool wantsLocation = (flags & fuzzing::kResponseWantsLocation) != 0;
  const bool wantsCookiesOut = (flags & fuzzing::kResponseWantsCookiesOut) != 0;
  const bool wantsCookiesIn = (flags & fuzzing::kResponseWantsCookiesIn) != 0;
  const bool autoMerge = (flags & fuzzing::kResponseAutoMergeOff) == 0;
  web::WebRequestOptions options{.url = "http://h/",
                                 .cookiesIn = wantsCookiesIn ? &cookiesIn : nullptr,
                                 .cookiesOut = wantsCookiesOut ? &cookiesOut : nullptr,
                                 .responseHeaders = &responseHeaders,
                                 .location = wantsLocation ? &location : nullptr,
                                 .statusText = &statusText};
  if (!autoMerge) options.autoMergeCookies = false;
  const web::WebRequestResult result = web::WebRequest(service, options);

  Require(result.failed == readFails, "only the scripted read fails");
  Require(responseHeaders.find('\0') == Text::npos, "the raw headers hold no zero byte");
  reference::PlainResponseOutputs expected{.statusText = readFails ? kReadFailed : "caller's",
                                           .cookiesOut = wantsCookiesOut ? cookiesOutBefore : "",
                                           .cookiesIn = wantsCookiesIn ? cookiesInBefore : ""};
  reference::PlainResponseStep(responseHeaders, readFails, autoMerge && wantsCookiesIn, expected);
  Require(statusText == expected.statusText, "the status text agrees with the plain step");
  if (wantsLocation) {
    Require(location == expected.location.value_or("caller's"),
            "the location agrees with the plain step");
  }
  if (wantsCookiesOut) {
    Require(cookiesOut == expected.cookiesOut, "cookiesOut agrees with the plain step");
  }
  if (wantsCookiesIn) {
    Require(cookiesIn == expected.cookiesIn, "cookiesIn agrees with the plain step");
    if (!autoMerge) Require(cookiesIn == cookiesInBefore, "without merging cookiesIn stays");
  }
  return 0;
}
