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
double sineDeterminant(const int* x, const int* y, int n, int modulus, const double* table);
// det cos and det -sin from one pass over the products.
void trigDeterminants(const int* x, const int* y, int n, int modulus, const double* table,
                      double* cosDet, double* sinDet);
// det[exp(-2 pi i x_i y_j / M)].
void phaseDeterminant(const int* x, const int* y, int n, int modulus, const double* table, double* re,
                      double* im);

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
