#include "platform/http/failing_http.h"

#include <cstdio>

namespace velnora::platform::http {
namespace {

// Records are for people reading a failed test: UTF-16 is shown as UTF-8 and anything
// beyond the BMP is of no interest here.
std::string Narrow(std::u16string_view s) {
  std::string out;
  for (const char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

}  // namespace

bool FailingHttp::Fails(HttpStep step, std::string record) {
  const int count = ++counts_[static_cast<int>(step)];
  const bool fail = failStep_ == step && count == failOccurrence_;
  if (fail) record += " -> fail";
  calls_.push_back(std::move(record));
  return fail;
}

bool FailingHttp::CheckPlatform() {
  return !Fails(HttpStep::kCheckPlatform, "CheckPlatform") && inner_.CheckPlatform();
}

bool FailingHttp::CrackUrl(std::u16string_view url, UrlParts* parts) {
  return !Fails(HttpStep::kCrackUrl, "CrackUrl " + Narrow(url)) && inner_.CrackUrl(url, parts);
}

Handle FailingHttp::Open(std::uint32_t accessType, std::u16string_view proxyList) {
  if (Fails(HttpStep::kOpen, "Open " + std::to_string(accessType) + " " + Narrow(proxyList))) {
    return 0;
  }
  return inner_.Open(accessType, proxyList);
}

bool FailingHttp::SetTimeouts(Handle session, int resolveMs, int connectMs, int sendMs,
                              int receiveMs) {
  const std::string record = "SetTimeouts " + std::to_string(resolveMs) + " " +
                             std::to_string(connectMs) + " " + std::to_string(sendMs) + " " +
                             std::to_string(receiveMs);
  return !Fails(HttpStep::kSetTimeouts, record) &&
         inner_.SetTimeouts(session, resolveMs, connectMs, sendMs, receiveMs);
}

Handle FailingHttp::Connect(Handle session, std::u16string_view host, int port) {
  if (Fails(HttpStep::kConnect, "Connect " + Narrow(host) + " " + std::to_string(port))) return 0;
  return inner_.Connect(session, host, port);
}

Handle FailingHttp::OpenRequest(Handle connection, std::u16string_view verb,
                                std::u16string_view objectName, std::uint32_t flags) {
  if (Fails(HttpStep::kOpenRequest,
            "OpenRequest " + Narrow(verb) + " " + Narrow(objectName) + " " + Hex(flags))) {
    return 0;
  }
  return inner_.OpenRequest(connection, verb, objectName, flags);
}

bool FailingHttp::SetCredentials(Handle request, std::uint32_t target, std::uint32_t scheme,
                                 std::u16string_view user, std::u16string_view password) {
  const std::string record = "SetCredentials " + std::to_string(target) + " " +
                             std::to_string(scheme) + " " + Narrow(user) + " " + Narrow(password);
  return !Fails(HttpStep::kSetCredentials, record) &&
         inner_.SetCredentials(request, target, scheme, user, password);
}

bool FailingHttp::SetOption(Handle request, std::uint32_t option, std::uint32_t value) {
  return !Fails(HttpStep::kSetOption, "SetOption " + std::to_string(option) + " " + Hex(value)) &&
         inner_.SetOption(request, option, value);
}

bool FailingHttp::AddRequestHeaders(Handle request, std::u16string_view headers,
                                    std::uint32_t modifiers) {
  return !Fails(HttpStep::kAddRequestHeaders,
                "AddRequestHeaders " + Hex(modifiers) + " " + Narrow(headers)) &&
         inner_.AddRequestHeaders(request, headers, modifiers);
}

bool FailingHttp::SendRequest(Handle request, std::span<const std::uint8_t> body) {
  return !Fails(HttpStep::kSendRequest, "SendRequest " + std::to_string(body.size())) &&
         inner_.SendRequest(request, body);
}

bool FailingHttp::ReceiveResponse(Handle request) {
  return !Fails(HttpStep::kReceiveResponse, "ReceiveResponse") && inner_.ReceiveResponse(request);
}

bool FailingHttp::QueryDataAvailable(Handle request, std::uint32_t* available) {
  return !Fails(HttpStep::kQueryDataAvailable, "QueryDataAvailable") &&
         inner_.QueryDataAvailable(request, available);
}

bool FailingHttp::ReadData(Handle request, std::span<std::uint8_t> buffer, std::uint32_t* read) {
  if (Fails(HttpStep::kReadData, "ReadData " + std::to_string(buffer.size()))) {
    if (read != nullptr) *read = 0;
    return false;
  }
  return inner_.ReadData(request, buffer, read);
}

bool FailingHttp::QueryHeaders(Handle request, std::uint32_t infoLevel,
                               std::span<std::uint8_t> buffer, std::uint32_t* length) {
  return !Fails(HttpStep::kQueryHeaders, "QueryHeaders " + std::to_string(infoLevel) + " " +
                                             std::to_string(buffer.size())) &&
         inner_.QueryHeaders(request, infoLevel, buffer, length);
}

bool FailingHttp::CloseHandle(Handle handle) {
  return !Fails(HttpStep::kCloseHandle, "CloseHandle " + std::to_string(handle)) &&
         inner_.CloseHandle(handle);
}

}  // namespace velnora::platform::http
