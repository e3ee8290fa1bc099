// The application's command set: the commands of the six modes, their argument
// conversions and the parameters their handlers read.
//
// STAND-IN until the command set exists: start-up registers only the general internal
// parameters (through initializeGeneralCommands); no command is registered yet.
#pragma once

// Once: the general commands, the application's argument types and the mode tables.
void initializeCommands();
// Binds "Maxrank".
void initializeCommandPointers();
// Binds the parameters read by the command handlers.
void initializeCommandParameters();
// Leaves tensor mode (the modes do not exist yet: nothing to switch).
void disableCoset();
