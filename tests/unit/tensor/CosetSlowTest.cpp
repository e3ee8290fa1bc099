// Long cases of the tensor layer: a Calabi-Yau product with fixed points.
#include <gtest/gtest.h>

#include <vector>

#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

namespace {

class CosetSlowTest : public ZoqTest {};

TEST_F(CosetSlowTest, GradedFieldsOfTheSixFoldLevelTwoProductLieInOneSector) {
  // Table entry 161: D5 level 1 (graded) and six N=2 models at level 2 with the
  // supersymmetry current. A graded product keeps only label rows whose graded factors
  // are all NS or all R, and the currents preserve that, so every field must be pure.
  std::vector<int> levels;
  ASSERT_EQ(interpretMinimalTensor(161, &levels), 6);
  SpectrumData* d5 = SM_getData(4, 5, 1);
  SM_grade(d5, 2);
  ASSERT_EQ(run("set graded on"), 0);
  ASSERT_EQ(run("tensor"), 0);
  resetCoset(currentTensor);
  addTensorFactor(currentTensor, d5, 0);
  for (int k : levels) addTensorFactor(currentTensor, SM_getData(27, 2, k), 0);
  const std::vector<int> ones(7, 1);
  ASSERT_EQ(addNewCurrent(currentTensor, ones.data()), 0);
  ASSERT_EQ(computeTensorSpectrum(currentTensor), 0);
  ASSERT_GT(currentTensor->NumberOfPrimaries, 0);
  for (int f = 0; f < currentTensor->NumberOfPrimaries; ++f) {
    const int* row = TensorField(currentTensor, f);
    const char sector = currentTensor->TensorFactors[0]->grading[row[0]];
    for (int i = 1; i < 7; ++i)
      ASSERT_EQ(currentTensor->TensorFactors[static_cast<std::size_t>(i)]->grading[row[i]], sector)
          << "field " << f << " factor " << i;
  }
  // Without the current: (2 x 12^6 + 2 x 12^6) pure rows, 2^6 even flips of 7 factors.
  resetCurrents(currentTensor);
  ASSERT_EQ(computeTensorSpectrum(currentTensor), 0);
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 186624);
}

}  // namespace
