// Open-string tachyons: a tachyonic primary i (weight below 1) in the annulus between two
// boundaries of a configuration. Answers per boundary (0 none, 1 tachyon, -1 a tachyon
// only when the boundary's Chan-Paton multiplicity exceeds 1), per pair of boundaries
// (cached per pair of conjugation classes), per configuration, and the Allow and Avoid
// lists of the non-supersymmetric standard-model search. Also the six-dimensional gauge
// sector and the closed-sector multiplicity texts.
#pragma once

#include <string>
#include <vector>

struct ChanPatonData;
struct OrientifoldInfo;

// What the open-string checks read of the boundary layer and the string reading; the
// current orientifold's amplitudes by default.
struct OpenAmplitudes {
  int (*annulus)(int i, int a, int b);
  int (*moebius)(int i, int a);
  int (*conjugate)(const OrientifoldInfo* record, int a);  // -1: no conjugate
  void (*select)(const OrientifoldInfo* record);           // makes the record current
  int (*boundaries)();
  int (*primaries)();
  int (*tachyonic)(int i);
  int (*klein)(int i);  // K^i of the current orientifold
};
void setOpenAmplitudes(const OpenAmplitudes* access);  // nullptr: the default
const OpenAmplitudes& openAmplitudes();
void resetOpenTachyons();

int DiagonalTachyonCheckForCharacter(const OrientifoldInfo* record, int i, int a);
int DiagonalTachyonCheck(const OrientifoldInfo* record, int a);
// Fills Allow and Avoid; returns the number of boundary labels.
int getTachyonFreeBoundaryLabels(const OrientifoldInfo* record, std::vector<int>* allow, std::vector<int>* avoid);
// a = -1 resets the pair cache for the current boundaries (result 0).
int TachyonicIntersection(const OrientifoldInfo* record, int a, int b);
int checkCPDforTachyons(const ChanPatonData* cpd);

// "Multiplicity: %d/2\n" for an odd doubled count, else "Multiplicity: %d\n" with half.
std::string closedMultiplicityText(int doubledCount);

// The gauge groups of a six-dimensional configuration: per group its letter ('O', 'S',
// 'U'), size and anomaly coefficient (before and after matter), and the doubled vector
// count V2.
struct SixDimensionalGauge {
  std::vector<char> letter;
  std::vector<int> size;
  std::vector<int> anomaly;
  std::vector<int> groupOfLabel;  // per boundary label, -1 unused
  int vectors2 = 0;
  int hypers = 0;                 // H: four times the hypers, closed part included
};
// Gauge groups from M(0, a) (step one) and, with `massless`, the matter contributions of
// those primaries with their class-1 weights. hypers4 starts H.
SixDimensionalGauge sixDimensionalGauge(const ChanPatonData* cpd, const std::vector<int>& massless,
                                        const std::vector<int>& weights, int hypers4);
// V + C - (14 T2 + Hy - 252): 0 when the gravitational anomaly cancels.
int gravitationalAnomalyMismatch(int vectors, int closedHypers, int tensors2, int hypers);

// The closed-string spectrum of the current invariant and orientifold as space-time
// multiplets, read with the symmetry record st in dimension d: pass 1 the massless
// primaries, pass 2 (non-supersymmetric records only) the tachyonic ones. out = 0 prints
// and, asked again for the same invariant, orientifold and record, prints "Closed sector
// as above" with the remembered summary; out = 1 always recomputes. Returns the six-number
// summary (empty outside four dimensions).
struct SpaceTimeSymmetry;
std::vector<int> ClosedSectorAnalysis(SpaceTimeSymmetry* st, int d, int out);
// Counts of the stored vectors whose first four entries are (0,1,0,1), (1,1,0,0),
// (1,0,0,1), (1,1,0,1), (0,1,0,0), (0,0,0,1).
std::vector<int> OrderRepCount(const std::vector<int>& counts, const std::vector<std::vector<int>>& vectors, int d);
