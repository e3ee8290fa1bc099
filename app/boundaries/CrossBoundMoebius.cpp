// Pieces of the Moebius-strip solver: the modulus, the lift of residues to signed
// coefficients, the values of free coefficients and the sign normalisation of solutions.
#include <climits>

#include "boundaries/BoundarySearchInternal.h"

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
