// The application's table layouts: the columns of "Spectrum", "TensorSpectrum",
// "Algebras", "Decomposition" and "Lorentz" with their headers, abbreviations,
// descriptions, widths, visibility and adjustment; what a fresh start prints; the
// installation of cell routines by the owners of the data; and layouts saved to the
// preferences file and read back.
#include "program/ApplicationTables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "runtime/Defaults.h"
#include "TestSupport.h"

namespace {

class ApplicationTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    std::remove(getDefaultFile());
    capture.clear();
  }
  void TearDown() override { std::remove(getDefaultFile()); }
  OutputCapture capture;
};

struct Expected {
  const char* name;
  std::vector<std::string> abbreviations;
  const char* description;
  int width;
  int show;
  char adjust;
};

void expectLayout(const char* tableName, const std::vector<Expected>& expected) {
  Table* table = findTable(tableName);
  ASSERT_NE(table, nullptr) << tableName;
  ASSERT_EQ(table->columns.size(), expected.size()) << tableName;
  EXPECT_EQ(table->header, 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Column* column = table->columns[i];
    const Expected& e = expected[i];
    EXPECT_EQ(column->name, e.name) << tableName << " column " << i;
    EXPECT_EQ(column->altHeaders, e.abbreviations) << tableName << " " << e.name;
    EXPECT_EQ(column->description, e.description) << tableName << " " << e.name;
    EXPECT_EQ(column->width, e.width) << tableName << " " << e.name;
    EXPECT_EQ(column->show, e.show) << tableName << " " << e.name;
    EXPECT_EQ(column->adjust, e.adjust) << tableName << " " << e.name;
    EXPECT_EQ(column->space, 1) << tableName << " " << e.name;
  }
}

TEST_F(ApplicationTablesTest, SpectrumColumns) {
  expectLayout("Spectrum",
               {{"Label", {"Lbl.", "L."}, "Label (for fusion and S-matrix)", 8, 1, 'R'},
                {"Ground state", {"Grnd. St.", "Grnd."}, "Ground state representation", 80, 1, 'L'},
                {"Tensor label", {"Tl."}, "Label in tensor basis", 8, 0, 'R'},
                {"Weights", {"Wts."}, "Conformal weights (mod 1 for cosets)", 20, 1, 'L'},
                {"Rational weights", {"Wts."}, "Rational weights (mod 1 for cosets)", 20, 1, 'L'},
                {"Dimensions", {"Dim."}, "Ground state dimensions", 20, 0, 'R'},
                {"Conjugate", {"Conj.", "Cj."}, "Conjugate", 8, 0, 'R'},
                {"Bulk invariant", {"Bulk Inv.", "Bulk"}, "Bulk Invariant", 20, 0, 'R'},
                {"Contents", {}, "Ground state representation content", 80, 0, 'L'},
                {"Charges", {"Ch."}, "Charges w.r.t basic simple currents", 20, 0, 'L'},
                {"U(1) charge", {"Q"}, "Minimal model U(1) charges", 20, 0, 'L'},
                {"Grade sector", {"Gr.S."}, "Indicates if field is NS or R ", 8, 0, 'L'},
                {"Grade multiplet", {"Gr.M."}, "Indicates grade multiplet partners ", 8, 0, 'R'},
                {"Orbit base", {"Base", "B."}, "First field on orbit", 8, 0, 'L'},
                {"Orbit position", {"Pos.", "P."}, "Position on orbit (element of center)", 8, 0, 'L'},
                {"Orbit label", {"Orb.", "O."}, "Orbit label", 8, 0, 'L'},
                {"Stabilizer", {"Stab.", "S."}, "Stabilizer generators", 8, 0, 'L'},
                {"Q_dims", {"Q.D."}, "Quantum dimensions", 25, 0, 'R'},
                {"Casimirs", {"Cas."}, "Ground state Casimir eigenvalues", 20, 0, 'L'},
                {"Modular anomaly", {"Mod.An.", "M.A."}, "Value of h-c/24", 20, 0, 'L'}});
}

