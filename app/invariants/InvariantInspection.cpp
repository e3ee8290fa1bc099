// Inspection of bulk invariants: the left and right kernels (the chiral algebras) of a
// simple-current invariant (its group G with basis generators J_a of orders N_a, and the
// matrix X), its partner map, its mass matrix, and the report of "browse bulk_invariant".
//
// Field i of a simple-current invariant pairs with J_g i for every g in G admitted by i:
// for every generator a, Q_{J_a}(i) + sum_b X_ab g_b / N_a is an integer. ker X is the set of
// currents admitted by the vacuum (the partners of row 0, the right chiral algebra), ker X^T
// the same under the transposed X (the fields whose row holds the vacuum, the left chiral
// algebra). Work buffers are owned here and overwritten by the next call.
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"

namespace {

struct InvariantInspectionState {
  std::vector<int> components;
};

InvariantInspectionState& inspectionState() {
  static InvariantInspectionState s;
  return s;
}

int intParameter(const char* name, int fallback) {
  const int* p = getIntParPointer(name);
  return p == nullptr ? fallback : *p;
}

int generatorCount(const SimpleCurrentData* md) {
  return md == nullptr || md->group == nullptr ? 0 : md->group->nfactors;
}

int groupOrder(const SimpleCurrentData* md) {
  return md == nullptr || md->group == nullptr ? 1 : md->group->order;
}

int xEntry(const SimpleCurrentData* md, int a, int b) {
  const int n = generatorCount(md);
  const size_t at = static_cast<size_t>(n * n + a * n + b);
  return at < md->monodromies.size() ? md->monodromies[at] : 0;
}

int rEntry(const SimpleCurrentData* md, int a, int b) {
  const int n = generatorCount(md);
  const size_t at = static_cast<size_t>(a * n + b);
  return at < md->monodromies.size() ? md->monodromies[at] : 0;
}

// The primary label of the current of element g.
int currentOf(const SimpleCurrentData* md, int g) {
  return g >= 0 && static_cast<size_t>(g) < md->map.size() ? md->map[static_cast<size_t>(g)] : 0;
}

// The components of element g in the basis of G, in a buffer the next call overwrites.
const int* componentsOf(const SimpleCurrentData* md, int g) {
  std::vector<int>& c = inspectionState().components;
  const int n = generatorCount(md);
  c.assign(static_cast<size_t>(std::max(n, 1)), 0);
  for (int a = 0; a < n; ++a) c[static_cast<size_t>(a)] = DG_decomp(md->group, g, a);
  return c.data();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Orbits and kernels

int getRightOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i) {
  const int s = getLeftOrbit(MD, out, i);
  return s < 0 ? -s : s;
}

void getXKernels(SimpleCurrentData* MD) {
  if (MD == nullptr) return;
  const int order = groupOrder(MD);
  MD->kernels.assign(2 * static_cast<size_t>(order), -1);
  int left = 0;
  int right = 0;
  for (int g = 0; g < order; ++g) {
    const int* alpha = componentsOf(MD, g);
    const int J = currentOf(MD, g);
    if (generatorCount(MD) == 0 || checkDeltaArgument(MD, 0, alpha)) {
      MD->kernels[static_cast<size_t>(left++)] = J;
    }
    alpha = componentsOf(MD, g);
    if (generatorCount(MD) == 0 || checkDeltaArgumentMirror(MD, 0, alpha)) {
      MD->kernels[static_cast<size_t>(order + right++)] = J;
    }
  }
  MD->kernel_size = left;
  if (left != right) {
    Alert("getXKernels", 0, 212404, "Different sizes for left- and right chiral algebras");
  }
}

int checkInvolution(const SimpleCurrentData* MD) {
  const int n = knownPrimaryCount();
  std::vector<int> image(static_cast<size_t>(n), -1);
  for (int i = 0; i < n; ++i) {
    int count = 0, stab = 0;
    const int* fields = getRightFields(MD, i, &count, &stab);
    if (count != 1) return 0;
    image[static_cast<size_t>(i)] = fields[0];
  }
  for (int i = 0; i < n; ++i) {
    const int j = image[static_cast<size_t>(i)];
    if (j < 0 || j >= n || image[static_cast<size_t>(j)] != i) return 0;
  }
  return 1;
}

std::vector<int> BulkInvariantToMatrix(const BulkInvariant* bulk) {
  const int n = bulk->n_rows;
  std::vector<int> M(static_cast<size_t>(n) * static_cast<size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    if (bulk->orbits[i] == nullptr) continue;
    for (int k = 0; k < bulk->count[i]; ++k) {
      const int j = bulk->orbits[i][k];
      if (j >= 0 && j < n) M[static_cast<size_t>(j) * n + i] += bulk->mult[i];
    }
  }
  return M;
}

// ---------------------------------------------------------------------------------------
// The report

void printChiralAlgebras(const int* left, int nL, const int* right, int nR) {
  const std::string leftText = buildRepString(left, nL);
  const std::string rightText = buildRepString(right, nR);
  if (leftText == rightText) {
    Print("Chiral algebra:  %s\n", leftText.c_str());
  } else {
    Print("Left chiral algebra:  %s\n", leftText.c_str());
    Print("Right chiral algebra: %s\n", rightText.c_str());
  }
}

void printMonodromy(const SimpleCurrentData* MD) {
  const int n = generatorCount(MD);
  if (n == 0) {
    Print("Trivial (diagonal) invariant\n");
    return;
  }
  PrintVec(n, MD->group->factors, "Orders: ");
  std::vector<int> row(static_cast<size_t>(n));
  Print("Monodromy: \n");
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) row[static_cast<size_t>(b)] = rEntry(MD, a, b);
    PrintVec(n, row.data(), "         ");
  }
  Print("Matrix X: \n");
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) row[static_cast<size_t>(b)] = xEntry(MD, a, b);
    PrintVec(n, row.data(), "         ");
  }
}

