// The module record of the heterotic layer, shared by its source files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "heterotic/Heterotic.h"
#include "numbers/MathUtility.h"
#include "runtime/Terminal.h"

struct HeteroticState {
  // Filter pool.
  std::vector<std::unique_ptr<HeteroticFilterInfo>> pool;

  // Settings, read live.
  const int* graded = nullptr;
  const int* heteroticFactors = nullptr;
  const int* particleFactors = nullptr;
  const int* mipfRandom = nullptr;
  const int* printSpectrum = nullptr;
  const int* fullSpectrum = nullptr;
  const int* outputFrequency = nullptr;
  const int* maxhours = nullptr;

  // Selection data.
  HeteroticRows filterGenerators;
  HeteroticRows filter;
  HeteroticRows forbidden;
  HeteroticRows triggers;
  HeteroticRows repNames;
  std::vector<std::string> names;
  HeteroticRows selectedReps;
  HeteroticRows patternRoots;
  HeteroticRows patternAlgebra;
  std::vector<int> fixedFilterEntries;
  int liftIdentifier = -1;
  SpectrumData* liftCFT = nullptr;
  int modelTag = kNoModelTag;
  std::vector<int> exceptionalFilter;
  int useExceptionalFilter = 0;
  bool primeListSet = false;
  std::vector<int> primeList;
  int heteroticScan = 0;
  std::vector<int> primeLoop;
  std::vector<int> primeLoopIndices;

  // Decomposed group.
  std::vector<DecomposedComponent> components;
  int maxprimIndex = 0;
  std::vector<int> decomposeOut;
  std::vector<int> composeOut;

  // Chiral algebra.
  HeteroticRows chiralAlgebra;
  std::vector<int> primeGroupMultiplicities;
  int nSusyGlobal = 0;

  // Weights and massless states.
  int commonDenominator = 1;
  int chargeCommonDenominator = 1;
  std::vector<std::vector<int>> weightsLeft;
  std::vector<std::vector<int>> weightsRight;
  std::vector<std::vector<int>> dimsLeft;
  std::vector<std::vector<int>> dimsRight;
  std::vector<std::vector<int>> nonAbelianLeft;
  std::vector<int> rowsizes;
  std::vector<int> uOneOrder;
  HeteroticRows allowedReps;
  HeteroticRows masslessFields;
  int leftMasslessCount = 0;
  std::vector<int> heteroticSpinor;
  std::vector<int> heteroticVector;

  // The last spectrum.
  HeteroticRows leftAlgebra;
  HeteroticRows exceptionalLeftAlgebra;
  HeteroticRows rightAlgebra;
  HeteroticRows repCount;
  HeteroticRows fullSpectrumRows;
  HeteroticRows moves;
  std::vector<int> actions;
  std::vector<int> pattern;
  std::vector<int> optimized;
  HeteroticRows charges;
  std::vector<int> distinctCharges;
  int modelCount = 0;
  double startTime = 0.0;
  double modelStartTime = 0.0;
  int forbiddenCurrentMessage = 0;
  int algebraCounter = 0;
  int storedSpectra = 0;
  int storeNoticeGiven = 0;
  HeteroticSpectrumStore spectrumStore = nullptr;
  HeteroticAlgebraStore algebraStore = nullptr;
  HeteroticRandomSource randomSource = nullptr;
  int chiralExotics = 0;
  // A fault that ends the work on one invariant (or fails the set-up): its text, and the
  // number of invariants skipped for one.
  std::string fault;
  int skippedInvariants = 0;
};

// An invariant whose work ended through a fault of its own data: counted for the search
// status and for the run's end status.
void countSkippedInvariant();

HeteroticState& heteroticState();

// Records a fault (see HeteroticState::fault) after the warning with its text.
void raiseHeteroticFault(const char* routine, const std::string& text);
// "Fractional weight %d/%d" of a total weight numerator W over D.
std::string formatFault(int W, int D);

// Small helpers shared by the files.
int heteroticFactorCount();   // "Heterotic factors"
int particleFactorCount();    // "Particle factors"
int settingOn(const int* p);  // switch value, 0 when unbound
int factorCount(const TensorProduct* tensor);
SpectrumData* factorTheory(const TensorProduct* tensor, int f);
// Order of the simple-current group of factor f (1 when it has none).
int factorGroupOrder(const TensorProduct* tensor, int f);
// Representation dimension of label a of sd (1 when unknown or large).
int fieldDimension(SpectrumData* sd, int a);
// out = J.phi, factor by factor.
void FastTensorSimpleAction(TensorProduct* tensor, const int* J, const int* phi, int* out);
// Charge of field with respect to current, over ChargeCommonDenominator, reduced: 1 when
// it is an integer.
bool integerCharge(TensorProduct* tensor, const int* current, const int* field);

// Whether heterotic factor i can be read in its standard-model role (0 colour: three
// labels; 1 weak: two labels) by the charge quanta, anomalies and colour flip; true before
// the factor sizes are known.
bool playsStandardModelRole(int i);

// Nested-loop bodies of the exceptional filter (ctx: the loop of HeteroticLeft.cpp), and
// the exceptional left algebra of the current left algebra.
int EvaluateExceptionalFilterResult(int n, int* index, void* ctx);
int EvaluateExceptionalFilterResultForAlgebra(int n, int* index, void* ctx);
void buildExceptionalLeftAlgebra(SimpleCurrentData* MD);

