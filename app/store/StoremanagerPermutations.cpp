// Integer-spin current permutations of a stored theory: the outer automorphisms of its
// simple-current group (the record's "Current Outer Automorphism" collection) turned
// into permutations of the positions of a given list of integer-spin currents, so that
// the modular layer can relate groups of such currents that an automorphism maps onto
// each other.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "collections/VectorSpace.h"
#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

std::vector<std::vector<int>> SM_getIntegerSpinPermutations(SpectrumData* sd,
                                                            const std::vector<int>& currents) {
  std::vector<std::vector<int>> permutations;
  if (sd == nullptr) return permutations;
  SM_getCurrentOuterAutomorphisms(sd);
  const VectorSpace* space = sd->automorphisms;
  if (space == nullptr || space->Space == nullptr) return permutations;
  const std::size_t m = currents.size();
  const int order = sd->scgroup != nullptr ? sd->scgroup->order : 1;
  std::vector<int> identity(m);
  for (std::size_t j = 0; j < m; ++j) identity[j] = static_cast<int>(j);
  permutations.push_back(identity);
  for (int r = 1; r < space->Nfill; ++r) {
    const int* automorphism =
        space->Space + static_cast<std::size_t>(r) * static_cast<std::size_t>(space->rowsize);
    std::vector<int> row(m, 0);
    // The image of list entry j is the automorphism applied to the current it holds.
    for (std::size_t j = 1; j < m; ++j) {
      const int current = currents[j];
      const int image = current >= 0 && current < order ? automorphism[current] : -1;
      const auto found = std::find(currents.begin(), currents.end(), image);
      if (found == currents.end()) {
        Alert("SM_getIntegerSpinPermutations", 0, 212404,
              "Integer spin currents not closed under permutations");
        return {};
      }
      row[j] = static_cast<int>(found - currents.begin());
    }
    permutations.push_back(row);
  }
  return permutations;
}
