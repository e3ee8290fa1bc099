// Comparison of two stored theories, the isomorphism search and the re-centred theory.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"
#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class StoremanagerCompareTest : public TensorTest {
 protected:
  static IntList groupOf(std::initializer_list<int> fields) {
    IntList list;
    initList(&list, 4);
    for (int f : fields) addToList(&list, f);
    return list;
  }
  // Every field of B mapped onto A keeps its weight modulo 1 and S.
  static void expectIsomorphism(SpectrumData* A, SpectrumData* B, const std::vector<int>& map) {
    const int n = B->n_primaries;
    for (int a = 0; a < n; ++a) {
      const double hA = static_cast<double>(A->weight_num[map[a]]) / A->weight_den;
      const double hB = static_cast<double>(B->weight_num[a]) / B->weight_den;
      EXPECT_NEAR(std::remainder(hA - hB, 1.0), 0.0, 1e-9) << a;
      for (int b = 0; b < n; ++b)
        EXPECT_EQ(SM_compareS(A, B, map[a], map[b], a, b), 1) << a << " " << b;
    }
  }
};

TEST_F(StoremanagerCompareTest, MapsBetweenIsomorphicTheories) {
  // SU(2) level 1 is the circle with 2 primaries.
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SpectrumData* u1 = SM_getData(0, 2, 0);
  ASSERT_NE(a1, nullptr);
  ASSERT_NE(u1, nullptr);
  std::vector<int> map(2, -1);
  ASSERT_EQ(SM_determineCFTmap(map.data(), a1, u1), 1);
  EXPECT_EQ(map, (std::vector<int>{0, 1}));
  EXPECT_NE(capture.printed.find("Checking solution"), std::string::npos);

  // E6 level 1 and the complement of A2 level 1 (weights 0, 2/3, 2/3 and 0, -1/3, -1/3);
  // the complement carries the trivial group, so it is re-centred on its Z3 first.
  SpectrumData* e6 = SM_getData(5, 6, 1);
  SpectrumData* complement = SM_getComplement(SM_getData(1, 2, 1), nullptr);
  ASSERT_NE(e6, nullptr);
  ASSERT_NE(complement, nullptr);
  IntList z3 = groupOf({0, 1, 2});
  SpectrumData* centred = SM_createCenter(complement, &z3, "A2 complement on Z3");
  ASSERT_NE(centred, nullptr);
  ASSERT_EQ(centred->scgroup->order, 3);
  map.assign(3, -1);
  ASSERT_EQ(SM_determineCFTmap(map.data(), e6, centred), 1);
  expectIsomorphism(e6, centred, map);

  // A2 level 1 against E6 level 1: weights 1/3 against 2/3, no map.
  capture.clear();
  EXPECT_EQ(SM_determineCFTmap(map.data(), SM_getData(1, 2, 1), e6), 0);
  EXPECT_EQ(capture.printed.find("Checking solution"), std::string::npos);
}

TEST_F(StoremanagerCompareTest, TheExtensionOfA1LevelFourIsA2LevelOne) {
  build({"g a 1 4", "current 1"});
  ASSERT_EQ(run("create CFT SU3"), 0);
  SpectrumData* extension = SM_findCFT("SU3");
  SpectrumData* a2 = SM_getData(1, 2, 1);
  ASSERT_NE(extension, nullptr);
  std::vector<int> map(3, -1);
  ASSERT_EQ(SM_determineCFTmap(map.data(), a2, extension), 1);
  EXPECT_EQ(map[0], 0);
  expectIsomorphism(a2, extension, map);
}

