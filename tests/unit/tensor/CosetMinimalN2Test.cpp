// The N=2 minimal model built as the coset A1_k x U(1)_4 / U(1)_(2(k+2)), checked against
// the N=2 minimal model the store makes directly (type 27), and the standard form of its
// labels.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "groups/Discrete.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"

namespace {

class CosetMinimalN2Test : public TensorTest {};

std::tuple<int, int, int> standardForm(int k, int l, int m, int s) {
  MapMinimal2(k, &l, &m, &s);
  return {l, m, s};
}

TEST_F(CosetMinimalN2Test, StandardFormOfLabels) {
  // m = -(l+1) is identified with (k-l, m+k+2, s+2): level 3, (0, -1, 0) -> (3, 4, 2).
  EXPECT_EQ(standardForm(3, 0, -1, 0), std::make_tuple(3, 4, 2));
  // m and s are reduced modulo 2(k+2) and 4, s = 3 written as -1.
  EXPECT_EQ(standardForm(1, 1, 6, 3), std::make_tuple(1, 0, -1));
  EXPECT_EQ(standardForm(2, 2, 2, 5), std::make_tuple(2, 2, 1));
  // |m| > l+1: level 2, (0, 3, 1) -> (2, 7 - 8, 3) = (2, -1, -1).
  EXPECT_EQ(standardForm(2, 0, 3, 1), std::make_tuple(2, -1, -1));
  // Level 1: m = k+2 = 3 lies in the range (-3, 3], but |m| > l+1 = 2, so (1, 3, 0) is
  // identified with (0, 0, 2).
  EXPECT_EQ(standardForm(1, 1, 3, 0), std::make_tuple(0, 0, 2));
}

TEST_F(CosetMinimalN2Test, FieldsAndWeightsAgreeWithTheStoredModel) {
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE(k);
    SpectrumData* coset = createMinimal2(k);
    ASSERT_NE(coset, nullptr);
    const std::string name = "minimal N=2 " + std::to_string(k);
    EXPECT_STREQ(coset->name, name.c_str());
    EXPECT_EQ(SM_findCFT(name.c_str()), coset);
    EXPECT_EQ(coset->type, kStoreTypeSpecialN2);
    EXPECT_EQ(coset->rank, 2);
    EXPECT_EQ(coset->level, k);
    EXPECT_EQ(coset->adjoint_dim, 1);
    // c = 3k/(k+2); 2(k+1)(k+2) fields after the field identification.
    EXPECT_NEAR(coset->c, 3.0 * k / (k + 2.0), 1e-7);
    ASSERT_EQ(coset->n_primaries, 2 * (k + 1) * (k + 2));
    EXPECT_EQ(coset->weight_den, 8 * (k + 2));
    ASSERT_GE(coset->rep_size, 3);

    SpectrumData* stored = SM_getData(kStoreTypeMinimalN2, 2, k);
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->n_primaries, coset->n_primaries);
    std::set<int> matched;
    for (int a = 0; a < coset->n_primaries; ++a) {
      const int* label = coset->labels + static_cast<std::size_t>(a) * coset->rep_size;
      // Every label is in standard form.
      EXPECT_EQ(standardForm(k, label[0], label[1], label[2]),
                std::make_tuple(label[0], label[1], label[2]))
          << a;
      const int b = SM_getLabelNoMessage(stored, label);
      ASSERT_GE(b, 0) << "(" << label[0] << "," << label[1] << "," << label[2] << ")";
      matched.insert(b);
      // Equal exact weights, not only modulo 1.
      EXPECT_EQ(static_cast<long long>(coset->weight_num[a]) * stored->weight_den,
                static_cast<long long>(stored->weight_num[b]) * coset->weight_den)
          << "(" << label[0] << "," << label[1] << "," << label[2] << ")";
    }
    // The labels name every stored field once.
    EXPECT_EQ(static_cast<int>(matched.size()), stored->n_primaries);
  }
}

TEST_F(CosetMinimalN2Test, KnownFieldsOfLevelOne) {
  // Level 1 (c = 1): the chiral primary (1, 1, 0) has h = q/2 = 1/6; the supercurrent
  // (0, 0, 2) has h = 3/2 and a two-dimensional ground state (G^+ and G^-); the Ramond
  // ground state (0, 1, 1) has h = c/24 = 1/24.
  SpectrumData* sd = createMinimal2(1);
  ASSERT_NE(sd, nullptr);
  auto weightOf = [sd](int l, int m, int s) {
    const int label[3] = {l, m, s};
    const int a = SM_getLabelNoMessage(sd, label);
    EXPECT_GE(a, 0) << l << " " << m << " " << s;
    return a < 0 ? -1.0 : static_cast<double>(sd->weight_num[a]) / sd->weight_den;
  };
  EXPECT_NEAR(weightOf(0, 0, 0), 0.0, 1e-12);
  EXPECT_NEAR(weightOf(1, 1, 0), 1.0 / 6.0, 1e-12);
  EXPECT_NEAR(weightOf(0, 0, 2), 1.5, 1e-12);
  EXPECT_NEAR(weightOf(0, 1, 1), 1.0 / 24.0, 1e-12);
  const int G[3] = {0, 0, 2};
  const int g = SM_getLabelNoMessage(sd, G);
  ASSERT_GE(g, 0);
  ASSERT_NE(sd->dims, nullptr);
  EXPECT_EQ(sd->dims[g], 2);
  EXPECT_EQ(sd->dims[0], 1);
}

TEST_F(CosetMinimalN2Test, MadeOnceAndFixedPointCurrentOfEvenLevels) {
  SpectrumData* odd = createMinimal2(1);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(createMinimal2(1), odd);
  // Level 1: current group of order 12, N/4 = 3 odd: no fixed points.
  ASSERT_NE(odd->scgroup, nullptr);
  EXPECT_EQ(odd->scgroup->order, 12);
  EXPECT_EQ(odd->n_fp_currents, 0);
  // Level 2: order 16, N/4 = 4 even, N/8 = 2 even: the fixed-point current is 3N/4 = 12.
  SpectrumData* even = createMinimal2(2);
  ASSERT_NE(even, nullptr);
  ASSERT_NE(even->scgroup, nullptr);
  EXPECT_EQ(even->scgroup->order, 16);
  ASSERT_EQ(even->n_fp_currents, 1);
  EXPECT_EQ(even->fp_currents[0], 12);
  // A level without a model is refused.
  EXPECT_EQ(createMinimal2(0), nullptr);
}

}  // namespace
