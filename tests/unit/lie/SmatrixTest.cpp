// S-matrix elements of U(1), the classical algebras, B(2t) and the N=2 minimal models;
// cosine tables, orthogonal coordinates and trigonometric determinants.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "SmatrixTestSupport.h"
#include "TestSupport.h"

using namespace smatrix_test;

namespace {

class SmatrixTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

Complex element(int type, int rank, int level, const Labels& a, const Labels& b) {
  double re = 0.0, im = 0.0;
  SDirect(type, rank, level, a.data(), b.data(), &re, &im);
  return {re, im};
}

// --- Cosine tables ------------------------------------------------------------------------

TEST_F(SmatrixTest, CosineTableIsCachedPerModulus) {
  const double* first = getCos(12);
  const double* other = getCos(7);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(getCos(12), first);
  EXPECT_EQ(getCos(7), other);
  // cos(2 pi 3/12) = 0 up to rounding; -sin(2 pi 3/12) = -1; cos(2 pi 4/12) = -1/2.
  EXPECT_NEAR(first[3], 0.0, 1e-15);
  EXPECT_NEAR(first[12 + 3], -1.0, 1e-15);
  EXPECT_NEAR(first[4], -0.5, 1e-15);
  EXPECT_NEAR(other[7 + 1], -std::sin(2 * kPi / 7), 1e-15);
  // The second chain is independent of the first.
  EXPECT_NE(getCosL(12), first);
  EXPECT_GE(Cos_alloc.bytesHeld(), (2 * 12 + 2 * 7) * sizeof(double));
}

TEST_F(SmatrixTest, CosineTableEntriesAtZeroAndQuarterTurns) {
  const double* t = getCos(4);
  EXPECT_EQ(t[0], 1.0);
  EXPECT_EQ(t[4], 0.0);
  EXPECT_TRUE(std::signbit(t[4]));  // -sin(0) is negative zero
  EXPECT_EQ(t[2], -1.0);
  // cos(pi/2) in double precision is tiny but not zero.
  EXPECT_NE(t[1], 0.0);
  EXPECT_LT(std::fabs(t[1]), 1e-15);
  EXPECT_NE(t[3], 0.0);
  EXPECT_LT(std::fabs(t[3]), 1e-15);
}

TEST_F(SmatrixTest, ResetDropsTablesAndConstants) {
  const auto a2 = integrableWeights(1, 2, 3);
  const Complex before = element(1, 2, 3, a2[1], a2[4]);
  getCos(97);
  const std::uint64_t held = Cos_alloc.bytesHeld();
  EXPECT_GE(held, 2 * 97 * sizeof(double));
  resetAll();
  EXPECT_LT(Cos_alloc.bytesHeld(), held);
  EXPECT_EQ(element(1, 2, 3, a2[1], a2[4]), before);
}

TEST_F(SmatrixTest, CosineTableRefusesNonPositiveModulus) {
  OutputCapture capture;
  EXPECT_EQ(getCos(0), nullptr);
  EXPECT_EQ(getCos(-5), nullptr);
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid modulus 0 for the cosine table"));
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid modulus -5 for the cosine table"));
  EXPECT_EQ(ZoqDet(nullptr, nullptr, 2, 0, nullptr), 0.0);
}

// --- Orthogonal coordinates ---------------------------------------------------------------

TEST_F(SmatrixTest, OrthogonalCoordinatesOfRho) {
  int zero[9] = {0};
  int out[9];
  orthE8(out, zero);
  const int e8[8] = {24, 22, 20, -18, -16, -14, -12, -10};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], e8[i]);
  orthF(out, zero);
  const int f4[4] = {5, 3, 1, -11};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], f4[i]);
  orthA(out, zero, 2);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], -3);
}

