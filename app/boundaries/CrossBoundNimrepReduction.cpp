// The fusion-rule steps of the NIM-representation search: tighter bounds for off-diagonal
// rows, conjugate candidates, the reduction that writes the fusion matrix of each diagonal
// row as a sum over one boundary set, and the expansion of its solutions into row
// combinations.
//
// Every diagonal candidate d must satisfy, for all primaries a, b,
//   R_d[a] R_d[b] + sum_o x_o R_o[a] R_o*[b] = F_d(a,b) = sum_k N_ab^k R_d[k],
// with x_o the multiplicity of off-diagonal row o among the other L - 1 boundaries.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "interpreter/Loops.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

struct NimrepState {
  NimrepStore store;
  std::vector<int> fusionMatrix;
};

NimrepState& state() {
  static NimrepState s;
  return s;
}

const int* row(int c) {
  const NimrepStore& s = nimrepStore();
  return s.Annuli.data() + static_cast<size_t>(c) * static_cast<size_t>(s.N);
}

int conjugateOf(int c) {
  const NimrepStore& s = nimrepStore();
  if (c < 0 || c >= static_cast<int>(s.NIMrepConjugates.size())) return -1;
  return s.NIMrepConjugates[static_cast<size_t>(c)];
}

// c_o(a,b) = R_o[a] R_o*[b]; 0 for a candidate without conjugate.
long long pairProduct(int o, int a, int b) {
  const int oc = conjugateOf(o);
  if (oc < 0) return 0;
  return static_cast<long long>(row(o)[a]) * row(oc)[b];
}

// Floor division for a positive divisor.
long long floorDiv(long long v, long long c) {
  long long q = v / c;
  if ((v % c != 0) && (v < 0)) --q;
  return q;
}

long long ceilDiv(long long v, long long c) {
  return -floorDiv(-v, c);
}

struct ReductionContext {
  const std::vector<int>* F = nullptr;
  const std::vector<int>* off_diags = nullptr;
  std::vector<int> hi;  // inclusive upper bound per group (group 0: max0)
  int d = 0;
  int max0 = 0;
  int N = 0;
  int L = 0;
};

// base(a,b) = R_d[a] R_d[b] - F_d(a,b).
long long baseTerm(const ReductionContext& ctx, int a, int b) {
  const int* rd = row(ctx.d);
  return static_cast<long long>(rd[a]) * rd[b] -
         (*ctx.F)[static_cast<size_t>(a) * static_cast<size_t>(ctx.N) + static_cast<size_t>(b)];
}

void diagNIMrepSqueezeImpl(int K, int level, const int* x, const int* lo, const int* hi, int* min,
                           int* max, void* vctx) {
  obeyInterruptRequest();
  const ReductionContext& ctx = *static_cast<ReductionContext*>(vctx);
  *min = lo[level];
  *max = hi[level];
  if (level == 0) return;
  long long sLo = 0;
  long long sHi = ctx.max0;
  for (int g = 1; g < K; ++g) {
    if (g < level) {
      sLo += x[g];
      sHi += x[g];
    } else if (g > level) {
      sLo += lo[g];
      sHi += hi[g];
    }
  }
  const long long count = ctx.L - 1;
  if (count - sHi > *min) *min = static_cast<int>(count - sHi);
  if (count - sLo < *max) *max = static_cast<int>(count - sLo);
  if (*min >= *max) return;
  const std::vector<int>& od = *ctx.off_diags;
  for (int a = 0; a < ctx.N; ++a) {
    for (int b = 0; b < ctx.N; ++b) {
      long long Lo = baseTerm(ctx, a, b);
      long long Hi = Lo + static_cast<long long>(ctx.max0) * pairProduct(od[0], a, b);
      for (int g = 1; g < K; ++g) {
        if (g == level) continue;
        const long long c = pairProduct(od[static_cast<size_t>(g)], a, b);
        if (c == 0) continue;
        if (g < level) {
          Lo += x[g] * c;
          Hi += x[g] * c;
        } else {
          Lo += lo[g] * c;
          Hi += hi[g] * c;
        }
      }
      const long long c = pairProduct(od[static_cast<size_t>(level)], a, b);
      if (c == 0) continue;
      const long long newMin = ceilDiv(-Hi, c);
      const long long newMax = floorDiv(-Lo, c);
      if (newMin > *min) *min = static_cast<int>(std::min<long long>(newMin, *max + 1LL));
      if (newMax < *max) *max = static_cast<int>(std::max<long long>(newMax, *min - 1LL));
      if (*min >= *max) return;
    }
  }
}

