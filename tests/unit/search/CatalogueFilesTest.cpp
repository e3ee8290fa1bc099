// The catalogue files: line format, reader, merge, look-up and transfer into SM.
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "CatalogueTestSupport.h"

namespace {

using namespace catalogue_test;
namespace fs = std::filesystem;

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// The catalogue line of a row with every int set to its own index, model number 5.
std::array<int, 87> indexedRow() {
  std::array<int, 87> row{};
  for (int k = 0; k < 87; ++k) row[static_cast<std::size_t>(k)] = k;
  row[56] = 5;
  return row;
}

TEST(CatalogueFormat, EquivalenceCodesCountLettersAsDigits) {
  EXPECT_EQ(convertEquivalenceCode("abcd"), 1234);
  EXPECT_EQ(convertEquivalenceCode("abc "), 1230);
  EXPECT_EQ(convertEquivalenceCode("aacc"), 1133);
}

TEST(CatalogueFormat, LineHasTheFixedWidthsAndReadsBack) {
  const std::array<int, 87> row = indexedRow();
  const std::string line = formatCatalogueLine(row.data());
  std::string expected;
  char cell[32];
  for (int k = 0; k < 56; ++k) std::snprintf(cell, sizeof cell, "%6d ", k), expected += cell;
  expected += "     5     57     58        59   60    61     62     63     64     65";
  for (int k = 66; k < 87; ++k) std::snprintf(cell, sizeof cell, " %6d", k), expected += cell;
  EXPECT_EQ(line, expected + "\n");
  std::array<int, 87> back{};
  EXPECT_TRUE(parseCatalogueLine(line.substr(0, line.size() - 1), back.data()));
  EXPECT_EQ(back, row);
}

TEST(CatalogueFormat, LinesOfOtherLengthsOrNumbersOutOfRangeAreRefused) {
  std::array<int, 87> row = indexedRow();
  std::string line = formatCatalogueLine(row.data());
  line.pop_back();
  std::array<int, 87> back{};
  const std::string shortLine = line.substr(0, line.rfind(' '));  // 86 numbers
  EXPECT_FALSE(parseCatalogueLine(shortLine, back.data()));
  EXPECT_FALSE(parseCatalogueLine(line + " 1", back.data()));
  EXPECT_FALSE(parseCatalogueLine(line + " x", back.data()));
  for (int number : {0, -3, 40001}) {
    row[56] = number;
    std::string other = formatCatalogueLine(row.data());
    other.pop_back();
    EXPECT_FALSE(parseCatalogueLine(other, back.data())) << number;
  }
  row[56] = 40000;
  std::string top = formatCatalogueLine(row.data());
  top.pop_back();
  EXPECT_TRUE(parseCatalogueLine(top, back.data()));
}

class CatalogueFilesTest : public CatalogueTest {};

TEST_F(CatalogueFilesTest, FirstRunCreatesTheCatalogueNumberedFromOne) {
  makeRun({3, 5, 4});
  EXPECT_EQ(getModelNumbers(), 0);
  EXPECT_NE(capture.stdoutText.find("File " + models +
                                    "Models.list not found; assuming this is the very first run\n"),
            std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Apparently there is no file Models.list."), std::string::npos);
  EXPECT_NE(capture.printed.find("New spectrum (nr. 1)  added to Models.list with model nr. 1\n"),
            std::string::npos);
  EXPECT_NE(capture.printed.find("New spectrum (nr. 3)  added to Models.list with model nr. 3\n"),
            std::string::npos);

  // Each line: the profile, the number, -1 -1, the case's identifiers and the configuration.
  std::istringstream lines(catalogue());
  std::string line;
  int number = 0;
  for (int k : {3, 5, 4}) {
    ASSERT_TRUE(std::getline(lines, line));
    std::array<int, 87> row{};
    ASSERT_TRUE(parseCatalogueLine(line, row.data()));
    ++number;
    EXPECT_EQ(row[16], k);
    EXPECT_EQ(row[56], number);
    EXPECT_EQ(row[57], -1);
    EXPECT_EQ(row[58], -1);
    EXPECT_EQ(row[59], 12345);
    EXPECT_EQ(row[60], 7);
    EXPECT_EQ(row[61], 2);
    EXPECT_EQ(row[62], 10 + k);
    EXPECT_EQ(row[63], 20 + k);
    EXPECT_EQ(row[64], 30 + k);
    EXPECT_EQ(row[65], 40 + k);
    EXPECT_EQ(row[86], 86);
  }
  EXPECT_FALSE(std::getline(lines, line));
  EXPECT_EQ(readFile(folder.path("case.models")),
            modelLine(1, 1) + modelLine(2, 2) + modelLine(3, 3) + kModelEnd);
  EXPECT_FALSE(fs::exists(folder.path("case.pre_models")));
  EXPECT_FALSE(fs::exists(models + "Lock"));
  EXPECT_EQ(getNumberOfModels(), 3);
}

TEST_F(CatalogueFilesTest, CataloguedProfileAddsNoLineAndGetsTheStoredNumber) {
  makeRun({3, 5});
  ASSERT_EQ(getModelNumbers(), 0);
  const std::string before = catalogue();
  // A later run finds type 5 again and one new type.
  run().rows.clear();
  makeRun({5, 9});
  capture.clear();
  ASSERT_EQ(getModelNumbers(), 0);
  const std::string after = catalogue();
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(lineCount(after), 3);
  EXPECT_EQ(readFile(folder.path("case.models")), modelLine(1, 2) + modelLine(2, 3) + kModelEnd);
  EXPECT_EQ(capture.printed.find("model nr. 2\n"), std::string::npos);

  // A run with nothing new still rewrites its model file and removes ".pre_models".
  run().rows.clear();
  makeRun({9, 3});
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_EQ(catalogue(), after);
  EXPECT_EQ(readFile(folder.path("case.models")), modelLine(1, 3) + modelLine(2, 1) + kModelEnd);
  EXPECT_FALSE(fs::exists(folder.path("case.pre_models")));
}

TEST_F(CatalogueFilesTest, ModelFileEndsWithTheStatusOfTheRunsEndLine) {
  run().rows.push_back(runRow(1));
  folder.write("case.pre_models", preModelLine(1) + "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0\n");
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_EQ(readFile(folder.path("case.models")),
            modelLine(1, 1) + "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name 0\n");
}

TEST_F(CatalogueFilesTest, NumbersFillTheGapsOfTheCatalogue) {
  std::array<int, 87> row{};
  std::string text;
  for (int number : {1, 2, 4}) {
    row[16] = 100 + number;
    row[56] = number;
    text += formatCatalogueLine(row.data());
  }
  fs::create_directories(models);
  std::ofstream(models + "Models.list") << text;
  EXPECT_EQ(readQUVRModels(1), 3);
  EXPECT_EQ(getGSM_NR(), 3);
  makeRun({7, 8});
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_EQ(readFile(folder.path("case.models")), modelLine(1, 3) + modelLine(2, 5) + kModelEnd);
}

TEST_F(CatalogueFilesTest, RepeatedProfileIsReportedAndStoredOnce) {
  std::array<int, 87> row{};
  row[16] = 4;
  row[56] = 1;
  std::string text = formatCatalogueLine(row.data());
  row[56] = 2;
  text += formatCatalogueLine(row.data());
  row[16] = 6;
  row[56] = 3;
  text += formatCatalogueLine(row.data());
  fs::create_directories(models);
  std::ofstream(models + "Models.list") << text;
  EXPECT_EQ(readQUVRModels(1), 2);
  EXPECT_NE(capture.stdoutText.find("Nr. 2 is already present as Nr 1\n"), std::string::npos);
  ASSERT_NE(ReadGenericModelData(2), nullptr);
  EXPECT_EQ(ReadGenericModelData(2)[56], 1);  // the stored record carries the same profile
  EXPECT_EQ(ReadGenericModelData(3)[16], 6);
}

TEST_F(CatalogueFilesTest, TwoProfilesUnderOneModelNumberAreReportedAndTheLaterIsUsed) {
  std::array<int, 87> row{};
  row[16] = 4;
  row[56] = 7;
  std::string text = formatCatalogueLine(row.data());
  row[16] = 5;
  row[56] = 8;
  text += formatCatalogueLine(row.data());
  row[16] = 6;
  row[56] = 7;
  text += formatCatalogueLine(row.data());
  fs::create_directories(models);
  std::ofstream(models + "Models.list") << text;
  EXPECT_EQ(readQUVRModels(1), 3);
  EXPECT_TRUE(alerted("Model nr 7 is on line 1 and on line 3 of " + models +
                      "Models.list with another profile; the row of line 3 is used"));
  ASSERT_NE(ReadGenericModelData(7), nullptr);
  EXPECT_EQ(ReadGenericModelData(7)[16], 6);
  // The merge reads the same catalogue with the same warning and gives the next type the
  // smallest number that is free: 1.
  makeRun({9});
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_NE(capture.printed.find("New spectrum (nr. 4)  added to Models.list with model nr. 1\n"),
            std::string::npos);
  EXPECT_TRUE(alerted("Model nr 7 is on line 1 and on line 3"));
}

TEST_F(CatalogueFilesTest, GeneratorsAreReadLineByLinePastABadLine) {
  makeRun({1, 2, 3});
  ASSERT_EQ(getModelNumbers(), 0);
  forgetCatalogue();
  std::ofstream(models + "Generators.list") << "2\n111 x 6 0\n\n3\n-4\n99999999999999999999\n1";
  capture.clear();
  EXPECT_EQ(readQUVRModels(1), 3);
  const std::string& alerts = capture.diagnostics;
  EXPECT_NE(alerts.find("Line 2 of " + models + "Generators.list is not one model number; skipped"),
            std::string::npos);
  EXPECT_NE(alerts.find("Invalid model nr -4 (line 5 of " + models + "Generators.list)"),
            std::string::npos);
  EXPECT_NE(alerts.find("Line 6 of " + models + "Generators.list is not one model number"),
            std::string::npos);
  // Lines 1, 4 and 7 (without its newline) name generators.
  const int* generators = getGeneratorList();
  EXPECT_EQ(generators[0], 1);
  EXPECT_EQ(generators[1], 1);
  EXPECT_EQ(generators[2], 1);
  EXPECT_EQ(generators[3], 0);
}

TEST_F(CatalogueFilesTest, LookUpOutOfRangeOrAbsent) {
  makeRun({1});
  ASSERT_EQ(getModelNumbers(), 0);
  capture.clear();
  EXPECT_EQ(ReadGenericModelData(40001), nullptr);
  EXPECT_EQ(capture.printed, "Number 40001 is out of range\n");
  capture.clear();
  EXPECT_EQ(ReadGenericModelData(2), nullptr);
  EXPECT_EQ(capture.printed, "Model nr. 2 is not contained in the model database\n");
  capture.clear();
  EXPECT_EQ(ReadGenericModelData(0), nullptr);
  EXPECT_EQ(capture.printed, "Model nr. 0 is not contained in the model database\n");
  ASSERT_NE(ReadGenericModelData(1), nullptr);
  EXPECT_EQ(ReadGenericModelData(1)[16], 1);
}

TEST_F(CatalogueFilesTest, MissingCatalogueForToolsIsReported) {
  fs::create_directories(models);
  EXPECT_EQ(readQUVRModels(1), 0);
  EXPECT_EQ(capture.stdoutText, "File " + models + "Models.list not found.\n");
  EXPECT_EQ(FindQUVRFilesForInput(), 0);
  EXPECT_TRUE(alerted("The model file " + models + "Models.list does not exist"));
}

// A catalogue that cannot be used is never rewritten, and the run's candidates wait.
TEST_F(CatalogueFilesTest, BadCatalogueStaysByteForByteAndPreModelsStay) {
  std::array<int, 87> row = indexedRow();
  std::string good = formatCatalogueLine(row.data());
  std::string bad = good.substr(0, good.rfind(' ')) + "\n";  // 86 numbers
  fs::create_directories(models);
  const std::string original = good + bad;
  std::ofstream(models + "Models.list") << original;
  makeRun({1, 2});
  const std::string preModels = readFile(folder.path("case.pre_models"));
  EXPECT_EQ(getModelNumbers(), 1);
  EXPECT_TRUE(alerted("Line 2 of " + models + "Models.list is not a catalogue line of 87 numbers"));
  EXPECT_EQ(catalogue(), original);
  EXPECT_EQ(readFile(folder.path("case.pre_models")), preModels);
  EXPECT_FALSE(fs::exists(folder.path("case.models")));
  EXPECT_FALSE(fs::exists(models + "Lock"));

  // Read-only tools report the bad line and go on with the rest.
  EXPECT_EQ(readQUVRModels(1), 1);
  EXPECT_TRUE(alerted("Line 2 of " + models +
                      "Models.list is not a catalogue line of 87 numbers; skipped"));
  EXPECT_EQ(catalogue(), original);
}

TEST_F(CatalogueFilesTest, UnreadableCatalogueIsLeftAlone) {
  // A folder where the catalogue should be cannot be read as one.
  fs::create_directories(models + "Models.list");
  makeRun({1});
  EXPECT_EQ(getModelNumbers(), 1);
  EXPECT_TRUE(fs::is_directory(models + "Models.list"));
  EXPECT_TRUE(fs::exists(folder.path("case.pre_models")));
  EXPECT_FALSE(fs::exists(models + "Lock"));
  EXPECT_EQ(readQUVRModels(1), -1);
}

TEST_F(CatalogueFilesTest, MissingPreModelsFailsAndReleasesTheLock) {
  run().rows.push_back(runRow(1));
  EXPECT_EQ(getModelNumbers(), 1);
  EXPECT_TRUE(alerted("Could not open input file " + folder.path("case.pre_models")));
  EXPECT_FALSE(fs::exists(models + "Lock"));
}

TEST_F(CatalogueFilesTest, BadPreModelLinesAreSkipped) {
  makeRun({1, 2});
  folder.write("case.pre_models", preModelLine(1) + "9 1 2 3\n" +
                                      "7 12345 7 2 1 2 3 4 3 2 1 1 1 0\n" + preModelLine(2) +
                                      kEndLine);
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_EQ(readFile(folder.path("case.models")), modelLine(1, 1) + modelLine(2, 2) + kModelEnd);
}

TEST_F(CatalogueFilesTest, ZeroMultiplicityEigenvalueIsCorrectedBeforeTheLookUp) {
  std::array<int, 86> row = runRow(1);
  row[38] = 5;  // second d eigenvalue with multiplicity (int 40) 0
  run().rows.push_back(row);
  folder.write("case.pre_models", preModelLine(1) + kEndLine);
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_TRUE(alerted("Non zero eigenvalue with zero multiplicity in nr 0; corrected"));
  ASSERT_NE(ReadGenericModelData(1), nullptr);
  EXPECT_EQ(ReadGenericModelData(1)[38], 0);
  // The same candidate in a later run is the catalogued type.
  folder.write("case.pre_models", preModelLine(1) + kEndLine);
  ASSERT_EQ(getModelNumbers(), 0);
  EXPECT_EQ(lineCount(catalogue()), 1);
}

TEST_F(CatalogueFilesTest, GeneratorsAndStatisticsAreRead) {
  makeRun({1, 2, 3});
  ASSERT_EQ(getModelNumbers(), 0);
  forgetCatalogue();
  std::ofstream(models + "Generators.list") << "2\n0\n3\n";
  const std::string longName(120, 'x');
  std::ofstream(models + "Models.stat") << "1 1 10 4 first ***** \n"
                                        << "2 2 11 5 second #####*****\n"
                                        << "3 3 12 6 third #####\n"
                                        << "4 40001 1 1 far *****\n";
  capture.clear();
  EXPECT_EQ(readQUVRModels(1), 3);
  EXPECT_TRUE(alerted("Invalid model nr 0"));
  const int* generators = getGeneratorList();
  EXPECT_EQ(generators[0], 0);
  EXPECT_EQ(generators[1], 1);
  EXPECT_EQ(generators[2], 1);
  ASSERT_TRUE(modelStatisticsAvailable());
  EXPECT_EQ(getTadpoleStatistics(1), 1);
  EXPECT_EQ(getTadpoleStatistics(2), 3);
  EXPECT_EQ(getTadpoleStatistics(3), 2);
  EXPECT_EQ(getModelCount(2), 11);
  EXPECT_EQ(getMIPFCount(3), 6);
  EXPECT_EQ(getModelName(1), "first");
  EXPECT_EQ(getModelName(4), "---");

  // A name longer than the field is cut at 79 characters, never overrun.
  forgetCatalogue();
  std::ofstream(models + "Models.stat") << "1 1 10 4 " << longName << " *****\n";
  EXPECT_EQ(readQUVRModels(1), 3);
  EXPECT_EQ(getModelName(1), std::string(79, 'x'));
}

TEST_F(CatalogueFilesTest, TransferIntoSMStopsAtEachDepth) {
  std::array<int, 87> row{};
  for (int k = 0; k < 87; ++k) row[static_cast<std::size_t>(k)] = k + 1;
  row[47] = 12;  // two extra U(1)s, degenerate Y
  SM.Ynorm = -7;
  SM.pairIdentification[0] = -7;
  SM.branes[0] = -7;
  CopyQUVRmodelToSMstruct(row.data(), 2);
  EXPECT_EQ(SM.groupTypes[3], 4);
  EXPECT_EQ(SM.Delta[5], 28);
  EXPECT_EQ(SM.Ynorm, -7);  // not reached at depth 2
  CopyQUVRmodelToSMstruct(row.data(), 1);
  EXPECT_EQ(SM.Ynorm, 33);
  EXPECT_EQ(SM.cEigenvalues[1], 35);
  EXPECT_EQ(SM.cMultiplicities[0], 36);
  EXPECT_EQ(SM.dMultiplicities[1], 41);
  EXPECT_EQ(SM.cEigenvalues[2], 0);
  EXPECT_EQ(SM.pairIdentification[0], -7);  // not reached at depth 1
  CopyQUVRmodelToSMstruct(row.data(), 3);
  EXPECT_EQ(SM.pairIdentification[5], 47);
  EXPECT_EQ(SM.extraMasslessU1, 2);
  EXPECT_EQ(SM.degenerateY, 1);
  EXPECT_EQ(SM.extraU1[7], 56);
  EXPECT_EQ(SM.branes[0], -7);  // configuration only at depth 0
  CopyQUVRmodelToSMstruct(row.data(), 0);
  EXPECT_EQ(SM.branes[0], 61);
  EXPECT_EQ(SM.stackCount, 4);
  EXPECT_EQ(SM.orientifold, 69);
  EXPECT_EQ(SM.singlets[2], 85);
  row[66] = -1;  // d brane absent
  CopyQUVRmodelToSMstruct(row.data(), 0);
  EXPECT_EQ(SM.stackCount, 3);
}

TEST_F(CatalogueFilesTest, ExtendedInfoFromTheRecord) {
  StandardModel record;
  initializeStandardModelStruct(&record);
  std::snprintf(record.equivalence, sizeof record.equivalence, "abcc");
  std::snprintf(record.identity, sizeof record.identity, "aacd");
  record.anomalyFreeU1 = 2;
  record.quarkDoublets[0] = 3;
  record.singlets[2] = 4;
  record.universality[5] = 1;
  std::array<int, 87> row{};
  row[7] = 1;
  copyExtendedInfo(row.data(), &record);
  EXPECT_EQ(row[66], 1233);
  EXPECT_EQ(row[67], 1134);
  EXPECT_EQ(row[68], 2);
  EXPECT_EQ(row[70], 3);
  EXPECT_EQ(row[80], 4);
  EXPECT_EQ(row[86], 1);
}

}  // namespace
