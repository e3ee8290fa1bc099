// The Moebius-strip solver: every integer Moebius matrix M^i_a (primary i, boundary a) of a
// complete boundary set that satisfies the linear relations
//   sum_b (A^{i^c})_a^b M^j_b = sum_k Y_ij^k M^k_a
// between annulus and Moebius coefficients, lies within the bounds |M^i_a| <= A^{i^c}_aa with
// the parity of the bound, and admits a consistent Klein bottle.
//
// The relations are collected modulo a prime p above twice every bound plus one and kept in
// reduced echelon form, so every pivot coefficient is a function of the free ones alone and
// each residue lifts to at most one integer of the right parity within its bound. The free
// coefficients are enumerated like an odometer, the last one fastest.
//
// Representation: a Moebius matrix is N x L ints at i + N a (primaries fastest). The solver
// state (variable map, bounds, equations) lives in MoebiusState from one call to the next,
// so that the conjugations of one NIM-representation after the first reuse the equations of
// the first; resetMoebiusSolver() restores the start state.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "collections/VectorSpace.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"

namespace {

bool isPrime(long long n) {
  if (n < 2) return false;
  for (long long d = 2; d * d <= n; ++d)
    if (n % d == 0) return false;
  return true;
}

}  // namespace

int moebiusPrime(int largest) {
  long long p = 2LL * (largest < 0 ? 0 : largest) + 2;
  while (!isPrime(p)) ++p;
  return p > INT_MAX ? INT_MAX : static_cast<int>(p);
}

int liftMoebiusResidue(long long v, int B, int p, int* value) {
  if (p < 1 || B < 0) return 0;
  v %= p;
  if (v < 0) v += p;
  if (v > B) v -= p;
  if (v > B || v < -static_cast<long long>(B)) return 0;
  if (((v - B) % 2) != 0) return 0;
  *value = static_cast<int>(v);
  return 1;
}

int freeMoebiusValue(int t, int B) {
  return 2 * t - B;
}

int firstNonZeroPositive(int n, const int* v) {
  for (int i = 0; i < n; ++i)
    if (v[i] != 0) return v[i] > 0 ? 1 : 0;
  return 0;
}

int getAnnulusForMoebiusSearch(int i, int a, int b, const std::vector<int>* M,
                               const std::vector<int>& conj, int oriented) {
  if (M == nullptr) {
    if (!oriented) return getAnnulus(i, a, b);
    const int bc = BoundaryConjugate(b);
    return bc < 0 ? 0 : getAnnulus(i, a, bc);
  }
  const NimrepStore& s = nimrepStore();
  const int L = static_cast<int>(conj.size());
  if (a < 0 || a >= L || b < 0 || b >= L || s.N < 1) return 0;
  const int column = oriented ? b : conj[static_cast<size_t>(b)];
  if (column < 0 || column >= L) return 0;
  const size_t at = static_cast<size_t>(a) * static_cast<size_t>(L) + static_cast<size_t>(column);
  if (at >= M->size()) return 0;
  const int candidate = (*M)[at];
  int field = i;
  if (i < 0) {
    if (-i >= s.N || s.conjugateField.size() != static_cast<size_t>(s.N)) return 0;
    field = s.conjugateField[static_cast<size_t>(-i)];
  }
  if (field >= s.N || candidate < 0 ||
      static_cast<size_t>(candidate + 1) * static_cast<size_t>(s.N) > s.Annuli.size())
    return 0;
  return s.Annuli[static_cast<size_t>(candidate) * static_cast<size_t>(s.N) + static_cast<size_t>(field)];
}

