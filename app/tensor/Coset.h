// Tensor products, cosets and their simple-current extensions: the record of the theory
// the user assembles in tensor mode (`TensorProduct`), its factors marked G (plus sign) or
// H (minus sign: a coset), the currents that extend its chiral algebra, and what is
// derived from them: the chiral algebra, the extended spectrum with its stabilisers and
// resolved fixed points, weights, ground-state dimensions, conjugates, names and codes.
//
// Representation. A field of the product is a label row: one field label of each factor
// (a factor's simple current J is its field J, so current rows are label rows too) and,
// for a field of the extended theory, a resolution label behind them: the chiral-algebra
// index of the element of the untwisted stabiliser that labels this resolved field. The
// chiral algebra and the spectrum are `TensorRows`: equal-length rows in one block with a
// hash index, so that a row is found in constant time however long the spectrum grows.
//
// Life. `currentTensor` is made once by initializeCoset and reset in place; other records
// are made for internal work. Every derived table is rebuilt on its first use after the
// input changed (`SpectrumChanged`, the validity flags). The stabiliser records are shared
// `FPType`s of the group library, owned by the record's list `firstFP`.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/VectorSpace.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "store/CurrentTheory.h"

struct DGType;
struct FPType;
struct SpectrumData;

extern AllocationAccount TensorProductAccount;
extern AllocationAccount FullFP_alloc;

// The full fixed-point record of a field (CosetFixedPoints.cpp): the fix-centre elements
// and the currents of the extension that fix it, each in the canonical element order of
// its group, one fix-centre representative per current (untwisted against the field's
// stabiliser), the twists (0..3) of the fix-centre generators against each stabiliser
// element (twists[s + b |S|]), and the cocycle numerators cocycles[u + |U| m] over
// `denominator` of current m on character label u of the untwisted stabiliser U.
struct FullFPType {
  DGType* current_group = nullptr;
  DGType* center_group = nullptr;
  FPType* stabilizer = nullptr;
  AccountVector<int> all_currents{AccountAllocator<int>(&FullFP_alloc, "Full FP info")};
  AccountVector<int> fixed_currents{AccountAllocator<int>(&FullFP_alloc, "Full FP info")};
  AccountVector<int> representatives{AccountAllocator<int>(&FullFP_alloc, "Full FP info")};
  AccountVector<int> twists{AccountAllocator<int>(&FullFP_alloc, "Full FP twists")};
  AccountVector<int> cocycles{AccountAllocator<int>(&FullFP_alloc, "Full FP info")};
  int denominator = 1;
  int n_all = 0;
  int n_fixed = 0;
  bool complete = false;  // shared only when every part was made
};

// Rows of a fixed length with a hash index over whole rows; `add` keeps rows unique.
class TensorRows {
 public:
  explicit TensorRows(const char* rowsName) : name(rowsName) {}
  void reset(int rowLength);
  int rowLength() const { return length_; }
  int size() const { return count_; }
  const int* row(int i) const { return data_.data() + static_cast<std::size_t>(i) * length_; }
  int* row(int i) { return data_.data() + static_cast<std::size_t>(i) * length_; }
  // Index of the row equal to v, -1 when absent.
  int find(const int* v) const;
  // Index of v, appended when absent; `added` tells which.
  int add(const int* v, bool* added = nullptr);
  // Changes with every reset and every row added: tables made from the rows keep it.
  std::uint64_t version() const { return version_; }
  const char* name;

 private:
  static std::uint64_t hashOf(const int* v, int n);
  // Open addressing: a power-of-two table of (hash of the row when added, row), row -1
  // for a free slot, at most half full.
  struct Slot {
    std::uint64_t hash;
    int row;
  };
  void insertSlot(std::uint64_t hash, int row);
  int length_ = 0;
  int count_ = 0;
  std::uint64_t version_ = 0;
  AccountVector<int> data_{AccountAllocator<int>(&TensorProductAccount, "Tensor rows")};
  AccountVector<Slot> index_{AccountAllocator<Slot>(&TensorProductAccount, "Tensor rows")};
};

struct TensorProduct {
  TensorProduct();
  TensorProduct(const TensorProduct&) = delete;
  TensorProduct& operator=(const TensorProduct&) = delete;

