// The table printer: named layouts through which lists of items are printed as aligned
// text tables.
//
// A Table is an ordered list of Columns. A column has a header with optional shorter
// alternatives ("Blank space|Space|Sp."), a description, a width allowance, a shown flag,
// blank spacing, left or right adjustment, a cell getter and an optional initialiser that
// says whether the column applies to a print. Printing builds every cell first, so each
// column is exactly as wide as its widest cell (plus one); the header then takes the
// longest of its alternatives that fits, or widens the column to the shortest.
//
// Layout choices (shown, header, adjustment, spacing) are saved as preferences entries
// "Table:<name>:PrintPrefs", ":Header", ":Adjustments" and ":Spacings" and applied back
// at start-up. Tables and columns live for the run (records in deques, so the addresses
// handed out stay valid); the cells of the last print are kept for reprinting.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Allocation.h"

extern AllocationAccount TableAllocation;

// Writes the cell text of row `row` for `item` into cell (empty on entry); false drops the
// whole row. A column whose itemIsDescription is set receives a pointer to its description
// (a const std::string) as item.
using ColumnGetter = bool (*)(std::string& cell, const void* item, int row);
// 1 when the column applies to this print (having prepared what its cells need), else 0.
using ColumnInit = int (*)(const void* item);
// The item of the next row, or NULL to end the table.
using TableIncrement = const void* (*)(const void* item);
// 0 leaves the row out (the item is not advanced).
using TableSkip = int (*)(const void* item, int row);

struct Column {
  std::string name;
  std::string description;
  std::vector<std::string> altHeaders;
  int show = 1;
  int active = 0;
  int width = 0;
  int printWidth = 0;
  int space = 1;
  int itemIsDescription = 0;
  char adjust = 'L';
  ColumnGetter getter = nullptr;
  ColumnInit init = nullptr;
};

struct Table {
  std::string name;
  AccountVector<Column*> columns{AccountAllocator<Column*>(&TableAllocation, "Table data (columns)")};
  TableIncrement next = nullptr;
  TableSkip skip = nullptr;
  int header = 1;
};

// A cell holds at most this many characters (longer text is cut).
inline constexpr std::size_t kMaxCellLength = 999;

// Definition.
Table* initTable(const char* name);
// nameSpec is the header followed by "|"-separated alternatives.
Column* makeColumn(const char* nameSpec, const char* description, int width, ColumnGetter getter,
                   ColumnInit init);
void addColumn(const char* table, Column* column);
void addIncrem(const char* table, TableIncrement next);
void addItemSkip(const char* table, TableSkip skip);

// Look-up.
Table* findTable(const char* name);
// Exact name, else the one table whose name begins with the text (case ignored).
Table* getTable(const char* name);
Table* findTableN(int n);
Column* findColumn(Table* table, const char* name);

// Layout. The setters return -1 on success and 1 when the table or column is unknown.
int setHeader(const char* table, int flag);
int getHeader(const char* table);
int setPrintPref(const char* table, const char* column, int flag);
int getPrintPref(const char* table, const char* column);
int setAdjust(const char* table, const char* column, char adjust);
int setSpace(const char* table, const char* column, int space);
// Sets show for every column whose header begins with prefix; the number changed, or 1
// when the table is unknown.
int setPrintPrefs(const char* table, const char* prefix, int flag);

// Printing. Rows from..to-1; mode 0 chooses the active columns afresh, any other mode
// reuses the last choice and widths, mode 2 in printTable reprints the last table. A NULL
// stream prints through Print.
void printTable(const char* table, int from, int to, int header, int mode, const void* item, FILE* stream);
// The same output as text.
std::string sprintTable(const char* table, int from, int to, int header, int mode, const void* item);
// Builds the cells; false (after an alert) when the table is unknown.
bool makeTable(const char* table, int from, int to, int* header, int mode, const void* item);
int computeMaxLine(const Table* table);

// Preferences.
void setTableDefaults(const Table* table);
void TableDefaults();
void getTableDefault(const char* key, const char* value);

// The tables that describe tables.
void TableTable();
void TableInfo();
const void* nextTable(const void* item);

// Remembers the tables of right after start-up; resetTables returns to them.
void markTablesStartState();
// Installs the cell getter and the initialiser (NULL: the column always applies) of the
// column with this exact main header. 0 on success, 1 (after the printer's alert) when
// the table or column is unknown.
int setColumnRoutines(const char* table, const char* header, ColumnGetter getter, ColumnInit init);

// Cell of a user-defined column for one field: every '#' of the template becomes the field
// number, the result is evaluated, and its text (at most 80 characters, line feeds as
// blanks) is the cell.
std::string getExtraColumnText(const char* templateText, int field);
// The same written at out, which must hold 81 characters; returns the end of the text.
char* getExtraColumn(char* out, const char* templateText, int field);

void resetTables();
