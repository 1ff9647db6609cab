#include "platform/window/window_system.h"

#include <algorithm>
#include <utility>

#include "platform/events/pending_events.h"

namespace velnora::platform::window {
namespace {

WindowSystem*& Active() {
  static WindowSystem* active = nullptr;
  return active;
}

bool IsLeadByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

// Byte offset of the last character of `text`; scanning from the front is the only way
// to tell a trail byte from a lead byte in code page 936.
std::size_t LastCharacterStart(std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) start = i;
  return start;
}

}  // namespace

void WindowSystem::RegisterExitRoutine(ExitRoutine routine) {
  if (routine == nullptr) return;
  if (std::find(exitRoutines_.begin(), exitRoutines_.end(), routine) != exitRoutines_.end()) return;
  exitRoutines_.push_back(routine);
}

void WindowSystem::RunExitRoutines() {
  // Indexing, not iterators: a routine may register another one while they run.
  for (std::size_t i = 0; i < exitRoutines_.size(); ++i) exitRoutines_[i]();
  exitRoutines_.clear();
}

WindowSystem* ActiveWindowSystem() {
  return Active();
}

ActiveWindowSystemScope::ActiveWindowSystemScope(WindowSystem* system)
    : previous_(std::exchange(Active(), system)),
      previousHook_(SetPendingEventsHook(system == nullptr ? std::function<void()>() : [system] {
        system->ProcessPendingEvents();
      })) {}

ActiveWindowSystemScope::~ActiveWindowSystemScope() {
  Active() = previous_;
  SetPendingEventsHook(std::move(previousHook_));
}

int SelectionAfterSetting(int requested, int count) {
  if (requested < 0 || count <= 0) return -1;
  return std::min(requested, count - 1);
}

Text AfterTyping(const ControlDefinition& box, std::string_view current, std::string_view typed) {
  const bool multiLine = box.kind == ControlKind::kMultiLineEdit;
  Text result(current);
  for (std::size_t i = 0; i < typed.size();) {
    const char c = typed[i];
    if (IsLeadByte(c)) {
      const std::size_t length = i + 1 < typed.size() ? 2 : 1;
      if (!box.digitsOnly) result.append(typed.substr(i, length));
      i += length;
      continue;
    }
    ++i;
    if (c == '\b') {
      if (result.ends_with("\r\n")) {
        result.resize(result.size() - 2);  // a line break is one character to the user
      } else if (!result.empty()) {
        result.erase(LastCharacterStart(result));
      }
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i < typed.size() && typed[i] == '\n') ++i;
      if (multiLine) result += "\r\n";
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) continue;
    if (box.digitsOnly && !(c == '-' || (c >= '0' && c <= '9'))) continue;
    result += c;
  }
  return result;
}

int CopyCut(std::string_view source, std::span<char> buffer) {
  if (buffer.empty()) return 0;
  const std::size_t n = std::min(source.size(), buffer.size() - 1);
  std::copy_n(source.begin(), n, buffer.begin());
  buffer[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace velnora::platform::window
