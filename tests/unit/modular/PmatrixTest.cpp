// The whole P = T^1/2 S T^2 S T^1/2 at once by dense products: against the element sums
// on theories with simple currents and fixed points, in each store of P (packed table,
// orbit rows, none), its symmetries, the closed form of SU(2), the exact zeros of the
// charge rule, independence of the thread count, a stop, and the automatic switch from
// element sums to the whole P. Also the orbit S base, whose tiles are allocated as rows
// are asked for.
#include <array>
#include <filesystem>

#include "ModularTestSupport.h"
#include "runtime/Directories.h"
#include "runtime/Terminal.h"

using namespace modular_test;
namespace fs = std::filesystem;

namespace {

class PmatrixTest : public ModularTestBase {};

// Every P(a, b) by the element sum of the module, before any P is stored.
std::vector<Complex> elementSums(int n) {
  std::vector<Complex> values(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      double re = 0.0, im = 0.0;
      computePmatrix(a, b, &re, &im);
      values[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) + static_cast<std::size_t>(b)] =
          {re, im};
    }
  }
  return values;
}

// Computes the whole P and compares every compP with the element sums.
void expectWholeMatchesElements(const char* name, bool held) {
  const int n = modularPrimaries();
  initSMATRIX();
  const std::vector<Complex> expected = elementSums(n);
  PmatrixReport report;
  ASSERT_EQ(MOD_computeWholePmatrix(&report), 0) << name;
  EXPECT_EQ(report.held, held) << name;
  EXPECT_FALSE(report.stopped);
  EXPECT_GE(report.threads, 1);
  EXPECT_GT(report.flops, 0.0);
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      const Complex e =
          expected[static_cast<std::size_t>(a) * static_cast<std::size_t>(n) + static_cast<std::size_t>(b)];
      ASSERT_TRUE(near(elementP(a, b), e)) << name << " P(" << a << "," << b << ")";
    }
  }
}

// The theories of the comparison: A1 level 4 (an order-two current fixing the middle
// field), A2 level 3 (Z3 fixing (1,1)), B3 level 2, C2 level 2, D4 level 2 (Z2 x Z2 with
// fixed points), E6 level 3 (Z3, complex S).
constexpr std::array<std::array<int, 3>, 6> kTheories{{
    {1, 1, 4}, {1, 2, 3}, {2, 3, 2}, {3, 2, 2}, {4, 4, 2}, {5, 6, 3}}};

}  // namespace

TEST_F(PmatrixTest, WholePInThePackedTableAgreesWithTheElementSums) {
  setIntPar("S_matrix maxsize", 1000);
  // "Use_orbits" 1: orbit tables (and the charge rule) without the orbit S base.
  for (int useOrbits : {2, 1}) {
    setIntPar("Use_orbits", useOrbits);
    for (const auto& t : kTheories) {
      SpectrumData* sd = useTheory(t[0], t[1], t[2]);
      expectWholeMatchesElements(sd->name, true);
      EXPECT_EQ(modularState().PMATRIXavailable, QueryCFT());
    }
  }
}

TEST_F(PmatrixTest, WholePInTheOrbitRowsAgreesWithTheElementSums) {
  setIntPar("S_matrix maxsize", 1);
  for (const auto& t : kTheories) {
    SpectrumData* sd = useTheory(t[0], t[1], t[2]);
    expectWholeMatchesElements(sd->name, true);
    EXPECT_EQ(modularState().OrbitPAvailable, QueryCFT()) << sd->name;
    EXPECT_NE(modularState().PMATRIXavailable, QueryCFT()) << sd->name;
  }
}

