#include "fuzz/playback_http.h"

#include <algorithm>
#include <cstring>

namespace velnora::fuzzing {
namespace {

std::u16string Units(std::u16string_view a, std::u16string_view b = {}) {
  std::u16string out(a);
  if (!b.empty()) {
    out += u' ';
    out += b;
  }
  return out;
}

// A lenient UTF-8 reading: each byte that does not begin a well-formed sequence becomes
// U+FFFD, characters beyond the BMP become surrogate pairs.
std::u16string FromUtf8(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t extra = lead < 0x80    ? 0
                              : lead >= 0xF0 ? 3
                              : lead >= 0xE0 ? 2
                              : lead >= 0xC0 ? 1
                                             : 9;
    char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
    bool valid = extra <= 3 && i + extra < bytes.size() + (extra == 0 ? 1 : 0);
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      point = point << 6 | (next & 0x3F);
    }
    if (!valid || point > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (point >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(point);
    }
    i += extra + 1;
  }
  return out;
}

}  // namespace

std::u16string WidenHeaders(std::string_view bytes, HeaderEncoding encoding) {
  std::u16string units;
  switch (encoding) {
    case HeaderEncoding::kLatin1:
      for (const char c : bytes) units += static_cast<char16_t>(static_cast<unsigned char>(c));
      return units;
    case HeaderEncoding::kUtf8:
      return FromUtf8(bytes);
    case HeaderEncoding::kUtf16Le:
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
      }
      return units;
  }
  return units;
}

bool PlaybackHttp::Fails(PlaybackCall call) {
  const int count = ++counts_[call.step];
  for (const PlaybackScript::Failure& failure : script_.failures) {
    if (failure.step == call.step && failure.occurrence == count) call.failed = true;
  }
  const bool failed = call.failed;
  calls_.push_back(std::move(call));
  return failed;
}

bool PlaybackHttp::Done(bool ok) {
  calls_.back().failed = !ok;
  return ok;
}

Handle PlaybackHttp::Done(Handle handle) {
  calls_.back().failed = handle == 0;
  return handle;
}

bool PlaybackHttp::Uses(Handle handle, Kind kind) {
  const auto found = open_.find(handle);
  if (found != open_.end() && found->second == kind) return true;
  ++badHandleUses_;
  return false;
}

Handle PlaybackHttp::NewHandle(Kind kind) {
  const Handle handle = next_++;
  open_[handle] = kind;
  return handle;
}

bool PlaybackHttp::CheckPlatform() {
  return Done(!Fails({.step = HttpStep::kCheckPlatform}));
}

bool PlaybackHttp::CrackUrl(std::u16string_view url, UrlParts* parts) {
  if (Fails({.step = HttpStep::kCrackUrl, .text = Units(url)}) || parts == nullptr) {
    return Done(false);
  }
  *parts = script_.url;
  return Done(true);
}

Handle PlaybackHttp::Open(std::uint32_t accessType, std::u16string_view proxyList) {
  if (Fails({.step = HttpStep::kOpen, .text = Units(proxyList), .numbers = {accessType}}) ||
      (accessType != platform::http::kAccessNoProxy &&
       accessType != platform::http::kAccessNamedProxy)) {
    return Done(Handle{0});
  }
  return Done(calls_.back().opened = NewHandle(Kind::kSession));
}

bool PlaybackHttp::SetTimeouts(Handle session, int resolveMs, int connectMs, int sendMs,
                               int receiveMs) {
  const auto u = [](int ms) { return static_cast<std::uint32_t>(ms); };
  if (Fails({.step = HttpStep::kSetTimeouts,
             .handle = session,
             .numbers = {u(resolveMs), u(connectMs), u(sendMs), u(receiveMs)}}) ||
      !Uses(session, Kind::kSession)) {
    return Done(false);
  }
  return Done(resolveMs >= -1 && connectMs >= -1 && sendMs >= -1 && receiveMs >= -1);
}

Handle PlaybackHttp::Connect(Handle session, std::u16string_view host, int port) {
  if (Fails({.step = HttpStep::kConnect,
             .handle = session,
             .text = Units(host),
             .numbers = {static_cast<std::uint32_t>(port)}}) ||
      !Uses(session, Kind::kSession)) {
    return Done(Handle{0});
  }
  return Done(calls_.back().opened = NewHandle(Kind::kConnection));
}

Handle PlaybackHttp::OpenRequest(Handle connection, std::u16string_view verb,
                                 std::u16string_view objectName, std::uint32_t flags) {
  if (Fails({.step = HttpStep::kOpenRequest,
             .handle = connection,
             .text = Units(verb, objectName),
             .numbers = {flags}}) ||
      !Uses(connection, Kind::kConnection)) {
    return Done(Handle{0});
  }
  return Done(calls_.back().opened = NewHandle(Kind::kRequest));
}

bool PlaybackHttp::SetCredentials(Handle request, std::uint32_t target, std::uint32_t scheme,
                                  std::u16string_view user, std::u16string_view password) {
  return Done(!Fails({.step = HttpStep::kSetCredentials,
                      .handle = request,
                      .text = Units(user, password),
                      .numbers = {target, scheme}}) &&
              Uses(request, Kind::kRequest));
}

