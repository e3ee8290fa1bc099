// The string reading of the current theory: superstring blocks, the space-time dimension,
// the massless closed-string matrix, field predicates and label lists. The tachyon check
// lives in StringTachyons.cpp and shares the state through StringTheoryInternal.h.
#include "strings/StringTheory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "boundaries/CrossBound.h"
#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "lie/Branching.h"
#include "lie/LieAlgebra.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringBrowse.h"
#include "strings/StringTheoryInternal.h"
#include "tensor/Coset.h"

namespace {

StringTheoryState& freshState() {
  static StringTheoryState s;
  return s;
}

int valueOf(const int* p) { return p != nullptr ? *p : 0; }

BulkInvariant* currentBulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

int primaryCount() { return knownPrimaryCount(); }

// h_i as a reduced fraction; false when unknown.
bool weightOf(int i, Rat* h) {
  const Rat* w = ratWeight(i);
  if (w == nullptr || w->den == 0) return false;
  *h = *w;
  simplifyRat(h);
  return true;
}

bool weightIsOne(int i) {
  Rat h;
  return weightOf(i, &h) && h.num == h.den;
}

bool weightBelowOne(int i) {
  Rat h;
  return weightOf(i, &h) && h.num < h.den;
}

// The lattice algebra of a tensor product's first factor: type code and rank in the
// branching convention, or false when it is no covariant lattice.
bool latticeFactor(const SpectrumData* sd, int* type, int* rank) {
  if (sd == nullptr || sd->level != 1) return false;
  if ((sd->type == 2 || sd->type == kTypeD) && sd->rank >= 4) {
    *type = sd->type;
    *rank = sd->rank;
    return true;
  }
  if (sd->type == 5 && (sd->rank == 6 || sd->rank == 7 || sd->rank == 8)) {
    *type = 5;
    *rank = sd->rank;
    return true;
  }
  return false;
}

// Class of a level-one lattice primary, read off its weight (and for D_r its position
// among the fields of equal weight): B_r 0, v 1, s 2; D_r 0, s 1, v 2, c 3 (for D4, whose
// three non-trivial classes share h = 1/2, the store's order s, v, c is taken); E6 0, 27,
// 27bar; E7 0, 56.
int latticeClass(SpectrumData* sd, int type, int rank, int label) {
  if (label == 0) return 0;
  Rat h;
  if (SM_getRatWeight(sd, label, &h) == 0) return -1;
  simplifyRat(&h);
  if (type == 2) return h.num == 1 && h.den == 2 ? 1 : 2;
  if (type == 5) return label <= 2 ? label : -1;
  // D_r: the fields with h = r/8 are the spinors, first s then c; h = 1/2 the vector.
  std::vector<int> sameWeight;
  for (int a = 1; a < sd->n_primaries; ++a) {
    Rat g;
    if (SM_getRatWeight(sd, a, &g) == 0) continue;
    simplifyRat(&g);
    if (g.num == h.num && g.den == h.den) sameWeight.push_back(a);
  }
  if (rank == 4) {
    for (std::size_t k = 0; k < sameWeight.size(); ++k)
      if (sameWeight[k] == label) return static_cast<int>(k) + 1;
    return -1;
  }
  if (h.num == 1 && h.den == 2) return 2;
  return !sameWeight.empty() && sameWeight[0] == label ? 1 : 3;
}

// NS/R sector of a lattice class: the identity and the vector are NS (0), the spinors R
// (1); -1 for the exceptional lattices, whose classes are no such sectors.
int latticeSector(int type, int klass) {
  if (type == 2) return klass == 2 ? 1 : 0;
  if (type == kTypeD) return klass == 1 || klass == 3 ? 1 : 0;
  return -1;
}

bool factorGraded(const SpectrumData* sd) {
  return sd != nullptr && sd->graded != 0 && sd->grading != nullptr;
}

// With "Super" and "Graded" on, a B or D lattice that is not graded while some internal
// factor is: the chiral algebra then ties the internal sectors to each other but not to
// the lattice's, and fields with an NS lattice part and R internal parts (or the reverse)
// survive the extension.
bool sectorsMisaligned(TensorProduct* TP, int* type, int* rank) {
  StringTheoryState& s = stringState();
  if (valueOf(s.Super) == 0 || valueOf(s.Graded) == 0 || TP == nullptr || TP->NumberOfFactors < 2)
    return false;
  SpectrumData* lattice = TP->TensorFactors[0];
  if (!latticeFactor(lattice, type, rank) || latticeSector(*type, 0) < 0 || factorGraded(lattice))
    return false;
  for (int k = 1; k < TP->NumberOfFactors; ++k)
    if (factorGraded(TP->TensorFactors[static_cast<std::size_t>(k)])) return true;
  return false;
}

bool sectorsMisaligned(TensorProduct* TP) {
  int type = 0;
  int rank = 0;
  return sectorsMisaligned(TP, &type, &rank);
}

// A label row of a misaligned product whose lattice sector differs from the sector of a
// graded internal factor: no state of a superstring, so the reading leaves it out.
bool misalignedRow(TensorProduct* TP, int type, int rank, const int* labels) {
  const int sector = latticeSector(type, latticeClass(TP->TensorFactors[0], type, rank, labels[0]));
  for (int k = 1; k < TP->NumberOfFactors; ++k) {
    const SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(k)];
    if (!factorGraded(sd)) continue;
    if ((sd->grading[labels[k]] == 'R' ? 1 : 0) != sector) return true;
  }
  return false;
}

// The space-time algebra of a lattice of dimension d: D_r for even d, B_r for odd d,
// r = (d - d mod 2 + 6)/2 (a B or D lattice is its own; E6, E7, E8 give D5, D6, D8).
void spaceTimeAlgebraOfLattice(int d, int* type, int* rank) {
  const int odd = ((d % 2) + 2) % 2;
  *type = 4 - 2 * odd;
  *rank = (d - odd + 6) / 2;
}

// Ground-state dimension of the internal factors (all but the first) of a label row; 1
// where a factor's dimension is not a plain positive number.
long long internalDimension(TensorProduct* TP, const int* labels) {
  long long dimension = 1;
  for (int k = 1; k < TP->NumberOfFactors; ++k) {
    SpectrumData* sd = TP->TensorFactors[static_cast<std::size_t>(k)];
    if (sd == nullptr || SM_initDimensions(sd) == 0 || sd->dims == nullptr) continue;
    const int value = sd->dims[labels[k]];
    if (value > 0) dimension *= value;
  }
  return dimension;
}

// What the content of one label row needs: the product, its lattice's type and rank, the
// table from the lattice to the space-time algebra, and whether rows of disagreeing
// sectors are left out.
struct ContentReader {
  TensorProduct* TP;
  int type;
  int rank;
  const BranchingTable* table;
  bool misaligned;
};

// Adds to out (4 classes) the content of one image row of a field of weight h (exact: h is
// the exact weight, and only images of exactly that weight count): the internal ground-state
// dimension times the space-time classes in the lattice class of the first label.
void addImageContent(const ContentReader& reader, bool exact, const Rat& h, const int* labels,
                     int* out) {
  Rat g;
  if (exact && (TensorRatWeight(reader.TP, labels, &g) != 1 || g.num * h.den != h.num * g.den))
    return;
  if (reader.misaligned && misalignedRow(reader.TP, reader.type, reader.rank, labels)) return;
  const int c = latticeClass(reader.TP->TensorFactors[0], reader.type, reader.rank, labels[0]);
  if (c < 0 || c >= 4 || reader.table == nullptr) return;
  const long long weight = internalDimension(reader.TP, labels);
  for (int k = 0; k < 4; ++k) out[k] += static_cast<int>(weight * reader.table->table[c][k]);
}

