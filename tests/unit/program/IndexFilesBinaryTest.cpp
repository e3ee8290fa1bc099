// The index file of a theory shared by real zoq processes: eight runs of "indices" at once
// keep every record exactly once, runs killed while computing leave no temporary file and
// no cut record behind, and without a writable home the indices are still computed.
//
// A1 at level k: the field of Dynkin label l has dimension l + 1 and quadratic index
// I_2 = l (l + 1) (l + 2) / 6 (the sum of j (j + 1) / 2 over the weights of the spin-l/2
// representation, normalised so that the doublet has 1).
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

constexpr int kLevel = 40;

using binary_test::occurrences;
using binary_test::readWhole;
using binary_test::ScratchFolder;
using binary_test::startZoq;
using binary_test::waitForExit;

void writeWhole(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A home with the data folder and a command file computing the indices of A1 at kLevel.
std::string prepareHome(const std::string& root, const std::string& name) {
  const std::string home = root + "/" + name;
  mkdir(home.c_str(), 0755);
  writeWhole(home + "/indices.zoq", "algebra a 1 " + std::to_string(kLevel) + "\nindices 1\n");
  writeWhole(home + "/all.zoq", "algebra a 1 " + std::to_string(kLevel) + "\nindices\n");
  return home;
}

// The records of an A1 index file: label -> how often it occurs; false when a record is
// cut or holds wrong values.
bool recordsOf(const std::string& text, std::map<int, int>& count, std::string& problem) {
  std::istringstream words(text);
  long long label = 0, dimension = 0, index = 0;
  while (words >> label) {
    if (!(words >> dimension >> index)) {
      problem = "cut record of label " + std::to_string(label);
      return false;
    }
    if (dimension != label + 1 || index != label * (label + 1) * (label + 2) / 6) {
      problem = "wrong record of label " + std::to_string(label);
      return false;
    }
    ++count[static_cast<int>(label)];
  }
  return words.eof();
}

void expectEveryRecordOnce(const std::string& indexFile, const std::string& what) {
  std::map<int, int> count;
  std::string problem;
  EXPECT_TRUE(recordsOf(readWhole(indexFile), count, problem)) << what << ": " << problem;
  for (int l = 0; l <= kLevel; ++l) EXPECT_EQ(count[l], 1) << what << ", label " << l;
  EXPECT_EQ(count.size(), static_cast<std::size_t>(kLevel + 1)) << what;
}

// The records of an index file that killed runs may have left short of some records: none
// cut, none wrong, none twice. The labels found.
std::map<int, int> expectNoRecordTwice(const std::string& indexFile, const std::string& what) {
  std::map<int, int> count;
  std::string problem;
  EXPECT_TRUE(recordsOf(readWhole(indexFile), count, problem)) << what << ": " << problem;
  for (const auto& [label, times] : count) EXPECT_EQ(times, 1) << what << ", label " << label;
  return count;
}

// The record of label l as the index file holds it: labels, dimension, I_2.
std::string recordOfLabel(long long l) {
  return std::to_string(l) + " \n" + std::to_string(l + 1) + "\n" +
         std::to_string(l * (l + 1) * (l + 2) / 6) + "\n";
}

// What "indices 1" prints: field 1 is the simple current, of label kLevel.
std::string currentFieldText() {
  const long long l = kLevel;
  return "Field 1\nDimension = " + std::to_string(l + 1) +
         "\nIndex[2] = " + std::to_string(l * (l + 1) * (l + 2) / 6) + "\n";
}

// The files of a folder tree whose names hold ".tmp".
std::vector<std::string> temporariesUnder(const std::string& folder) {
  std::vector<std::string> found;
  DIR* directory = opendir(folder.c_str());
  if (directory == nullptr) return found;
  while (dirent* entry = readdir(directory)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      for (const std::string& inner : temporariesUnder(path)) found.push_back(inner);
    } else if (name.find(".tmp") != std::string::npos) {
      found.push_back(path);
    }
  }
  closedir(directory);
  return found;
}

