#include "platform/http/curl_http.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace velnora::platform::http {
namespace {

using Clock = std::chrono::steady_clock;

// The most one QueryDataAvailable announces: few large pieces keep the caller's read loop
// cheap.
constexpr std::size_t kChunk = 1024 * 1024;
// A Content-Length up to this is trusted for reserving the body buffer.
constexpr curl_off_t kMaxReserve = 64 * 1024 * 1024;
constexpr int kMaxRedirects = 10;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A lone surrogate becomes U+FFFD rather than an invalid byte sequence.
std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// Decodes UTF-8 strictly; false on any malformed, overlong or surrogate sequence.
bool DecodeUtf8(std::string_view in, std::u16string* out) {
  out->clear();
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    int extra = 0;
    char32_t c = 0;
    if (b < 0x80) {
      c = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      c = b & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= in.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if ((extra == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
        (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) {
      return false;
    }
    if (c >= 0x10000) {
      out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(c));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// Servers send header bytes in no declared encoding: UTF-8 when it is valid UTF-8, else
// each byte as the Latin-1 character of that value, so nothing is lost or rejected.
std::u16string WidenHeaderBytes(std::string_view bytes) {
  std::u16string out;
  if (DecodeUtf8(bytes, &out)) return out;
  out.clear();
  for (const char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool IsTokenChar(char c) {
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// Percent-encodes what may not stand in a request target, as WinHTTP does by default;
// "%" itself is left alone so already-encoded targets pass unchanged.
std::string EscapeTarget(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (const char ch : utf8) {
    const auto b = static_cast<unsigned char>(ch);
    if (b <= 0x20 || b >= 0x7F || std::strchr("\"<>\\^`{|}", ch) != nullptr) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

// The entry of a proxy list that serves `scheme`, as "http://host:port", or "" to go
// direct. Only plain HTTP proxies exist for the service, so any scheme written before
// the server is dropped. An entry without a port names the default port of its
// protocol (80, or 443 after "https://"), not curl's 1080.
std::string PickProxy(std::string_view list, std::string_view scheme) {
  std::string specific;
  std::string bare;
  std::size_t i = 0;
  while (i < list.size()) {
    const std::size_t end = list.find_first_of("; \t\r\n", i);
    const std::string_view entry = list.substr(i, end == std::string_view::npos ? end : end - i);
    i = end == std::string_view::npos ? list.size() : end + 1;
    if (entry.empty()) continue;
    const std::size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (bare.empty()) bare = entry;
    } else if (specific.empty() && EqualsIgnoreCase(entry.substr(0, eq), scheme)) {
      specific = entry.substr(eq + 1);
    }
  }
  std::string server = specific.empty() ? bare : specific;
  std::string_view defaultPort = ":80";
  if (const std::size_t sep = server.find("://"); sep != std::string::npos) {
    if (EqualsIgnoreCase(std::string_view(server).substr(0, sep), "https")) defaultPort = ":443";
    server.erase(0, sep + 3);
  }
  if (server.empty()) return {};
  // A bracketed IPv6 literal keeps its colons; a port follows the "]".
  const std::size_t closing = server.starts_with('[') ? server.find(']') : 0;
  if (closing != std::string::npos && server.find(':', closing) == std::string::npos) {
    server += defaultPort;
  }
  return "http://" + server;
}

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

}  // namespace

struct CurlHttp::Session {
  std::uint32_t accessType = kAccessNoProxy;
  std::string proxyList;
  int resolveMs = 0;
  int connectMs = 60000;
  int sendMs = 30000;
  int receiveMs = 30000;
  CURLSH* cookies = nullptr;  // made when a request first uses the cookie store

  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() {
    if (cookies != nullptr) curl_share_cleanup(cookies);
  }
};

struct CurlHttp::Connection {
  std::shared_ptr<Session> session;
  std::string host;
  int port = 0;
};

struct CurlHttp::Request {
  std::shared_ptr<Connection> connection;
  std::string verb;
  std::string target;
  bool secure = false;

  bool serverAuth = false;
  std::string serverUser, serverPassword;
  bool proxyAuth = false;
  std::string proxyUser, proxyPassword;
  std::uint32_t securityFlags = 0;
  bool cookiesDisabled = false;
  bool redirectsDisabled = false;
  bool revocation = false;
  std::vector<std::string> headerLines;

  enum class Stage { kOpen, kSendFailed, kSent, kReceived };
  enum class Fault { kNone, kResponse, kBody };
  Stage stage = Stage::kOpen;
  Fault fault = Fault::kNone;
  std::string rawHeaders;
  std::vector<std::uint8_t> body;
  std::size_t readOffset = 0;

  // State of the transfer under way, read by the curl callbacks.
  CURL* easy = nullptr;
  bool connected = false;
  bool sawResponse = false;
  bool finalHeaders = false;
  // A HEAD that sends a body goes out as curl's POST under the HEAD verb, and curl
  // would then wait for a response body that never comes: the transfer is ended at
  // the end of the response's header block instead.
  bool endAtHeaders = false;
  bool endedAtHeaders = false;
  curl_off_t uploaded = 0;
  curl_off_t uploadTotal = 0;
  Clock::time_point lastActivity;
};

struct CurlHttp::Object {
  std::shared_ptr<Session> session;
  std::shared_ptr<Connection> connection;
  std::unique_ptr<Request> request;
};

namespace {

using Request = CurlHttp::Request;
using Session = CurlHttp::Session;

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const std::size_t n = size * count;
  r->sawResponse = true;
  r->lastActivity = Clock::now();
  std::string_view line(data, n);
  // Each response of the exchange (1xx, redirects) starts over: only the last counts.
  if (line.starts_with("HTTP/")) {
    r->rawHeaders.clear();
    r->finalHeaders = false;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.empty()) {
    long code = 0;
    curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &code);
    if (code >= 200) {
      r->finalHeaders = true;
      // One allocation for a body of announced size instead of repeated growth.
      curl_off_t length = -1;
      curl_easy_getinfo(r->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      if (length > 0 && length <= kMaxReserve) r->body.reserve(static_cast<std::size_t>(length));
    }
  }
  r->rawHeaders.append(line);
  r->rawHeaders += "\r\n";
  if (line.empty() && r->finalHeaders && r->endAtHeaders) {
    r->endedAtHeaders = true;
    return 0;  // curl ends the transfer with a write error
  }
  return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const std::size_t n = size * count;
  r->lastActivity = Clock::now();
  r->body.insert(r->body.end(), reinterpret_cast<std::uint8_t*>(data),
                 reinterpret_cast<std::uint8_t*>(data) + n);
  return n;
}

int OnPrerequest(void* user, char*, char*, int, int) {
  auto* r = static_cast<Request*>(user);
  r->connected = true;
  r->lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

// The send and receive limits are limits on silence, not on the whole transfer: a slow
// but steady body goes on, a stalled one ends.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto* r = static_cast<Request*>(user);
  const auto now = Clock::now();
  if (uploaded != r->uploaded) {
    r->uploaded = uploaded;
    r->lastActivity = now;
  }
  if (!r->connected) return 0;  // the connect limit covers this part
  const Session& s = *r->connection->session;
  const int limit = r->uploaded < r->uploadTotal ? s.sendMs : s.receiveMs;
  if (limit <= 0) return 0;
  const auto silent =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - r->lastActivity).count();
  return silent > limit ? 1 : 0;
}

// Setup errors are reported as a failed send; curl only refuses options it lacks.
bool Set(CURL* easy, CURLoption option, long value) {
  return curl_easy_setopt(easy, option, value) == CURLE_OK;
}
template <typename T>
bool SetPtr(CURL* easy, CURLoption option, T value) {
  return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// The value of a header line without the white space around it.
std::string_view HeaderLineValue(std::string_view line) {
  std::string_view value = line.substr(line.find(':') + 1);
  value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
  value.remove_suffix(value.size() - (value.find_last_not_of(" \t") + 1));
  return value;
}

// The caller's Cookie lines are left out of the list and their values joined into
// *cookies: curl writes them into the same one line as the cookies the session stored,
// where a header of the caller's own would make a second Cookie line.
Slist BuildHeaderList(const Request& r, std::string* cookies) {
  curl_slist* list = nullptr;
  bool ok = true;
  bool hasAccept = false, hasExpect = false, hasConnection = false, hasContentType = false;
  auto add = [&](const std::string& line) {
    if (!ok) return;
    curl_slist* next = curl_slist_append(list, line.c_str());
    if (next == nullptr) {
      ok = false;
      return;
    }
    list = next;
  };
  for (const std::string& line : r.headerLines) {
    const std::size_t colon = line.find(':');
    const std::string_view name(line.data(), colon);
    if (EqualsIgnoreCase(name, "Cookie")) {
      const std::string_view value = HeaderLineValue(line);
      if (!value.empty()) *cookies += (cookies->empty() ? "" : "; ") + std::string(value);
      continue;
    }
    hasAccept = hasAccept || EqualsIgnoreCase(name, "Accept");
    hasExpect = hasExpect || EqualsIgnoreCase(name, "Expect");
    hasConnection = hasConnection || EqualsIgnoreCase(name, "Connection");
    hasContentType = hasContentType || EqualsIgnoreCase(name, "Content-Type");
    // "Name:" with nothing after it would tell curl to drop the header; "Name;" is
    // curl's way of sending it with an empty value.
    if (line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
      add(std::string(name) + ";");
    } else {
      add(line);
    }
  }
  // Empty values remove what curl would add by itself.
  if (!hasAccept) add("Accept:");
  if (!hasExpect) add("Expect:");
  if (!hasConnection) add("Connection: Keep-Alive");
  if (!hasContentType) add("Content-Type:");
  if (!ok) {
    curl_slist_free_all(list);
    return nullptr;
  }
  return Slist(list);
}

// The platform refuses a body that disagrees with the caller's own framing: a
// Content-Length of another size, or a Transfer-Encoding beside a body or a
// Content-Length.
bool FramingAgrees(const std::vector<std::string>& lines, std::size_t bodySize) {
  bool hasLength = false;
  bool hasEncoding = false;
  for (const std::string& line : lines) {
    const std::string_view name(line.data(), line.find(':'));
    if (EqualsIgnoreCase(name, "Transfer-Encoding")) hasEncoding = true;
    if (!EqualsIgnoreCase(name, "Content-Length")) continue;
    hasLength = true;
    const std::string_view value = HeaderLineValue(line);
    unsigned long long length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        length != bodySize) {
      return false;
    }
  }
  return !hasEncoding || (bodySize == 0 && !hasLength);
}

// A HEAD without a body is curl's own HEAD; one with a body is sent like a POST (see
// Request::endAtHeaders).
bool ApplyMethod(CURL* easy, const std::string& verb, const std::vector<std::uint8_t>& body) {
  if (verb == "HEAD" && body.empty()) return Set(easy, CURLOPT_NOBODY, 1L);
  bool ok = Set(easy, CURLOPT_NOBODY, 0L) && Set(easy, CURLOPT_HTTPGET, 1L);
  if (!body.empty() || verb == "POST" || verb == "PUT") {
    static const char kNothing[] = "";
    ok = ok &&
         SetPtr(easy, CURLOPT_POSTFIELDS,
                body.empty() ? kNothing : reinterpret_cast<const char*>(body.data())) &&
         SetPtr(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  }
  return ok && SetPtr(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
}

}  // namespace

CurlHttp::CurlHttp() {
  // Once for the process; curl_global_init is not safe to call concurrently.
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

CurlHttp::~CurlHttp() = default;

CurlHttp::Object* CurlHttp::Find(Handle handle) {
  const auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : it->second.get();
}

bool CurlHttp::CheckPlatform() {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  return info != nullptr && (info->features & CURL_VERSION_SSL) != 0;
}

bool CurlHttp::CrackUrl(std::u16string_view url, UrlParts* parts) {
  const std::size_t sep = url.find(u"://");
  if (sep == std::u16string_view::npos || parts == nullptr) return false;
  const std::string scheme = ToUtf8(url.substr(0, sep));
  int schemeNumber = 0;
  int port = 0;
  if (EqualsIgnoreCase(scheme, "http")) {
    schemeNumber = kSchemeHttp;
    port = 80;
  } else if (EqualsIgnoreCase(scheme, "https")) {
    schemeNumber = kSchemeHttps;
    port = 443;
  } else {
    return false;
  }
  const std::u16string_view rest = url.substr(sep + 3);
  const std::size_t authorityEnd = std::min(rest.find_first_of(u"/?#"), rest.size());
  std::u16string_view authority = rest.substr(0, authorityEnd);
  if (const std::size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  // A bracketed IPv6 literal keeps its colons; the port follows the "]".
  const std::size_t closing = authority.starts_with(u'[') ? authority.find(u']') : 0;
  if (closing == std::u16string_view::npos) return false;
  std::u16string_view host = authority;
  if (const std::size_t colon = authority.find(u':', closing); colon != std::u16string_view::npos) {
    host = authority.substr(0, colon);
    const std::u16string_view digits = authority.substr(colon + 1);
    if (!digits.empty()) {
      if (digits.size() > 5) return false;
      int value = 0;
      for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
      }
      if (value > 65535) return false;
      port = value;
    }
  }
  if (host.empty()) return false;
  const std::u16string_view tail = rest.substr(authorityEnd);
  const std::size_t extra = std::min(tail.find_first_of(u"?#"), tail.size());
  parts->scheme = schemeNumber;
  parts->host = host;
  parts->port = port;
  parts->path = tail.substr(0, extra);
  parts->extraInfo = tail.substr(extra);
  return true;
}

Handle CurlHttp::Open(std::uint32_t accessType, std::u16string_view proxyList) {
  if (accessType != kAccessNoProxy && accessType != kAccessNamedProxy) return 0;
  auto object = std::make_unique<Object>();
  object->session = std::make_shared<Session>();
  object->session->accessType = accessType;
  if (accessType == kAccessNamedProxy) object->session->proxyList = ToUtf8(proxyList);
  const Handle handle = next_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

bool CurlHttp::SetTimeouts(Handle session, int resolveMs, int connectMs, int sendMs,
                           int receiveMs) {
  Object* object = Find(session);
  if (object == nullptr || object->session == nullptr) return false;
  for (const int ms : {resolveMs, connectMs, sendMs, receiveMs}) {
    if (ms < -1) return false;
  }
  auto limit = [](int ms) { return ms < 0 ? 0 : ms; };
  Session& s = *object->session;
  s.resolveMs = limit(resolveMs);
  s.connectMs = limit(connectMs);
  s.sendMs = limit(sendMs);
  s.receiveMs = limit(receiveMs);
  return true;
}

Handle CurlHttp::Connect(Handle session, std::u16string_view host, int port) {
  Object* owner = Find(session);
  if (owner == nullptr || owner->session == nullptr || host.empty() || port < 0 || port > 65535) {
    return 0;
  }
  auto object = std::make_unique<Object>();
  object->connection = std::make_shared<Connection>(
      Connection{.session = owner->session, .host = ToUtf8(host), .port = port});
  const Handle handle = next_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

Handle CurlHttp::OpenRequest(Handle connection, std::u16string_view verb,
                             std::u16string_view objectName, std::uint32_t flags) {
  Object* owner = Find(connection);
  if (owner == nullptr || owner->connection == nullptr) return 0;
  auto request = std::make_unique<Request>();
  request->connection = owner->connection;
  request->verb = verb.empty() ? std::string("GET") : ToUtf8(verb);
  request->target = EscapeTarget(ToUtf8(objectName));
  if (request->target.empty() || request->target[0] != '/') request->target = "/" + request->target;
  request->secure = (flags & kFlagSecure) != 0;
  auto object = std::make_unique<Object>();
  object->request = std::move(request);
  const Handle handle = next_++;
  objects_.emplace(handle, std::move(object));
  return handle;
}

bool CurlHttp::SetCredentials(Handle request, std::uint32_t target, std::uint32_t scheme,
                              std::u16string_view user, std::u16string_view password) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr || scheme != kAuthSchemeBasic) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kOpen) return false;
  if (target == kAuthTargetServer) {
    r.serverAuth = true;
    r.serverUser = ToUtf8(user);
    r.serverPassword = ToUtf8(password);
    return true;
  }
  if (target == kAuthTargetProxy) {
    r.proxyAuth = true;
    r.proxyUser = ToUtf8(user);
    r.proxyPassword = ToUtf8(password);
    return true;
  }
  return false;
}

bool CurlHttp::SetOption(Handle request, std::uint32_t option, std::uint32_t value) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kOpen) return false;
  constexpr std::uint32_t kKnownSecurity =
      kSecurityIgnoreUnknownCa | kSecurityIgnoreCertWrongUsage | kSecurityIgnoreCertCnInvalid |
      kSecurityIgnoreCertDateInvalid;
  switch (option) {
    case kOptionSecurityFlags:
      if ((value & ~kKnownSecurity) != 0) return false;
      r.securityFlags = value;
      return true;
    case kOptionDisableFeature:
      if (value == 0 || (value & ~(kDisableCookies | kDisableRedirects)) != 0) return false;
      r.cookiesDisabled = r.cookiesDisabled || (value & kDisableCookies) != 0;
      r.redirectsDisabled = r.redirectsDisabled || (value & kDisableRedirects) != 0;
      return true;
    case kOptionEnableFeature:
      if (value != kEnableSslRevocation) return false;
      r.revocation = true;
      return true;
    default:
      return false;
  }
}

bool CurlHttp::AddRequestHeaders(Handle request, std::u16string_view headers,
                                 std::uint32_t modifiers) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kOpen) return false;
  const std::string block = ToUtf8(headers);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i <= block.size();) {
    std::size_t end = block.find("\r\n", i);
    if (end == std::string::npos) end = block.size();
    std::string line = block.substr(i, end - i);
    i = end + 2;
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 ||
        !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                     IsTokenChar) ||
        line.find_first_of("\r\n") != std::string::npos) {
      return false;
    }
    lines.push_back(std::move(line));
  }
  for (std::string& line : lines) {
    if ((modifiers & kReplaceHeader) != 0) {
      const std::string_view name(line.data(), line.find(':'));
      std::erase_if(r.headerLines, [&](const std::string& old) {
        return StartsWithIgnoreCase(old, name) && old.size() > name.size() &&
               old[name.size()] == ':';
      });
      if (line.find_first_not_of(" \t", name.size() + 1) == std::string::npos) continue;
    }
    r.headerLines.push_back(std::move(line));
  }
  return true;
}

bool CurlHttp::SendRequest(Handle request, std::span<const std::uint8_t> body) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kOpen) return false;
  r.stage = Request::Stage::kSendFailed;
  Session& session = *r.connection->session;

  if (!FramingAgrees(r.headerLines, body.size())) return false;

  Easy easy(curl_easy_init());
  if (easy == nullptr) return false;
  CURL* e = easy.get();
  r.easy = e;
  std::string cookies;
  Slist headers = BuildHeaderList(r, &cookies);
  std::vector<std::uint8_t> sendBody(body.begin(), body.end());
  std::string verb = r.verb;

  const bool verifyPeer =
      (r.securityFlags & (kSecurityIgnoreUnknownCa | kSecurityIgnoreCertWrongUsage |
                          kSecurityIgnoreCertDateInvalid)) == 0;
  const bool verifyHost = (r.securityFlags & kSecurityIgnoreCertCnInvalid) == 0;
  // curl's connect limit also covers name resolution, so the two limits add up.
  const long connectMs =
      session.connectMs == 0 ? 0L : static_cast<long>(session.connectMs) + session.resolveMs;
  bool ok = headers != nullptr && Set(e, CURLOPT_NOSIGNAL, 1L) &&
            Set(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) &&
            Set(e, CURLOPT_FOLLOWLOCATION, 0L) && SetPtr(e, CURLOPT_PROTOCOLS_STR, "http,https") &&
            SetPtr(e, CURLOPT_HTTPHEADER, headers.get()) &&
            SetPtr(e, CURLOPT_HEADERFUNCTION, &OnHeader) && SetPtr(e, CURLOPT_HEADERDATA, &r) &&
            SetPtr(e, CURLOPT_WRITEFUNCTION, &OnBody) && SetPtr(e, CURLOPT_WRITEDATA, &r) &&
            SetPtr(e, CURLOPT_PREREQFUNCTION, &OnPrerequest) && SetPtr(e, CURLOPT_PREREQDATA, &r) &&
            Set(e, CURLOPT_NOPROGRESS, 0L) && SetPtr(e, CURLOPT_XFERINFOFUNCTION, &OnProgress) &&
            SetPtr(e, CURLOPT_XFERINFODATA, &r) && Set(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs) &&
            Set(e, CURLOPT_SSL_VERIFYPEER, verifyPeer ? 1L : 0L) &&
            Set(e, CURLOPT_SSL_VERIFYHOST, verifyHost ? 2L : 0L);
  if (ok && r.revocation && verifyPeer) ok = Set(e, CURLOPT_SSL_VERIFYSTATUS, 1L);
  if (ok && !cookies.empty()) ok = SetPtr(e, CURLOPT_COOKIE, cookies.c_str());
  if (ok && !r.cookiesDisabled) {
    if (session.cookies == nullptr) {
      session.cookies = curl_share_init();
      ok = session.cookies != nullptr &&
           curl_share_setopt(session.cookies, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) == CURLSHE_OK;
    }
    ok = ok && SetPtr(e, CURLOPT_SHARE, session.cookies) && SetPtr(e, CURLOPT_COOKIEFILE, "");
  }
  if (ok && r.serverAuth) {
    ok = Set(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
         SetPtr(e, CURLOPT_USERNAME, r.serverUser.c_str()) &&
         SetPtr(e, CURLOPT_PASSWORD, r.serverPassword.c_str());
  }
  if (ok && r.proxyAuth) {
    ok = Set(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
         SetPtr(e, CURLOPT_PROXYUSERNAME, r.proxyUser.c_str()) &&
         SetPtr(e, CURLOPT_PROXYPASSWORD, r.proxyPassword.c_str());
  }
  if (!ok) {
    r.easy = nullptr;
    return false;
  }

  const std::string port = std::to_string(r.connection->port);
  std::string url =
      (r.secure ? "https://" : "http://") + r.connection->host + ":" + port + r.target;
  bool secure = r.secure;
  for (int leg = 0;; ++leg) {
    const std::string proxy = session.accessType == kAccessNamedProxy
                                  ? PickProxy(session.proxyList, secure ? "https" : "http")
                                  : std::string();
    r.connected = false;
    r.sawResponse = false;
    r.finalHeaders = false;
    r.endAtHeaders = verb == "HEAD" && !sendBody.empty();
    r.endedAtHeaders = false;
    r.uploaded = 0;
    r.uploadTotal = static_cast<curl_off_t>(sendBody.size());
    r.rawHeaders.clear();
    r.body.clear();
    r.lastActivity = Clock::now();
    if (!SetPtr(e, CURLOPT_URL, url.c_str()) || !SetPtr(e, CURLOPT_PROXY, proxy.c_str()) ||
        !ApplyMethod(e, verb, sendBody)) {
      if (leg == 0) {
        r.easy = nullptr;
        return false;
      }
      r.fault = Request::Fault::kResponse;
      break;
    }
    CURLcode result = curl_easy_perform(e);
    if (result == CURLE_WRITE_ERROR && r.endedAtHeaders) result = CURLE_OK;
    if (result != CURLE_OK) {
      // Writing the body belongs to the send step: a body the server stopped taking in
      // fails it, unless the server answered first.
      curl_off_t uploaded = 0;
      curl_easy_getinfo(e, CURLINFO_SIZE_UPLOAD_T, &uploaded);
      const bool bodyWritten = uploaded >= r.uploadTotal;
      if (r.finalHeaders) {
        r.fault = Request::Fault::kBody;
      } else if (leg > 0 || r.sawResponse ||
                 (r.connected && result != CURLE_SEND_ERROR && bodyWritten)) {
        r.fault = Request::Fault::kResponse;
      } else {
        r.easy = nullptr;
        return false;
      }
      break;
    }
    long code = 0;
    const char* next = nullptr;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &next);
    const bool redirect = code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
    if (r.redirectsDisabled || !redirect || next == nullptr) break;
    const bool nextSecure = StartsWithIgnoreCase(next, "https://");
    if (!nextSecure && !StartsWithIgnoreCase(next, "http://")) break;
    if (secure && !nextSecure) break;  // never downgrade: the 3xx goes to the caller
    if (leg == kMaxRedirects) {
      r.fault = Request::Fault::kResponse;
      break;
    }
    if ((code == 303 && verb != "HEAD") || ((code == 301 || code == 302) && verb == "POST")) {
      verb = "GET";
      sendBody.clear();
    }
    url = next;
    secure = nextSecure;
  }
  r.easy = nullptr;
  r.stage = Request::Stage::kSent;
  return true;
}

