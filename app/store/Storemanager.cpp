// The record and the store: record construction with its defaults and accounts, the
// chain and its look-ups, creation of affine Lie algebra theories from the WZW spectrum,
// the field-information allocators, small accessors, the current automorphisms and the
// record dump. Records live in StoremanagerState::records for the whole run; the chain
// (`firstAlgebra`, newest first) links the ones the store hands out.
#include "store/Storemanager.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"

std::string zoq_pathname;

namespace {

constexpr int kStoreSDefault = 2;
constexpr int kCharacterOrderDefault = 4;

void copyAccountName(AllocationAccount& account, const char* prefix, const char* name,
                     std::size_t maxName) {
  std::string text = prefix;
  text.append(name, std::min(std::strlen(name), maxName));
  std::strncpy(account.name, text.c_str(), sizeof(account.name) - 1);
}

// Moves a block into the record's storage; an allocator bound to the same account keeps
// the buffer.
int* keepBlock(SpectrumData* sd, AccountVector<int>&& block) {
  if (block.empty()) return nullptr;
  sd->intBlocks.push_back(std::move(block));
  return sd->intBlocks.back().data();
}

void linkRecord(SpectrumData* sd) {
  StoremanagerState& s = storeState();
  sd->next = s.firstAlgebra;
  s.firstAlgebra = sd;
}

bool sameNumbers(const SpectrumData* sd, int type, int rank, int level) {
  return sd->type == type && sd->rank == rank && sd->level == level;
}

// Fills a new affine Lie algebra record from the WZW spectrum; false when it was refused.
bool fillFromSpectrum(SpectrumData* sd, int type, int rank, int level) {
  SpectrumResult out = spectrum_(type, rank, level, &sd->alloc);
  if (out.status != 0 || out.n < 1) return false;
  const int n = out.n;
  const int g = out.generators;
  sd->rank = rank;
  sd->level = level;
  sd->type = type;
  sd->rep_size = type == kStoreTypeU1 ? 1 : rank + 1;
  sd->n_primaries = n;
  sd->adjoint_dim = out.adjointDimension;
  sd->dual_coxeter = out.dualCoxeter;
  sd->complex = out.complex;
  sd->c = out.c;
  sd->n_orbits = out.orbits;
  if (type <= kStoreTypeTensor) {
    sd->validity = 3;
  } else if (type == 13) {
    sd->validity = 2;
  } else {
    sd->validity = 0;
  }
  sd->weight_den = out.denominator;

  std::vector<int> generatorOrders(out.centerOrders.begin(), out.centerOrders.end());
  sd->labels = keepBlock(sd, std::move(out.labels));
  int* block = keepBlock(sd, std::move(out.orbitData));
  const std::size_t nn = static_cast<std::size_t>(n);
  const std::size_t gg = static_cast<std::size_t>(g);
  sd->orbit_number = block;
  sd->orbit_base = block + nn;
  sd->orbit_position = block + 2 * nn;
  sd->stabilizers = g > 0 ? block + 3 * nn : nullptr;
  sd->charges = g > 0 ? block + 3 * nn + nn * gg : nullptr;
  sd->weight_num = block + 3 * nn + 2 * nn * gg;
  sd->exact = sd->weight_num + nn;
  std::fill(sd->exact, sd->exact + nn, 1);
  sd->weights_exact = 1;

  int divisor = GCD(sd->weight_den, 0);
  for (int a = 0; a < n; ++a) divisor = GCD(divisor, sd->weight_num[a]);
  if (divisor > 1) {
    sd->weight_den /= divisor;
    for (int a = 0; a < n; ++a) sd->weight_num[a] /= divisor;
  }

  sd->scgroup = DG_find(generatorOrders.data(), static_cast<int>(generatorOrders.size()));
  if (sd->scgroup == nullptr) sd->scgroup = DG_trivial();
  AccountVector<int> fixed = FixedCurrents(type, rank, level, &sd->alloc);
  sd->n_fp_currents = static_cast<int>(fixed.size());
  sd->fp_currents = keepBlock(sd, std::move(fixed));
  return true;
}

// Entries of a per-field table that the record holds or computes (entry(i) for i < n).
template <class Entry>
void printComputedEntries(const char* label, bool defined, int n, Entry entry) {
  if (!defined) {
    Print("No %s defined\n", label);
    return;
  }
  std::string title = label;
  if (!title.empty()) title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
  Print("%s: ", title.c_str());
  if (n < 20) {
    for (int i = 0; i < n; ++i) Print("%d ", entry(i));
    Print("\n");
    return;
  }
  Print("%s (", title.c_str());
  for (int i = 0; i < 8; ++i) Print("%d,", entry(i));
  Print(".....,");
  for (int i = n - 7; i < n; ++i) Print(i + 1 < n ? "%d," : "%d", entry(i));
  Print(")\n");
}

void printEntries(const char* label, const int* v, int n) {
  printComputedEntries(label, v != nullptr, n, [v](int i) { return v[i]; });
}

// Rows of `length` ints; rowOf(r) gives row r.
template <class Row>
void printComputedRows(const char* label, int rows, int length, Row rowOf) {
  Print("%s:\n", label);
  auto row = [&](int r) {
    Print("%10d ", r);
    const int* v = rowOf(r);
    for (int i = 0; i < length; ++i) Print("%d ", v[i]);
    Print("\n");
  };
  if (rows <= 5) {
    for (int r = 0; r < rows; ++r) row(r);
    return;
  }
  for (int r = 0; r < 3; ++r) row(r);
  Print("           .....      \n");
  if (rows > 6) row(rows - 2);
  row(rows - 1);
}

void printRows(const char* label, const int* v, int rows, int length) {
  printComputedRows(label, rows, length, [&](int r) { return v + static_cast<std::size_t>(r) * length; });
}

void printCharEntries(const char* label, const char* v, int n) {
  Print("%s ", label);
  if (n < 60) {
    for (int i = 0; i < n; ++i) Print("%c", v[i]);
    return;
  }
  for (int i = 0; i < 30; ++i) Print("%c", v[i]);
  Print(".....");
  for (int i = n - 20; i < n; ++i) Print("%c", v[i]);
  Print("\n");
}

const char* validityLine(int validity) {
  switch (validity) {
    case 3: return "Genuine CFT\n";
    case 2: return "Not a genuine CFT, but S and fusion should work.\n";
    case 1: return "Not a genuine CFT, but S should work.\n\n";
    default: return "Not a CFT\n";
  }
}

int generatorCount(const SpectrumData* sd) { return sd->scgroup == nullptr ? 0 : sd->scgroup->nfactors; }

}  // namespace

