// The record and the store: look-up or creation by (type, rank, level), refusals, the
// chain and look-up by full name, record defaults and accounts, the allocators, the
// small accessors, the record dump, the reset to the start state, and the type words,
// recreating commands and file names of records.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Error.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class Storemanager : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(Storemanager, LevelOrRankZeroIsTheTrivialTheory) {
  SpectrumData* trivial = SM_getData(1, 0, 0);
  ASSERT_NE(trivial, nullptr);
  EXPECT_EQ(trivial->n_primaries, 1);
  EXPECT_EQ(SM_getData(1, 3, 0), trivial);
  EXPECT_EQ(SM_getData(4, 0, 2), trivial);
  EXPECT_EQ(SM_getData(5, 8, 0), trivial);
  // U(1) keeps rank and level: radius 5 has 5 fields.
  SpectrumData* u1 = SM_getData(0, 5, 0);
  ASSERT_NE(u1, nullptr);
  EXPECT_EQ(u1->type, 0);
  EXPECT_EQ(u1->rank, 5);
  EXPECT_EQ(u1->n_primaries, 5);
  EXPECT_EQ(u1->rep_size, 1);
}

TEST_F(Storemanager, InvalidTypesAreRefusedWithoutARecord) {
  SpectrumData* head = SM_getFirstAlgebra();
  for (int type : {-1, 8, 9, 10, 17, 18, 19, 26, 28}) {
    OutputCapture capture;
    EXPECT_EQ(SM_getData(type, 2, 1), nullptr) << type;
    EXPECT_TRUE(contains(capture.diagnostics, "Invalid algebra type: " + std::to_string(type))) << capture.diagnostics;
  }
  EXPECT_EQ(getError("SM_getData", 0)->count, 9);
  OutputCapture capture;
  EXPECT_EQ(SM_getData(6, 1, 1), nullptr);  // made only by the tensor layer; no message
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(SM_getFirstAlgebra(), head);
}

TEST_F(Storemanager, AnAlgebraTheCoreRefusesLeavesNoRecord) {
  SpectrumData* head = SM_getFirstAlgebra();
  OutputCapture capture;
  EXPECT_EQ(SM_getData(5, 3, 1), nullptr);  // no exceptional algebra of rank 3
  EXPECT_EQ(SM_getFirstAlgebra(), head);
}

TEST_F(Storemanager, TheSameNumbersGiveTheSameRecord) {
  SpectrumData* a2 = SM_getData(1, 2, 1);
  ASSERT_NE(a2, nullptr);
  EXPECT_EQ(SM_getData(1, 2, 1), a2);
  SpectrumData* e6 = SM_getData(5, 6, 1);
  EXPECT_NE(e6, a2);
  EXPECT_EQ(SM_getData(1, 2, 1), a2);  // found again by the chain walk
  EXPECT_EQ(SM_getFirstAlgebra(), e6);  // newest first
  EXPECT_EQ(SM_nextAlgebra(e6), a2);
  EXPECT_EQ(SM_findCFT("A2 level 1"), a2);
  EXPECT_EQ(SM_findCFT("E6 level 1"), e6);
  EXPECT_EQ(SM_findCFT("A2 level"), nullptr);
}

TEST_F(Storemanager, LongNamesAreTwoTheoriesWhenTheyDifferLate) {
  const std::string prefix(30, 'x');
  SpectrumData* first = allocateSpectrumData((prefix + " first").c_str());
  SpectrumData* second = allocateSpectrumData((prefix + " second").c_str());
  EXPECT_EQ(SM_findCFT((prefix + " first").c_str()), first);
  EXPECT_EQ(SM_findCFT((prefix + " second").c_str()), second);
  EXPECT_EQ(SM_findCFT(prefix.c_str()), nullptr);
}

TEST_F(Storemanager, ANewRecordHasTheDefaults) {
  SpectrumData* sd = allocateSpectrumData("fresh");
  EXPECT_EQ(sd->type, -1);
  EXPECT_EQ(sd->rank, -1);
  EXPECT_EQ(sd->level, -1);
  EXPECT_EQ(sd->perm_order, 1);
  EXPECT_EQ(sd->use_orbits, 1);
  EXPECT_EQ(sd->s_available, 1);
  EXPECT_EQ(sd->parent_current, -1);
  EXPECT_EQ(sd->dual_coxeter, -1);
  EXPECT_EQ(sd->complex, 1);
  EXPECT_EQ(sd->symmetric, 1);
  EXPECT_EQ(sd->grade_current, -1);
  EXPECT_EQ(sd->validity, 0);
  EXPECT_EQ(sd->store_s, 1);  // "Store_S" is 2 unless set otherwise
  EXPECT_EQ(sd->weights_exact, -99999999);
  EXPECT_EQ(sd->c, -1.0);
  EXPECT_EQ(sd->labels, nullptr);
  EXPECT_EQ(sd->tex, nullptr);
  ASSERT_NE(sd->automorphisms, nullptr);
  EXPECT_EQ(sd->automorphisms->Nfill, 0);
  EXPECT_STREQ(sd->name, "fresh");
  EXPECT_STREQ(sd->alloc.name, "Algebra fresh");
  EXPECT_STREQ(sd->s_alloc.name, "S-matrix fresh");
  EXPECT_GE(sd->alloc.bytesHeld(), sizeof(SpectrumData));
  EXPECT_EQ(sd->s_alloc.bytesHeld(), 0u);
}

