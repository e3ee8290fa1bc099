// Vector collections and equation collections (part of the VectorUtility module).
//
// A VectorSpace keeps rows of `rowsize` ints in one flat growable array. Row i starts at
// Space[i * rowsize]; rows keep their index for the life of the collection (only an
// explicit removal moves them), so a row index is the identity of a vector. Row `Nfill`
// is the free row: callers write a candidate there and ask the collection to take it.
// The int after the last row, Space[rowsize * Nrow], holds the end mark 888888888;
// shaping and growth write it, every appending operation checks it.
//
// In a searchable collection the last two ints of a row are the left and right links of
// a binary search tree ordered by compareVec over the first `idsize` ints (-1: no child).
// The module keeps beside each collection the rows at the two ends of its tree, while the
// root, row count and shape are those it saw last: a row beyond either end is linked there
// at once, where the walk from the root would end, so rows added in order cost no walk.
// A counted row has its count just before the links. Equation rows hold nvar
// coefficients, the constant and the pivot column; they are appended in order, unlinked.
//
// Growth reallocates the array, so only the pointer returned by the last operation is
// valid. A record itself never moves: static records are declared by their owners
// (VectorSpace Solutions_0{10, "Solutions"}), and NewVectorSpace records are kept by this
// module until resetVectorUtility. Collections are re-shaped, never freed.
//
// Operations that must refuse (no array, a zero growth step, a size out of range) alert
// and return nullptr (row pointers) or -1 (row indices); the collection is unchanged.
#pragma once

#include <cstdint>

#include "runtime/Allocation.h"

inline constexpr int kVectorSpaceEndMark = 888888888;
inline constexpr double kDoubleVectorSpaceEndMark = 888888888.0;
inline constexpr signed char kCharVectorSpaceEndMark = 'z';
// Result of the integer eliminations (equation collectors, row simplification) when a
// result would not fit 32 bits (64 bits for the Long variants); an alert is given and
// nothing is stored or changed.
inline constexpr int kEliminationOverflow = -1000;

struct VectorSpace {
  int rowsize = 0;     // ints per row, bookkeeping included
  int Nrow = 0;        // rows the array holds, the free row included
  int Nfill = 0;       // rows in use; row Nfill is the free row
  int increment0 = 0;  // base growth step in rows
  int increment = 0;   // current growth step in rows
  int idsize = 0;      // leading ints that identify a row
  int capacity = 0;    // ints set up by the last shaping: rowsize * Nrow + 1
  int root = 0;        // root row of the search tree; -1 for an empty tree
  int* Space = nullptr;
  const char* name = "";

  VectorSpace() = default;
  // A static record: growth step `step` rows, no array until the first shaping.
  VectorSpace(int step, const char* collectionName);
  // A record with an owned copy of its name, charged to account.
  VectorSpace(int step, const char* collectionName, AllocationAccount* account);
  VectorSpace(const VectorSpace&) = delete;
  VectorSpace& operator=(const VectorSpace&) = delete;
  // Drops what the module keeps about the collection's tree (its ends, below).
  ~VectorSpace();

  AccountVector<char> ownedName;
  AccountVector<int> storage;  // the array behind Space
};

// Searchable collection of doubles: same fields; links stored as doubles (-1.0 none).
struct DoubleVectorSpace {
  int rowsize = 0;
  int Nrow = 0;
  int Nfill = 0;
  int increment0 = 0;
  int increment = 0;
  int idsize = 0;
  int capacity = 0;
  int root = 0;
  double* Space = nullptr;
  const char* name = "";

  DoubleVectorSpace() = default;
  DoubleVectorSpace(int step, const char* collectionName);
  DoubleVectorSpace(int step, const char* collectionName, AllocationAccount* account);
  DoubleVectorSpace(const DoubleVectorSpace&) = delete;
  DoubleVectorSpace& operator=(const DoubleVectorSpace&) = delete;

  AccountVector<char> ownedName;
  AccountVector<double> storage;
};

// Collection of signed-char rows; end mark 'z'; links in a separate array of int pairs.
struct CharVectorSpace {
  int rowsize = 0;
  int Nrow = 0;
  int Nfill = 0;
  int increment0 = 0;
  int increment = 0;
  int idsize = 0;
  int capacity = 0;
  int root = 0;
  signed char* Space = nullptr;
  int* links = nullptr;  // (left, right) for each row
  const char* name = "";

  CharVectorSpace() = default;
  CharVectorSpace(int step, const char* collectionName);
  CharVectorSpace(int step, const char* collectionName, AllocationAccount* account);
  CharVectorSpace(const CharVectorSpace&) = delete;
  CharVectorSpace& operator=(const CharVectorSpace&) = delete;

  AccountVector<char> ownedName;
  AccountVector<signed char> storage;
  AccountVector<int> linkStorage;
};

// ---------------------------------------------------------------------------------------
// Shaping. Nrow is the number of rows asked for; the init routines add the free row.

// Shapes the record for Nrow rows of rowsize ints; returns Space. An array that is large
// enough is kept (its whole extent stays usable). Nfill, root := 0; idsize := rowsize.
int* SetVectorSpace(VectorSpace* space, int rowsize, int Nrow);
// Searchable: rows of n entries + 2 links; returns the free row.
int* initVectorCollection(VectorSpace* space, int n, int Nrow);
// Counted: n entries, count, 2 links; returns Space.
int* initCountedVectorCollection(VectorSpace* space, int n, int Nrow);
// Equations: nvar coefficients, constant, pivot column; idsize nvar + 1; returns Space.
int* initEquationCollection(VectorSpace* space, int nvar, int Nrow);
// Inversion equations: n pivot-eligible entries, m further ones, pivot column.
int* initInversionCollection(VectorSpace* space, int n, int m, int Nrow);
void initDoubleVectorCollection(DoubleVectorSpace* space, int n, int Nrow);
signed char* initCharVectorCollection(CharVectorSpace* space, int n, int Nrow);
// A new record (name copied, charged to account) shaped for Nrow rows plus the free
// row, with growth step `increment`. The record stays at its address for the whole run;
// the account must live as long (accounts are static records).
VectorSpace* NewVectorSpace(int rowsize, int Nrow, int increment, AllocationAccount* account,
                            const char* name);
