// Symmetries of a tensor product: permutations of identical factors (the same stored
// theory with the same G/H flag) combined with outer automorphisms of the factors.
//
// Representation. A factor's outer automorphisms are the rows of its "Current Outer
// Automorphism" collection: row r gives the image of each of the factor's simple
// currents (fields 0 .. |G|-1 of the factor). A tensor outer automorphism is one row
// index per factor; a permutation lists, for every position, the factor it takes its
// label from. A symmetry (a, p) that maps every current of the extension into the chiral
// algebra acts on the extension's simple currents as an automorphism of CurrentGroup, so
// the images of the basis currents determine all others; those basis images are kept per
// symmetry, and single images are cached per registered current.
//
// Life. The rows live in the record and are valid while SymmetryFlag is 1 (every change
// of the record clears it). The caches are module state, tied to the record that
// initialised them, and restored by resetCosetPermutations.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "collections/VectorSpace.h"
#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "groups/Permutations.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "tensor/Coset.h"
#include "tensor/CosetInternal.h"

namespace {

// Rows of CurrentPermutations at most.
constexpr int kMaximalCurrentPermutationRows = 1000;
// With this many factor permutations an automorphism is first tested modulo permutations.
constexpr int kPermutationPretestThreshold = 26;

// The current-image cache of one kind of symmetry list.
struct PermutationCache {
  TensorProduct* record = nullptr;  // the record that initialised it; nullptr: none
  int symmetries = 0;               // all symmetries of the list
  int storedSymmetries = 0;         // columns of the cache ("Maxperm" at most)
  int storedCurrents = 0;           // rows of the cache ("Maxcurrent" at most)
  int nextRow = 0;
  std::vector<int> registerRow;     // per simple current its cache row, -1 none
  // Per symmetry the field of the image of every basis current ("BasicPermutations").
  std::vector<int> basicPermutations;
  int basisSize = 0;
  VectorSpace* cache = nullptr;
  std::vector<int> unknownRow;  // a row of the cache before any image is known
  // What the basic permutations were made from: they are made again unless the record,
  // its current group and the symmetry lists (their generation) are the same.
  const TensorProduct* preparedRecord = nullptr;
  const DGType* preparedGroup = nullptr;
  std::uint64_t preparedGeneration = 0;
  // The cache last announced ("Allocated ..."): a cache set up again for the same record,
  // symmetry lists and shape is the same allocation, and is not announced twice (the
  // symmetrisation and the invariant enumeration each set it up in turn).
  const TensorProduct* announcedRecord = nullptr;
  std::uint64_t announcedGeneration = 0;
  long long announcedSymmetries = -1;
  long long announcedCurrents = -1;
};

struct CosetPermutationsState {
  int IgnoreOuterAutomorphims = 0;
  // Counts the makings of symmetry lists (outer automorphisms, permutations, pairs).
  std::uint64_t generation = 1;
  PermutationCache symmetryCache;
  PermutationCache extensionCache;
  // The cache of the extension variant (the record's own one serves the symmetries).
  VectorSpace extensionSpace{100, "Tensor Current Permutations (extension)", &TensorProductAccount};
};

CosetPermutationsState& state() {
  static CosetPermutationsState s;
  return s;
}

int intSetting(const char* name, int fallback) {
  const InternalParameter* parameter = findInternalParameter(name);
  if (parameter == nullptr) return fallback;
  const int* value = getIntParPointer(name);
  return value != nullptr ? *value : fallback;
}

const int* rowOf(const VectorSpace& space, int i) {
  return space.Space + static_cast<std::size_t>(i) * static_cast<std::size_t>(space.rowsize);
}

int factorAutomorphismCount(const SpectrumData* sd) {
  return sd->automorphisms != nullptr ? sd->automorphisms->Nfill : 0;
}

// Image of label under automorphism row r of factor sd; -1 when the row does not reach it.
int factorAutomorphismImage(const SpectrumData* sd, int r, int label) {
  if (r == 0) return label;
  const VectorSpace* space = sd->automorphisms;
  if (space == nullptr || r < 0 || r >= space->Nfill) return -1;
  const int width = factorGroupOrder(sd);
  if (label < 0 || label >= width || width > space->rowsize) return -1;
  return rowOf(*space, r)[label];
}

// Appends a row to a searchable collection (row holds the entries, the links follow).
// False after the collection's own alert when it refuses to grow.
bool offer(VectorSpace* space, std::vector<int>& row) {
  row.resize(static_cast<std::size_t>(space->rowsize), -1);
  return addVectorToCollection(space, row.data()) != nullptr;
}

// Image of a row of n labels (plus, with resolution, the label behind them) under
// automorphism row a followed by permutation row p (either may be -1: not applied).
std::vector<int> applySymmetry(TensorProduct* TP, int a, int p, const int* labels, bool resolution) {
  const int n = TP->NumberOfFactors;
  std::vector<int> out(labels, labels + n + (resolution ? 1 : 0));
  if (a >= 0) {
    const int* aut = rowOf(TP->OuterAutomorphisms, a);
    for (int i = 0; i < n; ++i) {
      out[static_cast<std::size_t>(i)] =
          factorAutomorphismImage(TP->TensorFactors[static_cast<std::size_t>(i)], aut[i], labels[i]);
    }
  }
  if (p >= 0) {
    const int* perm = rowOf(TP->FullPermutations, p);
    std::vector<int> permuted = out;
    for (int i = 0; i < n; ++i) permuted[static_cast<std::size_t>(i)] = out[static_cast<std::size_t>(perm[i])];
    out = permuted;
  }
  return out;
}

bool containsUnreached(const std::vector<int>& row, int n) {
  return std::any_of(row.begin(), row.begin() + n, [](int x) { return x < 0; });
}

// applySymmetry into out (room for n + extra ints) without allocating: the n labels (and
// `extra` labels after them, kept) under automorphism row a and then permutation row p;
// false when a label is not reached.
bool symmetryImage(TensorProduct* TP, int a, int p, const int* labels, int extra, int* out) {
  const int n = TP->NumberOfFactors;
  const int* aut = a >= 0 ? rowOf(TP->OuterAutomorphisms, a) : nullptr;
  const int* perm = p >= 0 ? rowOf(TP->FullPermutations, p) : nullptr;
  bool reached = true;
  for (int i = 0; i < n; ++i) {
    const int from = perm != nullptr ? perm[i] : i;
    const int label = aut != nullptr ? factorAutomorphismImage(TP->TensorFactors[static_cast<std::size_t>(from)],
                                                               aut[from], labels[from])
                                     : labels[from];
    out[i] = label;
    reached = reached && label >= 0;
  }
  for (int i = n; i < n + extra; ++i) out[i] = labels[i];
  return reached;
}

struct LabelRowHash {
  std::size_t operator()(const std::vector<int>& row) const noexcept {
    std::uint64_t h = 1469598103934665603ULL;
    for (int x : row) {
      h ^= static_cast<std::uint32_t>(x);
      h *= 1099511628211ULL;
    }
    return static_cast<std::size_t>(h);
  }
};

// Answers of a pure look-up by label row, each row asked once. Rows of small labels are
// known by one packed key in an open-addressing table; others by the row itself.
class LabelRowMemo {
 public:
  explicit LabelRowMemo(int width) : width_(width), bits_(width > 0 ? std::min(64 / width, 31) : 0) {}

