// Enumeration of the simple-current invariants of the current theory and their acceptance.
//
// Order (fixed, since MIPF numbers depend on it): the subgroups of the centre in the order of
// the group layer's subgroup chain; for each, the monodromy matrix R of its canonical basis
// and then every admissible X, the variable of the last generator pair running fastest (or
// a random sample of the X box under "MIPF random"). Each candidate goes to the analysis
// hook (default computeInvariant).
//
// State lives in EnumerationState until resetInvariantEnumeration. Loop counts are 64-bit or
// double: the X box is the product of gcd(N_a, N_b) over all generator pairs.
//
// Ctrl-C: the subgroup search, the walks over the subgroups and their permutations and the
// X loops poll it, and a scan stopped by it (StopRequest) leaves no scan state behind: no
// running subgroup label, no wanted numbers, no selection mode.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "interpreter/Interpreter.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "tensor/OutputNames.h"

namespace {

// The permutations of a subgroup grouped by the images of its basis currents.
struct ImageClasses {
  const SimpleCurrentData* owner = nullptr;
  const DGType* group = nullptr;
  int (*permutation)(int, int) = nullptr;
  std::vector<int> symmetries;  // the perm_subgroup and map they were made for
  std::vector<int> map;
  std::vector<int> classOf;  // per entry of symmetries; -2 not yet known
  std::vector<int> rows;     // per class: positions of the basis images
  std::vector<int> slots;    // open addressing over rows
  int count = 0;
  std::vector<std::uint32_t> verdictStamp;  // per class: the walk its verdict belongs to
  std::vector<char> verdict;
  std::uint32_t stamp = 0;
  std::vector<int> work;
  // Basis images from the symmetries' images of the centre basis (SymmetryBasisImages):
  // per basis current of G its label and its nonzero centre components (index, value).
  bool fromCentre = false;
  std::vector<int> labels;
  std::vector<int> digitStart;
  std::vector<std::pair<int, int>> digits;
  // Per element of G, the row v(g) of permutedXByRows reduced mod L for the X of the walk
  // formStamp names (a walk's X is fixed).
  std::vector<std::int64_t> formRows;
  std::vector<std::uint32_t> formStamp;
  // The same rows and the components of each element packed for verdictByForm; alphaKnown
  // 0 not yet packed, 1 packed, 2 not packable.
  std::vector<std::uint64_t> formPacked, alphaPacked;
  std::vector<char> alphaKnown;
  // The first walk over the permutations decides each one on its own and keeps its basis
  // images (the first permRowsKnown permutations, n each); later walks make the classes.
  int walks = 0;
  std::vector<int> permRows;
  std::size_t permRowsKnown = 0;
};

// The images of the centre's basis currents under the symmetries of a tensor product, while
// ComputeAllSimpleCurrentInvariants runs on its centre. The tensor product's symmetries act
// on the centre as automorphisms, each computed from its images of the basis currents
// (buildSubgroupList's automorphic builder relies on the same), so the image of any current
// follows from the components of the current and of those images. The subgroup builder asks
// for every symmetry's basis images: its answers are kept here, and the stabiliser walks of
// the subgroups read them instead of asking again current by current.
struct SymmetryBasisImages {
  bool armed = false;
  bool ready = false;
  int theory = -1;  // QueryCFT() when it was sized
  const DGType* centre = nullptr;
  int k = 0;
  int count = 0;
  std::vector<int> slotOf;  // centre element -> basis position, -1 for the others
  std::vector<int> images;  // count x k; -2 not yet known, -1 no image
};

std::size_t hashImages(const int* row, std::size_t n) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL;
  for (std::size_t a = 0; a < n; ++a) h = (h ^ static_cast<std::uint32_t>(row[a])) * 0x100000001B3ULL;
  return static_cast<std::size_t>(h ^ (h >> 29));
}

struct EnumerationState {
  MipfAnalysisFcn hook = computeInvariant;
  int SubgroupLabel = -1;
  int ScanMIPFCount = 0;
  int SubgroupSelectionCount = 0;
  int PerformSubgroupSelection = 0;
  int Randomization = 0;
  // Wanted MIPF numbers ended by -1; a first entry -2 wants every number.
  std::vector<int> MIPFSelection{-1};
  std::size_t NextSelectedMIPF = 0;
  int SelectCurrentBulk = 0;
  std::unique_ptr<BulkInvariant> TempBulk;
  std::unique_ptr<SimpleCurrentData> scratch;
  int randomWarnings = -1;
  long long inconsistentX = 0;
  ImageClasses classes;
  SymmetryBasisImages symmetryImages;
  bool walkByClasses = true;
};

EnumerationState& state() {
  static EnumerationState s;
  return s;
}

int par(const char* name) {
  const int* p = getIntParPointer(name);
  return p == nullptr ? 0 : *p;
}

int infoLevel() { return par("Invariant info_level"); }

int generators(const SimpleCurrentData* MD) {
  return MD->group == nullptr ? 0 : MD->group->nfactors;
}

int orderOf(const SimpleCurrentData* MD, int a) { return MD->group->factors[a]; }

int* rMatrix(SimpleCurrentData* MD) { return MD->monodromies.data(); }

void sizeMonodromies(SimpleCurrentData* MD) {
  const std::size_t n = static_cast<std::size_t>(generators(MD));
  MD->monodromies.assign(std::max<std::size_t>(2 * n * n, 2), 0);
}

BulkInvariant* tempBulk() {
  EnumerationState& s = state();
  if (!s.TempBulk) s.TempBulk = allocNewBulkInvariant("temp");
  return s.TempBulk.get();
}

// The scan's record becomes the temporary invariant's description (group, X, kernels,
// numbers), so that Z can be built from it and stored or made current.
void adoptIntoTemp(SimpleCurrentData* MD) {
  SimpleCurrentData* target = tempBulk()->MD.get();
  if (target == MD) return;
  copySCDataWhole(target, MD);
  target->truncated = 0;
}

void buildTemp(SimpleCurrentData* MD) {
  adoptIntoTemp(MD);
  makeSimpleCurrentBulkInvariant(tempBulk());
  // A trivial group resets the record; the scan's numbers are kept.
  tempBulk()->MD->mipf_number = MD->mipf_number;
  tempBulk()->MD->subgroup_label = MD->subgroup_label;
}

// Permutations of the centre: the theory's outer automorphisms and, for a tensor product,
// exchanges of identical factors. Permutation 0 is the identity; 1 when there are none.
int permutationCount() { return std::max(MOD_TotalOuterAutomorphisms(), 1); }

// Fetches the permutations (and prepares the tensor product's image cache); their number.
int preparePermutations() {
  MOD_getCurrentOuterAutomorphisms();
  MOD_getCurrentPermutation(-1, 0);
  return permutationCount();
}

int permutationImage(int p, int J) { return p == 0 ? J : MOD_getCurrentPermutation(p, J); }

// Sizes the table of basis images on first use; false when it does not serve (no tensor
// product's centre, components beyond the table's range, too many symmetries).
bool symmetryImagesReady() {
  SymmetryBasisImages& t = state().symmetryImages;
  if (!t.armed) return false;
  if (t.ready) {
    // Only for the theory it was made for (a loop command may change theories).
    return t.theory == QueryCFT() && t.centre == getCenter();
  }
  t.armed = false;
  const DGType* centre = getCenter();
  if (KMCosetSwitch == 0 || centre == nullptr || centre->decomp == nullptr || centre->order <= 1 ||
      centre->nfactors < 1 || centre->nfactors > 64) {
    return false;
  }
  const int k = centre->nfactors;
  for (int j = 0; j < k; ++j) {
    if (centre->factors[j] < 2 || centre->factors[j] > (1 << 24)) return false;
  }
  const long long count = permutationCount();
  if (count < 1 || count * k > (1LL << 26)) return false;
  t.slotOf.assign(static_cast<std::size_t>(centre->order), -1);
  for (int j = 0; j < k; ++j) {
    // Basis current j must have the components of the j-th unit vector.
    const int P = DG_basis(centre, j);
    if (P < 0 || P >= centre->order) return false;
    const int* c = centre->decomp + static_cast<std::size_t>(P) * static_cast<std::size_t>(k);
    for (int i = 0; i < k; ++i) {
      if (c[i] != (i == j ? 1 : 0)) return false;
    }
    t.slotOf[static_cast<std::size_t>(P)] = j;
  }
  t.theory = QueryCFT();
  t.centre = centre;
  t.k = k;
  t.count = static_cast<int>(count);
  t.images.assign(static_cast<std::size_t>(count) * static_cast<std::size_t>(k), -2);
  t.armed = true;
  t.ready = true;
  return true;
}

