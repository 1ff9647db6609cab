#include "platform/events/pending_events.h"

#include <utility>

namespace velnora::platform {
namespace {

std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void ProcessPendingEvents() {
  // A copy, so a hook that replaces itself while it runs stays alive until it returns.
  if (auto hook = Hook()) hook();
}

std::function<void()> SetPendingEventsHook(std::function<void()> hook) {
  return std::exchange(Hook(), std::move(hook));
}

}  // namespace velnora::platform
