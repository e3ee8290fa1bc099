// The bulk invariant store: modular invariant partition functions Z(i,j) of the current
// theory held in BulkInvariant records, the named store of them (a singly linked list that
// owns its records), the current invariant that boundary, orientifold and spectrum code read
// through getCurrentBulk, and the pool of SimpleCurrentData records of the heterotic search.
//
// A record's rows live in one int buffer `Data`: count (n), mult (n), the algebra area (n)
// and the partner area (capacity). Z(i,j) = mult[i] times the number of occurrences of j in
// row i's partner list; a row with count 0 or mult 0 is empty (orbits[i] == nullptr).
// Builders size the record for everything they write before writing; a record is never
// written past its end.
//
// All state is module state (InvariantsState); resetInvariants() restores the start state.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "numbers/MathUtility.h"

struct SimpleCurrentNode;
struct DGType;

// The simple-current description of one invariant.
struct SimpleCurrentData {
  const DGType* group = nullptr;  // the group G of the chosen currents; trivial after a reset
  // Permutations of the centre that map G onto itself (set while "Reject permutations" is
  // on; empty: none).
  std::vector<int> perm_subgroup;
  // Image of a current under a permutation; nullptr while permutation rejection is off.
  int (*group_permutation)(int p, int label) = nullptr;
  std::vector<int> map;          // element labels, a centre block, the inverse map
                                 // (centre element -> its position among the labels, or -1)
  std::vector<int> monodromies;  // R (n x n) then X (n x n)
  // The currents paired with the vacuum, |G| slots each, kernel_size used: first ker X, the
  // currents J admitted by the vacuum (row 0 of Z pairs it with J on the right: the right
  // chiral algebra, rows being the left labels; the heterotic reading takes the partner
  // side as the left one), then ker X^T, the currents K with Z(K, 0) != 0 (the left chiral
  // algebra; rows of one orbit under it are equal).
  std::vector<int> kernels;
  std::vector<int> factor;       // per generator pair: factor, first and second generators
  std::vector<int> stabilizer;
  std::vector<int> generators;   // primary labels of the generating currents
  std::vector<int> chargeMap;
  int charge_map_made = 0;
  int mipf_number = -1;
  int subgroup_label = -1;
  int owns_subgroup = 0;
  int n_generators = 0;
  int selection_count = 0;
  int sel_symmetric = 0;
  int sel_automorphism = 0;
  int sel_extension = 0;
  int sel_reject_permutations = 0;
  int sel_autostore = 0;
  int sel_algebra = 0;
  int kernel_size = 1;
  int x_symmetric = 0;
  int n_pairs = 0;
  int stabilizer_count = 0;
  int truncated = 0;
  SimpleCurrentNode* node = nullptr;
  // Charge and weight of the group's currents as a caller computes them (the heterotic
  // search): charge_fn(A, B) is the monodromy charge of current B with respect to current
  // A, weight_fn(A) the weight of A; context is handed back unchanged. nullptr otherwise.
  void (*charge_fn)(int labelA, int labelB, Rat* out, void* context) = nullptr;
  void (*weight_fn)(int label, Rat* out, void* context) = nullptr;
  void* context = nullptr;
};

// Boundary data of an invariant built by other means than simple currents.
struct ExceptionalBoundaryData {
  std::vector<double> data;  // 2N(1+L): first block 2N, second block 2NL
  std::vector<int> klein;    // N
  int N = 0;
  int L = 0;
  int reset = 0;
  int crosscap_status = 0;
};

struct BulkInvariant {
  std::unique_ptr<SimpleCurrentData> MD;
  std::unique_ptr<ExceptionalBoundaryData> EDT;
  std::string name = "UNDEFINED";
  std::unique_ptr<BulkInvariant> next;  // the store owns the records it links
  int n_rows = 0;
  int capacity = 0;
  int diagonal = 0;
  int simple_current = 0;
  int conjugation = 0;
  int symmetric = 0;
  int ishibashi_count = 0;
  std::vector<int> Data;
  std::vector<int*> orbits;  // row i's partner list inside Data; nullptr for an empty row
  int* count = nullptr;
  int* mult = nullptr;
  int* algebra = nullptr;
  int* vacuum_row = nullptr;
  int algebra_count = 0;
  int reserved[3] = {-1, -1, -1};

