// STAND-INS for services the command set calls before their subsystems exist (see the
// header). They read the current single theory through the store's element accessors.
#include "CommandsSeams.h"

#include <cmath>
#include <string>
#include <vector>

#include "ApplicationTables.h"
#include "Commands.h"
#include "CommandsInternal.h"
#include "ControlUtility.h"
#include "Error.h"
#include "MathUtility.h"
#include "Output.h"
#include "StringUtility.h"
#include "Storemanager.h"
#include "Tables.h"

namespace {

const SpectrumData* recordOf(const void* item) { return static_cast<const SpectrumData*>(item); }

bool fieldOf(const SpectrumData* sd, int row) { return sd != nullptr && row >= 0 && row < sd->n_primaries; }

Rat reducedWeight(const SpectrumData* sd, int a) {
  Rat h{sd->weight_num[a], sd->weight_den};
  long long divisor = GCD(h.num, h.den);
  if (divisor > 1) {
    h.num /= divisor;
    h.den /= divisor;
  }
  return h;
}

bool weightKnownModuloOne(const SpectrumData* sd, int a) { return sd->exact != nullptr && sd->exact[a] == 0; }

bool labelCell(std::string& cell, const void* item, int row) {
  if (!fieldOf(recordOf(item), row)) return true;
  cell = formatText("%d", row);
  return true;
}

bool groundStateCell(std::string& cell, const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  if (!fieldOf(sd, row) || sd->labels == nullptr || sd->rep_size < 1) return true;
  const int* l = sd->labels + static_cast<std::size_t>(row) * static_cast<std::size_t>(sd->rep_size);
  cell = "(";
  for (int i = 0; i + 1 < sd->rep_size; ++i) cell += formatText("%d,", l[i]);
  cell += formatText("%d)", l[sd->rep_size - 1]);
  return true;
}

bool weightCell(std::string& cell, const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  if (!fieldOf(sd, row) || sd->weight_num == nullptr || sd->weight_den == 0) return true;
  double h = static_cast<double>(sd->weight_num[row]) / sd->weight_den;
  if (weightKnownModuloOne(sd, row)) {
    cell = formatText("%-10.7f (mod 1)", h - std::floor(h));
  } else {
    cell = formatText("%-10.7f", h);
  }
  return true;
}

bool ratWeightCell(std::string& cell, const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  if (!fieldOf(sd, row) || sd->weight_num == nullptr) return true;
  if (sd->weights_exact == kStoreNotComputed) {
    Alert("SM_getRatWeightString", 0, 110402, "Exact weight info not available");
  }
  Rat h = reducedWeight(sd, row);
  if (h.den >= 2) {
    cell = formatText("%lld/%-lld", h.num, h.den);
  } else if (h.den == 1) {
    cell = formatText("%lld", h.num);
  } else {
    Alert("SM_getRatWeightString", 1, 110402, "Wrong denominator %lld", h.den);
  }
  if (row != 0 && weightKnownModuloOne(sd, row)) cell += " (mod 1)";
  return true;
}

// Row filter: the selected weight, and with massless_only the vacuum and weight-1 fields.
int spectrumRowShown(const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  if (!fieldOf(sd, row) || sd->weight_num == nullptr) return 1;
  Rat h = reducedWeight(sd, row);
  if (SelectedWeightNum != -1) {
    Rat selected{SelectedWeightNum, SelectedWeightDen};
    simplifyRat(&selected);
    if (h.num != selected.num || h.den != selected.den) return 0;
  }
  if (row == 0 || massless_only != 1) return 1;
  return h.num == 1 && h.den == 1 ? 1 : 0;
}

SpectrumData* current() { return currentSD; }

bool inRange(int i) { return currentSD != nullptr && i >= 0 && i < currentSD->n_primaries; }

// Terms of a fusion product written as the system writes them; `line` counts the
// characters of the current output line.
struct ProductText {
  std::string text;
  std::size_t lineStart = 0;
  bool first = true;

