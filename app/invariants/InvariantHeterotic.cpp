// Simple-current invariants of a group the caller supplies (the heterotic search): the
// caller's group G, whose element e is the caller's current labels[e], with monodromy
// charges and weights from the caller's callbacks, run through the X loops of the
// enumeration with the caller's analysis hook; the one invariant of a given X; and the
// charge map that the heterotic spectrum reads.
//
// Records come from the pool of the invariant store and are set up as the enumeration
// expects them: "map" holds the |G| labels, a zeroed block of |G| and the inverse map
// (label e -> its position in the label list, -1 when absent); "monodromies" R then X.
//
// The caller's hook is installed for the call only. It is reached through a trampoline
// that first marks the record's charge map not made (the map depends on X, and the
// loops hand the same record over for every X), then calls the caller's hook found on a
// stack of (record, hook) entries, so that a hook may itself start a nested enumeration
// with a record of its own. The stack is empty between calls; resetInvariantHeterotic
// restores that.
#include <cstddef>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"

namespace {

struct ActiveCall {
  SimpleCurrentData* record;
  MipfAnalysisFcn hook;
};

struct InvariantHeteroticState {
  std::vector<ActiveCall> calls;  // innermost last
};

InvariantHeteroticState& state() {
  static InvariantHeteroticState s;
  return s;
}

int par(const char* name) {
  const int* p = getIntParPointer(name);
  return p == nullptr ? 0 : *p;
}

int trampoline(SimpleCurrentData* MD) {
  const std::vector<ActiveCall>& calls = state().calls;
  for (std::size_t k = calls.size(); k-- > 0;) {
    if (calls[k].record == MD) {
      MD->charge_map_made = 0;
      return calls[k].hook(MD);
    }
  }
  Alert("GSC_computeAllGroupInvariants", 0, 212404,
        "Simple current record without an analysis function");
  return -2;
}

// Installs the trampoline for MD's call and takes it down again on every return.
class HookScope {
 public:
  HookScope(SimpleCurrentData* MD, MipfAnalysisFcn hook) {
    state().calls.push_back({MD, hook});
    previous_ = setMIPFAnalysisFunction(trampoline);
  }
  ~HookScope() {
    setMIPFAnalysisFunction(previous_);
    state().calls.pop_back();
  }
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;

