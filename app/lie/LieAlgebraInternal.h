// State shared by the source files of the Lie-algebra core (LieAlgebra.cpp: names and finite Lie
// data; WzwSpectrum.cpp: the WZW spectrum and its simple currents). Nothing outside the
// module includes this header.
#pragma once

#include <cstdint>

#include "lie/LieAlgebra.h"
#include "runtime/Parameters.h"

// The module's account: every buffer of the Lie-algebra core is charged to it.
AllocationAccount& zoqAccount();

struct ZoqState {
  ZoqState();

  LieData lie;

  // Rank and level of the last spectrum request; the input check reports them when a
  // caller that knows no level (LieType, Theta, dualCoxeter) finds an invalid type.
  int inRank = 0;
  int inLevel = 0;

  // The generated weights of the last spectrum ("ExtendedDynkin", labelLength ints each,
  // ascending lexicographic order) with the field number of each ("Labels"), and the
  // algebra they belong to; findRep answers from them. The built-in theories (trivial,
  // Ising) store their labels here too.
  AlgebraType stType = -1;
  int stRank = -1;
  int stLevel = -1;
  int stCenter = 0;
  int stLabelLength = 0;
  std::int64_t stGenerated = 0;
  AccountVector<int> extendedDynkin;
  AccountVector<int> fieldOfWeight;

  // The internal parameter "Maxrank", bound at start-up; without it (a program that never
  // made the parameter) the module keeps the value itself.
  InternalParameter* maxrank = nullptr;
  int maxrankFallback = 20;
};

ZoqState& zoqState();

// Live value of the internal parameter "Maxrank" (or the module's own value without it).
int zoqMaxrank();
// Raises "Maxrank" to `value`.
void zoqSetMaxrank(int value);

// Checks rank against the limits of the Lie data; false after an alert naming `routine`.
bool zoqRankInRange(int rank, const char* routine);
