#include "text/char_scan.h"

#include <string.h>  // memmem, a GNU extension that <cstring> does not promise

#include <algorithm>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velnora::text::detail {
namespace {

// How often a byte turns up in the pages this program reads (Chinese text in HTML
// markup); candidates are looked for by the needle's rarest byte. A folded letter comes
// last because it has to be looked for in both cases.
int Commonness(char c, bool folded) {
  if (IsAsciiLetter(c)) return folded ? 3 : 2;
  if (IsHighByte(c) || (c >= '0' && c <= '9')) return 2;
  switch (c) {
    case ' ':
    case '<':
    case '>':
    case '/':
    case '\r':
    case '\n':
      return 2;
    case '"':
    case '=':
    case '.':
    case ',':
    case ':':
    case ';':
    case '&':
    case '-':
    case '\t':
      return 1;
    default:
      return 0;
  }
}

bool EqualFolded(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// Markers and delimiters are short; a loop beats the call into memcmp for them.
bool Equal(const char* a, const char* b, std::size_t n) {
  if (n > 16) return std::memcmp(a, b, n) == 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

std::size_t OffsetOf(std::string_view text, const void* hit) {
  return hit == nullptr ? kNotFound
                        : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

}  // namespace

bool ScanStops::StopsAt(std::size_t p) {
  assert(p >= known_ && "stops are asked for in increasing order");
  const char* bytes = text_.data();
  // Back to the byte after the last byte below 0x80, or to the known stop: from there
  // the scan stops at every other byte.
  std::size_t runStart = p;
#if defined(__SSE2__)
  // Chinese text makes long runs; pass over 32 bytes at a time while all are high.
  while (runStart - known_ >= 32) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + runStart - 32));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + runStart - 16));
    if (_mm_movemask_epi8(_mm_and_si128(first, second)) != 0xFFFF) break;
    runStart -= 32;
  }
  while (runStart - known_ >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + runStart - 16));
    const auto low = static_cast<unsigned>(~_mm_movemask_epi8(block)) & 0xFFFFU;
    if (low != 0) {
      runStart = runStart - 16 + static_cast<std::size_t>(32 - __builtin_clz(low));
      return Settle(p, runStart);
    }
    runStart -= 16;
  }
#endif
  while (runStart > known_ && IsHighByte(bytes[runStart - 1])) --runStart;
  return Settle(p, runStart);
}

bool ScanStops::Settle(std::size_t p, std::size_t runStart) {
  const bool stops = (p - runStart) % 2 == 0;
  known_ = stops ? p : p + 1;
  return stops;
}

Matcher::Matcher(std::string_view find, bool ignoreCase) : find_(find) {
  assert(!find.empty() && "callers settle the empty needle themselves");
  folded_ = ignoreCase && std::any_of(find.begin(), find.end(), IsAsciiLetter);
#if defined(__SSE2__)
  endsAllowed_ = !folded_ && find.size() >= 2;
#endif
  int rarest = Commonness(find[0], folded_);
  for (std::size_t i = 1; i < find.size(); ++i) {
    const int here = Commonness(find[i], folded_);
    if (here < rarest) {
      anchorIndex_ = i;
      rarest = here;
    }
  }
  const char anchor = find[anchorIndex_];
  anchors_[0] = anchor;
  if (folded_ && IsAsciiLetter(anchor)) {
    anchors_[0] = static_cast<char>(Fold(anchor));
    anchors_[1] = static_cast<char>(Fold(anchor) - ('a' - 'A'));
    anchorCount_ = 2;
  }
}

std::size_t Matcher::NextAnchor(std::string_view text, std::size_t from) {
  std::size_t best = kNotFound;
  for (std::size_t v = 0; v < anchorCount_; ++v) {
    // A cached hit stays good while it is not behind the search; "none" stays good for
    // every later search.
    if (!hitValid_[v] || nextHit_[v] < from) {
      nextHit_[v] =
          OffsetOf(text, std::memchr(text.data() + from, anchors_[v], text.size() - from));
      hitValid_[v] = true;
    }
    best = std::min(best, nextHit_[v]);
  }
  return best;
}

