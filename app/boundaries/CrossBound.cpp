// The boundary module's state, start-up hook and the lazy set-up every boundary or
// orientifold query runs first.
#include <cmath>

#include "boundaries/CrossBoundInternal.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "modular/ModularHooks.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

AllocationAccount CrossBound_alloc("CrossBound");

namespace {

int valueOf(const int* p) {
  return p != nullptr ? *p : 0;
}

// The boundary side of a bulk-invariant change: the orientifold of the new invariant.
void resetOrientifoldHook() {
  resetOrientifold();
}

// 1 when the invariant's boundary data are set up; 0 when they were refused for their size.
int initExceptionalBCFT();

int initSimpleCurrentBCFT() {
  CrossBoundState& s = crossBoundState();
  const int bulk = QueryBulkInvariant();
  if (s.LastBulk == bulk) return 1;
  BulkInvariant* bi = currentBulk();
  initSMATRIX();
  s.TotalOrder = static_cast<int>(invariantGroupCurrents(bi).size());
  if (s.TotalOrder < 1) s.TotalOrder = 1;
  s.IshibashiLabelCount = bi->ishibashi_count;
  if (s.IshibashiLabelCount != LabelCount(bi))
    Alert("initSimpleCurrentBCFT", 0, 212404, "Ishibashi label count error");
  allocateOrientifoldInfo_stage2(&s.Trivial);
  loadCorrectionPhases(s.Trivial.get());
  getIshibashiLabels();
  getBoundaryLabels();
  if (useOrbits() >= 1) loadAllOrbits();
  if (initDebug() == 1) ProgressPrint("##init: Simple current BCFT initiated\n");
  s.LastBulk = bulk;
  return 1;
}

// Compares the stored exceptional boundary data with the Klein bottle in force.
void ExamineBulkData(ExceptionalBoundaryData* edt) {
  CrossBoundState& s = crossBoundState();
  if (edt->reset == 1) {
    if (edt->crosscap_status == 1 || edt->crosscap_status == -2) {
      if (edt->klein != s.ExceptionalKlein) {
        Alert("ExamineBulkData", 0, 100201,
              "Klein bottle has changed; dumping crosscaps and boundaries");
        edt->reset = 0;
        edt->crosscap_status = 0;
      }
    }
    return;
  }
  edt->crosscap_status = 0;
}

int initExceptionalBCFT() {
  CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  s.IshibashiLabelCount = LabelCount(bi);
  getIshibashiLabels();
  setStandardBoundaryLabels();
  ExceptionalBoundaryData* edt = bi->EDT.get();
  if (!orientifoldRequired()) edt->crosscap_status = -1;
  ExamineBulkData(edt);
  s.CrosscapStatus = edt->crosscap_status;
  if (s.CrosscapStatus == -1 && orientifoldRequired()) s.CrosscapStatus = 0;
  if (s.CrosscapStatus == 0) {
    // Data past what one allocation may hold are refused (the alert said so): no open string.
    if (!allocExceptBound(edt, primaryCount(), s.IshibashiLabelCount)) return 0;
    if (orientifoldRequired()) {
      if (s.KleinBottleModInvNr != QueryBulkInvariant()) {
        Alert("initExceptionalBCFT", 0, 212404,
              "Klein bottle not adapted to modular invariant; resetting");
        resetOrientifold();
      }
      s.CrosscapStatus = ComputeExceptionalCrosscap(s.ExceptionalKlein, 1) ? 1 : -2;
    } else {
      s.CrosscapStatus = -1;
    }
  }
  if (initDebug() == 1) ProgressPrint("##init: Exceptional BCFT initiated\n");
  return 1;
}

}  // namespace

CrossBoundState& crossBoundState() {
  static CrossBoundState s;
  return s;
}

int useOrbits() {
  return valueOf(crossBoundState().UseOrbits);
}
int initDebug() {
  return valueOf(crossBoundState().DebugInit);
}
int orientifoldRequired() {
  return valueOf(crossBoundState().Require_Orientation);
}
int boundVerbose() {
  return valueOf(crossBoundState().BoundVerbose);
}

