// The theories the store builds itself: the N=2 minimal models with their fixed-point
// theories, the c=1 orbifolds, complements, the Ising model and grading. Expected values
// come from the closed forms of these theories (field counts, central charges, weights,
// current groups) and from the modular identities every S matrix obeys: S unitary and
// symmetric, S^2 = C, (ST)^3 = S^2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "groups/Discrete.h"
#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerSpecial : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

const int* labelOf(const SpectrumData* sd, int a) { return sd->labels + static_cast<std::size_t>(a) * sd->rep_size; }

int fieldWithLabel(const SpectrumData* sd, std::vector<int> label) {
  for (int a = 0; a < sd->n_primaries; ++a)
    if (std::equal(label.begin(), label.end(), labelOf(sd, a))) return a;
  return -1;
}

long long floorMod(long long x, long long m) { return ((x % m) + m) % m; }

// Checks S unitary and symmetric, S^2 = C for the record's conjugates, (ST)^3 = S^2.
void expectModular(SpectrumData* sd) {
  const Matrix S = sMatrix(sd);
  const std::size_t n = S.size();
  EXPECT_LT(distance(multiply(S, adjoint(S)), identity(n)), kTol) << sd->name;
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = 0; b < n; ++b) EXPECT_LT(std::abs(S[a][b] - S[b][a]), kTol) << sd->name;
  const Matrix S2 = multiply(S, S);
  ASSERT_EQ(SM_initConjugates(sd), 1);
  std::vector<int> conjugates(sd->conjugates, sd->conjugates + n);
  EXPECT_LT(distance(S2, permutation(conjugates)), kTol) << sd->name;
  Matrix ST = S;
  const std::vector<Complex> T = tDiagonal(sd);
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = 0; b < n; ++b) ST[a][b] *= T[b];
  EXPECT_LT(distance(multiply(multiply(ST, ST), ST), S2), kTol) << sd->name;
}

// ---------------------------------------------------------------------------------------
// N=2 minimal models

TEST_F(StoremanagerSpecial, MinimalModelsAtLevelsOneAndTwo) {
  OutputCapture capture;
  SpectrumData* one = SM_getData(27, 2, 1);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->n_primaries, 12);
  EXPECT_EQ(one->scgroup->order, 12);
  ASSERT_EQ(one->scgroup->nfactors, 1);
  EXPECT_EQ(one->scgroup->factors[0], 12);
  EXPECT_EQ(one->n_orbits, 1);
  EXPECT_EQ(one->n_fp_currents, 0);
  EXPECT_EQ(one->validity, 3);
  EXPECT_EQ(one->weight_den, 24);  // 8(k+2)

  SpectrumData* two = SM_getData(27, 2, 2);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->n_primaries, 24);
  ASSERT_EQ(two->scgroup->nfactors, 2);
  EXPECT_EQ(two->scgroup->factors[0], 8);
  EXPECT_EQ(two->scgroup->factors[1], 2);
  EXPECT_EQ(two->n_orbits, 2);
  ASSERT_EQ(two->n_fp_currents, 1);
  EXPECT_EQ(two->fp_currents[0], 12);
  ASSERT_NE(two->fcft[0], nullptr);
  EXPECT_EQ(two->fcft[0]->type, 26);
  EXPECT_EQ(two->fcft_shift[0], 3);
  EXPECT_STREQ(two->fcft[0]->name, "FCFT minimal N=2 level=2");
  EXPECT_EQ(capture.diagnostics, "");
  // The same triple comes back from the store.
  EXPECT_EQ(SM_getData(27, 2, 1), one);
}

