// The page generator. Pages are written in UTF-8 and site A's are converted to code page
// 936 as a whole at the end, the way a GBK site's templates come out.
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/code_page.h"
#include "tools/fixture_sites/fixture_sites.h"

namespace velnora::fixtures {
namespace {

constexpr std::string_view kPhrases[] = {
    "风起云涌", "初入江湖", "夜雨孤灯", "山门问道", "旧友重逢", "雪落无声", "剑指苍穹", "渡口别离",
    "古寺钟声", "长街夜市", "月下独酌", "烽火连城", "孤舟远行", "暗流涌动", "春风化雨", "秋水长天",
    "寒江独钓", "一念之间", "故人来信", "星河欲转", "潮生潮落", "天外来客", "空山新雨", "灯火阑珊",
    "人间烟火", "少年心事", "百川归海", "云开月明", "落叶知秋", "千里赴约", "拨云见日", "风雪夜归",
    "铁马冰河", "花开半夏", "晨钟暮鼓", "竹林听雨", "大漠孤烟", "江南烟雨", "远山如黛", "长夜将尽",
};

constexpr std::string_view kSentences[] = {
    "夜色渐深，山风穿过竹林，发出沙沙的声响。",
    "他推开木门，屋里只剩一盏将熄未熄的油灯。",
    "“你终于来了。”老人放下茶盏，目光平静。",
    "街上行人渐少，远处传来几声犬吠。",
    "少年握紧手中的剑，心跳得比雨声还急。",
    "她没有回头，只是轻轻叹了一口气。",
    "河面上起了薄雾，渔船的灯火忽明忽暗。",
    "这一路走来，他见过太多的离别与重逢。",
    "山门前的石阶被雨水洗得发亮，一直通向云里。",
    "“明日一早，我们便启程。”",
    "风把旗帜吹得猎猎作响，城头上一片肃杀。",
    "他想起了很多年前的那个冬天，雪下得很大。",
    "客栈的掌柜打着算盘，头也不抬地应了一声。",
    "远山的轮廓在晨光里一点点清晰起来。",
    "没有人知道，那封信里究竟写了什么。",
    "马蹄声由远及近，惊起了林中的飞鸟。",
    "她把灯笼挂在檐下，火光映红了半边院墙。",
    "“这世上，总有些事是躲不开的。”",
    "江水滔滔，向东流去，从不为谁停留。",
    "他笑了笑，把剩下的半壶酒一饮而尽。",
    "夜半时分，钟声从山顶的古寺里悠悠传来。",
    "书页被风翻动，停在了写满批注的那一页。",
    "众人面面相觑，谁也没有先开口。",
    "天边泛起鱼肚白，新的一天又开始了。",
    "小镇的集市上，叫卖声此起彼伏。",
    "他沿着河岸慢慢走着，心里却一刻也不平静。",
    "“等这件事了结，我就回家。”",
    "窗外的梧桐叶落了一地，秋意渐浓。",
    "那把旧琴已经很久没有人弹过了。",
    "雨停了，屋檐还在一滴一滴地落着水。",
    "他从怀里取出一枚铜钱，放在了桌上。",
    "山路崎岖，两人走走停停，直到日落才望见村口。",
};

constexpr std::string_view kAuthors[] = {"江离", "沈晚舟", "白石生", "林听雨", "顾长风", "苏南枝"};

constexpr Book kBooksA[] = {
    {kA3Chapters, "青山 旧梦　录", 3},       {kA97Chapters, "长河 落日　行", 97},
    {kA1500Chapters, "万里　江山 图", 1500}, {kA10000Chapters, "星海 无涯　志", 10000},
    {kADashed, "雪夜　归人 记", 3},          {kAUntitled, "无名 之书　卷一", 3},
};

constexpr Book kBooksB[] = {
    {kB3Chapters, "夜航 船上　客", 3},       {kB97Chapters, "云中 谁寄　锦书", 97},
    {kB1500Chapters, "千山 暮雪　行", 1500}, {kB10000Chapters, "沧海 一粟　记", 10000},
    {kBDashed, "孤城 晚照　录", 3},          {kBUntitled, "无题 之卷　二", 3},
    {kBDeclaresUtf8, "春风 十里　长亭", 3},  {kBFailingChapters, "断桥 残雪　夜", 4},
};

// Small and stable across platforms: FNV-1a over the inputs, then xorshift.
class Random {
 public:
  Random(Site site, std::string_view id, int n, int salt) {
    Mix(site == Site::kA ? 'A' : 'B');
    for (char c : id) Mix(static_cast<unsigned char>(c));
    Mix(static_cast<std::uint32_t>(n));
    Mix(static_cast<std::uint32_t>(salt));
  }
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::size_t Below(std::size_t bound) { return Next() % bound; }

