// The shared model catalogue "Models.list" in the model folder: its lock, the reader, the
// end-of-run merge that numbers new model types and writes the run's ".models" file, the
// look-up by model number, the standard-model multiplets and anomaly checks, brane
// identity and equivalences, and the charge assignment with the catalogue look-up of an
// intersection pattern.
//
// Representation. A catalogue row is 87 ints (`ModelRow`, layout in the file format): the
// first 56 are the chiral profile that identifies a model type, int 56 its model number
// (1..40000). The in-memory catalogue keeps the rows in file order with an index from
// profile to row and per-number tables (existence count, row position, generators).
// Several processes on several machines merge into one catalogue: each merge holds the
// lock "Lock" (an exclusive-create lock file with an owner token, see runtime/FileLock),
// re-reads the catalogue, and replaces it whole through a synced temporary file; a
// catalogue that cannot be read is never rewritten.
//
// State lives for the run; resetCatalogue restores the start state (and frees a held lock).
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "search/SearchSM.h"

// The lock "Lock" in the model folder.
void obtainLock();
int checkLock();
void removeLock();

// Reads the catalogue (mode 0: a missing catalogue is a first run; 1: an error); the number
// of model types, or -1 when the catalogue cannot be read.
int readQUVRModels(int mode);
// The end-of-run merge of the case's ".pre_models"; 0 on success, non-zero on failure (the
// ".pre_models" file is then kept). The failure value is the exit code of the condition:
// 12 "Too many new models", 1 any other.
int getModelNumbers();
// The next free model number; 0 (after the alert "Too many new models") when none is free.
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
// equations: the VectorSpace of Y equations (rows k_a..k_d, constant, pivot; an embedding
// must give k_a y_a + ... + k_d y_d + k norm = 0), or nullptr for none. Answers the number
// of accepted embeddings.
int DeterminePossibleChargesFromIntersections(void* equations);
// Looks the embedding in SM up under the eight relabellings of c and d; the number of
// matching catalogue rows.
int findThisSpectrumInQUVRList();

// ---------------------------------------------------------------------------------------
// Catalogue files

inline constexpr int kCatalogueRowSize = 87;
inline constexpr int kCatalogueProfileSize = 56;
inline constexpr int kMaxModelNumber = 40000;  // QUVR_MAX
using CatalogueRow = std::array<int, kCatalogueRowSize>;

// Code of a four-letter equivalence or identity text: letters a-d count 1-4, a blank 0,
// read as thousands, hundreds, tens and units ("abcd" 1234, "abc " 1230).
int convertEquivalenceCode(const char* code);
// The line of a catalogue row as "Models.list" holds it (with its newline).
std::string formatCatalogueLine(const int* row);
// Parses one line of 87 integers; false for any other line or a model number outside
// 1..40000.
bool parseCatalogueLine(const std::string& line, int* row);
// NumberOfModels: the count of the last successful read.
int getNumberOfModels();
// The rows in file order (valid until the next read or merge).
int catalogueRowCount();
const int* catalogueRow(int index);
// The `isGenerator` table (40010 entries, index model number - 1).
const int* getGeneratorList();
// How many catalogue lines carry the model number (0 outside 1..40000).
int getModelExistence(int nr);
// Statistics of "Models.stat" (index model number; 0 or "---" when absent).
void allocateTadpoleStatisticsInfo();
bool modelStatisticsAvailable();
int getTadpoleStatistics(int nr);
int getModelCount(int nr);
int getMIPFCount(int nr);
std::string getModelName(int nr);
// Forgets the read catalogue (the next reader reads afresh).
void forgetCatalogue();

// What the merge needs of the search (test seam): the run's type rows, the names of the
// run's files, the case's identifiers, the analysis of a new type (fills ints 66-86 of the
// catalogue row and writes the ".spectra" entry) and the spectrum code of a model line.
struct CatalogueMergeHooks {
  int (*runTypeCount)();
  const int* (*runTypeRow)(int typeNumber);  // 86 ints
  std::string (*runFileName)(const char* suffix);
  long long (*fileIdentifier)();
  int (*mipfNumber)();
  void (*analyseNewType)(const int* runRow, int* catalogueRow, int number);
  std::string (*spectrumCode)(int tadpoleIndicator, int modelNumber);
};
// nullptr restores the search's own.
void setCatalogueMergeHooks(const CatalogueMergeHooks* hooks);

// ---------------------------------------------------------------------------------------
// Standard-model multiplets and anomaly checks
//
// Multiplet row (19 ints): 0 SU(3) (1, -1, 0), 1 SU(2) (1, 0), 2 hypercharge in units of
// 1/6 (-99999 when inexact), 3-4 charges under the extra U(1)s, 5-8 charges under U(1)_a..d,
// 9-10 and 11-12 charges under the c and d generator blocks, 13 hypercharge in units of
// 1/norm, 14 norm, 15-18 the contributions of the four stacks. Ordered rows add 19 the
// particle type code and 20 the number of copies.

