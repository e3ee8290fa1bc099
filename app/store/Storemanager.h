// The CFT store: one SpectrumData record for every conformal field theory of the run,
// found again by (type, rank, level) or by name, with the theory's fields, weights,
// simple-current orbits and charges, and element access to S, T, sqrt(T) and P.
//
// Records form one chain, newest first (`next` points to older records). A record is
// never moved or freed while the program runs: the store owns it for the whole run and
// every address handed out stays valid. Its arrays are blocks charged to the record's
// own accounts: `alloc` ("Algebra " + name) for everything, the record itself included,
// and `s_alloc` ("S-matrix " + name) for the orbit S matrix. The pointer fields below
// are views of those blocks (or shared with a base record) and are NULL until the data
// exist; a -2 (conjugates), -2.0 (orbit S) or -99999999 (dimensions, exactness) entry
// means "not computed yet".
//
// Field order: every record is ordered by simple-current orbits with the vacuum orbit
// first, so the current with group index J is field J; each orbit occupies consecutive
// fields, its first field has orbit position 0 and every other field the group element
// that carries the first field to it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "collections/VectorSpace.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"

struct DGType;
struct IntList;
struct SpectrumData;
struct TensorProduct;

// Algebra type codes of a record (`type`); the Lie codes and the name forms are those of
// the Lie-algebra core (algebraname).
inline constexpr int kStoreTypeU1 = 0;
inline constexpr int kStoreTypeExceptional = 5;
inline constexpr int kStoreTypeSpecialN2 = 6;        // made only by the tensor layer
inline constexpr int kStoreTypeOrbifold = 7;         // c=1 orbifold, rank = N
inline constexpr int kStoreTypeComplement = 8;
inline constexpr int kStoreTypeTensor = 9;           // tensor product, coset or extension
inline constexpr int kStoreTypeTensorFCFT = 10;      // fixed-point theory of type 9 or 17
inline constexpr int kStoreTypeRecentred = 17;
inline constexpr int kStoreTypePermutation = 18;     // Z2 permutation orbifold
inline constexpr int kStoreTypePermutationFCFT = 19;
inline constexpr int kStoreTypeMinimalFCFT = 26;
inline constexpr int kStoreTypeMinimalN2 = 27;

// Largest parameters of the theories the store builds itself: the c=1 orbifold's weight
// numerators 4N^2 must fit an int. The N=2 minimal model at level k has 2(k+1)(k+2)
// fields; the largest level is the last one up to which a block of 2g + 3 ints a field
// (g = 2 group factors for even k, 1 for odd k: the full orbit data, which the record
// now holds only in part) stays below the allocation limit, so that the levels accepted
// stay those of the full layout.
inline constexpr int kLargestOrbifold = 23170;
constexpr bool minimalModelFits(long long k) {
  const long long fields = 2 * (k + 1) * (k + 2);
  const long long widest = k % 2 == 0 ? 7 : 5;
  return fields * widest < static_cast<long long>(kAllocationRefusedSize / sizeof(int));
}
constexpr int largestMinimalLevel() {
  int k = 1;
  while (minimalModelFits(k + 1)) ++k;
  return k;
}
inline constexpr int kLargestMinimalLevel = largestMinimalLevel();

// Marks of data not yet computed.
inline constexpr int kStoreNotComputed = -99999999;
inline constexpr double kSBaseNotComputed = -2.0;

// The orbit S matrix of a record: `size` doubles, every element kSBaseNotComputed until
// set. Pages of kPage elements are made on first write and charged to the account given
// when dimensioned (the record's S account), so a large matrix of which a run asks a few
// rows holds those rows only. The record holds one pointer, as a plain block would.
class OrbitSMatrix {
 public:
  static constexpr int kPageBits = 12;
  static constexpr std::uint64_t kPage = std::uint64_t{1} << kPageBits;

