// The orientifold matrix P = T^1/2 S T^2 S T^1/2: single elements against the matrix
// product of the closed forms, its symmetries, the packed table, the orbit rows and their
// files, written by two processes at once without losing an entry.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>

#include "ModularTestSupport.h"
#include "program/ApplicationParameters.h"
#include "runtime/Directories.h"

using namespace modular_test;
namespace fs = std::filesystem;

namespace {

class ModularPRowsTest : public ModularTestBase {
 protected:
  // A1 at level 10 (6 orbits) with its P rows on disk and neither an S nor a P table.
  SpectrumData* diskTheory() {
    setModularDiskRowThreshold(6);
    setIntPar("S_matrix maxsize", 2);
    return useTheory(1, 1, 10);
  }
  static std::string rowFolder() { return getWorkDir() + "SA1_level_10.pdir"; }
  static void clearFolders() {
    std::error_code ignored;
    fs::remove_all(rowFolder(), ignored);
    fs::remove_all(getWorkDir() + "SA1_level_10.sdir", ignored);
  }
};

// P of a stored theory from the Weyl-sum S and the exact weights of the record.
Complex oracleP(SpectrumData* sd, int a, int b) {
  auto x = [&](int f) {
    Rat h;
    SM_getRatWeight(sd, f, &h);
    return static_cast<double>(h.num) / h.den - sd->c / 24.0;
  };
  Complex sum = 0.0;
  for (int m = 0; m < sd->n_primaries; ++m) {
    sum += directS(sd, a, m) * std::polar(1.0, 4 * kPi * x(m)) * directS(sd, m, b);
  }
  return std::polar(1.0, kPi * (x(a) + x(b))) * sum;
}

void expectPMatchesOracle(SpectrumData* sd) {
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int b = 0; b < sd->n_primaries; ++b) {
      ASSERT_TRUE(near(elementP(a, b), oracleP(sd, a, b))) << sd->name << " " << a << " " << b;
    }
  }
}

int computedEntries() {
  const ModularState& s = modularState();
  const std::int64_t half = s.pmatrixN * (s.pmatrixN + 1) / 2;
  int count = 0;
  for (std::int64_t k = 0; k < half; ++k) count += modularComputed(s.PMATRIX.data()[k]) ? 1 : 0;
  return count;
}

// Where the orbit rows keep P(a, b): the orbit and the column of the canonical pair.
struct RowPlace {
  int orbit, column, size, rep, k;
};
RowPlace placeOf(int a, int b) {
  int first, second;
  convertPLabels(a, b, &first, &second);
  const ModularState& s = modularState();
  const PrimaryOrbitEntry& e = s.Primaries[static_cast<std::size_t>(first)];
  const int k = FastSimpleFusion(e.current, second);
  return {e.orbit, k - s.PMatrixOrbitMinima[static_cast<std::size_t>(e.orbit)],
          s.PMatrixOrbitSizes[static_cast<std::size_t>(e.orbit)], e.rep, k};
}

}  // namespace

TEST_F(ModularPRowsTest, PIsTheMatrixProductOfRootTSTSquaredSAndRootT) {
  const int algebras[][3] = {{1, 1, 4}, {1, 2, 2}, {4, 4, 2}, {3, 2, 2}};
  for (const auto& a : algebras) {
    for (int useOrbits : {2, 0}) {
      setIntPar("Use_orbits", useOrbits);
      expectPMatchesOracle(useTheory(a[0], a[1], a[2]));
    }
  }
}

TEST_F(ModularPRowsTest, PIsSymmetricUnitaryAndSquaresToTheConjugation) {
  SpectrumData* sd = useTheory(1, 2, 3);  // complex fields
  const int n = sd->n_primaries;
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      EXPECT_TRUE(near(elementP(a, b), elementP(b, a)));
      Complex unitary = 0.0, square = 0.0;
      for (int m = 0; m < n; ++m) {
        unitary += elementP(a, m) * std::conj(elementP(b, m));
        square += elementP(a, m) * elementP(m, b);
      }
      EXPECT_TRUE(near(unitary, a == b ? 1.0 : 0.0));
      EXPECT_TRUE(near(square, getConjugate(a) == b ? 1.0 : 0.0));
    }
  }
}

