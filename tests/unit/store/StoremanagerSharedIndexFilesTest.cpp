// Index files shared between runs: the trivial and fundamental records come back into an
// emptied or cut file, records are appended in place (never rewritten, never twice), what
// other runs appended is read before writing, and a file that cannot be written keeps
// the records in memory with one warning.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ModularTestSupport.h"
#include "numbers/LargeInteger.h"
#include "runtime/SystemUtility.h"
#include "store/StoremanagerIndexFiles.h"

using namespace modular_test;
namespace fs = std::filesystem;

namespace {

// A2: trivial; 3 = (1 0): dimension 3, I_2 = 1, I_3 = 1; 3bar = (0 1): 3, 1, -1.
const std::string kA2Trivial = "0 0 \n1\n0\n0\n";
const std::string kA2Triplet = "1 0 \n3\n1\n1\n";
const std::string kA2Antitriplet = "0 1 \n3\n1\n-1\n";
// A1: trivial, and the doublet with dimension 2 and I_2 = 1.
const std::string kA1Seeds = "0 \n1\n0\n1 \n2\n1\n";

class SharedIndexFilesTest : public ModularTestBase {
 protected:
  static std::string indexFile(const char* name) { return zoq_pathname + "/" + name + "_indices"; }
  static void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static void appendFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
  }
  static std::size_t occurrences(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
      ++count;
    return count;
  }
};

std::string entry(const SpectrumData* sd, int field, int e) {
  const lrat* value = SM_getIndex(sd, field, e);
  return value == nullptr ? "absent" : lrat_string(value);
}

int field(const SpectrumData* sd, std::vector<int> labels) {
  return SM_getLieLabel(sd, labels.data());
}

void addA1Index(SpectrumData* sd, int a, long long value) {
  lint index;
  lint_assign(&index, value);
  SM_addIndex(sd, a, &index);
}

}  // namespace

TEST_F(SharedIndexFilesTest, AnEmptiedFileGetsTheTrivialAndFundamentalRecordsBack) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  writeFile(indexFile("A2"), "");
  OutputCapture capture;
  EXPECT_EQ(SM_loadIndices(sd), 3);
  EXPECT_EQ(readFile(indexFile("A2")), kA2Trivial + kA2Triplet + kA2Antitriplet);
  EXPECT_TRUE(contains(capture.stdoutText, "Read 3 indices from file " + indexFile("A2") + "\n"));
  EXPECT_EQ(entry(sd, field(sd, {0, 1}), 2), "-1");
  // The next run reads them as any other file.
  resetAll();
  sd = SM_getData(1, 2, 2);
  EXPECT_EQ(SM_loadIndices(sd), 3);
  EXPECT_EQ(readFile(indexFile("A2")), kA2Trivial + kA2Triplet + kA2Antitriplet);
}

TEST_F(SharedIndexFilesTest, AFileCutInsideItsFirstRecordsIsCompletedAfterItsWholeRecords) {
  // Cut inside the triplet: the trivial record stays, the cut one goes, both fundamental
  // records follow it.
  for (const std::string& cut : {std::string("0 0"), kA2Trivial + "1 0 \n3\n", kA2Trivial + "1"}) {
    resetAll();
    SpectrumData* sd = SM_getData(1, 2, 2);
    writeFile(indexFile("A2"), cut);
    OutputCapture capture;
    EXPECT_EQ(SM_loadIndices(sd), 3) << cut;
    EXPECT_EQ(readFile(indexFile("A2")), kA2Trivial + kA2Triplet + kA2Antitriplet) << cut;
    EXPECT_TRUE(contains(capture.diagnostics, "ends inside a record")) << cut;
  }
  // A file that lacks only the triplet gets it at its end; the others are not repeated.
  resetAll();
  SpectrumData* sd = SM_getData(1, 2, 2);
  const std::string sextet = "2 0 \n6\n5\n7\n";
  writeFile(indexFile("A2"), kA2Trivial + kA2Antitriplet + sextet);
  EXPECT_EQ(SM_loadIndices(sd), 4);
  EXPECT_EQ(readFile(indexFile("A2")), kA2Trivial + kA2Antitriplet + sextet + kA2Triplet);
}

TEST_F(SharedIndexFilesTest, RecordsAreAppendedInPlaceNeverRewritten) {
  SpectrumData* sd = SM_getData(1, 1, 4);
  fs::remove(indexFile("A1"));
  ASSERT_EQ(SM_loadIndices(sd), 2);
  struct stat before {};
  ASSERT_EQ(stat(indexFile("A1").c_str(), &before), 0);
  // A1 fields of label l have dimension l + 1 and I_2 = l(l+1)(l+2)/6: 4 and 10 for l = 2, 3.
  addA1Index(sd, a1Field(sd, 2), 4);
  addA1Index(sd, a1Field(sd, 3), 10);
  EXPECT_EQ(SM_appendIndexRecord(sd, a1Field(sd, 2)), 0);
  EXPECT_EQ(SM_appendIndexRecord(sd, a1Field(sd, 3)), 0);
  struct stat after {};
  ASSERT_EQ(stat(indexFile("A1").c_str(), &after), 0);
  // The same file, extended: a rewrite through a temporary file would be a new one.
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(readFile(indexFile("A1")), kA1Seeds + "2 \n3\n4\n3 \n4\n10\n");
  // A record the file holds is not written again.
  EXPECT_EQ(SM_appendIndexRecord(sd, a1Field(sd, 3)), 2);
  EXPECT_EQ(readFile(indexFile("A1")), kA1Seeds + "2 \n3\n4\n3 \n4\n10\n");
}