TEST_F(PmatrixTest, WholePWithoutOrbitTablesAgreesWithTheElementSums) {
  setIntPar("Use_orbits", 0);
  setIntPar("S_matrix maxsize", 1000);
  for (const auto& t : kTheories) {
    SpectrumData* sd = useTheory(t[0], t[1], t[2]);
    expectWholeMatchesElements(sd->name, true);
  }
  // With no store at all the elements are computed and dropped.
  setIntPar("S_matrix maxsize", 1);
  useTheory(1, 2, 3);
  PmatrixReport report;
  EXPECT_EQ(MOD_computeWholePmatrix(&report), 0);
  EXPECT_FALSE(report.held);
  EXPECT_NE(modularState().wholeP.doneStamp, QueryCFT());
}

TEST_F(PmatrixTest, WholePIsSymmetricUnitaryAndSquaresToTheConjugation) {
  for (int maxsize : {1000, 1}) {
    setIntPar("S_matrix maxsize", maxsize);
    for (const auto& t : {std::array<int, 3>{1, 2, 4}, std::array<int, 3>{4, 4, 2}}) {
      useTheory(t[0], t[1], t[2]);
      ASSERT_EQ(MOD_computeWholePmatrix(nullptr), 0);
      const int n = modularPrimaries();
      std::vector<Complex> p(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
      for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
          p[static_cast<std::size_t>(a * n + b)] = elementP(a, b);
      for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) {
          EXPECT_TRUE(near(p[static_cast<std::size_t>(a * n + b)], p[static_cast<std::size_t>(b * n + a)]));
          Complex unitary = 0.0, square = 0.0;
          for (int m = 0; m < n; ++m) {
            unitary += p[static_cast<std::size_t>(a * n + m)] * std::conj(p[static_cast<std::size_t>(b * n + m)]);
            square += p[static_cast<std::size_t>(a * n + m)] * p[static_cast<std::size_t>(m * n + b)];
          }
          EXPECT_TRUE(near(unitary, a == b ? 1.0 : 0.0)) << a << " " << b;
          EXPECT_TRUE(near(square, getConjugate(a) == b ? 1.0 : 0.0)) << a << " " << b;
        }
      }
    }
  }
}

TEST_F(PmatrixTest, WholePOfSU2IsTheClosedFormWithExactZeros) {
  // SU(2) at even level k: P_ab = 2/sqrt(k+2) sin(pi (a+1)(b+1) / (2(k+2))) for a + b even;
  // the current (h = k/4, order 2) is in the effective centre and makes a + b odd exactly 0.
  for (int maxsize : {1000, 1}) {
    for (int k : {10, 16}) {
      setIntPar("S_matrix maxsize", maxsize);
      SpectrumData* sd = useTheory(1, 1, k);
      ASSERT_EQ(MOD_computeWholePmatrix(nullptr), 0);
      for (int a = 0; a <= k; ++a) {
        for (int b = 0; b <= k; ++b) {
          const int la = a1Label(sd, a), lb = a1Label(sd, b);
          const Complex value = elementP(a, b);
          if ((la + lb) % 2 != 0) {
            EXPECT_EQ(value.real(), 0.0) << k << " " << la << " " << lb;
            EXPECT_EQ(value.imag(), 0.0) << k << " " << la << " " << lb;
            continue;
          }
          const double expected =
              2 / std::sqrt(k + 2.0) * std::sin(kPi * (la + 1) * (lb + 1) / (2.0 * (k + 2)));
          EXPECT_TRUE(near(value, Complex(expected, 0.0))) << k << " " << la << " " << lb;
        }
      }
    }
  }
}

TEST_F(PmatrixTest, WholePDoesNotDependOnTheThreadCount) {
  setIntPar("S_matrix maxsize", 1000);
  std::vector<double> first;
  for (int threads : {1, 3, 8}) {
    setIntPar("Fusion threads", threads);
    useTheory(1, 2, 20);  // 231 fields, 15 groups of rows
    PmatrixReport report;
    ASSERT_EQ(MOD_computeWholePmatrix(&report), 0);
    EXPECT_LE(report.threads, threads);
    const ModularState& s = modularState();
    const std::size_t size = static_cast<std::size_t>(s.pmatrixN * (s.pmatrixN + 1));
    std::vector<double> table(s.PMATRIX.data(), s.PMATRIX.data() + size);
    if (first.empty()) {
      first = table;
      continue;
    }
    ASSERT_EQ(table.size(), first.size());
    for (std::size_t k = 0; k < table.size(); ++k) ASSERT_EQ(table[k], first[k]) << threads << " " << k;
  }
}

