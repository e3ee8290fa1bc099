// A background run of the real zoq binary stopped by a signal (Ctrl-C, "kill", "timeout"
// and batch systems send SIGINT or SIGTERM; a closed terminal SIGHUP) keeps everything it
// printed, on standard output and in the output file of "file", and ends with status
// 128 + the signal: 130, 143, 129. And the marker files of run control are looked for in
// the folder that ZOQ_MARKER_FOLDER names, not in the /tmp every program shares.
//
// The printed lines stay in the program's buffers until the signal (that is what is
// tested), so the tests learn that the program has passed them from its log file, which
// it writes at once: each command line is logged before it runs, after the line before it
// has ended. The counting loops are stopped once their file has grown by several buffers
// (the file grows only by whole buffers before the signal).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "BinaryTestSupport.h"

namespace {

using binary_test::readWhole;
using binary_test::ScratchFolder;
using binary_test::startZoq;
using binary_test::waitForExit;
using binary_test::waitForFileText;

struct Stop {
  int signal;
  const char* name;
};

class StoppedBackgroundRun : public ::testing::TestWithParam<Stop> {};

// Starts "zoq -b job.zoq" in the folder (also its HOME) with the commands given, standard
// output and standard error to out.txt.
pid_t startJob(const std::string& folder, const std::string& commands) {
  std::ofstream(folder + "/job.zoq") << commands;
  return startZoq(folder, folder, "job.zoq", folder + "/out.txt");
}

// Waits until the file has at least the given size (true), or the run has ended first.
bool waitForFileSize(pid_t run, const std::string& path, long long size) {
  binary_test::StallWatch watch(run);
  long long last = -1;
  for (;;) {
    struct stat info {};
    const long long now = stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
    if (now >= size) return true;
    if (now != last) {
      last = now;
      watch.restart();
    }
    if (waitpid(run, nullptr, WNOHANG) != 0 || watch.stalled()) return false;
    usleep(20000);
  }
}

// The numbers 1, 2, ..., each on a line of its own, as the counting loop prints them: the
// count, or -1 when the text is anything else (a number missing, repeated or cut).
long long countedLines(const std::string& text) {
  long long expected = 1;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) return -1;
    if (text.compare(at, end - at, std::to_string(expected)) != 0) return -1;
    ++expected;
    at = end + 1;
  }
  return expected - 1;
}

TEST_P(StoppedBackgroundRun, KeepsTheLinesPrintedBeforeTheSignal) {
  ScratchFolder folder("zoq-signal");
  ASSERT_FALSE(folder.path().empty());
  const pid_t run = startJob(folder.path(),
                             "print kept_on_standard_output\n"
                             "file res.txt\n"
                             "print kept_in_the_output_file\n"
                             "set log on\n"
                             "while {1<2} {execute 1}\n");
  ASSERT_TRUE(waitForFileText(run, folder.path() + "/Logs/Zoq.log", "while {1<2} {execute 1}\n"))
      << readWhole(folder.path() + "/out.txt");
  kill(run, GetParam().signal);
  EXPECT_EQ(waitForExit(run), 128 + GetParam().signal);
  const std::string out = readWhole(folder.path() + "/out.txt");
  const std::string tail = "Executing file job.zoq\nkept_on_standard_output\n";
  ASSERT_GE(out.size(), tail.size()) << out;
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
  EXPECT_EQ(readWhole(folder.path() + "/res.txt"), "kept_in_the_output_file\n");
}

