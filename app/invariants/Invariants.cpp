// The bulk invariant store (see the header).
#include "invariants/Invariants.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "modular/Modular.h"
#include "modular/ModularHooks.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

struct InvariantsState {
  std::unique_ptr<BulkInvariant> firstBulkInvariant;
  std::unique_ptr<BulkInvariant> LocalBulk;
  std::unique_ptr<BulkInvariant> DummyBulk;
  BulkInvariant* CurrentBulk = nullptr;
  int NameCount = 0;
  int CollectionCompleted = 0;
  // MIPF numbers given by a completed collection that did not store them; -1 when the
  // store's names number them.
  int UnstoredMIPFNumbers = -1;
  int TotalMIPFCount = 0;
  int StoreCalls = 0;
  // Number of the subgroup under enumeration; -1 while none runs.
  int CurrentSubgroupLabel = -1;
  std::unique_ptr<SimpleCurrentNode> FirstSCnode;
  int PoolNodes = 0;
  const int* RequireAutomorphism = nullptr;
  const int* RequireSymmetry = nullptr;
  const int* RequireExtension = nullptr;
  const int* SuppPerm = nullptr;
  const int* AutoStore = nullptr;
};

InvariantsState& state() {
  static InvariantsState s;
  return s;
}

int valueOf(const int* p) { return p == nullptr ? 0 : *p; }

// Largest row count a record can hold: its buffer of 3n + n ints must be indexable by int.
constexpr int kMaxRows = INT_MAX / 4;

// The primaries of the current theory; 1 when none is known (no spectrum computed) or the
// count is more than a record can hold.
int currentPrimaryCount() {
  const int n = knownPrimaryCount();
  return n < 1 || n > kMaxRows ? 1 : n;
}

std::unique_ptr<SimpleCurrentNode> makeNode() {
  auto node = std::make_unique<SimpleCurrentNode>();
  node->record = allocNewSCData(node.get());
  ++state().PoolNodes;
  return node;
}

void installHooks() {
  ModularHooks hooks = modularHooks();
  hooks.getCurrentBulk = getCurrentBulk;
  hooks.resetBulk = resetBulk;
  setModularHooks(hooks);
}

}  // namespace

BulkInvariant::~BulkInvariant() {
  // Long stores are unlinked iteratively rather than by a chain of destructors.
  std::unique_ptr<BulkInvariant> rest = std::move(next);
  while (rest) {
    std::unique_ptr<BulkInvariant> after = std::move(rest->next);
    rest = std::move(after);
  }
}

int BulkInvariant::rowEntries(int i) const {
  if (orbits[i] == nullptr) return 0;
  if (simple_current && !diagonal) return count[i] + mult[i];
  return count[i];
}

// ---------------------------------------------------------------------------------------
// Start-up

void initializeInvariants() {
  InvariantsState& s = state();
  s.RequireAutomorphism = getIntParPointer("Selection automorphism");
  s.RequireSymmetry = getIntParPointer("Selection symmetric");
  s.RequireExtension = getIntParPointer("Selection extension");
  s.SuppPerm = getIntParPointer("Reject permutations");
  s.AutoStore = getIntParPointer("Autostore");
  if (!s.LocalBulk) s.LocalBulk = allocNewBulkInvariant(nullptr);
  s.CurrentBulk = s.LocalBulk.get();
  if (!s.DummyBulk) s.DummyBulk = allocNewBulkInvariant(nullptr);
  if (!s.FirstSCnode) s.FirstSCnode = makeNode();
  installHooks();
  installUserInvariantHooks();
  if (findTable("Spectrum") != nullptr) {
    setColumnRoutines("Spectrum", "Bulk invariant", getBulkInvariantString, nullptr);
  }
  if (findTable("TensorSpectrum") != nullptr) {
    setColumnRoutines("TensorSpectrum", "Bulk invariant", getBulkInvariantString, nullptr);
  }
}

void resetInvariants() {
  InvariantsState& s = state();
  s.firstBulkInvariant.reset();
  s.NameCount = 0;
  s.CollectionCompleted = 0;
  s.UnstoredMIPFNumbers = -1;
  s.TotalMIPFCount = 0;
  s.StoreCalls = 0;
  s.CurrentSubgroupLabel = -1;
  s.FirstSCnode.reset();
  s.PoolNodes = 0;
  s.LocalBulk.reset();
  s.DummyBulk.reset();
  resetInvariantSelection();
  resetInvariantEnumeration();
  resetInvariantBuild();
  resetInvariantHeterotic();
  resetInvariantMatrices();
  resetInvariantPrinting();
  resetUserInvariants();
  initializeInvariants();
}