DoubleVectorSpace* NewDoubleVectorSpace(int rowsize, int Nrow, int increment,
                                        AllocationAccount* account, const char* name);
CharVectorSpace* NewCharVectorSpace(int rowsize, int Nrow, int increment,
                                    AllocationAccount* account, const char* name);
void setIdentificationSize(VectorSpace* space, int k);

// ---------------------------------------------------------------------------------------
// Insertion and search. A free-row result points to row Nfill after the operation.

// Inserts the free row unless an equal row exists; returns the free row.
int* addToCollection(VectorSpace* space);
// Copies rowsize ints of vec into the free row, then addToCollection.
int* addVectorToCollection(VectorSpace* space, const int* vec);
// Row index of vec (idsize ints compared), or -1.
int findVectorInCollection(const VectorSpace* space, const int* vec);
// The index of vec, adding it when absent.
int LocateInCollection(VectorSpace* space, const int* vec);
// Adds k to the count of the row equal to the free row, or inserts it with count k;
// the row index, -1 for k = 0.
int addToCountedCollection(VectorSpace* space, int k);
// Inserts the free double row unless an equal one (within 1e-7) exists; its index.
int addToDoubleCollection(DoubleVectorSpace* space);
int findVectorInDoubleCollection(const DoubleVectorSpace* space, const double* vec);
signed char* addToCharCollection(CharVectorSpace* space);
// Unindexed collections: appends the free row / a copy of vec; returns the free row.
int* addVectorToSpace(VectorSpace* space);
int* addNewVectorToSpace(VectorSpace* space, const int* vec);
// Removes row i; later rows move up one place and the tree is rebuilt.
int* removeVectorFromCollection(VectorSpace* space, int i);
// Rebuilds the search tree by inserting every row again in row order.
int* reindexVectorCollectionAfterRemoval(VectorSpace* space);
// Links rows 0 .. Nfill-1, appended unlinked (addNewVectorToSpace), into a balanced
// search tree by sorting them: for many rows known to be distinct, where inserting them
// one by one walks a deep tree. Every row keeps its index. False, with nothing changed,
// when two rows are equal or the collection is not searchable.
bool linkDistinctRows(VectorSpace* space);
// Gives dst the tree of src, link for link: for rows 0 .. Nfill-1 of dst that stand in the
// order of src's rows of the same numbers. False, with nothing changed, unless both are
// searchable and hold equally many rows.
bool copyTreeLinks(VectorSpace* dst, const VectorSpace* src);
int reindexDoubleVectorCollection(DoubleVectorSpace* space);
// dst becomes a copy of src's shape and rows; dst keeps its name and growth record.
void copyVectorCollection(VectorSpace* dst, const VectorSpace* src);

// Each row's first idsize ints through printVec with the label "Nr. %d".
void printVectorSpace(const VectorSpace* space);
// The rows in descending order of their counts, "%6d x " before each.
void printCountedVectorCollection(const VectorSpace* space);

// ---------------------------------------------------------------------------------------
// Equation collections. An equation row stands for c0 x0 + ... + c(nvar-1) x(nvar-1) +
// constant = 0 (modulo N for the cyclic collector).

// 1 (v divided by the gcd of its n entries), 0 (all zero), -1 (only the last entry is
// non-zero; it is set to 1).
int NormalizeVector(int n, int* v);
// Eliminates column k of a by b (64-bit intermediate): positive (a non-zero), 0 (a zero),
// negative (a reads 0 = constant with a non-zero constant), kEliminationOverflow (a result
// does not fit 32 bits; a is left unchanged).
int subtractVectorsToNullify(int n, int* a, const int* b, int k);
// positive: stored; 0: dependent or zero; negative: inconsistent (or kEliminationOverflow).
int CollectIntegerEquations(VectorSpace* space, const int* eq);
int CollectInversionEquations(VectorSpace* space, const int* row);
// Common denominator L with the solution x / L, or -1.
int SolveIntegerEquations(const VectorSpace* space, int* x, int quiet);
// 1 when every stored row vanishes on x (x[nvar] multiplies the constant), else 0.
int CheckIntegerEquations(const VectorSpace* space, const int* x);
int cyclicInverse(int a, int N);  // 0 when there is none
int cyclicallyInvertable(int a, int N);
int NormalizeCyclicVector(int n, int* v, int N);
int subtractVectorsToNullifyCyclically(int n, int* a, const int* b, int k, int N);
int NormalizeOnPosition(int n, int* v, int k, int N);
int testSolutionToCyclicEquations(const VectorSpace* space, const int* x, int N);
// 1: stored; 0: zero or dependent; -1: inconsistent. The entries of eq are reduced
// modulo N in place.
int CollectCyclicEquations(VectorSpace* space, int* eq, int N);

// Find-or-append on the rows of n ints kept in the named int pool `pool`: the index of
// the first of the *count rows equal to vec, or -1 after appending vec (count grows).
// *array receives the pool's data, valid until the next Collect on the same pool.
int Collect(int** array, const char* pool, int n, const int* vec, int* count);
