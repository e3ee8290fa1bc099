// The standard-model search driver and its brane-stack steps.
//
// The driver walks every orientifold of non-zero tension and every usable boundary a of the
// current case; the b and c steps (SearchSteps.cpp) filter by tension budget, chiral
// intersections and rank-two tensors, and the d step fixes N_c and N_d from the cubic
// anomaly equations before the candidate goes to the hypercharge step. Found candidates are
// written by the classification to the case's ".pre_models" file; the driver ends that file
// with a terminator line and merges it into the catalogue.
//
// What the steps read of the boundaries, orientifolds and intersections comes through one
// access record (`SearchServices`) whose default is the boundary and strings layers; tests
// and benchmarks install a synthetic orientifold instead.
//
// Run state (range of a, candidate lists, success level, counters, event flags, the family
// count) lives in one module record. Each search command starts its own counts
// (startSearchCounts); resetSearchDriver() restores the state right after start-up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// ---------------------------------------------------------------------------------------
// Access to the case being searched

struct SearchServices {
  int (*totalBoundaries)();
  // The case's set-up (search record, bulk checks, shared tables): 1 ready, 0 refused
  // (its message printed).
  int (*prepareCase)();
  int (*usableCount)();
  int (*usableBoundary)(int i);
  int (*orientifoldCount)();  // orientifolds of non-zero tension
  int (*orientifoldCountAll)();
  // Makes the o-th orientifold of the tension-sorted list current (with its axion table).
  void (*selectOrientifold)(int o);
  int (*conjugate)(int o, int b);
  int (*groupType)(int o, int b);  // 0 U, 1 O, -1 Sp, 2 zero tension
  double (*dilaton)(int b);
  double (*crosscapZero)();  // Re U(0) of the current orientifold
  int (*intersection)(int o, int a, int b, int* Gamma, int* Delta);
  // p = I(b, b*) with its orientifold image, q = the Moebius sum of b.
  int (*diagonal)(int o, int b, int* p, int* q);
  // Non-supersymmetric search: tachyon-free complex boundaries and tachyonic ones.
  void (*tachyonLists)(int o, std::vector<int>* allow, std::vector<int>* avoid);
  // The hypercharge step of a candidate (1 accepted and stored) and the three-stack switch.
  int (*accept)(int store);
  void (*threeStack)(int four);
  // The end-of-case merge: 0 done.
  int (*merge)();
  // Tensor code and MIPF number of the case.
  std::int64_t (*tensorCode)();
  int (*mipf)();
};
// nullptr restores the default.
void setSearchServices(const SearchServices* services);
const SearchServices& searchServices();

// The code of the current CY product for the replay block (the command layer installs it).
void setCurrentCYSource(const char* (*source)());

// ---------------------------------------------------------------------------------------
// Driver

void initializeSearchDriver();
void resetSearchDriver();

// 1 when candidates were found and merged, 0 otherwise. With a list only those orientifolds.
int FindSM(const std::vector<int>* orientifolds);
void setFirstBoundary(int b);
void setLastBoundary(int b);
int getFirstBoundary();
int getLastBoundary();
// The tachyon-free handler of the tachyon check ("search non_susy_sm").
int findTachyonFreeSM(int mode);
int initGenericSearchMemory(int limit);
int initializeProfiles();
void initAxionCache();
void writeModelData(FILE* stream);
void printSearchCounters();
void CloseModelSearch();

// The thirteen search counters, in the order of printSearchCounters (the last not printed).
// The hypercharge, charge-degeneracy, quark-charge and storage counts are those the
// classification keeps (ModelAnalysis.h).
enum SearchCounter {
  StrongWeakDoubletCounter,
  ABCCounter,
  ABCDCounter,
  AnomalyAnalysisCounter,
  CD_brane_anomaly_required,
  NoConstraintCounter,
  OneConstraintCounter,
  TwoConstraintCounter,
  computeYCounter,
  cCDCounter,
  cQLCounter,
  storeSMCounter,
  MoreConstraintCounter,
  SearchCounterCount
};
void countSearch(SearchCounter counter);
std::int64_t searchCounter(SearchCounter counter);

// Shared run state of the steps.
void raiseSuccessLevel(int level);
int getSuccessLevel();
int getPreModelCount();
// A candidate was stored (counted for "SM_search maxconf" and the end texts).
void notePreModel();
int getPreScanModelFound();
void setPreScanModelFound(int n);
int* searchEvents();  // 20 flags
int getFamiliesRequired();
void setFamiliesRequired(int F);
// The family count of a candidate with Gamma and Delta of (a, b), by "SM_search Nfamily"
// (1 to 3 that number, 0 Gamma + Delta, above 3 unchanged); false when b fails it.
bool applyFamilyCondition(int GammaAB, int DeltaAB);
// Zero the counters, the candidate count and the success level of this run and of the
// classification: every search command starts its own counts.
void startSearchCounts();
// The search runs without the tachyon lists of a non-supersymmetric search.
void clearTachyonLists();
// Axion charges of boundary b under the current orientifold (empty before initAxionCache).
const int* boundaryAxionCharges(int b);
// Sets the candidate lists of the stacks for the steps (nullptr: the usable boundaries).
void setStackCandidateLists(const std::vector<int>* a, const std::vector<int>* b, const std::vector<int>* c,
                            const std::vector<int>* d);

// ---------------------------------------------------------------------------------------
// Steps

int findWeakSMBrane();
int findAntiquarkSMBrane();
// Mode -10 every d, -2 three stacks only, 10 the record's own d data, d >= 0 that d.
int findLastSMBrane(int mode);
void getChiralRankTwoTensors(int x, int xImage, int orientifold, int* A, int* S);
int MaximalMultiplicities(int* maxNc, int* maxNd);
int FastMultiplicityCheck();
// A reduced system of two rows (cN_c, cN_d, k); 1 when both multiplicities are valid.
int solveForMultiplicities(const int rows[2][3]);
