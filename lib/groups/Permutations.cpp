// Sets of permutations as vector collections, and single-permutation operations.
// The four result collections, the collections of the last getSubPermutations and the
// manual file name are this module's state. The per-class collections are made anew by
// every call, which first gives back those of the call before; releaseSubPermutations
// gives them back at once (a class of ten positions holds 10! rows). A caller that only
// walks the class permutations takes the classes (subPermutationClasses) and the row
// number of each arrangement (subPermutationRow) and builds no collection.
#include "groups/Permutations.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "collections/VectorUtility.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

AllocationAccount PermutationAllocation("Permutation space");

namespace {

constexpr std::size_t kManualNameLimit = 1023;
constexpr int kMaximalSubPermutationClass = 10;

struct PermutationsState {
  VectorSpace allPermutations{100, "AllPermutations_0"};
  VectorSpace permutations{100, "Permutations_0"};
  VectorSpace subPermutations{100, "SubPermutations_0"};
  VectorSpace permutationList{100, "PermutationList_0"};
  // The collections of the last getSubPermutations, one per class.
  std::vector<std::unique_ptr<VectorSpace>> subPermutationClasses;
  std::string manualPermutations = "~/MP";
};

std::unique_ptr<PermutationsState>& stateHolder() {
  static std::unique_ptr<PermutationsState> holder = std::make_unique<PermutationsState>();
  return holder;
}

PermutationsState& state() { return *stateHolder(); }

const int* rowOf(const VectorSpace* space, int row) {
  return space->Space + static_cast<std::ptrdiff_t>(row) * space->rowsize;
}

int entriesOf(const VectorSpace* space) { return space->rowsize - 2; }

// Offers the n entries of row to the collection; true when they were new.
bool offerRow(VectorSpace* space, const int* row) {
  int before = space->Nfill;
  int* freeRow = space->Space + static_cast<std::ptrdiff_t>(space->Nfill) * space->rowsize;
  copyVec(entriesOf(space), freeRow, row);
  addToCollection(space);
  return space->Nfill > before;
}

// Opens the manual file, a leading "~" standing for the home folder.
std::FILE* openManualFile(const std::string& name) {
  const std::string path = convertFileName(name.c_str());
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) Alert("Fopen", 0, 120206, "Could not open file \"%s\"", path.c_str());
  return file;
}

bool isPermutation(int n, const int* p) {
  std::vector<char> seen(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    if (p[i] < 0 || p[i] >= n || seen[static_cast<std::size_t>(p[i])] != 0) return false;
    seen[static_cast<std::size_t>(p[i])] = 1;
  }
  return true;
}

// Adds the permutations of the manual file; false (after an alert) for a file that
// holds anything but whole permutations of n objects.
bool readManualFile(std::FILE* file, VectorSpace* space, int n, const std::string& name) {
  std::vector<int> row(static_cast<std::size_t>(n));
  for (int line = 1;; ++line) {
    int status = readPermutationLine(file, row.data(), n);
    if (status == -1) return true;
    if (status != 0 || !isPermutation(n, row.data())) {
      Alert("generateAllPermutations", 1, 212404, "Invalid permutation nr. %d in manual permutation file %s",
            line, name.c_str());
      return false;
    }
    offerRow(space, row.data());
  }
}

void identityRow(int n, int* row) {
  for (int i = 0; i < n; ++i) row[i] = i;
}

// The positions of every class of equal labels, classes in order of first position.
std::vector<std::vector<int>> labelClasses(int n, const int* labels) {
  std::vector<std::vector<int>> classes;
  std::vector<char> done(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    if (done[static_cast<std::size_t>(i)] != 0) continue;
    std::vector<int> members;
    for (int j = i; j < n; ++j) {
      if (labels[j] == labels[i]) {
        members.push_back(j);
        done[static_cast<std::size_t>(j)] = 1;
      }
    }
    classes.push_back(members);
  }
  return classes;
}

// applyCyclicPermutations for rows whose rotations are all new: they are appended
// unlinked (linkDistinctRows makes the tree). Polls Ctrl-C: the last step of ten objects
// makes 10! rows.
void appendCyclicPermutations(VectorSpace* space, int t) {
  const int n = entriesOf(space);
  const int rows = space->Nfill;
  std::vector<int> rotated(static_cast<std::size_t>(space->rowsize), -1);
  for (int r = 0; r < rows; ++r) {
    pollInterruptRequest();
    for (int s = 1; s < t; ++s) {
      cyclicPermutation(n, t, rowOf(space, r), rotated.data(), s);
      if (addNewVectorToSpace(space, rotated.data()) == nullptr) return;
    }
  }
}

