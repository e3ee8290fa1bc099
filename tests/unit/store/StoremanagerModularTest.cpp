// S, T and P of stored theories: S from the orbit S matrix and charge phases against the
// direct Weyl-group sum for every pair, T against the Casimir weight, P symmetric and
// unitary with P^2 = C = S^2, the orbit S matrix and its accounts, exact charges, traces,
// complements, refusals and bad indices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "numbers/MathUtility.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

using Complex = std::complex<double>;
constexpr double kTol = 1e-7;

struct Algebra {
  int type;
  int rank;
};

// A1..A4, B2, B3, C2, C3, D4, D5, G2, F4, E6, E7.
const Algebra kSweep[] = {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 2}, {2, 3}, {3, 2}, {3, 3},
                          {4, 4}, {4, 5}, {5, 2}, {5, 4}, {5, 6}, {5, 7}};

class StoremanagerModular : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

Complex S(SpectrumData* sd, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getS(sd, a, b, &re, &im);
  return {re, im};
}

Complex P(SpectrumData* sd, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getP(sd, a, b, &re, &im);
  return {re, im};
}

Complex T(SpectrumData* sd, int a, int b) {
  double re = 0.0, im = 0.0;
  SM_getT(sd, a, b, &re, &im);
  return {re, im};
}

Complex direct(SpectrumData* sd, int a, int b) {
  double re = 0.0, im = 0.0;
  SDirect(sd->type, sd->rank, sd->level, SM_getRep(sd, a), SM_getRep(sd, b), &re, &im);
  return {re, im};
}

bool near(Complex x, Complex y) { return std::abs(x - y) < kTol; }

std::string nameOf(const SpectrumData* sd) { return sd->name; }

// Full matrices of one record.
std::vector<Complex> matrix(SpectrumData* sd, Complex (*element)(SpectrumData*, int, int)) {
  const int n = sd->n_primaries;
  std::vector<Complex> m(static_cast<std::size_t>(n) * n);
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) m[static_cast<std::size_t>(a) * n + b] = element(sd, a, b);
  return m;
}

std::vector<Complex> multiply(const std::vector<Complex>& x, const std::vector<Complex>& y, int n) {
  std::vector<Complex> z(static_cast<std::size_t>(n) * n);
  for (int a = 0; a < n; ++a)
    for (int c = 0; c < n; ++c)
      for (int b = 0; b < n; ++b)
        z[static_cast<std::size_t>(a) * n + b] += x[static_cast<std::size_t>(a) * n + c] * y[static_cast<std::size_t>(c) * n + b];
  return z;
}

TEST_F(StoremanagerModular, OrbitSWithChargePhasesEqualsTheDirectSumForEveryPair) {
  for (const Algebra& alg : kSweep) {
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(alg.type, alg.rank, level);
      ASSERT_NE(sd, nullptr);
      ASSERT_EQ(sd->use_orbits, 1);
      for (int a = 0; a < sd->n_primaries; ++a)
        for (int b = 0; b < sd->n_primaries; ++b)
          ASSERT_TRUE(near(S(sd, a, b), direct(sd, a, b))) << nameOf(sd) << " S(" << a << "," << b << ")";
    }
  }
}

// Row a of S through SM_getSRow, every column once (and one column out of range).
std::vector<Complex> row(SpectrumData* sd, int a, std::vector<int> columns) {
  std::vector<double> re(columns.size(), -5.0), im(columns.size(), -5.0);
  SM_getSRow(sd, a, static_cast<int>(columns.size()), columns.data(), re.data(), im.data());
  std::vector<Complex> values;
  for (std::size_t k = 0; k < columns.size(); ++k) values.emplace_back(re[k], im[k]);
  return values;
}