// ---------------------------------------------------------------------------------------
// State

StoremanagerState& storeState() {
  static StoremanagerState s;
  return s;
}

int storeSParameter() {
  const int* p = storeState().StoreS;
  return p == nullptr ? kStoreSDefault : *p;
}

int characterOrderParameter() {
  const int* p = storeState().CharacterOrder;
  return p == nullptr ? kCharacterOrderDefault : *p;
}

bool storeFieldInRange(const SpectrumData* sd, int a, const char* routine, int position) {
  if (a >= 0 && a < sd->n_primaries) return true;
  Alert(routine, position, 212404, "Primary out of range (%d > %d) Alg(%d,%d,%d)", a, sd->n_primaries,
        sd->type, sd->rank, sd->level);
  return false;
}

void initializeStoremanager() {
  StoremanagerState& s = storeState();
  auto bind = [](const char* name) -> int* {
    InternalParameter* p = findInternalParameter(name);
    return p == nullptr ? nullptr : &p->value;
  };
  s.SuppPerm = bind("Reject permutations");
  s.StoreS = bind("Store_S");
  s.CharacterOrder = bind("Character order");
  s.awaitingStart = true;
}

void markStoremanagerStartState() {
  StoremanagerState& s = storeState();
  s.startMarked = true;
  s.awaitingStart = false;
  s.startFirst = s.firstAlgebra;
  s.startCurrent = s.currentPointer;
  s.startGroups.clear();
  for (SpectrumData* sd = s.firstAlgebra; sd != nullptr; sd = sd->next) {
    std::vector<int> factors;
    if (sd->scgroup != nullptr) factors.assign(sd->scgroup->factors, sd->scgroup->factors + sd->scgroup->nfactors);
    s.startGroups.emplace_back(sd, std::move(factors));
  }
}

void resetStoremanager() {
  StoremanagerState& s = storeState();
  s.firstAlgebra = s.startMarked ? s.startFirst : nullptr;
  s.currentPointer = s.startMarked ? s.startCurrent : nullptr;
  // The group cache is reset before this runs: the start records get their groups anew.
  for (auto& [sd, factors] : s.startGroups) {
    DGType* group = DG_find(factors.empty() ? nullptr : factors.data(), static_cast<int>(factors.size()));
    sd->scgroup = group != nullptr ? group : DG_trivial();
  }
  s.S_CALL_TRACE = 0;
  s.SM_getS_call_level = 0;
  s.simpleActionTrace = 0;
  s.typeWord.clear();
  s.simpleCurrents.release();
  s.orbitLengths.release();
  s.map.release();
  s.generatorFusion.release();
  s.cache.release();
  s.used.release();
  s.store.release();
  s.locations.release();
  s.product.release();
  s.storeReset = false;
  s.storeRows = 0;
  s.storeN = 0;
  s.currentMap = IntList();
  s.permutationTrace = false;
  s.permutationCurrents.clear();
}

// ---------------------------------------------------------------------------------------
// Records and blocks

SpectrumData::SpectrumData(const char* recordName)
    : automorphismSpace(100, "Current Outer Automorphism", &alloc) {
  copyAccountName(alloc, "Algebra ", recordName, 60);
  copyAccountName(s_alloc, "S-matrix ", recordName, 70);
  const std::size_t length = std::strlen(recordName);
  name = SM_allocChars(this, length + 1, "Algebra name");
  std::memcpy(name, recordName, length);
  alloc.counter += sizeof(SpectrumData);
  store_s = storeSParameter() != 0 ? 1 : 0;
  automorphisms = &automorphismSpace;
}

