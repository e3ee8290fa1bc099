// Shared between the files of the LargeInteger module only.
#pragma once

#include "numbers/LargeInteger.h"

// Restores the work values of the rational and matrix routines.
void resetLargeRational();

// True when every limb in use is 0 (whether or not x is normalised).
bool lintIsZero(const lint* x);