TEST_F(StoremanagerModular, ARowEqualsItsElementsWithoutAllocatingTheOrbitMatrix) {
  // Real and complex theories, with fixed points (A1, D4) and without currents (G2).
  const int algebras[][3] = {{1, 1, 7}, {1, 2, 4}, {1, 3, 3}, {4, 4, 2}, {5, 2, 3}, {2, 3, 2}};
  for (const auto& alg : algebras) {
    SpectrumData* sd = SM_getData(alg[0], alg[1], alg[2]);
    ASSERT_NE(sd, nullptr);
    const int n = sd->n_primaries;
    std::vector<int> columns(static_cast<std::size_t>(n));
    // Out of order, with repeats where 3 divides n.
    for (int b = 0; b < n; ++b) columns[static_cast<std::size_t>(b)] = (3 * b + 1) % n;
    for (int a = 0; a < n; ++a) {
      const std::vector<Complex> values = row(sd, a, columns);
      for (int k = 0; k < n; ++k)
        ASSERT_TRUE(near(values[static_cast<std::size_t>(k)],
                         direct(sd, a, columns[static_cast<std::size_t>(k)])))
            << nameOf(sd) << " S(" << a << "," << columns[static_cast<std::size_t>(k)] << ")";
    }
    EXPECT_FALSE(sd->sbase.held()) << nameOf(sd);
    // Once the matrix exists a row reads what it holds and fills in the rest.
    S(sd, 0, 0);
    ASSERT_TRUE(sd->sbase.held());
    const std::vector<Complex> values = row(sd, n - 1, columns);
    for (int k = 0; k < n; ++k) {
      const int b = columns[static_cast<std::size_t>(k)];
      EXPECT_TRUE(near(values[static_cast<std::size_t>(k)], S(sd, n - 1, b)))
          << nameOf(sd) << " " << b;
    }
    const bool orbits = sd->scgroup != nullptr && sd->scgroup->nfactors > 0;
    const std::uint64_t p = static_cast<std::uint64_t>(orbits ? sd->orbit_number[n - 1] : n - 1);
    for (int b : columns) {
      const std::uint64_t q = static_cast<std::uint64_t>(orbits ? sd->orbit_number[b] : b);
      const std::uint64_t lo = std::min(p, q), hi = std::max(p, q);
      const std::uint64_t index =
          sd->symmetric == 1 ? lo + hi * (hi + 1) / 2 : q + sd->n_orbits * p;
      EXPECT_NE(sd->sbase.at(index), kSBaseNotComputed) << nameOf(sd) << " " << b;
    }
  }
}

TEST_F(StoremanagerModular, ARowRefusesColumnsOutOfRangeAndGoesOn) {
  SpectrumData* sd = SM_getData(1, 1, 4);
  OutputCapture capture;
  const std::vector<Complex> values = row(sd, 1, {0, 7, 2, -1});
  EXPECT_TRUE(near(values[0], direct(sd, 1, 0)));
  EXPECT_EQ(values[1], Complex(0.0, 0.0));
  EXPECT_TRUE(near(values[2], direct(sd, 1, 2)));
  EXPECT_EQ(values[3], Complex(0.0, 0.0));
  EXPECT_NE(capture.diagnostics.find("Primary out of range (7 > 5)"), std::string::npos)
      << capture.diagnostics;
  capture.clear();
  EXPECT_EQ(row(sd, 9, {0, 1}), std::vector<Complex>(2, Complex(0.0, 0.0)));
  EXPECT_NE(capture.diagnostics.find("Primary out of range (9 > 5)"), std::string::npos);
}