// Freudenthal-de Vries: (rho, rho) = h dim / 12, read off every coordinate system with its
// scale (the inner products that turn 2 pi (x, y)/(k+h) into 2 pi x.y / M).
TEST_F(SmatrixTest, OrthogonalCoordinatesGiveTheStrangeFormula) {
  int zero[9] = {0};
  int x[9];
  auto squares = [&](int from, int to) {
    long long sum = 0;
    for (int i = from; i < to; ++i) sum += static_cast<long long>(x[i]) * x[i];
    return static_cast<double>(sum);
  };
  for (int r = 1; r <= 8; ++r) {
    orthA(x, zero, r);
    EXPECT_NEAR(squares(0, r + 1) / ((r + 1.0) * (r + 1.0)), (r + 1.0) * r * (r + 2) / 12.0, 1e-12) << r;
    orthC(x, zero, r);
    EXPECT_NEAR(squares(0, r) / 2.0, (r + 1.0) * r * (2 * r + 1) / 12.0, 1e-12) << r;
    if (r >= 2) {
      orthB(x, zero, r);
      EXPECT_NEAR(squares(0, r) / 4.0, (2 * r - 1.0) * r * (2 * r + 1) / 12.0, 1e-12) << r;
      orthD(x, zero, r);
      EXPECT_NEAR(squares(0, r) / 4.0, (2 * r - 2.0) * r * (2 * r - 1) / 12.0, 1e-12) << r;
    }
  }
  orthE6(x, zero);
  EXPECT_NEAR(squares(0, 5) / 36.0 + squares(5, 6) / 12.0, 12.0 * 78 / 12, 1e-12);
  orthE7(x, zero);
  EXPECT_NEAR(squares(0, 6) / 4.0 + squares(6, 7) / 2.0, 18.0 * 133 / 12, 1e-12);
  orthE8(x, zero);
  EXPECT_EQ(squares(0, 8), 2480.0);
  orthF(x, zero);
  EXPECT_NEAR(squares(0, 4) / 4.0, 9.0 * 52 / 12, 1e-12);
}

TEST_F(SmatrixTest, OrthogonalCoordinatesIgnoreMissingVectors) {
  int labels[3] = {1, 2, 3};
  int out[3] = {-7, -7, -7};
  orthA(nullptr, labels, 2);
  orthA(out, nullptr, 2);
  orthD(out, labels, 1);
  EXPECT_EQ(out[0], -7);
  EXPECT_EQ(out[1], -7);
  EXPECT_EQ(out[2], -7);
  // OrthoB undoes the doubling of orthB up to rho: v = (6, 4, 2) gives (6, 3, 1) + ... .
  int v[3] = {2, 2, 2};
  OrthoB(3, v, out);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[1], 3);
  EXPECT_EQ(out[0], 5);
}

// --- Determinants ---------------------------------------------------------------------------

TEST_F(SmatrixTest, DeterminantOfTrigonometricMatrices) {
  const int M = 8;
  const double* cosine = getCos(M);
  const double* sine = cosine + M;
  // 2 x 2: det [[cos(2pi x_i y_j/8)]] for x = (1, 2), y = (1, 3).
  const int x[2] = {1, 2};
  const int y[2] = {1, 3};
  auto c = [&](int p) { return std::cos(2 * kPi * p / M); };
  auto s = [&](int p) { return -std::sin(2 * kPi * p / M); };
  EXPECT_NEAR(ZoqDet(x, y, 2, M, cosine), c(1) * c(6) - c(3) * c(2), 1e-12);
  EXPECT_NEAR(ZoqDet(x, y, 2, M, sine), s(1) * s(6) - s(3) * s(2), 1e-12);
  // Negative products are reduced into 0..M-1: x y = -3 reads entry 5.
  const int minus[1] = {-1};
  const int three[1] = {3};
  EXPECT_EQ(ZoqDet(minus, three, 1, M, cosine), cosine[5]);
  // A first column with nothing above 1e-7 gives exactly 0, whatever follows.
  const int xz[2] = {2, 6};
  const int yz[2] = {1, 5};  // cos(pi/2), cos(3 pi/2): first column (almost) zero
  EXPECT_EQ(ZoqDet(xz, yz, 2, M, cosine), 0.0);
  EXPECT_EQ(ZoqDet(x, y, 0, M, cosine), 1.0);
}

