// Lock files shared by processes on several machines, made by exclusive creation.
//
// A lock file holds one owner token "host pid start nonce\n": the host name, the process
// id, the process start time (clock ticks since boot, from /proc; -1 where unknown) and a
// random nonce that is never "0". A claim writes the token into a uniquely named temporary
// file in the lock's folder, syncs it and link(2)s it to the lock's name: link fails with
// EEXIST when the lock exists, and unlike O_CREAT|O_EXCL it is atomic on network file
// systems too. The claimant then reads the lock back; only its own token means it holds it.
//
// A held lock is stale when its host is this host and the process is gone or has another
// start time, or, for another host (or an owner that is only a bare number), when the file
// was not touched for the stale limit; the holder touches its locks while it works
// (maintainFileLocks). An old lock holding "0" is free. A stale lock is broken by renaming
// it to a unique name: when the renamed file still holds the stale text it is removed and
// the claim retried, otherwise it is put back.
//
// Locks held by this process are registered and released at program exit (every way out
// of the program passes through the exit routine and std::exit). State: the registry and
// the limits, for the run; resetFileLock restores the limits.
#pragma once

#include <string>

// The limits (milliseconds): the poll of a held lock, the age after which a lock of
// another host is stale, and the interval of the holder's touches. Tests shorten them.
struct FileLockTimes {
  int pollMilliseconds = 5000;
  long long staleMilliseconds = 600000;
  long long touchMilliseconds = 60000;
};
const FileLockTimes& getFileLockTimes();
void setFileLockTimes(const FileLockTimes& times);

// A fresh token of this process (new nonce each call), with its newline.
std::string makeLockToken();

enum class LockClaim { Taken, Held, Failed };
// Exclusive creation of path holding content (see above). Taken: the file now holds
// content; Held: another file was there (or won); Failed: the folder could not be written.
LockClaim createExclusiveFile(const std::string& path, const std::string& content);

// What a lock file holds.
struct LockFileContent {
  enum class Kind { Missing, Free, Token, Number, Other } kind = Kind::Missing;
  std::string text;  // the file's bytes (at most 4 KiB)
  std::string host;
  long pid = 0;          // Token: the process; Number: the number
  long long start = -1;  // process start time; -1 unknown
  std::string nonce;
  long long ageMilliseconds = 0;  // since the last change of the file
};
LockFileContent readLockFile(const std::string& path);

// Start time of a process of this host in clock ticks since boot; -1 when it is gone or
// cannot be read.
long long processStartTime(long pid);
// 1 when the owner recorded in content is a live process of this host (its start time
// agreeing where both are known), 0 when it is gone, -1 when content names no local owner.
int localOwnerAlive(const LockFileContent& content);
// True when the lock described by content may be taken over (free or stale).
bool lockIsStale(const LockFileContent& content);
// Renames the lock at path aside; removes it when it still holds staleText (true), else
// puts it back (false).
bool breakStaleLock(const std::string& path, const std::string& staleText);

// The registry of locks held by this process: released at exit, touched by maintenance.
void registerHeldLock(const std::string& path, const std::string& token);
void forgetHeldLock(const std::string& path);
// Removes the lock when it still holds token; false when it held another text.
bool releaseFileLock(const std::string& path, const std::string& token);
// Touches every registered lock whose last touch is older than the touch interval.
void maintainFileLocks();
// Sleeps the given milliseconds (a test may replace it; nullptr restores the real sleep).
void lockSleep(int milliseconds);
void setLockSleep(void (*sleeper)(int milliseconds));

void resetFileLock();
