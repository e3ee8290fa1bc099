// Heterotic spectra of simple-current invariants of the current tensor product.
//
// The tensor product has n factors; the first h ("Heterotic factors") are the heterotic
// factors, whose labels name a field's space-time and gauge representation. A tensor
// current is a row of one label per factor, each label an element index of that factor's
// simple-current group (0 the identity); such rows are the filters, forbidden currents and
// chiral-algebra elements. The simple-current group of the product is split into cyclic
// components of prime-power order, so that filters can be handled one prime at a time.
//
// State lives for the whole run in one module record: the pool of 6000 filter records,
// the selection settings the commands set, the decomposed group, the common-denominator
// weight tables and massless states of the set-up, and the tables of the last spectrum
// computed. resetHeterotic restores the state right after start-up.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct SpectrumData;
struct TensorProduct;
struct SimpleCurrentData;

// Rows of a fixed length, each with a count, found by their first `idsize` ints through a
// hash index; rows keep their index for the life of the collection.
class HeteroticRows {
 public:
  void reset(int rowLength, int idsize = -1);
  int rowLength() const { return length_; }
  int size() const { return count_; }
  const int* row(int i) const { return data_.data() + static_cast<std::size_t>(i) * length_; }
  int* row(int i) { return data_.data() + static_cast<std::size_t>(i) * length_; }
  int count(int i) const { return counts_[static_cast<std::size_t>(i)]; }
  void setCount(int i, int c) { counts_[static_cast<std::size_t>(i)] = c; }
  // Index of the row whose identifying ints equal v's, -1 when absent.
  int find(const int* v) const;
  // Adds k to the count of the row equal to v, or appends v with count k; its index.
  int add(const int* v, int k = 1, bool* added = nullptr);

 private:
  std::uint64_t hashOf(const int* v) const;
  int length_ = 0;
  int idsize_ = 0;
  int count_ = 0;
  std::vector<int> data_;
  std::vector<int> counts_;
  std::unordered_multimap<std::uint64_t, int> index_;
};

// One filter group on its way through the invariant machinery.
struct HeteroticFilterInfo {
  HeteroticRows group;       // "Heterotic Filter": element 0 the identity
  HeteroticRows generators;  // "Heterotic Filter Generators"
  TensorProduct* tensor = nullptr;
  std::int32_t primeCode = 0;
  std::int32_t inUse = 0;
  // Scratch of the spectrum computation: the massless field being analysed, its index and
  // right multiplicity, and per factor the exceptional orbit of a label (4 labels).
  const int* field = nullptr;
  int fieldIndex = -1;
  int rightMultiplicity = 1;
  std::vector<int> orbits;
  std::vector<int> orbitLast;
};

inline constexpr int kFilterPoolSize = 6000;
inline constexpr int kNoModelTag = -2000000000;

// ---------------------------------------------------------------------------------------
// Module life

void initializeHeterotic();
void resetHeterotic();

// ---------------------------------------------------------------------------------------
// Filter records and selection settings

HeteroticFilterInfo* getAvailableFilterData();
void returnFilterData(HeteroticFilterInfo* record);

int addNewFilterCurrent(TensorProduct* tensor, const int* labels);
void resetFilterCurrents(TensorProduct* tensor);
int addNewForbiddenCurrent(TensorProduct* tensor, const int* labels);
void resetForbiddenCurrents(TensorProduct* tensor);
void addNewTrigger(TensorProduct* tensor, const int* labels);
void resetTriggers(TensorProduct* tensor);
void setFixedEntries(TensorProduct* tensor, int k);
// 0 stored; 1 after the alert ("Too many representation names", "Name too long").
int addNewRepresentationName(TensorProduct* tensor, const char* name, const int* labels);
void resetRepNames();
void addNewSelectedRep(const int* labels);
void resetSelectedReps();
void resetPatterns();
int getNumberOfPatternRoots();
void addPatternAlgebra(const int* row);
void setLiftIdentifier(int identifier, SpectrumData* cft);
int getLiftIdentifier();
SpectrumData* getLiftCFT();
void setModelTag(int tag);
int getModelTag();
void setExceptionalFilter(int k, int label);
// Entry k of the exceptional filter (0 = none).
int getExceptionalFilter(int k);
// The allowed primes (copied); nullptr or an empty list: every prime.
void setAllowablePrimes(const int* list);
const std::vector<int>* getAllowablePrimes();
void setHeteroticScan(int flag);
int getHeteroticScan();
// The named representations: rows of "Particle factors" labels and their names.
const HeteroticRows& getRepNames();
const std::vector<std::string>& getRepNameTexts();
const HeteroticRows& getSelectedReps();
const HeteroticRows& getPatternRoots();
const HeteroticRows& getPatternAlgebra();
const HeteroticRows& getForbiddenCurrents();
const HeteroticRows& getTriggers();
const HeteroticRows& getGlobalFilterGenerators();
const std::vector<int>& getFixedFilterEntries();
// Participating primes, increasing; filled by determineParticipatingPrimes.
void determineParticipatingPrimes();
const std::vector<int>& getPrimeLoop();

