// Windows as data: a window definition (title, size, placement, frame, caption and
// keyboard rules) and its control table. Both backends build their windows from these
// records alone, so a window's layout lives in one place and is testable as data.
#pragma once

#include <optional>
#include <vector>

#include "text/text.h"

namespace velnora::platform::window {

using text::Text;

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Font {
  Text face{};       // code page 936
  int height = 0;    // character height in pixels (a Windows font height of -height)
  int weight = 400;  // 400 normal, 700 bold
  friend bool operator==(const Font&, const Font&) = default;
};

enum class ControlKind {
  kGroupBox,  // a frame with a caption; its children are placed relative to it
  kLabel,
  kEdit,  // single-line edit box
  kMultiLineEdit,
  kDropDownList,  // list-only: the user picks an item and cannot type into the field
  kButton,
  kProgressBar,  // position 0 to 100
};

struct ControlDefinition {
  Text name{};  // unique within its window; how every handler addresses the control
  ControlKind kind = ControlKind::kLabel;
  Text parent{};  // a group box's name, or empty for the window itself
  Rect place{};   // relative to the parent's top-left corner
  Text text{};    // caption of a group box, label or button; initial text of an edit box
  std::optional<Font> font{};  // left out: the window system's default font

  // Drop-down lists: the initial items, the selection after creation (-1: none) and the
  // total height of field and opened list together (place.height is the field's).
  std::vector<Text> items{};
  int selection = -1;
  int listHeight = 0;

  // Edit boxes.
  bool digitsOnly = false;  // the user can enter only "0"-"9" and "-", typed or pasted
  bool sunken = false;      // sunken frame instead of a single-line border
  bool verticalScrollBar = false;
  bool horizontalScrollBar = false;  // without it a multi-line box wraps at its width
};

struct WindowDefinition {
  Text title{};
  Text className{};  // reported by the top-level window enumeration
  int width = 0;     // outer size, frame and caption included
  int height = 0;
  std::optional<int> left{};  // left out (either one): centred on the screen
  std::optional<int> top{};
  bool resizable = false;
  // The caption bar's buttons; with captionOnlyWhenTitled the caption bar is shown only
  // while the title is not empty.
  bool systemMenu = true;
  bool closeBox = true;
  bool minimiseBox = true;
  bool maximiseBox = false;
  bool captionOnlyWhenTitled = false;
  bool escapeCloses = false;
  bool dragByBackground = false;  // a press on the background drags the window
  std::vector<ControlDefinition> controls{};
};

}  // namespace velnora::platform::window
