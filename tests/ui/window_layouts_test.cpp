#include <gtest/gtest.h>

#include <string>

#include "platform/window/headless/headless_window_system.h"
#include "ui/main_window_layout.h"
#include "ui/reader_window_layout.h"
#include "ui/window_font.h"

namespace velnora::ui {
namespace {

using platform::window::ControlDefinition;
using platform::window::ControlKind;
using platform::window::Font;
using platform::window::HeadlessWindowSystem;
using platform::window::Rect;
using platform::window::WindowDefinition;

struct ControlRow {
  std::string name;
  ControlKind kind;
  std::string parent;
  Rect place;
  std::string text;
  std::optional<Font> font;
};

void ExpectControls(const WindowDefinition& window, const std::vector<ControlRow>& rows) {
  ASSERT_EQ(window.controls.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ControlRow& row = rows[i];
    const ControlDefinition& control = window.controls[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(control.name, row.name);
    EXPECT_EQ(control.kind, row.kind);
    EXPECT_EQ(control.parent, row.parent);
    EXPECT_EQ(control.place, row.place);
    EXPECT_EQ(control.text, row.text);
    EXPECT_EQ(control.font, row.font);
  }
}

const core::SiteHosts kHosts{.siteA = "a.example:8443", .siteB = "b.example"};

TEST(MainWindowDefinition, ControlsStandWhereTheLayoutPutsThem) {
  using namespace main_window;
  const std::string site(kSiteGroup), read(kReadGroup);
  ExpectControls(
      MainWindowDefinition(kHosts),
      {
          {site,
           ControlKind::kGroupBox,
           "",
           {8, 8, 360, 72},
           "\xd0\xa1\xcb\xb5\xcd\xf8\xd5\xbe\xd1\xa1\xd4\xf1",
           UiFont()},
          {std::string(kSiteDropDown),
           ControlKind::kDropDownList,
           site,
           {12, 28, 220, 32},
           "",
           UiFont()},
          {std::string(kSaveButton),
           ControlKind::kButton,
           site,
           {245, 28, 104, 32},
           "\xc8\xb7\xb6\xa8",
           UiFont()},
          {std::string(kCreditLabel),
           ControlKind::kLabel,
           "",
           {8, 80, 360, 24},
           "Velnora \xd3\xc9 Quorrix \xd6\xc6\xd7\xf7",
           UiFont(700)},
          {read,
           ControlKind::kGroupBox,
           "",
           {8, 105, 360, 146},
           "\xd4\xc4\xb6\xc1\xd1\xa1\xd4\xf1",
           UiFont()},
          {std::string(kNovelIdBox), ControlKind::kEdit, read, {12, 32, 220, 32}, "", UiFont()},
          {std::string(kFetchButton),
           ControlKind::kButton,
           read,
           {245, 32, 104, 32},
           "\xbb\xf1\xc8\xa1\xd5\xc2\xbd\xda",
           UiFont()},
          {std::string(kProgressBar),
           ControlKind::kProgressBar,
           read,
           {12, 66, 336, 32},
           "",
           std::nullopt},
          {std::string(kChapterDropDown),
           ControlKind::kDropDownList,
           read,
           {12, 100, 220, 32},
           "",
           UiFont()},
          {std::string(kReadButton),
           ControlKind::kButton,
           read,
           {245, 100, 104, 32},
           "\xd4\xc4\xb6\xc1",
           UiFont()},
      });
  EXPECT_EQ(UiFont(), (Font{"\xce\xa2\xc8\xed\xd1\xc5\xba\xda", 19, 400}));
}

TEST(MainWindowDefinition, WindowAndDropDownsAsTheyAppear) {
  using namespace main_window;
  const WindowDefinition definition = MainWindowDefinition(kHosts);
  EXPECT_EQ(definition.title, "Velnora   byQuorrix");
  EXPECT_EQ(definition.width, 383);
  EXPECT_EQ(definition.height, 286);
  EXPECT_FALSE(definition.left || definition.top);  // centred
  EXPECT_FALSE(definition.resizable);
  EXPECT_TRUE(definition.systemMenu && definition.closeBox && definition.minimiseBox);
  EXPECT_FALSE(definition.maximiseBox);
  EXPECT_TRUE(definition.escapeCloses);

  HeadlessWindowSystem system;
  const auto w = system.CreateTopLevelWindow(definition, {});
  // 笔趣阁（a.example:8443） and 星辰小说网（b.example）
  EXPECT_EQ(system.ItemText(w, kSiteDropDown, 0),
            "\xb1\xca\xc8\xa4\xb8\xf3\xa3\xa8"
            "a.example:8443\xa3\xa9");
  EXPECT_EQ(system.ItemText(w, kSiteDropDown, 1),
            "\xd0\xc7\xb3\xbd\xd0\xa1\xcb\xb5\xcd\xf8\xa3\xa8"
            "b.example\xa3\xa9");
  EXPECT_EQ(system.ItemCount(w, kSiteDropDown), 2);
  EXPECT_EQ(system.Selection(w, kSiteDropDown), 0);
  EXPECT_EQ(system.ItemCount(w, kChapterDropDown), 0);
  EXPECT_EQ(system.Selection(w, kChapterDropDown), -1);
  for (const auto& control : definition.controls) {
    if (control.kind == ControlKind::kDropDownList) {
      SCOPED_TRACE(control.name);
      EXPECT_EQ(control.listHeight, 160);
    }
  }

  system.SetVisible(w, true);
  system.QueueTyping(w, kNovelIdBox, "12a3");
  system.ProcessPendingEvents();
  EXPECT_EQ(system.EditText(w, kNovelIdBox), "123");
}

TEST(ReaderWindowDefinition, ControlsStandWhereTheLayoutPutsThem) {
  using namespace reader_window;
  const std::string text(kTextGroup), buttons(kButtonGroup);
  ExpectControls(ReaderWindowDefinition(), {
                                               {text,
                                                ControlKind::kGroupBox,
                                                "",
                                                {8, 8, 456, 288},
                                                "\xd0\xa1\xcb\xb5\xc4\xda\xc8\xdd",
                                                UiFont()},
                                               {std::string(kTextBox),
                                                ControlKind::kMultiLineEdit,
                                                text,
                                                {8, 24, 440, 256},
                                                "",
                                                UiFont()},
                                               {buttons,
                                                ControlKind::kGroupBox,
                                                "",
                                                {8, 304, 456, 72},
                                                "\xd0\xa1\xcb\xb5\xc4\xbf\xc2\xbc",
                                                UiFont()},
                                               {std::string(kPreviousButton),
                                                ControlKind::kButton,
                                                buttons,
                                                {24, 28, 136, 32},
                                                "\xc9\xcf\xd2\xbb\xd5\xc2",
                                                UiFont()},
                                               {std::string(kCatalogueButton),
                                                ControlKind::kButton,
                                                buttons,
                                                {176, 28, 104, 32},
                                                "\xc4\xbf\xc2\xbc",
                                                UiFont()},
                                               {std::string(kNextButton),
                                                ControlKind::kButton,
                                                buttons,
                                                {296, 28, 136, 32},
                                                "\xcf\xc2\xd2\xbb\xd5\xc2",
                                                UiFont()},
                                           });
  const ControlDefinition box = ReaderWindowDefinition().controls[1];
  EXPECT_TRUE(box.verticalScrollBar);
  EXPECT_FALSE(box.horizontalScrollBar);
}

TEST(ReaderWindowDefinition, WindowHasNoWayOutButItsButton) {
  const WindowDefinition definition = reader_window::ReaderWindowDefinition();
  EXPECT_EQ(definition.title, "");
  EXPECT_EQ(definition.width, 476);
  EXPECT_EQ(definition.height, 411);
  EXPECT_EQ(definition.left, 50);
  EXPECT_EQ(definition.top, 50);
  EXPECT_FALSE(definition.resizable);
  EXPECT_FALSE(definition.systemMenu || definition.closeBox || definition.minimiseBox ||
               definition.maximiseBox);
  EXPECT_TRUE(definition.captionOnlyWhenTitled);
  EXPECT_FALSE(definition.escapeCloses);
  EXPECT_TRUE(definition.dragByBackground);

  // Esc and the (absent) close box leave it open; only closing it from a handler ends it.
  HeadlessWindowSystem system;
  platform::window::WindowHandle reader = 0;
  system.QueueAction([&] {
    reader = system.NextTopLevelWindow(0);
    system.QueueEscape(reader);
    system.QueueCloseBox(reader);
    system.NextPoint();
    system.QueueAction([&] {
      EXPECT_TRUE(system.IsWindowAlive(reader));
      EXPECT_FALSE(system.HasCaptionBar(reader));
      system.CloseWindow(reader);
    });
  });
  system.OpenModal(definition, {});
  EXPECT_FALSE(system.RanOutOfActions());
}

}  // namespace
}  // namespace velnora::ui
