// The finite Weyl group and orbits of weights (see WeylGroup.h for the representation).
//
// Group elements are identified by the labels of w(rho). A group is only built up to
// 3,000,000 elements, which bounds the rank by 8 and every label of w(rho) by the height
// of the highest coroot (below 30), so the labels pack into one 64-bit key (8 bits each);
// an open-addressing table of such keys finds the row of a label vector.
#include "lie/WeylGroup.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "lie/LieAlgebra.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

AllocationAccount WeylGroup_alloc("Weyl group");

namespace {

constexpr std::uint64_t kEmptyKey = ~std::uint64_t{0};

// Row index of every label vector of the group, by its packed key.
class LabelIndex {
 public:
  void clear() {
    keys_.clear();
    rows_.clear();
    used_ = 0;
  }
  void reserve(long long expected) {
    std::size_t capacity = 16;
    while (capacity < static_cast<std::size_t>(expected) * 3 / 2 + 16) capacity *= 2;
    keys_.assign(capacity, kEmptyKey);
    rows_.assign(capacity, -1);
    used_ = 0;
  }
  // Row of key, or -1; insert = true stores value for a new key and returns -1.
  int find(std::uint64_t key, bool insert, int value) {
    std::size_t mask = keys_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(key * 0x9E3779B97F4A7C15ULL >> 17) & mask;
    while (keys_[slot] != kEmptyKey) {
      if (keys_[slot] == key) return rows_[slot];
      slot = (slot + 1) & mask;
    }
    if (insert) {
      keys_[slot] = key;
      rows_[slot] = value;
      ++used_;
    }
    return -1;
  }

