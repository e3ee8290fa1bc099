// Fixed-point data and symmetries of the current theory: the S matrices of the fixed-point
// theory and of the orbit Lie algebra of a current, shifts and twists of fixed points,
// whether a current fixes any field, the validity level, the contents column's set-up, the
// outer automorphisms of the current group with the current permutations they induce, and
// the exceptional simple currents read off from the first row of S.
//
// Each entry answers from the current stored theory when the tensor-mode switch is off and
// from the current tensor product (through the tensor layer's services) when it is on.
// The only state kept is a memory of the tensor side's twists and orbit-Lie-algebra S
// elements, in the module state (below).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "collections/VectorSpace.h"
#include "groups/Discrete.h"
#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

namespace {

bool tensorSide() { return KMCosetSwitch != 0; }

// False (after the alert) outside tensor mode without a current theory.
bool haveRecord(const char* routine) {
  if (currentSD != nullptr) return true;
  Alert(routine, 0, 100302, "%s: no current theory", routine);
  return false;
}

// The store's outer automorphisms of the current group, built when the record has none.
VectorSpace* storeAutomorphisms() {
  VectorSpace* space = currentSD->automorphisms;
  if (space == nullptr) return nullptr;
  if (space->Nfill < 1 || space->Space == nullptr) SM_getCurrentOuterAutomorphisms(currentSD);
  return space->Nfill < 1 || space->Space == nullptr ? nullptr : space;
}

// 1 when current J fixes both fields (the element then belongs to J's fixed-point theory).
int fixesBoth(int J, int a, int b) { return simpleFusion(J, a) == a && simpleFusion(J, b) == b ? 1 : 0; }

// The twists and orbit-Lie-algebra S elements of a tensor product depend on the theory
// alone, and the boundary set-up of every bulk invariant of a theory asks the same ones
// again (a scan asks them for each of its invariants). They are kept in the module state
// for the theory (its CFT counter and record) while the number kept stays moderate; not
// while S calls are traced, which prints per call. nullptr: nothing is kept.
constexpr std::size_t kMemoryEntries = std::size_t{1} << 21;

ModularState* fixedPointMemory() {
  ModularState& s = modularState();
  if (s.S_CALL_TRACE != 0) return nullptr;
  if (s.fixedPointMemoryCFT != QueryCFT() ||
      s.fixedPointMemoryTensor != static_cast<const void*>(currentTensor)) {
    s.keptTwists.clear();
    s.keptOlaS.clear();
    s.fixedPointMemoryCFT = QueryCFT();
    s.fixedPointMemoryTensor = currentTensor;
  }
  return &s;
}

// Whether the memory still belongs to the current theory (a call may have changed it).
bool memoryCurrent(const ModularState& s) {
  return s.fixedPointMemoryCFT == QueryCFT() &&
         s.fixedPointMemoryTensor == static_cast<const void*>(currentTensor);
}

// Three labels in one key; false when one does not fit in 21 bits.
bool memoryKey(int a, int b, int c, std::uint64_t* key) {
  constexpr int kLimit = 1 << 21;
  if (a < 0 || b < 0 || c < 0 || a >= kLimit || b >= kLimit || c >= kLimit) return false;
  *key = (static_cast<std::uint64_t>(a) << 42) | (static_cast<std::uint64_t>(b) << 21) |
         static_cast<std::uint64_t>(c);
  return true;
}

}  // namespace

int MOD_getFCFT_Smatrix(int J, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (tensorSide()) {
    tensorHooks().CT_getFCFT_Smatrix(currentTensor, J, a, b, re, im);
    return fixesBoth(J, a, b);
  }
  if (!haveRecord("MOD_getFCFT_Smatrix")) return 0;
  return SM_getFCFT_Smatrix(currentSD, J, a, b, re, im);
}

int MOD_getOLA_Smatrix(int J, int a, int b, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  if (tensorSide()) {
    ModularState* memory = fixedPointMemory();
    std::uint64_t key = 0;
    if (memory != nullptr && memoryKey(J, a, b, &key)) {
      const auto known = memory->keptOlaS.find(key);
      if (known != memory->keptOlaS.end()) {
        *re = known->second[0];
        *im = known->second[1];
        return fixesBoth(J, a, b);
      }
    }
    tensorHooks().CT_getOLA_SmatrixOfFields(currentTensor, J, a, b, re, im);
    if (memory != nullptr && memoryKey(J, a, b, &key) && memory->keptOlaS.size() < kMemoryEntries &&
        memoryCurrent(*memory))
      memory->keptOlaS.emplace(key, std::array<double, 2>{*re, *im});
    return fixesBoth(J, a, b);
  }
  if (!haveRecord("MOD_getOLA_Smatrix")) return 0;
  return SM_getOLA_Smatrix(currentSD, J, a, b, re, im);
}

