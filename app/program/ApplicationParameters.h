// The application's settings: every internal parameter of the application with its type,
// default, help text, whether it is kept in the preferences file, and the post-command
// hook of its "set" command or its change action. The folders named by the directory
// settings are read through runtime/Directories.h.
//
// The parameters are defined once during start-up, in a fixed order, after the
// preferences file has been read; each subsystem binds the ones it reads in its own
// initialiser. Values change only through the "set" commands (and the parameter module).
#pragma once

#include <string>

// Defines every application parameter with its "set" and "show" commands, in order.
void defineApplicationParameters();
