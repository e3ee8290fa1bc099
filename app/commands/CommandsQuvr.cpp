// Handlers of the QUVR catalogue commands: the guided search over a file of model lines,
// the browse, re-analysis, real-form, extension, ordering and pattern tools, the selection
// requirements and their run, the statistics of the result tree, the collections and the
// MIPF status check.
#include <cstring>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/QuvrBrowse.h"
#include "search/QuvrGuided.h"
#include "search/QuvrOrder.h"
#include "search/QuvrReanalyse.h"
#include "search/QuvrSelect.h"
#include "search/QuvrStatistics.h"
#include "search/SearchSM.h"

namespace {

// "x" is (0, 0); two letters give the row (G N S A Y) and the stack (a b c d). 1 when the
// word names a parameter, 0 after the message.
int interpret_QUVR_parameters(const char* word, int* row, int* stack) {
  const std::size_t length = std::strlen(word);
  if (length == 1 && word[0] == 'x') {
    *row = 0, *stack = 0;
    return 1;
  }
  if (length == 2) {
    const char* rows = "GNSAY";
    const char* found = std::strchr(rows, word[0]);
    const char* stacks = "abcd";
    const char* stackFound = std::strchr(stacks, word[1]);
    if (found != nullptr && stackFound != nullptr && word[0] != '\0' && word[1] != '\0') {
      *row = static_cast<int>(found - rows) + 1;
      *stack = static_cast<int>(stackFound - stacks);
      return 1;
    }
  }
  if (length == 1 || length == 2)
    Print("Invalid parameter %s\n", word);
  else
    Print("Invalid parameter %s %d\n", word, static_cast<int>(length));
  return 0;
}

// The particle codes: N 0, Q 1, U 2, D 3, L 4, E 5, A 10 (all), C 20 (charged); -1 after
// the message.
int interpret_QUVR_mirror(const char* word) {
  switch (word[0]) {
    case 'N': return 0;
    case 'Q': return 1;
    case 'U': return 2;
    case 'D': return 3;
    case 'L': return 4;
    case 'E': return 5;
    case 'A': return 10;
    case 'C': return 20;
    default: Print("Invalid parameter %s\n", word); return -1;
  }
}

// The particle types a code stands for.
std::vector<int> particleTypes(int code) {
  if (code == 10) return {0, 1, 2, 3, 4, 5};
  if (code == 20) return {1, 2, 3, 4, 5};
  return {code};
}

void Check_QUVR_range(int row, int min, int max) {
  if (max < min) Print("Invalid range, %d > %d\n", min, max);
  if (row == 1) {
    if (min <= -2) Print("Invalid group type minimum: %d\n", min);
    if (max >= 2) Print("Invalid group type maximum: %d\n", max);
  }
  if (row == 2 && min < 0) Print("Invalid stack size minimum: %d\n", min);
}

}  // namespace

int COM_search_guided_sm(char** params, int n) {
  if (n < 1) {
    Alert("COM_search_guided_sm", 0, 100302, "A file of model lines is required");
    return 1;
  }
  setSusySearch(1);
  AutostoreOn autostore;
  GuidedSearch(params[0]);
  return -n;
}

int COM_browse_generic(char** params, int n) {
  if ((n >= 2 && n <= 7) || n == 9) {
    Alert("COM_browse_generic", n == 9 ? 1 : 0, 100302, "Incorrect number of parameters");
    return 1;
  }
  int v[10] = {};
  for (int k = 0; k < n && k < 10; ++k) v[k] = intParameter(params, k);
  const int level = parameterValue(commandsState().smInfo, 0);
  AutostoreOn autostore;
  BrowseGeneric(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], level);
  return -n;
}

int COM_browse_quvr(char** params, int n) {
  BrowseQUVR(intParameter(params, 0));
  return -n;
}

int COM_reanalyse_quvr(char** params, int n) {
  if (n == 1) {
    ReanalyseQUVR(intParameter(params, 0), -1);
    return -n;
  }
  for (int U : {20, 15, 10, 0, 1, 2, 3})
    if (FullQUVRAnalysis(U) != 0) return 1;
  return 0;
}

