// Heterotic search jobs: run-control codes and files, statistics and AutoRepeat, the result
// files and their readers, the damage checks of earlier results, the per-prime store and
// the prime combination, the subgroup tables of the systematic search and the random
// search, on small products whose current groups are known: E8 (no currents), SU(2) at
// level 1 (Z2, current weight 1/4), SU(3) at level 1 (Z3), SO(10) at level 1 (Z4).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "HeteroticTestSupport.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/RunControl.h"
#include "invariants/Invariants.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int wordCount(const std::string& line) {
  std::istringstream in(line);
  int count = 0;
  for (std::string word; in >> word;) ++count;
  return count;
}

int occurrences(const std::string& text, const std::string& piece) {
  int count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

class HeteroticJobsTest : public HeteroticTest {
 protected:
  void SetUp() override {
    HeteroticTest::SetUp();
    run(("set outputdir " + folder.path()).c_str());
    capture.clear();
  }

  // The product of the factor commands, "Heterotic factors" and "Particle factors" 1, the
  // names, and the set-up of "compute heterotic".
  void search(std::initializer_list<const char*> factors, std::initializer_list<const char*> names) {
    run("tensor");
    for (const char* f : factors) run(f);
    setIntPar("Heterotic factors", 1);
    setIntPar("Particle factors", 1);
    for (const char* name : names) run(name);
    ASSERT_EQ(run("compute heterotic"), 0);
    ASSERT_EQ(getHeteroticSetUpDone(), 1);
    capture.clear();
  }

  static std::string file(const char* suffix) { return heteroticFileName(suffix); }
  static void write(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
  static bool present(const std::string& path) { return checkDir(path.c_str()) == 1; }
  // One algebra (number 0) in the catalogue file, so that stored rows may name it.
  static void writeAlgebraList() {
    std::string line = "    0 ";
    for (int r = 0; r < getNumberOfPatternRoots(); ++r) line += "0 ";
    write(file(".AlgList"), line + "\n");
  }

  // A spectrum row of R + 8 ints: families, the R - 1 stored name counts, then the rest.
  static std::vector<int> row(int R, std::vector<int> head, int model, int level = 1) {
    std::vector<int> r(static_cast<std::size_t>(R) + 8, 0);
    std::copy(head.begin(), head.end(), r.begin());
    r[static_cast<std::size_t>(R) + 6] = level;
    r[static_cast<std::size_t>(R) + 7] = model;
    return r;
  }

  // The result files of earlier jobs read as a new process would, with everything it
  // writes on the standard error: for the death tests of damaged files.
  static void readPreviousDataInThisProcess() {
    setOutputSink(nullptr);
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    readPreviousData();
  }
  // The name of a result file as a pattern (its braces escaped).
  static std::string pattern(const std::string& path) {
    std::string escaped;
    for (char c : path) {
      if (std::strchr("{}().*+?[]|^$\\", c) != nullptr) escaped += '\\';
      escaped += c;
    }
    return escaped;
  }
  // ".spectra" of the product E8 x A1 with the one name "Q" (R = 1): one line of ten
  // numbers per spectrum, families first, the multiplicity last.
  static std::string spectrumText(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\n";
    return text;
  }

  TemporaryFolder folder;
};

const char* const kZ2Z2Z3[] = {"g e 8 1", "g a 1 1", "g a 1 1", "g a 2 1"};

}  // namespace

// ---------------------------------------------------------------------------------------
// Set-up and run control

TEST_F(HeteroticJobsTest, TheSetUpRunsOnceAndSwitchesToTheHeteroticMode) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  EXPECT_EQ(getGeneralKillFileName(), folder.path() + "/KILL");
  EXPECT_EQ(getGeneralStopFileName(), folder.path() + "/STOP");
  EXPECT_EQ(getGeneralSleepFileName(), folder.path() + "/SLEEP");
  EXPECT_EQ(getHeteroticScan(), 1);
  // The spectrum rows carry the one name and eight numbers.
  EXPECT_EQ(getSpectra().rowLength(), 1 + 8);
  // Back in tensor mode, a second set-up is refused and changes nothing.
  run("tensor");
  capture.clear();
  EXPECT_NE(run("compute heterotic"), 0);
  EXPECT_TRUE(alerted("Multiple calls to \"compute heterotic\" are not allowed\nPlease split input "
                      "file into separate ones."));
  EXPECT_EQ(getHeteroticSetUpDone(), 1);
}

TEST_F(HeteroticJobsTest, DriversRefuseWithoutASetUp) {
  run("tensor");
  run("g a 1 1");
  EXPECT_EQ(ComputeFilter(currentTensor), 1);
  EXPECT_TRUE(alerted("No heterotic set-up; type \"compute heterotic\" first"));
  EXPECT_EQ(generateRandomFilter(1, 1, currentTensor), 1);
  EXPECT_EQ(SystematicFilterComputation(currentTensor), 1);
  // The heterotic mode is off: its commands are refused by the interpreter.
  EXPECT_NE(run("compute filter"), 0);
}

TEST_F(HeteroticJobsTest, AFailedSetUpLeavesTheHeteroticModeOff) {
  run("tensor");
  run("g e 8 1");
  run("g a 1 1");
  // SU(2) has two fields, SU(3) three: the lift cannot be made.
  setLiftIdentifier(2, SM_getData(1, 2, 1));
  EXPECT_NE(run("compute heterotic"), 0);
  EXPECT_TRUE(alerted("Number of primaries does not match (2 <--> 3)"));
  EXPECT_EQ(getHeteroticSetUpDone(), 0);
  EXPECT_NE(run("compute filter"), 0);
  EXPECT_TRUE(alerted("Command only works in heterotic mode"));
  EXPECT_EQ(ComputeFilter(currentTensor), 1);
}

TEST_F(HeteroticJobsTest, RunControlFilesInTheirOrderAndTaskFilesAreRemoved) {
  search({"g e 8 1", "g a 1 1"}, {});
  const std::string task = file("");
  EXPECT_EQ(checkHeteroticInterrupt(), 0);
  write(getGeneralSleepFileName(), "");
  EXPECT_EQ(checkHeteroticInterrupt(), 31);
  write(task + ".sleep", "");
  EXPECT_EQ(checkHeteroticInterrupt(), 11);
  write(getGeneralStopFileName(), "");
  EXPECT_EQ(checkHeteroticInterrupt(), 32);
  EXPECT_TRUE(present(getGeneralStopFileName()));
  write(task + ".stop", "");
  EXPECT_EQ(checkHeteroticInterrupt(), 12);
  EXPECT_FALSE(present(task + ".stop"));
  EXPECT_EQ(checkHeteroticInterrupt(), 32);
  write(getGeneralKillFileName(), "");
  EXPECT_EQ(checkHeteroticInterrupt(), 33);
  EXPECT_TRUE(present(getGeneralKillFileName()));
  write(task + ".kill", "");
  EXPECT_EQ(checkHeteroticInterrupt(), 13);
  EXPECT_FALSE(present(task + ".kill"));
  EXPECT_NE(capture.printed.find("Task kill signal encountered at"), std::string::npos);
  EXPECT_NE(capture.printed.find("Project kill signal encountered at time"), std::string::npos);
  // A task sleep file stays; the project files stay.
  EXPECT_TRUE(present(task + ".sleep"));
}