// ---------------------------------------------------------------------------------------
// Prime decomposition of the simple-current group

void PrimeDecomposeSimpleCurrentGroup(TensorProduct* tensor);
// Decomposed element of a tensor current (DecomposedGroupSize entries); valid until the
// next call.
const int* PrimeDecomposeCurrent(TensorProduct* tensor, const int* labels);
// Tensor current of a decomposed element; valid until the next call.
const int* PrimeComposeCurrent(TensorProduct* tensor, const int* element);
// The components of prime p by decreasing order: map[k] the k-th, inverse[component] = k.
int mapToPrimeGroup(int p, int* map, int* inverse);
void decomposeGroupLabels(int n, const int* orders, int index, int* out);
// Primes dividing order, increasing, written as digits (p < 10) or digit pairs
// (11 <= p <= 97); 64-bit. A prime of 100 or more is left out with a warning.
std::int64_t computePrimeCode(int order);
int getDecomposedGroupSize();
// Per component: base prime, exponent, order, tensor factor, generating current.
struct DecomposedComponent {
  int primeIndex;
  int base;
  int power;
  int order;
  int factor;
  int current;
  int effectiveCenter;
};
const std::vector<DecomposedComponent>& getDecomposedComponents();
int getMaxPrimeIndex();

// ---------------------------------------------------------------------------------------
// Chiral algebra of the heterotic tensor product

void computeChiralAlgebraUsingPrimeDecomposition(TensorProduct* tensor);
// Lists the group of the generator rows (orders[k] the order of generator k) into out
// (emptied first, rows of the number of factors); the identity row is element 0.
void BuildAlgebraFromOrthogonalGenerators(TensorProduct* tensor, const HeteroticRows& generators,
                                          HeteroticRows& out, const int* orders);
const HeteroticRows& getHeteroticChiralAlgebra();
int getNSusyGlobal();

// ---------------------------------------------------------------------------------------
// Common-denominator weights and massless states

void computeCommonDenominatorWeights(TensorProduct* tensor);
// The candidate order of the massless loops: the fields of list whose weight (weights[a])
// is at most bound, by increasing weight, and among equal weights the one further down the
// list first. O(L log L) in the list's length.
void orderByWeight(std::vector<int>& list, const std::vector<int>& weights, int bound);
// 0, or 1 after the alert when the lift cannot be made (map size).
int makeHeteroticLift(int factor, SpectrumData* liftCFT, const int* map);
// 0 done; 1 after a fault (a massless root without pattern root, a fractional weight).
int CollectMassless(TensorProduct* tensor);
void DisplayAvailableCharges(TensorProduct* tensor);
void adjustCharges(int* labels, int n);
// 0 when the right weight of the row is 0 or 1, else 1; a fractional weight ends the run.
int RightMassCheck(TensorProduct* tensor, const int* labels);
int getCommonDenominator();
int getChargeCommonDenominator();
// Left and right weight numerators over CommonDenominator of label a of factor f.
int getLeftWeightNumerator(int f, int a);
int getRightWeightNumerator(int f, int a);
int getLeftDimension(int f, int a);
const HeteroticRows& getMasslessFields();
const HeteroticRows& getAllowedReps();
int getLeftMasslessCount();
// The space-time spinor and vector labels of the heterotic factors (h labels each).
void setHeteroticSpinorAndVector(const int* spinor, const int* vector);
// The set-up's choice: the spinor is the first selected representation, the vector its
// square (each label fused with itself). 0 none (nothing selected, or the identity), 1 the
// spinor only (a label that is no simple current), 2 both.
int determineHeteroticSpinorAndVector(TensorProduct* tensor);
// Empty when unknown.
const std::vector<int>& getHeteroticSpinor();
const std::vector<int>& getHeteroticVector();

// ---------------------------------------------------------------------------------------
// Charges, exotics and anomalies

