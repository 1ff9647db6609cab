#include "platform/window/qt/qt_window_system.h"

#include <gtest/gtest.h>

#include "tests/qt/qt_driver.h"
#include "tests/window/window_conformance.h"

namespace velnora::platform::window {
namespace {

using conformance::WindowConformance;
INSTANTIATE_TEST_SUITE_P(Qt, WindowConformance, ::testing::Values(&qt_testing::MakeQtDriver));

}  // namespace
}  // namespace velnora::platform::window
