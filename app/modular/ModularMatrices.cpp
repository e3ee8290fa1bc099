// Full S and P tables of the current theory in memory.
//
// A packed symmetric table holds a complex symmetric N x N matrix in N(N+1) doubles: the
// real parts of the upper triangle row by row (element (i, j), i <= j, at
// i(2N - 1 - i)/2 + j), then the imaginary parts at the same offsets in the second half.
// Row 0 therefore starts the block: Re S(0, m) is entry m. The S table is filled once per
// theory; when N exceeds "S_matrix maxsize", when S is not symmetric or after the user
// stopped the filling, the same buffer holds only Re S(m, 0) (first-row mode). The P
// table is preset to "not computed" and filled element by element by compP.
//
// P = T^1/2 S T^2 S T^1/2 is summed over the orbits of the order-two currents of the
// effective centre when the orbit tables exist: a pair whose charges differ under such a
// current gives exactly 0, and every other sum runs over one field per P orbit.
//
// The whole P at once (MOD_computeWholePmatrix) is a dense product instead: with
// X = S diag(T^2), the rows of P are sqrt(T)_a (X S)_ab sqrt(T)_b, (X S)_ab the real
// products [Re X_a, -Im X_a] . [Re S_b, Im S_b] and [Im X_a, Re X_a] . [Re S_b, Im S_b]
// (S symmetric, so row b of S is its column b). The rows asked for are handed out to
// threads in fixed groups of 16; every element is one accumulator summed over m in order,
// so the result does not depend on the number of threads. The same charge rule sets the
// pairs of different charges under an order-two current to exactly 0. The rows go straight
// into the store of P in use: the packed table, or the orbit rows (one row per
// representative, from the orbit's first column), or, with neither, nowhere (a check).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <system_error>
#include <thread>

#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

std::int64_t packedIndex(std::int64_t n, std::int64_t i, std::int64_t j) {
  const std::int64_t a = std::min(i, j);
  const std::int64_t b = std::max(i, j);
  return a * (2 * n - 1 - a) / 2 + b;
}

// Doubles of a packed table of n primaries; 0 when it exceeds the allocation limit.
std::int64_t packedSize(std::int64_t n) {
  std::int64_t total = 0;
  if (__builtin_mul_overflow(n, n + 1, &total)) return 0;
  if (static_cast<std::uint64_t>(total) >= kAllocationRefusedSize / sizeof(double)) return 0;
  return total;
}

// The largest number of primaries whose packed table can be held.
int largestPackedSize() {
  std::int64_t n = 1;
  while (packedSize(n + 1) != 0) n += 1 + n / 64;
  while (n > 1 && packedSize(n) == 0) --n;
  return static_cast<int>(n);
}

// Terms of one P element summed one by one: the P orbits, or all fields.
double pSumLength() {
  const ModularState& s = modularState();
  if (orbitTablesValid() && s.pCenterAvailable == s.OrbitDataAvailable) return s.pOrbitCount;
  return modularPrimaries();
}

// The P orbits of the order-two centre, once per theory.
void buildPOrbits() {
  ModularState& s = modularState();
  if (s.pCenterAvailable == s.OrbitDataAvailable) return;
  int count = 0;
  const int* list = computeOrderTwoCenter(&count);
  s.pCurrents.assign(list, list + count);
  const int n = modularPrimaries();
  int* block = s.POrbits.get(3 * static_cast<std::size_t>(n));
  int* reps = block;
  int* used = block + n;
  int* lengths = block + 2 * static_cast<std::size_t>(n);
  std::fill(used, used + n, -1);
  s.pOrbitCount = 0;
  for (int p = 0; p < n; ++p) {
    if (used[p] != -1) continue;
    reps[s.pOrbitCount] = p;
    lengths[s.pOrbitCount] = 1;
    used[p] = p;
    for (int J : s.pCurrents) {
      const int k = FastSimpleFusion(J, p);
      if (k >= 0 && k < n && used[k] == -1) {
        used[k] = p;
        ++lengths[s.pOrbitCount];
      }
    }
    ++s.pOrbitCount;
  }
  s.pCenterAvailable = s.OrbitDataAvailable;
}

}  // namespace

