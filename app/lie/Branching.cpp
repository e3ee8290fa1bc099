// Representation classes, branching tables and lattice extensions.
//
// A few embeddings are built in (FundamentalTable); the others are products of tables
// along a fixed chain (makeBranchingTable, MultiplyTables). Every table is kept for the
// run in the module's deque and found again by its four type/rank values and a sign
// normalised by tableKeySign, so that one embedding and sign is built once. Tables are
// immutable once filled. Multiplicities are exact ints; composition and inversion check
// for overflow.
#include "lie/Branching.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

#include "lie/BranchingInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

AllocationAccount Branching_alloc("Branching tables");

BranchingState::BranchingState()
    : tables(AccountAllocator<BranchingTable>(&Branching_alloc, "Branching Table")) {}

BranchingState& branchingState() {
  static BranchingState s;
  return s;
}

namespace {

// Largest ranks whose class dimensions fit an int: the spinor of B_30 and D_31 has 2^30.
constexpr int kMaxBRank = 30;
constexpr int kMaxDRank = 31;

bool isB(int type, int rank) { return type == kTypeB && rank >= 1 && rank <= kMaxBRank; }
bool isD(int type, int rank) { return type == kTypeD && rank >= 1 && rank <= kMaxDRank; }
bool isOrthogonal(int type, int rank) { return isB(type, rank) || isD(type, rank); }
bool isExceptional(int type, int rank, int which) {
  return type == kTypeExceptional && rank == which;
}
bool isE8(int type, int rank) { return isExceptional(type, rank, 8); }
bool isE7(int type, int rank) { return isExceptional(type, rank, 7); }
bool isE6(int type, int rank) { return isExceptional(type, rank, 6); }
bool isF4(int type, int rank) { return isExceptional(type, rank, 4); }

int powerOfTwo(int n) { return static_cast<int>(twopow(n)); }

// a + b c, or false after an alert when it leaves the int range.
bool addProduct(int& accumulator, int b, int c) {
  long long value = static_cast<long long>(accumulator) + static_cast<long long>(b) * c;
  if (value > INT_MAX || value < INT_MIN) {
    Alert("addProduct", 0, 212404, "Branching multiplicity out of range: %lld", value);
    return false;
  }
  accumulator = static_cast<int>(value);
  return true;
}

// The sign under which a table of this embedding is stored and looked up. Identity tables
// are keyed by their orientation (-1, else +1); chiral embeddings by the requested image
// (999, "unspecified", is 0; for an exceptional algebra 0 is +1); every other table by 0.
// False when the sign names no image of a chiral embedding.
bool tableKeySign(int type, int rank, int subType, int subRank, int sign, int* key) {
  if (type == subType && rank == subRank) {
    *key = sign == -1 ? -1 : 1;
    return true;
  }
  if (chiralEmbedding(type, rank, subType, subRank)) {
    int s = sign == kUnspecifiedChirality ? 0 : sign;
    if (type == kTypeExceptional && s == 0) s = 1;
    if (s < -1 || s > 1) return false;
    *key = s;
    return true;
  }
  *key = 0;
  return true;
}

void alertNotBuiltIn(int type, int rank, int subType, int subRank) {
  Alert("FundamentalTable", 0, 112311,
        "Branching not built in (Type %d, Rank %d --> Type %d, Rank %d)", type, rank, subType,
        subRank);
}

const BranchingTable* findKeyed(int type, int rank, int subType, int subRank, int key) {
  auto& tables = branchingState().tables;
  for (auto it = tables.rbegin(); it != tables.rend(); ++it) {
    if (it->type == type && it->rank == rank && it->subType == subType &&
        it->subRank == subRank && it->sign == key) {
      return &*it;
    }
  }
  return nullptr;
}

void setRow(int* row, std::initializer_list<int> values) {
  int i = 0;
  for (int v : values) row[i++] = v;
}

// Fills the rows of a built-in table; false when the embedding is not built in. d is
// rank - subRank; the orthogonal embeddings are SO(N) > SO(N') x SO(N - N') with the
// second factor's content counted as multiplicity.
bool fillBuiltIn(BranchingTable& t, int key) {
  const int type = t.type, rank = t.rank, subType = t.subType, subRank = t.subRank;
  const int d = rank - subRank;
  if (type == subType && rank == subRank) {
    for (int i = 0; i < t.nReps; ++i) t.table[i][i] = 1;
    if (key == -1 && isD(type, rank)) {
      setRow(t.table[1], {0, 0, 0, 1});
      setRow(t.table[3], {0, 1, 0, 0});
    } else if (key == -1 && isE6(type, rank)) {
      setRow(t.table[1], {0, 0, 1});
      setRow(t.table[2], {0, 1, 0});
    }
    return true;
  }
  if (isE8(type, rank) && isE7(subType, subRank)) {
    setRow(t.adjoint, {3, 2});
    return true;
  }
  if (isE8(type, rank) && isD(subType, subRank) && subRank == 8) {
    if (key == -1) {
      setRow(t.adjoint, {0, 0, 0, 1});
    } else {
      setRow(t.adjoint, {0, 1, 0, 0});
    }
    return true;
  }
  if (isE7(type, rank) && isE6(subType, subRank)) {
    setRow(t.adjoint, {1, 1, 1});
    setRow(t.table[1], {2, 1, 1});
    return true;
  }
  if (isE7(type, rank) && isD(subType, subRank) && subRank == 6) {
    const int s = key == -1 ? -1 : 1;
    setRow(t.adjoint, {3, 1 + s, 0, 1 - s});
    setRow(t.table[1], {0, (1 - s) / 2, 2, (1 + s) / 2});
    return true;
  }
  if (isE6(type, rank) && isF4(subType, subRank)) {
    setRow(t.adjoint, {0, 1});
    setRow(t.table[1], {1, 1});
    setRow(t.table[2], {1, 1});
    return true;
  }
  if (isE6(type, rank) && isD(subType, subRank) && subRank == 5) {
    setRow(t.adjoint, {1, 1, 0, 1});
    setRow(t.table[1], {1, 1, 1, 0});
    setRow(t.table[2], {1, 0, 1, 1});
    return true;
  }
  if (isF4(type, rank) && isB(subType, subRank) && subRank == 4) {
    setRow(t.adjoint, {0, 0, 1});
    setRow(t.table[1], {1, 1, 1});
    return true;
  }
  // SO(2r+1) > SO(8) x SO(n): the three images of the vector of D4 (triality).
  if (isB(type, rank) && isD(subType, subRank) && subRank == 4) {
    if (rank < 4) return false;
    const int n = 2 * rank - 7, m = powerOfTwo(rank - 4);
    if (key == 0) {
      setRow(t.adjoint, {n * (n - 1) / 2, 0, n, 0});
      setRow(t.table[1], {n, 0, 1, 0});
      setRow(t.table[2], {0, m, 0, m});
    } else if (key == 1) {
      setRow(t.adjoint, {n * (n - 1) / 2, n, 0, 0});
      setRow(t.table[1], {n, 1, 0, 0});
      setRow(t.table[2], {0, 0, m, m});
    } else {
      setRow(t.adjoint, {n * (n - 1) / 2, 0, 0, n});
      setRow(t.table[1], {n, 0, 0, 1});
      setRow(t.table[2], {0, m, m, 0});
    }
    return true;
  }
  // SO(2r) > SO(8) x SO(n).
  if (isD(type, rank) && isD(subType, subRank) && subRank == 4) {
    if (rank < 5) return false;
    const int n = 2 * rank - 8, m = powerOfTwo(rank - 5);
    if (key == 0) {
      setRow(t.adjoint, {n * (n - 1) / 2, 0, n, 0});
      setRow(t.table[1], {0, m, 0, m});
      setRow(t.table[2], {n, 0, 1, 0});
      setRow(t.table[3], {0, m, 0, m});
    } else if (key == 1) {
      setRow(t.adjoint, {n * (n - 1) / 2, n, 0, 0});
      setRow(t.table[1], {0, 0, m, m});
      setRow(t.table[2], {n, 1, 0, 0});
      setRow(t.table[3], {0, 0, m, m});
    } else {
      setRow(t.adjoint, {n * (n - 1) / 2, 0, 0, n});
      setRow(t.table[1], {0, m, m, 0});
      setRow(t.table[2], {n, 0, 0, 1});
      setRow(t.table[3], {0, m, m, 0});
    }
    return true;
  }
  // SO(2r) > SO(2s) x SO(2d).
  if (isD(type, rank) && isD(subType, subRank) && d >= 1) {
    const int h = powerOfTwo(d - 1);
    setRow(t.adjoint, {d * (2 * d - 1), 0, 2 * d, 0});
    setRow(t.table[1], {0, h, 0, h});
    setRow(t.table[2], {2 * d, 0, 1, 0});
    setRow(t.table[3], {0, h, 0, h});
    return true;
  }
  // SO(2r+1) > SO(2s+1) x SO(2d).
  if (isB(type, rank) && isB(subType, subRank) && d >= 1) {
    setRow(t.adjoint, {d * (2 * d - 1), 2 * d, 0});
    setRow(t.table[1], {2 * d, 1, 0});
    setRow(t.table[2], {0, 0, powerOfTwo(d)});
    return true;
  }
  // SO(2r+1) > SO(2s) x SO(2d+1).
  if (isB(type, rank) && isD(subType, subRank) && d >= 0) {
    const int h = powerOfTwo(d);
    setRow(t.adjoint, {d * (2 * d + 1), 0, 2 * d + 1, 0});
    setRow(t.table[1], {2 * d + 1, 0, 1, 0});
    setRow(t.table[2], {0, h, 0, h});
    return true;
  }
  // SO(2r) > SO(2s+1) x SO(2d-1).
  if (isD(type, rank) && isB(subType, subRank) && d >= 1) {
    const int h = powerOfTwo(d - 1);
    setRow(t.adjoint, {(2 * d - 1) * (d - 1), 2 * d - 1, 0});
    setRow(t.table[1], {0, 0, h});
    setRow(t.table[2], {2 * d - 1, 1, 0});
    setRow(t.table[3], {0, 0, h});
    return true;
  }
  return false;
}

const BranchingTable* composeAlong(const BranchingTable* first, int type, int rank, int subType,
                                   int subRank) {
  if (first == nullptr) return nullptr;
  return MultiplyTables(first, makeBranchingTable(type, rank, subType, subRank, 0));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Representation classes
// ---------------------------------------------------------------------------------------

int RepCnt(int type, int rank) {
  if (isB(type, rank)) return 3;
  if (isD(type, rank)) return 4;
  if (isF4(type, rank) || isE7(type, rank)) return 2;
  if (isE6(type, rank)) return 3;
  if (isE8(type, rank)) return 1;
  return 0;
}

int repDim(int type, int rank, int repClass) {
  if (repClass == 0) return 1;
  if (isB(type, rank)) {
    switch (repClass) {
      case kAdjointClass: return rank * (2 * rank + 1);
      case 1: return 2 * rank + 1;
      case 2: return powerOfTwo(rank);
      default: break;
    }
  } else if (isD(type, rank)) {
    switch (repClass) {
      case kAdjointClass: return rank * (2 * rank - 1);
      case 1:
      case 3: return powerOfTwo(rank - 1);
      case 2: return 2 * rank;
      default: break;
    }
  } else if (isF4(type, rank)) {
    if (repClass == kAdjointClass) return 52;
    if (repClass == 1) return 26;
  } else if (isE6(type, rank)) {
    if (repClass == kAdjointClass) return 78;
    if (repClass == 1 || repClass == 2) return 27;
  } else if (isE7(type, rank)) {
    if (repClass == kAdjointClass) return 133;
    if (repClass == 1) return 56;
  } else if (isE8(type, rank)) {
    if (repClass == kAdjointClass) return 248;
  }
  Alert("repDim", 0, 212404, "Unexpected type/rank");
  return 0;
}

std::array<int, 4> getTotalRepDim(int type, int rank, const int* mult) {
  std::array<int, 4> total{};
  for (int i = 0; i < RepCnt(type, rank); ++i) {
    if (!addProduct(total[i], mult[i], repDim(type, rank, i))) total[i] = 0;
  }
  return total;
}

int SOdim(int type, int rank) {
  if (type == kTypeB) return 2 * rank + 1;
  if (type == kTypeD) return 2 * rank;
  Alert("SOdim", 0, 112412, "Type %d is not an orthogonal group", type);
  return -1;
}

int VectorIndex(int type) {
  if (type == kTypeB) return 1;
  if (type == kTypeD) return 2;
  Alert("VectorIndex", 0, 112412, "Type %d is not an orthogonal group", type);
  return 0;
}

int getCovLatDim(int type, int rank) {
  if (type == kTypeD) return 2 * rank - 6;
  if (type == kTypeB) return 2 * rank - 5;
  switch (rank) {
    case 4: return 3;
    case 6: return 4;
    case 7: return 6;
    case 8: return 10;
    default: break;
  }
  Alert("getCovLatDim", 0, 112412, "Not a covariant lattice");
  return 0;
}

int isChiral(int type, int rank) { return isD(type, rank) || isE6(type, rank) ? 1 : 0; }

int chiralEmbedding(int type, int rank, int subType, int subRank) {
  if (isOrthogonal(type, rank) && isD(subType, subRank) && subRank == 4) return 1;
  if (isE8(type, rank) && isD(subType, subRank) && subRank == 8) return 1;
  if (isE7(type, rank) && isD(subType, subRank) && subRank == 6) return 1;
  return 0;
}

int ChiralityResolved(int type, int rank, int subType, int subRank) {
  if (isE6(type, rank)) {
    return isE6(subType, subRank) || (isD(subType, subRank) && subRank == 5) ? 1 : 0;
  }
  if (isD(type, rank)) return subType == type && subRank == rank ? 1 : 0;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Branching tables
// ---------------------------------------------------------------------------------------

BranchingTable allocBranchingTable(int type, int rank, int subType, int subRank, int sign) {
  BranchingTable t;
  t.type = type;
  t.rank = rank;
  t.subType = subType;
  t.subRank = subRank;
  t.nReps = RepCnt(type, rank);
  t.nSubReps = RepCnt(subType, subRank);
  t.sign = sign;
  t.chiralityResolved = ChiralityResolved(type, rank, subType, subRank);
  t.table[0][0] = 1;
  return t;
}

const BranchingTable* insertTableNode(const BranchingTable& table) {
  branchingState().tables.push_back(table);
  return &branchingState().tables.back();
}

const BranchingTable* findBranchingTable(int type, int rank, int subType, int subRank, int sign) {
  int key = 0;
  if (!tableKeySign(type, rank, subType, subRank, sign, &key)) return nullptr;
  return findKeyed(type, rank, subType, subRank, key);
}

const BranchingTable* FundamentalTable(int type, int rank, int subType, int subRank, int sign) {
  int key = 0;
  if (!tableKeySign(type, rank, subType, subRank, sign, &key)) {
    alertNotBuiltIn(type, rank, subType, subRank);
    return nullptr;
  }
  if (const BranchingTable* cached = findKeyed(type, rank, subType, subRank, key)) return cached;
  BranchingTable t = allocBranchingTable(type, rank, subType, subRank, key);
  if (!fillBuiltIn(t, key)) {
    alertNotBuiltIn(type, rank, subType, subRank);
    return nullptr;
  }
  return insertTableNode(t);
}

const BranchingTable* MultiplyTables(const BranchingTable* first, const BranchingTable* second) {
  if (first == nullptr || second == nullptr) return nullptr;
  if (first->subType != second->type || first->subRank != second->rank) {
    Alert("MultiplyTables", 0, 212404, "Invalid consecutive branching");
    return nullptr;
  }
  const int type = first->type, rank = first->rank;
  const int subType = second->subType, subRank = second->subRank;
  if (chiralEmbedding(type, rank, subType, subRank)) {
    Alert("MultiplyTables", 1, 212404, "Unexpected chiral embedding as outcome of multiplication");
  }
  if (const BranchingTable* cached = findKeyed(type, rank, subType, subRank, 0)) return cached;
  BranchingTable t = allocBranchingTable(type, rank, subType, subRank, 0);
  for (int j = 0; j < t.nSubReps; ++j) {
    int adjoint = second->adjoint[j];
    for (int m = 0; m < first->nSubReps; ++m) {
      if (!addProduct(adjoint, first->adjoint[m], second->table[m][j])) return nullptr;
    }
    t.adjoint[j] = adjoint;
    for (int i = 0; i < t.nReps; ++i) {
      int entry = 0;
      for (int m = 0; m < first->nSubReps; ++m) {
        if (!addProduct(entry, first->table[i][m], second->table[m][j])) return nullptr;
      }
      t.table[i][j] = entry;
    }
  }
  return insertTableNode(t);
}

const BranchingTable* makeBranchingTable(int type, int rank, int subType, int subRank, int sign) {
  if (const BranchingTable* cached = findBranchingTable(type, rank, subType, subRank, sign)) {
    return cached;
  }
  if (type == subType && rank == subRank) {
    return FundamentalTable(type, rank, type, rank, sign == -1 ? -1 : 1);
  }
  const bool exceptionalTarget = subType == kTypeExceptional;
  if (isE8(type, rank)) {
    if (!exceptionalTarget) {
      const BranchingTable* toD8 = FundamentalTable(type, rank, kTypeD, 8, sign);
      if (subType == kTypeD && subRank == 8) return toD8;
      return composeAlong(toD8, kTypeD, 8, subType, subRank);
    }
    if (subRank == 7 || subRank == 6 || subRank == 4) {
      const BranchingTable* t = FundamentalTable(type, rank, kTypeExceptional, 7, 0);
      if (subRank == 7) return t;
      t = composeAlong(t, kTypeExceptional, 7, kTypeExceptional, 6);
      if (subRank == 6) return t;
      return composeAlong(t, kTypeExceptional, 6, kTypeExceptional, 4);
    }
    return FundamentalTable(type, rank, subType, subRank, sign);
  }
  if (isE7(type, rank)) {
    if (!exceptionalTarget) {
      const BranchingTable* toD6 = FundamentalTable(type, rank, kTypeD, 6, sign);
      if (subType == kTypeD && subRank == 6) return toD6;
      return composeAlong(toD6, kTypeD, 6, subType, subRank);
    }
    if (subRank == 6 || subRank == 4) {
      const BranchingTable* t = FundamentalTable(type, rank, kTypeExceptional, 6, 0);
      if (subRank == 6) return t;
      return composeAlong(t, kTypeExceptional, 6, kTypeExceptional, 4);
    }
    return FundamentalTable(type, rank, subType, subRank, sign);
  }
  if (isE6(type, rank)) {
    if (!exceptionalTarget) {
      const BranchingTable* toD5 = FundamentalTable(type, rank, kTypeD, 5, sign);
      if (subType == kTypeD && subRank == 5) return toD5;
      return composeAlong(toD5, kTypeD, 5, subType, subRank);
    }
    return FundamentalTable(type, rank, subType, subRank, sign);
  }
  if (isF4(type, rank)) {
    const BranchingTable* toB4 = FundamentalTable(type, rank, kTypeB, 4, sign);
    if (subType == kTypeB && subRank == 4) return toB4;
    return composeAlong(toB4, kTypeB, 4, subType, subRank);
  }
  return FundamentalTable(type, rank, subType, subRank, sign);
}

int BranchingIsTrivial(const BranchingTable* table) {
  return table->type == table->subType && table->rank == table->subRank ? 1 : 0;
}

void trivialExtension(LatticeExtension* extension, int type, int rank, int dimension) {
  static const int zeroVector[4] = {0, 0, 0, 0};
  extension->table = makeBranchingTable(type, rank, type, rank, 1);
  extension->vector = zeroVector;
  extension->count = 1;
  extension->dimension = dimension;
}

int checkBranchingTable(int type, int rank, int subType, int subRank) {
  const BranchingTable* t = makeBranchingTable(type, rank, subType, subRank, 1);
  if (t == nullptr) return -1;
  std::vector<std::string> names;
  std::vector<const char*> nameList;
  int subDims[4] = {};
  for (int j = 0; j < t->nSubReps; ++j) {
    subDims[j] = repDim(subType, subRank, j);
    names.push_back(std::to_string(subDims[j]));
  }
  for (const std::string& name : names) nameList.push_back(name.c_str());
  nameList.push_back(nullptr);

  // Sum of multiplicity times dimension over the subalgebra classes, in 64 bits.
  auto contentDimension = [&](const int* row) {
    long long sum = 0;
    for (int j = 0; j < t->nSubReps; ++j) sum += static_cast<long long>(row[j]) * subDims[j];
    return sum;
  };
  int mismatches = 0;
  const int adjointDim = repDim(type, rank, kAdjointClass);
  const int subAdjointDim = repDim(subType, subRank, kAdjointClass);
  Print("[%d] --> [%d] + %s\n", adjointDim, subAdjointDim, print_rep(t->adjoint, nameList.data()).c_str());
  if (static_cast<long long>(adjointDim) - subAdjointDim != contentDimension(t->adjoint)) {
    Print("*********** Mismatch in adjoint decomposition\n");
    ++mismatches;
  }
  for (int i = 0; i < t->nReps; ++i) {
    const int dim = repDim(type, rank, i);
    Print("[%d] --> %s\n", dim, print_rep(t->table[i], nameList.data()).c_str());
    if (dim != contentDimension(t->table[i])) {
      Print("*********** Mismatch in decomposition\n");
      ++mismatches;
    }
  }
  return mismatches;
}

int InverseBranch(const BranchingTable* table, int* sub, int* mult) {
  const int nReps = table->nReps, nSubReps = table->nSubReps;
  bool determined[4] = {false, false, false, false};
  for (int i = 0; i < nReps; ++i) mult[i] = 0;

  // Takes m more of algebra class i out of the subalgebra content.
  auto takeOut = [&](int i, int m) {
    determined[i] = true;
    if (!addProduct(mult[i], m, 1)) return false;
    for (int k = 0; k < nSubReps; ++k) {
      if (!addProduct(sub[k], -m, table->table[i][k])) return false;
    }
    return true;
  };

  // A subalgebra class met by exactly one undetermined algebra class fixes that class.
  auto determineUnique = [&]() {
    bool progress = true;
    while (progress) {
      progress = false;
      for (int j = 0; j < nSubReps; ++j) {
        int count = 0, only = -1;
        for (int i = 0; i < nReps; ++i) {
          if (determined[i] || table->table[i][j] == 0) continue;
          ++count;
          only = i;
        }
        if (count == 1) {
          if (!takeOut(only, sub[j] / table->table[only][j])) return false;
          progress = true;
        }
      }
    }
    return true;
  };

  // What is left is shared by classes the subalgebra cannot tell apart: the first of them
  // in class order takes as much of its own row as the content holds, and the unique
  // classes are settled again. The singlet is never among them: with its row (1, 0, 0, 0)
  // the singlet column settles it once the other classes are.
  bool ambiguous = false;
  if (!determineUnique()) return -1;
  for (int i = 1; i < nReps; ++i) {
    if (determined[i]) continue;
    int most = INT_MAX;
    bool met = false;
    for (int j = 0; j < nSubReps; ++j) {
      if (table->table[i][j] == 0) continue;
      met = met || sub[j] != 0;
      most = std::min(most, sub[j] / table->table[i][j]);
    }
    if (!met) continue;
    ambiguous = true;
    if (table->chiralityResolved) {
      Alert("InverseBranch", 0, 112301,
            "Representation content is not uniquely determined from sub-algebra\n");
    }
    if (!takeOut(i, std::max(most, 0)) || !determineUnique()) return -1;
  }
  return ambiguous ? 0 : 1;
}

int Determine_Extension(int type, int rank, const int* counts, int* newType, int* newRank,
                        int* chirality) {
  const int c1 = counts[1], c2 = counts[2], c3 = counts[3];
  *chirality = 0;
  *newType = type;
  *newRank = rank;
  if (isD(type, rank) && rank == 4) {
    // D4 with the same number of vectors in all three classes extends to an exceptional
    // algebra: F4 52 = 28 + 3 x 8, E6 78 = 28 + 2 + 6 x 8, E7 133 = 28 + 9 + 12 x 8,
    // E8 248 = 28 + 28 + 24 x 8.
    if (c1 == c2 && c2 == c3) {
      const int exceptionalRank = c1 == 8 ? 4 : c1 == 16 ? 6 : c1 == 32 ? 7 : c1 == 64 ? 8 : 0;
      if (exceptionalRank != 0) {
        *newType = kTypeExceptional;
        *newRank = exceptionalRank;
        return 0;
      }
    }
    // Otherwise the vectors form m 8-plets: SO(8 + m).
    const long long total = static_cast<long long>(c1) + c2 + c3;
    if (total % 8 != 0 || total < 0) {
      Alert("Determine_Extension", 0, 212404, "Incorrect nr. of vectors");
      return 1;
    }
    const int m = static_cast<int>(total / 8);
    if (m % 2 == 0) {
      *newType = kTypeD;
      *newRank = (8 + m) / 2;
    } else {
      *newType = kTypeB;
      *newRank = (7 + m) / 2;
    }
    if (c2 == 0 && c1 != 0) {
      *chirality = 1;
    } else if (c1 == 0 && c2 == 0 && c3 != 0) {
      *chirality = -1;
    }
    return 0;
  }
  if (isOrthogonal(type, rank)) {
    const long long spinors = type == kTypeD ? static_cast<long long>(c1) + c3 : c2;
    if (spinors != 0) {
      const int exceptionalRank =
          spinors == 16 ? 4 : spinors == 32 ? 6 : spinors == 64 ? 7 : spinors == 128 ? 8 : 0;
      if (exceptionalRank == 0) {
        Alert("Determine_Extension", 1, 112301, "Unidentified SO(N) extension\n");
        return 1;
      }
      *newType = kTypeExceptional;
      *newRank = exceptionalRank;
      if ((type == kTypeD && rank == 8 && exceptionalRank == 8) ||
          (type == kTypeD && rank == 6 && exceptionalRank == 7)) {
        if (c1 != 0) {
          *chirality = 1;
        } else if (c3 != 0) {
          *chirality = -1;
        }
      }
      return 0;
    }
    const int vectors = counts[VectorIndex(type)];
    if (vectors == 0) {
      *chirality = 1;
      return 0;
    }
    const int n = SOdim(type, rank);
    if (vectors % n != 0 || vectors < 0) {
      Alert("Determine_Extension", 2, 212404, "Incorrect nr. of vectors");
      return 1;
    }
    const int dimension = n + vectors / n;
    if (dimension % 2 == 0) {
      *newType = kTypeD;
      *newRank = dimension / 2;
    } else {
      *newType = kTypeB;
      *newRank = (dimension - 1) / 2;
    }
    return 0;
  }
  if (isF4(type, rank)) {
    // 26 + 52 = 78 (E6), 78 + 52 + 3 = 133 (E7), 182 + 52 + 14 = 248 (E8).
    if (c1 == 26) *newRank = 6;
    if (c1 == 78) *newRank = 7;
    if (c1 == 182) *newRank = 8;
    return 0;
  }
  if (isE6(type, rank)) {
    if (c1 == 27 && c2 == 27) *newRank = 7;
    if (c1 == 81 && c2 == 81) *newRank = 8;
    return 0;
  }
  if (isE7(type, rank)) {
    if (c1 == 112) *newRank = 8;
    return 0;
  }
  if (isE8(type, rank)) return 0;
  Alert("Determine_Extension", 3, 212404, "Unknown extension");
  return 1;
}
