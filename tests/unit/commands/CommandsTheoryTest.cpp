// Theory selection and spectrum commands: the "algebra" type words with their CFT lines
// and refusals, loading a stored CFT by name, the status, the spectrum table and its
// filters, S-matrix elements, the field of given Dynkin labels and the counting queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class CommandsTheoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
};

// Number of lines of a text.
int lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CommandsTheoryTest, EveryUntwistedTypeWordLoadsItsTheoryAtLevelOne) {
  // Level-1 primaries are the weights with sum of comarks times labels at most 1; the
  // simple currents are the centre of the simply connected group.
  struct Case {
    const char* line;
    const char* expected;
  };
  const Case cases[] = {
      {"algebra a 1 1", "CFT A1 level 1; 2 primaries (2 simple currents)\n"},
      {"algebra a 2 1", "CFT A2 level 1; 3 primaries (3 simple currents)\n"},
      {"algebra b 2 1", "CFT B2 level 1; 3 primaries (2 simple currents)\n"},
      {"algebra c 2 1", "CFT C2 level 1; 3 primaries (2 simple currents)\n"},
      {"algebra d 4 1", "CFT D4 level 1; 4 primaries (4 simple currents)\n"},
      {"algebra e 6 1", "CFT E6 level 1; 3 primaries (3 simple currents)\n"},
      {"algebra e 7 1", "CFT E7 level 1; 2 primaries (2 simple currents)\n"},
      {"algebra e 8 1", "CFT E8 level 1; 1 primaries\n"},
      {"algebra f 4 1", "CFT F4 level 1; 2 primaries\n"},
      {"algebra g 2 1", "CFT G2 level 1; 2 primaries\n"},
      {"algebra u 4", "CFT U(1) radius 4; 4 primaries (4 simple currents)\n"},
  };
  for (const Case& c : cases) {
    OutputCapture capture;
    EXPECT_EQ(run(c.line), 0) << c.line;
    EXPECT_EQ(capture.printed, c.expected) << c.line;
    EXPECT_EQ(capture.diagnostics, "") << c.line;
    EXPECT_EQ(getModularMode()->active, 1) << c.line;
  }
}

TEST_F(CommandsTheoryTest, TheKeywordDecidesBetweenATypeAndAStoredCFT) {
  OutputCapture capture;
  run("algebra a 1 3");
  run("algebra c 3 1");
  EXPECT_EQ(capture.printed,
            "CFT A1 level 3; 4 primaries (2 simple currents)\nCFT C3 level 1; 4 primaries (2 "
            "simple currents)\n");
  capture.clear();
  // "cf" abbreviates "cft" (not "c"): the stored theory of that name becomes current again.
  EXPECT_EQ(run("algebra cf {A1 level 3}"), 0);
  EXPECT_EQ(capture.printed, "CFT A1 level 3; 4 primaries (2 simple currents)\n");
  EXPECT_STREQ(currentSD->name, "A1 level 3");
}

TEST_F(CommandsTheoryTest, AnUnknownCFTNameLeavesTheCurrentTheory) {
  OutputCapture capture;
  run("algebra a 2 1");
  SpectrumData* before = currentSD;
  capture.clear();
  EXPECT_EQ(run("algebra cft nosuch"), 1);
  EXPECT_EQ(capture.diagnostics, "No such algebra nosuch \n");
  EXPECT_EQ(currentSD, before);
}

