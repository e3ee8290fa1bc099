// The finite Weyl group and orbits of weights (see WeylGroup.h for the representation).
//
// Group elements are identified by the labels of w(rho). A group is only built up to
// 3,000,000 elements, which bounds the rank by 8 and every label of w(rho) by the height
// of the highest coroot (below 30), so the labels pack into one 64-bit key (8 bits each).
// The group is built layer by layer in the length: s_i w is longer than w exactly when
// label i of w(rho) is positive, so only those steps can reach a new element, and a new
// element is only ever met again within its own layer; a small hash of the layer finds
// repeats, and one index of all keys (row numbers in an open-addressing table) serves the
// look-ups afterwards. The numbering is that of the breadth-first search over the rows
// in order of creation and the reflections in increasing order.
//
// Parity orbits modulo 2 of Dynkin labels are bit vectors (label i in bit rank-1-i, so
// that the order of the numbers is the order of the vectors); a reflection flips a fixed
// mask when the reflected label is odd.
#include "lie/WeylGroup.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>

#include "interpreter/RunControl.h"
#include "lie/LieAlgebra.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

AllocationAccount WeylGroup_alloc("Weyl group");

namespace {

constexpr std::uint64_t kEmptyKey = ~std::uint64_t{0};
constexpr int kProductTableLimit = 1200;
// Parity orbits past this many elements poll the run control between passes.
constexpr int kInterruptStride = 4096;

std::uint64_t hashKey(std::uint64_t key) { return key * 0x9E3779B97F4A7C15ULL; }

// Packs up to 8 labels in [-127, 127] into a key; false when a label does not fit.
bool packLabels(const int* labels, int rank, std::uint64_t* key) {
  std::uint64_t k = 0;
  for (int i = 0; i < rank; ++i) {
    if (labels[i] < -127 || labels[i] > 127) return false;
    k |= static_cast<std::uint64_t>(labels[i] + 128) << (8 * i);
  }
  *key = k;
  return true;
}

// An open-addressing table of row numbers whose keys live in a separate key list.
class RowIndex {
 public:
  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
  }
  void reserve(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < expected + expected / 2 + 16) capacity *= 2;
    slots_.assign(capacity, -1);
  }
  std::size_t bytes() const { return slots_.size() * sizeof(int); }
  // Row of key, or -1 after storing row (insert) or doing nothing.
  int find(const AccountVector<std::uint64_t>& keys, std::uint64_t key, bool insert, int row) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hashKey(key) >> 20) & mask;
    while (slots_[slot] >= 0) {
      if (keys[static_cast<std::size_t>(slots_[slot])] == key) return slots_[slot];
      slot = (slot + 1) & mask;
    }
    if (insert) slots_[slot] = row;
    return -1;
  }

 private:
  AccountVector<int> slots_{AccountAllocator<int>(&WeylGroup_alloc, "Weyl group index")};
};

// The repeats of one layer: keys of the layer being built, cleared slot by slot.
class LayerSet {
 public:
  LayerSet() { grow(1024); }
  // True when key is new (and now stored).
  bool insert(std::uint64_t key) {
    if (2 * (used_.size() + 1) > keys_.size()) grow(2 * keys_.size());
    const std::size_t mask = keys_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(hashKey(key) >> 20) & mask;
    while (keys_[slot] != kEmptyKey) {
      if (keys_[slot] == key) return false;
      slot = (slot + 1) & mask;
    }
    keys_[slot] = key;
    used_.push_back(slot);
    return true;
  }
  void clear() {
    for (std::size_t slot : used_) keys_[slot] = kEmptyKey;
    used_.clear();
  }

 private:
  void grow(std::size_t capacity) {
    std::vector<std::uint64_t> old;
    for (std::size_t slot : used_) old.push_back(keys_[slot]);
    keys_.assign(capacity, kEmptyKey);
    used_.clear();
    for (std::uint64_t key : old) insert(key);
  }
  std::vector<std::uint64_t> keys_;
  std::vector<std::size_t> used_;
};

