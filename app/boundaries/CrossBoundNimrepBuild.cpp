// The sixth step of "search NIMrep": good row combinations are assembled into L x L
// matrices of candidate numbers (A^i_ab is entry i of candidate M[a][b]), each matrix is
// checked against the fusion rules, and every NIMrep found is analysed for its boundary
// conjugations (involutions c with M[a][b] = M[c(b)][c(a)]) up to its symmetries.
//
// Rows are tested as they are placed (the fusion condition against the earlier rows and a
// canonical column order), so that matrices differing only by a relabelling of
// indistinguishable boundaries are built once.
#include <algorithm>
#include <set>
#include <vector>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"

namespace {

struct NimrepBuildState {
  NimrepCounts counts;
  std::vector<std::vector<int>> matrices;  // the NIMreps found, L * L each
  std::vector<std::vector<int>> UNIMreps;
  std::vector<int> currentRow;  // the UNIMreps row under construction
  int capacityExceeded = 0;
};

// Rows of a known complete boundary set; they outlive the boundary-search reset, so that a
// later search can report the rows it did not find.
std::vector<std::vector<int>>& knownVectors() {
  static std::vector<std::vector<int>> rows;
  return rows;
}

NimrepBuildState& buildState() {
  static NimrepBuildState s;
  return s;
}

int annulus(int x, int i) {
  const NimrepStore& s = nimrepStore();
  return s.Annuli[static_cast<size_t>(x) * static_cast<size_t>(s.N) + static_cast<size_t>(i)];
}

int conjugateCandidate(int x) {
  const NimrepStore& s = nimrepStore();
  return x >= 0 && static_cast<size_t>(x) < s.NIMrepConjugates.size() ? s.NIMrepConjugates[static_cast<size_t>(x)] : -1;
}

int fusionN(int i, int j, int k) {
  const NimrepStore& s = nimrepStore();
  const size_t n = static_cast<size_t>(s.N);
  return s.fusionTable[(static_cast<size_t>(i) * n + static_cast<size_t>(j)) * n + static_cast<size_t>(k)];
}

int maxRows() {
  const int* p = getIntParPointer("NIMrep Max_row");
  return p != nullptr ? *p : 100000;
}

void limitMessage(const char* what) {
  Print("%s", what);
  Print("(To change maximum use \"set NIMrep Max_row\")\n");
  buildState().capacityExceeded = 1;
}

// Every distinct row obtained from w by permuting entries among positions of equal label,
// position `fixed` staying put. 0 when more than `limit` rows arise.
int permutedRows(const std::vector<int>& w, const std::vector<int>& lab, int fixed, long long limit,
                 std::vector<std::vector<int>>* out) {
  const int L = static_cast<int>(w.size());
  std::vector<std::vector<int>> classes;
  std::vector<int> seen;
  for (int d = 0; d < L; ++d) {
    if (d == fixed || std::find(seen.begin(), seen.end(), lab[static_cast<size_t>(d)]) != seen.end()) continue;
    seen.push_back(lab[static_cast<size_t>(d)]);
    std::vector<int> cls;
    for (int e = d; e < L; ++e)
      if (e != fixed && lab[static_cast<size_t>(e)] == lab[static_cast<size_t>(d)]) cls.push_back(e);
    classes.push_back(cls);
  }
  out->clear();
  std::vector<int> row = w;
  // Depth-first over the classes; each class runs through its distinct arrangements.
  long long made = 0;
  bool over = false;
  auto rec = [&](auto&& self, size_t c) -> void {
    if (over) return;
    if (c == classes.size()) {
      if (++made > limit) {
        over = true;
        return;
      }
      out->push_back(row);
      return;
    }
    std::vector<int> values;
    for (int p : classes[c]) values.push_back(w[static_cast<size_t>(p)]);
    std::sort(values.begin(), values.end());
    do {
      for (size_t t = 0; t < values.size(); ++t) row[static_cast<size_t>(classes[c][t])] = values[t];
      self(self, c + 1);
    } while (!over && std::next_permutation(values.begin(), values.end()));
  };
  rec(rec, 0);
  return over ? 0 : 1;
}

// Row r after rows 0 .. r-1: the fusion condition on the entries fixed so far, and the
// canonical order within blocks of equal labels and equal earlier rows.
int checkNewNIMrepRow(const std::vector<int>& M, int r, const std::vector<int>& lab, int L) {
  const int N = nimrepStore().N;
  auto at = [&M, L](int a, int b) { return M[static_cast<size_t>(a * L + b)]; };
  for (int i = 0; i < N; ++i)
    for (int j = i; j < N; ++j)
      for (int c = 0; c < r; ++c) {
        long long lhs = 0, rhs = 0;
        for (int d = 0; d < L; ++d) {
          const int below = conjugateCandidate(at(r, d));
          if (below < 0) return 0;
          lhs += static_cast<long long>(annulus(at(c, d), i)) * annulus(below, j);
        }
        for (int k = 0; k < N; ++k) rhs += static_cast<long long>(fusionN(i, j, k)) * annulus(at(c, r), k);
        if (lhs != rhs) return 0;
      }
  for (int d = 1; d < L; ++d) {
    bool sameBlock = lab[static_cast<size_t>(d)] == lab[static_cast<size_t>(d - 1)];
    for (int q = 0; q < r && sameBlock; ++q) sameBlock = at(q, d) == at(q, d - 1);
    if (sameBlock && at(r, d) < at(r, d - 1)) return 0;
  }
  return 1;
}

bool isInvolutionConjugation(const std::vector<int>& M, const std::vector<int>& c, int L) {
  for (int a = 0; a < L; ++a) {
    if (c[static_cast<size_t>(c[static_cast<size_t>(a)])] != a) return false;
    for (int b = 0; b < L; ++b)
      if (M[static_cast<size_t>(a * L + b)] !=
          M[static_cast<size_t>(c[static_cast<size_t>(b)] * L + c[static_cast<size_t>(a)])])
        return false;
  }
  return true;
}

// The Moebius and Klein-bottle analysis of every inequivalent conjugation. The variables of
// the Moebius equations follow the envelope of all conjugations, so that the equations of
// conjugation 0 serve the later ones.
void analyse_S_NIMrep(const std::vector<int>& M, int L, const std::vector<std::vector<int>>& conjugations,
                      const std::vector<std::vector<int>>& symmetries,
                      const std::vector<std::vector<int>>& stabilisers) {
  NimrepBuildState& st = buildState();
  const int N = nimrepStore().N;
  const std::vector<int> envelope = getLimitsEnvelop(M, L, conjugations);
  int largest = 0;
  for (int e : envelope) largest = std::max(largest, e);
  const int p = moebiusPrime(largest);
  for (size_t k = 0; k < conjugations.size(); ++k) {
    Print("--------------------------------------------------------------\n");
    PrintVec(L, conjugations[k].data(), formatText("Boundary conjugation Nr. %d", static_cast<int>(k)).c_str());
    Print("--------------------------------------------------------------\n");
    ++st.counts.symmetric;
    startUNIMrepRow(N, st.counts.nimreps - 1, static_cast<int>(k));
    const std::vector<int>& stabiliser = stabilisers[k];
    if (boundVerbose() >= 3 && !stabiliser.empty()) {
      Print("   S-NIMrep symmetries\n");
      for (size_t q = 0; q < stabiliser.size(); ++q)
        PrintVec(L, symmetries[static_cast<size_t>(stabiliser[q])].data(),
                 formatText("     Symmetry nr. %d ", static_cast<int>(q)).c_str());
    }
    st.counts.unoriented +=
        SolveForMoebius(&M, conjugations[k], &symmetries, &stabiliser, &envelope, p, static_cast<int>(k));
  }
}

void analyseNIMrep(const std::vector<int>& M, int L) {
  NimrepBuildState& st = buildState();
  if (!checkNIMrep(M, L)) return;
  ++st.counts.nimreps;
  st.matrices.push_back(M);
  Print("==================== NIMrep found =============================\n");
  printNIMrepForMatrix(M, L);
  if (boundVerbose() >= 3) Print("Looking for boundary conjugations\n");
  std::vector<std::vector<int>> conj = findBoundaryConjugations(M, L);
  if (conj.empty()) {
    Print("Non-symmetrizable NIMrep\n");
    return;
  }
  if (conj.size() == 1) Print("NIMrep has a unique symmetrization\n");
  if (conj.size() > 1 && boundVerbose() >= 5) {
    Print("Boundary conjugations (total %d, equivalences not yet removed)\n", static_cast<int>(conj.size()));
    for (size_t k = 0; k < conj.size(); ++k)
      PrintVec(L, conj[k].data(), formatText("Conjugation nr %d", static_cast<int>(k)).c_str());
  }
  const std::vector<std::vector<int>> sym = generateNIMrepSymmetries(M, L);
  if (boundVerbose() >= 3) {
    Print("Symmetries: \n");
    for (const std::vector<int>& p : sym) PrintVec(L, p.data(), "");
  }
  Print("Starting removal of equivalent boundaries\n");
  std::vector<std::vector<int>> stabilisers;
  removeEquivalentBoundaryConjugations(L, &conj, sym, &stabilisers);
  Print("Nr of inequivalent S-NIMreps: %d\n", static_cast<int>(conj.size()));
  if (boundVerbose() >= 3) {
    Print("Boundary conjugations (total %d, inequivalent)\n", static_cast<int>(conj.size()));
    for (size_t k = 0; k < conj.size(); ++k)
      PrintVec(L, conj[k].data(), formatText("Conjugation nr %d", static_cast<int>(k)).c_str());
  }
  analyse_S_NIMrep(M, L, conj, sym, stabilisers);
  Print("==================== \nNIMrep analysis finished ====================\n");
}

// Depth-first assembly of the matrices whose row 0 is combination f.
void CombineBoundaries(int L, const std::vector<std::vector<int>>& rows, const std::vector<int>& first,
                       const std::vector<int>& lab, const std::vector<int>& lo, const std::vector<int>& hi) {
  std::vector<int> M(static_cast<size_t>(L * L), 0);
  std::copy(first.begin(), first.begin() + L, M.begin());
  if (boundVerbose() >= 5) PrintVec(L, first.data(), "Considering first row: ");
  double noted = CPUTime();
  std::vector<int> choice(static_cast<size_t>(L), 0);
  auto complete = [&]() {
    if (boundVerbose() >= 2) {
      Print("Candidate NIMrep found; Boundary matrix:\n");
      for (int a = 0; a < L; ++a) PrintVec(L, M.data() + a * L, "     ");
    }
    analyseNIMrep(M, L);
  };
  if (L == 1) {
    complete();
    return;
  }
  int r = 1;
  choice[1] = lo[1] - 1;
  while (r >= 1) {
    obeyInterruptRequest();
    if (CPUTime() - noted > 20.0) {
      Print("Current row: %d\n", r);
      noted = CPUTime();
    }
    const size_t ur = static_cast<size_t>(r);
    bool placed = false;
    while (++choice[ur] < hi[ur]) {
      const std::vector<int>& w = rows[static_cast<size_t>(choice[ur])];
      bool ok = true;
      for (int q = 0; q < r && ok; ++q) ok = conjugateCandidate(w[static_cast<size_t>(q)]) == M[static_cast<size_t>(q * L + r)];
      if (!ok) continue;
      std::copy(w.begin(), w.end(), M.begin() + r * L);
      if (!checkNewNIMrepRow(M, r, lab, L)) continue;
      placed = true;
      break;
    }
    if (!placed) {
      --r;
      continue;
    }
    if (r == L - 1) {
      complete();
      continue;
    }
    ++r;
    choice[static_cast<size_t>(r)] = lo[static_cast<size_t>(r)] - 1;
  }
}

}  // namespace

