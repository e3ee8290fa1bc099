// Shared by the files of the exceptional boundary search: boundary sets and complete sets
// (CrossBoundSets.cpp), candidates, assembly and completion (CrossBoundAssembly.cpp), the
// search driver and "try boundary" (CrossBoundSearch.cpp).
//
// A boundary vector is N complex numbers held as 2N doubles: the N real parts, then the N
// imaginary parts; entry m is the coefficient at primary m. The search works with the
// modular matrices of the current theory copied once per run (S, P, the vacuum row S0 and
// the crosscap coefficients U), so the inner loops never call back into the modular layer.
//
// The state lives from one boundary-search reset to the next; the complete sets live until
// a new search or the reset of the bulk invariant.
#pragma once

#include <complex>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Terminal.h"

using Complex = std::complex<double>;

// A set under assembly. Rows are indices into the signed-boundary store of the assembly.
struct BoundarySet {
  std::vector<int> rows;    // at most L
  std::vector<int> signs;   // N entries: 1 when the sign at primary m is fixed
  std::vector<int> labels;  // candidate number of each row
  int size = 0;
  long long sequence = -1;
  int is_copy = 0;
};

// A complete set: L boundaries of 2N doubles each, in canonical order.
struct CompleteBoundarySet {
  std::vector<double> coefficients;
  int number = 0;
};

struct BoundarySearchState {
  // Matrices of the current theory (loadSearchMatrices).
  int N = 0;
  int L = 0;
  std::vector<Complex> S;  // S(i,m) at i*N + m
  std::vector<Complex> P;  // P(i,m); empty when orientation is not required
  std::vector<double> S0;  // Re S(0,m)
  std::vector<double> U;   // crosscap coefficients, 2N doubles
  std::vector<int> ishibashiPrimary;  // 1 when m is the primary of an Ishibashi label

  // Candidate store.
  std::vector<double> BoundaryCandidates;
  int BoundCandCount = 0;
  int BoundCandUse = 0;
  int BoundCandMIPF = -1;
  int BoundCandOrientifold = -1;

  // Working list and complete sets (the complete list is held oldest first; "newest
  // first" walks run from its back).
  std::list<BoundarySet> firstBS;
  std::vector<CompleteBoundarySet> completeBS;
  int completeBulk = -1;  // the bulk-invariant number the complete sets belong to
  long long Sequence = 0;
  int Capacity_exceeded = 0;
  int SolutionCount = 0;
  int CompletionImpossible = 0;
  double last_CPU = 0.0;

  // Signed-boundary store of one combination.
  std::vector<double> SignedBoundaries;
  int SignedBoundaryCount = 0;
  long long SignedCapacity = 0;

  // Boundary images of the last "compute boundary permutations" (-2: not resolved).
  std::vector<int> BoundaryPermutations;
};

BoundarySearchState& boundarySearchState();

// Settings read live.
int searchCapacity();
int searchUseAllSets();

// Copies S, P, S0, U and the Ishibashi primaries of the current theory into the state.
// Run after the open-string set-up. False, with the size refusal (Alert 100213) and the
// state unchanged, when the N x N complex matrices (S, and P where orientation is
// required) would not fit.
bool loadSearchMatrices();

// The annulus form A^i(x,y) and the Moebius form M^i(x) of boundary vectors.
Complex annulusForm(int i, const double* x, const double* y);
Complex moebiusForm(int i, const double* x);
// Nearest integer of a complex value; 1 when it is integral (imaginary part and distance
// within 1e-7).
int toInteger(Complex value, int* out);
// The product a * b as a size, or -1 when it does not fit.
long long checkedProduct(long long a, long long b);

// Boundary sets (CrossBoundSets.cpp).
int allocBoundarySet(BoundarySet* set, int counted);
// Inserts a counted copy of *it without its last row after it; 1 at the limit.
int duplicateBoundarySet(std::list<BoundarySet>::iterator it);
int compareBoundaryVectors(int N, const double* x, const double* y);
// The canonical order of n vectors: order[k] is the vector placed at position k.
std::vector<int> orderBoundaries(int n, const std::vector<const double*>& rows);
// rows: L vectors of 2N doubles.
int storeBoundarySet(const std::vector<const double*>& rows);
int storeCompleteBoundaries(int* found);
int selectBoundary(int n, int quiet);
void BoundarySetStatus(int size);
void getLargestSetSize(int start, int* size, int* count);
const double* boundaryRow(const BoundarySet& set, int k);
void freeCompleteBoundarySets();
void freeBoundarySets();
// Makes the reset of the bulk invariant free the complete sets (installed on first use).
void installCompleteSetRelease();
int CompareBoundarySets(int a, int b);
void CompareAllBoundarySets();

