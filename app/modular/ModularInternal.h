// Private state of the modular-data module, shared by its source files. One ModularState
// lives for the run (behind modularState()); resetModular() replaces it by a fresh one,
// keeping only the setting pointers bound at start-up.
//
// Stamps hold the value of CFTCounter at which a table was built; -1 means "not built for
// this theory"; CFTCounter starts at 0 and only grows, so -1 is never valid.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/VectorSpace.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Terminal.h"

struct DGType;
struct SpectrumData;

// Entries of the lazily filled tables that are not yet computed.
inline constexpr double kModularNotComputed = -99999999.0;
inline bool modularComputed(double re) {
  return re >= -1.5;
}

inline constexpr int kDefaultDiskRowThreshold = 5000;

// Relative error of a Verlinde term: S elements are accurate to about 1e-10 relative, so a
// sum whose terms add up to M in modulus is known to about M times this.
inline constexpr double kFusionRelativeError = 1e-9;
// The largest stored fusion table (ints of the triples i <= j <= k).
inline constexpr std::uint64_t kFusionTableBytes = 200000000;

// One coefficient of the fusion table that is not a real integer: labels i <= j <= k of
// the symmetric coefficient N_ij^(k*), its real and imaginary value and its tolerance.
struct FusionTableFailure {
  int i, j, k;
  double value, imaginary, tolerance;
};

// The vector width of the table's kernel: Automatic takes the widest the processor has.
// Every width gives the same integers (tests and benchmarks compare them).
enum class FusionKernel { Automatic, Sse2, Avx2, Avx2Fma };

// Products (i) x (j) of one label i and some j (ModularFusionTable.cpp): for each j held,
// N_(i, j, r) for every position r (32-bit), and the coefficients kept aside.
struct FusionRowBlock {
  int label = -1;          // i; -1: nothing held
  std::vector<int> rowOf;  // label j -> row, or -1
  std::vector<int, AccountAllocator<int>> values{
      AccountAllocator<int>(&SMatrix_alloc, "FusionBlock")};
  std::vector<FusionTableFailure> exceptions;  // sorted by labels
};

// The S arrays that the table and its blocks multiply (ModularFusionTable.cpp).
struct FusionTableInput;

// The fusion table of one theory (ModularFusionTable.cpp).
struct FusionTableData {
  int stamp = -1;    // CFTCounter of the stored table
  int refused = -1;  // CFTCounter of a theory whose table cannot be built
  int n = 0;
  std::vector<int> position;  // label -> position (fields ordered by charge class)
  std::vector<int> classOf;   // label -> charge class
  std::vector<int> partner;   // classes (a, b) -> the class c with a + b + c = 0, or -1
  int classes = 1;
  std::vector<std::int64_t> offsets;
  // The coefficients in the narrowest integer type that holds them (width 1, 2 or 4 bytes;
  // a coefficient past it is kept aside with the failures).
  std::vector<unsigned char, AccountAllocator<unsigned char>> values{
      AccountAllocator<unsigned char>(&SMatrix_alloc, "FusionTable")};
  int width = 4;
  std::vector<int> conjugate;
  int conjugateStamp = -1;
  std::vector<int> labelOfConjugate;  // position -> the label k whose conjugate sits there
  std::vector<int> classStart;        // class -> its first position (the end last)
  int labelOfConjugateStamp = -1;
  std::vector<FusionTableFailure> failures;  // sorted by labels (every coefficient aside)
  // Coefficients asked for one by one since the theory changed (decides when to build),
  // and those asked in a row with the same first label (decides when to build a block).
  int workStamp = -1;
  double work = 0.0;
  int streakLabel = -1;
  double streak = 0.0;
  int blocksBuilt = 0;
  // Blocks of products, past the table's bound.
  std::shared_ptr<FusionTableInput> input;
  int inputStamp = -1;
  int blocksRefused = -1;
  FusionRowBlock block;
  int blockStamp = -1;
  std::vector<int> conjugatePosition;  // label k -> position of k* (blocks)
  int conjugatePositionStamp = -1;
  FusionKernel kernel = FusionKernel::Automatic;  // the width in use (set by tests)
  std::uint64_t tableBytes = kFusionTableBytes;    // the table's bound (lowered by tests)
};

