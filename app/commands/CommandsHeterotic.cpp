// Commands of the heterotic set-up that work in every mode: representation names and
// selected representations, pattern algebras, the lift of a tensor factor and the primes
// allowed in filters; "compute heterotic" of the tensor mode; and the commands of the
// heterotic mode that steer and run the filter search. Each checks its parameters before
// it changes anything.
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "heterotic/Heterotic.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "interpreter/Interpreter.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

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
  initCommand("lift", "[int tensor_factor][cft_name]", COM_lift,
              "Lifts the left-moving side of tensor factor tensor_factor (counted from 1) to the "
              "stored CFT of that name in heterotic spectra (the two must have the same number of "
              "primaries).");
  initCommand("set primes", "(pos_int p_1)...(pos_int p_n)", COM_set_allowed_primes,
              "Allows only these primes in the cyclic factors of heterotic filters; without values "
              "every prime is allowed.");
}

// ---------------------------------------------------------------------------------------
// The heterotic search

namespace {

// A row of one current label per factor; refused with fewer components than factors.
bool currentRow(const char* routine, char** params, int n, std::vector<int>& labels) {
  if (currentTensor == nullptr || n == 0 || n < tensorFactors()) {
    Alert(routine, 0, kRefusedValue, "Too few current components");
    return false;
  }
  labels = intParameters(params, 0, n);
  return true;
}

// The first free name x_0, x_1, ... (the name a move aside gives x).
std::string firstFreeName(const std::string& name) {
  for (int k = 0;; ++k) {
    std::string candidate = name + "_" + std::to_string(k);
    if (checkDir(candidate.c_str()) == -1) return candidate;
  }
}

}  // namespace

int COM_compute_heterotic(char**, int) {
  TensorProduct* TP = currentTensor;
  if (TP == nullptr || TP->NumberOfFactors < 1) {
    Alert("COM_compute_heterotic", 0, kRefusedValue, "No tensor product to compute");
    return 1;
  }
  for (int f = 0; f < TP->NumberOfFactors; ++f) SM_initDimensions(getTensorFactor(TP, f));
  const int result = ComputeHeterotic(TP);
  // Heterotic work needs the whole set-up; without it the mode stays off.
  if (result == 0 && getHeteroticSetUpDone() != 0) {
    CommandsState& s = commandsState();
    switchMode(s.tensorMode, 0);
    switchMode(s.heteroticMode, 1);
    return 0;
  }
  return 1;
}

int COM_filter(char** params, int n) {
  if (!requireHeteroticSetUp("COM_filter", currentTensor)) return 1;
  std::vector<int> labels;
  if (!currentRow("COM_filter", params, n, labels)) return 1;
  addNewFilterCurrent(currentTensor, labels.data());
  return -n;
}

int COM_heterotic_forbid(char** params, int n) {
  if (!requireHeteroticSetUp("COM_heterotic_forbid", currentTensor)) return 1;
  std::vector<int> labels;
  if (!currentRow("COM_heterotic_forbid", params, n, labels)) return 1;
  addNewForbiddenCurrent(currentTensor, labels.data());
  return -n;
}

int COM_filter_random(char** params, int n) {
  const int depth = intParameter(params, 0);
  const int samples = intParameter(params, 1);
  // Depth 0 draws the empty filter and no samples only writes the statistics; below that
  // the values mean nothing.
  if (depth < 0) {
    Alert("COM_filter_random", 0, kRefusedValue, "Invalid depth %d (at least 0)", depth);
    return 1;
  }
  if (samples < 0) {
    Alert("COM_filter_random", 1, kRefusedValue, "Invalid number of samples %d (at least 0)",
          samples);
    return 1;
  }
  if (generateRandomFilter(depth, samples, currentTensor) != 0) return 1;
  return -n;
}

int COM_filter_complete(char**, int) {
  return SystematicFilterComputation(currentTensor) == 0 ? 0 : 1;
}

int COM_filter_exceptional(char** params, int n) {
  if (!requireHeteroticSetUp("COM_filter_exceptional", currentTensor)) return 1;
  const int factor = intParameter(params, 0);
  if (factor < 1 || factor > tensorFactors()) {
    Alert("COM_filter_exceptional", 0, kRefusedValue, "Tensor factor %d does not exist", factor);
    return 1;
  }
  const int label = getExceptionalInvariantLabel(getTensorFactor(currentTensor, factor - 1), 1);
  if (label == -1) return -1;
  setExceptionalFilter(factor - 1, label);
  return -n;
}

int COM_reset_filter(char**, int) {
  if (!requireHeteroticSetUp("COM_reset_filter", currentTensor)) return 1;
  resetFilterCurrents(currentTensor);
  return 0;
}

int COM_compute_filter(char**, int) {
  if (ComputeFilter(currentTensor) != 0) return 1;
  GSC_printStatistics(2);
  return 0;
}

