// The table printer. Tables and columns are kept in deques charged to the account
// "Tables"; the list of tables runs newest first (the deque read backwards). The cells of
// the last print (one text per active column and row) and its active columns are kept so
// that a later print can reuse the widths (mode 1) or reprint the whole table (mode 2).
#include "interpreter/Tables.h"

#include <algorithm>
#include <deque>

#include "interpreter/Evaluator.h"
#include "runtime/Allocation.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

AllocationAccount TableAllocation("Tables");

namespace {

// Width of a user-defined column's cell.
constexpr std::size_t kUserCellWidth = 80;

constexpr std::size_t kMaxActiveColumns = 100;
constexpr int kMaxLineLength = 1000;

struct TableSnapshot {
  AccountVector<Column*> columns;
  TableIncrement next;
  TableSkip skip;
  int header;
};

struct TablesState {
  std::deque<Table, AccountAllocator<Table>> tables{AccountAllocator<Table>(&TableAllocation, "Table data pointer")};
  std::deque<Column, AccountAllocator<Column>> columns{
      AccountAllocator<Column>(&TableAllocation, "Column data pointer")};
  // The last print.
  std::vector<Column*> active;
  std::vector<std::vector<std::string>> rows;
  // The state right after start-up.
  std::vector<TableSnapshot> startTables;
  std::vector<Column> startColumns;
};

TablesState& state() {
  static TablesState s;
  return s;
}

// Exact name, else the one table whose name begins with the text; no alert.
Table* lookUpTable(const char* name, int* candidates) {
  TablesState& s = state();
  *candidates = 0;
  if (Table* exact = findTable(name)) {
    *candidates = 1;
    return exact;
  }
  Table* found = nullptr;
  for (auto it = s.tables.rbegin(); it != s.tables.rend(); ++it) {
    if (cmpcom(it->name.c_str(), name) == 0) {
      found = &*it;
      ++*candidates;
    }
  }
  return *candidates == 1 ? found : nullptr;
}

Column* findColumnByName(const char* table, const char* column) {
  Table* t = getTable(table);
  if (t == nullptr) return nullptr;
  return findColumn(t, column);
}

// Chooses the columns of a print and resets their widths.
void initColumns(Table* table, const void* item) {
  TablesState& s = state();
  s.active.clear();
  for (Column* column : table->columns) {
    column->active = 0;
    if (column->show == 0) continue;
    if (column->init != nullptr && column->init(item) == 0) continue;
    if (s.active.size() >= kMaxActiveColumns) continue;
    column->active = 1;
    column->printWidth = 0;
    s.active.push_back(column);
  }
}

void appendColumnText(std::string& out, const Column* column, std::size_t index, const std::string& text) {
  int length = static_cast<int>(text.size());
  int fill = std::max(0, column->printWidth - length);
  if (column->adjust == 'R') {
    out.append(static_cast<std::size_t>(fill), ' ');
    out += text;
    out.append(static_cast<std::size_t>(std::max(0, column->space)), ' ');
  } else {
    if (index > 0) out.append(static_cast<std::size_t>(std::max(0, column->space)), ' ');
    out += text;
    out.append(static_cast<std::size_t>(fill), ' ');
  }
}

// The header of a column: the main name when it fits, else the first alternative that
// fits, else the last alternative with the column widened to it.
std::string chooseHeader(Column* column) {
  auto fits = [column](const std::string& text) { return static_cast<int>(text.size()) + 1 < column->printWidth; };
  if (fits(column->name)) return column->name;
  for (const std::string& alternative : column->altHeaders) {
    if (fits(alternative)) return alternative;
  }
  const std::string& last = column->altHeaders.empty() ? column->name : column->altHeaders.back();
  column->printWidth = static_cast<int>(last.size()) + 1;
  return last;
}

std::string renderLastTable(int header) {
  TablesState& s = state();
  std::string out;
  if (header == 1) {
    for (std::size_t i = 0; i < s.active.size(); ++i) appendColumnText(out, s.active[i], i, chooseHeader(s.active[i]));
    out += '\n';
  }
  for (const std::vector<std::string>& row : s.rows) {
    for (std::size_t i = 0; i < row.size() && i < s.active.size(); ++i) appendColumnText(out, s.active[i], i, row[i]);
    out += '\n';
  }
  return out;
}

std::string render(const char* table, int from, int to, int header, int mode, const void* item, bool* ok) {
  *ok = true;
  if (mode != 2) {
    if (!makeTable(table, from, to, &header, mode, item)) {
      *ok = false;
      return std::string();
    }
  } else if (Table* t = findTable(table); t != nullptr && t->header == 0) {
    header = 0;
  }
  return renderLastTable(header);
}

// Cell getters of "Table_of_tables" and "TableInfo".
bool tableNameCell(std::string& cell, const void* item, int) {
  cell = static_cast<const Table*>(item)->name;
  return true;
}
bool tableColumnCountCell(std::string& cell, const void* item, int) {
  cell = numstr(static_cast<int>(static_cast<const Table*>(item)->columns.size()));
  return true;
}
bool tableHeaderCell(std::string& cell, const void* item, int) {
  cell = static_cast<const Table*>(item)->header != 0 ? "Yes" : "No";
  return true;
}

const Column* columnOfRow(const void* item, int row) {
  const Table* table = static_cast<const Table*>(item);
  if (row < 0 || static_cast<std::size_t>(row) >= table->columns.size()) return nullptr;
  return table->columns[static_cast<std::size_t>(row)];
}
bool columnHeaderCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) cell = column->name;
  return true;
}
bool columnAbbreviationsCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) {
    for (std::size_t i = 0; i < column->altHeaders.size(); ++i) {
      if (i > 0) cell += ',';
      cell += column->altHeaders[i];
    }
  }
  return true;
}
bool columnDescriptionCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) cell = column->description;
  return true;
}
bool columnEnabledCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) cell = column->show != 0 ? "Yes" : "No";
  return true;
}
bool columnSpaceCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) cell = numstr(column->space);
  return true;
}
bool columnPositionCell(std::string& cell, const void* item, int row) {
  if (const Column* column = columnOfRow(item, row)) cell = std::string(1, column->adjust);
  return true;
}

}  // namespace

