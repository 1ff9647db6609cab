#include "ui/reader_window_layout.h"

#include "ui/window_font.h"

namespace velnora::ui::reader_window {

platform::window::WindowDefinition ReaderWindowDefinition() {
  using platform::window::ControlKind;
  return {.title = "",
          .className = "VelnoraReaderWindow",
          .width = 476,
          .height = 411,
          .left = 50,
          .top = 50,
          .resizable = false,
          .systemMenu = false,
          .closeBox = false,
          .minimiseBox = false,
          .maximiseBox = false,
          .captionOnlyWhenTitled = true,
          .escapeCloses = false,
          .dragByBackground = true,
          .controls = {
              {.name = text::Text(kTextGroup),
               .kind = ControlKind::kGroupBox,
               .place = {8, 8, 456, 288},
               .text = text::Text("小说内容"_gbk),
               .font = UiFont()},
              {.name = text::Text(kTextBox),
               .kind = ControlKind::kMultiLineEdit,
               .parent = text::Text(kTextGroup),
               .place = {8, 24, 440, 256},
               .font = UiFont(),
               .verticalScrollBar = true,
               .horizontalScrollBar = false},
              {.name = text::Text(kButtonGroup),
               .kind = ControlKind::kGroupBox,
               .place = {8, 304, 456, 72},
               .text = text::Text("小说目录"_gbk),
               .font = UiFont()},
              {.name = text::Text(kPreviousButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kButtonGroup),
               .place = {24, 28, 136, 32},
               .text = text::Text(kPreviousButton),
               .font = UiFont()},
              {.name = text::Text(kCatalogueButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kButtonGroup),
               .place = {176, 28, 104, 32},
               .text = text::Text(kCatalogueButton),
               .font = UiFont()},
              {.name = text::Text(kNextButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kButtonGroup),
               .place = {296, 28, 136, 32},
               .text = text::Text(kNextButton),
               .font = UiFont()},
          }};
}

}  // namespace velnora::ui::reader_window
