// WebRequest against a loopback server: a 1 MB page next to a bare libcurl transfer of
// the same URL (goal: at most 1.2 times its time), and a long run of small requests
// whose resident-set growth shows whether anything is kept per request.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/resident_memory.h"
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

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// Each iteration is one pair, bare libcurl and WebRequest back to back, in alternating
// order (B W, W B, B W, ...): both members of a pair follow a transfer of the same kind,
// so neither always inherits the heap the other left (a freed megabyte may have been
// handed back to the system, and touching fresh pages is much of a transfer's cost).
// The counters are medians over the pairs, which a stray descheduling does not move.
void BM_WebRequestVsBareCurl1MB(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  auto web = [&url] { return velnora::web::WebRequest({.url = url}).text.size(); };
  // Connections, allocator pools and the server's threads settle in the first rounds.
  for (int i = 0; i < 20; ++i) {
    benchmark::DoNotOptimize(BareCurl(url));
    benchmark::DoNotOptimize(web());
  }
  std::vector<double> bareMs, webMs, ratios;
  bool bareFirst = true;
  for (auto _ : state) {
    double bare = 0;
    double ours = 0;
    for (int k = 0; k < 2; ++k) {
      const bool runBare = (k == 0) == bareFirst;
      const auto start = Clock::now();
      const std::size_t size = runBare ? BareCurl(url) : web();
      const double ms = Milliseconds(Clock::now() - start);
      if (size != kPageSize) state.SkipWithError("short page");
      (runBare ? bare : ours) = ms;
    }
    bareFirst = !bareFirst;
    bareMs.push_back(bare);
    webMs.push_back(ours);
    ratios.push_back(bare > 0 ? ours / bare : 0);
  }
  state.counters["bare_ms"] = Median(bareMs);
  state.counters["web_ms"] = Median(webMs);
  state.counters["web_vs_bare"] = Median(ratios);
}
BENCHMARK(BM_WebRequestVsBareCurl1MB)->Unit(benchmark::kMillisecond);

void BM_ThousandSequentialRequests(benchmark::State& state) {
  const std::string url = Server().Url("/small");
  // Warm up caches and allocator pools so that growth means something.
  for (int i = 0; i < 50; ++i) benchmark::DoNotOptimize(velnora::web::WebRequest({.url = url}));
  const long before = velnora::bench::ResidentKb();
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      benchmark::DoNotOptimize(velnora::web::WebRequest({.url = url}));
    }
  }
  state.counters["rss_growth_kb"] = static_cast<double>(velnora::bench::ResidentKb() - before);
}
BENCHMARK(BM_ThousandSequentialRequests)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
