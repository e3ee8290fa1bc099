// Tensor-mode commands: entering tensor mode, adding G and H factors, entering currents,
// computing and describing the extended spectrum, the chiral algebra, stabilisers and
// names of the tensor product, the table of Calabi-Yau tensor products, and the small
// queries of simple currents, weights, charges and twists that work in both modes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "collections/VectorSpace.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "interpreter/Interpreter.h"
#include "interpreter/Tables.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

// Texts of the current twists, indexed by the twist value plus one.
const char* const kEtaStrings[] = {"UNDEF", " 1", " i", "-1", "-i"};

const char* etaString(int twist) {
  return twist >= -1 && twist <= 3 ? kEtaStrings[twist + 1] : kEtaStrings[0];
}

void pointCountsAtTensor() {
  TotalPrimaries = NumberOfTensorPrimaries(currentTensor);
  TotalCurrents = NumberOfTensorSimpleCurrents(currentTensor);
}

// The count the field conversions read while the tensor spectrum is not known.
void pointCountsAtMaximum() {
  pointPrimariesAtMaximum();
}

void printCFTLine(int primaries, int currents) {
  if (currents < 2) {
    Print("CFT %s; %d primaries\n", getCFTname().c_str(), primaries);
  } else {
    Print("CFT %s; %d primaries (%d simple currents)\n", getCFTname().c_str(), primaries, currents);
  }
}

// The supersymmetry scan of a computed tensor spectrum: the first chiral-algebra element
// whose first label is 1 modulo 4 and whose weight is 1.
void scanSupersymmetry(bool announce) {
  CommandsState& s = commandsState();
  s.susic = 0;
  if (parameterValue(s.super, 0) != 1) return;
  TensorProduct* TP = currentTensor;
  TP->SusyFlag = 0;
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    const int* row = TP->ChiralAlgebra.row(J);
    if (TP->NumberOfFactors < 1 || row[0] % 4 != 1) continue;
    if (ZeroCheck(tensorWeight(TP, row) - 1.0) != 0) {
      s.susic = 1;
      TP->SusyFlag = 1;
      if (announce) Print("Supersymmetric extension\n");
      break;
    }
  }
}

int addCosetFactor(char** params, int n, int flag) {
  pointCountsAtMaximum();
  if (!tensorModeOn()) {
    Alert("addCosetFactor", 0, 100201, "Switching to tensor mode");
    Alert("addCosetFactor", 1, 100218, "(To avoid this message use the \"tensor\" command to switch modes)");
    COM_tensor(nullptr, 0);
    pointCountsAtMaximum();
  }
  const int code = COM_algebra(params, n);
  if (code > 0) return 1;
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || sd->validity < 3) {
    Alert("addCosetFactor", 2, kRefusedValue, "This is not a valid CFT; not acceptable in tensor products");
    return 1;
  }
  addTensorFactor(currentTensor, sd, flag);
  // Loading the factor pointed the count at it; the product has no spectrum yet, and the
  // resets below read the count.
  pointCountsAtMaximum();
  disableModular();
  return code;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The tensor side of the spectrum commands (called by their handlers in tensor mode)

int tensorStatus() {
  Print("Mode: ");
  printTensorData(currentTensor);
  return 0;
}

int tensorCompute() {
  if (computeTensorSpectrum(currentTensor) < 0) {
    Print("Spectrum computation aborted; Modular properties not available\n");
    return 1;
  }
  pointCountsAtTensor();
  printCFTLine(totalPrimaries(), totalCurrents());
  scanSupersymmetry(false);
  warnMisalignedSectors(currentTensor);
  enableModular();
  return 0;
}

int tensorComputeMassless() {
  TensorProduct* TP = currentTensor;
  setExactWeightFlags(TP);
  if (TP->CosetFlag != 0 || TP->ExactWeightFlag == 0) {
    TP->CosetFlag = 1;
    Alert("COM_compute_massless", 1, 100201, "This command is not available for coset CFT's\n");
    return 1;
  }
  if (computeMasslessTensorSpectrum(TP) < 0) {
    Print("Computation aborted\n");
    return 1;
  }
  pointCountsAtTensor();
  printCFTLine(totalPrimaries(), totalCurrents());
  commandsState().spectrumComputed = 2;
  return 0;
}

