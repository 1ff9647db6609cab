#include "web/response_decoding.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/com.h"
#include "platform/automation/stream.h"
#include "platform/events/pending_events.h"
#include "text/code_page.h"
#include "text/primitives.h"

namespace velnora::web {
namespace {

namespace automation = platform::automation;

constexpr std::string_view kCharsetSniff = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr int kSniffLength = 1024;

// The body read in `charset` by the stream component, as code-page-936 text; nullopt when
// the component or a converter for that charset cannot be had.
std::optional<text::Text> ConvertFromCharset(std::span<const std::uint8_t> body,
                                             const text::Text& charset) {
  const auto stream = automation::CreateStream();
  if (!stream) return std::nullopt;
  // The component's own failures along the way are not checked: whatever ReadText
  // yields is the result. Only an unknown charset leaves the body unconverted.
  (void)stream->SetType(automation::kTypeBinary);
  (void)stream->SetMode(automation::kModeReadWrite);
  (void)stream->Open();
  (void)stream->Write(body);
  (void)stream->SetPosition(0);
  (void)stream->SetType(automation::kTypeText);
  if (stream->SetCharset(charset) != automation::StreamError::kNone) {
    (void)stream->Close();
    return std::nullopt;
  }
  const auto read = stream->ReadText();
  (void)stream->Close();
  if (!read.text) return text::Text();  // the component's Null: nothing was read
  return text::UnitsToAnsi(*read.text);
}

}  // namespace

DecodedText DecodeResponseText(std::string body, regex::RegexObject& regex,
                               text::Bytes* responseBytes) {
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(body.data()),
                                            body.size());
  const std::size_t textLength = std::min(body.find('\0'), body.size());
  DecodedText decoded;
  const automation::ScopedCoInitialize com;
  const std::string_view head =
      std::string_view(body).substr(0, std::min<std::size_t>(textLength, kSniffLength));
  const bool sniffed = regex.Search(kCharsetSniff, head);
  if (sniffed) {
    const text::Text charset = regex.SubMatch(1, 1);
    // Exact comparisons: a page declaring "GBK" is converted, to the same text.
    if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
      if (auto converted = ConvertFromCharset(bytes, charset)) {
        decoded.text = std::move(*converted);
        decoded.converted = true;
      }
    }
  }
  if (responseBytes != nullptr) responseBytes->assign(bytes.begin(), bytes.end());
  if (!decoded.converted) {
    // The text takes over the body's storage: a page of megabytes is not copied again.
    body.resize(textLength);
    decoded.text = std::move(body);
  }
  if (sniffed) platform::ProcessPendingEvents();
  return decoded;
}

}  // namespace velnora::web