TEST_F(CommandsTheoryTest, RanksOutsideTheTypeRangeAreRefused) {
  OutputCapture capture;
  // E has ranks 6 to 8, G only 2, F only 4, D from 4: a rank above the largest names it.
  const std::pair<const char*, int> refused[] = {{"algebra e 9 1", 8}, {"algebra g 3 1", 2}, {"algebra f 5 1", 4}};
  for (const auto& [line, largest] : refused) {
    capture.clear();
    EXPECT_EQ(run(line), 4) << line;
    EXPECT_EQ(capture.diagnostics, "Rank out of range; the largest rank of this type is " + std::to_string(largest) + " \n")
        << line;
    EXPECT_EQ(capture.printed, "") << line;
  }
  // A rank below the smallest names it; the twisted C diagram starts at rank 3.
  const std::pair<const char*, int> tooSmall[] = {
      {"algebra e 5 1", 6}, {"algebra d 3 1", 4}, {"algebra ct 2 1", 3}, {"algebra ct 1 4", 3}};
  for (const auto& [line, smallest] : tooSmall) {
    capture.clear();
    EXPECT_EQ(run(line), 4) << line;
    EXPECT_EQ(capture.diagnostics,
              "Rank out of range; the smallest rank of this type is " +
                  std::to_string(smallest) + " \n")
        << line;
    EXPECT_EQ(capture.printed, "") << line;
  }
  // U radii start at 2: the radius says so itself, without a warning about its parity.
  capture.clear();
  EXPECT_EQ(run("algebra u 1"), 2);
  EXPECT_EQ(capture.diagnostics, "Radius should be at least 2 \n");
}

TEST_F(CommandsTheoryTest, EachLevelOfTheTwistedA2HasItsOwnName) {
  OutputCapture capture;
  run("algebra at 1 1");
  run("algebra at 1 2");
  capture.clear();
  EXPECT_EQ(run("algebra cft {A(2) level 1}"), 0);
  EXPECT_EQ(currentSD->level, 1);
  EXPECT_EQ(capture.printed.rfind("CFT A(2) level 1; 1 primaries\n", 0), 0u);
  EXPECT_EQ(run("algebra cft {A(2) level 2}"), 0);
  EXPECT_EQ(currentSD->level, 2);
}

TEST_F(CommandsTheoryTest, AnUnknownTypeWordIsAnUnknownKeyword) {
  OutputCapture capture;
  EXPECT_EQ(run("algebra q 2 1"), kResultNoCommand);
  // The type words are named.
  EXPECT_EQ(capture.diagnostics,
            "Keyword q not known; \"algebra\" is followed by one of a, at, b, bc, bt, c, cft, ct, d, e, f, fcft, ft, "
            "g, gt, minimal, orbifold, u (see \"help algebra\")  \n");
}

TEST_F(CommandsTheoryTest, StatusNamesTheModeAndTheAlgebra) {
  OutputCapture capture;
  run("algebra d 5 1");
  capture.clear();
  run("status");
  EXPECT_EQ(capture.printed, "Mode: Single algebra\nAlgebra \"D5 level 1\"\n");
}

TEST_F(CommandsTheoryTest, SingleShowsTheStatusAndTheSpectrum) {
  OutputCapture capture;
  run("algebra a 1 1");
  disableModular();
  capture.clear();
  EXPECT_EQ(run("single"), 0);
  EXPECT_EQ(capture.printed,
            "Mode: Single algebra\nAlgebra \"A1 level 1\"\nCFT A1 level 1; 2 primaries (2 simple "
            "currents)\n");
}

TEST_F(CommandsTheoryTest, RestrictedSpectraAreFullSpectraForASingleAlgebra) {
  OutputCapture capture;
  EXPECT_EQ(run("compute massless_spectrum"), 0);
  EXPECT_EQ(
      capture.diagnostics,
      "In single algebra mode this command is\n equivalent to a full spectrum computation \n");
  EXPECT_EQ(getSpectrumComputed(), 1);
}

TEST_F(CommandsTheoryTest, TheSpectrumOfA1LevelTenHasTheWeightsOfSU2) {
  OutputCapture capture;
  run("algebra a 1 10");
  capture.clear();
  EXPECT_EQ(run("display"), 0);
  // Header, 11 rows and the closing empty line.
  EXPECT_EQ(lines(capture.printed), 13);
  // Every row shows h = j(j+2)/48 for its Dynkin label j (ground state (j,10-j)).
  for (int field = 0; field < 11; ++field) {
    const int* labels = SM_getRep(currentSD, field);
    const int j = labels[0];
    EXPECT_EQ(labels[1], 10 - j);
    long long num = j * (j + 2);
    long long den = 48;
    long long g = std::gcd(num, den);
    std::string weight =
        num == 0 ? "0"
                 : (den / g == 1 ? std::to_string(num / g)
                                 : std::to_string(num / g) + "/" + std::to_string(den / g));
    std::string row =
        std::to_string(field) + "  (" + std::to_string(j) + "," + std::to_string(10 - j) + ")";
    std::size_t at = capture.printed.find(row);
    ASSERT_NE(at, std::string::npos) << row;
    std::string line = capture.printed.substr(at, capture.printed.find('\n', at) - at);
    EXPECT_NE(line.find(" " + weight + " "), std::string::npos) << line;
  }
}

