// Collection ordering (selection by a comparator), balancing (re-linking by tree
// position), prefix and distinct-row traversals, and the named vector arrays.
//
// The work buffers "done", "list", "NewOrder" and "Gt" are guarded blocks kept between
// calls. Walks use explicit stacks and check each link against the row count, so a
// damaged tree gives the alert "Damaged search tree in vector space %s" instead of a
// loop or a stray read.
#include "collections/Sorting.h"

#include <cstring>
#include <deque>
#include <string>
#include <utility>

#include "collections/VectorUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

AllocationAccount VectorAllocation("Vector arrays");

struct SortingState {
  WorkBuffer<int> done{"done"};
  WorkBuffer<int> list{"list"};
  WorkBuffer<int> newOrder{"NewOrder"};
  WorkBuffer<int> indexLinks{"Gt"};
  VectorArray* vecroot = nullptr;
  std::deque<VectorArray, AccountAllocator<VectorArray>> arrays{
      AccountAllocator<VectorArray>(&VectorAllocation, "Vector array pointer")};
};

SortingState& state() {
  static SortingState s;
  return s;
}

int* rowOf(const VectorSpace* space, int row) {
  return space->Space + static_cast<std::ptrdiff_t>(row) * space->rowsize;
}

bool hasRows(const VectorSpace* space) { return space != nullptr && space->Space != nullptr; }

bool linksUsable(const VectorSpace* space) { return hasRows(space) && space->rowsize >= 2; }

int leftLink(const VectorSpace* space, int row) { return rowOf(space, row)[space->rowsize - 2]; }
int rightLink(const VectorSpace* space, int row) { return rowOf(space, row)[space->rowsize - 1]; }

void reportDamage(const char* routine, const VectorSpace* space) {
  Alert(routine, 0, 100202, "Damaged search tree in vector space %s", space->name);
}

// A link is followed only when it names a row in use.
bool validRow(const VectorSpace* space, int row) { return row >= 0 && row < space->Nfill; }

// The selection sort shared by the ordering operations: each round takes the first
// unmarked minimum in row order.
template <class Row, class Compare>
std::vector<int> selectionOrder(int rows, int idsize, Row rowAt, Compare cmp) {
  int* marked = state().done.get(2 * static_cast<std::size_t>(rows));
  int* result = marked + rows;
  for (int r = 0; r < rows; ++r) marked[r] = 0;
  for (int k = 0; k < rows; ++k) {
    int minimum = -1;
    for (int r = 0; r < rows; ++r) {
      if (marked[r]) continue;
      if (minimum < 0 || cmp(idsize, rowAt(r), rowAt(minimum)) < 0) minimum = r;
    }
    result[k] = minimum;
    marked[minimum] = 1;
  }
  return std::vector<int>(result, result + rows);
}

}  // namespace

void resetSorting() {
  SortingState& s = state();
  s.done.release();
  s.list.release();
  s.newOrder.release();
  s.indexLinks.release();
  s.vecroot = nullptr;
  s.arrays.clear();
}

// ---------------------------------------------------------------------------------------
// Ordering

std::vector<int> OrderVectorCollection(const VectorSpace* space, VectorComparison cmp) {
  if (!hasRows(space)) return {};
  return selectionOrder(space->Nfill, space->idsize, [space](int r) { return rowOf(space, r); }, cmp);
}

std::vector<int> OrderDoubleVectorCollection(const DoubleVectorSpace* space,
                                             DoubleVectorComparison cmp) {
  if (space == nullptr || space->Space == nullptr) return {};
  auto rowAt = [space](int r) { return space->Space + static_cast<std::ptrdiff_t>(r) * space->rowsize; };
  return selectionOrder(space->Nfill, space->idsize, rowAt, cmp);
}

void OrderedActionOnCollection(VectorSpace* space, CollectionAction act, VectorComparison cmp) {
  if (!hasRows(space)) return;
  for (int row : OrderVectorCollection(space, cmp)) act(space->idsize, rowOf(space, row), nullptr);
}

// ---------------------------------------------------------------------------------------
// Balancing

void collectOrderedVectorsFromNode(const VectorSpace* space, int node, int* labels,
                                   int* positions, int* fill) {
  if (!linksUsable(space)) return;
  std::vector<int> pending;
  int visited = 0;
  int current = node;
  while (current != -1 || !pending.empty()) {
    while (current != -1) {
      if (!validRow(space, current) || static_cast<int>(pending.size()) > space->Nfill) {
        reportDamage("collectOrderedVectorsFromNode", space);
        return;
      }
      pending.push_back(current);
      current = rightLink(space, current);
    }
    current = pending.back();
    pending.pop_back();
    if (++visited > space->Nfill) {
      reportDamage("collectOrderedVectorsFromNode", space);
      return;
    }
    labels[*fill] = current;
    positions[current] = *fill;
    *fill += 1;
    current = leftLink(space, current);
  }
}