// The bounded row cache of the orbit S base for theories with many orbits.
struct OrbitRowCache {
  int MaxRow = 0;
  std::vector<double, AccountAllocator<double>> SBaseData{
      AccountAllocator<double>(&SMatrix_alloc, "SBaseData")};
  std::vector<int, AccountAllocator<int>> StoreInfo{
      AccountAllocator<int>(&SMatrix_alloc, "StoreInfo")};
  std::vector<int, AccountAllocator<int>> LastCalls{
      AccountAllocator<int>(&SMatrix_alloc, "LastCalls")};
  int CallSeq = -1;
  int last_row = -1;
  int nextrow = 0;
  bool setUp = false;
  std::string Sdir;              // empty: rows are computed in memory only (no folder)
  std::int64_t bytesOnDisk = 0;  // row files of this theory's folder, at most the bound
};

// ---------------------------------------------------------------------------------------
// The orbit S base in memory and the whole P by dense products (ModularOrbits.cpp,
// ModularMatrices.cpp, ModularPRows.cpp)

// The orbit S base S(r_a, r_b), a <= b, in square tiles of kOrbitTile x kOrbitTile orbit
// pairs, tile (I, J), I <= J, at I + J (J + 1) / 2. A tile is allocated (every entry "not
// computed") when one of its entries is first stored, so one row of the base costs one
// row of tiles, and the whole base about the triangle. Tile layout: kOrbitTile^2 real
// parts, then as many imaginary parts; entry (a, b) at (a % kOrbitTile) kOrbitTile +
// b % kOrbitTile.
inline constexpr int kOrbitTile = 32;
struct OrbitBaseTiles {
  int orbits = 0;
  int tilesPerSide = 0;
  std::vector<std::unique_ptr<AccountVector<double>>> tiles;
  bool empty() const { return orbits == 0; }
};

// Where the whole P of a theory stands: the elements computed one by one since the
// theory changed (their cost decides when the whole P is computed at once), and the
// theories for which it was computed or cannot be.
struct WholePmatrixData {
  int workStamp = -1;
  double work = 0.0;
  int doneStamp = -1;     // CFTCounter of a theory whose whole P is held
  int refusedStamp = -1;  // CFTCounter of a theory whose whole P is not computed at once
  // sqrt(T) of every field, once per theory (the phases of the orbit P rows).
  int rootTStamp = -1;
  AccountVector<double> rootTRe{AccountAllocator<double>(&SMatrix_alloc, "rootT")};
  AccountVector<double> rootTIm{AccountAllocator<double>(&SMatrix_alloc, "rootT")};
};

// Counts `elements` P elements about to be computed one by one (each a sum over
// `terms` fields) and computes the whole P at once when they have cost about as much;
// true when the whole P is held afterwards.
bool wholePmatrixWanted(double elements, double terms);
// sqrt(T)(i, i) of the current theory from a table built once per theory.
void tableRootT(int i, double* re, double* im);
// The orbit P row of orbit o (2 x its size doubles), allocated when missing: read from its
// file when `readFile` (and there is one), else every entry "not computed".
double* orbitPRow(int o, bool readFile);

struct ModularState {
  // Counters and stamps.
  int CFTCounter = 0;
  int BulkInvariantCounter = 0;
  int SMATRIXavailable = -1;
  int FirstRowAvailable = -1;
  int PMATRIXavailable = -1;
  int TsqInitialized = -1;
  int OrbitDataAvailable = -1;
  int OrbitSAvailable = -1;
  int OrbitPAvailable = -1;
  int CenterAvailable = -1;
  int OrbitDataRefused = -1;  // stamp of a theory whose orbit tables cannot be built
  int SMATRIXWasAborted = 0;
  int S_CALL_TRACE = 0;

  // Settings (bound at start-up, read live; NULL: the defaults hold).
  const int* SmatrixMaxsize = nullptr;
  const int* FusionSumcheck = nullptr;
  const int* HighPrecision = nullptr;
  const int* UseOrbits = nullptr;
  const int* InitDebug = nullptr;
  const int* Super = nullptr;
  const int* FusionThreads = nullptr;
  const int* RowFileMegabytes = nullptr;
  const std::string* TensorName = nullptr;
  const std::string* HeteroticLiftSymbol = nullptr;

