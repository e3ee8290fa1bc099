// Internal parameters: named settings of type 'i' (integer), 't' (switch, 1 ON / 0 OFF)
// or 's' (string) that modules look up once by name and then read live through a
// pointer. A parameter may be backed by an entry of the preferences data base
// (Defaults.h); string parameters always are, and their value is that entry's text.
//
// Records live for the run in a list, newest first; the addresses handed out (records,
// int values, string values) stay valid for the whole run.
#pragma once

#include <string>

struct DefaultEntry;

struct InternalParameter {
  InternalParameter* next = nullptr;
  std::string name;
  char type = 0;  // 'i', 't' or 's'; 0 while only looked up
  DefaultEntry* pref = nullptr;
  // Called after every change of the value.
  void (*onChange)() = nullptr;
  int value = 0;
  int inDefaultsFile = 0;
  // The values an 'i' parameter accepts; set_value refuses others, and a preferences
  // entry outside them is not taken.
  int minimum = -2147483647 - 1;
  int maximum = 2147483647;
};

// Finds or creates the parameter; with inDefaultsFile 1 it is linked to the preferences
// entry of that name (created with defaultText when missing: a text read from the file
// stays). The value is set from defaultText by type.
InternalParameter* addInternalParameter(const char* name, const char* defaultText, char type,
                                        int inDefaultsFile);
// The record, created empty when missing.
InternalParameter* getInternalParameter(const char* name);
InternalParameter* findInternalParameter(const char* name);
// The live int value of an 'i' or 't' parameter; "Parameter %s not found" and NULL otherwise.
int* getIntParPointer(const char* name);
// The live text of an 's' parameter (its address stays valid); NULL when unknown.
const std::string* getStringParPointer(const char* name);
// The int a parameter pointer designates, 0 for NULL.
int getValue(const int* pointer);
// Copies the texts of the preferences entries into the int values. A text that is no
// accepted value (out of the parameter's range, not a number, a switch neither ON nor
// OFF) is reported once and replaced, in the entry too, by the built-in value.
void getIntParDefaults();
void setIntPar(const char* name, int value);
void set_switch(InternalParameter* parameter, int value);
// Refuses a value outside the parameter's range with an alert (nothing changes) and
// returns 1; else sets it and returns 0.
int set_value(InternalParameter* parameter, int value);
void setParameterRange(const char* name, int minimum, int maximum);
void addDefaultAction(const char* name, void (*routine)());

std::string getParameterNameString(const InternalParameter* parameter);
std::string getParameterValueString(const InternalParameter* parameter);
std::string getParameterDefaultString(const InternalParameter* parameter);
InternalParameter* FirstParameter();
InternalParameter* nextParameter(const InternalParameter* parameter);

// Remembers the present parameters as those right after start-up; resetParameters
// restores their values and change routines and drops parameters made later.
void markParametersStartState();
void resetParameters();
