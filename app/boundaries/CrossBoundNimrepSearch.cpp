// "search NIMrep": the candidate test of one annulus row and the driver of the six steps.
//
// A diagonal row (A^0 = 1) is a boundary's annulus with itself; its BB^* vector must be
// real, non-negative and of norm at most 1. An off-diagonal row (A^0 = 0) must be matched by
// a pair of diagonal candidates whose BB^* products reach its own |BB^*|^2 at every
// primary (exactly where the Ishibashi label is unique). The loops run over the free
// columns of the orthogonal space of the boundary search; the pivot columns follow.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBoundInternal.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

struct NimrepSearchState {
  bool initialised = false;
  std::vector<int> loop;
  std::vector<double> square;
  std::vector<double> diag_maxima;
  std::vector<double> bb;  // BB^* of the current row, 2n
  std::vector<std::pair<int, int>> links;
  int last_diag = 0;
  long long count = 0;
  long long repeat = 10;
  int overflow = 0;
  int stopped = 0;
};

NimrepSearchState& nimrepSearchState() {
  static NimrepSearchState s;
  return s;
}

// Multiplicity of the first Ishibashi label of primary i; 0 when there is none.
int firstLabelMultiplicity(int i) {
  for (const IshibashiLabel& l : crossBoundState().IshibashiLabels)
    if (l.primary == i) return l.third;
  return 0;
}

// Appends the BB^* vector to the candidate store; -1 when an equal vector is stored.
int addNIMrepCandidate(int n, const std::vector<double>& v) {
  BoundarySearchState& s = boundarySearchState();
  const size_t w = 2 * static_cast<size_t>(n);
  for (int c = 0; c < s.BoundCandCount; ++c) {
    bool equal = true;
    for (size_t k = 0; k < w && equal; ++k)
      if (std::fabs(s.BoundaryCandidates[static_cast<size_t>(c) * w + k] - v[k]) > 1e-7) equal = false;
    if (equal) return -1;
  }
  s.BoundaryCandidates.resize(static_cast<size_t>(s.BoundCandCount + 1) * w);
  std::copy(v.begin(), v.begin() + static_cast<long>(w),
            s.BoundaryCandidates.begin() + static_cast<long>(static_cast<size_t>(s.BoundCandCount) * w));
  return s.BoundCandCount++;
}

void reject(const char* text) {
  if (boundVerbose() >= 7) Print("%s", text);
}

// Loop maxima of one step: scanned entries cut by Maxloop, computed ones 0.
void stepMaxima(int N, const std::vector<int>& absmax, int Maxloop, std::vector<int>* max, int* cut) {
  const SearchBasisView sb = searchBasis();
  for (int i = 0; i < N; ++i) {
    const size_t u = static_cast<size_t>(i);
    (*max)[u] = 0;
    if (sb.columnMap[u] < 0) {
      (*max)[u] = std::min(absmax[u], Maxloop);
      if (Maxloop < absmax[u]) *cut = 1;
    }
    if (boundVerbose() >= 3)
      Print("Absolute maximum for A^%d_(diag): %d (actual maximum %d)\n", i, absmax[u], (*max)[u]);
  }
}

void repeatReduction() {
  while (reduceNIMrepInfo() != 0) {
  }
}

}  // namespace

long long nimrepSearchLoopPoints() {
  return nimrepSearchState().count;
}

void resetNimrepSearch() {
  nimrepSearchState() = NimrepSearchState{};
}

