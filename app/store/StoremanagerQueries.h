// The CFT store beyond its core: current arithmetic, fixed points, twists and eta
// phases; conjugates and orbit pointers; record queries with the cells of the
// "Spectrum" and "Algebras" tables; the special theories (c=1 orbifold, N=2 minimal
// model, complement, Ising model, grading); fixed-point theories; the built-in
// exceptional modular invariants.
//
// Every routine takes a record of the store (Storemanager.h) and reads or fills its
// fields; a record is never moved, so pointers into it stay valid for the run. Field and
// current indices are checked: an index outside the record gives an alert and -1 (or 0/1
// for a phase). Results that the program once returned in static storage (stabiliser
// lists, eta phases, names) are returned by value here.
#pragma once

#include <string>
#include <vector>

#include "numbers/MathUtility.h"
#include "store/Storemanager.h"

struct HeteroticData;

// ---------------------------------------------------------------------------------------
// Current arithmetic (a current is an element index J of the record's group; element
// indices are mixed-radix numbers of the exponent vector, first factor least significant)

// Element index of J1 x J2 / of J^n (n >= 0; negative n counts backwards); 0 for a group
// without factors; -1 after an alert for an index outside the group.
int SM_SimpleCurrentFusion(const SpectrumData* sd, int J1, int J2);
int SM_SimpleCurrentPower(const SpectrumData* sd, int J, int n);
// Order of J: lcm of n_i / gcd(n_i, e_i); 1 for a group without factors.
int SM_getCurrentOrder(const SpectrumData* sd, int J);
// The same for the currents of an N=2 minimal model (type 27) at level k: k odd the
// cyclic group of order 4(k+2), k even J = x + 2(k+2) e with x in Z_2(k+2), e in Z_2.
int SM_MinimalSimpleCurrentFusion(const SpectrumData* sd, int J1, int J2);
int SM_MinimalSimpleCurrentPower(const SpectrumData* sd, int J, int n);
// SM_MinimalSimpleAction (declared with the core) answers J x a from the orbit
// numbering, or -1 for a fixed field of even level, where the general route applies.

// That orbit-numbering route read flat, for loops that act on many fields: J x a =
// orbit base of a + (J x orbit position of a) in the current arithmetic above. Made from
// a record once (it keeps pointers into the record, which never moves); `apply` gives the
// field, or -1 where SM_MinimalSimpleAction says -1 (a fixed field of even level, a
// position outside the group, a result outside the record). It checks nothing else:
// callers pass 0 <= J < 4(k+2) and a field a.
struct MinimalActionKernel {
  const int* labels = nullptr;
  const int* orbitBase = nullptr;
  const int* orbitPosition = nullptr;
  int labelWidth = 0;
  int fields = 0;
  int level = 0;
  int modulus = 0;  // 2(k+2)
  bool usable() const { return labels != nullptr && orbitBase != nullptr && orbitPosition != nullptr; }
  // A field of even level whose first label is k/2: the general route acts on it.
  bool onFixedOrbit(int a) const {
    return level % 2 == 0 && 2 * labels[static_cast<std::size_t>(a) * labelWidth] == level;
  }
  // The product of two currents of the group (both in range).
  int product(int J1, int J2) const {
    if (level % 2 != 0) return (J1 + J2) % (2 * modulus);
    return (J1 % modulus + J2 % modulus) % modulus + modulus * ((J1 / modulus + J2 / modulus) % 2);
  }
  int apply(int J, int a) const {
    if (onFixedOrbit(a)) return -1;
    const int position = orbitPosition[a];
    if (position < 0 || position >= 2 * modulus) return -1;
    const int field = orbitBase[a] + product(J, position);
    return field >= 0 && field < fields ? field : -1;
  }
};
// The kernel of an N=2 minimal model (type 27); not usable for any other record.
MinimalActionKernel SM_minimalActionKernel(const SpectrumData* sd);