// ---------------------------------------------------------------------------------------
// Records

std::unique_ptr<SimpleCurrentData> allocNewSCData(SimpleCurrentNode* node) {
  auto md = std::make_unique<SimpleCurrentData>();
  md->node = node;
  md->map.assign(300, 0);
  md->monodromies.assign(72, 0);
  return md;
}

std::unique_ptr<BulkInvariant> allocNewBulkInvariant(const char* name) {
  auto bi = std::make_unique<BulkInvariant>();
  if (name != nullptr) bi->name = name;
  bi->MD = allocNewSCData(nullptr);
  bi->EDT = std::make_unique<ExceptionalBoundaryData>();
  resetBulkInvariant(bi.get());
  return bi;
}

void allocBulkInvariantData(BulkInvariant* bi, int n, int cap) {
  if (n < 1 || cap < 0 || n > kMaxRows || cap > INT_MAX - 3 * n) {
    Alert("allocBulkInvariantData", 0, 120505, "Storage overflow in modular invariant data");
    n = 1;
    cap = 1;
  }
  bi->Data.assign(static_cast<size_t>(3 * n + cap), 0);
  bi->orbits.assign(static_cast<size_t>(n), nullptr);
  bi->n_rows = n;
  bi->capacity = cap;
  bi->count = bi->Data.data();
  bi->mult = bi->count + n;
  bi->algebra = bi->mult + n;
  bi->algebra_count = 0;
  bi->vacuum_row = nullptr;
}

void resetBulkInvariant(BulkInvariant* bi) {
  if (bi == nullptr) {
    Alert("resetBulkInvariant", 0, 120505, "Attempt to reset NULL invariant pointer");
    return;
  }
  if (!bi->EDT) {
    Alert("resetBulkInvariant", 1, 120505, "Attempt to reset NULL data pointer");
    return;
  }
  if (!bi->MD) {
    Alert("resetBulkInvariant", 2, 120505, "Attempt to reset NULL simple current pointer");
    return;
  }
  const InvariantsState& s = state();
  const int n = currentPrimaryCount();
  bi->diagonal = 1;
  bi->simple_current = 1;
  bi->conjugation = 0;
  bi->symmetric = 1;
  bi->ishibashi_count = n;
  bi->EDT->reset = 0;
  bi->EDT->crosscap_status = 0;
  SimpleCurrentData& md = *bi->MD;
  md.group = DG_trivial();
  md.perm_subgroup.clear();
  md.group_permutation = nullptr;
  md.kernels.assign(2, 0);
  md.kernel_size = 1;
  md.owns_subgroup = 0;
  md.truncated = 0;
  md.generators.assign(1, 0);
  md.generators.reserve(11);
  md.n_generators = 0;
  md.mipf_number = -1;
  md.subgroup_label = -1;
  md.sel_symmetric = valueOf(s.RequireSymmetry);
  md.sel_automorphism = valueOf(s.RequireAutomorphism);
  md.sel_extension = valueOf(s.RequireExtension);
  md.sel_reject_permutations = valueOf(s.SuppPerm);
  md.selection_count = 1;
  allocBulkInvariantData(bi, n, n);
  int* partners = bi->algebra + n;
  for (int i = 0; i < n; ++i) {
    bi->count[i] = 1;
    bi->mult[i] = 1;
    partners[i] = i;
    bi->orbits[i] = partners + i;
  }
  bi->algebra[0] = 0;
  bi->algebra_count = 1;
  bi->vacuum_row = bi->orbits[0];
  bi->reserved[0] = bi->reserved[1] = bi->reserved[2] = -1;
}

