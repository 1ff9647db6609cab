// WebRequest against a loopback server: a 1 MB page next to a bare libcurl transfer of
// the same URL (goal: at most 1.5 times its time), and a long run of small requests
// whose resident-set growth shows whether anything is kept per request.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tests/support/local_servers.h"
#include "web/web_request.h"

namespace {

using velnora::testing::LocalHttpServer;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPageSize = 1 << 20;

LocalHttpServer& Server() {
  static LocalHttpServer server([](httplib::Server& s) {
    static const std::string page(kPageSize, 'x');
    s.Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(page, "text/html");
    });
    s.Get("/small", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html>small</html>", "text/html");
    });
  });
  return server;
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// One transfer on a fresh handle, as WebRequest makes a fresh session every time.
std::size_t BareCurl(const std::string& url) {
  std::string body;
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  return body.size();
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void BM_WebRequestVsBareCurl1MB(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  double web = 0;
  double bare = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(BareCurl(url));
    const auto t1 = Clock::now();
    const velnora::web::WebRequestResult result = velnora::web::WebRequest({.url = url});
    const auto t2 = Clock::now();
    if (result.text.size() != kPageSize) state.SkipWithError("short page");
    bare += Seconds(t1 - t0);
    web += Seconds(t2 - t1);
  }
  state.counters["bare_ms"] = 1000 * bare / static_cast<double>(state.iterations());
  state.counters["web_ms"] = 1000 * web / static_cast<double>(state.iterations());
  state.counters["web_vs_bare"] = bare > 0 ? web / bare : 0;
}
BENCHMARK(BM_WebRequestVsBareCurl1MB)->Unit(benchmark::kMillisecond);

long ResidentKb() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

void BM_ThousandSequentialRequests(benchmark::State& state) {
  const std::string url = Server().Url("/small");
  // Warm up caches and allocator pools so that growth means something.
  for (int i = 0; i < 50; ++i) benchmark::DoNotOptimize(velnora::web::WebRequest({.url = url}));
  const long before = ResidentKb();
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      benchmark::DoNotOptimize(velnora::web::WebRequest({.url = url}));
    }
  }
  state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - before);
}
BENCHMARK(BM_ThousandSequentialRequests)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
