// Boundary candidates and their assembly into complete boundary sets, with the completion
// of incomplete sets.
//
// Candidates are unit vectors whose diagonal annulus is a non-negative integer vector; they
// accumulate in the candidate store until the boundary-search reset. The assembly finds
// which pairs of candidates can coexist (orthogonal, with a non-negative integral annulus
// for some choice of free signs), enumerates the maximal cliques of that relation and, for
// each, grows a tree of take-or-leave choices over the signed candidates, flattened into the
// working list of sets. A set short of L boundaries may be completed: the missing
// boundaries lie in the orthogonal complement, where the annulus and Moebius conditions are
// linear equations in the coordinates; the integer points of the chosen equations give new
// candidates, after which the assembly runs again.
#include <algorithm>
#include <climits>
#include <cmath>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "collections/VectorUtility.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

// Work state of one assembly; rebuilt at every assembly and every set completed.
struct AssemblyState {
  std::vector<int> Overlaps;
  std::vector<std::vector<int>> OverlapSets;
  std::vector<int> isSubset;
  // Completion equations of the set under completion.
  std::vector<Complex> CompEq;  // n entries per equation
  std::vector<long long> CompMinima;
  std::vector<long long> CompMaxima;
  std::vector<int> CompUsed;
  int CompEqCount = 0;
  long long CompEqLimit = 0;
  // Solver data handed to the loop body.
  int n = 0;
  std::vector<Complex> T;         // n x n row transformation
  std::vector<int> pivot;         // pivot column of each row
  std::vector<double> basis;      // n basis vectors, 2N doubles each
  std::vector<double> work;       // one boundary vector
  std::vector<double> unsignedVector;
};

AssemblyState& assemblyState() {
  static AssemblyState s;
  return s;
}

const double* candidate(int c) {
  const BoundarySearchState& s = boundarySearchState();
  return s.BoundaryCandidates.data() + static_cast<size_t>(2 * s.N) * static_cast<size_t>(c);
}

bool hasImaginaryPart(int N, const double* v) {
  for (int m = 0; m < N; ++m)
    if (!ZeroCheck(v[N + m])) return true;
  return false;
}

bool signFree(int m) {
  const BoundarySearchState& s = boundarySearchState();
  return !orientifoldRequired() ||
         CZeroCheck(s.U[static_cast<size_t>(m)], s.U[static_cast<size_t>(s.N + m)]);
}

void getBoundSignLoopInfo(int N, int* min, int* max, const double* x, const double* y) {
  for (int m = 0; m < N; ++m) {
    min[m] = 0;
    const bool nonZero = !CZeroCheck(x[m], x[N + m]) && (y == nullptr || !CZeroCheck(y[m], y[N + m]));
    max[m] = nonZero && signFree(m) ? 1 : 0;
  }
}

void applySigns(int N, const int* signs, const double* src, double* dst, double overall) {
  for (int m = 0; m < N; ++m) {
    const double f = (signs[m] == 1 ? -1.0 : 1.0) * overall;
    dst[m] = f * src[m];
    dst[N + m] = f * src[N + m];
  }
}

// Non-negative integral annulus A^i(x, y) for every field.
bool annulusAcceptable(int N, const double* x, const double* y) {
  for (int i = 0; i < N; ++i) {
    int value = 0;
    if (!toInteger(annulusForm(i, x, y), &value) || value < 0) return false;
  }
  return true;
}

struct PairContext {
  int a;
  int b;
};

int checkOrthogonality(int N, int* signs, void* ctx) {
  obeyInterruptRequest();
  const PairContext* pair = static_cast<const PairContext*>(ctx);
  AssemblyState& as = assemblyState();
  const double* x = candidate(pair->a);
  as.work.resize(static_cast<size_t>(2 * N));
  double* y = as.work.data();
  applySigns(N, signs, candidate(pair->b), y, 1.0);
  if (!ComplexOrthogonalityCheck(N, x, x + N, y, y + N)) return 0;
  return annulusAcceptable(N, x, y) ? 1 : 0;
}

