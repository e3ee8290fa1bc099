// The preferences data base: a list of name/value texts (newest entry first), read from
// the preferences file at start-up and written back on request. Parameters kept in the
// preferences file and the saved table layouts (names beginning with "Table:") live here.
//
// File format, one entry a line: "name" "value" (each in double quotes, one blank
// between). When reading, a name or value may also be a bare word; blank lines are
// skipped; a line without a complete name is reported and skipped; the rest of a line
// after the value is ignored. The file is written to a temporary file that is then
// renamed over the old one. A value holding a double quote cannot be written back and is
// refused. Entries are never removed; names compare exactly (case matters).
#pragma once

#include <string>

struct DefaultEntry {
  DefaultEntry* next = nullptr;
  std::string name;
  // The value; its address stays fixed for the run (string parameters point at it).
  std::string value;
  bool hasValue = false;
};

// A built-in name/value pair; lists end with a NULL name.
struct DefaultPair {
  const char* name;
  const char* value;
};

DefaultEntry* getDefaultPointer(const char* name);
DefaultEntry* findDefaultPointer(const char* name);
// Stores a copy of the value (a value holding a double quote is refused with an alert
// and the old value kept); returns the entry.
DefaultEntry* setDefault(const char* name, const char* value);
const char* changeDefault(DefaultEntry* entry, const char* value);
void setDefaults(const DefaultPair* pairs);
// The value text, NULL when never set (the entry is created).
const char* getDefaultValue(const char* name);
// The value, or "" when never set.
const char* getDefault(const char* name);

// Sets the built-in pairs, the file path (HOME/.Defaults/fileName, creating the folder),
// remembers convert for savePreferences and reads the file.
void registerDefaults(const char* fileName, const DefaultPair* pairs, void (*convert)());
void setDefaultFile(const char* fileName);
const char* getDefaultFile();
// Reads the preferences file; returns the number of entries read, -1 when it cannot be
// opened. A missing file is not reported (it is the normal first start); any other
// failure to open it is.
int readDefaultsFile(const char* path);
// Runs the conversion routine, the table-layout routine and writeDefaults.
void savePreferences();
// Rewrites the whole file from the list; 0 on success.
int writeDefaults();
void printDefaults();

// The table printer installs how layouts are saved into entries and applied from them.
void setTableDefaultRoutines(void (*saveLayouts)(), void (*applyLayout)(const char* name, const char* value));
// Applies every entry whose name begins with "Table:" through the table printer.
void getTableDefaults();

DefaultEntry* getFirstDefault();
DefaultEntry* nextDefault(const DefaultEntry* entry);
// Cells of the table "Preferences": the name and one blank; the value.
std::string getDefaultNameString(const DefaultEntry* entry);
std::string getDefaultValueString(const DefaultEntry* entry);

// Remembers the present entries as those right after start-up; resetDefaults restores
// their values and drops entries made later.
void markDefaultsStartState();
void resetDefaults();
