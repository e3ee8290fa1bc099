// S and T of the extended theory of a tensor product or coset.
//
// S between two fields is a sum over the chiral-algebra elements J that fix both and are
// untwisted on both (U_a ∩ U_b). Each term is the product over the factors of the
// factor's fixed-point S matrix S^(J_f) (its own S when J_f is trivial), H factors
// complex-conjugated, with the phase of the factors' shifts, weighted by the characters
// of U that label the two resolved fields. Fields without fixed points reduce to |C|
// times the product of the factor S elements. T, its root and log T ignore the
// resolution label: resolved fields share their weight.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

SpectrumData* factorOf(TensorProduct* TP, int f) { return TP->TensorFactors[static_cast<std::size_t>(f)]; }

bool isH(const TensorProduct* TP, int f) { return TP->GH[static_cast<std::size_t>(f)] != 0; }

bool fieldInRange(TensorProduct* TP, int i, const char* routine) {
  if (i >= 0 && i < TP->Spectrum.size() && i < static_cast<int>(TP->Stabilizers.size())) return true;
  Alert(routine, 0, 212404, "Field %d out of range (%d fields)", i, TP->Spectrum.size());
  return false;
}

// Multiplies (re, im) by exp(i phase).
void rotate(double* re, double* im, double phase) {
  const double r = *re;
  const double m = *im;
  complexProduct(re, im, r, m, std::cos(phase), std::sin(phase));
}

// One factor's contribution to the term of the common stabiliser element whose factor
// label is J: the factor's S^J between a and b. Adds the factor's shift (signed for H)
// to *shift. False when J has no fixed-point theory in this factor.
bool factorFixedPointS(TensorProduct* TP, int f, int J, int a, int b, double* re, double* im,
                       int* shift) {
  SpectrumData* sd = factorOf(TP, f);
  const int k = SM_getFCFTlbl(sd, J);
  if (k < 0) return false;
  if (k == 0) {
    SM_getS(sd, a, b, re, im);
    return true;
  }
  const int* labels = SM_getFCFTlabels(sd);
  const std::size_t row = static_cast<std::size_t>(k - 1) * static_cast<std::size_t>(sd->n_primaries);
  const int fa = labels != nullptr ? labels[row + static_cast<std::size_t>(a)] : -1;
  const int fb = labels != nullptr ? labels[row + static_cast<std::size_t>(b)] : -1;
  SpectrumData* fcft = sd->fcft != nullptr ? sd->fcft[k - 1] : nullptr;
  if (fa >= 0 && fb >= 0 && fcft != nullptr) {
    SM_getS(fcft, fa, fb, re, im);
  } else {
    *re = 0.0;
    *im = 0.0;
  }
  const int s = sd->fcft_shift != nullptr ? sd->fcft_shift[k - 1] : 0;
  *shift += isH(TP, f) ? -s : s;
  return true;
}

// Diagonal T (root 0) or sqrt(T) (root 1) of field i: the product of the factors', the H
// factors' conjugated.
void diagonalPhase(TensorProduct* TP, int i, int j, double* re, double* im, bool root) {
  *re = 0.0;
  *im = 0.0;
  const char* routine = root ? "getCosetrootT" : "getCosetT";
  if (!fieldInRange(TP, i, routine) || !fieldInRange(TP, j, routine) || i != j) return;
  const int* a = TP->Spectrum.row(i);
  double pRe = 1.0;
  double pIm = 0.0;
  for (int f = 0; f < TP->NumberOfFactors; ++f) {
    double xRe = 0.0;
    double xIm = 0.0;
    if (root) {
      SM_getrootT(factorOf(TP, f), a[f], a[f], &xRe, &xIm);
    } else {
      SM_getT(factorOf(TP, f), a[f], a[f], &xRe, &xIm);
    }
    if (isH(TP, f)) xIm = -xIm;
    const double r = pRe;
    const double m = pIm;
    complexProduct(&pRe, &pIm, r, m, xRe, xIm);
  }
  *re = pRe;
  *im = pIm;
}

}  // namespace

