// Boundary data of the current bulk invariant: Ishibashi and boundary labels with their
// orbits, reflection and crosscap coefficients, orientifold records and their selection,
// the coefficient storage per orbit pair and the oriented annulus.
//
// Nothing is computed eagerly. Every query first runs the oriented set-up
// (initializeOrientedOpenString) or, for anything that depends on the orientifold, the
// unoriented one (initializeOpenString); both are stamped with change counters (the
// bulk-invariant number of the modular data, and OrientifoldCounter here), so the tables
// always belong to the current invariant and orientifold.
//
// A simple-current invariant is read together with its group G (InvariantGroup), taken
// from the simple-current description the invariant store keeps with every such invariant.
//
// All state is module state (CrossBoundState); resetCrossBound() restores the start state.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "numbers/MathUtility.h"

struct BulkInvariant;
struct FPType;

// The simple-current group G of a bulk invariant as the boundary module reads it. Element
// 0 is the identity; elements are numbered as the invariant numbers them.
struct InvariantGroup {
  std::vector<int> currents;          // the current (primary label) of every element
  std::vector<int> factorOrders;      // orders of the cyclic factors
  std::vector<int> generators;        // the element that generates each factor
  std::vector<Rat> X;                 // X(x, y), order x order, row-major
  // The currents of the left kernel (the extension of the chiral algebra), identity first;
  // a boundary charged under one of them breaks that symmetry.
  std::vector<int> symmetryCurrents;
  // The element of every current label up to the largest current of G (-1 outside G),
  // filled with the currents; without it elementOf searches the currents.
  std::vector<int> elementIndex;
  int order() const { return static_cast<int>(currents.size()); }
  // The element of a current, -1 outside G.
  int elementOf(int current) const;
  int product(int x, int y) const;
};

// One Ishibashi or boundary label (the two share a layout).
//   Ishibashi: primary i, degeneracy label, multiplicity of i.
//   Boundary:  orbit representative p, character label, resolved flag, symmetry breaking.
struct BoundaryLabel {
  int primary = 0;
  int label = 0;
  int third = 0;
  int fourth = 0;
  std::vector<int> orbit;  // on orbit representatives: the label reached by each current
  int orbitSize = 0;
  int orbitRep = -1;
  int currentIndex = 0;
  int orbitNumber = 0;
  FPType* stabilizer = nullptr;
};
using IshibashiLabel = BoundaryLabel;

// One orientifold of the current bulk invariant: the choice (Klein current, crosscap
// signs) and what is derived from it, each cache stamped with the record's sequence number.
struct OrientifoldInfo {
  int klein = 0;
  // The crosscap signs (one per cyclic factor), then beta, phase numerators and phase
  // denominators (one each per element of the invariant's group).
  std::vector<int> crosscapSigns;
  std::vector<double> crosscap;  // Re U(m) for every Ishibashi label, then Im U(m)
  double tension = 0.0;
  int eta = 1;
  int bulkNumber = -1;
  int sequence = -1;
  int conjugatesStamp = -2;
  int crosscapStamp = -2;
  int metricStamp = -2;
  int phaseStamp = -2;
  int anomalyStamp = -2;
  int listPosition = -1;
  // Boundary conjugates, the Ishibashi metric (phase index per label), group types.
  std::vector<int> conjugates;
  std::vector<int> groupCharges;  // indices of the charge vectors Q(J) + Q(K), J in G
  int order = 1;                  // order of the group the record is sized for
  std::vector<int> factorOrders;  // its cyclic factors

  int factors() const { return static_cast<int>(factorOrders.size()); }
  int* beta() { return crosscapSigns.data() + factors(); }
  int* phaseNum() { return beta() + order; }
  int* phaseDen() { return phaseNum() + order; }
  int* metric() { return conjugates.data() + (conjugates.size() / 3); }
};

// ---------------------------------------------------------------------------------------
// Set-up (start-up hook, lazy set-up, counts)

void initializeCrossBound();
void resetCrossBound();
// 0 when the oriented data of the current invariant are ready, 1 when they cannot exist.
int initializeOrientedOpenString();
// 0 when the oriented data and those of the current orientifold are ready, else non-zero.
int initializeOpenString();
int TotalIshibashi();
int TotalBoundaries();
// 1 when the orbit tables (and the stored coefficients) belong to the current invariant.
int CrossBoundOrbitsAvailable();
// 1 when (Ishibashi orbits) x (boundary orbits) pairs may be stored.
int orbitStorageFits(long long ishibashiOrbits, long long boundaryOrbits);
// Reflection coefficients exist (simple-current invariant, or exceptional boundaries
// loaded); crosscaps exist (symmetric invariant, and for an exceptional one a consistent
// Klein bottle gave them).
int isRefCoefAvailable();
int isCrosscapAvailable();

