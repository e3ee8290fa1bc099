// Modular data of the current theory: S, T, sqrt(T), P and fusion, read element by
// element. Every query dispatches on the tensor-mode switch KMCosetSwitch and answers from
// the current stored theory (currentSD) or from the current tensor product
// (currentTensor). N is the count TotalPrimaries points to; primaries are 0 .. N-1, 0 the
// vacuum, and the simple currents are the first n_G primaries in the numbering of the
// centre (the simple-current group).
//
// Derived tables are built lazily and stamped with the change counter CFTCounter: a table
// is valid exactly when its stamp equals QueryCFT(). A stamp of -1 means "not built for
// this theory" (too large, interrupted); CFTChanged() makes every table stale at once.
// The tables are:
//   - the packed symmetric S and P tables (N(N+1) doubles each; real halves first), with a
//     first-row-only fallback for S when N exceeds "S_matrix maxsize";
//   - the simple-current orbit tables (orbit, representative and current of every primary,
//     images of the representatives, the multiplication table of the centre, the charge
//     vector of every primary, the phases exp(2 pi i k/n_G));
//   - the orbit S base: S between orbit representatives, in memory below
//     getModularDiskRowThreshold() orbits, otherwise a bounded cache of rows backed by one
//     file per row in a folder ".sdir" of the work directory;
//   - orbit P rows, kept per orbit and, for as many orbits, in files in a folder ".pdir"
//     shared safely between processes (fcntl record locks);
//   - the whole fusion table (one integer of the narrowest width that holds them per
//     coefficient N_ijk, i <= j <= k), computed at once by dense products on several
//     threads when many coefficients are asked for; past its memory bound, blocks of the
//     products (i) x (j) of one i serve instead.
// All of it is module state that lives until the next theory change; resetModular()
// returns the module to its start-up state.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"

struct DGType;

// Accounts of the module ("Modular": orbit tables; "S-matrix": the S and P tables).
extern AllocationAccount Modular_alloc;
extern AllocationAccount SMatrix_alloc;

// An element accessor A(m, x) -> re + i im (S, P, fixed-point S, ...).
using ModularAccessor = void (*)(int m, int x, double* re, double* im);

// Fusion coefficients are 64-bit integers wherever they are summed, stored or printed.
using FusionCoefficient = std::int64_t;
// The one value by which every fusion routine of this module signals that no coefficient
// was computed: the user stopped the computation (stop flag set), or the sum was refused
// after an alert (a theory without S, a zero denominator). It is never a coefficient;
// callers test for it with fusionInterrupted().
inline constexpr FusionCoefficient kFusionInterrupted = INT64_MAX;
inline bool fusionInterrupted(FusionCoefficient value) {
  return value == kFusionInterrupted;
}
// A sum that double precision cannot decide (after its alert): no coefficient, never to be
// printed or used as one.
inline constexpr FusionCoefficient kFusionUndecided = INT64_MIN;
inline bool fusionUndecided(FusionCoefficient value) {
  return value == kFusionUndecided;
}

// ---------------------------------------------------------------------------------------
// Front door, counters and settings

// Start-up: binds "S_matrix maxsize", "Fusion sumcheck", "High_precision", "Use_orbits",
// "Init_debug", "Super", "TensorName" and "Heterotic lift_symbol" (read live) and the
// current-bulk pointer.
void initializeModular();
// Tests only: every table, cache, counter and work buffer back to the start state.
void resetModular();
// Clears the sign and index flags, the interrupted-S mark and the required extension list.
void resetS();

// The current theory changed: bumps CFTCounter, clears the per-theory flags, resets the
// bulk invariant to the diagonal one (which calls bulkInvariantChanged).
void CFTChanged();
// The current bulk invariant changed: bumps BulkInvariantCounter, resets the orientifold.
void bulkInvariantChanged();
int QueryCFT();
int QueryBulkInvariant();
void MOD_set_S_CALL_TRACE(int flag);

