// Character files: their names, the reader with each of its refusals, and the origin and
// character displays.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "collections/VectorUtility.h"
#include "numbers/LargeInteger.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class StoremanagerCharactersTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    saved = zoq_pathname;
    zoq_pathname = folder.path();
  }
  void TearDown() override { zoq_pathname = saved; }
  static std::vector<int> row(const SpectrumData* sd, int field) {
    const int* begin = sd->characters + field * sd->char_depth;
    return std::vector<int>(begin, begin + sd->char_depth);
  }

  TemporaryFolder folder;
  std::string saved;
};

TEST_F(StoremanagerCharactersTest, FileNames) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  EXPECT_EQ(SM_setCharacterFileName(a1), folder.path() + "/A1_level_1.chars");
  EXPECT_EQ(SM_setFileName(a1), folder.path() + "/S1.1.1");
  // The auxiliary ending of the N=2 minimal model's name is left out.
  SpectrumData* minimal = SM_getData(kStoreTypeMinimalN2, 2, 3);
  ASSERT_NE(minimal, nullptr);
  EXPECT_EQ(SM_setCharacterFileName(minimal), folder.path() + "/Min_2_3.chars");
  EXPECT_EQ(SM_CharactersAvailable(a1), 0);
  folder.write("A1_level_1.chars", "");
  EXPECT_EQ(SM_CharactersAvailable(a1), 1);
  // A name that no path can hold.
  zoq_pathname = std::string(5000, 'x');
  EXPECT_EQ(SM_setCharacterFileName(a1), "");
  EXPECT_TRUE(alerted("Pathname of file for characters is too long"));
}

TEST_F(StoremanagerCharactersTest, LinesOfExactlyTheOrderAreReadOneByOne) {
  // "Character order" is 4: each line holds exactly four coefficients, the doublet first.
  folder.write("A1_level_1.chars", "1 4 1 0 2 2 6 8\n0 1 0 1 1 3 4 7\n");
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SM_loadCharacters(a1);
  EXPECT_TRUE(silent());
  ASSERT_EQ(a1->chars_loaded, 1);
  EXPECT_EQ(a1->char_order, 4);
  EXPECT_EQ(row(a1, 0), (std::vector<int>{1, 3, 4, 7}));
  EXPECT_EQ(row(a1, 1), (std::vector<int>{2, 2, 6, 8}));
  // Read once: a changed file is not read again.
  folder.write("A1_level_1.chars", "");
  SM_loadCharacters(a1);
  EXPECT_EQ(row(a1, 1), (std::vector<int>{2, 2, 6, 8}));
}

TEST_F(StoremanagerCharactersTest, LongerLinesAndRepeatedFields) {
  // More coefficients than the order: the rest of the line goes; a field listed twice
  // keeps the later record.
  folder.write("A1_level_1.chars",
               "0 1 0 1 1 9 9 9 9 9\n0 1 0 1 1 3 4 7 13 14\n1 4 1 0 2 2 6 8 14 20\n");
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SM_loadCharacters(a1);
  ASSERT_EQ(a1->chars_loaded, 1);
  EXPECT_EQ(row(a1, 0), (std::vector<int>{1, 3, 4, 7}));
  EXPECT_EQ(row(a1, 1), (std::vector<int>{2, 2, 6, 8}));
}

TEST_F(StoremanagerCharactersTest, EveryRefusalLeavesTheCharactersUnread) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("A1_level_1.chars does not exist"));
  // The vacuum with weight 1/2.
  folder.write("A1_level_1.chars", "1 2 0 1 1 3 4 7\n");
  SM_loadCharacters(a1);
  EXPECT_NE(capture.printed.find("lbl=0, Num=1,Den=2,Stored=0/4\n"), std::string::npos)
      << capture.printed;
  EXPECT_TRUE(alerted("Representation has incorrect weight"));
  EXPECT_EQ(a1->chars_loaded, 0);
  // Labels of no field.
  folder.write("A1_level_1.chars", "0 1 2 2 1 3 4 7\n");
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("Representation not found"));
  EXPECT_EQ(a1->chars_loaded, 0);
  // The doublet has dimension 2.
  folder.write("A1_level_1.chars", "1 4 1 0 3 2 6 8\n");
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("Dimension does not match first term in character expansion."));
  EXPECT_EQ(a1->chars_loaded, 0);
  // Too few coefficients: reported, and the fields read so far are kept.
  folder.write("A1_level_1.chars", "0 1 0 1 1 3 4 7\n1 4 1 0 2 2\n");
  SM_loadCharacters(a1);
  EXPECT_NE(capture.diagnostics.find("Insufficient character coefficients in input file."),
            std::string::npos);
  EXPECT_TRUE(alerted("Premature end of file"));
  // A negative coefficient: no level has fewer than no states.
  folder.write("A1_level_1.chars", "0 1 0 1 1 3 -4 7\n");
  a1->chars_loaded = 0;
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("Negative character coefficient -4 of q^2 in " + folder.path() +
                      "/A1_level_1.chars (at primary nr. 0)"));
  EXPECT_EQ(a1->chars_loaded, 0);
  // Something that is not a number.
  folder.write("A1_level_1.chars", "0 1 0 x 1 3 4 7\n");
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("Invalid number"));
  EXPECT_EQ(a1->chars_loaded, 0);
}

