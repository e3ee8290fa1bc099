// Handlers of the standard-model search: "search quvr" and "prescan quvr" (boundary mode),
// "search non_susy_sm" (modular mode, through the tachyon check) and "scan tadpoles"
// (default mode, on a model file).
#include <string>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "interpreter/Interpreter.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "search/ModelScan.h"
#include "search/QuvrBrowse.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"
#include "strings/StringTheory.h"

namespace {

int number(char** params, int i) { return intParameter(params, i); }

const char* currentCYText() { return getCurrentCY().c_str(); }

struct SMSearchCommand {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const SMSearchCommand kBoundaryCommands[] = {
    {"search quvr", "(int a_min)(int a_max)", COM_search_generic_sm,
     "Searches the orientifolds of the current bulk invariant for supersymmetric standard-model brane "
     "configurations (stacks a, b, c, d), with stack a in the usable boundaries a_min .. a_max - 1 (one value: "
     "that boundary only; none: all). Candidates go to the case's \".pre_models\" file and are merged into the "
     "model catalogue; with \"SM_search autosolve\" their tadpoles are solved."},
    {"prescan quvr", "(pos_int value)", COM_prescan_generic_sm,
     "The supersymmetric standard-model search in a prescan mode: 1 (default) one model per (a,b) boundary pair, "
     "2 one model per a boundary, 3 one model per case."},
};

const SMSearchCommand kModularCommands[] = {
    {"search non_susy_sm", "(int a_min)(int a_max)", COM_find_tachyonfree_sm,
     "Runs the tachyon check with the standard-model search as the tachyon-free handler: the non-supersymmetric "
     "standard-model search over the tachyon-free orientifolds, with stack a in a_min .. a_max - 1 (two values "
     "or none)."},
};

const SMSearchCommand kDefaultCommands[] = {
    {"scan tadpoles", "[filename](int modelnr)", COM_scan_tadpoles,
     "Reads a model file and searches every standard-model candidate for hidden sectors that cancel the "
     "tadpoles; the status of each line is written to the file with extension \"analysed\" (input \".models\") "
     "or to the file name followed by _0, _1, ... With a model number only lines of that catalogue type."},
};

template <std::size_t N>
void registerTable(const SMSearchCommand (&table)[N]) {
  for (const SMSearchCommand& entry : table) initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

}  // namespace

int COM_search_generic_sm(char** params, int n) {
  setSusySearch(1);
  // A full search, whatever an earlier prescan of the run chose.
  setPreScan(0);
  if (n >= 2) {
    setFirstBoundary(number(params, 0));
    setLastBoundary(number(params, 1));
  } else if (n == 1) {
    setFirstBoundary(number(params, 0));
    setLastBoundary(number(params, 0) + 1);
  } else {
    setFirstBoundary(-1);
    setLastBoundary(-1);
  }
  FindSM(nullptr);
  return -n;
}

int COM_prescan_generic_sm(char** params, int n) {
  const int mode = n >= 1 ? number(params, 0) : 1;
  if (mode < 1 || mode > 3) {
    Alert("COM_prescan_generic_sm", 0, 100301, "Invalid parameter value (%d)", mode);
    return 1;
  }
  setSusySearch(1);
  setPreScan(mode);
  setFirstBoundary(-1);
  setLastBoundary(-1);
  FindSM(nullptr);
  return -n;
}

int COM_find_tachyonfree_sm(char** params, int n) {
  if (n == 1) {
    Alert("COM_find_tachyonfree_sm", 0, 100302, "Command requires 0 or 2 parameters");
    return 1;
  }
  if (n >= 2) {
    setFirstBoundary(number(params, 0));
    setLastBoundary(number(params, 1));
  } else {
    setFirstBoundary(-1);
    setLastBoundary(-1);
  }
  setSusySearch(0);
  if (CheckExtensionChirality() != 0) {
    setTachyonFunction(findTachyonFreeSM);
    checkTachyon(1, 1);
  } else {
    Print("non-chiral\n");
    PrintNoRepeat("This extension is non-chiral; SM spectrum cannot occur", "");
  }
  return -n;
}

int COM_scan_tadpoles(char** params, int n) {
  AutostoreOn autostore;
  const int type = n >= 2 ? number(params, 1) : -1;
  // The catalogue entry of the type is shown before its candidates are scanned.
  if (type != -1) BrowseQUVR(type);
  StandardModelTadpoleScan(params[0], type);
  return -n;
}

void registerSMSearchBoundaryCommands() {
  setCurrentCYSource(currentCYText);
  registerTable(kBoundaryCommands);
}
void registerSMSearchModularCommands() { registerTable(kModularCommands); }
void registerSMSearchDefaultCommands() { registerTable(kDefaultCommands); }