int conjugateOrSelf(int x) {
  const int c = getConjugate(x);
  return c >= 0 && c < modularPrimaries() ? c : x;
}

// ---------------------------------------------------------------------------------------
// S

const double* initSMATRIX() {
  modularTrace("initSMATRIX");
  ModularState& s = modularState();
  if (s.OrbitDataAvailable != s.CFTCounter) initOrbitData();
  if (s.SMATRIXavailable == s.CFTCounter || s.FirstRowAvailable == s.CFTCounter)
    return s.SMATRIX.data();
  if (s.SMATRIXWasAborted == 1 || S_Symmetric() != 1) return initFirstRow();
  const int n = modularPrimaries();
  const int maxsize = settingSmatrixMaxsize();
  const std::int64_t total = packedSize(n);
  if (n > maxsize || total == 0) {
    s.SMATRIXavailable = -1;
    if (n <= maxsize) {
      Alert("initSMATRIX", 1, 100218,
            "Too many primaries; Internal storage for full matrix S not used.\nThis may result in "
            "slower "
            "execution.\nCurrently the maximum number of primaries is %d",
            largestPackedSize());
    } else if (!orbitTablesValid()) {
      Alert("initSMATRIX", 0, 100218,
            "Too many primaries; Internal storage for full matrix S not used.\nThis may result in "
            "slower "
            "execution.\nCurrently the maximum number of primaries is %d",
            maxsize);
    }
    return initFirstRow();
  }
  double* table = s.SMATRIX.get(static_cast<std::size_t>(total));
  s.smatrixN = n;
  const std::int64_t half = total / 2;
  startProgressInfo("Initiating S", 1, static_cast<double>(half));
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      if (incrementProgressInfo() == 1) {
        s.SMATRIXavailable = -1;
        s.SMATRIXWasAborted = 1;
        stopProgressInfo("Initiating S");
        return initFirstRow();
      }
      const std::int64_t index = packedIndex(n, i, j);
      compS(i, j, &table[index], &table[half + index]);
    }
  }
  s.SMATRIXavailable = s.CFTCounter;
  s.FirstRowAvailable = s.CFTCounter;
  stopProgressInfo("Initiating S");
  if (settingInitDebug()) ProgressPrint("##init: S matrix initialized\n");
  return table;
}

const double* initFirstRow() {
  modularTrace("initFirstRow");
  ModularState& s = modularState();
  if (s.FirstRowAvailable != s.CFTCounter) {
    const int n = modularPrimaries();
    double* row = s.SMATRIX.get(static_cast<std::size_t>(std::max(n, 1)));
    for (int m = 0; m < n; ++m) {
      double im = 0.0;
      compS(m, 0, &row[m], &im);
    }
    s.FirstRowAvailable = s.CFTCounter;
    if (settingInitDebug()) ProgressPrint("##init: First row of S initialized\n");
  }
  return s.SMATRIX.data();
}

void initTSquared() {
  ModularState& s = modularState();
  if (s.TsqInitialized == s.CFTCounter) return;
  const int n = modularPrimaries();
  double* table = s.Tsq.get(2 * static_cast<std::size_t>(std::max(n, 1)));
  for (int m = 0; m < n; ++m) {
    double x = 0.0, y = 0.0;
    compT(m, m, &x, &y);
    table[m] = x * x - y * y;
    table[n + m] = 2.0 * x * y;
  }
  s.TsqInitialized = s.CFTCounter;
}

