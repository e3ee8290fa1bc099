// Left representations of the heterotic spectrum: the massless test of a current times a
// field, the pairing of one massless field with the left algebra (plain, or with every
// left label replaced by its orbit under a built-in exceptional invariant of its factor),
// the chiral-algebra elements of distinct charges that the partner search walks, the
// completion of the partner moves by the group law, and the slow left algebra used when
// the normal one fails its check.
#include <cstdio>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/Loops.h"
#include "invariants/Invariants.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

HeteroticFilterInfo* filterOf(SimpleCurrentData* MD) {
  return static_cast<HeteroticFilterInfo*>(MD->context);
}

// Left weight sum of out = J.phi (J null: phi itself), 0 massless, 1 heavy; a fractional
// total is a fault of the invariant.
int masslessSum(TensorProduct* tensor, const int* J, const int* phi, int* out) {
  HeteroticState& s = heteroticState();
  const int D = s.commonDenominator;
  const int n = factorCount(tensor);
  int W = 0;
  for (int f = 0; f < n; ++f) {
    const int label =
        J == nullptr ? phi[f] : SM_SimpleAction(factorTheory(tensor, f), J[f], phi[f]);
    if (out != nullptr) out[f] = label;
    W += s.weightsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(label)];
    if (W > D) return 1;
  }
  if (W % D != 0) {
    raiseHeteroticFault("FastTensorSimpleAction_Massless", formatFault(W, D));
    return 1;
  }
  return 0;
}

// The RepCount row (and the FullSpectrum row) of left labels s for the field being analysed.
void writeRows(SimpleCurrentData* MD, const int* s) {
  HeteroticState& st = heteroticState();
  HeteroticFilterInfo* record = filterOf(MD);
  TensorProduct* tensor = record->tensor;
  const int n = factorCount(tensor);
  const int h = heteroticFactorCount();
  int multiplicity = record->rightMultiplicity;
  int nonAbelian = 0;
  for (int f = 2; f < n; ++f) {
    multiplicity *= st.dimsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(s[f])];
    if (st.nonAbelianLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(s[f])] == 1)
      nonAbelian = 1;
  }
  std::vector<int> row(static_cast<std::size_t>(2 * h));
  for (int f = 0; f < h; ++f) {
    row[static_cast<std::size_t>(f)] = record->field[f];
    row[static_cast<std::size_t>(h + f)] = s[f];
  }
  if (settingOn(st.fullSpectrum) != 0) {
    std::vector<int> full(s, s + n);
    full.push_back(record->fieldIndex);
    full.push_back(multiplicity);
    full.push_back(nonAbelian);
    st.fullSpectrumRows.add(full.data(), 1);
  }
  st.repCount.add(row.data(), multiplicity);
}

struct ExceptionalLoop {
  SimpleCurrentData* MD;
  bool forAlgebra;
};

// The candidate of one choice of orbit elements.
std::vector<int> candidateOf(HeteroticFilterInfo* record, int n, const int* index) {
  std::vector<int> candidate(static_cast<std::size_t>(n));
  for (int f = 0; f < n; ++f)
    candidate[static_cast<std::size_t>(f)] =
        record->orbits[static_cast<std::size_t>(4 * f + index[f])];
  return candidate;
}

// Fills the orbit work array of the record from the labels; false when some factor has no
// orbit.
bool fillOrbits(HeteroticFilterInfo* record, const int* labels) {
  HeteroticState& s = heteroticState();
  const int n = factorCount(record->tensor);
  record->orbits.assign(4 * static_cast<std::size_t>(n), 0);
  record->orbitLast.assign(static_cast<std::size_t>(n), 0);
  for (int f = 0; f < n; ++f) {
    const int filter = f < static_cast<int>(s.exceptionalFilter.size())
                           ? s.exceptionalFilter[static_cast<std::size_t>(f)]
                           : 0;
    int last = 0;
    computeExceptionalOrbit(filter, labels[f], factorTheory(record->tensor, f)->n_primaries, &last,
                            record->orbits.data() + 4 * static_cast<std::size_t>(f));
    if (last < 0) return false;
    record->orbitLast[static_cast<std::size_t>(f)] = last;
  }
  return true;
}

int runOrbitLoops(HeteroticFilterInfo* record, ExceptionalLoop* loop, LoopBody body) {
  const int n = factorCount(record->tensor);
  std::vector<int> lo(static_cast<std::size_t>(n), 0), x(static_cast<std::size_t>(n), 0);
  return NestedLoops(n, lo.data(), record->orbitLast.data(), x.data(), loop, nullptr, body);
}

}  // namespace

