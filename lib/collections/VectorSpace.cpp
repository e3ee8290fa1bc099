// Vector collections: shaping, the free-row protocol, the search tree inside the rows,
// growth, removal and copying, for int, double and char rows.
//
// The array behind Space is an AccountVector charged to "WorkSpace" under the
// collection's name. Its size is always beyond the end mark (rowsize * Nrow < size), so
// a caller that writes past the last row damages the end mark, never foreign memory.
// Growth happens before the free row could leave the array: when a commit would make
// the free row the last row, the array first grows by `increment` rows.
//
// Tree walks are bounded by the row count and check every link, so a damaged tree gives
// an alert, not a loop or a stray read.
#include "collections/VectorSpace.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/VectorUtility.h"
#include "collections/VectorUtilityInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

// Refusals of the collections: severity 2, so a background run is not ended by them.
constexpr int kRefusalCode = 100202;
constexpr int kMaximalIncrement = 1000000;

struct VectorSpaceState {
  // Records of NewVectorSpace and its kin. They are handed out by address and live for
  // the whole run (their owners keep them), so a reset does not drop them.
  std::deque<VectorSpace> records;
  std::deque<DoubleVectorSpace> doubleRecords;
  std::deque<CharVectorSpace> charRecords;
  // NormalizeOnPosition's table of inverses modulo inverseModulus (index = residue).
  std::vector<int> inverses;
  int inverseModulus = 0;
  // Stand-in for the named int memory pools that Collect uses, until that service exists:
  // one growable block per pool name, created on first use.
  std::map<std::string, AccountVector<int>> pools;
};

VectorSpaceState& state() {
  static VectorSpaceState s;
  return s;
}

// The ends of a collection's tree (rows of least and greatest identification), valid while
// the collection's array, root, row count and shape are those recorded.
struct TreeEnds {
  const int* space = nullptr;
  int root = -1;
  int fill = -1;
  int idsize = -1;
  int rowsize = -1;
  int least = -1;
  int greatest = -1;
};

// Kept apart from the records, which stay as they are; a record's destructor drops its
// entry. Records with static storage may be destroyed after the table: the two flags
// (trivially destructible) tell them whether it is there.
bool treeEndsTableMade = false;
bool treeEndsTableGone = false;

struct TreeEndsTable {
  std::unordered_map<const VectorSpace*, TreeEnds> ends;
  TreeEndsTable() { treeEndsTableMade = true; }
  ~TreeEndsTable() { treeEndsTableGone = true; }
  TreeEndsTable(const TreeEndsTable&) = delete;
  TreeEndsTable& operator=(const TreeEndsTable&) = delete;
};

std::unordered_map<const VectorSpace*, TreeEnds>& treeEndsTable() {
  static TreeEndsTable table;
  return table.ends;
}

AccountVector<char> copyName(const char* text, AllocationAccount* account) {
  AccountVector<char> copy(AccountAllocator<char>(account, "Vector space name"));
  std::size_t length = std::strlen(text);
  copy.reserve(length + 1);
  copy.assign(text, text + length + 1);
  return copy;
}

// Resizes storage to at least `size` elements with one exact allocation, keeping its
// contents, and returns its data.
template <class T>
T* ensureSize(AccountVector<T>& storage, std::int64_t size) {
  std::size_t wanted = static_cast<std::size_t>(size);
  if (storage.size() < wanted) {
    storage.reserve(wanted);
    storage.resize(wanted, T{});
  }
  return storage.data();
}

bool refuseUnshaped(const char* routine, const char* name) {
  Alert(routine, 0, kRefusalCode, "Vector space %s is not initialised", name);
  return false;
}

// A shape of rowsize x Nrow whose ints (and the end mark) can be indexed by int.
bool validShape(const char* routine, const char* name, std::int64_t rowsize, std::int64_t rows) {
  if (rowsize < 0 || rows < 0 || rowsize * rows >= INT_MAX) {
    Alert(routine, 1, kRefusalCode, "Invalid size %lld x %lld for vector space %s",
          static_cast<long long>(rows), static_cast<long long>(rowsize), name);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Commit step, in two halves around the caller's own changes: prepareCommit does every
// check and the growth (so a refusal changes nothing), finishCommit counts the new row.

void reportEndMark(const VectorSpace* space) {
  std::int64_t mark = static_cast<std::int64_t>(space->rowsize) * space->Nrow;
  printErrorMessage(
      "!!!!! Overflow in allocation of vector space %s (value %d vs %d Nrow=%d,rowsize=%d)\n",
      space->name, space->Space[mark], space->Space[0], space->Nrow, space->rowsize);
  PrintStdout("space->Nrow=%d\n", space->Nrow);
  PrintStdout("space->rowsize=%d\n", space->rowsize);
  PrintStdout("(space->Nrow)*(space->rowsize)=%d\n", static_cast<int>(mark));
  PrintStdout("space->Space[0]=%d\n", space->Space[0]);
}

// The growth rule shared by the three kinds: step `increment` rows, then doubling up to
// a million rows once ten rows are in. Returns the new row count, or -1 when refused.
template <class S>
std::int64_t grownRowCount(S* space, const char* routine) {
  if (space->Nfill < 10) space->increment = space->increment0;
  if (space->increment <= 0) {
    Alert(routine, 2, kRefusalCode, "Zero increment for %s", space->name);
    return -1;
  }
  if (static_cast<std::int64_t>(space->Nfill) + 1 < static_cast<std::int64_t>(space->Nrow) - 1) {
    return space->Nrow;
  }
  std::int64_t rows = static_cast<std::int64_t>(space->Nrow) + space->increment;
  if (!validShape(routine, space->name, space->rowsize + 1, rows)) return -1;
  return rows;
}

template <class S>
void advanceIncrement(S* space, std::int64_t rows) {
  if (rows == space->Nrow) return;
  space->Nrow = static_cast<int>(rows);
  space->increment = std::min(2 * space->increment, kMaximalIncrement);
}

bool prepareCommit(VectorSpace* space, const char* routine) {
  if (space->Space == nullptr) return refuseUnshaped(routine, space->name);
  std::int64_t rows = grownRowCount(space, routine);
  if (rows < 0) return false;
  if (space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] != kVectorSpaceEndMark) {
    reportEndMark(space);
  }
  if (rows != space->Nrow) {
    // One int per row more than the rows use, as the collection has always grown.
    space->Space = ensureSize(space->storage, rows * (space->rowsize + 1));
    advanceIncrement(space, rows);
    space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] = kVectorSpaceEndMark;
  }
  return true;
}

int* finishCommit(VectorSpace* space) {
  space->Nfill += 1;
  if (space->Nfill >= space->Nrow && space->rowsize != 0) {
    printErrorMessage("\n!!!!![1] Overflow in vector space %s (Nrow=%d, rowsize=%d, Nfill=%d)\n",
                      space->name, space->Nrow, space->rowsize, space->Nfill);
  }
  return space->Space + static_cast<std::int64_t>(space->Nfill) * space->rowsize;
}