  // Per-theory flags of the consistency checks and the extension search, cleared by
  // CFTChanged and resetS.
  int signsSet = 0;
  int IndicesComputed = 0;
  int indicesFromFusionFirst = 0;
  // Currents every collected extension must contain (copied; empty: none).
  std::vector<int> requiredExtension;

  // The twists and orbit-Lie-algebra S elements of the tensor product asked so far, by the
  // three labels in 21 bits each, for theory fixedPointMemoryCFT and product
  // fixedPointMemoryTensor (ModularFixedPoints.cpp).
  std::unordered_map<std::uint64_t, int> keptTwists;
  std::unordered_map<std::uint64_t, std::array<double, 2>> keptOlaS;
  int fixedPointMemoryCFT = -1;
  const void* fixedPointMemoryTensor = nullptr;

  Rat ratWeightResult;
  Rat chargeResult;
  int diskRowThreshold = kDefaultDiskRowThreshold;

  // Packed S (full table or first row) and P.
  WorkBuffer<double> SMATRIX{"SMATRIX", &SMatrix_alloc};
  std::int64_t smatrixN = 0;  // N of the table in the buffer
  WorkBuffer<double> PMATRIX{"PMATRIX", &SMatrix_alloc};
  std::int64_t pmatrixN = 0;
  WorkBuffer<double> Tsq{"Tsq", &SMatrix_alloc};
  WorkBuffer<double> Srow{"Srow", &SMatrix_alloc};

  // Order-two centre of P with its P orbits.
  int pCenterAvailable = -1;
  AccountVector<int> pCurrents{AccountAllocator<int>(&Modular_alloc, "currents")};
  WorkBuffer<int> POrbits{"POrbits", &Modular_alloc};
  int pOrbitCount = 0;
  WholePmatrixData wholeP;

  // Orbit tables.
  std::vector<PrimaryOrbitEntry, AccountAllocator<PrimaryOrbitEntry>> Primaries{
      AccountAllocator<PrimaryOrbitEntry>(&Modular_alloc, "Primaries")};
  std::deque<std::vector<int, AccountAllocator<int>>> orbitPointers;  // the image arrays
  int NOrbit = 0;
  int nG = 1;
  std::int64_t L = 1;  // common weight denominator
  std::vector<int, AccountAllocator<int>> OrbitMap{
      AccountAllocator<int>(&Modular_alloc, "Weights")};
  std::vector<int, AccountAllocator<int>> CurMultTable{
      AccountAllocator<int>(&Modular_alloc, "CurMultTable")};
  std::vector<std::int64_t, AccountAllocator<std::int64_t>> Weights{
      AccountAllocator<std::int64_t>(&Modular_alloc, "Weights")};
  std::vector<std::int64_t, AccountAllocator<std::int64_t>> Weights_den{
      AccountAllocator<std::int64_t>(&Modular_alloc, "Weights")};
  VectorSpace AllCharges{10, "AllCharges", &Modular_alloc};
  AccountVector<int> zeroCharges{
      AccountAllocator<int>(&Modular_alloc, "charges")};  // for labels without one
  std::vector<double, AccountAllocator<double>> PhasesR{
      AccountAllocator<double>(&Modular_alloc, "PhasesR")};
  std::vector<double, AccountAllocator<double>> PhasesI{
      AccountAllocator<double>(&Modular_alloc, "PhasesR")};
  DGType* SimpleCurrentCenter = nullptr;
  void (*compute_s_base)(int, int, double*, double*) = nullptr;
  OrbitBaseTiles SBase;
  OrbitRowCache rowCache;

  // Centre maps and the effective centre.
  std::vector<int, AccountAllocator<int>> CenterMap{
      AccountAllocator<int>(&Modular_alloc, "CenterMap")};
  std::vector<int, AccountAllocator<int>> InverseCenterMap{
      AccountAllocator<int>(&Modular_alloc, "InverseCenterMap")};
  std::vector<int, AccountAllocator<int>> ecc{AccountAllocator<int>(&Modular_alloc, "ecc")};
  int lastCFT = -2;
  std::vector<int, AccountAllocator<int>> orderTwo{
      AccountAllocator<int>(&Modular_alloc, "currents")};
  // Maps J -> (J x i for all i) of simpleFusionDirect, stamped with the counter.
  std::map<int, AccountVector<int>> fusionMaps;
  int fusionMapsStamp = -1;

