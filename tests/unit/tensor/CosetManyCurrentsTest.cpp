// Stored theories made from products with many simple currents: which currents have fixed
// points and which fields they fix (read once per orbit), the fixed-point matrices made per
// fixed-point theory over its own fields, the grading of a graded product, and a creation
// stopped by Ctrl-C, which leaves nothing in the store.
#include <gtest/gtest.h>

#include <complex>
#include <memory>
#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "TensorTestSupport.h"
#include "TestSupport.h"
#include "groups/Discrete.h"
#include "runtime/Allocation.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"
#include "tensor/Coset.h"

namespace {

using Complex = std::complex<double>;

constexpr double kTol = 1e-7;

class CosetManyCurrentsTest : public TensorTest {
 protected:
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
    TensorTest::TearDown();
  }
  // A Ctrl-C comes before the next poll (the handler only notes it, as at a terminal).
  static void pressControlC() {
    installInterruptHandler();
    std::raise(SIGINT);
  }
  static TensorProduct* product(const std::vector<SpectrumData*>& factors) {
    TensorProduct* TP = initializeTensorProduct(nullptr);
    for (SpectrumData* f : factors) addTensorFactor(TP, f, 0);
    return TP;
  }
  // The field of factor f in record field a.
  static int factorField(const SpectrumData* sd, int a, int f) {
    return sd->labels[static_cast<std::size_t>(a) * sd->rep_size + f];
  }
  static int groupOrder(const SpectrumData* sd) {
    return sd->scgroup == nullptr ? 1 : sd->scgroup->order;
  }
  // The fields the current fixes, from its row; the row numbers them 0, 1, ... in order.
  static std::vector<int> fixedFields(SpectrumData* sd, int J) {
    std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), -7);
    const int count = SM_fixedPointRow(sd, J, row.data());
    std::vector<int> fixed;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int x = row[static_cast<std::size_t>(a)];
      EXPECT_TRUE(x == -1 || x == static_cast<int>(fixed.size())) << a;
      if (x >= 0) fixed.push_back(a);
    }
    EXPECT_EQ(count, static_cast<int>(fixed.size()));
    return fixed;
  }
};

TEST_F(CosetManyCurrentsTest, TwoSU2FactorsHaveFixedPointsWhereTheirLevelsAreEven) {
  // SU(2)_k1 x SU(2)_k2: the current (x, y) (x, y in {0, 1}: field 1 of a factor is its
  // current) has fixed points exactly when each factor it moves has an even level; (1, 0)
  // fixes the k2 + 1 fields (k1/2, j), (0, 1) the k1 + 1 fields (j, k2/2), (1, 1) the one
  // field (k1/2, k2/2).
  for (const auto& [k1, k2] :
       std::vector<std::pair<int, int>>{{4, 2}, {3, 2}, {2, 3}, {3, 5}, {6, 4}}) {
    SCOPED_TRACE(std::to_string(k1) + " " + std::to_string(k2));
    SpectrumData* A = SM_getData(1, 1, k1);
    SpectrumData* B = SM_getData(1, 1, k2);
    ASSERT_NE(A, nullptr);
    ASSERT_NE(B, nullptr);
    const std::string name = "SU2 " + std::to_string(k1) + " " + std::to_string(k2);
    SpectrumData* sd = createCFT(product({A, B}), name.c_str());
    ASSERT_NE(sd, nullptr);
    ASSERT_EQ(groupOrder(sd), 4);
    const std::vector<char> flags = SM_fixedPointCurrentFlags(sd);
    ASSERT_EQ(flags.size(), 4u);
    int withFixedPoints = 0;
    for (int J = 1; J < 4; ++J) {
      const int x = factorField(sd, J, 0);
      const int y = factorField(sd, J, 1);
      ASSERT_TRUE((x == 0 || x == 1) && (y == 0 || y == 1)) << J;
      const bool fixes = (x == 0 || k1 % 2 == 0) && (y == 0 || k2 % 2 == 0);
      EXPECT_EQ(flags[static_cast<std::size_t>(J)], fixes ? 1 : 0) << J;
      EXPECT_EQ(SM_fixedPointCurrent(sd, J), fixes ? 1 : 0) << J;
      withFixedPoints += fixes ? 1 : 0;
      const std::vector<int> fixed = fixedFields(sd, J);
      const int expected = !fixes ? 0 : x == 1 && y == 1 ? 1 : x == 1 ? k2 + 1 : k1 + 1;
      EXPECT_EQ(static_cast<int>(fixed.size()), expected) << J;
      for (int a : fixed) {
        if (x == 1) {
          EXPECT_EQ(SM_getRep(A, factorField(sd, a, 0))[0], k1 / 2) << J << " " << a;
        }
        if (y == 1) {
          EXPECT_EQ(SM_getRep(B, factorField(sd, a, 1))[0], k2 / 2) << J << " " << a;
        }
      }
    }
    EXPECT_EQ(SM_initFCFTData(sd), withFixedPoints);
  }
}

