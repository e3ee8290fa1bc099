// The tachyon projection search of a non-supersymmetric tensor product: a space-time
// factor first (its field 2 is the light state that goes with the internal fields), then
// internal factors. The light combinations of total weight below 1 are the tachyons; each
// is kept as its charges with respect to the first two basis currents of every factor, so
// that its charge with respect to any simple current is a sum of basis charges. The search
// extends the chiral algebra by one spinor current (first label 1) and then, depth first,
// by scalar currents (first label 0) until every tachyon has a non-integer charge with
// respect to some generator, that is until every tachyon is projected out.
//
// Representation. Simple currents are field indices of the simple-current spectrum of the
// product (graded minimal forms when "Graded" is on); an algebra is a list of such indices
// starting with the identity 0 and the spinor. The tachyon table lives in the module state
// until the next search; a search keeps its lists, algebras and flags in one context.
// Every loop over fields, currents or tachyons obeys Ctrl-C (the loop over light
// combinations through the nested-loop engine).
#include <algorithm>
#include <numeric>
#include <vector>

#include "groups/Discrete.h"
#include "interpreter/Loops.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

// The deepest level of scalar currents; reaching it ends the search.
constexpr int kMaxLevel = 10;

struct TachyonState {
  // Two entries per factor: the charge numerators of a tachyonic combination with respect
  // to the factor's first two basis currents, over the orders of those currents.
  TensorRows charges{"TachyonCharges"};
  // Per factor the fields considered ("LightFields").
  std::vector<std::vector<int>> lightFields;
  // Per factor its first two basis currents and their orders (order 1: none).
  std::vector<int> basis;
  std::vector<int> basisOrder;
};

TachyonState& tachyonState() {
  static TachyonState s;
  return s;
}

bool isOdd(int label) { return label % 2 != 0; }

// Exact weight of a label row; false when some factor's weight is not exact.
bool exactWeight(TensorProduct* TP, const int* labels, Rat* h) { return TensorRatWeight(TP, labels, h) == 1; }

// The basis currents of every factor (at most two are used); false after an alert when a
// factor's current group needs more.
bool prepareBasis(TensorProduct* TP) {
  TachyonState& s = tachyonState();
  const int n = TP->NumberOfFactors;
  s.basis.assign(static_cast<std::size_t>(2 * n), 0);
  s.basisOrder.assign(static_cast<std::size_t>(2 * n), 1);
  for (int i = 0; i < n; ++i) {
    const DGType* dg = TP->TensorFactors[static_cast<std::size_t>(i)]->scgroup;
    if (dg == nullptr) continue;
    if (dg->nfactors > 2) {
      Alert("findTachyons", 1, 100302, "Factor %d has more than two basis currents; not supported", i);
      return false;
    }
    for (int j = 0; j < dg->nfactors; ++j) {
      s.basis[static_cast<std::size_t>(2 * i + j)] = DG_basis(dg, j);
      s.basisOrder[static_cast<std::size_t>(2 * i + j)] = dg->factors[j];
    }
  }
  return true;
}

// Body of the nested loop over one light field per factor.
struct TachyonLoop {
  TensorProduct* TP;
  std::vector<int> labels;
  std::vector<int> row;
};

}  // namespace

int TachyonCheck(int n, int* index, void* ctx) {
  TachyonLoop& loop = *static_cast<TachyonLoop*>(ctx);
  TachyonState& s = tachyonState();
  TensorProduct* TP = loop.TP;
  for (int i = 0; i < n; ++i)
    loop.labels[static_cast<std::size_t>(i)] = s.lightFields[static_cast<std::size_t>(i)][static_cast<std::size_t>(index[i])];
  Rat h;
  if (!exactWeight(TP, loop.labels.data(), &h)) return 0;
  if (h.num >= h.den) return 0;
  for (int i = 0; i < n; ++i) {
    SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    for (int j = 0; j < 2; ++j) {
      const std::size_t k = static_cast<std::size_t>(2 * i + j);
      int numerator = 0;
      if (s.basisOrder[k] > 1) {
        Rat q;
        SM_getRatCharge(sd, s.basis[k], loop.labels[static_cast<std::size_t>(i)], &q);
        // The charge is a multiple of 1/order of the basis current. It may come over a
        // larger denominator (an N=2 minimal model gives 0/16 or 2/16 at level 2), so it is
        // reduced before the test.
        simplifyRat(&q);
        if (q.den <= 0 || s.basisOrder[k] % q.den != 0) {
          Alert("TachyonCheck", 0, 212404, "Charge %lld/%lld of field %d of factor %d is not a multiple of 1/%d",
                q.num, q.den, loop.labels[static_cast<std::size_t>(i)], i, s.basisOrder[k]);
          return 0;
        }
        numerator = static_cast<int>(q.num * (s.basisOrder[k] / q.den));
      }
      loop.row[k] = numerator;
    }
  }
  s.charges.add(loop.row.data());
  return 0;
}

