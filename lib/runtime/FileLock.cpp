// Exclusive-create lock files (see FileLock.h for the protocol).
#include "runtime/FileLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/SystemUtility.h"

namespace {

constexpr std::size_t kMaxLockText = 4096;

void realSleep(int milliseconds) {
  if (milliseconds <= 0) return;
  struct timespec pause {};
  pause.tv_sec = milliseconds / 1000;
  pause.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

struct HeldLock {
  std::string path;
  std::string token;
  std::chrono::steady_clock::time_point touched;
};

struct FileLockState {
  FileLockTimes times;
  std::vector<HeldLock> held;
  bool exitHandlerInstalled = false;
  void (*sleeper)(int) = realSleep;
  unsigned long long serial = 0;
};

FileLockState& state() {
  static FileLockState s;
  return s;
}

void releaseAllAtExit() {
  FileLockState& s = state();
  for (const HeldLock& lock : s.held) releaseFileLock(lock.path, lock.token);
  s.held.clear();
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A name beside path that no other claim of any process or host uses.
std::string uniqueSibling(const std::string& path, const char* tag) {
  FileLockState& s = state();
  std::random_device device;
  unsigned long long salt = (static_cast<unsigned long long>(device()) << 32) ^ device();
  char suffix[160];
  std::snprintf(suffix, sizeof suffix, ".%s-%s-%ld-%llu-%llx", tag, getCurrentHostName().c_str(),
                static_cast<long>(getpid()), ++s.serial, salt);
  return path + suffix;
}

bool readSmallFile(const std::string& path, std::string& text, int& error) {
  text.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  char buffer[512];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() >= kMaxLockText) break;
  }
  ::close(fd);
  error = 0;
  return true;
}

bool syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

long long nowMilliseconds() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

const FileLockTimes& getFileLockTimes() {
  return state().times;
}
void setFileLockTimes(const FileLockTimes& times) {
  state().times = times;
}

std::string makeLockToken() {
  std::random_device device;
  unsigned long long nonce = 0;
  while (nonce == 0) nonce = (static_cast<unsigned long long>(device()) << 32) ^ device();
  long pid = static_cast<long>(getpid());
  char text[200];
  std::snprintf(text, sizeof text, "%s %ld %lld %llx\n", getCurrentHostName().c_str(), pid,
                processStartTime(pid), nonce);
  return text;
}

LockClaim createExclusiveFile(const std::string& path, const std::string& content) {
  const std::string temporary = uniqueSibling(path, "claim");
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return LockClaim::Failed;
  bool ok = writeAllToDescriptor(fd, content) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(temporary.c_str());
    return LockClaim::Failed;
  }
  bool linked = ::link(temporary.c_str(), path.c_str()) == 0;
  int linkError = linked ? 0 : errno;
  if (!linked && linkError != EEXIST) {
    // Over a network file system the reply of a link that succeeded may be lost: the
    // second name shows in the link count.
    struct stat info {};
    linked = ::stat(temporary.c_str(), &info) == 0 && info.st_nlink == 2;
  }
  ::unlink(temporary.c_str());
  if (!linked) return linkError == EEXIST ? LockClaim::Held : LockClaim::Failed;
  syncFolder(folderOf(path));
  std::string back;
  int error = 0;
  if (!readSmallFile(path, back, error)) return LockClaim::Held;
  return back == content ? LockClaim::Taken : LockClaim::Held;
}

LockFileContent readLockFile(const std::string& path) {
  LockFileContent content;
  int error = 0;
  if (!readSmallFile(path, content.text, error)) {
    content.kind = error == ENOENT ? LockFileContent::Kind::Missing : LockFileContent::Kind::Other;
    return content;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    long long changed =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    content.ageMilliseconds = nowMilliseconds() - changed;
  }
  // A bare number: "0" is a freed lock of the old kind, any other an owner of unknown host.
  char* end = nullptr;
  const char* text = content.text.c_str();
  long number = std::strtol(text, &end, 10);
  if (end != text) {
    const char* rest = end;
    while (*rest == ' ' || *rest == '\n' || *rest == '\r' || *rest == '\t') ++rest;
    if (*rest == '\0') {
      content.pid = number;
      content.kind = number == 0 ? LockFileContent::Kind::Free : LockFileContent::Kind::Number;
      return content;
    }
  }
  char host[256] = {};
  char nonce[64] = {};
  long pid = 0;
  long long start = -1;
  int fields = std::sscanf(text, "%255s %ld %lld %63s", host, &pid, &start, nonce);
  if (fields >= 2 && pid > 0) {
    content.kind = LockFileContent::Kind::Token;
    content.host = host;
    content.pid = pid;
    content.start = fields >= 3 ? start : -1;
    content.nonce = fields >= 4 ? nonce : "";
    return content;
  }
  content.kind = LockFileContent::Kind::Other;
  return content;
}

