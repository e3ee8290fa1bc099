// Charge assignment of a pure intersection pattern and its catalogue look-up.
//
// `SM` holds group types, multiplicities, rank-two tensors, Gamma and Delta. Every
// admissible hypercharge embedding is enumerated: (6 y_a / norm, 6 y_b / norm) from a short
// list, and the splitting of stacks c and d into pieces whose charges (in sixths) follow
// from their intersections with a and b. An embedding that satisfies the Y equations and
// gives the standard-model quarks and leptons is looked up in the catalogue under the eight
// relabellings of c and d, and the pattern is recorded with its best match.
//
// An inconsistent charge list or an inexact y_c or y_d skips that pattern or embedding with
// a warning; the enumeration goes on.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "collections/VectorSpace.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/CatalogueInternal.h"
#include "search/ModelAnalysis.h"

namespace {

constexpr int kListEnd = -999;
constexpr int kUnrestricted = 999;
constexpr int kChargeBasisSize = 80;
// A pattern is identified by its charge-basis words 0-40; the code and the look-up results
// follow them.
constexpr int kPatternIdentity = 41;
using ChargeBasisVector = std::array<int, kChargeBasisSize>;

struct CatalogueChargesState {
  int numberOfMatches = 0;
  int lastMatched = -1;
  std::vector<int> matchedSpectra;
  int minimalTotal = 1 << 30;
  int maximalNumberExtraVectorsFound = 0;
  bool spectrumScanStarted = false;
  std::vector<int> recovered = std::vector<int>(kMaxModelNumber + 10, 0);
  std::vector<ChargeBasisVector> patterns;
  int acceptedEmbeddings = 0;
  int totalParticles = 0;
};

CatalogueChargesState& state() {
  static CatalogueChargesState s;
  return s;
}

int listLength(const int* list) {
  int n = 0;
  while (n < 3 && list[n] != kListEnd) ++n;
  return n;
}

void printList(const char* title, const int* list) {
  Print("%s (", title);
  for (int k = 0; k < listLength(list); ++k) Print(k == 0 ? "%d" : ",%d", list[k]);
  Print(")\n");
}

// A three-piece model of a model-format row, for the variants.
StandardModel modelOfRow(const int* row) {
  StandardModel model;
  initializeStandardModelStruct(&model);
  copyModelsFormatToStandardModel(&model, row, -999);
  return model;
}

using Variant = std::array<int, 66>;

Variant variantOf(const Variant& source, void (*transform)(const StandardModel&, int*)) {
  Variant out = source;
  StandardModel model = modelOfRow(source.data());
  transform(model, out.data());
  return out;
}

void setGenerator(int* e, int* q, int* m, const int* sizes, const int* charges, int y) {
  for (int k = 0; k < 3; ++k) {
    m[k] = sizes[k];
    q[k] = charges[k];
    e[k] = charges[k] - y;
  }
}

bool compareToSmSpectrum(const VectorSpace* equations);

// The d pieces of the coupled loop: first-piece multiplicity m of (N_d - m, m).
void dbraneChargeLoop(int from, int to, int step, const int* list, const VectorSpace* equations) {
  const int nd = SM.multiplicities[3];
  const int norm = SM.Ynorm;
  if (step <= 0) step = 1;
  for (int m = from; m <= to; m += step) {
    const int sizes[3] = {nd - m, m, 0};
    const int d0 = norm * list[0] / 6;
    const int d1 = listLength(list) > 1 ? norm * list[1] / 6 : 0;
    const int charges[3] = {d0, d1, d1};
    const long long numerator =
        static_cast<long long>(charges[1]) * m + static_cast<long long>(charges[0]) * (nd - m);
    if (nd == 0 || numerator % nd != 0) {
      Alert("DbraneChargeLoop", 0, 100302, "Non-integer number for SM.coefs[3]");
      continue;
    }
    SM.Y[3] = static_cast<int>(numerator / nd);
    setGenerator(SM.dEigenvalues, SM.dCharges, SM.dMultiplicities, sizes, charges, SM.Y[3]);
    compareToSmSpectrum(equations);
  }
}

void detachedDbraneChargeLoop(const VectorSpace* equations) {
  const int nd = SM.multiplicities[3];
  const int norm = SM.Ynorm;
  if (SM.groupTypes[3] == 0) {
    for (int m0 = 0; m0 <= nd; ++m0) {
      for (int m1 = 0; m1 <= nd - m0; ++m1) {
        const int sizes[3] = {m0, m1, nd - m0 - m1};
        const int charges[3] = {m0 > 0 ? norm : 0, m1 > 0 ? -norm : 0, 0};
        const long long numerator =
            static_cast<long long>(charges[0]) * m0 + static_cast<long long>(charges[1]) * m1;
        if (nd == 0 || numerator % nd != 0) {
          Alert("DetachedDbraneChargeLoop", 0, 100302, "Non-integer number for SM.coefs[3]");
          continue;
        }
        SM.Y[3] = static_cast<int>(numerator / nd);
        setGenerator(SM.dEigenvalues, SM.dCharges, SM.dMultiplicities, sizes, charges, SM.Y[3]);
        compareToSmSpectrum(equations);
      }
    }
    return;
  }
  SM.Y[3] = 0;
  for (int k = 0; k <= nd / 2; ++k) {
    if (k == 0) {
      const int sizes[3] = {nd, 0, 0};
      const int charges[3] = {0, 0, 0};
      setGenerator(SM.dEigenvalues, SM.dCharges, SM.dMultiplicities, sizes, charges, 0);
    } else {
      const int sizes[3] = {k, k, nd - 2 * k};
      const int charges[3] = {norm, -norm, 0};
      setGenerator(SM.dEigenvalues, SM.dCharges, SM.dMultiplicities, sizes, charges, 0);
    }
    compareToSmSpectrum(equations);
  }
}

void clearDGenerator() {
  SM.Y[3] = 0;
  for (int k = 0; k < 3; ++k) SM.dEigenvalues[k] = SM.dCharges[k] = SM.dMultiplicities[k] = 0;
}

// The embedding in SM against the equations and the standard model; the generators are
// brought to standard form for the look-up and restored afterwards for the loops.
bool compareEmbedding(const VectorSpace* equations);

bool compareToSmSpectrum(const VectorSpace* equations) {
  StandardModel saved;
  copyStandardModelStruct(&saved, &SM);
  const bool accepted = compareEmbedding(equations);
  std::copy(saved.cEigenvalues, saved.cEigenvalues + 3, SM.cEigenvalues);
  std::copy(saved.cCharges, saved.cCharges + 3, SM.cCharges);
  std::copy(saved.cMultiplicities, saved.cMultiplicities + 3, SM.cMultiplicities);
  std::copy(saved.dEigenvalues, saved.dEigenvalues + 3, SM.dEigenvalues);
  std::copy(saved.dCharges, saved.dCharges + 3, SM.dCharges);
  std::copy(saved.dMultiplicities, saved.dMultiplicities + 3, SM.dMultiplicities);
  return accepted;
}

bool compareEmbedding(const VectorSpace* equations) {
  CatalogueChargesState& s = state();
  if (equations != nullptr && equations->Space != nullptr) {
    for (int r = 0; r < equations->Nfill; ++r) {
      const int* e = equations->Space + static_cast<std::ptrdiff_t>(r) * equations->rowsize;
      long long sum = static_cast<long long>(e[4]) * SM.Ynorm;
      for (int x = 0; x < 4; ++x) sum += static_cast<long long>(e[x]) * SM.Y[x];
      if (sum != 0) return false;
    }
  }
  BringDiagonalGeneratorsToStandardFrom();
  if (countQuarksAndLeptons(0, 1) <= 0) return false;
  s.totalParticles = SM.quarkDoublets[0] + SM.quarkDoublets[1] + SM.leptonDoublets[0] +
                     SM.leptonDoublets[1] + SM.antiQuarks[0] + SM.antiQuarks[1] + SM.antiQuarks[2] +
                     SM.antiQuarks[3] + SM.singlets[0] + SM.singlets[1] + SM.singlets[2];
  ++s.acceptedEmbeddings;
  findThisSpectrumInQUVRList();
  return true;
}

int scoreOf(const int* row, bool anyWithoutD) {
  int score = row[47] % 10;
  int codes = 0;
  for (int p = 41; p < 47; ++p) codes += row[p];
  score += 100 * codes;
  if (row[7] == 0 && (anyWithoutD || SM2.stackCount == 3)) score += 1000;
  return score;
}

void printMatch(const int* row) {
  Print("Matched spectrum nr. %6d  ", row[56]);
  Print("Brane id code: %s  ", computeIDcode(row, 1).c_str());
  Print("Extra Massless U(1)'s: %d ", row[47] % 10);
  Print("Class: %d\n", getSpectrumClass(row));
}

}  // namespace

