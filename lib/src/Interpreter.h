// The command interpreter: the terminal loop, the command-line builder and command files.
//
// A line becomes commands in three stages. The builder (buildCommandLine) appends input
// lines to a CommandLine record until the line is complete: "%" starts a comment, a final
// "\" and an unclosed "{" continue it (an unclosed "(" in math mode). The line is then
// cut into blocks at ";" outside braces; each block has its macros expanded, its outer
// braces stripped (blanks inside braces are kept inside one word) and is cut into words.
// Each block is then executed.
//
// CommandLine records are recycled through a free list and never freed. The current
// terminal record persists from line to line so that continued lines accumulate in it;
// each command file has its own record and its own text, so nested files never disturb
// one another.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "Allocation.h"

extern AllocationAccount Interpreter_alloc;

// Result codes of the interpreter (0 or below: success).
inline constexpr int kResultLineFeed = 9995;
inline constexpr int kResultBreak = 9996;
inline constexpr int kResultEmptyBlock = 9997;
inline constexpr int kResultNotExecutable = 9998;
inline constexpr int kResultNoCommand = 9999;

// Work record of one line being assembled. The text lives in text[0 .. end); blocks and
// tokens are offsets into it while the line is cut, tokens the word pointers handed to
// the executor. Invariant: blockStart <= blockEnd <= nextBlock <= end < capacity.
struct CommandLine {
  std::size_t capacity = 0;
  std::size_t tokenCapacity = 0;
  AccountVector<char> text{AccountAllocator<char>(&Interpreter_alloc, "Command line")};
  std::size_t blockStart = 0;
  std::size_t blockEnd = 0;  // where the current block was cut
  std::size_t end = 0;
  std::size_t nextBlock = 0;
  // Converted parameters of the block ("Conversion space"), tokenCapacity entries each.
  AccountVector<int> low{AccountAllocator<int>(&Interpreter_alloc, "Conversion space")};
  AccountVector<int> high{AccountAllocator<int>(&Interpreter_alloc, "Conversion space")};
  AccountVector<int> current{AccountAllocator<int>(&Interpreter_alloc, "Conversion space")};
  // NULL-terminated words of the block, pointing into text.
  AccountVector<char*> tokens{AccountAllocator<char*>(&Interpreter_alloc, "Command line")};

  char* data() { return text.data(); }
  const char* blockText() const { return text.data() + blockStart; }
};

// Records: a fresh (reset) record from the free list, or a new one.
CommandLine* newCommandLine();
// Pops a free record without resetting it (NULL when the list is empty).
CommandLine* findAvailableCommandLine();
void freeCommandLine(CommandLine* line);
void resetLine(CommandLine* line);
// Makes room for extra more characters (re-pointing the tokens when the text moves).
void allocLine(CommandLine* line, std::size_t extra);
// Doubles the token slots and the conversion arrays.
void reallocCommands(CommandLine* line);
// Appends text at the end of the line.
void appendToLine(CommandLine* line, const char* text);
// Bytes held by all records; with verbose above 0 also an alert with the count.
long long showCommandLinesUsed(int verbose);

// The terminal loop; never returns.
[[noreturn]] void readFromTerminal();
// Adds one input line to the current terminal record and builds it: -1 when the line
// continues, else the result code. NULL empties the record and returns 0.
int composeCommandLine(const char* text);
int buildCommandLine(const char* text, CommandLine* line);
int analyseCommandLine(CommandLine* line);
int analyseEvaluationLine(CommandLine* line);
// Runs a complete command string in a fresh record, outside function-call mode.
int executeCommandLine(const char* text);
int checkConditionalExpression(const char* text);

// Pieces of the builder.
void stripComment(char* text);
// Cuts the block of line at its first ";" outside braces (";" inside braces become BEL);
// returns false after an alert when the end is inconsistent.
bool cutBlock(CommandLine* line);
// Strips outer braces in place (a "{" at depth 0 and its "}" become blanks, blanks inside
// braces TAB); returns 0, or 1 after a "Bracket mismatch" alert.
int unbracket(char* block);
// Cuts the current block into words.
void chopLine(CommandLine* line);
// Puts back blanks and ";" in the current block.
void restoreString(CommandLine* line);

// Executes one tokenised block; until the command tree exists, every block that reaches
// execution is reported as an unknown command.
int executeCommandBlock(CommandLine* line, int leftoversAllowed, int minMatched);

// Debugging aids (standard output).
void printFullCommandLine(const CommandLine* line);
void printAllInterpretedCommands(char* const* tokens);
void checkCommandLine(const char* caller, const CommandLine* line);

// Per-line state of the executor.
void setDebugLevel(int level);
int getDebugLevel();
int getErrorCount();
void setErrorCount(int count);
int getBreakCounter();
void setBreakCounter(int count);
int getFunctionCallFlag();
void setFunctionCallFlag(int flag);
// Drops a partial terminal line, the error count, the break counter, the function-call
// flag, captures and alert buffering: the state of a fresh prompt.
void resetLineState();

// Command files.
// Runs a command file line by line; "interactive" is 0 meanwhile unless keepInteractive,
// and gets its previous value back afterwards. Returns the last result code.
int executeCommandFile(const char* path, int keepInteractive);
// The same for the command "load": no line bookkeeping, "interactive" untouched.
int executeLoadedCommandFile(const char* path, int flag);
int readCommandFile(FILE* stream, int keepInteractive);
// "Error occurred on line %d, file %s" and "Line: %s" for the innermost command file.
void printErrorInfo();
const char* getCurrentFileName();
int getCurrentLineNumber();

// Binds "echo", "math", "log" and "interactive", names the program "X" and puts the
// error stream on standard error.
void initializeInterpreter();
// Interactive value ("interactive" parameter), 0 before it exists.
int getInteractive();
void setInteractive(int value);

// Restores the state right after start-up (no partial line, debug level 0, no file running).
void resetInterpreter();
