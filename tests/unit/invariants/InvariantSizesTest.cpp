// Work of the invariant builders sized by the number of fields N: each is measured before
// it starts, and work past what one allocation may hold (2100 Mb) is refused with its size
// named (Alert 100213) and nothing done. The counts of fields are made up through the
// current theory's primary count, which is all these builders read before they size
// their tables; the Gepner products that reach such counts run in the program tests.
#include <gtest/gtest.h>

#include <vector>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "invariants/Invariants.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

using modular_test::useTheory;

class InvariantSizesTest : public ZoqTest {
 protected:
  // The current theory stays what it is; only the count of its fields is made up.
  void pretendFields(int count) {
    madeUp_ = count;
    real_ = TotalPrimaries;
    TotalPrimaries = &madeUp_;
  }
  void TearDown() override {
    if (real_ != nullptr) TotalPrimaries = real_;
    ZoqTest::TearDown();
  }

 private:
  int madeUp_ = 0;
  int* real_ = nullptr;
};

}  // namespace

TEST_F(InvariantSizesTest, TheHomomorphismConstructionIsSizedFirst) {
  useTheory(1, 1, 4);
  pretendFields(30000);
  capture.clear();
  const int list[] = {0, 4};
  // H, one combination and M: (2N + 1) N ints = 60001 x 30000 x 4 bytes = 7200.12 Mb.
  EXPECT_EQ(CheckHomomorphism(2, list), -2);
  EXPECT_TRUE(alerted("The fusion matrices of the homomorphism construction would need 7200 Mb; "
                      "refused (the limit is 2100 Mb)"));
}

TEST_F(InvariantSizesTest, TheMultiplicityBoundsAreSizedFirst) {
  useTheory(1, 1, 4);
  // The S elements between 20000 integer-spin fields: 20000^2 doubles = 3200 Mb.
  std::vector<int> fields(20000, 0), bounds(20000, 7);
  capture.clear();
  EXPECT_EQ(getMaximumCurrentMultiplicities(20000, fields.data(), bounds.data()), -1.0);
  EXPECT_TRUE(alerted("The S matrix of the integer-spin fields would need 3200 Mb; "
                      "refused (the limit is 2100 Mb)"));
  EXPECT_EQ(bounds[0], 7);  // nothing computed
  // SU(2) at level 4: the current of label 4 (h = 1, quantum dimension 1) occurs at most
  // once in a chiral algebra (0 + J, the D-type extension): the exclusive bound is 2.
  const int current = modular_test::a1Field(SM_getData(1, 1, 4), 4);
  EXPECT_EQ(getMaximumCurrentMultiplicities(1, &current, bounds.data()), 2.0);
  EXPECT_EQ(bounds[0], 2);
}

TEST_F(InvariantSizesTest, TheAutomorphismSearchIsSizedFirst) {
  useTheory(1, 1, 4);
  pretendFields(30000);
  capture.clear();
  // S symmetric: the upper triangle of complex S, N(N + 1)/2 x 16 bytes = 7200.24 Mb.
  EXPECT_EQ(searchAutomorphisms(), 0);
  EXPECT_TRUE(alerted("The S matrix of the automorphism search would need 7200 Mb; "
                      "refused (the limit is 2100 Mb)"));
}

TEST_F(InvariantSizesTest, TheInvariantMatrixOfTheBuildersIsSizedFirst) {
  // The Z2 orbifold of U(1) at 10 (12 fields) for the closed-form builders.
  useTheory(7, 5, 0);
  pretendFields(30000);
  capture.clear();
  // N^2 ints = 3600 Mb.
  EXPECT_EQ(searchInvariants(), 0);
  EXPECT_TRUE(alerted("The invariant matrix would need 3600 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_EQ(capture.printed.find("Building"), std::string::npos) << capture.printed;
  EXPECT_EQ(buildExceptionalInvariant(0), 0);
  EXPECT_TRUE(alerted("The invariant matrix would need 3600 Mb; refused (the limit is 2100 Mb)"));
  const int choices[] = {0, 0};
  EXPECT_EQ(buildExceptionalTensorInvariant(choices), 0);
  EXPECT_TRUE(alerted("The invariant matrix would need 3600 Mb; refused (the limit is 2100 Mb)"));
}

TEST_F(InvariantSizesTest, ExceptionalBoundaryDataAreSizedFirstAndNeverShrink) {
  ExceptionalBoundaryData data;
  // 2 N (1 + L) doubles for N = L = 50000: 2 x 50000 x 50001 x 8 bytes = 40000.8 Mb.
  EXPECT_FALSE(allocExceptBound(&data, 50000, 50000));
  EXPECT_TRUE(
      alerted("The exceptional boundary data would need 40001 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_TRUE(data.data.empty());
  EXPECT_TRUE(data.klein.empty());
  EXPECT_EQ(data.N, 0);
  // 10 fields and 3 labels: 2 x 10 x 4 doubles and 10 ints; a smaller call keeps them.
  ASSERT_TRUE(allocExceptBound(&data, 10, 3));
  EXPECT_EQ(data.data.size(), 80u);
  EXPECT_EQ(data.klein.size(), 10u);
  ASSERT_TRUE(allocExceptBound(&data, 4, 1));
  EXPECT_EQ(data.data.size(), 80u);
  EXPECT_EQ(data.N, 4);
  EXPECT_EQ(data.L, 1);
  // A refusal after that leaves the data as they were.
  EXPECT_FALSE(allocExceptBound(&data, 50000, 50000));
  EXPECT_EQ(data.data.size(), 80u);
  EXPECT_EQ(data.N, 4);
}
