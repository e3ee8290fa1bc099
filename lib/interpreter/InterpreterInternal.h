// Shared by the files of the interpreter (Interpreter.cpp, InterpreterCommands.cpp,
// InterpreterExecution.cpp, InterpreterMacros.cpp); not part of its contract.
#pragma once

#include <string>

#include "interpreter/Interpreter.h"

inline constexpr char kInterpreterTab = '\t';
inline constexpr char kInterpreterBell = '\a';

// The value of an expression as text; 0 for a value and 1 for an error value (text then
// holds the error).
int evaluateExpressionText(const char* expression, std::string& text);
// 0 true, 1 false, -1 not a truth value.
int evaluateCondition(const char* text);

// The words in lower case.
std::string lowerCaseWord(const char* word);

// Parts of the interpreter's start state and reset.
void markCommandTreeStartState();
void resetCommandTree();
void resetExecution();
void resetMacros();

// The "continue" command returned for assignments (registered by the general commands).
Command* continueCommand();
