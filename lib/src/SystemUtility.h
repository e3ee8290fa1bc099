// A thin layer over the operating system: the program's exit routine and processor time.
#pragma once

using ExitRoutine = void (*)(int status);

// Ends the program through the installed exit routine (stdexit unless replaced).
[[noreturn]] void GracefulExit(int status);
void setExitRoutine(ExitRoutine routine);
void resetExitRoutine();
// Prints "Program exiting with code %d\n" on standard output and exits with the status.
[[noreturn]] void stdexit(int status);

// Processor seconds used by the run, robust against the wrap-around of the clock.
double CPUTime();