bool PlaybackHttp::SetOption(Handle request, std::uint32_t option, std::uint32_t value) {
  namespace http = platform::http;
  if (Fails({.step = HttpStep::kSetOption, .handle = request, .numbers = {option, value}}) ||
      !Uses(request, Kind::kRequest)) {
    return Done(false);
  }
  constexpr std::uint32_t kIgnoreBits =
      http::kSecurityIgnoreUnknownCa | http::kSecurityIgnoreCertWrongUsage |
      http::kSecurityIgnoreCertCnInvalid | http::kSecurityIgnoreCertDateInvalid;
  switch (option) {
    case http::kOptionSecurityFlags:
      return Done(value != 0 && (value & ~kIgnoreBits) == 0);
    case http::kOptionDisableFeature:
      return Done(value == http::kDisableCookies || value == http::kDisableRedirects);
    case http::kOptionEnableFeature:
      return Done(value == http::kEnableSslRevocation);
    default:
      return Done(false);
  }
}

bool PlaybackHttp::AddRequestHeaders(Handle request, std::u16string_view headers,
                                     std::uint32_t modifiers) {
  return Done(!Fails({.step = HttpStep::kAddRequestHeaders,
                      .handle = request,
                      .text = Units(headers),
                      .numbers = {modifiers}}) &&
              Uses(request, Kind::kRequest));
}

bool PlaybackHttp::SendRequest(Handle request, std::span<const std::uint8_t> body) {
  return Done(!Fails({.step = HttpStep::kSendRequest,
                      .handle = request,
                      .body = std::string(body.begin(), body.end())}) &&
              Uses(request, Kind::kRequest));
}

bool PlaybackHttp::ReceiveResponse(Handle request) {
  if (Fails({.step = HttpStep::kReceiveResponse, .handle = request}) ||
      !Uses(request, Kind::kRequest)) {
    return Done(false);
  }
  received_ = true;
  return Done(true);
}

bool PlaybackHttp::QueryDataAvailable(Handle request, std::uint32_t* available) {
  if (Fails({.step = HttpStep::kQueryDataAvailable, .handle = request}) ||
      !Uses(request, Kind::kRequest) || !received_ || available == nullptr) {
    return Done(false);
  }
  const std::size_t left = script_.body.size() - bodyAt_;
  if (announced_ == 0 && left > 0) {
    std::size_t piece = left;
    if (!script_.pieces.empty()) {
      const std::uint32_t scripted = script_.pieces[pieceTurn_++ % script_.pieces.size()];
      if (scripted != 0) piece = std::min<std::size_t>(scripted, left);
    }
    announced_ = static_cast<std::uint32_t>(piece);
  }
  // Once everything that arrived was read, a broken body announces one byte more.
  if (left == 0 && script_.bodyBreaks) breakAnnounced_ = true;
  *available = left == 0 ? (script_.bodyBreaks ? 1 : 0) : announced_;
  calls_.back().numbers = {*available};
  return Done(true);
}

bool PlaybackHttp::ReadData(Handle request, std::span<std::uint8_t> buffer, std::uint32_t* read) {
  if (read != nullptr) *read = 0;
  if (Fails({.step = HttpStep::kReadData,
             .handle = request,
             .numbers = {static_cast<std::uint32_t>(buffer.size())}}) ||
      !Uses(request, Kind::kRequest) || !received_ || read == nullptr) {
    return Done(false);
  }
  const std::size_t left = script_.body.size() - bodyAt_;
  if (left == 0) return Done(!breakAnnounced_);
  std::size_t n = std::min(buffer.size(), left);
  if (!script_.reads.empty()) {
    const std::uint32_t scripted = script_.reads[readTurn_++ % script_.reads.size()];
    if (scripted != 0) n = std::min<std::size_t>(n, scripted);
  }
  std::memcpy(buffer.data(), script_.body.data() + bodyAt_, n);
  delivered_.append(script_.body, bodyAt_, n);
  bodyAt_ += n;
  announced_ -= std::min<std::uint32_t>(announced_, static_cast<std::uint32_t>(n));
  *read = static_cast<std::uint32_t>(n);
  return Done(true);
}

bool PlaybackHttp::QueryHeaders(Handle request, std::uint32_t infoLevel,
                                std::span<std::uint8_t> buffer, std::uint32_t* length) {
  if (Fails({.step = HttpStep::kQueryHeaders,
             .handle = request,
             .numbers = {infoLevel, static_cast<std::uint32_t>(buffer.size())}}) ||
      !Uses(request, Kind::kRequest) || !received_ || length == nullptr ||
      infoLevel != platform::http::kQueryRawHeadersCrlf) {
    return Done(false);
  }
  const std::size_t needed = (script_.rawHeaders.size() + 1) * 2;
  if (buffer.size() < needed) {
    *length = static_cast<std::uint32_t>(needed);
    return Done(false);
  }
  std::size_t i = 0;
  for (const char16_t unit : script_.rawHeaders) {
    buffer[i++] = static_cast<std::uint8_t>(unit & 0xFF);
    buffer[i++] = static_cast<std::uint8_t>(unit >> 8);
  }
  buffer[i++] = 0;
  buffer[i] = 0;
  *length = static_cast<std::uint32_t>(script_.rawHeaders.size() * 2);
  return Done(true);
}

bool PlaybackHttp::CloseHandle(Handle handle) {
  // A close counts as done even when the script fails it: the caller has let go.
  const bool failed = Fails({.step = HttpStep::kCloseHandle, .handle = handle});
  if (handle == 0) return Done(false);
  if (open_.erase(handle) == 0) {
    ++badHandleUses_;
    return Done(false);
  }
  return Done(!failed);
}

}  // namespace velnora::fuzzing
