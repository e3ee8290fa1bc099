// The solver for linear systems in bounded integers: find every integer point x with
// min[i] <= x[i] <= max[i] that satisfies a set of linear equations with double
// coefficients exactly (within the tolerance 1e-7).
//
// An equation over N entries is a row a[0..N-1] meaning a[0] x[0] + ... + a[N-2] x[N-2] +
// a[N-1] = 0: the last entry is the constant term, whose "variable" x[N-1] is fixed to 1
// (its minimum and maximum are both 1). The loop variables are x[0] .. x[N-2].
//
// The client owns one EquationData record and one KernelData record. It shapes the
// equation record (setEquationDataSize), writes its input equations and bounds, and then
// calls getIndependentEquations, ImproveBounds, initKernelData, the kernel searches and
// FixBoundsUsingKernel, and finally DiophLoops or DiophLoopsSingle with its acceptance
// callback. The records keep their buffers until they are destroyed or shaped again.
//
// The module keeps the last failure reason, the bound-evaluation counter, its work buffers
// and the state of the running search (the solutions, the loop records and counters); one
// search runs at a time. resetEquations restores all of it to the start state.
#pragma once

#include <string>

#include "collections/VectorSpace.h"
#include "runtime/Allocation.h"

// ---------------------------------------------------------------------------------------
// Equation data, independent equations and variable bounds

struct EquationData {
  int N = 0;  // entries per equation: loop variables + 1
  // Rows of N doubles: the neq input equations, then the nind independent ones, then the
  // derived ones; at most maxrows rows.
  WorkBuffer<double> Equations;
  // The independent equations after the elimination plan (nind rows of N).
  WorkBuffer<double> OptimizedEquations;
  // Row r (r < nrows) holds nind coefficients writing row r of Equations as a combination
  // of the independent equations.
  WorkBuffer<double> Decompositions;
  // Storage of the eight bound arrays below (8 N ints).
  WorkBuffer<int> Bounds;
  int neq = 0;        // input equations, rows 0 .. neq-1
  int nind = 0;       // independent equations, rows neq .. neq+nind-1
  int nrows = 0;      // rows in use
  int maxrows = 0;    // row capacity of Equations
  int nanalysed = 0;  // rows already paired by AnalyseBoundsForCombinations
  int exclusion = 0;  // 1: the search rejects candidates inside an exclusion range
  int* minima = nullptr;
  int* maxima = nullptr;
  int* savedMinima = nullptr;
  int* savedMaxima = nullptr;
  // The copies of the bounds that the client hands to the search (the elimination plan
  // changes them).
  int* loopMinima = nullptr;
  int* loopMaxima = nullptr;
  int* exclusionMinima = nullptr;
  int* exclusionMaxima = nullptr;

  explicit EquationData(const char* equationsLabel = "Equations",
                        const char* boundsLabel = "Bounds");
  EquationData(const EquationData&) = delete;
  EquationData& operator=(const EquationData&) = delete;
};

// Shapes the record for N entries per equation, neq input equations and maxrows rows
// (maxrows >= 2 neq; the tadpole solver takes max(5 neq, 5000)): Equations gets
// max(10000 + N maxrows, 100000) doubles, all bound arrays are cleared except the
// constant's entries (1), and the counters are set to 0 with neq as given. Returns 1, or
// 0 after an alert when the sizes are out of range (the record is then unchanged).
int setEquationDataSize(EquationData* ED, int N, int neq, int maxrows);
// Row r of Equations (r < maxrows).
double* equationRow(EquationData* ED, int r);
const double* equationRow(const EquationData* ED, int r);

// The last failure reason: 1 an equation reduces to a non-zero constant (info: the row),
// 2 empty range of a variable (info: the variable), 3 empty range found by a stored
// equation (info: the row), 4 empty range found by a combined equation (info1, info2: the
// two rows), 5 no solution found by a search (info: the loop length, -1 for an empty box),
// 6 an equation not satisfied (info: the row); 0 none.
struct FailureReason {
  int code = 0;
  long long info = 0;
  long long info1 = 0;
  long long info2 = 0;
};
FailureReason QueryFailureReason();