  // The answer for row (width ints), from lookup(row) the first time it is asked.
  template <class Lookup>
  int answer(const int* row, Lookup lookup) {
    std::uint64_t key = 0;
    if (!pack(row, &key)) {
      std::vector<int> whole(row, row + width_);
      const auto known = others_.find(whole);
      if (known != others_.end()) return known->second;
      const int value = lookup(row);
      others_.emplace(std::move(whole), value);
      return value;
    }
    if (2 * (count_ + 1) > slots_.size()) grow();
    std::size_t slot = place(key);
    if (slots_[slot].used) return slots_[slot].value;
    const int value = lookup(row);
    slots_[slot] = Slot{key, value, true};
    ++count_;
    return value;
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    int value = 0;
    bool used = false;
  };

  bool pack(const int* row, std::uint64_t* key) const {
    if (bits_ < 1) return false;
    std::uint64_t word = 0;
    for (int i = 0; i < width_; ++i) {
      if (row[i] < 0 || (static_cast<std::uint64_t>(row[i]) >> bits_) != 0) return false;
      word = (word << bits_) | static_cast<std::uint64_t>(row[i]);
    }
    *key = word;
    return true;
  }

  // The slot of key, or the free slot where it belongs.
  std::size_t place(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & mask;
    while (slots_[slot].used && slots_[slot].key != key) slot = (slot + 1) & mask;
    return slot;
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(64, 2 * old.size()), Slot{});
    for (const Slot& entry : old) {
      if (entry.used) slots_[place(entry.key)] = entry;
    }
  }

  int width_ = 0;
  int bits_ = 0;
  std::size_t count_ = 0;
  std::vector<Slot> slots_;
  std::unordered_map<std::vector<int>, int, LabelRowHash> others_;
};

// Field of spectrum row f under (a, p), quietly -1 when a label is not reached.
int imageField(TensorProduct* TP, int a, int p, int f) {
  if (f < 0 || f >= TP->Spectrum.size()) return -1;
  std::vector<int> image = applySymmetry(TP, a, p, TP->Spectrum.row(f), true);
  if (containsUnreached(image, TP->NumberOfFactors)) return -1;
  return findOrbit(TP, image.data(), nullptr);
}

// The symmetry (a, p) of number s in one of the two lists.
bool symmetryOf(TensorProduct* TP, bool extension, int s, int* a, int* p) {
  if (extension) {
    const int P = TP->FullPermutations.Nfill;
    if (P == 0 || s < 0 || s >= P * TP->OuterAutomorphisms.Nfill) return false;
    *a = s / P;
    *p = s % P;
    return true;
  }
  if (s < 0 || s >= TP->AutomorphismsTimesPermutations.Nfill) return false;
  const int* row = rowOf(TP->AutomorphismsTimesPermutations, s);
  *a = row[0];
  *p = row[1];
  return true;
}

int symmetryCount(TensorProduct* TP, bool extension) {
  return extension ? TP->OuterAutomorphisms.Nfill * TP->FullPermutations.Nfill
                   : TP->AutomorphismsTimesPermutations.Nfill;
}

PermutationCache& cacheOf(bool extension) {
  return extension ? state().extensionCache : state().symmetryCache;
}

// The answer for a label row (a basis current's, a current's) under the symmetries of one
// automorphism: the row rearranged by each permutation. Permutations only exchange
// identical factors, so where the row has the label that is most common in a class of
// identical factors it keeps it; the image is known from where the few other positions D
// go (the inverse permutation on D), which is the key of a table of answers.
class RearrangedRow {
 public:
  // False when the answers cannot be keyed (D too large, or permutations that leave a
  // class): the caller looks each image up.
  bool prepare(const int* row, int n, int extra, const std::vector<int>& classOf, bool classPreserving) {
    row_.assign(row, row + n + extra);
    reached_ = std::all_of(row, row + n, [](int x) { return x >= 0; });
    background_.assign(static_cast<std::size_t>(n), 0);
    moved_.clear();
    answers_.clear();
    if (!classPreserving) return false;
    // How often each position's label occurs in its class; the class keeps the label of
    // its first position of the greatest count.
    std::vector<int> count(static_cast<std::size_t>(n), 0);
    for (int j = 0; j < n; ++j) {
      for (int m = 0; m < n; ++m) {
        if (classOf[static_cast<std::size_t>(m)] == classOf[static_cast<std::size_t>(j)] && row[m] == row[j])
          ++count[static_cast<std::size_t>(j)];
      }
    }
    for (int i = 0; i < n; ++i) {
      const int first = classOf[static_cast<std::size_t>(i)];
      int lead = first;
      for (int j = first + 1; j < n; ++j) {
        const std::size_t uj = static_cast<std::size_t>(j);
        if (classOf[uj] == first && count[uj] > count[static_cast<std::size_t>(lead)]) lead = j;
      }
      background_[static_cast<std::size_t>(i)] = row[lead];
      if (row[i] != row[lead]) moved_.push_back(i);
    }
    std::size_t keys = 1;
    for (std::size_t t = 0; t < moved_.size(); ++t) {
      keys *= static_cast<std::size_t>(n);
      if (keys > kMaximalKeys) return false;
    }
    answers_.assign(keys, kUnknown);
    return true;
  }

  // The answer for the row rearranged by the permutation of inverse `inverse` (-1 when
  // the row has a label that is not reached).
  template <class Find>
  int field(const int* inverse, std::vector<int>& image, Find find) {
    if (!reached_) return -1;
    const std::size_t n = background_.size();
    std::size_t key = 0;
    for (std::size_t t = moved_.size(); t-- > 0;) key = key * n + static_cast<std::size_t>(inverse[moved_[t]]);
    int& answer = answers_[key];
    if (answer != kUnknown) return answer;
    std::copy(background_.begin(), background_.end(), image.begin());
    for (int d : moved_) image[static_cast<std::size_t>(inverse[d])] = row_[static_cast<std::size_t>(d)];
    std::copy(row_.begin() + static_cast<std::ptrdiff_t>(n), row_.end(), image.begin() + static_cast<std::ptrdiff_t>(n));
    answer = find(image.data());
    return answer;
  }

 private:
  static constexpr std::size_t kMaximalKeys = std::size_t{1} << 16;
  static constexpr int kUnknown = -2;
  std::vector<int> row_, background_, moved_, answers_;
  bool reached_ = false;
};

// The n labels under automorphism row aut (nullptr: none) into out.
void automorphLabels(const TensorProduct* TP, const int* aut, const int* labels, int* out) {
  for (int i = 0; i < TP->NumberOfFactors; ++i) {
    out[i] = aut != nullptr ? factorAutomorphismImage(TP->TensorFactors[static_cast<std::size_t>(i)], aut[i], labels[i])
                            : labels[i];
  }
}

// The classes of identical factors: classOf[i] is the first factor like i.
std::vector<int> classesOfFactors(const TensorProduct* TP) {
  const int n = TP->NumberOfFactors;
  std::vector<int> classOf(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    int first = 0;
    while (TP->TensorFactors[static_cast<std::size_t>(first)] != TP->TensorFactors[static_cast<std::size_t>(i)] ||
           TP->GH[static_cast<std::size_t>(first)] != TP->GH[static_cast<std::size_t>(i)])
      ++first;
    classOf[static_cast<std::size_t>(i)] = first;
  }
  return classOf;
}

// classesOfFactors, and whether every permutation of the list keeps the classes.
bool factorClasses(const TensorProduct* TP, std::vector<int>& classOf) {
  const int n = TP->NumberOfFactors;
  classOf = classesOfFactors(TP);
  for (int p = 0; p < TP->FullPermutations.Nfill; ++p) {
    const int* perm = rowOf(TP->FullPermutations, p);
    for (int i = 0; i < n; ++i) {
      if (perm[i] < 0 || perm[i] >= n || classOf[static_cast<std::size_t>(perm[i])] != classOf[static_cast<std::size_t>(i)])
        return false;
    }
  }
  return true;
}

