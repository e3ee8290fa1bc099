// State shared by the two halves of the Branching module (Branching.cpp: classes and
// branching tables; BranchingSpaceTime.cpp: space-time representations). Private to them.
#pragma once

#include <deque>

#include "lie/Branching.h"
#include "runtime/Allocation.h"

struct BranchingState {
  // Every table built so far, oldest first; lookups search from the newest. A deque keeps
  // the addresses handed out valid while tables are added.
  std::deque<BranchingTable, AccountAllocator<BranchingTable>> tables;
  // The printer of one multiplet pair (the command set may install its own).
  DisplaySusyRoutine displaySusy = nullptr;
  // The pair of types whose header the default printer printed last; valid while
  // pairRemembered is set.
  bool pairRemembered = false;
  SusyType lastFirst;
  SusyType lastSecond;
  // The dimension the table "Lorentz" is being printed for.
  int lorentzDimension = 0;

  BranchingState();
};

BranchingState& branchingState();
