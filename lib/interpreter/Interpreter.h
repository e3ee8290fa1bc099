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

#include "runtime/Output.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Allocation.h"

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


// Debugging aids (standard output).
void printFullCommandLine(const CommandLine* line);
void printAllInterpretedCommands(char* const* tokens);
void checkCommandLine(const char* caller, const CommandLine* line);

// Per-line state of the executor (the debug level is kept by the output layer).
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

// Binds "echo", "math" and "log", names the program "X", puts the error stream on
// standard error and installs the alerts' command-file location report.
void initializeInterpreter();

// Remembers the command tree, modes and data types of right after start-up;
// resetInterpreter returns to them (no partial line, debug level 0, no file running, no
// macros, procedures or variables).
void markInterpreterStartState();
void resetInterpreter();

// ---------------------------------------------------------------------------------------
// Command tree, modes and argument conversions.
//
// Every command is a phrase of words; each word is a Command node. The nodes of one level
// form a binary search tree ordered by name (byte order); a node's keywords are the level
// of the words that may follow it. A parameter description is a run of bracket groups:
// "[...]" required, "(...)" optional, "..." lets the last group repeat; a group with a
// blank names a data type ("[pos_int level]"), one without is text (type "id").
// Nodes, modes and data types live for the run (removal only marks a node).

// Outcome of one argument conversion: status 0 with value, -1 a range value..value2, or
// a positive error code (after an alert).
struct ConversionResult {
  int status = 0;
  int value = 0;
  int value2 = 0;
};
using ConversionFunction = ConversionResult (*)(const char* token, int position);

struct ConversionMethod {
  int resultType = 'c';  // 'i' integer, 'c' text
  std::string description;
  ConversionFunction convert = nullptr;  // NULL keeps the token as text
};

// One registered data type; the list runs newest first.
struct Conversion {
  Conversion* next = nullptr;
  std::string typeName;
  ConversionMethod* method = nullptr;
};

struct Mode {
  int active = 1;
  std::string message;                // alerted when a command of the inactive mode is used
  int (*switchFunction)() = nullptr;  // tried once to activate the mode
};

// Handlers take the parameter words and their count and return -(parameters consumed)
// on success, a positive code on failure. A typed parameter's word has been replaced by a
// pointer to its converted int (read it with intParameter); params[-1] holds the
// command's functionInfo when it has one.
using CommandHandler = int (*)(char** params, int n);
using PreCommand = int (*)();
using PostCommand = void (*)();
using HelpFunction = void (*)();

struct Command {
  Command* greater = nullptr;
  Command* lesser = nullptr;
  Command* keywords = nullptr;
  AccountVector<ConversionMethod*> conversions{AccountAllocator<ConversionMethod*>(&Interpreter_alloc, "Command info")};
  int minParams = 0;
  int maxParams = 0;
  int nConversions = 0;
  Mode* mode = nullptr;
  int enabled = 1;
  int status = 0;  // 0 normal, 1 internal, 2 removed
  int substitute = 0;
  int exact = 0;
  std::string name;
  std::string paramDescription;
  std::string helpText;
  PreCommand preCommand = nullptr;
  CommandHandler handler = nullptr;
  PostCommand postCommand = nullptr;
  HelpFunction helpFunction = nullptr;
  void* functionInfo = nullptr;
};

inline constexpr int kUnboundedParameters = 2147483647;

// The int a typed parameter word points at.
int intParameter(char* const* params, int i);
// The functionInfo placed before the first parameter.
void* functionInfoOf(char* const* params);

// Registration. A phrase is up to seven blank-separated words (lower-cased).
Command* initCommand(const char* phrase, const char* paramDescription, CommandHandler handler,
                     const char* help);