namespace {

void reportIdentifier(const BulkInvariant* bi) {
  const SimpleCurrentData& md = *bi->MD;
  Print("MIPF identifier: %d\n", md.mipf_number);
  if (md.subgroup_label >= 0) Print("Subgroup label: %d\n", md.subgroup_label);
  const struct {
    int flag;
    const char* text;
  } criteria[] = {
      {md.sel_symmetric, "Symmetric: YES\n"},
      {md.sel_automorphism, "Automorphism: YES\n"},
      {md.sel_extension, "Extension: YES\n"},
      {md.sel_reject_permutations, "Reject permutations: YES\n"},
      {md.sel_autostore, "Autostore: YES\n"},
      {md.sel_algebra, "Chiral algebra requirements: YES\n"},
  };
  bool any = false;
  for (const auto& c : criteria) any = any || c.flag != 0;
  if (!any) {
    Print("No selection criteria imposed\n");
    return;
  }
  Print("This MIPF identifier depends on the following selection criteria:\n");
  for (const auto& c : criteria) {
    if (c.flag == 1) Print("%s", c.text);
  }
}

void reportSimpleCurrentInvariant(BulkInvariant* bi, int maxDisplay, int verbose) {
  SimpleCurrentData* md = bi->MD.get();
  Print("Bulk invariant is a simple current invariant\n");
  if (verbose == 1 || intParameter("Invariant info_level", 0) >= 2) {
    const int n = generatorCount(md);
    std::vector<int> currents;
    if (md->n_generators > 0) {
      const int given = std::min(md->n_generators, static_cast<int>(md->generators.size()));
      currents.assign(md->generators.begin(), md->generators.begin() + given);
    } else {
      for (int a = 0; a < n; ++a) currents.push_back(currentOf(md, DG_basis(md->group, a)));
    }
    PrintVec(static_cast<int>(currents.size()), currents.data(), "Simple currents: ");
    if (maxDisplay >= 1 && md->group != nullptr) {
      Print("Group structure: \n");
      DG_print(md->group);
    }
    printMonodromy(md);
    const int order = groupOrder(md);
    if (md->kernels.size() < 2 * static_cast<size_t>(order)) getXKernels(md);
    if (md->kernel_size > 1) {
      // Rows are the left labels: the left algebra is ker X^T (the fields paired with the
      // right vacuum), the right one ker X (the partners of the left vacuum).
      const int k = std::min(md->kernel_size, order);
      std::vector<int> left(md->kernels.begin() + order, md->kernels.begin() + order + k);
      std::vector<int> right(md->kernels.begin(), md->kernels.begin() + k);
      std::sort(left.begin(), left.end());
      std::sort(right.begin(), right.end());
      printChiralAlgebras(left.data(), static_cast<int>(left.size()), right.data(),
                          static_cast<int>(right.size()));
    } else {
      Print("This is an automorphism invariant\n");
    }
  }
  if (md->selection_count != -1) Print("Autoselect number %d in subgroup\n", md->selection_count);
}

void reportExceptionalInvariant(const BulkInvariant* bi) {
  Print("Bulk invariant is an exceptional invariant\n");
  if (intParameter("Invariant info_level", 0) < 2) return;
  if (bi->orbits[0] != nullptr && bi->count[0] == 1) {
    Print("This is an automorphism invariant\n");
    return;
  }
  std::vector<int> right;
  if (bi->orbits[0] != nullptr) right.assign(bi->orbits[0], bi->orbits[0] + bi->count[0]);
  std::vector<int> left;
  for (int i = 0; i < bi->n_rows; ++i) {
    const int entry = bulkEntry(bi, i, 0);
    left.insert(left.end(), static_cast<size_t>(std::max(entry, 0)), i);
    if (left.size() > right.size()) {
      Alert("browseBulk", 0, 212404, "Left chiral algebra larger than right one");
      break;
    }
  }
  if (left.size() < right.size()) {
    Alert("browseBulk", 1, 212404, "right chiral algebra larger than left one");
  }
  if (left.size() > 1 || right.size() > 1) {
    printChiralAlgebras(left.data(), static_cast<int>(left.size()), right.data(),
                        static_cast<int>(right.size()));
  }
}

}  // namespace

