// Shared by the files of the boundary module: its state record and the helpers the files
// call in one another.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "boundaries/CrossBound.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"

struct BulkInvariant;
struct FPType;

extern AllocationAccount CrossBound_alloc;

// Storage of reflection coefficients is refused from this many orbit pairs on.
inline constexpr long long kMaxOrbitPairs = 144000000LL;

// How the closure of the correction phases (passes over all ordered pairs of elements
// whose phase is set, until one meets none unset) reaches the elements of the group; it
// depends on the group alone, so it is worked out once per invariant. Seeds are the
// elements set before the passes (the identity, then the generators, each once); steps
// are the elements the passes set, in that order, with the pair whose product set each.
// The passes also overwrite the sign of every product they meet: signMask of an element
// holds the seeds (bit i: seed i) whose signs multiply to the sign they leave on it, for
// signs +1 or -1; signWritten is 0 for an element whose sign they never write.
struct PhaseClosurePlan {
  struct Step {
    int element = 0;
    int x = 0;
    int y = 0;
  };
  std::vector<int> seeds;
  std::vector<Step> steps;
  std::vector<std::uint64_t> signMask;
  std::vector<char> signWritten;
  bool usable = false;  // false with more seeds than mask bits
};
// The plan of a group of the given order from its seeds and its product table (row-major,
// order x order, the element of x y or -1 outside the group).
PhaseClosurePlan planPhaseClosure(int order, const std::vector<int>& seeds,
                                  const std::vector<int>& products);

// The terms of the simple-current crosscap sum of one label under one record, per element L
// of the invariant's group: the correction sign beta(L), the projection sign sigma(L) and
// P(K J_L, m). The correction phases, and so sigma, depend on the Klein current K alone,
// beta on the crosscap signs alone: one set of terms of K serves every sign vector.
struct CrosscapTerms {
  bool filled = false;
  std::vector<int> beta;
  std::vector<int> sigma;
  std::vector<double> re;
  std::vector<double> im;
};

struct CrossBoundState {
  // Settings, bound once at start-up and read live.
  int* BoundVerbose = nullptr;
  int* Require_Orientation = nullptr;
  int* UseOrbits = nullptr;
  int* DebugInit = nullptr;

  int IshibashiLabelCount = 0;
  int BoundaryLabelCount = 0;
  int TotalOrder = 1;
  int CrosscapStatus = 0;
  int KleinBottleModInvNr = -1;
  std::vector<int> ExceptionalKlein;
  std::vector<std::vector<int>> KleinBottleStorage;

  int LastBulk = -1;  // of the simple-current set-up
  int OrientedOpenStringInitialized = -1;
  int OpenStringInitialized = -1;
  int OrbitDataAvailable = -1;
  int IshiOrbitsAvailable = 0;

  // Orientifold records.
  std::vector<std::unique_ptr<OrientifoldInfo>> Orientifolds;  // the sorted list
  std::unique_ptr<OrientifoldInfo> User;
  std::unique_ptr<OrientifoldInfo> Trivial;
  OrientifoldInfo* CurrentOrientifold = nullptr;
  int OrientifoldCounter = 0;

  // Labels.
  std::vector<IshibashiLabel> IshibashiLabels;
  std::vector<BoundaryLabel> BoundaryLabels;
  std::vector<int> FirstBoundaryForPrimary;
  FPType* startFP = nullptr;

  // Ishibashi current group and orbits.
  int IshiOrder = 0;
  std::vector<int> IshiCurrentMap;  // index -> centre element
  std::vector<int> IshiIndex;       // centre element -> index, -1 outside
  std::vector<int> IshiCurMultTable;
  std::vector<int> IshiOrbitMap;
  int NIshiOrbit = 0;

  // Boundary current group and orbits.
  std::vector<int> FixesAll;
  std::vector<int> BoundaryCurrents;
  std::vector<int> BoundaryIndex;  // centre element -> boundary-current index
  std::vector<int> BoundaryCurMultTable;
  std::vector<int> BoundaryCurrentInverse;
  std::vector<int> BoundaryOrbitMap;
  int BoundaryOrder = 0;
  int NBoundaryOrbit = 0;