// A set of label rows of one width, emptied in constant time: the distinct images of one
// field. Open addressing over at least twice as many slots as rows can be added; a slot
// belongs to the current round only when it carries the round's stamp.
class ImageSet {
 public:
  // Room for `rows` rows of `width` labels; empties the set.
  void prepare(int width, int rows) {
    width_ = static_cast<std::size_t>(width);
    std::size_t slots = 16;
    while (slots < 2 * static_cast<std::size_t>(rows) + 2) slots *= 2;
    stamps_.assign(slots, 0);
    slotRows_.assign(slots, 0);
    rows_.assign(static_cast<std::size_t>(rows) * width_, 0);
    round_ = 0;
    clear();
  }
  void clear() {
    count_ = 0;
    if (++round_ == 0) {
      std::fill(stamps_.begin(), stamps_.end(), 0);
      round_ = 1;
    }
  }
  // The rows added this round, in the order they came.
  std::size_t size() const { return count_; }
  const int* row(std::size_t i) const { return rows_.data() + i * width_; }
  // True when the row was not in the set (it is then added). At most `rows` rows a round.
  bool insert(const int* row) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (std::size_t i = 0; i < width_; ++i) {
      hash ^= static_cast<std::uint32_t>(row[i]);
      hash *= 1099511628211ULL;
    }
    const std::size_t mask = stamps_.size() - 1;
    for (std::size_t slot = (hash ^ (hash >> 29) ^ (hash >> 47)) & mask;;
         slot = (slot + 1) & mask) {
      if (stamps_[slot] != round_) {
        stamps_[slot] = round_;
        slotRows_[slot] = count_;
        std::copy(row, row + width_, rows_.begin() + static_cast<std::ptrdiff_t>(count_ * width_));
        ++count_;
        return true;
      }
      if (std::equal(row, row + width_,
                     rows_.begin() + static_cast<std::ptrdiff_t>(slotRows_[slot] * width_)))
        return false;
    }
  }

 private:
  std::size_t width_ = 0;
  std::size_t count_ = 0;
  std::uint32_t round_ = 0;
  std::vector<std::uint32_t> stamps_;
  std::vector<std::size_t> slotRows_;
  std::vector<int> rows_;
};

// The chiral algebra as a tree of its rows read factor by factor in a chosen order
// (`factorOf[level]`): a node of a level is a prefix J[factorOf[0..level]] that some
// element J has, its children the prefixes one factor longer. Each factor's current is
// kept as an index into the distinct currents that factor takes in the algebra
// (`currents[factor]`, ascending). The nodes of a level lie in one array, the children of
// a node contiguous in the next; the nodes of level 0 are the currents of its factor in
// their order. Made once per block: |G| rows of r factors give at most r|G| nodes.
struct AlgebraTree {
  std::vector<int> factorOf;                 // per level: the factor read there
  std::vector<std::vector<int>> currents;    // per factor: its distinct currents
  std::vector<std::vector<int>> component;   // per level and node: index into currents
  std::vector<std::vector<int>> firstChild;  // per level and node, and a closing entry

  AlgebraTree(TensorProduct* TP, int width) {
    const int order = TP->ChiralAlgebra.size();
    const std::size_t r = static_cast<std::size_t>(width);
    currents.assign(r, {});
    component.assign(r, {});
    firstChild.assign(r, {});
    for (std::size_t i = 0; i < r; ++i) {
      std::vector<int>& list = currents[i];
      for (int x = 0; x < order; ++x) list.push_back(TP->ChiralAlgebra.row(x)[i]);
      std::sort(list.begin(), list.end());
      list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    // The factor with the most currents first: the search reads its images by weight.
    factorOf.resize(r);
    for (std::size_t i = 0; i < r; ++i) factorOf[i] = static_cast<int>(i);
    std::stable_sort(factorOf.begin(), factorOf.end(), [&](int a, int b) {
      return currents[static_cast<std::size_t>(a)].size() >
             currents[static_cast<std::size_t>(b)].size();
    });
    std::vector<int> codes(static_cast<std::size_t>(order) * r, 0);
    for (std::size_t level = 0; level < r; ++level) {
      const std::size_t i = static_cast<std::size_t>(factorOf[level]);
      const std::vector<int>& list = currents[i];
      for (int x = 0; x < order; ++x) {
        const int J = TP->ChiralAlgebra.row(x)[i];
        codes[static_cast<std::size_t>(x) * r + level] =
            static_cast<int>(std::lower_bound(list.begin(), list.end(), J) - list.begin());
      }
    }
    const auto code = [&](int x) {
      return codes.cbegin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(x) * r);
    };
    std::vector<int> sorted(static_cast<std::size_t>(order));
    for (int x = 0; x < order; ++x) sorted[static_cast<std::size_t>(x)] = x;
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
      return std::lexicographical_compare(code(a), code(a) + width, code(b), code(b) + width);
    });
    int previous = -1;
    for (int x : sorted) {
      // The first level where this row leaves the previous one starts new nodes.
      std::size_t from = 0;
      if (previous >= 0)
        while (from < r && code(x)[static_cast<std::ptrdiff_t>(from)] ==
                               code(previous)[static_cast<std::ptrdiff_t>(from)])
          ++from;
      if (from == r) continue;
      for (std::size_t level = from; level < r; ++level) {
        component[level].push_back(code(x)[static_cast<std::ptrdiff_t>(level)]);
        firstChild[level].push_back(level + 1 < r ? static_cast<int>(component[level + 1].size())
                                                  : 0);
      }
      previous = x;
    }
    for (std::size_t level = 0; level < r; ++level)
      firstChild[level].push_back(level + 1 < r ? static_cast<int>(component[level + 1].size())
                                                : 0);
  }
};

// The ground states of one field found through the tree: the images J x f of exactly the
// field's weight h. A branch of the tree is left as soon as the weights chosen so far,
// with the least (greatest) weights the remaining factors can add, pass h from above (stay
// below it). The doubles only prune, with a margin far beyond their rounding; each row
// reached is checked in exact arithmetic by addImageContent.
//
// Images per factor. For the factors below the first level, the labels and weights that
// each current of the factor gives a label are read once per label and kept (factors too
// large to keep them are read per field). The first level's factor, the one with the most
// currents, is read by orbits: the images of one label a under its currents, sorted by
// weight, serve every label b = c0 x a of that orbit, since J x b = (J c0) x a; so a field
// costs only the images within the weight window, each confirmed by one action.
class GroundStateSearch {
 public:
  GroundStateSearch(TensorProduct* TP, int width, const AlgebraTree& tree)
      : TP_(TP), tree_(tree), width_(width) {
    const std::size_t r = static_cast<std::size_t>(width);
    factors_.assign(r, FactorImages());
    for (std::size_t k = 0; k < r; ++k) {
      const SpectrumData* sd = TP->TensorFactors[k];
      const long long size =
          static_cast<long long>(sd->n_primaries) * static_cast<long long>(tree.currents[k].size());
      if (size <= kKeptImagesLimit)
        factors_[k].start.assign(static_cast<std::size_t>(sd->n_primaries), -1);
    }
    entries_.assign(r, nullptr);
    leastRest_.assign(r + 1, 0.0);
    greatestRest_.assign(r + 1, 0.0);
    row_.assign(r, 0);
    current_.assign(static_cast<std::size_t>(TP->ChiralAlgebra.rowLength()), 0);
    image_.assign(static_cast<std::size_t>(TP->ChiralAlgebra.rowLength()), 0);
    field_.assign(static_cast<std::size_t>(TP->ChiralAlgebra.rowLength()), 0);
    setUpOrbits();
  }