int* rowOf(const VectorSpace* space, int row) {
  return space->Space + static_cast<std::int64_t>(row) * space->rowsize;
}

// Where a walk from `start` ends for the candidate: the equal row (found), or the row
// and side at which it is to be linked. False when the tree is damaged.
struct WalkResult {
  int found = -1;
  int parent = -1;
  int side = 0;  // 0 left, 1 right
};

bool walkTree(const VectorSpace* space, int start, const int* candidate, WalkResult* result) {
  int leftLink = space->rowsize - 2;
  int node = start;
  for (int steps = 0; steps <= space->Nfill; ++steps) {
    if (node < 0 || node >= space->Nfill) break;
    const int* row = rowOf(space, node);
    int order = compareVec(space->idsize, candidate, row);
    if (order == 0) {
      result->found = node;
      return true;
    }
    int side = order < 0 ? 0 : 1;
    int next = row[leftLink + side];
    if (next == -1) {
      result->parent = node;
      result->side = side;
      return true;
    }
    node = next;
  }
  Alert("walkTree", 0, kRefusalCode, "Damaged search tree in vector space %s", space->name);
  return false;
}

bool searchable(const VectorSpace* space, const char* routine) {
  if (space->Space == nullptr) return refuseUnshaped(routine, space->name);
  if (space->rowsize < 2 || space->idsize > space->rowsize - 2 || space->idsize < 0) {
    Alert(routine, 3, kRefusalCode, "Vector space %s has no room for search links", space->name);
    return false;
  }
  return true;
}

bool treeEndsCurrent(const VectorSpace* space, const TreeEnds& ends) {
  return ends.space == space->Space && ends.root == space->root && ends.fill == space->Nfill &&
         ends.idsize == space->idsize && ends.rowsize == space->rowsize && ends.least >= 0 &&
         ends.least < space->Nfill && ends.greatest >= 0 && ends.greatest < space->Nfill;
}

// Follows the left (side 0) or right links from the root to the end; -1 when a link
// leaves the rows or the walk does not end (a damaged tree: the walk reports it).
int treeEnd(const VectorSpace* space, int side) {
  int node = space->root;
  for (int steps = 0; steps <= space->Nfill; ++steps) {
    if (node < 0 || node >= space->Nfill) return -1;
    const int next = rowOf(space, node)[space->rowsize - 2 + side];
    if (next == -1) return node;
    node = next;
  }
  return -1;
}

void recordTreeEnds(const VectorSpace* space, TreeEnds& ends) {
  ends.space = space->Space;
  ends.root = space->root;
  ends.fill = space->Nfill;
  ends.idsize = space->idsize;
  ends.rowsize = space->rowsize;
}

bool findTreeEnds(const VectorSpace* space, TreeEnds& ends) {
  ends.least = treeEnd(space, 0);
  ends.greatest = treeEnd(space, 1);
  if (ends.least < 0 || ends.greatest < 0) return false;
  recordTreeEnds(space, ends);
  return true;
}

// The rows in the order of compareVec when every row packs into one 64-bit key (columns
// offset by their least entry, each in the bits its range needs): a radix sort of the
// keys, stable, so equal rows stay in row order; *distinct tells whether two rows are
// equal. Empty when the rows do not pack.
std::vector<int> packedRowOrder(const VectorSpace* space, bool* distinct) {
  const int rows = space->Nfill;
  const int width = space->idsize;
  const std::size_t count = static_cast<std::size_t>(rows);
  std::vector<int> least(static_cast<std::size_t>(width), INT_MAX);
  std::vector<int> greatest(static_cast<std::size_t>(width), INT_MIN);
  for (int r = 0; r < rows; ++r) {
    const int* row = rowOf(space, r);
    for (int j = 0; j < width; ++j) {
      least[static_cast<std::size_t>(j)] = std::min(least[static_cast<std::size_t>(j)], row[j]);
      greatest[static_cast<std::size_t>(j)] = std::max(greatest[static_cast<std::size_t>(j)], row[j]);
    }
  }
  std::vector<int> bits(static_cast<std::size_t>(width), 0);
  int total = 0;
  for (int j = 0; j < width; ++j) {
    const std::uint64_t range = static_cast<std::uint64_t>(static_cast<std::int64_t>(greatest[static_cast<std::size_t>(j)]) -
                                                           least[static_cast<std::size_t>(j)]);
    int& b = bits[static_cast<std::size_t>(j)];
    while (b < 64 && (range >> b) != 0) ++b;
    total += b;
    if (total > 64) return {};
  }
  // Column 0 in the highest bits.
  std::vector<std::uint64_t> keys(count, 0);
  for (std::size_t r = 0; r < count; ++r) {
    const int* row = rowOf(space, static_cast<int>(r));
    std::uint64_t key = 0;
    for (int j = 0; j < width; ++j) {
      const int b = bits[static_cast<std::size_t>(j)];
      if (b == 0) continue;
      key = (b == 64 ? 0 : key << b) |
            static_cast<std::uint64_t>(static_cast<std::int64_t>(row[j]) - least[static_cast<std::size_t>(j)]);
    }
    keys[r] = key;
  }
  std::vector<int> order(count), next(count);
  std::iota(order.begin(), order.end(), 0);
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  std::vector<std::size_t> start(kBuckets + 1);
  for (int shift = 0; shift < total; shift += kDigit) {
    std::fill(start.begin(), start.end(), 0);
    for (std::size_t r = 0; r < count; ++r) ++start[((keys[r] >> shift) & (kBuckets - 1)) + 1];
    for (std::size_t b = 0; b < kBuckets; ++b) start[b + 1] += start[b];
    for (int r : order) next[start[(keys[static_cast<std::size_t>(r)] >> shift) & (kBuckets - 1)]++] = r;
    order.swap(next);
  }
  // Equal keys are equal rows.
  *distinct = true;
  for (std::size_t i = 1; i < count && *distinct; ++i) {
    *distinct = keys[static_cast<std::size_t>(order[i - 1])] != keys[static_cast<std::size_t>(order[i])];
  }
  return order;
}