int findTachyons(TensorProduct* TP) {
  TachyonState& s = tachyonState();
  const int n = TP->NumberOfFactors;
  s.charges.reset(2 * n);
  s.lightFields.assign(static_cast<std::size_t>(n), {});
  if (n == 0) return 0;
  if (!prepareBasis(TP)) return -1;
  SpectrumData* first = TP->TensorFactors[0];
  if (first->n_primaries < 3) {
    Alert("findTachyons", 0, 100302, "The first factor has no field 2");
    return -1;
  }
  s.lightFields[0].push_back(2);
  for (int i = 1; i < n; ++i) {
    SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    const bool graded = factorGraded(sd);
    for (int a = 0; a < sd->n_primaries; ++a) {
      obeyInterruptRequest();
      if (graded && sd->grading[a] != 'N') continue;
      if (2LL * sd->weight_num[a] < sd->weight_den) s.lightFields[static_cast<std::size_t>(i)].push_back(a);
    }
  }
  std::vector<int> lo(static_cast<std::size_t>(n), 0);
  std::vector<int> hi(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const std::vector<int>& list = s.lightFields[static_cast<std::size_t>(i)];
    PrintVec(static_cast<int>(list.size()), list.data(), "-->");
    hi[static_cast<std::size_t>(i)] = static_cast<int>(list.size()) - 1;
    if (list.empty()) return 0;
  }
  TachyonLoop loop{TP, std::vector<int>(static_cast<std::size_t>(n)), std::vector<int>(static_cast<std::size_t>(2 * n))};
  std::vector<int> x(static_cast<std::size_t>(n));
  NestedLoops(n, lo.data(), hi.data(), x.data(), &loop, nullptr, TachyonCheck);
  return s.charges.size();
}

int getTachyonCount() { return tachyonState().charges.size(); }

int checkTachyonProjection(int J, std::vector<int>& flags, TensorProduct* TP) {
  TachyonState& s = tachyonState();
  const int rows = s.charges.size();
  flags.resize(static_cast<std::size_t>(rows), 0);
  const int n = TP->NumberOfFactors;
  const int* current = TP->Spectrum.row(J);
  // Basis exponents of J in every factor.
  std::vector<int> exponents(static_cast<std::size_t>(2 * n), 0);
  for (int i = 0; i < n; ++i) {
    const DGType* dg = TP->TensorFactors[static_cast<std::size_t>(i)]->scgroup;
    if (dg == nullptr) continue;
    if (current[i] < 0 || current[i] >= dg->order) {
      Alert("checkTachyonProjection", 0, 212404, "Label %d of factor %d is not a simple current", current[i], i);
      return 0;
    }
    for (int j = 0; j < dg->nfactors && j < 2; ++j)
      exponents[static_cast<std::size_t>(2 * i + j)] = DG_decomp(dg, current[i], j);
  }
  int unmarked = 0;
  for (int r = 0; r < rows; ++r) {
    obeyInterruptRequest();
    if (flags[static_cast<std::size_t>(r)] != 0) continue;
    const int* row = s.charges.row(r);
    Rat total{0, 1};
    for (int k = 0; k < 2 * n; ++k) {
      if (s.basisOrder[static_cast<std::size_t>(k)] <= 1) continue;
      Rat term{static_cast<long long>(exponents[static_cast<std::size_t>(k)]) * row[k],
               s.basisOrder[static_cast<std::size_t>(k)]};
      simplifyRat(&term);
      Rat next;
      addRat(&total, &term, &next);
      total = next;
      simplifyRat(&total);
    }
    if (total.den != 1) {
      flags[static_cast<std::size_t>(r)] = 1;
    } else {
      ++unmarked;
    }
  }
  return unmarked == 0 ? 1 : 0;
}

