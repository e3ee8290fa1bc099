// The expression evaluator of the command language: exact integers of any size, exact
// rationals (decimal fractions are read exactly), texts and truth values, 18 binary
// operators, bracketed sub-expressions, variables and function calls.
//
// An expression being evaluated is a doubly linked list of MathObj records: term,
// operator, term, ... . evaluate_string splits the text into that list (evaluating
// brackets and function calls recursively), then reduces it one operator index at a time,
// from index 0 (binds tightest) to 17, each pass left to right. Records are recycled
// through a pool and never freed before resetEvaluator; every value handed out must go
// back with freeObj (or be held in a MathObjPtr). ERRORobj, the shared value of a syntax
// error, may be released harmlessly and is never changed.
//
// Variables are plain text looked up by name (local level first, then global);
// a function call name(a, b) runs the command "name {a} {b}" with its printed output
// captured as the value.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "numbers/LargeInteger.h"
#include "runtime/Allocation.h"

extern AllocationAccount Evaluator_alloc;

// Text held by a value, charged to the evaluator's account.
using EvaluatorText = std::basic_string<char, std::char_traits<char>, AccountAllocator<char>>;

// One value or one operator of an expression.
//   type 'i'  small integer in intValue (magnitude below 10000)
//        'l'  large integer in large
//        'r'  rational in rational (reduced only when printed)
//        's'  text in text (a number not yet converted, a name, a word, a function result)
//        'c'  truth value in intValue (1 true, 0 false)
//        'e'  error; text says what went wrong
//        'S'  operator; intValue is its index in the operator table
struct MathObj {
  MathObj* prev = nullptr;
  MathObj* next = nullptr;
  int intValue = 0;
  char type = 's';
  EvaluatorText text{AccountAllocator<char>(&Evaluator_alloc, "MathObj text")};
  lint large;
  lrat rational;
  bool inPool = false;  // released and waiting to be handed out again
};

// Number of binary operators, and their texts by index (precedence order).
inline constexpr int kOperatorCount = 18;
const char* evaluatorOperatorText(int index);
// Brackets and function calls nest at most this deep in one evaluation.
inline constexpr int kMaxEvaluationDepth = 256;

// Releases a value (and, through MathObjPtr, everything the caller forgot).
struct MathObjRelease {
  void operator()(MathObj* obj) const;
};
using MathObjPtr = std::unique_ptr<MathObj, MathObjRelease>;

// Makes the shared error value; the module is usable without it (it is made on first use).
void initEvaluator();
// The shared syntax-error value (type 'e', text "ERROR").
MathObj* getERRORobj();

// Records. allocMathObj gives a cleared record of type 's' with empty text.
MathObj* allocMathObj();
MathObj* makeStringObj(const char* text, std::size_t length);
MathObj* makeIntObj(int i);
MathObj* makeSeparatorObj(int index);
// Back into the pool (ERRORobj and null are ignored; a second release is reported).
void freeObj(MathObj* obj);
// obj and everything after it in its list.
void freestack(MathObj* obj);
// Releases an owned payload only: the value is cleared, the type kept.
void freeObjPointer(MathObj* obj);
void freeObjSpace(MathObj* obj);
// 1 (after Alert 212404 "Attempt to free twice") when obj is already in the pool.
int checkFreed(MathObj* obj);
// Puts obj in front of head; returns the new head.
MathObj* stack_up(MathObj* head, MathObj* obj);

// Evaluation. The text is not changed. Never null: ERRORobj on a syntax error.
MathObj* evaluate_string(const char* text);
// Evaluates and turns the value into text ('s', or 'e' for an error) without the quote
// characters '@' and the escapes '\'.
MathObj* evaluate_string_to_string(const char* text);
// 0 when the expression is true, 1 when false, -1 (after an alert) when it is no truth value.
int check_condition(const char* text);

// Conversions in place on one value; 0 on success, 1 when the value became an error.
int StringToInt(MathObj* obj);
int StringToRat(MathObj* obj);
int StringToDouble(MathObj* obj);
int MathObjToRat(MathObj* obj);
int LintToRat(MathObj* obj);
int IntToLint(MathObj* obj);
int MathObjToString(MathObj* obj);
int MathObjToError(MathObj* obj, const char* text);
int CopyStringToMathObj(MathObj* obj, const char* text);

// A text value whose first word names a variable takes the variable's text.
void subs_vars(MathObj* obj);

// Total length of a list of text values plus 5 per value (0 after an alert for any other type).
int getStringLen(const MathObj* list);
// Each value of a list on the printing channel, labelled from label on in steps of 1000.
void PrintMathObj(const MathObj* list, int label);
// Bytes held by all records ever made; with verbose >= 1 also an alert with their number.
long long showObjectsUsed(int verbose);

// Restores the state right after start-up: no records, an empty pool, no nesting.
void resetEvaluator();