TEST_F(Storemanager, AccountNamesKeepAtMostSixtyAndSeventyCharactersOfTheName) {
  const std::string name(100, 'n');
  SpectrumData* sd = allocateSpectrumData(name.c_str());
  EXPECT_EQ(std::string(sd->alloc.name), "Algebra " + std::string(60, 'n'));
  EXPECT_EQ(std::string(sd->s_alloc.name), "S-matrix " + std::string(70, 'n'));
  EXPECT_EQ(std::string(sd->name), name);
}

TEST_F(Storemanager, ALieRecordHoldsItsSpectrum) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  EXPECT_STREQ(sd->name, "A2 level 1");
  EXPECT_EQ(sd->rep_size, 3);
  EXPECT_EQ(sd->n_primaries, 3);
  EXPECT_EQ(sd->n_orbits, 1);
  EXPECT_EQ(sd->adjoint_dim, 8);
  EXPECT_EQ(sd->dual_coxeter, 3);
  EXPECT_EQ(sd->complex, 1);
  EXPECT_EQ(sd->validity, 3);
  EXPECT_EQ(sd->weights_exact, 1);
  EXPECT_NEAR(sd->c, 2.0, 1e-12);
  // Weights 0, 1/3, 1/3 with the common factor taken out: denominator 3.
  EXPECT_EQ(sd->weight_den, 3);
  for (int a = 0; a < 3; ++a) {
    Rat h;
    EXPECT_EQ(SM_getRatWeight(sd, a, &h), 1);
    EXPECT_EQ(h.num, a == 0 ? 0 : 1);
    EXPECT_EQ(h.den, a == 0 ? 1 : 3);
  }
  EXPECT_STREQ(sd->alloc.name, "Algebra A2 level 1");
  EXPECT_GT(SM_getTotalAlloc(), 0);
  // B(2t) is not a genuine CFT but S and fusion work.
  SpectrumData* btilde = SM_getData(13, 3, 1);
  ASSERT_NE(btilde, nullptr);
  EXPECT_EQ(btilde->validity, 2);
}

TEST_F(Storemanager, FixedPointCurrentsOfTheRecord) {
  // D4 level 2: every current fixes some field; A2 level 1: none does.
  SpectrumData* d4 = SM_getData(4, 4, 2);
  EXPECT_EQ(SM_getFCFTnumber(d4), 3);
  EXPECT_EQ(SM_getData(1, 2, 1)->n_fp_currents, 0);
  // A1 level 2: the current fixes the spin-1/2 field.
  SpectrumData* a1 = SM_getData(1, 1, 2);
  ASSERT_EQ(a1->n_fp_currents, 1);
  EXPECT_EQ(SM_getFixedPointCurrents(a1)[0], 1);
}

TEST_F(Storemanager, SmallAccessorsAndTheirRefusals) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  OutputCapture capture;
  SM_setTeXString(sd, "A_2^{(2)}");
  SM_setTeXString(sd, "other");
  EXPECT_STREQ(sd->tex, "A_2^{(2)}");
  EXPECT_TRUE(contains(capture.diagnostics, "TeX string already set"));
  SM_setExactWeights(sd, 0);
  EXPECT_EQ(sd->weights_exact, 0);
  EXPECT_EQ(sd->exact[0], 1);  // the vacuum of a genuine CFT stays exact
  for (int a = 1; a < sd->n_primaries; ++a) EXPECT_EQ(sd->exact[a], 0);
  SM_setExactWeights(sd, 5);
  for (int a = 0; a < sd->n_primaries; ++a) EXPECT_EQ(sd->exact[a], 1);
  EXPECT_EQ(LieCheck(sd), 1);
  SpectrumData* bare = allocateSpectrumData("not Lie");
  bare->type = 9;
  EXPECT_EQ(LieCheck(bare), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "This command is only defined for affine Lie algebras"));
  EXPECT_EQ(SM_ConvertToBasic(bare, 7), 7);
  EXPECT_EQ(SM_getRep(sd, sd->n_primaries), nullptr);
  EXPECT_EQ(SM_getRep(sd, 1), sd->labels + 3);
  double re = 3.0, im = 4.0;
  EXPECT_EQ(SM_zeroResult(&re, &im), 0);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
}

