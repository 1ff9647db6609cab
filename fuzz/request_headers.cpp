// Fuzzes the request header block on arbitrary caller headers, cookies and switches: the
// block, the name normalisation and the header lookup are each held to a plain version
// written from their contracts, and a block the program sends is free of zero bytes and
// of a "Connection: keep-alive" line that a later line follows.
#include "web/request_headers.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/inputs.h"
#include "tests/support/web_reference.h"

namespace {

using velnora::text::Text;
namespace reference = velnora::testing::reference;
namespace web = velnora::web;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velnora::fuzzing::InputReader input(data, size);
  const int method = velnora::fuzzing::MethodOf(input.Byte());
  const std::uint8_t flags = input.Byte();
  const Text extraHeaders = input.Text();
  const Text cookiesIn = input.Text();
  const Text name = input.Text();
  const Text block = input.RestAsText();

  const bool addDefaults = (flags & velnora::fuzzing::kHeaderAddDefaults) != 0;
  const bool normalise = (flags & velnora::fuzzing::kHeaderNormalise) != 0;
  const Text built = web::BuildHeaderBlock({.extraHeaders = extraHeaders,
                                            .method = method,
                                            .addDefaultHeaders = addDefaults,
                                            .normaliseNames = normalise,
                                            .cookiesIn = cookiesIn});
  Require(built == reference::PlainHeaderBlock({.extraHeaders = extraHeaders,
                                                .method = method,
                                                .addDefaultHeaders = addDefaults,
                                                .normaliseNames = normalise,
                                                .cookiesIn = cookiesIn}),
          "the header block agrees with the plain assembly");
  Require(built.find('\0') == Text::npos, "the header block holds no zero byte");

  for (const Text& b : {block, extraHeaders}) {
    const Text normalised = web::NormaliseHeaderNames(b);
    Require(normalised == reference::PlainNormaliseHeaderNames(b),
            "NormaliseHeaderNames agrees with the plain version");
    Require(normalised.size() <= b.size(), "normalising never adds bytes");
    Require(web::NormaliseHeaderNames(normalised) == normalised,
            "normalising twice changes nothing");
    Require(web::HeaderValue(b, name) == reference::PlainHeaderValue(b, name),
            "HeaderValue agrees with the plain lookup");
  }
  const Text capitalised = web::CapitaliseFirst(name);
  Require(
      capitalised.size() == name.size() &&
          capitalised.substr(capitalised.empty() ? 0 : 1) == name.substr(name.empty() ? 0 : 1) &&
          (name.empty() || capitalised[0] == reference::UpperAscii(name[0])),
      "CapitaliseFirst changes the first byte alone");
  return 0;
}