int tensorComputeSimple() {
  if (computeSimpleCurrentTensorSpectrum(currentTensor) < 0) {
    Print("Simple current spectrum computation aborted\n");
    return 1;
  }
  pointCountsAtTensor();
  if (totalCurrents() > 1) {
    Print("Number of primaries: %d (Simple currents: %d)\n", totalPrimaries(), totalCurrents());
  } else {
    Print("Number of primaries: %d\n", totalPrimaries());
  }
  commandsState().spectrumComputed = 3;
  return 0;
}

// ---------------------------------------------------------------------------------------
// Handlers

int COM_tensor(char**, int) {
  setCosetMode(1);
  // Rows of a spectrum that is not computed (or was cut short) count no fields. The counts
  // are set first: the resets below read them.
  const bool computed = currentTensor->NumberOfFactors > 0 && currentTensor->SpectrumChanged == 0;
  if (computed) {
    pointCountsAtTensor();
  } else {
    pointCountsAtMaximum();
  }
  disableCoset();
  enableCoset();
  commandsState().spectrumComputed = 0;
  if (currentTensor->NumberOfFactors == 0) disableModular();
  return 0;
}

int COM_reset(char**, int) {
  resetCoset(currentTensor);
  setCosetMode(1);
  TensorChanged();
  CFTChanged();
  enableCoset();
  return COM_tensor(nullptr, 0);
}

int COM_reset_currents(char**, int) {
  resetCurrents(currentTensor);
  return COM_tensor(nullptr, 0);
}

int COM_g(char** params, int n) {
  TensorChanged();
  setInputDataChanged(currentTensor);
  return addCosetFactor(params, n, 0);
}

int COM_h(char** params, int n) {
  TensorChanged();
  setInputDataChanged(currentTensor);
  return addCosetFactor(params, n, 1);
}

int COM_current(char** params, int n) {
  TensorProduct* TP = currentTensor;
  if (n < TP->NumberOfFactors || n == 0) {
    Alert("COM_current", 0, kRefusedValue, "Too few current components");
    return 1;
  }
  std::vector<int> labels(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) labels[static_cast<std::size_t>(i)] = intParameter(params, i);
  if (addNewCurrent(TP, labels.data()) != 0) return 1;
  pointCountsAtMaximum();
  disableModular();
  return -n;
}

int COM_browse_chiral(char**, int) {
  browseChiral(currentTensor);
  return 0;
}

int COM_browse_name(char**, int) {
  if (!tensorModeOn()) {
    Alert("COM_browse_name", 0, 112311, "Command not available for single algebras");
    return 1;
  }
  DisplayTensorName(currentTensor);
  return 0;
}

int COM_browse_stab(char** params, int n) {
  if (n < 1) return 1;
  printStabilizer(currentTensor, intParameter(params, 0));
  return -1;
}

// ---------------------------------------------------------------------------------------
// Chiral-algebra extensions

int COM_collect_extensions(char** params, int n) {
  int withoutSpinOne = 0;
  if (n >= 1) {
    const int value = intParameter(params, 0);
    if (value != 1) {
      Alert("COM_collect_extensions", 0, kRefusedValue, "Invalid parameter value (%d)", value);
      return 1;
    }
    withoutSpinOne = 1;
  }
  CommandsState& s = commandsState();
  if (tensorModeOn()) {
    if (!currentTensor->CurrentList.empty()) {
      Alert("COM_collect_extensions", 1, kRefusedValue,
            "Computation not possible if there is already a chiral algebra");
      return 1;
    }
    if ((s.spectrumComputed == 0 || s.spectrumComputed == 2) && tensorComputeSimple() != 0) return 1;
  } else {
    Alert("COM_collect_extensions", 2, kValueWarning,
          "In single algebra mode this command implies a full spectrum computation");
    if (COM_compute(nullptr, 0) > 0) return 1;
  }
  printCFTLine(totalPrimaries(), totalCurrents());
  s.spectrumComputed = 3;
  if (withoutSpinOne != 0) CollectExtensions(1);
  CollectExtensions(0);
  return -n;
}

