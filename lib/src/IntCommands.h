// General commands and the batch-job queue.
//
// STAND-IN: the command tree does not exist yet, so this module holds only what the
// program shell needs from it: the general internal parameters (without their "set" and
// "show" commands), the run statistics and "quit". The general commands replace it.
#pragma once

// Once: the general internal parameters, then initializeInterpreter and initializeError.
void initializeGeneralCommands();

// "CPU time used %10.2f seconds, Memory allocation ..." with the total of all accounts.
void printStatisticBeforeQuit();
// Total bytes of all allocation accounts.
long long getTotalAllocation();

// The input-file registration and the ways of ending a run belong to the batch-job queue.
#include "BatchQueue.h"

// The command "quit": in the batch-job queue the next job; else statistics, output file
// closed, exit status 0.
int COM_quit(char** params, int n);

void resetIntCommands();
