// The HTTP service the web request is written against: fifteen synchronous operations over
// opaque handles (a session, a connection within it, a request within that), in the order
// a caller uses them. Texts cross this interface as UTF-16; response headers come back as
// little-endian UTF-16 bytes with a zero terminator. Every operation reports failure as a
// zero handle or false, never by throwing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velnora::platform::http {

// 0 means "no handle"; closing it does nothing.
using Handle = std::uint64_t;

inline constexpr int kSchemeHttp = 1;
inline constexpr int kSchemeHttps = 2;

// Open: how the session reaches servers.
inline constexpr std::uint32_t kAccessNoProxy = 1;
inline constexpr std::uint32_t kAccessNamedProxy = 3;

// OpenRequest flags.
inline constexpr std::uint32_t kFlagSecure = 0x00800000;

// SetCredentials.
inline constexpr std::uint32_t kAuthTargetServer = 0;
inline constexpr std::uint32_t kAuthTargetProxy = 1;
inline constexpr std::uint32_t kAuthSchemeBasic = 1;

// SetOption options and their values.
inline constexpr std::uint32_t kOptionSecurityFlags = 31;
inline constexpr std::uint32_t kOptionDisableFeature = 63;
inline constexpr std::uint32_t kOptionEnableFeature = 79;
inline constexpr std::uint32_t kSecurityIgnoreUnknownCa = 0x100;
inline constexpr std::uint32_t kSecurityIgnoreCertWrongUsage = 0x200;
inline constexpr std::uint32_t kSecurityIgnoreCertCnInvalid = 0x1000;
inline constexpr std::uint32_t kSecurityIgnoreCertDateInvalid = 0x2000;
inline constexpr std::uint32_t kDisableCookies = 0x1;
inline constexpr std::uint32_t kDisableRedirects = 0x2;
inline constexpr std::uint32_t kEnableSslRevocation = 0x1;

// AddRequestHeaders modifiers.
inline constexpr std::uint32_t kAddHeader = 0x20000000;
inline constexpr std::uint32_t kReplaceHeader = 0x80000000;

// QueryHeaders information level: status line and header lines of the final response,
// each ended by CRLF, then an empty line.
inline constexpr std::uint32_t kQueryRawHeadersCrlf = 22;

// What CrackUrl splits a URL into. `path` runs from the first "/" after the authority up
// to the first "?" or "#"; `extraInfo` is the rest from that character on (query and
// fragment). `port` is the scheme's default (80, 443) when the URL names none.
struct UrlParts {
  int scheme = 0;  // kSchemeHttp or kSchemeHttps
  std::u16string host;
  int port = 0;
  std::u16string path;
  std::u16string extraInfo;
};

class HttpApi {
 public:
  virtual ~HttpApi() = default;

  // True when the service can be used at all.
  virtual bool CheckPlatform() = 0;

  // Splits an http or https URL. Fails on an empty URL, one without "scheme://", any
  // other scheme, an empty host and a port that is not a number in 0..65535. Does not
  // check the rest: characters a server would refuse pass through.
  virtual bool CrackUrl(std::u16string_view url, UrlParts* parts) = 0;

  // A new session with no agent name. kAccessNoProxy ignores `proxyList`; with
  // kAccessNamedProxy it is a list of entries "[scheme=][scheme://]host[:port]" separated
  // by ";" or white space: an entry with "scheme=" serves only URLs of that scheme, a
  // bare entry every scheme without one of its own, and a scheme without either goes
  // direct. Other access types fail.
  virtual Handle Open(std::uint32_t accessType, std::u16string_view proxyList) = 0;

  // Limits in milliseconds for name resolution, connecting, sending and each wait for
  // response data (also between two pieces of a body); 0 or -1 mean no limit, any other
  // negative value fails. A new session starts with 0, 60000, 30000, 30000.
  virtual bool SetTimeouts(Handle session, int resolveMs, int connectMs, int sendMs,
                           int receiveMs) = 0;

  // Names the server of later requests; nothing is sent yet.
  virtual Handle Connect(Handle session, std::u16string_view host, int port) = 0;

