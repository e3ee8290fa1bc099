// STAND-INS for services the command set calls before their subsystems exist (see the
// header).
#include "commands/CommandsSeams.h"

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

namespace TensorSeam {

int numberOfTensorFactors() {
  return currentTensor != nullptr ? currentTensor->NumberOfFactors : 0;
}
int factorPrimaries(int i) {
  const SpectrumData* sd = getTensorFactor(currentTensor, i);
  return sd != nullptr ? sd->n_primaries : 0;
}
int factorCurrents(int i) {
  const SpectrumData* sd = getTensorFactor(currentTensor, i);
  return sd != nullptr && sd->scgroup != nullptr ? sd->scgroup->order : (sd != nullptr ? 1 : 0);
}

}  // namespace TensorSeam