// The image of basis current j of the centre under symmetry p (ready table, p in range).
int symmetryBasisImage(SymmetryBasisImages& t, int p, int j) {
  int& image = t.images[static_cast<std::size_t>(p) * static_cast<std::size_t>(t.k) +
                        static_cast<std::size_t>(j)];
  if (image == -2) image = permutationImage(p, DG_basis(t.centre, j));
  return image;
}

int permutationAction(int p, int e, void*) {
  const int image = permutationImage(p, e);
  // The theory stays the same while the builder asks: the table is checked once.
  SymmetryBasisImages& t = state().symmetryImages;
  if (t.armed && (t.ready || symmetryImagesReady())) {
    if (p >= 0 && p < t.count && e >= 0 && e < t.centre->order &&
        t.slotOf[static_cast<std::size_t>(e)] >= 0) {
      t.images[static_cast<std::size_t>(p) * static_cast<std::size_t>(t.k) +
               static_cast<std::size_t>(t.slotOf[static_cast<std::size_t>(e)])] = image;
    }
  }
  return image;
}

void printRows(int n, const int* M) {
  for (int a = 0; a < n; ++a) PrintVec(n, M + a * n, "         ");
}

// ---------------------------------------------------------------------------------------
// X loops

struct PairLoop {
  SimpleCurrentData* MD;
  int P;
};

// Pair k runs over a = 0..n-2, b = a+1..n-1; "factor" holds f_k, then the a's, then the b's.
void preparePairs(SimpleCurrentData* MD) {
  const int n = generators(MD);
  const int P = n * (n - 1) / 2;
  MD->n_pairs = P;
  MD->factor.assign(static_cast<std::size_t>(3 * std::max(P, 1)), 0);
  int k = 0;
  for (int a = 0; a + 1 < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      const int g = std::gcd(orderOf(MD, a), orderOf(MD, b));
      MD->factor[static_cast<std::size_t>(k)] = orderOf(MD, a) / g;
      MD->factor[static_cast<std::size_t>(P + k)] = a;
      MD->factor[static_cast<std::size_t>(2 * P + k)] = b;
      ++k;
    }
  }
}

int callHook(SimpleCurrentData* MD) {
  if (checkXmatrix(MD) != 0) {
    // An inconsistent candidate is counted and skipped; the scan goes on.
    ++state().inconsistentX;
    return 0;
  }
  if (getStopSignal() != 0) return -2;
  return state().hook(MD);
}

int computeXmatrix(int, int* t, void* ctx) {
  PairLoop* loop = static_cast<PairLoop*>(ctx);
  SimpleCurrentData* MD = loop->MD;
  const int n = generators(MD);
  const int P = loop->P;
  const int* R = rMatrix(MD);
  int* X = xMatrix(MD);
  MD->x_symmetric = 1;
  for (int k = 0; k < P; ++k) {
    const int a = MD->factor[static_cast<std::size_t>(P + k)];
    const int b = MD->factor[static_cast<std::size_t>(2 * P + k)];
    const long long Na = orderOf(MD, a);
    const long long Nb = orderOf(MD, b);
    const long long xab = static_cast<long long>(MD->factor[static_cast<std::size_t>(k)]) * t[k];
    long long xba = Na == 0 ? 0 : ((R[a * n + b] - xab) * Nb) / Na;
    while (xba < 0) xba += Nb;
    X[a * n + b] = static_cast<int>(xab);
    X[b * n + a] = static_cast<int>(xba);
    if (Nb * xab != Na * xba) MD->x_symmetric = 0;
  }
  return callHook(MD);
}

int computeSymmetricXmatrix(int, int* t, void* ctx) {
  PairLoop* loop = static_cast<PairLoop*>(ctx);
  SimpleCurrentData* MD = loop->MD;
  const int n = generators(MD);
  const int P = loop->P;
  const int* R = rMatrix(MD);
  int* X = xMatrix(MD);
  for (int k = 0; k < P; ++k) {
    const int a = MD->factor[static_cast<std::size_t>(P + k)];
    const int b = MD->factor[static_cast<std::size_t>(2 * P + k)];
    const long long Na = orderOf(MD, a);
    const long long Nb = orderOf(MD, b);
    long long xab = ((t[k] * Na) / 2 + R[a * n + b] / 2) % Na;
    const long long c = ((t[k] * Nb) / 2 + R[b * n + a] / 2) % Nb;
    if ((Nb * xab) % Na != 0) xab = (Na / 2 + xab) % Na;
    long long xba = (Nb * xab) / Na;
    while (xba < 0) xba += Nb;
    if (xba != c) {
      Alert("computeSymmetricXmatrix", 0, 100218, "Sym X-mat problem");
    }
    X[a * n + b] = static_cast<int>(xab);
    X[b * n + a] = static_cast<int>(xba);
  }
  MD->x_symmetric = 1;
  return callHook(MD);
}

void setDiagonalX(SimpleCurrentData* MD) {
  const int n = generators(MD);
  const int* R = rMatrix(MD);
  int* X = xMatrix(MD);
  for (int a = 0; a < n; ++a) X[a * n + a] = R[a * n + a] / 2;
}

int singleCandidate(SimpleCurrentData* MD) {
  MD->x_symmetric = 1;
  MD->n_pairs = 0;
  const int r = callHook(MD);
  return r == -1 ? 1 : r;
}

int runLoops(SimpleCurrentData* MD, const std::vector<int>& lo, const std::vector<int>& hi,
             bool symmetric, double randomLimit) {
  PairLoop loop{MD, MD->n_pairs};
  std::vector<int> t(lo.size(), 0);
  LoopBody body = symmetric ? computeSymmetricXmatrix : computeXmatrix;
  const int r = par("MIPF random");
  const double L = getLoopLength(loop.P, lo.data(), hi.data());
  if (r != 0 && (symmetric ? r < randomLimit : r <= L)) {
    PrintRandomScanWarning(L);
    state().Randomization = 1;
    return RandomizedLoops(loop.P, lo.data(), hi.data(), t.data(), &loop, r, body);
  }
  return NestedLoops(loop.P, lo.data(), hi.data(), t.data(), &loop, nullptr, body);
}

// ---------------------------------------------------------------------------------------
// Subgroups

struct SubgroupEntry {
  std::vector<int> generators;  // elements of K
  std::vector<int> stabilizers;
  bool skip = false;
};

std::vector<SubgroupEntry> buildSubgroupList(const DGType* K) {
  DGType* group = const_cast<DGType*>(K);
  DG_findOrdersFast(group);
  SGType* chain = nullptr;
  const int T = par("Reject permutations") != 0 ? preparePermutations() : 1;
  if (par("Reject permutations") != 0 && infoLevel() > 0) {
    Print("Total number of permutations and automorphisms used in subgroup reduction: %d\n", T);
  }
  if (par("Reject permutations") != 0 && T != 1) {
    const int* ecc = getEffectiveCenter();
    std::vector<int> selected(static_cast<std::size_t>(K->order), 0);
    for (int e = 0; e < K->order; ++e) selected[static_cast<std::size_t>(e)] = ecc[e];
    // A tensor product's symmetries act on its centre as automorphisms, each known by the
    // images of the basis currents.
    chain = KMCosetSwitch != 0 && K == getCenter()
                ? DG_buildInequivalentSubgroupsAutomorphic(group, selected.data(), T, permutationAction, nullptr)
                : DG_buildInequivalentSubgroupsSelected(group, selected.data(), T, permutationAction, nullptr);
  } else {
    if (par("Reject permutations") == 0) {
      Print("Permutations and Outer automorphisms (if any) are ignored.\n");
    }
    chain = DG_buildSubgroups(group);
  }
  std::vector<SubgroupEntry> list;
  for (SGType* sg = chain; sg != nullptr; sg = sg->next) {
    pollInterruptRequest();
    SubgroupEntry entry;
    entry.generators.assign(sg->gen, sg->gen + sg->ngen);
    if (sg->second != nullptr) entry.stabilizers.assign(sg->second, sg->second + sg->nsecond);
    entry.skip = sg->flag != 0;
    list.push_back(std::move(entry));
  }
  return list;
}

void snapshotCriteria(SimpleCurrentData* MD) {
  MD->sel_symmetric = par("Selection symmetric");
  MD->sel_automorphism = par("Selection automorphism");
  MD->sel_extension = par("Selection extension");
  MD->sel_reject_permutations = par("Reject permutations");
  MD->sel_autostore = par("Autostore");
  MD->sel_algebra = algebraRequirementsSet();
}

