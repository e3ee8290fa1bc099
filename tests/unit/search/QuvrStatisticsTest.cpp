// Summaries of a result tree written in the model-file format: statistics lines, tadpole
// status, collections, the MIPF status check and the file-name readers.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/Terminal.h"
#include "search/QuvrFiles.h"
#include "search/QuvrStatistics.h"

namespace {

class QuvrStatisticsTest : public ZoqTest {};

std::string line(int type, int mipf, int orientifold, int a, const char* name) {
  return std::to_string(type) + " 111 " + std::to_string(mipf) + " " + std::to_string(orientifold) + " " +
         std::to_string(a) + " 2 3 4 3 2 1 1 " + name + " 0\n";
}
const std::string kEnd = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name -1\n";

// A tree: case MIPF 3 with types 2, 2, 1; case MIPF 4 with type 1; case MIPF 5 empty.
struct Tree {
  TemporaryFolder folder;
  std::string root;
  Tree() {
    std::filesystem::create_directories(folder.path("Run_Tensor111"));
    root = folder.path() + "/";
    folder.write("Run_Tensor111/Gepner_MIPF_3.models",
                 line(2, 3, 0, 5, "U3U2_0_x") + line(2, 3, 0, 6, "U3U2_0_x") + line(1, 3, 1, 5, "S2U2_1_y") + kEnd);
    folder.write("Run_Tensor111/Gepner_MIPF_4.models", line(1, 4, 0, 7, "S2U2_1_y") + kEnd);
    folder.write("Run_Tensor111/Gepner_MIPF_5.models", kEnd);
  }
};

TEST_F(QuvrStatisticsTest, MarkersGiveStatuses) {
  EXPECT_EQ(tadpoleStatusOfMarker("*****"), 1);
  EXPECT_EQ(tadpoleStatusOfMarker("#####"), 2);
  EXPECT_EQ(tadpoleStatusOfMarker("*****#####"), 3);
  EXPECT_EQ(tadpoleStatusOfMarker("-----"), 0);
}

TEST_F(QuvrStatisticsTest, StatisticsListEqualCountsInTypeOrderWithTheirMarkers) {
  Tree tree;
  tree.folder.write("Models.stat", "0 1 0 0 S2U2 *****\n1 2 0 0 U3U2 #####\n2 3 0 0 O1 *****#####\n");
  readQuvrStatisticsFile(tree.folder.path("Models.stat"), 3);
  capture.clear();
  EXPECT_EQ(buildQUVRStatisticsIn(tree.root, 3), 2);
  EXPECT_EQ(capture.printed,
            "      0       1          2          2     S2U2_1                 *****\n"
            "      1       2          2          1     U3U2_0                 #####\n");
  EXPECT_EQ(quvrModelCount(1), 2);
  EXPECT_EQ(quvrMIPFCount(1), 2);
  EXPECT_EQ(quvrMIPFCount(2), 1);
  EXPECT_EQ(quvrModelCount(3), 0);  // the terminator-only file adds nothing
  EXPECT_NE(capture.stdoutText.find("filename " + tree.root + "Run_Tensor111/Gepner_MIPF_5.models\n"),
            std::string::npos);
}

TEST_F(QuvrStatisticsTest, BothMarkersAndNoMarkerFormats) {
  Tree tree;
  tree.folder.write("Models.stat", "0 1 0 0 a *****#####\n1 2 0 0 b -----\n");
  readQuvrStatisticsFile(tree.folder.path("Models.stat"), 2);
  capture.clear();
  buildQUVRStatisticsIn(tree.root, 2);
  EXPECT_EQ(capture.printed,
            "      0       1          2          2     S2U2_1                 *****#####\n"
            "      1       2          2          1     U3U2_0                 -----\n");
}

TEST_F(QuvrStatisticsTest, TypeBeyondTheCatalogueIsSkippedWithAWarning) {
  Tree tree;
  tree.folder.write("Run_Tensor111/Gepner_MIPF_6.models", line(9, 6, 0, 1, "X_Y_Z") + kEnd);
  buildQUVRStatisticsIn(tree.root, 2);
  EXPECT_TRUE(alerted("Model nr 9"));
  EXPECT_EQ(quvrModelCount(1), 2);
}

TEST_F(QuvrStatisticsTest, TadpoleStatisticsBlock) {
  Tree tree;
  tree.folder.write("Models.stat", "0 1 0 0 S2U2 *****\n");
  readQuvrStatisticsFile(tree.folder.path("Models.stat"), 3);
  buildQUVRStatisticsIn(tree.root, 3);
  capture.clear();
  PrintTadpoleStatistics(3);
  EXPECT_EQ(capture.printed, "This model is not present in the statistics database\n");
  capture.clear();
  PrintTadpoleStatistics(1);
  EXPECT_NE(capture.printed.find("Spectrum requested: S2U2_1 (QUVR number 1)\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Total number of chirally identical spectra in database:     2\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Total number of MIPFs containing this spectrum type:        2\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("There is a solution to all tadpole equations without hidden sector\n"),
            std::string::npos);
}

TEST_F(QuvrStatisticsTest, AWalkStoppedByCtrlCLeavesTheCountsOfTheLastWholeOne) {
  Tree tree;
  buildQUVRStatisticsIn(tree.root, 3);
  ASSERT_EQ(quvrModelCount(2), 2);
  ASSERT_EQ(quvrMIPFCount(2), 1);
  tree.folder.write("Run_Tensor111/Gepner_MIPF_7.models", line(2, 7, 0, 8, "U3U2_0_x") + kEnd);
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(buildQUVRStatisticsIn(tree.root, 3), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);  // the next command line
  // No half-counted table: the counts of the last whole walk stay.
  EXPECT_EQ(quvrModelCount(1), 2);
  EXPECT_EQ(quvrModelCount(2), 2);
  EXPECT_EQ(quvrMIPFCount(2), 1);
  // The next walk counts the new case: type 2 in MIPFs 3 and 7.
  buildQUVRStatisticsIn(tree.root, 3);
  EXPECT_EQ(quvrModelCount(2), 3);
  EXPECT_EQ(quvrMIPFCount(2), 2);
}

// A repeated search of a case sets its earlier result aside as "..._MIPF_3.models_0" (and
// a corrupted file as "..._X"); neither is a result of the case, so the statistics and the
// collections read the tree as if they were not there.
TEST_F(QuvrStatisticsTest, SetAsideCopiesAreNotCountedAgain) {
  Tree tree;
  const std::string mipf3 = readFile(tree.folder.path("Run_Tensor111/Gepner_MIPF_3.models"));
  tree.folder.write("Run_Tensor111/Gepner_MIPF_3.models_0", mipf3);
  tree.folder.write("Run_Tensor111/Gepner_MIPF_4.models_X", line(1, 4, 0, 7, "S2U2_1_y") + kEnd);
  tree.folder.write("Models.stat", "0 1 0 0 S2U2 *****\n1 2 0 0 U3U2 #####\n");
  readQuvrStatisticsFile(tree.folder.path("Models.stat"), 3);
  capture.clear();
  EXPECT_EQ(buildQUVRStatisticsIn(tree.root, 3), 2);
  // Type 1: one line in MIPF 3 and one in MIPF 4; type 2: two lines in MIPF 3 alone.
  EXPECT_EQ(capture.printed,
            "      0       1          2          2     S2U2_1                 *****\n"
            "      1       2          2          1     U3U2_0                 #####\n");
  EXPECT_EQ(capture.stdoutText.find(".models_"), std::string::npos) << capture.stdoutText;
  const std::string output = tree.folder.path("QURV_selection");
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {2}, output, false, false), 2);
  EXPECT_EQ(readFile(output), line(2, 3, 0, 5, "U3U2_0_x") + line(2, 3, 0, 6, "U3U2_0_x") + kEnd);
  // Without hidden sector ("_0_" in the name): the two type-2 lines of MIPF 3, once.
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {}, output, true, true), 2);
}

