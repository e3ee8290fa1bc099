// Finite abelian groups, their characters, subgroups and stabiliser records.
//
// A group is a DGType: a product Z(n_0) x ... x Z(n_(k-1)) of cyclic factors whose
// elements are the integers 0 .. order-1 in a mixed-radix numbering: with place values
// P_0 = 1 and P_j = n_0 ... n_(j-1), element e has components c_j(e) = floor(e / P_j)
// mod n_j (component 0 varies fastest); the identity is 0 and the law is componentwise
// addition modulo the factors. Groups obtained from DG_find live in a cache (newest
// first, shared by all callers, never released); groups made by DG_makeDecomp or
// DG_allocSpace belong to the caller until DG_free.
//
// Abstract groups are known only by element numbers 0 .. N-1 (element 0 the identity)
// and a product callback; DG_mapProductNEW and its kin identify them, or a subgroup of
// them, with the cached DGType of the same type (invariant factors, largest first) and a
// map from canonical to abstract elements.
//
// Character values are phases q in [0, 1) (the value is exp(2 pi i q)):
// chi(a, b) = (sum_j c_j(a) c_j(b) N / n_j) mod N, over N. A table of all values is
// built on first use when it fits the allocation limit; larger groups answer single
// values on demand.
//
// Subgroups are SGType records in a chain (head: DG_firstSubgroup()) built breadth
// first from {0}, each subgroup reached through its canonical generators. Stabiliser
// records (FPType) pair an untwisted stabiliser U with its stabiliser S and identify U
// with its canonical group; their lists are owned by the callers.
//
// All records live in pools of this module; resetDiscrete() releases every group,
// subgroup chain, stabiliser record, table and work buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"

extern AllocationAccount DG_space;
extern AllocationAccount FP_alloc;

// Orders at and beyond which no character table is stored.
inline constexpr int kCharacterTableOrderLimit = 45001;

struct DGType {
  DGType* next = nullptr;      // link of the cache list; nullptr outside the cache
  int* factors = nullptr;      // nfactors cyclic orders, in the order given
  int* orders = nullptr;       // order of every element; 0 = not yet known
  int* decomp = nullptr;       // order x nfactors components, or nullptr
  std::int32_t order = 1;
  std::int32_t nfactors = 0;
  std::int32_t charstatus = 0;  // 0 not built, 1 built, -2 refused (too large)
  int* characters = nullptr;    // order x order numerators over order, or nullptr

  AccountVector<int> block{AccountAllocator<int>(&DG_space, "Discrete group data")};
  AccountVector<int> characterBlock{AccountAllocator<int>(&DG_space, "Discrete group characters")};
  int slot = -1;       // pool position
  bool cached = false;  // in the cache or the shared trivial group: never released
};

// The law of a group known by element numbers: a times b. ctx is handed through.
using DGProductCallback = int (*)(int a, int b, void* ctx);
// g to the power m; nullptr stands for DG_power.
using DGPowerCallback = int (*)(int g, int m, void* ctx, DGProductCallback product);
// The image of element e under permutation number k of a set acting on the group.
using DGActionCallback = int (*)(int k, int e, void* ctx);

// ---------------------------------------------------------------------------------------
// Groups, the cache and element operations

// The cached group with exactly these factors (in this order), made when absent. k = 0
// gives the shared trivial group. A factor below 1 or an order beyond 2^31 - 1 is
// reported and gives nullptr.
DGType* DG_find(const int* factors, int k);
DGType* DG_trivial();
// A new record outside the cache with its data block; factors and decomp are the
// caller's to fill. withCharacters reserves the table inside the block when it fits.
DGType* DG_allocSpace(int order, int k, int withCharacters);
// A new group outside the cache, decomp and element orders filled.
DGType* DG_makeDecomp(const int* factors, int k);
// A bare record without data block.
DGType* DG_alloc();
// Releases a group made by DG_makeDecomp, DG_allocSpace or DG_alloc.
void DG_free(DGType* dg);
// Fills every element order that is still 0.
void DG_findOrdersFast(DGType* dg);

