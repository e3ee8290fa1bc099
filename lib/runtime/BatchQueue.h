// The batch-job queue ("autolaunch"): a launch folder holds many command files (launch
// files) sharing one extension, and any number of processes on any number of machines
// work through them. A job that runs "autolaunch" joins the queue: its own command file
// moves into launch/Running/<host>; when the job ends its file moves on to Finished
// (status 0), Failed (status 1 or more) or back into the launch folder (repeat), and on
// a normal end the job first starts one of the remaining launch files at random as a new
// background process at lowered priority.
//
// Mutual exclusion: the file launch/LOCK, made by the exclusive create of FileLock and
// holding the owner's token (host, process id, start time, nonce). The lock holder moves the chosen launch file into its own
// Running/<host> folder before the lock is released, so no file is ever launched twice; a
// lock whose owner process no longer exists on this host is removed as stale, and any
// other lock after 100 one-second waits. Files are moved and removed by system calls only
// and the next job is started with fork and exec, never through a shell.
//
// A launch file starts with a line "#! " naming the program to run: an executable file,
// or a folder of program versions (the entry whose name contains the program's name and
// ends in the highest "_<number>"). A command file whose path contains "launch_start" is
// never moved and never taken as a launch file.
//
// State: the registered input file, the queue's folders and switches (process lifetime);
// resetBatchQueue restores the state right after start-up.
#pragma once

#include "runtime/SystemUtility.h"

#include <string>

// The path of the command file being run, as the command-file runner received it.
void registerInputFilename(const char* path);
const char* getInputFilename();

// The command "autolaunch": joins the queue; -n on success, 1 when the run has no input file.
int COM_autolaunch(char** params, int n);
// Determines the launch folder, the input path and its extension (the first call only).
void setAutoLaunch();
// 1 while this job takes part in the queue.
int getAutoLaunch();
void resetAutoLaunch();
// A job ending normally with the flag set goes back into the launch folder.
void setRepeatJob(int flag);
// Starts the next job and ends this one with the status; returns only when the queue is off.
void startAutoLaunch(int code);
// The number of launch files now in the launch folder.
int getLaunchFileCount();

// The three ways of ending a job; none returns. QuitAndMoveInput moves the job's file
// (Finished, Failed or back for a repeat) and prints the message; ExitAndMoveInput (fatal
// errors, kill) moves it to Failed and starts nothing; QuitWithErrorMessage prints the
// message and, in the queue, starts the next job as a failed one.
[[noreturn]] void QuitAndMoveInput(const char* message, int status);
[[noreturn]] void ExitAndMoveInput(const char* message, int status);
[[noreturn]] void QuitWithErrorMessage(const char* message);


// Test seams: the pause between lock attempts (seconds; nullptr restores sleep), and the
// routine that starts a launch file as a new process with its output appended to two files
// (0 when started; nullptr restores fork and exec at lowered priority).
void setBatchQueueSleep(void (*sleepFunction)(int seconds));
using JobStarter = int (*)(const char* command, const char* launchFile, const char* stdoutPath,
                           const char* stderrPath);
void setJobStarter(JobStarter starter);

void resetBatchQueue();