TEST_F(Storemanager, DimensionsOfA2LevelTwo) {
  SpectrumData* sd = SM_getData(1, 2, 2);
  ASSERT_EQ(SM_initDimensions(sd), 1);
  // Weyl dimensions (a+1)(b+1)(a+b+2)/2 of the labels (a, b).
  for (int f = 0; f < sd->n_primaries; ++f) {
    const int a = sd->labels[f * 3];
    const int b = sd->labels[f * 3 + 1];
    EXPECT_EQ(sd->dims[f], (a + 1) * (b + 1) * (a + b + 2) / 2);
  }
  EXPECT_EQ(SM_initDimensions(allocateSpectrumData("no labels")), 0);
}

TEST_F(Storemanager, AllocatorsLayOutTheBlocks) {
  SpectrumData* sd = allocateSpectrumData("layout");
  sd->n_primaries = 5;
  sd->rep_size = 2;
  sd->scgroup = DG_trivial();
  const std::uint64_t before = sd->alloc.bytesHeld();
  SM_allocFieldInfo(sd, 1, 1);
  ASSERT_NE(sd->labels, nullptr);
  EXPECT_EQ(sd->exact, sd->weight_num + 5);
  EXPECT_EQ(sd->orbit_base, sd->orbit_number);  // no generators: 2 ints per field
  EXPECT_EQ(sd->orbit_position, sd->orbit_number + 5);
  EXPECT_EQ(sd->stabilizers, nullptr);
  EXPECT_EQ(sd->dims[4], -99999999);
  // labels 10, weights 10, conjugates 5, orbits 10, dims 5, content 20 ints.
  EXPECT_EQ(sd->alloc.bytesHeld() - before, 60 * sizeof(int));
  const int orders[] = {4, 2};
  sd->scgroup = DG_find(orders, 2);
  SM_allocFieldInfo_Orbits(sd);
  EXPECT_EQ(sd->stabilizers, sd->orbit_number + 15);
  EXPECT_EQ(sd->charges, sd->stabilizers + 10);
  SM_allocFieldInfo_FCFT(sd);
  EXPECT_EQ(sd->fcft, nullptr);
  sd->n_fp_currents = 2;
  SM_allocFieldInfo_FCFT(sd);
  ASSERT_NE(sd->fcft, nullptr);
  EXPECT_EQ(sd->fcft[1], nullptr);
  EXPECT_EQ(sd->fcft_shift, sd->fcft_labels + 10);
  HeteroticData header;
  header.header[2] = 4;
  SM_allocHeterotic(sd, &header);
  ASSERT_NE(sd->heterotic, nullptr);
  EXPECT_EQ(sd->heterotic->present, 1);
  EXPECT_EQ(sd->heterotic->header[2], 4);
}

TEST_F(Storemanager, TheDumpNamesTheRecord) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  OutputCapture capture;
  SM_printSpectrumData(sd);
  const std::string& out = capture.printed;
  EXPECT_EQ(out.rfind("--- General CFT info\nName: A2 level 1\n", 0), 0u);
  EXPECT_TRUE(contains(out, "Type 1, Rank 2, Level 1\n"));
  EXPECT_TRUE(contains(out, "Number of primaries: 3\n"));
  EXPECT_TRUE(contains(out, "Genuine CFT\n"));
  EXPECT_TRUE(contains(out, "Not a permutation orbifold\n"));
  EXPECT_TRUE(contains(out, "Number of simple current orbits: 1\n"));
  EXPECT_TRUE(contains(out, "Complex CFT\n"));
  EXPECT_TRUE(contains(out, "CFT did not originate from a tensor product or coset CFT\n"));
  EXPECT_TRUE(contains(out, "Current automorphisms available\n"));
  SpectrumData* btilde = SM_getData(13, 3, 1);
  capture.clear();
  SM_printSpectrumData(btilde);
  EXPECT_TRUE(contains(capture.printed, "Not a genuine CFT, but S and fusion should work.\n"));
  EXPECT_TRUE(contains(capture.printed, "\nNext algebra in chain: A2 level 1\n"));
}

TEST_F(Storemanager, AResetReturnsToTheStartUpChain) {
  SpectrumData* start = SM_getFirstAlgebra();
  SpectrumData* a3 = SM_getData(1, 3, 1);
  ASSERT_NE(a3, nullptr);
  resetAll();
  EXPECT_EQ(SM_getFirstAlgebra(), start);
  EXPECT_EQ(SM_findCFT("A3 level 1"), nullptr);
  EXPECT_EQ(SM_getData(1, 0, 0), currentSD);
  EXPECT_EQ(currentSD->scgroup->order, 1);  // its group survives the group-cache reset
  SpectrumData* again = SM_getData(1, 3, 1);
  EXPECT_NE(again, a3);
  EXPECT_STREQ(a3->name, "A3 level 1");  // the old record is still alive
}