// The inverse of permutation row p (the identity for p < 0 or when `valid` is false).
void inversePermutation(const TensorProduct* TP, int p, bool valid, std::vector<int>& inverse) {
  const int n = TP->NumberOfFactors;
  const int* perm = p >= 0 && valid ? rowOf(TP->FullPermutations, p) : nullptr;
  for (int i = 0; i < n; ++i) inverse[static_cast<std::size_t>(perm != nullptr ? perm[i] : i)] = i;
}

// CheckAutomorphismTimesPermutation for many symmetries, each image row looked up once:
// under one automorphism a current's images are its automorphed row rearranged.
// setAutomorphism(a) comes before keeps(a, p) for each new automorphism row a.
class AlgebraKeepingTest {
 public:
  explicit AlgebraKeepingTest(TensorProduct* TP)
      : TP_(TP),
        n_(TP->NumberOfFactors),
        currents_(TP->Currents.size()),
        inAlgebra_(TP->NumberOfFactors),
        image_(static_cast<std::size_t>(n_)),
        automorphed_(static_cast<std::size_t>(n_)),
        inverse_(static_cast<std::size_t>(n_)),
        rearranged_(static_cast<std::size_t>(currents_)),
        keyed_(static_cast<std::size_t>(currents_), 0) {
    classPreserving_ = factorClasses(TP, classOf_);
  }

  void setAutomorphism(int a) {
    const int* aut = rowOf(TP_->OuterAutomorphisms, a);
    for (int r = 0; r < currents_; ++r) {
      automorphLabels(TP_, aut, TP_->Currents.row(r), automorphed_.data());
      keyed_[static_cast<std::size_t>(r)] =
          rearranged_[static_cast<std::size_t>(r)].prepare(automorphed_.data(), n_, 0, classOf_, classPreserving_)
              ? 1
              : 0;
    }
  }

  bool keeps(int a, int p) {
    const auto inChiralAlgebra = [this](const int* row) {
      return inAlgebra_.answer(row, [this](const int* r) { return TP_->ChiralAlgebra.find(r) >= 0 ? 1 : 0; });
    };
    inversePermutation(TP_, p, classPreserving_, inverse_);
    for (int r = 0; r < currents_; ++r) {
      if (keyed_[static_cast<std::size_t>(r)] != 0) {
        if (rearranged_[static_cast<std::size_t>(r)].field(inverse_.data(), image_, inChiralAlgebra) <= 0)
          return false;
        continue;
      }
      if (!symmetryImage(TP_, a, p, TP_->Currents.row(r), 0, image_.data())) return false;
      if (inChiralAlgebra(image_.data()) == 0) return false;
    }
    return true;
  }

 private:
  TensorProduct* TP_;
  int n_;
  int currents_;
  LabelRowMemo inAlgebra_;
  std::vector<int> image_, automorphed_, classOf_, inverse_;
  std::vector<RearrangedRow> rearranged_;
  std::vector<char> keyed_;
  bool classPreserving_ = false;
};

void prepareBasicPermutations(TensorProduct* TP, bool extension) {
  PermutationCache& c = cacheOf(extension);
  const DGType* group = TP->CurrentGroup != nullptr ? TP->CurrentGroup : DG_trivial();
  const int k = group->order > 1 ? group->nfactors : 0;
  const int total = symmetryCount(TP, extension);
  c.basisSize = k;
  c.basicPermutations.assign(static_cast<std::size_t>(total) * static_cast<std::size_t>(k), -1);
  // Marked prepared only once every image is in (a stop leaves it unprepared).
  c.preparedRecord = nullptr;
  // Many symmetries take a basis current to the same labels: each label row is looked up
  // once (imageField's answer).
  const int n = TP->NumberOfFactors;
  const std::size_t width = static_cast<std::size_t>(n) + 1;
  LabelRowMemo fields(static_cast<int>(width));
  const auto find = [&](const int* row) { return fields.answer(row, [&](const int* r) { return findOrbit(TP, r, nullptr); }); };
  std::vector<int> classOf;
  const bool classPreserving = factorClasses(TP, classOf);
  // The basis currents' label rows under the automorphism of the symmetry at hand (and
  // the label behind them), made again when it changes; the permutation then only
  // rearranges them (symmetryImage).
  std::vector<int> automorphed(width);
  std::vector<RearrangedRow> rearranged(static_cast<std::size_t>(k));
  std::vector<char> usable(static_cast<std::size_t>(k), 0);
  std::vector<char> keyed(static_cast<std::size_t>(k), 0);
  std::vector<int> image(width), inverse(static_cast<std::size_t>(n));
  // The list of the extension holds every pair, also those that take a current of an
  // extended product out of its chiral algebra: such a pair maps no field of the
  // extension to a field, and its images stay -1.
  const bool testKeeping = extension && TP->Currents.size() > 0;
  std::optional<AlgebraKeepingTest> keeping;
  if (testKeeping) keeping.emplace(TP);
  bool automorphismPossible = true;
  int automorphism = -2;
  for (int s = 0; s < total; ++s) {
    obeyInterruptRequest();
    int a = 0;
    int p = 0;
    if (!symmetryOf(TP, extension, s, &a, &p)) continue;
    if (a != automorphism) {
      automorphism = a;
      if (testKeeping) {
        automorphismPossible = CheckAutomorphismModuloPermutations(TP, a) != 0;
        if (automorphismPossible) keeping->setAutomorphism(a);
      }
      const int* aut = a >= 0 ? rowOf(TP->OuterAutomorphisms, a) : nullptr;
      for (int j = 0; j < k; ++j) {
        const int f = DG_basis(group, j);
        usable[static_cast<std::size_t>(j)] = f >= 0 && f < TP->Spectrum.size() ? 1 : 0;
        if (usable[static_cast<std::size_t>(j)] == 0) continue;
        const int* labels = TP->Spectrum.row(f);
        automorphLabels(TP, aut, labels, automorphed.data());
        automorphed[static_cast<std::size_t>(n)] = labels[n];
        keyed[static_cast<std::size_t>(j)] =
            rearranged[static_cast<std::size_t>(j)].prepare(automorphed.data(), n, 1, classOf, classPreserving) ? 1 : 0;
      }
    }
    if (testKeeping && (!automorphismPossible || !keeping->keeps(a, p))) continue;
    inversePermutation(TP, p, classPreserving, inverse);
    for (int j = 0; j < k; ++j) {
      int field = -1;
      if (usable[static_cast<std::size_t>(j)] != 0) {
        if (keyed[static_cast<std::size_t>(j)] != 0) {
          field = rearranged[static_cast<std::size_t>(j)].field(inverse.data(), image, find);
        } else if (symmetryImage(TP, a, p, TP->Spectrum.row(DG_basis(group, j)), 1, image.data())) {
          field = find(image.data());
        }
      }
      c.basicPermutations[static_cast<std::size_t>(s) * k + j] = field;
    }
  }
  c.preparedRecord = TP;
  c.preparedGroup = TP->CurrentGroup;
  c.preparedGeneration = state().generation;
}

// Bases of at most this many elements are worked on the stack.
constexpr int kStackBasis = 64;

