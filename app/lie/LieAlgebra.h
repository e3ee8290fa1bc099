// The Lie-algebra core: algebra type codes and their names, the input check, the finite
// Lie data of a (type, rank) pair, and the primary spectrum of a WZW model with its
// simple-current orbits, charges, conjugates and fixed points.
//
// Finite Lie data live in module-wide buffers (Cartan matrix, comarks, root norms, the
// integer metric and its inverse, the positive roots). Each builder (`Cartan`,
// `InverseCartan`, `PositiveRoots`) rebuilds its buffers only when its (type, rank) key
// changes, and every consumer calls the builder before it reads them; the views handed
// out by `Zoq_lieData` stay valid until the next builder call with another key.
//
// Conventions. A weight is given by its finite Dynkin labels λ_1..λ_r at positions
// 0..r-1; an extended label vector adds the affine label λ_0 at position r. Root norms
// are in units where a long root has 6 (short roots 3, the short root of G2 2, some
// twisted nodes 12). A root Σ m_i α_i is stored as the vector (m_i rootnorm_i). The
// integer metric GM is the Gram matrix of the simple coroots; GM^-1 = ICM / MetricNorm
// gives (ω_i, ω_j) for the fundamental weights with long roots of squared length 2.
//
// The exceptional algebras use this node numbering (Bourbaki numbers in brackets):
//   G2 (2, 1)   F4 (1, 2, 3, 4)   E6 (1, 3, 4, 5, 6, 2)   E7 (1, 3, 4, 5, 6, 7, 2)
//   E8 (8, 7, 6, 5, 4, 3, 1, 2)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"

using AlgebraType = std::int32_t;

// Algebra type codes. A negative code denotes the complement of the algebra of code + 100,
// a code of 1001 or more a permutation orbifold of the algebra of code mod 1000.
inline constexpr AlgebraType kTypeU1 = 0;             // rank field = radius N
inline constexpr AlgebraType kTypeA = 1;
inline constexpr AlgebraType kTypeB = 2;
inline constexpr AlgebraType kTypeC = 3;
inline constexpr AlgebraType kTypeD = 4;
inline constexpr AlgebraType kTypeExceptional = 5;    // rank 2 G2, 4 F4, 6..8 E6..E8
inline constexpr AlgebraType kTypeOrbifold = 7;       // c=1 orbifold, rank field = N
inline constexpr AlgebraType kTypeTwistedA2 = 11;     // A(2), rank 1 only
inline constexpr AlgebraType kTypeTwistedB2 = 12;     // B(2)
inline constexpr AlgebraType kTypeTwistedB2t = 13;    // B(2t)
inline constexpr AlgebraType kTypeTwistedC2 = 14;     // C(2)
inline constexpr AlgebraType kTypeTwistedF2 = 15;     // F(2), rank 4 only
inline constexpr AlgebraType kTypeTwistedG3 = 16;     // G(3), rank 2 only
inline constexpr AlgebraType kTypeRecentred = 17;
inline constexpr AlgebraType kTypeMinimalN2 = 27;     // N=2 minimal model

// Largest rank for which finite Lie data are built; larger requests are refused with an
// alert (the inverse metric alone would need (rank+1)^2 ints).
inline constexpr int kZoqMaxLieRank = 1000;

// ---------------------------------------------------------------------------------------
// Names, checks and small look-ups

// Display name ("A2 level 1", "U(1) radius 4", "E8 level 2 (Compl.)", ...); empty for a
// type without a name (after the input check's alert for a type outside the table).
std::string algebraname(AlgebraType type, int rank, int level);
// Short type word ("A", "G", "B(2t)", "P_B", "A(C)", ...); empty for codes without one.
std::string algebraTypeString(AlgebraType type, int rank);

// The input check: true when (type, rank, level) names an algebra the program knows. Each
// failure is reported through the "Invalid input" alert naming `routine`; with wantS = 1
// a twisted type other than B(2t) is also refused because its S matrix is not built in.
bool typecheck(AlgebraType type, int rank, int level, int wantS, const char* routine);
// The two reporting wrappers of the input check.
void InputError(AlgebraType type, int rank, int level, const char* routine);
void SNotAvailable(AlgebraType type, int rank, int level, const char* routine);

// Underlying finite type of a code (the twisted types map to A, B, B, C, F4, G2); -1 with
// the input check's alert for codes that have none.
int LieType(AlgebraType type);
int dualCoxeter(AlgebraType type, int rank);
// Order of the centre (the simple-current group).
int Center(AlgebraType type, int rank);
// Number of cyclic factors of the centre.
int CenterMultiplicity(AlgebraType type, int rank);
// Orders of the cyclic factors of the centre ((2, 2) for D of even rank).
std::vector<int> getCenterOrders(AlgebraType type, int rank);
// 1 when the algebra has complex representations.
int Complexity(AlgebraType type, int rank);
int AdjointDimension(AlgebraType type, int rank);
// Common denominator of the conformal weights at this level, for dual Coxeter number h:
// 2N for U(1), else 2 (h + level) MetricNorm. 0 after an alert when it does not fit an int.
int Weight_denom(AlgebraType type, int rank, int level, int h);
int WeightLatticeOrder(AlgebraType type, int rank);
// Order of the Weyl group; -1 for codes without one or when it exceeds 64 bits (alert).
std::int64_t WeylGroupOrder(AlgebraType type, int rank);
int SmallRootDenominator(AlgebraType type, int rank);
// Degrees of the basic invariants (rank entries); empty after an alert for other codes.
std::vector<int> indexOrders(AlgebraType type, int rank);

