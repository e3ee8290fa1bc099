// Accounted allocation: every byte the program holds is charged to an AllocationAccount
// with a label. Requests of 2,100,000,001 bytes or more are refused and end the program;
// from 210,000,001 bytes on a request is announced; the "-a" trace prints every request.
//
// Raw blocks come from allocate/reallocate/freespace. Everything else holds its memory in
// RAII types bound to an account: AccountVector<T> (a std::vector whose allocator charges
// the account) and WorkBuffer<T> (a growable work buffer with guard values at both ends,
// checked on every use). Accounts are static records that live for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

struct AllocationAccount {
  // 0 = never used; after the first allocation 1 + the bytes currently held.
  std::uint64_t counter = 0;
  char name[85] = {};
  // Optional routine that prints details of the account (the pool account's showMemoryUse).
  void (*detail)() = nullptr;

  AllocationAccount() = default;
  explicit AllocationAccount(const char* accountName, void (*detailRoutine)() = nullptr)
      : detail(detailRoutine) {
    std::strncpy(name, accountName, sizeof(name) - 1);
  }
  // Bytes currently held (the counter without its "used" mark).
  std::uint64_t bytesHeld() const { return counter == 0 ? 0 : counter - 1; }
};

// The account charged when none is given ("WorkSpace").
extern AllocationAccount WorkSpaceSize;

// Node of the list of accounts that have been charged, newest first.
struct MemStatNode {
  MemStatNode* next;
  AllocationAccount* account;
};

inline constexpr std::uint64_t kAllocationRefusedSize = 2100000001ULL;
inline constexpr std::uint64_t kAllocationAnnouncedSize = 210000001ULL;

// Checks what a piece of work will hold before it starts: count elements of elementSize
// bytes (the count in long double, exact far past the limit, so that a product of many
// dimensions cannot wrap). True when that stays below the size allocate() refuses.
// Otherwise Alert 100213 (a limit, severity 2: a command-file run goes on) "%s would need
// %.0Lf Mb; refused (the limit is %d Mb)" names what and its size under the routine's
// name, and false; the caller then refuses the work, where allocate() would end the program.
bool requireAllocationSize(const char* routine, const char* what, long double count, std::uint64_t elementSize);

// Returns a new block of at least one byte; never returns null (failures end the program).
void* allocate(std::size_t size, AllocationAccount* account, const char* label);
// Resizes a block allocated here; contents move with it; never returns null.
void* reallocate(void* block, std::size_t newsize, std::size_t oldsize,
                 AllocationAccount* account, const char* label);
// Releases a block of the given size; a null block only prints a warning.
void freespace(void* block, std::size_t size, AllocationAccount* account, const char* label);

void setAllocTrace(int flag);
int getAllocTrace();
MemStatNode* getFirstMS();

// Status displays over every account.
// Total bytes of all allocation accounts.
long long getTotalAllocation();
long long getMemoryStatistics();
// The accounts' totals through Print: level 0 the total only, 1 and 2 also a line per
// account, grouped by size.
void MemoryStatistics(int level);
// "CPU time used %10.2f seconds, Memory allocation ..." with the total of all accounts.
void printStatisticBeforeQuit();
// The end of a run for which memory ran out past the size checks (a std::bad_alloc or
// std::length_error that reached the command that raised it): "Cannot allocate memory for
// %s" on the error stream, then the run's end as after a failed allocate() or
// reallocate(), status 1: the statistics line and the exit routine; a queued job's file
// moves to Failed.
[[noreturn]] void exitOutOfMemory(const char* what);
void AddMemStat(AllocationAccount* account);

// Messages of the allocator: nothing in background mode; else on the error stream after
// erasing a progress line.
int printAllocMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Restores the allocation module to its start state (trace off). Accounts keep their
// counters: they describe memory that is still held.
void resetAllocation();