  std::vector<SpectrumData*> TensorFactors;
  // Per field: its shared stabiliser record, its ground-state dimension (a large-integer
  // handle), 1 when a ground state is non-abelian, its conjugate (-2: undetermined).
  AccountVector<FPType*> Stabilizers{AccountAllocator<FPType*>(&TensorProductAccount, "TP->Stabilizers")};
  AccountVector<int> TensorDimensions{AccountAllocator<int>(&TensorProductAccount, "TP->TensorDimensions")};
  AccountVector<int> TensorDimensionInfo{AccountAllocator<int>(&TensorProductAccount, "TP->TensorDimensions")};
  AccountVector<int> Conjugates{AccountAllocator<int>(&TensorProductAccount, "TP->Conjugates")};
  std::vector<int> GH;                  // per factor 0 (G) or 1 (H)
  DGType* CurrentGroup = nullptr;       // group of the extension's simple currents

  TensorRows Spectrum{"Tensor Spectrum"};
  TensorRows ChiralAlgebra{"Tensor Chiral Algebra"};
  TensorRows Currents{"Tensor Currents"};
  // Rows of factor labels in the order the user entered them (Currents is a set).
  std::vector<std::vector<int>> CurrentList;

  int NumberOfFactors = 0;
  int CosetFlag = 0;
  int ExactWeightFlag = 1;
  int DimensionFlag = 0;
  int ContentsFlag = 0;
  int ConjugateFlag = 0;
  int SymmetryFlag = 0;
  int NumberOfPrimaries = 0;  // rows of Spectrum, read live through a pointer
  int NumberOfSimpleCurrents = 0;
  int NumberOfGenerators = 0;
  int ChiralAlgebraOrder = 0;
  int CenterRank = 0;
  int SpectrumChanged = 1;
  int FCFTDataFlag = 0;
  int NumberOfFixedPointCurrents = 0;
  int ExtensionNumber = -1;
  int SusyFlag = 0;
  int StringStatus = 0;
  FPType* firstFP = nullptr;

  // Work buffers of the S elements (grown on demand, reused by every call): the common
  // untwisted stabiliser elements, and the k real parts then the k imaginary parts of
  // their products of factor S elements.
  AccountVector<int> Sc{AccountAllocator<int>(&TensorProductAccount, "TP->Sc")};
  AccountVector<double> RealSS{AccountAllocator<double>(&TensorProductAccount, "TP->RealSS")};

  // Symmetries of identical factors and outer automorphisms of the factors, built by
  // CT_SymmetrizeTensorProduct (valid while SymmetryFlag is 1). Rows: one automorphism
  // index per factor; one factor index per factor; pairs (automorphism row, permutation
  // row) that keep the chiral algebra; per such pair the image of every simple current;
  // the current-image cache (one row per registered current, one column per symmetry).
  VectorSpace OuterAutomorphisms{100, "Tensor Outer Automorphisms", &TensorProductAccount};
  VectorSpace FullPermutations{100, "Full Tensor Permutations", &TensorProductAccount};
  VectorSpace AutomorphismsTimesPermutations{100, "Tensor Outer automorphisms times Permutations",
                                             &TensorProductAccount};
  VectorSpace CurrentPermutations{100, "Tensor Current Permutations", &TensorProductAccount};
  VectorSpace CurrentPermutationCache{100, "Tensor Current Permutations", &TensorProductAccount};

  // Fixed-point resolution (valid while FCFTDataFlag is 1): the fix centre (rows of factor
  // currents, each trivial or with a fixed-point theory; element 0 the identity) with the
  // orders of its elements, the currents of the extension that fix some field, and per
  // field its full fixed-point record, owned by FullFPRecords.
  TensorRows FixCenter{"Fix Center"};
  std::vector<int> FixCenterOrders;
  std::vector<int> FixedPointCurrents;
  std::vector<FullFPType*> FullStabilizers;
  std::deque<std::unique_ptr<FullFPType>> FullFPRecords;
  // Set by "create CFT": for every field its position in the list of simple currents of
  // the stored theory or -1, then that list (the current fields).
  std::vector<int> SimpleCurrentMap;
  // The level of the N=2 minimal model this product builds; -1 for every other product.
  int MinimalN2Level = -1;
};

// The record of tensor mode is `currentTensor` (store/CurrentTheory.h), made here.

// ---------------------------------------------------------------------------------------
// Module life

// Start-up: binds the settings the tensor layer reads, makes `currentTensor` and installs
// the tensor services of the store and the modular data (store/TensorHooks.h) and the
// cells of the table "TensorSpectrum".
void initializeCoset();
// Tests: the current record emptied, caches and the minimal-model table dropped.
void resetCosetModule();

// ---------------------------------------------------------------------------------------
// The record and its input