int checkNIMrep(const std::vector<int>& M, int L) {
  const int N = nimrepStore().N;
  for (int i = 0; i < N; ++i)
    for (int j = i; j < N; ++j)
      for (int a = 0; a < L; ++a)
        for (int b = a; b < L; ++b) {
          long long lhs = 0, rhs = 0;
          for (int c = 0; c < L; ++c)
            lhs += static_cast<long long>(annulus(M[static_cast<size_t>(a * L + c)], i)) *
                   annulus(M[static_cast<size_t>(c * L + b)], j);
          for (int k = 0; k < N; ++k) rhs += static_cast<long long>(fusionN(i, j, k)) * annulus(M[static_cast<size_t>(a * L + b)], k);
          if (lhs != rhs) {
            if (boundVerbose() >= 5) Print("NIMrep violation: i=%d, j=%d, a=%d, b=%d\n", i, j, a, b);
            return 0;
          }
        }
  return 1;
}

void printNIMrepForMatrix(const std::vector<int>& M, int L) {
  const int N = nimrepStore().N;
  for (int i = 0; i < N; ++i) {
    Print("\nA^%d=\n      ", i);
    for (int a = 0; a < L; ++a) {
      for (int b = 0; b < L; ++b) Print("%d ", annulus(M[static_cast<size_t>(a * L + b)], i));
      Print("\n      ");
    }
  }
  Print("\n");
}