TEST_F(SmatrixTest, ComplexDeterminantIsOfPhases) {
  const int M = 12;
  const double* table = getCos(M);
  const int x[2] = {1, 2};
  const int y[2] = {1, 5};
  double re = 0.0, im = 0.0;
  ComplexZoqDet(x, y, 2, M, table, &re, &im);
  auto e = [&](int p) { return std::polar(1.0, -2 * kPi * p / M); };
  const Complex expected = e(1) * e(10) - e(5) * e(2);
  EXPECT_NEAR(re, expected.real(), 1e-12);
  EXPECT_NEAR(im, expected.imag(), 1e-12);
}

// --- U(1) -----------------------------------------------------------------------------------

TEST_F(SmatrixTest, CircleTheoryElementsAndModularRelations) {
  for (int N = 1; N <= 12; ++N) {
    std::vector<Complex> s(N * N);
    for (int a = 0; a < N; ++a) {
      for (int b = 0; b < N; ++b) {
        s[a * N + b] = element(0, N, 0, {a}, {b});
        // S_ab = exp(-2 pi i ab/N)/sqrt N.
        const Complex expected = std::polar(1.0 / std::sqrt(N), -2 * kPi * a * b / N);
        EXPECT_NEAR(std::abs(s[a * N + b] - expected), 0.0, kTol) << N << " " << a << " " << b;
      }
    }
    expectSymmetricUnitary(s, N, "U(1) " + std::to_string(N));
    const auto s2 = multiply(s, s, N);
    for (int a = 0; a < N; ++a) {
      for (int b = 0; b < N; ++b) {
        EXPECT_NEAR(std::abs(s2[a * N + b] - ((a + b) % N == 0 ? 1.0 : 0.0)), 0.0, kTol);
      }
    }
    if (N % 2 != 0) continue;  // h = q^2/2N is defined modulo 1 only for even N
    std::vector<Complex> st(N * N);
    for (int b = 0; b < N; ++b) {
      const Complex t = std::polar(1.0, 2 * kPi * (b * b / (2.0 * N) - 1.0 / 24));
      for (int a = 0; a < N; ++a) st[a * N + b] = s[a * N + b] * t;
    }
    const auto st3 = multiply(multiply(st, st, N), st, N);
    for (int i = 0; i < N * N; ++i) EXPECT_NEAR(std::abs(st3[i] - s2[i]), 0.0, kTol) << N;
  }
}

TEST_F(SmatrixTest, CircleTheoryWithHugeChargesDoesNotWrap) {
  // 2ab overflows 32 bits; the phase depends on ab mod N only.
  const int a = 2000000011, b = 1999999973, N = 12;
  const long long reduced = static_cast<long long>((static_cast<__int128>(a) * b) % N);
  const Complex got = element(0, N, 0, {a}, {b});
  const Complex expected = std::polar(1.0 / std::sqrt(N), -2 * kPi * reduced / N);
  EXPECT_NEAR(std::abs(got - expected), 0.0, 1e-12);
  const Complex negative = element(0, N, 0, {-5}, {7});
  EXPECT_NEAR(std::abs(negative - std::polar(1.0 / std::sqrt(N), 2 * kPi * 35 / N)), 0.0, 1e-12);
}

// --- The dispatcher ---------------------------------------------------------------------------

TEST_F(SmatrixTest, RankOrLevelZeroGivesOne) {
  const Labels v = {0, 0, 0};
  EXPECT_EQ(element(1, 0, 3, v, v), Complex(1.0, 0.0));
  EXPECT_EQ(element(2, 3, 0, v, v), Complex(1.0, 0.0));
  EXPECT_EQ(element(5, 8, 0, v, v), Complex(1.0, 0.0));
}

