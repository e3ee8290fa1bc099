// What the boundary module sizes: nothing while the current theory has no spectrum (a
// tensor product whose spectrum is not computed), nothing past the allocation limit for
// a NIM-representation search or for the matrices of the boundary search, which say so
// instead, and nothing at all for the assembly on a simple-current invariant.
#include <gtest/gtest.h>

#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "TestSupport.h"
#include "boundaries/BoundarySearchInternal.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"

namespace {

using modular_test::useTheory;

class CrossBoundSizesTest : public ZoqTest {};

// The E6 invariant of SU(2) at level 10 is exceptional: its Klein bottle has one entry per
// field. A factor added in tensor mode leaves that invariant current with a product whose
// count of fields is not known: the reset keeps no Klein bottle, and the set-up that would
// build labels for the product is refused.
TEST_F(CrossBoundSizesTest, WithoutASpectrumTheResetSizesNothingAndTheSetUpIsRefused) {
  ASSERT_EQ(run("algebra a 1 10"), 0);
  ASSERT_EQ(run("select exceptional_invariant 1"), 0);
  ASSERT_EQ(crossBoundState().ExceptionalKlein.size(), 11u);
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 2"), 0);
  ASSERT_EQ(primaryCountKnown(), 0);
  EXPECT_TRUE(crossBoundState().ExceptionalKlein.empty());
  EXPECT_EQ(crossBoundState().KleinBottleModInvNr, -1);
  // The reset hook and the command do the same when called again.
  EXPECT_EQ(resetOrientifold(), 1);
  EXPECT_TRUE(crossBoundState().ExceptionalKlein.empty());
  capture.clear();
  EXPECT_EQ(initializeOrientedOpenString(), 1);
  EXPECT_TRUE(alerted("No spectrum computed; type \"compute spectrum\" first"));
  EXPECT_EQ(TotalBoundaries(), 0);
  EXPECT_EQ(TotalOrientifolds(), 0);
  // Once the spectrum exists (SU(2) level 2: three fields, the diagonal invariant) the
  // boundaries are its three fields.
  ASSERT_EQ(run("compute spectrum"), 0);
  EXPECT_EQ(primaryCountKnown(), 1);
  EXPECT_EQ(TotalBoundaries(), 3);
}

// SU(2) at level 809 has 810 fields: a fusion table of 810^3 ints is 2,125,764,000 bytes,
// past the 2,100,000,000 that one block may hold. The search is refused before it resets
// anything, so the current invariant stays of simple-current type.
TEST_F(CrossBoundSizesTest, ANimrepSearchPastTheLimitIsRefusedWithItsSize) {
  ASSERT_NE(useTheory(1, 1, 809), nullptr);
  ASSERT_EQ(*TotalPrimaries, 810);
  BulkInvariant* bulk = *getCurrentBulk();
  ASSERT_NE(bulk, nullptr);
  ASSERT_EQ(bulk->simple_current, 1);
  capture.clear();
  attemptNIMrep(2);
  EXPECT_TRUE(alerted("The fusion table of the NIMrep search would need 2126 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_EQ(bulk->simple_current, 1);
  EXPECT_EQ(nimrepCandidateCount(), 0);
}

// The boundaries of a simple-current invariant are known: the assembly says so before it
// sets up the open string or copies the modular matrices (of a theory of 46,001 fields
// those would be two N x N complex matrices of 33.9 GB each).
TEST_F(CrossBoundSizesTest, AssemblyOnASimpleCurrentInvariantIsRefusedBeforeAnythingIsLoaded) {
  ASSERT_NE(useTheory(1, 1, 10), nullptr);
  BulkInvariant* bulk = *getCurrentBulk();
  ASSERT_NE(bulk, nullptr);
  ASSERT_EQ(bulk->simple_current, 1);
  ASSERT_TRUE(boundarySearchState().S.empty());
  capture.clear();
  assembleBoundarySet(0);
  EXPECT_TRUE(alerted("Simple current invariant; boundaries already known"));
  EXPECT_TRUE(boundarySearchState().S.empty());
  EXPECT_TRUE(boundarySearchState().P.empty());
  EXPECT_EQ(boundarySearchState().N, 0);
}

// SU(2) at level 8100 has 8101 fields: S and P of the boundary search are 2 x 8101^2
// complex numbers of 16 bytes, 2,100,038,432 bytes, past the 2,100,000,000 that one
// request may hold. The copy is refused with its size and nothing is loaded.
TEST_F(CrossBoundSizesTest, TheMatricesOfTheBoundarySearchPastTheLimitAreRefusedWithTheirSize) {
  ASSERT_NE(useTheory(1, 1, 8100), nullptr);
  ASSERT_EQ(*TotalPrimaries, 8101);
  setIntPar("Orientifold", 1);
  capture.clear();
  EXPECT_FALSE(loadSearchMatrices());
  EXPECT_TRUE(alerted(
      "The S and P matrices of the boundary search would need 2100 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_TRUE(boundarySearchState().S.empty());
  EXPECT_EQ(boundarySearchState().N, 0);
}

// SU(2) at level 640 has 641 fields: the two P-fusion tables of the Moebius search hold
// 2 x 641^3 ints, 2,106,997,768 bytes (and would take 641^4 terms to fill). Refused with
// their size.
TEST_F(CrossBoundSizesTest, TheTablesOfTheMoebiusSearchPastTheLimitAreRefusedWithTheirSize) {
  ASSERT_NE(useTheory(1, 1, 640), nullptr);
  ASSERT_EQ(*TotalPrimaries, 641);
  capture.clear();
  EXPECT_EQ(loadMoebiusTables(), 0);
  EXPECT_TRUE(alerted(
      "The P-fusion tables of the Moebius search would need 2107 Mb; refused (the limit is 2100 Mb)"));
  EXPECT_EQ(moebiusTables().N, 0);
}

}  // namespace
