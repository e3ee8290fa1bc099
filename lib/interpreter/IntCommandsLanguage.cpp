// The general commands of the language itself: expressions, control flow, variables,
// macros, procedures and "load".
//
// Nested command lines run through executeCommandLine; a "break" in progress reaches the
// loop commands as the break result and is used up one level at a time. "load" is
// bounded in depth like procedure calls, so a file that loads itself ends with an alert.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/Evaluator.h"
#include "interpreter/IntCommands.h"
#include "interpreter/IntCommandsInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"

namespace {

constexpr int kMaxLoadDepth = 100;
constexpr const char* kSeparators = " {}=()*/+-;<>,|~&!";

struct LanguageState {
  int loadDepth = 0;
};

LanguageState& language() {
  static LanguageState s;
  return s;
}

// The value of an expression as text (quote characters and escapes removed); 0 for a
// value, 1 for an error value.
int evaluateToText(const char* expression, std::string& text) {
  MathObjPtr value(evaluate_string_to_string(expression));
  text.assign(value->text.c_str(), value->text.size());
  return value->type == 'e' ? 1 : 0;
}

// A copy of a value, so that its text can be taken without changing it.
MathObjPtr copyOf(const MathObj* value) {
  MathObjPtr copy(allocMathObj());
  copy->type = value->type;
  copy->intValue = value->intValue;
  copy->text = value->text;
  copy->large = value->large;
  copy->rational = value->rational;
  return copy;
}

void setLast(const std::string& text) { setAlias("$last", text.c_str(), getGlobalVariableList()); }

// Output that reaches the terminal (or the output file) even while a function call
// captures what is printed.
void printPastCapture(const char* text) {
  if (getReturnToBuffer() == 0) {
    Print("%s\n", text);
  } else if (FILE* file = getOutputFile()) {
    PrintToFile(file, "%s\n", text);
  } else {
    PrintStdout("%s\n", text);
  }
}

// Removes one entry of a list when it is there (no message otherwise).
bool removeIfDefined(const char* name, AliasList& list) {
  if (findAlias(name, list, 1) == nullptr) return false;
  unsetAlias(name, list);
  return true;
}

int freeOne(char** params, int n, AliasList& list) {
  if (n == 0) {
    freeVariables(list);
    return 0;
  }
  return unsetAlias(params[0], list) == 0 ? -1 : 0;
}

class TerminalOutputRestore {
 public:
  TerminalOutputRestore() : wasOn_(OutputStatus()) { TerminalOutputOff(); }
  ~TerminalOutputRestore() {
    if (wasOn_ != 0) TerminalOutputOn();
  }
  TerminalOutputRestore(const TerminalOutputRestore&) = delete;
  TerminalOutputRestore& operator=(const TerminalOutputRestore&) = delete;

 private:
  int wasOn_;
};

class LoadLevel {
 public:
  LoadLevel() { ++language().loadDepth; }
  ~LoadLevel() { --language().loadDepth; }
  LoadLevel(const LoadLevel&) = delete;
  LoadLevel& operator=(const LoadLevel&) = delete;
};

}  // namespace

// Expressions.

int COM_eval(char** params, int n) {
  if (getFunctionCallFlag() != 0) {
    if (getDebugLevel() >= 1) PrintStdout("In function; in: %s\n", params[0]);
    Print("%s\n", params[0]);
    if (getDebugLevel() >= 1) PrintStdout("In function; out: %s\n", params[0]);
    return -n;
  }
  if (getDebugLevel() >= 1) PrintStdout("Eval  in: %s\n", params[0]);
  std::string text;
  int error = evaluateToText(params[0], text);
  if (getDebugLevel() >= 1) PrintStdout("Eval out: %s\n", text.c_str());
  if (!text.empty()) Print("%s\n", text.c_str());
  setLast(text);
  return error != 0 ? 1 : -1;
}

int COM_float(char** params, int) {
  MathObjPtr value(evaluate_string(params[0]));
  MathObjPtr shown = copyOf(value.get());
  MathObjToString(shown.get());
  setLast(std::string(shown->text.c_str(), shown->text.size()));
  if (value->type == 'e' || MathObjToRat(value.get()) != 0) {
    Print("%s\n", value->text.c_str());
    return 1;
  }
  simplify_rat(&value->rational);
  // Beyond the double range the conversion would give the largest double as the value.
  if (value->rational.den.length == 0 || std::fabs(lratToLongDouble(&value->rational)) > DBL_MAX) {
    Print("Overflow\n");
  } else {
    Print("%30.15f\n", lratToDouble(&value->rational));
  }
  return -1;
}

int COM_print(char** params, int) {
  if (getDebugLevel() >= 1) PrintStdout("Print in: %s\n", params[0]);
  std::string text;
  int error = evaluateToText(params[0], text);
  printPastCapture(text.c_str());
  return error != 0 ? 1 : -1;
}

int COM_exec(char** params, int) {
  if (getDebugLevel() >= 1) PrintStdout("Exec  in: %s\n", params[0]);
  std::string text;
  int error = evaluateToText(params[0], text);
  setLast(text);
  if (error != 0) Print("ERROR\n");
  return error != 0 ? 1 : -1;
}

