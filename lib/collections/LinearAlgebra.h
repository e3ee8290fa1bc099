// Integer and floating linear algebra (part of the VectorUtility module).
//
// Matrices are row-major arrays: an integer matrix with ncols columns has entry (r, c)
// at r * ncols + c. Integer elimination is exact and gcd-reduced; its entries are int,
// but every step is computed in 64 bits and checked: a result that does not fit is
// reported through Alert and the step is refused (kEliminationOverflow and its kin).
// Floating determinants use absolute thresholds: 1e-7 for a pivot, 1e-10 (1e-13 in long
// double) for zeroing. The only state is MatInv's work block "Dummy", kept between calls.
#pragma once

struct VectorSpace;
struct DoubleVectorSpace;

// Divides row r by the gcd of its entries and negates it when any entry is negative;
// 1 when the row is zero (or ncols < 1), else 0.
int NormalizeRow(int* M, int ncols, int r);
// Eliminates column k of row r with row s, then NormalizeRow(r); 1 when row r became
// zero, 0 otherwise, kEliminationOverflow (row unchanged) when an entry leaves 32 bits.
int SimplifyRow(int* M, int ncols, int r, int s, int k);
void swapRows(int* M, int ncols, int i, int j);
// Gauss-Jordan on the left nrows x nrows block: 0 done (the block diagonal, non-zero),
// 1 singular, -1 too few columns, 2 an entry would leave 32 bits.
int LinearSweep(int* M, int nrows, int ncols);
// Adds row n to a reduced set of n integer rows (pivot = first non-zero column):
// 1 added (n grows), 0 dependent, kEliminationOverflow (nothing changed).
int CollectEquations(int* M, int* pivots, int* n, int ncols);
// The common denominator L with inverse(A) = Inv / L; 0 for a singular A (or when the
// inverse does not fit 32 bits); 1 for n < 1.
int MatInv(const int* A, int* Inv, int n);
// Adds one row of n doubles to a reduced set of *nrows stored rows in M (n doubles
// each), or drops it when it depends on them. pivots holds n pivot columns followed by
// the column map (the stored row of each column, -1 when none). The pivot column is not
// `exclude`; with weights (n ints) the usable column of largest positive weight,
// otherwise the one of largest |entry|. row is reduced in place.
void DoubleSweep(double* row, double* M, int n, int* nrows, int* pivots, int exclude,
                 const int* weights);
double Determinant(double* M, int n);                 // M is destroyed
long double DeterminantL(long double* M, int n);      // M is destroyed
// The determinant of the complex matrix re + i im (both destroyed) into dre, dim.
void ComplexDeterminant(double* re, double* im, int n, double* dre, double* dim);
void printMatrix(const int* M, int n);
void printDoubleMatrix(const double* M, int n);
// v := (u.u) v - (u.v) u when u.v != 0: 1 done, 0 nothing to do, -1 when an entry would
// leave 32 / 64 bits (v unchanged, alerted).
int makeOrthogonal(int n, const int* u, int* v);
int makeOrthogonalLong(int n, const long long* u, long long* v);
// v := (u.u) v - (u.v) u unless |u.v| < 1e-8; returns -(u.v), or |u.v| when nothing was done.
double makeOrthogonalDouble(int n, const double* u, double* v);
// 1 when the sum of squares is at least 1e-10, else 0; x is not changed.
int NormalizeDoubleVector(int n, const double* x);
// Makes v orthogonal to every row of space (their first n ints), normalising it after
// each step: 1 when v stays non-zero, 0 when it vanishes, -1 on integer overflow.
int makeOrthogonalToVectorSpace(int n, const VectorSpace* space, int* v);
int makeOrthogonalToVectorSpaceLong(int n, const VectorSpace* space, long long* v);
int makeOrthogonalToVectorSpaceDouble(int n, const DoubleVectorSpace* space, double* x);
