// The operations that look for a text inside another one: FindText, FindTextReverse,
// ReplaceText and SplitText, on top of the shared candidate search.
#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "text/char_scan.h"
#include "text/primitives.h"

namespace velnora::text {
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
