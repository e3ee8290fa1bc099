// Brane identity and equivalences: which stacks are the same brane (from the pair
// identification codes), which are interchangeable as far as the chiral spectrum can tell
// (from tensors, Gamma and Delta), the ordered spectrum of a record with its particle
// classes, and the universality of each particle type.
//
// Identity and equivalence texts have four letters, one per stack; a stack equal to an
// earlier one carries that stack's letter, a missing d is a blank. The spectra computed
// for a record are kept here, keyed by the record, until the next computation for it.
#include <cstdlib>
#include <map>
#include <memory>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/CatalogueInternal.h"

namespace {

struct RecordSpectra {
  CountedMultiplets counted;
  OrderedMultiplets ordered;
};

struct CatalogueIdentityState {
  std::map<const StandardModel*, std::unique_ptr<RecordSpectra>> spectra;
};

CatalogueIdentityState& state() {
  static CatalogueIdentityState s;
  return s;
}

int stackCountOf(const int* groups) {
  return groups[3] == -2 ? 3 : 4;
}

}  // namespace

// --- Equivalences ----------------------------------------------------------------------------

int CheckBraneEquivalence(int i, int j, const int* groups, const int* anti, const int* sym,
                          const int* Gamma, const int* Delta) {
  const int n = stackCountOf(groups);
  if (anti[i] != anti[j] || sym[i] != sym[j]) return 0;
  for (int k = 0; k < n; ++k) {
    if (k == i || k == j) continue;
    const int ki = kPairIndex[k][i];
    const int jk = kPairIndex[j][k];
    // Delta is antisymmetric in its stacks: stored as (first, second) it turns sign for
    // the stack between i and j.
    const int reversal = i < k && k < j ? -1 : 1;
    if (Gamma[ki] != Gamma[jk]) return 0;
    if (Delta[ki] != reversal * Delta[jk]) return 0;
  }
  if (groups[i] != groups[j]) return 0;
  const int ij = kPairIndex[i][j];
  if (Gamma[ij] != sym[i] + anti[i]) return 0;
  if (Delta[ij] != 0)
    Print("******* Partial equivalence for %d: Delta does not vanish\n", SM2.modelNumber);
  return 1;
}

int CheckConjugateBraneEquivalence(int i, int j, const int* groups, const int* anti, const int* sym,
                                   const int* Gamma, const int* Delta) {
  if (groups[j] != 0) return 0;
  int a[4], s[4], g[6], d[6];
  std::copy(anti, anti + 4, a);
  std::copy(sym, sym + 4, s);
  std::copy(Gamma, Gamma + 6, g);
  std::copy(Delta, Delta + 6, d);
  a[j] = -a[j];
  s[j] = -s[j];
  auto exchange = [&](int pair) { std::swap(g[pair], d[pair]); };
  auto exchangeNegated = [&](int pair) {
    const int gamma = g[pair];
    g[pair] = -d[pair];
    d[pair] = -gamma;
  };
  if (j == 1) {
    exchange(0);
    exchangeNegated(3);
    exchangeNegated(4);
  } else if (j == 2) {
    exchange(1);
    exchange(3);
    exchangeNegated(5);
  } else if (j == 3) {
    exchange(2);
    exchange(4);
    exchange(5);
  }
  return CheckBraneEquivalence(i, j, groups, a, s, g, d);
}

int CheckSelfConjugateBranes(int k, const int* groups, const int* anti, const int* sym,
                             const int* Gamma, const int* Delta) {
  if (groups[k] != 0) return 1;
  if (anti[k] != 0 || sym[k] != 0) return 0;
  const int n = stackCountOf(groups);
  for (int x = 0; x < n; ++x) {
    if (x == k) continue;
    const int q = kPairIndex[x][k];
    if (x < k && Gamma[q] != Delta[q]) return 0;
    if (x > k && Gamma[q] + Delta[q] != 0) return 0;
  }
  return 1;
}

std::string CheckBraneEquivalences(const int* groups, const int* anti, const int* sym,
                                   const int* Gamma, const int* Delta, int* flags) {
  const int n = stackCountOf(groups);
  std::string code = n == 3 ? "abc " : "abcd";
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (CheckBraneEquivalence(i, j, groups, anti, sym, Gamma, Delta) == 1) {
        code[static_cast<std::size_t>(j)] = code[static_cast<std::size_t>(i)];
      }
      if (CheckConjugateBraneEquivalence(i, j, groups, anti, sym, Gamma, Delta) == 1) {
        Print("Branes %c and %c* (the conjugate of %c) are equivalent\n", kStackLetters[i],
              kStackLetters[j], kStackLetters[j]);
      }
    }
  }
  if (flags != nullptr) {
    flags[3] = 0;
    for (int k = 0; k < n; ++k)
      flags[k] = CheckSelfConjugateBranes(k, groups, anti, sym, Gamma, Delta);
  }
  return code;
}

