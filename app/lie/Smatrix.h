// S-matrix elements of every algebra by the Weyl-group sum, in double precision.
//
// For a simple algebra S(a, b) is, up to a phase and a normalisation, the alternating sum
// over the Weyl group of exp(-2 pi i (w(lambda+rho), mu+rho)/(k+h)). For the classical
// algebras the Weyl group permutes (with signs) integer "orthogonal" coordinates of
// lambda+rho, so the sum is a determinant (or two) of cosines and sines of 2 pi x_i y_j/M
// for an integer modulus M; the exceptional algebras reduce it to short signed sums of
// such determinants over coset representatives of a classical subgroup.
//
// Label vectors: for a simple algebra of rank r, r+1 ints: the Dynkin labels a_1..a_r at
// positions 0..r-1, then the affine label at position r (read only by the level-1
// tables). U(1) fields carry their charge at position 0; N=2 minimal-model fields the
// triple (l, m, s). No routine checks that a label vector is integrable at the level.
//
// Cosine tables are cached per modulus for the run (a table handed out stays valid until
// resetSmatrix); per-algebra constants are kept in the module state and rebuilt only when
// (rank, level) changes.
#pragma once

#include "runtime/Allocation.h"

// The account of the cosine tables ("S-matrix Cosines").
extern AllocationAccount Cos_alloc;

// ---------------------------------------------------------------------------------------
// Cosine tables, orthogonal coordinates and determinant sums
// ---------------------------------------------------------------------------------------

// Table of 2M doubles: entry j = cos(2 pi j/M), entry M+j = -sin(2 pi j/M), j < M.
// The same modulus returns the same table. M < 1: alert and nullptr.
const double* getCos(int modulus);
// The same on a second, independent chain.
const double* getCosL(int modulus);

// Scaled integer orthogonal coordinates of lambda+rho from Dynkin labels a (rho is added
// here). orthA writes r+1 entries ((r+1) times the traceless coordinates); orthB and
// orthD twice the coordinates; orthC the coordinates; see the module source for the
// exceptional bases. Null pointers (and orthD with r < 2) write nothing.
void orthA(int* out, const int* a, int rank);
void orthB(int* out, const int* a, int rank);
void orthC(int* out, const int* a, int rank);
void orthD(int* out, const int* a, int rank);
void orthE6(int* out, const int* a);
void orthE7(int* out, const int* a);
void orthE8(int* out, const int* a);
void orthF(int* out, const int* a);
// Plain B-type conversion of a doubled vector v: out_r = v_r / 2, out_j = v_j + out_{j+1}.
void OrthoB(int rank, const int* v, int* out);

// det[table[(x_i y_j) mod M]] (i row, j column), products in 64 bits. With the cosine
// half of a getCos table: det cos(2 pi x_i y_j/M); with the sine half: det -sin(...).
double ZoqDet(const int* x, const int* y, int n, int modulus, const double* table);
// The same with the finer zero clip of DeterminantL.
double ZoqDetL(const int* x, const int* y, int n, int modulus, const double* table);
// Complex determinant of table[(x_i y_j) mod M] + i table[M + (x_i y_j) mod M], i.e. of
// exp(-2 pi i x_i y_j/M) for a full getCos table.
void ComplexZoqDet(const int* x, const int* y, int n, int modulus, const double* table, double* re,
                   double* im);

// ---------------------------------------------------------------------------------------
// The dispatcher and the per-type routines
// ---------------------------------------------------------------------------------------

// S(a, b) of the algebra (type, rank, level): type 0 U(1) of radius N = rank, 1..4 A..D,
// 5 exceptional by rank (2 G2, 4 F4, 6 E6, 7 E7, 8 E8), 13 B(2t), 26 N=2 minimal-model
// fixed-point theory, 27 N=2 minimal model. Always writes re and im: (0, 0) after an
// alert on input it cannot handle.
void SDirect(int type, int rank, int level, const int* a, const int* b, double* re, double* im);
// S(a, b_k) for k < count, b_k the label vector columns[k]: the values of SDirect (to
// rounding), with what depends on a alone (its orthogonal coordinates, the constants, the
// tables) found once for the row. A1 takes its closed form sqrt(2/(k+2)) sin(pi pq/(k+2)).
void SDirectRow(int type, int rank, int level, const int* a, int count, const int* const* columns,
                double* re, double* im);
// S(0, b) of an affine algebra (types 1 to 5) by the product over the positive roots of
// 2 sin(pi (b+rho, alpha)/(k+h)): real, positive for an integrable b, and exact to the
// last digits however small. False, with nothing written, where the product is not
// available (other types, more than 20,000 positive roots); SDirect then sums over W.
bool SVacuumRow(int type, int rank, int level, const int* b, double* re, double* im);
// 1 makes SDirect write a trace line and run the input check on every call.
void SMatrix_set_S_CALL_TRACE(int flag);

void ZoqA(const int* a, const int* b, double* re, double* im, int rank, int level);
void ZoqB(const int* a, const int* b, double* re, double* im, int rank, int level);
void ZoqB1(const int* a, const int* b, double* re, double* im, int rank);
void ZoqC(const int* a, const int* b, double* re, double* im, int rank, int level);
void ZoqC1(const int* a, const int* b, double* re, double* im, int rank, int level);
void ZoqD(const int* a, const int* b, double* re, double* im, int rank, int level);
void ZoqD1(const int* a, const int* b, double* re, double* im, int rank);
void ZoqG(const int* a, const int* b, double* re, double* im, int level);
void ZoqF(const int* a, const int* b, double* re, double* im, int level);
void ZoqE6(const int* a, const int* b, double* re, double* im, int level);
void ZoqE7(const int* a, const int* b, double* re, double* im, int level);
void ZoqE8(const int* a, const int* b, double* re, double* im, int level);
// B(2t) of rank r: labels a_1..a_{r+1} (a_r unused), mapped to C_r labels.
void ZoqBtilde(const int* a, const int* b, double* re, double* im, int rank, int level);
// N=2 minimal model at level k, labels (l, m, s); the fifth argument is not read.
void SmatMinCFT(const int* a, const int* b, double* re, double* im, int unused, int level);
// Its fixed-point theory: only the labels s at position 2 are read.
void SmatMinFCFT(const int* a, const int* b, double* re, double* im, int unused, int level);

// Coset representatives of the classical subgroup used by the exceptional sums: 27 for
// E6 (over D5), 63 for E7 (over D6 x A1), 135 for E8 (over D8). Each is a Weyl element
// as an integer matrix on Dynkin labels with its sign det(w). Built on first use.
struct CosetRepresentative {
  int sign;
  int matrix[64];  // row-major rank x rank: labels of w(v) = matrix * v
};
int SmatrixCosetCount(int rank);
const CosetRepresentative* SmatrixCosetRepresentatives(int rank);

void resetSmatrix();
