#include "text/markers.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "text/char_scan.h"
#include "text/primitives.h"

namespace velnora::text {
namespace {

// Positions derived from a caller's start may leave the int range (start = INT_MIN); any
// value beyond it means the same as the nearest int to the primitives.
int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The marker with each placeholder made a double quote: ReplaceText(marker,
// kQuotePlaceholder, "\"") written out for markers, which are short, since a catalogue
// cuts a title out of every entry with a quoted marker. Most markers hold no
// placeholder and are used as they stand.
std::string_view Quoted(std::string_view marker, Text& storage) {
  if (marker.find(kQuotePlaceholder.front()) == std::string_view::npos) return marker;
  storage.reserve(marker.size());
  // Stepping by characters, as ReplaceText does: a placeholder counts only where a
  // character starts, and the scan goes on right after each one it replaces.
  for (std::size_t p = 0; p < marker.size();) {
    if (marker.substr(p).starts_with(kQuotePlaceholder)) {
      storage += '"';
      p += kQuotePlaceholder.size();
      continue;
    }
    const std::size_t next = detail::UnitEnd(marker, p);
    storage.append(marker, p, next - p);
    p = next;
  }
  return storage;
}

}  // namespace

Text TextRightOf(std::string_view text, std::string_view marker, MarkerOptions options) {
  const std::int64_t length = TextLength(text);
  const int pos = options.start < 0 ? FindText(text, marker,
                                               {.start = ClampToInt(-std::int64_t{options.start}),
                                                .ignoreCase = options.ignoreCase})
                                    : FindTextReverse(text, marker,
                                                      {.start = ClampToInt(length - options.start),
                                                       .ignoreCase = options.ignoreCase});
  if (pos == -1) return {};
  return TextRight(text, ClampToInt(length - TextLength(marker) - pos + 1));
}

Text TextLeftOf(std::string_view text, std::string_view marker, MarkerOptions options) {
  int pos = -1;
  if (options.start < 0) {
    std::int64_t back = -std::int64_t{options.start};
    if (back == 1) back = 0;
    pos = FindTextReverse(
        text, marker,
        {.start = ClampToInt(TextLength(text) - back), .ignoreCase = options.ignoreCase});
  } else {
    pos = FindText(text, marker,
                   {.start = std::max(options.start, 1), .ignoreCase = options.ignoreCase});
  }
  if (pos == -1) return {};
  return TextLeft(text, pos - 1);
}

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 MarkerOptions options) {
  Text startStorage;
  Text endStorage;
  const std::string_view startQuoted = Quoted(startMarker, startStorage);
  const std::string_view endQuoted = Quoted(endMarker, endStorage);
  const int found =
      FindText(text, startQuoted, {.start = options.start, .ignoreCase = options.ignoreCase});
  if (found == -1) return {};
  const int contentStart = found + TextLength(startQuoted);
  const int end =
      FindText(text, endQuoted, {.start = contentStart, .ignoreCase = options.ignoreCase});
  if (end == -1) return {};
  return TextMid(text, contentStart, end - contentStart);
}

}  // namespace velnora::text