TEST_F(StoremanagerSpecial, MinimalModelFieldsAreTheStandardLabelsWithTheirWeights) {
  for (int k = 1; k <= 7; ++k) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr) << k;
    EXPECT_EQ(capture.diagnostics, "") << k;
    EXPECT_NEAR(sd->c, 3.0 * k / (k + 2), kTol) << k;
    EXPECT_EQ(sd->n_primaries, 2 * (k + 1) * (k + 2)) << k;
    EXPECT_EQ(sd->scgroup->order, 4 * (k + 2)) << k;
    EXPECT_EQ(sd->n_orbits, k % 2 == 1 ? (k + 1) / 2 : k / 2 + 1) << k;
    std::set<std::tuple<int, int, int>> seen;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int l = labelOf(sd, a)[0], m = labelOf(sd, a)[1], s = labelOf(sd, a)[2];
      // Standard form: m in (-(k+2), k+2], s in {-1, 0, 1, 2}, -(l+1) < m <= l+1.
      EXPECT_TRUE(l >= 0 && l <= k && m > -(k + 2) && m <= k + 2 && s >= -1 && s <= 2) << k << " " << a;
      EXPECT_TRUE(std::abs(m) <= l + 1 && m != -(l + 1)) << k << " " << a;
      EXPECT_EQ(floorMod(l + m + s, 2), 0) << k << " " << a;
      EXPECT_TRUE(seen.insert({l, m, s}).second) << k << " " << a;
      // h = l(l+2)/4(k+2) - m^2/4(k+2) + s^2/8 modulo 1, over 8(k+2).
      const long long formula = 2LL * l * (l + 2) - 2LL * m * m + static_cast<long long>(s) * s * (k + 2);
      EXPECT_EQ(floorMod(sd->weight_num[a] - formula, 8LL * (k + 2)), 0) << k << " " << a;
      EXPECT_EQ(sd->exact[a], 1);
    }
    // The basic current (0, 1, 1) is field 1 with h = c/24 = k / 8(k+2); (0, 0, 2) has
    // h = 3/2.
    EXPECT_EQ(fieldWithLabel(sd, {0, 1, 1}), 1);
    EXPECT_EQ(sd->weight_num[1], k);
    EXPECT_EQ(sd->weight_num[fieldWithLabel(sd, {0, 0, 2})], 12 * (k + 2));
  }
}

TEST_F(StoremanagerSpecial, MinimalModelModularDataAndOrbitCharges) {
  for (int k = 1; k <= 4; ++k) {
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr);
    OutputCapture capture;
    // S through the orbit matrix and charge phases equals the direct formula.
    EXPECT_EQ(SM_check_orbits(sd), 1) << k;
    expectModular(sd);
    EXPECT_EQ(capture.diagnostics, "") << k;
  }
}

TEST_F(StoremanagerSpecial, MinimalModelGradingGravitinoAndU1Charges) {
  for (int k = 1; k <= 6; ++k) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr);
    const int K = k + 2;
    const long long D = 8LL * K;
    ASSERT_EQ(sd->graded, 1) << k;
    EXPECT_EQ(sd->grade_current, k % 4 != 0 ? 2 * K : 3 * K) << k;
    EXPECT_EQ(sd->grade_current, fieldWithLabel(sd, {0, 0, 2})) << k;
    int chiral = 0, antichiral = 0, ramondGround = 0;
    for (int a = 0; a < sd->n_primaries; ++a) {
      int l = labelOf(sd, a)[0], m = labelOf(sd, a)[1], s = labelOf(sd, a)[2];
      EXPECT_EQ(sd->grading[a], s % 2 == 0 ? 'N' : 'R') << k << " " << a;
      // The multiplet partner carries s + 2; the gravitino action adds (0, 1, 1).
      int pl = l, pm = m, ps = s + 2;
      SM_mapMinimal2(k, &pl, &pm, &ps);
      EXPECT_EQ(sd->n2_multiplets[a], fieldWithLabel(sd, {pl, pm, ps})) << k << " " << a;
      int gl = l, gm = m + 1, gs = s + 1;
      SM_mapMinimal2(k, &gl, &gm, &gs);
      EXPECT_EQ(SM_getGravitinoImage(sd, a), fieldWithLabel(sd, {gl, gm, gs})) << k << " " << a;
      // U(1) charge q = m/(k+2) - s/2 modulo 2, over D = 8(k+2); a field of dimension 2
      // holds the two charges q +- 1 around the stored q.
      const long long q = SM_getMinimalCharge(sd, a);
      EXPECT_EQ(floorMod(q - (8LL * m - 4LL * s * K), 2 * D), sd->dims[a] == 2 ? D : 0) << k << " " << a;
      const long long w = sd->weight_num[a];
      if (s % 2 == 0) {
        EXPECT_GE(2 * w, std::llabs(q) + (sd->dims[a] == 2 ? D : 0)) << k << " " << a;  // h >= |q|/2
        chiral += 2 * w == q ? 1 : 0;
        antichiral += 2 * w == -q ? 1 : 0;
      } else {
        EXPECT_GE(w, k) << k << " " << a;  // h >= c/24
        ramondGround += w == k ? 1 : 0;
      }
    }
    // k + 1 chiral and antichiral primaries (the vacuum is both) and k + 1 Ramond ground
    // states (the Witten index).
    EXPECT_EQ(chiral, k + 1) << k;
    EXPECT_EQ(antichiral, k + 1) << k;
    EXPECT_EQ(ramondGround, k + 1) << k;
    EXPECT_EQ(capture.diagnostics, "") << k;
  }
}

