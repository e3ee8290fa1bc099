// Guided model building: a brane configuration of the standard-model search rebuilt from
// a file of model lines instead of searched for, and the small transformations of
// catalogue profiles used by the re-analysis (real forms of unitary stacks, detaching
// stack d, sign normalisation and decomposition over degeneracy equations).
//
// The catalogue rows the profile look-ups run over are held here (quvrCatalogueRows), read
// from "Models.list" by the tools that need them. Stacks are a, b, c, d = 0..3; group codes
// 0 U, 1 O, -1 S, -2 absent; the pair number of stacks (k, s) is quvrPairIndex(k, s).
#pragma once

#include <string>
#include <vector>

#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"

void resetQuvrGuided();

// Builder of one guided line: tensor code, MIPF, orientifold, boundaries, multiplicities.
using GuidedBuilder = int (*)(int tensorCode, int MIPF, int orientifold, const int* boundaries,
                              const int* multiplicities);
// Reads the model lines of path ("~" is the home folder) line by line and builds every
// line whose case (tensor code, MIPF, orientifold or any label) differs from the line
// before; a line of key -1, or the end of the file, ends it. A line that is not a model line
// is reported with its number and skipped. The number of builds, or -1 when the file cannot
// be read.
int runGuidedSearchFile(const char* path, GuidedBuilder builder);
// "search guided": the configurations of a model file searched in full mode with their own
// counts; each case's candidates are merged into the catalogue and its model file written,
// as the search does. The number of builds, or -1.
int GuidedSearch(const char* path);
// Ends the case of the last guided build: its ".pre_models" candidates are merged.
void closeGuidedCase();
// Stack count and title of a guided configuration (d = -1: three stacks); the boundary
// handed to the last-brane step (-2 marks three stacks).
int setGuidedStacks(StandardModel* record, int tensorCode, int MIPF, int orientifold, const int* boundaries);
// Rebuilds the case when the tensor code or the MIPF changed since the last build (the
// search profiles and memory with it), fills stacks a, b, c of SM as the brane-stack
// search would and answers the search's last-brane step for d (-2: three stacks); 0 when
// the profiles cannot be set up.
int BuildQUVRmodel(int tensorCode, int MIPF, int orientifold, const int* boundaries, const int* multiplicities);
// The stacks of one configuration of the case built: a, b, c filled from the search's
// services (images, group types, budgets, intersections, tensors, the family count) as the
// search's steps fill them, then the last-brane step for d. Its answer, or 0 after an alert
// when the orientifold or a boundary is not one of the case.
int runGuidedConfiguration(int tensorCode, int MIPF, int orientifold, const int* boundaries,
                           const int* multiplicities);

// A stored realisation of a catalogue profile loaded into SM (always 1), checked against
// the profile's chiral data on the current case (1 match, 0 after the mismatch alert),
// and the computed blocks copied back.
int BuildModelExample(const int* profile);
int ComputeAndCompareSMData(const int* profile);
void CopySMData(int* profile);

int quvrPairIndex(int k, int s);

// The catalogue rows profile look-ups run over.
std::vector<ModelRow>& quvrCatalogueRows();
// Rows whose first length entries equal profile's; calls check(row, reference) for each.
int findQuvrSubProfiles(const int* profile, int length, int (*check)(int* row, int* reference), int* reference);

int makeStackReal(int* profile, int stack, int* reference);
void GammaDeltaMap(int stack, int* Gamma, int* Delta, const int* profile);
int RealCandidateCheck(int* row, int* reference);
int RealityIndex(const int* profile);
int* RemoveDetachedBrane(int* profile);
int DetachedCandidateCheck(int* row, int* reference);
// Type-indexed marks: RealRecovered (by type) and isGenerator (by type minus 1), sized
// from the catalogue rows.
std::vector<int>& quvrRealRecovered();
std::vector<int>& quvrIsGenerator();

// Equation rows: `columns` coefficients followed by the pivot column.
struct QuvrEquations {
  int columns = 0;
  std::vector<std::vector<int>> rows;
};
void MakeEquationsPositive(QuvrEquations& equations);
// Prints "(c1,c2,...)\n"; the vector is reduced in place.
void DecomposeIntegerVector(const QuvrEquations& equations, int* vector);
