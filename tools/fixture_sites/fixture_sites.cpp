#include "tools/fixture_sites/fixture_sites.h"

#include <httplib.h>

#include <charconv>
#include <map>
#include <mutex>
#include <utility>

#include "tests/support/local_servers.h"

namespace velnora::fixtures {

using testing::LocalHttpServer;
using testing::RawServer;
using testing::RawStep;

// Catalogue pages, made once each: the 10,000-chapter one takes a while under the
// sanitizers, and benchmarks fetch it over and over.
class PageCache {
 public:
  std::shared_ptr<const std::string> Catalogue(Site site, std::string_view id) {
    std::pair<Site, std::string> key(site, id);
    {
      std::lock_guard lock(mutex_);
      if (auto found = made_.find(key); found != made_.end()) return found->second;
    }
    // Made outside the lock so one large page does not hold up every other request; a
    // race only makes the same bytes twice.
    auto page = std::make_shared<const std::string>(CataloguePage(site, id));
    std::lock_guard lock(mutex_);
    return made_.try_emplace(std::move(key), std::move(page)).first->second;
  }

 private:
  std::mutex mutex_;
  std::map<std::pair<Site, std::string>, std::shared_ptr<const std::string>> made_;
};

namespace {

enum class Outcome { kPage, kNotFound, kReset, kSilence, kMalformed };

struct Answer {
  Outcome outcome = Outcome::kNotFound;
  std::shared_ptr<const std::string> body;
};

// A chapter number as the paths write it: digits without a leading zero; 0 otherwise.
int ChapterNumber(std::string_view digits) {
  int n = 0;
  if (digits.empty() || digits.front() == '0' || digits.size() > 6) return 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  return error == std::errc() && end == digits.data() + digits.size() ? n : 0;
}

Answer NotFound(Site site) {
  return {Outcome::kNotFound, std::make_shared<const std::string>(NotFoundPage(site))};
}

Answer Route(Site site, std::string_view path, PageCache* pages) {
  if (const std::size_t query = path.find('?'); query != std::string_view::npos) {
    path = path.substr(0, query);
  }
  if (path == "/") return {Outcome::kPage, std::make_shared<const std::string>(HomePage(site))};
  constexpr std::string_view kBook = "/book/";
  if (!path.starts_with(kBook)) return NotFound(site);
  path.remove_prefix(kBook.size());
  const std::size_t slash = path.find('/');
  if (slash == 0 || slash == std::string_view::npos) return NotFound(site);
  const std::string_view id = path.substr(0, slash);
  const std::string_view rest = path.substr(slash + 1);
  if (rest.empty()) {
    if (site == Site::kB) {
      const auto failing = [&](Outcome outcome) {
        return Answer{outcome, pages->Catalogue(Site::kB, kB97Chapters)};
      };
      if (id == kBResetCatalogue) return failing(Outcome::kReset);
      if (id == kBSilentCatalogue) return failing(Outcome::kSilence);
      if (id == kBMalformedCatalogue) return failing(Outcome::kMalformed);
    }
    if (FindBook(site, id) == nullptr) return NotFound(site);
    return {Outcome::kPage, pages->Catalogue(site, id)};
  }
  constexpr std::string_view kHtml = ".html";
  if (!rest.ends_with(kHtml)) return NotFound(site);
  const int n = ChapterNumber(rest.substr(0, rest.size() - kHtml.size()));
  std::string page = ChapterPage(site, id, n);
  if (page.empty()) return NotFound(site);
  Outcome outcome = Outcome::kPage;
  if (site == Site::kB && id == kBFailingChapters) {
    if (n == kResetChapter) outcome = Outcome::kReset;
    if (n == kSilentChapter) outcome = Outcome::kSilence;
    if (n == kMalformedChapter) outcome = Outcome::kMalformed;
  }
  return {outcome, std::make_shared<const std::string>(std::move(page))};
}

std::string Head(std::string_view statusLine, std::size_t length) {
  std::string head(statusLine);
  head.append("\r\nServer: nginx\r\nContent-Type: text/html\r\nContent-Length: ");
  head.append(std::to_string(length)).append("\r\nConnection: close\r\n\r\n");
  return head;
}

// Site B speaks HTTP by hand, so that its failures can break the protocol where a real
// server never would.
std::vector<RawStep> AnswerSiteB(const std::string& request, PageCache* pages) {
  const std::size_t start = request.find(' ');
  const std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
  if (end == std::string::npos) return {RawStep::Close()};
  const Answer answer =
      Route(Site::kB, std::string_view(request).substr(start + 1, end - start - 1), pages);
  const std::string& body = *answer.body;
  switch (answer.outcome) {
    case Outcome::kPage:
      return {RawStep::Send(Head("HTTP/1.1 200 OK", body.size()) + body), RawStep::Close()};
    case Outcome::kNotFound:
      return {RawStep::Send(Head("HTTP/1.1 404 Not Found", body.size()) + body), RawStep::Close()};
    case Outcome::kReset:
      // The pause lets the first half reach the client before the reset discards what
      // is still under way.
      return {RawStep::Send(Head("HTTP/1.1 200 OK", body.size()) + body.substr(0, body.size() / 2)),
              RawStep::Pause(100), RawStep::Reset()};
    case Outcome::kSilence:
      return {RawStep::Silence()};
    case Outcome::kMalformed:
      return {RawStep::Send(Head("HTPT/1.1 200 OK", body.size()) + body), RawStep::Close()};
  }
  return {RawStep::Close()};
}

}  // namespace

FixtureSites::FixtureSites(FixturePorts ports) : pages_(std::make_unique<PageCache>()) {
  PageCache* pages = pages_.get();
  siteA_ = std::make_unique<LocalHttpServer>(
      [pages](httplib::Server& server) {
        server.Get(".*", [pages](const httplib::Request& request, httplib::Response& response) {
          const Answer answer = Route(Site::kA, request.path, pages);
          response.status = answer.outcome == Outcome::kPage ? 200 : 404;
          response.set_content(*answer.body, "text/html");
        });
      },
      LocalHttpServer::Scheme::kHttps, ports.siteA);
  siteB_ = std::make_unique<RawServer>(
      [pages](const std::string& request, int) { return AnswerSiteB(request, pages); }, ports.siteB,
      RawServer::Reading::kWholeRequest, RawServer::Recording::kForget);
}

FixtureSites::~FixtureSites() = default;

bool FixtureSites::Started() const {
  return siteA_->Started() && siteB_->Started();
}

int FixtureSites::Port(Site site) const {
  return site == Site::kA ? siteA_->Port() : siteB_->Port();
}

std::string FixtureSites::Host(Site site) const {
  return "127.0.0.1:" + std::to_string(Port(site));
}

std::string FixtureSites::BaseUrl(Site site) const {
  return (site == Site::kA ? "https://" : "http://") + Host(site);
}

}  // namespace velnora::fixtures
