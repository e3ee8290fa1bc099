// Dynkin indices of the representations of an affine Lie algebra from its fusion rules.
//
// The index file gives the dimension and indices of the trivial and fundamental
// representations; every fusion product a x b = sum_c N_ab^c c then obeys the sum rules
// dim(a) dim(b) = sum_c N_ab^c dim(c) and I_t(a) dim(b) + I_t(b) dim(a) = sum_c N_ab^c
// I_t(c). A product in which exactly one field u has unknown indices determines them (the
// remainder divided by N_ab^u). Passes over all pairs of known fields repeat until a pass
// determines nothing. Each determined field is appended to the index file, and the product
// that gave it to the "_characters" file beside it. The products of one field with all
// the known ones are read off one block of fusion products; the sum rules run in 128-bit
// integers where every value is an integer, and in exact large rationals otherwise.
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
                        const std::vector<FusionCoefficient>& coefficients) {
  std::string text = "G " + SM_getCharacterName(sd, u) + " = " + SM_getCharacterName(sd, a) +
                     " * " + SM_getCharacterName(sd, b);
  for (int m = 0; m < sd->n_primaries; ++m) {
    const FusionCoefficient c = coefficients[static_cast<std::size_t>(m)];
    if (m == u || c == 0) continue;
    text += formatText("\n -%lld * %s ", static_cast<long long>(c),
                       SM_getCharacterName(sd, m).c_str());
  }
  text += ";\n#call fixfac{}\n.store\n";
  appendToFile(charactersFileName(sd), text);
}

// Results of one product besides 0 and 1 (see indicesFromProduct).
constexpr int kIndicesStopped = -1;
constexpr int kIndicesFailed = -2;
// A product with more than one field of unknown indices: tried again in a later pass.
constexpr int kTwoUnknown = 2;

// The value of x when it is an integer of at most 62 bits.
bool smallInteger(const lint& x, std::int64_t* out) {
  lint y;
  lint_copy(&y, &x);
  regform(&y);
  if (y.length > 3) return false;
  __int128 value = 0;
  for (int limb = y.length - 1; limb >= 0; --limb)
    value = value * 1000000000 + y.limbs[static_cast<std::size_t>(limb)];
  if (y.sign < 0) value = -value;
  if (value > (static_cast<__int128>(1) << 62) || value < -(static_cast<__int128>(1) << 62))
    return false;
  *out = static_cast<std::int64_t>(value);
  return true;
}

// Dimension and indices of the fields as integers where they are integers: the sum rules
// of most products then run in integer arithmetic instead of large rationals.
struct IntegerIndices {
  int count = 0;
  std::vector<char> state;            // per field: 0 unknown, 1 integers, 2 other values
  std::vector<std::int64_t> values;   // per field: dimension, then the count indices

  void note(const SpectrumData* sd, int a) {
    char& st = state[static_cast<std::size_t>(a)];
    st = 2;
    for (int t = 0; t <= count; ++t) {
      const lrat* q = SM_getIndex(sd, a, t);
      std::int64_t num = 0, den = 0;
      if (q == nullptr || !smallInteger(q->num, &num) || !smallInteger(q->den, &den) || den == 0)
        return;
      if (num % den != 0) return;
      values[static_cast<std::size_t>(a) * static_cast<std::size_t>(count + 1) +
             static_cast<std::size_t>(t)] = num / den;
    }
    st = 1;
  }
  void load(const SpectrumData* sd) {
    const int n = sd->n_primaries;
    count = SM_getIndexCount(sd);
    state.assign(static_cast<std::size_t>(n), 0);
    values.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(count + 1), 0);
    for (int a = 0; a < n; ++a)
      if (indicesKnown(sd, a)) note(sd, a);
  }
  std::int64_t at(int a, int t) const {
    return values[static_cast<std::size_t>(a) * static_cast<std::size_t>(count + 1) +
                  static_cast<std::size_t>(t)];
  }
};

