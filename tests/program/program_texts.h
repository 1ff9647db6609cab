// What the program shows, for the tests that drive it on either window system: the fixed
// texts of its boxes as an outside codec writes them, and the books' own texts from the
// fixture's generator after the clean-up the reader promises.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/hex.h"
#include "text/code_page.h"
#include "tools/fixture_sites/fixture_sites.h"

namespace velnora::program_testing {

using testing::Hex;

// The boxes and their texts as an outside codec (Python's gbk) writes them.
inline const std::string kEmptyId =
    Hex("C7 EB CA E4 C8 EB D0 A1 CB B5 49 44 BB F2 D5 DF CB B5 C7 EB CA E4 C8 EB CA FD D7 D6");
inline const std::string kMustNotBeEmpty = Hex("B2 BB BF C9 CE AA BF D5");  // 不可为空
inline const std::string kPleaseWait =
    Hex("C7 EB C4 CD D0 C4 B5 C8 B4 FD 2E 2E 2E");                             // 请耐心等待...
inline const std::string kWaiting = Hex("B5 C8 B4 FD");                        // 等待
inline const std::string kFetched = Hex("D2 D1 BB F1 C8 A1");                  // 已获取
inline const std::string kNoSuchBook = Hex("C3 BB D3 D0 D5 E2 B1 BE CA E9");   // 没有这本书
inline const std::string kFetchFailed = Hex("BB F1 C8 A1 CA A7 B0 DC A3 BA");  // 获取失败：
inline const std::string kReminder = Hex("D3 D1 C7 E9 CC E1 D0 D1");           // 友情提醒
inline const std::string kSaved = Hex("D2 D1 B1 A3 B4 E6");                    // 已保存
inline const std::string kNoCatalogue =
    Hex("C7 EB CF C8 BB F1 C8 A1 D0 A1 CB B5 C4 BF C2 BC");  // 请先获取小说目录
inline const std::string kError = Hex("B3 F6 B4 ED");        // 出错
inline const std::string kAtLast =
    Hex("B5 B1 C7 B0 D5 C2 BD DA D2 D1 CA C7 D7 EE BA F3 C1 CB");  // 当前章节已是最后了
inline const std::string kAtFirst =
    Hex("B5 B1 C7 B0 D5 C2 BD DA D2 D1 CA C7 B5 DA D2 BB D5 C2 C1 CB");  // 当前章节已是第一章了
inline const std::string kInformation = Hex("D0 C5 CF A2 A3 BA");        // 信息：
inline const std::string kLoadFailed =
    Hex("D5 C2 BD DA BB F1 C8 A1 CA A7 B0 DC A3 BA");  // 章节获取失败：
inline const std::string kSettingsOptionsSection =
    Hex("5B D0 A1 CB B5 CD F8 D5 BE D1 A1 CF EE 5D 0D 0A");  // [小说网站选项] CR LF
inline const std::string kSiteKey = Hex("D0 A1 CB B5 CD F8 D5 BE 3D");  // 小说网站=
inline const std::string kHostsSection =
    Hex("5B D0 A1 CB B5 CD F8 D5 BE B5 D8 D6 B7 5D 0D 0A");            // [小说网站地址] CR LF
inline const std::string kSiteAHostKey = Hex("B1 CA C8 A4 B8 F3 3D");  // 笔趣阁=
inline const std::string kSiteBHostKey = Hex("D0 C7 B3 BD D0 A1 CB B5 CD F8 3D");  // 星辰小说网=

inline std::string Gbk(const std::string& utf8) {
  return text::Utf8ToGbk(utf8);
}

// A UTF-8 text without its ASCII and full-width spaces.
inline std::string WithoutSpaces(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == ' ') continue;
    if (utf8.compare(i, 3, "\u3000") == 0) {
      i += 2;
      continue;
    }
    out.push_back(utf8[i]);
  }
  return out;
}

// The book title in the "已获取" notice and on the group box: site A keeps its spaces,
// site B drops them. UTF-8.
inline std::string ShownBookTitle(fixtures::Site site, std::string_view book) {
  const std::string title = fixtures::BookTitle(site, book);
  return site == fixtures::Site::kA ? title : WithoutSpaces(title);
}

// The lines the reader must show for chapter n, UTF-8: site A's indentation goes and each
// "<br><br>" ends a line; site B's "<br />" ends a line and the watermark keeps only its
// two markers.
inline std::vector<std::string> ExpectedLines(fixtures::Site site, std::string_view book, int n) {
  std::vector<std::string> lines;
  for (std::string line : fixtures::ChapterLines(site, book, n)) {
    if (site == fixtures::Site::kA) {
      const std::string indent = "&nbsp;&nbsp;&nbsp;&nbsp;";
      if (line.starts_with(indent)) line.erase(0, indent.size());
    } else if (line.ends_with(fixtures::kWatermark)) {
      line.resize(line.size() - fixtures::kWatermark.size());
      line += "&#26143&#36784&#77";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// `lines` joined by `lineBreak`.
inline std::string Joined(const std::vector<std::string>& lines, std::string_view lineBreak) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += lineBreak;
    text += line;
  }
  return text;
}

// The reader's text of chapter n as the program holds it: code page 936, CR LF.
inline std::string ExpectedText(fixtures::Site site, std::string_view book, int n) {
  return Gbk(Joined(ExpectedLines(site, book, n), "\r\n"));
}

}  // namespace velnora::program_testing
