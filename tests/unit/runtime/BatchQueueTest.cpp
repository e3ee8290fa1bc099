// The batch-job queue in a temporary launch folder. Ending a job ends its process, so those
// cases run in a forked child whose output goes to a file; a recording job starter takes
// the place of fork and exec, and lock waits do not sleep.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "runtime/BatchQueue.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

int& childOutput() {
  static int fd = -1;
  return fd;
}
void toChildOutput(Channel, const char* text, std::size_t length) { (void)!write(childOutput(), text, length); }

int& lockWaits() {
  static int n = 0;
  return n;
}
void countWait(int) { ++lockWaits(); }

std::string& starterLog() {
  static std::string path;
  return path;
}
// Appends "command|launch file|stdout file|stderr file" to the log.
int recordStart(const char* command, const char* launchFile, const char* stdoutPath, const char* stderrPath) {
  std::string line = std::string(command) + "|" + launchFile + "|" + stdoutPath + "|" + stderrPath + "\n";
  int fd = open(starterLog().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  (void)!write(fd, line.data(), line.size());
  close(fd);
  return 0;
}
int failStart(const char*, const char*, const char*, const char*) {
  errno = ENOEXEC;
  return -1;
}

// The host part of the Running folder: at most 23 characters, cut at the first '.'.
std::string shortHost() {
  std::string host = getCurrentHostName();
  if (host.size() > 23) host.resize(23);
  return host.substr(0, host.find('.'));
}

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class BatchQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    lockWaits() = 0;
    starterLog() = launch.path(".starts");
    setBatchQueueSleep(countWait);
    setJobStarter(recordStart);
    capture.clear();
  }

  // Runs body in a child process (it is expected to end the process) and returns its exit
  // status; the child's output, all channels in order, lands in output.
  int runJob(const std::function<void()>& body) {
    std::string path = launch.path(".output");
    pid_t child = fork();
    if (child == 0) {
      childOutput() = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      setOutputSink(toChildOutput);
      body();
      _exit(99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    output = readFile(path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A launch file running the given program.
  std::string job(const std::string& name, const std::string& program) {
    return launch.write(name, "#! " + program + "\nautolaunch\nquit\n");
  }
  std::string running(const std::string& name = "") {
    return launch.path("Running/" + shortHost()) + (name.empty() ? "" : "/" + name);
  }
  bool has(const std::string& piece) const { return output.find(piece) != std::string::npos; }

  TemporaryFolder launch;
  OutputCapture capture;
  std::string output;
};

// --- Joining the queue -----------------------------------------------------------------------

TEST_F(BatchQueueTest, AFileWithoutExtensionCannotJoin) {
  registerInputFilename(launch.write("job1", "quit\n").c_str());
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 1);
  EXPECT_NE(capture.diagnostics.find("Autolaunch requires a filename extension\n"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Auto launch only works from an inputfile\n"), std::string::npos);
  EXPECT_EQ(getAutoLaunch(), 0);
  EXPECT_TRUE(fs::exists(launch.path("job1")));
}

TEST_F(BatchQueueTest, TheExtensionComesFromTheFileNameNotTheFolder) {
  fs::create_directories(launch.path("set.v2"));
  registerInputFilename(launch.write("set.v2/job1", "quit\n").c_str());
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 1);
  EXPECT_NE(capture.diagnostics.find("Autolaunch requires a filename extension"), std::string::npos);
  EXPECT_TRUE(fs::exists(launch.path("set.v2/job1")));
}

TEST_F(BatchQueueTest, OnlyFromAnInputFile) {
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 1);
  EXPECT_EQ(capture.diagnostics, "Auto launch only works from an inputfile\n");
}

TEST_F(BatchQueueTest, JoiningMovesTheFileIntoRunning) {
  std::string path = launch.write("job1.zoq", "autolaunch\nquit\n");
  registerInputFilename(path.c_str());
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 0);
  EXPECT_EQ(getAutoLaunch(), 1);
  EXPECT_EQ(capture.stdoutText, "Auto launch directory " + path + "\nNew input: " + running("job1.zoq") + "\n");
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(running("job1.zoq")));
  for (const char* folder : {"Finished", "Failed", "Output", "Errors"}) {
    EXPECT_TRUE(fs::is_directory(launch.path(folder))) << folder;
  }
  // A second call changes nothing.
  capture.clear();
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 0);
  EXPECT_EQ(capture.diagnostics, "Multiple calls to autolaunch not allowed\n");
  EXPECT_TRUE(capture.stdoutText.empty());
}

