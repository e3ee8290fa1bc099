// The list of inequivalent orientifolds of the current simple-current invariant.
//
// An orientifold is a Klein-bottle current K and one crosscap sign per cyclic factor of
// the invariant's group G. The candidates (every admissible K with every sign vector, -1
// only on factors of even order) are identified by root reduction, by shifts with the
// currents of G and by the permutations of the simple-current data; one record per class
// is kept, sorted by O-plane tension (descending), Klein current, sign vector.
//
// Representation: the candidate table holds rows (K, s_1..s_n, class, status); the Klein
// information one entry (class, square index, current of G, projection-sign row) per
// simple current. Everything is rebuilt when the bulk-invariant number changes and kept
// until then. The enumeration works on two scratch records of its own and gives the
// current orientifold back as it found it.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <numeric>
#include <memory>
#include <unordered_map>
#include <vector>

#include "boundaries/CrossBoundInternal.h"
#include "collections/VectorUtility.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"

namespace {

constexpr double kListTolerance = 1e-7;
constexpr double kGiveUpSeconds = 60.0;
constexpr int kGiveUpItems = 11;

// Status of a candidate row.
constexpr int kNeverReached = 4;
constexpr int kProcessed = 0;

struct KleinEntry {
  int klass = -1;  // -2 not admissible, -1 unclassified, else the class representative
  int square = 0;
  int current = 0;
  int signRow = 0;
};

// Where a shift or permutation takes each element of G (-1: outside G), the last element
// taken to each element (-1: none), and the first element without an image (-1: none).
struct ElementMap {
  std::vector<int> target;
  std::vector<int> lastSource;
  int firstMissing = -1;
};

ElementMap makeElementMap(std::vector<int> target) {
  ElementMap map;
  map.target = std::move(target);
  map.lastSource.assign(map.target.size(), -1);
  for (size_t g = 0; g < map.target.size(); ++g) {
    const int e = map.target[g];
    if (e < 0 || e >= static_cast<int>(map.target.size())) {
      if (map.firstMissing < 0) map.firstMissing = static_cast<int>(g);
      continue;
    }
    map.lastSource[static_cast<size_t>(e)] = static_cast<int>(g);
  }
  return map;
}

struct OrientifoldListState {
  int kleinBuiltFor = -1;
  int listBuiltFor = -1;
  int N_Ori = 0;
  // The group of the invariant: components of every element in every factor.
  int order = 1;
  std::vector<int> factorOrders;
  std::vector<int> generators;
  std::vector<int> elementCurrent;
  std::vector<int> elementOf;  // per current its first element of G, -1: none
  std::vector<std::vector<int>> components;
  std::vector<KleinEntry> KleinInfo;
  std::vector<int> OrderTwoCurrents;
  std::vector<int> SquareCurrents;
  std::vector<int> CurrentRoots;
  std::vector<std::vector<int>> ProjectionSigns;
  std::vector<std::vector<int>> AllOri;
  std::vector<double> Tensions;
  // What the identification asks again for every candidate, worked out once per list: the
  // first row of each (K, signs), the element of J x g for each shift J and element g, and
  // per (K, root) whether each element's weight combination of the root reduction is an
  // integer (0) or a half-integer (1). Dropped whenever the group or the rows are made anew.
  std::map<std::vector<int>, int> candidateRows;
  // The same rows by K and the set of factors with sign -1 (as bits), while every row has
  // signs +1 and -1 only and at most 62 factors.
  std::unordered_map<std::uint64_t, int> candidateRowsBySigns;
  bool candidateRowsHashed = false;
  // The same as a flat table indexed by that key (K times 2^n plus the sign bits; -1: no
  // row), while it stays small.
  std::vector<int> candidateRowsFlat;
  // Per element of G the factors in which its component is odd (as bits), while n <= 62:
  // its crosscap sign is -1 when an odd number of them carry the sign -1.
  std::vector<std::uint64_t> oddFactors;
  bool oddFactorsKnown = false;
  // Work vectors of the identification, reused.
  std::vector<int> imageSigns;
  // Per Klein current the crosscap terms of its record with all signs +1, noted while its
  // projection signs were made; kept only when no projection sign reported a fault.
  std::vector<CrosscapTerms> kleinTerms;
  bool candidateRowsMade = false;
  std::vector<ElementMap> shiftTargets;
  std::unordered_map<int, ElementMap> permutationTargets;  // per permutation, when complete
  // The entries of a crosscap vector that its sign vector and the normalisation read: the
  // identity and the factor generators, each once.
  std::vector<int> signEntries;
  // Per Klein current K the current conj(J) K of each shift by the current J of an element
  // (-2: not yet worked out).
  std::unordered_map<int, std::vector<int>> shiftedKlein;
  std::unordered_map<long long, std::vector<signed char>> reductionParities;
  // The same by flat index K (squares + 1) + r (nullptr: not yet worked out).
  std::vector<const std::vector<signed char>*> parityRowOf;
  std::vector<Rat> reductionWeights;  // the weights these asked for (den 0: not yet)
  // Per root index r and field x the class of the root reduction's weight combination at x
  // (0 an integer, 1 a half-integer, 2 neither or a product leaving the fields; -1 not yet
  // worked out), which depends on the root and x alone.
  std::vector<std::vector<signed char>> reductionClasses;
  // Per current the currents it gives with the elements of G (empty: not yet worked out).
  std::vector<std::vector<int>> elementProducts;
  // Per K and root index r (K (squares + 1) + r) the reduced Klein current conj(r's square)
  // K (-2: not yet worked out).
  std::vector<int> reducedKlein;
  std::vector<OrientifoldInfo*> view;  // the list as handed out by pointer
  std::unique_ptr<OrientifoldInfo> kleinScratch;
  std::unique_ptr<OrientifoldInfo> tensionScratch;
  bool kleinFailed = false;
  // Open long-loop scopes, and the images skipped as inconsistent inside them.
  int longLoops = 0;
  long long skippedImages = 0;
  IdentifyingPermutations permutationSource = nullptr;
};

OrientifoldListState& listState() {
  static OrientifoldListState s;
  return s;
}

int infoLevel() {
  const int* level = getIntParPointer("Orientifold info_level");
  return level != nullptr ? *level : 0;
}

int rejectPermutations() {
  const int* flag = getIntParPointer("Reject permutations");
  return flag != nullptr ? *flag : 1;
}

int factorCount() {
  return static_cast<int>(listState().factorOrders.size());
}

// Reads the group of the current invariant and the components of its elements.
bool readGroup() {
  OrientifoldListState& s = listState();
  const InvariantGroup* group = invariantGroup(currentBulk());
  if (group == nullptr) return false;
  s.order = std::max(group->order(), 1);
  s.factorOrders = group->factorOrders;
  s.generators = group->generators;
  s.elementCurrent = group->currents;
  if (s.elementCurrent.empty()) s.elementCurrent.assign(1, 0);
  s.elementOf.clear();
  for (int g = 0; g < static_cast<int>(s.elementCurrent.size()); ++g) {
    const int current = s.elementCurrent[static_cast<size_t>(g)];
    if (current < 0) continue;
    if (static_cast<size_t>(current) >= s.elementOf.size()) s.elementOf.resize(static_cast<size_t>(current) + 1, -1);
    if (s.elementOf[static_cast<size_t>(current)] < 0) s.elementOf[static_cast<size_t>(current)] = g;
  }
  s.shiftTargets.clear();
  s.permutationTargets.clear();
  s.shiftedKlein.clear();
  s.signEntries.assign(1, 0);
  for (int b : s.generators)
    if (b > 0 && b < s.order &&
        std::find(s.signEntries.begin(), s.signEntries.end(), b) == s.signEntries.end())
      s.signEntries.push_back(b);
  s.reductionParities.clear();
  s.parityRowOf.clear();
  s.reductionWeights.clear();
  s.reductionClasses.clear();
  s.elementProducts.clear();
  s.reducedKlein.clear();
  const int n = static_cast<int>(s.factorOrders.size());
  s.components.assign(static_cast<size_t>(s.order), std::vector<int>(static_cast<size_t>(n), 0));
  std::vector<int> tuple(static_cast<size_t>(n), 0);
  for (;;) {
    int element = 0;
    for (int j = 0; j < n && element >= 0; ++j)
      for (int p = 0; p < tuple[static_cast<size_t>(j)] && element >= 0; ++p)
        element = group->product(element, s.generators[static_cast<size_t>(j)]);
    if (element >= 0 && element < s.order) s.components[static_cast<size_t>(element)] = tuple;
    int j = n - 1;
    while (j >= 0 && ++tuple[static_cast<size_t>(j)] >= s.factorOrders[static_cast<size_t>(j)]) {
      tuple[static_cast<size_t>(j)] = 0;
      --j;
    }
    if (j < 0) break;
  }
  s.oddFactorsKnown = n <= 62;
  s.oddFactors.assign(static_cast<size_t>(s.order), 0);
  for (int g = 0; g < s.order && s.oddFactorsKnown; ++g)
    for (int j = 0; j < n; ++j)
      if (s.components[static_cast<size_t>(g)][static_cast<size_t>(j)] % 2 != 0)
        s.oddFactors[static_cast<size_t>(g)] |= std::uint64_t{1} << j;
  return true;
}

int elementOfCurrent(int current) {
  const OrientifoldListState& s = listState();
  return current >= 0 && static_cast<size_t>(current) < s.elementOf.size() ? s.elementOf[static_cast<size_t>(current)] : -1;
}

Rat weightOf(int field) {
  const Rat* w = ratWeight(field);
  return w != nullptr ? *w : Rat{0, 1};
}

Rat sum(const Rat& a, const Rat& b, long long bFactor) {
  Rat q{a.num * b.den + bFactor * b.num * a.den, a.den * b.den};
  simplifyRat(&q);
  return q;
}

// Notes the crosscap terms summed while it lives.
class NotingTerms {
 public:
  explicit NotingTerms(CrosscapTerms* terms) { crossBoundState().crosscapTerms = terms; }
  ~NotingTerms() { crossBoundState().crosscapTerms = nullptr; }
  NotingTerms(const NotingTerms&) = delete;
  NotingTerms& operator=(const NotingTerms&) = delete;
};

void prepareScratch(std::unique_ptr<OrientifoldInfo>* record, int K, const int* signs) {
  allocateOrientifoldInfo_stage2(record);
  OrientifoldInfo* r = record->get();
  resetOrientifoldStorageInfo(r);
  ++r->sequence;
  r->tension = -99999.0;
  r->eta = 1;
  r->klein = K;
  for (int j = 0; j < r->factors(); ++j)
    r->crosscapSigns[static_cast<size_t>(j)] = signs != nullptr ? signs[j] : 1;
  for (int L = 0; L < r->order; ++L) r->beta()[L] = 1;
  setSelectedOrientifold(r);
}

// The projection-sign vector of the record's Klein current, one sign per element of G.
// The projection signs are the signs sigma of the record's crosscap terms, noted in
// kleinTerms[K] on the way (they are taken from there when no sign reported a fault).
std::vector<int> projectionSigns(OrientifoldInfo* record) {
  OrientifoldListState& s = listState();
  CrossBoundState& cb = crossBoundState();
  const int K = record->klein;
  CrosscapTerms* terms = nullptr;
  if (K >= 0 && static_cast<size_t>(K) < s.kleinTerms.size()) {
    terms = &s.kleinTerms[static_cast<size_t>(K)];
    terms->filled = false;
  }
  const long long faults = cb.projectionSignFaults;
  {
    NotingTerms note(terms);
    // The scratch record's own metric is never read.
    loadOrientifoldTension(record);
  }
  loadCorrectionPhases(record);
  std::vector<int> P(static_cast<size_t>(s.order), 1);
  if (record->order != s.order) return P;
  if (terms != nullptr) {
    terms->filled = terms->filled && cb.projectionSignFaults == faults &&
                    terms->sigma.size() == static_cast<size_t>(s.order);
    if (terms->filled) return terms->sigma;
  }
  for (int g = 0; g < s.order; ++g)
    P[static_cast<size_t>(g)] = computeProjectionSign(
        record, s.elementCurrent[static_cast<size_t>(g)], record->phaseNum()[g],
        record->phaseDen()[g]);
  return P;
}

const std::vector<int>& signsOf(int K) {
  static const std::vector<int> none;
  const OrientifoldListState& s = listState();
  if (K < 0 || K >= static_cast<int>(s.KleinInfo.size())) return none;
  const int row = s.KleinInfo[static_cast<size_t>(K)].signRow;
  if (row < 0 || row >= static_cast<int>(s.ProjectionSigns.size())) return none;
  return s.ProjectionSigns[static_cast<size_t>(row)];
}

bool admissible(int K) {
  const OrientifoldListState& s = listState();
  return K >= 0 && K < static_cast<int>(s.KleinInfo.size()) &&
         s.KleinInfo[static_cast<size_t>(K)].klass >= 0;
}

// Klein information; false when the enumeration must be abandoned.
bool initKleinInfo() {
  OrientifoldListState& s = listState();
  const int currents = std::max(CenterOrder(), 1);
  s.KleinInfo.assign(static_cast<size_t>(currents), KleinEntry{});
  s.OrderTwoCurrents.clear();
  s.SquareCurrents.clear();
  s.reductionParities.clear();
  s.parityRowOf.clear();
  s.reductionClasses.clear();
  s.reducedKlein.clear();
  s.CurrentRoots.clear();
  s.ProjectionSigns.clear();
  s.kleinTerms.assign(static_cast<size_t>(currents), CrosscapTerms{});
  for (int g = 1; g < s.order; ++g) {
    const int h = s.elementCurrent[static_cast<size_t>(g)];
    if (simpleProduct(h, h) == 0) s.OrderTwoCurrents.push_back(h);
  }
  for (int J = 0; J < currents; ++J) {
    const int square = simpleProduct(J, J);
    if (std::find(s.SquareCurrents.begin(), s.SquareCurrents.end(), square) ==
        s.SquareCurrents.end()) {
      s.SquareCurrents.push_back(square);
      s.CurrentRoots.push_back(J);
    }
    for (int L : s.OrderTwoCurrents) {
      const Rat* q = simpleCurrentCharge(L, J);
      if (q != nullptr && q->den != 1) s.KleinInfo[static_cast<size_t>(J)].klass = -2;
    }
  }
  if (s.SquareCurrents.size() != s.CurrentRoots.size())
    Alert("initKleinInfo", 0, 212404, "Square current mismatch");
  s.KleinInfo[0] = KleinEntry{0, 0, 0, 0};
  for (int r = 0; r < static_cast<int>(s.SquareCurrents.size()); ++r) {
    for (int g = 0; g < s.order; ++g) {
      const int h = s.elementCurrent[static_cast<size_t>(g)];
      const int K = simpleProduct(h, s.SquareCurrents[static_cast<size_t>(r)]);
      if (K >= 0 && K < currents && s.KleinInfo[static_cast<size_t>(K)].klass == -1)
        s.KleinInfo[static_cast<size_t>(K)] = KleinEntry{0, r, h, 0};
    }
  }
  for (int K = 0; K < currents; ++K) {
    if (s.KleinInfo[static_cast<size_t>(K)].klass != -1) continue;
    for (int M = 0; M < currents; ++M) {
      const KleinEntry& m = s.KleinInfo[static_cast<size_t>(M)];
      if (m.klass != 0) continue;
      const int Kp =
          simpleProduct(simpleProduct(K, s.SquareCurrents[static_cast<size_t>(m.square)]),
                        m.current);
      if (Kp >= 0 && Kp < currents && s.KleinInfo[static_cast<size_t>(Kp)].klass == -1)
        s.KleinInfo[static_cast<size_t>(Kp)] = KleinEntry{K, m.square, m.current, 0};
      if (Kp != simpleProduct(K, M)) {
        // A broken current product: no list can be trusted, so none is made.
        Alert("initKleinInfo", 1, 212404, "WRONG KLEIN PRODUCT");
        return false;
      }
    }
  }
  prepareScratch(&s.kleinScratch, 0, nullptr);
  s.ProjectionSigns.push_back(projectionSigns(s.kleinScratch.get()));
  for (int K = 1; K < currents; ++K) {
    if (!admissible(K)) continue;
    prepareScratch(&s.kleinScratch, K, nullptr);
    const std::vector<int> P = projectionSigns(s.kleinScratch.get());
    auto found = std::find(s.ProjectionSigns.begin(), s.ProjectionSigns.end(), P);
    if (found == s.ProjectionSigns.end()) {
      s.ProjectionSigns.push_back(P);
      found = s.ProjectionSigns.end() - 1;
    }
    s.KleinInfo[static_cast<size_t>(K)].signRow =
        static_cast<int>(found - s.ProjectionSigns.begin());
  }
  return true;
}

// Crosscap vector of a sign vector: lambda(g) = product of s_j over factors j with c_j(g) odd.
std::vector<int> fullCrosscapSigns(const int* signs) {
  const OrientifoldListState& s = listState();
  std::vector<int> lambda(static_cast<size_t>(s.order), 1);
  for (int g = 0; g < s.order; ++g)
    for (int j = 0; j < factorCount(); ++j)
      if (s.components[static_cast<size_t>(g)][static_cast<size_t>(j)] % 2 != 0)
        lambda[static_cast<size_t>(g)] *= signs[j];
  return lambda;
}

// The same into `lambda`; by the odd-factor bits when the signs are +1 and -1 only.
void crosscapVector(const int* signs, std::vector<int>& lambda) {
  const OrientifoldListState& s = listState();
  const int n = factorCount();
  std::uint64_t negative = 0;
  bool plain = s.oddFactorsKnown && static_cast<int>(s.oddFactors.size()) == s.order;
  for (int j = 0; j < n && plain; ++j) {
    if (signs[j] == -1)
      negative |= std::uint64_t{1} << j;
    else if (signs[j] != 1)
      plain = false;
  }
  if (!plain) {
    lambda = fullCrosscapSigns(signs);
    return;
  }
  lambda.resize(static_cast<size_t>(s.order));
  for (int g = 0; g < s.order; ++g)
    lambda[static_cast<size_t>(g)] = (std::popcount(s.oddFactors[static_cast<size_t>(g)] & negative) & 1) != 0 ? -1 : 1;
}

// The sign vector of a crosscap vector: its values at the factor generators.
void crosscapSignsOf(const std::vector<int>& lambda, std::vector<int>& signs) {
  const OrientifoldListState& s = listState();
  signs.assign(static_cast<size_t>(factorCount()), 1);
  for (int j = 0; j < factorCount(); ++j) {
    const int b = s.generators[static_cast<size_t>(j)];
    if (b >= 0 && b < static_cast<int>(lambda.size())) signs[static_cast<size_t>(j)] = lambda[static_cast<size_t>(b)];
  }
}

void normalise(std::vector<int>& lambda) {
  if (!lambda.empty() && lambda[0] == -1)
    for (int& x : lambda) x = -x;
}

// The weight combination (h_x - 2 h_Lx + h_LLx - 2 h_L) / 2 of the root reduction at x:
// its denominator (1 or 2 for a valid image).
long long reductionDenominator(const Rat& hL, int L, int x) {
  const Rat hx = weightOf(x);
  const Rat hLx = weightOf(simpleProduct(L, x));
  const Rat hLLx = weightOf(simpleProduct(L, simpleProduct(L, x)));
  Rat q = sum(hx, hLx, -2);
  q = sum(q, hLLx, 1);
  q = sum(q, hL, -2);
  q = Rat{q.num, 2 * q.den};
  simplifyRat(&q);
  return q.den;
}

// The same denominator from integers over the lcm of the four weights' denominators, or 0
// where the numbers are too large for that (or the denominator is neither 1 nor 2: the
// rational route then reports it).
long long integerReductionDenominator(const Rat& hx, const Rat& hLx, const Rat& hLLx, const Rat& hL) {
  constexpr long long kLimit = 1LL << 28;
  const Rat* weights[4] = {&hx, &hLx, &hLLx, &hL};
  constexpr long long kFactor[4] = {1, -2, 1, -2};
  long long D = 1;
  for (const Rat* w : weights) {
    if (w->den <= 0 || w->den > kLimit || w->num > kLimit || w->num < -kLimit) return 0;
    D = D / std::gcd(D, static_cast<long long>(w->den)) * w->den;
    if (D > kLimit) return 0;
  }
  long long N = 0;
  for (int i = 0; i < 4; ++i) N += kFactor[i] * weights[i]->num * (D / weights[i]->den);
  // The combination halved is N / 2D.
  if (N % (2 * D) == 0) return 1;
  return N % D == 0 ? 2 : 0;
}

// Per element of G the denominator class (0: 1, 1: 2) of the root reduction of K by root
// r, which depends on K and r alone; empty when some product leaves the fields or some
// denominator is neither (the caller then works every element out and reports).
const std::vector<signed char>& reductionParities(int K, int r, int Kp) {
  OrientifoldListState& s = listState();
  const size_t stride = s.SquareCurrents.size() + 1;
  const long long key = static_cast<long long>(K) * static_cast<long long>(stride) + r;
  const bool indexed = K >= 0 && static_cast<size_t>(K) < s.KleinInfo.size();
  if (indexed) {
    if (s.parityRowOf.size() != s.KleinInfo.size() * stride) s.parityRowOf.assign(s.KleinInfo.size() * stride, nullptr);
    const std::vector<signed char>* known = s.parityRowOf[static_cast<size_t>(key)];
    if (known != nullptr) return *known;
  } else {
    auto found = s.reductionParities.find(key);
    if (found != s.reductionParities.end()) return found->second;
  }
  std::vector<signed char>& parities = s.reductionParities[key];
  if (indexed) s.parityRowOf[static_cast<size_t>(key)] = &parities;
  const int L = s.CurrentRoots[static_cast<size_t>(r)];
  const int fields = primaryCount();
  if (L < 0 || L >= fields) return parities;
  std::vector<Rat>& kept = s.reductionWeights;
  if (kept.size() != static_cast<size_t>(fields)) kept.assign(static_cast<size_t>(fields), Rat{0, 0});
  auto weight = [&](int field) -> const Rat& {
    Rat& w = kept[static_cast<size_t>(field)];
    if (w.den == 0) w = weightOf(field);
    return w;
  };
  const Rat hL = weight(L);
  if (s.reductionClasses.size() != s.SquareCurrents.size()) s.reductionClasses.assign(s.SquareCurrents.size(), {});
  std::vector<signed char>& classes = s.reductionClasses[static_cast<size_t>(r)];
  if (classes.size() != static_cast<size_t>(fields)) classes.assign(static_cast<size_t>(fields), -1);
  auto classOf = [&](int x) -> int {
    signed char& c = classes[static_cast<size_t>(x)];
    if (c >= 0) return c;
    const int Lx = simpleProduct(L, x);
    const int LLx = Lx >= 0 && Lx < fields ? simpleProduct(L, Lx) : -1;
    long long den = 0;
    if (LLx >= 0 && LLx < fields) {
      den = integerReductionDenominator(weight(x), weight(Lx), weight(LLx), hL);
      if (den == 0) den = reductionDenominator(hL, L, x);
    }
    c = static_cast<signed char>(den == 1 ? 0 : den == 2 ? 1 : 2);
    return c;
  };
  const std::vector<int>* products = nullptr;
  if (Kp >= 0 && static_cast<size_t>(Kp) < s.KleinInfo.size()) {
    if (s.elementProducts.size() != s.KleinInfo.size()) s.elementProducts.assign(s.KleinInfo.size(), {});
    std::vector<int>& row = s.elementProducts[static_cast<size_t>(Kp)];
    if (row.size() != static_cast<size_t>(s.order)) {
      row.resize(static_cast<size_t>(s.order));
      for (int g = 0; g < s.order; ++g)
        row[static_cast<size_t>(g)] = simpleProduct(Kp, s.elementCurrent[static_cast<size_t>(g)]);
    }
    products = &row;
  }
  std::vector<signed char> result(static_cast<size_t>(s.order), 0);
  for (int g = 0; g < s.order; ++g) {
    const int x = products != nullptr ? (*products)[static_cast<size_t>(g)]
                                      : simpleProduct(Kp, s.elementCurrent[static_cast<size_t>(g)]);
    if (x < 0 || x >= fields) return parities;
    const int c = classOf(x);
    if (c == 2) return parities;
    result[static_cast<size_t>(g)] = static_cast<signed char>(c);
  }
  parities = std::move(result);
  return parities;
}

// conj(Q) K for the square Q of root index r.
int reducedKleinCurrent(int K, int r) {
  OrientifoldListState& s = listState();
  const int Q = s.SquareCurrents[static_cast<size_t>(r)];
  const size_t stride = s.SquareCurrents.size() + 1;
  if (K < 0 || static_cast<size_t>(K) >= s.KleinInfo.size()) return simpleProduct(getConjugate(Q), K);
  if (s.reducedKlein.size() != s.KleinInfo.size() * stride) s.reducedKlein.assign(s.KleinInfo.size() * stride, -2);
  int& Kp = s.reducedKlein[static_cast<size_t>(K) * stride + static_cast<size_t>(r)];
  if (Kp == -2) Kp = simpleProduct(getConjugate(Q), K);
  return Kp;
}

// Images of a candidate (K, lambda); false when no image could be formed.
// With `partial` given, when every element's parity is known (so that no entry is
// reported), only the entries the sign vector and the normalisation read are made, the
// others keeping what they held, and *partial says so.
bool rootReductionImage(int K, const std::vector<int>& lambda, int r, int* Kout,
                        std::vector<int>* out, bool* partial) {
  if (partial != nullptr) *partial = false;
  const OrientifoldListState& s = listState();
  const int L = s.CurrentRoots[static_cast<size_t>(r)];
  const int Kp = reducedKleinCurrent(K, r);
  *Kout = Kp;
  if (!admissible(Kp)) return false;
  const std::vector<int>& PK = signsOf(K);
  const std::vector<int>& PKp = signsOf(Kp);
  if (static_cast<int>(PK.size()) < s.order || static_cast<int>(PKp.size()) < s.order) return false;
  const std::vector<signed char>& parities = reductionParities(K, r, Kp);
  const bool known = static_cast<int>(parities.size()) == s.order;
  if (partial != nullptr && known && lambda.size() == static_cast<size_t>(s.order)) {
    *partial = true;
    if (out->size() != static_cast<size_t>(s.order)) out->assign(static_cast<size_t>(s.order), 1);
    for (int e : s.signEntries) {
      const auto g = static_cast<size_t>(e);
      const int sign = lambda[g] * PK[g] * PKp[g];
      (*out)[g] = parities[g] == 0 ? sign : -sign;
    }
    if ((*out)[0] == -1)
      for (int e : s.signEntries) (*out)[static_cast<size_t>(e)] = -(*out)[static_cast<size_t>(e)];
    return true;
  }
  *out = lambda;
  const Rat hL = known ? Rat{0, 1} : weightOf(L);
  for (int g = 0; g < s.order; ++g) {
    const int sign = lambda[static_cast<size_t>(g)] * PK[static_cast<size_t>(g)] *
                     PKp[static_cast<size_t>(g)];
    const long long den =
        known ? 1 + parities[static_cast<size_t>(g)]
              : reductionDenominator(hL, L, simpleProduct(Kp, s.elementCurrent[static_cast<size_t>(g)]));
    if (den == 1)
      (*out)[static_cast<size_t>(g)] = sign;
    else if (den == 2)
      (*out)[static_cast<size_t>(g)] = -sign;
    else
      Alert("directOrientifoldRootReduction", 0, 212404, "Invalid permutation sign");
  }
  normalise(*out);
  return true;
}

// The image lambda'(e) = P_K'(e) lambda(g) P_K(g), e the element g goes to (the last such g;
// +1 where none goes). With `sparse` only the entries the sign vector and the normalisation
// read (the identity and the factor generators) are worked out, the others left +1.
bool mappedImage(int K, int Kp, const std::vector<int>& lambda, const ElementMap& map,
                 const char* routine, int* Kout, std::vector<int>* out, bool sparse) {
  const OrientifoldListState& s = listState();
  *Kout = Kp;
  if (!admissible(Kp)) return false;
  const std::vector<int>& PK = signsOf(K);
  const std::vector<int>& PKp = signsOf(Kp);
  if (static_cast<int>(PK.size()) < s.order || static_cast<int>(PKp.size()) < s.order) return false;
  if (map.firstMissing >= 0 || static_cast<int>(map.target.size()) != s.order) {
    Alert(routine, 0, 212404, "Permutation of element %d not found", std::max(map.firstMissing, 0));
    return false;
  }
  auto entry = [&](int e) {
    const int g = map.lastSource[static_cast<size_t>(e)];
    (*out)[static_cast<size_t>(e)] =
        g >= 0 ? PKp[static_cast<size_t>(e)] * lambda[static_cast<size_t>(g)] * PK[static_cast<size_t>(g)]
               : 1;
  };
  if (sparse) {
    // The other entries keep whatever they held: nothing reads them.
    if (out->size() != static_cast<size_t>(s.order)) out->assign(static_cast<size_t>(s.order), 1);
    for (int e : s.signEntries) entry(e);
  } else {
    out->assign(static_cast<size_t>(s.order), 1);
    for (int e = 0; e < s.order; ++e) entry(e);
  }
  return true;
}

// shiftedRow: the shifted Klein currents of K (see shiftedKlein).
bool shiftImage(int K, const std::vector<int>& lambda, int shiftElement, int* Kout,
                std::vector<int>* out, std::vector<int>* shiftedRow) {
  OrientifoldListState& s = listState();
  const int J = s.elementCurrent[static_cast<size_t>(shiftElement)];
  if (s.shiftTargets.size() != static_cast<size_t>(s.order)) s.shiftTargets.assign(static_cast<size_t>(s.order), {});
  ElementMap& map = s.shiftTargets[static_cast<size_t>(shiftElement)];
  if (map.target.empty()) {
    std::vector<int> target(static_cast<size_t>(s.order));
    for (int g = 0; g < s.order; ++g)
      target[static_cast<size_t>(g)] =
          elementOfCurrent(simpleProduct(J, s.elementCurrent[static_cast<size_t>(g)]));
    map = makeElementMap(std::move(target));
  }
  std::vector<int>& shifted = *shiftedRow;
  if (shifted.size() != static_cast<size_t>(s.order)) shifted.assign(static_cast<size_t>(s.order), -2);
  int& Kp = shifted[static_cast<size_t>(shiftElement)];
  if (Kp == -2) Kp = simpleProduct(getConjugate(J), K);
  // Only the sign vector of a shifted image is read (it is never printed): only the entries
  // it reads are made and normalised.
  if (!mappedImage(K, Kp, lambda, map, "directOrientifoldShift", Kout, out, true)) return false;
  if ((*out)[0] == -1)
    for (int e : s.signEntries) (*out)[static_cast<size_t>(e)] = -(*out)[static_cast<size_t>(e)];
  return true;
}

bool permutationImage(const SimpleCurrentData* MD, int p, int K, const std::vector<int>& lambda,
                      int* Kout, std::vector<int>* out, bool sparse) {
  OrientifoldListState& s = listState();
  // The element each element goes to is the same for every candidate; one with an element
  // that has no image is worked out (and reported) again each time.
  const auto known = s.permutationTargets.find(p);
  if (known != s.permutationTargets.end())
    return mappedImage(K, MD->group_permutation(p, K), lambda, known->second,
                       "directOrientifoldPermutation", Kout, out, sparse);
  std::vector<int> target(static_cast<size_t>(s.order));
  for (int g = 0; g < s.order; ++g)
    target[static_cast<size_t>(g)] =
        elementOfCurrent(MD->group_permutation(p, s.elementCurrent[static_cast<size_t>(g)]));
  ElementMap map = makeElementMap(std::move(target));
  const bool image = mappedImage(K, MD->group_permutation(p, K), lambda, map,
                                 "directOrientifoldPermutation", Kout, out, sparse);
  if (map.firstMissing < 0) s.permutationTargets.emplace(p, std::move(map));
  return image;
}

// Row of the candidate table with this Klein current and signs; -1 when absent.
// The key of K and signs in candidateRowsBySigns; false for signs other than +1 and -1.
bool signKey(int K, const int* signs, int n, std::uint64_t* key) {
  std::uint64_t bits = 0;
  for (int j = 0; j < n; ++j) {
    if (signs[j] == -1)
      bits |= std::uint64_t{1} << j;
    else if (signs[j] != 1)
      return false;
  }
  *key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(K)) << n) ^ bits;
  return true;
}