  BulkInvariant() = default;
  BulkInvariant(const BulkInvariant&) = delete;
  BulkInvariant& operator=(const BulkInvariant&) = delete;
  ~BulkInvariant();
  // Entries of row i's stored lists: the partners, and for a non-diagonal simple-current
  // invariant the currents that follow them.
  int rowEntries(int i) const;
};

struct SimpleCurrentNode {
  std::unique_ptr<SimpleCurrentNode> next;
  std::unique_ptr<SimpleCurrentData> record;
  int in_use = 0;
};

void initializeInvariants();
void resetInvariants();

// Records
std::unique_ptr<BulkInvariant> allocNewBulkInvariant(const char* name);
std::unique_ptr<SimpleCurrentData> allocNewSCData(SimpleCurrentNode* node);
void resetBulkInvariant(BulkInvariant* bi);
void allocBulkInvariantData(BulkInvariant* bi, int n, int cap);
void copyBulkInvariant(BulkInvariant* dst, const BulkInvariant* src);
void copySCData(SimpleCurrentData* dst, const SimpleCurrentData* src, int kernels);
// copySCData and what it leaves to the store: the numbers, the permutation data and the
// selection snapshot; for a copy that is to stand in for the record itself.
void copySCDataWhole(SimpleCurrentData* dst, const SimpleCurrentData* src);
void copyEDTData(ExceptionalBoundaryData* dst, const ExceptionalBoundaryData* src);
void adjustBulkInvariant(BulkInvariant* bi);
// 0 when equal, -1 otherwise.
int compareBulkInvariants(BulkInvariant* a, BulkInvariant* b);
// Z(i,j) of the record.
int bulkEntry(const BulkInvariant* bi, int i, int j);

// The store
// copy = 1 stores a copy of bi; the result is bi, or an equal stored record, or nullptr
// when the name is in use.
BulkInvariant* storeBulkInvariant(const char* name, BulkInvariant* bi, int copy, int verbose);
// Links the record itself into the store (copy = 0); returns the linked record or an equal
// stored one (the argument is then dropped), nullptr when the name is in use.
BulkInvariant* linkBulkInvariant(const char* name, std::unique_ptr<BulkInvariant> bi, int verbose);
BulkInvariant* addNewBulkInvariantToStorage(const char* name);
const char* assignName();
void modifyBulkName(const char* name, BulkInvariant* bi);
BulkInvariant* findNamedBulkInvariant(const char* name);
BulkInvariant* locateBulkInvariant(BulkInvariant* bi);
BulkInvariant* getLastBulkInvariant();
void listBulkInvariants();
const char* convertBulkInvariantName(const char* text);
BulkInvariant* getBulkInvariantForUserInput(const char* text);
// Builds MIPF number k by enumeration and makes it current; nullptr when none has that number.
BulkInvariant* getBulkInvariantByNumber(int k);
BulkInvariant* buildBulkInvariantByNumber(int k);
int removeLastBulkInvariant();
void freeAllBulkInvariants();
void resetInvariantStore();
// -1 until a complete collection has run; else the number of named invariants, or, when
// the collection numbered its MIPFs without storing them, how many it numbered.
int TotalInvariants();
int storedInvariantCount();
// The stored record at position k (0 the first), nullptr beyond the last.
BulkInvariant* storedBulkInvariantAt(int k);

// The current invariant
BulkInvariant** getCurrentBulk();
void setCurrentBulkInvariant(BulkInvariant* bi);
// Makes the diagonal invariant of the current theory current.
void resetBulk();
// Registers the current invariant in the store, quietly (on entering modular mode).
void storeCurrentBulkInvariant();
void permutationRejectionChanged();

// Pool of simple-current records
SimpleCurrentData* getSCDataPointer();
void returnSCDataPointer(SimpleCurrentData* md);
int poolNodeCount();

// ---------------------------------------------------------------------------------------
// Building, printing and combining invariant matrices