  // Reads the labels and weights of the field's images factor by factor; false when a
  // weight is unknown or inexact (the caller then applies the whole algebra).
  bool prepare(const int* field, const Rat& h) {
    target_ = static_cast<double>(h.num) / static_cast<double>(h.den);
    fieldRow_ = field;
    byOrbit_ = false;
    for (int level = width_ - 1; level >= 0; --level) {
      const std::size_t l = static_cast<std::size_t>(level);
      if (level == 0 && orbitFirst(field)) {
        const Orbit& orbit = orbits_[static_cast<std::size_t>(orbit_)];
        leastRest_[0] = leastRest_[1] + orbit.images.front().weight;
        greatestRest_[0] = greatestRest_[1] + orbit.images.back().weight;
        byOrbit_ = true;
        break;
      }
      const std::size_t k = static_cast<std::size_t>(tree_.factorOf[l]);
      FactorImages& f = factors_[k];
      const int a = field[k];
      const bool kept = a >= 0 && static_cast<std::size_t>(a) < f.start.size();
      std::size_t at = 0;
      if (kept) {
        if (f.start[static_cast<std::size_t>(a)] < 0) {
          f.start[static_cast<std::size_t>(a)] = static_cast<long long>(f.blocks.size());
          readImages(k, a, &f.blocks);
        }
        at = static_cast<std::size_t>(f.start[static_cast<std::size_t>(a)]);
      } else {
        f.scratch.clear();
        readImages(k, a, &f.scratch);
      }
      const std::vector<Image>& from = kept ? f.blocks : f.scratch;
      // The block: two headers (usable flag with the least weight; the greatest weight),
      // then one entry per current.
      if (from[at].label == 0) return false;
      leastRest_[l] = leastRest_[l + 1] + from[at].weight;
      greatestRest_[l] = greatestRest_[l + 1] + from[at + 1].weight;
      entries_[l] = from.data() + at + 2;
    }
    return true;
  }

  // Calls visit(row) for every element of the algebra whose image may have weight h; false
  // when an image read by orbit was not confirmed (the caller then applies the whole
  // algebra, after forgetting what was visited).
  template <typename Visit>
  bool run(Visit&& visit) {
    if (width_ < 1) return true;
    if (!byOrbit_) {
      descend(0, 0, static_cast<int>(tree_.component[0].size()), 0.0, visit);
      return true;
    }
    const Orbit& orbit = orbits_[static_cast<std::size_t>(orbit_)];
    const std::size_t k = static_cast<std::size_t>(tree_.factorOf[0]);
    // The window of first-level weights that can still reach h.
    const double low = target_ - greatestRest_[1] - kMargin;
    const double high = target_ - leastRest_[1] + kMargin;
    auto begin = std::lower_bound(orbit.images.begin(), orbit.images.end(), low,
                                  [](const OrbitImage& e, double w) { return e.weight < w; });
    const int inverse = DG_inverse(group_, shift_);
    for (auto e = begin; e != orbit.images.end() && e->weight <= high; ++e) {
      ++nodes_;
      pollInterruptRequest();
      // J x b = (J c0) x a = d x a: J = d / c0, which must be a current of the algebra
      // that moves b to the image's label.
      const int J = DG_product(e->element, inverse, group_);
      if (J < 0 || J >= group_->order) return false;
      const int node = componentOf_[static_cast<std::size_t>(J)];
      if (node < 0) return false;
      std::fill(current_.begin(), current_.end(), 0);
      current_[k] = J;
      tensorSimpleAction(TP_, current_.data(), fieldRow_, image_.data());
      current_[k] = 0;
      if (image_[k] != e->label) return false;
      row_[k] = e->label;
      if (width_ == 1) {
        visit(row_.data());
      } else {
        descend(1, tree_.firstChild[0][static_cast<std::size_t>(node)],
                tree_.firstChild[0][static_cast<std::size_t>(node) + 1], e->weight, visit);
      }
    }
    return true;
  }

  // Tree nodes entered so far, and first-level images read by orbit (the label rows the
  // reading visits).
  long long nodes() const { return nodes_; }

 private:
  static constexpr double kMargin = 1e-6;
  // (labels x currents) of a factor beyond which its images are read per field.
  static constexpr long long kKeptImagesLimit = 1LL << 24;
  // Labels of the first level's factor beyond which it is read per field too.
  static constexpr long long kOrbitLabelsLimit = 1LL << 25;

  // A label and its weight; in a block's two header entries, the usable flag (label) with
  // the least weight, and the greatest weight.
  struct Image {
    int label;
    double weight;
  };
  struct FactorImages {
    std::vector<long long> start;  // per label: where its block begins, -1 not read yet
    std::vector<Image> blocks;
    std::vector<Image> scratch;  // the block of a factor too large to keep them
  };
  // The images d x a of an orbit's first label a, ascending in weight.
  struct OrbitImage {
    double weight;
    int element;  // d, an element of the factor's current group
    int label;
  };
  struct Orbit {
    std::vector<OrbitImage> images;
  };

  // The first level's factor is read by orbits when its currents are elements of its
  // current group and its labels few enough for a table.
  void setUpOrbits() {
    if (width_ < 1) return;
    const std::size_t k = static_cast<std::size_t>(tree_.factorOf[0]);
    const SpectrumData* sd = TP_->TensorFactors[k];
    group_ = sd->scgroup;
    if (group_ == nullptr || group_->order < 2 || TP_->GH[k] != 0 ||
        sd->n_primaries > kOrbitLabelsLimit) {
      group_ = nullptr;
      return;
    }
    componentOf_.assign(static_cast<std::size_t>(group_->order), -1);
    const std::vector<int>& list = tree_.currents[k];
    for (std::size_t c = 0; c < list.size(); ++c) {
      if (list[c] < 0 || list[c] >= group_->order) {
        group_ = nullptr;
        return;
      }
      componentOf_[static_cast<std::size_t>(list[c])] = static_cast<int>(c);
    }
    orbitOf_.assign(static_cast<std::size_t>(sd->n_primaries), -1);
    shiftOf_.assign(static_cast<std::size_t>(sd->n_primaries), 0);
  }

  // Finds (or reads) the orbit of the field's first-level label: orbit_ and shift_ (b =
  // shift_ x a). False when the factor is not read by orbits or a weight is not usable.
  bool orbitFirst(const int* field) {
    if (group_ == nullptr) return false;
    const std::size_t k = static_cast<std::size_t>(tree_.factorOf[0]);
    const int b = field[k];
    if (b < 0 || static_cast<std::size_t>(b) >= orbitOf_.size()) return false;
    if (orbitOf_[static_cast<std::size_t>(b)] < 0 && !readOrbit(k, b)) return false;
    orbit_ = orbitOf_[static_cast<std::size_t>(b)];
    shift_ = shiftOf_[static_cast<std::size_t>(b)];
    return orbit_ >= 0 && !orbits_[static_cast<std::size_t>(orbit_)].images.empty();
  }

  // Reads the orbit of label a of factor k under the factor's currents in the algebra.
  bool readOrbit(std::size_t k, int a) {
    const SpectrumData* sd = TP_->TensorFactors[k];
    const int id = static_cast<int>(orbits_.size());
    orbits_.emplace_back();
    std::vector<OrbitImage>& images = orbits_.back().images;
    std::fill(field_.begin(), field_.end(), 0);
    field_[k] = a;
    for (int J : tree_.currents[k]) {
      current_[k] = J;
      tensorSimpleAction(TP_, current_.data(), field_.data(), image_.data());
      const int label = image_[k];
      Rat w{0, 1};
      if (label < 0 || label >= sd->n_primaries || SM_getRatWeight(sd, label, &w) == 0 ||
          w.den == 0 || sd->exact == nullptr || sd->exact[label] == 0) {
        current_[k] = 0;
        images.clear();
        return false;
      }
      images.push_back(
          OrbitImage{static_cast<double>(w.num) / static_cast<double>(w.den), J, label});
      if (orbitOf_[static_cast<std::size_t>(label)] < 0) {
        orbitOf_[static_cast<std::size_t>(label)] = id;
        shiftOf_[static_cast<std::size_t>(label)] = J;
      }
    }
    current_[k] = 0;
    std::sort(images.begin(), images.end(), [](const OrbitImage& x, const OrbitImage& y) {
      return x.weight < y.weight || (x.weight == y.weight && x.element < y.element);
    });
    // The label itself must be its own orbit's first label (shift 0, the identity).
    return orbitOf_[static_cast<std::size_t>(a)] == id &&
           shiftOf_[static_cast<std::size_t>(a)] == 0;
  }

