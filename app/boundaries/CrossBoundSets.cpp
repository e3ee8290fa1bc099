// Boundary sets of the exceptional boundary search: the working list of sets under
// assembly, the list of complete sets found, their canonical order, storing without
// duplicates, loading a complete set as the boundary data of the current invariant, the
// status listings and the comparison report between complete sets.
//
// Working sets hold row indices into the signed-boundary store of the assembly, so a
// growing store never invalidates them. Complete sets own their coefficients. The complete
// list is kept oldest first; every walk that the output depends on ("newest first") runs
// from its back.
#include <algorithm>
#include <cmath>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "collections/VectorSpace.h"
#include "collections/VectorUtility.h"
#include "groups/Permutations.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "modular/ModularHooks.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"

namespace {

int settingValue(const char* name, int fallback) {
  const int* p = getIntParPointer(name);
  return p != nullptr ? *p : fallback;
}

double modulus(const double* x, int N, int m) {
  return std::hypot(x[m], x[N + m]);
}

// Annulus tables of two sets compared: entry (i, j, k) at (i L + j) L + k.
size_t annulusIndex(int L, int i, int j, int k) {
  const size_t l = static_cast<size_t>(L);
  return (static_cast<size_t>(i) * l + static_cast<size_t>(j)) * l + static_cast<size_t>(k);
}

struct AnnulusTable {
  std::vector<int> A;
  std::vector<int> conj;
  int at(int N, int L, int i, int j, int k) const {
    (void)N;
    return A[annulusIndex(L, i, j, k)];
  }
};

void storeAnnulus(int number, AnnulusTable* t) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  selectBoundary(number, 1);
  t->A.assign(static_cast<size_t>(N) * static_cast<size_t>(L) * static_cast<size_t>(L), 0);
  t->conj.assign(static_cast<size_t>(L), -1);
  for (int i = 0; i < N; ++i) {
    obeyInterruptRequest();
    for (int j = 0; j < L; ++j)
      for (int k = j; k < L; ++k) {
        const int value = getAnnulus(i, j, k);
        t->A[annulusIndex(L, i, j, k)] = value;
        t->A[annulusIndex(L, i, k, j)] = value;
        if (i == 0 && value == 1) {
          t->conj[static_cast<size_t>(j)] = k;
          t->conj[static_cast<size_t>(k)] = j;
        }
      }
  }
  PrintVec(L, t->conj.data(), formatText("Boundary conjugates (set %d)", number).c_str());
}

// The conjugate of boundary k, or k itself when the table found none.
int conjugateOf(const AnnulusTable& t, int k) {
  const int c = t.conj[static_cast<size_t>(k)];
  return c >= 0 ? c : k;
}

void AddGrading(int n, std::vector<int>& cls, const std::vector<int>& value) {
  int top = 0;
  for (int j = 0; j < n; ++j) top = std::max(top, cls[static_cast<size_t>(j)]);
  for (int j = 0; j < n; ++j)
    for (int k = j + 1; k < n; ++k) {
      if (cls[static_cast<size_t>(j)] != cls[static_cast<size_t>(k)] ||
          value[static_cast<size_t>(j)] == value[static_cast<size_t>(k)])
        continue;
      ++top;
      for (int l = k; l < n; ++l)
        if (value[static_cast<size_t>(l)] == value[static_cast<size_t>(k)])
          cls[static_cast<size_t>(l)] = top;
    }
}

bool attemptBoundaryReorder(const AnnulusTable& a, const AnnulusTable& b, std::vector<int>* p) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  std::vector<int> cls(static_cast<size_t>(L), 0), grading(static_cast<size_t>(L), 0);
  for (int i = 0; i < N; ++i) {
    for (int k = 0; k < L; ++k) grading[static_cast<size_t>(k)] = b.at(N, L, i, k, conjugateOf(b, k));
    AddGrading(L, cls, grading);
  }
  VectorSpace* perms = generateSubPermutations(L, cls.data());
  if (perms == nullptr) return false;
  for (int r = 0; r < perms->Nfill; ++r) {
    const int* row = perms->Space + static_cast<size_t>(r) * static_cast<size_t>(perms->rowsize);
    bool fits = true;
    for (int i = 0; i < N && fits; ++i)
      for (int j = 0; j < L && fits; ++j)
        for (int k = 0; k < L && fits; ++k)
          fits = a.at(N, L, i, j, conjugateOf(a, k)) ==
                 b.at(N, L, i, row[j], conjugateOf(b, row[k]));
    if (fits) {
      p->assign(row, row + L);
      return true;
    }
  }
  return false;
}

