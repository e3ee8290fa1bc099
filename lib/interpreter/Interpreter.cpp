// The terminal loop, the command-line builder and command files.
//
// Inside braces the builder replaces blanks by TAB and ";" by BEL while it cuts a line, so
// that a brace group stays one word; both are put back after the words are cut. Every
// CommandLine record ever made is owned by a deque (never freed); idle ones wait on the
// free list. Each running command file has a context (name, line number, line text) on a
// stack for error reports; RAII guards pop it and give "interactive" back its value even
// when a "Stop" answer unwinds to the terminal loop.
#include "interpreter/Interpreter.h"

#include "interpreter/InterpreterInternal.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "interpreter/Evaluator.h"
#include "interpreter/IntCommands.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

AllocationAccount Interpreter_alloc("Interpreter");

namespace {

constexpr char kTab = kInterpreterTab;
constexpr char kBell = kInterpreterBell;
constexpr std::size_t kFirstTokenSlots = 8;
// Command lines run from inside commands (loops, conditions, procedures) nest at most this
// deep, so that a deeply nested line ends with an alert instead of exhausting the stack.
constexpr int kMaxLineDepth = 1000;

struct FileContext {
  std::string name;
  int lineNumber = 0;
  std::string line;
};

struct InterpreterState {
  std::deque<CommandLine, AccountAllocator<CommandLine>> records{
      AccountAllocator<CommandLine>(&Interpreter_alloc, "Command line storage")};
  AccountVector<CommandLine*> freeRecords{AccountAllocator<CommandLine*>(&Interpreter_alloc, "Command line storage")};
  int createdRecords = 0;
  CommandLine* terminalLine = nullptr;
  int* echo = nullptr;
  int* math = nullptr;
  int* log = nullptr;
  int errorCount = 0;
  int breakCounter = 0;
  int functionCall = 0;
  int lineDepth = 0;
  AccountVector<FileContext> files{AccountAllocator<FileContext>(&Interpreter_alloc, "Command file context")};
};

InterpreterState& state() {
  static InterpreterState s;
  return s;
}

bool mathMode() { return state().math != nullptr && *state().math != 0; }

// A record taken for one call and given back however the call ends.
class LeasedLine {
 public:
  LeasedLine() : line_(newCommandLine()) {}
  ~LeasedLine() { freeCommandLine(line_); }
  LeasedLine(const LeasedLine&) = delete;
  LeasedLine& operator=(const LeasedLine&) = delete;
  CommandLine* get() const { return line_; }

 private:
  CommandLine* line_;
};

// One more level of nested command lines for the life of a call.
class LineDepth {
 public:
  LineDepth() { ++state().lineDepth; }
  ~LineDepth() { --state().lineDepth; }
  LineDepth(const LineDepth&) = delete;
  LineDepth& operator=(const LineDepth&) = delete;
};

// The context of one running command file; restores "interactive" when it ends.
class FileScope {
 public:
  FileScope(const char* name, bool bookkeeping, bool keepInteractive)
      : bookkeeping_(bookkeeping), restore_(!keepInteractive), previous_(getInteractive()) {
    if (bookkeeping_) state().files.push_back(FileContext{name, 0, std::string()});
    if (restore_) setInteractive(0);
  }
  ~FileScope() {
    if (bookkeeping_ && !state().files.empty()) state().files.pop_back();
    if (restore_) setInteractive(previous_);
  }
  FileScope(const FileScope&) = delete;
  FileScope& operator=(const FileScope&) = delete;

 private:
  bool bookkeeping_;
  bool restore_;
  int previous_;
};

// The text with every TAB made a blank: a TAB separates words wherever a blank does (and
// inside braces, where the builder uses TAB for the blanks it keeps, it was a blank anyway).
std::string tabsAsBlanks(const char* text) {
  std::string copy(text);
  std::replace(copy.begin(), copy.end(), '\t', ' ');
  return copy;
}

// Feeds the lines of a file's text to the builder through one record, so that
// continuation lines and open brace blocks span lines; an unfinished last line is dropped.
int runText(std::string& text, bool bookkeeping) {
  // A CR LF pair ends one line; a lone CR ends a line too.
  std::string unified;
  unified.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      unified += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      unified += text[i];
    }
  }
  text.swap(unified);
  LeasedLine record;
  int result = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t lineFeed = text.find('\n', position);
    std::size_t lineEnd = lineFeed == std::string::npos ? text.size() : lineFeed;
    std::string line = text.substr(position, lineEnd - position);
    if (bookkeeping && !state().files.empty()) {
      FileContext& context = state().files.back();
      ++context.lineNumber;
      context.line = line;
    }
    if (!line.empty() && line[0] != '#') {
      int built = buildCommandLine(line.c_str(), record.get());
      if (built != -1) result = built;
    }
    if (lineFeed == std::string::npos) break;
    position = lineFeed + 1;
  }
  return result;
}

}  // namespace

