// The search record and the discrete-symmetry check of a configuration belong to the
// standard-model search, a higher layer; it installs them here at start-up. Without it
// there is no search record, and no discrete symmetry is found against a configuration.
#include "strings/OpenSpectrum.h"

namespace {

struct SearchHookState {
  SearchData* (*searchData)() = nullptr;
  int (*discreteSymmetries)(ChanPatonData*) = nullptr;
};

SearchHookState& hooks() {
  static SearchHookState s;
  return s;
}

}  // namespace

void setSearchDataHook(SearchData* (*hook)()) { hooks().searchData = hook; }

void setDiscreteSymmetryHook(int (*hook)(ChanPatonData* cpd)) { hooks().discreteSymmetries = hook; }

SearchData* getSearchData() {
  return hooks().searchData != nullptr ? hooks().searchData() : nullptr;
}

int CheckDiscreteSymmetriesForBraneConfiguration(ChanPatonData* cpd) {
  return hooks().discreteSymmetries != nullptr ? hooks().discreteSymmetries(cpd) : 1;
}
