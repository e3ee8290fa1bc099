// Representation classes, branching tables and lattice extensions; space-time
// (little-group) representations and supersymmetry types.
//
// Algebras are (type, rank) pairs with the type codes of the Lie-algebra core: 2 B_r,
// 4 D_r, 5 exceptional chosen by rank (4 F4, 6 E6, 7 E7, 8 E8). The classes of an algebra
// are the conjugacy classes that occur in covariant lattices: B_r singlet, vector, spinor;
// D_r singlet, spinor, vector, conjugate spinor; F4 and E7 singlet and one class; E6
// singlet, 27, 27bar; E8 the singlet only. Class -1 stands for the adjoint.
//
// A BranchingTable gives the multiplicities of the subalgebra classes in each class of
// the algebra, and in the adjoint besides the subalgebra's own adjoint. Tables are built
// on demand (a few embeddings are built in, the others are products along a chain of
// built-in ones), kept for the run and never changed once filled; the pointers handed
// out stay valid until resetBranching.
//
// The space-time part names the little-group classes of a d-dimensional theory (index
// into a vector of d + 10 multiplicities), decomposes lattice classes into light-cone
// classes through the branching tables, multiplies the two chiral halves of a string
// spectrum and prints the result with its degrees of freedom.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "lie/LieAlgebra.h"

// ---------------------------------------------------------------------------------------
// Representation classes
// ---------------------------------------------------------------------------------------

// Class number of the adjoint.
inline constexpr int kAdjointClass = -1;

// Dimension of a class (class -1: the adjoint); an unknown combination alerts
// "Unexpected type/rank" and gives 0. Class 0 is 1 for every algebra.
int repDim(int type, int rank, int repClass);
// Number of classes: B 3, D 4, F4 2, E6 3, E7 2, E8 1, any other algebra 0.
int RepCnt(int type, int rank);
// mult[i] times the dimension of class i, for i below RepCnt (other entries 0).
std::array<int, 4> getTotalRepDim(int type, int rank, const int* mult);
// 2r+1 for B_r, 2r for D_r; other types alert and give -1.
int SOdim(int type, int rank);
// The vector class: 1 for B, 2 for D; other types alert and give 0.
int VectorIndex(int type);
// Dimension of the covariant lattice: D_r 2r-6, B_r 2r-5, F4 3, E6 4, E7 6, E8 10.
int getCovLatDim(int type, int rank);
// 1 for D_r and E6 (algebras with complex classes).
int isChiral(int type, int rank);
// 1 for the embeddings whose sign picks one of several inequivalent images: B_r or D_r
// into D4, E8 into D8, E7 into D6.
int chiralEmbedding(int type, int rank, int subType, int subRank);
// 1 when the subalgebra content tells the complex classes of the algebra apart.
int ChiralityResolved(int type, int rank, int subType, int subRank);

// ---------------------------------------------------------------------------------------
// Branching tables
// ---------------------------------------------------------------------------------------

struct BranchingTable {
  int subType = 0;
  int subRank = 0;
  int type = 0;
  int rank = 0;
  int nSubReps = 0;
  int nReps = 0;
  // Choice among inequivalent embeddings: +1, -1 or 0 (composed and sign-free tables).
  int sign = 0;
  int chiralityResolved = 0;
  // Subalgebra classes in the adjoint of the algebra besides the subalgebra's adjoint.
  int adjoint[4] = {};
  // Row i: subalgebra classes in class i of the algebra; row 0 is (1, 0, 0, 0).
  int table[4][4] = {};
};

// The table of the embedding, built and cached on first use; NULL (after the alert
// "Branching not built in ...") when it is neither built in nor a chain of built-in ones.
// Sign: +1 or -1 selects one of the inequivalent images of a chiral embedding or the
// orientation of an identity table; 0 (and 999, "unspecified") the default.
const BranchingTable* makeBranchingTable(int type, int rank, int subType, int subRank, int sign);
// One built-in table, built and chained (NULL after an alert when not built in).
const BranchingTable* FundamentalTable(int type, int rank, int subType, int subRank, int sign);
// A cached table for the embedding and sign (normalised as makeBranchingTable does), or
// NULL.
const BranchingTable* findBranchingTable(int type, int rank, int subType, int subRank, int sign);
// An empty table: counts, sign and chiralityResolved filled, row 0 = (1, 0, 0, 0).
BranchingTable allocBranchingTable(int type, int rank, int subType, int subRank, int sign);
// Adds a filled table to the cache; returns the cached copy.
const BranchingTable* insertTableNode(const BranchingTable& table);
// T1: A -> B composed with T2: B -> C gives A -> C (cached with sign 0); NULL after the
// alert "Invalid consecutive branching" when B differs, or when either is NULL.
const BranchingTable* MultiplyTables(const BranchingTable* first, const BranchingTable* second);
// 1 when algebra and subalgebra are the same.
int BranchingIsTrivial(const BranchingTable* table);