TEST_F(SmatrixTest, UnsupportedInputIsReportedAndWritesZero) {
  const Labels v(9, 0);
  struct Case {
    int type, rank, level;
    const char* text;
  };
  const Case cases[] = {
      {99, 2, 1, "Invalid input\nType=99, Rank=2, Level=1\nRoutine: SDirect"},
      {5, 3, 1, "Invalid input\nType=5, Rank=3, Level=1\nRoutine: SDirect"},
      {5, 5, 2, "Invalid input\nType=5, Rank=5, Level=2\nRoutine: SDirect"},
      {0, 0, 0, "Invalid input\nType=0, Rank=0, Level=0\nRoutine: SDirect"},
      {3, 2, -1, "Invalid input\nType=3, Rank=2, Level=-1\nRoutine: SDirect"},
      {1, 2, -4, "Invalid input\nType=1, Rank=2, Level=-4\nRoutine: SDirect"},
      {14, 3, 2, "S matrix not built in\nType=14, Rank=3, Level=2\nRoutine: SDirect"},
      // Moduli beyond the table range: 4 (2^29 + 30) and 3^2 (3 + 2^30).
      {5, 8, 1 << 29, "Modulus 2147483768 out of range for the cosine table"},
      {1, 2, 1 << 30, "Modulus 9663676443 out of range for the cosine table"},
  };
  // The vacuum row needs no table, so the modulus cases use a field other than the vacuum.
  Labels w(9, 0);
  w[0] = 1;
  for (const Case& c : cases) {
    OutputCapture capture;
    double re = std::numeric_limits<double>::quiet_NaN();
    double im = re;
    const Labels& labels = c.level >= (1 << 29) ? w : v;
    SDirect(c.type, c.rank, c.level, labels.data(), labels.data(), &re, &im);
    EXPECT_EQ(re, 0.0) << c.text;
    EXPECT_EQ(im, 0.0) << c.text;
    EXPECT_TRUE(contains(capture.diagnostics, c.text)) << capture.diagnostics;
  }
}

