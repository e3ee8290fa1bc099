// Crosscap coefficients from Moebius-strip and Klein-bottle amplitudes: the search over the
// Moebius amplitudes of one boundary ("search crosscap"), and the checks that the
// Moebius-strip solver runs on each Moebius matrix it finds (the Klein bottle it implies,
// the Ishibashi maps, the trace formula, the polynomial equations and the canonical form
// under boundary permutations).
//
// Moebius matrices hold M[i + N b] (primary i, boundary b). Complex values are compared
// with zero by |re| + |im| <= 1e-7. The Klein-bottle equations and the reference table of
// the equation check live in CrosscapSearchState until resetMoebiusSolver's companion
// resetCrosscapSearch() clears them.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "collections/VectorSpace.h"
#include "collections/VectorUtility.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

long long crosscapLoopLength(int N, const int* diagonalAnnulus) {
  long long length = 1;
  for (int m = 0; m < N; ++m) {
    const long long factor = static_cast<long long>(diagonalAnnulus[m]) + 1;
    if (factor <= 0) return 0;
    if (length > LLONG_MAX / factor) return LLONG_MAX;
    length *= factor;
  }
  return length;
}

int chooseCrosscapBoundary(int N, int L, const std::vector<int>& diagonal,
                           const std::vector<int>& usable) {
  long long best = INT_MAX;
  int chosen = -1;
  for (int b = 0; b < L; ++b) {
    if (!usable[static_cast<size_t>(b)]) continue;
    const long long length =
        crosscapLoopLength(N, diagonal.data() + static_cast<size_t>(b) * static_cast<size_t>(N));
    if (boundVerbose() >= 1) Print("Nonzero boundary: %d; loop length: %lld\n", b, length);
    if (length < best) {
      best = length;
      chosen = b;
    }
  }
  if (chosen < 0) {
    Print("All boundary coefficients have at least one zero entry\n");
    Print("Moebius loop search abandoned.\n");
  }
  return chosen;
}

namespace {

constexpr double kZero = 1e-7;

struct CrosscapSearchState {
  std::unique_ptr<VectorSpace> KleinBottleEquations;
  std::vector<int> Moeb;  // reference table M^{-a}_b at a + N b; empty when not loaded
};

CrosscapSearchState& crosscapSearchState() {
  static CrosscapSearchState s;
  return s;
}

bool isZero(Complex z) {
  return std::fabs(z.real()) + std::fabs(z.imag()) <= kZero;
}

Complex S(int i, int m) {
  const MoebiusTables& t = moebiusTables();
  return t.S[static_cast<size_t>(i) * static_cast<size_t>(t.N) + static_cast<size_t>(m)];
}

Complex P(int i, int m) {
  const MoebiusTables& t = moebiusTables();
  return t.P[static_cast<size_t>(i) * static_cast<size_t>(t.N) + static_cast<size_t>(m)];
}

int boundaryCount(const std::vector<int>& M) {
  const int N = moebiusTables().N;
  return N > 0 ? static_cast<int>(M.size()) / N : 0;
}

}  // namespace

void resetCrosscapSearch() {
  crosscapSearchState() = CrosscapSearchState{};
}

