// What the benchmark programs share: a fresh HOME, so that the store's work folders and
// row files of a run start empty and are removed at its end, and an output sink that drops
// what the measured code prints.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>

#include "runtime/Output.h"

// An output sink for setOutputSink: progress lines and summaries are not measured.
// Processor seconds of this process so far (the figures of a run with its reference).
inline double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

inline void discardOutput(Channel, const char*, std::size_t) {}

struct FreshHome {
  std::string path;
  FreshHome() {
    char folder[] = "/tmp/zoq-bench-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
      path = folder;
      setenv("HOME", folder, 1);
    }
  }
  ~FreshHome() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  FreshHome(const FreshHome&) = delete;
  FreshHome& operator=(const FreshHome&) = delete;
};