void finishSelection() {
  EnumerationState& s = state();
  s.MIPFSelection.assign(1, -1);
  s.NextSelectedMIPF = 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Hook and settings

MipfAnalysisFcn setMIPFAnalysisFunction(MipfAnalysisFcn hook) {
  MipfAnalysisFcn previous = state().hook;
  state().hook = hook != nullptr ? hook : computeInvariant;
  return previous;
}

MipfAnalysisFcn getMIPFAnalysisFunction() { return state().hook; }

void setMIPFSelection(const int* list) {
  EnumerationState& s = state();
  s.MIPFSelection.clear();
  if (list == nullptr) {
    s.MIPFSelection = {-2, -1};
  } else {
    for (const int* p = list; *p != -1; ++p) s.MIPFSelection.push_back(*p);
    s.MIPFSelection.push_back(-1);
  }
  s.NextSelectedMIPF = 0;
}

const std::vector<int>& getMIPFSelection() { return state().MIPFSelection; }

int resetSubgroupAutoSelection(int x) {
  state().PerformSubgroupSelection = 0;
  state().SubgroupSelectionCount = 0;
  return x;
}

int resetSubgroupLabel(int x) {
  state().SubgroupLabel = -1;
  setCurrentSubgroupLabel(-1);
  if (infoLevel() < 2) stopModal();
  return x;
}

long long inconsistentXCount() { return state().inconsistentX; }

void setStabilizerWalkByClasses(bool byClasses) {
  state().walkByClasses = byClasses;
}

int getMIPF_ID() {
  BulkInvariant* current = *getCurrentBulk();
  return current != nullptr && current->MD ? current->MD->mipf_number : -1;
}

void resetInvariantEnumeration() { state() = EnumerationState(); }

// ---------------------------------------------------------------------------------------
// Monodromies and X

void computeMonodromies(SimpleCurrentData* MD) {
  const int n = generators(MD);
  if (MD->monodromies.size() < static_cast<std::size_t>(2 * n * n)) sizeMonodromies(MD);
  int* R = rMatrix(MD);
  for (int a = 0; a < n; ++a) {
    const long long Na = orderOf(MD, a);
    const int Ja = currentOfElement(MD, DG_basis(MD->group, a));
    for (int b = 0; b < n; ++b) {
      const int Jb = currentOfElement(MD, DG_basis(MD->group, b));
      Rat Q = *simpleCurrentCharge(Ja, Jb);
      simplifyRat(&Q);
      long long r = Q.den == 0 ? 0 : (Na * Q.num) / Q.den;
      if (a != b) {
        r = r % Na;
      } else {
        // w = R_aa/2 - Q/2 and v = h(J_a), both modulo 1.
        Rat half{r, 2};
        Rat qHalf{Q.num, 2 * Q.den};
        Rat w;
        subtractRat(&half, &qHalf, &w);
        simplifyRat(&w);
        RatToFrac(&w);
        Rat v = *ratWeight(Ja);
        simplifyRat(&v);
        RatToFrac(&v);
        if (w.num * v.den != v.num * w.den) r += Na;
        if (r % 2 != 0) r += Na;
        r %= 2 * Na;
        if (r < 0) r += 2 * Na;
      }
      R[a * n + b] = static_cast<int>(r);
    }
  }
}

int checkXmatrix(SimpleCurrentData* MD) {
  const int n = generators(MD);
  const int* R = rMatrix(MD);
  const int* X = xMatrix(MD);
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      const long long Na = orderOf(MD, a);
      const long long Nb = orderOf(MD, b);
      const long long v = Nb * (X[a * n + b] - R[a * n + b]) + Na * X[b * n + a];
      if (v % (Na * Nb) != 0) {
        Alert("checkXmatrix", 0, 100218, "X matrix does not satisfy conditions");
        if (infoLevel() >= 1) printMonodromy(MD);
        return 1;
      }
    }
  }
  return 0;
}

int generateInvariants(SimpleCurrentData* MD) {
  const int n = generators(MD);
  setDiagonalX(MD);
  if (n <= 1) return singleCandidate(MD);
  preparePairs(MD);
  const int P = MD->n_pairs;
  std::vector<int> lo(static_cast<std::size_t>(P), 0);
  std::vector<int> hi(static_cast<std::size_t>(P), 0);
  for (int k = 0; k < P; ++k) {
    const int a = MD->factor[static_cast<std::size_t>(P + k)];
    const int b = MD->factor[static_cast<std::size_t>(2 * P + k)];
    hi[static_cast<std::size_t>(k)] = std::gcd(orderOf(MD, a), orderOf(MD, b)) - 1;
  }
  return runLoops(MD, lo, hi, false, 0.0);
}

int generateSymmetricInvariants(SimpleCurrentData* MD) {
  const int n = generators(MD);
  setDiagonalX(MD);
  if (n <= 1) return singleCandidate(MD);
  preparePairs(MD);
  const int P = MD->n_pairs;
  int* R = rMatrix(MD);
  std::vector<int> lo(static_cast<std::size_t>(P), 0);
  std::vector<int> hi(static_cast<std::size_t>(P), 0);
  for (int k = 0; k < P; ++k) {
    const int a = MD->factor[static_cast<std::size_t>(P + k)];
    const int b = MD->factor[static_cast<std::size_t>(2 * P + k)];
    const int Na = orderOf(MD, a);
    const int Nb = orderOf(MD, b);
    if (R[a * n + b] % 2 != 0) {
      if (Na % 2 == 0) return 0;
      R[a * n + b] += Na;
    }
    if (R[b * n + a] % 2 != 0) {
      if (Nb % 2 == 0) return 0;
      R[b * n + a] += Nb;
    }
    hi[static_cast<std::size_t>(k)] = std::gcd(Na, Nb) % 2 == 0 ? 1 : 0;
  }
  const double L = getLoopLength(P, lo.data(), hi.data());
  return runLoops(MD, lo, hi, true, P >= 5 ? L : 0.0);
}

void PrintRandomScanWarning(double L) {
  EnumerationState& s = state();
  ++s.randomWarnings;
  const int frequency = std::max(par("Output frequency"), 1);
  if (s.randomWarnings % frequency != 0) return;
  if (L > 1e9) {
    Print("Xmatrix loops too large (%15.0f > %d); using random scan", L, par("MIPF random"));
  } else {
    Print("Xmatrix loops too large (%d > %d); using random scan", static_cast<int>(std::lround(L)),
          par("MIPF random"));
  }
  if (s.randomWarnings == 0) {
    Print("\n");
  } else {
    Print("; %d occurrences so far\n", s.randomWarnings);
  }
}

// ---------------------------------------------------------------------------------------
// Permutation rejection

int computeGroupPermutation(int p, int label) { return permutationImage(p, label); }

void addSubgroupStabilizerToModularData(SimpleCurrentData* MD) {
  const int T = permutationCount();
  if (T == 0) return;
  MD->group_permutation = computeGroupPermutation;
  const int order = MD->group->order;
  std::vector<int> labels(MD->map.begin(), MD->map.begin() + order);
  std::sort(labels.begin(), labels.end());
  // Collected apart and then handed over: a walk stopped half way leaves no partial list.
  std::vector<int> stabilising{0};
  std::vector<int> images(static_cast<std::size_t>(order));
  for (int p = 1; p < T; ++p) {
    obeyInterruptRequest();
    for (int e = 0; e < order; ++e) {
      images[static_cast<std::size_t>(e)] = computeGroupPermutation(p, labels[static_cast<std::size_t>(e)]);
    }
    std::sort(images.begin(), images.end());
    if (images == labels) stabilising.push_back(p);
  }
  MD->perm_subgroup = std::move(stabilising);
  MD->owns_subgroup = 1;
}

namespace {

// The position among the subgroup's labels of the image of basis current a under
// permutation p; -1 when the image is not in the subgroup.
int basisImagePosition(const SimpleCurrentData* MD, int p, int a) {
  const int order = MD->group->order;
  const int centre = (static_cast<int>(MD->map.size()) - order) / 2;
  const int label = currentOfElement(MD, DG_basis(MD->group, a));
  const int image = MD->group_permutation(p, label);
  // The inverse map: centre element -> position among G's labels.
  if (image < 0 || image >= centre) return -1;
  return MD->map[static_cast<std::size_t>(order + centre + image)];
}

// X permuted by a symmetry that maps basis current a to the element at images[a].
bool permutedXFromImages(int n, SimpleCurrentData* MD, const std::vector<int>& images, std::vector<int>* permuted);

}  // namespace

bool getPermutedXmatrix(int n, SimpleCurrentData* MD, int p, std::vector<int>* permuted) {
  const int order = MD->group->order;
  std::vector<int> images(static_cast<std::size_t>(n));
  for (int a = 0; a < n; ++a) {
    const int position = basisImagePosition(MD, p, a);
    if (position < 0) {
      const int image = MD->group_permutation(p, currentOfElement(MD, DG_basis(MD->group, a)));
      PrintVec(order, MD->map.data(), "Subgroup");
      Print("Element needed: %d\n", image);
      Print("stab_elt=%d\n", p);
      Alert("getPermutedXmatrix", 0, 100218, "Permutation not found");
      return false;
    }
    images[static_cast<std::size_t>(a)] = position;
  }
  return permutedXFromImages(n, MD, images, permuted);
}