TEST_F(HeteroticJobsTest, MaxhoursCountsOnlyCpuTimeBeyondTheLimit) {
  search({"g e 8 1", "g a 1 1"}, {});
  FixedClock clock(3600LL * 1000000);
  setIntPar("Maxhours", 1);
  EXPECT_EQ(checkHeteroticInterrupt(), 0);
  clock.set(3600LL * 1000000 + 1000);
  EXPECT_EQ(checkHeteroticInterrupt(), 14);
  EXPECT_NE(capture.printed.find("Time limit exceeded at"), std::string::npos);
  setIntPar("Maxhours", 2000000000);
  clock.set(1000000LL * 3600 * 100000);
  EXPECT_EQ(checkHeteroticInterrupt(), 0);
}

TEST_F(HeteroticJobsTest, FiveNewSpectraAnHourLeaveAutoRepeatOffSixChooseIt) {
  search({"g e 8 1", "g a 1 1"}, {});
  FixedClock clock(3600LL * 1000000);
  heteroticJobs().newSpectrumCount = 5;
  GSC_printStatistics(3);
  EXPECT_NE(capture.printed.find("Number of new spectra per hour: 5\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("AutoRepeat set to off"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Choosing AutoRepeat"), std::string::npos);
  capture.clear();
  heteroticJobs().newSpectrumCount = 6;
  GSC_printStatistics(3);
  EXPECT_NE(capture.printed.find("Number of new spectra per hour: 6\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Choosing AutoRepeat"), std::string::npos);
  // The marker of the write is gone again; the statistics row is one TeX line.
  EXPECT_FALSE(present(file(".writing")));
  const std::string statistics = readFile(file(".statistics"));
  EXPECT_EQ(linesOf(statistics).size(), 1u);
  EXPECT_NE(statistics.find(") & 0 & 6 (3600.00 secs) \\ \n"), std::string::npos);
}

TEST_F(HeteroticJobsTest, LevelTablesLeaveOutRejectedRowsAndLevelsOfTwentyOrMore) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  HeteroticRows& spectra = getSpectraForUpdate();
  const int R = 1;
  spectra.add(row(R, {3}, 0, 1).data(), 4);
  spectra.add(row(R, {6}, 1, 1).data(), 2);
  spectra.add(row(R, {0}, 2, 2).data(), 7);
  spectra.add(row(R, {9}, -1, 1).data(), 1);
  spectra.add(row(R, {12}, 3, 25).data(), 1);
  GSC_printStatistics(3);
  // Level 1: two rows, smallest multiplicity 2; level 2: one row of 7; level 0 empty.
  EXPECT_NE(capture.printed.find("level saturation  (0,2,7)"), std::string::npos);
  EXPECT_NE(capture.printed.find("Level distribution  (0,2,1)"), std::string::npos);
  const std::string statistics = readFile(file(".statistics"));
  EXPECT_NE(statistics.find("(-,2,7) & (0,2,1)"), std::string::npos);
  // Families 3, 6, 0, 0 (rejected) and 12: one with three, gcd 3, largest 12.
  EXPECT_NE(statistics.find(" 1 & 3 & 12 & "), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Result files

TEST_F(HeteroticJobsTest, SpectrumLinesHaveRPlusNineNumbersAndTheBackupEndsWithTheMarkers) {
  search({"g e 8 1", "g a 1 1", "g a 2 1"}, {"name rep Q 0"});
  const int R = 1;
  HeteroticRows& spectra = getSpectraForUpdate();
  spectra.add(row(R, {6}, 1).data(), 2);
  spectra.add(row(R, {3}, 0).data(), 5);
  GSC_printAllSpectra(0);
  GSC_printAllSpectra(1);
  const std::vector<std::string> sorted = linesOf(readFile(file(".spectra")));
  ASSERT_EQ(sorted.size(), 2u);
  for (const std::string& line : sorted) EXPECT_EQ(wordCount(line), R + 9);
  // Sorted on the identifying numbers: three families first; the count closes the line.
  EXPECT_EQ(sorted[0].substr(0, 7), "      3");
  EXPECT_EQ(sorted[0].substr(sorted[0].size() - 11), "         5 ");
  const std::vector<std::string> backup = linesOf(readFile(file(".spectra_backup")));
  ASSERT_EQ(backup.size(), 3u);
  EXPECT_EQ(backup[0].substr(0, 7), "      6");
  std::string end;
  for (int i = 0; i < R + 9; ++i) end += " 999999";
  EXPECT_EQ(backup[2], end);
}

TEST_F(HeteroticJobsTest, TheNextModelNumberFollowsTheLastOriginLine) {
  search({"g e 8 1", "g a 1 1"}, {});
  EXPECT_EQ(getModelNumber(1), 0);
  EXPECT_EQ(getLastModelNumber(file(".origin").c_str()), -1);
  // Lines of any length; the largest first number counts, whatever the order.
  std::string origin = "    0      1   0        | 0 \n    7      1   1        | 1 \n";
  origin += "    3 " + std::string(3000, ' ') + "1 | 0\n";
  write(file(".origin"), origin);
  EXPECT_EQ(getLastModelNumber(file(".origin").c_str()), 7);
  getModelNumber(0);
  EXPECT_EQ(getModelNumber(1), 8);
  getModelNumber(2);
  EXPECT_EQ(getModelNumber(1), 9);
  EXPECT_EQ(getModelNumber(5), -1);
  EXPECT_TRUE(alerted("Invalid mode"));
  write(file(".AlgList"), "    0 0 1 \n    1 0 2 \n");
  EXPECT_EQ(getLastAlgebraNumber(file(".AlgList").c_str()), 1);
  write(file(".empty"), "");
  EXPECT_EQ(getLastAlgebraNumber(file(".empty").c_str()), -1);
}

TEST_F(HeteroticJobsTest, ASecondJobContinuesTheModelNumbering) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  ASSERT_EQ(run("filter complete"), 0);
  GSC_printStatistics(2);
  const int lines = static_cast<int>(linesOf(readFile(file(".origin"))).size());
  ASSERT_GE(lines, 1);
  resetAll();
  run(("set outputdir " + folder.path()).c_str());
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  EXPECT_EQ(getModelNumber(1), lines);
  readPreviousData();
  // The stored spectrum was found with more generators before: the Z3 filter of one
  // generator finds it again and records its origin under the next number.
  HeteroticRows& spectra = getSpectraForUpdate();
  ASSERT_EQ(spectra.size(), 1);
  spectra.row(0)[1 + 6] = 5;
  run("add filter 0 0 0 1");
  capture.clear();
  ASSERT_EQ(run("compute filter"), 0);
  EXPECT_NE(capture.printed.find("Changing nr. of generators from 5 to "), std::string::npos);
  const std::vector<std::string> origin = linesOf(readFile(file(".origin")));
  ASSERT_EQ(static_cast<int>(origin.size()), lines + 1);
  EXPECT_EQ(origin.back().substr(0, 5), formatText("%5d", lines));
  EXPECT_EQ(getModelNumber(1), lines + 1);
}

