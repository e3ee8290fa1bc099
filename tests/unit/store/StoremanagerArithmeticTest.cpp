// Current arithmetic of stored theories: products and powers against the group action
// on fields, orders, stabilisers against orbit lengths, integer charges against the
// rational charges, the fusion and charge tables, and the twists and eta phases of
// fixed points against their definitions from S^J.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>
#include <vector>

#include "groups/Discrete.h"
#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerArithmetic : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

struct Theory {
  int type, rank, level;
};

const std::vector<Theory> kTheories = {{1, 3, 1}, {4, 4, 1}, {4, 5, 2}, {5, 6, 1}, {5, 7, 2},
                                       {27, 2, 2}, {27, 2, 3}, {7, 4, 0}, {7, 5, 0}};

TEST_F(StoremanagerArithmetic, ProductsAndPowersFormTheGroupOfTheRecord) {
  for (const Theory& t : kTheories) {
    SpectrumData* sd = SM_getData(t.type, t.rank, t.level);
    ASSERT_NE(sd, nullptr);
    const int G = sd->scgroup->order;
    for (int J = 0; J < G; ++J) {
      EXPECT_EQ(SM_SimpleCurrentFusion(sd, 0, J), J) << sd->name;
      bool hasInverse = false;
      for (int K = 0; K < G; ++K) {
        const int JK = SM_SimpleCurrentFusion(sd, J, K);
        // Current K is field K, so the product is the action of J on that field.
        EXPECT_EQ(JK, SM_SimpleAction(sd, J, K)) << sd->name << " " << J << " " << K;
        EXPECT_EQ(JK, SM_SimpleCurrentFusion(sd, K, J));
        if (t.type == 27) {
          EXPECT_EQ(JK, SM_MinimalSimpleCurrentFusion(sd, J, K));
        }
        hasInverse = hasInverse || JK == 0;
        for (int L = 0; L < G; ++L)
          EXPECT_EQ(SM_SimpleCurrentFusion(sd, JK, L), SM_SimpleCurrentFusion(sd, J, SM_SimpleCurrentFusion(sd, K, L)));
      }
      EXPECT_TRUE(hasInverse) << sd->name << " " << J;
      // Powers by repeated products; the order is the first power giving the identity.
      EXPECT_EQ(SM_SimpleCurrentPower(sd, J, 0), 0);
      EXPECT_EQ(SM_SimpleCurrentPower(sd, J, 1), J);
      int power = 0;
      int order = 0;
      for (int n = 1; n <= G; ++n) {
        power = SM_SimpleCurrentFusion(sd, power, J);
        EXPECT_EQ(SM_SimpleCurrentPower(sd, J, n), power) << sd->name << " " << J << "^" << n;
        if (t.type == 27) {
          EXPECT_EQ(SM_MinimalSimpleCurrentPower(sd, J, n), power);
        }
        if (power == 0 && order == 0) order = n;
      }
      EXPECT_EQ(SM_getCurrentOrder(sd, J), order) << sd->name << " " << J;
      EXPECT_EQ(G % order, 0);
    }
  }
}

