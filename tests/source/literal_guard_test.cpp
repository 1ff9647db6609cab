// Program texts are code page 936, and the sources are UTF-8: the only way a non-ASCII
// text may enter program code is the `_gbk` literal, which converts at compile time.
// This guard reads every source of the program's layers and fails on a narrow string
// literal that carries non-ASCII bytes any other way: raw UTF-8 without `_gbk`, or
// bytes 0x80-0xFF spelt as escapes. Tests, benchmarks, fuzz targets and the fixture
// sites are not program code: they feed UTF-8 and hex on purpose.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One finding: the line and the literal as written.
struct Finding {
  int line;
  std::string literal;
  friend bool operator==(const Finding&, const Finding&) = default;
};

bool IsIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether a literal body (between the quotes, escapes as written) holds a byte 0x80 or
// above, raw or as a \x or octal escape.
bool HoldsHighBytes(std::string_view body, bool* raw) {
  *raw = false;
  bool high = false;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const auto c = static_cast<unsigned char>(body[i]);
    if (c >= 0x80) {
      *raw = true;
      high = true;
      continue;
    }
    if (c != '\\' || i + 1 >= body.size()) continue;
    const char next = body[i + 1];
    if (next == 'x') {
      unsigned value = 0;
      std::size_t k = i + 2;
      for (; k < body.size() && std::isxdigit(static_cast<unsigned char>(body[k])); ++k) {
        const char d = body[k];
        value = value * 16 + static_cast<unsigned>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
        if (value > 0xFF) break;
      }
      if (value >= 0x80) high = true;
      i = k - 1;
    } else if (next >= '0' && next <= '7') {
      unsigned value = 0;
      std::size_t k = i + 1;
      for (; k < body.size() && k < i + 4 && body[k] >= '0' && body[k] <= '7'; ++k) {
        value = value * 8 + static_cast<unsigned>(body[k] - '0');
      }
      if (value >= 0x80) high = true;
      i = k - 1;
    } else {
      ++i;  // a simple escape such as \" or \\ .
    }
  }
  return high;
}

// Narrow string literals that carry non-ASCII bytes without the `_gbk` suffix. Comments,
// character literals and wide or UTF-16/32 literals are passed over.
std::vector<Finding> BadLiterals(std::string_view source) {
  std::vector<Finding> found;
  int line = 1;
  std::size_t i = 0;
  const std::size_t n = source.size();
  auto advance = [&](std::size_t to) {
    for (; i < to && i < n; ++i) {
      if (source[i] == '\n') ++line;
    }
  };
  while (i < n) {
    const char c = source[i];
    if (c == '/' && i + 1 < n && source[i + 1] == '/') {
      const std::size_t end = source.find('\n', i);
      advance(end == std::string_view::npos ? n : end);
      continue;
    }
    if (c == '/' && i + 1 < n && source[i + 1] == '*') {
      const std::size_t end = source.find("*/", i + 2);
      advance(end == std::string_view::npos ? n : end + 2);
      continue;
    }
    if (c == '\'') {
      // A digit separator (1'000) is not a character literal.
      if (i > 0 && std::isxdigit(static_cast<unsigned char>(source[i - 1])) && i + 1 < n &&
          std::isxdigit(static_cast<unsigned char>(source[i + 1]))) {
        advance(i + 1);
        continue;
      }
      std::size_t k = i + 1;
      while (k < n && source[k] != '\'' && source[k] != '\n') k += source[k] == '\\' ? 2 : 1;
      advance(k + 1);
      continue;
    }
    if (c != '"') {
      advance(i + 1);
      continue;
    }
    // The prefix decides the kind: u"", U"" and L"" are not 936 texts; u8"" is.
    std::size_t prefixStart = i;
    while (prefixStart > 0 && IsIdentifierChar(source[prefixStart - 1])) --prefixStart;
    const std::string_view prefix = source.substr(prefixStart, i - prefixStart);
    const bool isRaw = !prefix.empty() && prefix.back() == 'R';
    const std::string_view kind = isRaw ? prefix.substr(0, prefix.size() - 1) : prefix;
    const bool narrow = kind.empty() || kind == "u8";
    const int startLine = line;
    std::size_t bodyStart = i + 1;
    std::size_t bodyEnd;
    std::size_t after;
    if (isRaw) {
      const std::size_t open = source.find('(', bodyStart);
      const std::string close =
          ")" + std::string(source.substr(bodyStart, open - bodyStart)) + "\"";
      bodyStart = open + 1;
      bodyEnd = source.find(close, bodyStart);
      after = bodyEnd + close.size();
    } else {
      std::size_t k = bodyStart;
      while (k < n && source[k] != '"' && source[k] != '\n') k += source[k] == '\\' ? 2 : 1;
      bodyEnd = k;
      after = k + 1;
    }
    const std::string_view body = source.substr(bodyStart, bodyEnd - bodyStart);
    std::size_t suffixEnd = after;
    while (suffixEnd < n && IsIdentifierChar(source[suffixEnd])) ++suffixEnd;
    const std::string_view suffix = source.substr(after, suffixEnd - after);
    bool raw = false;
    if (narrow && HoldsHighBytes(body, &raw) && !(raw && suffix == "_gbk" && !isRaw)) {
      found.push_back(
          {startLine, std::string(source.substr(prefixStart, suffixEnd - prefixStart))});
    }
    advance(suffixEnd);
  }
  return found;
}