// The entry partners of row i in the "Bulk Invariant" column: "(i)" for the diagonal current
// invariant, "m*(list)" for a row of multiplicity m >= 2, " - " for an empty row.
bool getBulkInvariantString(std::string& cell, const void* ignored, int i);
// "(" then runs of equal consecutive entries ("k*v+" for k >= 2, "v+"), the last "+" -> ")".
std::string buildRepString(const int* list, int n);
// Rewrites the list with each value v repeated c_v / g times, ascending, g the gcd of the
// occurrence counts c_v; returns the new length and sets g (0 with an alert for no values).
int removeRedundancy(int* list, int n, int* g);
// The Ishibashi labels of the invariant: N for the diagonal one, else the sum over rows i of
// max(mult[i], 0) times the occurrences of i in row i.
int LabelCount(const BulkInvariant* bi);
// A mass matrix by its non-zero entries, (row, column) -> multiplicity in row-major order:
// typed invariants are built into it, so that their size follows the text typed and not
// the square of the number of fields.
struct SparseMassMatrix {
  int n = 0;  // the number of fields
  std::map<std::pair<int, int>, int> entries;
  int at(int a, int b) const;
};
// Builds bi from an N x N matrix (row-major), or from the entries of a sparse one; with store
// and "Autostore" on it is stored. False, with bi untouched, after the refusal (Alert
// 100213) of partner lists that would not fit; a stop (Ctrl-C) also leaves bi untouched.
bool makeExceptionalBulkInvariant(const int* M, BulkInvariant* bi, int store, int show);
bool makeExceptionalBulkInvariant(const SparseMassMatrix& M, BulkInvariant* bi, int store,
                                  int show);
void setDiagonalInvariant(BulkInvariant* bi);
// The current invariant becomes the charge-conjugation one (diagonal when all fields are
// self-conjugate).
void setConjugationInvariant();
// The transpose: bi itself when symmetric, else a module-static scratch record.
BulkInvariant* reflectBulkInvariant(BulkInvariant* bi);
// Replaces every partner by its conjugate, in place.
void conjugateBulkInvariant(BulkInvariant* bi);
// The product a times b as a new record; status 0 success, 1 not normalizable, -1 vanishing
// multiplicity (then nullptr).
std::unique_ptr<BulkInvariant> multiplyBulkInvariantRecords(BulkInvariant* a, BulkInvariant* b,
                                                            int* status);
// The product of the stored invariants a and b (names or numbers), printed when show is 1
// and stored under name (or the next automatic one), verbose. 0 when stored or already
// present, 1 for a missing factor, a name in use or a product that is not normalizable
// (printed), -1 for a vanishing multiplicity.
int multiplyBulkInvariants(const char* a, const char* b, const char* name, int show);
// The same for two records.
int multiplyBulkInvariantPair(BulkInvariant* a, BulkInvariant* b, const char* name, int show);
// Multiplies every pair of stored invariants, the products joining the loop, until the store
// is closed under multiplication ("Computing i x j" for each pair).
void closeBulkInvariantsUnderMultiplication(int show);
void makeExceptional(BulkInvariant* bi);
void resetInvariantMatrices();
// The conjugate (transpose) of the stored invariant named or numbered by source, or of the
// current one when source is nullptr, stored under name (verbose); for the current invariant
// the result is stored without a name and becomes current. 0 on success, 1 on failure.
int conjugateNamedBulkInvariant(const char* source, const char* name);
int transposeNamedBulkInvariant(const char* source, const char* name);

// ---------------------------------------------------------------------------------------
// Printing invariants and the statistics of their pairings

// Prints the invariant as a sum of terms: rows with the same partner list form one term
// (left fields)*(partners), |left|^2 when both are the same list. limit > 0 considers only
// rows below limit. "Invariant max_display" bounds the first row of a printed term;
// "Invariant statistics" adds the table of pairings by weight.
void printBulkInvariant(const BulkInvariant* bi, int limit);
// One term; *column is -1 before the first term of a display and counts the line length.
void PrintModInvTerm(const int* left, const int* right, int nL, int nR, int mult, int* column);
// One row of the statistics: L h (mod L), and the pairings counted diagonal (a = b),
// conjugate (a = conjugate of b, a != b) and diagonal self-conjugate.
struct InvariantStatisticsRow {
  int value = 0;
  int diagonal = 0;
  int conjugate = 0;
  int selfConjugate = 0;
};
// (nullptr, nullptr, 0, 0, 0) builds the empty table, weight -1 prints it, any other weight
// adds the pairings of the left fields with the partners, weight times each.
void InvariantStatistics(const int* left, const int* partners, int nL, int nP, int weight);
const std::vector<InvariantStatisticsRow>& invariantStatisticsTable();
// The distinct values of L h_i (mod L) over all primaries, in label order.
std::vector<int> RatCount(int L);
void resetInvariantPrinting();