 private:
  std::vector<std::uint64_t> keys_;
  std::vector<int> rows_;
  std::size_t used_ = 0;
};

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

struct WeylGroupState {
  WeylGroupCollection group;        // the cached group
  LabelIndex index;                 // row of each label vector of the group
  WeylOrbitList orbit;              // last WeylReflections result
  std::vector<int> parityOrbit;     // last parity orbit, rank ints per element
  std::vector<int> classVector;     // last conjugacyClassVector
  std::vector<int> classes;         // last sign-class list
};

WeylGroupState& state() {
  static WeylGroupState s;
  return s;
}

// A copy of the extended Cartan matrix and root norms of (type, rank), taken from the
// Lie module's buffers (which the next Cartan call with another key replaces).
struct CartanView {
  int rank = 0;
  std::vector<int> cm;
  std::vector<int> rootnorm;
  int at(int i, int j) const { return cm[static_cast<std::size_t>(i) * (rank + 1) + j]; }
};

CartanView cartanView(int type, int rank) {
  Cartan(type, rank);
  const LieData& data = Zoq_lieData();
  CartanView view;
  view.rank = rank;
  view.cm.assign(data.CM.begin(), data.CM.end());
  view.rootnorm.assign(data.rootnorm.begin(), data.rootnorm.end());
  const std::size_t needed = static_cast<std::size_t>(rank + 1) * (rank + 1);
  if (view.cm.size() < needed) view.cm.resize(needed, 0);
  if (view.rootnorm.size() < static_cast<std::size_t>(rank + 1)) view.rootnorm.resize(rank + 1, 6);
  return view;
}

bool validRank(int type, int rank) {
  if (rank < 1 || rank > 64) return false;
  if (type == 2 && rank < 2) return false;
  if (type == 4 && rank < 3) return false;
  if (type == 5 && rank != 2 && rank != 4 && rank != 6 && rank != 7 && rank != 8) return false;
  return true;
}

// Resets the group to "nothing built".
void clearGroup(WeylGroupState& s) {
  s.group = WeylGroupCollection{};
  s.index.clear();
}

bool lessVector(const int* a, const int* b, int n) {
  for (int i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
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
  std::vector<int> image(rank);
  bool grew = true;
  while (grew) {
    grew = false;
    for (int i = 0; i < rank; ++i) {
      for (std::size_t e = 0; e < s.parityOrbit.size() / rank; ++e) {
        std::vector<int> element(s.parityOrbit.begin() + e * rank,
                                 s.parityOrbit.begin() + (e + 1) * rank);
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

}  // namespace

const WeylGroupCollection* initWeylGroup(int type, int rank) {
  WeylGroupState& s = state();
  if (s.group.type == type && s.group.rank == rank && s.group.order > 0) return &s.group;
  long long order = (type >= 1 && type <= 5 && validRank(type, rank)) ? WeylGroupOrder(type, rank) : -1;
  if (order < 1) {
    Alert("InputError", 1, 112312, "Invalid input\nType=%d, Rank=%d, Level=%d\nRoutine: %s", type,
          rank, 1, "initWeylGroup");
    return nullptr;
  }
  if (order > kWeylGroupMaximum) {
    Alert("initWeylGroup", 1, 520313, "Weyl group size too large (size %lld, maximum %lld) ", order,
          kWeylGroupMaximum);
    return nullptr;
  }
  clearGroup(s);
  const CartanView cartan = cartanView(type, rank);
  WeylGroupCollection& g = s.group;
  g.rank = rank;
  const int width = rank + 2;
  g.rows.reserve(static_cast<std::size_t>(order) * width);
  s.index.reserve(order);
  std::vector<int> first(width, 1);
  first[rank] = -1;
  first[rank + 1] = -1;
  g.rows.insert(g.rows.end(), first.begin(), first.end());
  std::uint64_t key = 0;
  packLabels(first.data(), rank, &key);
  s.index.find(key, true, 0);
  std::vector<int> image(width);
  for (std::size_t k = 0; k < g.rows.size() / width; ++k) {
    for (int i = 0; i < rank; ++i) {
      if (g.rows[k * width + rank + 1] == i) continue;
      const int* labels = &g.rows[k * width];
      for (int j = 0; j < rank; ++j) image[j] = labels[j] - cartan.at(i, j) * labels[i];
      image[rank] = static_cast<int>(k);
      image[rank + 1] = i;
      if (!packLabels(image.data(), rank, &key)) continue;
      int rowCount = static_cast<int>(g.rows.size() / width);
      if (s.index.find(key, true, rowCount) < 0) g.rows.insert(g.rows.end(), image.begin(), image.end());
    }
  }
  g.type = type;
  g.order = order;
  if (order >= 10001) PrintStdout("Initialization finished\n");
  return &g;
}

int* WeylReflection(int type, int rank, const int* lambda, int* out, int i) {
  const CartanView cartan = cartanView(type, rank);
  if (i < 0 || i > rank) return out;
  const int li = lambda[i];
  for (int j = 0; j < rank; ++j) out[j] = lambda[j] - cartan.at(i, j) * li;
  return out;
}

int* WeylReflectionInRootBasis(int type, int rank, const int* beta, int* out, int i) {
  const CartanView cartan = cartanView(type, rank);
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
  const CartanView cartan = cartanView(type, rank);
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

int WeylMultiply(int type, int rank, int a, int b) {
  const WeylGroupCollection* g = initWeylGroup(type, rank);
  if (g == nullptr) return -1;
  if (a < 0 || b < 0 || a >= g->count() || b >= g->count()) {
    Alert("WeylMultiply", 1, 212404, "Element not found");
    return -1;
  }
  std::vector<int> word;
  for (int k = a; k > 0; k = g->parent(k)) word.push_back(g->reflection(k));
  std::vector<int> labels(g->row(b), g->row(b) + rank);
  std::vector<int> image(rank);
  const CartanView cartan = cartanView(type, rank);
  // w_a = t_1 t_2 ... t_m with t_1 recorded first; apply t_m first.
  for (auto it = word.rbegin(); it != word.rend(); ++it) {
    const int t = *it;
    for (int j = 0; j < rank; ++j) image[j] = labels[j] - cartan.at(t, j) * labels[t];
    labels.swap(image);
  }
  std::uint64_t key = 0;
  int found = packLabels(labels.data(), rank, &key) ? state().index.find(key, false, 0) : -1;
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
  return parityOrbit(rank, lambda, count, 2, [&](const int* in, int* out, int i) {
    WeylReflection(type, rank, in, out, i);
  });
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
  while (true) {
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
  const CartanView cartan = cartanView(type, rank);
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