TEST_F(StoremanagerSpecial, MinimalModelFixedPointTheory) {
  for (int k : {2, 4, 6}) {
    SpectrumData* sd = SM_getData(27, 2, k);
    ASSERT_NE(sd, nullptr);
    const int K = k + 2;
    ASSERT_EQ(sd->n_fp_currents, 1);
    EXPECT_EQ(sd->fp_currents[0], (K / 2) % 2 == 1 ? K : 3 * K) << k;
    SpectrumData* f = sd->fcft[0];
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->type, 26);
    EXPECT_EQ(f->rank, 2);
    EXPECT_EQ(f->level, k);
    EXPECT_EQ(sd->fcft_shift[0], 3 * k / 2);
    EXPECT_NEAR(f->c, sd->c + 3 * k / 2, kTol);
    // The fixed points are the fields with 2l = k: an orbit of 2(k+2) fields.
    ASSERT_EQ(f->n_primaries, 2 * K);
    int next = 0;
    std::set<int> mPrimes;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const bool fixed = 2 * labelOf(sd, a)[0] == k;
      EXPECT_EQ(sd->fcft_labels[a], fixed ? next : -1) << k << " " << a;
      if (!fixed) continue;
      EXPECT_EQ(SM_SimpleAction(sd, sd->fp_currents[0], a), a) << k << " " << a;
      const int* label = labelOf(f, next);
      EXPECT_EQ(label[0], k);
      EXPECT_TRUE(label[1] == 0 || label[1] == 1);
      EXPECT_TRUE(label[2] >= 0 && label[2] < 2 * K);
      mPrimes.insert(label[2]);
      EXPECT_EQ(f->weight_num[next], floorMod(sd->weight_num[a], sd->weight_den));
      ++next;
    }
    EXPECT_EQ(static_cast<int>(mPrimes.size()), 2 * K);  // m' tells the fixed points apart
    // S^J of the fixed-point theory is unitary.
    const Matrix S = sMatrix(f);
    EXPECT_LT(distance(multiply(S, adjoint(S)), identity(S.size())), kTol) << k;
  }
}