void copySCData(SimpleCurrentData* dst, const SimpleCurrentData* src, int kernels) {
  if (dst == nullptr || src == nullptr || dst == src) return;
  dst->group = src->group;
  dst->context = src->context;
  dst->map = src->map;
  dst->monodromies = src->monodromies;
  // A charge map not copied is not made for the copy, whatever the record held before.
  dst->charge_map_made = 0;
  if (kernels == 1) {
    dst->kernels = src->kernels;
    if (src->charge_map_made) {
      dst->chargeMap = src->chargeMap;
      dst->charge_map_made = 1;
    }
  }
  if (src->n_pairs > 0) {
    if (src->factor.empty()) {
      Alert("copySCData", 0, 520218, "MDi->factor is NULL; Let us hope it is not needed...");
    } else {
      dst->factor = src->factor;
    }
  }
  dst->stabilizer = src->stabilizer;  // its size is its count
  dst->stabilizer_count = src->stabilizer_count;
  dst->generators = src->generators;
  dst->selection_count = src->selection_count;
  dst->sel_symmetric = src->sel_symmetric;
  dst->sel_automorphism = src->sel_automorphism;
  dst->sel_extension = src->sel_extension;
  dst->sel_reject_permutations = src->sel_reject_permutations;
  dst->n_pairs = src->n_pairs;
  dst->kernel_size = src->kernel_size;
  dst->x_symmetric = src->x_symmetric;
  // A copy of a record built for a primary selection is rebuilt like the original.
  dst->truncated = src->truncated;
}

void copySCDataWhole(SimpleCurrentData* dst, const SimpleCurrentData* src) {
  if (dst == nullptr || src == nullptr || dst == src) return;
  copySCData(dst, src, 1);
  dst->perm_subgroup = src->perm_subgroup;
  dst->group_permutation = src->group_permutation;
  dst->mipf_number = src->mipf_number;
  dst->subgroup_label = src->subgroup_label;
  dst->n_generators = src->n_generators;
  dst->sel_autostore = src->sel_autostore;
  dst->sel_algebra = src->sel_algebra;
}

void copyEDTData(ExceptionalBoundaryData* dst, const ExceptionalBoundaryData* src) {
  if (dst == nullptr || src == nullptr || src->N == 0) return;
  dst->N = src->N;
  dst->L = src->L;
  dst->reset = src->reset;
  dst->crosscap_status = src->crosscap_status;
  dst->data = src->data;
}

void copyBulkInvariant(BulkInvariant* dst, const BulkInvariant* src) {
  if (dst == nullptr || src == nullptr || dst == src) return;
  dst->diagonal = src->diagonal;
  dst->simple_current = src->simple_current;
  dst->conjugation = src->conjugation;
  dst->symmetric = src->symmetric;
  dst->ishibashi_count = src->ishibashi_count;
  std::copy(src->reserved, src->reserved + 3, dst->reserved);
  const int n = src->n_rows;
  // Rows of the source may share lists; the copy stores each row on its own, so it is
  // sized for all of them before anything is written.
  int needed = 0;
  for (int i = 0; i < n; ++i) needed += src->rowEntries(i);
  allocBulkInvariantData(dst, n, std::max(src->capacity, needed));
  int* partners = dst->algebra + n;
  int used = 0;
  for (int i = 0; i < n; ++i) {
    dst->count[i] = src->count[i];
    dst->mult[i] = src->mult[i];
    const int entries = src->rowEntries(i);
    if (src->orbits[i] == nullptr) continue;
    std::copy(src->orbits[i], src->orbits[i] + entries, partners + used);
    dst->orbits[i] = partners + used;
    used += entries;
  }
  std::copy(src->algebra, src->algebra + src->algebra_count, dst->algebra);
  dst->algebra_count = src->algebra_count;
  dst->vacuum_row = dst->orbits.empty() ? nullptr : dst->orbits[0];
  if (src->simple_current) {
    if (dst->MD && src->MD) copySCData(dst->MD.get(), src->MD.get(), 1);
  } else if (dst->EDT && src->EDT) {
    copyEDTData(dst->EDT.get(), src->EDT.get());
  }
}

void adjustBulkInvariant(BulkInvariant* bi) {
  for (int i = 0; i < bi->n_rows; ++i) {
    if (bi->count[i] == 0 || bi->mult[i] == 0) {
      bi->count[i] = 0;
      bi->mult[i] = 0;
    }
  }
}