TEST_F(SmatrixTest, TraceLineAndInputCheck) {
  const Labels v = {0, 0, 1};
  {
    OutputCapture capture;
    element(1, 2, 1, v, v);
    EXPECT_EQ(capture.all, "");
  }
  SMatrix_set_S_CALL_TRACE(1);
  {
    OutputCapture capture;
    const Complex s = element(1, 2, 1, v, v);
    EXPECT_EQ(capture.stdoutText, "SDirect (Weyl-group sum; type=1, rank=2, level=1)\n");
    EXPECT_EQ(capture.diagnostics, "");
    EXPECT_NEAR(s.real(), 1.0 / std::sqrt(3.0), kTol);  // A2 level 1: 1/sqrt 3
  }
  {
    // The check only reports: type 26 is no algebra of the input check, yet its element
    // is computed.
    OutputCapture capture;
    const Complex s = element(26, 1, 2, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(capture.stdoutText, "SDirect (Weyl-group sum; type=26, rank=1, level=2)\n");
    EXPECT_TRUE(contains(capture.diagnostics, "Invalid input\nType=26, Rank=1, Level=2\nRoutine: SDirect"));
    EXPECT_NEAR(std::abs(s - Complex(0.0, -1.0 / std::sqrt(8.0))), 0.0, 1e-15);
  }
  SMatrix_set_S_CALL_TRACE(0);
  OutputCapture capture;
  element(1, 2, 1, v, v);
  EXPECT_EQ(capture.all, "");
}

// --- A1 and the classical algebras -------------------------------------------------------------

TEST_F(SmatrixTest, A1MatchesTheSineFormula) {
  for (int k = 1; k <= 8; ++k) {
    for (int a = 0; a <= k; ++a) {
      for (int b = 0; b <= k; ++b) {
        const Complex s = element(1, 1, k, {a, k - a}, {b, k - b});
        const double expected = std::sqrt(2.0 / (k + 2)) * std::sin(kPi * (a + 1) * (b + 1) / (k + 2));
        EXPECT_NEAR(s.real(), expected, kTol) << k << " " << a << " " << b;
        EXPECT_EQ(s.imag(), 0.0);
      }
    }
  }
}

TEST_F(SmatrixTest, RowsEqualTheirElements) {
  // A1 at level 10,000 against the sine formula in long double, to 1e-10 relative (the
  // elements of this row are at least sin(pi/10002) in size); A3 and D4 (complex and real)
  // and the vacuum row against SDirect element by element.
  const int k = 10000;
  std::vector<Labels> a1;
  for (int b = 0; b <= k; ++b) a1.push_back({b, k - b});
  std::vector<const int*> columns;
  for (const Labels& b : a1) columns.push_back(b.data());
  for (int a : {0, 1, 4999, 10000}) {
    std::vector<double> re(a1.size()), im(a1.size());
    SDirectRow(1, 1, k, a1[static_cast<std::size_t>(a)].data(), k + 1, columns.data(), re.data(),
               im.data());
    for (int b = 0; b <= k; ++b) {
      const long double angle =
          3.14159265358979323846264338327950288L * (a + 1) * (b + 1) / (k + 2);
      const double expected = static_cast<double>(std::sqrt(2.0L / (k + 2)) * std::sin(angle));
      // Zero by symmetry where (a+1)(b+1) is a multiple of k+2.
      ASSERT_NEAR(re[static_cast<std::size_t>(b)], expected, 1e-10 * std::fabs(expected) + 1e-15)
          << a << " " << b;
      ASSERT_EQ(im[static_cast<std::size_t>(b)], 0.0);
    }
  }
  for (const auto& algebra : {std::array<int, 3>{1, 3, 4}, std::array<int, 3>{4, 4, 3}}) {
    const auto weights = integrableWeights(algebra[0], algebra[1], algebra[2]);
    std::vector<const int*> all;
    for (const Labels& b : weights) all.push_back(b.data());
    for (const Labels& a : weights) {
      std::vector<double> re(weights.size()), im(weights.size());
      SDirectRow(algebra[0], algebra[1], algebra[2], a.data(), static_cast<int>(all.size()),
                 all.data(), re.data(), im.data());
      for (std::size_t b = 0; b < weights.size(); ++b) {
        const Complex want = element(algebra[0], algebra[1], algebra[2], a, weights[b]);
        ASSERT_NEAR(re[b], want.real(), 1e-12) << algebra[1];
        ASSERT_NEAR(im[b], want.imag(), 1e-12) << algebra[1];
      }
    }
  }
}

TEST_F(SmatrixTest, KnownVacuumElements) {
  const auto a2 = integrableWeights(1, 2, 2);
  EXPECT_EQ(a2.size(), 6u);
  EXPECT_NEAR(element(1, 2, 2, a2[0], a2[0]).real(), 0.303531, 1e-6);
  const auto d4 = integrableWeights(4, 4, 2);
  EXPECT_EQ(d4.size(), 11u);
  EXPECT_NEAR(element(4, 4, 2, d4[0], d4[0]).real(), 0.176777, 1e-6);
}

TEST_F(SmatrixTest, LevelOneTablesOfB) {
  const double h = 1.0 / std::sqrt(2.0);
  for (int r = 2; r <= 5; ++r) {
    Labels id(r + 1, 0), vec(r + 1, 0), spin(r + 1, 0);
    id[r] = 1;
    vec[0] = 1;
    spin[r - 1] = 1;
    const Labels fields[3] = {id, vec, spin};
    const double table[3][3] = {{0.5, 0.5, h}, {0.5, 0.5, -h}, {h, -h, 0.0}};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const Complex s = element(2, r, 1, fields[i], fields[j]);
        EXPECT_NEAR(s.real(), table[i][j], 1e-15) << r << i << j;
        EXPECT_EQ(s.imag(), 0.0);
        // The determinant formula holds at level 1 too.
        double re = 0.0, im = 0.0;
        ZoqB(fields[i].data(), fields[j].data(), &re, &im, r, 1);
        EXPECT_NEAR(re, table[i][j], kTol) << r << i << j;
      }
    }
  }
}

