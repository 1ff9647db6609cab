// The `_gbk` literal's table comes from Python's gbk codec; the program converts at run
// time with ICU's windows-936-2000. Every entry must agree with the run-time converter
// both ways, so a text written as a literal equals the same text converted at run time.
#include "text/gbk_literal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "platform/codepage/code_page.h"
#include "tests/support/hex.h"

namespace velnora::text {
namespace {

using testing::Hex;

TEST(GbkLiteral, EveryTableEntryAgreesWithTheRunTimeConverter) {
  int mismatches = 0;
  for (const std::uint32_t entry : gbk_literal_detail::kCodes) {
    const char16_t point = static_cast<char16_t>(entry >> 16);
    const unsigned code = entry & 0xFFFF;
    std::string expected;
    if (code > 0xFF) expected.push_back(static_cast<char>(code >> 8));
    expected.push_back(static_cast<char>(code & 0xFF));

    char bytes[4] = {};
    const platform::ConversionResult encoded =
        platform::WideCharToMultiByte(936, {.noBestFit = true}, &point, 1, bytes);
    char16_t unit = 0;
    const platform::ConversionResult decoded = platform::MultiByteToWideChar(
        936, {.failOnInvalid = true}, expected.data(), static_cast<int>(expected.size()),
        std::span<char16_t>(&unit, 1));
    const bool agrees = std::string(bytes, static_cast<std::size_t>(encoded.count)) == expected &&
                        decoded.count == 1 && unit == point;
    if (!agrees && ++mismatches <= 10) {
      ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned>(point) << " -> " << code;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(GbkLiteral, GivesTheBytesOfAnOutsideCodec) {
  using namespace literals;
  struct Row {
    std::string_view literal;
    std::string_view hex;  // Python: text.encode("gbk").hex(" ")
  };
  const Row rows[] = {
      {"701 解析URL地址失败!"_gbk, "37 30 31 20 BD E2 CE F6 55 52 4C B5 D8 D6 B7 CA A7 B0 DC 21"},
      {"获取章节"_gbk, "BB F1 C8 A1 D5 C2 BD DA"},
      {"忽略错误/证书错误  失败！"_gbk,
       "BA F6 C2 D4 B4 ED CE F3 2F D6 A4 CA E9 B4 ED CE F3 20 20 CA A7 B0 DC A3 A1"},
      {"（·×）　"_gbk, "A3 A8 A1 A4 A1 C1 A3 A9 A1 A1"},
      {"€"_gbk, "80"},
      {"plain ASCII"_gbk, "70 6C 61 69 6E 20 41 53 43 49 49"},
      {""_gbk, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hex);
    EXPECT_EQ(row.literal, Hex(row.hex));
    EXPECT_EQ(row.literal.data()[row.literal.size()], '\0');
  }
}

// Runs clang++ -fsyntax-only over the check file; the exit status and what it printed.
std::pair<int, std::string> CompileWithClang(std::string_view extraFlags) {
  const std::string command = std::string(VELNORA_CLANGXX) + " -std=c++20 -fsyntax-only -I" +
                              VELNORA_SOURCE_DIR + " " + std::string(extraFlags) + " " +
                              VELNORA_SOURCE_DIR +
                              "/tests/codepage/gbk_literal_clang_check.cpp 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, "cannot run " + command};
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  return {pclose(pipe), output};
}

TEST(GbkLiteral, CompilesWithClang) {
  const auto [status, output] = CompileWithClang("");
  EXPECT_EQ(status, 0) << output;
}

TEST(GbkLiteral, StopsTheClangBuildForACharacterWithoutACode) {
  const auto [status, output] = CompileWithClang("-DVELNORA_BAD_LITERAL");
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("CharacterHasNoCodePage936Code"), std::string::npos) << output;
}

}  // namespace
}  // namespace velnora::text
