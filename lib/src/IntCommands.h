// General commands and the batch-job queue.
//
// STAND-IN: the command tree does not exist yet, so this module holds only what the
// program shell needs from it: the general internal parameters (without their "set" and
// "show" commands), the run statistics, the input-file registration and the ways of
// ending a run while no batch-job queue is active. The general commands and the queue
// replace it.
#pragma once

// Once: the general internal parameters, then initializeInterpreter and initializeError.
void initializeGeneralCommands();

// "CPU time used %10.2f seconds, Memory allocation ..." with the total of all accounts.
void printStatisticBeforeQuit();
// Total bytes of all allocation accounts.
long long getTotalAllocation();

void registerInputFilename(const char* path);
const char* getInputFilename();
// 1 while this run takes part in a batch-job queue (never, for now).
int getAutoLaunch();

// The ways of ending a run; none returns.
[[noreturn]] void QuitAndMoveInput(const char* message, int status);
[[noreturn]] void ExitAndMoveInput(const char* message, int status);
[[noreturn]] void QuitWithErrorMessage(const char* message);
// The command "quit": statistics, output file closed, exit status 0.
int COM_quit(char** params, int n);

void resetIntCommands();
