// The bulk invariant store: the diagonal invariant, storing and looking up by name,
// twins, copies of records whose rows share partner lists, resets and the record pool.
#include "invariants/Invariants.h"

#include <gtest/gtest.h>

#include <string>

#include "ModularTestSupport.h"
#include "modular/Modular.h"
#include "modular/ModularHooks.h"
#include "runtime/Parameters.h"
#include "store/CurrentTheory.h"
#include "TestSupport.h"

namespace {

using modular_test::useTheory;

class InvariantsTest : public ZoqTest {};

BulkInvariant* current() { return *getCurrentBulk(); }

// The D-type invariant of A1 level 4 by field label: |chi_0 + chi_4|^2 + 2|chi_2|^2, with
// rows 0 and 4 sharing one partner list and the record sized for three partner entries.
std::unique_ptr<BulkInvariant> dTypeLevel4(const SpectrumData* sd) {
  auto bi = allocNewBulkInvariant(nullptr);
  const int f0 = modular_test::a1Field(sd, 0);
  const int f2 = modular_test::a1Field(sd, 2);
  const int f4 = modular_test::a1Field(sd, 4);
  allocBulkInvariantData(bi.get(), 5, 3);
  int* partners = bi->algebra + 5;
  partners[0] = std::min(f0, f4);
  partners[1] = std::max(f0, f4);
  partners[2] = f2;
  bi->count[f0] = bi->count[f4] = 2;
  bi->mult[f0] = bi->mult[f4] = 1;
  bi->orbits[f0] = bi->orbits[f4] = partners;
  bi->count[f2] = 1;
  bi->mult[f2] = 2;
  bi->orbits[f2] = partners + 2;
  bi->diagonal = 0;
  bi->simple_current = 0;
  bi->algebra[0] = 0;
  bi->algebra_count = 1;
  bi->vacuum_row = bi->orbits[0];
  return bi;
}

TEST_F(InvariantsTest, TheCurrentInvariantIsTheDiagonalOneOfTheTheory) {
  useTheory(1, 1, 2);  // A1 level 2: three primaries
  BulkInvariant* bi = current();
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bi->n_rows, 3);
  EXPECT_EQ(bi->diagonal, 1);
  EXPECT_EQ(bi->symmetric, 1);
  EXPECT_EQ(bi->ishibashi_count, 3);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(bulkEntry(bi, i, j), i == j ? 1 : 0) << i << "," << j;
  }
  // A theory change, through the installed hook, makes the new diagonal one current.
  useTheory(1, 1, 4);
  EXPECT_EQ(current()->n_rows, 5);
  EXPECT_EQ(bulkEntry(current(), 4, 4), 1);
  EXPECT_EQ(TotalInvariants(), -1);
  EXPECT_EQ(storedInvariantCount(), 0);
}

TEST_F(InvariantsTest, ARecordMadeWithoutATheoryHasOneRow) {
  currentSD = nullptr;
  TotalPrimaries = nullptr;
  auto bi = allocNewBulkInvariant(nullptr);
  EXPECT_EQ(bi->n_rows, 1);
  EXPECT_EQ(bi->name, "UNDEFINED");
  EXPECT_EQ(bulkEntry(bi.get(), 0, 0), 1);
}

TEST_F(InvariantsTest, ThePrimaryCountOfAnUncomputedTensorProductIsNotARealOne) {
  // Before its spectrum is known a tensor product reports 2000000000 primaries; the
  // diagonal invariant is then the one-row record, not a buffer of 8 billion ints.
  int unknown = 2000000000;
  TotalPrimaries = &unknown;
  resetBulk();
  EXPECT_EQ(current()->n_rows, 1);
  EXPECT_TRUE(silent());
  TotalPrimaries = nullptr;
}

TEST_F(InvariantsTest, TheDiagonalInvariantIsStoredOnceAsInvariant_0) {
  useTheory(1, 2, 1);  // A2 level 1
  storeCurrentBulkInvariant();
  BulkInvariant* stored = findNamedBulkInvariant("Invariant_0");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->MD->mipf_number, 0);
  EXPECT_EQ(stored->diagonal, 1);
  EXPECT_NE(stored, current());  // a copy is stored
  EXPECT_TRUE(capture.printed.empty());  // quietly

  // Again, verbose: the twin is the result and no name is used up.
  EXPECT_EQ(storeBulkInvariant(nullptr, current(), 1, 1), stored);
  EXPECT_NE(capture.progress.find("This invariant is already present as Invariant_0"),
            std::string::npos);
  EXPECT_EQ(storedInvariantCount(), 1);
  EXPECT_STREQ(assignName(), "Invariant_1");
}