// The row index by K and signs, made once per candidate table: a flat table by signKey
// while that stays small, else a hash of it, else (signs other than +1 and -1, or too many
// factors) an ordered map of K and signs. The first row of a key is the one found.
void indexCandidateRows() {
  OrientifoldListState& s = listState();
  const int n = factorCount();
  s.candidateRows.clear();
  s.candidateRowsBySigns.clear();
  s.candidateRowsFlat.clear();
  s.candidateRowsHashed = n <= 30;
  std::vector<std::uint64_t> keys;
  keys.reserve(s.AllOri.size());
  std::uint64_t top = 0;
  for (size_t row = 0; row < s.AllOri.size() && s.candidateRowsHashed; ++row) {
    const std::vector<int>& c = s.AllOri[row];
    std::uint64_t key = 0;
    if (c[0] < 0 || !signKey(c[0], c.data() + 1, n, &key)) {
      s.candidateRowsHashed = false;
      break;
    }
    keys.push_back(key);
    top = std::max(top, key);
  }
  constexpr std::uint64_t kFlatLimit = std::uint64_t{1} << 24;
  if (s.candidateRowsHashed && top < kFlatLimit) {
    s.candidateRowsFlat.assign(static_cast<size_t>(top) + 1, -1);
    for (size_t row = keys.size(); row-- > 0;)
      s.candidateRowsFlat[static_cast<size_t>(keys[row])] = static_cast<int>(row);
  } else if (s.candidateRowsHashed) {
    for (size_t row = 0; row < keys.size(); ++row)
      s.candidateRowsBySigns.emplace(keys[row], static_cast<int>(row));
  } else {
    for (int row = 0; row < static_cast<int>(s.AllOri.size()); ++row) {
      const std::vector<int>& c = s.AllOri[static_cast<size_t>(row)];
      s.candidateRows.emplace(std::vector<int>(c.begin(), c.begin() + n + 1), row);
    }
  }
  s.candidateRowsMade = true;
}

