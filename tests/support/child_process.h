// Child processes for tests that need a directory no write reaches, root's included:
// tests run as root, whom permission bits do not stop. The child gets a mount namespace
// of its own (through a user namespace of its own when not root) in which the chosen
// directories are bind-mounted read-only, so a write there fails with EROFS for
// everyone. Nothing of it outlives the child, even when the test dies halfway.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velnora::testing {

struct ChildOutcome {
  // Why the read-only directories could not be made (this machine allows no namespace);
  // empty when the child ran. A test skips on it.
  std::string isolationError;
  int exitStatus = -1;  // the exit code; -1 when a signal ended the child
  std::string output;   // what the child wrote to its standard output
};

// Runs `body` in a forked child, with each of `readOnly` (existing directories) mounted
// read-only there; its result is the child's exit code.
[[nodiscard]] ChildOutcome RunInChild(const std::function<int()>& body,
                                      const std::vector<std::string>& readOnly = {});

// Runs `program` with `arguments` in such a child. Its environment is this process's,
// changed by `environment`: "NAME=value" sets a variable, a bare "NAME" removes it.
[[nodiscard]] ChildOutcome RunProgram(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      const std::vector<std::string>& environment,
                                      const std::vector<std::string>& readOnly = {});

}  // namespace velnora::testing
