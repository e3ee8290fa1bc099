// The general commands: registration, the setting commands of internal parameters, the
// argument conversions, status and memory displays, table commands, output redirection,
// help, the shell escape and the ways of ending a run. The commands of the language itself
// (expressions, control flow, variables, macros, procedures, "load") are in
// IntCommandsLanguage.cpp.
//
// State: the once-only flag of the registration and the input file name; both live for
// the run.
#include "interpreter/IntCommands.h"

#include <climits>
#include <cstring>

#include "interpreter/Evaluator.h"
#include "interpreter/IntCommandsInternal.h"
#include "interpreter/Tables.h"
#include "runtime/Allocation.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Memory.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

struct IntCommandsState {
  bool initialized = false;
};

IntCommandsState& state() {
  static IntCommandsState s;
  return s;
}

InternalParameter* parameterOf(char** params) { return static_cast<InternalParameter*>(functionInfoOf(params)); }

// Cells and iterators of the tables "Parameters" and "Preferences".
bool parameterNameCell(std::string& cell, const void* item, int) {
  cell = getParameterNameString(static_cast<const InternalParameter*>(item));
  return true;
}
bool parameterValueCell(std::string& cell, const void* item, int) {
  cell = getParameterValueString(static_cast<const InternalParameter*>(item));
  return true;
}
bool parameterDefaultCell(std::string& cell, const void* item, int) {
  cell = getParameterDefaultString(static_cast<const InternalParameter*>(item));
  return true;
}
const void* nextParameterItem(const void* item) { return nextParameter(static_cast<const InternalParameter*>(item)); }
bool defaultNameCell(std::string& cell, const void* item, int) {
  cell = getDefaultNameString(static_cast<const DefaultEntry*>(item));
  return true;
}
bool defaultValueCell(std::string& cell, const void* item, int) {
  cell = getDefaultValueString(static_cast<const DefaultEntry*>(item));
  return true;
}
const void* nextDefaultItem(const void* item) { return nextDefault(static_cast<const DefaultEntry*>(item)); }

void defineTables() {
  initTable("DataTypes");
  addColumn("DataTypes", makeColumn("Type", "Data type", 40, getDataTypeString, nullptr));
  addColumn("DataTypes", makeColumn("Description", "Description", 80, getTypeDescriptionString, nullptr));
  addIncrem("DataTypes", nextConversionItem);
  initTable("Parameters");
  addColumn("Parameters", makeColumn("Name", "Parameter name", 40, parameterNameCell, nullptr));
  addColumn("Parameters", makeColumn("Value", "Parameter value", 20, parameterValueCell, nullptr));
  addColumn("Parameters", makeColumn("Default?", "Appears in defaults file?", 20, parameterDefaultCell, nullptr));
  addIncrem("Parameters", nextParameterItem);
  initTable("Preferences");
  addColumn("Preferences", makeColumn("Name", "Name of default parameter", 40, defaultNameCell, nullptr));
  addColumn("Preferences", makeColumn("Value", "Current value", 20, defaultValueCell, nullptr));
  addIncrem("Preferences", nextDefaultItem);
}

