// Texts of S and P elements and of fusion and P-fusion products.
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "ModularTestSupport.h"
#include "runtime/Directories.h"

using namespace modular_test;

namespace {

class ModularTextTest : public ModularTestBase {};

std::string product(int i, int j, int d = 0) {
  std::string text;
  compF(text, i, j, d);
  return text;
}

// The coefficients of a product text: field -> signed coefficient.
std::map<int, int> terms(const std::string& text) {
  std::map<int, int> found;
  std::istringstream words(text.substr(text.find('=') + 1));
  int sign = 1, magnitude = 1;
  for (std::string word; words >> word;) {
    if (word == "+") {
      sign = 1;
    } else if (word == "-") {
      sign = -1;
    } else if (word.front() == '(' && word.back() == ')') {
      found[std::stoi(word.substr(1, word.size() - 2))] = sign * magnitude;
      sign = 1, magnitude = 1;
    } else if (word != "x" && word != "---") {
      const int value = std::stoi(word);
      if (value < 0) sign = -1;
      magnitude = std::abs(value);
    }
  }
  return found;
}

}  // namespace

// --- Elements ----------------------------------------------------------------------------

TEST_F(ModularTextTest, ElementLabelsArePaddedToTheWidthOfTheFieldNumbers) {
  useTheory(1, 1, 6);  // 7 primaries: width 2 x 1 + 5 = 7
  std::string text;
  displayS(text, 0, 0);
  // S_00 = sqrt(2/8) sin(pi/8) = 0.19134172.
  EXPECT_EQ(text, "S(0,0) =      0.19134172 \n");
  useTheory(1, 1, 119);  // 120 primaries: width 11
  text.clear();
  displayS(text, 0, 0);
  EXPECT_EQ(text.substr(0, 13), "S(0,0)     = ");
  text.clear();
  displayS(text, 100, 119);
  EXPECT_EQ(text.substr(0, 13), "S(100,119) = ");
}

TEST_F(ModularTextTest, ValuesPhasesAndPrecision) {
  std::string text;
  printModMatElt(text, 0.0, 0.5);
  EXPECT_EQ(text, "=      0.00000000 +      0.50000000 i    (phase:   0.25000)\n");
  text.clear();
  printModMatElt(text, -0.0, -0.5);  // never a negative zero; the sign of im joins the "-"
  EXPECT_EQ(text, "=      0.00000000 -      0.50000000 i    (phase:   0.75000)\n");
  text.clear();
  printModMatElt(text, -0.5, 0.5);  // phase 3/8
  EXPECT_EQ(text, "=     -0.50000000 +      0.50000000 i    (phase:   0.37500)\n");
  text.clear();
  printModMatElt(text, 0.25, 0.0);
  EXPECT_EQ(text, "=      0.25000000 \n");
  setIntPar("High_precision", 1);
  text.clear();
  printModMatElt(text, 0.5, 0.0);
  EXPECT_EQ(text, "=         0.500000000000000000000000000000 \n");
  text.clear();
  printModMatElt(text, 0.5, 0.25);
  EXPECT_EQ(
      text.substr(0, 87),
      "=         0.500000000000000000000000000000 +         0.250000000000000000000000000000 i");
}

TEST_F(ModularTextTest, NegativeValuesTheirPhasesAndTinyRealParts) {
  std::string text;
  // -(1 + i)/2 lies at 5/8 of a turn.
  printModMatElt(text, -0.5, -0.5);
  EXPECT_EQ(text, "=     -0.50000000 -      0.50000000 i    (phase:   0.62500)\n");
  text.clear();
  // SU(3)_1: S(3,3bar) = exp(-2 pi i/3)/sqrt 3 = -1/(2 sqrt 3) - i/2, at 2/3 of a turn.
  printModMatElt(text, -0.5 / std::sqrt(3.0), -0.5);
  EXPECT_EQ(text, "=     -0.28867513 -      0.50000000 i    (phase:   0.66667)\n");
  text.clear();
  // A real part far below the last decimal shown prints as zero, never "-0.00000000".
  printModMatElt(text, -4e-12, 0.0);
  EXPECT_EQ(text, "=      0.00000000 \n");
  text.clear();
  // Stored as -0.123456784999999999441...: below the tie, so the last digit stays 8.
  printModMatElt(text, -0.123456785, 0.0);
  EXPECT_EQ(text, "=     -0.12345678 \n");
  text.clear();
  setIntPar("High_precision", 1);
  printModMatElt(text, -1e-40, 1.0);
  EXPECT_EQ(text,
            "=         0.000000000000000000000000000000 +         1.000000000000000000000000000000 i"
            "    (phase:   0.25000)\n");
  text.clear();
  printModMatElt(text, 0.0, -0.25);
  EXPECT_EQ(text,
            "=         0.000000000000000000000000000000 -         0.250000000000000000000000000000 i"
            "    (phase:   0.75000)\n");
}