TEST_P(StoppedBackgroundRun, KeepsEveryNumberOfACountingLoopOnceAndWhole) {
  // Into the output file, and on standard output.
  for (bool toFile : {true, false}) {
    ScratchFolder folder("zoq-signal");
    ASSERT_FALSE(folder.path().empty());
    const std::string numbers = folder.path() + (toFile ? "/numbers.txt" : "/out.txt");
    const pid_t run = startJob(folder.path(), std::string(toFile ? "file numbers.txt\n" : "") +
                                                  "i=0\nwhile {1<2} {i=i+1; print i}\n");
    // Four buffers of 64 KB: numbers up to about 40,000.
    ASSERT_TRUE(waitForFileSize(run, numbers, 4 << 16)) << readWhole(folder.path() + "/out.txt");
    kill(run, GetParam().signal);
    EXPECT_EQ(waitForExit(run), 128 + GetParam().signal);
    std::string text = readWhole(numbers);
    if (!toFile) {
      const std::string start = "Executing file job.zoq\n";
      const std::size_t at = text.find(start);
      ASSERT_NE(at, std::string::npos) << text.substr(0, 1000);
      text.erase(0, at + start.size());
    }
    const long long count = countedLines(text);
    EXPECT_GT(count, 20000) << (toFile ? "file" : "standard output") << ", ends with "
                            << text.substr(text.size() > 40 ? text.size() - 40 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedBackgroundRun,
                         ::testing::Values(Stop{SIGINT, "SIGINT"}, Stop{SIGTERM, "SIGTERM"},
                                           Stop{SIGHUP, "SIGHUP"}),
                         [](const ::testing::TestParamInfo<Stop>& stop) { return std::string(stop.param.name); });

// A log followed while a long job runs: a line printed before a long computation reaches
// its file about a second later, not when 64 KB have gathered or the run ends. The loop
// has used 2.5 s of processor time, so at least 2.5 s have passed since the lines.
TEST(OutputOfARunningJob, ReachesItsFileWithinAboutASecond) {
  ScratchFolder folder("zoq-signal");
  ASSERT_FALSE(folder.path().empty());
  const pid_t run = startJob(folder.path(),
                             "print seen_while_running\n"
                             "file res.txt\n"
                             "print seen_in_the_output_file\n"
                             "while {1<2} {execute 1}\n");
  ASSERT_TRUE(binary_test::waitForProcessorTime(run, 2500)) << readWhole(folder.path() + "/out.txt");
  const std::string out = readWhole(folder.path() + "/out.txt");
  const std::string file = readWhole(folder.path() + "/res.txt");
  kill(run, SIGTERM);
  EXPECT_EQ(waitForExit(run), 128 + SIGTERM);
  EXPECT_NE(out.find("seen_while_running\n"), std::string::npos) << out;
  EXPECT_EQ(file, "seen_in_the_output_file\n");
}

// The marker folder of the next run (set in the child before zoq starts).
std::string& nextMarkerFolder() {
  static std::string folder;
  return folder;
}
void useNextMarkerFolder() { setenv("ZOQ_MARKER_FOLDER", nextMarkerFolder().c_str(), 1); }

// "Weyl Parity Orbits" looks at the markers before its first class: with "zoq_kill" in
// the run's marker folder the run ends there with status 4; without it the classes of A2
// follow (its 2^2 label vectors mod 2: the zero vector alone, and one class of the three
// others, since W(A2) = S3 acts on them as GL(2, F_2), which is transitive) and the run
// goes on to its end.
TEST(RunControlOfARealRun, MarkersAreLookedForInTheFolderNamedToTheRun) {
  ScratchFolder folder("zoq-markers-run");
  ScratchFolder markers("zoq-markers-own");
  ASSERT_FALSE(folder.path().empty());
  ASSERT_FALSE(markers.path().empty());
  std::ofstream(folder.path() + "/run.zoq") << "algebra a 2 1\nWeyl Parity Orbits\nprint after\n";
  nextMarkerFolder() = markers.path();
  std::ofstream(markers.path() + "/zoq_kill") << "";
  binary_test::CapturedRun killed = binary_test::runCaptured(folder.path(), {"-b", "run.zoq"}, "", useNextMarkerFolder);
  EXPECT_EQ(killed.status, 4) << killed.output;
  EXPECT_NE(killed.output.find("Machine kill signal encountered\nKilled (no autolaunch)\n"), std::string::npos)
      << killed.output;
  EXPECT_EQ(killed.output.find("after\n"), std::string::npos) << killed.output;

  std::remove((markers.path() + "/zoq_kill").c_str());
  binary_test::CapturedRun whole = binary_test::runCaptured(folder.path(), {"-b", "run.zoq"}, "", useNextMarkerFolder);
  EXPECT_EQ(whole.status, 0) << whole.output;
  EXPECT_NE(whole.output.find("Class 1 (size 3)"), std::string::npos) << whole.output;
  EXPECT_NE(whole.output.find("after\n"), std::string::npos) << whole.output;
}

}  // namespace