void registerCommands() {
  initCommand("verify", "[commandline]", COM_verify, "Execute commandline without terminal output.");
  initCommand("repeat", "[pos_int count][commandline]", COM_repeat, "Execute commandline count times.");
  initCommand("help", "(command)(key_1)...(key_n)", COM_help, "General help, or help on a command.");
  initCommand("commands", "", COM_commands, "List all commands.");
  initCommand("commands all", "", COM_commands_all, "List all commands and keywords.");
  initCommand("commands detail", "", COM_commands_detail, "List all commands and keywords with their description.");
  initCommand("commands tex", "", COM_commands_tex, "List all commands in TeX format.");
  initCommand("find", "[string]", COM_find, "Find all commands containing a string.");
  initCommand("apropos", "[string]", COM_apropos, "Find all commands containing a string in name or description.");
  initCommand("set", "", nullptr, "Set preferences.");
  initCommand("set debug level", "[pos_int level]", COM_debug_level, "Set debug level (maximum 4).");
  initCommand("set debug alloc_trace on", "", COM_alloc_trace_on, "Show all dynamical allocations.");
  initCommand("set debug alloc_trace off", "", COM_alloc_trace_off, "Stop showing dynamical allocations.");
  initCommand("set debug off", "", COM_debug_off, "Switch debugging off.");
  addHelp("set debug", HLP_debug);
  makeInternal("set debug");
  initCommand("set enable_sub", "[command](key_1)...(key_n)", COM_enable_sub,
              "Enable automatic parameter substitution for a command.");
  addHelp("set enable_sub", HLP_enable_sub);
  initCommand("set disable_sub", "[command](key_1)...(key_n)", COM_disable_sub,
              "Disable automatic parameter substitution for a command.");
  addHelp("set disable_sub", HLP_enable_sub);
  initCommand("continue", "", COM_continue, "Do nothing.");
  initCommand("free", "", nullptr, "Remove macros, procedures or variables.");
  initCommand("free macros", "(macro)", COM_free_macro, "Remove one macro, or all.");
  initCommand("free procedures", "(procedure)", COM_free_proc, "Remove one procedure, or all.");
  initCommand("free global", "(variable)", COM_free_glob, "Remove one global variable, or all.");
  initCommand("free local", "(variable)", COM_free_loc, "Remove one local variable, or all.");
  initCommand("free variable", "(variable)", COM_free_var, "Remove one variable (global and local), or all.");
  initCommand("free all", "", COM_free_all, "Remove all macros, procedures and variables.");
  initCommand("quit", "", COM_quit, "Quit the program.");
  initCommand("file", "(fn)", COM_file, "Send output to a new file.");
  initCommand("file on", "(fn)", COM_file, "Send output to a new file.");
  initCommand("file append", "(fn)", COM_file_append, "Append output to a file.");
  initCommand("file off", "", COM_file_off, "Close the output file.");
  initCommand("terminal", "", COM_terminal_on, "Switch terminal output on.");
  initCommand("terminal on", "", COM_terminal_on, "Switch terminal output on.");
  initCommand("terminal off", "", COM_terminal_off, "Switch terminal output off.");
  initCommand("prompt", "", COM_prompt, "Continue reading commands from the terminal.");
  initCommand("reset errors", "", COM_reseterrors, "Restore all messages disabled with \"ignore\".");
  initCommand("system", "[cmd...]", COM_system, "Execute a Unix command.");
  initCommand("status memory", "", COM_showMemory, "Show total memory allocation.");
  initCommand("status memory detail", "", COM_showMemoryDetail, "Show memory allocation per account.");
  initCommand("status memory more_detail", "", COM_showMemoryMore, "Show memory allocation per account.");
  initCommand("status errors", "", COM_show_Errors, "Show all messages issued so far.");
  initCommand("status definitions", "", COM_showAliases, "Show macros, procedures and variables.");
  initCommand("status parameters", "", COM_show_inpars, "Show all internal parameters.");
  initCommand("status preferences", "", COM_show_defaults, "Show all preferences.");
  initCommand("show default_file", "", COM_show_def_file, "Show the name of the preferences file.");
  initCommand("save preferences", "", COM_save_prefs, "Save the preferences file.");
  initCommand("global", "[assignment]", COM_global, "Define a global variable.");
  initCommand("if", "[condition][true_commandline](false_commandline)", COM_if, "Conditional execution.");
  initCommand("for", "[command1][condition][command2][commandline]", COM_for,
              "Loop: command1; while condition: commandline; command2.");
  initCommand("while", "[condition][commandline]", COM_while, "Execute commandline while condition is true.");
  initCommand("break", "(pos_int count)", COM_break, "Leave count (default all) nested command lines.");
  initCommand("procedure", "[name][commandline]", COM_proc, "Define a procedure: name(par_1,...|opt_1,...).");
  if (Command* node = initCommand("evaluate", "[expression]", COM_eval, "Evaluate and print an expression.")) {
    disableSubstitution(node);
  }
  if (Command* node = initCommand("float", "[expression]", COM_float, "Evaluate an expression as a real number.")) {
    disableSubstitution(node);
  }
  if (Command* node = initCommand("print", "[string]", COM_print, "Print a text.")) disableSubstitution(node);
  addHelp("evaluate", HLP_evaluate);
  addHelp("print", HLP_print);
  if (Command* node = initCommand("execute", "[expression]", COM_exec, "Evaluate an expression without printing.")) {
    disableSubstitution(node);
  }
  if (Command* node = initCommand("return", "[expression]", COM_return, "Return a value from a function call.")) {
    disableSubstitution(node);
  }
  initCommand("load", "[filename]", COM_load, "Execute a command or procedure file.");
  initCommand("define", "[string][replacement]", COM_alias, "Define a macro.");
  addHelp("define", HLP_undefine);
  if (Command* node = initCommand("extract", "[pos_int label][string]", COM_extract,
                                  "Extract the label-th integer from a text.")) {
    enableSubstitution(node);
  }
  initCommand("undefine", "[string]", COM_unalias, "Remove a macro.");
  addHelp("undefine", HLP_undefine);
  initCommand("table", "", nullptr, "Table managing commands.");
  initCommand("table list", "", COM_table_list, "List all tables.");
  initCommand("table header", "[table]", COM_table_header, "Print table with header.");
  initCommand("table noheader", "[table]", COM_table_noheader, "Print table without header.");
  initCommand("table info", "[table]", COM_table_info, "Show the columns of a table.");
  initCommand("table suppress", "[table][column]", COM_table_suppress, "Do not show a column.");
  initCommand("table restore", "[table][column]", COM_table_restore, "Show a column.");
  initCommand("table left_adjust", "[table][column]", COM_table_left, "Left-adjust a column.");
  initCommand("table right_adjust", "[table][column]", COM_table_right, "Right-adjust a column.");
  initCommand("table set_space", "[table][column][non_neg_int s]", COM_table_space,
              "Set the blank space of a column (0 to 9 blanks).");
  initCommand("time", "", COM_CPU, "Show the CPU time used.");
  initCommand("browse datatypes", "", COM_browse_types, "List all data types.");
  initCommand("background", "", COM_set_background, "Switch to background mode.");
  initCommand("silent", "", COM_set_no_progress_info, "Switch progress information off.");
  initCommand("autolaunch", "", COM_autolaunch, "Join the batch-job queue.");
  applyToComKey(matchComKey("help"), disableSubstitution);
  applyToComKey(matchComKey("free"), disableSubstitution);
}