TEST_F(ModularPRowsTest, ChargesThatDifferUnderAnOrderTwoCurrentGiveExactlyZero) {
  // A1 level 4: J (h = 1, order 2) is in the effective centre; Q_J(l) = l/2, so P_ab
  // vanishes for a + b odd.
  SpectrumData* sd = useTheory(1, 1, 4);
  initSMATRIX();
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) {
      if ((a1Label(sd, a) + a1Label(sd, b)) % 2 == 0) continue;
      double re = 1.0, im = 1.0;
      computePmatrix(a, b, &re, &im);
      EXPECT_EQ(re, 0.0);
      EXPECT_EQ(im, 0.0);
    }
  }
  // The closed form: P_ab = 2/sqrt(k+2) sin(pi (a+1)(b+1) / (2(k+2))) for a + b even.
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) {
      const int la = a1Label(sd, a), lb = a1Label(sd, b);
      if ((la + lb) % 2 != 0) continue;
      const double expected = 2 / std::sqrt(6.0) * std::sin(kPi * (la + 1) * (lb + 1) / 12.0);
      EXPECT_TRUE(near(elementP(a, b), Complex(expected, 0.0))) << la << " " << lb;
    }
  }
}

TEST_F(ModularPRowsTest, CanonicalPairsShareOnePackedEntry) {
  useTheory(1, 2, 2);  // A2 level 2: 1 <-> 2 and 3 <-> 5 conjugate
  ASSERT_NE(initPMATRIX(), nullptr);
  EXPECT_EQ(computedEntries(), 0);
  const int a = 1, b = 3;
  const int ac = getConjugate(a), bc = getConjugate(b);
  ASSERT_NE(ac, a);
  const Complex value = elementP(a, b);
  EXPECT_EQ(computedEntries(), 1);
  EXPECT_EQ(elementP(b, a), value);
  EXPECT_EQ(elementP(ac, bc), value);
  EXPECT_EQ(elementP(bc, ac), value);
  EXPECT_EQ(computedEntries(), 1);
  int first, second;
  convertPLabels(b, a, &first, &second);
  EXPECT_EQ(first, std::min({a, b, ac, bc}));
}

TEST_F(ModularPRowsTest, NoPTableAboveTheMaxsize) {
  SpectrumData* sd = useTheory(1, 1, 4);
  setIntPar("S_matrix maxsize", 4);
  CFTChanged();
  EXPECT_EQ(initPMATRIX(), nullptr);
  EXPECT_EQ(modularState().PMATRIXavailable, -1);
  expectPMatchesOracle(sd);
}

TEST_F(ModularPRowsTest, OrbitRowsGiveTheSameP) {
  setIntPar("S_matrix maxsize", 1);
  for (const auto& a :
       {std::array<int, 3>{1, 1, 6}, std::array<int, 3>{4, 4, 2}, std::array<int, 3>{1, 3, 2}}) {
    SpectrumData* sd = useTheory(a[0], a[1], a[2]);
    expectPMatchesOracle(sd);
    EXPECT_EQ(modularState().OrbitPAvailable, QueryCFT()) << sd->name;
  }
}

TEST_F(ModularPRowsTest, TheRowIndexNeedsTheOrbitTables) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  initOrbitPmatrix();
  EXPECT_TRUE(
      contains(capture.diagnostics, "Attempt to initialize orbit P matrix prior to S matrix"));
  EXPECT_NE(modularState().OrbitPAvailable, QueryCFT());
}

