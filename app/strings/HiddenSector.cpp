// Tension bookkeeping of hidden sectors and the group helpers.
#include "strings/HiddenSector.h"

#include <cmath>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

double computeTadpoleRHS(int o, int n, const int* labels, const int* multiplicities) {
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record == nullptr) return 0.0;
  double ur = 0, ui = 0;
  getCurrentCrosscapCoefficient(0, 0, &ur, &ui);
  double rhs = -std::fabs(4 * ur);
  loadOrientifoldConjugates(record, 0);
  for (int k = 0; k < n; ++k) {
    const int a = labels[k];
    if (a < 0 || a >= TotalBoundaries()) continue;
    double rr = 0, ri = 0;
    getCurrentReflectionCoefficient(0, a, &rr, &ri);
    const double term = multiplicities[k] * rr;
    rhs += term;
    const int c = orientifoldConjugate(record, a);
    if (c >= 0 && c != a) rhs += term;  // the image stack carries the same tension
  }
  if (rhs > 1e-8) {
    PrintStdout("ori %d, Nfix=%d\n", o, n);
    PrintVec(n < 4 ? n : 4, labels, "vars");
    Alert("computeTadpoleRHS", 0, 212404, "Tadpole bound violation %15.7f", rhs);
  }
  return rhs;
}

int failsTension(int b, int bc, double rhs) {
  double rr = 0, ri = 0;
  getCurrentReflectionCoefficient(0, b, &rr, &ri);
  const bool real = bc < 0 || bc == b;
  const double t = (real ? rr : 2 * rr) - 1e-7;
  return t > -rhs ? 1 : 0;
}

void getDimensionAndRank(ChanPatonGroupCode code, int* dimension, int* rank) {
  const int c = code.value;
  *dimension = 0;
  *rank = 0;
  if (c >= 10001 && c <= 19999) {
    const int r = (c - 10000) / 2;
    *rank = r;
    *dimension = r * (2 * r + 1);
  } else if (c >= 20001 && c <= 29999) {
    const int N = c - 20000;
    *rank = N;
    *dimension = N * N;
  } else if (c >= 30001) {
    const int N = c - 30000;
    *rank = N / 2;
    *dimension = N * (N - 1) / 2;
  }
}

int getNumberOfBranes(const int* list, int n) {
  for (int i = 0; i < n; ++i)
    if (list[i] == 0) return i;
  return n;
}

void printStatisticsRow(int label, int n, const int* counts) {
  long long total = 0;
  for (int i = 0; i < n; ++i) total += counts[i];
  if (total == 0) return;
  Print("%5d: ", label);
  for (int i = 0; i < n; ++i) Print("%6d ", counts[i]);
  Print("\n");
}