 private:
  void Mix(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      state_ ^= (value >> (8 * i)) & 0xFF;
      state_ *= 16777619u;
    }
  }
  std::uint32_t state_ = 2166136261u;
};

template <std::size_t N>
std::string_view Pick(const std::string_view (&table)[N], std::size_t index) {
  return table[index % N];
}

std::string Number(int n) {
  std::array<char, 16> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), n).ptr;
  return std::string(digits.data(), end);
}

std::string_view Author(Site site, const Book& book) {
  return Pick(kAuthors, Random(site, book.id, 0, 1).Below(std::size(kAuthors)));
}

// "第N章 " and three different phrases, a full-width space after the first.
void AppendChapterTitle(std::string* out, Site site, std::string_view id, int n) {
  Random random(site, id, n, 2);
  constexpr std::size_t kCount = std::size(kPhrases);
  const std::size_t first = random.Below(kCount);
  const std::size_t second = first + 1 + random.Below(kCount / 2);
  const std::size_t third = second + 1 + random.Below(kCount / 2 - 1);
  out->append("第").append(Number(n)).append("章 ").append(Pick(kPhrases, first)).append("　");
  out->append(Pick(kPhrases, second)).append(Pick(kPhrases, third));
}

std::string MakeChapterTitle(Site site, std::string_view id, int n) {
  std::string title;
  AppendChapterTitle(&title, site, id, n);
  return title;
}

std::vector<std::string> MakeParagraphs(Site site, std::string_view id, int n) {
  Random random(site, id, n, 3);
  const std::size_t count = n == kLongChapter ? 150 : 8 + random.Below(9);
  std::vector<std::string> paragraphs(count);
  for (std::string& paragraph : paragraphs) {
    const std::size_t sentences = 2 + random.Below(4);
    std::size_t sentence = random.Below(std::size(kSentences));
    for (std::size_t i = 0; i < sentences; ++i) {
      paragraph.append(Pick(kSentences, sentence));
      // Never the same sentence twice in a row.
      sentence += 1 + random.Below(std::size(kSentences) - 1);
    }
  }
  return paragraphs;
}

// Site B marks the last line and every fifth line from a place that moves with the
// chapter, so the same watermark stands more than once in most chapters.
bool HasWatermark(int n, std::size_t index, std::size_t count) {
  return index + 1 == count || index % 5 == static_cast<std::size_t>(n) % 5;
}

std::vector<std::string> MakeLines(Site site, std::string_view id, int n) {
  std::vector<std::string> lines = MakeParagraphs(site, id, n);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (site == Site::kA) {
      lines[i].insert(0, "&nbsp;&nbsp;&nbsp;&nbsp;");
    } else if (HasWatermark(n, i, lines.size())) {
      lines[i].append(kWatermark);
    }
  }
  return lines;
}

// The site's own frame around every page's content: the head lines before the title
// are the caller's, since the charset declaration must stand near the start.
constexpr std::string_view kDoctypeA =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\n";

constexpr std::string_view kScriptsA =
    "<meta http-equiv=\"Cache-Control\" content=\"no-transform\" />\n"
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/biquge.css\" />\n"
    "<script type=\"text/javascript\" src=\"/js/jquery.min.js\"></script>\n"
    "<script type=\"text/javascript\" src=\"/js/bqg.js\"></script>\n";

