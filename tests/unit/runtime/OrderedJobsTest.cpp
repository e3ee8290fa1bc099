// Ordered jobs over forked workers: several workers give the bytes of the plain loop on
// every channel, the output file, the caller's capture, alerts shown once and the log of
// skipped candidates; a dying worker is reported with the jobs before it kept; Ctrl-C ends
// the run and every worker; nothing is left behind.
#include "runtime/OrderedJobs.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

class OrderedJobsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override { resetAll(); }
};

std::size_t occurrences(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

// True when this process has no child left, running or unreaped.
bool noChildLeft() {
  int status = 0;
  return waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

// Later jobs end first (job i sleeps (count - i) ms), so order must come from the parent.
std::string busyJob(int index, int count) {
  usleep(static_cast<useconds_t>((count - index) * 3000));
  Print("job %d printed\n", index);
  PrintStdout("job %d on standard output\n", index);
  printErrorMessage("job %d on the error stream\n", index);
  // Shown once per run, whichever job comes to it first.
  Alert("busyJob", 0, 100218, "the first job to get here is %d", index == 0 ? 0 : -1);
  Alert("busyJob", 1, 100201, "job %d refused a value", index);
  noteInconsistentSkip(index % 2);
  return "result " + std::to_string(index * index);
}

struct RunRecord {
  std::string screen;
  std::string file;
  std::vector<std::string> delivered;
  long long skipped = 0;
  int alertCount = 0;
  OrderedJobsEnd end = OrderedJobsEnd::Lost;
};

RunRecord runBusyJobs(int workers) {
  resetAll();
  // Background: alerts are printed and never asked.
  setBackground(1);
  TemporaryFolder folder;
  const std::string path = folder.path("output.txt");
  RunRecord record;
  {
    OutputCapture capture;
    setOutputFile(std::fopen(path.c_str(), "w"));
    Print("before the run\n");
    OrderedJobs jobs;
    jobs.count = 12;
    jobs.workers = workers;
    jobs.run = [](int index) { return busyJob(index, 12); };
    jobs.deliver = [&](int index, const std::string& result) {
      record.delivered.push_back(std::to_string(index) + ": " + result);
      Print("delivered %d\n", index);
    };
    record.end = runOrderedJobs(jobs);
    Print("after the run\n");
    setOutputFile(nullptr);
    record.screen = capture.all;
  }
  record.file = readFile(path);
  record.skipped = inconsistentSkipCount();
  record.alertCount = getError("busyJob", 1)->count;
  return record;
}

TEST_F(OrderedJobsTest, SeveralWorkersGiveTheBytesOfThePlainLoop) {
  const RunRecord plain = runBusyJobs(1);
  const RunRecord parallel = runBusyJobs(4);
  EXPECT_EQ(plain.end, OrderedJobsEnd::Completed);
  EXPECT_EQ(parallel.end, OrderedJobsEnd::Completed);
  EXPECT_EQ(parallel.screen, plain.screen);
  EXPECT_EQ(parallel.file, plain.file);
  EXPECT_EQ(parallel.delivered, plain.delivered);
  // Jobs 0..11 in order, job i giving i squared.
  ASSERT_EQ(parallel.delivered.size(), 12u);
  EXPECT_EQ(parallel.delivered[11], "11: result 121");
  // The output file holds the Print lines of every job in order, framed by the caller's.
  std::string expected = "before the run\n";
  for (int i = 0; i < 12; ++i) expected += "job " + std::to_string(i) + " printed\ndelivered " + std::to_string(i) + "\n";
  expected += "after the run\n";
  EXPECT_EQ(parallel.file, expected);
  // The alert shown once appears once; the other is raised (and counted) once per job.
  EXPECT_EQ(occurrences(parallel.screen, "the first job to get here is 0"), 1u);
  EXPECT_EQ(occurrences(parallel.screen, "[***]"), 2u);  // the mark and its explanation
  EXPECT_EQ(parallel.alertCount, 12);
  // Jobs 1, 3, .., 11 skipped one candidate each.
  EXPECT_EQ(parallel.skipped, 6);
  EXPECT_EQ(plain.skipped, 6);
  EXPECT_TRUE(noChildLeft());
}

// The job that ran last in this process (-1: none), as a program's current theory.
int previousJob = -1;

std::string jobAfterAnother(int index) {
  Print("job %d after %s\n", index, previousJob < 0 ? "nothing" : "a job");
  previousJob = index;
  return std::string();
}

TEST_F(OrderedJobsTest, APreparedWorkerMeetsTheStateOfTheLoop) {
  std::string plainScreen;
  for (int workers : {1, 4}) {
    previousJob = -1;
    OutputCapture capture;
    OrderedJobs jobs;
    jobs.count = 9;
    jobs.workers = workers;
    jobs.prepare = [] {
      Print("dropped\n");
      previousJob = 99;
    };
    jobs.run = jobAfterAnother;
    jobs.deliver = [](int, const std::string&) {};
    EXPECT_EQ(runOrderedJobs(jobs), OrderedJobsEnd::Completed);
    if (workers == 1) {
      plainScreen = capture.all;
    } else {
      EXPECT_EQ(capture.all, plainScreen);
    }
  }
  // In the loop only the first job comes after nothing, and the preparation never runs.
  EXPECT_EQ(plainScreen.find("job 0 after nothing\njob 1 after a job\n"), 0u);
  EXPECT_EQ(occurrences(plainScreen, "after nothing"), 1u);
  EXPECT_EQ(plainScreen.find("dropped"), std::string::npos);
}

TEST_F(OrderedJobsTest, TextOfTheWorkersReachesTheCallersCapture) {
  const std::size_t start = returnBufferOn();
  Print("caller ");
  OrderedJobs jobs;
  jobs.count = 5;
  jobs.workers = 3;
  jobs.run = [](int index) {
    // A capture of the job's own stays the job's.
    const std::size_t inner = returnBufferOn();
    Print("inner %d", index);
    const std::string own = takeReturnBuffer(inner);
    returnBufferOff();
    Print("%d(%s) ", index, own.c_str());
    return std::string();
  };
  jobs.deliver = [](int, const std::string&) {};
  EXPECT_EQ(runOrderedJobs(jobs), OrderedJobsEnd::Completed);
  EXPECT_EQ(takeReturnBuffer(start), "caller 0(inner 0) 1(inner 1) 2(inner 2) 3(inner 3) 4(inner 4) ");
  returnBufferOff();
  EXPECT_TRUE(noChildLeft());
}

TEST_F(OrderedJobsTest, ADyingWorkerIsReportedAndTheJobsBeforeItAreKept) {
  OutputCapture capture;
  OrderedJobs jobs;
  jobs.count = 10;
  jobs.workers = 3;
  jobs.jobName = "tensor code";
  jobs.firstNumber = 1;
  jobs.run = [](int index) {
    if (index == 4) raise(SIGKILL);
    // Jobs after the lost one take long: the run must not wait for them.
    if (index > 4) sleep(60);
    Print("job %d\n", index);
    return std::to_string(index);
  };
  std::vector<int> delivered;
  jobs.deliver = [&](int index, const std::string& result) {
    EXPECT_EQ(result, std::to_string(index));
    delivered.push_back(index);
  };
  EXPECT_EQ(runOrderedJobs(jobs), OrderedJobsEnd::Lost);
  EXPECT_EQ(delivered, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_NE(capture.all.find("job 3\n"), std::string::npos);
  EXPECT_EQ(capture.all.find("job 5\n"), std::string::npos);
  // Job 4 is tensor code 5 in the caller's numbering; SIGKILL is signal 9.
  EXPECT_NE(capture.all.find("The worker process of tensor code 5 ended (killed by signal 9"), std::string::npos)
      << capture.all;
  EXPECT_TRUE(noChildLeft());
}

TEST_F(OrderedJobsTest, CtrlCEndsTheRunAndEveryWorker) {
  installInterruptHandler();
  OrderedJobs jobs;
  jobs.count = 8;
  jobs.workers = 3;
  jobs.run = [](int index) {
    if (index >= 2) sleep(60);
    return std::string();
  };
  std::vector<int> delivered;
  jobs.deliver = [&](int index, const std::string&) {
    delivered.push_back(index);
    // Ctrl-C while the workers of jobs 2 and 3 sleep (workers ignore it; the parent notes it).
    if (index == 1) raise(SIGINT);
  };
  EXPECT_THROW(runOrderedJobs(jobs), StopRequest);
  EXPECT_EQ(delivered, (std::vector<int>{0, 1}));
  EXPECT_TRUE(noChildLeft());
  removeInterruptHandler();
}

// Four jobs on two workers, each job's result its number: job 1 sends `signal` from its
// worker (dying of it), jobs 2 and 3 sleep a minute unless the run ends them.
OrderedJobs jobOneSignals(void (*signal)()) {
  OrderedJobs jobs;
  jobs.count = 4;
  jobs.workers = 2;
  jobs.run = [signal](int index) {
    if (index == 1) signal();
    if (index > 1) sleep(60);
    return std::to_string(index);
  };
  return jobs;
}

// Ctrl-C at a terminal reaches the workers too: a worker dies of it at once, by the
// signal's own action (it used to ignore it and compute on until the parent ended it).
// Alone, without the parent's Ctrl-C, that is a worker lost like any other.
TEST_F(OrderedJobsTest, AWorkerDiesOfCtrlCItself) {
  installInterruptHandler();
  OutputCapture capture;
  OrderedJobs jobs = jobOneSignals([] { raise(SIGINT); });
  std::vector<int> delivered;
  jobs.deliver = [&](int index, const std::string&) { delivered.push_back(index); };
  EXPECT_EQ(runOrderedJobs(jobs), OrderedJobsEnd::Lost);
  removeInterruptHandler();
  EXPECT_EQ(delivered, (std::vector<int>{0}));
  // SIGINT is signal 2.
  EXPECT_NE(capture.all.find("The worker process of job 1 ended (killed by signal 2"), std::string::npos)
      << capture.all;
  EXPECT_TRUE(noChildLeft());
}

// With the parent's Ctrl-C noted as well (the terminal signals the whole group), the
// worker's death is the stop: StopRequest, no worker reported lost, none left behind.
TEST_F(OrderedJobsTest, AWorkerDeadOfTheParentsCtrlCIsTheStopNotALoss) {
  installInterruptHandler();
  OutputCapture capture;
  OrderedJobs jobs = jobOneSignals([] {
    kill(getppid(), SIGINT);
    raise(SIGINT);
  });
  jobs.deliver = [](int, const std::string&) {};
  EXPECT_THROW(runOrderedJobs(jobs), StopRequest);
  removeInterruptHandler();
  EXPECT_EQ(capture.all.find("The worker process of"), std::string::npos) << capture.all;
  EXPECT_TRUE(noChildLeft());
}

// A syntax error ends a background run (code 100301: severity 3). In a worker it ends the
// job there; its replay ends the program after the jobs before it, as in the plain loop.
TEST_F(OrderedJobsTest, AnAlertThatEndsTheRunEndsItAtItsTurn) {
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        setBackground(1);
        OrderedJobs jobs;
        jobs.count = 6;
        jobs.workers = 3;
        jobs.run = [](int index) {
          Print("job %d starts\n", index);
          if (index == 2) Alert("parser", 5, 100301, "Broken input");
          Print("job %d ends\n", index);
          return std::string();
        };
        jobs.deliver = [](int, const std::string&) {};
        runOrderedJobs(jobs);
        Print("the run went on\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(1),
      "job 1 ends\njob 2 starts\nBroken input \n\\(routine parser, position 5\\)\n\nSyntax error; terminating "
      "execution\n");
}

TEST_F(OrderedJobsTest, OneWorkerIsThePlainLoopInThisProcess) {
  const pid_t self = getpid();
  OrderedJobs jobs;
  jobs.count = 3;
  jobs.workers = 1;
  int ran = 0;
  jobs.run = [&](int index) {
    ++ran;  // seen by the caller only when the job runs here
    return std::to_string(getpid() == self ? index : -1);
  };
  std::string order;
  jobs.deliver = [&](int, const std::string& result) { order += result; };
  EXPECT_EQ(runOrderedJobs(jobs), OrderedJobsEnd::Completed);
  EXPECT_EQ(ran, 3);
  EXPECT_EQ(order, "012");
}

TEST_F(OrderedJobsTest, WorkerCountFollowsTheSettingTheJobsAndTheMemory) {
  EXPECT_EQ(orderedJobWorkers(3, 10, 0), 3);
  EXPECT_EQ(orderedJobWorkers(8, 2, 0), 2);   // no more workers than jobs
  EXPECT_EQ(orderedJobWorkers(1, 168, 0), 1);
  EXPECT_GE(orderedJobWorkers(0, 1000, 0), 1);  // one per hardware thread
  // Jobs larger than the memory of any machine run one at a time.
  EXPECT_EQ(orderedJobWorkers(8, 168, std::size_t{1} << 62), 1);
}

}  // namespace