int SolveForKlein(const std::vector<int>& M, const std::vector<int>& Z, const std::vector<int>& conj,
                  const std::vector<int>& T, int record) {
  CrosscapSearchState& st = crosscapSearchState();
  const MoebiusTables& t = moebiusTables();
  const int N = t.N, L = boundaryCount(M);
  if (!st.KleinBottleEquations)
    st.KleinBottleEquations = std::make_unique<VectorSpace>(100, "KleinBottleEquations", &CrossBound_alloc);
  VectorSpace* eqs = st.KleinBottleEquations.get();
  if (initEquationCollection(eqs, N, 100) == nullptr) return -3;
  if (boundVerbose() >= 1) Print("Solving for Klein bottle\n");
  // sum_k Y(-k,i,-j) K(k) = sum_b M^i_b M^j_{b*}.
  std::vector<int> eq(static_cast<size_t>(N) + 1, 0);
  for (int i = 0; i < N && eqs->Nfill < N; ++i)
    for (int j = 0; j < N && eqs->Nfill < N; ++j) {
      for (int k = 0; k < N; ++k) eq[static_cast<size_t>(k)] = t.KleinAt(k, i, j);
      long long sum = 0;
      for (int b = 0; b < L; ++b) {
        const int bc = conj.empty() ? BoundaryConjugate(b) : conj[static_cast<size_t>(b)];
        if (bc < 0 || bc >= L) continue;
        sum += static_cast<long long>(M[static_cast<size_t>(i + N * b)]) * M[static_cast<size_t>(j + N * bc)];
      }
      eq[static_cast<size_t>(N)] = static_cast<int>(-sum);
      if (CollectIntegerEquations(eqs, eq.data()) < 0) return -3;
    }
  if (eqs->Nfill < N) {
    Alert("SolveForKlein", 0, 212404, "Klein bottle equations incomplete\n");
    return -3;
  }
  std::vector<int> K(static_cast<size_t>(N), 0);
  for (int j = 0; j < eqs->Nfill; ++j) {
    const int* row = eqs->Space + static_cast<size_t>(j) * static_cast<size_t>(eqs->rowsize);
    const int q = row[N + 1];
    int nonzero = 0;
    for (int k = 0; k < N; ++k) nonzero += row[k] != 0;
    if (nonzero != 1 || q < 0 || q >= N || row[q] == 0) {
      PrintVec(N + 1, row, "Unsolved: ");
      Alert("SolveForKlein", 1, 212404, "Klein bottle equation has multiple solutions");
      return -3;
    }
    if (row[N] % row[q] != 0) {
      if (boundVerbose() >= 1) Print(" --- Irrational Klein bottle\n");
      return 0;
    }
    K[static_cast<size_t>(q)] = -row[N] / row[q];
  }
  for (int a = 0; a < N; ++a) {
    const int k = K[static_cast<size_t>(a)], z = a < static_cast<int>(Z.size()) ? Z[static_cast<size_t>(a)] : 0;
    if (std::abs(k) > z) {
      if (boundVerbose() >= 1) Print(" --- Klein bottle coefficient out of range\n");
      return 0;
    }
    if ((z - k) % 2 != 0) {
      if (boundVerbose() >= 1) Print(" --- Klein bottle coefficient violates mod-2 condition\n");
      return 0;
    }
  }
  Print("\nMoebius and Klein bottle equations solved\n");
  PrintSignedVec(N, K.data(), "Klein bottle =");
  std::vector<int>* row = record ? &unimrepRow() : nullptr;
  auto flag = [row](int word) {
    if (row != nullptr && static_cast<size_t>(word) < row->size()) (*row)[static_cast<size_t>(word)] = 1;
  };
  const int crosscap = checkKleinIshibashiMap(K);
  if (crosscap == 0) return -3;
  if (crosscap == -1) flag(kUnimReality);
  if (K[0] != 1) {
    Print("!!!  K[0] is not equal to 1\n");
    flag(kUnimK0);
  }
  if (checkKlein(K, -1) >= 1) {
    Print("!!!  Klein bottle constraint violated\n");
    flag(kUnimKleinConstraint);
  }
  if (!checkStanev(N, K, T)) {
    Print("!!!  Trace formula violated\n");
    flag(kUnimTrace);
  }
  if (row != nullptr && row->size() >= static_cast<size_t>(kUnimKlein + N))
    std::copy(K.begin(), K.end(), row->begin() + kUnimKlein);
  return 1;
}

int checkKleinIshibashiMap(const std::vector<int>& K) {
  const MoebiusTables& t = moebiusTables();
  const int N = t.N;
  for (int m = 0; m < N; ++m) {
    Complex G(0.0, 0.0);
    for (int a = 0; a < N && a < static_cast<int>(K.size()); ++a) G += static_cast<double>(K[static_cast<size_t>(a)]) * S(m, a);
    if (!t.ishibashiPrimary[static_cast<size_t>(m)]) {
      if (!isZero(G)) {
        Alert("checkKleinIshibashiMap", 0, 212404,
              "Candidate Klein bottle coefficients lead to inconsistent crosscap coefficients");
        return 0;
      }
    } else if (G.real() < -kZero || std::fabs(G.imag()) > kZero) {
      Print("!!! Imaginary crosscap coefficient [root of (%8.3f,%8.3f)]\n", G.real(), G.imag());
      return -1;
    }
  }
  return 1;
}

