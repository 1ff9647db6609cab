#include "tests/support/child_process.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velnora::testing {
namespace {

// Everything the child does before its body is plain system calls: it may be the fork
// of a process with other threads.
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool WriteFile(const char* path, std::string_view bytes) {
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  return ok;
}

[[noreturn]] void FailIsolation(int errorPipe, const std::string& step) {
  WriteAll(errorPipe, step + ": " + std::strerror(errno));
  _exit(127);
}

// A bind mount keeps the flags a user namespace may not drop (nosuid, nodev, noexec);
// a remount that leaves them out is refused, so they are carried over.
unsigned long LockedFlags(const std::string& directory) {
  struct statvfs status {};
  if (statvfs(directory.c_str(), &status) != 0) return 0;
  unsigned long flags = 0;
  if (status.f_flag & ST_NOSUID) flags |= MS_NOSUID;
  if (status.f_flag & ST_NODEV) flags |= MS_NODEV;
  if (status.f_flag & ST_NOEXEC) flags |= MS_NOEXEC;
  if (status.f_flag & ST_NOATIME) flags |= MS_NOATIME;
  if (status.f_flag & ST_NODIRATIME) flags |= MS_NODIRATIME;
  if (status.f_flag & ST_RELATIME) flags |= MS_RELATIME;
  return flags;
}

void Isolate(int errorPipe, const std::vector<std::string>& readOnly) {
  if (readOnly.empty()) return;
  if (geteuid() == 0) {
    if (unshare(CLONE_NEWNS) != 0) FailIsolation(errorPipe, "unshare(CLONE_NEWNS)");
  } else {
    const std::string uidMap = "0 " + std::to_string(geteuid()) + " 1";
    const std::string gidMap = "0 " + std::to_string(getegid()) + " 1";
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      FailIsolation(errorPipe, "unshare(CLONE_NEWUSER | CLONE_NEWNS)");
    }
    if (!WriteFile("/proc/self/setgroups", "deny") || !WriteFile("/proc/self/uid_map", uidMap) ||
        !WriteFile("/proc/self/gid_map", gidMap)) {
      FailIsolation(errorPipe, "mapping the user");
    }
  }
  // Private first, so the read-only mounts stay in this namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    FailIsolation(errorPipe, "making / private");
  }
  for (const std::string& directory : readOnly) {
    if (mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      FailIsolation(errorPipe, "bind-mounting " + directory);
    }
    const unsigned long flags = MS_REMOUNT | MS_BIND | MS_RDONLY | LockedFlags(directory);
    if (mount(nullptr, directory.c_str(), nullptr, flags, nullptr) != 0) {
      FailIsolation(errorPipe, "remounting " + directory + " read-only");
    }
  }
}

std::string ReadAll(int fd) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

ChildOutcome Run(const std::function<int(int errorPipe)>& child,
                 const std::vector<std::string>& readOnly) {
  ChildOutcome outcome;
  int errorPipe[2];
  int outputPipe[2];
  if (pipe2(errorPipe, O_CLOEXEC) != 0 || pipe2(outputPipe, O_CLOEXEC) != 0) {
    outcome.isolationError = "pipe failed";
    return outcome;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(errorPipe[0]);
    close(outputPipe[0]);
    dup2(outputPipe[1], STDOUT_FILENO);
    Isolate(errorPipe[1], readOnly);
    _exit(child(errorPipe[1]));
  }
  close(errorPipe[1]);
  close(outputPipe[1]);
  // The error pipe closes once the child is isolated, before it writes any output.
  outcome.isolationError = pid < 0 ? std::string("fork failed") : ReadAll(errorPipe[0]);
  outcome.output = ReadAll(outputPipe[0]);
  close(errorPipe[0]);
  close(outputPipe[0]);
  if (pid < 0) return outcome;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

std::string NameOf(const std::string& entry) {
  return entry.substr(0, entry.find('='));
}

}  // namespace

ChildOutcome RunInChild(const std::function<int()>& body,
                        const std::vector<std::string>& readOnly) {
  return Run(
      [&](int errorPipe) {
        close(errorPipe);
        return body();
      },
      readOnly);
}

ChildOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment,
                        const std::vector<std::string>& readOnly) {
  // Built before the fork: the child only calls exec.
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    bool changed = false;
    for (const std::string& change : environment) changed |= NameOf(*entry) == NameOf(change);
    if (!changed) variables.emplace_back(*entry);
  }
  for (const std::string& change : environment) {
    if (change.find('=') != std::string::npos) variables.push_back(change);
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  return Run(
      [&](int errorPipe) {
        execve(program.c_str(), argv.data(), envp.data());
        WriteAll(errorPipe, "");  // the program itself is missing: a failure, not a skip
        return 126;
      },
      readOnly);
}

}  // namespace velnora::testing
