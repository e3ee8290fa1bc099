// The whole fusion table of the current theory as dense matrix products.
//
// With w_i(m) = S_im / S_0m, the fully symmetric coefficient N_ijk = N_ij^(k*) is
// sum_m w_i(m) S_jm S_km, so for a fixed i the block of all (j, k) is the real part of
// (S diag(w_i)) S^T: a real product of the rows [Re wS_j, -Im wS_j] against the rows
// [Re S_k, Im S_k] (half as long when S is real). With orbit tables the sum runs over
// orbit representatives weighted by their lengths, and only the charge classes allowed by
// the selection rule Q_i + Q_j + Q_k = 0 are multiplied; the others are 0. The fields are
// ordered by charge class ("positions"), and only the triples p <= q <= r of positions
// are computed, each once: N_ij^k = N_ji^k = N_(i,k*)^(j*) gives the rest.
//
// The product is a blocked kernel of our own: rows packed four at a time against panels
// of four columns, each coefficient one accumulator summed over m in a fixed order, so
// the result does not depend on the number of threads. Threads take the positions i in
// order from a shared counter; the calling thread works as one of them and watches the
// stop signal. S is read into plain arrays before any thread starts: the threads touch
// nothing else of the program.
//
// A coefficient is accepted when it lies within fusionTolerance of an integer, the
// tolerance being relative to a bound on its summed terms: |terms| <= min over the three
// fields of max_m |S_xm / S_0m| (S unitary). The stored table (int per triple) lives in
// the module state until the theory changes; coefficients that failed are kept aside with
// their values, so that every reader reports them as the single paths do.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
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

// Everything the threads read: built once on the calling thread.
struct TableInput {
  int n = 0;
  int terms = 0;                // K: orbit representatives (or all fields)
  bool complex = false;         // S has an imaginary part
  std::vector<int> order;       // position -> label
  std::vector<int> classOf;     // position -> charge class
  std::vector<int> classStart;  // class -> first position (one past the end at the end)
  std::vector<int> partner;     // classes (a, b) -> the class c with a + b + c = 0, or -1
  int classes = 1;
  // S(field at position p, t): p * K + t.
  AccountVector<double> re{AccountAllocator<double>(&SMatrix_alloc, "FusionTableS")};
  AccountVector<double> im{AccountAllocator<double>(&SMatrix_alloc, "FusionTableS")};
  std::vector<double> weightRe, weightIm;  // length_t / S(r_t, 0), as a complex number
  std::vector<double> bound;               // per position: max_t |S_pt / S_0t|
  PackedRows realRows;                     // [Re S | Im S]
  PackedRows swappedRows;                  // [Im S | Re S] (imaginary parts, checks only)
};

struct Failure {
  int p, q, r;
  double value, imaginary, tolerance;
};

