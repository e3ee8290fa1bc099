// The brane-stack steps and the search driver on a synthetic orientifold: a table of
// conjugates, group types, dilaton couplings, intersections and rank-two data installed
// through the search's access record, with a hand-built three-family configuration.
//
// The configuration (a, b, c, d) = (0, 2, 4, 6), all complex and unitary, A = S = 0, with
// (Gamma, Delta) ab (3,0), ac (-3,0), ad (0,-3), bc (0,-3), bd (-3,-3), cd (-3,6):
//   E_a: 3 Nc + 3 Nd - 6 = 0 and E_b: -3 Nc - 6 Nd + 9 = 0 give Nc = Nd = 1;
//   E_c: 3 Nd - 9 + 6 = 0 and E_d: -9 Nc + 9 = 0 hold there.
// Tension: Re U(0) = -10 gives -40; a costs 6, b 4, c and d 2 each (dil = 1).
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "InterpreterTestSupport.h"
#include "commands/CommandsInternal.h"
#include "TestSupport.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Catalogue.h"
#include "search/QuvrGuided.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"

namespace {

struct Candidate {
  int a, b, c, d, Nc, Nd, stacks;
  bool operator==(const Candidate& o) const {
    return a == o.a && b == o.b && c == o.c && d == o.d && Nc == o.Nc && Nd == o.Nd && stacks == o.stacks;
  }
};

struct Synthetic {
  int boundaries = 24;
  std::vector<int> conjugate, type;
  std::vector<double> dilaton;
  std::map<std::pair<int, int>, std::pair<int, int>> intersections;
  std::map<int, std::pair<int, int>> diagonal;
  double crosscap = -10.0;
  int acceptAnswer = 1;
  std::vector<Candidate> accepted;
  int merges = 0;
  int mergeAnswer = 0;

  Synthetic() {
    conjugate.resize(static_cast<std::size_t>(boundaries));
    type.assign(static_cast<std::size_t>(boundaries), 0);
    dilaton.assign(static_cast<std::size_t>(boundaries), 1.0);
    for (int b = 0; b < boundaries; ++b) conjugate[static_cast<std::size_t>(b)] = b;
    // Complex pairs (0,1) .. (6,7) and (16,17) .. (22,23); 8-11 orthogonal, 12-15 symplectic.
    for (int b : {0, 2, 4, 6, 16, 18, 20, 22}) {
      conjugate[static_cast<std::size_t>(b)] = b + 1;
      conjugate[static_cast<std::size_t>(b + 1)] = b;
    }
    for (int b = 8; b < 12; ++b) type[static_cast<std::size_t>(b)] = 1;
    for (int b = 12; b < 16; ++b) type[static_cast<std::size_t>(b)] = -1;
    set(0, 2, 3, 0);
    set(0, 4, -3, 0);
    set(0, 6, 0, -3);
    set(2, 4, 0, -3);
    set(2, 6, -3, -3);
    set(4, 6, -3, 6);
  }
  void set(int x, int y, int Gamma, int Delta) { intersections[{x, y}] = {Gamma, Delta}; }
};

Synthetic* current = nullptr;

int total() { return current->boundaries; }
int prepare() { return 1; }
int usableCount() { return current->boundaries; }
int usableBoundary(int i) { return i; }
int orientifolds() { return 1; }
void selectOrientifold(int) {}
int conjugateOf(int, int b) { return current->conjugate[static_cast<std::size_t>(b)]; }
int typeOf(int, int b) { return current->type[static_cast<std::size_t>(b)]; }
double dilatonOf(int b) { return current->dilaton[static_cast<std::size_t>(b)]; }
double crosscap() { return current->crosscap; }
int intersection(int, int a, int b, int* Gamma, int* Delta) {
  auto it = current->intersections.find({a, b});
  *Gamma = it == current->intersections.end() ? 0 : it->second.first;
  *Delta = it == current->intersections.end() ? 0 : it->second.second;
  return 0;
}
int diagonal(int, int b, int* p, int* q) {
  auto it = current->diagonal.find(b);
  *p = it == current->diagonal.end() ? 0 : it->second.first;
  *q = it == current->diagonal.end() ? 0 : it->second.second;
  return 0;
}
void noTachyonLists(int, std::vector<int>* allow, std::vector<int>* avoid) {
  allow->clear();
  avoid->clear();
}
int accept(int) {
  current->accepted.push_back({SM.branes[0], SM.branes[2], SM.branes[4], SM.stackCount == 3 ? -1 : SM.branes[6],
                               SM.multiplicities[2], SM.stackCount == 3 ? 0 : SM.multiplicities[3], SM.stackCount});
  return current->acceptAnswer;
}
void threeStack(int four) { SM.stackCount = four == 0 ? 3 : 4; }
int merge() {
  ++current->merges;
  return current->mergeAnswer;
}
std::int64_t tensorCode() { return 1234; }
int mipf() { return 5; }

const SearchServices kSynthetic = {total,        prepare,  usableCount, usableBoundary, orientifolds, orientifolds,
                                   selectOrientifold, conjugateOf, typeOf, dilatonOf, crosscap, intersection,
                                   diagonal,     noTachyonLists, accept, threeStack, merge, tensorCode, mipf};

class SearchStepsTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    current = &synthetic;
    setSearchServices(&kSynthetic);
  }
  void TearDown() override {
    setSearchServices(nullptr);
    setStackCandidateLists(nullptr, nullptr, nullptr, nullptr);
    current = nullptr;
  }
  // Stack a as the driver fills it, then the b step.
  void searchFromA(int a) {
    SM.tensorCode = 1234;
    SM.orientifold = 0;
    SM.branes[0] = a;
    SM.branes[1] = synthetic.conjugate[static_cast<std::size_t>(a)];
    SM.multiplicities[0] = 3;
    SM.groupTypes[0] = synthetic.type[static_cast<std::size_t>(a)];
    SM.tensionBudgets[0] = -std::fabs(4.0 * synthetic.crosscap) + 6.0 * synthetic.dilaton[static_cast<std::size_t>(a)];
    getChiralRankTwoTensors(a, SM.branes[1], 0, &SM.antisymmetricTensors[0], &SM.symmetricTensors[0]);
    SM.stackCount = 4;
    findWeakSMBrane();
  }
  std::int64_t counter(SearchCounter c) { return searchCounter(c); }

  Synthetic synthetic;
};

