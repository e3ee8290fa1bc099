// Guided model building and profile transformations. The last case built (tensor code,
// MIPF, orientifold) is remembered so that a line of the same case only sets its stacks.
#include "search/QuvrGuided.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/QuvrFiles.h"
#include "search/SearchSM.h"
#include "strings/Intersections.h"
#include "strings/OpenTachyons.h"
#include "tensor/OutputNames.h"

namespace {

int lastBraneStandIn(int) {
  Alert("findLastSMBrane", 0, 100201, "Last-brane step of the search: not available yet");
  return 0;
}
int profilesStandIn() {
  Alert("initializeProfiles", 0, 100201, "Search profiles: not available yet");
  return 0;
}

struct QuvrGuidedState {
  unsigned lastTensor = static_cast<unsigned>(-1);
  int lastMIPF = -1;
  bool built = false;
  LastBraneStep lastBrane = lastBraneStandIn;
  ProfileInitialisation profiles = profilesStandIn;
  std::vector<ModelRow> catalogue;
  std::vector<int> realRecovered;
  std::vector<int> isGenerator;
  int detached[87] = {};
};

QuvrGuidedState& state() {
  static QuvrGuidedState s;
  return s;
}

constexpr int kPairIndex[4][4] = {{-1, 0, 1, 2}, {0, -1, 3, 4}, {1, 3, -1, 5}, {2, 4, 5, -1}};

int tensorCount(int o1, int o2, int p1, int p2, bool symmetric) {
  return symmetric ? (o1 + o2 - p1 - p2) / 2 : (o1 - o2 - p1 + p2) / 2;
}

void diagonal(int o, int b, int* x, int* y) {
  *x = 0, *y = 0;
  getDiagonalInfo(o, b, x, y, nullptr);
}

int identification(int y, int x, int xConjugate) { return y == x ? 1 : y == xConjugate ? -1 : 0; }

}  // namespace

void resetQuvrGuided() {
  QuvrGuidedState& s = state();
  s.lastTensor = static_cast<unsigned>(-1);
  s.lastMIPF = -1;
  s.built = false;
  s.catalogue.clear();
  s.realRecovered.clear();
  s.isGenerator.clear();
}

void setLastBraneStep(LastBraneStep step) { state().lastBrane = step != nullptr ? step : lastBraneStandIn; }
void setProfileInitialisation(ProfileInitialisation init) {
  state().profiles = init != nullptr ? init : profilesStandIn;
}
int quvrPairIndex(int k, int s) { return k >= 0 && k < 4 && s >= 0 && s < 4 ? kPairIndex[k][s] : -1; }

int runGuidedSearchFile(const char* path, GuidedBuilder builder) {
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    Alert("COM_search_guided_sm", 1, 120206, "Could not open file %s", path);
    return -1;
  }
  int previous[7] = {-2, -2, -2, -2, -2, -2, -2};
  int builds = 0;
  ModelFileLine line;
  while (readModelFileLine(file, &line, path) == 1 && line.type != -1) {
    const int now[7] = {line.tensorCode, line.MIPF, line.orientifold, line.boundaries[0], line.boundaries[1],
                        line.boundaries[2], line.boundaries[3]};
    if (std::equal(now, now + 7, previous)) continue;
    builder(line.tensorCode, line.MIPF, line.orientifold, line.boundaries, line.multiplicities);
    std::copy(now, now + 7, previous);
    ++builds;
  }
  std::fclose(file);
  return builds;
}

int setGuidedStacks(StandardModel* record, int tensorCode, int MIPF, int orientifold, const int* boundaries) {
  const int d = boundaries[3];
  if (d == -1) {
    record->stackCount = 3;
    std::snprintf(record->title, sizeof record->title, "type %5d, orientifold (%d,%d,%d), branes (%d,%d,%d)",
                  record->modelNumber, tensorCode, MIPF, orientifold, boundaries[0], boundaries[1], boundaries[2]);
    return -2;
  }
  record->stackCount = 4;
  std::snprintf(record->title, sizeof record->title, "type %5d, orientifold (%d,%d,%d), branes (%d,%d,%d,%d)",
                record->modelNumber, tensorCode, MIPF, orientifold, boundaries[0], boundaries[1], boundaries[2], d);
  return d;
}

