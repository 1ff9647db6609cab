// Compiled by GbkLiteral.CompilesWithClang with clang++ -fsyntax-only, not linked into any
// test: the fuzz targets build the program's layers with clang, so every header that
// writes `_gbk` literals must be accepted there as well as by the tests' compiler.
// With VELNORA_BAD_LITERAL defined it must be rejected.
#include <string_view>

#include "sites/catalogue.h"
#include "text/gbk_literal.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"
#include "web/web_request.h"

using namespace velnora::text::literals;

// Python: "获取章节".encode("gbk").hex(" ") == "bb f1 c8 a1 d5 c2 bd da"
static_assert("获取章节"_gbk == std::string_view("\xBB\xF1\xC8\xA1\xD5\xC2\xBD\xDA"));
static_assert("ASCII"_gbk == std::string_view("ASCII"));

#ifdef VELNORA_BAD_LITERAL
// U+1F600 lies outside the BMP, where 936 has no code.
constexpr std::string_view kBad = "\U0001F600"_gbk;
#endif