  std::size_t lineLength() const { return text.size() - lineStart; }
  void term(int coefficient, int k) {
    int magnitude = coefficient < 0 ? -coefficient : coefficient;
    if (magnitude == 0) return;
    if (magnitude == 1) {
      if (coefficient < 0) {
        text += formatText(" - (%d) ", k);
      } else {
        text += first ? formatText(" (%d) ", k) : formatText(" + (%d) ", k);
      }
    } else {
      text += first ? formatText(" %d x (%d) ", coefficient, k)
                    : formatText(" %c %d x (%d) ", coefficient > 0 ? '+' : '-', magnitude, k);
    }
    first = false;
    if (lineLength() >= 61) {
      text += "\n              ";
      lineStart = text.size() - 14;
    }
  }
};

// The Verlinde ratio row R_m = A(i,m) B(j,m) / S(0,m) for m over all fields.
void ratioRow(int i, int j, int d, bool second, std::vector<double>& re, std::vector<double>& im) {
  const int n = currentSD->n_primaries;
  re.assign(static_cast<std::size_t>(n), 0.0);
  im.assign(static_cast<std::size_t>(n), 0.0);
  for (int m = 0; m < n; ++m) {
    double ar, ai, br, bi, er, ei;
    ModularSeam::compS(m, i, &ar, &ai);
    if (second) {
      ModularSeam::compP(m, j, &br, &bi);
    } else {
      ModularSeam::compS(m, j, &br, &bi);
    }
    ModularSeam::compS(m, d, &er, &ei);
    double pr = ar * br - ai * bi;
    double pi = ar * bi + ai * br;
    double norm = er * er + ei * ei;
    if (norm == 0.0) continue;
    re[static_cast<std::size_t>(m)] = (pr * er + pi * ei) / norm;
    im[static_cast<std::size_t>(m)] = (pi * er - pr * ei) / norm;
  }
}

// Sum over m of R_m conj(C(k, m)), C = S or P.
void contract(const std::vector<double>& re, const std::vector<double>& im, int k, bool second, double* x,
              double* y) {
  *x = 0.0;
  *y = 0.0;
  for (std::size_t m = 0; m < re.size(); ++m) {
    double cr, ci;
    if (second) {
      ModularSeam::compP(k, static_cast<int>(m), &cr, &ci);
    } else {
      ModularSeam::compS(k, static_cast<int>(m), &cr, &ci);
    }
    *x += re[m] * cr + im[m] * ci;
    *y += im[m] * cr - re[m] * ci;
  }
}

}  // namespace