std::vector<int> getOptimizedLabelOrdering(int n) {
  if (n < 1) return {};
  int* buffer = state().newOrder.get(2 * static_cast<std::size_t>(n));
  int* order = buffer;
  int* used = buffer + n;
  for (int i = 0; i < n; ++i) {
    order[i] = -1;
    used[i] = 0;
  }
  int count = 0;
  if (n >= 2) {
    for (int step = n / 2; step >= 1; step /= 2) {
      for (long long position = step; position < n; position += 2LL * step) {
        if (!used[position]) {
          order[count++] = static_cast<int>(position);
          used[position] = 1;
        }
      }
    }
  }
  for (int position = 0; position < n; ++position) {
    if (!used[position]) order[count++] = position;
  }
  return std::vector<int>(order, order + n);
}

void addVectorLabel(VectorSpace* space, int row, int* root, const int* positions) {
  if (*root == -1) {
    *root = row;
    return;
  }
  int node = *root;
  for (int steps = 0; steps <= space->Nfill; ++steps) {
    if (!validRow(space, node)) break;
    if (positions[row] == positions[node]) {
      Alert("addVectorLabel", 0, 212404, "This cannot happen");
      return;
    }
    int side = positions[row] > positions[node] ? 0 : 1;  // larger position: smaller vector
    int* link = rowOf(space, node) + space->rowsize - 2 + side;
    if (*link == -1) {
      *link = row;
      return;
    }
    node = *link;
  }
  reportDamage("addVectorLabel", space);
}

void ReindexVectorCollection(VectorSpace* space, const int* labels, const int* positions) {
  if (!linksUsable(space)) return;
  for (int r = 0; r < space->Nfill; ++r) {
    rowOf(space, r)[space->rowsize - 2] = -1;
    rowOf(space, r)[space->rowsize - 1] = -1;
  }
  space->root = -1;
  std::vector<int> order = getOptimizedLabelOrdering(space->Nfill);
  for (int position : order) addVectorLabel(space, labels[position], &space->root, positions);
}

namespace {
// The tree order into the "list" buffer; returns the number of rows collected.
int collectIntoList(const VectorSpace* space, int** labels, int** positions) {
  int rows = space->Nfill;
  int* buffer = state().list.get(2 * static_cast<std::size_t>(rows));
  *labels = buffer;
  *positions = buffer + rows;
  int fill = 0;
  if (rows > 0 && space->root >= 0) {
    collectOrderedVectorsFromNode(space, space->root, *labels, *positions, &fill);
  }
  return fill;
}
}  // namespace

std::vector<int> BalanceVectorCollection(VectorSpace* space) {
  if (!linksUsable(space)) return {};
  int* labels = nullptr;
  int* positions = nullptr;
  int fill = collectIntoList(space, &labels, &positions);
  if (fill != space->Nfill) {
    // Rows the tree does not reach cannot be ranked; the tree is left as it is.
    Alert("BalanceVectorCollection", 1, 100202, "Damaged search tree in vector space %s",
          space->name);
    return std::vector<int>(labels, labels + fill);
  }
  ReindexVectorCollection(space, labels, positions);
  return std::vector<int>(labels, labels + fill);
}

std::vector<int> collectOrderedVectors(const VectorSpace* space) {
  if (!linksUsable(space)) return {};
  int* labels = nullptr;
  int* positions = nullptr;
  int fill = collectIntoList(space, &labels, &positions);
  return std::vector<int>(labels, labels + fill);
}

int findVectorInCollection_depth(const VectorSpace* space, const int* vec, int* depth) {
  *depth = 0;
  if (!linksUsable(space) || space->Nfill == 0 || space->root == -1) return -1;
  int node = space->root;
  for (int steps = 0; steps <= space->Nfill; ++steps) {
    if (!validRow(space, node)) break;
    int order = compareVec(space->idsize, vec, rowOf(space, node));
    if (order == 0) return node;
    node = order < 0 ? leftLink(space, node) : rightLink(space, node);
    if (node == -1) return -1;
    *depth += 1;
  }
  reportDamage("findVectorInCollection_depth", space);
  return -1;
}

int RequiredSearchDepth(const VectorSpace* space) {
  if (!hasRows(space)) return 0;
  int mismatches = 0;
  for (int r = 0; r < space->Nfill; ++r) {
    int depth = 0;
    int found = findVectorInCollection_depth(space, rowOf(space, r), &depth);
    if (found != r) {
      PrintStdout("Looked for vector %d; found vector %d\n", r, found);
      ++mismatches;
    }
  }
  return mismatches;
}

