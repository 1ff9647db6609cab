// The program's one door to the network: a single synchronous HTTP or HTTPS request that
// reports every failure as a numbered message in its status text and an empty result,
// never by throwing.
#pragma once

#include <optional>
#include <string_view>

#include "text/gbk_literal.h"
#include "text/text.h"

namespace velnora::platform::http {
class HttpApi;
}

namespace velnora::web {

using namespace text::literals;

// The failure messages, exactly as callers see them in *statusText.
inline constexpr std::string_view kNoHttpService = "700 当前系统不支持WinHttp服务!"_gbk;
inline constexpr std::string_view kBadUrl = "701 解析URL地址失败!"_gbk;
inline constexpr std::string_view kSessionFailed = "702 创建WinHttp会话失败!"_gbk;
inline constexpr std::string_view kConnectionFailed = "703 创建WinHttp连接失败!"_gbk;
inline constexpr std::string_view kRequestFailed = "704 创建WinHttp请求失败!"_gbk;
inline constexpr std::string_view kTimeoutsFailed = "705 设置超时时间失败!"_gbk;
inline constexpr std::string_view kCredentialsFailed = "707 设置代理凭证失败!"_gbk;
inline constexpr std::string_view kCookieOptionFailed = "708 禁止自动设置Cookies失败!"_gbk;
inline constexpr std::string_view kRedirectOptionFailed = "709 重定向设置失败!"_gbk;
inline constexpr std::string_view kHeadersFailed = "710 设置协议头失败!"_gbk;
inline constexpr std::string_view kSendFailed = "711 发送请求失败!"_gbk;
inline constexpr std::string_view kNoResponse = "712 服务器未响应!"_gbk;
inline constexpr std::string_view kReadFailed = "713 读取数据失败!"_gbk;
inline constexpr std::string_view kCertificateOptionFailed = "忽略错误/证书错误  失败！"_gbk;

// The arguments of a request; only `url` is required. Texts are code page 936. Pointer
// fields are the caller's variables: null means "left out", and a variable keeps what
// the caller put in it wherever the request does not say it writes it.
struct WebRequestOptions {
  text::Text url{};
  int method = 0;         // see VerbText
  text::Text bodyText{};  // sent when bodyBytes is empty
  // Cookies to send; when autoMergeCookies holds and it is not empty, it receives the
  // merge of itself with the response's cookies.
  text::Text* cookiesIn = nullptr;
  // The response's Set-Cookie values (up to the first ";") are appended to it, "; "
  // between items and between the caller's text and the first new item.
  text::Text* cookiesOut = nullptr;
  text::Text extraHeaders{};              // the caller's header lines, joined by "\r\n"
  text::Text* responseHeaders = nullptr;  // the raw header block of the final response
  bool noRedirect = false;
  text::Text serverUser{};  // Basic credentials, used only when both are given
  text::Text serverPassword{};
  text::Text proxy{};  // "host:port"; empty: no proxy
  text::Text proxyUser{};
  text::Text proxyPassword{};
  int timeoutSeconds = 0;          // for each of resolve, connect, send, receive; < 1: 30
  text::Text* location = nullptr;  // the value of a "Location: " line, the last one
  // "200 OK" and the like, or a failure message. After a failed body read it keeps the
  // 713 message although the response is otherwise processed.
  text::Text* statusText = nullptr;
  text::Bytes* responseBytes = nullptr;     // the raw body
  std::optional<bool> autoMergeCookies{};   // left out: true
  std::optional<bool> addDefaultHeaders{};  // left out: true
  text::Bytes bodyBytes{};
  std::optional<bool> normaliseNames{};  // left out: true
};

struct WebRequestResult {
  text::Text text{};       // the decoded body; empty on every failure
  bool converted = false;  // the body was converted from a charset the page declared
  bool failed = false;     // *statusText got one of the failure messages above
};

// "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT" for 0 to 7;
// "GET" for any other number.
[[nodiscard]] std::string_view VerbText(int method);

// One request over `http`. Opens a session, connection and request, sends the header
// block (BuildHeaderBlock) and the body, reads the whole body, then fills
// responseHeaders, statusText, cookiesOut, location and (when merging) cookiesIn from the
// response's headers, writes responseBytes and decodes the body into the result.
// The first step that fails writes its message to *statusText and ends the request with
// an empty result and every other out-argument untouched; a failed body read writes the
// 713 message and goes on with the bytes read so far. Every handle opened is closed,
// request first, on every way out. Pending window events are processed after each
// response header line, after the charset sniff, before the closing of a finished
// exchange and after the failures 701 to 705, 710 to 712 and a failed header query.
[[nodiscard]] WebRequestResult WebRequest(platform::http::HttpApi& http,
                                          const WebRequestOptions& options);

// The same over the program's own HTTP service.
[[nodiscard]] WebRequestResult WebRequest(const WebRequestOptions& options);

}  // namespace velnora::web
