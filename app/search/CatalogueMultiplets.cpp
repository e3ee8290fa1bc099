// Standard-model multiplets: every chiral intersection of two stacks and every chiral
// rank-two tensor of a stack becomes rows of (SU(3), SU(2), hypercharge in sixths, extra
// U(1) charges, stack U(1) charges, generator-block charges) with a number of copies; the
// anomaly checks of Y and the extra U(1)s run over these rows.
//
// Charges are integers in units of 1/norm: Y = (y_a Q_a + y_b Q_b + y_c Q_c + y_d Q_d)/norm,
// plus the eigenvalues of the c and d generators on their blocks.
#include <cstdlib>
#include <cstring>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/CatalogueInternal.h"

namespace {

int sign(int x) {
  return x > 0 ? 1 : x < 0 ? -1 : 0;
}

bool unitary(const StandardModel& model, int stack) {
  return model.groupTypes[stack] == 0;
}

// Hypercharge, extra charges and stack contributions of the stack charges q (entries 5-8).
int stackHypercharge(const StandardModel& model, int* row) {
  int y = 0;
  for (int x = 0; x < 4; ++x) {
    row[15 + x] = model.Y[x] * row[5 + x];
    y += row[15 + x];
  }
  row[3] = dp(model.extraU1, row + 5);
  row[4] = dp(model.extraU1 + 4, row + 5);
  return y;
}

void finishHypercharge(const StandardModel& model, int y, int* row) {
  row[13] = y;
  row[14] = model.Ynorm;
  row[2] = renormalizeY(model.Ynorm, y);
}

// Type codes of (SU(3), SU(2), hypercharge in sixths).
struct ParticleKey {
  int su3;
  int su2;
  int y;
  int code;
};
constexpr ParticleKey kParticleKeys[] = {
    {1, 1, 1, 1},  {1, 0, 4, -2}, {1, 0, -2, -3}, {-1, 1, -1, -1}, {-1, 0, -4, 2}, {-1, 0, 2, 3},
    {0, 1, -3, 4}, {0, 1, 3, -4}, {0, 0, -6, -5}, {0, 0, 6, 5},    {0, 0, 0, 0}};

}  // namespace

void CountedMultiplets::add(const int* row, int count) {
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (std::memcmp(rows[k].data(), row, sizeof(int) * kMultipletSize) == 0) {
      copies[k] += count;
      return;
    }
  }
  std::array<int, kMultipletSize> copy{};
  std::memcpy(copy.data(), row, sizeof(int) * kMultipletSize);
  rows.push_back(copy);
  copies.push_back(count);
}

bool OrderedMultiplets::add(const int* row) {
  for (const auto& stored : rows) {
    if (std::memcmp(stored.data(), row, sizeof(int) * (kOrderedMultipletSize - 1)) == 0)
      return false;
  }
  std::array<int, kOrderedMultipletSize> copy{};
  std::memcpy(copy.data(), row, sizeof(int) * kOrderedMultipletSize);
  rows.push_back(copy);
  return true;
}

int dp(const int* v, const int* w) {
  return v[0] * w[0] + v[1] * w[1] + v[2] * w[2] + v[3] * w[3];
}

int renormalizeY(int norm, int y) {
  if (norm % 6 != 0 && norm >= 7) Alert("renormalizeY", 0, 212404, "Norm not divisible by 6");
  // The hypercharge in sixths, 6 y / norm, exact or not at all.
  if (norm == 0) return -99999;
  const long long sixfold = 6LL * y;
  if (sixfold % norm != 0) return -99999;
  return static_cast<int>(sixfold / norm);
}

int SM_multiplet(const StandardModel& model, int pair, int count, int sign_, int i, int j,
                 int* row) {
  if (count == 0) return 0;
  std::memset(row, 0, sizeof(int) * kMultipletSize);
  const int s = sign(count);
  if (pair == 0 || pair == 1 || pair == 2) row[0] = s;
  if (pair == 0 || pair == 3 || pair == 4) row[1] = 1;
  const int first = kPairFirst[pair];
  const int second = kPairSecond[pair];
  row[5 + first] = unitary(model, first) ? s : 0;
  row[5 + second] = unitary(model, second) ? s * sign_ : 0;
  int y = stackHypercharge(model, row);
  int copies = std::abs(count);
  if (pair == 5) {
    copies = std::abs(count) * model.cMultiplicities[i];
    if (!unitary(model, 2)) {
      row[9] = 1 - 2 * i;
      row[10] = 0;
    } else {
      row[9 + i] = s;
    }
    y += s * model.cEigenvalues[i];
    row[17] += s * model.cEigenvalues[i];
  }
  if (pair == 1 || pair == 3) {
    copies = std::abs(count) * model.cMultiplicities[j];
    if (!unitary(model, 2)) {
      row[9] = 1 - 2 * j;
      row[10] = 0;
    } else {
      row[9 + j] = s * sign_;
    }
    y += s * sign_ * model.cEigenvalues[j];
    row[17] += s * sign_ * model.cEigenvalues[j];
  }
  if (pair == 2 || pair == 4 || pair == 5) {
    copies *= model.dMultiplicities[j];
    if (!unitary(model, 3)) {
      row[11] = 1 - 2 * j;
      row[12] = 0;
    } else {
      row[11 + j] = s * sign_;
    }
    y += s * sign_ * model.dEigenvalues[j];
    row[18] += s * sign_ * model.dEigenvalues[j];
  }
  finishHypercharge(model, y, row);
  return copies;
}