int imageFromBasis(TensorProduct* TP, bool extension, int s, int current) {
  PermutationCache& c = cacheOf(extension);
  const DGType* group = TP->CurrentGroup != nullptr ? TP->CurrentGroup : DG_trivial();
  if (current < 0 || current >= group->order) return -1;
  if (group->order == 1) return 0;
  const int k = c.basisSize;
  if (s < 0 || static_cast<std::size_t>(s + 1) * k > c.basicPermutations.size()) return -1;
  // The components from the group's table of them where it has one (the same numbers as
  // DG_decomp's divisions), summed on the stack and reduced once when the sums stay small.
  // Sums of k products of two components stay far inside 64 bits for factors below 2^24.
  bool table = group->decomp != nullptr && k <= group->nfactors && k <= kStackBasis;
  for (int j = 0; j < k && table; ++j) table = group->factors[j] > 0 && group->factors[j] <= (1 << 24);
  if (table) {
    const std::size_t width = static_cast<std::size_t>(group->nfactors);
    const int* digits = group->decomp + static_cast<std::size_t>(current) * width;
    // A basis current's image is the kept one.
    int unit = -1;
    for (int b = 0; b < k; ++b) {
      if (digits[b] == 0) continue;
      if (digits[b] != 1 || unit >= 0) {
        unit = -2;
        break;
      }
      unit = b;
    }
    for (std::size_t j = static_cast<std::size_t>(k); j < width && unit >= 0; ++j) {
      if (digits[j] != 0) unit = -2;
    }
    if (unit >= 0) {
      const int image = c.basicPermutations[static_cast<std::size_t>(s) * k + unit];
      return image >= 0 && image < group->order ? image : -1;
    }
    long long comps[kStackBasis] = {};
    int reduced[kStackBasis] = {};
    for (int b = 0; b < k; ++b) {
      const int exponent = digits[b];
      if (exponent == 0) continue;
      const int image = c.basicPermutations[static_cast<std::size_t>(s) * k + b];
      if (image < 0 || image >= group->order) return -1;
      const int* parts = group->decomp + static_cast<std::size_t>(image) * width;
      for (int j = 0; j < k; ++j) comps[j] += static_cast<long long>(exponent) * parts[j];
    }
    for (int j = 0; j < k; ++j) reduced[j] = static_cast<int>(comps[j] % group->factors[j]);
    return DG_findElement(group, reduced);
  }
  std::vector<long long> comps(static_cast<std::size_t>(k), 0);
  for (int b = 0; b < k; ++b) {
    const int exponent = DG_decomp(group, current, b);
    if (exponent == 0) continue;
    const int image = c.basicPermutations[static_cast<std::size_t>(s) * k + b];
    if (image < 0 || image >= group->order) return -1;
    for (int j = 0; j < k; ++j) {
      comps[static_cast<std::size_t>(j)] =
          (comps[static_cast<std::size_t>(j)] + static_cast<long long>(exponent) * DG_decomp(group, image, j)) %
          group->factors[j];
    }
  }
  std::vector<int> reduced(comps.begin(), comps.end());
  return DG_findElement(group, reduced.data());
}

// imageFromBasis of every current 0 .. order-1 into out. With the component table each
// current is a basis current added to a smaller one (its first non-zero component
// lowered by one), and so is its image: one addition a current.
void imageRowFromBasis(TensorProduct* TP, bool extension, int s, int* out) {
  PermutationCache& c = cacheOf(extension);
  const DGType* group = TP->CurrentGroup != nullptr ? TP->CurrentGroup : DG_trivial();
  const int order = group->order;
  const int k = c.basisSize;
  bool table = order > 1 && group->decomp != nullptr && k == group->nfactors && s >= 0 &&
               static_cast<std::size_t>(s + 1) * k <= c.basicPermutations.size();
  for (int j = 0; j < k && table; ++j) table = group->factors[j] > 0;
  if (!table) {
    for (int J = 0; J < order; ++J) out[J] = imageFromBasis(TP, extension, s, J);
    return;
  }
  const std::size_t uk = static_cast<std::size_t>(k);
  const int* basic = c.basicPermutations.data() + static_cast<std::size_t>(s) * uk;
  out[0] = 0;
  for (int J = 1; J < order; ++J) {
    const int* digits = group->decomp + static_cast<std::size_t>(J) * uk;
    int b = 0;
    while (digits[b] == 0) ++b;
    const int parent = out[J - DG_basis(group, b)];
    const int step = basic[b];
    if (parent < 0 || step < 0 || step >= order) {
      out[J] = -1;
      continue;
    }
    const int* x = group->decomp + static_cast<std::size_t>(parent) * uk;
    const int* y = group->decomp + static_cast<std::size_t>(step) * uk;
    int image = 0;
    for (int j = k - 1; j >= 0; --j) {
      long long v = static_cast<long long>(x[j]) + y[j];
      if (v >= group->factors[j]) v -= group->factors[j];
      image = image * group->factors[j] + static_cast<int>(v);
    }
    out[J] = image;
  }
}

int initializeCache(TensorProduct* TP, bool extension) {
  PermutationCache& c = cacheOf(extension);
  const int total = symmetryCount(TP, extension);
  const int maxPerm = intSetting("Maxperm", 100000);
  const int maxCurrent = intSetting("Maxcurrent", 1000);
  // Set up only once the basic images are in: a stop on the way leaves no half cache.
  c.record = nullptr;
  c.symmetries = total;
  c.storedSymmetries = total;
  if (total > maxPerm) {
    Alert("CT_getCurrentPermutation", 0, 100201, "Only %d permutations are stored", maxPerm);
    c.storedSymmetries = maxPerm;
  }
  c.storedCurrents = TP->NumberOfSimpleCurrents;
  if (c.storedCurrents > maxCurrent) {
    Alert("CT_getCurrentPermutation", 1, 100201, "Permutations stored for only %d (out of %d) currents",
          maxCurrent, c.storedCurrents);
    c.storedCurrents = maxCurrent;
  }
  c.registerRow.assign(static_cast<std::size_t>(std::max(TP->NumberOfSimpleCurrents, 0)), -1);
  c.nextRow = 0;
  c.cache = extension ? &state().extensionSpace : &TP->CurrentPermutationCache;
  const bool announced = c.announcedRecord == TP && c.announcedGeneration == state().generation &&
                         c.announcedSymmetries == c.storedSymmetries && c.announcedCurrents == c.storedCurrents;
  if (static_cast<long long>(c.storedSymmetries) * c.storedCurrents >= 10001 && !announced) {
    Print("Allocated %d x %d integers for CurrPerms\n", c.storedSymmetries, c.storedCurrents);
    c.announcedRecord = TP;
    c.announcedGeneration = state().generation;
    c.announcedSymmetries = c.storedSymmetries;
    c.announcedCurrents = c.storedCurrents;
  }
  // Rows are added as currents are registered: most runs ask for few of them.
  c.unknownRow.clear();
  if (c.storedSymmetries > 0 && SetVectorSpace(c.cache, c.storedSymmetries, 1) != nullptr) {
    c.unknownRow.assign(static_cast<std::size_t>(c.storedSymmetries), -1);
  } else {
    c.storedCurrents = 0;
  }
  // The symmetrised record asks again for the images made while it was symmetrised.
  const bool prepared = TP->SymmetryFlag == 1 && c.preparedRecord == TP && c.preparedGroup == TP->CurrentGroup &&
                        c.preparedGeneration == state().generation &&
                        c.basicPermutations.size() == static_cast<std::size_t>(total) * static_cast<std::size_t>(c.basisSize);
  if (!prepared) prepareBasicPermutations(TP, extension);
  c.record = TP;
  return total;
}

