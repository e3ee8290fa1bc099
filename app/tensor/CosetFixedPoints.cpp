// Fixed-point resolution of tensor products: the matrices S^J of the fixed-point theories
// of the extension's currents, assembled from the factors' own S^J, and the fixed-point
// theories of a record stored from a tensor product.
//
// Representation. The fix centre (`FixCenter`) holds every row of factor currents in which
// each factor's current is trivial or has a fixed-point theory in that factor, in odometer
// order (the last factor fastest), so that element 0 is the identity; products are
// factorwise simple-current actions looked up in it. A field's full fixed-point record
// (`FullFPType`) lists the fix-centre elements and the currents of the extension that fix
// it, each current's chosen fix-centre representative (untwisted against the field's
// stabiliser), the twists of the fix-centre generators against the stabiliser, and the
// cocycle that makes the phases of S^J consistent. Records are owned by the tensor product
// (`FullFPRecords`) and shared between fields with equal data; rebuilding the fix centre
// drops them all, and with them the per-field pointers of `FullStabilizers`.
//
// Phases: S^J carries exp(-i pi s/4) for the total shift s of J (H factors subtracted);
// the orbit-Lie-algebra form is S^J times exp(+i pi s/4).
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"
#include "tensor/CosetInternal.h"

AllocationAccount FullFP_alloc("FullFP_alloc");

