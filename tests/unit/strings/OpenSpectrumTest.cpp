// Open-string representations of brane stacks: the split of annulus and Moebius
// coefficients into symmetric and antisymmetric tensors, adjoints and bifundamentals with
// their chiralities, dimensions of the rows, hypermultiplet pairing, the print order and
// the printed rows and group header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "strings/OpenSpectrum.h"

namespace {

class OpenSpectrumTest : public ZoqTest {};

// The count and chirality of the row with these codes, -1 counts when absent.
struct RowValue {
  int count = -1;
  int chirality = 0;
};
RowValue rowOf(const RepresentationStore& store, const std::vector<int>& codes) {
  for (int r = 0; r < store.size(); ++r)
    if (store.codes[static_cast<std::size_t>(r)] == codes)
      return {store.count[static_cast<std::size_t>(r)], store.chirality[static_cast<std::size_t>(r)]};
  return {};
}

TEST_F(OpenSpectrumTest, AnnulusAndMoebiusSplitIntoSymmetricAndAntisymmetricTensors) {
  RepresentationStore store;
  store.reset(2);
  // A = 3, M = 1: (3 + 1)/2 = 2 symmetric and (3 - 1)/2 = 1 antisymmetric, times w = 5.
  CollectRep1(&store, 1, 3, 1, 5, 2, 0);
  EXPECT_EQ(store.size(), 2);
  EXPECT_EQ(rowOf(store, {0, 2}).count, 10);
  EXPECT_EQ(rowOf(store, {0, 2}).chirality, 10);
  EXPECT_EQ(rowOf(store, {0, 3}).count, 5);
  EXPECT_EQ(rowOf(store, {0, 3}).chirality, 5);
  // A = 2, M = -2: two antisymmetric tensors, negative sign.
  store.reset(1);
  CollectRep1(&store, 0, 2, -2, 1, -1, 0);
  EXPECT_EQ(rowOf(store, {3}).count, 2);
  EXPECT_EQ(rowOf(store, {3}).chirality, -2);
  // A real stack (sign 0): no chirality.
  store.reset(1);
  CollectRep1(&store, 0, 4, 0, 1, 0, 0);
  EXPECT_EQ(rowOf(store, {2}).count, 2);
  EXPECT_EQ(rowOf(store, {3}).count, 2);
  EXPECT_EQ(rowOf(store, {2}).chirality, 0);
  EXPECT_EQ(rowOf(store, {4}).count, -1);
  // Nothing for A = M = 0.
  EXPECT_EQ(CollectRep1(&store, 0, 0, 0, 1, 1, 0), -1);
}

TEST_F(OpenSpectrumTest, AdjointAndOddPairs) {
  RepresentationStore store;
  store.reset(1);
  // The strings from a complex boundary to its conjugate: code 4, chirality unchanged.
  CollectRep1(&store, 0, 2, 0, 3, 0, 1);
  EXPECT_EQ(rowOf(store, {4}).count, 6);
  EXPECT_EQ(rowOf(store, {4}).chirality, 0);
  // A - M odd cannot be split: the call ends without a tensor row.
  store.reset(1);
  CollectRep1(&store, 0, 3, 0, 1, 1, 0);
  EXPECT_EQ(store.size(), 0);
  // (1, 0) is no representation: reported, the count lands on the uncharged row.
  store.reset(1);
  capture.clear();
  CollectRep1(&store, 0, 1, 0, 1, 1, 0);
  EXPECT_TRUE(alerted("Unknown representation: Annulus=1,Moebius=0,adjoint=0"));
  EXPECT_EQ(rowOf(store, {0}).count, 1);
}

TEST_F(OpenSpectrumTest, BifundamentalsTakeTheSignOfTheSmallerStack) {
  RepresentationStore store;
  store.reset(3);
  CollectRep2(&store, 2, 0, 2, 1, -3, 4);  // stack 0 (sign +) with stack 2 (sign -)
  EXPECT_EQ(rowOf(store, {1, 0, -1}).count, 2);
  EXPECT_EQ(rowOf(store, {1, 0, -1}).chirality, 2);
  // A real stack (sign 0) with a complex one: (V, V), the complex side's sign.
  CollectRep2(&store, 0, 1, 1, 3, 0, -2);
  EXPECT_EQ(rowOf(store, {1, 1, 0}).count, 3);
  EXPECT_EQ(rowOf(store, {1, 1, 0}).chirality, -3);
  // Both real: no chirality.
  CollectRep2(&store, 1, 2, 1, 1, 0, 0);
  EXPECT_EQ(rowOf(store, {0, 1, 1}).chirality, 0);
}

TEST_F(OpenSpectrumTest, DimensionsOfRows) {
  const int types[4] = {0, 0, 0, 0};
  const int N[4] = {5, 5, 5, 5};
  const int V[1] = {1};
  const int S[1] = {2};
  const int A[1] = {-3};
  const int Ad[1] = {4};
  EXPECT_EQ(OpenStringDim(1, V, types, N), 5);
  EXPECT_EQ(OpenStringDim(1, S, types, N), 15);
  EXPECT_EQ(OpenStringDim(1, A, types, N), 10);
  EXPECT_EQ(OpenStringDim(1, Ad, types, N), 25);
  const int bifundamental[3] = {1, 0, -1};
  const int sizes[3] = {3, 7, 2};
  EXPECT_EQ(OpenStringDim(3, bifundamental, types, sizes), 6);
  const int antisymmetricOfOne[1] = {3};
  const int one[1] = {1};
  EXPECT_EQ(OpenStringDim(1, antisymmetricOfOne, types, one), 0);
}

TEST_F(OpenSpectrumTest, ComplexRowsAndHypermultiplets) {
  const int unitary[2] = {0, 0};
  const int orthogonal[2] = {1, -1};
  const int vector[2] = {1, 0};
  const int adjoint[2] = {4, 0};
  EXPECT_EQ(ComplexRepresentation(2, vector, unitary), 1);
  EXPECT_EQ(ComplexRepresentation(2, adjoint, unitary), 0);
  EXPECT_EQ(ComplexRepresentation(2, vector, orthogonal), 0);
  RepresentationStore store;
  store.reset(2);
  store.codes = {{1, 0}, {3, 0}};
  // Both rows complex (unitary stack): (count + chirality)/2 = 2 is even for each.
  store.count = {4, 4};
  store.chirality = {0, 0};
  int combine = 1;
  EXPECT_EQ(checkHypermultiplet(&store, unitary, &combine), 1);
  EXPECT_EQ(combine, 1);
  store.count = {6, 4};  // (6 + 0)/2 odd: half-hypers stay
  EXPECT_EQ(checkHypermultiplet(&store, unitary, &combine), 1);
  EXPECT_EQ(combine, 0);
  combine = 1;
  store.count = {3, 4};
  capture.clear();
  EXPECT_EQ(checkHypermultiplet(&store, unitary, &combine), 0);
  EXPECT_TRUE(alerted("Odd multiplicity for hyper multiplet"));
  EXPECT_EQ(combine, 0);
  combine = 1;
  store.count = {4, 4};
  store.chirality = {1, 0};
  EXPECT_EQ(checkHypermultiplet(&store, unitary, &combine), 0);
  EXPECT_TRUE(alerted("Non-integer multiplicity for hyper multiplet"));
}

TEST_F(OpenSpectrumTest, PrintOrderPutsObservableChiralRowsFirst) {
  // Two stacks, one observable. Weights: (1, 0) chirality 3: (4000 + 30000) 10000 + 90000;
  // (0, 1) chirality 0: 1000 (3 - 1); (0, 2): 100 (3 - 1) + 2.
  const int observableV[2] = {1, 0};
  const int hiddenV[2] = {0, 1};
  const int hiddenS[2] = {0, 2};
  EXPECT_EQ(getRepresentationWeight(2, observableV, 3, 1), 340090000);
  EXPECT_EQ(getRepresentationWeight(2, hiddenV, 0, 1), 2000);
  EXPECT_EQ(getRepresentationWeight(2, hiddenS, 0, 1), 202);
  // A large chirality does not wrap.
  EXPECT_EQ(getRepresentationWeight(2, observableV, 1000000, 1), (4000LL + 10000000000LL) * 10000 + 30000000000LL);
  RepresentationStore store;
  store.reset(2);
  store.codes = {{0, 2}, {0, 1}, {1, 0}, {0, -1}};
  store.chirality = {0, 0, 3, 0};
  store.count = {1, 1, 3, 1};
  // Equal weights of (0, 1) and (0, -1): descending entries.
  EXPECT_EQ(orderReps(&store, 1), std::vector<int>({2, 1, 3, 0}));
}

TEST_F(OpenSpectrumTest, PrintedRowsAndGroupHeader) {
  RepresentationStore store;
  store.reset(2);
  store.codes = {{1, -1}, {3, 0}};
  store.chirality = {2, 0};
  store.count = {8, 4};
  const int types[2] = {0, -1};
  const int N[2] = {4, 2};
  EXPECT_EQ(printRepVeca(&store, 0, types, N, 0, 1, 5, 0), "        8 x ( V ,V*) chirality 2        Dimension 8    \n");
  EXPECT_EQ(printRepVeca(&store, 0, types, N, 1, 1, 5, 0), "        2 x ( V ,V*)  + c.c.\n");
  EXPECT_EQ(printRepVeca(&store, 0, types, N, 1, 0, 5, 0), "        4 x ( V ,V*)  + c.c.\n");
  EXPECT_EQ(printRepVeca(&store, 1, types, N, 0, 1, 5, 1), "");
  const int one[2] = {1, 2};
  EXPECT_EQ(printRepVeca(&store, 1, types, one, 0, 1, 0, 0),
            "   4 x ( A ,0 ) chirality 0        Dimension 0     [No massless states]\n");
  ChanPatonData cpd;
  cpd.stacks = 3;
  cpd.stackType = {0, -1, 1};
  cpd.stackMultiplicity = {3, 999, 12};
  EXPECT_EQ(groupHeader(&cpd), "Type:         U  S  O \nStack size:   3 -- 12\n");
  capture.clear();
  EXPECT_EQ(charType(7), 'X');
  EXPECT_TRUE(alerted("Invalid group type 7"));
  EXPECT_EQ(charType(-2), ' ');
}

}  // namespace