TEST_F(StoremanagerArithmetic, MinimalModelCurrentsAtEvenLevel) {
  SpectrumData* sd = SM_getData(27, 2, 2);  // M = 2k + 4 = 8; J = 8 + x is (x, 1)
  EXPECT_EQ(SM_MinimalSimpleCurrentFusion(sd, 8 + 3, 8 + 6), 1);  // (3,1)(6,1) = (1,0)
  EXPECT_EQ(SM_MinimalSimpleCurrentFusion(sd, 8 + 3, 2), 8 + 5);
  EXPECT_EQ(SM_MinimalSimpleCurrentPower(sd, 8 + 3, 2), 6);
  EXPECT_EQ(SM_getCurrentOrder(sd, 8 + 3), 8);
  EXPECT_EQ(SM_getCurrentOrder(sd, 8), 2);
  SpectrumData* odd = SM_getData(27, 2, 3);  // cyclic of order 20
  EXPECT_EQ(SM_MinimalSimpleCurrentFusion(odd, 13, 9), 2);
  EXPECT_EQ(SM_MinimalSimpleCurrentPower(odd, 3, -1), 17);
  OutputCapture capture;
  EXPECT_EQ(SM_MinimalSimpleCurrentFusion(odd, 20, 1), -1);
  EXPECT_EQ(SM_MinimalSimpleCurrentFusion(SM_getData(1, 1, 1), 0, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Not an N=2 minimal model"));
}

TEST_F(StoremanagerArithmetic, TrivialGroupAndBadCurrents) {
  SpectrumData* trivial = SM_getData(1, 0, 0);
  EXPECT_EQ(SM_SimpleCurrentFusion(trivial, 0, 0), 0);
  EXPECT_EQ(SM_SimpleCurrentPower(trivial, 0, 5), 0);
  EXPECT_EQ(SM_getCurrentOrder(trivial, 0), 1);
  std::vector<int> stabilizer;
  EXPECT_EQ(SM_MakeStabilizer(trivial, 0, stabilizer), 1);
  EXPECT_EQ(stabilizer, std::vector<int>{0});
  EXPECT_EQ(SM_getIntegerRatCharge(trivial, 0, 0, 12), 0);
  EXPECT_EQ(SM_ReduceModuloStabilizer(trivial, 0, 0), 0);
  SpectrumData* a3 = SM_getData(1, 3, 1);
  EXPECT_EQ(SM_currentCheck(a3, 3), 1);
  EXPECT_EQ(SM_currentCheck(a3, 4), 0);
  EXPECT_EQ(SM_fieldCheck(a3, -1), 0);
  EXPECT_EQ(SM_fieldCheck(a3, 3), 1);
  OutputCapture capture;
  EXPECT_EQ(SM_SimpleCurrentFusion(a3, 4, 1), -1);
  EXPECT_EQ(SM_SimpleCurrentPower(a3, -2, 1), -1);
  EXPECT_EQ(SM_getCurrentOrder(a3, 9), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Field 4 is not a simple current"));
  EXPECT_EQ(SM_MakeStabilizer(a3, 17, stabilizer), -1);
}

TEST_F(StoremanagerArithmetic, StabilisersMatchOrbitLengths) {
  SpectrumData* a1 = SM_getData(1, 1, 2);
  std::vector<int> list;
  EXPECT_EQ(SM_MakeStabilizer(a1, 2, list), 2);
  EXPECT_EQ(list, (std::vector<int>{0, 1}));
  EXPECT_EQ(SM_ReduceModuloStabilizer(a1, 2, 1), 0);
  EXPECT_EQ(SM_ReduceModuloStabilizer(a1, 0, 1), 1);
  for (const Theory& t : std::vector<Theory>{{4, 4, 2}, {1, 3, 2}, {27, 2, 2}, {27, 2, 4}, {1, 5, 3}, {7, 6, 0}}) {
    SpectrumData* sd = SM_getData(t.type, t.rank, t.level);
    const int G = sd->scgroup->order;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int size = SM_MakeStabilizer(sd, a, list);
      ASSERT_GT(size, 0) << sd->name << " " << a;
      EXPECT_EQ(list[0], 0);
      // Every element fixes a, and orbit length x stabiliser order = group order.
      for (int s : list) EXPECT_EQ(SM_SimpleAction(sd, s, a), a) << sd->name << " " << a << " " << s;
      int length = 0;
      for (int b = 0; b < sd->n_primaries; ++b) length += sd->orbit_base[b] == sd->orbit_base[a] ? 1 : 0;
      EXPECT_EQ(size * length, G) << sd->name << " " << a;
    }
  }
}

TEST_F(StoremanagerArithmetic, EffectiveCentre) {
  // order(J) h(J): A1 level 1 2 x 1/4; level 2 2 x 1/2; A3 level 1: 4 x 3/8 and 2 x 1/2.
  EXPECT_EQ(SM_effectiveCenterCheck(SM_getData(1, 1, 1), 1), 0);
  EXPECT_EQ(SM_effectiveCenterCheck(SM_getData(1, 1, 2), 1), 1);
  SpectrumData* a3 = SM_getData(1, 3, 1);
  EXPECT_EQ(SM_effectiveCenterCheck(a3, 1), 0);
  EXPECT_EQ(SM_effectiveCenterCheck(a3, 2), 1);
  EXPECT_EQ(SM_effectiveCenterCheck(a3, 0), 1);
}

TEST_F(StoremanagerArithmetic, IntegerChargesAreScaledRationalCharges) {
  for (const Theory& t : std::vector<Theory>{{1, 2, 2}, {4, 4, 1}, {27, 2, 2}, {27, 2, 3}, {7, 3, 0}}) {
    SpectrumData* sd = SM_getData(t.type, t.rank, t.level);
    const int G = sd->scgroup->order;
    const int N = 4 * G * (t.type == 27 ? t.level + 2 : 1);
    for (int J = 0; J < G; ++J)
      for (int a = 0; a < sd->n_primaries; ++a) {
        Rat q;
        SM_getRatCharge(sd, J, a, &q);
        ASSERT_EQ(N % q.den, 0);
        EXPECT_EQ(SM_getIntegerRatCharge(sd, J, a, N), N / q.den * q.num) << sd->name << " " << J << " " << a;
      }
  }
  // The basic current of the N=2 minimal model: (2m - (k+2)s) / (4k+8); field 1 is
  // (0, 1, 1): (2 - 5) mod 20 = 17 at k = 3.
  SpectrumData* minimal = SM_getData(27, 2, 3);
  EXPECT_EQ(SM_getIntegerRatCharge(minimal, 1, 1, 20), 17);
  EXPECT_EQ(SM_getIntegerRatCharge(minimal, 1, 1, 40), 34);
  OutputCapture capture;
  SM_getIntegerRatCharge(minimal, 1, 1, 30);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid rational charge common denominator"));
}

TEST_F(StoremanagerArithmetic, FusionAndChargeTables) {
  SpectrumData* sd = SM_getData(1, 3, 2);
  const int G = sd->scgroup->order, n = sd->n_primaries;
  std::vector<int> products;
  for (int J = 0; J < G; ++J)
    for (int a = 0; a < n; ++a) products.push_back(SM_SimpleAction(sd, J, a));
  makeFusionTable(sd, 8);
  ASSERT_EQ(sd->fusion_available, 1);
  EXPECT_EQ(sd->charge_den, 8);
  for (int J = 0; J < G; ++J)
    for (int a = 0; a < n; ++a) {
      EXPECT_EQ(getResultFromFusionTable(sd, J, a), products[static_cast<std::size_t>(J * n + a)]);
      EXPECT_EQ(SM_SimpleAction(sd, J, a), products[static_cast<std::size_t>(J * n + a)]);
      EXPECT_EQ(getResultFromChargeTable(sd, J, a), SM_getIntegerRatCharge(sd, J, a, 8));
    }
  // The same denominator again does nothing; another one rebuilds both tables.
  const int kept = sd->charge_table[1];
  sd->charge_table[1] = 99;
  makeFusionTable(sd, 8);
  EXPECT_EQ(sd->charge_table[1], 99);
  makeFusionTable(sd, 16);
  EXPECT_EQ(sd->charge_den, 16);
  EXPECT_EQ(sd->charge_table[1], 2 * kept);
  OutputCapture capture;
  EXPECT_EQ(getResultFromFusionTable(sd, G, 0), -1);
  EXPECT_EQ(getResultFromChargeTable(sd, 0, n), -1);
  // 8 bytes per (current, field) pair: 8 x 131250001 = 1050000008 bytes is refused.
  SpectrumData* huge = allocateSpectrumData("huge");
  huge->n_primaries = 131250001;
  huge->scgroup = DG_trivial();
  capture.clear();
  makeFusionTable(huge, 4);
  EXPECT_TRUE(contains(capture.diagnostics, "Fusion table too large; not allocated"));
  EXPECT_EQ(huge->fusion_table, nullptr);
  EXPECT_EQ(huge->fusion_available, 0);
  EXPECT_EQ(getResultFromChargeTable(huge, 0, 0), -1);
}

TEST_F(StoremanagerArithmetic, FixedPointLookUps) {
  SpectrumData* sd = SM_getData(1, 1, 2);  // current 1 fixes field 2
  EXPECT_EQ(SM_getFixedPoint(sd, 0, 1), 1);
  EXPECT_EQ(SM_getFixedPoint(sd, 1, 0), 2);
  EXPECT_EQ(SM_checkFP(sd, 1, 2), 1);
  EXPECT_EQ(SM_checkFP(sd, 1, 0), 0);
  EXPECT_EQ(SM_checkFP(sd, 0, 0), 1);
  EXPECT_EQ(SM_getInducedCurrent(sd, 1, 0), 1);
  EXPECT_EQ(SM_getInducedCurrent(sd, 1, 1), 0);
  OutputCapture capture;
  EXPECT_EQ(SM_getFixedPoint(sd, 2, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "FCFT label out of range"));
  EXPECT_EQ(SM_getFixedPoint(sd, 1, 5), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Fixed point not found"));
  EXPECT_EQ(SM_checkFP(SM_getData(1, 2, 1), 1, 0), 0);  // no fixed points
}

TEST_F(StoremanagerArithmetic, TwistsFromWeightsAgreeWithTwistsFromSJ) {
  // A1 level 2: h(J) - h^J(J f) + h^J(0) = 1/2 for the trivial fixed-point theory, so the
  // twist is 2 quarters; from S^J: -4 Q_J(spin 1/2) = -2 = 2 mod 4.
  SpectrumData* a1 = SM_getData(1, 1, 2);
  EXPECT_NEAR(SM_getTwist(a1, 1, 1), 0.5, kTol);
  EXPECT_EQ(SM_getCurrentTwist(a1, 2, 1, 1), 2);
  EXPECT_EQ(SM_getGenericTwist(a1, 2, 1, 1), 2);
  EXPECT_EQ(SM_getTwist(a1, 0, 1), 0.0);
  for (const Theory& t : std::vector<Theory>{{1, 3, 2}, {1, 5, 2}, {4, 4, 2}, {4, 6, 2}, {2, 3, 2}, {3, 2, 2}}) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(t.type, t.rank, t.level);
    ASSERT_GT(SM_initFCFTData(sd), 0) << sd->name;
    const int G = sd->scgroup->order;
    for (int i = 0; i < sd->n_fp_currents; ++i) {
      const int J = sd->fp_currents[i];
      for (int a = 0; a < sd->n_primaries; ++a) {
        if (sd->fcft_labels[i * sd->n_primaries + a] < 0) continue;
        for (int K = 0; K < G; ++K) {
          EXPECT_EQ(SM_getCurrentTwist(sd, a, K, J), SM_getGenericTwist(sd, a, K, J))
              << sd->name << " a=" << a << " K=" << K << " J=" << J;
          EXPECT_EQ(SM_checkGenericTwist(sd, a, K, J), 0);
        }
      }
    }
    EXPECT_EQ(capture.diagnostics, "") << sd->name;
  }
}

TEST_F(StoremanagerArithmetic, TwistRefusals) {
  OutputCapture capture;
  SpectrumData* a2 = SM_getData(1, 2, 1);  // no fixed points
  EXPECT_EQ(SM_getCurrentTwist(a2, 0, 1, 1), 0);
  EXPECT_EQ(SM_getCurrentTwist(a2, 0, 1, 0), 0);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(SM_getGenericTwist(a2, 0, 1, 1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Current 1 has no fixed points"));
  SpectrumData* a1 = SM_getData(1, 1, 2);
  capture.clear();
  EXPECT_EQ(SM_getGenericTwist(a1, 0, 1, 1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected non-fixed-point field (current 1, field 0, algebra A1 level 2)"));
  capture.clear();
  EXPECT_EQ(SM_checkGenericTwist(a1, 1, 1, 1), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected non-fixed-point field (current 1, field 1)"));
}

TEST_F(StoremanagerArithmetic, EtaPhases) {
  // ((-shift) mod 4) / 4: A1 level 2 has shift 3, B2 level 1 shift 5.
  SpectrumData* a1 = SM_getData(1, 1, 2);
  Rat eta = SM_getEta(a1, 2, 1);
  EXPECT_EQ(std::make_pair(eta.num, eta.den), std::make_pair(1LL, 4LL));
  eta = SM_getGenericEta(a1, 2, 1);
  EXPECT_EQ(std::make_pair(eta.num, eta.den), std::make_pair(1LL, 4LL));
  SpectrumData* b2 = SM_getData(2, 2, 1);
  ASSERT_EQ(SM_getFCFTshift(b2, 1), 5);
  eta = SM_getEta(b2, 2, 1);
  EXPECT_EQ(std::make_pair(eta.num, eta.den), std::make_pair(3LL, 4LL));
  // The phase from S^J agrees with the shift rule for self-conjugate fixed points.
  for (const Theory& t : std::vector<Theory>{{1, 3, 2}, {4, 4, 2}, {2, 3, 1}, {3, 2, 1}, {1, 5, 2}}) {
    SpectrumData* sd = SM_getData(t.type, t.rank, t.level);
    ASSERT_GT(SM_initFCFTData(sd), 0) << sd->name;
    for (int i = 0; i < sd->n_fp_currents; ++i)
      for (int a = 0; a < sd->n_primaries; ++a) {
        if (sd->fcft_labels[i * sd->n_primaries + a] < 0 || SM_getConjugate(sd, a) != a) continue;
        const Rat rule = SM_getEta(sd, a, sd->fp_currents[i]);
        const Rat generic = SM_getGenericEta(sd, a, i + 1);
        EXPECT_EQ(std::make_pair(rule.num, rule.den), std::make_pair(generic.num, generic.den)) << sd->name << " " << a;
      }
  }
  eta = SM_getEta(SM_getData(1, 2, 1), 0, 1);
  EXPECT_EQ(std::make_pair(eta.num, eta.den), std::make_pair(0LL, 1LL));
  OutputCapture capture;
  eta = SM_getGenericEta(a1, 0, 1);
  EXPECT_EQ(std::make_pair(eta.num, eta.den), std::make_pair(0LL, 1LL));
  EXPECT_TRUE(contains(capture.diagnostics, "Field 0 not fixed by current"));
}

}  // namespace