// Row 0 the class positions, then all their rearrangements. The positions are distinct, so
// every rotation gives a new row: the rows are made as places in the class (0 .. c-1),
// appended and sorted into the tree at the end, in the row order of offering them one by
// one, then the places become the positions. The positions increase with the places, so
// the tree's order stays, and the sort goes over small numbers (a class of ten has 10! rows).
void fillRearrangements(VectorSpace* space, const std::vector<int>& members, int rows) {
  const int c = static_cast<int>(members.size());
  initVectorCollection(space, c, rows);
  std::vector<int> places(static_cast<std::size_t>(c));
  identityRow(c, places.data());
  offerRow(space, places.data());
  for (int t = 2; t <= c; ++t) appendCyclicPermutations(space, t);
  if (linkDistinctRows(space)) {
    for (int r = 0; r < space->Nfill; ++r) {
      pollInterruptRequest();
      int* row = space->Space + static_cast<std::ptrdiff_t>(r) * space->rowsize;
      for (int k = 0; k < c; ++k) row[k] = members[static_cast<std::size_t>(row[k])];
    }
    return;
  }
  initVectorCollection(space, c, rows);
  offerRow(space, members.data());
  for (int t = 1; t <= c; ++t) applyCyclicPermutations(space, t);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Sets of permutations

void cyclicPermutation(int n, int t, const int* src, int* dst, int s) {
  for (int i = 0; i < n; ++i) dst[i] = i < t ? src[(i + s) % t] : src[i];
}

void applyCyclicPermutations(VectorSpace* space, int t) {
  int n = entriesOf(space);
  int rows = space->Nfill;
  std::vector<int> row(static_cast<std::size_t>(n)), rotated(static_cast<std::size_t>(n));
  for (int r = 0; r < rows; ++r) {
    copyVec(n, row.data(), rowOf(space, r));
    for (int s = 1; s < t; ++s) {
      cyclicPermutation(n, t, row.data(), rotated.data(), s);
      offerRow(space, rotated.data());
    }
  }
}

void ClosePermutations(VectorSpace* space) {
  int n = entriesOf(space);
  std::vector<int> a(static_cast<std::size_t>(n)), b(static_cast<std::size_t>(n)), c(static_cast<std::size_t>(n));
  for (int r1 = 0; r1 < space->Nfill; ++r1) {
    for (int r2 = 0; r2 < space->Nfill; ++r2) {
      copyVec(n, a.data(), rowOf(space, r1));
      copyVec(n, b.data(), rowOf(space, r2));
      multiplyPermutations(n, a.data(), b.data(), c.data());
      offerRow(space, c.data());
    }
  }
}

int readPermutationLine(std::FILE* file, int* v, int n) {
  for (int i = 0; i < n; ++i) {
    int got = std::fscanf(file, " %d", &v[i]);
    if (got == EOF) return i == 0 ? -1 : 1;
    if (got != 1) return 1;
  }
  if (std::fscanf(file, "\n") == EOF) return 0;
  return 0;
}

VectorSpace* generateAllPermutations(int n) {
  PermutationsState& s = state();
  VectorSpace* space = &s.allPermutations;
  int m = n;
  if (n > kMaximalGeneratedObjects) {
    Alert("generateAllPermutations", 0, 520313, "Maximal number of permutations reached; ignoring remainder");
    m = kMaximalGeneratedObjects;
  }
  int width = n < 1 ? 0 : n;
  int rows = n < 1 ? 3 : factorial(m) + 2;
  initVectorCollection(space, width, rows);
  std::vector<int> identity(static_cast<std::size_t>(width));
  identityRow(width, identity.data());
  offerRow(space, identity.data());
  if (m < n) {
    std::FILE* file = openManualFile(s.manualPermutations);
    if (file != nullptr) {
      Print("Reading manual permutations from file %s\n", s.manualPermutations.c_str());
      bool valid = readManualFile(file, space, n, s.manualPermutations);
      std::fclose(file);
      if (valid) {
        ClosePermutations(space);
        return space;
      }
      initVectorCollection(space, width, rows);
      offerRow(space, identity.data());
    }
  }
  // The rotations make every permutation once, so they are appended and sorted into the
  // tree at the end; the row order is that of inserting them one by one.
  for (int t = 2; t <= m; ++t) appendCyclicPermutations(space, t);
  if (!linkDistinctRows(space)) {
    initVectorCollection(space, width, rows);
    offerRow(space, identity.data());
    for (int t = 2; t <= m; ++t) applyCyclicPermutations(space, t);
  }
  return space;
}

std::vector<std::vector<int>> subPermutationClasses(int n, const int* labels) {
  std::vector<std::vector<int>> result;
  if (n < 1) return result;
  for (std::vector<int>& members : labelClasses(n, labels)) {
    if (members.size() < 2) continue;
    int c = static_cast<int>(members.size());
    if (c > kMaximalSubPermutationClass) {
      Alert("getSubPermutations", 0, 112413, "Sub-permutation exceeding maximum (%d > 10)\nResetting to 10", c);
      c = kMaximalSubPermutationClass;
      members.resize(static_cast<std::size_t>(c));
    }
    PrintStdout("allocated: %d\n", factorial(c) + 4);
    result.push_back(std::move(members));
  }
  return result;
}

std::vector<VectorSpace*> getSubPermutations(int n, const int* labels) {
  std::vector<VectorSpace*> result;
  releaseSubPermutations();
  int number = 0;
  for (const std::vector<int>& members : subPermutationClasses(n, labels)) {
    std::string name = formatText("SubPerm_%d", number++);
    auto& classes = state().subPermutationClasses;
    classes.push_back(std::make_unique<VectorSpace>(10, name.c_str(), &PermutationAllocation));
    VectorSpace* space = classes.back().get();
    fillRearrangements(space, members, factorial(static_cast<int>(members.size())) + 400);
    result.push_back(space);
  }
  return result;
}

void releaseSubPermutations() { state().subPermutationClasses.clear(); }

int subPermutationRow(int c, const int* arrangement) {
  // Row of (r, s), rotation s of row r at step t (R = (t-1)! rows before it): r for s = 0,
  // else R + r (t-1) + s - 1. Undone from t = c down: entry t-1 of the rows before step t
  // stands at place t-1, so its place i in the arrangement gives s = (t-1-i) mod t.
  std::vector<int> current(arrangement, arrangement + c);
  std::vector<int> shifts(static_cast<std::size_t>(std::max(c, 1)), 0);
  std::vector<int> previous(static_cast<std::size_t>(c));
  for (int t = c; t >= 2; --t) {
    int i = 0;
    while (i < t && current[static_cast<std::size_t>(i)] != t - 1) ++i;
    if (i == t) return -1;
    const int s = (t - 1 - i) % t;
    shifts[static_cast<std::size_t>(t - 1)] = s;
    for (int x = 0; x < t; ++x) previous[static_cast<std::size_t>(x)] = current[static_cast<std::size_t>((x - s + t) % t)];
    std::copy(previous.begin(), previous.begin() + t, current.begin());
  }
  if (c >= 1 && current[0] != 0) return -1;
  long long row = 0;
  long long before = 1;  // (t-1)!
  for (int t = 2; t <= c; ++t) {
    const int s = shifts[static_cast<std::size_t>(t - 1)];
    if (s != 0) row = before + row * (t - 1) + s - 1;
    before *= t;
  }
  return static_cast<int>(row);
}

void subPermutationArrangement(int c, int t, int* arrangement) {
  // Row t is rotation s of row r at the step t' that made it (see subPermutationRow):
  // undone from t' = c down to the identity, then the rotations applied from t' = 2 up.
  std::vector<int> shifts(static_cast<std::size_t>(std::max(c, 1)), 0);
  long long before = 1;  // (c-1)!
  for (int k = 2; k < c; ++k) before *= k;
  long long row = t;
  for (int step = c; step >= 2; --step) {
    if (row >= before) {
      const long long rest = row - before;
      shifts[static_cast<std::size_t>(step - 1)] = static_cast<int>(rest % (step - 1)) + 1;
      row = rest / (step - 1);
    }
    before /= step - 1;
  }
  identityRow(c, arrangement);
  std::vector<int> rotated(static_cast<std::size_t>(std::max(c, 1)));
  for (int step = 2; step <= c; ++step) {
    const int s = shifts[static_cast<std::size_t>(step - 1)];
    if (s == 0) continue;
    cyclicPermutation(c, step, arrangement, rotated.data(), s);
    std::copy(rotated.begin(), rotated.begin() + c, arrangement);
  }
}

VectorSpace* generateSubPermutations(int n, const int* labels) {
  if (n < 1) {
    Alert("generateSubPermutations", 0, 212404, "Invalid number of objects: %d", n);
    return nullptr;
  }
  PermutationsState& s = state();
  initVectorCollection(&s.permutations, n, 10);
  std::vector<int> identity(static_cast<std::size_t>(n));
  identityRow(n, identity.data());
  offerRow(&s.permutations, identity.data());
  for (const std::vector<int>& members : labelClasses(n, labels)) {
    int c = static_cast<int>(members.size());
    fillRearrangements(&s.subPermutations, members, factorial(c) + 1);
    applySubPermutations(&s.permutations, &s.subPermutations, n, c);
  }
  return &s.permutations;
}

void applySubPermutations(VectorSpace* space, const VectorSpace* sub, int n, int c) {
  std::vector<int> row(static_cast<std::size_t>(n)), image(static_cast<std::size_t>(n));
  std::vector<int> members(rowOf(sub, 0), rowOf(sub, 0) + c);
  for (int r = 0; r < space->Nfill; ++r) {
    copyVec(n, row.data(), rowOf(space, r));
    for (int t = 0; t < sub->Nfill; ++t) {
      const int* rearranged = rowOf(sub, t);
      for (int i = 0; i < n; ++i) {
        int j = Present(members.data(), c, row[static_cast<std::size_t>(i)]);
        image[static_cast<std::size_t>(i)] = j >= 0 ? rearranged[j] : row[static_cast<std::size_t>(i)];
      }
      offerRow(space, image.data());
    }
  }
}

VectorSpace* generatePermutations(int n, int fixed, const int* p, const int* labels, int max) {
  VectorSpace* space = &state().permutationList;
  initVectorCollection(space, n, 10);
  offerRow(space, p);
  if (space->Nfill > max) return nullptr;
  std::vector<int> row(static_cast<std::size_t>(n));
  for (int iteration = 0;; ++iteration) {
    if (iteration >= 3) {
      Alert("generatePermutations", 0, 100201, "Unexpected need for permutation iteration (Nr. %d", iteration);
    }
    bool added = false;
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        if (labels[i] != labels[j] || i == fixed || j == fixed) continue;
        int rows = space->Nfill;
        for (int r = 0; r < rows; ++r) {
          copyVec(n, row.data(), rowOf(space, r));
          swapEntries(row.data(), i, j);
          if (offerRow(space, row.data())) {
            added = true;
            if (space->Nfill > max) return nullptr;
          }
        }
      }
    }
    if (!added) return space;
  }
}