namespace {

SpectrumData* factorOf(TensorProduct* TP, int f) { return TP->TensorFactors[static_cast<std::size_t>(f)]; }

bool isH(const TensorProduct* TP, int f) { return TP->GH[static_cast<std::size_t>(f)] != 0; }

bool spectrumField(TensorProduct* TP, int i) { return i >= 0 && i < TP->Spectrum.size(); }

int setting(const char* name, int fallback) {
  const int* p = getIntParPointer(name);
  return p != nullptr ? *p : fallback;
}

void showInfo(const char* text) {
  if (setting("Create show_info", 0) != 0) Print(text, CPUTime());
}

void rotate(double* re, double* im, double phase) {
  const double r = *re;
  const double m = *im;
  complexProduct(re, im, r, m, std::cos(phase), std::sin(phase));
}

int fixCenterLaw(int a, int b, void* ctx) { return FixCenterProduct(a, b, static_cast<TensorProduct*>(ctx)); }

AccountVector<int> ints(std::size_t n, const char* label) {
  return AccountVector<int>(n, 0, AccountAllocator<int>(&FullFP_alloc, label));
}

bool sameSet(const AccountVector<int>& held, const std::vector<int>& given) {
  if (held.size() != given.size()) return false;
  std::vector<int> a(held.begin(), held.end());
  std::vector<int> b(given);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

// The fix-centre elements that fix the field row t (the identity always does).
std::vector<int> fixingElements(TensorProduct* TP, const int* t) {
  std::vector<int> E;
  for (int e = 0; e < TP->FixCenter.size(); ++e) {
    if (TensorFixedPointField(TP, TP->FixCenter.row(e), t) != 0) E.push_back(e);
  }
  return E;
}

// One factor's S^(J_f)(a_f, b_f) as getCosetS takes it, H factors conjugated; the factor's
// shift (signed) is added to *shift. False after "Field not fixed by its stabilizer".
bool factorTerm(TensorProduct* TP, int f, int J, int a, int b, double* re, double* im, int* shift,
                const char* routine) {
  SpectrumData* sd = factorOf(TP, f);
  const int k = SM_getFCFTlbl(sd, J);
  *re = 0.0;
  *im = 0.0;
  if (k < 0) {
    Alert(routine, 1, 212404, "Field not fixed by its stabilizer");
    return false;
  }
  if (k == 0) {
    SM_getS(sd, a, b, re, im);
  } else {
    const int* labels = SM_getFCFTlabels(sd);
    const std::size_t row = static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(sd->n_primaries);
    const int fa = labels != nullptr ? labels[row + static_cast<std::size_t>(a)] : -1;
    const int fb = labels != nullptr ? labels[row + static_cast<std::size_t>(b)] : -1;
    SpectrumData* fcft = sd->fcft != nullptr ? sd->fcft[k - 1] : nullptr;
    if (fa < 0 || fb < 0 || fcft == nullptr) {
      Alert(routine, 2, 212404, "out-of-range fixed point label: %d %d (l=%d,lbl=%d,posi=%d,posj=%d)", fa, fb, f,
            k, a, b);
    } else {
      SM_getS(fcft, fa, fb, re, im);
    }
    const int s = sd->fcft_shift != nullptr ? sd->fcft_shift[k - 1] : 0;
    *shift += isH(TP, f) ? -s : s;
  }
  if (isH(TP, f)) *im = -*im;
  return true;
}

// S^J between the spectrum rows a and b whose full records hold J at positions ma and mb.
void fixedPointElement(TensorProduct* TP, const int* a, const int* b, const FullFPType* Fa, const FullFPType* Fb,
                       int ma, int mb, double* re, double* im, const char* routine) {
  *re = 0.0;
  *im = 0.0;
  const FPType* Sa = Fa->stabilizer;
  const FPType* Sb = Fb->stabilizer;
  const int nUa = Sa->group->order;
  const int nUb = Sb->group->order;
  const int ra = Fa->representatives[static_cast<std::size_t>(ma)];
  const int rb = Fb->representatives[static_cast<std::size_t>(mb)];
  const int o = getOverlap(TP, ra, rb, Sa->U, nUa, Sb->U, nUb);
  if (o < 0) return;
  const int xa = getOffset(TP, ra, o);
  const int xb = getOffset(TP, rb, o);
  if (xa < 0 || xb < 0) return;
  Rat ca{0, 1};
  Rat cb{0, 1};
  const int n = TP->NumberOfFactors;
  Cocycle(Fa, ma, a[n], &ca);
  Cocycle(Fb, mb, b[n], &cb);
  const double cocyclePhase = static_cast<double>(ca.num) / static_cast<double>(ca.den) -
                              static_cast<double>(cb.num) / static_cast<double>(cb.den);

  std::vector<int> L(static_cast<std::size_t>(n));
  double sumRe = 0.0;
  double sumIm = 0.0;
  for (int u = 0; u < nUa; ++u) {
    const int Jp = Sa->U[u];
    if (Present(Sb->U, nUb, Jp) < 0) continue;
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(Jp), TP->FixCenter.row(o), L.data());
    double pRe = 1.0;
    double pIm = 0.0;
    int shift = 0;
    for (int f = 0; f < n; ++f) {
      double xRe = 0.0;
      double xIm = 0.0;
      if (!factorTerm(TP, f, L[static_cast<std::size_t>(f)], a[f], b[f], &xRe, &xIm, &shift, routine)) {
        *re = 0.0;
        *im = 0.0;
        return;
      }
      const double r = pRe;
      const double m = pIm;
      complexProduct(&pRe, &pIm, r, m, xRe, xIm);
    }
    rotate(&pRe, &pIm, -M_PI * static_cast<double>(shift) / 4.0);
    const int ya = chiralAlgebraProduct(TP, xa, Jp);
    const int yb = chiralAlgebraProduct(TP, xb, Jp);
    Rat chiA{0, 1};
    Rat chiB{0, 1};
    if (ya >= 0) Character(Sa, ya, a[n], &chiA);
    if (yb >= 0) Character(Sb, yb, b[n], &chiB);
    const double phase = 2.0 * M_PI *
                         (static_cast<double>(chiA.num) / static_cast<double>(chiA.den) -
                          static_cast<double>(chiB.num) / static_cast<double>(chiB.den) + cocyclePhase);
    rotate(&pRe, &pIm, phase);
    sumRe += pRe;
    sumIm += pIm;
  }
  const double scale = static_cast<double>(TP->ChiralAlgebra.size()) /
                       (static_cast<double>(nUa) * Sa->sqrtSU * static_cast<double>(nUb) * Sb->sqrtSU);
  *re = sumRe * scale;
  *im = sumIm * scale;
}

// Position of current J among the record's fixed-point currents, -1 when absent.
int positionOf(const FullFPType* F, int J) {
  for (int m = 0; m < F->n_fixed; ++m) {
    if (F->fixed_currents[static_cast<std::size_t>(m)] == J) return m;
  }
  return -1;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The fix centre

void freeFullFP(TensorProduct* TP) {
  TP->FullStabilizers.clear();
  TP->FullFPRecords.clear();
  TP->FCFTDataFlag = 0;
}

int FixCenterProduct(int a, int b, TensorProduct* TP) {
  const int N = TP->FixCenter.size();
  if (a < 0 || b < 0 || a >= N || b >= N) return -1;
  std::vector<int> out(static_cast<std::size_t>(TP->NumberOfFactors));
  tensorSimpleAction(TP, TP->FixCenter.row(a), TP->FixCenter.row(b), out.data());
  return TP->FixCenter.find(out.data());
}

int FixCenterChiralAlgebraProduct(TensorProduct* TP, int f, int c) {
  if (f < 0 || f >= TP->FixCenter.size() || c < 0 || c >= TP->ChiralAlgebra.size()) return -1;
  std::vector<int> out(static_cast<std::size_t>(TP->NumberOfFactors));
  tensorSimpleAction(TP, TP->ChiralAlgebra.row(c), TP->FixCenter.row(f), out.data());
  return TP->FixCenter.find(out.data());
}

int findFixCenterElement(TensorProduct* TP, const int* row) {
  const int e = TP->FixCenter.find(row);
  if (e < 0) Alert("findFixCenterElement", 0, 212404, "Fix Center element not found");
  return e;
}

void computeFixCenter(TensorProduct* TP) {
  const int n = TP->NumberOfFactors;
  std::vector<std::vector<int>> lists(static_cast<std::size_t>(n));
  double total = 1.0;
  for (int f = 0; f < n; ++f) {
    SpectrumData* sd = factorOf(TP, f);
    for (int c = 0; c < factorGroupOrder(sd); ++c) {
      if (c == 0 || SM_getFCFTlbl(sd, c) != -1) lists[static_cast<std::size_t>(f)].push_back(c);
    }
    total *= static_cast<double>(lists[static_cast<std::size_t>(f)].size());
  }
  freeFullFP(TP);
  TP->FixCenter.reset(n);
  TP->FixCenterOrders.clear();
  std::vector<int> digits(static_cast<std::size_t>(n), 0);
  std::vector<int> row(static_cast<std::size_t>(n), 0);
  startProgressInfo("Computing fixed point current set", 0, total);
  for (bool more = n > 0; more;) {
    for (int f = 0; f < n; ++f) {
      const std::size_t k = static_cast<std::size_t>(f);
      row[k] = lists[k][static_cast<std::size_t>(digits[k])];
    }
    TP->FixCenter.add(row.data());
    incrementProgressInfo();
    more = false;
    for (int f = n - 1; f >= 0 && !more; --f) {
      const std::size_t k = static_cast<std::size_t>(f);
      if (++digits[k] < static_cast<int>(lists[k].size())) {
        more = true;
      } else {
        digits[k] = 0;
      }
    }
  }
  stopProgressInfo("Computing fixed point current set");
  const int N = TP->FixCenter.size();
  TP->FixCenterOrders.assign(static_cast<std::size_t>(N), 0);
  for (int e = 0; e < N; ++e) {
    obeyInterruptRequest();
    int order = 1;
    int r = e;
    while (r > 0 && order <= N) {
      r = FixCenterProduct(r, e, TP);
      ++order;
    }
    // A product outside the fix centre leaves the order unknown (0).
    TP->FixCenterOrders[static_cast<std::size_t>(e)] = r == 0 ? order : 0;
  }
}

// ---------------------------------------------------------------------------------------
// Full fixed-point records

int FCenterStabilizerTwist(const FullFPType* F, int p, int s) {
  const int nS = F->stabilizer->nS;
  int total = 0;
  for (int b = 0; b < F->center_group->nfactors; ++b)
    total += DG_decomp(F->center_group, p, b) * F->twists[static_cast<std::size_t>(s + b * nS)];
  return ((total % 4) + 4) % 4;
}

int checkStabilizerTwist(int p, const FullFPType* F) {
  for (int s = 0; s < F->stabilizer->nS; ++s) {
    if (FCenterStabilizerTwist(F, p, s) != 0) return 0;
  }
  return 1;
}

void getFullFPtwists(TensorProduct* TP, const int* t, int* out, const FullFPType* F) {
  const int nS = F->stabilizer->nS;
  for (int b = 0; b < F->center_group->nfactors; ++b) {
    const int generator = F->all_currents[static_cast<std::size_t>(DG_basis(F->center_group, b))];
    for (int s = 0; s < nS; ++s)
      out[s + b * nS] = cosetTwist(TP, t, TP->FixCenter.row(generator), TP->ChiralAlgebra.row(F->stabilizer->S[s]));
  }
}

int getFixRepresentative(TensorProduct* TP, int J, const FullFPType* F) {
  const int n = TP->NumberOfFactors;
  std::vector<int> product(static_cast<std::size_t>(n));
  if (spectrumField(TP, J)) {
    for (int x = 0; x < TP->ChiralAlgebra.size(); ++x) {
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(x), TP->Spectrum.row(J), product.data());
      const int f = TP->FixCenter.find(product.data());
      if (f < 0) continue;
      const int p = Present(F->all_currents.data(), F->n_all, f);
      if (p >= 0 && checkStabilizerTwist(p, F) != 0) return f;
    }
  }
  Alert("getFixRepresentative", 0, 212404, "No untwisted fixed point current found");
  if (spectrumField(TP, J)) PrintVec(n, TP->Spectrum.row(J), "current j");
  for (int x = 0; x < TP->ChiralAlgebra.size() && spectrumField(TP, J); ++x) {
    Print("chiral current j=%d\n", x);
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(x), TP->Spectrum.row(J), product.data());
    PrintVec(n, product.data(), "product");
    const int f = TP->FixCenter.find(product.data());
    if (f >= 0) Print("found as l=%d\n", f);
    const int p = f >= 0 ? Present(F->all_currents.data(), F->n_all, f) : -1;
    if (p >= 0) Print("found as k=%d\n", p);
  }
  PrintVec(F->n_all, F->all_currents.data(), "fp->all_currents");
  return 0;
}

