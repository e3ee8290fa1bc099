// Named memory pools. A pool's data block holds size + 1 entries: the usable ones and the
// sentinel at index size. Blocks come from the accounted allocator (charged to the work
// space, labelled with the pool's name); records are kept in creation order in a deque,
// so the list "newest first" is the deque read backwards and record addresses stay valid.
#include "runtime/Memory.h"

#include <cfloat>
#include <climits>
#include <cstring>
#include <deque>

#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

AllocationAccount Memory_alloc("Memory", showMemoryUse);

namespace {

constexpr std::int64_t kHugeRequest = std::int64_t{1} << 30;

void releaseData(Memory& pool);

struct MemoryState {
  std::deque<Memory, AccountAllocator<Memory>> pools{AccountAllocator<Memory>(&Memory_alloc, "Memory pointer")};
  std::size_t startPools = 0;
  ~MemoryState() {
    for (Memory& pool : pools) releaseData(pool);
  }
};

MemoryState& state() {
  static MemoryState s;
  return s;
}

std::size_t entryWidth(char type) {
  switch (type) {
    case 'c': return 1;
    case 'i': return sizeof(int);
    case 'd': return sizeof(double);
    default: return sizeof(void*);
  }
}

void writeSentinel(Memory* pool) {
  std::int64_t at = pool->size;
  switch (pool->type) {
    case 'c': static_cast<char*>(pool->data)[at] = 127; break;
    case 'i': static_cast<int*>(pool->data)[at] = INT_MAX; break;
    case 'd': static_cast<double*>(pool->data)[at] = DBL_MAX; break;
    default: static_cast<void**>(pool->data)[at] = nullptr; break;
  }
}

bool sentinelIntact(const Memory* pool) {
  std::int64_t at = pool->size;
  switch (pool->type) {
    case 'c': return static_cast<const char*>(pool->data)[at] == 127;
    case 'i': return static_cast<const int*>(pool->data)[at] == INT_MAX;
    case 'd': return static_cast<const double*>(pool->data)[at] == DBL_MAX;
    default: return static_cast<void* const*>(pool->data)[at] == nullptr;
  }
}

long long entryAsInteger(const Memory* pool, std::int64_t index) {
  switch (pool->type) {
    case 'c': return static_cast<const char*>(pool->data)[index];
    case 'i': return static_cast<const int*>(pool->data)[index];
    case 'd': return static_cast<long long>(static_cast<const double*>(pool->data)[index]);
    default: return reinterpret_cast<long long>(static_cast<void* const*>(pool->data)[index]);
  }
}

// Bytes of size + 1 entries; the largest size_t (refused by the allocator) on overflow.
std::size_t blockBytes(const Memory* pool, std::int64_t size) {
  std::size_t bytes = 0;
  std::size_t entries = 0;
  if (size < 0 || __builtin_add_overflow(static_cast<std::size_t>(size), std::size_t{1}, &entries) ||
      __builtin_mul_overflow(entries, entryWidth(pool->type), &bytes)) {
    return static_cast<std::size_t>(-1);
  }
  return bytes;
}

void releaseData(Memory& pool) {
  if (pool.data != nullptr) freespace(pool.data, blockBytes(&pool, pool.size), nullptr, pool.name.c_str());
  pool.data = nullptr;
  pool.size = 0;
}

void MemError(const Memory* pool, const char* location) {
  Alert("MemError", 0, 120505, "Array %s exceeds boundary;\nPresent size %lld; location %s",
        pool->name.c_str(), static_cast<long long>(pool->size), location);
  for (std::int64_t i = pool->size; i >= 0 && i > pool->size - 10; --i) {
    PrintStdout("%lld\n", entryAsInteger(pool, i));
  }
}

// Grows a char pool to hold at least length + 1 characters, doubling.
char* ensureCharRoom(const char* name, std::size_t length) {
  Memory* pool = getCharBuffer(name, 256);
  while (pool->size - 10 < static_cast<std::int64_t>(length)) allocMemory(name, 2 * pool->size);
  return static_cast<char*>(pool->data);
}

char* readLineInto(const char* name, FILE* stream, std::size_t start) {
  Memory* pool = getCharBuffer(name, 256);
  std::size_t count = start;
  int c = EOF;
  while ((c = std::fgetc(stream)) != EOF && c != '\n') {
    if (static_cast<std::int64_t>(count) > pool->size - 10) allocMemory(name, 2 * pool->size);
    static_cast<char*>(pool->data)[count++] = static_cast<char>(c);
  }
  char* text = static_cast<char*>(pool->data);
  text[count] = '\0';
  if (c == EOF) text[count + 1] = '\n';
  return text;
}

Memory* bufferPool(const char* name, char type, std::int64_t n) {
  Memory* pool = findMemory(name);
  if (pool == nullptr) return initMemory(name, type, n, n > 256 ? 2 * n : 256);
  if (pool->size <= n + n / 10 + 1) allocMemory(name, n);
  return pool;
}

}  // namespace