int COM_return(char** params, int) {
  if (getDebugLevel() >= 1) PrintStdout("return in: %s\n", params[0]);
  std::string text;
  int error = evaluateToText(params[0], text);
  if (getDebugLevel() >= 1) PrintStdout("return out: %s\n", text.c_str());
  if (getReturnToBuffer() > 0) Print("%s\n", text.c_str());
  return error != 0 ? 1 : -1;
}

int COM_global(char** params, int n) {
  const char* equals = std::strchr(params[0], '=');
  if (equals == nullptr) {
    Alert("COM_global", 0, 100302, "Right hand side of \"Global\" must be an assignment");
    return 1;
  }
  std::string name(params[0], static_cast<std::size_t>(equals - params[0]));
  name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
  std::string value;
  evaluateToText(equals + 1, value);
  setAlias(name.c_str(), value.c_str(), getGlobalVariableList());
  return -n;
}

// Control flow.

int COM_if(char** params, int n) {
  int condition = checkConditionalExpression(params[0]);
  int result = 0;
  if (condition == 0) {
    result = executeCommandLine(params[1]);
  } else if (n == 3) {
    result = executeCommandLine(params[2]);
  }
  return result != 0 ? result : -n;
}

int COM_for(char** params, int n) {
  int result = executeCommandLine(params[0]);
  if (result > 0) return lowerBreakParameter(result, n);
  for (;;) {
    obeyInterruptRequest();  // Ctrl-C ends an endless loop of the user's
    if (checkConditionalExpression(params[1]) != 0) return -n;
    result = executeCommandLine(params[3]);
    if (result > 0) break;
    result = executeCommandLine(params[2]);
    if (result > 0) break;
  }
  return lowerBreakParameter(result, n);
}

int COM_while(char** params, int n) {
  for (;;) {
    obeyInterruptRequest();
    if (checkConditionalExpression(params[0]) != 0) return -n;
    int result = executeCommandLine(params[1]);
    if (result != 0) return lowerBreakParameter(result, n);
  }
}

int COM_repeat(char** params, int n) {
  int count = intParameter(params, 0);
  for (int i = 0; i < count; ++i) {
    obeyInterruptRequest();
    int result = executeCommandLine(params[1]);
    if (result != 0) return lowerBreakParameter(result, n);
  }
  return -n;
}

int COM_verify(char** params, int) {
  TerminalOutputRestore quiet;
  executeCommandLine(params[0]);
  return -1;
}

// Procedures.

bool processFunctionHeader(const std::string& header, std::string& name, std::vector<std::string>& parameters,
                           std::string& description) {
  parameters.clear();
  description.clear();
  std::size_t open = header.find('(');
  name = header.substr(0, open);
  if (open == std::string::npos) return true;
  std::size_t close = header.find(')', open);
  if (close == std::string::npos) {
    Alert("processFunctionHeader", 0, 100302, "Brackets not closed");
    return false;
  }
  bool optional = false;
  std::string current;
  auto finish = [&]() {
    std::string word = current;
    word.erase(std::remove(word.begin(), word.end(), ' '), word.end());
    if (!word.empty()) {
      parameters.push_back(word);
      description += optional ? "(" + word + ")" : "[" + word + "]";
    }
    current.clear();
  };
  for (std::size_t i = open + 1; i < close; ++i) {
    char c = header[i];
    if (c == ',' || c == '|') {
      finish();
      if (c == '|') optional = true;
    } else {
      current += c;
    }
  }
  finish();
  return true;
}

std::string replaceVarsbyDummies(const std::string& body, const std::vector<std::string>& parameters) {
  std::string out;
  std::size_t at = 0;
  while (at < body.size()) {
    if (std::strchr(kSeparators, body[at]) != nullptr) {
      out += body[at++];
      continue;
    }
    std::size_t end = at;
    while (end < body.size() && std::strchr(kSeparators, body[end]) == nullptr) ++end;
    std::string word = body.substr(at, end - at);
    std::size_t position = 0;
    while (position < parameters.size() && parameters[position] != word) ++position;
    out += position < parameters.size() ? formatText("%%%zu", position) : word;
    at = end;
  }
  return out;
}

int COM_proc(char** params, int n) {
  std::string name;
  std::vector<std::string> parameters;
  std::string description;
  if (!processFunctionHeader(params[0], name, parameters, description)) return 1;
  name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
  for (char& c : name) c = lower(c);
  if (name.empty()) {
    Alert("COM_proc", 2, 100302, "Procedure name missing");
    return 1;
  }
  Command* existing = matchComKey(name.c_str());
  if (existing != nullptr && existing->handler != nullptr && existing->status != 2) {
    Alert("COM_proc", 0, 100302, "Command %s is already in use", name.c_str());
    return 1;
  }
  if (bracketcnt(description.c_str(), '[', ']') != 0 || bracketcnt(description.c_str(), '(', ')') != 0) {
    Alert("COM_proc", 1, 100302, "Bracket mismatch in parameter field: %s", description.c_str());
    return 1;
  }
  Command* node = initCommand(name.c_str(), description.c_str(), execute_procedure_exact, "");
  if (node == nullptr) return 1;
  node->exact = 1;
  node->mode = getDefaultMode();
  setAlias(name.c_str(), replaceVarsbyDummies(params[1], parameters).c_str(), getProcedureList());
  return -n;
}