namespace {

// Whether X' can be computed by rows in 64 bits (permutedXByRows): the bound on |T ord|
// (components below the largest order A, |v_d| <= n A max|X| max(L / N_c), ord <= L)
// stays below 2^62. L = lcm N_c.
bool rowsFit(int n, SimpleCurrentData* MD, long long L) {
  const int* X = xMatrix(MD);
  long double A = 1, M = 0, Q = 1;
  for (int c = 0; c < n; ++c) {
    A = std::max<long double>(A, orderOf(MD, c));
    Q = std::max<long double>(Q, static_cast<long double>(L / orderOf(MD, c)));
    for (int d = 0; d < n; ++d) M = std::max<long double>(M, std::fabs(static_cast<long double>(X[c * n + d])));
  }
  return static_cast<long double>(n) * n * A * A * std::max<long double>(M, 1) * Q * static_cast<long double>(L) < 0x1p62L;
}

// X' by rows (for the group's component table, when rowsFit): T(a, b) = sum_d v_d alpha_d(I_b)
// with v_d = sum_c alpha_c(I_a) X_cd L / N_c, 2 n^2 products a row. The quotient T ord / L
// is exact: ord alpha_c(I_a) is a multiple of N_c, as ord I_a = 0. Entries come in
// row-major order into `permuted` (when given); with `against`, the walk stops at the
// first entry that differs from it and *order receives the sign of the lexicographic
// comparison of X' with it (0: equal). False, with nothing decided, for an inexact
// quotient (element orders that are not the true ones), left to the general path.
bool permutedXByRows(int n, SimpleCurrentData* MD, const std::vector<int>& images, long long L, const int* against,
                     std::vector<int>* permuted, int* order) {
  const DGType* G = MD->group;
  const int* X = xMatrix(MD);
  const std::size_t un = static_cast<std::size_t>(n);
  long long v[64];
  std::vector<long long> wide;
  long long* row = v;
  if (un > 64) {
    wide.resize(un);
    row = wide.data();
  }
  if (order != nullptr) *order = 0;
  for (int a = 0; a < n; ++a) {
    const int Ia = images[static_cast<std::size_t>(a)];
    const long long ord = G->orders != nullptr && Ia >= 0 && Ia < G->order && G->orders[Ia] > 0
                              ? G->orders[Ia]
                              : DG_findOrder(Ia, const_cast<DGType*>(MD->group), DG_productLaw);
    const int* aI = G->decomp + static_cast<std::size_t>(Ia) * un;
    std::fill(row, row + un, 0);
    for (int c = 0; c < n; ++c) {
      if (aI[c] == 0) continue;
      const long long weight = static_cast<long long>(aI[c]) * (L / orderOf(MD, c));
      for (int d = 0; d < n; ++d) row[d] += weight * X[c * n + d];
    }
    for (int b = 0; b < n; ++b) {
      const int* aJ = G->decomp + static_cast<std::size_t>(images[static_cast<std::size_t>(b)]) * un;
      long long T = 0;
      for (int d = 0; d < n; ++d) T += row[d] * aJ[d];
      const long long top = T * ord;
      if (top % L != 0) return false;
      long long value = (top / L) % ord;
      if (value < 0) value += ord;
      if (permuted != nullptr) (*permuted)[static_cast<std::size_t>(a * n + b)] = static_cast<int>(value);
      if (against != nullptr && value != against[a * n + b]) {
        *order = value < against[a * n + b] ? -1 : 1;
        return true;
      }
    }
  }
  return true;
}

bool permutedXFromImages(int n, SimpleCurrentData* MD, const std::vector<int>& images, std::vector<int>* permuted) {
  permuted->assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  // X(I_a, I_b) = T / L with L = lcm N_c, T = sum_c alpha_c(I_a) (sum_d X_cd alpha_d(I_b)) L / N_c
  // (computeXIJ's value before reduction), from the group's component table.
  const DGType* G = MD->group;
  const int* X = xMatrix(MD);
  const bool table = G->decomp != nullptr && G->nfactors == n;
  long long L = 1;
  for (int c = 0; c < n; ++c) L = std::lcm(L, static_cast<long long>(orderOf(MD, c)));
  if (table && rowsFit(n, MD, L) && permutedXByRows(n, MD, images, L, nullptr, permuted, nullptr)) return true;
  for (int a = 0; a < n; ++a) {
    const int Ia = images[static_cast<std::size_t>(a)];
    // The order of Ia, from the group's table of element orders when it holds it.
    const long long ord = G->orders != nullptr && Ia >= 0 && Ia < G->order && G->orders[Ia] > 0
                              ? G->orders[Ia]
                              : DG_findOrder(Ia, const_cast<DGType*>(MD->group), DG_productLaw);
    for (int b = 0; b < n; ++b) {
      const int Ib = images[static_cast<std::size_t>(b)];
      __int128 top = 0;
      __int128 den = 0;
      if (table) {
        const int* aI = G->decomp + static_cast<std::size_t>(Ia) * static_cast<std::size_t>(n);
        const int* aJ = G->decomp + static_cast<std::size_t>(Ib) * static_cast<std::size_t>(n);
        __int128 T = 0;
        for (int c = 0; c < n; ++c) {
          long long sum = 0;
          for (int d = 0; d < n; ++d) sum += static_cast<long long>(X[c * n + d]) * aJ[d];
          T += static_cast<__int128>(aI[c]) * sum * (L / orderOf(MD, c));
        }
        top = T * ord;
        den = L;
      } else {
        const Rat x = computeXIJ(Ia, Ib, MD);
        top = static_cast<__int128>(x.num) * ord;
        den = x.den;
      }
      if (den == 0) {
        Alert("getPermutedXmatrix", 1, 100218, "Invalid permutated X matrix");
        return false;
      }
      long long value = 0;
      if (top >= INT64_MIN && top <= INT64_MAX && den <= INT64_MAX && den > 0) {
        // 64-bit division where the numbers allow it.
        const long long t = static_cast<long long>(top);
        const long long d = static_cast<long long>(den);
        if (t % d != 0) {
          Alert("getPermutedXmatrix", 1, 100218, "Invalid permutated X matrix");
          return false;
        }
        value = (t / d) % ord;
      } else {
        if (top % den != 0) {
          Alert("getPermutedXmatrix", 1, 100218, "Invalid permutated X matrix");
          return false;
        }
        value = static_cast<long long>((top / den) % ord);
      }
      if (value < 0) value += ord;
      (*permuted)[static_cast<std::size_t>(a * n + b)] = static_cast<int>(value);
    }
  }
  return true;
}

// The position among G's labels of the image of basis current a under symmetry p, from the
// symmetries' images of the centre basis (as basisImagePosition, for a prepared walk).
int basisImagePositionFromCentre(const SimpleCurrentData* MD, const ImageClasses& c, int p, int a) {
  const int order = MD->group->order;
  const int centre = (static_cast<int>(MD->map.size()) - order) / 2;
  int image = c.labels[static_cast<std::size_t>(a)];
  if (p != 0) {
    SymmetryBasisImages& t = state().symmetryImages;
    const int k = t.k;
    const DGType* C = t.centre;
    const int first = c.digitStart[static_cast<std::size_t>(a)];
    const int last = c.digitStart[static_cast<std::size_t>(a) + 1];
    if (last == first + 1 && c.digits[static_cast<std::size_t>(first)].second == 1) {
      // A basis current of the centre: its image as it stands.
      image = symmetryBasisImage(t, p, c.digits[static_cast<std::size_t>(first)].first);
      if (image < 0 || image >= C->order) return -1;
    } else {
      long long comps[64];
      std::fill(comps, comps + k, 0LL);
      for (int at = first; at < last; ++at) {
        const auto [j, digit] = c.digits[static_cast<std::size_t>(at)];
        const int basisImage = symmetryBasisImage(t, p, j);
        if (basisImage < 0 || basisImage >= C->order) return -1;
        const int* parts =
            C->decomp + static_cast<std::size_t>(basisImage) * static_cast<std::size_t>(k);
        for (int i = 0; i < k; ++i) comps[i] += static_cast<long long>(digit) * parts[i];
      }
      // The element of the reduced components (the centre numbers its elements in mixed
      // radix); sums are nonnegative, mostly below their factor or within 32 bits.
      long long e = 0;
      long long place = 1;
      for (int i = 0; i < k; ++i) {
        const long long f = C->factors[i];
        long long r = comps[i];
        if (r >= f) {
          r = r < (1LL << 32) ? static_cast<long long>(static_cast<std::uint32_t>(r) %
                                                       static_cast<std::uint32_t>(f))
                              : r % f;
        }
        e += r * place;
        place *= f;
      }
      image = static_cast<int>(e);
    }
  }
  if (image < 0 || image >= centre) return -1;
  return MD->map[static_cast<std::size_t>(order + centre + image)];
}

// The positions in G of the images of G's basis currents under symmetry p; false when one
// is not in G.
bool basisImagesOf(const SimpleCurrentData* MD, const ImageClasses& c, int p, int* images) {
  const int n = generators(MD);
  for (int a = 0; a < n; ++a) {
    images[a] =
        c.fromCentre ? basisImagePositionFromCentre(MD, c, p, a) : basisImagePosition(MD, p, a);
    if (images[a] < 0) return false;
  }
  return true;
}

// The class of permutation number i of MD's permutation subgroup (computed on first
// use): equal classes have equal images of the basis currents, on which alone X' depends.
// -1 for a permutation that maps a basis current outside the subgroup.
int imageClass(const SimpleCurrentData* MD, std::size_t i) {
  ImageClasses& c = state().classes;
  int& known = c.classOf[i];
  if (known != -2) return known;
  const int n = generators(MD);
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<int>& images = c.work;
  images.resize(un);
  if (i < c.permRowsKnown) {
    const auto row = c.permRows.begin() + static_cast<std::ptrdiff_t>(i * un);
    std::copy(row, row + n, images.begin());
  } else if (!basisImagesOf(MD, c, MD->perm_subgroup[i], images.data())) {
    return known = -1;
  }
  if (2 * static_cast<std::size_t>(c.count + 1) > c.slots.size()) {
    // Doubles the open-addressing table and places the classes again.
    c.slots.assign(std::max<std::size_t>(16, 2 * c.slots.size()), -1);
    for (int k = 0; k < c.count; ++k) {
      const int* row = c.rows.data() + static_cast<std::size_t>(k) * un;
      std::size_t slot = hashImages(row, un) & (c.slots.size() - 1);
      while (c.slots[slot] >= 0) slot = (slot + 1) & (c.slots.size() - 1);
      c.slots[slot] = k;
    }
  }
  std::size_t slot = hashImages(images.data(), un) & (c.slots.size() - 1);
  while (c.slots[slot] >= 0) {
    const int k = c.slots[slot];
    if (std::equal(images.begin(), images.end(), c.rows.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(k) * un))) {
      return known = k;
    }
    slot = (slot + 1) & (c.slots.size() - 1);
  }
  c.slots[slot] = c.count;
  c.rows.insert(c.rows.end(), images.begin(), images.end());
  c.verdictStamp.push_back(0);
  c.verdict.push_back(0);
  return known = c.count++;
}