// TP unchanged when it is not null, else a new empty record (owned by this module).
TensorProduct* initializeTensorProduct(TensorProduct* TP);
// Appends a factor (gh 0: G, 1: H); empties the currents; 0.
int addTensorFactor(TensorProduct* TP, SpectrumData* SD, int gh);
void removeTensorFactor(TensorProduct* TP);
// 0 added, 1 already present or refused by checkCurrent.
int addNewCurrent(TensorProduct* TP, const int* labels);
// 0 when the row may be added as a new current, else 1 after the alert.
int checkCurrent(TensorProduct* TP, const int* labels);
// Makes stored extension n current; 0 when it cannot.
int SelectExtension(int n);
void assignExtensionNumber(TensorProduct* TP, int n);
int getExtensionNumber(const TensorProduct* TP);
int* TensorField(TensorProduct* TP, int i);
int* NumberOfTensorPrimaries(TensorProduct* TP);
int* NumberOfTensorSimpleCurrents(TensorProduct* TP);
int CT_currentCheck(TensorProduct* TP, int i);
int CT_S_Symmetry(TensorProduct* TP);
SpectrumData* getTensorFactor(TensorProduct* TP, int i);
int getGH(TensorProduct* TP, int i);
int getCurrentsEntry(TensorProduct* TP, int i, int j);
void setInputDataChanged(TensorProduct* TP);
// 1 when the current rows have one entry per factor.
int checkForExtension(TensorProduct* TP);

// Resets, printing and recording.
void resetCoset(TensorProduct* TP);
void resetCurrents(TensorProduct* TP);
int removeCurrent(TensorProduct* TP, int k);
// "tensor", the factor lines "G ..." / "H ..." and the current lines, through Print.
void printTensorData(TensorProduct* TP);
void writeCosetCommands(TensorProduct* TP, std::FILE* stream);
void writeCurrents(std::FILE* stream);
void printCosetHeader(TensorProduct* TP, std::FILE* stream);
void writeCosetToLog(TensorProduct* TP);
// The decimal concatenation of the levels of factors 2 .. n of currentTensor; 0 with
// fewer than two factors; -1 after an alert when it does not fit 63 bits.
std::int64_t fileIdentifier();

// ---------------------------------------------------------------------------------------
// Simple currents on label rows

void tensorSimpleAction(TensorProduct* TP, const int* J, const int* a, int* out);
// Monodromy charge of row a w.r.t. row J in [0, 1); H factors subtracted.
void TensorRatCharge(TensorProduct* TP, const int* J, const int* a, Rat* q);
int IntegerTensorRatCharge(TensorProduct* TP, const int* a, const int* b, int N);
// Twist (0..3) of the fixed point a under J, K being the fixed-point current (an element of
// a's stabiliser); the factors' twists summed modulo 4, H factors negated.
int cosetTwist(TensorProduct* TP, const int* a, const int* J, const int* K);
int CT_getCurrentTwist(TensorProduct* TP, int a, int K, int J);
int getUntwistedStabilizerRepresentative(TensorProduct* TP, int* out, int a, const int* J);
int TensorFixedPointLabels(TensorProduct* TP, const int* J, int* out);
int IdentifyOrbit(TensorProduct* TP, const int* labels);
int findOrbit(TensorProduct* TP, const int* row, int* K);
void GradedMinimalForm(TensorProduct* TP, int* labels);
int compareOrbitGenerators(TensorProduct* TP, const int* a, const int* b);
// The orbit representative of a row of factor labels.
std::vector<int> getRepresentative(TensorProduct* TP, const int* labels);
std::vector<int> tensorPower(TensorProduct* TP, const int* J, int p);
int CT_simpleCurrentProduct(int i, int j, TensorProduct* TP);
int CT_simpleCurrentAction(int J, int a, TensorProduct* TP);
int TensorOrbitLength(TensorProduct* TP, const int* current);
int chiralProduct(int i, int j, void* TP);
int chiralAlgebraProduct(TensorProduct* TP, int a, int b);
int findChiralAlgebraElement(TensorProduct* TP, const int* row);

// ---------------------------------------------------------------------------------------
// The extension spectrum