TEST_F(StoremanagerSpecial, MinimalLabelsAndCurrentFusion) {
  // (0, 6, 0) at k = 1 reduces m modulo 6; (0, -1, 0) meets m = -(l+1) and is identified
  // with (1, 2, 2); s = 3 becomes -1.
  int l = 0, m = 6, s = 0;
  SM_mapMinimal2(1, &l, &m, &s);
  EXPECT_EQ(std::make_tuple(l, m, s), std::make_tuple(0, 0, 0));
  l = 0, m = -1, s = 0;
  SM_mapMinimal2(1, &l, &m, &s);
  EXPECT_EQ(std::make_tuple(l, m, s), std::make_tuple(1, 2, 2));
  l = 1, m = 0, s = 3;
  SM_mapMinimal2(1, &l, &m, &s);
  EXPECT_EQ(std::make_tuple(l, m, s), std::make_tuple(1, 0, -1));
  // A current with l_J = k turns l into k - l; charges add modulo 4(k+2) (odd k) or
  // modulo (2(k+2), 2) (even k).
  const int J[3] = {3, 0, 0}, a[3] = {1, 0, 0};
  int out[3];
  int q[2] = {-1, -1};
  const int qa[2] = {7, 1}, qJ[2] = {5, 1};
  SM_minimal_simple_fusion(out, J, a, q, qa, qJ, 4);
  EXPECT_EQ(std::make_tuple(out[0], out[1], out[2]), std::make_tuple(3, 0, 0));
  EXPECT_EQ(q[0], 0);  // 12 mod 12
  EXPECT_EQ(q[1], 0);  // 2 mod 2
  SM_minimal_simple_fusion(out, J, a, q, qa, qJ, 3);
  EXPECT_EQ(q[0], 12);  // 12 mod 20
  SpectrumData* sd = SM_getData(27, 2, 3);
  int mm = 0, ss = 0;
  EXPECT_EQ(getAffineRep(sd, 1, &mm, &ss), 0);
  EXPECT_EQ(std::make_pair(mm, ss), std::make_pair(1, 1));
}

TEST_F(StoremanagerSpecial, MinimalModelRefusesBadLevels) {
  OutputCapture capture;
  EXPECT_EQ(SM_getData(27, 2, -3), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid input data")) << capture.diagnostics;
  SpectrumData* orbifold = SM_getData(7, 4, 0);
  ASSERT_NE(orbifold, nullptr);
  capture.clear();
  EXPECT_EQ(SM_create_minimal_FCFT(orbifold, 3), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid call to SM_create_minimal_FCFT"));
}

// ---------------------------------------------------------------------------------------
// c=1 orbifolds

TEST_F(StoremanagerSpecial, OrbifoldFieldsWeightsAndModularData) {
  for (int N = 1; N <= 8; ++N) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(7, N, 0);
    ASSERT_NE(sd, nullptr) << N;
    EXPECT_EQ(sd->n_primaries, N + 7) << N;
    EXPECT_EQ(sd->type, 7);
    EXPECT_EQ(sd->c, 1.0);
    EXPECT_EQ(sd->complex, N % 2);
    EXPECT_EQ(sd->weight_den, 16 * N);
    EXPECT_EQ(sd->scgroup->order, 4);
    EXPECT_EQ(sd->scgroup->nfactors, N % 2 == 1 ? 1 : 2) << N;  // Z4 or Z2 x Z2
    // h(0,0) = 0, h(0,1) = h(0,3) = N/4, h(0,2) = 1, h(1,i) = i^2/4N, twisted 1/16, 9/16.
    int untwisted = 0;
    for (int a = 0; a < sd->n_primaries; ++a) {
      const int t = labelOf(sd, a)[0], x = labelOf(sd, a)[1];
      double h = 0.0;
      switch (t) {
        case 0: h = x == 0 ? 0.0 : (x == 2 ? 1.0 : N / 4.0); break;
        case 1: h = x * x / (4.0 * N); ++untwisted; break;
        case 2: h = 1.0 / 16; break;
        default: h = 9.0 / 16; break;
      }
      EXPECT_NEAR(SM_realWeight(sd, a), h, kTol) << N << " " << a;
    }
    EXPECT_EQ(untwisted, N - 1);
    // The currents are the four fields (0, x); element 2 is the current of weight 1.
    for (int J = 0; J < 4; ++J) EXPECT_EQ(labelOf(sd, J)[0], 0);
    EXPECT_EQ(labelOf(sd, 2)[1], 2);
    expectModular(sd);
    EXPECT_EQ(capture.diagnostics, "") << N;
  }
}

TEST_F(StoremanagerSpecial, OrbifoldFixedPointTheories) {
  SpectrumData* sd = SM_getData(7, 4, 0);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(SM_initFCFTData(sd), 3);
  const int expectedCurrents[3] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sd->fp_currents[i], expectedCurrents[i]);
  for (int i : {0, 2}) {
    SpectrumData* f = sd->fcft[i];
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::make_tuple(f->type, f->rank, f->level), std::make_tuple(2, 1, 1)) << i;  // B1 level 1
    EXPECT_EQ(sd->fcft_shift[i], 2);
  }
  SpectrumData* complement = sd->fcft[1];
  ASSERT_NE(complement, nullptr);
  EXPECT_EQ(complement->type, 8);
  ASSERT_NE(complement->base, nullptr);
  EXPECT_EQ(std::make_tuple(complement->base->type, complement->base->rank, complement->base->level),
            std::make_tuple(3, 2, 1));  // C2 level 1
  EXPECT_EQ(sd->fcft_shift[1], 10);
}