// The table holds a second solution with c = b = 2 and d = 4 (c may repeat b):
// E_a: -3 Nc + 3 Nd - 6 = 0, E_b: -3 Nd + 9 = 0 give Nc = 1, Nd = 3; E_c: -3 Nd + 9 = 0 and
// E_d: 3 Nc - 3 = 0 hold; tension -30 + 2 + 6 <= 0. No other (c, d) solves the equations.
TEST_F(SearchStepsTest, ThreeFamilyConfigurationsAreFound) {
  searchFromA(0);
  ASSERT_EQ(synthetic.accepted.size(), 2u);
  EXPECT_EQ(synthetic.accepted[0], (Candidate{0, 2, 2, 4, 1, 3, 4}));
  EXPECT_EQ(synthetic.accepted[1], (Candidate{0, 2, 4, 6, 1, 1, 4}));
  EXPECT_EQ(getFamiliesRequired(), 3);
  EXPECT_EQ(getPreModelCount(), 2);
  EXPECT_EQ(getSuccessLevel(), 4);
  // The budget after b: -40 + 6 + 4.
  EXPECT_DOUBLE_EQ(SM.tensionBudgets[1], -30.0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);  // only b = 2 has Gamma + Delta = 3
}

TEST_F(SearchStepsTest, RejectedHyperchargeStopsAtLevelFour) {
  synthetic.acceptAnswer = 0;
  searchFromA(0);
  EXPECT_EQ(synthetic.accepted.size(), 2u);
  EXPECT_EQ(getPreModelCount(), 0);
  EXPECT_EQ(getSuccessLevel(), 4);
}

TEST_F(SearchStepsTest, WeakStackCostsTwoOrFourDilatonCouplings) {
  // Budget after a: -5. A complex b with dil 1.5 costs 6 (budget +1: rejected), a real one
  // costs 3 (budget -2: accepted).
  synthetic.crosscap = -11.0 / 4.0;
  synthetic.dilaton[2] = 1.5;
  const std::vector<int> bList = {2};
  setStackCandidateLists(nullptr, &bList, nullptr, nullptr);
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 0);
  synthetic.conjugate[2] = 2;  // b becomes real (its former image stays unused)
  synthetic.conjugate[3] = 3;
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  EXPECT_DOUBLE_EQ(SM.tensionBudgets[1], -2.0);
}