// Prepares the classes for MD's subgroup and permutations (kept while they stay the same).
void prepareImageClasses(const SimpleCurrentData* MD) {
  ImageClasses& c = state().classes;
  if (c.owner == MD && c.group == MD->group && c.permutation == MD->group_permutation &&
      c.symmetries == MD->perm_subgroup && c.map == MD->map) {
    return;
  }
  const std::uint32_t stamp = c.stamp;
  c = ImageClasses{};
  c.stamp = stamp;
  c.owner = MD;
  c.group = MD->group;
  c.permutation = MD->group_permutation;
  c.symmetries = MD->perm_subgroup;
  c.map = MD->map;
  c.classOf.assign(MD->perm_subgroup.size(), -2);
  // The images come from the centre basis when the table serves this walk: the theory's own
  // permutations and labels that are elements of the centre.
  const int n = generators(MD);
  c.fromCentre = MD->group_permutation == computeGroupPermutation && n > 0 && symmetryImagesReady();
  if (!c.fromCentre) return;
  const SymmetryBasisImages& t = state().symmetryImages;
  const int order = MD->group->order;
  const int centre = (static_cast<int>(MD->map.size()) - order) / 2;
  c.digitStart.assign(1, 0);
  for (int a = 0; a < n && c.fromCentre; ++a) {
    const int label = currentOfElement(MD, DG_basis(MD->group, a));
    c.fromCentre = label >= 0 && label < t.centre->order && centre == t.centre->order;
    if (!c.fromCentre) break;
    c.labels.push_back(label);
    const int* parts =
        t.centre->decomp + static_cast<std::size_t>(label) * static_cast<std::size_t>(t.k);
    for (int j = 0; j < t.k; ++j) {
      if (parts[j] != 0) c.digits.emplace_back(j, parts[j]);
    }
    c.digitStart.push_back(static_cast<int>(c.digits.size()));
  }
}

// The verdict of X' against X for a class with basis images `images` (positions in G), by
// the rows v(I_a) of permutedXByRows reduced mod L and kept per element for the walk: with
// T = v(I_a) . alpha(I_b) and L = u ord(I_a), the entry is (T mod L) / u, an integer exactly
// when u divides T mod L. 0 when an entry is not decided this way (its order does not divide
// L, or an inexact quotient): the caller takes the general path.
//
// When every such sum stays below 2^w with n lanes of w bits in 64, the dot product is one
// multiplication: with v packed as sum_d v_d 2^(w d) and alpha reversed as
// sum_d alpha_d 2^(w (n-1-d)), lane n-1 of the product holds sum_d v_d alpha_d, and no lane
// below it carries.
struct FormWalk {
  int n = 0;
  long long L = 1;
  std::uint32_t stamp = 0;
  const int* X = nullptr;
  std::vector<int> modL;  // T -> T mod L for every T the walk can meet, when few
  int lane = 0;           // w, 0 when the sums are not packed
  std::uint64_t mask = 0;
  long long maxN = 1;
};

// alpha(h) reversed in lanes of w bits; false for a component outside 0 .. maxN-1.
bool packedAlpha(const SimpleCurrentData* MD, ImageClasses& c, const FormWalk& w, int h,
                 std::uint64_t* out) {
  const std::size_t uh = static_cast<std::size_t>(h);
  if (c.alphaKnown[uh] == 0) {
    const int* alpha = MD->group->decomp + uh * static_cast<std::size_t>(w.n);
    std::uint64_t packed = 0;
    c.alphaKnown[uh] = 1;
    for (int d = 0; d < w.n; ++d) {
      if (alpha[d] < 0 || alpha[d] >= w.maxN) {
        c.alphaKnown[uh] = 2;
        break;
      }
      packed |= static_cast<std::uint64_t>(alpha[d]) << (w.lane * (w.n - 1 - d));
    }
    c.alphaPacked[uh] = packed;
  }
  *out = c.alphaPacked[uh];
  return c.alphaKnown[uh] == 1;
}

char verdictByForm(SimpleCurrentData* MD, ImageClasses& c, const FormWalk& w, const int* images) {
  const DGType* G = MD->group;
  const int n = w.n;
  const std::size_t un = static_cast<std::size_t>(n);
  // The images' components packed, when all of them are packable (lane > 0 means n <= 64).
  std::uint64_t packedImages[64];
  bool packed = w.lane > 0;
  for (int b = 0; b < n && packed; ++b) packed = packedAlpha(MD, c, w, images[b], &packedImages[b]);
  for (int a = 0; a < n; ++a) {
    const int Ia = images[a];
    const long long ord = G->orders != nullptr && Ia >= 0 && Ia < G->order && G->orders[Ia] > 0
                              ? G->orders[Ia]
                              : DG_findOrder(Ia, const_cast<DGType*>(G), DG_productLaw);
    if (ord <= 0 || w.L % ord != 0) return 0;
    const long long u = w.L / ord;
    std::int64_t* v = c.formRows.data() + static_cast<std::size_t>(Ia) * un;
    if (c.formStamp[static_cast<std::size_t>(Ia)] != w.stamp) {
      c.formStamp[static_cast<std::size_t>(Ia)] = w.stamp;
      const int* aI = G->decomp + static_cast<std::size_t>(Ia) * un;
      for (int d = 0; d < n; ++d) v[d] = 0;
      for (int cc = 0; cc < n; ++cc) {
        if (aI[cc] == 0) continue;
        const long long weight = static_cast<long long>(aI[cc]) * (w.L / orderOf(MD, cc));
        for (int d = 0; d < n; ++d) v[d] += weight * w.X[cc * n + d];
      }
      std::uint64_t row = 0;
      for (int d = 0; d < n; ++d) {
        v[d] %= w.L;
        if (v[d] < 0) v[d] += w.L;
        if (w.lane > 0) row |= static_cast<std::uint64_t>(v[d]) << (w.lane * d);
      }
      c.formPacked[static_cast<std::size_t>(Ia)] = row;
    }
    const std::uint64_t pv = c.formPacked[static_cast<std::size_t>(Ia)];
    const int shift = w.lane * (n - 1);
    for (int b = 0; b < n; ++b) {
      std::int64_t T = 0;
      if (packed) {
        T = static_cast<std::int64_t>(((pv * packedImages[b]) >> shift) & w.mask);
      } else {
        const int* aJ = G->decomp + static_cast<std::size_t>(images[b]) * un;
        for (int d = 0; d < n; ++d) T += v[d] * aJ[d];
      }
      std::int64_t r = static_cast<std::uint64_t>(T) < w.modL.size()
                           ? w.modL[static_cast<std::size_t>(T)]
                           : T % w.L;
      if (r < 0) r += w.L;
      std::int64_t value = r;
      if (u != 1) {
        if (r % u != 0) return 0;
        value = r / u;
      }
      const int x = w.X[a * n + b];
      if (value != x) return value < x ? 1 : 3;
    }
  }
  return 2;
}