int browseBulk(const char* name, int maxDisplay, int verbose) {
  BulkInvariant* bi = name != nullptr ? getBulkInvariantForUserInput(name) : *getCurrentBulk();
  if (bi == nullptr) return 1;
  if (bi->simple_current && bi->MD && bi->MD->mipf_number >= 0) reportIdentifier(bi);
  if (bi->diagonal) {
    Print("Bulk invariant is trivial (Cardy case in BCFT)\n");
    if (!bi->simple_current) Print("(Treated as exceptional)\n");
  } else if (bi->simple_current && bi->MD) {
    reportSimpleCurrentInvariant(bi, maxDisplay, verbose);
  } else if (!bi->conjugation && bi->EDT) {
    reportExceptionalInvariant(bi);
  } else if (bi->conjugation) {
    Print("Bulk invariant is the conjugation invariant (diagonal in BCFT)\n");
  }
  if (bi->symmetric == 1) {
    Print("Symmetric invariant\n");
  } else if (bi->symmetric == 0) {
    Print("Non-symmetric invariant\n");
  } else {
    Print("Symmetry unknown\n");
  }
  if (maxDisplay >= 1 && !bi->diagonal) {
    Print("Invariant:\n");
    printBulkInvariant(bi, maxDisplay);
    Print("\n");
  }
  const int primaries =
      TotalPrimaries != nullptr && *TotalPrimaries > 0 ? *TotalPrimaries : bi->n_rows;
  Print("Number of primaries: %d\n", primaries);
  Print("Total nr. of Ishibashi labels: %d\n", bi->ishibashi_count);
  if (bi->simple_current && bi->MD && bi->MD->truncated) {
    Print("WARNING: MIPF is truncated because of primary selection\n");
  }
  Print("NOTE: in applications to boundary CFT, all invariants\n");
  Print("      are implicitly charge conjugated\n");
  return 0;
}