// ---------------------------------------------------------------------------------------
// Pairing conditions, orbits and kernels of simple-current invariants, and inspection
//
// G's n basis generators are the factors of `group`, of orders N_a; element g has the
// components DG_decomp(group, g, a) and is the current map[g]. X is the second half of
// `monodromies`, row-major. The kernels hold ker X (admitted by the vacuum: the right chiral
// algebra of Z) in slots 0..|G|-1 and ker X^T (the left chiral algebra) from slot |G| on,
// kernel_size entries each.

// As getLeftOrbit, without the sign.
int getRightOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i);
// Fills ker X and ker X^T and kernel_size; an alert when their sizes differ.
void getXKernels(SimpleCurrentData* MD);
// 1 when every field has exactly one partner and the partner map is an involution.
int checkInvolution(const SimpleCurrentData* MD);
// The N x N matrix whose entry (j, i) is Z(i, j), row-major.
std::vector<int> BulkInvariantToMatrix(const BulkInvariant* bulk);
void printChiralAlgebras(const int* left, int nL, const int* right, int nR);
void printMonodromy(const SimpleCurrentData* MD);
// The report of the stored invariant named or numbered by name, or of the current one for
// nullptr; at most maxDisplay rows of the partition function (none for 0). 1 when not found.
int browseBulk(const char* name, int maxDisplay, int verbose);

// ---------------------------------------------------------------------------------------
// Selection criteria of invariants
//
// Current lists are given as int arrays ended by -1 (nullptr clears the list). The module
// keeps its own copy: changing the caller's array afterwards changes nothing. A list that is
// set but holds no current is still a requirement (and rejects every invariant).

void setRequireLeft(const int* list);      // every current required on the left
void setRequireLeftAny(const int* list);   // at least one of them
void setRequireRight(const int* list);
void setRequireRightAny(const int* list);
void setForbidLeft(const int* list);
void setForbidRight(const int* list);
// Pairs i, j ended by -1; "Selection automorphism" := 1 for a list, 0 for nullptr (the old
// pairing list is then kept).
void setRequireAuto(const int* list);
void setSelection(int k);
int getAutoSelectionNumber();
void setSubgroupStart(int subgroup, int count);
int getSubgroupStart();
int getScanMIPFCountStart();
// nullptr clears the loop command and restores "Loop start" 0 and "Loop end" 2000000000.
void setLoopCommand(const char* text);
// The loop command, or nullptr when none is set.
const char* getLoopCommand();

// 1 pass, 0 reject: left and right are the left and right kernel lists.
int checkAlgebraSelectionCriteria(int nL, const int* left, int nR, const int* right);
int checkAutomorphismSelectionCriteria(const BulkInvariant* bi);
int checkSelectionCriteria(const BulkInvariant* bi);
void displaySelectionCriteria(int flag);
void printInvariantSelectionCriteria(FILE* stream);
void generateDiagonalSelectionWarning();
void writeInvariantSelectionCriteria(FILE* stream);
void resetSelectionCriteria();
void resetAlgebraRequirements();
void AutostoreChanged();
// Start state of the criteria (lists, pairings, auto selection, resume point, loop command).
void resetInvariantSelection();

// ---------------------------------------------------------------------------------------
// Extension invariants from candidate chiral algebras

// The common acceptance step of a candidate invariant (N x N matrix M, row-major): with
// check 1 tested against S, printed with print 1, stored under "Autostore" with store 1,
// made current with makeCurrent 1; 1 when accepted. The code of typed invariants installs
// it; until then a stand-in reports "not available yet" and accepts nothing.
using CandidateAcceptance = int (*)(const int* M, int check, int store, int makeCurrent, int print);
void setCandidateAcceptance(CandidateAcceptance acceptance);  // nullptr: the stand-in
int acceptCandidate(const int* M, int check, int store, int makeCurrent, int print);