// What identifies a tensor product for the heterotic set-up.
struct HeteroticProduct {
  const TensorProduct* record = nullptr;
  std::vector<SpectrumData*> factors;
  std::vector<int> roles;  // per factor 0 (G) or 1 (H)
  int coset = 0;
  std::vector<std::vector<int>> currents;
  bool operator==(const HeteroticProduct&) const = default;
};
HeteroticProduct heteroticProductOf(const TensorProduct* tensor);

// The state of the search jobs (driver, result files, per-prime store, random search),
// shared by HeteroticSearch, HeteroticResults, HeteroticPrevious, HeteroticFilters and
// HeteroticRandom; resetHeteroticJobs restores the state right after start-up.
struct HeteroticJobState {
  int once = 0;
  int setUpDone = 0;
  // The product the set-up was computed for.
  HeteroticProduct setUpProduct;
  int exiting = 0;
  std::string stopFile;
  std::string killFile;
  std::string sleepFile;

  // Spectrum store.
  HeteroticRows spectra;
  std::vector<int> chirCount;
  std::vector<int> nonChirCount;
  int nextModel = 0;
  int nextAlgebra = 0;
  int printSpectrumCalls = 0;
  int N3fam = 0;
  int familyGcd = 0;
  int maxEul = 0;

  // Search counters and statistics.
  int sampleNumber = 0;
  int newSpectrumCount = 0;
  int currentMIPFlevel = 0;
  int statcount = 0;
  int statcountstep = 10;
  int lastSampleNumber = 0;
  int lastSpectrumCount = 0;
  double successrate = 0.0;
  int statisticsWritten = 0;
  int previousRead = 0;

  // Systematic search (and the line of a running one).
  ProgressScope* systematicProgress = nullptr;
  std::vector<int> lastLoop;
  bool subgroupTablesBuilt = false;
  std::vector<long long> numberOfSubgroups;
  std::vector<std::vector<int>> subgroupGenerators;
  std::vector<std::vector<int>> cosetGenerators;

  // Per-prime store of invariants and the filter records lent for one evaluation.
  struct PrimeSlot {
    bool hasList = false;
    int capacity = 0;
    std::vector<SimpleCurrentData*> records;
  };
  std::vector<PrimeSlot> slots;
  int currentPrime = -1;
  int currentIndex = -1;
  std::vector<HeteroticFilterInfo*> lentFilters;
  SimpleCurrentData* hookRecord = nullptr;
  int maxComb = 0;

  // Random search.
  std::vector<int> maxpows;
  double statisticsClock = 0.0;
};

HeteroticJobState& heteroticJobs();
void resetHeteroticJobs();

// Empties the per-prime store of invariants and returns the lent filter records when a
// filter evaluation ends, also when it is abandoned (Ctrl-C): the next evaluation never
// combines invariants of an earlier one.
class PrimeStoreRelease {
 public:
  PrimeStoreRelease() = default;
  ~PrimeStoreRelease() { storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr); }
  PrimeStoreRelease(const PrimeStoreRelease&) = delete;
  PrimeStoreRelease& operator=(const PrimeStoreRelease&) = delete;
};
// The installed stores of the spectrum computation (HeteroticResults.cpp).
void storeHeteroticSpectrum(SimpleCurrentData* MD, const HeteroticSpectrumSummary& summary);
void storeHeteroticAlgebra(int algebraNumber, const std::vector<int>& pattern);
// Class data of the last algebra found (root count, type, Q_alg, Q_cft, dimension).
struct HeteroticAlgebraInfo {
  int order = 0;
  int type = 0;
  int Qalg = 0;
  int Qcft = 0;
  int dimension = 0;
};
HeteroticAlgebraInfo& lastAlgebraInfo();
// The result file of the current tensor product with this suffix.
std::string heteroticFileName(const char* suffix);
// Counts and numbers read back from the result files stay below 10^9, so that the sum of
// two of them, or a number plus one, fits an int; a larger value marks a damaged line.
inline constexpr long long kLargestStoredValue = 999999999;
// Filter callbacks of the invariant machinery.
void CurrentCurrentChargeForFilter(int a, int b, Rat* out, void* info);
void CurrentWeightForFilter(int a, Rat* out, void* info);
int GSC_analyseInvariant(SimpleCurrentData* record);
int GSC_analyseInvariantUsingXmatrix(SimpleCurrentData* record);
struct DGType;
// Builds and analyses the invariant of one tuple of per-prime invariants in the combined
// group (orders: its cyclic factors).
void ComputeFilterForPrimeCombination(int n, SimpleCurrentData* const* records, const int* orders,
                                      const DGType* group);
// Subgroups of an abelian p-group with these exponents (64-bit, saturating).
long long countSubgroupsOfPGroup(const std::vector<int>& exponents, int p);
// The readable printout of the last spectrum, and the full-spectrum analysis.
void GSC_OrderedPrint();
// The chiral states of the full spectrum (labels with the internal factors replaced by
// their U(1) charges, counted with the sign of the canonical member of the conjugate pair)
// and, per internal factor, the cubic and linear U(1) anomaly sums. Without a charge table
// in every internal factor nothing is computed (chargesKnown false).
struct FullSpectrumStates {
  HeteroticRows states;
  std::vector<long long> cubic;
  std::vector<long long> linear;
  bool chargesKnown = false;
};
FullSpectrumStates computeFullSpectrumStates(TensorProduct* tensor);
// Prints the full spectrum of the last spectrum stored; an anomalous one ends the job.
void analyseFullSpectrum(TensorProduct* tensor, int exotics, int klass, int families);