namespace {

// The direct providers of cosetSElement: every factor element, phase and character worked
// out when asked.
struct DirectS {
  bool factorS(TensorProduct* TP, int f, int J, int a, int b, double* re, double* im, int* shift) {
    return factorFixedPointS(TP, f, J, a, b, re, im, shift);
  }
  void turn(double* re, double* im, double phase) { rotate(re, im, phase); }
  void character(const FPType* F, int e, int label, Rat* chi) { Character(F, e, label, chi); }
};

// S_ij of the extended theory (see the file comment), its factor elements, rotations and
// characters from the provider, which must answer as DirectS does.
template <class Provider>
void cosetSElement(TensorProduct* TP, int i, int j, Provider& provider, double* re, double* im) {
  // Every early return, "Field not fixed by its stabilizer" included, leaves 0.
  *re = 0.0;
  *im = 0.0;
  if (CT_get_S_CALL_TRACE() == 1) {
    PrintStdout("getCosetS; Tensor product %p, lbli=%d, lblj=%d\n", static_cast<void*>(TP), i, j);
  }
  if (!fieldInRange(TP, i, "getCosetS") || !fieldInRange(TP, j, "getCosetS")) return;
  const int n = TP->NumberOfFactors;
  const int* a = TP->Spectrum.row(i);
  const int* b = TP->Spectrum.row(j);
  const FPType* Fa = TP->Stabilizers[static_cast<std::size_t>(i)];
  const FPType* Fb = TP->Stabilizers[static_cast<std::size_t>(j)];
  const int nUa = Fa->group->order;
  const int nUb = Fb->group->order;

  // The common untwisted stabiliser, in the order of U_a.
  TP->Sc.clear();
  for (int u = 0; u < nUa; ++u) {
    for (int v = 0; v < nUb; ++v) {
      if (Fa->U[u] == Fb->U[v]) {
        TP->Sc.push_back(Fa->U[u]);
        break;
      }
    }
  }
  const std::size_t k = TP->Sc.size();
  TP->RealSS.assign(2 * k, 0.0);

  for (std::size_t e = 0; e < k; ++e) {
    const int* J = TP->ChiralAlgebra.row(TP->Sc[e]);
    double pRe = 1.0;
    double pIm = 0.0;
    int shift = 0;
    for (int f = 0; f < n; ++f) {
      double xRe = 0.0;
      double xIm = 0.0;
      if (!provider.factorS(TP, f, J[f], a[f], b[f], &xRe, &xIm, &shift)) {
        Alert("getCosetS", 1, 212404, "Field not fixed by its stabilizer");
        return;
      }
      if (isH(TP, f)) xIm = -xIm;
      const double r = pRe;
      const double m = pIm;
      complexProduct(&pRe, &pIm, r, m, xRe, xIm);
    }
    provider.turn(&pRe, &pIm, -M_PI * static_cast<double>(shift) / 4.0);
    TP->RealSS[e] = pRe;
    TP->RealSS[k + e] = pIm;
  }

  const int la = a[n];
  const int lb = b[n];
  double sumRe = 0.0;
  double sumIm = 0.0;
  for (std::size_t e = 0; e < k; ++e) {
    Rat chiA{0, 1};
    Rat chiB{0, 1};
    provider.character(Fa, TP->Sc[e], la, &chiA);
    provider.character(Fb, TP->Sc[e], lb, &chiB);
    double tRe = TP->RealSS[e];
    double tIm = TP->RealSS[k + e];
    const double phase = 2.0 * M_PI *
                         (static_cast<double>(chiA.num) / static_cast<double>(chiA.den) -
                          static_cast<double>(chiB.num) / static_cast<double>(chiB.den));
    provider.turn(&tRe, &tIm, phase);
    sumRe += tRe;
    sumIm += tIm;
  }
  const double scale = static_cast<double>(TP->ChiralAlgebra.size()) /
                       (static_cast<double>(nUa) * Fa->sqrtSU * static_cast<double>(nUb) * Fb->sqrtSU);
  *re = sumRe * scale;
  *im = sumIm * scale;
}

}  // namespace

void getCosetS(TensorProduct* TP, int i, int j, double* re, double* im) {
  DirectS direct;
  cosetSElement(TP, i, j, direct, re, im);
}

// The providers of one row: the factor elements of the row's labels, the rotations and
// the characters are kept once worked out (the same numbers: the same calls on the same
// arguments), so a row of many columns costs little beyond its distinct factor elements.
struct CosetSRow::Caches {
  struct Element {
    double re;
    double im;
    int shift;
  };
  static constexpr int kUnknownShift = INT_MIN;
  // Per factor: (J, b) -> the element and the shift it adds; failures are never kept.
  // The identity J of a factor with few labels is looked up by b directly.
  static constexpr int kDirectLabels = 1 << 16;
  std::vector<std::unordered_map<std::uint64_t, Element>> factors;
  std::vector<std::vector<Element>> direct;
  static constexpr int kBegun = 256;
  std::vector<int> asked;
  std::unordered_map<std::uint64_t, std::pair<double, double>> turns;
  std::map<std::tuple<const FPType*, int, int>, Rat> characters;

