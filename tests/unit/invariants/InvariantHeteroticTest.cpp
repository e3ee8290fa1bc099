// Simple-current invariants of a caller's group: the hook calls of the X loops, the hook
// installed for the call only, nested calls with records of their own, the monodromy
// matrix from the caller's charges and weights, the invariant of a given X, and the charge
// map (unrealised charge vectors, and a map made anew for every X).
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Parameters.h"

namespace {

class InvariantHeteroticTest : public ZoqTest {};

// Z_N currents J^a with h(J^a) = a (N - a) / (2N) and charge Q_{J^a}(J^b) = ab / N mod 1,
// those of SU(N) at level 1 (N = 3: h = 1/3, Q = 1/3). Labels are the exponents a.
struct CyclicCharges {
  int N;
};

void cyclicCharge(int a, int b, Rat* out, void* context) {
  const int N = static_cast<CyclicCharges*>(context)->N;
  *out = Rat{(static_cast<long long>(a) * b) % N, N};
}

void cyclicWeight(int a, Rat* out, void* context) {
  const int N = static_cast<CyclicCharges*>(context)->N;
  *out = Rat{static_cast<long long>(a) * (N - a), 2LL * N};
}

// Mutually local currents of weight 0 (an abelian group with trivial charges).
void zeroCharge(int, int, Rat* out, void*) {
  *out = Rat{0, 1};
}
void zeroWeight(int, Rat* out, void*) {
  *out = Rat{0, 1};
}

// The current theory's own charges and weights; labels are its fields.
void theoryCharge(int a, int b, Rat* out, void*) {
  *out = *simpleCurrentCharge(a, b);
}
void theoryWeight(int a, Rat* out, void*) {
  *out = *ratWeight(a);
}

// What the hooks saw.
struct Seen {
  int calls = 0;
  std::vector<SimpleCurrentData*> records;
  std::vector<std::vector<int>> chargeMaps;
  std::vector<std::vector<int>> xs;
  std::vector<int> kernelSizes;
  std::vector<MipfAnalysisFcn> installed;
  std::vector<void*> contexts;
};
Seen seen;

std::vector<int> xOf(SimpleCurrentData* MD) {
  const int n = MD->group->nfactors;
  const int* X = xMatrix(MD);
  return std::vector<int>(X, X + n * n);
}

int countingHook(SimpleCurrentData* MD) {
  ++seen.calls;
  seen.records.push_back(MD);
  seen.installed.push_back(getMIPFAnalysisFunction());
  seen.contexts.push_back(MD->context);
  seen.xs.push_back(xOf(MD));
  return 1;
}

// Kernels and the charge map of every invariant, as the heterotic analysis builds them.
int chargeMapHook(SimpleCurrentData* MD) {
  ++seen.calls;
  seen.xs.push_back(xOf(MD));
  getXKernels(MD);
  seen.kernelSizes.push_back(MD->kernel_size);
  makeChargeMap(MD);
  seen.chargeMaps.push_back(MD->chargeMap);
  return 1;
}

Seen inner;
int innerHook(SimpleCurrentData* MD) {
  ++inner.calls;
  inner.records.push_back(MD);
  return 1;
}

int nestingHook(SimpleCurrentData* MD) {
  ++seen.calls;
  seen.records.push_back(MD);
  const int factors[] = {2};
  const int labels[] = {0, 1};
  return GSC_computeAllGroupInvariants(DG_find(factors, 1), labels, zeroCharge, zeroWeight,
                                       innerHook, nullptr) == 1
             ? 1
             : 0;
}

int otherHook(SimpleCurrentData*) {
  return 0;
}

class HeteroticHooks : public InvariantHeteroticTest {
 protected:
  void SetUp() override {
    InvariantHeteroticTest::SetUp();
    seen = Seen();
    inner = Seen();
  }
};

TEST_F(HeteroticHooks, OneBasisGeneratorGivesExactlyOneHookCall) {
  CyclicCharges su3{3};
  const int factors[] = {3};
  const int labels[] = {0, 1, 2};
  const DGType* G = DG_find(factors, 1);
  EXPECT_EQ(
      GSC_computeAllGroupInvariants(G, labels, cyclicCharge, cyclicWeight, countingHook, &su3), 1);
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.contexts[0], &su3);
  SimpleCurrentData* MD = seen.records[0];
  EXPECT_EQ(MD->group, G);
  ASSERT_EQ(MD->generators.size(), 1u);
  EXPECT_EQ(MD->generators[0], labels[DG_basis(G, 0)]);
  EXPECT_EQ(MD->n_generators, 1);
  // The trivial group has no generator and one invariant too.
  EXPECT_EQ(GSC_computeAllGroupInvariants(DG_trivial(), labels, cyclicCharge, cyclicWeight,
                                          countingHook, &su3),
            1);
  EXPECT_EQ(seen.calls, 2);
  EXPECT_TRUE(silent());
}