// ---------------------------------------------------------------------------------------
// Finite Lie data

// The module-wide buffers. Row-major matrices: CM has row length rank+1, GM and ICM row
// length rank. Each block carries the key it was built for (-1 before the first build).
struct LieData {
  explicit LieData(AllocationAccount* account);

  int cartanType = -1, cartanRank = -1;
  AccountVector<int> CM, rootnorm, theta, GM;
  int inverseType = -1, inverseRank = -1;
  AccountVector<int> ICM;
  int MetricNorm = 0;
  int rootType = -1, rootRank = -1;
  AccountVector<int> RootSystem;  // Npos rows of rootRank ints
  int Npos = 0;
};
const LieData& Zoq_lieData();

// Fills CM, rootnorm, theta and GM for (type, rank).
void Cartan(AlgebraType type, int rank);
// Fills GM from CM and rootnorm: GM[j][i] = (6 / rootnorm[j]) CM[j][i], integer division.
void computeGM(int rank);
// Fills theta, the comarks, with the affine node's comark at position rank.
void Theta(AlgebraType type, int rank);
// Builds ICM and MetricNorm for the underlying finite type of `type`; returns MetricNorm
// (0 after an alert when the metric cannot be inverted).
int InverseCartan(AlgebraType type, int rank);
// Builds the positive roots of the underlying finite type; returns their number Npos.
int PositiveRoots(AlgebraType type, int rank);
// 1 when v (rank ints, stored-root units) cannot be a root, 0 when it may be one; reads the
// current GM, so `Cartan` must have been called for the same finite type.
int rootTest(const int* v, AlgebraType type, int rank);

// Prints the Cartan matrix, for B, C and the exceptional algebras up to rank 5 also the
// symmetrised one, and the inverse metric.
void printCartanMatrix(AlgebraType type, int rank);
// Appends the inverse metric as text to `out`.
void printInverseCartan(AlgebraType type, int rank, std::string& out);

// out = GM v and out = ICM v (rank ints each); the latter returns MetricNorm.
void CartanMultiply(AlgebraType type, int rank, const int* v, int* out);
int InverseCartanMultiply(AlgebraType type, int rank, const int* v, int* out);

// ---------------------------------------------------------------------------------------
// Values of weights (λ, μ: finite Dynkin labels, rank entries)

// (λ, μ) with long roots of squared length 2.
double IntDotProd(AlgebraType type, int rank, const int* lambda, const int* mu);
double DynkinDotProd(AlgebraType type, int rank, const int* lambda, const int* mu);
double DoubleDotProd(AlgebraType type, int rank, const double* lambda, const double* mu);
// (λ+ρ, μ+ρ).
double DynkinPlusRhoDotProd(AlgebraType type, int rank, const int* lambda, const int* mu);
double DoubleDynkinPlusRhoDotProd(AlgebraType type, int rank, const double* lambda,
                                  const double* mu);
double RhoDotProd(AlgebraType type, int rank);
// Σ λ_i ICM[i][j] λ_j (0 for U(1)).
std::int64_t DynkinNorm(const int* lambda, AlgebraType type, int rank);
// v·GM·v and u·GM·v with the current GM.
std::int64_t norm(const int* v, int rank);
std::int64_t DualDotProd(AlgebraType type, int rank, const int* u, const int* v);

// Casimir value (λ, λ+2ρ)/2, exact and reduced; 0 for U(1).
Rat RCasimir(const int* lambda, AlgebraType type, int rank);
double Casimir(const int* lambda, AlgebraType type, int rank);
// Conformal weight RCasimir / (h + level), reduced; for U(1) of radius N = rank with
// charge l = λ_1: m²/(2N), m = l or N - l when l > N/2.
Rat RatWt(const int* lambda, AlgebraType type, int rank, int level);

// Weyl dimension as a double (U(1): 2 for the charge N/2, else 1; rank 0: 1).
double Dim(const int* lambda, AlgebraType type, int rank);
// Weyl dimension, exact.
fint IntegerDim(const int* lambda, AlgebraType type, int rank);
// Weyl dimension as a large-integer handle: the value itself below 10^9, else the handle
// of the stored large integer.
int Dimension(const int* lambda, AlgebraType type, int rank);
// Quantum dimension at this level (1 for U(1), 0 for types above 5).
double QDim(const int* lambda, AlgebraType type, int rank, int level);
// rank + 2 x the number of positive roots α with (λ·GM·α)/6/order even.
int computePosRootProducts(AlgebraType type, int rank, const int* lambda, int order);
// B(2t) labels to C labels: out[j] = in[rank-2-j] for j < rank-1, out[rank-1] = in[rank].
void BtildeToC(int* out, const int* in, int rank);