int checkDiagNIMrepImpl(int K, int* x, void* vctx) {
  obeyInterruptRequest();
  ReductionContext& ctx = *static_cast<ReductionContext*>(vctx);
  NimrepStore& s = nimrepStore();
  long long rest = ctx.L - 1;
  // The loop engine visits its lower corner before consulting any range, so the bounds are
  // checked here as well.
  for (int g = 1; g < K; ++g) {
    if (x[g] < 0 || x[g] > ctx.hi[static_cast<size_t>(g)]) return 0;
    rest -= x[g];
  }
  if (rest < 0 || rest > ctx.max0) return 0;
  x[0] = static_cast<int>(rest);
  const std::vector<int>& od = *ctx.off_diags;
  bool ok = true;
  for (int a = 0; a < ctx.N && ok; ++a)
    for (int b = 0; b < ctx.N && ok; ++b) {
      long long v = baseTerm(ctx, a, b);
      for (int g = 0; g < K; ++g)
        if (x[g] != 0) v += x[g] * pairProduct(od[static_cast<size_t>(g)], a, b);
      if (v != 0) ok = false;
    }
  if (!ok) {
    x[0] = 0;
    return 0;
  }
  if (boundVerbose() > 1) {
    Print("Solution for diagonal boundary i=%d;\n", ctx.d);
    PrintVec(K, od.data(), "    off diagonal entries");
    PrintVec(K, x, "          multiplicities");
  }
  NIMrepInfo& info = *s.records[static_cast<size_t>(ctx.d)];
  info.solutions.emplace_back(x, x + K);
  ++info.solution_count;
  x[0] = 0;
  return 1;
}

struct CombinationContext {
  int d = 0;
  const std::vector<int>* group = nullptr;   // group index of each link
  const std::vector<int>* target = nullptr;  // target multiplicity per group
};

int checkGoodCombinationImpl(int lc, int* x, void* vctx) {
  obeyInterruptRequest();
  const CombinationContext& ctx = *static_cast<CombinationContext*>(vctx);
  NimrepStore& s = nimrepStore();
  const NIMrepInfo& info = *s.records[static_cast<size_t>(ctx.d)];
  std::vector<long long> sums(ctx.target->size(), 0);
  for (int t = 0; t < lc; ++t) sums[static_cast<size_t>((*ctx.group)[static_cast<size_t>(t)])] += x[t];
  for (size_t g = 0; g < sums.size(); ++g)
    if (sums[g] != (*ctx.target)[g]) return 0;
  const size_t L = static_cast<size_t>(s.L);
  std::vector<int> out(2 * L, 0);
  out[0] = ctx.d;
  out[L] = ctx.d;
  size_t pos = 1;
  for (int t = 0; t < lc; ++t)
    for (int k = 0; k < x[t] && pos < L; ++k, ++pos) {
      out[pos] = info.linked_by[static_cast<size_t>(t)];
      out[L + pos] = info.linked_to[static_cast<size_t>(t)];
    }
  if (boundVerbose() > 1) PrintVec(static_cast<int>(2 * L), out.data(), "Added");
  s.SuccessfulBoundaries.push_back(std::move(out));
  return 1;
}

}  // namespace