// 0 done (or nothing to do), -1 failed.
int computeTensorSpectrum(TensorProduct* TP);
int computeMasslessTensorSpectrum(TensorProduct* TP);
int computeSimpleCurrentTensorSpectrum(TensorProduct* TP);
// The passes: the simple currents (standard, or graded when "Graded" is on) and every
// other field. mode 0 all fields, 1 those of weight at most 1, 2 (graded pass) no
// "Max_primaries" limit during the pass. 0, or -1 after the alert or message.
int computeStandardTensorSpectrum(TensorProduct* TP, int mode);
int computeGradedTensorSpectrum(TensorProduct* TP, int mode);
int computeFullTensorSpectrum(TensorProduct* TP, int mode);
void computeChiralAlgebra(TensorProduct* TP);
int getSimpleCurrentOrder(TensorProduct* TP, int i);
void setExactWeightFlags(TensorProduct* TP);
int StabilizerOrder(TensorProduct* TP, int i);
// |U| of field i.
int UntwistedStabilizerOrder(TensorProduct* TP, int i);
void printStabilizer(TensorProduct* TP, int i);
void browseChiral(TensorProduct* TP);
// Per-factor flags: 1 for a factor with a non-zero label in some weight-one field made
// from the listed fields (ended by -1) by a chiral-algebra element.
std::vector<int> findFreeFactors(TensorProduct* TP, const int* fields);

// ---------------------------------------------------------------------------------------
// Weights, dimensions, conjugates

double tensorWeight(TensorProduct* TP, const int* labels);
double cosetWeight(TensorProduct* TP, const int* labels);
// 1 when exact; else q reduced into [0, 1) and 0.
int TensorRatWeight(TensorProduct* TP, const int* labels, Rat* q);
// TensorRatWeight of field f's row, from a table made once per spectrum (a field out of
// range as TensorRatWeight of no labels).
int CT_fieldRatWeight(TensorProduct* TP, int f, Rat* q);
double cosetCentralCharge(TensorProduct* TP);
int DimComputable(TensorProduct* TP);
int CT_initDimensions(TensorProduct* TP);
// Ground-state dimension of field f (a large-integer handle, -99999999 unknown).
int CT_getDimension(TensorProduct* TP, int f);
int CT_NonAbelian(TensorProduct* TP, const int* labels);
int InfoComputable(TensorProduct* TP, int quiet);
int getTensorConjugate(TensorProduct* TP, int f);
void CT_initConjugates(TensorProduct* TP);
int CT_getConjugate(TensorProduct* TP, int f);
int CT_checkSkipCondition(TensorProduct* TP, int f);
// Binds the row selection of the display commands (selected weight num/den, num -1 for
// none, and the massless-only switch), read live.
void CT_setSpectrumSelection(const int* weightNum, const int* weightDen, const int* masslessOnly);
// Installs the cells of "TensorSpectrum".
void initializeCosetTables();

// ---------------------------------------------------------------------------------------
// Codes, names and the minimal-model table

std::string getTensorCode(TensorProduct* TP);
std::string getTensorTeXString(TensorProduct* TP);
// One letter per N=2 minimal factor; empty after an alert for more than 48 factors.
std::string getTensorMIPFcode(TensorProduct* TP);
// 777777 / 888888 when not defined; -1 after an alert when the code leaves 63 bits.
std::int64_t getNumericalTensorCode(TensorProduct* TP);
void DisplayTensorName(TensorProduct* TP);
std::string getCurrentTensorFileName(const char* prefix, const char* middle, const char* suffix);
std::vector<int> getCurrentLevels();
// The decimal digits of the levels one after the other; -1 after an alert beyond 63 bits.
std::int64_t convertFactorList(int n, const int* levels);
const std::vector<std::int64_t>& getMinimalTensorCodes();
// -1 prints the table; 1..168 an entry; a larger number a code. Factor count or -1.
int interpretMinimalTensor(std::int64_t k, std::vector<int>* levels);

// ---------------------------------------------------------------------------------------
// NS currents and grade maps of the factors (graded theories)

// Seams of the string layer: contents need the string interpretation of a theory.
namespace StringSeam {
int stringInterpretationAvailable();
}
// The string layer's reading of a product, installed by it at start-up: whether the first
// factor is a covariant lattice (alerting unless quiet), the four ground-state content ints
// of field i (nullptr when unknown), whether they are trivial, and their text. nullptr
// restores the seam above.
struct StringSeamHooks {
  int (*available)(TensorProduct* TP, int quiet);
  const int* (*repInfo)(TensorProduct* TP, int i);
  int (*isTrivial)(TensorProduct* TP, int i);
  // The "Contents" cell of field i: its space-time representation.
  void (*contentsText)(std::string& cell, TensorProduct* TP, int i);
};
void setStringSeamHooks(const StringSeamHooks* hooks);
const StringSeamHooks* stringSeamHooks();

