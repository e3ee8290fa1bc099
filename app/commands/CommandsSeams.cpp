// STAND-INS for services the command set calls before their subsystems exist (see the
// header).
#include "commands/CommandsSeams.h"

#include "interpreter/Tables.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"

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

void createMinimal(int N, int) {
  Alert("createMinimal", N, 100202, "Minimal models with %d supersymmetries: not available yet", N);
}

}  // namespace TensorSeam
