// The orbit listings handed on as they are made (a line at a time, an orbit at a time where a
// filter may drop it) and ended at the line where the stop signal comes; the Galois basis
// and the commutant search under Ctrl-C and under the allocation limit.
//
// SU(2) at level k: the conductor is M = 2 (k + 2), and the unit l takes the label a to the
// label a' with a' + 1 = +-l (a + 1) mod 2 (k + 2) in 1 .. k + 1, the sign that of the
// reflection. h(a) = ((a+1)^2 - 1) / (4 (k+2)), so h(a') - h(a) = (l^2 - 1)(a+1)^2 / (4(k+2))
// modulo 1.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "program/Boot.h"
#include "runtime/Terminal.h"
#include "store/Galois.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"

namespace {

class GaloisListingTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
  }
  // A Ctrl-C comes before the next poll.
  static void pressControlC() {
    installInterruptHandler();
    std::raise(SIGINT);  // the handler only notes it
  }
  OutputCapture capture;
};

SpectrumData* su2(int level) {
  SpectrumData* sd = SM_getData(1, 1, level);
  EXPECT_NE(sd, nullptr) << level;
  return sd;
}

// The pieces a listing hands on; with stopAt > 0 the stop signal is set when that many
// have come.
struct Pieces {
  std::vector<std::string> list;
  std::size_t stopAt = 0;
  OrbitTextSink sink() {
    return [this](const std::string& piece) {
      list.push_back(piece);
      if (stopAt > 0 && list.size() == stopAt) setStopSignal(1);
    };
  }
  std::string joined() const {
    std::string text;
    for (const std::string& piece : list) text += piece;
    return text;
  }
};

// The factors l of the headers "\n<title> l\n" in the text, in order.
std::vector<int> headers(const std::string& text, const std::string& title) {
  std::vector<int> factors;
  const std::string head = "\n" + title + " ";
  for (std::size_t at = text.find(head); at != std::string::npos; at = text.find(head, at + 1))
    factors.push_back(std::stoi(text.substr(at + head.size())));
  return factors;
}

TEST_F(GaloisListingTest, TheGaloisOrbitsOfSu2AreHandedOnALineAtATime) {
  // Level 10, M = 24: the units 1, 5, 7, 11, 13, 17, 19, 23, each a block.
  SpectrumData* sd = su2(10);
  ASSERT_NE(sd, nullptr);
  Pieces pieces;
  SM_printFullGalois(sd, 0, 0, 0, pieces.sink());
  ASSERT_FALSE(pieces.list.empty());
  for (const std::string& piece : pieces.list) {
    ASSERT_FALSE(piece.empty());
    EXPECT_EQ(piece.back(), '\n') << piece;
    const bool header = piece.rfind("\nGalois dilation ", 0) == 0;
    EXPECT_EQ(std::count(piece.begin(), piece.end(), '\n'), header ? 2 : 1) << piece;
  }
  EXPECT_EQ(headers(pieces.joined(), "Galois dilation"),
            (std::vector<int>{1, 5, 7, 11, 13, 17, 19, 23}));
  // Every block lists each of the 11 fields once: the cycles of a permutation.
  std::string text;
  SM_printFullGalois(text, sd, 0, 0, 0);
  EXPECT_EQ(text, pieces.joined());
}

TEST_F(GaloisListingTest, AFilteredListingHandsOnTheOrbitsItKeepsWhole) {
  // Level 10: l^2 = 1 mod 48 for l = 1, 7, 17, 23, so every cycle keeps h modulo 1; for
  // l = 5, 11, 13, 19, l^2 = 25 mod 48 and h(a') - h(a) = (a+1)^2 / 2, a half for even a:
  // the cycle of the vacuum (a = 0 goes to 4 under 5) has a mismatch and the orbit is
  // dropped.
  SpectrumData* sd = su2(10);
  ASSERT_NE(sd, nullptr);
  Pieces pieces;
  SM_printFullGalois(sd, 1, 0, 0, pieces.sink());
  EXPECT_EQ(pieces.list.size(), 4u);
  for (const std::string& piece : pieces.list)
    EXPECT_EQ(headers(piece, "Galois dilation").size(), 1u) << piece;
  EXPECT_EQ(headers(pieces.joined(), "Galois dilation"), (std::vector<int>{1, 7, 17, 23}));
  // Every cycle kept has equal weights.
  for (const std::string& piece : pieces.list) {
    for (std::size_t at = piece.find(')'); at != std::string::npos; at = piece.find(')', at + 1))
      EXPECT_EQ(piece.compare(at, 4, ")***"), 0) << piece;
  }
}

