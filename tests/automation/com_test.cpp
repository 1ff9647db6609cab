#include "platform/automation/com.h"

#include <gtest/gtest.h>

#include <thread>

namespace velnora::platform::automation {
namespace {

TEST(CoInitialize, CountsPerThreadAndBalances) {
  ASSERT_EQ(CoInitializeDepth(), 0);
  EXPECT_EQ(CoInitialize(), InitResult::kInitialized);
  EXPECT_EQ(CoInitialize(), InitResult::kAlreadyInitialized);
  int otherThreadDepth = -1;
  std::thread([&] { otherThreadDepth = CoInitializeDepth(); }).join();
  EXPECT_EQ(otherThreadDepth, 0);
  CoUninitialize();
  EXPECT_EQ(CoInitializeDepth(), 1);
  CoUninitialize();
  CoUninitialize();  // one too many does nothing
  EXPECT_EQ(CoInitializeDepth(), 0);
}

TEST(ScopedCoInitialize, UndoesItsInitialisationOnLeavingTheScope) {
  {
    ScopedCoInitialize com;
    EXPECT_EQ(CoInitializeDepth(), 1);
  }
  EXPECT_EQ(CoInitializeDepth(), 0);
}

}  // namespace
}  // namespace velnora::platform::automation
