// Private to the Discrete module: its one state record, shared by Discrete.cpp (groups,
// characters), DiscreteBasis.cpp (abstract groups), DiscreteSubgroups.cpp,
// DiscreteStabilisers.cpp and DiscreteCharges.cpp.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "groups/Discrete.h"

// Records at stable addresses; a released slot is reused by the next acquire.
template <class T>
class RecordPool {
 public:
  explicit RecordPool(AllocationAccount* account, const char* label)
      : records_(AccountAllocator<T>(account, label)) {}

  T* acquire() {
    if (!freeSlots_.empty()) {
      int slot = freeSlots_.back();
      freeSlots_.pop_back();
      T* record = &records_[static_cast<std::size_t>(slot)];
      record->slot = slot;
      return record;
    }
    records_.emplace_back();
    T* record = &records_.back();
    record->slot = static_cast<int>(records_.size()) - 1;
    return record;
  }
  // Drops the record's memory; its slot serves the next acquire.
  void release(T* record) {
    int slot = record->slot;
    *record = T{};
    freeSlots_.push_back(slot);
  }
  bool owns(const T* record) const {
    return record != nullptr && record->slot >= 0 &&
           static_cast<std::size_t>(record->slot) < records_.size() &&
           &records_[static_cast<std::size_t>(record->slot)] == record;
  }

 private:
  std::deque<T, AccountAllocator<T>> records_;
  std::vector<int> freeSlots_;
};

// Echelon reduction of generating sets of subgroups of one group, reusing its buffers.
class SubgroupEchelon {
 public:
  void reset(const DGType* G);
  // Drops the rows (normalForm drops them too).
  void clear();
  // Room for one generator's k components (each in 0 .. n_j - 1), to be filled.
  std::int64_t* addRow();
  void addElement(const DGType* G, int e);
  // The normal form of the span of the rows into form (k entries); the span's order.
  std::int64_t normalForm(int* form);

 private:
  int k_ = 0;
  int sentinel_ = 1;
  int count_ = 0;
  std::vector<std::int64_t> factors_, places_, rows_, pivots_;
  std::vector<char> hasPivot_;
};

// Symmetries acting as automorphisms, known by the images of the basis elements P_j.
struct AutomorphicAction {
  bool active = false;
  int k = 0;
  std::vector<int> basisImages;  // nperm x k element numbers
  std::vector<char> regular;     // 1: an automorphism given by its basis images
  std::vector<int> inverseImages;  // nperm x k images under the inverses; -1 not yet known
  // Images of the generators of the subgroup being extended (parentOwner), per symmetry;
  // valid where parentStamp equals parentToken.
  std::vector<int> parentImages, parentStamp;
  int parentToken = 0;
  const SGType* parentOwner = nullptr;
  // Set when the symmetries form a group (each an automorphism): their numbers ordered by
  // their rows of basis images, so that the symmetries agreeing on P_0 .. P_(d-1) are one
  // run, a node of depth d of the tree the candidates are decided on.
  bool group = false;
  std::vector<int> sortedSymmetries;
  std::vector<int> sortedColumns;  // column j of the sorted rows at j * nperm
  std::vector<int> orbitMinimum;   // per element, the smallest of its orbit under the group
  // The tree's nodes of depth j + 1 (runs of rows equal on columns 0 .. j), in order:
  // first row (and the row count at the end), entry of column j, first child.
  std::vector<std::vector<int>> nodeStarts, nodeValues, firstChild;
  // Components of every element packed in fields of fieldWidth bits (0: not packed), and
  // per factor j the remainders mod n_j of all field values.
  int fieldWidth = 0;
  std::vector<std::uint64_t> packed;
  std::vector<int> fieldRemainders;
};

struct DiscreteState {
  RecordPool<DGType> groups{&DG_space, "Discrete group pointer"};
  RecordPool<SGType> subgroups{&DG_space, "Subgroup pointer"};
  RecordPool<FPType> stabilisers{&FP_alloc, "Stabilizer pointer"};
  DGType* firstDG = nullptr;
  DGType* trivial = nullptr;
  SGType* firstSG = nullptr;
  SGType* buildTail = nullptr;  // end of the chain while the class-wise builder runs

  // Orbit tables of the class-wise subgroup builder.
  std::vector<int> orbitStore;     // power lists of the selected elements
  std::vector<int> orbitPointers;  // list position of every element
  std::vector<int> orbitLengths;
  std::vector<int> orbitStart;
  std::vector<int> orbitAccepted;
  bool orbitsBuilt = false;
  AutomorphicAction automorphic;  // while the automorphic builder runs

  std::vector<int> allOrders;  // element orders of the ambient group of getFP
  bool symmetryTree = true;    // DG_setSymmetryTree
  bool linearTree = true;      // DG_setLinearTree
};

DiscreteState& discreteState();

// Alerts for an element outside 0 .. order-1; true when e is in range.
bool discreteElementInRange(const DGType* dg, int e, const char* routine);