int testCandidateNIMrepVector(int n, int* loop, void*) {
  NimrepSearchState& st = nimrepSearchState();
  const size_t un = static_cast<size_t>(n < 0 ? 0 : n);
  if (loop == nullptr) {
    st.loop.assign(un, 0);
    st.square.assign(un, 0.0);
    st.diag_maxima.assign(un, 0.0);
    st.bb.assign(2 * un, 0.0);
    st.links.clear();
    st.count = 0;
    st.repeat = 10;
    st.overflow = 0;
    st.last_diag = 0;
    st.stopped = 0;
    loadBasisFactors();
    st.initialised = true;
    return 0;
  }
  if (!st.initialised || st.loop.size() != un) {
    Alert("testCandidateBoundary", 0, 112415, "Unexpected NULL pointer");
    return -1;
  }
  if (st.stopped) return -2;
  showSearchProgress(loop);
  const SearchBasisView sb = searchBasis();
  // 1. Complete the row: pivot entries follow from the free ones.
  for (int i = 0; i < n; ++i) {
    const size_t u = static_cast<size_t>(i);
    const int r = sb.columnMap[u];
    if (r < 0) {
      st.loop[u] = loop[i];
      continue;
    }
    double value = 0.0;
    for (int j = 0; j < n; ++j) value -= loop[j] * sb.basis[static_cast<size_t>(r) * un + static_cast<size_t>(j)];
    const double nearest = std::round(value);
    if (std::fabs(value - nearest) > 1e-7 || nearest < 0.0 || nearest > 1e9) return 0;
    st.loop[u] = static_cast<int>(nearest);
  }
  // 2. Progress and the question after 55 seconds.
  if (!progressCheck(&st.count, &st.repeat, &st.overflow, loop, n,
                     "Loop index: (total nr.: %lld; time %7.2f)\n")) {
    st.stopped = 1;
    return -2;
  }
  if (boundVerbose() >= 7) {
    Print("New candidate annulus \n");
    PrintVec(n, st.loop.data(), " ---> ");
  }
  // 3. BB^* at the Ishibashi primaries.
  const int diagonal = st.loop[0] != 0;
  std::fill(st.bb.begin(), st.bb.end(), 0.0);
  const size_t ntags = sb.tagmap.size();
  double norm = 0.0;
  for (size_t u = 0; u < sb.ishimap.size(); ++u) {
    double re = 0.0, im = 0.0;
    for (size_t t = 0; t < ntags; ++t) {
      const double v = st.loop[static_cast<size_t>(sb.tagmap[t])];
      re += v * sb.FactorsRe[u * ntags + t];
      im += v * sb.FactorsIm[u * ntags + t];
    }
    if (diagonal) {
      if (!ZeroCheck(im)) {
        reject("Rejected (BB^* imaginary)\n");
        return 0;
      }
      if (re < 0.0 && !ZeroCheck(re)) {
        reject("Rejected (BB^* negative)\n");
        return 0;
      }
    }
    norm += re * re + im * im;
    if (norm > 1.000001) {
      reject("Rejected (norm of BB^* larger than 1)\n");
      return 0;
    }
    const size_t m = static_cast<size_t>(sb.ishimap[u]);
    st.bb[m] = re;
    st.bb[m + un] = im;
  }
  // 4. An off-diagonal row needs a pair of diagonal candidates it connects.
  st.links.clear();
  const BoundarySearchState& bs = boundarySearchState();
  if (!diagonal) {
    for (size_t i = 0; i < un; ++i) {
      st.square[i] = st.bb[i] * st.bb[i] + st.bb[i + un] * st.bb[i + un];
      if (st.square[i] - 0.001 > st.diag_maxima[i]) {
        reject("Rejected (out of reach for all diagonals)\n");
        return 0;
      }
    }
    if (st.last_diag < 1) {
      reject("Rejected (does not combine with any diagonal)\n");
      return 0;
    }
    auto X = [&bs, un](int d, size_t i) { return bs.BoundaryCandidates[static_cast<size_t>(d) * 2 * un + i]; };
    for (int d1 = 0; d1 < st.last_diag; ++d1)
      for (int d2 = d1; d2 < st.last_diag; ++d2) {
        bool combines = true;
        for (size_t i = 0; i < un && combines; ++i) {
          const double p = X(d1, i) * X(d2, i);
          if (firstLabelMultiplicity(static_cast<int>(i)) == 1)
            combines = std::fabs(p - st.square[i]) <= 1e-7;
          else
            combines = p >= st.square[i] - 0.001;
        }
        if (!combines) continue;
        st.links.emplace_back(d1, d2);
        if (boundVerbose() >= 3)
          Print("New Boundary %d combines with %d,%d\n", bs.BoundCandCount, d1, d2);
      }
    if (st.links.empty()) {
      reject("Rejected (does not combine with any diagonal)\n");
      return 0;
    }
  }
  // 5. Accept.
  const int c = addNIMrepCandidate(n, st.bb);
  if (c < 0) {
    Alert("testCandidateNIMrepVector", 0, 112301, "Unexpected multiple occurrence");
    return 0;
  }
  NimrepStore& ns = nimrepStore();
  ns.Annuli.insert(ns.Annuli.end(), st.loop.begin(), st.loop.end());
  ns.records.push_back(newNIMrepInfo(diagonal));
  NIMrepInfo& info = *ns.records.back();
  if (!diagonal) {
    info.link_pairs = st.links;
    info.link_count = static_cast<int>(st.links.size());
    for (const auto& [d1, d2] : st.links) {
      const int L = getLinkMaximum(n, d2, d1);
      NIMrepInfo& a = *ns.records[static_cast<size_t>(d1)];
      NIMrepInfo& b = *ns.records[static_cast<size_t>(d2)];
      a.linked_by.push_back(c);
      a.linked_to.push_back(d2);
      a.link_maxima.push_back(L);
      ++a.link_count;
      if (d2 != d1) {
        b.linked_by.push_back(c);
        b.linked_to.push_back(d1);
        b.link_maxima.push_back(L);
        ++b.link_count;
      }
    }
  } else {
    ++st.last_diag;
    for (size_t i = 0; i < un; ++i)
      st.diag_maxima[i] = std::max(st.diag_maxima[i], st.bb[i] * st.bb[i] + st.bb[i + un] * st.bb[i + un]);
  }
  PrintNewBoundaryCandidate(n, st.bb.data(), st.loop.data(), nullptr);
  return 1;
}

