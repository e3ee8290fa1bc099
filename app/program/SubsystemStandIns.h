// STAND-INS for the subsystems that are not built yet, as the program's start-up and its
// settings call them: each subsystem's initialiser (it binds nothing yet) and the change
// actions of its settings (nothing to update yet). A subsystem, once built, takes its
// entries into its own folder.
#pragma once

// The tadpole solver's initialiser and the post-commands of its settings.
#include "strings/Tadpole.h"

