// STAND-IN initialiser of modular data (see the header).
#include "Modular.h"

void initializeModular() {}