// The place value P_j (1 for j < 1); 0 for a group of order 1.
int DG_basis(const DGType* dg, int j);
int DG_decomp(const DGType* dg, int e, int j);
// sum_j comps[j] P_j (components not reduced); -1 after an alert when it leaves int.
int DG_findElement(const DGType* dg, const int* comps);
int DG_computeChargeCode(const DGType* dg, const int* charges);
// The components of element code: a view of the group's table, valid while the group
// lives (nullptr after an alert for an element out of range or a group without table).
const int* DG_DecodeChargeCode(const DGType* dg, int code);
int DG_product(int a, int b, const DGType* dg);
// DG_product as a product callback: ctx is the DGType.
int DG_productLaw(int a, int b, void* ctx);
int DG_ChargeCodeProduct(const DGType* dg, int a, int b);
int DG_inverse(const DGType* dg, int e);
int DG_findMinimumInFactor(const int* elements, const DGType* dg, int n, int j);
// For j = 0 .. k-1 the DG_findMinimumInFactor results that are not 0.
std::vector<int> DG_findOrderedBasis(const int* elements, const DGType* dg, int n);
void DG_print(const DGType* dg);

// ---------------------------------------------------------------------------------------
// Abstract groups: orders, powers, closures, canonical basis and map

int DG_findOrder(int e, void* ctx, DGProductCallback product);
void DG_findOrders(int* orders, int N, void* ctx, DGProductCallback product);
int DG_power(int g, int m, void* ctx, DGProductCallback product);
// The basis (invariant factors, largest first) of the subgroup formed by the n listed
// elements of an abstract group of N elements. orders (N entries) is completed in place.
std::vector<int> DG_findBasisNEW(const int* elements, int* orders, int N, int n, void* ctx,
                                 DGProductCallback product, DGPowerCallback power);
// The canonical group of the subgroup; map[e] (room for n entries) = the abstract
// element standing for canonical element e.
DGType* DG_mapSubProductNEW(int* map, int* orders, int N, int n, const int* elements, void* ctx,
                            DGProductCallback product, DGPowerCallback power);
DGType* DG_mapProductNEW(int* map, int* orders, int N, void* ctx, DGProductCallback product,
                         DGPowerCallback power);
DGType* DG_mapSubGroupNEW(int* map, int n, const int* elements, DGType* G);
void DG_createMap(const DGType* dg, int* map, int nbasis, const int* basis, int* orders, void* ctx,
                  DGProductCallback product);
// Replaces the list by the subgroup it generates, sorted; returns its size.
int DG_closeSubgroup(std::vector<int>& list, void* ctx, DGProductCallback product);
// The same closure for an IntList whose first entry is 0 (not sorted).
struct IntList;
int DG_closeSubgroup_IL(IntList* list, void* ctx, DGProductCallback product);
// 0 put in front of the list when it is not its first entry; the new size.
int DG_addIdentity(std::vector<int>& list);
// Positions in G of coset representatives of H; empty after "G-element not found".
std::vector<int> DG_coset_elements(const int* G, const int* H, int nG, int nH, void* ctx,
                                   DGProductCallback product, bool* failed = nullptr);

// ---------------------------------------------------------------------------------------
// Characters

void DG_computeCharacters(DGType* dg);
// chi(a, b) over N, unreduced; returns the numerator.
int DG_computeCharacter(const DGType* dg, int a, int b, Rat* q);
// The phase of character a at element b.
void DG_character(DGType* dg, int a, int b, Rat* q);
// The label of the character with the given phases num[b] / den[b]; -1 after an alert.
int DG_findCharacter(DGType* dg, const int* num, const int* den);

// ---------------------------------------------------------------------------------------
// Subgroups

struct SGType {
  int* gen = nullptr;     // canonical generators
  int* second = nullptr;  // permutations fixing the subgroup (class-wise builder) or nullptr
  int* third = nullptr;   // elements in increasing order (class-wise builder)
  std::int32_t ngen = 0;
  std::int32_t nsecond = 0;
  std::int32_t nthird = 0;
  std::int32_t flag = 0;
  SGType* next = nullptr;
  SGType* extra = nullptr;  // the subgroup this one was grown from

  AccountVector<int> block{AccountAllocator<int>(&WorkSpaceSize, "grp->gen")};
  int slot = -1;
};