TEST_F(HeteroticJobsTest, AnOriginLineHasSixBlanksAfterEachGeneratorAndTheXMatrix) {
  search({"g e 8 1", "g a 1 1", "g a 1 1"}, {});
  HeteroticFilterInfo info;
  info.generators.reset(3);
  const int g0[3] = {0, 1, 0};
  const int g1[3] = {0, 0, 1};
  info.generators.add(g0, 1);
  info.generators.add(g1, 1);
  SimpleCurrentData MD;
  const int orders[2] = {2, 2};
  MD.group = DG_find(orders, 2);
  MD.context = &info;
  MD.monodromies = {0, 0, 0, 0, 1, 0, 0, 1};
  EXPECT_EQ(originLine(&MD, true),
            "    0      0   1   0         0   0   1        | 1 0 0 1 \n");
  EXPECT_EQ(originLine(&MD, false), "  0   1   0         0   0   1        | 1 0 0 1 \n");
}

TEST_F(HeteroticJobsTest, AFilterCompleteRunIsReproducedByRegeneratingItsOrigin) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  ASSERT_EQ(run("filter complete"), 0);
  GSC_printStatistics(2);
  const std::vector<std::string> first = linesOf(readFile(file(".spectra")));
  ASSERT_FALSE(first.empty());
  const std::string origin = readFile(file(".origin"));
  ASSERT_FALSE(origin.empty());
  // A new job in a fresh folder regenerates from the origin file alone.
  TemporaryFolder second;
  resetAll();
  run(("set outputdir " + second.path()).c_str());
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  const std::string copy = second.path("copy.origin");
  write(copy, origin);
  ASSERT_EQ(run(("regenerate " + copy).c_str()), 0);
  const std::vector<std::string> again = linesOf(readFile(file(".spectra")));
  ASSERT_EQ(again.size(), first.size());
  // Every stored row comes back; only how often it was found may differ.
  for (std::size_t i = 0; i < first.size(); ++i)
    EXPECT_EQ(again[i].substr(0, again[i].size() - 11), first[i].substr(0, first[i].size() - 11));
}

TEST_F(HeteroticJobsTest, RebuildMovesTheResultFilesAsideAndReadsTheMovedOrigin) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  ASSERT_EQ(run("filter complete"), 0);
  GSC_printStatistics(2);
  const std::string origin = readFile(file(".origin"));
  const std::string algebras = readFile(file(".alg"));
  ASSERT_FALSE(origin.empty());
  write(file(".origin_0"), "taken\n");
  // The next job rebuilds.
  resetAll();
  run(("set outputdir " + folder.path()).c_str());
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  EXPECT_EQ(run("rebuild"), 0);
  // The first free name was "_1"; the old files keep their contents there.
  EXPECT_EQ(readFile(file(".origin_0")), "taken\n");
  EXPECT_EQ(readFile(file(".origin_1")), origin);
  EXPECT_EQ(readFile(file(".alg_0")), algebras);
  EXPECT_TRUE(present(file(".AlgList_0")));
  EXPECT_TRUE(present(file(".spectra_0")));
  EXPECT_NE(capture.stdoutText.find("Reading file " + file(".origin_1") + "\n"), std::string::npos);
  // The filters were evaluated again and their results written anew.
  EXPECT_NE(capture.printed.find("No previous data"), std::string::npos);
  EXPECT_EQ(linesOf(readFile(file(".origin"))).size(), linesOf(origin).size());
}

TEST_F(HeteroticJobsTest, PrintedSpectraNameTheirRepresentations) {
  search({"g e 8 1", "g a 1 1", "g a 1 1"}, {"name rep Q 0", "select rep 0"});
  setIntPar("Heterotic print_spectrum", 1);
  run("add filter 0 1 1");
  ASSERT_EQ(run("compute filter"), 0);
  // The selected representation once, then each left representation titled by its name
  // ("%4d x %-8s"), between the two separator lines.
  const std::string& out = capture.printed;
  const std::size_t open = out.find(" NEW SPECTRUM ");
  const std::size_t named = out.find("\n   1 x Q         (0)\n");
  const std::size_t close = out.find(" COMPLETED ");
  ASSERT_NE(open, std::string::npos);
  EXPECT_NE(out.find("Left representation associated with the following reps  (0)\n", open),
            std::string::npos);
  ASSERT_NE(named, std::string::npos);
  ASSERT_NE(close, std::string::npos);
  EXPECT_LT(open, named);
  EXPECT_LT(named, close);
}

TEST_F(HeteroticJobsTest, RegenerateOfAMissingFileFails) {
  search({"g e 8 1", "g a 1 1"}, {});
  EXPECT_EQ(readFilterList(currentTensor, folder.path("nosuch.origin").c_str()), -1);
  EXPECT_TRUE(alerted("Cannot open file"));
  EXPECT_EQ(run(("regenerate " + folder.path("nosuch.origin")).c_str()), 1);
}

// ---------------------------------------------------------------------------------------
// Earlier results