FullFPType* findFullFP(TensorProduct* TP, const int* t, const std::vector<int>& E, const std::vector<int>& Q,
                       const FPType* stabilizer) {
  for (const std::unique_ptr<FullFPType>& record : TP->FullFPRecords) {
    FullFPType* F = record.get();
    if (!F->complete || F->n_all != static_cast<int>(E.size()) || !sameSet(F->all_currents, E) ||
        !sameSet(F->fixed_currents, Q))
      continue;
    if (F->stabilizer != stabilizer) {
      Alert("findFullFP", 0, 100201, "Same elements, different stabilizer");
      return nullptr;
    }
    std::vector<int> twists(F->twists.size());
    getFullFPtwists(TP, t, twists.data(), F);
    if (std::equal(twists.begin(), twists.end(), F->twists.begin())) return F;
  }
  return nullptr;
}

std::unique_ptr<FullFPType> allocFullFP(int nAll, int nFixed, int nU) {
  if (nAll < 1 || nFixed < 1 || nU < 1) {
    Alert("allocFullFP", 0, 120505, "Cannot allocate FullFPType");
    return nullptr;
  }
  auto F = std::make_unique<FullFPType>();
  F->n_all = nAll;
  F->n_fixed = nFixed;
  F->all_currents = ints(static_cast<std::size_t>(nAll), "Full FP info");
  F->fixed_currents = ints(static_cast<std::size_t>(nFixed), "Full FP info");
  F->representatives = ints(static_cast<std::size_t>(nFixed), "Full FP info");
  F->cocycles = ints(static_cast<std::size_t>(nFixed) * static_cast<std::size_t>(nU), "Full FP info");
  return F;
}

