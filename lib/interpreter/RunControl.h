// Run control: long computations poll checkInterrupt between steps, and an operator steers
// a running (often unattended) process with marker files: "zoq_kill" ends it at once,
// "zoq_stop" ends it cleanly (the batch queue then starts the next job), "zoq_sleep"
// pauses it, "zoq_nice" pauses it during working hours. The markers live in /tmp (or the
// folder named by ZOQ_MARKER_FOLDER, for tests: markerFolderFromEnvironment); a marker
// counts when a file of that name exists and is not a folder. An application hook
// may add its own signals, and a consolidate hook saves work before a stop, kill or pause.
//
// State: the two hooks (none at start), and the marker folder, the sleep routine and the
// working-period check, which tests replace. resetRunControl restores all of them.
#pragma once

#include <string>

// Signal codes of checkGeneralInterrupt. Codes from the hook are read by their last
// decimal digit (3 kill, 2 stop, 1 sleep); the hook's 14 (time limit) also means stop.
inline constexpr int kSignalNone = 0;
inline constexpr int kSignalNice = 5;
inline constexpr int kSignalTimeLimit = 14;
inline constexpr int kSignalSleep = 21;
inline constexpr int kSignalStop = 22;
inline constexpr int kSignalKill = 23;
// Seconds between two looks at the markers while paused.
inline constexpr int kSleepPeriod = 10;
// Exit status of a run ended by the kill marker.
inline constexpr int kKilledExitStatus = 4;

using InterruptFunction = int (*)();
using ConsolidateFunction = void (*)();
void setInterruptFunction(InterruptFunction function);
void setConsolidateFunction(ConsolidateFunction function);

// The signal code now: the hook's code, overruled by the markers as follows. A kill code
// from the hook stands; else the kill marker gives 23 ("Machine kill signal encountered");
// else, unless the hook said stop (last digit 2, or 14), the stop marker gives 22
// ("Machine stop signal encountered"); else, unless the hook said sleep, the sleep marker
// gives 21, the nice marker 5, and no marker 0.
int checkGeneralInterrupt();
// 0 when the caller may go on, 1 when it must stop. A kill ends the run with
// "Killed (no autolaunch)" and status 4; a stop runs "quit"; a sleep, or a nice signal in
// working hours, pauses in 10-second steps until the signal goes.
int checkInterrupt();

// Test seams. The folder that holds the marker files (nullptr restores /tmp, or the folder
// of ZOQ_MARKER_FOLDER), the routine that pauses for a number of seconds, and the check
// whether now is a working period (Monday to Friday, 9:00 to 18:59); nullptr restores the
// real ones.
void setRunControlFolder(const char* folder);
const std::string& getRunControlFolder();
void setRunControlSleep(void (*sleepFunction)(int seconds));
void setWorkingPeriodCheck(int (*check)());

// Restores the state right after start-up: no hooks, the real folder, sleep and clock.
void resetRunControl();