TEST_F(ApplicationTablesTest, TensorSpectrumColumns) {
  expectLayout("TensorSpectrum",
               {{"Label", {"Lbl"}, "label used for e.g. fusion and S-matrix calculations", 8, 1, 'R'},
                {"Combination", {"Comb."}, "Combination of G and H fields", 80, 1, 'L'},
                {"Weights", {"Wts."}, "Weight (modulo integers for cosets)", 20, 1, 'L'},
                {"Rational weights", {"Wts."}, "Rational weight (modulo integers for cosets)", 20, 1, 'L'},
                {"Dimensions", {"Dim."}, "Ground state dimension", 40, 0, 'R'},
                {"Contents", {}, "Ground state decomposition", 80, 0, 'L'},
                {"FP label", {"FP_lbl", "F.l."}, "Fixed point labels (elements of chiral algebra)", 8, 1, 'L'},
                {"FP mult", {"F.m."}, "Fixed point multiplicity (due to untwisted stabilizer)", 8, 1, 'L'},
                {"Conjugate", {"Conj.", "Cj."}, "Conjugate", 8, 0, 'R'},
                {"Bulk invariant", {"Bulk Inv.", "Bulk"}, "Bulk Invariant", 20, 0, 'R'},
                {"Decomposition", {"Dec."}, "Decomposition of G and H labels", 80, 0, 'R'}});
}

TEST_F(ApplicationTablesTest, AlgebrasDecompositionAndLorentzColumns) {
  expectLayout("Algebras", {{"Name", {}, "Algebra name", 60, 1, 'L'},
                            {"Allocation", {"Alloc."}, "Allocated bytes", 20, 1, 'L'},
                            {"Primaries", {"Prim."}, "Number of primaries (representations)", 20, 1, 'L'},
                            {"Available", {"Av."}, "Matrix S available", 6, 1, 'L'},
                            {"FCFT of", {"FC."}, "FCFT of current", 6, 1, 'L'}});
  expectLayout("Decomposition", {{"Labels", {}, "Labels of terms in decomposition", 60, 1, 'L'},
                                 {"Weights", {}, "Weights of terms in decomposition", 20, 1, 'L'},
                                 {"Dimensions", {"Dims."}, "Dimensions of terms in decomposition", 20, 1, 'R'}});
  expectLayout("Lorentz", {{"Notation", {}, "Notation", 7, 1, 'L'},
                           {"Interpretation", {}, "Interpretation", 30, 1, 'L'},
                           {"D.O.F.", {}, "Number of lightcone degrees of freedom", 7, 1, 'L'}});
}

TEST_F(ApplicationTablesTest, TheTablesThatDescribeTablesComeAfterTheFive) {
  // The list of tables runs newest first.
  std::vector<std::string> names;
  for (int n = 0; Table* table = findTableN(n); ++n) names.push_back(table->name);
  const std::vector<std::string> ours = {"TableInfo", "Table_of_tables", "Lorentz", "Decomposition",
                                         "Algebras", "TensorSpectrum", "Spectrum"};
  ASSERT_GE(names.size(), ours.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7), ours);
}

// Cells of a fake theory with two primaries.
bool labelCell(std::string& cell, const void*, int row) {
  cell = "label-" + std::to_string(row);
  return true;
}
bool groundStateCell(std::string& cell, const void*, int row) {
  cell = "ground state " + std::to_string(row);
  return true;
}
bool weightCell(std::string& cell, const void*, int row) {
  cell = "weight " + std::to_string(row);
  return true;
}
bool rationalWeightCell(std::string& cell, const void*, int row) {
  cell = "rational " + std::to_string(row);
  return true;
}
bool conjugateCell(std::string& cell, const void*, int row) {
  cell = "c" + std::to_string(row);
  return true;
}
int available(const void*) { return 1; }

TEST_F(ApplicationTablesTest, AFreshStartPrintsLabelGroundStateAndWeights) {
  EXPECT_EQ(setColumnRoutines("Spectrum", "Label", labelCell, nullptr), 0);
  EXPECT_EQ(setColumnRoutines("Spectrum", "Ground state", groundStateCell, nullptr), 0);
  EXPECT_EQ(setColumnRoutines("Spectrum", "Weights", weightCell, nullptr), 0);
  EXPECT_EQ(setColumnRoutines("Spectrum", "Rational weights", rationalWeightCell, nullptr), 0);
  // "Rational weights" is wider than its cells: it takes its abbreviation.
  EXPECT_EQ(sprintTable("Spectrum", 0, 2, 1, 0, nullptr),
            "   Label  Ground state    Weights   Wts.       \n"
            " label-0  ground state 0  weight 0  rational 0 \n"
            " label-1  ground state 1  weight 1  rational 1 \n");
  std::vector<std::string> active;
  for (const Column* column : findTable("Spectrum")->columns)
    if (column->active) active.push_back(column->name);
  EXPECT_EQ(active, (std::vector<std::string>{"Label", "Ground state", "Weights", "Rational weights"}));
  EXPECT_TRUE(capture.diagnostics.empty()) << capture.diagnostics;
}

