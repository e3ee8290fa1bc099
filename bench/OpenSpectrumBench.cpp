// Open-string checks on a synthetic orientifold of 1,000 boundaries (500 complex pairs)
// and 24 primaries, a third of them tachyonic, with annulus and Moebius coefficients from
// a fixed integer formula: the pair test TachyonicIntersection over all pairs (pairs per
// second; its limit, measured in the same run, is the rate of the bare annulus reads the
// uncached test makes), and the open-sector report of a ten-stack configuration
// (GeneralOpenSectorAnalysis after its spectrum look-up, for the three classes of a
// four-dimensional SO(10) lattice; milliseconds per report, beside the milliseconds of
// the annulus reads it needs).
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Output.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"

namespace {

FreshHome freshHome;

constexpr int kBoundaries = 1000;
constexpr int kPrimaries = 24;

// Boundaries 2k and 2k+1 are conjugate. Coefficients are small, mostly zero.
int annulus(int i, int a, int b) {
  const unsigned h =
      static_cast<unsigned>(i * 7919 + (a < b ? a : b) * 104729 + (a < b ? b : a) * 1299709);
  return (h % 53) == 0 ? static_cast<int>(h % 3) : 0;
}
int moebius(int i, int a) {
  return annulus(i, a, a) % 2 == 0 ? 0 : ((i + a) % 2 == 0 ? 1 : -1);
}
int conjugate(const OrientifoldInfo*, int a) {
  return a ^ 1;
}
void select(const OrientifoldInfo*) {}
int boundaries() {
  return kBoundaries;
}
int primaries() {
  return kPrimaries;
}
int tachyonic(int i) {
  return i % 3 == 1 ? 1 : 0;
}

int klein(int) {
  return 0;
}

const OpenAmplitudes kSynthetic = {annulus,    moebius,   conjugate, select,
                                   boundaries, primaries, tachyonic, klein};

// Every primary massless, weights 1 or 2 in each class.
std::vector<int> allPrimaries() {
  std::vector<int> list;
  for (int i = 0; i < kPrimaries; ++i) list.push_back(i);
  return list;
}
std::vector<int> tachyonicPrimaries() {
  return {};
}
std::array<int, 4> classWeights(int i) {
  return {0, 1 + i % 2, 1 + (i + 1) % 2, 1};
}
const OpenReportSource kSyntheticPrimaries = {allPrimaries, tachyonicPrimaries, classWeights};

std::size_t& outputCharacters() {
  static std::size_t n = 0;
  return n;
}
void countOutput(Channel, const char*, std::size_t length) {
  outputCharacters() += length;
}
std::size_t outputCount() {
  return outputCharacters();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void setUp() {
  resetAll();
  setOutputSink(&discardOutput);
  setOpenAmplitudes(&kSynthetic);
  setOpenReportSource(&kSyntheticPrimaries);
}

void BM_TachyonicIntersectionAllPairs(benchmark::State& state) {
  double pairsPerSecond = 0.0;
  double readsPerSecond = 0.0;
  long long tachyonicPairs = 0;
  for (auto _ : state) {
    setUp();
    TachyonicIntersection(nullptr, -1, 0);
    auto start = std::chrono::steady_clock::now();
    for (int a = 0; a < kBoundaries; ++a)
      for (int b = 0; b < kBoundaries; ++b)
        tachyonicPairs += TachyonicIntersection(nullptr, a, b) == 1;
    const double pairs = static_cast<double>(kBoundaries) * kBoundaries;
    pairsPerSecond = pairs / secondsSince(start);
    // The reads of one uncached pair test: four annulus coefficients per tachyonic primary.
    long long sum = 0;
    start = std::chrono::steady_clock::now();
    for (int a = 0; a < kBoundaries; ++a)
      for (int b = 0; b < kBoundaries; ++b)
        for (int i = 1; i < kPrimaries; ++i)
          if (tachyonic(i) != 0)
            sum += annulus(i, a, b) + annulus(i, a ^ 1, b) + annulus(i, a, b ^ 1) +
                   annulus(i, a ^ 1, b ^ 1);
    benchmark::DoNotOptimize(sum);
    readsPerSecond = pairs / secondsSince(start);
  }
  setOpenAmplitudes(nullptr);
  state.counters["pairs_per_second"] = pairsPerSecond;
  std::printf(
      "TachyonicIntersection, %d boundaries: %.3g pairs per second (limit: the bare annulus reads "
      "of an uncached "
      "test, %.3g pairs per second); %lld tachyonic pairs\n",
      kBoundaries, pairsPerSecond, readsPerSecond, tachyonicPairs);
}
BENCHMARK(BM_TachyonicIntersectionAllPairs)->Unit(benchmark::kSecond)->Iterations(1);

void BM_OpenSectorReport(benchmark::State& state) {
  constexpr int kReports = 200;
  ChanPatonData cpd;
  cpd.stacks = 10;
  cpd.observableStacks = 4;
  for (int x = 0; x < cpd.stacks; ++x) {
    cpd.stackLabel.push_back(97 * x % kBoundaries);
    cpd.stackType.push_back(x % 3 - 1);
    cpd.stackMultiplicity.push_back(x + 1);
  }
  cpd.multiplicity.assign(kBoundaries, 0);
  for (int x = 0; x < cpd.stacks; ++x)
    cpd.multiplicity[static_cast<std::size_t>(cpd.stackLabel[static_cast<std::size_t>(x)])] = x + 1;
  SpaceTimeSymmetry st;
  st.left.type = 4;
  st.left.rank = 5;
  st.dimension = 4;
  double msPerReport = 0.0;
  double msOfReads = 0.0;
  std::size_t printed = 0;
  for (auto _ : state) {
    setUp();
    setOutputSink(&countOutput);
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < kReports; ++r) openSectorByClass(&cpd, &st, 4);
    msPerReport = 1e3 * secondsSince(start) / kReports;
    long long sum = 0;
    start = std::chrono::steady_clock::now();
    for (int r = 0; r < kReports; ++r)
      for (int k = 1; k < 4; ++k)
        for (int i = 1; i < kPrimaries; ++i)
          for (int x = 0; x < cpd.stacks; ++x)
            for (int y = x; y < cpd.stacks; ++y) {
              const int a = cpd.stackLabel[static_cast<std::size_t>(x)];
              const int b = cpd.stackLabel[static_cast<std::size_t>(y)];
              sum += annulus(i, a, b) + annulus(i, a ^ 1, b) + annulus(i, a, b ^ 1) +
                     annulus(i, a ^ 1, b ^ 1) + moebius(i, a);
            }
    benchmark::DoNotOptimize(sum);
    msOfReads = 1e3 * secondsSince(start) / kReports;
  }
  printed = outputCount();
  setOutputSink(&discardOutput);
  setOpenAmplitudes(nullptr);
  setOpenReportSource(nullptr);
  state.counters["ms_per_report"] = msPerReport;
  std::printf(
      "GeneralOpenSectorAnalysis of 10 stacks, 3 classes: %.4f ms per report (limit: the annulus "
      "and Moebius reads it needs, %.4f ms); "
      "%zu characters\n",
      msPerReport, msOfReads, printed);
}
BENCHMARK(BM_OpenSectorReport)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