TEST_F(InvariantsTest, NewInvariantsAreNamedInTurnAndFoundByName) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  ASSERT_NE(sd, nullptr);
  storeCurrentBulkInvariant();
  auto d = dTypeLevel4(sd);
  capture.clear();
  EXPECT_EQ(storeBulkInvariant(nullptr, d.get(), 1, 1), d.get());
  EXPECT_EQ(capture.printed, "Modular invariant stored as \"Invariant_1\"\n");
  BulkInvariant* stored = findNamedBulkInvariant("Invariant_1");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->MD->mipf_number, 1);
  EXPECT_EQ(getLastBulkInvariant(), stored);

  // A given name carries no MIPF number; a name in use is refused.
  capture.clear();
  auto diag = allocNewBulkInvariant(nullptr);
  diag->count[1] = 0;  // an empty row: another invariant
  EXPECT_EQ(storeBulkInvariant("Mine", diag.get(), 1, 0), diag.get());
  EXPECT_EQ(findNamedBulkInvariant("Mine")->MD->mipf_number, -1);
  auto other = allocNewBulkInvariant(nullptr);
  other->mult[2] = 3;
  EXPECT_EQ(storeBulkInvariant("Mine", other.get(), 1, 0), nullptr);
  EXPECT_TRUE(alerted("already in use"));
  EXPECT_EQ(storedInvariantCount(), 3);

  capture.clear();
  listBulkInvariants();
  EXPECT_EQ(capture.printed, "Invariant_0\nInvariant_1\nMine\n");
}

TEST_F(InvariantsTest, UserInputNamesAndNumbers) {
  EXPECT_STREQ(convertBulkInvariantName("007"), "Invariant_7");
  EXPECT_STREQ(convertBulkInvariantName("000"), "Invariant_0");
  EXPECT_STREQ(convertBulkInvariantName("Mine"), "Mine");

  useTheory(1, 1, 2);
  storeCurrentBulkInvariant();
  setIntPar("Autostore", 1);
  EXPECT_EQ(getBulkInvariantForUserInput("00"), findNamedBulkInvariant("Invariant_0"));
  EXPECT_EQ(getBulkInvariantForUserInput("Nothing"), nullptr);
  EXPECT_TRUE(alerted("Invariant Nothing not found"));
  // With Autostore off a number builds the MIPF of that number: A1 level 2 has MIPF 0 (the
  // diagonal invariant) and MIPF 1 (the invariant of J, again diagonal), and no MIPF 2.
  setIntPar("Autostore", 0);
  BulkInvariant* built = getBulkInvariantForUserInput("1");
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(built, *getCurrentBulk());
  EXPECT_EQ(built->MD->mipf_number, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bulkEntry(built, i, i), 1);
  capture.clear();
  // The search counts the two MIPFs: number 2 is out of range, and said so.
  EXPECT_EQ(getBulkInvariantForUserInput("2"), nullptr);
  EXPECT_EQ(capture.printed.find("MIPFs generated"), std::string::npos);
  EXPECT_TRUE(alerted("MIPF number 2 out of range (total MIPFs 2)"));
}

TEST_F(InvariantsTest, RowsCompareAsSetsOnlyWhenTheyHoldTwoOrMoreEntries) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  auto a = dTypeLevel4(sd);
  auto b = dTypeLevel4(sd);
  EXPECT_EQ(compareBulkInvariants(a.get(), b.get()), 0);
  std::swap(b->orbits[0][0], b->orbits[0][1]);  // the shared list {0,4} reversed
  EXPECT_EQ(compareBulkInvariants(a.get(), b.get()), 0);
  auto diag = allocNewBulkInvariant(nullptr);
  EXPECT_EQ(compareBulkInvariants(a.get(), diag.get()), -1);
  auto swapped = allocNewBulkInvariant(nullptr);
  std::swap(swapped->orbits[1], swapped->orbits[3]);  // one-entry rows: order matters
  EXPECT_EQ(compareBulkInvariants(swapped.get(), diag.get()), -1);
  // A row with mult 0 is empty whatever its count says.
  auto emptied = allocNewBulkInvariant(nullptr);
  auto zeroCount = allocNewBulkInvariant(nullptr);
  emptied->mult[2] = 0;
  zeroCount->count[2] = 0;
  EXPECT_EQ(compareBulkInvariants(emptied.get(), zeroCount.get()), 0);
}

TEST_F(InvariantsTest, TheStoreFindsTwinsByTheSameRowsAsTheComparison) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  auto d = dTypeLevel4(sd);
  ASSERT_EQ(storeBulkInvariant("D", d.get(), 1, 0), d.get());
  BulkInvariant* stored = findNamedBulkInvariant("D");  // the store's copy
  ASSERT_NE(stored, nullptr);
  // Rows 1 and 3 of the D invariant are empty; one with count 0 but mult 3 is empty too
  // (Z(1, j) = 3 x 0), so the record is the stored D.
  auto twin = dTypeLevel4(sd);
  twin->mult[modular_test::a1Field(sd, 1)] = 3;
  EXPECT_EQ(storeBulkInvariant(nullptr, twin.get(), 1, 0), stored);
  // The shared list {0, 4} in the other order is the same row.
  auto reordered = dTypeLevel4(sd);
  std::swap(reordered->orbits[0][0], reordered->orbits[0][1]);
  EXPECT_EQ(storeBulkInvariant(nullptr, reordered.get(), 1, 0), stored);
  // The last row with multiplicity 1 instead of 2: another invariant, stored as such.
  auto other = dTypeLevel4(sd);
  other->mult[modular_test::a1Field(sd, 2)] = 1;
  EXPECT_EQ(storeBulkInvariant(nullptr, other.get(), 1, 0), other.get());
  EXPECT_EQ(storedInvariantCount(), 2);
}