int EvaluateExceptionalFilterResult(int n, int* index, void* ctx) {
  SimpleCurrentData* MD = static_cast<ExceptionalLoop*>(ctx)->MD;
  HeteroticFilterInfo* record = filterOf(MD);
  const std::vector<int> candidate = candidateOf(record, n, index);
  if (LeftMassCheck(record->tensor, candidate.data()) != 0) return 0;
  writeRows(MD, candidate.data());
  return 1;
}

int EvaluateExceptionalFilterResultForAlgebra(int n, int* index, void* ctx) {
  SimpleCurrentData* MD = static_cast<ExceptionalLoop*>(ctx)->MD;
  HeteroticFilterInfo* record = filterOf(MD);
  const std::vector<int> candidate = candidateOf(record, n, index);
  if (LeftMassCheck(record->tensor, candidate.data()) != 0 &&
      SOtenCheck(record->tensor, candidate.data()) != 0)
    return 0;
  heteroticState().exceptionalLeftAlgebra.add(candidate.data(), 1);
  return 1;
}

void computeExceptionalOrbit(int filter, int label, int n, int* last, int* orbit) {
  if (filter == 0) {
    orbit[0] = label;
    *last = 0;
    return;
  }
  int count = 0;
  for (int j = 0; j < n && count < 4; ++j)
    if (ExceptionalModularMatrix(label, j, filter) != 0) orbit[count++] = j;
  *last = count - 1;
}

int FastTensorSimpleAction_Massless(TensorProduct* tensor, const int* J, const int* phi, int* out) {
  return masslessSum(tensor, J, phi, out);
}

int LeftMassCheck(TensorProduct* tensor, const int* phi) {
  return masslessSum(tensor, nullptr, phi, nullptr);
}

int SOtenCheck(TensorProduct* tensor, const int* phi) {
  const int n = factorCount(tensor);
  for (int f = heteroticFactorCount(); f < n; ++f)
    if (phi[f] != 0) return 1;
  return 0;
}

void GSC_analyseLeftRepresentation(SimpleCurrentData* MD, const int* R, const int* move) {
  HeteroticState& s = heteroticState();
  if (s.useExceptionalFilter == 1) {
    GSC_analyseExceptionalLeftRepresentation(MD, R, move);
    return;
  }
  TensorProduct* tensor = filterOf(MD)->tensor;
  const int n = factorCount(tensor);
  std::vector<int> phi(static_cast<std::size_t>(n)), out(static_cast<std::size_t>(n));
  FastTensorSimpleAction(tensor, move, R, phi.data());
  for (int l = 0; l < s.leftAlgebra.size(); ++l) {
    if (FastTensorSimpleAction_Massless(tensor, s.leftAlgebra.row(l), phi.data(), out.data()) == 0)
      writeRows(MD, out.data());
  }
}

void GSC_analyseExceptionalLeftRepresentation(SimpleCurrentData* MD, const int* R,
                                              const int* move) {
  HeteroticState& s = heteroticState();
  HeteroticFilterInfo* record = filterOf(MD);
  TensorProduct* tensor = record->tensor;
  const int n = factorCount(tensor);
  std::vector<int> phi(static_cast<std::size_t>(n)), product(static_cast<std::size_t>(n));
  FastTensorSimpleAction(tensor, move, R, phi.data());
  ExceptionalLoop loop{MD, false};
  for (int l = 0; l < s.leftAlgebra.size(); ++l) {
    FastTensorSimpleAction(tensor, s.leftAlgebra.row(l), phi.data(), product.data());
    if (!fillOrbits(record, product.data())) continue;
    runOrbitLoops(record, &loop, EvaluateExceptionalFilterResult);
  }
}

// The exceptional left algebra from the left algebra (used by the spectrum computation).
void buildExceptionalLeftAlgebra(SimpleCurrentData* MD) {
  HeteroticState& s = heteroticState();
  HeteroticFilterInfo* record = filterOf(MD);
  s.exceptionalLeftAlgebra.reset(factorCount(record->tensor));
  ExceptionalLoop loop{MD, true};
  for (int l = 0; l < s.leftAlgebra.size(); ++l) {
    if (!fillOrbits(record, s.leftAlgebra.row(l))) continue;
    runOrbitLoops(record, &loop, EvaluateExceptionalFilterResultForAlgebra);
  }
}

