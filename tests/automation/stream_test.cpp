#include "platform/automation/stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/com.h"

namespace velnora::platform::automation {
namespace {

std::vector<std::uint8_t> B(std::string_view bytes) {
  return {bytes.begin(), bytes.end()};
}

class StreamTest : public ::testing::Test {
 protected:
  // The sequence a page decoder runs: bytes in, text out in `charset`.
  static Stream::TextResult Decode(std::string_view bytes, std::string_view charset) {
    auto stream = CreateStream();
    EXPECT_EQ(stream->SetType(kTypeBinary), StreamError::kNone);
    EXPECT_EQ(stream->SetMode(kModeReadWrite), StreamError::kNone);
    EXPECT_EQ(stream->Open(), StreamError::kNone);
    EXPECT_EQ(stream->Write(B(bytes)), StreamError::kNone);
    EXPECT_EQ(stream->SetPosition(0), StreamError::kNone);
    EXPECT_EQ(stream->SetType(kTypeText), StreamError::kNone);
    EXPECT_EQ(stream->SetCharset(charset), StreamError::kNone);
    auto text = stream->ReadText();
    EXPECT_EQ(stream->Close(), StreamError::kNone);
    return text;
  }

  ScopedCoInitialize com_;
};

TEST_F(StreamTest, ReadsTextInTheNamedCharset) {
  struct Row {
    const char* name;
    std::string_view bytes;
    std::string_view charset;
    std::u16string_view expected;
  } const rows[] = {
      {"utf-8", "\xE4\xB8\xAD", "utf-8", u"\u4E2D"},
      {"name case does not count", "\xE4\xB8\xAD", "UTF-8", u"\u4E2D"},
      {"signature dropped",
       "\xEF\xBB\xBF"
       "a",
       "utf-8", u"a"},
      {"invalid UTF-8",
       "\xC0"
       "a",
       "utf-8", u"\uFFFDa"},
      {"gbk", "\xD6\xD0", "GBK", u"\u4E2D"},
      {"gb2312 is the 936 table", "\x81\x40\x80", "gb2312", u"\u4E02\u20AC"},
      {"big5", "\xA4\xA4", "big5", u"\u4E2D"},
      {"shift_jis", "\x92\x86", "shift_jis", u"\u4E2D"},
      {"unicode is little-endian", "\x2D\x4E", "unicode", u"\u4E2D"},
      {"unicodeFFFE is big-endian", "\x4E\x2D", "unicodeFFFE", u"\u4E2D"},
      {"library alias", "\xE9", "iso-8859-1", u"\u00E9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = Decode(row.bytes, row.charset);
    EXPECT_EQ(result.error, StreamError::kNone);
    EXPECT_EQ(result.text, row.expected);
  }
}

TEST_F(StreamTest, RejectsCharsetNamesNoConverterKnows) {
  auto stream = CreateStream();
  for (const std::string_view name : {"x-no-such-charset", "", "utf-8,swaplfnl"}) {
    SCOPED_TRACE(std::string(name));
    EXPECT_EQ(stream->SetCharset(name), StreamError::kWrongArguments);
    EXPECT_EQ(stream->Charset(), "Unicode");
  }
}

TEST_F(StreamTest, KeepsTheComponentsStateRules) {
  auto stream = CreateStream();
  EXPECT_EQ(stream->Write(B("a")), StreamError::kClosed);
  EXPECT_EQ(stream->ReadText().error, StreamError::kClosed);
  ASSERT_EQ(stream->Open(), StreamError::kNone);
  EXPECT_EQ(stream->SetMode(kModeReadWrite), StreamError::kNotAllowed);
  EXPECT_EQ(stream->Write(B("a")), StreamError::kNotAllowed);  // a text stream
  ASSERT_EQ(stream->SetType(kTypeBinary), StreamError::kNone);
  ASSERT_EQ(stream->Write(B("ab")), StreamError::kNone);
  EXPECT_EQ(stream->Position(), 2);
  EXPECT_EQ(stream->SetType(kTypeText), StreamError::kNotAllowed);
  EXPECT_EQ(stream->SetCharset("utf-8"), StreamError::kNotAllowed);
  EXPECT_EQ(stream->SetType(3), StreamError::kWrongArguments);
  EXPECT_EQ(stream->SetPosition(-1), StreamError::kWrongArguments);
  ASSERT_EQ(stream->SetPosition(0), StreamError::kNone);
  ASSERT_EQ(stream->SetType(kTypeText), StreamError::kNone);
  ASSERT_EQ(stream->SetCharset("utf-8"), StreamError::kNone);
  EXPECT_EQ(stream->ReadText().text, u"ab");
  const auto atEnd = stream->ReadText();
  EXPECT_EQ(atEnd.error, StreamError::kNone);
  EXPECT_EQ(atEnd.text, std::nullopt);
  EXPECT_EQ(stream->Close(), StreamError::kNone);
  EXPECT_EQ(stream->Close(), StreamError::kClosed);
}

TEST_F(StreamTest, PositionPastTheEndGrowsWithZeroBytes) {
  auto stream = CreateStream();
  ASSERT_EQ(stream->SetType(kTypeBinary), StreamError::kNone);
  ASSERT_EQ(stream->Open(), StreamError::kNone);
  ASSERT_EQ(stream->SetPosition(2), StreamError::kNone);
  ASSERT_EQ(stream->Write(B("a")), StreamError::kNone);
  ASSERT_EQ(stream->SetPosition(0), StreamError::kNone);
  ASSERT_EQ(stream->SetType(kTypeText), StreamError::kNone);
  ASSERT_EQ(stream->SetCharset("utf-8"), StreamError::kNone);
  EXPECT_EQ(stream->ReadText().text, std::u16string(u"\0\0a", 3));
}

TEST(CreateStream, FailsOnAThreadWithoutCoInitialize) {
  ASSERT_EQ(CoInitializeDepth(), 0);
  EXPECT_EQ(CreateStream(), nullptr);
}

}  // namespace
}  // namespace velnora::platform::automation