// B1 at level k is A1 at level 2k (so(3) = su(2) with the long root doubled), and its
// fields carry A1 labels: its S must be A1's at 2k, level 1 included.
TEST_F(SmatrixTest, B1IsA1AtTwiceTheLevel) {
  for (int k = 1; k <= 4; ++k) {
    for (int a = 0; a <= 2 * k; ++a) {
      for (int b = 0; b <= 2 * k; ++b) {
        const Complex s = element(2, 1, k, {a, 2 * k - a}, {b, 2 * k - b});
        const double expected =
            std::sqrt(2.0 / (2 * k + 2)) * std::sin(kPi * (a + 1) * (b + 1) / (2 * k + 2));
        EXPECT_NEAR(s.real(), expected, kTol) << k << " " << a << " " << b;
        EXPECT_EQ(s.imag(), 0.0);
      }
    }
  }
}

TEST_F(SmatrixTest, LevelOneSpinorsOfD) {
  // Spinor-spinor element (1/2) i^(-r): 1/2, -i/2, -1/2, i/2 for r = 4, 5, 6, 7.
  const Complex expected[4] = {{0.5, 0.0}, {0.0, -0.5}, {-0.5, 0.0}, {0.0, 0.5}};
  for (int r = 4; r <= 7; ++r) {
    Labels spinor(r + 1, 0);
    spinor[r - 2] = 1;
    Labels other(r + 1, 0);
    other[r - 1] = 1;
    EXPECT_NEAR(std::abs(element(4, r, 1, spinor, spinor) - expected[r - 4]), 0.0, 1e-15) << r;
    EXPECT_NEAR(std::abs(element(4, r, 1, spinor, other) + expected[r - 4]), 0.0, 1e-15) << r;
    // The general determinant formula agrees with the table on every pair.
    const auto fields = integrableWeights(4, r, 1);
    for (const Labels& a : fields) {
      for (const Labels& b : fields) {
        double re = 0.0, im = 0.0;
        ZoqD(a.data(), b.data(), &re, &im, r, 1);
        EXPECT_NEAR(std::abs(Complex(re, im) - element(4, r, 1, a, b)), 0.0, kTol) << r;
      }
    }
  }
}

TEST_F(SmatrixTest, LevelOneOfCIsA1AtLevelRank) {
  for (int r = 1; r <= 5; ++r) {
    for (int i = 0; i <= r; ++i) {
      for (int j = 0; j <= r; ++j) {
        Labels a(r + 1, 0), b(r + 1, 0);
        if (i > 0) a[i - 1] = 1; else a[r] = 1;
        if (j > 0) b[j - 1] = 1; else b[r] = 1;
        const Complex c = element(3, r, 1, a, b);
        const Complex a1 = element(1, 1, r, {i, r - i}, {j, r - j});
        EXPECT_NEAR(std::abs(c - a1), 0.0, 1e-12);
        double re = 0.0, im = 0.0;
        ZoqC(a.data(), b.data(), &re, &im, r, 1);
        EXPECT_NEAR(std::abs(Complex(re, im) - a1), 0.0, kTol) << r << i << j;
      }
    }
  }
}

TEST_F(SmatrixTest, ModularDataOfClassicalAlgebrasUpToRankFiveAndLevelFive) {
  for (int level = 1; level <= 5; ++level) {
    for (int rank = 1; rank <= 5; ++rank) {
      expectModularData({1, rank, level});
      expectModularData({3, rank, level});
      if (rank >= 2) expectModularData({2, rank, level});
      if (rank >= 3) expectModularData({4, rank, level});
    }
  }
}