  template <typename Visit>
  void descend(int level, int first, int last, double partial, Visit& visit) {
    const std::size_t l = static_cast<std::size_t>(level);
    const std::size_t k = static_cast<std::size_t>(tree_.factorOf[l]);
    const bool leaf = level + 1 == width_;
    for (int node = first; node < last; ++node) {
      ++nodes_;
      pollInterruptRequest();
      const Image& image = entries_[l][tree_.component[l][static_cast<std::size_t>(node)]];
      const double sum = partial + image.weight;
      if (sum + leastRest_[l + 1] > target_ + kMargin ||
          sum + greatestRest_[l + 1] < target_ - kMargin)
        continue;
      row_[k] = image.label;
      if (leaf) {
        visit(row_.data());
      } else {
        descend(level + 1, tree_.firstChild[l][static_cast<std::size_t>(node)],
                tree_.firstChild[l][static_cast<std::size_t>(node) + 1], sum, visit);
      }
    }
  }

  // Appends the block of label a of factor k: the headers, then per current of the factor
  // in the algebra the label it gives and that label's weight.
  void readImages(std::size_t k, int a, std::vector<Image>* out) {
    const std::vector<int>& list = tree_.currents[k];
    const std::size_t head = out->size();
    out->push_back(Image{1, 0.0});
    out->push_back(Image{0, 0.0});
    std::fill(field_.begin(), field_.end(), 0);
    field_[k] = a;
    const SpectrumData* sd = TP_->TensorFactors[k];
    for (std::size_t c = 0; c < list.size(); ++c) {
      current_[k] = list[c];
      tensorSimpleAction(TP_, current_.data(), field_.data(), image_.data());
      const int label = image_[k];
      Rat w{0, 1};
      const bool usable = TP_->GH[k] == 0 && label >= 0 && label < sd->n_primaries &&
                          SM_getRatWeight(sd, label, &w) != 0 && w.den != 0 &&
                          sd->exact != nullptr && sd->exact[label] != 0;
      if (!usable) (*out)[head].label = 0;
      const double value = usable ? static_cast<double>(w.num) / static_cast<double>(w.den) : 0.0;
      out->push_back(Image{label, value});
      if (c == 0 || value < (*out)[head].weight) (*out)[head].weight = value;
      if (c == 0 || value > (*out)[head + 1].weight) (*out)[head + 1].weight = value;
    }
    current_[k] = 0;
  }

  TensorProduct* TP_;
  const AlgebraTree& tree_;
  int width_;
  double target_ = 0.0;
  long long nodes_ = 0;
  const int* fieldRow_ = nullptr;
  std::vector<FactorImages> factors_;
  std::vector<const Image*> entries_;  // per level: the entries of the field's label
  std::vector<double> leastRest_;      // per level: least weight the levels from it add
  std::vector<double> greatestRest_;
  std::vector<int> row_;
  std::vector<int> current_;
  std::vector<int> image_;
  std::vector<int> field_;
  // The first level's orbits: the factor's current group, its elements' first-level
  // nodes (-1: no current of the algebra), per label its orbit and shift, the orbits.
  const DGType* group_ = nullptr;
  std::vector<int> componentOf_;
  std::vector<int> orbitOf_;
  std::vector<int> shiftOf_;
  std::vector<Orbit> orbits_;
  bool byOrbit_ = false;
  int orbit_ = -1;
  int shift_ = 0;
};

}  // namespace

// Ground-state content of every field of the product: over the distinct label rows of the
// field's orbit that share its (exact) weight, the internal ground-state dimension times
// the space-time classes in the lattice class of the first label. Where weights are exact
// only the images of the field's weight are looked for (GroundStateSearch); elsewhere every
// element of the algebra is applied and the distinct images kept in a hash set. Fields that
// differ in their resolution label alone have one orbit, whose content is taken over.
void computeTensorContents(TensorProduct* TP, int type, int rank, const BranchingTable* table,
                           std::vector<int>* contents) {
  const int n = TP->Spectrum.size();
  const int width = TP->NumberOfFactors;
  const int order = TP->ChiralAlgebra.size();
  contents->assign(static_cast<std::size_t>(n) * 4, 0);
  if (width < 1 || order < 1) return;
  const ContentReader reader{TP, type, rank, table, sectorsMisaligned(TP)};
  std::vector<int> image(
      static_cast<std::size_t>(std::max(TP->Spectrum.rowLength(), TP->ChiralAlgebra.rowLength())),
      0);
  ImageSet images;
  images.prepare(width, order);
  const AlgebraTree tree(TP, width);
  GroundStateSearch search(TP, width, tree);
  for (int f = 0; f < n; ++f) {
    obeyInterruptRequest();
    const int* row = TP->Spectrum.row(f);
    int* out = contents->data() + static_cast<std::size_t>(f) * 4;
    if (f > 0 && std::equal(row, row + width, TP->Spectrum.row(f - 1))) {
      std::copy(out - 4, out, out);
      continue;
    }
    Rat h;
    const bool exact = TensorRatWeight(TP, row, &h) == 1;
    images.clear();
    if (exact && search.prepare(row, h)) {
      // The contents are added only once the search is complete.
      if (search.run([&](const int* candidate) { images.insert(candidate); })) {
        for (std::size_t i = 0; i < images.size(); ++i)
          addImageContent(reader, exact, h, images.row(i), out);
        continue;
      }
      images.clear();
    }
    for (int x = 0; x < order; ++x) {
      pollInterruptRequest();
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(x), row, image.data());
      if (images.insert(image.data())) addImageContent(reader, exact, h, image.data(), out);
    }
  }
}

// The same contents by the first way of finding the distinct images: every image compared
// with every image seen before (n |G|^2 row comparisons). Kept for the tests that compare
// the two.
void computeTensorContentsPairwise(TensorProduct* TP, int type, int rank,
                                   const BranchingTable* table, std::vector<int>* contents) {
  const int n = TP->Spectrum.size();
  const int width = TP->NumberOfFactors;
  contents->assign(static_cast<std::size_t>(n) * 4, 0);
  const ContentReader reader{TP, type, rank, table, sectorsMisaligned(TP)};
  std::vector<int> image(
      static_cast<std::size_t>(std::max(TP->Spectrum.rowLength(), TP->ChiralAlgebra.rowLength())),
      0);
  for (int f = 0; f < n; ++f) {
    obeyInterruptRequest();
    const int* row = TP->Spectrum.row(f);
    Rat h;
    const bool exact = TensorRatWeight(TP, row, &h) == 1;
    std::vector<std::vector<int>> seen;
    for (int x = 0; x < TP->ChiralAlgebra.size(); ++x) {
      tensorSimpleAction(TP, TP->ChiralAlgebra.row(x), row, image.data());
      std::vector<int> labels(image.begin(), image.begin() + width);
      bool known = false;
      for (const std::vector<int>& s : seen) known = known || s == labels;
      if (known) continue;
      seen.push_back(labels);
      addImageContent(reader, exact, h, labels.data(),
                      contents->data() + static_cast<std::size_t>(f) * 4);
    }
  }
}

namespace {

// The lattice of the product's first factor (false when it is none) and the branching
// table from it to the space-time algebra of its dimension.
bool firstFactorLattice(TensorProduct* TP, int* type, int* rank, const BranchingTable** table) {
  if (TP == nullptr || TP->NumberOfFactors < 1 || !latticeFactor(TP->TensorFactors[0], type, rank))
    return false;
  int spaceTimeType = 0;
  int spaceTimeRank = 0;
  spaceTimeAlgebraOfLattice(getCovLatDim(*type, *rank), &spaceTimeType, &spaceTimeRank);
  *table = makeBranchingTable(*type, *rank, spaceTimeType, spaceTimeRank, 0);
  return true;
}

}  // namespace

