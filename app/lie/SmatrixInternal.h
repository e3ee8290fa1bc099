// Shared by the S-matrix sources (Smatrix.cpp, SmatrixExceptional.cpp); not a contract.
#pragma once

namespace smatrix_internal {

// A modulus that fits the cosine tables, or 0 after an alert naming the routine.
int checkedModulus(long long modulus, const char* routine);

// Removes the exceptional module's coset representatives (part of resetSmatrix).
void resetExceptional();

// The trigonometric determinants of the element routines: det[table[(x_i y_j) mod M]]
// for i, j < n by elimination with partial pivoting, nothing rounded to zero on the way,
// so a small determinant keeps the relative precision its matrix allows. `table` is a
// getCos table of modulus M (cosine half; the sine half is table + M).
//
// Each can also give the rounding error bound of its value (null: not wanted): the sum
// of the moduli of the n! terms of the determinant (at most n! times the product of the
// row maxima, and at most the product of the row sums) times n times kRoundingUlps units
// of 2^-52. A value within its bound is rounding noise of a sum that vanishes; zeroBelow
// turns it into an exact 0, and an element made of several determinants adds their bounds.
double sineDeterminant(const int* x, const int* y, int n, int modulus, const double* table,
                       double* bound = nullptr);
// det cos and det -sin from one pass over the products.
void trigDeterminants(const int* x, const int* y, int n, int modulus, const double* table,
                      double* cosDet, double* sinDet, double* cosBound = nullptr,
                      double* sinBound = nullptr);
// det[exp(-2 pi i x_i y_j / M)]; its bound holds for each part.
void phaseDeterminant(const int* x, const int* y, int n, int modulus, const double* table, double* re,
                      double* im, double* bound = nullptr);

// Units of 2^-52 per term and factor in the rounding bounds: the table entries carry the
// rounding of an angle below 2 pi (a few units), each product and sum one more.
inline constexpr double kRoundingUlps = 4.0;
// The rounding error bound of a sum of terms whose moduli add up to `magnitude`, each a
// product of `factors` rounded numbers.
double roundingBound(double magnitude, int factors);
// value, or exactly 0 when |value| is within bound.
inline double zeroBelow(double value, double bound) {
  return value <= bound && value >= -bound ? 0.0 : value;
}

// ---------------------------------------------------------------------------------------
// Rows of the exceptional sums
// ---------------------------------------------------------------------------------------

// S(a, b_k) of E6, E7 or E8 (rank 6, 7, 8) at the level for k < count, b_k = columns[k],
// by the coset sums of ZoqE6, ZoqE7, ZoqE8 with the coset representatives applied to a
// once for the row; every column, the vacuum included, by the sum. False, with nothing
// written, for another rank or after an alert on the modulus.
bool exceptionalRow(int rank, int level, const int* a, int count, const int* const* columns, double* re,
                    double* im);

}  // namespace smatrix_internal