namespace {

struct MoebiusState {
  MoebiusTables tables;
  int N = 0;
  int L = 0;
  int V = 0;   // variables
  int p = 0;   // modulus of the stored equations
  std::vector<int> variable_map;  // N x L: variable of M^i_a, -1 when fixed to 0
  std::vector<int> Limits;        // bound of each variable
  std::vector<int> Stanev;        // annulus trace per primary
  std::vector<int> Standard;      // the standard Klein bottle
  std::vector<int> Variables;     // 1 for the pivot of a stored equation
  std::unique_ptr<VectorSpace> MoebiusEquations;
  int collected = 0;  // 1 once the equations belong to the variables above
  int shortcut = 0;   // 1 while the collection stopped early
  int nextI = -1;     // primary at which a resumed collection goes on; -1 when complete
  int barren = 0;     // consecutive primaries that added no equation
  long long built = 0;
  double lastReport = 0.0;
};

MoebiusState& moebiusState() {
  static MoebiusState s;
  return s;
}

int moebiusSecurity() {
  const int* p = getIntParPointer("Moebius security_level");
  return p != nullptr ? *p : 0;
}

long long residue(long long v, int p) {
  v %= p;
  return v < 0 ? v + p : v;
}

// A factor of the P-fusion sums: entry (m, label) of the table, conjugated when asked.
Complex factor(const std::vector<Complex>& table, int N, int m, int label, bool conjugate) {
  const Complex z = table[static_cast<size_t>(m) * static_cast<size_t>(N) + static_cast<size_t>(label)];
  return conjugate ? std::conj(z) : z;
}

// The equations in reduced echelon form modulo p; 1 when complete or stopped early, 0 after
// an alert. Starts at primary s.nextI and counts down.
int collectMoebiusEquations(const std::vector<int>* M, const std::vector<int>& conj) {
  MoebiusState& s = moebiusState();
  const MoebiusTables& t = s.tables;
  const int N = s.N, L = s.L, V = s.V, p = s.p;
  VectorSpace* eqs = s.MoebiusEquations.get();
  if (V == 0) {
    s.nextI = -1;
    return 1;
  }
  const int security = moebiusSecurity();
  std::vector<long long> sum(static_cast<size_t>(V), 0);
  std::vector<int> eq(static_cast<size_t>(V) + 1, 0);
  std::vector<int> annulus(static_cast<size_t>(L) * static_cast<size_t>(L), 0);
  for (int i = s.nextI; i >= 0; --i) {
    const double now = CPUTime();
    if (now - s.lastReport > 55.0) {
      Print("i=%d (counting down to 0), number of equations: %d\n", i, eqs->Nfill);
      s.lastReport = now;
    }
    if (security == 0 && eqs->Nfill > V / 2 && V - eqs->Nfill <= 9 && s.barren >= 4) {
      s.shortcut = 1;
      s.nextI = i;
      Print("Equation collection stopped; Primary range used: %d -- %d\n"
            "Remaining equations are assumed to be dependent\n",
            i, N - 1);
      return 1;
    }
    const int before = eqs->Nfill;
    // The annulus of the conjugate of i, read once per primary.
    for (int a = 0; a < L; ++a)
      for (int b = 0; b < L; ++b)
        annulus[static_cast<size_t>(a * L + b)] = getAnnulusForMoebiusSearch(-i, a, b, M, conj, 1);
    for (int j = 0; j < N; ++j)
      for (int a = 0; a < L; ++a) {
        obeyInterruptRequest();
        std::fill(sum.begin(), sum.end(), 0);
        for (int b = 0; b < L; ++b) {
          const int var = s.variable_map[static_cast<size_t>(j + N * b)];
          if (var >= 0) sum[static_cast<size_t>(var)] += annulus[static_cast<size_t>(a * L + b)];
        }
        for (int k = 0; k < N; ++k) {
          const int var = s.variable_map[static_cast<size_t>(k + N * a)];
          if (var >= 0) sum[static_cast<size_t>(var)] -= t.Yat(i, j, k);
        }
        for (int x = 0; x < V; ++x) eq[static_cast<size_t>(x)] = static_cast<int>(residue(sum[static_cast<size_t>(x)], p));
        eq[static_cast<size_t>(V)] = 0;
        ++s.built;
        if (CollectCyclicEquations(eqs, eq.data(), p) < 0) {
          Alert("SolveForMoebius", 0, 212404, "Moebius polynomial equations are inconsistent");
          return 0;
        }
        if (s.built % 100 == 0 && boundVerbose() >= 4)
          Print("Eqn nr %lld; Stored: %d (max %d)\n", s.built, eqs->Nfill, V);
        if (eqs->Nfill > V) {
          Alert("SolveForMoebius", 0, 212404, "More equations than variables");
          return 0;
        }
        if (eqs->Nfill == V) {
          s.nextI = -1;
          return 1;
        }
      }
    s.barren = eqs->Nfill == before ? s.barren + 1 : 0;
  }
  s.nextI = -1;
  return 1;
}

const int* equationRow(const VectorSpace* eqs, int j) {
  return eqs->Space + static_cast<size_t>(j) * static_cast<size_t>(eqs->rowsize);
}

enum PassResult { kPassDone = 0, kPassError = -1, kPassResume = -2 };

// One enumeration of the free variables; adds the solutions found to *count.
int solvePass(const std::vector<int>* M, const std::vector<int>& conj,
              const std::vector<std::vector<int>>* symmetries, const std::vector<int>* stabilisers,
              int* count) {
  MoebiusState& s = moebiusState();
  const int N = s.N, L = s.L, V = s.V, p = s.p;
  const bool record = M != nullptr;
  const VectorSpace* eqs = s.MoebiusEquations.get();
  const int stored = V > 0 ? eqs->Nfill : 0;
  if (boundVerbose() >= 1) Print("Variables:%d; Equations: %d\n", V, stored);
  s.Variables.assign(static_cast<size_t>(V), 0);
  std::vector<int> pivots(static_cast<size_t>(stored)), inverses(static_cast<size_t>(stored));
  for (int j = 0; j < stored; ++j) {
    const int* row = equationRow(eqs, j);
    const int q = row[V + 1];
    pivots[static_cast<size_t>(j)] = q;
    s.Variables[static_cast<size_t>(q)] = 1;
    inverses[static_cast<size_t>(j)] = cyclicInverse(row[q], p);
  }
  if (M == nullptr && crossBoundState().CrosscapStatus == 1 && boundVerbose() >= 1) {
    Print("Checking Moebius Equations\n");
    for (int j = 0; j < stored; ++j) {
      const int* row = equationRow(eqs, j);
      std::vector<int> full(static_cast<size_t>(N * L), 0);
      for (int e = 0; e < N * L; ++e) {
        const int var = s.variable_map[static_cast<size_t>(e)];
        if (var >= 0) full[static_cast<size_t>(e)] = row[var];
      }
      checkMoebiusEqn(&full, std::to_string(j).c_str(), p);
    }
  }
  std::vector<int> freeVars;
  for (int v = 0; v < V; ++v)
    if (!s.Variables[static_cast<size_t>(v)]) {
      freeVars.push_back(v);
      if (boundVerbose() >= 1)
        Print("Undetermined variable: %d; range: %d\n", v, s.Limits[static_cast<size_t>(v)]);
    }
  if (boundVerbose() >= 1) Print("Undetermined variable loops started\n");
  const size_t F = freeVars.size();
  std::vector<int> odometer(F, 0), values(static_cast<size_t>(V), 0);
  std::vector<int> solution(static_cast<size_t>(N * L), 0);
  double points = 1.0;
  for (size_t f = 0; f < F; ++f) points *= s.Limits[static_cast<size_t>(freeVars[f])] + 1.0;
  ProgressScope progress("Moebius strip search", points);
  bool more = true;
  for (; more; ) {
    progress.step();
    // The next point: the last free variable runs fastest.
    for (size_t f = 0; f < F; ++f)
      values[static_cast<size_t>(freeVars[f])] = freeMoebiusValue(odometer[f], s.Limits[static_cast<size_t>(freeVars[f])]);
    more = false;
    for (size_t f = F; f-- > 0;) {
      if (odometer[f] < s.Limits[static_cast<size_t>(freeVars[f])]) {
        ++odometer[f];
        more = true;
        break;
      }
      odometer[f] = 0;
    }
    if (record) clearUNIMrepRow();
    bool ok = true;
    for (int j = 0; j < stored && ok; ++j) {
      const int* row = equationRow(eqs, j);
      long long sum = 0;
      for (size_t f = 0; f < F; ++f) {
        const int v = freeVars[f];
        if (row[v] != 0) sum = residue(sum - static_cast<long long>(row[v]) * values[static_cast<size_t>(v)], p);
      }
      const long long v = residue(static_cast<long long>(inverses[static_cast<size_t>(j)]) * sum, p);
      const int q = pivots[static_cast<size_t>(j)];
      ok = liftMoebiusResidue(v, s.Limits[static_cast<size_t>(q)], p, &values[static_cast<size_t>(q)]) == 1;
    }
    if (!ok) continue;
    for (int e = 0; e < N * L; ++e) {
      const int var = s.variable_map[static_cast<size_t>(e)];
      solution[static_cast<size_t>(e)] = var >= 0 ? values[static_cast<size_t>(var)] : 0;
    }
    if (!firstNonZeroPositive(N * L, solution.data())) continue;
    if (!checkMoebiusIshibashiMap(solution)) {
      if (!s.shortcut) {
        Alert("SolveForMoebius", 0, 212404, "Moebius solution inconsistent");
        return kPassError;
      }
      Alert("SolveForMoebius", 1, 100201, "Including previously skipped Moebius equations");
      return kPassResume;
    }
    if (boundVerbose() >= 1) Print("Non-trivial Moebius coefficients found\n");
    if (stabilisers != nullptr && symmetries != nullptr &&
        !checkMoebiusPermutations(N, L, solution, *symmetries, *stabilisers)) {
      if (boundVerbose() >= 1) Print(" --- Equivalent to previous solution\n");
      continue;
    }
    const int klein = SolveForKlein(solution, s.Standard, conj, s.Stanev, record ? 1 : 0);
    if (klein == -3) {
      if (s.shortcut) {
        Alert("SolveForMoebius", 2, 100201, "Klein bottle problem; Including previously skipped Moebius equations");
        return kPassResume;
      }
      Alert("SolveForMoebius", 2, 212404, "Klein bottle solution inconsistent");
      return kPassError;
    }
    if (klein < 1) {
      if (boundVerbose() >= 1) Print(" --- No consistent Klein bottle for this solution\n");
      continue;
    }
    if (moebiusSecurity() == 2) {
      Print("Checking Moebius equations\n");
      if (!checkMoebiusEquations(M, conj, solution)) continue;
    } else if (s.shortcut) {
      Print("!!! WARNING: Not all Moebius equations were checked\n");
    }
    ++*count;
    Print("Corresponding to Moebius strip:\n");
    for (int a = 0; a < L; ++a)
      PrintSignedVec(N, solution.data() + static_cast<size_t>(N) * static_cast<size_t>(a),
                     formatText(a < 10 ? "      M(*,%d)  =" : "      M(*,%d) =", a).c_str());
    const std::vector<int>& fieldConj = nimrepStore().conjugateField;
    bool symmetric = true;
    for (int a = 0; a < L && symmetric; ++a) {
      const int ca = conj[static_cast<size_t>(a)];
      if (ca < 0 || ca >= L) continue;
      for (int i = 0; i < N && symmetric; ++i) {
        const int ic = static_cast<size_t>(i) < fieldConj.size() ? fieldConj[static_cast<size_t>(i)] : i;
        auto at = [&](int f, int b) { return solution[static_cast<size_t>(f + N * b)]; };
        symmetric = at(i, a) + at(ic, a) == at(i, ca) + at(ic, ca);
      }
    }
    if (!symmetric) {
      Print("!!! Solution violates orientifold symmetry condition (M_ia=M_i^ca^c)\n");
      if (record) unimrepRow()[kUnimOrientifold] = 1;
    }
    if (record) commitUNIMrepRow();
  }
  return kPassDone;
}

}  // namespace

