// Records whose making was stopped by Ctrl-C give their memory back: the record built by
// SM_getData, the permutation orbifold and the re-centred theory, each stopped while the
// record was half made (a record and the fixed-point theories made from it: see
// CosetManyCurrentsTest.AStoppedCreationGivesBackItsMemory). Afterwards the
// chain is as before, the accounts of the half-made records hold nothing, and a second
// stopped making leaves the allocation total where the first left it (what the first grew
// for the store itself, its work buffers, is reused). The name can then be used again.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "InterruptTestSupport.h"
#include "TestSupport.h"
#include "collections/VectorUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

class StoremanagerRelease : public ZoqTest {
 protected:
  void TearDown() override {
    interrupt_test::release();
    ZoqTest::TearDown();
  }
};

// The accounts on the list of accounts: records of earlier cases (of the same name too)
// stay alive for the run, so a case looks only at the accounts that came after these.
std::set<const AllocationAccount*> knownAccounts() {
  std::set<const AllocationAccount*> known;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) known.insert(node->account);
  return known;
}

// Bytes held by the accounts of records whose name begins with `name` ("Algebra " and
// "S-matrix " before it) that are not among `before`, and whether there was any.
long long recordBytes(const std::string& name, const std::set<const AllocationAccount*>& before,
                      bool* charged = nullptr) {
  long long total = 0;
  if (charged != nullptr) *charged = false;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
    if (before.count(node->account) != 0) continue;
    const std::string account = node->account->name;
    for (const char* prefix : {"Algebra ", "S-matrix "}) {
      if (account.rfind(prefix + name, 0) != 0) continue;
      total += static_cast<long long>(node->account->bytesHeld());
      if (charged != nullptr) *charged = true;
    }
  }
  return total;
}

// Runs make() with a Ctrl-C pending: it must end by StopRequest (or, where the loop that
// sees the Ctrl-C ends quietly, with no record) and leave the chain as it found it.
void stoppedMaking(const std::function<SpectrumData*()>& make) {
  SpectrumData* first = SM_getFirstAlgebra();
  interrupt_test::pressControlC();
  SpectrumData* made = nullptr;
  bool stopped = false;
  try {
    made = make();
  } catch (const StopRequest&) {
    stopped = true;
  }
  interrupt_test::release();
  EXPECT_TRUE(stopped || made == nullptr);
  EXPECT_EQ(SM_getFirstAlgebra(), first);
}

TEST_F(StoremanagerRelease, AStoppedBuildOfTheStoreGivesBackItsRecord) {
  // The N=2 minimal model at level 4 (60 fields) sees the Ctrl-C at its first field, after
  // the record and its field blocks were made: SM_getData fails.
  const auto make = [] { return SM_getData(kStoreTypeMinimalN2, 2, 4); };
  const auto before = knownAccounts();
  stoppedMaking(make);
  bool charged = false;
  EXPECT_EQ(recordBytes("Min 2 4", before, &charged), 0);
  EXPECT_TRUE(charged);
  const long long afterFirst = getTotalAllocation();
  stoppedMaking(make);
  EXPECT_EQ(getTotalAllocation(), afterFirst);
  // Asked again without a stop, the theory is made whole: 2 (k+1)(k+2) = 60 fields.
  SpectrumData* sd = SM_getData(kStoreTypeMinimalN2, 2, 4);
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(sd->n_primaries, 60);
  EXPECT_GT(recordBytes("Min 2 4", before), 0);
}

TEST_F(StoremanagerRelease, AStoppedPermutationOrbifoldGivesBackItsRecord) {
  SpectrumData* mother = SM_getData(1, 1, 3);
  ASSERT_NE(mother, nullptr);
  const std::string name = std::string(mother->name) + "_perm";
  const auto make = [mother] { return SM_getPermutationOrbifold(mother, 2, nullptr); };
  const auto before = knownAccounts();
  stoppedMaking(make);
  bool charged = false;
  EXPECT_EQ(recordBytes(name, before, &charged), 0);
  EXPECT_TRUE(charged);
  const long long afterFirst = getTotalAllocation();
  stoppedMaking(make);
  EXPECT_EQ(getTotalAllocation(), afterFirst);
  EXPECT_EQ(SM_findCFT(name.c_str()), nullptr);
}

TEST_F(StoremanagerRelease, AStoppedRecentredTheoryGivesBackItsRecord) {
  // SU(2) level 2 re-centred on its whole centre {0, 1}: stopped while its orbits are laid
  // out (the first loop that polls).
  SpectrumData* source = SM_getData(1, 1, 2);
  ASSERT_NE(source, nullptr);
  IntList centre;
  initList(&centre, 2);
  addToList(&centre, 0);
  addToList(&centre, 1);
  const auto make = [&] { return SM_createCenter(source, &centre, "Recentred SU2"); };
  const auto before = knownAccounts();
  stoppedMaking(make);
  bool charged = false;
  EXPECT_EQ(recordBytes("Recentred SU2", before, &charged), 0);
  EXPECT_TRUE(charged);
  EXPECT_EQ(SM_findCFT("Recentred SU2"), nullptr);
  const long long afterFirst = getTotalAllocation();
  stoppedMaking(make);
  EXPECT_EQ(getTotalAllocation(), afterFirst);
  // The name is free: made without a stop, it has the 3 fields of its source.
  SpectrumData* sd = SM_createCenter(source, &centre, "Recentred SU2");
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(SM_findCFT("Recentred SU2"), sd);
  EXPECT_EQ(sd->n_primaries, 3);
}

TEST_F(StoremanagerRelease, ReleasingAShellAgainChangesNothing) {
  const auto before = knownAccounts();
  SpectrumData* sd = allocateSpectrumData("Shell");
  SM_allocFieldInfo_Weights(sd);
  SM_releaseRecord(sd);
  EXPECT_EQ(recordBytes("Shell", before), 0);
  const long long total = getTotalAllocation();
  SM_releaseRecord(sd);
  EXPECT_EQ(getTotalAllocation(), total);
  EXPECT_EQ(recordBytes("Shell", before), 0);
  EXPECT_EQ(SM_findCFT("Shell"), nullptr);
}

}  // namespace
