// STAND-IN initialiser of the string-theory reading of a theory (see the header).
#include "StringTheory.h"

void initializeStringTheory() {}
