// STAND-INS for services the command set calls before their subsystems exist (see the
// header). The table cells read the current single theory's record.
#include "CommandsSeams.h"

#include <cmath>
#include <string>

#include "ApplicationTables.h"
#include "Commands.h"
#include "ControlUtility.h"
#include "Error.h"
#include "MathUtility.h"
#include "Output.h"
#include "Storemanager.h"
#include "Tables.h"

namespace {

const SpectrumData* recordOf(const void* item) {
  return static_cast<const SpectrumData*>(item);
}

bool fieldOf(const SpectrumData* sd, int row) {
  return sd != nullptr && row >= 0 && row < sd->n_primaries;
}

Rat reducedWeight(const SpectrumData* sd, int a) {
  Rat h{sd->weight_num[a], sd->weight_den};
  long long divisor = GCD(h.num, h.den);
  if (divisor > 1) {
    h.num /= divisor;
    h.den /= divisor;
  }
  return h;
}

bool weightKnownModuloOne(const SpectrumData* sd, int a) {
  return sd->exact != nullptr && sd->exact[a] == 0;
}

bool labelCell(std::string& cell, const void* item, int row) {
  if (!fieldOf(recordOf(item), row)) return true;
  cell = formatText("%d", row);
  return true;
}

bool groundStateCell(std::string& cell, const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  if (!fieldOf(sd, row) || sd->labels == nullptr || sd->rep_size < 1) return true;
  const int* l =
      sd->labels + static_cast<std::size_t>(row) * static_cast<std::size_t>(sd->rep_size);
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

}  // namespace

namespace ModularSeam {

void storeDiagonalBulkInvariant() {}
void resetAlgebraRequirements() {}
void resetInvariantStore() {}
void resetSelectionCriteria() {}
int TotalInvariants() {
  return -1;
}

void printSpectrum(int from, int to, int continuation) {
  printTable("Spectrum", from, to, continuation == 0 ? 1 : 0, continuation == 0 ? 0 : 1, currentSD,
             nullptr);
}

}  // namespace ModularSeam

namespace StoreSeam {

void installSpectrumCells() {
  setColumnRoutines("Spectrum", "Label", labelCell, nullptr);
  setColumnRoutines("Spectrum", "Ground state", groundStateCell, nullptr);
  setColumnRoutines("Spectrum", "Weights", weightCell, nullptr);
  setColumnRoutines("Spectrum", "Rational weights", ratWeightCell, nullptr);
  addItemSkip("Spectrum", spectrumRowShown);
}

}  // namespace StoreSeam

namespace BoundarySeam {

int TotalBoundaries() {
  return 0;
}
int TotalIshibashi() {
  return 0;
}

}  // namespace BoundarySeam

namespace TensorSeam {

int numberOfTensorFactors() {
  return 0;
}
int factorPrimaries(int) {
  return 0;
}
int factorCurrents(int) {
  return 0;
}

}  // namespace TensorSeam