const std::vector<int>& CollectChiralAlgebraElementsWithDistinctCharges(SimpleCurrentData* MD) {
  HeteroticState& s = heteroticState();
  const int k = MD->group->nfactors;
  s.charges.reset(k + 1, k);
  s.distinctCharges.clear();
  for (int a = 0; a < s.chiralAlgebra.size(); ++a) {
    const int code = GSC_computeChargeCodeForCombination(MD, s.chiralAlgebra.row(a));
    std::vector<int> row(static_cast<std::size_t>(k) + 1);
    for (int j = 0; j < k; ++j) row[static_cast<std::size_t>(j)] = DG_decomp(MD->group, code, j);
    row[static_cast<std::size_t>(k)] = a;
    bool added = false;
    s.charges.add(row.data(), 1, &added);
    if (added) s.distinctCharges.push_back(a);
  }
  return s.distinctCharges;
}

void CompleteCodes(SimpleCurrentData* MD, std::vector<int>& actions, HeteroticRows& moves, int c,
                   const int* mu, int order) {
  if (order < 1) return;
  TensorProduct* tensor = filterOf(MD)->tensor;
  std::vector<int> product(static_cast<std::size_t>(moves.rowLength()));
  bool addedAny = true;
  while (addedAny) {
    addedAny = false;
    for (int d = 0; d < order; ++d) {
      const int move = actions[static_cast<std::size_t>(d)];
      if (move < 0) continue;
      const int e = DG_product(d, c, MD->group);
      if (actions[static_cast<std::size_t>(e)] != -2) continue;
      FastTensorSimpleAction(tensor, mu, moves.row(move), product.data());
      actions[static_cast<std::size_t>(e)] = moves.add(product.data(), 1);
      addedAny = true;
    }
  }
}

void computeLeftAlgebra_slow(SimpleCurrentData* MD) {
  HeteroticState& s = heteroticState();
  HeteroticFilterInfo* record = filterOf(MD);
  TensorProduct* tensor = record->tensor;
  const int n = factorCount(tensor);
  const DGType* G = MD->group;
  s.leftAlgebra.reset(n);
  std::vector<int> out(static_cast<std::size_t>(n));
  for (int a = 0; a < s.chiralAlgebra.size(); ++a) {
    for (int e = 0; e < G->order; ++e) {
      std::vector<int> element(static_cast<std::size_t>(G->nfactors));
      for (int j = 0; j < G->nfactors; ++j)
        element[static_cast<std::size_t>(j)] = DG_decomp(G, e, j);
      if (GSC_checkDeltaArgument(MD, s.chiralAlgebra.row(a), element.data()) == 0) continue;
      FastTensorSimpleAction(tensor, record->group.row(MD->map[static_cast<std::size_t>(e)]),
                             s.chiralAlgebra.row(a), out.data());
      s.leftAlgebra.add(out.data(), 1);
    }
  }
  for (int r = 0; r < s.leftAlgebra.size(); ++r) {
    const std::string title = std::to_string(s.leftAlgebra.count(r)) + " x ";
    PrintVec(n, s.leftAlgebra.row(r), title.c_str());
  }
}

int GSC_getLeftFields(SimpleCurrentData* MD, const int* phi, int* out) {
  HeteroticFilterInfo* record = filterOf(MD);
  const DGType* G = MD->group;
  const int n = factorCount(record->tensor);
  std::vector<int> element(static_cast<std::size_t>(G->nfactors)),
      work(static_cast<std::size_t>(n));
  for (int e = 0; e < G->order; ++e) {
    for (int j = 0; j < G->nfactors; ++j) element[static_cast<std::size_t>(j)] = DG_decomp(G, e, j);
    if (GSC_checkDeltaArgument(MD, phi, element.data()) == 0) continue;
    const int* J = record->group.row(MD->map[static_cast<std::size_t>(e)]);
    FastTensorSimpleAction(record->tensor, J, phi, work.data());
    for (int f = 0; f < n; ++f) out[f] = J[f];
    return 1;
  }
  return 0;
}

void printRepCount(const char* text) {
  const HeteroticRows& rows = heteroticState().repCount;
  Print("At %s\n", text);
  for (int r = 0; r < rows.size(); ++r) {
    char title[32];
    std::snprintf(title, sizeof title, "%4d x ", rows.count(r));
    PrintVec(rows.rowLength(), rows.row(r), title);
  }
  Print("-----\n");
}