// The primaries of integer conformal weight in label order (the identity first), then -1.
std::vector<int> findIntegerSpin();
// Exclusive upper bounds of the multiplicities of the n given integer-spin fields (not the
// identity) in a chiral algebra, from the projections onto the vacuum and onto each of
// them; returns their product, the length of the search loop, or -1 when the n x n table
// of their S elements would pass what one allocation may hold (Alert 100213).
double getMaximumCurrentMultiplicities(int n, const int* fields, int* bounds);
// fields: the -1-terminated integer-spin list (identity first), mult their multiplicities.
// 1 when sum_f mult_f S(f, j) is not real or negative for some j; else 0, after completing
// the algebra to an invariant (CheckHomomorphism) unless only the identity occurs.
int checkAlgebra(const int* fields, const int* mult);
// Builds the invariant generated by the list (fields with repetitions) from the fusion
// matrix of their sum and hands it to acceptCandidate; 0, or -2 when no square can be split
// off ("Continuation impossible"), the fusion sums were stopped, or its (2N + 1) N ints
// would pass what one allocation may hold (Alert 100213, nothing done).
int CheckHomomorphism(int count, const int* list);
// Prints one term "(a+b+2*c)" of the construction; 1 when its fields differ in spin modulo
// integers, 0 (the term is used, marked " *** ") when they agree.
int printExceptionalOrbit(const int* v, int mult);
// H(a, b) -= c v[a] v[b] for the N x N matrix H; 0 at the first negative entry (after
// "Inconsistency encountered"), else 1.
int RemoveVector(int* H, const int* v, int c);
// Runs checkAlgebra over every multiplicity vector within the bounds (the identity once,
// the identity alone skipped), a separator after each candidate that passes; 1 when
// stopped or refused for its size (Alert 100213, before the loop), else 0.
int searchExtensionInvariants();

// The primary selection: the primaries (a list ended by -1, copied; nullptr clears it) to
// which simple-current invariants are built, row 0 always included. Resetting the store
// clears it. getPrimarySelection gives nullptr when none is set.
void setPrimarySelection(const int* list);
const std::vector<int>* getPrimarySelection();

// 1 when a required, present or forbidden current list is set.
int algebraRequirementsSet();
// The auto selection number back to 0 without a message.
void clearSelectionNumber();
// The right partner of i: J_g i for the first admitted element g; -1 after an alert.
int getRightField(const SimpleCurrentData* MD, int i);
// 1 when every required pairing i:j holds for the invariant of MD.
int checkAutomorphismSelectionCriteriaForSimpleCurrentMIPF(const SimpleCurrentData* MD);

// ---------------------------------------------------------------------------------------
// Simple-current invariants: building Z
//
// G's basis generators a = 0 .. n-1 have orders N_a; element g has components alpha_a(g)
// (DG_decomp) and is the current map[g].

// The primary label of element g of the record's group.
int currentOfElement(const SimpleCurrentData* MD, int g);
// X (n x n, row-major), the second half of "monodromies".
int* xMatrix(SimpleCurrentData* MD);
const int* xMatrix(const SimpleCurrentData* MD);
// 1 when Q_{J_a}(i) + sum_b X_ab beta_b / N_a is integral for every generator a.
int checkDeltaArgument(const SimpleCurrentData* MD, int i, const int* beta);
// The same with the transposed X: Q_{J_a}(i) + sum_b X_ba beta_b / N_b.
int checkDeltaArgumentMirror(const SimpleCurrentData* MD, int i, const int* beta);
// Integer form: q_a + sum_b beta_b X_ab divisible by N_a for every a.
int checkDeltaArgumentForCharges(const SimpleCurrentData* MD, const int* q, const int* beta);
// out := the distinct images K i under the left chiral algebra (ker X^T, whose orbits carry
// equal rows), ascending. 0 when some image differs from i in weight by a non-integer (the
// row is empty); else the stabiliser order, negative when i is not the smallest member of
// its orbit.
int getLeftOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i);
// The distinct right partners of i (count), then from position |G| on the admitted currents
// that fix i (stab). A module buffer the next call overwrites; nullptr (with an alert) when
// called before the call for i = 0.
const int* getRightFields(const SimpleCurrentData* MD, int i, int* count, int* stab);
// Builds Z from bi->MD (its group, X and kernels); a trivial group gives the diagonal
// invariant with MIPF number 0 and subgroup label 0.
void makeSimpleCurrentBulkInvariant(BulkInvariant* bi);
// The same restricted to the vacuum row and the n listed primaries (through their orbit
// representatives); the record is then marked truncated.
void makeSimpleCurrentBulkInvariantSelected(BulkInvariant* bi, const int* selection, int n);
// Rebuilds every row of a record marked truncated (with a message); nothing otherwise.
void RecomputeBulkInvariant(BulkInvariant* bi);
// X(I, J) = sum_ab alpha_a(I) X_ab alpha_b(J) / N_a, reduced.
Rat computeXIJ(int I, int J, const SimpleCurrentData* MD);
// The same with every odd component of an odd-order generator raised by N_a.
Rat computeXIJ_even(int I, int J, const SimpleCurrentData* MD);