// Records.

CommandLine* findAvailableCommandLine() {
  InterpreterState& s = state();
  if (s.freeRecords.empty()) return nullptr;
  CommandLine* line = s.freeRecords.back();
  s.freeRecords.pop_back();
  return line;
}

CommandLine* newCommandLine() {
  CommandLine* line = findAvailableCommandLine();
  if (line == nullptr) {
    InterpreterState& s = state();
    s.records.emplace_back();
    line = &s.records.back();
    ++s.createdRecords;
    line->tokenCapacity = kFirstTokenSlots;
    line->low.assign(kFirstTokenSlots, 0);
    line->high.assign(kFirstTokenSlots, 0);
    line->current.assign(kFirstTokenSlots, 0);
    line->tokens.assign(kFirstTokenSlots, nullptr);
  }
  resetLine(line);
  return line;
}

void freeCommandLine(CommandLine* line) {
  if (line == nullptr) return;
  InterpreterState& s = state();
  if (s.freeRecords.capacity() == 0) s.freeRecords.reserve(200);
  s.freeRecords.push_back(line);
}

void resetLine(CommandLine* line) {
  allocLine(line, 0);
  line->blockStart = 0;
  line->blockEnd = 0;
  line->end = 0;
  line->nextBlock = 0;
  line->text[0] = '\0';
  line->tokens[0] = nullptr;
}

void allocLine(CommandLine* line, std::size_t extra) {
  std::size_t used = line->end + 1;
  if (used + extra + 10 <= line->capacity) return;
  char* before = line->text.empty() ? nullptr : line->text.data();
  std::size_t oldCapacity = line->text.size();
  line->capacity = used + extra + 100;
  line->text.resize(line->capacity, '\0');
  char* after = line->text.data();
  if (before == nullptr || before == after) return;
  // Only words inside the old text move; typed parameters point elsewhere.
  for (char*& token : line->tokens) {
    if (token != nullptr && token >= before && token < before + oldCapacity) token = after + (token - before);
  }
}

void reallocCommands(CommandLine* line) {
  line->tokenCapacity *= 2;
  line->low.resize(line->tokenCapacity, 0);
  line->high.resize(line->tokenCapacity, 0);
  line->current.resize(line->tokenCapacity, 0);
  line->tokens.resize(line->tokenCapacity, nullptr);
}

void appendToLine(CommandLine* line, const char* text) {
  std::size_t length = std::strlen(text);
  allocLine(line, length);
  std::memcpy(line->text.data() + line->end, text, length + 1);
  line->end += length;
}

long long showCommandLinesUsed(int verbose) {
  InterpreterState& s = state();
  long long bytes = 0;
  for (const CommandLine& line : s.records) {
    bytes += static_cast<long long>(line.capacity) +
             static_cast<long long>(line.tokenCapacity * (3 * sizeof(int) + sizeof(char*)));
  }
  if (verbose > 0) {
    Alert("showCommandLinesUsed", 0, 100208, "Number of Command lines allocated: %d; %lld bytes\n",
          s.createdRecords, bytes);
  }
  return bytes;
}

// The terminal loop.

