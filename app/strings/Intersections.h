// Brane intersections of the current bulk invariant and the search record they read.
//
// `SearchData` is built by the standard-model search (a higher layer) once per bulk
// invariant and reached here through getSearchData() (strings/OpenSpectrum.h). It holds
// the boundary and Ishibashi counts, the orientifolds sorted by descending tension and the
// map between boundary labels and the usable boundaries of a search.
//
// The intersection X(a, b) counts the massless fermions of the open string between branes
// a and b; X(a, b) - X(b, a) is the oriented (chiral) intersection number. Orientifold
// indices are positions in the tension-sorted list of the search record.
#pragma once

#include <cstdint>
#include <vector>

struct OrientifoldInfo;

struct SearchData {
  int boundaries = 0;
  int ishibashi = 0;
  int orientifolds = 0;
  int tensionOrientifolds = 0;  // the first entries of the list; only these are searched
  int usableBoundaries = 0;
  OrientifoldInfo** orientifoldList = nullptr;
  // 2 x boundaries entries: label -> usable index (-1 unusable), then usable index -> label.
  std::vector<int> BoundaryMap;
  int* usableList() { return BoundaryMap.data() + boundaries; }
};

// Value of an entry not computed yet.
constexpr int kNotComputed = -9999999;
// Count returned for a pair whose sum is not an integer (after alert 110302); such a pair
// is never cached.
constexpr int kIntersectionFailed = -1;

// Binds the settings and zeroes the counter (start-up).
void initializeIntersections();
// Forgets every table, cache and stamp (with the classes and the anomaly equations).
void resetIntersections();
void resetBoundaryClasses();
void resetAnomalies();
// "BraneIntersectionCounter=%lld\n" on standard output.
void printIntersectionCounters();
std::int64_t getBraneIntersectionCounter();

// Once per bulk invariant: take the search record and build the intersection tables.
// 0 ready; 1 "Super" OFF or no representation contents; 4 interrupted.
int InitIntersection();
// X(a, b) with chirality X(a, b) - X(b, a) in *chirality (kIntersectionFailed when a sum
// is not integral).
int ComputeIntersectionWithoutOrbits(int a, int b, int* chirality);
int ComputeIntersectionEntry(int a, int b, int* chirality);
int InitIntersectionWithoutOrbits();
// The same count over Ishibashi-label orbits, the massless fields grouped by charge class
// (the class of Q_a - Q_b decides which of them a pair of boundaries sees). Its tables need
// the orbit tables of the boundary layer; 4 when the charge classes are inconsistent, and
// InitIntersection then takes the routine over all labels.
int ComputeFastIntersection(int a, int b, int* chirality);
int InitFastIntersection();
// 1 when the installed pair routine is the one over orbits (for the current invariant).
int intersectionUsesOrbits();
int InitMoebiusSum();
// Moebius sum M(b) of orientifold o (made current first); kMoebiusFailed when the sum is
// not an integer (after alert 110302) or there is no such orientifold. Any integer,
// negative ones included, is a Moebius sum.
constexpr int kMoebiusFailed = kNotComputed;
int ComputeMoebiusSum(int o, int b);
// x = X(b, b*), y = M(b) (0 when x = 0), z = X(b, b) when z is not null. 0 done, 1 refused.
int getDiagonalInfo(int o, int b, int* x, int* y, int* z);
// Gamma = I(a, b*), Delta = I(a, b); 0 done, 1 when a pair failed.
int BraneIntersection(int o, int a, int b, int* Gamma, int* Delta);
// The same through the per-orientifold pair cache; o = -1 only forgets the cache.
int CachedBraneIntersection(int o, int a, int b, int* Gamma, int* Delta);
// Prints "Intersection(%d,%d)=%d (chirality %d)\n"; 1 when it cannot be computed.
int PrintIntersectionEntry(int a, int b);

