// The application's settings, defined from one table in the order start-up creates them.
#include "program/ApplicationParameters.h"

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "search/SearchSM.h"
#include "strings/Tadpole.h"

namespace {

struct ApplicationParameter {
  const char* name;
  const char* type;  // "switch", an integer data type, or NULL for text
  const char* defaultValue;
  int saved;
  PostCommand hook;
  const char* help;
};

constexpr const char* kSwitch = "switch";
constexpr const char* kNat0 = "non_neg_int";
constexpr const char* kNat = "pos_int";
constexpr const char* kInt = "int";
constexpr const char* kDim = "dim";
constexpr const char* kText = nullptr;
constexpr int kMostFusionThreads = 256;
constexpr PostCommand kSelection = BoundarySelectionCriteriaChanged;
constexpr PostCommand kSearch = tadpoleSearchParametersChanged;
// Marks the one parameter without commands of its own.
constexpr const char* kInternal = "internal";

const ApplicationParameter kParameters[] = {
    // General settings and modular data.
    {"Maxrank", kNat0, "20", 1, nullptr, "maximal rank."},
    {"Maxperm", kNat0, "100000", 1, nullptr,
     "maximal size of the group of permutations and outer automorphisms\nof a tensor product."},
    {"Maxcurrent", kNat0, "1000", 1, nullptr, "maximal number of currents for which automorphisms are stored."},
    {"Max_primaries", kNat0, "2000000000", 1, nullptr, "maximal number of primaries."},
    {"Character order", kNat0, "4", 1, nullptr, "Maximum number of terms in Virasoro character expansion."},
    {"High_precision", kSwitch, "OFF", 1, nullptr, "high or low precision in modular data display."},
    {"Fusion sumcheck", kSwitch, "OFF", 0, nullptr, "dimension sum rule check in fusion."},
    {"Graded", kSwitch, "OFF", 0, nullptr, "graded/ungraded tensor product evaluation."},
    {"Dimension", kDim, "0", 0, nullptr, "space time dimension for superstring mode."},
    {"Super", kSwitch, "OFF", 0, nullptr, "superstring interpretation of spectra."},
    {"Heterotic factors", kNat0, "1", 0, nullptr, "Number of heterotic group factors considered."},
    {"Heterotic print_spectrum", kSwitch, "OFF", 0, nullptr, "printing of heterotic spectra."},
    {"Heterotic full_spectrum", kSwitch, "OFF", 0, nullptr, "printing of complete heterotic spectra."},
    {"Heterotic lift_symbol", kText, "widehat", 0, nullptr, "set tex-symbol for heterotic lifts."},
    {"Particle factors", kNat0, "1", 0, nullptr, "Number of particle group factors considered."},
    {"MIPF random", kNat0, "0", 0, nullptr, "number of random samples in MIPF construction.\nTo switch off set to 0"},
    {"Trace_resolution", kSwitch, "OFF", 0, nullptr,
     "display of FCFT contributions to resolved S.\nIf this switch is ON, the contributions to S_{ab} are shown\nfor "
     "each current J that fixes a and b."},
    {"S_matrix maxsize", kNat0, "400", 1, nullptr, "maximal size for S_matrix storage."},
    {"Use_orbits", kNat0, "2", 1, nullptr, "level of orbit usage for fusion and annulus computations."},
    {"Fusion threads", kNat0, "0", 0, nullptr, "number of threads for fusion tables (0: one per hardware thread)."},
    {"S_rows maxsize", kNat0, "100", 0, nullptr, "maximal size in MB of the S-matrix row files of one theory."},
    {"Store_S", kNat0, "2", 1, nullptr, "storage of orbit-orbit S-matrix elements for single algebras"},
    {"Store_S_FCFT", kNat0, "2", 1, nullptr, "storage of orbit-orbit FCFT S-matrix elements for single algebras"},

    // Tadpoles, string spectra and tadpole output.
    {"Tadpole unitary_groups_only", kSwitch, "OFF", 0, kSelection, "Allow only unitary CP groups"},
    {"Tadpole orthogonal_groups_only", kSwitch, "OFF", 0, kSelection, "Allow only orthogonal CP groups"},
    {"Tadpole symplectic_groups_only", kSwitch, "OFF", 0, kSelection, "Allow only symplectic CP groups"},
    {"Tadpole real_groups_only", kSwitch, "OFF", 0, kSelection, "Allow only real CP groups"},
    {"Tadpole allow_OH_matter", kNat0, "3", 0, kSelection,
     "type of Observable-Hidden matter allowed\nValues:\n 0: none\n 1: non-chiral\n 2: non-chiral w.r.t. observable "
     "sector;\n3: all are allowed\nThe \"observable\" sector is defined as the set of\nboundaries one with fixed CP "
     "multiplicities"},
    {"Tadpole remove_identical", kNat0, "2", 0, kSelection,
     "remove variables with identical tadpole coefficients\n0: Do not remove identical boundaries\n1: Remove if group "
     "type (U,O,S) is also identical\n2: Remove also if group type is different\n"},
    {"Tadpole allow_tachyons", kSwitch, "OFF", 0, kSelection, "allow tachyonic tadpole solutions."},
    {"Tadpole show_spectrum", kSwitch, "OFF", 0, nullptr, "automatic spectrum computation for tadpole solutions."},
    {"Tadpole detailed_spectrum", kSwitch, "OFF", 0, nullptr,
     "automatic detailed spectrum computation for tadpole solutions."},
    {"String_spectra info_level", kNat0, "0", 0, nullptr, "amount of detailed information in string spectra."},
    {"String_spectra chiral_only", kSwitch, "OFF", 0, nullptr, "display of only chiral states in open string spectra."},
    {"Tadpole check_solution", kSwitch, "OFF", 0, nullptr, "automatic equation check for tadpole solutions."},
    {"Tadpole show_solution", kSwitch, "OFF", 0, nullptr, "automatic display of CP multiplicities for each solution."},
    {"Tadpole trace", kSwitch, "OFF", 0, nullptr, "trace info: information about the tadpole solution process"},
    {"Tadpole completeness", kNat0, "2", 0, kSearch,
     "completeness of tadpole solutions\n0: Only simple, <= maxstack brane solutions, stop after first one\n1: Only "
     "simple, <= maxstack brane solutions, one per set of stacks\n2: All simple, <= maxstack brane solutions\n3: Stop "
     "after first solution, no restriction on number of stacks\n4: Try finding full, parametrized solution\n"},
    {"Tadpole max_iter", kNat0, "0", 0, kSearch, "Maximal number of boundary improvement iterations."},
    {"Output frequency", kNat, "1", 0, kSearch, "Output frequency for certain computations."},
    {"Tadpole maxconf", kNat0, "1000", 1, nullptr, "maximal number of brane configurations (in millions)"},
    {"Tadpole maxstack", kNat0, "4", 0, nullptr, "maximal number of brane stacks in simple solution."},
    {"Tadpole info_level", kNat0, "0", 1, nullptr, "amount of information printed while\n solving tadpole conditions."},
    {"Tadpole display input", kSwitch, "OFF", 1, nullptr, "input configuration while scanning inut file."},
    {"Tadpole show_variables", kNat0, "0", 1, nullptr,
     "display tadpole variable map while\n solving tadpole conditions."},
    {"Tadpole write_details_to_file", kSwitch, "ON", 1, nullptr,
     "write detailed properties of solution to an output file instead of the terminal."},

    // Standard-model search, standard-model output and scans.
    {"SM_search check_moebius", kSwitch, "ON", 0, nullptr, "check Moebius chirality for (anti)-symmetric tensors."},
    {"SM_search autosolve", kSwitch, "ON", 0, nullptr, "attempt tadpole solution after search"},
    {"SM_search new_search", kSwitch, "OFF", 0, nullptr, "updating of existing msol/stat files"},
    {"SM_search pati-salam", kSwitch, "OFF", 0, nullptr, "Include Pati-Salam models in search"},
    {"SM_search info_level", kInt, "0", 0, nullptr, "Display progress towards successful SM realization"},
    {"SM_search maxconf", kNat0, "1000000000", 0, nullptr, "maximal number of SM configurations searched for."},
    {"SM_search Nfamily", kNat0, "3", 0, nullptr,
     "Number of families searched for in standard model searches.\nIf the value is set to zero, 1,2 or 3 families are "
     "searched for."},
    {"SM_search No_frac", kSwitch, "OFF", 0, nullptr, "Require absence of fractionally charged massless states"},
    {"SM_search header", kSwitch, "OFF", 1, nullptr, "Print header for each new input line read from file"},
    {"SM_search write", kSwitch, "OFF", 0, nullptr, "Write all successful case to file"},
    {"Standard_Model info_level", kNat0, "0", 0, nullptr, "amount of information printed about SM spectra."},
    {"Standard_Model details", kSwitch, "OFF", 0, nullptr, "detailed standard model information."},
    {"Scan profile", kSwitch, "OFF", 0, nullptr, "use spectrum profiling to detect identical spectra."},
    {"Scan display profile", kSwitch, "OFF", 0, nullptr,
     "show spectrum profiles (only works if \"scan profile\" is set) ."},

    // Invariants, orientifolds, boundaries, loops, files and directories.
    {"Invariant info_level", kNat0, "0", 0, nullptr,
     "amount of information shown during simple current\n invariant computation."},
    {"Orientifold info_level", kNat0, "0", 0, nullptr, "amount of information shown during orientifold\n computation."},
    {"Create fullcenter", kSwitch, "ON", 0, nullptr, "include exceptional simple currents during CFT creation."},
    {"Create show_info", kSwitch, "OFF", 0, nullptr, "display of information during CFT creation."},
    {"Selection automorphism", kInternal, "OFF", 0, nullptr, nullptr},
    {"Selection symmetric", kSwitch, "OFF", 0, nullptr,
     "restriction to symmetric invariants\n during modular invariant selection."},
    {"Selection extension", kSwitch, "OFF", 0, nullptr,
     "restriction to extension invariants\n during modular invariant selection."},
    {"Invariant max_display", kNat0, "100", 1, nullptr,
     "Maximal number of orbits shown during selection of\nsimple current invariants."},
    {"Orientifold", kSwitch, "ON", 0, bulkInvariantChanged,
     "requirement of Crosscap/Moebius/Klein consistency\n during boundary search."},
    {"Boundary_search capacity", kNat, "1", 0, nullptr, "storage space scaling factor used in boundary search."},
    {"Boundary_search use_all_sets", kSwitch, "OFF", 0, nullptr,
     "usage of all boundary sets versus maximal size ones only."},
    {"Boundary_search info_level", kNat0, "0", 0, nullptr,
     "amount of information printed while searching for\n boundaries and crosscaps."},
    {"Invariant statistics", kSwitch, "OFF", 0, nullptr, "display of statistics of bulk invariants."},
    {"Moebius security_level", kNat0, "0", 1, nullptr,
     "Level of reliability required for\n solving moebius polynomial equations."},
    {"NIMrep Max_row", kNat0, "100000", 1, nullptr, "maximal number of NIMrep row candidates"},
    {"Autostore", kSwitch, "OFF", 1, nullptr, "Automatic storage of modular invariants."},
    {"Reject permutations", kSwitch, "ON", 0, permutationRejectionChanged,
     "automatic suppression of invariants related by\n permutations and outer automorphisms."},
    {"Reject info", kSwitch, "OFF", 0, nullptr, "display of permutation rejection criteria."},
    {"Loop start", kNat0, "0", 0, nullptr, "starting point of MIPF loops when using \"loop_command\""},
    {"Loop end", kNat0, "2000000000", 0, nullptr, "end point (included) of MIPF loops when using \"loop_command\""},
    {"Init_debug", kSwitch, "OFF", 0, nullptr, "display initialization information"},
    {"OutputFilePrefix", kText, "N", 1, nullptr, "prefix for output file name"},
    {"OutputFilePostfix", kText, "", 1, nullptr, "postfix for output file name"},
    {"OutputDir", kText, "HOME", 1, nullptr, "Directory for output files"},
    {"WorkDir", kText, "HOME", 1, nullptr, "Directory for scratch files"},
    {"QUVR_Dir", kText, "HOME", 1, nullptr, "Directory of the full QUVR data base"},
    {"TensorName", kText, "NONE", 0, nullptr, "Tensor product name for output files."},
    {"ModelDir", kText, ".", 1, ModelDirChanged, "Directory in which the file \"Models.list\" can be found."},
    {"Maxhours", kNat0, "2000000000", 0, nullptr,
     "Maximal number of hours a program will run.\n(Only works for a limited set of tasks)"},
    {"Axion_stat", kSwitch, "OFF", 0, nullptr, "Printing of statistcs for axion symmetry breaking.\n"},
};

}  // namespace

void defineApplicationParameters() {
  setCurrentMode(getDefaultMode());
  for (const ApplicationParameter& p : kParameters) {
    if (p.type == kInternal) {
      addInternalParameter(p.name, p.defaultValue, 't', p.saved);
      continue;
    }
    addParameter(p.name, p.defaultValue, p.type, p.help, p.saved);
    if (p.hook != nullptr) {
      std::string phrase = std::string("set ") + p.name;
      if (Command* command = matchComKey(phrase.c_str())) command->postCommand = p.hook;
    }
  }
  // A fusion table runs on at most 256 threads; a larger number is refused, not ignored.
  setParameterRange("Fusion threads", 0, kMostFusionThreads);
  addDefaultAction("Graded", disableModularVerbose);
  addDefaultAction("Use_orbits", disableModularVerbose);
  addDefaultAction("Orientifold", resetBoundaries);
}

