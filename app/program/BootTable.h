// The boot table shared by initializeAll and resetAll.
#pragma once

#include <cstddef>

#include "program/Boot.h"

extern const BootEntry kBootTable[];
extern const std::size_t kBootTableSize;