// ---------------------------------------------------------------------------------------
// Simple-current invariants: enumeration and acceptance
//
// Every subgroup of the centre is taken in a fixed order, then every admissible X; each
// candidate goes to the analysis hook, whose default computeInvariant applies the selection
// criteria, rejects images of earlier candidates under permutations of the centre, numbers
// the survivors (MIPF numbers), stores them under "Autostore" and runs the loop command.

// Results of the hook: 1 accepted, 0 rejected, -2 stop quietly, -3 the loop command failed,
// -5 the wanted invariant was found.
using MipfAnalysisFcn = int (*)(SimpleCurrentData* MD);
// Installs a hook and returns the previous one.
MipfAnalysisFcn setMIPFAnalysisFunction(MipfAnalysisFcn hook);
MipfAnalysisFcn getMIPFAnalysisFunction();
int computeInvariant(SimpleCurrentData* MD);

// Every simple-current invariant of the current theory (the whole centre).
void buildSelectedSimpleCurrentInvariants();
// Over all subgroups of K, whose element e is the current labels[e]: the number of
// accepted invariants, 1 after the wanted one was found, -3 after a failed loop command.
int ComputeAllSimpleCurrentInvariants(const DGType* K, const int* labels);
// The invariants of the subgroup generated by n currents; 0 for an invalid subgroup.
// A null MD uses a module scratch record.
int ComputeAllSubgroupInvariants(const int* currents, int n, SimpleCurrentData* MD);
void computeMonodromies(SimpleCurrentData* MD);
int generateInvariants(SimpleCurrentData* MD);
int generateSymmetricInvariants(SimpleCurrentData* MD);
// 0 when X satisfies N_b (X_ab - R_ab) + N_a X_ba = 0 mod N_a N_b for all a, b; otherwise
// 1 after "X matrix does not satisfy conditions" and the monodromy data (the caller skips
// that invariant).
int checkXmatrix(SimpleCurrentData* MD);
void PrintRandomScanWarning(double L);
int selectBulkInvariantInSubgroup(const int* currents, int n);
int selectAllBulkInvariantsInSubgroup(const int* currents, int n);
int resetSubgroupAutoSelection(int x);
int resetSubgroupLabel(int x);
// The wanted MIPF numbers, ascending and ended by -1; nullptr wants every number.
void setMIPFSelection(const int* list);
int getMIPF_ID();
// Number of X matrices skipped as inconsistent since start-up.
long long inconsistentXCount();

// Permutation rejection
void addSubgroupStabilizerToModularData(SimpleCurrentData* MD);
int checkPermutationAcceptance(SimpleCurrentData* MD);
// X' (n x n, row-major) of G's basis under permutation p into *permuted; empty for a group
// without generators. false after an alert: p maps a generator outside G, or X' is not
// integral.
bool getPermutedXmatrix(int n, SimpleCurrentData* MD, int p, std::vector<int>* permuted);
int computeGroupPermutation(int p, int label);
// The permutations that keep the invariant of MD: the subgroup of the centre's permutations
// that map G onto itself (recollected into perm_subgroup), restricted to those with an equal
// permuted X (all of them for a group without generators). Fills MD->stabilizer, with
// stabilizer_count its size, and returns it. checkPermutationAcceptance collects the same
// list while it tests an accepted invariant.
const std::vector<int>& addPermutationInfo(SimpleCurrentData* MD);
// Whether the stabiliser walks compare X' once per class of equal basis images (the
// default; resetInvariantEnumeration restores it) or once per permutation, each X' on its
// own. For benchmarks and tests of the two ways.
void setStabilizerWalkByClasses(bool byClasses);