int loadMoebiusTables() {
  MoebiusTables& t = moebiusState().tables;
  const int N = primaryCount();
  if (N < 1) return 0;
  const size_t n = static_cast<size_t>(N);
  // S and P (N^2 complex numbers each), then the two P-fusion tables (N^3 ints each).
  const long double fields = N;
  if (!requireAllocationSize("loadMoebiusTables", "The S and P matrices of the Moebius search",
                             2 * fields * fields, sizeof(Complex)) ||
      !requireAllocationSize("loadMoebiusTables", "The P-fusion tables of the Moebius search",
                             2 * fields * fields * fields, sizeof(int)))
    return 0;
  t = MoebiusTables{};
  t.N = N;
  initSMATRIX();
  initPMATRIX();
  t.S.assign(n * n, Complex(0.0, 0.0));
  t.P.assign(n * n, Complex(0.0, 0.0));
  for (int i = 0; i < N; ++i) {
    obeyInterruptRequest();
    for (int m = 0; m < N; ++m) {
      double re = 0.0, im = 0.0;
      compS(i, m, &re, &im);
      t.S[static_cast<size_t>(i) * n + static_cast<size_t>(m)] = Complex(re, im);
      compP(i, m, &re, &im);
      t.P[static_cast<size_t>(i) * n + static_cast<size_t>(m)] = Complex(re, im);
    }
  }
  t.S0.assign(n, 0.0);
  for (int m = 0; m < N; ++m) t.S0[static_cast<size_t>(m)] = t.S[static_cast<size_t>(m)].real();
  t.ishibashiPrimary.assign(n, 0);
  for (const IshibashiLabel& l : crossBoundState().IshibashiLabels)
    if (l.primary >= 0 && l.primary < N) t.ishibashiPrimary[static_cast<size_t>(l.primary)] = 1;
  // The P-fusion coefficients are integers; double sums are rounded to the nearest one.
  t.Y.assign(n * n * n, 0);
  t.Klein.assign(n * n * n, 0);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j) {
      obeyInterruptRequest();
      for (int k = 0; k < N; ++k) {
        Complex y(0.0, 0.0), z(0.0, 0.0);
        for (int m = 0; m < N; ++m) {
          const double d = t.S0[static_cast<size_t>(m)];
          if (d == 0.0) continue;
          y += factor(t.S, N, m, i, false) * factor(t.P, N, m, j, false) * factor(t.P, N, m, k, true) / d;
          // Y(-i, j, -k): the first and last factors conjugated twice over become S^* and P.
          z += factor(t.S, N, m, i, true) * factor(t.P, N, m, j, false) * factor(t.P, N, m, k, false) / d;
        }
        const size_t at = (static_cast<size_t>(i) * n + static_cast<size_t>(j)) * n + static_cast<size_t>(k);
        t.Y[at] = static_cast<int>(std::lround(y.real()));
        t.Klein[at] = static_cast<int>(std::lround(z.real()));
      }
    }
  return 1;
}

