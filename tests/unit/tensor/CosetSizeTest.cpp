// What a tensor product holds before its spectrum: the size of the spectrum is checked
// before the passes (a product whose spectrum cannot be held is refused at once with the
// size named, the product left to change; one that fits is computed as before), and a
// changed product keeps nothing of the old one's chiral algebra.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "InterpreterTestSupport.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"
#include "TestSupport.h"

namespace {

class CosetSizeTest : public TensorTest {
 protected:
  void factors(int count) {
    for (int i = 0; i < count; ++i) ASSERT_EQ(run("g a 1 1"), 0);
  }
  // The size the alert named, in Mb; -1 when there was none.
  double namedSize() const {
    const std::string words = "The tensor spectrum would need ";
    const std::size_t at = capture.diagnostics.find(words);
    return at == std::string::npos ? -1.0 : std::atof(capture.diagnostics.c_str() + at + words.size());
  }
};

// Without currents every combination is a field: 2^30 fields of 31 labels for thirty copies
// of SU(2) at level 1, at least 2^30 x 31 x 4 bytes (133,143 Mb).
TEST_F(CosetSizeTest, AProductWithoutCurrentsIsRefusedBeforeThePasses) {
  runAll({"tensor"});
  factors(30);
  capture.clear();
  EXPECT_EQ(computeTensorSpectrum(currentTensor), -1);
  EXPECT_GE(namedSize(), 133143.0) << capture.diagnostics;
  EXPECT_NE(capture.diagnostics.find("; refused (the limit is 2100 Mb)"), std::string::npos);
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 0);
  EXPECT_EQ(currentTensor->SpectrumChanged, 1);
  // The simple-current and massless spectra hold the 2^30 simple currents in full.
  capture.clear();
  EXPECT_EQ(computeSimpleCurrentTensorSpectrum(currentTensor), -1);
  EXPECT_GE(namedSize(), 133143.0) << capture.diagnostics;
  capture.clear();
  EXPECT_EQ(computeMasslessTensorSpectrum(currentTensor), -1);
  EXPECT_GE(namedSize(), 133143.0) << capture.diagnostics;
}

// With the current J = (1,...,1) of weight n/4 the charge of a combination with m labels 1
// is m/2 and J maps m to n - m without fixed points. For n = 32: at least 2^32 / 2^2 fields,
// refused. For n = 8 the bound is reached: the 2^7 combinations of even m pair off into
// 2^6 = 64 fields, all of them simple currents.
TEST_F(CosetSizeTest, WithACurrentTheSimpleCurrentsBoundTheSizeFromBelow) {
  runAll({"tensor"});
  factors(32);
  std::string current = "current";
  for (int i = 0; i < 32; ++i) current += " 1";
  ASSERT_EQ(run(current.c_str()), 0);
  capture.clear();
  EXPECT_EQ(computeTensorSpectrum(currentTensor), -1);
  // 2^30 fields of 33 labels: 141,733 Mb at least.
  EXPECT_GE(namedSize(), 141733.0) << capture.diagnostics;

  resetCoset(currentTensor);
  runAll({"tensor"});
  factors(8);
  ASSERT_EQ(run("current 1 1 1 1 1 1 1 1"), 0);
  capture.clear();
  ASSERT_EQ(computeTensorSpectrum(currentTensor), 0) << capture.diagnostics;
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 64);
  EXPECT_EQ(currentTensor->NumberOfSimpleCurrents, 64);
}

// A factor added after a spectrum leaves no chiral algebra of the old width behind: the
// browse shows none until the next spectrum, which for SU(2) levels 1, 2 and 3 without
// currents has the identity alone and 2 x 3 x 4 fields.
TEST_F(CosetSizeTest, AnAddedFactorForgetsTheChiralAlgebraOfTheOldProduct) {
  runAll({"tensor", "g a 1 1", "g a 1 2", "compute spectrum"});
  ASSERT_EQ(currentTensor->ChiralAlgebra.size(), 1);
  runAll({"g a 1 3"});
  EXPECT_EQ(currentTensor->ChiralAlgebra.size(), 0);
  EXPECT_EQ(currentTensor->ChiralAlgebra.rowLength(), 3);
  capture.clear();
  ASSERT_EQ(run("browse chiral_algebra"), 0);
  EXPECT_EQ(capture.printed, "Chiral algebra size: 0\nGraded Chiral algebra size: 0\n");
  ASSERT_EQ(run("compute spectrum"), 0);
  EXPECT_EQ(currentTensor->ChiralAlgebra.size(), 1);
  EXPECT_EQ(currentTensor->NumberOfPrimaries, 24);
}

}  // namespace
