// Simple-current orbit tables and the orbit S base: orbits, charges and phases, the packed
// base in memory, and the row cache with its row files (written, read back by a second
// process, recognised when truncated, foreign or corrupt, and refused folders).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "ModularTestSupport.h"
#include "groups/Discrete.h"
#include "program/ApplicationParameters.h"
#include "runtime/Defaults.h"
#include "runtime/Directories.h"

using namespace modular_test;
namespace fs = std::filesystem;

namespace {

class ModularOrbitsTest : public ModularTestBase {
 protected:
  // A1 at level 10: 11 primaries in 6 orbits, S rows on disk from 6 orbits on, and the
  // full table refused so that S comes from the orbit base.
  SpectrumData* diskTheory() {
    setModularDiskRowThreshold(6);
    setIntPar("S_matrix maxsize", 2);
    return useTheory(1, 1, 10);
  }
  static std::string rowFolder() { return getWorkDir() + "SA1_level_10.sdir"; }
  static std::string rowFile(int row) { return rowFolder() + "/" + std::to_string(row); }
  static void clearFolder() {
    std::error_code ignored;
    fs::remove_all(rowFolder(), ignored);
  }
  static std::string header(int row) {
    // c = 3k/(k+2) = 30/12 = 5/2.
    return formatText("Zoq S row %d of A1 level 10; primaries 11; orbits 6; c %a\n", row, 2.5);
  }
};

// S between the representatives of two orbits, from the closed form.
double baseS(const SpectrumData* sd, int o, int p) {
  const auto& map = modularState().OrbitMap;
  return a1S(10, a1Label(sd, map[static_cast<std::size_t>(o)]),
             a1Label(sd, map[static_cast<std::size_t>(p)]));
}

std::vector<Complex> allElements(int n) {
  std::vector<Complex> values;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) values.push_back(elementS(i, j));
  }
  return values;
}

void expectA1Values(const SpectrumData* sd, int k) {
  for (int i = 0; i < sd->n_primaries; ++i) {
    for (int j = 0; j < sd->n_primaries; ++j) {
      ASSERT_TRUE(near(elementS(i, j), Complex(a1S(k, a1Label(sd, i), a1Label(sd, j)), 0.0)))
          << i << " " << j;
    }
  }
}

}  // namespace

// --- Orbit tables ------------------------------------------------------------------------

TEST_F(ModularOrbitsTest, OrbitsChargesAndRepresentativesOfA1) {
  SpectrumData* sd = useTheory(1, 1, 6);
  initSMATRIX();
  ASSERT_EQ(ModularOrbitsAvailable(), QueryCFT());
  // J maps l to 6 - l: orbits {0,6} {1,5} {2,4} {3}, the fixed point 3 alone.
  EXPECT_EQ(getNumberOfOrbits(), 4);
  int total = 0;
  for (int i = 0; i < sd->n_primaries; ++i) {
    const PrimaryOrbitEntry* e = getPrimaryOrbitEntry(i);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(getOrbitStart(i), e->rep);
    EXPECT_LE(e->rep, i);  // the representative comes first in label order
    EXPECT_EQ(simpleFusion(e->current, e->rep), i);
    const int l = a1Label(sd, i);
    const int r = a1Label(sd, e->rep);
    EXPECT_TRUE(r == l || r == 6 - l);
    // Q_J(l) = l/2 mod 1, in units of 1/2.
    EXPECT_EQ(getChargeVector(i)[0], 0);
    EXPECT_EQ(getChargeVector(i)[1], l % 2);
    if (e->rep == i) {
      EXPECT_EQ(e->length, l == 3 ? 1 : 2);
      total += e->length;
    }
  }
  EXPECT_EQ(total, sd->n_primaries);
  EXPECT_EQ(modularState().AllCharges.Nfill, 2);
}