TEST_F(ApplicationTablesTest, AColumnWhoseDataAreNotAvailableIsLeftOut) {
  setColumnRoutines("Spectrum", "Label", labelCell, nullptr);
  EXPECT_EQ(setPrintPref("Spectrum", "Conjugate", 1), -1);
  EXPECT_EQ(setPrintPrefs("Spectrum", "G", 0), 3);  // "Ground state" and the two "Grade ..." off
  setPrintPref("Spectrum", "Weights", 0);
  setPrintPref("Spectrum", "Rational", 0);
  // A column whose initialiser finds no data is left out.
  setColumnRoutines("Spectrum", "Conjugate", conjugateCell, [](const void*) { return 0; });
  EXPECT_EQ(sprintTable("Spectrum", 0, 1, 0, 0, nullptr), " label-0 \n");
  setColumnRoutines("Spectrum", "Conjugate", conjugateCell, available);
  EXPECT_EQ(sprintTable("Spectrum", 0, 1, 0, 0, nullptr), " label-0  c0 \n");
}

TEST_F(ApplicationTablesTest, InstallingRoutinesNeedsAnExactColumn) {
  EXPECT_EQ(setColumnRoutines("Spectrum", "Conj", conjugateCell, available), 1);
  EXPECT_NE(capture.diagnostics.find("Column Conj not found in table Spectrum"), std::string::npos);
  capture.clear();
  EXPECT_EQ(setColumnRoutines("NoSuchTable", "Label", labelCell, nullptr), 1);
  EXPECT_NE(capture.diagnostics.find("Table NoSuchTable not found"), std::string::npos);
}

TEST_F(ApplicationTablesTest, AlgebrasPrintOneRowUntilTheStoreListsItsTheories) {
  setColumnRoutines("Algebras", "Name", labelCell, nullptr);
  setPrintPrefs("Algebras", "", 0);
  setPrintPref("Algebras", "Name", 1);
  EXPECT_EQ(sprintTable("Algebras", 0, 10, 0, 0, nullptr), "label-0 \n");
}

TEST_F(ApplicationTablesTest, PrintPrefsPointAtTheSpectrumColumns) {
  Table* spectrum = findTable("Spectrum");
  ASSERT_EQ(printPrefs.size(), 20u);
  for (std::size_t i = 0; i < printPrefs.size(); ++i) EXPECT_EQ(printPrefs[i], &spectrum->columns[i]->show);
  EXPECT_EQ(headerRequired, &spectrum->header);
  setPrintPref("Spectrum", "Casimirs", 1);
  EXPECT_EQ(*printPrefs[18], 1);
  setHeader("Spectrum", 0);
  EXPECT_EQ(*headerRequired, 0);
}

TEST_F(ApplicationTablesTest, LayoutsSurviveSavingAndReading) {
  setPrintPref("Spectrum", "Conjugate", 1);
  setPrintPref("Spectrum", "Rational weights", 0);
  setAdjust("Spectrum", "Label", 'L');
  setSpace("Spectrum", "Weights", 3);
  setHeader("Lorentz", 0);
  savePreferences();
  const std::string file = readFile(getDefaultFile());
  EXPECT_NE(file.find("\"Table:Spectrum:PrintPrefs\" \"11010010000000000000\""), std::string::npos);
  EXPECT_NE(file.find("\"Table:Spectrum:Adjustments\" \"LLRLLRRRLLLLRLLLLRLL\""), std::string::npos);
  EXPECT_NE(file.find("\"Table:Spectrum:Spacings\" \"11131111111111111111\""), std::string::npos);
  EXPECT_NE(file.find("\"Table:Lorentz:Header\" \"0\""), std::string::npos);
  EXPECT_NE(file.find("\"Table:TensorSpectrum:PrintPrefs\" \"11110011000\""), std::string::npos);

  // A new start: the built-in layouts, then the saved ones applied over them.
  resetAll();
  Table* spectrum = findTable("Spectrum");
  EXPECT_EQ(findColumn(spectrum, "Conjugate")->show, 0);
  EXPECT_EQ(findColumn(spectrum, "Label")->adjust, 'R');
  ASSERT_GT(readDefaultsFile(getDefaultFile()), 0);
  getTableDefaults();
  EXPECT_EQ(findColumn(spectrum, "Conjugate")->show, 1);
  EXPECT_EQ(findColumn(spectrum, "Rational weights")->show, 0);
  EXPECT_EQ(findColumn(spectrum, "Ground state")->show, 1);
  EXPECT_EQ(findColumn(spectrum, "Label")->adjust, 'L');
  EXPECT_EQ(findColumn(spectrum, "Weights")->space, 3);
  EXPECT_EQ(getHeader("Lorentz"), 0);
  EXPECT_EQ(getHeader("Spectrum"), 1);
  EXPECT_TRUE(capture.diagnostics.find("Table") == std::string::npos) << capture.diagnostics;
}

}  // namespace