bool tensorLatticeContents(TensorProduct* TP, bool pairwise, std::vector<int>* contents) {
  int type = 0;
  int rank = 0;
  const BranchingTable* table = nullptr;
  contents->clear();
  if (!firstFactorLattice(TP, &type, &rank, &table)) return false;
  if (pairwise)
    computeTensorContentsPairwise(TP, type, rank, table, contents);
  else
    computeTensorContents(TP, type, rank, table, contents);
  return true;
}

namespace {

// The massless currents of the chiral algebra, counted as states per space-time class
// (class k of the table's subalgebra): the lattice's own currents beyond the space-time
// algebra and every current of weight exactly 1 (a Gepner model's spectral-flow current is
// a D5 spinor of weight 1).
std::array<int, 4> masslessCurrentCounts(TensorProduct* TP, int type, int rank, const BranchingTable* table) {
  std::array<int, 4> counts = {0, 0, 0, 0};
  const int n = RepCnt(table->subType, table->subRank);
  for (int k = 0; k < n && k < 4; ++k) counts[static_cast<std::size_t>(k)] += table->adjoint[k] * repDim(table->subType, table->subRank, k);
  SpectrumData* lattice = TP->TensorFactors[0];
  const int width = TP->NumberOfFactors;
  const bool misaligned = sectorsMisaligned(TP);
  for (int x = 0; x < TP->ChiralAlgebra.size(); ++x) {
    obeyInterruptRequest();
    const int* row = TP->ChiralAlgebra.row(x);
    std::vector<int> labels(row, row + width);
    Rat h;
    if (TensorRatWeight(TP, labels.data(), &h) != 1) continue;
    simplifyRat(&h);
    if (h.num != 1 || h.den != 1) continue;
    if (misaligned && misalignedRow(TP, type, rank, labels.data())) continue;
    const int c = latticeClass(lattice, type, rank, labels[0]);
    if (c < 0 || c >= 4) continue;
    const long long weight = internalDimension(TP, labels.data());
    for (int k = 0; k < n && k < 4; ++k)
      counts[static_cast<std::size_t>(k)] +=
          static_cast<int>(weight * table->table[c][k] * repDim(table->subType, table->subRank, k));
  }
  return counts;
}

// The space-time algebra extended by the massless currents: the table from the extended
// algebra to the space-time algebra, and the contents rewritten in the extended classes.
// nullptr (after an alert) when the currents name no algebra or do not fill its adjoint.
const BranchingTable* extendSpaceTime(TensorProduct* TP, int type, int rank, const BranchingTable* table,
                                      std::vector<int>* contents) {
  const int subType = table->subType;
  const int subRank = table->subRank;
  const std::array<int, 4> counts = masslessCurrentCounts(TP, type, rank, table);
  int newType = subType;
  int newRank = subRank;
  int chirality = 0;
  if (Determine_Extension(subType, subRank, counts.data(), &newType, &newRank, &chirality) != 0) return nullptr;
  const BranchingTable* extended = makeBranchingTable(newType, newRank, subType, subRank, chirality);
  if (extended == nullptr) return nullptr;
  // Every current class must fill the extended adjoint exactly.
  const int n = RepCnt(subType, subRank);
  for (int k = 1; k < n && k < 4; ++k) {
    if (counts[static_cast<std::size_t>(k)] != extended->adjoint[k] * repDim(subType, subRank, k)) {
      Alert("Analyse_Extension", 0, 212404, "Count error");
      return nullptr;
    }
  }
  if (BranchingIsTrivial(extended) != 0) return extended;
  const std::size_t fields = contents->size() / 4;
  for (std::size_t f = 0; f < fields; ++f) {
    obeyInterruptRequest();
    int sub[4] = {0, 0, 0, 0};
    int out[4] = {0, 0, 0, 0};
    for (std::size_t k = 0; k < 4; ++k) sub[k] = (*contents)[f * 4 + k];
    InverseBranch(extended, sub, out);
    for (std::size_t k = 0; k < 4; ++k) (*contents)[f * 4 + k] = static_cast<int>(k) < extended->nReps ? out[k] : 0;
  }
  return extended;
}

int cap() { return valueOf(stringState().Dimension); }

// The tensor product's block when it was built for the product as it is now (and the
// dimension cap and the alignment of its sectors as they are now), else nullptr.
StringBlock* cachedTensorBlock(TensorProduct* TP) {
  StringTheoryState& s = stringState();
  if (s.tensorBuilt && s.tensorStamp == QueryCFT() && s.tensorPrimaries == TP->Spectrum.size() &&
      s.tensorCap == cap() && s.tensorExtension == TP->ExtensionNumber &&
      s.tensorMisaligned == sectorsMisaligned(TP))
    return &s.tensorData;
  return nullptr;
}

// Builds the tensor product's block: the lattice of the first factor, its dimension
// checked against 26 - c, the ground-state contents of every field.
StringBlock* buildTensorBlock(TensorProduct* TP, int quiet) {
  StringTheoryState& s = stringState();
  int type = 0;
  int rank = 0;
  const BranchingTable* table = nullptr;
  s.tensorBuilt = false;
  if (!firstFactorLattice(TP, &type, &rank, &table)) return nullptr;
  s.tensorData = StringBlock();
  s.tensorData.latticeDimension = getCovLatDim(type, rank);
  s.tensorData.spaceTime = table;
  s.tensorData.status = getSuperstringSpaceTimeDimension(&s.tensorData, quiet);
  s.tensorData.trivialMultiplicity = s.tensorData.spaceTimeDimension - 2;
  if (s.tensorData.spaceTime == nullptr) s.tensorData.status = 1;
  computeTensorContents(TP, type, rank, s.tensorData.spaceTime, &s.tensorContents);
  if (s.tensorData.spaceTime != nullptr) {
    // The classes of the block are those of the space-time algebra as the currents extend it.
    s.tensorData.spaceTime = extendSpaceTime(TP, type, rank, s.tensorData.spaceTime, &s.tensorContents);
    if (s.tensorData.spaceTime == nullptr) s.tensorData.status = 1;
  }
  s.tensorBuilt = true;
  s.tensorStamp = QueryCFT();
  s.tensorPrimaries = TP->Spectrum.size();
  s.tensorCap = cap();
  s.tensorExtension = TP->ExtensionNumber;
  s.tensorMisaligned = sectorsMisaligned(TP);
  return &s.tensorData;
}

StringBlock* tensorBlock(TensorProduct* TP, int quiet) {
  StringBlock* block = cachedTensorBlock(TP);
  return block != nullptr ? block : buildTensorBlock(TP, quiet);
}

// The single theory's block, read from the store's record.
StringBlock* storeBlock() {
  StringTheoryState& s = stringState();
  if (currentSD == nullptr || currentSD->heterotic == nullptr) return nullptr;
  const auto* table = static_cast<const BranchingTable*>(currentSD->heterotic->lattice);
  s.storeData = StringBlock();
  if (table == nullptr) {
    s.storeData.status = 1;
    return &s.storeData;
  }
  // The store holds contents in the classes of the table's own algebra.
  s.storeData.spaceTime = makeBranchingTable(table->type, table->rank, table->type, table->rank, 0);
  s.storeData.latticeDimension = getCovLatDim(table->type, table->rank);
  s.storeData.spaceTimeDimension = currentSD->heterotic->header[2];
  s.storeData.trivialMultiplicity = s.storeData.spaceTimeDimension - 2;
  return &s.storeData;
}

// The tensor layer's reading of superstring data: an existing string theory alone, or a
// covariant lattice (B, D or E at level 1, rank 4 or more) as first factor.
int tensorStringAvailable(TensorProduct* TP, int quiet) {
  if (TP == nullptr || TP->NumberOfFactors < 1) return 0;
  const SpectrumData* sd = TP->TensorFactors[0];
  const char* refusal = nullptr;
  int type = 0;
  int rank = 0;
  if (sd->heterotic != nullptr) {
    if (TP->NumberOfFactors == 1) return 1;
    refusal = "Extra CFT factors not allowed in existing string theory";
  } else if (latticeFactor(sd, &type, &rank)) {
    return 1;
  } else if (sd->type != 2 && sd->type != kTypeD && sd->type != 5) {
    refusal = "Invalid covariant lattice type";
  } else if (sd->level != 1) {
    if (quiet == 0)
      Alert("InfoComputable", 1, 100201, "Covariant lattice level should be 1 (algebra %s)",
            sd->name != nullptr ? sd->name : "");
    return 0;
  } else {
    refusal = "Covariant lattice rank is too small";
  }
  if (quiet == 0) Alert("InfoComputable", 0, 100201, "%s", refusal);
  return 0;
}

const int* tensorRepInfo(TensorProduct* TP, int i) {
  if (TP == nullptr || i < 0 || i >= TP->Spectrum.size()) return nullptr;
  if (tensorBlock(TP, 1) == nullptr) return nullptr;
  return stringState().tensorContents.data() + static_cast<std::size_t>(i) * 4;
}

int tensorIsTrivial(TensorProduct* TP, int i) {
  const int* rep = tensorRepInfo(TP, i);
  if (rep == nullptr) return 1;
  return rep[1] == 0 && rep[2] == 0 && rep[3] == 0 ? 1 : 0;
}

// Rebuilds a label list when the bulk invariant or the superstring reading changed.
template <typename Test>
const std::vector<int>& stampedList(std::vector<int>& list, int& stamp, Test test) {
  const int now = 2 * QueryBulkInvariant() + (valueOf(stringState().Super) != 0 ? 1 : 0);
  if (stamp == now) return list;
  list.clear();
  for (int i = 0; i < primaryCount(); ++i) {
    obeyInterruptRequest();
    if (test(i)) list.push_back(i);
  }
  stamp = now;
  return list;
}

// The space-time classes of field i by name.
void tensorContentsText(std::string& cell, TensorProduct* TP, int i) {
  const int* rep = tensorRepInfo(TP, i);
  const StringBlock* block = cachedTensorBlock(TP);
  if (rep == nullptr || block == nullptr || block->spaceTime == nullptr) return;
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(block, &type, &rank);
  const int flag = block->spaceTime->chiralityResolved;
  printCovLatRep(nullptr, type, rank, flag, nullptr);
  printCovLatRep(&cell, type, rank, flag, rep);
}

const StringSeamHooks kStringSeamHooks = {tensorStringAvailable, tensorRepInfo, tensorIsTrivial, tensorContentsText};

}  // namespace