TEST_F(SmatrixTest, ConstantsFollowTheRankAndLevelOfEachCall) {
  const auto a2 = integrableWeights(1, 2, 3);
  const auto a3 = integrableWeights(1, 3, 2);
  const Complex first = element(1, 2, 3, a2[2], a2[5]);
  const Complex other = element(1, 3, 2, a3[1], a3[4]);
  EXPECT_NEAR(std::abs(element(1, 2, 3, a2[2], a2[5]) - first), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(element(1, 3, 2, a3[1], a3[4]) - other), 0.0, 1e-15);
  // C1 at level r runs A1 at level r in between: the A constants must be rebuilt.
  element(3, 4, 1, {0, 0, 0, 1, 0}, {1, 0, 0, 0, 0});
  EXPECT_NEAR(std::abs(element(1, 2, 3, a2[2], a2[5]) - first), 0.0, 1e-15);
}

// --- B(2t) ------------------------------------------------------------------------------------

// Fields of B(2t) of rank r at level k: comarks 2 on nodes 0..r-2, 1 on node r-1, 2 on the
// affine node (position r).
std::vector<Labels> twistedFields(int rank, int level) {
  std::vector<Labels> out;
  Labels a(rank + 1, 0);
  auto recurse = [&](auto&& self, int i, int spent) -> void {
    if (i == rank + 1) {
      if (spent == level) out.push_back(a);
      return;
    }
    const int c = i == rank - 1 ? 1 : 2;
    for (int v = 0; spent + v * c <= level; ++v) {
      a[i] = v;
      self(self, i + 1, spent + v * c);
    }
    a[i] = 0;
  };
  recurse(recurse, 0, 0);
  return out;
}

TEST_F(SmatrixTest, TwistedBRankOneIsTheSineMatrix) {
  for (int k = 1; k <= 6; ++k) {
    const auto fields = twistedFields(1, k);
    for (const Labels& a : fields) {
      for (const Labels& b : fields) {
        // -2 det[-sin(2 pi x y/(k+3))]/sqrt(k+3) with x from the affine label.
        const double x = a[1] + 1, y = b[1] + 1;
        const Complex s = element(13, 1, k, a, b);
        EXPECT_NEAR(s.real(), 2.0 * std::sin(2 * kPi * x * y / (k + 3)) / std::sqrt(k + 3.0), kTol);
        EXPECT_EQ(s.imag(), 0.0);
      }
    }
  }
}

TEST_F(SmatrixTest, TwistedBIsSymmetricAndUnitary) {
  for (int r = 1; r <= 4; ++r) {
    for (int k = 1; k <= 5; ++k) {
      const auto fields = twistedFields(r, k);
      const std::size_t n = fields.size();
      std::vector<Complex> s(n * n);
      for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) s[i * n + j] = element(13, r, k, fields[i], fields[j]);
      }
      expectSymmetricUnitary(s, n, "B(2t) " + std::to_string(r) + " " + std::to_string(k));
    }
  }
}

TEST_F(SmatrixTest, TwistedBConstantsFollowAlternatingCalls) {
  const auto f23 = twistedFields(2, 3);
  const auto f32 = twistedFields(3, 2);
  const Complex first = element(13, 2, 3, f23[0], f23.back());
  const Complex other = element(13, 3, 2, f32[0], f32.back());
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(element(13, 2, 3, f23[0], f23.back()), first);
    EXPECT_EQ(element(13, 3, 2, f32[0], f32.back()), other);
  }
}

// --- N=2 minimal models ---------------------------------------------------------------------------

