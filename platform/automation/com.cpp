#include "platform/automation/com.h"

namespace velnora::platform::automation {
namespace {

int& Depth() {
  thread_local int depth = 0;
  return depth;
}

}  // namespace

InitResult CoInitialize() {
  return Depth()++ == 0 ? InitResult::kInitialized : InitResult::kAlreadyInitialized;
}

void CoUninitialize() {
  if (Depth() > 0) --Depth();
}

int CoInitializeDepth() {
  return Depth();
}

}  // namespace velnora::platform::automation
