#include "ui/main_window_layout.h"

#include "ui/window_font.h"

namespace velnora::ui::main_window {
namespace {

using platform::window::ControlKind;

constexpr std::string_view kSiteAName = "笔趣阁"_gbk;
constexpr std::string_view kSiteBName = "星辰小说网"_gbk;
// Both drop-downs open to this total height, field and list together.
constexpr int kDropDownListHeight = 160;

}  // namespace

text::Text SiteItem(std::string_view siteName, std::string_view host) {
  return text::Text(siteName).append("（"_gbk).append(host).append("）"_gbk);
}

platform::window::WindowDefinition MainWindowDefinition(const core::SiteHosts& hosts) {
  return {.title = text::Text(kTitle),
          .className = "VelnoraMainWindow",
          .width = 383,
          .height = 286,
          .resizable = false,
          .systemMenu = true,
          .closeBox = true,
          .minimiseBox = true,
          .maximiseBox = false,
          .escapeCloses = true,
          .controls = {
              {.name = text::Text(kSiteGroup),
               .kind = ControlKind::kGroupBox,
               .place = {8, 8, 360, 72},
               .text = text::Text("小说网站选择"_gbk),
               .font = UiFont()},
              {.name = text::Text(kSiteDropDown),
               .kind = ControlKind::kDropDownList,
               .parent = text::Text(kSiteGroup),
               .place = {12, 28, 220, 32},
               .font = UiFont(),
               .items = {SiteItem(kSiteAName, hosts.siteA), SiteItem(kSiteBName, hosts.siteB)},
               .selection = 0,
               .listHeight = kDropDownListHeight},
              {.name = text::Text(kSaveButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kSiteGroup),
               .place = {245, 28, 104, 32},
               .text = text::Text("确定"_gbk),
               .font = UiFont()},
              {.name = text::Text(kCreditLabel),
               .kind = ControlKind::kLabel,
               .place = {8, 80, 360, 24},
               .text = text::Text("Velnora 由 Quorrix 制作"_gbk),
               .font = UiFont(700)},
              {.name = text::Text(kReadGroup),
               .kind = ControlKind::kGroupBox,
               .place = {8, 105, 360, 146},
               .text = text::Text("阅读选择"_gbk),
               .font = UiFont()},
              {.name = text::Text(kNovelIdBox),
               .kind = ControlKind::kEdit,
               .parent = text::Text(kReadGroup),
               .place = {12, 32, 220, 32},
               .font = UiFont(),
               .digitsOnly = true,
               .sunken = true},
              {.name = text::Text(kFetchButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kReadGroup),
               .place = {245, 32, 104, 32},
               .text = text::Text("获取章节"_gbk),
               .font = UiFont()},
              {.name = text::Text(kProgressBar),
               .kind = ControlKind::kProgressBar,
               .parent = text::Text(kReadGroup),
               .place = {12, 66, 336, 32}},
              {.name = text::Text(kChapterDropDown),
               .kind = ControlKind::kDropDownList,
               .parent = text::Text(kReadGroup),
               .place = {12, 100, 220, 32},
               .font = UiFont(),
               .selection = -1,
               .listHeight = kDropDownListHeight},
              {.name = text::Text(kReadButton),
               .kind = ControlKind::kButton,
               .parent = text::Text(kReadGroup),
               .place = {245, 100, 104, 32},
               .text = text::Text("阅读"_gbk),
               .font = UiFont()},
          }};
}

}  // namespace velnora::ui::main_window
