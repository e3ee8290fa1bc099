// Building the Weyl groups of E6 (51,840 elements), A8 (362,880) and E7 (2,903,040): the
// seconds, the bytes each element costs (group and look-up index), and the peak resident
// memory of the process, each beside its limit: E7 in under 1.5 s and under 120 MB.
// Products of E7 elements (by the action of the words on rho) are timed as well.
//
// Weyl orbits as "Weyl orbit" lists them: the E7 orbit of the 56 and the E6 orbit of rho
// (51,840 weights), walked by simple reflections from the dominant weight, alone and
// printed (to a sink that drops the text), beside the whole-group path (every group
// element applied, repeats removed in a set, printed) and beside LiE's W_orbit on the same
// weights, run as a subprocess in the same run when the program "lie" is installed (its
// CPU time per orbit). Without LiE a note says so.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "lie/WeylGroup.h"
#include "program/Boot.h"
#include "runtime/Output.h"

namespace {

FreshHome freshHome;

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void groupBuilt(benchmark::State& state, int type, int rank, double secondsLimit, double megabytesLimit) {
  double seconds = 0.0;
  int count = 0;
  double bytesPerElement = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    resetAll();
    setOutputSink(&discardOutput);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const WeylGroupCollection* group = initWeylGroup(type, rank);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    count = group == nullptr ? 0 : group->count();
    bytesPerElement = count == 0 ? 0.0 : static_cast<double>(WeylGroup_alloc.bytesHeld()) / count;
    setOutputSink(nullptr);
    state.ResumeTiming();
  }
  state.counters["elements"] = count;
  state.counters["seconds"] = seconds;
  state.counters["seconds_limit"] = secondsLimit;
  state.counters["bytes_per_element"] = bytesPerElement;
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["peak_MB_limit"] = megabytesLimit;
}

void e7Products(benchmark::State& state) {
  resetAll();
  setOutputSink(&discardOutput);
  const WeylGroupCollection* group = initWeylGroup(5, 7);
  setOutputSink(nullptr);
  const int n = group->count();
  long long step = 0;
  for (auto _ : state) {
    const int a = static_cast<int>((step * 7919) % n);
    const int b = static_cast<int>((step * 104729 + 13) % n);
    benchmark::DoNotOptimize(WeylMultiply(5, 7, a, b));
    ++step;
  }
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

extern "C" char** environ;

// CPU seconds (user + system) of one run of LiE on the given script; -1 when LiE cannot be
// started. The script goes in through a pipe, the output is dropped.
double lieSeconds(const std::string& script) {
  int input[2];
  if (pipe(input) != 0) return -1.0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char program[] = "lie";
  char* argv[] = {program, nullptr};
  pid_t child = 0;
  const int failed = posix_spawnp(&child, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  if (failed != 0) {
    close(input[1]);
    return -1.0;
  }
  const ssize_t written = write(input[1], script.data(), script.size());
  close(input[1]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      written != static_cast<ssize_t>(script.size()))
    return -1.0;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// weight: the program's Dynkin labels; lieGroup and lieWeight: the same weight in LiE's
// (Bourbaki) numbering. The orbit alone is computed `repeats` times, here and in LiE (in a
// loop of its own, less the same loop without the orbit), and the mean time per orbit
// reported; the listing and the whole-group path are timed once.
void orbitListed(benchmark::State& state, int type, int rank, std::vector<int> weight, const char* lieGroup,
                 const char* lieWeight, int repeats) {
  double walkSeconds = 0.0, listedSeconds = 0.0, groupSeconds = 0.0;
  int walked = 0, distinct = 0;
  for (auto _ : state) {
    state.PauseTiming();
    resetAll();
    setOutputSink(&discardOutput);
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeats; ++r) benchmark::DoNotOptimize(WeylOrbit(type, rank, weight.data()));
    walkSeconds = secondsSince(start) / repeats;
    state.PauseTiming();
    resetAll();
    setOutputSink(&discardOutput);
    start = std::chrono::steady_clock::now();
    const WeylOrbitList* orbit = WeylOrbit(type, rank, weight.data());
    walked = orbit == nullptr ? 0 : orbit->count;
    for (int k = 0; k < walked; ++k) PrintVec(rank, orbit->row(k), " ");
    listedSeconds = secondsSince(start);
    resetAll();
    setOutputSink(&discardOutput);
    start = std::chrono::steady_clock::now();
    const WeylOrbitList* images = WeylReflections(type, rank, weight.data());
    std::set<std::vector<int>> seen;
    distinct = 0;
    for (int k = 0; images != nullptr && k < images->count; ++k) {
      const int* row = images->row(k);
      if (!seen.insert(std::vector<int>(row, row + rank)).second) continue;
      PrintVec(rank, row, " ");
      ++distinct;
    }
    groupSeconds = secondsSince(start);
    setOutputSink(nullptr);
    state.ResumeTiming();
  }
  state.counters["orbit_size"] = walked;
  state.counters["orbit_size_by_group"] = distinct;
  state.counters["s_walk"] = walkSeconds;
  state.counters["s_walk_listed"] = listedSeconds;
  state.counters["s_whole_group_listed"] = groupSeconds;
  const std::string loop = std::string("setdefault ") + lieGroup + "\nx=0\nfor i=1 to " + std::to_string(repeats);
  const double lieOrbit = lieSeconds(loop + " do x = x + n_rows(W_orbit(" + lieWeight + ")) od\nprint(x)\n");
  const double lieNothing = lieSeconds(loop + " do x = x + 1 od\nprint(x)\n");
  if (lieOrbit < 0.0 || lieNothing < 0.0) {
    state.SetLabel("LiE not installed: no comparison");
  } else {
    state.counters["s_lie_W_orbit_cpu"] = std::max(0.0, lieOrbit - lieNothing) / repeats;
  }
}

}  // namespace

// The E7 orbit of the 56 and the E6 orbit of rho, beside the whole group and LiE.
BENCHMARK_CAPTURE(orbitListed, E7_56, 5, 7, std::vector<int>{0, 0, 0, 0, 0, 1, 0}, "E7", "[0,0,0,0,0,0,1]", 1000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(orbitListed, E6_rho, 5, 6, std::vector<int>(6, 1), "E6", "[1,1,1,1,1,1]", 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// No limits were set for E6 and A8; 0 stands for none.
BENCHMARK_CAPTURE(groupBuilt, E6, 5, 6, 0.0, 0.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(groupBuilt, A8, 1, 8, 0.0, 0.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(groupBuilt, E7, 5, 7, 1.5, 120.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(e7Products);
