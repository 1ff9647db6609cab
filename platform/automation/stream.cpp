#include "platform/automation/stream.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>

#include "platform/automation/com.h"

namespace velnora::platform::automation {

struct StreamConverter {
  UConverter* handle = nullptr;
  bool unicodeFamily = false;  // a leading byte-order mark is a signature, not text
  StreamConverter() = default;
  StreamConverter(const StreamConverter&) = delete;
  StreamConverter& operator=(const StreamConverter&) = delete;
  ~StreamConverter() {
    if (handle != nullptr) ucnv_close(handle);
  }
};

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

struct KnownName {
  std::string_view name;
  const char* converter;
};

// Names whose meaning in pages differs from the library's own aliases: its "unicode" is
// big-endian with a signature, and its "gb2312" is EUC-CN rather than the 936 table.
constexpr std::array<KnownName, 11> kKnownNames{{
    {"unicode", "UTF-16LE"},
    {"utf-16", "UTF-16LE"},
    {"unicodeFFFE", "UTF-16BE"},
    {"utf-8", "UTF-8"},
    {"gb2312", "windows-936-2000"},
    {"gbk", "windows-936-2000"},
    {"cp936", "windows-936-2000"},
    {"x-cp936", "windows-936-2000"},
    {"gb18030", "GB18030"},
    {"big5", "windows-950-2000"},
    {"shift_jis", "ibm-943_P15A-2003"},
}};

std::unique_ptr<StreamConverter> OpenConverter(std::string_view name) {
  std::string converterName;
  for (const auto& known : kKnownNames) {
    if (EqualsIgnoringCase(known.name, name)) converterName = known.converter;
  }
  if (converterName.empty()) {
    // The library reads an empty name as its default converter and a comma as the start
    // of options; neither is a charset a page can declare.
    if (name.empty() || name.find_first_of(std::string_view(",\0", 2)) != std::string_view::npos)
      return nullptr;
    converterName = name;
  }
  UErrorCode status = U_ZERO_ERROR;
  UConverter* handle = ucnv_open(converterName.c_str(), &status);
  if (U_FAILURE(status) || handle == nullptr) {
    if (handle != nullptr) ucnv_close(handle);
    return nullptr;
  }
  auto converter = std::make_unique<StreamConverter>();
  converter->handle = handle;
  status = U_ZERO_ERROR;
  const char* canonical = ucnv_getName(handle, &status);
  const std::string_view canonicalName = U_SUCCESS(status) ? canonical : "";
  converter->unicodeFamily = canonicalName.starts_with("UTF-");
  status = U_ZERO_ERROR;
  ucnv_setToUCallBack(handle, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
  return converter;
}

}  // namespace

Stream::Stream() : converter_(OpenConverter("Unicode")) {}
Stream::~Stream() = default;

StreamError Stream::SetType(int type) {
  if (type != kTypeBinary && type != kTypeText) return StreamError::kWrongArguments;
  if (open_ && position_ != 0) return StreamError::kNotAllowed;
  type_ = type;
  return StreamError::kNone;
}

StreamError Stream::SetMode(int mode) {
  if (open_) return StreamError::kNotAllowed;
  const int access = mode & 3;
  const int share = mode & ~3;
  if (mode < 0 || (share != 0 && share != 4 && share != 8 && share != 12 && share != 16)) {
    return StreamError::kWrongArguments;
  }
  mode_ = access | share;
  return StreamError::kNone;
}

StreamError Stream::Open() {
  if (open_) return StreamError::kNotAllowed;
  open_ = true;
  bytes_.clear();
  position_ = 0;
  return StreamError::kNone;
}

StreamError Stream::Write(std::span<const std::uint8_t> bytes) {
  if (!open_) return StreamError::kClosed;
  if (type_ != kTypeBinary) return StreamError::kNotAllowed;
  const auto at = static_cast<std::size_t>(position_);
  if (bytes_.size() < at + bytes.size()) bytes_.resize(at + bytes.size());
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  position_ += static_cast<long long>(bytes.size());
  return StreamError::kNone;
}

StreamError Stream::SetPosition(long long position) {
  if (!open_) return StreamError::kClosed;
  if (position < 0) return StreamError::kWrongArguments;
  if (static_cast<unsigned long long>(position) > bytes_.size()) {
    bytes_.resize(static_cast<std::size_t>(position), 0);
  }
  position_ = position;
  return StreamError::kNone;
}

StreamError Stream::SetCharset(std::string_view name) {
  if (open_ && position_ != 0) return StreamError::kNotAllowed;
  auto converter = OpenConverter(name);
  if (!converter) return StreamError::kWrongArguments;
  converter_ = std::move(converter);
  charset_ = name;
  return StreamError::kNone;
}

Stream::TextResult Stream::ReadText() {
  if (!open_) return {.text = std::nullopt, .error = StreamError::kClosed};
  if (type_ != kTypeText) return {.text = std::nullopt, .error = StreamError::kNotAllowed};
  const auto at = static_cast<std::size_t>(position_);
  if (at >= bytes_.size()) return {.text = std::nullopt, .error = StreamError::kNone};
  UConverter* handle = converter_->handle;
  ucnv_reset(handle);
  const char* source = reinterpret_cast<const char*>(bytes_.data()) + at;
  const char* limit = reinterpret_cast<const char*>(bytes_.data()) + bytes_.size();
  // One unit per byte holds every charset but a few exotic ones; those grow the buffer.
  std::u16string text(bytes_.size() - at + 1, u'\0');
  std::size_t written = 0;
  for (;;) {
    UErrorCode status = U_ZERO_ERROR;
    char16_t* target = text.data() + written;
    ucnv_toUnicode(handle, &target, text.data() + text.size(), &source, limit, nullptr, true,
                   &status);
    written = static_cast<std::size_t>(target - text.data());
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
    text.resize(text.size() * 2);
  }
  text.resize(written);
  if (at == 0 && converter_->unicodeFamily && !text.empty() && text.front() == u'\uFEFF') {
    text.erase(0, 1);
  }
  position_ = static_cast<long long>(bytes_.size());
  return {.text = std::move(text), .error = StreamError::kNone};
}

StreamError Stream::Close() {
  if (!open_) return StreamError::kClosed;
  open_ = false;
  bytes_.clear();
  position_ = 0;
  return StreamError::kNone;
}

std::shared_ptr<Stream> CreateStream() {
  if (CoInitializeDepth() == 0) return nullptr;
  return std::make_shared<Stream>();
}

}  // namespace velnora::platform::automation