Table* initTable(const char* name) {
  if (Table* existing = findTable(name)) {
    Alert("initTable", 0, 212304, "Attempt to re-initialize table %s", name);
    return existing;
  }
  TablesState& s = state();
  s.tables.push_back(Table{});
  Table* table = &s.tables.back();
  table->name = name;
  table->columns.reserve(20);
  return table;
}

Column* makeColumn(const char* nameSpec, const char* description, int width, ColumnGetter getter, ColumnInit init) {
  TablesState& s = state();
  s.columns.push_back(Column{});
  Column* column = &s.columns.back();
  std::string headers(nameSpec != nullptr ? nameSpec : "");
  std::size_t bar = headers.find('|');
  column->name = headers.substr(0, bar);
  while (bar != std::string::npos) {
    std::size_t next = headers.find('|', bar + 1);
    column->altHeaders.push_back(headers.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1));
    bar = next;
  }
  column->description = description != nullptr ? description : "";
  column->width = width;
  column->getter = getter;
  column->init = init;
  return column;
}

void addColumn(const char* table, Column* column) {
  Table* t = findTable(table);
  if (t == nullptr) {
    Alert("addColumn", 0, 112415, "Table %s not found", table);
    return;
  }
  t->columns.push_back(column);
}

void addIncrem(const char* table, TableIncrement next) {
  Table* t = findTable(table);
  if (t == nullptr) {
    Alert("addIncrem", 0, 112415, "Table %s not found", table);
    return;
  }
  t->next = next;
}