std::unique_ptr<NIMrepInfo> newNIMrepInfo(int is_diagonal) {
  auto info = std::make_unique<NIMrepInfo>();
  info->is_diagonal = is_diagonal;
  if (is_diagonal) {
    info->linked_to.reserve(20);
    info->linked_by.reserve(20);
    info->link_maxima.reserve(20);
  } else {
    info->link_pairs.reserve(20);
  }
  return info;
}

NimrepStore& nimrepStore() {
  return state().store;
}

void resetNimrepStore() {
  state() = NimrepState{};
  resetNimrepBuild();
  resetNimrepSearch();
  resetMoebiusSolver();
  resetCrosscapSearch();
}

void loadNimrepFusion(int N) {
  NimrepStore& s = nimrepStore();
  s.N = N;
  const size_t n = static_cast<size_t>(N);
  s.fusionTable.assign(n * n * n, 0);
  s.conjugateField.assign(n, 0);
  for (int a = 0; a < N; ++a) {
    s.conjugateField[static_cast<size_t>(a)] = getConjugate(a);
    for (int b = 0; b < N; ++b)
      for (int k = 0; k < N; ++k) {
        const FusionCoefficient v = fusion(a, b, k, 0);
        if (fusionInterrupted(v) || fusionUndecided(v)) continue;
        s.fusionTable[(static_cast<size_t>(a) * n + static_cast<size_t>(b)) * n +
                      static_cast<size_t>(k)] = static_cast<int>(v);
      }
  }
}

int nimrepCandidateCount() {
  return static_cast<int>(nimrepStore().records.size());
}

int diagonalCandidateCount() {
  const NimrepStore& s = nimrepStore();
  int D = 0;
  while (D < nimrepCandidateCount() && row(D)[0] != 0) ++D;
  return s.N > 0 ? D : 0;
}

std::vector<int> reduceOffdiagonalBounds(std::vector<int> bounds) {
  const NimrepStore& s = nimrepStore();
  const int N = s.N;
  const int count = nimrepCandidateCount();
  if (boundVerbose() > 1) {
    std::vector<int> envelope(static_cast<size_t>(N), 0);
    for (int c = 0; c < count; ++c)
      for (int a = 0; a < N; ++a)
        envelope[static_cast<size_t>(a)] = std::max(envelope[static_cast<size_t>(a)], row(c)[a]);
    Print("Analysis of diagonal boundary upper limit saturation\n");
    PrintVec(N, bounds.data(), "Theoretical upper bound: ");
    PrintVec(N, envelope.data(), "      Empirical evelope: ");
  }
  const size_t n = static_cast<size_t>(N);
  for (int a = 0; a < N; ++a) {
    const int ac = s.conjugateField[static_cast<size_t>(a)];
    long long t = 0;
    for (int c = 0; c < count; ++c) {
      const int* r = row(c);
      long long v = -static_cast<long long>(r[a]) * r[a];
      for (int k = 0; k < N; ++k)
        v += static_cast<long long>(
                 s.fusionTable[(static_cast<size_t>(a) * n + static_cast<size_t>(ac)) * n +
                               static_cast<size_t>(k)]) *
             r[k];
      t = std::max(t, v);
    }
    const int bound = static_cast<int>(std::floor(std::sqrt(static_cast<double>(t) + 0.0001)));
    int& old = bounds[static_cast<size_t>(a)];
    if (bound < old) {
      if (boundVerbose() >= 2) Print("Bound reduction for lbl=%d:  %d --> %d\n", a, old, bound);
      old = bound;
    }
  }
  return bounds;
}

std::vector<int> getOffdiagonalAbsMax() {
  return reduceOffdiagonalBounds(getAbsMax());
}