TEST_F(ModularOrbitsTest, TheCurrentTableIsTheGroupLaw) {
  // D4 level 2 (Z2 x Z2) and A3 level 2 (Z4): entry (a, b) is the product of the centre's
  // elements, component by component modulo the factors.
  for (const auto& [type, rank, level] : {std::tuple{4, 4, 2}, std::tuple{1, 3, 2}}) {
    useTheory(type, rank, level);
    initSMATRIX();
    const DGType* centre = getCenter();
    const int nG = centre->order;
    ASSERT_EQ(nG, 4);
    const auto& table = modularState().CurMultTable;
    ASSERT_EQ(table.size(), 16u);
    for (int a = 0; a < nG; ++a) {
      for (int b = 0; b < nG; ++b) {
        int expected = 0;
        int place = 1;
        for (int j = 0; j < centre->nfactors; ++j) {
          expected += (DG_decomp(centre, a, j) + DG_decomp(centre, b, j)) % centre->factors[j] * place;
          place *= centre->factors[j];
        }
        EXPECT_EQ(table[static_cast<std::size_t>(a * nG + b)], expected) << type << " " << a << " " << b;
      }
    }
  }
}

TEST_F(ModularOrbitsTest, OrbitsUnderAGroupWithFixedPoints) {
  SpectrumData* sd = useTheory(4, 4, 2);  // D4 level 2: Z2 x Z2, fixed points
  initSMATRIX();
  int total = 0;
  for (int o = 0; o < getNumberOfOrbits(); ++o) {
    const int rep = modularState().OrbitMap[static_cast<std::size_t>(o)];
    const PrimaryOrbitEntry* e = getPrimaryOrbitEntry(rep);
    std::set<int> members;
    for (int c = 0; c < 4; ++c) members.insert(e->images[c]);
    EXPECT_EQ(static_cast<int>(members.size()), e->length);
    EXPECT_EQ(4 % e->length, 0);  // an orbit's length divides the group order
    total += e->length;
  }
  EXPECT_EQ(total, sd->n_primaries);
  // Charges add up: Q_J(K x i) = Q_J(K) + Q_J(i) for the currents K.
  for (int i = 0; i < sd->n_primaries; ++i) {
    for (int J = 0; J < 4; ++J) {
      for (int K = 0; K < 4; ++K) {
        const int Ki = simpleFusion(K, i);
        EXPECT_EQ(getChargeVector(Ki)[J], (getChargeVector(K)[J] + getChargeVector(i)[J]) % 4);
      }
    }
  }
  EXPECT_LE(modularState().AllCharges.Nfill, 4);
}