ConversionResult failed() { return ConversionResult{1, 0, 0}; }

// The node of the words in params (walked as "help" walks them), NULL when a word is
// not found.
Command* commandOfWords(char** params, int n, std::string& text) {
  std::vector<char*> words(params, params + n);
  words.push_back(nullptr);
  int count = 0;
  Command* node = findComKey(words.data(), text, &count);
  return count == n ? node : nullptr;
}

int tableResult(int result, int n) { return result <= 0 ? -n : result; }

}  // namespace

void initializeGeneralCommands() {
  IntCommandsState& s = state();
  if (s.initialized) return;
  s.initialized = true;
  makeDefaultMode();
  getConversion("int", makeConversionMethod(CONV_ExpressionToInt, 'i', "Integer"));
  getConversion("pos_int", makeConversionMethod(CONV_ExpressionToNat, 'i', "Positive integer"));
  getConversion("non_neg_int", makeConversionMethod(CONV_ExpressionToNat0, 'i', "Non-negative integer"));
  getConversion("sign", makeConversionMethod(CONV_ExpressionToSign, 'i', "Sign (+1 or -1)"));
  getConversion("switch", makeConversionMethod(CONV_Switch, 'i', "ON or OFF"));
  getConversion("id", makeConversionMethod(nullptr, 'c', "String"));
  defineTables();
  setTableDefaultRoutines(TableDefaults, getTableDefault);
  initMemory("FunctionVariables", 'p', 0, 32);
  initMemory("LocalVarRoots", 'p', 0, 100);
  initEvaluator();
  registerCommands();
  addParameter("echo", "OFF", "switch", "command echoing", 0);
  addParameter("math", "OFF", "switch", "math mode", 0);
  addParameter("error_trace", "OFF", "switch", "error trace", 0);
  // Kept in the preferences file: start-up reads them from there.
  addParameter("log", "OFF", "switch", "log file use", 1);
  addParameter("error_log", "OFF", "switch", "error log file use", 1);
  addParameter("interactive", "OFF", "switch", "terminal input", 0);
  addParameter("line_size", "100", "non_neg_int", "maximal line size", 1);
  // Separator lines start their text at column 20 and terminals narrower than 61 columns
  // are not taken; table cells stay below 1000 characters.
  setParameterRange("line_size", 61, 999);
  initializeInterpreter();
  initializeError();
}

