// Servers for tests and benchmarks that talk HTTP to the code under test: all listen on
// 127.0.0.1 on a port the system picks, serve from their own threads from construction
// on, and stop (joining every thread) when destroyed.
//
// - LocalHttpServer: a cpp-httplib server, plain or TLS; routes are registered by a
//   set-up function before it starts. The TLS variant presents a self-signed
//   certificate for "127.0.0.1" made afresh for each server, so a client only gets
//   through when it ignores certificate errors.
// - RawServer: bytes in, bytes out. It records every request exactly as it arrived
//   (request line, header block, body by Content-Length, or the head alone when told so)
//   and answers with whatever steps the test scripts: exact or malformed bytes, pauses
//   between them, silence, a stall that reads nothing more, a close or a connection reset.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace velnora::testing {

class LocalHttpServer {
 public:
  enum class Scheme { kHttp, kHttps };

  // Registers routes with `routes`, then starts serving on `port` (0: one the system
  // picks). Started() tells whether it came up (a fixed port may be taken; binding or the
  // certificate can fail on a broken machine).
  explicit LocalHttpServer(const std::function<void(httplib::Server&)>& routes,
                           Scheme scheme = Scheme::kHttp, int port = 0);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  [[nodiscard]] bool Started() const { return port_ > 0; }
  [[nodiscard]] int Port() const { return port_; }
  // "http://127.0.0.1:<port>" or "https://…" followed by `path` (which should start with
  // "/" when given).
  [[nodiscard]] std::string Url(std::string_view path = "") const;

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> finished_{false};  // the serving thread has left its loop
  Scheme scheme_;
  int port_ = 0;
};

// One step of a raw answer.
struct RawStep {
  enum class Kind {
    kSend,     // write `bytes`
    kPause,    // wait `ms` milliseconds
    kSilence,  // say nothing more until the client gives up or the server stops
    kStall,    // neither read nor write any more until the server stops
    kClose,    // close the connection (orderly FIN)
    kReset,    // abort the connection (RST)
  };
  Kind kind = Kind::kSend;
  std::string bytes;
  int ms = 0;

  static RawStep Send(std::string bytes) { return {Kind::kSend, std::move(bytes), 0}; }
  static RawStep Pause(int ms) { return {Kind::kPause, {}, ms}; }
  static RawStep Silence() { return {Kind::kSilence, {}, 0}; }
  static RawStep Stall() { return {Kind::kStall, {}, 0}; }
  static RawStep Close() { return {Kind::kClose, {}, 0}; }
  static RawStep Reset() { return {Kind::kReset, {}, 0}; }
};

class RawServer {
 public:
  // Gets the exact bytes of one request and its number (from 0 across all connections)
  // and returns the steps of the answer. When the steps end without kClose, kReset or
  // kSilence the connection stays open for the client's next request.
  using Reply = std::function<std::vector<RawStep>(const std::string& request, int index)>;

  // How much of each request is read before the reply: all of it, or only up to the end
  // of its header block (a body stays unread, for a server that stops reading there).
  enum class Reading { kWholeRequest, kHeadOnly };

  // Whether Requests() keeps every request, or none, for a server that lives long and
  // whose requests nobody reads (the fixture sites).
  enum class Recording { kKeep, kForget };

  // `port` 0 lets the system pick one; a fixed port may be refused (Started() false).
  explicit RawServer(Reply reply, int port = 0, Reading reading = Reading::kWholeRequest,
                     Recording recording = Recording::kKeep);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  [[nodiscard]] bool Started() const { return port_ > 0; }
  [[nodiscard]] int Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  [[nodiscard]] std::string Url(std::string_view path = "") const;
  // The requests received so far, each exactly as it arrived (none with kForget).
  [[nodiscard]] std::vector<std::string> Requests() const;

 private:
  void AcceptLoop();
  void Serve(int socket);
  // Reads one request into `request`, keeping bytes that arrived past its end in
  // `buffer` for the next one; false when the client closed or the server stops first.
  bool ReadRequest(int socket, std::string* buffer, std::string* request);
  bool WaitReadable(int socket, int ms) const;

  // A connection's thread, joined once it has finished so that its stack goes back.
  struct Connection {
    std::thread thread;
    std::atomic<bool> finished{false};
  };

  Reply reply_;
  Reading reading_;
  Recording recording_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::list<Connection> connections_;
  std::vector<std::string> requests_;
  int requestCount_ = 0;
};

}  // namespace velnora::testing
