// The request header block: the caller's lines, the default lines they lack, names in
// canonical case, no "Connection: keep-alive" line and a Cookie line from the caller's
// cookies. Lines are "name: value" joined by "\r\n".
#pragma once

#include <string_view>

#include "text/text.h"

namespace velnora::web {

struct HeaderBlockInput {
  text::Text extraHeaders{};
  int method = 0;  // 1 (POST) alone adds the default Content-Type line
  bool addDefaultHeaders = true;
  bool normaliseNames = true;
  text::Text cookiesIn{};
};

// The block a request hands to the HTTP service. Each default line (User-Agent, Accept,
// Accept-Encoding, Accept-Language, Content-Type for POST, Cache-Control) is added only
// when its name followed by ": " (Content-Type: by ":") occurs nowhere in the block,
// ignoring ASCII case. A Connection line with the value exactly "keep-alive" is removed
// unless it is the last line. A non-empty cookiesIn is appended as "\r\nCookie: " plus
// the cookies plus "\r\n" (without the "Cookie: " when cookiesIn holds one) unless the
// block already has a "Cookie:" line.
//   BuildHeaderBlock({}) == the five default lines joined by "\r\n"
[[nodiscard]] text::Text BuildHeaderBlock(const HeaderBlockInput& input);

// The block with the first character of each name and every character after a "-" in
// it upper-cased (nothing lower-cased, values untouched), lines without ":" dropped and
// no "\r\n" after the last line; the empty text when no line has a ":".
//   NormaliseHeaderNames("user-agent: x\r\ngarbage\r\n") == "User-Agent: x"
[[nodiscard]] text::Text NormaliseHeaderNames(std::string_view block);

// The text with its first byte upper-cased when it is an ASCII letter.
//   CapitaliseFirst("agent") == "Agent"
[[nodiscard]] text::Text CapitaliseFirst(std::string_view text);

// What follows the last "name: " in the first line that begins with `name` (case
// counts); empty when no line begins with it or that line lacks the ": ".
//   HeaderValue("A: 1\r\nConnection: keep-alive", "Connection") == "keep-alive"
[[nodiscard]] text::Text HeaderValue(std::string_view block, std::string_view name);

}  // namespace velnora::web