TEST_F(HeteroticHooks, TwoGeneratorsOfOrderTwoGiveTwoXMatricesInOrder) {
  // Z2 x Z2 with trivial charges: R = 0, one generator pair with gcd 2, so X_01 = t for
  // t = 0, 1 and X_10 = -X_01 mod 2.
  const int factors[] = {2, 2};
  const int labels[] = {0, 1, 2, 3};
  EXPECT_EQ(GSC_computeAllGroupInvariants(DG_find(factors, 2), labels, zeroCharge, zeroWeight,
                                          countingHook, nullptr),
            2);
  ASSERT_EQ(seen.calls, 2);
  EXPECT_EQ(seen.xs[0], (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(seen.xs[1], (std::vector<int>{0, 1, 1, 0}));
}

TEST_F(HeteroticHooks, TheHookIsInstalledForTheCallOnly) {
  const int factors[] = {2, 2};
  const int labels[] = {0, 1, 2, 3};
  const DGType* G = DG_find(factors, 2);
  ASSERT_EQ(getMIPFAnalysisFunction(), computeInvariant);
  GSC_computeAllGroupInvariants(G, labels, zeroCharge, zeroWeight, countingHook, nullptr);
  EXPECT_EQ(getMIPFAnalysisFunction(), computeInvariant);
  for (MipfAnalysisFcn during : seen.installed) EXPECT_NE(during, computeInvariant);
  // A hook somebody else installed is back afterwards too, also after a single X.
  setMIPFAnalysisFunction(otherHook);
  GSC_computeAllGroupInvariants(G, labels, zeroCharge, zeroWeight, countingHook, nullptr);
  EXPECT_EQ(getMIPFAnalysisFunction(), otherHook);
  const int X[] = {0, 1, 1, 0};
  EXPECT_EQ(GSC_computeInvariant(G, labels, countingHook, X, nullptr), 1);
  EXPECT_EQ(getMIPFAnalysisFunction(), otherHook);
  // Refused calls change nothing either.
  EXPECT_EQ(
      GSC_computeAllGroupInvariants(nullptr, labels, zeroCharge, zeroWeight, countingHook, nullptr),
      0);
  EXPECT_EQ(GSC_computeAllGroupInvariants(G, labels, nullptr, zeroWeight, countingHook, nullptr),
            0);
  EXPECT_EQ(getMIPFAnalysisFunction(), otherHook);
  capture.clear();
}

TEST_F(HeteroticHooks, ANestedCallGetsASecondRecordAndBothReturnToThePool) {
  const int factors[] = {2, 2};
  const int labels[] = {0, 1, 2, 3};
  ASSERT_EQ(poolNodeCount(), 1);
  EXPECT_EQ(GSC_computeAllGroupInvariants(DG_find(factors, 2), labels, zeroCharge, zeroWeight,
                                          nestingHook, nullptr),
            2);
  // Both X matrices of the outer group reach the outer hook: the inner call put it back.
  ASSERT_EQ(seen.calls, 2);
  ASSERT_EQ(inner.calls, 2);
  EXPECT_NE(seen.records[0], inner.records[0]);
  EXPECT_EQ(seen.records[0], seen.records[1]);
  EXPECT_EQ(poolNodeCount(), 2);
  // Both records are free again: the pool lends them without growing.
  SimpleCurrentData* first = getSCDataPointer();
  SimpleCurrentData* second = getSCDataPointer();
  EXPECT_EQ(poolNodeCount(), 2);
  EXPECT_EQ((std::set<SimpleCurrentData*>{first, second}),
            (std::set<SimpleCurrentData*>{seen.records[0], inner.records[0]}));
  returnSCDataPointer(first);
  returnSCDataPointer(second);
  EXPECT_EQ(getMIPFAnalysisFunction(), computeInvariant);
}

TEST_F(HeteroticHooks, TheGivenXIsHandedToTheHookAndTheRecordStaysLent) {
  const int factors[] = {2, 2};
  const int labels[] = {3, 1, 2, 0};
  const DGType* G = DG_find(factors, 2);
  const int X[] = {0, 1, 1, 0};
  int context = 7;
  EXPECT_EQ(GSC_computeInvariant(G, labels, countingHook, X, &context), 1);
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.xs[0], (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(seen.contexts[0], &context);
  SimpleCurrentData* MD = seen.records[0];
  EXPECT_EQ(MD->charge_fn, nullptr);
  // The labels, a zeroed block, then the inverse map label -> position.
  EXPECT_EQ(MD->map, (std::vector<int>{3, 1, 2, 0, 0, 0, 0, 0, 3, 1, 2, 0}));
  // Still lent: the pool makes a new record for the next request.
  SimpleCurrentData* other = getSCDataPointer();
  EXPECT_NE(other, MD);
  EXPECT_EQ(poolNodeCount(), 2);
  returnSCDataPointer(other);
  returnSCDataPointer(MD);
}

TEST_F(HeteroticHooks, MonodromiesFromTheCallbacksMatchThoseOfTheTheory) {
  // A1 at levels 4, 2 and 3 and A2 level 1 with their own charges and weights: R agrees
  // with the one the enumeration of the theory computes for its centre.
  for (auto [rank, level] : {std::pair{1, 4}, std::pair{1, 2}, std::pair{2, 1}, std::pair{1, 3}}) {
    SpectrumData* sd = modular_test::useTheory(1, rank, level);
    ASSERT_NE(sd, nullptr);
    const int order = rank + 1;
    const int factors[] = {order};
    std::vector<int> labels(static_cast<std::size_t>(order));
    for (int e = 0; e < order; ++e) labels[static_cast<std::size_t>(e)] = e;
    const DGType* G = DG_find(factors, 1);
    SimpleCurrentData* MD = getSCDataPointer();
    MD->group = G;
    MD->map.assign(3 * static_cast<std::size_t>(order), 0);
    for (int e = 0; e < order; ++e)
      MD->map[static_cast<std::size_t>(e)] = labels[static_cast<std::size_t>(e)];
    MD->charge_fn = theoryCharge;
    MD->weight_fn = theoryWeight;
    GSC_computeMonodromies(MD);
    const int viaCallbacks = MD->monodromies[0];
    MD->monodromies.assign(2, 0);
    computeMonodromies(MD);
    EXPECT_EQ(viaCallbacks, MD->monodromies[0]) << rank << " " << level;
    // 0 <= R_aa < 2N, and R_aa = N Q_J(J) modulo N.
    EXPECT_GE(viaCallbacks, 0);
    EXPECT_LT(viaCallbacks, 2 * order);
    const Rat Q = *simpleCurrentCharge(labels[static_cast<std::size_t>(DG_basis(G, 0))],
                                       labels[static_cast<std::size_t>(DG_basis(G, 0))]);
    EXPECT_EQ((viaCallbacks * Q.den - order * Q.num) % (order * Q.den), 0);
    returnSCDataPointer(MD);
  }
}

TEST_F(HeteroticHooks, AnUnrealisedChargeVectorMapsToMinusOne) {
  // A1 level 4: J (field 1, l = 4) has weight 1 and extends the algebra; the invariant of
  // Z2 = {0, J} is |chi_0 + chi_4|^2 + 2|chi_2|^2 with kernel {0, J}. The charge 1/2 of the
  // odd fields is realised by no current of the invariant.
  modular_test::useTheory(1, 1, 4);
  const int factors[] = {2};
  const int labels[] = {0, 1};
  EXPECT_EQ(GSC_computeAllGroupInvariants(DG_find(factors, 1), labels, theoryCharge, theoryWeight,
                                          chargeMapHook, nullptr),
            1);
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.kernelSizes[0], 2);
  EXPECT_EQ(seen.chargeMaps[0], (std::vector<int>{0, -1}));
  // A1 level 2: J has weight 1/2, the invariant is an automorphism (kernel {0}) and both
  // charge vectors are realised, the charge 1 by J itself.
  seen = Seen();
  modular_test::useTheory(1, 1, 2);
  GSC_computeAllGroupInvariants(DG_find(factors, 1), labels, theoryCharge, theoryWeight,
                                chargeMapHook, nullptr);
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.kernelSizes[0], 1);
  EXPECT_EQ(seen.chargeMaps[0], (std::vector<int>{0, 1}));
}

TEST_F(HeteroticHooks, TheChargeMapIsMadeAnewForEveryX) {
  // Z2 x Z2 with trivial charges: X = 0 has the whole group as kernel (one charge vector,
  // the vacuum's); X = ((0,1),(1,0)) has a trivial kernel and realises charge vector q by
  // the element beta with q_a + sum_b beta_b X_ab = 0 mod 2, that is beta = (q_1, q_0).
  const int factors[] = {2, 2};
  const DGType* G = DG_find(factors, 2);
  const int labels[] = {0, 2, 1, 3};
  GSC_computeAllGroupInvariants(G, labels, zeroCharge, zeroWeight, chargeMapHook, nullptr);
  ASSERT_EQ(seen.calls, 2);
  ASSERT_EQ(seen.xs[1], (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(seen.kernelSizes[0], 4);
  EXPECT_EQ(seen.chargeMaps[0], (std::vector<int>{labels[0], -1, -1, -1}));
  EXPECT_EQ(seen.kernelSizes[1], 1);
  std::vector<int> expected(4);
  for (int e = 0; e < 4; ++e) {
    const int swapped[] = {DG_decomp(G, e, 1), DG_decomp(G, e, 0)};
    expected[static_cast<std::size_t>(e)] = labels[DG_findElement(G, swapped)];
  }
  EXPECT_EQ(seen.chargeMaps[1], expected);
}

TEST_F(HeteroticHooks, ACopyHasAChargeMapOnlyWhenOneWasCopied) {
  // The copy of a record without a charge map must not keep the map its target held.
  auto source = allocNewSCData(nullptr);
  auto target = allocNewSCData(nullptr);
  int context = 3;
  source->context = &context;
  target->chargeMap = {5, 5};
  target->charge_map_made = 1;
  copySCData(target.get(), source.get(), 1);
  EXPECT_EQ(target->charge_map_made, 0);
  EXPECT_EQ(target->context, &context);
  target->charge_map_made = 1;
  copySCData(target.get(), source.get(), 0);
  EXPECT_EQ(target->charge_map_made, 0);
  // A made map is copied with the kernels.
  source->chargeMap = {0, -1};
  source->charge_map_made = 1;
  copySCData(target.get(), source.get(), 1);
  EXPECT_EQ(target->charge_map_made, 1);
  EXPECT_EQ(target->chargeMap, (std::vector<int>{0, -1}));
}

TEST_F(HeteroticHooks, ASymmetryRequirementIsIgnoredWithANotice) {
  setIntPar("Selection symmetric", 1);
  const int factors[] = {2};
  const int labels[] = {0, 1};
  GSC_computeAllGroupInvariants(DG_find(factors, 1), labels, zeroCharge, zeroWeight, countingHook,
                                nullptr);
  EXPECT_TRUE(alerted("Symmetry requirement ignored"));
  ASSERT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.records[0]->sel_symmetric, 0);
  EXPECT_EQ(*getIntParPointer("Selection symmetric"), 1);
  setIntPar("Selection symmetric", 0);
}

}  // namespace
