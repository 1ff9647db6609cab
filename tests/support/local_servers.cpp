#include "tests/support/local_servers.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace velnora::testing {
namespace {

struct X509Deleter {
  void operator()(X509* x) const { X509_free(x); }
};
struct KeyDeleter {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};

// A P-256 key (quick to make) and a certificate for 127.0.0.1 signed by itself, valid
// from a minute ago for a day.
bool MakeSelfSigned(std::unique_ptr<X509, X509Deleter>* cert,
                    std::unique_ptr<EVP_PKEY, KeyDeleter>* key) {
  key->reset(EVP_EC_gen("P-256"));
  cert->reset(X509_new());
  if (*key == nullptr || *cert == nullptr) return false;
  X509* x = cert->get();
  X509_NAME* name = X509_get_subject_name(x);
  static const unsigned char kCommonName[] = "127.0.0.1";
  return X509_set_version(x, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(x), 1) == 1 &&
         X509_gmtime_adj(X509_getm_notBefore(x), -60) != nullptr &&
         X509_gmtime_adj(X509_getm_notAfter(x), 24 * 60 * 60) != nullptr &&
         X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, kCommonName, -1, -1, 0) == 1 &&
         X509_set_issuer_name(x, name) == 1 && X509_set_pubkey(x, key->get()) == 1 &&
         X509_sign(x, key->get(), EVP_sha256()) > 0;
}

std::string Base(std::string_view scheme, int port) {
  return std::string(scheme) + "://127.0.0.1:" + std::to_string(port);
}

// Content-Length of a request head, 0 when it has none. Test requests come from our own
// client, so a plain case-insensitive line match is enough.
std::size_t ContentLength(std::string_view head) {
  std::size_t at = 0;
  while ((at = head.find("\r\n", at)) != std::string_view::npos) {
    at += 2;
    static constexpr std::string_view kName = "content-length:";
    if (head.size() - at < kName.size()) break;
    bool same = true;
    for (std::size_t i = 0; i < kName.size() && same; ++i) {
      same = std::tolower(static_cast<unsigned char>(head[at + i])) == kName[i];
    }
    if (same)
      return std::strtoull(std::string(head.substr(at + kName.size(), 20)).c_str(), nullptr, 10);
  }
  return 0;
}

}  // namespace