InternalParameter* addParameter(const char* name, const char* defaultValue, const char* type, const char* description,
                                int inDefaults) {
  std::string lowerName = name;
  for (char& c : lowerName) c = lower(c);
  std::string setPhrase = "set " + lowerName;
  std::string showPhrase = "show " + lowerName;
  std::string text = description != nullptr ? description : "";
  InternalParameter* parameter = nullptr;
  std::string showHelp;
  if (type != nullptr && std::strcmp(type, "switch") == 0) {
    parameter = addInternalParameter(name, defaultValue, 't', inDefaults);
    initCommand(setPhrase.c_str(), "(switch ON/OFF)", COM_set_switch, ("Switch " + text).c_str());
    showHelp = "Show setting of " + text;
  } else if (type != nullptr) {
    parameter = addInternalParameter(name, defaultValue, 'i', inDefaults);
    // The least value the type accepts holds for values from the preferences file too.
    if (std::strcmp(type, "pos_int") == 0) parameter->minimum = 1;
    if (std::strcmp(type, "non_neg_int") == 0) parameter->minimum = 0;
    std::string valueDescription = std::string("[") + type + " value]";
    initCommand(setPhrase.c_str(), valueDescription.c_str(), COM_set_value, ("Set " + text).c_str());
    showHelp = "Show " + text;
  } else {
    parameter = addInternalParameter(name, defaultValue, 's', inDefaults);
    initCommand(setPhrase.c_str(), "[string]", COM_set_string, text.c_str());
    showHelp = "Show " + text;
  }
  addFunctionInfo(setPhrase.c_str(), parameter);
  initCommand(showPhrase.c_str(), "", COM_show_inpar, showHelp.c_str());
  addFunctionInfo(showPhrase.c_str(), parameter);
  return parameter;
}

// Argument conversions.

ConversionResult CONV_ExpressionToInt(const char* token, int) {
  ConversionResult result;
  result.status = convertToInteger(token, &result.value);
  return result;
}

ConversionResult CONV_ExpressionToNat(const char* token, int) {
  ConversionResult result;
  result.status = convertToInteger(token, &result.value);
  if (result.status == 0 && result.value <= 0) {
    refuseTypedValue("CONV_ExpressionToNat", 0, "%s must be positive, not %d", convertingParameterSubject().c_str(),
                     result.value);
    return failed();
  }
  return result;
}

ConversionResult CONV_ExpressionToNat0(const char* token, int) {
  ConversionResult result;
  result.status = convertToInteger(token, &result.value);
  if (result.status == 0 && result.value < 0) {
    refuseTypedValue("CONV_ExpressionToNat0", 0, "%s must be 0 or more, not %d", convertingParameterSubject().c_str(),
                     result.value);
    return failed();
  }
  return result;
}

ConversionResult CONV_ExpressionToSign(const char* token, int) {
  ConversionResult result;
  result.status = convertToInteger(token, &result.value);
  if (result.status == 0 && result.value != 1 && result.value != -1) {
    refuseTypedValue("CONV_ExpressionToSign", 0, "%s must be 1 or -1, not %d", convertingParameterSubject().c_str(),
                     result.value);
    return failed();
  }
  return result;
}

ConversionResult CONV_Switch(const char* token, int) {
  std::string word = token;
  if (word.size() < 4) {
    for (char& c : word) c = lower(c);
  }
  if (word == "on") return ConversionResult{0, 1, 0};
  if (word == "off") return ConversionResult{0, 0, 0};
  refuseTypedValue("CONV_Switch", 0, "Parameter (%s) must be ON or OFF", word.c_str());
  return failed();
}

// Setting commands.

int COM_set_switch(char** params, int n) {
  set_switch(parameterOf(params), n == 0 ? 1 : intParameter(params, 0));
  return -n;
}

