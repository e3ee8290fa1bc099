// The finite Weyl group of a simple Lie algebra (type codes 1 to 5) and orbits of weights.
//
// The group is held as the list of its images of rho: element k is identified by the
// Dynkin labels of w_k(rho) (rho is regular, so the labels identify w_k), packed 8 bits a
// label into one 64-bit key, together with the index of its parent element and the simple
// reflection i with w_k = s_i w_parent (13 bytes an element, plus a hash index of the keys
// for look-ups). Element 0 is the identity (labels all 1, parent -1, reflection -1); every
// other element has a parent of smaller index, so the parent chain spells a reduced word
// of w_k. One group is cached (the last (type, rank) asked for); it lives until another
// group or resetWeylGroup. Orbits, parity orbits and sign classes are returned in
// module-owned buffers that the next call of the same routine overwrites.
//
// Reflections read a copy of the extended Cartan matrix CM of the Lie-algebra module (row
// i holds the Dynkin labels of simple root i; node `rank` is the affine node), taken once
// per (type, rank).
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/Allocation.h"

// ---------------------------------------------------------------------------------------
// The group
// ---------------------------------------------------------------------------------------

// The account that holds the group and its orbit lists ("Weyl group").
extern AllocationAccount WeylGroup_alloc;

struct WeylGroupCollection {
  int type = -1;
  int rank = 0;
  long long order = 0;
  AccountVector<std::uint64_t> keys{AccountAllocator<std::uint64_t>(&WeylGroup_alloc, "Weyl group")};
  AccountVector<std::int32_t> parents{AccountAllocator<std::int32_t>(&WeylGroup_alloc, "Weyl group")};
  AccountVector<std::int8_t> reflections{AccountAllocator<std::int8_t>(&WeylGroup_alloc, "Weyl group")};
  int count() const { return static_cast<int>(keys.size()); }
  int parent(int k) const { return parents[static_cast<std::size_t>(k)]; }
  int reflection(int k) const { return reflections[static_cast<std::size_t>(k)]; }
  // The rank Dynkin labels of w_k(rho) into out.
  void labels(int k, int* out) const {
    const std::uint64_t key = keys[static_cast<std::size_t>(k)];
    for (int i = 0; i < rank; ++i) out[i] = static_cast<int>((key >> (8 * i)) & 0xff) - 128;
  }
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

// The distinct images of lambda, each once, in the order of their first appearance in
// WeylReflections. A dominant lambda (no label negative) is walked from itself by simple
// reflections, each step s_i taken where label i is positive, breadth first with the
// reflections in increasing order: the cost follows the orbit, not the group, and the
// order is the group's (an orbit weight first appears at its shortest element w, which
// the group numbers by the same breadth-first rule). Another lambda goes through the
// whole group. nullptr after the alerts of initWeylGroup when the group is too large or
// not finite. Overwritten by the next call.
const WeylOrbitList* WeylOrbit(int type, int rank, const int* lambda);

// Index of w_a w_b in the group: by a product table for groups of at most 1,200 elements,
// else by the action of w_a's word on the labels of w_b(rho). -1 after an alert naming
// the range when a or b is not an element index, or after alert 212404 "Element not
// found" when the product is missing (or the group cannot be built).
int WeylMultiply(int type, int rank, int a, int b);

// Orbit of the root-basis vector beta under WeylReflectionInRootBasis, components reduced
// into [0, 2N). Returns count vectors of rank ints (module buffer). The parity routines
// poll checkInterrupt and stop early (what was found so far) when it asks them to.
const int* WeylParityOrbit(int type, int rank, const int* beta, int* count, int N);
// The same on Dynkin labels with WeylReflection, modulus 2.
const int* DynkinWeylParityOrbit(int type, int rank, const int* lambda, int* count);

// Root-basis class vector of the simple current J (static vector of rank ints).
const int* conjugacyClassVector(int type, int rank, int J);
// Representatives (orbit minima) of the classes of shifted parity vectors.
const int* SignClasses(int type, int rank, int* count, int J);
const int* DynkinSignClasses(int type, int rank, int* count);

// Order of the Weyl group of the connected sub-diagram formed by the n given nodes of the
// extended Dynkin diagram of the Lie module's current Cartan data; -1 after alert 212404 "Unrecognized Cartan matrix".
int recognizeSubdiagram(const int* nodes, int n, int rank);
// Order of the stabiliser of an extended label vector (rank+1 entries) generated by the
// reflections of its zero-label nodes; 1 when no label is 0.
int WeylBoundaryMultiplicity(const int* lambda, int type, int rank);

void resetWeylGroup();