TEST_F(CommandsTheoryTest, DisplayRangesFieldsWeightsAndMasslessRows) {
  OutputCapture capture;
  run("algebra a 1 4");  // h = j(j+2)/24: the field j = 4 has weight 1
  capture.clear();
  run("display field 2");
  EXPECT_EQ(lines(capture.printed), 3);
  capture.clear();
  // A max beyond the last field (4) shows up to the last one; a min beyond it, or a max
  // below the min, is refused.
  EXPECT_EQ(run("display range 3 99"), 0);
  EXPECT_EQ(lines(capture.printed), 4);
  capture.clear();
  EXPECT_EQ(run("display range 5 6"), 2);
  EXPECT_EQ(capture.diagnostics, "Minimum (5) out of range (parameter 0) \n");
  capture.clear();
  EXPECT_EQ(run("display range 3 2"), 2);
  EXPECT_EQ(capture.diagnostics, "Minimum (3) > Maximum (2) (parameter 1) \n");
  EXPECT_EQ(capture.printed, "");
  capture.clear();
  run("display weight 1 1");
  EXPECT_EQ(lines(capture.printed), 3);
  EXPECT_NE(capture.printed.find("(4,0)"), std::string::npos);
  capture.clear();
  // h = j(j+2)/24 is never -1/2: the header and the closing line alone, no row.
  run("display weight -1 2");
  EXPECT_EQ(lines(capture.printed), 2);
  EXPECT_EQ(capture.printed.find("("), std::string::npos);
  capture.clear();
  // -1/-3 is 1/3, the weight of j = 2.
  run("display weight -1 -3");
  EXPECT_EQ(lines(capture.printed), 3);
  EXPECT_NE(capture.printed.find("(2,2)"), std::string::npos);
  EXPECT_EQ(SelectedWeightNum, -1);
  EXPECT_EQ(SelectedWeightDen, -1);
  capture.clear();
  run("display massless");
  // The vacuum and the weight-1 field.
  EXPECT_EQ(lines(capture.printed), 4);
  EXPECT_NE(capture.printed.find("(0,4)"), std::string::npos);
  EXPECT_NE(capture.printed.find("(4,0)"), std::string::npos);
  EXPECT_EQ(SelectedWeightNum, -1);
  EXPECT_EQ(massless_only, 0);
  capture.clear();
  run("display simple");
  EXPECT_EQ(lines(capture.printed), 4);
}

TEST_F(CommandsTheoryTest, DisplayComputesTheSpectrumFirst) {
  OutputCapture capture;
  run("algebra a 1 1");
  disableModular();
  capture.clear();
  run("display");
  EXPECT_EQ(capture.printed.rfind("CFT A1 level 1; 2 primaries (2 simple currents)\n", 0), 0u);
  EXPECT_EQ(getSpectrumComputed(), 1);
}

TEST_F(CommandsTheoryTest, SElementsOfA1LevelOne) {
  // S = (1/sqrt 2) ((1, 1), (1, -1)).
  OutputCapture capture;
  run("algebra a 1 1");
  capture.clear();
  run("s 1 1");
  EXPECT_EQ(capture.printed, "\nS(1,1) =     -0.70710678 \n\n");
  capture.clear();
  run("s 1");
  EXPECT_EQ(capture.printed, "\nS(1,0) =      0.70710678 \nS(1,1) =     -0.70710678 \n\n");
  capture.clear();
  // The full matrix leaves out S(1,0), the mirror of S(0,1).
  run("s");
  EXPECT_EQ(
      capture.printed,
      "\nS(0,0) =      0.70710678 \nS(0,1) =      0.70710678 \nS(1,1) =     -0.70710678 \n\n");
}