void setManualPermutations(const char* name) {
  std::size_t length = std::strlen(name);
  if (length > kManualNameLimit) {
    Alert("setManualPermutations", 0, 100201, "File name too long (%d characters); keeping %s",
          static_cast<int>(length), state().manualPermutations.c_str());
    return;
  }
  state().manualPermutations = name;
}

const std::string& getManualPermutations() { return state().manualPermutations; }

// ---------------------------------------------------------------------------------------
// Single permutations

void multiplyPermutations(int n, const int* a, const int* b, int* c) {
  for (int i = 0; i < n; ++i) {
    if (b[i] < 0 || b[i] >= n) {
      Alert("multiplyPermutations", 0, 212404, "Entry %d of permutation out of range", b[i]);
      c[i] = -1;
      continue;
    }
    c[i] = a[b[i]];
  }
}

void multiplyCharPermutations(int n, const signed char* a, const signed char* b, signed char* c) {
  for (int i = 0; i < n; ++i) {
    if (b[i] < 0 || b[i] >= n) {
      Alert("multiplyCharPermutations", 0, 212404, "Entry %d of permutation out of range", b[i]);
      c[i] = -1;
      continue;
    }
    c[i] = a[b[i]];
  }
}

void inversePermutation(int n, const int* p, int* q) {
  for (int i = 0; i < n; ++i) q[i] = -1;
  for (int position = 0; position < n; ++position) {
    int object = p[position];
    if (object >= 0 && object < n && q[object] == -1) q[object] = position;
  }
  for (int i = 0; i < n; ++i) {
    if (q[i] == -1) Alert("inversePermutation", 0, 212404, "Non-invertible permutation");
  }
  for (int i = 0; i < n; ++i) {
    if (q[i] == -1) Alert("inversePermutation", 1, 212404, "incorrect inverse");
  }
}