// Dispatchers: the stored theory when KMCosetSwitch is 0, the tensor product when 1.
void compSDirect(int i, int j, double* re, double* im);
// T(i, j); 0 off the diagonal without asking the theory.
void compT(int i, int j, double* re, double* im);
// sqrt(T)(i, j) = exp(pi i x_i) for T = exp(2 pi i x_i); 0 off the diagonal.
void comprootT(int i, int j, double* re, double* im);
// out[i] = x_i with T(i, i) = exp(2 pi i x_i) for all N primaries.
void compLogT(double* out);
int S_Symmetric();
int getConjugate(int i);
int ConjugatesAvailable();
// h_i; the address of one module-owned Rat that the next call overwrites.
const Rat* ratWeight(int i);
double Central_Charge();
int CenterOrder();
// The theory's name ("(aux)" and what follows cut off).
std::string getCFTname();

// S(i, j) from the fastest valid source: the packed table, the orbit S base, or directly.
// Never builds a table itself. Labels outside 0 .. N-1 give an alert and 0.
void compS(int i, int j, double* re, double* im);
// compSDirect with the smaller label first.
void compSDirectSymmetrized(int i, int j, double* re, double* im);

// ---------------------------------------------------------------------------------------
// Full S and P tables

// Builds what it can for the current theory (orbit tables, full or first-row S) and
// returns N doubles holding Re S(0, m) (in full mode the start of the real half).
const double* initSMATRIX();
const double* initFirstRow();
void initTSquared();
// The P table preset to "not computed" (real half), or nullptr when N exceeds
// "S_matrix maxsize" (compP then computes every element afresh).
const double* initPMATRIX();
// P = T^1/2 S T^2 S T^1/2 of the current theory.
void compP(int a, int b, double* re, double* im);
// P(a, b) summed from S and T, without the P cache.
void computePmatrix(int a, int b, double* re, double* im);
// The smallest of (a, b), (a^c, b^c), (b, a), (b^c, a^c) in lexicographic order.
void convertPLabels(int a, int b, int* first, int* second);
// The conjugate of i read off from S; -1 after an alert when none is found.
int getGenericConjugate(int i);

// ---------------------------------------------------------------------------------------
// Simple-current orbit tables and the orbit S base

struct PrimaryOrbitEntry {
  int rep = -1;           // representative (first primary of the orbit)
  int orbit = -1;         // orbit number, 0 .. NOrbit-1
  int current = 0;        // centre element J with field = J x rep
  int length = 0;         // on a representative: number of distinct primaries of its orbit
  int chargeIndex = -1;   // row of the field's charge vector in the charge collection
  int* images = nullptr;  // on a representative: entry c is c x rep (n_G entries)
};

void initOrbitData();
// flag 0: releases the image arrays of the previous theory and fetches the centre;
// otherwise a new image array of n_G ints.
int* allocateModularOrbitData(int flag);
void compSfromOrbits(int i, int j, double* re, double* im);
// S between the representatives of orbits a and b.
void compSBase(int a, int b, double* re, double* im);
// The same through the row cache; a = -1 sets the cache up.
void compSBaseFromDisk(int a, int b, double* re, double* im);
// Fills slot `slot` of `data` with the row of orbit `row`, from its file in `folder` (an
// empty folder means: compute only, no files) or computed and then written.
void getSBaseRow(double* data, int ignored, int slot, int row, const char* folder);
int getReUsableRow(const int* LastCalls, int CallSeq, int MaxRow);
// The charge vector of primary i (n_G entries, units 1/n_G); valid until the next build.
const int* getChargeVector(int i);
int getOrbitStart(int i);
int ModularOrbitsAvailable();
const int* getChargePointer(int k);
int findChargeVector(const int* v);
// q = (Q_c(b) + Q_a(d)) mod n_G; (re, im) = exp(2 pi i q/n_G).
int ChargeCorrectionFactor(int a, int b, int c, int d, double* re, double* im);
// Orbit tables in read-only form (valid while ModularOrbitsAvailable() == QueryCFT()).
int getNumberOfOrbits();
const PrimaryOrbitEntry* getPrimaryOrbitEntry(int i);
// Number of orbits from which the orbit S base is a bounded row cache and the P rows live
// on disk (5000); tests and benchmarks lower it, which also makes the S rows go to files
// always. A value below 1 restores the default, under which S rows go to files only where
// reading one is cheaper than computing it.
void setModularDiskRowThreshold(int orbits);
int getModularDiskRowThreshold();