TEST_F(StoremanagerModular, TIsDiagonalWithTheCasimirWeight) {
  for (const Algebra& alg : kSweep) {
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(alg.type, alg.rank, level);
      ASSERT_NE(sd, nullptr);
      const int h = dualCoxeter(alg.type, alg.rank);
      // c = k dim / (k + h), h_a = C2(a) / (k + h).
      EXPECT_NEAR(sd->c, static_cast<double>(level) * sd->adjoint_dim / (level + h), kTol) << nameOf(sd);
      for (int a = 0; a < sd->n_primaries; ++a) {
        Rat casimir = RCasimir(SM_getRep(sd, a), alg.type, alg.rank);
        const double weight = static_cast<double>(casimir.num) / casimir.den / (level + h);
        const double phase = 2.0 * M_PI * (weight - sd->c / 24.0);
        EXPECT_TRUE(near(T(sd, a, a), Complex(std::cos(phase), std::sin(phase)))) << nameOf(sd) << " field " << a;
        const int b = (a + 1) % sd->n_primaries;
        if (b != a) {
          EXPECT_EQ(T(sd, a, b), Complex(0.0, 0.0));
        }
      }
    }
  }
}

TEST_F(StoremanagerModular, PIsSymmetricUnitaryAndSquaresToTheChargeConjugation) {
  for (const Algebra& alg : kSweep) {
    for (int level = 1; level <= 3; ++level) {
      SpectrumData* sd = SM_getData(alg.type, alg.rank, level);
      ASSERT_NE(sd, nullptr);
      const int n = sd->n_primaries;
      std::vector<Complex> s = matrix(sd, S);
      std::vector<Complex> p = matrix(sd, P);
      std::vector<Complex> C = multiply(s, s, n);  // S^2 = C
      std::vector<Complex> p2 = multiply(p, p, n);
      ASSERT_EQ(SM_initConjugates(sd), 1);
      for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
          const std::size_t ab = static_cast<std::size_t>(a) * n + b;
          const std::size_t ba = static_cast<std::size_t>(b) * n + a;
          EXPECT_TRUE(near(p[ab], p[ba])) << nameOf(sd) << " P symmetric " << a << "," << b;
          Complex unit;
          for (int c = 0; c < n; ++c) unit += p[static_cast<std::size_t>(a) * n + c] * std::conj(p[static_cast<std::size_t>(b) * n + c]);
          EXPECT_TRUE(near(unit, a == b ? 1.0 : 0.0)) << nameOf(sd) << " P unitary " << a << "," << b;
          EXPECT_TRUE(near(p2[ab], C[ab])) << nameOf(sd) << " P^2 " << a << "," << b;
          EXPECT_TRUE(near(C[ab], sd->conjugates[a] == b ? 1.0 : 0.0)) << nameOf(sd) << " C " << a << "," << b;
        }
      }
    }
  }
}

TEST_F(StoremanagerModular, E8LevelTwoHasTheIsingMatrixUpToFieldOrder) {
  SpectrumData* sd = SM_getData(5, 8, 2);
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->n_primaries, 3);
  // Weights 0, 15/16 (sigma) and 3/2 (psi): c = 248 * 2 / 32 = 31/2.
  int sigma = -1, psi = -1;
  for (int a = 1; a < 3; ++a) {
    Rat h;
    ASSERT_EQ(SM_getRatWeight(sd, a, &h), 1);
    if (h.num == 15 && h.den == 16) sigma = a;
    if (h.num == 3 && h.den == 2) psi = a;
  }
  ASSERT_GE(sigma, 0);
  ASSERT_GE(psi, 0);
  const double r = 1.0 / std::sqrt(2.0);
  EXPECT_TRUE(near(S(sd, 0, 0), 0.5));
  EXPECT_TRUE(near(S(sd, 0, sigma), r));
  EXPECT_TRUE(near(S(sd, 0, psi), 0.5));
  EXPECT_TRUE(near(S(sd, sigma, 0), r));
  EXPECT_TRUE(near(S(sd, sigma, sigma), 0.0));
  EXPECT_TRUE(near(S(sd, sigma, psi), -r));
  EXPECT_TRUE(near(S(sd, psi, sigma), -r));
  EXPECT_TRUE(near(S(sd, psi, psi), 0.5));
  EXPECT_NEAR(sd->c, 15.5, kTol);
}