// Inserts the free row into the tree rooted at `start` unless an equal row exists.
// Returns the index of the equal or new row, -1 when refused.
int insertFreeRow(VectorSpace* space, int start, const char* routine, bool* added) {
  *added = false;
  if (!searchable(space, routine)) return -1;
  WalkResult walk;
  bool treeEmpty = space->Nfill == 0 || start < 0;
  // A row beyond the greatest (or below the least) row goes where the walk would end.
  TreeEnds& ends = treeEndsTable()[space];
  bool endsKnown = false;
  bool atEnd = false;
  if (!treeEmpty && start == space->root) {
    endsKnown = treeEndsCurrent(space, ends) || findTreeEnds(space, ends);
    if (endsKnown) {
      const int* candidate = rowOf(space, space->Nfill);
      if (compareVec(space->idsize, candidate, rowOf(space, ends.greatest)) > 0) {
        walk.parent = ends.greatest;
        walk.side = 1;
        atEnd = true;
      } else if (compareVec(space->idsize, candidate, rowOf(space, ends.least)) < 0) {
        walk.parent = ends.least;
        walk.side = 0;
        atEnd = true;
      }
    }
  }
  if (!treeEmpty && !atEnd && !walkTree(space, start, rowOf(space, space->Nfill), &walk)) return -1;
  if (walk.found >= 0) return walk.found;
  if (!prepareCommit(space, routine)) return -1;
  int index = space->Nfill;
  int* row = rowOf(space, index);
  if (treeEmpty) {
    space->root = index;
    ends.least = index;
    ends.greatest = index;
    endsKnown = true;
  } else {
    rowOf(space, walk.parent)[space->rowsize - 2 + walk.side] = index;
    if (walk.parent == ends.greatest && walk.side == 1) ends.greatest = index;
    if (walk.parent == ends.least && walk.side == 0) ends.least = index;
  }
  row[space->rowsize - 2] = -1;
  row[space->rowsize - 1] = -1;
  finishCommit(space);
  if (endsKnown) {
    recordTreeEnds(space, ends);
  } else {
    ends = TreeEnds{};
  }
  *added = true;
  return index;
}

}  // namespace

void resetVectorSpaceState() {
  state().inverses.clear();
  state().inverses.shrink_to_fit();
  state().inverseModulus = 0;
  state().pools.clear();
}

// ---------------------------------------------------------------------------------------
// Records

VectorSpace::~VectorSpace() {
  if (treeEndsTableMade && !treeEndsTableGone) treeEndsTable().erase(this);
}

VectorSpace::VectorSpace(int step, const char* collectionName)
    : increment0(step),
      increment(step),
      name(collectionName),
      storage(AccountAllocator<int>(&WorkSpaceSize, collectionName)) {}

VectorSpace::VectorSpace(int step, const char* collectionName, AllocationAccount* account)
    : increment0(step),
      increment(step),
      ownedName(copyName(collectionName, account)),
      storage(AccountAllocator<int>(&WorkSpaceSize, ownedName.data())) {
  name = ownedName.data();
}

DoubleVectorSpace::DoubleVectorSpace(int step, const char* collectionName)
    : increment0(step),
      increment(step),
      name(collectionName),
      storage(AccountAllocator<double>(&WorkSpaceSize, collectionName)) {}

DoubleVectorSpace::DoubleVectorSpace(int step, const char* collectionName,
                                     AllocationAccount* account)
    : increment0(step),
      increment(step),
      ownedName(copyName(collectionName, account)),
      storage(AccountAllocator<double>(&WorkSpaceSize, ownedName.data())) {
  name = ownedName.data();
}

CharVectorSpace::CharVectorSpace(int step, const char* collectionName)
    : increment0(step),
      increment(step),
      name(collectionName),
      storage(AccountAllocator<signed char>(&WorkSpaceSize, collectionName)),
      linkStorage(AccountAllocator<int>(&WorkSpaceSize, collectionName)) {}

CharVectorSpace::CharVectorSpace(int step, const char* collectionName, AllocationAccount* account)
    : increment0(step),
      increment(step),
      ownedName(copyName(collectionName, account)),
      storage(AccountAllocator<signed char>(&WorkSpaceSize, ownedName.data())),
      linkStorage(AccountAllocator<int>(&WorkSpaceSize, ownedName.data())) {
  name = ownedName.data();
}

// ---------------------------------------------------------------------------------------
// Shaping

int* SetVectorSpace(VectorSpace* space, int rowsize, int Nrow) {
  if (!validShape("SetVectorSpace", space->name, rowsize, Nrow)) return nullptr;
  std::int64_t need = static_cast<std::int64_t>(rowsize) * Nrow + 1;
  if (rowsize == 0 && space->Space != nullptr) {
    space->Nfill = 0;
    return space->Space;
  }
  if (space->Space == nullptr) {
    space->Space = ensureSize(space->storage, need);
    space->capacity = static_cast<int>(need);
    space->Nrow = Nrow;
  } else if (space->capacity >= need) {
    // The whole old extent stays usable (never fewer rows than asked for).
    std::int64_t extent = static_cast<std::int64_t>(space->rowsize) * space->Nrow;
    space->Nrow = static_cast<int>(std::max<std::int64_t>(Nrow, rowsize == 0 ? 0 : extent / rowsize));
  } else {
    if (space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] != kVectorSpaceEndMark) {
      printErrorMessage("!!!!! Overflow in allocation of vector space %s\n", space->name);
    }
    space->Space = ensureSize(space->storage, need);
    space->capacity = static_cast<int>(need);
    space->Nrow = Nrow;
  }
  space->rowsize = rowsize;
  space->idsize = rowsize;
  space->Space[static_cast<std::int64_t>(rowsize) * space->Nrow] = kVectorSpaceEndMark;
  space->Nfill = 0;
  space->root = 0;
  return space->Space;
}

namespace {
// Shapes for Nrow rows plus the free row; nullptr when the shape is refused.
int* shapeWithFreeRow(VectorSpace* space, std::int64_t rowsize, int Nrow, const char* routine) {
  if (!validShape(routine, space->name, rowsize, static_cast<std::int64_t>(Nrow) + 1)) {
    return nullptr;
  }
  return SetVectorSpace(space, static_cast<int>(rowsize), Nrow + 1);
}
}  // namespace

int* initVectorCollection(VectorSpace* space, int n, int Nrow) {
  if (shapeWithFreeRow(space, static_cast<std::int64_t>(n) + 2, Nrow, "initVectorCollection") ==
      nullptr) {
    return nullptr;
  }
  space->idsize = n;
  space->root = 0;
  return space->Space;
}

int* initCountedVectorCollection(VectorSpace* space, int n, int Nrow) {
  if (shapeWithFreeRow(space, static_cast<std::int64_t>(n) + 3, Nrow,
                       "initCountedVectorCollection") == nullptr) {
    return nullptr;
  }
  space->idsize = n;
  space->root = 0;
  return space->Space;
}

int* initEquationCollection(VectorSpace* space, int nvar, int Nrow) {
  if (shapeWithFreeRow(space, static_cast<std::int64_t>(nvar) + 2, Nrow, "initEquationCollection") ==
      nullptr) {
    return nullptr;
  }
  space->idsize = nvar + 1;
  return space->Space;
}