// N_ab^c for every c: from the table or block of products when it serves (a, b), else
// one sum each. kIndicesStopped when stopped, kIndicesFailed after an alert that fusion
// cannot give indices; else 0.
int productCoefficients(SpectrumData* sd, int a, int b, bool served,
                        std::vector<FusionCoefficient>& coefficients) {
  const int n = sd->n_primaries;
  coefficients.assign(static_cast<std::size_t>(n), 0);
  if (served) {
    std::vector<int> row;
    fusionProductRow(a, b, row);
    const bool exceptions = fusionProductExceptions();
    for (int c = 0; c < n; ++c) {
      coefficients[static_cast<std::size_t>(c)] = row[static_cast<std::size_t>(c)];
      if (exceptions && fusionProductException(a, b, MOD_fusionTableConjugate(c)) != nullptr)
        coefficients[static_cast<std::size_t>(c)] = fusionServedCoefficient(a, b, c);
    }
  } else {
    for (int c = 0; c < n; ++c) {
      coefficients[static_cast<std::size_t>(c)] = fusion(a, b, c, 0);
      if (fusionInterrupted(coefficients[static_cast<std::size_t>(c)])) return kIndicesStopped;
    }
  }
  for (int c = 0; c < n; ++c) {
    const FusionCoefficient value = coefficients[static_cast<std::size_t>(c)];
    // Undecided: its alert was given, and nothing can be concluded from this product.
    if (fusionUndecided(value)) return kIndicesFailed;
    // A negative coefficient is no multiplicity (S was not good enough to give one):
    // nothing can be concluded from this theory's fusion.
    if (value < 0) {
      Alert("indicesFromFusion", 1, 100202,
            "Negative fusion coefficient\nN(%d,%d,%d)=%lld\nIndices cannot be determined from "
            "fusion\n",
            a, b, c, static_cast<long long>(value));
      return kIndicesFailed;
    }
  }
  return 0;
}

// Records the determined indices of u (from the product a x b).
void storeIndices(SpectrumData* sd, int a, int b, int u, std::vector<lrat>& indices,
                  const std::vector<FusionCoefficient>& coefficients) {
  SM_addRationalIndex(sd, u, indices.data());
  // The characters record follows only a record this run really added, so runs that
  // share the files never list one product twice.
  if (SM_appendIndexRecord(sd, u) == 0) writeTensorProduct(sd, a, b, u, coefficients);
}

// The sum rules of a x b in large rationals; 1 when they determined the indices of a new
// field, else 0.
int rationalIndicesFromProduct(SpectrumData* sd, int a, int b,
                               const std::vector<FusionCoefficient>& coefficients) {
  const int n = sd->n_primaries;
  const int count = SM_getIndexCount(sd);
  const lrat* dimA = SM_getIndex(sd, a, 0);
  const lrat* dimB = SM_getIndex(sd, b, 0);
  lrat dimSum;
  lrat_copy(&dimSum, dimA);
  lrat_multiply(&dimSum, dimB);
  std::vector<lrat> sums(static_cast<std::size_t>(count));
  for (int t = 1; t <= count; ++t) {
    lrat term;
    lrat_copy(&sums[static_cast<std::size_t>(t - 1)], SM_getIndex(sd, a, t));
    lrat_multiply(&sums[static_cast<std::size_t>(t - 1)], dimB);
    lrat_copy(&term, SM_getIndex(sd, b, t));
    lrat_multiply(&term, dimA);
    lrat_add(&sums[static_cast<std::size_t>(t - 1)], &term);
  }
  int unknown = -1;
  for (int c = 0; c < n; ++c) {
    const FusionCoefficient N = coefficients[static_cast<std::size_t>(c)];
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
      return kTwoUnknown;
    }
  }
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
  storeIndices(sd, a, b, unknown, sums, coefficients);
  return 1;
}