TEST_F(StoremanagerModular, OneDirectComputationPerPairOfOrbits) {
  SpectrumData* sd = SM_getData(1, 2, 1);  // three fields in one orbit of Z3
  ASSERT_EQ(sd->n_orbits, 1);
  SM_set_S_CALL_TRACE(1);
  OutputCapture capture;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) S(sd, a, b);
  SM_set_S_CALL_TRACE(0);
  std::size_t count = 0;
  for (std::size_t at = capture.stdoutText.find("SM_computeSDirect for algebra A2 level 1\n"); at != std::string::npos;
       at = capture.stdoutText.find("SM_computeSDirect for algebra", at + 1))
    ++count;
  EXPECT_EQ(count, 1u);
  // One orbit pair of a complex theory: a real and an imaginary double, on the S account.
  EXPECT_EQ(sd->s_alloc.bytesHeld(), 2 * sizeof(double));
  EXPECT_EQ(std::string(sd->s_alloc.name), "S-matrix A2 level 1");
  EXPECT_GE(SM_getSBaseAlloc(), static_cast<long long>(2 * sizeof(double)));
}

TEST_F(StoremanagerModular, AStoredElementIsReadWithoutPhaseForATrivialGroup) {
  SpectrumData* sd = SM_getData(5, 2, 2);  // G2 level 2: no simple currents
  ASSERT_EQ(sd->scgroup->order, 1);
  ASSERT_EQ(sd->n_orbits, sd->n_primaries);
  for (int a = 0; a < sd->n_primaries; ++a)
    for (int b = 0; b < sd->n_primaries; ++b) EXPECT_TRUE(near(S(sd, a, b), direct(sd, a, b)));
  // Real and symmetric: the triangle of m(m+1)/2 doubles.
  const std::size_t m = static_cast<std::size_t>(sd->n_orbits);
  EXPECT_EQ(sd->s_alloc.bytesHeld(), m * (m + 1) / 2 * sizeof(double));
}

TEST_F(StoremanagerModular, RootOfTSquaresToTAndTracesOfA1) {
  SpectrumData* sd = SM_getData(1, 1, 1);
  for (int a = 0; a < sd->n_primaries; ++a) {
    double re, im;
    SM_getrootT(sd, a, a, &re, &im);
    Complex root(re, im);
    EXPECT_TRUE(near(root * root, T(sd, a, a)));
  }
  // S of A1 level 1 is [[1, 1], [1, -1]] / sqrt 2: trace 0.
  double re, im;
  SM_computeTraceS(sd, &re, &im);
  EXPECT_NEAR(re, 0.0, kTol);
  EXPECT_NEAR(im, 0.0, kTol);
  SM_computeTraceS(nullptr, &re, &im);
  EXPECT_EQ(re, 0.0);
  // With N = 0 the sum is sum_ab S_ab S_ba = trace S^2 = trace C = 2 (S symmetric).
  SM_computeTraceS2TN(sd, &re, &im, 0);
  EXPECT_NEAR(re, 2.0, kTol);
  EXPECT_NEAR(im, 0.0, kTol);
}

TEST_F(StoremanagerModular, ChargesFromTheTableEqualTheWeightDifferencesModOne) {
  for (const Algebra& alg : kSweep) {
    SpectrumData* sd = SM_getData(alg.type, alg.rank, 2);
    const int order = sd->scgroup->order;
    for (int J = 0; J < order; ++J) {
      for (int a = 0; a < sd->n_primaries; ++a) {
        Rat table, exact;
        SM_getRatCharge(sd, J, a, &table);
        SM_ExactRatCharge(sd, J, a, &exact);
        RatToFrac(&exact);
        simplifyRat(&exact);
        EXPECT_EQ(table.num * exact.den, exact.num * table.den) << nameOf(sd) << " Q_" << J << "(" << a << ")";
        if (J == 0 || a == 0) {
          EXPECT_EQ(table.num, 0);
        }
      }
    }
    EXPECT_EQ(SM_check_orbits(sd), 1) << nameOf(sd);
  }
}

