// Fuzzes WebRequest over the playback service: arbitrary options, a URL cracked into
// arbitrary parts, raw response headers, a body in arbitrary pieces that may break off,
// and up to three failing calls anywhere. Checked against the request's contract: the
// exact calls up to the response and the order they come in, one message per failing
// step, the read loop's buffers, every handle closed once (request, connection, session),
// out-arguments written only where the request says, the response step held to its plain
// version, the raw body handed back whole, and the events processed where they must be.
#include "web/web_request.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/inputs.h"
#include "fuzz/playback_http.h"
#include "platform/events/pending_events.h"
#include "tests/support/hex.h"
#include "tests/support/web_reference.h"

namespace {

using velnora::fuzzing::PlaybackCall;
using velnora::fuzzing::PlaybackHttp;
using velnora::fuzzing::PlaybackScript;
using velnora::platform::http::Handle;
using velnora::platform::http::HttpStep;
using velnora::testing::Hex;
using velnora::text::Bytes;
using velnora::text::Text;
namespace fuzzing = velnora::fuzzing;
namespace http = velnora::platform::http;
namespace reference = velnora::testing::reference;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The failure messages as Python's gbk codec writes them.
const std::string kMessage700 = Hex(
    "37 30 30 20 B5 B1 C7 B0 CF B5 CD B3 B2 BB D6 A7 B3 D6 57 69 6E 48 74 74 70 B7 FE CE F1 21");
const std::string kMessage701 = Hex("37 30 31 20 BD E2 CE F6 55 52 4C B5 D8 D6 B7 CA A7 B0 DC 21");
const std::string kMessage702 =
    Hex("37 30 32 20 B4 B4 BD A8 57 69 6E 48 74 74 70 BB E1 BB B0 CA A7 B0 DC 21");
const std::string kMessage703 =
    Hex("37 30 33 20 B4 B4 BD A8 57 69 6E 48 74 74 70 C1 AC BD D3 CA A7 B0 DC 21");
const std::string kMessage704 =
    Hex("37 30 34 20 B4 B4 BD A8 57 69 6E 48 74 74 70 C7 EB C7 F3 CA A7 B0 DC 21");
const std::string kMessage705 =
    Hex("37 30 35 20 C9 E8 D6 C3 B3 AC CA B1 CA B1 BC E4 CA A7 B0 DC 21");
const std::string kMessage707 =
    Hex("37 30 37 20 C9 E8 D6 C3 B4 FA C0 ED C6 BE D6 A4 CA A7 B0 DC 21");
const std::string kMessage708 =
    Hex("37 30 38 20 BD FB D6 B9 D7 D4 B6 AF C9 E8 D6 C3 43 6F 6F 6B 69 65 73 CA A7 B0 DC 21");
const std::string kMessage709 = Hex("37 30 39 20 D6 D8 B6 A8 CF F2 C9 E8 D6 C3 CA A7 B0 DC 21");
const std::string kMessage710 = Hex("37 31 30 20 C9 E8 D6 C3 D0 AD D2 E9 CD B7 CA A7 B0 DC 21");
const std::string kMessage711 = Hex("37 31 31 20 B7 A2 CB CD C7 EB C7 F3 CA A7 B0 DC 21");
const std::string kMessage712 = Hex("37 31 32 20 B7 FE CE F1 C6 F7 CE B4 CF EC D3 A6 21");
const std::string kMessage713 = Hex("37 31 33 20 B6 C1 C8 A1 CA FD BE DD CA A7 B0 DC 21");
const std::string kCertificateMessage =
    Hex("BA F6 C2 D4 B4 ED CE F3 2F D6 A4 CA E9 B4 ED CE F3 20 20 CA A7 B0 DC A3 A1");

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::u16string Widen(std::string_view ascii) {
  return fuzzing::WidenHeaders(ascii, fuzzing::HeaderEncoding::kLatin1);
}

std::vector<std::uint32_t> Sizes(std::string_view bytes) {
  std::vector<std::uint32_t> sizes;
  for (const char c : bytes) sizes.push_back(static_cast<unsigned char>(c));
  return sizes;
}

// One call the request must make, as far as it can be told apart without converting
// texts the way the code under test does.
struct ExpectedCall {
  HttpStep step;
  std::vector<std::uint32_t> numbers;
  std::optional<std::u16string> text{};  // compared when known
  std::optional<std::string> body{};
};

// The expected calls in order up to the first failing one, and the message it gives.
struct Road {
  std::vector<ExpectedCall> calls;
  const std::string* message = nullptr;  // null: steps 1 to 14 all succeed
  bool processesEvents = false;          // after the failure
};

class Counter {
 public:
  explicit Counter(const PlaybackScript& script) : script_(script) {}
  // Whether the next call of `step` is one the script fails.
  bool NextFails(HttpStep step) {
    const int count = ++counts_[static_cast<int>(step)];
    for (const PlaybackScript::Failure& f : script_.failures) {
      if (f.step == step && f.occurrence == count) return true;
    }
    return false;
  }

