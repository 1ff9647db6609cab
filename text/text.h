// The text model every layer shares: code-page-936 byte strings, raw byte buffers and
// text lists numbered from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velnora::text {

// A code-page-936 (GBK) byte string. Lengths and positions count bytes; positions are
// 1-based. A byte 0x80-0xFF and the byte after it form one two-byte character for every
// operation that scans by characters. Holds no zero byte (BytesToText stops at one).
using Text = std::string;

// Any bytes, zero bytes included; UTF-16 data is little-endian code units.
using Bytes = std::vector<std::uint8_t>;

// An ordered list of texts numbered from 1 at its interface. Item() outside 1..Count()
// yields the empty text rather than touching memory it does not own.
class TextList {
 public:
  TextList() = default;
  explicit TextList(std::vector<Text> items) : items_(std::move(items)) {}

  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }

  // Item n (1-based); the empty text when n is outside 1..Count().
  [[nodiscard]] const Text& Item(int n) const {
    static const Text kEmpty;
    if (n < 1 || n > Count()) return kEmpty;
    return items_[static_cast<std::size_t>(n - 1)];
  }

  void Append(Text item) { items_.push_back(std::move(item)); }

  [[nodiscard]] const std::vector<Text>& Items() const { return items_; }

  friend bool operator==(const TextList&, const TextList&) = default;

 private:
  std::vector<Text> items_;
};

}  // namespace velnora::text