// Builds the independent equations (rows neq .. neq+nind-1, each normalised) and the
// decompositions; nrows := neq + nind. Returns 1 when every independent equation
// normalises to integer coefficients, 0 when not, -1 when an equation reduces to a
// non-zero constant (or the record is not shaped). The account is not used.
int getIndependentEquations(EquationData* ED, AllocationAccount* account);
// Divides a[0..n-1] by its first non-zero entry (entries within 1e-7 of 0 become 0, within
// 1e-7 of an integer that integer); *maxcoef := largest absolute entry. Returns 1 when the
// row is then integral or has a common denominator up to 144, else 0.
int NormalizeEquation(double* a, int n, double* maxcoef);
// Tightens every bound by the one equation a, variable by variable, each from the sums of
// the other terms under the bounds as they are then (in O(N) for the row, with the bounds
// that term-by-term sums give). Returns -1 for an empty range, -4 when the box is a single
// point (or N < 2), -3 when it has fewer than 10000000 points, else the number of bounds
// moved.
int getVariableBounds(const double* a, int N, int* min, int* max);
// getVariableBounds with each of the nrows stored equations; the sum of the changes or
// the first negative result. Ctrl-C ends it between two rows (StopRequest).
int AnalyseBounds(EquationData* ED, int* min, int* max);
int AnalyseBounds2(EquationData* ED, int* min, int* max);
// Bound propagation with pairwise combinations of stored equations; combinations that
// move a bound are stored as derived equations. The number of changes, or -1 (empty
// range), -2 (more than maxcnt evaluations), -3 / -4 (as getVariableBounds).
int AnalyseBoundsForCombinations(EquationData* ED, int verbosity, int* min, int* max, int maxcnt);
// Iterates the two analyses. 1 converged; the count of the last iteration when maxiter
// iterations were made; -1 no solution; -2 evaluation budget spent; -3 the loop is short
// enough; -4 the box is a single point.
int ImproveBounds(EquationData* ED, int* min, int* max, int maxcnt, int maxiter, int verbosity);
// Single-equation bound evaluations since the last ImproveBounds started.
int getBndCnt();
// The elimination plan on neq rows of N entries in E: each equation solves the variable of
// largest range among its non-zero coefficients (first on ties); solvedvar[k] := that
// variable or -1, max := min for it, and its column is swept out of the other rows. With
// flags, equation k takes part only when flags[k] is 0 or 1.
void OptimizeEquationUse(double* E, int N, int neq, int* min, int* max, const int* flags,
                         int* solvedvar, int verbosity);
// Loop points left over the first n variables once the independent equations eliminate
// one variable each; -1.0 for an empty range, 1.0 for n < 1. min and max are not changed.
double OptimizedLoopLength(int n, const int* min, const int* max, EquationData* ED);
// For every row i other than r whose entry in column c is not zero:
// row i += (-E[i][c] / E[r][c]) row r. Nothing when E[r][c] is zero.
void FullSweep(double* E, int nrow, int ncol, int r, int c);
// 1 when sum over j < N of x[j] E[row][j] is within 1e-7 of 0.
int CheckEquation(const double* E, const int* x, int row, int N);
// 1 when the first neq rows are all satisfied (verbose: "All equations satisfied");
// else reason 6 (verbose: Alert "Equation %d not satisfied") and 0.
int CheckEquations(const double* E, const int* x, int neq, int N, int verbose);
// The loop length over n variables (-1 for an empty range); with verbosity > 1 and
// (verbosity 100 or a length other than the last one printed) prints "Minima", "Maxima"
// and "Total loop length". Returns the length.
double PrintBounds(int n, const int* min, const int* max, int verbosity);
// x[v] := -(sum over j < n, j != v, of a[j] x[j]) / a[v] when that is an integer (inside
// the int range); 1 when it is and is non-negative, else 0 (x[v] untouched when not
// integral).
int solvePositiveIntegerFromEquation(int n, const double* a, int v, int* x);
// The same without the sign test: 1 when integral.
int solveIntegerFromEquation(int n, const double* a, int v, int* x);
// Reduces integer row k (n entries) against rows 0 .. k-1 of rows, row i having its pivot
// in column pivot[i]. 2 when a pivot entry does not divide, 0 when row k becomes zero,
// else 1: the row is divided by the gcd of its entries and pivot[k] set to its first entry
// 1, else its first entry -1 (the row is negated), else its first non-zero entry.
int checkIntegerIndependence(int* rows, int n, int k, int* pivot);
// The same reduction by cross-multiplication without division; 0 when row k becomes
// zero, else 1 with pivot[k] its first non-zero column.
int checkIndependence(int* rows, int n, int k, int* pivot);
// The row for a new derived equation: nrows while nrows + 2 < maxrows, else a random row in
// [first, maxrows). A row outside that range is reported ("Invalid position").
int getNewPosition(int nrows, int maxrows, int first, int verbosity);