inline constexpr int kMultipletSize = 19;
inline constexpr int kOrderedMultipletSize = 21;
// A type code that matches no particle (prints "??").
inline constexpr int kUnknownParticle = 99;

struct CountedMultiplets {
  std::vector<std::array<int, kMultipletSize>> rows;
  std::vector<int> copies;
  void add(const int* row, int count);  // adds count to an equal row, else appends
};
struct OrderedMultiplets {
  std::vector<std::array<int, kOrderedMultipletSize>> rows;
  bool add(const int* row);  // appends unless a row with equal entries 0-19 exists
};

int SM_multiplet(const StandardModel& model, int pair, int count, int sign, int i, int j, int* row);
int SM_tensor(const StandardModel& model, int stack, int count, int sym, int block, int* row);
int renormalizeY(int norm, int y);
// Name of the row's type code (entry 19).
std::string ParticleType(const int* row);
std::string particleName(int code);
int BaryonNumber(int code);
int LeptonNumber(int code);
int dp(const int* v, const int* w);
void addToOrderedSpectrum(OrderedMultiplets* ordered, const int* row, int copies);
void addParticleTypeToOrderedCollection(const CountedMultiplets& spectrum,
                                        OrderedMultiplets* ordered, int su3, int su2, int y);
int anomalyEquations(const StandardModel& model, const CountedMultiplets& spectrum);
void checkExtraAnomalies(const StandardModel& model, const OrderedMultiplets& ordered);

// ---------------------------------------------------------------------------------------
// Brane identity and equivalences (stacks 0-3 = a-d; pairs ab, ac, ad, bc, bd, cd)

void computeOrderedStandardModelSpectrum(StandardModel* record);
void computeStandardModelBraneIdentity(StandardModel* record);
void computeStandardModelUniversality(StandardModel* record);
// The spectra computed for a record (nullptr before computeOrderedStandardModelSpectrum).
const CountedMultiplets* getCountedSpectrum(const StandardModel* record);
const OrderedMultiplets* getOrderedSpectrum(const StandardModel* record);
std::string CheckBraneEquivalences(const int* groups, const int* anti, const int* sym,
                                   const int* Gamma, const int* Delta, int* flags);
int CheckBraneEquivalence(int i, int j, const int* groups, const int* anti, const int* sym,
                          const int* Gamma, const int* Delta);
int CheckConjugateBraneEquivalence(int i, int j, const int* groups, const int* anti, const int* sym,
                                   const int* Gamma, const int* Delta);
int CheckSelfConjugateBranes(int k, const int* groups, const int* anti, const int* sym,
                             const int* Gamma, const int* Delta);
// The identity text, or "" when a conjugate identification makes none.
std::string getBraneIdentity(const int* codes, int stackCount);
int CheckPseudoOrientability(const int* groups, const int* anti, const int* sym, const int* Gamma,
                             const int* Delta, int stackCount);
int CheckSemiDetachedDBrane(const int* Gamma, const int* Delta, int stackCount);

// ---------------------------------------------------------------------------------------
// Charge assignment

// The (6 y_a / norm, 6 y_b / norm) tried for the pattern in SM, in order.
std::vector<std::array<int, 2>> hyperchargeOptions();
// Standard form of a three-piece generator (eigenvalues, charges, multiplicities).
void StandardDiagonalForm(int* e, int* q, int* m);
void BringDiagonalGeneratorsToStandardFrom();
// 1: coupled d list (3, -3); 0: the d list was set from the c list; -1: the charge list is
// inconsistent ("CHARGE PROBLEM", the pattern is skipped).
int getLastBraneQuantization(const int* cList, int* dList);
// The eight relabellings of c and d of a model-format row (66 ints used), in the order
// row, c*, c*d*, d*, cd exchanged, exchanged after c*, then c*, then d*.
std::vector<std::array<int, 66>> BuildQuvrVariations(const int* row);
// The selection among the matches of a look-up: the first match of the highest score.
// scores[k] for matches[k]; -1 when there are none.
int selectBestMatch(const std::vector<int>& scores);
// Pattern entries found by the look-ups of this run (charge-basis vector, words 41-52).
// The pure intersection spectra (pattern entries) found so far, shared with the re-analysis.
void clearPureIntersectionSpectra();
// Adds a pattern entry (up to 80 words) unless one with equal words 0-40 exists; its index.
int addPureIntersectionPattern(const int* entry, int size);
int patternCount();
const int* patternEntry(int index);

void resetCatalogue();