TEST_F(ModularOrbitsTest, ChargeVectorsAreFoundAgainAndPhasesAreRootsOfUnity) {
  useTheory(1, 2, 2);  // Z3
  initSMATRIX();
  const int* v = getChargeVector(1);
  const int k = findChargeVector(v);
  ASSERT_GE(k, 0);
  EXPECT_EQ(getChargePointer(k), v);
  const int missing[] = {2, 2, 2};
  OutputCapture capture;
  EXPECT_LT(findChargeVector(missing), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Charge vector not found"));
  double re, im;
  const int q = ChargeCorrectionFactor(1, 1, 1, 1, &re, &im);
  EXPECT_EQ(q, (getChargeVector(1)[1] * 2) % 3);
  EXPECT_TRUE(near(Complex(re, im), std::polar(1.0, 2 * kPi * q / 3)));
  capture.clear();
  getChargeVector(99);
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: 99"));
}

TEST_F(ModularOrbitsTest, UseOrbitsDecidesWhatIsBuilt) {
  useTheory(1, 1, 4);
  setIntPar("Use_orbits", 0);
  CFTChanged();
  initSMATRIX();
  EXPECT_NE(ModularOrbitsAvailable(), QueryCFT());
  setIntPar("Use_orbits", 1);
  CFTChanged();
  initSMATRIX();
  EXPECT_EQ(ModularOrbitsAvailable(), QueryCFT());
  EXPECT_NE(modularState().OrbitSAvailable, QueryCFT());
  setIntPar("Use_orbits", 2);
  CFTChanged();
  initSMATRIX();
  EXPECT_EQ(modularState().OrbitSAvailable, QueryCFT());
}

TEST_F(ModularOrbitsTest, ANonSymmetricSGetsNoOrbitTables) {
  SpectrumData* sd = useTheory(1, 1, 4);
  sd->symmetric = 0;
  initSMATRIX();
  EXPECT_NE(ModularOrbitsAvailable(), QueryCFT());
  EXPECT_NE(modularState().SMATRIXavailable, QueryCFT());  // first-row mode
  MOD_set_S_CALL_TRACE(1);
  OutputCapture capture;
  elementS(1, 2);
  EXPECT_EQ(capture.stdoutText, "compS\ncompSDirect\n");
  sd->symmetric = 1;
}

TEST_F(ModularOrbitsTest, OrbitSMatchesTheWeylSum) {
  const int algebras[][3] = {{1, 2, 3}, {4, 4, 2}, {5, 6, 1}, {2, 3, 2}};
  for (const auto& a : algebras) {
    SpectrumData* sd = useTheory(a[0], a[1], a[2]);
    setIntPar("S_matrix maxsize", 1);  // the full table refused: the orbit base answers
    CFTChanged();
    initSMATRIX();
    ASSERT_EQ(modularState().OrbitSAvailable, QueryCFT());
    for (int i = 0; i < sd->n_primaries; ++i) {
      for (int j = 0; j < sd->n_primaries; ++j) {
        double re, im;
        compSfromOrbits(i, j, &re, &im);
        ASSERT_TRUE(near(Complex(re, im), directS(sd, i, j))) << sd->name << " " << i << " " << j;
      }
    }
    setIntPar("S_matrix maxsize", 400);
  }
}

TEST_F(ModularOrbitsTest, CircleTheoryOfOddRadiusKeepsItsChargesAndItsS) {
  // U(1) at radius N, charges q: Q_J(a) = -q_J q_a / N mod 1 and S_ab = exp(-2 pi i q_a q_b / N)
  // / sqrt(N), odd N included (there h = q^2/2N is defined only mod 1/2).
  for (int N : {3, 5, 7}) {
    OutputCapture capture;  // odd radii warn
    SpectrumData* sd = useTheory(0, N, 0);
    initSMATRIX();
    ASSERT_EQ(modularState().OrbitSAvailable, QueryCFT());
    auto charge = [&](int a) { return labelsOf(sd, a)[0]; };
    for (int a = 0; a < N; ++a) {
      for (int J = 0; J < N; ++J)
        EXPECT_EQ(orbitCharge(a, J), ((-charge(J) * charge(a)) % N + N) % N)
            << N << " " << a << " " << J;
    }
    for (int a = 0; a < N; ++a) {
      for (int b = 0; b < N; ++b) {
        const Complex want = std::polar(1.0 / std::sqrt(N), -2.0 * kPi * charge(a) * charge(b) / N);
        EXPECT_TRUE(near(elementS(a, b), want)) << N << " S(" << a << "," << b << ")";
        Complex product = 0.0;
        for (int c = 0; c < N; ++c) product += elementS(a, c) * std::conj(elementS(b, c));
        EXPECT_TRUE(near(product, a == b ? 1.0 : 0.0)) << N << " unitarity " << a << " " << b;
      }
    }
  }
}

// --- The row cache and its files ---------------------------------------------------------

TEST_F(ModularOrbitsTest, BelowTheThresholdTheBaseStaysInMemory) {
  setModularDiskRowThreshold(7);
  SpectrumData* sd = useTheory(1, 1, 10);  // 6 orbits
  clearFolder();
  initSMATRIX();
  EXPECT_EQ(modularState().compute_s_base, &compSBase);
  EXPECT_FALSE(fs::exists(rowFolder()));
  expectA1Values(sd, 10);
}

TEST_F(ModularOrbitsTest, FromTheThresholdRowsGoToFiles) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  OutputCapture capture;
  initSMATRIX();
  EXPECT_EQ(modularState().compute_s_base, &compSBaseFromDisk);
  EXPECT_TRUE(contains(capture.printed, "Creating directory " + rowFolder() + " for S matrix\n"));
  ASSERT_TRUE(fs::is_directory(rowFolder()));
  // Row 0 is loaded at set-up.
  const std::string text = readFile(rowFile(0));
  EXPECT_EQ(text.compare(0, header(0).size(), header(0)), 0);
  expectA1Values(sd, 10);
  // A second theory change finds the folder again.
  capture.clear();
  CFTChanged();
  initSMATRIX();
  EXPECT_TRUE(contains(capture.printed, "Reading existing S-matrix from " + rowFolder() + "\n"));
}

