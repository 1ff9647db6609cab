// Expected bytes written as hex, as an outside codec prints them, so that a test never
// compares the code under test with a constant of its own.
#pragma once

#include <cassert>
#include <string>
#include <string_view>

namespace velnora::testing {

// "37 30 31 BD E2" (spaces optional, either case) as the bytes it names.
inline std::string Hex(std::string_view digits) {
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  int high = -1;
  for (char c : digits) {
    if (c == ' ') continue;
    const int v = value(c);
    assert(v >= 0 && "only hex digits and spaces");
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<char>(high << 4 | v));
      high = -1;
    }
  }
  assert(high < 0 && "an even number of digits");
  return bytes;
}

}  // namespace velnora::testing
