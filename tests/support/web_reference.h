// Plain versions of the web client's text steps, written straight from their contracts
// over the plain primitives of text_reference.h: the request header block, the response
// header step and the cookie merge. The fuzz targets hold the program to them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/text_reference.h"
#include "text/text.h"

namespace velnora::testing::reference {

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first character of the name and every character that follows a "-" of the name's
// character scan upper-cased; the rest of each line from its first ":" on as it is.
inline Text PlainNormaliseHeaderNames(std::string_view block) {
  Text out;
  for (const Text& piece : PlainSplit(block, "\r\n")) {
    const int colon = PlainFind(piece, ":", 1, false);
    if (colon == -1) continue;
    Text name = piece.substr(0, static_cast<std::size_t>(colon - 1));
    const std::vector<std::size_t> stops = Stops(name, 0);
    for (std::size_t i = 0; i < stops.size(); ++i) {
      if (i == 0 || name[stops[i - 1]] == '-') name[stops[i]] = UpperAscii(name[stops[i]]);
    }
    out += name;
    out += piece.substr(static_cast<std::size_t>(colon - 1));
    out += "\r\n";
  }
  if (out.size() >= 2) out.resize(out.size() - 2);
  return out;
}

inline Text PlainHeaderValue(std::string_view block, std::string_view name) {
  for (const Text& piece : PlainSplit(block, "\r\n")) {
    if (std::string_view(piece).starts_with(name)) {
      return PlainTextRightOf(piece, std::string(name) + ": ");
    }
  }
  return {};
}

struct PlainHeaderInput {
  Text extraHeaders;
  int method = 0;
  bool addDefaultHeaders = true;
  bool normaliseNames = true;
  Text cookiesIn;
};

inline Text PlainHeaderBlock(const PlainHeaderInput& input) {
  struct Row {
    std::string_view search;
    std::string_view line;
    bool postOnly;
  };
  static constexpr Row kRows[] = {
      {"User-Agent: ",
       "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
       false},
      {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
      {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
      {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
      {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
      {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
  };
  Text block = input.extraHeaders.empty() ? Text() : input.extraHeaders + "\r\n";
  if (input.addDefaultHeaders) {
    for (const Row& row : kRows) {
      if (row.postOnly && input.method != 1) continue;
      if (PlainFind(block, row.search, 1, true) == -1) block += row.line;
    }
  }
  if (input.normaliseNames) block = PlainNormaliseHeaderNames(block);
  if (PlainFind(block, "Connection", 1, false) != -1 &&
      PlainHeaderValue(block, "Connection") == "keep-alive") {
    block = PlainReplace(block, "Connection: keep-alive\r\n", "", 1, std::nullopt, false);
  }
  if (PlainFind(block, "Cookie:", 1, true) == -1 && !input.cookiesIn.empty()) {
    block += PlainFind(input.cookiesIn, "Cookie:", 1, true) != -1 ? "\r\n" : "\r\nCookie: ";
    block += input.cookiesIn;
    block += "\r\n";
  }
  return block;
}

inline Text PlainCookieName(std::string_view item) {
  const int equals = PlainFind(item, "=", 1, false);
  return PlainTrimBoth(equals == -1 ? item : item.substr(0, static_cast<std::size_t>(equals - 1)));
}

inline Text PlainJoinUnique(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  std::vector<Text> kept;
  for (const Text& piece : PlainSplit(text, separator)) {
    bool seen = false;
    for (const Text& k : kept) seen = seen || k == piece;
    if (!seen) kept.push_back(piece);
  }
  Text out;
  for (const Text& piece : kept) out += piece + std::string(separator);
  out.resize(out.size() >= separator.size() ? out.size() - separator.size() : 0);
  return out;
}

inline Text PlainMergeCookies(Text* older, std::string_view newer) {
  auto prepared = [](std::string_view cookies) {
    Text out = PlainTrimBoth(cookies);
    if (!out.empty() && out.back() == ';') out += ' ';
    return out;
  };
  const std::vector<Text> olderItems = PlainSplit(prepared(*older), "; ");
  std::vector<Text> items = PlainSplit(prepared(newer), "; ");
  for (const Text& item : olderItems) {
    const Text name = PlainCookieName(item);
    bool known = false;
    for (const Text& n : items) known = known || PlainCookieName(n) == name;
    if (!known) items.push_back(item);
  }
  Text joined;
  for (const Text& item : items) {
    if (item.size() >= 8 && std::string_view(item).substr(item.size() - 8) == "=deleted") continue;
    joined += item + "; ";
  }
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  *older = PlainJoinUnique(joined, "; ");
  return *older;
}

// What the response header step leaves in the out-arguments it writes, from the raw
// header text. Fields start as the caller's values; `location` stays unset unless a line
// names it.
struct PlainResponseOutputs {
  Text statusText;
  Text cookiesOut;
  Text cookiesIn;
  std::optional<Text> location;
};

inline void PlainResponseStep(std::string_view raw, bool readFailed, bool autoMerge,
                              PlainResponseOutputs& out) {
  // A failed body read keeps its message.
  if (!readFailed) {
    const int end = PlainFind(raw, "\r\n", 10, false);
    out.statusText = end == -1 ? Text() : PlainMid(raw, 10, end - 10);
  }
  for (const Text& line : PlainSplit(raw, "\r\n")) {
    if (PlainTextLeftOf(line, ": ") == "Set-Cookie") {
      const Text value = PlainFind(line, ";", 1, false) != -1
                             ? PlainTextBetween(line, "Set-Cookie:", ";")
                             : PlainReplace(line, "Set-Cookie:", "", 1, std::nullopt, true);
      // The caller's own cookies are kept apart from the new ones.
      Text& cookies = out.cookiesOut;
      if (!cookies.empty() && !std::string_view(cookies).ends_with("; ")) {
        cookies += cookies.back() == ';' ? " " : "; ";
      }
      cookies += PlainTrimBoth(value) + "; ";
    }
    if (MatchesAt(line, 0, "Location: ", true)) out.location = line.substr(10);
  }
  if (std::string_view(out.cookiesOut).ends_with("; ")) {
    out.cookiesOut.resize(out.cookiesOut.size() - 2);
  }
  if (autoMerge && !out.cookiesIn.empty()) {
    out.cookiesOut = PlainMergeCookies(&out.cookiesIn, out.cookiesOut);
  }
}

}  // namespace velnora::testing::reference