// Prints the table of the embedding (sign 1) with the dimensions of its classes and checks
// that they add up. Returns the number of mismatches, or -1 when there is no such table.
int checkBranchingTable(int type, int rank, int subType, int subRank);

// Recovers the multiplicities mult[0..nReps-1] of the algebra classes from those of the
// subalgebra classes in sub (which is consumed). Content that classes with the same
// subalgebra content share goes to the first of them. Returns 1 when determined without
// ambiguity, 0 otherwise, -1 when a multiplicity leaves the int range.
int InverseBranch(const BranchingTable* table, int* sub, int* mult);

// The algebra an orthogonal or exceptional lattice algebra extends to when counts[1..3]
// extra massless vectors appear in its classes 1..3 (counts[0] is not read). Returns 0
// with the result in newType, newRank and chirality, or 1 after an alert.
int Determine_Extension(int type, int rank, const int* counts, int* newType, int* newRank,
                        int* chirality);

// A lattice algebra with the extra vectors that extend it.
struct LatticeExtension {
  const BranchingTable* table = nullptr;
  const int* vector = nullptr;
  int count = 0;
  int dimension = 0;
};
// The extension by nothing: the identity table of (type, rank), a zero vector, count 1.
void trivialExtension(LatticeExtension* extension, int type, int rank, int dimension);

// ---------------------------------------------------------------------------------------
// Supersymmetry types and space-time symmetry
// ---------------------------------------------------------------------------------------

// Chirality value meaning "not specified": dropped silently where chirality is irrelevant
// and never making two halves identical.
inline constexpr int kUnspecifiedChirality = 999;

// The covariant lattice algebra of one chiral half: type 0 bosonic, 5 supersymmetric
// (rank 4, 6, 7, 8: 2, 4, 8, 16 supercharges), 2 or 4 a fermionic non-supersymmetric lattice.
struct SusyType {
  int type = 0;
  int rank = 0;
  int chirality = 0;  // +1, -1, 0 or kUnspecifiedChirality
  int chiralityResolved = 1;
};

// The space-time symmetry of a spectrum: its two halves and where they came from.
struct SpaceTimeSymmetry {
  SusyType left;
  SusyType right;
  // The branching tables behind the halves (set by the sector codes L and R, else NULL).
  const BranchingTable* leftSource = nullptr;
  const BranchingTable* rightSource = nullptr;
  int dimension = 0;
  // 1 when both halves have the same type, rank and a specified equal chirality.
  int identical = 0;
  // 1 when either half is supersymmetric (type 5).
  int supersymmetric = 0;
  // 1 after the sector codes B, I, L, O, R; 0 after X.
  int sectorFlag = 0;
};

// Where getSpaceTimeSymmetry takes the halves from.
struct SpaceTimeSource {
  const BranchingTable* left = nullptr;
  const BranchingTable* right = nullptr;
  const BranchingTable* common = nullptr;
  int dimension = 0;
};

// Parses "0", "2", "4", "8", "16" or "F<n>" (no chirality sign). 0 valid, -1 invalid.
int interpretSusyType(const char* text, SusyType* desc);
// Parses a type with an optional trailing "+" or "-" and checks it for dimension d.
int getChiralSusyType(const char* text, int d, SusyType* desc);
// 0 when the type can be the covariant lattice of a d-dimensional theory, else -1 after
// an alert; a chirality on a non-chiral type is dropped.
int checkChiralSusyType(SusyType* desc, int d);
// Checks both halves and sets identical and supersymmetric; 0 valid, -1 invalid.
int checkSusyType(SpaceTimeSymmetry* st);
int SusyIsChiral(const SusyType* desc, int d);
int SusyRepsAreChiral(const SusyType* desc, int d);
int isChirallySupersymmetric(const SusyType* desc);
int isSupersymmetric(const SpaceTimeSymmetry* st);
// Number of supercharges: 2, 4, 8, 16 for F4, E6, E7, E8, else 0.
int SusyCount(const SusyType* desc);
std::string susyname(const SusyType* desc);
// The multiplet code of a class ("V", "0", "S", "S+", "S-", "S?", "M", "M+", "M-", "M?").
std::string susyrepname(const SusyType* desc, int d, int repClass);
// The class of a multiplet code; 999 after an alert when the code does not fit the type.
int getMultiplet(const char* text, const SusyType* desc);
// s when the halves are identical and i = j, else 0.
int adjustSymmetrization(const SpaceTimeSymmetry* st, int i, int j, int s);
// E8 in d = 10 and E7 in d = 6 without chirality get chirality +1.
void addUnspecifiedChirality(SusyType* desc, int d);
// The half described by T's algebra; T NULL gives the bosonic half.
void SusyFromBranching(SusyType* desc, const BranchingTable* table, const BranchingTable* common);
// Fills st for the sector code (B, I, L, O, R, X; others leave the halves as they are)
// and returns checkSusyType(st).
int getSpaceTimeSymmetry(const SpaceTimeSource* source, SpaceTimeSymmetry* st, char code);

