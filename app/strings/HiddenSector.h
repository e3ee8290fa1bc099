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
