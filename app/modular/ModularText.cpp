// Display of S and P elements and of fusion and P-fusion products as text.
//
// A fusion product (i) x (j) is written term by term: one ratio row
// R_m = S(i, m) S(j, m) / S(d, m) is formed once (over orbit representatives when the
// orbit tables exist and d is the vacuum), and each coefficient is then a single sum of R
// against the row of k. With the orbit S base all coefficients are summed together, each
// element of the base computed once; once a theory has been asked for many products they
// are read off its whole fusion table. A coefficient is accepted within a tolerance that
// grows with its summed terms. Terms are " (k) ", " + (k) ", " - (k) ", " n x (k) ", ...;
// a line that reaches 61 characters continues after a line break and 14 blanks.
//
// An S element is printed as its value, except that one that would print as zero prints
// as +0 (never "-0").
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "modular/ModularInternal.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"

namespace {

constexpr std::size_t kLineLimit = 61;
constexpr std::size_t kCloseLimit = 16;

std::size_t currentLineLength(const std::string& buffer) {
  const std::size_t newline = buffer.rfind('\n');
  return newline == std::string::npos ? buffer.size() : buffer.size() - newline - 1;
}

// Writes the term of coefficient n of field k; `first` is true until a term is written.
// The terms are " (k) ", " + (k) ", " - (k) ", " n x (k) ", " + |n| x (k) " and
// " - |n| x (k) "; an undecided coefficient (kFusionUndecided) is written as "?".
// `lineStart` is where the current line of the buffer begins (kept by the caller, so the
// line is never searched for again).
void writeTerm(std::string& buffer, FusionCoefficient n, int k, bool& first,
               std::size_t& lineStart) {
  if (n == 0) return;
  if (!first) buffer += n < 0 && !fusionUndecided(n) ? " -" : " +";
  buffer += ' ';
  if (fusionUndecided(n)) {
    buffer += "? x ";
  } else {
    const long long magnitude = std::llabs(static_cast<long long>(n));
    if (magnitude != 1) {
      appendInt(buffer, first ? static_cast<long long>(n) : magnitude);
      buffer += " x ";
    } else if (first && n < 0) {
      buffer += "- ";
    }
  }
  buffer += '(';
  appendInt(buffer, k);
  buffer += ") ";
  first = false;
  if (buffer.size() - lineStart >= kLineLimit) {
    buffer += '\n';
    lineStart = buffer.size();
    buffer.append(14, ' ');
  }
}

// A line of an element, built in a character array and appended in one piece. The array
// holds any such line: two numbers of at most 341 characters (a double with 30 decimals)
// and the phase; what would not fit is left out rather than written past it.
class ElementLine {
 public:
  void text(std::string_view piece) {
    const std::size_t room = static_cast<std::size_t>(data_ + sizeof(data_) - end_);
    const std::size_t length = std::min(piece.size(), room);
    std::memcpy(end_, piece.data(), length);
    end_ += length;
  }
  void number(double value, int width, int precision) {
    if (char* after = writeFixed(end_, data_ + sizeof(data_), value, width, precision)) end_ = after;
  }
  void integer(int value) {
    if (char* after = writeInt(end_, data_ + sizeof(data_), value)) end_ = after;
  }
  // Blanks up to `width` characters in all.
  void padTo(std::size_t width) {
    const std::size_t length = static_cast<std::size_t>(end_ - data_);
    if (length < width && width <= sizeof(data_)) {
      std::memset(end_, ' ', width - length);
      end_ = data_ + width;
    }
  }
  void appendTo(std::string& buffer) const { buffer.append(data_, static_cast<std::size_t>(end_ - data_)); }