// One extension test serves the statistics, the collections and the check.
TEST_F(QuvrStatisticsTest, ResultKindIsTheExtensionTheNameEndsIn) {
  EXPECT_EQ(caseResultKind("/q/N_Tensor{33333}/SusyMIPF{33333}_000.models"), CaseResultKind::Models);
  EXPECT_EQ(caseResultKind("/q/N_Tensor{33333}/SusyMIPF{33333}_000.models_0"), CaseResultKind::Other);
  EXPECT_EQ(caseResultKind("/q/N_Tensor{33333}/SusyMIPF{33333}_000.models_X"), CaseResultKind::Other);
  EXPECT_EQ(caseResultKind("/q/N_Tensor{33333}/SusyMIPF{33333}_000.pre_models"), CaseResultKind::Other);
  EXPECT_EQ(caseResultKind("/q/N_Tensor{33333}/SusyMIPF{33333}_000.none"), CaseResultKind::None);
  EXPECT_EQ(caseResultKind("/q/a.prescan"), CaseResultKind::Prescan);
  EXPECT_EQ(caseResultKind("/q/a.abrane_scan"), CaseResultKind::AbraneScan);
  EXPECT_EQ(caseResultKind("/q/a.nullscan"), CaseResultKind::Nullscan);
  EXPECT_EQ(caseResultKind("/q/a.analysed"), CaseResultKind::Other);
  EXPECT_EQ(caseResultKind("models"), CaseResultKind::Other);
}

