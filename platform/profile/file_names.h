// The program names files in code page 936; the file system names them in UTF-8. These
// convert between the two and find the directories the settings file may live in: the
// running executable's, and the user's own configuration directory.
#pragma once

#include <optional>
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

// Whether this process can create a file in `directory` (code page 936, no trailing
// separator; empty is the root directory). Found out by creating one and removing it
// again, so whatever stops a write answers here the same way: permission bits, a
// read-only mount or an immutable directory, even for root. Nothing is left behind.
// false for a missing directory and for a name that is no directory.
[[nodiscard]] bool IsWritableDirectory(std::string_view directory);

// The user's own configuration directory for `application` (an ASCII name), created
// with its missing parents (mode 0700) when absent: "$XDG_CONFIG_HOME/<application>"
// when that variable holds an absolute path, else "<home>/.config/<application>", the
// home directory taken from $HOME when absolute, else from the user database. In code
// page 936, without a trailing separator. nullopt when no home is known, the directory
// cannot be made, or its name holds a character 936 lacks (the 936 name would then name
// another file).
//   XDG_CONFIG_HOME=/home/li/.cfg gives "/home/li/.cfg/velnora" for "velnora"
[[nodiscard]] std::optional<text::Text> UserConfigDirectory(std::string_view application);

}  // namespace velnora::platform::profile