std::size_t Matcher::NextByEnds(std::string_view text, std::size_t from, std::size_t last) {
  const char* bytes = text.data();
  const std::size_t m = find_.size();
  // For two or three bytes the ends overlap; testing a byte twice costs nothing.
  const std::array<std::size_t, 4> at = {0, 1, m - 2, m - 1};
#if defined(__SSE2__)
  // The search only moves forward, so a kept block that reaches `from` covers it.
  if (blockBase_ != kNotFound && from < blockBase_ + 16) {
    const unsigned mask = blockMask_ & (~0U << (from - blockBase_));
    if (mask != 0) {
      const std::size_t candidate = blockBase_ + static_cast<std::size_t>(__builtin_ctz(mask));
      return candidate <= last ? candidate : kNotFound;
    }
    from = blockBase_ + 16;
  }
  __m128i wanted[4];
  for (std::size_t k = 0; k < at.size(); ++k) wanted[k] = _mm_set1_epi8(find_[at[k]]);
  auto matchesAt = [&](std::size_t k, std::size_t p) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p + at[k])),
                          wanted[k]);
  };
  for (; from <= last && from + m + 15 <= text.size(); from += 16) {
    const __m128i all = _mm_and_si128(_mm_and_si128(matchesAt(0, from), matchesAt(1, from)),
                                      _mm_and_si128(matchesAt(2, from), matchesAt(3, from)));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(all));
    if (mask != 0) {
      blockBase_ = from;
      blockMask_ = mask;
      const std::size_t candidate = from + static_cast<std::size_t>(__builtin_ctz(mask));
      return candidate <= last ? candidate : kNotFound;
    }
  }
#endif
  for (; from <= last; ++from) {
    const char* p = bytes + from;
    if (p[at[0]] == find_[at[0]] && p[at[1]] == find_[at[1]] && p[at[2]] == find_[at[2]] &&
        p[at[3]] == find_[at[3]]) {
      return from;
    }
  }
  return kNotFound;
}

std::size_t Matcher::Next(std::string_view text, std::size_t from, std::size_t end) {
  const std::size_t m = find_.size();
  if (end < m || from > end - m) return kNotFound;
  if (origin_ == kNotFound) origin_ = from;
  const std::size_t last = end - m;
  while (from <= last && !useMemmem_) {
    std::size_t candidate = kNotFound;
    if (ends_) {
      candidate = NextByEnds(text, from, last);
      if (candidate == kNotFound) return kNotFound;
    } else {
      const std::size_t hit = NextAnchor(text, from + anchorIndex_);
      if (hit == kNotFound || hit - anchorIndex_ > last) return kNotFound;
      candidate = hit - anchorIndex_;
    }
    const char* at = text.data() + candidate;
    if (folded_ ? EqualFolded(at, find_.data(), m) : Equal(at, find_.data(), m)) {
      return candidate;
    }
    from = candidate + 1;
    rejectedBytes_ += m;
    // The rarest byte is no rare byte in this text: more than one false candidate in 32
    // bytes (a '<' in markup) makes the ends the faster test.
    ++falseCandidates_;
    if (endsAllowed_ && !ends_ && falseCandidates_ >= 16 && falseCandidates_ * 32 > from - origin_)
      ends_ = true;
    useMemmem_ = !folded_ && rejectedBytes_ > 2 * (from - origin_) + 4096;
  }
  if (from > last) return kNotFound;
  return OffsetOf(text, ::memmem(text.data() + from, end - from, find_.data(), m));
}

std::size_t NextSpaceCandidate(std::string_view text, std::size_t from) {
  const char* bytes = text.data();
  const std::size_t size = text.size();
  std::size_t p = from;
#if defined(__SSE2__)
  // Sixteen bytes at a time: a page holds few spaces, and most blocks have none.
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i wide = _mm_set1_epi8('\xA1');
  for (; p + 17 <= size; p += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
    const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p + 1));
    const __m128i pair = _mm_and_si128(_mm_cmpeq_epi8(here, wide), _mm_cmpeq_epi8(after, wide));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(here, space), pair));
    if (mask != 0) return p + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; p < size; ++p) {
    if (bytes[p] == ' ' || (bytes[p] == '\xA1' && p + 1 < size && bytes[p + 1] == '\xA1')) {
      return p;
    }
  }
  return kNotFound;
}

}  // namespace velnora::text::detail
