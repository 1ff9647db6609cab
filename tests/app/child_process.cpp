#include "tests/app/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <thread>

extern char** environ;

namespace velnora::app_testing {
namespace {

bool ChoosesTheWindowSystem(const std::string& entry) {
  for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "XDG_SESSION_TYPE=",
                           "QT_SCALE_FACTOR="}) {
    if (entry.starts_with(name)) return true;
  }
  return false;
}

std::vector<char*> CStrings(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

void ReadAvailable(int fd, std::string& into) {
  if (fd < 0) return;
  std::array<char, 4096> buffer{};
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) return;
    into.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace

std::vector<std::string> EnvironmentWithoutDisplay() {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!ChoosesTheWindowSystem(*entry)) environment.emplace_back(*entry);
  }
  return environment;
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment,
                           std::optional<int> inheritedFd) {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  if (inheritedFd) {
    // dup2 onto itself would keep close-on-exec; going through a spare number clears it.
    posix_spawn_file_actions_adddup2(&actions, *inheritedFd, 100);
    posix_spawn_file_actions_adddup2(&actions, 100, *inheritedFd);
    posix_spawn_file_actions_addclose(&actions, 100);
  }
  std::vector<char*> argv = CStrings(arguments);
  std::vector<char*> envp = CStrings(environment);
  const int result = arguments[0].find('/') == std::string::npos
                         ? posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data())
                         : posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  outFd_ = out[0];
  errFd_ = err[0];
  fcntl(outFd_, F_SETFL, O_NONBLOCK);
  fcntl(errFd_, F_SETFL, O_NONBLOCK);
  if (result != 0) pid_ = -1;
}

ChildProcess::~ChildProcess() {
  if (Started() && !ended_) Stop();
  if (outFd_ >= 0) close(outFd_);
  if (errFd_ >= 0) close(errFd_);
}

void ChildProcess::DrainPipes() {
  ReadAvailable(outFd_, output_);
  ReadAvailable(errFd_, errors_);
}

void ChildProcess::Collect(int status) {
  ended_ = true;
  DrainPipes();
  if (WIFEXITED(status)) status_ = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) signal_ = WTERMSIG(status);
}

bool ChildProcess::Running() {
  if (!Started() || ended_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    Collect(status);
    return false;
  }
  DrainPipes();
  return true;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      Stop();
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return status_;
}

void ChildProcess::Stop() {
  if (!Started() || ended_) return;
  kill(pid_, SIGTERM);
  const auto grace = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Running()) {
    if (std::chrono::steady_clock::now() >= grace) {
      kill(pid_, SIGKILL);
      int status = 0;
      waitpid(pid_, &status, 0);
      Collect(status);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace velnora::app_testing