TEST_F(CosetManyCurrentsTest, FixedPointMatricesOfAMinimalModelTimesTheOrbifoldFactorise) {
  // The N=2 minimal model of level 1 (12 fields, all simple currents) times the c=1
  // orbifold of parameter 4 (11 fields, currents Z2 x Z2): 132 fields and 48 currents.
  // Only the orbifold's currents 1, 2, 3 have fixed points (three fields each), so the
  // record has three fixed-point theories of 12 x 3 = 36 fields, and without an extension
  // S^J((m, o), (m', o')) = S(m, m') S^J(o, o') of the orbifold.
  SpectrumData* M = SM_getData(27, 2, 1);
  SpectrumData* O = SM_getData(7, 4, 0);
  ASSERT_NE(M, nullptr);
  ASSERT_NE(O, nullptr);
  SpectrumData* sd = createCFT(product({M, O}), "minimal times orbifold");
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, 132);
  ASSERT_EQ(groupOrder(sd), 48);
  ASSERT_EQ(SM_initFCFTData(sd), 3);
  for (int i = 0; i < 3; ++i) {
    const int J = sd->fp_currents[i];
    SCOPED_TRACE(J);
    EXPECT_EQ(factorField(sd, J, 0), 0);
    const int JO = factorField(sd, J, 1);
    ASSERT_GE(JO, 1);
    ASSERT_LE(JO, 3);
    ASSERT_NE(sd->fcft[i], nullptr);
    EXPECT_EQ(sd->fcft[i]->n_primaries, 36);
    const std::vector<int> fixed = fixedFields(sd, J);
    ASSERT_EQ(fixed.size(), 36u);
    for (int a : fixed) {
      for (int b : fixed) {
        double re = 0.0, im = 0.0;
        ASSERT_EQ(SM_getFCFT_Smatrix(sd, J, a, b, &re, &im), 1) << a << " " << b;
        double mr = 0.0, mi = 0.0, orr = 0.0, oi = 0.0;
        SM_getS(M, factorField(sd, a, 0), factorField(sd, b, 0), &mr, &mi);
        ASSERT_EQ(
            SM_getFCFT_Smatrix(O, JO, factorField(sd, a, 1), factorField(sd, b, 1), &orr, &oi), 1);
        const Complex want = Complex(mr, mi) * Complex(orr, oi);
        EXPECT_NEAR(re, want.real(), kTol) << a << " " << b;
        EXPECT_NEAR(im, want.imag(), kTol) << a << " " << b;
      }
    }
  }
  // Every element was stored: the record let go of the product.
  EXPECT_EQ(sd->tensor, nullptr);
}

TEST_F(CosetManyCurrentsTest, AGradedProductIsGradedByTheVectorOfItsSpaceTimeFactor) {
  // D5 level 1 graded by its vector (field 2) times two N=2 models of level 3, with
  // "Graded" on. Stored, it is graded by the field with labels (2, 0, 0): a field is R
  // exactly when its D5 label is a spinor (1 or 3, the Ramond sector), and its partner
  // under the vector is another field of its own sector, whose partner it is.
  SpectrumData* d5 = SM_getData(4, 5, 1);
  ASSERT_NE(d5, nullptr);
  ASSERT_EQ(SM_grade(d5, 2), -1);
  runAll({"set graded on", "set super on", "tensor"});
  resetCoset(currentTensor);
  addTensorFactor(currentTensor, d5, 0);
  for (int i = 0; i < 2; ++i) addTensorFactor(currentTensor, SM_getData(27, 2, 3), 0);
  ASSERT_EQ(computeTensorSpectrum(currentTensor), 0);
  SpectrumData* sd = createCFT(currentTensor, "graded product");
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->graded, 1);
  const int J = sd->grade_current;
  ASSERT_GE(J, 0);
  EXPECT_EQ(factorField(sd, J, 0), 2);
  EXPECT_EQ(factorField(sd, J, 1), 0);
  EXPECT_EQ(factorField(sd, J, 2), 0);
  int ramond = 0;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const char letter = factorField(sd, a, 0) % 2 == 1 ? 'R' : 'N';
    EXPECT_EQ(sd->grading[a], letter) << a;
    ramond += letter == 'R' ? 1 : 0;
    const int partner = sd->n2_multiplets[a];
    ASSERT_GE(partner, 0) << a;
    ASSERT_LT(partner, sd->n_primaries) << a;
    EXPECT_NE(partner, a);
    EXPECT_EQ(sd->n2_multiplets[partner], a) << a;
    EXPECT_EQ(sd->grading[partner], letter) << a;
  }
  EXPECT_GT(ramond, 0);
  EXPECT_LT(ramond, sd->n_primaries);
}

