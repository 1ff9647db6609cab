// Code-page conversion of whole pages and the decoding of a GBK response, against a plain
// copy of the same bytes.
#include <benchmark/benchmark.h>

#include <utility>

#include "regex/regex_object.h"
#include "text/code_page.h"
#include "text/primitives.h"
#include "web/response_decoding.h"

namespace {

using velnora::text::Bytes;
using velnora::text::Text;

// A novel page in code page 936 of about `size` bytes: markup around paragraphs of the
// common characters (rows 0xB0 to 0xD7 of the table).
Text GbkPage(std::size_t size, std::string_view meta) {
  Text page =
      "<html><head>" + Text(meta) + "<title>chapter</title></head><body><div id=\"content\">";
  int code = 0;
  while (page.size() < size) {
    page += "<p>\xA1\xA1\xA1\xA1";
    for (int i = 0; i < 120; ++i, ++code) {
      page += static_cast<char>(0xB0 + (code / 94) % 40);
      page += static_cast<char>(0xA1 + code % 94);
    }
    page += "\xA1\xA3</p>\n";
  }
  return page + "</div></body></html>";
}

Text Utf8Page(std::size_t size) {
  const Text gbk = GbkPage(size * 2 / 3, "<meta charset=\"utf-8\">");
  return velnora::text::UnicodeToMultiByte(velnora::text::AnsiToUnicode(gbk), 65001);
}

void BM_Utf8ToGbk(benchmark::State& state) {
  const Text page = Utf8Page(4 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velnora::text::Utf8ToGbk(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);

// Web text with what 936 lacks: after every paragraph an emoji with its variation
// selector, a zero-width joiner and space, each taking the default character.
void BM_Utf8ToGbkWithUnmappedCharacters(benchmark::State& state) {
  Text page;
  const Text base = Utf8Page(4 << 20);
  page.reserve(base.size() + base.size() / 16);
  for (const char c : base) {
    page += c;
    if (c == '\n') page += "\xE2\x9D\xA4\xEF\xB8\x8F\xE2\x80\x8D\xE2\x80\x8B";
  }
  for (auto _ : state) benchmark::DoNotOptimize(velnora::text::Utf8ToGbk(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_Utf8ToGbkWithUnmappedCharacters)->Unit(benchmark::kMillisecond);

void BM_AnsiToUnicode(benchmark::State& state) {
  const Text page = GbkPage(4 << 20, "<meta charset=\"gbk\">");
  for (auto _ : state) benchmark::DoNotOptimize(velnora::text::AnsiToUnicode(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_AnsiToUnicode)->Unit(benchmark::kMillisecond);

// The baseline of the decoding goal: one copy of a 1 MB body.
void BM_CopyOneMegabyteBody(benchmark::State& state) {
  const Bytes body = velnora::text::TextToBytes(GbkPage(1 << 20, "<meta charset=\"gbk\">"));
  for (auto _ : state) {
    Bytes copy = body;
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_CopyOneMegabyteBody)->Unit(benchmark::kMicrosecond);

// The sniff alone: the pattern over the first 1024 bytes and the read of its group.
void BM_SniffCharset(benchmark::State& state) {
  const Text head = GbkPage(1 << 20, "<meta charset=\"gbk\">").substr(0, 1024);
  velnora::regex::RegexObject regex;
  for (auto _ : state) {
    benchmark::DoNotOptimize(regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", head));
    benchmark::DoNotOptimize(regex.SubMatch(1, 1));
  }
}
BENCHMARK(BM_SniffCharset)->Unit(benchmark::kMicrosecond);

// A GBK page is not converted: the cost is the sniff, the copy of the gathered bytes
// into the response bytes and the text taking them over. The request moves its bytes
// in, so the copy made here to stand for them is left out of the timing.
void BM_DecodeOneMegabyteGbkPage(benchmark::State& state) {
  const std::string body = GbkPage(1 << 20, "<meta charset=\"gbk\">");
  velnora::regex::RegexObject regex;
  for (auto _ : state) {
    state.PauseTiming();
    std::string gathered = body;
    Bytes responseBytes;
    state.ResumeTiming();
    auto decoded = velnora::web::DecodeResponseText(std::move(gathered), regex, &responseBytes);
    benchmark::DoNotOptimize(decoded.text.data());
    benchmark::DoNotOptimize(responseBytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_DecodeOneMegabyteGbkPage)->Unit(benchmark::kMicrosecond);

}  // namespace
