// The catalogue lock "Lock" in the model folder: an exclusive-create lock file holding this
// process's owner token (runtime/FileLock). A held lock is polled; a stale one (its owner
// gone, or not touched for the stale limit) is broken. The holder re-checks its token
// before it writes, and the lock is released at every way out of the program.
#include <unistd.h>

#include <string>

#include "runtime/FileLock.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "search/CatalogueInternal.h"
#include "search/SearchSM.h"

namespace {

struct CatalogueLockState {
  bool held = false;  // LockSet
  std::string path;   // the lock file this process holds
  std::string token;
};

CatalogueLockState& state() {
  static CatalogueLockState s;
  return s;
}

constexpr int kPollsPerMessage = 20;

}  // namespace

int checkLock() {
  CatalogueLockState& s = state();
  if (s.held) {
    LockFileContent content = readLockFile(s.path);
    if (content.kind == LockFileContent::Kind::Missing || content.text.empty()) {
      PrintStdout("Failed to re-open lock file\n");
    } else if (content.text == s.token) {
      return 1;
    } else {
      PrintStdout("Incorrect file-id (%ld != %ld)\n", content.pid, static_cast<long>(getpid()));
    }
    forgetHeldLock(s.path);
  }
  s.held = false;
  return 0;
}

namespace {

void take(const std::string& path, const std::string& token) {
  CatalogueLockState& s = state();
  s.held = true;
  s.path = path;
  s.token = token;
  registerHeldLock(path, token);
}

// A lock in this process's own name while it holds none is a claim of its own that read back
// as missing: another process breaking a stale lock had moved it aside for a moment and then
// put it back. Left alone, this process would wait for itself for ever.
bool isOwnClaim(const LockFileContent& content) {
  if (content.kind != LockFileContent::Kind::Token || content.host != getCurrentHostName()) return false;
  const long self = static_cast<long>(getpid());
  return content.pid == self && content.start == processStartTime(self);
}

}  // namespace

void obtainLock() {
  if (checkLock() == 1) return;
  const std::string path = getCatalogueLockName();
  long polls = 0;
  for (;;) {
    std::string token = makeLockToken();
    LockClaim claim = createExclusiveFile(path, token);
    if (claim == LockClaim::Taken) {
      take(path, token);
      return;
    }
    if (claim == LockClaim::Failed) {
      PrintStdout("could not write lock file; retrying \n");
      sinkFlush();
      lockSleep(getFileLockTimes().pollMilliseconds);
      continue;
    }
    LockFileContent content = readLockFile(path);
    if (content.kind == LockFileContent::Kind::Missing) continue;  // released meanwhile
    if (isOwnClaim(content)) {
      take(path, content.text);
      return;
    }
    if (lockIsStale(content)) {
      breakStaleLock(path, content.text);
      continue;
    }
    if (polls % kPollsPerMessage == 0) {
      PrintStdout("Waiting for process %ld\n",
                  content.kind == LockFileContent::Kind::Other ? -1L : content.pid);
    }
    sinkFlush();
    ++polls;
    lockSleep(getFileLockTimes().pollMilliseconds);
  }
}

void removeLock() {
  CatalogueLockState& s = state();
  if (!s.held) return;
  releaseFileLock(s.path, s.token);
  s.held = false;
}

void resetCatalogueLock() {
  removeLock();
  state() = CatalogueLockState();
}
