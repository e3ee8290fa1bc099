// Helpers for the tests of the interpreter and the general commands: handlers that
// record how they were called, so a test can see which command ran with which
// parameters.
#pragma once

#include <string>
#include <vector>

#include "interpreter/Interpreter.h"

// Runs a command line as a fresh line from the terminal would (error count and break
// counter start at 0), without echo or log.
inline int run(const char* line) {
  setErrorCount(0);
  setBreakCounter(0);
  return executeCommandLine(line);
}

// Every recorded call as "words(param,param,...)".
inline std::vector<std::string>& calls() {
  static std::vector<std::string> log;
  return log;
}

inline std::string runningPhrase() {
  std::string phrase;
  for (const std::string& word : getRunningCommandWords()) phrase += (phrase.empty() ? "" : " ") + word;
  return phrase;
}

// Records text parameters; consumes all of them.
inline int recordText(char** params, int n) {
  std::string entry = runningPhrase() + "(";
  for (int i = 0; i < n; ++i) entry += (i > 0 ? "," : "") + std::string(params[i]);
  calls().push_back(entry + ")");
  return -n;
}

// Records integer parameters; consumes all of them.
inline int recordInts(char** params, int n) {
  std::string entry = runningPhrase() + "(";
  for (int i = 0; i < n; ++i) entry += (i > 0 ? "," : "") + std::to_string(intParameter(params, i));
  calls().push_back(entry + ")");
  return -n;
}

// Records text parameters but consumes only the first.
inline int recordFirstOnly(char** params, int n) {
  recordText(params, n);
  return n > 0 ? -1 : 0;
}

// Fails with code 7.
inline int failSeven(char** params, int n) {
  recordText(params, n);
  return 7;
}