// Index of the first of nrows rows (of n entries) of E equal to a within 1e-7, or -1.
int compareEquations(const double* E, int nrows, int n, const double* a);
// One-value versions of the bound rounding: 1 when the bound moved.
int getNewMinimum(double value, int* min);
int getNewMaximum(double value, int* max);
// out := row i + f row j (rows of n entries of E).
void CombineRows(const double* E, int n, int i, int j, double f, double* out);
// 1 when none of the first N-1 coefficients is below -1e-7.
int checkPositive(const double* a, int N);
// Product of (max - min + 1) over n variables; -1.0 for an empty range, 1.0 for n < 1.
double LoopLength(int n, const int* min, const int* max);
// A loop length as printed: "%*.0f" in width columns, and one beyond the range of a double
// (the product of the ranges overflowed) as "above 1e308" in the same width, never "inf".
std::string loopLengthText(double length, int width);
// out := sum over k < nind of decomp[k] times independent row k of ED.
void buildEquationFromDecomp(const EquationData* ED, const double* decomp, double* out);
// The same, printing "i=%d; j=%d; decomp=%15.7f, Eq=%15.7f" for every non-zero product.
void buildEquationFromDecomp2(const EquationData* ED, const double* decomp, double* out);
// Gauss-Jordan on the n x (n+1) system E (changed in place); x[c] = E[r][n] / E[r][c] for
// each pivot; columns without a pivot get 0 and the result 0, else 1.
int DoubleLinearSolve(double* E, int n, double* x);
// FullSweep on rows of ncol complex entries (re, im pairs).
void ComplexFullSweep(double* E, int nrow, int ncol, int r, int c);
// Eliminates entry c of the complex row a by the complex row b and sets it to 0.
void ComplexVectorSweep(double* a, const double* b, int n, int c);
// a -= (a[c] / b[c]) b when a[c] is not zero; a[c] := 0; returns the factor.
double DoubleVectorSweep(double* a, const double* b, int n, int c);

// The hook that dumps the equations when the kernel overflows; nullptr restores the
// default, which does nothing.
using EquationDumpFunction = void (*)();
void setEquationDumpFunction(EquationDumpFunction dump);

// ---------------------------------------------------------------------------------------
// Kernel vectors: integer vectors k with k[N-1] = 0 satisfying every independent equation
// homogeneously. Each has -1 at its primary tag; double-tag vectors also -1 at a secondary
// tag; a solution with both tags non-zero is a deformation of itself plus the vector, and
// the search keeps it only when that point lies outside the box.