int rowOfKey(std::uint64_t key) {
  const OrientifoldListState& s = listState();
  if (!s.candidateRowsFlat.empty())
    return key < s.candidateRowsFlat.size() ? s.candidateRowsFlat[static_cast<size_t>(key)] : -1;
  auto found = s.candidateRowsBySigns.find(key);
  return found != s.candidateRowsBySigns.end() ? found->second : -1;
}

int findCandidate(int K, const std::vector<int>& signs) {
  OrientifoldListState& s = listState();
  const int n = factorCount();
  // K and the signs of a row never change once it is made.
  if (!s.candidateRowsMade) indexCandidateRows();
  if (s.candidateRowsHashed) {
    // Every row has signs +1 and -1 only: other signs, or a negative K, are in no row.
    std::uint64_t key = 0;
    if (K < 0 || !signKey(K, signs.data(), n, &key)) return -1;
    return rowOfKey(key);
  }
  std::vector<int> key(static_cast<size_t>(n) + 1);
  key[0] = K;
  std::copy(signs.begin(), signs.begin() + n, key.begin() + 1);
  auto found = s.candidateRows.find(key);
  return found != s.candidateRows.end() ? found->second : -1;
}

// The row of image (Kp, lambda): findCandidate of Kp and the sign vector of lambda, read off
// lambda directly while rows are found by signKey.
int findImageCandidate(int Kp, const std::vector<int>& lambda) {
  OrientifoldListState& s = listState();
  if (!s.candidateRowsMade) indexCandidateRows();
  if (!s.candidateRowsHashed) {
    crosscapSignsOf(lambda, s.imageSigns);
    return findCandidate(Kp, s.imageSigns);
  }
  if (Kp < 0) return -1;
  const int n = factorCount();
  std::uint64_t bits = 0;
  for (int j = 0; j < n; ++j) {
    const int b = s.generators[static_cast<size_t>(j)];
    const int sign = b >= 0 && b < static_cast<int>(lambda.size()) ? lambda[static_cast<size_t>(b)] : 1;
    if (sign == -1)
      bits |= std::uint64_t{1} << j;
    else if (sign != 1)
      return -1;
  }
  return rowOfKey((static_cast<std::uint64_t>(static_cast<std::uint32_t>(Kp)) << n) ^ bits);
}