int BuildQUVRmodel(int tensorCode, int MIPF, int orientifold, const int* boundaries, const int* multiplicities) {
  QuvrGuidedState& s = state();
  SM.modelNumber = -1;
  SM.tensorCode = tensorCode;
  SM.MIPF = MIPF;
  SM.orientifold = orientifold;
  // A new tensor code or a new MIPF rebuilds the case: the invariant depends on both.
  if (!s.built || static_cast<unsigned>(tensorCode) != s.lastTensor || MIPF != s.lastMIPF) {
    s.lastTensor = static_cast<unsigned>(tensorCode);
    s.lastMIPF = MIPF;
    s.built = false;
    buildCY(static_cast<unsigned>(tensorCode));
    const std::string mipf = std::to_string(MIPF);
    buildInvariant(mipf.c_str(), 1);
    PrintSeparatorWithText(61, "Orientifolds and boundary states");
    initializeOpenString();
    if (initSearchMemory() != 0) return 0;
    if (s.profiles() == 0) return 0;
    s.built = true;
    Print("---- Scanning model %s;\n", getCurrentOutputFileName("").c_str());
  }
  OrientifoldInfo* record = setStoredOrientifold(orientifold);
  for (int k = 0; k < 4; ++k) {
    SM.branes[2 * k] = boundaries[k];
    SM.multiplicities[k] = multiplicities[k];
  }
  std::vector<int> allow, avoid;
  if (getSusySearch() == 0 && record != nullptr) {
    getTachyonFreeBoundaryLabels(record, &allow, &avoid);
    TachyonicIntersection(record, -1, 0);
  }
  double re = 0.0, im = 0.0;
  getCurrentCrosscapCoefficient(0, 0, &re, &im);
  const double budget0 = -std::fabs(4.0 * re);
  const int lastStack = setGuidedStacks(&SM, tensorCode, MIPF, orientifold, boundaries);
  for (int k = 0; k < 4; ++k) SM.branes[2 * k + 1] = boundaries[k] >= 0 ? BoundaryConjugate(boundaries[k]) : -1;
  const int a = boundaries[0], b = boundaries[1], c = boundaries[2];
  const int as = SM.branes[1], bs = SM.branes[3], cs = SM.branes[5];
  getCurrentReflectionCoefficient(0, a, &re, &im);
  SM.tensionBudgets[0] = budget0 + 6.0 * re;
  int o1 = 0, o2 = 0, p1 = 0, p2 = 0;
  diagonal(orientifold, a, &o1, &o2);
  diagonal(orientifold, as, &p1, &p2);
  SM.antisymmetricTensors[0] = tensorCount(o1, o2, p1, p2, false);
  SM.symmetricTensors[0] = 0;
  getCurrentReflectionCoefficient(0, b, &re, &im);
  SM.tensionBudgets[1] = SM.tensionBudgets[0] + (b == bs ? 2.0 : 4.0) * re;
  CachedBraneIntersection(orientifold, a, b, &SM.Gamma[0], &SM.Delta[0]);
  SM.pairIdentification[0] = identification(b, a, as);
  diagonal(orientifold, b, &o1, &o2);
  diagonal(orientifold, bs, &p1, &p2);
  SM.antisymmetricTensors[1] = tensorCount(o1, o2, p1, p2, false);
  SM.symmetricTensors[1] = tensorCount(o1, o2, p1, p2, true);
  CachedBraneIntersection(orientifold, a, c, &SM.Gamma[1], &SM.Delta[1]);
  CachedBraneIntersection(orientifold, b, c, &SM.Gamma[3], &SM.Delta[3]);
  SM.pairIdentification[1] = identification(c, a, as);
  SM.pairIdentification[3] = identification(c, b, bs);
  diagonal(orientifold, c, &o1, &o2);
  diagonal(orientifold, cs, &p1, &p2);
  SM.antisymmetricTensors[2] = tensorCount(o1, o2, p1, p2, false);
  SM.symmetricTensors[2] = tensorCount(o1, o2, p1, p2, true);
  return s.lastBrane(lastStack);
}

std::vector<ModelRow>& quvrCatalogueRows() { return state().catalogue; }

namespace {
std::vector<int>& sizedTypeTable(std::vector<int>& table) {
  int highest = 0;
  for (const ModelRow& row : state().catalogue) highest = std::max(highest, row[56]);
  if (table.size() < static_cast<std::size_t>(highest) + 1) table.resize(static_cast<std::size_t>(highest) + 1, 0);
  return table;
}
}  // namespace

std::vector<int>& quvrRealRecovered() { return sizedTypeTable(state().realRecovered); }
std::vector<int>& quvrIsGenerator() { return sizedTypeTable(state().isGenerator); }

int findQuvrSubProfiles(const int* profile, int length, int (*check)(int* row, int* reference), int* reference) {
  int matches = 0;
  for (ModelRow& row : state().catalogue) {
    if (!std::equal(profile, profile + length, row.begin())) continue;
    ++matches;
    if (check != nullptr) check(row.data(), reference);
  }
  return matches;
}

int RealCandidateCheck(int* row, int* reference) {
  std::vector<int>& recovered = quvrRealRecovered();
  if (row[56] >= 0 && static_cast<std::size_t>(row[56]) < recovered.size())
    recovered[static_cast<std::size_t>(row[56])] = reference[56];
  return 0;
}