struct KernelData {
  // One buffer: kernel rows (capacity + 1 rows of N), the second matrix (as many rows:
  // new kernel vectors of the current search), the tags, seven per-variable arrays.
  WorkBuffer<int> Kernel;
  int* second = nullptr;
  int count = 0;     // kernel rows in use
  int capacity = 0;  // max(N - 1 - nind, 1)
  int nprimary = 0;
  int ndoubletag = 0;
  int* tag = nullptr;        // primary tag of each kernel vector
  int* istag = nullptr;      // per variable: primary tag of some vector
  int* positive = nullptr;   // per variable: some vector has a positive entry there
  int* istag2 = nullptr;     // per variable: secondary tag of a double-tag vector
  int* pairFirst = nullptr;  // double-tag pairs, each stored in both orders
  int* pairSecond = nullptr;
  int* reference = nullptr;  // the first solution of the current search
  int* spare = nullptr;      // kept zero
  int npairs = 0;
  int nnew = 0;  // new kernel vectors of the current search
  int N = 0;     // entries per vector

  KernelData();
  KernelData(const KernelData&) = delete;
  KernelData& operator=(const KernelData&) = delete;
};

// Kernel row i (i <= capacity).
int* kernelRow(KernelData* KD, int i);
const int* kernelRow(const KernelData* KD, int i);

// Sizes and lays out the buffer for the record's N and nind and clears the counters.
void initKernelData(KernelData* KD, const EquationData* ED);
// Direct searches for -e_t + e_a, -e_t + e_a + e_b, -e_t + e_a + e_b + e_c (one vector
// per primary tag t) and for the double-tag vectors -e_t - e_s + e_a + e_b.
void KernelDoublets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                    int verbosity);
void KernelTriplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                    int verbosity);
void KernelQuadruplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                       int verbosity);
void KernelDoubleQuadruplets(KernelData* KD, EquationData* ED, const int* min, const int* max,
                             int verbosity);
// Loop search for one primary kernel vector per tag candidate (entries 0..3, the tag -1);
// limit bounds the loop points per candidate. Returns nprimary.
int SolveHomogeneous(KernelData* KD, EquationData* ED, const int* min, const int* max,
                     int verbosity, int limit);
// Loop search for double-tag vectors, bounded by 120 CPU seconds; returns 1. The limit is
// not used. Each entry runs over 0 .. the range max - min of its variable (at most
// 1000000), and every level is narrowed by all independent equations.
int DoubleTagKernelLoops(KernelData* KD, EquationData* ED, int limit, int verbosity, const int* min,
                         const int* max);
// max[tag] := min[tag] for the tags of the first nprimary kernel vectors.
void FixBoundsUsingKernel(const KernelData* KD, int* min, int* max);
// 1 when, in each of the nind rows of N entries, the combination of columns vanishes:
// row[t] - row[a]; row[t] - row[a] - row[b]; row[t] - row[a] - row[b] - row[c];
// row[t] + row[s] - row[a] - row[b]. 1 for nind < 1.
int checkDoublet(const double* rows, int nind, int N, int t, int a);
int checkTriplet(const double* rows, int nind, int N, int t, int a, int b);
int checkQuadruplet(const double* rows, int nind, int N, int t, int a, int b, int c);
int checkDoubleQuadruplet(const double* rows, int nind, int N, int t, int s, int a, int b);
// The next primary tag candidate after prev (-1: the first) among variables v < n, in
// order of decreasing range max - min and increasing index; -1 when none is left.
int nextPrimaryTag(const KernelData* KD, const int* min, const int* max, int ignored, int prev,
                   int n);
// The next secondary tag after prev; *pass 0: only variables with min 0 and max non-zero,
// then *pass 1: the others, restarting after start. -1 after both passes.
int nextSecondaryTag(const KernelData* KD, const int* min, const int* max, int start, int prev,
                     int t, int n, int* pass);
// The next positive-entry candidate after prev, not t and not in list: *pass 0 those that
// already have a positive entry, then *pass 1 the others (restarting after start). -1
// after both passes (*pass is then 0 again).
int nextPositive(const KernelData* KD, int start, int prev, int t, const int* list, int nlist,
                 int n, int* pass);
