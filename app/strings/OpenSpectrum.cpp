// Open strings of brane configurations. The module keeps no state yet beyond what its
// start-up binds.
#include "strings/OpenSpectrum.h"

void initializeOpenSpectrum() {}

void resetOpenSpectrum() {}
