// The program names files in code page 936; the file system names them in UTF-8. These
// convert between the two and find the directory of the running executable.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace velnora::platform::profile {

// The UTF-8 file name of a code-page-936 name. Bytes that are no 936 character become
// U+FFFD.
[[nodiscard]] std::string ToFileSystemName(std::string_view name);

// The code-page-936 name of a UTF-8 file name. Characters 936 lacks, and invalid UTF-8,
// become '?', so such a name no longer names the same file.
[[nodiscard]] text::Text FromFileSystemName(std::string_view name);

// The directory of the running executable, in code page 936, without a trailing
// separator: empty for the root directory, "." when it cannot be determined.
[[nodiscard]] text::Text ExecutableDirectory();

}  // namespace velnora::platform::profile
