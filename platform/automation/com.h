// The automation library's per-thread initialisation: each CoInitialize must be matched
// by one CoUninitialize on the same thread, and objects can only be created on a thread
// that is initialised.
#pragma once

namespace velnora::platform::automation {

enum class InitResult {
  kInitialized,         // the first initialisation on this thread
  kAlreadyInitialized,  // a nested one; it still needs its CoUninitialize
};

InitResult CoInitialize();

// Undoes one CoInitialize of this thread; does nothing on a thread with none left.
void CoUninitialize();

// How many CoInitialize calls of this thread are not yet undone.
[[nodiscard]] int CoInitializeDepth();

// Holds one initialisation for a scope, so every way out of it undoes it.
class ScopedCoInitialize {
 public:
  ScopedCoInitialize() { CoInitialize(); }
  ~ScopedCoInitialize() { CoUninitialize(); }
  ScopedCoInitialize(const ScopedCoInitialize&) = delete;
  ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;
};

}  // namespace velnora::platform::automation