// --- Identity --------------------------------------------------------------------------------

namespace {

std::string identityFromCodes(const int* codes, int stackCount) {
  std::string id = "abcd";
  char b = codes[0] == 1 ? 'a' : 'b';
  char c = codes[1] == 1 ? 'a' : 'c';
  if (codes[0] == 1) id[1] = 'a';
  if (codes[1] == 1) id[2] = 'a';
  if (codes[2] == 1) id[3] = 'a';
  if (codes[3] == 1) {
    id[2] = b;
    c = b;
  }
  if (codes[4] == 1) id[3] = b;
  if (codes[5] == 1) id[3] = c;
  if (stackCount == 3) id[3] = ' ';
  return id;
}

}  // namespace

std::string getBraneIdentity(const int* codes, int stackCount) {
  for (int p = 0; p < 6; ++p) {
    if (codes[p] == -1) {
      Alert("getBraneIdentity", 0, 212404, "Unexpected conjugate brane identification");
      return "";
    }
  }
  return identityFromCodes(codes, stackCount);
}

std::string PrintBraneIdentity(StandardModel* record, int stackCount) {
  const std::string equivalence =
      CheckBraneEquivalences(record->groupTypes, record->antisymmetricTensors,
                             record->symmetricTensors, record->Gamma, record->Delta, nullptr);
  std::snprintf(record->equivalence, sizeof record->equivalence, "%s", equivalence.c_str());
  Print("Brane equivalence: %s\n", equivalence.c_str());
  const std::string identity = getBraneIdentity(record->pairIdentification, stackCount);
  if (identity.empty()) return identity;
  std::snprintf(record->identity, sizeof record->identity, "%s", identity.c_str());
  bool distinct = true;
  for (int p = 0; p < 6; ++p) distinct = distinct && record->pairIdentification[p] == 0;
  if (distinct) {
    Print("All branes are distinct\n");
    return identity;
  }
  // One line however many stacks share a brane.
  const int n = std::min(std::max(stackCount, 0), 4);
  bool shared = false;
  for (char letter = 'a'; letter <= 'd'; ++letter) {
    int seen = 0;
    for (int k = 0; k < n; ++k) seen += identity[static_cast<std::size_t>(k)] == letter ? 1 : 0;
    shared = shared || seen >= 2;
  }
  if (shared) Print("Brane identity:   %s\n", identity.c_str());
  return identity;
}

void computeStandardModelBraneIdentity(StandardModel* record) {
  const std::string identity = identityFromCodes(record->pairIdentification, 4);
  std::string equivalence =
      CheckBraneEquivalences(record->groupTypes, record->antisymmetricTensors,
                             record->symmetricTensors, record->Gamma, record->Delta, nullptr);
  std::snprintf(record->identity, sizeof record->identity, "%s", identity.c_str());
  std::snprintf(record->equivalence, sizeof record->equivalence, "%s", equivalence.c_str());
  if (record->multiplicities[3] == 0) {
    record->identity[3] = ' ';
    record->equivalence[3] = ' ';
  }
}

int CheckPseudoOrientability(const int* groups, const int* anti, const int* sym, const int* Gamma,
                             const int* Delta, int stackCount) {
  const int n = std::min(std::max(stackCount, 0), 4);
  for (int k = 0; k < n; ++k) {
    if (groups[k] != 0) return 0;
  }
  if (anti[0] != 0 || anti[1] != 0) return 0;
  for (int k = 0; k < 4; ++k) {
    if (sym[k] != 0) return 0;
  }
  // There are six pairs whatever n(n+1)/2 says.
  const int pairs = std::min(n * (n + 1) / 2, 6);
  for (int q = 0; q < pairs; ++q) {
    if (Gamma[q] * Delta[q] != 0) return 0;
  }
  // Every stack must also carry symmetric tensors, which the test above has excluded: the
  // answer is never 1 for a model with stacks.
  for (int k = 0; k < n; ++k) {
    if (sym[k] == 0) return 0;
  }
  return 1;
}