// ---------------------------------------------------------------------------------------
// Type words, recreating commands and file names

TEST_F(Storemanager, TypeWords) {
  const struct {
    int type, rank;
    const char* word;
  } words[] = {{0, 3, "U"},        {1, 2, "A"},         {2, 3, "B"},
               {3, 2, "C"},        {4, 4, "D"},         {5, 6, "E"},
               {5, 8, "E"},        {5, 4, "F"},         {5, 2, "G"},
               {6, 0, "minimal"},  {27, 0, "minimal"},  {7, 3, "orbifold"},
               {9, 0, "cft"},      {17, 0, "cft"},      {10, 0, "fcft"},
               {11, 1, "At"},      {12, 3, "Bt"},       {13, 3, "Bc"},
               {14, 3, "Ct"},      {15, 4, "Ft"},       {16, 2, "Gt"},
               {18, 0, "permutation"}, {19, 0, "permutation_fcft"}, {26, 0, "minimal_fcft"}};
  for (const auto& w : words) EXPECT_EQ(SM_charType(w.type, w.rank), w.word) << w.type << "/" << w.rank;
  OutputCapture capture;
  SM_charType(1, 2);
  for (int rank : {0, 1, 3, 5}) EXPECT_EQ(SM_charType(5, rank), "A");  // the previous word stays
  EXPECT_EQ(SM_charType(8, 1), "A");
  EXPECT_EQ(SM_charType(20, 1), "A");
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid type/rank 5/3"));
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid type/rank 20/1"));
}

TEST_F(Storemanager, RecreatingCommands) {
  EXPECT_EQ(SM_algCommand(SM_getData(1, 2, 1)), "A 2 1");
  EXPECT_EQ(SM_algCommand(SM_getData(0, 5, 0)), "U 5");
  EXPECT_EQ(SM_algCommand(SM_getData(5, 8, 2)), "E 8 2");
  EXPECT_EQ(SM_algCommand(SM_getData(5, 2, 3)), "G 2 3");
  EXPECT_EQ(SM_algCommand(SM_getData(13, 3, 1)), "Bc 3 1");
  SpectrumData* recentred = allocateSpectrumData("X");
  recentred->type = 17;
  EXPECT_EQ(SM_algCommand(recentred), "cft X");
  SpectrumData* perm = allocateSpectrumData("A1 level 2_perm");
  perm->type = 18;
  EXPECT_EQ(SM_algCommand(perm), "A1 level 2_perm");
  SpectrumData* complement = allocateSpectrumData("A2 level 1_compl");
  complement->type = 8;
  OutputCapture capture;
  EXPECT_EQ(SM_algCommand(complement), "");
  EXPECT_TRUE(contains(capture.diagnostics, "Invalid type/rank 8/-1"));
}

TEST_F(Storemanager, CommandsReadBackGiveTheSameRecord) {
  const int triples[][3] = {{1, 1, 1}, {1, 4, 2}, {2, 3, 2}, {3, 2, 3}, {4, 5, 1}, {5, 2, 2},
                            {5, 4, 1}, {5, 6, 2}, {5, 7, 1}, {5, 8, 2}, {0, 6, 0}, {13, 3, 1}};
  for (const auto& t : triples) {
    SpectrumData* sd = SM_getData(t[0], t[1], t[2]);
    ASSERT_NE(sd, nullptr);
    std::istringstream words(SM_algCommand(sd));
    std::string word;
    int rank = 0, level = 0;
    words >> word >> rank;
    if (!(words >> level)) level = 0;
    int found = -1;
    for (int type = 0; type <= 16 && found < 0; ++type) {
      if (type == 6 || type == 8 || type == 9 || type == 10) continue;
      OutputCapture quiet;
      if (SM_charType(type, rank) == word) found = type;
    }
    ASSERT_GE(found, 0) << word;
    EXPECT_EQ(SM_getData(found, rank, level), sd) << SM_algCommand(sd);
  }
}

TEST_F(Storemanager, FileNamesTurnBlanksIntoUnderscores) {
  SpectrumData* sd = SM_getData(1, 2, 1);
  EXPECT_EQ(SM_getCurrentAlgebraFileName(sd, "my dir/", "S ", ".sdir"), "my_dir/S_A2_level_1.sdir");
  EXPECT_EQ(SM_getCurrentAlgebraFileName(sd, "", "", ""), "A2_level_1");
  EXPECT_EQ(SM_getCurrentAlgebraFileName(sd, "a' 'b ", nullptr, nullptr), "a' 'b_A2_level_1");
}

}  // namespace