int getGenericConjugate(int i) {
  const int n = modularPrimaries();
  if (!modularLabelsInRange("getGenericConjugate", i, 0)) return -1;
  ModularState& s = modularState();
  double* row = s.Srow.get(2 * static_cast<std::size_t>(n));
  bool real = true;
  for (int m = 0; m < n; ++m) {
    double re = 0.0, im = 0.0;
    compS(i, m, &re, &im);
    row[m] = re;
    row[n + m] = -im;
    if (!ZeroCheck(im)) real = false;
  }
  if (real) return i;
  for (int k = 0; k < n; ++k) {
    bool match = true;
    for (int m = 0; m < n && match; ++m) {
      double re = 0.0, im = 0.0;
      compS(k, m, &re, &im);
      match = ZeroCheck(re - row[m]) && ZeroCheck(im - row[n + m]);
    }
    if (match) return k;
  }
  Alert("getGenericConjugate", 0, 212404, "No conjugate found");
  return -1;
}

// ---------------------------------------------------------------------------------------
// P

const double* initPMATRIX() {
  ModularState& s = modularState();
  if (s.PMATRIXavailable != s.CFTCounter) {
    const int n = modularPrimaries();
    const std::int64_t total = packedSize(n);
    if (n > settingSmatrixMaxsize() || total == 0) {
      s.PMATRIXavailable = -1;
      return nullptr;
    }
    double* table = s.PMATRIX.get(static_cast<std::size_t>(total));
    std::fill(table, table + total, kModularNotComputed);
    s.pmatrixN = n;
    s.PMATRIXavailable = s.CFTCounter;
    if (settingInitDebug()) ProgressPrint("##init: P matrix pre-initialized\n");
  }
  return s.PMATRIXavailable == s.CFTCounter ? s.PMATRIX.data() : nullptr;
}

void convertPLabels(int a, int b, int* first, int* second) {
  const int ac = conjugateOrSelf(a);
  const int bc = conjugateOrSelf(b);
  const int pairs[4][2] = {{a, b}, {ac, bc}, {b, a}, {bc, ac}};
  int best = 0;
  for (int k = 1; k < 4; ++k) {
    if (pairs[k][0] < pairs[best][0] ||
        (pairs[k][0] == pairs[best][0] && pairs[k][1] < pairs[best][1]))
      best = k;
  }
  *first = pairs[best][0];
  *second = pairs[best][1];
}

void compP(int a, int b, double* re, double* im) {
  if (!modularLabelsInRange("compP", a, b)) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  ModularState& s = modularState();
  initSMATRIX();
  // Without orbit tables (refused or switched off) there are no orbit rows to index.
  if (orbitTablesValid()) initOrbitPmatrix();
  int first = 0, second = 0;
  convertPLabels(a, b, &first, &second);
  const auto compute = [&](double* r, double* i) {
    if (orbitSValid() && s.OrbitPAvailable == s.CFTCounter) {
      compPfromOrbits(first, second, r, i);
    } else {
      computePmatrix(first, second, r, i);
    }
  };
  if (s.PMATRIXavailable != s.CFTCounter || first >= s.pmatrixN || second >= s.pmatrixN) {
    double r = 0.0, m = 0.0;
    compute(&r, &m);
    *re = r;
    *im = m;
    return;
  }
  double* table = s.PMATRIX.data();
  const std::int64_t n = s.pmatrixN;
  const std::int64_t index = packedIndex(n, first, second);
  const std::int64_t half = n * (n + 1) / 2;
  if (!modularComputed(table[index]) && !(wholePmatrixWanted(1.0, pSumLength()) &&
                                          modularComputed(table[index])))
    compute(&table[index], &table[half + index]);
  *re = table[index];
  *im = table[half + index];
}