int COM_select_extension(char** params, int n) {
  if (n < 1) return 1;
  resetCurrents(currentTensor);
  disableModular();
  // The refusal has been reported; nothing else is said.
  if (SelectExtension(intParameter(params, 0)) == 0) return 1;
  if (computeTensorSpectrum(currentTensor) < 0) {
    Print("Spectrum computation aborted; modular data not available\n");
    return 1;
  }
  scanSupersymmetry(true);
  warnMisalignedSectors(currentTensor);
  pointCountsAtTensor();
  enableModular();
  return -1;
}

int COM_assign_extension(char** params, int n) {
  if (n < 1) return 1;
  assignExtensionNumber(currentTensor, intParameter(params, 0));
  return -1;
}

int COM_list_cy(char**, int) {
  interpretMinimalTensor(-1, nullptr);
  return 0;
}

bool requireMinimalTensorCode(const char* routine, long long code) {
  const std::vector<std::int64_t>& codes = getMinimalTensorCodes();
  const long long positions = static_cast<long long>(codes.size());
  if ((code >= 1 && code <= positions) ||
      std::find(codes.begin(), codes.end(), code) != codes.end())
    return true;
  Alert(routine, 0, kRefusedValue,
        "invalid CY code %lld; the codes are 1 to %lld and the level codes listed by \"browse cy\"", code,
        positions);
  return false;
}

namespace {

// The tensor product of a minimal-model code: the D5 algebra at level 1 graded by its
// current 2, then one N=2 minimal model per level, in tensor mode. False (the current
// theory unchanged) for an invalid code, which is refused in the name of `routine`.
bool buildMinimalTensorProduct(const char* routine, int code, bool recordCode) {
  if (!requireMinimalTensorCode(routine, code)) return false;
  std::vector<int> levels;
  if (interpretMinimalTensor(code, &levels) < 0) return false;
  SpectrumData* spaceTime = SM_getData(4, 5, 1);
  if (spaceTime == nullptr) return false;
  std::vector<SpectrumData*> internal;
  for (int k : levels) {
    SpectrumData* sd = SM_getData(27, 2, k);
    if (sd == nullptr) return false;
    internal.push_back(sd);
  }
  if (recordCode) commandsState().currentCY = std::to_string(code);
  SM_grade(spaceTime, 2);
  setIntPar("Graded", 1);
  setCosetMode(1);
  // The new product has no spectrum yet; the resets below read the count.
  pointCountsAtMaximum();
  disableCoset();
  enableCoset();
  commandsState().spectrumComputed = 0;
  disableModular();
  resetCoset(currentTensor);
  addTensorFactor(currentTensor, spaceTime, 0);
  for (SpectrumData* sd : internal) addTensorFactor(currentTensor, sd, 0);
  // The extension list of the previous product is stale now.
  TensorChanged();
  return true;
}

}  // namespace

int COM_build_nonsusycy(char** params, int n) {
  if (n < 1) return 1;
  if (!buildMinimalTensorProduct("COM_build_nonsusycy", intParameter(params, 0), true)) return 1;
  setIntPar("Super", 1);
  setSusySearch(0);
  return -1;
}

namespace {

// The supersymmetric product of a code with its simple-current invariants loaded; 0, or 1
// when the code is invalid or a step fails. "build cy" records the code and stores the
// invariants; a catalogue entry is rebuilt without either.
int buildSupersymmetricMinimalTensor(const char* routine, int code, bool asCommand) {
  if (!buildMinimalTensorProduct(routine, code, asCommand)) return 1;
  // The space-time supersymmetry current has label 1 in every factor.
  const int factors = std::max(10, currentTensor->NumberOfFactors);
  std::vector<int> spectralFlow(static_cast<std::size_t>(factors), 1);
  if (addNewCurrent(currentTensor, spectralFlow.data()) != 0) return 1;
  setIntPar("Super", 1);
  if (COM_compute(nullptr, 0) != 0) return 1;
  setIntPar("Selection symmetric", 1);
  setIntPar("Reject permutations", 1);
  if (asCommand) setIntPar("Autostore", 1);
  buildMultipleSimpleCurrentInvariants(nullptr, 1);
  return 0;
}

}  // namespace

