// The program shell: the one-time initialisation of every subsystem (walked from the boot
// table), the named memory pools, the preferences derived into program state, the current
// theory and the switch between a single algebra and a tensor product.
//
// Program-wide values defined here change only through the functions of this module:
// KMCosetSwitch through setCosetMode, currentSD and TotalPrimaries through
// initializeAlgebra (and later the handlers that load a theory).
#pragma once

#include <string>

struct SpectrumData;

// 1 in tensor mode: the query functions answer from the current tensor product.
extern int KMCosetSwitch;
// The current theory and its number of primaries (re-pointed together).
extern SpectrumData* currentSD;
extern int* TotalPrimaries;
// HOME, "/" and the preference "ZoqPath".
extern std::string zoq_pathname;

// The version number, 8.08578.
double getZoqVersionNumber();
void setCosetMode(int value);
// Creates the named memory pools, once.
void initializeMemory();
// Makes the theory of type 1, rank 0, level 0 current; returns it.
SpectrumData* initializeAlgebra();
// Copies live settings back into their preference entries before a save.
void convertPreferences();
// The program-wide maximal level (preference "MaximalLevel").
int getMaximalLevel();
// The values bound at the end of start-up: "Maxrank", "OutputDir" and "WorkDir".
int getMaxrankSetting();
const std::string& getOutputDirSetting();
const std::string& getWorkDirSetting();

// Start-up steps of the boot table that have no module of their own.
void registerZoqDefaults();
void addLogSwitches();
void setLogFileNames();
void initializeDefaults();
void bindShellParameters();
void nameProgram();
// Remembers the state of every library module as the state right after start-up.
void markStartState();
// Restores the shell's own values of right after start-up (path, level, current theory).
void resetShellState();