void StandardDiagonalForm(int* e, int* q, int* m) {
  int pieces = 0;
  for (int k = 0; k < 3; ++k) pieces += m[k] != 0 ? 1 : 0;
  if (pieces == 0) {
    Alert("StandardDiagonalForm", 0, 212404, "No eigenvalues");
    return;
  }
  if (pieces == 1) {
    int k = m[0] != 0 ? 0 : m[1] != 0 ? 1 : 2;
    if (e[k] != 0) Alert("StandardDiagonalForm", 1, 212404, "single eigenvalue is non-zero");
    const int charge = q[k];
    const int size = m[k];
    for (int l = 0; l < 3; ++l) {
      e[l] = 0;
      q[l] = charge;
      m[l] = 0;
    }
    m[0] = size;
    return;
  }
  if (pieces == 2) {
    int empty = m[0] == 0 ? 0 : m[1] == 0 ? 1 : 2;
    for (int k = empty; k < 2; ++k) {
      std::swap(e[k], e[k + 1]);
      std::swap(q[k], q[k + 1]);
      std::swap(m[k], m[k + 1]);
    }
  } else {
    if (q[0] == 0) {
      std::rotate(e, e + 1, e + 3);
      std::rotate(q, q + 1, q + 3);
      std::rotate(m, m + 1, m + 3);
    } else if (q[1] != 0 && q[2] != 0) {
      Alert("StandardDiagonalForm", 5, 212404, "All three charges are non-zero");
    }
  }
  if (e[0] < e[1]) {
    std::swap(e[0], e[1]);
    std::swap(q[0], q[1]);
    std::swap(m[0], m[1]);
  }
}