void computePmatrix(int a, int b, double* re, double* im) {
  // The out-values are written once, with the whole sum: the callers pass entries of the
  // P tables, which a stopped sum (StopRequest) must leave "not computed".
  if (!modularLabelsInRange("computePmatrix", a, b)) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  ModularState& s = modularState();
  initTSquared();
  const int n = modularPrimaries();
  const int* reps = nullptr;
  const int* lengths = nullptr;
  int terms = n;
  if (orbitTablesValid()) {
    buildPOrbits();
    for (int J : s.pCurrents) {
      if (mod(static_cast<long long>(orbitCharge(a, J)) - orbitCharge(b, J), s.nG) != 0) {
        *re = 0.0;
        *im = 0.0;
        return;
      }
    }
    reps = s.POrbits.data();
    lengths = s.POrbits.data() + 2 * static_cast<std::size_t>(n);
    terms = s.pOrbitCount;
  }
  const bool packed = s.SMATRIXavailable == s.CFTCounter;
  const double* table = s.SMATRIX.data();
  const double* tsq = s.Tsq.data();
  const std::int64_t half = s.smatrixN * (s.smatrixN + 1) / 2;
  double sumRe = 0.0, sumIm = 0.0;
  for (int t = 0; t < terms; ++t) {
    // A sum of many terms from the packed S table is polled here; the terms computed
    // through compS are polled there as well.
    pollInterruptRequest();
    const int m = reps != nullptr ? reps[t] : t;
    double samRe, samIm, smbRe, smbIm, t2Re, t2Im;
    if (packed) {
      const std::int64_t am = packedIndex(s.smatrixN, a, m);
      const std::int64_t mb = packedIndex(s.smatrixN, m, b);
      samRe = table[am];
      samIm = table[half + am];
      smbRe = table[mb];
      smbIm = table[half + mb];
      t2Re = tsq[m];
      t2Im = tsq[n + m];
    } else {
      compS(a, m, &samRe, &samIm);
      compS(m, b, &smbRe, &smbIm);
      // T_mm times T_mm, as Tsq holds it (x^2 - y^2 and xy + yx = 2xy exactly).
      t2Re = tsq[m];
      t2Im = tsq[n + m];
    }
    double xRe, xIm, yRe, yIm;
    complexProduct(&xRe, &xIm, samRe, samIm, t2Re, t2Im);
    complexProduct(&yRe, &yIm, xRe, xIm, smbRe, smbIm);
    if (lengths != nullptr) {
      yRe *= lengths[t];
      yIm *= lengths[t];
    }
    sumRe += yRe;
    sumIm += yIm;
  }
  double rootRe, rootIm;
  comprootT(a, a, &rootRe, &rootIm);
  complexProduct(&sumRe, &sumIm, sumRe, sumIm, rootRe, rootIm);
  comprootT(b, b, &rootRe, &rootIm);
  complexProduct(re, im, sumRe, sumIm, rootRe, rootIm);
}

// ---------------------------------------------------------------------------------------
// The whole P by dense products