TEST(LiteralGuard, FindsNonAsciiTextsThatBypassTheLiteral) {
  struct Row {
    const char* name;
    std::string_view source;
    std::vector<Finding> expected;
  };
  const Row rows[] = {
      {"the literal", R"(auto a = "获取章节"_gbk;)", {}},
      {"ascii", R"(auto a = "GET \x41\n";)", {}},
      {"utf-8 text", "auto a = \"获取\";", {{1, "\"获取\""}}},
      {"u8 text", "auto a = u8\"获取\";", {{1, "u8\"获取\""}}},
      {"hex bytes", R"(auto a = "\xd5\xc2";)", {{1, R"("\xd5\xc2")"}}},
      {"octal bytes", R"(auto a = "\325\302";)", {{1, R"("\325\302")"}}},
      {"escapes alone under _gbk", R"(auto a = "\xd5\xc2"_gbk;)", {{1, R"("\xd5\xc2"_gbk)"}}},
      {"raw string", "auto a = R\"x(获取)x\";", {{1, "R\"x(获取)x\""}}},
      {"comments and characters", "// \"获取\"\n/* \"\\xd5\" */ char c = '\\xA1';", {}},
      {"utf-16", "auto a = u\"获取\";", {}},
      {"line numbers", "\n\nauto a = 1'000;\nauto b = \"\\x80\";", {{4, R"("\x80")"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(BadLiterals(row.source), row.expected);
  }
}

TEST(LiteralGuard, ProgramCodeSpellsEveryNonAsciiTextThroughTheLiteral) {
  const std::filesystem::path root = VELNORA_SOURCE_DIR;
  const char* layers[] = {"app", "ui", "sites", "web", "regex", "core", "text", "platform"};
  std::vector<std::string> problems;
  int files = 0;
  for (const char* layer : layers) {
    if (!std::filesystem::exists(root / layer)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / layer)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".h" && extension != ".cpp" && extension != ".inc") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream content;
      content << in.rdbuf();
      ++files;
      for (const Finding& f : BadLiterals(content.str())) {
        problems.push_back(std::filesystem::relative(entry.path(), root).string() + ":" +
                           std::to_string(f.line) + ": " + f.literal);
      }
    }
  }
  EXPECT_GT(files, 0) << "no sources found under " << root;
  for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

}  // namespace