// ---------------------------------------------------------------------------------------
// Orbit P rows and their files

void initOrbitPmatrix();
void scanP(int i, int j);
void scanPOrbits(int a, int b);
void compPfromOrbits(int a, int b, double* re, double* im);
// 1 when row (2 size doubles) was read from its file in folder, else 0.
int getPBaseRow(double* row, int orbit, int size, const char* folder);
// Merges the row with its file under an exclusive lock and writes it back; 0 on success.
int writePBaseRow(double* row, int orbit, int size, const char* folder);
void writePOrbits();
void freePmatrixOrbits();

// ---------------------------------------------------------------------------------------
// Fusion

// N_ij^k with denominator row d (0: ordinary fusion); kFusionInterrupted when stopped,
// kFusionUndecided when double precision cannot decide it.
FusionCoefficient fusion(int i, int j, int k, int d);
FusionCoefficient FastFusion(int i, int j, int k);
// Nearest integer of the sum over m < range of A(m,|i|) B(m,|j|) C(m,|k|) / Re D(m,0); a
// negative label conjugates its factor (m >= 1). kFusionInterrupted when stopped,
// kFusionUndecided when double precision cannot decide the sum.
FusionCoefficient GenericVerlinde(int i, int j, int k, int range, ModularAccessor A,
                                  ModularAccessor B, ModularAccessor C, ModularAccessor D);
FusionCoefficient GenericVerlinde2(int i, int j, int k, int range, ModularAccessor A,
                                   ModularAccessor B, ModularAccessor C, ModularAccessor D);
void S_aux1(int o, int x, double* re, double* im);
void S_aux2(int o, int x, double* re, double* im);
FusionCoefficient Pfusion(int i, int j, int k);
// Fusion in the fixed-point theory of current J (J >= 1) of the current stored theory.
FusionCoefficient getFpFusion(int J, int i, int j, int k);
int FastSimpleFusion(int J, int i);
int FastSimpleFusion_NO_CHECK(int J, int i);
// f(|i|, |j|, x, out, out), negated when exactly one of i and j is negative.
void manageConjugate(int i, int j, void (*f)(int, int, int, double*, double*), int x, double* out);

// ---------------------------------------------------------------------------------------
// The whole fusion table

struct FusionTableReport {
  double seconds = 0.0;         // wall-clock time of the computation
  double productSeconds = 0.0;  // of it, the threaded dense products
  double flops = 0.0;    // floating-point operations of the dense products
  int threads = 0;
  long long failures = 0;    // coefficients that are not real integers
  long long exceptions = 0;  // coefficients kept aside: failures and wider than 32 bits
  std::size_t failureList = 0;  // coefficients kept aside and listed
  bool stopped = false;
  bool refused = false;  // its S rows would pass what one allocation may hold (Alert 100213)
};
// Number of independent coefficients N_ijk (i <= j <= k) of n fields.
std::int64_t MOD_fusionTableSize(int n);
// Computes every coefficient of the current theory at once ("Fusion threads" threads).
// store: keep the table (when it fits) for the readers below; check: also the imaginary
// parts. 0 on success, 1 after an alert (zero denominator, or a size refused before the
// work starts) or a stop.
int MOD_computeFusionTable(bool store, bool check, FusionTableReport* report);
bool MOD_fusionTableValid();
// Drops the stored table (the next reader builds it afresh).
void MOD_forgetFusionTable();
// N_ijk = N_ij^(k*) from the stored table (valid labels, valid table).
int MOD_fusionTableValue(int i, int j, int k);
// The conjugate of k read off the stored table.
int MOD_fusionTableConjugate(int k);