FullFPType* getFullFP(TensorProduct* TP, const int* t, const std::vector<int>& E, const std::vector<int>& Q,
                      FPType* stabilizer, DGType* G, const int* M) {
  if (E.empty() || Q.empty() || stabilizer == nullptr || G == nullptr) return nullptr;
  FullFPType* found = findFullFP(TP, t, E, Q, stabilizer);
  if (found != nullptr) return found;
  const int nU = stabilizer->group->order;
  std::unique_ptr<FullFPType> owned = allocFullFP(static_cast<int>(E.size()), static_cast<int>(Q.size()), nU);
  if (owned == nullptr) return nullptr;
  FullFPType* F = owned.get();
  TP->FullFPRecords.push_back(std::move(owned));
  F->stabilizer = stabilizer;

  // The two groups, their elements in canonical order.
  std::vector<int> orders(TP->FixCenterOrders.begin(), TP->FixCenterOrders.end());
  F->center_group = DG_mapSubProductNEW(F->all_currents.data(), orders.data(), TP->FixCenter.size(), F->n_all,
                                        E.data(), TP, fixCenterLaw, nullptr);
  F->current_group = DG_mapSubGroupNEW(F->fixed_currents.data(), F->n_fixed, Q.data(), G);
  if (F->center_group == nullptr || F->current_group == nullptr) {
    Alert("getFullFP", 0, 120505, "Cannot allocate FullFPType");
    return nullptr;
  }
  const int nS = stabilizer->nS;
  F->twists = ints(static_cast<std::size_t>(nS) * static_cast<std::size_t>(std::max(1, F->center_group->nfactors)),
                   "Full FP twists");
  getFullFPtwists(TP, t, F->twists.data(), F);

  // Representatives: one per generator of the current group, then their products.
  const DGType* cg = F->current_group;
  std::vector<int> generatorRep(static_cast<std::size_t>(cg->nfactors));
  for (int g = 0; g < cg->nfactors; ++g) {
    const int current = F->fixed_currents[static_cast<std::size_t>(DG_basis(cg, g))];
    const int field = M != nullptr ? M[current] : current;
    generatorRep[static_cast<std::size_t>(g)] = getFixRepresentative(TP, field, F);
  }
  for (int m = 0; m < F->n_fixed; ++m) {
    int r = 0;
    for (int g = 0; g < cg->nfactors && r >= 0; ++g) {
      for (int e = DG_decomp(cg, m, g); e > 0 && r >= 0; --e) r = FixCenterProduct(r, generatorRep[static_cast<std::size_t>(g)], TP);
    }
    if (r < 0) {
      Alert("getFullFP", 1, 212404, "Representative closure problem");
      return nullptr;
    }
    F->representatives[static_cast<std::size_t>(m)] = r;
  }

  // Cocycles: W[g][t] = L q with q the optimal n_g-th root of the character of U generator
  // t at rep_g^(n_g), a chiral-algebra element.
  const DGType* U = stabilizer->group;
  long long L = 1;
  for (int g = 0; g < cg->nfactors; ++g) L = std::lcm(L, static_cast<long long>(nU) * cg->factors[g]);
  std::vector<long long> W(static_cast<std::size_t>(cg->nfactors) * static_cast<std::size_t>(U->nfactors), 0);
  for (int g = 0; g < cg->nfactors; ++g) {
    const int ng = cg->factors[g];
    const std::vector<int> power = tensorPower(TP, TP->FixCenter.row(generatorRep[static_cast<std::size_t>(g)]), ng);
    const int P = findChiralAlgebraElement(TP, power.data());
    if (P < 0) return F;  // unfinished: not shared, its cocycles stay 0
    for (int tU = 0; tU < U->nfactors; ++tU) {
      Rat chi{0, 1};
      Character(stabilizer, P, stabilizer->map[DG_basis(U, tU)], &chi);
      const long long q[2] = {chi.num, chi.den};
      Rat root{0, 1};
      optimalRoot(q, &root, ng);
      W[static_cast<std::size_t>(g * U->nfactors + tU)] = root.den != 0 ? L * root.num / root.den : 0;
    }
  }
  for (int m = 0; m < F->n_fixed; ++m) {
    for (int u = 0; u < nU; ++u) {
      long long sum = 0;
      for (int g = 0; g < cg->nfactors; ++g) {
        for (int tU = 0; tU < U->nfactors; ++tU)
          sum += static_cast<long long>(DG_decomp(U, u, tU)) * DG_decomp(cg, m, g) *
                 W[static_cast<std::size_t>(g * U->nfactors + tU)];
      }
      F->cocycles[static_cast<std::size_t>(u + nU * m)] = static_cast<int>(sum % L);
    }
  }
  F->denominator = static_cast<int>(L);
  F->complete = true;
  return F;
}

int getOverlap(TensorProduct* TP, int f1, int f2, const int* U1, int n1, const int* U2, int n2) {
  if (f1 == f2) return f1;
  std::vector<int> second;
  for (int v = 0; v < n2; ++v) second.push_back(FixCenterChiralAlgebraProduct(TP, f2, U2[v]));
  for (int u = 0; u < n1; ++u) {
    const int x = FixCenterChiralAlgebraProduct(TP, f1, U1[u]);
    if (x >= 0 && std::find(second.begin(), second.end(), x) != second.end()) return x;
  }
  return -1;
}