BulkInvariant* currentBulk() {
  BulkInvariant** slot = modularHooks().getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

int primaryCount() {
  return knownPrimaryCount();
}

void initializeCrossBound() {
  CrossBoundState& s = crossBoundState();
  s.BoundVerbose = getIntParPointer("Boundary_search info_level");
  s.Require_Orientation = getIntParPointer("Orientifold");
  s.UseOrbits = getIntParPointer("Use_orbits");
  s.DebugInit = getIntParPointer("Init_debug");
  initializeOrientifolds();
  ModularHooks hooks = modularHooks();
  hooks.resetOrientifold = resetOrientifoldHook;
  setModularHooks(hooks);
}

void resetCrossBound() {
  CrossBoundState& s = crossBoundState();
  s.IshibashiLabelCount = 0;
  s.BoundaryLabelCount = 0;
  s.TotalOrder = 1;
  s.CrosscapStatus = 0;
  s.KleinBottleModInvNr = -1;
  s.ExceptionalKlein.clear();
  s.KleinBottleStorage.clear();
  s.LastBulk = -1;
  s.OrientedOpenStringInitialized = -1;
  s.OpenStringInitialized = -1;
  s.OrbitDataAvailable = -1;
  s.IshiOrbitsAvailable = 0;
  s.IshibashiLabels.clear();
  s.BoundaryLabels.clear();
  s.FirstBoundaryForPrimary.clear();
  // The stabiliser records live in the group module's pools, reset after this module.
  if (s.startFP != nullptr) freeFP(&s.startFP);
  s.startFP = nullptr;
  s.NIshiOrbit = 0;
  s.NBoundaryOrbit = 0;
  s.IshiOrder = 0;
  s.BoundaryOrder = 0;
  s.Group = InvariantGroup{};
  s.groupKnown = false;
  s.groupStamp = -1;
  s.groupOf = nullptr;
  s.phasePlan = PhaseClosurePlan{};
  s.phasePlanKnown = false;
  s.groupChargesByKlein.clear();
  s.chargesCFT = -1;
  s.chargesAdditive = -1;
  s.currentChargeIndex.clear();
  s.metricBaseByKlein.clear();
  s.metricBaseEntries = 0;
  s.metricBaseBulk = -1;
  resetCoefficients();
  resetOrientifolds();
}

int initializeOrientedOpenString() {
  CrossBoundState& s = crossBoundState();
  const int bulk = QueryBulkInvariant();
  if (s.OrientedOpenStringInitialized == bulk) return 0;
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return 1;
  if (!requireSpectrum("initializeOrientedOpenString")) return 1;
  if (!ConjugatesAvailable()) {
    Print("No conjugation defined for this algebra;\nOpen string functions not available.\n");
    return 1;
  }
  if (MOD_isValidCFT() < 3)
    Alert("initializeOrientedOpenString", 0, 112301,
          "This is not a CFT; be prepared for nonsense\n");
  initSMATRIX();
  if (bi->simple_current == 1)
    initSimpleCurrentBCFT();
  else if (initExceptionalBCFT() == 0)
    return 1;
  s.OrientedOpenStringInitialized = bulk;
  if (initDebug() == 1) ProgressPrint("##init: Oriented open string data initialized\n");
  return 0;
}

int initializeOpenString() {
  CrossBoundState& s = crossBoundState();
  if (s.OpenStringInitialized == s.OrientifoldCounter) return 0;
  const int oriented = initializeOrientedOpenString();
  if (oriented != 0) return oriented;
  BulkInvariant* bi = currentBulk();
  if (!bi->symmetric) {
    Alert("initializeOpenString", 0, 100302,
          "Non-symmetric invariant; no unoriented string functions available\n");
    return 1;
  }
  if (bi->simple_current == 1) {
    initSimpleCurrentBCFT();
    if (s.CurrentOrientifold->bulkNumber != QueryBulkInvariant()) {
      Alert("initializeOpenString", 1, 212404,
            "Orientifold does not match bulk invariant; resetting\n");
      allocateOrientifoldInfo_stage2(&s.CurrentOrientifold);
    }
    loadIshibashiMetric(s.CurrentOrientifold);
  } else if (initExceptionalBCFT() == 0) {
    return 1;
  }
  s.OpenStringInitialized = s.OrientifoldCounter;
  if (initDebug() == 1) ProgressPrint("##init: Open string data initialized\n");
  return 0;
}

int TotalIshibashi() {
  if (initializeOrientedOpenString() == 1) return 0;
  return crossBoundState().IshibashiLabelCount;
}

int TotalBoundaries() {
  if (initializeOrientedOpenString() == 1) return 0;
  return crossBoundState().BoundaryLabelCount;
}

int CrossBoundOrbitsAvailable() {
  const CrossBoundState& s = crossBoundState();
  BulkInvariant* bi = currentBulk();
  if (useOrbits() == 0 || bi == nullptr || bi->simple_current != 1) return 0;
  if (ModularOrbitsAvailable() != QueryCFT()) return 0;
  return s.OrbitDataAvailable == QueryBulkInvariant() ? 1 : 0;
}

int orbitStorageFits(long long ishibashiOrbits, long long boundaryOrbits) {
  return ishibashiOrbits * boundaryOrbits < kMaxOrbitPairs ? 1 : 0;
}

int isRefCoefAvailable() {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return 0;
  if (bi->simple_current == 1) return 1;
  return bi->EDT && bi->EDT->reset == 1 ? 1 : 0;
}

bool completeBoundarySetSelected() {
  BulkInvariant* bi = currentBulk();
  return bi != nullptr && bi->EDT && bi->EDT->reset == 1;
}

int isCrosscapAvailable() {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || !bi->symmetric) return 0;
  if (bi->simple_current == 1) return 1;
  return bi->EDT && bi->EDT->crosscap_status == 1 ? 1 : 0;
}
