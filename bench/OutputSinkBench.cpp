// The cost of the output buffers that a terminating signal still writes out
// (runtime/OutputBuffers), beside plain fully buffered stdio, measured in the same run.
//
// tadpoleSolutionsOfTheA2Permutation: the output-heaviest run of the program, "algebra a 2
// 1" / "create permutation" / "set tadpole show_solution on" / "solve tadpole" (2,621,442
// solutions, about 1.7 GB of text), printed through Print to standard output on /dev/null:
// the new path (the default sink into standard output's buffer) against the old one (a
// sink that fwrites into a stdio stream with a 64 KB buffer, as the output file was
// written before). Each run is a process of its own forked from the started program (a
// second solve in one process is slower, whatever it prints to); runs alternate old, new,
// old, new, and each figure is the lesser of its two, in processor seconds of the solve;
// new_over_old is their ratio (limit 1.10).
//
// appendLines: the bare writes, without the program: 4 million lines of 40 bytes into
// /dev/null through CommittedBuffer::append and through fwrite into a 64 KB stdio buffer,
// nanoseconds a line.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/OutputBuffers.h"

namespace {

FreshHome freshHome;

// The old path: a stdio stream with a 64 KB buffer on /dev/null.
struct StdioStream {
  std::FILE* stream = std::fopen("/dev/null", "w");
  std::vector<char> buffer = std::vector<char>(std::size_t{1} << 16);
  StdioStream() {
    if (stream != nullptr) std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
  }
  ~StdioStream() {
    if (stream != nullptr) std::fclose(stream);
  }
  StdioStream(const StdioStream&) = delete;
  StdioStream& operator=(const StdioStream&) = delete;
};

std::FILE* oldStream = nullptr;
void stdioSink(Channel, const char* text, std::size_t length) { std::fwrite(text, 1, length, oldStream); }

// Processor seconds of the solve, its text through the sink given (nullptr: the default
// sink, the new path).
double solveTadpole(OutputSink sink) {
  resetAll();
  setBackground(1);
  setOutputSink(sink);
  for (const char* line : {"algebra a 2 1", "create permutation", "set tadpole show_solution on"})
    executeCommandLine(line);
  const double start = cpuSeconds();
  executeCommandLine("solve tadpole");
  sinkFlush();
  if (oldStream != nullptr) std::fflush(oldStream);
  const double seconds = cpuSeconds() - start;
  setOutputSink(nullptr);
  return seconds;
}

// The same in a process of its own, forked from the started program with standard output
// on /dev/null, so that no run inherits what an earlier one left behind; -1 on failure.
double solveTadpoleInAChild(OutputSink sink) {
  int ends[2];
  if (pipe(ends) != 0) return -1.0;
  sinkFlush();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    close(quiet);
    standardOutputBuffer().setDescriptor(STDOUT_FILENO);  // looks afresh: no terminal now
    StdioStream old;
    oldStream = old.stream;
    const double seconds = solveTadpole(sink);
    (void)!write(ends[1], &seconds, sizeof seconds);
    _exit(0);
  }
  close(ends[1]);
  double seconds = -1.0;
  if (child < 0 || read(ends[0], &seconds, sizeof seconds) != static_cast<ssize_t>(sizeof seconds)) seconds = -1.0;
  close(ends[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return seconds;
}

void tadpoleSolutionsOfTheA2Permutation(benchmark::State& state) {
  resetAll();
  double oldSeconds = 1e300, newSeconds = 1e300;
  for (auto _ : state) {
    for (int round = 0; round < 2; ++round) {
      const double oldRun = solveTadpoleInAChild(stdioSink);
      const double newRun = solveTadpoleInAChild(nullptr);
      if (oldRun < 0 || newRun < 0) {
        state.SkipWithError("a run failed");
        return;
      }
      oldSeconds = std::min(oldSeconds, oldRun);
      newSeconds = std::min(newSeconds, newRun);
    }
  }
  state.counters["old_stdio_s"] = oldSeconds;
  state.counters["new_buffer_s"] = newSeconds;
  state.counters["new_over_old"] = newSeconds / oldSeconds;
  state.counters["limit"] = 1.10;
}

void appendLines(benchmark::State& state) {
  constexpr int kLines = 4000000;
  const std::string line = "          Brane labels   CP group  12345\n";
  StdioStream old;
  const int quiet = open("/dev/null", O_WRONLY);
  double oldSeconds = 1e300, newSeconds = 1e300;
  for (auto _ : state) {
    double start = cpuSeconds();
    for (int k = 0; k < kLines; ++k) std::fwrite(line.data(), 1, line.size(), old.stream);
    std::fflush(old.stream);
    oldSeconds = std::min(oldSeconds, cpuSeconds() - start);
    CommittedBuffer& buffer = outputFileBuffer();
    buffer.setDescriptor(quiet);
    start = cpuSeconds();
    for (int k = 0; k < kLines; ++k) buffer.append(line.data(), line.size());
    buffer.flush();
    newSeconds = std::min(newSeconds, cpuSeconds() - start);
    buffer.setDescriptor(-1);
  }
  close(quiet);
  state.counters["old_stdio_ns_per_line"] = oldSeconds * 1e9 / kLines;
  state.counters["new_buffer_ns_per_line"] = newSeconds * 1e9 / kLines;
}

}  // namespace

BENCHMARK(appendLines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(tadpoleSolutionsOfTheA2Permutation)->Unit(benchmark::kMillisecond)->Iterations(1);