// ---------------------------------------------------------------------------------------
// Small queries

// 1: getCosetS and the fixed-point S routines print one line per call.
void CT_set_S_CALL_TRACE(int flag);
int CT_get_S_CALL_TRACE();
// Spin-one currents: the factors' own plus the ground-state dimensions of the chiral-algebra
// elements of weight 1. 0 after an alert for a coset, inexact weights or missing dimensions.
int SpinOneCount(TensorProduct* TP);
// The factor labels of field f in graded minimal form.
std::vector<int> GradedMinimalFormForLabel(TensorProduct* TP, int f);
// Charge of a w.r.t. b summed over the first n factors (H negated), in [0, 1).
void RestrictedTensorRatCharge(TensorProduct* TP, int n, const int* a, const int* b, Rat* out);
// Position of chiral-algebra element x in the untwisted stabiliser of field i; -1 if none.
int findStabilizerElement(TensorProduct* TP, int i, int x);
// Number of leading fields whose labels are all simple currents of their factors.
int findSimpleCurrents(TensorProduct* TP);
// 1 when some factor has type 6 or higher other than 13.
int modTest(TensorProduct* TP);
// The tachyon-free-case hook: one line in the ".cases" file of the current case; 1 when
// written, 0 for the ignored modes -1 and 2 (or a file that cannot be opened).
int registerTachyonFreeCase(int mode);
// The parts of the report of a tachyon-free case that the layers above provide: the
// listing of the current bulk invariant, the massless type-II spectrum, the number of the
// current orientifold (-1: none), its orientation report and the closed-sector analysis.
// Until they are installed each reports "not available yet" (the number is -1).
struct TachyonFreeReport {
  void (*bulkInvariant)();
  void (*typeIIMassless)();
  int (*orientifoldNumber)();
  void (*orientifold)();
  void (*closedSector)();
};
const TachyonFreeReport& tachyonFreeReport();
void setTachyonFreeReport(const TachyonFreeReport& report);
// Appends the report of a tachyon-free case to the case's ".notach" file: the commands of
// the tensor product, the bulk invariant, then for an oriented case (unoriented not 1)
// "Oriented Tachyon-free theory" with the type-II spectrum and the orientifolds of the
// list (ended by -1; none for nullptr), for an unoriented one the orientifold's number
// and reports; framed by lines of 44 colons.
void PrintTachyonFreeModelData(int unoriented, const int* orientifolds);
// M[i + N j] := product over the factors of the built-in invariant choice[f] at the
// labels of fields i and j (N rows of the spectrum).
void getExceptionalTensorModularMatrix(std::vector<int>& M, const int* choice);
// Prints depth times two blanks, "Field %5d: " and the factor labels of field f.
void CT_browseOrigin(TensorProduct* TP, int f, int depth);

// ---------------------------------------------------------------------------------------
// S and T of the extended theory (fields are indices into the spectrum)

// S_ij with fixed-point resolution; (0, 0) after an alert ("Field not fixed by its
// stabilizer" when a common stabiliser element has no fixed-point theory in a factor).
void getCosetS(TensorProduct* TP, int i, int j, double* re, double* im);
// T_ij and the diagonal of sqrt(T): 0 off the diagonal; H factors conjugated.
void getCosetT(TensorProduct* TP, int i, int j, double* re, double* im);
void getCosetrootT(TensorProduct* TP, int i, int j, double* re, double* im);
// h - c/24 of field i (H factors subtracted).
double getCosetLogT(TensorProduct* TP, int i);
// Sum of the factors' fixed-point-theory shifts of current row J (H subtracted), in units
// of pi/4; 0 after an alert when J acts freely on some factor.
int getTotalFCFTshift(TensorProduct* TP, const int* J);
// 1 when current J (a field index below the number of simple currents) fixes some field.
int TensorFixedPointCheck(TensorProduct* TP, int J);
// 1 when every factor label of the field row is a fixed point of the factor's label of J.
int TensorFixedPointField(TensorProduct* TP, const int* J, const int* field);

// Permutations of identical factors and outer automorphisms of the factors
// (CosetPermutations.cpp). A symmetry is a pair (a, p): outer-automorphism row a applied
// factor by factor, then factor permutation p (out[i] = in[perm_p[i]]). Symmetries that
// map every current into the chiral algebra act on the simple currents of the extension
// as group automorphisms.

