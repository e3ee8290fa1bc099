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
  // Field 1 is the simple current, of label kLevel.
  const long long l = kLevel;
  const std::string field = "Field 1\nDimension = " + std::to_string(l + 1) +
                            "\nIndex[2] = " + std::to_string(l * (l + 1) * (l + 2) / 6) + "\n";
  EXPECT_NE(text.find(field), std::string::npos) << what << "\n" << text;
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
    expectEveryRecordOnce(home + "/Work/Library/Zoq/A1_indices", what);
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
