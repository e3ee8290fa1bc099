// Independent jobs of one command run in forked worker processes, their results taken in
// the order of the jobs.
//
// The program keeps its state in globals, so a job runs in a copy of the process: a worker
// is a fork (no exec) made for one job, with the state the program had when the run began.
// Everything a job writes is recorded instead of written: the output channels and the
// output file (Output.h), its alerts and the pieces for the log and diagnostics files
// (Error.h), the text it adds to a running function-call capture, and the count of
// candidates it skipped for an inconsistency. The worker sends the recording and the
// job's result (bytes of the caller's choosing) through a socket and ends; the parent
// replays the recording and hands the result to `deliver` strictly in job order, each job
// as soon as every job before it is done, and forks the worker of the next job. So the
// screen, the output file, the log files and whatever `deliver` writes hold exactly what
// the plain loop gives, byte for byte, whichever worker ends first. Memory: each worker
// holds one job's peak above the parent's. Progress lines of a job are dropped; the
// parent shows its own.
//
// Where a job's output depends on what ran before it (in the plain loop every job but the
// first runs after another), `prepare` gives each worker of a job but the first such a
// state before the job.
//
// A job changes only its worker's state: after a run of several workers the program is in
// the state it had before the run (the plain loop of one worker leaves the last job's).
// Alerts of a job are raised in the parent when its turn comes; in the worker, Alert
// returns 1 at once (a question is asked only then, and its answer can no longer steer the
// job). An alert that ends a background run ends the worker's job there, and its replay
// ends the program as it would have.
//
// Ending early: Ctrl-C in the parent ends every worker and the command (StopRequest, as
// every long loop), within a poll of a tenth of a second; every worker is sent SIGKILL
// before the first is waited for. At a terminal Ctrl-C reaches the workers as well, which
// die of it at once (the signal's own action, not the parent's handler); the parent takes
// such a death for the stop it is, not for a lost worker. A worker that dies otherwise (a
// signal, the memory killer, an abort) is reported through Alert once the jobs before the
// lost one are done and handed over; the run then ends with no worker left behind. Workers
// ignore Ctrl-C where the program was started with it ignored, die with the parent, and
// leave with _exit, so that nothing of the parent's (its stdio buffers, its lock files,
// its exit routine) runs twice.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct OrderedJobs {
  int count = 0;    // jobs 0 .. count-1
  int workers = 1;  // 1 (or less): the plain loop in this process
  // How the alert of a lost worker names a job: jobName and index + firstNumber.
  std::string jobName = "job";
  int firstNumber = 0;
  // Runs job `index` (in a worker); its result.
  std::function<std::string(int index)> run;
  // Optional. Runs in the worker of every job but job 0 before the job, with all it
  // writes dropped: it leaves the state that a job meets after another job.
  std::function<void()> prepare;
  // Takes the result of job `index` (in this process), in the order of the indices.
  std::function<void(int index, const std::string& result)> deliver;
};

enum class OrderedJobsEnd {
  Completed,  // every job delivered
  Lost,       // a worker died (reported); the jobs before its job delivered
  Ended       // a job's alert ended the run (background); jobs up to that one delivered
};

// Runs the jobs; Ctrl-C throws StopRequest after every worker is gone.
OrderedJobsEnd runOrderedJobs(const OrderedJobs& jobs);

// The number of workers for `count` jobs of at most `bytesPerJob` each: `setting`, where 0
// means one per hardware thread, no more than the jobs and no more than the machine's
// memory holds at once; at least 1.
int orderedJobWorkers(int setting, int count, std::size_t bytesPerJob);