struct WorkerResult {
  std::vector<Failure> failures;
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

void packRows(PackedRows& rows, const TableInput& in, bool swapped) {
  const int n = in.n;
  const int k = in.terms;
  rows.count = n;
  rows.length = in.complex ? 2 * k : k;
  const int panels = (n + kPanel - 1) / kPanel;
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

// C(4 x 4) = A panel (length x 4) times B panel (length x 4), transposed: c[r][l] is the
// sum over t of a[t][r] b[t][l].
void microKernel(const double* a, const double* b, int length, double c[kPanel][kPanel]) {
  Vector2 acc00 = {0, 0}, acc01 = {0, 0}, acc10 = {0, 0}, acc11 = {0, 0};
  Vector2 acc20 = {0, 0}, acc21 = {0, 0}, acc30 = {0, 0}, acc31 = {0, 0};
  for (int t = 0; t < length; ++t) {
    Vector2 b0, b1;
    std::memcpy(&b0, b + 4 * t, sizeof b0);
    std::memcpy(&b1, b + 4 * t + 2, sizeof b1);
    const double* at = a + 4 * t;
    const Vector2 a0 = {at[0], at[0]};
    const Vector2 a1 = {at[1], at[1]};
    const Vector2 a2 = {at[2], at[2]};
    const Vector2 a3 = {at[3], at[3]};
    acc00 += a0 * b0;
    acc01 += a0 * b1;
    acc10 += a1 * b0;
    acc11 += a1 * b1;
    acc20 += a2 * b0;
    acc21 += a2 * b1;
    acc30 += a3 * b0;
    acc31 += a3 * b1;
  }
  const Vector2* rows[kPanel][2] = {
      {&acc00, &acc01}, {&acc10, &acc11}, {&acc20, &acc21}, {&acc30, &acc31}};
  for (int r = 0; r < kPanel; ++r) {
    c[r][0] = (*rows[r][0])[0];
    c[r][1] = (*rows[r][0])[1];
    c[r][2] = (*rows[r][1])[0];
    c[r][3] = (*rows[r][1])[1];
  }
}

class TableBuilder {
 public:
  TableBuilder(const TableInput& in, bool check, int* values,
               const std::vector<std::int64_t>& offsets)
      : in_(in), check_(check), values_(values), offsets_(offsets) {}

  // Runs the positions handed out by `next` until they are exhausted or `stop` is set;
  // each finished position p adds its n - p pairs to `pairsDone`. The watching thread
  // (the caller's) also advances the progress line and obeys the stop signal.
  void run(std::atomic<int>& next, std::atomic<bool>& stop, std::atomic<long long>& pairsDone,
           WorkerResult& result, bool watchStop) {
    const int k = in_.terms;
    const int length = in_.complex ? 2 * k : k;
    std::vector<double> rowPanel(static_cast<std::size_t>(length) * kPanel);
    std::vector<double> swappedPanel(static_cast<std::size_t>(length) * kPanel);
    for (;;) {
      if (stop.load(std::memory_order_relaxed)) return;
      if (watchStop && !reportProgress(pairsDone, stop)) return;
      const int p = next.fetch_add(1);
      if (p >= in_.n) return;
      position(p, rowPanel, swappedPanel, result);
      pairsDone.fetch_add(in_.n - p);
    }
  }

  // Advances the progress line to `pairsDone`; false (and `stop` set) when the user stops.
  bool reportProgress(const std::atomic<long long>& pairsDone, std::atomic<bool>& stop) {
    const long long done = pairsDone.load();
    for (; reported_ < done; ++reported_) {
      if (incrementProgressInfo() != 0) {
        stop.store(true);
        return false;
      }
    }
    if (getStopSignal() != 0) {
      stop.store(true);
      return false;
    }
    return true;
  }

 private:
  // The coefficients (p, q, r) with p <= q <= r for one position p.
  void position(int p, std::vector<double>& rowPanel, std::vector<double>& swappedPanel,
                WorkerResult& result) {
    const int ci = in_.classOf[static_cast<std::size_t>(p)];
    for (int cj = ci; cj < in_.classes; ++cj) {
      const int ck =
          in_.partner[static_cast<std::size_t>(ci) * static_cast<std::size_t>(in_.classes) +
                      static_cast<std::size_t>(cj)];
      if (ck < cj) continue;
      const int jFirst = std::max(p, in_.classStart[static_cast<std::size_t>(cj)]);
      const int jEnd = in_.classStart[static_cast<std::size_t>(cj) + 1];
      const int kEnd = in_.classStart[static_cast<std::size_t>(ck) + 1];
      for (int j0 = jFirst; j0 < jEnd; j0 += kPanel) {
        const int rowsHere = std::min(kPanel, jEnd - j0);
        formRows(p, j0, rowsHere, rowPanel, false);
        if (check_ && in_.complex) formRows(p, j0, rowsHere, swappedPanel, true);
        const int kFirst =
            ck == cj ? j0 : std::max(p, in_.classStart[static_cast<std::size_t>(ck)]);
        for (int k0 = kFirst - kFirst % kPanel; k0 < kEnd; k0 += kPanel) {
          block(p, j0, rowsHere, k0, kFirst, kEnd, rowPanel, swappedPanel, result);
        }
      }
    }
  }

  // Packs the rows q = j0 .. j0+rows-1 of A = S diag(w_p): [Re, -Im] (or [Re, Im] for the
  // imaginary parts) in panel order.
  void formRows(int p, int j0, int rows, std::vector<double>& panel, bool forImaginary) const {
    const int k = in_.terms;
    std::fill(panel.begin(), panel.end(), 0.0);
    const double* sRe = in_.re.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
    const double* sIm = in_.im.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(k);
    for (int lane = 0; lane < rows; ++lane) {
      const int q = j0 + lane;
      const double* qRe = in_.re.data() + static_cast<std::size_t>(q) * static_cast<std::size_t>(k);
      const double* qIm = in_.im.data() + static_cast<std::size_t>(q) * static_cast<std::size_t>(k);
      for (int t = 0; t < k; ++t) {
        // w = S_pt * (length_t / S_0t), then times S_qt.
        const double wRe = sRe[t] * in_.weightRe[static_cast<std::size_t>(t)] -
                           sIm[t] * in_.weightIm[static_cast<std::size_t>(t)];
        const double wIm = sRe[t] * in_.weightIm[static_cast<std::size_t>(t)] +
                           sIm[t] * in_.weightRe[static_cast<std::size_t>(t)];
        const double xRe = wRe * qRe[t] - wIm * qIm[t];
        const double xIm = wRe * qIm[t] + wIm * qRe[t];
        panel[static_cast<std::size_t>(t) * kPanel + static_cast<std::size_t>(lane)] = xRe;
        if (in_.complex)
          panel[static_cast<std::size_t>(k + t) * kPanel + static_cast<std::size_t>(lane)] =
              forImaginary ? xIm : -xIm;
      }
    }
  }

  void block(int p, int j0, int rows, int k0, int kFirst, int kEnd,
             const std::vector<double>& rowPanel, const std::vector<double>& swappedPanel,
             WorkerResult& result) {
    const int length = in_.complex ? 2 * in_.terms : in_.terms;
    double real[kPanel][kPanel];
    double imaginary[kPanel][kPanel] = {};
    microKernel(rowPanel.data(), in_.realRows.panel(k0 / kPanel), length, real);
    result.flops += 2.0 * length * kPanel * kPanel;
    if (check_ && in_.complex) {
      microKernel(swappedPanel.data(), in_.swappedRows.panel(k0 / kPanel), length, imaginary);
      result.flops += 2.0 * length * kPanel * kPanel;
    }
    for (int lane = 0; lane < rows; ++lane) {
      const int q = j0 + lane;
      for (int column = 0; column < kPanel; ++column) {
        const int r = k0 + column;
        if (r < kFirst || r >= kEnd || r < q) continue;
        const double x = real[lane][column];
        const double tolerance = fusionTolerance(std::min(
            {in_.bound[static_cast<std::size_t>(p)], in_.bound[static_cast<std::size_t>(q)],
             in_.bound[static_cast<std::size_t>(r)]}));
        const double nearest = std::nearbyint(x);
        const bool integral = std::fabs(x - nearest) <= tolerance && std::fabs(nearest) < 2e9;
        const bool imaginaryZero = !check_ || std::fabs(imaginary[lane][column]) <= tolerance;
        if (values_ != nullptr)
          values_[packedTriple(offsets_, in_.n, p, q, r)] =
              integral ? static_cast<int>(nearest) : 0;
        if (!integral || !imaginaryZero) {
          ++result.failureCount;
          if (result.failures.size() < 10000)
            result.failures.push_back({p, q, r, x, imaginary[lane][column], tolerance});
        }
      }
    }
  }

  const TableInput& in_;
  bool check_;
  int* values_;
  const std::vector<std::int64_t>& offsets_;
  long long reported_ = 0;
};

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
  const std::size_t vacuumAt =
      static_cast<std::size_t>(std::find(in.order.begin(), in.order.end(), 0) - in.order.begin()) *
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
  return true;
}

constexpr int kMostThreads = 256;

int threadCount() {
  const int setting = settingFusionThreads();
  if (setting > 0) return std::min(setting, kMostThreads);
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
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

FusionSumKind classifyFusionSum(double x, double tolerance, int* nearest) {
  *nearest = 0;
  if (!std::isfinite(x) || std::fabs(x) >= 2e9) return FusionSumKind::PrecisionExhausted;
  *nearest = static_cast<int>(std::nearbyint(x));
  if (tolerance >= 0.25) return FusionSumKind::PrecisionExhausted;
  return std::fabs(x - *nearest) <= tolerance ? FusionSumKind::Integer : FusionSumKind::NotInteger;
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
  if (store && static_cast<std::uint64_t>(total) * sizeof(int) > kFusionTableBytes) store = false;
  const auto start = std::chrono::steady_clock::now();
  TableInput in;
  if (!readInput(in)) {
    table.refused = s.CFTCounter;
    return 1;
  }
  packRows(in.realRows, in, false);
  if (check && in.complex) packRows(in.swappedRows, in, true);
  const std::vector<std::int64_t> offsets = layerOffsets(n);
  std::vector<int, AccountAllocator<int>> values{
      AccountAllocator<int>(&SMatrix_alloc, "FusionTable")};
  if (store) values.assign(static_cast<std::size_t>(total), 0);
  TableBuilder builder(in, check, store ? values.data() : nullptr, offsets);
  const int workers = std::max(1, std::min(threadCount(), n));
  std::vector<WorkerResult> results(static_cast<std::size_t>(workers));
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  std::atomic<long long> pairsDone{0};
  bool stopped = false;
  int started = 1;
  const long long pairs = static_cast<long long>(n) * (n + 1) / 2;
  const char* progressName = check ? "Checking fusion coefficients" : "Computing the fusion table";
  // No question before a long table: the processor time that the estimate of the progress
  // line reads grows with every thread, so it overstates the time a table takes.
  startProgressInfo(progressName, 0, static_cast<double>(pairs));
  {
    // A stop may leave by an exception (StopRequest): the team is stopped and joined first.
    struct Team {
      std::atomic<bool>& stop;
      std::vector<std::thread> threads;
      ~Team() {
        stop.store(true);
        for (std::thread& thread : threads)
          if (thread.joinable()) thread.join();
      }
    } team{stop, {}};
    std::vector<std::thread>& threads = team.threads;
    for (int w = 1; w < workers; ++w) {
      try {
        threads.emplace_back([&, w] {
          builder.run(next, stop, pairsDone, results[static_cast<std::size_t>(w)], false);
        });
      } catch (const std::system_error&) {
        // The system gives no more threads: those started share the work.
        break;
      }
    }
    started = static_cast<int>(threads.size()) + 1;
    builder.run(next, stop, pairsDone, results[0], true);
    // The other threads finish the positions they hold; the progress line follows them.
    while (!stop.load() && pairsDone.load() < pairs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      builder.reportProgress(pairsDone, stop);
    }
    for (std::thread& thread : threads) thread.join();
    stopped = stop.load();
  }
  stopProgressInfo(progressName);
  std::vector<Failure> failures;
  FusionTableReport summary;
  for (const WorkerResult& r : results) {
    failures.insert(failures.end(), r.failures.begin(), r.failures.end());
    summary.failures += r.failureCount;
    summary.flops += r.flops;
  }
  summary.threads = started;
  summary.stopped = stopped;
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (summary.stopped) {
    if (report != nullptr) *report = summary;
    return 1;
  }
  // Failures in the order of their labels, each with its labels sorted.
  table.failures.clear();
  for (const Failure& f : failures) {
    int labels[3] = {in.order[static_cast<std::size_t>(f.p)],
                     in.order[static_cast<std::size_t>(f.q)],
                     in.order[static_cast<std::size_t>(f.r)]};
    std::sort(labels, labels + 3);
    table.failures.push_back({labels[0], labels[1], labels[2], f.value, f.imaginary, f.tolerance});
  }
  std::sort(table.failures.begin(), table.failures.end(),
            [](const FusionTableFailure& a, const FusionTableFailure& b) {
              return std::tie(a.i, a.j, a.k) < std::tie(b.i, b.j, b.k);
            });
  summary.failureList = table.failures.size();
  // Failures past the list would read as 0 without a warning: then the single paths serve.
  if (store && static_cast<long long>(summary.failureList) == summary.failures) {
    table.n = n;
    table.position.assign(static_cast<std::size_t>(n), 0);
    for (int p = 0; p < n; ++p)
      table.position[static_cast<std::size_t>(in.order[static_cast<std::size_t>(p)])] = p;
    table.offsets = offsets;
    table.classes = in.classes;
    table.partner = in.partner;
    table.classOf.assign(static_cast<std::size_t>(n), 0);
    for (int p = 0; p < n; ++p)
      table.classOf[static_cast<std::size_t>(in.order[static_cast<std::size_t>(p)])] =
          in.classOf[static_cast<std::size_t>(p)];
    table.values = std::move(values);
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
  }
  if (report != nullptr) *report = summary;
  return 0;
}

void MOD_forgetFusionTable() {
  FusionTableData& table = modularState().fusionTable;
  table.stamp = -1;
  table.values.clear();
  table.values.shrink_to_fit();
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
  return table
      .values[static_cast<std::size_t>(packedTriple(table.offsets, table.n, p[0], p[1], p[2]))];
}

void fusionTableProduct(int i, int j, std::vector<int>& out) {
  const FusionTableData& table = modularState().fusionTable;
  const int n = table.n;
  out.assign(static_cast<std::size_t>(n), 0);
  const int pi = table.position[static_cast<std::size_t>(i)];
  const int pj = table.position[static_cast<std::size_t>(j)];
  const int lo = std::min(pi, pj), hi = std::max(pi, pj);
  const int wanted =
      table.partner[static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(i)]) *
                        static_cast<std::size_t>(table.classes) +
                    static_cast<std::size_t>(table.classOf[static_cast<std::size_t>(j)])];
  for (int k = 0; k < n; ++k) {
    const int c = MOD_fusionTableConjugate(k);
    if (table.classOf[static_cast<std::size_t>(c)] != wanted) continue;
    const int pk = table.position[static_cast<std::size_t>(c)];
    std::int64_t index;
    if (pk >= hi) {
      index = packedTriple(table.offsets, n, lo, hi, pk);
    } else if (pk >= lo) {
      index = packedTriple(table.offsets, n, lo, pk, hi);
    } else {
      index = packedTriple(table.offsets, n, pk, lo, hi);
    }
    out[static_cast<std::size_t>(k)] = table.values[static_cast<std::size_t>(index)];
  }
}

