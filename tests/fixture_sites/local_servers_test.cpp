// The test servers the fixture sites stand on (tests/support has no suite of its own).
#include "tests/support/local_servers.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

}  // namespace
}  // namespace velnora::testing