namespace {

// compareBulkInvariants on adjusted rows (a row with count or mult 0 counts as empty),
// without adjusting the records: it stops at the first row that differs.
int compareAdjusted(const BulkInvariant* a, const BulkInvariant* b) {
  if (a == b) return 0;
  if (a == nullptr || b == nullptr || a->n_rows != b->n_rows) return -1;
  for (int i = 0; i < a->n_rows; ++i) {
    const bool emptyA = a->count[i] == 0 || a->mult[i] == 0;
    const bool emptyB = b->count[i] == 0 || b->mult[i] == 0;
    if (emptyA || emptyB) {
      if (emptyA != emptyB) return -1;
      continue;
    }
    if (a->count[i] != b->count[i] || a->mult[i] != b->mult[i]) return -1;
    const int c = a->count[i];
    const int* la = a->orbits[i];
    const int* lb = b->orbits[i];
    if (la == nullptr || lb == nullptr) return -1;
    if (std::equal(la, la + c, lb)) continue;
    if (c < 2) return -1;
    if (std::set<int>(la, la + c) != std::set<int>(lb, lb + c)) return -1;
  }
  return 0;
}

}  // namespace

int compareBulkInvariants(BulkInvariant* a, BulkInvariant* b) {
  if (a == b) return 0;
  if (a == nullptr || b == nullptr || a->n_rows != b->n_rows) return -1;
  adjustBulkInvariant(a);
  adjustBulkInvariant(b);
  return compareAdjusted(a, b);
}

int bulkEntry(const BulkInvariant* bi, int i, int j) {
  if (i < 0 || i >= bi->n_rows || bi->orbits[i] == nullptr) return 0;
  const int* list = bi->orbits[i];
  return bi->mult[i] * static_cast<int>(std::count(list, list + bi->count[i], j));
}

// ---------------------------------------------------------------------------------------
// The store

namespace {

std::unique_ptr<BulkInvariant>* endOfStore() {
  std::unique_ptr<BulkInvariant>* slot = &state().firstBulkInvariant;
  while (*slot) slot = &(*slot)->next;
  return slot;
}

// Steps 1 to 4 of storing: the twin or the refusal, else the name and number to give.
// Returns true when the record is to be stored.
bool prepareStore(const char* name, BulkInvariant* bi, int verbose, BulkInvariant** result,
                  std::string* givenName, int* number) {
  InvariantsState& s = state();
  adjustBulkInvariant(bi);
  ++s.StoreCalls;
  if (name != nullptr && findNamedBulkInvariant(name) != nullptr) {
    Alert("storeBulkInvariant", 0, 100302, "Name \"%s\n already in use", name);
    *result = nullptr;
    return false;
  }
  // Compared as adjusted rows: one pass that stops at the first difference.
  for (BulkInvariant* r = s.firstBulkInvariant.get(); r != nullptr; r = r->next.get()) {
    pollInterruptRequest();
    if (compareAdjusted(r, bi) == 0) {
      if (verbose == 1) {
        char shown[96];
        snprintf(shown, sizeof shown, " %-15s", r->name.c_str());
        PrintNoRepeat("This invariant is already present as", shown);
      }
      *result = r;
      return false;
    }
  }
  if (name == nullptr) {
    *number = s.NameCount;
    *givenName = assignName();
  } else {
    *number = -1;
    *givenName = name;
  }
  return true;
}

void announceStored(const BulkInvariant* bi, const std::string& name, int verbose) {
  if (verbose != 1) return;
  if (bi->diagonal) {
    Print("Diagonal invariant stored as \"%s\"\n", name.c_str());
  } else {
    Print("Modular invariant stored as \"%s\"\n", name.c_str());
  }
}

}  // namespace

BulkInvariant* storeBulkInvariant(const char* name, BulkInvariant* bi, int copy, int verbose) {
  if (bi == nullptr) return nullptr;
  if (copy != 1) {
    Alert("storeBulkInvariant", 1, 120505,
          "Linking a record into the store needs linkBulkInvariant");
    return nullptr;
  }
  BulkInvariant* result = bi;
  std::string given;
  int number = -1;
  if (!prepareStore(name, bi, verbose, &result, &given, &number)) return result;
  BulkInvariant* stored = addNewBulkInvariantToStorage(given.c_str());
  copyBulkInvariant(stored, bi);
  stored->MD->mipf_number = number;
  stored->MD->subgroup_label = state().CurrentSubgroupLabel;
  announceStored(bi, given, verbose);
  return bi;
}

