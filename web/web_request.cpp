#include "web/web_request.h"

#include <algorithm>
#include <climits>
#include <span>
#include <string>

#include "platform/events/pending_events.h"
#include "platform/http/curl_http.h"
#include "platform/http/http_api.h"
#include "regex/regex_object.h"
#include "text/code_page.h"
#include "text/markers.h"
#include "text/primitives.h"
#include "web/cookies.h"
#include "web/request_headers.h"
#include "web/response_decoding.h"

namespace velnora::web {
namespace {

namespace http = platform::http;

int LimitMs(int timeoutSeconds) {
  if (timeoutSeconds < 1) return 30000;
  // A product beyond the int range is held at its top rather than overflowing.
  return timeoutSeconds > INT_MAX / 1000 ? INT_MAX : timeoutSeconds * 1000;
}

// Closes what was opened, request first, whichever way the request ends.
class Handles {
 public:
  explicit Handles(http::HttpApi& service) : http_(service) {}
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() {
    for (const http::Handle handle : {request, connection, session}) {
      if (handle != 0) http_.CloseHandle(handle);
    }
  }

  http::Handle session = 0;
  http::Handle connection = 0;
  http::Handle request = 0;

 private:
  http::HttpApi& http_;
};

// The header lines of the final response feed the status text, the cookies and the
// location.
void ApplyResponseHeaders(const text::Text& raw, bool readFailed,
                          const WebRequestOptions& options) {
  if (options.responseHeaders != nullptr) *options.responseHeaders = raw;
  // A failed body read must stay visible: the status line would hide it.
  if (options.statusText != nullptr && !readFailed) {
    const int end = text::FindText(raw, "\r\n", {.start = 10});
    *options.statusText = end == -1 ? text::Text() : text::TextMid(raw, 10, end - 10);
  }
  text::Text ownCookies;
  text::Text& cookiesOut = options.cookiesOut != nullptr ? *options.cookiesOut : ownCookies;
  const text::TextList lines = text::SplitText(raw, "\r\n");
  for (const text::Text& line : lines.Items()) {
    if (text::TextLeftOf(line, ": ") == "Set-Cookie") {
      const text::Text value =
          text::FindText(line, ";") != -1
              ? text::TextBetween(line, "Set-Cookie:", ";")
              : text::ReplaceText(line, "Set-Cookie:", "", {.caseSensitive = false});
      // The caller's own cookies and ours are separate items.
      if (!cookiesOut.empty() && !cookiesOut.ends_with("; ")) {
        cookiesOut += cookiesOut.ends_with(";") ? " " : "; ";
      }
      cookiesOut += text::TrimBoth(value);
      cookiesOut += "; ";
    }
    if (options.location != nullptr &&
        text::CompareText(text::TextLeft(line, 10), "Location: ", false) == 0) {
      *options.location = text::TextMid(line, 11, text::TextLength(line));
    }
    platform::ProcessPendingEvents();
  }
  if (cookiesOut.ends_with("; ")) cookiesOut.resize(cookiesOut.size() - 2);
  if (options.autoMergeCookies.value_or(true) && options.cookiesIn != nullptr &&
      !options.cookiesIn->empty()) {
    cookiesOut = MergeCookies(options.cookiesIn, cookiesOut);
  }
}

}  // namespace

std::string_view VerbText(int method) {
  static constexpr std::string_view kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                                "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return method >= 0 && method < 8 ? kVerbs[method] : kVerbs[0];
}

WebRequestResult WebRequest(http::HttpApi& service, const WebRequestOptions& options) {
  WebRequestResult result;
  // Lives for the whole request and is released after the handles are closed.
  regex::RegexObject regex;
  auto fail = [&](std::string_view message, bool processEvents) {
    if (options.statusText != nullptr) *options.statusText = message;
    result.failed = true;
    if (processEvents) platform::ProcessPendingEvents();
    return result;
  };

  if (!service.CheckPlatform()) return fail(kNoHttpService, false);
  Handles handles(service);

  http::UrlParts parts;
  if (!service.CrackUrl(text::AnsiToUnits(options.url), &parts)) return fail(kBadUrl, true);
  const bool secure = parts.scheme == http::kSchemeHttps;

  const std::u16string proxyName =
      options.proxy.empty() ? std::u16string()
                            : text::AnsiToUnits(secure ? options.proxy : "http=" + options.proxy);
  handles.session = service.Open(
      options.proxy.empty() ? http::kAccessNoProxy : http::kAccessNamedProxy, proxyName);
  if (handles.session == 0) return fail(kSessionFailed, true);

  const int limit = LimitMs(options.timeoutSeconds);
  if (!service.SetTimeouts(handles.session, limit, limit, limit, limit)) {
    return fail(kTimeoutsFailed, true);
  }

  handles.connection = service.Connect(
      handles.session, text::AnsiToUnits(text::UnitsToAnsi(parts.host)), parts.port);
  if (handles.connection == 0) return fail(kConnectionFailed, true);

  const std::u16string objectName = parts.path.empty() ? u"/" : parts.path + parts.extraInfo;
  handles.request = service.OpenRequest(handles.connection,
                                        text::AnsiToUnits(text::Text(VerbText(options.method))),
                                        objectName, secure ? http::kFlagSecure : 0);
  if (handles.request == 0) return fail(kRequestFailed, true);

  if (!options.serverUser.empty() && !options.serverPassword.empty() &&
      !service.SetCredentials(handles.request, http::kAuthTargetServer, http::kAuthSchemeBasic,
                              text::AnsiToUnits(options.serverUser),
                              text::AnsiToUnits(options.serverPassword))) {
    return fail(kCredentialsFailed, false);
  }
  if (!options.proxyUser.empty() && !options.proxyPassword.empty() &&
      !service.SetCredentials(handles.request, http::kAuthTargetProxy, http::kAuthSchemeBasic,
                              text::AnsiToUnits(options.proxyUser),
                              text::AnsiToUnits(options.proxyPassword))) {
    return fail(kCredentialsFailed, false);
  }
  if (!service.SetOption(handles.request, http::kOptionSecurityFlags,
                         http::kSecurityIgnoreUnknownCa | http::kSecurityIgnoreCertWrongUsage |
                             http::kSecurityIgnoreCertCnInvalid |
                             http::kSecurityIgnoreCertDateInvalid)) {
    return fail(kCertificateOptionFailed, false);
  }
  const text::Text cookiesIn = options.cookiesIn != nullptr ? *options.cookiesIn : text::Text();
  const bool cookieOption =
      cookiesIn.empty()
          ? service.SetOption(handles.request, http::kOptionDisableFeature, http::kDisableCookies)
          : service.SetOption(handles.request, http::kOptionEnableFeature,
                              http::kEnableSslRevocation);
  if (!cookieOption) return fail(kCookieOptionFailed, false);
  if (options.noRedirect &&
      !service.SetOption(handles.request, http::kOptionDisableFeature, http::kDisableRedirects)) {
    return fail(kRedirectOptionFailed, false);
  }

  const text::Text block =
      BuildHeaderBlock({.extraHeaders = options.extraHeaders,
                        .method = options.method,
                        .addDefaultHeaders = options.addDefaultHeaders.value_or(true),
                        .normaliseNames = options.normaliseNames.value_or(true),
                        .cookiesIn = cookiesIn});
  if (!service.AddRequestHeaders(handles.request, text::AnsiToUnits(block), http::kAddHeader)) {
    return fail(kHeadersFailed, true);
  }

  const text::Bytes body =
      options.bodyBytes.empty() ? text::TextToBytes(options.bodyText) : options.bodyBytes;
  if (!service.SendRequest(handles.request, body)) return fail(kSendFailed, true);
  if (!service.ReceiveResponse(handles.request)) return fail(kNoResponse, true);

  // Gathered in a string, so that the returned text can take over the storage.
  std::string gathered;
  bool readFailed = false;
  std::uint32_t available = 0;
  while (service.QueryDataAvailable(handles.request, &available) && available >= 1) {
    // The zero-filled read buffer is the tail of the gathered bytes itself, so a piece
    // is copied once; what was not read is cut off again.
    const std::size_t before = gathered.size();
    gathered.resize(before + available, '\0');
    std::uint32_t read = 0;
    const bool ok =
        service.ReadData(handles.request,
                         std::span<std::uint8_t>(
                             reinterpret_cast<std::uint8_t*>(gathered.data()) + before, available),
                         &read);
    gathered.resize(ok ? before + std::min<std::size_t>(read, available) : before);
    if (!ok) {
      readFailed = true;
      fail(kReadFailed, false);
      break;
    }
  }

  // The first query only asks for the size.
  std::uint32_t size = 0;
  (void)service.QueryHeaders(handles.request, http::kQueryRawHeadersCrlf, {}, &size);
  text::Bytes rawHeaders(size, 0);
  if (!service.QueryHeaders(handles.request, http::kQueryRawHeadersCrlf, rawHeaders, &size)) {
    platform::ProcessPendingEvents();
    result.text.clear();
    return result;
  }
  ApplyResponseHeaders(text::UnicodeToAnsi(rawHeaders), readFailed, options);

  DecodedText decoded = DecodeResponseText(std::move(gathered), regex, options.responseBytes);
  result.text = std::move(decoded.text);
  result.converted = decoded.converted;
  platform::ProcessPendingEvents();
  return result;
}

WebRequestResult WebRequest(const WebRequestOptions& options) {
  return WebRequest(http::SystemHttp(), options);
}

}  // namespace velnora::web
