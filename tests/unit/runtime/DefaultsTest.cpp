// The preferences data base and the preferences file: reading, overriding the built-in
// pairs, saving newest first through a temporary file, and bad lines and values.
#include "runtime/Defaults.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "program/Boot.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

class DefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { std::remove(getDefaultFile()); }
  // Writes the preferences file and reads it as start-up does.
  static int load(const std::string& contents) {
    std::ofstream(getDefaultFile(), std::ios::binary) << contents;
    return readDefaultsFile(getDefaultFile());
  }
};

TEST_F(DefaultsTest, TheFileLivesInTheDefaultsFolderOfHome) {
  std::string home = std::getenv("HOME");
  EXPECT_STREQ(getDefaultFile(), (home + "/.Defaults/Zoq8").c_str());
  EXPECT_TRUE(fs::is_directory(home + "/.Defaults"));
}

TEST_F(DefaultsTest, TheBuiltInPairsAreSet) {
  EXPECT_STREQ(getDefaultValue("ZoqPath"), "Work/Library/Zoq");
  EXPECT_STREQ(getDefaultValue("Keep S in Memory"), "Yes");
  EXPECT_STREQ(getDefaultValue("Write S to Disk"), "No");
  EXPECT_STREQ(getDefaultValue("SeverityMask"), "110000");
  EXPECT_STREQ(getDefaultValue("MaximalLevel"), "50");
}

TEST_F(DefaultsTest, FileLinesOverrideTheBuiltInPairs) {
  EXPECT_EQ(load("\"Keep S in Memory\" \"No\"\n"
                 "MaximalLevel 60\n"
                 "   \"Quoted name\"   \"a value  with blanks\" trailing words\n"),
            3);
  EXPECT_STREQ(getDefaultValue("Keep S in Memory"), "No");
  EXPECT_STREQ(getDefaultValue("MaximalLevel"), "60");
  EXPECT_STREQ(getDefaultValue("Quoted name"), "a value  with blanks");
}

TEST_F(DefaultsTest, BlankLinesDoNotEndTheFile) {
  EXPECT_EQ(load("first 1\n\n   \nsecond 2\n"), 2);
  EXPECT_STREQ(getDefaultValue("second"), "2");
}