std::size_t SM_fieldArraySize(const SpectrumData* sd, std::int64_t count, std::int64_t perField) {
  std::int64_t total = 0;
  if (count < 0 || perField < 0 || __builtin_mul_overflow(count, perField, &total) ||
      static_cast<std::uint64_t>(total) >= kAllocationRefusedSize / sizeof(int)) {
    Alert("SM_fieldArraySize", 0, 112313, "Field data of %s too large to hold", sd->name);
    return std::numeric_limits<std::size_t>::max();
  }
  return static_cast<std::size_t>(total);
}

int* SM_allocInts(SpectrumData* sd, std::size_t count, const char* label, AllocationAccount* account) {
  if (count == 0 || count == std::numeric_limits<std::size_t>::max()) return nullptr;
  sd->intBlocks.emplace_back(count, 0, AccountAllocator<int>(account != nullptr ? account : &sd->alloc, label));
  return sd->intBlocks.back().data();
}

int* SM_allocIntsForOverwrite(SpectrumData* sd, std::size_t count, const char* label) {
  if (count == 0 || count == std::numeric_limits<std::size_t>::max()) return nullptr;
  auto& blocks = storeState().overwrittenIntBlocks;
  blocks.emplace_back(count, OverwriteAllocator<int>(&sd->alloc, label));
  return blocks.back().data();
}

double* SM_allocDoubles(SpectrumData* sd, std::size_t count, const char* label, AllocationAccount* account) {
  if (count == 0 || count == std::numeric_limits<std::size_t>::max()) return nullptr;
  sd->doubleBlocks.emplace_back(count, 0.0,
                                AccountAllocator<double>(account != nullptr ? account : &sd->alloc, label));
  return sd->doubleBlocks.back().data();
}

char* SM_allocChars(SpectrumData* sd, std::size_t count, const char* label) {
  if (count == 0 || count == std::numeric_limits<std::size_t>::max()) return nullptr;
  sd->charBlocks.emplace_back(count, '\0', AccountAllocator<char>(&sd->alloc, label));
  return sd->charBlocks.back().data();
}

SpectrumData** SM_allocRecordPointers(SpectrumData* sd, std::size_t count, const char* label) {
  if (count == 0 || count == std::numeric_limits<std::size_t>::max()) return nullptr;
  sd->recordBlocks.emplace_back(count, nullptr, AccountAllocator<SpectrumData*>(&sd->alloc, label));
  return sd->recordBlocks.back().data();
}

SpectrumData* allocateSpectrumData(const char* name) {
  StoremanagerState& s = storeState();
  s.records.push_back(std::make_unique<SpectrumData>(name != nullptr ? name : ""));
  SpectrumData* sd = s.records.back().get();
  linkRecord(sd);
  return sd;
}

// ---------------------------------------------------------------------------------------
// The store

namespace {

SpectrumData* lookUpOrCreate(int type, int rank, int level) {
  StoremanagerState& s = storeState();
  if (type < 0 || type == kStoreTypeComplement || type == kStoreTypeTensor || type == kStoreTypeTensorFCFT ||
      (type > 16 && type != kStoreTypeMinimalN2)) {
    Alert("SM_getData", 0, 112312, "Invalid algebra type: %d", type);
    return nullptr;
  }
  if ((rank == 0 || level == 0) && type != 0 && type != 2 && type != kStoreTypeSpecialN2 &&
      type != kStoreTypeOrbifold) {
    type = 1;
    rank = 0;
    level = 0;
  }
  if (s.currentPointer != nullptr && sameNumbers(s.currentPointer, type, rank, level)) return s.currentPointer;
  for (SpectrumData* sd = s.firstAlgebra; sd != nullptr; sd = sd->next) {
    if (sameNumbers(sd, type, rank, level)) {
      s.currentPointer = sd;
      return sd;
    }
  }
  if (type == kStoreTypeSpecialN2) return nullptr;

  std::string name = algebraname(type, rank, level);
  if (name.empty()) return nullptr;  // the input check has reported it
  // The Lie name of A(2) carries no level; records are found by name, so each level gets
  // its own.
  if (type == kTypeTwistedA2) name += " level " + std::to_string(level);
  SpectrumData* previousCurrent = s.currentPointer;
  // A build that fails or is stopped (a stop unwinds through here) leaves the chain as it
  // was and gives back what it took: the record and the records made from it (a
  // fixed-point theory) are released; any other record made during the build is taken off
  // the chain again and stays alive, unlisted.
  struct ChainRestore {
    SpectrumData* head;
    SpectrumData* current;
    SpectrumData* made = nullptr;
    bool armed = true;
    ~ChainRestore() {
      if (!armed) return;
      SM_releaseRecord(made);
      storeState().firstAlgebra = head;
      storeState().currentPointer = current;
    }
  } restore{s.firstAlgebra, previousCurrent};
  SpectrumData* sd = allocateSpectrumData(name.c_str());
  restore.made = sd;
  if (type == kStoreTypeMinimalN2 || type == kStoreTypeOrbifold) {
    sd->type = type;
    sd->rank = rank;
    sd->level = level;
    s.currentPointer = sd;
    int built = type == kStoreTypeMinimalN2 ? SM_minimal_spectrum(sd, level) : SM_orbifold_spectrum(sd, rank);
    if (built != 0) return nullptr;
    sd->type = type;
    sd->validity = 3;
  } else if (!fillFromSpectrum(sd, type, rank, level)) {
    return nullptr;
  }
  restore.armed = false;
  SM_getCurrentOuterAutomorphisms(sd);
  s.currentPointer = sd;
  return sd;
}

}  // namespace

