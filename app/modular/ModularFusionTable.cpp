// The whole fusion table of the current theory as dense matrix products, and blocks of
// its products (i) x (j) where the whole table does not fit its memory bound.
//
// With w_i(m) = S_im / S_0m, the fully symmetric coefficient N_ijk = N_ij^(k*) is
// sum_m w_i(m) S_jm S_km, so for a fixed i the block of all (j, k) is the real part of
// (S diag(w_i)) S^T: a real product of the rows [Re wS_j, -Im wS_j] against the rows
// [Re S_k, Im S_k] (half as long when S is real). With orbit tables the sum runs over
// orbit representatives weighted by their lengths, and only the charge classes allowed by
// the selection rule Q_i + Q_j + Q_k = 0 are multiplied; the others are 0. The fields are
// ordered by charge class ("positions"). The whole table computes only the triples
// p <= q <= r of positions, each once: N_ij^k = N_ji^k = N_(i,k*)^(j*) gives the rest.
// A block holds the products (i) x (j) of one i and a list of j, every r of each: the
// callers of many products (listings, index sum rules, many single coefficients) read
// them there once the whole table is too large to keep.
//
// The product is a blocked kernel of our own: rows packed four at a time (formed 16 at a
// time) against panels of four columns taken two at a time, each coefficient one
// accumulator summed over m in a fixed order, so the result does not depend on the number
// of threads. The kernel's vector width is chosen at run time (SSE2, AVX2, AVX2 with FMA);
// SSE2 and AVX2 give the same bits, FMA rounds each term once instead of twice, far below
// the tolerance that decides an integer. Worker threads take work from a shared counter;
// the calling thread only watches the progress line and the stop signal, so that a stop
// acts within a few milliseconds. S is read into plain arrays before any thread starts:
// the threads touch nothing else of the program.
//
// A coefficient is accepted when it lies within fusionTolerance of an integer, the
// tolerance being relative to a bound on its summed terms: |terms| <= min over the three
// fields of max_m |S_xm / S_0m| (S unitary). Tables and blocks hold 32-bit integers;
// coefficients that are not such an integer (failed, undecided, or wider than 32 bits) are
// kept aside with their values, so that every reader reports them as the single paths do
// and reads wide ones as the 64-bit integers they are.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <immintrin.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>

#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

constexpr int kPanel = 4;
// Row panels formed at once and multiplied against each column panel while it is in cache.
constexpr int kGroupPanels = 4;
constexpr int kGroupRows = kPanel * kGroupPanels;
// Exceptions listed per table; past this the table is not kept (the single paths serve).
constexpr std::size_t kExceptionList = 10000;
// Memory of one block of products (32-bit values), and of the S arrays a block reads.
constexpr std::uint64_t kBlockBytes = 64000000;
constexpr std::uint64_t kBlockInputBytes = 400000000;

using Vector2 = double __attribute__((vector_size(16)));

// S between every field (by position) and every summation index t, packed in panels of
// four positions: entry (panel, t, lane). Lanes past the last field are 0.
struct PackedRows {
  int count = 0;   // fields
  int length = 0;  // summation length (2K for complex S, K for real)
  AccountVector<double> data{AccountAllocator<double>(&SMatrix_alloc, "FusionTableRows")};
  const double* panel(int index) const {
    return data.data() +
           static_cast<std::size_t>(index) * static_cast<std::size_t>(length) * kPanel;
  }
  double* panel(int index) {
    return data.data() +
           static_cast<std::size_t>(index) * static_cast<std::size_t>(length) * kPanel;
  }
};

struct Exception {
  int p, q, r;
  double value, imaginary, tolerance;
};

struct WorkerResult {
  std::vector<Exception> exceptions;
  long long exceptionCount = 0;
  long long failureCount = 0;
  double flops = 0.0;
};

std::int64_t triangle(std::int64_t m) {
  return m * (m + 1) / 2;
}

// Offsets of the layers p of the packed table of p <= q <= r < n.
std::vector<std::int64_t> layerOffsets(int n) {
  std::vector<std::int64_t> offsets(static_cast<std::size_t>(n) + 1, 0);
  for (int p = 0; p < n; ++p)
    offsets[static_cast<std::size_t>(p) + 1] =
        offsets[static_cast<std::size_t>(p)] + triangle(n - p);
  return offsets;
}

std::int64_t packedTriple(const std::vector<std::int64_t>& offsets, int n, int p, int q, int r) {
  const std::int64_t m = n - p;
  const std::int64_t a = q - p;
  const std::int64_t b = r - p;
  return offsets[static_cast<std::size_t>(p)] + a * (2 * m - 1 - a) / 2 + b;
}

// ---------------------------------------------------------------------------------------
// Kernels: c[r][l] (4 x 8) = sum over t of a[t][r] b[t][l], b the two column panels b0 and
// b1 side by side. Every width sums each coefficient over t in the same order.

// The accumulators are named one by one: an array indexed in a loop would live in memory.
void kernelSse2(const double* a, const double* b0, const double* b1, int length,
                double c[kPanel][2 * kPanel]) {
  Vector2 c00 = {0, 0}, c01 = {0, 0}, c02 = {0, 0}, c03 = {0, 0};
  Vector2 c10 = {0, 0}, c11 = {0, 0}, c12 = {0, 0}, c13 = {0, 0};
  Vector2 c20 = {0, 0}, c21 = {0, 0}, c22 = {0, 0}, c23 = {0, 0};
  Vector2 c30 = {0, 0}, c31 = {0, 0}, c32 = {0, 0}, c33 = {0, 0};
  for (int t = 0; t < length; ++t) {
    Vector2 x0, x1, x2, x3;
    std::memcpy(&x0, b0 + 4 * t, sizeof x0);
    std::memcpy(&x1, b0 + 4 * t + 2, sizeof x1);
    std::memcpy(&x2, b1 + 4 * t, sizeof x2);
    std::memcpy(&x3, b1 + 4 * t + 2, sizeof x3);
    const double* at = a + 4 * t;
    const Vector2 a0 = {at[0], at[0]}, a1 = {at[1], at[1]}, a2 = {at[2], at[2]},
                  a3 = {at[3], at[3]};
    c00 += a0 * x0, c01 += a0 * x1, c02 += a0 * x2, c03 += a0 * x3;
    c10 += a1 * x0, c11 += a1 * x1, c12 += a1 * x2, c13 += a1 * x3;
    c20 += a2 * x0, c21 += a2 * x1, c22 += a2 * x2, c23 += a2 * x3;
    c30 += a3 * x0, c31 += a3 * x1, c32 += a3 * x2, c33 += a3 * x3;
  }
  const Vector2* rows[kPanel][4] = {
      {&c00, &c01, &c02, &c03}, {&c10, &c11, &c12, &c13}, {&c20, &c21, &c22, &c23},
      {&c30, &c31, &c32, &c33}};
  for (int r = 0; r < kPanel; ++r)
    for (int v = 0; v < 4; ++v) {
      c[r][2 * v] = (*rows[r][v])[0];
      c[r][2 * v + 1] = (*rows[r][v])[1];
    }
}