int SM_tensor(const StandardModel& model, int stack, int count, int sym, int block, int* row) {
  if (count == 0) return 0;
  std::memset(row, 0, sizeof(int) * kMultipletSize);
  const int s = sign(count);
  if (stack == 0) {
    if (sym == 1) Alert("SM_tensor", 0, 212404, "Unexpected symmetric SU(3) tensor");
    row[0] = -s;
  }
  if (stack == 1 && sym == 1) Alert("SM_tensor", 1, 212404, "Unexpected symmetric SU(2) tensor");
  row[5 + stack] = unitary(model, stack) ? 2 * s : 0;
  int y = stackHypercharge(model, row);
  const int n = std::abs(count);
  int copies = n;
  if (stack >= 2) {
    const int* e = stack == 2 ? model.cEigenvalues : model.dEigenvalues;
    const int* m = stack == 2 ? model.cMultiplicities : model.dMultiplicities;
    const int base = stack == 2 ? 9 : 11;
    const int contribution = stack == 2 ? 17 : 18;
    int shift = 0;
    if (block == 0) {
      copies = m[0] * n * (m[0] + sym) / 2;
      row[base] = 2 * s;
      shift = 2 * s * e[0];
    } else if (block == 1) {
      copies = m[0] * n * m[1];
      row[base] = s;
      row[base + 1] = s;
      shift = s * (e[0] + e[1]);
    } else {
      copies = m[1] * n * (m[1] + sym) / 2;
      row[base + 1] = 2 * s;
      shift = 2 * s * e[1];
    }
    y += shift;
    row[contribution] += shift;
  }
  finishHypercharge(model, y, row);
  return copies;
}

std::string particleName(int code) {
  switch (code) {
    case 1:
      return "Q";
    case -1:
      return "Q*";
    case 2:
      return "u*";
    case -2:
      return "u";
    case 3:
      return "d*";
    case -3:
      return "d";
    case 4:
      return "L";
    case -4:
      return "L*";
    case 5:
      return "e*";
    case -5:
      return "e";
    case 6:
      return "Hd";
    case -6:
      return "Hu";
    case 7:
      return "Ex";
    case 0:
      return "n";
    default:
      return "??";
  }
}

std::string ParticleType(const int* row) {
  return particleName(row[19]);
}

int BaryonNumber(int code) {
  static const int kBaryon[] = {1, 1, -1, 0, 1, -1, -1};
  return code >= -3 && code <= 3 ? kBaryon[code + 3] : 0;
}

int LeptonNumber(int code) {
  static const int kLepton[] = {1, -1, 0, 0, 0, -1, 0, 0, 0, 1, -1};
  return code >= -5 && code <= 5 ? kLepton[code + 5] : 0;
}

void addToOrderedSpectrum(OrderedMultiplets* ordered, const int* row, int copies) {
  int entry[kOrderedMultipletSize] = {};
  std::memcpy(entry, row, sizeof(int) * kMultipletSize);
  entry[19] = kUnknownParticle;
  for (const ParticleKey& key : kParticleKeys) {
    if (key.su3 == row[0] && key.su2 == row[1] && key.y == row[2]) entry[19] = key.code;
  }
  entry[20] = copies;
  ordered->add(entry);
}

void addParticleTypeToOrderedCollection(const CountedMultiplets& spectrum,
                                        OrderedMultiplets* ordered, int su3, int su2, int y) {
  for (std::size_t k = 0; k < spectrum.rows.size(); ++k) {
    const auto& row = spectrum.rows[k];
    if (spectrum.copies[k] != 0 && row[0] == su3 && row[1] == su2 && row[2] == y) {
      addToOrderedSpectrum(ordered, row.data(), spectrum.copies[k]);
    }
  }
}

