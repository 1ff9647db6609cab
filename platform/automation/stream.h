// The "Adodb.Stream" component as a bytes-to-text converter: binary data is written,
// then read back as text in a named charset. Charset names are those pages declare
// ("utf-8", "gb2312", "big5", "unicode", ...), matched without regard to case; "gbk"
// and "gb2312" both mean the Windows 936 table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velnora::platform::automation {

// The component's error numbers.
enum class StreamError {
  kNone = 0,
  kWrongArguments = 3001,  // a value out of range, or a charset no converter knows
  kNotAllowed = 3219,      // not in the stream's current state (Type away from position 0)
  kClosed = 3704,
};

struct StreamConverter;

inline constexpr int kTypeBinary = 1;
inline constexpr int kTypeText = 2;
inline constexpr int kModeReadWrite = 3;

class Stream {
 public:
  struct TextResult {
    // nullopt stands for the component's Null: nothing was left to read.
    std::optional<std::u16string> text;
    StreamError error = StreamError::kNone;
  };

  Stream();
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  [[nodiscard]] int Type() const { return type_; }
  // 1 (binary) or 2 (text); on an open stream only at position 0.
  StreamError SetType(int type);
  [[nodiscard]] int Mode() const { return mode_; }
  // 0 to 3 with the share flags 4, 8, 12 or 16; only while closed.
  StreamError SetMode(int mode);
  // An empty stream at position 0.
  StreamError Open();
  // Binary streams only; writes at the position and moves it past the bytes.
  StreamError Write(std::span<const std::uint8_t> bytes);
  [[nodiscard]] long long Position() const { return position_; }
  // In bytes; a position past the end grows the stream with zero bytes.
  StreamError SetPosition(long long position);
  [[nodiscard]] const std::string& Charset() const { return charset_; }
  // Fails with kWrongArguments, keeping the current charset, for a name no converter
  // knows; on an open stream only at position 0. The default is "Unicode" (UTF-16LE).
  StreamError SetCharset(std::string_view name);
  // Text streams only: the bytes from the position to the end read in the charset,
  // invalid sequences as U+FFFD, a leading byte-order mark of a Unicode charset dropped.
  // Moves the position to the end.
  [[nodiscard]] TextResult ReadText();
  StreamError Close();

 private:
  std::unique_ptr<StreamConverter> converter_;
  std::vector<std::uint8_t> bytes_;
  std::string charset_ = "Unicode";
  int type_ = kTypeText;
  int mode_ = 0;
  long long position_ = 0;
  bool open_ = false;
};

// A new closed stream; null when this thread has not called CoInitialize.
[[nodiscard]] std::shared_ptr<Stream> CreateStream();

}  // namespace velnora::platform::automation