  // True once dimensioned (SM_allocSBase); the elements may still all be unset.
  bool held() const { return pages_ != nullptr && pages_->size > 0; }
  std::uint64_t size() const { return pages_ == nullptr ? 0 : pages_->size; }
  // size elements, all unset, pages on `account`; pages already made are let go.
  void dimension(std::uint64_t size, AllocationAccount* account) {
    pages_ = std::make_unique<Pages>();
    pages_->size = size;
    // Each slot carries the account, which its page keeps when made.
    pages_->slots.assign(static_cast<std::size_t>((size + kPage - 1) >> kPageBits),
                         Page(AccountAllocator<double>(account, kLabel)));
  }
  // Element i (i < size); kSBaseNotComputed when unset.
  double at(std::uint64_t i) const {
    const Page& page = pages_->slots[static_cast<std::size_t>(i >> kPageBits)];
    return page.empty() ? kSBaseNotComputed : page[static_cast<std::size_t>(i & (kPage - 1))];
  }
  void set(std::uint64_t i, double value) {
    Page& page = pages_->slots[static_cast<std::size_t>(i >> kPageBits)];
    if (page.empty()) {
      const std::uint64_t first = (i >> kPageBits) << kPageBits;
      page.assign(static_cast<std::size_t>(std::min(kPage, pages_->size - first)), kSBaseNotComputed);
    }
    page[static_cast<std::size_t>(i & (kPage - 1))] = value;
  }
  // True when every element is set.
  bool complete() const {
    if (!held()) return false;
    for (const Page& page : pages_->slots) {
      if (page.empty()) return false;
      for (double x : page) {
        if (x == kSBaseNotComputed) return false;
      }
    }
    return true;
  }

 private:
  static constexpr const char* kLabel = "S matrix on orbits";
  using Page = AccountVector<double>;
  struct Pages {
    std::uint64_t size = 0;
    AccountVector<Page> slots;  // on the work space
  };
  std::unique_ptr<Pages> pages_;
};

// Heterotic string data of a record: two cleared words, the covariant-lattice descriptor,
// a presence flag (1), five header ints (the third: number of space-time dimensions) and
// a 4 x 4 table.
struct HeteroticData {
  int cleared[2] = {0, 0};
  void* lattice = nullptr;
  int present = 1;
  int header[5] = {0, 0, 0, 0, 0};
  int table[4][4] = {};
};

