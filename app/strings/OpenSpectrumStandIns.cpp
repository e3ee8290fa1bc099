// STAND-INS for the standard-model search, which is not built yet: there is no search
// record to refresh, and no discrete symmetry is found against a configuration.
#include "strings/OpenSpectrum.h"

SearchData* getSearchData() { return nullptr; }

int CheckDiscreteSymmetriesForBraneConfiguration(ChanPatonData*) { return 1; }
