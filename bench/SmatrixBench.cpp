// Cost of S-matrix elements and full S matrices by the determinant formulas (A_r, D_r,
// E6, E7, E8 at levels with 100 to 5,000 primaries), against the plain alternating sum
// over the whole Weyl group where that group can be listed; the cost per element through
// the path of the "s" command (the store's orbit S and phases, filled into the modular
// table) for A2, A4, A7, D5 and E6 beside the cost of one bare determinant of the same
// size measured in the same run (and the 0.3 microsecond limit of A2 and A4); one S row of
// A7 at level 10 (19,448 fields) beside its limit of 30 ms; one S row of E8 at level 40
// (109,410 fields) beside its limit of 2 s and the same row element by element.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "lie/SmatrixInternal.h"
#include "lie/WeylGroup.h"
#include "modular/Modular.h"
#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

struct Fields {
  int n = 0;
  int length = 0;
  std::vector<int> labels;
  const int* label(int i) const { return labels.data() + static_cast<std::size_t>(i) * length; }
};

Fields primaries(int type, int rank, int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumResult spectrum = spectrum_(type, rank, level, &WorkSpaceSize);
  setOutputSink(nullptr);
  Fields f;
  f.n = spectrum.n;
  f.length = spectrum.labelLength;
  f.labels.assign(spectrum.labels.begin(), spectrum.labels.end());
  return f;
}

// One element per iteration, walking through a fixed sequence of pairs.
void elementCost(benchmark::State& state, int type, int rank, int level) {
  const Fields f = primaries(type, rank, level);
  long long step = 0;
  for (auto _ : state) {
    const int a = static_cast<int>((step * 7919) % f.n);
    const int b = static_cast<int>((step * 104729 + 13) % f.n);
    double re = 0.0, im = 0.0;
    SDirect(type, rank, level, f.label(a), f.label(b), &re, &im);
    benchmark::DoNotOptimize(re);
    benchmark::DoNotOptimize(im);
    ++step;
  }
  state.counters["primaries"] = f.n;
}