TEST_F(DefaultsTest, LinesWithoutACompleteNameAreSkippedWithAMessage) {
  OutputCapture capture;
  EXPECT_EQ(load("good 1\nlonely\n\"unterminated 2\nafter 3\n"), 2);
  EXPECT_STREQ(getDefaultValue("after"), "3");
  EXPECT_NE(capture.diagnostics.find("Line 2 of preferences file"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Line 3 of preferences file"), std::string::npos);
}

TEST_F(DefaultsTest, LongLinesAreReadWhole) {
  std::string value(1000, 'v');
  EXPECT_EQ(load("\"Long\" \"" + value + "\"\nnext 1\n"), 2);
  EXPECT_EQ(std::string(getDefaultValue("Long")), value);
  EXPECT_STREQ(getDefaultValue("next"), "1");
}

TEST_F(DefaultsTest, AMissingFileIsTheFirstStartAndNothingIsReadOrSaid) {
  OutputCapture capture;
  EXPECT_EQ(readDefaultsFile((std::string(std::getenv("HOME")) + "/none").c_str()), -1);
  EXPECT_EQ(capture.all, "");
  EXPECT_STREQ(getDefaultValue("MaximalLevel"), "50");
}

TEST_F(DefaultsTest, AFileThatExistsAndCannotBeReadIsReported) {
  std::string folder = std::string(std::getenv("HOME")) + "/folder-not-file";
  fs::create_directory(folder);
  OutputCapture capture;
  EXPECT_EQ(readDefaultsFile(folder.c_str()), 0);
  fs::remove(folder);
  EXPECT_NE(capture.diagnostics.find("Could not read file \"" + folder + "\": Is a directory"), std::string::npos)
      << capture.diagnostics;
}

TEST_F(DefaultsTest, ValuesHoldingADoubleQuoteAreRefused) {
  OutputCapture capture;
  setDefault("Text", "plain");
  setDefault("Text", "with \" quote");
  EXPECT_STREQ(getDefaultValue("Text"), "plain");
  EXPECT_NE(capture.diagnostics.find("holds a double quote; not accepted"), std::string::npos);
  capture.clear();
  EXPECT_EQ(load("Bare va\"lue\n"), 1);  // the line is read, its value refused
  EXPECT_EQ(getDefaultValue("Bare"), nullptr);
}

TEST_F(DefaultsTest, NeverSetEntriesHaveNoValue) {
  EXPECT_EQ(getDefaultValue("Unset"), nullptr);
  EXPECT_STREQ(getDefault("Unset"), "");
  EXPECT_NE(findDefaultPointer("Unset"), nullptr);  // the look-up created it
  EXPECT_EQ(findDefaultPointer("Never looked up"), nullptr);
}

TEST_F(DefaultsTest, SavingListsTheEntriesNewestFirst) {
  setDefault("Newest", "1");
  ASSERT_EQ(writeDefaults(), 0);
  std::string text = readFile(getDefaultFile());
  EXPECT_EQ(text.rfind("\"Newest\" \"1\"\n", 0), 0u);
  std::string builtIns =
      "\"MaximalLevel\" \"50\"\n\"SeverityMask\" \"110000\"\n\"Write S to Disk\" \"No\"\n"
      "\"Keep S in Memory\" \"Yes\"\n\"ZoqPath\" \"Work/Library/Zoq\"\n";
  std::size_t at = text.find(builtIns);
  ASSERT_NE(at, std::string::npos);
  // "Maxrank" was made after the file was read, "line_size" before.
  EXPECT_LT(text.find("\"Maxrank\" \"20\"\n"), at);
  EXPECT_GT(text.find("\"line_size\" \"100\"\n"), at);
  EXPECT_EQ(text.find("Unset"), std::string::npos);
}

TEST_F(DefaultsTest, AFileWithABlankLineKeepsEveryEntryThroughASave) {
  load("\"Alpha\" \"1\"\n\n\"Beta\" \"two words\"\n\n\n\"Gamma\" \"3\"\n");
  savePreferences();
  std::string text = readFile(getDefaultFile());
  EXPECT_NE(text.find("\"Alpha\" \"1\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Beta\" \"two words\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Gamma\" \"3\"\n"), std::string::npos);
  // Nothing but the file itself is left in the folder.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(getDefaultFile()).parent_path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(DefaultsTest, ASavedFileReadsBackTheSame) {
  setDefault("Round trip", "a  b");
  setDefault("Empty", "");
  ASSERT_EQ(writeDefaults(), 0);
  setDefault("Round trip", "changed");
  setDefault("Empty", "filled");
  readDefaultsFile(getDefaultFile());
  EXPECT_STREQ(getDefaultValue("Round trip"), "a  b");
  EXPECT_STREQ(getDefaultValue("Empty"), "");
}

TEST_F(DefaultsTest, AVanishedFolderIsReportedWhenSaving) {
  fs::remove_all(fs::path(getDefaultFile()).parent_path());
  OutputCapture capture;
  EXPECT_EQ(writeDefaults(), -1);
  EXPECT_NE(capture.diagnostics.find("Could not open file \"" + std::string(getDefaultFile()) + "\""),
            std::string::npos);
  setDefaultFile("Zoq8");  // makes the folder again
  EXPECT_EQ(writeDefaults(), 0);
}

TEST_F(DefaultsTest, ASaveRemovesTheTemporariesOfEndedProcessesOnly) {
  // A process that has ended (its number is free until reused, and a reuse only leaves
  // the file in place).
  pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  std::string folder = fs::path(getDefaultFile()).parent_path().string();
  std::string host = getCurrentHostName();
  std::string stale = folder + "/Zoq8.tmp-" + std::to_string(ended) + "-" + host + "-Ab12Cd";
  std::string running = folder + "/Zoq8.tmp-" + std::to_string(getpid()) + "-" + host + "-Ef34Gh";
  std::string elsewhere = folder + "/Zoq8.tmp-" + std::to_string(ended) + "-" + host + "x-Ij56Kl";
  for (const std::string& path : {stale, running, elsewhere}) std::ofstream(path) << "\"half\" \"wr";
  ASSERT_EQ(writeDefaults(), 0);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(elsewhere));  // another host's process cannot be asked
  fs::remove(running);
  fs::remove(elsewhere);
}

TEST_F(DefaultsTest, WithoutAHomeNothingIsReadOrWritten) {
  std::string home = std::getenv("HOME");
  setenv("HOME", (home + "/missing").c_str(), 1);
  OutputCapture capture;
  setDefaultFile("Zoq8");
  setenv("HOME", home.c_str(), 1);
  EXPECT_STREQ(getDefaultFile(), "");
  EXPECT_FALSE(fs::exists(home + "/missing"));
  EXPECT_EQ(writeDefaults(), -1);
  EXPECT_NE(capture.diagnostics.find("No home folder; preferences not saved"), std::string::npos);
  setDefaultFile("Zoq8");
}

int conversions = 0;
int layoutsSaved = 0;
std::string appliedLayouts;

TEST_F(DefaultsTest, SavingRunsTheConversionAndTheTableLayouts) {
  conversions = 0;
  layoutsSaved = 0;
  registerDefaults("Zoq8", nullptr, [] { ++conversions; });
  setTableDefaultRoutines([] { setDefault("Table:Spectrum:Header", "1"), ++layoutsSaved; },
                          [](const char* name, const char* value) {
                            appliedLayouts += std::string(name) + "=" + value + ";";
                          });
  savePreferences();
  EXPECT_EQ(conversions, 1);
  EXPECT_EQ(layoutsSaved, 1);
  EXPECT_NE(readFile(getDefaultFile()).find("\"Table:Spectrum:Header\" \"1\"\n"), std::string::npos);
  appliedLayouts.clear();
  getTableDefaults();
  EXPECT_EQ(appliedLayouts, "Table:Spectrum:Header=1;");
  setTableDefaultRoutines(nullptr, nullptr);
}

TEST_F(DefaultsTest, TableCellsAndTheListWalk) {
  DefaultEntry* before = getFirstDefault();
  DefaultEntry* entry = setDefault("Cell", "value");
  EXPECT_EQ(getFirstDefault(), entry);
  EXPECT_EQ(nextDefault(entry), before);
  EXPECT_EQ(getDefaultNameString(entry), "Cell ");
  EXPECT_EQ(getDefaultValueString(entry), "value");
}

TEST_F(DefaultsTest, ResetDropsEntriesMadeAfterStartUp) {
  setDefault("Transient", "1");
  setDefault("ZoqPath", "Other");
  resetAll();
  EXPECT_EQ(findDefaultPointer("Transient"), nullptr);
  EXPECT_STREQ(getDefaultValue("ZoqPath"), "Work/Library/Zoq");
}

}  // namespace
