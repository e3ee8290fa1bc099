// Named memory pools: typed arrays ('c' char, 'i' int, 'd' double, 'p' pointer) that
// are found by name, grow in whole increments with 10 % headroom and carry a sentinel
// after their last usable entry (127, 0x7fffffff, the largest double, NULL). Char and int
// pools also serve as growable named buffers (getCharBuffer, readLineToBuffer, ...).
//
// Pool records live for the run in a list, newest first; their data only grow. The data
// pointer of a pool changes when it grows: callers fetch it again after growing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct AllocationAccount;
extern AllocationAccount Memory_alloc;

struct Memory {
  Memory* next = nullptr;
  std::string name;
  void* data = nullptr;
  char type = 'c';
  std::int64_t size = 0;       // usable entries
  std::int64_t increment = 0;  // growth step in entries
};

// Creates an empty pool (a second call with the name alerts and returns the existing one);
// a non-zero initial size allocates it at once.
Memory* initMemory(const char* name, char type, std::int64_t initialSize, std::int64_t increment);
// Makes sure the pool holds more than n + n/10 + 1 entries; returns its data or NULL.
void* allocMemory(const char* name, std::int64_t n);
void* allocMemoryDirect(Memory* pool, std::int64_t n);
Memory* findMemory(const char* name);
Memory* getExistingMemory(const char* name);
void* findExistingMemory(const char* name);
std::int64_t MemorySize(const char* name);
long long getMemoryAlloc();
void releaseMemory(const char* name);
void checkMemory(const char* location);
void verifyMemory(const char* name, std::int64_t n);
void showMemoryUse();
// First pool of the list (newest first); walk with Memory::next.
Memory* getFirstMemory();

// Pool-backed buffers: an unknown name creates the pool with room for n entries.
Memory* getCharBuffer(const char* name, std::int64_t n);
Memory* getIntBuffer(const char* name, std::int64_t n);
char* getCharSpace(const char* name, std::int64_t n);
int* getIntSpace(const char* name, std::int64_t n);
// Reads a line (without its newline) into the char pool; at the end of the stream a
// newline is stored right after the terminating 0 as the end-of-stream marker.
char* readLineToBuffer(const char* name, FILE* stream);
char* readLineToEndBuffer(const char* name, FILE* stream);
char* copyStringToBuffer(const char* name, const char* text);
char* catStringToBuffer(const char* name, const char* text);

// Remembers the present pools as those right after start-up; resetMemory empties those
// and drops every pool made later.
void markMemoryStartState();
void resetMemory();
