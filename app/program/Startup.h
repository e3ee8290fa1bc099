// The program shell: the one-time initialisation of every subsystem (walked from the boot
// table), the named memory pools and the preferences derived into program state (the
// store's data folder, the maximal level, the severity mask). The current theory itself
// is kept by the store (store/CurrentTheory.h); start-up makes it the trivial theory.
#pragma once

#include <string>

// Opens each of the standard descriptors 0, 1 and 2 that is closed onto /dev/null, in
// that order, so that no file the program opens later takes their place (a data file
// would get the terminal text written to standard output). False when one could not be
// opened.
bool openStandardDescriptors();

// The version number, 8.08578.
double getZoqVersionNumber();
// Creates the named memory pools, once.
void initializeMemory();
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