// Size of the stabiliser subgroup of field a; `list` receives its elements, 0 first.
// -1 after "Stabilizer inconsistency" (or for a field outside the record).
int SM_MakeStabilizer(SpectrumData* sd, int a, std::vector<int>& list);
// Smallest element index of the coset J Stab(a).
int SM_ReduceModuloStabilizer(SpectrumData* sd, int a, int J);
int SM_currentCheck(const SpectrumData* sd, int J);
int SM_fieldCheck(const SpectrumData* sd, int a);
// 1 when order(J) times the weight of field J is an integer.
int SM_effectiveCenterCheck(const SpectrumData* sd, int J);
// The monodromy charge Q_J(a) as the integer N Q_J(a) in [0, N).
int SM_getIntegerRatCharge(SpectrumData* sd, int J, int a, int N);
// Builds the tables of J x a and N Q_J(a) for all currents and fields (refused, with
// the tables dropped, when they would take 1,050,000,001 bytes or more). While they are
// built SM_SimpleAction answers from them.
void makeFusionTable(SpectrumData* sd, int N);
// getResultFromFusionTable is declared with the core; this is its charge twin.
int getResultFromChargeTable(const SpectrumData* sd, int J, int a);

// Fixed points, twists and eta phases. lbl is the FCFT number of a current
// (SM_getFCFTlbl): 0 for the identity, -1 for a current without fixed points.
// The parent field of FCFT field b of current number lbl (b itself for lbl 0); -1 after
// an alert.
int SM_getFixedPoint(SpectrumData* sd, int lbl, int b);
// 1 when a is a fixed point of current J.
int SM_checkFP(SpectrumData* sd, int J, int a);
// S^J(a, b) of the FCFT record times exp(-i pi shift / 4).
void SM_getFixedPointResolutionMatrix(SpectrumData* fcft, int a, int b, double* re, double* im, int shift);
// Twist of the fixed points of current number lbl under current K (affine Lie algebras):
// h(K) - h^J(K f) + h^J(0), f the parent field of FCFT field 0.
double SM_getTwist(SpectrumData* sd, int K, int lbl);
// Twist of fixed point a of J under K from S^J, in quarter units 0..3; -1 after an alert.
int SM_getGenericTwist(SpectrumData* sd, int a, int K, int J);
// 0 when every b of the S^J row gives the same twist; -2 when two disagree; -1 on error.
int SM_checkGenericTwist(SpectrumData* sd, int a, int K, int J);
// Twist 0..3 of fixed point a of J under K; 0 when J has no fixed points.
int SM_getCurrentTwist(SpectrumData* sd, int a, int K, int J);
// Eta phase of the fixed-point current (number lbl / current J) as a fraction in [0, 1).
Rat SM_getGenericEta(SpectrumData* sd, int a, int lbl);
Rat SM_getEta(SpectrumData* sd, int a, int J);
// J for lbl 0, else the FCFT index of J x (the parent field of FCFT field 0).
int SM_getInducedCurrent(SpectrumData* sd, int J, int lbl);

// ---------------------------------------------------------------------------------------
// Conjugates and orbit pointers

// Conjugate of field a (the table is built on first use); -1 when it cannot be had.
int SM_getConjugate(SpectrumData* sd, int a);
// 1 for a true CFT; else the "not available" line and 0.
int SM_ConjugatesAvailable(const SpectrumData* sd);
// SM_computeConjugate, SM_computeAllGenericConjugates and
// SM_computeAllGenericConjugatesUsingOrbits are declared with the core.
// Conjugate from the S matrix (the field whose row is the complex conjugate row of a).
int SM_getGenericConjugate(SpectrumData* sd, int a);
// Conjugate in a fixed-point theory: the first c of a's weight with (S^2)(a, c) != 0.
int SM_getFCFTConjugate(SpectrumData* sd, int a);
// 1 when a and b have the same weight (exactly when both are exact, else modulo 1).
int SM_WeightCompare(const SpectrumData* sd, int a, int b);
void SM_makeOrbitPointers(SpectrumData* sd);
// The field K x base of the orbit whose first field is base; 0 when there is none.
int SM_findOrbitMember(SpectrumData* sd, int base, int K);
// 1 when the fields of orbit i are fixed by some current.
int SM_isFixed(SpectrumData* sd, int i);
// First field (from `start` on) whose whole label vector equals `labels`; -1 if none.
int SM_getLabelNoMessage(const SpectrumData* sd, const int* labels);
int SM_getLabelInOrbit(const SpectrumData* sd, const int* labels, int start);