 private:
  MipfAnalysisFcn previous_ = nullptr;
};

int basisCount(const DGType* G) {
  return G == nullptr ? 0 : G->nfactors;
}

// Generators, the label map with its inverse, and R and X zeroed, for group G.
void prepareRecord(SimpleCurrentData* MD, const DGType* G, const int* labels, void* context) {
  const int order = G->order;
  const int n = basisCount(G);
  MD->group = G;
  MD->context = context;
  MD->charge_map_made = 0;
  MD->generators.assign(static_cast<std::size_t>(n), 0);
  for (int a = 0; a < n; ++a) MD->generators[static_cast<std::size_t>(a)] = labels[DG_basis(G, a)];
  MD->n_generators = n;
  MD->map.assign(3 * static_cast<std::size_t>(order), 0);
  for (int e = 0; e < order; ++e) MD->map[static_cast<std::size_t>(e)] = labels[e];
  int* inverse = MD->map.data() + 2 * static_cast<std::size_t>(order);
  for (int e = 0; e < order; ++e) inverse[e] = -1;
  for (int k = order - 1; k >= 0; --k)
    if (labels[k] >= 0 && labels[k] < order) inverse[labels[k]] = k;
  MD->monodromies.assign(2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  if (par("Invariant info_level") >= 3) DG_print(G);
}

bool validGroup(const char* routine, const DGType* G, const int* labels) {
  if (G == nullptr || labels == nullptr || G->order < 1) {
    Alert(routine, 0, 212404, "No group or no labels given");
    return false;
  }
  return true;
}

// The fractional part of a reduced q, in [0, 1).
Rat fractionalPart(Rat q) {
  simplifyRat(&q);
  RatToFrac(&q);
  if (q.num < 0) q.num += q.den;
  return q;
}

}  // namespace

void GSC_computeMonodromies(SimpleCurrentData* MD) {
  const DGType* G = MD->group;
  const int n = basisCount(G);
  if (MD->monodromies.size() < 2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n))
    MD->monodromies.resize(2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  if (MD->charge_fn == nullptr || MD->weight_fn == nullptr) {
    Alert("GSC_computeMonodromies", 0, 212404, "No charge or weight function for the monodromies");
    return;
  }
  int* R = MD->monodromies.data();
  for (int a = 0; a < n; ++a) {
    const long long Na = G->factors[a];
    const int Ja = MD->map[static_cast<std::size_t>(DG_basis(G, a))];
    for (int b = 0; b < n; ++b) {
      const int Jb = MD->map[static_cast<std::size_t>(DG_basis(G, b))];
      Rat Q{0, 1};
      MD->charge_fn(Ja, Jb, &Q, MD->context);
      simplifyRat(&Q);
      long long r = Q.den == 0 ? 0 : (Na * Q.num) / Q.den;
      if (a != b) {
        r -= (r / Na) * Na;
      } else {
        // w = R_aa/2 - Q/2 and v = h(J_a), both modulo 1.
        const Rat half{r, 2};
        const Rat qHalf{Q.num, 2 * (Q.den == 0 ? 1 : Q.den)};
        Rat w;
        subtractRat(&half, &qHalf, &w);
        w = fractionalPart(w);
        Rat h{0, 1};
        MD->weight_fn(Ja, &h, MD->context);
        const Rat v = fractionalPart(h);
        if (w.num * v.den != v.num * w.den) r += Na;
        if (r % 2 != 0) r += Na;
        r %= 2 * Na;
        if (r < 0) r += 2 * Na;
      }
      R[a * n + b] = static_cast<int>(r);
    }
  }
}

int GSC_computeAllGroupInvariants(const DGType* G, const int* labels, GSCChargeFcn charge_fn,
                                  GSCWeightFcn weight_fn, MipfAnalysisFcn hook, void* context) {
  if (!validGroup("GSC_computeAllGroupInvariants", G, labels)) return 0;
  if (hook == nullptr || charge_fn == nullptr || weight_fn == nullptr) {
    Alert("GSC_computeAllGroupInvariants", 1, 212404,
          "No analysis, charge or weight function given");
    return 0;
  }
  SimpleCurrentData* MD = getSCDataPointer();
  MD->charge_fn = charge_fn;
  MD->weight_fn = weight_fn;
  int result = 0;
  {
    HookScope scope(MD, hook);
    prepareRecord(MD, G, labels, context);
    GSC_computeMonodromies(MD);
    if (par("Selection symmetric") != 0) {
      Alert("GSC_computeAllGroupInvariants", 2, 112311, "Symmetry requirement ignored\n");
    }
    MD->sel_symmetric = 0;
    MD->sel_automorphism = par("Selection automorphism");
    MD->sel_extension = par("Selection extension");
    MD->sel_reject_permutations = 0;
    MD->sel_algebra = algebraRequirementsSet();
    MD->selection_count = -1;
    result = generateInvariants(MD);
  }
  returnSCDataPointer(MD);
  return result;
}

int GSC_computeInvariant(const DGType* G, const int* labels, MipfAnalysisFcn hook, const int* X,
                         void* context) {
  if (!validGroup("GSC_computeInvariant", G, labels)) return 0;
  if (hook == nullptr || X == nullptr) {
    Alert("GSC_computeInvariant", 1, 212404, "No analysis function or X matrix given");
    return 0;
  }
  SimpleCurrentData* MD = getSCDataPointer();
  MD->charge_fn = nullptr;
  MD->weight_fn = nullptr;
  HookScope scope(MD, hook);
  prepareRecord(MD, G, labels, context);
  const std::size_t n = static_cast<std::size_t>(basisCount(G));
  for (std::size_t k = 0; k < n * n; ++k) MD->monodromies[n * n + k] = X[k];
  return trampoline(MD);
}

void makeChargeMap(SimpleCurrentData* MD) {
  if (MD == nullptr || MD->charge_map_made) return;
  const DGType* G = MD->group;
  if (G == nullptr) return;
  const int order = G->order;
  const int n = basisCount(G);
  constexpr int kUnassigned = -2;
  MD->chargeMap.assign(static_cast<std::size_t>(order), kUnassigned);
  std::vector<int> elements(static_cast<std::size_t>(order), -1);
  std::vector<int> alphaE(static_cast<std::size_t>(n));
  std::vector<int> alphaG(static_cast<std::size_t>(n));
  // The charge vectors that currents realise form a group of |G| / |kernel| elements.
  const int kernel = MD->kernel_size > 0 ? MD->kernel_size : 1;
  const int wanted = order / kernel;
  int assigned = 0;
  for (int e = 0; e < order && assigned < wanted; ++e) {
    if (MD->chargeMap[static_cast<std::size_t>(e)] != kUnassigned) continue;
    for (int a = 0; a < n; ++a) alphaE[static_cast<std::size_t>(a)] = DG_decomp(G, e, a);
    int found = -1;
    for (int g = 0; g < order && found < 0; ++g) {
      for (int a = 0; a < n; ++a) alphaG[static_cast<std::size_t>(a)] = DG_decomp(G, g, a);
      if (checkDeltaArgumentForCharges(MD, alphaE.data(), alphaG.data()) == 1) found = g;
    }
    if (found < 0) {
      MD->chargeMap[static_cast<std::size_t>(e)] = -1;
      continue;
    }
    MD->chargeMap[static_cast<std::size_t>(e)] = MD->map[static_cast<std::size_t>(found)];
    elements[static_cast<std::size_t>(e)] = found;
    ++assigned;
    // Products of charge vectors are realised by products of their currents.
    for (int other = 0; other < order && assigned < wanted; ++other) {
      const int partner = elements[static_cast<std::size_t>(other)];
      if (partner < 0) continue;
      const int product = DG_product(e, other, G);
      if (product < 0 || MD->chargeMap[static_cast<std::size_t>(product)] != kUnassigned) continue;
      const int current = DG_product(found, partner, G);
      MD->chargeMap[static_cast<std::size_t>(product)] = MD->map[static_cast<std::size_t>(current)];
      elements[static_cast<std::size_t>(product)] = current;
      ++assigned;
    }
  }
  for (int& entry : MD->chargeMap)
    if (entry == kUnassigned) entry = -1;
  MD->charge_map_made = 1;
}

void resetInvariantHeterotic() {
  state().calls.clear();
}
