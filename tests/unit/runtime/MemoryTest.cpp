// Named memory pools: whole-increment growth with headroom, sentinels, pool-backed
// buffers and line reading, and the pools of start-up.
#include "runtime/Memory.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>

#include "program/Boot.h"
#include "program/Startup.h"
#include "runtime/Allocation.h"
#include "runtime/Parameters.h"
#include "TestSupport.h"

namespace {

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(MemoryTest, PoolsGrowInWholeIncrementsAboveTenPercentHeadroom) {
  initMemory("TestGrow", 'i', 0, 100);
  EXPECT_EQ(MemorySize("TestGrow"), 0);
  allocMemory("TestGrow", 50);  // need 56: one increment
  EXPECT_EQ(MemorySize("TestGrow"), 100);
  allocMemory("TestGrow", 90);  // need 100: the size must lie strictly above it
  EXPECT_EQ(MemorySize("TestGrow"), 200);
  allocMemory("TestGrow", 100);  // need 111: 200 already suffices
  EXPECT_EQ(MemorySize("TestGrow"), 200);
  allocMemory("TestGrow", 1000);  // need 1101: 200 + 100 * (1 + 901 / 100) = 1200
  EXPECT_EQ(MemorySize("TestGrow"), 1200);
}

TEST_F(MemoryTest, AskingAnEmptyPoolForItsIncrementDoublesIt) {
  initMemory("TestExact", 'c', 0, 100);
  allocMemory("TestExact", 100);  // need 111
  EXPECT_EQ(MemorySize("TestExact"), 200);
}

TEST_F(MemoryTest, EveryTypeCarriesItsSentinel) {
  initMemory("TestC", 'c', 10, 10);
  initMemory("TestI", 'i', 10, 10);
  initMemory("TestD", 'd', 10, 10);
  initMemory("TestP", 'p', 10, 10);
  Memory* c = findMemory("TestC");
  Memory* i = findMemory("TestI");
  Memory* d = findMemory("TestD");
  Memory* p = findMemory("TestP");
  EXPECT_EQ(static_cast<char*>(c->data)[c->size], 127);
  EXPECT_EQ(static_cast<int*>(i->data)[i->size], INT_MAX);
  EXPECT_EQ(static_cast<double*>(d->data)[d->size], DBL_MAX);
  EXPECT_EQ(static_cast<void**>(p->data)[p->size], nullptr);
  for (std::int64_t k = 0; k < p->size; ++k) EXPECT_EQ(static_cast<void**>(p->data)[k], nullptr);
}

TEST_F(MemoryTest, GrowingKeepsTheContents) {
  initMemory("TestKeep", 'i', 5, 5);
  int* data = static_cast<int*>(findExistingMemory("TestKeep"));
  for (int k = 0; k < 5; ++k) data[k] = k * k;
  data = static_cast<int*>(allocMemory("TestKeep", 500));
  for (int k = 0; k < 5; ++k) EXPECT_EQ(data[k], k * k);
}

TEST_F(MemoryTest, ABrokenSentinelIsReportedWithTheLastEntries) {
  initMemory("TestBroken", 'i', 3, 5);
  Memory* pool = findMemory("TestBroken");
  int* data = static_cast<int*>(pool->data);
  EXPECT_EQ(pool->size, 5);
  for (int k = 0; k <= 5; ++k) data[k] = 10 + k;  // overwrites the sentinel at index 5
  OutputCapture capture;
  ScriptedAnswers answers({"ok"});  // severity 5 asks
  checkMemory("here");
  EXPECT_NE(capture.diagnostics.find("Fatal error in routine MemError (position 0)"), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Array TestBroken exceeds boundary;\nPresent size 5; location here"),
            std::string::npos);
  // The entries from index size down, as far as they exist.
  EXPECT_EQ(capture.stdoutText.substr(capture.stdoutText.size() - 18), "15\n14\n13\n12\n11\n10\n");
  data[5] = INT_MAX;
}

TEST_F(MemoryTest, UnknownAndRepeatedNamesAreReported) {
  OutputCapture capture;
  // Two severe alerts: the run turns interactive and every later alert asks.
  ScriptedAnswers answers({"ok", "continue"});
  EXPECT_EQ(allocMemory("TestNowhere", 10), nullptr);
  EXPECT_NE(capture.all.find("Memory TestNowhere not initialized"), std::string::npos);
  EXPECT_NE(capture.all.find("Memory TestNowhere not allocated"), std::string::npos);
  Memory* first = initMemory("TestTwice", 'c', 0, 8);
  EXPECT_EQ(initMemory("TestTwice", 'i', 0, 8), first);
  EXPECT_EQ(first->type, 'c');
  EXPECT_NE(capture.all.find("Attempt to re-initialize memory TestTwice"), std::string::npos);
}

TEST_F(MemoryTest, VerifyAndRelease) {
  initMemory("TestVerify", 'c', 10, 10);
  OutputCapture capture;
  ScriptedAnswers answers({"ok", "ok"});
  verifyMemory("TestVerify", 21);  // 20 entries: 10 + 10, above the need of 12
  EXPECT_NE(capture.all.find("Memory TestVerify too small"), std::string::npos);
  releaseMemory("TestVerify");
  EXPECT_EQ(MemorySize("TestVerify"), 0);
  EXPECT_EQ(findMemory("TestVerify")->data, nullptr);
  verifyMemory("TestNoSuch", 1);
  EXPECT_NE(capture.all.find("Memory TestNoSuch not allocated"), std::string::npos);
}

TEST_F(MemoryTest, ZeroIncrementIsMeaninglessAndGrowingItEndsTheRun) {
  OutputCapture capture;
  ScriptedAnswers answers({"ok"});
  initMemory("TestZero", 'c', 0, 0);
  EXPECT_NE(capture.all.find("Meaningless increment specified for memory TestZero"), std::string::npos);
  EXPECT_EXIT(
      {
        ScriptedAnswers more({"continue"});
        allocMemory("TestZero", 4);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(MemoryTest, CharBuffersGrowAndHoldTexts) {
  Memory* pool = getCharBuffer("TestText", 10);
  EXPECT_EQ(pool->increment, 256);  // small requests grow by 256
  Memory* big = getCharBuffer("TestBigText", 1000);
  EXPECT_EQ(big->increment, 2000);  // larger ones by twice the request
  EXPECT_GE(big->size, 1000);
  EXPECT_STREQ(copyStringToBuffer("TestText", "abc"), "abc");
  EXPECT_STREQ(catStringToBuffer("TestText", "def"), "abcdef");
  std::string longText(5000, 'x');
  EXPECT_EQ(std::string(catStringToBuffer("TestText", longText.c_str())), "abcdef" + longText);
  EXPECT_EQ(copyStringToBuffer("TestText", nullptr), nullptr);
  int* ints = getIntSpace("TestInts", 300);
  ints[299] = 7;
  EXPECT_GE(MemorySize("TestInts"), 300);
}

TEST_F(MemoryTest, ReadLineMarksTheEndOfTheStream) {
  TemporaryFolder folder;
  std::string path = folder.write("lines", "first\nlast");
  FILE* file = std::fopen(path.c_str(), "r");
  char* line = readLineToBuffer("TestLines", file);
  EXPECT_STREQ(line, "first");
  EXPECT_NE(line[6], '\n');
  line = readLineToBuffer("TestLines", file);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(line[5], '\n');  // the end-of-stream marker after the terminator
  std::fclose(file);

  std::string emptyPath = folder.write("empty", "");
  file = std::fopen(emptyPath.c_str(), "r");
  line = readLineToBuffer("TestLines", file);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(line[1], '\n');
  std::fclose(file);
}

TEST_F(MemoryTest, LongLinesAreReadWholeAndAppended) {
  TemporaryFolder folder;
  std::string longLine(3000, 'y');
  std::string path = folder.write("long", longLine + "\nz\n");
  FILE* file = std::fopen(path.c_str(), "r");
  EXPECT_EQ(std::string(readLineToBuffer("TestLong", file)), longLine);
  EXPECT_EQ(std::string(readLineToEndBuffer("TestLong", file)), longLine + "z");
  std::fclose(file);
}

TEST_F(MemoryTest, StartUpCreatesTheNamedPoolsEmptyAndOnce) {
  const struct {
    const char* name;
    char type;
    std::int64_t increment;
  } pools[] = {{"ModText", 'c', 50000},       {"RootSystem", 'i', 100},      {"GaloisGroup", 'i', 300},
               {"GaloisDependence", 'i', 900}, {"GaloisSolutions", 'i', 1000}, {"GaloisOrbits", 'i', 5000},
               {"GaloisEqn", 'i', 60},         {"GaloisEquations", 'i', 900}, {"CollectEqn", 'i', 30},
               {"Bounds", 'i', 30000},         {"ModularInvariant", 'i', 2000}};
  for (const auto& expected : pools) {
    Memory* pool = findMemory(expected.name);
    ASSERT_NE(pool, nullptr) << expected.name;
    EXPECT_EQ(pool->type, expected.type) << expected.name;
    EXPECT_EQ(pool->increment, expected.increment) << expected.name;
    EXPECT_EQ(pool->size, 0) << expected.name;
  }
  OutputCapture capture;
  initializeMemory();  // a second call changes nothing and says nothing
  EXPECT_EQ(capture.all, "");
}

TEST_F(MemoryTest, ResetDropsThePoolsMadeAfterStartUp) {
  initMemory("TestTransient", 'c', 10, 10);
  resetAll();
  EXPECT_EQ(findMemory("TestTransient"), nullptr);
  EXPECT_NE(findMemory("ModText"), nullptr);
}

TEST_F(MemoryTest, PoolAccountingCountsDataNamesAndRecords) {
  long long before = getMemoryAlloc();
  long long recordsBefore = static_cast<long long>(Memory_alloc.counter);
  initMemory("TestAccount", 'd', 0, 10);
  long long records = static_cast<long long>(Memory_alloc.counter) - recordsBefore;
  // An empty double pool: one 8-byte entry, "TestAccount" with its terminator (12) and 48.
  EXPECT_EQ(getMemoryAlloc() - before, 8 + 12 + 48 + records);
  allocMemory("TestAccount", 5);  // 10 entries + the sentinel
  EXPECT_EQ(getMemoryAlloc() - before, 11 * 8 + 12 + 48 + records);
}

}  // namespace