TEST_F(ModularTextTest, PElementsAndTheCForm) {
  SpectrumData* sd = useTheory(1, 1, 4);
  // P_00 = 2/sqrt(6) sin(pi/12) = 0.21132487 for A1 at level 4.
  std::string text;
  displayP(text, a1Field(sd, 0), a1Field(sd, 0));
  EXPECT_EQ(text, "P(0,0) =      0.21132487 \n");
  text.clear();
  displaySforC(text, 0, 0);
  // S_00 = sqrt(2/6) sin(pi/6) = 0.288675134594813.
  EXPECT_EQ(text,
            formatText("ReS[0][0] = %30.15f;\nImS[0][0] = %30.15f;\n", 0.288675134594813, 0.0));
  EXPECT_EQ(genPosCheck(), 2);
  MOD_set_S_CALL_TRACE(1);
  OutputCapture capture;
  text.clear();
  displayS(text, 0, 1);
  displaySforC(text, 0, 1);
  EXPECT_TRUE(contains(capture.stdoutText, "displayS\n"));
  EXPECT_TRUE(contains(capture.stdoutText, "displayDforC\n"));
}

// --- Fusion products -----------------------------------------------------------------------

TEST_F(ModularTextTest, A1AtLevel2) {
  SpectrumData* sd = useTheory(1, 1, 2);
  ASSERT_EQ(a1Label(sd, 1), 2);  // the current
  ASSERT_EQ(a1Label(sd, 2), 1);  // spin 1/2
  // 1/2 x 1/2 = 0 + 1.
  EXPECT_EQ(product(2, 2), "(2) x (2) =  (0)  + (1) \n\n");
  EXPECT_EQ(product(1, 2), "(1) x (2) =  (2) \n\n");
  EXPECT_EQ(product(1, 1), "(1) x (1) =  (0) \n\n");
}

TEST_F(ModularTextTest, TheVacuumListsTheOtherField) {
  SpectrumData* sd = useTheory(1, 2, 2);
  for (int j = 0; j < sd->n_primaries; ++j) {
    EXPECT_EQ(product(0, j), formatText("(0) x (%d) =  (%d) \n\n", j, j));
  }
}

TEST_F(ModularTextTest, LongProductsContinueOnIndentedLines) {
  SpectrumData* sd = useTheory(1, 1, 40);
  const int a = a1Field(sd, 20);
  const std::string text = product(a, a);
  // 20 x 20 at level 40: every even label from 0 to 40.
  std::map<int, int> expected;
  for (int c = 0; c <= 40; c += 2) expected[a1Field(sd, c)] = 1;
  EXPECT_EQ(terms(text), expected);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.back(), "");
  for (std::size_t k = 0; k + 2 < lines.size(); ++k) {
    EXPECT_GE(lines[k].size(), 61u) << k;
    EXPECT_LT(lines[k].size(), 61u + 12) << k;
  }
  for (std::size_t k = 1; k + 1 < lines.size(); ++k) {
    EXPECT_EQ(lines[k].substr(0, 15), std::string(14, ' ') + " ") << k;
  }
}

TEST_F(ModularTextTest, ProductsAgreeWithTheFusionCoefficients) {
  SpectrumData* sd = useTheory(1, 2, 3);
  for (int i = 0; i < sd->n_primaries; ++i) {
    for (int j = i; j < sd->n_primaries; ++j) {
      std::map<int, int> expected;
      for (int k = 0; k < sd->n_primaries; ++k) {
        if (const int n = fusion(i, j, k, 0); n != 0) expected[k] = n;
      }
      EXPECT_EQ(terms(product(i, j)), expected) << i << " " << j;
    }
  }
}