double candidateTension(int row) {
  const std::vector<int>& c = listState().AllOri[static_cast<size_t>(row)];
  return std::fabs(getOrientifoldTension(c.data()));
}

// The tension of candidate (K, signs) from the crosscap terms of K and the correction signs
// beta of the signs, with the scratch record left as the full computation leaves it (but
// for its metric, made when next asked). False when the full computation must speak: an
// imaginary dilaton coefficient is reported there.
bool tensionFromTerms(const std::vector<int>& c, const std::vector<int>& beta,
                      const CrosscapTerms& terms, double* tension) {
  OrientifoldListState& s = listState();
  prepareScratch(&s.tensionScratch, c[0], c.data() + 1);
  OrientifoldInfo* r = s.tensionScratch.get();
  const auto order = static_cast<size_t>(r->order);
  if (beta.size() != order || terms.sigma.size() != order || terms.re.size() != order ||
      terms.im.size() != order)
    return false;
  std::complex<double> sum = 0.0;
  for (size_t L = 0; L < order; ++L)
    addCrosscapTerm(sum, beta[L] * terms.sigma[L], terms.re[L], terms.im[L]);
  closeCrosscapSum(sum, r->eta, r->order);
  if (std::fabs(sum.imag()) > 1e-7) return false;
  r->tension = sum.real();
  if (sum.real() < -1e-7) {
    r->tension = -sum.real();
    r->eta = -r->eta;
  }
  if (useOrbits() != 0) loadModInvGroupCharges(r);
  *tension = std::fabs(r->tension);
  return true;
}

