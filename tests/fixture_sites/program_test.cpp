// The velnora-fixture-sites program itself, run as a child process the way the demo and
// the end-to-end suites run it.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tools/fixture_sites/fixture_sites.h"
#include "web/web_request.h"

extern char** environ;

namespace velnora::fixtures {
namespace {

class Child {
 public:
  explicit Child(const std::vector<std::string>& options) {
    std::vector<std::string> args = {VELNORA_FIXTURE_SITES_PROGRAM};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    if (pid_ > 0 && status_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  [[nodiscard]] bool Running() const { return pid_ > 0; }

  // One line of standard output without its "\n"; what came so far if the output ends
  // or nothing arrives for `seconds`.
  std::string ReadLine(int seconds = 20) {
    std::string line;
    char c = 0;
    while (Readable(out_, seconds) && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  // Everything left on standard error, up to its end.
  std::string ReadErrors() {
    std::string text;
    char chunk[512];
    ssize_t n = 0;
    while (Readable(err_, 20) && (n = ::read(err_, chunk, sizeof chunk)) > 0) {
      text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
  }

  void Signal(int signal) const { ::kill(pid_, signal); }

  // The exit status, or -1 when the child has not ended within `seconds`.
  int Wait(int seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

 private:
  static bool Readable(int fd, int seconds) {
    pollfd poll{fd, POLLIN, 0};
    return ::poll(&poll, 1, seconds * 1000) > 0;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  int status_ = -1;
};

text::Text Get(const std::string& url) {
  return web::WebRequest(web::WebRequestOptions{.url = url}).text;
}

TEST(FixtureSitesProgram, PrintsBothHostsAndServesUntilStopped) {
  Child child({"--lifetime", "20"});
  ASSERT_TRUE(child.Running());
  const std::string a = child.ReadLine();
  const std::string b = child.ReadLine();
  ASSERT_TRUE(a.starts_with("siteA=127.0.0.1:")) << a;
  ASSERT_TRUE(b.starts_with("siteB=127.0.0.1:")) << b;
  EXPECT_TRUE(Get("https://" + a.substr(6) + "/book/1001/") == CataloguePage(Site::kA, "1001"));
  EXPECT_TRUE(Get("http://" + b.substr(6) + "/book/2001/") == CataloguePage(Site::kB, "2001"));
  child.Signal(SIGTERM);
  EXPECT_EQ(child.Wait(), 0);
}

TEST(FixtureSitesProgram, StopsByItselfAfterItsLifetime) {
  Child child({"--lifetime", "1", "--site-a-port", "0"});
  ASSERT_TRUE(child.Running());
  EXPECT_TRUE(child.ReadLine().starts_with("siteA="));
  EXPECT_EQ(child.Wait(), 0);
}

TEST(FixtureSitesProgram, RefusesWhatItCannotDo) {
  const FixtureSites busy;
  ASSERT_TRUE(busy.Started());
  struct Row {
    const char* name;
    std::vector<std::string> options;
  } const rows[] = {
      {"unknown option", {"--port", "1"}},
      {"value missing", {"--lifetime"}},
      {"value not a number", {"--site-b-port", "8o8o"}},
      {"port out of range", {"--site-a-port", "70000"}},
      {"port taken", {"--site-b-port", std::to_string(busy.Port(Site::kB)), "--lifetime", "20"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Child child(row.options);
    ASSERT_TRUE(child.Running());
    EXPECT_EQ(child.ReadLine(), "");
    EXPECT_TRUE(child.ReadErrors().starts_with("velnora-fixture-sites: "));
    EXPECT_EQ(child.Wait(), 1);
  }
}

}  // namespace
}  // namespace velnora::fixtures
