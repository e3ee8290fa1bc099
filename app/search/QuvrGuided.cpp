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
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/QuvrFiles.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"
#include "strings/Intersections.h"
#include "strings/OpenTachyons.h"
#include "tensor/OutputNames.h"

namespace {

struct QuvrGuidedState {
  unsigned lastTensor = static_cast<unsigned>(-1);
  int lastMIPF = -1;
  bool tried = false;  // the case (lastTensor, lastMIPF) was set up, well or not
  bool built = false;  // and is ready, its case files open
  std::vector<ModelRow> catalogue;
  // Row positions sorted by their first 41 ints (so by every shorter prefix too); rebuilt
  // after the rows were handed out for change.
  std::vector<std::size_t> byProfile;
  bool indexStale = true;
  int highest = 0;  // largest type number of the rows
  std::size_t highestCountedAt = static_cast<std::size_t>(-1);
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
  s.tried = false;
  s.built = false;
  s.catalogue.clear();
  s.byProfile.clear();
  s.indexStale = true;
  s.highest = 0;
  s.highestCountedAt = static_cast<std::size_t>(-1);
  s.realRecovered.clear();
  s.isGenerator.clear();
}

int quvrPairIndex(int k, int s) { return k >= 0 && k < 4 && s >= 0 && s < 4 ? kPairIndex[k][s] : -1; }

int runGuidedSearchFile(const char* path, GuidedBuilder builder) {
  const std::string file = convertFileName(path);
  std::string text;
  if (checkDir(file.c_str()) != 1 || !readFileText(file.c_str(), text)) {
    Alert("COM_search_guided_sm", 1, 120206, "Could not open file %s", file.c_str());
    return -1;
  }
  int previous[7] = {-2, -2, -2, -2, -2, -2, -2};
  int builds = 0;
  int lineNumber = 0;
  const std::vector<std::string> rows = linesOfText(text);
  ProgressScope progress("Guided model building", static_cast<double>(rows.size()));
  for (const std::string& row : rows) {
    progress.step();
    ++lineNumber;
    if (row.find_first_not_of(" \t\r") == std::string::npos) continue;
    ModelFileLine line;
    // A damaged line is one configuration lost; the lines after it keep their places.
    if (parseModelFileLine(row.c_str(), &line) == 0) {
      Alert("runGuidedSearchFile", 0, 100201, "Line %d of %s is not a model line; skipped", lineNumber,
            file.c_str());
      continue;
    }
    if (line.type == -1) break;
    const int now[7] = {line.tensorCode, line.MIPF, line.orientifold, line.boundaries[0], line.boundaries[1],
                        line.boundaries[2], line.boundaries[3]};
    if (std::equal(now, now + 7, previous)) continue;
    builder(line.tensorCode, line.MIPF, line.orientifold, line.boundaries, line.multiplicities);
    std::copy(now, now + 7, previous);
    ++builds;
  }
  return builds;
}

int GuidedSearch(const char* path) {
  // A full search of the listed configurations, whatever an earlier prescan or a-range of
  // the run chose, with its own counts.
  setPreScan(0);
  setBoundaryLimitString(-1, -1);
  startSearchCounts();
  const int builds = runGuidedSearchFile(path, BuildQUVRmodel);
  closeGuidedCase();
  return builds;
}

void closeGuidedCase() {
  QuvrGuidedState& s = state();
  const bool open = s.built;
  s.built = false;
  s.tried = false;
  // The candidates of the case are merged as a search merges its own; a case without any
  // has no ".pre_models" file.
  if (open && checkDir(getCurrentOutputFileName(".pre_models").c_str()) == 1) CloseModelSearch();
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
  // A new tensor code or a new MIPF rebuilds the case: the invariant depends on both. A case
  // that could not be set up is not tried again for its later lines.
  if (!s.tried || static_cast<unsigned>(tensorCode) != s.lastTensor || MIPF != s.lastMIPF) {
    closeGuidedCase();
    s.tried = true;
    s.lastTensor = static_cast<unsigned>(tensorCode);
    s.lastMIPF = MIPF;
    // No invariant is built on a tensor product that could not be built.
    if (buildCY(static_cast<unsigned>(tensorCode)) == static_cast<unsigned>(-1)) return 0;
    const std::string mipf = std::to_string(MIPF);
    buildInvariant(mipf.c_str(), 1);
    PrintSeparatorWithText(61, "Orientifolds and boundary states");
    initializeOpenString();
    if (initSearchMemory() != 0) return 0;
    if (initializeProfiles() == 0) return 0;
    if (initGenericSearchMemory(10000) == 0) return 0;
    s.built = true;
    Print("Number of boundaries %d\n", TotalBoundaries());
    Print("---- Scanning model %s;\n", getCurrentOutputFileName("").c_str());
  }
  if (!s.built) return 0;
  return runGuidedConfiguration(tensorCode, MIPF, orientifold, boundaries, multiplicities);
}

int runGuidedConfiguration(int tensorCode, int MIPF, int orientifold, const int* boundaries,
                           const int* multiplicities) {
  const SearchServices& sv = searchServices();
  if (orientifold < 0 || orientifold >= sv.orientifoldCountAll()) {
    Alert("BuildQUVRmodel", 0, 100201, "Orientifold %d is not an orientifold of MIPF %d; line skipped",
          orientifold, MIPF);
    return 0;
  }
  const int total = sv.totalBoundaries();
  for (int k = 0; k < 4; ++k) {
    if ((k == 3 && boundaries[k] == -1) || (boundaries[k] >= 0 && boundaries[k] < total)) continue;
    Alert("BuildQUVRmodel", 1, 100201, "Boundary %d is not a boundary of MIPF %d; line skipped", boundaries[k],
          MIPF);
    return 0;
  }
  SM.modelNumber = -1;
  SM.tensorCode = tensorCode;
  SM.MIPF = MIPF;
  SM.orientifold = orientifold;
  sv.selectOrientifold(orientifold);
  if (getSusySearch() == 0) {
    std::vector<int> allow, avoid;
    sv.tachyonLists(orientifold, &allow, &avoid);
  }
  // The stacks are filled as the search's steps fill them, from the same services; the
  // last-brane step then runs without tachyon lists.
  clearTachyonLists();
  const int o = orientifold;
  const double budget0 = -std::fabs(4.0 * sv.crosscapZero());
  const int lastStack = setGuidedStacks(&SM, tensorCode, MIPF, orientifold, boundaries);
  for (int k = 0; k < 4; ++k) {
    SM.branes[2 * k] = boundaries[k];
    SM.branes[2 * k + 1] = boundaries[k] >= 0 ? sv.conjugate(o, boundaries[k]) : -1;
    SM.multiplicities[k] = multiplicities[k];
  }
  const int a = boundaries[0], b = boundaries[1], c = boundaries[2];
  const int as = SM.branes[1], bs = SM.branes[3], cs = SM.branes[5];
  for (int k = 0; k < 3; ++k) SM.groupTypes[k] = sv.groupType(o, boundaries[k]);
  SM.tensionBudgets[0] = budget0 + 6.0 * sv.dilaton(a);
  int A = 0, S = 0;
  getChiralRankTwoTensors(a, as, o, &A, &S);
  SM.antisymmetricTensors[0] = A;
  SM.symmetricTensors[0] = 0;
  SM.tensionBudgets[1] = SM.tensionBudgets[0] + (b == bs ? 2.0 : 4.0) * sv.dilaton(b);
  sv.intersection(o, a, b, &SM.Gamma[0], &SM.Delta[0]);
  applyFamilyCondition(SM.Gamma[0], SM.Delta[0]);
  SM.pairIdentification[0] = identification(b, a, as);
  getChiralRankTwoTensors(b, bs, o, &SM.antisymmetricTensors[1], &SM.symmetricTensors[1]);
  sv.intersection(o, a, c, &SM.Gamma[1], &SM.Delta[1]);
  sv.intersection(o, b, c, &SM.Gamma[3], &SM.Delta[3]);
  SM.pairIdentification[1] = identification(c, a, as);
  SM.pairIdentification[3] = identification(c, b, bs);
  getChiralRankTwoTensors(c, cs, o, &SM.antisymmetricTensors[2], &SM.symmetricTensors[2]);
  return findLastSMBrane(lastStack);
}

std::vector<ModelRow>& quvrCatalogueRows() {
  state().indexStale = true;
  return state().catalogue;
}

namespace {
std::vector<int>& sizedTypeTable(std::vector<int>& table) {
  QuvrGuidedState& s = state();
  if (s.highestCountedAt != s.catalogue.size() || s.indexStale) {
    s.highest = 0;
    for (const ModelRow& row : s.catalogue) s.highest = std::max(s.highest, row[56]);
    s.highestCountedAt = s.catalogue.size();
  }
  const int highest = s.highest;
  if (table.size() < static_cast<std::size_t>(highest) + 1) table.resize(static_cast<std::size_t>(highest) + 1, 0);
  return table;
}
}  // namespace

std::vector<int>& quvrRealRecovered() { return sizedTypeTable(state().realRecovered); }
std::vector<int>& quvrIsGenerator() { return sizedTypeTable(state().isGenerator); }

int findQuvrSubProfiles(const int* profile, int length, int (*check)(int* row, int* reference), int* reference) {
  QuvrGuidedState& s = state();
  constexpr int kIndexed = 41;
  length = std::clamp(length, 0, kIndexed);
  if (s.indexStale) {
    s.byProfile.resize(s.catalogue.size());
    for (std::size_t k = 0; k < s.byProfile.size(); ++k) s.byProfile[k] = k;
    std::stable_sort(s.byProfile.begin(), s.byProfile.end(), [&](std::size_t a, std::size_t b) {
      return std::lexicographical_compare(s.catalogue[a].begin(), s.catalogue[a].begin() + kIndexed,
                                          s.catalogue[b].begin(), s.catalogue[b].begin() + kIndexed);
    });
    s.indexStale = false;
  }
  auto below = [&](std::size_t position, const int* key) {
    return std::lexicographical_compare(s.catalogue[position].begin(), s.catalogue[position].begin() + length, key,
                                        key + length);
  };
  auto above = [&](const int* key, std::size_t position) {
    return std::lexicographical_compare(key, key + length, s.catalogue[position].begin(),
                                        s.catalogue[position].begin() + length);
  };
  const auto first = std::lower_bound(s.byProfile.begin(), s.byProfile.end(), profile, below);
  const auto last = std::upper_bound(first, s.byProfile.end(), profile, above);
  // The callbacks may change the reference, never the catalogue rows' profiles.
  const std::vector<std::size_t> matches(first, last);
  for (std::size_t position : matches)
    if (check != nullptr) check(s.catalogue[position].data(), reference);
  return static_cast<int>(matches.size());
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

int BuildModelExample(const int* profile) {
  SM.modelNumber = profile[56];
  SM.tensorCode = profile[59];
  SM.MIPF = profile[60];
  SM.orientifold = profile[61];
  for (int k = 0; k < 4; ++k) {
    SM.branes[2 * k] = profile[62 + k];
    SM.multiplicities[k] = profile[4 + k];
  }
  SM.stackCount = 4;
  if (profile[65] == -1) {
    SM.stackCount = 3;
    SM.multiplicities[3] = 0;
  }
  return 1;
}

int ComputeAndCompareSMData(const int* profile) {
  const int n = SM.stackCount == 3 ? 3 : 4;
  const OrientifoldInfo* record = getCurrentOrientifold();
  for (int k = 0; k < n; ++k) SM.groupTypes[k] = record != nullptr ? orientifoldGroupType(record, SM.branes[2 * k]) : 0;
  for (int k = 0; k < n; ++k)
    if (SM.groupTypes[k] != profile[k]) {
      Alert("ComputeAndCompareSMData", 0, 212404, "Type mismatch");
      return 0;
    }
  const int o = SM.orientifold;
  for (int q = 0; q < 6; ++q) SM.Gamma[q] = SM.Delta[q] = 0;
  static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (int q = 0; q < 6; ++q) {
    if (n == 3 && kPairs[q][1] == 3) continue;
    CachedBraneIntersection(o, SM.branes[2 * kPairs[q][0]], SM.branes[2 * kPairs[q][1]], &SM.Gamma[q], &SM.Delta[q]);
  }
  for (int k = 0; k < 4; ++k) SM.antisymmetricTensors[k] = SM.symmetricTensors[k] = 0;
  for (int k = 0; k < n; ++k) {
    int o1 = 0, o2 = 0, p1 = 0, p2 = 0;
    diagonal(o, SM.branes[2 * k], &o1, &o2);
    diagonal(o, SM.branes[2 * k + 1], &p1, &p2);
    SM.antisymmetricTensors[k] = tensorCount(o1, o2, p1, p2, false);
    SM.symmetricTensors[k] = tensorCount(o1, o2, p1, p2, true);
  }
  for (int k = 0; k < n; ++k)
    if (SM.symmetricTensors[k] != profile[8 + k]) {
      Alert("ComputeAndCompareSMData", 1, 212404, "Symmetric tensor mismatch");
      return 0;
    }
  for (int k = 0; k < n; ++k)
    if (SM.antisymmetricTensors[k] != profile[12 + k]) {
      Alert("ComputeAndCompareSMData", 2, 212404, "Anti-symmetric tensor mismatch");
      return 0;
    }
  if (!std::equal(SM.Gamma, SM.Gamma + 6, profile + 16)) {
    PrintVec(6, SM.Gamma, "Gamma");
    PrintVec(6, profile + 16, "v    ");
    Alert("ComputeAndCompareSMData", 3, 212404, "Gamma mismatch");
    return 0;
  }
  if (!std::equal(SM.Delta, SM.Delta + 6, profile + 22)) {
    PrintVec(6, SM.Delta, "Delta");
    PrintVec(6, profile + 22, "v    ");
    Alert("ComputeAndCompareSMData", 4, 212404, "Delta mismatch");
    return 0;
  }
  return 1;
}

void CopySMData(int* profile) {
  const int n = SM.stackCount == 3 ? 3 : 4;
  for (int k = 0; k < n; ++k) {
    profile[8 + k] = SM.symmetricTensors[k];
    profile[12 + k] = SM.antisymmetricTensors[k];
  }
  std::copy(SM.Gamma, SM.Gamma + 6, profile + 16);
  std::copy(SM.Delta, SM.Delta + 6, profile + 22);
}