int getOffset(TensorProduct* TP, int f, int g) {
  for (int x = 0; x < TP->ChiralAlgebra.size(); ++x) {
    if (FixCenterChiralAlgebraProduct(TP, f, x) == g) return x;
  }
  Alert("getOffset", 0, 212404, "Offset not found");
  return -1;
}

std::vector<int> getAllReps(TensorProduct* TP, int f, const int* list, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(FixCenterChiralAlgebraProduct(TP, f, list[i]));
  return out;
}

void Cocycle(const FullFPType* F, int m, int l, Rat* out) {
  *out = Rat{0, 1};
  const FPType* S = F->stabilizer;
  const int nU = S->group->order;
  if (nU == 1) return;
  const int i = Present(S->map, nU, l);
  if (i < 0 || m < 0 || m >= F->n_fixed) {
    Alert("Cocycle", 0, 212404, "Unidentified fix point label");
    return;
  }
  *out = Rat{F->cocycles[static_cast<std::size_t>(i + nU * m)], F->denominator};
  simplifyRat(out);
}

void printFullFP(TensorProduct* TP, const FullFPType* F) {
  const int n = TP->NumberOfFactors;
  Print("Stabilizer:\n");
  PrintVec(F->stabilizer->group->order, F->stabilizer->U, "U");
  Print("Structure of extended currents:\n");
  Print("Fixed point currents: ");
  for (int m = 0; m < F->n_fixed; ++m) Print(" -- Elt[%d]=%d ", m, F->fixed_currents[static_cast<std::size_t>(m)]);
  Print("\n");
  DG_print(F->current_group);
  for (int g = 0; g < F->current_group->nfactors; ++g) Print("Basis element %d: %d\n", g, DG_basis(F->current_group, g));
  Print("Structure of all fixed point currents:\n");
  Print("All currents: ");
  for (int e = 0; e < F->n_all; ++e) PrintVec(n, TP->FixCenter.row(F->all_currents[static_cast<std::size_t>(e)]), "");
  DG_print(F->center_group);
  for (int g = 0; g < F->center_group->nfactors; ++g) Print("Basis element %d: %d\n", g, DG_basis(F->center_group, g));
  PrintVec(F->n_fixed, F->representatives.data(), "Representatives ");
  const int nS = F->stabilizer->nS;
  for (int g = 0; g < F->center_group->nfactors; ++g)
    PrintVec(nS, F->twists.data() + static_cast<std::size_t>(g) * nS, "Twists of generators");
}

// ---------------------------------------------------------------------------------------
// S^J of the current tensor product

void initializeCosetFCFTData(TensorProduct* TP) {
  if (TP->FCFTDataFlag == 1) return;
  if (TP->SpectrumChanged != 0 && computeTensorSpectrum(TP) != 0) return;
  computeFixCenter(TP);
  TP->FixedPointCurrents.clear();
  for (int c = 1; c < TP->NumberOfSimpleCurrents; ++c) {
    if (TensorFixedPointLabels(TP, TP->Spectrum.row(c), nullptr) >= 0 && TensorFixedPointCheck(TP, c) != 0)
      TP->FixedPointCurrents.push_back(c);
  }
  TP->NumberOfFixedPointCurrents = static_cast<int>(TP->FixedPointCurrents.size());
  const int N = TP->Spectrum.size();
  TP->FullStabilizers.assign(static_cast<std::size_t>(N), nullptr);
  for (int t = 0; t < N && t < static_cast<int>(TP->Stabilizers.size()); ++t) {
    obeyInterruptRequest();
    const int* row = TP->Spectrum.row(t);
    const std::vector<int> E = fixingElements(TP, row);
    if (E.empty()) break;
    std::vector<int> Q{0};
    for (int c : TP->FixedPointCurrents) {
      if (CT_simpleCurrentAction(c, t, TP) == t) Q.push_back(c);
    }
    TP->FullStabilizers[static_cast<std::size_t>(t)] =
        getFullFP(TP, row, E, Q, TP->Stabilizers[static_cast<std::size_t>(t)], TP->CurrentGroup, nullptr);
  }
  TP->FCFTDataFlag = 1;
}

void getCosetFCFT_S_matrix_elt(TensorProduct* TP, int J, int i, int j, double* re, double* im) {
  if (CT_get_S_CALL_TRACE() == 1)
    PrintStdout("getCosetFCFT_S; Tensor product %p, lbli=%d, lblj=%d\n", static_cast<void*>(TP), i, j);
  *re = 0.0;
  *im = 0.0;
  const int N = static_cast<int>(TP->FullStabilizers.size());
  if (i < 0 || j < 0 || i >= N || j >= N) {
    Alert("getCosetFCFT_S", 0, 212404, "Field out of range (%d fields)", TP->Spectrum.size());
    return;
  }
  const FullFPType* Fa = TP->FullStabilizers[static_cast<std::size_t>(i)];
  const FullFPType* Fb = TP->FullStabilizers[static_cast<std::size_t>(j)];
  if (Fa == nullptr || Fb == nullptr) return;
  const int ma = positionOf(Fa, J);
  const int mb = positionOf(Fb, J);
  if (ma < 0 || mb < 0) return;
  fixedPointElement(TP, TP->Spectrum.row(i), TP->Spectrum.row(j), Fa, Fb, ma, mb, re, im, "getCosetFCFT_S");
}

