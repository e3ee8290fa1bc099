// Brane intersections of the current bulk invariant and the search record they read.
//
// `SearchData` is built by the standard-model search (a higher layer) once per bulk
// invariant and reached here through getSearchData() (strings/OpenSpectrum.h). It holds
// the boundary and Ishibashi counts, the orientifolds sorted by descending tension and the
// map between boundary labels and the usable boundaries of a search.
#pragma once

#include <vector>

struct OrientifoldInfo;

struct SearchData {
  int boundaries = 0;
  int ishibashi = 0;
  int orientifolds = 0;
  int tensionOrientifolds = 0;  // the first entries of the list; only these are searched
  int usableBoundaries = 0;
  OrientifoldInfo** orientifoldList = nullptr;
  // 2 x boundaries entries: label -> usable index (-1 unusable), then usable index -> label.
  std::vector<int> BoundaryMap;
  int* usableList() { return BoundaryMap.data() + boundaries; }
};

// STAND-INS (IntersectionStandIns.cpp) until the intersection module is built. Each says
// "not available yet" through an alert of severity 2, so a background run goes on.
// Once per bulk invariant: take the search record and choose the intersection function;
// a positive value is a failure. The stand-in refreshes the counts and keeps every
// boundary usable (0).
int InitIntersection();
// Boundary classes and their first intersection rows; the class of boundary b (the
// stand-in: every boundary is its own class).
void initBoundaryClassStorage();
void incrementBoundaryClassIntersectionPointer();
int getBoundaryClass(int b);
// Mode 0 (re)allocates the per-boundary chirality caches.
int CheckChirality(int mode, int a, int b, int* A, int* M, int* S);
// Mode 2 marks the global anomaly equations stale, mode 1 loads them.
void loadGlobalAnomalies(int mode);
// `CY_Check` (the spectrum checks named by a letter) is declared in strings/OpenReports.h.