StringTheoryState& stringState() { return freshState(); }

void initializeStringTheory() {
  StringTheoryState& s = stringState();
  s.Super = getIntParPointer("Super");
  s.InitDebug = getIntParPointer("Init_debug");
  s.Dimension = getIntParPointer("Dimension");
  s.Graded = getIntParPointer("Graded");
  s.hook = null_function;
  setStringSeamHooks(&kStringSeamHooks);
  // The string parts of the report of a tachyon-free case.
  TachyonFreeReport report = tachyonFreeReport();
  report.typeIIMassless = [] { BrowseTypeII(1, 0); };
  report.closedSector = [] { GenericSpectrumAnalysis(nullptr, 2); };
  setTachyonFreeReport(report);
}

void resetStringTheory() {
  StringTheoryState& s = stringState();
  const int* super = s.Super;
  const int* initDebug = s.InitDebug;
  const int* dimension = s.Dimension;
  const int* graded = s.Graded;
  s = StringTheoryState();
  s.Super = super;
  s.InitDebug = initDebug;
  s.Dimension = dimension;
  s.Graded = graded;
  s.hook = null_function;
  setTachyonOrientifolds(nullptr);
}

int superOn() { return valueOf(stringState().Super) != 0 ? 1 : 0; }

int warnMisalignedSectors(TensorProduct* TP) {
  int type = 0;
  int rank = 0;
  if (!sectorsMisaligned(TP, &type, &rank)) return 0;
  SpectrumData* lattice = TP->TensorFactors[0];
  // The vector is the lattice's grade current: its class is 1 for B, 2 for D.
  const int vectorClass = type == 2 ? 1 : 2;
  int vector = -1;
  for (int a = 1; a < lattice->n_primaries && vector < 0; ++a)
    if (latticeClass(lattice, type, rank, a) == vectorClass) vector = a;
  Alert("warnMisalignedSectors", 0, 100201,
        "Space-time factor %s is not graded, but internal factors are: its NS and R sectors are\n"
        "not tied to theirs, and the string spectrum leaves out every field whose sectors "
        "disagree.\nGrade it first: \"algebra %s\" and \"grade %d\" before \"tensor\"",
        lattice->name, SM_algCommand(lattice).c_str(), vector);
  return 1;
}

// ---------------------------------------------------------------------------------------
// Space-time dimension

int getConformalSpaceTimeDimension(int quiet) {
  const double d = 26.0 - Central_Charge();
  int D = 0;
  if (DoubleToInteger(&D, d) == 1) return D;
  if (quiet == 0) Alert("getConformalSpaceTimeDimension", 0, 100302, "Non-integer space-time dimension: %30.15f", d);
  return -1;
}

int compareSpaceTimeDimensions(int latticeDimension, int dimensionCap, int conformalDimension, int* dimension,
                               int* implicitE8) {
  if (conformalDimension < 0) return 1;
  const int D = dimensionCap == 0 || dimensionCap > latticeDimension ? latticeDimension : dimensionCap;
  *dimension = D;
  const int difference = conformalDimension - D;
  if (difference == 0) {
    *implicitE8 = 0;
    return 0;
  }
  if (difference == 8) {
    *implicitE8 = 1;
    return 0;
  }
  return 1;
}

int getSuperstringSpaceTimeDimension(StringBlock* block, int quiet) {
  const int Dc = getConformalSpaceTimeDimension(quiet);
  if (Dc < 0) return 1;
  const int result =
      compareSpaceTimeDimensions(block->latticeDimension, cap(), Dc, &block->spaceTimeDimension, &block->implicitE8);
  if (quiet != 0) return result;
  if (result == 0 && block->implicitE8 == 1)
    Alert("getSuperstringSpaceTimeDimension", 0, 100218, "Implicit E_8 factor assumed");
  if (result == 1)
    Alert("getSuperstringSpaceTimeDimension", 1, 100302,
          "Conformal anomaly does not cancel\nCov. Lat. dim. = %d; Conformal inv. dim. = %d",
          block->spaceTimeDimension, Dc);
  return result;
}

int CheckSpaceTime() {
  if (superOn() == 0) return getConformalSpaceTimeDimension(0);
  const StringBlock* block = getStringData();
  return block != nullptr ? block->spaceTimeDimension : -1;
}

double OrientifoldMultiplicity() {
  double D = 0.0;
  const StringBlock* block = superOn() != 0 ? getStringData() : nullptr;
  if (block != nullptr) {
    D = block->spaceTimeDimension;
  } else {
    const int Dc = getConformalSpaceTimeDimension(0);
    D = Dc >= 0 ? Dc : 26.0 - Central_Charge();
  }
  return std::exp2(0.5 * D);
}

// ---------------------------------------------------------------------------------------
// Superstring data

StringBlock* getStringData() {
  StringBlock* block = nullptr;
  if (KMCosetSwitch == 0) {
    block = storeBlock();
  } else if (currentTensor != nullptr) {
    block = cachedTensorBlock(currentTensor);
    // A block the rebuild has just made is used by this same call.
    if ((block == nullptr || block->status == 1) && InfoComputable(currentTensor, 0) != 0)
      block = buildTensorBlock(currentTensor, 0);
  }
  if (block == nullptr) {
    Print("Superstring data not available;\nSwitching off superstring mode.\n");
    setIntPar("Super", 0);
    return nullptr;
  }
  if (block->status == 1) {
    Print("Incorrect superstring data;\nSwitching off superstring mode.\n");
    setIntPar("Super", 0);
    return nullptr;
  }
  return block;
}

void spaceTimeAlgebra(const StringBlock* block, int* type, int* rank) {
  *type = 0;
  *rank = 0;
  if (block == nullptr || block->spaceTime == nullptr) return;
  *type = block->spaceTime->type;
  *rank = block->spaceTime->rank;
}