// The same products four lanes wide, each still one multiplication and one addition.
__attribute__((target("avx2"))) void kernelAvx2(const double* a, const double* b0,
                                                const double* b1, int length,
                                                double c[kPanel][2 * kPanel]) {
  __m256d c00 = _mm256_setzero_pd(), c01 = c00, c10 = c00, c11 = c00;
  __m256d c20 = c00, c21 = c00, c30 = c00, c31 = c00;
  for (int t = 0; t < length; ++t) {
    const __m256d x0 = _mm256_loadu_pd(b0 + 4 * t);
    const __m256d x1 = _mm256_loadu_pd(b1 + 4 * t);
    const double* at = a + 4 * t;
    const __m256d a0 = _mm256_broadcast_sd(at), a1 = _mm256_broadcast_sd(at + 1);
    const __m256d a2 = _mm256_broadcast_sd(at + 2), a3 = _mm256_broadcast_sd(at + 3);
    c00 = _mm256_add_pd(c00, _mm256_mul_pd(a0, x0));
    c01 = _mm256_add_pd(c01, _mm256_mul_pd(a0, x1));
    c10 = _mm256_add_pd(c10, _mm256_mul_pd(a1, x0));
    c11 = _mm256_add_pd(c11, _mm256_mul_pd(a1, x1));
    c20 = _mm256_add_pd(c20, _mm256_mul_pd(a2, x0));
    c21 = _mm256_add_pd(c21, _mm256_mul_pd(a2, x1));
    c30 = _mm256_add_pd(c30, _mm256_mul_pd(a3, x0));
    c31 = _mm256_add_pd(c31, _mm256_mul_pd(a3, x1));
  }
  _mm256_storeu_pd(&c[0][0], c00), _mm256_storeu_pd(&c[0][4], c01);
  _mm256_storeu_pd(&c[1][0], c10), _mm256_storeu_pd(&c[1][4], c11);
  _mm256_storeu_pd(&c[2][0], c20), _mm256_storeu_pd(&c[2][4], c21);
  _mm256_storeu_pd(&c[3][0], c30), _mm256_storeu_pd(&c[3][4], c31);
}

// Fused multiply-add: each term rounded once.
__attribute__((target("avx2,fma"))) void kernelAvx2Fma(const double* a, const double* b0,
                                                       const double* b1, int length,
                                                       double c[kPanel][2 * kPanel]) {
  __m256d c00 = _mm256_setzero_pd(), c01 = c00, c10 = c00, c11 = c00;
  __m256d c20 = c00, c21 = c00, c30 = c00, c31 = c00;
  for (int t = 0; t < length; ++t) {
    const __m256d x0 = _mm256_loadu_pd(b0 + 4 * t);
    const __m256d x1 = _mm256_loadu_pd(b1 + 4 * t);
    const double* at = a + 4 * t;
    const __m256d a0 = _mm256_broadcast_sd(at), a1 = _mm256_broadcast_sd(at + 1);
    const __m256d a2 = _mm256_broadcast_sd(at + 2), a3 = _mm256_broadcast_sd(at + 3);
    c00 = _mm256_fmadd_pd(a0, x0, c00);
    c01 = _mm256_fmadd_pd(a0, x1, c01);
    c10 = _mm256_fmadd_pd(a1, x0, c10);
    c11 = _mm256_fmadd_pd(a1, x1, c11);
    c20 = _mm256_fmadd_pd(a2, x0, c20);
    c21 = _mm256_fmadd_pd(a2, x1, c21);
    c30 = _mm256_fmadd_pd(a3, x0, c30);
    c31 = _mm256_fmadd_pd(a3, x1, c31);
  }
  _mm256_storeu_pd(&c[0][0], c00), _mm256_storeu_pd(&c[0][4], c01);
  _mm256_storeu_pd(&c[1][0], c10), _mm256_storeu_pd(&c[1][4], c11);
  _mm256_storeu_pd(&c[2][0], c20), _mm256_storeu_pd(&c[2][4], c21);
  _mm256_storeu_pd(&c[3][0], c30), _mm256_storeu_pd(&c[3][4], c31);
}

using Kernel = void (*)(const double*, const double*, const double*, int,
                        double[kPanel][2 * kPanel]);

FusionKernel bestKernel() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
    return FusionKernel::Avx2Fma;
  if (__builtin_cpu_supports("avx2")) return FusionKernel::Avx2;
  return FusionKernel::Sse2;
}

Kernel kernelFor(FusionKernel kernel) {
  switch (kernel) {
    case FusionKernel::Avx2Fma:
      return kernelAvx2Fma;
    case FusionKernel::Avx2:
      return kernelAvx2;
    default:
      return kernelSse2;
  }
}

// ---------------------------------------------------------------------------------------
// Input

}  // namespace

// Everything the threads read: built once on the calling thread.
struct FusionTableInput {
  int n = 0;
  int terms = 0;                // K: orbit representatives (or all fields)
  bool complex = false;         // S has an imaginary part
  std::vector<int> order;       // position -> label
  std::vector<int> positionOf;  // label -> position
  std::vector<int> classOf;     // position -> charge class
  std::vector<int> classStart;  // class -> first position (one past the end at the end)
  std::vector<int> partner;     // classes (a, b) -> the class c with a + b + c = 0, or -1
  int classes = 1;
  // S(field at position p, t): p * K + t.
  AccountVector<double> re{AccountAllocator<double>(&SMatrix_alloc, "FusionTableS")};
  AccountVector<double> im{AccountAllocator<double>(&SMatrix_alloc, "FusionTableS")};
  std::vector<double> weightRe, weightIm;  // length_t / S(r_t, 0), as a complex number
  std::vector<double> bound;               // per position: max_t |S_pt / S_0t|
  std::vector<char> decidable;             // per position: its bound keeps tolerances < 1/4
  PackedRows realRows;                     // [Re S | Im S]
  PackedRows swappedRows;                  // [Im S | Re S] (imaginary parts, checks only)
  int length() const { return complex ? 2 * terms : terms; }
  int partnerOf(int a, int b) const {
    return partner[static_cast<std::size_t>(a) * static_cast<std::size_t>(classes) +
                   static_cast<std::size_t>(b)];
  }
};