int GSC_computeChargeCodeForCombination(SimpleCurrentData* MD, const int* field);
void printCharges(SimpleCurrentData* MD, const int* field);
void GSC_displayChargesForCombination(SimpleCurrentData* MD, const int* field);
int GSC_checkDeltaArgument(SimpleCurrentData* MD, const int* field, const int* element);
struct ChargeQuanta {
  int q0 = 30;
  int q1 = 30;
  int colored = 30;
  int colorless = 30;
};
int computeChargeQuanta(ChargeQuanta* record);
void flipColor();
int findExotics(TensorProduct* tensor, int* total);
int GSC_computeAnomalies(int print, int N2, int N3);
int ConjugateCombination(int n, const int* v, int* out);
int UseConjugate(const int* v);
int SMdim(const int* v);
int mapCharge(int q, int N);
// 0 and the alert "No minimal element found" when every entry is 1000 or more in size.
int minimalElement(const std::vector<int>& list, int* found);

// ---------------------------------------------------------------------------------------
// Left representations and exceptional filters

int FastTensorSimpleAction_Massless(TensorProduct* tensor, const int* J, const int* phi, int* out);
int LeftMassCheck(TensorProduct* tensor, const int* phi);
int SOtenCheck(TensorProduct* tensor, const int* phi);
void GSC_analyseLeftRepresentation(SimpleCurrentData* MD, const int* R, const int* move);
void GSC_analyseExceptionalLeftRepresentation(SimpleCurrentData* MD, const int* R, const int* move);
const std::vector<int>& CollectChiralAlgebraElementsWithDistinctCharges(SimpleCurrentData* MD);
void CompleteCodes(SimpleCurrentData* MD, std::vector<int>& actions, HeteroticRows& moves, int c,
                   const int* mu, int order);
void computeLeftAlgebra_slow(SimpleCurrentData* MD);
int GSC_getLeftFields(SimpleCurrentData* MD, const int* phi, int* out);
void printRepCount(const char* text);
// Labels paired with `label` by built-in exceptional invariant `filter` of a factor with n
// fields (at most 4); *last the index of the last one, -1 when there is none.
void computeExceptionalOrbit(int filter, int label, int n, int* last, int* orbit);

// ---------------------------------------------------------------------------------------
// The heterotic string spectrum

// 0 processed (also after a stop or a forbidden current); -1 without singlets.
int GSC_computeHeteroticStringSpectrum(SimpleCurrentData* MD);
// Classifies a pattern by its root count; returns the count (0 after the alert).
int determineAlgebra(int* Q_alg, int* Q_cft, int* type, const int* pattern);
const std::vector<int>& optimizedPattern(TensorProduct* tensor, const std::vector<int>& pattern);
const HeteroticRows& getRepCount();
HeteroticRows& getRepCountForUpdate();
const HeteroticRows& getLeftAlgebra();
const HeteroticRows& getRightAlgebra();
const HeteroticRows& getFullSpectrum();
int getModelCount();

// What the spectrum computation hands on: a spectrum to be stored and printed, and a new
// gauge algebra for the catalogue. The result files install them; until then a stand-in
// says once a run that storing is not available yet, and counts.
struct HeteroticSpectrumSummary {
  int type;
  int chiralExotics;
  int totalExotics;
  int algebraNumber;
  int dimension;
  int Nsusy;
  int Nvector;
  int anomaly;
};
using HeteroticSpectrumStore = void (*)(SimpleCurrentData* MD,
                                        const HeteroticSpectrumSummary& summary);
using HeteroticAlgebraStore = void (*)(int algebraNumber, const std::vector<int>& pattern);
void setHeteroticSpectrumStore(HeteroticSpectrumStore store);
void setHeteroticAlgebraStore(HeteroticAlgebraStore store);
int getStoredSpectrumCount();

// The random source of the progress choice (randomNumber unless replaced; nullptr
// restores it).
using HeteroticRandomSource = int (*)(int n);
void setHeteroticRandomSource(HeteroticRandomSource source);

// A fault that ends the work on one invariant ("Fractional weight %d/%d", "Vector not
// found", "No minimal element found"): its text, empty when none since the last clear.
// The spectrum computation skips the invariant and counts it; a set-up step that meets
// one fails.
const std::string& getHeteroticFault();
void clearHeteroticFault();
int getSkippedInvariantCount();

// ---------------------------------------------------------------------------------------
// Heterotic search jobs
//
// One "compute heterotic" per run builds the set-up and installs the run-control hooks;
// then filters are evaluated prime by prime and every new spectrum is stored and written
// to the result files named after the tensor product, which later jobs continue.