constexpr std::string_view kTopA =
    "</head>\n<body>\n<div id=\"wrapper\">\n<script>login();</script>\n"
    "<div class=\"header\">\n<div class=\"header_logo\"><a href=\"/\">笔趣阁</a></div>\n"
    "<div class=\"header_search\"><form name=\"search\" action=\"/search.php\" method=\"get\">"
    "<input class=\"search\" name=\"keyword\" type=\"text\" maxlength=\"30\" "
    "value=\"可搜书名和作者\" />"
    "<input class=\"searchbtn\" type=\"submit\" value=\"搜索\" /></form></div>\n"
    "<script>panel();</script>\n</div>\n"
    "<div class=\"nav\">\n<ul>\n<li><a href=\"/\">首页</a></li>\n"
    "<li><a rel=\"nofollow\" href=\"/bookcase.php\">我的书架</a></li>\n"
    "<li><a href=\"/xuanhuan/\">玄幻小说</a></li>\n<li><a href=\"/xiuzhen/\">修真小说</a></li>\n"
    "<li><a href=\"/dushi/\">都市小说</a></li>\n<li><a href=\"/lishi/\">历史小说</a></li>\n"
    "<li><a href=\"/paihang/\">排行榜单</a></li>\n</ul>\n</div>\n";

constexpr std::string_view kFooterA =
    "<div class=\"footer\" id=\"footer\">\n<div class=\"footer_cont\">\n"
    "<p>本站所有小说为转载作品，所有章节均由网友上传，转载至本站只是为了宣传，让更多读者欣赏。</"
    "p>\n"
    "<p>Copyright &copy; 2023 笔趣阁 All Rights Reserved.</p>\n"
    "<script>footer();tj();</script>\n</div>\n</div>\n</div>\n</body>\n</html>\n";

constexpr std::string_view kDoctypeB = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n";

constexpr std::string_view kUtf8Declaration = "<meta charset=\"utf-8\">\n";

constexpr std::string_view kMetaB =
    "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0, "
    "maximum-scale=1.0, user-scalable=no\">\n";

constexpr std::string_view kTopB =
    "</head>\n<body>\n<div class=\"header\">\n<div class=\"wrap\">\n"
    "<div class=\"logo\"><a href=\"/\" title=\"星辰小说网\">星辰小说网</a></div>\n"
    "<div class=\"search\"><form action=\"/search/\" method=\"get\">"
    "<input type=\"text\" name=\"q\" placeholder=\"可搜书名和作者，请您少字也别输错字。\">"
    "<button type=\"submit\">搜索</button></form></div>\n</div>\n</div>\n"
    "<div class=\"nav\"><ul>\n<li><a href=\"/\">首页</a></li>\n"
    "<li><a href=\"/xuanhuan/\">玄幻</a></li>\n<li><a href=\"/wuxia/\">武侠</a></li>\n"
    "<li><a href=\"/dushi/\">都市</a></li>\n<li><a href=\"/lishi/\">历史</a></li>\n"
    "<li><a href=\"/top/\">排行</a></li>\n"
    "<li><a href=\"/bookcase/\" rel=\"nofollow\">书架</a></li>\n</ul></div>\n";

constexpr std::string_view kFooterB =
    "<div class=\"footer\"><p>本站所有小说均来自互联网，如有侵权请联系删除。</p>"
    "<p>Copyright &copy; 2023 xingchen.example</p><script>tongji();</script></div>\n"
    "</body>\n</html>\n";

std::string Ad(Site site, std::string_view slot) {
  if (site == Site::kA) {
    return "<div class=\"dahengfu\"><script type=\"text/javascript\">" + std::string(slot) +
           "();</script></div>\n";
  }
  return "<div class=\"ad\"><script>showad(\"" + std::string(slot) + "\");</script></div>\n";
}

std::string Finish(Site site, std::string page) {
  return site == Site::kA ? text::Utf8ToGbk(page) : page;
}