 private:
  const PlaybackScript& script_;
  int counts_[static_cast<int>(HttpStep::kCloseHandle) + 1] = {};
};

struct Request {
  PlaybackScript script;
  velnora::web::WebRequestOptions options;
  std::uint8_t flags = 0;
  bool asciiTexts = false;  // url, host, proxy, credentials and header inputs are ASCII
  // The caller's cookie variables, which the options point at when they are given.
  Text cookiesIn;
  Text cookiesOut;
};

Road RoadOf(const Request& request, Counter& counter) {
  const velnora::web::WebRequestOptions& o = request.options;
  const http::UrlParts& url = request.script.url;
  const bool secure = url.scheme == http::kSchemeHttps;
  const bool ascii = request.asciiTexts;
  Road road;
  auto call = [&](ExpectedCall c, const std::string& message, bool events) {
    road.calls.push_back(std::move(c));
    if (road.message == nullptr && counter.NextFails(road.calls.back().step)) {
      road.message = &message;
      road.processesEvents = events;
      return false;
    }
    return true;
  };
  const auto known = [ascii](std::u16string text) {
    return ascii ? std::optional<std::u16string>(std::move(text)) : std::nullopt;
  };

  if (!call({HttpStep::kCheckPlatform, {}}, kMessage700, false)) return road;
  if (!call({HttpStep::kCrackUrl, {}, known(Widen(o.url))}, kMessage701, true)) return road;
  const bool proxied = !o.proxy.empty();
  if (!call({HttpStep::kOpen,
             {proxied ? http::kAccessNamedProxy : http::kAccessNoProxy},
             known(Widen(!proxied ? ""
                         : secure ? o.proxy
                                  : "http=" + o.proxy))},
            kMessage702, true)) {
    return road;
  }
  const long long product = static_cast<long long>(o.timeoutSeconds) * 1000;
  const auto limit = static_cast<std::uint32_t>(
      o.timeoutSeconds < 1 ? 30000 : std::min<long long>(product, INT_MAX));
  if (!call({HttpStep::kSetTimeouts, {limit, limit, limit, limit}}, kMessage705, true)) {
    return road;
  }
  const bool asciiHost =
      std::all_of(url.host.begin(), url.host.end(), [](char16_t c) { return c < 0x80; });
  if (!call({HttpStep::kConnect,
             {static_cast<std::uint32_t>(url.port)},
             asciiHost ? std::optional<std::u16string>(url.host) : std::nullopt},
            kMessage703, true)) {
    return road;
  }
  // The verbs by number, as the request's table gives them.
  constexpr std::u16string_view kVerbs[] = {u"GET",     u"POST",   u"HEAD",  u"PUT",
                                            u"OPTIONS", u"DELETE", u"TRACE", u"CONNECT"};
  const std::u16string verb(o.method >= 0 && o.method <= 7 ? kVerbs[o.method] : u"GET");
  const std::u16string object = url.path.empty() ? u"/" : url.path + url.extraInfo;
  if (!call({HttpStep::kOpenRequest, {secure ? 0x800000u : 0u}, verb + u" " + object}, kMessage704,
            true)) {
    return road;
  }
  if (!o.serverUser.empty() && !o.serverPassword.empty() &&
      !call(
          {HttpStep::kSetCredentials, {0, 1}, known(Widen(o.serverUser + " " + o.serverPassword))},
          kMessage707, false)) {
    return road;
  }
  if (!o.proxyUser.empty() && !o.proxyPassword.empty() &&
      !call({HttpStep::kSetCredentials, {1, 1}, known(Widen(o.proxyUser + " " + o.proxyPassword))},
            kMessage707, false)) {
    return road;
  }
  if (!call({HttpStep::kSetOption, {31, 0x3300}}, kCertificateMessage, false)) return road;
  const Text cookiesIn = o.cookiesIn != nullptr ? *o.cookiesIn : Text();
  if (!call({HttpStep::kSetOption, cookiesIn.empty() ? std::vector<std::uint32_t>{63, 1}
                                                     : std::vector<std::uint32_t>{79, 1}},
            kMessage708, false)) {
    return road;
  }
  if (o.noRedirect && !call({HttpStep::kSetOption, {63, 2}}, kMessage709, false)) return road;
  const Text block =
      reference::PlainHeaderBlock({.extraHeaders = o.extraHeaders,
                                   .method = o.method,
                                   .addDefaultHeaders = o.addDefaultHeaders.value_or(true),
                                   .normaliseNames = o.normaliseNames.value_or(true),
                                   .cookiesIn = cookiesIn});
  if (!call({HttpStep::kAddRequestHeaders, {0x20000000}, known(Widen(block))}, kMessage710, true)) {
    return road;
  }
  const std::string body =
      !o.bodyBytes.empty() ? std::string(o.bodyBytes.begin(), o.bodyBytes.end()) : o.bodyText;
  if (!call({HttpStep::kSendRequest, {}, std::nullopt, body}, kMessage711, true)) return road;
  call({HttpStep::kReceiveResponse, {}}, kMessage712, true);
  return road;
}

void RequireCall(const PlaybackCall& actual, const ExpectedCall& expected) {
  const auto numbers = [](const std::vector<std::uint32_t>& v) {
    std::string out;
    for (const std::uint32_t n : v) out += std::to_string(n) + " ";
    return out;
  };
  if (actual.step != expected.step ||
      (!expected.numbers.empty() && actual.numbers != expected.numbers)) {
    std::fprintf(stderr, "call of step %d with %s; expected step %d with %s\n",
                 static_cast<int>(actual.step), numbers(actual.numbers).c_str(),
                 static_cast<int>(expected.step), numbers(expected.numbers).c_str());
  }
  Require(actual.step == expected.step, "the calls come in the request's order");
  if (!expected.numbers.empty()) {
    Require(actual.numbers == expected.numbers, "each call gets the request's numbers");
  }
  if (expected.text) Require(actual.text == *expected.text, "each call gets the request's texts");
  if (expected.body) Require(actual.body == *expected.body, "the body is sent as given");
}

void Decode(fuzzing::InputReader& input, Request& r) {
  velnora::web::WebRequestOptions& o = r.options;
  o.method = fuzzing::MethodOf(input.Byte());
  const std::uint8_t flags = r.flags = input.Byte();
  constexpr int kTimeouts[] = {0,       -5,     1, 5, 30, INT_MAX / 1000, INT_MAX / 1000 + 1,
                               INT_MAX, INT_MIN};
  o.timeoutSeconds = kTimeouts[input.Byte() % std::size(kTimeouts)];
  const std::uint8_t schemeAndPort = input.Byte();
  constexpr int kPorts[] = {80, 443, 0, 8080, 65535};
  r.script.url.scheme = (schemeAndPort & 1) != 0 ? http::kSchemeHttps : http::kSchemeHttp;
  r.script.url.port = kPorts[(schemeAndPort >> 1) % std::size(kPorts)];
  for (int i = 0; i < fuzzing::kRequestFailures; ++i) {
    const std::uint8_t step = input.Byte();
    const std::uint8_t occurrence = input.Byte();
    if (step <= static_cast<std::uint8_t>(HttpStep::kCloseHandle)) {
      r.script.failures.push_back({static_cast<HttpStep>(step), 1 + occurrence % 8});
    }
  }
  const fuzzing::HeaderEncoding encoding = fuzzing::HeaderEncodingOf(input.Byte());
  r.script.bodyBreaks = input.Byte() != 0;
  r.script.pieces = Sizes(input.Binary());
  r.script.reads = Sizes(input.Binary());

  o.url = input.Text();
  // Parts as a successful crack gives them: a host, a path from "/", extra info from
  // "?" or "#".
  const Text host = input.Text();
  Text path = input.Text();
  Text extra = input.Text();
  if (!path.empty() && path.front() != '/') path.insert(0, "/");
  if (!extra.empty() && extra.front() != '?' && extra.front() != '#') extra.insert(0, "?");
  // Read like the headers, so that the host can hold any unit, lone surrogates too.
  r.script.url.host = fuzzing::WidenHeaders(host, encoding);
  if (r.script.url.host.empty()) r.script.url.host = u"h";
  r.script.url.path = fuzzing::WidenHeaders(path, encoding);
  r.script.url.extraInfo = fuzzing::WidenHeaders(extra, encoding);
  o.extraHeaders = input.Text();
  r.cookiesIn = input.Text();
  r.cookiesOut = input.Text();
  if ((flags & fuzzing::kRequestWantsCookies) != 0) {
    o.cookiesIn = &r.cookiesIn;
    o.cookiesOut = &r.cookiesOut;
  }
  o.serverUser = input.Text();
  o.serverPassword = input.Text();
  o.proxy = input.Text();
  o.proxyUser = input.Text();
  o.proxyPassword = input.Text();
  o.bodyText = input.Text();
  const std::string bodyBytes = input.Binary();
  o.bodyBytes.assign(bodyBytes.begin(), bodyBytes.end());
  r.script.rawHeaders = fuzzing::WidenHeaders(input.Binary(), encoding);
  r.script.body = input.Rest();

  o.noRedirect = (flags & fuzzing::kRequestNoRedirect) != 0;
  if ((flags & fuzzing::kRequestAutoMergeOff) != 0) o.autoMergeCookies = false;
  if ((flags & fuzzing::kRequestDefaultsOff) != 0) o.addDefaultHeaders = false;
  if ((flags & fuzzing::kRequestNormaliseOff) != 0) o.normaliseNames = false;
  r.asciiTexts = IsAscii(o.url + host + o.proxy + o.extraHeaders + r.cookiesIn + o.serverUser +
                         o.serverPassword + o.proxyUser + o.proxyPassword);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputReader input(data, size);
  Request request;
  Decode(input, request);
  velnora::web::WebRequestOptions& o = request.options;
  const std::uint8_t flags = request.flags;

  // Out-arguments hold the caller's values; the request may write only where it says.
  const Text sentinel = "caller's";
  const Bytes sentinelBytes{0x42, 0x00};
  Text statusText = sentinel;
  Text responseHeaders = sentinel;
  Text location = sentinel;
  Bytes responseBytes = sentinelBytes;
  o.statusText = &statusText;
  if ((flags & fuzzing::kRequestWantsHeaders) != 0) o.responseHeaders = &responseHeaders;
  if ((flags & fuzzing::kRequestWantsLocation) != 0) o.location = &location;
  if ((flags & fuzzing::kRequestWantsBytes) != 0) o.responseBytes = &responseBytes;
  const Text cookiesInBefore = o.cookiesIn != nullptr ? *o.cookiesIn : Text();
  const Text cookiesOutBefore = o.cookiesOut != nullptr ? *o.cookiesOut : Text();

  // Worked out before the request, which may rewrite the caller's cookies.
  Counter counter(request.script);
  const Road road = RoadOf(request, counter);

  int events = 0;
  auto previousHook = velnora::platform::SetPendingEventsHook([&events] { ++events; });
  PlaybackHttp service(request.script);
  const velnora::web::WebRequestResult result = velnora::web::WebRequest(service, o);
  velnora::platform::SetPendingEventsHook(std::move(previousHook));

  const std::vector<PlaybackCall>& calls = service.Calls();
  Require(calls.size() >= road.calls.size(), "the request makes every call up to its end");
  for (std::size_t i = 0; i < road.calls.size(); ++i) RequireCall(calls[i], road.calls[i]);
  Require(result.text.find('\0') == Text::npos, "the result holds no zero byte");

  // The handles opened, then closed request first; nothing is used after its close.
  Handle session = 0;
  Handle connection = 0;
  Handle requestHandle = 0;
  for (const PlaybackCall& c : calls) {
    if (c.step == HttpStep::kOpen) session = c.opened;
    if (c.step == HttpStep::kConnect) connection = c.opened;
    if (c.step == HttpStep::kOpenRequest) requestHandle = c.opened;
  }
  std::vector<Handle> closes;
  std::size_t firstClose = calls.size();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].step != HttpStep::kCloseHandle) continue;
    closes.push_back(calls[i].handle);
    firstClose = std::min(firstClose, i);
  }
  std::vector<Handle> expectedCloses;
  for (const Handle h : {requestHandle, connection, session}) {
    if (h != 0) expectedCloses.push_back(h);
  }
  Require(closes == expectedCloses, "every handle opened is closed once, request first");
  Require(firstClose == calls.size() - closes.size(), "the closes come last");
  Require(service.BadHandleUses() == 0 && service.OpenHandles() == 0,
          "no handle is misused or left");

  const auto untouched = [&](bool status) {
    Require(!status || statusText == sentinel, "statusText is not written");
    Require(responseHeaders == sentinel && location == sentinel && responseBytes == sentinelBytes,
            "the response's out-arguments are not written");
    Require((o.cookiesIn == nullptr || *o.cookiesIn == cookiesInBefore) &&
                (o.cookiesOut == nullptr || *o.cookiesOut == cookiesOutBefore),
            "the cookies are not written");
  };

  if (road.message != nullptr) {
    Require(firstClose == road.calls.size(), "nothing follows a failing step but the closes");
    Require(statusText == *road.message, "a failing step gives its own message");
    Require(result.failed && result.text.empty() && !result.converted,
            "a failing step gives the empty result");
    untouched(false);
    Require(events == (road.processesEvents ? 1 : 0),
            "events are processed after the failures that call for it, and only there");
    return 0;
  }

  // The read loop: each read asks for what was announced; it ends at an announced 0, a
  // failed query or a failed read.
  std::size_t i = road.calls.size();
  bool readFailed = false;
  while (true) {
    Require(i < firstClose && calls[i].step == HttpStep::kQueryDataAvailable,
            "the read loop begins each round with a query");
    const PlaybackCall& query = calls[i++];
    if (query.failed || query.numbers.at(0) == 0) break;
    Require(i < firstClose && calls[i].step == HttpStep::kReadData &&
                calls[i].numbers.at(0) == query.numbers.at(0),
            "each read asks for the bytes announced");
    if (calls[i++].failed) {
      readFailed = true;
      break;
    }
  }
  Require(firstClose - i == 2 && calls[i].step == HttpStep::kQueryHeaders &&
              calls[i + 1].step == HttpStep::kQueryHeaders &&
              calls[i].numbers == std::vector<std::uint32_t>{22, 0},
          "the raw headers are asked for twice, the first time for their size");
  const bool headersFetched = !calls[i + 1].failed;
  Require(result.failed == readFailed, "only a failed read fails a request that got its response");

  if (!headersFetched) {
    Require(statusText == (readFailed ? kMessage713 : sentinel),
            "without the headers statusText keeps the read's message or the caller's text");
    Require(result.text.empty(), "without the headers the result is empty");
    untouched(false);
    Require(events == 1, "events are processed after the failed header query");
    return 0;
  }

  const std::string& body = service.Delivered();
  if (o.responseBytes != nullptr) {
    Require(responseBytes == Bytes(body.begin(), body.end()), "the raw body comes back whole");
  }
  if (o.responseHeaders != nullptr) {
    Require(responseHeaders.find('\0') == Text::npos, "the raw headers hold no zero byte");
    const std::u16string& units = request.script.rawHeaders;
    const auto zero = std::find(units.begin(), units.end(), u'\0');
    if (std::all_of(units.begin(), zero, [](char16_t c) { return c < 0x80; })) {
      Require(responseHeaders == std::string(units.begin(), zero),
              "ASCII headers come back as they are");
    }
    reference::PlainResponseOutputs expected{.statusText = readFailed ? kMessage713 : sentinel,
                                             .cookiesOut = cookiesOutBefore,
                                             .cookiesIn = cookiesInBefore};
    reference::PlainResponseStep(responseHeaders, readFailed,
                                 o.autoMergeCookies.value_or(true) && o.cookiesIn != nullptr,
                                 expected);
    Require(statusText == expected.statusText, "the status text agrees with the plain step");
    if (o.location != nullptr) {
      Require(location == expected.location.value_or(sentinel),
              "the location agrees with the plain step");
    }
    if (o.cookiesOut != nullptr) {
      Require(*o.cookiesOut == expected.cookiesOut && *o.cookiesIn == expected.cookiesIn,
              "the cookies agree with the plain step");
    }
    const std::size_t lines = reference::PlainSplit(responseHeaders, "\r\n").size();
    Require(events >= static_cast<int>(lines) + 1 && events <= static_cast<int>(lines) + 2,
            "events are processed after each header line, the sniff and the exchange");
  }
  const Text asText = body.substr(0, std::min(body.find('\0'), body.size()));
  // The sniff reads the head as characters, where a byte below 0x80 after a lone first
  // byte is a character of its own, so "<meta" is looked for byte by byte here.
  const std::string_view head = std::string_view(asText).substr(0, 1024);
  bool metaTag = false;
  for (std::size_t p = 0; p < head.size() && !metaTag; ++p)
    metaTag = reference::MatchesAt(head, p, "<meta", true);
  if (!metaTag) {
    Require(!result.converted && result.text == asText, "a page without a meta tag is taken as is");
  }
  return 0;
}