bool trivialInvariant();

// The tensions of all candidate rows, made K by K (each K has one row per sign vector, the
// all-plus one first). The correction phases depend on K alone and the correction signs
// beta on the signs alone, so the full computation runs for K = 0 (which gives beta of
// every sign vector) and for the first row of every other K (which gives its terms); the
// other rows of K sum those terms with their beta. A K whose full row reported a fault
// has every row computed in full, as has everything under the init trace (which prints
// per computation).
void candidateTensions(size_t signVectors) {
  OrientifoldListState& s = listState();
  CrossBoundState& cb = crossBoundState();
  const bool reuse = signVectors > 1 && !trivialInvariant() && initDebug() != 1;
  std::vector<std::vector<int>> betas(signVectors);  // empty: not known
  CrosscapTerms terms;
  bool termsUsable = false;
  for (size_t row = 0; row < s.AllOri.size(); ++row) {
    const std::vector<int>& c = s.AllOri[row];
    const size_t v = row % signVectors;
    const bool firstK = row < signVectors;
    double t = 0.0;
    const int K = c[0];
    const CrosscapTerms* kept = K >= 0 && static_cast<size_t>(K) < s.kleinTerms.size() &&
                                        s.kleinTerms[static_cast<size_t>(K)].filled
                                    ? &s.kleinTerms[static_cast<size_t>(K)]
                                    : nullptr;
    if (reuse && !firstK && kept != nullptr && !betas[v].empty() &&
        tensionFromTerms(c, betas[v], *kept, &t)) {
      s.Tensions.push_back(t);
      continue;
    }
    if (reuse && !firstK && v > 0 && termsUsable && !betas[v].empty() &&
        tensionFromTerms(c, betas[v], terms, &t)) {
      s.Tensions.push_back(t);
      continue;
    }
    const bool noting = reuse && (firstK || v == 0);
    const long long faults = cb.projectionSignFaults;
    terms.filled = false;
    {
      NotingTerms note(noting ? &terms : nullptr);
      t = candidateTension(static_cast<int>(row));
    }
    if (noting) {
      const bool clean = terms.filled && cb.projectionSignFaults == faults;
      if (firstK && clean) betas[v] = terms.beta;
      if (v == 0) termsUsable = clean;
    }
    s.Tensions.push_back(t);
  }
}

struct PhaseTexts {
  const char* outOfOrbit;
  const char* incomplete;
  const char* mismatch;
  const char* absent;
  const char* giveUp;
};

const PhaseTexts kPhases[3] = {
    {"Square current shift out of orbit",
     "Reduced orientifold not found. Permutations incomplete?\n",
     "Tension mismatch for reduced orientifold", "Reduced orientifold not found",
     "Analyzed %d squared currents; giving up at time  %7.2f\n"},
    {"Group current shift out of orbit",
     "Shifted orientifold not found. Permutations incomplete?\n",
     "Tension mismatch for shifted orientifold", "Shifted orientifold not found",
     "Analyzed %d shifts; giving up at time  %7.2f\n"},
    {"Permutation out of orbit", "Permutated orientifold not found. Permutations incomplete?\n",
     "Tension mismatch for permutated orientifold", "Permutated orientifold not found",
     "Analyzed %d permutations; giving up at time  %7.2f\n"},
};

struct Identification {
  int klass = 0;
  std::vector<int> searchList;  // candidate rows
  std::vector<char> inSearchList;  // per candidate row
  bool giveUp = false;
  int identified = 0;
  bool changed = false;
};

// An internal inconsistency of one image. Inside a long loop the image is skipped (left
// unidentified) with a warning shown once, and counted; the loop goes on. Elsewhere it is
// the internal-inconsistency alert.
void reportInconsistency(int position, const char* text) {
  OrientifoldListState& s = listState();
  if (s.longLoops > 0) {
    ++s.skippedImages;
    noteInconsistentSkip();
    Alert("generateAllOrientifolds", 10 + position, 100218, "%s; skipped as inconsistent", text);
  } else {
    Alert("generateAllOrientifolds", position, 212404, "%s", text);
  }
}

// Handles one image of phase `phase` (0 reduction, 1 shift, 2 permutation); true when it
// joined the class.
template <typename FullImage>
bool handleImage(Identification& id, int phase, int sourceRow, int Kp,
                 const std::vector<int>& lambda, FullImage fullImage) {
  OrientifoldListState& s = listState();
  const int row = findImageCandidate(Kp, lambda);
  const bool inList = row >= 0 && id.inSearchList[static_cast<size_t>(row)] != 0;
  const PhaseTexts& text = kPhases[phase];
  if (inList) {
    std::vector<int>& c = s.AllOri[static_cast<size_t>(row)];
    const int n = factorCount();
    int& klass = c[static_cast<size_t>(n + 1)];
    if (klass == -1) {
      klass = id.klass;
      c[static_cast<size_t>(n + 2)] = phase + 1;
      ++id.identified;
      id.changed = true;
      return true;
    }
    if (klass != id.klass) reportInconsistency(0, text.outOfOrbit);
    return false;
  }
  if (phase != 1) {
    const std::vector<int>& c = s.AllOri[static_cast<size_t>(sourceRow)];
    PrintVec(factorCount() + 1, c.data(), phase == 0 ? "v" : "init");
    const std::vector<int> full = fullImage();
    PrintVec(static_cast<int>(full.size()), full.data(), "crosscap");
  }
  if (row >= 0) {
    Alert("generateAllOrientifolds", 1, 520218, "%s", text.incomplete);
    if (std::fabs(s.Tensions[static_cast<size_t>(row)] - s.Tensions[static_cast<size_t>(sourceRow)]) >
        kListTolerance)
      reportInconsistency(2, text.mismatch);
  } else {
    reportInconsistency(3, text.absent);
  }
  return false;
}

