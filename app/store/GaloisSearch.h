// The bound analysis of the Galois-commutant search: a modular invariant Z commutes with
// every Galois permutation, so it is sought as Z = sum_i x_i c_i over the basis matrices
// c_i of the Galois and scale rows of a theory, with integer x bounded by the conditions
// Z_00 = 1, Z_ab = 0 where T_a != T_b, and Z_ab >= 0.
//
// A row of N = m + 1 integers holds m coefficients and a constant c_N; as an inequality it
// reads sum_i c_i x_i + c_N >= 0. Equations are kept in a fraction-free integer echelon
// form (GaloisEchelon); inequalities in the store of bounds, each once, normalised by the
// gcd of its entries. The box min_i <= x_i <= max_i (start: -10000..10000) is tightened by
// every inequality in turn. All sums and products are formed in 64 bits with overflow
// checks: an overflow is reported and the step is left out, so no bound is ever the
// result of a wrapped value.
//
// State: the bounds, the box and the store of inequalities of the current analysis, kept
// until the next initBound; resetGaloisSearch forgets them. Handing a solution to the
// invariant store is left to the invariant layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SpectrumData;

// A fraction-free echelon collection: row r has its pivot (the index of its last non-zero
// entry) in pivots[r], and that column is zero in every other row.
struct GaloisEchelon {
  int width = 0;
  int count = 0;
  std::vector<int> pivots;
  std::vector<std::int64_t> rows;  // count rows of width entries
  std::int64_t* row(int r) { return rows.data() + static_cast<std::size_t>(r) * width; }
};

// Adds row (N entries) to the collection: reduced by the earlier rows, then used to clear
// its pivot column in them. 1 when it was independent, 0 when it reduced to zero (nothing
// added), -1 after an alert on overflow, or after the refusal (Alert 100213) of a row that
// would take the rows of the analysis (equations and inequalities together) past the
// allocation limit, which ends the search (nothing changed).
int CollectEqn(GaloisEchelon& pool, int N, const std::int64_t* row);

// Divides the N entries by their gcd (positive) and returns it; 0 for a zero row.
std::int64_t Normalize(int N, std::int64_t* row);

// Starts an analysis of m variables: no inequalities, every bound -10000..10000.
void initBound(int m);
// Normalises row; when it is non-zero and not stored yet, stores it and tightens the box
// by it. 1 when stored. A row that would take the rows of the analysis past the allocation
// limit is refused (Alert 100213) and ends the search.
int Bound(int N, std::int64_t* row);
// Each of the first count rows of the collection as two inequalities (row >= 0, -row >= 0).
void AddBounds(GaloisEchelon& pool, int N, int count);
// Tightens the box by one inequality: for each variable i with c_i != 0, the least value
// R of c_i x_i that the other terms allow gives x_i >= R / c_i (c_i > 0) or x_i <= R / c_i
// (c_i < 0), the quotient truncated toward zero; variables in index order, each seeing the
// bounds already updated.
void BoundAnalysis(int N, const std::int64_t* row);
// BoundAnalysis of every stored inequality, in order.
void ReBound(int N);
// The box of the variables that are not pivots of the dependence collection: 0..L_j - 1,
// L_j the lcm over the rows containing j of p / gcd(p, c_j), p the row's pivot entry.
void RemoveDependences(GaloisEchelon& pool, int N);
// Number of points of the box: 1 for N < 2, 0 for an empty range, 2^31 - 1 when it would
// reach that.
std::int64_t LoopLen(int N);
// Pairwise elimination of variables between stored inequalities of opposite sign, until
// the box has fewer than 1000000 points; past 4000 inequalities the box is shrunk by force.
void generateNewBounds(int N);
// Shrinks the box by force (every minimum below -1 raised by one, every maximum of 2 or
// more lowered by one, repeatedly) until it has at most 999999 points or stops shrinking;
// reports "search truncated", since points outside the shrunk box are not searched.
void reduceLoopLen(int N);
int getBFILL();
const std::vector<std::int64_t>& getMinimum();
const std::vector<std::int64_t>& getMaximum();
// 0 when x satisfies the first count stored inequalities, 1 at the first violated one.
int checkBounds(int m, const int* x, int count);

// Coefficients of the m basis matrices at entry (a, b) into eq[0..m-1], eq[m] = 0; returns
// the number of non-zero coefficients. rows: m rows of n signed entries; kinds: 0 a
// permutation together with its inverse (or a scale map), 1 a permutation equal to its
// inverse, 2 the partner of the scale map in the row before (sigma(a) = sigma(b) terms and
// the number of preimages of a on the diagonal).
int BuildEquation(const int* rows, const int* kinds, std::int64_t* eq, int a, int b, int n, int m);

// The text of a solution x: "\nSolution for galois commutant\n " and the terms
// "[i]", "3*[i]", "-[i]", "-2*[i]" joined by signs, wrapped before a term once a line has
// 61 characters, ended by "\n\n".
std::string galoisSolutionText(const int* x, int m);

// The search up to its solutions: the equations and inequalities of every entry (a, b),
// a <= b, of Z = sum_i x_i c_i with a non-zero coefficient (Z_00 = 1; Z_ab = 0 where
// T_a - T_b is not 0 mod D; Z_ab >= 0 everywhere), the box from the bound analysis, and
// every point of the box that satisfies the inequalities found before the elimination, in
// the order of enumeration (last variable fastest). None after a refusal of the memory the
// equations or inequalities would need. Every loop obeys Ctrl-C.
std::vector<std::vector<int>> searchGaloisCommutant(const int* rows, const int* kinds, const int* T,
                                                    int D, int n, int m);
// Z (n x n, row-major) of a solution; false when an entry is negative.
bool galoisSolutionMatrix(const int* x, const int* rows, const int* kinds, int n, int m,
                          std::vector<int>& Z);

// The invariant layer's acceptance of a solution matrix Z (n x n, row-major): 1 accepted,
// 0 refused. Until one is installed, solutions are printed and nothing is accepted.
using GaloisInvariantAcceptor = int (*)(const int* Z, int n);
void setGaloisInvariantAcceptor(GaloisInvariantAcceptor accept);
// Prints the solution x (a separator, then its text), builds Z, reports rows whose
// multiplicities differ or whose partner lists are shared by more rows than they hold, and
// hands Z over. The acceptor's result; 0 for a solution with a negative entry (dropped
// without a message).
int makeGaloisInvariant(const int* x, const int* rows, const int* kinds, int n, int m);
// The whole search: every solution in the order found goes to makeGaloisInvariant.
// Returns the number accepted.
int ComputeGaloisInvariants(const int* rows, const int* kinds, const int* T, int D, int n, int m);

// The search for a stored theory: its distinct Galois and scale rows as the basis, its
// weight numerators and their denominator as T. The number accepted; -1 after an alert
// (no Galois action, weights not known exactly, or the refusal (100213) of a solution
// matrix of N x N or a basis that would not fit, both sized before any work).
int SM_galoisInvariants(SpectrumData* sd);

// Tests only: the analysis back to its start state.
void resetGaloisSearch();