TEST_F(QuvrStatisticsTest, CollectionWritesEachLineOncePerListEntry) {
  Tree tree;
  const std::string output = tree.folder.path("QURV_selection");
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {2, 2}, output, false, false), 4);
  const std::string two = line(2, 3, 0, 5, "U3U2_0_x"), twoB = line(2, 3, 0, 6, "U3U2_0_x");
  EXPECT_EQ(readFile(output), two + two + twoB + twoB + kEnd);
  // A second collection holds only its own lines.
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {1}, output, false, false), 2);
  EXPECT_EQ(readFile(output), line(1, 3, 1, 5, "S2U2_1_y") + line(1, 4, 0, 7, "S2U2_1_y") + kEnd);
}

TEST_F(QuvrStatisticsTest, NoHiddenCollectionTakesNamesWithZero) {
  Tree tree;
  const std::string output = tree.folder.path("QURV_NoHidden_selection");
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {}, output, true, true), 2);
  EXPECT_EQ(collectQUVRModelsIn(tree.root, {1}, output, true, false), 0);
  EXPECT_EQ(readFile(output), kEnd);
}

TEST_F(QuvrStatisticsTest, FileNameReaders) {
  EXPECT_EQ(extractCYcodeFromFilename("/q/Run_Tensor111266/Gepner_MIPF_12.models"), 111266);
  EXPECT_EQ(extractMIPFFromFilename("/q/Run_Tensor111266/Gepner_MIPF_12.models"), 12);
  EXPECT_EQ(extractCYcodeFromFilename("/q/plain/file.models"), -1);
}

// The names the program gives a case's files: the folder <prefix>_Tensor{code} (a prefix
// of more than one letter is a folder of its own, <prefix>/Tensor{code}), the file
// SusyMIPF{code}_<MIPF> with the a-range string, if any, before the extension.
TEST_F(QuvrStatisticsTest, FileNameReadersTakeTheNamesTheProgramWrites) {
  const char* file = "/q/N_Tensor{22266}/SusyMIPF{22266}_028.models";
  EXPECT_EQ(extractCYcodeFromFilename(file), 22266);
  EXPECT_EQ(extractMIPFFromFilename(file), 28);
  EXPECT_EQ(extractCYcodeFromFilename("/q/Run/Tensor{441010}/NonSusyMIPF{441010}_7[3:4].models"), 441010);
  EXPECT_EQ(extractMIPFFromFilename("/q/Run/Tensor{441010}/NonSusyMIPF{441010}_7[3:4].models"), 7);
  EXPECT_EQ(extractCYcodeFromFilename("/q/N_Tensor{}/SusyMIPF{}_028.models"), -1);
}