long long processStartTime(long pid) {
  if (pid <= 0) return -1;
  std::string text;
  int error = 0;
  if (!readSmallFile("/proc/" + std::to_string(pid) + "/stat", text, error)) return -1;
  // The name in parentheses may hold blanks; the fields after it are plain.
  std::size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  const char* field = text.c_str() + close + 1;
  // Field 3 (state) follows the name; the start time is field 22.
  for (int index = 3; index < 22; ++index) {
    while (*field == ' ') ++field;
    while (*field != ' ' && *field != '\0') ++field;
    if (*field == '\0') return -1;
  }
  return std::strtoll(field, nullptr, 10);
}

int localOwnerAlive(const LockFileContent& content) {
  if (content.kind != LockFileContent::Kind::Token || content.host != getCurrentHostName())
    return -1;
  if (::kill(static_cast<pid_t>(content.pid), 0) != 0 && errno != EPERM) return 0;
  if (content.start < 0) return 1;
  long long start = processStartTime(content.pid);
  if (start < 0) return 1;  // no /proc: the process exists, which is all we know
  return start == content.start ? 1 : 0;
}

bool lockIsStale(const LockFileContent& content) {
  switch (content.kind) {
    case LockFileContent::Kind::Missing:
    case LockFileContent::Kind::Free:
      return true;
    default:
      break;
  }
  int alive = localOwnerAlive(content);
  if (alive >= 0) return alive == 0;
  return content.ageMilliseconds > state().times.staleMilliseconds;
}

bool breakStaleLock(const std::string& path, const std::string& staleText) {
  const std::string aside = uniqueSibling(path, "stale");
  if (::rename(path.c_str(), aside.c_str()) != 0) return errno == ENOENT;
  std::string moved;
  int error = 0;
  bool same = readSmallFile(aside, moved, error) && moved == staleText;
  if (!same) {
    // Another process broke the stale lock and claimed it meanwhile: put its lock back. When
    // yet another claim came first, the owner of the moved token finds out when it checks.
    ::link(aside.c_str(), path.c_str());
  }
  ::unlink(aside.c_str());
  return same;
}

void registerHeldLock(const std::string& path, const std::string& token) {
  FileLockState& s = state();
  forgetHeldLock(path);
  s.held.push_back({path, token, std::chrono::steady_clock::now()});
  if (!s.exitHandlerInstalled) {
    s.exitHandlerInstalled = true;
    std::atexit(releaseAllAtExit);
  }
}

void forgetHeldLock(const std::string& path) {
  std::vector<HeldLock>& held = state().held;
  for (std::size_t i = 0; i < held.size(); ++i) {
    if (held[i].path == path) {
      held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

bool releaseFileLock(const std::string& path, const std::string& token) {
  std::string text;
  int error = 0;
  bool own = readSmallFile(path, text, error) && text == token;
  if (own) ::unlink(path.c_str());
  forgetHeldLock(path);
  return own;
}

void maintainFileLocks() {
  FileLockState& s = state();
  auto now = std::chrono::steady_clock::now();
  for (HeldLock& lock : s.held) {
    auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - lock.touched).count();
    if (elapsed < s.times.touchMilliseconds) continue;
    ::utimensat(AT_FDCWD, lock.path.c_str(), nullptr, 0);
    lock.touched = now;
  }
}

void lockSleep(int milliseconds) {
  state().sleeper(milliseconds);
}
void setLockSleep(void (*sleeper)(int)) {
  state().sleeper = sleeper != nullptr ? sleeper : realSleep;
}

void resetFileLock() {
  FileLockState& s = state();
  releaseAllAtExit();
  s.times = FileLockTimes();
  s.sleeper = realSleep;
}