TEST_F(PmatrixTest, AStopLeavesOnlyWholeElements) {
  setIntPar("S_matrix maxsize", 1000);
  SpectrumData* sd = useTheory(1, 1, 30);
  initSMATRIX();
  setStopSignal(1);
  PmatrixReport report;
  EXPECT_EQ(MOD_computeWholePmatrix(&report), 2);
  EXPECT_TRUE(report.stopped);
  setStopSignal(0);
  EXPECT_NE(modularState().wholeP.doneStamp, QueryCFT());
  // Whatever was not finished is computed when asked, and is right.
  for (int a = 0; a <= 30; ++a) {
    const int la = a1Label(sd, a);
    for (int b = 0; b <= 30; ++b) {
      const int lb = a1Label(sd, b);
      const double expected = (la + lb) % 2 != 0 ? 0.0
                                                 : 2 / std::sqrt(32.0) *
                                                       std::sin(kPi * (la + 1) * (lb + 1) / 64.0);
      ASSERT_TRUE(near(elementP(a, b), Complex(expected, 0.0))) << la << " " << lb;
    }
  }
}

TEST_F(PmatrixTest, TheTheoryOfOneFieldHasPOne) {
  // The start theory (A rank 0 level 0): S = 1 and c = 0, so P = 1.
  ASSERT_EQ(modularPrimaries(), 1);
  PmatrixReport report;
  EXPECT_EQ(MOD_computeWholePmatrix(&report), 0);
  EXPECT_TRUE(report.held);
  EXPECT_TRUE(near(elementP(0, 0), 1.0));
}

TEST_F(PmatrixTest, ManyElementsAskedOneByOneBringTheWholeP) {
  // Through the orbit rows (each element a sum over the orbit S base).
  setIntPar("S_matrix maxsize", 1);
  SpectrumData* sd = useTheory(1, 2, 20);  // 231 fields
  const int n = modularPrimaries();
  // A few elements do not pay for the whole P; a few rows of them do.
  for (int b = 0; b < 20; ++b) elementP(5, b);
  EXPECT_NE(modularState().wholeP.doneStamp, QueryCFT());
  int rows = 1;
  for (int a = 0; a < n && modularState().wholeP.doneStamp != QueryCFT(); ++a, ++rows)
    for (int b = 0; b < n; ++b) elementP(a, b);
  EXPECT_EQ(modularState().wholeP.doneStamp, QueryCFT());
  EXPECT_LT(rows, 8);
  // The symmetries hold across elements summed one by one and those of the whole P.
  for (int a = 0; a < n; a += 3) {
    for (int b = 0; b < n; b += 2) {
      ASSERT_TRUE(near(elementP(a, b), elementP(b, a))) << a << " " << b;
      ASSERT_TRUE(near(elementP(a, b), elementP(getConjugate(a), getConjugate(b))));
    }
  }
  EXPECT_TRUE(sd != nullptr);
  // Small theories keep to the element sums.
  setIntPar("S_matrix maxsize", 1000);
  useTheory(1, 2, 3);
  for (int a = 0; a < modularPrimaries(); ++a)
    for (int b = 0; b < modularPrimaries(); ++b) elementP(a, b);
  EXPECT_NE(modularState().wholeP.doneStamp, QueryCFT());
}