// ---------------------------------------------------------------------------------------
// Simple-current group operations

// The centre of the current theory; *map (when given) receives the centre map.
DGType* getCenter(int** map = nullptr);
int simpleFusion(int J, int i);
// Product of two currents; usable as a group law (the context is ignored).
int simpleProduct(int J, int K, void* context = nullptr);
// How often current J acts on field start before start comes back: the length of its orbit
// under J (with start 0 the order of J); -1 after an alert when J does not act as a current.
int simpleCurrentOrder(int J, int start);
// Q_J(i) in [0, 1), reduced; one module-owned Rat that the next call overwrites.
const Rat* simpleCurrentCharge(int J, int i);
int effectiveCenterCheck(int J);
// n_G flags: 1 for each element of the effective centre.
const int* getEffectiveCenter();
int SubgroupEffectiveCenterCheck(int n, const int* elements);
// Elements of order exactly 2 in the effective centre, increasing; *count their number.
const int* computeOrderTwoCenter(int* count);
int simpleCurrentCheck(int i);
int isSuperCurrent(int i);
int SusySpectrum();
double MOD_realWeight(int i);
// map[i] = J x i from the fusion rules; -1 after an alert when J is not a simple current.
int initFusionMap(int J, int* map);
int simpleFusionDirect(int J, int i);

// ---------------------------------------------------------------------------------------
// Display of S and P elements, fusion products as text. Each appends to buffer and
// returns it.

std::string& displayS(std::string& buffer, int i, int j);
std::string& displayP(std::string& buffer, int i, int j);
std::string& printModMatElt(std::string& buffer, double re, double im);
std::string& displaySforC(std::string& buffer, int i, int j);
int genPosCheck();

// k = -1: prepares the ratio row of (i, j) with denominator row d and returns 0; k >= 0:
// N_ij^k from the prepared row.
double getRijk(int k, int i, int j, int d);
std::string& compF(std::string& buffer, int i, int j, int d);
std::string& compFp(std::string& buffer, int i, int j, int d);

// ---------------------------------------------------------------------------------------
// Groups of simple currents (current numbers 0 .. n_G-1, 0 the identity)

// A canonical basis is handed out as its entries, then -1, then zeros up to at least
// kBasisSize ints; "find basis" prints the first kBasisSize of them.
inline constexpr int kBasisSize = 10;
// Closes the list in place under simpleProduct and returns its canonical basis: every entry
// the smallest current not generated by the entries before it (0 first when the list is
// not empty). Empty after an alert when the list is not a group of currents.
std::vector<int> MOD_closeAlgebra(std::vector<int>& list);
// The canonical basis of a closed list (empty after an alert, as above).
std::vector<int> MOD_findBasis(const std::vector<int>& list);
// out := the group generated by nest (a group) and J; 0 when J adds nothing, else 1.
int MOD_completeAlgebra(const std::vector<int>& nest, int J, std::vector<int>& out);
// nullptr: collects the integer-spin currents and their permutations by the symmetries of
// the current theory (outer automorphisms of the centre; in tensor mode also factor
// permutations). A closed list: prints the canonical basis of its image under every
// permutation ("basis"). 0, or 1 after an alert (no table for this theory, a listed
// current without integer spin, an image outside the integer-spin currents).
int MOD_listPermutations(const std::vector<int>* list);
// The powers 0, J, J^2, ... of current J up to the last one before the identity.
std::vector<int> computeOrbit(int J);
// 0 for the identity; else the smallest current that generates the cyclic group of J.
int findOrbitGenerator(int J);

// ---------------------------------------------------------------------------------------
// Chiral-algebra extensions by integer-spin simple currents
//
// The list is built once per version of the tensor product (TensorCount) and numbered from
// 0; with no requirement extension 0 is the unextended algebra. A row holds G + 4 ints, G
// the largest number of generators: the generators in increasing order, -1, zeros up to
// entry G, then the supersymmetric, non-chiral and spinorial flags.

