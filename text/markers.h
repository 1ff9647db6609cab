// Cutting pieces out of pages and header blocks by fixed text markers: the text right of
// a marker, left of a marker, and between a start and an end marker.
#pragma once

#include <string_view>

#include "text/gbk_literal.h"
#include "text/text.h"

namespace velnora::text {

// Stands for a double quote in the markers of TextBetween: "#" followed by "引号" in code
// page 936.
inline constexpr std::string_view kQuotePlaceholder = "#引号"_gbk;

struct MarkerOptions {
  int start = 0;            // meaning depends on the operation; 0 is the usual choice
  bool ignoreCase = false;  // folds the ASCII letters only
};

// The bytes after one occurrence of `marker`; empty when it is not found or nothing
// follows it. Start 0 or more takes the last occurrence lying wholly in bytes 1 to
// length - start - 1, so with start 0 an occurrence ending on the last byte is passed over
// for an earlier one. A negative start takes the first occurrence at or after byte
// -start. The marker is used literally.
//   TextRightOf("a=b=c", "=") == "c";  TextRightOf("a=b=", "=") == "b="
[[nodiscard]] Text TextRightOf(std::string_view text, std::string_view marker,
                               MarkerOptions options = {});

// The bytes before one occurrence of `marker`; empty when it is not found or stands at
// byte 1. Start 0 or more takes the first occurrence at or after byte start. A negative
// start -k takes the last occurrence lying wholly in bytes 1 to length - k - 1, except
// that -1 counts as 0 (the last occurrence not ending on the last byte). The marker is
// used literally.
//   TextLeftOf("Name: a: b", ": ") == "Name";  with {.start = -1} == "Name: a"
[[nodiscard]] Text TextLeftOf(std::string_view text, std::string_view marker,
                              MarkerOptions options = {});

// The bytes after the first occurrence of `startMarker` at or after byte start (0 or less
// reads from byte 1) up to the first occurrence of `endMarker` after it. Each "#引号" in
// either marker stands for a double quote; the text itself is never rewritten. Empty when
// either marker is missing, the end marker follows at once or is empty. An empty start
// marker matches at byte 1 of a non-empty text.
//   TextBetween("<h1>Title</h1>", "h1>", "</h1") == "Title"
[[nodiscard]] Text TextBetween(std::string_view text, std::string_view startMarker,
                               std::string_view endMarker, MarkerOptions options = {});

}  // namespace velnora::text
