#include "ui/timed_message_box.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/events/pending_events.h"
#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace velnora::ui {

using namespace text::literals;

namespace {

using platform::window::ActiveWindowSystem;
using platform::window::WindowSystem;

constexpr std::string_view kDefaultCaption = "友情提醒"_gbk;
constexpr int kDefaultTimeoutMs = 5000;
constexpr int kOwnerLookupLimitMs = 1000;
// One year: "no limit" in practice.
constexpr int kUnlimitedMs = 31536000;
constexpr std::size_t kClassBuffer = 50;

text::Text UpToZero(const char* bytes) {
  return text::Text(bytes);
}

}  // namespace

int TimedMessageBox(std::string_view text, const TimedMessageBoxOptions& options) {
  WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return -1;
  const WindowHandle owner =
      options.owner
          ? *options.owner
          : FindProcessWindow(system->CurrentProcessId(), {.timeLimitMs = kOwnerLookupLimitMs});
  const text::Text caption = options.caption.value_or(text::Text(kDefaultCaption));
  const int style = options.style.value_or(0);
  const int timeoutMs = options.timeoutMs.value_or(kDefaultTimeoutMs);
  // The lookup may have run a handler that ended the window system's activity.
  system = ActiveWindowSystem();
  if (system == nullptr) return -1;
  const int result = system->ShowTimedMessageBox(owner, text, caption, static_cast<unsigned>(style),
                                                 0, static_cast<std::uint32_t>(timeoutMs));
  return result - 1;
}

WindowHandle FindProcessWindow(ProcessId processId, const FindProcessWindowOptions& options) {
  const WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return 0;
  const std::uint32_t start = system->TickCount();
  const int limit =
      options.timeLimitMs && *options.timeLimitMs != -1 ? *options.timeLimitMs : kUnlimitedMs;
  WindowHandle w = 0;
  for (;;) {
    system = ActiveWindowSystem();
    if (system == nullptr) return 0;
    // The tick count wraps after 49.7 days; the unsigned difference stays the time passed.
    const double elapsed = static_cast<double>(system->TickCount() - start);
    if (elapsed - static_cast<double>(limit) >= -0.0000001) return 0;
    w = system->NextTopLevelWindow(w);
    if (!system->IsWindowAlive(w)) {
      platform::ProcessPendingEvents();
      continue;
    }
    if (!system->IsWindowShown(w)) {
      if (!options.skipHiddenQuietly) platform::ProcessPendingEvents();
      continue;
    }
    if (system->WindowOwnerProcess(w) != processId) {
      platform::ProcessPendingEvents();
      continue;
    }
    const text::Text title = WindowTextOf(w);
    const text::Text className = WindowClassOf(w);
    const bool titleOk = !options.titleFilter || text::FindText(title, *options.titleFilter) != -1;
    const bool classOk =
        !options.classFilter || text::FindText(className, *options.classFilter) != -1;
    return titleOk && classOk ? w : 0;
  }
}

ProcessId WindowProcessId(WindowHandle window) {
  const WindowSystem* system = ActiveWindowSystem();
  return system == nullptr ? 0 : system->WindowOwnerProcess(window);
}

text::Text WindowTextOf(WindowHandle window) {
  const WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return {};
  const int length = std::max(system->WindowTextLength(window), 0);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  system->CopyWindowText(window, buffer);
  return UpToZero(buffer.data());
}

text::Text WindowClassOf(WindowHandle window) {
  const WindowSystem* system = ActiveWindowSystem();
  if (system == nullptr) return {};
  std::array<char, kClassBuffer> buffer{};
  system->CopyClassName(window, buffer);
  return UpToZero(buffer.data());
}

}  // namespace velnora::ui
