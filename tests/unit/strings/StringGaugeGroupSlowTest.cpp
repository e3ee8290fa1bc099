// The gauge-group line on every invariant of some larger Gepner models: the named factors
// and the unidentified rest account for exactly the spin-1 currents of the left half
// (those of "browse Lie" and the weight-one ground states of the left chiral algebra).
// browse Lie counts D5 (45), one U(1) current per minimal model and the spectral flow
// 16 + 16bar; E6 takes 45 + 32 + 1, so the diagonal invariant leaves r - 1 vectors of r
// minimal models.
#include "StringGaugeGroupSupport.h"

namespace {

using gauge_group_test::GaugeGroupTest;

class StringGaugeGroupSlowTest : public GaugeGroupTest {
 protected:
  // Builds the model, checks the count of browse Lie and the diagonal line, then every
  // invariant below the limit (all of them with -1). The first factor is E6, or E7 or E8
  // where the invariant gives the left half N = 2 or N = 4; returns how many lines had
  // E7 and E8.
  std::pair<int, int> checkModel(const char* code, int minimalModels, int limit) {
    resetAll();
    EXPECT_EQ(run((std::string("build cy ") + code).c_str()), 0);
    const int vacuum = 45 + minimalModels + 32;
    EXPECT_EQ(SpinOneCount(currentTensor), vacuum);
    EXPECT_EQ(gaugeLineOf(0),
              "Gauge group: E6 x E8 x [Unidentified (dim=" + std::to_string(vacuum - 78) + ")]");
    const int total = limit < 0 ? totalInvariants() : std::min(limit, totalInvariants());
    EXPECT_GT(total, 0);
    std::pair<int, int> enhanced = {0, 0};
    for (int n = 0; n < total; ++n) {
      SCOPED_TRACE(n);
      const std::string line = gaugeLineOf(n);
      const bool six = line.rfind("Gauge group: E6 x E8", 0) == 0;
      const bool seven = line.rfind("Gauge group: E7 x E8", 0) == 0;
      const bool eight = line.rfind("Gauge group: E8 x E8", 0) == 0;
      EXPECT_TRUE(six || seven || eight) << line;
      if (seven) ++enhanced.first;
      if (eight) ++enhanced.second;
      EXPECT_EQ(namedPlusRest(line), sectorCurrents(leftAlgebra())) << line;
    }
    capture.clear();
    return enhanced;
  }
};

TEST_F(StringGaugeGroupSlowTest, SixSixSixSixOnEveryInvariant) { checkModel("6666", 4, -1); }

TEST_F(StringGaugeGroupSlowTest, OneFourFourFourFourOnEveryInvariant) {
  // Some invariants give the left half N = 2 (E7, as on K3 x T2); they occur.
  EXPECT_GT(checkModel("14444", 5, -1).first, 0);
}

TEST_F(StringGaugeGroupSlowTest, TwoToTheSixOnEveryInvariant) {
  // Some invariants give the left half N = 4 (E8, as on a six-torus); they occur.
  EXPECT_GT(checkModel("222222", 6, -1).second, 0);
}

TEST_F(StringGaugeGroupSlowTest, OneToTheNineHasE6E8AndEightVectors) {
  // 45 + 9 + 32 = 86 = 78 + 8.
  checkModel("111111111", 9, 20);
}

}  // namespace