TEST_F(HeteroticJobsTest, ABackupCutInMidLineIsPassedOverAndNothingIsLost) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  const int R = 1;
  HeteroticRows& spectra = getSpectraForUpdate();
  spectra.add(row(R, {3}, 0).data(), 5);
  spectra.add(row(R, {6}, 1).data(), 2);
  GSC_printAllSpectra(0);
  const std::string full = readFile(file(".spectra"));
  write(file(".spectra_backup"), full.substr(0, full.size() / 2 + 3));
  write(file(".writing"), "");
  spectra.reset(R + 8, R + 5);
  writeAlgebraList();
  readPreviousData();
  EXPECT_EQ(getSpectra().size(), 2);
  EXPECT_EQ(getSpectra().count(getSpectra().find(row(R, {3}, 0).data())), 5);
  EXPECT_NE(capture.diagnostics.find("Incomplete backup file"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("interrupted while writing"), std::string::npos);
  EXPECT_FALSE(present(file(".writing")));
  // Reading again in the same run changes nothing.
  readPreviousData();
  EXPECT_EQ(getSpectra().size(), 2);
}

TEST_F(HeteroticJobsTest, ACompleteBackupIsReadBeforeTheSpectrumFile) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  const int R = 1;
  HeteroticRows& spectra = getSpectraForUpdate();
  spectra.add(row(R, {3}, 0).data(), 5);
  GSC_printAllSpectra(0);
  spectra.add(row(R, {6}, 1).data(), 2);
  GSC_printAllSpectra(1);
  spectra.reset(R + 8, R + 5);
  writeAlgebraList();
  readPreviousData();
  EXPECT_EQ(getSpectra().size(), 2);
  EXPECT_TRUE(silent());
}

TEST_F(HeteroticJobsTest, CorruptionIsJudgedOnRealPairsOnly) {
  // SU(12) at level 1: field k and 12 - k are conjugate, field 6 is self-conjugate.
  search({"g a 11 1", "g a 1 1"},
         {"name rep Q 1", "name rep U 2", "name rep D 3", "name rep L 4", "name rep E 5",
          "name rep N 6"});
  ASSERT_EQ(getRepNames().size(), 11);
  const int R = 11;
  // Families 3; the pairs (4,1), (3,0), (3,0), (0,3), (1,4).
  std::vector<int> good = row(R, {3, 4, 1, 3, 0, 3, 0, 0, 3, 1, 4}, 0);
  EXPECT_EQ(DataCorruptionCheck(good.data()), 0);
  std::vector<int> bad = good;
  bad[2] = 2;  // (4,2)
  EXPECT_EQ(DataCorruptionCheck(bad.data()), 1);
  // A rejected row is never damaged.
  bad[static_cast<std::size_t>(R) + 7] = -1;
  EXPECT_EQ(DataCorruptionCheck(bad.data()), 0);
}

TEST_F(HeteroticJobsTest, ASelfConjugateNameIsNotComparedWithItsNeighbour) {
  // "N" (field 6) comes first and takes one slot; "Q" and "Q*" follow, then "E" (field 0)
  // whose count is not stored.
  search({"g a 11 1", "g a 1 1"}, {"name rep N 6", "name rep Q 1", "name rep E 0"});
  ASSERT_EQ(getRepNames().size(), 4);
  std::vector<int> r = row(4, {2, 7, 5, 3}, 0);
  EXPECT_EQ(DataCorruptionCheck(r.data()), 0);
  r[3] = 4;
  EXPECT_EQ(DataCorruptionCheck(r.data()), 1);
}

TEST_F(HeteroticJobsTest, FamilyNumbersThreeSixAndZero) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  HeteroticRows& spectra = getSpectraForUpdate();
  spectra.add(row(1, {3}, 0).data(), 1);
  spectra.add(row(1, {6}, 1).data(), 1);
  spectra.add(row(1, {0}, 2).data(), 1);
  computeSpectrumCharacteristics();
  EXPECT_EQ(getFamilyGcd(), 3);
  EXPECT_EQ(getMaxEul(), 6);
  EXPECT_EQ(getN3fam(), 1);
}

TEST_F(HeteroticJobsTest, ImpossibleValuesOfTheSpectrumFileEndTheRunWithTheirLine) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  writeAlgebraList();
  // Positions: families, the susy code, exotics, class, algebra, dimension, prime code,
  // level, model number, multiplicity (R = 1: no name count is stored).
  const std::string good =
      "      3      0      0      0      0       12        0  1      0         4";
  const struct {
    const char* line;
    const char* named;
  } cases[] = {
      // A family count is an absolute value.
      {"     -3      0      0      0      0       12        0  1      1         4",
       "family count -3"},
      {"      3     -2      0      0      0       12        0  1      1         4",
       "supersymmetry code -2"},
      {"      3      0      0      0      0       12        0 -1      1         4", "level -1"},
      {"      3      0      0      0      0       12        0  1     -2         4",
       "model number -2"},
      // A spectrum is found at least once, and fewer than 10^9 times.
      {"      3      0      0      0      0       12        0  1      1         0",
       "multiplicity 0"},
      {"      6      0      0      0      0       12        0  1      1 2147483648",
       "multiplicity 2147483648"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    const std::string text = spectrumText({good.c_str(), c.line});
    write(file(".spectra"), text);
    EXPECT_EXIT(readPreviousDataInThisProcess(), ::testing::ExitedWithCode(1),
                "Line 2 of " + pattern(file(".spectra")) + " holds the impossible " + c.named +
                    "\n(.|\n)*Data corruption in Spectra(.|\n)*Data Corruption in spectra");
    EXPECT_EQ(readFile(file(".spectra")), text);
  }
}

TEST_F(HeteroticJobsTest, MultiplicitiesThatAddUpBeyondTheLimitEndTheRunWithoutOverflow) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  writeAlgebraList();
  // Three lines of one spectrum found 900,000,000 times each: their sum does not fit an
  // int; the second already makes a total above 999,999,999.
  const char* line = "      3      0      0      0      0       12        0  1      0 900000000";
  write(file(".spectra"), spectrumText({line, line, line}));
  EXPECT_EXIT(readPreviousDataInThisProcess(), ::testing::ExitedWithCode(1),
              "Line 2 of " + pattern(file(".spectra")) +
                  " holds the multiplicity 900000000, which makes a total above 999999999");
  // Rows of one class add up as well.
  write(
      file(".spectra"),
      spectrumText({"      3      0      0      0      0       12        0  1      0 900000000",
                    "      6      0      0      0      0       12        0  1      1 900000000"}));
  EXPECT_EXIT(readPreviousDataInThisProcess(), ::testing::ExitedWithCode(1),
              "Line 2 of " + pattern(file(".spectra")) + " holds the multiplicity 900000000");
}

