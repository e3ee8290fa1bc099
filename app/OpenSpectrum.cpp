// STAND-IN initialiser of open-string spectra (see the header).
#include "OpenSpectrum.h"

void initializeOpenSpectrum() {}