  // Orbit P rows.
  std::vector<int, AccountAllocator<int>> PMatrixOrbitMinima{
      AccountAllocator<int>(&SMatrix_alloc, "PMatrixOrbitMinima")};
  std::vector<int, AccountAllocator<int>> PMatrixOrbitSizes{
      AccountAllocator<int>(&SMatrix_alloc, "PMatrixOrbitSizes")};
  std::vector<std::unique_ptr<std::vector<double, AccountAllocator<double>>>> PMatrixOrbitPointers;
  int NOrbit_allocated = 0;
  std::string Pdir;  // empty: rows stay in memory

  // Fixed-point fusion: the parent, its fixed-point theory and the current's label.
  int CurrentFixedPointLabel = 0;
  SpectrumData* fixedPointParent = nullptr;
  SpectrumData* fixedPointTheory = nullptr;

  // Integer-spin currents of the theory (increasing) and their permutations by the outer
  // automorphisms of the centre, built by MOD_listPermutations(nullptr) for the theory
  // of stamp permutationsStamp.
  AccountVector<int> integerSpinCurrents{
      AccountAllocator<int>(&Modular_alloc, "IntegerSpinCurrents")};
  std::vector<std::vector<int>> integerSpinPermutations;
  int permutationsStamp = -1;

  // Chiral-algebra extensions: the list of TensorCount ExtensionNr (valid while they are
  // equal), its rows of extensionGenerators + 4 ints, the generators that occur (in order
  // of first occurrence) with their per-factor labels, and the permutation count and
  // positions of the integer-spin currents for the subgroup builder.
  int TensorCount = 0;
  int ExtensionNr = -1;
  // The list of a single algebra belongs to that algebra (TensorCount alone does not see a
  // new one); in tensor mode extensionTheory is nullptr.
  const SpectrumData* extensionTheory = nullptr;
  int extensionGenerators = 0;
  std::vector<std::vector<int>> Extensions;
  std::vector<int> UsedGenerators;
  std::vector<std::vector<int>> ExtensionCurrents;
  std::vector<int> integerSpinPosition;  // current -> place in integerSpinCurrents, -1
  int integerSpinPermutationCount = 0;

  // Fusion products as text.
  WorkBuffer<double> RealRow{"RealRow", &Modular_alloc};
  int Size = 0;
  ModularAccessor AUX1 = nullptr;
  ModularAccessor AUX2 = nullptr;
  int preparedD = 0;  // denominator row of the prepared ratio row
  WorkBuffer<double> RealRow2{"RealRow", &Modular_alloc};  // the denominator row
  double preparedMagnitude = 0.0;  // sum of the moduli of the last coefficient's terms

  FusionTableData fusionTable;

  // The largest deviation met by the last unitarity or (ST)^3 = S^2 check.
  double Accuracy = 0.0;
};

ModularState& modularState();

// N of the current theory (0 when nothing is loaded or no spectrum is computed).
int modularPrimaries();
// The conjugate of primary x, or x itself where none is known.
int conjugateOrSelf(int x);
// Setting values (defaults when unbound).
int settingUseOrbits();
int settingSmatrixMaxsize();
int settingInitDebug();
int settingHighPrecision();
int settingFusionSumcheck();
int settingSuper();
// "Fusion threads": 0 means one per hardware thread.
int settingFusionThreads();
// "S_rows maxsize": megabytes of S row files one theory may write.
int settingRowFileMegabytes();

// The element routines of S and P (compS and what it calls, the rows of the orbit S base,
// the sums of P) poll Ctrl-C through pollInterruptRequest. Every element routine leaves
// its out-values untouched until its value is complete, so a stop (StopRequest) never
// leaves a partial value where a caller (a cache) keeps it.