void BringDiagonalGeneratorsToStandardFrom() {
  StandardDiagonalForm(SM.cEigenvalues, SM.cCharges, SM.cMultiplicities);
  if (SM.multiplicities[3] != 0)
    StandardDiagonalForm(SM.dEigenvalues, SM.dCharges, SM.dMultiplicities);
}

int getLastBraneQuantization(const int* cList, int* dList) {
  std::copy(cList, cList + 4, dList);
  const int length = listLength(cList);
  if (length == 2) {
    if (cList[2] != kListEnd) {
      Alert("getLastBraneQuantization", 0, 212404, "Unexpected control flow");
      return 0;
    }
    if (cList[0] == 3 && cList[1] == -3) return 1;
    if (cList[0] % 6 == 0 && cList[1] % 6 == 0) {
      dList[0] = 6;
      dList[1] = -6;
      dList[2] = kListEnd;
      return 0;
    }
  } else if (length == 1 && cList[0] == 0) {
    dList[0] = 6;
    dList[1] = -6;
    dList[2] = kListEnd;
    return 0;
  }
  Print("############ CHARGE PROBLEM ###############\n");
  printList("Q", cList);
  Alert("getLastBraneQuantization", 1, 100201,
        "Inconsistent charge list (%s); this pattern is skipped",
        length == 2 ? "two charges" : "one charge");
  return -1;
}

