// The fixture of the number modules' tests: the usual one.
#pragma once

#include "TestSupport.h"

using NumberTest = ZoqTest;