void getOverlappingSets(int K) {
  BoundarySearchState& s = boundarySearchState();
  AssemblyState& as = assemblyState();
  const int L = s.L;
  long long room = std::max<long long>(4LL * K, checkedProduct(searchCapacity(), 200));
  if (room < 2) room = 2;
  as.OverlapSets.clear();
  for (int k = 0; k < K; ++k) as.OverlapSets.push_back({k});
  bool roomAlerted = false, sizeAlerted = false;
  for (int k = 0; k < K; ++k) {
    const size_t existing = as.OverlapSets.size();
    for (size_t c = 0; c < existing; ++c) {
      std::vector<int>& members = as.OverlapSets[c];
      bool fits = true;
      for (int m : members)
        if (m >= k || as.Overlaps[static_cast<size_t>(m * K + k)] == 0) fits = false;
      if (!fits) continue;
      if (static_cast<int>(members.size()) >= L) {
        // More mutually compatible candidates than a set can hold boundaries.
        if (!sizeAlerted)
          Alert("getOverlappingSets", 1, 212404,
                "Combination of boundary candidates larger than %d refused", L);
        sizeAlerted = true;
        s.Capacity_exceeded = 1;
        continue;
      }
      if (static_cast<long long>(as.OverlapSets.size()) >= room - 1) {
        if (!roomAlerted)
          Alert("getOverlappingSets", 0, 520218, "Maximal number of boundary combinations reached");
        roomAlerted = true;
        s.Capacity_exceeded = 1;
        members.push_back(k);
        continue;
      }
      std::vector<int> extended = members;
      extended.push_back(k);
      as.OverlapSets.push_back(std::move(extended));
    }
  }
  as.isSubset.assign(as.OverlapSets.size(), 0);
  for (size_t c = 0; c < as.OverlapSets.size(); ++c) {
    const std::vector<int>& members = as.OverlapSets[c];
    if (members.empty()) {
      as.isSubset[c] = 1;
      continue;
    }
    for (int k = 0; k < K && !as.isSubset[c]; ++k) {
      if (std::find(members.begin(), members.end(), k) != members.end()) continue;
      bool all = true;
      for (int m : members)
        if (as.Overlaps[static_cast<size_t>(m * K + k)] == 0) all = false;
      if (all) as.isSubset[c] = 1;
    }
  }
  const int level = boundVerbose();
  if (level >= 2) {
    Print("\nCombinations of boundary candidates\n");
    if (level >= 6) Print("[(*) denotes subsets]\n");
    for (size_t c = 0; c < as.OverlapSets.size(); ++c) {
      const std::vector<int>& members = as.OverlapSets[c];
      const int number = static_cast<int>(c);
      if (as.isSubset[c] && level < 6) continue;
      std::string label;
      if (as.isSubset[c])
        label = formatText("Nr. %3d: (*) ", number);
      else if (level >= 6)
        label = formatText("Nr. %3d:     ", number);
      else
        label = formatText("Nr. %3d: ", number);
      PrintVec(static_cast<int>(members.size()), members.data(), label.c_str());
    }
  }
}

void computeBoundaryOverlaps(int N, int K) {
  AssemblyState& as = assemblyState();
  as.Overlaps.assign(static_cast<size_t>(K) * static_cast<size_t>(K), 0);
  for (int a = 0; a < K; ++a) as.Overlaps[static_cast<size_t>(a * K + a)] = 1;
  std::vector<int> min(static_cast<size_t>(N)), max(static_cast<size_t>(N)), x(static_cast<size_t>(N));
  for (int a = 0; a < K; ++a)
    for (int b = a + 1; b < K; ++b) {
      getBoundSignLoopInfo(N, min.data(), max.data(), candidate(a), candidate(b));
      PairContext pair{a, b};
      const int sum = NestedLoops(N, min.data(), max.data(), x.data(), &pair, nullptr, checkOrthogonality);
      const int value = sum > 0 ? 1 : 0;
      as.Overlaps[static_cast<size_t>(a * K + b)] = value;
      as.Overlaps[static_cast<size_t>(b * K + a)] = value;
    }
  getOverlappingSets(K);
}

double* signedSlot(int slot) {
  BoundarySearchState& s = boundarySearchState();
  const size_t need = static_cast<size_t>(2 * s.N) * static_cast<size_t>(slot + 2);
  if (s.SignedBoundaries.size() < need) s.SignedBoundaries.resize(need, 0.0);
  return s.SignedBoundaries.data() + static_cast<size_t>(2 * s.N) * static_cast<size_t>(slot);
}

void resetSignedStore() {
  BoundarySearchState& s = boundarySearchState();
  long long capacity = checkedProduct(searchCapacity(), 200);
  if (capacity < 4) capacity = 4;
  s.SignedCapacity = capacity;
  s.SignedBoundaryCount = 0;
}