  bool factorS(TensorProduct* TP, int f, int J, int a, int b, double* re, double* im, int* shift) {
    const int labels = factorOf(TP, f)->n_primaries;
    // A row that is only begun (a comparison that fails early) takes no direct table.
    if (J == 0 && labels <= kDirectLabels && b >= 0 && b < labels && ++asked[static_cast<std::size_t>(f)] > kBegun) {
      std::vector<Element>& row = direct[static_cast<std::size_t>(f)];
      if (row.empty()) row.assign(static_cast<std::size_t>(labels), Element{0.0, 0.0, kUnknownShift});
      Element& entry = row[static_cast<std::size_t>(b)];
      if (entry.shift == kUnknownShift) {
        int added = 0;
        if (!factorFixedPointS(TP, f, J, a, b, re, im, &added)) return false;
        entry = Element{*re, *im, added};
      }
      *re = entry.re;
      *im = entry.im;
      *shift += entry.shift;
      return true;
    }
    std::unordered_map<std::uint64_t, Element>& known = factors[static_cast<std::size_t>(f)];
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(J)) << 32) |
                              static_cast<std::uint32_t>(b);
    auto found = known.find(key);
    if (found != known.end()) {
      *re = found->second.re;
      *im = found->second.im;
      *shift += found->second.shift;
      return true;
    }
    int added = 0;
    if (!factorFixedPointS(TP, f, J, a, b, re, im, &added)) return false;
    known.emplace(key, Element{*re, *im, added});
    *shift += added;
    return true;
  }
  void turn(double* re, double* im, double phase) {
    std::uint64_t bits;
    std::memcpy(&bits, &phase, sizeof bits);
    auto found = turns.find(bits);
    if (found == turns.end()) found = turns.emplace(bits, std::make_pair(std::cos(phase), std::sin(phase))).first;
    const double r = *re;
    const double m = *im;
    complexProduct(re, im, r, m, found->second.first, found->second.second);
  }
  void character(const FPType* F, int e, int label, Rat* chi) {
    const auto key = std::make_tuple(F, e, label);
    auto found = characters.find(key);
    if (found == characters.end()) {
      Character(F, e, label, chi);
      characters.emplace(key, *chi);
      return;
    }
    *chi = found->second;
  }
};

CosetSRow::CosetSRow(TensorProduct* TP, int i) : TP_(TP), row_(i), caches_(std::make_unique<Caches>()) {
  caches_->factors.resize(static_cast<std::size_t>(std::max(TP->NumberOfFactors, 0)));
  caches_->direct.resize(static_cast<std::size_t>(std::max(TP->NumberOfFactors, 0)));
  caches_->asked.assign(static_cast<std::size_t>(std::max(TP->NumberOfFactors, 0)), 0);
}

CosetSRow::~CosetSRow() = default;

void CosetSRow::element(int j, double* re, double* im) { cosetSElement(TP_, row_, j, *caches_, re, im); }

void getCosetT(TensorProduct* TP, int i, int j, double* re, double* im) {
  diagonalPhase(TP, i, j, re, im, false);
}

void getCosetrootT(TensorProduct* TP, int i, int j, double* re, double* im) {
  diagonalPhase(TP, i, j, re, im, true);
}

double getCosetLogT(TensorProduct* TP, int i) {
  if (!fieldInRange(TP, i, "getCosetLogT")) return 0.0;
  const int* a = TP->Spectrum.row(i);
  double sum = 0.0;
  for (int f = 0; f < TP->NumberOfFactors; ++f) {
    const double x = SM_getLogT(factorOf(TP, f), a[f]);
    sum += isH(TP, f) ? -x : x;
  }
  return sum;
}

int getTotalFCFTshift(TensorProduct* TP, const int* J) {
  const int n = TP->NumberOfFactors;
  std::vector<int> numbers(static_cast<std::size_t>(n));
  if (TensorFixedPointLabels(TP, J, numbers.data()) < 0) {
    Alert("getTotalFCFTshift", 0, 212404, "Unexpected freely acting current");
    PrintVec(n, J, "comb: ");
    return 0;
  }
  int total = 0;
  for (int f = 0; f < n; ++f) {
    const int k = numbers[static_cast<std::size_t>(f)];
    SpectrumData* sd = factorOf(TP, f);
    if (k == 0 || sd->fcft_shift == nullptr) continue;
    const int s = sd->fcft_shift[k - 1];
    total += isH(TP, f) ? -s : s;
  }
  return total;
}

int TensorFixedPointCheck(TensorProduct* TP, int J) {
  for (int t = 0; t < TP->Spectrum.size(); ++t) {
    if (CT_simpleCurrentAction(J, t, TP) == t) return 1;
  }
  return 0;
}

int TensorFixedPointField(TensorProduct* TP, const int* J, const int* field) {
  for (int f = 0; f < TP->NumberOfFactors; ++f) {
    if (SM_checkFP(factorOf(TP, f), J[f], field[f]) == 0) return 0;
  }
  return 1;
}