namespace {

constexpr int kPanel = 4;
// Rows of one piece of work: four panels of rows against every panel of columns.
constexpr int kGroupRows = 4 * kPanel;
// The dense S (and a P that is not kept) take at most this many bytes.
constexpr std::uint64_t kWholePBytes = 300000000;
constexpr int kMostThreads = 256;
// Fewest fields whose P is computed at once without being asked to (wholePmatrixWanted).
constexpr int kSmallestWholeP = 64;
using Vector2 = double __attribute__((vector_size(16)));

// One row of P to compute: P(row, c) for c = first .. n-1 into re[c - first], im[c - first].
struct PRowJob {
  int row;
  int first;
  double* re;
  double* im;
};

// Everything the threads read, built on the calling thread before they start.
struct WholePInput {
  int n = 0;
  bool complex = false;
  int length = 0;  // summation length: 2n for complex S, n for real S
  // S(b, m) in panels of four fields b: panel b/4 holds 8n doubles, Re S(b, m) at
  // 4m + b%4 and Im S(b, m) at 4n + 4m + b%4 (lanes past the last field are 0).
  AccountVector<double> panels{AccountAllocator<double>(&SMatrix_alloc, "WholeP")};
  const double* tsq = nullptr;  // n real parts of T^2, then n imaginary parts
  const double* rootRe = nullptr;
  const double* rootIm = nullptr;
  std::vector<int> chargeClass;  // P(a, b) is 0 unless a and b share their class
  std::vector<PRowJob> jobs;     // by increasing row
  std::size_t stride() const { return 8 * static_cast<std::size_t>(n); }
  const double* panel(int p) const { return panels.data() + static_cast<std::size_t>(p) * stride(); }
  double* panel(int p) { return panels.data() + static_cast<std::size_t>(p) * stride(); }
};

std::size_t panelCount(int n) {
  return static_cast<std::size_t>((n + kPanel - 1) / kPanel);
}

// c[r][l] = sum over t < length of a[4t + r] b[4t + l], each an accumulator of its own
// summed in the order of t.
void pKernel(const double* a, const double* b, int length, double c[kPanel][kPanel]) {
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

class WholePWorker {
 public:
  explicit WholePWorker(const WholePInput& in)
      : in_(in),
        left_(static_cast<std::size_t>(2 * kGroupRows / kPanel) * in.stride()) {}

  // Computes the groups handed out by `next` until they are exhausted or `stop` is set;
  // the watching thread (the caller's) also advances the progress line and obeys the
  // stop signal.
  void run(std::atomic<int>& next, std::atomic<bool>& stop, std::atomic<int>& groupsDone,
           bool watch) {
    const int groups = static_cast<int>((in_.jobs.size() + kGroupRows - 1) / kGroupRows);
    for (;;) {
      if (stop.load(std::memory_order_relaxed)) return;
      if (watch && !reportProgress(groupsDone, stop)) return;
      const int g = next.fetch_add(1);
      if (g >= groups) return;
      group(g);
      groupsDone.fetch_add(1);
    }
  }

  // Advances the progress line to `groupsDone`; false (and `stop` set) when the user stops.
  bool reportProgress(const std::atomic<int>& groupsDone, std::atomic<bool>& stop) {
    const int done = groupsDone.load();
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

  double flops() const { return flops_; }

 private:
  // Left panel p of the group: real-part rows [Re X, -Im X] (p even: 2 x panel) and
  // imaginary-part rows [Im X, Re X] (odd), X = S diag(T^2).
  double* left(int panel, bool imaginary) {
    return left_.data() + static_cast<std::size_t>(2 * panel + (imaginary ? 1 : 0)) * in_.stride();
  }

  void formRows(std::size_t firstJob, int rows) {
    const int n = in_.n;
    std::fill(left_.begin(), left_.end(), 0.0);
    for (int r = 0; r < rows; ++r) {
      const int a = in_.jobs[firstJob + static_cast<std::size_t>(r)].row;
      const double* sRow = in_.panel(a / kPanel) + a % kPanel;
      double* re = left(r / kPanel, false) + r % kPanel;
      double* im = left(r / kPanel, true) + r % kPanel;
      for (int m = 0; m < n; ++m) {
        const double sRe = sRow[4 * m];
        const double sIm = sRow[4 * n + 4 * m];
        const double tRe = in_.tsq[m];
        const double tIm = in_.tsq[n + m];
        const double xRe = sRe * tRe - sIm * tIm;
        const double xIm = sRe * tIm + sIm * tRe;
        re[4 * m] = xRe;
        im[4 * m] = xIm;
        if (in_.complex) {
          re[4 * (n + m)] = -xIm;
          im[4 * (n + m)] = xRe;
        }
      }
    }
  }

  void group(int g) {
    const std::size_t firstJob = static_cast<std::size_t>(g) * kGroupRows;
    const int rows = static_cast<int>(std::min<std::size_t>(kGroupRows, in_.jobs.size() - firstJob));
    formRows(firstJob, rows);
    const int rowPanels = (rows + kPanel - 1) / kPanel;
    int firstColumn = in_.n;
    for (int r = 0; r < rows; ++r)
      firstColumn = std::min(firstColumn, in_.jobs[firstJob + static_cast<std::size_t>(r)].first);
    double real[kPanel][kPanel];
    double imaginary[kPanel][kPanel];
    for (int cp = firstColumn / kPanel; cp < static_cast<int>(panelCount(in_.n)); ++cp) {
      const double* right = in_.panel(cp);
      for (int rp = 0; rp < rowPanels; ++rp) {
        const int lanes = std::min(kPanel, rows - rp * kPanel);
        bool wanted = false;
        for (int r = 0; r < lanes && !wanted; ++r)
          wanted = in_.jobs[firstJob + static_cast<std::size_t>(rp * kPanel + r)].first <
                   (cp + 1) * kPanel;
        if (!wanted) continue;
        pKernel(left(rp, false), right, in_.length, real);
        pKernel(left(rp, true), right, in_.length, imaginary);
        flops_ += 4.0 * in_.length * kPanel * kPanel;
        for (int r = 0; r < lanes; ++r) {
          const PRowJob& job = in_.jobs[firstJob + static_cast<std::size_t>(rp * kPanel + r)];
          const int a = job.row;
          for (int l = 0; l < kPanel; ++l) {
            const int c = cp * kPanel + l;
            if (c < job.first || c >= in_.n) continue;
            double re = 0.0, im = 0.0;
            if (in_.chargeClass[static_cast<std::size_t>(a)] ==
                in_.chargeClass[static_cast<std::size_t>(c)]) {
              complexProduct(&re, &im, real[r][l], imaginary[r][l], in_.rootRe[a], in_.rootIm[a]);
              complexProduct(&re, &im, re, im, in_.rootRe[c], in_.rootIm[c]);
            }
            job.re[c - job.first] = re;
            job.im[c - job.first] = im;
          }
        }
      }
    }
  }

  const WholePInput& in_;
  std::vector<double> left_;
  double flops_ = 0.0;
  int reported_ = 0;
};

// S of the current theory into the panels: from the orbit S base one base row per orbit
// times the charge phases, else element by element (the packed table or the theory).
void fillPanels(WholePInput& in) {
  ModularState& s = modularState();
  const int n = in.n;
  in.panels.assign(panelCount(n) * in.stride(), 0.0);
  in.complex = false;
  const auto put = [&](int x, int m, double re, double im) {
    double* p = in.panel(x / kPanel) + x % kPanel;
    p[4 * m] = re;
    p[4 * n + 4 * m] = im;
    if (im != 0.0) in.complex = true;
  };
  if (orbitSValid() && s.SMATRIXavailable != s.CFTCounter) {
    const int orbits = s.NOrbit;
    const int nG = s.nG;
    std::vector<int> all(static_cast<std::size_t>(orbits));
    for (int o = 0; o < orbits; ++o) all[static_cast<std::size_t>(o)] = o;
    std::vector<std::vector<int>> members(static_cast<std::size_t>(orbits));
    std::vector<const int*> charges(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      members[static_cast<std::size_t>(s.Primaries[static_cast<std::size_t>(i)].orbit)].push_back(i);
      charges[static_cast<std::size_t>(i)] = getChargeVector(i);
    }
    std::vector<double> baseRe(static_cast<std::size_t>(orbits)), baseIm(baseRe.size());
    for (int b = 0; b < orbits; ++b) {
      orbitBaseColumn(b, orbits, all.data(), baseRe.data(), baseIm.data());
      for (int x : members[static_cast<std::size_t>(b)]) {
        const int current = s.Primaries[static_cast<std::size_t>(x)].current;
        const int* own = charges[static_cast<std::size_t>(x)];
        for (int m = 0; m < n; ++m) {
          const PrimaryOrbitEntry& e = s.Primaries[static_cast<std::size_t>(m)];
          double re = baseRe[static_cast<std::size_t>(e.orbit)];
          double im = baseIm[static_cast<std::size_t>(e.orbit)];
          const int k = (charges[static_cast<std::size_t>(e.rep)][current] + own[e.current]) % nG;
          if (k != 0) {
            complexProduct(&re, &im, re, im, s.PhasesR[static_cast<std::size_t>(k)],
                           s.PhasesI[static_cast<std::size_t>(k)]);
          }
          put(x, m, re, im);
        }
      }
    }
  } else {
    for (int x = 0; x < n; ++x) {
      for (int m = x; m < n; ++m) {
        double re = 0.0, im = 0.0;
        compS(x, m, &re, &im);
        put(x, m, re, im);
        put(m, x, re, im);
      }
    }
  }
  in.length = in.complex ? 2 * n : n;
}

// Fields of one class share their charges under every order-two current of the
// effective centre (all fields one class without orbit tables).
void fillChargeClasses(WholePInput& in) {
  ModularState& s = modularState();
  in.chargeClass.assign(static_cast<std::size_t>(in.n), 0);
  if (!orbitTablesValid()) return;
  buildPOrbits();
  if (s.pCurrents.empty()) return;
  std::map<std::vector<int>, int> classes;
  std::vector<int> key(s.pCurrents.size());
  for (int a = 0; a < in.n; ++a) {
    for (std::size_t j = 0; j < s.pCurrents.size(); ++j) key[j] = orbitCharge(a, s.pCurrents[j]);
    const auto found = classes.emplace(key, static_cast<int>(classes.size())).first;
    in.chargeClass[static_cast<std::size_t>(a)] = found->second;
  }
}

int pThreadCount() {
  const int setting = settingFusionThreads();
  if (setting > 0) return std::min(setting, kMostThreads);
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(std::min<unsigned>(hardware, kMostThreads));
}

// Runs the workers over the jobs of `in`; false when the user stopped them.
bool runWholeP(const WholePInput& in, PmatrixReport& report) {
  const int groups = static_cast<int>((in.jobs.size() + kGroupRows - 1) / kGroupRows);
  const int workers = std::max(1, std::min(pThreadCount(), groups));
  std::vector<std::unique_ptr<WholePWorker>> team;
  for (int w = 0; w < workers; ++w) team.push_back(std::make_unique<WholePWorker>(in));
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  std::atomic<int> groupsDone{0};
  int started = 1;
  // Stopped before it starts: no thread takes a group.
  if (getStopSignal() != 0) {
    report.stopped = true;
    return false;
  }
  startProgressInfo("Computing P", 0, static_cast<double>(groups));
  {
    // A stop may leave by an exception (StopRequest): the threads are stopped and joined
    // first.
    struct Threads {
      std::atomic<bool>& stop;
      std::vector<std::thread> list;
      ~Threads() {
        stop.store(true);
        for (std::thread& thread : list)
          if (thread.joinable()) thread.join();
      }
    } threads{stop, {}};
    for (int w = 1; w < workers; ++w) {
      try {
        WholePWorker* worker = team[static_cast<std::size_t>(w)].get();
        threads.list.emplace_back([worker, &next, &stop, &groupsDone] {
          worker->run(next, stop, groupsDone, false);
        });
      } catch (const std::system_error&) {
        // The system gives no more threads: those started share the work.
        break;
      }
    }
    started = static_cast<int>(threads.list.size()) + 1;
    team[0]->run(next, stop, groupsDone, true);
    while (!stop.load() && groupsDone.load() < groups) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      team[0]->reportProgress(groupsDone, stop);
    }
    for (std::thread& thread : threads.list) thread.join();
  }
  stopProgressInfo("Computing P");
  report.threads = started;
  for (const auto& worker : team) report.flops += worker->flops();
  report.stopped = groupsDone.load() < groups;
  return !report.stopped;
}

}  // namespace

namespace {

// The sqrt(T) table of the current theory, built when stale.
const WholePmatrixData& rootTTable() {
  ModularState& s = modularState();
  WholePmatrixData& w = s.wholeP;
  const int n = modularPrimaries();
  if (w.rootTStamp != s.CFTCounter || static_cast<int>(w.rootTRe.size()) != n) {
    w.rootTRe.assign(static_cast<std::size_t>(n), 0.0);
    w.rootTIm.assign(static_cast<std::size_t>(n), 0.0);
    for (int m = 0; m < n; ++m)
      comprootT(m, m, &w.rootTRe[static_cast<std::size_t>(m)], &w.rootTIm[static_cast<std::size_t>(m)]);
    w.rootTStamp = s.CFTCounter;
  }
  return w;
}

}  // namespace

void tableRootT(int i, double* re, double* im) {
  const WholePmatrixData& w = rootTTable();
  const int n = static_cast<int>(w.rootTRe.size());
  if (i < 0 || i >= n) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  *re = w.rootTRe[static_cast<std::size_t>(i)];
  *im = w.rootTIm[static_cast<std::size_t>(i)];
}

int MOD_computeWholePmatrix(PmatrixReport* report) {
  ModularState& s = modularState();
  PmatrixReport summary;
  if (report != nullptr) *report = summary;
  const int n = modularPrimaries();
  if (n < 1 || S_Symmetric() != 1) return 1;
  initSMATRIX();
  if (orbitTablesValid()) initOrbitPmatrix();
  const double* packed = initPMATRIX();
  const bool orbitRows = packed == nullptr && orbitSValid() && s.OrbitPAvailable == s.CFTCounter;
  std::uint64_t bytes = panelCount(n) * 8 * static_cast<std::uint64_t>(n) * sizeof(double);
  if (packed == nullptr && !orbitRows)
    bytes += static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(n + 1) * sizeof(double);
  if (bytes > kWholePBytes) return 1;
  const auto start = std::chrono::steady_clock::now();
  WholePInput in;
  in.n = n;
  fillPanels(in);
  fillChargeClasses(in);
  initTSquared();
  in.tsq = s.Tsq.data();
  in.rootRe = rootTTable().rootTRe.data();
  in.rootIm = rootTTable().rootTIm.data();
  // Where the rows go.
  AccountVector<double> dropped{AccountAllocator<double>(&SMatrix_alloc, "WholeP")};
  double* table = packed != nullptr ? s.PMATRIX.data() : nullptr;
  if (orbitRows) {
    for (int o = 0; o < s.NOrbit; ++o) {
      const int size = s.PMatrixOrbitSizes[static_cast<std::size_t>(o)];
      if (size < 1) continue;
      double* row = orbitPRow(o, false);
      in.jobs.push_back({s.OrbitMap[static_cast<std::size_t>(o)],
                         s.PMatrixOrbitMinima[static_cast<std::size_t>(o)], row, row + size});
    }
  } else {
    if (table == nullptr) {
      dropped.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n + 1), 0.0);
      table = dropped.data();
    }
    const std::int64_t half = static_cast<std::int64_t>(n) * (n + 1) / 2;
    for (int a = 0; a < n; ++a) {
      const std::int64_t index = packedIndex(n, a, a);
      in.jobs.push_back({a, a, table + index, table + half + index});
    }
  }
  const bool finished = runWholeP(in, summary);
  summary.held = packed != nullptr || orbitRows;
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (report != nullptr) *report = summary;
  if (!finished) return 2;
  if (summary.held) s.wholeP.doneStamp = s.CFTCounter;
  return 0;
}

bool wholePmatrixWanted(double elements, double terms) {
  ModularState& s = modularState();
  WholePmatrixData& w = s.wholeP;
  if (w.doneStamp == s.CFTCounter) return true;
  // A small theory's P one element at a time takes milliseconds in all.
  if (w.refusedStamp == s.CFTCounter || modularPrimaries() < kSmallestWholeP) return false;
  if (w.workStamp != s.CFTCounter) {
    w.workStamp = s.CFTCounter;
    w.work = 0.0;
  }
  // In units of one term read from the packed S table (some nanoseconds); one through the
  // orbit S base or the theory costs about sixty. The dense products cost about n^3/16
  // such units (several threads), plus the reading of S.
  w.work += elements * terms * (s.SMATRIXavailable == s.CFTCounter ? 1.0 : 60.0);
  const double n = modularPrimaries();
  if (w.work < n * n * n / 16.0 + 8.0 * n * n || getStopSignal() != 0) return false;
  PmatrixReport report;
  const int status = MOD_computeWholePmatrix(&report);
  if (status == 1 || (status == 0 && !report.held)) w.refusedStamp = s.CFTCounter;
  return status == 0 && report.held;
}