TEST_F(StoremanagerModular, AComplementHasTheConjugateS) {
  SpectrumData* base = SM_getData(1, 2, 2);
  SpectrumData* compl_ = allocateSpectrumData("A2 level 2_compl");
  compl_->type = 8;
  compl_->base = base;
  compl_->n_primaries = base->n_primaries;
  compl_->use_orbits = 0;
  for (int a = 0; a < base->n_primaries; ++a)
    for (int b = 0; b < base->n_primaries; ++b) EXPECT_TRUE(near(S(compl_, a, b), std::conj(S(base, a, b))));
}

TEST_F(StoremanagerModular, BadIndicesGiveZeroAndAnAlert) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  OutputCapture capture;
  EXPECT_EQ(S(sd, -1, 0), Complex(0.0, 0.0));
  EXPECT_EQ(S(sd, 0, 3), Complex(0.0, 0.0));
  EXPECT_EQ(T(sd, 3, 3), Complex(0.0, 0.0));
  EXPECT_EQ(P(sd, 0, -5), Complex(0.0, 0.0));
  EXPECT_NE(capture.diagnostics.find("Primary out of range (-1 > 3) Alg(1,2,1)"), std::string::npos);
  Rat h{7, 7};
  EXPECT_EQ(SM_getRatWeight(sd, 3, &h), 0);
  EXPECT_EQ(h.num, 0);
}

TEST_F(StoremanagerModular, UnavailableSIsReportedAsZero) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  sd->s_available = 0;
  OutputCapture capture;
  EXPECT_EQ(S(sd, 1, 1), Complex(0.0, 0.0));
  EXPECT_NE(capture.diagnostics.find("Matrix S for algebra A2 level 1 is not available"), std::string::npos);
  sd->s_available = 1;
}

TEST_F(StoremanagerModular, AnOrbitMatrixHoldsThePagesOfTheElementsAskedForOnly) {
  // The fixed-point theory of the N=2 minimal model at level 200 has 2 (k + 2) = 404
  // fields, each its own orbit, and a square complex orbit matrix: 2 x 404^2 elements.
  SpectrumData* sd = SM_getData(kStoreTypeMinimalN2, 2, 200);
  ASSERT_NE(sd, nullptr);
  ASSERT_NE(sd->fcft, nullptr);
  SpectrumData* f = sd->fcft[0];
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->n_orbits, 404);
  ASSERT_EQ(f->symmetric, 0);
  const Complex s12 = S(f, 1, 2);
  EXPECT_EQ(s12, direct(f, 1, 2));  // stored as computed, bit for bit
  ASSERT_TRUE(f->sbase.held());
  EXPECT_EQ(f->sbase.size(), 2u * 404u * 404u);
  // One element: a page for its real part and one for its imaginary part, not the matrix.
  const std::uint64_t page = OrbitSMatrix::kPage * sizeof(double);
  EXPECT_EQ(f->s_alloc.bytesHeld(), 2 * page);
  EXPECT_LT(f->s_alloc.bytesHeld(), f->sbase.size() * sizeof(double) / 4);
  // Elements not asked for read as not computed, the one asked for as its value.
  EXPECT_EQ(f->sbase.at(1 * 404 + 2), s12.real());
  EXPECT_EQ(f->sbase.at(404u * 404u + 1 * 404 + 2), s12.imag());
  EXPECT_EQ(f->sbase.at(0), kSBaseNotComputed);
  EXPECT_EQ(f->sbase.at(f->sbase.size() - 1), kSBaseNotComputed);
  EXPECT_FALSE(f->sbase.complete());
  // Asked again, the stored element comes back.
  EXPECT_EQ(S(f, 1, 2), s12);
}