TEST_F(ModularPRowsTest, BelowTheThresholdNoFolderIsMade) {
  setModularDiskRowThreshold(7);
  setIntPar("S_matrix maxsize", 2);
  SpectrumData* sd = useTheory(1, 1, 10);
  clearFolders();
  elementP(1, 2);
  writePOrbits();
  EXPECT_FALSE(fs::exists(rowFolder()));
  expectPMatchesOracle(sd);
}

TEST_F(ModularPRowsTest, RowsAreWrittenAndReadBack) {
  SpectrumData* sd = diskTheory();
  clearFolders();
  OutputCapture capture;
  const Complex p12 = elementP(1, 2);
  EXPECT_TRUE(contains(capture.printed, "Creating directory " + rowFolder() + " for P matrix\n"));
  const RowPlace place = placeOf(1, 2);
  writePOrbits();
  const std::string file = rowFolder() + "/" + std::to_string(place.orbit);
  ASSERT_TRUE(fs::is_regular_file(file));

  // A new run on the same theory reads the row: the entry is there, and the entries
  // computed in neither run are still marked as not computed.
  resetAll();
  diskTheory();
  capture.clear();
  elementP(0, 0);
  EXPECT_TRUE(contains(capture.printed, "Reading existing P-matrix from " + rowFolder() + "\n"));
  std::vector<double> row(2 * static_cast<std::size_t>(place.size));
  ASSERT_EQ(getPBaseRow(row.data(), place.orbit, place.size, modularState().Pdir.c_str()), 1);
  EXPECT_TRUE(modularComputed(row[static_cast<std::size_t>(place.column)]));
  int unset = 0;
  for (int t = 0; t < place.size; ++t)
    unset += modularComputed(row[static_cast<std::size_t>(t)]) ? 0 : 1;
  EXPECT_GT(unset, 0);
  EXPECT_TRUE(near(elementP(1, 2), p12));
  EXPECT_TRUE(near(p12, oracleP(sd, 1, 2)));
}

TEST_F(ModularPRowsTest, AStoredEntryIsUsedInsteadOfComputed) {
  diskTheory();
  clearFolders();
  elementP(3, 4);
  const RowPlace place = placeOf(3, 4);
  // Plant a recognisable value for P(r, k) and write it.
  double* row = modularState().PMatrixOrbitPointers[static_cast<std::size_t>(place.orbit)]->data();
  row[place.column] = 0.5;
  row[place.size + place.column] = 0.0;
  writePOrbits();
  resetAll();
  diskTheory();
  initSMATRIX();
  // P(3, 4) = P(r, k) sqrt(T)(3)/sqrt(T)(r) sqrt(T)(4)/sqrt(T)(k).
  double r3, i3, rr, ir, r4, i4, rk, ik;
  comprootT(3, 3, &r3, &i3);
  comprootT(place.rep, place.rep, &rr, &ir);
  comprootT(4, 4, &r4, &i4);
  comprootT(place.k, place.k, &rk, &ik);
  const Complex expected =
      0.5 * Complex(r3, i3) / Complex(rr, ir) * Complex(r4, i4) / Complex(rk, ik);
  EXPECT_TRUE(near(elementP(3, 4), expected));
}

