// Charges of the pieces of c and d: the charge lists narrowed by the intersections with a
// and b (charges in units of 1/6: quark doublet 1, u-type anti-quark 4, d-type anti-quark -2,
// lepton doublet 3), and the charge basis of a model record, in which the c and d
// generators are replaced by the multiplicities of the pieces of each charge (+1, +1/2, 0,
// -1/2, -1) so that records compare independently of their normalisation.
#include <cstdlib>

#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/ModelAnalysisInternal.h"

using namespace modelanalysis;

namespace {

constexpr int kEnd = -999;
constexpr int kUnrestricted = 999;

}  // namespace

void addChargesToList(const int* newList, int* list) {
  if (list[0] == kUnrestricted) {
    int k = 0;
    for (; k < 3 && newList[k] != kEnd; ++k) list[k] = newList[k];
    list[k] = kEnd;
    return;
  }
  int kept[4];
  int count = 0;
  for (int k = 0; k < 3 && newList[k] != kEnd; ++k) {
    bool present = false;
    for (int j = 0; j < 3 && list[j] != kEnd; ++j)
      if (list[j] == newList[k]) present = true;
    if (present) kept[count++] = newList[k];
  }
  for (int k = 0; k < count; ++k) list[k] = kept[k];
  list[count] = kEnd;
}

int GetChargeList(int x, int ya, int yb, int out[4]) {
  const StandardModel& m = SM;
  int list[4] = {kUnrestricted, kEnd, kEnd, kEnd};
  const int p = x == 2 ? 1 : 2, q = x == 2 ? 3 : 4;
  if (m.Gamma[p] != 0) {
    const int c[3] = {4 - ya, -2 - ya, kEnd};
    addChargesToList(c, list);
  }
  if (m.Delta[p] != 0) {
    const int c[3] = {ya - 4, ya + 2, kEnd};
    addChargesToList(c, list);
  }
  if (m.Gamma[q] != 0) {
    const int c[3] = {3 - yb, -3 - yb, kEnd};
    addChargesToList(c, list);
  }
  if (m.Delta[q] != 0) {
    const int c[3] = {yb - 3, yb + 3, kEnd};
    addChargesToList(c, list);
  }
  if (list[0] == kEnd) return 0;
  if (list[0] == kUnrestricted)
    Alert("DeterminePossibleChargesFromIntersections", 0, 112201, "brane %c charges not determined",
          x == 2 ? 'c' : 'd');
  if (list[0] != kUnrestricted && list[1] != kEnd && list[1] > list[0]) std::swap(list[0], list[1]);
  for (int k = 0; k < 4; ++k) out[k] = list[k];
  return 1;
}

int DetermineLoopParameters(int* charges, int N, int restricted, int* from, int* to, int* step) {
  const bool two = charges[0] != kEnd && charges[1] != kEnd;
  if (two) {
    if (charges[2] != kEnd) {
      Print("charges  (%d,%d,%d)\n", charges[0], charges[1], charges[2]);
      Alert("DetermineLoopParameters", 0, 112201, "Invalid charge eigenvalues");
      Alert("DetermineLoopParameters", 1, 112201, "Unexpected control flow");
      return 1;
    }
    if (restricted == 0) {
      *from = 0, *to = N, *step = 1;
      return 1;
    }
    if (std::abs(charges[0]) != 6 && std::abs(charges[1]) != 6) {
      if (N % 2 != 0 || charges[0] != -charges[1]) return 0;
      *from = 0, *to = N / 2, *step = N / 2;
      return 1;
    }
    charges[0] = 0;
    charges[1] = kEnd;
    *from = 0, *to = 0, *step = 1;
    return 1;
  }
  if (charges[0] != 0) {
    if (restricted != 0) return 0;
    *from = N, *to = N, *step = N;
    return 1;
  }
  *from = 0, *to = 0, *step = 1;
  return 1;
}

std::array<int, 6> EigenvaluesToCharges(const int e[2], const int m[2], int y, int N, bool* exact) {
  std::array<int, 6> r{};
  *exact = true;
  const long long m2 = static_cast<long long>(N) - m[0] - m[1];
  const long long trace = static_cast<long long>(m[0]) * e[0] + static_cast<long long>(m[1]) * e[1];
  long long e2 = 0;
  if (m2 == 0) {
    if (trace != 0) {
      Alert("EigenvaluesToCharges", 0, 112201, "Non-vanishing charge trace");
      *exact = false;
      return std::array<int, 6>{};
    }
  } else {
    if (trace % m2 != 0) {
      Alert("EigenvaluesToCharges", 1, 112201, "Non-integer eigenvalue; Normalization problem?");
      *exact = false;
      return std::array<int, 6>{};
    }
    e2 = -trace / m2;
  }
  const long long eigen[3] = {e[0], e[1], e2};
  const long long mult[3] = {m[0], m[1], m2};
  for (int k = 0; k < 3; ++k) {
    const long long charge = mult[k] == 0 ? 0 : eigen[k] + y;
    if (charge > INT32_MAX || charge < INT32_MIN || mult[k] > INT32_MAX || mult[k] < INT32_MIN) {
      *exact = false;
      return std::array<int, 6>{};
    }
    r[static_cast<std::size_t>(k)] = static_cast<int>(charge);
    r[static_cast<std::size_t>(3 + k)] = static_cast<int>(mult[k]);
  }
  return r;
}

