// The real zoq binary started with standard input, output or error closed (as "zoq -b
// c.zoq >&-" leaves them): the program opens the missing ones onto /dev/null first, so the
// first file it opens never takes their place and gets text meant for the terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::readWhole;
using binary_test::ScratchFolder;

// Runs zoq with the arguments in the folder (also its HOME); the descriptors listed are
// closed, the other standard ones are /dev/null. The exit status, or -1.
int runWithClosed(const std::string& folder, const std::vector<std::string>& arguments,
                  std::initializer_list<int> closed) {
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    setenv("HOME", folder.c_str(), 1);
    const int null = open("/dev/null", O_RDWR);
    if (null < 0) _exit(126);
    for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
    if (null > 2) close(null);
    for (int fd : closed) close(fd);
    binary_test::execZoq(arguments);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a file holds up to its statistics line, which carries the run's own times.
std::string beforeStatistics(const std::string& text) { return text.substr(0, text.find("CPU time used")); }

// The reproducer of the fault: the output file of "file" got the banner's successors, the
// spectrum line and "Finished executing file", all written to standard output.
TEST(StandardDescriptors, AClosedStandardOutputLeavesTheOutputFileItsOwnText) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/c.zoq") << "algebra a 1 5\nfile x.txt\nevaluate 4*2121\n";
  ASSERT_EQ(runWithClosed(folder.path(), {"-b", "c.zoq"}, {}), 0);
  const std::string reference = readWhole(folder.path() + "/x.txt");
  // What "file" receives: the value, the end of the background run and its statistics.
  EXPECT_EQ(beforeStatistics(reference), "8484\nEnd of command file(s) reached; terminating\n");
  ASSERT_EQ(unlink((folder.path() + "/x.txt").c_str()), 0);

  ASSERT_EQ(runWithClosed(folder.path(), {"-b", "c.zoq"}, {1}), 0);
  const std::string closed = readWhole(folder.path() + "/x.txt");
  EXPECT_EQ(beforeStatistics(closed), beforeStatistics(reference)) << closed;
  EXPECT_NE(closed.find("CPU time used"), std::string::npos) << closed;
}

// Without -b alerts go to the error stream: with it closed they went into the output file.
TEST(StandardDescriptors, AClosedStandardErrorKeepsAlertsOutOfTheOutputFile) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/e.zoq") << "algebra a 1 5\nfile x.txt\ng a 1 2\nevaluate 4*2121\n";
  ASSERT_EQ(runWithClosed(folder.path(), {"e.zoq"}, {2}), 0);
  const std::string text = readWhole(folder.path() + "/x.txt");
  EXPECT_EQ(text.rfind("8484\n", 0), 0u) << text;
  EXPECT_EQ(text.find("Switching to tensor mode"), std::string::npos) << text;
}

// A shell started by the program inherits its descriptors: each of the three is /dev/null,
// whichever were closed (the end of the closed standard input ends the session as "quit").
TEST(StandardDescriptors, EveryClosedOneIsOpenOntoDevNull) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/f.zoq")
      << "system readlink /proc/$PPID/fd/0 /proc/$PPID/fd/1 /proc/$PPID/fd/2 > fds.txt\n";
  ASSERT_EQ(runWithClosed(folder.path(), {"-b", "f.zoq"}, {0, 1, 2}), 0);
  EXPECT_EQ(readWhole(folder.path() + "/fds.txt"), "/dev/null\n/dev/null\n/dev/null\n");
  ASSERT_EQ(unlink((folder.path() + "/fds.txt").c_str()), 0);
  ASSERT_EQ(runWithClosed(folder.path(), {"f.zoq"}, {0}), 0);
  EXPECT_EQ(readWhole(folder.path() + "/fds.txt"), "/dev/null\n/dev/null\n/dev/null\n");
}

}  // namespace