int findConjugateBoundaryCandidate(int c, int N) {
  const BoundarySearchState& bs = boundarySearchState();
  const size_t n = static_cast<size_t>(N);
  const double* x = bs.BoundaryCandidates.data() + static_cast<size_t>(c) * 2 * n;
  for (int k = 0; k < bs.BoundCandCount; ++k) {
    const double* y = bs.BoundaryCandidates.data() + static_cast<size_t>(k) * 2 * n;
    bool same = true;
    for (size_t m = 0; m < n && same; ++m)
      if (std::fabs(x[m] - y[m]) > 1e-7 || std::fabs(x[m + n] + y[m + n]) > 1e-7) same = false;
    if (same) return k;
  }
  Alert("findConjugateBoundaryCandidate", 0, 212404, "No conjugate found for candidate %d", c);
  return -1;
}

void loadNIMrepConjugates() {
  NimrepStore& s = nimrepStore();
  const int count = nimrepCandidateCount();
  s.NIMrepConjugates.assign(static_cast<size_t>(count), -1);
  for (int c = 0; c < count; ++c) {
    const int k = findConjugateBoundaryCandidate(c, s.N);
    s.NIMrepConjugates[static_cast<size_t>(c)] = k;
    // A candidate without conjugate cannot enter a NIM-representation; its links go with it.
    if (k < 0) s.records[static_cast<size_t>(c)]->in_use = 0;
  }
}

const std::vector<int>& getFusionMatrix(int N, int d) {
  NimrepStore& s = nimrepStore();
  std::vector<int>& F = state().fusionMatrix;
  const size_t n = static_cast<size_t>(N);
  F.assign(n * n, 0);
  const int* rd = row(d);
  for (size_t a = 0; a < n; ++a)
    for (size_t b = 0; b < n; ++b) {
      long long v = 0;
      for (size_t k = 0; k < n; ++k) v += static_cast<long long>(s.fusionTable[(a * n + b) * n + k]) * rd[k];
      F[a * n + b] = static_cast<int>(v);
    }
  return F;
}

int reduceOffdiagonalBoundaryMaxima(int N, int d, const std::vector<int>& F, int o, int max) {
  const int* rd = row(d);
  for (int a = 0; a < N; ++a)
    for (int b = 0; b < N; ++b) {
      const long long c = pairProduct(o, a, b);
      if (c <= 0 || max < 1) continue;
      const long long rhs =
          F[static_cast<size_t>(a) * static_cast<size_t>(N) + static_cast<size_t>(b)] -
          static_cast<long long>(rd[a]) * rd[b];
      const long long fits = rhs < 0 ? 0 : rhs / c + 1;
      if (fits < max) {
        if (boundVerbose() >= 5)
          Print("New maximum for boundary %d: %d (old %d)\n", o, static_cast<int>(fits), max);
        max = static_cast<int>(fits);
      }
    }
  return max;
}

void reduceBoundariesUsingFusionRepresentation(int N) {
  NimrepStore& s = nimrepStore();
  const int D = diagonalCandidateCount();
  for (int d = 0; d < D; ++d) {
    NIMrepInfo& info = *s.records[static_cast<size_t>(d)];
    if (!info.in_use) continue;
    info.solutions.clear();
    info.solution_count = 0;
    if (info.link_count == 0 && s.L == 1) {
      info.off_diags.clear();
      info.off_diag_count = 0;
      info.solutions.emplace_back(1, 1);
      info.solution_count = 1;
      continue;
    }
    const std::vector<int> F = getFusionMatrix(N, d);
    // Groups: runs of equal entries of the sorted linked_by list.
    info.off_diags.clear();
    std::vector<int> groupMax;
    for (int t = 0; t < info.link_count; ++t) {
      const int o = info.linked_by[static_cast<size_t>(t)];
      if (info.off_diags.empty() || info.off_diags.back() != o) {
        info.off_diags.push_back(o);
        groupMax.push_back(0);
      }
      groupMax.back() += info.link_maxima[static_cast<size_t>(t)];
    }
    const int K = static_cast<int>(info.off_diags.size());
    info.off_diag_count = K;
    if (K == 0) {
      info.in_use = 0;
      continue;
    }
    ReductionContext ctx;
    ctx.F = &F;
    ctx.off_diags = &info.off_diags;
    ctx.d = d;
    ctx.N = N;
    ctx.L = s.L;
    ctx.hi.resize(static_cast<size_t>(K));
    std::vector<int> lo(static_cast<size_t>(K), 0);
    bool empty = false;
    for (int g = 0; g < K; ++g) {
      ctx.hi[static_cast<size_t>(g)] =
          reduceOffdiagonalBoundaryMaxima(N, d, F, info.off_diags[static_cast<size_t>(g)],
                                          groupMax[static_cast<size_t>(g)]) -
          1;
      if (g >= 1 && ctx.hi[static_cast<size_t>(g)] < 0) empty = true;
    }
    ctx.max0 = ctx.hi[0];
    std::vector<int> hi = ctx.hi;
    hi[0] = 0;
    std::vector<int> x(static_cast<size_t>(K), 0);
    if (!empty)
      NestedLoops(K, lo.data(), hi.data(), x.data(), &ctx, diagNIMrepSqueezeImpl,
                  checkDiagNIMrepImpl);
    if (info.solution_count == 0) info.in_use = 0;
  }
}