int* initInversionCollection(VectorSpace* space, int n, int m, int Nrow) {
  if (n < 0 || m < 0 ||
      shapeWithFreeRow(space, static_cast<std::int64_t>(n) + m + 1, Nrow,
                       "initInversionCollection") == nullptr) {
    return nullptr;
  }
  space->idsize = n;
  return space->Space;
}

void initDoubleVectorCollection(DoubleVectorSpace* space, int n, int Nrow) {
  std::int64_t rowsize = static_cast<std::int64_t>(n) + 2;
  std::int64_t rows = static_cast<std::int64_t>(Nrow) + 1;
  if (!validShape("initDoubleVectorCollection", space->name, rowsize, rows)) return;
  std::int64_t need = rowsize * rows + 1;
  space->Space = ensureSize(space->storage, need);
  space->capacity = static_cast<int>(need);
  space->rowsize = static_cast<int>(rowsize);
  space->Nrow = static_cast<int>(rows);
  space->idsize = n;
  space->Nfill = 0;
  space->root = 0;
  space->Space[rowsize * rows] = kDoubleVectorSpaceEndMark;
}

signed char* initCharVectorCollection(CharVectorSpace* space, int n, int Nrow) {
  std::int64_t rows = static_cast<std::int64_t>(Nrow) + 1;
  if (!validShape("initCharVectorCollection", space->name, n, rows) ||
      !validShape("initCharVectorCollection", space->name, 2, rows)) {
    return nullptr;
  }
  std::int64_t need = static_cast<std::int64_t>(n) * rows + 1;
  space->Space = ensureSize(space->storage, need);
  space->links = ensureSize(space->linkStorage, 2 * rows);
  std::fill(space->linkStorage.begin(), space->linkStorage.end(), -1);
  space->capacity = static_cast<int>(need);
  space->rowsize = n;
  space->Nrow = static_cast<int>(rows);
  space->idsize = n;
  space->Nfill = 0;
  space->root = 0;
  space->Space[static_cast<std::int64_t>(n) * rows] = kCharVectorSpaceEndMark;
  printVec(static_cast<int>(std::min<std::int64_t>(10, 2 * rows)), space->links, "locator");
  return space->Space;
}

VectorSpace* NewVectorSpace(int rowsize, int Nrow, int increment, AllocationAccount* account,
                            const char* name) {
  VectorSpace& space = state().records.emplace_back(0, name, account);
  SetVectorSpace(&space, rowsize, Nrow + 1);
  space.increment0 = space.increment = increment;
  return &space;
}

DoubleVectorSpace* NewDoubleVectorSpace(int rowsize, int Nrow, int increment,
                                        AllocationAccount* account, const char* name) {
  DoubleVectorSpace& space = state().doubleRecords.emplace_back(0, name, account);
  std::int64_t rows = static_cast<std::int64_t>(Nrow) + 1;
  if (validShape("NewDoubleVectorSpace", space.name, rowsize, rows)) {
    std::int64_t need = static_cast<std::int64_t>(rowsize) * rows + 1;
    space.Space = ensureSize(space.storage, need);
    space.capacity = static_cast<int>(need);
    space.rowsize = space.idsize = rowsize;
    space.Nrow = static_cast<int>(rows);
    space.Space[need - 1] = kDoubleVectorSpaceEndMark;
  }
  space.increment0 = space.increment = increment;
  return &space;
}

CharVectorSpace* NewCharVectorSpace(int rowsize, int Nrow, int increment,
                                    AllocationAccount* account, const char* name) {
  CharVectorSpace& space = state().charRecords.emplace_back(0, name, account);
  std::int64_t rows = static_cast<std::int64_t>(Nrow) + 1;
  if (validShape("NewCharVectorSpace", space.name, rowsize, rows)) {
    std::int64_t need = static_cast<std::int64_t>(rowsize) * rows + 1;
    space.Space = ensureSize(space.storage, need);
    space.links = ensureSize(space.linkStorage, 2 * rows);
    std::fill(space.linkStorage.begin(), space.linkStorage.end(), -1);
    space.capacity = static_cast<int>(need);
    space.rowsize = space.idsize = rowsize;
    space.Nrow = static_cast<int>(rows);
    space.Space[need - 1] = kCharVectorSpaceEndMark;
  }
  space.increment0 = space.increment = increment;
  return &space;
}

void setIdentificationSize(VectorSpace* space, int k) { space->idsize = k; }

// ---------------------------------------------------------------------------------------
// Insertion and search

int* addToCollection(VectorSpace* space) {
  bool added = false;
  if (insertFreeRow(space, space->root, "addToCollection", &added) < 0) return nullptr;
  return rowOf(space, space->Nfill);
}

int* addVectorToCollection(VectorSpace* space, const int* vec) {
  if (space->Space == nullptr) {
    printErrorMessage("!!!! Incorrect use of macro reallocVectorSpace\n");
    return nullptr;
  }
  if (space->Nrow == 0) {
    // An array of zero rows first gets room for one row and the end mark.
    if (space->Space[0] != kVectorSpaceEndMark) {
      printErrorMessage("!!!!! Overflow in allocation of vector space %s\n", space->name);
    }
    space->Space = ensureSize(space->storage, static_cast<std::int64_t>(space->rowsize) + 1);
    space->Nrow = 1;
    space->Space[space->rowsize] = kVectorSpaceEndMark;
  }
  copyVec(space->rowsize, rowOf(space, space->Nfill), vec);
  return addToCollection(space);
}

int findVectorInCollection(const VectorSpace* space, const int* vec) {
  if (space->Space == nullptr || space->Nfill == 0 || space->root == -1) return -1;
  if (space->rowsize < 2) return -1;
  WalkResult walk;
  if (!walkTree(space, space->root, vec, &walk)) return -1;
  return walk.found;
}

int LocateInCollection(VectorSpace* space, const int* vec) {
  int index = findVectorInCollection(space, vec);
  if (index >= 0) return index;
  if (space->Space == nullptr) {
    refuseUnshaped("LocateInCollection", space->name);
    return -1;
  }
  int* freeRow = rowOf(space, space->Nfill);
  // The row's entries (all but the two links) come from vec.
  if (vec != freeRow) copyVec(space->rowsize - 2, freeRow, vec);
  bool added = false;
  index = insertFreeRow(space, space->root, "LocateInCollection", &added);
  return index;
}

int addToCountedCollection(VectorSpace* space, int k) {
  if (k == 0) return -1;
  if (space->Space == nullptr) {
    refuseUnshaped("addToCountedCollection", space->name);
    return -1;
  }
  if (space->rowsize < 3 || space->idsize > space->rowsize - 3) {
    Alert("addToCountedCollection", 3, kRefusalCode, "Vector space %s has no room for counts",
          space->name);
    return -1;
  }
  bool added = false;
  // A counted collection always has row 0 as its root.
  int index = insertFreeRow(space, 0, "addToCountedCollection", &added);
  if (index < 0) return -1;
  int& count = rowOf(space, index)[space->rowsize - 3];
  if (added) {
    count = k;
  } else if (__builtin_add_overflow(count, k, &count)) {
    Alert("addToCountedCollection", 4, kRefusalCode, "Count overflow in vector space %s",
          space->name);
  }
  return index;
}

