// The last step of a web request: the response body becomes the text the request
// returns, converted when the page declares a character set other than GBK.
#pragma once

#include <string>

#include "regex/regex_object.h"
#include "text/text.h"

namespace velnora::web {

struct DecodedText {
  text::Text text;
  bool converted = false;  // the body was converted from a declared charset
};

// Returns the body as text and hands the body itself to *responseBytes (when given). The
// first 1024 bytes are searched with "<meta.+?charset=[^\w]?([-\w]+)" on `regex`; a
// declared name other than exactly "gbk" or "gb2312" (case counts: "GBK" is converted)
// converts the whole body from that charset to code page 936. A name no converter knows
// leaves the text unconverted. The body is taken up to its first zero byte unless it is
// converted. Pending window events are processed once after a sniff that ran. The body's
// bytes (zero bytes too) come in a string taken by value, so a request can move its
// gathered bytes in and an unconverted text takes over their storage; *responseBytes
// gets a copy of them.
//   "<meta charset=\"utf-8\">中" in UTF-8 gives the same text in code page 936
DecodedText DecodeResponseText(std::string body, regex::RegexObject& regex,
                               text::Bytes* responseBytes);

}  // namespace velnora::web
