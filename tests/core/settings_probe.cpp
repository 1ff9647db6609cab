// A stand-in program for the settings tests: each run is one start of the program, and
// touches the settings exactly as the program does, from wherever it was copied to.
//   velnora-settings-probe write <value>   stores the site
//   velnora-settings-probe read            prints the stored site
//   velnora-settings-probe hosts           prints the two hosts, one a line
#include <cstdio>
#include <string_view>

#include "core/settings.h"

int main(int argc, char** argv) {
  using namespace velnora::core;
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 3) {
    WriteSiteSetting(argv[2]);
    return 0;
  }
  if (command == "read" && argc == 2) {
    std::printf("%d\n", ReadSiteSetting());
    return 0;
  }
  if (command == "hosts" && argc == 2) {
    const SiteHosts hosts = ReadSiteHosts();
    std::printf("%s\n%s\n", hosts.siteA.c_str(), hosts.siteB.c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: %s write <value> | read | hosts\n", argv[0]);
  return 2;
}