TEST_F(PmatrixTest, OrbitRowsOfTheWholePAreWrittenAndReadBack) {
  const auto diskTheory = [] {
    setModularDiskRowThreshold(6);
    setIntPar("S_matrix maxsize", 2);
    return useTheory(1, 1, 10);  // 11 fields, 6 orbits
  };
  SpectrumData* sd = diskTheory();
  const std::string folder = getWorkDir() + "SA1_level_10.pdir";
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::remove_all(getWorkDir() + "SA1_level_10.sdir", ignored);
  ASSERT_EQ(MOD_computeWholePmatrix(nullptr), 0);
  writePOrbits();
  std::vector<std::pair<int, int>> rows;  // (orbit, size) of every row
  {
    const ModularState& s = modularState();
    for (int o = 0; o < s.NOrbit; ++o) {
      const int size = s.PMatrixOrbitSizes[static_cast<std::size_t>(o)];
      if (size < 1) continue;
      rows.push_back({o, size});
      EXPECT_TRUE(fs::is_regular_file(folder + "/" + std::to_string(o))) << o;
    }
  }
  ASSERT_FALSE(rows.empty());
  // A new run reads complete rows and answers from them.
  resetAll();
  diskTheory();
  initSMATRIX();
  initOrbitPmatrix();
  for (const auto& [orbit, size] : rows) {
    std::vector<double> row(2 * static_cast<std::size_t>(size));
    ASSERT_EQ(getPBaseRow(row.data(), orbit, size, modularState().Pdir.c_str()), 1) << orbit;
    for (int t = 0; t < size; ++t) EXPECT_TRUE(modularComputed(row[static_cast<std::size_t>(t)]));
  }
  for (int a = 0; a <= 10; ++a) {
    for (int b = 0; b <= 10; ++b) {
      const int la = a1Label(sd, a), lb = a1Label(sd, b);
      const double expected = (la + lb) % 2 != 0 ? 0.0
                                                 : 2 / std::sqrt(12.0) *
                                                       std::sin(kPi * (la + 1) * (lb + 1) / 24.0);
      EXPECT_TRUE(near(elementP(a, b), Complex(expected, 0.0))) << la << " " << lb;
    }
  }
  fs::remove_all(folder, ignored);
  fs::remove_all(getWorkDir() + "SA1_level_10.sdir", ignored);
}

// ---------------------------------------------------------------------------------------
// The orbit S base

TEST_F(PmatrixTest, OneSRowHoldsOneRowOfTheOrbitBaseNotTheTriangle) {
  // A1 level 2000: 2001 fields in 1001 orbits of the order-two current; the whole base
  // is 1001 x 1002 doubles (8 MB), a row of tiles (kOrbitTile rows of it) far less.
  SpectrumData* sd = useTheory(1, 1, 2000);
  initSMATRIX();
  const double triangle = 1001.0 * 1002.0 * sizeof(double);
  const int a = a1Field(sd, 7);
  for (int b = 0; b < sd->n_primaries; ++b) {
    const Complex value = elementS(a, b);
    ASSERT_TRUE(near(value, Complex(a1S(2000, 7, a1Label(sd, b)), 0.0))) << b;
  }
  EXPECT_LT(static_cast<double>(SMatrix_alloc.bytesHeld()), triangle / 4);
}

TEST_F(PmatrixTest, TheTiledOrbitBaseStillGivesTheWholeS) {
  // A2 level 40 (861 fields, 287 orbits, several tiles a side): a row first, then every
  // element, each against the Weyl-group sum.
  SpectrumData* sd = useTheory(1, 2, 40);
  initSMATRIX();
  for (int b = 0; b < sd->n_primaries; b += 7) ASSERT_TRUE(near(elementS(400, b), directS(sd, 400, b)));
  setIntPar("S_matrix maxsize", 1000);
  CFTChanged();
  initSMATRIX();
  ASSERT_EQ(modularState().SMATRIXavailable, QueryCFT());
  for (int a = 0; a < sd->n_primaries; a += 13)
    for (int b = 0; b < sd->n_primaries; b += 5) ASSERT_TRUE(near(elementS(a, b), directS(sd, a, b)));
}