int cachedPermutation(TensorProduct* TP, bool extension, int s, int J) {
  if (s == -1) return initializeCache(TP, extension);
  PermutationCache& c = cacheOf(extension);
  if (c.record != TP) {
    Alert("CT_getCurrentPermutation", 2, 112415, "Unexpected initialization error");
    return -1;
  }
  if (s < 0 || s >= c.symmetries || J < 0 || J >= static_cast<int>(c.registerRow.size())) return -1;
  int& row = c.registerRow[static_cast<std::size_t>(J)];
  if (row < 0 && c.nextRow < c.storedCurrents) {
    if (addNewVectorToSpace(c.cache, c.unknownRow.data()) != nullptr) {
      row = c.nextRow++;
    } else {
      c.storedCurrents = c.nextRow;  // the cache cannot grow: further currents are computed
    }
  }
  if (row < 0 || s >= c.storedSymmetries) return imageFromBasis(TP, extension, s, J);
  int* entry = c.cache->Space + static_cast<std::size_t>(row) * c.cache->rowsize + s;
  if (*entry == -1) *entry = imageFromBasis(TP, extension, s, J);
  return *entry;
}

// Odometer step, the last digit fastest; false after the last tuple.
bool nextDigits(std::vector<int>& digits, const std::vector<int>& limits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (++digits[i] < limits[i]) return true;
    digits[i] = 0;
  }
  return false;
}

// The spectrum the symmetries act on; false when it cannot be had.
bool spectrumReady(TensorProduct* TP) {
  if (TP->NumberOfFactors == 0) return false;
  if (TP->SpectrumChanged != 0 && computeTensorSpectrum(TP) < 0) return false;
  return TP->SpectrumChanged == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------

void setIgnoreOuterAutomorphisms(int flag) { state().IgnoreOuterAutomorphims = flag; }

void resetCosetPermutations() {
  CosetPermutationsState& s = state();
  s.IgnoreOuterAutomorphims = 0;
  s.symmetryCache = PermutationCache{};
  s.extensionCache = PermutationCache{};
}

int loadOuterAutomorphisms(TensorProduct* TP) {
  const int n = TP->NumberOfFactors;
  std::vector<int> limits(static_cast<std::size_t>(n), 1);
  bool conjugationFixed = false;
  for (int i = 0; i < n; ++i) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(i)];
    const int count = factorAutomorphismCount(sd);
    int& limit = limits[static_cast<std::size_t>(i)];
    limit = state().IgnoreOuterAutomorphims != 0 ? 1 : count;
    // An overall conjugation is one symmetry, not one per factor: fix it on the first
    // complex factor.
    if (!conjugationFixed && sd->complex == 1 && count == 2) {
      limit = 1;
      conjugationFixed = true;
    }
  }
  VectorSpace* space = &TP->OuterAutomorphisms;
  ++state().generation;
  initVectorCollection(space, n, 1500);
  if (std::any_of(limits.begin(), limits.end(), [](int x) { return x < 1; })) return 0;
  if (n == 0) return 0;
  std::vector<int> digits(static_cast<std::size_t>(n), 0);
  do {
    std::vector<int> row = digits;
    if (!offer(space, row)) break;
  } while (nextDigits(digits, limits));
  return space->Nfill;
}

namespace {

// The rows to make room for at once: the product of the classes' factorials (generated
// for at most kMaximalGeneratedObjects objects), at least 100 and at most 2^22.
int expectedPermutationCount(const TensorProduct* TP) {
  const std::vector<int> classOf = classesOfFactors(TP);
  long long rows = 1;
  for (std::size_t i = 0; i < classOf.size(); ++i) {
    if (classOf[i] != static_cast<int>(i)) continue;
    const int size = static_cast<int>(std::count(classOf.begin(), classOf.end(), classOf[i]));
    for (int f = 2; f <= std::min(size, kMaximalGeneratedObjects) && rows <= (1 << 22); ++f) rows *= f;
  }
  return static_cast<int>(std::clamp<long long>(rows, 100, 1 << 22));
}

}  // namespace

void getAllTensorPermutations(TensorProduct* TP) {
  const int n = TP->NumberOfFactors;
  VectorSpace* space = &TP->FullPermutations;
  ++state().generation;
  initVectorCollection(space, n, expectedPermutationCount(TP));
  const std::size_t width = static_cast<std::size_t>(space->rowsize);
  std::vector<int> identity(width, -1);
  for (int i = 0; i < n; ++i) identity[static_cast<std::size_t>(i)] = i;
  const std::vector<int> classOf = classesOfFactors(TP);
  int movingClasses = 0;  // classes of two or more factors
  for (int i = 0; i < n; ++i) {
    if (classOf[static_cast<std::size_t>(i)] == i &&
        std::count(classOf.begin(), classOf.end(), i) >= 2)
      ++movingClasses;
  }
  // The classes act on disjoint positions, so every row below is a new permutation: the
  // rows are appended and sorted into the tree once, at the end. The row order is
  // that of inserting them one by one. With one class of two or more factors the rows
  // are those of its generated permutations, in their order (the other positions fixed),
  // and take their tree.
  // (Should a row repeat, the tree is made by inserting the rows again, which drops it.)
  int linked = -1;
  const auto finish = [&]() {
    if (linked == space->Nfill) return;
    if (!linkDistinctRows(space)) reindexVectorCollectionAfterRemoval(space);
  };
  std::vector<int> row(width, -1), product(width, -1);
  for (int first = 0; first < n; ++first) {
    if (classOf[static_cast<std::size_t>(first)] != first) continue;
    std::vector<int> members;
    for (int j = first; j < n; ++j) {
      if (classOf[static_cast<std::size_t>(j)] == first) members.push_back(j);
    }
    const int size = static_cast<int>(members.size());
    const int earlier = space->Nfill;
    const VectorSpace* all = generateAllPermutations(size);
    const int count = all->Nfill;
    // The class's permutation r on the whole product.
    const auto classRow = [&](int r, int* out) {
      const int* perm = rowOf(*all, r);
      std::copy(identity.begin(), identity.begin() + n, out);
      for (int k = 0; k < size; ++k)
        out[members[static_cast<std::size_t>(k)]] = members[static_cast<std::size_t>(perm[k])];
    };
    // Row 0 of the class is the identity, which the set already holds after the first
    // class, as it holds left x identity.
    bool identityFirst = false;
    if (count > 0) {
      classRow(0, row.data());
      identityFirst = std::equal(identity.begin(), identity.begin() + n, row.begin());
    }
    const int from = earlier > 0 && identityFirst ? 1 : 0;
    const int base = space->Nfill;
    for (int r = from; r < count; ++r) {
      classRow(r, row.data());
      if (addNewVectorToSpace(space, row.data()) == nullptr) {
        finish();
        return;
      }
    }
    if (size >= 2 && movingClasses == 1 && identityFirst && earlier <= 1 && space->Nfill == count &&
        copyTreeLinks(space, all))
      linked = space->Nfill;
    // The products with the earlier classes' rows (row 0, the identity, left out).
    for (int e = 1; e < earlier; ++e) {
      for (int r = from; r < count; ++r) {
        multiplyPermutations(n, rowOf(*space, e), rowOf(*space, base + r - from), product.data());
        if (addNewVectorToSpace(space, product.data()) == nullptr) {
          finish();
          return;
        }
      }
    }
  }
  finish();
  if (intSetting("Invariant info_level", 0) >= 1 || space->Nfill >= 10001)
    Print("Total number of permutations respecting tensor product factors: %d\n", space->Nfill);
}

int CheckAutomorphismTimesPermutation(TensorProduct* TP, int a, int p) {
  for (int r = 0; r < TP->Currents.size(); ++r) {
    std::vector<int> image = applySymmetry(TP, a, p, TP->Currents.row(r), false);
    if (containsUnreached(image, TP->NumberOfFactors) || TP->ChiralAlgebra.find(image.data()) < 0) return 0;
  }
  return 1;
}