void multiplyIds(int n, const int* a, const int* b, int* c) {
  for (int i = 0; i < n; ++i) {
    int j = 0;
    while (a[j] != a[i] || b[j] != b[i]) ++j;
    c[i] = j;
  }
}

int InvolutionCheck(int n, const int* p) {
  for (int i = 0; i < n; ++i) {
    if (p[i] < 0 || p[i] >= n || p[p[i]] != i) return 0;
  }
  return 1;
}

int countFixedEntries(int n, const int* p) {
  int count = 0;
  for (int i = 0; i < n; ++i) count += p[i] == i ? 1 : 0;
  return count;
}

std::string cyclicDecomposition(int n, const int* p) {
  std::string text = " ";
  std::vector<char> written(static_cast<std::size_t>(n), 0);
  for (int start = 0; start < n; ++start) {
    if (written[static_cast<std::size_t>(start)] != 0) continue;
    text += "(";
    int x = start;
    bool first = true;
    while (x >= 0 && x < n && written[static_cast<std::size_t>(x)] == 0) {
      if (!first) text += ",";
      text += formatText("%d", x);
      written[static_cast<std::size_t>(x)] = 1;
      first = false;
      x = p[x];
    }
    text += ")";
  }
  return text;
}

void resetPermutations() { stateHolder() = std::make_unique<PermutationsState>(); }
