// Pieces of the Moebius-strip solver: the modulus, the lift of residues to signed
// coefficients, the values of free coefficients and the sign normalisation of solutions.
#include <climits>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"

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
