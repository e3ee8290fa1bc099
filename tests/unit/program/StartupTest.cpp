// Start-up: the order of the initialisation steps, the values derived from the
// preferences, the current theory and the single-algebra / tensor switch.
#include "program/Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "program/BootTable.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(StartupTest, StartUpRunsItsStepsInTheFixedOrder) {
  const std::vector<std::string> expected = {
      "initializeMemory",       "initializeCommands",   "registerDefaults",        "log switches",
      "log file names",         "initializeTables",     "initializeDefaults",      "initializePrintPrefs",
      "initializeCommandPointers", "initializeZoq",     "initializeIntersections", "initializeTadpole",
      "initializeSearchSM",     "initializeCrossBound", "initializeCoset",         "initializeHeterotic",
      "initializeModular",      "initializeInvariants", "initializeStoremanager",  "current theory",
      "initializeStringTheory", "initializeOpenSpectrum", "initializeCommandParameters",
      "shell parameters",       "program name",         "start state"};
  std::vector<std::string> steps;
  for (std::size_t i = 0; i < kBootTableSize; ++i) {
    if (kBootTable[i].initialize != nullptr) steps.push_back(kBootTable[i].name);
  }
  EXPECT_EQ(steps, expected);
  // Library modules come first and only reset.
  EXPECT_EQ(kBootTable[0].initialize, nullptr);
  EXPECT_STREQ(kBootTable[0].name, "Allocation");
}

TEST_F(StartupTest, ASecondInitialisationChangesNothing) {
  InternalParameter* newest = FirstParameter();
  DefaultEntry* newestEntry = getFirstDefault();
  OutputCapture capture;
  initializeAll();
  initializeMemory();
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(FirstParameter(), newest);
  EXPECT_EQ(getFirstDefault(), newestEntry);
}

TEST_F(StartupTest, TheVersionAndTheProgramName) {
  EXPECT_DOUBLE_EQ(getZoqVersionNumber(), 8.08578);
  EXPECT_STREQ(getProgName(), "Zoq");
}

TEST_F(StartupTest, TheInitialTheoryIsTypeOneRankZeroLevelZero) {
  ASSERT_NE(currentSD, nullptr);
  EXPECT_EQ(currentSD, SM_getData(1, 0, 0));
  EXPECT_EQ(TotalPrimaries, &currentSD->n_primaries);
  EXPECT_EQ(KMCosetSwitch, 0);
  EXPECT_NE(SM_getData(1, 2, 1), currentSD);
  EXPECT_EQ(SM_getData(1, 2, 1), SM_getData(1, 2, 1));
}

TEST_F(StartupTest, TensorModeIsSetOnlyThroughItsSwitch) {
  setCosetMode(1);
  EXPECT_EQ(KMCosetSwitch, 1);
  resetAll();
  EXPECT_EQ(KMCosetSwitch, 0);
}

TEST_F(StartupTest, PreferencesBecomeProgramState) {
  std::string home = std::getenv("HOME");
  EXPECT_EQ(zoq_pathname, home + "/Work/Library/Zoq");
  EXPECT_EQ(getMaximalLevel(), 50);
  EXPECT_STREQ(getSeverity_Error(), "110000");
  EXPECT_EQ(getMaxrankSetting(), 20);
  EXPECT_EQ(getOutputDirSetting(), "HOME");
  EXPECT_EQ(getWorkDirSetting(), "HOME");

  setDefault("ZoqPath", "Other/Place");
  setDefault("SeverityMask", "000000");
  setDefault("MaximalLevel", "60");
  initializeDefaults();
  EXPECT_EQ(zoq_pathname, home + "/Other/Place");
  EXPECT_STREQ(getSeverity_Error(), "000000");
  EXPECT_EQ(getMaximalLevel(), 60);
  resetAll();
  EXPECT_EQ(zoq_pathname, home + "/Work/Library/Zoq");
  EXPECT_EQ(getMaximalLevel(), 50);
}

TEST_F(StartupTest, LiveSettingsAreCopiedBackBeforeSaving) {
  setSeverity_Error("111100");
  setDefault("ZoqPath", "stale");
  convertPreferences();
  EXPECT_STREQ(getDefaultValue("SeverityMask"), "111100");
  EXPECT_STREQ(getDefaultValue("ZoqPath"), "Work/Library/Zoq");
  EXPECT_STREQ(getDefaultValue("MaximalLevel"), "50");
}

TEST_F(StartupTest, TheBoundSettingsFollowTheirParameters) {
  setIntPar("Maxrank", 12);
  EXPECT_EQ(getMaxrankSetting(), 12);
  changeDefault(findInternalParameter("OutputDir")->pref, "/data/out");
  EXPECT_EQ(getOutputDirSetting(), "/data/out");
}

TEST_F(StartupTest, LogAndDiagnosticsFilesAreNamedAfterTheProgram) {
  std::string home = std::getenv("HOME");
  EXPECT_EQ(getLogFileName(), home + "/Logs/Zoq.log");
  EXPECT_EQ(getErrorFileName(), home + "/Logs/Zoq.diagnostics");
}

TEST_F(StartupTest, TheStoreAllocationTotalCountsEveryStoredTheory) {
  long long before = ZoqAllocation(0);
  EXPECT_EQ(before, SM_getTotalAlloc());
  EXPECT_GT(before, 0);  // the rank-0 start theory is a record too
  SpectrumData* sd = SM_getData(1, 2, 3);
  ASSERT_NE(sd, nullptr);
  long long after = ZoqAllocation(0);
  EXPECT_EQ(after, SM_getTotalAlloc());
  EXPECT_GE(after, before + static_cast<long long>(sd->alloc.bytesHeld()));
  EXPECT_GT(sd->alloc.bytesHeld(), 0u);
  OutputCapture capture;
  EXPECT_EQ(ZoqAllocation(1), after);
  EXPECT_NE(capture.diagnostics.find("Total algebra allocation " + std::to_string(after) + " Bytes"),
            std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Total S matrix allocation " + std::to_string(SM_getSBaseAlloc()) + " Bytes"),
            std::string::npos);
}

}  // namespace
