// Ordering, balancing and traversal of whole vector collections, and the named vector
// arrays (an older container family: trees of caller-owned vectors under a name).
//
// Tree order is the in-order walk that visits the right subtree first, then the node,
// then the left subtree: rows in descending compareVec order; a row's position is its
// rank in that walk, 0 for the largest. Every walk here is iterative, so a degenerate
// tree (a chain as deep as the collection) cannot exhaust the stack.
//
// State: the work buffers of the operations (kept between calls) and the registry of
// named vector arrays rooted at vecroot; resetSorting drops both.
#pragma once

#include <vector>

#include "collections/VectorSpace.h"

using VectorComparison = int (*)(int n, const int* a, const int* b);
using DoubleVectorComparison = int (*)(int n, const double* a, const double* b);
using CollectionAction = void (*)(int n, int* row, void* context);
using SubVectorAction = void (*)(int rowsize, int index, int* row, void* context);
using DistinctAction = void (*)(int rowsize, int* row, void* context, int* rightLinks);

// The Nfill row indices in ascending cmp order (equal rows in row order); empty for a
// null record or one without an array.
std::vector<int> OrderVectorCollection(const VectorSpace* space, VectorComparison cmp);
std::vector<int> OrderDoubleVectorCollection(const DoubleVectorSpace* space,
                                             DoubleVectorComparison cmp);
// Calls act(idsize, row, nullptr) on every row in ascending cmp order.
void OrderedActionOnCollection(VectorSpace* space, CollectionAction act, VectorComparison cmp);

// Rebuilds the search tree balanced without comparing vectors; returns the rows in tree
// order. Every row keeps its index.
std::vector<int> BalanceVectorCollection(VectorSpace* space);
// The rows in tree order, without rebuilding.
std::vector<int> collectOrderedVectors(const VectorSpace* space);
// An insertion order of the positions 0 .. n-1 that yields a balanced tree: halving
// steps n/2, n/4, ... 1, each adding the unused odd multiples below n, then the rest.
std::vector<int> getOptimizedLabelOrdering(int n);
// Appends the subtree of node in tree order: labels[fill] := row, positions[row] := fill.
void collectOrderedVectorsFromNode(const VectorSpace* space, int node, int* labels,
                                   int* positions, int* fill);
// Rebuilds the links from a ranking (labels in tree order, positions their inverse).
void ReindexVectorCollection(VectorSpace* space, const int* labels, const int* positions);
// Links one row into the tree by its position (a larger position goes left).
void addVectorLabel(VectorSpace* space, int row, int* root, const int* positions);
// Row index of vec or -1; depth receives the number of links followed.
int findVectorInCollection_depth(const VectorSpace* space, const int* vec, int* depth);
// Looks every row up and prints "Looked for vector %d; found vector %d\n" for each row
// not found at its own index; returns the number of such rows.
int RequiredSearchDepth(const VectorSpace* space);
void SelfAccessTime(const VectorSpace* space);

// Number of rows whose first len ints equal vec; fn(rowsize, index, row, context) is
// called on each, in descending order.
int findSubVectorsInVectorSpace(VectorSpace* space, const int* vec, int len, SubVectorAction fn,
                                void* context);
int findSubVectorInVectorSpace(int node, VectorSpace* space, const int* vec, int len,
                               SubVectorAction fn, void* context);
// Calls fn once for the first occurrence of every distinct row, in row order.
void actOnDistinct(VectorSpace* space, DistinctAction fn, void* context);
// 1 when row i is new to the private index given by the link arrays (and is linked in),
// 0 when an equal earlier row exists.
int AddToIndex(const VectorSpace* space, int i, int* left, int* right);
// Columns c and c + 1 share a class when every row holds equal entries in them; v is
// rejected (0) when it decreases between two columns of one class, else accepted (1).
int checkVectorOrdering(const VectorSpace* space, const int* v);

// ---------------------------------------------------------------------------------------
// Named vector arrays. Vectors are owned by the caller and must outlive the array.

using VectorArrayComparison = int (*)(int n, const int* a, const int* b, void* context);
using VectorArrayAction = void (*)(int n, const int* vector, void* context);

struct VectorNode {
  const int* vector = nullptr;
  int depth = 1;  // the root has depth 1
  int left = -1;  // node indices
  int right = -1;
};

struct VectorArray {
  int count = 0;
  int length = 0;
  int third = 0;
  AccountVector<char> name;
  AccountVector<VectorNode> nodes;  // nodes[0] is the root when not empty
  VectorArrayComparison cmp = nullptr;
  void* context = nullptr;
  VectorArray* left = nullptr;  // the name tree
  VectorArray* right = nullptr;

  explicit VectorArray(const char* arrayName);
};

int defaultComparison(int n, const int* a, const int* b, void* context);
// Compares the sums of a and b over each run of equal entries of classes (an int array
// passed as context): the first differing run decides, +1 when a's sum is smaller; then
// compareVec.
int pcwComp(int n, const int* a, const int* b, void* classes);

VectorArray* getVectorArray(VectorArray** registry, const char* name);
VectorArray* findVectorArray(VectorArray* const* registry, const char* name);
VectorArray* findNamedVectorArray(const char* name);
VectorArray* initVectorArray(const char* name, VectorArrayComparison cmp, void* context);
void resetVectorArray(const char* name, int length, int third);
int addVectorToArray(VectorArray* array, const int* vec);
const int* findVectorInArray(const VectorArray* array, const int* vec);
int findSubVectorInArray(const VectorArray* array, const int* vec, int len, VectorArrayAction fn,
                         void* context);
void printVectorArray(const VectorArray* array);
void addVectorToVectorArray(int* count);

void resetSorting();