  // The group of the current invariant, read once per invariant.
  InvariantGroup Group;
  bool groupKnown = false;
  int groupStamp = -1;
  const BulkInvariant* groupOf = nullptr;
  // The closure plan of the correction phases of that group, made when first used.
  PhaseClosurePlan phasePlan;
  bool phasePlanKnown = false;
  // The modular-invariant group charges of a record depend on its Klein current alone:
  // those found for each Klein current of that group (theory chargesCFT).
  std::unordered_map<int, std::vector<int>> groupChargesByKlein;
  int chargesCFT = -1;
  // For theory chargesCFT: whether the charge vectors of the currents add under fusion
  // (-1: not yet checked), and the collection index of each current's charge vector (-1:
  // not yet looked up).
  int chargesAdditive = -1;
  std::vector<int> currentChargeIndex;
  // The part of the Ishibashi metric that the Klein current alone gives, per Klein current
  // and Ishibashi label, for the labels of bulk invariant metricBaseBulk and period
  // metricBasePeriod (kept while their total stays small).
  std::unordered_map<int, std::vector<int>> metricBaseByKlein;
  std::size_t metricBaseEntries = 0;
  int metricBaseBulk = -1;
  int metricBasePeriod = -1;
  int metricBaseLabels = -1;
  // While set, simpleCurrentCrosscapCoefficient notes the terms it sums here.
  CrosscapTerms* crosscapTerms = nullptr;
  // Projection signs asked of a weight and phase that are no sign (each reported).
  long long projectionSignFaults = 0;

  // Coefficients. Reflection coefficients stored per orbit pair: one row per Ishibashi
  // orbit (real parts, then imaginary parts, one per boundary orbit), made when the row is
  // first used; an exact 0.0 marks an entry still to be computed. storedOrbitPairs is
  // NIshiOrbit x NBoundaryOrbit while rows are kept (0: none).
  std::vector<std::vector<double>> reflectionRows;
  std::size_t storedOrbitPairs = 0;
  std::vector<int> IshibashiMetricFlip;
  std::vector<double> PhasesR;
  std::vector<double> PhasesI;
  int PhasePeriod = 0;
  int phasesLastCur = -1;
  std::vector<double> DilatonCouplings;
  int dilatonStamp = -1;
};

CrossBoundState& crossBoundState();

// Settings read live (0 before start-up bound them).
int useOrbits();
int initDebug();
int orientifoldRequired();
int boundVerbose();

BulkInvariant* currentBulk();
// The primaries of the current theory; 0 while no spectrum is computed.
int primaryCount();

// Labels and orbits (CrossBoundLabels.cpp).
void getIshibashiLabels();
void getBoundaryLabels();
void setStandardBoundaryLabels();
void loadAllOrbits();
// The currents of the invariant's group, in group order ({0} for the diagonal invariant);
// empty for an invariant that is not a simple-current one.
std::vector<int> invariantGroupCurrents(const BulkInvariant* bi);
// The group of a simple-current invariant (read from its simple-current description);
// nullptr for any other invariant.
const InvariantGroup* invariantGroup(const BulkInvariant* bi);
// 1 when the group of a simple-current invariant is known here.
int invariantGroupKnown(const BulkInvariant* bi);
void loadModInvGroupCharges(OrientifoldInfo* record);

// Orientifolds (CrossBoundOrientifolds.cpp).
// Sizes a record for a group of the given shape and N Ishibashi labels.
void sizeOrientifoldRecord(OrientifoldInfo* record, int order, const std::vector<int>& factorOrders,
                           int N);
// The per-factor sign rule: given signs for the first n factors, +1 for the rest, -1 on a
// factor of odd order refused with its message. Returns 1 when a sign changed.
int applyCrosscapSigns(OrientifoldInfo* record, int n, const int* signs);
// The same for a record the module owns (created when missing).
int allocateOrientifoldInfo_stage2(std::unique_ptr<OrientifoldInfo>* record);
void initializeOrientifolds();
void resetOrientifolds();