// An account allocator whose containers leave new elements uninitialised (default-
// initialised), for blocks that their maker writes in full: a block of millions of ints
// is then touched once, not cleared first.
template <class T>
struct OverwriteAllocator : AccountAllocator<T> {
  using AccountAllocator<T>::AccountAllocator;
  template <class U>
  struct rebind {
    using other = OverwriteAllocator<U>;
  };
  template <class U>
  OverwriteAllocator(const OverwriteAllocator<U>& other) : AccountAllocator<T>(other) {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

struct SpectrumData {
  explicit SpectrumData(const char* recordName);
  SpectrumData(const SpectrumData&) = delete;
  SpectrumData& operator=(const SpectrumData&) = delete;

  SpectrumData* next = nullptr;        // next (older) record of the chain
  SpectrumData** fcft = nullptr;       // per fixed-point current its FCFT; NULL until made
  SpectrumData** factors = nullptr;    // tensor factors (n_factors entries)
  SpectrumData* base = nullptr;        // complement / orbifold source, FCFT parent
  DGType* scgroup = nullptr;           // simple-current group (trivial when none)
  int* scmap = nullptr;                // current fields, only while SM_genericReorder runs
  int n_scmap = 0;
  int* parent_current_rep = nullptr;   // FCFT: labels of the parent current
  int parent_current = -1;             // FCFT: field of that current in the parent
  int type = -1;
  int rank = -1;                       // U(1): radius; orbifold: N
  int level = -1;
  int perm_order = 1;                  // permutation orbifold order; 1 otherwise
  int use_orbits = 1;                  // 1: S from the orbit S matrix and charges
  int s_available = 1;
  int rep_size = 0;                    // ints per field label
  int n_primaries = 0;
  int n_orbits = 0;
  int adjoint_dim = 0;
  int dual_coxeter = -1;
  int complex = 1;
  int symmetric = 1;                   // 1: orbit S stored as a triangle
  int graded = 0;
  int grade_current = -1;
  int validity = 0;                    // 3 CFT, 2 S and fusion work, 1 S works, 0 none
  int store_s = 1;
  char* grading = nullptr;             // per field 'N' or 'R'
  int* n2_multiplets = nullptr;
  int* content = nullptr;              // 4 per field
  int n_factors = 0;
  int n_ext_currents = 0;
  int* ext_currents = nullptr;         // n_ext_currents rows of n_factors
  int* gh = nullptr;                   // per factor 0 (G) or 1 (H)
  int weights_exact = kStoreNotComputed;
  int weight_den = 0;
  int* weight_num = nullptr;           // h_a = weight_num[a] / weight_den
  double c = -1.0;
  OrbitSMatrix sbase;                  // orbit S matrix (SM_getSBase)
  int* field_map = nullptr;            // 2 per field: source field
  int* orbit_number = nullptr;
  int* orbit_base = nullptr;           // first field of the orbit
  int* orbit_position = nullptr;       // group element carrying the first field here
  int* orbit_pointers = nullptr;       // per orbit its first field
  int* charges = nullptr;              // g per field, units 1/N_i
  int* stabilizers = nullptr;          // g per field: ordered stabilizer basis, 0-padded
  int n_fp_currents = 0;
  // An N=2 minimal model (type 27) holds no orbit numbers, monodromy charges, gravitino
  // action or minimal-model charges (those four pointers stay NULL): each is a few
  // operations on the field's labels, orbit base and position, answered by the
  // SM_getOrbitNumber / SM_getChargeRow / SM_getGravitinoImage / SM_getMinimalCharge
  // accessors. A level-k model has 2(k+1)(k+2) fields, millions at the levels of the
  // Gepner models. (Placed beside an int, the flag leaves the record's size unchanged.)
  bool minimal_on_demand = false;
  int* fp_currents = nullptr;
  int* fcft_shift = nullptr;
  int* fcft_labels = nullptr;          // n_fp_currents rows of n_primaries
  int* labels = nullptr;               // rep_size per field
  int* dims = nullptr;                 // large-integer handles
  int* nonabelian_info = nullptr;
  int* conjugates = nullptr;           // -2: not yet known
  int* gravitino_action = nullptr;
  void* ns_currents = nullptr;
  int* minimal_charges = nullptr;
  int* characters = nullptr;           // char_depth per field
  int* exact = nullptr;                // per field 1 when its weight is exact
  int chars_loaded = 0;
  int char_depth = 0;
  int char_order = 0;
  void* indices = nullptr;
  char* name = nullptr;
  char* tex = nullptr;
  int* galois_gen = nullptr;
  int* scale_gen = nullptr;
  VectorSpace* automorphisms = nullptr;  // "Current Outer Automorphism"
  int n_galois_gen = 0;
  int* fusion_table = nullptr;
  int* charge_table = nullptr;
  int charge_den = 0;
  int fusion_available = 0;
  HeteroticData* heterotic = nullptr;
  TensorProduct* tensor = nullptr;
  AllocationAccount alloc;             // "Algebra " + name
  AllocationAccount s_alloc;           // "S-matrix " + name

  // Storage behind the pointer fields; blocks are kept until the record dies (never
  // while the program runs), so views stay valid when a later block is added.
  std::deque<AccountVector<int>> intBlocks;
  std::deque<AccountVector<double>> doubleBlocks;
  std::deque<AccountVector<char>> charBlocks;
  std::deque<AccountVector<SpectrumData*>> recordBlocks;
  std::deque<HeteroticData> heteroticBlocks;
  VectorSpace automorphismSpace;
};

// Blocks of a record: `count` zeroed elements charged to `account` (the record's `alloc`
// unless given) under `label`; NULL for count 0. Views stay valid for the record's life.
int* SM_allocInts(SpectrumData* sd, std::size_t count, const char* label,
                  AllocationAccount* account = nullptr);
// The same with the elements left unset, for a block that the caller writes in full
// (charged to the record's `alloc`, held by the store for the run like the record).
int* SM_allocIntsForOverwrite(SpectrumData* sd, std::size_t count, const char* label);
double* SM_allocDoubles(SpectrumData* sd, std::size_t count, const char* label,
                        AllocationAccount* account = nullptr);
char* SM_allocChars(SpectrumData* sd, std::size_t count, const char* label);
SpectrumData** SM_allocRecordPointers(SpectrumData* sd, std::size_t count, const char* label);
// count x perField as a 64-bit size; SIZE_MAX after an alert when it cannot be held.
std::size_t SM_fieldArraySize(const SpectrumData* sd, std::int64_t count, std::int64_t perField);

// ---------------------------------------------------------------------------------------
// The store

// The folder of the store's data files (index files): HOME, "/" and the preference
// "ZoqPath", set by the program's start-up.
extern std::string zoq_pathname;

// Bytes held by the store's theories; with verbose > 0 also alerts with the totals.
long long ZoqAllocation(int verbose);

// Start-up: binds "Reject permutations", "Store_S" and "Character order" (read live).
// The chain as the first request after it leaves it (start-up's current theory) is the
// store's start state.
void initializeStoremanager();
// Takes the chain as it is now as the store's start state.
void markStoremanagerStartState();
// Tests only: the chain and the store's caches back to the start state. Records made
// since are unlinked but kept alive, so no address handed out ever dangles.
void resetStoremanager();

// The record of (type, rank, level), from the chain or created there; NULL after Alert
// 112312 for an invalid type, or when the theory cannot be built.
SpectrumData* SM_getData(int type, int rank, int level);
// A new record with defaults, pushed on the head of the chain.
SpectrumData* allocateSpectrumData(const char* name);
// The newest record whose full name equals `name`; NULL if none.
SpectrumData* SM_findCFT(const char* name);
SpectrumData* SM_getFirstAlgebra();
void SM_setFirstAlgebra(SpectrumData* sd);
// Takes a record off the chain and blanks its name (it stays alive): a creation that was
// stopped or failed leaves nothing to be found. The store's current record, if it was
// that one, is forgotten.
void SM_unlinkRecord(SpectrumData* sd);
// A record that was never completed (a creation stopped or failed half way), and every
// record on the chain made from it (whose base, or its base's base ..., is sd: its
// fixed-point theories and theirs): each taken off the chain (SM_unlinkRecord) and
// everything charged to its two accounts given back (its blocks, its orbit S matrix, its
// current automorphisms, its own share). What stays is an empty shell without name or
// fields that nothing finds, so that no address handed out dangles. Releasing a shell
// again does nothing.
void SM_releaseRecord(SpectrumData* sd);
// A record in the making, linked already: unless `made` is set by the end of the scope
// (left half way by a stop or a failure), it is released (SM_releaseRecord).
struct RecordInTheMaking {
  SpectrumData* record;
  bool made = false;
  ~RecordInTheMaking() {
    if (!made) SM_releaseRecord(record);
  }
};
// The next (older) record after sd, or NULL.
SpectrumData* SM_nextAlgebra(const SpectrumData* sd);
// Bytes held by all records, and by their orbit S matrices.
long long SM_getTotalAlloc();
long long SM_getSBaseAlloc();
void SM_set_S_CALL_TRACE(int flag);
int SM_get_S_CALL_TRACE();

// Small accessors.
const char* SM_getAlgebraName(const SpectrumData* sd);
int SM_getFCFTnumber(const SpectrumData* sd);
int* SM_getFixedPointCurrents(SpectrumData* sd);
// Label vector of field a; NULL after an alert when a is not a field.
int* SM_getRep(SpectrumData* sd, int a);
void SM_setTeXString(SpectrumData* sd, const char* text);
void SM_setExactWeights(SpectrumData* sd, int flag);
void SM_getCurrentOuterAutomorphisms(SpectrumData* sd);
int LieCheck(const SpectrumData* sd);
int SM_ConvertToBasic(const SpectrumData* sd, int J);
int SM_zeroResult(double* re, double* im);
int SM_initDimensions(SpectrumData* sd);

// Field-information allocators (all charged to `alloc`; none checks an existing array).
void SM_allocFieldInfo(SpectrumData* sd, int dims_flag, int content_flag);
void SM_allocFieldInfo_Weights(SpectrumData* sd);
void SM_allocFieldInfo_Dynkin(SpectrumData* sd);
void SM_allocFieldInfo_Dims(SpectrumData* sd);
void SM_allocFieldInfo_Conjugates(SpectrumData* sd);
void SM_allocFieldInfo_Orbits(SpectrumData* sd);
void SM_allocFieldInfo_FCFT(SpectrumData* sd);
void SM_allocFieldInfo_Chars(SpectrumData* sd);
void SM_allocFieldInfo_Map(SpectrumData* sd);
void SM_allocFieldInfo_Content(SpectrumData* sd);
void SM_allocHeterotic(SpectrumData* sd, const HeteroticData* h);

// The record dump of "browse information".
void SM_printSpectrumData(SpectrumData* sd);

// ---------------------------------------------------------------------------------------
// Simple currents and orbits

// S accessor of a stored record, and the generic form other code receives (ctx is the
// record, or the tensor product for the tensor layer's accessors).
using SMatrixAccessor = void (*)(void* ctx, int a, int b, double* re, double* im);
// Product of two currents (indices in the caller's current list) and the action of a
// current field on a field.
using SMCurrentProduct = int (*)(int J, int K, void* ctx);
using SMCurrentAction = int (*)(int Jfield, int a, void* ctx);

// Orders a record into orbits and fills its group, orbit block, stabilizers, fixed-point
// currents and charges. `currents`: fields of the simple currents, vacuum first; NULL
// product / action mean: from rows of S.
void SM_genericReorder(SpectrumData* sd, const IntList* currents, SMCurrentProduct product,
                       SMCurrentAction action, void* ctx);
// Field of J x a (J a group element); -1 after an alert for a field or current out of
// range. J = -1 / -2 switch a trace on / off (result 0).
int SM_SimpleAction(SpectrumData* sd, int J, int a);
int SM_GenericSimpleActionFromGenerators(const int* exps, int a, const int* rows, int g, int n);
// J x K from rows of S (ctx: the record); -1 after an alert when there is none.
int SM_GenericCurrentProduct(int J, int K, void* sd);
void SM_checkSimpleProduct(SpectrumData* sd, SMCurrentProduct product, int k, void* ctx);
// Fields c with Re S_0c / Re S_00 = 1, increasing; valid until the next call.
const IntList* DetermineSimpleCurrentMap(void* ctx, int capacity, int n, SMatrixAccessor S);
int GenericSimpleAction(void* ctx, int n, int J, int a, SMatrixAccessor S);
// out[b] = J x b for all n fields; 0, or -1 after an alert.
int GenericGeneratorAction(void* ctx, int n, int J, int* out, SMatrixAccessor S);
// The cache of at most 20 selected rows of S (see the source for the a, b protocol).
void StoreSelectedSmatrixElements(void* ctx, int n, int a, int b, double* re, double* im,
                                  SMatrixAccessor S);
int SM_initConjugates(SpectrumData* sd);
int SM_check_orbits(SpectrumData* sd);

// ---------------------------------------------------------------------------------------
// S, T and P (a, b field indices; out of range: an alert and (0, 0))

void SM_getS(SpectrumData* sd, int a, int b, double* re, double* im);
// S(a, columns[k]) for k < count into re[k], im[k], as SM_getS gives them: what the orbit
// S matrix holds is read from it, the rest computed once per orbit and stored there when
// the matrix exists. A row never allocates the matrix.
void SM_getSRow(SpectrumData* sd, int a, int count, const int* columns, double* re, double* im);
void SM_computeSDirect(SpectrumData* sd, int a, int b, double* re, double* im);
int SM_getSBase(SpectrumData* sd, int p, int q, int a0, int b0, double* re, double* im);
int SM_allocSBase(SpectrumData* sd);
void SM_getT(SpectrumData* sd, int a, int b, double* re, double* im);
void SM_getrootT(SpectrumData* sd, int a, int b, double* re, double* im);
void SM_getP(SpectrumData* sd, int a, int b, double* re, double* im);
// The same as SMatrixAccessor (ctx = the record).
void SM_getS_accessor(void* sd, int a, int b, double* re, double* im);
void SM_computeSDirect_accessor(void* sd, int a, int b, double* re, double* im);
int SM_getRatWeight(const SpectrumData* sd, int a, Rat* h);
void SM_ExactRatCharge(SpectrumData* sd, int J, int a, Rat* q);
void SM_getRatCharge(SpectrumData* sd, int J, int a, Rat* q);
void SM_computeTraceS(SpectrumData* sd, double* re, double* im);
void SM_computeTraceST(SpectrumData* sd, double* re, double* im);
void SM_computeTraceSTQ(SpectrumData* sd, double* re, double* im);
void SM_computeTraceS2TN(SpectrumData* sd, double* re, double* im, int N);
void mapSpinorCurrents(const int in[3], int out[3]);

// ---------------------------------------------------------------------------------------
// Type words, recreating commands and file names

// Type word of an algebra ("A", "E", "cft", "minimal", ...); an invalid pair gives Alert
// 100201 and the word of the previous call.
std::string SM_charType(int type, int rank);
// The command text that recreates the record ("A 2 1", "U 5", "cft name", or the name
// alone for a permutation orbifold); empty after the alert of a type without a word.
std::string SM_algCommand(const SpectrumData* sd);
// prefix + middle + name + suffix with blanks (outside single quotes) turned into "_".
std::string SM_getCurrentAlgebraFileName(const SpectrumData* sd, const char* prefix,
                                         const char* middle, const char* suffix);

// ---------------------------------------------------------------------------------------
// Services of the other parts of the store, declared here for the core's S dispatch and
// conjugates (the special theories, the permutation orbifold's S, the fusion table). The
// tensor layer's services are reached through store/TensorHooks.h.

int SM_minimal_spectrum(SpectrumData* sd, int level);       // 0 built, -1 not available
int SM_orbifold_spectrum(SpectrumData* sd, int N);          // 0 built, -1 not available
void SM_computeIsingS(SpectrumData* sd, int a, int b, double* re, double* im);
void ComputeOrbifoldS(int N, const int* a, const int* b, double* re, double* im);
void SM_computeGenericPermutation_S(SpectrumData* sd, int a, int b, double* re, double* im);
int getResultFromFusionTable(SpectrumData* sd, int J, int a);
int SM_MinimalSimpleAction(SpectrumData* sd, int J, int a);
// Conjugate of field a; for affine Lie algebras found from the conjugate labels.
int SM_computeConjugate(SpectrumData* sd, int a);
void SM_computeAllGenericConjugates(SpectrumData* sd);
void SM_computeAllGenericConjugatesUsingOrbits(SpectrumData* sd);
void SM_initFCFT(SpectrumData* sd);