TEST_F(SharedIndexFilesTest, WhatAnotherRunAppendedIsReadBeforeWriting) {
  SpectrumData* sd = SM_getData(1, 1, 4);
  fs::remove(indexFile("A1"));
  ASSERT_EQ(SM_loadIndices(sd), 2);
  // Another run appends the triplet (I_2 = 4) and is stopped inside the quartet's record.
  appendFile(indexFile("A1"), "2 \n3\n4\n3 \n4");
  const int triplet = a1Field(sd, 2);
  const int quartet = a1Field(sd, 3);
  EXPECT_EQ(entry(sd, triplet, 1), "absent");
  addA1Index(sd, quartet, 10);
  OutputCapture capture;
  EXPECT_EQ(SM_appendIndexRecord(sd, quartet), 0);
  // The cut record went; the other run's triplet is now known here too.
  EXPECT_EQ(readFile(indexFile("A1")), kA1Seeds + "2 \n3\n4\n3 \n4\n10\n");
  EXPECT_EQ(entry(sd, triplet, 1), "4");
  // This run found the triplet meanwhile as well: it is not written a second time.
  addA1Index(sd, triplet, 4);
  EXPECT_EQ(SM_appendIndexRecord(sd, triplet), 2);
  EXPECT_EQ(occurrences(readFile(indexFile("A1")), "2 \n3\n4\n"), 1u);
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(SharedIndexFilesTest, ConcurrentWritersKeepEveryRecordOnce) {
  // Two processes append the records of l = 2 .. 40 (I_2 = l(l+1)(l+2)/6), each in its own
  // order, into one file: afterwards every record is there exactly once.
  const int level = 40;
  SpectrumData* sd = SM_getData(1, 1, level);
  fs::remove(indexFile("A1"));
  ASSERT_EQ(SM_loadIndices(sd), 2);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const bool forward = child == 0;
  for (int step = 0; step <= level - 2; ++step) {
    const int l = forward ? 2 + step : level - step;
    addA1Index(sd, a1Field(sd, l), static_cast<long long>(l) * (l + 1) * (l + 2) / 6);
    SM_appendIndexRecord(sd, a1Field(sd, l));
  }
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  const std::string text = readFile(indexFile("A1"));
  for (int l = 0; l <= level; ++l) {
    const long long index = static_cast<long long>(l) * (l + 1) * (l + 2) / 6;
    const std::string record =
        std::to_string(l) + " \n" + std::to_string(l + 1) + "\n" + std::to_string(index) + "\n";
    EXPECT_EQ(occurrences("\n" + text, "\n" + record), 1u) << l;
  }
  resetAll();
  sd = SM_getData(1, 1, level);
  EXPECT_EQ(SM_loadIndices(sd), level + 1);
}

TEST_F(SharedIndexFilesTest, AFolderThatCannotBeMadeKeepsTheIndicesInMemoryWithOneWarning) {
  SpectrumData* sd = SM_getData(1, 1, 4);
  // A path component that is a plain file: no folder can be made there, not even by root.
  writeFile(zoq_pathname + "/blocker", "a plain file");
  zoq_pathname += "/blocker/data";
  OutputCapture capture;
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_EQ(entry(sd, a1Field(sd, 1), 1), "1");
  EXPECT_EQ(occurrences(capture.diagnostics, "cannot be written; indices are kept in memory"), 1u);
  addA1Index(sd, a1Field(sd, 2), 4);
  capture.clear();
  EXPECT_EQ(SM_appendIndexRecord(sd, a1Field(sd, 2)), 1);
  EXPECT_EQ(capture.diagnostics, "");
  EXPECT_EQ(SM_loadIndices(sd), 3);  // kept for the session
}

TEST_F(SharedIndexFilesTest, WithoutAUsableHomeNoDataFolderIsMadeInTheWorkingFolder) {
  TemporaryFolder work;
  const std::string home = std::getenv("HOME");
  const std::string previous = getCurrentDirectory();
  ASSERT_EQ(chdir(work.path().c_str()), 0);
  setenv("HOME", (work.path() + "/missing").c_str(), 1);
  zoq_pathname = "./Work/Library/Zoq";
  SpectrumData* sd = SM_getData(1, 1, 3);
  OutputCapture capture;
  EXPECT_EQ(SM_loadIndices(sd), 2);
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(chdir(previous.c_str()), 0);
  EXPECT_FALSE(fs::exists(work.path() + "/Work"));
  EXPECT_EQ(entry(sd, a1Field(sd, 1), 0), "2");
  EXPECT_EQ(occurrences(capture.diagnostics, "indices are kept in memory"), 1u);
}

TEST_F(SharedIndexFilesTest, LoadingRemovesTemporariesThatEndedRunsLeft) {
  pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  SpectrumData* sd = SM_getData(1, 1, 2);
  writeFile(indexFile("A1"), kA1Seeds);
  const std::string host = getCurrentHostName();
  const std::string old = indexFile("A1") + ".tmp." + std::to_string(ended);
  const std::string stale =
      indexFile("A1") + ".tmp-" + std::to_string(ended) + "-" + host + "-Ab12Cd";
  const std::string running =
      indexFile("A1") + ".tmp-" + std::to_string(getpid()) + "-" + host + "-Ef34Gh";
  for (const std::string& path : {old, stale, running}) writeFile(path, "0 \n1");
  EXPECT_EQ(SM_loadIndices(sd), 2);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  fs::remove(running);
}