TEST_F(BatchQueueTest, LaunchStartFilesStayWhereTheyAre) {
  std::string path = launch.write("launch_start.zoq", "autolaunch\nquit\n");
  registerInputFilename(path.c_str());
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 0);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(capture.stdoutText.find("New input"), std::string::npos);
  EXPECT_EQ(getLaunchFileCount(), 0);  // never a launch file itself
}

TEST_F(BatchQueueTest, AJobStartedByTheQueueIsAlreadyInRunning) {
  fs::create_directories(running());
  std::string path = running("job3.zoq");
  launch.write("Running/" + shortHost() + "/job3.zoq", "autolaunch\nquit\n");
  job("job4.zoq", "/bin/true");
  registerInputFilename(path.c_str());
  EXPECT_EQ(COM_autolaunch(nullptr, 0), 0);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(getLaunchFileCount(), 1);  // job4, counted in the launch folder two levels up
}

TEST_F(BatchQueueTest, LaunchFilesShareTheExtension) {
  job("a.zoq", "/bin/true");
  job("b.zoq", "/bin/true");
  job("c.txt", "/bin/true");
  job("launch_start_2.zoq", "/bin/true");
  fs::create_directories(launch.path("folder.zoq"));
  registerInputFilename(job("self.zoq", "/bin/true").c_str());
  COM_autolaunch(nullptr, 0);
  EXPECT_EQ(getLaunchFileCount(), 2);
}

// --- Ending a job ----------------------------------------------------------------------------

TEST_F(BatchQueueTest, QuitWithNoLaunchFilesFinishesTheJob) {
  registerInputFilename(launch.write("job1.zoq", "autolaunch\nquit\n").c_str());
  int status = runJob([] {
    COM_autolaunch(nullptr, 0);
    startAutoLaunch(0);
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(has("End of job " + running("job1.zoq") + "; error code 0\nNo more launch files available\n")) << output;
  EXPECT_EQ(namesIn(launch.path("Finished")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(namesIn(running()).empty());
}

TEST_F(BatchQueueTest, AFailingJobGoesToFailed) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              QuitAndMoveInput("Something went wrong", 3);
            }),
            3);
  EXPECT_TRUE(has("error code 3\nSomething went wrong\n"));
  EXPECT_EQ(namesIn(launch.path("Failed")), std::vector<std::string>{"job1.zoq"});
}

TEST_F(BatchQueueTest, FatalErrorsMoveTheJobToFailedAndStartNothing) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  job("job2.zoq", "/bin/true");
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              ExitAndMoveInput("Fatal Error", 1);
            }),
            1);
  EXPECT_TRUE(has("Job moved to directory " + launch.path("Failed") + "\n")) << output;
  EXPECT_TRUE(has("End of job " + running("job1.zoq") + "\n"));
  EXPECT_TRUE(has("Fatal Error\n"));
  EXPECT_EQ(namesIn(launch.path("Failed")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(fs::exists(launch.path("job2.zoq")));
  EXPECT_FALSE(fs::exists(starterLog()));
}

TEST_F(BatchQueueTest, ARepeatedJobGoesBackIntoTheLaunchFolder) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              setRepeatJob(1);
              QuitAndMoveInput("done", 0);
            }),
            0);
  EXPECT_TRUE(has("This job is re-scheduled\n"));
  EXPECT_TRUE(fs::exists(launch.path("job1.zoq")));
}

