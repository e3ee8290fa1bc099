// STAND-IN initialiser of the standard-model search (see the header).
#include "SearchSM.h"

void initializeSearchSM() {}

void ModelDirChanged() {}