// Candidates, assembly and completion (CrossBoundAssembly.cpp).
int addBoundaryCandidate(int N, const double* v);
int checkConjugatePresence(int N, const double* v);
void copyToUnsigned(int N, double* dst, const double* src);
void PrintNewBoundaryCandidate(int N, const double* v, const int* annulus, const int* moebius);
void assembleBoundarySet(int found);
int CompletionPossible(const BoundarySet& set);
int CheckNewBoundary(int N, const double* v);
// Completion equations in n coordinates: a fresh store for `rows` equations, one equation
// offered (kept, merged with or dropped against the kept ones; symmetric for a Moebius
// equation, whose value may have either sign), the number kept, and the integer range of
// equation e.
void resetCompletionEquations(int n, int rows);
int addCompletionEquation(int n, const Complex* r, int symmetric);
void completionEquationRange(int e, long long* min, long long* max);

// Search driver (CrossBoundSearch.cpp).
void attemptBoundaries(int Maxloop);
int tryBoundary(const char* text);
// Parses the first item of a comma-separated list: "a" or "a:b". Returns the position after
// the comma, nullptr when none; *ok 0 for an item that is no number or range lo <= hi.
const char* getNextLimits(const char* s, int* lo, int* hi, int* ok);
std::vector<int> getAbsMax();
// The free-variable reduction: the column map (basis vector of each pivot column, -1 for a
// free column) and the basis rows (N doubles each).
int initiateIshibashiOrthogonalSpace(std::vector<int>* columnMap, std::vector<double>* basis);
// The progress rule's question after 55 processor seconds: 1 to go on, 0 when the user said
// no.
int progressCheck(long long* count, long long* repeat, int* overflow, const int* x, int n,
                  const char* label);

// The free-variable machinery shared with the NIM-representation search: the orthogonal
// space of the current matrices (built and checked; the number of pivot rows), the basis
// factors of its free columns, the squeeze of one loop level (lowmin 0: BB^* real within
// [0, 1]; -1: both parts within [-1, 1]) and the stop flag of a loop pass.
int setUpOrthogonalSpace();
int checkIshibashiOrthogonalSpace(int count);
void loadBasisFactors();
void initSqueeze(int lowmin);
void NimSqueeze(int N, int level, const int* x, const int* lo, const int* hi, int* curLo, int* curHi,
                void*);
struct SearchBasisView {
  const std::vector<int>& columnMap;     // basis row of each pivot column, -1 for a free one
  const std::vector<double>& basis;      // N doubles per basis row
  const std::vector<int>& tagmap;        // the free columns in increasing order
  const std::vector<int>& ishimap;       // the Ishibashi primaries in increasing order
  const std::vector<double>& FactorsRe;  // (Ishibashi u, tag t) at u * tags + t
  const std::vector<double>& FactorsIm;
};
SearchBasisView searchBasis();
void restartSearchPass();
int searchPassStopped();

// The progress line of one loop pass of the boundary, NIM-representation or range search
// over the box lo..hi (which must outlive the object). The loop bodies report each tuple
// through showSearchProgress, which obeys a pending Ctrl-C at once and moves the line by the
// tuple's rank in the box (the squeeze skips parts of it, so tuples are not counted).
class SearchPassProgress {
 public:
  SearchPassProgress(const char* name, int n, const int* lo, const int* hi);
  ~SearchPassProgress();
  SearchPassProgress(const SearchPassProgress&) = delete;
  SearchPassProgress& operator=(const SearchPassProgress&) = delete;

 private:
  ProgressScope scope_;
};
void showSearchProgress(const int* x);

// Boundary permutations (CrossBoundPermutations.cpp): the image of boundary a under the
// field permutation pi; -2 for a degenerate image, -1 (alerted) when none exists.
int ComputeBoundaryPermutation(const int* pi, int a);
// Loop points the last "search boundaries" tested (both passes).
long long boundarySearchLoopPoints();