TEST_F(HeteroticJobsTest, ADamagedAlgebraListEndsTheRunWithItsLine) {
  search({"g e 8 1", "g a 1 1"}, {"name rep Q 0"});
  write(file(".spectra"), "");
  std::string zeros;
  for (int r = 0; r < getNumberOfPatternRoots(); ++r) zeros += "0 ";
  // A number beyond the range of an int (and of the number plus one in 64 bits).
  write(file(".AlgList"), "    0 " + zeros + "\n9223372036854775807 " + zeros + "\n");
  EXPECT_EXIT(readPreviousDataInThisProcess(), ::testing::ExitedWithCode(1),
              "Line 2 of " + pattern(file(".AlgList")) +
                  " holds the impossible algebra number 9223372036854775807(.|\n)*"
                  "Data corruption in algebra list(.|\n)*Algebra data corruption");
  write(file(".AlgList"), "    0 x\n");
  EXPECT_EXIT(readPreviousDataInThisProcess(), ::testing::ExitedWithCode(1),
              "Line 1 of " + pattern(file(".AlgList")) + " is not a line of numbers");
}

TEST_F(HeteroticJobsTest, ExtremeCountsAreJudgedWithoutOverflow) {
  // SU(12) at level 1: names Q, Q*, ... as in the corruption test above.
  search({"g a 11 1", "g a 1 1"}, {"name rep Q 1", "name rep U 2", "name rep D 3", "name rep L 4",
                                   "name rep E 5", "name rep N 6"});
  const int R = 11;
  std::vector<int> extreme = row(R, {3, 2147483647, -2147483647 - 1}, 0);
  // |INT_MAX - INT_MIN| = 2^32 - 1 is no family count of 3.
  EXPECT_EQ(DataCorruptionCheck(extreme.data()), 1);
}

TEST_F(HeteroticJobsTest, AnOriginOrAlgebraListWithAnImpossibleFirstNumberIsDamaged) {
  search({"g e 8 1", "g a 1 1"}, {});
  // The largest int: the next model number would not fit.
  write(file(".origin"), "    0      1   0        | 0 \n2147483647      1   1        | 1 \n");
  EXPECT_EQ(getLastModelNumber(file(".origin").c_str()), -2);
  EXPECT_TRUE(alerted("Line 2 of " + file(".origin") + " holds no valid model number"));
  write(file(".origin"), "   -4      1   0        | 0 \n");
  EXPECT_EQ(getLastModelNumber(file(".origin").c_str()), -2);
  EXPECT_TRUE(alerted("Line 1 of " + file(".origin") + " holds no valid model number"));
  write(file(".AlgList"), "    0 0 1 \n    one 0 2 \n");
  EXPECT_EQ(getLastAlgebraNumber(file(".AlgList").c_str()), -2);
  EXPECT_TRUE(alerted("Line 2 of " + file(".AlgList") + " holds no valid algebra number"));
  // Empty lines are no damage; the largest number allowed gives the next one exactly.
  write(file(".origin"), "\n999999999      1   0        | 0 \n\n");
  EXPECT_EQ(getLastModelNumber(file(".origin").c_str()), 999999999);
  getModelNumber(0);
  EXPECT_EQ(getModelNumber(1), 1000000000);
  // The set-up of a job ends at a damaged file, leaving it for repair.
  write(file(".origin"), "2147483647      1   1        | 1 \n");
  EXPECT_EXIT(
      {
        setOutputSink(nullptr);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        getModelNumber(0);
      },
      ::testing::ExitedWithCode(1),
      "holds no valid model number(.|\n)*Data corruption in origin file");
}

TEST_F(HeteroticJobsTest, ALastLoopOutsideTheSubgroupTablesIsRefusedAndKept) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  // Five subgroups of the 2-part and two of the 3-part: index 7 lies outside, and so do
  // three indices, a negative one and a word.
  for (const char* text : {"7 1 \n", "1 1 1 \n", "-1 0 \n", "2 x\n"}) {
    SCOPED_TRACE(text);
    write(file(".lastloop"), text);
    EXPECT_EQ(run("filter complete"), 1);
    EXPECT_EQ(occurrences(capture.printed, "Using ComputeFilter"), 0);
    EXPECT_TRUE(alerted("Line 1 of " + file(".lastloop") +
                        " is no combination of 2 subgroup indices within their tables"));
    EXPECT_EQ(readFile(file(".lastloop")), text);
  }
}

TEST_F(HeteroticJobsTest, RegenerateSkipsALineWithAnImpossibleXMatrix) {
  search({"g e 8 1", "g a 1 1", "g a 1 1"}, {});
  // One current of order 2, so a 1 x 1 X matrix, whose entry does not fit an int.
  write(folder.path("x.origin"), "    0      0   1   0        | 99999999999 \n");
  EXPECT_EQ(run(("regenerate " + folder.path("x.origin")).c_str()), 0);
  EXPECT_EQ(occurrences(capture.printed, "New Spectrum"), 0);
  EXPECT_TRUE(alerted("Impossible X matrix entry in line 1 of " + folder.path("x.origin") +
                      "; line skipped"));
}