int* addVectorToSpace(VectorSpace* space) {
  if (!prepareCommit(space, "addVectorToSpace")) return nullptr;
  return finishCommit(space);
}

int* addNewVectorToSpace(VectorSpace* space, const int* vec) {
  if (space->Space == nullptr) {
    refuseUnshaped("addNewVectorToSpace", space->name);
    return nullptr;
  }
  copyVec(space->rowsize, rowOf(space, space->Nfill), vec);
  return addVectorToSpace(space);
}

int* removeVectorFromCollection(VectorSpace* space, int i) {
  if (space->Space == nullptr) {
    refuseUnshaped("removeVectorFromCollection", space->name);
    return nullptr;
  }
  if (i < 0 || i >= space->Nfill) {
    Alert("removeVectorFromCollection", 0, kRefusalCode, "Row %d is not in vector space %s (%d rows)",
          i, space->name, space->Nfill);
    return nullptr;
  }
  std::int64_t rowsize = space->rowsize;
  std::memmove(rowOf(space, i), rowOf(space, i + 1),
               static_cast<std::size_t>((space->Nfill - 1 - i) * rowsize) * sizeof(int));
  space->Nfill -= 1;
  return reindexVectorCollectionAfterRemoval(space);
}

int* reindexVectorCollectionAfterRemoval(VectorSpace* space) {
  if (!searchable(space, "reindexVectorCollectionAfterRemoval")) return nullptr;
  int rows = space->Nfill;
  for (int r = 0; r < rows; ++r) {
    int* row = rowOf(space, r);
    row[space->rowsize - 2] = -1;
    row[space->rowsize - 1] = -1;
  }
  space->root = 0;
  space->Nfill = 0;
  for (int r = 0; r < rows; ++r) {
    // Rows equal to an earlier one are dropped; the others close up behind it.
    if (r != space->Nfill) copyVec(space->rowsize, rowOf(space, space->Nfill), rowOf(space, r));
    bool added = false;
    if (insertFreeRow(space, space->root, "reindexVectorCollectionAfterRemoval", &added) < 0) {
      return nullptr;
    }
  }
  return rowOf(space, space->Nfill);
}

bool linkDistinctRows(VectorSpace* space) {
  if (!searchable(space, "linkDistinctRows")) return false;
  const int rows = space->Nfill;
  if (rows == 0) return true;
  const int width = space->idsize;
  const auto less = [&](int a, int b) {
    const int* x = rowOf(space, a);
    const int* y = rowOf(space, b);
    for (int j = 0; j < width; ++j) {
      if (x[j] != y[j]) return x[j] < y[j];
    }
    return false;
  };
  bool distinct = true;
  std::vector<int> order = packedRowOrder(space, &distinct);
  if (order.empty()) {
    order.resize(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), less);
    for (int i = 1; i < rows && distinct; ++i) distinct = less(order[static_cast<std::size_t>(i - 1)], order[static_cast<std::size_t>(i)]);
  }
  if (!distinct) return false;
  // The middle of each range is the root of its subtree.
  const int leftLink = space->rowsize - 2;
  const auto link = [&](auto& self, int lo, int hi) -> int {
    if (lo >= hi) return -1;
    const int mid = lo + (hi - lo) / 2;
    const int node = order[static_cast<std::size_t>(mid)];
    int* row = rowOf(space, node);
    row[leftLink] = self(self, lo, mid);
    row[leftLink + 1] = self(self, mid + 1, hi);
    return node;
  };
  space->root = link(link, 0, rows);
  TreeEnds& ends = treeEndsTable()[space];
  ends.least = order.front();
  ends.greatest = order.back();
  recordTreeEnds(space, ends);
  return true;
}

bool copyTreeLinks(VectorSpace* dst, const VectorSpace* src) {
  if (!searchable(dst, "copyTreeLinks") || !searchable(src, "copyTreeLinks") || dst->Nfill != src->Nfill) return false;
  for (int r = 0; r < dst->Nfill; ++r) {
    int* to = rowOf(dst, r);
    const int* from = rowOf(src, r);
    to[dst->rowsize - 2] = from[src->rowsize - 2];
    to[dst->rowsize - 1] = from[src->rowsize - 1];
  }
  dst->root = src->root;
  TreeEnds& ends = treeEndsTable()[dst];
  if (dst->Nfill == 0 || !findTreeEnds(dst, ends)) ends = TreeEnds{};
  return true;
}

void copyVectorCollection(VectorSpace* dst, const VectorSpace* src) {
  if (dst == src) return;
  if (src->Space == nullptr) {
    refuseUnshaped("copyVectorCollection", src->name);
    return;
  }
  std::int64_t need = static_cast<std::int64_t>(src->rowsize) * src->Nrow + 1;
  if (dst->Space == nullptr || dst->capacity < need) {
    if (dst->Space != nullptr &&
        dst->Space[static_cast<std::int64_t>(dst->rowsize) * dst->Nrow] != kVectorSpaceEndMark) {
      printErrorMessage("!!!!! Overflow in allocation of vector space %s\n", dst->name);
    }
    dst->Space = ensureSize(dst->storage, need);
    dst->capacity = static_cast<int>(need);
  }
  dst->rowsize = src->rowsize;
  dst->Nrow = src->Nrow;
  dst->Nfill = src->Nfill;
  dst->increment0 = src->increment0;
  dst->increment = src->increment;
  dst->idsize = src->idsize;
  dst->root = src->root;
  std::memcpy(dst->Space, src->Space, static_cast<std::size_t>(need - 1) * sizeof(int));
  dst->Space[need - 1] = kVectorSpaceEndMark;
}

void printVectorSpace(const VectorSpace* space) {
  if (space->Space == nullptr) return;
  for (int r = 0; r < space->Nfill; ++r) {
    printVec(space->idsize, rowOf(space, r), formatText("Nr. %d", r).c_str());
  }
}

void printCountedVectorCollection(const VectorSpace* space) {
  if (space->Space == nullptr || space->Nfill == 0 || space->rowsize < 3) {
    Print("Empty collection\n");
    return;
  }
  int countAt = space->rowsize - 3;
  long long total = 0;
  std::vector<int> order(static_cast<std::size_t>(space->Nfill));
  std::iota(order.begin(), order.end(), 0);
  for (int r : order) total += rowOf(space, r)[countAt];
  std::stable_sort(order.begin(), order.end(), [space, countAt](int a, int b) {
    return rowOf(space, a)[countAt] > rowOf(space, b)[countAt];
  });
  Print("\nTotal number of cases in collection: %lld\n\n", total);
  for (int r : order) {
    const int* row = rowOf(space, r);
    std::string line;
    printVecToString(space->idsize, row, formatText("%6d x ", row[countAt]).c_str(), line);
    Print("%s", line.c_str());
  }
}