std::vector<std::array<int, 66>> BuildQuvrVariations(const int* row) {
  Variant v0{};
  std::copy(row, row + 66, v0.begin());
  Variant v1 = variantOf(v0, Conjugate_c);
  Variant v2 = variantOf(v1, Conjugate_d);
  Variant v3 = variantOf(v0, Conjugate_d);
  Variant v4 = variantOf(v0, Interchange_cd);
  Variant v5 = variantOf(v1, Interchange_cd);
  Variant v6 = variantOf(v5, Conjugate_c);
  Variant v7 = variantOf(v6, Conjugate_d);
  return {v0, v1, v2, v3, v4, v5, v6, v7};
}

int selectBestMatch(const std::vector<int>& scores) {
  int best = -1;
  for (std::size_t k = 0; k < scores.size(); ++k) {
    if (best < 0 || scores[k] > scores[static_cast<std::size_t>(best)]) best = static_cast<int>(k);
  }
  return best;
}

int findThisSpectrumInQUVRList() {
  CatalogueChargesState& s = state();
  s.spectrumScanStarted = true;
  const ModelRow model = copyStandardModelToModelsFormat(SM);
  const int spectrumClass = getSpectrumClass(model.data());
  s.lastMatched = -1;
  s.matchedSpectra.clear();
  int counts[8] = {};
  if (readQUVRModels(1) >= 0) {
    const std::vector<Variant> variants = BuildQuvrVariations(model.data());
    for (int v = 0; v < 8; ++v) {
      for (int index : catalogueRowsMatching(variants[static_cast<std::size_t>(v)].data(), 41)) {
        s.lastMatched = catalogueRow(index)[56];
        s.matchedSpectra.push_back(index);
        ++counts[v];
        ++s.numberOfMatches;
      }
    }
  }
  if (counts[2] > 0) PrintStdout("Matches (c^*d^*): %d\n", counts[2]);
  if (SM2.stackCount == 4 && SM.multiplicities[3] == 0) {
    for (int index : s.matchedSpectra) printMatch(catalogueRow(index));
    return static_cast<int>(s.matchedSpectra.size());
  }
  // An inexact charge-basis form cannot be compared: the embedding is skipped.
  ChargeBasisVector entry{};
  if (ConvertSpectrumVector(entry.data(), model.data()) == 0) return 0;
  int total = s.totalParticles;
  s.minimalTotal = std::min(s.minimalTotal, total);
  const int counters[11] = {SM.quarkDoublets[0],  SM.quarkDoublets[1], SM.leptonDoublets[0],
                            SM.leptonDoublets[1], SM.antiQuarks[0],    SM.antiQuarks[1],
                            SM.antiQuarks[2],     SM.antiQuarks[3],    SM.singlets[0],
                            SM.singlets[1],       SM.singlets[2]};
  std::copy(counters, counters + 11, entry.begin() + 53);
  if (SM.dEigenvalues[0] == SM.Ynorm && SM.dEigenvalues[1] == -SM.Ynorm)
    total += SM.dMultiplicities[0] + SM.dMultiplicities[1];
  int inner = std::abs(SM.singlets[0]) + total + std::abs(SM.singlets[2]);
  if (SM.multiplicities[3] == 0) inner -= 10;
  int squares = 0;
  for (int k = 30; k < 40; ++k)
    squares += entry[static_cast<std::size_t>(k)] * entry[static_cast<std::size_t>(k)];
  entry[41] = 100 * inner + squares;
  auto found = s.patterns.begin() + addPureIntersectionPattern(entry.data(), kChargeBasisSize);

  int selected = -1;
  int bestScore = -1;
  if (!s.matchedSpectra.empty()) {
    std::vector<int> scores;
    for (int index : s.matchedSpectra) {
      const int* row = catalogueRow(index);
      printMatch(row);
      s.recovered[static_cast<std::size_t>(row[56])] = SM2.modelNumber;
      if (row[47] % 10 == SM.anomalyFreeU1) s.maximalNumberExtraVectorsFound = SM.anomalyFreeU1;
      scores.push_back(scoreOf(row, false));
    }
    const int best = selectBestMatch(scores);
    selected = catalogueRow(s.matchedSpectra[static_cast<std::size_t>(best)])[56];
    bestScore = scores[static_cast<std::size_t>(best)];
    Print("Selected spectrum %d, Code=%d\n", selected, bestScore);
    for (int index : s.matchedSpectra) {
      const int* row = catalogueRow(index);
      if (scoreOf(row, true) != bestScore) continue;
      if (row[56] != selected) {
        Print("************** Degeneracy in minimal choice: %d %d\n", selected, row[56]);
        if (CheckBraneEquivalence(2, 3, row, row + 12, row + 8, row + 16, row + 22) == 1) {
          // c and d are interchangeable: the two matches are one type.
        } else if (SM2.stackCount == 3) {
          Print("Degeneracy expected, original model has only three branes\n");
        } else {
          Alert("findThisSpectrumInQUVRList", 0, 212404, "unexpected degeneracy\n");
        }
      }
      if (row[7] != 0 && computeIDcode(row, 1) != std::string(SM.equivalence)) {
        Print("************** Maximal brane identity not realized for %d\n", row[56]);
        Print("eq_code=%s, id_code=%s\n", SM.equivalence, computeIDcode(row, 1).c_str());
      }
    }
  }
  (*found)[42] = bestScore;
  (*found)[43] = spectrumClass;
  (*found)[44] = selected;
  std::copy(counts, counts + 8, found->begin() + 45);
  return static_cast<int>(s.matchedSpectra.size());
}