// From the threshold on the rows go to files whatever a timing would say: A1 level 10 has
// S elements so cheap that computing a row beats reading it, and two runs of one theory
// still print and leave the same (the default policy, without a threshold set by hand).
TEST_F(ModularOrbitsTest, RowFilesAreChosenBySizeAlone) {
  SpectrumData* sd = diskTheory();
  for (int run = 0; run < 3; ++run) {
    clearFolder();
    OutputCapture capture;
    CFTChanged();
    initSMATRIX();
    EXPECT_EQ(modularState().compute_s_base, &compSBaseFromDisk) << run;
    EXPECT_TRUE(contains(capture.printed, "Creating directory " + rowFolder() + " for S matrix\n"))
        << run;
    const std::string text = readFile(rowFile(0));
    EXPECT_EQ(text.compare(0, header(0).size(), header(0)), 0) << run;
    expectA1Values(sd, 10);
  }
}

TEST_F(ModularOrbitsTest, ARowEntersTheCacheOnItsSecondUncachedRequest) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  initSMATRIX();
  double re, im;
  compSBaseFromDisk(1, 2, &re, &im);  // computed directly, row 2 remembered
  EXPECT_FALSE(fs::exists(rowFile(2)));
  EXPECT_EQ(modularState().rowCache.last_row, 2);
  compSBaseFromDisk(3, 2, &re, &im);  // row 2 loaded, computed and written
  EXPECT_TRUE(fs::exists(rowFile(2)));
  const int slot = modularState().rowCache.StoreInfo[2];
  EXPECT_GE(slot, 1);
  // (2, 4) and (4, 2) are answered from that slot: no row 4 appears.
  compSBaseFromDisk(2, 4, &re, &im);
  compSBaseFromDisk(4, 2, &re, &im);
  EXPECT_FALSE(fs::exists(rowFile(4)));
  EXPECT_NEAR(re, baseS(sd, 4, 2), kTol);
}

