// The finite Weyl group of a simple Lie algebra (type codes 1 to 5) and orbits of weights.
//
// The group is held as the collection of its images of rho: row k holds the Dynkin labels
// of w_k(rho) (rank ints; rho is regular, so the labels identify w_k), then the index of
// its parent row and the simple reflection i with w_k = s_i w_parent. Row 0 is the
// identity (labels all 1, parent -1, reflection -1); every other row has a parent of
// smaller index, so the parent chain spells a reduced word of w_k. One group is cached
// (the last (type, rank) asked for); it lives until another group or resetWeylGroup.
// Orbits, parity orbits and sign classes are returned in module-owned buffers that the
// next call of the same routine overwrites.
//
// Until the Lie-algebra module provides its Cartan data, the extended Cartan matrix, root
// norms and comarks come from the stand-in weylCartanData below (built by the same
// rules: node `rank` is the affine node; row i holds the Dynkin labels of simple root i).
#pragma once

#include <cstdint>
#include <vector>

#include "Allocation.h"

// ---------------------------------------------------------------------------------------
// Stand-in Lie data (to be replaced by the Lie-algebra module's Cartan data)
// ---------------------------------------------------------------------------------------

struct WeylCartanData {
  int type = -1;
  int rank = -1;
  std::vector<int> cm;        // (rank+1) x (rank+1), row-major, affine node last
  std::vector<int> rootnorm;  // rank+1 squared root lengths, long roots 6
  std::vector<int> theta;     // rank+1 comarks, entry rank the affine node's
  int at(int i, int j) const { return cm[static_cast<std::size_t>(i) * (rank + 1) + j]; }
};

// Extended Cartan matrix, root norms and comarks of types 1..5 and 11..16; becomes the
// "current" Cartan data read by recognizeSubdiagram. Other types: an alert, and data
// with an identity-like chain (as the Lie module's Cartan leaves it).
const WeylCartanData& weylCartanData(int type, int rank);
// Order of the finite Weyl group: A (r+1)!, B and C 2^r r!, D 2^(r-1) r!, code 5 from the
// table of G2, F4, E6, E7, E8; -1 otherwise.
long long weylGroupOrder(int type, int rank);
// Order of the centre (simple-current group) of a simple algebra of types 1..5.
int weylCenter(int type, int rank);

// ---------------------------------------------------------------------------------------
// The group
// ---------------------------------------------------------------------------------------

// The account that holds the group and its orbit lists ("Weyl group").
extern AllocationAccount WeylGroup_alloc;

struct WeylGroupCollection {
  int type = -1;
  int rank = 0;
  long long order = 0;
  AccountVector<int> rows{AccountAllocator<int>(&WeylGroup_alloc, "Weyl group")};  // rows of rank+2 ints
  int count() const { return rank < 0 ? 0 : static_cast<int>(rows.size() / (rank + 2)); }
  const int* row(int k) const { return rows.data() + static_cast<std::size_t>(k) * (rank + 2); }
  int parent(int k) const { return row(k)[rank]; }
  int reflection(int k) const { return row(k)[rank + 1]; }
};

inline constexpr long long kWeylGroupMaximum = 3000000;

// Builds (or returns the cached) group of (type, rank); nullptr after alert 520313 when
// the order exceeds 3,000,000, or after an input alert for a type without a finite Weyl
// group. Prints "Initialization finished\n" after building a group of 10,001 or more.
const WeylGroupCollection* initWeylGroup(int type, int rank);

// out = s_i(lambda) on Dynkin labels: out_j = lambda_j - CM[i][j] lambda_i. Returns out.
int* WeylReflection(int type, int rank, const int* lambda, int* out, int i);
// out = beta except out_i = beta_i - sum_j CM[i][j] beta_j (root-basis vectors).
int* WeylReflectionInRootBasis(int type, int rank, const int* beta, int* out, int i);

// The orbit list of a weight: row k is w_k(lambda), in the row order of the group.
struct WeylOrbitList {
  int count = 0;
  int rowLength = 0;
  AccountVector<int> data{AccountAllocator<int>(&WeylGroup_alloc, "WeylReflections")};
  const int* row(int k) const { return data.data() + static_cast<std::size_t>(k) * rowLength; }
};
// nullptr when the group cannot be built. Overwritten by the next call.
const WeylOrbitList* WeylReflections(int type, int rank, const int* lambda);

// Index of w_a w_b in the group; -1 after alert 212404 "Element not found" when the
// product is missing (or the group cannot be built).
int WeylMultiply(int type, int rank, int a, int b);

// Orbit of the root-basis vector beta under WeylReflectionInRootBasis, components reduced
// into [0, 2N). Returns count vectors of rank ints (module buffer).
const int* WeylParityOrbit(int type, int rank, const int* beta, int* count, int N);
// The same on Dynkin labels with WeylReflection, modulus 2.
const int* DynkinWeylParityOrbit(int type, int rank, const int* lambda, int* count);

// Root-basis class vector of the simple current J (static vector of rank ints).
const int* conjugacyClassVector(int type, int rank, int J);
// Representatives (orbit minima) of the classes of shifted parity vectors.
const int* SignClasses(int type, int rank, int* count, int J);
const int* DynkinSignClasses(int type, int rank, int* count);

// Order of the Weyl group of the connected sub-diagram formed by the n given nodes of the
// current extended Dynkin diagram; -1 after alert 212404 "Unrecognized Cartan matrix".
int recognizeSubdiagram(const int* nodes, int n, int rank);
// Order of the stabiliser of an extended label vector (rank+1 entries) generated by the
// reflections of its zero-label nodes; 1 when no label is 0.
int WeylBoundaryMultiplicity(const int* lambda, int type, int rank);

// out = GM v with GM[j][i] = (6 / rootnorm[j]) CM[j][i] (rank x rank). Returns out.
int* CartanMultiply(int type, int rank, const int* v, int* out);

void resetWeylGroup();
