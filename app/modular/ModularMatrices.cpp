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
#include <algorithm>

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

int conjugateOrSelf(int x) {
  const int c = getConjugate(x);
  return c >= 0 && c < modularPrimaries() ? c : x;
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
  *re = 0.0;
  *im = 0.0;
  if (!modularLabelsInRange("compP", a, b)) return;
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
    compute(re, im);
    return;
  }
  double* table = s.PMATRIX.data();
  const std::int64_t n = s.pmatrixN;
  const std::int64_t index = packedIndex(n, first, second);
  const std::int64_t half = n * (n + 1) / 2;
  if (!modularComputed(table[index])) compute(&table[index], &table[half + index]);
  *re = table[index];
  *im = table[half + index];
}

void computePmatrix(int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (!modularLabelsInRange("computePmatrix", a, b)) return;
  ModularState& s = modularState();
  initTSquared();
  const int n = modularPrimaries();
  const int* reps = nullptr;
  const int* lengths = nullptr;
  int terms = n;
  if (orbitTablesValid()) {
    buildPOrbits();
    for (int J : s.pCurrents) {
      if (mod(static_cast<long long>(orbitCharge(a, J)) - orbitCharge(b, J), s.nG) != 0) return;
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
      double tRe, tIm;
      compT(m, m, &tRe, &tIm);
      complexProduct(&t2Re, &t2Im, tRe, tIm, tRe, tIm);
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