int checkStanev(int N, const std::vector<int>& K, const std::vector<int>& T) {
  const MoebiusTables& t = moebiusTables();
  if (N > t.N || static_cast<int>(K.size()) < N || static_cast<int>(T.size()) < N) return 0;
  for (int i = 0; i < N; ++i) {
    Complex sum(0.0, 0.0);
    for (int m = 0; m < N; ++m) {
      const double d = t.S0[static_cast<size_t>(m)];
      if (d == 0.0) continue;
      sum += S(i, m) * static_cast<double>(K[static_cast<size_t>(m)]) * static_cast<double>(t.Yat(m, 0, 0)) / d;
    }
    if (std::fabs(sum.imag()) > kZero || std::fabs(sum.real() - T[static_cast<size_t>(i)]) > kZero) return 0;
  }
  return 1;
}

int checkMoebiusIshibashiMap(const std::vector<int>& M) {
  const MoebiusTables& t = moebiusTables();
  const int N = t.N, L = boundaryCount(M);
  for (int b = 0; b < L; ++b)
    for (int m = 0; m < N; ++m) {
      if (t.ishibashiPrimary[static_cast<size_t>(m)]) continue;
      Complex sum(0.0, 0.0);
      for (int a = 0; a < N; ++a) sum += static_cast<double>(M[static_cast<size_t>(a + N * b)]) * P(m, a);
      if (std::fabs(sum.real()) > kZero || std::fabs(sum.imag()) > kZero) {
        Alert("checkMoebiusIshibashiMap", 0, 212404,
              "Candidate moebius coefficients lead to inconsistent crosscap coefficients");
        return 0;
      }
    }
  return 1;
}

int checkMoebiusEquations(const std::vector<int>* nimrep, const std::vector<int>& conj,
                          const std::vector<int>& M) {
  const MoebiusTables& t = moebiusTables();
  const int N = t.N, L = boundaryCount(M);
  for (int i = 0; i < N; ++i)
    for (int j = 0; j < N; ++j)
      for (int b = 0; b < L; ++b) {
        long long sum = 0;
        for (int c = 0; c < L; ++c)
          sum += static_cast<long long>(getAnnulusForMoebiusSearch(-i, b, c, nimrep, conj, 1)) *
                 M[static_cast<size_t>(j + N * c)];
        for (int k = 0; k < N; ++k)
          sum -= static_cast<long long>(t.Yat(i, j, k)) * M[static_cast<size_t>(k + N * b)];
        if (sum != 0) {
          Alert("checkMoebiusEquations", 0, 212404, "Polynomial equation not satisfied; sum=%lld", sum);
          return 0;
        }
      }
  return 1;
}

int checkMoebiusEqn(const std::vector<int>* eqn, const char* name, int modulus) {
  CrosscapSearchState& st = crosscapSearchState();
  if (name == nullptr) {
    const int N = moebiusTables().N, L = TotalBoundaries();
    st.Moeb.assign(static_cast<size_t>(N > 0 && L > 0 ? N * L : 0), 0);
    for (int b = 0; b < L; ++b)
      for (int a = 0; a < N; ++a) st.Moeb[static_cast<size_t>(a + N * b)] = getMoebius(-a, b);
    return 0;
  }
  if (st.Moeb.empty() || eqn == nullptr) return -1;
  long long sum = 0;
  const size_t n = std::min(st.Moeb.size(), eqn->size());
  for (size_t k = 0; k < n; ++k) sum += static_cast<long long>((*eqn)[k]) * st.Moeb[k];
  // The equations hold modulo the solver's prime; the sum is shown as its smallest residue.
  if (modulus > 1) {
    sum %= modulus;
    if (sum < 0) sum += modulus;
    if (sum > modulus / 2) sum -= modulus;
  }
  if (sum == 0) return 0;
  Print("Eqn %s: Sum=%lld\n", name, sum);
  PrintVec(static_cast<int>(eqn->size()), eqn->data(), " ");
  return 1;
}