// ---------------------------------------------------------------------------------------
// Record queries

int SM_getNumberofPrimaries(const SpectrumData* sd);
double SM_getCentralCharge(const SpectrumData* sd);
double SM_realWeight(const SpectrumData* sd, int a);
// h(a) - c/24.
double SM_getLogT(const SpectrumData* sd, int a);
std::string SM_getHorizontalAlgebraName(const SpectrumData* sd);
// Name of the character of field a (for the character files).
std::string SM_getCharacterName(const SpectrumData* sd, int a);
// "char%d" with the 1-based position of the first non-zero label of the first n, or
// "char0".
std::string SM_basicCharacterName(const void* ignored, int n, const int* labels);
int SM_NonAbelian(const SpectrumData* sd, int a);
// The table "Algebras" of every stored theory on standard output.
void SM_printAlgebras();
// The same table as text.
std::string SM_displayAlgebras();
// Appends the names of the covariant-lattice classes in `content` to text. A call with
// another (lattice type, rank, flag) than the last one, or without text, only prepares
// the names and writes nothing.
void printCovLatRep(std::string* text, int latticeType, int rank, int flag, const int* content);
// printCovLatRep with the lattice of a heterotic data block (type, rank and chirality
// flag of its covariant-lattice table).
void printHeteroticRepresentation(std::string* text, const HeteroticData* block, const int* content);
int SM_getCenter(const SpectrumData* sd);
int SM_getRepSize(const SpectrumData* sd);
void SM_getParameters(const SpectrumData* sd, int* adjointDim, int* dualCoxeter, int* primaries, int* orbits,
                      double* c);
int SM_basicCheck(const SpectrumData* sd, int a);
const int* SM_getContent(const SpectrumData* sd, int a);
int SM_getDynkinWidth(const SpectrumData* sd);
int SM_initOrbitData(const SpectrumData* sd);
// ((lambda + rho)^2 / (k + g) - rho^2 / g) / 2 of field a of an affine Lie algebra.
double SM_getModularAnomaly(const SpectrumData* sd, int a);
void printAlgebraHeader(const SpectrumData* sd);
void SM_getAlgebraSizeHeader(std::string& text);
int SM_isTrivial(const SpectrumData* sd, int a);

// Row filter of "Spectrum": 0 hides field a.
int SM_checkSkipCondition(const SpectrumData* sd, int a);
// Binds the row selection of the command set: the selected weight num/den (set while den
// is positive; both -1: none) and the massless-only switch, read live. NULL pointers: no
// selection.
void SM_setSpectrumSelection(const int* weightNum, const int* weightDen, const int* masslessOnly);

// Cells of "Spectrum" (item: the record, NULL for the current theory; row: the field)
// and of "Algebras" (item: the record), in the table printer's getter form.
bool SM_getLabelString(std::string& cell, const void* item, int a);
bool SM_getDynkinString(std::string& cell, const void* item, int a);
bool SM_getCosetLabelString(std::string& cell, const void* item, int a);
bool SM_getWeightString(std::string& cell, const void* item, int a);
bool SM_getRatWeightString(std::string& cell, const void* item, int a);
bool SM_getDimString(std::string& cell, const void* item, int a);
bool SM_getConjString(std::string& cell, const void* item, int a);
bool SM_getInfoString(std::string& cell, const void* item, int a);
bool SM_getChargesString(std::string& cell, const void* item, int a);
bool SM_getMinimalModelChargesString(std::string& cell, const void* item, int a);
bool SM_getNSRString(std::string& cell, const void* item, int a);
bool SM_getMultipletString(std::string& cell, const void* item, int a);
bool SM_getOrbitStartString(std::string& cell, const void* item, int a);
bool SM_getOrbitPositionString(std::string& cell, const void* item, int a);
bool SM_getOrbitLabelString(std::string& cell, const void* item, int a);
bool SM_getStabilizerString(std::string& cell, const void* item, int a);
bool SM_getQdimString(std::string& cell, const void* item, int a);
bool SM_getCasimirString(std::string& cell, const void* item, int a);
bool SM_getLogTString(std::string& cell, const void* item, int a);
int SM_initCosetLabels(const void* item);
int SM_initDimensionsColumn(const void* item);
int SM_initConjugatesColumn(const void* item);
int SM_initContents(const void* item);
int SM_initMinimalModelCharges(const void* item);
int SM_initNSR(const void* item);
int SM_initQdim(const void* item);
int SM_initCasimir(const void* item);
bool SM_getAlgebraNameString(std::string& cell, const void* item, int row);
bool SM_getAlgebraSizeString(std::string& cell, const void* item, int row);
bool SM_getAlgebraPrimString(std::string& cell, const void* item, int row);
bool SM_getAlgebraS_AvailabilityString(std::string& cell, const void* item, int row);
bool SM_getAlgebraS_FCFTString(std::string& cell, const void* item, int row);
// Start-up: installs the cells, initialisers and row routines of "Spectrum" and
// "Algebras" in the table printer (after the layouts are defined).
void initializeStoremanagerTables();