// The permutations that identify orientifolds: those that keep the invariant itself. One
// that maps G onto itself but changes X maps this invariant's orientifolds to those of
// another, equivalent invariant, which are not candidates here. None while "Reject
// permutations" is off.
std::vector<int> identifyingPermutations(SimpleCurrentData* MD) {
  if (!rejectPermutations() || MD == nullptr || MD->group == nullptr) return {};
  const IdentifyingPermutations source = listState().permutationSource;
  return source != nullptr ? source(MD) : addPermutationInfo(MD);
}

// One phase over `items` images of a row; false when it gave up.
// An image may hold only the entries its sign vector reads; fullImageOf gives the whole
// image of an item for the messages that print it.
template <typename ImageOf, typename FullImageOf>
bool runPhase(Identification& id, int phase, int row, int items, ImageOf imageOf,
              FullImageOf fullImageOf) {
  ProcessorTimeLimit limit(kGiveUpSeconds);
  int lastNew = 0;
  std::vector<int> lambda;  // reused: an image may fill only the entries it needs
  for (int item = 0; item < items; ++item) {
    obeyInterruptRequest();
    if (item - lastNew >= kGiveUpItems && (limit.passed() || id.giveUp)) {
      Print(kPhases[phase].giveUp, item, CPUTime());
      id.giveUp = true;
      return false;
    }
    int Kp = 0;
    if (!imageOf(item, &Kp, &lambda)) {
      if (!admissible(Kp)) {
        if (phase != 1) {
          PrintVec(factorCount() + 1, listState().AllOri[static_cast<size_t>(row)].data(),
                   phase == 0 ? "v" : "init");
        }
        reportInconsistency(3, kPhases[phase].absent);
      }
      continue;
    }
    if (handleImage(id, phase, row, Kp, lambda, [&]() { return fullImageOf(item, lambda); }))
      lastNew = item;
  }
  return true;
}

void identifyCandidates() {
  OrientifoldListState& s = listState();
  BulkInvariant* bi = currentBulk();
  SimpleCurrentData* MD = bi != nullptr ? bi->MD.get() : nullptr;
  const std::vector<int> keeping = identifyingPermutations(MD);
  const int permutations = static_cast<int>(keeping.size());
  const int n = factorCount();
  const int verbose = infoLevel();
  const int squares = static_cast<int>(s.SquareCurrents.size());
  if (squares > 1000 || s.order > 1000 || permutations > 1000)
    Print("Large orientifold degeneracy: %d x %d x %d\n", squares, s.order, permutations);
  Identification id;
  const int rows = static_cast<int>(s.AllOri.size());
  id.inSearchList.assign(static_cast<size_t>(rows), 0);
  // The rows by tension, to find those within the tolerance of a class's tension without a
  // pass over all rows per class.
  // A tension that is not a number is within no tolerance; it sorts last.
  auto sortKey = [&s](int row) {
    const double t = s.Tensions[static_cast<size_t>(row)];
    return std::isnan(t) ? std::numeric_limits<double>::infinity() : t;
  };
  std::vector<int> byTension(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) byTension[static_cast<size_t>(row)] = row;
  std::stable_sort(byTension.begin(), byTension.end(),
                   [&sortKey](int a, int b) { return sortKey(a) < sortKey(b); });
  double reference = s.Tensions.empty() ? 0.0 : s.Tensions[0];
  int firstUnassigned = 0;
  for (;;) {
    for (int row : id.searchList) id.inSearchList[static_cast<size_t>(row)] = 0;
    id.searchList.clear();
    // Every row within the tolerance lies in this range of the sorted tensions (the bounds
    // are widened by rounding, never narrowed); the test itself is the one of the plain pass.
    auto from = std::lower_bound(byTension.begin(), byTension.end(), reference - 2 * kListTolerance,
                                 [&sortKey](int row, double t) { return sortKey(row) < t; });
    for (auto it = from; it != byTension.end(); ++it) {
      const int row = *it;
      if (sortKey(row) > reference + 2 * kListTolerance) break;
      if (s.AllOri[static_cast<size_t>(row)][static_cast<size_t>(n + 2)] == kNeverReached &&
          std::fabs(s.Tensions[static_cast<size_t>(row)] - reference) <= kListTolerance)
        id.searchList.push_back(row);
    }
    std::sort(id.searchList.begin(), id.searchList.end());
    for (int row : id.searchList) id.inSearchList[static_cast<size_t>(row)] = 1;
    if (verbose) Print("New SearchList; size %d\n", static_cast<int>(id.searchList.size()));
    id.identified = 0;
    id.changed = true;
    for (int iteration = 0; id.changed && !id.searchList.empty(); ++iteration) {
      if (verbose)
        Print("Iteration %d; presently identified %d/%d; time %7.2f\n", iteration,
              id.identified + 1, static_cast<int>(id.searchList.size()), CPUTime());
      id.changed = false;
      std::vector<int> lambda;
      for (size_t k = 0; k < id.searchList.size(); ++k) {
        const int row = id.searchList[k];
        const std::vector<int>& c = s.AllOri[static_cast<size_t>(row)];
        const int status = c[static_cast<size_t>(n + 2)];
        if (c[static_cast<size_t>(n + 1)] != id.klass || status < 1 || status > 4) continue;
        const int K = c[0];
        crosscapVector(c.data() + 1, lambda);
        auto asComputed = [](int, const std::vector<int>& image) { return image; };
        bool partial = false;  // the last reduction image made only the entries read
        bool going = runPhase(
            id, 0, row, squares,
            [&](int r, int* Kp, std::vector<int>* out) {
              return rootReductionImage(K, lambda, r, Kp, out, &partial);
            },
            [&](int r, const std::vector<int>& image) {
              if (!partial) return image;
              int Kp = 0;
              std::vector<int> full;
              rootReductionImage(K, lambda, r, &Kp, &full, nullptr);
              return full;
            });
        std::vector<int>* shiftedRow = &s.shiftedKlein[K];
        if (going && !(status == 2 && !id.giveUp))
          going = runPhase(
              id, 1, row, s.order,
              [&](int g, int* Kp, std::vector<int>* out) {
                return shiftImage(K, lambda, g, Kp, out, shiftedRow);
              },
              asComputed);
        if (going && !(status == 3 && !id.giveUp) && permutations > 0)
          runPhase(
              id, 2, row, permutations,
              [&](int p, int* Kp, std::vector<int>* out) {
                return permutationImage(MD, keeping[static_cast<size_t>(p)], K, lambda, Kp, out,
                                        true);
              },
              [&](int p, const std::vector<int>&) {
                int Kp = 0;
                std::vector<int> full;
                permutationImage(MD, keeping[static_cast<size_t>(p)], K, lambda, &Kp, &full, false);
                return full;
              });
        s.AllOri[static_cast<size_t>(row)][static_cast<size_t>(n + 2)] = kProcessed;
      }
    }
    ++id.klass;
    // Classes are only ever given, so the rows before the last representative stay assigned.
    int next = -1;
    for (int row = firstUnassigned; row < rows && next < 0; ++row)
      if (s.AllOri[static_cast<size_t>(row)][static_cast<size_t>(n + 1)] == -1) next = row;
    if (next < 0) break;
    firstUnassigned = next;
    s.AllOri[static_cast<size_t>(next)][static_cast<size_t>(n + 1)] = id.klass;
    reference = s.Tensions[static_cast<size_t>(next)];
  }
  if (id.giveUp) {
    Print("Orientifold identification aborted\n");
    Alert("generateAllOrientifolds", 4, 100201,
          "Orientifold identification aborted; some orientifolds may be identical");
  }
}

void generateAllOrientifolds() {
  OrientifoldListState& s = listState();
  const int n = factorCount();
  s.AllOri.clear();
  s.Tensions.clear();
  s.candidateRowsMade = false;
  const std::vector<std::vector<int>> signVectors = orientifoldSignVectors(s.factorOrders);
  for (int K = 0; K < static_cast<int>(s.KleinInfo.size()); ++K) {
    if (!admissible(K)) continue;
    for (const std::vector<int>& signs : signVectors) {
      std::vector<int> row(static_cast<size_t>(n + 3));
      row[0] = K;
      std::copy(signs.begin(), signs.end(), row.begin() + 1);
      row[static_cast<size_t>(n + 1)] = -1;
      row[static_cast<size_t>(n + 2)] = kNeverReached;
      s.AllOri.push_back(row);
    }
  }
  candidateTensions(signVectors.size());
  if (!s.AllOri.empty()) s.AllOri[0][static_cast<size_t>(n + 1)] = 0;
  identifyCandidates();
}

bool currentHasFixedPoints(int J) {
  for (int i = 0; i < primaryCount(); ++i)
    if (simpleFusion(J, i) == i) return true;
  return false;
}