TEST_F(HeteroticJobsTest, RegenerateTakesATildeForTheHomeFolder) {
  search({"g e 8 1", "g a 1 1", "g a 1 1"}, {});
  write(folder.path("h.origin"), "    0      0   1   0        | 0 \n");
  const std::string home = std::getenv("HOME");
  const std::string relative = folder.path("h.origin").substr(home.size());
  EXPECT_EQ(run(("regenerate ~" + relative).c_str()), 0);
  EXPECT_NE(capture.printed.find("Line read:     0      0   1   0        | 0 "), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// Per-prime store and combination

TEST_F(HeteroticJobsTest, ChargesAndElementsCombineByTheChineseRemainderTheorem) {
  const std::vector<PrimeFactorOrders> primes = {{{4}}, {{3}}};
  const std::vector<int> combined = {12};
  const int codes[2] = {1, 1};
  EXPECT_EQ(combineChargeCodes(primes, codes, combined), 7);
  // The element 1 of Z4 and 1 of Z3 is the element x = 1 mod 4, 1 mod 3, that is 1.
  EXPECT_EQ(composeFilterCurrents(primes, codes, combined), 1);
  const int other[2] = {2, 1};
  EXPECT_EQ(composeFilterCurrents(primes, other, combined), 10);
  // Two factors: Z2 x Z4 for prime 2, Z3 x Z3 for prime 3 give Z6 x Z12.
  const std::vector<PrimeFactorOrders> two = {{{2, 4}}, {{3, 3}}};
  const std::vector<int> both = {6, 12};
  const int pair[2] = {1 + 2 * 3, 2 + 1 * 3};  // (1, 3) of Z2 x Z4, (2, 1) of Z3 x Z3
  // Charges: 1 * 3 + 2 * 2 = 7 = 1 mod 6; 3 * 3 + 1 * 4 = 13 = 1 mod 12.
  EXPECT_EQ(combineChargeCodes(two, pair, both), 1 + 1 * 6);
}

namespace {

// Stored invariants of the trivial group for a prime, each with its own filter record.
void storeTrivialInvariants(TensorProduct* TP, int p, int count) {
  storeSimpleCurrentDataPointer(nullptr, p, 1, nullptr);
  for (int i = 0; i < count; ++i) {
    HeteroticFilterInfo* info = getAvailableFilterData();
    heteroticJobs().lentFilters.push_back(info);
    info->tensor = TP;
    info->group.reset(factorCount(TP));
    info->generators.reset(factorCount(TP));
    SimpleCurrentData* MD = getSCDataPointer();
    MD->group = DG_trivial();
    MD->context = info;
    storeSimpleCurrentDataPointer(MD, 0, 0, nullptr);
  }
}

int filtersInUse() {
  int used = 0;
  for (const auto& record : heteroticState().pool) used += record->inUse;
  return used;
}

}  // namespace

namespace {

struct CombinedCheck {
  int combined = 0;
  int kernelMismatches = 0;
  int chargeMismatches = 0;
};
CombinedCheck combinedCheck;

std::vector<int> sortedBlock(const std::vector<int>& v, std::size_t from, int n) {
  std::vector<int> block(v.begin() + static_cast<std::ptrdiff_t>(from),
                         v.begin() + static_cast<std::ptrdiff_t>(from) + n);
  std::sort(block.begin(), block.end());
  return block;
}

// Compares the kernels and charge map composed from the primes with those computed
// directly from the combined X matrix.
void compareWithDirect(SimpleCurrentData* MD, const HeteroticSpectrumSummary&) {
  if (MD->group == nullptr || MD->group->order != 6) return;
  ++combinedCheck.combined;
  SimpleCurrentData* direct = getSCDataPointer();
  copySCData(direct, MD, 0);
  direct->charge_fn = MD->charge_fn;
  direct->weight_fn = MD->weight_fn;
  direct->kernels.clear();
  getXKernels(direct);
  direct->charge_map_made = 0;
  makeChargeMap(direct);
  const int order = 6;
  if (direct->kernel_size != MD->kernel_size ||
      sortedBlock(direct->kernels, 0, direct->kernel_size) != sortedBlock(MD->kernels, 0, MD->kernel_size) ||
      sortedBlock(direct->kernels, order, direct->kernel_size) !=
          sortedBlock(MD->kernels, order, MD->kernel_size))
    ++combinedCheck.kernelMismatches;
  for (int c = 0; c < order; ++c)
    if ((direct->chargeMap[static_cast<std::size_t>(c)] < 0) != (MD->chargeMap[static_cast<std::size_t>(c)] < 0))
      ++combinedCheck.chargeMismatches;
  returnSCDataPointer(direct);
}

}  // namespace

TEST_F(HeteroticJobsTest, ComposedKernelsAndChargeMapsAgreeWithTheDirectOnes) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  combinedCheck = CombinedCheck();
  setHeteroticSpectrumStore(compareWithDirect);
  // The diagonal Z2 of the two SU(2) factors (weight 1/2) and the Z3 of SU(3): Z6.
  run("add filter 0 1 1 0");
  run("add filter 0 0 0 1");
  ASSERT_EQ(run("compute filter"), 0);
  setHeteroticSpectrumStore(nullptr);
  EXPECT_GE(combinedCheck.combined, 1);
  EXPECT_EQ(combinedCheck.kernelMismatches, 0);
  EXPECT_EQ(combinedCheck.chargeMismatches, 0);
}

TEST_F(HeteroticJobsTest, ThreeAndFourStoredInvariantsGiveTwelveCombinations) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {});
  setIntPar("MIPF random", 0);
  storeTrivialInvariants(currentTensor, 2, 3);
  storeTrivialInvariants(currentTensor, 3, 4);
  int fill = 0;
  storeSimpleCurrentDataPointer(nullptr, 3, -2, &fill);
  EXPECT_EQ(fill, 4);
  const int primes[2] = {2, 3};
  combinePrimeSimpleCurrentFactors(2, primes);
  EXPECT_EQ(getMaxComb(), 12);
  EXPECT_EQ(occurrences(capture.printed, "No generators; Trivial group\n"), 12);
  storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
  EXPECT_EQ(filtersInUse(), 0);

  setIntPar("MIPF random", 5);
  capture.clear();
  storeTrivialInvariants(currentTensor, 2, 3);
  storeTrivialInvariants(currentTensor, 3, 4);
  combinePrimeSimpleCurrentFactors(2, primes);
  EXPECT_NE(capture.printed.find("Randomized loop search, loop length 12 > 5\n"), std::string::npos);
  EXPECT_EQ(getMaxComb(), 12 + 5);
  storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
}

TEST_F(HeteroticJobsTest, APrimeWithoutInvariantsEmptiesTheCombination) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {});
  storeTrivialInvariants(currentTensor, 2, 3);
  storeSimpleCurrentDataPointer(nullptr, 3, 1, nullptr);
  const int primes[2] = {2, 3};
  combinePrimeSimpleCurrentFactors(2, primes);
  EXPECT_EQ(getMaxComb(), 0);
  storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
  EXPECT_EQ(filtersInUse(), 0);
}

TEST_F(HeteroticJobsTest, SelectingTheSelectedPrimeAgainChangesNothing) {
  search({"g e 8 1", "g a 1 1"}, {});
  storeSimpleCurrentDataPointer(nullptr, 2, 1, nullptr);
  storeSimpleCurrentDataPointer(nullptr, 2, 1, nullptr);
  EXPECT_TRUE(silent());
  EXPECT_EQ(heteroticJobs().currentPrime, 2);
  EXPECT_EQ(storeSimpleCurrentDataPointer(nullptr, 0, 7, nullptr), nullptr);
  EXPECT_TRUE(alerted("Invalid mode in storeSimpleCurrentDataPointer"));
}