int CheckAutomorphismModuloPermutations(TensorProduct* TP, int a) {
  const int n = TP->NumberOfFactors;
  for (int r = 0; r < TP->Currents.size(); ++r) {
    std::vector<int> image = applySymmetry(TP, a, -1, TP->Currents.row(r), false);
    if (containsUnreached(image, n)) return 0;
    bool found = false;
    for (int J = 0; J < TP->ChiralAlgebra.size() && !found; ++J)
      found = compareDisorderedVectors(n, image.data(), TP->ChiralAlgebra.row(J)) == 1;
    if (!found) return 0;
  }
  return 1;
}

std::vector<int> applyTensorOuterAutomorphismToCurrentCombination(TensorProduct* TP, int a, const int* labels) {
  return applySymmetry(TP, a, -1, labels, true);
}

std::vector<int> applyTensorPermutationToCurrentCombination(TensorProduct* TP, int p, const int* labels) {
  return applySymmetry(TP, -1, p, labels, true);
}

int applyTensorOuterAutomorphismTimesPermutationToCurrent(TensorProduct* TP, int a, int p, int f) {
  return imageField(TP, a, p, f);
}

int computeCurrentPermutation(TensorProduct* TP, int s, int c) {
  if (s == -1) {
    prepareBasicPermutations(TP, false);
    return 0;
  }
  return imageFromBasis(TP, false, s, c);
}

int computeCurrentPermutationForExtension(TensorProduct* TP, int s, int c) {
  if (s == -1) {
    prepareBasicPermutations(TP, true);
    return 0;
  }
  return imageFromBasis(TP, true, s, c);
}

int CT_getCurrentPermutation(TensorProduct* TP, int s, int J) { return cachedPermutation(TP, false, s, J); }

int CT_getCurrentPermutationForExtension(TensorProduct* TP, int s, int J) {
  return cachedPermutation(TP, true, s, J);
}

void CT_SymmetrizeTensorProduct(TensorProduct* TP) {
  if (TP->SymmetryFlag == 1) return;
  // The chiral-algebra test and the current images read the extended spectrum.
  if (!spectrumReady(TP)) return;
  const int A = loadOuterAutomorphisms(TP);
  getAllTensorPermutations(TP);
  const int P = TP->FullPermutations.Nfill;
  Print("Degeneracies: %d outer automorphisms, %d permutations.\n", A, P);
  VectorSpace* pairs = &TP->AutomorphismsTimesPermutations;
  // The loops below poll Ctrl-C. Left by a stop (StopRequest), the product keeps no partial
  // table of images: it is emptied, and the flag stays clear, so the next call builds it.
  const UndoWhenStopped emptyWhenStopped([TP] { SetVectorSpace(&TP->CurrentPermutations, 1, 1); });
  ++state().generation;
  initVectorCollection(pairs, 2, static_cast<int>(std::clamp<long long>(static_cast<long long>(A) * P, 1000, 1 << 20)));
  SetVectorSpace(&TP->CurrentPermutations, 1, 1);
  AlgebraKeepingTest keeping(TP);
  std::vector<int> pair(2);
  for (int a = 0; a < A; ++a) {
    obeyInterruptRequest();
    if (P >= kPermutationPretestThreshold && CheckAutomorphismModuloPermutations(TP, a) == 0) continue;
    keeping.setAutomorphism(a);
    for (int p = 0; p < P; ++p) {
      obeyInterruptRequest();
      if (!keeping.keeps(a, p)) continue;
      pair.assign({a, p});
      // A collection that cannot grow refuses the whole set: half a symmetry group would
      // let the invariant searches reject invariants that are not equivalent.
      if (!offer(pairs, pair)) {
        Alert("CT_SymmetrizeTensorProduct", 0, 100302, "Symmetries of the tensor product not built");
        initVectorCollection(pairs, 2, 1000);
        return;
      }
    }
  }
  CT_getCurrentPermutation(TP, -1, 0);
  const int N = pairs->Nfill;
  const int K = std::min(N, kMaximalCurrentPermutationRows);
  const DGType* group = TP->CurrentGroup != nullptr ? TP->CurrentGroup : DG_trivial();
  const int width = group->order;
  VectorSpace* images = &TP->CurrentPermutations;
  SetVectorSpace(images, width, K + 1);
  if (N == 0) {
    TP->SymmetryFlag = 1;
    return;
  }
  std::vector<int> row(static_cast<std::size_t>(width));
  for (int s = 0; s < K; ++s) {
    obeyInterruptRequest();
    imageRowFromBasis(TP, false, s, row.data());
    if (addNewVectorToSpace(images, row.data()) == nullptr) {
      Alert("CT_SymmetrizeTensorProduct", 1, 100302, "Symmetries of the tensor product not built");
      SetVectorSpace(images, width, 1);
      return;
    }
  }
  TP->SymmetryFlag = 1;
}

VectorSpace* CT_getCurrentOuterAutomorphisms(TensorProduct* TP) {
  if (!spectrumReady(TP)) return nullptr;
  if (TP->SymmetryFlag == 0 || TP->CurrentPermutations.Space == nullptr) {
    TP->SymmetryFlag = 0;
    CT_SymmetrizeTensorProduct(TP);
  }
  return TP->SymmetryFlag == 1 ? &TP->CurrentPermutations : nullptr;
}

int CT_TotalOuterAutomorphisms(TensorProduct* TP) {
  if (spectrumReady(TP)) CT_SymmetrizeTensorProduct(TP);
  return TP->SymmetryFlag == 1 ? TP->AutomorphismsTimesPermutations.Nfill : 0;
}

// ---------------------------------------------------------------------------------------
// Exchanges of two identical factors on the whole spectrum

namespace {

// Factors a and b of TP are one stored theory; else the alert of ComputePermutation.
bool exchangeable(TensorProduct* TP, int a, int b) {
  const int n = TP->NumberOfFactors;
  if (a < 0 || b < 0 || a >= n || b >= n ||
      TP->TensorFactors[static_cast<std::size_t>(a)] != TP->TensorFactors[static_cast<std::size_t>(b)]) {
    Alert("ComputePermutation", 0, 100302, "This is not a permutation");
    return false;
  }
  return true;
}

// Whether exchanging factors a and b (one theory, one G/H flag) maps the rows of the chiral
// algebra onto themselves. Then the charge of an exchanged row with respect to a row J is
// the row's own charge with respect to the exchanged J, so the exchanged row of a field of
// the extension has integer charges, as the field has: its charge test can be left out.
bool exchangeKeepsChiralAlgebra(TensorProduct* TP, int a, int b) {
  if (TP->GH[static_cast<std::size_t>(a)] != TP->GH[static_cast<std::size_t>(b)]) return false;
  const int n = TP->NumberOfFactors;
  std::vector<int> row(static_cast<std::size_t>(n));
  for (int J = 0; J < TP->ChiralAlgebra.size(); ++J) {
    obeyInterruptRequest();
    std::copy(TP->ChiralAlgebra.row(J), TP->ChiralAlgebra.row(J) + n, row.begin());
    std::swap(row[static_cast<std::size_t>(a)], row[static_cast<std::size_t>(b)]);
    if (TP->ChiralAlgebra.find(row.data()) < 0) return false;
  }
  return true;
}

// ComputePermutation of field k after the factors were found exchangeable; chargesKnown:
// the exchange keeps the chiral algebra (exchangeKeepsChiralAlgebra).
int exchangeImage(TensorProduct* TP, int a, int b, int k, bool chargesKnown, std::vector<int>& row) {
  const int n = TP->NumberOfFactors;
  row.assign(TP->Spectrum.row(k), TP->Spectrum.row(k) + n);
  std::swap(row[static_cast<std::size_t>(a)], row[static_cast<std::size_t>(b)]);
  int field = -1;
  if (chargesKnown) {
    row.push_back(0);
    field = findOrbit(TP, row.data(), nullptr);
  } else {
    field = IdentifyOrbit(TP, row.data());
  }
  if (field < 0) {
    Alert("ComputePermutation", 1, 100302, "This permutation is not a symmetry of the algebra");
    return -1;
  }
  const int order = StabilizerOrder(TP, field);
  if (order >= 2) {
    Print("Field %d is resolved into %d irreducible components\n", k, order);
    return -2;
  }
  return field;
}

}  // namespace

