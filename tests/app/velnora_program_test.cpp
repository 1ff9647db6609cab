// The program as a person starts it: a separate process, on a real X server (Xvfb, no
// window manager) or with no display at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/child_process.h"

namespace velnora::app_testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kProgram = VELNORA_PROGRAM;
// The title and the outer size the main window is designed with, and a fixed frame as
// Windows draws it at 96 dpi (3 pixels each side, a caption bar of 23) that the client
// area leaves room for.
constexpr std::string_view kMainTitle = "Velnora   byQuorrix";
constexpr int kOuterWidth = 383;
constexpr int kOuterHeight = 286;
constexpr int kFrameWidth = 3;
constexpr int kCaptionHeight = 23;
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
// The leak checker's list of what libraries below Qt keep until exit, so that the
// status is the program's own.
const std::string kLeakSuppressions = "LSAN_OPTIONS=suppressions=" VELNORA_LSAN_SUPPRESSIONS;

std::vector<std::string> With(std::vector<std::string> environment,
                              const std::vector<std::string>& extra) {
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

// An X server of the test's own on a display number it picks itself (-displayfd), so
// that parallel tests never meet. It does not reset when its last client leaves (the
// program's display check is one), which would refuse the next connection meanwhile.
class Xvfb {
 public:
  Xvfb() {
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    const std::string screen =
        std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 screen, "-nolisten", "tcp", "-noreset"},
        EnvironmentWithoutDisplay(), fds[1]);
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }

  [[nodiscard]] const std::string& Display() const { return display_; }

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

// What an X client sees of the program's windows.
class XClient {
 public:
  explicit XClient(const std::string& display)
      : connection_(xcb_connect(display.c_str(), nullptr)) {}
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;
  ~XClient() { xcb_disconnect(connection_); }

  [[nodiscard]] bool Connected() const { return xcb_connection_has_error(connection_) == 0; }

  // A mapped top-level window with this title, waiting for it up to `limit`.
  std::optional<xcb_window_t> WaitForWindow(std::string_view title,
                                            std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
      if (const auto window = FindWindow(title)) return window;
      std::this_thread::sleep_for(50ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
  }

  struct Place {
    int left, top, width, height;
  };

  Place PlaceOf(xcb_window_t window) {
    Place place{0, 0, 0, 0};
    auto* geometry =
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
    if (geometry == nullptr) return place;
    place.width = geometry->width;
    place.height = geometry->height;
    free(geometry);
    auto* corner = xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, Root(), 0, 0), nullptr);
    if (corner != nullptr) {
      place.left = corner->dst_x;
      place.top = corner->dst_y;
      free(corner);
    }
    return place;
  }

  // What a window manager adds around the window (_NET_FRAME_EXTENTS: left, right, top,
  // bottom); nothing without a manager.
  std::vector<int> FrameExtents(xcb_window_t window) {
    std::vector<int> extents;
    const std::string value = Property(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    for (std::size_t i = 0; i + 4 <= value.size(); i += 4) {
      std::uint32_t v = 0;
      std::memcpy(&v, value.data() + i, 4);
      extents.push_back(static_cast<int>(v));
    }
    return extents;
  }

  // A press and release of Esc sent to the window, as the keyboard sends them.
  bool PressEscape(xcb_window_t window) {
    const std::optional<xcb_keycode_t> code = KeycodeOf(0xff1b);  // XK_Escape
    if (!code) return false;
    for (const std::uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
      xcb_key_press_event_t event{};
      event.response_type = type;
      event.detail = *code;
      event.time = XCB_CURRENT_TIME;
      event.root = Root();
      event.event = window;
      event.child = XCB_NONE;
      event.same_screen = 1;
      xcb_send_event(connection_, 1, window, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE,
                     reinterpret_cast<const char*>(&event));
    }
    return xcb_flush(connection_) > 0;
  }

 private:
  xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root; }

  xcb_atom_t Atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
    if (reply == nullptr) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
  }

  std::string Property(xcb_window_t window, const char* name, xcb_atom_t type) {
    auto* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, Atom(name), type, 0, 1024), nullptr);
    if (reply == nullptr) return {};
    std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                      static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    free(reply);
    return value;
  }

  std::optional<xcb_window_t> FindWindow(std::string_view title) {
    auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, Root()), nullptr);
    if (tree == nullptr) return std::nullopt;
    std::optional<xcb_window_t> found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
      auto* attributes = xcb_get_window_attributes_reply(
          connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
      const bool viewable =
          attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      free(attributes);
      if (viewable && Property(children[i], "_NET_WM_NAME", Atom("UTF8_STRING")) == title)
        found = children[i];
    }
    free(tree);
    return found;
  }

  std::optional<xcb_keycode_t> KeycodeOf(xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto* mapping = xcb_get_keyboard_mapping_reply(
        connection_,
        xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    if (mapping == nullptr) return std::nullopt;
    std::optional<xcb_keycode_t> code;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perCode = mapping->keysyms_per_keycode;
    for (int k = 0; k < count && !code; ++k) {
      for (int j = 0; j < perCode; ++j) {
        if (keysyms[k * perCode + j] == keysym) {
          code = static_cast<xcb_keycode_t>(setup->min_keycode + k);
          break;
        }
      }
    }
    free(mapping);
    return code;
  }

  xcb_connection_t* connection_;
};