std::string MakeCataloguePage(Site site, const Book& book) {
  const std::string id(book.id);
  const std::string_view author = Author(site, book);
  const std::string last = MakeChapterTitle(site, book.id, book.chapters);
  const std::string lastPath = ChapterPath(site, book.id, book.chapters);
  const auto chapters = static_cast<std::size_t>(book.chapters);
  const std::string intro =
      std::string(Pick(kSentences, chapters)) + std::string(Pick(kSentences, chapters + 7));
  std::string page;
  // About 80 bytes a chapter, so the entries are reserved once.
  page.reserve(4096 + static_cast<std::size_t>(book.chapters) * 96);
  if (site == Site::kA) {
    page.append(kDoctypeA);
    page.append("<title>").append(book.title).append("最新章节列表_").append(book.title);
    page.append("全文阅读_笔趣阁</title>\n");
    page.append("<meta name=\"keywords\" content=\"").append(book.title).append(",");
    page.append(book.title).append("最新章节,").append(author).append("\" />\n");
    page.append("<meta name=\"description\" content=\"").append(book.title).append("是");
    page.append(author).append("所写的小说，笔趣阁提供").append(book.title);
    page.append("最新章节免费阅读。\" />\n");
    page.append(kScriptsA).append(kTopA);
    page.append("<div class=\"box_con\">\n<div class=\"con_top\"><a href=\"/\">笔趣阁</a> &gt; ");
    page.append(book.title)
        .append("最新章节列表</div>\n<div id=\"maininfo\">\n<div id=\"info\">\n");
    page.append("<h1>").append(book.title).append("</h1>\n");
    page.append("<p>作&nbsp;&nbsp;&nbsp;&nbsp;者：").append(author).append("</p>\n");
    page.append("<p>最后更新：2023-05-12 08:30:00</p>\n");
    page.append("<p>最新章节：<a href=\"").append(lastPath).append("\">").append(last);
    page.append("</a></p>\n</div>\n<div id=\"intro\"><p>").append(intro).append("</p></div>\n");
    page.append("</div>\n<div id=\"sidebar\"><div id=\"fmimg\"><img alt=\"").append(book.title);
    page.append("\" src=\"/cover/").append(id).append(".jpg\" width=\"120\" height=\"150\" />");
    page.append("</div></div>\n</div>\n").append(Ad(site, "list_top"));
    page.append("<div class=\"box_con\">\n<div id=\"list\">\n<dl>");
    if (book.id == kAUntitled) {
      page.append("<dt>全部章节</dt>\n");
    } else {
      page.append("<dt>《").append(book.title).append("》正文</dt>\n");
    }
    for (int n = 1; n <= book.chapters; ++n) {
      page.append("<dd> <a href=\"").append(ChapterPath(site, book.id, n)).append("\">");
      AppendChapterTitle(&page, site, book.id, n);
      page.append("</a></dd>\n");
    }
    page.append("</dl></div>\n</div>\n").append(Ad(site, "list_bottom")).append(kFooterA);
    return Finish(site, std::move(page));
  }
  page.append(kDoctypeB);
  if (book.id == kBDeclaresUtf8) page.append(kUtf8Declaration);
  page.append(kMetaB);
  page.append("<title>").append(book.title).append("_").append(author).append("_");
  page.append(book.title).append("最新章节_星辰小说网</title>\n");
  page.append("<meta name=\"keywords\" content=\"").append(book.title).append(",").append(author);
  page.append(",").append(book.title).append("最新章节\">\n");
  page.append("<meta name=\"description\" content=\"").append(intro).append("\">\n");
  page.append("<link rel=\"stylesheet\" href=\"/static/css/style.css\">\n");
  page.append("<script src=\"/static/js/jquery.min.js\"></script>\n");
  page.append("<script src=\"/static/js/common.js\"></script>\n");
  page.append(kTopB);
  page.append(
      "<div class=\"book\">\n<div class=\"info\">\n<div class=\"cover\"><img src=\"/cover/");
  page.append(id).append(".jpg\" alt=\"").append(book.title).append("\"></div>\n");
  if (book.id == kBUntitled) {
    page.append("<div class=\"bookname\">").append(book.title).append("</div>\n");
  } else {
    page.append("<h1>").append(book.title).append("</h1>\n");
  }
  page.append("<div class=\"small\">\n<span>作者：").append(author).append("</span>\n");
  page.append("<span>状态：连载</span>\n<span class=\"last\">最新：<a href=\"").append(lastPath);
  page.append("\">").append(last).append("</a></span>\n</div>\n");
  page.append("<div class=\"intro\"><dl><dd>").append(intro).append("</dd></dl></div>\n");
  page.append("<div class=\"link\"><a href=\"").append(ChapterPath(site, book.id, 1));
  page.append("\">开始阅读</a><a href=\"javascript:addBookCase('").append(id);
  page.append("');\" rel=\"nofollow\">加入书架</a></div>\n</div>\n</div>\n");
  page.append(Ad(site, "book_top"));
  page.append("<div class=\"listmain\">\n<h2>章节目录</h2>\n<ul class=\"dirlist clearfix\">\n");
  for (int n = 1; n <= book.chapters; ++n) {
    page.append("<li><a href=\"").append(ChapterPath(site, book.id, n)).append("\">");
    AppendChapterTitle(&page, site, book.id, n);
    page.append("</a></li>\n");
  }
  page.append("</ul>\n</div>\n").append(Ad(site, "book_bottom"));
  page.append("<div class=\"seofooter\"><p>").append(book.title).append("最新章节由网友提供，《");
  page.append(book.title)
      .append("》情节跌宕起伏、扣人心弦，是一本情节与文笔俱佳的小说。</p></div>\n");
  page.append(kFooterB);
  return page;
}