TEST_F(BatchQueueTest, ExitStatusesStayBelow256) {
  EXPECT_EQ(mapExitStatus(0), 0);
  EXPECT_EQ(mapExitStatus(4), 4);
  EXPECT_EQ(mapExitStatus(113), 113);
  EXPECT_EQ(mapExitStatus(255), 255);
  EXPECT_EQ(mapExitStatus(1111), 87);
  EXPECT_EQ(mapExitStatus(1112), 88);
  EXPECT_EQ(mapExitStatus(256), 255);
  EXPECT_EQ(runJob([] { QuitAndMoveInput("Unexpected U-value 7", 1111); }), 87);
  EXPECT_EQ(runJob([] { ExitAndMoveInput("CHARGE PROBLEM", 1112); }), 88);
}

// --- Starting the next job -------------------------------------------------------------------

TEST_F(BatchQueueTest, TheNextJobIsMovedIntoRunningAndStarted) {
  std::string program = launch.write("program", "");
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  std::string next = job("job2.zoq", program);
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            0);
  EXPECT_TRUE(has("Launching " + next + "\n")) << output;
  EXPECT_TRUE(has("Assuming " + program + " is an executable file\n"));
  EXPECT_TRUE(has("Succesful launch of " + next + "\n"));
  std::string host = getCurrentHostName();
  EXPECT_EQ(readFile(starterLog()), program + "|" + running("job2.zoq") + "|" + launch.path("Output") + "/job2_" + host +
                                        ".stdout|" + launch.path("Errors") + "/job2_" + host + ".stderr\n");
  EXPECT_TRUE(fs::exists(running("job2.zoq")));
  EXPECT_FALSE(fs::exists(next));
  EXPECT_EQ(namesIn(launch.path("Finished")), std::vector<std::string>{"job1.zoq"});
  EXPECT_FALSE(fs::exists(launch.path("LOCK")));
}

TEST_F(BatchQueueTest, TheNewestProgramVersionOfAFolderIsChosen) {
  std::string versions = launch.path("versions");
  fs::create_directories(versions);
  for (const char* name : {"Zoq_8081", "Zoq_8090", "zoq_100", "Zoq", "other_9999", "Zoq_aVeryLongNameIndeed_99999"}) {
    launch.write(std::string("versions/") + name, "");
  }
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  job("job2.zoq", "  " + versions + "  ");  // blanks of the first line are removed
  EXPECT_EQ(runJob([] {
              setProgName("Zoq");
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            0);
  EXPECT_TRUE(has("Scanning directory " + versions + "\n")) << output;
  EXPECT_TRUE(has("Executing command " + versions + "/Zoq_8090\n"));
  EXPECT_EQ(readFile(starterLog()).substr(0, versions.size() + 10), versions + "/Zoq_8090|");
}

TEST_F(BatchQueueTest, ALaunchFileWithoutProgramLineEndsTheJob) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  std::string bad = launch.write("job2.zoq", "autolaunch\nquit\n");
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            1);
  EXPECT_TRUE(has("First line of file " + bad + " does not start with \"#! \", as required\n")) << output;
  EXPECT_TRUE(has("Invalid launch file encountered\n"));
  EXPECT_EQ(namesIn(launch.path("Failed")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(fs::exists(bad));
  EXPECT_FALSE(fs::exists(launch.path("LOCK")));
}

TEST_F(BatchQueueTest, AMissingProgramStartsNothing) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  std::string next = job("job2.zoq", launch.path("nowhere"));
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            0);
  EXPECT_TRUE(has("File or directory " + launch.path("nowhere") + " does not exist\n")) << output;
  EXPECT_TRUE(has("No valid job string found\n"));
  EXPECT_TRUE(fs::exists(next));
}