int COM_set_trigger(char** params, int n) {
  if (!requireHeteroticSetUp("COM_set_trigger", currentTensor)) return 1;
  if (n == 0) {
    resetTriggers(currentTensor);
    return 0;
  }
  const int factors = tensorFactors();
  if (n > factors) {
    Alert("COM_set_trigger", 0, kRefusedValue, "Too many trigger values (at most %d)", factors);
    return 1;
  }
  std::vector<int> row(static_cast<std::size_t>(factors), -1);
  for (int i = 0; i < n; ++i) row[static_cast<std::size_t>(i)] = intParameter(params, i);
  addNewTrigger(currentTensor, row.data());
  return -n;
}

int COM_heterotic_fix(char** params, int n) {
  if (!requireHeteroticSetUp("COM_heterotic_fix", currentTensor)) return 1;
  if (n == 0) {
    setFixedEntries(currentTensor, -1);
    return 0;
  }
  const std::vector<int> values = intParameters(params, 0, n);
  for (int k : values) {
    if (k < 0 || k >= tensorFactors()) {
      Alert("COM_heterotic_fix", 0, kRefusedValue, "Tensor factor %d does not exist (0 to %d)", k,
            tensorFactors() - 1);
      return 1;
    }
  }
  for (int k : values) setFixedEntries(currentTensor, k);
  return -n;
}

int COM_set_heterotic_tag(char** params, int n) {
  setModelTag(intParameter(params, 0));
  return -n;
}

int COM_regenerate_mipfs_from_file(char** params, int n) {
  if (readFilterList(currentTensor, params[0]) != 0) return 1;
  return -n;
}

int COM_rebuild(char**, int) {
  // Refused before the result files are moved aside.
  if (!requireHeteroticSetUp("COM_rebuild", currentTensor)) return 1;
  const std::string origin = getCurrentOutputFileName(".origin");
  const std::string moved = firstFreeName(origin);
  for (const char* suffix : {".alg", ".spectra", ".AlgList", ".origin"})
    moveOldFile(getCurrentOutputFileName(suffix).c_str());
  PrintStdout("Reading file %s\n", moved.c_str());
  if (readFilterList(currentTensor, moved.c_str()) != 0) return 1;
  return -1;
}

void registerHeteroticTensorCommands() {
  initCommand("compute heterotic", "", COM_compute_heterotic,
              "Prepares the heterotic filter search of the current tensor product (once per run, "
              "after \"name rep\"): weights, massless states, the decomposed current group, the "
              "chiral algebra and the result files of earlier jobs; then switches to heterotic "
              "mode. The control files \"STOP\", \"KILL\" and \"SLEEP\" in the output folder, and "
              "those of the result name with \".stop\", \".kill\" and \".sleep\", steer the job.");
}

void registerHeteroticModeCommands() {
  initCommand("add filter", "(fcur current_1)...(fcur current_n)", COM_filter,
              "Adds a simple current (one label per tensor factor) to the filter evaluated by "
              "\"compute filter\".");
  initCommand("filter random", "[int depth][int Nsample]", COM_filter_random,
              "Random filter search: Nsample filters of at most depth currents each, evaluated "
              "prime by prime; new spectra go to the result files.");
  initCommand("filter complete", "", COM_filter_complete,
              "Systematic filter search over all combinations of subgroups of the prime parts of "
              "the current group; resumes after the combination recorded in \".lastloop\".");
  initCommand("filter exceptional", "[int factor]", COM_filter_exceptional,
              "Uses the built-in exceptional invariant of tensor factor factor (counted from 1) in "
              "the heterotic spectra.");
  initCommand("reset filter", "", COM_reset_filter, "Empties the filter.");
  initCommand("heterotic forbid", "(fcur current_1)...(fcur current_n)", COM_heterotic_forbid,
              "Forbids a simple current in the left algebra: invariants containing it are "
              "skipped.");
  initCommand("heterotic trigger", "(int rep_1)...(int rep_n)", COM_set_trigger,
              "Prints the full spectrum of representations that start with these labels (at most "
              "one per tensor factor); without labels the triggers are cleared.");
  initCommand("heterotic fix", "(non_neg_int n_1)...(non_neg_int n_n)", COM_heterotic_fix,
              "Keeps tensor factors n_1 ... (counted from 0) at label zero in random filter "
              "currents; without values every factor is free again.");
  initCommand("heterotic tag", "[non_neg_int tag]", COM_set_heterotic_tag,
              "Collects every filter giving the spectrum of \".origin\" entry tag in "
              "\".origin_tagged_\" followed by the tag.");
  initCommand("compute filter", "", COM_compute_filter,
              "Evaluates the filter: all simple-current invariants of the group it generates, "
              "prime by prime, and writes the result files.");
  initCommand("regenerate", "[filename]", COM_regenerate_mipfs_from_file,
              "Evaluates again every filter listed in an \".origin\" file.");
  initCommand("rebuild", "", COM_rebuild,
              "Moves the result files aside and rebuilds them from the filters of the moved "
              "\".origin\" file.");
}
