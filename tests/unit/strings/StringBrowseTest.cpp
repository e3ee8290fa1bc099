// The multiplet lines of the heterotic and type-II readings, and the supersymmetry header
// of a listing, on symmetry records the test sets up: the D8 lattice in ten dimensions,
// whose classes 1 and 3 are the spinors S+ and S- (128 states each) and class 2 the vector.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "lie/Branching.h"
#include "runtime/Parameters.h"
#include "strings/StringBrowse.h"
#include "tensor/Coset.h"

namespace {

class StringBrowseTest : public ZoqTest {};

SusyType d8Half() {
  SusyType t;
  t.type = 4;
  t.rank = 8;
  t.chirality = 1;
  return t;
}

SpaceTimeSymmetry typeIIRecord() {
  SpaceTimeSymmetry st;
  st.left = d8Half();
  st.right = d8Half();
  st.dimension = 10;
  st.identical = 1;
  return st;
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

TEST_F(StringBrowseTest, TypeIIMultipletLinesNameBothClasses) {
  SpaceTimeSymmetry st = typeIIRecord();
  std::string text;
  EXPECT_EQ(printHeteroticMultiplet(&text, &st, nullptr), -1);
  EXPECT_EQ(text, "");
  int T[4][4] = {};
  T[0][0] = 7;  // the vacuum class is no matter
  T[1][1] = 1;
  T[2][2] = 5;
  T[3][3] = 2;
  EXPECT_EQ(printHeteroticMultiplet(&text, &st, T), 3);
  EXPECT_EQ(text, "1 x (S+,S+)\n5 x (0,0)\n2 x (S-,S-)\n");
  // A half with a single class carries no matter classes.
  st.left = SusyType();
  text.clear();
  EXPECT_EQ(printHeteroticMultiplet(&text, &st, T), 0);
  EXPECT_EQ(text, "");
}

TEST_F(StringBrowseTest, HeteroticMultipletLinesShowTheGaugeRepresentation) {
  // Gauge algebra on the left (D8, not extended), supersymmetry on the right.
  SpaceTimeSymmetry st;
  st.right = d8Half();
  st.dimension = 10;
  st.leftSource = makeBranchingTable(4, 8, 4, 8, 0);
  st.rightSource = st.leftSource;
  ASSERT_NE(st.leftSource, nullptr);
  int T[4][4] = {};
  T[1][1] = 1;  // the spinor 128 of the gauge algebra with the right class S+
  T[2][2] = 1;  // the vector 16 with the right class 0
  std::string text;
  EXPECT_EQ(printHeteroticMultiplet(&text, &st, T), 2);
  EXPECT_EQ(text, "Multiplet (0,S+):  [128]\nMultiplet (0,0):  [16]\n");
}

TEST_F(StringBrowseTest, SusyHeaderOncePerListing) {
  SpaceTimeSymmetry st = typeIIRecord();
  printSusyMultiplets(&st);
  EXPECT_EQ(occurrences(capture.printed, "Susy type: Left : "), 1);
  EXPECT_EQ(occurrences(capture.printed, "           Space-Time dimension: 10\n"), 1);
  EXPECT_GE(occurrences(capture.printed, "\nRepresentation: ("), 2);
  // A new listing forgets the pair and prints the header again.
  printSusyMultiplets(&st);
  EXPECT_EQ(occurrences(capture.printed, "Susy type: Left : "), 2);
}

TEST_F(StringBrowseTest, TachyonFreeReportPartsAreTheStringReadings) {
  // Outside superstring mode the type-II part says so and the closed-sector part, a
  // spectrum report, has nothing to do; neither is the "not available yet" stand-in.
  setIntPar("Super", 0);
  tachyonFreeReport().closedSector();
  EXPECT_EQ(capture.printed, "");
  EXPECT_TRUE(silent());
  tachyonFreeReport().typeIIMassless();
  EXPECT_NE(capture.diagnostics.find("Superstring mode is off"), std::string::npos);
  EXPECT_EQ(capture.diagnostics.find("not available yet"), std::string::npos);
  // The browsers refuse the same way.
  capture.clear();
  EXPECT_EQ(BrowseHeterotic(0, 1), 1);
  EXPECT_TRUE(alerted("Superstring mode is off"));
}

}  // namespace
