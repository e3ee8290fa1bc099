// Dynkin indices of the representations of an affine Lie algebra from its fusion rules.
//
// The index file gives the dimension and indices of the trivial and fundamental
// representations; every fusion product a x b = sum_c N_ab^c c then obeys the sum rules
// dim(a) dim(b) = sum_c N_ab^c dim(c) and I_t(a) dim(b) + I_t(b) dim(a) = sum_c N_ab^c
// I_t(c). A product in which exactly one field u has unknown indices determines them (the
// remainder divided by N_ab^u). Passes over all pairs of known fields repeat until a pass
// determines nothing. Each determined field is appended to the index file, and the product
// that gave it to the "_characters" file beside it. Values are exact large rationals.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "lie/LieAlgebra.h"
#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"
#include "store/StoremanagerQueries.h"

namespace {

lrat ratOfInt(long long value) {
  lrat q;
  lrat_assign(&q, value, 1);
  return q;
}

bool indicesKnown(const SpectrumData* sd, int a) {
  const int count = SM_getIndexCount(sd);
  for (int t = 1; t <= count; ++t) {
    if (SM_getIndex(sd, a, t) == nullptr) return false;
  }
  return true;
}

int knownFields(const SpectrumData* sd) {
  int known = 0;
  for (int a = 0; a < sd->n_primaries; ++a) known += indicesKnown(sd, a) ? 1 : 0;
  return known;
}

std::string charactersFileName(const SpectrumData* sd) {
  std::string name = SM_setIndexFileName(sd);
  const std::string suffix = "_indices";
  if (name.size() >= suffix.size() &&
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
    name.replace(name.size() - suffix.size(), suffix.size(), "_characters");
  return name;
}

bool appendToFile(const std::string& path, const std::string& text) {
  return appendToSharedFile(path, text);
}

// One record of the "_characters" file: u expressed through the product a x b.
void writeTensorProduct(SpectrumData* sd, int a, int b, int u,
                        const std::vector<int>& coefficients) {
  std::string text = "G " + SM_getCharacterName(sd, u) + " = " + SM_getCharacterName(sd, a) +
                     " * " + SM_getCharacterName(sd, b);
  for (int m = 0; m < sd->n_primaries; ++m) {
    const int c = coefficients[static_cast<std::size_t>(m)];
    if (m == u || c == 0) continue;
    text += formatText("\n -%d * %s ", c, SM_getCharacterName(sd, m).c_str());
  }
  text += ";\n#call fixfac{}\n.store\n";
  appendToFile(charactersFileName(sd), text);
}

// Results of one product besides 0 and 1 (see indicesFromFusion).
constexpr int kIndicesStopped = -1;
constexpr int kIndicesFailed = -2;

// Tries the product a x b; 1 when it determined the indices of a new field, 0 when not,
// kIndicesStopped when the user stopped the computation, kIndicesFailed after an alert
// that fusion cannot give indices.
int indicesFromFusion(SpectrumData* sd, std::vector<char>& used, int a, int b) {
  const int n = sd->n_primaries;
  char& pairUsed =
      used[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) + static_cast<std::size_t>(b)];
  if (pairUsed != 0) return 0;
  const int count = SM_getIndexCount(sd);
  const lrat* dimA = SM_getIndex(sd, a, 0);
  const lrat* dimB = SM_getIndex(sd, b, 0);
  if (dimA == nullptr || dimB == nullptr) return 0;
  lrat dimSum;
  lrat_copy(&dimSum, dimA);
  lrat_multiply(&dimSum, dimB);
  std::vector<lrat> sums(static_cast<std::size_t>(count));
  for (int t = 1; t <= count; ++t) {
    const lrat* ia = SM_getIndex(sd, a, t);
    const lrat* ib = SM_getIndex(sd, b, t);
    if (ia == nullptr || ib == nullptr) return 0;
    lrat term;
    lrat_copy(&sums[static_cast<std::size_t>(t - 1)], ia);
    lrat_multiply(&sums[static_cast<std::size_t>(t - 1)], dimB);
    lrat_copy(&term, ib);
    lrat_multiply(&term, dimA);
    lrat_add(&sums[static_cast<std::size_t>(t - 1)], &term);
  }
  initSMATRIX();
  if (getStopSignal() != 0) return kIndicesStopped;
  std::vector<int> coefficients(static_cast<std::size_t>(n), 0);
  for (int c = 0; c < n; ++c) {
    const int value = fusion(a, b, c, 0);
    if (fusionInterrupted(value)) return kIndicesStopped;
    // A negative coefficient is no multiplicity (S was not good enough to give one):
    // nothing can be concluded from this theory's fusion.
    if (value < 0) {
      Alert("indicesFromFusion", 1, 100202,
            "Negative fusion coefficient\nN(%d,%d,%d)=%d\nIndices cannot be determined from "
            "fusion\n",
            a, b, c, value);
      return kIndicesFailed;
    }
    coefficients[static_cast<std::size_t>(c)] = value;
  }
  int unknown = -1;
  for (int c = 0; c < n; ++c) {
    const int N = coefficients[static_cast<std::size_t>(c)];
    if (N == 0) continue;
    lrat term;
    lrat_copy(&term, SM_getIndex(sd, c, 0));
    lrat multiplicity = ratOfInt(N);
    lrat_multiply(&term, &multiplicity);
    lrat_subtract(&dimSum, &term);
    if (indicesKnown(sd, c)) {
      for (int t = 1; t <= count; ++t) {
        lrat_copy(&term, SM_getIndex(sd, c, t));
        lrat_multiply(&term, &multiplicity);
        lrat_subtract(&sums[static_cast<std::size_t>(t - 1)], &term);
      }
    } else if (unknown < 0) {
      unknown = c;
    } else {
      return 0;
    }
  }
  pairUsed = 1;
  if (lrat_zero_check(&dimSum) == 0) return 0;
  if (unknown < 0) {
    for (int t = 1; t <= count; ++t) {
      if (lrat_zero_check(&sums[static_cast<std::size_t>(t - 1)]) == 0)
        Alert("indicesFromFusion", 2, 100301,
              "Non-zero index sum rule; index %d, fusion (%d)x(%d)\n", t, a, b);
    }
    return 0;
  }
  // The remainder is N_ab^u times the indices of u.
  lrat multiplicity = ratOfInt(coefficients[static_cast<std::size_t>(unknown)]);
  for (lrat& sum : sums) {
    lrat_divide(&sum, &multiplicity);
    simplify_rat(&sum);
  }
  SM_addRationalIndex(sd, unknown, sums.data());
  if (SM_appendIndexRecord(sd, unknown) == 0) writeTensorProduct(sd, a, b, unknown, coefficients);
  return 1;
}

}  // namespace