SpectrumData* SM_getData(int type, int rank, int level) {
  SpectrumData* sd = lookUpOrCreate(type, rank, level);
  if (storeState().awaitingStart) markStoremanagerStartState();
  return sd;
}

SpectrumData* SM_findCFT(const char* name) {
  if (name == nullptr) return nullptr;
  for (SpectrumData* sd = storeState().firstAlgebra; sd != nullptr; sd = sd->next) {
    if (std::strcmp(sd->name, name) == 0) return sd;
  }
  return nullptr;
}

SpectrumData* SM_getFirstAlgebra() { return storeState().firstAlgebra; }
void SM_setFirstAlgebra(SpectrumData* sd) { storeState().firstAlgebra = sd; }

void SM_unlinkRecord(SpectrumData* sd) {
  StoremanagerState& s = storeState();
  if (sd == nullptr) return;
  for (SpectrumData** link = &s.firstAlgebra; *link != nullptr; link = &(*link)->next) {
    if (*link != sd) continue;
    *link = sd->next;
    break;
  }
  sd->next = nullptr;
  if (sd->name != nullptr) sd->name[0] = '\0';
  if (s.currentPointer == sd) s.currentPointer = nullptr;
}
namespace {

// The name of every released record: it marks the shell, so a second release leaves it.
char releasedName[1] = "";

// Whether r was made from sd: sd is r's base, or its base's base, ...
bool madeFrom(const SpectrumData* r, const SpectrumData* sd) {
  // A chain of bases is short; the bound only guards against a cycle.
  int depth = 0;
  for (const SpectrumData* b = r->base; b != nullptr && depth < 64; b = b->base, ++depth) {
    if (b == sd) return true;
  }
  return false;
}

void releaseOne(SpectrumData* sd);

}  // namespace

void SM_releaseRecord(SpectrumData* sd) {
  if (sd == nullptr || sd->name == releasedName) return;
  std::vector<SpectrumData*> made;
  for (SpectrumData* r = storeState().firstAlgebra; r != nullptr; r = r->next) {
    if (madeFrom(r, sd)) made.push_back(r);
  }
  for (SpectrumData* r : made) releaseOne(r);
  releaseOne(sd);
}

namespace {

void releaseOne(SpectrumData* sd) {
  if (sd->name == releasedName) return;
  SM_unlinkRecord(sd);
  // Emptied in place: records elsewhere keep views of the other blocks.
  for (auto& block : storeState().overwrittenIntBlocks) {
    if (block.get_allocator().account != &sd->alloc) continue;
    block.clear();
    block.shrink_to_fit();
  }
  sd->intBlocks.clear();
  sd->doubleBlocks.clear();
  sd->charBlocks.clear();
  sd->recordBlocks.clear();
  sd->heteroticBlocks.clear();
  sd->sbase = OrbitSMatrix();
  VectorSpace& automorphisms = sd->automorphismSpace;
  automorphisms.storage.clear();
  automorphisms.storage.shrink_to_fit();
  automorphisms.ownedName.clear();
  automorphisms.ownedName.shrink_to_fit();
  automorphisms.Space = nullptr;
  automorphisms.name = "";
  automorphisms.rowsize = automorphisms.Nrow = automorphisms.Nfill = automorphisms.capacity = 0;
  automorphisms.idsize = automorphisms.root = 0;
  // The views into the blocks go with them.
  sd->name = releasedName;
  sd->tex = nullptr;
  sd->fcft = sd->factors = nullptr;
  sd->scmap = sd->parent_current_rep = sd->ext_currents = sd->gh = sd->weight_num = sd->field_map = nullptr;
  sd->orbit_number = sd->orbit_base = sd->orbit_position = sd->orbit_pointers = sd->charges = nullptr;
  sd->stabilizers = sd->fp_currents = sd->fcft_shift = sd->fcft_labels = sd->labels = sd->dims = nullptr;
  sd->nonabelian_info = sd->conjugates = sd->gravitino_action = sd->minimal_charges = sd->characters = nullptr;
  sd->exact = sd->galois_gen = sd->scale_gen = sd->fusion_table = sd->charge_table = sd->n2_multiplets = nullptr;
  sd->content = nullptr;
  sd->grading = nullptr;
  sd->ns_currents = nullptr;
  sd->heterotic = nullptr;
  sd->n_primaries = sd->n_orbits = sd->n_fp_currents = sd->n_factors = sd->n_ext_currents = 0;
  // The record's own share, charged when it was made.
  sd->alloc.counter = sd->alloc.counter > sizeof(SpectrumData) ? sd->alloc.counter - sizeof(SpectrumData) : 0;
  if (sd->alloc.counter == 0) sd->alloc.counter = 1;
}

}  // namespace

