// The search for crosscap coefficients from the Moebius amplitudes of one boundary: the
// choice of the boundary whose amplitude loop is shortest.
#include <climits>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
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