// NIM-representation search (CrossBoundNimrep*.cpp). One record per annulus-row candidate:
// diagonal candidates (A^0 = 1) hold their links to other diagonal candidates through
// off-diagonal candidates (A^0 = 0); off-diagonal candidates hold the pairs they connect.
struct NIMrepInfo {
  int in_use = 1;
  int is_diagonal = 0;
  int link_count = 0;
  int solution_count = 0;
  int off_diag_count = 0;
  std::vector<int> linked_to;    // diagonal: partner diagonal candidate of each link
  std::vector<int> linked_by;    // diagonal: off-diagonal candidate forming each link
  std::vector<int> link_maxima;  // diagonal: inclusive multiplicity bound of each link
  std::vector<std::pair<int, int>> link_pairs;  // off-diagonal: (d1, d2), d1 <= d2
  std::vector<int> off_diags;                   // diagonal: the distinct linked_by values
  std::vector<std::vector<int>> solutions;      // diagonal: multiplicity per off_diags entry
};

std::unique_ptr<NIMrepInfo> newNIMrepInfo(int is_diagonal);

struct NimrepStore {
  int N = 0;  // primaries
  int L = 0;  // boundaries of a complete set
  std::vector<int> Annuli;                               // N ints per candidate
  std::vector<std::unique_ptr<NIMrepInfo>> records;      // one per candidate
  std::vector<int> NIMrepConjugates;                     // conjugate candidate, -1 dropped
  std::vector<int> fusionTable;                          // N_ab^k at (a N + b) N + k
  std::vector<int> conjugateField;                       // conjugate primary
  std::vector<std::vector<int>> SuccessfulBoundaries;    // rows of 2L ints
};

NimrepStore& nimrepStore();
void resetNimrepStore();
// Copies the fusion rules and field conjugation of the current theory into the store.
void loadNimrepFusion(int N);
int nimrepCandidateCount();
// Leading candidates with A^0 != 0.
int diagonalCandidateCount();

// Fusion-representation reduction (CrossBoundNimrepReduction.cpp).
// The bounds for off-diagonal rows: `bounds` lowered by the fusion rules on the stored rows.
std::vector<int> reduceOffdiagonalBounds(std::vector<int> bounds);
std::vector<int> getOffdiagonalAbsMax();
int findConjugateBoundaryCandidate(int c, int N);
// Fills NIMrepConjugates; an off-diagonal candidate without conjugate is taken out of use.
void loadNIMrepConjugates();
const std::vector<int>& getFusionMatrix(int N, int d);
int reduceOffdiagonalBoundaryMaxima(int N, int d, const std::vector<int>& F, int o, int max);
void reduceBoundariesUsingFusionRepresentation(int N);
void findGoodCombinations2(int N);
void addTrivialBoundarySolution(int d);

// The search itself (CrossBoundNimrepSearch.cpp): the loop body that tests one annulus row
// (n entries; loop = nullptr initialises; 1 accepted, 0 rejected, -2 user stop, -1 not
// initialised) and the driver of "search NIMrep".
int testCandidateNIMrepVector(int n, int* loop, void* ctx);
void attemptNIMrep(int Maxloop);
void resetNimrepSearch();
// Rows the candidate test of the last search completed and tested (both steps).
long long nimrepSearchLoopPoints();

// Assembly and analysis (CrossBoundNimrepBuild.cpp). A NIMrep is an L x L matrix of
// candidate numbers, M[a L + b]; A^i_ab is entry i of candidate M[a L + b].
struct NimrepCounts {
  int nimreps = 0;
  int symmetric = 0;
  int unoriented = 0;
};
void buildNIMrep();
int checkNIMrep(const std::vector<int>& M, int L);
void printNIMrepForMatrix(const std::vector<int>& M, int L);
// The involutions c with M[a][b] = M[c(b)][c(a)]; the permutations p with
// M[p(a)][p(b)] = M[a][b].
std::vector<std::vector<int>> findBoundaryConjugations(const std::vector<int>& M, int L);
std::vector<std::vector<int>> generateNIMrepSymmetries(const std::vector<int>& M, int L);
void resetNimrepBuild();
const NimrepCounts& nimrepCounts();
const std::vector<std::vector<int>>& foundNIMreps();
const std::vector<std::vector<int>>& unorientedNIMreps();
int nimrepCapacityExceeded();

// Link bookkeeping (CrossBoundNimrepLinks.cpp): one removal pass, 1 when anything was
// removed or shortened; the link report of the candidates in use.
int reduceNIMrepInfo();
void PrintBoundaryLinkInfo();