// The whole n x n matrix per iteration.
void matrixCost(benchmark::State& state, int type, int rank, int level) {
  const Fields f = primaries(type, rank, level);
  for (auto _ : state) {
    double sum = 0.0;
    for (int a = 0; a < f.n; ++a) {
      for (int b = 0; b < f.n; ++b) {
        double re = 0.0, im = 0.0;
        SDirect(type, rank, level, f.label(a), f.label(b), &re, &im);
        sum += re;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["primaries"] = f.n;
  state.counters["elements"] = static_cast<double>(f.n) * f.n;
}

// The plain sum over W of det(w) exp(-2 pi i (w(lambda+rho), mu+rho)/(k+h)), one element
// per iteration.
void weylSumCost(benchmark::State& state, int type, int rank, int level) {
  const Fields f = primaries(type, rank, level);
  setOutputSink(&discardOutput);
  const WeylGroupCollection* group = initWeylGroup(type, rank);
  setOutputSink(nullptr);
  if (group == nullptr) {
    state.SkipWithError("Weyl group too large");
    return;
  }
  std::vector<int> parity(group->count(), 0);
  for (int k = 1; k < group->count(); ++k) parity[k] = 1 - parity[group->parent(k)];
  const int norm = InverseCartan(type, rank);
  const LieData& lie = Zoq_lieData();
  std::vector<double> metric(lie.ICM.begin(), lie.ICM.begin() + static_cast<std::size_t>(rank) * rank);
  for (double& m : metric) m /= norm;
  const double kh = level + dualCoxeter(type, rank);
  std::vector<int> shifted(rank);
  std::vector<double> mu(rank), metricMu(rank);
  long long step = 0;
  for (auto _ : state) {
    const int a = static_cast<int>((step * 7919) % f.n);
    const int b = static_cast<int>((step * 104729 + 13) % f.n);
    for (int i = 0; i < rank; ++i) shifted[i] = f.label(a)[i] + 1, mu[i] = f.label(b)[i] + 1;
    for (int i = 0; i < rank; ++i) {
      metricMu[i] = 0.0;
      for (int j = 0; j < rank; ++j) metricMu[i] += metric[i * rank + j] * mu[j];
    }
    const WeylOrbitList* orbit = WeylReflections(type, rank, shifted.data());
    double re = 0.0, im = 0.0;
    for (int k = 0; k < orbit->count; ++k) {
      const int* w = orbit->row(k);
      double product = 0.0;
      for (int i = 0; i < rank; ++i) product += w[i] * metricMu[i];
      const double phase = -2.0 * M_PI * product / kh;
      const double sign = parity[k] ? -1.0 : 1.0;
      re += sign * std::cos(phase);
      im += sign * std::sin(phase);
    }
    benchmark::DoNotOptimize(re);
    benchmark::DoNotOptimize(im);
    ++step;
  }
  state.counters["primaries"] = f.n;
  state.counters["weyl_order"] = group->count();
}

FreshHome freshHome;

// A fresh store record of the algebra as the current theory, with room for its table.
SpectrumData* currentTheory(int type, int rank, int level) {
  resetAll();
  setOutputSink(&discardOutput);
  SpectrumData* sd = SM_getData(type, rank, level);
  setIntPar("S_matrix maxsize", sd->n_primaries);
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  CFTChanged();
  return sd;
}

// Microseconds of one bare determinant of the algebra's size and kind, modulus as at the
// level: the cost an element is measured against.
double determinantMicroseconds(int type, int rank, int level) {
  const int n = type == 1 ? rank + 1 : type == 5 ? (rank == 6 ? 5 : rank == 7 ? 6 : 8) : rank;
  const int modulus = type == 1 ? n * n * (n + level) : 4 * (level + 2 * rank);
  const double* table = getCos(modulus);
  std::vector<int> x(n), y(n);
  for (int i = 0; i < n; ++i) x[i] = 3 * i + 1, y[i] = 5 * i + 2;
  const int repeats = 200000;
  double sink = 0.0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < repeats; ++r) {
    y[0] = r % modulus;
    double re = 0.0, im = 0.0;
    if (type == 1) {
      smatrix_internal::phaseDeterminant(x.data(), y.data(), n, modulus, table, &re, &im);
    } else {
      smatrix_internal::trigDeterminants(x.data(), y.data(), n, modulus, table, &re, &im);
    }
    sink += re + im;
  }
  benchmark::DoNotOptimize(sink);
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / repeats;
}

// The whole S matrix through the "s" path from a cold start, per element.
void sPathCost(benchmark::State& state, int type, int rank, int level, double limitMicroseconds) {
  double perElement = 0.0;
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SpectrumData* sd = currentTheory(type, rank, level);
    n = sd->n_primaries;
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const double* table = initSMATRIX();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(table);
    perElement = 1e6 * seconds / (static_cast<double>(n) * n);
  }
  setOutputSink(nullptr);
  state.counters["primaries"] = n;
  state.counters["us_per_element"] = perElement;
  state.counters["us_limit"] = limitMicroseconds;
  state.counters["us_one_determinant"] = determinantMicroseconds(type, rank, level);
}

// One row S(a, b) for every b: through the store's row (SM_getSRow) from a cold record, and
// by SDirect alone element by element.
void rowCost(benchmark::State& state, int type, int rank, int level, double limitMilliseconds) {
  double storeMs = 0.0, directMs = 0.0;
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SpectrumData* sd = currentTheory(type, rank, level);
    n = sd->n_primaries;
    const int a = n / 3;
    std::vector<int> columns(static_cast<std::size_t>(n));
    for (int b = 0; b < n; ++b) columns[static_cast<std::size_t>(b)] = b;
    std::vector<double> rowRe(columns.size()), rowIm(columns.size());
    state.ResumeTiming();
    double sum = 0.0;
    auto start = std::chrono::steady_clock::now();
    SM_getSRow(sd, a, n, columns.data(), rowRe.data(), rowIm.data());
    for (int b = 0; b < n; ++b) sum += rowRe[static_cast<std::size_t>(b)];
    storeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    start = std::chrono::steady_clock::now();
    for (int b = 0; b < n; ++b) {
      double re = 0.0, im = 0.0;
      SDirect(type, rank, level, SM_getRep(sd, a), SM_getRep(sd, b), &re, &im);
      sum += re;
    }
    directMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(sum);
  }
  setOutputSink(nullptr);
  state.counters["primaries"] = n;
  state.counters["ms_row_store"] = storeMs;
  state.counters["ms_row_direct"] = directMs;
  state.counters["ms_limit"] = limitMilliseconds;
}

// CPU seconds of the calling thread, and of the whole process (every thread): the
// figures stay comparable on a loaded machine.
double cpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One row of an E algebra at a level through SDirectRow (the coset images of a taken once
// for the row, large rows on several threads) beside the same row element by element with
// SDirect on this thread, that time estimated from every stride-th element; the row's
// limit in seconds beside them. The row is timed by the wall clock and by the CPU time of
// all threads, the elements by this thread's CPU time. The largest difference of the
// sampled elements from the row's values, relative to the largest element of the row, is
// reported too.
void exceptionalRowCost(benchmark::State& state, int rank, int level, double limitSeconds) {
  const Fields f = primaries(5, rank, level);
  const int a = f.n / 3;
  std::vector<const int*> columns(static_cast<std::size_t>(f.n));
  for (int b = 0; b < f.n; ++b) columns[static_cast<std::size_t>(b)] = f.label(b);
  std::vector<double> rowRe(columns.size()), rowIm(columns.size());
  double rowSeconds = 0.0, rowCpuSeconds = 0.0, elementMicroseconds = 0.0, worst = 0.0;
  const int stride = f.n > 2000 ? f.n / 2000 : 1;
  for (auto _ : state) {
    const auto wallStart = std::chrono::steady_clock::now();
    double start = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    SDirectRow(5, rank, level, f.label(a), f.n, columns.data(), rowRe.data(), rowIm.data());
    rowCpuSeconds = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start;
    rowSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double scale = 0.0;
    for (std::size_t b = 0; b < rowRe.size(); ++b) scale = std::max(scale, std::hypot(rowRe[b], rowIm[b]));
    int sampled = 0;
    start = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int b = 0; b < f.n; b += stride, ++sampled) {
      double re = 0.0, im = 0.0;
      SDirect(5, rank, level, f.label(a), f.label(b), &re, &im);
      const std::size_t at = static_cast<std::size_t>(b);
      worst = std::max(worst, std::hypot(re - rowRe[at], im - rowIm[at]) / scale);
    }
    elementMicroseconds = 1e6 * (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start) / sampled;
  }
  state.counters["primaries"] = f.n;
  state.counters["s_row_wall"] = rowSeconds;
  state.counters["s_row_cpu"] = rowCpuSeconds;
  state.counters["s_row_limit"] = limitSeconds;
  state.counters["s_row_by_elements_cpu"] = elementMicroseconds * f.n / 1e6;
  state.counters["us_per_element_direct"] = elementMicroseconds;
  state.counters["max_difference_to_row_max"] = worst;
}

}  // namespace

