// Commands of the heterotic set-up that work in every mode: representation names and
// selected representations, pattern algebras, the lift of a tensor factor and the primes
// allowed in filters. Each checks its parameters before it changes anything.
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "heterotic/Heterotic.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"

namespace {

std::vector<int> intParameters(char** params, int from, int n) {
  std::vector<int> values;
  for (int i = from; i < n; ++i) values.push_back(intParameter(params, i));
  return values;
}

int tensorFactors() {
  return currentTensor == nullptr ? 0 : currentTensor->NumberOfFactors;
}

}  // namespace

int COM_sel_rep(char** params, int n) {
  if (n == 0) {
    resetSelectedReps();
    return 0;
  }
  const int h = parameterValue(getIntParPointer("Heterotic factors"), 1);
  if (n != h) {
    Alert("COM_sel_rep", 0, kRefusedValue,
          "incorrect number of representation components (required: %d)", h);
    return 1;
  }
  const std::vector<int> values = intParameters(params, 0, n);
  addNewSelectedRep(values.data());
  return -n;
}

int COM_set_repname(char** params, int n) {
  if (n == 0) {
    resetRepNames();
    return 0;
  }
  const int P = parameterValue(getIntParPointer("Particle factors"), 1);
  if (n - 1 < P) {
    Alert("COM_set_repname", 0, kRefusedValue, "Too few standard model components");
    return 1;
  }
  if (P > tensorFactors()) {
    Alert("COM_set_repname", 1, kRefusedValue, "Too few factors in tensor product");
    return 1;
  }
  const std::vector<int> values = intParameters(params, 1, 1 + P);
  for (int f = 0; f < P; ++f) {
    SpectrumData* sd = getTensorFactor(currentTensor, f);
    if (values[static_cast<std::size_t>(f)] < 0 ||
        values[static_cast<std::size_t>(f)] >= sd->n_primaries) {
      Alert("COM_set_repname", 2, kRefusedValue, "Label %d out of range for factor %d",
            values[static_cast<std::size_t>(f)], f + 1);
      return 1;
    }
    SM_initConjugates(sd);
  }
  if (addNewRepresentationName(currentTensor, params[0], values.data()) != 0) return 1;
  return -n;
}

int COM_pattern_reset(char**, int) {
  resetPatterns();
  return 0;
}

int COM_pattern_algebra(char** params, int n) {
  const int roots = getNumberOfPatternRoots();
  if (n != roots) {
    Alert("COM_pattern_algebra", 0, kRefusedValue, "Incorrect number of roots (should be %d)",
          roots);
    return 1;
  }
  const std::vector<int> values = intParameters(params, 0, n);
  addPatternAlgebra(values.data());
  return -n;
}

int COM_lift(char** params, int n) {
  const int factor = intParameter(params, 0);
  // The factor counts from 1; 0 or less would name no factor at all.
  if (factor < 1) {
    Alert("COM_lift", 0, kRefusedValue, "Tensor factor %d does not exist", factor);
    return 1;
  }
  SpectrumData* cft = SM_findCFT(params[1]);
  if (cft == nullptr) {
    Alert("COM_lift", 1, kRefusedLookup, "CFT \"%s\" not defined", params[1]);
    return 1;
  }
  setLiftIdentifier(factor, cft);
  return -n;
}

int COM_set_allowed_primes(char** params, int n) {
  std::vector<int> primes = intParameters(params, 0, n);
  for (int p : primes) {
    if (p < 2 || primetest(p) != 0) {
      Alert("COM_set_allowed_primes", 0, kRefusedValue, "Number %d is not prime", p);
      return 1;
    }
  }
  if (n == 0) {
    setAllowablePrimes(nullptr);
    return 0;
  }
  primes.push_back(-1);
  setAllowablePrimes(primes.data());
  return -n;
}

void registerHeteroticCommands() {
  initCommand(
      "select rep", "(int rep_1)...(int rep_n)", COM_sel_rep,
      "Selects a representation of the heterotic factors (one label for each of the first "
      "\"Heterotic factors\" tensor factors): the heterotic spectrum is shown for the right "
      "representations that start with a selected one, and a selected representation in the "
      "chiral algebra counts as a space-time supersymmetry. Without labels the selection is "
      "cleared.");
  initCommand("name rep", "(name)(int rep_1)...(int rep_n)", COM_set_repname,
              "Names the particle representation given by one label for each of the first "
              "\"Particle factors\" tensor factors (a name of at most 7 characters); its conjugate "
              "gets the name followed by \"*\". Representations without a name count as exotics. "
              "Without parameters all names are forgotten. Give the names before \"compute "
              "heterotic\".");
  initCommand("pattern reset", "", COM_pattern_reset,
              "Forgets the root patterns and the pattern algebras of the heterotic search.");
  initCommand("pattern algebra", "(int mult_1)...(int mult_n)", COM_pattern_algebra,
              "Adds a gauge algebra to the catalogue of the heterotic search as one root "
              "multiplicity for each known root pattern (as many values as there are pattern "
              "roots).");
  initCommand("lift", "[int tensor_factor][CFT_name]", COM_lift,
              "Lifts the left-moving side of tensor factor tensor_factor (counted from 1) to the "
              "stored CFT of that name in heterotic spectra (the two must have the same number of "
              "primaries).");
  initCommand("set primes", "(pos_int p_1)...(pos_int p_n)", COM_set_allowed_primes,
              "Allows only these primes in the cyclic factors of heterotic filters; without values "
              "every prime is allowed.");
}