int ComputePermutation(TensorProduct* TP, int a, int b, int k) {
  if (!exchangeable(TP, a, b)) return -1;
  if (k < 0 || k >= TP->Spectrum.size()) {
    Alert("ComputePermutation", 1, 100302, "Field %d does not exist", k);
    return -1;
  }
  std::vector<int> row;
  return exchangeImage(TP, a, b, k, false, row);
}

namespace {

constexpr int kUnresolved = -2;

// The fusion completion of an exchange. Its sweeps visit the pairs of resolved fields
// u < v in the order of the definition and act on a pair whose product holds exactly one
// unresolved field (and whose image's product too); the symmetry below lets them pass
// over the pairs that cannot act, which are nearly all of them, without a fusion
// coefficient. What they add, and in which order, is what a visit of every pair adds.
//
// The characters xi of the chiral algebra act on the fields: a resolved fixed point (a, l),
// l labelling a character of its untwisted stabiliser U_a, goes to the component of a
// whose character is chi_l times xi on U_a; a field with |U_a| = 1 stays. S depends on the
// labels only through chi_la(J) - chi_lb(J) for J in U_a and U_b, which xi leaves as it
// is, and T not at all, so N(xi u, xi v; xi m) = N(u, v; m). Hence:
//  - The characters vanishing on W, the group generated by the U of the resolved fields,
//    fix every resolved field, so for resolved u and v they map the unresolved fields of
//    u x v onto themselves. A lone one is fixed by all of them, which holds exactly when
//    U_m lies in W (W is the annihilator of its annihilator): the candidates.
//  - When |U_u| = |U_v| = 1 every character fixes u and v, and the characters carry any
//    component of a fixed point to any other: u x v holds all components of a fixed point
//    or none, and a lone unresolved one is also the last open component of its fixed point.
// So a pair acts only when exactly one of its candidates is in the product, and no other
// unresolved field; without candidates no pair acts. An addition leaves W as it is: both
// fields added were candidates.
class FusionCompletion {
 public:
  FusionCompletion(TensorProduct* TP, std::vector<int>& p) : TP_(TP), p_(p), N_(static_cast<int>(p.size())) {
    first_ = TP->NumberOfSimpleCurrents;
    for (int m = 0; m < N_; ++m)
      if (p_[at(m)] == kUnresolved) unresolved_.push_back(m);
    symmetric_ = describeFixedPoints() && makeResolvedGroup();
    candidateFlag_.assign(at(N_), 0);
    lastFlag_.assign(at(N_), 0);
    for (int m : unresolved_) {
      if (symmetric_ && !untwistedInResolvedGroup(m)) continue;
      candidates_.push_back(m);
      candidateFlag_[at(m)] = 1;
    }
    findLastComponents();
  }

  // One sweep: fields added, or -1 when the permutation fails (after the alert).
  int sweep() {
    int added = 0;
    for (int u = first_; u < N_ && !candidates_.empty(); ++u) {
      obeyInterruptRequest();
      const int pu = p_[at(u)];
      if (pu == kUnresolved || u > pu) continue;
      for (int v = u + 1; v < N_ && !candidates_.empty(); ++v) {
        // Two fields every character fixes act only on a last open component.
        if (symmetric_ && untwisted_[at(u)] == 1 && lastComponents_.empty()) {
          v = nextMovedField(v);
          if (v >= N_) break;
        }
        obeyInterruptRequest();
        const int pv = p_[at(v)];
        if (pv == kUnresolved || v > pv) continue;
        int m1 = -1, m2 = -1;
        bool single1 = false, single2 = false;
        FusionCoefficient n1 = 0, n2 = 0;
        if (!loneUnresolved(u, v, &single1, &m1, &n1)) return -1;
        if (!single1) continue;
        if (!loneUnresolved(pu, pv, &single2, &m2, &n2)) return -1;
        if (!single2) continue;
        if (n1 != n2) {
          Alert("CloseTensorPermutations", 2, 212404, "Permutation violation (type 2) for %d x %d", u, v);
          return -1;
        }
        resolve(m1, m2);
        Print("Added %d and %d\n", m1, m2);
        ++added;
      }
    }
    return added;
  }

 private:
  static std::size_t at(int i) { return static_cast<std::size_t>(i); }

  // |U| of every field and which fixed point each field of |U| >= 2 is a component of (its
  // factor labels); false when a field has no stabiliser record or a fixed point lacks
  // some of its |U| components (a spectrum cut short): then nothing is skipped.
  bool describeFixedPoints() {
    const int n = TP_->NumberOfFactors;
    untwisted_.assign(at(N_), 0);
    fixedPointOf_.assign(at(N_), -1);
    std::map<std::vector<int>, int> fixedPoints;
    for (int f = 0; f < N_; ++f) {
      const int order = UntwistedStabilizerOrder(TP_, f);
      if (order < 1) return false;
      untwisted_[at(f)] = order;
      if (order == 1) continue;
      movedFields_.push_back(f);
      std::vector<int> labels(TP_->Spectrum.row(f), TP_->Spectrum.row(f) + n);
      const auto found = fixedPoints.emplace(std::move(labels), static_cast<int>(openComponents_.size()));
      if (found.second) openComponents_.push_back(0);
      fixedPointOf_[at(f)] = found.first->second;
      if (p_[at(f)] == kUnresolved) ++openComponents_[at(found.first->second)];
    }
    std::vector<int> components(openComponents_.size(), 0);
    for (int f : movedFields_) ++components[at(fixedPointOf_[at(f)])];
    for (int f : movedFields_) {
      if (components[at(fixedPointOf_[at(f)])] != untwisted_[at(f)]) return false;
    }
    return true;
  }

  // W, the group of chiral-algebra elements generated by the untwisted stabilisers of the
  // resolved fields; false when a product leaves the chiral algebra.
  bool makeResolvedGroup() {
    const int n = TP_->NumberOfFactors;
    inResolvedGroup_.assign(at(TP_->ChiralAlgebra.size()), 0);
    const std::vector<int> vacuum(at(n), 0);
    const int identity = TP_->ChiralAlgebra.find(vacuum.data());
    if (identity < 0) return false;
    std::vector<int> elements{identity};
    inResolvedGroup_[at(identity)] = 1;
    for (int f : movedFields_) {
      if (p_[at(f)] == kUnresolved) continue;
      const FPType* stabilizer = TP_->Stabilizers[at(f)];
      for (int e = 0; e < stabilizer->group->order; ++e) {
        const int g = stabilizer->U[e];
        if (g < 0 || at(g) >= inResolvedGroup_.size()) return false;
        if (inResolvedGroup_[at(g)] != 0) continue;
        // <W, g> = W g^k: every element, old and new, times g until nothing is new.
        for (std::size_t i = 0; i < elements.size(); ++i) {
          const int product = chiralProduct(elements[i], g, TP_);
          if (product < 0) return false;
          if (inResolvedGroup_[at(product)] != 0) continue;
          inResolvedGroup_[at(product)] = 1;
          elements.push_back(product);
        }
      }
    }
    return true;
  }

