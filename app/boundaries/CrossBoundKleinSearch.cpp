// The Klein-bottle search of an exceptional invariant, the reset of the boundary search and
// the declaration of the current invariant as exceptional.
//
// The search runs through the Klein-bottle vectors K_i = K_std(i) - 2 x_i, 0 <= x_i <=
// K_std(i) (entry 0 fixed), keeps those for which crosscap coefficients consistent with the
// Ishibashi states exist, marks (or, on request, drops) those violating the Klein-bottle
// constraint or the annulus trace formula, and stores them for "select klein nr". The
// Frobenius-Schur table Y_i = Y(i,0,0) lives as long as the module state.
#include <memory>
#include <vector>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"

namespace {

struct KleinSearchState {
  std::vector<long long> FS;
  bool fsReady = false;
  std::vector<int> standard;
  std::vector<int> candidate;
  std::vector<double> crosscap;
  int requireConstraint = 0;
  int requireTrace = 0;
  ProgressScope* progress = nullptr;  // the line of the running search
};

KleinSearchState& searchState() {
  static KleinSearchState s;
  return s;
}

int testCandidateKlein(int n, int* x, void*) {
  KleinSearchState& ks = searchState();
  if (ks.progress != nullptr)
    ks.progress->step();
  else
    obeyInterruptRequest();
  CrossBoundState& s = crossBoundState();
  std::vector<int>& K = ks.candidate;
  K.assign(static_cast<size_t>(n), 0);
  K[0] = ks.standard[0];
  for (int i = 1; i < n; ++i) K[static_cast<size_t>(i)] = ks.standard[static_cast<size_t>(i)] - 2 * x[i];
  // A candidate is only tested: the crosscaps and Klein vector in force stay as they are.
  if (!exceptionalCrosscapCoefficients(K, 0, &ks.crosscap)) return 0;
  const int traceOk = testCandidateKlein2(n, K.data(), nullptr);
  if (ks.requireTrace && !traceOk) return 0;
  const int constraintOk = checkKlein(K, -1) == 0 ? 1 : 0;
  if (ks.requireConstraint && !constraintOk) return 0;
  const int number = static_cast<int>(s.KleinBottleStorage.size());
  std::string label;
  if (constraintOk && traceOk)
    label = formatText("%3d:        ", number);
  else if (traceOk)
    label = formatText("%3d: (X)    ", number);
  else if (constraintOk)
    label = formatText("%3d: (Y)    ", number);
  else
    label = formatText("%3d: (X,Y)  ", number);
  PrintVec(n, K.data(), label.c_str());
  s.KleinBottleStorage.push_back(K);
  return 1;
}

}  // namespace

void resetKleinSearch() {
  searchState() = KleinSearchState{};
  resetBoundarySearch();
}

int testCandidateKlein2(int n, const int* K, int* out) {
  KleinSearchState& ks = searchState();
  if (K == nullptr) {
    ks.FS.assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
      const FusionCoefficient y = Pfusion(i, 0, 0);
      ks.FS[static_cast<size_t>(i)] = fusionInterrupted(y) || fusionUndecided(y) ? 0 : y;
    }
    ks.fsReady = true;
    return 0;
  }
  if (!ks.fsReady || static_cast<int>(ks.FS.size()) < n) {
    Alert("testCandidateKlein2", 0, 112415, "Unexpected initialization problem");
    return 0;
  }
  for (int j = 0; j < n; ++j) {
    double re = 0.0, im = 0.0;
    for (int i = 0; i < n; ++i) {
      const long long weight = ks.FS[static_cast<size_t>(i)] * K[i];
      if (weight == 0) continue;
      double sr = 0.0, si = 0.0, s0 = 0.0, ignored = 0.0;
      compS(j, i, &sr, &si);
      compS(0, i, &s0, &ignored);
      re += static_cast<double>(weight) * sr / s0;
      im += static_cast<double>(weight) * si / s0;
    }
    int t = 0;
    if (!ComplexToInteger(&t, re, im)) return 0;
    if (out != nullptr) out[j] = t;
  }
  return 1;
}

void searchKlein(int kbc, int trace) {
  CrossBoundState& s = crossBoundState();
  KleinSearchState& ks = searchState();
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current == 1) {
    Alert("searchKlein", 0, 100301,
          "Arbitary Klein bottle choices are only allowed for exceptional MIPF's\nUse the "
          "command \"make bulk exceptional\" before searching");
    return;
  }
  const int N = primaryCount();
  s.KleinBottleStorage.clear();
  // The crosscaps of the candidates are scratch: the earlier status comes back on every way
  // out, and once the loops ran, the orientifold data are reset (what was found is kept).
  class Restore {
   public:
    explicit Restore(CrossBoundState& state) : s_(state), savedStatus_(state.CrosscapStatus) {}
    ~Restore() {
      s_.CrosscapStatus = savedStatus_;
      searchState().progress = nullptr;
      if (!looped_) return;
      std::vector<std::vector<int>> found = std::move(s_.KleinBottleStorage);
      resetOrientifold();
      s_.KleinBottleStorage = std::move(found);
    }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;
    void looped() { looped_ = true; }

   private:
    CrossBoundState& s_;
    int savedStatus_;
    bool looped_ = false;
  } restore(s);
  std::vector<int> lower(static_cast<size_t>(N), 0), upper(static_cast<size_t>(N), 0),
      x(static_cast<size_t>(N), 0);
  if (initializeOpenString() != 0) return;
  ks.standard.assign(static_cast<size_t>(N), 0);
  resetExceptionalKleinBottle(ks.standard.data());
  testCandidateKlein2(N, nullptr, nullptr);
  Print("\nConsistent Klein bottles \n");
  if (kbc == 0) Print("[(X) indicates Klein bottle constraint violations]\n");
  if (trace == 0) Print("[(Y) indicates trace formula violations]\n");
  for (int i = 1; i < N; ++i) upper[static_cast<size_t>(i)] = ks.standard[static_cast<size_t>(i)];
  ks.requireConstraint = kbc;
  ks.requireTrace = trace;
  restore.looped();
  ProgressScope progress("Klein bottle search", getLoopLength(N, lower.data(), upper.data()));
  ks.progress = &progress;
  NestedLoops(N, lower.data(), upper.data(), x.data(), nullptr, nullptr, testCandidateKlein);
}

void makeBulkExceptional() {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return;
  bi->simple_current = 0;
  // An exceptional invariant carries its boundary data; a fresh record holds none yet.
  if (!bi->EDT) bi->EDT = std::make_unique<ExceptionalBoundaryData>();
  bulkInvariantChanged();
}

bool treatSimpleCurrentBulkAsExceptional(BulkInvariant* bi) {
  if (bi == nullptr || bi->simple_current != 1) return false;
  Print("Simple current invariant; Boundaries already known.\n");
  Print("This invariant will be treated as exceptional.\n");
  makeBulkExceptional();
  return true;
}

void resetBoundaries() {
  CrossBoundState& s = crossBoundState();
  BoundarySearchState& bs = boundarySearchState();
  bs.BoundaryCandidates.clear();
  bs.BoundCandCount = 0;
  bs.BoundCandUse = 0;
  bs.SignedBoundaryCount = 0;
  bs.firstBS.clear();
  bs.Sequence = 0;
  resetNimrepStore();
  s.CrosscapStatus = 0;
  if (initDebug() == 1) ProgressPrint("##init: Orientifold sequence number increased\n");
  ++s.OrientifoldCounter;
}
