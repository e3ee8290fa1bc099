// Private to the files of the candidate classification (ModelAnalysis*.cpp): the one state
// record they share, the checked arithmetic of the counts and generators, and the dump of a
// candidate to the error stream.
//
// State lives for the run; resetModelAnalysis() restores the start state (counters zero,
// empty collections, the real case source).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collections/VectorSpace.h"
#include "search/ModelAnalysis.h"

namespace modelanalysis {

struct ModelAnalysisState {
  ModelAnalysisCounters counters;
  int preModelsFailed = 0;
  StandardModel backup;  // the d data of a candidate treated as three-stack
  VectorSpace equations{7, "Y equations"};
  VectorSpace classes{6, "Charge classes"};
  VectorSpace trial{7, "Trial charges"};
  VectorSpace types{64, "Run model types"};
  bool typesReady = false;
  std::vector<int> chargeList;
  ModelCaseSource source;
};

ModelAnalysisState& state();
// A candidate rejected by an internal check (warned and dumped): counted for the search
// summary and for the run's end status.
void countRejection();

// a * b and a + b within 32 bits; false (nothing stored) on overflow.
inline bool mul32(long long a, long long b, int* out) {
  long long p = 0;
  if (__builtin_mul_overflow(a, b, &p) || p > INT32_MAX || p < INT32_MIN) return false;
  *out = static_cast<int>(p);
  return true;
}
inline bool add32(long long a, long long b, int* out) {
  long long s = a + b;  // operands are ints: no 64-bit overflow
  if (s > INT32_MAX || s < INT32_MIN) return false;
  *out = static_cast<int>(s);
  return true;
}

// Least common multiple with the convention of the search: a zero argument gives 1.
int scm(int a, int b);

// "\n\n" + a line of width '=' + "\n" and the lines, then the configuration dump of SM
// (printCPD with the warning line), all to the error stream.
void dumpCandidate(int width, const std::vector<std::string>& lines);

// An internal check that used to stop the program: the text as a warning, the dump, one more
// counted rejection. Answers 0 (the candidate is rejected).
int rejectCandidate(const char* routine, int position, const char* text);

// The mixed U(1)-SU(N_x)^2 anomaly row of stack x of the model (4 coefficients, constant 0);
// false when a coefficient leaves 32 bits.
bool anomalyEquation(const StandardModel& model, int x, int n, int row[5]);

}  // namespace modelanalysis