TEST_F(StoremanagerCompareTest, ReCentringATheoryWhoseProductIsGone) {
  // SU(2)_4 x SU(2)_1 extended by (4,0): the stored theory keeps only its orbit S matrix.
  build({"g a 1 4", "g a 1 1", "current 1 0"});
  ASSERT_EQ(run("create CFT W"), 0);
  SpectrumData* W = SM_findCFT("W");
  ASSERT_NE(W, nullptr);
  ASSERT_EQ(W->tensor, nullptr);
  IntList trivial = groupOf({0});
  capture.clear();
  SpectrumData* V = SM_createCenter(W, &trivial, "V");
  ASSERT_NE(V, nullptr);
  EXPECT_TRUE(silent());
  for (int a = 0; a < V->n_primaries; ++a)
    for (int b = 0; b < V->n_primaries; ++b)
      EXPECT_EQ(SM_compareS(V, W, a, b, V->field_map[a], V->field_map[b]), 1) << a << " " << b;
  EXPECT_TRUE(silent());
}

TEST_F(StoremanagerCompareTest, SearchRefusesDifferentShapes) {
  std::vector<int> map(3, 0);
  EXPECT_EQ(SM_determineCFTmap(map.data(), SM_getData(1, 1, 1), SM_getData(1, 1, 2)), 0);
  EXPECT_TRUE(alerted("Different number of primaries 2 <--> 3"));
  // A1 level 2 (Z2, 2 orbits) and A2 level 1 (Z3): same count, different groups.
  EXPECT_EQ(SM_determineCFTmap(map.data(), SM_getData(1, 1, 2), SM_getData(1, 2, 1)), 0);
  EXPECT_TRUE(alerted("Different simple current orders 2 <--> 3"));
}

TEST_F(StoremanagerCompareTest, ReCentredTheoryKeepsFieldsUnderAnotherGroup) {
  SpectrumData* a14 = SM_getData(1, 1, 4);
  ASSERT_NE(a14, nullptr);
  IntList trivial = groupOf({0});
  SpectrumData* X = SM_createCenter(a14, &trivial, "X");
  ASSERT_NE(X, nullptr);
  EXPECT_EQ(X->type, kStoreTypeRecentred);
  EXPECT_EQ(X->base, a14);
  EXPECT_EQ(X->scgroup->order, 1);
  EXPECT_EQ(X->n_orbits, 5);
  IntList z2 = groupOf({0, 1});
  SpectrumData* Y = SM_createCenter(a14, &z2, "Y");
  ASSERT_NE(Y, nullptr);
  EXPECT_EQ(Y->scgroup->order, 2);
  // Every field keeps its labels and weight through the field map, and S through it.
  for (SpectrumData* sd : {X, Y}) {
    for (int a = 0; a < 5; ++a) {
      const int source = sd->field_map[a];
      EXPECT_EQ(sd->weight_num[a] * a14->weight_den, a14->weight_num[source] * sd->weight_den);
      EXPECT_EQ(SM_findLabel(a14, SM_getRep(sd, a)), source);
      for (int b = 0; b < 5; ++b)
        EXPECT_EQ(SM_compareS(sd, a14, a, b, source, sd->field_map[b]), 1);
    }
  }
  capture.clear();
  // Any stored name is refused, not only the source's.
  ASSERT_NE(SM_getData(1, 1, 1), nullptr);
  EXPECT_EQ(SM_createCenter(a14, &trivial, "X"), nullptr);
  EXPECT_TRUE(alerted("Name X is already in use"));
  EXPECT_EQ(SM_createCenter(a14, &trivial, "A1 level 1"), nullptr);
  EXPECT_TRUE(alerted("Name A1 level 1 is already in use"));
}

