// The notice that closes by itself, and the lookup of the program's own visible
// top-level window that becomes its owner. Both talk to the active window system and
// let it handle pending events while the lookup searches.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/window/window_system.h"
#include "text/text.h"

namespace velnora::ui {

using platform::window::ProcessId;
using platform::window::WindowHandle;

struct TimedMessageBoxOptions {
  std::optional<int> style{};           // left out: 0 (an OK button, no icon)
  std::optional<text::Text> caption{};  // left out: "友情提醒"
  std::optional<WindowHandle>
      owner{};                     // left out: FindProcessWindow(own process, 1000 ms); 0: none
  std::optional<int> timeoutMs{};  // left out: 5000
};

// Shows `text` in a box that closes when the user answers it or after the time-out, and
// returns what the box returned minus 1 (a time-out gives 31999). Without an owner given,
// the lookup runs first and may run other handlers while it waits; the box appears after
// them. Returns -1 and shows nothing while no window system is active.
//   TimedMessageBox("已保存", {.style = 64, .timeoutMs = 2000})
int TimedMessageBox(std::string_view text, const TimedMessageBoxOptions& options = {});

struct FindProcessWindowOptions {
  std::optional<text::Text> titleFilter{};  // the title must contain it (case-sensitive)
  std::optional<text::Text> classFilter{};  // the class name (at most 49 bytes) must contain it
  std::optional<int> timeLimitMs{};         // left out or -1: 31536000
  bool skipHiddenQuietly = false;           // pass hidden windows without handling events
};

// The first visible top-level window of `processId`, walking the windows top to bottom
// and starting again at the top, until `timeLimitMs` milliseconds have passed (then 0).
// That first visible window decides: when it fails a filter the result is 0 and later
// windows of the process are not tried. Pending events are handled after each window
// that does not match (a hidden one too, unless skipHiddenQuietly) and after each pass.
// 0 while no window system is active.
[[nodiscard]] WindowHandle FindProcessWindow(ProcessId processId,
                                             const FindProcessWindowOptions& options = {});

// The process that owns `window`; 0 when there is no such window.
[[nodiscard]] ProcessId WindowProcessId(WindowHandle window);
// The window's title, read through a buffer of its length plus one byte up to the
// first zero byte.
[[nodiscard]] text::Text WindowTextOf(WindowHandle window);
// The window's class name, read through a 50-byte buffer, so at most 49 bytes.
[[nodiscard]] text::Text WindowClassOf(WindowHandle window);

}  // namespace velnora::ui