// ---------------------------------------------------------------------------------------
// Special theories

// SM_orbifold_spectrum, SM_minimal_spectrum, SM_computeIsingS and ComputeOrbifoldS are
// declared with the core.
// Weight numerator of an orbifold label (t, x) over 16N; -1 for (0, x), x outside 0..3.
int SM_OrbifoldWeight(const int* label, int N);
int SM_OrbifoldConjugate(const SpectrumData* sd, int a);
// Standard form of an N=2 minimal label in place: m in (-(k+2), k+2], s in {-1,0,1,2}.
void SM_mapMinimal2(int k, int* l, int* m, int* s);
// Label (and charges) of J x a for a current label J = (l_J, m_J, s_J), l_J in {0, k}.
void SM_minimal_simple_fusion(int* out, const int* J, const int* a, int* qout, const int* qa, const int* qJ,
                              int k);
SpectrumData* SM_create_minimal_FCFT(SpectrumData* sd, int nfix);

// Per-field data that a record may hold in a table or compute (an N=2 minimal model,
// see SpectrumData::minimal_on_demand); a is a field of the record.
// Orbit number of field a; -1 when the record has no orbit data.
int SM_getOrbitNumber(const SpectrumData* sd, int a);
bool SM_hasOrbitNumbers(const SpectrumData* sd);
// The charge row of field a (one entry per generator of the group, in units of
// 1/(order of the generator)): a view of the record's table, or `scratch` (room for the
// generators) filled; NULL when the record has no charges.
const int* SM_getChargeRow(const SpectrumData* sd, int a, int* scratch);
bool SM_hasCharges(const SpectrumData* sd);
// Field of current 1 x a of an N=2 minimal model; -1 when the record has no gravitino action.
int SM_getGravitinoImage(SpectrumData* sd, int a);
bool SM_hasGravitinoAction(const SpectrumData* sd);
// The U(1) charge of field a of an N=2 minimal model over 8(k+2) (see
// SM_computeMinimalModelCharges); 0 when the record has none.
int SM_getMinimalCharge(const SpectrumData* sd, int a);
bool SM_hasMinimalCharges(const SpectrumData* sd);
void SM_computeMinimalModelCharges(SpectrumData* sd);
int SM_MinimalConjugate(SpectrumData* sd, int a);
// l of field a of the level-k N=2 minimal model, with m and s.
int getAffineRep(const SpectrumData* sd, int a, int* m, int* s);
// The complement of sd (found again only when its base is sd itself, or made); NULL
// name: "<name>_compl".
SpectrumData* SM_getComplement(SpectrumData* sd, const char* name);
// -1 on success (or when already graded), 1 on refusal.
int SM_grade(SpectrumData* sd, int J);

// ---------------------------------------------------------------------------------------
// Fixed-point theories