int COM_extend_quvr(char**, int) {
  ExtendQUVR();
  return 0;
}

int COM_realform_quvr(char**, int) {
  RealFormQUVR();
  return 0;
}

int COM_order_quvr(char**, int) {
  OrderQUVRModels();
  return 0;
}

int COM_analyse_quvr(char**, int) {
  AnalyseQUVRModels();
  return 0;
}

int COM_select_quvr_exec(char**, int) {
  SelectQUVRmodel();
  return 0;
}

int COM_select_quvr_set(char** params, int n) {
  int row = 0, stack = 0;
  if (interpret_QUVR_parameters(params[0], &row, &stack) == 0) return -n;
  const int min = intParameter(params, 1);
  const int max = n >= 3 ? intParameter(params, 2) : min;
  Check_QUVR_range(row, min, max);
  Set_QUVR_range(row, stack, min, max);
  return -n;
}

int COM_select_quvr_mirror(char** params, int n) {
  const int code = interpret_QUVR_mirror(params[0]);
  if (code < 0) return -n;
  const int min = intParameter(params, 1);
  const int max = n >= 3 ? intParameter(params, 2) : min;
  if (max < min) {
    Alert("COM_select_mirror", 0, 100302, "empty range");
    return 1;
  }
  for (int type : particleTypes(code)) Set_QUVR_mirror(type, min, max);
  return -n;
}

int COM_select_quvr_Uni(char** params, int n) {
  const int code = interpret_QUVR_mirror(params[0]);
  if (code < 0) return -n;
  const int value = intParameter(params, 1);
  if (value >= 4) {
    Alert("COM_select_quvr_Uni", 0, 100302, "Invalid value");
    return 1;
  }
  for (int type : particleTypes(code)) Set_QUVR_Uni(type, value);
  return -n;
}

int COM_select_quvr_Zprime(char** params, int n) {
  const int value = intParameter(params, 0);
  if (value >= 3) {
    Alert("COM_select_quvr_Zprime", 0, 100302, "Invalid value");
    return 1;
  }
  Set_QUVR_Zprime(value);
  return -n;
}

int COM_select_quvr_reset(char** params, int n) {
  if (n >= 1) {
    int row = 0, stack = 0;
    if (interpret_QUVR_parameters(params[0], &row, &stack) == 1)
      Set_QUVR_range(row, stack, -kQuvrUnbounded, kQuvrUnbounded);
    return -n;
  }
  Set_QUVR_range(0, 0, -kQuvrUnbounded, kQuvrUnbounded);
  for (int row = 1; row <= 5; ++row)
    for (int stack = 0; stack < 4; ++stack) Set_QUVR_range(row, stack, -kQuvrUnbounded, kQuvrUnbounded);
  ResetQUVRSpectrumCriteria();
  for (int type = 0; type < 6; ++type) {
    Set_QUVR_mirror(type, -kQuvrUnbounded, kQuvrUnbounded);
    Set_QUVR_Uni(type, kQuvrUnbounded);
  }
  Set_QUVR_Zprime(0);
  return 0;
}

int COM_select_quvr_show(char**, int) {
  Show_QUVR_parameters();
  return 0;
}

int COM_select_quvr_sm(char** params, int n) {
  SelectQUVR(params[0]);
  return -n;
}

int COM_select_quvr_full(char** params, int n) {
  SelectQUVR(params[0]);
  return -n;
}

int COM_select_quvr_undo(char**, int) {
  SelectQUVR(nullptr);
  return 0;
}

int COM_select_quvr_spectrum(char** params, int n) {
  SelectQUVRSpectrum(params[0]);
  return -n;
}

int COM_select_quvr_id(char** params, int n) {
  SelectQUVR_ID(params[0]);
  return -n;
}

