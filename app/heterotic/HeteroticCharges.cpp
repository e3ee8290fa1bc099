// Charges of fields under the simple-current group of an invariant (packed into a charge
// code), the charge quanta of the massless spectrum, its chiral exotics and the anomalies
// of its gauge factors. The spectrum is read from RepCount: rows of h right labels and h
// left labels with a signed multiplicity; L0 (colour: 0 singlet, 1 and 2 the triplets),
// L1 (weak: 0 singlet, 1 doublet), L2 and L3 (two U(1) factors) are its left labels.
#include <cstdlib>

#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

HeteroticFilterInfo* filterOf(SimpleCurrentData* MD) {
  return static_cast<HeteroticFilterInfo*>(MD->context);
}

}  // namespace

bool playsStandardModelRole(int i) {
  const std::vector<int>& sizes = heteroticState().rowsizes;
  if (i < 0 || static_cast<std::size_t>(i) >= sizes.size()) return true;
  if (i == 0) return sizes[0] == 3;
  if (i == 1) return sizes[1] == 2;
  return true;
}

namespace {

// Left label i of a RepCount row in its role: 0 beyond the heterotic factors and for a
// factor that cannot play the role (an SO(10) spinor is no colour triplet).
int left(const int* row, int h, int i) {
  return i < h && playsStandardModelRole(i) ? row[h + i] : 0;
}

// The k charge components of a field.
std::vector<int> chargeVector(SimpleCurrentData* MD, const int* field) {
  HeteroticFilterInfo* record = filterOf(MD);
  const DGType* G = MD->group;
  const int k = G->nfactors;
  const int C = heteroticState().chargeCommonDenominator;
  std::vector<int> out(static_cast<std::size_t>(k), 0);
  for (int j = 0; j < k; ++j) {
    const int label = MD->map[static_cast<std::size_t>(DG_basis(G, j))];
    const int* current = record->group.row(label);
    Rat Q{IntegerTensorRatCharge(record->tensor, field, current, C), C};
    simplifyRat(&Q);
    const int nj = G->factors[j];
    out[static_cast<std::size_t>(j)] = mod(Q.num * nj / Q.den, nj);
  }
  return out;
}

long long gcdAll(std::initializer_list<long long> values) {
  long long g = 0;
  for (long long v : values) g = GCD(g, v);
  return g;
}

}  // namespace

int GSC_computeChargeCodeForCombination(SimpleCurrentData* MD, const int* field) {
  const std::vector<int> charges = chargeVector(MD, field);
  return DG_computeChargeCode(MD->group, charges.data());
}

void printCharges(SimpleCurrentData* MD, const int* field) {
  const std::vector<int> charges = chargeVector(MD, field);
  const std::string title =
      "charges; code=" + std::to_string(DG_computeChargeCode(MD->group, charges.data()));
  PrintVec(static_cast<int>(charges.size()), charges.data(), title.c_str());
}

void GSC_displayChargesForCombination(SimpleCurrentData* MD, const int* field) {
  const std::vector<int> charges = chargeVector(MD, field);
  PrintVec(static_cast<int>(charges.size()), charges.data(), "charges");
}

int GSC_checkDeltaArgument(SimpleCurrentData* MD, const int* field, const int* element) {
  HeteroticFilterInfo* record = filterOf(MD);
  const DGType* G = MD->group;
  const int k = G->nfactors;
  const int* X = xMatrix(MD);
  const int C = heteroticState().chargeCommonDenominator;
  for (int j = 0; j < k; ++j) {
    const int label = MD->map[static_cast<std::size_t>(DG_basis(G, j))];
    const long long nj = G->factors[j];
    // Q_j(field) + sum_i X_ji e_i / n_j over the denominator C n_j.
    long long numerator = static_cast<long long>(IntegerTensorRatCharge(
                              record->tensor, field, record->group.row(label), C)) *
                          nj;
    for (int i = 0; i < k; ++i) numerator += static_cast<long long>(X[j * k + i]) * element[i] * C;
    if (numerator % (C * nj) != 0) return 0;
  }
  return 1;
}

