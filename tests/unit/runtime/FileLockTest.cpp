// Exclusive-create lock files: claims, owner tokens, stale detection, release at exit.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "runtime/FileLock.h"
#include "runtime/SystemUtility.h"

namespace {

namespace fs = std::filesystem;

class FileLockTest : public ZoqTest {
 protected:
  std::string lockPath() const { return folder.path("LOCK"); }
  // Sets the file's change time back by the given seconds.
  void age(const std::string& path, int seconds) {
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    times[0].tv_sec -= seconds;
    times[1].tv_sec -= seconds;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  // A process id that has ended.
  static long endedProcess() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return static_cast<long>(child);
  }
  TemporaryFolder folder;
};

TEST_F(FileLockTest, TokenNamesThisProcessWithANonZeroNonce) {
  const std::string token = makeLockToken();
  ASSERT_FALSE(token.empty());
  EXPECT_EQ(token.back(), '\n');
  folder.write("LOCK", token);
  LockFileContent content = readLockFile(lockPath());
  EXPECT_EQ(content.kind, LockFileContent::Kind::Token);
  EXPECT_EQ(content.host, getCurrentHostName());
  EXPECT_EQ(content.pid, static_cast<long>(getpid()));
  EXPECT_EQ(content.start, processStartTime(getpid()));
  EXPECT_GT(content.start, 0);
  EXPECT_FALSE(content.nonce.empty());
  EXPECT_NE(content.nonce, "0");
  EXPECT_NE(makeLockToken(), token);  // a new nonce for every claim
  EXPECT_EQ(localOwnerAlive(content), 1);
}

TEST_F(FileLockTest, ExclusiveCreationTakesAFreeNameOnly) {
  const std::string mine = makeLockToken();
  EXPECT_EQ(createExclusiveFile(lockPath(), mine), LockClaim::Taken);
  EXPECT_EQ(readFile(lockPath()), mine);
  const std::string other = makeLockToken();
  EXPECT_EQ(createExclusiveFile(lockPath(), other), LockClaim::Held);
  EXPECT_EQ(readFile(lockPath()), mine);
  // No temporary file is left beside the lock.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(createExclusiveFile(folder.path("missing/LOCK"), mine), LockClaim::Failed);
}

TEST_F(FileLockTest, ReleaseRemovesOnlyTheOwnersLock) {
  const std::string mine = makeLockToken();
  ASSERT_EQ(createExclusiveFile(lockPath(), mine), LockClaim::Taken);
  EXPECT_FALSE(releaseFileLock(lockPath(), makeLockToken()));
  EXPECT_TRUE(fs::exists(lockPath()));
  EXPECT_TRUE(releaseFileLock(lockPath(), mine));
  EXPECT_FALSE(fs::exists(lockPath()));
}

TEST_F(FileLockTest, OwnersAreJudgedByHostProcessAndAge) {
  // A missing file and an old lock holding "0" are free.
  EXPECT_TRUE(lockIsStale(readLockFile(lockPath())));
  folder.write("LOCK", "0\n");
  EXPECT_EQ(readLockFile(lockPath()).kind, LockFileContent::Kind::Free);
  EXPECT_TRUE(lockIsStale(readLockFile(lockPath())));
  // This process holds it: alive.
  folder.write("LOCK", makeLockToken());
  EXPECT_FALSE(lockIsStale(readLockFile(lockPath())));
  // A process of this host that has ended, or a recycled id with another start time.
  const long gone = endedProcess();
  folder.write("LOCK", getCurrentHostName() + " " + std::to_string(gone) + " 123 abc\n");
  EXPECT_EQ(localOwnerAlive(readLockFile(lockPath())), 0);
  EXPECT_TRUE(lockIsStale(readLockFile(lockPath())));
  folder.write("LOCK", getCurrentHostName() + " " + std::to_string(getpid()) + " " +
                           std::to_string(processStartTime(getpid()) + 1) + " abc\n");
  EXPECT_TRUE(lockIsStale(readLockFile(lockPath())));
  // Another host, or a bare number: stale only when not touched for the stale limit.
  FileLockTimes times;
  times.staleMilliseconds = 60000;
  setFileLockTimes(times);
  for (const char* text : {"elsewhere.example.org 4242 77 beef\n", "4242\n"}) {
    folder.write("LOCK", text);
    LockFileContent content = readLockFile(lockPath());
    EXPECT_EQ(localOwnerAlive(content), -1) << text;
    EXPECT_FALSE(lockIsStale(content)) << text;
    age(lockPath(), 61);
    EXPECT_TRUE(lockIsStale(readLockFile(lockPath()))) << text;
  }
  EXPECT_EQ(readLockFile(lockPath()).kind, LockFileContent::Kind::Number);
  EXPECT_EQ(readLockFile(lockPath()).pid, 4242);
}

TEST_F(FileLockTest, AStaleLockIsBrokenOnlyWhileItHoldsTheStaleText) {
  const std::string stale = "elsewhere.example.org 4242 77 beef\n";
  folder.write("LOCK", stale);
  EXPECT_TRUE(breakStaleLock(lockPath(), stale));
  EXPECT_FALSE(fs::exists(lockPath()));
  // Someone else broke it and claimed it meanwhile: their lock is put back.
  const std::string fresh = makeLockToken();
  folder.write("LOCK", fresh);
  EXPECT_FALSE(breakStaleLock(lockPath(), stale));
  EXPECT_EQ(readFile(lockPath()), fresh);
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    entries += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(entries, 1);
}

TEST_F(FileLockTest, HeldLocksAreReleasedAtExitButNotAfterAKill) {
  const std::string path = lockPath();
  pid_t child = fork();
  if (child == 0) {
    const std::string token = makeLockToken();
    if (createExclusiveFile(path, token) != LockClaim::Taken) _exit(3);
    registerHeldLock(path, token);
    std::exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(path));

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  child = fork();
  if (child == 0) {
    const std::string token = makeLockToken();
    if (createExclusiveFile(path, token) == LockClaim::Taken) registerHeldLock(path, token);
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_TRUE(fs::exists(path));
  // Its owner is gone, so the lock is stale at once.
  EXPECT_TRUE(lockIsStale(readLockFile(path)));
}

TEST_F(FileLockTest, MaintenanceTouchesHeldLocks) {
  const std::string token = makeLockToken();
  ASSERT_EQ(createExclusiveFile(lockPath(), token), LockClaim::Taken);
  registerHeldLock(lockPath(), token);
  age(lockPath(), 3600);
  FileLockTimes times;
  times.touchMilliseconds = 0;
  setFileLockTimes(times);
  maintainFileLocks();
  EXPECT_LT(readLockFile(lockPath()).ageMilliseconds, 600000);
  forgetHeldLock(lockPath());
}

}  // namespace