// Standard allocator that charges an account; containers of a subsystem use it so that
// the accounts, limits, announcements and the trace see their memory.
template <class T>
struct AccountAllocator {
  using value_type = T;
  AllocationAccount* account = &WorkSpaceSize;
  const char* label = "WorkSpace";

  AccountAllocator() = default;
  AccountAllocator(AllocationAccount* a, const char* l) : account(a), label(l) {}
  template <class U>
  AccountAllocator(const AccountAllocator<U>& other) : account(other.account), label(other.label) {}

  T* allocate(std::size_t n) {
    // An element count whose byte size does not fit is refused like any huge request.
    std::size_t bytes = n > std::numeric_limits<std::size_t>::max() / sizeof(T)
                            ? std::numeric_limits<std::size_t>::max()
                            : n * sizeof(T);
    return static_cast<T*>(::allocate(bytes, account, label));
  }
  void deallocate(T* p, std::size_t n) { ::freespace(p, n * sizeof(T), account, label); }

  template <class U>
  bool operator==(const AccountAllocator<U>& other) const {
    return account == other.account;
  }
};

template <class T>
using AccountVector = std::vector<T, AccountAllocator<T>>;

// Guard values written before the first and after the last used element of a WorkBuffer.
template <class T>
struct GuardValues {
  static T front() { return T{}; }
  static T back() { return T{}; }
};
template <>
struct GuardValues<char> {
  static char front() { return 'a'; }
  static char back() { return 'z'; }
};
template <>
struct GuardValues<int> {
  static int front() { return 777777777; }
  static int back() { return 888888888; }
};
template <>
struct GuardValues<long long> {
  static long long front() { return 777777777; }
  static long long back() { return 888888888; }
};
template <>
struct GuardValues<double> {
  static double front() { return 777777777.0; }
  static double back() { return 888888888.0; }
};
template <>
struct GuardValues<long double> {
  static long double front() { return 777777777.0L; }
  static long double back() { return 888888888.0L; }
};

// Reports a damaged guard of a work buffer on the error stream; the run goes on.
void reportBufferUnderflow(const char* name);
void reportBufferOverflow(const char* name);

// A growable work buffer guarded at both ends. get(n) checks the guards left by the
// previous use, grows to hold n elements (capacity n + 10, never shrinking) and writes
// the end guard after element n - 1. The data pointer stays valid until the next get
// with a larger n.
template <class T>
class WorkBuffer {
 public:
  WorkBuffer(const char* name, AllocationAccount* account = &WorkSpaceSize)
      : name_(name), block_(AccountAllocator<T>(account, name)) {}

  T* get(std::size_t n) {
    check();
    if (block_.empty()) {
      block_.assign(n + 12, T{});
    } else if (capacity() < n) {
      block_.resize(n + 12, T{});
    }
    block_[0] = GuardValues<T>::front();
    oldSize_ = n;
    block_[n + 1] = GuardValues<T>::back();
    return block_.data() + 1;
  }
  // Checks both guards against the previous use; reports damage and goes on.
  bool check() const {
    if (block_.empty()) return true;
    bool intact = true;
    if (!(block_[0] == GuardValues<T>::front())) {
      reportBufferUnderflow(name_);
      intact = false;
    }
    if (!(block_[oldSize_ + 1] == GuardValues<T>::back())) {
      reportBufferOverflow(name_);
      intact = false;
    }
    return intact;
  }
  T* data() { return block_.empty() ? nullptr : block_.data() + 1; }
  const T* data() const { return block_.empty() ? nullptr : block_.data() + 1; }
  std::size_t capacity() const { return block_.empty() ? 0 : block_.size() - 2; }
  std::size_t lastSize() const { return oldSize_; }
  const char* name() const { return name_; }
  // Drops the memory (used by module resets only).
  void release() {
    AccountVector<T> empty(block_.get_allocator());
    block_.swap(empty);
    oldSize_ = 0;
  }

 private:
  const char* name_;
  AccountVector<T> block_;
  std::size_t oldSize_ = 0;
};
