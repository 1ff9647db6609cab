// Starting a program of the build as a user's shell would, with an environment of the
// test's choosing, and waiting for it within a limit (a child that outstays it is killed,
// so no test leaves a process behind).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace velnora::app_testing {

// This process's environment without the variables that choose a window system, so
// that each test says which one its child gets.
[[nodiscard]] std::vector<std::string> EnvironmentWithoutDisplay();

class ChildProcess {
 public:
  // Starts `arguments[0]` (looked up in PATH when it has no slash) with `environment`;
  // its standard output and error are kept. `inheritedFd`, when given, stays open in the
  // child under its own number.
  ChildProcess(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment,
               std::optional<int> inheritedFd = std::nullopt);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills a child still running and waits for it.
  ~ChildProcess();

  [[nodiscard]] bool Started() const { return pid_ > 0; }
  [[nodiscard]] bool Running();

  // The exit status once the child has ended, or nullopt when it did not end within
  // `limit` (it is then killed) or was ended by a signal.
  std::optional<int> Wait(std::chrono::milliseconds limit);
  // Ends the child with SIGTERM, then SIGKILL after a grace period.
  void Stop();

  // What the child wrote, read once it has ended.
  [[nodiscard]] const std::string& Output() const { return output_; }
  [[nodiscard]] const std::string& Errors() const { return errors_; }
  // The signal that ended the child, 0 when it exited.
  [[nodiscard]] int Signal() const { return signal_; }

 private:
  void Collect(int status);
  void DrainPipes();

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  bool ended_ = false;
  std::optional<int> status_;
  int signal_ = 0;
  std::string output_;
  std::string errors_;
};

}  // namespace velnora::app_testing