int currentFixedPointShift(int J) {
  if (J == 0) return 0;
  if (KMCosetSwitch) {
    const TensorHooks& hooks = tensorHooks();
    return hooks.getTotalFCFTshiftOfField != nullptr
               ? hooks.getTotalFCFTshiftOfField(currentTensor, J)
               : 0;
  }
  return currentSD != nullptr ? SM_getFCFTshift(currentSD, J) : 0;
}

bool trivialInvariant() {
  BulkInvariant* bi = currentBulk();
  return bi != nullptr && bi->diagonal;
}

void printSigns(const OrientifoldInfo* record) {
  if (trivialInvariant()) return;
  for (int j = 0; j < record->factors(); ++j)
    Print("%3d", record->crosscapSigns[static_cast<size_t>(j)]);
}

// false when no list could be made (group unknown, broken current products).
bool buildList() {
  CrossBoundState& cb = crossBoundState();
  OrientifoldListState& s = listState();
  s.N_Ori = -1;
  s.AllOri.clear();
  s.Tensions.clear();
  s.candidateRowsMade = false;
  if (!readGroup()) {
    s.N_Ori = 0;
    return false;
  }
  const int n = factorCount();
  if (CenterOrder() % 2 != 0) {
    std::vector<int> row(static_cast<size_t>(n + 3), 1);
    row[0] = 0;
    row[static_cast<size_t>(n + 1)] = 0;
    row[static_cast<size_t>(n + 2)] = kProcessed;
    s.AllOri.push_back(row);
    s.Tensions.push_back(0.0);
    s.kleinBuiltFor = -1;
  } else {
    if (s.kleinBuiltFor != QueryBulkInvariant()) {
      if (!initKleinInfo()) {
        s.N_Ori = 0;
        return false;
      }
      s.kleinBuiltFor = QueryBulkInvariant();
    }
    generateAllOrientifolds();
  }
  int classes = 0;
  for (const std::vector<int>& row : s.AllOri)
    classes = std::max(classes, row[static_cast<size_t>(n + 1)] + 1);
  if (static_cast<int>(cb.Orientifolds.size()) < classes) cb.Orientifolds.resize(static_cast<size_t>(classes));
  // The representative of a class is its first row.
  std::vector<int> firstRow(static_cast<size_t>(classes), -1);
  for (int row = static_cast<int>(s.AllOri.size()) - 1; row >= 0; --row) {
    const int c = s.AllOri[static_cast<size_t>(row)][static_cast<size_t>(n + 1)];
    if (c >= 0 && c < classes) firstRow[static_cast<size_t>(c)] = row;
  }
  for (int c = 0; c < classes; ++c) {
    auto rep = firstRow[static_cast<size_t>(c)] >= 0
                   ? s.AllOri.begin() + firstRow[static_cast<size_t>(c)]
                   : s.AllOri.end();
    std::unique_ptr<OrientifoldInfo>& slot = cb.Orientifolds[static_cast<size_t>(c)];
    allocateOrientifoldInfo_stage2(&slot);
    OrientifoldInfo* record = slot.get();
    const int K = (*rep)[0];
    bool changed = record->klein != K;
    for (int j = 0; j < n && j < record->factors(); ++j) {
      changed = changed || record->crosscapSigns[static_cast<size_t>(j)] != (*rep)[static_cast<size_t>(j + 1)];
      record->crosscapSigns[static_cast<size_t>(j)] = (*rep)[static_cast<size_t>(j + 1)];
    }
    record->klein = K;
    if (changed) {
      ++record->sequence;
      record->eta = 1;
    }
    loadIshibashiMetric(record);
  }
  s.N_Ori = classes;
  for (int i = 0; i < classes; ++i)
    for (int j = i + 1; j < classes; ++j)
      if (compareOrientifolds(cb.Orientifolds[static_cast<size_t>(i)].get(),
                              cb.Orientifolds[static_cast<size_t>(j)].get()) < 0)
        std::swap(cb.Orientifolds[static_cast<size_t>(i)], cb.Orientifolds[static_cast<size_t>(j)]);
  const int level = infoLevel();
  for (int i = 0; i < classes; ++i) {
    OrientifoldInfo* record = cb.Orientifolds[static_cast<size_t>(i)].get();
    record->listPosition = i;
    if (level >= 1) {
      Print("%5d | ", i);
      Print(" %15.7f |", record->tension);
      Print(" %5d | ", record->klein);
      printSigns(record);
      Print("\n");
    }
  }
  if (level >= 2)
    printOrientifoldList();
  else if (level >= 1 && !getBackground())
    printOrientifoldNumber();
  return true;
}

}  // namespace

std::vector<std::vector<int>> orientifoldSignVectors(const std::vector<int>& factorOrders) {
  const int n = static_cast<int>(factorOrders.size());
  std::vector<std::vector<int>> vectors;
  std::vector<int> digits(static_cast<size_t>(n), 0);
  for (;;) {
    std::vector<int> signs(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) signs[static_cast<size_t>(j)] = digits[static_cast<size_t>(j)] == 0 ? 1 : -1;
    vectors.push_back(signs);
    int j = n - 1;
    while (j >= 0) {
      const int top = factorOrders[static_cast<size_t>(j)] % 2 == 0 ? 1 : 0;
      if (digits[static_cast<size_t>(j)] < top) {
        ++digits[static_cast<size_t>(j)];
        break;
      }
      digits[static_cast<size_t>(j)] = 0;
      --j;
    }
    if (j < 0) break;
  }
  return vectors;
}

const std::vector<std::vector<int>>& orientifoldCandidates() { return listState().AllOri; }

const std::vector<double>& orientifoldCandidateTensions() { return listState().Tensions; }

void resetOrientifoldList() {
  OrientifoldListState& s = listState();
  s = OrientifoldListState{};
}

void setIdentifyingPermutationsSource(IdentifyingPermutations source) {
  listState().permutationSource = source;
}

OrientifoldLoopScope::OrientifoldLoopScope() : skippedBefore_(listState().skippedImages) {
  ++listState().longLoops;
}

OrientifoldLoopScope::~OrientifoldLoopScope() {
  OrientifoldListState& s = listState();
  if (s.longLoops > 0) --s.longLoops;
  const long long skipped = s.skippedImages - skippedBefore_;
  if (skipped > 0) Print("Orientifolds skipped for an internal inconsistency: %lld\n", skipped);
}

long long orientifoldsSkippedForInconsistency() { return listState().skippedImages; }

int loadOrientifolds() {
  OrientifoldListState& s = listState();
  if (s.listBuiltFor == QueryBulkInvariant() && s.N_Ori >= 0) return s.N_Ori;
  BulkInvariant* bi = currentBulk();
  // No list without the boundary data of a simple-current invariant; nothing is stamped, so
  // the list is made once they exist.
  if (bi != nullptr && bi->simple_current == 1 && !bi->symmetric) {
    // Crosscaps need a symmetric invariant: no list, and the refusal is said once here.
    Alert("loadOrientifolds", 0, 100302,
          "Non-symmetric invariant; no unoriented string functions available\n");
    s.N_Ori = 0;
    s.listBuiltFor = -1;
    return 0;
  }
  if (bi == nullptr || bi->simple_current != 1 || initializeOrientedOpenString() != 0) {
    s.N_Ori = 0;
    s.listBuiltFor = -1;
    return 0;
  }
  CrossBoundState& cb = crossBoundState();
  // The scratch records are made current while the list is built; the user's choice
  // comes back afterwards, also when the building is abandoned (Ctrl-C), and its caches
  // are rebuilt once.
  class RestoreCurrent {
   public:
    explicit RestoreCurrent(CrossBoundState& state)
        : cb_(state), saved_(state.CurrentOrientifold) {}
    ~RestoreCurrent() {
      cb_.CurrentOrientifold = saved_;
      if (initDebug() == 1) ProgressPrint("##init: Orientifold sequence number increased\n");
      ++cb_.OrientifoldCounter;
    }
    RestoreCurrent(const RestoreCurrent&) = delete;
    RestoreCurrent& operator=(const RestoreCurrent&) = delete;

   private:
    CrossBoundState& cb_;
    OrientifoldInfo* saved_;
  };
  bool built = false;
  {
    RestoreCurrent restore(cb);
    built = buildList();
  }
  s.listBuiltFor = built ? QueryBulkInvariant() : -1;
  if (s.N_Ori < 0) s.N_Ori = 0;
  return s.N_Ori;
}

int TotalOrientifolds() {
  return loadOrientifolds();
}

int TotalOrientifoldsWithTension() {
  const int total = loadOrientifolds();
  int count = 0;
  for (int i = 0; i < total; ++i)
    if (!ZeroCheck(crossBoundState().Orientifolds[static_cast<size_t>(i)]->tension)) ++count;
  return count;
}

