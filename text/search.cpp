// The operations that look for a text inside another one: FindText, FindTextReverse,
// ReplaceText and SplitText, on top of the shared candidate search.
#include <string.h>  // memmem, a GNU extension that <cstring> does not promise

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>

#include "text/char_scan.h"
#include "text/primitives.h"

namespace velnora::text {
namespace detail {
namespace {

// How often a byte turns up in the pages this program reads (Chinese text in HTML
// markup); the folded search looks for the rarest byte of the needle. Letters come last
// because they must be looked for in both cases.
int Commonness(char c) {
  if (IsAsciiLetter(c)) return 3;
  if (IsHighByte(c)) return 1;
  if (c >= '0' && c <= '9') return 2;
  switch (c) {
    case ' ':
    case '<':
    case '>':
    case '/':
    case '"':
    case '=':
    case '\r':
    case '\n':
    case '\t':
    case '.':
    case ',':
    case ':':
    case ';':
    case '&':
    case '-':
      return 2;
    default:
      return 0;
  }
}

constexpr std::uint64_t kAllHigh = 0x8080808080808080ULL;

}  // namespace

bool EqualFolded(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool ScanStops::StopsAt(std::size_t p) {
  assert(p >= known_ && "stops are asked for in increasing order");
  const char* bytes = text_.data();
  // Back to the byte after the last byte below 0x80, or to the known stop: from there
  // the scan stops at every other byte.
  std::size_t runStart = p;
  while (runStart > known_) {
    if (runStart - known_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + runStart - 8, sizeof word);
      if ((word & kAllHigh) == kAllHigh) {
        runStart -= 8;
        continue;
      }
    }
    if (!IsHighByte(bytes[runStart - 1])) break;
    --runStart;
  }
  const bool stops = (p - runStart) % 2 == 0;
  known_ = stops ? p : p + 1;
  return stops;
}

Matcher::Matcher(std::string_view find, bool ignoreCase) : find_(find) {
  assert(!find.empty() && "callers settle the empty needle themselves");
  folded_ = ignoreCase && std::any_of(find.begin(), find.end(), IsAsciiLetter);
  if (!folded_) return;
  for (std::size_t i = 1; i < find.size(); ++i) {
    if (Commonness(find[i]) < Commonness(find[anchorIndex_])) anchorIndex_ = i;
  }
  const char anchor = find[anchorIndex_];
  anchors_[0] = anchor;
  anchorCount_ = 1;
  if (IsAsciiLetter(anchor)) {
    anchors_[0] = static_cast<char>(Fold(anchor));
    anchors_[1] = static_cast<char>(Fold(anchor) - ('a' - 'A'));
    anchorCount_ = 2;
  }
}

std::size_t Matcher::Next(std::string_view text, std::size_t from, std::size_t end) {
  const std::size_t m = find_.size();
  if (end < m || from > end - m) return kNotFound;
  if (folded_) return NextFolded(text, from, end);
  const void* hit = ::memmem(text.data() + from, end - from, find_.data(), m);
  if (hit == nullptr) return kNotFound;
  return static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

std::size_t Matcher::NextFolded(std::string_view text, std::size_t from, std::size_t end) {
  const std::size_t m = find_.size();
  const std::size_t last = end - m;
  while (from <= last) {
    const std::size_t low = from + anchorIndex_;
    std::size_t best = kNotFound;
    for (std::size_t v = 0; v < anchorCount_; ++v) {
      // A cached hit stays good while it is not behind the search; "none" stays good
      // for every later search.
      if (!hitValid_[v] || nextHit_[v] < low) {
        const void* hit = std::memchr(text.data() + low, anchors_[v], text.size() - low);
        nextHit_[v] = hit == nullptr
                          ? kNotFound
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        hitValid_[v] = true;
      }
      best = std::min(best, nextHit_[v]);
    }
    if (best == kNotFound || best - anchorIndex_ > last) return kNotFound;
    const std::size_t candidate = best - anchorIndex_;
    if (EqualFolded(text.data() + candidate, find_.data(), m)) return candidate;
    from = candidate + 1;
  }
  return kNotFound;
}

}  // namespace detail

namespace {

using detail::kNotFound;

int ToPosition(std::size_t offset) {
  return static_cast<int>(offset) + 1;
}

// First offset at which the character scan, going on from its last known stop, meets a
// match lying wholly in text[0, end).
std::size_t FindFrom(std::string_view text, std::size_t end, detail::Matcher& matcher,
                     detail::ScanStops& stops) {
  for (std::size_t c = matcher.Next(text, stops.Known(), end); c != kNotFound;
       c = matcher.Next(text, stops.Known(), end)) {
    if (stops.StopsAt(c)) return c;
  }
  return kNotFound;
}

}  // namespace

int FindText(std::string_view text, std::string_view find, FindOptions options) {
  if (find.empty()) return text.empty() ? -1 : 1;
  const int start = std::max(options.start, 1);
  if (static_cast<std::size_t>(start) > text.size()) return -1;
  const auto from = static_cast<std::size_t>(start - 1);
  detail::Matcher matcher(find, options.ignoreCase);
  detail::ScanStops stops(text, from);
  const std::size_t hit = FindFrom(text, text.size(), matcher, stops);
  return hit == kNotFound ? -1 : ToPosition(hit);
}

int FindTextReverse(std::string_view text, std::string_view find, FindReverseOptions options) {
  std::size_t window = text.size();
  if (options.start.has_value()) {
    if (*options.start <= 1) return -1;
    window = std::min(window, static_cast<std::size_t>(*options.start - 1));
  }
  if (find.empty()) return window >= 1 ? 1 : -1;
  // The scan goes forward through the window and keeps the last match, overlapping ones
  // included, exactly as a forward scan would meet them.
  detail::Matcher matcher(find, options.ignoreCase);
  detail::ScanStops stops(text, 0);
  std::size_t last = kNotFound;
  for (std::size_t hit = FindFrom(text, window, matcher, stops); hit != kNotFound;
       hit = FindFrom(text, window, matcher, stops)) {
    last = hit;
    stops.RestartAt(detail::UnitEnd(text, hit));
  }
  return last == kNotFound ? -1 : ToPosition(last);
}

Text ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                 ReplaceOptions options) {
  const int start = std::max(options.start, 1);
  if (text.empty() || find.empty() || static_cast<std::size_t>(start - 1) >= text.size() ||
      options.count == 0) {
    return Text(text);
  }
  const int limit = options.count.value_or(-1) < 0 ? INT_MAX : *options.count;
  const auto from = static_cast<std::size_t>(start - 1);

  Text out;
  out.reserve(text.size());
  detail::Matcher matcher(find, !options.caseSensitive);
  detail::ScanStops stops(text, from);
  std::size_t copied = 0;  // text[0, copied) is in `out`
  int replaced = 0;
  while (replaced < limit) {
    const std::size_t hit = FindFrom(text, text.size(), matcher, stops);
    if (hit == kNotFound) break;
    out.append(text, copied, hit - copied);
    out.append(replacement);
    copied = hit + find.size();
    stops.RestartAt(copied);
    ++replaced;
  }
  // A lone first byte at the very end is a character the scan steps over without a
  // byte to pair it with; it is dropped, but only if the scan got that far, which needs
  // a one-byte needle and replacements left.
  std::size_t end = text.size();
  if (replaced < limit && find.size() == 1 && detail::IsHighByte(text.back()) &&
      stops.Known() <= end - 1 && end - 1 >= copied && stops.StopsAt(end - 1)) {
    --end;
  }
  out.append(text, copied, end - copied);
  return out;
}

TextList SplitText(std::string_view text, std::string_view delimiter, std::optional<int> maxCount) {
  if (text.empty() || (maxCount.has_value() && *maxCount <= 0)) return {};
  if (delimiter.empty()) return TextList({Text(text)});
  const std::size_t limit =
      maxCount.has_value() ? static_cast<std::size_t>(*maxCount) : static_cast<std::size_t>(-1);
  std::vector<Text> items;
  detail::Matcher matcher(delimiter, false);
  detail::ScanStops stops(text, 0);
  std::size_t pieceStart = 0;
  for (;;) {
    const std::size_t hit = FindFrom(text, text.size(), matcher, stops);
    if (hit == kNotFound) break;
    items.emplace_back(text.substr(pieceStart, hit - pieceStart));
    if (items.size() == limit) return TextList(std::move(items));
    pieceStart = hit + delimiter.size();
    stops.RestartAt(pieceStart);
  }
  if (pieceStart < text.size()) items.emplace_back(text.substr(pieceStart));
  return TextList(std::move(items));
}

}  // namespace velnora::text