TEST_F(SearchStepsTest, FamilySettingSelectsThePairs) {
  synthetic.set(0, 16, 2, 0);
  synthetic.set(0, 18, 1, 1);
  run("set SM_search Nfamily 2");
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 2);  // b = 16 and 18, not the three-family b = 2
  EXPECT_EQ(getFamiliesRequired(), 2);
  EXPECT_TRUE(synthetic.accepted.empty());
}

TEST_F(SearchStepsTest, FamilyCountZeroTakesEachPairsOwnCount) {
  synthetic.set(0, 16, 2, 0);
  const std::vector<int> bList = {2, 16};
  setStackCandidateLists(nullptr, &bList, nullptr, nullptr);
  run("set SM_search Nfamily 0");
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 2);
  EXPECT_EQ(getFamiliesRequired(), 2);  // the last b examined was 16
  EXPECT_EQ(synthetic.accepted.size(), 2u);  // b = 2 with its own F = 3
}

TEST_F(SearchStepsTest, SameBoundaryMayCarryQcdAndWeakStacks) {
  synthetic.intersections.clear();
  synthetic.set(0, 0, 1, 2);  // b = a: exempt from Delta <= Gamma
  synthetic.set(0, 16, 1, 2);  // another b with Delta > Gamma is refused
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  EXPECT_EQ(SM.branes[2], 0);
  EXPECT_EQ(SM.pairIdentification[0], 1);
}

TEST_F(SearchStepsTest, OrthogonalBoundaryIsNeverTheWeakStack) {
  synthetic.intersections.clear();
  synthetic.set(0, 8, 3, 0);   // orthogonal
  synthetic.set(0, 12, 3, 0);  // symplectic: allowed
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  EXPECT_EQ(SM.branes[2], 12);
}

TEST_F(SearchStepsTest, LastStackNeverRepeatsTheAntiquarkStack) {
  const std::vector<int> cList = {4}, dList = {4, 5};
  setStackCandidateLists(nullptr, nullptr, &cList, &dList);
  searchFromA(0);
  EXPECT_EQ(counter(ABCDCounter), 2);
  EXPECT_EQ(counter(AnomalyAnalysisCounter), 0);
  EXPECT_TRUE(synthetic.accepted.empty());
}

TEST_F(SearchStepsTest, ZeroTensionBoundaryIsNeverTheAntiquarkStack) {
  synthetic.dilaton[4] = 0.0;
  const std::vector<int> cList = {4};
  setStackCandidateLists(nullptr, nullptr, &cList, nullptr);
  searchFromA(0);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  EXPECT_EQ(counter(ABCCounter), 0);
  EXPECT_TRUE(synthetic.accepted.empty());
}

TEST_F(SearchStepsTest, ZeroTensionBoundaryIsNeverTheLastStack) {
  synthetic.dilaton[6] = 0.0;
  searchFromA(0);
  EXPECT_GT(counter(AnomalyAnalysisCounter), 0);
  ASSERT_EQ(synthetic.accepted.size(), 1u);
  EXPECT_EQ(synthetic.accepted[0].d, 4);
}

TEST_F(SearchStepsTest, MultiplicitiesAboveTwoHundredEndTheLoop) {
  // b symplectic (12, real), c symplectic (13, real), d unitary (16): E_a is the only
  // independent equation: with A_a = 306 (p = 306, q = -306 on a), Gamma(a,c) = 1 and
  // Gamma(a,d) = Delta(a,d) = -1 it reads -Nc + 2 Nd + 300 = 0, whose first solution
  // Nc = 302 is beyond the bound. E_d (0, 0, 0) adds nothing.
  synthetic.intersections.clear();
  synthetic.crosscap = -1000.0;
  synthetic.diagonal[0] = {306, -306};
  synthetic.set(0, 12, 2, 1);
  synthetic.set(0, 13, 1, 0);
  synthetic.set(0, 16, -1, -1);
  const std::vector<int> bList = {12}, cList = {13}, dList = {16};
  setStackCandidateLists(nullptr, &bList, &cList, &dList);
  searchFromA(0);
  EXPECT_EQ(counter(OneConstraintCounter), 1);
  EXPECT_TRUE(synthetic.accepted.empty());
  EXPECT_NE(capture.progress.find("Multiplicities too large; stopping loop"), std::string::npos);
}