namespace {

using TableInput = FusionTableInput;

// Values of the stored table, `width` bytes each.
inline int readValue(const unsigned char* base, int width, std::int64_t index) {
  switch (width) {
    case 1:
      return static_cast<signed char>(base[index]);
    case 2: {
      std::int16_t v;
      std::memcpy(&v, base + 2 * index, sizeof v);
      return v;
    }
    default: {
      std::int32_t v;
      std::memcpy(&v, base + 4 * index, sizeof v);
      return v;
    }
  }
}

inline void writeValue(unsigned char* base, int width, std::int64_t index, int value) {
  switch (width) {
    case 1:
      base[index] = static_cast<unsigned char>(static_cast<signed char>(value));
      break;
    case 2: {
      const std::int16_t v = static_cast<std::int16_t>(value);
      std::memcpy(base + 2 * index, &v, sizeof v);
      break;
    }
    default: {
      const std::int32_t v = value;
      std::memcpy(base + 4 * index, &v, sizeof v);
    }
  }
}

inline int widthLimit(int width) {
  return width == 1 ? 127 : width == 2 ? 32767 : INT32_MAX;
}

// The width of the stored table: the narrowest that every coefficient fits by the bound
// |N_ijk| <= max_p bound_p, or a narrower one where only that fits in `bytes` (the few
// coefficients past it are then kept aside); 0 when not even one byte a coefficient fits.
int tableWidth(std::int64_t total, double largestBound, std::uint64_t bytes) {
  int width = largestBound < 127.0 ? 1 : largestBound < 32767.0 ? 2 : 4;
  while (width > 1 && static_cast<std::uint64_t>(total) * static_cast<std::uint64_t>(width) > bytes)
    width /= 2;
  return static_cast<std::uint64_t>(total) * static_cast<std::uint64_t>(width) > bytes ? 0 : width;
}

void packRows(PackedRows& rows, const TableInput& in, bool swapped) {
  const int n = in.n;
  const int k = in.terms;
  rows.count = n;
  rows.length = in.length();
  // One spare panel of zeros: the kernels take column panels two at a time.
  const int panels = (n + kPanel - 1) / kPanel + 1;
  rows.data.assign(
      static_cast<std::size_t>(panels) * static_cast<std::size_t>(rows.length) * kPanel, 0.0);
  for (int p = 0; p < n; ++p) {
    double* panel = rows.panel(p / kPanel);
    const int lane = p % kPanel;
    const double* re = in.re.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
    const double* im = in.im.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
    for (int t = 0; t < k; ++t) {
      panel[static_cast<std::size_t>(t) * kPanel + lane] = swapped ? im[t] : re[t];
      if (in.complex)
        panel[static_cast<std::size_t>(k + t) * kPanel + lane] = swapped ? re[t] : im[t];
    }
  }
}

// Scratch of one thread: up to kGroupPanels row panels (and their imaginary forms).
struct Scratch {
  std::vector<double> rows, swapped, weight;
  explicit Scratch(int length)
      : rows(static_cast<std::size_t>(length) * kGroupRows),
        swapped(static_cast<std::size_t>(length) * kGroupRows),
        weight(2 * static_cast<std::size_t>(length)) {}
};

// Packs the rows of A = S diag(w_p) for the positions q[0 .. count-1] (count <= 16):
// [Re, -Im] (or [Re, Im] for the imaginary parts) in panel order, lanes past count 0.
void formRows(const TableInput& in, int p, const int* q, int count, double* out,
              bool forImaginary, double* weight) {
  const int k = in.terms;
  const int length = in.length();
  const int panels = (count + kPanel - 1) / kPanel;
  std::fill(out, out + static_cast<std::size_t>(panels) * static_cast<std::size_t>(length) * kPanel,
            0.0);
  const double* sRe = in.re.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
  const double* sIm = in.im.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
  // w = S_pt * (length_t / S_0t), once for all rows.
  double* wRes = weight;
  double* wIms = weight + k;
  for (int t = 0; t < k; ++t) {
    wRes[t] = sRe[t] * in.weightRe[static_cast<std::size_t>(t)] -
              sIm[t] * in.weightIm[static_cast<std::size_t>(t)];
    wIms[t] = sRe[t] * in.weightIm[static_cast<std::size_t>(t)] +
              sIm[t] * in.weightRe[static_cast<std::size_t>(t)];
  }
  for (int row = 0; row < count; ++row) {
    double* panel = out + static_cast<std::size_t>(row / kPanel) *
                              static_cast<std::size_t>(length) * kPanel;
    const std::size_t lane = static_cast<std::size_t>(row % kPanel);
    const double* qRe =
        in.re.data() + static_cast<std::size_t>(q[row]) * static_cast<std::size_t>(k);
    const double* qIm =
        in.im.data() + static_cast<std::size_t>(q[row]) * static_cast<std::size_t>(k);
    for (int t = 0; t < k; ++t) {
      // w times S_qt.
      const double wRe = wRes[t];
      const double wIm = wIms[t];
      const double xRe = wRe * qRe[t] - wIm * qIm[t];
      const double xIm = wRe * qIm[t] + wIm * qRe[t];
      panel[static_cast<std::size_t>(t) * kPanel + lane] = xRe;
      if (in.complex)
        panel[static_cast<std::size_t>(k + t) * kPanel + lane] = forImaginary ? xIm : -xIm;
    }
  }
}

// The coefficients (p, q[row], r) for rows of one class against the columns
// columnFirst <= r < columnEnd; emit(row, r, real, imaginary) receives each (the
// imaginary part 0 unless `imaginary`). Returns the floating-point operations.
template <class Emit>
double multiplyGroup(const TableInput& in, Kernel kernel, int p, const int* q, int count,
                     int columnFirst, int columnEnd, bool imaginary, Scratch& scratch,
                     Emit&& emit) {
  if (count <= 0 || columnFirst >= columnEnd) return 0.0;
  const int length = in.length();
  const bool withImaginary = imaginary && in.complex;
  formRows(in, p, q, count, scratch.rows.data(), false, scratch.weight.data());
  if (withImaginary) formRows(in, p, q, count, scratch.swapped.data(), true, scratch.weight.data());
  const int panels = (count + kPanel - 1) / kPanel;
  const std::size_t panelSize = static_cast<std::size_t>(length) * kPanel;
  double real[kPanel][2 * kPanel];
  double imag[kPanel][2 * kPanel] = {};
  double flops = 0.0;
  for (int k0 = columnFirst - columnFirst % kPanel; k0 < columnEnd; k0 += 2 * kPanel) {
    const double* b0 = in.realRows.panel(k0 / kPanel);
    const double* b1 = in.realRows.panel(k0 / kPanel + 1);
    const double* s0 = withImaginary ? in.swappedRows.panel(k0 / kPanel) : nullptr;
    const double* s1 = withImaginary ? in.swappedRows.panel(k0 / kPanel + 1) : nullptr;
    for (int g = 0; g < panels; ++g) {
      kernel(scratch.rows.data() + static_cast<std::size_t>(g) * panelSize, b0, b1, length, real);
      flops += 2.0 * length * kPanel * 2 * kPanel;
      if (withImaginary) {
        kernel(scratch.swapped.data() + static_cast<std::size_t>(g) * panelSize, s0, s1, length,
               imag);
        flops += 2.0 * length * kPanel * 2 * kPanel;
      }
      const int rowsHere = std::min(kPanel, count - g * kPanel);
      const int columnLow = std::max(0, columnFirst - k0);
      const int columnHigh = std::min(2 * kPanel, columnEnd - k0);
      for (int lane = 0; lane < rowsHere; ++lane)
        for (int column = columnLow; column < columnHigh; ++column)
          emit(g * kPanel + lane, k0 + column, real[lane][column], imag[lane][column]);
    }
  }
  return flops;
}

// The verdict on one coefficient: stored as a 32-bit integer, or kept aside.
struct Verdict {
  bool stored = false;  // a real 32-bit integer: `value` is it
  bool failed = false;  // not a real integer (or undecided)
  int value = 0;
  double tolerance = 0.0;
};

// The common case without judging: within 1e-7 (the least tolerance) of a 32-bit integer,
// the imaginary part as small, and terms whose bound keeps the tolerance under 1/4 (the
// position's flag `decidable`, which bounds the minimum over the three fields).
inline bool plainInteger(double x, double y, bool decidable, double limit, int* value) {
  const double rounded = std::nearbyint(x);
  if (!decidable || !(std::fabs(x - rounded) <= kTolerance) || !(std::fabs(y) <= kTolerance) ||
      !(std::fabs(rounded) <= limit))
    return false;
  *value = static_cast<int>(rounded);
  return true;
}

Verdict judge(const TableInput& in, int p, int q, int r, double x, double y, bool check,
              int limit = INT32_MAX) {
  Verdict v;
  v.tolerance = fusionTolerance(std::min({in.bound[static_cast<std::size_t>(p)],
                                          in.bound[static_cast<std::size_t>(q)],
                                          in.bound[static_cast<std::size_t>(r)]}));
  FusionCoefficient nearest = 0;
  const bool integral = classifyFusionSum(x, v.tolerance, &nearest) == FusionSumKind::Integer;
  const bool imaginaryZero = !check || std::fabs(y) <= v.tolerance;
  v.failed = !integral || !imaginaryZero;
  if (integral && imaginaryZero && nearest >= -limit && nearest <= limit) {
    v.stored = true;
    v.value = static_cast<int>(nearest);
  }
  return v;
}

void keepAside(WorkerResult& result, const Verdict& v, int p, int q, int r, double x, double y) {
  ++result.exceptionCount;
  if (v.failed) ++result.failureCount;
  if (result.exceptions.size() < kExceptionList)
    result.exceptions.push_back({p, q, r, x, y, v.tolerance});
}

// A team of worker threads running `work(result)` on the shared counters while the
// calling thread watches the stop signal and advances the progress line by `done`.
// Returns false when stopped. A stop that leaves by an exception (StopRequest) stops and
// joins the team first.
template <class Work>
bool runTeam(int workers, std::atomic<bool>& stop, std::atomic<long long>& done,
             std::vector<WorkerResult>& results, int* started, Work&& work) {
  // Declared before the team: its destructor joins threads that still use them.
  std::atomic<int> running{0};
  std::mutex finishing;
  std::condition_variable finished;
  struct Team {
    std::atomic<bool>& stop;
    std::vector<std::thread> threads;
    ~Team() {
      stop.store(true);
      for (std::thread& thread : threads)
        if (thread.joinable()) thread.join();
    }
  } team{stop, {}};
  results.assign(static_cast<std::size_t>(workers), WorkerResult{});
  for (int w = 0; w < workers; ++w) {
    try {
      running.fetch_add(1);
      team.threads.emplace_back([&, w] {
        work(results[static_cast<std::size_t>(w)]);
        std::lock_guard<std::mutex> lock(finishing);
        running.fetch_sub(1);
        finished.notify_one();
      });
    } catch (const std::system_error&) {
      // The system gives no more threads: those started share the work.
      running.fetch_sub(1);
      break;
    }
  }
  if (team.threads.empty()) {
    // Not even one thread: the calling thread does the work itself.
    running.fetch_add(1);
    work(results[0]);
    running.fetch_sub(1);
  }
  *started = std::max(1, static_cast<int>(team.threads.size()));
  long long reported = 0;
  for (;;) {
    // Ctrl-C abandons the command at once (StopRequest), as in every polling loop.
    obeyInterruptRequest();
    const bool allEnded = running.load() == 0;
    const long long now = done.load();
    if (now > reported) {
      if (advanceProgressInfo(now - reported) != 0) stop.store(true);
      reported = now;
    }
    // A Ctrl-C that came after the line above is left for it (the next round).
    if (stopSignalSet() != 0) stop.store(true);
    if (allEnded || stop.load()) break;
    // Woken at once when the last worker ends, else every 10 ms for the stop signal.
    std::unique_lock<std::mutex> lock(finishing);
    finished.wait_for(lock, std::chrono::milliseconds(10), [&] { return running.load() == 0; });
  }
  for (std::thread& thread : team.threads) thread.join();
  return !stop.load();
}

// S of the current theory in the arrays of TableInput; false after an alert (a zero in
// the vacuum row).
bool readInput(TableInput& in) {
  ModularState& s = modularState();
  const int n = modularPrimaries();
  in.n = n;
  const bool orbits = orbitTablesValid();
  in.terms = orbits ? s.NOrbit : n;
  const int k = in.terms;
  // Charge classes and positions.
  in.classes = 1;
  std::vector<int> classOfLabel(static_cast<std::size_t>(n), 0);
  if (orbits) {
    in.classes = std::max(1, s.AllCharges.Nfill);
    for (int i = 0; i < n; ++i)
      classOfLabel[static_cast<std::size_t>(i)] =
          s.Primaries[static_cast<std::size_t>(i)].chargeIndex;
  }
  in.order.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) in.order[static_cast<std::size_t>(i)] = i;
  std::stable_sort(in.order.begin(), in.order.end(), [&](int a, int b) {
    return classOfLabel[static_cast<std::size_t>(a)] < classOfLabel[static_cast<std::size_t>(b)];
  });
  in.positionOf.assign(static_cast<std::size_t>(n), 0);
  for (int p = 0; p < n; ++p)
    in.positionOf[static_cast<std::size_t>(in.order[static_cast<std::size_t>(p)])] = p;
  in.classOf.resize(static_cast<std::size_t>(n));
  in.classStart.assign(static_cast<std::size_t>(in.classes) + 1, n);
  for (int p = n - 1; p >= 0; --p) {
    const int c = classOfLabel[static_cast<std::size_t>(in.order[static_cast<std::size_t>(p)])];
    in.classOf[static_cast<std::size_t>(p)] = c;
    in.classStart[static_cast<std::size_t>(c)] = p;
  }
  for (int c = in.classes - 1; c >= 0; --c) {
    if (in.classStart[static_cast<std::size_t>(c)] == n)
      in.classStart[static_cast<std::size_t>(c)] = in.classStart[static_cast<std::size_t>(c) + 1];
  }
  in.partner.assign(static_cast<std::size_t>(in.classes) * static_cast<std::size_t>(in.classes),
                    orbits ? -1 : 0);
  if (orbits) {
    const int nG = s.nG;
    std::vector<int> sum(static_cast<std::size_t>(nG));
    for (int a = 0; a < in.classes; ++a) {
      for (int b = 0; b < in.classes; ++b) {
        const int* qa = s.AllCharges.Space + static_cast<std::size_t>(a) *
                                                 static_cast<std::size_t>(s.AllCharges.rowsize);
        const int* qb = s.AllCharges.Space + static_cast<std::size_t>(b) *
                                                 static_cast<std::size_t>(s.AllCharges.rowsize);
        for (int c = 0; c < nG; ++c)
          sum[static_cast<std::size_t>(c)] = mod(-static_cast<long long>(qa[c]) - qb[c], nG);
        const int found = findVectorInCollection(&s.AllCharges, sum.data());
        in.partner[static_cast<std::size_t>(a) * static_cast<std::size_t>(in.classes) +
                   static_cast<std::size_t>(b)] = found;
      }
    }
  }
  // S against the summation indices, the weights and the vacuum row.
  in.re.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(k), 0.0);
  in.im.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(k), 0.0);
  in.complex = false;
  for (int p = 0; p < n; ++p) {
    const int label = in.order[static_cast<std::size_t>(p)];
    for (int t = 0; t < k; ++t) {
      double re = 0.0, im = 0.0;
      if (orbits) {
        S_aux1(t, label, &re, &im);
      } else {
        compS(t, label, &re, &im);
      }
      in.re[static_cast<std::size_t>(p) * static_cast<std::size_t>(k) +
            static_cast<std::size_t>(t)] = re;
      in.im[static_cast<std::size_t>(p) * static_cast<std::size_t>(k) +
            static_cast<std::size_t>(t)] = im;
      if (im != 0.0) in.complex = true;
    }
  }
  in.weightRe.assign(static_cast<std::size_t>(k), 0.0);
  in.weightIm.assign(static_cast<std::size_t>(k), 0.0);
  // The vacuum row is the row of label 0, read above.
  const std::size_t vacuumAt = static_cast<std::size_t>(in.positionOf[0]) *
                               static_cast<std::size_t>(k);
  const double* vacuumRe = in.re.data() + vacuumAt;
  const double* vacuumIm = in.im.data() + vacuumAt;
  std::vector<double> vacuumModulus(static_cast<std::size_t>(k));
  double rowMax = 0.0;
  for (int t = 0; t < k; ++t) {
    vacuumModulus[static_cast<std::size_t>(t)] = std::hypot(vacuumRe[t], vacuumIm[t]);
    rowMax = std::max(rowMax, vacuumModulus[static_cast<std::size_t>(t)]);
  }
  for (int t = 0; t < k; ++t) {
    const double re = vacuumRe[t];
    const double im = vacuumIm[t];
    if (denominatorIsZero(re, im, rowMax)) {
      Alert("fusionTable", 0, 100201, "Zero S element S(%d,%d) in the denominator row", 0,
            orbits ? s.OrbitMap[static_cast<std::size_t>(t)] : t);
      return false;
    }
    const double length =
        orbits
            ? s.Primaries[static_cast<std::size_t>(s.OrbitMap[static_cast<std::size_t>(t)])].length
            : 1.0;
    const double norm = re * re + im * im;
    in.weightRe[static_cast<std::size_t>(t)] = length * re / norm;
    in.weightIm[static_cast<std::size_t>(t)] = -length * im / norm;
  }
  in.bound.assign(static_cast<std::size_t>(n), 0.0);
  for (int p = 0; p < n; ++p) {
    double largest = 0.0;
    for (int t = 0; t < k; ++t) {
      const std::size_t at =
          static_cast<std::size_t>(p) * static_cast<std::size_t>(k) + static_cast<std::size_t>(t);
      largest = std::max(largest, std::hypot(in.re[at], in.im[at]) /
                                      vacuumModulus[static_cast<std::size_t>(t)]);
    }
    in.bound[static_cast<std::size_t>(p)] = largest;
  }
  in.decidable.assign(static_cast<std::size_t>(n), 0);
  for (int p = 0; p < n; ++p)
    in.decidable[static_cast<std::size_t>(p)] =
        fusionTolerance(in.bound[static_cast<std::size_t>(p)]) < 0.25 ? 1 : 0;
  return true;
}

