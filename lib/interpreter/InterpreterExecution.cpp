// Command execution: finding the command of a tokenised block, converting its typed
// parameters, running ranges of values, calling the handler between its hooks, and
// running the words the handler left over as the next command.
//
// Typed parameters are handed over as pointers into the record's conversion arrays; the
// words of the block as typed are kept aside, so leftovers and error texts always see the
// original words. Values substituted for variables are copies owned by the running call,
// so a handler that edits its parameters never edits a variable.
#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "interpreter/InterpreterInternal.h"
#include "interpreter/Loops.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

namespace {

struct ExecutionState {
  std::vector<std::string> runningWords;
  // The command and parameter (from 0) whose word is being converted, for the refusals of
  // the conversions; nullptr outside a conversion.
  const Command* convertingCommand = nullptr;
  int convertingIndex = -1;
};

ExecutionState& execution() {
  static ExecutionState s;
  return s;
}

// Whether the word holds "=" at brace depth 0 that is not escaped.
bool holdsAssignment(const char* word) {
  int depth = 0;
  for (std::size_t i = 0; word[i] != '\0'; ++i) {
    if (word[i] == '{') ++depth;
    if (word[i] == '}') --depth;
    if (word[i] == '=' && depth == 0 && (i == 0 || word[i - 1] != '\\')) return true;
  }
  return false;
}

// Starts buffering alerts again however the handler part of a block ends.
class BufferAgain {
 public:
  BufferAgain() { unbufferErrors(); }
  ~BufferAgain() { bufferErrors(); }
  BufferAgain(const BufferAgain&) = delete;
  BufferAgain& operator=(const BufferAgain&) = delete;
};

// Makes the words of the running command visible while its handler runs.
class RunningWords {
 public:
  explicit RunningWords(std::vector<std::string> words) : saved_(std::move(execution().runningWords)) {
    execution().runningWords = std::move(words);
  }
  ~RunningWords() { execution().runningWords = std::move(saved_); }
  RunningWords(const RunningWords&) = delete;
  RunningWords& operator=(const RunningWords&) = delete;

 private:
  std::vector<std::string> saved_;
};

// Names the parameter being converted while alive; a conversion that evaluates an
// expression may run commands of its own, so the outer one is put back.
class ConvertingParameter {
 public:
  ConvertingParameter(const Command* command, int index)
      : savedCommand_(execution().convertingCommand), savedIndex_(execution().convertingIndex) {
    execution().convertingCommand = command;
    execution().convertingIndex = index;
  }
  ~ConvertingParameter() {
    execution().convertingCommand = savedCommand_;
    execution().convertingIndex = savedIndex_;
  }
  ConvertingParameter(const ConvertingParameter&) = delete;
  ConvertingParameter& operator=(const ConvertingParameter&) = delete;

 private:
  const Command* savedCommand_;
  int savedIndex_;
};

struct LoopContext {
  Command* command;
  char** params;
  int n;
  const std::vector<bool>* converted;
  int result;
};

int callHandler(Command* command, char** params, int n) {
  if (getDebugLevel() >= 4) PrintStdout(".......... Executing command\n");
  return command->handler(params, n);
}

}  // namespace

// The loop body of ranged calls: every converted parameter points at its current value.
int CommandLoop(int n, int* values, void* context) {
  LoopContext* loop = static_cast<LoopContext*>(context);
  for (int i = 0; i < n; ++i) {
    if ((*loop->converted)[static_cast<std::size_t>(i)]) loop->params[i] = reinterpret_cast<char*>(&values[i]);
  }
  loop->result = callHandler(loop->command, loop->params, loop->n);
  return loop->result == -loop->n ? 0 : -2;
}

