// The command set's registration and modes: the six modes with their refusal messages,
// the command tables of each mode (words, parameter description, handler, help text, in
// the order the modes list them), the help functions attached to them, the boundary
// mode's activation function, and the live parameters the handlers read. Commands whose
// handlers need subsystems that are not built yet are registered with those subsystems.
#include "Commands.h"

#include <cstddef>

#include "CommandsInternal.h"
#include "CommandsSeams.h"
#include "ControlUtility.h"
#include "Discrete.h"
#include "Error.h"
#include "IntCommands.h"
#include "Modular.h"
#include "Output.h"
#include "Parameters.h"
#include "Storemanager.h"

int SelectedWeightNum = -1;
int SelectedWeightDen = -1;
int massless_only = 0;
int* TotalCurrents = nullptr;

namespace {

struct CommandEntry {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

struct HelpAttachment {
  const char* words;
  HelpFunction function;
};

const char kTypeParameters[] = "[rank r][level k]";
const char kTypeHelp[] =
    "Loads the affine Lie algebra of this type at rank r and level k, computes its spectrum and "
    "enables the "
    "modular data.";

const CommandEntry kDefaultCommands[] = {
    {"status", "", COM_status,
     "Shows the mode (single algebra or tensor product) and the current algebra."},
    {"compute spectrum", "", COM_compute,
     "Computes the spectrum of the current theory and enables its modular data. Has no effect when "
     "the "
     "spectrum is already known."},
    {"compute massless_spectrum", "", COM_compute_massless,
     "Computes only the massless part of the spectrum of a tensor product."},
    {"compute simple_current_spectrum", "", COM_compute_simple,
     "Computes only the simple currents of the spectrum of a tensor product."},
    {"total primaries", "", COM_tot_prim, "Prints the number of primaries of the current theory."},
    {"supersymmetric", "", COM_susic,
     "Prints 1 when the last tensor spectrum contains a supersymmetry current, else 0."},
    {"single", "", COM_single,
     "Returns to single algebra mode, shows the status and computes the spectrum of the current "
     "algebra."},
    {"display", "", COM_display,
     "Displays the spectrum of the current theory (computed first if needed)."},
    {"display range", "[field min][field max]", COM_display,
     "Displays the fields min to max of the spectrum."},
    {"display field", "[field lbl]", COM_display, "Displays one field of the spectrum."},
    {"display massless", "", COM_display_massless,
     "Displays the fields that contribute to the massless spectrum (weight 1, and the vacuum)."},
    {"display simple", "", COM_display_simple,
     "Displays the simple currents (the first fields of the spectrum)."},
    {"display weight", "[int num][int den]", COM_display_weight,
     "Displays the fields of conformal weight $num/den$."},
    {"algebra cft", "[CFT_name]", COM_algebra_single,
     "Makes the stored CFT of this name current and computes its spectrum."},
    {"algebra", "", nullptr,
     "Selects the current theory: a type keyword followed by its parameters (see below)."},
    {"algebra a", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra b", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra c", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra d", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra e", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra f", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra g", kTypeParameters, COM_algebra_single, kTypeHelp},
    {"algebra at", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra $A_{2}^{(2)}$ at level k (rank 1 only)."},
    {"algebra bt", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra B(2) at rank r and level k."},
    {"algebra bc", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra B-tilde (B(2t)) at rank r and level k."},
    {"algebra ct", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra C(2) at rank r and level k."},
    {"algebra ft", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra F(2) at level k (rank 4 only)."},
    {"algebra gt", kTypeParameters, COM_algebra_single,
     "Loads the twisted affine algebra G(3) at level k (rank 2 only)."},
    {"algebra u", "[radius R]", COM_algebra_single,
     "Loads the U(1) (circle) theory with R primaries; $R=2$ is SU(2) level 1."},
};

const HelpAttachment kDefaultHelp[] = {
    {"compute massless_spectrum", HLP_restricted_spectrum},
    {"compute simple_current_spectrum", HLP_restricted_spectrum},
    {"algebra", HLP_algebra},
};

const CommandEntry kSingleAlgebraCommands[] = {
    {"dynkin", "(int i1)...(int in)", COM_getrep,
     "Prints the label of the field with these Dynkin labels (the affine label is left out for "
     "untwisted "
     "algebras)."},
    {"check classes", "", COM_check_class,
     "Checks that the conjugacy class of every field agrees with its simple-current charges."},
    {"Weyl reflection", "[field i](simple_root j)", COM_weyl,
     "Reflects the Dynkin labels of field i in simple root j, or shows the images under the whole "
     "Weyl group."},
    {"Weyl orbit", "[field i]", COM_weylorbit,
     "Shows the distinct images of field i under the Weyl group."},
    {"Weyl Parity Orbits", "", COM_dynkinweylsignorbit,
     "Shows the Weyl orbits of the classes of Dynkin labels modulo 2."},
    {"Weyl Group", "", COM_weylGroup,
     "Lists the elements of the Weyl group as words in the simple reflections (the identity left "
     "out)."},
    {"Weyl Order", "", COM_weylOrder, "Prints the order of the Weyl group."},
    {"Weyl Multiply", "[non_neg_int i][non_neg_int j]", COM_weylmult,
     "Prints the index of the product of Weyl group elements i and j."},
    {"value grade", "", COM_val_grade, "Prints the grade current of the current algebra."},
};

const CommandEntry kModularCommands[] = {
    {"s", "(field lbl1)(field lbl2)", COM_s, "Displays elements of the modular matrix S."},
    {"pmatrix", "(field lbl1)(field lbl2)", COM_pmatrix,
     "Displays elements of the orientifold matrix P."},
    {"fusion", "(field i)(field j)(field k)", COM_fusion,
     "Displays fusion rules $N_{ij}^k$, computed with the Verlinde formula."},
    {"simple_fusion", "[current J](field j)", COM_simple_fusion,
     "Displays the fusion of simple current J with field j, or with every field."},
    {"orbit", "[current J][field i]", COM_orbit,
     "Displays the orbit of field i under simple current J."},
    {"browse orbit primaries", "[current J][field i]", COM_orbit_primaries,
     "Shows the labels and weights of the fields on the orbit of field i under simple current J."},
    {"browse fixed_points", "[current J]", COM_browse_fixed,
     "Lists the fixed points of simple current J."},
    {"pfusion", "(field i)(field j)(field k)", COM_pfusion,
     "Displays the P-fusion coefficients $Y_{ij}^k=@sum_m S_{mi} P_{mj} P^*_{mk}/S_{m0}$."},
    {"check pmat", "", COM_check_pmat, "Computes every element of P once (a timing test)."},
    {"expand", "[field lbl]", COM_expand, "Shows the Dynkin labels of a field."},
    {"total simple_currents", "", COM_tot_cur,
     "Prints the number of simple currents of the current theory."},
};

const HelpAttachment kModularHelp[] = {
    {"pmatrix", HLP_pmatrix},
    {"s", HLP_s},
    {"fusion", HLP_fusion},
    {"pfusion", HLP_pfusion},
};

const HelpAttachment kSettingHelp[] = {
    {"set maxrank", HLP_maxrank},           {"set graded", HLP_graded},
    {"set dimension", HLP_space_dim},       {"set super", HLP_super},
    {"set use_orbits", HLP_use_orbits},     {"set store_s", HLP_store_s},
    {"set store_s_fcft", HLP_store_s_fcft},
};

template <std::size_t N>
void registerTable(const CommandEntry (&table)[N]) {
  for (const CommandEntry& entry : table)
    initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

template <std::size_t N>
void attachHelp(const HelpAttachment (&table)[N]) {
  for (const HelpAttachment& entry : table) addHelp(entry.words, entry.function);
}

void initializeDefaultModeCommands() {
  setCurrentMode(getDefaultMode());
  registerTable(kDefaultCommands);
  attachHelp(kDefaultHelp);
}

void initializeSingleAlgebraModeCommands() {
  CommandsState& s = commandsState();
  s.singleAlgebraMode = makeMode("Command only works in single algebra mode");
  setCurrentMode(s.singleAlgebraMode);
  registerTable(kSingleAlgebraCommands);
}

// Tensor-product commands come with the tensor-product subsystem; the mode exists so that
// the mode switches work.
void initializeTensorModeCommands() {
  CommandsState& s = commandsState();
  s.tensorMode = makeMode("Command only works in tensor mode");
}

void initializeHeteroticModeCommands() {
  commandsState().heteroticMode = makeMode("Command only works in heterotic mode");
}

void initializeModularModeCommands() {
  CommandsState& s = commandsState();
  s.modularMode = makeMode("No modular data; type \"compute spectrum\" first.");
  setCurrentMode(s.modularMode);
  registerTable(kModularCommands);
  attachHelp(kModularHelp);
}

void initializeBoundaryModeCommands() {
  CommandsState& s = commandsState();
  s.boundaryMode = makeMode("No open string and bulk invariant data available");
  addModeFunction(s.boundaryMode, InitializeOpenStrings);
}

}  // namespace

CommandsState& commandsState() {
  static CommandsState s;
  return s;
}

bool commandsHighPrecision() {
  return parameterValue(commandsState().doublePrecision, 0) != 0;
}

void initializeCommands() {
  CommandsState& s = commandsState();
  if (s.initialized) return;
  s.initialized = true;
  initializeGeneralCommands();
  getConversion("current", makeConversionMethod(CONV_getCurrent, 'i', "Simple current"));
  getConversion("fcur", makeConversionMethod(CONV_getfcur, 'i', "Simple current in tensor factor"));
  getConversion("fprim", makeConversionMethod(CONV_getffield, 'i', "CFT primary in tensor factor"));
  getConversion("field", makeConversionMethod(CONV_getLabel, 'i', "Primary field label"));
  getConversion("simple_root", makeConversionMethod(CONV_getRoot, 'i', "Simple root"));
  getConversion("N_susy", makeConversionMethod(CONV_getN_susy, 'i', "Number of supersymmetries"));
  getConversion("level", makeConversionMethod(CONV_getlevel, 'i', "Level (central charge)"));
  getConversion("radius", makeConversionMethod(CONV_getradius, 'i',
                                               "Circle radius (defined as number of primaries)"));
  getConversion("rank", makeConversionMethod(CONV_getrank, 'i', "Rank of horizontal algebra"));
  getConversion("dim",
                makeConversionMethod(CONV_getdim, 'i', "Space-time dimension in superstring mode"));
  getConversion("bound", makeConversionMethod(CONV_getBound, 'i', "Boundary label"));
  getConversion("Ishibashi", makeConversionMethod(CONV_getIshibashi, 'i', "Ishibashi label"));
  s.tensorMode = makeMode("Command only works in tensor mode");
  initializeDefaultModeCommands();
  initializeSingleAlgebraModeCommands();
  initializeTensorModeCommands();
  initializeHeteroticModeCommands();
  initializeModularModeCommands();
  initializeBoundaryModeCommands();
  setCurrentPreCommand(nullptr);
  setCurrentMode(getDefaultMode());
}

void initializeCommandPointers() {
  commandsState().maxrank = getIntParPointer("Maxrank");
  // Settings that a later subsystem defines are left without the extra help.
  for (const HelpAttachment& entry : kSettingHelp) {
    if (matchComKey(entry.words) != nullptr) addHelp(entry.words, entry.function);
  }
  StoreSeam::installSpectrumCells();
}

void initializeCommandParameters() {
  CommandsState& s = commandsState();
  s.doublePrecision = getIntParPointer("High_precision");
  s.super = getIntParPointer("Super");
  s.autoStore = getIntParPointer("Autostore");
  s.removeId = getIntParPointer("Tadpole remove_identical");
  s.terminalInput = getIntParPointer("interactive");
  s.maxConf = getIntParPointer("Tadpole maxconf");
  s.heteroticFactors = getIntParPointer("Heterotic factors");
  s.particleFactors = getIntParPointer("Particle factors");
  s.smInfo = getIntParPointer("Standard_Model info_level");
  s.storeS = getIntParPointer("Store_S");
  if (currentSD != nullptr) setCurrentTheory(currentSD);
}

void resetCommands() {
  CommandsState& s = commandsState();
  s.spectrumComputed = 0;
  s.susic = 0;
  s.dynkinLabels.release();
  s.reflected.release();
  s.weylImage.release();
  SelectedWeightNum = -1;
  SelectedWeightDen = -1;
  massless_only = 0;
  if (currentSD != nullptr) setCurrentTheory(currentSD);
}

Mode* getTensorMode() {
  return commandsState().tensorMode;
}
Mode* getSingleAlgebraMode() {
  return commandsState().singleAlgebraMode;
}
Mode* getHeteroticMode() {
  return commandsState().heteroticMode;
}
Mode* getModularMode() {
  return commandsState().modularMode;
}
Mode* getBoundaryMode() {
  return commandsState().boundaryMode;
}

int getSpectrumComputed() {
  return commandsState().spectrumComputed;
}

void setCurrentTheory(SpectrumData* sd) {
  currentSD = sd;
  TotalPrimaries = &sd->n_primaries;
  TotalCurrents = sd->scgroup != nullptr ? &sd->scgroup->order : nullptr;
}

std::string lastCommandWord() {
  const std::vector<std::string>& words = getRunningCommandWords();
  return words.empty() ? std::string() : words.back();
}

int tensorModeOn() {
  return KMCosetSwitch;
}

SpectrumData* currentRecord() {
  return currentSD;
}

int totalPrimaries() {
  return TotalPrimaries != nullptr ? *TotalPrimaries : 0;
}
int totalCurrents() {
  return TotalCurrents != nullptr ? *TotalCurrents : 1;
}

// ---------------------------------------------------------------------------------------
// Mode switches

void disableModular() {
  ModularSeam::resetAlgebraRequirements();
  ModularSeam::resetInvariantStore();
  ModularSeam::resetSelectionCriteria();
  CommandsState& s = commandsState();
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  s.spectrumComputed = 0;
}

void enableModular() {
  CommandsState& s = commandsState();
  if (!tensorModeOn() && (currentSD == nullptr || currentSD->validity == 0)) {
    Print("No modular data are available for this algebra\n");
    return;
  }
  switchMode(s.modularMode, 1);
  s.spectrumComputed = 1;
  CFTChanged();
  ModularSeam::storeDiagonalBulkInvariant();
  switchMode(s.boundaryMode, 1);
}

void enableCoset() {
  CommandsState& s = commandsState();
  switchMode(s.tensorMode, 1);
  switchMode(s.singleAlgebraMode, 0);
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  switchMode(s.heteroticMode, 0);
}

void disableCoset() {
  disableModular();
  CommandsState& s = commandsState();
  switchMode(s.tensorMode, 0);
  switchMode(s.singleAlgebraMode, 1);
  switchMode(s.modularMode, 0);
  switchMode(s.boundaryMode, 0);
  switchMode(s.heteroticMode, 0);
}
