// Heterotic and type-II strings on K3 from Gepner models: the D6 lattice at level 1 (six
// space-time dimensions) times N = 2 minimal models of total central charge 6, extended by
// the spectral flow (label 1 in every factor) with "Graded" on. The standard embedding
// breaks one E8 to E7 and leaves h^{1,1}(K3) = 20 half-hypermultiplets in the 56 (E7 with
// 24 instantons: 24/2 - 2 = 10 full ones); the six-dimensional gravitational anomaly
// n_H - n_V + 29 n_T = 273 with one tensor multiplet gives n_H - n_V = 244; type IIB has
// one (M,M) pair per (1,1)-form.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "GepnerProductsTestSupport.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "numbers/MathUtility.h"
#include "runtime/Parameters.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

using gepner_products_test::kK3Levels;

class StringTheorySixDimTest : public ZoqTest {
 protected:
  // The Gepner product of the levels with the D6 lattice, graded by its vector (field 2)
  // or not; the spectrum computed. The output of the computation stays captured.
  void build(const std::vector<int>& levels, bool gradeLattice) {
    resetAll();
    capture.clear();
    gepner_products_test::buildOnTheD6Lattice(levels, gradeLattice);
  }

  // Weight-one rows of the chiral algebra whose lattice label is the identity.
  static int latticeTrivialCurrents() {
    TensorProduct* TP = currentTensor;
    int count = 0;
    for (int x = 1; x < TP->ChiralAlgebra.size(); ++x) {
      const int* row = TP->ChiralAlgebra.row(x);
      Rat h;
      if (row[0] != 0 || TensorRatWeight(TP, row, &h) != 1) continue;
      simplifyRat(&h);
      if (h.num == 1 && h.den == 1) ++count;
    }
    return count;
  }
};

TEST_F(StringTheorySixDimTest, EveryK3GepnerModelWithAGradedLatticeGivesE7xE8AndTwentyFiftySixes) {
  for (const std::vector<int>& levels : kK3Levels) {
    std::string name;
    for (int k : levels) name += std::to_string(k);
    SCOPED_TRACE(name);
    build(levels, true);
    EXPECT_EQ(capture.all.find("is not graded"), std::string::npos);
    capture.clear();
    ASSERT_EQ(run("browse heterotic"), 0);
    const std::string head = "Multiplet (0,M):  ";
    const std::size_t at = capture.all.find(head);
    ASSERT_NE(at, std::string::npos) << capture.all;
    std::size_t length = 0;
    const int singlets = std::stoi(capture.all.substr(at + head.size()), &length);
    EXPECT_EQ(capture.all.substr(at + head.size() + length, 19), " x [1] + 20 x [56]\n");
    // Half-hypermultiplets: the singlets and 20 x 56.
    const int hypers = (singlets + 20 * 56) / 2;
    // Vectors: E7 x E8 (133 + 248); the U(1) current of each of the r minimal models, one
    // combination of which is the Cartan of the SU(2) in E7 > SO(12) x SU(2); and the
    // lattice-trivial weight-one currents of the chiral algebra other than the spectral
    // flow by +-2 units (charge +-2), the raising and lowering of that SU(2).
    const int r = static_cast<int>(levels.size());
    const int vectors = 133 + 248 + (r - 1) + (latticeTrivialCurrents() - 2);
    EXPECT_EQ(hypers - vectors, 244);
    // The gauge-group line names E7 and E8 and leaves those further vectors unidentified.
    EXPECT_NE(capture.all.find("Gauge group: E7 x E8 x [Unidentified (dim=" +
                               std::to_string(vectors - 133 - 248) + ")]\n"),
              std::string::npos)
        << capture.all;
    capture.clear();
    ASSERT_EQ(run("browse type-II"), 0);
    EXPECT_NE(capture.all.find("\n20 x (M,M)\n"), std::string::npos) << capture.all;
  }
}

TEST_F(StringTheorySixDimTest, AnUngradedLatticeWarnsAndCountsNoMisalignedField) {
  build({2, 2, 2, 2}, false);
  EXPECT_NE(capture.all.find("Space-time factor D6 level 1 is not graded, but internal factors are"),
            std::string::npos)
      << capture.all;
  EXPECT_NE(capture.all.find("Grade it first: \"algebra D 6 1\" and \"grade 2\" before \"tensor\""),
            std::string::npos);
  // A field is misaligned when its D6 label is NS (the identity or the vector, h = 0 or
  // 1/2; the spinors have h = 3/4) while a minimal model's label is R, or the reverse.
  TensorProduct* TP = currentTensor;
  SpectrumData* lattice = TP->TensorFactors[0];
  int misaligned = 0;
  int masslessMisaligned = 0;
  for (int i = 0; i < TP->Spectrum.size(); ++i) {
    const int* row = TP->Spectrum.row(i);
    Rat h;
    ASSERT_EQ(SM_getRatWeight(lattice, row[0], &h), 1);
    simplifyRat(&h);
    const char latticeSector = h.den <= 2 ? 'N' : 'R';
    bool disagrees = false;
    for (int k = 1; k < TP->NumberOfFactors; ++k)
      disagrees = disagrees || TP->TensorFactors[static_cast<std::size_t>(k)]->grading[row[k]] != latticeSector;
    if (!disagrees) continue;
    ++misaligned;
    Rat w;
    TensorRatWeight(TP, row, &w);
    simplifyRat(&w);
    if (w.num == 1 && w.den == 1) ++masslessMisaligned;
    EXPECT_EQ(getRepInfo(i), (std::array<int, 4>{0, 0, 0, 0})) << "field " << i;
  }
  EXPECT_GT(misaligned, 0);
  EXPECT_GT(masslessMisaligned, 0);
  // With the lattice graded the same product has no misaligned field and no warning.
  build({2, 2, 2, 2}, true);
  EXPECT_EQ(capture.all.find("is not graded"), std::string::npos);
}

TEST_F(StringTheorySixDimTest, NoWarningWithoutSuperstringModeOrGrading) {
  build({2, 2, 2, 2}, false);
  ASSERT_NE(capture.all.find("is not graded"), std::string::npos);
  // The warning is a notice: the command succeeded and the modular mode is on.
  EXPECT_EQ(run("total primaries"), 0);
  capture.clear();
  setIntPar("Super", 0);
  EXPECT_EQ(warnMisalignedSectors(currentTensor), 0);
  setIntPar("Super", 1);
  setIntPar("Graded", 0);
  EXPECT_EQ(warnMisalignedSectors(currentTensor), 0);
  EXPECT_TRUE(silent());
  setIntPar("Graded", 1);
  EXPECT_EQ(warnMisalignedSectors(currentTensor), 1);
}

}  // namespace