// Builds the FCFT data once; the number of fixed-point currents, -1 on failure.
int SM_initFCFTData(SpectrumData* sd);
const int* SM_getFCFTlabels(SpectrumData* sd);
// A generic FCFT of the parent (type 9 or 17: type 10; 18: type 19) holding the parent
// fields whose entry in `row` is not -1; NULL (and no record) for another parent.
SpectrumData* SM_createFCFT(const char* name, SpectrumData* parent, const int* row, int count);
int SM_getFCFTlbl(SpectrumData* sd, int J);
SpectrumData* SM_getFCFT(SpectrumData* sd, int J);
// Shift of J's FCFT; 0 for the identity; 2^31 - 1 after an alert without fixed points.
int SM_getFCFTshift(SpectrumData* sd, int J);
// FCFT field of field b for current J; -1 when not fixed; -2 after an alert.
int SM_getFPlabel(SpectrumData* sd, int J, int b);
int SM_getOLA_Smatrix(SpectrumData* sd, int J, int a, int b, double* re, double* im);
int SM_getFCFT_Smatrix(SpectrumData* sd, int J, int a, int b, double* re, double* im);
int SM_fixedPointCurrent(SpectrumData* sd, int J);
// For every current J of the group, 1 when J has a fixed point (SM_fixedPointCurrent of
// each), found from the orbits' stabilisers where the orbit ordering made them.
std::vector<char> SM_fixedPointCurrentFlags(SpectrumData* sd);
// row[a] = the number of field a among the fields J fixes (J a = a, numbered in field
// order from 0), -1 for the others; the count of fixed fields. Row of n_primaries entries.
int SM_fixedPointRow(SpectrumData* sd, int J, int* row);
// The field with this label vector; -1 after "Representation not found".
int SM_getLabel(SpectrumData* sd, const int* label);
int SM_initOrbifoldFCFTdata(SpectrumData* sd);
SpectrumData* SM_getOrbifoldFCFT(SpectrumData* sd, int i, int* shift);
int SM_getOrbifoldFCFTlabel(SpectrumData* sd, SpectrumData* F, int J, int a);
int SM_initRecenteredFCFT(SpectrumData* sd);

// ---------------------------------------------------------------------------------------
// Built-in exceptional modular invariants

// Entry (i, j) of built-in invariant nr (0 identity; 1-3 A1 at levels 10, 16, 28; 4-6 the
// N=2 minimal models at those levels): 1 or 0.
int ExceptionalModularMatrix(int i, int j, int nr);
// The invariant number that fits the record (0 when on is 0); -1 after an alert.
int getExceptionalInvariantLabel(const SpectrumData* sd, int on);
void SmatMinFCFT2(const int* a, const int* b, double* re, double* im, int ignored, int k);

// ---------------------------------------------------------------------------------------
// Module life cycle: restores the state of these routines right after start-up.
void resetStoremanagerQueries();

// ---------------------------------------------------------------------------------------
// Integer-spin current permutations

// One row per outer automorphism of the record's current group (the identity first): entry
// j is the position in `currents` (vacuum first) of the image of currents[j]. Empty when
// the record has no automorphisms, or after an alert when an image is not in the list.
std::vector<std::vector<int>> SM_getIntegerSpinPermutations(SpectrumData* sd,
                                                            const std::vector<int>& currents);

// ---------------------------------------------------------------------------------------
// Z2 permutation orbifold (type 18) and its fixed-point theories (type 19)

// The orbifold of two copies of sd by their exchange, found again when its base is sd
// itself, else made (NULL name: "<name>_perm") and made the store's current record. NULL
// after an alert: order other than 2 (112311), a central charge not known exactly, a
// name in use.
SpectrumData* SM_getPermutationOrbifold(SpectrumData* sd, int order, const char* name);
// c of the record as an exact fraction: k dim/(k + g) for affine Lie algebras, else the
// multiple of 1/(24 weight_den) that c is; false when there is none.
bool SM_exactCentralCharge(const SpectrumData* sd, Rat* c);
// d (d + sign) / 2 and d1 d2 for dimensions in the record encoding (a value below 10^9,
// or a negative large-integer handle).
int TensorProductDimension(int d, int sign);
int DimensionMultiplication(int d1, int d2);
// The orbifold's characters from the mother's loaded ones.
void SM_computePermutationCharacters(SpectrumData* perm, SpectrumData* mother);