namespace {

// One run of the search: the candidate lists, the weights of the simple currents, and per
// level the algebra, the loop variable (an index into the scalar list) and the flags.
struct TachyonSearch {
  TensorProduct* TP = nullptr;
  int currents = 0;
  std::vector<Rat> weights;
  std::vector<char> exact;
  std::vector<int> spinors;
  std::vector<int> scalars;
  std::vector<char> isSpinor;
  std::vector<char> isScalar;
  // Work flags of completeAlgebra, one per current, all 0 between calls.
  std::vector<char> member;
  int spinor = -1;
  std::vector<std::vector<int>> algebras = std::vector<std::vector<int>>(kMaxLevel + 1);
  std::vector<int> loop = std::vector<int>(kMaxLevel + 1, -1);
  std::vector<std::vector<int>> projections = std::vector<std::vector<int>>(kMaxLevel + 1);
  bool succeeded = false;
  bool failed = false;
};

const int* labelsOf(const TachyonSearch& search, int c) { return search.TP->Spectrum.row(c); }

bool weightOne(const TachyonSearch& search, int c) {
  const Rat& h = search.weights[static_cast<std::size_t>(c)];
  return search.exact[static_cast<std::size_t>(c)] != 0 && h.num == h.den;
}

bool integerWeight(const TachyonSearch& search, int c) {
  return search.exact[static_cast<std::size_t>(c)] != 0 && search.weights[static_cast<std::size_t>(c)].den == 1;
}

// A supersymmetry current: weight 1 and an odd space-time label.
bool supersymmetryCurrent(const TachyonSearch& search, int c) { return weightOne(search, c) && isOdd(labelsOf(search, c)[0]); }

int product(const TachyonSearch& search, int a, int b) { return CT_simpleCurrentProduct(a, b, search.TP); }

bool integerCharge(const TachyonSearch& search, int J, int c) {
  Rat q;
  TensorRatCharge(search.TP, labelsOf(search, J), labelsOf(search, c), &q);
  return q.num == 0;
}

// The spinor condition on factors 2 onward: each label at most its conjugate's, and the
// labels non-decreasing.
bool spinorOrdered(const TachyonSearch& search, int c) {
  TensorProduct* TP = search.TP;
  const int* labels = labelsOf(search, c);
  for (int i = 1; i < TP->NumberOfFactors; ++i) {
    const int conjugate = SM_getConjugate(TP->TensorFactors[static_cast<std::size_t>(i)], labels[i]);
    if (conjugate >= 0 && labels[i] > conjugate) return false;
    if (i >= 2 && labels[i] < labels[i - 1]) return false;
  }
  return true;
}

// Integer-weight currents are kept unless a power spoils them.
bool powersAcceptable(const TachyonSearch& search, int c) {
  int power = c;
  for (int k = 2; k <= search.currents; ++k) {
    obeyInterruptRequest();
    power = product(search, power, c);
    if (power <= 0) return power == 0;
    if (supersymmetryCurrent(search, power) || !integerWeight(search, power)) return false;
  }
  return true;
}

}  // namespace

// A current that generates the cyclic group of an earlier kept one is one of that current's
// powers c^k with k prime to its order. Those are marked when a current is kept, so that the
// powers are formed only of the kept currents, and each test of a current is one look-up.
void checkOrbitStructure(TensorProduct* TP, std::vector<int>& list) {
  std::vector<int> kept;
  std::vector<char> generatesKept(static_cast<std::size_t>(std::max(TP->NumberOfSimpleCurrents, 0)), 0);
  const auto marked = [&generatesKept](int c) {
    return c >= 0 && static_cast<std::size_t>(c) < generatesKept.size() && generatesKept[static_cast<std::size_t>(c)] != 0;
  };
  std::vector<int> powers;
  for (int c : list) {
    obeyInterruptRequest();
    if (marked(c)) continue;
    kept.push_back(c);
    powers.assign(1, c);
    int p = c;
    for (int steps = 0; steps < TP->NumberOfSimpleCurrents; ++steps) {
      pollInterruptRequest();
      p = CT_simpleCurrentProduct(p, c, TP);
      if (p <= 0) break;
      powers.push_back(p);
    }
    const int length = static_cast<int>(powers.size()) + 1;
    for (int k = 1; k <= static_cast<int>(powers.size()); ++k) {
      const int power = powers[static_cast<std::size_t>(k - 1)];
      if (std::gcd(k, length) == 1 && power >= 0 && static_cast<std::size_t>(power) < generatesKept.size())
        generatesKept[static_cast<std::size_t>(power)] = 1;
    }
  }
  list.swap(kept);
}

