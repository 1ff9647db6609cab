// Cookie strings ("name=value" items joined by "; ") and the list operations the cookie
// merge is made of.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velnora::web {

// Merges two cookie strings: items of `newer` first, then the items of *older whose name
// `newer` lacks (of several with one name only the first), without items ending in
// "=deleted" and without repeated items. *older receives the result too.
//   older "a=1; b=2", newer "b=3; c=4" gives "b=3; c=4; a=1"
//   older "a=1; b=2", newer "b=deleted" gives "a=1"
text::Text MergeCookies(text::Text* older, std::string_view newer);

// The text before the first "=" (all of it without one), trimmed of spaces.
//   CookieName(" a =1") == "a"
[[nodiscard]] text::Text CookieName(std::string_view item);

// Whether some item's CookieName equals `name` exactly.
[[nodiscard]] bool HasCookieName(const text::TextList& list, std::string_view name);

// The pieces of `text` split at `separator`, each kept once (the first time), joined by
// `separator` again; the empty text stays empty.
//   JoinUnique("x; y; x", "; ") == "x; y"
[[nodiscard]] text::Text JoinUnique(std::string_view text, std::string_view separator);

// 1-based position of the first item equal to `value` (case counts), -1 when none.
[[nodiscard]] int IndexInList(const text::TextList& list, std::string_view value);

}  // namespace velnora::web
