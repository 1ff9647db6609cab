#include "text/markers.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace velnora::text {
namespace {

struct MarkerCase {
  const char* name;
  std::string_view text;
  std::string_view marker;
  MarkerOptions options;
  std::string_view expected;
};

TEST(TextRightOf, Cases) {
  const MarkerCase cases[] = {
      {"after the last occurrence", "a=b=c", "=", {}, "c"},
      {"occurrence on the last byte is passed over", "a=b=", "=", {}, "b="},
      {"only occurrence on the last byte", "x=", "=", {}, ""},
      {"header value", "Name: value", "Name: ", {}, "value"},
      {"marker missing", "abc", "x", {}, ""},
      {"positive start pulls the limit back", "a=b=c=d", "=", {.start = 2}, "c=d"},
      {"negative start takes the first from that byte", "a=b=c", "=", {.start = -1}, "b=c"},
      {"negative start beyond the first", "a=b=c", "=", {.start = -3}, "c"},
      {"most negative start finds nothing", "a=b=c", "=", {.start = INT_MIN}, ""},
      {"ignoreCase", "Key:Val", "key:", {.start = -1, .ignoreCase = true}, "Val"},
      {"placeholder is literal", "id=\"x\"y", "#\xD2\xFD\xBA\xC5", {}, ""},
      {"marker hidden behind a first byte", "a=\xD6=", "=", {}, "\xD6="},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextRightOf(c.text, c.marker, c.options), c.expected);
  }
}

TEST(TextLeftOf, Cases) {
  const MarkerCase cases[] = {
      {"before the first occurrence", "Name: a: b", ": ", {}, "Name"},
      {"start -1 takes the last not ending on the last byte",
       "Name: a: b",
       ": ",
       {.start = -1},
       "Name: a"},
      {"start -1 passes over an occurrence on the last byte", "a:b:", ":", {.start = -1}, "a"},
      {"start -2 needs the occurrence to end two bytes earlier", "a:b:c", ":", {.start = -2}, "a"},
      {"marker at byte one", "abc", "a", {}, ""},
      {"marker missing", "abc", "x", {}, ""},
      {"positive start", "a:b:c", ":", {.start = 3}, "a:b"},
      {"most negative start finds nothing", "a:b", ":", {.start = INT_MIN}, ""},
      {"ignoreCase", "xKEYy", "key", {.ignoreCase = true}, "x"},
      {"placeholder is literal", "a\"b", "#\xD2\xFD\xBA\xC5", {}, ""},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextLeftOf(c.text, c.marker, c.options), c.expected);
  }
}

TEST(TextBetween, Cases) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view startMarker;
    std::string_view endMarker;
    MarkerOptions options;
    std::string_view expected;
  };
  const Case cases[] = {
      {"between two markers", "<h1>Title</h1>", "h1>", "</h1", {}, "Title"},
      {"placeholder becomes a double quote",
       "<div id=\"content\">text</div>",
       "id=#\xD2\xFD\xBA\xC5"
       "content#\xD2\xFD\xBA\xC5>",
       "</div>",
       {},
       "text"},
      {"placeholder in the end marker", "a=\"v\" b", "=\"", "#\xD2\xFD\xBA\xC5", {}, "v"},
      {"end marker does not follow", "</h1><h1>Title", "<h1>", "</h1>", {}, ""},
      {"start marker missing", "Title</h1>", "<h1>", "</h1>", {}, ""},
      {"empty end marker", "<h1>Title</h1>", "<h1>", "", {}, ""},
      {"end marker right after the start marker", "<b></b>", "<b>", "</b>", {}, ""},
      {"empty start marker matches at byte one", "Title</h1>", "", "</h1>", {}, "Title"},
      {"end marker overlapping the start marker is not seen", "abcXbc", "abc", "bc", {}, "X"},
      {"start skips the first pair", "[a][b]", "[", "]", {.start = 2}, "b"},
      {"ignoreCase", "<TITLE>x</Title>", "<title>", "</title>", {.ignoreCase = true}, "x"},
      {"start marker straddling two characters", "\xD6\xD0\xCE\xC4|x|", "\xD0\xCE", "|", {}, ""},
      {"placeholder that is a character's second byte stays as it is",
       "\xB0#\xD2\xFD\xBA\xC5x|",
       "\xB0#\xD2\xFD\xBA\xC5",
       "|",
       {},
       "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextBetween(c.text, c.startMarker, c.endMarker, c.options), c.expected);
  }
}

}  // namespace
}  // namespace velnora::text
