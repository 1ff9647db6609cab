// Cuts, spaces, case, characters and numbers, bytes, joining and comparing. The searching
// operations live in search.cpp.
#include "text/primitives.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>

#include "text/char_scan.h"

namespace velnora::text {
namespace {

using detail::IsHighByte;

constexpr char kFullWidthLead = '\xA1';  // 0xA1 0xA1 is the full-width space

bool IsFullWidthSpaceAt(std::string_view text, std::size_t p) {
  return p + 1 < text.size() && text[p] == kFullWidthLead && text[p + 1] == kFullWidthLead;
}

// The scan steps over a lone first byte at the very end without finding a byte to pair it
// with; the operations that copy character by character leave it out. True when the
// scan that starts at byte 0 reaches such a byte.
bool EndsInLoneFirstByte(std::string_view text) {
  if (text.empty() || !IsHighByte(text.back())) return false;
  detail::ScanStops stops(text, 0);
  return stops.StopsAt(text.size() - 1);
}

}  // namespace

// ---- Cuts -------------------------------------------------------------------------------

Text TextLeft(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(std::string_view text, int n) {
  if (n <= 0) return {};
  const std::size_t take = std::min(text.size(), static_cast<std::size_t>(n));
  return Text(text.substr(text.size() - take));
}

Text TextMid(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

// ---- Spaces and case ----------------------------------------------------------------------

Text RemoveAllSpaces(std::string_view text) {
  // Half-width spaces go wherever they stand: a byte 0x20 always ends a character. A
  // pair 0xA1 0xA1 goes only where the character scan stops, so each such candidate is
  // checked against the scan.
  // A catalogue block has spaces every few dozen bytes: the kept runs are copied
  // straight into a buffer of the text's size, cut to length at the end.
  Text out(text.size(), '\0');
  char* written = out.data();
  auto keep = [&written, &text](std::size_t from, std::size_t to) {
    if (to == from) return;
    std::memcpy(written, text.data() + from, to - from);
    written += to - from;
  };
  detail::ScanStops stops(text, 0);
  std::size_t copied = 0;
  for (std::size_t hit = detail::NextSpaceCandidate(text, 0); hit != detail::kNotFound;
       hit = detail::NextSpaceCandidate(text, stops.Known())) {
    const bool isSpace = text[hit] == ' ';
    if (!isSpace && !stops.StopsAt(hit)) continue;
    keep(copied, hit);
    copied = hit + (isSpace ? 1 : 2);
    stops.RestartAt(copied);
  }
  std::size_t end = text.size();
  if (end > copied && IsHighByte(text.back()) && stops.StopsAt(end - 1)) --end;
  keep(copied, end);
  out.resize(static_cast<std::size_t>(written - out.data()));
  return out;
}

Text TrimBoth(std::string_view text) {
  const std::size_t end = text.size() - (EndsInLoneFirstByte(text) ? 1 : 0);
  std::size_t first = 0;
  while (first < end) {
    if (text[first] == ' ') {
      ++first;
    } else if (IsFullWidthSpaceAt(text, first)) {
      first += 2;
    } else {
      break;
    }
  }
  // Spaces are whole characters, so the end of the last other character is found by
  // stepping forward; stepping back could not tell a second byte from a first one.
  std::size_t keptEnd = first;
  for (std::size_t p = first; p < end;) {
    const std::size_t next = detail::UnitEnd(text, p);
    const bool isSpace = text[p] == ' ' || (next == p + 2 && IsFullWidthSpaceAt(text, p));
    p = next;
    if (!isSpace) keptEnd = p;
  }
  return Text(text.substr(first, keptEnd - first));
}

Text ToUpper(std::string_view text) {
  Text out(text);
  for (std::size_t p = 0; p < out.size();) {
    char& c = out[p];
    if (IsHighByte(c)) {
      p += 2;  // second bytes of two-byte characters keep their case
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    ++p;
  }
  return out;
}

// ---- Characters and numbers ----------------------------------------------------------------

int CharCode(std::string_view text, int position) {
  if (position < 1 || static_cast<std::size_t>(position) > text.size()) return 0;
  return static_cast<signed char>(text[static_cast<std::size_t>(position - 1)]);
}

Text CharFromCode(int code) {
  const auto byte = static_cast<char>(static_cast<unsigned>(code) & 0xFFU);
  if (byte == '\0') return {};  // a text holds no zero byte
  return Text(1, byte);
}

Text BlankText(int n) {
  return n <= 0 ? Text() : Text(static_cast<std::size_t>(n), ' ');
}

Text IntToText(int value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Text(buffer, result.ptr);
}

namespace {

// The character at `p` read as ToInt reads it: full-width forms become their ASCII
// counterparts, any other two-byte character becomes a byte that no rule accepts.
char ReadAsAscii(std::string_view text, std::size_t p) {
  if (!IsHighByte(text[p])) return text[p];
  if (p + 1 >= text.size()) return '\x80';
  const auto lead = static_cast<unsigned char>(text[p]);
  const auto second = static_cast<unsigned char>(text[p + 1]);
  if (lead == 0xA3 && second >= 0xA1 && second <= 0xFE) return static_cast<char>(second - 0x80);
  if (lead == 0xA1) {
    if (second == 0xA1) return ' ';
    if (second == 0xAB) return '~';
    if (second == 0xEE || second == 0xEF) return '*';
  }
  return '\x80';
}

bool IsIntSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

int ToInt(std::string_view text) {
  std::size_t p = 0;
  auto peek = [&] { return p < text.size() ? ReadAsAscii(text, p) : '\0'; };
  auto advance = [&] { p = detail::UnitEnd(text, p); };

  while (IsIntSpace(peek())) advance();
  bool negative = false;
  if (peek() == '+' || peek() == '-') {
    negative = peek() == '-';
    advance();
  }
  // Kept at most one past INT_MAX, which is exactly -INT_MIN: further digits cannot
  // overflow it and both signs saturate correctly.
  constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 1;
  std::int64_t magnitude = 0;
  for (char c = peek(); c >= '0' && c <= '9'; c = peek()) {
    magnitude = std::min(kCap, magnitude * 10 + (c - '0'));
    advance();
  }
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(std::min(magnitude, std::int64_t{INT_MAX}));
}

// ---- Texts and bytes --------------------------------------------------------------------------

Bytes TextToBytes(std::string_view text) {
  Bytes bytes(text.size());
  if (!text.empty()) std::memcpy(bytes.data(), text.data(), text.size());
  return bytes;
}

Text BytesToText(const Bytes& bytes) {
  if (bytes.empty()) return {};
  // Bodies of whole pages pass through here: memchr and one block copy instead of an
  // element-wise widening loop.
  const auto* data = reinterpret_cast<const char*>(bytes.data());
  const void* zero = std::memchr(data, 0, bytes.size());
  const std::size_t length = zero == nullptr
                                 ? bytes.size()
                                 : static_cast<std::size_t>(static_cast<const char*>(zero) - data);
  return Text(data, length);
}

Bytes BytesLeft(const Bytes& bytes, int n) {
  const auto take = static_cast<std::size_t>(
      std::clamp<std::int64_t>(n, 0, static_cast<std::int64_t>(bytes.size())));
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

Bytes BytesMid(const Bytes& bytes, int start, int n) {
  const auto size = static_cast<std::int64_t>(bytes.size());
  const std::int64_t offset = std::clamp<std::int64_t>(std::int64_t{start} - 1, 0, size);
  const std::int64_t take = std::clamp<std::int64_t>(n, 0, size - offset);
  const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(take));
}

Bytes BlankBytes(int n) {
  return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0);
}

Bytes BytesFromMemory(const void* address, int n) {
  if (address == nullptr || n <= 0) return {};
  const auto* first = static_cast<const std::uint8_t*>(address);
  return Bytes(first, first + n);
}

// ---- Joining and comparing ----------------------------------------------------------------------

Text ConcatText(std::initializer_list<std::string_view> texts) {
  std::size_t total = 0;
  for (std::string_view t : texts) total += t.size();
  Text out;
  out.reserve(total);
  for (std::string_view t : texts) out.append(t);
  return out;
}

Bytes ConcatBytes(std::initializer_list<Bytes> parts) {
  std::size_t total = 0;
  for (const Bytes& b : parts) total += b.size();
  Bytes out;
  out.reserve(total);
  for (const Bytes& b : parts) out.insert(out.end(), b.begin(), b.end());
  return out;
}

int CompareText(std::string_view a, std::string_view b, bool caseSensitive) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int x = caseSensitive ? static_cast<unsigned char>(a[i]) : detail::Fold(a[i]);
    const int y = caseSensitive ? static_cast<unsigned char>(b[i]) : detail::Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace velnora::text