constexpr int kMostThreads = 256;

int threadCount() {
  const int setting = settingFusionThreads();
  if (setting > 0) return std::min(setting, kMostThreads);
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}

Kernel currentKernel() {
  return kernelFor(fusionKernelInUse());
}

// Exceptions in the order of their labels, each with its labels sorted.
std::vector<FusionTableFailure> labelledExceptions(const TableInput& in,
                                                   const std::vector<WorkerResult>& results) {
  std::vector<FusionTableFailure> list;
  for (const WorkerResult& r : results) {
    for (const Exception& e : r.exceptions) {
      int labels[3] = {in.order[static_cast<std::size_t>(e.p)],
                       in.order[static_cast<std::size_t>(e.q)],
                       in.order[static_cast<std::size_t>(e.r)]};
      std::sort(labels, labels + 3);
      list.push_back({labels[0], labels[1], labels[2], e.value, e.imaginary, e.tolerance});
    }
  }
  std::sort(list.begin(), list.end(),
            [](const FusionTableFailure& a, const FusionTableFailure& b) {
              return std::tie(a.i, a.j, a.k) < std::tie(b.i, b.j, b.k);
            });
  return list;
}

const FusionTableFailure* findException(const std::vector<FusionTableFailure>& list, int i, int j,
                                        int k) {
  if (list.empty()) return nullptr;
  int labels[3] = {i, j, k};
  std::sort(labels, labels + 3);
  const FusionTableFailure key{labels[0], labels[1], labels[2], 0.0, 0.0, 0.0};
  auto found = std::lower_bound(list.begin(), list.end(), key,
                                [](const FusionTableFailure& a, const FusionTableFailure& b) {
                                  return std::tie(a.i, a.j, a.k) < std::tie(b.i, b.j, b.k);
                                });
  if (found == list.end() || found->i != labels[0] || found->j != labels[1] ||
      found->k != labels[2])
    return nullptr;
  return &*found;
}