TEST_F(HeteroticJobsTest, ACombinedGroupAboveTenMillionIsSkipped) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {});
  // Z_8192 for prime 2 and Z_2187 for prime 3: 17,915,904 elements.
  const int orders2[1] = {8192};
  const int orders3[1] = {2187};
  const int* orders[2] = {orders2, orders3};
  const int primes[2] = {2, 3};
  for (int t = 0; t < 2; ++t) {
    storeSimpleCurrentDataPointer(nullptr, primes[t], 1, nullptr);
    HeteroticFilterInfo* info = getAvailableFilterData();
    heteroticJobs().lentFilters.push_back(info);
    info->tensor = currentTensor;
    info->generators.reset(4);
    const int zero[4] = {0, 0, 0, 0};
    info->generators.add(zero, 1);
    SimpleCurrentData* MD = getSCDataPointer();
    MD->group = DG_find(orders[t], 1);
    MD->context = info;
    storeSimpleCurrentDataPointer(MD, 0, 0, nullptr);
  }
  combinePrimeSimpleCurrentFactors(2, primes);
  EXPECT_NE(capture.printed.find("Filter group too large (17915904); skipping this case\n"),
            std::string::npos);
  EXPECT_EQ(getMaxComb(), 0);
  storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
}

TEST_F(HeteroticJobsTest, TenThousandFilterEvaluationsNeverExhaustThePool) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {});
  // More evaluations than the pool has records: each gives its records back.
  for (int i = 0; i < 10000; ++i) {
    storeSimpleCurrentDataPointer(nullptr, 2 + i % 2, 1, nullptr);
    resetFilterCurrents(currentTensor);
    ComputeFilterNEW(currentTensor, nullptr, nullptr);
    storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
    ASSERT_EQ(filtersInUse(), 0) << "evaluation " << i;
  }
}

// ---------------------------------------------------------------------------------------
// Systematic search

TEST_F(HeteroticJobsTest, SubgroupCountsOfSmallPGroups) {
  EXPECT_EQ(countSubgroupsOfPGroup({1, 1}, 2), 5);
  EXPECT_EQ(countSubgroupsOfPGroup({1}, 3), 2);
  EXPECT_EQ(countSubgroupsOfPGroup({1, 2}, 2), 8);
  EXPECT_EQ(countSubgroupsOfPGroup({1, 1, 1}, 2), 16);
  EXPECT_EQ(countSubgroupsOfPGroup({3}, 2), 4);
  EXPECT_EQ(countSubgroupsOfPGroup({}, 5), 1);
  // (Z3)^2: the trivial group, four lines and the whole plane.
  EXPECT_EQ(countSubgroupsOfPGroup({1, 1}, 3), 6);
}

TEST_F(HeteroticJobsTest, MoreThanAMillionSubgroupsOfAPrimeAreRefused) {
  // (Z2)^9 has sum over k of the Gaussian binomials [9 k]_2 = 8,283,458 subgroups; (Z2)^8
  // has 417,199.
  EXPECT_EQ(countSubgroupsOfPGroup(std::vector<int>(9, 1), 2), 8283458);
  EXPECT_EQ(countSubgroupsOfPGroup(std::vector<int>(8, 1), 2), 417199);
  search({"g e 8 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1", "g a 1 1",
          "g a 1 1", "g a 1 1"},
         {});
  EXPECT_NE(run("filter complete"), 0);
  EXPECT_TRUE(alerted("Too many subgroups for prime 2 (8283458); complete filter search refused"));
  EXPECT_FALSE(present(file(".lastloop")));
}

TEST_F(HeteroticJobsTest, FilterCompleteWalksTenCombinationsAndEvaluatesNine) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  ASSERT_EQ(run("filter complete"), 0);
  ASSERT_EQ(getNumberOfSubgroups().size(), 2u);
  EXPECT_EQ(getNumberOfSubgroups()[0], 5);
  EXPECT_EQ(getNumberOfSubgroups()[1], 2);
  EXPECT_NE(capture.printed.find("Number of subgroups  (5,2)"), std::string::npos);
  EXPECT_EQ(occurrences(capture.printed, "generator 0 "), 10);
  EXPECT_EQ(occurrences(capture.printed, "Using ComputeFilter"), 9);
  EXPECT_EQ(readFile(file(".lastloop")), "4 1 \n");
}

TEST_F(HeteroticJobsTest, FilterCompleteResumesAtTheRecordedCombination) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  write(file(".lastloop"), "3 1 \n");
  ASSERT_EQ(run("filter complete"), 0);
  EXPECT_NE(capture.printed.find("LastLoop  (3,1)"), std::string::npos);
  // (3,1), (4,0) and (4,1) are evaluated; every earlier combination is skipped.
  EXPECT_EQ(occurrences(capture.printed, "Using ComputeFilter"), 3);
  EXPECT_EQ(occurrences(capture.printed, "generator 0 "), 3);
}

TEST_F(HeteroticJobsTest, TheTableOfZ2TimesZ4ListsItsEightSubgroups) {
  // SU(2) and SO(10) at level 1: the 2-part Z2 x Z4.
  search({"g e 8 1", "g a 1 1", "g d 5 1"}, {});
  ASSERT_EQ(buildSubgroupTables(), 0);
  ASSERT_EQ(getNumberOfSubgroups().size(), 1u);
  EXPECT_EQ(getNumberOfSubgroups()[0], 8);
  const std::vector<int>& rows = getSubgroupGeneratorRows(0);
  const std::vector<int>& cosets = getCosetGeneratorRows(0);
  const int size = getDecomposedGroupSize();
  ASSERT_EQ(size, 2);
  ASSERT_EQ(rows.size(), 16u);
  // Row 0 of the element table is zero; the trivial subgroup is the empty row.
  EXPECT_EQ(cosets[0], 0);
  EXPECT_EQ(cosets[1], 0);
  EXPECT_EQ(rows[0], 0);
  EXPECT_EQ(rows[1], 0);
  // The groups the rows generate: orders 1, 2, 2, 2, 4, 4, 4, 8 (sum 27), all different.
  const int o0 = getDecomposedComponents()[0].order;
  const int o1 = getDecomposedComponents()[1].order;
  EXPECT_EQ(o0 * o1, 8);
  std::vector<std::vector<int>> groups;
  int total = 0;
  for (int s = 0; s < 8; ++s) {
    std::vector<int> elements = {0};
    for (int k = 0; k < 2; ++k) {
      const int index = rows[static_cast<std::size_t>(s) * 2 + k];
      if (index == 0) continue;
      const int* e = cosets.data() + static_cast<std::size_t>(index) * size;
      const std::vector<int> before = elements;
      for (int code : before)
        for (int m = 1; m < 8; ++m) {
          const int x = (code / 10 + m * e[0]) % o0;
          const int y = (code % 10 + m * e[1]) % o1;
          if (std::find(elements.begin(), elements.end(), x * 10 + y) == elements.end())
            elements.push_back(x * 10 + y);
        }
    }
    std::sort(elements.begin(), elements.end());
    EXPECT_EQ(std::find(groups.begin(), groups.end(), elements), groups.end()) << "subgroup " << s;
    groups.push_back(elements);
    total += static_cast<int>(elements.size());
  }
  EXPECT_EQ(total, 27);
}

