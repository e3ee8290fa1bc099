// Accounted allocation: account counters, announcements, refusals and guarded buffers.
#include "runtime/Allocation.h"

#include <gtest/gtest.h>

#include "program/Boot.h"
#include "runtime/Output.h"
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

TEST_F(AllocationTest, RequestsAboveTwoHundredTenMillionBytesAreAnnounced) {
  OutputCapture capture;
  AllocationAccount account("Test announce");
  void* quiet = allocate(kAllocationAnnouncedSize - 1, &account, "quiet");
  EXPECT_EQ(capture.all, "");
  void* loud = allocate(kAllocationAnnouncedSize, &account, "loud");
  EXPECT_EQ(capture.diagnostics, "Allocating 210 Mb for loud\n");
  freespace(quiet, kAllocationAnnouncedSize - 1, &account, "quiet");
  freespace(loud, kAllocationAnnouncedSize, &account, "loud");
  EXPECT_EQ(account.counter, 1u);
}

TEST_F(AllocationTest, BackgroundRunsAnnounceNothing) {
  OutputCapture capture;
  AllocationAccount account("Test background");
  setBackground(1);
  void* block = allocate(kAllocationAnnouncedSize, &account, "big");
  block = reallocate(block, kAllocationAnnouncedSize + 8, kAllocationAnnouncedSize, &account, "big");
  setBackground(0);
  EXPECT_EQ(capture.all, "");
  freespace(block, kAllocationAnnouncedSize + 8, &account, "big");
}

TEST_F(AllocationTest, LargeReallocationsAreAnnouncedAndTracedOnce) {
  OutputCapture capture;
  AllocationAccount account("Test grow big");
  void* block = allocate(16, &account, "grow");
  block = reallocate(block, kAllocationAnnouncedSize, 16, &account, "grow");
  EXPECT_EQ(capture.diagnostics, "Re-allocated 210000001 bytes for grow (was 16 bytes))\n");
  capture.clear();
  setAllocTrace(1);
  block = reallocate(block, 32, kAllocationAnnouncedSize, &account, "grow");
  EXPECT_EQ(capture.diagnostics, "Re-allocated 32 bytes for grow (was 210000001 bytes))\n");
  setAllocTrace(0);
  freespace(block, 32, &account, "grow");
}

TEST_F(AllocationTest, WithoutAnAccountTheWorkSpaceIsCharged) {
  std::uint64_t before = WorkSpaceSize.bytesHeld();
  void* block = allocate(40, nullptr, "anonymous");
  EXPECT_EQ(WorkSpaceSize.bytesHeld(), before + 40);
  freespace(block, 40, nullptr, "anonymous");
  EXPECT_EQ(WorkSpaceSize.bytesHeld(), before);
}

TEST_F(AllocationTest, RefusedResizeEndsTheProgram) {
  AllocationAccount account("Test refuse resize");
  void* block = allocate(8, &account, "small");
  EXPECT_EXIT(reallocate(block, kAllocationRefusedSize, 8, &account, "resized"), ::testing::ExitedWithCode(1),
              "Attempt to reallocate 2100 Mb for resized refused");
  freespace(block, 8, &account, "small");
}

TEST_F(AllocationTest, RefusedRequestEndsTheProgram) {
  AllocationAccount account("Test refuse");
  EXPECT_EXIT(allocate(kAllocationRefusedSize, &account, "huge"), ::testing::ExitedWithCode(1),
              "Attempt to allocate 2100 Mb for huge refused");
}

TEST_F(AllocationTest, SizeChecksTakeWhatAllocateTakesAndNameWhatItRefuses) {
  OutputCapture capture;
  // 525,000,000 ints are 2,100,000,000 bytes: one byte below the refused size.
  EXPECT_TRUE(requireAllocationSize("sizes", "The table", 525000000.0L, sizeof(int)));
  EXPECT_TRUE(requireAllocationSize("sizes", "Nothing", 0.0L, sizeof(double)));
  EXPECT_EQ(capture.all, "");
  // 2,100,000,001 bytes: refused by allocate(), named here in Mb of 10^6 bytes.
  EXPECT_FALSE(requireAllocationSize("sizes", "The table", 2100000001.0L, 1));
  EXPECT_NE(capture.all.find("The table would need 2100 Mb; refused (the limit is 2100 Mb)"), std::string::npos)
      << capture.all;
  capture.clear();
  // (2^31 - 1)^2 entries of 8 bytes: 36,893,488,113,059,364,872 bytes, past 64 bits.
  const long double side = 2147483647.0L;
  EXPECT_FALSE(requireAllocationSize("sizes", "The square", side * side, 8));
  EXPECT_NE(capture.all.find("The square would need 36893488113059 Mb"), std::string::npos) << capture.all;
}

}  // namespace