// ---------------------------------------------------------------------------------------
// Double and char collections

namespace {

double* doubleRow(const DoubleVectorSpace* space, int row) {
  return space->Space + static_cast<std::int64_t>(row) * space->rowsize;
}

// Walk from row 0 of a double collection; false when the tree is damaged.
bool walkDoubleTree(const DoubleVectorSpace* space, const double* candidate, WalkResult* result) {
  int leftLink = space->rowsize - 2;
  int node = 0;
  for (int steps = 0; steps <= space->Nfill; ++steps) {
    if (node < 0 || node >= space->Nfill) break;
    const double* row = doubleRow(space, node);
    int order = compareDoubleVecOrdered(space->idsize, candidate, row);
    if (order == 0) {
      result->found = node;
      return true;
    }
    int side = order < 0 ? 0 : 1;
    int next = DoubleToInt(row[leftLink + side]);
    if (next == -1) {
      result->parent = node;
      result->side = side;
      return true;
    }
    node = next;
  }
  Alert("walkDoubleTree", 0, kRefusalCode, "Damaged search tree in vector space %s", space->name);
  return false;
}

}  // namespace

int addToDoubleCollection(DoubleVectorSpace* space) {
  if (space->Space == nullptr) {
    refuseUnshaped("addToDoubleCollection", space->name);
    return -1;
  }
  if (space->rowsize < 2 || space->idsize > space->rowsize - 2) {
    Alert("addToDoubleCollection", 3, kRefusalCode, "Vector space %s has no room for search links",
          space->name);
    return -1;
  }
  WalkResult walk;
  if (space->Nfill > 0 && !walkDoubleTree(space, doubleRow(space, space->Nfill), &walk)) return -1;
  if (walk.found >= 0) return walk.found;
  std::int64_t rows = grownRowCount(space, "addToDoubleCollection");
  if (rows < 0) return -1;
  if (space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] !=
      kDoubleVectorSpaceEndMark) {
    printErrorMessage("!!!!! Overflow in allocation of vector space %s\n", space->name);
  }
  if (rows != space->Nrow) {
    space->Space = ensureSize(space->storage, space->rowsize * rows + 1);
    advanceIncrement(space, rows);
    space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] = kDoubleVectorSpaceEndMark;
  }
  int index = space->Nfill;
  double* row = doubleRow(space, index);
  if (index > 0) doubleRow(space, walk.parent)[space->rowsize - 2 + walk.side] = index;
  row[space->rowsize - 2] = -1.0;
  row[space->rowsize - 1] = -1.0;
  space->Nfill += 1;
  if (space->Nfill >= space->Nrow) {
    printErrorMessage("\n!!!!! Overflow in double vector space %s\n", space->name);
  }
  return index;
}

int findVectorInDoubleCollection(const DoubleVectorSpace* space, const double* vec) {
  if (space->Space == nullptr || space->Nfill == 0 || space->rowsize < 2) return -1;
  WalkResult walk;
  if (!walkDoubleTree(space, vec, &walk)) return -1;
  return walk.found;
}

int reindexDoubleVectorCollection(DoubleVectorSpace* space) {
  if (space->Space == nullptr || space->rowsize < 2) return -1;
  int rows = space->Nfill;
  for (int r = 0; r < rows; ++r) {
    doubleRow(space, r)[space->rowsize - 2] = -1.0;
    doubleRow(space, r)[space->rowsize - 1] = -1.0;
  }
  space->Nfill = 0;
  int index = -1;
  for (int r = 0; r < rows; ++r) {
    if (r != space->Nfill) copyDoubleVec(space->rowsize, doubleRow(space, space->Nfill), doubleRow(space, r));
    index = addToDoubleCollection(space);
    if (index < 0) return -1;
  }
  return index;
}

signed char* addToCharCollection(CharVectorSpace* space) {
  if (space->Space == nullptr) {
    refuseUnshaped("addToCharCollection", space->name);
    return nullptr;
  }
  auto row = [space](int r) { return space->Space + static_cast<std::int64_t>(r) * space->rowsize; };
  signed char* candidate = row(space->Nfill);
  int parent = -1;
  int side = 0;
  for (int node = 0, steps = 0; space->Nfill > 0; ++steps) {
    if (node < 0 || node >= space->Nfill || steps > space->Nfill) {
      Alert("addToCharCollection", 0, kRefusalCode, "Damaged search tree in vector space %s",
            space->name);
      return nullptr;
    }
    int order = compareCharVec(space->idsize, candidate, row(node));
    if (order == 0) return candidate;
    side = order < 0 ? 0 : 1;
    int next = space->links[2 * node + side];
    if (next == -1) {
      parent = node;
      break;
    }
    node = next;
  }
  std::int64_t rows = grownRowCount(space, "addToCharCollection");
  if (rows < 0) return nullptr;
  if (rows != space->Nrow) {
    space->Space = ensureSize(space->storage, space->rowsize * rows + 1);
    std::size_t oldLinks = space->linkStorage.size();
    space->links = ensureSize(space->linkStorage, 2 * rows);
    std::fill(space->linkStorage.begin() + static_cast<std::ptrdiff_t>(oldLinks),
              space->linkStorage.end(), -1);
    advanceIncrement(space, rows);
    space->Space[static_cast<std::int64_t>(space->rowsize) * space->Nrow] = kCharVectorSpaceEndMark;
  }
  int index = space->Nfill;
  if (parent >= 0) space->links[2 * parent + side] = index;
  space->links[2 * index] = -1;
  space->links[2 * index + 1] = -1;
  space->Nfill += 1;
  if (space->Nfill >= space->Nrow) {
    printErrorMessage("\n!!!!! Overflow in char vector space %s\n", space->name);
  }
  return row(space->Nfill);
}

// ---------------------------------------------------------------------------------------
// Equation collections

int NormalizeVector(int n, int* v) {
  if (n < 1) return 0;
  std::int64_t divisor = 0;
  for (int i = 0; i < n - 1; ++i) divisor = vectorutility::gcd64(divisor, v[i]);
  if (divisor == 0 && v[n - 1] != 0) {
    v[n - 1] = 1;
    return -1;
  }
  divisor = vectorutility::gcd64(divisor, v[n - 1]);
  if (divisor == 0) return 0;
  if (divisor == 1) return 1;
  for (int i = 0; i < n; ++i) v[i] = static_cast<int>(v[i] / divisor);
  return 1;
}