TEST_F(CosetManyCurrentsTest, AStoppedCreationLeavesNothingInTheStore) {
  // SU(2)_4 x SU(2)_2 with its spectrum computed: Ctrl-C before the creation's first poll
  // ends the command after the record was begun. Neither the theory nor a fixed-point
  // theory of it is found by name afterwards, the chain is as it was, and the name can be
  // used: the same product is then stored whole, with its three fixed-point theories.
  build({"g a 1 4", "g a 1 2"});
  SpectrumData* first = SM_getFirstAlgebra();
  pressControlC();
  EXPECT_THROW(createCFT(currentTensor, "stopped"), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  EXPECT_EQ(SM_getFirstAlgebra(), first);
  for (const char* name : {"stopped", "stopped_0", "stopped_1", "stopped_2"})
    EXPECT_EQ(SM_findCFT(name), nullptr) << name;
  SpectrumData* sd = createCFT(currentTensor, "stopped");
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(SM_findCFT("stopped"), sd);
  EXPECT_EQ(sd->n_primaries, 15);
  ASSERT_EQ(SM_initFCFTData(sd), 3);
  for (int i = 0; i < 3; ++i) {
    const std::string name = "stopped_" + std::to_string(i);
    EXPECT_EQ(SM_findCFT(name.c_str()), sd->fcft[i]) << name;
  }
}

// Bytes held by the accounts of the records named `name` and `name`_k (the record and
// its fixed-point theories; "Algebra " and "S-matrix " before the name).
long long recordBytes(const std::string& name) {
  long long total = 0;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
    const std::string account = node->account->name;
    for (const char* prefix : {"Algebra ", "S-matrix "}) {
      const std::string mine = prefix + name;
      if (account == mine || account.rfind(mine + "_", 0) == 0)
        total += static_cast<long long>(node->account->bytesHeld());
    }
  }
  return total;
}

// The stop comes right after the fixed-point theories of the record were made.
int (*madeFixedPointTheories)(TensorProduct*, SpectrumData*) = nullptr;
int fixedPointTheoriesThenCtrlC(TensorProduct* TP, SpectrumData* sd) {
  const int result = madeFixedPointTheories(TP, sd);
  installInterruptHandler();
  std::raise(SIGINT);
  return result;
}

TEST_F(CosetManyCurrentsTest, AStoppedCreationGivesBackItsMemory) {
  // SU(2)_4 x SU(2)_2: Ctrl-C once the record and its three fixed-point theories (with
  // their S matrices) are made. The accounts of all four hold nothing afterwards, and a
  // second creation stopped at the same point leaves the allocation total exactly where
  // the first left it (what the first made for the product itself is reused).
  build({"g a 1 4", "g a 1 2"});
  struct StopAfterFixedPointTheories {
    TensorHooks hooks = tensorHooks();
    StopAfterFixedPointTheories() {
      madeFixedPointTheories = hooks.initFCFT;
      TensorHooks stopping = hooks;
      stopping.initFCFT = fixedPointTheoriesThenCtrlC;
      setTensorHooks(stopping);
    }
    ~StopAfterFixedPointTheories() { setTensorHooks(hooks); }
  };
  auto stop = std::make_unique<StopAfterFixedPointTheories>();
  const auto stoppedCreation = [&](const char* name) {
    EXPECT_THROW(createCFT(currentTensor, name), StopRequest);
    removeInterruptHandler();
    setStopSignal(0);
  };
  stoppedCreation("halfmade");
  EXPECT_EQ(recordBytes("halfmade"), 0);
  const long long afterFirst = getTotalAllocation();
  stoppedCreation("halfmade");
  EXPECT_EQ(recordBytes("halfmade"), 0);
  EXPECT_EQ(getTotalAllocation(), afterFirst);
  stop.reset();
  // The name can be used: the product is then stored whole, and its accounts hold it.
  SpectrumData* sd = createCFT(currentTensor, "halfmade");
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(SM_initFCFTData(sd), 3);
  EXPECT_GT(recordBytes("halfmade"), 0);
}

}  // namespace
