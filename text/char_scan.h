// Internal to the text library: the character-start bookkeeping and the candidate search
// that the scanning primitives share. Not for use outside text/.
//
// The scans step through a text by characters: a byte 0x80-0xFF and the byte after it
// are one unit, any other byte is a unit alone. Stepping byte by byte is slow, so the
// primitives find candidates with the C library's byte search and then ask whether the
// character scan would have stopped there. That question has a cheap answer: a byte
// below 0x80 always ends a unit (alone or as a second byte), so the scan stops right
// after it, and from there on, through a run of bytes 0x80-0xFF, it stops at every other
// byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velnora::text::detail {

inline constexpr std::size_t kNotFound = std::string_view::npos;

inline bool IsHighByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

// Byte after the unit that begins at `p`: two bytes for a byte 0x80-0xFF that has a
// byte after it, else one.
inline std::size_t UnitEnd(std::string_view text, std::size_t p) {
  return p + (IsHighByte(text[p]) && p + 1 < text.size() ? 2 : 1);
}

// ASCII letters folded to lower case, every other byte unchanged.
inline constexpr std::array<unsigned char, 256> kFoldTable = [] {
  std::array<unsigned char, 256> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
  }
  return table;
}();

inline unsigned char Fold(char c) {
  return kFoldTable[static_cast<unsigned char>(c)];
}

inline bool IsAsciiLetter(char c) {
  const unsigned char lower = Fold(c);
  return lower >= 'a' && lower <= 'z';
}

// Follows the positions at which a character scan that began at a known position stops.
// Queries must come in increasing order; each looks back no further than the previous
// answer, so a whole pass over a text costs time linear in its length.
class ScanStops {
 public:
  ScanStops(std::string_view text, std::size_t known) : text_(text), known_(known) {}

  // True when the scan stops at `p`. Afterwards the next query may start at p (when it
  // stops there) or at p + 1 (it does not: p is a second byte, so p + 1 is a stop).
  bool StopsAt(std::size_t p);

  // The scan is known to stop at `p` (it skipped a match and goes on after it).
  void RestartAt(std::size_t p) { known_ = p; }

  [[nodiscard]] std::size_t Known() const { return known_; }

 private:
  bool Settle(std::size_t p, std::size_t runStart);

  std::string_view text_;
  std::size_t known_;
};

// Finds the byte offsets where `find` occurs in a text, exactly or with ASCII letters
// folded, regardless of character starts. One matcher serves one text, and `from` never
// decreases between calls: it keeps state to stay fast and linear.
class Matcher {
 public:
  Matcher(std::string_view find, bool ignoreCase);

  // Smallest offset p >= from with the match wholly in text[0, end); kNotFound if none.
  std::size_t Next(std::string_view text, std::size_t from, std::size_t end);

 private:
  std::size_t NextAnchor(std::string_view text, std::size_t from);
  std::size_t NextByEnds(std::string_view text, std::size_t from, std::size_t last);

  std::string_view find_;
  bool folded_ = false;
  // Folded needles and single bytes: candidates come from memchr on the needle's rarest
  // byte, at anchorIndex_, in one or (folded letter) both cases; the next hit of each is
  // cached. Rarely a text is full of false candidates; once their checks cost more than
  // the bytes passed, exact searches hand over to memmem, which is linear whatever the
  // input.
  std::size_t anchorIndex_ = 0;
  std::array<char, 2> anchors_{};
  std::size_t anchorCount_ = 1;
  std::array<std::size_t, 2> nextHit_{};
  std::array<bool, 2> hitValid_{};
  // Exact needles of two bytes or more, where memchr meets false candidates every few
  // bytes (the rarest byte of a markup needle is often '<', and a catalogue page repeats
  // it in every entry): candidates are then the offsets where the needle's first two and
  // last two bytes all stand in place, sixteen offsets tested at a time; the ends of a
  // tag tell it from its neighbours ("</dl>" from "</dd>"). The candidates of the last
  // block tested are kept.
  bool endsAllowed_ = false;
  std::size_t falseCandidates_ = 0;
  bool ends_ = false;
  std::size_t blockBase_ = kNotFound;
  unsigned blockMask_ = 0;
  std::size_t origin_ = kNotFound;
  std::size_t rejectedBytes_ = 0;
  bool useMemmem_ = false;
};

// Offset of the next byte 0x20 or pair 0xA1 0xA1 at or after `from`; kNotFound if none.
std::size_t NextSpaceCandidate(std::string_view text, std::size_t from);

}  // namespace velnora::text::detail
