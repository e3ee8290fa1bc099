// The twists and orbit-Lie-algebra S elements of a tensor product, kept per theory: what
// the modular entries answer is what the tensor product computes, also after the theory
// changed under the same labels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TensorTestSupport.h"
#include "modular/Modular.h"
#include "store/CurrentTheory.h"
#include "store/TensorHooks.h"
#include "tensor/Coset.h"

namespace {

class ModularFixedPointMemoryTest : public TensorTest {
 protected:
  // Every (J, a, b) of the current product, asked twice through the modular entries (the
  // second time from what was kept), against the product's own computation.
  void expectMemoryAnswersAsTheProduct(const char* what) {
    const int fields = currentTensor->Spectrum.size();
    const int currents = currentTensor->NumberOfSimpleCurrents;
    for (int pass = 0; pass < 2; ++pass) {
      for (int J = 0; J < currents; ++J) {
        for (int a = 0; a < fields; ++a) {
          for (int b = 0; b < fields; ++b) {
            double re = 0.0, im = 0.0, directRe = 0.0, directIm = 0.0;
            MOD_getOLA_Smatrix(J, a, b, &re, &im);
            tensorHooks().CT_getOLA_SmatrixOfFields(currentTensor, J, a, b, &directRe, &directIm);
            ASSERT_EQ(re, directRe) << what << " " << J << " " << a << " " << b;
            ASSERT_EQ(im, directIm) << what << " " << J << " " << a << " " << b;
          }
          for (int K = 0; K < currents; ++K)
            ASSERT_EQ(MOD_getCurrentTwist(J, a, K), tensorHooks().CT_getCurrentTwist(currentTensor, a, J, K))
                << what << " " << J << " " << a << " " << K;
        }
      }
    }
  }
};

TEST_F(ModularFixedPointMemoryTest, KeptValuesFollowTheTheory) {
  // A1_2 x A1_2: current (J, J) (field 3) fixes the field of labels (1, 1) (field 8) alone,
  // where the orbit Lie algebra S element is 1 (the worked case of the fixed-point tests).
  build({"g a 1 2", "g a 1 2"});
  double re = 0.0, im = 0.0;
  EXPECT_EQ(MOD_getOLA_Smatrix(3, 8, 8, &re, &im), 1);
  EXPECT_NEAR(re, 1.0, 1e-9);
  EXPECT_NEAR(im, 0.0, 1e-9);
  expectMemoryAnswersAsTheProduct("A1_2 x A1_2");
  // Other products under the same labels: nothing of the first may be answered.
  build({"g a 1 4", "g a 1 2"});
  expectMemoryAnswersAsTheProduct("A1_4 x A1_2");
  build({"g a 1 2", "g a 1 2", "g a 1 2"});
  expectMemoryAnswersAsTheProduct("A1_2 x A1_2 x A1_2");
  build({"g a 1 2", "g a 1 2"});
  EXPECT_EQ(MOD_getOLA_Smatrix(3, 8, 8, &re, &im), 1);
  EXPECT_NEAR(re, 1.0, 1e-9);
  // A reset starts the counters again: what was kept goes with it.
  resetAll();
  setCosetMode(0);
  disableCoset();
  build({"g a 1 4", "g a 1 2"});
  expectMemoryAnswersAsTheProduct("A1_4 x A1_2 after a reset");
}

}  // namespace