TEST_F(SmatrixTest, MinimalModelFixedPointValues) {
  auto fcft = [](int k, int s1, int s2) {
    double re = 0.0, im = 0.0;
    const int a[3] = {0, 0, s1};
    const int b[3] = {0, 0, s2};
    SmatMinFCFT(a, b, &re, &im, 0, k);
    return Complex(re, im);
  };
  // k = 2: M = 8; s = s' = 0 gives n = 6, S = -i/sqrt 8; s = s' = 1 gives n = 1.
  EXPECT_NEAR(std::abs(fcft(2, 0, 0) - Complex(0.0, -1.0 / std::sqrt(8.0))), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(fcft(2, 1, 1) - std::polar(1.0 / std::sqrt(8.0), kPi / 4)), 0.0, 1e-15);
  // k = 1: M = 6; s = s' = 1 gives n = 0; s = 0, s' = 2 gives n = 0.
  EXPECT_NEAR(std::abs(fcft(1, 1, 1) - 1.0 / std::sqrt(6.0)), 0.0, 1e-15);
  EXPECT_NEAR(std::abs(fcft(1, 0, 2) - 1.0 / std::sqrt(6.0)), 0.0, 1e-15);
  // Through the dispatcher, type 26.
  const Labels z = {0, 0, 0};
  EXPECT_NEAR(std::abs(element(26, 1, 2, z, z) - Complex(0.0, -1.0 / std::sqrt(8.0))), 0.0, 1e-15);
  // Unitary over s in Z_M at even levels (M/4 is then an integer).
  for (int k = 2; k <= 8; k += 2) {
    const int M = 2 * k + 4;
    std::vector<Complex> s(M * M);
    for (int i = 0; i < M; ++i) {
      for (int j = 0; j < M; ++j) s[i * M + j] = fcft(k, i, j);
    }
    expectSymmetricUnitary(s, M, "FCFT " + std::to_string(k));
  }
}

TEST_F(SmatrixTest, MinimalModelMatchesGepnerAndIsUnitary) {
  for (int k = 1; k <= 5; ++k) {
    // Representatives of (l, m, s), l + m + s even, modulo (l, m, s) ~ (k-l, m+k+2, s+2):
    // l <= k, m mod 2(k+2), s in {0, 1} picks one of each pair.
    std::vector<Labels> fields;
    for (int l = 0; l <= k; ++l) {
      for (int m = 0; m < 2 * (k + 2); ++m) {
        for (int s = 0; s < 2; ++s) {
          if ((l + m + s) % 2 == 0) fields.push_back({l, m, s});
        }
      }
    }
    ASSERT_EQ(fields.size(), static_cast<std::size_t>(2 * (k + 1) * (k + 2)));
    const std::size_t n = fields.size();
    std::vector<Complex> s(n * n);
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const Labels& a = fields[i];
        const Labels& b = fields[j];
        s[i * n + j] = element(27, 1, k, a, b);
        // Gepner: (1/(k+2)) sin(pi (l+1)(l'+1)/(k+2)) e^(i pi m m'/(k+2)) e^(-i pi s s'/2).
        const Complex expected = std::sin(kPi * (a[0] + 1) * (b[0] + 1) / (k + 2)) / (k + 2) *
                                 std::polar(1.0, kPi * a[1] * b[1] / (k + 2)) * std::polar(1.0, -kPi * a[2] * b[2] / 2);
        EXPECT_NEAR(std::abs(s[i * n + j] - expected), 0.0, kTol);
      }
    }
    // The extension of A1 x U(1) x U(1) by its current of orbit length 2 (no fixed
    // points): unitary on the representatives.
    expectSymmetricUnitary(s, n, "N=2 minimal " + std::to_string(k));
  }
  // m m' = 0 and s s' = 0: the A1 element divided by sqrt(2(k+2)).
  const Complex plain = element(27, 1, 3, {1, 0, 2}, {2, 5, 0});
  EXPECT_NEAR(plain.real(), std::sqrt(2.0 / 5) * std::sin(kPi * 6 / 5) / std::sqrt(10.0), 1e-12);
  EXPECT_NEAR(plain.imag(), 0.0, 1e-15);
}

}  // namespace
