#include "text/replace_five.h"

#include "text/primitives.h"

namespace velnora::text {

namespace detail {

Text ReplacePairs(std::string_view text, std::span<const ReplacePair> pairs,
                  const ReplaceFiveOptions& options) {
  Text result(text);
  for (const ReplacePair& pair : pairs) {
    result = ReplaceText(result, pair.find, pair.replacement,
                         {.start = options.start == 0 ? 1 : options.start,
                          .count = options.count,
                          .caseSensitive = options.caseSensitive});
  }
  return result;
}

}  // namespace detail

}  // namespace velnora::text