std::vector<std::vector<int>> findBoundaryConjugations(const std::vector<int>& M, int L) {
  // Involutions built pair by pair: each boundary is fixed or swapped with a later one.
  std::vector<std::vector<int>> out;
  std::vector<int> c(static_cast<size_t>(L), -1);
  auto at = [&M, L](int a, int b) { return M[static_cast<size_t>(a * L + b)]; };
  auto consistent = [&]() {
    // Every pair of paired-off boundaries satisfies M[a][b] = M[c(b)][c(a)].
    for (int a = 0; a < L; ++a)
      for (int b = 0; b < L; ++b) {
        const int ca = c[static_cast<size_t>(a)], cb = c[static_cast<size_t>(b)];
        if (ca < 0 || cb < 0) continue;
        if (at(a, b) != at(cb, ca)) return false;
      }
    return true;
  };
  auto rec = [&](auto&& self, int a) -> void {
    if (a == L) {
      if (isInvolutionConjugation(M, c, L)) out.push_back(c);
      return;
    }
    if (c[static_cast<size_t>(a)] >= 0) {
      self(self, a + 1);
      return;
    }
    for (int b = a; b < L; ++b) {
      if (c[static_cast<size_t>(b)] >= 0 || at(a, a) != at(b, b)) continue;
      c[static_cast<size_t>(a)] = b;
      c[static_cast<size_t>(b)] = a;
      if (consistent()) self(self, a + 1);
      c[static_cast<size_t>(a)] = -1;
      c[static_cast<size_t>(b)] = -1;
    }
  };
  rec(rec, 0);
  return out;
}