void readFromTerminal() {
  setInteractive(1);
  composeCommandLine(nullptr);
  int emptyLines = 0;
  bool continued = false;
  for (int round = 0; round < 1000000; ++round) {
    std::string line;
    try {
      // A Ctrl-C that came while the last command ran, unseen by it, is spent; however the
      // command took it, the prompt starts on a fresh line after its "^C".
      if (spendInterruptBeforePrompt() != 0) setAtLineBegin();
      const char* prefix = "";
      if (getAtLineBegin() != 0) {
        prefix = "\n";
        clearAtLineBegin();
      }
      if (continued) {
        PrintStdout("%s... ", prefix);
      } else {
        setErrorScrollMode(0);
        PrintStdout(mathMode() ? "%s==> " : "%s> ", prefix);
      }
      int got = getstring(line, 1022);
      if (got == kReadInterrupted) {
        // Ctrl-C at the prompt drops the line being typed, continued lines included.
        spendInterruptBeforePrompt();
        setStopSignal(0);
        PrintStdout("\n");
        composeCommandLine(nullptr);
        continued = false;
        continue;
      }
      if (got == 0) COM_quit(nullptr, 0);
      if (got < 0) continue;
      if (!line.empty() && line[0] == '@') {
        PrintStdout("Line beginning with \"@\" read; quitting\n");
        terminateProgram(1);
      }
      if (line.empty()) {
        if (++emptyLines == 10001) {
          PrintStdout("Too many empty input lines; quitting\n");
          terminateProgram(1);
        }
        continue;
      }
      setStopSignal(0);
      continued = composeCommandLine(line.c_str()) == -1;
      emptyLines = 0;
    } catch (const StopRequest&) {
      resetLineState();
      setInteractive(1);
      continued = false;
    } catch (const std::bad_alloc&) {
      // Out of memory outside any command (joining or expanding the line): the run ends as
      // it does inside one.
      exitOutOfMemory(line.c_str());
    } catch (const std::length_error&) {
      exitOutOfMemory(line.c_str());
    }
  }
  PrintStdout("Maximal number of commands exceeded (no_readline); quitting\n");
  terminateProgram(1);
}

int composeCommandLine(const char* text) {
  InterpreterState& s = state();
  if (s.terminalLine == nullptr) s.terminalLine = newCommandLine();
  if (text == nullptr) {
    resetLine(s.terminalLine);
    return 0;
  }
  flushErrors();
  return buildCommandLine(text, s.terminalLine);
}

int buildCommandLine(const char* text, CommandLine* line) {
  InterpreterState& s = state();
  std::size_t appendStart = line->end;
  appendToLine(line, findFirstAlpha(tabsAsBlanks(text).c_str()));
  char* data = line->text.data();
  stripComment(data + appendStart);
  line->end = std::strlen(data);
  if (line->end > appendStart && data[line->end - 1] == '\\') {
    data[--line->end] = '\0';
    return -1;
  }
  if (mathMode()) {
    int open = bracketcnt(data, '(', ')');
    if (open > 0) {
      appendToLine(line, " ");
      return -1;
    }
    if (open < 0) {
      Alert("buildCommandLine", 0, 100301, "Too many closing brackets [\")\"]");
      resetLine(line);
      return 0;
    }
  } else {
    int open = bracketcnt(data, '{', '}');
    if (open > 0) {
      if (line->end > 0 && data[line->end - 1] != '{' && data[line->end - 1] != ';') appendToLine(line, ";");
      appendToLine(line, " ");
      return -1;
    }
    if (open < 0) {
      Alert("buildCommandLine", 1, 100301, "Too many closing brackets (\"}\")");
      resetLine(line);
      return 0;
    }
  }
  data = line->text.data();
  while (line->end > 0 && data[line->end - 1] == ' ') data[--line->end] = '\0';
  if (s.echo != nullptr && *s.echo == 1) Print("%s\n", data);
  if (s.log != nullptr && *s.log == 1) writeLog("%s\n", data);
  s.errorCount = 0;
  s.breakCounter = 0;
  s.functionCall = 0;
  int result = mathMode() ? analyseEvaluationLine(line) : analyseCommandLine(line);
  resetLine(line);
  return result;
}

int analyseCommandLine(CommandLine* line) {
  InterpreterState& s = state();
  if (s.errorCount > 0) return s.errorCount;
  if (std::memchr(line->text.data(), '\n', line->end) != nullptr) {
    Alert("analyseCommandLine", 0, 100301, "Line feed not allowed in command line");
    ++s.errorCount;
    return kResultLineFeed;
  }
  int result = 0;
  line->blockStart = static_cast<std::size_t>(findFirstAlpha(line->text.data()) - line->text.data());
  while (line->blockStart < line->end) {
    if (!cutBlock(line)) {
      ++s.errorCount;
      result = 1;
      break;
    }
    if (*findFirstAlpha(line->text.data() + line->blockStart) != '\0') {
      if (substituteDefinitions(line) != 0) {
        ++s.errorCount;
        result = 1;
        break;
      }
      char* block = line->text.data() + line->blockStart;
      if (getDebugLevel() >= 1) {
        printFullCommandLine(line);
        PrintStdout(".... Command Block: %s\n", block);
      }
      if (unbracket(block) != 0) {
        ++s.errorCount;
        result = 1;
        break;
      }
      chopLine(line);
      restoreString(line);
      bufferErrors();
      result = executeCommandBlock(line, 1, 1);
      if (result >= kResultNotExecutable) {
        printErrorBuffer();
      } else if (result >= 1 && result != kResultBreak) {
        ++s.errorCount;
      }
      unbufferErrors();
      if (s.errorCount != 0) break;
      flushErrors();
    }
    line->blockStart = line->nextBlock;
    while (line->blockStart < line->end && line->text[line->blockStart] == ' ') ++line->blockStart;
  }
  if (s.errorCount != 0) {
    std::size_t rest = line->nextBlock;
    while (rest < line->end && line->text[rest] == ' ') ++rest;
    if (rest < line->end) {
      Alert("analyseCommandLine", 2, 100301, "Remainder (%s) ignored", line->text.data() + rest);
    }
  }
  return result;
}

