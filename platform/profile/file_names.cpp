#include "platform/profile/file_names.h"

#include <unistd.h>

#include "platform/codepage/code_page.h"

namespace velnora::platform::profile {

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

}  // namespace velnora::platform::profile