const CompleteBoundarySet* findComplete(int number) {
  for (const CompleteBoundarySet& c : boundarySearchState().completeBS)
    if (c.number == number) return &c;
  return nullptr;
}

void compareBoundaryPhases(const CompleteBoundarySet& a, const CompleteBoundarySet& b,
                           const std::vector<int>* p) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  Print("  Primary label    Phase (set %d/set %d)\n", b.number, a.number);
  const double twoPi = 2.0 * 3.14159265358979323846;
  for (int m = 0; m < N; ++m) {
    bool first = true;
    double phase0 = 0.0;
    for (int k = 0; k < L; ++k) {
      const double* x = a.coefficients.data() + static_cast<size_t>(2 * N * k);
      if (CZeroCheck(x[m], x[N + m])) continue;
      const int pk = p != nullptr ? (*p)[static_cast<size_t>(k)] : k;
      const double* y = b.coefficients.data() + static_cast<size_t>(2 * N * pk);
      double re = 0.0, im = 0.0;
      complexRatio(&re, &im, y[m], y[N + m], x[m], x[N + m]);
      double phase = getPhase(re, im) / twoPi;
      while (phase > 1.0) phase -= 1.0;
      while (phase < 0.0) phase += 1.0;
      if (first) {
        Print("  %3d              %15.7f\n", m, phase);
        phase0 = phase;
        first = false;
      } else if (!ZeroCheck(phase - phase0)) {
        Alert("compareBoundaryPhases", 0, 212404, "Inconsistent boundary phase relation");
      }
    }
  }
}

}  // namespace

BoundarySearchState& boundarySearchState() {
  static BoundarySearchState s;
  return s;
}

int searchCapacity() {
  const int c = settingValue("Boundary_search capacity", 1);
  return c >= 1 ? c : 1;
}

int searchUseAllSets() {
  return settingValue("Boundary_search use_all_sets", 0);
}

long long checkedProduct(long long a, long long b) {
  long long r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return -1;
  return r;
}

bool loadSearchMatrices() {
  BoundarySearchState& s = boundarySearchState();
  const CrossBoundState& cb = crossBoundState();
  const int N = primaryCount();
  const bool withP = orientifoldRequired() != 0;
  const long double fields = N;
  const char* what = withP ? "The S and P matrices of the boundary search" : "The S matrix of the boundary search";
  if (!requireAllocationSize("loadSearchMatrices", what, fields * fields * (withP ? 2 : 1), sizeof(Complex)))
    return false;
  const size_t n = static_cast<size_t>(N);
  s.N = N;
  s.L = cb.IshibashiLabelCount;
  s.S.assign(n * n, Complex(0.0, 0.0));
  s.S0.assign(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    obeyInterruptRequest();
    for (size_t m = 0; m < n; ++m) {
      double re = 0.0, im = 0.0;
      compS(static_cast<int>(i), static_cast<int>(m), &re, &im);
      s.S[i * n + m] = Complex(re, im);
    }
  }
  for (size_t m = 0; m < n; ++m) s.S0[m] = s.S[m].real();
  s.ishibashiPrimary.assign(static_cast<size_t>(N), 0);
  for (const IshibashiLabel& l : cb.IshibashiLabels)
    if (l.primary >= 0 && l.primary < N) s.ishibashiPrimary[static_cast<size_t>(l.primary)] = 1;
  s.U.assign(static_cast<size_t>(2 * N), 0.0);
  BulkInvariant* bi = currentBulk();
  if (cb.CrosscapStatus == 1 && bi != nullptr && bi->EDT &&
      bi->EDT->data.size() >= static_cast<size_t>(2 * N))
    std::copy(bi->EDT->data.begin(), bi->EDT->data.begin() + 2 * N, s.U.begin());
  s.P.clear();
  if (withP) {
    initPMATRIX();
    s.P.assign(n * n, Complex(0.0, 0.0));
    for (size_t i = 0; i < n; ++i) {
      obeyInterruptRequest();
      for (size_t m = 0; m < n; ++m) {
        double re = 0.0, im = 0.0;
        compP(static_cast<int>(i), static_cast<int>(m), &re, &im);
        s.P[i * n + m] = Complex(re, im);
      }
    }
  }
  return true;
}