// Builds the rows below and the current images unless SymmetryFlag is 1. A refused
// collection growth leaves SymmetryFlag 0 (after the alert).
void CT_SymmetrizeTensorProduct(TensorProduct* TP);
// The current images of the symmetries (one row per symmetry, at most 1000), built first
// when they are missing or stale (the spectrum is computed when it is not known); nullptr
// for a product without factors or when the build fails.
VectorSpace* CT_getCurrentOuterAutomorphisms(TensorProduct* TP);
// Number of symmetries (rows of AutomorphismsTimesPermutations), building them first.
int CT_TotalOuterAutomorphisms(TensorProduct* TP);
// Fills OuterAutomorphisms; its row count.
int loadOuterAutomorphisms(TensorProduct* TP);
// Fills FullPermutations: the permutations exchanging only factors that are the same
// stored theory with the same G/H flag.
void getAllTensorPermutations(TensorProduct* TP);
int CheckAutomorphismTimesPermutation(TensorProduct* TP, int a, int p);
int CheckAutomorphismModuloPermutations(TensorProduct* TP, int a);
// Images of a label row (NumberOfFactors labels, then the resolution label, copied);
// a label an automorphism does not reach gives -1 in its place.
std::vector<int> applyTensorOuterAutomorphismToCurrentCombination(TensorProduct* TP, int a, const int* labels);
std::vector<int> applyTensorPermutationToCurrentCombination(TensorProduct* TP, int p, const int* labels);
// Field index of spectrum row f under symmetry (a, p); -1 when it is not a field.
int applyTensorOuterAutomorphismTimesPermutationToCurrent(TensorProduct* TP, int a, int p, int f);
// Image of simple current c under symmetry s; s = -1 prepares the basis images.
int computeCurrentPermutation(TensorProduct* TP, int s, int c);
// The same over every (automorphism row, permutation row) pair, s = a P + p with P the
// number of permutation rows, without the chiral-algebra test.
int computeCurrentPermutationForExtension(TensorProduct* TP, int s, int c);
// Cached forms; s = -1 (re)initialises the cache and returns the number of symmetries.
int CT_getCurrentPermutation(TensorProduct* TP, int s, int J);
int CT_getCurrentPermutationForExtension(TensorProduct* TP, int s, int J);
// Non-zero: only the identity automorphism of every factor is used.
void setIgnoreOuterAutomorphisms(int flag);

// Exchanges of two identical factors a and b on the spectrum. The image of field k: -2 when
// the image is a resolved fixed point, -1 after an alert when the factors differ or the
// exchange is not a symmetry.
int ComputePermutation(TensorProduct* TP, int a, int b, int k);
// The exchange on every field (-2: not resolved), completed by the n assignments "x_t and
// y_t are exchanged" and by the fusion rules; prints one line per field. Empty after an
// alert on a contradiction.
std::vector<int> CloseTensorPermutations(TensorProduct* TP, int a, int b, int n, const int* x, const int* y);
// The field permutations CloseTensorPermutations made for this record (CosetExchange.cpp):
// each once, the last made last; a change of the record forgets them. nullptr for none.
void CT_keepFieldPermutation(TensorProduct* TP, const std::vector<int>& permutation);
int CT_fieldPermutationCount(const TensorProduct* TP);
const std::vector<int>* CT_getFieldPermutation(const TensorProduct* TP, int k);
const std::vector<int>* CT_getLastFieldPermutation(const TensorProduct* TP);
// Loads the outer automorphisms and factor permutations, prints their counts and
// initialises the current-image cache over every pair; 0. The current list is not read.
int CT_getIntegerSpinPermutations(TensorProduct* TP, const int* currents);
// Factor permutations times outer-automorphism combinations.
int CT_getTotalOuterAutomorphismCount(TensorProduct* TP);
// Closes a searchable collection of permutations of n points under composition.
void closeIntegerSpinPermutations(VectorSpace* collection, int n);

// ---------------------------------------------------------------------------------------
// Conjugates from S rows and the decomposition table

// Conjugate of field a from the rows of the coset S matrix: a itself when its row is real,
// else the first field whose row is the conjugated row of a; -1 with "No conjugate found".
int getGenericTensorConjugate(TensorProduct* TP, int a);