std::string MakeChapterPage(Site site, const Book& book, int n) {
  const std::string title = MakeChapterTitle(site, book.id, n);
  const std::string index = CataloguePath(book.id);
  const std::string previous = n > 1 ? ChapterPath(site, book.id, n - 1) : index;
  const std::string next = n < book.chapters ? ChapterPath(site, book.id, n + 1) : index;
  const std::vector<std::string> lines = MakeLines(site, book.id, n);
  std::string page;
  page.reserve(n == kLongChapter ? 40000 : 8192);
  if (site == Site::kA) {
    page.append(kDoctypeA);
    page.append("<title>")
        .append(title)
        .append("_")
        .append(book.title)
        .append(" - 笔趣阁</title>\n");
    page.append("<meta name=\"keywords\" content=\"").append(book.title).append(",").append(title);
    page.append("\" />\n").append(kScriptsA);
    page.append("<script type=\"text/javascript\">var preview_page = \"").append(previous);
    page.append("\";var next_page = \"")
        .append(next)
        .append("\";var index_page = \"")
        .append(index);
    page.append("\";</script>\n").append(kTopA);
    page.append("<div class=\"content_read\">\n<div class=\"box_con\">\n");
    page.append("<div class=\"con_top\"><a href=\"/\">笔趣阁</a> &gt; <a href=\"").append(index);
    page.append("\">").append(book.title).append("</a> &gt; ").append(title).append("</div>\n");
    const std::string links = "<div class=\"bottem1\"><a href=\"" + previous +
                              "\">上一章</a> &larr; <a href=\"" + index +
                              "\">章节目录</a> &rarr; <a href=\"" + next + "\">下一章</a></div>\n";
    page.append("<div class=\"bookname\">\n<h1>").append(title).append("</h1>\n").append(links);
    page.append("<div class=\"lm\"><script>read1();</script></div>\n</div>\n");
    page.append(Ad(site, "read2"));
    page.append("<div id=\"content\">");
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) page.append("<br><br>");
      page.append(lines[i]);
    }
    page.append("</div>\n").append(links).append(Ad(site, "read3"));
    page.append("</div>\n</div>\n").append(kFooterA);
    return Finish(site, std::move(page));
  }
  page.append(kDoctypeB).append(kUtf8Declaration).append(kMetaB);
  page.append("<title>")
      .append(title)
      .append("_")
      .append(book.title)
      .append("_星辰小说网</title>\n");
  page.append("<meta name=\"keywords\" content=\"").append(book.title).append(",").append(title);
  page.append("\">\n<link rel=\"stylesheet\" href=\"/static/css/reader.css\">\n");
  page.append("<script src=\"/static/js/jquery.min.js\"></script>\n");
  page.append("<script src=\"/static/js/reader.js\"></script>\n").append(kTopB);
  const std::string links = "<div class=\"Readpage pagedown\"><a href=\"" + previous +
                            "\" id=\"pb_prev\" class=\"Readpage_up\">上一章</a><a href=\"" + index +
                            "\" id=\"pb_mulu\" class=\"Readpage_up\">目录</a><a href=\"" + next +
                            "\" id=\"pb_next\" class=\"Readpage_down\">下一章</a></div>\n";
  page.append("<div class=\"book reader\">\n<div class=\"path wap_none\"><div class=\"p\">");
  page.append("<a href=\"/\">星辰小说网</a> &gt; <a href=\"").append(index).append("\">");
  page.append(book.title).append("</a> &gt; ").append(title).append("</div></div>\n");
  page.append("<div class=\"content\">\n<h1 class=\"wap_none\">").append(title).append("</h1>\n");
  page.append(links).append(Ad(site, "read_top"));
  page.append("<div id=\"chaptercontent\" class=\"Readarea ReadAjax_content\">");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) page.append("<br />");
    page.append(lines[i]);
  }
  page.append("</div>\n<div class=\"info bottominfo\"><p>请记住本书首发域名：xingchen.example。");
  page.append("星辰小说网手机版阅读网址：m.xingchen.example</p></div>\n");
  page.append(links).append("</div>\n</div>\n").append(Ad(site, "read_bottom")).append(kFooterB);
  return page;
}

}  // namespace

