// The application's table layouts. Each column is made with its header (alternatives
// after "|"), description and width allowance, then hidden or right-adjusted where the
// layout says so. Cells owned by other subsystems start with the stand-in routines of
// this file until their owner installs its own (setColumnRoutines); the columns of
// "Lorentz" are filled by the space-time part of the Branching module. The tables live
// for the run in the table printer; printPrefs and headerRequired point into them.
#include "program/ApplicationTables.h"

#include <string>

#include "lie/Branching.h"
#include "runtime/Error.h"

std::vector<int*> printPrefs;
int* headerRequired = nullptr;

namespace {

// Stand-in cell of a column whose owner has not installed its getter: empty.
bool emptyCell(std::string&, const void*, int) { return true; }
// Stand-in initialiser of a column whose data need preparing: not available.
int notAvailable(const void*) { return 0; }
// Stand-in row increment of "Algebras": the one item given.
const void* singleItem(const void*) { return nullptr; }

struct ColumnLayout {
  const char* nameSpec;
  const char* description;
  int width;
  bool shown;
  char adjust;
  // Whether the column has an initialiser (it then starts with notAvailable).
  bool prepared;
};

void defineTable(const char* name, const ColumnLayout* layouts, std::size_t count) {
  initTable(name);
  for (std::size_t i = 0; i < count; ++i) {
    const ColumnLayout& layout = layouts[i];
    Column* column = makeColumn(layout.nameSpec, layout.description, layout.width, emptyCell,
                                layout.prepared ? notAvailable : nullptr);
    column->show = layout.shown ? 1 : 0;
    column->adjust = layout.adjust;
    addColumn(name, column);
  }
}

template <std::size_t N>
void defineTable(const char* name, const ColumnLayout (&layouts)[N]) {
  defineTable(name, layouts, N);
}

const ColumnLayout kSpectrum[] = {
    {"Label|Lbl.|L.", "Label (for fusion and S-matrix)", 8, true, 'R', false},
    {"Ground state|Grnd. St.|Grnd.", "Ground state representation", 80, true, 'L', false},
    {"Tensor label|Tl.", "Label in tensor basis", 8, false, 'R', true},
    {"Weights|Wts.", "Conformal weights (mod 1 for cosets)", 20, true, 'L', false},
    {"Rational weights|Wts.", "Rational weights (mod 1 for cosets)", 20, true, 'L', false},
    {"Dimensions|Dim.", "Ground state dimensions", 20, false, 'R', true},
    {"Conjugate|Conj.|Cj.", "Conjugate", 8, false, 'R', true},
    {"Bulk invariant|Bulk Inv.|Bulk", "Bulk Invariant", 20, false, 'R', false},
    {"Contents", "Ground state representation content", 80, false, 'L', true},
    {"Charges|Ch.", "Charges w.r.t basic simple currents", 20, false, 'L', false},
    {"U(1) charge|Q", "Minimal model U(1) charges", 20, false, 'L', true},
    {"Grade sector|Gr.S.", "Indicates if field is NS or R ", 8, false, 'L', true},
    {"Grade multiplet|Gr.M.", "Indicates grade multiplet partners ", 8, false, 'R', true},
    {"Orbit base|Base|B.", "First field on orbit", 8, false, 'L', false},
    {"Orbit position|Pos.|P.", "Position on orbit (element of center)", 8, false, 'L', false},
    {"Orbit label|Orb.|O.", "Orbit label", 8, false, 'L', false},
    {"Stabilizer|Stab.|S.", "Stabilizer generators", 8, false, 'L', false},
    {"Q_dims|Q.D.", "Quantum dimensions", 25, false, 'R', true},
    {"Casimirs|Cas.", "Ground state Casimir eigenvalues", 20, false, 'L', true},
    {"Modular anomaly|Mod.An.|M.A.", "Value of h-c/24", 20, false, 'L', false},
};

const ColumnLayout kTensorSpectrum[] = {
    {"Label|Lbl", "label used for e.g. fusion and S-matrix calculations", 8, true, 'R', false},
    {"Combination|Comb.", "Combination of G and H fields", 80, true, 'L', false},
    {"Weights|Wts.", "Weight (modulo integers for cosets)", 20, true, 'L', false},
    {"Rational weights|Wts.", "Rational weight (modulo integers for cosets)", 20, true, 'L', false},
    {"Dimensions|Dim.", "Ground state dimension", 40, false, 'R', true},
    {"Contents", "Ground state decomposition", 80, false, 'L', true},
    {"FP label|FP_lbl|F.l.", "Fixed point labels (elements of chiral algebra)", 8, true, 'L', false},
    {"FP mult|F.m.", "Fixed point multiplicity (due to untwisted stabilizer)", 8, true, 'L', false},
    {"Conjugate|Conj.|Cj.", "Conjugate", 8, false, 'R', true},
    {"Bulk invariant|Bulk Inv.|Bulk", "Bulk Invariant", 20, false, 'R', false},
    {"Decomposition|Dec.", "Decomposition of G and H labels", 80, false, 'R', false},
};

const ColumnLayout kAlgebras[] = {
    {"Name", "Algebra name", 60, true, 'L', false},
    {"Allocation|Alloc.", "Allocated bytes", 20, true, 'L', false},
    {"Primaries|Prim.", "Number of primaries (representations)", 20, true, 'L', false},
    {"Available|Av.", "Matrix S available", 6, true, 'L', false},
    {"FCFT of|FC.", "FCFT of current", 6, true, 'L', false},
};

const ColumnLayout kDecomposition[] = {
    {"Labels", "Labels of terms in decomposition", 60, true, 'L', false},
    {"Weights", "Weights of terms in decomposition", 20, true, 'L', false},
    {"Dimensions|Dims.", "Dimensions of terms in decomposition", 20, true, 'R', true},
};

void defineLorentz() {
  initTable("Lorentz");
  addColumn("Lorentz", makeColumn("Notation", "Notation", 7, BR_getNotationString, nullptr));
  addColumn("Lorentz", makeColumn("Interpretation", "Interpretation", 30, BR_getInterpretationString, nullptr));
  addColumn("Lorentz",
            makeColumn("D.O.F.", "Number of lightcone degrees of freedom", 7, BR_getDOFString, nullptr));
}

}  // namespace

void initializeTables() {
  defineTable("Spectrum", kSpectrum);
  defineTable("TensorSpectrum", kTensorSpectrum);
  defineTable("Algebras", kAlgebras);
  addIncrem("Algebras", singleItem);
  defineTable("Decomposition", kDecomposition);
  defineLorentz();
  TableTable();
  TableInfo();
}

void initializePrintPrefs() {
  printPrefs.clear();
  headerRequired = nullptr;
  Table* spectrum = findTable("Spectrum");
  if (spectrum == nullptr) return;
  for (Column* column : spectrum->columns) printPrefs.push_back(&column->show);
  headerRequired = &spectrum->header;
}

