// A heterotic string end to end on a consistent model: the Gepner model (4,4,10,10) with
// the SO(10) space-time factor, set up as a search job would ("build cy" aligns the factors
// with the current that is 1 everywhere and sets "Super"; the SO(10) spinor is selected as
// the space-time supersymmetry). The model is the Calabi-Yau hypersurface
// P(1,1,2,2,6)[12] with Hodge numbers (h11, h21) = (2, 128), Euler number -252.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeteroticTestSupport.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "heterotic/HeteroticInternal.h"

namespace {

class HeteroticGepnerTest : public HeteroticTest {
 protected:
  void SetUp() override {
    HeteroticTest::SetUp();
    run(("set outputdir " + folder.path()).c_str());
    capture.clear();
  }
  static int repCount(int right, int left) {
    const int row[2] = {right, left};
    const int i = getRepCount().find(row);
    return i < 0 ? 0 : getRepCount().count(i);
  }
  TemporaryFolder folder;
};

TEST_F(HeteroticGepnerTest, TheDiagonalInvariantIsAnAnomalyFreeE6ModelWith126Families) {
  ASSERT_EQ(run("build cy 441010"), 0);
  run("set selection symmetric off");
  run("set reject permutations off");
  setIntPar("Heterotic factors", 1);
  setIntPar("Particle factors", 1);
  run("name rep Q 1");
  run("select rep 1");
  capture.clear();
  ASSERT_EQ(run("compute heterotic"), 0);
  ASSERT_EQ(getHeteroticSetUpDone(), 1);
  // 24 powers of the supersymmetry current times 2^4 alignment products; one of the
  // currents is a supersymmetry: N = 1.
  EXPECT_NE(capture.all.find("Chiral algebra order: 384\n"), std::string::npos);
  EXPECT_NE(capture.all.find("DETERMINED: Nsusy=1\n"), std::string::npos);
  // The spinor (weight 5/8) squares to the vector (weight 1/2).
  SpectrumData* d5 = SM_getData(4, 5, 1);
  ASSERT_EQ(getHeteroticSpinor(), std::vector<int>{1});
  ASSERT_EQ(getHeteroticVector().size(), 1u);
  EXPECT_EQ(2 * d5->weight_num[getHeteroticVector()[0]], d5->weight_den);

  capture.clear();
  run("add filter 0 0 0 0 0");
  run("compute filter");
  // The trivial filter: the diagonal invariant. Families: 128 = h21 spinors of SO(10) and
  // 2 = h11 conjugate spinors (the gauginos of E6 are taken out); every 27 and 27bar of E6
  // holds one 10: 130. SO(10) carries no colour or U(1) labels: no anomaly, charge
  // quantum 30, class 3000; the 10 and the singlets are real: no chiral exotics.
  EXPECT_EQ(capture.all.find("Fatal anomalies"), std::string::npos);
  EXPECT_NE(capture.all.find("========= New Spectrum (level 0, 126 Families, Quantum 3000 "
                             "Exotics 0)"),
            std::string::npos);
  EXPECT_EQ(repCount(1, 1), 128);
  EXPECT_EQ(repCount(1, 3), 2);
  EXPECT_EQ(repCount(1, 2), 130);
  EXPECT_EQ(GSC_computeAnomalies(0, 0, 0), 1);
  ASSERT_EQ(getSpectra().size(), 1);
  EXPECT_EQ(getSpectra().row(0)[0], 126);
}

}  // namespace