int COM_info_quvr(char**, int) {
  Print("Column 1: Number assigned to a given open string\n");
  Print("          Sometimes multiple assigments are possible, indicated by \"(=n\")\n");
  Print("Column 2: SU(3) x SU(2) x U(1) representation\n");
  Print("          Between brackets <..> appear the extra U(1) charges, if any.\n");
  Print("Column 3: Brane charges, obtained after splitting stack c and d.\n");
  Print("          These stacks are split if Y contains nontrivial generators\n");
  Print("          T_c or T_d embedded in the nonabelian groups of these stacks.\n");
  Print("          Brane charges can be 1,-1,2,-2 or 0.\n");
  Print("Column 4: Decomposition of the contribution of Y from the four stacks.\n");
  return 0;
}

int COM_build_stat(char**, int) {
  BuildQUVRStatistics();
  return 0;
}

int COM_collect_quvr(char** params, int n) {
  std::vector<int> list;
  for (int k = 0; k < n; ++k) list.push_back(intParameter(params, k));
  list.push_back(-1);
  CollectQUVRModels(list.data());
  return -n;
}

int COM_collect_no_hidden(char** params, int n) {
  if (n == 0) {
    CollectNoHiddenModels(nullptr);
    return 0;
  }
  std::vector<int> list;
  for (int k = 0; k < n; ++k) list.push_back(intParameter(params, k));
  list.push_back(-1);
  CollectNoHiddenModels(list.data());
  return -n;
}

int COM_check_quvr(char**, int) {
  CheckQUVRDataBase();
  return 0;
}

