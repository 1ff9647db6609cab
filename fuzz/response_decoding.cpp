// Fuzzes the decoding of response bodies: any body gives a text without zero bytes, the
// raw bytes come back untouched, an undeclared or GBK page is taken byte for byte, and a
// valid UTF-8 page declared as utf-8 reads as its UTF-8 conversion.
#include "web/response_decoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage/code_page.h"
#include "regex/regex_object.h"
#include "text/code_page.h"
#include "text/primitives.h"

namespace {

using velnora::text::Bytes;
using velnora::text::Text;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The charset the page declares in its head, as the decoding sniffs it; empty if none.
Text DeclaredCharset(const Text& text) {
  velnora::regex::RegexObject sniff;
  if (!sniff.Search("<meta.+?charset=[^\\w]?([-\\w]+)", std::string_view(text).substr(0, 1024)))
    return {};
  return sniff.SubMatch(1, 1);
}

bool IsValidUtf8(std::string_view bytes) {
  if (bytes.empty()) return true;
  const auto result = velnora::platform::MultiByteToWideChar(velnora::platform::kUtf8CodePage,
                                                             {.failOnInvalid = true}, bytes.data(),
                                                             static_cast<int>(bytes.size()), {});
  return result.error == velnora::platform::ConversionError::kNone;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool wantBytes = input.ConsumeBool();
  const Bytes body = input.ConsumeRemainingBytes<std::uint8_t>();
  namespace t = velnora::text;

  velnora::regex::RegexObject regex;
  Bytes responseBytes{0x42};
  const velnora::web::DecodedText decoded = velnora::web::DecodeResponseText(
      std::string(body.begin(), body.end()), regex, wantBytes ? &responseBytes : nullptr);
  Require(decoded.text.find('\0') == Text::npos, "the text holds no zero byte");
  Require(wantBytes ? responseBytes == body : responseBytes == Bytes{0x42},
          "the raw bytes go only where asked, untouched");

  const Text asText = t::BytesToText(body);
  const Text charset = DeclaredCharset(asText);
  if (charset.empty() || charset == "gbk" || charset == "gb2312") {
    Require(!decoded.converted && decoded.text == asText, "an undeclared page is taken as is");
    return 0;
  }
  if (!decoded.converted) {
    Require(decoded.text == asText, "an unconverted page is taken as is");
    return 0;
  }
  if (charset == "utf-8" && IsValidUtf8(asText)) {
    std::string_view content = asText;
    if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);  // the mark goes
    Require(decoded.text == t::UnicodeToAnsi(t::MultiByteToUnicode(Text(content), 65001)),
            "a UTF-8 page reads as its conversion");
  }
  return 0;
}