Complex annulusForm(int i, const double* x, const double* y) {
  const BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  Complex sum(0.0, 0.0);
  for (int m = 0; m < N; ++m) {
    const Complex xm(x[m], x[N + m]), ym(y[m], y[N + m]);
    const size_t at = static_cast<size_t>(i) * static_cast<size_t>(N) + static_cast<size_t>(m);
    sum += std::conj(s.S[at]) * xm * ym / s.S0[static_cast<size_t>(m)];
  }
  return sum;
}

Complex moebiusForm(int i, const double* x) {
  const BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  if (s.P.empty()) return Complex(0.0, 0.0);
  Complex sum(0.0, 0.0);
  for (int m = 0; m < N; ++m) {
    const Complex xm(x[m], x[N + m]), um(s.U[static_cast<size_t>(m)], s.U[static_cast<size_t>(N + m)]);
    const size_t at = static_cast<size_t>(i) * static_cast<size_t>(N) + static_cast<size_t>(m);
    sum += std::conj(s.P[at]) * um * xm / s.S0[static_cast<size_t>(m)];
  }
  return sum;
}

int toInteger(Complex value, int* out) {
  return ComplexToInteger(out, value.real(), value.imag());
}

const double* boundaryRow(const BoundarySet& set, int k) {
  const BoundarySearchState& s = boundarySearchState();
  return s.SignedBoundaries.data() +
         static_cast<size_t>(2 * s.N) * static_cast<size_t>(set.rows[static_cast<size_t>(k)]);
}

// ---------------------------------------------------------------------------------------
// Working sets

int allocBoundarySet(BoundarySet* set, int counted) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  if (counted == 1) {
    const long long limit = checkedProduct(searchCapacity(), 200);
    if (limit < 0 || s.Sequence > limit) {
      ++s.Sequence;
      s.Capacity_exceeded = 1;
      Alert("allocBoundarySet", 0, 520218, "Maximal number of boundary sets reached");
      return 1;
    }
    set->sequence = s.Sequence++;
  } else {
    set->sequence = -1;
  }
  set->rows.clear();
  set->labels.clear();
  set->size = 0;
  set->is_copy = 0;
  set->signs.assign(static_cast<size_t>(N), 0);
  if (orientifoldRequired())
    for (int m = 0; m < N; ++m)
      if (!CZeroCheck(s.U[static_cast<size_t>(m)], s.U[static_cast<size_t>(N + m)]))
        set->signs[static_cast<size_t>(m)] = 1;
  return 0;
}

int duplicateBoundarySet(std::list<BoundarySet>::iterator it) {
  BoundarySet copy;
  if (allocBoundarySet(&copy, 1) != 0) return 1;
  const int keep = it->size - 1;
  copy.rows.assign(it->rows.begin(), it->rows.begin() + keep);
  copy.labels.assign(it->labels.begin(), it->labels.begin() + keep);
  copy.size = keep;
  copy.signs = it->signs;
  copy.is_copy = 1;
  boundarySearchState().firstBS.insert(std::next(it), std::move(copy));
  return 0;
}

void freeBoundarySets() {
  BoundarySearchState& s = boundarySearchState();
  s.firstBS.clear();
}

void freeCompleteBoundarySets() {
  boundarySearchState().completeBS.clear();
  boundarySearchState().completeBulk = -1;
}