Memory* initMemory(const char* name, char type, std::int64_t initialSize, std::int64_t increment) {
  if (Memory* existing = findMemory(name)) {
    Alert("initMemory", 0, 212304, "Attempt to re-initialize memory %s", name);
    return existing;
  }
  MemoryState& s = state();
  Memory* next = s.pools.empty() ? nullptr : &s.pools.back();
  s.pools.push_back(Memory{});
  Memory* pool = &s.pools.back();
  pool->next = next;
  pool->name = name;
  pool->type = type;
  pool->increment = increment;
  if (increment == 0) {
    Alert("initMemory", 2, 212302, "Meaningless increment specified for memory %s", name);
  }
  if (initialSize != 0) allocMemory(name, initialSize);
  return pool;
}

void* allocMemory(const char* name, std::int64_t n) {
  if (n >= kHugeRequest) {
    Alert("allocMemory", 0, 120505,
          "Request for array of size %lld\nThis will probably result in a fatal error\n",
          static_cast<long long>(n));
  }
  Memory* pool = getExistingMemory(name);
  if (pool == nullptr) {
    Alert("allocMemory", 2, 120505, "Memory %s not allocated", name);
    return nullptr;
  }
  return allocMemoryDirect(pool, n);
}

void* allocMemoryDirect(Memory* pool, std::int64_t n) {
  std::int64_t need = 0;
  if (__builtin_add_overflow(n, n / 10 + 1, &need)) need = INT64_MAX - 1;
  if (pool->size > need) return pool->data;
  if (pool->increment <= 0) {
    PrintStdout("Error for memory %s\n", pool->name.c_str());
    Alert("allocMemoryDirect", 2, 212404, "Unexpected zero increment during memory allocation");
    GracefulExit(1);
  }
  std::int64_t steps = 1 + (need - pool->size) / pool->increment;
  std::int64_t grown = 0;
  std::int64_t newSize = 0;
  if (__builtin_mul_overflow(steps, pool->increment, &grown) ||
      __builtin_add_overflow(pool->size, grown, &newSize)) {
    newSize = INT64_MAX - 1;
  }
  std::int64_t oldSize = pool->size;
  std::size_t bytes = blockBytes(pool, newSize);
  if (pool->data == nullptr) {
    pool->data = allocate(bytes, nullptr, pool->name.c_str());
  } else {
    pool->data = reallocate(pool->data, bytes, blockBytes(pool, oldSize), nullptr, pool->name.c_str());
  }
  // New entries start cleared (pointer pools rely on NULL entries).
  std::size_t width = entryWidth(pool->type);
  std::size_t from = oldSize == 0 ? 0 : static_cast<std::size_t>(oldSize);
  std::memset(static_cast<char*>(pool->data) + from * width, 0,
              (static_cast<std::size_t>(newSize) + 1 - from) * width);
  pool->size = newSize;
  writeSentinel(pool);
  if (oldSize > 0) {
    Alert("allocMemoryDirect", 1, 110110,
          "Memory %s re-allocated\nOld size = %lld entries, new size = %lld entries\nTotal allocation %lld bytes",
          pool->name.c_str(), static_cast<long long>(oldSize), static_cast<long long>(newSize),
          getMemoryAlloc());
  } else {
    Alert("allocMemoryDirect", 0, 110010,
          "Memory %s allocated\nPresent size = %lld entries\nTotal workspace allocation %lld bytes\n",
          pool->name.c_str(), static_cast<long long>(newSize), getMemoryAlloc());
  }
  return pool->data;
}