// ---------------------------------------------------------------------------------------
// Little-group classes of dimension d
// ---------------------------------------------------------------------------------------

// Index of the little-group class; p-forms (Ramond-Ramond fields) are kFormClass + p.
enum LittleGroupClass {
  kScalar = 0,
  kChiralSpinor = 1,  // the spinor in odd d
  kVector = 2,
  kAntiChiralSpinor = 3,
  kGraviton = 4,
  kBTensor = 5,
  kDilaton = 6,
  kChiralGravitino = 7,  // the gravitino in odd d
  kAntiChiralGravitino = 8,
  kSelfDualTensor = 9,
  kAntiSelfDualTensor = 10,
  kFormClass = 11
};

// Number of little-group classes a space-time representation vector holds.
inline int spaceTimeLength(int d) { return d + 10; }

std::string repname(int d, int i);
std::string LorentzRepInterpretation(int d, int i);
// Twice the degrees of freedom of class i.
int lightconeDim(int d, int i);
// n/2 as text: "%d/2" for odd n.
std::string getDOF(int n);
int isFermion(int i);
// Whether light-cone class i is a spinor (odd d: class 2; even d: odd classes).
int isSpinor(int d, int i);

// The light-cone content of a lattice class (class -1: the adjoint): even d (scalar,
// spinor, vector, conjugate spinor); odd d (scalar, vector, spinor, 0).
std::array<int, 4> SusySpinDecomposition(const SusyType* desc, int d, int repClass);
// Little-group content of the product of light-cone classes i and j: sym +1 symmetric
// part, -1 antisymmetric part, 0 the whole product.
std::vector<int> CovLatTensor(int d, int i, int j, int sym);
// The product of two light-cone contents, symmetrised by sym (with Fermi statistics).
std::vector<int> multiplySpaceTimeReps(int d, int sym, const int* a, const int* b);
// Bosons and fermions with their degrees of freedom and the name of a known multiplet;
// with check 1 a boson/fermion mismatch alerts "Supersymmetry violation".
std::string printSpaceTimeRep(int n, int d, const int* rep, int check);
// The name of the built-in multiplet equal to the first n entries of rep, or NULL.
const char* getSpaceTimeRepName(int n, int d, const int* rep);
// The light-cone content of a lattice class as words ("Vector + 2 Scalars + ...").
std::string SpinDecomposition(int type, int rank, int d, int repClass, int sign);
// The product of the left class of the left half and the right class of the right half:
// 2(d+10) entries; the second half is used only for identical halves, equal classes and
// sym 0 (then the first half holds the whole product and the second its antisymmetric
// part). Empty when st is invalid.
std::vector<int> getSusyRepresentation(int classL, int classR, int sym, SpaceTimeSymmetry* st);
std::string getSusyRepresentationString(int classL, int classR, int sym, SpaceTimeSymmetry* st);

// Prints the table "Lorentz" of the little-group classes of dimension d (2 to 26).
void displayLorentzReps(int d);
// Cell getters of "Lorentz" (table printer form): the row is the class index, in the
// dimension being printed; the item is not read.
bool BR_getNotationString(std::string& cell, const void* item, int classIndex);
bool BR_getInterpretationString(std::string& cell, const void* item, int classIndex);
bool BR_getDOFString(std::string& cell, const void* item, int classIndex);

// The "browse susy" cascade: all dimensions, one dimension, one first type, a pair of
// types, one class of the first type. mode is handed to the multiplet printer.
void displaySusy1();
void displaySusy2(int d, int mode);
void displaySusy3(int d, const SusyType* first, int mode);
void displaySusy4(int d, const SusyType* first, const SusyType* second, int mode);
void displaySusy5(int d, const SusyType* first, const SusyType* second, int c1, int mode);

// The printer of one multiplet pair, owned by the command set; mode -1 forgets the
// remembered pair of types. The default prints the type header (mode below 4, when the
// pair changed), the class codes (mode below 6) and the representation.
using DisplaySusyRoutine = void (*)(int d, const SusyType* first, const SusyType* second,
                                    int classL, int classR, int sym, int mode);
void setDisplaySusyRoutine(DisplaySusyRoutine routine);  // nullptr restores the default
void displaySusy(int d, const SusyType* first, const SusyType* second, int classL, int classR,
                 int sym, int mode);

// Restores the state right after start-up: no cached tables, no remembered pair.
void resetBranching();