// ---------------------------------------------------------------------------------------
// Labels and orbits (callers run the set-up first)

int getIshibashiField(int m);
int getIshibashiLabel(int i);
int isIshibashiLabel(int i);
int IshibashiMultiplicity(int i);
int getBoundaryField(int a);
int getBoundaryFixed(int a);
char SymBsymB(int a);
int getNumberOfIshiOrbits();
int getNumberOfBoundaryOrbits();
int getBoundaryOrder();
int getIshibashiOrbitSize(int m);
int getBoundaryOrbitSize(int a);
int getBoundaryOrbitStart(int a);
// The Ishibashi label reached from m by Ishibashi current k; -1 after an alert.
int IshiCurrentFusion(int k, int m);
// The boundary label J x a; -1 after an alert.
int BoundaryCurrentFusion(int J, int a);
void showIshibashiLabels(int first, int last);
void showBoundaryLabels(int first, int last);
void showBoundaryLabelDetails(int a);
void showIshibashiOrbit(int m);
void showBoundaryOrbit(int a);

// ---------------------------------------------------------------------------------------
// Reflection and crosscap coefficients

// R(m, a) of the current invariant.
void getCurrentReflectionCoefficient(int m, int a, double* re, double* im);
void getCurrentReflectionCoefficientStarred(int m, int a, double* re, double* im);
// R(m, a) by the simple-current formula (never the stored value).
void simpleCurrentReflectionCoefficient(const IshibashiLabel& m, const BoundaryLabel& a,
                                        int diagonal, double* re, double* im);
// U(m) under the current orientifold.
void getCurrentCrosscapCoefficient(int m, int ignored, double* re, double* im);
void simpleCurrentCrosscapCoefficient(const IshibashiLabel& m, int diagonal,
                                      OrientifoldInfo* record, double* re, double* im);
void getExceptionalReflectionCoefficient(int m, int a, double* re, double* im);
void getExceptionalCrosscap(int m, double* re, double* im);
void loadIshibashiMetric(OrientifoldInfo* record);
// R with the conjugate degeneracy label times the Ishibashi metric phase of m; U(m) times
// that phase (simple-current invariants).
void getCurrentReflectionCoefficientFlipped(int m, int a, double* re, double* im);
void getCurrentCrosscapCoefficientFlipped(int m, int ignored, double* re, double* im);
// R(x, k) and R(x, conjugate of boundary k): k a boundary label, x an Ishibashi label.
void getCurrentReflectionCoefficientTranspose(int k, int x, double* re, double* im);
void getCurrentReflectionCoefficientTransposeConjugated(int k, int x, double* re, double* im);
// The conjugate boundary label (of the current orientifold), or -1.
int BoundaryConjugate(int a);
// Re R(0, a), cached per invariant.
double getDilatonCoupling(int a, double* re);

// ---------------------------------------------------------------------------------------
// Storage, oriented annulus and checks

void initRefCoefStorage();
void getRefCoefFromStorage(int m, int a, double* re, double* im);
// mode 0: R; mode 1: flipped R; any other mode alerts and gives (0, 0).
void getReflectionCoefficientFromStorage(int m, int a, int mode, double* re, double* im);
void loadCrosscapCoefficients(OrientifoldInfo* record);
// The annulus coefficient A^i_ab of the oriented string; -i: field i without conjugation.
int getOrientedAnnulus(int i, int a, int b);
void checkReflectionCoefficients();
// Coefficients of the classifying algebra of Ishibashi labels x, y, z (the sum over
// boundaries k of R(x,k) R(y,k) R(z,conjugate of k) / R(0,k)), and the fusion coefficient
// of their primaries.
int getClassifyingCoefficient(int x, int y, int z);
int getFusionForClassifyingCoefficient(int x, int y, int z);

// ---------------------------------------------------------------------------------------
// Orientifold records, selection and change tracking

