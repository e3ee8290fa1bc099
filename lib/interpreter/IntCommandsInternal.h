// Shared by the files of the general commands (IntCommands.cpp, IntCommandsLanguage.cpp);
// not part of their contract.
#pragma once

// Restores the state of the language commands right after start-up (no file loading).
void resetLanguageCommands();