// Coefficients (CrossBoundCoefficients.cpp).
void loadPhases(int n);
// +1 or -1: the parity of h(K J) - h(K) (h(J) for K = 0) plus num/den.
int computeProjectionSign(OrientifoldInfo* record, int J, long long num, long long den);
void loadCorrectionPhases(OrientifoldInfo* record);
// What loading the Ishibashi metric gives a record but the metric itself: its tension (and
// sign eta) and group charges, with the same messages. The metric stays to be loaded (in
// full, with these, when asked). Under the init trace, which reports each loading, the
// metric is loaded.
void loadOrientifoldTension(OrientifoldInfo* record);
// One term of the crosscap sum and the closing factor eta / sqrt(order): the one way the sum
// is made, so that a sum from noted terms equals the direct one to the last bit.
inline void addCrosscapTerm(std::complex<double>& sum, int sign, double re, double im) {
  sum += static_cast<double>(sign) * std::complex<double>(re, im);
}
inline void closeCrosscapSum(std::complex<double>& sum, int eta, int order) {
  sum *= eta / std::sqrt(static_cast<double>(order));
}
// Phase exp(2 pi i g / PhasePeriod) of the metric entry of Ishibashi label m.
void metricPhase(OrientifoldInfo* record, int m, double* re, double* im);
// Exceptional set-up helpers.
// True when the current invariant holds a selected complete boundary set (its exceptional
// boundary data are in force), which the Moebius and crosscap searches start from.
bool completeBoundarySetSelected();
// The crosscap coefficients of Klein vector K (real parts, then imaginary parts), computed
// only: the invariant's boundary data are not touched. 0 when K gives a non-zero gamma at a
// primary that is no Ishibashi label.
int exceptionalCrosscapCoefficients(const std::vector<int>& K, int verbose, std::vector<double>* U);
// The same, stored with K as the invariant's crosscaps in force.
int ComputeExceptionalCrosscap(const std::vector<int>& K, int verbose);
void resetCoefficients();

// The orientifold list, amplitudes, Klein-bottle search (their own files): the sign vectors
// of the candidates (-1 only on factors of even order, the last factor fastest) and the
// resets of their state.
std::vector<std::vector<int>> orientifoldSignVectors(const std::vector<int>& factorOrders);
// The candidate rows (K, signs, class, status) of the last orientifold list made, and the
// tension of each.
const std::vector<std::vector<int>>& orientifoldCandidates();
const std::vector<double>& orientifoldCandidateTensions();
void resetOrientifoldList();
// The permutations by which the identification maps candidates (default: those that keep
// the invariant, addPermutationInfo); tests put faulty ones in. nullptr restores the default.
struct SimpleCurrentData;
using IdentifyingPermutations = std::vector<int> (*)(SimpleCurrentData* MD);
void setIdentifyingPermutationsSource(IdentifyingPermutations source);
void resetAmplitudes();
void resetKleinSearch();
// A^i_ab of the oriented string as the generic sum gives it: kFusionInterrupted when the
// sum was stopped or refused, kFusionUndecided when double precision cannot decide it
// (getOrientedAnnulus reads both as 0).
FusionCoefficient orientedAnnulusCoefficient(int i, int a, int b);
// M^0_a under the current orientifold, the same sum as getMoebius(0, a) to the last bit,
// with the factors that do not depend on a made once per orientifold choice and the terms
// that vanish exactly left out.
int vacuumMoebius(int a);
// The conjugates and group types of a record by the search over all labels with the
// annulus (every group type at once), as they were found before the labels told them.
void loadOrientifoldConjugatesBySearch(OrientifoldInfo* record, int progress);
// The annulus coefficients asked of getAnnulus since the module's last reset (those the
// selection rule answers included): the work the pairing of conjugates costs.
long long annulusSumCount();