// Offers the vector in store slot `slot` (and its conjugate in slot + 1 when complex) to
// the working sets; 1 when some set took it.
int addBoundarySolution(int cand, bool complex, int slot) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  const int level = boundVerbose();
  const double* v = s.SignedBoundaries.data() + static_cast<size_t>(2 * N) * static_cast<size_t>(slot);
  int accepted = 0;
  auto it = s.firstBS.begin();
  while (it != s.firstBS.end()) {
    BoundarySet& set = *it;
    if (level >= 7)
      Print("Trying to add this boundary to set %lld of size %d\n", set.sequence, set.size);
    if (set.size == 0) {
      int first = -1;
      for (int m = 0; m < N && first < 0; ++m)
        if (!CZeroCheck(v[m], v[N + m])) first = m;
      if (first >= 0 && !CposCheck(v[first], v[N + first])) {
        if (level >= 8) Print("Rejected (first coeff. of first boundary negative)\n");
        // Sets earlier in the list may have taken the vector; their rows stay valid.
        return accepted;
      }
    }
    bool ok = true;
    for (int m = 0; m < N && ok; ++m)
      if (set.signs[static_cast<size_t>(m)] == 0 && !CZeroCheck(v[m], v[N + m]) &&
          !CposCheck(v[m], v[N + m])) {
        if (level >= 8) Print("Rejected (negative on undetermined sign)\n");
        ok = false;
      }
    for (int j = 0; j < set.size && ok; ++j) {
      const double* w = boundaryRow(set, j);
      if (!ComplexOrthogonalityCheck(N, v, v + N, w, w + N)) {
        if (level >= 8) Print("Rejected (not orthogonal to %d)\n", j);
        ok = false;
      }
    }
    for (int j = 0; j < set.size && ok; ++j) {
      const double* w = boundaryRow(set, j);
      for (int i = 0; i < N && ok; ++i) {
        int value = 0;
        if (!toInteger(annulusForm(i, v, w), &value)) {
          if (level >= 8) Print("Rejected (non-integer off-diagonal annulus)\n");
          ok = false;
        } else if (value < 0) {
          if (level >= 8) Print("Rejected (negative off-diagonal annulus)\n");
          ok = false;
        }
      }
    }
    if (ok && set.size + (complex ? 2 : 1) > L) {
      // A set holds at most L boundaries; a complex vector needs two places.
      if (complex && set.size == L - 1)
        Alert("addBoundarySolution", 0, 212404,
              "No room for a complex boundary and its conjugate in set %lld", set.sequence);
      ok = false;
    }
    if (!ok) {
      ++it;
      continue;
    }
    set.rows.push_back(slot);
    set.labels.push_back(cand);
    ++set.size;
    set.is_copy = 0;
    if (level >= 7) Print("Added as nr. %d\n", set.size);
    const int copied = duplicateBoundarySet(it) == 0;
    if (copied && level >= 7) {
      const BoundarySet& copy = *std::next(it);
      Print("New set %lld (size %d, created from %lld)\n", copy.sequence, copy.size, set.sequence);
    }
    if (complex) {
      set.rows.push_back(slot + 1);
      set.labels.push_back(cand);
      ++set.size;
    }
    for (int m = 0; m < N; ++m)
      if (!CZeroCheck(v[m], v[N + m])) set.signs[static_cast<size_t>(m)] = 1;
    accepted = 1;
    ++it;
    if (copied) ++it;
  }
  return accepted;
}

int addToBoundarySet(int N, int* signs, void* ctx) {
  obeyInterruptRequest();
  BoundarySearchState& s = boundarySearchState();
  const int cand = *static_cast<int*>(ctx);
  const double* c = candidate(cand);
  const bool complex = hasImaginaryPart(N, c);
  const int passes = orientifoldRequired() ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int slot = s.SignedBoundaryCount;
    double* v = signedSlot(slot);
    applySigns(N, signs, c, v, pass == 0 ? 1.0 : -1.0);
    if (complex) {
      bool known = false;
      for (int k = 0; k < slot && !known; ++k)
        known = compareDoubleVec(2 * N, v, s.SignedBoundaries.data() + static_cast<size_t>(2 * N * k)) == 1;
      if (known) continue;
      double* w = v + 2 * N;
      for (int m = 0; m < N; ++m) {
        w[m] = v[m];
        w[N + m] = -v[N + m];
      }
    }
    if (boundVerbose() >= 7) {
      Print("Signed boundary vector:\n");
      PrintComplexVec(N, v, v + N, "");
    }
    if (addBoundarySolution(cand, complex, slot)) {
      s.SignedBoundaryCount += complex ? 2 : 1;
      if (s.SignedBoundaryCount >= s.SignedCapacity - 2) {
        Alert("addToBoundarySet", 0, 110110, "Signed boundary reallocation\n");
        s.SignedCapacity *= 2;
        signedSlot(static_cast<int>(s.SignedCapacity) - 2);
      }
    }
  }
  return 1;
}

void addSignedBoundaries(int cand) {
  const int N = boundarySearchState().N;
  std::vector<int> min(static_cast<size_t>(N)), max(static_cast<size_t>(N)), x(static_cast<size_t>(N));
  getBoundSignLoopInfo(N, min.data(), max.data(), candidate(cand), nullptr);
  NestedLoops(N, min.data(), max.data(), x.data(), &cand, nullptr, addToBoundarySet);
}

// ---------------------------------------------------------------------------------------
// Completion

