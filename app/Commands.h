// The application's command set: the commands of the six modes, their argument
// conversions and the parameters their handlers read.
//
// PARTLY A STAND-IN: start-up registers the general commands, the twelve application
// argument types and the tensor mode; the modes' own command tables come with the
// command set. The conversion functions of the application types read an integer or a
// range "first:last" (both ends included) until the theory data they check against
// exist.
#pragma once

#include "Interpreter.h"

// Once: the general commands, the application's argument types and the mode tables.
void initializeCommands();
// Binds "Maxrank".
void initializeCommandPointers();
// Binds the parameters read by the command handlers.
void initializeCommandParameters();
// Leaves tensor mode.
void disableCoset();
// Change action of "Graded" and "Use_orbits": drops modular data when invariants exist.
void disableModularVerbose();
// The mode of the commands that only work for a tensor product.
Mode* getTensorMode();

// Conversions of the application's argument types: status 0 with a value, -1 with a
// range, or an error code after an alert.
ConversionResult CONV_getCurrent(const char* token, int position);
ConversionResult CONV_getfcur(const char* token, int position);
ConversionResult CONV_getffield(const char* token, int position);
ConversionResult CONV_getLabel(const char* token, int position);
ConversionResult CONV_getRoot(const char* token, int position);
ConversionResult CONV_getN_susy(const char* token, int position);
ConversionResult CONV_getlevel(const char* token, int position);
ConversionResult CONV_getradius(const char* token, int position);
ConversionResult CONV_getrank(const char* token, int position);
ConversionResult CONV_getdim(const char* token, int position);
ConversionResult CONV_getBound(const char* token, int position);
ConversionResult CONV_getIshibashi(const char* token, int position);