// Start state of the enumeration (hook, counters, scratch records).
void resetInvariantEnumeration();
// Forgets the field weights and charges kept between builds of simple-current invariants.
void resetInvariantBuild();

// Shared with the enumeration: store counters and spare records.
int getNameCount();
int getTotalMIPFCount();
void countTotalMIPF();
// unstoredNumbers: the MIPF numbers the collection gave without storing them, -1 when the
// store's names number them.
void setCollectionCompleted(int value, int unstoredNumbers);
void setCurrentSubgroupLabel(int label);
BulkInvariant* getLocalBulk();
BulkInvariant* getDummyBulk();

// ---------------------------------------------------------------------------------------
// Simple-current invariants of a caller's group (the heterotic search)
//
// The group G's element e is the caller's current labels[e]; charges and weights come from
// the caller's callbacks. Records are lent from the pool; the caller's analysis hook is
// installed for the call only and the previous hook is back on every return. Each time the
// hook is handed the record for a new X, the record's charge map is marked not made.

using GSCChargeFcn = void (*)(int labelA, int labelB, Rat* out, void* context);
using GSCWeightFcn = void (*)(int label, Rat* out, void* context);
// All simple-current invariants of G (the general X loops; "Selection symmetric" is ignored
// with a notice): the result of the loops. The record goes back to the pool.
int GSC_computeAllGroupInvariants(const DGType* G, const int* labels, GSCChargeFcn charge_fn,
                                  GSCWeightFcn weight_fn, MipfAnalysisFcn hook, void* context);
// The one invariant of the n x n matrix X (n = basis generators of G; R is not computed):
// the hook's result. The record stays lent; the caller returns it to the pool.
int GSC_computeInvariant(const DGType* G, const int* labels, MipfAnalysisFcn hook, const int* X,
                         void* context);
// R of the basis currents from the record's callbacks (as computeMonodromies).
void GSC_computeMonodromies(SimpleCurrentData* MD);
// "ChargeMap": for every element e of G the label of the first current g whose charges,
// twisted by X, realise the charge vector alpha(e) (checkDeltaArgumentForCharges), or -1.
// Made once per record and X; needs the kernel size (getXKernels).
void makeChargeMap(SimpleCurrentData* MD);
// Start state of these routines.
void resetInvariantHeterotic();


// User-given, built-in and searched invariants
//
// A mass matrix is N x N ints, row-major (N = TotalPrimaries): entry (a, b) is the
// multiplicity of holomorphic label a paired with antiholomorphic label b. Typed invariants
// are held by their non-zero entries only (SparseMassMatrix); the test of invariance reads
// S element by element, so that no N x N table is made for either form.

struct VectorSpace;

// The builders' work matrix, N x N, zeroed.
std::vector<int>& userInvariantMatrix();
// Whether the work matrix of the current theory can be held; false after the refusal
// (Alert 100213) in the name of routine.
bool userInvariantMatrixFits(const char* routine);
// Start state of the builders (work matrix, exceptional orbit caches).
void resetUserInvariants();
void resetExceptionalInvariants();
// Called by initializeInvariants: gives output file names the MIPF number of the current
// invariant, and the Galois-commutant search and the extension invariants their
// acceptance step.
void installUserInvariantHooks();
// The acceptance of a Galois-commutant solution: refused with "Not modular invariant" (a
// plain line, so a search goes on) unless it commutes with S and T; else built, printed
// and stored as "Autostore" says. 1 accepted.
int acceptGaloisCandidate(const int* Z, int n);