void getLargestSetSize(int start, int* size, int* count) {
  BoundarySearchState& s = boundarySearchState();
  int best = start;
  for (auto it = s.firstBS.rbegin(); it != s.firstBS.rend(); ++it) {
    if (it->size > best) {
      best = it->size;
      *count = 1;
    } else if (it->size == best) {
      ++*count;
    }
  }
  *size = best;
}

// ---------------------------------------------------------------------------------------
// Canonical order and complete sets

int compareBoundaryVectors(int N, const double* x, const double* y) {
  int nx = 0, ny = 0;
  for (int m = 0; m < N; ++m) {
    if (!CZeroCheck(x[m], x[N + m])) ++nx;
    if (!CZeroCheck(y[m], y[N + m])) ++ny;
  }
  if (nx != ny) return nx > ny ? 1 : -1;
  for (int m = 0; m < N; ++m) {
    const double a = modulus(x, N, m), b = modulus(y, N, m);
    if (a != b) return a < b ? 1 : -1;
  }
  bool xReal = true, yReal = true;
  for (int m = 0; m < N; ++m) {
    if (!ZeroCheck(x[N + m])) xReal = false;
    if (!ZeroCheck(y[N + m])) yReal = false;
  }
  if (xReal != yReal) return xReal ? 1 : -1;
  for (int m = 0; m < N; ++m) {
    const double re = x[m] - y[m], im = x[N + m] - y[N + m];
    if (CZeroCheck(re, im)) continue;
    return CposCheck(re, im) ? 1 : -1;
  }
  Alert("compareBoundaryVectors", 0, 212404, "Unexpected identical boundary vectors in set");
  return 0;
}

std::vector<int> orderBoundaries(int n, const std::vector<const double*>& rows) {
  const int N = boundarySearchState().N;
  std::vector<int> order(static_cast<size_t>(n), 0);
  std::vector<int> used(static_cast<size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    int best = -1;
    for (int j = 0; j < n; ++j) {
      if (used[static_cast<size_t>(j)]) continue;
      if (best < 0 ||
          compareBoundaryVectors(N, rows[static_cast<size_t>(j)], rows[static_cast<size_t>(best)]) == 1)
        best = j;
    }
    order[static_cast<size_t>(k)] = best;
    used[static_cast<size_t>(best)] = 1;
  }
  return order;
}

int storeBoundarySet(const std::vector<const double*>& rows) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N;
  const int n = static_cast<int>(rows.size());
  for (const CompleteBoundarySet& c : s.completeBS) {
    const int stored = static_cast<int>(c.coefficients.size() / static_cast<size_t>(2 * N));
    bool equal = true;
    for (int k = 0; k < n && equal; ++k) {
      bool found = false;
      for (int b = 0; b < stored && !found; ++b)
        found = compareDoubleVec(2 * N, rows[static_cast<size_t>(k)],
                                 c.coefficients.data() + static_cast<size_t>(2 * N * b)) == 1;
      equal = found;
    }
    if (equal) return 0;
  }
  CompleteBoundarySet c;
  s.completeBulk = QueryBulkInvariant();
  c.number = static_cast<int>(s.completeBS.size());
  const std::vector<int> order = orderBoundaries(n, rows);
  c.coefficients.reserve(static_cast<size_t>(2 * N * n));
  for (int k = 0; k < n; ++k) {
    const double* v = rows[static_cast<size_t>(order[static_cast<size_t>(k)])];
    c.coefficients.insert(c.coefficients.end(), v, v + 2 * N);
  }
  s.completeBS.push_back(std::move(c));
  Print("Complete boundary set nr. %d stored\n", s.completeBS.back().number);
  return 1;
}

int storeCompleteBoundaries(int* found) {
  BoundarySearchState& s = boundarySearchState();
  int stored = 0;
  for (auto it = s.firstBS.rbegin(); it != s.firstBS.rend(); ++it) {
    if (it->size != s.L) continue;
    std::vector<const double*> rows;
    for (int k = 0; k < it->size; ++k) rows.push_back(boundaryRow(*it, k));
    if (storeBoundarySet(rows)) {
      ++*found;
      ++stored;
    }
  }
  return stored;
}

