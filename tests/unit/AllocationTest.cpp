// Accounted allocation: account counters, announcements, refusals and guarded buffers.
#include "Allocation.h"

#include <gtest/gtest.h>

#include "Boot.h"
#include "TestSupport.h"

namespace {

class AllocationTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(AllocationTest, ZeroSizeRequestChargesOneByte) {
  AllocationAccount account("Test zero");
  void* block = allocate(0, &account, "zero");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(account.counter, 2u);  // 1 (used) + 1 byte
  freespace(block, 1, &account, "zero");
  EXPECT_EQ(account.counter, 1u);
}

TEST_F(AllocationTest, CounterKeepsItsUsedMarkAfterFreeingEverything) {
  AllocationAccount account("Test counter");
  void* block = allocate(100, &account, "hundred");
  EXPECT_EQ(account.counter, 101u);
  freespace(block, 100, &account, "hundred");
  EXPECT_EQ(account.counter, 1u);
}

TEST_F(AllocationTest, FirstChargeAddsTheAccountToTheStatisticsList) {
  AllocationAccount account("Test listed");
  void* block = allocate(8, &account, "listed");
  bool found = false;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
    if (node->account == &account) found = true;
  }
  EXPECT_TRUE(found);
  freespace(block, 8, &account, "listed");
}

TEST_F(AllocationTest, ReallocationMovesTheCounterByTheDifference) {
  AllocationAccount account("Test realloc");
  void* block = allocate(100, &account, "grow");
  block = reallocate(block, 300, 100, &account, "grow");
  EXPECT_EQ(account.counter, 301u);
  freespace(block, 300, &account, "grow");
  EXPECT_EQ(account.counter, 1u);
}

TEST_F(AllocationTest, TraceShowsEachRequest) {
  OutputCapture capture;
  AllocationAccount account("Test trace");
  setAllocTrace(1);
  void* block = allocate(64, &account, "traced");
  freespace(block, 64, &account, "traced");
  setAllocTrace(0);
  EXPECT_NE(capture.all.find("Allocated 64 bytes for traced\n"), std::string::npos);
  EXPECT_NE(capture.all.find("freed 64 bytes for traced\n"), std::string::npos);
}

TEST_F(AllocationTest, FreeingNullOnlyWarns) {
  OutputCapture capture;
  AllocationAccount account("Test null");
  freespace(nullptr, 10, &account, "nothing");
  EXPECT_NE(capture.all.find("WARNING: attempt to free non-allocated space nothing\n"),
            std::string::npos);
  EXPECT_EQ(account.counter, 0u);
}

TEST_F(AllocationTest, VectorsChargeTheirAccount) {
  AllocationAccount account("Test vector");
  {
    AccountVector<int> v(AccountAllocator<int>(&account, "vector"));
    v.resize(1000);
    EXPECT_GE(account.bytesHeld(), 1000 * sizeof(int));
  }
  EXPECT_EQ(account.bytesHeld(), 0u);
}

TEST_F(AllocationTest, WorkBufferKeepsTenElementsOfSlack) {
  WorkBuffer<int> buffer("work");
  int* data = buffer.get(5);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(buffer.capacity(), 15u);
  EXPECT_EQ(buffer.get(15), data);  // fits: no move
  EXPECT_TRUE(buffer.check());
}

TEST_F(AllocationTest, WorkBufferReportsAWriteBeyondItsEnd) {
  OutputCapture capture;
  WorkBuffer<char> buffer("textbuf");
  char* data = buffer.get(4);
  data[4] = 'x';  // one past the requested length: hits the end guard, inside the block
  buffer.get(4);
  EXPECT_NE(capture.all.find("!!!!!! overflow in allocation of textbuf\n"), std::string::npos);
}

TEST_F(AllocationTest, WorkBufferReportsAWriteBeforeItsStart) {
  OutputCapture capture;
  WorkBuffer<int> buffer("ints");
  int* data = buffer.get(3);
  data[-1] = 0;
  buffer.get(3);
  EXPECT_NE(capture.all.find("!!!!!! underflow in allocation of ints\n"), std::string::npos);
}

TEST_F(AllocationTest, RefusedRequestEndsTheProgram) {
  AllocationAccount account("Test refuse");
  EXPECT_EXIT(allocate(kAllocationRefusedSize, &account, "huge"), ::testing::ExitedWithCode(1),
              "Attempt to allocate 2100 Mb for huge refused");
}

}  // namespace