int analyseEvaluationLine(CommandLine* line) {
  LeasedLine evaluation;
  appendToLine(evaluation.get(), "evaluate {");
  appendToLine(evaluation.get(), line->text.data());
  appendToLine(evaluation.get(), "};");
  return analyseCommandLine(evaluation.get());
}

int executeCommandLine(const char* text) {
  InterpreterState& s = state();
  if (s.lineDepth >= kMaxLineDepth) {
    Alert("executeCommandLine", 0, 100302, "Command lines nested more than %d levels deep; not run", kMaxLineDepth);
    return 1;
  }
  LineDepth level;
  LeasedLine record;
  appendToLine(record.get(), findFirstAlpha(tabsAsBlanks(text).c_str()));
  int previousFlag = s.functionCall;
  s.functionCall = 0;
  int result = analyseCommandLine(record.get());
  s.functionCall = previousFlag;
  return result;
}

int checkConditionalExpression(const char* text) {
  LeasedLine record;
  appendToLine(record.get(), text);
  return evaluateCondition(record.get()->text.data());
}

int evaluateExpressionText(const char* expression, std::string& text) {
  MathObjPtr value(evaluate_string_to_string(expression));
  text.assign(value->text.c_str(), value->text.size());
  return value->type == 'e' ? 1 : 0;
}

int evaluateCondition(const char* text) { return check_condition(text); }

// Pieces of the builder.

void stripComment(char* text) {
  char* comment = std::strchr(text, '%');
  if (comment != nullptr) *comment = '\0';
}

bool cutBlock(CommandLine* line) {
  char* data = line->text.data();
  int depth = 0;
  for (std::size_t i = line->blockStart; i < line->end; ++i) {
    if (data[i] == '{') ++depth;
    if (data[i] == '}') --depth;
    if (data[i] != ';') continue;
    if (depth == 0) {
      data[i] = '\0';
      line->blockEnd = i;
      line->nextBlock = i + 1;
      return true;
    }
    data[i] = kBell;
  }
  line->blockEnd = line->end;
  line->nextBlock = line->end;
  if (line->blockEnd > line->end) {
    Alert("cutBlock", 0, 212404, "Inconsistency in command block termination");
    return false;
  }
  return true;
}

int unbracket(char* block) {
  int depth = 0;
  for (char* p = block; *p != '\0'; ++p) {
    if (*p == '{') {
      if (depth == 0) *p = ' ';
      ++depth;
    } else if (*p == '}') {
      if (depth == 0) {
        Alert("unbracket", 0, 100302, "Bracket mismatch");
        return 1;
      }
      if (depth == 1) *p = ' ';
      --depth;
    } else if (*p == ' ' && depth > 0) {
      *p = kTab;
    }
  }
  if (depth != 0) {
    Alert("unbracket", 1, 100302, "Bracket mismatch");
    return 1;
  }
  return 0;
}

void chopLine(CommandLine* line) {
  std::size_t count = 0;
  char* data = line->text.data();
  std::size_t i = line->blockStart;
  while (i < line->blockEnd) {
    while (i < line->blockEnd && data[i] == ' ') data[i++] = '\0';
    if (i >= line->blockEnd || data[i] == '\0') break;
    if (count + 3 > line->tokenCapacity) reallocCommands(line);
    line->tokens[count++] = data + i;
    while (i < line->blockEnd && data[i] != ' ' && data[i] != '\0') ++i;
  }
  line->tokens[count] = nullptr;
}

void restoreString(CommandLine* line) {
  char* data = line->text.data();
  for (std::size_t i = line->blockStart; i < line->blockEnd; ++i) {
    if (data[i] == kTab) data[i] = ' ';
    if (data[i] == kBell) data[i] = ';';
  }
}