TEST_F(StoremanagerCharactersTest, ALastLineWithoutItsNewlineIsAWholeRecord) {
  // Exactly the order, and more coefficients than the order, before the end of the file.
  SpectrumData* a1 = SM_getData(1, 1, 1);
  for (const char* last : {"1 4 1 0 2 2 6 8", "1 4 1 0 2 2 6 8 14"}) {
    SCOPED_TRACE(last);
    folder.write("A1_level_1.chars", std::string("0 1 0 1 1 3 4 7\n") + last);
    a1->chars_loaded = 0;
    SM_loadCharacters(a1);
    EXPECT_TRUE(silent());
    ASSERT_EQ(a1->chars_loaded, 1);
    EXPECT_EQ(row(a1, 1), (std::vector<int>{2, 2, 6, 8}));
    // 1/4 - 1/24 = 5/24.
    SM_browseCharacter(a1, 1);
    EXPECT_EQ(capture.printed, "q^[5/24] * ( 2 + 2*q + 6*q^2 + 8*q^3  + .... )\n");
    capture.clear();
  }
}

TEST_F(StoremanagerCharactersTest, ARefusedRecordIsNeitherKeptNorShown) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  // The doublet (dimension 2) given with 3 ground states, after a good vacuum.
  folder.write("A1_level_1.chars", "0 1 0 1 1 3 4 7\n1 4 1 0 3 2 6 8\n");
  SM_loadCharacters(a1);
  EXPECT_TRUE(
      alerted("Dimension does not match first term in character expansion.\n(Primary nr. 1)"));
  EXPECT_EQ(a1->chars_loaded, 0);
  EXPECT_EQ(row(a1, 1), (std::vector<int>{0, 0, 0, 0}));
  SM_browseCharacter(a1, 1);
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(alerted("Character of primary 1 of algebra A1 level 1 is not available"));
  // The vacuum, read before the refused record, still shows.
  SM_browseCharacter(a1, 0);
  EXPECT_EQ(capture.printed, "q^[-1/24] * ( 1 + 3*q + 4*q^2 + 7*q^3  + .... )\n");
  // A negative coefficient is neither kept nor printed either.
  folder.write("A1_level_1.chars", "1 4 1 0 2 -2 6 8\n");
  SM_loadCharacters(a1);
  EXPECT_TRUE(alerted("Negative character coefficient -2 of q^1"));
  SM_browseCharacter(a1, 1);
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(alerted("Character of primary 1 of algebra A1 level 1 is not available"));
}

TEST_F(StoremanagerCharactersTest, EmptyFileReportsEveryField) {
  folder.write("A2_level_1.chars", "");
  SpectrumData* a2 = SM_getData(1, 2, 1);
  SM_loadCharacters(a2);
  for (int a = 0; a < 3; ++a)
    EXPECT_NE(
        capture.diagnostics.find("Incorrect or missing character for label " + std::to_string(a)),
        std::string::npos);
  EXPECT_EQ(a2->chars_loaded, 1);
}