// A label formatter of one factor: the cell text of a "Spectrum" column for that factor's
// theory (the item) and label.
using DecompFormatter = bool (*)(std::string& cell, const void* item, int label);
// Prints the table "Decomposition" of field i: one row per coset of its stabiliser in the
// chiral algebra, labelled by the factors' formatters. Mode 1 (ground states) is refused for
// cosets. 0 when printed, 1 when refused.
int browseDecomp(TensorProduct* TP, int i, int mode, const std::vector<DecompFormatter>& formatters);
// Cells of "Decomposition": "Labels", "Weights" and "Dimensions".
bool CT_getDecompVectorString(std::string& cell, const void* item, int row);
bool CT_getDecompWeightString(std::string& cell, const void* item, int row);
bool CT_getDecompDimString(std::string& cell, const void* item, int row);

// 1 when every factor has conjugates (or there are no factors): the availability test of
// the "Conjugate" column.
int CT_ConjugatesAvailable(TensorProduct* TP);
// The "Conjugate" cell of field i: the label of its conjugate ("undetermined" when neither
// the labels nor S decide).
bool CT_getConjString(std::string& cell, TensorProduct* TP, int i);

// Accessors of the string layer. The superstring block of the product (none until the
// string layer exists), the four ground-state content ints of field i (none, with an
// alert, until then), and whether field i has trivial content (1 without a block).
struct TensorStringData;
const TensorStringData* getTensorStringData(TensorProduct* TP);
const int* getCosetRepInfo(TensorProduct* TP, int i);
int CT_isTrivial(TensorProduct* TP, int i);

// ---------------------------------------------------------------------------------------
// Fixed-point resolution (CosetFixedPoints.cpp). Fix-centre elements are indices into
// FixCenter; fields and currents are spectrum indices unless said otherwise.

// Rebuilds the fix centre and its orders; drops every full fixed-point record.
void computeFixCenter(TensorProduct* TP);
// Product of fix-centre elements a and b; -1 when it is not in the fix centre.
int FixCenterProduct(int a, int b, TensorProduct* TP);
// Fix-centre element f times chiral-algebra element c; -1 when outside the fix centre.
int FixCenterChiralAlgebraProduct(TensorProduct* TP, int f, int c);
// -1 after "Fix Center element not found".
int findFixCenterElement(TensorProduct* TP, const int* row);
// The shared record of field row t: E the fix-centre elements fixing it, Q the currents
// fixing it (0 first), elements of the group G; M maps Q's currents to spectrum fields
// (nullptr: they are fields already). nullptr when it cannot be made.
FullFPType* getFullFP(TensorProduct* TP, const int* t, const std::vector<int>& E, const std::vector<int>& Q,
                      FPType* stabilizer, DGType* G, const int* M);
FullFPType* findFullFP(TensorProduct* TP, const int* t, const std::vector<int>& E, const std::vector<int>& Q,
                       const FPType* stabilizer);
void getFullFPtwists(TensorProduct* TP, const int* t, int* out, const FullFPType* F);
// nullptr after "Cannot allocate FullFPType".
std::unique_ptr<FullFPType> allocFullFP(int nAll, int nFixed, int nU);
void freeFullFP(TensorProduct* TP);
// The first J x (x in the chiral algebra) in F's fix-centre elements that is untwisted
// against the whole stabiliser; 0 after a diagnostic when there is none.
int getFixRepresentative(TensorProduct* TP, int J, const FullFPType* F);
// Twist 0..3 of the element at canonical position p of F's fix-centre group against
// stabiliser element s; checkStabilizerTwist: 1 when every s gives 0.
int FCenterStabilizerTwist(const FullFPType* F, int p, int s);
int checkStabilizerTwist(int p, const FullFPType* F);
// A fix-centre element in both f1 U1 and f2 U2 (the first of f1 U1), or -1.
int getOverlap(TensorProduct* TP, int f1, int f2, const int* U1, int n1, const int* U2, int n2);
// The first chiral-algebra element x with f x = g; -1 after "Offset not found".
int getOffset(TensorProduct* TP, int f, int g);
std::vector<int> getAllReps(TensorProduct* TP, int f, const int* list, int count);
// The cocycle of current position m on the character label l (a chiral-algebra element
// of U); 0 for a trivial U and after "Unidentified fix point label".
void Cocycle(const FullFPType* F, int m, int l, Rat* out);
void printFullFP(TensorProduct* TP, const FullFPType* F);

// The fixed-point currents and the full records of every field, once per spectrum.
void initializeCosetFCFTData(TensorProduct* TP);
// S^J(i, j) without the phase of the shift; 0 when J does not fix both fields or the
// representatives do not overlap.
void getCosetFCFT_S_matrix_elt(TensorProduct* TP, int J, int i, int j, double* re, double* im);
// S^J(i, j) after setting up the records; the same times exp(+i pi s_J / 4).
void CT_getFCFT_Smatrix(TensorProduct* TP, int J, int i, int j, double* re, double* im);
void CT_getOLA_Smatrix(TensorProduct* TP, int J, int i, int j, double* re, double* im);