int computeIndices() {
  ModularState& s = modularState();
  SpectrumData* sd = currentSD;
  if (s.IndicesComputed != 0) return 0;
  if (KMCosetSwitch != 0 || sd == nullptr) {
    Alert("computeIndices", 0, 100201, "Index computation meaningless in coset mode");
    return 1;
  }
  if (SM_loadIndices(sd) < 0) return 1;
  const int n = sd->n_primaries;
  int known = knownFields(sd);
  if (known < n) {
    Print("Determining indices; Character expansion in file %s\n", charactersFileName(sd).c_str());
    Print("Characters are expressed in terms of %d previously determined ones\n", known);
  }
  std::vector<char> used(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  for (int pass = 1;; ++pass) {
    bool all = true;
    for (int a = 1; a < n; ++a) all = all && indicesKnown(sd, a);
    if (all || n < 2) {
      Print("All indices determined\n");
      s.IndicesComputed = 1;
      return 0;
    }
    initSMATRIX();
    if (getStopSignal() != 0) return 1;
    const std::string title = formatText("Computing indices (iteration %d, known %d)", pass, known);
    startProgressInfo(title.c_str(), 1, static_cast<double>(n) * (n - 1) / 2.0);
    int found = 0;
    bool stopped = false;
    bool failed = false;
    for (int a = 1; a < n && !stopped; ++a) {
      for (int b = a; b < n; ++b) {
        if (incrementProgressInfo() != 0) {
          stopped = true;
          break;
        }
        if (!indicesKnown(sd, a) || !indicesKnown(sd, b)) continue;
        const int result = indicesFromFusion(sd, used, a, b);
        if (result < 0) {
          stopped = true;
          failed = result == kIndicesFailed;
          break;
        }
        found += result;
      }
    }
    stopProgressInfo(title.c_str());
    if (failed) return 1;
    if (stopped || found == 0) return stopped ? 1 : 0;
    known += found;
  }
}

int computeIndicesSingle(int i, std::string* buffer) {
  SpectrumData* sd = currentSD;
  if (KMCosetSwitch != 0 || sd == nullptr) {
    Alert("computeIndicesSingle", 0, 100201, "Index computation meaningless in coset mode");
    return 1;
  }
  if (SM_loadIndices(sd) < 0) return 1;
  if (!indicesKnown(sd, i)) computeIndices();
  if (!indicesKnown(sd, i)) {
    Alert("computeIndicesSingle", 1, 100202, "Cannot determine indices for repr. %d\n", i);
    return 1;
  }
  std::string text =
      formatText("Field %d\nDimension = %s\n", i, lrat_string(SM_getIndex(sd, i, 0)).c_str());
  const std::vector<int> orders = indexOrders(sd->type, sd->rank);
  for (int t = 1; t <= SM_getIndexCount(sd); ++t) {
    const int order =
        t - 1 < static_cast<int>(orders.size()) ? orders[static_cast<std::size_t>(t - 1)] : 0;
    text += formatText("Index[%d] = %s\n", order, lrat_string(SM_getIndex(sd, i, t)).c_str());
  }
  if (buffer != nullptr) {
    *buffer += text;
  } else {
    Print("%s", text.c_str());
  }
  return 0;
}
