// The product of the factors' built-in invariants over the fields of a tensor product: Ctrl-C
// ends its N x N loop (StopRequest), and the matrix made afterwards is the product of the
// E6 invariant of SU(2) at level 10 with the diagonal one.
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "TensorTestSupport.h"
#include "runtime/Terminal.h"

namespace {

class CosetExceptionalMatrixTest : public TensorTest {
 protected:
  void TearDown() override {
    removeInterruptHandler();
    setStopSignal(0);
    TensorTest::TearDown();
  }
};

// The field of SU(2) at level k with the Dynkin label l.
int su2Field(const SpectrumData* sd, int l) {
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (sd->labels[static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->rep_size)] == l)
      return a;
  }
  return -1;
}

// The field of the tensor product whose factor labels are (x, y).
int productField(int x, int y) {
  for (int r = 0; r < currentTensor->Spectrum.size(); ++r) {
    const int* row = currentTensor->Spectrum.row(r);
    if (row[0] == x && row[1] == y) return r;
  }
  return -1;
}

TEST_F(CosetExceptionalMatrixTest, CtrlCEndsTheProductMatrixWhichIsThenTheE6TimesTheDiagonal) {
  runAll({"tensor", "g a 1 10", "g a 1 10", "compute spectrum"});
  const int N = currentTensor->NumberOfPrimaries;
  ASSERT_EQ(N, 121);
  std::vector<int> M;
  const int choice[] = {1, 0};
  installInterruptHandler();
  std::raise(SIGINT);  // as Ctrl-C at a terminal: the handler notes it
  EXPECT_THROW(getExceptionalTensorModularMatrix(M, choice), StopRequest);
  removeInterruptHandler();
  setStopSignal(0);
  getExceptionalTensorModularMatrix(M, choice);
  ASSERT_EQ(M.size(), static_cast<std::size_t>(N * N));
  // E6: |chi_0 + chi_6|^2 + |chi_3 + chi_7|^2 + |chi_4 + chi_10|^2 in Dynkin labels, 12
  // entries 1, times the 11 diagonal entries of the second factor.
  int nonZero = 0;
  for (int v : M) {
    EXPECT_TRUE(v == 0 || v == 1);
    nonZero += v != 0 ? 1 : 0;
  }
  EXPECT_EQ(nonZero, 12 * 11);
  const SpectrumData* su2 = currentTensor->TensorFactors[0];
  const int f0 = su2Field(su2, 0), f6 = su2Field(su2, 6), f3 = su2Field(su2, 3),
            f7 = su2Field(su2, 7);
  const int f1 = su2Field(su2, 1);
  auto entry = [&](int i, int j) {
    return M[static_cast<std::size_t>(i) + static_cast<std::size_t>(N) * j];
  };
  EXPECT_EQ(entry(productField(f0, f1), productField(f6, f1)), 1);
  EXPECT_EQ(entry(productField(f7, f0), productField(f3, f0)), 1);
  EXPECT_EQ(entry(productField(f0, f0), productField(f0, f1)), 0);  // the second factor is diagonal
  EXPECT_EQ(entry(productField(f1, f0), productField(f1, f0)), 0);  // the label 1 is not in E6
}

}  // namespace
