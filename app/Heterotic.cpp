// STAND-IN initialiser of heterotic spectra and searches (see the header).
#include "Heterotic.h"

void initializeHeterotic() {}