TEST_F(SearchStepsTest, RankTwoTensorsFromDiagonalData) {
  synthetic.diagonal[2] = {5, 1};
  synthetic.diagonal[3] = {1, 1};
  int A = -1, S = -1;
  getChiralRankTwoTensors(2, 3, 0, &A, &S);
  EXPECT_EQ(A, ((5 - 1) - (1 - 1)) / 2);
  EXPECT_EQ(S, ((5 + 1) - (1 + 1)) / 2);
  getChiralRankTwoTensors(8, 8, 0, &A, &S);  // a real boundary has none
  EXPECT_EQ(A, 0);
  EXPECT_EQ(S, 0);
}

TEST_F(SearchStepsTest, TwoEquationSystemsGiveExactPositiveMultiplicities) {
  SM.groupTypes[2] = 0;
  const int exact[2][3] = {{3, 3, -6}, {-3, -6, 9}};
  EXPECT_EQ(solveForMultiplicities(exact), 1);
  EXPECT_EQ(SM.multiplicities[2], 1);
  EXPECT_EQ(SM.multiplicities[3], 1);
  const int fractional[2][3] = {{2, 0, -3}, {0, 1, -1}};  // Nc = 3/2
  EXPECT_EQ(solveForMultiplicities(fractional), 0);
  const int negative[2][3] = {{1, 0, 2}, {0, 1, -1}};  // Nc = -2
  EXPECT_EQ(solveForMultiplicities(negative), 0);
  SM.groupTypes[2] = -1;  // a symplectic c needs an even multiplicity
  const int odd[2][3] = {{1, 0, -3}, {0, 1, -1}};
  EXPECT_EQ(solveForMultiplicities(odd), 0);
}

TEST_F(SearchStepsTest, MaximalMultiplicitiesFollowTheBudget) {
  SM.tensionBudgets[1] = -30.0;
  SM.branes[4] = 4;
  SM.branes[6] = 6;
  SM.groupTypes[2] = 0;
  SM.groupTypes[3] = 0;
  int maxNc = 0, maxNd = 0;
  EXPECT_EQ(MaximalMultiplicities(&maxNc, &maxNd), 1);
  EXPECT_EQ(maxNd, (30 - 2) / 2);
  EXPECT_EQ(maxNc, (30 - 2) / 2);
  SM.groupTypes[3] = -1;  // a symplectic real d: steps of 2, one dil per brane
  EXPECT_EQ(MaximalMultiplicities(&maxNc, &maxNd), 1);
  EXPECT_EQ(maxNd, 30 - 2);
  EXPECT_EQ(maxNc, (30 - 2) / 2);
}

// A guided build of each configuration the search found finds its candidates again: the
// stacks a, b, c come from the same services (images, group types, budgets, intersections,
// the family count), whatever the record held before.
TEST_F(SearchStepsTest, GuidedConfigurationFindsWhatTheSearchFound) {
  searchFromA(0);
  const std::vector<Candidate> found = synthetic.accepted;
  ASSERT_EQ(found.size(), 2u);
  synthetic.accepted.clear();
  for (const Candidate& c : found) {
    // Stale data of another model: symplectic stacks, one family.
    initializeStandardModelStruct(&SM);
    for (int& type : SM.groupTypes) type = -1;
    setFamiliesRequired(1);
    const int boundaries[4] = {c.a, c.b, c.c, c.d};
    const int multiplicities[4] = {3, 2, c.Nc, c.Nd};
    EXPECT_EQ(runGuidedConfiguration(1234, 5, 0, boundaries, multiplicities), 1);
    EXPECT_EQ(SM.pairIdentification[3], c.c == c.b ? 1 : 0);
  }
  EXPECT_EQ(synthetic.accepted, found);
  EXPECT_EQ(getFamiliesRequired(), 3);
  EXPECT_DOUBLE_EQ(SM.tensionBudgets[1], -30.0);
  // A boundary outside the case is refused before any stack is set.
  const int outside[4] = {0, 2, 99, 6}, multiplicities[4] = {3, 2, 1, 1};
  EXPECT_EQ(runGuidedConfiguration(1234, 5, 0, outside, multiplicities), 0);
  EXPECT_TRUE(alerted("Boundary 99 is not a boundary of MIPF 5; line skipped"));
}