int MOD_fixedPointCurrent(int J) {
  if (tensorSide()) {
    // A current fixes a field only if its weight is a multiple of 1/2: J a = a makes the
    // monodromy charge Q_J(J) = -2 h_J vanish modulo 1.
    const Rat h = *ratWeight(J);
    if (h.den > 2) return 0;
    const int N = knownPrimaryCount();
    for (int i = 0; i < N; ++i) {
      if (simpleFusion(J, i) == i) return 1;
    }
    return 0;
  }
  if (!haveRecord("MOD_fixedPointCurrent")) return 0;
  return SM_fixedPointCurrent(currentSD, J);
}

int MOD_getFCFTshift(int J) {
  if (tensorSide()) return tensorHooks().getTotalFCFTshiftOfField(currentTensor, J);
  if (!haveRecord("MOD_getFCFTshift")) return 0;
  const int lbl = SM_getFCFTlbl(currentSD, J);
  if (lbl == 0) return 0;
  if (lbl < 0 || currentSD->fcft_shift == nullptr) {
    Alert("MOD_getFCFTshift", 1, 212404, "current %d has no fixed points", J);
    return 0;
  }
  return currentSD->fcft_shift[lbl - 1];
}

int MOD_getCurrentTwist(int J, int i, int k) {
  if (tensorSide()) {
    ModularState* memory = fixedPointMemory();
    std::uint64_t key = 0;
    if (memory != nullptr && memoryKey(J, i, k, &key)) {
      const auto known = memory->keptTwists.find(key);
      if (known != memory->keptTwists.end()) return known->second;
    }
    const int twist = tensorHooks().CT_getCurrentTwist(currentTensor, i, J, k);
    if (memory != nullptr && memoryKey(J, i, k, &key) && memory->keptTwists.size() < kMemoryEntries &&
        memoryCurrent(*memory))
      memory->keptTwists.emplace(key, twist);
    return twist;
  }
  if (!haveRecord("MOD_getCurrentTwist")) return 0;
  return SM_getCurrentTwist(currentSD, i, J, k);
}

int MOD_isValidCFT() {
  if (tensorSide()) return tensorHooks().CT_isValidCFT(currentTensor);
  if (!haveRecord("MOD_isValidCFT")) return 0;
  return currentSD->validity;
}

int MOD_initContents() {
  if (tensorSide()) return tensorHooks().CT_initContents(currentTensor);
  if (!haveRecord("MOD_initContents")) return 0;
  return SM_initContents(currentSD);
}

VectorSpace* MOD_getCurrentOuterAutomorphisms() {
  if (tensorSide()) return tensorHooks().CT_getCurrentOuterAutomorphisms(currentTensor);
  if (!haveRecord("MOD_getCurrentOuterAutomorphisms")) return nullptr;
  return storeAutomorphisms();
}

int MOD_TotalOuterAutomorphisms() {
  if (tensorSide()) return tensorHooks().CT_TotalOuterAutomorphisms(currentTensor);
  if (!haveRecord("MOD_TotalOuterAutomorphisms")) return 0;
  const VectorSpace* space = storeAutomorphisms();
  return space == nullptr ? 0 : space->Nfill;
}

int MOD_getCurrentPermutation(int p, int J) {
  if (tensorSide()) return tensorHooks().CT_getCurrentPermutation(currentTensor, p, J);
  if (!haveRecord("MOD_getCurrentPermutation")) return -1;
  const VectorSpace* space = storeAutomorphisms();
  if (p == -1) return space == nullptr ? 0 : space->Nfill;
  const int order = currentSD->scgroup == nullptr ? 1 : currentSD->scgroup->order;
  if (space == nullptr || p < 0 || p >= space->Nfill || J < 0 || J >= order) {
    Alert("MOD_getCurrentPermutation", 0, 212404, "No permutation %d of current %d", p, J);
    return -1;
  }
  return space->Space[static_cast<std::size_t>(p) * static_cast<std::size_t>(space->rowsize) +
                      static_cast<std::size_t>(J)];
}

int MOD_getExtensionNumber() {
  return tensorSide() ? tensorHooks().getExtensionNumber(currentTensor) : -1;
}

std::vector<int> exceptionalSimpleCurrentFields(int start) {
  std::vector<int> fields;
  const int N = knownPrimaryCount();
  if (start >= N) return fields;
  double re0 = 0.0;
  double im0 = 0.0;
  compS(0, 0, &re0, &im0);
  if (re0 <= 0.0 || ZeroCheck(re0)) return fields;
  for (int i = std::max(start, 0); i < N; ++i) {
    double re = 0.0;
    double im = 0.0;
    compS(0, i, &re, &im);
    if (ZeroCheck(re - re0)) fields.push_back(i);
  }
  return fields;
}

void getExceptionalSimpleCurrents(int start) {
  for (int field : exceptionalSimpleCurrentFields(start)) Print("Exceptional simple current: %d\n", field);
}
