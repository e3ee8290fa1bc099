// The table printer: column widths from the widest cell, header choice among the
// alternatives, adjustment and spacing, dropped and skipped rows, reprinting, and layouts
// saved in and read back from the preferences file.
#include "interpreter/Tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter/Evaluator.h"
#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "TestSupport.h"

namespace {

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

// Items are vectors of texts; the row index selects the cell.
using Cells = std::vector<std::string>;

bool cellOfRow(std::string& cell, const void* item, int row) {
  const Cells& cells = *static_cast<const Cells*>(item);
  cell = cells.at(static_cast<std::size_t>(row));
  return true;
}

bool upperCellOfRow(std::string& cell, const void* item, int row) {
  cellOfRow(cell, item, row);
  for (char& c : cell) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return true;
}

// Drops the rows whose cell is "drop".
bool droppingCell(std::string& cell, const void* item, int row) {
  cellOfRow(cell, item, row);
  return cell != "drop";
}

int skipOdd(const void*, int row) { return row % 2 == 0 ? 1 : 0; }
int neverApplies(const void*) { return 0; }

std::string print(const char* table, int rows, const void* item, int header = 1, int mode = 0) {
  return sprintTable(table, 0, rows, header, mode, item);
}

void makeLabelTable(const char* name) {
  initTable(name);
  addColumn(name, makeColumn("Label|Lbl.|L.", "Label", 8, cellOfRow, nullptr));
}

TEST_F(TablesTest, TheHeaderIsTheLongestAlternativeThatFits) {
  makeLabelTable("T");
  // Widest cell 3: print width 4; only "L." (2 + 1 < 4) fits.
  Cells three = {"abc", "d"};
  EXPECT_EQ(print("T", 2, &three), "L.  \nabc \nd   \n");
  // Widest cell 1: nothing fits; the last alternative widens the column to 3.
  Cells one = {"a"};
  EXPECT_EQ(print("T", 1, &one), "L. \na  \n");
  // Widest cell 5: "Lbl." (4 + 1 < 6).
  Cells five = {"abcde"};
  EXPECT_EQ(print("T", 1, &five), "Lbl.  \nabcde \n");
  // Widest cell 6: "Label" (5 + 1 < 7).
  Cells six = {"abcdef"};
  EXPECT_EQ(print("T", 1, &six), "Label  \nabcdef \n");
  // No header.
  EXPECT_EQ(print("T", 1, &six, 0), "abcdef \n");
  setHeader("T", 0);
  EXPECT_EQ(print("T", 1, &six, 1), "abcdef \n");
}

TEST_F(TablesTest, ColumnsAreSpacedAndAdjusted) {
  initTable("T");
  addColumn("T", makeColumn("A", "first", 8, cellOfRow, nullptr));
  addColumn("T", makeColumn("B", "second", 8, upperCellOfRow, nullptr));
  Cells cells = {"xy", "z"};
  // Each column is one wider than its widest cell; one blank in front of the second.
  EXPECT_EQ(print("T", 2, &cells), "A   B  \nxy  XY \nz   Z  \n");
  EXPECT_EQ(setSpace("T", "B", 3), -1);
  EXPECT_EQ(print("T", 2, &cells), "A     B  \nxy    XY \nz     Z  \n");
  // A right-adjusted first column: its spacing follows the text.
  EXPECT_EQ(setSpace("T", "B", 1), -1);
  EXPECT_EQ(setAdjust("T", "A", 'R'), -1);
  EXPECT_EQ(setSpace("T", "A", 2), -1);
  EXPECT_EQ(print("T", 2, &cells), "  A   B  \n xy   XY \n  z   Z  \n");
  OutputCapture capture;
  EXPECT_EQ(setSpace("T", "C", 1), 1);
  EXPECT_EQ(setAdjust("Nope", "A", 'L'), 1);
  EXPECT_NE(capture.diagnostics.find("Column C not found"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Table Nope not found"), std::string::npos);
}

TEST_F(TablesTest, HiddenColumnsAndColumnsThatDoNotApplyAreLeftOut) {
  initTable("T");
  addColumn("T", makeColumn("A", "first", 8, cellOfRow, nullptr));
  addColumn("T", makeColumn("B", "second", 8, upperCellOfRow, nullptr));
  addColumn("T", makeColumn("C", "never", 8, cellOfRow, neverApplies));
  Cells cells = {"q"};
  EXPECT_EQ(setPrintPref("T", "A", 0), -1);
  EXPECT_EQ(getPrintPref("T", "A"), 0);
  EXPECT_EQ(print("T", 1, &cells), "B \nQ \n");
  // Prefixes select columns, case ignored; the count of changed columns comes back.
  EXPECT_EQ(setPrintPrefs("T", "", 1), 3);
  EXPECT_EQ(setPrintPrefs("T", "b", 0), 1);
  EXPECT_EQ(print("T", 1, &cells), "A \nq \n");
}

TEST_F(TablesTest, DroppedRowsRetryTheNextIndexWithTheSameItem) {
  initTable("T");
  addColumn("T", makeColumn("Cell", "cells", 8, droppingCell, nullptr));
  Cells cells = {"one", "drop", "three"};
  EXPECT_EQ(print("T", 3, &cells), "Cell  \none   \nthree \n");
  addItemSkip("T", skipOdd);
  EXPECT_EQ(print("T", 3, &cells), "Cell  \none   \nthree \n");
}

TEST_F(TablesTest, AnIteratorAdvancesTheItemAndEndsTheTable) {
  static const Cells first = {"a0", "a1", "a2"};
  static const Cells second = {"b0", "b1", "b2"};
  initTable("T");
  addColumn("T", makeColumn("X", "cells", 8, cellOfRow, nullptr));
  addIncrem("T", [](const void* item) -> const void* { return item == &first ? &second : nullptr; });
  // Row 0 of the first item, row 1 of the second, then the iterator ends the table.
  EXPECT_EQ(print("T", 3, &first), "X  \na0 \nb1 \n");
}

TEST_F(TablesTest, ModeTwoReprintsTheLastTable) {
  makeLabelTable("T");
  Cells cells = {"abc"};
  std::string first = print("T", 1, &cells);
  cells[0] = "changed";
  EXPECT_EQ(print("T", 1, &cells, 1, 2), first);
  // Mode 1 reuses the widths but builds the cells afresh.
  EXPECT_EQ(print("T", 1, &cells, 0, 1), "changed \n");
}

TEST_F(TablesTest, CellsWiderThanTheirAllowanceAreReportedButPrinted) {
  initTable("T");
  addColumn("T", makeColumn("A", "narrow", 2, cellOfRow, nullptr));
  Cells cells = {"wider", std::string(1200, 'x')};
  // The message has severity 1, which the default mask hides.
  setSeverity_Error("000000");
  OutputCapture capture;
  std::string text = print("T", 1, &cells);
  EXPECT_EQ(text, "A     \nwider \n");
  EXPECT_NE(capture.diagnostics.find("Allocation width for column A too small"), std::string::npos);
  // A cell holds at most 999 characters.
  text = sprintTable("T", 1, 2, 0, 0, &cells);
  EXPECT_EQ(text, std::string(999, 'x') + " \n");
}

TEST_F(TablesTest, TablesAreFoundByNameOrUniqueBeginning) {
  initTable("Alpha");
  initTable("Alphabet");
  initTable("Beta");
  EXPECT_EQ(getTable("Alpha")->name, "Alpha");
  EXPECT_EQ(getTable("bet")->name, "Beta");
  OutputCapture capture;
  EXPECT_EQ(getTable("Alp"), nullptr);
  EXPECT_EQ(getTable("Gamma"), nullptr);
  EXPECT_NE(capture.diagnostics.find("Table name Alp ambiguous"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Table Gamma not found"), std::string::npos);
  capture.clear();
  EXPECT_EQ(initTable("Beta"), findTable("Beta"));
  EXPECT_NE(capture.diagnostics.find("Attempt to re-initialize table Beta"), std::string::npos);
  EXPECT_EQ(findTableN(0)->name, "Beta");
  EXPECT_EQ(findTableN(1000), nullptr);
  capture.clear();
  addColumn("Gamma", makeColumn("A", "a", 1, cellOfRow, nullptr));
  EXPECT_NE(capture.diagnostics.find("Table Gamma not found"), std::string::npos);
}

TEST_F(TablesTest, ColumnsAreFoundByHeaderOrUniqueBeginning) {
  initTable("T");
  addColumn("T", makeColumn("Weights", "w", 8, cellOfRow, nullptr));
  addColumn("T", makeColumn("Width", "w", 8, cellOfRow, nullptr));
  Table* table = findTable("T");
  EXPECT_EQ(findColumn(table, "wid")->name, "Width");
  OutputCapture capture;
  EXPECT_EQ(findColumn(table, "W"), nullptr);
  EXPECT_NE(capture.diagnostics.find("Column name W ambiguous"), std::string::npos);
}

TEST_F(TablesTest, LayoutsAreAppliedFromPreferenceEntries) {
  initTable("T");
  for (const char* name : {"A", "B", "C", "D", "E"}) addColumn("T", makeColumn(name, "c", 8, cellOfRow, nullptr));
  getTableDefault("Table:T:PrintPrefs", "1101");
  Table* table = findTable("T");
  std::vector<int> shown;
  for (Column* column : table->columns) shown.push_back(column->show);
  EXPECT_EQ(shown, (std::vector<int>{1, 1, 0, 1, 1}));
  getTableDefault("Table:T:Adjustments", "RL");
  EXPECT_EQ(table->columns[0]->adjust, 'R');
  EXPECT_EQ(table->columns[2]->adjust, 'L');
  getTableDefault("Table:T:Spacings", "3");
  EXPECT_EQ(table->columns[0]->space, 3);
  getTableDefault("Table:T:Header", "0");
  EXPECT_EQ(table->header, 0);
  // An empty value changes nothing; abbreviated table names work.
  getTableDefault("Table:T:PrintPrefs", "");
  EXPECT_EQ(table->columns[2]->show, 0);
  OutputCapture capture;
  getTableDefault("Table:T:PrintPrefs", "0000001");
  EXPECT_EQ(table->columns[4]->show, 0);
  EXPECT_NE(capture.diagnostics.find("Too many colums in Defaults file"), std::string::npos);
  capture.clear();
  getTableDefault("Table:Missing:Header", "1");
  EXPECT_NE(capture.diagnostics.find("Table Missing not found"), std::string::npos);
}

TEST_F(TablesTest, ShownColumnsSurviveASaveAndAReload) {
  initTable("Saved");
  addColumn("Saved", makeColumn("One", "first", 8, cellOfRow, nullptr));
  addColumn("Saved", makeColumn("Two", "second", 8, cellOfRow, nullptr));
  addColumn("Saved", makeColumn("Three", "third", 8, cellOfRow, nullptr));
  setPrintPref("Saved", "Two", 0);
  setAdjust("Saved", "Three", 'R');
  setSpace("Saved", "One", 4);
  setHeader("Saved", 0);
  savePreferences();
  std::string file = readFile(getDefaultFile());
  EXPECT_NE(file.find("\"Table:Saved:PrintPrefs\" \"101\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"Table:Saved:Header\" \"0\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"Table:Saved:Adjustments\" \"LLR\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"Table:Saved:Spacings\" \"411\"\n"), std::string::npos);

  // Back to the defaults, then the file is read and applied as at start-up.
  setPrintPrefs("Saved", "", 1);
  setAdjust("Saved", "Three", 'L');
  setSpace("Saved", "One", 1);
  setHeader("Saved", 1);
  ASSERT_GT(readDefaultsFile(getDefaultFile()), 0);
  getTableDefaults();
  Table* table = findTable("Saved");
  EXPECT_EQ(table->columns[0]->show, 1);
  EXPECT_EQ(table->columns[1]->show, 0);
  EXPECT_EQ(table->columns[2]->adjust, 'R');
  EXPECT_EQ(table->columns[0]->space, 4);
  EXPECT_EQ(table->header, 0);
}

TEST_F(TablesTest, TheTablesThatDescribeTables) {
  initTable("T");
  Column* column = makeColumn("Blank space|Space|Sp.", "Amount", 8, cellOfRow, nullptr);
  column->show = 0;
  addColumn("T", column);
  std::string info = sprintTable("TableInfo", 0, 1, 1, 0, findTable("T"));
  EXPECT_EQ(info,
            "Header       Abbrev.    Description  Enabled \n"
            "Blank space  Space,Sp.  Amount       No      \n");
  // One row per table, newest first.
  std::string list = sprintTable("Table_of_tables", 0, 1000, 1, 0, findTableN(0));
  EXPECT_EQ(list.substr(0, list.find('\n', list.find('\n') + 1) + 1),
            "Name             Maxcols  Header \n"
            "T                1        Yes    \n");
}

TEST_F(TablesTest, AResetForgetsTablesAndLayoutChanges) {
  initTable("Later");
  setHeader("Parameters", 0);
  setPrintPref("Parameters", "Value", 0);
  resetAll();
  EXPECT_EQ(findTable("Later"), nullptr);
  EXPECT_EQ(getHeader("Parameters"), 1);
  EXPECT_EQ(getPrintPref("Parameters", "Value"), 1);
}

// --- User-defined columns ----------------------------------------------------------------

TEST_F(TablesTest, ExtraColumnEvaluatesTheTemplate) {
  freeObj(evaluate_string("h12=5/3"));
  EXPECT_EQ(getExtraColumnText("h#", 12), "5/3");  // the variable h12
  EXPECT_EQ(getExtraColumnText("#*#", 12), "144");
  EXPECT_EQ(getExtraColumnText("\"Field \"|#", 3), "Field 3");
  EXPECT_EQ(getExtraColumnText("1/#", 0), "INFINITE");
  char out[81];
  char* end = getExtraColumn(out, "#+1", 41);
  EXPECT_STREQ(out, "42");
  EXPECT_EQ(end, out + 2);
}

TEST_F(TablesTest, ExtraColumnIsCutAndKeptOnOneLine) {
  std::string longText = "long~" + std::string(100, 'x');
  freeObj(evaluate_string(longText.c_str()));
  EXPECT_EQ(getExtraColumnText("long", 0), std::string(80, 'x'));
  freeObj(evaluate_string("two~a\nb"));
  EXPECT_EQ(getExtraColumnText("two", 0), "a b");
}

}  // namespace
