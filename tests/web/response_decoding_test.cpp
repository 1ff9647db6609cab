#include "web/response_decoding.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/automation/com.h"
#include "platform/events/pending_events.h"
#include "text/primitives.h"

namespace velnora::web {
namespace {

using text::Bytes;
using text::Text;

// "中文" in UTF-8 and in code page 936.
const Text kUtf8Words = "\xE4\xB8\xAD\xE6\x96\x87";
const Text kGbkWords = "\xD6\xD0\xCE\xC4";

Text Page(std::string_view meta, const Text& body) {
  return "<html><head>" + Text(meta) + "</head><body>" + body + "</body></html>";
}

class DecodeResponseTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHook_ = platform::SetPendingEventsHook([this] { eventsProcessed_ = true; });
  }
  void TearDown() override { platform::SetPendingEventsHook(std::move(previousHook_)); }

  // Decodes `body` and checks what every path must leave behind: the raw body in the
  // response bytes and the automation initialisations balanced.
  DecodedText Decode(const Text& body) {
    const int depth = platform::automation::CoInitializeDepth();
    Bytes responseBytes = {0x55};
    DecodedText decoded = DecodeResponseText(body, regex_, &responseBytes);
    EXPECT_EQ(responseBytes, text::TextToBytes(body));
    EXPECT_EQ(platform::automation::CoInitializeDepth(), depth);
    return decoded;
  }

  regex::RegexObject regex_;
  bool eventsProcessed_ = false;
  std::function<void()> previousHook_;
};

TEST_F(DecodeResponseTextTest, TakesGbkPagesByteForByteAndConvertsOthers) {
  struct Row {
    const char* name;
    Text body;
    Text expected;
    bool converted;
  } const rows[] = {
      {"gbk in quotes", Page("<meta charset=\"gbk\">", kGbkWords),
       Page("<meta charset=\"gbk\">", kGbkWords), false},
      {"gbk without quotes", Page("<meta charset=gbk>", kGbkWords),
       Page("<meta charset=gbk>", kGbkWords), false},
      {"gb2312 in a content type",
       Page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">", kGbkWords),
       Page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">", kGbkWords),
       false},
      {"GBK is converted to the same text", Page("<meta charset=GBK>", kGbkWords),
       Page("<meta charset=GBK>", kGbkWords), true},
      {"utf-8 in quotes", Page("<meta charset=\"utf-8\">", kUtf8Words),
       Page("<meta charset=\"utf-8\">", kGbkWords), true},
      {"utf-8 without quotes", Page("<meta charset=utf-8>", kUtf8Words),
       Page("<meta charset=utf-8>", kGbkWords), true},
      {"UTF-8 signature dropped", "\xEF\xBB\xBF" + Page("<meta charset=utf-8>", kUtf8Words),
       Page("<meta charset=utf-8>", kGbkWords), true},
      {"undeclared page", Page("<title>t</title>", kGbkWords), Page("<title>t</title>", kGbkWords),
       false},
      {"first charset after the first meta of the line",
       Page("<meta charset=utf-8><meta charset=gbk>", kUtf8Words),
       Page("<meta charset=utf-8><meta charset=gbk>", kGbkWords), true},
      {"meta and charset on two lines", Page("<meta\ncharset=utf-8>", kUtf8Words),
       Page("<meta\ncharset=utf-8>", kUtf8Words), false},
      {"meta beyond the first 1024 bytes",
       Text(1024, ' ') + Page("<meta charset=utf-8>", kUtf8Words),
       Text(1024, ' ') + Page("<meta charset=utf-8>", kUtf8Words), false},
      {"unknown charset left unconverted", Page("<meta charset=x-unknown>", kGbkWords),
       Page("<meta charset=x-unknown>", kGbkWords), false},
      {"empty body", "", "", false},
      {"text ends at a zero byte", Page("<meta charset=gbk>", Text("a\0b", 3)),
       "<html><head><meta charset=gbk></head><body>a", false},
      {"invalid GBK kept", Page("<meta charset=gbk>", "\x81\xFF\x80"),
       Page("<meta charset=gbk>", "\x81\xFF\x80"), false},
      {"invalid UTF-8 becomes '?'", Page("<meta charset=utf-8>", "\xC0\xE4\xB8"),
       Page("<meta charset=utf-8>", "??"), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const DecodedText decoded = Decode(row.body);
    EXPECT_EQ(decoded.text, row.expected);
    EXPECT_EQ(decoded.converted, row.converted);
  }
}

TEST_F(DecodeResponseTextTest, ProcessesPendingEventsAfterASniffThatRan) {
  (void)Decode(Page("", "x"));
  EXPECT_TRUE(eventsProcessed_);
}

TEST_F(DecodeResponseTextTest, LeavesTheResponseBytesAloneWhenNotGiven) {
  EXPECT_EQ(DecodeResponseText(Page("<meta charset=utf-8>", kUtf8Words), regex_, nullptr).text,
            Page("<meta charset=utf-8>", kGbkWords));
}

TEST_F(DecodeResponseTextTest, DecodesTenMegabytePages) {
  const Text words(10 << 20, 'x');
  EXPECT_EQ(Decode(Page("<meta charset=gbk>", words)).text, Page("<meta charset=gbk>", words));
  EXPECT_EQ(Decode(Page("<meta charset=utf-8>", words)).text, Page("<meta charset=utf-8>", words));
}

}  // namespace
}  // namespace velnora::web
