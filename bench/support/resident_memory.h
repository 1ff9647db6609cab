// The process's resident set as the kernel counts it, for the benchmarks that report
// memory beside time.
#pragma once

#include <unistd.h>

#include <cstdio>

namespace velnora::bench {

// Resident kilobytes now; 0 when /proc cannot tell.
inline long ResidentKb() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace velnora::bench