// Whether verdictByForm can run for MD's X: component tables, nonnegative components below
// the orders, and sums v_d and T far inside 64 bits (|v_d| <= n max N max|X| L before its
// reduction, T < n L max N after it).
bool formWalkFits(int n, SimpleCurrentData* MD, long long L) {
  const DGType* G = MD->group;
  if (n < 1 || G->decomp == nullptr || G->nfactors != n || L < 1) return false;
  const int* X = xMatrix(MD);
  long double maxN = 1, maxX = 1;
  for (int c = 0; c < n; ++c) {
    if (orderOf(MD, c) < 1) return false;
    maxN = std::max<long double>(maxN, orderOf(MD, c));
    for (int d = 0; d < n; ++d)
      maxX = std::max<long double>(maxX, std::fabs(static_cast<long double>(X[c * n + d])));
  }
  const long double Ld = static_cast<long double>(L);
  return n * maxN * maxX * Ld < 0x1p60L && n * Ld * maxN < 0x1p60L;
}

// Walks MD's permutation subgroup in order and collects into MD->stabilizer (with
// stabilizer_count its size) the permutations that keep the invariant: those whose permuted
// X equals X. A group without generators has an empty X, which every permutation of the
// subgroup keeps. The walk stops at a permutation that cannot be applied (after its alert);
// with `rejectSmaller` also at one whose X' is lexicographically smaller than X, and the
// result is then false: the invariant is the image of an earlier one. X' is compared once
// per class of equal basis images.
bool collectStabilizer(SimpleCurrentData* MD, bool rejectSmaller, bool info) {
  const int n = generators(MD);
  const int* X = xMatrix(MD);
  const std::size_t cells = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  MD->stabilizer.clear();
  MD->stabilizer_count = 0;
  // A walk stopped half way keeps no partial list.
  const UndoWhenStopped dropPartial([MD] {
    MD->stabilizer.clear();
    MD->stabilizer_count = 0;
  });
  std::vector<int> permuted;
  if (!state().walkByClasses) {
    // X' of every permutation on its own.
    for (const int p : MD->perm_subgroup) {
      pollInterruptRequest();
      if (!getPermutedXmatrix(n, MD, p, &permuted)) break;
      if (rejectSmaller &&
          std::lexicographical_compare(permuted.begin(), permuted.end(), X, X + cells)) {
        if (info) {
          Print("Equivalent to: \n");
          printRows(n, permuted.data());
        }
        return false;
      }
      if (std::equal(permuted.begin(), permuted.end(), X)) MD->stabilizer.push_back(p);
    }
    MD->stabilizer_count = static_cast<int>(MD->stabilizer.size());
    return true;
  }
  prepareImageClasses(MD);
  ImageClasses& classes = state().classes;
  const std::uint32_t stamp = ++classes.stamp;
  long long L = 1;
  for (int c = 0; c < n; ++c) L = std::lcm(L, static_cast<long long>(orderOf(MD, c)));
  const bool rows = n > 0 && MD->group->decomp != nullptr && MD->group->nfactors == n && rowsFit(n, MD, L);
  FormWalk form;
  const bool byForm = rows && formWalkFits(n, MD, L);
  if (byForm) {
    form.n = n;
    form.L = L;
    form.stamp = stamp;
    form.X = X;
    long double top = static_cast<long double>(n) * static_cast<long double>(L);
    for (int c = 0; c < n; ++c)
      top = std::max<long double>(top, static_cast<long double>(n) * L * orderOf(MD, c));
    if (top <= 4096) {
      form.modL.resize(static_cast<std::size_t>(top));
      for (std::size_t T = 0; T < form.modL.size(); ++T)
        form.modL[T] = static_cast<int>(static_cast<long long>(T) % L);
    }
    long long maxN = 1;
    for (int c = 0; c < n; ++c) maxN = std::max<long long>(maxN, orderOf(MD, c));
    form.maxN = maxN;
    const int lane = std::min(64 / n, 32);
    const long double largest =
        static_cast<long double>(n) * static_cast<long double>(L - 1) * (maxN - 1);
    if (largest < std::ldexp(1.0L, lane) &&
        static_cast<long double>(std::max(L, maxN)) < std::ldexp(1.0L, lane)) {
      form.lane = lane;
      form.mask = lane >= 64 ? ~0ULL : (1ULL << lane) - 1;
    }
    const std::size_t order = static_cast<std::size_t>(MD->group->order);
    if (classes.formStamp.size() != order) {
      classes.formStamp.assign(order, 0);
      classes.formRows.assign(order * static_cast<std::size_t>(n), 0);
      classes.formPacked.assign(order, 0);
      classes.alphaPacked.assign(order, 0);
      classes.alphaKnown.assign(order, 0);
    }
  }
  // Verdicts of X' against X: 1 smaller, 2 equal, 3 larger, 4 not computable.
  enum : char { kSmaller = 1, kEqual = 2, kLarger = 3, kFailed = 4 };
  // The verdict of X' for the basis images `row`, by the form rows where they decide it.
  const auto decide = [&](const int* row) -> char {
    const char quick = byForm ? verdictByForm(MD, classes, form, row) : 0;
    if (quick != 0) return quick;
    const std::vector<int> images(row, row + n);
    int order = 0;
    if (rows && permutedXByRows(n, MD, images, L, X, nullptr, &order)) {
      return order < 0 ? kSmaller : (order == 0 ? kEqual : kLarger);
    }
    if (!permutedXFromImages(n, MD, images, &permuted)) return kFailed;
    if (std::lexicographical_compare(permuted.begin(), permuted.end(), X, X + cells))
      return kSmaller;
    return std::equal(permuted.begin(), permuted.end(), X) ? kEqual : kLarger;
  };
  // The first walk decides each permutation on its own when the form rows serve: a single X
  // per subgroup (odd orders) never meets a class twice.
  const bool single = classes.walks++ == 0 && byForm;
  const std::size_t un = static_cast<std::size_t>(n);
  // The rows are kept for later walks up to kKeptImageRows entries; beyond, a later walk
  // takes the images again.
  constexpr std::size_t kKeptImageRows = std::size_t{1} << 20;
  const bool keep = single && MD->perm_subgroup.size() * un <= kKeptImageRows;
  if (keep) classes.permRows.reserve(MD->perm_subgroup.size() * un);
  std::vector<int> scratch(single && !keep ? un : 0);
  for (std::size_t i = 0; i < MD->perm_subgroup.size(); ++i) {
    pollInterruptRequest();
    const int p = MD->perm_subgroup[i];
    char verdict = 0;
    if (single) {
      int* row = scratch.data();
      if (keep) {
        classes.permRows.resize((i + 1) * un);
        row = classes.permRows.data() + i * un;
      }
      if (!basisImagesOf(MD, classes, p, row)) {
        if (keep) classes.permRows.resize(i * un);
        getPermutedXmatrix(n, MD, p, &permuted);  // reports the missing image
        break;
      }
      if (keep) classes.permRowsKnown = i + 1;
      verdict = decide(row);
    } else {
      const int c = imageClass(MD, i);
      if (c < 0) {
        getPermutedXmatrix(n, MD, p, &permuted);  // reports the missing image
        break;
      }
      const std::size_t uc = static_cast<std::size_t>(c);
      if (classes.verdictStamp[uc] != stamp) {
        classes.verdictStamp[uc] = stamp;
        classes.verdict[uc] = decide(classes.rows.data() + uc * un);
      }
      verdict = classes.verdict[uc];
    }
    if (verdict == kFailed) break;
    if (rejectSmaller && verdict == kSmaller) {
      if (info) {
        getPermutedXmatrix(n, MD, p, &permuted);
        Print("Equivalent to: \n");
        printRows(n, permuted.data());
      }
      return false;
    }
    if (verdict == kEqual) MD->stabilizer.push_back(p);
  }
  MD->stabilizer_count = static_cast<int>(MD->stabilizer.size());
  return true;
}

}  // namespace

int checkPermutationAcceptance(SimpleCurrentData* MD) {
  if (MD->group_permutation == nullptr) {
    Print("Permutation function vanishes unexpectedly\n");
    return 1;
  }
  const bool info = par("Reject info") != 0;
  if (info) {
    Print("Checking Matrix X: \n");
    printRows(generators(MD), xMatrix(MD));
  }
  if (!collectStabilizer(MD, true, info)) return 0;
  if (info) Print("Accepted\n");
  return 1;
}