// ---------------------------------------------------------------------------------------
// WZW primary spectrum

// Everything `spectrum_` computes for one algebra. The three blocks are charged to the
// account given at construction; a caller keeps them by moving them into containers of
// the same account (a move between different accounts copies).
//
// Orbit data: n x (2g + 5) ints, rows in this order: orbit number, orbit base, orbit
// position (n each), stabilisers (n x g), charges (n x g), weight numerators (n), and one
// row of exactness flags (n, all 1). For D of even rank the stabiliser pair is (0, 0) when
// nothing fixes the field, (c, 0) when only current c does, (1, 2) when all do.
struct SpectrumResult {
  explicit SpectrumResult(AllocationAccount* account = &WorkSpaceSize);

  int status = 0;            // 0, or 1 when the spectrum was refused (no fields then)
  int n = 0;                 // primaries
  int orbits = 0;            // simple-current orbits
  int adjointDimension = 0;
  int labelLength = 0;       // rank + 1 (1 for U(1) and the built-in cases)
  int dualCoxeter = 0;
  int center = 0;            // order of the centre
  int generators = 0;        // g, the number of cyclic factors of the current group
  int denominator = 1;       // D, common denominator of the weights
  int complex = 0;
  double c = 0.0;            // central charge
  AccountVector<int> labels;        // "Dynkin labels", n x labelLength
  AccountVector<int> centerOrders;  // "Center orders", g entries
  AccountVector<int> orbitData;     // "Orbit data", layout above

  const int* orbitNumber() const { return orbitData.data(); }
  const int* orbitBase() const { return orbitData.data() + n; }
  const int* orbitPosition() const { return orbitData.data() + 2 * static_cast<std::size_t>(n); }
  const int* stabilizers() const { return orbitPosition() + n; }
  const int* charges() const { return stabilizers() + static_cast<std::size_t>(n) * generators; }
  const int* weightNumerators() const { return charges() + static_cast<std::size_t>(n) * generators; }
  const int* exactFlags() const { return weightNumerators() + n; }
  const int* label(int field) const { return labels.data() + static_cast<std::size_t>(field) * labelLength; }
};

// Computes the primaries of (type, rank, level) ordered by simple-current orbits, with its
// blocks charged to `account`. Status 1 after an alert (invalid input, a spectrum too
// large to hold, a failed orbit numbering); the result then holds no fields.
SpectrumResult spectrum_(AlgebraType type, int rank, int level, AllocationAccount* account);

// Charge conjugate of an extended label vector (rank + 1 entries; 1 for U(1)).
void conjg_(AlgebraType type, int rank, const int* labels, int* out);
// Field number of an extended label vector in the spectrum built last; -1 when that was
// another algebra or the vector is not a primary of it.
int findRep(const int* labels, int length, int n, AlgebraType type, int rank, int level);

// The basic currents with fixed points at this level, in increasing order, charged to
// `account` as "Fixed currents"; empty for types outside 1..5 and trivial centres.
AccountVector<int> FixedCurrents(AlgebraType type, int rank, int level, AllocationAccount* account);
// Basic representative of the class of current J.
int ConvertToBasic(int J, AlgebraType type, int rank);
// 1 when the basic current J has fixed points at this level.
int FixedPointCheck(AlgebraType type, int rank, int level, int J);

// The fixed-point (orbit Lie algebra) theory of current J and its shift.
struct FixedPointTheory {
  AlgebraType type = 0;
  int rank = 0;
  int level = 0;
  int shift = 0;
};
// 0 with the theory in `out`; -1 after an alert when J has no fixed points at this level.
int FCFT(AlgebraType type, int rank, int level, int J, FixedPointTheory& out);
// Folds the extended labels of a field fixed by J onto the fixed-point theory. Returns 0,
// -1 when the field is not fixed, -3 when the level has the wrong parity for the current.
int fold(const int* in, int* out, AlgebraType type, int rank, int level, int J);
// Label of current J for headers: "0", "s", "v", "c" for D, else the number.
std::string currentLabel(AlgebraType type, int J);

// ---------------------------------------------------------------------------------------
// Rank limits of the type codes of the command "algebra" (valid: 0 to 7, 11 to 16, 26)

// Rank limits of an algebra type code; an invalid type raises "Invalid type %d" and gives 1.
// The largest rank of the types 0 to 4 and 12 to 14 is the setting "Maxrank".
int minRank(int type);
int maxRank(int type);
// 5 for the types 6 and 7, else the type.
int standardType(int type);
// For type 5: rank 4 gives 6, rank 2 gives 7, other ranks 5; other types unchanged.
int algebraType(int type, int rank);

// ---------------------------------------------------------------------------------------
// Module life cycle

// Start-up: binds the module to the internal parameter "Maxrank" (made before by the
// application parameters).
void initializeZoq();
// Restores the state right after start-up (drops every buffer and key).
void resetZoq();
