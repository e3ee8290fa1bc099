// Work of the store that grows with the number of currents or fields: the orbit ordering
// of a record with many simple currents asks the product law for what the group needs
// (never the table of all products, which for the 50,000 currents of a Gepner product
// with an orbifold factor is 10 GB), and a row of S stopped by Ctrl-C leaves the record's
// orbit S matrix as it was.
#include <gtest/gtest.h>

#include <complex>
#include <csignal>
#include <vector>

#include "TestSupport.h"
#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"

namespace {

class StoremanagerLargeGroups : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
  }
};

// The group (Z2)^m on the numbers 0 .. 2^m - 1, the product being the bitwise exclusive
// or; every call of the law is counted.
long long productCalls = 0;
int exclusiveOr(int J, int K, void*) {
  ++productCalls;
  return J ^ K;
}
int exclusiveOrAction(int Jfield, int a, void*) {
  return Jfield ^ a;
}
// A law whose every product lies outside a list of 64 currents.
int outsideTheList(int, int, void*) {
  ++productCalls;
  return 64;
}

// A record of n fields of integer weight, field a labelled a, each a simple current.
SpectrumData* currentsOnly(const char* name, int n) {
  SpectrumData* sd = allocateSpectrumData(name);
  sd->type = kStoreTypeTensor;
  sd->rep_size = 1;
  sd->n_primaries = n;
  sd->validity = 3;
  sd->weight_den = 1;
  SM_allocFieldInfo_Dynkin(sd);
  SM_allocFieldInfo_Weights(sd);
  for (int a = 0; a < n; ++a) {
    sd->labels[a] = a;
    sd->weight_num[a] = 0;
    sd->exact[a] = 1;
  }
  return sd;
}

}  // namespace

TEST_F(StoremanagerLargeGroups, TheOrbitOrderOfManyCurrentsAsksForAFewProductsPerCurrent) {
  const int k = 1 << 10;
  SpectrumData* sd = currentsOnly("1024 currents", k);
  IntList currents;
  initList(&currents, k);
  for (int J = 0; J < k; ++J) addToList(&currents, J);
  productCalls = 0;
  OutputCapture capture;
  SM_genericReorder(sd, &currents, exclusiveOr, exclusiveOrAction, nullptr);
  EXPECT_EQ(capture.diagnostics, "");
  ASSERT_NE(sd->scgroup, nullptr);
  EXPECT_EQ(sd->scgroup->order, k);
  EXPECT_EQ(sd->scgroup->nfactors, 10);  // ten factors Z2
  EXPECT_EQ(sd->n_orbits, 1);            // every field in the orbit of the vacuum
  EXPECT_EQ(sd->n_fp_currents, 0);       // the group acts freely on itself
  // Each element's order takes two products (J x 0 = J, J x J = 0), the subgroup one per
  // element, its map a few: some times k products, where the table of all products takes
  // k^2 = 1,048,576.
  EXPECT_LE(productCalls, 16LL * k);
  // Field J of the ordered record is group element J applied to the vacuum.
  for (int J = 0; J < k; J += 37) EXPECT_EQ(sd->orbit_position[J], J);
}

TEST_F(StoremanagerLargeGroups, AProductOutsideTheListRefusesTheListAtTheFirstProduct) {
  // The law names no listed current from the first product on: refused at once.
  SpectrumData* sd = currentsOnly("broken law", 64);
  IntList currents;
  initList(&currents, 64);
  for (int J = 0; J < 64; ++J) addToList(&currents, J);
  productCalls = 0;
  OutputCapture capture;
  SM_genericReorder(sd, &currents, outsideTheList, exclusiveOrAction, nullptr);
  EXPECT_NE(capture.diagnostics.find("Count discrepancy (0 != 64)"), std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(sd->scgroup->order, 1);
  EXPECT_EQ(productCalls, 1);
}

TEST_F(StoremanagerLargeGroups, CtrlCInARowOfSKeepsNothingOfItInTheOrbitMatrix) {
  // The Z2 orbifold of U(1) at 600 (307 fields): its S elements are computed one by one
  // (no Weyl-group row), and kept in the record's orbit S matrix once a row is complete.
  SpectrumData* sd = SM_getData(7, 300, 0);
  ASSERT_NE(sd, nullptr);
  const int n = sd->n_primaries;
  double re = 0.0, im = 0.0;
  SM_getS(sd, 0, 0, &re, &im);  // the orbit S matrix exists now
  ASSERT_TRUE(sd->sbase.held());
  std::vector<int> columns(static_cast<std::size_t>(n));
  for (int b = 0; b < n; ++b) columns[static_cast<std::size_t>(b)] = b;
  std::vector<double> rowRe(static_cast<std::size_t>(n)), rowIm(static_cast<std::size_t>(n));
  const int a = n - 1;
  installInterruptHandler();
  std::raise(SIGINT);  // as Ctrl-C at a terminal: the handler notes it
  EXPECT_THROW(SM_getSRow(sd, a, n, columns.data(), rowRe.data(), rowIm.data()), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  // Every element of the row is worked out afresh, and agrees with the direct sum.
  for (int b = 0; b < n; ++b) {
    double directRe = 0.0, directIm = 0.0;
    SM_computeSDirect(sd, a, b, &directRe, &directIm);
    SM_getS(sd, a, b, &re, &im);
    ASSERT_NEAR(re, directRe, 1e-7) << b;
    ASSERT_NEAR(im, directIm, 1e-7) << b;
  }
}