int COM_load(char** params, int n) {
  if (language().loadDepth >= kMaxLoadDepth) {
    Alert("COM_load", 0, 100302, "Files loaded more than %d levels deep; %s not loaded", kMaxLoadDepth, params[0]);
    return 1;
  }
  LoadLevel level;
  int interactive = getInteractive();
  executeLoadedCommandFile(params[0], 1);
  setInteractive(interactive);
  return -n;
}

// Variables and macros.

int COM_free_macro(char** params, int n) { return freeOne(params, n, getMacroList()); }

int COM_free_proc(char** params, int n) {
  AliasList& procedures = getProcedureList();
  if (n == 0) {
    removeAllCommands(procedures);
    freeVariables(procedures);
    return 0;
  }
  if (unsetAlias(params[0], procedures) != 0) return 0;
  removeCommand(params[0]);
  return -1;
}

int COM_free_glob(char** params, int n) { return freeOne(params, n, getGlobalVariableList()); }
int COM_free_loc(char** params, int n) { return freeOne(params, n, getLocalVariableList(0)); }

int COM_free_var(char** params, int n) {
  if (n == 0) {
    freeVariables(getGlobalVariableList());
    freeVariables(getLocalVariableList(0));
    return 0;
  }
  bool global = removeIfDefined(params[0], getGlobalVariableList());
  bool local = removeIfDefined(params[0], getLocalVariableList(0));
  if (!global && !local) {
    Alert("COM_free_var", 0, 100301, "Variable %s not found", params[0]);
    return 1;
  }
  return -1;
}

int COM_free_all(char** params, int) {
  COM_free_macro(params, 0);
  COM_free_proc(params, 0);
  COM_free_glob(params, 0);
  COM_free_loc(params, 0);
  return 0;
}

int COM_alias(char** params, int) {
  if (checkNewAlias(params[0], params[1]) != 0) {
    Alert("COM_alias", 0, 100301, "Definition yields infinite recursion");
    return 1;
  }
  setAlias(params[0], params[1], getMacroList());
  return -2;
}

int COM_unalias(char** params, int) {
  unsetAlias(params[0], getMacroList());
  return -1;
}

void HLP_undefine() {
  Print("    To avoid macro substitution within a macro (un)definition,\n");
  Print("    use curly brackets around the argument of \"undefine\".\n");
}

// What a user of "evaluate" and "print" must know before the first surprise: the evaluator
// has exactly these operators, and a text is one word whose operator characters are
// read as operators unless quoted.
void HLP_evaluate() {
  Print("    Values are exact: integers of any size, fractions (7/2) and decimal\n");
  Print("    fractions (0.1*3 is 3/10; no exponent notation). The operators, the\n");
  Print("    tightest first, each applied from left to right before the next:\n");
  Print("      /  *  -  +             arithmetic (3*-2 is -6)\n");
  Print("      ==  !=  >  <  >=  <=   numeric comparison, TRUE or FALSE\n");
  Print("      <~  =~  >~             text comparison (byte order)\n");
  Print("      &&  ||                 and, or (of TRUE and FALSE only)\n");
  Print("      |                      text concatenation\n");
  Print("      =  ~                   assignment (= trims blanks, ~ keeps them)\n");
  Print("    Round brackets group; name(a,b) runs the command name with these\n");
  Print("    parameters and takes what it prints as its value. There is no other\n");
  Print("    operator and no power: a word that is neither a number nor a variable\n");
  Print("    stands for itself, so `evaluate 2^100' prints 2^100.\n");
  Print("    A text of several words goes in braces; a text holding operator\n");
  Print("    characters (* / + - ! = > < & | ~) goes in double quotes:\n");
  Print("    evaluate {\"a b\"|c} prints a bc.\n");
}

void HLP_print() {
  Print("    The text is one word, evaluated as an expression (see `help evaluate'),\n");
  Print("    and its value is printed; a word that is neither a number nor a variable\n");
  Print("    prints as it stands. A text of several words goes in braces:\n");
  Print("    print {hello world} (in print hello world the word world runs as the\n");
  Print("    next command). Operator characters (* / + - ! = > < & | ~) act as\n");
  Print("    operators unless the text holding them is in double quotes, inside the\n");
  Print("    braces when it has blanks: print {\"=== MIPF 0\"}, print \"----\".\n");
  Print("    Unquoted, print {=== MIPF 0} is a syntax error, which ends a background\n");
  Print("    (-b) run, and print {a-b} prints Not a number. %% starts a comment, also\n");
  Print("    inside braces.\n");
}

int COM_extract(char** params, int n) {
  std::optional<std::string> number = getNumber(params[1], intParameter(params, 0) - 1);
  Print("%s\n", number.has_value() ? number->c_str() : "---");
  return -n;
}

void resetLanguageCommands() { language() = LanguageState(); }