namespace ModularSeam {

std::string getCFTname() { return current() != nullptr && current()->name != nullptr ? current()->name : ""; }

void compS(int i, int j, double* re, double* im) {
  if (!inRange(i) || !inRange(j)) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  SM_getS(currentSD, i, j, re, im);
}

void compP(int i, int j, double* re, double* im) {
  if (!inRange(i) || !inRange(j)) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  SM_getP(currentSD, i, j, re, im);
}

void initSMATRIX() {}

int S_Symmetric() { return 1; }

std::string printModMatElt(double re, double im) {
  bool high = commandsHighPrecision();
  if (ZeroCheck(re)) re = 1e-15;
  std::string text = formatText(high ? "= %40.30f " : "= %15.8f ", re);
  if (!ZeroCheck(im)) {
    text += formatText(high ? "+ %40.30f i" : "+ %15.8f i", im);
    text += formatText("    (phase: %9.5f)", getPhase(re, im) / (2.0 * M_PI));
  }
  return text + "\n";
}

namespace {
std::string elementLabel(char matrix, int i, int j) {
  std::string label = formatText("%c(%d,%d) ", matrix, i, j);
  std::size_t width = 2 * static_cast<std::size_t>(intStringLength(currentSD->n_primaries)) + 5;
  if (label.size() < width) label.append(width - label.size(), ' ');
  return label;
}
}  // namespace

std::string displayS(int i, int j) {
  double re, im;
  compS(i, j, &re, &im);
  return elementLabel('S', i, j) + printModMatElt(re, im);
}

std::string displayP(int i, int j) {
  double re, im;
  compP(i, j, &re, &im);
  return elementLabel('P', i, j) + printModMatElt(re, im);
}

void writePOrbits() {}

int fusion(int i, int j, int k, int vacuum) {
  if (!inRange(i) || !inRange(j) || !inRange(k) || !inRange(vacuum)) return 0;
  std::vector<double> re, im;
  ratioRow(i, j, vacuum, false, re, im);
  double x, y;
  contract(re, im, k, false, &x, &y);
  int value = DoubleToInt(x);
  if (std::fabs(x - value) > kTolerance) {
    Alert("fusion", 0, 212302, "Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %d)", i, j,
          k, x, value);
  }
  return value;
}

int Pfusion(int i, int j, int k) {
  if (!inRange(i) || !inRange(j) || !inRange(k)) return 0;
  std::vector<double> re, im;
  ratioRow(i, j, 0, true, re, im);
  double x, y;
  contract(re, im, k, true, &x, &y);
  int value = DoubleToInt(x);
  if (std::fabs(x - value) > kTolerance) {
    Alert("Pfusion", 0, 212302, "P-Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %d)", i,
          j, k, x, value);
  }
  return value;
}

std::string compF(int i, int j, int vacuum) {
  ProductText product;
  product.text = formatText("(%d) x (%d) = ", i, j);
  if (!inRange(i) || !inRange(j)) return product.text + "\n\n";
  std::vector<double> re, im;
  ratioRow(i, j, vacuum, false, re, im);
  for (int k = 0; k < currentSD->n_primaries; ++k) {
    double x, y;
    contract(re, im, k, false, &x, &y);
    int value = DoubleToInt(x);
    if (std::fabs(x - value) > kTolerance) {
      Alert("compF", 0, 212302, "Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %d)", i, j,
            k, x, value);
    }
    if (value < 0) Alert("compF", 1, 212302, "Negative fusion coefficient\nN(%d,%d,%d)=%22.15f\n", i, j, k, x);
    product.term(value, k);
  }
  if (product.lineLength() >= 16) product.text += "\n";
  product.text += "\n";
  return product.text;
}

std::string compFp(int i, int j, int) {
  ProductText product;
  product.text = formatText("(%d) x (%d) = ", i, j);
  if (!inRange(i) || !inRange(j)) return product.text + " --- \n\n";
  std::vector<double> re, im;
  ratioRow(i, j, 0, true, re, im);
  bool any = false;
  for (int k = 0; k < currentSD->n_primaries; ++k) {
    double x, y;
    contract(re, im, k, true, &x, &y);
    int value = DoubleToInt(x);
    if (std::fabs(x - value) > kTolerance) {
      Alert("compFp", 0, 212302, "P-Fusion rule failure for fields %d, %d and %d\nvalue %15.7f (converted to %d)", i,
            j, k, x, value);
    }
    if (std::fabs(y) > kTolerance) {
      Alert("compFp", 1, 212302, "Non-zero imaginary part in p-fusion coefficient\nfor fields %d, %d and %d; value %15.7f",
            i, j, k, y);
    }
    if (value != 0) any = true;
    product.term(value, k);
  }
  if (product.lineLength() >= 16) product.text += "\n";
  product.text += any ? "\n" : " --- \n\n";
  return product.text;
}

int simpleFusion(int J, int i) {
  if (currentSD == nullptr) return -1;
  return SM_SimpleAction(currentSD, J, i);
}

Rat ratWeight(int i) {
  Rat h{0, 1};
  if (currentSD != nullptr) SM_getRatWeight(currentSD, i, &h);
  return h;
}

Rat simpleCurrentCharge(int J, int i) {
  Rat q{0, 1};
  if (currentSD != nullptr) SM_getRatCharge(currentSD, J, i, &q);
  return q;
}

int getConjugate(int i) {
  if (!inRange(i)) return -1;
  if (currentSD->conjugates != nullptr && currentSD->type >= 0 && currentSD->type <= 5) {
    int c = SM_computeConjugate(currentSD, i);
    if (c >= 0) return c;
  }
  // The field whose S row is the complex conjugate of row i.
  const int n = currentSD->n_primaries;
  for (int b = 0; b < n; ++b) {
    bool conjugate = true;
    for (int x = 0; x < n && conjugate; ++x) {
      double ar, ai, br, bi;
      compS(i, x, &ar, &ai);
      compS(b, x, &br, &bi);
      conjugate = CZeroCheck(ar - br, ai + bi) != 0;
    }
    if (conjugate) return b;
  }
  Alert("getGenericConjugate", 0, 212404, "No conjugate found");
  return -1;
}

void CFTChanged() {}
void storeDiagonalBulkInvariant() {}
void resetAlgebraRequirements() {}
void resetInvariantStore() {}
void resetSelectionCriteria() {}
int TotalInvariants() { return -1; }

void printSpectrum(int from, int to, int continuation) {
  printTable("Spectrum", from, to, continuation == 0 ? 1 : 0, continuation == 0 ? 0 : 1, currentSD, nullptr);
}

}  // namespace ModularSeam

namespace StoreSeam {

int SM_getLieLabel(SpectrumData* sd, const int* labels) {
  if (sd == nullptr || sd->labels == nullptr) return -1;
  const int width = sd->rep_size;
  const int compared = sd->type >= 1 && sd->type <= 5 ? width - 1 : width;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const int* l = sd->labels + static_cast<std::size_t>(a) * static_cast<std::size_t>(width);
    bool equal = true;
    for (int i = 0; i < compared && equal; ++i) equal = l[i] == labels[i];
    if (equal) return a;
  }
  return -1;
}

void installSpectrumCells() {
  setColumnRoutines("Spectrum", "Label", labelCell, nullptr);
  setColumnRoutines("Spectrum", "Ground state", groundStateCell, nullptr);
  setColumnRoutines("Spectrum", "Weights", weightCell, nullptr);
  setColumnRoutines("Spectrum", "Rational weights", ratWeightCell, nullptr);
  addItemSkip("Spectrum", spectrumRowShown);
}

}  // namespace StoreSeam

namespace BoundarySeam {

int TotalBoundaries() { return 0; }
int TotalIshibashi() { return 0; }

}  // namespace BoundarySeam

namespace TensorSeam {

int numberOfTensorFactors() { return 0; }
int factorPrimaries(int) { return 0; }
int factorCurrents(int) { return 0; }

}  // namespace TensorSeam