OrientifoldInfo* allocateOrientifoldInfo_stage1();
// Sizes the record for the current invariant unless it is already; returns the bulk number.
int allocateOrientifoldInfo_stage2(OrientifoldInfo** record);
void resetOrientifoldStorageInfo(OrientifoldInfo* record);
// 1, or 0 for an exceptional invariant with "Orientifold" OFF.
int resetOrientifold();
OrientifoldInfo* getCurrentOrientifold();
int QueryOrientifold();
OrientifoldInfo* setSelectedOrientifold(OrientifoldInfo* record);
// Entry i of the sorted orientifold list; nullptr (alert 100302) outside the list.
OrientifoldInfo* setStoredOrientifold(int i);
OrientifoldInfo* setUserDefinedOrientifold();
// Number of entries of the sorted orientifold list.
int orientifoldListSize();
int setKlein(int K);
int setSimpleCurrentKleinCurrent(OrientifoldInfo* record, int K);
int verifyKleinBottleCurrent(OrientifoldInfo* record);
int setCrosscapSigns(int n, const int* signs);
// 1 done, 0 refused.
int setSimpleCurrentCrosscapSigns(int n, const int* signs, OrientifoldInfo* record);
int matchToNewOrientifoldList(OrientifoldInfo* record);
void setKleinBottle(const int* K);
// 1 done, 0 refused.
int storedKleinBottle(int n);
void resetExceptionalKleinBottle(int* K);
void resetOrientifoldCrosscapParameters(OrientifoldInfo* record, int n);
// "reset bulk": the diagonal invariant becomes current, with the selection warning.
void resetBulkAndBoundaries();
int SimpleCurrentBoundary(int a);
// The Klein bottle of an exceptional orientifold (one entry per primary).
const std::vector<int>& exceptionalKleinBottle();
// Adds a Klein-bottle vector to the storage that "select klein nr" reads.
void addStoredKleinBottle(const std::vector<int>& K);
int storedKleinBottleCount();

// ---------------------------------------------------------------------------------------
// Amplitudes of the current orientifold, the orientifold list, boundary conjugates and
// Chan-Paton group types.

// A^i_ab, M^i_a and K^i of the current orientifold; a negative field -i gives the
// amplitude of the conjugate of i.
int getAnnulus(int i, int a, int b);
int getMoebius(int i, int a);
int getKleinBottle(int i);
// Loads the orientifold list; *total its length, *count the entries of non-zero tension;
// the records sorted by descending tension (the first *count have non-zero tension).
OrientifoldInfo** getPositiveTensionOrientifolds(int* total, int* count);
// Fills the record's boundary conjugates and group types unless they are current.
void loadOrientifoldConjugates(OrientifoldInfo* record, int progress);
void loadAllOrientifoldConjugates(int flag);
// After loadOrientifoldConjugates: the conjugate boundary of a (-1: none) and its group
// type (0 unitary, 1 orthogonal, -1 symplectic, 2 zero tension). The type of a real
// boundary is worked out when first asked for (its Moebius amplitude) and kept.
int orientifoldConjugate(const OrientifoldInfo* record, int a);
int orientifoldGroupType(const OrientifoldInfo* record, int a);
// The brute-force pairing: every search starts at boundary 0.
void loadOrientifoldConjugates_Classic(OrientifoldInfo* record, int progress);

// The orientifold list of the current invariant (built once per invariant; the current
// orientifold is left as it was). Returns its length.
int loadOrientifolds();
int TotalOrientifolds();
// Entries of non-zero O-plane tension.
int TotalOrientifoldsWithTension();
// The list as built last, without loading; *count its length.
OrientifoldInfo** getOrientifolds(int* count);
// While alive, orientifold lists are built inside a long loop (a scan or a search over
// invariants and orientifolds): an internal inconsistency of one candidate's image in the
// identification is then a warning shown once, the image is left unidentified and counted
// (also for the run's exit status), and the loop goes on. Its end prints how many were
// skipped during it, when any.
class OrientifoldLoopScope {
 public:
  OrientifoldLoopScope();
  ~OrientifoldLoopScope();
  OrientifoldLoopScope(const OrientifoldLoopScope&) = delete;
  OrientifoldLoopScope& operator=(const OrientifoldLoopScope&) = delete;

 private:
  long long skippedBefore_;
};
// Images skipped as inconsistent inside long loops since start-up.
long long orientifoldsSkippedForInconsistency();
// Entry i; nullptr (alert 100302) outside the list.
OrientifoldInfo* getOrientifoldByNumber(int i);
// The list order: tension descending, then Klein current ascending, then signs descending.
int compareOrientifolds(OrientifoldInfo* a, OrientifoldInfo* b);
// Tension of a candidate row (K followed by one sign per cyclic factor).
double getOrientifoldTension(const int* row);
void printOrientifoldList();
void printOrientifoldNumber();
void printOrientationInfo(OrientifoldInfo* record, FILE* stream);
void showOrientationInfo(OrientifoldInfo* record);
void showSigns();
// The metric phase of element i of the record's group as text.
std::string IshibashiMetricPhaseString(OrientifoldInfo* record, int i);
// The current orientifold's metric phase of Ishibashi label m and its period (no set-up).
void getIshibashiMetric(int m, int* phase, int* period);

