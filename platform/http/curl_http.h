// The HTTP service over libcurl. One instance serves one thread; handles of one instance
// mean nothing to another.
#pragma once

#include <map>
#include <memory>

#include "platform/http/http_api.h"

namespace velnora::platform::http {

class CurlHttp final : public HttpApi {
 public:
  CurlHttp();
  ~CurlHttp() override;
  CurlHttp(const CurlHttp&) = delete;
  CurlHttp& operator=(const CurlHttp&) = delete;

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

  struct Session;
  struct Connection;
  struct Request;

 private:
  struct Object;
  Object* Find(Handle handle);

  std::map<Handle, std::unique_ptr<Object>> objects_;
  Handle next_ = 1;
};

// The program's one service instance, for the user-interface thread.
HttpApi& SystemHttp();

}  // namespace velnora::platform::http