// A copy of the extended Cartan matrix of (type, rank), taken once.
struct CartanView {
  int type = -1;
  int rank = -1;
  std::vector<int> cm;
  int at(int i, int j) const { return cm[static_cast<std::size_t>(i) * (rank + 1) + j]; }
};

struct WeylGroupState {
  WeylGroupCollection group;        // the cached group
  RowIndex index;                   // row of each key of the group
  AccountVector<int> products{AccountAllocator<int>(&WeylGroup_alloc, "Weyl products")};  // small groups
  WeylOrbitList orbit;              // last WeylReflections result
  WeylOrbitList distinctOrbit;      // last WeylOrbit result
  std::vector<int> parityOrbit;     // last parity orbit, rank ints per element
  std::vector<int> classVector;     // last conjugacyClassVector
  std::vector<int> classes;         // last sign-class list
  CartanView cartan;
};

WeylGroupState& state() {
  static WeylGroupState s;
  return s;
}

const CartanView& cartanView(int type, int rank) {
  CartanView& view = state().cartan;
  if (view.type == type && view.rank == rank) return view;
  Cartan(type, rank);
  const LieData& data = Zoq_lieData();
  view.type = type;
  view.rank = rank;
  view.cm.assign(data.CM.begin(), data.CM.end());
  const std::size_t needed = static_cast<std::size_t>(rank + 1) * (rank + 1);
  if (view.cm.size() < needed) view.cm.resize(needed, 0);
  return view;
}

bool validRank(int type, int rank) {
  if (rank < 1 || rank > 64) return false;
  if (type == 4 && rank < 3) return false;
  if (type == 5 && rank != 2 && rank != 4 && rank != 6 && rank != 7 && rank != 8) return false;
  return true;
}

// Resets the group to "nothing built".
void clearGroup(WeylGroupState& s) {
  s.group = WeylGroupCollection{};
  s.index.clear();
  s.products.clear();
  s.products.shrink_to_fit();
}