OrientifoldInfo** getPositiveTensionOrientifolds(int* total, int* count) {
  const int n = loadOrientifolds();
  int positive = 0;
  CrossBoundState& cb = crossBoundState();
  for (int i = 0; i < n; ++i)
    if (!ZeroCheck(cb.Orientifolds[static_cast<size_t>(i)]->tension)) ++positive;
  if (total != nullptr) *total = n;
  if (count != nullptr) *count = positive;
  std::vector<OrientifoldInfo*>& view = listState().view;
  view.clear();
  for (int i = 0; i < n; ++i) view.push_back(cb.Orientifolds[static_cast<size_t>(i)].get());
  return n > 0 ? view.data() : nullptr;
}

OrientifoldInfo** getOrientifolds(int* count) {
  OrientifoldListState& s = listState();
  CrossBoundState& cb = crossBoundState();
  const int n = std::max(s.N_Ori, 0);
  if (count != nullptr) *count = n;
  std::vector<OrientifoldInfo*>& view = s.view;
  view.clear();
  for (int i = 0; i < n; ++i) view.push_back(cb.Orientifolds[static_cast<size_t>(i)].get());
  return n > 0 ? view.data() : nullptr;
}

OrientifoldInfo* getOrientifoldByNumber(int i) {
  const OrientifoldListState& s = listState();
  if (i < 0 || i >= s.N_Ori) {
    Alert("getOrientifoldByNumber", 0, 100302, "Orientifold nr. out of range");
    return nullptr;
  }
  return crossBoundState().Orientifolds[static_cast<size_t>(i)].get();
}

int orientifoldListSize() {
  return std::max(listState().N_Ori, 0);
}

int compareOrientifolds(OrientifoldInfo* a, OrientifoldInfo* b) {
  loadIshibashiMetric(a);
  loadIshibashiMetric(b);
  if (std::fabs(a->tension - b->tension) > kListTolerance) return a->tension < b->tension ? -1 : 1;
  if (a->klein != b->klein) return a->klein > b->klein ? -1 : 1;
  const int n = std::min(a->factors(), b->factors());
  const int order = n > 0 ? compareVec(n, a->crosscapSigns.data(), b->crosscapSigns.data()) : 0;
  if (order == 0) Alert("compareOrientifolds", 0, 212404, "Identical orientifolds in list");
  return order;
}

double getOrientifoldTension(const int* row) {
  OrientifoldListState& s = listState();
  prepareScratch(&s.tensionScratch, row[0], row + 1);
  loadIshibashiMetric(s.tensionScratch.get());
  return s.tensionScratch->tension;
}

int matchToNewOrientifoldList(OrientifoldInfo* record) {
  OrientifoldListState& s = listState();
  CrossBoundState& cb = crossBoundState();
  const int n = factorCount();
  int row = -1;
  if (record != nullptr) {
    std::vector<int> signs(static_cast<size_t>(n), 1);
    for (int j = 0; j < n && j < record->factors(); ++j)
      signs[static_cast<size_t>(j)] = record->crosscapSigns[static_cast<size_t>(j)];
    row = findCandidate(record->klein, signs);
  }
  if (row < 0 || s.N_Ori <= 0) {
    Alert("matchToNewOrientifoldList", 0, 212404, "Old orientifold not found");
    return -1;
  }
  const int klass = s.AllOri[static_cast<size_t>(row)][static_cast<size_t>(n + 1)];
  auto rep = std::find_if(s.AllOri.begin(), s.AllOri.end(), [&](const std::vector<int>& c) {
    return c[static_cast<size_t>(n + 1)] == klass;
  });
  for (int i = 0; i < s.N_Ori; ++i) {
    const OrientifoldInfo* entry = cb.Orientifolds[static_cast<size_t>(i)].get();
    if (entry->klein != (*rep)[0]) continue;
    bool same = true;
    for (int j = 0; j < n && j < entry->factors(); ++j)
      same = same && entry->crosscapSigns[static_cast<size_t>(j)] == (*rep)[static_cast<size_t>(j + 1)];
    if (same) return i;
  }
  Alert("matchToNewOrientifoldList", 1, 212404, "Old orientifold not found");
  return -1;
}

// ---------------------------------------------------------------------------------------
// Display

namespace {
void printRule(char fill) {
  Print("%s\n", std::string(static_cast<size_t>(std::max(getSeparatorLineSize(), 1)), fill).c_str());
}
}  // namespace

void printOrientifoldNumber() {
  Print("Number of orientifolds: %d\n", std::max(listState().N_Ori, 0));
}

void printOrientifoldList() {
  CrossBoundState& cb = crossBoundState();
  const int n = std::max(listState().N_Ori, 0);
  PrintBannerWithText('=', "Orientifolds");
  Print("\n  Nr. |         Tension  |   Klein Bottle Current  | Crosscap signs\n");
  printRule('-');
  for (int i = 0; i < n; ++i) {
    const OrientifoldInfo* record = cb.Orientifolds[static_cast<size_t>(i)].get();
    Print("%5d | ", i);
    Print(" %15.7f |", record->tension);
    Print("        %5d            |   ", record->klein);
    printSigns(record);
    Print("\n");
  }
  printRule('=');
  Print("\n");
}

void printOrientationInfo(OrientifoldInfo* record, FILE* stream) {
  if (record == nullptr || stream == nullptr) return;
  PrintToFile(stream, "Klein bottle current:       %d\n", record->klein);
  if (trivialInvariant()) {
    PrintToFile(stream, "Invariant is trivial (\"Cardy case\", no crosscap sign choices)\n");
    return;
  }
  PrintToFile(stream, "Crosscap signs: ");
  for (int j = 0; j < record->factors(); ++j)
    PrintToFile(stream, "%3d", record->crosscapSigns[static_cast<size_t>(j)]);
  PrintToFile(stream, "\n");
}

void showOrientationInfo(OrientifoldInfo* record) {
  if (record == nullptr) return;
  Print("Klein bottle current:       %d\n", record->klein);
  if (trivialInvariant())
    Print("Invariant is trivial (\"Cardy case\", no crosscap sign choices)\n");
  else
    PrintVec(record->factors(), record->crosscapSigns.data(), "Selected crosscap signs: ");
  if (record->bulkNumber == QueryBulkInvariant()) loadIshibashiMetric(record);
  Print("O-plane tension: %15.7f\n", record->tension);
}

std::string IshibashiMetricPhaseString(OrientifoldInfo* record, int i) {
  loadIshibashiMetric(record);
  const int N = std::max(crossBoundState().PhasePeriod, 1);
  if (i < 0 || i >= record->order) return "  1        ";
  long long value = record->beta()[i] == -1 ? (N / 2) % N : 0;
  const long long den = record->phaseDen()[i] != 0 ? record->phaseDen()[i] : 1;
  value -= (static_cast<long long>(record->phaseNum()[i]) * N / 2) / den;
  value = ((value % N) + N) % N;
  if (value == 0) return "  1        ";
  long long a = value, b = N;
  while (b != 0) {
    const long long t = a % b;
    a = b;
    b = t;
  }
  return formatText("e^{2 pi (%lld/%lld)}", value / a, N / a);
}

void getIshibashiMetric(int m, int* phase, int* period) {
  const CrossBoundState& cb = crossBoundState();
  *period = cb.PhasePeriod;
  *phase = 0;
  OrientifoldInfo* record = cb.CurrentOrientifold;
  if (record == nullptr || m < 0 || m >= cb.IshibashiLabelCount ||
      static_cast<size_t>(m) >= record->conjugates.size() / 3)
    return;
  *phase = record->metric()[m];
}

void showSigns() {
  BulkInvariant* bi = currentBulk();
  if (bi == nullptr || bi->simple_current != 1) {
    Print("Not a simple current invariant; signs not defined\n");
    return;
  }
  if (!bi->symmetric) {
    Print("Invariant is not symmetric; signs not meaningful\n");
    return;
  }
  OrientifoldInfo* record = crossBoundState().CurrentOrientifold;
  showOrientationInfo(record);
  if (bi->diagonal) return;
  loadCorrectionPhases(record);
  const InvariantGroup* group = invariantGroup(bi);
  if (group == nullptr || group->order() != record->order) return;
  Print("\nPhases used in boundary coefficients and crosscap computation:\n");
  printRule('-');
  Print("Current  Weight  Crosscap_sign    Beta(J,K)      FCFT_shift\n");
  for (int L = 0; L < record->order; ++L) {
    const int J = group->currents[static_cast<size_t>(L)];
    if (J < 0) {
      Alert("showSigns", 0, 212404, "Negative current index");
      continue;
    }
    const Rat w = weightOf(J);
    const int sign = computeProjectionSign(record, J, record->phaseNum()[L], record->phaseDen()[L]);
    const bool fixes = currentHasFixedPoints(J);
    if (!fixes) {
      Print("%7d   %2lld/%-2lld %10d           *               *\n", J, w.num, w.den, sign);
    } else {
      const std::string phase = IshibashiMetricPhaseString(record, L);
      Print("%7d   %2lld/%-2lld %10d     %15s %7d\n", J, w.num, w.den, sign, phase.c_str(),
            J == 0 ? 0 : currentFixedPointShift(J));
    }
  }
}