int COM_set_value(char** params, int n) {
  if (set_value(parameterOf(params), intParameter(params, 0)) != 0) return 1;
  return -n;
}

int COM_set_string(char** params, int n) {
  InternalParameter* parameter = parameterOf(params);
  if (parameter->pref != nullptr) changeDefault(parameter->pref, params[0]);
  return -n;
}

std::string display_inpar(const InternalParameter* parameter) {
  if (parameter->pref != nullptr) return parameter->pref->value;
  if (parameter->type == 't') {
    if (parameter->value == 1) return "ON";
    if (parameter->value == 0) return "OFF";
    return "Undefined";
  }
  return numstr(parameter->value);
}

int COM_show_inpar(char** params, int n) {
  Print("%s\n", display_inpar(parameterOf(params)).c_str());
  return -n;
}

// Help.

void printHelp(const char* text) {
  std::string clean;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '$' && *p != '@') clean += *p;
  }
  Print("%s\n", clean.c_str());
}

int COM_help(char** params, int n) {
  if (n == 0) {
    Print("\n");
    Print("General command structure:\n");
    Print("Command (Keywords) (Parameters)\n");
    Print("Commands and Keywords are case insensitive and may be abbreviated\n\n");
    Print("For a list of commands type 'Commands'\n");
    Print("For help for a command type 'Help Command'\n\n");
    Print("Help syntax:\n");
    Print("Optional keywords or parameters are in round brackets\n");
    Print("Mandatory keywords or parameters are in square brackets\n\n");
    return 1;
  }
  std::vector<char*> words(params, params + n);
  words.push_back(nullptr);
  std::string syntax;
  int count = 0;
  Command* node = findComKey(words.data(), syntax, &count);
  if (node == nullptr || node->status == 2) return 1;
  Print("%s%s\n", syntax.c_str(), node->paramDescription.c_str());
  if (node->mode != nullptr && node->mode->active == 0) Print("    [Currently not enabled]\n");
  if (node->handler == nullptr) Print("    [Not executable without further keywords]\n");
  if (node->enabled != 0 && node->handler != nullptr && node->substitute != 0 && node->maxParams > 0) {
    Print("    [Automatic parameter substitution enabled]\n");
  }
  printHelp(node->helpText.c_str());
  if (node->helpFunction != nullptr) {
    Print("\n");
    node->helpFunction();
    Print("\n");
  }
  if (node->keywords != nullptr) {
    Print("Keywords:\n");
    printComCol(node->keywords);
  }
  if (getInteractive() == 1 && answersCanBeRead()) {
    PrintStdout("Enter Keyword > ");
    std::string line;
    if (getstring(line, 1022) == 1 && *findFirstAlpha(line.c_str()) != '\0') {
      // The words as matched, so that abbreviations typed before stay resolved.
      std::string command = "Help ";
      std::size_t start = std::strlen("Command syntax: ");
      command += syntax.substr(start) + line;
      executeCommandLine(command.c_str());
    }
  }
  return 1;
}

void HLP_enable_sub() {
  Print("    Parameters can be a command with any valid sequence of keywords\n"
        "    (this sequence should not be enclosed by curly brackets!).\n");
  Print("    The action is applied to the command-keyword combination\n");
  Print("    and all sub-commands.\n");
}

int COM_enable_sub(char** params, int n) {
  std::string text;
  Command* node = commandOfWords(params, n, text);
  if (node == nullptr) return 1;
  applyToComKey(node, enableSubstitution);
  return -n;
}

int COM_disable_sub(char** params, int n) {
  std::string text;
  Command* node = commandOfWords(params, n, text);
  if (node == nullptr) return 1;
  applyToComKey(node, disableSubstitution);
  return -n;
}

int COM_continue(char**, int) { return 0; }

// Output and shell.

namespace {

int openOutputFile(char** params, int n, const char* mode) {
  setOutputFile(nullptr);
  std::string path;
  if (n == 1) {
    path = params[0];
    setOutputFile(getFile("output file", mode, path));
    return -1;
  }
  if (getInteractive() == 1) {
    path.clear();
    setOutputFile(getFile("output file", mode, path));
    return 0;
  }
  Alert("COM_file", 0, 100302, "No file specified");
  return 1;
}

}  // namespace

