// Private state of the CFT store, shared by its source files. One StoremanagerState
// lives for the run; resetStoremanager restores its start state.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "runtime/Allocation.h"
#include "store/Storemanager.h"

struct StoremanagerState {
  // Every record ever made; the chain links a subset of them. Records are never
  // destroyed while the program runs.
  std::deque<std::unique_ptr<SpectrumData>> records;
  // The blocks of SM_allocIntsForOverwrite, charged to their records and kept as long.
  std::deque<std::vector<int, OverwriteAllocator<int>>> overwrittenIntBlocks;
  SpectrumData* firstAlgebra = nullptr;
  SpectrumData* currentPointer = nullptr;
  int S_CALL_TRACE = 0;

  // Start state: chain head and cache as start-up left them, and the group factors of
  // each start-up record (groups are rebuilt after the group cache is reset).
  bool startMarked = false;
  bool awaitingStart = false;  // set by start-up until its first request is served
  SpectrumData* startFirst = nullptr;
  SpectrumData* startCurrent = nullptr;
  std::vector<std::pair<SpectrumData*, std::vector<int>>> startGroups;

  // Live parameters (NULL when the program defines none: the defaults then hold).
  int* SuppPerm = nullptr;
  int* StoreS = nullptr;
  int* CharacterOrder = nullptr;

  // S recursion depth and the simple-action trace.
  int SM_getS_call_level = 0;
  int simpleActionTrace = 0;

  // Last type word (returned again after an invalid request).
  std::string typeWord;

  // Work buffers of the current routines.
  WorkBuffer<int> simpleCurrents{"SimpleCurrents"};
  WorkBuffer<int> orbitLengths{"OrbitLengths"};
  WorkBuffer<int> map{"map"};
  WorkBuffer<int> generatorFusion{"GeneratorFusion"};
  WorkBuffer<double> cache{"Cache"};
  WorkBuffer<int> used{"used"};
  WorkBuffer<double> store{"Store"};
  WorkBuffer<int> locations{"locations"};
  WorkBuffer<int> product{"product"};
  bool storeReset = false;  // the selected-row store has been reset at least once
  int storeRows = 0;
  int storeN = 0;
  IntList currentMap;       // DetermineSimpleCurrentMap's result

  // The currents met by the permutation orbifold's S while its trace collects them: rows
  // of (type, base type, J, psi_J), each once.
  bool permutationTrace = false;
  std::vector<std::array<int, 4>> permutationCurrents;
};

StoremanagerState& storeState();

// Orbit number of field a, from the record's table or computed (SM_getOrbitNumber).
int SM_getOrbitNumber(const SpectrumData* sd, int a);
inline int storeOrbitNumber(const SpectrumData* sd, int a) {
  return sd->orbit_number != nullptr ? sd->orbit_number[a] : SM_getOrbitNumber(sd, a);
}

// Value of a live parameter, or its default when the program defines none.
int storeSParameter();
int characterOrderParameter();

// Field index check shared by the accessors: true for 0 <= a < n_primaries; otherwise
// the store's "Primary out of range" alert naming `routine`.
bool storeFieldInRange(const SpectrumData* sd, int a, const char* routine, int position);
