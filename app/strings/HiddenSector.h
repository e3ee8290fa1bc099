// Hidden sectors of standard-model candidates: the tension left by the observable stacks,
// the tension test of a candidate boundary and the small group and statistics helpers.
#pragma once

// Tension left for hidden branes at orientifold o by n stacks (labels, multiplicities):
// -|4 Re U(0)| + sum N_a Re R(0, a), complex stacks counted twice. Positive means the
// stacks already exceed the tension (alert 212404).
double computeTadpoleRHS(int o, int n, const int* labels, const int* multiplicities);
// 1 when boundary b (conjugate bc, -1 none) does not fit into the remaining tension rhs.
int failsTension(int b, int bc, double rhs);
// A Chan-Paton group given as 10000 + N (Sp(N)), 20000 + N (U(N)) or 30000 + N (SO(N)),
// unrelated to the group-type codes -1/0/1/2 of boundaries.
struct ChanPatonGroupCode {
  int value = 0;
};
void getDimensionAndRank(ChanPatonGroupCode code, int* dimension, int* rank);
// Position of the first zero among the first n entries, or n.
int getNumberOfBranes(const int* list, int n);
// "%5d: " label, "%6d " per count and "\n"; nothing when the counts add up to 0.
void printStatisticsRow(int label, int n, const int* counts);

// The hidden-sector search of a standard-model candidate: n stacks (labels, multiplicities)
// on orientifold o (position in the tension-sorted list).
// Marks the usable hidden boundaries and fixes the stacks; returns the negative code of the
// equation set-up, else 0 (the solver's selection and equations are then ready).
int selectHiddenSectorForSM(int n, int o, const int* labels, const int* multiplicities, double rhs);
// -1 no solution, -2 at least one, 1 the loop search stopped without a verdict, 0 after an
// alert on an unexpected solver code, or the negative code of the equation set-up.
int findTadpoleSolutionForSM(int n, int o, const int* labels, const int* multiplicities);
// Counts of the hidden candidates: entry 3 mode + (group type + 1) for intersection modes
// 0, 1, 2 and group types -1, 0, 1. Overwritten by every call.
const int* computeHiddenSectorProfile(int n, int o, const int* labels, const int* multiplicities);
// Back to the state after start-up (the call counter of the search).
void resetHiddenSector();
// The same search with an instanton boundary that the hidden stacks must not meet.
int selectHiddenSectorForInstanton(int n, int instanton, int o, const int* labels,
                                   const int* multiplicities, double rhs);
int findTadpoleSolutionForInstanton(int instanton, int n, int o, const int* labels,
                                    const int* multiplicities);
