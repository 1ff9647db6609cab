// The test servers the fixture sites stand on (tests/support has no suite of its own).
#include "tests/support/local_servers.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace velnora::testing {
namespace {

void NoRoutes(httplib::Server&) {}

TEST(LocalHttpServer, StopsRightAfterStarting) {
  // Destroyed before its thread has begun to accept: the stop must still end it.
  for (const auto scheme : {LocalHttpServer::Scheme::kHttp, LocalHttpServer::Scheme::kHttps}) {
    for (int i = 0; i < 20; ++i) {
      const LocalHttpServer server(NoRoutes, scheme);
      EXPECT_TRUE(server.Started());
    }
  }
}

TEST(LocalHttpServer, RefusesAFixedPortThatIsTaken) {
  const LocalHttpServer first(NoRoutes);
  ASSERT_TRUE(first.Started());
  const LocalHttpServer second(NoRoutes, LocalHttpServer::Scheme::kHttp, first.Port());
  EXPECT_FALSE(second.Started());
}

// The address space of this process in KB, as the kernel counts it (VmSize).
long AddressSpaceKb() {
  long kb = 0;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
      if (std::sscanf(line, "VmSize: %ld", &kb) == 1) break;
    }
    std::fclose(f);
  }
  return kb;
}

// Connects, sends one request and reads until the server closes; what it read.
std::string OneRequest(int port) {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET / HTTP/1.1\r\nHost: h\r\n\r\n";
    if (::send(socket, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      char chunk[256];
      for (ssize_t n; (n = ::recv(socket, chunk, sizeof chunk, 0)) > 0;) {
        answer.append(chunk, static_cast<std::size_t>(n));
      }
    }
  }
  ::close(socket);
  return answer;
}

std::vector<RawStep> OkAndClose(const std::string&, int) {
  return {RawStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), RawStep::Close()};
}

TEST(RawServer, FinishedConnectionsGiveBackTheirThreads) {
  // A server that lives long (the fixture sites under a long session) must not keep a
  // thread, and its stack, for every connection it ever served.
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_getattr_default_np(&attributes), 0);
  std::size_t stackBytes = 0;
  pthread_attr_getstacksize(&attributes, &stackBytes);
  pthread_attr_destroy(&attributes);
  const RawServer server(OkAndClose);
  ASSERT_TRUE(server.Started());
  OneRequest(server.Port());  // the first connection's thread and stack are made here
  const long before = AddressSpaceKb();
  constexpr int kConnections = 64;
  for (int i = 0; i < kConnections; ++i) {
    ASSERT_EQ(OneRequest(server.Port()), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  }
  const long grown = AddressSpaceKb() - before;
  EXPECT_LT(grown, static_cast<long>(kConnections / 4 * (stackBytes / 1024)));
}

TEST(RawServer, ForgetsTheRequestsWhenToldNotToKeepThem) {
  std::vector<int> indexes;
  std::mutex mutex;
  const RawServer server(
      [&](const std::string& request, int index) {
        const std::lock_guard lock(mutex);
        indexes.push_back(index);
        return OkAndClose(request, index);
      },
      0, RawServer::Reading::kWholeRequest, RawServer::Recording::kForget);
  ASSERT_TRUE(server.Started());
  for (int i = 0; i < 3; ++i) OneRequest(server.Port());
  EXPECT_TRUE(server.Requests().empty());
  const std::lock_guard lock(mutex);
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace velnora::testing