TEST_F(ModularTextTest, ProductsFromTheOrbitBaseInMemoryAndBehindTheRowCache) {
  // Every product summed over pairs of orbits (the fusion table kept out): A1 at level 10
  // (6 orbits, the base in memory, then behind the row cache) against the A1 rule, and A2
  // at level 4 (complex, phases of Z3) against the single coefficients.
  auto withoutTable = [] {
    initSMATRIX();
    modularState().fusionTable.refused = QueryCFT();
  };
  for (int threshold : {0, 6}) {
    setModularDiskRowThreshold(threshold);
    setIntPar("S_matrix maxsize", 2);
    SpectrumData* sd = useTheory(1, 1, 10);
    withoutTable();
    ASSERT_EQ(modularState().compute_s_base == &compSBaseFromDisk, threshold == 6);
    for (int i = 0; i < sd->n_primaries; ++i) {
      for (int j = 0; j < sd->n_primaries; ++j) {
        std::map<int, int> expected;
        for (int k = 0; k < sd->n_primaries; ++k) {
          if (a1Fusion(10, a1Label(sd, i), a1Label(sd, j), a1Label(sd, k)) != 0) expected[k] = 1;
        }
        ASSERT_EQ(terms(product(i, j)), expected) << threshold << ": " << i << " " << j;
      }
    }
  }
  setModularDiskRowThreshold(0);
  std::error_code ignored;
  std::filesystem::remove_all(getWorkDir() + "SA1_level_10.sdir", ignored);
  SpectrumData* sd = useTheory(1, 2, 4);
  withoutTable();
  for (int i = 0; i < sd->n_primaries; ++i) {
    for (int j = 0; j < sd->n_primaries; ++j) {
      std::map<int, int> expected;
      for (int k = 0; k < sd->n_primaries; ++k) {
        if (const int n = FastFusion(i, j, k); n != 0) expected[k] = n;
      }
      ASSERT_EQ(terms(product(i, j)), expected) << i << " " << j;
    }
  }
}

TEST_F(ModularTextTest, TheDimensionSumRule) {
  setIntPar("Fusion sumcheck", 1);
  // A1 level 1: 2 x 2 = 1 at the level, so 4 - 1 = 3 is missing.
  useTheory(1, 1, 1);
  EXPECT_EQ(product(1, 1), "(1) x (1) =  (0) \n\nDimension sum rule deficit: 3\n\n");
  // A1 level 2: 2 x 2 = 1 + 3 is complete.
  useTheory(1, 1, 2);
  EXPECT_EQ(product(2, 2), "(2) x (2) =  (0)  + (1) \n\nDimension sum rule deficit: 0\n\n");
}

TEST_F(ModularTextTest, ADenominatorRowShiftsTheSelectionRule) {
  // A1 level 1 with the current as denominator: N(0,0,J) = 1, which the plain charge rule
  // of the vacuum denominator would forbid.
  useTheory(1, 1, 1);
  EXPECT_EQ(product(0, 0, 1), "(0) x (0) =  (1) \n\n");
  SpectrumData* sd = useTheory(1, 1, 3);
  const int J = a1Field(sd, 3);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      getRijk(-1, i, j, J);
      for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(getRijk(k, i, j, 0), fusion(i, j, k, J), kTol) << i << j << k;
    }
  }
}

TEST_F(ModularTextTest, PFusionProducts) {
  SpectrumData* sd = useTheory(1, 1, 4);
  bool sawEmpty = false;
  for (int i = 0; i < sd->n_primaries; ++i) {
    for (int j = 0; j < sd->n_primaries; ++j) {
      std::string text;
      compFp(text, i, j, 0);
      std::map<int, int> expected;
      for (int k = 0; k < sd->n_primaries; ++k) {
        if (const int n = Pfusion(i, j, k); n != 0) expected[k] = n;
      }
      EXPECT_EQ(terms(text), expected) << i << " " << j;
      if (expected.empty()) {
        sawEmpty = true;
        EXPECT_EQ(text, formatText("(%d) x (%d) =  --- \n\n", i, j));
      } else {
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
      }
    }
  }
  EXPECT_TRUE(sawEmpty);
}

TEST_F(ModularTextTest, ADenominatorRowWithAZeroIsRefused) {
  // A1 level 2: S vanishes between the two spin-1/2 entries, S(1/2, 1/2) = 0.
  SpectrumData* sd = useTheory(1, 1, 2);
  const int half = a1Field(sd, 1);
  OutputCapture capture;
  EXPECT_EQ(product(0, 0, half), "(0) x (0) = \n");
  EXPECT_TRUE(contains(capture.diagnostics, "in the denominator row"));
  capture.clear();
  EXPECT_TRUE(fusionInterrupted(fusion(0, 0, 0, half)));
  EXPECT_TRUE(contains(capture.diagnostics,
                       formatText("Zero S element S(%d,%d) in the denominator row", half, half)));
  std::string text;
  compFp(text, 0, 0, half);
  EXPECT_EQ(text, "(0) x (0) = \n");
}