void SelfAccessTime(const VectorSpace* space) {
  if (!hasRows(space)) return;
  double start = CPUTime();
  for (int pass = 0; pass < 1000; ++pass) {
    for (int r = 0; r < space->Nfill; ++r) findVectorInCollection(space, rowOf(space, r));
  }
  Print("Self access time: %15.10f\n", CPUTime() - start);
}

// ---------------------------------------------------------------------------------------
// Traversals

int findSubVectorInVectorSpace(int node, VectorSpace* space, const int* vec, int len,
                               SubVectorAction fn, void* context) {
  if (!linksUsable(space) || node == -1) return 0;
  if (len > space->idsize) len = space->idsize;
  // Each entry: a node still to be searched (phase 0), or a matching node whose right
  // subtree is done and which is to be reported before its left subtree (phase 1).
  std::vector<std::pair<int, int>> pending{{node, 0}};
  int count = 0;
  int steps = 0;
  while (!pending.empty()) {
    auto [current, phase] = pending.back();
    pending.pop_back();
    if (current == -1) continue;
    if (!validRow(space, current) || ++steps > 2 * space->Nfill + 2) {
      reportDamage("findSubVectorInVectorSpace", space);
      return count;
    }
    int* row = rowOf(space, current);
    if (phase == 1) {
      fn(space->rowsize, current, row, context);
      ++count;
      pending.emplace_back(leftLink(space, current), 0);
      continue;
    }
    int order = compareVec(len, vec, row);
    if (order < 0) {
      pending.emplace_back(leftLink(space, current), 0);
    } else if (order > 0) {
      pending.emplace_back(rightLink(space, current), 0);
    } else {
      pending.emplace_back(current, 1);
      pending.emplace_back(rightLink(space, current), 0);
    }
  }
  return count;
}

int findSubVectorsInVectorSpace(VectorSpace* space, const int* vec, int len, SubVectorAction fn,
                                void* context) {
  if (!hasRows(space) || space->Nfill == 0) return 0;
  return findSubVectorInVectorSpace(space->root, space, vec, len, fn, context);
}

int AddToIndex(const VectorSpace* space, int i, int* left, int* right) {
  if (i == 0) return 1;
  int node = 0;
  const int* row = rowOf(space, i);
  for (int steps = 0; steps <= i; ++steps) {
    int order = compareVec(space->idsize, rowOf(space, node), row);
    if (order == 0) return 0;
    int* link = order < 0 ? &right[node] : &left[node];
    if (*link == -1) {
      *link = i;
      return 1;
    }
    node = *link;
    if (node < 0 || node >= i) break;
  }
  reportDamage("AddToIndex", space);
  return 0;
}

void actOnDistinct(VectorSpace* space, DistinctAction fn, void* context) {
  if (!hasRows(space) || space->Nfill == 0) return;
  int rows = space->Nfill;
  int* links = state().indexLinks.get(2 * static_cast<std::size_t>(rows));
  for (int i = 0; i < 2 * rows; ++i) links[i] = -1;
  int* left = links;
  int* right = links + rows;
  for (int i = 0; i < rows; ++i) {
    if (AddToIndex(space, i, left, right) == 1) fn(space->rowsize, rowOf(space, i), context, right);
  }
}

int checkVectorOrdering(const VectorSpace* space, const int* v) {
  if (!hasRows(space)) return 1;
  int columns = space->idsize;
  std::vector<int> classes(static_cast<std::size_t>(columns > 0 ? columns : 0), 0);
  for (int r = 0; r < space->Nfill; ++r) printVec(columns, rowOf(space, r), "row ");
  for (int c = 1; c < columns; ++c) {
    bool agree = true;
    for (int r = 0; r < space->Nfill && agree; ++r) agree = rowOf(space, r)[c] == rowOf(space, r)[c - 1];
    classes[c] = agree ? classes[c - 1] : classes[c - 1] + 1;
  }
  for (int c = 1; c < columns; ++c) {
    if (classes[c] == classes[c - 1] && v[c - 1] > v[c]) {
      printVec(columns, v, "Rejected");
      return 0;
    }
  }
  printVec(columns, v, "Accepted");
  return 1;
}

// ---------------------------------------------------------------------------------------
// Named vector arrays

VectorArray::VectorArray(const char* arrayName)
    : name(AccountAllocator<char>(&VectorAllocation, "Vector array")),
      nodes(AccountAllocator<VectorNode>(&VectorAllocation, "Vector node")) {
  std::size_t nameLength = std::strlen(arrayName);
  name.assign(arrayName, arrayName + nameLength + 1);
}

int defaultComparison(int n, const int* a, const int* b, void*) { return compareVec(n, a, b); }

int pcwComp(int n, const int* a, const int* b, void* classes) {
  const int* classOf = static_cast<const int*>(classes);
  for (int start = 0; start < n;) {
    int end = start + 1;
    while (end < n && classOf[end] == classOf[start]) ++end;
    long long sumA = 0;
    long long sumB = 0;
    for (int i = start; i < end; ++i) {
      sumA += a[i];
      sumB += b[i];
    }
    if (sumA < sumB) return 1;
    if (sumA > sumB) return -1;
    start = end;
  }
  return compareVec(n, a, b);
}

