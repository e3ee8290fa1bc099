// The shared model catalogue "Models.list" in the model folder: its lock, the reader, the
// end-of-run merge that numbers new model types and writes the run's ".models" file, the
// look-up by model number, the standard-model multiplets and anomaly checks, brane
// identity and equivalences, and the charge assignment with the catalogue look-up of an
// intersection pattern.
#pragma once

#include <string>

#include "search/SearchSM.h"

// The lock "Lock" in the model folder.
void obtainLock();
int checkLock();
void removeLock();

// Reads the catalogue (mode 0: a missing catalogue is a first run; 1: an error); the number
// of model types, or -1 when the catalogue cannot be read.
int readQUVRModels(int mode);
// The end-of-run merge of the case's ".pre_models"; 0 on success, non-zero on failure (the
// ".pre_models" file is then kept).
int getModelNumbers();
int getGSM_NR();
// The catalogue row (87 ints) of model number nr, or nullptr.
const int* ReadGenericModelData(int nr);
void CopyQUVRmodelToSMstruct(const int* record, int depth);
void ComputeAdditionalModelInfo(StandardModel* record);
void copyExtendedInfo(int* row, const StandardModel* record);
int FindQUVRFilesForInput();

// Brane identity and equivalences.
std::string PrintBraneIdentity(StandardModel* record, int stackCount);

// Charge assignment and catalogue look-up (for a candidate with tensor code -1).
int DeterminePossibleChargesFromIntersections(void* equations);
int findThisSpectrumInQUVRList();

// False only while this module is a stand-in (tests of later modules skip on it).
bool catalogueBuilt();