TEST(OrbitSMatrixStore, ElementsAcrossPageEdgesAndAShortLastPage) {
  // Static: a charged account stays on the list of accounts for the run, which the
  // allocation totals of later cases read.
  static AllocationAccount account("Orbit S matrix test");
  OrbitSMatrix m;
  EXPECT_FALSE(m.held());
  EXPECT_EQ(sizeof(OrbitSMatrix), sizeof(double*));  // a record is as large as before
  const std::uint64_t n = 2 * OrbitSMatrix::kPage + 3;  // two full pages and three elements
  m.dimension(n, &account);
  ASSERT_TRUE(m.held());
  EXPECT_EQ(account.bytesHeld(), 0u);  // no element written, no page
  m.set(OrbitSMatrix::kPage - 1, 0.25);
  m.set(OrbitSMatrix::kPage, -0.5);
  m.set(n - 1, 1.0);
  EXPECT_EQ(m.at(OrbitSMatrix::kPage - 1), 0.25);
  EXPECT_EQ(m.at(OrbitSMatrix::kPage), -0.5);
  EXPECT_EQ(m.at(n - 1), 1.0);
  EXPECT_EQ(m.at(n - 2), kSBaseNotComputed);
  EXPECT_EQ(m.at(0), kSBaseNotComputed);
  // Two full pages and a last page of three elements.
  EXPECT_EQ(account.bytesHeld(), (2 * OrbitSMatrix::kPage + 3) * sizeof(double));
  EXPECT_FALSE(m.complete());
  for (std::uint64_t i = 0; i < n; ++i) m.set(i, 0.0);
  EXPECT_TRUE(m.complete());
  // Dimensioned again: every element unset, the pages let go.
  m.dimension(5, &account);
  EXPECT_EQ(m.at(4), kSBaseNotComputed);
  EXPECT_FALSE(m.complete());
  EXPECT_EQ(account.bytesHeld(), 0u);
}

TEST_F(StoremanagerModular, AnOrbitMatrixPastTheLimitIsRefusedAndSComputedDirectly) {
  SpectrumData* sd = allocateSpectrumData("huge orbit matrix");
  sd->n_orbits = 30000;  // 30000 * 30001 / 2 complex pairs: 7.2 GB of doubles
  OutputCapture capture;
  EXPECT_EQ(SM_allocSBase(sd), -1);
  EXPECT_FALSE(sd->sbase.held());
  double re = 1.0, im = 1.0;
  EXPECT_EQ(SM_getSBase(sd, 0, 0, 0, 0, &re, &im), 0);
  EXPECT_EQ(sd->store_s, 0);
  EXPECT_NE(capture.diagnostics.find("Trying to allocate"), std::string::npos);
}

TEST_F(StoremanagerModular, ACyclicChainOfComplementsEndsTheProgram) {
  SpectrumData* sd = allocateSpectrumData("self complement");
  sd->type = 8;
  sd->base = sd;
  sd->n_primaries = 1;
  sd->use_orbits = 0;
  auto loop = [sd] {
    double re, im;
    SM_getS(sd, 0, 0, &re, &im);
  };
  EXPECT_EXIT(loop(), ::testing::ExitedWithCode(1), "");
}

}  // namespace

namespace {

TEST_F(StoremanagerModular, CircleTheoryOfOddRadiusHasTheDirectS) {
  // S_ab = exp(-2 pi i ab / N) / sqrt(N) at every radius, odd ones included.
  for (int N : {3, 5, 7, 8}) {
    OutputCapture capture;  // odd radii warn
    SpectrumData* sd = SM_getData(0, N, 0);
    ASSERT_NE(sd, nullptr);
    for (int a = 0; a < N; ++a) {
      for (int b = 0; b < N; ++b) {
        const int qa = SM_getRep(sd, a)[0], qb = SM_getRep(sd, b)[0];
        const Complex want = std::polar(1.0 / std::sqrt(static_cast<double>(N)), -2.0 * M_PI * qa * qb / N);
        EXPECT_TRUE(near(S(sd, a, b), want)) << "N=" << N << " S(" << a << "," << b << ")";
      }
    }
  }
}

}  // namespace
