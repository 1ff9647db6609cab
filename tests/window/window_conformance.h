// The rules every window-system backend must keep, written once. A backend's test binary
// links window_conformance.cpp and instantiates the suite with a factory of its driver:
//   INSTANTIATE_TEST_SUITE_P(Headless, WindowConformance, ::testing::Values(&MakeDriver));
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/window/window_system.h"

namespace velnora::platform::window::conformance {

// A box as the user saw it.
struct SeenBox {
  Text text{};
  Text caption{};
  unsigned style = 0;
  WindowHandle owner = 0;
  std::optional<std::uint32_t> timeoutMs{};  // left out for the plain box
};

// Stands in for the user in front of a backend. Actions wait for the backend's next
// pending-events step (and run there, in order); Then() puts the following actions one
// step later.
class WindowDriver {
 public:
  virtual ~WindowDriver() = default;
  virtual WindowSystem& System() = 0;

  virtual void Click(WindowHandle window, std::string_view button) = 0;
  virtual void Type(WindowHandle window, std::string_view box, std::string_view keys) = 0;
  virtual void Paste(WindowHandle window, std::string_view box, std::string_view text) = 0;
  virtual void Select(WindowHandle window, std::string_view dropDown, int index) = 0;
  virtual void PressEscape(WindowHandle window) = 0;
  virtual void ClickCloseBox(WindowHandle window) = 0;
  virtual void DragBackground(WindowHandle window, int dx, int dy) = 0;
  virtual void Then() = 0;

  // How the next box is answered: with `button`, or left to close by its time-out.
  virtual void AnswerNextBox(int button) = 0;
  virtual void LetNextBoxTimeOut() = 0;
  [[nodiscard]] virtual std::vector<SeenBox> Boxes() const = 0;
};

using DriverFactory = std::unique_ptr<WindowDriver> (*)();

class WindowConformance : public ::testing::TestWithParam<DriverFactory> {
 protected:
  void SetUp() override { driver_ = GetParam()(); }
  WindowSystem& System() { return driver_->System(); }
  WindowDriver& Driver() { return *driver_; }

 private:
  std::unique_ptr<WindowDriver> driver_;
};

}  // namespace velnora::platform::window::conformance