BulkInvariant* linkBulkInvariant(const char* name, std::unique_ptr<BulkInvariant> bi,
                                 int verbose) {
  if (!bi) return nullptr;
  BulkInvariant* result = bi.get();
  std::string given;
  int number = -1;
  if (!prepareStore(name, bi.get(), verbose, &result, &given, &number)) return result;
  bi->name = given;
  bi->next.reset();
  bi->MD->mipf_number = number;
  bi->MD->subgroup_label = state().CurrentSubgroupLabel;
  announceStored(bi.get(), given, verbose);
  std::unique_ptr<BulkInvariant>* slot = endOfStore();
  *slot = std::move(bi);
  return slot->get();
}

BulkInvariant* addNewBulkInvariantToStorage(const char* name) {
  if (name == nullptr) {
    Alert("addNewBulkInvariantToStorage", 0, 212404, "Unexpected NULL name");
    return nullptr;
  }
  std::unique_ptr<BulkInvariant>* slot = endOfStore();
  *slot = allocNewBulkInvariant(name);
  return slot->get();
}

const char* assignName() {
  static char buffer[80];
  snprintf(buffer, sizeof buffer, "Invariant_%d", state().NameCount);
  ++state().NameCount;
  return buffer;
}

void modifyBulkName(const char* name, BulkInvariant* bi) {
  if (bi != nullptr && name != nullptr) bi->name = name;
}

BulkInvariant* findNamedBulkInvariant(const char* name) {
  if (name == nullptr) return nullptr;
  for (BulkInvariant* r = state().firstBulkInvariant.get(); r != nullptr; r = r->next.get()) {
    if (r->name == name) return r;
  }
  return nullptr;
}

BulkInvariant* locateBulkInvariant(BulkInvariant* bi) {
  for (BulkInvariant* r = state().firstBulkInvariant.get(); r != nullptr; r = r->next.get()) {
    if (compareBulkInvariants(r, bi) == 0) return r;
  }
  return nullptr;
}

BulkInvariant* getLastBulkInvariant() {
  BulkInvariant* last = nullptr;
  for (BulkInvariant* r = state().firstBulkInvariant.get(); r != nullptr; r = r->next.get()) {
    last = r;
  }
  return last;
}

int storedInvariantCount() {
  int n = 0;
  for (BulkInvariant* r = state().firstBulkInvariant.get(); r != nullptr; r = r->next.get()) ++n;
  return n;
}

BulkInvariant* storedBulkInvariantAt(int k) {
  BulkInvariant* r = state().firstBulkInvariant.get();
  for (; r != nullptr && k > 0; --k) r = r->next.get();
  return k < 0 ? nullptr : r;
}

void listBulkInvariants() {
  for (BulkInvariant* r = state().firstBulkInvariant.get(); r != nullptr; r = r->next.get()) {
    Print("%s\n", r->name.c_str());
  }
}

const char* convertBulkInvariantName(const char* text) {
  static std::string buffer;
  if (text == nullptr || !isdigit(static_cast<unsigned char>(text[0]))) return text;
  const char* digits = text;
  while (digits[0] == '0' && digits[1] != '\0') ++digits;
  buffer = std::string("Invariant_") + digits;
  return buffer.c_str();
}

namespace {

// The MIPF number at the start of a text that begins with a digit; -1 after a refusal when
// the digits name no int (atoi would wrap them round to another MIPF).
int leadingMipfNumber(const char* text) {
  const char* end = text;
  while (isdigit(static_cast<unsigned char>(*end)) != 0) ++end;
  long long number = 0;
  for (const char* p = text; p < end && number <= INT_MAX; ++p) number = number * 10 + (*p - '0');
  if (number <= INT_MAX) return static_cast<int>(number);
  Alert("getBulkInvariantForUserInput", 1, 100201, "MIPF number %s out of range (MIPF numbers are at most %d)",
        std::string(text, end).c_str(), INT_MAX);
  return -1;
}

}  // namespace

BulkInvariant* getBulkInvariantForUserInput(const char* text) {
  if (text == nullptr) return nullptr;
  const bool numeric = isdigit(static_cast<unsigned char>(text[0])) != 0;
  const int number = numeric ? leadingMipfNumber(text) : 0;
  if (number < 0) return nullptr;
  if (numeric && valueOf(state().AutoStore) == 0) return getBulkInvariantByNumber(number);
  const std::string converted = convertBulkInvariantName(text);
  BulkInvariant* found = findNamedBulkInvariant(converted.c_str());
  if (found != nullptr) return found;
  if (!numeric) {
    Alert("getBulkInvariantForUserInput", 0, 100302, "Invariant %s not found", converted.c_str());
    return nullptr;
  }
  return getBulkInvariantByNumber(number);
}