namespace {

// out := previous extended by J; false when J adds nothing or a product is refused.
bool completeAlgebra(TachyonSearch& search, const std::vector<int>& previous, int J, std::vector<int>& out, int level) {
  // The flags of the members, cleared again on the way out: a call costs the size of the
  // algebra, not the number of currents.
  std::vector<char>& member = search.member;
  struct ClearFlags {
    std::vector<char>& flags;
    const std::vector<int>& set;
    ~ClearFlags() {
      for (int c : set) flags[static_cast<std::size_t>(c)] = 0;
    }
  } clear{member, out};
  out = previous;
  for (int a : previous) member[static_cast<std::size_t>(a)] = 1;
  std::vector<int> added;
  int p = J;
  for (int steps = 0; p > 0 && steps < search.currents; ++steps) {
    if (member[static_cast<std::size_t>(p)] == 0) {
      member[static_cast<std::size_t>(p)] = 1;
      added.push_back(p);
      out.push_back(p);
    }
    p = product(search, p, J);
  }
  if (p < 0) return false;
  if (added.empty()) return false;
  // The scalar chosen last has the largest field index of the levels so far.
  int largestChosen = -1;
  for (int m = 1; m <= level; ++m)
    largestChosen = std::max(largestChosen, search.scalars[static_cast<std::size_t>(search.loop[static_cast<std::size_t>(m)])]);
  for (int a : previous) {
    obeyInterruptRequest();
    for (int b : added) {
      const int c = product(search, a, b);
      if (c < 0) return false;
      if (supersymmetryCurrent(search, c) || !integerWeight(search, c)) return false;
      if (search.isScalar[static_cast<std::size_t>(c)] != 0 && c < largestChosen) return false;
      if (member[static_cast<std::size_t>(c)] == 0) {
        member[static_cast<std::size_t>(c)] = 1;
        out.push_back(c);
      }
    }
  }
  return true;
}

// The chosen currents must respect the order of equal factors, and the algebra must not
// hold a spinor whose own search comes earlier.
bool checkAlgebraOrder(TachyonSearch& search, int level) {
  TensorProduct* TP = search.TP;
  const int n = TP->NumberOfFactors;
  const int* spinor = labelsOf(search, search.spinor);
  for (int i = 1; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (TP->TensorFactors[static_cast<std::size_t>(i)]->rank != TP->TensorFactors[static_cast<std::size_t>(j)]->rank) continue;
      if (spinor[i] != spinor[j]) continue;
      for (int m = 1; m <= level; ++m) {
        const int chosen = search.scalars[static_cast<std::size_t>(search.loop[static_cast<std::size_t>(m)])];
        const int* labels = labelsOf(search, chosen);
        if (labels[i] < labels[j]) break;
        if (labels[i] > labels[j]) {
          if (m == level) return false;
          Print("Permutation violation: %d %d m=%d\n", i, j, m);
          PrintVec(n, spinor, "");
          PrintVec(n, labels, "");
          break;
        }
      }
    }
  }
  const std::vector<int>& algebra = search.algebras[static_cast<std::size_t>(level)];
  for (std::size_t k = 2; k < algebra.size(); ++k)
    if (search.isSpinor[static_cast<std::size_t>(algebra[k])] != 0 && algebra[k] < search.spinor) return false;
  return true;
}

void printLoopVariables(const TachyonSearch& search, int level) {
  PrintVec(level, search.loop.data() + 1, "Loop variables");
}

void addScalarCurrent(TachyonSearch& search, int level) {
  if (level >= kMaxLevel) {
    Alert("addScalarCurrent", 0, 212404, "Level exceeded");
    search.failed = true;
    return;
  }
  const std::size_t L = static_cast<std::size_t>(level);
  const int start = level == 1 ? 0 : search.loop[L - 1] + 1;
  for (int index = start; index < static_cast<int>(search.scalars.size()); ++index) {
    obeyInterruptRequest();
    const int candidate = search.scalars[static_cast<std::size_t>(index)];
    search.loop[L] = index;
    if (!integerCharge(search, search.spinor, candidate)) continue;
    bool local = true;
    for (int m = 1; m < level && local; ++m)
      local = integerCharge(search, search.scalars[static_cast<std::size_t>(search.loop[static_cast<std::size_t>(m)])], candidate);
    if (!local) continue;
    if (!completeAlgebra(search, search.algebras[L - 1], candidate, search.algebras[L], level)) continue;
    search.projections[L] = search.projections[L - 1];
    if (checkTachyonProjection(candidate, search.projections[L], search.TP) == 1) {
      Print("Succeeded at level %d! \n", level);
      printLoopVariables(search, level);
      search.succeeded = true;
      return;
    }
    printLoopVariables(search, level);
    std::vector<int> chosen{search.spinor};
    for (int m = 1; m <= level; ++m) chosen.push_back(search.scalars[static_cast<std::size_t>(search.loop[static_cast<std::size_t>(m)])]);
    PrintVec(static_cast<int>(chosen.size()), chosen.data(), "##");
    Print("Order %d\n", static_cast<int>(search.algebras[L].size()));
    if (checkAlgebraOrder(search, level)) {
      addScalarCurrent(search, level + 1);
      if (search.succeeded || search.failed) return;
    }
  }
}

}  // namespace

