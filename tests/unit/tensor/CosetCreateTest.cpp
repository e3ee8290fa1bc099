// Stored theories made from tensor products ("create CFT") and the minimal models with 0
// and 1 supersymmetries built as cosets of A1 factors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "InterpreterTestSupport.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetCreateTest : public TensorTest {
 protected:
  // A fresh one-factor product A1 level k (no currents).
  static TensorProduct* singleA1(int k) {
    TensorProduct* TP = initializeTensorProduct(nullptr);
    addTensorFactor(TP, SM_getData(1, 1, k), 0);
    return TP;
  }
  static double weight(SpectrumData* sd, int a) {
    return static_cast<double>(sd->weight_num[a]) / sd->weight_den;
  }
};

TEST_F(CosetCreateTest, SU3LevelOneIsStoredWithItsThreeCurrents) {
  build({"g a 1 4", "current 1"});
  capture.clear();
  ASSERT_EQ(run("create CFT X"), 0);
  // The record lets go of the product quietly: that is bookkeeping, not a result.
  EXPECT_EQ(capture.printed.find("Tensor pointer dropped"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("CFT X; 3 primaries (3 simple currents)"), std::string::npos)
      << capture.printed;
  SpectrumData* sd = SM_findCFT("X");
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(sd->type, kStoreTypeTensor);
  EXPECT_EQ(sd->tensor, nullptr);
  ASSERT_NE(sd->scgroup, nullptr);
  EXPECT_EQ(sd->scgroup->order, 3);
  // SU(3)_1: c = 2, weights 0, 1/3, 1/3; every S element has modulus 1/sqrt(3).
  EXPECT_NEAR(sd->c, 2.0, 1e-7);
  EXPECT_NEAR(weight(sd, 0), 0.0, 1e-12);
  EXPECT_NEAR(weight(sd, 1), 1.0 / 3.0, 1e-12);
  EXPECT_NEAR(weight(sd, 2), 1.0 / 3.0, 1e-12);
  for (int a = 0; a < 3; ++a) {
    for (int b = 0; b < 3; ++b) {
      double re = 0.0, im = 0.0;
      SM_getS(sd, a, b, &re, &im);
      EXPECT_NEAR(std::hypot(re, im), 1.0 / std::sqrt(3.0), 1e-7) << a << " " << b;
    }
  }
  // The fields 1 and 2 (3 and 3bar) are each other's conjugates.
  ASSERT_NE(sd->conjugates, nullptr);
  EXPECT_EQ(sd->conjugates[0], 0);
  EXPECT_EQ(sd->conjugates[1], 2);
  EXPECT_EQ(sd->conjugates[2], 1);

  // The name stays taken, whatever the product.
  build({"g a 1 4", "current 1"});
  EXPECT_EQ(createCFT(currentTensor, "X"), nullptr);
  EXPECT_TRUE(alerted("X already exists"));
  EXPECT_EQ(SM_findCFT("X"), sd);
}

TEST_F(CosetCreateTest, DroppedTensorPointerIsTracedAtDebugLevelOne) {
  build({"g a 1 4", "current 1"});
  setDebugLevel(1);
  capture.clear();
  const int result = run("create CFT Y");
  setDebugLevel(0);
  ASSERT_EQ(result, 0);
  EXPECT_NE(capture.printed.find("Tensor pointer dropped\n"), std::string::npos) << capture.printed;
  ASSERT_NE(SM_findCFT("Y"), nullptr);
  EXPECT_EQ(SM_findCFT("Y")->tensor, nullptr);
}

TEST_F(CosetCreateTest, RefusalsCreateNothing) {
  TensorProduct* empty = initializeTensorProduct(nullptr);
  EXPECT_EQ(createCFT(empty, "Nothing"), nullptr);
  EXPECT_TRUE(alerted("Empty theory"));
  EXPECT_EQ(SM_findCFT("Nothing"), nullptr);
  // A mistyped command leaves the store alone as well.
  build({"g a 1 4", "current 1"});
  EXPECT_NE(run("create CFT"), 0);
}

TEST_F(CosetCreateTest, AFailedSpectrumCreatesNothing) {
  // With room for two primaries the spectrum of SU(2)_4 (five fields) cannot be had: no
  // half-built record may be found under the name afterwards.
  int* maxPrimaries = getIntParPointer("Max_primaries");
  ASSERT_NE(maxPrimaries, nullptr);
  const int saved = *maxPrimaries;
  *maxPrimaries = 2;
  SpectrumData* sd = createCFT(singleA1(4), "Half");
  *maxPrimaries = saved;
  EXPECT_EQ(sd, nullptr);
  EXPECT_EQ(SM_findCFT("Half"), nullptr);
  // The name is free for a product that works.
  EXPECT_NE(createCFT(singleA1(4), "Half"), nullptr);
}

TEST_F(CosetCreateTest, NamesAreComparedInFull) {
  // Two names equal in their first 24 characters are two theories.
  const char* first = "a_rather_long_theory_name_one";
  const char* second = "a_rather_long_theory_name_two";
  SpectrumData* one = createCFT(singleA1(1), first);
  ASSERT_NE(one, nullptr);
  SpectrumData* two = createCFT(singleA1(2), second);
  ASSERT_NE(two, nullptr);
  EXPECT_NE(one, two);
  EXPECT_EQ(SM_findCFT(first), one);
  EXPECT_EQ(SM_findCFT(second), two);
  EXPECT_EQ(one->n_primaries, 2);
  EXPECT_EQ(two->n_primaries, 3);
}

TEST_F(CosetCreateTest, OneFactorProductHasTheModularDataOfItsFactor) {
  for (int k = 2; k <= 8; ++k) {
    SCOPED_TRACE(k);
    SpectrumData* A = SM_getData(1, 1, k);
    ASSERT_NE(A, nullptr);
    const std::string name = "single A1 " + std::to_string(k);
    SpectrumData* sd = createCFT(singleA1(k), name.c_str());
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(sd->n_primaries, k + 1);
    ASSERT_NE(sd->labels, nullptr);
    EXPECT_NEAR(sd->c, 3.0 * k / (k + 2), 1e-7);
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int la = sd->labels[static_cast<std::size_t>(a) * sd->rep_size];
      double r1 = 0.0, i1 = 0.0, r2 = 0.0, i2 = 0.0;
      SM_getT(sd, a, a, &r1, &i1);
      SM_getT(A, la, la, &r2, &i2);
      EXPECT_NEAR(r1, r2, 1e-7);
      EXPECT_NEAR(i1, i2, 1e-7);
      for (int b = 0; b < sd->n_primaries; ++b) {
        const int lb = sd->labels[static_cast<std::size_t>(b) * sd->rep_size];
        SM_getS(sd, a, b, &r1, &i1);
        SM_getS(A, la, lb, &r2, &i2);
        EXPECT_NEAR(r1, r2, 1e-7) << a << " " << b;
        EXPECT_NEAR(i1, i2, 1e-7) << a << " " << b;
      }
    }
  }
}