TEST_F(BatchQueueTest, AJobThatCannotBeStartedStaysInTheQueue) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  std::string next = job("job2.zoq", launch.write("program", ""));
  EXPECT_EQ(runJob([] {
              setJobStarter(failStart);
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            0);
  EXPECT_TRUE(has("No valid job string found\n")) << output;
  EXPECT_TRUE(fs::exists(next));
  EXPECT_TRUE(namesIn(running()).empty());
}

TEST_F(BatchQueueTest, AnErrorQuitStartsTheNextJobAsAFailure) {
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  job("job2.zoq", launch.write("program", ""));
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              QuitWithErrorMessage("Search aborted");
            }),
            1);
  EXPECT_TRUE(has("Search aborted\nattempting autolaunch\n")) << output;
  EXPECT_EQ(namesIn(launch.path("Failed")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(fs::exists(running("job2.zoq")));
}

TEST_F(BatchQueueTest, AnErrorQuitOutsideTheQueueIsAFailure) {
  EXPECT_EQ(runJob([] { QuitWithErrorMessage("Search aborted"); }), 1);
  EXPECT_TRUE(has("Search aborted\n"));
}

// --- The lock --------------------------------------------------------------------------------

TEST_F(BatchQueueTest, ALockOfAVanishedProcessIsRemovedAtOnce) {
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  launch.write("LOCK", getCurrentHostName() + " " + std::to_string(gone) + "\n");
  registerInputFilename(launch.write("job1.zoq", "").c_str());
  job("job2.zoq", launch.write("program", ""));
  EXPECT_EQ(runJob([] {
              COM_autolaunch(nullptr, 0);
              startAutoLaunch(0);
            }),
            0);
  EXPECT_TRUE(has("Stale lock suspected; removing\n")) << output;
  EXPECT_TRUE(has("Succesful launch of"));
  EXPECT_EQ(lockWaits(), 0);
  EXPECT_FALSE(fs::exists(launch.path("LOCK")));
}

TEST_F(BatchQueueTest, ALockOfALiveProcessOrAnotherHostIsRemovedAfter100Waits) {
  // The parent of the job, alive while the job runs; and a lock from another machine.
  for (std::string owner : {getCurrentHostName() + " " + std::to_string(getpid()), std::string("elsewhere.example.org 4242")}) {
    launch.write("LOCK", owner + "\n");
    registerInputFilename(launch.write("job1.zoq", "").c_str());
    job("job2.zoq", launch.write("program", ""));
    EXPECT_EQ(runJob([] {
                COM_autolaunch(nullptr, 0);
                setJobStarter([](const char*, const char*, const char*, const char*) {
                  std::string line = std::to_string(lockWaits());
                  int fd = open(starterLog().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                  (void)!write(fd, line.data(), line.size());
                  close(fd);
                  return 0;
                });
                startAutoLaunch(0);
              }),
              0);
    EXPECT_EQ(readFile(starterLog()), "100") << owner;
    EXPECT_TRUE(has("Stale lock suspected; removing\n")) << output;
    fs::remove_all(launch.path("Running"));
    fs::remove_all(launch.path("Finished"));
  }
}

}  // namespace

// --- The queue run by the program itself -----------------------------------------------------

namespace {

// The zoq binary of this build, beside the tests folder.
std::string zoqBinary() { return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "zoq").string(); }

// Starts zoq with the arguments in folder, its output (both streams) appended to outputPath.
pid_t startZoq(const std::string& folder, const std::vector<std::string>& arguments, const std::string& outputPath) {
  std::string program = zoqBinary();
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (chdir(folder.c_str()) != 0 || in < 0 || out < 0) _exit(120);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execv(program.c_str(), argv.data());
    _exit(121);
  }
  return child;
}

int waitForExit(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class BatchQueueRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    ASSERT_TRUE(fs::exists(zoqBinary())) << zoqBinary();
    fs::create_directories(launch.path("folder"));
  }
  int run(const std::vector<std::string>& arguments) {
    int status = waitForExit(startZoq(launch.path(), arguments, launch.path("run.out")));
    output = readFile(launch.path("run.out"));
    return status;
  }
  bool has(const std::string& piece) const { return output.find(piece) != std::string::npos; }

  TemporaryFolder launch;
  OutputCapture capture;
  std::string output;
};

