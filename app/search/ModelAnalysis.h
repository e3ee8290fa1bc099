// Classification of a brane-stack candidate held in `SM`: hypercharge and the c and d
// generators, the quark and lepton counts, the storage of found model types (the run's
// type collection and the ".pre_models" lines), the model-record conversions, the
// conjugation variants and the spectrum code, and the small routines the catalogue tools
// share (orientability, the tensor product of a catalogue entry, the tadpole-scan skip).
//
// Charges are integers in units of 1/norm: Y = (y_a Q_a + y_b Q_b + y_c Q_c + y_d Q_d)/norm.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "search/SearchSM.h"

// One model record in catalogue layout (87 words; a run row uses the first 86).
using ModelRow = std::array<int, 87>;

// Hypercharge and three-stack determination.
int computeY(int store);
int verifySpectrum();
int computeQuarkAndLeptonCharges(int store);
void setThreeStack(int four);

// Found-model analysis and storage.
int countQuarksAndLeptons(int store, int keepCharges);
int storeSMdata();
int checkSMForTachyons();
// The detailed report of SM; without showIdentity the brane equivalence and identity
// lines are left out (a caller that has shown them already). 0, or -1 after the alert
// when the spectrum does not count as the standard model.
int writeStandardModelInfo(bool showIdentity = true);
ModelRow copyStandardModelToModelsFormat(const StandardModel& model);
void copyModelsFormatToStandardModel(StandardModel* model, const int* record, int number);
int LocalU1Equations(StandardModel* model, int equationsOnly);
int CheckOrientability(const int* groupTypes, const int* A, const int* S, const int* Gamma, const int* Delta,
                       int n);
unsigned buildCY(unsigned code);
int alreadyDone(int status, int skip, const char* name);
void PrintGenerator(char letter, int n, const int* eigenvalues, const int* multiplicities, int norm, int indent);
// "Generator T_c: (...)/norm" (at most 80 characters).
std::string GeneratorString(char letter, int n, const int* coefficients, const int* sizes, int norm);
// The spectrum analysis of `SM` (nr -1: no model number; warn adds the warning line).
void printCPD(FILE* stream, int nr, int warn);

// Conjugation variants (48-int profiles) and the one-word spectrum code of model files.
void Conjugate_c(const StandardModel& model, int* profile);
void Conjugate_d(const StandardModel& model, int* profile);
void Interchange_cd(const StandardModel& model, int* profile);
std::string spectrumCode(int tadpoleIndicator, int modelNumber);

// The run's collection of model types (rows of 86 words, identified by the first 56):
// emptied by the search driver at the start of a case, filled by storeSMdata, read by the
// catalogue merge.
void initRunTypeCollection();
int runTypeCount();
// Row of in-run type number (1-based); nullptr outside the collection.
const int* runTypeRow(int typeNumber);

// ---------------------------------------------------------------------------------------
// Run state shared with the search driver.

struct VectorSpace;

struct ModelAnalysisCounters {
  long long computeYCalls = 0;
  long long quarkChargeCalls = 0;
  long long storeCalls = 0;
  long long storedModels = 0;     // tachyon-free candidates stored
  long long groupSolutions = 0;   // per group; computeY clears it
  long long preModels = 0;        // ".pre_models" lines written ("models so far")
  long long chargeDegeneracyCalls = 0;
  long long rejections = 0;       // candidates rejected by an internal check (warned, dumped)
  long long tensorCodeless = 0;   // accepted candidates with tensor code -1 (never stored)
};
const ModelAnalysisCounters& modelAnalysisCounters();
void resetModelAnalysisCounters();
// The family count F every count compares with, the event flags and the success level are
// the search driver's run state (SearchDriver.h: getFamiliesRequired, searchEvents,
// getSuccessLevel); computeY raises the level to 4 and clears the flags 4-19.
// 1 after a ".pre_models" line could not be opened or written (alerted): the driver ends
// the case with its abort terminator. Cleared by initRunTypeCollection.
int preModelsWriteFailed();
// The run's type collection itself (for the catalogue merge and its checks).
const VectorSpace* runTypeCollection();

