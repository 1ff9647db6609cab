// Fuzzes the profile functions on arbitrary file contents in a private temporary
// directory: a read gives a bounded value from the file or the default, and a write of a
// well-formed key changes exactly one line or adds its own lines, keeps every other byte,
// and reads back.
#include "platform/profile/profile.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

using velnora::text::Text;

constexpr std::size_t kMaxFile = 2048;
constexpr std::string_view kDefault = "dflt";

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

const std::string& ProfilePath() {
  static const std::string path = [] {
    char directory[] = "/tmp/velnora-fuzz-profile-XXXXXX";
    Require(mkdtemp(directory) != nullptr, "a temporary directory");
    return std::string(directory) + "/p.ini";
  }();
  return path;
}

void WriteFile(const std::string& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  Require(out.good(), "the file is written");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

bool Holds(std::string_view s, std::string_view bytes) {
  return s.find_first_of(bytes) != std::string_view::npos;
}

bool BlankAtEnds(std::string_view s) {
  return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

// Names and values that one line of the file can hold and give back as they are.
bool IsPlainSection(std::string_view s) {
  return !Holds(s, std::string_view("\0\r\n]", 4)) && !BlankAtEnds(s);
}
bool IsPlainKey(std::string_view s) {
  return !s.empty() && !Holds(s, std::string_view("\0\r\n=", 4)) && !BlankAtEnds(s) &&
         s.front() != ';' && s.front() != '[';
}
bool IsPlainValue(std::string_view s) {
  const bool quoted =
      s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front();
  return !Holds(s, std::string_view("\0\r\n", 3)) && !BlankAtEnds(s) && !quoted;
}

// Lengths of the common start and the common end of two texts.
std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                  a.begin());
}
std::size_t CommonSuffix(std::string_view a, std::string_view b) {
  return static_cast<std::size_t>(std::mismatch(a.rbegin(), a.rend(), b.rbegin(), b.rend()).first -
                                  a.rbegin());
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

// `after` is `before` with one line's content (the bytes before its CR LF, LF or the end)
// replaced by a spelling of `key`, "=" and `value`.
bool IsOneLineRewritten(std::string_view before, std::string_view after, std::string_view key,
                        std::string_view value) {
  const std::string line = "=" + std::string(value);
  const std::size_t prefix = CommonPrefix(before, after);
  const std::size_t suffix = CommonSuffix(before, after);
  for (std::size_t begin = 0; begin <= std::min(prefix, before.size());) {
    std::size_t end = std::min(before.find('\n', begin), before.size());
    const std::size_t next = end + 1;
    if (end > begin && before[end - 1] == '\r') --end;
    const std::size_t tail = before.size() - end;
    if (after.size() >= begin + tail && tail <= suffix) {
      const std::string_view written = after.substr(begin, after.size() - tail - begin);
      if (written.size() == key.size() + line.size() && written.ends_with(line) &&
          SameName(written.substr(0, key.size()), key))
        return true;
    }
    if (next > before.size()) break;
    begin = next;
  }
  return false;
}

// `after` is `before` with new lines for the key (and its section) put in at one place.
bool IsLinesInserted(std::string_view before, std::string_view after, std::string_view section,
                     std::string_view key, std::string_view value) {
  if (after.size() <= before.size()) return false;
  const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
  const std::string sectionLine = "[" + std::string(section) + "]\r\n";
  // The new lines, after the line break that a last line without one gets.
  const std::string forms[] = {keyLine,
                               "\r\n" + keyLine,
                               "\n" + keyLine,
                               sectionLine + keyLine,
                               "\r\n" + sectionLine + keyLine,
                               "\n" + sectionLine + keyLine};
  const std::size_t added = after.size() - before.size();
  const std::size_t prefix = CommonPrefix(before, after);
  const std::size_t suffix = CommonSuffix(before, after);
  for (std::size_t at = before.size() - std::min(suffix, before.size());
       at <= std::min(prefix, before.size()); ++at) {
    const std::string_view inserted = after.substr(at, added);
    if (std::find(std::begin(forms), std::end(forms), inserted) != std::end(forms)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int bufferSize = input.ConsumeBool() ? 10240 : input.ConsumeIntegralInRange(-1, 40);
  const std::string section = input.ConsumeRandomLengthString(12);
  const std::string key = input.ConsumeRandomLengthString(12);
  const std::string value = input.ConsumeRandomLengthString(16);
  const std::string file = input.ConsumeBytesAsString(kMaxFile);
  namespace profile = velnora::platform::profile;
  const std::string& path = ProfilePath();
  WriteFile(path, file);

  const Text read = profile::ReadProfileString(section, key, kDefault, bufferSize, path);
  Require(bufferSize <= 0 ? read.empty() : read.size() < static_cast<std::size_t>(bufferSize),
          "a value fits its buffer");
  Require(!Holds(read, std::string_view("\0\n", 2)), "a value is a part of one line");
  Require(kDefault.starts_with(read) || file.find(read) != std::string::npos,
          "a value comes from the file or is the default");

  if (!IsPlainSection(section) || !IsPlainKey(key) || !IsPlainValue(value)) return 0;
  Require(profile::WriteProfileString(section, key, value, path), "a plain key is written");
  const std::string written = ReadFile(path);
  Require(IsOneLineRewritten(file, written, key, value) ||
              IsLinesInserted(file, written, section, key, value),
          "a write changes one line or adds its own, and keeps the rest");
  Require(profile::ReadProfileString(section, key, {}, 10240, path) == value,
          "a written value reads back");
  unlink(path.c_str());
  return 0;
}
