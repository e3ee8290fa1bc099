// Zoq's entry point: banner, start-up, options, the command files named on the command
// line, then the terminal loop.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "commands/Commands.h"
#include "interpreter/IntCommands.h"
#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Allocation.h"
#include "runtime/BatchQueue.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/OutputBuffers.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

const char kUsage[] =
    "Usage: zoq [option] [input files]\n"
    "Options:\n"
    "-a       alloc_trace        shows all dynamical allocations\n"
    "-b       background         i/o option for background running\n"
    "-p       progress           i/o show progess info\n"
    "-i       info               show this list and quit\n"
    "\n"
    "\"Input files\" is an (optional) list of zoq command files";

void printBanner() {
  std::string host = getCurrentHostName();
  if (host.find("unknown") != std::string::npos) {
    PrintStdout("Zoq, version %5.5f, compiled on %s, at %s\n", getZoqVersionNumber(), __DATE__, __TIME__);
  } else {
    PrintStdout("Zoq (on %s), version %5.5f, compiled on %s, at %s\n", host.c_str(), getZoqVersionNumber(),
                __DATE__, __TIME__);
  }
}

// Runs the command files from argv[first] on; returns false when one could not be opened.
bool runCommandFiles(int first, int argc, char** argv) {
  bool allOpened = true;
  for (int i = first; i < argc; ++i) {
    FILE* probe = std::fopen(argv[i], "r");
    if (probe == nullptr) {
      PrintStdout("cannot open input file %s\n", argv[i]);
      allOpened = false;
      continue;
    }
    std::fclose(probe);
    PrintStdout("Executing file %s\n", argv[i]);
    // Every command guards itself (the interpreter); this catches what runs between them.
    try {
      executeCommandFile(argv[i], 0);
    } catch (const std::bad_alloc&) {
      exitOutOfMemory(formatText("command file %s", argv[i]).c_str());
    } catch (const std::length_error&) {
      exitOutOfMemory(formatText("command file %s", argv[i]).c_str());
    }
    PrintStdout("Finished executing file %s\n", argv[i]);
  }
  return allOpened;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything is opened: a closed standard output would otherwise be the first file
  // the run opens, and get the terminal text.
  openStandardDescriptors();
  // A run stopped by a signal writes out what it printed before it ends.
  installTerminationHandlers();
  setNumberOfColumns();
  printBanner();
  PrintStdout("Started ");
  sinkFlush();
  if (std::system("date") != 0) PrintStdout("\n");
  CPUTime();
  initializeAll();
  setInteractive(1);

  int first = 1;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "-a") == 0) {
      setAllocTrace(1);
    } else if (std::strcmp(argv[first], "-b") == 0) {
      setBackground(1);
    } else if (std::strcmp(argv[first], "-p") == 0) {
      setBackground(0);
      setProgressInfo(1);
    } else {
      break;
    }
  }
  if (first < argc && std::strcmp(argv[first], "-i") == 0) {
    PrintStdout("%s\n", kUsage);
    terminateProgram(0);
  }

  // Ctrl-C at a terminal stops the running command, not the session; one that the command
  // does not answer leaves a way out through a second Ctrl-C.
  if (getBackground() == 0 && isatty(STDIN_FILENO) != 0) {
    installInterruptHandler();
    enableUnansweredInterruptNotice();
  }
  TerminalOutputOn();
  setCosetMode(0);
  disableCoset();
  bool anyFile = first < argc;
  bool allOpened = true;
  try {
    allOpened = runCommandFiles(first, argc, argv);
  } catch (const StopRequest&) {
    // "Stop" during the start-up files: the rest is abandoned, the prompt takes over.
    resetLineState();
    readFromTerminal();
  }
  if (anyFile && getBackground() != 0) {
    Print("End of command file(s) reached; terminating\n");
    const int status = runEndStatus(allOpened ? 0 : 1);
    // A queued job ends like "quit": its file moves on and the next job starts.
    if (getAutoLaunch() != 0) startAutoLaunch(status);
    printStatisticBeforeQuit();
    terminateProgram(status);
  }
  readFromTerminal();
}
