// Front door of the modular-data module: the change counters, the settings, the two-way
// dispatchers between the stored theory and the tensor product, S from its fastest valid
// source, and the file helpers of the on-disk rows.
//
// The module state (ModularInternal.h) is one ModularState behind a unique pointer, so a
// reset replaces it whole; only the setting pointers bound at start-up carry over.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "groups/Discrete.h"
#include "modular/ModularHooks.h"
#include "modular/ModularInternal.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

AllocationAccount Modular_alloc("Modular");
AllocationAccount SMatrix_alloc("S-matrix");

namespace {

std::unique_ptr<ModularState>& statePointer() {
  static std::unique_ptr<ModularState> state;
  return state;
}

int valueOr(const int* pointer, int fallback) {
  return pointer != nullptr ? *pointer : fallback;
}

bool tensorMode() {
  return KMCosetSwitch != 0;
}

}  // namespace

ModularState& modularState() {
  std::unique_ptr<ModularState>& state = statePointer();
  if (!state) state = std::make_unique<ModularState>();
  return *state;
}

// ---------------------------------------------------------------------------------------
// Settings and helpers shared by the module

int modularPrimaries() {
  return knownPrimaryCount();
}
int settingUseOrbits() {
  return valueOr(modularState().UseOrbits, 2);
}
int settingSmatrixMaxsize() {
  return valueOr(modularState().SmatrixMaxsize, 400);
}
int settingInitDebug() {
  return valueOr(modularState().InitDebug, 0);
}
int settingHighPrecision() {
  return valueOr(modularState().HighPrecision, 0);
}
int settingFusionSumcheck() {
  return valueOr(modularState().FusionSumcheck, 0);
}
int settingSuper() {
  return valueOr(modularState().Super, 0);
}
int settingFusionThreads() {
  return valueOr(modularState().FusionThreads, 0);
}
int settingRowFileMegabytes() {
  return valueOr(modularState().RowFileMegabytes, 100);
}

void modularTrace(const char* routine) {
  if (modularState().S_CALL_TRACE) PrintStdout("%s\n", routine);
}

bool modularLabelsInRange(const char* routine, int i, int j) {
  const int n = modularPrimaries();
  if (i < 0 || i >= n) {
    Alert(routine, 0, 212404, "Label out of range: %d\n", i);
    return false;
  }
  if (j < 0 || j >= n) {
    Alert(routine, 0, 212404, "Label out of range: %d\n", j);
    return false;
  }
  return true;
}

bool modularSAvailable(const char* routine) {
  if (tensorMode() || currentSD == nullptr) return true;
  if (currentSD->s_available != 0 && currentSD->validity != 0) return true;
  Alert(routine, 7, 100201, "Matrix S for algebra %s is not available", currentSD->name);
  return false;
}

bool orbitTablesValid() {
  const ModularState& s = modularState();
  return s.OrbitDataAvailable == s.CFTCounter;
}

bool orbitSValid() {
  const ModularState& s = modularState();
  return s.OrbitSAvailable == s.CFTCounter && s.OrbitDataAvailable == s.CFTCounter;
}

void setModularDiskRowThreshold(int orbits) {
  ModularState& s = modularState();
  s.diskRowThreshold = orbits < 1 ? kDefaultDiskRowThreshold : orbits;
}

int getModularDiskRowThreshold() {
  return modularState().diskRowThreshold;
}