namespace {

// Runs the loops of one step over entries from..N-1 of the volume; 0 on an engine abort.
// *stopped is set when the user declined to continue.
int runStep(const char* name, int N, std::vector<int>& min, std::vector<int>& max, int from,
            double squeezeVolume, int alwaysSay, double sayVolume, int* stopped) {
  double volume = 1.0;
  for (int i = from; i < N; ++i)
    volume *= static_cast<double>(max[static_cast<size_t>(i)] - min[static_cast<size_t>(i)] + 1);
  const bool squeeze = volume > squeezeVolume;
  if (squeeze && (alwaysSay || boundVerbose() >= 1 || volume > sayVolume)) Print("Using squeeze method\n");
  restartSearchPass();
  nimrepSearchState().stopped = 0;
  std::vector<int> x(static_cast<size_t>(N), 0);
  SearchPassProgress progress(name, N, min.data(), max.data());
  const int result = NestedLoops(N, min.data(), max.data(), x.data(), nullptr, squeeze ? NimSqueeze : nullptr,
                                 testCandidateNIMrepVector);
  if (nimrepSearchState().stopped || searchPassStopped()) *stopped = 1;
  return result < -2 ? 0 : 1;
}

}  // namespace

void attemptNIMrep(int Maxloop) {
  BoundarySearchState& s = boundarySearchState();
  CrossBoundState& cb = crossBoundState();
  // The fusion table (N^3 ints) and the S matrix (N^2 complex numbers) are the search's
  // largest blocks; they are checked before anything is reset.
  const long double primaries = primaryCount();
  if (!requireAllocationSize("attemptNIMrep", "The fusion table of the NIMrep search",
                             primaries * primaries * primaries, sizeof(int)) ||
      !requireAllocationSize("attemptNIMrep", "The S matrix of the NIMrep search", primaries * primaries,
                             sizeof(Complex)))
    return;
  resetBoundaries();
  s.BoundCandUse = 3;
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr) return;
  treatSimpleCurrentBulkAsExceptional(bi);
  // Stamped after the conversion, which advances the bulk counter.
  s.BoundCandMIPF = QueryBulkInvariant();
  // Only the oriented open string is needed; the setting comes back on every return.
  struct OrientationGuard {
    int* p;
    int saved;
    ~OrientationGuard() {
      if (p != nullptr) *p = saved;
    }
  } guard{cb.Require_Orientation, cb.Require_Orientation != nullptr ? *cb.Require_Orientation : 0};
  if (guard.p != nullptr) *guard.p = 0;
  if (initializeOrientedOpenString() != 0) return;
  if (!loadSearchMatrices()) return;
  const int N = s.N;
  if (N < 1) return;
  loadNimrepFusion(N);
  // A complete NIMrep has one boundary per Ishibashi label.
  nimrepStore().L = cb.IshibashiLabelCount;
  const size_t un = static_cast<size_t>(N);
  std::vector<int> min(un, 0), max(un, 0);
  setUpOrthogonalSpace();
  // Set by a Maxloop cut or a declined "Continue?": either leaves solutions unseen.
  int cut = 0;
  // First step: diagonal rows.
  stepMaxima(N, getAbsMax(), Maxloop, &max, &cut);
  min[0] = max[0] = 1;
  if (boundVerbose() >= 1) {
    Print("\n### First step: find all vectors A^i that can appear as diagonal boundaries\n");
    PrintVec(N, max.data(), "Loop maxima: ");
    Print("Note: Vanishing entries are computed, not scanned\n");
    Print("\n");
  }
  s.last_CPU = CPUTime();
  testCandidateNIMrepVector(N, nullptr, nullptr);
  initSqueeze(0);
  if (!runStep("Diagonal NIMrep candidates", N, min, max, 1, 1000.0, 0, 100000.0, &cut)) return;
  if (boundVerbose() >= 1) Print("--- Number of diagonal boundary candidates: %d\n", s.BoundCandCount);
  // Second step: off-diagonal rows.
  std::fill(min.begin(), min.end(), 0);
  stepMaxima(N, getOffdiagonalAbsMax(), Maxloop, &max, &cut);
  min[0] = max[0] = 0;
  if (boundVerbose() >= 1) {
    Print("\n### Second step: find all vectors A^i that can appear as off-diagonal boundaries\n");
    PrintVec(N, max.data(), "Loop maxima: ");
  }
  const int diagonals = s.BoundCandCount;
  initSqueeze(-1);
  if (!runStep("Off-diagonal NIMrep candidates", N, min, max, 0, 1e7, 1, 1e7, &cut)) return;
  if (boundVerbose() >= 1)
    Print("\n--- Number of off-diagonal boundary candidates: %d\n", s.BoundCandCount - diagonals);
  {
    const NimrepStore& ns = nimrepStore();
    for (const std::vector<int>& known : knownNIMrepVectors()) {
      if (static_cast<int>(known.size()) != N) continue;
      bool found = false;
      for (size_t c = 0; !found && (c + 1) * un <= ns.Annuli.size(); ++c)
        found = std::equal(known.begin(), known.end(), ns.Annuli.begin() + static_cast<long>(c * un));
      if (!found) PrintVec(N, known.data(), "NOT FOUND");
    }
  }
  if (boundVerbose() >= 4) PrintBoundaryLinkInfo();
  // Third step.
  if (boundVerbose() >= 1) Print("\n### Third step: Removal of unusable boundaries\n");
  loadNIMrepConjugates();
  repeatReduction();
  // Fourth step.
  if (boundVerbose() >= 1) Print("\n### Fourth step: Removal of unusable boundaries using NIMrep condition\n");
  reduceBoundariesUsingFusionRepresentation(N);
  repeatReduction();
  if (boundVerbose() >= 4) PrintBoundaryLinkInfo();
  // Fifth step.
  if (boundVerbose() >= 1) Print("\n### Fifth step: Finding good row combinations\n");
  findGoodCombinations2(N);
  // Sixth step.
  if (boundVerbose() >= 1) Print("\n### Sixth step: Building NIMreps\n");
  buildNIMrep();
  const NimrepCounts& counts = nimrepCounts();
  printNimrepFinalAnalysis(counts.nimreps, counts.symmetric, counts.unoriented, unorientedNIMreps(), N,
                           cut || nimrepCapacityExceeded());
}