// The set-up of "compute heterotic": 0 done, 1 refused or failed (heterotic work stays
// impossible in this run).
int ComputeHeterotic(TensorProduct* tensor);
// 1 after a complete set-up.
int getHeteroticSetUpDone();
// Whether heterotic work on this product may go on: the set-up is done and was computed
// for this product (the same factors, G/H roles and currents; its tables are sized and
// filled for them). Otherwise the alert that says why, and false.
bool requireHeteroticSetUp(const char* routine, const TensorProduct* tensor);
// Run-control code of the heterotic files (13, 33, 12, 32, 14, 11, 31 or 0).
int checkHeteroticInterrupt();
void Heterotic_Consolidate();
[[noreturn]] void Heterotic_GracefulExit(int code);
// The project control files (output folder + "STOP", "KILL", "SLEEP").
const std::string& getGeneralStopFileName();
const std::string& getGeneralKillFileName();
const std::string& getGeneralSleepFileName();
// Writes the result files and the statistics; mode 0 to 3.
int GSC_printStatistics(int mode);
// Numbers of the next model (".origin" line) and algebra: mode 0 re-reads the files, 1
// returns the next number, 2 advances it.
int getModelNumber(int mode);
int getAlgebraNumber(int mode);
// Search counters.
int getSampleNumber();
int getNewSpectrumCount();
int getCurrentMIPFlevel();
// The filter drivers.
int ComputeFilter(TensorProduct* tensor);
int SystematicFilterComputation(TensorProduct* tensor);
int EvaluateCombination(int n, int* loop, void* data);
// The subgroup tables of the systematic search, per participating prime: subgroup count
// (64-bit), the multiplicity, the generator rows (indices into the coset table, 0 ending a
// short row) and the coset table (rows of decomposed elements, row 0 the zero element).
// 0 when built, 1 after the alert that refuses a table too large.
int buildSubgroupTables();
const std::vector<long long>& getNumberOfSubgroups();
const std::vector<int>& getSubgroupGeneratorRows(int prime);
const std::vector<int>& getCosetGeneratorRows(int prime);

// Results.
// Stores and announces one spectrum (the state of the last spectrum computation).
int GSC_printSpectrum(SimpleCurrentData* MD, int type, int exotics, int totalExotics, int algebra,
                      int dim, int Ns, int Nv, int printFlag, int anomalyCode);
// Mode 0 ".spectra" (sorted), otherwise ".spectra_backup" (stored order, end line).
int GSC_printAllSpectra(int mode);
void GSC_printOrigin(SimpleCurrentData* MD);
void GSC_printOriginOfTaggedSpectrum(SimpleCurrentData* MD);
// The whole ".origin" line of an invariant (without the model number when tagged).
std::string originLine(SimpleCurrentData* MD, bool withModelNumber);
void writeAlgebraFiles(int algebraNumber, const std::vector<int>& pattern);
int readFilterList(TensorProduct* tensor, const char* fileName);
int getLastModelNumber(const char* fileName);
int getLastAlgebraNumber(const char* fileName);
// Spectrum rows: R + 8 ints (R the number of representation names), compared on R + 5.
const HeteroticRows& getSpectra();
HeteroticRows& getSpectraForUpdate();
const std::vector<int>& getChirCount();
const std::vector<int>& getNonChirCount();

// Previous results.
void readPreviousData();
int DataCorruptionCheck(const int* row);
void computeSpectrumCharacteristics();
int getN3fam();
int getFamilyGcd();
int getMaxEul();
int ParseAlgebras(int mode);

// Filter invariants per prime.
int ComputeFilterNEW(TensorProduct* tensor, const int* orders, const int* X);
// Mode 1 select prime, 0 store, -2 fetch (count set), -1 release, 2 nothing.
SimpleCurrentData** storeSimpleCurrentDataPointer(SimpleCurrentData* pointer, int prime, int mode,
                                                  int* count);
int combinePrimeSimpleCurrentFactors(int n, const int* primes);
// Per prime t: the orders of its cyclic factors (orders[t], k[t] of them) and a charge code
// or element index; CRT-combined into the group of the combined factor orders.
struct PrimeFactorOrders {
  std::vector<int> orders;
};
int combineChargeCodes(const std::vector<PrimeFactorOrders>& primes, const int* codes,
                       const std::vector<int>& combinedOrders);
int composeFilterCurrents(const std::vector<PrimeFactorOrders>& primes, const int* elements,
                          const std::vector<int>& combinedOrders);
// Number of prime combinations evaluated since the set-up.
int getMaxComb();

// Random filter search.
int generateRandomFilter(int depth, int Nsample, TensorProduct* tensor);
int OrderTwoEffectiveCenterCheck(const int* random);
int GenericEffectiveCenterCheck(int n, const int* powers, const int* orders, const int* flags);
void determinePrimeOrders(const int* orders, int tag, int* tags, int* maxpows);
// Current of the component powers; current_orders[level - 1] gets the order drawn.
void reconstructCurrent(const int* random, int* out, const int* tags, int level,
                        int* current_orders, TensorProduct* tensor);
int evaluatePrimeSimpleCurrentCombination(int nprimes, int* indices, void* context);