int subtractVectorsToNullify(int n, int* a, const int* b, int k) {
  if (a[k] == 0) return 1;
  if (n < 1) return 0;
  std::int64_t divisor = vectorutility::gcd64(a[k], b[k]);
  std::int64_t bFactor = b[k] / divisor;
  std::int64_t aFactor = a[k] / divisor;
  std::vector<std::int64_t> result(static_cast<std::size_t>(n));
  std::int64_t common = 0;
  bool overflow = false;
  for (int i = 0; i < n; ++i) {
    if (!vectorutility::mulSub64(a[i], bFactor, b[i], aFactor, &result[i])) overflow = true;
    if (i < n - 1) common = vectorutility::gcd64(common, result[i]);
  }
  if (!overflow && common == 0 && result[n - 1] != 0) {
    // 0 = constant with a non-zero constant: the candidate is inconsistent.
    for (int i = 0; i < n - 1; ++i) a[i] = 0;
    a[n - 1] = vectorutility::fitsInt(result[n - 1]) ? static_cast<int>(result[n - 1])
                                                     : (result[n - 1] > 0 ? 1 : -1);
    return -1;
  }
  if (!overflow) {
    common = vectorutility::gcd64(common, result[n - 1]);
    if (common == 0) {
      for (int i = 0; i < n; ++i) a[i] = 0;
      return 0;
    }
    for (int i = 0; i < n; ++i) {
      result[i] /= common;
      if (!vectorutility::fitsInt(result[i])) overflow = true;
    }
  }
  if (overflow) {
    Alert("subtractVectorsToNullify", 0, 100213, "Integer overflow in subtractVectorsToNullify");
    return kEliminationOverflow;
  }
  for (int i = 0; i < n; ++i) a[i] = static_cast<int>(result[i]);
  return 1;
}

namespace {

// The shared integer collector. width ints are reduced together; the pivot is chosen
// among the first `candidates` of them; the pivot column is stored at index width.
int collectReduced(VectorSpace* space, const int* eq, int width, int candidates, bool inversion,
                   const char* routine) {
  if (space->Space == nullptr) {
    refuseUnshaped(routine, space->name);
    return 0;
  }
  if (width < 1 || width >= space->rowsize) {
    Alert(routine, 4, kRefusalCode, "Vector space %s is not an equation collection", space->name);
    return 0;
  }
  int* freeRow = rowOf(space, space->Nfill);
  std::memmove(freeRow, eq, static_cast<std::size_t>(width) * sizeof(int));
  int result = NormalizeVector(width, freeRow);
  if (result != 1) return result;
  int last = 1;
  for (int j = 0; j < space->Nfill; ++j) {
    int pivot = rowOf(space, j)[width];
    if (pivot < 0 || pivot >= width) {
      Alert(routine, 5, kRefusalCode, "Damaged pivot %d in equation %d of %s", pivot, j, space->name);
      return 0;
    }
    last = subtractVectorsToNullify(width, freeRow, rowOf(space, j), pivot);
    if (last < 1) return last;
  }
  if (candidates < 1) {
    if (!inversion) Alert(routine, 1, 212404, "Unexpected equation inconsistency");
    return inversion ? 0 : last;
  }
  int pivot = -1;
  for (int c = 0; c < candidates; ++c) {
    if (freeRow[c] != 0 && (pivot < 0 || freeRow[c] < freeRow[pivot])) pivot = c;
  }
  if (pivot < 0) {
    if (!inversion) Alert(routine, 2, 212404, "Unexpected equation inconsistency");
    return inversion ? 0 : last;
  }
  // Reduce copies of the stored rows first, so that an overflow leaves them untouched.
  std::vector<int> reduced(static_cast<std::size_t>(space->Nfill) * width);
  for (int j = 0; j < space->Nfill; ++j) {
    int* copy = reduced.data() + static_cast<std::ptrdiff_t>(j) * width;
    copyVec(width, copy, rowOf(space, j));
    if (subtractVectorsToNullify(width, copy, freeRow, pivot) == kEliminationOverflow) {
      return kEliminationOverflow;
    }
  }
  if (!prepareCommit(space, routine)) return 0;
  for (int j = 0; j < space->Nfill; ++j) {
    copyVec(width, rowOf(space, j), reduced.data() + static_cast<std::ptrdiff_t>(j) * width);
  }
  rowOf(space, space->Nfill)[width] = pivot;
  finishCommit(space);
  return last;
}

}  // namespace

int CollectIntegerEquations(VectorSpace* space, const int* eq) {
  return collectReduced(space, eq, space->idsize, space->idsize - 1, false,
                        "CollectIntegerEquations");
}

int CollectInversionEquations(VectorSpace* space, const int* row) {
  return collectReduced(space, row, space->rowsize - 1, std::min(space->idsize, space->rowsize - 1),
                        true, "CollectInversionEquations");
}

int SolveIntegerEquations(const VectorSpace* space, int* x, int quiet) {
  int nvar = space->idsize - 1;
  if (space->Nfill != nvar) {
    if (!quiet) {
      Alert("SolveIntegerEquations", 0, 212404,
            "Number of equations %d does not match number of variables %d", space->Nfill, nvar);
    }
    return -1;
  }
  if (nvar < 1) return 1;
  std::int64_t denominator = 1;
  for (int j = 0; j < space->Nfill; ++j) {
    const int* row = rowOf(space, j);
    int pivot = row[space->rowsize - 1];
    if (pivot < 0 || pivot >= nvar || row[pivot] == 0) {
      Alert("SolveIntegerEquations", 1, kRefusalCode, "Damaged pivot %d in equation %d of %s",
            pivot, j, space->name);
      return -1;
    }
    std::int64_t entry = row[pivot] < 0 ? -static_cast<std::int64_t>(row[pivot]) : row[pivot];
    std::int64_t divisor = vectorutility::gcd64(denominator, entry);
    if (__builtin_mul_overflow(denominator / divisor, entry, &denominator) ||
        !vectorutility::fitsInt(denominator)) {
      Alert("SolveIntegerEquations", 2, 100213, "Integer overflow in SolveIntegerEquations");
      return -1;
    }
  }
  for (int j = 0; j < space->Nfill; ++j) {
    const int* row = rowOf(space, j);
    int pivot = row[space->rowsize - 1];
    std::int64_t value = -(static_cast<std::int64_t>(row[nvar]) * denominator) / row[pivot];
    if (!vectorutility::fitsInt(value)) {
      Alert("SolveIntegerEquations", 2, 100213, "Integer overflow in SolveIntegerEquations");
      return -1;
    }
    x[pivot] = static_cast<int>(value);
  }
  return static_cast<int>(denominator);
}

