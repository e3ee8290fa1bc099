// Vector utilities: the small vocabulary every module speaks about vectors.
//
// An int vector is a plain array of 32-bit ints whose length is passed first
// (copyVec(n, dst, src)); a few older routines take it last (dotProd(a, b, n)). Double
// vectors are arrays of doubles; complex vectors are two double arrays (real parts,
// imaginary parts). Comparators have the form cmp(n, a, b) and return -1, 0 or +1;
// compareVec is the order of every vector collection. An index of -1 means none.
//
// Also here: IntList (a growable set of ints embedded by value in records), flat row
// storages owned by the caller, vectors in text files, random permutations and in-place
// row permutations. The vector collections (VectorSpace) and equation collections are
// declared in VectorSpace.h, the matrix routines in LinearAlgebra.h; both are part of
// this module and included below, so that including this header gives the whole module.
//
// Module state: the work buffers "output", "ran", "ranPerm" and "Work"; they only grow,
// and resetVectorUtility releases them together with the collection module's state.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Allocation.h"

// ---------------------------------------------------------------------------------------
// Printers. Whole lines; nothing is written for a length below 1 unless said otherwise.

// Standard output: label, two blanks, "(", the entries as "%d," and the last as "%d)\n".
void printVec(int n, const int* v, const char* label);
void printVecToFile(int n, const int* v, const char* label, std::FILE* file);
// Appends the printVec line to text and returns it (nothing for n < 1).
std::string& printVecToString(int n, const int* v, const char* label, std::string& text);
// As printVecToFile, but closing with "%d)/%d\n" (last entry, norm) when norm >= 2.
void printNormalizedVecToFile(int n, int norm, const int* v, const char* label, std::FILE* file);
void printLongVec(int n, const long long* v, const char* label);
void printCharVec(int n, const signed char* v, const char* label);
// printVec of the entries up to the last non-zero one (at least one entry).
void printNonZeroVec(int n, const int* v, const char* label);
// "%s  " then, for 1 <= width <= 8, each entry as a blank and the entry right-aligned in
// width columns; then a newline.
void printVecFixedWidth(int n, int width, const int* v, const char* label);
void printVecFixedWidthToFile(int n, int width, const int* v, const char* label, std::FILE* file);
// Entries as "%5d " and the last as "%5d\n".
void printVectorData(int n, const int* v);
void printVectorDataToFile(std::FILE* file, int n, const int* v);
// Entries as "%d" without separators, then a newline.
void printSingleDigitVec(int n, const int* v);
// Entries as "%d " then a newline (the newline also for n < 1).
void writeVec(int n, std::FILE* file, const int* v);
// The title as a line, then "%d %d\n" (index, value) up to the last non-zero entry.
void printHistogram(int n, const int* v, const char* title);
// label, a blank, "(", entries as "%7.4f," and the last as "%7.4f)", newline; 24 entries
// to a line, continuation lines indented under the first entry; the last entry never
// starts a line of its own.
void printDoubleVec(int n, const double* x, const char* label);
void printDoubleVecToFile(int n, const double* x, const char* label, std::FILE* file);
void printDoubleVecHD(int n, const double* x, const char* label);   // "%15.10f"
void printDoubleVecXHD(int n, const double* x, const char* label);  // "%25.20f"
// "(a,b,...,z)/d" of v divided by the gcd g of norm and the entries, with d = norm / g
// shown only when it is at least 2, padded with blanks (or cut) to exactly width
// characters. A norm below 1 gives "***" after the alert "Invalid norm: %d".
std::string NormalizedIntegerVectorString(int n, int width, int norm, const int* v);

// ---------------------------------------------------------------------------------------
// Elementary operations (n is the length).

void copyVec(int n, int* dst, const int* src);
void copyDoubleVec(int n, double* dst, const double* src);
void nullifyVec(int n, int* v);
void nullifyDoubleVec(int n, double* x);
void blankVec(int n, char* s);  // n blanks, no terminator
void signFlip(int n, int* v);
void addVec(int n, const int* a, const int* b, int* c);  // c := a + b
int vecSum(const int* v, int n);
int addVectorEntries(int n, const int* v);
int dotProd(const int* a, const int* b, int n);
double dotProdD(const double* a, const double* b, int n);
double DoubleNorm(int n, const double* x);  // sum of squares, no square root
// +1 / -1: sign of the first non-zero entry; 0 for a zero vector.
int getLeadingEntrySign(int n, const int* v);
int zeroVectorCheck(int n, const int* v);          // 1 when all entries are 0 (and n < 1)
int zeroDoubleVectorCheck(int n, const double* x);  // 1 when every entry is within 1e-7 of 0
// Divides by the gcd of the entries and makes the first non-zero entry positive;
// 1, or 0 for a zero vector (left unchanged).
int NormalizeIntegerVector(int n, int* v);
int NormalizeLongIntegerVector(int n, long long* v);
// Index of the largest entry, first on ties; entries at or below -2000000000 never count.
int findMaximalElement(int n, const int* v);
// Index of the largest absolute value, first on ties; -1 for n < 1.
int findMaximalRealElement(int n, const double* x);
// z holds n (re, im) pairs; index of the largest modulus, first on ties; -1 for n < 1.
int findMaximalComplexElement(int n, const double* z);
// Index of the first entry equal to x; -1 when absent, for n < 1 or a null v.
int Present(const int* v, int n, int x);
// The entries of a (in a's order, repeats kept) that occur in b; out needs na places.
void Intersect(const int* a, const int* b, int* out, int na, int nb, int* nout);
// Removes later repeats, keeping first occurrences in order; returns the new length.
int removeIdentical(int* v, int n);
void revertVector(int n, int* v);
void swapEntries(int* v, int i, int j);
// Sorts ascending / descending by adjacent exchanges; returns the permutation's sign.
int orderVectorUp(int n, int* v);
int orderVector(int n, int* v);
// Sorts v descending inside every run of positions with equal classes entries; the sign.
int reorderVector(int n, const int* classes, int* v);
// 1 when p is an involution of 0 .. n-1: p[p[i]] = i for every i (1 for n < 1).
int CheckInvolution(int n, const int* p);
// The n lowest binary digits of x, least significant first (truncating division).
void generateBinaryVector(int x, int n, int* v);