void CT_getFCFT_Smatrix(TensorProduct* TP, int J, int i, int j, double* re, double* im) {
  if (CT_get_S_CALL_TRACE() == 1)
    PrintStdout("CT_getFCFT_Smatrix; Tensor product %p, lbl1=%d, lbl2=%d\n", static_cast<void*>(TP), i, j);
  *re = 0.0;
  *im = 0.0;
  initializeCosetFCFTData(TP);
  if (TP->FCFTDataFlag != 1) return;
  getCosetFCFT_S_matrix_elt(TP, J, i, j, re, im);
}

void CT_getOLA_Smatrix(TensorProduct* TP, int J, int i, int j, double* re, double* im) {
  if (CT_get_S_CALL_TRACE() == 1)
    PrintStdout("CT_getOLA_Smatrix; Tensor product %p, lbl1=%d, lbl2=%d\n", static_cast<void*>(TP), i, j);
  *re = 0.0;
  *im = 0.0;
  initializeCosetFCFTData(TP);
  if (TP->FCFTDataFlag != 1 || !spectrumField(TP, J)) return;
  getCosetFCFT_S_matrix_elt(TP, J, i, j, re, im);
  if (*re == 0.0 && *im == 0.0) return;
  rotate(re, im, M_PI * static_cast<double>(getTotalFCFTshift(TP, TP->Spectrum.row(J))) / 4.0);
}

// ---------------------------------------------------------------------------------------
// Fixed-point theories of a record stored from a tensor product

namespace {

// S^J(a, b) for the fixed-point current i of sd alone, a and b given by their tensor rows;
// 0 when the current is missing from either record.
void cosetFCFTElement(TensorProduct* TP, const int* rowA, const int* rowB, const FullFPType* Fa,
                      const FullFPType* Fb, SpectrumData* sd, int i, double* re, double* im) {
  *re = 0.0;
  *im = 0.0;
  const SpectrumData* fcft = sd->fcft[i];
  if (fcft != nullptr && fcft->s_available == 0) Print("S NOT AVAILABLE\n");
  const int J = sd->fp_currents[i];
  const int ma = positionOf(Fa, J);
  const int mb = positionOf(Fb, J);
  if (ma < 0 || mb < 0) return;
  fixedPointElement(TP, rowA, rowB, Fa, Fb, ma, mb, re, im, "getCosetFCFT_S");
}

void traceCosetFCFT_S(TensorProduct* TP, const SpectrumData* sd) {
  if (CT_get_S_CALL_TRACE() == 1)
    PrintStdout("getCosetFCFT_S; Tensor product %p, cft %s\n", static_cast<void*>(TP), sd->name);
}

}  // namespace

void getCosetFCFT_S(TensorProduct* TP, int a, int b, double* re, double* im, const FullFPType* Fa,
                    const FullFPType* Fb, SpectrumData* sd, int count) {
  traceCosetFCFT_S(TP, sd);
  const int* rowA = TP->Spectrum.row(sd->field_map[a]);
  const int* rowB = TP->Spectrum.row(sd->field_map[b]);
  for (int i = 0; i < count; ++i) cosetFCFTElement(TP, rowA, rowB, Fa, Fb, sd, i, &re[i], &im[i]);
}