// Debugging aids.

void printFullCommandLine(const CommandLine* line) {
  std::string shown;
  for (std::size_t i = 0; i < line->end; ++i) shown += line->text[i] == '\0' ? '|' : line->text[i];
  PrintStdout(".... Command Line : %s\n", shown.c_str());
}

void printAllInterpretedCommands(char* const* tokens) {
  for (int i = 0; tokens[i] != nullptr; ++i) PrintStdout("........ Commands[%d]: |%s|\n", i, tokens[i]);
}

void checkCommandLine(const char* caller, const CommandLine* line) {
  if (line->end >= line->capacity || line->text[line->end] != '\0') {
    PrintStdout("Unterminated line (call from %s)\n", caller);
  }
  if (!(line->blockStart <= line->nextBlock && line->nextBlock <= line->end)) {
    PrintStdout("Ordering problem: %d %d %d (call from %s)\n", static_cast<int>(line->blockStart),
                static_cast<int>(line->nextBlock), static_cast<int>(line->end), caller);
  }
  const char* first = line->text.data();
  for (std::size_t i = 0; i < line->tokens.size() && line->tokens[i] != nullptr; ++i) {
    const char* token = line->tokens[i];
    if (token < first || token >= first + line->capacity) {
      PrintStdout("Command %d out of range (call from %s)\n", static_cast<int>(i), caller);
    } else if (std::memchr(token, '\0', static_cast<std::size_t>(first + line->capacity - token)) == nullptr) {
      PrintStdout("Command termination problem for nr. %d (call from %s)\n", static_cast<int>(i), caller);
    }
  }
}

// Per-line state.

int getErrorCount() { return state().errorCount; }
void setErrorCount(int count) { state().errorCount = count; }
int getBreakCounter() { return state().breakCounter; }
void setBreakCounter(int count) { state().breakCounter = count; }
int getFunctionCallFlag() { return state().functionCall; }
void setFunctionCallFlag(int flag) { state().functionCall = flag; }

void resetLineState() {
  InterpreterState& s = state();
  composeCommandLine(nullptr);
  s.errorCount = 0;
  s.breakCounter = 0;
  s.functionCall = 0;
  while (getReturnToBuffer() > 0) returnBufferOff();
  unbufferErrors();
  flushErrors();
}

// Command files.

int executeCommandFile(const char* path, int keepInteractive) {
  FileScope scope(path, true, keepInteractive != 0);
  std::string text;
  if (!readFileText(path, text)) return 0;
  registerInputFilename(path);
  return runText(text, true);
}

int executeLoadedCommandFile(const char* path, int) {
  std::string text;
  if (!readFileText(path, text)) return 0;
  return runText(text, false);
}

int readCommandFile(FILE* stream, int keepInteractive) {
  FileScope scope("", false, keepInteractive != 0);
  LeasedLine record;
  int result = 0;
  std::string line;
  for (;;) {
    line.clear();
    int c = EOF;
    while ((c = std::fgetc(stream)) != EOF && c != '\n') line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') {
      int built = buildCommandLine(line.c_str(), record.get());
      if (built != -1) result = built;
    }
    if (c == EOF) break;
  }
  return result;
}

void printErrorInfo() {
  InterpreterState& s = state();
  if (s.files.empty()) return;
  const FileContext& context = s.files.back();
  printErrorMessage("Error occurred on line %d, file %s\n", context.lineNumber, context.name.c_str());
  printErrorMessage("Line: %s\n", context.line.c_str());
}

const char* getCurrentFileName() {
  InterpreterState& s = state();
  return s.files.empty() ? "" : s.files.back().name.c_str();
}

int getCurrentLineNumber() {
  InterpreterState& s = state();
  return s.files.empty() ? 0 : s.files.back().lineNumber;
}

void initializeInterpreter() {
  InterpreterState& s = state();
  s.echo = getIntParPointer("echo");
  s.math = getIntParPointer("math");
  s.log = getIntParPointer("log");
  bindInteractiveSwitch();
  setProgName("X");
  setBackground(0);
  setAlertLocationReport(printErrorInfo);
}

void markInterpreterStartState() { markCommandTreeStartState(); }

void resetInterpreter() {
  InterpreterState& s = state();
  setDebugLevel(0);
  s.lineDepth = 0;
  s.files.clear();
  resetLineState();
  resetExecution();
  resetMacros();
  resetCommandTree();
}
