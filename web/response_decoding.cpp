#include "web/response_decoding.h"

#include <optional>
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
std::optional<text::Text> ConvertFromCharset(const text::Bytes& body, const text::Text& charset) {
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

DecodedText DecodeResponseText(text::Bytes body, regex::RegexObject& regex,
                               text::Bytes* responseBytes) {
  DecodedText decoded{.text = text::BytesToText(body), .converted = false};
  const automation::ScopedCoInitialize com;
  const std::string_view head =
      std::string_view(decoded.text).substr(0, static_cast<std::size_t>(kSniffLength));
  const bool sniffed = regex.Search(kCharsetSniff, head);
  if (sniffed) {
    const text::Text charset = regex.SubMatch(1, 1);
    // Exact comparisons: a page declaring "GBK" is converted, to the same text.
    if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
      if (auto converted = ConvertFromCharset(body, charset)) {
        decoded.text = std::move(*converted);
        decoded.converted = true;
      }
    }
  }
  if (responseBytes != nullptr) *responseBytes = std::move(body);
  if (sniffed) platform::ProcessPendingEvents();
  return decoded;
}

}  // namespace velnora::web
