#include "text/markers.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "text/primitives.h"

namespace velnora::text {
namespace {

// Positions derived from a caller's start may leave the int range (start = INT_MIN); any
// value beyond it means the same as the nearest int to the primitives.
int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
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
  const Text startQuoted = ReplaceText(startMarker, kQuotePlaceholder, "\"");
  const Text endQuoted = ReplaceText(endMarker, kQuotePlaceholder, "\"");
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