// The same in integers, when the dimension and indices of a, b and every known field of
// the product are integers and the remainder divides exactly; -1 when it cannot (the
// rational form then decides).
int integerIndicesFromProduct(SpectrumData* sd, const IntegerIndices& known, int a, int b,
                              const std::vector<FusionCoefficient>& coefficients) {
  const int n = sd->n_primaries;
  const int count = known.count;
  if (known.state[static_cast<std::size_t>(a)] != 1 ||
      known.state[static_cast<std::size_t>(b)] != 1)
    return -1;
  const __int128 dimA = known.at(a, 0), dimB = known.at(b, 0);
  __int128 dimSum = dimA * dimB;
  std::vector<__int128> sums(static_cast<std::size_t>(count));
  for (int t = 1; t <= count; ++t)
    sums[static_cast<std::size_t>(t - 1)] = known.at(a, t) * dimB + known.at(b, t) * dimA;
  int unknown = -1;
  for (int c = 0; c < n; ++c) {
    const __int128 N = coefficients[static_cast<std::size_t>(c)];
    if (N == 0) continue;
    const char st = known.state[static_cast<std::size_t>(c)];
    if (st == 2) return -1;
    if (st == 0) {
      // The dimension of an unknown field may be there; without it the rational form
      // (which reads the same record) decides.
      const lrat* dim = SM_getIndex(sd, c, 0);
      std::int64_t num = 0, den = 0;
      if (dim == nullptr || !smallInteger(dim->num, &num) || !smallInteger(dim->den, &den) ||
          den != 1)
        return -1;
      dimSum -= N * num;
      if (unknown >= 0) return kTwoUnknown;
      unknown = c;
      continue;
    }
    dimSum -= N * known.at(c, 0);
    for (int t = 1; t <= count; ++t) sums[static_cast<std::size_t>(t - 1)] -= N * known.at(c, t);
  }
  if (dimSum != 0) return 0;
  if (unknown < 0) {
    for (int t = 1; t <= count; ++t) {
      if (sums[static_cast<std::size_t>(t - 1)] != 0)
        Alert("indicesFromFusion", 2, 100301,
              "Non-zero index sum rule; index %d, fusion (%d)x(%d)\n", t, a, b);
    }
    return 0;
  }
  const __int128 multiplicity = coefficients[static_cast<std::size_t>(unknown)];
  std::vector<lrat> indices(static_cast<std::size_t>(count));
  for (int t = 1; t <= count; ++t) {
    const __int128 sum = sums[static_cast<std::size_t>(t - 1)];
    if (sum % multiplicity != 0) return -1;
    const __int128 value = sum / multiplicity;
    if (value > INT64_MAX || value < INT64_MIN) return -1;
    indices[static_cast<std::size_t>(t - 1)] = ratOfInt(static_cast<long long>(value));
  }
  storeIndices(sd, a, b, unknown, indices, coefficients);
  return 1;
}

// Tries the product a x b (both known, pair unused); 1 when it determined the indices of a
// new field, 0 when not, kIndicesStopped or kIndicesFailed.
int indicesFromProduct(SpectrumData* sd, IntegerIndices& known, std::vector<char>& used, int a,
                       int b, bool served) {
  const int n = sd->n_primaries;
  if (SM_getIndex(sd, a, 0) == nullptr || SM_getIndex(sd, b, 0) == nullptr) return 0;
  std::vector<FusionCoefficient> coefficients;
  const int read = productCoefficients(sd, a, b, served, coefficients);
  if (read != 0) return read;
  int found = integerIndicesFromProduct(sd, known, a, b, coefficients);
  if (found < 0) found = rationalIndicesFromProduct(sd, a, b, coefficients);
  if (found == kTwoUnknown) return 0;
  used[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) + static_cast<std::size_t>(b)] =
      1;
  if (found == 1) {
    for (int c = 0; c < n; ++c)
      if (known.state[static_cast<std::size_t>(c)] == 0 && indicesKnown(sd, c)) known.note(sd, c);
  }
  return found;
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
  // A mark per pair of fields, sized before the work starts.
  if (!requireAllocationSize("computeIndices", "The pairs of the index computation",
                             static_cast<long double>(n) * n, sizeof(char)))
    return 1;
  IntegerIndices integers;
  integers.load(sd);
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
    // The products of each field a with every known b >= a come at once (threaded blocks
    // of products): the line reads elapsed time.
    startProgressInfoElapsed(title.c_str(), 1, static_cast<double>(n) * (n - 1) / 2.0);
    int found = 0;
    bool stopped = false;
    bool failed = false;
    for (int a = 1; a < n && !stopped; ++a) {
      if (advanceProgressInfo(n - a) != 0 || getStopSignal() != 0) {
        stopped = true;
        break;
      }
      if (!indicesKnown(sd, a)) continue;
      std::vector<int> partners;
      for (int b = a; b < n; ++b) {
        if (indicesKnown(sd, b) &&
            used[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) +
                 static_cast<std::size_t>(b)] == 0)
          partners.push_back(b);
      }
      if (partners.empty()) continue;
      const bool served = fusionProductsPrepare(a, partners, nullptr);
      if (!served && getStopSignal() != 0) {
        stopped = true;
        break;
      }
      for (int b : partners) {
        const int result = indicesFromProduct(sd, integers, used, a, b, served);
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