TEST_F(StoremanagerSpecial, OrbifoldFixedPointLabelsResolveExactlyTheFixedFields) {
  for (int N : {2, 3, 4, 5, 6, 8, 10}) {
    OutputCapture capture;
    SpectrumData* sd = SM_getData(7, N, 0);
    ASSERT_NE(sd, nullptr);
    const int count = SM_initFCFTData(sd);
    ASSERT_EQ(count, N % 2 == 1 ? 1 : 3) << N;
    for (int i = 0; i < count; ++i) {
      const int J = sd->fp_currents[i];
      SpectrumData* f = sd->fcft[i];
      ASSERT_NE(f, nullptr) << N;
      std::set<int> images;
      for (int a = 0; a < sd->n_primaries; ++a) {
        const int label = sd->fcft_labels[i * sd->n_primaries + a];
        EXPECT_EQ(label >= 0, SM_SimpleAction(sd, J, a) == a) << N << " J=" << J << " a=" << a;
        if (label >= 0) images.insert(label);
      }
      // A bijection of the fixed points onto the fields of the fixed-point theory.
      EXPECT_EQ(static_cast<int>(images.size()), f->n_primaries) << N << " J=" << J;
      // Every fixed point has the same twist for every column of S^J.
      for (int a = 0; a < sd->n_primaries; ++a) {
        if (sd->fcft_labels[i * sd->n_primaries + a] < 0) continue;
        for (int K = 0; K < 4; ++K) EXPECT_EQ(SM_checkGenericTwist(sd, a, K, J), 0) << N << " " << a << " " << K;
      }
    }
    EXPECT_EQ(capture.diagnostics, "") << N;
  }
}

TEST_F(StoremanagerSpecial, OrbifoldRefusesNonPositiveParameter) {
  OutputCapture capture;
  EXPECT_EQ(SM_getData(7, 0, 0), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid input data"));
  const int label[2] = {0, 5};
  EXPECT_EQ(SM_OrbifoldWeight(label, 3), -1);
}

// ---------------------------------------------------------------------------------------
// Complements, Ising, grading

TEST_F(StoremanagerSpecial, ComplementNegatesWeightsAndConjugatesS) {
  SpectrumData* base = SM_getData(1, 2, 1);
  ASSERT_NE(base, nullptr);
  SpectrumData* c = SM_getComplement(base, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->name, "A2 level 1_compl");
  EXPECT_EQ(c->type, 8);
  EXPECT_EQ(c->base, base);
  EXPECT_NEAR(c->c, -2.0, kTol);
  EXPECT_EQ(c->validity, 2);
  EXPECT_EQ(c->weights_exact, 0);
  EXPECT_EQ(c->labels, base->labels);
  for (int a = 0; a < base->n_primaries; ++a) EXPECT_EQ(c->weight_num[a], -base->weight_num[a]);
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) {
      double re, im, cre, cim;
      SM_getS(base, a, b, &re, &im);
      SM_getS(c, a, b, &cre, &cim);
      EXPECT_NEAR(cre, re, kTol);
      EXPECT_NEAR(cim, -im, kTol);
    }
  EXPECT_EQ(SM_getComplement(base, nullptr), c);
  // Records with the same (type, rank, level) but different bases get their own
  // complements.
  SpectrumData* first = allocateSpectrumData("first");
  SpectrumData* second = allocateSpectrumData("second");
  for (SpectrumData* sd : {first, second}) {
    sd->type = 9, sd->rank = 0, sd->level = 0, sd->n_primaries = 1, sd->validity = 3;
    SM_allocFieldInfo_Weights(sd);
  }
  SpectrumData* firstComplement = SM_getComplement(first, nullptr);
  SpectrumData* secondComplement = SM_getComplement(second, nullptr);
  EXPECT_NE(firstComplement, secondComplement);
  EXPECT_EQ(secondComplement->base, second);
  EXPECT_EQ(SM_getComplement(first, nullptr), firstComplement);
}

