// The built-in exceptional invariants as bulk invariants: the E6, E7 and E8 invariants of
// A1 at levels 10, 16 and 28 and the N=2 minimal-model invariants they induce (modes 1 to
// 6; mode 0 is the diagonal one), their products over the factors of a tensor product,
// the orbits of single labels under them (for the exceptional filters of the heterotic
// search) and the boundary data of invariants built from a matrix.
//
// Orbit caches: one per mode 1 to 6, made when the mode is first used and kept for the
// run; an entry per primary of that mode's theory holds the index of the last orbit
// member (-2: not computed yet) and up to four labels. A cache holds the orbit itself;
// the filter and limit of a call are applied to it afresh each time.
//
// The invariant matrix (N x N) and the boundary data (2N(1+L) doubles) are sized before
// they are made: a size past what one allocation may hold is refused, and nothing is built.
#include <algorithm>
#include <array>
#include <vector>

#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

constexpr int kOrbitEntry = 5;
constexpr int kLargestOrbit = 4;
// Primaries of the theory of each mode 1 to 6.
constexpr std::array<int, 7> kModePrimaries = {0, 11, 17, 29, 264, 612, 1740};

struct InvariantExceptionalState {
  std::array<std::vector<int>, 7> caches;  // "cache1" .. "cache6"
};

InvariantExceptionalState& exceptionalState() {
  static InvariantExceptionalState s;
  return s;
}

int autostoreValue() {
  const int* p = getIntParPointer("Autostore");
  return p == nullptr ? 0 : *p;
}

// Copies the members of an orbit that pass the filter to list; the index of the last.
int filterOrbit(const int* members, int count, const int* filter, int limit, int* list) {
  int last = -1;
  for (int k = 0; k < count; ++k) {
    const int j = members[k];
    if (filter == nullptr || filter[j] <= limit) list[++last] = j;
  }
  return last;
}

}  // namespace

void resetExceptionalInvariants() {
  exceptionalState() = InvariantExceptionalState();
}

int buildExceptionalInvariant(int mode) {
  if (!userInvariantMatrixFits("buildExceptionalInvariant")) return 0;
  std::vector<int>& M = userInvariantMatrix();
  if (mode == -1) return 0;
  if (mode < -1 || mode > 6) {
    Alert("buildExceptionalInvariant", 0, 100202, "Invalid mode %d (in buildExceptionalInvariant)",
          mode);
    return 0;
  }
  const int N = knownPrimaryCount();
  for (int i = 0; i < N; ++i) {
    obeyInterruptRequest();
    for (int j = 0; j < N; ++j) {
      M[static_cast<std::size_t>(j) * N + i] = ExceptionalModularMatrix(i, j, mode);
    }
  }
  return acceptCandidateInvariant(M.data(), 1, 1, 1, 1);
}

int buildExceptionalTensorInvariant(const int* choices) {
  if (!userInvariantMatrixFits("buildExceptionalTensorInvariant")) return 0;
  std::vector<int>& M = userInvariantMatrix();
  getExceptionalTensorModularMatrix(M, choices);
  const int N = knownPrimaryCount();
  if (N > 149) {
    Print("Too many primaries; invariant not checked\n");
    PrintSeparatorWithText('-', "");
    BulkInvariant* target = getLocalBulk();
    makeExceptionalBulkInvariant(M.data(), target, autostoreValue() == 1 ? 1 : 0, 1);
    setCurrentBulkInvariant(target);
    return 1;
  }
  return acceptCandidateInvariant(M.data(), 1, 1, 1, 1);
}

void computeExceptionalOrbit(int mode, int label, int n, const int* filter, int limit, int* last,
                             int* list) {
  *last = -1;
  if (mode == 0) {
    *last = 0;
    list[0] = label;
    return;
  }
  if (mode < 1 || mode > 6) {
    Alert("computeExceptionalOrbit", 0, 212404, "Invalid exceptional MIPF: mode %d", mode);
    return;
  }
  if (label < 0 || label >= kModePrimaries[mode]) {
    Alert("computeExceptionalOrbit", 2, 212404, "Label %d out of range", label);
    return;
  }
  std::vector<int>& cache = exceptionalState().caches[mode];
  if (cache.empty()) cache.assign(static_cast<std::size_t>(kModePrimaries[mode]) * kOrbitEntry, -2);
  int* entry = cache.data() + static_cast<std::size_t>(label) * kOrbitEntry;
  if (entry[0] != -2) {
    *last = filterOrbit(entry + 1, entry[0] + 1, filter, limit, list);
    return;
  }
  std::array<int, kLargestOrbit + 1> members{};
  int count = 0;
  for (int j = 0; j < n; ++j) {
    if (ExceptionalModularMatrix(label, j, mode) == 0) continue;
    members[count++] = j;
    if (count > kLargestOrbit) {
      Alert("computeExceptionalOrbit", 1, 212404, "Exceptional MIPF orbit too large");
      *last = filterOrbit(members.data(), count, filter, limit, list);
      return;
    }
  }
  entry[0] = count - 1;
  std::copy(members.begin(), members.begin() + count, entry + 1);
  *last = filterOrbit(members.data(), count, filter, limit, list);
}

bool allocExceptBound(ExceptionalBoundaryData* EDT, int N, int L) {
  if (EDT == nullptr || N < 0 || L < 0) return false;
  if (!requireAllocationSize("allocExceptBound", "The exceptional boundary data",
                             2.0L * N * (1.0L + L), sizeof(double)))
    return false;
  const std::size_t size = 2 * static_cast<std::size_t>(N) * (1 + static_cast<std::size_t>(L));
  if (EDT->data.size() < size) EDT->data.resize(size, 0.0);
  if (EDT->klein.size() < static_cast<std::size_t>(N))
    EDT->klein.resize(static_cast<std::size_t>(N), 0);
  EDT->N = N;
  EDT->L = L;
  return true;
}
