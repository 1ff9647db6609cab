// Fuzzes the code-page conversions on arbitrary bytes: sizes, terminators and padding of
// the UTF-16 data, texts free of zero bytes, and the one-pass UTF-8 to GBK conversion
// against the two steps it stands for.
#include "text/code_page.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using velnora::text::Bytes;
using velnora::text::Text;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool HasNoZero(const Text& text) {
  return text.find('\0') == Text::npos;
}

bool EndsWithZeroUnit(const Bytes& data) {
  return data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
}

Text UpToZero(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::optional<int> codePages[] = {std::nullopt, 0, 936, 65001};
  const std::optional<int> codePage = input.PickValueInArray(codePages);
  const std::string raw = input.ConsumeRemainingBytesAsString();
  const Bytes bytes(raw.begin(), raw.end());
  // A text holds no zero byte; the UTF-16 data may.
  const Text text = UpToZero(raw);
  namespace t = velnora::text;

  const Bytes wide = t::AnsiToUnicode(text);
  Require(wide.empty() == text.empty(), "AnsiToUnicode is empty exactly for the empty text");
  Require(wide.size() % 2 == 0, "AnsiToUnicode gives whole units");
  if (!wide.empty()) Require(EndsWithZeroUnit(wide), "AnsiToUnicode ends with a zero unit");
  Bytes dropped = t::AnsiToUnicode(text, {.dropTerminator = true});
  if (!wide.empty()) {
    Require(dropped.size() + 2 == wide.size() &&
                std::equal(dropped.begin(), dropped.end(), wide.begin()),
            "dropTerminator drops only the final unit");
  }
  const std::u16string units = t::AnsiToUnits(text);
  Require(units.size() * 2 <= dropped.size() && units.find(u'\0') == std::u16string::npos,
          "AnsiToUnits holds the units without a terminator");
  for (std::size_t i = 0; i < units.size(); ++i) {
    Require(dropped[2 * i] == (units[i] & 0xFF) && dropped[2 * i + 1] == (units[i] >> 8),
            "AnsiToUnits agrees with AnsiToUnicode");
  }

  const Text back = t::UnicodeToAnsi(bytes);
  Require(HasNoZero(back), "UnicodeToAnsi holds no zero byte");
  Require(t::UnicodeToAnsi(wide) == t::UnitsToAnsi(units), "UnitsToAnsi agrees with UnicodeToAnsi");
  // Text written in 936 reads back to the same units, so a second round changes nothing.
  Require(t::UnicodeToAnsi(t::AnsiToUnicode(back)) == back, "936 text survives a round trip");

  const Bytes multi = t::MultiByteToUnicode(text, codePage);
  Require(multi.size() % 2 == 0 && multi.size() >= 2, "MultiByteToUnicode gives whole units");
  Require(multi.size() >= t::AnsiToUnicode(text).size(),
          "MultiByteToUnicode leaves at least the room of the 936 reading");
  bool terminated = false;
  for (std::size_t i = 0; i + 1 < multi.size(); i += 2)
    terminated |= multi[i] == 0 && multi[i + 1] == 0;
  Require(terminated, "MultiByteToUnicode holds a zero unit");

  const Text multiBack = t::UnicodeToMultiByte(bytes, codePage);
  Require(HasNoZero(multiBack), "UnicodeToMultiByte holds no zero byte");
  if (codePage.value_or(0) == 0 || codePage == 936) {
    Require(multiBack == t::UnicodeToMultiByte(bytes, 936), "the ANSI code page is 936");
  }

  const Text gbk = t::Utf8ToGbk(text);
  Require(HasNoZero(gbk), "Utf8ToGbk holds no zero byte");
  Require(gbk == t::UnicodeToMultiByte(t::MultiByteToUnicode(text, 65001), 936),
          "Utf8ToGbk is the two steps through UTF-16");
  return 0;
}
