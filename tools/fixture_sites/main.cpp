// velnora-fixture-sites: serves both fixture sites on 127.0.0.1 until SIGINT or SIGTERM
// (or --lifetime seconds) and tells where on its first two lines of output.
#include <pthread.h>
#include <signal.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "tools/fixture_sites/fixture_sites.h"

namespace {

using velnora::fixtures::FixturePorts;
using velnora::fixtures::FixtureSites;
using velnora::fixtures::Site;

constexpr std::string_view kUsage =
    "usage: velnora-fixture-sites [--site-a-port N] [--site-b-port N] [--lifetime SECONDS]\n";

bool ParseNumber(std::string_view text, int low, int high, int* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && *value >= low &&
         *value <= high;
}

int Fail(const char* what, std::string_view detail) {
  std::fprintf(stderr, "velnora-fixture-sites: %s%.*s\n%.*s", what, static_cast<int>(detail.size()),
               detail.data(), static_cast<int>(kUsage.size()), kUsage.data());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  FixturePorts ports;
  int lifetime = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    int* target = option == "--site-a-port"   ? &ports.siteA
                  : option == "--site-b-port" ? &ports.siteB
                  : option == "--lifetime"    ? &lifetime
                                              : nullptr;
    if (target == nullptr) return Fail("unknown option ", option);
    if (i + 1 == argc) return Fail("missing value after ", option);
    const int high = target == &lifetime ? 1'000'000'000 : 65535;
    if (!ParseNumber(argv[++i], 0, high, target)) return Fail("bad value for ", option);
  }

  // Blocked before the servers start their threads, so that every thread inherits the
  // mask and the signals wait for sigtimedwait below instead of killing the process.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const FixtureSites sites(ports);
  if (!sites.Started()) {
    return Fail("cannot listen on 127.0.0.1 for ", sites.Port(Site::kA) == 0 ? "site A" : "site B");
  }
  std::printf("siteA=%s\nsiteB=%s\n", sites.Host(Site::kA).c_str(), sites.Host(Site::kB).c_str());
  std::fflush(stdout);

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(lifetime);
  for (;;) {
    if (lifetime < 0) {
      int signal = 0;
      if (sigwait(&stopSignals, &signal) == 0) break;
      continue;
    }
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) break;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const timespec wait{static_cast<std::time_t>(seconds.count()),
                        static_cast<long>((left - seconds).count())};
    if (sigtimedwait(&stopSignals, nullptr, &wait) >= 0) break;
    // EINTR or EAGAIN: the deadline decides on the next turn.
  }
  return 0;
}
