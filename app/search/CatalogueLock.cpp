// The catalogue lock "Lock" in the model folder: an exclusive-create lock file holding this
// process's owner token (runtime/FileLock). A held lock is polled; a stale one (its owner
// gone, or not touched for the stale limit) is broken. The holder re-checks its token
// before it writes, and the lock is released at every way out of the program.
#include <unistd.h>

#include <string>

#include "runtime/FileLock.h"
#include "runtime/Output.h"
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

void obtainLock() {
  if (checkLock() == 1) return;
  CatalogueLockState& s = state();
  const std::string path = getCatalogueLockName();
  long polls = 0;
  for (;;) {
    std::string token = makeLockToken();
    LockClaim claim = createExclusiveFile(path, token);
    if (claim == LockClaim::Taken) {
      s.held = true;
      s.path = path;
      s.token = token;
      registerHeldLock(path, token);
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