int selectBoundary(int n, int quiet) {
  BoundarySearchState& s = boundarySearchState();
  CrossBoundState& cb = crossBoundState();
  const CompleteBoundarySet* c = findComplete(n);
  BulkInvariant* bi = currentBulk();
  if (c == nullptr || bi == nullptr) return 0;
  const int N = s.N, L = s.L;
  // Sets found for another invariant (or of another shape) are not loaded.
  if (s.completeBulk != QueryBulkInvariant() || N != primaryCount() ||
      L != cb.IshibashiLabelCount ||
      c->coefficients.size() != static_cast<size_t>(2 * N) * static_cast<size_t>(L))
    return 0;
  if (!bi->EDT) bi->EDT = std::make_unique<ExceptionalBoundaryData>();
  ExceptionalBoundaryData* edt = bi->EDT.get();
  if (!allocExceptBound(edt, N, L)) return 0;
  std::copy(c->coefficients.begin(), c->coefficients.end(), edt->data.begin() + 2 * N);
  edt->reset = 1;
  ++cb.OrientifoldCounter;
  if (cb.CrosscapStatus == 1) std::copy(s.U.begin(), s.U.end(), edt->data.begin());
  if (cb.CrosscapStatus == 1 || cb.CrosscapStatus == -2) edt->klein = cb.ExceptionalKlein;
  edt->crosscap_status = cb.CrosscapStatus;
  if (!quiet) {
    Print("Boundary set %d loaded\n", n);
    if (boundVerbose() >= 2) {
      Print("Diagonal annulus:\n");
      for (int a = 0; a < L; ++a)
        for (int i = 0; i < N; ++i) Print(i + 1 < N ? "%d," : "%d\n", getAnnulus(-i, a, a));
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Listings

namespace {

void printBoundarySet(const BoundarySet& set) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  ++s.SolutionCount;
  const int level = boundVerbose();
  if (level < 2 || (level == 2 && set.size != L)) return;
  if (set.size > 0) {
    Print("\nSolution %d: (from boundary set %lld)\n", s.SolutionCount, set.sequence);
    PrintVec(set.size, set.labels.data(), "Labels: ");
  }
  const bool details = level >= 4 || (level == 3 && set.size == L);
  for (int k = 0; k < set.size; ++k) {
    const double* v = boundaryRow(set, k);
    PrintComplexVec(N, v, v + N, formatText("Boundary %d ", k).c_str());
    if (!details) continue;
    for (int j = 0; j < set.size; ++j) {
      Print("Annulus(i,%d,%d): ", k, j);
      for (int i = 0; i < N; ++i) {
        const Complex a = annulusForm(i, v, boundaryRow(set, j));
        int value = 0;
        if (!toInteger(a, &value))
          Alert("printBoundarySet", 0, 212302,
                "Non-integer annulus\nvalue (%15.7f,%15.7f) (converted to %d)", a.real(),
                a.imag(), value);
        Print("%2d", value);
      }
      Print("\n");
    }
    if (orientifoldRequired()) {
      Print("Moebius(i,%d):   ", k);
      for (int i = 0; i < N; ++i) {
        const Complex mo = moebiusForm(i, v);
        int value = 0;
        if (!toInteger(mo, &value))
          Alert("printBoundarySet", 1, 212302,
                "Non-integer Moebius coefficient\nvalue (%15.7f,%15.7f) (converted to %d)",
                mo.real(), mo.imag(), value);
        Print("%2d", value);
      }
    }
    Print("\n\n");
  }
}

}  // namespace

void BoundarySetStatus(int size) {
  BoundarySearchState& s = boundarySearchState();
  const int level = boundVerbose();
  if (level == 0) return;
  const int L = s.L;
  s.SolutionCount = 0;
  if (size < L && level >= 3) Print("Largest boundary set(s):\n");
  if (size == L && level >= 2) Print("Complete boundary set(s):\n");
  for (auto it = s.firstBS.rbegin(); it != s.firstBS.rend(); ++it)
    if (it->size >= size) printBoundarySet(*it);
  if (size == L && s.SolutionCount >= 2)
    Print("Total number of complete boundary sets: %d\n", s.SolutionCount);
  else if (size == L && s.SolutionCount == 1)
    Print("A complete boundary set was found for this combination.\n");
  else if (size < L && s.SolutionCount >= 2)
    Print("Total number of boundary sets of size %d: %d\n", size, s.SolutionCount);
  else if (size < L && s.SolutionCount == 1)
    Print("One boundary set of (maximal) size %d\n", size);
}

// ---------------------------------------------------------------------------------------
// Comparison of complete sets

int CompareBoundarySets(int numberA, int numberB) {
  BoundarySearchState& s = boundarySearchState();
  const int N = s.N, L = s.L;
  const CompleteBoundarySet* a = findComplete(numberA);
  const CompleteBoundarySet* b = findComplete(numberB);
  if (a == nullptr || b == nullptr) return 0;
  for (int k = 0; k < L; ++k)
    for (int m = 0; m < N; ++m) {
      const double* x = a->coefficients.data() + static_cast<size_t>(2 * N * k);
      const double* y = b->coefficients.data() + static_cast<size_t>(2 * N * k);
      if (!ZeroCheck(modulus(x, N, m) - modulus(y, N, m))) return 0;
    }
  Print("Boundary sets %d and %d are similar; Comparison:\n", numberA, numberB);
  // The two annulus tables, N L^2 ints each.
  const long double entries = static_cast<long double>(N) * L * L;
  if (!requireAllocationSize("CompareBoundarySets", "The annulus tables of the comparison", 2 * entries,
                             sizeof(int)))
    return 0;
  AnnulusTable ta, tb;
  storeAnnulus(numberA, &ta);
  storeAnnulus(numberB, &tb);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < L; ++j)
      for (int k = j; k < L; ++k) {
        if (ta.at(N, L, i, j, conjugateOf(ta, k)) == tb.at(N, L, i, j, conjugateOf(tb, k)))
          continue;
        Print("NIMreps not identical for this ordering: A_%d_%d^%d differs.\nTrying reordering\n",
              i, j, k);
        std::vector<int> p;
        if (!attemptBoundaryReorder(ta, tb, &p)) return 0;
        Print("NIMreps identical up to permutations\n");
        PrintVec(L, p.data(), formatText("  Permutation (applied to set %d): ", numberB).c_str());
        compareBoundaryPhases(*a, *b, &p);
        return 1;
      }
  Print("NIMreps identical\n");
  compareBoundaryPhases(*a, *b, nullptr);
  return 1;
}

void CompareAllBoundarySets() {
  BoundarySearchState& s = boundarySearchState();
  const int K = static_cast<int>(s.completeBS.size());
  bool loaded = false;
  for (int p = K - 1; p >= 0; --p)
    for (int q = p - 1; q >= 0; --q) {
      const int before = crossBoundState().OrientifoldCounter;
      CompareBoundarySets(s.completeBS[static_cast<size_t>(p)].number,
                          s.completeBS[static_cast<size_t>(q)].number);
      if (crossBoundState().OrientifoldCounter != before) loaded = true;
    }
  // The comparison loads the sets it reads; set 0 is the one the search leaves in force.
  if (loaded) selectBoundary(0, 1);
}

// ---------------------------------------------------------------------------------------
// The complete sets belong to the invariant they were found for: the reset of the bulk
// invariant (a new theory, "reset bulk") frees them.

namespace {

void (*previousResetBulk)() = nullptr;

void resetBulkReleasingSets() {
  freeCompleteBoundarySets();
  if (previousResetBulk != nullptr) previousResetBulk();
}

}  // namespace

void installCompleteSetRelease() {
  ModularHooks hooks = modularHooks();
  if (hooks.resetBulk == resetBulkReleasingSets) return;
  previousResetBulk = hooks.resetBulk;
  hooks.resetBulk = resetBulkReleasingSets;
  setModularHooks(hooks);
}
