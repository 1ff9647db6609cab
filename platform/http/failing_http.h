// A decorator of the HTTP service for tests: it passes every call through to another
// service, writes a one-line record of each call, and can make one chosen call of one
// chosen operation fail without reaching the service behind it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/http/http_api.h"

namespace velnora::platform::http {

enum class HttpStep {
  kCheckPlatform,
  kCrackUrl,
  kOpen,
  kSetTimeouts,
  kConnect,
  kOpenRequest,
  kSetCredentials,
  kSetOption,
  kAddRequestHeaders,
  kSendRequest,
  kReceiveResponse,
  kQueryDataAvailable,
  kReadData,
  kQueryHeaders,
  kCloseHandle,
};

class FailingHttp final : public HttpApi {
 public:
  explicit FailingHttp(HttpApi& inner) : inner_(inner) {}

  // The `occurrence`-th call (from 1) of `step` fails; any earlier choice is dropped.
  void FailAt(HttpStep step, int occurrence = 1) {
    failStep_ = step;
    failOccurrence_ = occurrence;
  }

  // One line per call, in order, texts as UTF-8, numbers of flags in hexadecimal:
  //   "CheckPlatform", "CrackUrl https://h/p", "Open 3 http=p:8", "SetTimeouts 1 2 3 4",
  //   "Connect h 443", "OpenRequest GET /p 0x800000", "SetCredentials 0 1 user pass",
  //   "SetOption 31 0x3300", "AddRequestHeaders 0x20000000 <block>", "SendRequest 4",
  //   "ReceiveResponse", "QueryDataAvailable", "ReadData 16", "QueryHeaders 22 0",
  //   "CloseHandle <handle>". A failed call is recorded with " -> fail" after it.
  [[nodiscard]] const std::vector<std::string>& Calls() const { return calls_; }

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
  // Records the call and tells whether it is the one that must fail.
  bool Fails(HttpStep step, std::string record);

  HttpApi& inner_;
  std::optional<HttpStep> failStep_;
  int failOccurrence_ = 0;
  int counts_[static_cast<int>(HttpStep::kCloseHandle) + 1] = {};
  std::vector<std::string> calls_;
};

}  // namespace velnora::platform::http