// ---------------------------------------------------------------------------------------
// Blocks of products

bool blockInputFits(int n, int terms) {
  // re, im and the packed rows: about four doubles per (field, term).
  return static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(std::max(terms, 1)) * 32 <=
         kBlockInputBytes;
}

// The S arrays of the current theory for blocks, read once per theory; nullptr after an
// alert or when they are too large.
const TableInput* blockInput() {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (table.input && table.inputStamp == s.CFTCounter) return table.input.get();
  table.input.reset();
  if (table.blocksRefused == s.CFTCounter) return nullptr;
  const int n = modularPrimaries();
  const int terms = orbitTablesValid() ? s.NOrbit : n;
  if (n < 1 || !blockInputFits(n, terms)) {
    table.blocksRefused = s.CFTCounter;
    return nullptr;
  }
  auto in = std::make_shared<TableInput>();
  if (!readInput(*in)) {
    table.blocksRefused = s.CFTCounter;
    return nullptr;
  }
  packRows(in->realRows, *in, false);
  table.input = in;
  table.inputStamp = s.CFTCounter;
  return table.input.get();
}

// Computes the products (i) x (j) for the labels js into `block` (rows in the order of
// js); false when stopped.
bool computeBlock(const TableInput& in, int i, const std::vector<int>& js, FusionRowBlock& block,
                  const char* progressName) {
  const int n = in.n;
  const int p = in.positionOf[static_cast<std::size_t>(i)];
  const int ci = in.classOf[static_cast<std::size_t>(p)];
  const bool decidable = in.decidable[static_cast<std::size_t>(p)] != 0;
  block.label = -1;
  block.rowOf.assign(static_cast<std::size_t>(n), -1);
  block.exceptions.clear();
  block.values.assign(js.size() * static_cast<std::size_t>(n), 0);
  // Rows grouped by class, up to 16 of one class a group.
  std::vector<std::vector<int>> byClass(static_cast<std::size_t>(in.classes));
  for (std::size_t row = 0; row < js.size(); ++row) {
    const int q = in.positionOf[static_cast<std::size_t>(js[row])];
    byClass[static_cast<std::size_t>(in.classOf[static_cast<std::size_t>(q)])].push_back(
        static_cast<int>(row));
  }
  struct Group {
    int rows[kGroupRows];
    int count;
  };
  std::vector<Group> groups;
  for (const std::vector<int>& rows : byClass) {
    for (std::size_t at = 0; at < rows.size(); at += kGroupRows) {
      Group g{};
      g.count = static_cast<int>(std::min<std::size_t>(kGroupRows, rows.size() - at));
      for (int x = 0; x < g.count; ++x) g.rows[x] = rows[at + static_cast<std::size_t>(x)];
      groups.push_back(g);
    }
  }
  const Kernel kernel = currentKernel();
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  std::atomic<long long> done{0};
  std::vector<WorkerResult> results;
  int started = 1;
  const int workers = std::max(1, std::min(threadCount(), static_cast<int>(groups.size())));
  const bool shown = progressName != nullptr;
  if (shown) startProgressInfoElapsed(progressName, 0, static_cast<double>(groups.size()));
  const bool finished = runTeam(workers, stop, done, results, &started, [&](WorkerResult& result) {
    Scratch scratch(in.length());
    int q[kGroupRows];
    for (;;) {
      if (stop.load(std::memory_order_relaxed)) return;
      const int g = next.fetch_add(1);
      if (g >= static_cast<int>(groups.size())) return;
      const Group& group = groups[static_cast<std::size_t>(g)];
      for (int x = 0; x < group.count; ++x)
        q[x] = in.positionOf[static_cast<std::size_t>(js[static_cast<std::size_t>(group.rows[x])])];
      const int cj = in.classOf[static_cast<std::size_t>(q[0])];
      const int ck = in.partnerOf(ci, cj);
      if (ck >= 0) {
        result.flops += multiplyGroup(
            in, kernel, p, q, group.count, in.classStart[static_cast<std::size_t>(ck)],
            in.classStart[static_cast<std::size_t>(ck) + 1], false, scratch,
            [&](int x, int r, double re, double) {
              const std::size_t row = static_cast<std::size_t>(group.rows[x]);
              int value = 0;
              if (plainInteger(re, 0.0, decidable, 2147483647.0, &value)) {
                block.values[row * static_cast<std::size_t>(n) + static_cast<std::size_t>(r)] =
                    value;
                return;
              }
              const Verdict v = judge(in, p, q[x], r, re, 0.0, false);
              if (v.stored) {
                block.values[row * static_cast<std::size_t>(n) + static_cast<std::size_t>(r)] =
                    v.value;
              } else {
                ++result.exceptionCount;
                result.exceptions.push_back({p, q[x], r, re, 0.0, v.tolerance});
              }
            });
      }
      done.fetch_add(1);
    }
  });
  if (shown) stopProgressInfo(progressName);
  if (!finished) return false;
  for (std::size_t row = 0; row < js.size(); ++row)
    block.rowOf[static_cast<std::size_t>(js[row])] = static_cast<int>(row);
  block.exceptions = labelledExceptions(in, results);
  block.label = i;
  return true;
}