TEST_F(StoremanagerCompareTest, ComparisonPrintsOnlyDifferences) {
  SpectrumData* a14 = SM_getData(1, 1, 4);
  IntList trivial = groupOf({0});
  SpectrumData* X = SM_createCenter(a14, &trivial, "X");
  ASSERT_NE(X, nullptr);
  capture.clear();
  EXPECT_EQ(SM_compareAlgebras(X, X), 0);
  EXPECT_EQ(capture.printed,
            "Comparing X and X\n"
            "Types: (17,0,0) <-->  (17,0,0)\n"
            "No dimensions defined for algebra 1\n"
            "No dimensions defined for algebra 2\n"
            "No Conjugates defined for algebra 1\n"
            "No Conjugates defined for algebra 2\n"
            "No GravitinoAction defined for algebra 1\n"
            "No GravitinoAction defined for algebra 2\n"
            "Comparing S\n"
            "Comparing fixed point CFT's\n");
  capture.clear();
  SM_compareAlgebras(SM_getData(1, 1, 1), SM_getData(1, 1, 2));
  EXPECT_EQ(capture.printed,
            "Comparing A1 level 1 and A1 level 2\nDifferent number of primaries: 2 <--> 3\n");
  // A1 level 4 against its copy on the trivial group: the groups and orbits differ.
  capture.clear();
  SM_compareAlgebras(a14, X);
  EXPECT_NE(capture.printed.find("Types: (1,1,4) <-->  (17,0,0)\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Different simple current pointers\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Different number of orbits: 3 <--> 5\n"), std::string::npos);
}

// The S comparison reads every pair of fields (a theory of 46,001 fields has 2.1 10^9,
// each computed afresh): a Ctrl-C that came in ends it (StopRequest) within the loop, and
// the verification of a map the same way.
TEST_F(StoremanagerCompareTest, CtrlCEndsTheComparisonOfSAndTheVerificationOfAMap) {
  SpectrumData* a110 = SM_getData(1, 1, 10);
  ASSERT_NE(a110, nullptr);
  installInterruptHandler();
  capture.clear();
  std::raise(SIGINT);
  EXPECT_THROW(SM_compareAlgebras(a110, a110), StopRequest);
  EXPECT_NE(capture.printed.find("Comparing S\n"), std::string::npos) << capture.printed;
  EXPECT_EQ(capture.printed.find("Comparing fixed point CFT's"), std::string::npos) << capture.printed;
  std::vector<int> map(11, -1);
  std::raise(SIGINT);
  EXPECT_THROW(SM_determineCFTmap(map.data(), a110, a110), StopRequest);
  removeInterruptHandler();
  // Two equal theories: the map is the identity and no S element differs.
  capture.clear();
  ASSERT_EQ(SM_determineCFTmap(map.data(), a110, a110), 1);
  EXPECT_EQ(map, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  capture.clear();
  SM_compareAlgebras(a110, a110);
  EXPECT_EQ(capture.printed.find("Different"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("Comparing fixed point CFT's\n"), std::string::npos) << capture.printed;
}

TEST_F(StoremanagerCompareTest, LabelLookUps) {
  SpectrumData* a2 = SM_getData(1, 2, 1);
  ASSERT_NE(a2, nullptr);
  const int* vacuum = SM_getRep(a2, 0);
  EXPECT_EQ(SM_findLabel(a2, vacuum), 0);
  EXPECT_EQ(SM_identifyDynkinLabels(a2->rep_size, a2, SM_getRep(a2, 2), 1), 2);
  // Every field of A2 level 1 has a single 1 among its labels: the first label 0 names two.
  const int zero[1] = {0};
  EXPECT_EQ(SM_identifyDynkinLabels(1, a2, zero, 1), -1);
  EXPECT_TRUE(alerted("Label not unique"));
  const int absent[3] = {5, 5, 5};
  EXPECT_EQ(SM_identifyDynkinLabels(3, a2, absent, 1), -1);
  EXPECT_EQ(SM_findLabel(a2, absent), -1);
  // The smallest weight among the unused fields.
  const std::vector<int> used{1, 0, 0};
  const int next = SM_getNextMinimalWeight(a2, used.data());
  EXPECT_EQ(next, 1);
  const std::vector<int> all{1, 1, 1};
  EXPECT_EQ(SM_getNextMinimalWeight(a2, all.data()), -1);
}

}  // namespace