// Registers v (N entries) as a double-tag vector with tags t and s in the next kernel row.
void addDoubleTagKernelVector(KernelData* KD, const int* v, int N, int t, int s, int verbosity);
// For each vector v (from the second on) with tag t, every earlier vector u with
// u[t] >= 1 gets v added once.
void sweepKernel(KernelData* KD, int N);
// positive[j] := 1 exactly where some kernel vector has an entry >= 1.
void resetPositiveUsed(KernelData* KD, int N);
// Kernel rows from .. to-1 under the titles "Nr. %2d: ".
void printKernel(const KernelData* KD, int N, int from, int to);
// "<title> " and " index:value" for each non-zero entry, or " trivial" for a zero vector.
void printKernelVector(int n, const int* v, const char* title);
// Loop bodies and bounds callback of the kernel loop searches (ctx: the search context;
// a null context resets the bodies' counters).
int hom_eval(int n, int* x, void* ctx);
int hom_eval_double(int n, int* x, void* ctx);
void KernelBound(int n, int level, const int* x, const int* lo, const int* hi, int* newlo,
                 int* newhi, void* ctx);

// ---------------------------------------------------------------------------------------
// Bounded search loops and the acceptance protocol.
//
// The acceptance callback gets the candidate (the loop variables, then 1) and returns 0 to
// reject, a positive value to accept (counted), -1 to stop counting this candidate, -2 to
// stop without counting it, -3 or less to abort.
using SolutionFunction = int (*)(int* candidate);

// Resets the pass counters, the kernel evaluators, the loop-level record and the failure
// reason; the client calls it before each search.
void InitializeEquationSolver();
// The full search over the box min..max (N entries, the constant's 1..1 included; min and
// max must not be the record's own minima and maxima, which judge the candidates). Returns
// -(3 + s) for s >= 1 accepted candidates, -1 for none, -2 when stopped, 0 for other
// failures. The account is not used.
int DiophLoops(KernelData* KD, EquationData* ED, int* min, int* max, int verbosity, int interval,
               AllocationAccount* account, SolutionFunction solutionfn, int full, int firstonly);
// The lean search: no output, stops after limit candidates (2147483647: no limit, checked
// every 10000 candidates); results as DiophLoops.
int DiophLoopsSingle(KernelData* KD, EquationData* ED, int* min, int* max, int limit,
                     AllocationAccount* account, SolutionFunction solutionfn);
// The loop bodies (LD: the driver's loop record; null resets the pass counter).
int checkCandidate(int n, int* x, void* LD);
int checkCandidateSingle(int n, int* x, void* LD);
// Bounds callback of the search: no range restriction except that a double tag whose
// partner on an outer level is non-zero keeps only its lowest value and 0, when the
// deformed point (both tags one lower) lies in the box (null LD resets the level record).
void DynamicBound(int n, int level, const int* x, const int* lo, const int* hi, int* newlo,
                  int* newhi, void* LD);
// The solutions kept by the last full search (rows of N); valid until the next search.
const VectorSpace* getSolutionPointer();
// The summary after a full search.
void postSearchAnalysis(KernelData* KD, int N, SolutionFunction solutionfn, int verbosity);
// Marks with tag every primary or double-tag kernel vector not yet marked whose positive
// entries all fall on non-zero entries of cand (first n-1 entries); 1 when one was marked.
int checkRelevance(const int* cand, int n, const KernelData* KD, int* relevant, int tag);
// Prints each marked kernel vector with an example solution deformed by it (verbosity >= 1)
// and returns the number of marked vectors.
int printRelevantKernelVectors(KernelData* KD, int N, SolutionFunction solutionfn, int verbosity);
// 1 when every positive entry of v (first n-1 entries) falls on a non-zero entry of cand.
int checkRelevanceForKernelVector(const int* cand, int n, const int* v);
// 1 when kernel vector v is beyond the primary and double-tag ones or marked.
int isRelevant(const KernelData* KD, int v);
// Nothing for verbosity 0; else the text, then "; " (verbosity 1) or a newline.
void printProgressHeader(int verbosity, const char* text);

// Restores the module's state right after start-up.
void resetEquations();