// Checks of the amplitudes. Each reports what it finds through Alert.
// 1 when the orbit annulus agrees with the direct one for every boundary current.
int checkAnnulusOrbits(int i, int a, int b);
// The NIM-representation identities: 1 when the identity holds, 0 after the violation
// alert, -1 when the check has no verdict: stopped by the user, or a term whose sum double
// precision cannot decide (or that was refused); a line says which.
int checkNIMfusion(int i, int j, int a, int b);
int checkUNIMMoebius(int i, int j, int a);
int checkUNIMKlein(int i, int j);
// Counts of violations, stopping at maxerr; checkOpen gives -1 when the user stopped it.
int checkClosed(int maxerr);
int checkOpen(int maxerr);
int checkKleinBottleConstraint(int maxerr);
// With maxerr < 0: 1 at the first violation, 0 otherwise, silently.
int checkKlein(const std::vector<int>& K, int maxerr);
// Tr A^(i^c) against the Klein bottle for every field; prints the verdict, returns the
// number of violations.
int checkAnnulusTrace();

// Klein-bottle search of an exceptional invariant ("search Klein_bottle ..."), the trace
// test of one candidate (K null: fills the Frobenius-Schur table for n primaries), the
// declaration of the current invariant as exceptional and the reset of the boundary search.
void searchKlein(int kbc, int trace);
int testCandidateKlein2(int n, const int* K, int* out);
void makeBulkExceptional();
// The searches of an exceptional invariant take a simple-current one as exceptional, and
// say so; true when it was converted.
bool treatSimpleCurrentBulkAsExceptional(BulkInvariant* bi);
void resetBoundaries();

// ---------------------------------------------------------------------------------------
// Boundary search of an exceptional invariant: "search boundaries" (loop size Maxloop),
// "try boundary" (the number of new candidates, -1 after an error), "assemble", loading a
// stored complete set (1, or 0 when no set has that number), the freeing of the complete
// sets and the start state of the search.
void attemptBoundaries(int Maxloop);
// "search NIMrep": the NIM-representations of the current invariant.
void attemptNIMrep(int Maxloop);
// "search Moebius" and "search crosscap" on the selected complete boundary set: the
// Moebius-strip solver, and the crosscaps that the Moebius amplitudes of one boundary
// allow. Each returns the number of solutions it printed.
int searchMoebius();
int FindCrosscapCoefsFromMoebius();
int tryBoundary(const char* text);
void assembleBoundarySet(int found);
int selectBoundary(int n, int quiet);
void freeCompleteBoundarySets();
void resetBoundarySearch();
// The boundary images of the last field permutation (pairs i:j resolve degeneracies);
// -1 when some boundary has no image, else the number of boundary labels (or the alert's
// result after a conflict).
int CloseBoundaryPermutations(const int* pi, int n, const int* is, const int* js);

// ---------------------------------------------------------------------------------------
// Orbit queries for the intersection routines and the counter report (callers run the
// oriented set-up first). Without orbit tables (CrossBoundOrbitsAvailable() is 0) every
// boundary is its own orbit.

// The field of the representative of Ishibashi orbit k and the orbit's size; -1 and 0
// outside the orbits.
int getIshibashiFieldForOrbit(int k);
int getIshibashiOrbitSize_orb(int k);
// R(m, a) at the representative m of Ishibashi orbit k.
void getCurrentReflectionCoefficient_orb(int k, int a, double* re, double* im);
// The orbit of boundary a as seen from a: entry k is the label reached from a by boundary
// current k (getBoundaryOrder() entries, -1 where the action failed); {a} without orbits.
const std::vector<int>& getBoundaryOrbit(int a, std::vector<int>* out);
// The label reached from a by the inverse of boundary current k; a itself for k = 0
// without orbits; -1 outside.
int FastBoundaryCurrentInverseFusion(int k, int a);
// The group-charge list of the trivial orientifold (indices of charge vectors Q(J), J in
// the invariant's group), loaded first; empty without orbit tables.
const std::vector<int>& getTrivialModInvGroupCharges();
// The program's counter report of this layer: the report installed by the layer above
// (the intersection counter of the string layer); nothing until one is installed.
void printCounters();
void setCounterReport(void (*report)());
