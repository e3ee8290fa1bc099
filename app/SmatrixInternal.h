// Shared by the S-matrix sources (Smatrix.cpp, SmatrixExceptional.cpp); not a contract.
#pragma once

namespace smatrix_internal {

// Gaussian elimination in place on an n x n row-major matrix: per column the first row at
// or below the diagonal with |entry| > 1e-7 is the pivot (none: 0), a row exchange negates
// the sign, updated entries below clip in magnitude become exactly 0. n < 1 gives 1.
// Stand-in for the linear-algebra module's Determinant (clip 1e-10) and DeterminantL
// (clip 1e-13) until that module lands.
double determinant(double* a, int n, double clip);
// The same on a complex matrix held as a real and an imaginary part (pivot test on the
// modulus, each part clipped at 1e-10); n < 1 gives 1 + 0i.
void complexDeterminant(double* re, double* im, int n, double* detRe, double* detIm);

// Removes the exceptional module's coset representatives (part of resetSmatrix).
void resetExceptional();

}  // namespace smatrix_internal