// A text names a stored invariant or a MIPF number when it starts with a letter or digit.
bool invariantTextIsLookup(const char* text);
// Newlines outside single quotes become blanks, then every blank is removed.
std::string normalizeInvariantText(const char* text);
// A name or number: 0 when found and selected (made current with makeCurrent 1), else 1.
// A typed matrix or permutation: 1 when accepted, 0 when refused (syntax, zero, not
// invariant).
int buildInvariant(const char* text, int makeCurrent);
// Parses n*(a+b)*(c+m*d)+(e+f)^2+... or cycles <a,b,c><d,e> into the typed matrix (kept
// until the next call); nullptr after an alert, among them the refusal (100213) of a text
// whose entries would not fit.
const SparseMassMatrix* buildMatrix(const char* text);
// Adds k m1 m2 to (a, b) for every item m1*a of holo and m2*b of anti; 0 after an alert.
int addEntries(SparseMassMatrix& M, const char* holo, const char* anti, int k);
// The permutation matrix of the cycles (identity elsewhere) in M, or nullptr.
const SparseMassMatrix* buildAutomorphism(SparseMassMatrix& M, const char* text);
// 1 when M commutes with S and with T; alerts for up to maxFailures failures, then stops.
// Holds the non-zero entries of M twice (by rows and by columns; refused with Alert 100213,
// result 0, when they would not fit) and nothing of the size N x N.
int checkInvariant(const int* M, int maxFailures);
int checkInvariant(const SparseMassMatrix& M, int maxFailures);
// The acceptance step of every candidate: check (1: test invariance), store (1: as
// "Autostore" says, else the value itself), makeCurrent (1: build into the local record
// and make it current), print (1: print the record). 1 accepted, 0 refused.
int acceptCandidateInvariant(const int* M, int check, int store, int makeCurrent, int print);
int acceptCandidateInvariant(const SparseMassMatrix& M, int check, int store, int makeCurrent,
                             int print);

// Built-in invariant of mode 0 .. 6 made current when it passes; 1 accepted, 0 otherwise
// (mode -1 does nothing, other modes are refused).
int buildExceptionalInvariant(int mode);
// Product of the factors' built-in invariants (choices[k] for factor k), made current.
int buildExceptionalTensorInvariant(const int* choices);
// The labels paired with label in built-in invariant mode (at most 4), those with
// filter[j] <= limit when a filter is given, into list (room for 5); *last = index of the
// last one, -1 for none.
void computeExceptionalOrbit(int mode, int label, int n, const int* filter, int limit, int* last,
                             int* list);
// Sizes the boundary data for N primaries and L Ishibashi labels (2N(1+L) doubles, N
// ints; grown, never shrunk). False, with nothing changed, when the doubles would pass
// what one allocation may hold (Alert 100213).
bool allocExceptBound(ExceptionalBoundaryData* EDT, int N, int L);

// Runs the simple-current builder over the MIPF numbers of a -1-ended list (nullptr: all);
// autostoreMode 0 or 1 sets "Autostore" for the run, 2 leaves it alone.
void buildMultipleSimpleCurrentInvariants(const int* list, int autostoreMode);
// The MIPF numbers the builder accepts (setMIPFSelection): -2 first for every number.
const std::vector<int>& getMIPFSelection();

// Automorphism invariants found by refining the primaries by spin and S; the number found.
// Refused before it starts (Alert 100213, 0 found) when its table of S would pass what one
// allocation may hold. Ctrl-C stops it (StopRequest); the invariants found stay.
int searchAutomorphisms();
// Row r of rows := row r+1 with the fields of class r (row 0 of subperms) rearranged by
// its permutation t.
void applyLevelPermutation(const VectorSpace* subperms, int r, int t,
                           std::vector<std::vector<int>>& rows);
// The closed-form invariants of the c=1 orbifold (store type 7); nothing for other types.
int searchInvariants();
int getCFTtype();
int getCFTrank();
int orbifoldCharge(int i);
int getOrbifoldFieldWithCharge(int charge);
int getOrbifoldExceptionalAutomorphism(int i, int p, int q);
// Adds 1 to M(a, b) for all a, b of the -1-ended list.
void addOrbitToModularMatrix(int* M, const int* orbit);
void getOrbifoldExceptionalExtension(int* M, int m);
// The MIPF number of the invariant, -1 for none.
int MIPFIdentifier(const BulkInvariant* bulk);