void addHelp(const char* phrase, HelpFunction function);
void addFunctionInfo(const char* phrase, void* info);
void makeInternal(const char* phrase);
void enableCommand(const char* phrase);
void disableCommand(const char* phrase);
void enableSubstitution(Command* node);
void disableSubstitution(Command* node);
// fn on the node and, recursively, on every node below it.
void applyToComKey(Command* node, void (*fn)(Command*));
// fn on every node of one level, in name order.
void applyToTree(Command* level, void (*fn)(Command*));
// Marks a top-level word (abbreviation allowed) as removed: status 2, first letter "$".
void removeCommand(const char* word);
// The node of a complete phrase, every word matched exactly, or NULL.
Command* matchComKey(const char* phrase);
// The root of the top level (NULL while nothing is registered).
Command* getCommandTree();
std::size_t getLongestCommandName();

// Modes.
Mode* makeMode(const char* message);
Mode* makeDefaultMode();
Mode* getDefaultMode();
void setCurrentMode(Mode* mode);
Mode* getCurrentMode();
void setCurrentPreCommand(PreCommand function);
void setCurrentPostCommand(PostCommand function);
void addModeFunction(Mode* mode, int (*function)());
void switchMode(Mode* mode, int active);

// Data types.
ConversionMethod* makeConversionMethod(ConversionFunction convert, int resultType, const char* description);
// Registers the method under the name, or returns the existing registration unchanged.
Conversion* getConversion(const char* typeName, ConversionMethod* method);
Conversion* findConversion(const char* typeName);
Conversion* firstConversion();
Conversion* nextConversion(const Conversion* conversion);
// Cells and row iterator of the table "DataTypes" (items are Conversion records).
bool getDataTypeString(std::string& cell, const void* item, int row);
bool getTypeDescriptionString(std::string& cell, const void* item, int row);
const void* nextConversionItem(const void* item);
// Prints "DataTypes" on standard output while terminal output is on, and to the stream
// when it is another one.
void displayDataTypes(FILE* stream);
int getDataTypeWidth();
int getTypeDescriptionWidth();
std::string getDataTypeHeader();
std::string getTypeDescriptionHeader();

// Matching. The ambiguity marker is returned by findCommand for an ambiguous word.
Command* ambiguousCommandMarker();
Command* findCommand(const char* word, Command* level);
Command* matchCommand(const char* word, Command* level);
Command* interpretComKey(char** tokens, int* matched);
// The walk by abbreviation for "help": writes "Command syntax: " and the matched words
// (first letter upper case, each followed by a blank) into text; returns the deepest node.
Command* findComKey(char** tokens, std::string& text, int* count);

// The words of a command from the top level down ("search boundaries").
std::string commandPhrase(const Command* command);
// The name of parameter i (from 0) in the command's description: the word after the type
// ("Maxloop" of "(pos_int Maxloop)") or the word of an untyped group; a parameter that
// repeats the group before "..." goes by the name written after it. "" when none.
std::string parameterName(const Command* command, int i);
// The parameter for a message: "Parameter \"Maxloop\" of \"search boundaries\"", with
// "(number k)" for a repeated one; "Parameter" when the description names none.
std::string parameterSubject(const Command* command, int i);
// The same for the parameter being converted right now ("Parameter" outside a
// conversion): what the conversions name in their refusals.
std::string convertingParameterSubject();