// What a run that finds every record prints: the field asked for, read from the file.
void expectReadWithoutRecomputing(const std::string& home, const std::string& what) {
  const std::string output = home + "/next.out";
  ASSERT_EQ(waitForExit(startZoq(home, home, "indices.zoq", output)), 0) << what;
  const std::string text = readWhole(output);
  EXPECT_NE(text.find("Read " + std::to_string(kLevel + 1) + " indices from file"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Determining indices"), std::string::npos) << text;
  EXPECT_NE(text.find(currentFieldText()), std::string::npos) << what << "\n" << text;
}

}  // namespace

TEST(IndexFilesOfRealRuns, EightConcurrentRunsKeepEveryRecordOnce) {
  ScratchFolder scratch("zoq-indexfiles");
  ASSERT_FALSE(scratch.path().empty());
  for (int round = 0; round < 10; ++round) {
    const std::string home = prepareHome(scratch.path(), "round" + std::to_string(round));
    std::vector<pid_t> runs;
    for (int r = 0; r < 8; ++r)
      runs.push_back(
          startZoq(home, home, "indices.zoq", home + "/run" + std::to_string(r) + ".out"));
    for (std::size_t r = 0; r < runs.size(); ++r) {
      EXPECT_EQ(waitForExit(runs[r]), 0) << readWhole(home + "/run" + std::to_string(r) + ".out");
    }
    const std::string what = "round " + std::to_string(round);
    expectEveryRecordOnce(home + "/Work/Library/Zoq/A1_indices", what);
    expectReadWithoutRecomputing(home, what);
    // Every field's product was recorded once in the "_characters" file: one record per
    // label from 2 on.
    const std::string characters = readWhole(home + "/Work/Library/Zoq/A1_characters");
    EXPECT_EQ(occurrences(characters, ".store\n"), static_cast<std::size_t>(kLevel - 1)) << what;
  }
}

TEST(IndexFilesOfRealRuns, RunsKilledWhileComputingLeaveNoTemporaryBehind) {
  ScratchFolder scratch("zoq-indexfiles");
  ASSERT_FALSE(scratch.path().empty());
  // Four homes, ten kills each, spread over start-up and the computation: after the run
  // has used 20 ms to 610 ms of processor time (the same points of its work on any
  // machine, however loaded; a run that ends first is killed after its end, harmlessly).
  int kills = 0;
  for (int group = 0; group < 4; ++group) {
    const std::string home = prepareHome(scratch.path(), "group" + std::to_string(group));
    for (int k = 0; k < 10; ++k) {
      pid_t run = startZoq(home, home, "indices.zoq", home + "/killed.out");
      binary_test::waitForProcessorTime(run, 20 + 65 * k + 5 * group);
      kill(run, SIGKILL);
      waitForExit(run);
      ++kills;
    }
    const std::string what = "group " + std::to_string(group);
    const std::string output = home + "/after.out";
    ASSERT_EQ(waitForExit(startZoq(home, home, "indices.zoq", output)), 0) << readWhole(output);
    EXPECT_EQ(temporariesUnder(home), std::vector<std::string>()) << what;
    EXPECT_NE(readWhole(output).find(currentFieldText()), std::string::npos) << readWhole(output);
    // "indices 1" computes only when field 1 has no record: a run killed after appending
    // it and before the records found after it leaves those to a run that asks for them.
    const std::string indexFile = home + "/Work/Library/Zoq/A1_indices";
    EXPECT_EQ(expectNoRecordTwice(indexFile, what).count(kLevel), 1u) << what;
    // Asking for every field computes what is missing from what the file holds.
    const std::string all = home + "/all.out";
    ASSERT_EQ(waitForExit(startZoq(home, home, "all.zoq", all)), 0) << readWhole(all);
    EXPECT_NE(readWhole(all).find("All indices determined\n"), std::string::npos) << readWhole(all);
    expectEveryRecordOnce(indexFile, what);
    expectReadWithoutRecomputing(home, what);
  }
  EXPECT_EQ(kills, 40);
}

TEST(IndexFilesOfRealRuns, WithoutAUsableHomeTheIndicesAreComputedAndNothingIsMade) {
  ScratchFolder scratch("zoq-indexfiles");
  ASSERT_FALSE(scratch.path().empty());
  const std::string work = scratch.path() + "/work";
  mkdir(work.c_str(), 0755);
  writeWhole(work + "/indices.zoq", "algebra a 1 4\nindices 1\n");
  // HOME unset, and HOME below a plain file (no folder can be made there, even by root).
  writeWhole(scratch.path() + "/plain", "a plain file");
  for (const std::string& home : {std::string(), scratch.path() + "/plain/home"}) {
    const std::string output = scratch.path() + "/run.out";
    EXPECT_EQ(waitForExit(startZoq(work, home, "indices.zoq", output)), 0);
    const std::string text = readWhole(output);
    // The current of A1 level 4 has label 4: dimension 5, I_2 = 4 x 5 x 6 / 6 = 20.
    EXPECT_NE(text.find("Field 1\nDimension = 5\nIndex[2] = 20\n"), std::string::npos) << text;
    EXPECT_EQ(occurrences(text, "kept in memory"), 1u) << text;
    EXPECT_EQ(text.find("Cannot open new index file"), std::string::npos) << text;
    struct stat info {};
    EXPECT_NE(stat((work + "/Work").c_str(), &info), 0) << "home '" << home << "'";
  }
}

TEST(IndexFilesOfRealRuns, AHomeWhoseDataFolderCannotBeMadeStillGivesTheIndices) {
  ScratchFolder scratch("zoq-indexfiles");
  ASSERT_FALSE(scratch.path().empty());
  // "Work" is a plain file: the data folder cannot be made (a read-only home has the same
  // effect for users other than root, for whom modes do not forbid anything).
  const std::string home = prepareHome(scratch.path(), "home");
  writeWhole(home + "/Work", "a plain file");
  // "Logs" too: the log cannot be written either.
  writeWhole(home + "/Logs", "a plain file");
  writeWhole(home + "/small.zoq",
             "algebra a 1 4\nset log on\nindices 1\nindices 2\nindices 3\nindices 4\n");
  const std::string output = home + "/run.out";
  EXPECT_EQ(waitForExit(startZoq(home, home, "small.zoq", output)), 0);
  const std::string text = readWhole(output);
  EXPECT_NE(text.find("Field 1\nDimension = 5\nIndex[2] = 20\n"), std::string::npos) << text;
  EXPECT_EQ(occurrences(text, "kept in memory"), 1u) << text;
  // The log is switched off with one warning on a line of its own.
  const std::size_t logProblem = text.find("Log file problem in initLog");
  ASSERT_NE(logProblem, std::string::npos) << text;
  EXPECT_EQ(text.find("Log file problem", logProblem + 1), std::string::npos) << text;
  EXPECT_EQ(text.find("Log file problem in initLogField"), std::string::npos) << text;
  // The field of label 2, whichever number it has: dimension 3, I_2 = 2 x 3 x 4 / 6 = 4.
  EXPECT_NE(text.find("Dimension = 3\nIndex[2] = 4\n"), std::string::npos) << text;
}

TEST(IndexFilesOfRealRuns, RecordsAfterTheCurrentsLeftOutByAKilledRunComeWhenAllAreAsked) {
  ScratchFolder scratch("zoq-indexfiles");
  ASSERT_FALSE(scratch.path().empty());
  // A run may find the current (label kLevel) before label kLevel - 1: killed between the
  // two appends, it leaves every record but the latter; killed inside the latter's write,
  // a part of it too.
  for (const bool cut : {false, true}) {
    const std::string what = cut ? "cut" : "whole";
    const std::string home = prepareHome(scratch.path(), what);
    for (const char* level : {"/Work", "/Work/Library", "/Work/Library/Zoq"})
      mkdir((home + level).c_str(), 0755);
    const std::string indexFile = home + "/Work/Library/Zoq/A1_indices";
    std::string text;
    for (int l = 0; l <= kLevel; ++l)
      if (l != kLevel - 1) text += recordOfLabel(l);
    const std::string last = recordOfLabel(kLevel - 1);
    if (cut) text += last.substr(0, last.size() - 3);
    writeWhole(indexFile, text);

    // "indices 1" reads field 1 from the file and computes nothing; the cut part goes.
    const std::string output = home + "/one.out";
    ASSERT_EQ(waitForExit(startZoq(home, home, "indices.zoq", output)), 0) << readWhole(output);
    std::string printed = readWhole(output);
    EXPECT_NE(printed.find("Read " + std::to_string(kLevel) + " indices from file"),
              std::string::npos)
        << printed;
    EXPECT_EQ(printed.find("Determining indices"), std::string::npos) << printed;
    EXPECT_NE(printed.find(currentFieldText()), std::string::npos) << printed;
    EXPECT_EQ(printed.find("ends inside a record") != std::string::npos, cut) << printed;
    const std::map<int, int> kept = expectNoRecordTwice(indexFile, what);
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(kLevel)) << what;
    EXPECT_EQ(kept.count(kLevel - 1), 0u) << what;

    // "indices" finds the missing field from the 40 read and appends its record once,
    // with the one product that gave it.
    const std::string all = home + "/all.out";
    ASSERT_EQ(waitForExit(startZoq(home, home, "all.zoq", all)), 0) << readWhole(all);
    printed = readWhole(all);
    EXPECT_NE(printed.find("Read " + std::to_string(kLevel) + " indices from file"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("Characters are expressed in terms of " + std::to_string(kLevel) +
                           " previously determined ones\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("All indices determined\n"), std::string::npos) << printed;
    expectEveryRecordOnce(indexFile, what);
    EXPECT_EQ(occurrences(readWhole(home + "/Work/Library/Zoq/A1_characters"), ".store\n"), 1u)
        << what;
    expectReadWithoutRecomputing(home, what);
  }
}
