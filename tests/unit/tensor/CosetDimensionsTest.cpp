// The ground-state dimension column of an extended tensor product: for every field f, the
// sum over the currents J of the chiral algebra with h(J x f) = h(f) of the product of the
// factors' dimensions of J x f, divided by |S_f| m_f. Checked against that definition,
// evaluated here element by element through the public action and weight routines, on a
// Gepner model whose chiral algebra has hundreds of currents; and stopped by Ctrl-C.
#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "groups/Discrete.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "TensorTestSupport.h"

namespace {

class CosetDimensionsTest : public TensorTest {};

// The dimension of label a of a factor, as a plain number (every factor here has small
// dimensions, held directly in the column).
long long factorDimensionOf(SpectrumData* sd, int a) {
  EXPECT_NE(SM_initDimensions(sd), 0);
  EXPECT_GT(sd->dims[a], 0);
  return sd->dims[a];
}

// The definition, one orbit member at a time.
long long dimensionByDefinition(TensorProduct* TP, int f) {
  const int n = TP->NumberOfFactors;
  const int* field = TP->Spectrum.row(f);
  Rat h;
  TensorRatWeight(TP, field, &h);
  std::vector<int> g(static_cast<std::size_t>(n));
  long long total = 0;
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    tensorSimpleAction(TP, TP->ChiralAlgebra.row(J), field, g.data());
    Rat hg;
    TensorRatWeight(TP, g.data(), &hg);
    if (h.num * hg.den != hg.num * h.den) continue;
    long long product = 1;
    for (int i = 0; i < n; ++i) {
      const std::size_t u = static_cast<std::size_t>(i);
      product *= factorDimensionOf(TP->TensorFactors[u], g[u]);
    }
    total += product;
  }
  const FPType* fp = TP->Stabilizers[static_cast<std::size_t>(f)];
  return total / (fp->group->order * fp->sqrtSU);
}

// The Gepner model (4,4,10,10) with the space-time factor D5 at level 1, as "build cy"
// makes it: 7200 fields, a chiral algebra of 384 currents. Every field's dimension is the
// definition's; the vacuum's is 1 (no current but the identity has weight 0).
TEST_F(CosetDimensionsTest, EveryFieldsDimensionIsTheSumOverItsOrbitMembersOfItsWeight) {
  ASSERT_EQ(run("build cy 441010"), 0);
  TensorProduct* TP = currentTensor;
  ASSERT_NE(TP, nullptr);
  ASSERT_EQ(TP->NumberOfPrimaries, 7200);
  ASSERT_EQ(TP->ChiralAlgebra.size(), 384);
  EXPECT_EQ(CT_getDimension(TP, 0), 1);
  int several = 0;
  for (int field = 0; field < TP->NumberOfPrimaries; ++field) {
    const long long expected = dimensionByDefinition(TP, field);
    ASSERT_EQ(CT_getDimension(TP, field), expected) << "field " << field;
    if (expected > 1) ++several;
  }
  // Not a column of ones: the comparison sees sums of several members.
  EXPECT_GT(several, 100);
}

// Ctrl-C while the column is filled: the command stops (StopRequest) and the column is
// not taken for filled; asked again, it is made whole.
TEST_F(CosetDimensionsTest, CtrlCStopsTheColumnAndLeavesItToBeMadeAgain) {
  runAll({"tensor", "g a 1 2", "g a 1 2", "current 1 1", "compute spectrum"});
  TensorProduct* TP = currentTensor;
  ASSERT_EQ(TP->NumberOfPrimaries, 4);
  installInterruptHandler();
  std::raise(SIGINT);
  EXPECT_THROW(CT_initDimensions(TP), StopRequest);
  removeInterruptHandler();
  EXPECT_EQ(TP->DimensionFlag, 0);
  // SO(6) at level 1: the vacuum, the vector 6 and the two spinors 4.
  std::vector<int> dims;
  for (int field = 0; field < 4; ++field) dims.push_back(CT_getDimension(TP, field));
  EXPECT_EQ(dims, (std::vector<int>{1, 6, 4, 4}));
}

}  // namespace
