// The application's settings: every internal parameter of the application with its type,
// default, help text, whether it is kept in the preferences file, and the post-command
// hook of its "set" command or its change action; and the directory getters built on the
// directory settings.
//
// The parameters are defined once during start-up, in a fixed order, after the
// preferences file has been read; each subsystem binds the ones it reads in its own
// initialiser. Values change only through the "set" commands (and the parameter module).
#pragma once

#include <string>

// Defines every application parameter with its "set" and "show" commands, in order.
void defineApplicationParameters();

// Directory names ending in "/"; the value "HOME" stands for the home folder. The output,
// work, model and done folders are created with all missing parents when absent.
std::string getOutputDir();
std::string getWorkDir();
std::string getModelDir();
std::string getQUVR_Dir();
std::string getDoneDir();