TEST_F(ModularPRowsTest, AShortRowFileIsReportedAndIgnored) {
  SpectrumData* sd = diskTheory();
  clearFolders();
  elementP(1, 2);
  const RowPlace place = placeOf(1, 2);
  fs::create_directories(rowFolder());
  // c = 3k/(k+2) = 5/2.
  std::ofstream(rowFolder() + "/" + std::to_string(place.orbit))
      << formatText("Zoq P row %d of A1 level 10; primaries 11; orbits 6; c %a\n", place.orbit, 2.5)
      << "0x1p-1 ";
  std::vector<double> row(2 * static_cast<std::size_t>(place.size));
  OutputCapture capture;
  EXPECT_EQ(getPBaseRow(row.data(), place.orbit, place.size, modularState().Pdir.c_str()), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected end of Pbase file; i=1"));
  // A fresh run computes the value instead.
  resetAll();
  diskTheory();
  EXPECT_TRUE(near(elementP(1, 2), oracleP(sd, 1, 2)));
}

TEST_F(ModularPRowsTest, TwoProcessesWritingOneTheoryLoseNothing) {
  SpectrumData* sd = diskTheory();
  clearFolders();
  initSMATRIX();
  initOrbitPmatrix();
  const int n = sd->n_primaries;
  // The parent computes the pairs with a + b even, the child those with a + b odd.
  auto computeShare = [&](int parity) {
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        if ((a + b) % 2 == parity) elementP(a, b);
      }
    }
  };
  int toChild[2], toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    computeShare(1);
    char token = 'c';
    bool ok = write(toParent[1], &token, 1) == 1 && read(toChild[0], &token, 1) == 1;
    for (int round = 0; round < 20; ++round) writePOrbits();
    _exit(ok ? 0 : 1);
  }
  computeShare(0);
  char token = 'p';
  ASSERT_EQ(read(toParent[0], &token, 1), 1);
  ASSERT_EQ(write(toChild[1], &token, 1), 1);
  for (int round = 0; round < 20; ++round) writePOrbits();
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // Every pair of either process is in the files.
  resetAll();
  diskTheory();
  initSMATRIX();
  initOrbitPmatrix();
  const ModularState& s = modularState();
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      const RowPlace place = placeOf(a, b);
      std::vector<double> row(2 * static_cast<std::size_t>(place.size));
      ASSERT_EQ(getPBaseRow(row.data(), place.orbit, place.size, s.Pdir.c_str()), 1)
          << a << " " << b;
      ASSERT_TRUE(modularComputed(row[static_cast<std::size_t>(place.column)])) << a << " " << b;
      const Complex stored(row[static_cast<std::size_t>(place.column)],
                           row[static_cast<std::size_t>(place.size + place.column)]);
      EXPECT_TRUE(near(stored, oracleP(sd, place.rep, place.k))) << a << " " << b;
    }
  }
}

TEST_F(ModularPRowsTest, AFolderThatCannotBeMadeLeavesTheRowsInMemory) {
  SpectrumData* sd = diskTheory();
  clearFolders();
  // A file stands where the folder should go.
  std::ofstream(rowFolder()) << "in the way";
  setBackground(1);
  OutputCapture capture;
  const Complex p = elementP(1, 2);
  setBackground(0);
  EXPECT_TRUE(
      contains(capture.all, "P-matrix directory could not be created; rows are kept in memory"));
  EXPECT_TRUE(near(p, oracleP(sd, 1, 2)));
  fs::remove(rowFolder());
}

TEST_F(ModularPRowsTest, OrbitMinimaAreThoseOfEveryCanonicalPair) {
  // Real and complex fields, trivial and larger centres, fixed points (A1 level 4, D4, the
  // N=2 model at level 4), E6 level 1.
  const int algebras[][3] = {{1, 1, 10}, {1, 1, 4}, {1, 2, 3}, {1, 3, 2}, {4, 4, 2}, {5, 6, 1}, {1, 4, 1}, {27, 2, 4}};
  for (const auto& a : algebras) {
    useTheory(a[0], a[1], a[2]);
    initSMATRIX();
    ASSERT_TRUE(orbitTablesValid()) << a[0] << " " << a[1] << " " << a[2];
    initOrbitPmatrix();
    const std::vector<int> expected = modular_test::minimaOfEveryPair();
    const ModularState& s = modularState();
    ASSERT_EQ(s.PMatrixOrbitMinima.size(), expected.size());
    for (std::size_t o = 0; o < expected.size(); ++o)
      EXPECT_EQ(s.PMatrixOrbitMinima[o], expected[o]) << a[0] << " " << a[1] << " " << a[2] << " orbit " << o;
  }
}