int CheckSemiDetachedDBrane(const int* Gamma, const int* Delta, int stackCount) {
  return stackCount == 4 && Gamma[2] == 0 && Delta[2] == 0 && Gamma[4] == 0 && Delta[4] == 0 ? 1
                                                                                             : 0;
}

// --- Ordered spectrum and universality -------------------------------------------------------

void computeOrderedStandardModelSpectrum(StandardModel* record) {
  auto spectra = std::make_unique<RecordSpectra>();
  CountedMultiplets& counted = spectra->counted;
  OrderedMultiplets& ordered = spectra->ordered;
  static constexpr int kFirstComponents[6] = {1, 1, 1, 1, 1, 2};
  static constexpr int kSecondComponents[6] = {1, 2, 2, 2, 2, 2};
  static constexpr int kTensorBlocks[4] = {1, 1, 3, 3};
  int row[kMultipletSize];
  for (int p = 0; p < 6; ++p) {
    for (int i = 0; i < kFirstComponents[p]; ++i) {
      for (int j = 0; j < kSecondComponents[p]; ++j) {
        int copies = SM_multiplet(*record, p, record->Gamma[p], 1, i, j, row);
        if (copies != 0) counted.add(row, copies);
        copies = SM_multiplet(*record, p, record->Delta[p], -1, i, j, row);
        if (copies != 0) counted.add(row, copies);
      }
    }
  }
  for (int k = 0; k < 4; ++k) {
    for (int i = 0; i < kTensorBlocks[k]; ++i) {
      int copies = SM_tensor(*record, k, record->antisymmetricTensors[k], -1, i, row);
      if (copies != 0) counted.add(row, copies);
      copies = SM_tensor(*record, k, record->symmetricTensors[k], 1, i, row);
      if (copies != 0) counted.add(row, copies);
    }
  }
  static constexpr int kClasses[11][3] = {{1, 1, 1},  {-1, 1, -1}, {-1, 0, -4}, {1, 0, 4},
                                          {-1, 0, 2}, {1, 0, -2},  {0, 1, -3},  {0, 1, 3},
                                          {0, 0, 6},  {0, 0, -6},  {0, 0, 0}};
  for (const auto& c : kClasses)
    addParticleTypeToOrderedCollection(counted, &ordered, c[0], c[1], c[2]);
  for (int p : {3, 4}) {
    const int second = kPairSecond[p];
    for (int i = 0; i < kFirstComponents[p]; ++i) {
      for (int j = 0; j < kSecondComponents[p]; ++j) {
        for (int s1 : {1, -1}) {
          for (int s2 : {1, -1}) {
            if (s2 == -1 && record->groupTypes[second] != 0) continue;
            int higgs[kOrderedMultipletSize] = {};
            const int copies = SM_multiplet(*record, p, s1, s2, i, j, higgs);
            if (copies == 0) continue;
            higgs[19] = higgs[2] == -3 ? 6 : higgs[2] == 3 ? -6 : 7;
            higgs[20] = copies;
            ordered.add(higgs);
          }
        }
      }
    }
  }
  state().spectra[record] = std::move(spectra);
}

void computeStandardModelUniversality(StandardModel* record) {
  const OrderedMultiplets* ordered = getOrderedSpectrum(record);
  const int nc = record->multiplicities[2];
  const int nd = record->multiplicities[3];
  for (int t = 0; t < 6; ++t) {
    int rows = 0;
    int sum = 0;
    bool marked = false;
    if (ordered != nullptr) {
      for (const auto& row : ordered->rows) {
        if (std::abs(row[19]) != t) continue;
        ++rows;
        sum += row[20];
        if ((nc >= 2 && (row[7] != 0 || row[8] != 0)) || (nd >= 2 && (row[9] != 0 || row[10] != 0)))
          marked = true;
      }
    }
    record->universality[t] = sum == 3 && !marked ? (rows == 1 ? 1 : 2) : 0;
  }
}

const CountedMultiplets* getCountedSpectrum(const StandardModel* record) {
  auto found = state().spectra.find(record);
  return found == state().spectra.end() ? nullptr : &found->second->counted;
}

const OrderedMultiplets* getOrderedSpectrum(const StandardModel* record) {
  auto found = state().spectra.find(record);
  return found == state().spectra.end() ? nullptr : &found->second->ordered;
}

void resetCatalogueIdentity() {
  state() = CatalogueIdentityState();
}