// Conjugates of the current theory from the products of the vacuum: N_(0, j, r) = 1
// exactly for r = j*. False when stopped or refused.
bool blockConjugates(const TableInput& in) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (table.conjugateStamp == s.CFTCounter) return true;
  const int n = in.n;
  const std::size_t rowsPerBlock = std::max<std::size_t>(
      1, static_cast<std::size_t>(kBlockBytes / (sizeof(int) * static_cast<std::size_t>(n))));
  std::vector<int> conjugate(static_cast<std::size_t>(n), -1);
  FusionRowBlock vacuum;
  for (std::size_t first = 0; first < static_cast<std::size_t>(n); first += rowsPerBlock) {
    std::vector<int> js;
    for (std::size_t j = first; j < std::min<std::size_t>(n, first + rowsPerBlock); ++j)
      js.push_back(static_cast<int>(j));
    if (!computeBlock(in, 0, js, vacuum, nullptr)) return false;
    for (std::size_t row = 0; row < js.size(); ++row) {
      for (int r = 0; r < n; ++r) {
        if (vacuum.values[row * static_cast<std::size_t>(n) + static_cast<std::size_t>(r)] == 1) {
          conjugate[static_cast<std::size_t>(js[row])] = in.order[static_cast<std::size_t>(r)];
          break;
        }
      }
    }
  }
  table.conjugate = std::move(conjugate);
  table.conjugateStamp = s.CFTCounter;
  return true;
}

}  // namespace

bool denominatorIsZero(double re, double im, double rowMax) {
  const double modulus = std::hypot(re, im);
  // Zero relative to the row (the row of a vacuum or a current has no true zeros, however
  // small its entries are); NaN counts as zero.
  return !(modulus > rowMax * 1e-300) || !std::isfinite(modulus);
}

double fusionTolerance(double magnitude) {
  return std::max(kTolerance, kFusionRelativeError * magnitude);
}

FusionSumKind classifyFusionSum(double x, double tolerance, FusionCoefficient* nearest) {
  *nearest = kFusionUndecided;
  // Past 2^52 neighbouring doubles are 1 or more apart: no sum there decides an integer.
  if (!std::isfinite(x) || std::fabs(x) >= 0x1p52 || !(tolerance < 0.25))
    return FusionSumKind::PrecisionExhausted;
  const double rounded = std::nearbyint(x);
  *nearest = static_cast<FusionCoefficient>(rounded);
  return std::fabs(x - rounded) <= tolerance ? FusionSumKind::Integer : FusionSumKind::NotInteger;
}

std::int64_t MOD_fusionTableSize(int n) {
  if (n < 1) return 0;
  const std::int64_t m = n;
  return m * (m + 1) * (m + 2) / 6;
}

int MOD_computeFusionTable(bool store, bool check, FusionTableReport* report) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  initSMATRIX();
  const int n = modularPrimaries();
  if (report != nullptr) *report = FusionTableReport{};
  if (n < 1) return 1;
  if (store && table.stamp == s.CFTCounter && !check) return 0;
  const std::int64_t total = MOD_fusionTableSize(n);
  if (store && tableWidth(total, 0.0, table.tableBytes) == 0) store = false;
  // S against every summation index, N x K doubles for each part, then rows packed of up
  // to 2K doubles a field (a complex S): sized before anything is read.
  const long double terms = orbitTablesValid() ? modularState().NOrbit : n;
  if (!requireAllocationSize("MOD_computeFusionTable", "The S rows of the fusion coefficients",
                             static_cast<long double>(n) * terms, sizeof(double))) {
    if (report != nullptr) report->refused = true;
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  TableInput in;
  if (!readInput(in)) {
    table.refused = s.CFTCounter;
    return 1;
  }
  if (!requireAllocationSize("MOD_computeFusionTable",
                             "The packed S rows of the fusion coefficients",
                             (n + 4.0L) * in.length(), sizeof(double))) {
    if (report != nullptr) report->refused = true;
    return 1;
  }
  const int width =
      store ? tableWidth(total, *std::max_element(in.bound.begin(), in.bound.end()), table.tableBytes)
            : 4;
  const int limit = widthLimit(width);
  const double limitValue = limit;
  packRows(in.realRows, in, false);
  if (check && in.complex) packRows(in.swappedRows, in, true);
  const std::vector<std::int64_t> offsets = layerOffsets(n);
  std::vector<unsigned char, AccountAllocator<unsigned char>> values{
      AccountAllocator<unsigned char>(&SMatrix_alloc, "FusionTable")};
  if (store) values.assign(static_cast<std::size_t>(total) * static_cast<std::size_t>(width), 0);
  unsigned char* stored = store ? values.data() : nullptr;
  const Kernel kernel = currentKernel();
  const int workers = std::max(1, std::min(threadCount(), n));
  std::vector<WorkerResult> results;
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  std::atomic<long long> triplesDone{0};
  int started = 1;
  const char* progressName = check ? "Checking fusion coefficients" : "Computing the fusion table";
  // Progress counts triples p <= q <= r and reads elapsed time (the work is threaded). The
  // check ("check fusion") asks before a long run, as the other checks of S do; the table
  // that other commands wait for does not.
  startProgressInfoElapsed(progressName, check ? 1 : 0, static_cast<double>(total));
  const auto productStart = std::chrono::steady_clock::now();
  const bool finished =
      runTeam(workers, stop, triplesDone, results, &started, [&](WorkerResult& result) {
        Scratch scratch(in.length());
        int q[kGroupRows];
        for (;;) {
          if (stop.load(std::memory_order_relaxed)) return;
          const int p = next.fetch_add(1);
          if (p >= n) return;
          long long counted = 0;
          const int ci = in.classOf[static_cast<std::size_t>(p)];
          const bool decidable = in.decidable[static_cast<std::size_t>(p)] != 0;
          for (int cj = ci; cj < in.classes; ++cj) {
            const int ck = in.partnerOf(ci, cj);
            if (ck < cj) continue;
            const int jFirst = std::max(p, in.classStart[static_cast<std::size_t>(cj)]);
            const int jEnd = in.classStart[static_cast<std::size_t>(cj) + 1];
            const int kEnd = in.classStart[static_cast<std::size_t>(ck) + 1];
            for (int j0 = jFirst; j0 < jEnd; j0 += kGroupRows) {
              if (stop.load(std::memory_order_relaxed)) return;
              const int rows = std::min(kGroupRows, jEnd - j0);
              for (int x = 0; x < rows; ++x) q[x] = j0 + x;
              const int kFirst =
                  ck == cj ? j0 : std::max(p, in.classStart[static_cast<std::size_t>(ck)]);
              // (p, q, r) lies at rowBase[x] + r of the packed table.
              std::int64_t rowBase[kGroupRows];
              for (int x = 0; x < rows; ++x) rowBase[x] = packedTriple(offsets, n, p, q[x], p) - p;
              result.flops += multiplyGroup(
                  in, kernel, p, q, rows, kFirst, kEnd, check, scratch,
                  [&](int x, int r, double re, double im) {
                    if (r < q[x]) return;
                    int value = 0;
                    if (plainInteger(re, check ? im : 0.0, decidable, limitValue, &value)) {
                      if (stored != nullptr) writeValue(stored, width, rowBase[x] + r, value);
                      return;
                    }
                    const Verdict v = judge(in, p, q[x], r, re, im, check, limit);
                    if (stored != nullptr)
                      writeValue(stored, width, rowBase[x] + r, v.stored ? v.value : 0);
                    if (!v.stored || v.failed) keepAside(result, v, p, q[x], r, re, im);
                  });
              long long triples = 0;
              for (int x = 0; x < rows; ++x) triples += n - q[x];
              counted += triples;
              triplesDone.fetch_add(triples);
            }
          }
          // The pairs (q, r) of classes that the selection rule excludes count as done.
          triplesDone.fetch_add(triangle(n - p) - counted);
        }
      });
  const auto productEnd = std::chrono::steady_clock::now();
  stopProgressInfo(progressName);
  FusionTableReport summary;
  summary.productSeconds = std::chrono::duration<double>(productEnd - productStart).count();
  for (const WorkerResult& r : results) {
    summary.failures += r.failureCount;
    summary.exceptions += r.exceptionCount;
    summary.flops += r.flops;
  }
  summary.threads = started;
  summary.stopped = !finished;
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (summary.stopped) {
    if (report != nullptr) *report = summary;
    return 1;
  }
  table.failures = labelledExceptions(in, results);
  summary.failureList = table.failures.size();
  // Exceptions past the list would read as 0 without a warning: then the single paths
  // serve.
  if (store && static_cast<long long>(summary.failureList) == summary.exceptions) {
    table.n = n;
    table.position = in.positionOf;
    table.offsets = offsets;
    table.classes = in.classes;
    table.partner = in.partner;
    table.classOf.assign(static_cast<std::size_t>(n), 0);
    for (int p = 0; p < n; ++p)
      table.classOf[static_cast<std::size_t>(in.order[static_cast<std::size_t>(p)])] =
          in.classOf[static_cast<std::size_t>(p)];
    table.values = std::move(values);
    table.width = width;
    table.stamp = s.CFTCounter;
    // Conjugates from the table itself: N_(i, i*, 0) = 1.
    table.conjugate.assign(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        if (MOD_fusionTableValue(i, j, 0) == 1) {
          table.conjugate[static_cast<std::size_t>(i)] = j;
          break;
        }
      }
    }
    table.conjugateStamp = s.CFTCounter;
  }
  if (report != nullptr) *report = summary;
  return 0;
}

