// Brane intersections on a Gepner-type tensor product: the quintic (five N=2 minimal
// models of level 3, "build cy 33333") with its simple-current invariant number 1, 800
// boundaries. Measured, in pairs per second: the pair routine over Ishibashi orbits on all
// pairs, the routine over all Ishibashi labels on the pairs of the first 40 boundaries, and
// the class-row look-up of all pairs once the rows are filled. Each figure is printed
// beside its limit measured in the same run: the bare reflection-coefficient reads that
// one pair of the routine needs (two per orbit, or two per label), and for the class rows
// the direct orbit routine itself.
//
// The program runs with a fresh HOME, removed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "boundaries/CrossBound.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "search/SearchSM.h"
#include "strings/Intersections.h"

namespace {

FreshHome freshHome;

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool loadCase() {
  resetAll();
  setOutputSink(discardOutput);
  if (executeCommandLine("build cy 33333") > 0) return false;
  if (executeCommandLine("select invariant 1") > 0) return false;
  return TotalBoundaries() > 0 && InitIntersection() == 0 && intersectionUsesOrbits() == 1;
}

// Rate of the coefficient reads of `pairs` pairs, `reads` coefficients per boundary each.
double readRate(int first, int last, int reads, bool orbits, long long pairs) {
  double sum = 0.0;
  const auto start = std::chrono::steady_clock::now();
  for (int a = first; a < last; ++a)
    for (int b = 0; b < TotalBoundaries() && pairs > 0; ++b, --pairs)
      for (int m = 0; m < reads; ++m) {
        double r1 = 0, i1 = 0, r2 = 0, i2 = 0;
        if (orbits) {
          getCurrentReflectionCoefficient_orb(m, a, &r1, &i1);
          getCurrentReflectionCoefficient_orb(m, b, &r2, &i2);
        } else {
          getCurrentReflectionCoefficient(m, a, &r1, &i1);
          getCurrentReflectionCoefficient(m, b, &r2, &i2);
        }
        sum += r1 * r2 + i1 * i2;
      }
  benchmark::DoNotOptimize(sum);
  return secondsSince(start);
}

void BM_IntersectionRoutines(benchmark::State& state) {
  if (!loadCase()) {
    state.SkipWithError("the quintic case could not be set up");
    return;
  }
  const int n = TotalBoundaries();
  double orbitRate = 0, orbitLimit = 0, plainRate = 0, plainLimit = 0, classRate = 0;
  long long chiral = 0;
  for (auto _ : state) {
    // Over orbits, all pairs.
    auto start = std::chrono::steady_clock::now();
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) {
        int c = 0;
        ComputeFastIntersection(a, b, &c);
        chiral += c != 0;
      }
    const double pairs = static_cast<double>(n) * n;
    orbitRate = pairs / secondsSince(start);
    orbitLimit = pairs / readRate(0, n, getNumberOfIshiOrbits(), true, static_cast<long long>(n) * n);
    // Over all labels, the pairs of the first 40 boundaries.
    const int rows = n < 40 ? n : 40;
    int warm = 0;
    ComputeIntersectionWithoutOrbits(0, 0, &warm);  // builds this routine's tables
    start = std::chrono::steady_clock::now();
    for (int a = 0; a < rows; ++a)
      for (int b = 0; b < n; ++b) {
        int c = 0;
        ComputeIntersectionWithoutOrbits(a, b, &c);
      }
    const double some = static_cast<double>(rows) * n;
    plainRate = some / secondsSince(start);
    plainLimit = some / readRate(0, rows, TotalIshibashi(), false, static_cast<long long>(rows) * n);
    // Class rows: fill them once, then time the look-up of every pair.
    if (initStandardModelSearch() == nullptr || initBoundaryClasses() != 0) {
      state.SkipWithError("no search set-up");
      return;
    }
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) benchmark::DoNotOptimize(ComputeOverlapForClassMember(a, b));
    start = std::chrono::steady_clock::now();
    long long sum = 0;
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) {
        int c = 0;
        sum += FullIntersectionForClassMember(a, b, &c) + c;
      }
    benchmark::DoNotOptimize(sum);
    classRate = pairs / secondsSince(start);
  }
  state.counters["orbit_pairs_per_second"] = orbitRate;
  state.counters["plain_pairs_per_second"] = plainRate;
  state.counters["class_pairs_per_second"] = classRate;
  std::printf("Quintic, invariant 1, %d boundaries, %d Ishibashi labels in %d orbits; %lld chiral pairs\n", n,
              TotalIshibashi(), getNumberOfIshiOrbits(), chiral);
  std::printf("Pair routine over orbits: %.3g pairs per second (limit: its bare coefficient reads, %.3g)\n",
              orbitRate, orbitLimit);
  std::printf("Pair routine over all labels: %.3g pairs per second (limit: its bare coefficient reads, %.3g)\n",
              plainRate, plainLimit);
  std::printf("Class-row look-up: %.3g pairs per second (limit: the orbit routine it replaces, %.3g)\n",
              classRate, orbitRate);
}
BENCHMARK(BM_IntersectionRoutines)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
