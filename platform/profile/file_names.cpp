#include "platform/profile/file_names.h"

#include <unicode/ucnv.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace velnora::platform::profile {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

// `from` to UTF-16 to `to`; the empty string when a converter is missing.
std::string Convert(std::string_view input, const char* from, const char* to) {
  if (input.empty()) return {};
  Converter source = Open(from);
  Converter target = Open(to);
  if (!source || !target) return {};
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(target.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  // Each input byte gives at most one UTF-16 unit in either code page.
  std::vector<UChar> units(input.size() + 1);
  const int32_t unitCount =
      ucnv_toUChars(source.get(), units.data(), static_cast<int32_t>(units.size()), input.data(),
                    static_cast<int32_t>(input.size()), &status);
  if (U_FAILURE(status)) return {};
  status = U_ZERO_ERROR;
  // UTF-8 needs at most three bytes per unit, code page 936 at most two.
  std::string output(static_cast<std::size_t>(unitCount) * 3 + 1, '\0');
  const int32_t length =
      ucnv_fromUChars(target.get(), output.data(), static_cast<int32_t>(output.size()),
                      units.data(), unitCount, &status);
  if (U_FAILURE(status)) return {};
  output.resize(static_cast<std::size_t>(length));
  return output;
}

}  // namespace

std::string ToFileSystemName(std::string_view name) {
  return Convert(name, "windows-936-2000", "UTF-8");
}

text::Text FromFileSystemName(std::string_view name) {
  return Convert(name, "UTF-8", "windows-936-2000");
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