bool CurlHttp::ReceiveResponse(Handle request) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kSent || r.fault == Request::Fault::kResponse) return false;
  r.stage = Request::Stage::kReceived;
  return true;
}

bool CurlHttp::QueryDataAvailable(Handle request, std::uint32_t* available) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr || available == nullptr) return false;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kReceived) return false;
  const std::size_t left = r.body.size() - r.readOffset;
  if (left > 0) {
    *available = static_cast<std::uint32_t>(std::min(left, kChunk));
  } else {
    *available = r.fault == Request::Fault::kBody ? 1 : 0;
  }
  return true;
}

bool CurlHttp::ReadData(Handle request, std::span<std::uint8_t> buffer, std::uint32_t* read) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr || read == nullptr) return false;
  *read = 0;
  Request& r = *object->request;
  if (r.stage != Request::Stage::kReceived) return false;
  const std::size_t left = r.body.size() - r.readOffset;
  if (left == 0) return r.fault != Request::Fault::kBody;
  const std::size_t n = std::min({left, buffer.size(), kChunk});
  std::copy_n(r.body.begin() + static_cast<std::ptrdiff_t>(r.readOffset), n, buffer.begin());
  r.readOffset += n;
  *read = static_cast<std::uint32_t>(n);
  return true;
}

bool CurlHttp::QueryHeaders(Handle request, std::uint32_t infoLevel, std::span<std::uint8_t> buffer,
                            std::uint32_t* length) {
  Object* object = Find(request);
  if (object == nullptr || object->request == nullptr || length == nullptr ||
      infoLevel != kQueryRawHeadersCrlf) {
    return false;
  }
  Request& r = *object->request;
  if (r.stage != Request::Stage::kReceived) return false;
  std::string raw = r.rawHeaders;
  if (!raw.ends_with("\r\n\r\n")) raw += "\r\n";
  const std::u16string wide = WidenHeaderBytes(raw);
  const std::size_t needed = (wide.size() + 1) * 2;
  if (buffer.size() < needed) {
    *length = static_cast<std::uint32_t>(needed);
    return false;
  }
  std::size_t i = 0;
  for (const char16_t c : wide) {
    buffer[i++] = static_cast<std::uint8_t>(c & 0xFF);
    buffer[i++] = static_cast<std::uint8_t>(c >> 8);
  }
  buffer[i++] = 0;
  buffer[i] = 0;
  *length = static_cast<std::uint32_t>(wide.size() * 2);
  return true;
}

bool CurlHttp::CloseHandle(Handle handle) {
  return objects_.erase(handle) == 1;
}

HttpApi& SystemHttp() {
  static CurlHttp http;
  return http;
}

}  // namespace velnora::platform::http