void ProcessCompEq(int n, int symmetric) {
  AssemblyState& as = assemblyState();
  const size_t row = static_cast<size_t>(as.CompEqCount) * static_cast<size_t>(n);
  const Complex* r = as.CompEq.data() + row;
  bool zero = true;
  for (int k = 0; k < n; ++k)
    if (!ZeroCheck(r[k].real()) || !ZeroCheck(r[k].imag())) zero = false;
  if (zero) return;
  for (int e = 0; e < as.CompEqCount; ++e) {
    Complex* kept = as.CompEq.data() + static_cast<size_t>(e) * static_cast<size_t>(n);
    bool same = true, opposite = true;
    for (int k = 0; k < n; ++k) {
      if (!ZeroCheck(kept[k].real() - r[k].real()) || !ZeroCheck(kept[k].imag() - r[k].imag()))
        same = false;
      if (!ZeroCheck(kept[k].real() + r[k].real()) || !ZeroCheck(kept[k].imag() + r[k].imag()))
        opposite = false;
    }
    if (same) return;
    if (opposite) {
      if (!symmetric) {
        const size_t ue = static_cast<size_t>(e);
        if (as.CompMinima[ue] == 0) {
          as.CompMaxima[ue] = 0;
        } else {
          for (int k = 0; k < n; ++k) kept[k] = -kept[k];
          as.CompMinima[ue] = 0;
        }
      }
      return;
    }
  }
  double norm = 0.0;
  for (int k = 0; k < n; ++k) norm += std::norm(r[k]);
  const long long maximum = static_cast<long long>(std::sqrt(norm) + 0.001);
  if (as.CompEqCount >= as.CompEqLimit) {
    Alert("ProcessCompEq", 0, 520313, "Equation overflow;  additional equations will not be used");
    return;
  }
  const size_t u = static_cast<size_t>(as.CompEqCount);
  as.CompMaxima[u] = maximum;
  as.CompMinima[u] = symmetric ? -maximum : 0;
  ++as.CompEqCount;
}

int getNextCompEq() {
  AssemblyState& as = assemblyState();
  int best = -1;
  long long bestRange = 0;
  for (int e = 0; e < as.CompEqCount; ++e) {
    const size_t u = static_cast<size_t>(e);
    if (as.CompUsed[u]) continue;
    const long long range = as.CompMaxima[u] - as.CompMinima[u];
    if (range >= 2147483646LL) continue;
    if (best < 0 || range < bestRange) {
      best = e;
      bestRange = range;
    }
  }
  return best;
}

int checkComplEqns(int n, int* x, void*) {
  obeyInterruptRequest();
  BoundarySearchState& s = boundarySearchState();
  AssemblyState& as = assemblyState();
  const int N = s.N;
  std::vector<Complex> c(static_cast<size_t>(n), Complex(0.0, 0.0));
  for (int k = 0; k < n; ++k) {
    Complex sum(0.0, 0.0);
    for (int j = 0; j < n; ++j) sum += as.T[static_cast<size_t>(k * n + j)] * static_cast<double>(x[j]);
    c[static_cast<size_t>(as.pivot[static_cast<size_t>(k)])] = sum;
  }
  std::vector<double> v(static_cast<size_t>(2 * N), 0.0);
  for (int k = 0; k < n; ++k) {
    const double* w = as.basis.data() + static_cast<size_t>(2 * N * k);
    for (int m = 0; m < N; ++m) {
      const Complex term = c[static_cast<size_t>(k)] * Complex(w[m], w[N + m]);
      v[static_cast<size_t>(m)] += term.real();
      v[static_cast<size_t>(N + m)] += term.imag();
    }
  }
  if (!CheckNewBoundary(N, v.data())) return 0;
  as.unsignedVector.assign(static_cast<size_t>(2 * N), 0.0);
  copyToUnsigned(N, as.unsignedVector.data(), v.data());
  if (addBoundaryCandidate(N, as.unsignedVector.data()) < 0) return 0;
  if (boundVerbose() >= 6) {
    std::vector<double> re(static_cast<size_t>(n)), im(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
      re[static_cast<size_t>(k)] = c[static_cast<size_t>(k)].real();
      im[static_cast<size_t>(k)] = c[static_cast<size_t>(k)].imag();
    }
    PrintComplexVec(n, re.data(), im.data(), "Solution: (basis coefficients)");
  }
  if (boundVerbose() >= 3)
    PrintComplexVec(N, as.unsignedVector.data(), as.unsignedVector.data() + N,
                    "New (unsigned) boundary ");
  return 1;
}

