// The layout of the fuzz targets' inputs that carry more than one field, shared by the
// targets (which read it) and the seed writer (which writes the corpus seeds in it).
//
// An input is read from the front: single control bytes, then texts each ended by a zero
// byte (a program text never holds one), then binary fields behind a two-byte
// little-endian length, and last the rest of the input. A field past the end reads as 0
// or empty, so every byte string is a valid input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velnora::fuzzing {

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }

  // Up to the next zero byte, which is consumed; the rest when there is none.
  std::string Text() {
    const std::size_t end = std::min(bytes_.find('\0'), bytes_.size());
    std::string text(bytes_.substr(0, end));
    bytes_.remove_prefix(std::min(end + 1, bytes_.size()));
    return text;
  }

  std::string Binary() {
    std::size_t length = Byte();
    length |= static_cast<std::size_t>(Byte()) << 8;
    length = std::min(length, bytes_.size());
    std::string binary(bytes_.substr(0, length));
    bytes_.remove_prefix(length);
    return binary;
  }

  std::string Rest() {
    std::string rest(bytes_);
    bytes_ = {};
    return rest;
  }

  // The rest up to its first zero byte: a text as the program holds one.
  std::string RestAsText() {
    std::string rest = Rest();
    rest.resize(std::min(rest.find('\0'), rest.size()));
    return rest;
  }

 private:
  std::string_view bytes_;
};

class InputWriter {
 public:
  InputWriter& Byte(std::uint8_t b) {
    bytes_ += static_cast<char>(b);
    return *this;
  }
  // `text` must hold no zero byte.
  InputWriter& Text(std::string_view text) {
    bytes_ += text;
    bytes_ += '\0';
    return *this;
  }
  InputWriter& Binary(std::string_view binary) {
    const std::size_t length = std::min<std::size_t>(binary.size(), 0xFFFF);
    Byte(static_cast<std::uint8_t>(length & 0xFF));
    Byte(static_cast<std::uint8_t>(length >> 8));
    bytes_ += binary.substr(0, length);
    return *this;
  }
  InputWriter& Rest(std::string_view rest) {
    bytes_ += rest;
    return *this;
  }
  [[nodiscard]] const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// ---- Per target: the fields, in the order they are read -------------------------------

// request_headers: the header block's inputs, a header name, and a block to normalise.
//   Byte method index (see MethodOf), Byte flags, Text extraHeaders, Text cookiesIn,
//   Text name, rest: the block.
inline constexpr std::uint8_t kHeaderAddDefaults = 1;
inline constexpr std::uint8_t kHeaderNormalise = 2;

// Method numbers -1 to 8: every verb and one beyond each end.
inline int MethodOf(std::uint8_t b) {
  return b % 10 - 1;
}

// response_headers: one complete exchange whose raw header block is the rest.
//   Byte header encoding (see HeaderEncoding), Byte flags, Text cookiesIn,
//   Text cookiesOut on entry, Text older and Text newer cookies for MergeCookies,
//   rest: the header bytes.
enum class HeaderEncoding : std::uint8_t {
  kLatin1,   // each byte one unit, as the service reads bytes that are not UTF-8
  kUtf8,     // read as UTF-8 (U+FFFD for what is not)
  kUtf16Le,  // byte pairs as the units themselves
};
inline HeaderEncoding HeaderEncodingOf(std::uint8_t b) {
  return static_cast<HeaderEncoding>(b % 3);
}
inline constexpr std::uint8_t kResponseAutoMergeOff = 1;
inline constexpr std::uint8_t kResponseWantsLocation = 2;
inline constexpr std::uint8_t kResponseWantsCookiesOut = 4;
inline constexpr std::uint8_t kResponseWantsCookiesIn = 8;
inline constexpr std::uint8_t kResponseReadFails = 16;

// web_request: a whole request over the playback service.
//   Byte method index, Byte flags (kRequest*), Byte time-out index, Byte scheme and port,
//   three failures of Byte step (an HttpStep number; any other value: none) and Byte
//   occurrence, Byte header encoding, Byte body end (0: complete, else broken off),
//   Binary announced piece sizes, Binary delivered read sizes,
//   Text url, host, path, extra info, extraHeaders, cookiesIn, cookiesOut on entry,
//   serverUser, serverPassword, proxy, proxyUser, proxyPassword, bodyText,
//   Binary bodyBytes, Binary raw headers, rest: the response body.
inline constexpr std::uint8_t kRequestNoRedirect = 1;
inline constexpr std::uint8_t kRequestAutoMergeOff = 2;
inline constexpr std::uint8_t kRequestDefaultsOff = 4;
inline constexpr std::uint8_t kRequestNormaliseOff = 8;
inline constexpr std::uint8_t kRequestWantsBytes = 16;
inline constexpr std::uint8_t kRequestWantsLocation = 32;
inline constexpr std::uint8_t kRequestWantsCookies = 64;
inline constexpr std::uint8_t kRequestWantsHeaders = 128;
inline constexpr int kRequestFailures = 3;

// catalogue: one catalogue page shown in the headless main window.
//   Byte site index (see SiteOf), Byte flags (kCatalogue*), Text failure message,
//   rest: the page.
inline int SiteOf(std::uint8_t b) {
  constexpr int kSites[] = {0, 1, 0, 1, -1, 2};
  return kSites[b % 6];
}
// The page is UTF-8 and is converted first, as site B's scraper does with its page.
inline constexpr std::uint8_t kCatalogueFromUtf8 = 1;
// The result goes through the real timed message box rather than a recording notice.
inline constexpr std::uint8_t kCatalogueTimedBox = 2;
// The drop-down, progress bar and group box hold an earlier scrape's results.
inline constexpr std::uint8_t kCataloguePrefilled = 4;

// chapter: one chapter page shown in the headless reader window.
//   Byte site index (see SiteOf), Byte flags (kChapter*), Text currentEntry,
//   Text failure message, rest: the page.
// The reader window closes before the page arrives.
inline constexpr std::uint8_t kChapterWindowClosed = 1;

}  // namespace velnora::fuzzing