// The fixed-point theories of a record stored from TP ("name_i", one per current of the
// record with fixed points, the currents of the factors first), with their S matrices
// when "Store_S_FCFT" is 2. 0, or -1 without a tensor product or when a part cannot be
// allocated.
int initFCFT(TensorProduct* TP, SpectrumData* sd);
// Stores S^J times exp(+i pi shift/4) in the first `count` fixed-point theories of sd.
void computeAllFixedPointMatrices(TensorProduct* TP, SpectrumData* sd, int count);
// S^J(a, b) of record fields a and b for each of the first count fixed-point currents.
void getCosetFCFT_S(TensorProduct* TP, int a, int b, double* re, double* im, const FullFPType* Fa,
                    const FullFPType* Fb, SpectrumData* sd, int count);

// ---------------------------------------------------------------------------------------
// Stored theories made from tensor products (CosetCreate.cpp)

// Stores the tensor product as a theory of its own (type 9) under name. The spectrum is
// computed first; NULL after the alert for an empty product, a name in use ("%s already
// exists") or a spectrum that cannot be had, and nothing is stored then. The record lets go
// of the product ("Tensor pointer dropped") only when its orbit S matrix and fixed-point
// theories are all stored; otherwise it keeps it and an empty product takes its place.
SpectrumData* createCFT(TensorProduct* TP, const char* name);
// The record keeps its product (mode 0: a fresh empty product replaces it where it was
// current) or lets go of it (mode 1).
void dropTensorPointer(SpectrumData* sd, int mode);
// The product the builders below use, so that the user's product stays untouched.
TensorProduct* createTensorProduct();
// The minimal models with 0 and 1 supersymmetries at level k ("minimal N=0 k",
// "minimal N=1 k": type 6, rank N, level k), made once and then found by name; NULL when
// they cannot be made.
SpectrumData* createMinimal0(int k);
SpectrumData* createMinimal1(int k);
// The minimal model with 2 supersymmetries at level k as the coset A1_k x U(1)_4 /
// U(1)_(2(k+2)) ("minimal N=2 k": type 6, rank 2, level k, 2(k+1)(k+2) fields labelled
// (l, m, s) in standard form, graded by (0, 0, 2)); NULL when it cannot be made.
SpectrumData* createMinimal2(int k);
// Brings the N=2 label (l, m, s) of level k into standard form in place: m in (-(k+2), k+2],
// s in {-1, 0, 1, 2}, identified with (k-l, m+k+2, s+2) when |m| > l+1 or m = -(l+1).
void MapMinimal2(int k, int* l, int* m, int* s);
// S between record fields given through their entries of the record's field map.
void getCosetSOfMappedFields(TensorProduct* TP, const int* a, const int* b, double* re, double* im);

// ---------------------------------------------------------------------------------------
// Tachyon projection search (CosetTachyons.cpp). The first factor is the space-time factor
// (its field 2 is the light state), the others the internal factors.

// The light fields, the tachyonic combinations and the search for a spinor current plus
// scalar currents that project every tachyon out; prints what it finds and "Computation
// completed". 0 done (with or without success), -1 after an alert ("Level exceeded" ends
// the search that way).
int computeTachyonSpectrum(TensorProduct* TP);
// Fills the tachyon table: one charge row per distinct tachyonic combination. Its row
// count, or -1 after an alert.
int findTachyons(TensorProduct* TP);
int getTachyonCount();
// Marks (flags[r] = 1) each unmarked tachyon row r whose charge with respect to simple
// current J (a field index) is not an integer; 1 when every row is marked.
int checkTachyonProjection(int J, std::vector<int>& flags, TensorProduct* TP);
// Keeps in list (simple-current field indices) only the first current of each cyclic
// group: c is dropped when some power c^k, k prime to its orbit length, was kept before.
void checkOrbitStructure(TensorProduct* TP, std::vector<int>& list);
// Body of the nested loop of findTachyons (index: one light field per factor); always 0.
int TachyonCheck(int n, int* index, void* ctx);
// 1 when some chiral-algebra element J makes J x f a field of exact weight 1 with an odd
// label in the first factor.
int isTensorSuperCurrent(int f, TensorProduct* TP);
