// The two profile functions the settings file is read and written with: a value looked
// up by section and key in an INI file, and a value stored there with every other line
// of the file kept byte for byte. Names and values are code-page-936 texts, and so is
// the file's name, which is converted to the file system's encoding here.
#pragma once

#include <optional>
#include <string_view>

#include "text/text.h"

namespace velnora::platform::profile {

using text::Text;

// The value of `key` in `section` of the file at `path`, cut to bufferSize - 1 bytes, or
// `defaultValue` (without its trailing spaces; left out: empty) when the file, the
// section or the key is missing. Names match without regard to ASCII letter case and
// without their surrounding spaces; the first section of a name and the first key in
// it win. The value loses its surrounding spaces and tabs and one pair of enclosing
// quotes ('...' or "..."). Lines starting with ';' are comments. A value stops at a zero
// byte. bufferSize 0 or less gives the empty text.
//   ReadProfileString("s", "k", {}, 10240, p) == "1" for a file "[S]\r\n k = 1 \r\n"
[[nodiscard]] Text ReadProfileString(std::string_view section, std::string_view key,
                                     std::optional<std::string_view> defaultValue, int bufferSize,
                                     std::string_view path);

// Stores `value` verbatim as `key` of `section` in the file at `path`: the first matching
// key line is rewritten (keeping the key's spelling in the file); a new key goes after
// the section's last key, a new section with its key at the end of the file. A missing
// file is created; its directory must exist. New lines end with CR LF. false when the
// file could not be read or written (a read-only file: no write permission for anyone,
// or none for this process); the old file then stays as it was.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view path);

}  // namespace velnora::platform::profile
