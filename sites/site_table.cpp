#include "sites/site_table.h"

#include "text/gbk_literal.h"

namespace velnora::sites {

using namespace text::literals;

namespace {

constexpr SiteTable kTables[] = {
    {
        .scheme = "https://",
        .titleStart = "dt>《"_gbk,
        .titleEnd = "》正文</dt"_gbk,
        .sectionStart = "</dt>",
        .sectionEnd = "</div>",
        .blockEnd = "</dl>",
        .separator = "</dd>",
        .contentStart = "id=#引号content#引号"_gbk,
        .contentEnd = "</div",
        .lineBreakTag = "<br><br>",
    },
    {
        .scheme = "http://",
        .pageIsUtf8 = true,
        .titleStart = "h1>",
        .titleEnd = "</h1",
        .titleLosesSpaces = true,
        .sectionStart = "章节目录</h2"_gbk,
        .sectionEnd = "<div class=#引号seofooter#引号"_gbk,
        .blockStart = "class=#引号dirlist clearfix#引号"_gbk,
        .blockEnd = "</ul",
        .separator = "</li>",
        .contentStart = "id=#引号chaptercontent#引号"_gbk,
        .contentEnd = "<div class=#引号info bottominfo#引号>"_gbk,
        .innerStart = "#引号>"_gbk,
        .innerEnd = "</div>",
        .lineBreakTag = "<br /",
        .removesWatermark = true,
    },
};

}  // namespace

const SiteTable* SiteTableOf(int siteIndex) {
  if (siteIndex != kSiteA && siteIndex != kSiteB) return nullptr;
  return &kTables[siteIndex];
}

text::Text BaseUrl(int siteIndex, const core::SiteHosts& hosts) {
  const SiteTable* table = SiteTableOf(siteIndex);
  if (table == nullptr) return {};
  return text::Text(table->scheme) + (siteIndex == kSiteA ? hosts.siteA : hosts.siteB);
}

}  // namespace velnora::sites