int anomalyEquations(const StandardModel& model, const CountedMultiplets& spectrum) {
  PrintBannerWithText('-', "\n    Standard Model Sector Anomaly Check");
  std::vector<std::array<long long, 4>> equations;
  auto productWithY = [&](const std::array<long long, 4>& e) {
    long long sum = 0;
    for (int x = 0; x < 4; ++x) sum += e[static_cast<std::size_t>(x)] * model.Y[x];
    return sum;
  };
  for (int x = 0; x < 4; ++x) {
    if (unitary(model, x)) continue;
    std::array<long long, 4> e{};
    e[static_cast<std::size_t>(x)] = 1;
    equations.push_back(e);
    if (model.Y[x] != 0)
      Alert("anomalyEquations", 0, 212404, "Y has U(1) component for real brane %d", x);
  }
  std::array<long long, 4> su3{}, su2{}, hyper{};
  for (std::size_t k = 0; k < spectrum.rows.size(); ++k) {
    const auto& row = spectrum.rows[k];
    const long long copies = spectrum.copies[k];
    for (int x = 0; x < 4; ++x) {
      const std::size_t ux = static_cast<std::size_t>(x);
      if (row[0] != 0) su3[ux] += copies * (row[1] != 0 ? 2 : 1) * row[5 + ux];
      if (row[1] != 0) su2[ux] += copies * (row[0] != 0 ? 3 : 1) * row[5 + ux];
      if (row[2] != 0) {
        const long long y6 = row[2];
        hyper[ux] += y6 * y6 * copies * (row[0] != 0 ? 3 : 1) * (row[1] != 0 ? 2 : 1) * row[5 + ux];
      }
    }
  }
  if (productWithY(su3) != 0) Alert("anomalyEquations", 1, 212404, "Y has SU(3) anomaly");
  equations.push_back(su3);
  if (productWithY(su2) != 0) Alert("anomalyEquations", 2, 212404, "Y has SU(2) anomaly");
  equations.push_back(su2);
  if (productWithY(hyper) != 0) Alert("anomalyEquations", 3, 212404, "Y has Y^3 anomaly");
  equations.push_back(hyper);
  for (int x = 0; x < 4; ++x) {
    if (model.Y[x] == 0) continue;
    std::array<long long, 4> e{};
    e[static_cast<std::size_t>(x)] = 1;
    equations.push_back(e);
    break;
  }
  const int extra = model.extraMasslessU1;
  for (int u = 0; u < extra && u < 2; ++u) {
    const int* vector = model.extraU1 + 4 * u;
    if (vector[0] == 0 && vector[1] == 0 && vector[2] == 0 && vector[3] == 0) {
      Alert("anomalyEquations", 4 + 2 * u, 212404, "Extra U(1) is trivial");
    }
    for (const auto& e : equations) {
      long long product = 0;
      for (int x = 0; x < 4; ++x) product += e[static_cast<std::size_t>(x)] * vector[x];
      if (product != 0) Alert("anomalyEquations", 5 + 2 * u, 212404, "Extra U(1) is anomalous");
    }
  }
  if (extra == 0) {
    Print("No extra massless U(1)'s\n");
  } else if (extra == 1) {
    Print("One extra massless U(1); free of (SM)^2 x U(1) anomalies\n");
  } else {
    Print("Two extra massless U(1); free of (SM)^2 x U(1) anomalies\n");
  }
  return 0;
}

void checkExtraAnomalies(const StandardModel& model, const OrderedMultiplets& ordered) {
  const int extra = model.extraMasslessU1;
  if (extra == 0) {
    Print("No extra massless U(1) gauge fields\n");
    return;
  }
  long long sums[9] = {};
  for (const auto& row : ordered.rows) {
    const long long w = (row[0] != 0 ? 3LL : 1LL) * (row[1] != 0 ? 2 : 1) * row[20];
    const long long y6 = row[2];
    const long long q1 = dp(row.data() + 5, model.extraU1);
    const long long q2 = dp(row.data() + 5, model.extraU1 + 4);
    sums[0] += w * q1;
    sums[1] += w * q1 * q1 * q1;
    sums[2] += w * y6 * q1 * q1;
    if (extra >= 2) {
      sums[3] += w * q2;
      sums[4] += w * q2 * q2 * q2;
      sums[5] += w * y6 * q2 * q2;
      sums[6] += w * q1 * q2 * q2;
      sums[7] += w * q1 * q1 * q2;
      sums[8] += w * y6 * q1 * q2;
    }
  }
  const int used = extra >= 2 ? 9 : 3;
  for (int k = 0; k < used; ++k) {
    if (sums[k] != 0) {
      Alert("checkExtraAnomalies", extra >= 2 ? 1 : 0, 212404,
            "Extra U(1) not anomaly free or traceless");
      return;
    }
  }
  Print(extra >= 2 ? "Two extra massless U(1); All cubic anomalies and traces checked\n"
                   : "Extra massless U(1); All cubic anomalies and traces checked\n");
  PrintSeparatorWithText('-', "");
  Print("\n\n");
}
