// Accounted allocation. Each account's counter is 0 until first charged, then 1 + the bytes
// it holds; the "1 +" marks use, so a counter that would return to exactly 0 stays at 1.
// The list of charged accounts (newest first) feeds the memory statistics.
#include "runtime/Allocation.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <new>

#include "runtime/BatchQueue.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

AllocationAccount WorkSpaceSize("WorkSpace");

namespace {

struct AllocationState {
  int trace = 0;
  MemStatNode* first = nullptr;
  // Nodes live here so that their addresses stay valid for the whole run.
  std::deque<MemStatNode> nodes;
};

// The state outlives every other static object: containers of other modules give their
// memory back through freespace while the program's statics are destroyed.
AllocationState& state() {
  alignas(AllocationState) static unsigned char storage[sizeof(AllocationState)];
  static AllocationState* s = ::new (static_cast<void*>(storage)) AllocationState();
  return *s;
}

void charge(AllocationAccount* account, std::uint64_t size) {
  AllocationAccount* target = account != nullptr ? account : &WorkSpaceSize;
  if (target->counter == 0) {
    target->counter = 1;
    AddMemStat(target);
  }
  target->counter += size;
}

void adjust(AllocationAccount* account, std::uint64_t added, std::uint64_t removed) {
  AllocationAccount* target = account != nullptr ? account : &WorkSpaceSize;
  std::uint64_t value = target->counter + added;
  value = value > removed ? value - removed : 0;
  target->counter = value == 0 ? 1 : value;
}

int megabytes(std::uint64_t size) { return static_cast<int>(size / 1000000ULL); }

// The run's end once memory has run out (the message said what was asked for): the
// statistics line, as at every end of a run, then the exit routine with status 1; a queued
// job leaves through the failed-job path, which moves its file to Failed.
[[noreturn]] void endOutOfMemory() {
  if (getAutoLaunch() == 1) ExitAndMoveInput("Program exiting with code 1", 1);
  printStatisticBeforeQuit();
  GracefulExit(1);
}

}  // namespace

void AddMemStat(AllocationAccount* account) {
  AllocationState& s = state();
  s.nodes.push_back(MemStatNode{s.first, account});
  s.first = &s.nodes.back();
}

MemStatNode* getFirstMS() { return state().first; }

void setAllocTrace(int flag) { state().trace = flag; }
int getAllocTrace() { return state().trace; }

void resetAllocation() { state().trace = 0; }

int printAllocMessage(const char* format, ...) {
  if (getBackground()) return 0;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  return printErrorMessage("%s", text.c_str());
}

bool requireAllocationSize(const char* routine, const char* what, long double count, std::uint64_t elementSize) {
  const long double bytes = count * static_cast<long double>(elementSize);
  if (bytes < static_cast<long double>(kAllocationRefusedSize)) return true;
  Alert(routine, 0, 100213, "%s would need %.0Lf Mb; refused (the limit is %d Mb)", what, bytes / 1e6L,
        megabytes(kAllocationRefusedSize));
  return false;
}

void* allocate(std::size_t size, AllocationAccount* account, const char* label) {
  if (size == 0) size = 1;
  if (size >= kAllocationRefusedSize) {
    printErrorMessage("Attempt to allocate %d Mb for %s refused\n", megabytes(size), label);
    GracefulExit(1);
  }
  if (size >= kAllocationAnnouncedSize) {
    printAllocMessage("Allocating %d Mb for %s\n", megabytes(size), label);
  }
  void* block = std::malloc(size);
  if (block == nullptr) {
    printErrorMessage("Cannot allocate %s (space request %zu)\n", label, size);
    endOutOfMemory();
  }
  charge(account, size);
  if (state().trace == 1) printErrorMessage("Allocated %zu bytes for %s\n", size, label);
  return block;
}

void* reallocate(void* block, std::size_t newsize, std::size_t oldsize,
                 AllocationAccount* account, const char* label) {
  if (newsize == 0) newsize = 1;
  if (newsize >= kAllocationRefusedSize) {
    printErrorMessage("Attempt to reallocate %d Mb for %s refused \n", megabytes(newsize), label);
    GracefulExit(1);
  }
  void* moved = std::realloc(block, newsize);
  if (moved == nullptr) {
    printErrorMessage("Cannot allocate %s\n", label);
    endOutOfMemory();
  }
  if (block == nullptr) {
    charge(account, newsize);
  } else {
    adjust(account, newsize, oldsize);
  }
  if (state().trace == 1) {
    printErrorMessage("Re-allocated %zu bytes for %s (was %zu bytes))\n", newsize, label, oldsize);
  } else if (newsize >= kAllocationAnnouncedSize) {
    printAllocMessage("Re-allocated %zu bytes for %s (was %zu bytes))\n", newsize, label, oldsize);
  }
  return moved;
}

void freespace(void* block, std::size_t size, AllocationAccount* account, const char* label) {
  if (block == nullptr) {
    printErrorMessage("WARNING: attempt to free non-allocated space %s\n", label);
    return;
  }
  std::free(block);
  adjust(account, 0, size);
  if (state().trace == 1) printErrorMessage("freed %zu bytes for %s\n", size, label);
}

void reportBufferUnderflow(const char* name) {
  printErrorMessage("!!!!!! underflow in allocation of %s\n", name);
}

void reportBufferOverflow(const char* name) {
  printErrorMessage("!!!!!! overflow in allocation of %s\n", name);
}

// --- Status displays ---

long long getTotalAllocation() {
  long long total = 0;
  for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
    total += static_cast<long long>(node->account->bytesHeld());
  }
  return total;
}

long long getMemoryStatistics() { return getTotalAllocation(); }

void MemoryStatistics(int level) {
  long long total = getTotalAllocation();
  if (level >= 1) {
    PrintBannerWithText(45, "Name                      Allocation        Exact  ");
    for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
      long long bytes = static_cast<long long>(node->account->bytesHeld());
      if (bytes >= 1 && bytes <= 999) Print("%-25s                %4lld Bytes \n", node->account->name, bytes);
    }
    PrintSeparatorWithText(46, "");
    for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
      long long bytes = static_cast<long long>(node->account->bytesHeld());
      if (bytes >= 1000 && bytes <= 999999) {
        Print("%-25s  %4lld KB %10lld Bytes\n", node->account->name, (bytes + 500) / 1000, bytes);
      }
    }
    PrintSeparatorWithText(46, "");
    for (MemStatNode* node = getFirstMS(); node != nullptr; node = node->next) {
      long long bytes = static_cast<long long>(node->account->bytesHeld());
      if (bytes > 999999) {
        Print("%-25s  %4lld MB %10lld Bytes\n", node->account->name, (bytes + 500000) / 1000000, bytes);
      }
    }
    PrintSeparatorWithText(46, "");
  }
  Print("Total allocation:            %lld MB\n", (total + 500000) / 1000000);
}

void printStatisticBeforeQuit() {
  double seconds = CPUTime();
  long long total = getTotalAllocation();
  if (total <= 999) {
    Print("CPU time used %10.2f seconds, Memory allocation %lld Bytes\n", seconds, total);
  } else if (total < 1000000) {
    Print("CPU time used %10.2f seconds, Memory allocation %lld KB\n", seconds, (total + 500) / 1000);
  } else {
    Print("CPU time used %10.2f seconds, Memory allocation %lld MB\n", seconds, (total + 500000) / 1000000);
  }
}

void exitOutOfMemory(const char* what) {
  printErrorMessage("Cannot allocate memory for %s\n", what);
  endOutOfMemory();
}