void computeAllFixedPointMatrices(TensorProduct* TP, SpectrumData* sd, int count) {
  if (CT_get_S_CALL_TRACE() == 1)
    PrintStdout("computeAllFixedPointMatrices; Tensor product %p, algebra %s\n", static_cast<void*>(TP), sd->name);
  count = std::min(count, sd->n_fp_currents);
  if (count < 1 || sd->fcft == nullptr) return;
  // The matrices are sized together first: each may fit while all of them would not.
  long double elements = 0.0L;
  for (int i = 0; i < count; ++i) {
    const SpectrumData* f = sd->fcft[i];
    if (f == nullptr) continue;
    const long double m = static_cast<long double>(f->n_orbits);
    elements += m * m * (f->complex == 1 ? 2.0L : 1.0L);
  }
  bool refused = !requireAllocationSize("computeAllFixedPointMatrices", "The S matrices of the fixed-point theories",
                                        elements, sizeof(double));
  if (refused)
    Alert("computeAllFixedPointMatrices", 0, 100201, "Failed to allocate FCFT S matrix; skipping all others as well");
  for (int i = 0; i < count && !refused; ++i) {
    SpectrumData* f = sd->fcft[i];
    // Warnings, not fatal errors: the theory stays usable, its S^J computed when asked for.
    if (f == nullptr || f->s_available == 0) {
      Alert("computeAllFixedPointMatrices", 1, 100201, "S not available for some FCFT's; skipping all others as well");
      refused = true;
    } else if (SM_allocSBase(f) == -1) {
      Alert("computeAllFixedPointMatrices", 0, 100201, "Failed to allocate FCFT S matrix; skipping all others as well");
      refused = true;
    }
  }
  if (refused) {
    for (int i = 0; i < sd->n_fp_currents; ++i) {
      if (sd->fcft[i] != nullptr) sd->fcft[i]->s_available = 0;
    }
    return;
  }

  computeFixCenter(TP);
  const int n = sd->n_primaries;
  // Records only for the fields some of the theories fix, and for each theory the pairs of
  // its own fields: the work is the sum of the squares of the theories' sizes (the size of
  // their S matrices), never the square of the number of fields.
  std::vector<const FullFPType*> records(static_cast<std::size_t>(n), nullptr);
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    const int t = sd->field_map[a];
    if (!spectrumField(TP, t) || t >= static_cast<int>(TP->Stabilizers.size())) continue;
    std::vector<int> Q{0};
    for (int i = 0; i < count; ++i) {
      if (sd->fcft_labels[static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(a)] >= 0)
        Q.push_back(sd->fp_currents[i]);
    }
    // A field no theory needs gets no record: its S^J elements are never stored.
    if (Q.size() == 1) continue;
    const int* row = TP->Spectrum.row(t);
    const std::vector<int> E = fixingElements(TP, row);
    if (E.empty()) break;
    records[static_cast<std::size_t>(a)] =
        getFullFP(TP, row, E, Q, TP->Stabilizers[static_cast<std::size_t>(t)], sd->scgroup, sd->field_map);
  }
  // Per theory, its fields that have a record, in field order.
  std::vector<std::vector<int>> members(static_cast<std::size_t>(count));
  double rows = 0.0;
  for (int i = 0; i < count; ++i) {
    const int* labels = sd->fcft_labels + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
    for (int a = 0; a < n; ++a) {
      obeyInterruptRequest();
      if (labels[a] >= 0 && records[static_cast<std::size_t>(a)] != nullptr) members[static_cast<std::size_t>(i)].push_back(a);
    }
    rows += static_cast<double>(members[static_cast<std::size_t>(i)].size());
  }

  // Asks, in an interactive run, before work expected to take more than a minute; declined,
  // the elements not computed yet are computed when asked for.
  startProgressInfo("Computing fixed point matrices", 1, rows);
  bool declined = false;
  for (int i = 0; i < count && !declined; ++i) {
    SpectrumData* f = sd->fcft[i];
    const int* labels = sd->fcft_labels + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
    const double angle = M_PI * static_cast<double>(sd->fcft_shift[i]) / 4.0;
    const double phaseRe = std::cos(angle);
    const double phaseIm = std::sin(angle);
    // Sizes in 64 bits: m x m elements, the imaginary half behind the real one.
    const std::uint64_t size = static_cast<std::uint64_t>(f->n_orbits);
    const std::vector<int>& fields = members[static_cast<std::size_t>(i)];
    for (int a : fields) {
      if (incrementProgressInfo() != 0) {
        declined = true;
        break;
      }
      const FullFPType* Fa = records[static_cast<std::size_t>(a)];
      const int* rowA = TP->Spectrum.row(sd->field_map[a]);
      for (int b : fields) {
        obeyInterruptRequest();
        traceCosetFCFT_S(TP, sd);
        double re = 0.0;
        double im = 0.0;
        cosetFCFTElement(TP, rowA, TP->Spectrum.row(sd->field_map[b]), Fa, records[static_cast<std::size_t>(b)],
                         sd, i, &re, &im);
        double r = 0.0;
        double m = 0.0;
        complexProduct(&r, &m, re, im, phaseRe, phaseIm);
        const std::uint64_t index = static_cast<std::uint64_t>(labels[b]) + size * static_cast<std::uint64_t>(labels[a]);
        f->sbase.set(index, r);
        if (f->complex == 1) f->sbase.set(size * size + index, m);
      }
    }
  }
  stopProgressInfo("Computing fixed point matrices");
}