int checkMoebiusPermutations(int N, int L, const std::vector<int>& M,
                             const std::vector<std::vector<int>>& symmetries, const std::vector<int>& list) {
  if (boundVerbose() >= 1) Print("Checking Moebius boundary permutations\n");
  if (list.size() < 2) return 1;
  std::vector<int> permuted(static_cast<size_t>(N * L), 0);
  for (size_t e = 1; e < list.size(); ++e) {
    const int index = list[e];
    if (index < 0 || static_cast<size_t>(index) >= symmetries.size()) continue;
    const std::vector<int>& image = symmetries[static_cast<size_t>(index)];
    if (static_cast<int>(image.size()) != L) continue;
    for (int b = 0; b < L; ++b)
      for (int i = 0; i < N; ++i)
        permuted[static_cast<size_t>(i + N * b)] = M[static_cast<size_t>(i + N * image[static_cast<size_t>(b)])];
    if (compareVec(N * L, M.data(), permuted.data()) < 0) return 0;
  }
  return 1;
}

int FindCrosscapCoefsFromMoebius() {
  if (!completeBoundarySetSelected() || initializeOpenString() != 0) {
    Alert("FindCrosscapCoefsFromMoebius", 0, 100301, "Moebius search requires complete set of boundaries\n");
    return 0;
  }
  if (!loadMoebiusTables()) return 0;
  const MoebiusTables& t = moebiusTables();
  const int N = t.N, L = TotalBoundaries();
  if (L < 1) return 0;
  // R(m, b) at the first Ishibashi label of each Ishibashi primary.
  std::vector<Complex> R(static_cast<size_t>(N * L), Complex(0.0, 0.0));
  std::vector<int> usable(static_cast<size_t>(L), 1), diagonal(static_cast<size_t>(N * L), 0);
  for (int b = 0; b < L; ++b)
    for (int m = 0; m < N; ++m) {
      diagonal[static_cast<size_t>(b * N + m)] = getAnnulus(m, b, b);
      const int label = getIshibashiLabel(m);
      if (label < 0) continue;
      double re = 0.0, im = 0.0;
      getCurrentReflectionCoefficient(label, b, &re, &im);
      R[static_cast<size_t>(m + N * b)] = Complex(re, im);
      if (isZero(Complex(re, im))) usable[static_cast<size_t>(b)] = 0;
    }
  const int b = chooseCrosscapBoundary(N, L, diagonal, usable);
  if (b < 0) return 0;
  Print("\n######### Moebius loop search for boundary %d\n", b);
  std::vector<int> Z(static_cast<size_t>(N), 0);
  resetExceptionalKleinBottle(Z.data());
  const int* A = diagonal.data() + static_cast<size_t>(b) * static_cast<size_t>(N);
  std::vector<int> x(static_cast<size_t>(N), 0), candidate(static_cast<size_t>(N), 0), K(static_cast<size_t>(N), 0);
  std::vector<Complex> U(static_cast<size_t>(N));
  const int info = boundVerbose();
  int found = 0;
  ProgressScope progress("Moebius loop search", static_cast<double>(crosscapLoopLength(N, A)));
  for (bool more = true; more;) {
    progress.step();
    for (int m = 0; m < N; ++m) candidate[static_cast<size_t>(m)] = 2 * x[static_cast<size_t>(m)] - A[m];
    // The next odometer position, last index fastest.
    more = false;
    for (int m = N; m-- > 0;) {
      if (x[static_cast<size_t>(m)] < A[m]) {
        ++x[static_cast<size_t>(m)];
        more = true;
        break;
      }
      x[static_cast<size_t>(m)] = 0;
    }
    // Of M and -M only the one whose first non-zero entry is positive.
    bool negative = false;
    for (int m = 0; m < N; ++m)
      if (candidate[static_cast<size_t>(m)] != 0) {
        negative = candidate[static_cast<size_t>(m)] < 0;
        break;
      }
    if (negative) continue;
    if (info >= 7) PrintSignedVec(N, candidate.data(), "Candidate Moebius:");
    bool ok = true;
    for (int m = 0; m < N && ok; ++m) {
      Complex X(0.0, 0.0);
      for (int a = 0; a < N; ++a) X += static_cast<double>(candidate[static_cast<size_t>(a)]) * P(m, a);
      if (!t.ishibashiPrimary[static_cast<size_t>(m)]) {
        U[static_cast<size_t>(m)] = Complex(0.0, 0.0);
        if (!isZero(X)) {
          if (info >= 8) Print("Ishibashi label violation: label %d\n", m);
          ok = false;
        }
        continue;
      }
      U[static_cast<size_t>(m)] = t.S0[static_cast<size_t>(m)] * X / R[static_cast<size_t>(m + N * b)];
    }
    if (!ok) continue;
    if (info >= 1 && info <= 6) PrintSignedVec(N, candidate.data(), "Candidate Moebius:");
    // The Klein bottle K(a) = sum_m S(a,m) U(m)^2 / Re S(0,m).
    std::vector<Complex> Kc(static_cast<size_t>(N), Complex(0.0, 0.0));
    for (int a = 0; a < N; ++a)
      for (int m = 0; m < N; ++m)
        if (t.S0[static_cast<size_t>(m)] != 0.0)
          Kc[static_cast<size_t>(a)] += S(a, m) * U[static_cast<size_t>(m)] * U[static_cast<size_t>(m)] / t.S0[static_cast<size_t>(m)];
    if (!isZero(Kc[0] - Complex(1.0, 0.0))) {
      if (info >= 1) Print("Identity Klein bottle not equal to 1\n");
      continue;
    }
    for (int a = 0; a < N && ok; ++a) {
      int k = 0;
      const int z = Z[static_cast<size_t>(a)];
      if (!ComplexToInteger(&k, Kc[static_cast<size_t>(a)].real(), Kc[static_cast<size_t>(a)].imag())) {
        if (info >= 1) Print("Klein bottle %d not integer\n", a);
        ok = false;
      } else if (std::abs(k) > z) {
        if (info >= 1) Print("Klein bottle %d out of range (value %d, Z_ii=%d)\n", a, k, z);
        ok = false;
      } else if ((k - z) % 2 != 0) {
        if (info >= 1) Print("Klein bottle %d has wrong parity (value %d, Z_ii=%d)\n", a, k, z);
        ok = false;
      }
      K[static_cast<size_t>(a)] = k;
    }
    if (!ok) continue;
    if (info >= 1) PrintSignedVec(N, K.data(), "Klein bottle ");
    // The Moebius amplitudes of every boundary:
    // M(a,c) = sum_m P(a,m)^* R(m,c) U(m) / S(0,m).
    for (int c = 0; c < L && ok; ++c)
      for (int a = 0; a < N && ok; ++a) {
        Complex sum(0.0, 0.0);
        for (int m = 0; m < N; ++m)
          if (t.ishibashiPrimary[static_cast<size_t>(m)] && t.S0[static_cast<size_t>(m)] != 0.0)
            sum += std::conj(P(a, m)) * R[static_cast<size_t>(m + N * c)] * U[static_cast<size_t>(m)] /
                   t.S0[static_cast<size_t>(m)];
        int value = 0;
        const int bound = getAnnulus(-a, c, c);
        if (!ComplexToInteger(&value, sum.real(), sum.imag())) {
          if (info >= 1) Print("Moebius %d (boundary %d) not integer\n", a, c);
          ok = false;
        } else if (std::abs(value) > bound) {
          if (info >= 1)
            Print("Moebius %d (boundary %d) out of range (value %d, annulus %d)\n", a, c, value, bound);
          ok = false;
        } else if ((value - bound) % 2 != 0) {
          if (info >= 1)
            Print("Moebius %d (boundary %d) has wrong parity (value %d, annulus %d)\n", a, c, value, bound);
          ok = false;
        }
      }
    if (!ok) continue;
    Print("Crosscap coefficients determined: \n");
    std::vector<double> re(static_cast<size_t>(N)), im(static_cast<size_t>(N));
    for (int m = 0; m < N; ++m) {
      re[static_cast<size_t>(m)] = U[static_cast<size_t>(m)].real();
      im[static_cast<size_t>(m)] = U[static_cast<size_t>(m)].imag();
    }
    PrintComplexVec(N, re.data(), im.data(), "Crosscap: ");
    ++found;
  }
  return found;
}
