// Files shared between processes: the whole-file fcntl lock, appends in one write under it,
// the temporaries of atomic writes and their removal once their process has ended, and a
// log file that cannot be written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"

namespace {

namespace fs = std::filesystem;

class SharedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// The number of a process that has ended (free until reused, and a reuse keeps files).
pid_t endedProcess() {
  pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  return ended;
}

std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SharedFilesTest, TemporariesOfEndedProcessesOfThisHostAreRemoved) {
  TemporaryFolder folder;
  const std::string path = folder.path("data");
  const std::string host = getCurrentHostName();
  const std::string ended = std::to_string(endedProcess());
  const std::string mine = std::to_string(getpid());
  folder.write("data", "kept");
  folder.write("data.tmp." + ended, "old form, ended");
  folder.write("data.tmp-" + ended + "-" + host + "-Ab12Cd", "ended");
  folder.write("data.tmp." + mine, "old form, running");
  folder.write("data.tmp-" + mine + "-" + host + "-Ef34Gh", "running");
  folder.write("data.tmp-" + ended + "-" + host + "x-Ij56Kl", "another host");
  folder.write("other.tmp-" + ended + "-" + host + "-Mn78Op", "another file");
  removeStaleTemporaries(path);
  std::vector<std::string> kept{"data", "data.tmp-" + ended + "-" + host + "x-Ij56Kl",
                                "data.tmp-" + mine + "-" + host + "-Ef34Gh", "data.tmp." + mine,
                                "other.tmp-" + ended + "-" + host + "-Mn78Op"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(entriesOf(folder.path()), kept);
}

TEST_F(SharedFilesTest, TheFirstAtomicWriteIntoAFolderSweepsItsStaleTemporaries) {
  TemporaryFolder folder;
  const std::string host = getCurrentHostName();
  const std::string ended = std::to_string(endedProcess());
  const std::string stale =
      folder.write("rows.tmp-" + ended + "-" + host + "-Qr12St", "half a row");
  // A name of the older shape may be the user's own: a sweep of the folder leaves it.
  const std::string userFile = folder.write("notes.tmp." + ended, "the user's");
  ASSERT_TRUE(writeFileAtomically(folder.path("data"), "whole"));
  EXPECT_EQ(readFile(folder.path("data")), "whole");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(userFile));
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"data", "notes.tmp." + ended}));
  // Replaced files keep the usual mode, not that of a private temporary.
  EXPECT_EQ(fs::status(folder.path("data")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  // stringToFile writes the same way and leaves no temporary either.
  EXPECT_EQ(stringToFile("fresh", folder.path("data").c_str()), 0);
  EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"data", "notes.tmp." + ended}));
}

TEST_F(SharedFilesTest, AppendsOfConcurrentProcessesAreNeitherLostNorSplit) {
  TemporaryFolder folder;
  const std::string path = folder.path("shared");
  const int lines = 300;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const char* word = child == 0 ? "child-line-of-some-length\n" : "parent-line\n";
  for (int i = 0; i < lines; ++i) appendToSharedFile(path, word);
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string text = readFile(path);
  EXPECT_EQ(substringcnt(text.c_str(), "child-line-of-some-length\n"), lines);
  EXPECT_EQ(substringcnt(text.c_str(), "parent-line\n"), lines);
  EXPECT_EQ(text.size(), static_cast<std::size_t>(lines) * (26 + 12));
}

TEST_F(SharedFilesTest, AnExclusiveLockWaitsForTheHolder) {
  TemporaryFolder folder;
  const std::string path = folder.write("locked", "");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    LockedFile held(path, LockedFile::Access::Write);
    if (write(ready[1], "x", 1) != 1) _exit(1);
    usleep(200000);
    // Written while the lock is held: the parent's append must come after it.
    held.writeAt(0, "first\n");
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_TRUE(appendToSharedFile(path, "second\n"));
  waitpid(child, nullptr, 0);
  EXPECT_EQ(readFile(path), "first\nsecond\n");
  close(ready[0]);
  close(ready[1]);
  LockedFile missing(folder.path("absent"), LockedFile::Access::Write);
  EXPECT_FALSE(missing.isOpen());
  EXPECT_FALSE(fs::exists(folder.path("absent")));
}

TEST_F(SharedFilesTest, ALogThatCannotBeWrittenIsSwitchedOffWithOneWarning) {
  // "Logs" is a plain file, so the log inside it cannot be made, not even by root.
  const std::string home = std::getenv("HOME");
  TemporaryFolder folder;
  folder.write("Logs", "a plain file");
  setenv("HOME", folder.path().c_str(), 1);
  LogFileName("TestLog");
  setenv("HOME", home.c_str(), 1);
  OutputCapture capture;
  setIntPar("log", 1);
  writeLog("%s\n", "first command");
  EXPECT_EQ(*getIntParPointer("log"), 0);
  EXPECT_EQ(substringcnt(capture.diagnostics.c_str(), "Log file problem in initLog"), 1);
  // The warning is a line of its own, so later output starts on a fresh line.
  EXPECT_EQ(capture.diagnostics.back(), '\n');
  capture.clear();
  writeLog("%s\n", "second command");
  EXPECT_EQ(capture.all, "");
  LogFileName("Zoq");
}

TEST_F(SharedFilesTest, ADiagnosticsFileThatCannotBeWrittenIsSwitchedOffToo) {
  const std::string home = std::getenv("HOME");
  TemporaryFolder folder;
  folder.write("Logs", "a plain file");
  setenv("HOME", folder.path().c_str(), 1);
  ErrorFileName("TestDiagnostics");
  setenv("HOME", home.c_str(), 1);
  OutputCapture capture;
  setIntPar("error_log", 1);
  Alert("someRoutine", 0, 100201, "first alert");
  EXPECT_EQ(*getIntParPointer("error_log"), 0);
  EXPECT_EQ(substringcnt(capture.diagnostics.c_str(), "Error file problem in initErrorFile"), 1);
  capture.clear();
  Alert("someRoutine", 1, 100201, "second alert");
  EXPECT_EQ(substringcnt(capture.diagnostics.c_str(), "Error file problem"), 0);
  ErrorFileName("Zoq");
}

}  // namespace