// ---------------------------------------------------------------------------------------
// The driver on the synthetic case

class SearchDriverTest : public SearchStepsTest {
 protected:
  void SetUp() override {
    SearchStepsTest::SetUp();
    run(("set outputdir " + folder.path()).c_str());
    run("set Super ON");
    run("set SM_search autosolve OFF");
  }
  // The single case file with this suffix in the output tree ("" when none or several).
  std::string caseFile(const std::string& suffix) {
    std::string found;
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
      const std::string name = entry.path().string();
      if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        found = name;
        ++count;
      }
    }
    return count == 1 ? found : "";
  }
  static std::string lastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    const std::size_t at = t.rfind('\n');
    return at == std::string::npos ? t : t.substr(at + 1);
  }

  TemporaryFolder folder;
};

TEST_F(SearchDriverTest, CompleteCaseEndsWithFourteenTerminators) {
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(synthetic.merges, 1);
  const std::string pre = caseFile(".pre_models");
  ASSERT_FALSE(pre.empty());
  EXPECT_EQ(lastLine(readFile(pre)), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1");
  EXPECT_NE(capture.stdoutText.find("Skipping tadpole solution search\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Number of SM configs:"), std::string::npos);
  // The replay block names no "spectrum_action".
  // Only (a, b) = (0, 2) passes the b step anywhere in the table.
  EXPECT_NE(capture.stdoutText.find("Number of ab brane configurations:   1\n"), std::string::npos);
  const std::string replay = readFile(caseFile(".mipf_data"));
  // No CY product has been built: its code reads "UNDEFINED"; the prefix is the default.
  EXPECT_EQ(replay.rfind("build cy UNDEFINED\nset outputfileprefix N\ncompute spectrum\n", 0), 0u);
  EXPECT_NE(replay.find("select invariant 5\n"), std::string::npos);
  EXPECT_EQ(replay.find("spectrum_action"), std::string::npos);
}

// Every search starts its own counts: a second search of the same table counts what the
// first counted, not twice as much.
TEST_F(SearchDriverTest, EachSearchStartsItsOwnCounts) {
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  const std::int64_t abc = counter(ABCCounter);
  EXPECT_EQ(getPreModelCount(), 2);
  run(("set outputdir " + folder.path("second")).c_str());
  capture.clear();
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(counter(StrongWeakDoubletCounter), 1);
  EXPECT_EQ(counter(ABCCounter), abc);
  EXPECT_EQ(getPreModelCount(), 2);
  EXPECT_NE(capture.stdoutText.find("Number of ab brane configurations:   1\n"), std::string::npos);
}

// A prescan writes its candidates to ".prescan"; with "SM_search autosolve" on it ends as a
// search without the tadpole scan, which reads the ".models" file a prescan does not write.
TEST_F(SearchDriverTest, PrescanDoesNotStartTheTadpoleScan) {
  run("set SM_search autosolve ON");
  setPreScan(1);
  capture.clear();
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(synthetic.merges, 1);
  EXPECT_NE(capture.stdoutText.find("Skipping tadpole solution search\n"), std::string::npos);
  EXPECT_EQ(capture.all.find("Could not open input file"), std::string::npos) << capture.all;
  setPreScan(0);
}

TEST_F(SearchDriverTest, SingleBoundaryRangeSearchesOneStackA) {
  setFirstBoundary(7);
  setLastBoundary(8);
  EXPECT_EQ(FindSM(nullptr), 0);  // a = 7 is the image of 6 and meets nothing
  EXPECT_EQ(synthetic.accepted.size(), 0u);
  EXPECT_FALSE(caseFile(".none").empty());
  EXPECT_EQ(caseFile(".pre_models"), "");  // removed once the marker is written
  setFirstBoundary(0);
  setLastBoundary(1);
  run(("set outputdir " + folder.path("second")).c_str());
  EXPECT_EQ(FindSM(nullptr), 1);
  ASSERT_EQ(synthetic.accepted.size(), 2u);
  EXPECT_EQ(synthetic.accepted[0].a, 0);
  EXPECT_EQ(synthetic.accepted[1].a, 0);
}

TEST_F(SearchDriverTest, ModelLimitZeroAbortsAndStillMerges) {
  run("set SM_search maxconf 0");
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(synthetic.merges, 1);
  EXPECT_EQ(lastLine(readFile(caseFile(".pre_models"))), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0");
  EXPECT_NE(capture.printed.find("Aborting this case; Number of models so far 1\n"), std::string::npos);
}

TEST_F(SearchDriverTest, InfoLevelNamesHowFarAnEmptySearchGot) {
  run("set SM_search info_level 1");
  synthetic.acceptAnswer = 0;
  EXPECT_EQ(FindSM(nullptr), 0);
  EXPECT_NE(capture.printed.find("Model scan finished; QCD, Weak, c and d branes found, but no Y charge\n"),
            std::string::npos);
  EXPECT_FALSE(caseFile(".none").empty());
}

TEST_F(SearchDriverTest, ExistingNoneFileStopsAtOnce) {
  EXPECT_EQ(FindSM(nullptr), 1);
  // A second case with nothing to find leaves its marker; a third search of it stops.
  setFirstBoundary(7);
  setLastBoundary(8);
  EXPECT_EQ(FindSM(nullptr), 0);
  capture.clear();
  synthetic.accepted.clear();
  EXPECT_EQ(FindSM(nullptr), 0);
  EXPECT_NE(capture.printed.find("This case was already considered and has no SM configurations (file "),
            std::string::npos);
  EXPECT_TRUE(synthetic.accepted.empty());
}

TEST_F(SearchDriverTest, PrescanModeThreeStopsAfterTheFirstModel) {
  synthetic.set(0, 16, 3, 0);  // a second b with the same c and d would give more models
  synthetic.set(16, 4, 0, -3);
  synthetic.set(16, 6, -3, -3);
  setPreScan(3);
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(synthetic.accepted.size(), 1u);
  EXPECT_NE(capture.printed.find("null scan mode. Only one model per CY choice is considered\n"), std::string::npos);
  EXPECT_EQ(lastLine(readFile(caseFile(".pre_models"))), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1");
}

TEST_F(SearchDriverTest, PrescanModeOneGivesOneModelPerWeakStack) {
  // b = 16 copies the data of b = 2, so both pairs (0,2) and (0,16) have two solutions.
  synthetic.set(0, 16, 3, 0);
  synthetic.set(16, 4, 0, -3);
  synthetic.set(16, 6, -3, -3);
  setPreScan(1);
  EXPECT_EQ(FindSM(nullptr), 1);
  ASSERT_EQ(synthetic.accepted.size(), 2u);
  EXPECT_EQ(synthetic.accepted[0].b, 2);
  EXPECT_EQ(synthetic.accepted[1].b, 16);
  setPreScan(0);
  synthetic.accepted.clear();
  run(("set outputdir " + folder.path("full")).c_str());
  EXPECT_EQ(FindSM(nullptr), 1);
  // At least (0,2,2,4), (0,2,4,6), (0,16,2,4) and (0,16,4,6) in full mode.
  EXPECT_GE(synthetic.accepted.size(), 4u);
}

TEST_F(SearchDriverTest, SearchCommandsSetRangeAndMode) {
  // Typed parameters reach a handler as pointers to their converted ints.
  int seven = 7, two = 2;
  char* one[1] = {reinterpret_cast<char*>(&seven)};
  setPreScan(2);
  EXPECT_EQ(COM_search_generic_sm(one, 1), -1);
  EXPECT_EQ(getFirstBoundary(), 7);
  EXPECT_EQ(getLastBoundary(), 8);
  EXPECT_EQ(getPreScan(), 0);  // a full search after a prescan
  EXPECT_EQ(getSusySearch(), 1);
  EXPECT_TRUE(synthetic.accepted.empty());  // only a = 7 was searched
  // Without an invariant number the names carry no range: the next case gets its own folder.
  run(("set outputdir " + folder.path("prescan")).c_str());
  char* mode[1] = {reinterpret_cast<char*>(&two)};
  EXPECT_EQ(COM_prescan_generic_sm(mode, 1), -1);
  EXPECT_EQ(getPreScan(), 2);
  EXPECT_EQ(getFirstBoundary(), -1);
  EXPECT_EQ(synthetic.accepted.size(), 1u);  // one model for a = 0
  int four = 4;
  char* bad[1] = {reinterpret_cast<char*>(&four)};
  EXPECT_GT(COM_prescan_generic_sm(bad, 1), 0);
  EXPECT_GT(COM_find_tachyonfree_sm(one, 1), 0);
  EXPECT_NE(capture.all.find("Command requires 0 or 2 parameters"), std::string::npos);
}

TEST_F(SearchDriverTest, RefusedMergeIsAFailure) {
  synthetic.mergeAnswer = 1;
  EXPECT_EQ(FindSM(nullptr), 0);
  EXPECT_NE(capture.all.find("model catalogue failed"), std::string::npos);
}

TEST_F(SearchDriverTest, EmptyRangeIsAnAlert) {
  setFirstBoundary(30);
  setLastBoundary(40);
  EXPECT_EQ(FindSM(nullptr), 0);
  EXPECT_NE(capture.all.find("Boundary range is zero: (30,24)"), std::string::npos);
}

TEST_F(SearchDriverTest, BosonicStringIsRefused) {
  run("set Super OFF");
  EXPECT_EQ(FindSM(nullptr), 0);
  EXPECT_NE(capture.all.find("Not a fermionic string"), std::string::npos);
}

TEST_F(SearchDriverTest, TachyonFreeHandlerKeepsItsOrientifoldList) {
  EXPECT_EQ(findTachyonFreeSM(-1), 0);
  EXPECT_EQ(findTachyonFreeSM(0), 0);
  EXPECT_EQ(findTachyonFreeSM(7), 0);
  EXPECT_NE(capture.all.find("Invalid mode"), std::string::npos);
}

// "scan tadpoles" with a model number shows that catalogue type before it scans: with an
// empty model folder the browser reports the missing catalogue, then the scan reports its
// missing model file.
TEST_F(SearchDriverTest, TadpoleScanOfOneTypeBrowsesTheCatalogueFirst) {
  run(("set ModelDir " + folder.path("no_models")).c_str());
  std::string file = folder.path("none.models");
  int seven = 7;
  char* params[2] = {file.data(), reinterpret_cast<char*>(&seven)};
  COM_scan_tadpoles(params, 2);
  const std::size_t browser = capture.all.find("Models.list does not exist");
  const std::size_t scan = capture.all.find("Could not open input file " + file);
  ASSERT_NE(browser, std::string::npos);
  ASSERT_NE(scan, std::string::npos);
  EXPECT_LT(browser, scan);
}

// The hypercharge step of the synthetic case, with a Ctrl-C pressed at the first candidate.
int acceptAndPressCtrlC(int store) {
  const int answer = accept(store);
  std::raise(SIGINT);
  return answer;
}

TEST_F(SearchDriverTest, CtrlCEndsTheCaseFileAsAnAbortedOne) {
  // Stack a is boundary 0 only, whose table holds two candidates.
  setFirstBoundary(0);
  setLastBoundary(1);
  SearchServices pressing = kSynthetic;
  pressing.accept = acceptAndPressCtrlC;
  setSearchServices(&pressing);
  installInterruptHandler();
  EXPECT_THROW(FindSM(nullptr), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  // The next c candidate obeyed: one of the two candidates of the table was seen.
  EXPECT_EQ(synthetic.accepted.size(), 1u);
  EXPECT_EQ(synthetic.merges, 0);
  EXPECT_EQ(lastLine(readFile(caseFile(".pre_models"))),
            "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0");
  // The case is searched again in full.
  setSearchServices(&kSynthetic);
  synthetic.accepted.clear();
  run(("set outputdir " + folder.path("again")).c_str());
  EXPECT_EQ(FindSM(nullptr), 1);
  EXPECT_EQ(synthetic.accepted.size(), 2u);
  EXPECT_EQ(synthetic.merges, 1);
}

}  // namespace