Command* interpretCommand(char** tokens, int* nParams, int* nMatched) {
  *nParams = 0;
  *nMatched = 0;
  if (tokens[0] != nullptr && holdsAssignment(tokens[0])) {
    unbufferErrors();
    std::string text;
    if (evaluateExpressionText(tokens[0], text) != 0) setErrorCount(getErrorCount() + 1);
    bufferErrors();
    *nMatched = 1;
    return continueCommand();
  }
  Command* command = interpretComKey(tokens, nMatched);
  if (command == nullptr) return nullptr;
  int count = 0;
  for (int i = *nMatched; tokens[i] != nullptr && count < command->maxParams; ++i) ++count;
  *nParams = count;
  if (count < command->minParams) {
    // The whole phrase and its parameters, as "help" shows them: what to type.
    const std::string phrase = commandPhrase(command);
    if (command->minParams == 1) {
      Alert("interpretCommand", 0, 100301, "Command \"%s\" requires at least one parameter: %s %s", phrase.c_str(),
            phrase.c_str(), command->paramDescription.c_str());
    } else {
      Alert("interpretCommand", 1, 100301, "Command \"%s\" requires at least %d parameters: %s %s", phrase.c_str(),
            command->minParams, phrase.c_str(), command->paramDescription.c_str());
    }
    return nullptr;
  }
  return command;
}

