// Chan-Paton data of brane configurations on an explicit conjugation table: multiplicities
// on a brane and its image, distinct branes, refused labels.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "search/ChanPaton.h"
#include "strings/OpenSpectrum.h"

namespace {

class ChanPatonTest : public ZoqTest {};

// Eight boundaries: 0..3 real, 4 <-> 5 and 6 <-> 7 complex pairs.
const std::vector<int> kConjugates = {0, 1, 2, 3, 5, 4, 7, 6};
const std::vector<int> kTypes = {1, -1, 1, 2, 0, 0, 0, 0};

ChanPatonData* fillWith(ChanPatonData* record, const std::vector<int>& labels, const std::vector<int>& mults) {
  return fillChanPatonData(record, static_cast<int>(labels.size()), 8, kConjugates.data(), kTypes.data(),
                           labels.data(), mults.data());
}

TEST_F(ChanPatonTest, ComplexStackOccupiesItsImage) {
  ChanPatonData record;
  ASSERT_NE(fillWith(&record, {4}, {3}), nullptr);
  EXPECT_EQ(record.multiplicity[4], 3);
  EXPECT_EQ(record.multiplicity[5], 3);
  EXPECT_EQ(record.distinctBrane[4], 0);
  EXPECT_EQ(record.distinctBrane[5], 0);
  EXPECT_EQ(record.stackType[0], 0);
  EXPECT_EQ(record.stacks, 1);
  for (int b : {0, 1, 2, 3, 6, 7}) EXPECT_EQ(record.distinctBrane[static_cast<std::size_t>(b)], -1) << b;
}

TEST_F(ChanPatonTest, SameLabelTwiceAddsMultiplicities) {
  ChanPatonData record;
  ASSERT_NE(fillWith(&record, {2, 2, 6}, {1, 4, 2}), nullptr);
  EXPECT_EQ(record.multiplicity[2], 5);
  EXPECT_EQ(record.multiplicity[6], 2);
  EXPECT_EQ(record.multiplicity[7], 2);
  // Distinct branes numbered by their smaller label: 2 -> 0, {6,7} -> 1.
  EXPECT_EQ(record.distinctBrane[2], 0);
  EXPECT_EQ(record.distinctBrane[6], 1);
  EXPECT_EQ(record.distinctBrane[7], 1);
  EXPECT_EQ(record.stackType, (std::vector<int>{1, 1, 0}));
}

TEST_F(ChanPatonTest, ConjugatePairIsRefusedNamingPositions) {
  capture.clear();
  ChanPatonData record;
  EXPECT_EQ(fillWith(&record, {5, 4}, {1, 1}), nullptr);
  EXPECT_NE(capture.printed.find("Brane label 5 and 4 (i=0, j=1) are conjugate. Please specify only one of them.\n"),
            std::string::npos);
  EXPECT_EQ(CheckForConjugateBraneLabels(2, std::vector<int>{4, 4}.data(), 0, kConjugates.data()), 0);
  EXPECT_EQ(CheckForConjugateBraneLabels(1, std::vector<int>{4}.data(), 0, kConjugates.data()), 0);
}

TEST_F(ChanPatonTest, LabelsOutsideTheTableAreRefused) {
  capture.clear();
  ChanPatonData record;
  ASSERT_NE(fillWith(&record, {7}, {2}), nullptr);  // the last label is fine
  EXPECT_EQ(fillWith(&record, {1, 8}, {1, 1}), nullptr);
  EXPECT_NE(capture.printed.find("Variable 1 out of range (8 > 7)\n"), std::string::npos);
  EXPECT_EQ(fillWith(&record, {-1}, {1}), nullptr);
  EXPECT_NE(capture.printed.find("Variable 0 out of range (-1 < 0)\n"), std::string::npos);
  // A refused list leaves the record as it was.
  EXPECT_EQ(record.multiplicity[7], 2);
  EXPECT_EQ(record.stacks, 1);
}

}  // namespace
