// Chan-Paton data of a brane configuration (see ChanPaton.h).
#include "search/ChanPaton.h"

#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Output.h"
#include "search/DiscreteSymmetries.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"

namespace {

struct ChanPatonState {
  ChanPatonData search;   // the record of the current candidate
  ChanPatonData command;  // the record of the configuration typed in
};

ChanPatonState& state() {
  static ChanPatonState s;
  return s;
}

// Checks every label against the boundary count; -1 passes when absent stacks are allowed.
bool labelsInRange(int n, const int* labels, int boundaries, bool allowAbsent) {
  for (int i = 0; i < n; ++i) {
    const int label = labels[i];
    if (label == -1 && allowAbsent) continue;
    if (label >= boundaries) {
      // The bound shown is the largest label there is.
      Print("Variable %d out of range (%d > %d)\n", i, label, boundaries - 1);
      return false;
    }
    if (label < 0) {
      Print("Variable %d out of range (%d < 0)\n", i, label);
      return false;
    }
  }
  return true;
}

ChanPatonData* fill(ChanPatonData* record, int n, int boundaries, const int* conjugates, const int* groupTypes,
                    const int* labels, const int* multiplicities, bool allowAbsent) {
  if (record == nullptr || n < 0 || boundaries < 0) return nullptr;
  if (!labelsInRange(n, labels, boundaries, allowAbsent)) return nullptr;
  if (CheckForConjugateBraneLabels(n, labels, 0, conjugates) != 0) return nullptr;
  const auto B = static_cast<std::size_t>(boundaries);
  record->boundaries = boundaries;
  record->stacks = n;
  record->observableStacks = 0;
  record->multiplicity.assign(B, 0);
  if (record->stackLabel.size() < static_cast<std::size_t>(n)) {
    record->stackLabel.resize(static_cast<std::size_t>(n), -1);
    record->stackType.resize(static_cast<std::size_t>(n), -2);
    record->stackMultiplicity.resize(static_cast<std::size_t>(n), 0);
  }
  for (int i = 0; i < n; ++i) {
    const int label = labels[i];
    if (label == -1) continue;
    const auto l = static_cast<std::size_t>(label);
    const auto k = static_cast<std::size_t>(i);
    record->stackLabel[k] = label;
    record->multiplicity[l] += multiplicities[i];
    const int image = conjugates[label];
    if (image != label && image >= 0 && image < boundaries) record->multiplicity[static_cast<std::size_t>(image)] += multiplicities[i];
    record->stackType[k] = groupTypes[label];
    record->stackMultiplicity[k] = multiplicities[i];
  }
  record->distinctBrane.assign(B, -1);
  int brane = 0;
  for (int b = 0; b < boundaries; ++b) {
    if (record->multiplicity[static_cast<std::size_t>(b)] == 0) continue;
    const int image = conjugates[b];
    if (image == b || image < 0 || image >= boundaries) {
      record->distinctBrane[static_cast<std::size_t>(b)] = brane++;
    } else if (image > b) {
      record->distinctBrane[static_cast<std::size_t>(b)] = brane;
      record->distinctBrane[static_cast<std::size_t>(image)] = brane;
      ++brane;
    }
  }
  record->model = nullptr;
  forgetDiscreteSymmetryAnalysis(record);
  return record;
}

}  // namespace

int CheckForConjugateBraneLabels(int n, const int* labels, int, const int* conjugates) {
  if (n < 2) return 0;
  for (int i = 0; i < n; ++i) {
    if (labels[i] < 0) continue;
    const int image = conjugates[labels[i]];
    for (int j = i + 1; j < n; ++j) {
      if (labels[j] < 0) continue;
      if (labels[j] == image && labels[j] != labels[i]) {
        Print("Brane label %d and %d (i=%d, j=%d) are conjugate. Please specify only one of them.\n", labels[i],
              image, i, j);
        return 1;
      }
    }
  }
  return 0;
}

ChanPatonData* fillChanPatonData(ChanPatonData* record, int n, int boundaries, const int* conjugates,
                                 const int* groupTypes, const int* labels, const int* multiplicities) {
  return fill(record, n, boundaries, conjugates, groupTypes, labels, multiplicities, false);
}

namespace {

ChanPatonData* generate(ChanPatonData* record, int n, OrientifoldInfo* orientifold, const int* labels,
                        const int* multiplicities, bool allowAbsent) {
  if (orientifold == nullptr) return nullptr;
  loadOrientifoldConjugates(orientifold, 1);
  SearchData* sd = getSearchData();
  const int boundaries = sd != nullptr ? sd->boundaries : TotalBoundaries();
  std::vector<int> conjugates(static_cast<std::size_t>(boundaries));
  std::vector<int> types(static_cast<std::size_t>(boundaries));
  for (int b = 0; b < boundaries; ++b) {
    conjugates[static_cast<std::size_t>(b)] = orientifoldConjugate(orientifold, b);
    types[static_cast<std::size_t>(b)] = orientifoldGroupType(orientifold, b);
  }
  ChanPatonData* result =
      fill(record, n, boundaries, conjugates.data(), types.data(), labels, multiplicities, allowAbsent);
  if (result != nullptr) result->orientifold = orientifold;
  return result;
}

}  // namespace

ChanPatonData* generateChanPatonData(ChanPatonData* record, int n, OrientifoldInfo* orientifold, const int* labels,
                                     const int* multiplicities) {
  return generate(record, n, orientifold, labels, multiplicities, false);
}

ChanPatonData* generateChanPatonDataForStandardModel(StandardModel* model) {
  SearchData* sd = getSearchData();
  if (model == nullptr || sd == nullptr || sd->orientifoldList == nullptr || model->orientifold < 0 ||
      model->orientifold >= sd->orientifolds)
    return nullptr;
  const int labels[4] = {model->branes[0], model->branes[2], model->branes[4], model->branes[6]};
  const int n = model->stackCount >= 1 && model->stackCount <= 4 ? model->stackCount : 4;
  ChanPatonData* result =
      generate(&state().search, n, sd->orientifoldList[model->orientifold], labels, model->multiplicities, true);
  model->chanPaton = result;
  if (result != nullptr) result->model = model;
  return result;
}

ChanPatonData* getCommandChanPatonData() { return &state().command; }

void resetChanPaton() {
  state().search = ChanPatonData();
  state().command = ChanPatonData();
}