std::vector<std::array<int, 2>> hyperchargeOptions() {
  std::vector<std::array<int, 2>> options;
  if (SM.Gamma[0] != 0 && SM.Delta[0] != 0) {
    options = {{1, 0}};
  } else if (SM.antisymmetricTensors[0] != 0) {
    options = {{1, 0}, {-2, 3}};
  } else if (SM.antisymmetricTensors[1] != 0) {
    Print("The first two coefficients of Y are (1/6,0) or (-1/3,1/2) or (2/3,-1/2)\n");
    options = {{1, 0}, {-2, 3}, {4, -3}};
  } else if (CheckOrientability(SM.groupTypes, SM.antisymmetricTensors, SM.symmetricTensors,
                                SM.Gamma, SM.Delta, SM.multiplicities[3] == 0 ? 3 : 4) == 1) {
    options = {{1, 0}};
  } else {
    options = {{1, 0}, {-2, 3}, {4, -3}, {-5, 6}, {7, -6}};
  }
  return options;
}

int DeterminePossibleChargesFromIntersections(void* equations) {
  CatalogueChargesState& s = state();
  const VectorSpace* eq = static_cast<const VectorSpace*>(equations);
  s.numberOfMatches = 0;
  s.acceptedEmbeddings = 0;
  const std::vector<std::array<int, 2>> options = hyperchargeOptions();
  const int nc = SM.multiplicities[2];
  const int nd = SM.multiplicities[3];
  if (nc <= 0) return 0;
  enum class DMode { None, Coupled, Detached, Both };
  for (const auto& option : options) {
    int cList[4];
    int cFrom = 0, cTo = 0, cStep = 1;
    if (GetChargeList(2, option[0], option[1], cList) == 0) continue;
    if (DetermineLoopParameters(cList, nc, SM.groupTypes[2], &cFrom, &cTo, &cStep) == 0) continue;
    int dList[4] = {kListEnd, kListEnd, kListEnd, kListEnd};
    int dFrom = 0, dTo = 0, dStep = 1;
    DMode mode = DMode::None;
    if (nd != 0) {
      const bool meetsAB =
          SM.Gamma[2] != 0 || SM.Delta[2] != 0 || SM.Gamma[4] != 0 || SM.Delta[4] != 0;
      if (!meetsAB) {
        const int coupled = getLastBraneQuantization(cList, dList);
        if (coupled < 0) continue;
        if (SM.Gamma[5] != 0 || SM.Delta[5] != 0) {
          mode = coupled == 1 ? DMode::Coupled : DMode::Detached;
          if (mode == DMode::Coupled &&
              DetermineLoopParameters(dList, nd, SM.groupTypes[3], &dFrom, &dTo, &dStep) == 0) {
            continue;
          }
        } else {
          if (DetermineLoopParameters(dList, nd, SM.groupTypes[3], &dFrom, &dTo, &dStep) == 0)
            continue;
          mode = DMode::Both;
        }
      } else {
        if (GetChargeList(3, option[0], option[1], dList) == 0) continue;
        if (DetermineLoopParameters(dList, nd, SM.groupTypes[3], &dFrom, &dTo, &dStep) == 0)
          continue;
        mode = DMode::Coupled;
      }
    }
    int norm = static_cast<int>(SCM(24, nc));
    if (nd != 0) norm = static_cast<int>(SCM(norm, nd));
    SM.Ynorm = norm;
    if (cStep <= 0) cStep = 1;
    for (int m = cFrom; m <= cTo; m += cStep) {
      const int sizes[3] = {nc - m, m, 0};
      const int c0 = norm * cList[0] / 6;
      const int c1 = listLength(cList) > 1 ? norm * cList[1] / 6 : 0;
      const int charges[3] = {c0, c1, c1};
      SM.Y[0] = norm * option[0] / 6;
      SM.Y[1] = norm * option[1] / 6;
      const long long numerator =
          static_cast<long long>(charges[1]) * m + static_cast<long long>(charges[0]) * (nc - m);
      if (numerator % nc != 0) {
        Print("%lld %d %lld\n", numerator / nc, nc, numerator);
        Alert("DeterminePossibleChargesFromIntersections", 1, 100302,
              "Non-integer number for SM.coefs[2]");
        continue;
      }
      SM.Y[2] = static_cast<int>(numerator / nc);
      setGenerator(SM.cEigenvalues, SM.cCharges, SM.cMultiplicities, sizes, charges, SM.Y[2]);
      const int savedC[9] = {SM.cEigenvalues[0],    SM.cEigenvalues[1],    SM.cEigenvalues[2],
                             SM.cCharges[0],        SM.cCharges[1],        SM.cCharges[2],
                             SM.cMultiplicities[0], SM.cMultiplicities[1], SM.cMultiplicities[2]};
      auto restoreC = [&]() {
        std::copy(savedC, savedC + 3, SM.cEigenvalues);
        std::copy(savedC + 3, savedC + 6, SM.cCharges);
        std::copy(savedC + 6, savedC + 9, SM.cMultiplicities);
      };
      switch (mode) {
        case DMode::None:
          clearDGenerator();
          compareToSmSpectrum(eq);
          break;
        case DMode::Coupled:
          dbraneChargeLoop(dFrom, dTo, dStep, dList, eq);
          break;
        case DMode::Detached:
          detachedDbraneChargeLoop(eq);
          break;
        case DMode::Both:
          dbraneChargeLoop(dFrom, dTo, dStep, dList, eq);
          restoreC();
          detachedDbraneChargeLoop(eq);
          break;
      }
      restoreC();
    }
  }
  return s.acceptedEmbeddings;
}

void clearPureIntersectionSpectra() { state().patterns.clear(); }

int addPureIntersectionPattern(const int* entry, int size) {
  std::vector<ChargeBasisVector>& patterns = state().patterns;
  ChargeBasisVector row{};
  std::copy(entry, entry + std::min(size, kChargeBasisSize), row.begin());
  auto found = std::find_if(patterns.begin(), patterns.end(), [&](const ChargeBasisVector& stored) {
    return std::equal(stored.begin(), stored.begin() + kPatternIdentity, row.begin());
  });
  if (found != patterns.end()) return static_cast<int>(found - patterns.begin());
  patterns.push_back(row);
  return static_cast<int>(patterns.size()) - 1;
}

int patternCount() {
  return static_cast<int>(state().patterns.size());
}
const int* patternEntry(int index) {
  const CatalogueChargesState& s = state();
  if (index < 0 || index >= static_cast<int>(s.patterns.size())) return nullptr;
  return s.patterns[static_cast<std::size_t>(index)].data();
}

void resetCatalogueCharges() {
  state() = CatalogueChargesState();
}