BulkInvariant* getBulkInvariantByNumber(int k) { return buildBulkInvariantByNumber(k); }

int removeLastBulkInvariant() {
  std::unique_ptr<BulkInvariant>* slot = &state().firstBulkInvariant;
  if (!*slot) return 0;
  while ((*slot)->next) slot = &(*slot)->next;
  slot->reset();
  return state().firstBulkInvariant ? 1 : 0;
}

void freeAllBulkInvariants() {
  InvariantsState& s = state();
  s.firstBulkInvariant.reset();
  s.CurrentBulk = s.LocalBulk.get();
  bulkInvariantChanged();
}

void resetInvariantStore() {
  InvariantsState& s = state();
  s.NameCount = 0;
  s.CollectionCompleted = 0;
  s.UnstoredMIPFNumbers = -1;
  s.TotalMIPFCount = 0;
  setPrimarySelection(nullptr);
  s.firstBulkInvariant.reset();
  s.CurrentBulk = s.LocalBulk.get();
  bulkInvariantChanged();
  setIntPar("Loop start", 0);
  setIntPar("Loop end", 2000000000);
}

int TotalInvariants() {
  const InvariantsState& s = state();
  if (!s.CollectionCompleted) return -1;
  return s.UnstoredMIPFNumbers >= 0 ? s.UnstoredMIPFNumbers : s.NameCount;
}

void permutationRejectionChanged() {
  if (state().NameCount == 0) return;
  if (getBackground() == 0) Print("Resetting invariant storage\n");
  resetInvariantStore();
}

// ---------------------------------------------------------------------------------------
// The current invariant

BulkInvariant** getCurrentBulk() { return &state().CurrentBulk; }

BulkInvariant* getLocalBulk() {
  InvariantsState& s = state();
  if (!s.LocalBulk) s.LocalBulk = allocNewBulkInvariant(nullptr);
  return s.LocalBulk.get();
}

BulkInvariant* getDummyBulk() {
  InvariantsState& s = state();
  if (!s.DummyBulk) s.DummyBulk = allocNewBulkInvariant(nullptr);
  return s.DummyBulk.get();
}

void setCurrentBulkInvariant(BulkInvariant* bi) {
  state().CurrentBulk = bi;
  bulkInvariantChanged();
}

void resetBulk() {
  InvariantsState& s = state();
  if (!s.LocalBulk) s.LocalBulk = allocNewBulkInvariant(nullptr);
  resetBulkInvariant(s.LocalBulk.get());
  s.CurrentBulk = s.LocalBulk.get();
  bulkInvariantChanged();
}

void storeCurrentBulkInvariant() {
  BulkInvariant* current = state().CurrentBulk;
  if (current != nullptr) storeBulkInvariant(nullptr, current, 1, 0);
}

// ---------------------------------------------------------------------------------------
// Pool of simple-current records

SimpleCurrentData* getSCDataPointer() {
  InvariantsState& s = state();
  if (!s.FirstSCnode) s.FirstSCnode = makeNode();
  SimpleCurrentNode* node = s.FirstSCnode.get();
  while (true) {
    if (!node->in_use) {
      node->in_use = 1;
      return node->record.get();
    }
    if (!node->next) break;
    node = node->next.get();
  }
  node->next = makeNode();
  node->next->in_use = 1;
  return node->next->record.get();
}

void returnSCDataPointer(SimpleCurrentData* md) {
  for (SimpleCurrentNode* node = state().FirstSCnode.get(); node != nullptr;
       node = node->next.get()) {
    if (md != nullptr && node == md->node && node->record.get() == md) {
      node->in_use = 0;
      return;
    }
  }
  Alert("returnSCDataPointer", 0, 112301, "Incorrect Simple Current node pointer returned\n");
}

int poolNodeCount() { return state().PoolNodes; }

// ---------------------------------------------------------------------------------------
// Shared with the enumeration

int getNameCount() { return state().NameCount; }
int getTotalMIPFCount() { return state().TotalMIPFCount; }
void countTotalMIPF() { ++state().TotalMIPFCount; }
void setCollectionCompleted(int value, int unstoredNumbers) {
  state().CollectionCompleted = value;
  state().UnstoredMIPFNumbers = unstoredNumbers;
}
void setCurrentSubgroupLabel(int label) { state().CurrentSubgroupLabel = label; }
