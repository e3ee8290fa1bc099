// The catalogue lock "Lock" in the model folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "CatalogueTestSupport.h"
#include "runtime/Error.h"

namespace {

using namespace catalogue_test;
namespace fs = std::filesystem;

class CatalogueLockTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    fs::create_directories(models);
    FileLockTimes times = getFileLockTimes();
    times.staleMilliseconds = 600000;  // a foreign lock stays fresh while it is polled
    setFileLockTimes(times);
    polls() = 0;
    setLockSleep(countPoll);
  }
  void TearDown() override {
    setLockSleep(nullptr);
    CatalogueTest::TearDown();
  }
  std::string lock() const { return models + "Lock"; }
  static int& polls() {
    static int count = 0;
    return count;
  }
  // Every poll is counted; at the 25th the foreign owner goes away.
  static void countPoll(int) {
    if (++polls() == 25) std::remove(getCatalogueLockName().c_str());
  }
};

TEST_F(CatalogueLockTest, FreeLockIsTakenAtOnceAndReleased) {
  EXPECT_EQ(checkLock(), 0);
  obtainLock();
  EXPECT_EQ(polls(), 0);
  ASSERT_TRUE(fs::exists(lock()));
  LockFileContent content = readLockFile(lock());
  EXPECT_EQ(content.kind, LockFileContent::Kind::Token);
  EXPECT_EQ(content.pid, static_cast<long>(getpid()));
  EXPECT_EQ(checkLock(), 1);
  obtainLock();  // held already: nothing changes
  EXPECT_EQ(readLockFile(lock()).text, content.text);
  removeLock();
  EXPECT_FALSE(fs::exists(lock()));
  EXPECT_EQ(checkLock(), 0);
}

TEST_F(CatalogueLockTest, RemoveWithoutHoldingLeavesTheFile) {
  const std::string foreign = "elsewhere.example.org 4242 77 beef\n";
  std::ofstream(lock()) << foreign;
  removeLock();
  EXPECT_EQ(readFile(lock()), foreign);
}

TEST_F(CatalogueLockTest, OverwrittenLockIsLostAndWaitedFor) {
  obtainLock();
  const std::string foreign = "elsewhere.example.org 4242 77 beef\n";
  std::ofstream(lock()) << foreign;
  capture.clear();
  EXPECT_EQ(checkLock(), 0);
  EXPECT_EQ(capture.stdoutText, "Incorrect file-id (4242 != " + std::to_string(getpid()) + ")\n");
  // The new owner is waited for: one message per twenty polls, until it goes.
  capture.clear();
  obtainLock();
  EXPECT_EQ(polls(), 25);
  EXPECT_EQ(capture.stdoutText, "Waiting for process 4242\nWaiting for process 4242\n");
  EXPECT_EQ(checkLock(), 1);
  removeLock();
  EXPECT_FALSE(fs::exists(lock()));
}

TEST_F(CatalogueLockTest, OldFreeMarkAndDeadOwnersDoNotBlock) {
  std::ofstream(lock()) << "0\n";
  obtainLock();
  EXPECT_EQ(polls(), 0);
  EXPECT_EQ(checkLock(), 1);
  removeLock();

  pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  std::ofstream(lock()) << getCurrentHostName() << " " << gone << " 5 feed\n";
  obtainLock();
  EXPECT_EQ(polls(), 0);
  EXPECT_EQ(checkLock(), 1);
  removeLock();
}

// A claim of ours that read back as missing (another process breaking a stale lock had it
// aside for a moment) and was then put back: the lock carries our own name, so it is ours,
// and is taken without waiting for ourselves.
TEST_F(CatalogueLockTest, OwnClaimPutBackByAStaleLockBreakerIsTaken) {
  const std::string own = makeLockToken();
  std::ofstream(lock()) << own;
  obtainLock();
  EXPECT_EQ(polls(), 0);
  EXPECT_EQ(checkLock(), 1);
  EXPECT_EQ(readFile(lock()), own);
  removeLock();
  EXPECT_FALSE(fs::exists(lock()));
}

TEST_F(CatalogueLockTest, ForeignLockIsBrokenAfterTheStaleLimit) {
  std::ofstream(lock()) << "elsewhere.example.org 4242 77 beef\n";
  struct timespec old[2] = {{1000, 0}, {1000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, lock().c_str(), old, 0), 0);
  obtainLock();
  EXPECT_EQ(polls(), 0);
  EXPECT_EQ(checkLock(), 1);
  removeLock();
}

TEST_F(CatalogueLockTest, LockIsReleasedByEveryWayOut) {
  for (int way = 0; way < 2; ++way) {
    pid_t child = fork();
    if (child == 0) {
      setOutputSink([](Channel, const char*, std::size_t) {});
      obtainLock();
      if (way == 0) GracefulExit(5);
      setBackground(1);
      Alert("test", 0, 212404, "fatal in a background run");
      _exit(99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << way;
    EXPECT_NE(WEXITSTATUS(status), 99) << way;
    EXPECT_FALSE(fs::exists(lock())) << way;
  }
}

}  // namespace