const std::vector<int>& addPermutationInfo(SimpleCurrentData* MD) {
  MD->stabilizer.clear();
  MD->stabilizer_count = 0;
  if (MD->group == nullptr) return MD->stabilizer;
  addSubgroupStabilizerToModularData(MD);
  collectStabilizer(MD, false, false);
  return MD->stabilizer;
}

// ---------------------------------------------------------------------------------------
// The default hook

int computeInvariant(SimpleCurrentData* MD) {
  EnumerationState& s = state();
  const int info = infoLevel();
  ++s.SubgroupSelectionCount;
  if (info >= 4) Print("\n\nTesting new invariant; subgroup selection count %d\n", s.SubgroupSelectionCount);
  if (getAutoSelectionNumber() != 0 && par("MIPF random") == 1) {
    Alert("computeInvariant", 0, 100218,
          "Auto select is inconsistent with randomization; switching off autoselect\n");
    clearSelectionNumber();
  }
  if (par("Reject permutations") != 0 && s.Randomization == 0) {
    if (!MD->perm_subgroup.empty() && checkPermutationAcceptance(MD) == 0) {
      if (info >= 4) Print("Rejected by permutation test\n");
      return 0;
    }
  } else {
    MD->stabilizer.clear();
    MD->stabilizer_count = 0;
  }
  getXKernels(MD);
  const int order = MD->group == nullptr ? 1 : MD->group->order;
  // The left chiral algebra is ker X^T (the second half), as the report and a typed
  // invariant's column of the vacuum have it.
  const int* left = MD->kernels.data() + order;
  const int* right = MD->kernels.data();
  if (par("Selection automorphism") != 0 && MD->kernel_size != 1) {
    if (info >= 4) Print("Rejected;  not an automorphism\n");
    return 0;
  }
  if (par("Selection extension") != 0 && MD->kernel_size == 1) {
    if (info >= 4) Print("Rejected; not an extension\n");
    return 0;
  }
  if (checkAlgebraSelectionCriteria(MD->kernel_size, left, MD->kernel_size, right) == 0) {
    if (info >= 4) Print("Rejected by algebra requirements\n");
    return 0;
  }
  if (par("Selection automorphism") != 0 && checkAutomorphismSelectionCriteriaForSimpleCurrentMIPF(MD) == 0) {
    if (info >= 4) Print("Rejected by automorphism requirements\n");
    return 0;
  }
  const int displayBound = TotalPrimaries != nullptr ? *TotalPrimaries : 1;
  MD->selection_count = s.SubgroupSelectionCount;
  BulkInvariant* temp = tempBulk();

  if (s.PerformSubgroupSelection == 1) {
    MD->mipf_number = -1;
    MD->subgroup_label = -1;
    buildTemp(MD);
    const int wanted = getAutoSelectionNumber();
    if (wanted != 0) return s.SubgroupSelectionCount == wanted ? -5 : 0;
    if (generators(MD) < 2) {
      Print("Only one MIPF; selection automatic\n");
      return -5;
    }
    Print("Auto select nr. %d; MIPF nr. %d\n", s.SubgroupSelectionCount, getTotalMIPFCount());
    printMonodromy(MD);
    printBulkInvariant(temp, displayBound);
    Print("\n");
    return Alert("computeInvariant", 1, 332209, "Invariant Nr. %d; Accept this one?", s.SubgroupSelectionCount) == 1
               ? -5
               : 0;
  }

  countTotalMIPF();
  MD->subgroup_label = s.SubgroupLabel;
  const bool autostore = par("Autostore") != 0;
  if (!autostore) {
    MD->mipf_number = s.ScanMIPFCount;
  } else {
    MD->mipf_number = getNameCount();
    buildTemp(MD);
    if (storeBulkInvariant(nullptr, temp, 1, info > 0 ? 1 : 0) != temp) {
      if (info >= 4) Print("Already present in storage\n");
      return 1;
    }
  }
  ++s.ScanMIPFCount;

  const int selectedNumber = s.MIPFSelection[s.NextSelectedMIPF];
  if (MD->mipf_number != selectedNumber && selectedNumber != -2) {
    if (info >= 4) Print("Not a selected MIPF number\n");
    return 0;
  }
  if (MD->mipf_number == selectedNumber) ++s.NextSelectedMIPF;
  const char* loopCommand = getLoopCommand();
  if (info < 2 && loopCommand == nullptr && s.SelectCurrentBulk == 0) return 1;
  if (MD->mipf_number > par("Loop end")) {
    if (info >= 4) Print("Reached user-defined end of loops");
    return -5;
  }
  if (loopCommand != nullptr || info >= 3 || s.SelectCurrentBulk != 0) {
    if (!autostore) buildTemp(MD);
    setCurrentBulkInvariant(temp);
    if (info >= 2) {
      printMonodromy(MD);
      if (info >= 3) printBulkInvariant(temp, displayBound);
      Print("\n");
    }
  }
  if (loopCommand != nullptr && par("Loop start") <= MD->mipf_number && MD->mipf_number <= par("Loop end")) {
    const std::string command = loopCommand;
    if (executeCommandLine(command.c_str()) != 0) {
      if (info >= 4) Print("Error during loop action\n");
      return -3;
    }
  }
  if (s.MIPFSelection[s.NextSelectedMIPF] == -1) {
    if (info >= 4) Print("End of loops\n");
    return -5;
  }
  if (info >= 4) Print("Returning success\n");
  return 1;
}

// ---------------------------------------------------------------------------------------
// Subgroups of the centre

int ComputeAllSubgroupInvariants(const int* currents, int n, SimpleCurrentData* MD) {
  EnumerationState& s = state();
  if (MD == nullptr) {
    if (!s.scratch) s.scratch = allocNewSCData(nullptr);
    MD = s.scratch.get();
  }
  if (MD->owns_subgroup != 0) {
    MD->perm_subgroup.clear();
    MD->owns_subgroup = 0;
  }
  MD->generators.assign(currents, currents + n);
  MD->n_generators = n;
  std::vector<int> elements(currents, currents + n);
  const int m = DG_closeSubgroup(elements, nullptr, simpleProduct);
  if (SubgroupEffectiveCenterCheck(m, elements.data()) == 0) {
    PrintVec(m, elements.data(), "Subgroup");
    Alert("ComputeAllSubgroupInvariants", 0, 100201,
          "Subgroup contains invalid currents (effective center check)");
    return 0;
  }
  if (infoLevel() >= 3) PrintVec(m, elements.data(), "Subgroup elements:");
  const DGType* centre = getCenter();
  const int centreOrder = centre->order;
  std::vector<int> canonical(static_cast<std::size_t>(std::max(m, 1)), 0);
  std::vector<int> orders(static_cast<std::size_t>(centreOrder), 0);
  DGType* G = DG_mapSubProductNEW(canonical.data(), orders.data(), centreOrder, m, elements.data(), nullptr,
                                  simpleProduct, nullptr);
  if (G == nullptr) return 0;
  MD->group = G;
  // Element labels, a zeroed block of centre size, the inverse map.
  MD->map.assign(static_cast<std::size_t>(G->order + 2 * centreOrder), 0);
  std::copy(canonical.begin(), canonical.begin() + G->order, MD->map.begin());
  std::fill(MD->map.begin() + G->order + centreOrder, MD->map.end(), -1);
  for (int e = 0; e < G->order; ++e) {
    const int label = canonical[static_cast<std::size_t>(e)];
    if (label >= 0 && label < centreOrder) MD->map[static_cast<std::size_t>(G->order + centreOrder + label)] = e;
  }
  if (infoLevel() >= 3) printDiscreteGroup(G, MD->map.data());
  sizeMonodromies(MD);
  computeMonodromies(MD);
  snapshotCriteria(MD);
  if (par("Reject permutations") != 0 && MD->perm_subgroup.empty()) addSubgroupStabilizerToModularData(MD);
  MD->selection_count = -1;
  s.SubgroupSelectionCount = 0;
  s.Randomization = 0;
  return par("Selection symmetric") != 0 ? generateSymmetricInvariants(MD) : generateInvariants(MD);
}