namespace {

int classCount(const StringBlock* block) {
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(block, &type, &rank);
  return RepCnt(type, rank);
}

// The extension of one half by the massless fields of the list.
void getChiralExtension(const std::vector<int>& list, ChiralExtension* record, int type, int rank) {
  int C[4] = {0, 0, 0, 0};
  const int n = RepCnt(type, rank);
  for (int j : list) {
    obeyInterruptRequest();
    if (j <= 0 || !weightIsOne(j)) continue;
    const std::array<int, 4> rep = getRepInfo(j);
    const std::array<int, 4> dims = getTotalRepDim(type, rank, rep.data());
    for (int k = 0; k < n; ++k) C[k] += dims[static_cast<std::size_t>(k)];
  }
  for (int k = 0; k < n; ++k) record->currents += C[k];
  record->residual += record->currents;
  int newType = type;
  int newRank = rank;
  int chirality = 0;
  Determine_Extension(type, rank, C, &newType, &newRank, &chirality);
  record->table = makeBranchingTable(newType, newRank, type, rank, chirality);
  record->fields = list;
  record->count = static_cast<int>(list.size());
  record->residual = record->residual - repDim(newType, newRank, kAdjointClass) + repDim(type, rank, kAdjointClass);
}

void trivialExtensionRecord(ChiralExtension* record, int type, int rank, int N0) {
  record->table = makeBranchingTable(type, rank, type, rank, 0);
  record->fields.assign(1, 0);
  record->count = 1;
  record->residual = N0;
  record->currents = 0;
}

// Rewrites M in the classes of the extended algebras.
void inverseBranchMassless(StringBlock* spectrum) {
  const int n = classCount(spectrum);
  const BranchingTable* Lt = spectrum->left->table;
  const BranchingTable* Rt = spectrum->right->table;
  if (Lt == nullptr || Rt == nullptr) return;
  int (&M)[4][4] = spectrum->M;
  auto extensionEntry = [](const BranchingTable* t, int a) { return t->adjoint[a]; };
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) M[a][b] -= extensionEntry(Lt, a) * extensionEntry(Rt, b);
  for (int a = 0; a < n; ++a) M[a][0] -= spectrum->right->residual * extensionEntry(Lt, a);
  for (int b = 0; b < n; ++b) M[0][b] -= spectrum->left->residual * extensionEntry(Rt, b);
  const int nL = Lt->nReps;
  const int nR = Rt->nReps;
  if (BranchingIsTrivial(Rt) == 0) {
    for (int a = 0; a < nL && a < 4; ++a) {
      int sub[4] = {M[a][0], M[a][1], M[a][2], M[a][3]};
      int out[4] = {0, 0, 0, 0};
      InverseBranch(Rt, sub, out);
      for (int b = 0; b < 4; ++b) M[a][b] = b < nR ? out[b] : 0;
    }
  }
  if (BranchingIsTrivial(Lt) == 0) {
    for (int b = 0; b < nR && b < 4; ++b) {
      int sub[4] = {M[0][b], M[1][b], M[2][b], M[3][b]};
      int out[4] = {0, 0, 0, 0};
      InverseBranch(Lt, sub, out);
      for (int a = 0; a < 4; ++a) M[a][b] = a < nL ? out[a] : 0;
    }
  }
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 4; ++b)
      if (a >= nL || b >= nR) M[a][b] = 0;
}

}  // namespace

void computeMasslessSpectrum(BulkInvariant* bulk, StringBlock* spectrum) {
  const int n = classCount(spectrum);
  const int N0 = spectrum->trivialMultiplicity;
  std::memset(spectrum->M, 0, sizeof(spectrum->M));
  if (bulk == nullptr) return;
  for (int i = 0; i < bulk->n_rows && i < primaryCount(); ++i) {
    obeyInterruptRequest();
    if (i >= 1 && !weightIsOne(i)) continue;
    if (bulk->orbits[static_cast<std::size_t>(i)] == nullptr) continue;
    const std::array<int, 4> left = i == 0 ? std::array<int, 4>{N0, 0, 0, 0} : getRepInfo(i);
    const int mult = bulk->mult[i];
    for (int k = 0; k < bulk->count[i]; ++k) {
      const int j = bulk->orbits[static_cast<std::size_t>(i)][k];
      if (j >= 1 && !weightIsOne(j)) continue;
      const std::array<int, 4> right = j == 0 ? std::array<int, 4>{N0, 0, 0, 0} : getRepInfo(j);
      for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
          spectrum->M[a][b] += left[static_cast<std::size_t>(a)] * mult * right[static_cast<std::size_t>(b)];
    }
  }
}

StringBlock* getStringSpectrum(int mode) {
  StringBlock* block = getStringData();
  if (block == nullptr || block->status == 1) return nullptr;
  StringTheoryState& s = stringState();
  s.spectrum = *block;
  s.spectrum.left = &s.leftExtension;
  s.spectrum.right = &s.rightExtension;
  s.leftExtension = ChiralExtension();
  s.rightExtension = ChiralExtension();
  BulkInvariant* bulk = currentBulk();
  s.spectrum.bulkFlag = bulk != nullptr ? bulk->symmetric : 0;
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(block, &type, &rank);
  const int N0 = block->trivialMultiplicity;
  const bool verbose = mode == 1;
  if (bulk == nullptr || bulk->diagonal != 0) {
    if (verbose) Print("\nModular invariant: diagonal\n");
    trivialExtensionRecord(&s.leftExtension, type, rank, N0);
    trivialExtensionRecord(&s.rightExtension, type, rank, N0);
  } else {
    if (verbose) {
      if (bulk->simple_current != 0)
        Print("\nModular invariant: Simple current generated\n");
      else if (bulk->conjugation != 0)
        Print("\nModular invariant: Charge conjugation\n");
      else
        Print("\nModular invariant: Exceptional\n");
    }
    s.leftExtension.residual = N0;
    s.rightExtension.residual = N0;
    std::vector<int> right;
    if (bulk->orbits[0] != nullptr) right.assign(bulk->orbits[0], bulk->orbits[0] + bulk->count[0]);
    std::vector<int> left;
    if (bulk->algebra != nullptr) left.assign(bulk->algebra, bulk->algebra + bulk->algebra_count);
    getChiralExtension(right, &s.rightExtension, type, rank);
    getChiralExtension(left, &s.leftExtension, type, rank);
  }
  computeMasslessSpectrum(bulk, &s.spectrum);
  inverseBranchMassless(&s.spectrum);
  return &s.spectrum;
}

int CheckExtensionChirality() {
  if (superOn() == 0) return 0;
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr || spectrum->spaceTime == nullptr) return 0;
  return spectrum->spaceTime->sign;
}

// ---------------------------------------------------------------------------------------
// Fields

std::array<int, 4> getRepInfo(int i) {
  std::array<int, 4> rep = {0, 0, 0, 0};
  const int* content = nullptr;
  if (KMCosetSwitch != 0 && currentTensor != nullptr)
    content = tensorRepInfo(currentTensor, i);
  else if (currentSD != nullptr)
    content = SM_getContent(currentSD, i);
  if (content != nullptr) std::copy(content, content + 4, rep.begin());
  return rep;
}

int trivialForAlgebra(int type, int rank, const int* rep) {
  switch (type) {
    case 2:
      return rep[1] == 0 && rep[2] == 0 ? 1 : 0;
    case 4:
      if (rank >= 5) return rep[1] == 0 && rep[2] == 0 && rep[3] == 0 ? 1 : 0;
      if (rank == 4) return rep[1] == 0 && rep[2] == 0 ? 1 : 0;
      return 1;
    case 5:
      if (rank == 4 || rank == 7) return rep[1] == 0 ? 1 : 0;
      if (rank == 6) return rep[1] == 0 && rep[2] == 0 ? 1 : 0;
      return 1;
    default:
      return 1;
  }
}