void GammaDeltaMap(int stack, int* Gamma, int* Delta, const int* profile) {
  if (profile[stack] == 0) return;
  const int stacks = profile[3] == -2 ? 3 : 4;
  for (int k = 0; k < stacks; ++k) {
    if (k == stack) continue;
    const int q = kPairIndex[k][stack];
    if (profile[k] != 0) {
      Gamma[q] = Delta[q] = 0;
    } else if (k < stack) {
      Gamma[q] += Delta[q];
      Delta[q] = 0;
    } else {
      Gamma[q] -= Delta[q];
      Delta[q] = 0;
    }
  }
}

int makeStackReal(int* profile, int stack, int* reference) {
  if (stack == 4 || (stack == 3 && profile[3] == -2)) {
    if (std::equal(profile, profile + 41, reference)) return 0;
    return findQuvrSubProfiles(profile, 41, RealCandidateCheck, reference);
  }
  const int t = profile[stack];
  int lo = t != 0 ? t : -1;
  int hi = t != 0 ? t : 1;
  if (stack == 1) hi = 0;  // b is tried as unitary or symplectic only
  if (profile[4 + stack] % 2 != 0) lo = 0;  // no symplectic stack of odd size
  if (lo > hi) return profile[4 + stack] % 2;
  int result = 0;
  for (int v = lo; v <= hi; ++v) {
    int copy[87];
    std::copy(profile, profile + 87, copy);
    if (v != 0) {
      copy[stack] = v;
      copy[8 + stack] = 0;
      copy[12 + stack] = 0;
      GammaDeltaMap(stack, copy + 16, copy + 22, copy);
    }
    result = makeStackReal(copy, stack + 1, reference);
  }
  return result;
}

int RealityIndex(const int* p) {
  return std::abs(p[0]) + std::abs(p[1]) + std::abs(p[2]) + (p[3] == -2 ? 0 : std::abs(p[3]));
}

int DetachedCandidateCheck(int* row, int* reference) {
  Print("Matches spectrum %d, original %d\n", row[56], reference[56]);
  std::vector<int>& generators = quvrIsGenerator();
  const int index = row[56] - 1;
  if (index >= 0 && static_cast<std::size_t>(index) < generators.size() && generators[index] == 1) {
    Print("Nr %d is a generator\n", row[56]);
    reference[57] = row[56];
  } else if (reference[57] == -1) {
    reference[57] = row[56];
  }
  return 1;
}

int* RemoveDetachedBrane(int* profile) {
  int* buffer = state().detached;
  std::copy(profile, profile + 66, buffer);
  buffer[3] = -2;
  buffer[7] = 0;
  buffer[11] = 0;
  buffer[15] = 0;
  if (buffer[31] != 0) Alert("RemoveDetachedBrane", 0, 212404, "Charge has d-brane component");
  const int matches = findQuvrSubProfiles(buffer, 37, DetachedCandidateCheck, profile);
  Print("Detaching brane d yields %d solutions\n", matches);
  return buffer;
}

void MakeEquationsPositive(QuvrEquations& equations) {
  for (std::size_t i = 1; i < equations.rows.size(); ++i) {
    std::vector<int>& row = equations.rows[i];
    const int pivot = row[static_cast<std::size_t>(equations.columns)];
    if (pivot < 0 || pivot >= equations.columns || row[static_cast<std::size_t>(pivot)] >= 0) continue;
    for (int j = 0; j < equations.columns; ++j) row[static_cast<std::size_t>(j)] = -row[static_cast<std::size_t>(j)];
  }
}

void DecomposeIntegerVector(const QuvrEquations& equations, int* v) {
  std::string text = "(";
  long long denominator = 1;
  for (std::size_t i = 0; i < equations.rows.size(); ++i) {
    const std::vector<int>& row = equations.rows[i];
    const int p = row[static_cast<std::size_t>(equations.columns)];
    int q = 0;
    if (p >= 0 && p < equations.columns && v[p] != 0 && row[static_cast<std::size_t>(p)] != 0) {
      const int g = std::gcd(row[static_cast<std::size_t>(p)], v[p]);
      int r = row[static_cast<std::size_t>(p)] / g;
      q = v[p] / g;
      if (r < 0) q = -q;
      r = std::abs(r);
      for (int j = 0; j < equations.columns; ++j) v[j] = v[j] * r - row[static_cast<std::size_t>(j)] * q;
      denominator *= r;
    }
    if (i > 0) text += ",";
    text += denominator == 1 ? formatText("%d", q) : formatText("%d/%lld", q, denominator);
  }
  text += ")\n";
  PrintText(text);
}