// ---------------------------------------------------------------------------------------
// Character files and the origin and character displays

// The data folder, "/", the name (blanks outside single quotes turned into '_', cut at
// "_(aux)") and ".chars"; empty after an alert when the name is too long for a path.
std::string SM_setCharacterFileName(const SpectrumData* sd);
// 1 when the character file exists as a regular file.
int SM_CharactersAvailable(const SpectrumData* sd);
// The name of a file of S elements: the data folder, "/S", type, ".", rank, ".", level.
std::string SM_setFileName(const SpectrumData* sd);
// Reads the character file once ("Character order" coefficients per field); every problem
// is reported and a read that stops leaves the characters unmarked, to be read again.
void SM_loadCharacters(SpectrumData* sd);
// First field whose whole label vector equals labels; -1 when none.
int SM_findLabel(const SpectrumData* sd, const int* labels);
// Where field a comes from, through every theory it was built from, indented by depth.
void SM_browseOrigin(SpectrumData* sd, int a, int depth);
// "q^[h-c/24] * ( n_0 + n_1*q + ... + .... )" of field a.
void SM_browseCharacter(SpectrumData* sd, int a);
// Drops the leading zeros of n coefficients (at least one non-zero), lowers the record's
// coefficient count to the remaining length when smaller; the number dropped.
int SM_shiftCharacter(int* coefficients, SpectrumData* sd, int n);
// d1 + d2 in the dimension encoding (Alert and 0 for a zero operand).
int DimensionAddition(int d1, int d2);

// ---------------------------------------------------------------------------------------
// Comparison and isomorphism of theories, the re-centred theory

// Prints every difference between two records; returns 0.
int SM_compareAlgebras(SpectrumData* A, SpectrumData* B);
// 1 when a map of B's fields onto A's (map[a] the field of A for field a of B; n entries)
// preserves weights modulo 1, the current group, charges and S, checked element by
// element; 0 otherwise (the map then holds whatever the search wrote).
int SM_determineCFTmap(int* map, SpectrumData* A, SpectrumData* B);
int SM_compareS(SpectrumData* A, SpectrumData* B, int a1, int a2, int b1, int b2);
int SM_compareT(const SpectrumData* A, const SpectrumData* B, int a, int b);
int SM_compareCharges(SpectrumData* A, SpectrumData* B, const int* JA, int a, const int* JB, int b);
// The distinct fields J x a for the `count` currents J of elements, in list order, into
// out; their number.
int SM_makeFullOrbit(SpectrumData* A, int a, const int* elements, int count, int* out);
// Loop bodies of the isomorphism search (ctx: the search).
int evaluateGroupGenerators(int k, int* x, void* ctx);
int evaluateOrbitGenerators(int n, int* x, void* ctx);
// A re-centred record (type 17) named name: the fields of source ordered into the orbits
// of group (fields of source, closed under fusion, vacuum first). NULL after "Name %s is
// already in use" when any stored theory has the name.
SpectrumData* SM_createCenter(SpectrumData* source, const IntList* group, const char* name);
// unique != 0: the one field whose first n labels are labels (-1 when none, or after
// "Label not unique"); unique 0: prints every such field and returns -1.
int SM_identifyDynkinLabels(int n, SpectrumData* sd, const int* labels, int unique);
// Among the fields with used[a] 0 the one of smallest weight numerator; -1 when none.
int SM_getNextMinimalWeight(const SpectrumData* sd, const int* used);

// ---------------------------------------------------------------------------------------
// Gaussian sum

// Real part of exp(-i pi r/4) / N times the sum over fields lambda and Weyl elements w of
// exp(2 pi i (v,v)/(4k)) / m_lambda, v = 2 w(lambda) - x (x: rank Dynkin labels), for an
// untwisted affine algebra of rank r at level k; N = sqrt((k/2)^r WeightLatticeOrder),
// m_lambda the stabiliser order of lambda's extended labels. Alert "Phase error" when the
// imaginary part is not 0 within 1e-7; 0 after an alert for any other theory.
double GaussianSum(SpectrumData* sd, const int* x);
