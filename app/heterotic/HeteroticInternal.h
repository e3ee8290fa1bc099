// The module record of the heterotic layer, shared by its source files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "heterotic/Heterotic.h"

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

// Nested-loop bodies of the exceptional filter (ctx: the loop of HeteroticLeft.cpp), and
// the exceptional left algebra of the current left algebra.
int EvaluateExceptionalFilterResult(int n, int* index, void* ctx);
int EvaluateExceptionalFilterResultForAlgebra(int n, int* index, void* ctx);
void buildExceptionalLeftAlgebra(SimpleCurrentData* MD);