// Conversions for handlers. 0 success, 1 not a number, 2 out of range.
int convertToInteger(const char* token, int* value);
int convertToDouble(const char* token, double* value);
// Refuses a value the user typed (severity 2, so a background run goes on): shown at once,
// even while messages are held back during a conversion, where it would be dropped.
void refuseTypedValue(const char* routine, int position, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// The evaluated token as text, cut to max characters.
std::string convertToString(const char* token, std::size_t max);

// Listings.
void printCommands();
// The words of a level with status 0 in columns (line width 80, column width the longest
// name + 4), filled column by column.
void printComCol(Command* level);
int COM_commands(char** params, int n);
int COM_commands_all(char** params, int n);
int COM_commands_detail(char** params, int n);
int COM_commands_tex(char** params, int n);
int COM_find(char** params, int n);
int COM_apropos(char** params, int n);
// Prints text through the description printer: "$" and "@" removed, re-flowed with the
// indent (at most 50), the label written into the blanks of the first line's indent, or on
// a line of its own above the text when it does not fit there. Prints nothing and returns
// false when the re-flowed text is shorter than the indent + 2.
bool printDescription(const char* text, const char* label, int indent);

// ---------------------------------------------------------------------------------------
// Command execution.

// Runs the tokenised block of line; returns a result code (0 or below: success).
int executeCommandBlock(CommandLine* line, int leftoversAllowed, int minMatched);
// The loop body of ranged calls handed to NestedLoops.
int CommandLoop(int n, int* values, void* context);
// The command node of the tokens (or NULL), the matched words and the parameter count.
Command* interpretCommand(char** tokens, int* nParams, int* nMatched);
// The single block of a function call, leftovers not allowed.
int analyseFunctionCommandLine(CommandLine* line);
// Moves the tokens from index from on down to index to.
void shiftCommand(char** tokens, int to, int from);
// For handlers that run nested lines: a break uses up one level and becomes -n.
int lowerBreakParameter(int result, int n);
// The words of the command whose handler is running (empty outside a handler).
const std::vector<std::string>& getRunningCommandWords();
void force_debug();
int COM_break(char** params, int n);
int COM_debug_level(char** params, int n);
int COM_debug_off(char** params, int n);
int COM_alloc_trace_on(char** params, int n);
int COM_alloc_trace_off(char** params, int n);
void HLP_debug();

// ---------------------------------------------------------------------------------------
// Macros, variables and procedures.
//
// Four stores of named text, each a list newest first: macros (replaced anywhere in a
// block outside braces before it is cut into words), procedures (command phrase -> body
// with placeholders %0, %1, ...), global variables, and local variables (one list per
// procedure call depth, depth 0 at the top level).

struct Alias {
  std::string name;
  std::string value;
};
class AliasList;

AliasList& getMacroList();
AliasList& getProcedureList();
AliasList& getGlobalVariableList();
// Local variables of the current call depth.
AliasList& getLocalVariableList();
AliasList& getLocalVariableList(int depth);

Alias* setAlias(const char* name, const char* value, AliasList& list);
// 0 when removed; 1 after "%s not defined".
int unsetAlias(const char* name, AliasList& list);
// exactly 1: the record of that name; else the first whose name begins with the text.
Alias* findAlias(const char* name, AliasList& list, int exactly);
// Values of a variable, or NULL. The evaluator looks local first, then global.
const char* findReplacement(const char* name, AliasList& list);
const char* findLocalReplacement(const char* name);
const char* findGlobalReplacement(const char* name);
// Sets a local variable of the current depth; 0, or 1 when the name starts with a digit.
int defineVariable(const char* name, const char* value);
void setVariables(char** tokens, int n, AliasList& list);
void setLocalVariables(char** tokens, int n);
void setGlobalVariables(char** tokens, int n);
// Expands the macros in the current block of line; 0, or 1 when the expansion did not
// come to an end.
int substituteDefinitions(CommandLine* line);
// 1 when value contains name.
int checkNewAlias(const char* name, const char* value);
void freeVariables(AliasList& list);
// Removes every procedure of the list from the command tree.
void removeAllCommands(AliasList& list);
// The names of a list, newest first.
std::vector<std::string> aliasNames(AliasList& list);
bool aliasListEmpty(AliasList& list);
void showAllAliases();
int getCallDepth();

// The handler of every procedure command.
int execute_procedure_exact(char** params, int n);
int execute_procedure(char** params, int n);
// The body with "%k" (k = 0 .. parameters - 1) replaced by parameter k.
std::string replaceDummiesbyValues(const char* body, const std::vector<std::string>& parameters);

// Runs the command formed by the argument texts (the first as written, every further one
// as one braced word) with its printed output captured. Returns the result code; on
// success (0 or below) value holds the captured text without its final line feed.
// anyError turns the command into "break all".
int execute_function(const std::vector<std::string>& arguments, std::string& value, bool anyError = false);
// The command text of a function call.
std::string makeCommandLine(const std::vector<std::string>& arguments, bool anyError);