// Where storeSMdata takes the case from; the default reads the current tensor product,
// bulk invariant and orientifold. Tests install made-up ones; nullptr restores the default.
struct ModelCaseSource {
  long long (*tensorIdentifier)() = nullptr;
  int (*mipfIdentifier)() = nullptr;
  // Remaining dilaton tadpole of n stacks on orientifold o.
  double (*tadpole)(int o, int n, const int* labels, const int* multiplicities) = nullptr;
  std::string (*preModelsFile)() = nullptr;
};
void setModelCaseSource(const ModelCaseSource* source);
// The builder buildCY hands a valid code to (the command set's Gepner construction: the D5
// space-time factor graded by 2, one N=2 minimal model per level, the spectral-flow current,
// the spectrum and the simple-current invariants); 0 on success. Until one is installed
// buildCY reports "not available yet" and answers -1. nullptr restores that.
void setMinimalTensorBuilder(int (*builder)(int code));
void resetModelAnalysis();

// The four state counters: (m, q) with multiplicity m (negative: the mirror) and charge q in
// units of 1/norm of SM; 1 accepted (m = 0 always), 0 a charge outside the standard model.
int countQuarkDoublets(int m, int q);
int countAntiQuarks(int m, int q);
int countLeptonDoublets(int m, int q);
int countSinglets(int m, int q);
// Pair codes of d with a, b, c (1 identical, -1 the conjugate, 0 neither).
void computeBraneIdentity();
int CheckDetachedDBrane(const int* Gamma, const int* Delta, int n);
// The family count of a model read back: setting "SM_search Nfamily" (0: any of 1 to 3) and
// Gamma + Delta of (a,b). 1 with *families set, 0 when the quark doublets do not fit.
int familyCountOfReadModel(int setting, int GammaAB, int DeltaAB, int* families);

// Generators of c and d: e[2] eigenvalues, m[2] their multiplicities; 1 found, 0 refused.
int computeTracelessGenerator(int norm, int N, int groupType, int s, int t, int e[2], int m[2]);
int StoreEigenvalues(int* flag, int e[2], int m[2], int ce[2], int cm[2]);
int getTracelessGenerator(int x, int p, int q, int* flag, int e[2], int m[2]);
// Orderings of equivalent labels: 1 keep, 0 drop.
int cdOrderingCheck();
int check_cd_BraneOrdering();
int check_c_BraneOrdering();
int check_d_BraneOrdering();

// Hypercharge degeneracy: trial assignments of the open y_x accepted by
// computeQuarkAndLeptonCharges (0 also for shapes not handled).
int computeChargeDegeneracy(VectorSpace* equations, int open[4], int store);
// Candidate values of 12 N_x y_x from the class columns (16) of stack x's class row.
std::vector<int> getChargeList(int x, const int* classes, int* scale);
// 0 with *out = value when |value| <= 199,999,999; else "Integer overflow" and 1.
int ConvertLongToInt(long long value, int* out);
int ReduceOnColorLabel(long long* v, const int* w, int n);

// Charge lists: up to three charges (units of 1/6) ended by -999; 999 first: unrestricted.
void addChargesToList(const int* newList, int* list);
int GetChargeList(int x, int ya, int yb, int out[4]);
int DetermineLoopParameters(int* charges, int N, int restricted, int* from, int* to, int* step);
// Three charges then three multiplicities; *exact is false (alerted) when the third
// eigenvalue or the trace is not what a traceless generator needs.
std::array<int, 6> EigenvaluesToCharges(const int e[2], const int m[2], int y, int N, bool* exact);
std::array<int, 4> ChargesToEigenvalues(const int bins[5], int y, int norm);
// The charge-basis form of a model record; 1, or 0 (alerted) when a value is not exact.
int ConvertSpectrumVector(int out[80], const int* record);
void ConvertChargeBasisVector(int out[80], const int in[80]);
int getSpectrumClass(const int* record);
std::string computeIDcode(const int* record, int full);

// Y coefficients of the open stacks from the axion mass terms (see AbelianMasses).
int solveGenericAbelianMasses(const VectorSpace* equations, VectorSpace* space, int unknown[4]);