// ---------------------------------------------------------------------------------------
// Comparisons: -1/0/+1 unless said.

int compareVec(int n, const int* a, const int* b);  // lexicographic on signed ints
int compareCharVec(int n, const signed char* a, const signed char* b);
int InverseCompareVec(int n, const int* a, const int* b);  // from the last entry down
// The first entry whose difference is not within 1e-7 decides (+1 when a's is larger).
int compareDoubleVecOrdered(int n, const double* a, const double* b);
// 1 when all entries agree within 1e-7 (and for n < 1), else 0.
int compareDoubleVec(int n, const double* a, const double* b);
// Compares the truncated integer parts of the two squared norms.
int compareDoubleVecNorms(int n, const double* a, const double* b);
// 1 when every entry of each occurs in the other (multiplicities ignored), 1 for n < 1,
// 0 for a null vector.
int compareDisorderedVectors(int n, const int* a, const int* b);

// ---------------------------------------------------------------------------------------
// Complex vectors (re, im arrays of length n).

// The sum of conj(a_i) b_i.
void ComplexInnerProduct(int n, const double* aRe, const double* aIm, const double* bRe,
                         const double* bIm, double* re, double* im);
// 1 when that product satisfies |re| + |im| <= 1e-7.
int ComplexOrthogonalityCheck(int n, const double* aRe, const double* aIm, const double* bRe,
                              const double* bIm);
double ComplexNorm(int n, const double* re, const double* im);  // squared norm
// Divides both arrays by the norm; a zero vector is left unchanged.
void NormalizeComplexVec(int n, double* re, double* im);

// ---------------------------------------------------------------------------------------
// IntList: a growable set of ints. The block (label "A->list", no account) holds the
// guard 777777777 before the entries and 888888888 after the last used place. An empty
// record is an empty list; copies are deep.

struct IntList {
  int* list = nullptr;          // the entries
  int* list_true = nullptr;     // the guarded block
  std::int64_t list_req = 0;    // entries asked for at the last allocation
  std::int64_t list_oldsize = 0;  // position of the trailing guard
  std::int64_t list_size = 0;   // capacity in entries
  int n = 0;                    // number of entries

  IntList() = default;
  IntList(const IntList& other);
  IntList& operator=(const IntList& other);
  IntList(IntList&& other) noexcept;
  IntList& operator=(IntList&& other) noexcept;
  ~IntList() = default;

  AccountVector<int> block{AccountAllocator<int>(&WorkSpaceSize, "A->list")};
};

// Makes L empty with room for at least n entries (a large enough block is kept).
void initList(IntList* L, int n);
// Appends x unless it is already an entry.
void addToList(IntList* L, int x);
int findInList(const IntList* L, int x);  // index or -1
void orderList(IntList* L);               // ascending

// ---------------------------------------------------------------------------------------
// Flat storages: a caller-owned matrix of max rows of len ints and a count n.

// Adds mult to the count of the row equal to vec, or appends vec with count mult; the row
// index, -1 for mult 0, len < 1 or a zero vec. Reaching max rows ends the program.
int AddVectorToStorage(const int* vec, int* store, int* counts, int len, int mult, int* n, int max);
// Index of the row equal to vec, appending it while n < max; -1 when full.
int StoreVector(const int* vec, int* store, int len, int* n, int max);
int lookup(const int* vec, const int* store, int len, int n);
// Binary search in rows sorted ascending by compareVec; index or -1.
int Orderedlookup(const int* vec, const int* store, int len, int n);

// ---------------------------------------------------------------------------------------
// Files.

// Reads up to n ints; 0 when n were read (or n < 1), 1 at end of file before the first,
// 2 after "Premature end-of-file" or an entry that is not a number.
int readVectorFromFile(std::FILE* file, int* v, int n);
// Appends one writeVec line to the named file; a file that cannot be opened ends the
// program with status 1.
void addVectorToFile(const char* name, int n, const int* v);

// ---------------------------------------------------------------------------------------
// Permutations.

// A random permutation of 0 .. n-1 followed by its inverse (2n ints).
std::vector<int> ranVec(int n);
// Permutes the n rows of len ints of M in place so that new row k is old row perm[k];
// inv is perm's inverse. A null M, or a perm/inv that is no permutation, changes nothing
// (the latter with an alert).
void reorderVectors(int* M, int n, int len, const int* perm, const int* inv);

// Restores the module (vector utilities, collections, linear algebra) to its start state.
void resetVectorUtility();

#include "collections/LinearAlgebra.h"
#include "collections/VectorSpace.h"