std::string modularRowFolder(const char* suffix, const char* kind) {
  const std::string work = getWorkDir();
  std::string folder;
  if (tensorMode()) {
    folder = tensorHooks().getCurrentTensorFileName(work.c_str(), "S", suffix);
    if (kind[0] == 'S') PrintStdout("Writing temporary files to directory %s\n", folder.c_str());
  } else {
    folder = SM_getCurrentAlgebraFileName(currentSD, work.c_str(), "S", suffix);
  }
  const bool sRows = kind[0] == 'S';
  const int status = checkDir(folder.c_str());
  if (status == 0) {
    Print(sRows ? "Reading existing S-matrix from %s\n" : "Reading existing P-matrix from %s\n",
          folder.c_str());
    return folder;
  }
  if (status == 1 || createDir(folder.c_str()) != 0) {
    // Without the folder the rows are computed and kept in memory only: a warning, so
    // that a background run goes on.
    if (sRows) {
      Alert("compSBaseFromDisk", 0, 100206,
            "S-matrix directory not created; rows are kept in memory");
    } else {
      Alert("initOrbitPmatrix", 0, 100206,
            "P-matrix directory could not be created; rows are kept in memory");
    }
    return std::string();
  }
  Print(sRows ? "Creating directory %s for S matrix\n" : "Creating directory %s for P matrix\n",
        folder.c_str());
  return folder;
}

std::string modularRowHeader(const char* kind, int row) {
  return formatText("Zoq %s row %d of %s; primaries %d; orbits %d; c %a\n", kind, row,
                    getCFTname().c_str(), modularPrimaries(), modularState().NOrbit,
                    Central_Charge());
}

// ---------------------------------------------------------------------------------------
// Start-up, reset, counters

void initializeModular() {
  ModularState& s = modularState();
  s.SmatrixMaxsize = getIntParPointer("S_matrix maxsize");
  s.FusionSumcheck = getIntParPointer("Fusion sumcheck");
  s.HighPrecision = getIntParPointer("High_precision");
  s.UseOrbits = getIntParPointer("Use_orbits");
  s.InitDebug = getIntParPointer("Init_debug");
  s.Super = getIntParPointer("Super");
  s.FusionThreads = getIntParPointer("Fusion threads");
  s.RowFileMegabytes = getIntParPointer("S_rows maxsize");
  s.TensorName = getStringParPointer("TensorName");
  s.HeteroticLiftSymbol = getStringParPointer("Heterotic lift_symbol");
}

void resetModular() {
  const ModularState& old = modularState();
  auto fresh = std::make_unique<ModularState>();
  fresh->SmatrixMaxsize = old.SmatrixMaxsize;
  fresh->FusionSumcheck = old.FusionSumcheck;
  fresh->HighPrecision = old.HighPrecision;
  fresh->UseOrbits = old.UseOrbits;
  fresh->InitDebug = old.InitDebug;
  fresh->Super = old.Super;
  fresh->FusionThreads = old.FusionThreads;
  fresh->RowFileMegabytes = old.RowFileMegabytes;
  fresh->TensorName = old.TensorName;
  fresh->HeteroticLiftSymbol = old.HeteroticLiftSymbol;
  statePointer() = std::move(fresh);
  resetStoremanagerIndexFiles();
}

void resetS() {
  ModularState& s = modularState();
  s.signsSet = 0;
  s.IndicesComputed = 0;
  s.indicesFromFusionFirst = 0;
  s.SMATRIXWasAborted = 0;
  s.requiredExtension.clear();
}

void CFTChanged() {
  ModularState& s = modularState();
  ++s.CFTCounter;
  resetS();
  modularHooks().resetBulk();
  if (settingInitDebug()) ProgressPrint("##init: CFT counter increased\n");
}

void bulkInvariantChanged() {
  ++modularState().BulkInvariantCounter;
  if (settingInitDebug()) ProgressPrint("##init: Bulk Invariant counter increased\n");
  modularHooks().resetOrientifold();
}

int QueryCFT() {
  return modularState().CFTCounter;
}
int QueryBulkInvariant() {
  return modularState().BulkInvariantCounter;
}
void MOD_set_S_CALL_TRACE(int flag) {
  modularState().S_CALL_TRACE = flag;
}

// ---------------------------------------------------------------------------------------
// Dispatchers

