// What the benchmark programs share: a fresh HOME, so that the store's work folders and
// row files of a run start empty and are removed at its end, an output sink that drops
// what the measured code prints, command lines run from start-up, and the processor time
// of work done in a child process.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"

// Processor seconds of this process so far (the figures of a run with its reference).
inline double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// An output sink for setOutputSink: progress lines and summaries are not measured.
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

// Runs the lines from start-up, their output dropped; false when one fails.
inline bool runLinesFromStartUp(const std::vector<std::string>& lines) {
  resetAll();
  setOutputSink(discardOutput);
  for (const std::string& line : lines) {
    setErrorCount(0);
    setBreakCounter(0);
    if (executeCommandLine(line.c_str()) > 0) return false;
  }
  return true;
}

// Processor seconds of a child process (a fork of this program) that does the work and
// ends; -1 when it failed (work returned false) or could not be started.
template <class Work>
double childSeconds(Work work) {
  // What this process has buffered must not be written a second time by the child.
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  if (child < 0) return -1.0;
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -1.0;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}