int computeTachyonSpectrum(TensorProduct* TP) {
  if (TP->NumberOfFactors == 0) {
    Alert("computeTachyonSpectrum", 0, 100302, "Tensor product has no factors");
    return -1;
  }
  if (findTachyons(TP) < 0) return -1;
  TP->SpectrumChanged = 1;
  const int status = computeSimpleCurrentTensorSpectrum(TP);
  // The product holds only its simple currents now: the next spectrum request starts afresh.
  TP->SpectrumChanged = 1;
  if (status < 0) return -1;

  TachyonSearch search;
  search.TP = TP;
  search.currents = TP->NumberOfSimpleCurrents;
  const std::size_t N = static_cast<std::size_t>(search.currents);
  search.weights.resize(N);
  search.exact.resize(N);
  search.isSpinor.assign(N, 0);
  search.isScalar.assign(N, 0);
  search.member.assign(N, 0);
  for (std::size_t c = 0; c < N; ++c) {
    obeyInterruptRequest();
    search.exact[c] = exactWeight(TP, TP->Spectrum.row(static_cast<int>(c)), &search.weights[c]) ? 1 : 0;
  }

  const int n = TP->NumberOfFactors;
  for (int c = 1; c < search.currents; ++c) {
    obeyInterruptRequest();
    const int* labels = labelsOf(search, c);
    if (supersymmetryCurrent(search, c)) {
      PrintVec(n, labels, "Susy current:");
      continue;
    }
    if (integerWeight(search, c) && !powersAcceptable(search, c)) continue;
    if (labels[0] == 1) {
      if (spinorOrdered(search, c)) search.spinors.push_back(c);
    } else if (labels[0] == 0) {
      search.scalars.push_back(c);
    }
  }
  checkOrbitStructure(TP, search.spinors);
  checkOrbitStructure(TP, search.scalars);
  for (int c : search.spinors) search.isSpinor[static_cast<std::size_t>(c)] = 1;
  for (int c : search.scalars) search.isScalar[static_cast<std::size_t>(c)] = 1;
  PrintVec(static_cast<int>(search.spinors.size()), search.spinors.data(), "Spinors");

  for (int S : search.spinors) {
    search.spinor = S;
    // A spinor whose own powers are refused cannot extend the chiral algebra at all.
    if (!completeAlgebra(search, {0}, S, search.algebras[0], 0)) continue;
    PrintVec(static_cast<int>(search.algebras[0].size()), search.algebras[0].data(), "Algebra");
    search.projections[0].assign(static_cast<std::size_t>(getTachyonCount()), 0);
    if (checkTachyonProjection(S, search.projections[0], TP) == 1) {
      Print("Succeeded at level 0!\n");
      PrintVec(static_cast<int>(search.algebras[0].size()), search.algebras[0].data(), "Algebra");
      continue;
    }
    addScalarCurrent(search, 1);
    if (search.failed) return -1;
    if (search.succeeded) break;
  }
  Print("Computation completed\n");
  return 0;
}

int isTensorSuperCurrent(int f, TensorProduct* TP) {
  if (f < 0 || f >= TP->Spectrum.size() || TP->NumberOfFactors == 0) return 0;
  std::vector<int> image(static_cast<std::size_t>(TP->NumberOfFactors));
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    obeyInterruptRequest();
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), TP->Spectrum.row(f), image.data());
    Rat h;
    if (!exactWeight(TP, image.data(), &h)) continue;
    if (h.num == h.den && isOdd(image[0])) return 1;
  }
  return 0;
}

void resetCosetTachyons() {
  TachyonState& s = tachyonState();
  s.charges.reset(0);
  s.lightFields.clear();
  s.basis.clear();
  s.basisOrder.clear();
}