int ComputeAllSimpleCurrentInvariants(const DGType* K, const int* labels) {
  EnumerationState& s = state();
  const int info = infoLevel();
  // However the scan ends (Ctrl-C included): no subgroup running, no tables of its
  // subgroups and symmetries kept.
  struct ScanEnd {
    EnumerationState& s;
    int info;
    ~ScanEnd() {
      s.classes = ImageClasses{};
      s.symmetryImages = SymmetryBasisImages{};
      s.SubgroupLabel = -1;
      setCurrentSubgroupLabel(-1);
      if (info < 2) stopModal();
    }
  } scanEnd{s, info};
  s.SubgroupLabel = 0;
  setCurrentSubgroupLabel(0);
  s.symmetryImages = SymmetryBasisImages{};
  s.symmetryImages.armed = s.walkByClasses && KMCosetSwitch != 0 && K == getCenter();
  if (K->nfactors >= 4 && info > 0) Print("\nGenerating all subgroups of the center...\n");
  const std::vector<SubgroupEntry> chain = buildSubgroupList(K);
  const int S = static_cast<int>(chain.size());
  auto working = allocNewSCData(nullptr);
  if (info < 2) startModal();
  const long long inconsistentBefore = s.inconsistentX;
  int count = 0;
  int result = 0;
  bool stopped = chain.empty();
  for (int label = 0; label < S && !stopped; ++label) {
    obeyInterruptRequest();
    s.SubgroupLabel = label;
    setCurrentSubgroupLabel(label);
    if (S >= 101 && ProgressInfoAllowed()) PrintNoRepeat("Subgroup ", formatText("%d/%d", label, S).c_str());
    const int start = getSubgroupStart();
    if (label < start) continue;
    if (label == start) s.ScanMIPFCount = getScanMIPFCountStart();
    const SubgroupEntry& entry = chain[static_cast<std::size_t>(label)];
    if (entry.skip) continue;
    std::vector<int> currents;
    for (int g : entry.generators) currents.push_back(labels[g]);
    const bool valid = SubgroupEffectiveCenterCheck(static_cast<int>(currents.size()), currents.data()) != 0;
    int r = 0;
    if (valid) {
      if (info >= 2) PrintVec(static_cast<int>(currents.size()), currents.data(), "Subgroup generated by: ");
      working->perm_subgroup.clear();
      working->group_permutation = nullptr;
      if (par("Reject permutations") != 0) {
        working->perm_subgroup = entry.stabilizers;
        if (working->perm_subgroup.empty()) working->perm_subgroup.assign(1, 0);
        working->group_permutation = computeGroupPermutation;
      }
      r = ComputeAllSubgroupInvariants(currents.data(), static_cast<int>(currents.size()), working.get());
    }
    if (r == -5) {
      Inform("Invariant found\n");
      result = 1;
      stopped = true;
      break;
    }
    if (r == -2 || getStopSignal() != 0) {
      // A declined "Continue?" stops the scan with what it has.
      count += r > 0 ? r : 0;
      result = count;
      stopped = true;
      break;
    }
    if (r == -3) {
      Inform("Error during loop command\n");
      result = -3;
      stopped = true;
      break;
    }
    count += r;
    const bool autostore = par("Autostore") != 0;
    if (label == S - 1) {
      // A search for one MIPF by its number generates none but that one: a count here
      // would read as the number of MIPFs there are.
      if (s.SelectCurrentBulk == 0 && autostore)
        Print("Total number of MIPFs generated: %d (checked %d, distinct %d)\n", count, getTotalMIPFCount(),
              getNameCount());
      else if (s.SelectCurrentBulk == 0)
        Print("Total number of MIPFs generated: %d\n", count);
      // Without "Autostore" the numbers given are the scan's own, 0 to ScanMIPFCount - 1,
      // not store names: they are what a MIPF number is checked against.
      setCollectionCompleted(1, !autostore && s.hook == computeInvariant ? s.ScanMIPFCount : -1);
    } else if (info >= 1 && ProgressInfoAllowed()) {
      const std::string so_far = autostore ? formatText(" %d (checked %d, distinct %d)", count,
                                                        getTotalMIPFCount(), getNameCount())
                                           : formatText(" %d", count);
      PrintNoRepeat("Total number of MIPFs so far:", so_far.c_str());
    }
  }
  if (!stopped) result = count;
  const long long skipped = s.inconsistentX - inconsistentBefore;
  if (skipped > 0) Print("Candidates skipped as inconsistent: %lld\n", skipped);
  return result;
}

void buildSelectedSimpleCurrentInvariants() {
  EnumerationState& s = state();
  Alert("buildSelectedSimpleCurrentInvariants", 0, 100218,
        "WARNING: MIPF selection numbers depend on selection criteria");
  s.PerformSubgroupSelection = 0;
  s.SubgroupSelectionCount = 0;
  s.ScanMIPFCount = 0;
  if (par("Autostore") != 0) initSMATRIX();
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  const UndoWhenStopped forgetWanted(finishSelection);
  ComputeAllSimpleCurrentInvariants(centre, map);
  finishSelection();
}

BulkInvariant* buildBulkInvariantByNumber(int k) {
  EnumerationState& s = state();
  Inform("Constructing invariant %d\n", k);
  Alert("getBulkInvariantByNumber", 0, 100218, "WARNING: MIPF selection numbers depend on selection criteria");
  s.PerformSubgroupSelection = 0;
  s.SubgroupSelectionCount = 0;
  s.ScanMIPFCount = 0;
  if (par("Autostore") != 0) initSMATRIX();
  s.MIPFSelection = {k, -1};
  s.NextSelectedMIPF = 0;
  // Stopped on the way, the scan leaves neither the wanted number nor the mode that makes
  // the wanted MIPF current.
  const UndoWhenStopped leaveSearch([&s] {
    s.SelectCurrentBulk = 0;
    finishSelection();
  });
  s.SelectCurrentBulk = 1;
  int* map = nullptr;
  const DGType* centre = getCenter(&map);
  const int result = ComputeAllSimpleCurrentInvariants(centre, map);
  // Under Autostore a scan that meets only stored MIPFs counts them without reaching k.
  const bool reached = s.NextSelectedMIPF > 0;
  s.SelectCurrentBulk = 0;
  finishSelection();
  if (result != 0 && reached) return *getCurrentBulk();
  // The search has counted the MIPFs there are: a number beyond them is out of range.
  const int total = TotalInvariants();
  if (total != -1 && k >= total) {
    Alert("getBulkInvariantByNumber", 1, 100201, "MIPF number %d out of range (total MIPFs %d)", k, total);
    return nullptr;
  }
  Print("No invariant found that meets criteria\n");
  return nullptr;
}

int selectBulkInvariantInSubgroup(const int* currents, int n) {
  EnumerationState& s = state();
  s.PerformSubgroupSelection = 1;
  s.SubgroupSelectionCount = 0;
  if (n < 1 || (n == 1 && currents[0] == 0)) return resetSubgroupAutoSelection(0);
  // The scan makes nothing current before it ends; stopped, it leaves the mode.
  const UndoWhenStopped leaveSelection([] { resetSubgroupAutoSelection(0); });
  displaySelectionCriteria(0);
  BulkInvariant* saved = getDummyBulk();
  BulkInvariant* current = *getCurrentBulk();
  if (current != nullptr && current != saved) copyBulkInvariant(saved, current);
  const int r = ComputeAllSubgroupInvariants(currents, n, nullptr);
  int result = 0;
  if (r == -5) {
    setCurrentBulkInvariant(tempBulk());
    result = 1;
  } else {
    BulkInvariant* local = getLocalBulk();
    if (local != saved) copyBulkInvariant(local, saved);
    setCurrentBulkInvariant(local);
  }
  return resetSubgroupAutoSelection(result);
}

int selectAllBulkInvariantsInSubgroup(const int* currents, int n) {
  resetSubgroupAutoSelection(0);
  if (par("Reject permutations") != 0) {
    Print("Switching off permutation suppression\n(not built in for fixed torsion subgroups)\n");
    setIntPar("Reject permutations", 0);
  }
  if (n < 1 || (n == 1 && currents[0] == 0)) return 0;
  displaySelectionCriteria(0);
  BulkInvariant* current = *getCurrentBulk();
  if (current != nullptr && current != getDummyBulk()) copyBulkInvariant(getDummyBulk(), current);
  std::vector<int> elements(currents, currents + n);
  const int m = DG_closeSubgroup(elements, nullptr, simpleProduct);
  PrintVec(m, elements.data(), "Subgroup");
  const int centreOrder = getCenter()->order;
  std::vector<int> canonical(static_cast<std::size_t>(std::max(m, 1)), 0);
  std::vector<int> orders(static_cast<std::size_t>(centreOrder), 0);
  const DGType* K = DG_mapSubProductNEW(canonical.data(), orders.data(), centreOrder, m, elements.data(), nullptr,
                                        simpleProduct, nullptr);
  if (K == nullptr) return 0;
  setMIPFSelection(nullptr);
  state().ScanMIPFCount = 0;
  const UndoWhenStopped forgetWanted(finishSelection);
  ComputeAllSimpleCurrentInvariants(K, canonical.data());
  finishSelection();
  if (par("Autostore") != 0) Print("Total number of MIPFs stored: %d\n", getNameCount());
  return 0;
}