// One row of E8 at level 40 (109,410 fields) in under 2 s; E6 and E7 rows beside their
// element-by-element time (no limit set: 0).
BENCHMARK_CAPTURE(exceptionalRowCost, E8_level40, 8, 40, 2.0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(exceptionalRowCost, E7_level20, 7, 20, 0.0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(exceptionalRowCost, E6_level20, 6, 20, 0.0)->Unit(benchmark::kMillisecond)->Iterations(1);

// The "s" path: A2 and A4 against 0.3 microseconds an element (SU(3) level 40: 861 fields,
// so the whole matrix in under 0.15 s), the others beside one bare determinant.
BENCHMARK_CAPTURE(sPathCost, A2_level40, 1, 2, 40, 0.3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sPathCost, A4_level12, 1, 4, 12, 0.3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sPathCost, A7_level4, 1, 7, 4, 0.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sPathCost, D5_level6, 4, 5, 6, 0.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(sPathCost, E6_level6, 5, 6, 6, 0.0)->Unit(benchmark::kMillisecond)->Iterations(3);
// One row of A7 at level 10 against 30 ms.
BENCHMARK_CAPTURE(rowCost, A7_level10, 1, 7, 10, 30.0)->Unit(benchmark::kMillisecond)->Iterations(3);

// Elements: A_r, D_r and E_n at levels with about 100 to 5,000 primaries.
BENCHMARK_CAPTURE(elementCost, A3_level7, 1, 3, 7);
BENCHMARK_CAPTURE(elementCost, A3_level27, 1, 3, 27);
BENCHMARK_CAPTURE(elementCost, A4_level12, 1, 4, 12);
BENCHMARK_CAPTURE(elementCost, A6_level8, 1, 6, 8);
BENCHMARK_CAPTURE(elementCost, D4_level6, 4, 4, 6);
BENCHMARK_CAPTURE(elementCost, D5_level12, 4, 5, 12);
BENCHMARK_CAPTURE(elementCost, E6_level6, 5, 6, 6);
BENCHMARK_CAPTURE(elementCost, E6_level12, 5, 6, 12);
BENCHMARK_CAPTURE(elementCost, E7_level8, 5, 7, 8);
BENCHMARK_CAPTURE(elementCost, E7_level15, 5, 7, 15);
BENCHMARK_CAPTURE(elementCost, E8_level12, 5, 8, 12);
BENCHMARK_CAPTURE(elementCost, E8_level22, 5, 8, 22);

// Full matrices at about 100 to 500 primaries.
BENCHMARK_CAPTURE(matrixCost, A3_level7, 1, 3, 7)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matrixCost, A4_level8, 1, 4, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matrixCost, D4_level6, 4, 4, 6)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matrixCost, E6_level6, 5, 6, 6)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(matrixCost, E7_level8, 5, 7, 8)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(matrixCost, E8_level12, 5, 8, 12)->Unit(benchmark::kMillisecond)->Iterations(1);

// The plain Weyl-group sum for comparison (E8's group cannot be listed).
BENCHMARK_CAPTURE(weylSumCost, A3_level7, 1, 3, 7);
BENCHMARK_CAPTURE(weylSumCost, A4_level12, 1, 4, 12);
BENCHMARK_CAPTURE(weylSumCost, A6_level8, 1, 6, 8);
BENCHMARK_CAPTURE(weylSumCost, D4_level6, 4, 4, 6);
BENCHMARK_CAPTURE(weylSumCost, D5_level12, 4, 5, 12);
BENCHMARK_CAPTURE(weylSumCost, E6_level6, 5, 6, 6)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(weylSumCost, E7_level8, 5, 7, 8)->Unit(benchmark::kMillisecond)->Iterations(3);