// mode 0: every integer-spin current may extend; 1: not those of weight exactly 1; any
// other: none (only the trivial extension). Prints the list. Does nothing while the list
// is current.
void CollectExtensions(int mode);
// The list, collected with mode 0 first when it is not current.
const std::vector<std::vector<int>>& getExtensions();
// Number of generator entries G of the rows (the row length is G + 4).
int extensionGeneratorCount();
// Rows of the current list, or -1 when there is none for this tensor product.
int TotalExtensions();
// The per-factor labels of generator J (tensorFactorCount() ints); nullptr for J = 0 and,
// after an alert, for a current that generates no extension of the list.
const int* getExtensionCurrent(int J);
// Currents (-1-terminated) that every collected extension must contain; nullptr or an
// empty list: none. The list is copied.
void setRequireExtension(const int* list);
// The tensor product changed: the extension list is no longer current.
void TensorChanged();
// Permutation callback of the subgroup builder: J = -1 (re)initialises and returns the
// number of permutations; otherwise the image of integer-spin current J under permutation p.
int MOD_computeIntegerSpinPermutation(int p, int J);
// Prepares the permutation table of the integer-spin currents (store or tensor product);
// returns the number of permutations.
int MOD_getIntegerSpinPermutations();

// Services of the tensor layer for the extension list, installed by its initialiser.
// Until then each reports "not available yet" and answers 0 or nothing.
struct ExtensionTensorHooks {
  // 1 when the current tensor product already extends its algebra by currents.
  int (*hasCurrents)();
  // Computes the simple-current spectrum of the current tensor product when it is not
  // known (the primary count then points at it); 0 when it is there, 1 when it cannot be.
  int (*prepareSpectrum)();
  // Number of factors, and the factor labels of field f of the current tensor spectrum.
  int (*factorCount)();
  const int* (*fieldLabels)(int f);
  // Loads the factor permutations and outer automorphisms; returns their number.
  int (*preparePermutations)();
  // Image of current J under symmetry p (after preparePermutations).
  int (*permutationImage)(int p, int J);
  // The labels of field f in graded minimal form, and its conformal weight.
  std::vector<int> (*gradedMinimalForm)(int f);
  double (*weight)(int f);
};
const ExtensionTensorHooks& extensionTensorHooks();
void setExtensionTensorHooks(const ExtensionTensorHooks& hooks);

// ---------------------------------------------------------------------------------------
// Fixed-point data of the current theory

// S of the fixed-point theory of current J between fields a and b (with the phase of its
// shift); S of the orbit Lie algebra (without it). 0 and (0, 0) when J does not fix both.
int MOD_getFCFT_Smatrix(int J, int a, int b, double* re, double* im);
int MOD_getOLA_Smatrix(int J, int a, int b, double* re, double* im);
// 1 when current J fixes some field.
int MOD_fixedPointCurrent(int J);
// The shift of J's fixed-point theory (0 for the identity; 0 after an alert without one).
int MOD_getFCFTshift(int J);
// Twist of current J on fixed point i of current k (0..3).
int MOD_getCurrentTwist(int J, int i, int k);
// Validity level: 3 a true CFT, 2 S and fusion work, 1 S works, 0 none. In tensor mode the
// smallest level among the factors (3 without factors).
int MOD_isValidCFT();
// Set-up of the ground-state contents: 1 when they are available, else 0.
int MOD_initContents();
// The outer automorphisms of the current group as current permutations: one row per
// permutation, entry J the image of current J (row 0 the identity); nullptr when there are
// none to be had. Owned by the theory or the tensor product.
struct VectorSpace;
VectorSpace* MOD_getCurrentOuterAutomorphisms();
// The number of those permutations (0 when they cannot be had).
int MOD_TotalOuterAutomorphisms();
// The image of current J under permutation p; -1 after an alert when there is none.
// p = -1 prepares the images (the tensor product's cache) and returns the count.
int MOD_getCurrentPermutation(int p, int J);
// The selected extension number of the tensor product; -1 outside tensor mode.
int MOD_getExtensionNumber();
// The fields i >= start whose S(0, i) has the real part of S(0, 0): fields of quantum
// dimension 1 beyond the known currents (none when S(0, 0) is not positive).
std::vector<int> exceptionalSimpleCurrentFields(int start);
// Prints "Exceptional simple current: %d" for each of exceptionalSimpleCurrentFields(start).
void getExceptionalSimpleCurrents(int start);