std::array<int, 4> ChargesToEigenvalues(const int bins[5], int y, int norm) {
  if (bins[0] != 0) return {norm - y, -y, bins[0], bins[2]};
  if (bins[2] != 0 || bins[4] != 0) return {-y, -y - norm, bins[2], bins[4]};
  return {norm / 2 - y, -y - norm / 2, bins[1], bins[3]};
}

namespace {

// Adds the pieces of one generator to its five bins; false when a charge is not one of
// +1, +1/2, 0, -1/2, -1 (in units of the norm).
bool binPieces(const int* record, int first, int y, int N, int norm, int* bins) {
  if (N == 0) return true;
  const int e[2] = {record[first], record[first + 1]};
  const int m[2] = {record[first + 2], record[first + 3]};
  bool exact = true;
  const std::array<int, 6> pieces = EigenvaluesToCharges(e, m, y, N, &exact);
  if (!exact) return false;
  for (int k = 0; k < 3; ++k) {
    const int multiplicity = pieces[static_cast<std::size_t>(3 + k)];
    if (multiplicity == 0) continue;
    const long long twice = 2LL * pieces[static_cast<std::size_t>(k)];
    if (twice % norm != 0) {
      Alert("ConvertSpectrumVector", 2, 112201, "Invalid charge %d/%d", pieces[static_cast<std::size_t>(k)], norm);
      return false;
    }
    const long long bin = 2 - twice / norm;
    if (bin < 0 || bin > 4) {
      Alert("ConvertSpectrumVector", 2, 112201, "Invalid charge %d/%d", pieces[static_cast<std::size_t>(k)], norm);
      return false;
    }
    bins[bin] += multiplicity;
  }
  return true;
}

}  // namespace

int ConvertSpectrumVector(int out[80], const int* record) {
  for (int k = 0; k < 80; ++k) out[k] = 0;
  for (int k = 0; k < 28; ++k) out[k] = record[k];
  const int norm = record[32];
  if (norm == 0) {
    Alert("ConvertSpectrumVector", 0, 112201, "Invalid value for Y0");
    return 0;
  }
  if ((6LL * record[28]) % norm != 0) {
    Alert("ConvertSpectrumVector", 0, 112201, "Invalid value for Y0");
    return 0;
  }
  if ((6LL * record[29]) % norm != 0) {
    Alert("ConvertSpectrumVector", 1, 112201, "Invalid value for Y1");
    return 0;
  }
  out[28] = static_cast<int>(6LL * record[28] / norm);
  out[29] = static_cast<int>(6LL * record[29] / norm);
  if (!binPieces(record, 33, record[30], record[6], norm, out + 30)) return 0;
  if (!binPieces(record, 37, record[31], record[7], norm, out + 35)) return 0;
  out[40] = 0;
  return 1;
}

void ConvertChargeBasisVector(int out[80], const int in[80]) {
  for (int k = 0; k < 80; ++k) out[k] = 0;
  for (int k = 0; k < 28; ++k) out[k] = in[k];
  const int Nc = in[6], Nd = in[7];
  long long norm = SCM(12, Nc);
  if (Nd != 0) norm = SCM(norm, Nd);
  out[32] = static_cast<int>(norm);
  out[28] = static_cast<int>(in[28] * norm / 6);
  out[29] = static_cast<int>(in[29] * norm / 6);
  auto y = [&](const int* b, int N) -> int {
    if (N == 0) return 0;
    const long long sum = b[1] - b[3] + 2LL * (b[0] - b[4]);
    return static_cast<int>((sum * norm / N) / 2);
  };
  out[30] = y(in + 30, Nc);
  out[31] = y(in + 35, Nd);
  const std::array<int, 4> c = ChargesToEigenvalues(in + 30, out[30], static_cast<int>(norm));
  for (int k = 0; k < 4; ++k) out[33 + k] = c[static_cast<std::size_t>(k)];
  if (Nd != 0) {
    const std::array<int, 4> d = ChargesToEigenvalues(in + 35, out[31], static_cast<int>(norm));
    for (int k = 0; k < 4; ++k) out[37 + k] = d[static_cast<std::size_t>(k)];
  }
  for (int k = 41; k <= 55; ++k) out[k] = 0;
  out[56] = -999;
  out[57] = out[58] = 0;
  for (int k = 59; k <= 65; ++k) out[k] = -999;
}

int getSpectrumClass(const int* record) {
  const int norm = record[32];
  if (norm == 0) return -1;
  const long long Y0 = 6LL * record[28] / norm;
  if (Y0 == 1) return record[29] == 0 ? 1 : -1;
  if (Y0 == -2) return 6LL * record[29] / norm == 3 ? 0 : -1;
  if (Y0 == 4) return 2;
  return -1;
}

std::string computeIDcode(const int* record, int full) {
  std::string code = "abcd";
  const int* pair = record + 41;  // ab, ac, ad, bc, bd, cd
  if (pair[0] == 1) code[1] = 'a';
  if (pair[1] == 1)
    code[2] = 'a';
  else if (pair[3] == 1)
    code[2] = code[1];
  if (pair[2] == 1)
    code[3] = 'a';
  else if (pair[4] == 1)
    code[3] = code[1];
  else if (pair[5] == 1)
    code[3] = code[2];
  if (record[7] == 0 || full == 0) code[3] = full != 0 ? code[2] : ' ';
  return code;
}