std::vector<std::vector<int>> generateNIMrepSymmetries(const std::vector<int>& M, int L) {
  // Backtracking over images: p is extended one boundary at a time and kept only while
  // M[p(a)][p(b)] = M[a][b] holds on the boundaries placed.
  std::vector<std::vector<int>> out;
  std::vector<int> p(static_cast<size_t>(L), -1);
  std::vector<char> used(static_cast<size_t>(L), 0);
  auto at = [&M, L](int a, int b) { return M[static_cast<size_t>(a * L + b)]; };
  auto rec = [&](auto&& self, int a) -> void {
    if (a == L) {
      out.push_back(p);
      return;
    }
    for (int t = 0; t < L; ++t) {
      if (used[static_cast<size_t>(t)]) continue;
      p[static_cast<size_t>(a)] = t;
      bool ok = true;
      for (int b = 0; b <= a && ok; ++b)
        ok = at(t, p[static_cast<size_t>(b)]) == at(a, b) && at(p[static_cast<size_t>(b)], t) == at(b, a);
      if (!ok) continue;
      used[static_cast<size_t>(t)] = 1;
      self(self, a + 1);
      used[static_cast<size_t>(t)] = 0;
    }
    p[static_cast<size_t>(a)] = -1;
  };
  rec(rec, 0);
  return out;
}

