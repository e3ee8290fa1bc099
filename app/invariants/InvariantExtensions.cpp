// Modular invariants of extension type that need no simple currents. A candidate chiral
// algebra is A = sum_f m_f f over the integer-spin primaries f, the identity once. A
// candidate passes the projection test when sum_f m_f S(f, j) is real and not negative for
// every primary j; it is then completed, if it can be, to an invariant by splitting the
// fusion matrix H(i, j) = sum over A of N_{f i}^j into squares v v^T of field combinations
// (rows of H with a diagonal 1), dividing H by the gcd of its entries where no such row is
// left. Squares whose fields agree in spin modulo integers make up the invariant
// M = sum mult v v^T, which the common acceptance step checks and stores.
//
// The multiplicity bounds of the search follow from the projection onto the vacuum and
// onto each candidate field (see getMaximumCurrentMultiplicities).
//
// Work arrays live for one call; their size is known before it starts, and work that would
// pass what one allocation may hold is refused first. The acceptance step is reached
// through a seam that the code of typed invariants installs.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "interpreter/RunControl.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

int acceptanceStandIn(const int*, int, int, int, int) {
  Alert("acceptCandidate", 0, 100201, "Acceptance of candidate invariants: not available yet");
  return 0;
}

CandidateAcceptance& acceptanceSlot() {
  static CandidateAcceptance acceptance = acceptanceStandIn;
  return acceptance;
}

int primaryCount() {
  return knownPrimaryCount();
}

Rat weightOf(int i) {
  const Rat* h = ratWeight(i);
  return h != nullptr ? *h : Rat{0, 1};
}

bool integerDifference(const Rat& a, const Rat& b) {
  // a - b = (a.num b.den - b.num a.den) / (a.den b.den); weights are small fractions.
  const long long num = a.num * b.den - b.num * a.den;
  const long long den = a.den * b.den;
  return den != 0 && num % den == 0;
}

double realS(int i, int j) {
  double re = 0.0;
  double im = 0.0;
  compS(i, j, &re, &im);
  return re;
}

int decimalLength(int x) {
  return static_cast<int>(std::to_string(x).size());
}

// The homomorphism construction holds H, one combination v and M: (2N + 1) N ints.
bool homomorphismFits(const char* routine, int N) {
  return requireAllocationSize(routine, "The fusion matrices of the homomorphism construction",
                               (2.0L * N + 1.0L) * N, sizeof(int));
}

// The first r with H(r, r) = 1, or -1.
int findDiagonalOne(const std::vector<int>& H, int N) {
  for (int r = 0; r < N; ++r) {
    if (H[static_cast<std::size_t>(r) * static_cast<std::size_t>(N) + static_cast<std::size_t>(r)] == 1) return r;
  }
  return -1;
}

}  // namespace

void setCandidateAcceptance(CandidateAcceptance acceptance) {
  acceptanceSlot() = acceptance != nullptr ? acceptance : acceptanceStandIn;
}

int acceptCandidate(const int* M, int check, int store, int makeCurrent, int print) {
  return acceptanceSlot()(M, check, store, makeCurrent, print);
}

std::vector<int> findIntegerSpin() {
  std::vector<int> currents;
  const int N = primaryCount();
  for (int i = 0; i < N; ++i) {
    if (weightOf(i).den == 1) currents.push_back(i);
  }
  currents.push_back(-1);
  return currents;
}

double getMaximumCurrentMultiplicities(int n, const int* fields, int* bounds) {
  if (n <= 0) return 1.0;
  if (!requireAllocationSize("getMaximumCurrentMultiplicities",
                             "The S matrix of the integer-spin fields",
                             static_cast<long double>(n) * n, sizeof(double)))
    return -1.0;
  initSMATRIX();
  const std::size_t size = static_cast<std::size_t>(n);
  const double S00 = realS(0, 0);
  std::vector<double> s(size);
  std::vector<double> C(size * size);
  for (std::size_t b = 0; b < size; ++b) s[b] = realS(0, fields[b]);
  for (std::size_t a = 0; a < size; ++a) {
    obeyInterruptRequest();
    for (std::size_t b = 0; b < size; ++b) C[a * size + b] = realS(fields[a], fields[b]);
  }
  for (std::size_t b = 0; b < size; ++b) {
    // A field without quantum dimension (S(0, f) = 0) cannot occur in an algebra.
    bounds[b] = s[b] > 1e-10 ? static_cast<int>((1.000001 - S00) / s[b] + 1.0) : 1;
  }
  bool lowered = true;
  while (lowered) {
    lowered = false;
    for (std::size_t a = 0; a < size; ++a) {
      for (int t = bounds[a] - 1; t >= 1; --t) {
        const double d = C[a * size + a] - S00;
        double E = s[a] + t * d - static_cast<double>(t) * t * s[a];
        for (std::size_t b = 0; b < size; ++b) {
          if (b == a || s[b] <= 1e-10 || C[a * size + b] / s[b] + 1e-6 <= t) continue;
          E += (bounds[b] - 1) * (C[a * size + b] - s[b] * t);
        }
        if (E >= -1e-6) break;
        bounds[a] = t;
        lowered = true;
      }
    }
  }
  double product = 1.0;
  for (std::size_t b = 0; b < size; ++b) product *= bounds[b];
  return product;
}

