#include "web/request_headers.h"

#include "text/markers.h"
#include "text/primitives.h"

namespace velnora::web {
namespace {

struct DefaultLine {
  std::string_view search;
  std::string_view line;
  bool postOnly;
};

constexpr DefaultLine kDefaults[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
};

bool Contains(std::string_view text, std::string_view find, bool ignoreCase) {
  return text::FindText(text, find, {.ignoreCase = ignoreCase}) != -1;
}

}  // namespace

text::Text BuildHeaderBlock(const HeaderBlockInput& input) {
  text::Text block;
  if (!input.extraHeaders.empty()) block = input.extraHeaders + "\r\n";
  if (input.addDefaultHeaders) {
    for (const DefaultLine& row : kDefaults) {
      if (row.postOnly && input.method != 1) continue;
      if (!Contains(block, row.search, true)) block += row.line;
    }
  }
  if (input.normaliseNames) block = NormaliseHeaderNames(block);
  if (Contains(block, "Connection", false) && HeaderValue(block, "Connection") == "keep-alive") {
    block = text::ReplaceText(block, "Connection: keep-alive\r\n", "");
  }
  if (!Contains(block, "Cookie:", true) && !input.cookiesIn.empty()) {
    block += Contains(input.cookiesIn, "Cookie:", true) ? "\r\n" : "\r\nCookie: ";
    block += input.cookiesIn;
    block += "\r\n";
  }
  return block;
}

text::Text NormaliseHeaderNames(std::string_view block) {
  text::Text out;
  const text::TextList pieces = text::SplitText(block, "\r\n");
  for (const text::Text& piece : pieces.Items()) {
    const int colon = text::FindText(piece, ":");
    if (colon == -1) continue;
    const text::Text name = text::TextLeft(piece, colon - 1);
    if (text::FindText(name, "-") == -1) {
      out += CapitaliseFirst(name);
    } else {
      // Part by part, so a name ending in "-" keeps that dash. Only a dash that begins a
      // character splits: one after a lone first byte belongs to that character.
      int start = 1;
      for (int dash = text::FindText(name, "-");;
           dash = text::FindText(name, "-", {.start = start})) {
        if (dash == -1) {
          out += CapitaliseFirst(text::TextMid(name, start, text::TextLength(name)));
          break;
        }
        out += CapitaliseFirst(text::TextMid(name, start, dash - start));
        out += '-';
        start = dash + 1;
      }
    }
    out += std::string_view(piece).substr(static_cast<std::size_t>(colon - 1));
    out += "\r\n";
  }
  if (out.size() >= 2) out.resize(out.size() - 2);
  return out;
}

text::Text CapitaliseFirst(std::string_view text) {
  if (text.empty()) return {};
  return text::ToUpper(text.substr(0, 1)) + std::string(text.substr(1));
}

text::Text HeaderValue(std::string_view block, std::string_view name) {
  const text::TextList pieces = text::SplitText(block, "\r\n");
  for (const text::Text& piece : pieces.Items()) {
    if (std::string_view(piece).starts_with(name)) {
      return text::TextRightOf(piece, std::string(name) + ": ");
    }
  }
  return {};
}

}  // namespace velnora::web