void buildNIMrep() {
  const NimrepStore& s = nimrepStore();
  const int R = static_cast<int>(s.SuccessfulBoundaries.size());
  if (R == 0) return;
  const int L = static_cast<int>(s.SuccessfulBoundaries[0].size()) / 2;
  const int limit = maxRows();
  for (int f = 0; f < R; ++f) {
    if (boundVerbose() >= 3) Print("Considering first row candidate %d (out of %d) \n", f, R);
    const std::vector<int>& F = s.SuccessfulBoundaries[static_cast<size_t>(f)];
    const std::vector<int> lab(F.begin() + L, F.end());
    std::vector<std::vector<int>> rows;
    std::vector<int> lo(static_cast<size_t>(L), 0), hi(static_cast<size_t>(L), 0);
    bool possible = true;
    for (int r = 1; r < L && possible; ++r) {
      lo[static_cast<size_t>(r)] = static_cast<int>(rows.size());
      std::set<std::vector<int>> distinct;
      for (int g = f; g < R; ++g) {
        const std::vector<int>& G = s.SuccessfulBoundaries[static_cast<size_t>(g)];
        if (G[0] != lab[static_cast<size_t>(r)]) continue;
        std::vector<int> w(static_cast<size_t>(L), -1);
        std::vector<char> taken(static_cast<size_t>(L), 0);
        w[static_cast<size_t>(r)] = G[0];
        taken[0] = 1;
        bool placed = true;
        for (int d = 0; d < L && placed; ++d) {
          if (d == r) continue;
          placed = false;
          for (int e = 0; e < L; ++e)
            if (!taken[static_cast<size_t>(e)] && G[static_cast<size_t>(L + e)] == lab[static_cast<size_t>(d)]) {
              w[static_cast<size_t>(d)] = G[static_cast<size_t>(e)];
              taken[static_cast<size_t>(e)] = 1;
              placed = true;
              break;
            }
        }
        if (!placed) continue;
        std::vector<std::vector<int>> generated;
        if (!permutedRows(w, lab, r, 2LL * limit, &generated)) {
          limitMessage("Maximal number of permutations exceeded; aborting\n");
          return;
        }
        for (const std::vector<int>& v : generated) {
          if (conjugateCandidate(v[0]) != F[static_cast<size_t>(r)] || !distinct.insert(v).second) continue;
          rows.push_back(v);
          if (static_cast<long long>(rows.size()) > limit) {
            limitMessage("Maximal number of row vectors exceeded; aborting\n");
            return;
          }
        }
      }
      hi[static_cast<size_t>(r)] = static_cast<int>(rows.size());
      if (hi[static_cast<size_t>(r)] <= lo[static_cast<size_t>(r)]) possible = false;
    }
    if (!possible) continue;
    if (boundVerbose() >= 3) Print("Nr. of candidate row vectors: %d\n", static_cast<int>(rows.size()));
    if (boundVerbose() >= 5) {
      Print("Candidates:\n");
      for (const std::vector<int>& v : rows) PrintVec(L, v.data(), "");
    }
    CombineBoundaries(L, rows, F, lab, lo, hi);
  }
}

void resetNimrepBuild() {
  buildState() = NimrepBuildState{};
}

const NimrepCounts& nimrepCounts() {
  return buildState().counts;
}

const std::vector<std::vector<int>>& foundNIMreps() {
  return buildState().matrices;
}

const std::vector<std::vector<int>>& unorientedNIMreps() {
  return buildState().UNIMreps;
}

int nimrepCapacityExceeded() {
  return buildState().capacityExceeded;
}

std::vector<int>& unimrepRow() {
  return buildState().currentRow;
}

void startUNIMrepRow(int N, int nimrep, int conjugation) {
  std::vector<int>& row = buildState().currentRow;
  row.assign(static_cast<size_t>(N > 0 ? N : 0) + kUnimKlein, 0);
  row[kUnimNimrep] = nimrep;
  row[kUnimConjugation] = conjugation;
}

void clearUNIMrepRow() {
  std::vector<int>& row = buildState().currentRow;
  if (row.size() >= static_cast<size_t>(kUnimKlein)) std::fill(row.begin() + kUnimKleinConstraint, row.end(), 0);
}

void commitUNIMrepRow() {
  NimrepBuildState& st = buildState();
  st.UNIMreps.push_back(st.currentRow);
  clearUNIMrepRow();
}

size_t unimrepRowCount() {
  return buildState().UNIMreps.size();
}

void truncateUNIMreps(size_t n) {
  std::vector<std::vector<int>>& rows = buildState().UNIMreps;
  if (n < rows.size()) rows.resize(n);
}

