// Reading model lines back, stack recombination and the output files of the tadpole scan.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/ModelAnalysis.h"
#include "search/ModelScan.h"
#include "search/SearchSM.h"
#include "search/SearchTadpoleHooks.h"
#include "store/CurrentTheory.h"
#include "strings/TadpoleInternal.h"

namespace {

class ModelScanTest : public ZoqTest {
 protected:
  TemporaryFolder folder;
};

TEST_F(ModelScanTest, StacksOnOneBoundaryRecombine) {
  const int labels[4] = {7, 7, 9, 7}, mults[4] = {3, 2, 1, 1};
  int outLabels[4], outMults[4];
  EXPECT_EQ(BraneRecombination(labels, mults, outLabels, outMults), 2);
  EXPECT_EQ(outLabels[0], 7);
  EXPECT_EQ(outMults[0], 3 + 2 + 1);
  EXPECT_EQ(outLabels[1], 9);
  EXPECT_EQ(outMults[1], 1);
  EXPECT_EQ(outLabels[2], -1);
  EXPECT_EQ(outMults[2], 0);
  EXPECT_EQ(outLabels[3], -1);
  // Three stacks (d = -1): b and c on one boundary.
  const int three[4] = {5, 6, 6, -1}, threeMults[4] = {3, 2, 1, 0};
  EXPECT_EQ(BraneRecombination(three, threeMults, outLabels, outMults), 2);
  EXPECT_EQ(outLabels[1], 6);
  EXPECT_EQ(outMults[1], 3);
  // Four distinct stacks stay as they are.
  const int distinct[4] = {1, 2, 3, 4}, ones[4] = {3, 2, 1, 1};
  EXPECT_EQ(BraneRecombination(distinct, ones, outLabels, outMults), 4);
  EXPECT_EQ(outLabels[3], 4);
}

TEST_F(ModelScanTest, ModelLinesFillTheRecordAndItsTitle) {
  const std::string path = folder.write("lines", "12 441010 3 1 5 7 9 11 3 2 1 1 nm 0\n"
                                                 "damaged line\n"
                                                 "13 441010 3 1 5 7 9 -1 3 2 1 0 nm -2\n"
                                                 "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n"
                                                 "14 441010 3 1 5 7 9 11 3 2 1 1 nm 0\n");
  FILE* file = std::fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  int status = 5;
  ASSERT_EQ(readModelInputLine(file, &status), 1);
  EXPECT_EQ(SM.modelNumber, 12);
  EXPECT_EQ(SM.tensorCode, 441010);
  EXPECT_EQ(SM.inputBoundaries[3], 11);
  EXPECT_EQ(SM.stackCount, 4);
  EXPECT_EQ(status, 0);
  EXPECT_STREQ(SM.title, "input line 1: type     12, orientifold (441010,3,1), branes (5,7,9,11)");
  ASSERT_EQ(readModelInputLine(file, &status), 1);  // the damaged line is reported and passed
  EXPECT_NE(capture.all.find("Invalid model line"), std::string::npos);
  EXPECT_EQ(SM.stackCount, 3);
  EXPECT_EQ(status, -2);
  EXPECT_STREQ(SM.title, "input line 2: type     13, orientifold (441010,3,1), branes (5,7,9)");
  EXPECT_EQ(readModelInputLine(file, &status), 0);  // the terminator ends the file
  std::fclose(file);
}

// Each scan numbers the lines of its own file: the second scan of a one-line file reads its
// "input line 1", not the line after the first scan's.
TEST_F(ModelScanTest, EachScanNumbersItsOwnLines) {
  const std::string input = folder.write("one", "12 441010 3 1 5 7 9 11 3 2 1 1 nm 0\n"
                                               "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  // The case of a non-supersymmetric search cannot be rebuilt: each scan reads one line and ends.
  setSusySearch(0);
  const std::string last = "Last read: input line 1: type     12, orientifold (441010,3,1), branes (5,7,9,11)\n";
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_NE(capture.printed.find(last), std::string::npos) << capture.printed;
  capture.clear();
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_NE(capture.printed.find(last), std::string::npos) << capture.printed;
  EXPECT_EQ(capture.printed.find("input line 2"), std::string::npos);
  setSusySearch(1);
}

TEST_F(ModelScanTest, OtherFilesGetNumberedResultFiles) {
  const std::string input = folder.write("candidates", "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_NE(capture.printed.find("Scan results will be written to file " + input + "_0\n"), std::string::npos);
  EXPECT_NE(capture.all.find("Status info in input file"), std::string::npos);
  EXPECT_EQ(readFile(input + "_0"), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_NE(capture.printed.find("Number of input lines analysed: 0\n"), std::string::npos);
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_EQ(readFile(input + "_1"), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_EQ(readFile(input + "_0"), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
}

TEST_F(ModelScanTest, ModelFilesAreAnalysedIntoTheirOwnName) {
  const std::string input = folder.write("case.models", "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_EQ(readFile(folder.path("case.analysed")), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  EXPECT_EQ(capture.all.find("Status info in input file"), std::string::npos);
}

TEST_F(ModelScanTest, DamagedLineInABackgroundRunIsOnlyAWarning) {
  // A fault of one input line must not end an unattended run: the scan reaches its end
  // and terminates its result file.
  const std::string input = folder.write("night.models", "not a model line\n"
                                                         "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  setBackground(1);
  StandardModelTadpoleScan(input.c_str(), -1);
  setBackground(0);
  EXPECT_NE(capture.all.find("Invalid model line"), std::string::npos);
  EXPECT_EQ(readFile(folder.path("night.analysed")), "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
}

TEST_F(ModelScanTest, MissingInputWritesNothing) {
  StandardModelTadpoleScan(folder.path("absent.models").c_str(), -1);
  EXPECT_NE(capture.all.find("Could not open input file"), std::string::npos);
  EXPECT_EQ(checkDir(folder.path("absent.analysed").c_str()), -1);
}

TEST_F(ModelScanTest, ScanLeavesThePersistentDisplaySettingAlone) {
  int* display = getIntParPointer("Tadpole display input");
  ASSERT_NE(display, nullptr);
  *display = 1;
  const std::string input = folder.write("x.models", "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  StandardModelTadpoleScan(input.c_str(), -1);
  EXPECT_EQ(*display, 1);
}

TEST_F(ModelScanTest, RememberedCaseIsForgotten) {
  SM.tensorCode = 3;
  SM.MIPF = 4;
  SM.orientifold = 0;
  EXPECT_EQ(modelInitialization(-2, 0), 0);
  EXPECT_EQ(modelInitialization(-1, 0), 0);
  setSusySearch(0);
  EXPECT_EQ(modelInitialization(1, 0), 0);
  EXPECT_NE(capture.all.find("Model re-generation for non-supersymmetric spectra not yet built in"),
            std::string::npos);
}

// A case that cannot be rebuilt ends the scan; its result file then has no end line, which
// would tell a reader (and a later scan) that every line was analysed.
TEST_F(ModelScanTest, AScanEndedByACaseThatCannotBeRebuiltWritesNoEndLine) {
  const std::string line = "12 441010 3 1 5 7 9 11 3 2 1 1 nm 0\n";
  const std::string end = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n";
  const std::string models = folder.write("failed.models", line + end);
  const std::string other = folder.write("failed", line + end);
  setSusySearch(0);  // a non-supersymmetric case is not rebuilt
  StandardModelTadpoleScan(models.c_str(), -1);
  StandardModelTadpoleScan(other.c_str(), -1);
  setSusySearch(1);
  EXPECT_NE(capture.all.find("Model re-generation for non-supersymmetric spectra not yet built in"),
            std::string::npos);
  EXPECT_EQ(readFile(folder.path("failed.analysed")), "");
  EXPECT_EQ(readFile(other + "_0"), "");
  EXPECT_NE(capture.printed.find("Number of input lines analysed: 0\n"), std::string::npos);
}

// The case built last is the current one only while no other command changed the theory:
// after a new spectrum (the theory's change counter moved), a line of the same tensor code
// builds its tensor product again.
TEST_F(ModelScanTest, ACaseRememberedBeforeTheTheoryChangedIsBuiltAgain) {
  const std::string building = "Building RCFT 33333\n";
  setCosetMode(1);
  SM.tensorCode = 33333, SM.MIPF = 0, SM.orientifold = 0;
  EXPECT_EQ(modelInitialization(-2, 0), 0);
  modelInitialization(1, 0);
  EXPECT_EQ(capture.printed.find(building), std::string::npos) << capture.printed;
  CFTChanged();
  capture.clear();
  // The builder of Gepner products lives in the command set; here it is not there.
  EXPECT_EQ(modelInitialization(1, 0), 0);
  EXPECT_NE(capture.printed.find(building), std::string::npos) << capture.printed;
  // Single-algebra mode: no tensor product is current, whatever was remembered.
  setCosetMode(1);
  SM.tensorCode = 33333;
  modelInitialization(-2, 0);
  setCosetMode(0);
  capture.clear();
  EXPECT_EQ(modelInitialization(1, 0), 0);
  EXPECT_NE(capture.printed.find(building), std::string::npos) << capture.printed;
}

TEST_F(ModelScanTest, ModelLinesSkipFinishedStatuses) {
  // Statuses -1 and -3 of a ".models" file are final; 0 and -2 lines are analysed again.
  EXPECT_NE(alreadyDone(-1, 1, "nm"), 0);
  EXPECT_NE(alreadyDone(-3, 1, "nm"), 0);
  EXPECT_EQ(alreadyDone(0, 1, "nm"), 0);
}

TEST_F(ModelScanTest, CandidateBannerAndDetailsAppearOnce) {
  std::snprintf(SM.title, sizeof SM.title, "input line 1: type 7");
  SM.headerPrinted = 0;
  SM.alreadyPrinted = 0;
  EXPECT_EQ(printGenericSMHeader(), 1);
  EXPECT_EQ(printGenericSMHeader(), 0);
  EXPECT_NE(capture.printed.find("input line 1: type 7"), std::string::npos);
  printDetailedStandardModelData(&SM, 0, 0, 3);
  capture.clear();
  printDetailedStandardModelData(&SM, 0, 0, 3);
  EXPECT_NE(capture.printed.find("Standard Model features were already printed above\n"), std::string::npos);
}

// The configuration print the tadpole, instanton and spectrum scans share: the input
// stacks, and the recombined ones only when recombination merged some.
TEST_F(ModelScanTest, InputConfigurationShowsRecombinationOnlyWhenStacksMerged) {
  const std::string separator = std::string(45, '-') + "\n";
  SM.tensorCode = 33333, SM.MIPF = 4, SM.orientifold = 1;
  SM.stackCount = 4;
  const int labels[4] = {7, 7, 9, 7}, mults[4] = {3, 2, 1, 1};
  for (int k = 0; k < 4; ++k) SM.inputBoundaries[k] = labels[k], SM.multiplicities[k] = mults[k];
  SM.recombinedCount = BraneRecombination(SM.inputBoundaries, SM.multiplicities, SM.recombinedBoundaries,
                                          SM.recombinedMultiplicities);
  printInputModelData(2);
  const std::string& out = capture.printed;
  EXPECT_EQ(out.rfind(separator + "Scanning raw input configuration nr. 2\n" +
                          "         Tensor 33333; MIPF 4; Orientifold 1\n" + "         Boundaries:     7 7 9 7",
                      0),
            0u);
  EXPECT_NE(out.find("         Multiplicities: 3 2 1 1"), std::string::npos);
  // 7 carries 3 + 2 + 1 branes after merging, 9 one.
  EXPECT_NE(out.find("After brane recombination:\n        Number of recombined branes 2\n"), std::string::npos);
  EXPECT_NE(out.find("         Boundaries:     7 9"), std::string::npos);
  EXPECT_NE(out.find("         Multiplicities: 6 1"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - separator.size() - 1), separator + "\n");

  capture.clear();
  const int distinct[4] = {1, 2, 3, 4};
  for (int k = 0; k < 4; ++k) SM.inputBoundaries[k] = distinct[k];
  SM.recombinedCount = BraneRecombination(SM.inputBoundaries, SM.multiplicities, SM.recombinedBoundaries,
                                          SM.recombinedMultiplicities);
  printInputModelData(3);
  EXPECT_NE(capture.printed.find("Scanning raw input configuration nr. 3\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("After brane recombination"), std::string::npos);
}

TEST_F(ModelScanTest, ACtrlCLeavesTheFinishedLinesAndTheSolverAsBefore) {
  const std::string input =
      folder.write("stopped.models", "12 441010 3 1 5 7 9 11 3 2 1 1 nm 0\n"
                                     "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
  // Were the line analysed, it would be refused at once (no rebuild of a non-supersymmetric
  // case); a pending Ctrl-C ends the scan before.
  setSusySearch(0);
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(StandardModelTadpoleScan(input.c_str(), -1), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  EXPECT_EQ(capture.all.find("Model re-generation"), std::string::npos);
  // The scan's hooks and model are gone from the solver; the result file has no terminator,
  // so that the next scan of the file resumes it.
  EXPECT_EQ(tadpole::state().analysis_fcn, dummy_analysis_fcn);
  EXPECT_EQ(tadpole::state().ModelDataPointer, nullptr);
  EXPECT_EQ(readFile(folder.path("stopped.analysed")), "");
}

}  // namespace