int checkTriviality(const StringBlock* block, const int* rep) {
  if (block == nullptr) return 0;
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(block, &type, &rank);
  return trivialForAlgebra(type, rank, rep);
}

int masslessCharacter(int i, int tachyon) {
  const int super = superOn();
  if (tachyon == 0) {
    if (i != 0 && !weightIsOne(i)) return 0;
  } else {
    if (i == 0 && super != 0) return 0;
    if (i != 0 && !weightBelowOne(i)) return 0;
  }
  if (super == 0) return 1;
  if (i == 0) return 1;
  const StringBlock* block = getStringData();
  if (block == nullptr) return 1;
  const std::array<int, 4> rep = getRepInfo(i);
  return checkTriviality(block, rep.data()) == 0 ? 1 : 0;
}

int getTachyonDimension(int i) {
  if (superOn() == 0) {
    // A warning only: the bosonic vacuum is always tachyonic.
    Alert("getTachyonDimension", 0, 112218, "Tachyon dimension for bosonic string not yet built in");
    return 1;
  }
  return getRepInfo(i)[2];
}

int wittenIndexOf(int type, int rank, const int* rep) {
  return type == 5 && rank == 6 ? rep[1] - rep[2] : 0;
}

const std::vector<int>& getWittenIndices() {
  StringTheoryState& s = stringState();
  const int n = primaryCount();
  s.wittenIndices.assign(static_cast<std::size_t>(n > 0 ? n : 0), 0);
  const StringBlock* block = superOn() != 0 ? getStringData() : nullptr;
  if (block == nullptr) return s.wittenIndices;
  int type = 0;
  int rank = 0;
  spaceTimeAlgebra(block, &type, &rank);
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    const std::array<int, 4> rep = getRepInfo(i);
    s.wittenIndices[static_cast<std::size_t>(i)] = wittenIndexOf(type, rank, rep.data());
  }
  return s.wittenIndices;
}

int UnphysicalTadpole(int m) {
  if (superOn() != 0) {
    const StringBlock* block = getStringData();
    if (block == nullptr) return 0;
    if (m == 0) {
      int type = 0;
      int rank = 0;
      spaceTimeAlgebra(block, &type, &rank);
      return type == 5 ? 1 : 0;
    }
    return getSchurIndex(m) * getKleinBottle(m) != 0 ? 1 : 0;
  }
  return getSchurIndex(m) * getKleinBottle(m) < 0 ? 1 : 0;
}

const std::vector<int>& getMasslessLabels() {
  StringTheoryState& s = stringState();
  return stampedList(s.masslessLabels, s.masslessStamp, [](int i) { return masslessCharacter(i, 0) == 1; });
}

const std::vector<int>& getBosonicMasslessLabels() {
  StringTheoryState& s = stringState();
  return stampedList(s.bosonicLabels, s.bosonicStamp, [](int i) { return i == 0 || weightIsOne(i); });
}

const std::vector<int>& getTachyonLabels() {
  StringTheoryState& s = stringState();
  return stampedList(s.tachyonLabels, s.tachyonStamp, [](int i) { return masslessCharacter(i, 1) == 1; });
}

const std::vector<int>& getTwoFormLabels() {
  StringTheoryState& s = stringState();
  const int now = QueryBulkInvariant();
  if (s.twoFormStamp == now) return s.twoFormLabels;
  s.twoFormLabels.clear();
  s.ishibashiLabelCount = TotalIshibashi();
  for (int m = 0; m < s.ishibashiLabelCount; ++m) {
    obeyInterruptRequest();
    const int f = getIshibashiField(m);
    if (f < 0 || masslessCharacter(f, 0) != 1) continue;
    const std::array<int, 4> rep = getRepInfo(f);
    if (rep[1] > 0 || rep[2] >= 1) s.twoFormLabels.push_back(m);
  }
  s.twoFormStamp = now;
  return s.twoFormLabels;
}

// ---------------------------------------------------------------------------------------
// Spectrum summary

void adjustHodgeNumbers(int dimension, int leftSusy, int rightSusy, const int column[4], int* h1, int* h2) {
  *h1 = column[1];
  *h2 = column[2];
  if (dimension != 4 || rightSusy < 5) return;
  *h2 = column[1];
  int shift = -1;
  if (leftSusy == 8 && rightSusy == 8) shift = 1;
  if (leftSusy == 16 && rightSusy == 16) shift = 9;
  if ((leftSusy == 8 && rightSusy == 16) || (leftSusy == 16 && rightSusy == 8)) shift = 3;
  if (shift >= 0) *h1 = *h2 = column[1] + shift;
}

std::vector<int> getHeteroticSpectrumInfo() {
  StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr) return {};
  SpaceTimeSource source;
  source.left = spectrum->left->table;
  source.right = spectrum->right->table;
  source.common = spectrum->spaceTime;
  source.dimension = spectrum->spaceTimeDimension;
  SpaceTimeSymmetry left;
  SpaceTimeSymmetry right;
  if (getSpaceTimeSymmetry(&source, &left, 'L') < 0 || getSpaceTimeSymmetry(&source, &right, 'R') < 0) {
    if (Alert("getHeteroticSpectrumInfo", 0, 652209, "This string theory is inconsistent. Continue anyway?") == 1)
      return {};
  }
  const int l = SusyCount(&left.left);
  const int r = SusyCount(&right.right);
  const int column[4] = {spectrum->M[0][1], spectrum->M[1][1], spectrum->M[2][1], spectrum->M[3][1]};
  std::vector<int> info(8, 0);
  info[0] = column[0];
  adjustHodgeNumbers(spectrum->spaceTimeDimension, l, r, column, &info[1], &info[2]);
  info[3] = column[3];
  info[4] = spectrum->left->residual;
  info[5] = spectrum->right->residual;
  info[6] = l;
  info[7] = r;
  return info;
}

// ---------------------------------------------------------------------------------------
// Gauge group

namespace {

// The name of the extended space-time factor in the line; empty for an algebra it does
// not name.
std::string firstFactorName(int type, int rank) {
  if (type == 2) return formatText("B%d", rank);
  if (type == 4) return formatText("D%d", rank);
  if (type == 5 && rank == 4) return "F4";
  if (type == 5 && rank >= 6 && rank <= 8) return formatText("E%d", rank);
  return "";
}

// The name of a free tensor factor in the line; empty for a kind the line does not name.
std::string freeFactorName(const FreeGaugeFactor& f) {
  switch (f.type) {
    case 5:
      if (f.rank >= 5) return formatText("E%d", f.rank);
      if (f.rank == 4) return "F4";
      if (f.rank == 2) return "G2";
      return "";
    case 4: return formatText("D%d", f.rank);
    case 3: return formatText("C%d", f.rank);
    case 2: return formatText("B%d", f.rank);
    case 1: return formatText("A%d", f.rank);
    case 0: return formatText("U(1)_%d", f.rank);
    default: return "";
  }
}

}  // namespace

int namedGaugeFactorDimension(int type, int rank) {
  return firstFactorName(type, rank).empty() ? 0 : repDim(type, rank, kAdjointClass);
}

std::string gaugeGroupText(int type, int rank, int implicitE8, const std::vector<FreeGaugeFactor>& free,
                           std::optional<int> known) {
  std::string text = "\n";
  const std::string first = firstFactorName(type, rank);
  if (!first.empty()) text += "Gauge group: " + first;
  if (implicitE8 != 0) text += " x E8";
  int count = known.value_or(0);
  for (const FreeGaugeFactor& f : free) {
    // The currents of a factor the line cannot name stay in the unidentified rest, so that
    // the line accounts for every current.
    const std::string name = freeFactorName(f);
    if (name.empty()) continue;
    text += " x " + name;
    count -= f.spinOne;
  }
  if (!known.has_value()) return text + "\n";
  if (count > 0) return text + formatText(" x [Unidentified (dim=%d)]\n", count);
  if (count < 0) Alert("PrintGaugeGroup", 0, 100302, "Negative number of spin 1 currents: %d", count);
  return text + "\n";
}
