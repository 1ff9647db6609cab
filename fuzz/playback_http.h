// An HTTP service without sockets for the fuzz targets: it keeps the service's contract
// (handles, the order of the operations, the size query of the raw headers, the read
// loop's announcements), plays back a scripted response (raw header units, a body in
// pieces of scripted sizes, a body that breaks off), fails the scripted calls, and
// records what the caller did so that a target can check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/inputs.h"
#include "platform/http/failing_http.h"
#include "platform/http/http_api.h"

namespace velnora::fuzzing {

using platform::http::Handle;
using platform::http::HttpStep;
using platform::http::UrlParts;

struct PlaybackScript {
  // Calls that fail: the `occurrence`-th call (from 1) of `step`. A failing call does
  // nothing else and reports failure as the service does (0 or false).
  struct Failure {
    HttpStep step = HttpStep::kCheckPlatform;
    int occurrence = 1;
  };
  std::vector<Failure> failures;

  UrlParts url;               // what CrackUrl reports, for any URL
  std::u16string rawHeaders;  // QueryHeaders' units, without the terminator
  std::string body;
  // Sizes announced by QueryDataAvailable, in turn (0 there: all that is left), and
  // bytes each ReadData delivers (0 there: all it is asked for); both cycle and are cut
  // to what is left. Empty: one piece.
  std::vector<std::uint32_t> pieces;
  std::vector<std::uint32_t> reads;
  bool bodyBreaks = false;  // after the last byte, one more is announced and the read fails
};

// One call as the caller made it.
struct PlaybackCall {
  HttpStep step;
  bool failed = false;                 // by the script, the contract or a bad handle
  Handle handle = 0;                   // the handle the call was made on (or closed)
  Handle opened = 0;                   // the handle Open, Connect or OpenRequest returned
  std::u16string text;                 // URL, verb + " " + object name, header block, proxy list
  std::vector<std::uint32_t> numbers;  // flags, options, limits, sizes, as the call has them
  std::string body;                    // SendRequest's body
};

// Header bytes as the units the service reports for them.
[[nodiscard]] std::u16string WidenHeaders(std::string_view bytes, HeaderEncoding encoding);

class PlaybackHttp final : public platform::http::HttpApi {
 public:
  explicit PlaybackHttp(PlaybackScript script) : script_(std::move(script)) {}

  [[nodiscard]] const std::vector<PlaybackCall>& Calls() const { return calls_; }
  // Handles opened and not closed yet, and calls that named a handle already closed or
  // never opened (CloseHandle(0) aside, which the contract allows).
  [[nodiscard]] std::size_t OpenHandles() const { return open_.size(); }
  [[nodiscard]] int BadHandleUses() const { return badHandleUses_; }
  // The body bytes handed out, in order.
  [[nodiscard]] const std::string& Delivered() const { return delivered_; }

  bool CheckPlatform() override;
  bool CrackUrl(std::u16string_view url, UrlParts* parts) override;
  Handle Open(std::uint32_t accessType, std::u16string_view proxyList) override;
  bool SetTimeouts(Handle session, int resolveMs, int connectMs, int sendMs,
                   int receiveMs) override;
  Handle Connect(Handle session, std::u16string_view host, int port) override;
  Handle OpenRequest(Handle connection, std::u16string_view verb, std::u16string_view objectName,
                     std::uint32_t flags) override;
  bool SetCredentials(Handle request, std::uint32_t target, std::uint32_t scheme,
                      std::u16string_view user, std::u16string_view password) override;
  bool SetOption(Handle request, std::uint32_t option, std::uint32_t value) override;
  bool AddRequestHeaders(Handle request, std::u16string_view headers,
                         std::uint32_t modifiers) override;
  bool SendRequest(Handle request, std::span<const std::uint8_t> body) override;
  bool ReceiveResponse(Handle request) override;
  bool QueryDataAvailable(Handle request, std::uint32_t* available) override;
  bool ReadData(Handle request, std::span<std::uint8_t> buffer, std::uint32_t* read) override;
  bool QueryHeaders(Handle request, std::uint32_t infoLevel, std::span<std::uint8_t> buffer,
                    std::uint32_t* length) override;
  bool CloseHandle(Handle handle) override;

 private:
  enum class Kind { kSession, kConnection, kRequest };

  // Records the call; true when the script makes it fail.
  bool Fails(PlaybackCall call);
  // Marks the call just recorded as failed or not, and passes the outcome on.
  bool Done(bool ok);
  Handle Done(Handle handle);
  // Whether `handle` is open and of `kind`; counts a bad use otherwise.
  bool Uses(Handle handle, Kind kind);
  Handle NewHandle(Kind kind);

  PlaybackScript script_;
  std::vector<PlaybackCall> calls_;
  std::map<HttpStep, int> counts_;
  std::map<Handle, Kind> open_;
  Handle next_ = 0x1000;
  int badHandleUses_ = 0;

  bool received_ = false;
  std::size_t bodyAt_ = 0;       // next body byte to hand out
  std::uint32_t announced_ = 0;  // bytes announced and not read yet
  std::size_t pieceTurn_ = 0;
  std::size_t readTurn_ = 0;
  bool breakAnnounced_ = false;
  std::string delivered_;
};

}  // namespace velnora::fuzzing