TEST_F(ModularOrbitsTest, ASecondProcessReadsIdenticalValues) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  initSMATRIX();
  // Touch every row twice so that all rows are written.
  for (int a = 0; a < 6; ++a) {
    double re, im;
    compSBaseFromDisk(a, a, &re, &im);
    compSBaseFromDisk(a, a, &re, &im);
  }
  for (int a = 0; a < 6; ++a) ASSERT_TRUE(fs::exists(rowFile(a))) << a;
  const std::vector<Complex> mine = allElements(sd->n_primaries);
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(channel[0]);
    resetAll();
    diskTheory();
    initSMATRIX();
    const std::vector<Complex> theirs = allElements(11);
    const ssize_t bytes = static_cast<ssize_t>(theirs.size() * sizeof(Complex));
    _exit(write(channel[1], theirs.data(), static_cast<std::size_t>(bytes)) == bytes ? 0 : 1);
  }
  close(channel[1]);
  std::vector<Complex> theirs(mine.size());
  std::size_t got = 0;
  while (got < theirs.size() * sizeof(Complex)) {
    const ssize_t n = read(channel[0], reinterpret_cast<char*>(theirs.data()) + got,
                           theirs.size() * sizeof(Complex) - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(got, theirs.size() * sizeof(Complex));
  for (std::size_t k = 0; k < mine.size(); ++k)
    EXPECT_EQ(theirs[k], mine[k]) << k;  // exact: "%a" round trip
}

TEST_F(ModularOrbitsTest, RowsAreReadFromTheirFiles) {
  diskTheory();
  clearFolder();
  fs::create_directories(rowFolder());
  // A planted row 3 with the theory's header: its values must be what the cache answers.
  std::string planted = header(3);
  for (int k = 0; k < 12; ++k) planted += formatText("%a ", k < 6 ? 0.25 : 0.0);
  std::ofstream(rowFile(3)) << planted;
  initSMATRIX();
  double re, im;
  compSBaseFromDisk(1, 3, &re, &im);
  compSBaseFromDisk(2, 3, &re, &im);
  EXPECT_EQ(re, 0.25);
  EXPECT_EQ(readFile(rowFile(3)), planted);  // an intact file is never rewritten
}

TEST_F(ModularOrbitsTest, TruncatedForeignAndCorruptRowsAreComputedAgain) {
  const std::vector<std::string> damaged = {
      header(3) + "0x1p-2 0x1p-2 ",  // truncated
      formatText("Zoq S row 3 of A1 level 10; primaries 11; orbits 7; c %a\n", 2.5) +
          std::string(12, '1'),              // another theory
      header(3) + std::string(12 * 7, 'x'),  // not numbers
      header(3) +
          [] {  // one number too many
            std::string t;
            for (int k = 0; k < 13; ++k) t += "0x1p-2 ";
            return t;
          }(),
  };
  for (const std::string& bad : damaged) {
    resetAll();
    SpectrumData* sd = diskTheory();
    clearFolder();
    fs::create_directories(rowFolder());
    std::ofstream(rowFile(3)) << bad;
    initSMATRIX();
    double re, im;
    compSBaseFromDisk(1, 3, &re, &im);
    compSBaseFromDisk(2, 3, &re, &im);
    EXPECT_NEAR(re, baseS(sd, 3, 2), kTol);
    const std::string text = readFile(rowFile(3));
    const std::string expected = header(3);
    EXPECT_EQ(text.compare(0, expected.size(), expected), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), ' ') -
                  std::count(expected.begin(), expected.end(), ' '),
              12);
  }
}

TEST_F(ModularOrbitsTest, AFolderThatCannotBeMadeFallsBackToMemory) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  std::ofstream(rowFolder()) << "in the way";
  // A warning, also in a background run, which goes on.
  setBackground(1);
  OutputCapture capture;
  initSMATRIX();
  setBackground(0);
  EXPECT_TRUE(contains(capture.all, "S-matrix directory not created; rows are kept in memory"));
  EXPECT_EQ(modularState().OrbitSAvailable, QueryCFT());
  expectA1Values(sd, 10);
  EXPECT_TRUE(fs::is_regular_file(rowFolder()));
  fs::remove(rowFolder());
}

TEST_F(ModularOrbitsTest, ReusableSlots) {
  // Free slots first (slot 0 is never handed out).
  const int someFree[] = {5, 3, -1, 4};
  EXPECT_EQ(getReUsableRow(someFree, 6, 4), 2);
  // Otherwise the first slot at least MaxRow - 1 = 3 calls old.
  const int used[] = {9, 8, 5, 7};
  EXPECT_EQ(getReUsableRow(used, 9, 4), 2);
  OutputCapture capture;
  const int fresh[] = {9, 8, 8, 9};
  EXPECT_EQ(getReUsableRow(fresh, 9, 4), 1);
  EXPECT_TRUE(contains(capture.diagnostics, "No suitable row found for S orbit data; returning 1"));
  EXPECT_TRUE(contains(capture.printed, "Last calls[1,...]  (8,8,9)\n"));
  EXPECT_TRUE(contains(capture.printed, "CallSeq: 9\n"));
}