VectorArray* findVectorArray(VectorArray* const* registry, const char* name) {
  VectorArray* node = *registry;
  while (node != nullptr) {
    int order = std::strcmp(name, node->name.data());
    if (order == 0) return node;
    node = order < 0 ? node->left : node->right;
  }
  return nullptr;
}

VectorArray* getVectorArray(VectorArray** registry, const char* name) {
  VectorArray** link = registry;
  while (*link != nullptr) {
    int order = std::strcmp(name, (*link)->name.data());
    if (order == 0) return *link;
    link = order < 0 ? &(*link)->left : &(*link)->right;
  }
  *link = &state().arrays.emplace_back(name);
  return *link;
}

VectorArray* findNamedVectorArray(const char* name) {
  VectorArray* array = findVectorArray(&state().vecroot, name);
  if (array == nullptr) Alert("findNamedVectorArray", 0, 120505, "Vector array %s not initiated", name);
  return array;
}

VectorArray* initVectorArray(const char* name, VectorArrayComparison cmp, void* context) {
  VectorArray* array = getVectorArray(&state().vecroot, name);
  if (array == nullptr) {
    Alert("initVectorArray", 0, 120505, "Vector array allocation problem");
    return nullptr;
  }
  array->count = array->length = array->third = 0;
  array->nodes.clear();
  if (cmp == nullptr) {
    if (context != nullptr) {
      Alert("initVectorArray", 1, 110301, "Last argument of initVectorArray ignored");
    }
    array->cmp = defaultComparison;
    array->context = nullptr;
  } else {
    array->cmp = cmp;
    array->context = context;
  }
  return array;
}

void resetVectorArray(const char* name, int length, int third) {
  VectorArray* array = findVectorArray(&state().vecroot, name);
  if (array == nullptr) {
    Alert("resetVectorArray", 0, 120505, "Vector array %s not initiated", name);
    return;
  }
  array->count = 0;
  array->length = length;
  array->third = third;
  array->nodes.clear();
}

int addVectorToArray(VectorArray* array, const int* vec) {
  if (array->nodes.empty()) {
    array->nodes.push_back(VectorNode{vec, 1, -1, -1});
    return 0;
  }
  int node = 0;
  while (true) {
    VectorNode& current = array->nodes[node];
    int order = array->cmp(array->length, current.vector, vec, array->context);
    if (order == 0) return 0;
    int next = order < 0 ? current.right : current.left;
    if (next == -1) {
      int depth = current.depth + 1;
      int index = static_cast<int>(array->nodes.size());
      // Link first: the push below may move the nodes.
      (order < 0 ? current.right : current.left) = index;
      array->nodes.push_back(VectorNode{vec, depth, -1, -1});
      return 0;
    }
    node = next;
  }
}

const int* findVectorInArray(const VectorArray* array, const int* vec) {
  int node = array->nodes.empty() ? -1 : 0;
  while (node != -1) {
    const VectorNode& current = array->nodes[node];
    int order = array->cmp(array->length, current.vector, vec, array->context);
    if (order == 0) return current.vector;
    node = order < 0 ? current.right : current.left;
  }
  return nullptr;
}

int findSubVectorInArray(const VectorArray* array, const int* vec, int len, VectorArrayAction fn,
                         void* context) {
  if (array->nodes.empty()) return 0;
  std::vector<std::pair<int, int>> pending{{0, 0}};
  int count = 0;
  while (!pending.empty()) {
    auto [node, phase] = pending.back();
    pending.pop_back();
    if (node == -1) continue;
    const VectorNode& current = array->nodes[node];
    if (phase == 1) {
      fn(array->length, current.vector, context);
      ++count;
      pending.emplace_back(current.left, 0);
      continue;
    }
    int order = array->cmp(len, current.vector, vec, array->context);
    if (order < 0) {
      pending.emplace_back(current.right, 0);
    } else if (order > 0) {
      pending.emplace_back(current.left, 0);
    } else {
      pending.emplace_back(node, 1);
      pending.emplace_back(current.right, 0);
    }
  }
  return count;
}

void printVectorArray(const VectorArray* array) {
  std::vector<int> pending;
  int node = array->nodes.empty() ? -1 : 0;
  while (node != -1 || !pending.empty()) {
    while (node != -1) {
      pending.push_back(node);
      node = array->nodes[node].left;
    }
    node = pending.back();
    pending.pop_back();
    printVec(array->length, array->nodes[node].vector, " --> ");
    node = array->nodes[node].right;
  }
}

void addVectorToVectorArray(int* count) { *count += 1; }