SGType* DG_allocSubGroup(SGType* sg, int ngen, int nsecond, int nthird);
// Releases sg and every record after it.
void DG_freeSubgroup(SGType* sg);
SGType* DG_firstSubgroup();
// Smallest-numbered generators of the cyclic subgroups, in increasing order.
std::vector<int> DG_makeGenerators(const DGType* G);
int DG_tryAdding(const SGType* sg, int g, const DGType* G);
SGType* DG_buildSubgroups(DGType* G);
// e = -1 builds the orbit tables (nullptr); -2, -3, -4 the orbit lengths, starts and
// acceptance flags; e >= 0 the power list of e.
const int* DG_getOrbit(const DGType* G, const int* selected, int e);
int DG_addInequivalentGeneratorSelected(const DGType* G, SGType* sg, const int* selected, int nperm,
                                        DGActionCallback act, void* ctx);
SGType* DG_buildInequivalentSubgroupsSelected(DGType* G, const int* selected, int nperm,
                                              DGActionCallback act, void* ctx);
// The class-wise builder for symmetries that act as group automorphisms: act(k, .) must be
// the map e -> sum_j c_j(e) act(k, P_j) (components reduced) for every k. The same chain
// as DG_buildInequivalentSubgroupsSelected; subgroups are compared through their normal
// forms, from the images of their generators. A symmetry whose basis images do not make an
// automorphism is applied element by element. When the symmetries form a group, each
// candidate is decided against the whole group on the tree of their basis images.
SGType* DG_buildInequivalentSubgroupsAutomorphic(DGType* G, const int* selected, int nperm,
                                                 DGActionCallback act, void* ctx);
// Whether the automorphic builder decides candidates on the tree of the symmetries' basis
// images when they form a group (the default); off, it compares them one symmetry at a
// time. For benchmarks and tests of the two ways; resetDiscrete turns it on.
void DG_setSymmetryTree(bool enabled);
// Whether the tree search takes its shortcuts (the default): decisions on F_p^k by linear
// algebra instead of walks over the elements, the group test over packed row keys with
// generators spread over the list, and candidates of subgroups kept by the whole group
// checked against orbit minima. Off, it works as before them; the chain is the same. For
// benchmarks and tests of the two ways; resetDiscrete turns it on.
void DG_setLinearTree(bool enabled);
// The class-wise builder with all elements allowed and the permutations given as nperm
// rows of images (row k, column e: the image of e).
SGType* DG_buildInequivalentSubgroups(DGType* G, const int* table, int nperm);
void DG_printSubGroup(const SGType* sg);

// The echelon normal form of the subgroup generated by the n listed elements: entry j is
// the smallest element of the subgroup whose highest non-zero component is j, or G->order
// when there is none. Equal subgroups, and only they, have equal forms; subgroups of the
// same order compare (DG_compareSubgroupForms, -1 / 0 / 1) as their sorted element lists
// do. *order (when given) receives the subgroup's order. Empty after an alert for an
// element out of range.
std::vector<int> DG_subgroupNormalForm(const DGType* G, const int* elements, int n,
                                       std::int64_t* order = nullptr);
int DG_compareSubgroupForms(const std::vector<int>& a, const std::vector<int>& b);

// ---------------------------------------------------------------------------------------
// Stabiliser records

struct FPType {
  FPType* next = nullptr;
  DGType* group = nullptr;  // canonical group of U
  int* U = nullptr;
  int* S = nullptr;
  int* map = nullptr;  // canonical element -> element of U
  std::int32_t nS = 0;
  std::int32_t sqrtSU = 0;

  AccountVector<int> block{AccountAllocator<int>(&FP_alloc, "Stabilizer info")};
  int slot = -1;
};

FPType* getFP(int N, const int* U, const int* S, int nU, int nS, FPType** list, void* ctx,
              DGProductCallback product);
FPType* trivialFP(FPType** list);
void freeFP(FPType** list);
void Character(const FPType* fp, int a, int b, Rat* q);

// ---------------------------------------------------------------------------------------
// Orthogonal basis of charge vectors (orders all powers of one prime)

int DG_OrthogonalBasis(int ngen, int k, const int* orders, int* gens, int* basis);
int DG_findTag(int k, const int* v, const int* orders, int target);
void DG_MinimizeVectorOnTag(int k, int* v, const int* orders, int ord, int tag, int p);
void DG_SubtractGenerator(int k, int* g, const int* b, const int* orders, int tag);
void DG_ReduceGenerator(int k, int* v, const int* b, const int* orders, int tag);
int DG_GeneratorOrder(int k, const int* orders, const int* v);

// Restores the module to its start state: no groups, chains, records or tables.
void resetDiscrete();