TEST(Velnora, UnderXvfbShowsTheMainWindowAndEndsWithEscape) {
  const Xvfb server;
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  struct Row {
    const char* name;
    std::vector<std::string> environment;
  };
  // Qt alone would pick its Wayland platform in a Wayland session (and fail here, where
  // none is installed); the program runs through XWayland instead.
  const Row rows[] = {
      {"an X session", {"XDG_SESSION_TYPE=x11"}},
      {"a Wayland session with XWayland",
       {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=velnora-test-no-such-socket"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> environment =
        With(EnvironmentWithoutDisplay(), {"DISPLAY=" + server.Display(), kLeakSuppressions});
    environment = With(std::move(environment), row.environment);
    ChildProcess program({kProgram}, environment);
    ASSERT_TRUE(program.Started());
    XClient x(server.Display());
    ASSERT_TRUE(x.Connected());

    const std::optional<xcb_window_t> window = x.WaitForWindow(kMainTitle, 60s);
    ASSERT_TRUE(window.has_value()) << "no window titled \"" << kMainTitle << "\"; stderr:\n"
                                    << program.Errors();

    // No window manager runs here, so no frame is drawn: the window is the client area,
    // the outer size less a fixed frame, and its outer rectangle is centred on the screen.
    const XClient::Place client = x.PlaceOf(*window);
    const std::vector<int> extents = x.FrameExtents(*window);
    const int frameWidth = extents.size() == 4 ? extents[0] + extents[1] : 0;
    const int frameHeight = extents.size() == 4 ? extents[2] + extents[3] : 0;
    const int outerWidth = client.width + frameWidth;
    const int outerHeight = client.height + frameHeight;
    EXPECT_LE(outerWidth, kOuterWidth);
    EXPECT_GE(outerWidth, kOuterWidth - 2 * kFrameWidth);
    EXPECT_LE(outerHeight, kOuterHeight);
    EXPECT_GE(outerHeight, kOuterHeight - 2 * kFrameWidth - kCaptionHeight);
    if (extents.empty()) {
      EXPECT_EQ(client.width, kOuterWidth - 2 * kFrameWidth);
      EXPECT_EQ(client.height, kOuterHeight - 2 * kFrameWidth - kCaptionHeight);
      EXPECT_EQ(client.left, (kScreenWidth - kOuterWidth) / 2);
      EXPECT_EQ(client.top, (kScreenHeight - kOuterHeight) / 2);
    }

    ASSERT_TRUE(x.PressEscape(*window));
    const std::optional<int> status = program.Wait(60s);
    ASSERT_TRUE(status.has_value())
        << "still running after Esc, or ended by signal " << program.Signal() << "; stderr:\n"
        << program.Errors();
    EXPECT_EQ(*status, 0) << program.Errors();
  }
}

TEST(Velnora, WithoutADisplayExitsWithOneLineOnHowToRunHeadless) {
  struct Row {
    const char* name;
    std::vector<std::string> environment;
  };
  const Row rows[] = {
      {"nothing set", {}},
      {"a display nobody serves", {"DISPLAY=:4711"}},
      {"xcb chosen, no display", {"QT_QPA_PLATFORM=xcb"}},
      {"a Wayland session without XWayland",
       {"XDG_SESSION_TYPE=wayland", "WAYLAND_DISPLAY=velnora-test-no-such-socket"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChildProcess program({kProgram}, With(EnvironmentWithoutDisplay(), row.environment));
    ASSERT_TRUE(program.Started());
    const std::optional<int> status = program.Wait(60s);
    ASSERT_TRUE(status.has_value()) << "ended by signal " << program.Signal() << "\n"
                                    << program.Errors();
    EXPECT_EQ(*status, 1);
    const std::string& errors = program.Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "more than one line:\n" << errors;
    EXPECT_NE(errors.find("xvfb-run"), std::string::npos) << errors;
    EXPECT_NE(errors.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << errors;
    EXPECT_EQ(program.Output(), "");
  }
}

}  // namespace
}  // namespace velnora::app_testing
