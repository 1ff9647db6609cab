#include "platform/profile/file_names.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage/code_page.h"

namespace velnora::platform::profile {
namespace {

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

// The home directory: $HOME when it is absolute, as the user set it, else the user
// database's entry; empty when neither is known.
std::string HomeDirectory() {
  if (const char* home = getenv("HOME"); IsAbsolute(home)) return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && IsAbsolute(entry->pw_dir)) return entry->pw_dir;
  return {};
}

// Creates `path` (absolute, UTF-8) and each missing parent; true when it is a directory
// afterwards.
bool MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

// File names take the program's one conversion, so a character 936 lacks becomes "?" in
// a name exactly as it does in a text.
std::string ToFileSystemName(std::string_view name) {
  return ConvertCodePage(936, 65001, name);
}

text::Text FromFileSystemName(std::string_view name) {
  return ConvertCodePage(65001, 936, name);
}

text::Text ExecutableDirectory() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return ".";
  path.resize(static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  path.resize(slash);
  return FromFileSystemName(path);
}

bool IsWritableDirectory(std::string_view directory) {
  const std::string path = directory.empty() ? "/" : ToFileSystemName(directory);
  // access(W_OK) would answer from the permission bits, which do not bind root; only a
  // real creation tells. An unnamed file never shows up in the directory, not even if
  // the program dies before closing it.
  int file = open(path.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (file >= 0) {
    close(file);
    return true;
  }
  // File systems without unnamed files (some network and FUSE ones) get a named one.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  std::string probe = path + "/.velnora-write-test-XXXXXX";
  file = mkostemp(probe.data(), O_CLOEXEC);
  if (file < 0) return false;
  close(file);
  unlink(probe.c_str());
  return true;
}

std::optional<text::Text> UserConfigDirectory(std::string_view application) {
  std::string base;
  if (const char* configHome = getenv("XDG_CONFIG_HOME"); IsAbsolute(configHome)) {
    base = configHome;
  } else {
    const std::string home = HomeDirectory();
    if (home.empty()) return std::nullopt;
    base = home + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string path = (base == "/" ? "" : base) + "/" + std::string(application);
  text::Text name = FromFileSystemName(path);
  if (ToFileSystemName(name) != path) return std::nullopt;
  if (!MakeDirectories(path)) return std::nullopt;
  return name;
}

}  // namespace velnora::platform::profile