TEST_F(ModularOrbitsTest, TheCallCounterIsLoweredBeforeItOverflows) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  initSMATRIX();
  OrbitRowCache& cache = modularState().rowCache;
  ASSERT_GE(cache.MaxRow, 4);
  cache.CallSeq = 1999999999;
  cache.LastCalls[1] = 1999999990;
  cache.LastCalls[2] = 5;
  cache.LastCalls[3] = -1;
  double re, im;
  compSBaseFromDisk(0, 4, &re, &im);  // row 0 lives in slot 0
  EXPECT_EQ(cache.CallSeq, 1000000000);
  EXPECT_EQ(cache.LastCalls[0], 1000000000);
  EXPECT_EQ(cache.LastCalls[1], 999999990);
  EXPECT_EQ(cache.LastCalls[2], 0);
  EXPECT_EQ(cache.LastCalls[3], -1);
  EXPECT_NEAR(re, baseS(sd, 0, 4), kTol);
}

TEST_F(ModularOrbitsTest, TheCacheRefusesRequestsBeforeItsSetUp) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  double re = 1.0, im = 1.0;
  compSBaseFromDisk(0, 0, &re, &im);
  EXPECT_EQ(re, 0.0);
  EXPECT_TRUE(contains(capture.diagnostics, "Unexpected NULL pointer"));
}

TEST_F(ModularOrbitsTest, AGroupTooLargeForTheTablesIsComputedDirectly) {
  // U(1) at radius 8000: 8000^2 ints for the multiplication table alone exceed the budget.
  SpectrumData* sd = useTheory(0, 8000, 0);
  ASSERT_EQ(sd->n_primaries, 8000);
  OutputCapture capture;
  initSMATRIX();
  EXPECT_TRUE(contains(
      capture.diagnostics,
      "Simple-current group of order 8000 too large for orbit tables; S is computed directly"));
  EXPECT_NE(ModularOrbitsAvailable(), QueryCFT());
  // |S_ab| = 1/sqrt(N) for U(1) at radius N; S_0b = 1/sqrt(N).
  EXPECT_NEAR(std::abs(elementS(17, 4711)), 1 / std::sqrt(8000.0), kTol);
  EXPECT_TRUE(near(elementS(0, 4711), Complex(1 / std::sqrt(8000.0), 0.0)));
  // The refusal is made once per theory.
  capture.clear();
  initSMATRIX();
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(ModularOrbitsTest, PWithoutOrbitTablesRaisesNoOrbitRowAlert) {
  SpectrumData* sd = useTheory(1, 1, 4);
  sd->symmetric = 0;
  OutputCapture capture;
  elementP(1, 2);
  EXPECT_FALSE(
      contains(capture.diagnostics, "Attempt to initialize orbit P matrix prior to S matrix"));
  sd->symmetric = 1;
}

TEST_F(ModularOrbitsTest, RowFilesStayWithinTheirBound) {
  SpectrumData* sd = diskTheory();
  clearFolder();
  setIntPar("S_rows maxsize", 0);
  OutputCapture capture;
  initSMATRIX();
  EXPECT_TRUE(contains(capture.printed, "S-matrix row files: 0, 0 bytes (bound 0 MB)\n"));
  for (int a = 0; a < 6; ++a) {
    double re, im;
    compSBaseFromDisk(a, a, &re, &im);
    compSBaseFromDisk(a, a, &re, &im);
  }
  EXPECT_TRUE(fs::is_directory(rowFolder()));
  EXPECT_TRUE(fs::is_empty(rowFolder()));
  expectA1Values(sd, 10);
  setIntPar("S_rows maxsize", 100);
}