void MOD_forgetFusionTable() {
  FusionTableData& table = modularState().fusionTable;
  table.stamp = -1;
  table.values.clear();
  table.values.shrink_to_fit();
  table.labelOfConjugateStamp = -1;
  table.blockStamp = -1;
  table.block = FusionRowBlock{};
  table.input.reset();
  table.inputStamp = -1;
}

bool MOD_fusionTableValid() {
  const ModularState& s = modularState();
  return s.fusionTable.stamp == s.CFTCounter;
}

int MOD_fusionTableValue(int i, int j, int k) {
  const FusionTableData& table = modularState().fusionTable;
  // The selection rule answers most triples without touching the table.
  const std::size_t pair = static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(i)]) *
                               static_cast<std::size_t>(table.classes) +
                           static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(j)]);
  if (table.partner[pair] != table.classOf[static_cast<std::size_t>(k)]) return 0;
  int p[3] = {table.position[static_cast<std::size_t>(i)],
              table.position[static_cast<std::size_t>(j)],
              table.position[static_cast<std::size_t>(k)]};
  std::sort(p, p + 3);
  return readValue(table.values.data(), table.width,
                   packedTriple(table.offsets, table.n, p[0], p[1], p[2]));
}

namespace {

// The entries (pk, lo, hi) of the table for pk in [first, end), lo <= hi, each written to
// out at the label whose conjugate sits at pk. The positions run in three stretches:
// pk < lo (one row each), lo <= pk < hi (one row, the step shrinking by one each time)
// and pk >= hi (consecutive in memory).
template <typename Value>
void readProduct(const FusionTableData& table, int lo, int hi, int first, int end,
                 const int* labels, int* out) {
  const unsigned char* base = table.values.data();
  auto at = [base](std::int64_t index) {
    Value v;
    std::memcpy(&v, base + sizeof(Value) * static_cast<std::size_t>(index), sizeof v);
    return static_cast<int>(v);
  };
  const int n = table.n;
  int pk = first;
  for (const int stop = std::min(end, lo); pk < stop; ++pk)
    out[labels[pk]] = at(packedTriple(table.offsets, n, pk, lo, hi));
  if (pk < std::min(end, hi)) {
    // packedTriple(lo, pk, hi) grows by n - 1 - pk from pk to pk + 1.
    std::int64_t index = packedTriple(table.offsets, n, lo, pk, hi);
    for (const int stop = std::min(end, hi); pk < stop; ++pk) {
      out[labels[pk]] = at(index);
      index += n - 1 - pk;
    }
  }
  if (pk < end) {
    const std::int64_t start = packedTriple(table.offsets, n, lo, hi, pk);
    for (int x = pk; x < end; ++x) out[labels[x]] = at(start + (x - pk));
  }
}

void tableProduct(int i, int j, std::vector<int>& out) {
  FusionTableData& table = modularState().fusionTable;
  const int n = table.n;
  out.assign(static_cast<std::size_t>(n), 0);
  // The label k whose conjugate sits at each position, once per table.
  if (table.labelOfConjugateStamp != table.stamp) {
    table.labelOfConjugate.assign(static_cast<std::size_t>(n), 0);
    table.classStart.assign(static_cast<std::size_t>(table.classes) + 1, n);
    for (int k = 0; k < n; ++k) {
      const int c = MOD_fusionTableConjugate(k);
      table.labelOfConjugate[static_cast<std::size_t>(table.position[static_cast<std::size_t>(c)])] =
          k;
    }
    for (int k = n - 1; k >= 0; --k) {
      const std::size_t c = static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(k)]);
      table.classStart[c] =
          std::min(table.classStart[c], table.position[static_cast<std::size_t>(k)]);
    }
    for (int c = table.classes - 1; c >= 0; --c)
      table.classStart[static_cast<std::size_t>(c)] =
          std::min(table.classStart[static_cast<std::size_t>(c)],
                   table.classStart[static_cast<std::size_t>(c) + 1]);
    table.labelOfConjugateStamp = table.stamp;
  }
  const int pi = table.position[static_cast<std::size_t>(i)];
  const int pj = table.position[static_cast<std::size_t>(j)];
  const int lo = std::min(pi, pj), hi = std::max(pi, pj);
  const int wanted =
      table.partner[static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(i)]) *
                        static_cast<std::size_t>(table.classes) +
                    static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(j)])];
  if (wanted < 0) return;
  // The positions of the wanted class are consecutive: (pk, lo, hi) sorted in three runs,
  // the last of them consecutive in memory.
  const int first = table.classStart[static_cast<std::size_t>(wanted)];
  const int end = table.classStart[static_cast<std::size_t>(wanted) + 1];
  const int* labels = table.labelOfConjugate.data();
  switch (table.width) {
    case 1:
      readProduct<std::int8_t>(table, lo, hi, first, end, labels, out.data());
      break;
    case 2:
      readProduct<std::int16_t>(table, lo, hi, first, end, labels, out.data());
      break;
    default:
      readProduct<std::int32_t>(table, lo, hi, first, end, labels, out.data());
      break;
  }
}