Memory* findMemory(const char* name) {
  MemoryState& s = state();
  for (auto it = s.pools.rbegin(); it != s.pools.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

Memory* getExistingMemory(const char* name) {
  Memory* pool = findMemory(name);
  if (pool == nullptr) Alert("getExistingMemory", 0, 100407, "Memory %s not initialized", name);
  return pool;
}

void* findExistingMemory(const char* name) {
  Memory* pool = getExistingMemory(name);
  return pool != nullptr ? pool->data : nullptr;
}

std::int64_t MemorySize(const char* name) {
  Memory* pool = getExistingMemory(name);
  return pool != nullptr ? pool->size : 0;
}

long long getMemoryAlloc() {
  long long total = static_cast<long long>(Memory_alloc.counter);
  for (const Memory& pool : state().pools) {
    total += static_cast<long long>((pool.size + 1) * static_cast<std::int64_t>(entryWidth(pool.type))) +
             static_cast<long long>(pool.name.size()) + 1 + 48;
  }
  return total;
}

void releaseMemory(const char* name) {
  Memory* pool = findMemory(name);
  if (pool == nullptr) {
    Alert("releaseMemory", 0, 120505, "Memory %s not allocated", name);
    return;
  }
  releaseData(*pool);
}

void checkMemory(const char* location) {
  MemoryState& s = state();
  for (auto it = s.pools.rbegin(); it != s.pools.rend(); ++it) {
    if (it->size > 0 && !sentinelIntact(&*it)) MemError(&*it, location);
  }
}

void verifyMemory(const char* name, std::int64_t n) {
  checkMemory("verifyMemory");
  Memory* pool = findMemory(name);
  if (pool == nullptr) {
    Alert("verifyMemory", 0, 212304, "Memory %s not allocated", name);
  } else if (pool->size < n) {
    Alert("verifyMemory", 1, 212304, "Memory %s too small", name);
  }
}

void showMemoryUse() {
  MemoryState& s = state();
  for (auto it = s.pools.rbegin(); it != s.pools.rend(); ++it) {
    if (it->size <= 0) continue;
    PrintStdout("Name: %s; Type: %c; Allocation: %lld\n", it->name.c_str(), it->type,
                static_cast<long long>(blockBytes(&*it, it->size)));
  }
}

Memory* getFirstMemory() {
  MemoryState& s = state();
  return s.pools.empty() ? nullptr : &s.pools.back();
}

Memory* getCharBuffer(const char* name, std::int64_t n) { return bufferPool(name, 'c', n); }
Memory* getIntBuffer(const char* name, std::int64_t n) { return bufferPool(name, 'i', n); }

char* getCharSpace(const char* name, std::int64_t n) {
  return static_cast<char*>(getCharBuffer(name, n)->data);
}

int* getIntSpace(const char* name, std::int64_t n) {
  return static_cast<int*>(getIntBuffer(name, n)->data);
}

char* readLineToBuffer(const char* name, FILE* stream) { return readLineInto(name, stream, 0); }

char* readLineToEndBuffer(const char* name, FILE* stream) {
  Memory* pool = getCharBuffer(name, 256);
  return readLineInto(name, stream, std::strlen(static_cast<char*>(pool->data)));
}

char* copyStringToBuffer(const char* name, const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t length = std::strlen(text);
  char* space = ensureCharRoom(name, length);
  std::memcpy(space, text, length + 1);
  return space;
}

char* catStringToBuffer(const char* name, const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t held = std::strlen(static_cast<char*>(getCharBuffer(name, 256)->data));
  std::size_t length = std::strlen(text);
  char* space = ensureCharRoom(name, held + length);
  std::memcpy(space + held, text, length + 1);
  return space;
}

void markMemoryStartState() { state().startPools = state().pools.size(); }

void resetMemory() {
  MemoryState& s = state();
  while (s.pools.size() > s.startPools) {
    releaseData(s.pools.back());
    s.pools.pop_back();
  }
}