// Prints the routine's name on standard output while the S trace is on.
void modularTrace(const char* routine);
// "Label out of range" for labels outside 0 .. N-1; true when all are in range.
bool modularLabelsInRange(const char* routine, int i, int j);
// False after a warning when the current stored theory has no S (nothing to sum).
bool modularSAvailable(const char* routine);
bool orbitTablesValid();
bool orbitSValid();
// n_G x (orbit tables): the centre element J applied to primary i, from the tables.
int orbitImage(int J, int i);
// Charge of primary i under centre element c (units 1/n_G), from the tables.
int orbitCharge(int i, int c);
// The charge selection rule of fusion with denominator row d: false when
// Q_i + Q_j - Q_k - Q_d is not 0 mod n_G for some generator of the centre.
bool modularChargesAllow(int i, int j, int k, int d);

// S_base(orbits[i], b) between orbit representatives for i < count into re[i], im[i]
// (every orbits[i] <= b): from the packed base (its missing entries computed in one pass
// and kept) or, with the row cache, from a held row or computed without caching.
void orbitBaseColumn(int b, int count, const int* orbits, double* re, double* im);

// The folder of on-disk rows of the current theory ("S" rows: ".sdir", P rows: ".pdir"),
// created when missing; an empty text (after an alert) when it cannot be made.
std::string modularRowFolder(const char* suffix, const char* kind);
// Header line of a row file: names the theory so a foreign or stale file is recognised.
std::string modularRowHeader(const char* kind, int row);

// ---------------------------------------------------------------------------------------
// Accuracy of fusion sums

// A denominator of a Verlinde sum that is zero relative to its row (largest modulus
// rowMax), or not a number.
bool denominatorIsZero(double re, double im, double rowMax);
// The tolerance of a fusion sum whose terms add up to `magnitude` in modulus (at least
// the project's 1e-7).
double fusionTolerance(double magnitude);
enum class FusionSumKind { Integer, NotInteger, PrecisionExhausted };
// Integer within tolerance, not an integer, or a sum that double precision cannot decide
// (tolerance 1/4 or more, not finite, or beyond 2^52 where doubles are no longer spaced
// finely enough to tell integers apart). *nearest is the nearest integer for the first
// two, kFusionUndecided for the third.
FusionSumKind classifyFusionSum(double x, double tolerance, FusionCoefficient* nearest);

// out[k] = N_ij^k for every k from the stored table (valid labels, valid table).
void fusionTableProduct(int i, int j, std::vector<int>& out);
// The stored table's record of a coefficient kept aside (any order of the labels), or NULL.
const FusionTableFailure* fusionTableFailure(int i, int j, int k);

// Many products (i) x (j) of one theory: the whole table where it fits its bound, else
// blocks of products of one i. True when the table or the held block serves (i, j),
// counting `coefficients` more asked (which may build the table or a block first).
bool fusionProductsServed(int i, int j, double coefficients);
// Makes the table or a block serve (i) x (j) for every j of js (a block built now, with
// the progress line progressName when given); false when neither can (too large, an
// alert, a stop).
bool fusionProductsPrepare(int i, const std::vector<int>& js, const char* progressName);
// Readers of a served pair (i, j): out[k] = N_ij^k (a coefficient kept aside reads 0),
// N_(i, j, k) = N_ij^(k*), the record of a coefficient kept aside (labels i, j, k in any
// order), and whether any coefficient of the table or block was kept aside.
void fusionProductRow(int i, int j, std::vector<int>& out);
int fusionProductValue(int i, int j, int k);
const FusionTableFailure* fusionProductException(int i, int j, int k);
bool fusionProductExceptions();
// N_ij^k of a served pair with the alerts of the single path (ModularFusion.cpp).
FusionCoefficient fusionServedCoefficient(int i, int j, int k);

void setFusionKernel(FusionKernel kernel);
// Tests: the memory bound of the whole table (past it, blocks of products serve).
void setFusionTableBytes(std::uint64_t bytes);
FusionKernel fusionKernelInUse();
const char* fusionKernelName(FusionKernel kernel);
bool fusionKernelSupported(FusionKernel kernel);
// Counts `coefficients` asked for one by one and builds the table once that has cost
// about as much as the table; true when the table is valid afterwards.
bool fusionTableWanted(double coefficients);