// ---------------------------------------------------------------------------------------
// Random search

TEST_F(HeteroticJobsTest, OrderTwoComponentsOutsideTheEffectiveCentreGoInPairs) {
  // SU(2) at level 1: the current has weight 1/4, order 2: 2 x 1/4 is not an integer.
  search({"g e 8 1", "g a 1 1", "g a 1 1"}, {});
  ASSERT_EQ(getDecomposedGroupSize(), 2);
  EXPECT_EQ(getDecomposedComponents()[0].effectiveCenter, 1);
  EXPECT_EQ(getDecomposedComponents()[1].effectiveCenter, 1);
  const int both[2] = {1, 1};
  const int one[2] = {1, 0};
  const int none[2] = {0, 0};
  EXPECT_EQ(OrderTwoEffectiveCenterCheck(both), 1);
  EXPECT_EQ(OrderTwoEffectiveCenterCheck(one), 0);
  EXPECT_EQ(OrderTwoEffectiveCenterCheck(none), 1);
  // Only the largest order among the odd powers counts.
  const int powers[3] = {1, 1, 1};
  const int orders[3] = {4, 2, 2};
  const int flags[3] = {1, 1, 1};
  EXPECT_EQ(GenericEffectiveCenterCheck(3, powers, orders, flags), 0);
}

TEST_F(HeteroticJobsTest, NoSamplesWriteOnlyTheFinalStatistics) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  ASSERT_EQ(run("filter random 2 0"), 0);
  EXPECT_NE(capture.printed.find("Primes considered  (2,3)"), std::string::npos);
  EXPECT_NE(capture.printed.find("Current search status (mode=3)"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Sample 0"), std::string::npos);
  EXPECT_EQ(capture.printed.find("Using ComputeFilter"), std::string::npos);
  EXPECT_TRUE(present(file(".statistics")));
  EXPECT_TRUE(present(file(".spectra")));
}

namespace {
int alwaysZero(int) {
  return 0;
}
}  // namespace

TEST_F(HeteroticJobsTest, DepthZeroEvaluatesTheEmptyFilter) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  setHeteroticRandomSource(alwaysZero);
  ASSERT_EQ(run("filter random 0 3"), 0);
  EXPECT_EQ(occurrences(capture.printed, "No generators; Trivial group\n"), 3);
  EXPECT_EQ(getSampleNumber(), 2);
  EXPECT_EQ(getCurrentMIPFlevel(), 0);
  EXPECT_EQ(filtersInUse(), 0);
}

TEST_F(HeteroticJobsTest, ReconstructedCurrentsAndTheirOrders) {
  search({"g e 8 1", "g a 11 1"}, {});
  // SU(12): the 2-part Z4 and the 3-part Z3 of the current group.
  ASSERT_EQ(getDecomposedGroupSize(), 2);
  const int random[2] = {1, 2};
  const int tags[2] = {1, 0};
  int orders[1] = {0};
  int out[2] = {0, 0};
  reconstructCurrent(random, out, tags, 1, orders, currentTensor);
  EXPECT_EQ(orders[0], getDecomposedComponents()[0].order);
  // g^3 once and g^4 twice: g^11.
  const int g3 = getDecomposedComponents()[0].current;
  const int g4 = getDecomposedComponents()[1].current;
  SpectrumData* sd = getTensorFactor(currentTensor, 1);
  EXPECT_EQ(out[1], SM_SimpleCurrentFusion(sd, g3, SM_SimpleCurrentPower(sd, g4, 2)));
  EXPECT_EQ(out[0], 0);
  int t[2] = {0, 0};
  int maxpows[8] = {};
  const int powers[2] = {2, 0};
  determinePrimeOrders(powers, 1, t, maxpows);
  // The Z4 component drawn with power 2 keeps one power of 2; the Z3 one, drawn 0, none.
  EXPECT_EQ(maxpows[0], 1);
  EXPECT_EQ(t[0], 1);
  EXPECT_EQ(t[1], 0);
}

namespace {

// A processor clock whose reading number `pressAt` comes with a Ctrl-C.
int clockReadings = 0;
int pressAt = 0;
// Found by counting: at this reading of the clock the first combination's invariants are
// stored (at readings 4 to 15 of this job they are).
constexpr int kReadingInsideTheFirstFilter = 5;
long long clockThatPressesCtrlC() {
  if (++clockReadings == pressAt) std::raise(SIGINT);
  return clockReadings * 1000LL;
}

TEST_F(HeteroticJobsTest, CtrlCEndsAFilterSearchAndTheNextFindsAnEmptyStore) {
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  // The reference: a search never interrupted, in a folder of its own.
  ASSERT_EQ(run("filter complete"), 0);
  GSC_printStatistics(2);
  const std::vector<std::string> whole = linesOf(readFile(file(".spectra")));
  ASSERT_FALSE(whole.empty());
  TemporaryFolder second;
  resetAll();
  run(("set outputdir " + second.path()).c_str());
  search({kZ2Z2Z3[0], kZ2Z2Z3[1], kZ2Z2Z3[2], kZ2Z2Z3[3]}, {"name rep Q 0"});
  // Ctrl-C while the first filter's invariants are being evaluated.
  installInterruptHandler();
  clockReadings = 0;
  pressAt = kReadingInsideTheFirstFilter;
  setClockSource(clockThatPressesCtrlC);
  EXPECT_THROW(SystematicFilterComputation(currentTensor), StopRequest);
  setClockSource(nullptr);
  removeInterruptHandler();
  setStopSignal(0);  // the next command line
  EXPECT_GE(clockReadings, pressAt);
  // Nothing of the abandoned evaluation is left for the next one to combine.
  int fill = -1;
  storeSimpleCurrentDataPointer(nullptr, 2, -2, &fill);
  EXPECT_EQ(fill, 0);
  EXPECT_EQ(filtersInUse(), 0);
  // The search resumes and ends with the spectra of the search never interrupted.
  ASSERT_EQ(run("filter complete"), 0);
  GSC_printStatistics(2);
  const std::vector<std::string> resumed = linesOf(readFile(file(".spectra")));
  ASSERT_EQ(resumed.size(), whole.size());
  for (std::size_t i = 0; i < whole.size(); ++i)
    EXPECT_EQ(resumed[i].substr(0, resumed[i].size() - 11),
              whole[i].substr(0, whole[i].size() - 11));
}

}  // namespace
