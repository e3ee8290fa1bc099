// Galois symmetry of WZW models. The entries of the S matrix of an affine algebra at level k
// lie in a cyclotomic field of conductor M (GaloisModulus); every unit l of Z/M maps each
// primary lambda to the dominant representative of l (lambda + rho) - rho under the affine
// Weyl group at level k + h, with the sign of the Weyl element used. A non-unit l gives a
// scale (dilatation) map, which need not be a permutation.
//
// An orbit row holds one signed entry per primary: entry a = s (1 + b) with b the image of
// a and s = +1 or -1 its sign; 0 means that a has no image (scale rows only). Rows made for
// a stored theory carry the vacuum's sign multiplied into every entry, so entry 0 is
// positive.
//
// The generators of (Z/M)* and the table of the exponents of every unit over them are kept
// for the modulus of the last GaloisOrbits call. The Galois rows of the generators and the
// scale rows of the primes dividing M are built once per stored theory and kept in its
// record ("Galois generators", "Scale generators"); every other row is composed from them.
// Residues and their products are formed in 64 bits. The listings of all orbits are printed
// as they are made, and every loop over the fields or the factors l obeys Ctrl-C.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SpectrumData;

// Conductor of the Galois action on S of (type, rank, level): A (r+1)(k+r+1),
// B (k+2r-1) x (4 for odd r, 2 for even r), C 2(k+r+1), D (k+2r-2) x (4 odd r, 2 even r),
// G2 3(k+4), F4 2(k+9), E6 3(k+12), E7 2(k+18), E8 k+30; U(1) and type 6 give 1; -1 for
// every other type and rank, or when M does not fit an int.
int GaloisModulus(int type, int rank, int level);

// Image of the weight with the rank finite Dynkin labels `labels` under the factor l: both
// out pointers receive rank+1 labels (finite ones, then the affine one) in a buffer that the
// next call overwrites. A label -1 means that l (lambda + rho) lies on a wall. Returns +1
// or -1, the sign of the affine Weyl element used.
int Galois(int type, int rank, int level, const int* labels, const int** out1, const int** out2,
           std::int64_t l);

// Translates v (rank entries, Dynkin labels of a weight) by (k + h) times the coroot
// lattice vector nearest to -v / (k + h), towards the fundamental alcove.
void WeylShift(int type, int rank, int level, std::int64_t* v);

// For a unit l not yet covered: the least j >= 2 with used[l^j mod M] > 0; -1 when some
// earlier power (not 1) is smaller than l; -2 after an alert when no such j is found.
// used has M entries.
int GaloisOrder(int l, int M, const int* used);

// Generators of (Z/M)*, chosen greedily by largest order over the subgroup covered so far
// (the smallest such l on ties); none for M <= 2. ngen receives their number. The list and
// the exponent table stay valid until the next call with another M.
const int* GaloisOrbits(int M, int* ngen);
// Exponent of generator g in the unit u (0 <= u < M) for the M of the last GaloisOrbits
// call; 0 outside the table.
int GaloisExponent(int g, int u);

// Inverse of a signed-permutation row. Returns 1 when the row is its own inverse, -1 when
// the inverse is the negated row, else 2 or -2; for -2 the inverse has been negated so that
// its first entry has the sign of the row's.
int InvertOrbit(int n, const int* row, int* inverse);
// C = B after A: C_i = the image of A's image of i under B, signs multiplied, 0 when either
// step has no image, the whole row scaled by the sign that makes C_0 positive. C may be A.
void multiplyOrbits(int n, const int* A, const int* B, int* C);

// Appends the cycles of a Galois row to text, each once from its smallest member, marked
// ")***" when all members have the same T modulo modT and "  -> -" when the sign around it
// is negative. rejectT / rejectSign = 1 drop the whole orbit (text unchanged) when a cycle
// has a T mismatch / a negative sign.
void printGaloisOrbit(std::string& text, int n, const int* T, int modT, int rejectT, int rejectSign,
                      std::int64_t l, const int* row);
// Appends the chains and cycles of a scale row to text (an X ends a chain without image).
void printScaleOrbit(std::string& text, int n, std::int64_t l, const int* row);
// marks[j] = 1 when j is the image of some field, else 0.
void getStartingPoints(int n, const int* row, int* marks);

// ---------------------------------------------------------------------------------------
// Galois and scale rows of a stored theory (affine Lie algebras, types 1 to 5)

// Number of Galois generators of the record's modulus (also kept in n_galois_gen); builds
// the generator rows once.
int SM_initGalois(SpectrumData* sd);
// Galois row of l computed directly; 1 when some field moves.
int SM_computeGaloisOrbit(SpectrumData* sd, std::int64_t l, int* row);
// Galois row of the unit l (taken mod M), composed from the generator rows.
void SM_getGaloisOrbit(SpectrumData* sd, std::int64_t l, int* row);
// Row of the product of the generators raised to powers[0..ngen-1].
void SM_composeGaloisOrbit(SpectrumData* sd, const int* powers, int* row);
// Number of scale rows (primes p < M dividing M); builds them once.
int SM_initScales(SpectrumData* sd);
// Scale row of l computed directly; 1 when some field has an image.
int SM_computeScaleOrbit(SpectrumData* sd, std::int64_t l, int* row);
// Row of any l in 1..M-1 from the scale and Galois rows; 1 when it is the identity up to
// signs and missing images, else 0; -1 after an alert for a theory without Galois action.
int SM_getAnyOrbit(SpectrumData* sd, std::int64_t l, int* row);
// Receives the text of an orbit listing as it is made, a line (or a whole orbit that a
// filter might have dropped) at a time. The listing holds at most one orbit of text, never
// all of it: the whole listing has of the order of N lines for each of up to M factors.
using OrbitTextSink = std::function<void(const std::string& piece)>;
// Every scale orbit (l = 2 .. M-2 sharing a factor with M), to the sink or appended to text.
// A listing ends at the line where the stop signal (Ctrl-C, or a declined question) is set.
void SM_printAllScaleOrbits(SpectrumData* sd, const OrbitTextSink& sink);
void SM_printAllScaleOrbits(std::string& text, SpectrumData* sd);
// Every Galois orbit (units l of M in increasing order), to the sink or appended to text;
// distinct = 1 prints each distinct row once. tpref and signpref are printGaloisOrbit's
// filters. Ends at the stop signal as SM_printAllScaleOrbits does.
void SM_printFullGalois(SpectrumData* sd, int tpref, int signpref, int distinct,
                        const OrbitTextSink& sink);
void SM_printFullGalois(std::string& text, SpectrumData* sd, int tpref, int signpref, int distinct);

// The basis of the Galois-commutant search: for l = 1..M-1, each new Galois row of a unit
// (kind 1 when it is its own inverse, 0 when its inverse differs, left out when its inverse
// is the negated row), and each new scale row that is not the identity (kind 0) followed by
// its marker copy, first entry -l (kind 2). Rows go to `rows` (n entries each), kinds to
// `kinds`; false after the alert for a theory without Galois action. Ctrl-C is obeyed at
// every l; the rows met are remembered by hash, so it holds the basis and little more.
bool SM_collectGaloisBasis(SpectrumData* sd, std::vector<int>& rows, std::vector<int>& kinds);
// The most rows that basis can have: one for each unit l of 1..M-1, two for every other l.
std::int64_t SM_galoisBasisBound(SpectrumData* sd);

// Tests only: forgets the generator list and exponent table.
void resetGalois();