TEST_F(GaloisListingTest, AListingOfFortySixThousandFieldsEndsAtTheLineOfTheStopSignal) {
  // Level 46000: l = 1 is the identity, every field its own cycle of equal weight.
  SpectrumData* sd = su2(46000);
  ASSERT_NE(sd, nullptr);
  Pieces galois;
  galois.stopAt = 5;
  SM_printFullGalois(sd, 0, 0, 0, galois.sink());
  EXPECT_EQ(galois.list, (std::vector<std::string>{"\nGalois dilation 1\n", "(0)*** \n",
                                                   "(1)*** \n", "(2)*** \n", "(3)*** \n"}));
  setStopSignal(0);
  // l = 2, the first factor sharing a factor with M = 92004: the label a goes to 2a + 1
  // while 2 (a + 1) <= k + 2; from the vacuum the labels 2^n - 1, in fields 2 (2^n - 1)
  // up to the label 16383 (field 2m has the label m, m < k/2).
  Pieces scale;
  scale.stopAt = 2;
  SM_printAllScaleOrbits(sd, scale.sink());
  ASSERT_EQ(scale.list.size(), 2u);
  EXPECT_EQ(scale.list[0], "\nNon-galois Dilatation 2\n");
  EXPECT_EQ(scale.list[1].rfind("(0,2,6,14,30,62,126,254,510,1022,2046,4094,8190,16382,32766,", 0),
            0u)
      << scale.list[1].substr(0, 200);
  EXPECT_EQ(scale.list[1].back(), '\n');
}

TEST_F(GaloisListingTest, CtrlCEndsTheCollectionOfTheBasisAndTheRowsAreMadeAgain) {
  // Level 4 (M = 12; fields 0..4 have the labels 0, 4, 1, 3, 2). l = 5 exchanges the labels
  // 0 and 4 and fixes 1, 3, 2, with the sign of sin(5 pi (a+1)/6): negative for the labels
  // 1 and 3.
  SpectrumData* sd = su2(4);
  ASSERT_NE(sd, nullptr);
  std::vector<int> rows;
  std::vector<int> kinds;
  pressControlC();
  EXPECT_THROW(SM_collectGaloisBasis(sd, rows, kinds), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  std::vector<int> row(5, 0);
  SM_getGaloisOrbit(sd, 5, row.data());
  EXPECT_EQ(row, (std::vector<int>{2, 1, -3, -4, 5}));
  ASSERT_TRUE(SM_collectGaloisBasis(sd, rows, kinds));
  ASSERT_EQ(rows.size(), kinds.size() * 5);
  ASSERT_GE(kinds.size(), 2u);
  // The Galois rows: the identity (l = 1) first and the row of 5, each its own inverse
  // (kind 1); 7 = -5 and 11 = -1 repeat them up to the overall sign. Scale rows are of the
  // kinds 0 and 2.
  EXPECT_EQ(std::vector<int>(rows.begin(), rows.begin() + 5), (std::vector<int>{1, 2, 3, 4, 5}));
  std::vector<std::vector<int>> galoisRows;
  for (std::size_t r = 0; r < kinds.size(); ++r) {
    if (kinds[r] == 1) galoisRows.emplace_back(rows.begin() + 5 * r, rows.begin() + 5 * (r + 1));
  }
  EXPECT_EQ(galoisRows, (std::vector<std::vector<int>>{{1, 2, 3, 4, 5}, row}));
}

TEST_F(GaloisListingTest, ASearchWhoseMatricesWouldNotFitIsRefusedBeforeAnyWork) {
  // Level 46000: a solution is 46001^2 ints, 8,464,368,004 bytes.
  SpectrumData* sd = su2(46000);
  ASSERT_NE(sd, nullptr);
  capture.clear();
  EXPECT_EQ(SM_galoisInvariants(sd), -1);
  EXPECT_NE(capture.diagnostics.find("The solution matrix of the Galois search would need 8464 Mb; "
                                     "refused (the limit is 2100 Mb)"),
            std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(capture.all.find("Starting analysis"), std::string::npos);
  // Level 20000: 20001^2 ints fit (1600 Mb), but M = 40004 = 2^2 73 137 has 19584 units
  // and 20419 other l in 1 .. M-1, so up to 19584 + 2 x 20419 = 60422 rows of 20001 ints:
  // 4,834,001,688 bytes.
  SpectrumData* big = su2(20000);
  ASSERT_NE(big, nullptr);
  capture.clear();
  EXPECT_EQ(SM_galoisBasisBound(big), 60422);
  EXPECT_EQ(SM_galoisInvariants(big), -1);
  EXPECT_NE(capture.diagnostics.find("The Galois and scale rows of the search would need 4834 Mb; "
                                     "refused (the limit is 2100 Mb)"),
            std::string::npos)
      << capture.diagnostics;
  EXPECT_EQ(capture.all.find("Starting analysis"), std::string::npos);
}

}  // namespace