const MoebiusTables& moebiusTables() {
  return moebiusState().tables;
}

int moebiusModulus() {
  return moebiusState().p;
}

void resetMoebiusSolver() {
  moebiusState() = MoebiusState{};
}

int SolveForMoebius(const std::vector<int>* M, const std::vector<int>& conj,
                    const std::vector<std::vector<int>>* symmetries, const std::vector<int>* stabilisers,
                    const std::vector<int>* envelope, int p, int k) {
  MoebiusState& s = moebiusState();
  if (M == nullptr && !completeBoundarySetSelected()) {
    Alert("SolveForMoebius", 0, 100301, "Moebius search requires complete set of boundaries\n");
    return 0;
  }
  Print("\n######### Moebius search using polynomial equations (integer version) \n");
  if (!loadMoebiusTables()) return 0;
  const int N = s.tables.N;
  const int L = static_cast<int>(conj.size());
  if (L < 1 || p < 2) return 0;
  if (M == nullptr && crossBoundState().CrosscapStatus == 1) checkMoebiusEqn(nullptr, nullptr, p);
  // Variables: M^i_a with a positive bound, primaries outer, boundaries inner.
  std::vector<int> variableMap(static_cast<size_t>(N * L), -1), limits, stanev(static_cast<size_t>(N), 0);
  for (int i = 0; i < N; ++i)
    for (int a = 0; a < L; ++a) {
      const int X = getAnnulusForMoebiusSearch(-i, a, a, M, conj, 0);
      stanev[static_cast<size_t>(i)] += X;
      const size_t at = static_cast<size_t>(i + N * a);
      const int bound = envelope != nullptr && at < envelope->size() ? (*envelope)[at] : X;
      if (bound >= 1) {
        variableMap[at] = static_cast<int>(limits.size());
        limits.push_back(X);
      }
    }
  const int V = static_cast<int>(limits.size());
  Print("Number of variables: %d\n", V);
  // Later conjugations of one NIM-representation reuse the equations of the first: only the
  // bounds and traces differ. Equations that belong to other variables are collected afresh.
  const bool reuse = k >= 1 && s.collected && s.N == N && s.L == L && s.V == V && s.p == p &&
                     s.variable_map == variableMap;
  s.N = N;
  s.L = L;
  s.V = V;
  s.p = p;
  s.variable_map = variableMap;
  s.Limits = limits;
  s.Stanev = stanev;
  if (!reuse) {
    s.collected = 0;
    if (!s.MoebiusEquations) s.MoebiusEquations = std::make_unique<VectorSpace>(100, "MoebiusEquations", &CrossBound_alloc);
    if (initEquationCollection(s.MoebiusEquations.get(), V, 100) == nullptr) return 0;
    s.Standard.assign(static_cast<size_t>(N), 0);
    resetExceptionalKleinBottle(s.Standard.data());
    s.shortcut = 0;
    s.barren = 0;
    s.built = 0;
    s.nextI = N - 1;
    s.lastReport = CPUTime();
    if (!collectMoebiusEquations(M, conj)) return 0;
    s.collected = 1;
  }
  int count = 0;
  const size_t committed = unimrepRowCount();
  for (;;) {
    const int result = solvePass(M, conj, symmetries, stabilisers, &count);
    if (result == kPassError) return 0;
    if (result == kPassDone) break;
    // A resumption starts the enumeration over: what the first attempt found is discarded,
    // so nothing is counted or committed twice.
    count = 0;
    truncateUNIMreps(committed);
    s.barren = 0;
    if (s.nextI >= 0 && !collectMoebiusEquations(M, conj)) return 0;
    // A complete collection leaves nothing to resume: later failures are errors.
    if (s.nextI < 0) s.shortcut = 0;
  }
  if (count == 0)
    Print("\nNo solutions\n\n");
  else if (count == 1)
    Print("\nOne solution\n\n");
  else
    Print("\n%d solutions\n\n", count);
  if (stabilisers == nullptr && count >= 2) Print("Permutations not removed\n");
  return count;
}

int searchMoebius() {
  // Refused before anything is computed: the conjugates and annuli below need the set.
  if (!completeBoundarySetSelected() || initializeOpenString() != 0) {
    Alert("searchMoebius", 0, 100301, "Moebius search requires complete set of boundaries\n");
    return 0;
  }
  const int L = TotalBoundaries();
  const int N = primaryCount();
  std::vector<int> conj(static_cast<size_t>(L > 0 ? L : 0), 0);
  int largest = 0;
  for (int a = 0; a < L; ++a) {
    conj[static_cast<size_t>(a)] = BoundaryConjugate(a);
    for (int i = 0; i < N; ++i) largest = std::max(largest, getAnnulus(i, a, a));
  }
  return SolveForMoebius(nullptr, conj, nullptr, nullptr, nullptr, moebiusPrime(largest), 0);
}
