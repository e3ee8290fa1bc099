// How a heterotic job ends and what it leaves: a systematic search that runs to its end
// leaves the spectrum file and no backup (the backup exists only while a job runs), and
// heterotic work on a product changed after "compute heterotic" is refused, with nothing
// written under the changed product's names.
#include <gtest/gtest.h>

#include <string>

#include "HeteroticTestSupport.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "heterotic/HeteroticInternal.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "store/CurrentTheory.h"

namespace {

class HeteroticJobEndTest : public HeteroticTest {
 protected:
  void SetUp() override {
    HeteroticTest::SetUp();
    run(("set outputdir " + folder.path()).c_str());
    capture.clear();
  }

  // The product of the factor commands, one heterotic and one particle factor, the name
  // "Q" of label 0, and the set-up of "compute heterotic".
  void search(std::initializer_list<const char*> factors) {
    run("tensor");
    for (const char* f : factors) run(f);
    setIntPar("Heterotic factors", 1);
    setIntPar("Particle factors", 1);
    run("name rep Q 0");
    ASSERT_EQ(run("compute heterotic"), 0);
    ASSERT_EQ(getHeteroticSetUpDone(), 1);
    capture.clear();
  }

  static std::string file(const char* suffix) { return heteroticFileName(suffix); }
  static bool present(const std::string& path) { return checkDir(path.c_str()) == 1; }

  TemporaryFolder folder;
};

const char* const kChange =
    "The tensor product has changed since \"compute heterotic\"; the heterotic set-up belongs "
    "to the product as it was then.";

TEST_F(HeteroticJobEndTest, ACompletedSystematicSearchLeavesTheSpectrumFileAndNoBackup) {
  // E8 x SU(2)_1 x SU(2)_1 x SU(3)_1: the prime parts Z2 x Z2 and Z3, ten combinations.
  search({"g e 8 1", "g a 1 1", "g a 1 1", "g a 2 1"});
  ASSERT_EQ(run("filter complete"), 0);
  EXPECT_NE(capture.printed.find("Writing list of spectra to file\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Heterotic backup file " + file(".spectra_backup") +
                                    " removed\n"),
            std::string::npos);
  EXPECT_FALSE(present(file(".spectra_backup")));
  ASSERT_TRUE(present(file(".spectra")));
  // The spectrum file holds every stored spectrum, one line of R + 9 = 10 numbers each, and
  // no end line of the backup.
  const std::string text = readFile(file(".spectra"));
  EXPECT_EQ(text.find("999999"), std::string::npos);
  int lines = 0;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  EXPECT_EQ(lines, getSpectra().size());
  EXPECT_GE(lines, 1);
}

TEST_F(HeteroticJobEndTest, ASearchWithoutParticipatingPrimesEndsTheSameWay) {
  // E8 at level 1 has no simple currents: no prime takes part and nothing is evaluated.
  search({"g e 8 1", "g e 8 1"});
  ASSERT_EQ(run("filter complete"), 0);
  EXPECT_EQ(capture.printed.find("Using ComputeFilter"), std::string::npos);
  EXPECT_FALSE(present(file(".spectra_backup")));
  EXPECT_TRUE(present(file(".spectra")));
  EXPECT_EQ(readFile(file(".spectra")), "");
}

TEST_F(HeteroticJobEndTest, WorkOnAProductChangedAfterTheSetUpIsRefused) {
  search({"g e 8 1", "g a 1 1"});
  // A third factor: the set-up has no weights, massless states or group components for it.
  run("g a 1 2");
  ASSERT_EQ(currentTensor->NumberOfFactors, 3);
  capture.clear();
  EXPECT_NE(run("filter complete"), 0);
  EXPECT_TRUE(alerted(kChange));
  EXPECT_NE(run("filter random 3 10"), 0);
  EXPECT_TRUE(alerted(kChange));
  EXPECT_NE(run("compute filter"), 0);
  EXPECT_TRUE(alerted(kChange));
  EXPECT_NE(run("add filter 0 1 1"), 0);
  EXPECT_TRUE(alerted(kChange));
  EXPECT_EQ(ComputeFilter(currentTensor), 1);
  EXPECT_EQ(SystematicFilterComputation(currentTensor), 1);
  EXPECT_EQ(generateRandomFilter(1, 1, currentTensor), 1);
  capture.clear();
  // Result files would carry the changed product's name: none is written.
  EXPECT_EQ(GSC_printStatistics(2), 0);
  EXPECT_NE(capture.printed.find("Heterotic result files not written"), std::string::npos);
  EXPECT_FALSE(present(file(".spectra")));
  EXPECT_FALSE(present(file(".spectra_backup")));
  EXPECT_FALSE(present(file(".statistics")));
}

}  // namespace