int COM_build_cy(char** params, int n) {
  if (n < 1) return 1;
  if (buildSupersymmetricMinimalTensor("COM_build_cy", intParameter(params, 0), true) != 0)
    return 1;
  return -1;
}

int buildCatalogueTensorProduct(int code) {
  return buildSupersymmetricMinimalTensor("buildCatalogueTensorProduct", code, false);
}

int COM_search_tachyons(char** params, int n) {
  if (n < 1) return 1;
  if (!buildMinimalTensorProduct("COM_search_tachyons", intParameter(params, 0), false)) return 1;
  setIntPar("Super", 1);
  if (computeTachyonSpectrum(currentTensor) < 0) return 1;
  return -1;
}

const std::string& getCurrentCY() { return commandsState().currentCY; }

int COM_check_simple(char** params, int n) {
  if (n < 1) return 1;
  // A field of quantum dimension 1 is a simple current whether or not the current labels
  // reach it (an exceptional one, from a fixed point, is not among them).
  const int field = intParameter(params, 0);
  bool simple = simpleCurrentCheck(field) != 0;
  if (!simple) {
    const std::vector<int> exceptional = exceptionalSimpleCurrents();
    simple = std::find(exceptional.begin(), exceptional.end(), field) != exceptional.end();
  }
  Print(simple ? "TRUE\n" : "FALSE\n");
  return -1;
}

int COM_get_order(char** params, int n) {
  if (n < 2) return 1;
  const int J = intParameter(params, 0);
  const int a = intParameter(params, 1);
  if (J < 0 || a < 0) return 1;
  if (simpleCurrentCheck(J) == 0) {
    Alert("COM_get_order", 0, kRefusedValue, "Field %d is not a simple current", J);
    return 1;
  }
  const int order = simpleCurrentOrder(J, a);
  if (order < 1) return 1;
  Print("Order %d\n", order);
  return -2;
}

namespace {

void printRat(const Rat* q) {
  if (q->den == 1) {
    Print("%lld\n", q->num);
  } else {
    Print("%lld/%-lld\n", q->num, q->den);
  }
}

}  // namespace

int COM_get_weight(char** params, int n) {
  if (n < 1) return 1;
  const Rat* h = ratWeight(intParameter(params, 0));
  if (h == nullptr) return 1;
  printRat(h);
  return -1;
}

int COM_get_charge(char** params, int n) {
  if (n < 2) return 1;
  const Rat* q = simpleCurrentCharge(intParameter(params, 0), intParameter(params, 1));
  if (q == nullptr) return 1;
  printRat(q);
  return -2;
}

int COM_get_twist(char** params, int n) {
  if (n < 3) return 1;
  const int a = intParameter(params, 0);
  const int K = intParameter(params, 1);
  const int J = intParameter(params, 2);
  if (simpleFusion(J, a) != a) {
    Print("Current %d does not fix field %d\n", J, a);
    return 1;
  }
  const int twist = tensorModeOn() ? CT_getCurrentTwist(currentTensor, a, K, J)
                                   : SM_getCurrentTwist(currentRecord(), a, K, J);
  Print("Twist %s\n", etaString(twist));
  return -3;
}

// ---------------------------------------------------------------------------------------
// "Browse permutations": the permutations of the simple currents induced by the
// symmetries of the current theory, one numbered row each.

int COM_symmetrize(char**, int) {
  const VectorSpace* rows = nullptr;
  int width = 0;
  if (tensorModeOn()) {
    // The symmetries act on the extended spectrum: compute it as "compute spectrum" does.
    if (currentTensor->NumberOfFactors > 0 && currentTensor->SpectrumChanged != 0 && tensorCompute() != 0) return 1;
    rows = CT_getCurrentOuterAutomorphisms(currentTensor);
    if (rows != nullptr && rows->Nfill > 0) {
      width = rows->rowsize;
      Print("The following tensor product outer automorphisms are known\n");
    }
  } else {
    SpectrumData* sd = currentRecord();
    if (sd != nullptr && sd->automorphisms != nullptr) {
      SM_getCurrentOuterAutomorphisms(sd);
      rows = sd->automorphisms;
      // Search-tree links follow the entries of a row.
      width = rows->idsize;
      if (rows->Nfill > 0) Print("The following algebra outer automorphisms are known\n");
    }
  }
  if (rows == nullptr || rows->Nfill == 0) {
    Print("No symmetrization available\n");
    return 0;
  }
  for (int r = 0; r < rows->Nfill; ++r) {
    const int* row = rows->Space + static_cast<std::size_t>(r) * rows->rowsize;
    std::string text = "(";
    for (int i = 0; i < width; ++i) text += std::to_string(row[i]) + (i + 1 < width ? "," : ")");
    Print("P(%3d): %s\n", r, text.c_str());
  }
  return 0;
}

