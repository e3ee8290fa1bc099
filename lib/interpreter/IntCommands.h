// The general commands of the command language: control flow, expressions, variables,
// macros and procedures, output redirection, the setting commands of every internal
// parameter, status displays, table layout commands, the shell escape and quitting. They
// are registered once, with the six general argument types, the browsing tables
// "DataTypes", "Parameters" and "Preferences" and the general internal parameters, by
// initializeGeneralCommands.
//
// Handlers follow the interpreter's convention (Interpreter.h): they return
// -(parameters consumed) on success and a positive code on failure. The batch-job queue
// behind "autolaunch" and "quit" is the module BatchQueue.
#pragma once

#include <string>

#include "interpreter/Interpreter.h"
#include "runtime/BatchQueue.h"  // the input file, "autolaunch" and the ways of ending a run

struct InternalParameter;

// Once: default mode, argument types, tables, pools, commands, parameters, then
// initializeInterpreter and initializeError.
void initializeGeneralCommands();

// Creates the parameter and its commands "set <name>" and "show <name>" (lower case).
// type: "switch", the name of an integer data type ("int", "pos_int", "non_neg_int",
// "dim", ...), or NULL for a text parameter.
InternalParameter* addParameter(const char* name, const char* defaultValue, const char* type,
                                const char* description, int inDefaults);

// The general argument conversions.
ConversionResult CONV_ExpressionToInt(const char* token, int position);
ConversionResult CONV_ExpressionToNat(const char* token, int position);
ConversionResult CONV_ExpressionToNat0(const char* token, int position);
ConversionResult CONV_ExpressionToSign(const char* token, int position);
ConversionResult CONV_Switch(const char* token, int position);

// Services.
// Prints the text with every "$" and "@" removed, and a line feed.
void printHelp(const char* text);
// The value shown by "show <parameter>".
std::string display_inpar(const InternalParameter* parameter);
// The table "Preferences" on standard output.
void displayDefaults();

// Handlers.
int COM_verify(char** params, int n);
int COM_repeat(char** params, int n);
int COM_help(char** params, int n);
int COM_enable_sub(char** params, int n);
int COM_disable_sub(char** params, int n);
int COM_continue(char** params, int n);
int COM_free_macro(char** params, int n);
int COM_free_proc(char** params, int n);
int COM_free_glob(char** params, int n);
int COM_free_loc(char** params, int n);
int COM_free_var(char** params, int n);
int COM_free_all(char** params, int n);
// "quit": in the batch-job queue the next job; else statistics, output file closed, exit
// status 0.
int COM_quit(char** params, int n);
int COM_file(char** params, int n);
int COM_file_append(char** params, int n);
int COM_file_off(char** params, int n);
int COM_terminal_on(char** params, int n);
int COM_terminal_off(char** params, int n);
int COM_prompt(char** params, int n);
int COM_reseterrors(char** params, int n);
int COM_system(char** params, int n);
int COM_showMemory(char** params, int n);
int COM_showMemoryDetail(char** params, int n);
int COM_showMemoryMore(char** params, int n);
int COM_show_Errors(char** params, int n);
int COM_showAliases(char** params, int n);
int COM_show_inpars(char** params, int n);
int COM_show_defaults(char** params, int n);
int COM_show_def_file(char** params, int n);
int COM_save_prefs(char** params, int n);
int COM_global(char** params, int n);
int COM_if(char** params, int n);
int COM_for(char** params, int n);
int COM_while(char** params, int n);
int COM_proc(char** params, int n);
int COM_eval(char** params, int n);
int COM_float(char** params, int n);
int COM_print(char** params, int n);
int COM_exec(char** params, int n);
int COM_return(char** params, int n);
int COM_load(char** params, int n);
int COM_alias(char** params, int n);
int COM_extract(char** params, int n);
int COM_unalias(char** params, int n);
int COM_table_list(char** params, int n);
int COM_table_header(char** params, int n);
int COM_table_noheader(char** params, int n);
int COM_table_info(char** params, int n);
int COM_table_suppress(char** params, int n);
int COM_table_restore(char** params, int n);
int COM_table_left(char** params, int n);
int COM_table_right(char** params, int n);
int COM_table_space(char** params, int n);
int COM_CPU(char** params, int n);
int COM_browse_types(char** params, int n);
int COM_set_background(char** params, int n);
int COM_set_no_progress_info(char** params, int n);
int COM_set_switch(char** params, int n);
int COM_set_value(char** params, int n);
int COM_set_string(char** params, int n);
int COM_show_inpar(char** params, int n);
void HLP_enable_sub();
void HLP_undefine();
void HLP_evaluate();
void HLP_print();

// Procedure headers: "name(x,y|z)" gives the name "name", the parameters x, y, z and the
// description "[x][y](z)". Returns false after "Brackets not closed".
bool processFunctionHeader(const std::string& header, std::string& name, std::vector<std::string>& parameters,
                           std::string& description);
// The body with every word that names a parameter replaced by "%<position>".
std::string replaceVarsbyDummies(const std::string& body, const std::vector<std::string>& parameters);

void resetIntCommands();