SpectrumData* SM_nextAlgebra(const SpectrumData* sd) { return sd == nullptr ? nullptr : sd->next; }

long long SM_getTotalAlloc() {
  long long total = 0;
  for (SpectrumData* sd = storeState().firstAlgebra; sd != nullptr; sd = sd->next)
    total += static_cast<long long>(sd->alloc.bytesHeld());
  return total;
}

long long SM_getSBaseAlloc() {
  long long total = 0;
  for (SpectrumData* sd = storeState().firstAlgebra; sd != nullptr; sd = sd->next)
    total += static_cast<long long>(sd->s_alloc.bytesHeld());
  return total;
}

void SM_set_S_CALL_TRACE(int flag) { storeState().S_CALL_TRACE = flag; }
int SM_get_S_CALL_TRACE() { return storeState().S_CALL_TRACE; }

// ---------------------------------------------------------------------------------------
// Small accessors

const char* SM_getAlgebraName(const SpectrumData* sd) { return sd->name; }
int SM_getFCFTnumber(const SpectrumData* sd) { return sd->n_fp_currents; }

int* SM_getFixedPointCurrents(SpectrumData* sd) {
  if (sd->fp_currents == nullptr) SM_initFCFT(sd);
  return sd->fp_currents;
}

int* SM_getRep(SpectrumData* sd, int a) {
  if (sd->labels == nullptr || !storeFieldInRange(sd, a, "SM_getRep", 0)) return nullptr;
  return sd->labels + static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->rep_size);
}

void SM_setTeXString(SpectrumData* sd, const char* text) {
  if (sd->tex != nullptr) {
    Alert("SM_setTeXString", 0, 100302, "TeX string already set\n");
    return;
  }
  const std::size_t length = text == nullptr ? 0 : std::strlen(text);
  sd->tex = SM_allocChars(sd, length + 1, "TeX String");
  if (length > 0) std::memcpy(sd->tex, text, length);
}

void SM_setExactWeights(SpectrumData* sd, int flag) {
  const int value = flag != 0 ? 1 : 0;
  sd->weights_exact = value;
  if (sd->exact == nullptr) return;
  std::fill(sd->exact, sd->exact + sd->n_primaries, value);
  if (value == 0 && sd->validity == 3 && sd->n_primaries > 0) sd->exact[0] = 1;
}

void SM_getCurrentOuterAutomorphisms(SpectrumData* sd) {
  VectorSpace* space = sd->automorphisms;
  if (space == nullptr) return;
  const int order = sd->scgroup == nullptr ? 1 : sd->scgroup->order;
  // A collection row carries two link ints after the entries; the copy reads all of them.
  std::vector<int> row(static_cast<std::size_t>(order) + 2, -1);
  for (int i = 0; i < order; ++i) row[static_cast<std::size_t>(i)] = i;
  if (sd->complex == 1 && SM_initConjugates(sd) == 1) {
    initVectorCollection(space, order, 2);
    addVectorToCollection(space, row.data());
    for (int i = 0; i < order; ++i) row[static_cast<std::size_t>(i)] = sd->conjugates[i];
    addVectorToCollection(space, row.data());
    return;
  }
  const bool dEven = sd->type == 4 && sd->rank % 2 == 0 && order == 4;
  if (!dEven) {
    initVectorCollection(space, order, 1);
    addVectorToCollection(space, row.data());
    return;
  }
  const bool d4 = sd->rank == 4;
  initVectorCollection(space, 4, d4 ? 6 : 2);
  static const int kRows[6][4] = {{0, 1, 2, 3}, {0, 3, 2, 1}, {0, 2, 1, 3},
                                  {0, 1, 3, 2}, {0, 2, 3, 1}, {0, 3, 1, 2}};
  for (int r = 0; r < (d4 ? 6 : 2); ++r) {
    std::copy(kRows[r], kRows[r] + 4, row.begin());
    addVectorToCollection(space, row.data());
  }
}

int LieCheck(const SpectrumData* sd) {
  if (sd->type >= 1 && sd->type <= 5) return 1;
  Alert("LieCheck", 0, 100202, "This command is only defined for affine Lie algebras");
  return 0;
}

int SM_ConvertToBasic(const SpectrumData* sd, int J) {
  return sd->type <= 5 ? ConvertToBasic(J, sd->type, sd->rank) : J;
}

int SM_zeroResult(double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  return 0;
}