  // A request for `objectName` (path plus query; characters a URL may not hold are
  // percent-encoded as UTF-8, "%" stays as it is). `flags` kFlagSecure asks for TLS.
  // The verb is sent as given; HTTP/1.1 always.
  virtual Handle OpenRequest(Handle connection, std::u16string_view verb,
                             std::u16string_view objectName, std::uint32_t flags) = 0;

  // Basic credentials for the server or the proxy, sent with the first request.
  virtual bool SetCredentials(Handle request, std::uint32_t target, std::uint32_t scheme,
                              std::u16string_view user, std::u16string_view password) = 0;

  // kOptionSecurityFlags with any of the kSecurityIgnore* bits accepts certificates with
  // those faults (certificate checks are on until then); kOptionDisableFeature with
  // kDisableCookies keeps the session's cookie store away from this request, with
  // kDisableRedirects hands a 3xx response to the caller; kOptionEnableFeature with
  // kEnableSslRevocation asks for a stapled revocation status where certificates are
  // checked. Unknown options or values fail.
  virtual bool SetOption(Handle request, std::uint32_t option, std::uint32_t value) = 0;

  // Header lines "name: value" separated by CRLF; empty lines are skipped. A non-empty
  // line without ":" or with a name that is not an HTTP token fails the whole call and
  // adds nothing. kAddHeader appends the lines as given; kReplaceHeader replaces earlier
  // lines of the same name (an empty value removes them). Lines are sent in the order
  // added, after "Host"; the service adds no Accept and no Expect line of its own, and
  // adds "Connection: Keep-Alive" only when no Connection line was given. Cookie lines
  // are the exception: their values go out in one Cookie line after the cookies the
  // session stored for the URL, joined by "; ".
  virtual bool AddRequestHeaders(Handle request, std::u16string_view headers,
                                 std::uint32_t modifiers) = 0;

  // Connects and sends the request with `body` (may be empty, may hold zero bytes; sent
  // for every verb, HEAD too, whose answer is read without a body), then takes in the
  // whole exchange: redirects are followed up to 10 times (except https to http, and not
  // at all with kDisableRedirects), 303 and a POST's 301/302 going on as a GET. Fails at
  // once, sending nothing, when a Content-Length line disagrees with the body's size or
  // a Transfer-Encoding line comes with a body or a Content-Length line. Fails when the
  // server cannot be resolved, reached or trusted, or the request and its body cannot be
  // written (within the send limit) before the server answers; a fault after that is
  // reported by the later steps.
  virtual bool SendRequest(Handle request, std::span<const std::uint8_t> body) = 0;

  // Fails when no complete final response header block arrived (time-out, a malformed or
  // missing response, too many redirects, headers beyond the client's limit).
  virtual bool ReceiveResponse(Handle request) = 0;

  // Bytes of the body ready to read (0 at its end). When the body broke off (reset,
  // time-out between two pieces), once everything that arrived was read, one more byte is
  // announced so that the following ReadData reports the break.
  virtual bool QueryDataAvailable(Handle request, std::uint32_t* available) = 0;

  // Copies up to buffer.size() body bytes and sets *read; true with 0 read at the end.
  // Fails when the body broke off and nothing that arrived is left to read.
  virtual bool ReadData(Handle request, std::span<std::uint8_t> buffer, std::uint32_t* read) = 0;

  // kQueryRawHeadersCrlf only, after ReceiveResponse succeeded. With a buffer too small
  // (or empty) it fails and sets *length to the bytes needed including the two-byte
  // terminator; otherwise it fills the buffer with the UTF-16 text and its terminator
  // and sets *length to the bytes without the terminator. Header bytes that are valid
  // UTF-8 are read as UTF-8, others byte by byte as Latin-1.
  virtual bool QueryHeaders(Handle request, std::uint32_t infoLevel, std::span<std::uint8_t> buffer,
                            std::uint32_t* length) = 0;

  // Releases any handle; false for 0 or an unknown handle.
  virtual bool CloseHandle(Handle handle) = 0;
};

}  // namespace velnora::platform::http