std::vector<int> getLimitsEnvelop(const std::vector<int>& M, int L,
                                  const std::vector<std::vector<int>>& conjugations) {
  const NimrepStore& s = nimrepStore();
  const int N = s.N;
  std::vector<int> envelope(static_cast<size_t>(N > 0 && L > 0 ? N * L : 0), 0);
  for (const std::vector<int>& c : conjugations) {
    if (static_cast<int>(c.size()) != L) continue;
    for (int a = 0; a < L; ++a) {
      const int ca = c[static_cast<size_t>(a)];
      if (ca < 0 || ca >= L) continue;
      const int x = M[static_cast<size_t>(a * L + ca)];
      for (int i = 0; i < N; ++i) {
        int& e = envelope[static_cast<size_t>(i + N * a)];
        e = std::max(e, annulus(x, s.conjugateField[static_cast<size_t>(i)]));
      }
    }
  }
  return envelope;
}

void removeEquivalentBoundaryConjugations(int L, std::vector<std::vector<int>>* conjugations,
                                          const std::vector<std::vector<int>>& symmetries,
                                          std::vector<std::vector<int>>* stabilisers) {
  const std::vector<std::vector<int>>& conj = *conjugations;
  std::vector<std::vector<int>> kept, keptStabilisers;
  for (size_t k = 0; k < conj.size(); ++k) {
    bool dropped = false;
    std::vector<int> fixing;
    for (size_t q = 0; q < symmetries.size() && !dropped; ++q) {
      const std::vector<int>& s = symmetries[q];
      std::vector<int> inv(static_cast<size_t>(L)), image(static_cast<size_t>(L));
      for (int a = 0; a < L; ++a) inv[static_cast<size_t>(s[static_cast<size_t>(a)])] = a;
      // s^-1 after c_k after s.
      for (int a = 0; a < L; ++a)
        image[static_cast<size_t>(a)] = inv[static_cast<size_t>(conj[k][static_cast<size_t>(s[static_cast<size_t>(a)])])];
      const size_t j = static_cast<size_t>(std::find(conj.begin(), conj.end(), image) - conj.begin());
      if (j == k) {
        fixing.push_back(static_cast<int>(q));
      } else if (j < k) {
        if (boundVerbose() >= 3)
          Print("Boundary conjugation nr. %d is equivalent to  nr. %d\n", static_cast<int>(k), static_cast<int>(j));
        dropped = true;
      }
    }
    if (dropped) continue;
    kept.push_back(conj[k]);
    keptStabilisers.push_back(fixing);
  }
  *conjugations = kept;
  *stabilisers = keptStabilisers;
}

int checkNIMrepPermutation(const std::vector<int>& M, const std::vector<int>& p, int L) {
  if (static_cast<int>(p.size()) != L || static_cast<int>(M.size()) != L * L) return 0;
  for (int a = 0; a < L; ++a)
    for (int b = 0; b < L; ++b)
      if (M[static_cast<size_t>(p[static_cast<size_t>(a)] * L + p[static_cast<size_t>(b)])] !=
          M[static_cast<size_t>(a * L + b)])
        return 0;
  return 1;
}

int storeNIMrep() {
  std::vector<std::vector<int>>& known = knownVectors();
  known.clear();
  if (initializeOpenString() != 0) return 0;
  const int N = primaryCount(), L = TotalBoundaries();
  for (int a = 0; a < L; ++a) {
    for (int b = 0; b < L; ++b) {
      const int bc = BoundaryConjugate(b);
      if (bc < 0) continue;
      std::vector<int> row(static_cast<size_t>(N), 0);
      for (int i = 0; i < N; ++i) row[static_cast<size_t>(i)] = getAnnulus(i, a, bc);
      size_t index = std::find(known.begin(), known.end(), row) -
                     known.begin();
      if (index == known.size()) known.push_back(row);
      Print("%3d ", static_cast<int>(index));
    }
    Print("\n");
  }
  Print("Stored %d nimrep vectors\n", static_cast<int>(known.size()));
  return static_cast<int>(known.size());
}

const std::vector<std::vector<int>>& knownNIMrepVectors() {
  return knownVectors();
}

void resetKnownNIMrepVectors() {
  knownVectors().clear();
}
