// Boundary images of a field permutation that exchanges identical tensor factors.
//
// The image of a boundary follows from the image of its primary: the first simple current
// J of the invariant (in stored order) for which J x pi(primary) is the primary of a
// boundary label decides; a label with a fixed-point degeneracy (an untwisted stabiliser of
// order 2 or more) stays open. Open images are then filled from the annulus coefficients:
// for a field i and a resolved boundary a, the rows A^i_{a c} and A^{pi(i)}_{sigma(a) c}
// must each have exactly one positive entry at an unresolved boundary, and those two
// boundaries are images of each other. The image is an involution; sigma is stored in both
// directions.
#include <vector>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

int stabiliserOrder(const BoundaryLabel& label) {
  return label.stabilizer != nullptr && label.stabilizer->group != nullptr
             ? label.stabilizer->group->order
             : 1;
}

// The single unresolved boundary with a positive entry in row, or -1 (none or several).
int singleOpenEntry(const std::vector<int>& row, const std::vector<int>& sigma) {
  int found = -1;
  for (size_t c = 0; c < row.size(); ++c) {
    if (sigma[c] >= 0 || row[c] <= 0) continue;
    if (found >= 0) return -1;
    found = static_cast<int>(c);
  }
  return found;
}

}  // namespace

int ComputeBoundaryPermutation(const int* pi, int a) {
  const CrossBoundState& s = crossBoundState();
  const int N = primaryCount();
  const int p0 = getBoundaryField(a);
  if (p0 < 0 || p0 >= N) {
    Alert("ComputeBoundaryPermutation", 0, 100302, "No permutation found for boundary %d\n", a);
    return -1;
  }
  const int p = pi[p0];
  if (p < 0 || p >= N) {
    Alert("ComputeBoundaryPermutation", 0, 100302, "No permutation found for boundary %d\n", a);
    return -1;
  }
  std::vector<int> currents = invariantGroupCurrents(currentBulk());
  if (currents.empty()) currents.push_back(0);
  for (int J : currents) {
    const int q = simpleFusion(J, p);
    for (int b = 0; b < s.BoundaryLabelCount; ++b) {
      const BoundaryLabel& label = s.BoundaryLabels[static_cast<size_t>(b)];
      if (label.primary != q) continue;
      return stabiliserOrder(label) < 2 ? b : -2;
    }
  }
  Alert("ComputeBoundaryPermutation", 0, 100302, "No permutation found for boundary %d\n", a);
  return -1;
}

int CloseBoundaryPermutations(const int* pi, int n, const int* is, const int* js) {
  const int L = crossBoundState().BoundaryLabelCount;
  const int N = primaryCount();
  std::vector<int> sigma(static_cast<size_t>(L), -2);
  for (int a = 0; a < L; ++a) {
    const int image = ComputeBoundaryPermutation(pi, a);
    if (image == -1) return -1;
    if (image >= 0) sigma[static_cast<size_t>(a)] = image;
  }
  for (int t = 0; t < n; ++t) {
    const int i = is[t], j = js[t];
    if (i < 0 || i >= L || j < 0 || j >= L) {
      return Alert("CloseBoundaryPermutations", 2, 100302, "Incorrect degeneracy resolution");
    }
    int& si = sigma[static_cast<size_t>(i)];
    if (si == -2)
      si = j;
    else if (si != j)
      return Alert("CloseBoundaryPermutations", 0, 100302, "Incorrect degeneracy resolution");
    int& sj = sigma[static_cast<size_t>(j)];
    if (sj == -2)
      sj = i;
    else if (sj != i)
      return Alert("CloseBoundaryPermutations", 0, 100302, "Incorrect degeneracy resolution");
  }
  std::vector<int> row1(static_cast<size_t>(L)), row2(static_cast<size_t>(L));
  bool added = true;
  while (added) {
    added = false;
    for (int i = 0; i < N; ++i) {
      const int pii = pi[i];
      if (pii == -2 || pii < 0 || pii >= N || i > pii) continue;
      PrintStdout("boundary i=%d\n", i);
      for (int a = 0; a < L; ++a) {
        const int sa = sigma[static_cast<size_t>(a)];
        if (sa == -2 || a > sa) continue;
        for (int c = 0; c < L; ++c) {
          row1[static_cast<size_t>(c)] = getAnnulus(i, a, c);
          row2[static_cast<size_t>(c)] = getAnnulus(pii, sa, c);
        }
        const int c1 = singleOpenEntry(row1, sigma);
        const int c2 = singleOpenEntry(row2, sigma);
        if (c1 < 0 || c2 < 0) continue;
        if (row1[static_cast<size_t>(c1)] != row2[static_cast<size_t>(c2)])
          return Alert("CloseBoundaryPermutations", 1, 212404,
                       "Permutation violation (type 2) for %d x %d", i, a);
        sigma[static_cast<size_t>(c1)] = c2;
        sigma[static_cast<size_t>(c2)] = c1;
        PrintStdout("Added %d and %d\n", c1, c2);
        added = true;
      }
    }
  }
  for (int a = 0; a < L; ++a) {
    if (sigma[static_cast<size_t>(a)] == -2)
      PrintStdout("Permutation %d not resolved\n", a);
    else
      PrintStdout("%d <==> %d\n", a, sigma[static_cast<size_t>(a)]);
  }
  boundarySearchState().BoundaryPermutations = sigma;
  return L;
}