void addItemSkip(const char* table, TableSkip skip) {
  Table* t = findTable(table);
  if (t == nullptr) {
    Alert("addItemSkip", 0, 112415, "Table %s not found", table);
    return;
  }
  t->skip = skip;
}

Table* findTable(const char* name) {
  TablesState& s = state();
  for (auto it = s.tables.rbegin(); it != s.tables.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

Table* getTable(const char* name) {
  int candidates = 0;
  Table* table = lookUpTable(name, &candidates);
  if (table != nullptr) return table;
  if (candidates > 1) {
    Alert("getTable", 0, 100302, "Table name %s ambiguous", name);
  } else {
    Alert("getTable", 1, 100302, "Table %s not found", name);
  }
  return nullptr;
}

Table* findTableN(int n) {
  TablesState& s = state();
  if (n < 0 || static_cast<std::size_t>(n) >= s.tables.size()) return nullptr;
  return &s.tables[s.tables.size() - 1 - static_cast<std::size_t>(n)];
}

const void* nextTable(const void* item) {
  TablesState& s = state();
  for (std::size_t i = s.tables.size(); i-- > 1;) {
    if (&s.tables[i] == item) return &s.tables[i - 1];
  }
  return nullptr;
}

Column* findColumn(Table* table, const char* name) {
  Column* found = nullptr;
  int candidates = 0;
  for (Column* column : table->columns) {
    if (column->name == name) return column;
  }
  for (Column* column : table->columns) {
    if (cmpcom(column->name.c_str(), name) == 0) {
      found = column;
      ++candidates;
    }
  }
  if (candidates == 1) return found;
  if (candidates > 1) {
    Alert("findColumn", 0, 100302, "Column name %s ambiguous", name);
  } else {
    Alert("findColumn", 1, 100302, "Column %s not found", name);
  }
  return nullptr;
}

int setHeader(const char* table, int flag) {
  Table* t = getTable(table);
  if (t == nullptr) return 1;
  t->header = flag;
  return 0;
}

int getHeader(const char* table) {
  Table* t = findTable(table);
  return t == nullptr ? -1 : t->header;
}

int setPrintPref(const char* table, const char* column, int flag) {
  Column* c = findColumnByName(table, column);
  if (c == nullptr) return 1;
  c->show = flag;
  return -1;
}

int getPrintPref(const char* table, const char* column) {
  Column* c = findColumnByName(table, column);
  return c == nullptr ? 1 : c->show;
}

int setAdjust(const char* table, const char* column, char adjust) {
  Column* c = findColumnByName(table, column);
  if (c == nullptr) return 1;
  c->adjust = adjust;
  return -1;
}

int setSpace(const char* table, const char* column, int space) {
  // The preferences keep one digit per column.
  if (space < 0 || space > 9) {
    Alert("setSpace", 0, 100202, "Blank space %d refused: it must lie between 0 and 9", space);
    return 1;
  }
  Column* c = findColumnByName(table, column);
  if (c == nullptr) return 1;
  c->space = space;
  return -1;
}

int setPrintPrefs(const char* table, const char* prefix, int flag) {
  Table* t = getTable(table);
  if (t == nullptr) return 1;
  int changed = 0;
  for (Column* column : t->columns) {
    if (cmpcom(column->name.c_str(), prefix) == 0) {
      column->show = flag;
      ++changed;
    }
  }
  return changed;
}

bool makeTable(const char* table, int from, int to, int* header, int mode, const void* item) {
  TablesState& s = state();
  Table* t = findTable(table);
  if (t == nullptr) {
    Alert("makeTable", 0, 212302, "Table %s not found", table);
    return false;
  }
  if (t->header == 0) *header = 0;
  if (mode == 0) initColumns(t, item);
  s.rows.clear();
  std::string cell;
  for (int row = from; row < to; ++row) {
    if (t->skip != nullptr && t->skip(item, row) == 0) continue;
    std::vector<std::string> cells;
    cells.reserve(s.active.size());
    bool dropped = false;
    for (Column* column : s.active) {
      cell.clear();
      const void* subject = column->itemIsDescription != 0 ? static_cast<const void*>(&column->description) : item;
      if (column->getter == nullptr || !column->getter(cell, subject, row)) {
        dropped = column->getter != nullptr;
        if (dropped) break;
      }
      if (cell.size() > kMaxCellLength) cell.resize(kMaxCellLength);
      int length = static_cast<int>(cell.size());
      if (length + 1 > column->printWidth) column->printWidth = length + 1;
      if (length > column->width) {
        Alert("makeTable", 1, 110110, "Allocation width for column %s too small", column->name.c_str());
      }
      cells.push_back(cell);
    }
    if (dropped) continue;
    s.rows.push_back(std::move(cells));
    if (t->next != nullptr) {
      item = t->next(item);
      if (item == nullptr) break;
    }
  }
  return true;
}

void printTable(const char* table, int from, int to, int header, int mode, const void* item, FILE* stream) {
  bool ok = true;
  std::string text = render(table, from, to, header, mode, item, &ok);
  if (!ok || text.empty()) return;
  PrintToFile(stream, "%s", text.c_str());
}

std::string sprintTable(const char* table, int from, int to, int header, int mode, const void* item) {
  bool ok = true;
  return render(table, from, to, header, mode, item, &ok);
}

int computeMaxLine(const Table* table) {
  int total = 0;
  for (const Column* column : table->columns) {
    if (column->active != 0) total += column->width + 4;
  }
  return std::min(total, kMaxLineLength);
}

void setTableDefaults(const Table* table) {
  std::string prefs;
  std::string adjustments;
  std::string spacings;
  for (const Column* column : table->columns) {
    prefs += numstr(column->show);
    adjustments += column->adjust;
    spacings += static_cast<char>('0' + std::clamp(column->space, 0, 9));
  }
  std::string key = "Table:" + table->name;
  setDefault((key + ":PrintPrefs").c_str(), prefs.c_str());
  setDefault((key + ":Header").c_str(), numstr(table->header).c_str());
  setDefault((key + ":Adjustments").c_str(), adjustments.c_str());
  setDefault((key + ":Spacings").c_str(), spacings.c_str());
}

void TableDefaults() {
  TablesState& s = state();
  for (auto it = s.tables.rbegin(); it != s.tables.rend(); ++it) setTableDefaults(&*it);
}

void getTableDefault(const char* key, const char* value) {
  static const char* const kSuffixes[] = {":PrintPrefs", ":Header", ":Spacings", ":Adjustments"};
  static const int kNotFoundPositions[] = {0, 2, 3, 5};
  static const int kTooManyPositions[] = {1, 0, 4, 6};
  std::string rest(key);
  if (rest.compare(0, 6, "Table:") != 0) return;
  rest.erase(0, 6);
  for (int kind = 0; kind < 4; ++kind) {
    std::size_t at = rest.find(kSuffixes[kind]);
    if (at == std::string::npos) continue;
    std::string name = rest.substr(0, at);
    int candidates = 0;
    Table* table = lookUpTable(name.c_str(), &candidates);
    if (table == nullptr) {
      Alert("getTableDefault", kNotFoundPositions[kind], 112415, "Table %s not found", name.c_str());
      return;
    }
    std::string text(value != nullptr ? value : "");
    if (text.empty()) return;
    if (kind == 1) {
      table->header = text[0] - '0';
      return;
    }
    std::size_t count = std::min(text.size(), table->columns.size());
    for (std::size_t i = 0; i < count; ++i) {
      Column* column = table->columns[i];
      if (kind == 0) column->show = text[i] - '0';
      if (kind == 2 && text[i] >= '0' && text[i] <= '9') column->space = text[i] - '0';
      if (kind == 3) column->adjust = text[i];
    }
    if (text.size() > table->columns.size()) {
      Alert("getTableDefault", kTooManyPositions[kind], 112415, "Too many colums in Defaults file");
    }
    return;
  }
}

void TableTable() {
  initTable("Table_of_tables");
  addColumn("Table_of_tables", makeColumn("Name", "Name of table", 40, tableNameCell, nullptr));
  addColumn("Table_of_tables", makeColumn("Maxcols", "Maximum number of columns", 10, tableColumnCountCell, nullptr));
  addColumn("Table_of_tables", makeColumn("Header", "Printed with header", 10, tableHeaderCell, nullptr));
  addIncrem("Table_of_tables", nextTable);
}

void TableInfo() {
  initTable("TableInfo");
  addColumn("TableInfo", makeColumn("Header", "Column header", 80, columnHeaderCell, nullptr));
  addColumn("TableInfo",
            makeColumn("Abbreviations|Abbrev.", "Possible abbreviations", 80, columnAbbreviationsCell, nullptr));
  addColumn("TableInfo", makeColumn("Description", "Description of column contents", 80, columnDescriptionCell, nullptr));
  addColumn("TableInfo", makeColumn("Enabled", "Show if column is enabled", 20, columnEnabledCell, nullptr));
  Column* space = makeColumn("Blank space|Space|Sp.", "Amount of blank space bordering column", 8, columnSpaceCell, nullptr);
  space->show = 0;
  addColumn("TableInfo", space);
  Column* position =
      makeColumn("Position|Pos.", "Show if column is left or right adjusted", 4, columnPositionCell, nullptr);
  position->show = 0;
  addColumn("TableInfo", position);
}

void markTablesStartState() {
  TablesState& s = state();
  s.startTables.clear();
  for (const Table& table : s.tables) s.startTables.push_back({table.columns, table.next, table.skip, table.header});
  s.startColumns.assign(s.columns.begin(), s.columns.end());
}

int setColumnRoutines(const char* table, const char* header, ColumnGetter getter, ColumnInit init) {
  Table* t = getTable(table);
  if (t == nullptr) return 1;
  for (Column* column : t->columns) {
    if (column->name != header) continue;
    column->getter = getter;
    column->init = init;
    return 0;
  }
  Alert("setColumnRoutines", 0, 112415, "Column %s not found in table %s", header, t->name.c_str());
  return 1;
}

// --- User-defined columns ---

std::string getExtraColumnText(const char* templateText, int field) {
  std::string expression;
  std::string number = std::to_string(field);
  for (const char* p = templateText != nullptr ? templateText : ""; *p != '\0'; ++p) {
    if (*p == '#') expression += number;
    else expression += *p;
  }
  MathObjPtr value(evaluate_string_to_string(expression.c_str()));
  std::string cell(value->text.c_str());
  if (cell.size() > kUserCellWidth) cell.resize(kUserCellWidth);
  for (char& c : cell) {
    if (c == '\n') c = ' ';
  }
  return cell;
}

char* getExtraColumn(char* out, const char* templateText, int field) {
  std::string cell = getExtraColumnText(templateText, field);
  std::memcpy(out, cell.c_str(), cell.size() + 1);
  return out + cell.size();
}

void resetTables() {
  TablesState& s = state();
  while (s.tables.size() > s.startTables.size()) s.tables.pop_back();
  while (s.columns.size() > s.startColumns.size()) s.columns.pop_back();
  for (std::size_t i = 0; i < s.tables.size(); ++i) {
    s.tables[i].columns = s.startTables[i].columns;
    s.tables[i].next = s.startTables[i].next;
    s.tables[i].skip = s.startTables[i].skip;
    s.tables[i].header = s.startTables[i].header;
  }
  for (std::size_t i = 0; i < s.columns.size(); ++i) s.columns[i] = s.startColumns[i];
  s.active.clear();
  s.rows.clear();
}