// Boundary classes: a boundary with its images under every orientifold of the search
// record. One row of signed bytes per class leader keeps, per usable boundary u, the
// chirality c and the total 2x - c of the pair (leader, u); 127 = not computed (or too
// large to keep), so such a pair is recomputed on every request.
constexpr int kClassByteUnknown = 127;
// Builds the classes; their number.
int getBoundaryClasses();
// Classes rebuilt, every row assignment forgotten.
void initBoundaryClassStorage();
// Prepares the classes and a spare row; 0.
int initBoundaryClasses();
// Allocates the next row (all 127) as the spare; its index.
int incrementBoundaryClassIntersectionPointer();
void freeBoundaryClassIntersectionPointers();
// The class of boundary b (-1 outside the classes).
int getBoundaryClass(int b);
int getBoundaryClassSize();
int getLeadingClassBoundary(int k);
int getBoundaryClassReality(int k);
// Writes count x and chirality c of (leader of the row, usable index u) into a row;
// 0 done, 1 (alert 120505) when the row does not exist.
int storeIntersectionData(int row, int u, int x, int c);
// The count X(a, b) (kIntersectionFailed after an alert) and the chirality, through the
// row of a's class: a member reached by an orientifold image gets the negated chirality
// and the other chirality's count.
int FullIntersectionForClassMember(int a, int b, int* chirality);
int ComputeOverlapForClassMember(int a, int b);
int ComputeIntersectionForClassMember(int a, int b);
// The brane scan of the current case ("scan branes"): per orientifold o of non-zero tension
// the files "E<id>/MIPF_<mipf>_<o>.branes" (one line of eleven integers per brane b <= b*:
// b, b*, its orbit start, group type, the chiral symmetric and antisymmetric tensor
// counts, z, x_b, x_b*, y_b, y_b*) and ".mipf" (the case, the invariant, the orientation
// and the U-O-S counts) in the output folder. 0 done (also when no orientifold has
// tension); 1 after an alert, with no files for the orientifold that failed.
int BraneScan();
// The search set-up the scan builds first (installed by the command; none: the scan is
// refused).
void setBraneScanSetup(SearchData* (*setup)());
// 1 when the matter between hidden brane h (image hs) and the listed stacks (n2 entries:
// label, image label pairs) is forbidden under mode 0 (none), 1 (non-chiral allowed),
// 2 (only pairs of distinct labels examined), 3 (anything allowed); else 0.
int GenericSMHiddenIntersection(int h, int hs, int mode, int n2, const int* pairs);
// Mode 0 (re)allocates the chirality caches; mode 1 status, mode 2 annulus A, Moebius M
// and adjoint count S of boundary b at orientifold o (0 ok, -1 chiral rank-2 fields, -3
// refused, -4 Moebius check off).
int CheckChirality(int mode, int b, int o, int* A, int* M, int* S);
// Global (mod 2) anomaly conditions of symplectic probe branes (strings/Anomalies.cpp).
// Mode 2 marks the equations stale, mode 1 loads them once, other modes reload.
void loadGlobalAnomalies(int mode);
struct ChanPatonData;
// Fills the equations of one orientifold unless they belong to its current sequence.
void loadGlobalAnomaliesForOrientifold(OrientifoldInfo* record);
// The rows of an orientifold (n coefficients 0/1 each) as loaded.
const std::vector<std::vector<int>>& getGlobalAnomalyEquations(OrientifoldInfo* record);
// The local row of probe b modulo 2.
void getLocalAnomalyMod2(OrientifoldInfo* record, int b, std::vector<int>* row);
// Folds a row over unitary pairs (mod 2) and clears symplectic entries.
void CorrectGlobalAnomaly(OrientifoldInfo* record, std::vector<int>* row);
// 1 when every equation holds (or there is none), else 0.
int CheckGlobalAnomalies(const ChanPatonData* cpd);
// Adds the entry of a* to that of a and clears a* for every unitary pair a < a*.
void CorrectLocalAnomaly(OrientifoldInfo* record, std::vector<int>* row);
// The local (chirality) anomaly of every probe brane b: A(b) = 4 (M(b) - M(b*)) plus the
// sum over stacks of N_k (I(a_k, b*) + I(a_k*, b*) for a complex a_k), M the Moebius sums
// and I the chiralities. 1 when every A vanishes; at the first A != 0 prints "Local
// anomaly not cancelled: b=.., anomaly=..", appends a stack of five branes on the smaller
// of b and b* (both marked with it) and answers 0.
int CheckLocalAnomalies(ChanPatonData* cpd);
// Number of loads of single orientifolds so far (each one a real rebuild).
int getGlobalAnomalyLoadCount();
// `CY_Check` (the spectrum checks named by a letter) is declared in strings/OpenReports.h.