int COM_file(char** params, int n) { return openOutputFile(params, n, "w"); }
int COM_file_append(char** params, int n) { return openOutputFile(params, n, "a"); }

int COM_file_off(char**, int) {
  setOutputFile(nullptr);
  return 0;
}

int COM_terminal_on(char**, int) {
  TerminalOutputOn();
  return 0;
}

int COM_terminal_off(char**, int) {
  TerminalOutputOff();
  return 0;
}

int COM_prompt(char**, int) {
  if (getBackground() != 0) QuitAndMoveInput("Prompt not acceptable in background job", 1);
  TerminalOutputOn();
  setInteractive(1);
  readFromTerminal();
}

int COM_reseterrors(char**, int) {
  resetError();
  return 0;
}

int COM_system(char** params, int n) {
  std::string command;
  for (int i = 0; i < n; ++i) {
    command += params[i];
    command += ' ';
  }
  System("%s", command.c_str());
  return -n;
}

int COM_showMemory(char**, int) {
  MemoryStatistics(0);
  return 0;
}

int COM_showMemoryDetail(char**, int) {
  MemoryStatistics(1);
  return 0;
}

int COM_showMemoryMore(char**, int) {
  MemoryStatistics(2);
  return 0;
}

int COM_show_Errors(char**, int) {
  showPreviousErrors();
  return 0;
}

int COM_showAliases(char**, int) {
  showAllAliases();
  return 0;
}

int COM_show_inpars(char**, int) {
  InternalParameter* first = FirstParameter();
  if (first == nullptr) return 1;
  PrintStdout("Parameters labelled with \"(*)\" are in default data base\n");
  printTable("Parameters", 0, INT_MAX, 1, 0, first, stdout);
  return 0;
}

void displayDefaults() {
  if (DefaultEntry* first = getFirstDefault()) printTable("Preferences", 0, 1000, 1, 0, first, stdout);
}

int COM_show_defaults(char**, int) {
  displayDefaults();
  return 0;
}

int COM_show_def_file(char**, int) {
  Print("%s\n", getDefaultFile());
  return 0;
}

int COM_save_prefs(char**, int) {
  savePreferences();
  return 0;
}

int COM_CPU(char**, int) {
  Print("CPU time used %10.2f seconds\n", CPUTime());
  return 0;
}

int COM_browse_types(char**, int) {
  displayDataTypes(getOutputFile());
  return 0;
}

int COM_set_background(char**, int) {
  setBackground(1);
  return 0;
}

int COM_set_no_progress_info(char**, int) {
  setProgressInfo(0);
  return 0;
}

// Table commands.

int COM_table_list(char**, int) {
  int count = 0;
  while (findTableN(count) != nullptr) ++count;
  printTable("Table_of_tables", 0, count, 1, 0, findTableN(0), nullptr);
  return 0;
}

int COM_table_header(char** params, int n) { return tableResult(setHeader(params[0], 1), n); }
int COM_table_noheader(char** params, int n) { return tableResult(setHeader(params[0], 0), n); }

int COM_table_info(char** params, int n) {
  Table* table = getTable(params[0]);
  if (table == nullptr) return 1;
  printTable("TableInfo", 0, static_cast<int>(table->columns.size()), 1, 0, table, nullptr);
  return -n;
}

int COM_table_suppress(char** params, int n) { return tableResult(setPrintPref(params[0], params[1], 0), n); }
int COM_table_restore(char** params, int n) { return tableResult(setPrintPref(params[0], params[1], 1), n); }
int COM_table_left(char** params, int n) { return tableResult(setAdjust(params[0], params[1], 'L'), n); }
int COM_table_right(char** params, int n) { return tableResult(setAdjust(params[0], params[1], 'R'), n); }

int COM_table_space(char** params, int n) {
  return tableResult(setSpace(params[0], params[1], intParameter(params, 2)), n);
}

int COM_quit(char**, int) {
  const int status = runEndStatus(0);
  if (getAutoLaunch() != 0) startAutoLaunch(status);
  printStatisticBeforeQuit();
  setOutputFile(nullptr);
  terminateProgram(status);
}

void resetIntCommands() { resetLanguageCommands(); }