  bool untwistedInResolvedGroup(int m) const {
    const FPType* stabilizer = TP_->Stabilizers[at(m)];
    for (int e = 0; e < stabilizer->group->order; ++e) {
      const int g = stabilizer->U[e];
      if (g < 0 || at(g) >= inResolvedGroup_.size() || inResolvedGroup_[at(g)] == 0) return false;
    }
    return true;
  }

  // The candidates that are the last open component of their fixed point.
  void findLastComponents() {
    lastComponents_.clear();
    std::fill(lastFlag_.begin(), lastFlag_.end(), 0);
    for (int m : candidates_) {
      const int fixedPoint = fixedPointOf_[at(m)];
      if (fixedPoint >= 0 && openComponents_[at(fixedPoint)] != 1) continue;
      lastComponents_.push_back(m);
      lastFlag_[at(m)] = 1;
    }
  }

  // The first field from v on that some character moves (|U| >= 2), N when none.
  int nextMovedField(int v) const {
    const auto next = std::lower_bound(movedFields_.begin(), movedFields_.end(), v);
    return next == movedFields_.end() ? N_ : *next;
  }

  // Whether exactly one unresolved field m has N(u, v; m) > 0 (*single), with that m and
  // its coefficient. The pair's candidates are asked first, the other unresolved fields
  // only when one candidate is in the product. False on a stop or an undecided sum.
  bool loneUnresolved(int u, int v, bool* single, int* field, FusionCoefficient* coefficient) {
    *single = false;
    const bool bothFixed = untwisted_[at(u)] == 1 && untwisted_[at(v)] == 1;
    const std::vector<int>& asked = !symmetric_ ? unresolved_ : bothFixed ? lastComponents_ : candidates_;
    const std::vector<char>& askedFlag = bothFixed ? lastFlag_ : candidateFlag_;
    int count = 0;
    for (int m : asked) {
      // Kept 64-bit: narrowed, the stop signal would read as -1 and pass for "no fusion".
      const FusionCoefficient value = fusion(u, v, m, 0);
      if (fusionInterrupted(value) || fusionUndecided(value)) return false;
      if (value <= 0) continue;
      *field = m;
      *coefficient = value;
      if (++count == 2) return true;
    }
    if (count != 1) return true;
    if (&asked != &unresolved_) {
      for (int m : unresolved_) {
        if (askedFlag[at(m)] != 0) continue;
        const FusionCoefficient value = fusion(u, v, m, 0);
        if (fusionInterrupted(value) || fusionUndecided(value)) return false;
        if (value > 0) return true;
      }
    }
    *single = true;
    return true;
  }

  void resolve(int m1, int m2) {
    p_[at(m1)] = m2;
    p_[at(m2)] = m1;
    for (int m : {m1, m2}) {
      if (std::find(unresolved_.begin(), unresolved_.end(), m) == unresolved_.end()) continue;
      std::erase(unresolved_, m);
      std::erase(candidates_, m);
      candidateFlag_[at(m)] = 0;
      const int fixedPoint = fixedPointOf_[at(m)];
      if (fixedPoint >= 0) --openComponents_[at(fixedPoint)];
    }
    findLastComponents();
  }

  TensorProduct* TP_;
  std::vector<int>& p_;
  int N_ = 0;
  int first_ = 0;
  bool symmetric_ = false;
  std::vector<int> unresolved_;      // ascending
  std::vector<int> candidates_;      // ascending; all unresolved fields when !symmetric_
  std::vector<int> lastComponents_;  // ascending
  std::vector<char> candidateFlag_, lastFlag_;
  std::vector<int> untwisted_;       // |U| per field
  std::vector<int> fixedPointOf_;    // per field of |U| >= 2 its fixed point, else -1
  std::vector<int> openComponents_;  // per fixed point its unresolved components
  std::vector<int> movedFields_;     // the fields of |U| >= 2, ascending
  std::vector<char> inResolvedGroup_;
};

}  // namespace

std::vector<int> CloseTensorPermutations(TensorProduct* TP, int a, int b, int n, const int* x, const int* y) {
  const int N = TP->Spectrum.size();
  std::vector<int> p(static_cast<std::size_t>(N));
  if (N > 0 && !exchangeable(TP, a, b)) return {};
  // One test of the chiral algebra stands for the charge test of every field, which would
  // cost the number of fields times the order of the algebra.
  const bool chargesKnown = N > 0 && exchangeKeepsChiralAlgebra(TP, a, b);
  std::vector<int> row;
  for (int k = 0; k < N; ++k) {
    obeyInterruptRequest();
    p[static_cast<std::size_t>(k)] = exchangeImage(TP, a, b, k, chargesKnown, row);
    if (p[static_cast<std::size_t>(k)] == -1) return {};
  }
  for (int t = 0; t < n; ++t) {
    const int xt = x[t];
    const int yt = y[t];
    if (xt < 0 || yt < 0 || xt >= N || yt >= N) {
      Alert("CloseTensorPermutations", 0, 100302, "Field %d does not exist", xt < 0 || xt >= N ? xt : yt);
      return {};
    }
    int& px = p[static_cast<std::size_t>(xt)];
    if (px == kUnresolved) {
      px = yt;
    } else if (px != yt) {
      Alert("CloseTensorPermutations", 0, 100302, "Incorrect degeneracy resolution");
      return {};
    }
    int& py = p[static_cast<std::size_t>(yt)];
    if (py == kUnresolved) {
      py = xt;
    } else if (py != xt) {
      Alert("CloseTensorPermutations", 1, 100302, "Incorrect degeneracy resolution");
      return {};
    }
  }
  if (std::find(p.begin(), p.end(), kUnresolved) != p.end()) {
    FusionCompletion completion(TP, p);
    int added = 0;
    do {
      added = completion.sweep();
      if (added < 0) return {};
    } while (added > 0);
  }
  for (int k = 0; k < N; ++k) {
    if (p[static_cast<std::size_t>(k)] == kUnresolved) {
      Print("Permutation %d not resolved\n", k);
    } else {
      Print("%d <==> %d\n", k, p[static_cast<std::size_t>(k)]);
    }
  }
  CT_keepFieldPermutation(TP, p);
  return p;
}

int CT_getIntegerSpinPermutations(TensorProduct* TP, const int*) {
  const int A = loadOuterAutomorphisms(TP);
  getAllTensorPermutations(TP);
  Print("Permutations: %d; Outer automorphisms: %d\n", TP->FullPermutations.Nfill, A);
  CT_getCurrentPermutationForExtension(TP, -1, 0);
  return 0;
}

int CT_getTotalOuterAutomorphismCount(TensorProduct* TP) {
  return TP->FullPermutations.Nfill * TP->OuterAutomorphisms.Nfill;
}

void closeIntegerSpinPermutations(VectorSpace* collection, int n) {
  std::vector<int> product(static_cast<std::size_t>(n));
  int added = 0;
  do {
    added = 0;
    for (int i = 0; i < collection->Nfill; ++i) {
      for (int j = 1; j < collection->Nfill; ++j) {
        const std::vector<int> left(rowOf(*collection, i), rowOf(*collection, i) + n);
        const std::vector<int> right(rowOf(*collection, j), rowOf(*collection, j) + n);
        multiplyPermutations(n, left.data(), right.data(), product.data());
        if (findVectorInCollection(collection, product.data()) >= 0) continue;
        std::vector<int> row = product;
        if (!offer(collection, row)) return;
        ++added;
      }
    }
  } while (added > 0);
}