const FusionTableFailure* fusionTableFailure(int i, int j, int k) {
  const FusionTableData& table = modularState().fusionTable;
  if (table.failures.empty()) return nullptr;
  int labels[3] = {i, j, k};
  std::sort(labels, labels + 3);
  const FusionTableFailure key{labels[0], labels[1], labels[2], 0.0, 0.0, 0.0};
  auto found = std::lower_bound(table.failures.begin(), table.failures.end(), key,
                                [](const FusionTableFailure& a, const FusionTableFailure& b) {
                                  return std::tie(a.i, a.j, a.k) < std::tie(b.i, b.j, b.k);
                                });
  if (found == table.failures.end() || found->i != labels[0] || found->j != labels[1] ||
      found->k != labels[2])
    return nullptr;
  return &*found;
}

bool fusionTableWanted(double coefficients) {
  ModularState& s = modularState();
  FusionTableData& table = s.fusionTable;
  if (table.stamp == s.CFTCounter) return true;
  if (table.refused == s.CFTCounter) return false;
  if (table.workStamp != s.CFTCounter) {
    table.workStamp = s.CFTCounter;
    table.work = 0.0;
  }
  table.work += coefficients;
  const int n = modularPrimaries();
  const std::int64_t total = MOD_fusionTableSize(n);
  if (static_cast<std::uint64_t>(total) * sizeof(int) > kFusionTableBytes) return false;
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
  return MOD_fusionTableValid();
}

int MOD_fusionTableConjugate(int k) {
  const FusionTableData& table = modularState().fusionTable;
  const int c = table.conjugate[static_cast<std::size_t>(k)];
  return c < 0 ? k : c;
}