void compSDirect(int i, int j, double* re, double* im) {
  modularTrace("compSDirect");
  pollInterruptRequest();
  if (tensorMode()) {
    tensorHooks().getCosetS(currentTensor, i, j, re, im);
  } else {
    SM_getS(currentSD, i, j, re, im);
  }
}

void compT(int i, int j, double* re, double* im) {
  if (i != j) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  if (tensorMode()) {
    tensorHooks().getCosetT(currentTensor, i, i, re, im);
  } else {
    SM_getT(currentSD, i, i, re, im);
  }
}

void comprootT(int i, int j, double* re, double* im) {
  if (i != j) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  if (tensorMode()) {
    tensorHooks().getCosetrootT(currentTensor, i, i, re, im);
  } else {
    SM_getrootT(currentSD, i, i, re, im);
  }
}

void compLogT(double* out) {
  const int n = modularPrimaries();
  for (int i = 0; i < n; ++i)
    out[i] = tensorMode() ? tensorHooks().getCosetLogT(currentTensor, i) : SM_getLogT(currentSD, i);
}

int S_Symmetric() {
  if (tensorMode()) return tensorHooks().CT_S_Symmetry(currentTensor);
  return currentSD != nullptr ? currentSD->symmetric : 0;
}

int getConjugate(int i) {
  return tensorMode() ? tensorHooks().CT_getConjugate(currentTensor, i)
                      : SM_getConjugate(currentSD, i);
}

int ConjugatesAvailable() {
  return tensorMode() ? tensorHooks().CT_ConjugatesAvailable(currentTensor)
                      : SM_ConjugatesAvailable(currentSD);
}

const Rat* ratWeight(int i) {
  Rat* buffer = &modularState().ratWeightResult;
  if (tensorMode()) {
    tensorHooks().fieldRatWeight(currentTensor, i, buffer);
  } else {
    SM_getRatWeight(currentSD, i, buffer);
  }
  return buffer;
}

double Central_Charge() {
  return tensorMode() ? tensorHooks().cosetCentralCharge(currentTensor)
                      : SM_getCentralCharge(currentSD);
}

int CenterOrder() {
  const DGType* group = tensorMode() ? tensorHooks().CT_getCurrentGroup(currentTensor)
                                     : (currentSD != nullptr ? currentSD->scgroup : nullptr);
  return group != nullptr ? group->order : 1;
}

std::string getCFTname() {
  if (tensorMode()) return tensorHooks().getTensorCode(currentTensor);
  if (currentSD == nullptr || currentSD->name == nullptr) return std::string();
  std::string name = currentSD->name;
  const std::size_t aux = name.find("(aux)");
  if (aux != std::string::npos) name.resize(aux);
  return name;
}

// ---------------------------------------------------------------------------------------
// S from the fastest valid source

void compS(int i, int j, double* re, double* im) {
  modularTrace("compS");
  ModularState& s = modularState();
  if (!modularLabelsInRange("compS", i, j)) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  if (s.SMATRIXavailable == s.CFTCounter && i < s.smatrixN && j < s.smatrixN) {
    const std::int64_t n = s.smatrixN;
    const std::int64_t a = std::min(i, j);
    const std::int64_t b = std::max(i, j);
    const std::int64_t index = a * (2 * n - 1 - a) / 2 + b;
    const double* table = s.SMATRIX.data();
    *re = table[index];
    *im = table[n * (n + 1) / 2 + index];
    return;
  }
  // Computed into locals: a stop on the way (StopRequest) leaves the out-values as they were.
  double r = 0.0, m = 0.0;
  if (orbitSValid()) {
    compSfromOrbits(i, j, &r, &m);
  } else {
    compSDirect(i, j, &r, &m);
  }
  *re = r;
  *im = m;
}

void compSDirectSymmetrized(int i, int j, double* re, double* im) {
  modularTrace("compSDirectSymmetrized");
  if (i <= j) {
    compSDirect(i, j, re, im);
  } else {
    compSDirect(j, i, re, im);
  }
}
