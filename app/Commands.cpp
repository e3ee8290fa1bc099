// STAND-IN for the command set (see the header).
#include "Commands.h"

#include "IntCommands.h"

void initializeCommands() { initializeGeneralCommands(); }
void initializeCommandPointers() {}
void initializeCommandParameters() {}
void disableCoset() {}