int SolveCompEq(int n, const BoundarySet& set) {
  AssemblyState& as = assemblyState();
  const int level = boundVerbose();
  as.CompUsed.assign(static_cast<size_t>(as.CompEqCount), 0);
  if (level >= 5) {
    if (as.CompEqCount == 0) {
      Print("No equations available for completion of set %lld\n", set.sequence);
      return 0;
    }
    if (as.CompEqCount == 1)
      Print("One equation ");
    else
      Print("%d equations ", as.CompEqCount);
    if (n == 1)
      Print("for one variable.\n");
    else
      Print("for %d variables\n", n);
    if (level >= 6) {
      Print("\n");
      std::vector<double> re(static_cast<size_t>(n)), im(static_cast<size_t>(n));
      for (int e = 0; e < as.CompEqCount; ++e) {
        for (int k = 0; k < n; ++k) {
          re[static_cast<size_t>(k)] = as.CompEq[static_cast<size_t>(e * n + k)].real();
          im[static_cast<size_t>(k)] = as.CompEq[static_cast<size_t>(e * n + k)].imag();
        }
        PrintComplexVec(n, re.data(), im.data(),
                        formatText("Eqn %d; Minimum %lld, Maximum %lld ", e,
                                   as.CompMinima[static_cast<size_t>(e)],
                                   as.CompMaxima[static_cast<size_t>(e)])
                            .c_str());
      }
    }
  }
  // Rows: n equation entries followed by n entries of the row transformation.
  const int width = 2 * n;
  std::vector<Complex> rows(static_cast<size_t>(n * width), Complex(0.0, 0.0));
  std::vector<int> pivot(static_cast<size_t>(n), -1), isPivot(static_cast<size_t>(n), 0);
  std::vector<int> lo(static_cast<size_t>(n)), hi(static_cast<size_t>(n)), x(static_cast<size_t>(n));
  auto at = [&](int r, int c) -> Complex& { return rows[static_cast<size_t>(r * width + c)]; };
  auto isZero = [](Complex z) { return CZeroCheck(z.real(), z.imag()) == 1; };
  for (int k = 0; k < n; ++k) {
    for (;;) {
      const int e = getNextCompEq();
      if (e < 0) {
        Alert("SolveCompEq", 0, 112301, "Insufficient constraints");
        return 0;
      }
      for (int c = 0; c < width; ++c) at(k, c) = Complex(0.0, 0.0);
      for (int c = 0; c < n; ++c) at(k, c) = as.CompEq[static_cast<size_t>(e * n + c)];
      at(k, n + k) = Complex(1.0, 0.0);
      for (int j = 0; j < k; ++j) {
        const int p = pivot[static_cast<size_t>(j)];
        if (isZero(at(k, p))) continue;
        const Complex f = at(k, p) / at(j, p);
        for (int c = 0; c < width; ++c) at(k, c) -= f * at(j, c);
      }
      int chosen = -1;
      for (int c = 0; c < n && chosen < 0; ++c)
        if (!isPivot[static_cast<size_t>(c)] && !isZero(at(k, c))) chosen = c;
      const size_t ue = static_cast<size_t>(e);
      if (chosen < 0) {
        as.CompMinima[ue] = 0;
        as.CompMaxima[ue] = 2147483647LL;
        continue;
      }
      pivot[static_cast<size_t>(k)] = chosen;
      isPivot[static_cast<size_t>(chosen)] = 1;
      as.CompUsed[ue] = 1;
      lo[static_cast<size_t>(k)] = static_cast<int>(std::clamp<long long>(as.CompMinima[ue], INT_MIN / 2, INT_MAX / 2));
      hi[static_cast<size_t>(k)] = static_cast<int>(std::clamp<long long>(as.CompMaxima[ue], INT_MIN / 2, INT_MAX / 2));
      break;
    }
  }
  for (int r = 0; r < n; ++r) {
    const int p = pivot[static_cast<size_t>(r)];
    for (int q = 0; q < n; ++q) {
      if (q == r || isZero(at(q, p))) continue;
      const Complex f = at(q, p) / at(r, p);
      for (int c = 0; c < width; ++c) at(q, c) -= f * at(r, c);
    }
    const Complex d = at(r, p);
    for (int c = 0; c < width; ++c) at(r, c) /= d;
  }
  as.n = n;
  as.pivot = pivot;
  as.T.assign(static_cast<size_t>(n * n), Complex(0.0, 0.0));
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j) as.T[static_cast<size_t>(k * n + j)] = at(k, n + j);
  const int found = NestedLoops(n, lo.data(), hi.data(), x.data(), nullptr, nullptr, checkComplEqns);
  if (found <= 0) {
    if (level >= 5) Print("No additional boundaries found\n");
    return 0;
  }
  if (level >= 5) Print("%d additional boundaries found\n", found);
  return 1;
}

