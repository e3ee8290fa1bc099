// Open strings of brane configurations: the Chan-Paton record of a configuration and the
// set-up of the open-spectrum module.
#pragma once

#include <vector>

struct OrientifoldInfo;
struct StandardModel;
struct SearchData;

// The Chan-Paton data of a brane configuration: stacks on boundary labels with their
// multiplicities and group types (-1 symplectic, 0 unitary, 1 orthogonal). Both members of
// a complex pair carry the multiplicity of the pair; 0 marks an unused label.
struct ChanPatonData {
  OrientifoldInfo* orientifold = nullptr;
  std::vector<int> multiplicity;  // per boundary label
  int boundaries = 0;
  int observableStacks = 0;       // fixed or standard-model stacks, which come first
  int stacks = 0;
  std::vector<int> stackLabel;    // per stack its boundary label
  std::vector<int> stackType;     // per stack its group type
  std::vector<int> stackMultiplicity;
  std::vector<int> distinctBrane; // per boundary label its distinct brane, -1 absent
  StandardModel* model = nullptr;
};

void initializeOpenSpectrum();
void resetOpenSpectrum();

// STAND-INS until the standard-model search exists (OpenSpectrumStandIns.cpp): the search
// record with its counts refreshed (nullptr: there is none yet), and the analysis hook of
// discrete symmetries (1: nothing found against the configuration).
SearchData* getSearchData();
int CheckDiscreteSymmetriesForBraneConfiguration(ChanPatonData* cpd);
