// STAND-INS for the subsystems that are not built yet (see the header).
#include "program/SubsystemStandIns.h"