int printExceptionalOrbit(const int* v, int mult) {
  const int N = primaryCount();
  int width = 1;
  if (mult < 2) {
    Print("(");
  } else {
    Print("%d * (", mult);
    width = decimalLength(mult) + 4;
  }
  int first = -1;
  bool sameSpin = true;
  Rat firstWeight{0, 1};
  for (int j = 0; j < N; ++j) {
    if (v[j] < 1) continue;
    std::string entry = first < 0 ? "" : "+";
    entry += v[j] == 1 ? std::to_string(j) : std::to_string(v[j]) + "*" + std::to_string(j);
    Print("%s", entry.c_str());
    width += static_cast<int>(entry.size());
    if (width >= 61) {
      Print("\n    ");
      width = 4;
    }
    if (first < 0) {
      first = j;
      firstWeight = weightOf(j);
    } else if (!integerDifference(firstWeight, weightOf(j))) {
      sameSpin = false;
    }
  }
  if (!sameSpin) {
    Print(")\n");
    return 1;
  }
  Print(") *** \n");
  return 0;
}

int RemoveVector(int* H, const int* v, int c) {
  const int N = primaryCount();
  for (int a = 0; a < N; ++a) {
    for (int b = 0; b < N; ++b) {
      int& entry = H[static_cast<std::size_t>(a) * static_cast<std::size_t>(N) + static_cast<std::size_t>(b)];
      entry -= c * v[a] * v[b];
      if (entry < 0) {
        Print("Inconsistency encountered (labels %d and %d)\n", a, b);
        return 0;
      }
    }
  }
  return 1;
}

int CheckHomomorphism(int count, const int* list) {
  const int N = primaryCount();
  if (!homomorphismFits("CheckHomomorphism", N)) return -2;
  const std::size_t n = static_cast<std::size_t>(N);
  std::vector<int> H(n * n, 0);
  std::vector<int> M(n * n, 0);
  for (int k = 0; k < count; ++k) {
    for (int i = 0; i < N; ++i) {
      // N^2 coefficients a list entry: Ctrl-C is obeyed row by row.
      obeyInterruptRequest();
      for (int j = 0; j < N; ++j) {
        const FusionCoefficient f = fusion(list[k], i, j, 0);
        if (fusionInterrupted(f) || fusionUndecided(f)) return -2;
        H[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] += static_cast<int>(f);
      }
    }
  }
  int mult = 1;
  for (;;) {
    obeyInterruptRequest();
    const int r = findDiagonalOne(H, N);
    if (r >= 0) {
      const std::vector<int> v(H.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r) * n),
                               H.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r + 1) * n));
      if (printExceptionalOrbit(v.data(), mult) == 0) {
        for (std::size_t a = 0; a < n; ++a) {
          for (std::size_t b = 0; b < n; ++b) M[a * n + b] += mult * v[a] * v[b];
        }
      }
      if (RemoveVector(H.data(), v.data(), 1) == 0) return 0;
      continue;
    }
    int g = 0;
    for (int entry : H) g = std::gcd(g, std::abs(entry));
    if (g == 0) break;
    if (g == 1) {
      Print("Continuation impossible\n");
      return -2;
    }
    Print("Dividing by gcd %d\n", g);
    for (int& entry : H) entry /= g;
    mult *= g;
  }
  if (acceptCandidate(M.data(), 1, 1, 0, 1) == 0) Print("Construction completed; no invariant found\n");
  return 0;
}

int checkAlgebra(const int* fields, const int* mult) {
  const int N = primaryCount();
  initSMATRIX();
  for (int j = 0; j < N; ++j) {
    double re = 0.0;
    double im = 0.0;
    for (int k = 0; fields[k] != -1; ++k) {
      if (mult[k] == 0) continue;
      double sre = 0.0;
      double sim = 0.0;
      compS(fields[k], j, &sre, &sim);
      re += mult[k] * sre;
      im += mult[k] * sim;
    }
    if (ZeroCheck(im) == 0) return 1;
    if (ZeroCheck(re) == 0 && re < 0) return 1;
  }
  std::vector<int> expanded;
  bool onlyIdentity = true;
  for (int k = 0; fields[k] != -1; ++k) {
    for (int r = 0; r < mult[k]; ++r) expanded.push_back(fields[k]);
    if (fields[k] != 0 && mult[k] != 0) onlyIdentity = false;
  }
  if (onlyIdentity) return 0;
  CheckHomomorphism(static_cast<int>(expanded.size()), expanded.data());
  return 0;
}

int searchExtensionInvariants() {
  const std::vector<int> currents = findIntegerSpin();
  const int n = static_cast<int>(currents.size()) - 1;
  if (n < 1) return 0;
  std::vector<int> mult(static_cast<std::size_t>(n), 0);
  std::vector<int> upper(static_cast<std::size_t>(n), 2);
  std::vector<int> lower(static_cast<std::size_t>(n), 0);
  lower[0] = 1;
  // Every candidate that passes is completed by the homomorphism construction.
  if (n > 1 && !homomorphismFits("searchExtensionInvariants", primaryCount())) return 1;
  const double length = getMaximumCurrentMultiplicities(n - 1, currents.data() + 1, upper.data() + 1);
  if (length < 0.0) return 1;
  Print("Loop length: %-30.0f\n", length);
  for (int k = 0; k < n; ++k) {
    if (upper[static_cast<std::size_t>(k)] <= lower[static_cast<std::size_t>(k)]) return 0;
  }
  mult = lower;
  for (;;) {
    // Odometer, last index fastest; the first vector (the identity alone) is skipped.
    int k = n - 1;
    while (k >= 0 && ++mult[static_cast<std::size_t>(k)] >= upper[static_cast<std::size_t>(k)]) {
      mult[static_cast<std::size_t>(k)] = lower[static_cast<std::size_t>(k)];
      --k;
    }
    if (k < 0) break;
    if (checkInterrupt() != 0 || getStopSignal() != 0) return 1;
    if (checkAlgebra(currents.data(), mult.data()) == 0) PrintSeparatorWithText('-', "");
  }
  return 0;
}