int computeChargeQuanta(ChargeQuanta* record) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  record->q0 = record->q1 = 30;
  std::vector<int> CS, LS;
  int color = 0;
  auto reduce = [](int v) {
    v %= 30;
    if (v < -14) v += 30;
    if (v >= 16) v -= 30;
    return v;
  };
  for (int r = 0; r < s.repCount.size(); ++r) {
    const int* row = s.repCount.row(r);
    const int c = left(row, h, 0), w = left(row, h, 1), y = left(row, h, 2);
    if (c != 0) {
      color = 1;
      if (c == 1) CS.push_back(reduce(w != 0 ? y + 3 : y));
      if (c == 2) CS.push_back(reduce(w != 0 ? 3 - y : -y));
    } else {
      LS.push_back(reduce(w != 0 ? y + 3 : y));
    }
    record->q0 = GCD(record->q0, y + 2 * c + 3 * w);
    record->q1 = GCD(record->q1, y - 2 * c + 3 * w);
  }
  auto quantum = [](const std::vector<int>& list) {
    int g = 30;
    for (int v : list) g = GCD(g, v - list.front());
    return g;
  };
  record->colored = quantum(CS);
  record->colorless = quantum(LS);
  return color;
}

void flipColor() {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  if (h < 1 || !playsStandardModelRole(0)) return;
  for (int r = 0; r < s.repCount.size(); ++r) {
    int* c = s.repCount.row(r) + h;
    *c = mod(-*c, 3);
  }
  // The rows changed in place: the index is rebuilt from them.
  HeteroticRows flipped;
  flipped.reset(s.repCount.rowLength());
  for (int r = 0; r < s.repCount.size(); ++r) flipped.add(s.repCount.row(r), s.repCount.count(r));
  s.repCount = flipped;
  if (settingOn(s.fullSpectrum) != 0 && s.fullSpectrumRows.rowLength() > 0) {
    HeteroticRows full;
    full.reset(s.fullSpectrumRows.rowLength(), s.fullSpectrumRows.rowLength() - 2);
    for (int r = 0; r < s.fullSpectrumRows.size(); ++r) {
      std::vector<int> row(s.fullSpectrumRows.row(r),
                           s.fullSpectrumRows.row(r) + s.fullSpectrumRows.rowLength());
      row[0] = mod(-row[0], 3);
      full.add(row.data(), s.fullSpectrumRows.count(r));
    }
    s.fullSpectrumRows = full;
  }
}

int findExotics(TensorProduct* tensor, int* total) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  // The particle labels are read from the heterotic labels of a row.
  const int p = particleFactorCount() < h ? particleFactorCount() : h;
  s.chiralExotics = 0;
  *total = 0;
  std::vector<char> used(static_cast<std::size_t>(s.repCount.size()), 0);
  bool unnamed = false;
  std::vector<int> L(static_cast<std::size_t>(p)), Lc(static_cast<std::size_t>(p));
  for (int r = 0; r < s.repCount.size(); ++r) {
    const int* row = s.repCount.row(r);
    for (int f = 0; f < p; ++f) L[static_cast<std::size_t>(f)] = row[h + f];
    if (s.repNames.rowLength() == p && s.repNames.find(L.data()) >= 0) continue;
    unnamed = true;
    if (used[static_cast<std::size_t>(r)] != 0) continue;
    for (int f = 0; f < p; ++f) {
      const int c = SM_getConjugate(factorTheory(tensor, f), L[static_cast<std::size_t>(f)]);
      Lc[static_cast<std::size_t>(f)] = c < 0 ? L[static_cast<std::size_t>(f)] : c;
    }
    long long A = 0, B = 0;
    for (int j = 0; j < s.repCount.size(); ++j) {
      const int* other = s.repCount.row(j);
      if (std::equal(L.begin(), L.end(), other + h)) {
        used[static_cast<std::size_t>(j)] = 1;
        A += s.repCount.count(j);
      }
      // A self-conjugate representation counts on both sides: it is never chiral.
      if (std::equal(Lc.begin(), Lc.end(), other + h)) {
        used[static_cast<std::size_t>(j)] = 1;
        B += s.repCount.count(j);
      }
    }
    s.chiralExotics += static_cast<int>(std::llabs(A - B));
    *total += static_cast<int>(std::llabs(A + B));
  }
  if (s.chiralExotics != 0 || unnamed) return s.chiralExotics;
  return -1;
}