bool lessVector(const int* a, const int* b, int n) {
  for (int i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

// Product table of a small group: products[a n + b] = index of w_a w_b, from the left
// multiplications by simple reflections, w_a w_b = s_t (w_parent(a) w_b).
void buildProductTable(WeylGroupState& s, const CartanView& cartan) {
  const WeylGroupCollection& g = s.group;
  const int n = g.count();
  const int rank = g.rank;
  std::vector<int> left(static_cast<std::size_t>(rank) * n, -1);
  std::vector<int> labels(rank), image(rank);
  for (int c = 0; c < n; ++c) {
    g.labels(c, labels.data());
    for (int i = 0; i < rank; ++i) {
      for (int j = 0; j < rank; ++j) image[j] = labels[j] - cartan.at(i, j) * labels[i];
      std::uint64_t key = 0;
      if (packLabels(image.data(), rank, &key))
        left[static_cast<std::size_t>(i) * n + c] = s.index.find(g.keys, key, false, 0);
    }
  }
  s.products.assign(static_cast<std::size_t>(n) * n, -1);
  for (int b = 0; b < n; ++b) s.products[static_cast<std::size_t>(b)] = b;
  for (int a = 1; a < n; ++a) {
    const int* from = s.products.data() + static_cast<std::size_t>(g.parent(a)) * n;
    int* to = s.products.data() + static_cast<std::size_t>(a) * n;
    const int* step = left.data() + static_cast<std::size_t>(g.reflection(a)) * n;
    for (int b = 0; b < n; ++b) to[b] = from[b] < 0 ? -1 : step[from[b]];
  }
}

// Orbit of start under the given reflection, every component reduced into [0, modulus).
// The elements are kept in first-found order; a set finds repeats.
template <class Reflect>
const int* parityOrbit(int rank, const int* start, int* count, int modulus, Reflect reflect) {
  WeylGroupState& s = state();
  s.parityOrbit.clear();
  std::set<std::vector<int>> seen;
  std::vector<int> v(start, start + rank);
  for (int& x : v) x = ((x % modulus) + modulus) % modulus;
  seen.insert(v);
  s.parityOrbit.insert(s.parityOrbit.end(), v.begin(), v.end());
  std::vector<int> element(rank), image(rank);
  bool grew = true;
  while (grew) {
    grew = false;
    for (int i = 0; i < rank; ++i) {
      for (std::size_t e = 0; e < s.parityOrbit.size() / rank; ++e) {
        if (e % kInterruptStride == kInterruptStride - 1 && checkInterrupt() != 0) {
          *count = static_cast<int>(s.parityOrbit.size() / rank);
          return s.parityOrbit.data();
        }
        std::copy(s.parityOrbit.begin() + e * rank, s.parityOrbit.begin() + (e + 1) * rank, element.begin());
        reflect(element.data(), image.data(), i);
        for (int& x : image) x = ((x % modulus) + modulus) % modulus;
        if (seen.insert(image).second) {
          s.parityOrbit.insert(s.parityOrbit.end(), image.begin(), image.end());
          grew = true;
        }
      }
    }
  }
  *count = static_cast<int>(s.parityOrbit.size() / rank);
  return s.parityOrbit.data();
}

// Dynkin labels modulo 2 as bits: label i in bit rank-1-i.
constexpr int kMostParityBits = 62;

std::uint64_t parityBits(const int* labels, int rank) {
  std::uint64_t bits = 0;
  for (int i = 0; i < rank; ++i) {
    if (labels[i] % 2 != 0) bits |= std::uint64_t{1} << (rank - 1 - i);
  }
  return bits;
}

// flips[i]: the labels that s_i changes by an odd amount when label i is odd.
std::vector<std::uint64_t> parityFlips(const CartanView& cartan, int rank) {
  std::vector<std::uint64_t> flips(rank, 0);
  for (int i = 0; i < rank; ++i) {
    for (int j = 0; j < rank; ++j) {
      if (cartan.at(i, j) % 2 != 0) flips[i] |= std::uint64_t{1} << (rank - 1 - j);
    }
  }
  return flips;
}

// The set of visited parity vectors: a bit array up to 2^26 vectors, else a hash set.
class ParitySet {
 public:
  explicit ParitySet(int rank) {
    if (rank <= 26) bits_.assign((std::size_t{1} << rank) / 64 + 1, 0);
  }
  bool insert(std::uint64_t v) {
    if (bits_.empty()) return hashed_.insert(v).second;
    std::uint64_t& word = bits_[v / 64];
    const std::uint64_t bit = std::uint64_t{1} << (v % 64);
    if (word & bit) return false;
    word |= bit;
    return true;
  }
  bool contains(std::uint64_t v) const {
    if (bits_.empty()) return hashed_.count(v) != 0;
    return (bits_[v / 64] >> (v % 64)) & 1;
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::unordered_set<std::uint64_t> hashed_;
};

// The parity orbit of start in the order of the passes (each reflection over every element,
// those added during the pass included, while the orbit grows). Marks every element in
// seen; false when the run control stopped it.
bool dynkinParityOrbit(std::uint64_t start, int rank, const std::vector<std::uint64_t>& flips, ParitySet& seen,
                       std::vector<std::uint64_t>& orbit) {
  orbit.assign(1, start);
  seen.insert(start);
  bool grew = true;
  while (grew) {
    grew = false;
    for (int i = 0; i < rank; ++i) {
      const std::uint64_t bit = std::uint64_t{1} << (rank - 1 - i);
      for (std::size_t e = 0; e < orbit.size(); ++e) {
        if (e % kInterruptStride == kInterruptStride - 1 && checkInterrupt() != 0) return false;
        const std::uint64_t v = orbit[e];
        const std::uint64_t image = (v & bit) ? v ^ flips[i] : v;
        if (seen.insert(image)) {
          orbit.push_back(image);
          grew = true;
        }
      }
    }
  }
  return true;
}

void unpackParity(std::uint64_t v, int rank, int* out) {
  for (int i = 0; i < rank; ++i) out[i] = static_cast<int>((v >> (rank - 1 - i)) & 1);
}

}  // namespace

namespace {

// The order of the group of (type, rank), or -1 after the alert that initWeylGroup gives
// for a type without a finite Weyl group or a group above the maximum.
long long checkedGroupOrder(int type, int rank) {
  long long order = (type >= 1 && type <= 5 && validRank(type, rank)) ? WeylGroupOrder(type, rank) : -1;
  if (order < 1) {
    Alert("InputError", 1, 112312, "Invalid input\nType=%d, Rank=%d, Level=%d\nRoutine: %s", type,
          rank, 1, "initWeylGroup");
    return -1;
  }
  if (order > kWeylGroupMaximum) {
    Alert("initWeylGroup", 1, 520313, "Weyl group size too large (size %lld, maximum %lld) ", order,
          kWeylGroupMaximum);
    return -1;
  }
  return order;
}

// Row numbers of an orbit list, found by the contents of the rows (open addressing).
class OrbitIndex {
 public:
  explicit OrbitIndex(const WeylOrbitList& list) : list_(list) { slots_.assign(1024, -1); }
  // True when the last row of the list is new (and now indexed).
  bool insertLast() {
    const int row = list_.count - 1;
    if (2 * static_cast<std::size_t>(list_.count) > slots_.size()) grow();
    return place(row);
  }

 private:
  std::size_t hashRow(int row) const {
    const int* v = list_.row(row);
    std::uint64_t h = 0x9E3779B97F4A7C15ULL;
    for (int j = 0; j < list_.rowLength; ++j) h = (h ^ static_cast<std::uint32_t>(v[j])) * 0x100000001B3ULL;
    return static_cast<std::size_t>(hashKey(h) >> 16);
  }
  bool place(int row) {
    const std::size_t mask = slots_.size() - 1;
    const int* v = list_.row(row);
    for (std::size_t slot = hashRow(row) & mask;; slot = (slot + 1) & mask) {
      const int other = slots_[slot];
      if (other < 0) {
        slots_[slot] = row;
        return true;
      }
      if (std::equal(v, v + list_.rowLength, list_.row(other))) return false;
    }
  }
  void grow() {
    slots_.assign(2 * slots_.size(), -1);
    for (int row = 0; row + 1 < list_.count; ++row) place(row);
  }
  const WeylOrbitList& list_;
  std::vector<int> slots_;
};

}  // namespace

const WeylGroupCollection* initWeylGroup(int type, int rank) {
  WeylGroupState& s = state();
  if (s.group.type == type && s.group.rank == rank && s.group.order > 0) return &s.group;
  const long long order = checkedGroupOrder(type, rank);
  if (order < 0) return nullptr;
  clearGroup(s);
  const CartanView& cartan = cartanView(type, rank);
  WeylGroupCollection& g = s.group;
  g.rank = rank;
  const std::size_t n = static_cast<std::size_t>(order);
  g.keys.reserve(n);
  g.parents.reserve(n);
  g.reflections.reserve(n);
  std::vector<int> rho(rank, 1);
  std::uint64_t key = 0;
  packLabels(rho.data(), rank, &key);
  g.keys.push_back(key);
  g.parents.push_back(-1);
  g.reflections.push_back(-1);
  LayerSet layer;
  std::vector<int> labels(rank), image(rank);
  std::size_t layerBegin = 0;
  while (layerBegin < g.keys.size()) {
    const std::size_t layerEnd = g.keys.size();
    layer.clear();
    for (std::size_t k = layerBegin; k < layerEnd; ++k) {
      g.labels(static_cast<int>(k), labels.data());
      for (int i = 0; i < rank; ++i) {
        if (labels[i] <= 0) continue;  // s_i w is shorter: already listed
        for (int j = 0; j < rank; ++j) image[j] = labels[j] - cartan.at(i, j) * labels[i];
        if (!packLabels(image.data(), rank, &key) || !layer.insert(key)) continue;
        g.keys.push_back(key);
        g.parents.push_back(static_cast<std::int32_t>(k));
        g.reflections.push_back(static_cast<std::int8_t>(i));
      }
    }
    layerBegin = layerEnd;
  }
  s.index.reserve(g.keys.size());
  for (int k = 0; k < g.count(); ++k) s.index.find(g.keys, g.keys[static_cast<std::size_t>(k)], true, k);
  g.type = type;
  g.order = order;
  if (order >= 10001) PrintStdout("Initialization finished\n");
  return &g;
}

int* WeylReflection(int type, int rank, const int* lambda, int* out, int i) {
  const CartanView& cartan = cartanView(type, rank);
  if (i < 0 || i > rank) return out;
  const int li = lambda[i];
  for (int j = 0; j < rank; ++j) out[j] = lambda[j] - cartan.at(i, j) * li;
  return out;
}

int* WeylReflectionInRootBasis(int type, int rank, const int* beta, int* out, int i) {
  const CartanView& cartan = cartanView(type, rank);
  if (i < 0 || i > rank) return out;
  int sum = 0;
  for (int j = 0; j < rank; ++j) sum += cartan.at(i, j) * beta[j];
  for (int j = 0; j < rank; ++j) out[j] = beta[j];
  out[i] = beta[i] - sum;
  return out;
}

const WeylOrbitList* WeylReflections(int type, int rank, const int* lambda) {
  const WeylGroupCollection* g = initWeylGroup(type, rank);
  if (g == nullptr) return nullptr;
  WeylGroupState& s = state();
  const CartanView& cartan = cartanView(type, rank);
  WeylOrbitList& o = s.orbit;
  o.count = g->count();
  o.rowLength = rank;
  o.data.assign(static_cast<std::size_t>(o.count) * rank, 0);
  std::copy(lambda, lambda + rank, o.data.begin());
  for (int k = 1; k < o.count; ++k) {
    const int* from = o.row(g->parent(k));
    int* to = o.data.data() + static_cast<std::size_t>(k) * rank;
    const int t = g->reflection(k);
    for (int j = 0; j < rank; ++j) to[j] = from[j] - cartan.at(t, j) * from[t];
  }
  return &o;
}

const WeylOrbitList* WeylOrbit(int type, int rank, const int* lambda) {
  WeylGroupState& s = state();
  WeylOrbitList& o = s.distinctOrbit;
  o.count = 0;
  o.rowLength = rank;
  o.data.clear();
  const bool dominant = rank >= 1 && std::all_of(lambda, lambda + rank, [](int v) { return v >= 0; });
  if (!dominant) {
    const WeylOrbitList* images = WeylReflections(type, rank, lambda);
    if (images == nullptr) return nullptr;
    OrbitIndex index(o);
    for (int k = 0; k < images->count; ++k) {
      o.data.insert(o.data.end(), images->row(k), images->row(k) + rank);
      ++o.count;
      if (!index.insertLast()) {
        o.data.resize(o.data.size() - static_cast<std::size_t>(rank));
        --o.count;
      }
    }
    return &o;
  }
  if (checkedGroupOrder(type, rank) < 0) return nullptr;
  const CartanView& cartan = cartanView(type, rank);
  // A reflection of a weight of the walk lowers it (it is new, one step further from
  // lambda) exactly when the reflected label is positive; a zero label fixes the weight.
  OrbitIndex index(o);
  o.data.assign(lambda, lambda + rank);
  o.count = 1;
  index.insertLast();
  for (int k = 0; k < o.count; ++k) {
    for (int i = 0; i < rank; ++i) {
      const int li = o.row(k)[i];
      if (li <= 0) continue;
      const std::size_t from = static_cast<std::size_t>(k) * rank;
      o.data.resize(o.data.size() + static_cast<std::size_t>(rank));
      const int* source = o.data.data() + from;
      int* image = o.data.data() + static_cast<std::size_t>(o.count) * rank;
      for (int j = 0; j < rank; ++j) image[j] = source[j] - cartan.at(i, j) * li;
      ++o.count;
      if (!index.insertLast()) {
        o.data.resize(o.data.size() - static_cast<std::size_t>(rank));
        --o.count;
      }
    }
  }
  return &o;
}

int WeylMultiply(int type, int rank, int a, int b) {
  const WeylGroupCollection* g = initWeylGroup(type, rank);
  if (g == nullptr) return -1;
  if (a < 0 || b < 0 || a >= g->count() || b >= g->count()) {
    Alert("WeylMultiply", 3, 100202, "Element %d out of range: the Weyl group has %d elements, numbered 0 to %d",
          a < 0 || a >= g->count() ? a : b, g->count(), g->count() - 1);
    return -1;
  }
  WeylGroupState& s = state();
  const CartanView& cartan = cartanView(type, rank);
  if (g->count() <= kProductTableLimit) {
    if (s.products.empty()) buildProductTable(s, cartan);
    const int product = s.products[static_cast<std::size_t>(a) * g->count() + b];
    if (product >= 0) return product;
  }
  std::vector<int> labels(rank), image(rank);
  g->labels(b, labels.data());
  // w_a = t_1 t_2 ... t_m, t_1 the reflection of a itself: apply t_m first.
  std::vector<int> word;
  for (int k = a; k > 0; k = g->parent(k)) word.push_back(g->reflection(k));
  for (auto it = word.rbegin(); it != word.rend(); ++it) {
    const int t = *it;
    for (int j = 0; j < rank; ++j) image[j] = labels[j] - cartan.at(t, j) * labels[t];
    labels.swap(image);
  }
  std::uint64_t key = 0;
  int found = packLabels(labels.data(), rank, &key) ? s.index.find(g->keys, key, false, 0) : -1;
  if (found < 0) {
    Alert("WeylMultiply", 2, 212404, "Element not found");
    std::string text = " --> ";
    for (int j = 0; j < rank; ++j) text += formatText("%d ", labels[j]);
    Print("%s\n", text.c_str());
  }
  return found;
}

const int* WeylParityOrbit(int type, int rank, const int* beta, int* count, int N) {
  *count = 0;
  if (rank < 1 || N < 1) return nullptr;
  return parityOrbit(rank, beta, count, 2 * N, [&](const int* in, int* out, int i) {
    WeylReflectionInRootBasis(type, rank, in, out, i);
  });
}

const int* DynkinWeylParityOrbit(int type, int rank, const int* lambda, int* count) {
  *count = 0;
  if (rank < 1) return nullptr;
  if (rank > kMostParityBits) {
    return parityOrbit(rank, lambda, count, 2, [&](const int* in, int* out, int i) {
      WeylReflection(type, rank, in, out, i);
    });
  }
  const std::vector<std::uint64_t> flips = parityFlips(cartanView(type, rank), rank);
  ParitySet seen(rank);
  std::vector<std::uint64_t> orbit;
  dynkinParityOrbit(parityBits(lambda, rank), rank, flips, seen, orbit);
  WeylGroupState& s = state();
  s.parityOrbit.assign(orbit.size() * static_cast<std::size_t>(rank), 0);
  for (std::size_t e = 0; e < orbit.size(); ++e) unpackParity(orbit[e], rank, s.parityOrbit.data() + e * rank);
  *count = static_cast<int>(orbit.size());
  return s.parityOrbit.data();
}

const int* conjugacyClassVector(int type, int rank, int J) {
  std::vector<int>& c = state().classVector;
  c.assign(rank < 1 ? 1 : rank, 0);
  if (rank < 1) return c.data();
  const int r = rank;
  switch (type) {
    case 1:
      for (int i = 0; i < r; ++i) c[i] = static_cast<int>((static_cast<long long>(J) * (i + 1)) % (r + 1));
      break;
    case 2:
      c[r - 1] = J;
      break;
    case 3:
      for (int i = 0; i < r; i += 2) c[i] = J;
      break;
    case 4:
      if (r < 2) break;
      if (J == 2) {
        c[r - 2] = c[r - 1] = 2;
      } else if (J % 2 != 0) {
        if (r % 2 == 0) {
          for (int i = 0; i <= r - 2; i += 2) c[i] = 2;
          int m = ((J + r) % 4 + 4) % 4;
          if (m == 3) c[r - 2] = 0, c[r - 1] = 2;
          if (m == 1) c[r - 2] = 2, c[r - 1] = 0;
        } else {
          for (int i = 0; i <= r - 3; i += 2) c[i] = 2;
          int m = ((r - 1 + J) % 4 + 4) % 4;
          if (m == 1) {
            c[r - 2] = 1, c[r - 1] = 3;
          } else {
            c[r - 2] = 3, c[r - 1] = 1;
          }
        }
      }
      break;
    case 5:
      if (r == 6) {
        c[0] = c[3] = ((J % 3) + 3) % 3;
        c[1] = c[4] = ((-J % 3) + 3) % 3;
      } else if (r == 7) {
        c[3] = c[5] = c[6] = J;
      }
      break;
    default:
      break;
  }
  return c.data();
}

namespace {

// Keeps v (reduced) when no element of its orbit is smaller; v has rank entries.
template <class OrbitOf>
const int* signClasses(int rank, int* count, OrbitOf orbitOf, const std::vector<int>& shift,
                       int factor, int modulus) {
  std::vector<int> classes;
  std::vector<int> x(rank, 0);
  std::vector<int> v(rank);
  for (long long step = 1;; ++step) {
    if (step % 256 == 0 && checkInterrupt() != 0) break;
    for (int i = 0; i < rank; ++i) v[i] = (((shift[i] + factor * x[i]) % modulus) + modulus) % modulus;
    int orbitCount = 0;
    const int* orbit = orbitOf(v.data(), &orbitCount);
    bool minimal = true;
    for (int e = 0; e < orbitCount && minimal; ++e) {
      if (lessVector(orbit + static_cast<std::size_t>(e) * rank, v.data(), rank)) minimal = false;
    }
    if (minimal) classes.insert(classes.end(), v.begin(), v.end());
    int i = rank - 1;
    while (i >= 0 && x[i] == 1) x[i--] = 0;
    if (i < 0) break;
    x[i] = 1;
  }
  std::vector<int>& out = state().classes;
  out = classes;
  *count = static_cast<int>(out.size() / rank);
  return out.data();
}

}  // namespace

const int* SignClasses(int type, int rank, int* count, int J) {
  *count = 0;
  if (rank < 1) return nullptr;
  int Z = 1;
  std::vector<int> c(rank, 0);
  if (J != 0) {
    Z = Center(type, rank);
    const int* cv = conjugacyClassVector(type, rank, J);
    c.assign(cv, cv + rank);
  }
  return signClasses(
      rank, count,
      [&](const int* v, int* n) { return WeylParityOrbit(type, rank, v, n, Z); }, c, Z, 2 * Z);
}

const int* DynkinSignClasses(int type, int rank, int* count) {
  *count = 0;
  if (rank < 1) return nullptr;
  if (rank <= kMostParityBits) {
    // Vectors in increasing order: the first one of an orbit met is its smallest element.
    const std::vector<std::uint64_t> flips = parityFlips(cartanView(type, rank), rank);
    ParitySet seen(rank);
    std::vector<std::uint64_t> orbit;
    std::vector<int>& out = state().classes;
    out.clear();
    const std::uint64_t total = std::uint64_t{1} << rank;
    for (std::uint64_t v = 0; v < total; ++v) {
      if (seen.contains(v)) continue;
      std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(rank));
      unpackParity(v, rank, out.data() + at);
      if (!dynkinParityOrbit(v, rank, flips, seen, orbit)) break;
    }
    *count = static_cast<int>(out.size() / rank);
    return out.data();
  }
  std::vector<int> zero(rank, 0);
  return signClasses(
      rank, count, [&](const int* v, int* n) { return DynkinWeylParityOrbit(type, rank, v, n); },
      zero, 1, 2);
}

int recognizeSubdiagram(const int* nodes, int n, int rank) {
  if (n == 1) return 2;
  const LieData& cartan = Zoq_lieData();
  if (n < 1 || cartan.cartanRank != rank) return -1;
  auto at = [&](int i, int j) { return cartan.CM[static_cast<std::size_t>(i) * (rank + 1) + j]; };
  int n6 = 0, n3 = 0, n2 = 0;
  for (int k = 0; k < n; ++k) {
    int rootNorm = cartan.rootnorm[nodes[k]];
    if (rootNorm == 6) ++n6;
    if (rootNorm == 3) ++n3;
    if (rootNorm == 2) ++n2;
  }
  int c1 = 0, c2 = 0, c3 = 0;
  int con[3] = {-1, -1, -1};
  if (n6 == n || n3 == n || n2 == n) {
    for (int k = 0; k < n; ++k) {
      int value = 0;
      for (int m = 0; m < n; ++m) value += at(nodes[k], nodes[m]);
      if (value == 2) return 2;
      if (value == 1) {
        for (int m = 0; m < n; ++m) {
          if (m != k && at(nodes[k], nodes[m]) != 0 && c1 < 3) con[c1] = nodes[m];
        }
        ++c1;
      } else if (value == 0) {
        ++c2;
      } else if (value == -1) {
        ++c3;
      }
    }
    if (c1 == 3) {
      bool distinct = con[0] != con[1] && con[0] != con[2] && con[1] != con[2];
      if (distinct) {
        if (n == 6) return 51840;
        if (n == 7) return 2903040;
        if (n == 8) return 696729600;
      } else {
        long long order = 1LL << (n - 1);
        for (int i = 2; i <= n; ++i) order *= i;
        if (order <= 2147483647LL) return static_cast<int>(order);
      }
    } else if (c1 == 2) {
      long long order = 1;
      for (int i = 2; i <= n + 1; ++i) order *= i;
      if (order <= 2147483647LL) return static_cast<int>(order);
    }
  } else {
    if (n2 == 1 && n6 == 1 && n == 2) return 12;
    if (n3 == 2 && n6 == 2 && n == 4) return 1152;
    if (n2 == 0 && ((n3 == 1 && n6 == n - 1) || (n3 == n - 1 && n6 == 1))) {
      long long order = 1LL << n;
      for (int i = 2; i <= n; ++i) order *= i;
      if (order <= 2147483647LL) return static_cast<int>(order);
    }
  }
  Alert("recognizeSubdiagram", 1, 212404, "Unrecognized Cartan matrix");
  Print("n6=%d; n3=%d; n2=%d; c1=%d; c2=%d; c3=%d; con[0]=%d; con[1]=%d; con[2]=%d\n", n6, n3, n2, c1,
        c2, c3, con[0], con[1], con[2]);
  return -1;
}

int WeylBoundaryMultiplicity(const int* lambda, int type, int rank) {
  const CartanView& cartan = cartanView(type, rank);
  Cartan(type, rank);  // recognizeSubdiagram reads the Lie module's current matrix
  std::vector<int> zeroes(rank + 1, 0);
  int remaining = 0;
  for (int i = 0; i <= rank; ++i) {
    if (lambda[i] == 0) zeroes[i] = 1, ++remaining;
  }
  long long result = 1;
  while (remaining > 0) {
    std::vector<int> component;
    for (int i = 0; i <= rank; ++i) {
      if (zeroes[i]) {
        component.push_back(i);
        zeroes[i] = 0;
        --remaining;
        break;
      }
    }
    bool added = true;
    while (added) {
      added = false;
      for (int i = 0; i <= rank; ++i) {
        if (!zeroes[i]) continue;
        for (int member : component) {
          if (cartan.at(i, member) != 0) {
            component.push_back(i);
            zeroes[i] = 0;
            --remaining;
            added = true;
            break;
          }
        }
      }
    }
    int order = recognizeSubdiagram(component.data(), static_cast<int>(component.size()), rank);
    if (order < 0) return -1;
    if (__builtin_mul_overflow(result, static_cast<long long>(order), &result) || result > 2147483647LL) {
      Alert("WeylBoundaryMultiplicity", 1, 112312, "Integer overflow");
      return -1;
    }
  }
  return static_cast<int>(result);
}

void resetWeylGroup() {
  WeylGroupState& s = state();
  s = WeylGroupState{};
}