namespace {

struct QuvrCommand {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const QuvrCommand kQuvrDefaultCommands[] = {
    {"info quvr", "", COM_info_quvr, "Explains the columns of the standard-model spectrum tables."},
    {"check quvr", "", COM_check_quvr,
     "Walks the QUVR folder: the status of every MIPF of \"MIPF.list\", the classes of types found on one brane "
     "configuration, and the MIPF lists ordered by size (\"BLC_OrderedMipf.list\", \"CY_OrderedMipf.list\")."},
    {"build statistics", "", COM_build_stat,
     "Counts the realisations and MIPFs of every model type in the result files of the QUVR folder and prints "
     "them, most frequent first, in the format of \"Models.stat\"."},
    {"collect quvr", "[pos_int nr_0](pos_int nr_1)...(pos_int nr_n)", COM_collect_quvr,
     "Collects every realisation of the given model types from the result files of the QUVR folder into the "
     "file \"QURV_selection\" there."},
    {"collect no_hidden", "(pos_int nr_0)...(pos_int nr_n)", COM_collect_no_hidden,
     "Collects the realisations without hidden sector (of the given types, or of all) into "
     "\"QURV_NoHidden_selection\" in the home folder."},
    {"browse standard_model", "[int nr](int tensor)(int MIPF)(int orientifold)(int a)(int b)(int c)(int d)(int H_d)(int H_u)",
     COM_browse_generic,
     "Shows model type nr of the catalogue and rebuilds a realisation: the stored one (one parameter), or the one "
     "given by tensor code, MIPF, orientifold and boundaries a, b, c, d (d = -1 for three stacks), optionally "
     "with the Higgs choices H_d and H_u."},
    {"search guided", "[filename]", COM_search_guided_sm,
     "Rebuilds the brane configurations listed in a file whose lines have the format of the \".pre_models\" "
     "lines, and runs the last-brane step of the search for each."},
    {"browse QUVR", "[pos_int nr]", COM_browse_quvr, "Shows model type nr of the catalogue."},
    {"reanalyse QUVR", "(pos_int nr)", COM_reanalyse_quvr,
     "Re-analyses model type nr, or, without a number, every type of the catalogue class by class."},
    {"extend QUVR", "", COM_extend_quvr,
     "Recomputes the extended information of every catalogue type and writes \"ModelsNEW.list\"."},
    {"realform QUVR", "", COM_realform_quvr,
     "Turns unitary stacks of every catalogue type into real ones and reports which types are reproduced."},
    {"order QUVR", "", COM_order_quvr,
     "Sorts the catalogue, groups types that differ only in the hypercharge embedding into classes and writes "
     "\"ModelsOut.list\"."},
    {"analyse QUVR", "", COM_analyse_quvr,
     "Searches the catalogue for a fixed family of three-family patterns and ends the program."},
    {"select QUVR execute", "", COM_select_quvr_exec,
     "Writes the catalogue types satisfying every selection requirement to \"Selected_Models\" and "
     "\"Selected_SM.list\" in the work folder."},
    {"select QUVR set", "[parm][int value](int max)", COM_select_quvr_set,
     "Requires a parameter of the model class to equal value, or to lie between value and max."},
    {"select QUVR mirror", "[particle][int value](int range)", COM_select_quvr_mirror,
     "Requires the number of mirror pairs of a particle type to equal value, or to lie between value and range. "
     "Particles: Q, U, D, L, E and N are standard-model multiplicities, A means all particles and C all charged "
     "particles. For every particle but N the number of mirror pairs is the deviation from the standard model; "
     "for N (singlet neutrinos) the standard-model value is taken as zero. Examples: \"select quvr mirror N 2\" "
     "(models with 2 singlet neutrinos), \"select quvr mirror N 0 2\" (0, 1 or 2)."},
    {"select QUVR Universality", "[particle][non_neg_int parm]", COM_select_quvr_Uni,
     "Requires the universality index of a particle type. With n particles and m mirrors (n - m = 3) the index "
     "is one of:\n   0:  Mirror particles (m > 0) and/or gauge multiplicities.\n   1:  Universal: m=0, n=3, all "
     "from the same brane intersection.\n   2:  Non-universal: m=0, n=3, and n is a sum of various open string "
     "sectors.\nIt is 0 whenever a multiplicity comes from a non-trivial representation."},
    {"select QUVR Z_prime", "[non_neg_int parm]", COM_select_quvr_Zprime,
     "Requires at least parm additional massless U(1) vectors."},
    {"select QUVR reset", "(parm)", COM_select_quvr_reset,
     "Resets one parameter range, or, without a parameter, every selection requirement."},
    {"select QUVR show", "", COM_select_quvr_show, "Shows the selection requirements."},
    {"select QUVR group", "[group_code]", COM_select_quvr_sm,
     "Requires the Chan-Paton group of the stacks, e.g. \"U3U2S2U1\" for SU(3)xSU(2)xSp(2)xU(1)."},
    {"Search obsolete full_group", "[group_code]", COM_select_quvr_full,
     "The same as \"select QUVR group\"."},
    {"search obsolete undo", "", COM_select_quvr_undo, "Selects the group with no code."},
    {"select QUVR spectrum", "[spectrum_code]", COM_select_quvr_spectrum,
     "Requires the tensor content per stack: V none, A anti-symmetric, S symmetric, T both; e.g. \"VAST\" "
     "(chiral antisymmetric tensors on brane b, chiral symmetric tensors on brane c, both kinds on brane d)."},
    {"select QUVR identification", "[id_string]", COM_select_quvr_id,
     "Requires the brane identification of the four stacks, e.g. aacd (the first two branes identical)."},
};

const QuvrCommand kQuvrBoundaryCommands[] = {
    {"search guided quvr", "[filename]", COM_search_guided_sm,
     "Rebuilds the brane configurations listed in a file whose lines have the format of the \".pre_models\" "
     "lines, and runs the last-brane step of the search for each."},
};

template <std::size_t N>
void registerQuvr(const QuvrCommand (&table)[N]) {
  for (const QuvrCommand& entry : table) initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

}  // namespace

void registerQuvrDefaultCommands() {
  registerQuvr(kQuvrDefaultCommands);
  addHelp("select quvr set", HLP_criteria);
  addHelp("select quvr reset", HLP_criteria);
}

void registerQuvrBoundaryCommands() { registerQuvr(kQuvrBoundaryCommands); }