namespace {

// What a command left over: its matched words as typed, and the first leftover word in
// the token list (NULL when nothing is left over).
struct Leftovers {
  std::vector<char*> prefix;
  char** rest = nullptr;
};

// Runs the one command at the start of tokens (a NULL-terminated part of the record's
// token list); when it succeeds and leaves words over (and leftovers are allowed), fills
// leftovers, so that the caller runs them without nesting one call per command.
// `what` names the command for the out-of-memory end: its first word until the command is
// found, then its whole phrase.
int runFirstCommand(CommandLine* line, char** tokens, int leftoversAllowed, int minMatched, Leftovers& leftovers,
                    std::string& what) {
  leftovers = Leftovers();
  int debug = getDebugLevel();
  if (debug >= 3) printAllInterpretedCommands(tokens);
  if (tokens[0] == nullptr) return kResultEmptyBlock;
  if (getBreakCounter() > 0) {
    if (debug >= 3) PrintStdout("........ BREAK\n");
    return kResultBreak;
  }

  Command* command = nullptr;
  int nParams = 0;
  int matched = 0;
  for (int attempt = 0;; ++attempt) {
    command = interpretCommand(tokens, &nParams, &matched);
    if (command == nullptr) {
      if (debug >= 3) PrintStdout("........ NULL COMMAND\n");
      return kResultNoCommand;
    }
    if (matched < minMatched) {
      if (debug >= 3) PrintStdout("........ Matched: %d; required %d\n", matched, minMatched);
      return kResultNoCommand;
    }
    if (command->handler == nullptr || command->status == 2) {
      if (debug >= 3) PrintStdout("........ NOT EXECUTABLE\n");
      return kResultNotExecutable;
    }
    Mode* mode = command->mode;
    if (mode == nullptr || mode->active != 0) break;
    // The command is found: what its look-up noted (a parameter word that is no keyword)
    // is not why it is refused, and must not bury the mode's message.
    flushErrors();
    if (mode->switchFunction != nullptr && attempt == 0) {
      mode->switchFunction();
      if (mode->active != 0) continue;
    }
    printErrorMessage("Invalid command: %s\n", command->name.c_str());
    Alert("executeCommandBlock", 0, 100301, "%s", mode->message.c_str());
    return kResultNotExecutable;
  }

  what = commandPhrase(command);
  // The command is found: what its look-up held back (a parameter word that is no keyword,
  // say) is no longer news, and must not be reported as the reason should the handler
  // fail and end the run.
  flushErrors();

  // The words as typed, for leftovers and messages.
  std::vector<char*> originals(tokens, tokens + matched + nParams);
  char** params = tokens + matched;
  std::vector<std::string> words(originals.begin(), originals.begin() + matched);
  std::deque<std::string> substituted;
  std::vector<bool> converted(static_cast<std::size_t>(nParams), false);
  int result = 0;
  {
    BufferAgain buffering;
    if (command->substitute != 0 && nParams > 0) {
      setLocalVariables(params, nParams);
      setGlobalVariables(params, nParams);
      // Handlers may edit their words: give them copies of substituted values.
      for (int i = 0; i < nParams; ++i) {
        if (params[i] != originals[static_cast<std::size_t>(matched + i)]) {
          substituted.emplace_back(params[i]);
          params[i] = substituted.back().data();
        }
      }
    }
    if (debug >= 2) {
      std::string shown;
      for (const std::string& word : words) shown += word + " ";
      PrintStdout("...... Command    : %s\n", shown.c_str());
    }
    bool ranged = false;
    if (nParams > 0 && command->nConversions > 0) {
      if (debug >= 4) PrintStdout("........ Conversion    : \n........ parnum=%d\n", nParams);
      for (int i = 0; i < nParams; ++i) {
        std::size_t slot = static_cast<std::size_t>(i);
        line->low[slot] = 0;
        line->high[slot] = 0;
        int group = std::min(i, command->nConversions - 1);
        ConversionMethod* method = command->conversions[static_cast<std::size_t>(group)];
        if (method == nullptr || method->convert == nullptr) continue;
        int position = i < command->nConversions ? i : i - command->nConversions + 1;
        ConversionResult conversion = [&] {
          ConvertingParameter naming(command, i);
          return method->convert(params[i], position);
        }();
        if (conversion.status > 0) return conversion.status;
        line->low[slot] = conversion.value;
        line->high[slot] = conversion.status == -1 ? conversion.value2 : conversion.value;
        if (conversion.status == -1) ranged = true;
        params[i] = reinterpret_cast<char*>(&line->low[slot]);
        converted[slot] = true;
      }
    }
    if (command->functionInfo != nullptr) params[-1] = static_cast<char*>(command->functionInfo);
    if (command->preCommand != nullptr) {
      int pre = command->preCommand();
      if (pre > 0) return pre;
    }
    RunningWords running(words);
    if (ranged) {
      LoopContext loop{command, params, nParams, &converted, 0};
      NestedLoops(nParams, line->low.data(), line->high.data(), line->current.data(), &loop, nullptr, CommandLoop);
      result = loop.result;
    } else {
      result = callHandler(command, params, nParams);
    }
    if (command->postCommand != nullptr) command->postCommand();
  }
  if (result > 0) return result;
  flushErrors();

  int consumed = std::min(-result, nParams);
  std::size_t first = static_cast<std::size_t>(matched + consumed);
  // Parameters not consumed get their words back.
  for (std::size_t i = first; i < originals.size(); ++i) tokens[i] = originals[i];
  if (tokens[first] == nullptr) return 0;
  if (leftoversAllowed == 0) {
    Alert("executeCommandBlock", 1, 100301, "Too many arguments for function %s", originals[0]);
    return kResultNotExecutable;
  }
  if (matched == 0) return result;
  leftovers.prefix.assign(originals.begin(), originals.begin() + matched);
  leftovers.rest = tokens + first;
  return result;
}

// runFirstCommand as the last line of defence against memory running out: work is sized
// before it starts (requireAllocationSize), and what those checks miss ends the run here,
// through the allocator's own end, instead of aborting it. The innermost command that runs
// (in a macro, loop or procedure) is the one named.
int runGuarded(CommandLine* line, char** tokens, int leftoversAllowed, int minMatched, Leftovers& leftovers) {
  std::string what;
  try {
    if (tokens[0] != nullptr) what = tokens[0];
    return runFirstCommand(line, tokens, leftoversAllowed, minMatched, leftovers, what);
  } catch (const std::bad_alloc&) {
    exitOutOfMemory(what.c_str());
  } catch (const std::length_error&) {
    exitOutOfMemory(what.c_str());
  }
}

}  // namespace