void attempt_completion(BoundarySet& set) {
  BoundarySearchState& s = boundarySearchState();
  AssemblyState& as = assemblyState();
  const int N = s.N, L = s.L;
  if (set.is_copy == 1 || !CompletionPossible(set) || set.size >= L) return;
  const int n = L - set.size;
  const int level = boundVerbose();
  if (level >= 5) {
    PrintSeparatorWithText('-', "\n");
    Print("Attempting to complete boundary set %lld\n", set.sequence);
    Print("Boundaries present: %d; Needed: %d\n", set.size, L);
    PrintSeparatorWithText('-', "");
  }
  for (int a = 0; a < set.size; ++a) {
    int conjugates = 0;
    for (int b = 0; b < set.size; ++b) {
      const double value = annulusForm(0, boundaryRow(set, a), boundaryRow(set, b)).real();
      if (ZeroCheck(value - 1.0)) {
        if (++conjugates > 1) {
          Alert("attempt_completion", 0, 212404, "Multiple boundary conjugates for label i");
          return;
        }
      } else if (!ZeroCheck(value)) {
        Alert("attempt_completion", 1, 212404, "Boundary conjugation error: entry %15.7f", value);
        return;
      }
    }
    if (conjugates == 0) {
      Alert("attempt_completion", 2, 212404, "No conjugate for boundary %d", a);
      return;
    }
  }
  as.basis.assign(static_cast<size_t>(2 * N) * static_cast<size_t>(n), 0.0);
  int primary = 0;
  for (int k = 0; k < n; ++k) {
    double* w = as.basis.data() + static_cast<size_t>(2 * N * k);
    for (;;) {
      while (primary < N && !s.ishibashiPrimary[static_cast<size_t>(primary)]) ++primary;
      if (primary >= N) {
        Alert("attempt_completion", 3, 112301, "Cannot find orthogonal vector");
        s.CompletionImpossible = 1;
        return;
      }
      std::fill(w, w + 2 * N, 0.0);
      w[primary] = 1.0;
      ++primary;
      auto project = [&](const double* v) {
        double re = 0.0, im = 0.0;
        ComplexInnerProduct(N, v, v + N, w, w + N, &re, &im);
        const Complex f(re, im);
        for (int m = 0; m < N; ++m) {
          const Complex t = f * Complex(v[m], v[N + m]);
          w[m] -= t.real();
          w[N + m] -= t.imag();
        }
      };
      for (int j = 0; j < set.size; ++j) project(boundaryRow(set, j));
      for (int j = 0; j < k; ++j) project(as.basis.data() + static_cast<size_t>(2 * N * j));
      bool zero = true;
      for (int m = 0; m < N; ++m)
        if (!CZeroCheck(w[m], w[N + m])) zero = false;
      if (zero) continue;
      NormalizeComplexVec(N, w, w + N);
      if (level >= 6)
        PrintComplexVec(N, w, w + N, formatText("Boundary basis vector %d", set.size + k).c_str());
      break;
    }
  }
  for (int a = 0; a < set.size; ++a)
    for (int k = 0; k < n; ++k) {
      const Complex value = annulusForm(0, boundaryRow(set, a), as.basis.data() + static_cast<size_t>(2 * N * k));
      if (!CZeroCheck(value.real(), value.imag())) {
        Alert("attempt_completion", 4, 212404,
              "Extra vector %d contributes to A(0,%d,%d);\nCompletion impossible\n", k, a, k);
        return;
      }
    }
  long long limit = checkedProduct(checkedProduct(n, searchCapacity()), 10);
  if (limit < 1 || limit > 100000000LL) limit = 100000000LL;
  as.CompEqLimit = limit - 1;
  const size_t rows = static_cast<size_t>(N) * static_cast<size_t>(set.size + 1) + 1;
  // One equation per field and present boundary (and one Moebius equation per field), n
  // coordinates each: N L^2 complex numbers at worst.
  const long double coefficients = static_cast<long double>(rows) * static_cast<long double>(n);
  if (!requireAllocationSize("attempt_completion", "The completion equations", coefficients, sizeof(Complex)))
    return;
  as.CompEq.assign(rows * static_cast<size_t>(n), Complex(0.0, 0.0));
  as.CompMinima.assign(rows, 0);
  as.CompMaxima.assign(rows, 0);
  as.CompEqCount = 0;
  for (int i = 0; i < N; ++i) {
    obeyInterruptRequest();
    for (int a = 0; a < set.size; ++a) {
      Complex* r = as.CompEq.data() + static_cast<size_t>(as.CompEqCount) * static_cast<size_t>(n);
      for (int k = 0; k < n; ++k)
        r[k] = annulusForm(i, boundaryRow(set, a), as.basis.data() + static_cast<size_t>(2 * N * k));
      ProcessCompEq(n, 0);
    }
  }
  if (orientifoldRequired())
    for (int i = 0; i < N; ++i) {
      obeyInterruptRequest();
      Complex* r = as.CompEq.data() + static_cast<size_t>(as.CompEqCount) * static_cast<size_t>(n);
      for (int k = 0; k < n; ++k) r[k] = moebiusForm(i, as.basis.data() + static_cast<size_t>(2 * N * k));
      ProcessCompEq(n, 1);
    }
  SolveCompEq(n, set);
  if (level >= 5) {
    PrintSeparatorWithText('-', "");
    Print("End of analysis of set %lld\n", set.sequence);
    PrintSeparatorWithText('-', "");
  }
}

// The current bulk invariant when it is one whose boundaries are to be assembled; null
// after the alert for a simple-current invariant, whose boundaries are known.
BulkInvariant* assembledBulk() {
  BulkInvariant* bi = currentBulk();
  if (bi != nullptr && bi->simple_current != 1) return bi;
  Alert("assembleBoundarySet", 0, 100302, "Simple current invariant; boundaries already known");
  return nullptr;
}