TEST_F(StoremanagerSpecial, IsingS) {
  SpectrumData* ising = SM_getData(2, 0, 1);
  ASSERT_NE(ising, nullptr);
  ASSERT_EQ(ising->n_primaries, 3);
  const int vacuum = 0, epsilon = fieldWithLabel(ising, {2}), sigma = fieldWithLabel(ising, {1});
  auto S = [&](int a, int b) {
    double re, im;
    SM_computeIsingS(ising, a, b, &re, &im);
    EXPECT_EQ(im, 0.0);
    return re;
  };
  EXPECT_NEAR(S(vacuum, vacuum), 0.5, kTol);
  EXPECT_NEAR(S(vacuum, epsilon), 0.5, kTol);
  EXPECT_NEAR(S(epsilon, epsilon), 0.5, kTol);
  EXPECT_NEAR(S(vacuum, sigma), 1 / std::sqrt(2.0), kTol);
  EXPECT_NEAR(S(sigma, sigma), 0.0, kTol);
  EXPECT_NEAR(S(sigma, epsilon), -1 / std::sqrt(2.0), kTol);
  expectModular(ising);
}

TEST_F(StoremanagerSpecial, GradingRefusalsAndSuccess) {
  OutputCapture capture;
  SpectrumData* a2 = SM_getData(1, 2, 1);
  EXPECT_EQ(SM_grade(a2, 1), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Grade current should have order 2"));
  EXPECT_EQ(a2->graded, 0);
  capture.clear();
  SpectrumData* a1 = SM_getData(1, 1, 1);  // the current has h = 1/4
  EXPECT_EQ(SM_grade(a1, 1), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Grade current should have (half)-integer spin"));
  capture.clear();
  SpectrumData* a1Two = SM_getData(1, 1, 2);  // h = 1/2, but it fixes the spin-1/2 field
  EXPECT_EQ(SM_grade(a1Two, 1), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "Current 1 has fixed points and cannot be used as grade current"));
  EXPECT_EQ(a1Two->grading, nullptr);
  EXPECT_EQ(a1Two->graded, 0);
  // D5 level 1: the vector current (element 2, h = 1/2) grades the spinors as R.
  SpectrumData* d5 = SM_getData(4, 5, 1);
  ASSERT_EQ(d5->n_primaries, 4);
  EXPECT_EQ(SM_grade(d5, 2), -1);
  EXPECT_EQ(d5->grade_current, 2);
  EXPECT_EQ(std::string(d5->grading, 4), "NRNR");
  EXPECT_EQ(d5->n2_multiplets[0], 2);
  EXPECT_EQ(d5->n2_multiplets[1], 3);
  // A graded record keeps its first grading.
  EXPECT_EQ(SM_grade(d5, 0), -1);
  EXPECT_EQ(d5->grade_current, 2);
}

}  // namespace
