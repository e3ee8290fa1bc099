// Time of the enumeration of all simple-current invariants of the tensor product of six
// A1 level 2 factors (centre Z2^6: 2825 subgroups, 151470 candidate X matrices), with
// "Reject permutations" off and on (the 720 exchanges of the identical factors). Each case
// prints the number of MIPFs generated and the seconds of one enumeration, beside the
// reference measured in the same run: the same enumeration of the three-factor product
// (centre Z2^3).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "BenchSupport.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"

namespace {

FreshHome freshHome;

bool buildProduct(int factors) {
  resetAll();
  setOutputSink(discardOutput);
  if (executeCommandLine("tensor") != 0) return false;
  for (int k = 0; k < factors; ++k) {
    if (executeCommandLine("g a 1 2") > 0) return false;
  }
  return executeCommandLine("compute spectrum") <= 0;
}

// One enumeration over the whole centre: the number of MIPFs and the seconds taken.
int enumerate(double* seconds) {
  setMIPFSelection(nullptr);
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  const auto start = std::chrono::steady_clock::now();
  const int count = ComputeAllSimpleCurrentInvariants(centre, map);
  const auto stop = std::chrono::steady_clock::now();
  *seconds = std::chrono::duration<double>(stop - start).count();
  return count;
}

void enumerationOf(benchmark::State& state, int reject) {
  double referenceSeconds = 0.0;
  if (!buildProduct(3)) {
    state.SkipWithError("three-factor product could not be built");
    return;
  }
  setIntPar("Reject permutations", reject);
  const int referenceCount = enumerate(&referenceSeconds);
  if (!buildProduct(6)) {
    state.SkipWithError("six-factor product could not be built");
    return;
  }
  setIntPar("Reject permutations", reject);
  double total = 0.0;
  int count = 0;
  for (auto _ : state) {
    double seconds = 0.0;
    count = enumerate(&seconds);
    benchmark::DoNotOptimize(count);
    total += seconds;
  }
  state.counters["MIPFs_generated"] = count;
  state.counters["seconds"] = total / static_cast<double>(state.iterations());
  state.counters["reference_MIPFs_3_factors"] = referenceCount;
  state.counters["reference_seconds_3_factors"] = referenceSeconds;
  setOutputSink(nullptr);
}

BENCHMARK_CAPTURE(enumerationOf, six_A1_2_permutations_kept, 0)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(enumerationOf, six_A1_2_permutations_rejected, 1)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