TEST_F(CosetCreateTest, KeptProductWhenTheOrbitMatrixIsNotStoredNow) {
  int* storeS = getIntParPointer("Store_S");
  ASSERT_NE(storeS, nullptr);
  const int saved = *storeS;
  *storeS = 1;
  build({"g a 1 4", "current 1"});
  TensorProduct* before = currentTensor;
  capture.clear();
  SpectrumData* sd = createCFT(currentTensor, "Y");
  *storeS = saved;
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(capture.printed.find("Tensor pointer dropped"), std::string::npos);
  // The record owns the product; an empty one is current now, and S still works.
  EXPECT_EQ(sd->tensor, before);
  EXPECT_NE(currentTensor, before);
  EXPECT_EQ(currentTensor->NumberOfFactors, 0);
  double re = 0.0, im = 0.0;
  SM_getS(sd, 1, 2, &re, &im);
  EXPECT_NEAR(std::hypot(re, im), 1.0 / std::sqrt(3.0), 1e-7);
}

TEST_F(CosetCreateTest, MinimalModelsWithoutSupersymmetry) {
  // Ising: 0, 1/2, 1/16, c = 1/2; tricritical Ising: 0, 1/10, 3/5, 3/2, 3/80, 7/16, c = 7/10.
  SpectrumData* ising = createMinimal0(1);
  ASSERT_NE(ising, nullptr);
  EXPECT_STREQ(ising->name, "minimal N=0 1");
  EXPECT_EQ(ising->type, kStoreTypeSpecialN2);
  EXPECT_EQ(ising->rank, 0);
  EXPECT_EQ(ising->level, 1);
  ASSERT_EQ(ising->n_primaries, 3);
  EXPECT_NEAR(ising->c, 0.5, 1e-7);
  EXPECT_NEAR(weight(ising, 0), 0.0, 1e-12);
  EXPECT_NEAR(weight(ising, 1), 0.5, 1e-12);
  EXPECT_NEAR(weight(ising, 2), 1.0 / 16.0, 1e-12);
  // Ising S: S_00 = 1/2, S_{sigma sigma} = 0.
  double re = 0.0, im = 0.0;
  SM_getS(ising, 0, 0, &re, &im);
  EXPECT_NEAR(re, 0.5, 1e-7);
  SM_getS(ising, 2, 2, &re, &im);
  EXPECT_NEAR(std::hypot(re, im), 0.0, 1e-7);
  EXPECT_EQ(createMinimal0(1), ising);

  SpectrumData* tci = createMinimal0(2);
  ASSERT_NE(tci, nullptr);
  ASSERT_EQ(tci->n_primaries, 6);
  EXPECT_NEAR(tci->c, 0.7, 1e-7);
  std::vector<double> w;
  for (int a = 0; a < 6; ++a) w.push_back(weight(tci, a));
  std::sort(w.begin(), w.end());
  const double expected[] = {0.0, 3.0 / 80.0, 0.1, 7.0 / 16.0, 0.6, 1.5};
  for (int a = 0; a < 6; ++a) EXPECT_NEAR(w[static_cast<std::size_t>(a)], expected[a], 1e-12) << a;
  // N=0 level k has (k+1)(k+2)/2 fields.
  for (int k = 3; k <= 5; ++k) {
    SpectrumData* m = createMinimal0(k);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->n_primaries, (k + 1) * (k + 2) / 2) << k;
    EXPECT_NEAR(m->c, 1.0 - 6.0 / ((k + 2) * (k + 3)), 1e-7) << k;
  }
}