int SM_initDimensions(SpectrumData* sd) {
  if (sd->dims != nullptr) return 1;
  if (sd->type > 5 || sd->type < 0 || sd->labels == nullptr) return 0;
  SM_allocFieldInfo_Dims(sd);
  if (sd->dims == nullptr) return 0;
  for (int a = 0; a < sd->n_primaries; ++a)
    sd->dims[a] = Dimension(sd->labels + static_cast<std::size_t>(a) * sd->rep_size, sd->type, sd->rank);
  return 1;
}

// ---------------------------------------------------------------------------------------
// Field-information allocators

void SM_allocFieldInfo(SpectrumData* sd, int dims_flag, int content_flag) {
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Weights(sd);
  SM_allocFieldInfo_Conjugates(sd);
  SM_allocFieldInfo_Orbits(sd);
  if (dims_flag == 1) SM_allocFieldInfo_Dims(sd);
  if (content_flag == 1) SM_allocFieldInfo_Content(sd);
}

void SM_allocFieldInfo_Weights(SpectrumData* sd) {
  const int n = sd->n_primaries;
  sd->weight_num = SM_allocInts(sd, SM_fieldArraySize(sd, n, 2), "Dimensions");
  sd->exact = sd->weight_num == nullptr ? nullptr : sd->weight_num + n;
}

void SM_allocFieldInfo_Dynkin(SpectrumData* sd) {
  sd->labels = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, sd->rep_size), "Field labels");
}

void SM_allocFieldInfo_Dims(SpectrumData* sd) {
  sd->dims = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, 1), "Dimensions");
  if (sd->dims != nullptr) std::fill(sd->dims, sd->dims + sd->n_primaries, kStoreNotComputed);
}

void SM_allocFieldInfo_Conjugates(SpectrumData* sd) {
  sd->conjugates = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, 1), "Dimensions");
}

void SM_allocFieldInfo_Orbits(SpectrumData* sd) {
  const int n = sd->n_primaries;
  const int g = generatorCount(sd);
  const std::size_t nn = static_cast<std::size_t>(n);
  int* block = SM_allocInts(sd, SM_fieldArraySize(sd, n, g > 0 ? 2 * static_cast<std::int64_t>(g) + 3 : 2),
                            "Orbit info");
  if (block == nullptr) return;
  sd->orbit_number = block;
  if (g > 0) {
    sd->orbit_base = block + nn;
    sd->orbit_position = block + 2 * nn;
    sd->stabilizers = block + 3 * nn;
    sd->charges = block + 3 * nn + nn * static_cast<std::size_t>(g);
  } else {
    sd->orbit_base = block;
    sd->orbit_position = block + nn;
    sd->stabilizers = nullptr;
    sd->charges = nullptr;
  }
}

void SM_allocFieldInfo_FCFT(SpectrumData* sd) {
  const int k = sd->n_fp_currents;
  if (k <= 0) {
    sd->fcft_labels = nullptr;
    sd->fcft_shift = nullptr;
    sd->fcft = nullptr;
    return;
  }
  std::int64_t rows = 0;
  if (__builtin_mul_overflow(static_cast<std::int64_t>(k), static_cast<std::int64_t>(sd->n_primaries) + 1, &rows))
    rows = -1;
  sd->fcft_labels = SM_allocInts(sd, SM_fieldArraySize(sd, rows, 1), "Fixed point labels");
  sd->fcft_shift = sd->fcft_labels == nullptr ? nullptr
                                              : sd->fcft_labels + static_cast<std::size_t>(k) * sd->n_primaries;
  sd->fcft = SM_allocRecordPointers(sd, static_cast<std::size_t>(k), "Fixed point CFT's");
}

void SM_allocFieldInfo_Chars(SpectrumData* sd) {
  sd->characters = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, sd->char_depth), "Characters");
}

void SM_allocFieldInfo_Map(SpectrumData* sd) {
  sd->field_map = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, 2), "Field label map");
}

void SM_allocFieldInfo_Content(SpectrumData* sd) {
  sd->content = SM_allocInts(sd, SM_fieldArraySize(sd, sd->n_primaries, 4), "Field content");
}

void SM_allocHeterotic(SpectrumData* sd, const HeteroticData* h) {
  sd->heteroticBlocks.emplace_back();
  HeteroticData& copy = sd->heteroticBlocks.back();
  if (h != nullptr) copy = *h;
  copy.cleared[0] = copy.cleared[1] = 0;
  copy.present = 1;
  sd->alloc.counter += sizeof(HeteroticData);
  sd->heterotic = &copy;
}

// ---------------------------------------------------------------------------------------
// The record dump