// A case of 22266 with its 3 model lines, and the file a later search of the case set aside:
// only the case's own result counts.
TEST_F(QuvrStatisticsTest, CheckReadsTheProgramsFolderNamesAndSkipsSetAsideFiles) {
  TemporaryFolder folder;
  std::filesystem::create_directories(folder.path("N_Tensor{22266}"));
  auto model = [](int type, int a) {
    return std::to_string(type) + " 22266 28 0 " + std::to_string(a) + " 82 2 9 3 2 6 1 U4S2O6_VVV_1_1 0\n";
  };
  folder.write("N_Tensor{22266}/SusyMIPF{22266}_028.models", model(1, 9) + model(2, 11) + model(1, 13) + kEnd);
  folder.write("N_Tensor{22266}/SusyMIPF{22266}_028.models_0", model(1, 9) + kEnd);
  folder.write("MIPF.list", "22266 28 288 -1\n");
  checkQUVRDataBaseIn(folder.path() + "/", 2);
  EXPECT_EQ(readFile(folder.path("BLC_OrderedMipf.list")), "     22266     28      288     3 standard models\n");
  EXPECT_EQ(capture.printed.find("Not found"), std::string::npos) << capture.printed;
  EXPECT_NE(capture.printed.find("Number of models in database: 3; Number of MIPFs done 1\n"), std::string::npos);
  EXPECT_EQ(capture.stdoutText.find("models_0"), std::string::npos);
}

TEST_F(QuvrStatisticsTest, CheckSetsStatusesAndOrdersBySize) {
  Tree tree;
  tree.folder.write("MIPF.list", "111 3 900 -1\n111 7 100 -1\n111 8 2000 -1\n111 9 300 -1\n");
  tree.folder.write("Run_Tensor111/Gepner_MIPF_7.none", "");
  tree.folder.write("Run_Tensor111/Gepner_MIPF_9.prescan", line(1, 9, 0, 1, "a_b") + kEnd);
  checkQUVRDataBaseIn(tree.root, 3);
  EXPECT_EQ(readFile(tree.folder.path("BLC_OrderedMipf.list")),
            "       111      7      100     No standard models\n"
            "       111      9      300     1 (pre-scanned)\n"
            "       111      3      900     3 standard models\n"
            "       111      8     2000      Not yet done\n");
  EXPECT_NE(capture.printed.find("Not found: CY 111, MIPF 4\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Number of models in database: 3; Number of MIPFs done 2\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Total: 3 identical boundaries: 0; Percentage:            0.00\n"),
            std::string::npos);
}

TEST_F(QuvrStatisticsTest, CompletionAndCorruption) {
  TemporaryFolder folder;
  const std::string complete = folder.write("a.models", line(1, 3, 0, 5, "a_b") + kEnd);
  const std::string cut = folder.write("b.models", line(1, 3, 0, 5, "a_b"));
  checkModelFileCompletion(complete.c_str());
  checkModelFileCompletion(cut.c_str());
  EXPECT_EQ(capture.stdoutText, "File " + complete + " is complete\nFile " + cut + " is not complete; rerun\n");
  const std::string file = folder.write("c.models", line(1, 3, 0, 5, "a_b") + line(2, 3, 0, 6, "c_d") + kEnd);
  corruptedTypes() = {2};
  CorrectCorruption(file.c_str());
  EXPECT_EQ(readFile(file), line(1, 3, 0, 5, "a_b") + kEnd);
  EXPECT_EQ(readFile(file + "_X"), line(1, 3, 0, 5, "a_b") + line(2, 3, 0, 6, "c_d") + kEnd);
}

}  // namespace
