#include "web/cookies.h"

#include "text/primitives.h"

namespace velnora::web {
namespace {

text::Text TrimmedWithSeparator(std::string_view cookies) {
  text::Text out = text::TrimBoth(cookies);
  // A trailing ";" becomes a full separator so the split below drops the empty piece.
  if (!out.empty() && out.back() == ';') out += ' ';
  return out;
}

}  // namespace

text::Text MergeCookies(text::Text* older, std::string_view newer) {
  const text::TextList olderItems = text::SplitText(TrimmedWithSeparator(*older), "; ");
  text::TextList items = text::SplitText(TrimmedWithSeparator(newer), "; ");
  for (const text::Text& item : olderItems.Items()) {
    if (!HasCookieName(items, CookieName(item))) items.Append(item);
  }
  text::Text joined;
  for (const text::Text& item : items.Items()) {
    if (text::TextRight(item, 8) == "=deleted") continue;
    joined += item;
    joined += "; ";
  }
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  *older = JoinUnique(joined, "; ");
  return *older;
}

text::Text CookieName(std::string_view item) {
  const int equals = text::FindText(item, "=");
  return text::TrimBoth(equals == -1 ? item : item.substr(0, static_cast<std::size_t>(equals - 1)));
}

bool HasCookieName(const text::TextList& list, std::string_view name) {
  for (const text::Text& item : list.Items()) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

text::Text JoinUnique(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  text::TextList kept;
  const text::TextList pieces = text::SplitText(text, separator);
  for (const text::Text& piece : pieces.Items()) {
    if (IndexInList(kept, piece) == -1) kept.Append(piece);
  }
  text::Text out;
  for (const text::Text& piece : kept.Items()) {
    out += piece;
    out += separator;
  }
  out.resize(out.size() >= separator.size() ? out.size() - separator.size() : 0);
  return out;
}

int IndexInList(const text::TextList& list, std::string_view value) {
  for (int n = 1; n <= list.Count(); ++n) {
    if (list.Item(n) == value) return n;
  }
  return -1;
}

}  // namespace velnora::web