void SM_printSpectrumData(SpectrumData* sd) {
  const int n = sd->n_primaries;
  const int g = generatorCount(sd);
  Print("--- General CFT info\n");
  Print("Name: %s\n", sd->name);
  if (sd->tex != nullptr) Print("TeX String: %s\n", sd->tex);
  Print("Type %d, Rank %d, Level %d\n", sd->type, sd->rank, sd->level);
  Print("Number of primaries: %d\n", n);
  Print("Representation size: %d\n", sd->rep_size);
  Print("Adjoint dimension: %d\n", sd->adjoint_dim);
  Print("Dual Coxeter Number: %d\n", sd->dual_coxeter);
  Print("Central Charge: %30.15f\n", sd->c);
  printEntries("conjugates", sd->conjugates, n);
  printEntries("dimensions", sd->dims, n);
  Print("Weight denominator: %d\n", sd->weight_den);
  printEntries("weight numerators", sd->weight_num, n);
  Print("Weights are exact: %s\n", toYN(sd->weights_exact == 1));
  printEntries("exact weights", sd->exact, n);
  Print("%s", validityLine(sd->validity));
  if (sd->perm_order > 1) {
    Print("Permutation orbifold, order %d\n", sd->perm_order);
  } else {
    Print("Not a permutation orbifold\n");
  }
  if (sd->base != nullptr) Print("Based on algebra: %s\n", sd->base->name);
  if (sd->labels != nullptr) {
    printRows("Dynkin Labels", sd->labels, n, sd->rep_size);
  } else {
    Print("No labels defined\n");
  }

  Print("\n--- Simple Current Info\n");
  if (sd->scgroup != nullptr) {
    PrintVec(sd->scgroup->nfactors, sd->scgroup->factors, "Simple current group");
    Print("Number of simple current orbits: %d\n", sd->n_orbits);
    printComputedEntries("orbit labels", SM_hasOrbitNumbers(sd), n, [&](int a) { return SM_getOrbitNumber(sd, a); });
    printEntries("orbit generators", sd->orbit_base, n);
    printEntries("orbit position", sd->orbit_position, n);
    printEntries("orbit pointers", sd->orbit_pointers, sd->n_orbits);
    if (sd->stabilizers != nullptr && g > 0) {
      printRows("Stabilizers", sd->stabilizers, n, g);
    } else {
      Print("No stabilizer defined\n");
    }
    if (SM_hasCharges(sd) && g > 0) {
      std::vector<int> scratch(static_cast<std::size_t>(g));
      printComputedRows("Charges", n, g, [&](int a) { return SM_getChargeRow(sd, a, scratch.data()); });
    } else {
      Print("No charges defined\n");
    }
    for (int i = 0; i < sd->n_fp_currents; ++i) {
      Print("Fixed point current nr %d (current label %d),\n", i, sd->fp_currents[i]);
      SpectrumData* f = sd->fcft == nullptr ? nullptr : sd->fcft[i];
      if (f != nullptr) {
        Print("Resolved by FCFT \"%s\" (S matrix available: %s), FCFT shift %d\n", f->name,
              toYN(f->s_available == 1), sd->fcft_shift == nullptr ? 0 : sd->fcft_shift[i]);
      } else {
        Print("FCFT not allocated yet\n");
      }
      if (sd->fcft_labels != nullptr) {
        printEntries("FCFT labels", sd->fcft_labels + static_cast<std::size_t>(i) * n, n);
      } else {
        Print("FCFTlabels not yet allocated\n");
      }
    }
  } else {
    Print("No simple current group defined\n");
  }

  Print("\n--- General FCFT info (for this CFT used as an FCFT)\n");
  if (sd->type == kStoreTypeTensorFCFT) Print("FCFT for coset CFT\n");
  if (sd->type == kStoreTypePermutationFCFT) Print("FCFT for permutation orbifold\n");
  if (sd->parent_current >= 0) Print("FCFT belongs to current %d of parent\n", sd->parent_current);
  if (sd->parent_current_rep != nullptr && sd->base != nullptr) {
    std::string label = formatText("Current of CFT %s to which this FCFT belongs", sd->base->name);
    PrintVec(sd->base->rep_size, sd->parent_current_rep, label.c_str());
  }

  Print("\n--- Characters and indices\n");
  Print("Characters loaded: %s\n", toYN(sd->chars_loaded == 1));
  Print("Character order: %d; Character depth %d\n", sd->char_order, sd->char_depth);
  Print(sd->characters != nullptr ? "Characters available\n" : "Characters not available\n");
  Print(sd->indices != nullptr ? "Dynkin indices available\n" : "Dynkin indices not available or undefined\n");

  Print("\n---  Grading Info\n");
  Print("Graded: %s\n", toYN(sd->graded == 1));
  if (sd->grade_current >= 0) {
    Print("Grade current %d\n", sd->grade_current);
  } else {
    Print("No grade current defined\n");
  }
  if (sd->grading != nullptr) {
    printCharEntries("Grading: ", sd->grading, n);
  } else {
    Print("No grading\n");
  }
  Print(sd->ns_currents != nullptr ? "NS currents defined\n" : "No NS currents defined\n");
  printEntries("N=2 super multiplets", sd->n2_multiplets, n);

  Print("\n--- Modular Transformation Info\n");
  Print("Store S: %s\n", toYN(sd->store_s == 1));
  Print(sd->s_available == 1 ? "S matrix available\n" : "S matrix not available\n");
  Print(sd->complex == 1 ? "Complex CFT\n" : "Real CFT\n");
  Print(sd->symmetric == 1 ? "Matrix S is symmetric\n" : "Matrix S is not symmetric\n");
  Print(sd->use_orbits == 1 ? "Computation method for S: use orbits\n"
                            : "Computation method for S: Direct, without using orbits\n");
  Print(sd->sbase.held() ? "Smatrix on orbits allocated\n" : "Smatrix on orbits not allocated\n");

  Print("\n---Tensor Product Info\n");
  if (sd->n_factors > 0) {
    Print("This CFT was created from a tensor product or coset CFT\n");
    Print("Number of tensor factors: %d\n", sd->n_factors);
    printEntries("map to tensor fields", sd->field_map, sd->field_map == nullptr ? 0 : 2 * n);
    if (sd->gh != nullptr) {
      Print("GH index: ");
      for (int i = 0; i < sd->n_factors; ++i) Print("%d ", sd->gh[i]);
      Print("\n");
    } else {
      Print("G/H index not defined\n");
    }
    if (sd->factors != nullptr) {
      Print("Coset factors:\n");
      for (int i = 0; i < sd->n_factors; ++i)
        Print("%s\n", sd->factors[i] == nullptr ? "" : sd->factors[i]->name);
    }
    Print("Number of extension currents: %d\n", sd->n_ext_currents);
    if (sd->ext_currents != nullptr && sd->n_ext_currents > 0) {
      Print("Currents: \n");
      for (int i = 0; i < sd->n_ext_currents; ++i)
        PrintVec(sd->n_factors, sd->ext_currents + static_cast<std::size_t>(i) * sd->n_factors, " --> ");
    }
    if (sd->tensor != nullptr) Print("Tensor product pointer stored\n");
  } else {
    Print("CFT did not originate from a tensor product or coset CFT\n");
  }

  Print("\n---Galois Info\n");
  if (sd->n_galois_gen > 0) {
    Print("Number of generators: %d generators\n", sd->n_galois_gen);
    Print(sd->galois_gen != nullptr ? "Galois generators defined\n" : "No Galois generators defined\n");
    Print(sd->scale_gen != nullptr ? "Scale generators defined\n" : "No scale generators defined\n");
  } else {
    Print("No Galois generators\n");
  }

  Print("\n---Caching Info\n");
  printEntries("simple current map", sd->scmap, sd->n_scmap);
  printComputedEntries("gravitino action", SM_hasGravitinoAction(sd), n,
                       [&](int a) { return SM_getGravitinoImage(sd, a); });
  Print(sd->fusion_table != nullptr ? "Fusion table defined\n" : "No fusion table defined\n");
  Print(sd->charge_table != nullptr ? "Charge table defined\n" : "No charge table defined\n");
  Print("Fusion table available: %s\n", toYN(sd->fusion_available == 1));
  Print("Charge common denominator: %d\n", sd->charge_den);
  printComputedEntries("minimal model charges", SM_hasMinimalCharges(sd), n,
                       [&](int a) { return SM_getMinimalCharge(sd, a); });
  Print(sd->automorphisms != nullptr && sd->automorphisms->Nfill > 0 ? "Current automorphisms available\n"
                                                                      : "Current automorphisms not available\n");

  Print("\n---String Theory Info\n");
  if (sd->heterotic != nullptr) {
    Print("Heterotic string data available for %d space-time dimensions\n", sd->heterotic->header[2]);
  } else {
    Print("No heterotic string info available\n");
  }
  if (sd->content != nullptr && n > 0) {
    Print("Field representation content:\n");
    auto contentRow = [&](int a) {
      Print("%10d ", a);
      for (int i = 0; i < 4; ++i) Print("%d ", sd->content[static_cast<std::size_t>(a) * 4 + i]);
      Print("\n");
    };
    contentRow(0);
    if (n > 1) {
      Print("           .....      \n");
      contentRow(n - 1);
    }
  } else {
    Print("No field representation content available\n");
  }
  printEntries("non-abelian representation info", sd->nonabelian_info, n);

  Print("\n---Total Space Allocation Info\n");
  Print("Total allocation: %ld\n", static_cast<long>(sd->alloc.bytesHeld()));
  Print("S-Base allocation: %ld\n", static_cast<long>(sd->s_alloc.bytesHeld()));
  if (sd->next != nullptr) Print("\nNext algebra in chain: %s\n", sd->next->name);
}

long long ZoqAllocation(int verbose) {
  long long total = SM_getTotalAlloc();
  long long sMatrices = SM_getSBaseAlloc();
  if (verbose > 0) {
    Alert("ZoqAllocation", 0, 100208, "Total algebra allocation %lld Bytes", total);
    Alert("ZoqAllocation", 1, 100208, "Total S matrix allocation %lld Bytes", sMatrices);
  }
  return total;
}