int executeCommandBlock(CommandLine* line, int leftoversAllowed, int minMatched) {
  Leftovers leftovers;
  int result = runGuarded(line, line->tokens.data(), leftoversAllowed, minMatched, leftovers);
  // Leftover words run as the next command, sharing as many leading words of the last
  // command as still make a command: first all but its last word, then one fewer, down
  // to the leftovers alone. The shared words go into the slots just before the
  // leftovers, which the last command used up.
  while (leftovers.rest != nullptr) {
    Leftovers last = std::move(leftovers);
    for (int keep = static_cast<int>(last.prefix.size()) - 1; keep >= 0; --keep) {
      char** start = last.rest - keep;
      for (int i = 0; i < keep; ++i) start[i] = last.prefix[static_cast<std::size_t>(i)];
      result = runGuarded(line, start, leftoversAllowed, keep + 1, leftovers);
      if (result < kResultNotExecutable) break;
    }
  }
  return result;
}

int analyseFunctionCommandLine(CommandLine* line) {
  line->blockStart = static_cast<std::size_t>(findFirstAlpha(line->text.data()) - line->text.data());
  if (line->blockStart >= line->end || !cutBlock(line)) {
    Alert("analyseFunctionCommandLine", 0, 212404, "empty function");
    return kResultEmptyBlock;
  }
  int wasBuffering = getErrorBuffering();
  bufferErrors();
  int result = kResultEmptyBlock;
  if (substituteDefinitions(line) == 0 && unbracket(line->text.data() + line->blockStart) == 0) {
    chopLine(line);
    restoreString(line);
    if (line->tokens[0] == nullptr) {
      Alert("analyseFunctionCommandLine", 1, 212404, "empty function");
    } else {
      result = executeCommandBlock(line, 0, 1);
    }
  } else {
    result = 1;
  }
  if (result >= kResultNotExecutable) printErrorBuffer();
  if (wasBuffering != 0) {
    bufferErrors();
  } else {
    unbufferErrors();
  }
  return result;
}

void shiftCommand(char** tokens, int to, int from) {
  if (from <= to) {
    Alert("shiftCommand", 0, 212404, "Shift in wrong direction");
    return;
  }
  int i = 0;
  do {
    tokens[to + i] = tokens[from + i];
  } while (tokens[from + i++] != nullptr);
}

int lowerBreakParameter(int result, int n) {
  if (result != kResultBreak) return result;
  setBreakCounter(getBreakCounter() - 1);
  return -n;
}

const std::vector<std::string>& getRunningCommandWords() { return execution().runningWords; }

void force_debug() { setDebugLevel(4); }

int COM_break(char** params, int n) {
  if (n == 0) {
    setBreakCounter(kUnboundedParameters);
    return 0;
  }
  setBreakCounter(intParameter(params, 0));
  return -n;
}

int COM_debug_level(char** params, int n) {
  setDebugLevel(std::min(intParameter(params, 0), 4));
  return -n;
}

int COM_debug_off(char**, int) {
  setDebugLevel(0);
  return 0;
}

int COM_alloc_trace_on(char**, int) {
  setAllocTrace(1);
  return 0;
}

int COM_alloc_trace_off(char**, int) {
  setAllocTrace(0);
  return 0;
}

void HLP_debug() {
  Print("    Debug levels:\n");
  Print("    level 1: Show command lines and command blocks\n");
  Print("    level 2: Also show commands\n");
  Print("    level 3: Also show command decomposition\n");
  Print("    level 4: Also show return buffer\n");
}

void resetExecution() {
  execution().runningWords.clear();
  execution().convertingCommand = nullptr;
  execution().convertingIndex = -1;
}

std::string convertingParameterSubject() {
  return parameterSubject(execution().convertingCommand, execution().convertingIndex);
}

Command* continueCommand() { return matchComKey("continue"); }
