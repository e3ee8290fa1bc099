// The field permutations of a tensor product that exchange two identical factors, kept
// once they are computed ("compute permutations"), so that the boundary layer can extend
// the last of them to the boundary labels.
//
// Representation. A kept permutation has one entry per field of the spectrum it was made
// for: the image field, or -2 where a resolved fixed point was left without an image. The
// list belongs to the record that made it and holds each permutation once, in the order
// they were made. Every change of the record (markChanged) forgets it, since field numbers
// then lose their meaning. resetCosetExchange restores the empty start state.
#include <algorithm>
#include <vector>

#include "tensor/Coset.h"
#include "tensor/CosetInternal.h"

namespace {

struct CosetExchangeState {
  const TensorProduct* record = nullptr;
  std::vector<std::vector<int>> permutations;
};

CosetExchangeState& state() {
  static CosetExchangeState s;
  return s;
}

}  // namespace

void CT_keepFieldPermutation(TensorProduct* TP, const std::vector<int>& permutation) {
  CosetExchangeState& s = state();
  if (TP == nullptr || permutation.empty()) return;
  if (s.record != TP) {
    s.permutations.clear();
    s.record = TP;
  }
  const auto known = std::find(s.permutations.begin(), s.permutations.end(), permutation);
  // A permutation made again becomes the last one.
  if (known != s.permutations.end()) s.permutations.erase(known);
  s.permutations.push_back(permutation);
}

int CT_fieldPermutationCount(const TensorProduct* TP) {
  const CosetExchangeState& s = state();
  return s.record == TP ? static_cast<int>(s.permutations.size()) : 0;
}

const std::vector<int>* CT_getFieldPermutation(const TensorProduct* TP, int k) {
  const CosetExchangeState& s = state();
  if (s.record != TP || k < 0 || k >= static_cast<int>(s.permutations.size())) return nullptr;
  return &s.permutations[static_cast<std::size_t>(k)];
}

const std::vector<int>* CT_getLastFieldPermutation(const TensorProduct* TP) {
  return CT_getFieldPermutation(TP, CT_fieldPermutationCount(TP) - 1);
}

void forgetFieldPermutations(const TensorProduct* TP) {
  CosetExchangeState& s = state();
  if (s.record != TP) return;
  s.permutations.clear();
  s.record = nullptr;
}

void resetCosetExchange() {
  CosetExchangeState& s = state();
  s.permutations.clear();
  s.record = nullptr;
}