// Moebius-strip solver pieces (CrossBoundMoebius.cpp). Equations are solved modulo the
// smallest prime above 2 x (largest bound) + 1, so that each residue lifts to at most one
// integer of the bound's parity within [-B, B].
int moebiusPrime(int largest);
// 1 and *value when the residue v (0 <= v < p) lifts into [-B, B] with the parity of B.
int liftMoebiusResidue(long long v, int B, int p, int* value);
// Value number t (0 .. B) of a free variable with bound B: -B, -B + 2, ..., B.
int freeMoebiusValue(int t, int B);
// 1 when the first non-zero entry is positive (0 for the zero vector): of M and -M only one
// is kept.
int firstNonZeroPositive(int n, const int* v);

// The Moebius/Klein solution rows of "search NIMrep" (CrossBoundNimrepBuild.cpp). A row is
// N + 7 ints: NIMrep number, conjugation number, five failure flags (Klein-bottle
// constraint, reality, orientifold symmetry, K^0, trace formula), N Klein-bottle
// coefficients. The row under construction is kept apart until it is committed.
enum UNIMrepWord {
  kUnimNimrep = 0,
  kUnimConjugation = 1,
  kUnimKleinConstraint = 2,
  kUnimReality = 3,
  kUnimOrientifold = 4,
  kUnimK0 = 5,
  kUnimTrace = 6,
  kUnimKlein = 7
};
std::vector<int>& unimrepRow();
// Starts a fresh row (N + 7 ints, all 0) for NIMrep `nimrep` and conjugation `conjugation`.
void startUNIMrepRow(int N, int nimrep, int conjugation);
// Clears flags and coefficients of the row under construction, keeping the two numbers.
void clearUNIMrepRow();
// Appends the row under construction and starts the next one with the same numbers.
void commitUNIMrepRow();
size_t unimrepRowCount();
// Drops the committed rows from position n on.
void truncateUNIMreps(size_t n);
// The rows (A^i_{a b^c})_i of the current boundaries, b^c the conjugate boundary of b, kept
// for comparison with the candidates of a later search; the number stored.
int storeNIMrep();
const std::vector<std::vector<int>>& knownNIMrepVectors();
// Part of the module reset only: the boundary-search reset keeps the known rows.
void resetKnownNIMrepVectors();
// For every primary i and boundary a (at i + N a): the largest A^{i^c}(M[a][c(a)]) over the
// conjugations c.
std::vector<int> getLimitsEnvelop(const std::vector<int>& M, int L,
                                  const std::vector<std::vector<int>>& conjugations);
// The surviving conjugations (in their old order) and, for each, the indices of the
// symmetries s with s^-1 c s = c.
void removeEquivalentBoundaryConjugations(int L, std::vector<std::vector<int>>* conjugations,
                                          const std::vector<std::vector<int>>& symmetries,
                                          std::vector<std::vector<int>>* stabilisers);
// 1 when M[p(a)][p(b)] = M[a][b] for all a, b.
int checkNIMrepPermutation(const std::vector<int>& M, const std::vector<int>& p, int L);

// Modular tables of the Moebius and Klein-bottle equations (CrossBoundMoebius.cpp), copied
// from the current theory: S(i,m) and P(i,m) at i N + m, Re S(0,m), the Ishibashi primaries
// and the P-fusion coefficients Y(i,j,k) = sum_m S(m,i) P(m,j) P(m,k)^* / Re S(m,0) with the
// variant Y(-k,i,-j) = sum_m S(m,k)^* P(m,i) P(m,j) / Re S(m,0) of the Klein-bottle equations.
struct MoebiusTables {
  int N = 0;
  std::vector<Complex> S;
  std::vector<Complex> P;
  std::vector<double> S0;
  std::vector<int> ishibashiPrimary;
  std::vector<int> Y;      // Y(i,j,k) at (i N + j) N + k
  std::vector<int> Klein;  // Y(-k,i,-j) at (k N + i) N + j
  int Yat(int i, int j, int k) const {
    return Y[(static_cast<size_t>(i) * static_cast<size_t>(N) + static_cast<size_t>(j)) *
                 static_cast<size_t>(N) + static_cast<size_t>(k)];
  }
  int KleinAt(int k, int i, int j) const {
    return Klein[(static_cast<size_t>(k) * static_cast<size_t>(N) + static_cast<size_t>(i)) *
                     static_cast<size_t>(N) + static_cast<size_t>(j)];
  }
};
// Loads the tables for the current theory (N primaries); 0 when there is no theory, or
// after the size refusal (Alert 100213) when the tables would not fit.
int loadMoebiusTables();
const MoebiusTables& moebiusTables();