int initFCFT(TensorProduct* TP, SpectrumData* sd) {
  if (TP == nullptr) {
    Alert("initFCFT", 0, 212404, "Cannot compute Tensor FCFT; Tensor data not available");
    return -1;
  }
  showInfo("Initiating FCFT's; time: %7.2f\n");
  const std::string base = sd->name;
  const int N = sd->scgroup != nullptr ? sd->scgroup->order : 1;
  int* currents = SM_allocInts(sd, static_cast<std::size_t>(N), "Fixed point currents");
  if (currents == nullptr) return -1;
  sd->fp_currents = currents;
  sd->n_fp_currents = 0;
  if (N <= 1) return 0;

  showInfo("Determining fixed point currents; time %7.2f\n");
  const bool minimalN2 = TP->MinimalN2Level >= 0;
  int count = 0;
  int factorCurrents = 0;
  if (minimalN2) {
    // The N=2 minimal model: one fixed-point current exactly when N/4 is even.
    if ((N / 4) % 2 == 0) currents[count++] = (N / 8) % 2 == 1 ? N / 4 : 3 * N / 4;
    factorCurrents = count;
  } else {
    std::vector<int> others;
    const std::vector<char> hasFixedPoints = SM_fixedPointCurrentFlags(sd);
    for (int c = 1; c < N; ++c) {
      if (hasFixedPoints[static_cast<std::size_t>(c)] == 0) continue;
      const int t = sd->field_map[c];
      bool ofFactors = spectrumField(TP, t);
      for (int f = 0; f < TP->NumberOfFactors && ofFactors; ++f)
        ofFactors = TP->Spectrum.row(t)[f] < factorGroupOrder(factorOf(TP, f));
      if (ofFactors) {
        currents[count++] = c;
      } else {
        others.push_back(c);
      }
    }
    factorCurrents = count;
    for (int c : others) currents[count++] = c;
  }
  sd->n_fp_currents = count;
  showInfo("Allocating FCFT; time %7.2f\n");
  if (count == 0) return 0;
  SM_allocFieldInfo_FCFT(sd);
  if (sd->fcft == nullptr || sd->fcft_labels == nullptr) return -1;
  const int n = sd->n_primaries;

  if (minimalN2 && n > 50000) {
    // Fast path: the fixed points are the fields whose first label is N/4 - 2.
    const int J = currents[0];
    const int t = sd->field_map[J];
    const int shift = spectrumField(TP, t) ? getTotalFCFTshift(TP, TP->Spectrum.row(t)) : 0;
    int* row = sd->fcft_labels;
    int kept = 0;
    for (int a = 0; a < n; ++a) {
      obeyInterruptRequest();
      row[a] = sd->labels[static_cast<std::size_t>(a) * sd->rep_size] == N / 4 - 2 ? kept++ : -1;
    }
    SpectrumData* f = SM_createFCFT((base + "_0").c_str(), sd, row, kept);
    if (f == nullptr) return -1;
    sd->fcft[0] = f;
    sd->fcft_shift[0] = shift;
    f->c += shift;
    f->type = kStoreTypeMinimalFCFT;
    f->rank = 2;
    f->level = sd->level;
    f->parent_current = J;
    return 0;
  }

  const int storeFixed = setting("Store_S_FCFT", 2);
  for (int i = 0; i < count; ++i) {
    if (setting("Create show_info", 0) != 0) Print("New FCFT: %d; time %7.2f\n", i, CPUTime());
    const int J = currents[i];
    const int t = sd->field_map[J];
    const bool ofExtension = spectrumField(TP, t) && t < TP->NumberOfSimpleCurrents;
    const int shift = ofExtension ? getTotalFCFTshift(TP, TP->Spectrum.row(t)) : 0;
    int* row = sd->fcft_labels + static_cast<std::size_t>(i) * static_cast<std::size_t>(n);
    const int kept = SM_fixedPointRow(sd, J, row);
    SpectrumData* f = SM_createFCFT((base + "_" + std::to_string(i)).c_str(), sd, row, kept);
    if (f == nullptr) return -1;
    sd->fcft[i] = f;
    sd->fcft_shift[i] = shift;
    if (storeFixed == 0) f->store_s = 0;
    f->complex = 1;
    SM_allocFieldInfo_Map(f);
    if (f->field_map != nullptr) {
      std::fill(f->field_map, f->field_map + 2 * static_cast<std::size_t>(kept), -1);
      for (int a = 0; a < n; ++a) {
        obeyInterruptRequest();
        if (row[a] >= 0) f->field_map[row[a]] = sd->field_map[a];
      }
    }
    f->parent_current = J;
    if (!ofExtension) f->s_available = 0;
    f->c += shift;
  }
  showInfo("Computing fixed point matrices; time %7.2f\n");
  if (storeFixed == 2) computeAllFixedPointMatrices(TP, sd, factorCurrents);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Services through the tensor hooks

namespace {

int shiftOfField(TensorProduct* TP, int J) {
  if ((TP->SpectrumChanged != 0 && computeTensorSpectrum(TP) != 0) || !spectrumField(TP, J)) return 0;
  return getTotalFCFTshift(TP, TP->Spectrum.row(J));
}

int validityOf(TensorProduct* TP) {
  int validity = 3;
  for (const SpectrumData* sd : TP->TensorFactors) validity = std::min(validity, sd->validity);
  return validity;
}

int contentsOf(TensorProduct* TP) {
  if (TP->ContentsFlag == 1) return 1;
  return InfoComputable(TP, 1) != 0 ? 1 : 0;
}

int extensionOf(const TensorProduct* TP) { return TP->ExtensionNumber; }

// The S of a fixed-point theory of a stored record, asked through the tensor fields of the
// current and of the two fields.
void recordFixedPointS(TensorProduct* TP, int current, const int* a, const int* b, double* re, double* im) {
  CT_getOLA_Smatrix(TP, current, *a, *b, re, im);
}

}  // namespace

void installFixedPointHooks(TensorHooks& hooks) {
  hooks.CT_getOLA_Smatrix = recordFixedPointS;
  hooks.CT_getFCFT_Smatrix = CT_getFCFT_Smatrix;
  hooks.CT_getOLA_SmatrixOfFields = CT_getOLA_Smatrix;
  hooks.getTotalFCFTshiftOfField = shiftOfField;
  hooks.CT_getCurrentTwist = CT_getCurrentTwist;
  hooks.CT_isValidCFT = validityOf;
  hooks.CT_initContents = contentsOf;
  hooks.CT_getCurrentOuterAutomorphisms = CT_getCurrentOuterAutomorphisms;
  hooks.CT_TotalOuterAutomorphisms = CT_TotalOuterAutomorphisms;
  hooks.CT_getCurrentPermutation = CT_getCurrentPermutation;
  hooks.getExtensionNumber = extensionOf;
  hooks.initFCFT = initFCFT;
}
