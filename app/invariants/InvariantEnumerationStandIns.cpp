// Kernels and monodromy display of simple-current invariants, until the inspection module
// (InvariantInspection.cpp) provides them: this file goes when that module arrives.
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

void getXKernels(SimpleCurrentData* MD) {
  const int order = MD->group == nullptr ? 1 : MD->group->order;
  const int n = MD->group == nullptr ? 0 : MD->group->nfactors;
  MD->kernels.assign(2 * static_cast<std::size_t>(order), 0);
  int nLeft = 0;
  int nRight = 0;
  std::vector<int> alpha(static_cast<std::size_t>(n));
  for (int g = 0; g < order; ++g) {
    for (int a = 0; a < n; ++a) alpha[static_cast<std::size_t>(a)] = DG_decomp(MD->group, g, a);
    const int label = currentOfElement(MD, g);
    if (checkDeltaArgument(MD, 0, alpha.data()) == 1) MD->kernels[static_cast<std::size_t>(nLeft++)] = label;
    if (checkDeltaArgumentMirror(MD, 0, alpha.data()) == 1) {
      MD->kernels[static_cast<std::size_t>(order + nRight++)] = label;
    }
  }
  MD->kernel_size = nLeft;
  if (nLeft != nRight) {
    Alert("getXKernels", 0, 212404, "Different sizes for left- and right chiral algebras");
  }
}

void printMonodromy(const SimpleCurrentData* MD) {
  const int n = MD->group == nullptr ? 0 : MD->group->nfactors;
  if (n == 0) {
    Print("Trivial (diagonal) invariant\n");
    return;
  }
  PrintVec(n, MD->group->factors, "Orders: ");
  Print("Monodromy: \n");
  for (int a = 0; a < n; ++a) PrintVec(n, MD->monodromies.data() + a * n, "         ");
  Print("Matrix X: \n");
  const int* X = xMatrix(MD);
  for (int a = 0; a < n; ++a) PrintVec(n, X + a * n, "         ");
}