TEST_F(CosetCreateTest, MinimalModelsWithOneSupersymmetry) {
  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    SpectrumData* sd = createMinimal1(k);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(sd->type, kStoreTypeSpecialN2);
    EXPECT_EQ(sd->rank, 1);
    EXPECT_EQ(sd->level, k);
    EXPECT_NEAR(sd->c, 1.5 * (1.0 - 8.0 / ((k + 2.0) * (k + 4.0))), 1e-7);
    // The supercurrent G has weight 3/2.
    bool superCurrent = false;
    for (int a = 0; a < sd->n_primaries; ++a) superCurrent = superCurrent || sd->weight_num[a] * 2 == 3 * sd->weight_den;
    EXPECT_TRUE(superCurrent);
  }
  // The three kinds of one level coexist under their own names.
  SpectrumData* zero = createMinimal0(3);
  ASSERT_NE(zero, nullptr);
  EXPECT_NE(zero, SM_findCFT("minimal N=1 3"));
}

TEST_F(CosetCreateTest, AUserTheoryNamedLikeAMinimalModelIsLeftAlone) {
  SpectrumData* mine = createCFT(singleA1(3), "minimal N=0 3");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(createMinimal0(3), nullptr);
  EXPECT_TRUE(alerted("minimal N=0 3 already exists"));
  EXPECT_EQ(mine->type, kStoreTypeTensor);
  EXPECT_EQ(mine->n_primaries, 4);
}

TEST_F(CosetCreateTest, MinimalModelCommands) {
  capture.clear();
  ASSERT_EQ(run("algebra minimal 0 1"), 0);
  EXPECT_NE(capture.printed.find("CFT minimal N=0 1; 3 primaries (2 simple currents)"), std::string::npos)
      << capture.printed;
  capture.clear();
  ASSERT_EQ(run("algebra minimal 1 1"), 0);
  EXPECT_NE(capture.printed.find("CFT minimal N=1 1; 6 primaries"), std::string::npos) << capture.printed;
}

}  // namespace