std::span<const Book> Books(Site site) {
  if (site == Site::kA) return kBooksA;
  return kBooksB;
}

const Book* FindBook(Site site, std::string_view bookId) {
  for (const Book& book : Books(site)) {
    if (book.id == bookId) return &book;
  }
  return nullptr;
}

std::string CataloguePath(std::string_view bookId) {
  return "/book/" + std::string(bookId) + "/";
}

std::string ChapterPath(Site, std::string_view bookId, int n) {
  return "/book/" + std::string(bookId) + "/" + Number(n) + ".html";
}

std::string CataloguePage(Site site, std::string_view bookId) {
  const Book* book = FindBook(site, bookId);
  return book == nullptr ? std::string() : MakeCataloguePage(site, *book);
}

std::string ChapterPage(Site site, std::string_view bookId, int n) {
  const Book* book = FindBook(site, bookId);
  if (book == nullptr || n < 1 || n > book->chapters) return {};
  return MakeChapterPage(site, *book, n);
}

std::string HomePage(Site site) {
  std::string page;
  if (site == Site::kA) {
    page.append(kDoctypeA).append("<title>笔趣阁_书友最值得收藏的网络小说阅读网</title>\n");
    page.append(kScriptsA).append(kTopA).append(
        "<div class=\"box_con\">\n<div id=\"newscontent\">\n<ul>\n");
  } else {
    page.append(kDoctypeB).append(kMetaB).append("<title>星辰小说网_好看的小说在线阅读</title>\n");
    page.append(kTopB).append("<div class=\"hot\">\n<ul>\n");
  }
  for (const Book& book : Books(site)) {
    page.append("<li><a href=\"").append(CataloguePath(book.id)).append("\">").append(book.title);
    page.append("</a> ").append(Author(site, book)).append("</li>\n");
  }
  if (site == Site::kA) {
    page.append("</ul>\n</div>\n</div>\n").append(kFooterA);
    return Finish(site, std::move(page));
  }
  page.append("</ul>\n</div>\n").append(kFooterB);
  return page;
}

std::string NotFoundPage(Site site) {
  if (site == Site::kA) {
    std::string page(kDoctypeA);
    page.append("<title>出现错误！</title>\n</head>\n<body>\n<div class=\"errorbox\">\n");
    page.append("<p class=\"errortitle\">出现错误！</p>\n");
    page.append("<p>错误原因：对不起，该书或该章节不存在或已被删除！</p>\n");
    page.append("<p>请 <a href=\"/\">返回首页</a></p>\n</div>\n</body>\n</html>\n");
    return Finish(site, std::move(page));
  }
  std::string page(kDoctypeB);
  page.append(kMetaB).append("<title>404 页面不存在_星辰小说网</title>\n</head>\n<body>\n");
  page.append("<div class=\"error\"><p class=\"code\">404</p>");
  page.append(
      "<p>抱歉，您访问的页面不存在或已被删除。</p><p><a href=\"/\">返回首页</a></p></div>\n");
  page.append("</body>\n</html>\n");
  return page;
}

std::string BookTitle(Site site, std::string_view bookId) {
  const Book* book = FindBook(site, bookId);
  return book == nullptr ? std::string() : std::string(book->title);
}

std::string ChapterTitle(Site site, std::string_view bookId, int n) {
  const Book* book = FindBook(site, bookId);
  if (book == nullptr || n < 1 || n > book->chapters) return {};
  return MakeChapterTitle(site, bookId, n);
}

std::vector<std::string> ChapterParagraphs(Site site, std::string_view bookId, int n) {
  const Book* book = FindBook(site, bookId);
  if (book == nullptr || n < 1 || n > book->chapters) return {};
  return MakeParagraphs(site, bookId, n);
}

std::vector<std::string> ChapterLines(Site site, std::string_view bookId, int n) {
  const Book* book = FindBook(site, bookId);
  if (book == nullptr || n < 1 || n > book->chapters) return {};
  return MakeLines(site, bookId, n);
}

}  // namespace velnora::fixtures