bool blockHolds(const FusionTableData& table, int stamp, int i, int j) {
  return table.blockStamp == stamp && table.block.label == i &&
         static_cast<std::size_t>(j) < table.block.rowOf.size() &&
         table.block.rowOf[static_cast<std::size_t>(j)] >= 0;
}

// Blocks serve a theory whose whole table does not fit its bound.
bool blocksAllowed(int n) {
  return tableWidth(MOD_fusionTableSize(n), 0.0, modularState().fusionTable.tableBytes) == 0;
}

}  // namespace

void fusionTableProduct(int i, int j, std::vector<int>& out) {
  tableProduct(i, j, out);
}

const FusionTableFailure* fusionTableFailure(int i, int j, int k) {
  return findException(modularState().fusionTable.failures, i, j, k);
}

bool fusionTableWanted(double coefficients) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (table.stamp == s.CFTCounter) return true;
  if (table.refused == s.CFTCounter) return false;
  if (table.workStamp != s.CFTCounter) {
    table.workStamp = s.CFTCounter;
    table.work = 0.0;
    table.streakLabel = -1;
    table.streak = 0.0;
    table.blocksBuilt = 0;
  }
  table.work += coefficients;
  const int n = modularPrimaries();
  const std::int64_t total = MOD_fusionTableSize(n);
  if (tableWidth(total, 0.0, table.tableBytes) == 0) return false;
  // The table costs about as much as N^3 / (6 classes) coefficients taken one by one,
  // divided by the speed of the dense product over the single path (some hundreds).
  const double classes = orbitTablesValid() ? std::max(1, s.AllCharges.Nfill) : 1;
  const double threshold = std::max(4.0 * n, static_cast<double>(n) * n * n / (1200.0 * classes));
  if (table.work < threshold || getStopSignal() != 0) return false;
  FusionTableReport report;
  if (MOD_computeFusionTable(true, false, &report) != 0) {
    if (!report.stopped) table.refused = s.CFTCounter;
    return false;
  }
  // Too many coefficients kept aside to keep the table: blocks serve instead.
  if (!MOD_fusionTableValid()) table.refused = s.CFTCounter;
  return MOD_fusionTableValid();
}

bool fusionProductsServed(int i, int j, double coefficients) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (fusionTableWanted(coefficients)) return true;
  const int n = modularPrimaries();
  if (n < 1 || (!blocksAllowed(n) && table.refused != s.CFTCounter)) return false;
  // Coefficients asked in a row with the same first label: a block of that label's
  // products pays once a few products' worth were asked (one, once blocks were built).
  if (table.streakLabel != i) {
    table.streakLabel = i;
    table.streak = 0.0;
  }
  table.streak += coefficients;
  if (blockHolds(table, s.CFTCounter, i, j)) return true;
  const double threshold = table.blocksBuilt > 0 ? static_cast<double>(n) : 4.0 * n;
  if (table.streak < threshold || getStopSignal() != 0) return false;
  const std::size_t rowsPerBlock = std::max<std::size_t>(
      1, static_cast<std::size_t>(kBlockBytes / (sizeof(int) * static_cast<std::size_t>(n))));
  std::vector<int> js;
  for (std::size_t x = static_cast<std::size_t>(j);
       x < std::min<std::size_t>(static_cast<std::size_t>(n), j + rowsPerBlock); ++x)
    js.push_back(static_cast<int>(x));
  return fusionProductsPrepare(i, js, nullptr);
}

bool fusionProductsPrepare(int i, const std::vector<int>& js, const char* progressName) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (MOD_fusionTableValid()) return true;
  const int n = modularPrimaries();
  if (n < 1 || getStopSignal() != 0) return false;
  bool held = true;
  for (int j : js) held = held && blockHolds(table, s.CFTCounter, i, j);
  if (held) return true;
  const TableInput* in = blockInput();
  if (in == nullptr || !blockConjugates(*in)) return false;
  table.blockStamp = -1;
  if (!computeBlock(*in, i, js, table.block, progressName)) return false;
  table.blockStamp = s.CFTCounter;
  ++table.blocksBuilt;
  return true;
}

void fusionProductRow(int i, int j, std::vector<int>& out) {
  FusionTableData& table = modularState().fusionTable;
  if (MOD_fusionTableValid()) {
    tableProduct(i, j, out);
    return;
  }
  const TableInput& in = *table.input;
  const int n = in.n;
  // The position of every conjugate, once per theory.
  if (table.conjugatePosition.size() != static_cast<std::size_t>(n) ||
      table.conjugatePositionStamp != table.conjugateStamp) {
    table.conjugatePosition.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
      table.conjugatePosition[static_cast<std::size_t>(k)] =
          in.positionOf[static_cast<std::size_t>(MOD_fusionTableConjugate(k))];
    table.conjugatePositionStamp = table.conjugateStamp;
  }
  out.resize(static_cast<std::size_t>(n));
  const std::size_t row = static_cast<std::size_t>(table.block.rowOf[static_cast<std::size_t>(j)]);
  const int* values = table.block.values.data() + row * static_cast<std::size_t>(n);
  const int* position = table.conjugatePosition.data();
  for (int k = 0; k < n; ++k) out[static_cast<std::size_t>(k)] = values[position[k]];
}

int fusionProductValue(int i, int j, int k) {
  const FusionTableData& table = modularState().fusionTable;
  if (MOD_fusionTableValid()) return MOD_fusionTableValue(i, j, k);
  const std::size_t row = static_cast<std::size_t>(table.block.rowOf[static_cast<std::size_t>(j)]);
  return table.block.values[row * static_cast<std::size_t>(table.input->n) +
                            static_cast<std::size_t>(
                                table.input->positionOf[static_cast<std::size_t>(k)])];
}

const FusionTableFailure* fusionProductException(int i, int j, int k) {
  const FusionTableData& table = modularState().fusionTable;
  return findException(MOD_fusionTableValid() ? table.failures : table.block.exceptions, i, j, k);
}

bool fusionProductExceptions() {
  const FusionTableData& table = modularState().fusionTable;
  return MOD_fusionTableValid() ? !table.failures.empty() : !table.block.exceptions.empty();
}

void setFusionTableBytes(std::uint64_t bytes) {
  modularState().fusionTable.tableBytes = bytes;
}

void setFusionKernel(FusionKernel kernel) {
  modularState().fusionTable.kernel = kernel;
}

FusionKernel fusionKernelInUse() {
  FusionKernel& kernel = modularState().fusionTable.kernel;
  if (kernel == FusionKernel::Automatic) kernel = bestKernel();
  return kernel;
}

const char* fusionKernelName(FusionKernel kernel) {
  switch (kernel) {
    case FusionKernel::Sse2:
      return "SSE2";
    case FusionKernel::Avx2:
      return "AVX2";
    case FusionKernel::Avx2Fma:
      return "AVX2+FMA";
    default:
      return "automatic";
  }
}

bool fusionKernelSupported(FusionKernel kernel) {
  __builtin_cpu_init();
  switch (kernel) {
    case FusionKernel::Avx2:
      return __builtin_cpu_supports("avx2");
    case FusionKernel::Avx2Fma:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    default:
      return true;
  }
}

int MOD_fusionTableConjugate(int k) {
  const FusionTableData& table = modularState().fusionTable;
  const int c = table.conjugate[static_cast<std::size_t>(k)];
  return c < 0 ? k : c;
}