// Conjugates and the decomposition table

int COM_get_conj(char** params, int n) {
  if (n < 1) return 1;
  Print("Conjugate: %d\n", getConjugate(intParameter(params, 0)));
  return -1;
}

int COM_check_conj(char**, int) {
  const int primaries = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  int differences = 0;
  for (int i = 0; i < primaries; ++i) {
    const int stored = getConjugate(i);
    const int fromS = getGenericConjugate(i);
    if (stored != fromS) {
      Alert("COM_check_conj", 0, 212302, "Conjugates differ for field %d (%d != %d)", i, stored,
            fromS);
      ++differences;
    }
  }
  if (differences == 0) Print("All conjugates are OK\n");
  return 0;
}

namespace {

// One "Spectrum" column per tensor factor: the named one, the last one named for the
// factors beyond, "Label" when none is named.
int browseDecomposition(char** params, int n, int groundState) {
  if (n < 1) return 1;
  TensorProduct* TP = currentTensor;
  if (!tensorModeOn() || TP == nullptr) {
    Alert("COM_browse_decomp", 0, 112311, "Command not available for single algebras");
    return 1;
  }
  // Before "compute spectrum", or after a factor or current changed the product, there is
  // no field to decompose: the refusal of the commands that need the spectrum, not a field
  // that "does not exist".
  if (primaryCountKnown() == 0 || TP->SpectrumChanged != 0) {
    Alert("COM_browse_decomp", 0, kRefusedLookup, "%s", getModularMode()->message.c_str());
    return 1;
  }
  Table* spectrum = findTable("Spectrum");
  if (spectrum == nullptr) return 1;
  std::vector<DecompFormatter> functions;
  const char* name = "Label";
  for (int k = 0; k < TP->NumberOfFactors; ++k) {
    if (k + 1 < n) name = params[k + 1];
    Column* column = findColumn(spectrum, name);
    if (column == nullptr) return 1;
    if (column->init != nullptr && column->init(TP->TensorFactors[static_cast<std::size_t>(k)]) == 0) {
      Alert("COM_browse_decomp", 1, 100301, "Data for factor %d not available", k);
      return 1;
    }
    functions.push_back(column->getter);
  }
  // A refusal of the table (ground states of a coset) is reported by its alert; the
  // command itself was well formed.
  browseDecomp(TP, intParameter(params, 0), groundState, functions);
  return -n;
}

}  // namespace

int COM_browse_decomp(char** params, int n) {
  // "browse groundstate" is the same command with its last word starting with 'g'.
  const std::vector<std::string>& words = getRunningCommandWords();
  const int groundState = !words.empty() && !words.back().empty() && words.back()[0] == 'g' ? 1 : 0;
  return browseDecomposition(params, n, groundState);
}

// "create CFT": the tensor product becomes a stored theory, which is then made current.
int COM_create(char** params, int n) {
  if (n < 1 || params[0] == nullptr) {
    Alert("COM_create", 0, kRefusedValue, "A CFT name is needed");
    return 1;
  }
  SpectrumData* sd = createCFT(currentTensor, params[0]);
  if (sd == nullptr) return 1;
  resetCoset(currentTensor);
  setCosetMode(0);
  disableCoset();
  disableModular();
  char* name[1] = {sd->name};
  if (COM_cft(name, 1) > 0) return 1;
  if (sd->field_map != nullptr) {
    for (int i = 0; i < sd->n_primaries; ++i) {
      if (sd->field_map[i] != i) {
        Alert("COM_create", 1, 100201, "Warning: Labels have changed after CFT creation");
        break;
      }
    }
  }
  COM_status(nullptr, 0);
  return -1;
}
