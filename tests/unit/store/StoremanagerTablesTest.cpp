// Record queries and the cells of the "Spectrum" and "Algebras" tables: the texts of
// every column for theories whose data are known in closed form, the column
// initialisers, the row filter, the names of covariant-lattice classes, horizontal
// algebras and characters, and the table of stored theories.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "program/ApplicationTables.h"
#include "store/StoremanagerQueries.h"
#include "StoremanagerQueriesTestSupport.h"
#include "TestSupport.h"

namespace {

class StoremanagerTables : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

using Getter = bool (*)(std::string&, const void*, int);

std::string cell(Getter getter, const SpectrumData* sd, int a) {
  std::string text;
  EXPECT_TRUE(getter(text, sd, a));
  return text;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST_F(StoremanagerTables, SpectrumOfA1AtLevelTwo) {
  SpectrumData* sd = SM_getData(1, 1, 2);
  // Weights 0, 1/2 (the current) and 3/16 (spin 1/2) in the store's field order.
  const std::vector<std::string> table = lines(sprintTable("Spectrum", 0, 3, 1, 0, sd));
  ASSERT_EQ(table.size(), 4u);
  const std::vector<std::string> expected[3] = {{"0", "(0,2)", "0.0000000", "0"},
                                                {"1", "(2,0)", "0.5000000", "1/2"},
                                                {"2", "(1,1)", "0.1875000", "3/16"}};
  for (int a = 0; a < 3; ++a) EXPECT_EQ(words(table[static_cast<std::size_t>(a) + 1]), expected[a]) << table[0];
  EXPECT_EQ(cell(SM_getRatWeightString, sd, 2), "3/16");
  EXPECT_EQ(cell(SM_getWeightString, sd, 1), "0.5000000 ");
  EXPECT_EQ(cell(SM_getLabelString, sd, 2), "2");
  EXPECT_EQ(cell(SM_getDynkinString, sd, 2), "(1,1)");
  EXPECT_EQ(cell(SM_getChargesString, sd, 2), "1");  // Q_J(spin 1/2) = 1/2
  EXPECT_EQ(cell(SM_getStabilizerString, sd, 2), "1 ");
  EXPECT_EQ(cell(SM_getStabilizerString, sd, 0), "-");
  EXPECT_EQ(cell(SM_getOrbitStartString, sd, 1), "0");
  EXPECT_EQ(cell(SM_getOrbitPositionString, sd, 1), "1");
  EXPECT_EQ(cell(SM_getOrbitLabelString, sd, 2), "1");
  EXPECT_EQ(cell(SM_getQdimString, sd, 2), formatText("%18.12f", std::sqrt(2.0)));
  EXPECT_EQ(cell(SM_getCasimirString, sd, 2), "3/4");  // j(j+1) with j = 1/2
  // h - c/24 with c = 3/2: -1/16 and 1/2 - 1/16.
  EXPECT_EQ(cell(SM_getLogTString, sd, 0), "-0.0625 ");
  EXPECT_EQ(cell(SM_getLogTString, sd, 1), " 0.4375 ");
  EXPECT_EQ(SM_initDimensionsColumn(sd), 1);
  EXPECT_EQ(cell(SM_getDimString, sd, 2), "2");
  EXPECT_EQ(SM_initConjugatesColumn(sd), 1);
  EXPECT_EQ(cell(SM_getConjString, sd, 2), "2");
  EXPECT_EQ(cell(SM_getCosetLabelString, sd, 0), "");
  OutputCapture capture;
  printAlgebraHeader(sd);
  EXPECT_EQ(capture.printed, "Spectrum of A1 level 2\n");
}

TEST_F(StoremanagerTables, CellsOfOtherTheories) {
  SpectrumData* u1 = SM_getData(0, 5, 0);
  EXPECT_EQ(cell(SM_getDynkinString, u1, 3), "(3)");
  SpectrumData* trivial = SM_getData(1, 0, 0);
  EXPECT_EQ(cell(SM_getChargesString, trivial, 0), "-");
  EXPECT_EQ(cell(SM_getStabilizerString, trivial, 0), "-");
  SpectrumData* d4 = SM_getData(4, 4, 1);  // two factors: charges of the vector field
  EXPECT_EQ(words(cell(SM_getChargesString, d4, 2)).size(), 2u);
  SpectrumData* a2 = SM_getData(1, 2, 1);
  EXPECT_EQ(SM_initConjugatesColumn(a2), 1);
  EXPECT_EQ(cell(SM_getConjString, a2, 1), "2");
  // A complement knows its weights only modulo 1: -1/3 becomes 0.6666667 (mod 1).
  SpectrumData* complement = SM_getComplement(a2, nullptr);
  EXPECT_EQ(cell(SM_getWeightString, complement, 1), "0.6666667  (mod 1)");
  EXPECT_EQ(cell(SM_getRatWeightString, complement, 1), "-1/3 (mod 1)");
  EXPECT_EQ(cell(SM_getRatWeightString, complement, 0), "0");
  // Dimensions not yet determined, or in error.
  SpectrumData* sd = SM_getData(1, 1, 3);
  ASSERT_EQ(SM_initDimensionsColumn(sd), 1);
  EXPECT_EQ(cell(SM_getDimString, sd, 1), "4");  // the current: spin 3/2
  sd->dims[1] = -99999999;
  EXPECT_EQ(cell(SM_getDimString, sd, 1), "Unknown");
  sd->dims[1] = 0;
  EXPECT_EQ(cell(SM_getDimString, sd, 1), "ERROR");
  // An N=2 minimal model at k = 1: q = 0 for the vacuum, -1/6 for (0, 1, 1), and the
  // pair 1, -1 of the supercurrents (0, 0, 2).
  SpectrumData* minimal = SM_getData(27, 2, 1);
  EXPECT_EQ(cell(SM_getMinimalModelChargesString, minimal, 0), " 0");
  EXPECT_EQ(cell(SM_getMinimalModelChargesString, minimal, 1), "-1/6");
  EXPECT_EQ(cell(SM_getMinimalModelChargesString, minimal, 6), "1,-1");
  EXPECT_EQ(cell(SM_getNSRString, minimal, 6), "N");
  EXPECT_EQ(cell(SM_getNSRString, minimal, 1), "R");
  EXPECT_EQ(cell(SM_getMultipletString, minimal, 0), "6");
}

TEST_F(StoremanagerTables, ColumnInitialisers) {
  SpectrumData* a1 = SM_getData(1, 1, 2);
  SpectrumData* minimal = SM_getData(27, 2, 2);
  SpectrumData* u1 = SM_getData(0, 4, 0);
  EXPECT_EQ(SM_initCosetLabels(a1), 0);
  EXPECT_EQ(SM_initMinimalModelCharges(a1), 0);
  EXPECT_EQ(SM_initMinimalModelCharges(minimal), 1);
  EXPECT_EQ(SM_initNSR(a1), 0);
  EXPECT_EQ(SM_initNSR(minimal), 1);
  EXPECT_EQ(SM_initQdim(a1), 1);
  EXPECT_EQ(SM_initQdim(u1), 1);
  EXPECT_EQ(SM_initQdim(minimal), 0);
  EXPECT_EQ(SM_initCasimir(a1), 1);
  EXPECT_EQ(SM_initCasimir(u1), 0);
  EXPECT_EQ(SM_initDimensionsColumn(minimal), 1);  // made with the record
  EXPECT_EQ(SM_initContents(a1), 0);
}

TEST_F(StoremanagerTables, RowFilter) {
  // A1 level 4: the current (field 1, Dynkin label 4) has h = 1, spin 1/2 has 1/8. The
  // filter reads the command set's selection, bound at start-up.
  SpectrumData* sd = SM_getData(1, 1, 4);
  for (int a = 0; a < sd->n_primaries; ++a) EXPECT_EQ(SM_checkSkipCondition(sd, a), 1);
  massless_only = 1;
  for (int a = 0; a < sd->n_primaries; ++a) {
    const bool massless = sd->weight_num[a] == sd->weight_den;
    EXPECT_EQ(SM_checkSkipCondition(sd, a), a == 0 || massless ? 1 : 0) << a;
  }
  EXPECT_EQ(lines(sprintTable("Spectrum", 0, sd->n_primaries, 0, 0, sd)).size(), 2u);
  massless_only = 0;
  SelectedWeightNum = 1, SelectedWeightDen = 8;
  for (int a = 0; a < sd->n_primaries; ++a)
    EXPECT_EQ(SM_checkSkipCondition(sd, a), 8 * sd->weight_num[a] == sd->weight_den ? 1 : 0) << a;
  // Through the printer: the selected weight leaves one row.
  EXPECT_EQ(lines(sprintTable("Spectrum", 0, sd->n_primaries, 0, 0, sd)).size(), 1u);
}

TEST_F(StoremanagerTables, NamesOfAlgebrasCharactersAndLatticeClasses) {
  EXPECT_EQ(SM_getHorizontalAlgebraName(SM_getData(2, 3, 1)), "B_3");
  EXPECT_EQ(SM_getHorizontalAlgebraName(SM_getData(5, 6, 1)), "E_6");
  EXPECT_EQ(SM_getHorizontalAlgebraName(SM_getData(0, 3, 0)), "U(1)");
  EXPECT_EQ(SM_getHorizontalAlgebraName(SM_getData(7, 3, 0)), "--");
  EXPECT_EQ(SM_getHorizontalAlgebraName(SM_getData(27, 2, 1)), "Unknown");
  SpectrumData* odd = allocateSpectrumData("rank five");
  odd->type = 5, odd->rank = 5;
  EXPECT_EQ(SM_getHorizontalAlgebraName(odd), "Unknown");
  // A2 level 2: (1,0,1) -> char1, (0,1,1) -> char2, (0,0,2) -> char0, (1,1,0) -> char_1_1.
  SpectrumData* a2 = SM_getData(1, 2, 2);
  for (int a = 0; a < a2->n_primaries; ++a) {
    const int* l = a2->labels + 3 * a;
    const std::string want = l[0] + l[1] == 2   ? formatText("char_%d_%d", l[0], l[1])
                             : l[0] == 1        ? "char1"
                             : l[1] == 1        ? "char2"
                                                : "char0";
    EXPECT_EQ(SM_getCharacterName(a2, a), want) << a;
  }
  const int labels[3] = {0, 0, 4};
  EXPECT_EQ(SM_basicCharacterName(nullptr, 3, labels), "char3");
  EXPECT_EQ(SM_basicCharacterName(nullptr, 2, labels), "char0");
  EXPECT_EQ(SM_getCharacterName(SM_getData(5, 2, 1), 0), "char_0_0");
  // Covariant-lattice classes: the first call for a lattice only prepares the names.
  std::string text;
  const int content[4] = {1, 0, 2, 0};
  printCovLatRep(&text, 4, 5, 1, content);
  EXPECT_EQ(text, "");
  printCovLatRep(&text, 4, 5, 1, content);
  EXPECT_EQ(text, "[1] + 2 x [10]");
  const int spinors[4] = {0, 1, 0, 1};
  text.clear();
  printCovLatRep(&text, 4, 5, 1, spinors);
  EXPECT_EQ(text, "[16] + [16*]");
  printCovLatRep(nullptr, 4, 5, 0, nullptr);
  text.clear();
  printCovLatRep(&text, 4, 5, 0, spinors);
  EXPECT_EQ(text, "[16?] + [16?]");
  printCovLatRep(nullptr, 4, 4, 1, nullptr);
  text.clear();
  printCovLatRep(&text, 4, 4, 1, spinors);
  EXPECT_EQ(text, "[8] + [8c]");
  printCovLatRep(nullptr, 2, 3, 1, nullptr);
  text.clear();
  const int odd3[3] = {0, 1, 1};
  printCovLatRep(&text, 2, 3, 1, odd3);
  EXPECT_EQ(text, "[7] + [8]");
  printCovLatRep(nullptr, 5, 6, 1, nullptr);
  text.clear();
  printCovLatRep(&text, 5, 6, 1, odd3);
  EXPECT_EQ(text, "[27] + [27*]");
}

TEST_F(StoremanagerTables, SmallQueries) {
  SpectrumData* sd = SM_getData(1, 1, 2);
  EXPECT_EQ(SM_getNumberofPrimaries(sd), 3);
  EXPECT_DOUBLE_EQ(SM_getCentralCharge(sd), 1.5);
  EXPECT_NEAR(SM_realWeight(sd, 2), 3.0 / 16, kTol);
  EXPECT_NEAR(SM_getLogT(sd, 2), 3.0 / 16 - 1.5 / 24, kTol);
  EXPECT_EQ(SM_getCenter(sd), 2);
  EXPECT_EQ(SM_getRepSize(sd), 2);
  EXPECT_EQ(SM_getDynkinWidth(sd), 2 + 2 + 3);
  EXPECT_EQ(SM_basicCheck(sd, 2), 1);
  EXPECT_EQ(SM_basicCheck(sd, 1), 0);
  EXPECT_EQ(SM_initOrbitData(sd), 1);
  EXPECT_EQ(SM_initOrbitData(SM_getData(1, 0, 0)), 0);
  EXPECT_EQ(SM_NonAbelian(sd, 0), 0);
  EXPECT_EQ(SM_NonAbelian(sd, 2), 1);
  EXPECT_EQ(SM_isTrivial(sd, 1), 1);
  EXPECT_EQ(SM_getContent(sd, 1), nullptr);
  int adjoint, coxeter, primaries, orbits;
  double c;
  SM_getParameters(sd, &adjoint, &coxeter, &primaries, &orbits, &c);
  EXPECT_EQ(adjoint, 3);
  EXPECT_EQ(coxeter, 2);
  EXPECT_EQ(primaries, 3);
  EXPECT_EQ(orbits, 2);
  std::string header;
  SM_getAlgebraSizeHeader(header);
  EXPECT_EQ(header, "Bytes ");
  // The modular anomaly from (lambda + rho)^2 is h - c/24.
  for (auto [type, rank, level] : {std::tuple{1, 2, 2}, std::tuple{5, 2, 1}, std::tuple{3, 3, 2}}) {
    SpectrumData* t = SM_getData(type, rank, level);
    for (int a = 0; a < t->n_primaries; ++a) EXPECT_NEAR(SM_getModularAnomaly(t, a), SM_getLogT(t, a), kTol);
  }
}

TEST_F(StoremanagerTables, AlgebrasTable) {
  SpectrumData* a1 = SM_getData(1, 1, 2);
  ASSERT_GT(SM_initFCFTData(a1), 0);
  SpectrumData* fcft = a1->fcft[0];
  SpectrumData* e6 = SM_getData(5, 6, 1);
  const std::vector<std::string> table = lines(SM_displayAlgebras());
  // Header, then the stored theories from the newest: E6, A1 level 2, the trivial theory.
  ASSERT_GE(table.size(), 3u);
  EXPECT_TRUE(contains(table[0], "Name"));
  EXPECT_TRUE(contains(table[1], e6->name));
  EXPECT_TRUE(contains(table[1], "YES"));
  EXPECT_TRUE(contains(table[2], a1->name));
  EXPECT_EQ(words(table[2]).back(), "-");
  EXPECT_EQ(cell(SM_getAlgebraS_FCFTString, fcft, 0), "1 ");  // the current it resolves
  EXPECT_EQ(cell(SM_getAlgebraS_FCFTString, a1, 0), "- ");
  EXPECT_EQ(cell(SM_getAlgebraPrimString, a1, 0), "3");
  EXPECT_EQ(cell(SM_getAlgebraNameString, a1, 0), "A1 level 2 ");
  EXPECT_EQ(cell(SM_getAlgebraSizeString, a1, 0), formatText("%lld ", static_cast<long long>(a1->alloc.bytesHeld())));
  const int availability = a1->s_available;
  a1->s_available = -1;
  EXPECT_EQ(cell(SM_getAlgebraS_AvailabilityString, a1, 0), "EXP.");
  a1->s_available = 0;
  EXPECT_EQ(cell(SM_getAlgebraS_AvailabilityString, a1, 0), "NO");
  a1->s_available = availability;
  {
    OutputCapture capture;
    SM_printAlgebras();
    EXPECT_TRUE(contains(capture.stdoutText, "E6 level 1"));
  }
  SpectrumData* head = SM_getFirstAlgebra();
  SM_setFirstAlgebra(nullptr);
  OutputCapture capture;
  SM_printAlgebras();
  EXPECT_TRUE(contains(capture.diagnostics, "No algebras loaded"));
  SM_setFirstAlgebra(head);
}

}  // namespace