TEST_F(CommandsTheoryTest, VerifyComputesSSilentlyAndAFileGetsEveryElement) {
  // A1 level 2: S_ab = sqrt(2/4) sin(pi (a+1)(b+1)/4) for the Dynkin labels a, b; the
  // fields are the labels 0, 2 and 1. S(2,2) = sin(pi)/sqrt 2 = 0 prints as a plain zero.
  OutputCapture capture;
  run("algebra a 1 2");
  capture.clear();
  EXPECT_EQ(run("verify s"), 0);
  EXPECT_EQ(run("verify pmatrix"), 0);
  EXPECT_EQ(capture.all, "");
  TemporaryFolder folder;
  const std::string path = folder.path("s.txt");
  run(("file " + path).c_str());
  run("s");
  run("file off");
  EXPECT_EQ(readFile(path),
            "\nS(0,0) =      0.50000000 \nS(0,1) =      0.50000000 \nS(0,2) =      0.70710678 \n"
            "S(1,1) =      0.50000000 \nS(1,2) =     -0.70710678 \nS(2,2) =      0.00000000 \n\n");
  EXPECT_EQ(capture.all, "");
}

TEST_F(CommandsTheoryTest, SOfA2HasPhasesAThirdOfATurnApart) {
  // S_11 = exp(2 pi i/3)/sqrt 3 for the 3 of SU(3) level 1.
  OutputCapture capture;
  run("algebra a 2 1");
  capture.clear();
  run("s 1 1");
  EXPECT_EQ(capture.printed,
            "\nS(1,1) =     -0.28867513 +      0.50000000 i    (phase:   0.33333)\n\n");
}

TEST_F(CommandsTheoryTest, DynkinFindsTheFieldOfItsLabels) {
  OutputCapture capture;
  run("algebra a 2 2");
  for (int field = 0; field < currentSD->n_primaries; ++field) {
    const int* labels = SM_getRep(currentSD, field);
    capture.clear();
    std::string line = "dynkin " + std::to_string(labels[0]) + " " + std::to_string(labels[1]);
    EXPECT_EQ(run(line.c_str()), 0);
    EXPECT_EQ(capture.printed, std::to_string(field) + "\n") << line;
  }
}

TEST_F(CommandsTheoryTest, DynkinRefusals) {
  OutputCapture capture;
  run("algebra a 2 2");
  capture.clear();
  EXPECT_EQ(run("dynkin 1"), 1);
  EXPECT_EQ(capture.diagnostics, "Not enough Dynkin labels \n");
  capture.clear();
  run("dynkin 1 0 0");
  EXPECT_EQ(capture.diagnostics, "Too many Dynkin labels \n");
  capture.clear();
  EXPECT_EQ(run("dynkin -1 0"), 1);
  EXPECT_EQ(capture.diagnostics, "Negative Dynkin label \n");
  capture.clear();
  // Level 2 allows labels summing to at most 2.
  EXPECT_EQ(run("dynkin 2 1"), 1);
  EXPECT_EQ(capture.diagnostics, "Representation not found \n");
}

TEST_F(CommandsTheoryTest, CountingQueriesPrintOneInteger) {
  OutputCapture capture;
  run("algebra d 6 1");
  capture.clear();
  run("total primaries");
  run("total simple_currents");
  run("supersymmetric");
  // D6 level 1: 1, vector and two spinors, all simple currents (Z2 x Z2).
  EXPECT_EQ(capture.printed, "4\n4\n0\n");
}

TEST_F(CommandsTheoryTest, AnAlgebraWithoutGradeCurrentSaysSo) {
  OutputCapture capture;
  run("algebra a 1 2");
  capture.clear();
  EXPECT_EQ(run("value grade"), 1);
  EXPECT_EQ(capture.diagnostics, "No grade current defined \n");
}

}  // namespace