TEST_F(StoremanagerCharactersTest, WeightsKnownModuloIntegersMatchModuloIntegers) {
  // The complement of A1 level 1 has weights 0 and -1/4, known modulo integers only.
  SpectrumData* complement = SM_getComplement(SM_getData(1, 1, 1), nullptr);
  ASSERT_NE(complement, nullptr);
  folder.write("A1_level_1_compl.chars", "0 1 0 1 1 3 4 7\n3 4 1 0 2 2 6 8\n");
  SM_loadCharacters(complement);
  EXPECT_TRUE(silent());
  EXPECT_EQ(complement->chars_loaded, 1);
  // Same denominators (4 and 4) with a weight that is off by 1/2.
  SpectrumData* other = SM_getComplement(SM_getData(1, 1, 3), nullptr);
  ASSERT_NE(other, nullptr);
  Rat h;
  SM_getRatWeight(other, 1, &h);
  ASSERT_NE(h.den, 0);
  const std::string wrong =
      std::to_string(h.num + h.den / 2 + 5 * h.den) + " " + std::to_string(h.den);
  const int* label = SM_getRep(other, 1);
  folder.write("A1_level_3_compl.chars", wrong + " " + std::to_string(label[0]) + " " +
                                             std::to_string(label[1]) + " 1 1 1 1\n");
  SM_loadCharacters(other);
  EXPECT_TRUE(alerted("Representation has incorrect weight"));
}

TEST_F(StoremanagerCharactersTest, CharacterDisplay) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SM_browseCharacter(a1, 0);
  EXPECT_TRUE(alerted("Characters for algebra A1 level 1 are not available"));
  folder.write("A1_level_1.chars", "0 1 0 1 1 1 0 2\n1 4 1 0 2 2 6 8\n");
  SM_loadCharacters(a1);
  capture.clear();
  // h - c/24 = -1/24; a coefficient 1 at q is "+ q ", a zero is left out.
  SM_browseCharacter(a1, 0);
  EXPECT_EQ(capture.printed, "q^[-1/24] * ( 1 + q + 2*q^3  + .... )\n");
  capture.clear();
  // 1/4 - 1/24 = 5/24.
  SM_browseCharacter(a1, 1);
  EXPECT_EQ(capture.printed, "q^[5/24] * ( 2 + 2*q + 6*q^2 + 8*q^3  + .... )\n");
}

TEST_F(StoremanagerCharactersTest, Origins) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  SM_browseOrigin(a1, 1, 0);
  // An affine Lie algebra's field: one line.
  EXPECT_EQ(std::count(capture.printed.begin(), capture.printed.end(), '\n'), 1);
  EXPECT_EQ(capture.printed.rfind("Field     1: Algebra A1 level 1, Dynkin labels ", 0), 0u)
      << capture.printed;
  capture.clear();
  SpectrumData* p = SM_getPermutationOrbifold(a1, 2, nullptr);
  ASSERT_NE(p, nullptr);
  const int pairLabel[3] = {0, 1, 1};
  const int pair = SM_findLabel(p, pairLabel);
  capture.clear();
  SM_browseOrigin(p, pair, 0);
  // The off-diagonal field and both of its mother fields one level deeper.
  const std::string& text = capture.printed;
  EXPECT_NE(text.find("\n  Off-diagonal combination of fields 0 and 1\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\n  Field     0: Algebra A1 level 1"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  Field     1: Algebra A1 level 1"), std::string::npos) << text;
  capture.clear();
  const int excitedLabel[3] = {1, 1, 2};
  SM_browseOrigin(p, SM_findLabel(p, excitedLabel), 0);
  EXPECT_NE(
      capture.printed.find("  Excited twist field of field 1\n  Field     1: Algebra A1 level 1"),
      std::string::npos)
      << capture.printed;
  // A re-centred copy names the base's field.
  IntList trivial;
  initList(&trivial, 1);
  addToList(&trivial, 0);
  SpectrumData* X = SM_createCenter(a1, &trivial, "X");
  capture.clear();
  SM_browseOrigin(X, 1, 0);
  EXPECT_NE(capture.printed.find("Re-centered cft labels"), std::string::npos);
  EXPECT_NE(capture.printed.find("Label 1 is mapped to label 1\n"), std::string::npos);
}

TEST_F(StoremanagerCharactersTest, ShiftAndAdditionOfDimensions) {
  SpectrumData* a1 = SM_getData(1, 1, 1);
  a1->char_order = 4;
  int coefficients[4] = {0, 0, 3, 5};
  EXPECT_EQ(SM_shiftCharacter(coefficients, a1, 4), 2);
  EXPECT_EQ(coefficients[0], 3);
  EXPECT_EQ(coefficients[1], 5);
  EXPECT_EQ(a1->char_order, 2);
  EXPECT_EQ(DimensionAddition(2, 3), 5);
  const int big = DimensionAddition(600000000, 600000000);
  ASSERT_LT(big, 0);
  EXPECT_EQ(lint_string(retrieveLint(big)), "1200000000");
  EXPECT_EQ(DimensionAddition(0, 3), 0);
  EXPECT_TRUE(alerted("Unexpected logic flow"));
}

}  // namespace