// One pass of the assembly; 1 when completion found new candidates and the assembly must
// run again.
int assemblyPass(int* found) {
  BoundarySearchState& s = boundarySearchState();
  AssemblyState& as = assemblyState();
  BulkInvariant* bi = assembledBulk();
  if (bi == nullptr) return 0;
  if (bi->EDT) bi->EDT->reset = 0;
  const int level = boundVerbose();
  const int N = s.N, L = s.L;
  if (s.BoundCandCount == 0) {
    Print("There are no boundary candidates; assembly is impossible\n");
    return 0;
  }
  if (level >= 1) Print("Total number of boundary candidates: %d\n", s.BoundCandCount);
  computeBoundaryOverlaps(N, s.BoundCandCount);
  int generated = 0, largest = 0;
  const long long setLimit = checkedProduct(searchCapacity(), 200);
  for (size_t k = 0; k < as.OverlapSets.size(); ++k) {
    resetSignedStore();
    if (as.isSubset[k]) continue;
    const std::vector<int> members = as.OverlapSets[k];
    if (level >= 1) {
      Print("\n########### Combination number %d ############\n", static_cast<int>(k));
      PrintVec(static_cast<int>(members.size()), members.data(), "Consists of candidates Nrs. ");
    }
    freeBoundarySets();
    s.Sequence = 0;
    BoundarySet start;
    allocBoundarySet(&start, 1);
    s.firstBS.push_back(std::move(start));
    for (int cand : members) addSignedBoundaries(cand);
    int size = 0, count = 0;
    getLargestSetSize(0, &size, &count);
    largest = std::max(largest, size);
    if (level >= 1) {
      if (level >= 7) Print("Statistics for combination %d\n", static_cast<int>(k));
      if (size == L && count == 1)
        Print("Total number of sets: %lld, one complete set found.\n", s.Sequence);
      else if (size == L)
        Print("Total number of sets: %lld, including %d complete ones.\n", s.Sequence, count);
      else
        Print("Total number of sets: %lld, including %d of maximal size %d.\n", s.Sequence, count,
              size);
      if (s.Sequence > setLimit) Print("(Only %lld sets were stored)\n", setLimit);
    }
    bool completable = false;
    for (const BoundarySet& set : s.firstBS)
      if (CompletionPossible(set)) completable = true;
    if (completable) {
      const int threshold = searchUseAllSets() ? 0 : size;
      if (threshold < L) {
        const int before = s.BoundCandCount;
        for (auto it = s.firstBS.rbegin(); it != s.firstBS.rend(); ++it)
          if (it->size >= threshold) attempt_completion(*it);
        const int added = s.BoundCandCount - before;
        if (added > 0) {
          if (level >= 1) {
            if (added == 1)
              Print("One new boundary was found during completion attempt.\n\nRestarting assembly\n");
            else
              Print("%d new boundaries were found during completion attempt.\n\nRestarting assembly\n",
                    added);
          }
          return 1;
        }
      }
      if (size == L) {
        generated += count;
        storeCompleteBoundaries(found);
      }
    } else if (level >= 1) {
      Print("There are no sets that can be completed\n");
    }
    BoundarySetStatus(size);
  }
  if (level >= 1) Print("########### All combinations analysed ############\n");
  if (*found == 0) {
    Print("No complete set of boundaries was found\n");
    if (largest >= 1) Print("Largest set has %d boundaries (out of %d)\n", largest, L);
    return 0;
  }
  if (generated == 1 && *found == 1)
    Print("Unique and complete set of boundaries found\n");
  else if (generated >= 2 && *found == 1)
    Print("Unique and complete set of boundaries found\n(out of %d complete sets that were generated).\n",
          generated);
  else if (*found == 2 && generated == 2)
    Print("Two distinct complete set of boundaries were found\n");
  else if (*found >= 3 && generated == *found)
    Print("In total %d distinct complete set of boundaries were found\n", *found);
  else
    Print("In total %d distinct complete set of boundaries were found\n(out of %d complete sets that were generated).\n",
          *found, generated);
  selectBoundary(0, 0);
  CompareAllBoundarySets();
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Candidate store

void copyToUnsigned(int N, double* dst, const double* src) {
  for (int m = 0; m < N; ++m) {
    const bool negate = signFree(m) && !CposCheck(src[m], src[N + m]);
    dst[m] = negate ? -src[m] : src[m];
    dst[N + m] = negate ? -src[N + m] : src[N + m];
  }
}

int checkConjugatePresence(int N, const double* v) {
  const BoundarySearchState& s = boundarySearchState();
  std::vector<double> c(v, v + 2 * N), u(static_cast<size_t>(2 * N));
  for (int m = 0; m < N; ++m) c[static_cast<size_t>(N + m)] = -c[static_cast<size_t>(N + m)];
  copyToUnsigned(N, u.data(), c.data());
  for (int k = 0; k < s.BoundCandCount; ++k)
    if (compareDoubleVec(2 * N, u.data(), candidate(k)) == 1) return 1;
  return 0;
}

int addBoundaryCandidate(int N, const double* v) {
  BoundarySearchState& s = boundarySearchState();
  for (int k = 0; k < s.BoundCandCount; ++k)
    if (compareDoubleVec(2 * N, v, candidate(k)) == 1) return -1;
  if (hasImaginaryPart(N, v) && checkConjugatePresence(N, v)) return -1;
  s.BoundaryCandidates.insert(s.BoundaryCandidates.begin() + static_cast<long>(2 * N) * s.BoundCandCount,
                              v, v + 2 * N);
  return s.BoundCandCount++;
}

void PrintNewBoundaryCandidate(int N, const double* v, const int* annulus, const int* moebius) {
  const BoundarySearchState& s = boundarySearchState();
  if (boundVerbose() < 3) return;
  const int real = PrintComplexVec(
      N, v, v + N, formatText("Following boundary added as candidate nr. %d", s.BoundCandCount - 1).c_str());
  PrintVec(N, annulus, "Annulus: ");
  if (orientifoldRequired() && moebius != nullptr) PrintVec(N, moebius, "Moebius: ");
  if (!real) Print("Omitting conjugate Annulus and Moebius\n");
}

int CompletionPossible(const BoundarySet& set) {
  const BoundarySearchState& s = boundarySearchState();
  for (int m = 0; m < s.N; ++m)
    if (s.ishibashiPrimary[static_cast<size_t>(m)] && set.signs[static_cast<size_t>(m)] != 1) return 0;
  return 1;
}

int CheckNewBoundary(int N, const double* v) {
  double norm = 0.0;
  for (int m = 0; m < N; ++m) norm += v[m] * v[m] + v[N + m] * v[N + m];
  if (!ZeroCheck(norm - 1.0)) return 0;
  for (int i = 0; i < N; ++i) {
    int a = 0;
    if (!toInteger(annulusForm(i, v, v), &a) || a < 0) return 0;
    if (!orientifoldRequired()) continue;
    int mo = 0;
    if (!toInteger(moebiusForm(i, v), &mo)) return 0;
    if (std::abs(mo) > a || mod(mo, 2) != mod(a, 2)) return 0;
  }
  return 1;
}

void assembleBoundarySet(int found) {
  BoundarySearchState& s = boundarySearchState();
  // The boundaries of a simple-current invariant are known: refused before anything is set
  // up or loaded (the matrices of a large theory would not even fit).
  if (assembledBulk() == nullptr) return;
  installCompleteSetRelease();
  if (initializeOpenString() != 0) return;
  // Candidates of another invariant do not fit this one.
  if (s.BoundCandCount > 0 && s.BoundCandMIPF != QueryBulkInvariant()) {
    s.BoundaryCandidates.clear();
    s.BoundCandCount = 0;
  }
  // Without candidates the pass only says so.
  if (s.BoundCandCount > 0 && !loadSearchMatrices()) return;
  // Every restart follows new candidates; the number of restarts is bounded like the
  // other stores of the search, so that a completion that keeps finding near-copies ends.
  const long long limit = checkedProduct(searchCapacity(), 200);
  long long restarts = 0;
  while (assemblyPass(&found) == 1) {
    if (limit < 0 || ++restarts > limit) {
      Alert("assembleBoundarySet", 1, 520218, "Maximal number of assembly restarts reached");
      s.Capacity_exceeded = 1;
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------
// The completion equations one at a time (the completion of a set does the same).

void resetCompletionEquations(int n, int rows) {
  AssemblyState& as = assemblyState();
  long long limit = checkedProduct(checkedProduct(n, searchCapacity()), 10);
  if (limit < 1 || limit > 100000000LL) limit = 100000000LL;
  as.CompEqLimit = limit - 1;
  as.CompEq.assign(static_cast<size_t>(rows + 1) * static_cast<size_t>(n), Complex(0.0, 0.0));
  as.CompMinima.assign(static_cast<size_t>(rows + 1), 0);
  as.CompMaxima.assign(static_cast<size_t>(rows + 1), 0);
  as.CompEqCount = 0;
}

int addCompletionEquation(int n, const Complex* r, int symmetric) {
  AssemblyState& as = assemblyState();
  if (static_cast<size_t>(as.CompEqCount + 1) * static_cast<size_t>(n) > as.CompEq.size()) return as.CompEqCount;
  std::copy(r, r + n, as.CompEq.begin() + static_cast<long>(as.CompEqCount) * n);
  ProcessCompEq(n, symmetric);
  return as.CompEqCount;
}

void completionEquationRange(int e, long long* min, long long* max) {
  const AssemblyState& as = assemblyState();
  *min = as.CompMinima[static_cast<size_t>(e)];
  *max = as.CompMaxima[static_cast<size_t>(e)];
}
