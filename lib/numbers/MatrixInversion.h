// Gauss-Jordan inversion of square matrices, exact over Rat and in double precision.
// Matrices are n x n, stored row by row in one flat array: entry (r, c) at r n + c.
// The module keeps no state.
#pragma once

#include "numbers/MathUtility.h"

// Writes the inverse of M into Inv and returns Inv. A singular matrix, a vanishing
// denominator or an entry beyond 64 bits is reported and gives nullptr with Inv
// untouched. M is reduced towards the identity as far as the elimination got.
// n < 1 returns Inv untouched.
Rat* RationalMatrixInversion(int n, Rat* M, Rat* Inv);
// A[i] := a A[i] + b B[i] for i < n, exactly; 1, or 0 after an alert (vanishing
// denominator, or a result beyond 64 bits) with A unchanged.
int ReplaceRationalRowByLinearCombination(int n, Rat* A, const Rat* B, const Rat* a, const Rat* b);
void interchangeRationalRows(int n, Rat* M, int i, int j);

// Double-precision inverse into Inv (returned); nullptr after an alert when no pivot
// is found. M is destroyed.
double* MatrixInversion(int n, double* M, double* Inv);
// Pivot row for column c: among rows c .. n-1 with |M[r][c]| > 1e-7 the one with the
// smallest OptimizedValue (first on ties); -1 when none.
int FindOptimalElementInLowerColumn(int n, const double* M, int c);
// |x + 1/x|: smallest (2) for |x| = 1.
double OptimizedValue(double x);
// Row in c+1 .. n-1 with the largest |M[r][c]| (first on ties); -1 when that is within
// 1e-7 of 0.
int FindLargestElementInLowerColumn(int n, const double* M, int c);
void interchangeRows(int n, double* M, int i, int j);
void ReplaceRowByLinearCombination(int n, double* A, const double* B, double a, double b);
void printDoubleMatrix2(int n, const double* M, const char* title);
void printRationalVector(int n, const Rat* v, const char* name);
