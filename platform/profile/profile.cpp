#include "platform/profile/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/profile/file_names.h"

namespace velnora::platform::profile {
namespace {

// One line of the file: bytes [begin, contentEnd) without the line break, the next line
// at `next`.
struct Line {
  std::size_t begin = 0;
  std::size_t contentEnd = 0;
  std::size_t next = 0;
};

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed, keys only
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

std::string_view Trim(std::string_view s, bool (*blank)(char)) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimBlanks(std::string_view s) {
  return Trim(s, IsBlank);
}
std::string_view TrimSpaces(std::string_view s) {
  return Trim(s, [](char c) { return c == ' '; });
}

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal without regard to ASCII letter case. The second byte of a two-byte character
// may look like a letter, so it is compared exactly.
bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (static_cast<unsigned char>(a[i]) >= 0x80) {
      if (a[i] != b[i]) return false;
      if (++i < a.size() && a[i] != b[i]) return false;
      continue;
    }
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::vector<Line> SplitLines(std::string_view file) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < file.size()) {
    const std::size_t newline = file.find('\n', begin);
    Line line{begin, newline == std::string_view::npos ? file.size() : newline,
              newline == std::string_view::npos ? file.size() : newline + 1};
    if (line.contentEnd > begin && file[line.contentEnd - 1] == '\r') --line.contentEnd;
    lines.push_back(line);
    begin = line.next;
  }
  return lines;
}

ParsedLine Parse(std::string_view file, const Line& line) {
  const std::string_view content =
      TrimBlanks(file.substr(line.begin, line.contentEnd - line.begin));
  if (content.empty() || content.front() == ';') return {};
  if (content.front() == '[') {
    const std::string_view inside = content.substr(1);
    return {LineKind::kSection, TrimBlanks(inside.substr(0, inside.find(']'))), {}};
  }
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos) return {};
  return {LineKind::kKey, TrimBlanks(content.substr(0, equals)),
          TrimBlanks(content.substr(equals + 1))};
}

// Where a section and a key stand in the file: the first section of the name, the
// first key of the name in it, and the section's last key line.
struct Place {
  std::optional<std::size_t> section;
  std::optional<std::size_t> key;
  std::optional<std::size_t> lastKey;
  std::string_view value;
  std::string_view keySpelling;
};

Place Locate(std::string_view file, const std::vector<Line>& lines, std::string_view section,
             std::string_view key) {
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = Parse(file, lines[i]);
    if (parsed.kind == LineKind::kSection) {
      if (place.section) break;
      if (NamesEqual(parsed.name, section)) place.section = i;
      continue;
    }
    if (!place.section || parsed.kind != LineKind::kKey) continue;
    place.lastKey = i;
    if (!place.key && NamesEqual(parsed.name, key)) {
      place.key = i;
      place.value = parsed.value;
      place.keySpelling = parsed.name;
    }
  }
  return place;
}

enum class ReadOutcome { kRead, kMissing, kFailed };

// The whole file; kMissing when nothing stands at `path`, kFailed when something does
// but cannot be read as a file (a directory, a pipe, a path through a regular file).
ReadOutcome ReadFile(const std::string& path, std::string& contents) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer for ever.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? ReadOutcome::kMissing : ReadOutcome::kFailed;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return ReadOutcome::kFailed;
  }
  contents.clear();
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return ReadOutcome::kFailed;
    }
    if (n == 0) break;
    contents.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  return ReadOutcome::kRead;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Replaces the file as a whole through a temporary file beside it, so a failure half
// way never leaves a file with lines missing.
bool ReplaceFile(const std::string& path, std::string_view contents, mode_t mode) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, contents);
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

Text ReadProfileString(std::string_view section, std::string_view key,
                       std::optional<std::string_view> defaultValue, int bufferSize,
                       std::string_view path) {
  if (bufferSize <= 0) return {};
  // A default keeps its leading spaces; only the trailing ones go.
  Text result(defaultValue.value_or(std::string_view()));
  while (!result.empty() && result.back() == ' ') result.pop_back();
  std::string file;
  if (ReadFile(ToFileSystemName(path), file) == ReadOutcome::kRead) {
    const Place place = Locate(file, SplitLines(file), TrimSpaces(section), TrimSpaces(key));
    if (place.key) {
      std::string_view value = place.value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front())
        value = value.substr(1, value.size() - 2);
      result = value.substr(0, value.find('\0'));
    }
  }
  if (result.size() > static_cast<std::size_t>(bufferSize - 1))
    result.resize(static_cast<std::size_t>(bufferSize - 1));
  return result;
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view path) {
  const std::string fileName = ToFileSystemName(path);
  std::string file;
  const ReadOutcome outcome = ReadFile(fileName, file);
  if (outcome == ReadOutcome::kFailed) return false;
  mode_t mode = 0644;
  struct stat info {};
  if (outcome == ReadOutcome::kRead && stat(fileName.c_str(), &info) == 0)
    mode = info.st_mode & 07777;
  // The file is replaced through a rename, which its own permissions do not stop; a file
  // without any write permission is read-only, as the read-only attribute is for
  // everyone, and so is one this process may not write.
  if (outcome == ReadOutcome::kRead &&
      ((mode & 0222) == 0 || faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) != 0))
    return false;

  section = TrimSpaces(section);
  key = TrimSpaces(key);
  const std::vector<Line> lines = SplitLines(file);
  const Place place = Locate(file, lines, section, key);
  std::string updated;
  if (place.key) {
    const Line& line = lines[*place.key];
    updated.reserve(file.size() + value.size());
    updated.append(file, 0, line.begin);
    updated.append(place.keySpelling).append("=").append(value);
    updated.append(file, line.contentEnd);
  } else {
    // After the section's last key, or after its header, or at the end of the file.
    const std::size_t at =
        place.section ? lines[place.lastKey.value_or(*place.section)].next : file.size();
    std::string inserted;
    // A last line without its line break gets one; a lone CR it ends with already counts
    // as the break's first half (the line is read without it), so only the LF is added.
    if (at > 0 && file[at - 1] != '\n') inserted = file[at - 1] == '\r' ? "\n" : "\r\n";
    if (!place.section) inserted.append("[").append(section).append("]\r\n");
    inserted.append(key).append("=").append(value).append("\r\n");
    updated = file;
    updated.insert(at, inserted);
  }
  return ReplaceFile(fileName, updated, mode);
}

}  // namespace velnora::platform::profile
