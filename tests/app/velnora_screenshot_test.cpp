// The screenshot tool renders the program's windows at their client size, at the
// desktop scale it is given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/app/child_process.h"

namespace velnora::app_testing {
namespace {

using namespace std::chrono_literals;

// Width and height from a PNG's header chunk; 0 x 0 when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<unsigned char> head(24);
  if (!in.read(reinterpret_cast<char*>(head.data()), 24)) return {0, 0};
  if (head[1] != 'P' || head[2] != 'N' || head[3] != 'G') return {0, 0};
  auto at = [&](int i) {
    return std::uint32_t{head[i]} << 24 | std::uint32_t{head[i + 1]} << 16 |
           std::uint32_t{head[i + 2]} << 8 | std::uint32_t{head[i + 3]};
  };
  return {at(16), at(20)};
}

TEST(VelnoraScreenshot, RendersEachWindowAtItsClientSizeTimesTheScale) {
  struct Row {
    const char* scene;
    int scale;
    std::uint32_t width;
    std::uint32_t height;
  };
  // Client areas: the outer sizes (383 x 286, 476 x 411) less a fixed frame of 3 pixels
  // each side and a caption bar of 23.
  const Row rows[] = {
      {"main", 1, 377, 257},
      {"main-catalogue", 2, 754, 514},
      {"reader", 1, 470, 382},
      {"reader", 2, 940, 764},
  };
  const std::filesystem::path directory =
      std::filesystem::temp_directory_path() / ("velnora-screenshot-" + std::to_string(getpid()));
  std::filesystem::create_directories(directory);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.scene) + " at " + std::to_string(row.scale));
    const std::filesystem::path file = directory / (std::string(row.scene) + ".png");
    std::filesystem::remove(file);
    std::vector<std::string> environment = EnvironmentWithoutDisplay();
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("QT_SCALE_FACTOR=" + std::to_string(row.scale));
    environment.push_back("LSAN_OPTIONS=suppressions=" VELNORA_LSAN_SUPPRESSIONS);
    ChildProcess tool({VELNORA_SCREENSHOT, row.scene, file.string()}, environment);
    ASSERT_TRUE(tool.Started());
    const std::optional<int> status = tool.Wait(60s);
    ASSERT_TRUE(status.has_value()) << tool.Errors();
    EXPECT_EQ(*status, 0) << tool.Errors();
    EXPECT_EQ(PngSize(file), std::make_pair(row.width, row.height));
  }
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace velnora::app_testing