int CheckIntegerEquations(const VectorSpace* space, const int* x) {
  for (int j = 0; j < space->Nfill; ++j) {
    const int* row = rowOf(space, j);
    std::int64_t sum = 0;
    for (int i = 0; i < space->idsize; ++i) sum += static_cast<std::int64_t>(row[i]) * x[i];
    if (sum != 0) return 0;
  }
  return 1;
}

int cyclicInverse(int a, int N) {
  if (a != 0 && N == 1) return 1;
  if (N >= 1) {
    for (int x = 0; x < N; ++x) {
      if (mod(static_cast<long>(x) * a, N) == 1) return x;
    }
  }
  Alert("cyclicInverse", 0, 212404, "No inverse of %d modulo %d\n", a, N);
  return 0;
}

int cyclicallyInvertable(int a, int N) {
  if (a != 0 && (N == 1 || N == -1)) return 1;
  if (N < 1) return 0;
  return std::gcd(static_cast<long long>(mod(a, N)), static_cast<long long>(N)) == 1 && N > 1 ? 1 : 0;
}

int NormalizeCyclicVector(int n, int* v, int N) {
  if (N == -1 || N < 1 || n < 1) return -1;
  for (int i = 0; i < n; ++i) {
    if (cyclicallyInvertable(v[i], N)) {
      int inverse = cyclicInverse(v[i], N);
      for (int j = 0; j < n; ++j) v[j] = mod(static_cast<long>(v[j]) * inverse, N);
      return i;
    }
  }
  return -1;
}

int subtractVectorsToNullifyCyclically(int n, int* a, const int* b, int k, int N) {
  if (N < 1) {
    Alert("subtractVectorsToNullifyCyclically", 2, kRefusalCode, "Invalid modulus %d", N);
    return 0;
  }
  long ak = mod(a[k], N);
  long bk = mod(b[k], N);
  if (std::gcd(bk, static_cast<long>(N)) != 1) {
    Alert("subtractVectorsToNullifyCyclically", 1, 100302, "Loss of information in cyclic subtraction");
  }
  if (n < 1) return 0;
  int nonZero = 0;
  for (int i = 0; i < n; ++i) {
    a[i] = mod(static_cast<long>(a[i]) * bk - static_cast<long>(b[i]) * ak, N);
    if (a[i] != 0) nonZero = 1;
  }
  return nonZero;
}

int NormalizeOnPosition(int n, int* v, int k, int N) {
  if (N < 1) return 0;
  VectorSpaceState& s = state();
  if (s.inverseModulus != N) {
    s.inverses.assign(static_cast<std::size_t>(N), 0);
    for (int i = 1; i < N; ++i) s.inverses[i] = cyclicInverse(i, N);
    s.inverseModulus = N;
  }
  int residue = mod(v[k], N);
  int inverse = residue == 0 ? 0 : s.inverses[residue];
  if (inverse == 0) return 0;
  if (inverse == 1) return 1;
  for (int i = 0; i < n; ++i) v[i] = mod(static_cast<long>(v[i]) * inverse, N);
  return 1;
}

int testSolutionToCyclicEquations(const VectorSpace* space, const int* x, int N) {
  if (N < 1) return 0;
  int nvar = space->idsize - 1;
  for (int j = 0; j < space->Nfill; ++j) {
    const int* row = rowOf(space, j);
    long sum = row[nvar];
    for (int i = 0; i < nvar; ++i) sum = mod(sum + static_cast<long>(row[i]) * x[i], N);
    if (mod(sum, N) != 0) return 0;
  }
  return 1;
}

int CollectCyclicEquations(VectorSpace* space, int* eq, int N) {
  int width = space->idsize;
  if (width < 1) return 0;
  if (N < 1) {
    Alert("CollectCyclicEquations", 2, kRefusalCode, "Invalid modulus %d", N);
    return 0;
  }
  if (space->Space == nullptr) {
    refuseUnshaped("CollectCyclicEquations", space->name);
    return 0;
  }
  if (width >= space->rowsize) {
    Alert("CollectCyclicEquations", 3, kRefusalCode, "Vector space %s is not an equation collection",
          space->name);
    return 0;
  }
  for (int i = 0; i < width; ++i) eq[i] = mod(eq[i], N);
  if (zeroVectorCheck(width, eq)) return 0;
  int* freeRow = rowOf(space, space->Nfill);
  std::memmove(freeRow, eq, static_cast<std::size_t>(width) * sizeof(int));
  for (int j = 0; j < space->Nfill; ++j) {
    int pivot = rowOf(space, j)[width];
    if (pivot < 0 || pivot >= width) {
      Alert("CollectCyclicEquations", 4, kRefusalCode, "Damaged pivot %d in equation %d of %s",
            pivot, j, space->name);
      return 0;
    }
    if (subtractVectorsToNullifyCyclically(width, freeRow, rowOf(space, j), pivot, N) == 0) return 0;
  }
  int pivot = 0;
  while (freeRow[pivot] == 0) ++pivot;
  if (pivot == width - 1) return -1;
  if (!prepareCommit(space, "CollectCyclicEquations")) return 0;
  freeRow = rowOf(space, space->Nfill);
  if (NormalizeOnPosition(width, freeRow, pivot, N)) {
    for (int j = 0; j < space->Nfill; ++j) {
      subtractVectorsToNullifyCyclically(width, rowOf(space, j), freeRow, pivot, N);
    }
  } else {
    printVec(width, freeRow, "!!!");
    Alert("CollectCyclicEquations", 1, 212404, "Cannot normalize equation (i=%d,value %d, mod %d)",
          pivot, freeRow[pivot], N);
  }
  freeRow[width] = pivot;
  finishCommit(space);
  return 1;
}

int Collect(int** array, const char* pool, int n, const int* vec, int* count) {
  if (*count < 0) *count = 0;
  std::int64_t rows = static_cast<std::int64_t>(*count) + 10;
  std::int64_t need = rows * (n > 0 ? n : 1);
  if (need >= INT_MAX) {
    Alert("Collect", 1, kRefusalCode, "Memory %s cannot hold %lld rows", pool,
          static_cast<long long>(rows));
    return -1;
  }
  auto [entry, created] = state().pools.try_emplace(
      pool, AccountVector<int>(AccountAllocator<int>(&WorkSpaceSize, "Collect pool")));
  (void)created;
  AccountVector<int>& block = entry->second;
  if (static_cast<std::int64_t>(block.size()) < need) {
    // Grows with a tenth to spare, keeping the rows already collected.
    ensureSize(block, need + need / 10 + 1);
  }
  *array = block.data();
  if (n < 1) {
    if (*count > 0) return 0;
    *count = 1;
    return -1;
  }
  for (int r = 0; r < *count; ++r) {
    if (compareVec(n, block.data() + static_cast<std::int64_t>(r) * n, vec) == 0) return r;
  }
  copyVec(n, block.data() + static_cast<std::int64_t>(*count) * n, vec);
  *count += 1;
  return -1;
}