TEST_F(InvariantsTest, ACopyOfSharedRowsIsGrownToHoldThemAll) {
  const SpectrumData* sd = useTheory(1, 1, 4);
  auto d = dTypeLevel4(sd);
  auto copy = allocNewBulkInvariant("copy");
  copyBulkInvariant(copy.get(), d.get());
  EXPECT_GE(copy->capacity, 5);  // rows 0 and 4 each carry two entries, row 2 one
  EXPECT_EQ(static_cast<int>(copy->Data.size()), 3 * 5 + copy->capacity);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      EXPECT_EQ(bulkEntry(copy.get(), i, j), bulkEntry(d.get(), i, j)) << i << "," << j;
    }
  }
  const int f0 = modular_test::a1Field(sd, 0);
  const int f2 = modular_test::a1Field(sd, 2);
  const int f4 = modular_test::a1Field(sd, 4);
  EXPECT_EQ(bulkEntry(copy.get(), f0, f4), 1);
  EXPECT_EQ(bulkEntry(copy.get(), f2, f2), 2);
  EXPECT_EQ(bulkEntry(copy.get(), modular_test::a1Field(sd, 1), modular_test::a1Field(sd, 1)),
            0);
  EXPECT_EQ(copy->diagonal, 0);
  EXPECT_EQ(compareBulkInvariants(copy.get(), d.get()), 0);
}

TEST_F(InvariantsTest, ResettingTheStoreForgetsNamesAndLoopBounds) {
  useTheory(1, 1, 2);
  storeCurrentBulkInvariant();
  setIntPar("Loop start", 3);
  setIntPar("Loop end", 5);
  const int before = QueryBulkInvariant();
  resetInvariantStore();
  EXPECT_EQ(storedInvariantCount(), 0);
  EXPECT_EQ(TotalInvariants(), -1);
  EXPECT_EQ(*getIntParPointer("Loop start"), 0);
  EXPECT_EQ(*getIntParPointer("Loop end"), 2000000000);
  EXPECT_GT(QueryBulkInvariant(), before);  // the current invariant changed
  EXPECT_EQ(current()->diagonal, 1);
  capture.clear();
  storeBulkInvariant(nullptr, current(), 1, 1);
  EXPECT_EQ(capture.printed, "Diagonal invariant stored as \"Invariant_0\"\n");
  EXPECT_EQ(removeLastBulkInvariant(), 0);
  EXPECT_EQ(removeLastBulkInvariant(), 0);
}

TEST_F(InvariantsTest, PoolRecordsAreReusedAndForeignOnesRefused) {
  const int nodes = poolNodeCount();
  SimpleCurrentData* a = getSCDataPointer();
  SimpleCurrentData* b = getSCDataPointer();
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(poolNodeCount(), nodes + 1);  // one node existed from start-up
  returnSCDataPointer(a);
  EXPECT_EQ(getSCDataPointer(), a);
  EXPECT_EQ(poolNodeCount(), nodes + 1);
  auto foreign = allocNewSCData(nullptr);
  returnSCDataPointer(foreign.get());
  EXPECT_TRUE(alerted("Incorrect Simple Current node pointer returned"));
}

}  // namespace

namespace {

TEST_F(InvariantsTest, ChangingPermutationRejectionEmptiesAFilledStoreOnly) {
  useTheory(1, 1, 2);
  permutationRejectionChanged();
  EXPECT_EQ(capture.printed, "");  // nothing stored: nothing to say
  storeCurrentBulkInvariant();
  permutationRejectionChanged();
  EXPECT_EQ(capture.printed, "Resetting invariant storage\n");
  EXPECT_EQ(storedInvariantCount(), 0);
  EXPECT_STREQ(assignName(), "Invariant_0");
}

}  // namespace

namespace {

TEST_F(InvariantsTest, ALinkedRecordJoinsTheStoreItselfUnlessItHasATwin) {
  useTheory(1, 2, 1);
  auto record = allocNewBulkInvariant(nullptr);
  BulkInvariant* raw = record.get();
  // Into the empty store: the record itself becomes the first one.
  EXPECT_EQ(linkBulkInvariant(nullptr, std::move(record), 1), raw);
  EXPECT_EQ(findNamedBulkInvariant("Invariant_0"), raw);
  EXPECT_EQ(capture.printed, "Diagonal invariant stored as \"Invariant_0\"\n");
  // An equal record is not linked: the stored twin answers.
  EXPECT_EQ(linkBulkInvariant(nullptr, allocNewBulkInvariant(nullptr), 0), raw);
  EXPECT_EQ(storedInvariantCount(), 1);
  EXPECT_EQ(removeLastBulkInvariant(), 0);
  EXPECT_EQ(storedInvariantCount(), 0);
}

}  // namespace