 private:
  char data_[1024];
  char* end_ = data_;
};

// "S(i,j) " (or with P), padded with blanks to 2w + 5 for w digits of the field count.
std::string& labelledElement(std::string& buffer, char matrix, int i, int j, double re,
                             double im) {
  ElementLine label;
  const char opening[] = {matrix, '('};
  label.text(std::string_view(opening, 2));
  label.integer(i);
  label.text(",");
  label.integer(j);
  label.text(") ");
  label.padTo(2 * static_cast<std::size_t>(intStringLength(modularPrimaries())) + 5);
  label.appendTo(buffer);
  return printModMatElt(buffer, re, im);
}

// Whether the terms of orbitPairProduct, one complex number per orbit and charge vector,
// stay within a few times the fields (large centres with short orbits go the single way).
bool orbitPairsFit() {
  const ModularState& s = modularState();
  const std::uint64_t cells = static_cast<std::uint64_t>(s.NOrbit) *
                              static_cast<std::uint64_t>(std::max(1, s.AllCharges.Nfill));
  return cells <=
         std::max<std::uint64_t>(4 * static_cast<std::uint64_t>(modularPrimaries()), 1 << 20);
}

// All coefficients N_ij^k of one product from the orbit S base, each element S_base(a, b),
// a <= b, computed once: it gives the term m = a of the fields of orbit b and the term
// m = b of the fields of orbit a. With W_m = length_m S(r_m, i) S(r_m, j) / S(r_m, 0) and
// S(r_m, J r_o) = S_base(m, o) exp(2 pi i Q_{r_m}(J)) the coefficient of k = J r_o is
//   N_ij^k = Re sum_m W_m conj(S_base(m, o)) exp(-2 pi i Q_{r_m}(J)),
// so the terms are gathered per orbit o and per charge vector of r_m,
// U_o(c) = sum_{m of charges c} W_m conj(S_base(m, o)), and each field of o then takes
// one phase per charge vector. Fields that the selection rule excludes stay 0; only the
// orbits with allowed fields gather. false after the alert of a zero denominator.
bool orbitPairProduct(int i, int j, std::vector<double>& sums, std::vector<double>& magnitudes) {
  ModularState& s = modularState();
  const int n = modularPrimaries();
  const int nOrbit = s.NOrbit;
  sums.assign(static_cast<std::size_t>(n), 0.0);
  magnitudes.assign(static_cast<std::size_t>(n), 0.0);
  // W_m = length_m S(r_m, i) S(r_m, j) / S(r_m, 0).
  std::vector<double> wRe(static_cast<std::size_t>(nOrbit)), wIm(static_cast<std::size_t>(nOrbit));
  std::vector<double> vacuumRe(static_cast<std::size_t>(nOrbit)),
      vacuumIm(static_cast<std::size_t>(nOrbit));
  double rowMax = 0.0;
  for (int m = 0; m < nOrbit; ++m) {
    S_aux1(m, 0, &vacuumRe[static_cast<std::size_t>(m)], &vacuumIm[static_cast<std::size_t>(m)]);
    rowMax = std::max(rowMax, std::hypot(vacuumRe[static_cast<std::size_t>(m)],
                                         vacuumIm[static_cast<std::size_t>(m)]));
  }
  for (int m = 0; m < nOrbit; ++m) {
    const double eRe = vacuumRe[static_cast<std::size_t>(m)];
    const double eIm = vacuumIm[static_cast<std::size_t>(m)];
    if (denominatorIsZero(eRe, eIm, rowMax)) {
      Alert("getRijk", 0, 100201, "Zero S element S(%d,%d) in the denominator row", 0, m);
      return false;
    }
    double aRe, aIm, bRe, bIm, abRe, abIm, rRe, rIm;
    S_aux1(m, i, &aRe, &aIm);
    S_aux1(m, j, &bRe, &bIm);
    complexProduct(&abRe, &abIm, aRe, aIm, bRe, bIm);
    if (eIm == 0.0) {
      rRe = abRe / eRe;
      rIm = abIm / eRe;
    } else {
      complexRatio(&rRe, &rIm, abRe, abIm, eRe, eIm);
    }
    const int length =
        s.Primaries[static_cast<std::size_t>(s.OrbitMap[static_cast<std::size_t>(m)])].length;
    wRe[static_cast<std::size_t>(m)] = rRe * length;
    wIm[static_cast<std::size_t>(m)] = rIm * length;
  }
  // The allowed fields of every orbit.
  std::vector<std::vector<int>> members(static_cast<std::size_t>(nOrbit));
  for (int k = 0; k < n; ++k) {
    if (modularChargesAllow(i, j, k, 0))
      members[static_cast<std::size_t>(s.Primaries[static_cast<std::size_t>(k)].orbit)].push_back(
          k);
  }
  // The charge vector (its number in the collection) of every representative, and |W_m|.
  const int classes = std::max(1, s.AllCharges.Nfill);
  std::vector<int> classOf(static_cast<std::size_t>(nOrbit));
  std::vector<double> wModulus(static_cast<std::size_t>(nOrbit));
  for (int m = 0; m < nOrbit; ++m) {
    const int rep = s.OrbitMap[static_cast<std::size_t>(m)];
    classOf[static_cast<std::size_t>(m)] =
        std::clamp(s.Primaries[static_cast<std::size_t>(rep)].chargeIndex, 0, classes - 1);
    wModulus[static_cast<std::size_t>(m)] =
        std::hypot(wRe[static_cast<std::size_t>(m)], wIm[static_cast<std::size_t>(m)]);
  }
  // U_o(c) (real and imaginary parts side by side) and the moduli of the terms per orbit.
  const std::uint64_t cells = static_cast<std::uint64_t>(nOrbit) * classes;
  std::vector<double> gathered(2 * cells, 0.0);
  std::vector<double> orbitMagnitude(static_cast<std::size_t>(nOrbit), 0.0);
  double* const table = gathered.data();
  double* const magnitudeOfOrbit = orbitMagnitude.data();
  const int* const classOfOrbit = classOf.data();
  const double* const weightRe = wRe.data();
  const double* const weightIm = wIm.data();
  const double* const weightModulus = wModulus.data();
  // Adds the term m with S_base(m, o) = (eRe, eIm) to orbit o.
  auto gather = [=](int m, double eRe, double eIm, double eModulus, int o) {
    double* u = table + 2 * (static_cast<std::size_t>(o) * classes + classOfOrbit[m]);
    u[0] += weightRe[m] * eRe + weightIm[m] * eIm;
    u[1] += weightIm[m] * eRe - weightRe[m] * eIm;
    magnitudeOfOrbit[o] += weightModulus[m] * eModulus;
  };
  // b outer and a inner: column b of the base comes in one piece. A column of an orbit
  // without allowed fields is needed only at the orbits that have some.
  std::vector<int> everyOrbit(static_cast<std::size_t>(nOrbit));
  std::vector<int> filledOrbits;
  std::vector<char> filled(static_cast<std::size_t>(nOrbit), 0);
  for (int m = 0; m < nOrbit; ++m) {
    everyOrbit[static_cast<std::size_t>(m)] = m;
    if (!members[static_cast<std::size_t>(m)].empty()) {
      filledOrbits.push_back(m);
      filled[static_cast<std::size_t>(m)] = 1;
    }
  }
  std::vector<double> columnRe(static_cast<std::size_t>(nOrbit)),
      columnIm(static_cast<std::size_t>(nOrbit));
  int filledBelow = 0;  // filled orbits before b
  for (int b = 0; b < nOrbit; ++b) {
    if (getStopSignal() != 0) return true;
    const bool bFilled = filled[static_cast<std::size_t>(b)] != 0;
    const int* orbits = bFilled ? everyOrbit.data() : filledOrbits.data();
    const int count = bFilled ? b + 1 : filledBelow;
    if (bFilled) ++filledBelow;
    if (count == 0) continue;
    orbitBaseColumn(b, count, orbits, columnRe.data(), columnIm.data());
    for (int index = 0; index < count; ++index) {
      const int a = orbits[index];
      const bool aFilled = filled[static_cast<std::size_t>(a)] != 0;
      if (!bFilled && !aFilled) continue;
      const double eRe = columnRe[static_cast<std::size_t>(index)];
      const double eIm = columnIm[static_cast<std::size_t>(index)];
      // S elements are at most 1 in modulus: the plain square root cannot overflow.
      const double eModulus = std::sqrt(eRe * eRe + eIm * eIm);
      if (bFilled) gather(a, eRe, eIm, eModulus, b);
      if (a != b && aFilled) gather(b, eRe, eIm, eModulus, a);
    }
  }
  // Each allowed field k = J r_o: Re sum_c U_o(c) exp(-2 pi i q_c(J)/n_G).
  for (int o = 0; o < nOrbit; ++o) {
    const double* u = gathered.data() + 2 * static_cast<std::size_t>(o) * classes;
    for (int k : members[static_cast<std::size_t>(o)]) {
      const int current = s.Primaries[static_cast<std::size_t>(k)].current;
      double sum = 0.0;
      for (int c = 0; c < classes; ++c) {
        const int q = getChargePointer(c)[current];
        sum += u[2 * c] * s.PhasesR[static_cast<std::size_t>(q)] +
               u[2 * c + 1] * s.PhasesI[static_cast<std::size_t>(q)];
      }
      sums[static_cast<std::size_t>(k)] = sum;
      magnitudes[static_cast<std::size_t>(k)] = orbitMagnitude[static_cast<std::size_t>(o)];
    }
  }
  return true;
}

// The dimension of field a as a large integer (0 when unknown).
lint dimensionOf(int a) {
  const lrat* entry = SM_getIndex(currentSD, a, 0);
  return entry != nullptr ? entry->num : lint();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// S and P elements

std::string& printModMatElt(std::string& buffer, double re, double im) {
  const bool complex = !ZeroCheck(im);
  const bool highPrecision = settingHighPrecision() != 0;
  // The true value, except that one printing as zero is printed as +0 (never "-0").
  const double smallestShown = highPrecision ? 5e-31 : 5e-9;
  const double real = std::fabs(re) < smallestShown ? 0.0 : re;
  // "= %15.8f " and "+ %15.8f i", or with "%40.30f", and "    (phase: %9.5f)". A negative
  // imaginary part prints as "- |im| i": "+ -0.5 i" reads as a misprint.
  const int width = highPrecision ? 40 : 15;
  const int precision = highPrecision ? 30 : 8;
  ElementLine line;
  line.text("= ");
  line.number(real, width, precision);
  line.text(" ");
  if (complex) {
    line.text(im < 0.0 ? "- " : "+ ");
    line.number(std::fabs(im), width, precision);
    line.text(" i    (phase: ");
    line.number(getPhase(real, im) / (2.0 * M_PI), 9, 5);
    line.text(")");
  }
  line.text("\n");
  line.appendTo(buffer);
  return buffer;
}

std::string& displayS(std::string& buffer, int i, int j) {
  modularTrace("displayS");
  double re = 0.0, im = 0.0;
  compS(i, j, &re, &im);
  return labelledElement(buffer, 'S', i, j, re, im);
}

std::string& displayP(std::string& buffer, int i, int j) {
  double re = 0.0, im = 0.0;
  compP(i, j, &re, &im);
  return labelledElement(buffer, 'P', i, j, re, im);
}

std::string& displaySforC(std::string& buffer, int i, int j) {
  modularTrace("displayDforC");
  double re = 0.0, im = 0.0;
  compS(i, j, &re, &im);
  buffer += formatText("ReS[%d][%d] = %30.15f;\n", i, j, re);
  buffer += formatText("ImS[%d][%d] = %30.15f;\n", i, j, im);
  return buffer;
}

int genPosCheck() {
  return 2;
}

// ---------------------------------------------------------------------------------------
// Fusion products

double getRijk(int k, int i, int j, int d) {
  ModularState& s = modularState();
  if (k == -1) {
    s.preparedMagnitude = 0.0;
    if (!modularLabelsInRange("getRijk", i, j) || !modularLabelsInRange("getRijk", d, 0))
      return 0.0;
    if (d == 0 && orbitTablesValid()) {
      s.Size = s.NOrbit;
      s.AUX1 = S_aux1;
      s.AUX2 = S_aux2;
    } else {
      s.Size = modularPrimaries();
      s.AUX1 = compS;
      s.AUX2 = compS;
    }
    s.preparedD = d;
    double* row = s.RealRow.get(2 * static_cast<std::size_t>(std::max(s.Size, 1)));
    // The denominator row first: a zero is judged against its largest element.
    double* denominators = s.RealRow2.get(2 * static_cast<std::size_t>(std::max(s.Size, 1)));
    double rowMax = 0.0;
    for (int m = 0; m < s.Size; ++m) {
      s.AUX1(m, d, &denominators[m], &denominators[s.Size + m]);
      rowMax = std::max(rowMax, std::hypot(denominators[m], denominators[s.Size + m]));
    }
    for (int m = 0; m < s.Size; ++m) {
      double aRe, aIm, bRe, bIm, abRe, abIm;
      const double eRe = denominators[m];
      const double eIm = denominators[s.Size + m];
      if (denominatorIsZero(eRe, eIm, rowMax)) {
        // Only rows without zeros (simple currents) can stand in the denominator.
        Alert("getRijk", 0, 100201, "Zero S element S(%d,%d) in the denominator row", d, m);
        s.Size = 0;
        return 0.0;
      }
      s.AUX1(m, i, &aRe, &aIm);
      s.AUX1(m, j, &bRe, &bIm);
      complexProduct(&abRe, &abIm, aRe, aIm, bRe, bIm);
      if (eIm == 0.0) {
        row[m] = abRe / eRe;
        row[s.Size + m] = abIm / eRe;
      } else {
        complexRatio(&row[m], &row[s.Size + m], abRe, abIm, eRe, eIm);
      }
    }
    return 0.0;
  }
  s.preparedMagnitude = 0.0;
  if (s.AUX2 == nullptr || !modularLabelsInRange("getRijk", k, 0)) return 0.0;
  // The selection rule includes the denominator row: with d the charges of i and j must
  // add up to those of k and d.
  if (orbitTablesValid() && !modularChargesAllow(i, j, k, s.preparedD)) return 0.0;
  const double* row = s.RealRow.data();
  double sum = 0.0;
  double magnitude = 0.0;
  for (int m = 0; m < s.Size; ++m) {
    double cRe, cIm;
    s.AUX2(m, k, &cRe, &cIm);
    sum += row[m] * cRe + row[s.Size + m] * cIm;
    magnitude += std::hypot(row[m], row[s.Size + m]) * std::hypot(cRe, cIm);
  }
  s.preparedMagnitude = magnitude;
  return sum;
}

std::string& compF(std::string& buffer, int i, int j, int d) {
  if (!modularLabelsInRange("compF", i, j) || !modularLabelsInRange("compF", d, 0)) return buffer;
  // Text that would be dropped (as under "verify") is not built: the coefficients are
  // still computed and judged, so their alerts are given all the same.
  const bool discard = printDiscarded();
  const bool sumCheck =
      !discard && settingFusionSumcheck() != 0 && KMCosetSwitch == 0 && currentSD != nullptr;
  lint dimSum;
  if (sumCheck) {
    SM_loadDimensions(currentSD);
    dimSum = dimensionOf(i);
    const lint dj = dimensionOf(j);
    lint_multiply(&dimSum, &dj);
  }
  if (!modularSAvailable("compF")) return buffer;
  initSMATRIX();
  if (getStopSignal() == 1) return buffer;
  if (!discard) buffer += formatText("(%d) x (%d) = ", i, j);
  const int n = modularPrimaries();
  // Many products of one theory are read off its whole table.
  const bool fromTable = d == 0 && fusionProductsServed(i, j, static_cast<double>(n));
  ModularState& s = modularState();
  const bool orbitPairs =
      !fromTable && d == 0 && orbitSValid() && s.compute_s_base != nullptr && orbitPairsFit();
  std::vector<double> sums, magnitudes;
  std::vector<int> fromTableRow;
  const bool tableFailures = fromTable && fusionProductExceptions();
  if (fromTable) fusionProductRow(i, j, fromTableRow);
  // Integers read off the table, none kept aside, no text: only a negative one would have
  // anything to say (then the loop below says it).
  if (discard && fromTable && !tableFailures &&
      std::none_of(fromTableRow.begin(), fromTableRow.end(), [](int v) { return v < 0; }))
    return buffer;
  if (orbitPairs && !orbitPairProduct(i, j, sums, magnitudes)) {
    sums.assign(static_cast<std::size_t>(n), 0.0);
    magnitudes.assign(static_cast<std::size_t>(n), 0.0);
  }
  // A stop inside the sum leaves partial sums: nothing of them is printed or judged.
  if (orbitPairs && getStopSignal() != 0) return discard ? buffer : buffer += "\n";
  if (!fromTable && !orbitPairs) getRijk(-1, i, j, d);
  bool first = true;
  std::size_t lineStart = buffer.size() - currentLineLength(buffer);
  for (int k = 0; k < n; ++k) {
    double x = 0.0;
    double tolerance = kTolerance;
    // A coefficient read off the table or block is an integer already: only the terms
    // that are not 0 are written.
    bool exact = false;
    if (fromTable) {
      const FusionTableFailure* failure =
          tableFailures ? fusionProductException(i, j, MOD_fusionTableConjugate(k)) : nullptr;
      exact = failure == nullptr;
      if (exact && fromTableRow[static_cast<std::size_t>(k)] == 0) continue;
      x = failure != nullptr ? failure->value : fromTableRow[static_cast<std::size_t>(k)];
      if (failure != nullptr) tolerance = failure->tolerance;
    } else if (orbitPairs) {
      x = sums[static_cast<std::size_t>(k)];
      tolerance = fusionTolerance(magnitudes[static_cast<std::size_t>(k)]);
    } else {
      x = getRijk(k, i, j, 0);
      tolerance = fusionTolerance(s.preparedMagnitude);
    }
    FusionCoefficient coefficient = exact ? fromTableRow[static_cast<std::size_t>(k)] : 0;
    switch (exact ? FusionSumKind::Integer : classifyFusionSum(x, tolerance, &coefficient)) {
      case FusionSumKind::Integer:
        break;
      case FusionSumKind::PrecisionExhausted:
        Alert(
            "compF", 2, 100201,
            "Fusion coefficient for fields %d, %d and %d cannot be determined in double precision\n"
            "value %15.7f, uncertainty %g",
            i, j, k, x, tolerance);
        break;
      case FusionSumKind::NotInteger:
        Alert("compF", 0, 212302,
              "Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %lld)", i,
              j, k, x, static_cast<long long>(coefficient));
        break;
    }
    if (coefficient < 0 && !fusionUndecided(coefficient)) {
      Alert("compF", 1, 212302, "Negative fusion coefficient\nN(%d,%d,%d)=%22.15f\n", i, j, k, x);
    }
    if (sumCheck && coefficient != 0 && !fusionUndecided(coefficient)) {
      lint term = dimensionOf(k);
      lint multiplicity;
      lint_assign(&multiplicity, std::llabs(coefficient));
      lint_multiply(&term, &multiplicity);
      lint_subtract(&dimSum, &term);
    }
    if (!discard) writeTerm(buffer, coefficient, k, first, lineStart);
  }
  if (discard) return buffer;
  if (currentLineLength(buffer) >= kCloseLimit) buffer += "\n";
  buffer += "\n";
  if (sumCheck)
    buffer += formatText("Dimension sum rule deficit: %s\n\n", lint_string(&dimSum).c_str());
  return buffer;
}

std::string& compFp(std::string& buffer, int i, int j, int d) {
  if (!modularLabelsInRange("compFp", i, j) || !modularLabelsInRange("compFp", d, 0)) return buffer;
  initSMATRIX();
  initPMATRIX();
  if (getStopSignal() == 1) return buffer;
  ModularState& s = modularState();
  buffer += formatText("(%d) x (%d) = ", i, j);
  const int n = modularPrimaries();
  double* row = s.RealRow.get(2 * static_cast<std::size_t>(std::max(n, 1)));
  double* denominators = s.RealRow2.get(2 * static_cast<std::size_t>(std::max(n, 1)));
  double rowMax = 0.0;
  for (int m = 0; m < n; ++m) {
    compS(d, m, &denominators[m], &denominators[n + m]);
    rowMax = std::max(rowMax, std::hypot(denominators[m], denominators[n + m]));
  }
  for (int m = 0; m < n; ++m) {
    double aRe, aIm, bRe, bIm, abRe, abIm;
    const double eRe = denominators[m];
    const double eIm = denominators[n + m];
    compS(i, m, &aRe, &aIm);
    compP(j, m, &bRe, &bIm);
    if (denominatorIsZero(eRe, eIm, rowMax)) {
      Alert("compFp", 2, 100201, "Zero S element S(%d,%d) in the denominator row", d, m);
      buffer += "\n";
      return buffer;
    }
    complexProduct(&abRe, &abIm, aRe, aIm, bRe, bIm);
    if (eIm == 0.0) {
      row[m] = abRe / eRe;
      row[n + m] = abIm / eRe;
    } else {
      complexRatio(&row[m], &row[n + m], abRe, abIm, eRe, eIm);
    }
  }
  // The prepared row of getRijk is no longer the one in the buffer.
  s.AUX2 = nullptr;
  bool first = true;
  std::size_t lineStart = buffer.size() - currentLineLength(buffer);
  bool any = false;
  for (int k = 0; k < n; ++k) {
    double x = 0.0, y = 0.0;
    for (int m = 0; m < n; ++m) {
      double pRe, pIm;
      compP(k, m, &pRe, &pIm);
      x += row[m] * pRe + row[n + m] * pIm;
      y -= row[n + m] * pRe - row[m] * pIm;
    }
    const int coefficient = DoubleToInt(x);
    if (std::fabs(x - coefficient) > kTolerance) {
      Alert("compFp", 0, 212302,
            "P-Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %d)", i, j,
            k, x, coefficient);
    }
    if (std::fabs(y) > kTolerance) {
      Alert(
          "compFp", 1, 212302,
          "Non-zero imaginary part in p-fusion coefficient\nfor fields %d, %d and %d; value %15.7f",
          i, j, k, y);
    }
    if (coefficient != 0) any = true;
    writeTerm(buffer, coefficient, k, first, lineStart);
  }
  if (currentLineLength(buffer) >= kCloseLimit) buffer += "\n";
  buffer += any ? "\n" : " --- \n\n";
  return buffer;
}