// The Moebius-strip solver. M: a NIM-representation (candidate numbers, M[a L + b]) or
// nullptr for the selected boundaries of the current invariant; conj: the boundary
// conjugation; symmetries and stabilisers: the NIM-representation's symmetries and the
// indices of those that fix conj (nullptr without); envelope: bound per (i, a) at i + N a
// that decides the variables (nullptr: the coefficient's own bound); p: the prime;
// k: the conjugation number (equations are collected only for k < 1). The number of
// solutions, 0 after an error.
int SolveForMoebius(const std::vector<int>* M, const std::vector<int>& conj,
                    const std::vector<std::vector<int>>* symmetries, const std::vector<int>* stabilisers,
                    const std::vector<int>* envelope, int p, int k);
void resetMoebiusSolver();
// The prime of the last solver run (0 before any).
int moebiusModulus();

// Checks of Moebius and Klein-bottle solutions (CrossBoundCrosscapSearch.cpp). Moebius
// matrices hold M[i + N b] for primary i and boundary b.
// Klein bottle from a Moebius matrix: 1 solved, 0 no consistent Klein bottle, -3 the
// caller's search must stop. Z: the standard Klein bottle; T: the annulus traces; record:
// write the flags and coefficients into the UNIMreps row under construction.
int SolveForKlein(const std::vector<int>& M, const std::vector<int>& Z, const std::vector<int>& conj,
                  const std::vector<int>& T, int record);
// 1 consistent, 0 inconsistent, -1 imaginary crosscap.
int checkKleinIshibashiMap(const std::vector<int>& K);
// 1 when sum_m S(i,m) K(m) Y(m,0,0) / Re S(0,m) = T(i) for every i.
int checkStanev(int N, const std::vector<int>& K, const std::vector<int>& T);
int checkMoebiusIshibashiMap(const std::vector<int>& M);
int checkMoebiusEquations(const std::vector<int>* nimrep, const std::vector<int>& conj,
                          const std::vector<int>& M);
// With a null name loads the reference table M^{-a}_b of the current boundaries and returns
// 0; otherwise 1 when eqn (one coefficient per (i, b) entry) does not vanish on it modulo
// `modulus`, 0 when it does, -1 without a table.
int checkMoebiusEqn(const std::vector<int>* eqn, const char* name, int modulus);
// 1 when M is the largest (compareVec order) of its images under the listed symmetries.
int checkMoebiusPermutations(int N, int L, const std::vector<int>& M,
                             const std::vector<std::vector<int>>& symmetries, const std::vector<int>& list);
void resetCrosscapSearch();

// Crosscaps from Moebius amplitudes (CrossBoundCrosscapSearch.cpp).
// prod over m of (A^m_bb + 1) for the diagonal annulus row of one boundary, in 64 bits,
// saturating at the largest value instead of overflowing.
long long crosscapLoopLength(int N, const int* diagonalAnnulus);
// The boundary whose Moebius loop is shortest among the usable ones (usable[b] != 0: no
// vanishing reflection coefficient); the lower number wins ties and only lengths below
// 2^31 - 1 qualify. diagonal holds A^m_bb at b N + m. -1 when none qualifies.
int chooseCrosscapBoundary(int N, int L, const std::vector<int>& diagonal,
                           const std::vector<int>& usable);
// Link maximum of diagonal candidates p and q from the zeros of their BB^* vectors and the
// Ishibashi multiplicities.
int getLinkMaximum(int n, int p, int q);
// The closing table of "search NIMrep": the three counts, one line per Moebius/Klein
// solution row (NIMrep, conjugation, five failure flags, N Klein-bottle coefficients) and
// whether the loops were cut by their maximum.
void printNimrepFinalAnalysis(int nimreps, int symmetric, int unoriented,
                              const std::vector<std::vector<int>>& rows, int N, int cut);
// One annulus entry for the Moebius equations. A negative i stands for the conjugate of
// primary -i. With a NIM-representation (M[a L + b] the candidate of the pair a, b): the
// annulus row of candidate M[a][b] (oriented) or M[a][conj(b)]; without one the current
// boundaries' annulus at (a, conjugate of b) or (a, b). 0 for an entry out of range.
int getAnnulusForMoebiusSearch(int i, int a, int b, const std::vector<int>* M,
                               const std::vector<int>& conj, int oriented);