int GSC_computeAnomalies(int print, int N2, int N3) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  const bool lift4 = s.liftIdentifier == 4;
  long long A3 = 0, A31 = 0, A32 = 0, A21 = 0, A22 = 0, A111 = 0, A222 = 0, A112 = 0, A122 = 0,
            T1 = 0, T2 = 0;
  for (int r = 0; r < s.repCount.size(); ++r) {
    const int* row = s.repCount.row(r);
    const long long k = s.repCount.count(r);
    const int c = left(row, h, 0), w = left(row, h, 1);
    const int y1 = left(row, h, 2);
    const int y2 = lift4 ? 0 : left(row, h, 3);
    const long long Y1 = y1 > N2 / 2 ? y1 - N2 : y1;
    const long long Y2 = y2 > N3 / 2 ? y2 - N3 : y2;
    long long m = k;
    if (c == 1 || c == 2) m *= 3;
    if (w == 1) m *= 2;
    if (c == 1) A3 += m / 3;
    if (c == 2) A3 -= m / 3;
    if (c != 0) {
      A31 += m * Y1 / 3;
      A32 += m * Y2 / 3;
    }
    if (w != 0) {
      A21 += m * Y1 / 2;
      A22 += m * Y2 / 2;
    }
    A111 += m * Y1 * Y1 * Y1;
    A222 += m * Y2 * Y2 * Y2;
    A112 += m * Y1 * Y1 * Y2;
    A122 += m * Y1 * Y2 * Y2;
    T1 += m * Y1;
    T2 += m * Y2;
  }
  long long G1 = gcdAll({A111, A31, A21, A122, T1});
  if (A111 < 0) G1 = -G1;
  if (A111 != 0) {
    A111 /= G1;
    A31 /= G1;
    A21 /= G1;
    A122 /= G1;
    T1 /= G1;
  }
  long long G2 = gcdAll({A222, A32, A22, A112, T2});
  if (A222 < 0) G2 = -G2;
  if (A222 != 0) {
    A222 /= G2;
    A32 /= G2;
    A22 /= G2;
    A112 /= G2;
    T2 /= G2;
  }
  if (print == 1) {
    PrintStdout("anomaly GCD's: %lld, %lld\n", G1, G2);
    PrintStdout("Anomalies: %lld %lld %lld\n", A3, A111, A222);
    PrintStdout("Mixed Anomalies: %lld %lld %lld %lld %lld %lld\n", A31, A21, A32, A22, A112, A122);
    PrintStdout("Traces: %lld %lld\n", T1, T2);
  }
  const long long X = A111, Y = A222;
  if (X != 0 && lift4) return T1 == 12 && A21 == 1 && A31 == 1 && X == 90 ? -4 : -3;
  if (A3 != 0) return -3;
  if (X != 0 && (T1 == 0 || A31 == 0 || A21 == 0 || A122 == 0)) return -3;
  if (Y != 0 && (T2 == 0 || A32 == 0 || A22 == 0 || A112 == 0)) return -3;
  if (X != 0 && !(X == 90 && A31 == 1 && A21 == 1 && A122 == 20 && T1 == 12)) return -3;
  if (Y == 0) return X != 0 ? -4 : 1;
  if (Y == 60 && A22 == 1 && A32 == 1 && A112 == 30 && T2 == 12) return X != 0 ? -6 : -5;
  return -3;
}

int ConjugateCombination(int n, const int* v, int* out) {
  const int c = v[0], w = v[1];
  bool canonical = false;
  if (c == 0 && w == 1 && v[2] == -3) canonical = true;
  if (c == 0 && w == 0) {
    for (int i = 2; i < n; ++i) {
      if (v[i] != 0) {
        canonical = v[i] > 0;
        break;
      }
    }
  }
  if (c == 2 && w == 0) canonical = true;
  if (c == 1 && w == 1) canonical = true;
  if (c == 0) {
    bool zero = true;
    for (int i = 1; i < n; ++i) zero = zero && v[i] == 0;
    if (zero) canonical = true;
  }
  if (canonical) {
    for (int i = 0; i < n; ++i) out[i] = v[i];
    return 1;
  }
  out[0] = mod(3 - c, 3);
  out[1] = w;
  for (int i = 2; i < n; ++i) out[i] = -v[i];
  return -1;
}

int UseConjugate(const int* v) {
  if (v[0] == 2) return 1;
  if (v[0] == 1) return 0;
  if (v[2] < 0) return 1;
  if (v[2] > 0) return 0;
  return v[3] < 0 ? 1 : 0;
}

int SMdim(const int* v) {
  return (v[0] == 1 || v[0] == 2 ? 3 : 1) * (v[1] == 1 ? 2 : 1);
}

int mapCharge(int q, int N) {
  int r = mod(q, N);
  if (r > N / 2) r -= N;
  return r;
}

int minimalElement(const std::vector<int>& list, int* found) {
  int best = -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const int v = std::abs(list[i]);
    if (v < 1000 && (best < 0 || v < std::abs(list[static_cast<std::size_t>(best)])))
      best = static_cast<int>(i);
  }
  if (best < 0) {
    raiseHeteroticFault("minimalElement", "No minimal element found");
    *found = 0;
    return 0;
  }
  *found = 1;
  return list[static_cast<std::size_t>(best)];
}