LocalHttpServer::LocalHttpServer(const std::function<void(httplib::Server&)>& routes, Scheme scheme,
                                 int port)
    : scheme_(scheme) {
  if (scheme == Scheme::kHttps) {
    std::unique_ptr<X509, X509Deleter> cert;
    std::unique_ptr<EVP_PKEY, KeyDeleter> key;
    if (!MakeSelfSigned(&cert, &key)) return;
    // The server's TLS context takes its own references to both.
    server_ = std::make_unique<httplib::SSLServer>(cert.get(), key.get());
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  if (!server_->is_valid()) return;
  routes(*server_);
  // cpp-httplib sets SO_REUSEPORT by default, which lets a second server share a taken
  // port; SO_REUSEADDR alone still lets a fixed port be taken again at once.
  server_->set_socket_options([](int socket) {
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  });
  // A small write behind unacknowledged ones (a response head after TLS session tickets)
  // would otherwise wait for the client's delayed acknowledgement, 40 ms a request.
  server_->set_tcp_nodelay(true);
  if (port == 0) {
    port = server_->bind_to_any_port("127.0.0.1");
  } else if (!server_->bind_to_port("127.0.0.1", port)) {
    port = 0;
  }
  if (port <= 0) return;
  // The socket listens from bind on, so clients may connect before the thread accepts.
  thread_ = std::thread([this] {
    server_->listen_after_bind();
    finished_ = true;
  });
  port_ = port;
}

LocalHttpServer::~LocalHttpServer() {
  if (!thread_.joinable()) return;
  // stop() does nothing until the thread has begun to listen, and the thread would then
  // listen for ever.
  while (!server_->is_running() && !finished_)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server_->stop();
  thread_.join();
}

std::string LocalHttpServer::Url(std::string_view path) const {
  return Base(scheme_ == Scheme::kHttps ? "https" : "http", port_) + std::string(path);
}

RawServer::RawServer(Reply reply, int port, Reading reading, Recording recording)
    : reply_(std::move(reply)), reading_(reading), recording_(recording) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (port != 0) {
    // A fixed port is taken again at once, whatever connections of an earlier run linger.
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  // No connection thread is added once the acceptor has stopped.
  for (Connection& connection : connections_) connection.thread.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string RawServer::Url(std::string_view path) const {
  return Base("http", port_) + std::string(path);
}

std::vector<std::string> RawServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool RawServer::WaitReadable(int socket, int ms) const {
  // Short slices, so a stopping server is noticed quickly.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stopping_) {
    pollfd fd{socket, POLLIN, 0};
    if (::poll(&fd, 1, 20) > 0) return true;
    if (ms >= 0 && std::chrono::steady_clock::now() >= end) return false;
  }
  return false;
}

void RawServer::AcceptLoop() {
  while (WaitReadable(listener_, -1)) {
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.remove_if([](Connection& connection) {
      if (!connection.finished) return false;
      connection.thread.join();
      return true;
    });
    Connection& connection = connections_.emplace_back();
    connection.thread = std::thread([this, socket, &connection] {
      Serve(socket);
      connection.finished = true;
    });
  }
}

bool RawServer::ReadRequest(int socket, std::string* buffer, std::string* request) {
  std::size_t wanted = std::string::npos;
  for (;;) {
    if (wanted == std::string::npos) {
      if (const std::size_t end = buffer->find("\r\n\r\n"); end != std::string::npos) {
        wanted = end + 4;
        if (reading_ == Reading::kWholeRequest) {
          wanted += ContentLength(std::string_view(*buffer).substr(0, end + 2));
        }
      }
    }
    if (wanted != std::string::npos && buffer->size() >= wanted) {
      *request = buffer->substr(0, wanted);
      buffer->erase(0, wanted);
      return true;
    }
    if (!WaitReadable(socket, -1)) return false;
    char chunk[16384];
    const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) {
      // A request cut short is still worth recording.
      if (!buffer->empty()) {
        *request = std::move(*buffer);
        buffer->clear();
        return true;
      }
      return false;
    }
    buffer->append(chunk, static_cast<std::size_t>(n));
  }
}

void RawServer::Serve(int socket) {
  std::string buffer;
  std::string request;
  bool open = true;
  while (open && ReadRequest(socket, &buffer, &request)) {
    int index = 0;
    {
      std::lock_guard lock(mutex_);
      index = requestCount_++;
      if (recording_ == Recording::kKeep) requests_.push_back(request);
    }
    for (const RawStep& step : reply_(request, index)) {
      if (!open) break;
      switch (step.kind) {
        case RawStep::Kind::kSend:
          for (std::size_t sent = 0; sent < step.bytes.size();) {
            const ssize_t n =
                ::send(socket, step.bytes.data() + sent, step.bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
              open = false;
              break;
            }
            sent += static_cast<std::size_t>(n);
          }
          break;
        case RawStep::Kind::kPause:
          WaitReadable(-1, step.ms);
          break;
        case RawStep::Kind::kSilence:
          while (!stopping_) {
            char sink[4096];
            if (WaitReadable(socket, -1) && ::recv(socket, sink, sizeof sink, 0) <= 0) break;
          }
          open = false;
          break;
        case RawStep::Kind::kStall:
          // Whatever the client still sends piles up unread until its buffers are full.
          while (!stopping_) WaitReadable(-1, 20);
          open = false;
          break;
        case RawStep::Kind::kClose:
          open = false;
          break;
        case RawStep::Kind::kReset: {
          const linger abort{1, 0};
          ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
          open = false;
          break;
        }
      }
    }
  }
  ::close(socket);
}

}  // namespace velnora::testing