TEST_F(BatchQueueRunTest, OneJobGoesThroughRunningToFinished) {
  launch.write("folder/job1.zoq", "autolaunch\nquit\n");
  EXPECT_EQ(run({"-b", "folder/job1.zoq"}), 0);
  std::string runningPath = "folder/Running/" + shortHost() + "/job1.zoq";
  EXPECT_TRUE(has("Auto launch directory folder/job1.zoq\n")) << output;
  EXPECT_TRUE(has("New input: " + runningPath + "\n"));
  EXPECT_TRUE(has("End of job " + runningPath + "; error code 0\nNo more launch files available\n"));
  EXPECT_EQ(namesIn(launch.path("folder/Finished")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(namesIn(launch.path("folder/Running/" + shortHost())).empty());
  EXPECT_FALSE(fs::exists(launch.path("folder/job1.zoq")));
}

// A job whose file simply ends (no "quit") must still leave Running: otherwise no other
// process would ever take it again, and it would look as if it still ran.
TEST_F(BatchQueueRunTest, AJobEndingWithoutQuitStillFinishes) {
  launch.write("folder/job1.zoq", "autolaunch\n");
  EXPECT_EQ(run({"-b", "folder/job1.zoq"}), 0);
  EXPECT_TRUE(has("End of command file(s) reached; terminating\n")) << output;
  EXPECT_EQ(namesIn(launch.path("folder/Finished")), std::vector<std::string>{"job1.zoq"});
  EXPECT_TRUE(namesIn(launch.path("folder/Running/" + shortHost())).empty());
}

TEST_F(BatchQueueRunTest, AFileWithoutExtensionStaysOutOfTheQueue) {
  launch.write("folder/job1", "autolaunch\nquit\n");
  EXPECT_EQ(run({"-b", "folder/job1"}), 0);
  EXPECT_TRUE(has("Autolaunch requires a filename extension\n")) << output;
  EXPECT_TRUE(has("Auto launch only works from an inputfile\n"));
  EXPECT_TRUE(fs::exists(launch.path("folder/job1")));
  EXPECT_FALSE(fs::exists(launch.path("folder/Running")));
}

// Two start files run at the same moment on a folder of ten jobs; each job launches the
// next at random until none is left. Every job must run exactly once: its output file
// (appended to by every run of that job) holds one run.
TEST_F(BatchQueueRunTest, TwoProcessesRunTenJobsEachExactlyOnce) {
  for (int k = 1; k <= 10; ++k) {
    launch.write("folder/job" + std::to_string(k) + ".zoq", "#! " + zoqBinary() + "\nautolaunch\nquit\n");
  }
  launch.write("folder/launch_startA.zoq", "autolaunch\nquit\n");
  launch.write("folder/launch_startB.zoq", "autolaunch\nquit\n");
  pid_t a = startZoq(launch.path(), {"-b", "folder/launch_startA.zoq"}, launch.path("a.out"));
  pid_t b = startZoq(launch.path(), {"-b", "folder/launch_startB.zoq"}, launch.path("b.out"));
  EXPECT_EQ(waitForExit(a), 0);
  EXPECT_EQ(waitForExit(b), 0);
  // The chains run on in the background; wait until every job has finished.
  std::string finished = launch.path("folder/Finished");
  for (int polls = 0; polls < 6000 && namesIn(finished).size() < 10; ++polls) usleep(50000);
  for (int polls = 0; polls < 6000 && !namesIn(launch.path("folder/Running/" + shortHost())).empty(); ++polls) {
    usleep(50000);
  }
  std::vector<std::string> expected;
  for (int k = 1; k <= 10; ++k) expected.push_back("job" + std::to_string(k) + ".zoq");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn(finished), expected);
  EXPECT_TRUE(namesIn(launch.path("folder/Failed")).empty());
  for (int k = 1; k <= 10; ++k) {
    std::string log = readFile(launch.path("folder/Output/job" + std::to_string(k) + "_" + getCurrentHostName() + ".stdout"));
    std::size_t runs = 0;
    for (std::size_t at = log.find("New input: "); at != std::string::npos; at = log.find("New input: ", at + 1)) ++runs;
    EXPECT_EQ(runs, 1u) << "job" << k << ":\n" << log;
  }
  EXPECT_TRUE(fs::exists(launch.path("folder/launch_startA.zoq")));
  EXPECT_TRUE(fs::exists(launch.path("folder/launch_startB.zoq")));
}

}  // namespace