// ---------------------------------------------------------------------------------------
// Consistency checks

// Frobenius-Schur indicator of field i: the nearest integer to
// sum_m Re S(i, m) (Re P(0, m))^2 / Re S(0, m).
int getSchurIndex(int i);
// Prints "Z(a,b) = n", the generalised indicator from fusion, S and T (an alert when it is
// not real); 1 when the user stopped the fusion sums, else 0.
int computeGeneralizedSchurIndex(int a, int b);
// 0 when the Verlinde sum for N_ij^(k conjugate) is a real integer, 1 after an alert, 2
// after an alert that double precision cannot decide it. The tolerance grows with the
// summed moduli of the terms.
int CheckFusionCoefficient(int i, int j, int k);
// Checks every coefficient with i <= j <= k (samples 0, or at least as many samples as
// coefficients; from the whole table) or that many random triples, then prints the number
// checked and of failures; returns the number of failures.
int CheckFusion(int samples);

// Unitarity of S: sum_m S(i, m) conj S(j, m) - delta_ij for one pair into (re, im); 1 when
// its squared modulus is below 1e-10, 0 when not, kUnitarityStopped (nothing computed)
// when the user has stopped the run. The first argument is not used.
inline constexpr int kUnitarityStopped = -1;
int Unitarity_check(int unused, int i, int j, double* re, double* im);
// The whole unitarity test and the test S T S = T^-1 S T^-1 of (ST)^3 = S^2, every pair
// i <= j: failure lines, then the verdict ("Unitarity test OK", "ST^3 = S^2 test OK", or
// an alert), "Maximal deviation:" and, for (ST)^3, the failure count and the note on
// non-trivial successes. Appended to report; failure lines stop once fewer than 100 of
// `size` characters are left ("Further failures ignored"). A stop by the user ends the
// text with "... test interrupted" instead of a verdict.
std::string& UnitarityCheck(std::string& report, std::size_t size);
std::string& STcheck(std::string& report, std::size_t size);
// The largest deviation met by the last UnitarityCheck or STcheck.
double getCheckAccuracy();

// ---------------------------------------------------------------------------------------
// Dynkin indices from fusion (affine Lie algebras of the store)

// Determines the indices of every field from those in the index file and the fusion sum
// rules, appending what it finds to the index and "_characters" files. 0, or 1 after an
// alert (no index file, tensor mode) or a stop.
int computeIndices();
// Dimension and indices of field i ("Field", "Dimension = ", "Index[order] = " lines),
// appended to buffer or printed when buffer is NULL; 1 after an alert when unknown.
int computeIndicesSingle(int i, std::string* buffer);

// ---------------------------------------------------------------------------------------
// The whole P by dense products

struct PmatrixReport {
  double seconds = 0.0;  // wall-clock time of the computation
  double flops = 0.0;    // floating-point operations of the dense products
  int threads = 0;
  bool held = false;  // the elements were kept (packed table or orbit P rows)
  bool stopped = false;
};
// Computes every element of P of the current theory at once by dense products of S and T
// ("Fusion threads" threads) into the store of P in use: the packed table, else the orbit
// P rows; with neither, the elements are computed and dropped. 0 when every element was
// computed; 1 when the whole P is not computed at once (no theory, S not symmetric, or its
// dense S past the memory bound; nothing done: compP serves element by element); 2 when
// the user stopped it (the elements finished so far are kept).
int MOD_computeWholePmatrix(PmatrixReport* report);
