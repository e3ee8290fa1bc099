// Program shell: the one-time initialisation of every subsystem (walked from the boot
// table), and the program-wide switches and values that start-up sets.
#include "program/Startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "interpreter/Interpreter.h"
#include "interpreter/Tables.h"
#include "program/ApplicationParameters.h"
#include "program/Boot.h"
#include "program/BootTable.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Memory.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

const DefaultPair kZoqDefaults[] = {
    {"ZoqPath", "Work/Library/Zoq"},
    {"Keep S in Memory", "Yes"},
    {"Write S to Disk", "No"},
    {"SeverityMask", "110000"},
    {"MaximalLevel", "50"},
    {nullptr, nullptr},
};

struct ControlState {
  bool initialized = false;
  bool memoryInitialized = false;
  int maximalLevel = 50;
  const int* maxrank = nullptr;
  const std::string* outputDir = nullptr;
  const std::string* workDir = nullptr;
  // The state right after start-up.
  std::string startPathname;
  int startMaximalLevel = 50;
};

ControlState& state() {
  static ControlState s;
  return s;
}

// Without a usable home the data folders hang off the working folder.
std::string homeFolder() {
  std::string home = usableHomeFolder();
  return home.empty() ? std::string(".") : home;
}

}  // namespace

void initializeAll() {
  if (state().initialized) return;
  state().initialized = true;
  for (std::size_t i = 0; i < kBootTableSize; ++i) {
    if (kBootTable[i].initialize != nullptr) kBootTable[i].initialize();
  }
}

void resetAll() {
  if (!state().initialized) {
    initializeAll();
    return;
  }
  for (std::size_t i = kBootTableSize; i-- > 0;) {
    if (kBootTable[i].reset != nullptr) kBootTable[i].reset();
  }
}

bool openStandardDescriptors() {
  bool opened = true;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one: the lower ones are open by now.
    const int got = open("/dev/null", O_RDWR);
    if (got < 0) {
      opened = false;
    } else if (got != fd) {
      if (dup2(got, fd) < 0) opened = false;
      close(got);
    }
  }
  return opened;
}

double getZoqVersionNumber() { return 8.08578; }

void initializeMemory() {
  if (state().memoryInitialized) return;
  state().memoryInitialized = true;
  initMemory("ModText", 'c', 0, 50000);
  initMemory("RootSystem", 'i', 0, 100);
  initMemory("GaloisGroup", 'i', 0, 300);
  initMemory("GaloisDependence", 'i', 0, 900);
  initMemory("GaloisSolutions", 'i', 0, 1000);
  initMemory("GaloisOrbits", 'i', 0, 5000);
  initMemory("GaloisEqn", 'i', 0, 60);
  initMemory("GaloisEquations", 'i', 0, 900);
  initMemory("CollectEqn", 'i', 0, 30);
  initMemory("Bounds", 'i', 0, 30000);
  initMemory("ModularInvariant", 'i', 0, 2000);
}

void convertPreferences() {
  std::string prefix = homeFolder() + "/";
  std::string path = zoq_pathname.compare(0, prefix.size(), prefix) == 0 ? zoq_pathname.substr(prefix.size())
                                                                          : zoq_pathname;
  setDefault("ZoqPath", path.c_str());
  setDefault("SeverityMask", getSeverity_Error());
  setDefault("MaximalLevel", numstr(state().maximalLevel).c_str());
}

int getMaximalLevel() { return state().maximalLevel; }
int getMaxrankSetting() { return state().maxrank != nullptr ? *state().maxrank : 0; }

const std::string& getOutputDirSetting() {
  static const std::string none;
  return state().outputDir != nullptr ? *state().outputDir : none;
}

const std::string& getWorkDirSetting() {
  static const std::string none;
  return state().workDir != nullptr ? *state().workDir : none;
}

void registerZoqDefaults() { registerDefaults("Zoq8", kZoqDefaults, convertPreferences); }

// "log" and "error_log" are made once, with their commands, by the general commands and
// kept in the preferences file; this step only makes sure they exist.
void addLogSwitches() {
  if (findInternalParameter("log") == nullptr) addInternalParameter("log", "OFF", 't', 1);
  if (findInternalParameter("error_log") == nullptr) addInternalParameter("error_log", "OFF", 't', 1);
}

void setLogFileNames() {
  ErrorFileName("Zoq");
  LogFileName("Zoq");
}

// The application parameters, then the program state derived from the preferences, the
// saved table layouts and the saved parameter values.
void initializeDefaults() {
  defineApplicationParameters();
  zoq_pathname = homeFolder() + "/" + getDefault("ZoqPath");
  setSeverity_Error(getDefault("SeverityMask"));
  state().maximalLevel = strnum(getDefault("MaximalLevel"));
  getTableDefaults();
  getIntParDefaults();
}

void bindShellParameters() {
  ControlState& s = state();
  s.maxrank = getIntParPointer("Maxrank");
  s.outputDir = getStringParPointer("OutputDir");
  s.workDir = getStringParPointer("WorkDir");
}

void nameProgram() { setProgName("Zoq"); }

void markStartState() {
  state().startPathname = zoq_pathname;
  state().startMaximalLevel = state().maximalLevel;
  markMemoryStartState();
  markErrorStartState();
  markOutputStartState();
  markDefaultsStartState();
  markParametersStartState();
  markInterpreterStartState();
  markTablesStartState();
}

void resetShellState() {
  zoq_pathname = state().startPathname;
  state().maximalLevel = state().startMaximalLevel;
  KMCosetSwitch = 0;
  initializeAlgebra();
}