void addTrivialBoundarySolution(int d) {
  NimrepStore& s = nimrepStore();
  const size_t L = static_cast<size_t>(s.L);
  std::vector<int> out(2 * L, 0);
  out[0] = d;
  out[L] = d;
  if (boundVerbose() >= 2) PrintVec(static_cast<int>(2 * L), out.data(), "Added");
  s.SuccessfulBoundaries.push_back(std::move(out));
}

void findGoodCombinations2(int N) {
  (void)N;
  NimrepStore& s = nimrepStore();
  s.SuccessfulBoundaries.clear();
  s.SuccessfulBoundaries.reserve(20);
  const int D = diagonalCandidateCount();
  for (int d = 0; d < D; ++d) {
    NIMrepInfo& info = *s.records[static_cast<size_t>(d)];
    if (!info.in_use) continue;
    if (boundVerbose() >= 4) Print("Considering candidate diagonal annulus nr. %d\n", d);
    if (info.solution_count == 0) continue;
    if (info.link_count == 0) {
      addTrivialBoundarySolution(d);
      continue;
    }
    const int lc = info.link_count;
    std::vector<int> group(static_cast<size_t>(lc), 0);
    bool lost = false;
    for (int t = 0; t < lc && !lost; ++t) {
      const auto it = std::find(info.off_diags.begin(), info.off_diags.end(),
                                info.linked_by[static_cast<size_t>(t)]);
      if (it == info.off_diags.end()) {
        Alert("findGoodCombinations2", 0, 212404, "Link disappeared");
        lost = true;
      } else {
        group[static_cast<size_t>(t)] = static_cast<int>(it - info.off_diags.begin());
      }
    }
    if (lost) continue;
    std::vector<int> groupSize(info.off_diags.size(), 0);
    for (int t = 0; t < lc; ++t) ++groupSize[static_cast<size_t>(group[static_cast<size_t>(t)])];
    for (const std::vector<int>& sol : info.solutions) {
      std::vector<int> lo(static_cast<size_t>(lc)), hi(static_cast<size_t>(lc));
      for (int t = 0; t < lc; ++t) {
        const size_t g = static_cast<size_t>(group[static_cast<size_t>(t)]);
        hi[static_cast<size_t>(t)] = sol[g];
        lo[static_cast<size_t>(t)] = groupSize[g] > 1 ? 0 : sol[g];
      }
      CombinationContext ctx;
      ctx.d = d;
      ctx.group = &group;
      ctx.target = &sol;
      std::vector<int> x(static_cast<size_t>(lc), 0);
      NestedLoops(lc, lo.data(), hi.data(), x.data(), &ctx, nullptr, checkGoodCombinationImpl);
    }
  }
  if (boundVerbose() >= 4)
    Print("Number of single row candidates: %d\n", static_cast<int>(s.SuccessfulBoundaries.size()));
}
