// What tells the two novel sites apart: scheme, the markers that locate a book's title,
// its chapter block and a chapter's text, the entry separator and the clean-up passes.
// The catalogue and chapter algorithms are written once over this table.
#pragma once

#include <string_view>

#include "core/settings.h"
#include "text/text.h"

namespace velnora::sites {

// Markers are stored as the site's pages need them; "#引号" stands for a double quote
// wherever TextBetween reads them.
struct SiteTable {
  std::string_view scheme{};  // "https://" or "http://"
  // The page is UTF-8 and must become code page 936 before it is cut.
  bool pageIsUtf8 = false;
  std::string_view titleStart{};
  std::string_view titleEnd{};
  bool titleLosesSpaces = false;
  std::string_view sectionStart{};
  std::string_view sectionEnd{};
  // Empty: the block is the section up to blockEnd (TextLeftOf); otherwise the text
  // between the two markers inside the section.
  std::string_view blockStart{};
  std::string_view blockEnd{};
  std::string_view separator{};

  std::string_view contentStart{};
  std::string_view contentEnd{};
  // Empty: the content cut is the text; otherwise a second cut inside it.
  std::string_view innerStart{};
  std::string_view innerEnd{};
  std::string_view lineBreakTag{};  // becomes "\r\n"
  bool removesWatermark = false;
};

inline constexpr int kSiteA = 0;
inline constexpr int kSiteB = 1;

// The table of site 0 (A) or 1 (B); null for any other index.
[[nodiscard]] const SiteTable* SiteTableOf(int siteIndex);

// The scheme followed by the site's host, without a trailing slash:
//   BaseUrl(kSiteA, {.siteA = "127.0.0.1:8443"}) == "https://127.0.0.1:8443"
[[nodiscard]] text::Text BaseUrl(int siteIndex, const core::SiteHosts& hosts);

}  // namespace velnora::sites
