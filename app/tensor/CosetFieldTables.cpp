// Flat tables of a tensor product for the loops that act on many label rows: the
// simple-current action of each factor, exact weights on one common denominator, and the
// chiral algebra coded factor by factor. They are made once per product (and per chiral
// algebra) and answer exactly as the store's accessors do, without a look-up or a
// rational canonical form per element.
//
// Representation. A factor's action is read from a table of |G| x labels ints filled on
// first use (small factors), from the orbit numbering of an N=2 minimal model (large
// ones), or, where neither applies, from SM_SimpleAction itself. The weight of a label is
// the integer weight_num * (D / weight_den), D the lcm of the factors' denominators, so a
// row's weight is a sum of int64s over D. A chiral-algebra row is kept as one value index
// per factor into the list of the distinct labels that factor takes in the algebra.
//
// Orbit minima. The representative of a chiral-algebra orbit is its member of lowest
// weight, ties broken by the order of the labels; the original scan compares weights as
// doubles that differ by more than 0.1. The members of an orbit of integer-spin currents
// acting on a row of integer charges have weights that differ by integers, so the scan
// finds the exact minimum of (weight, labels). That premise is checked on every call (the
// algebra's rows have integer weights, each generator moves the row by an integer, the
// graded factors of a row stay in one sector, every member inspected has the weight of
// the first modulo 1); where it fails, the caller runs the scan as it always did. The
// minimum is found by bounding each member's weight from below by the sum over the
// factors of the lower weight of its label and the label's grade partner, and inspecting
// only the members whose bound does not exceed the best weight found.
//
// Life. The tables of a product live in the module state until its input changes
// (markChanged), the module is reset, or a factor record no longer answers as it did
// when they were made (a fusion table built or dropped), which every use checks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/CosetInternal.h"

namespace {

// Factors with at most this many (current, label) pairs keep a table of the action.
constexpr std::int64_t kActionTableLimit = std::int64_t{1} << 22;
constexpr int kUnknown = -3;
// Exact weights on the common denominator are used while it stays below this bound
// (and the weights small enough that double sums cannot cross the 0.1 tolerance).
constexpr std::int64_t kDenominatorLimit = std::int64_t{1} << 40;
// Numbers kept in the sums of the other factors of cyclic algebras.
constexpr std::size_t kRestSumLimit = std::size_t{1} << 21;
// Factors with at most this many labels keep their graded minimal forms per label.
constexpr int kGradeTableLimit = 1 << 18;
// Factors with at most this many (label, value) pairs keep the values per label.
constexpr std::int64_t kValueCacheLimit = std::int64_t{1} << 21;
// Numbers per chunk of those sums.
constexpr int kRestChunkNumbers = 1 << 16;

// One factor read flat (see the file comment).
class FactorView {
 public:
  explicit FactorView(SpectrumData* sd) : sd_(sd) {
    fields_ = sd->n_primaries;
    order_ = sd->scgroup != nullptr ? sd->scgroup->order : 1;
    fusionAvailable_ = sd->fusion_available;
    weightNum_ = sd->weight_num;
    weightDen_ = sd->weight_den;
    gravitino_ = sd->gravitino_action;
    labels_ = sd->labels;
    orbitBase_ = sd->orbit_base;
    orbitPosition_ = sd->orbit_position;
    partners_ = sd->n2_multiplets;
    minimal_ = SM_minimalActionKernel(sd);
    if (order_ > 1 && static_cast<std::int64_t>(fields_) * order_ <= kActionTableLimit) {
      table_.assign(static_cast<std::size_t>(fields_) * static_cast<std::size_t>(order_), kUnknown);
    }
    minimalRoute_ = sd->type == kStoreTypeMinimalN2 && fusionAvailable_ != 1 && minimal_.usable();
    groupIsMinimal_ = minimalRoute_ && minimalGroup();
    if (weightNum_ != nullptr && weightDen_ > 0) {
      for (int a = 0; a < fields_; ++a) maxWeight_ = std::max<std::int64_t>(maxWeight_, std::llabs(weightNum_[a]));
      if (partners_ != nullptr && fields_ <= kGradeTableLimit) makeGradeTables();
    }
  }

  SpectrumData* record() const { return sd_; }
  int fields() const { return fields_; }
  bool weighed() const { return weightNum_ != nullptr && weightDen_ > 0; }
  int denominator() const { return weightDen_; }
  std::int64_t largestNumerator() const { return maxWeight_; }

  // The record still answers as it did when the view was made.
  bool matches() const {
    const int order = sd_->scgroup != nullptr ? sd_->scgroup->order : 1;
    return sd_->n_primaries == fields_ && order == order_ && sd_->fusion_available == fusionAvailable_ &&
           sd_->weight_num == weightNum_ && sd_->weight_den == weightDen_ &&
           sd_->gravitino_action == gravitino_ && sd_->labels == labels_ && sd_->orbit_base == orbitBase_ &&
           sd_->orbit_position == orbitPosition_ && sd_->n2_multiplets == partners_;
  }

  // SM_SimpleAction(record, J, a).
  int act(int J, int a) {
    if (J < 0 || J >= order_ || a < 0 || a >= fields_) return SM_SimpleAction(sd_, J, a);
    if (order_ == 1) return a;
    if (!table_.empty()) {
      int& entry = table_[static_cast<std::size_t>(J) * static_cast<std::size_t>(fields_) + static_cast<std::size_t>(a)];
      if (entry >= 0) return entry;
      // Failures are not kept: the store reports them on every request.
      const int result = SM_SimpleAction(sd_, J, a);
      if (result >= 0) entry = result;
      return result;
    }
    if (minimalRoute_) {
      if (J == 1 && gravitino_ != nullptr) return gravitino_[a];
      const int result = minimal_.apply(J, a);
      if (result >= 0) return result;
      if (minimal_.onFixedOrbit(a)) return actOnFixedOrbit(J, a);
    }
    return SM_SimpleAction(sd_, J, a);
  }

  // weight_num[a]: the label's weight times the factor's denominator (a a label).
  std::int64_t numerator(int a) const { return weightNum_[a]; }
  // Per label a of a factor with grade partners b: the label the graded minimal form
  // takes (b when w(b) < w(a), or w(b) = w(a) and b < a; else a), and |w(b) - w(a)| as
  // the double quotients of the integer weights. Null without partners or weights, and
  // for factors too large to keep them.
  const int* gradeTargets() const { return gradeTarget_.empty() ? nullptr : gradeTarget_.data(); }
  const double* gradeDistances() const { return gradeDistance_.empty() ? nullptr : gradeDistance_.data(); }
  // The orbit numbering of an N=2 minimal model when J x a is read from it, else null.
  const MinimalActionKernel* minimalKernel() const { return groupIsMinimal_ ? &minimal_ : nullptr; }

  // The least weight numerator (of a label, or of it and its grade partner when paired)
  // over the aligned blocks of kBlock labels; made on first use.
  static constexpr int kBlock = 32;
  const std::int64_t* blockMinima(bool paired) {
    std::vector<std::int64_t>& minima = paired ? pairedBlocks_ : plainBlocks_;
    if (minima.empty()) {
      minima.assign(static_cast<std::size_t>((fields_ + kBlock - 1) / kBlock), INT64_MAX);
      for (int x = 0; x < fields_; ++x) {
        std::int64_t w = weightNum_[x];
        if (paired) w = std::min<std::int64_t>(w, weightNum_[partners_[x]]);
        std::int64_t& m = minima[static_cast<std::size_t>(x / kBlock)];
        m = std::min(m, w);
      }
    }
    return minima.data();
  }

  // Per label the least weight numerator of the label (and of its grade partner when
  // paired) times `scale`; made on first use for factors of at most kGradeTableLimit
  // labels (null beyond, and when the scale changes).
  const std::int64_t* scaledLowest(bool paired, std::int64_t scale) {
    if (fields_ > kGradeTableLimit || (paired && partners_ == nullptr)) return nullptr;
    std::vector<std::int64_t>& lowest = paired ? pairedLowest_ : plainLowest_;
    std::int64_t& made = paired ? pairedScale_ : plainScale_;
    if (made != scale) {
      lowest.resize(static_cast<std::size_t>(fields_));
      for (int x = 0; x < fields_; ++x) {
        std::int64_t w = weightNum_[x];
        if (paired) w = std::min<std::int64_t>(w, weightNum_[partners_[x]]);
        lowest[static_cast<std::size_t>(x)] = w * scale;
      }
      made = scale;
    }
    return lowest.data();
  }

  // SM_getCurrentTwist(record, a, K, J): the twists found are kept (they come from the
  // S matrices of fixed-point theories, which never change); failures are asked again.
  int twist(int a, int K, int J) {
    if (a < 0 || a >= fields_ || K < 0 || K >= order_ || J < 0 || J >= order_)
      return SM_getCurrentTwist(sd_, a, K, J);
    const std::uint64_t key =
        (static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(order_) + static_cast<std::uint64_t>(K)) *
            static_cast<std::uint64_t>(order_) +
        static_cast<std::uint64_t>(J);
    auto found = twists_.find(key);
    if (found != twists_.end()) return found->second;
    const int result = SM_getCurrentTwist(sd_, a, K, J);
    if (result >= 0) twists_.emplace(key, result);
    return result;
  }

 private:
  // A fixed orbit of an N=2 minimal model of even level: the store's general route finds
  // J x a from the product of J with a's orbit position, reduced by a's stabiliser, so on
  // an orbit whose fields share one stabiliser the answer depends on that product alone
  // and is kept per product.
  struct FixedOrbit {
    bool shared = false;
    std::vector<int> member;  // per group element, kUnknown until asked
  };

  int actOnFixedOrbit(int J, int a) {
    const int position = minimal_.orbitPosition[a];
    if (!groupIsMinimal_ || position < 0 || position >= order_) return SM_SimpleAction(sd_, J, a);
    const int base = minimal_.orbitBase[a];
    auto found = fixedOrbits_.find(base);
    if (found == fixedOrbits_.end()) found = fixedOrbits_.emplace(base, describeFixedOrbit(base)).first;
    FixedOrbit& orbit = found->second;
    if (!orbit.shared) return SM_SimpleAction(sd_, J, a);
    int& entry = orbit.member[static_cast<std::size_t>(minimal_.product(J, position))];
    if (entry >= 0) return entry;
    const int result = SM_SimpleAction(sd_, J, a);
    if (result >= 0) entry = result;
    return result;
  }

  FixedOrbit describeFixedOrbit(int base) const {
    FixedOrbit orbit;
    const int width = sd_->scgroup != nullptr ? sd_->scgroup->nfactors : 0;
    if (sd_->stabilizers == nullptr || base < 0 || base >= fields_) return orbit;
    const int* first = sd_->stabilizers + static_cast<std::size_t>(base) * width;
    for (int f = base; f < fields_ && minimal_.orbitBase[f] == base; ++f) {
      const int* row = sd_->stabilizers + static_cast<std::size_t>(f) * width;
      if (!std::equal(first, first + width, row)) return orbit;
    }
    orbit.shared = true;
    orbit.member.assign(static_cast<std::size_t>(order_), kUnknown);
    return orbit;
  }

  void makeGradeTables() {
    gradeTarget_.resize(static_cast<std::size_t>(fields_));
    gradeDistance_.resize(static_cast<std::size_t>(fields_));
    const double den = weightDen_;
    for (int a = 0; a < fields_; ++a) {
      const int b = partners_[a];
      if (b < 0 || b >= fields_) {
        gradeTarget_.clear();
        gradeDistance_.clear();
        return;
      }
      const std::int64_t wa = weightNum_[a];
      const std::int64_t wb = weightNum_[b];
      gradeTarget_[static_cast<std::size_t>(a)] = (wb < wa || (wb == wa && b < a)) ? b : a;
      gradeDistance_[static_cast<std::size_t>(a)] =
          std::fabs(static_cast<double>(wb) / den - static_cast<double>(wa) / den);
    }
  }

  // The group's element numbers multiply as the minimal model's currents do.
  bool minimalGroup() const {
    const DGType* dg = sd_->scgroup;
    if (dg == nullptr) return false;
    const int M = minimal_.modulus;
    if (sd_->level % 2 != 0) return dg->nfactors == 1 && dg->factors[0] == 2 * M;
    return dg->nfactors == 2 && dg->factors[0] == M && dg->factors[1] == 2;
  }


  SpectrumData* sd_;
  int fields_ = 0;
  int order_ = 1;
  int fusionAvailable_ = 0;
  const int* weightNum_ = nullptr;
  int weightDen_ = 0;
  const int* gravitino_ = nullptr;
  const int* labels_ = nullptr;
  const int* orbitBase_ = nullptr;
  const int* orbitPosition_ = nullptr;
  const int* partners_ = nullptr;
  MinimalActionKernel minimal_;
  std::vector<std::int64_t> plainBlocks_;
  std::vector<std::int64_t> pairedBlocks_;
  bool minimalRoute_ = false;
  bool groupIsMinimal_ = false;
  std::unordered_map<int, FixedOrbit> fixedOrbits_;
  std::unordered_map<std::uint64_t, int> twists_;
  std::int64_t maxWeight_ = 0;
  std::vector<int> table_;
  std::vector<int> gradeTarget_;
  std::vector<double> gradeDistance_;
  std::vector<std::int64_t> plainLowest_;
  std::vector<std::int64_t> pairedLowest_;
  std::int64_t plainScale_ = 0;
  std::int64_t pairedScale_ = 0;
};

// The chiral algebra's first `rows` rows coded factor by factor.
struct AlgebraCode {
  std::uint64_t version = 0;
  int rows = -1;
  std::vector<std::vector<int>> values;  // per factor its distinct labels
  std::vector<int> code;                 // rows x factors value indices
  bool integerSpin = false;              // every row has integer weight
  bool sectorUniform = true;             // in every row the graded factors share one grade
  // Rows j = J^j of the one generator J (row 1), in that order, and the factor (-1:
  // none) read from a minimal model's orbit numbering in which J acts as its current 1:
  // there J^j x a runs through consecutive fields of a's orbit.
  bool cyclic = false;
  int dominant = -1;
};

// Entries by 64-bit keys: open addressing over a power-of-two table, at most half full.
class KeyIndex {
 public:
  // The entry of key, -1 when absent.
  int find(std::uint64_t key) const {
    if (slots_.empty()) return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = first(key, mask);; i = (i + 1) & mask) {
      if (slots_[i].entry < 0) return -1;
      if (slots_[i].key == key) return slots_[i].entry;
    }
  }
  void clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    count_ = 0;
  }
  // Key must be absent.
  void add(std::uint64_t key, int entry) {
    if (2 * (count_ + 1) > slots_.size()) {
      std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
      old.swap(slots_);
      for (const Slot& slot : old)
        if (slot.entry >= 0) place(slot);
    }
    place(Slot{key, entry});
    ++count_;
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    int entry = -1;
  };
  static std::size_t first(std::uint64_t key, std::size_t mask) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & mask;
  }
  void place(const Slot& slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = first(slot.key, mask);
    while (slots_[i].entry >= 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

// Per start labels of the factors other than the dominant one of a cyclic algebra: their
// labels per value and the sum of their lower weights per row. An entry is found by one
// integer, the start labels in mixed radix (the factors' field counts) followed by one
// bit per factor that says whether its grade partner counts. Its numbers lie flat in
// chunks of `perChunk` entries, allocated once each: entry e = c * perChunk + k at
// labels[c][k * width + offset[i] + v] (factor i, value v) and at sums[c][k * rows + J].
struct RestSums {
  std::uint64_t version = 0;
  int rows = 0;
  int dominant = -1;
  int width = 0;
  int perChunk = 1;
  std::vector<int> offset;  // per factor; the dominant one has none
  KeyIndex index;
  std::vector<std::vector<int>> labels;
  std::vector<std::vector<std::int64_t>> sums;
  std::vector<std::int64_t> least;
  std::size_t numbers() const { return least.size() * static_cast<std::size_t>(rows); }
};

// Per factor of one algebra code, for every label a asked for: the labels J_i x a over the
// factor's values and their lower weights without and with the grade partner, at entry *
// values in `labels`, `plain` and `paired` (slot[a] = entry, -1 until asked). Factors
// with more than kValueCacheLimit (label, value) pairs keep none (slot empty).
struct ValueCache {
  std::uint64_t version = 0;
  int rows = -1;
  std::vector<std::vector<int>> slot;
  std::vector<std::vector<int>> labels;
  std::vector<std::vector<std::int64_t>> plain;
  std::vector<std::vector<std::int64_t>> paired;
};

}  // namespace

struct OrbitTables {
  std::vector<SpectrumData*> factors;
  std::vector<int> gh;
  std::vector<FactorView> views;
  bool exactWeights = false;  // integer weights on `denominator` usable
  std::int64_t denominator = 1;
  std::vector<std::int64_t> scale;  // per factor D / weight_den
  std::vector<AlgebraCode> codes;   // one per prefix length asked for

  // Work space of the orbit minima (per factor per value).
  std::vector<std::vector<int>> labelOf;
  std::vector<std::vector<std::int64_t>> lowest;
  std::vector<std::int64_t> bounds;
  struct Piece {
    int row;
    int label;
    int run;
  };
  std::vector<Piece> pieces;
  // Sums of the other factors per start labels (cyclic algebras), for one chiral algebra;
  // emptied (its chunks kept) when it would hold more than kRestSumLimit numbers.
  RestSums rest;
  ValueCache valueCache;
  // Reused per call of the orbit minima: a member row, the graded factors, the best
  // member, a start row and a result (no allocation per field).
  std::vector<int> member;
  std::vector<int> start;
  std::vector<int> minimum;
  std::vector<bool> partnered;
  std::vector<int> bestLabels;
  // The weight of every field (TensorRatWeight of its row) for the spectrum version kept.
  std::uint64_t fieldWeightsVersion = 0;
  bool fieldWeightsMade = false;
  std::vector<Rat> fieldWeights;
  std::vector<char> fieldWeightsExact;
};

namespace {

struct FieldTablesState {
  std::unordered_map<const TensorProduct*, std::unique_ptr<OrbitTables>> tables;
  // The product asked for last and its tables (the loops ask for one product at a time).
  const TensorProduct* lastProduct = nullptr;
  OrbitTables* lastTables = nullptr;
};

FieldTablesState& tablesState() {
  static FieldTablesState s;
  return s;
}

bool gradedOn() { return settingOn(cosetState().graded) != 0; }

bool tablesCurrent(const OrbitTables& t, const TensorProduct* TP) {
  if (t.factors.size() != TP->TensorFactors.size() || t.gh != TP->GH) return false;
  for (std::size_t i = 0; i < t.factors.size(); ++i) {
    if (t.factors[i] != TP->TensorFactors[i] || !t.views[i].matches()) return false;
  }
  return true;
}

void buildTables(OrbitTables& t, TensorProduct* TP) {
  t = OrbitTables{};
  t.factors = TP->TensorFactors;
  t.gh = TP->GH;
  t.views.reserve(t.factors.size());
  for (SpectrumData* sd : t.factors) t.views.emplace_back(sd);
  const int n = static_cast<int>(t.factors.size());
  t.exactWeights = true;
  std::int64_t D = 1;
  for (const FactorView& v : t.views) {
    if (!v.weighed()) {
      t.exactWeights = false;
      break;
    }
    const std::int64_t g = std::gcd(D, static_cast<std::int64_t>(v.denominator()));
    D = D / g * v.denominator();
    if (D > kDenominatorLimit) {
      t.exactWeights = false;
      break;
    }
  }
  if (!t.exactWeights) return;
  t.denominator = D;
  // The double sums of the original comparison stay far enough from the 0.1 tolerance:
  // their error, a few n ulps of the largest weight, must be well below 1/(10 D).
  double largest = 1.0;
  for (const FactorView& v : t.views) {
    t.scale.push_back(D / v.denominator());
    largest += static_cast<double>(v.largestNumerator()) / v.denominator();
  }
  const double error = 8.0 * (n + 1) * largest * 1.1102230246251565e-16;
  if (error * 10.0 * static_cast<double>(D) > 0.01) t.exactWeights = false;
  for (std::size_t i = 0; i < t.views.size() && t.exactWeights; ++i) {
    // Sums of up to a few hundred weights stay inside 63 bits.
    if (t.views[i].largestNumerator() > (std::int64_t{1} << 50) / t.scale[i] / 1024) t.exactWeights = false;
  }
}

// Weight of a row of valid labels on the common denominator (G factors only).
std::int64_t rowWeight(const OrbitTables& t, const int* labels) {
  std::int64_t w = 0;
  for (std::size_t i = 0; i < t.views.size(); ++i) w += t.views[i].numerator(labels[i]) * t.scale[i];
  return w;
}

bool validLabels(const OrbitTables& t, const int* labels) {
  for (std::size_t i = 0; i < t.views.size(); ++i)
    if (labels[i] < 0 || labels[i] >= t.views[i].fields()) return false;
  return true;
}

std::int64_t positiveMod(std::int64_t x, std::int64_t m) {
  const std::int64_t r = x % m;
  return r < 0 ? r + m : r;
}

// The graded factors as GradedMinimalForm sees them now (factorGraded, read inline: the
// grading of a factor can change between calls).
inline bool factorIsGraded(const SpectrumData* sd) {
  return sd->graded != 0 && sd->grading != nullptr && sd->n2_multiplets != nullptr;
}

// Marks a code whose rows are the powers of row 1 in order, with its dominant factor.
void findCycle(OrbitTables& t, TensorProduct* TP, AlgebraCode& c) {
  const int n = static_cast<int>(t.views.size());
  if (TP->NumberOfGenerators != 1 || c.rows < 2) return;
  const int* J = TP->ChiralAlgebra.row(1);
  std::vector<int> power(static_cast<std::size_t>(n));
  for (int j = 1; j <= c.rows; ++j) {
    const int* previous = TP->ChiralAlgebra.row(j - 1);
    const int* expected = TP->ChiralAlgebra.row(j % c.rows);
    for (int i = 0; i < n; ++i) {
      power[static_cast<std::size_t>(i)] = t.views[static_cast<std::size_t>(i)].act(J[i], previous[i]);
      if (power[static_cast<std::size_t>(i)] != expected[i]) return;
    }
  }
  c.cyclic = true;
  std::size_t most = 0;
  for (int i = 0; i < n; ++i) {
    const MinimalActionKernel* kernel = t.views[static_cast<std::size_t>(i)].minimalKernel();
    if (kernel == nullptr || J[i] != 1) continue;
    if (c.values[static_cast<std::size_t>(i)].size() > most) {
      most = c.values[static_cast<std::size_t>(i)].size();
      c.dominant = i;
    }
  }
}

const AlgebraCode* algebraCode(OrbitTables& t, TensorProduct* TP, int rows) {
  const std::uint64_t version = TP->ChiralAlgebra.version();
  for (const AlgebraCode& c : t.codes)
    if (c.rows == rows && c.version == version) return &c;
  if (rows < 1 || rows > TP->ChiralAlgebra.size()) return nullptr;
  t.codes.erase(std::remove_if(t.codes.begin(), t.codes.end(),
                               [version](const AlgebraCode& c) { return c.version != version; }),
                t.codes.end());
  AlgebraCode c;
  c.version = version;
  c.rows = rows;
  const int n = static_cast<int>(t.views.size());
  c.values.assign(static_cast<std::size_t>(n), {});
  c.code.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(n));
  c.integerSpin = t.exactWeights;
  std::vector<std::unordered_map<int, int>> index(static_cast<std::size_t>(n));
  for (int J = 0; J < rows; ++J) {
    const int* row = TP->ChiralAlgebra.row(J);
    if (!validLabels(t, row)) return nullptr;
    char sector = 0;
    for (int i = 0; i < n; ++i) {
      auto [it, added] = index[static_cast<std::size_t>(i)].emplace(row[i], static_cast<int>(c.values[static_cast<std::size_t>(i)].size()));
      if (added) c.values[static_cast<std::size_t>(i)].push_back(row[i]);
      c.code[static_cast<std::size_t>(J) * n + i] = it->second;
      const SpectrumData* sd = t.factors[static_cast<std::size_t>(i)];
      if (factorIsGraded(sd)) {
        const char grade = sd->grading[row[i]];
        if (sector == 0) sector = grade;
        if (grade != sector) c.sectorUniform = false;
      }
    }
    if (c.integerSpin && positiveMod(rowWeight(t, row), t.denominator) != 0) c.integerSpin = false;
  }
  findCycle(t, TP, c);
  t.codes.push_back(std::move(c));
  return &t.codes.back();
}

// The graded minimal form of a row of valid labels (GradedMinimalForm with exact weights).
// The double distances are those of the original: the quotients of the same integers.
void exactGradedMinimalForm(const OrbitTables& t, int* labels) {
  int changed = 0;
  int smallest = -1;
  double smallestDistance = 0.0;
  for (std::size_t i = 0; i < t.views.size(); ++i) {
    const SpectrumData* sd = t.factors[i];
    if (!factorIsGraded(sd)) continue;
    const int a = labels[i];
    const int* targets = t.views[i].gradeTargets();
    if (targets != nullptr) {
      const double distance = t.views[i].gradeDistances()[a];
      if (smallest < 0 || distance < smallestDistance) {
        smallest = static_cast<int>(i);
        smallestDistance = distance;
      }
      if (targets[a] != a) {
        labels[i] = targets[a];
        ++changed;
      }
      continue;
    }
    const int b = sd->n2_multiplets[a];
    const std::int64_t wa = t.views[i].numerator(a);
    const std::int64_t wb = t.views[i].numerator(b);
    const double den = t.views[i].denominator();
    const double distance = std::fabs(static_cast<double>(wb) / den - static_cast<double>(wa) / den);
    if (smallest < 0 || distance < smallestDistance) {
      smallest = static_cast<int>(i);
      smallestDistance = distance;
    }
    if (wb < wa || (wb == wa && b < a)) {
      labels[i] = b;
      ++changed;
    }
  }
  if (changed % 2 == 1 && smallest >= 0) {
    const SpectrumData* sd = t.factors[static_cast<std::size_t>(smallest)];
    labels[smallest] = sd->n2_multiplets[labels[smallest]];
  }
}

int lexicographic(const int* a, const int* b, int n) {
  for (int i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// A candidate of an orbit minimum: its labels and weight.
struct Candidate {
  std::vector<int> labels;
  std::int64_t weight = 0;
  bool set = false;
};

bool better(const std::vector<int>& labels, std::int64_t weight, const Candidate& best) {
  if (!best.set || weight != best.weight) return !best.set || weight < best.weight;
  return lexicographic(labels.data(), best.labels.data(), static_cast<int>(labels.size())) < 0;
}

// The lower weight of label x of factor i and its grade partner (the label's own weight
// when the partner does not count), on the common denominator.
std::int64_t lowestWeight(const OrbitTables& t, int i, int x, bool partnered) {
  const FactorView& view = t.views[static_cast<std::size_t>(i)];
  std::int64_t w = view.numerator(x);
  if (partnered) w = std::min(w, view.numerator(t.factors[static_cast<std::size_t>(i)]->n2_multiplets[x]));
  return w * t.scale[static_cast<std::size_t>(i)];
}

// Labels J_i x s_i and their lower weights for every value of factor i (as many as the
// factor has values); false when an action fails.
bool computeValuesOfFactor(OrbitTables& t, const AlgebraCode& code, int i, int label, bool partnered, int* labels,
                           std::int64_t* lowest) {
  const std::vector<int>& values = code.values[static_cast<std::size_t>(i)];
  FactorView& view = t.views[static_cast<std::size_t>(i)];
  for (std::size_t v = 0; v < values.size(); ++v) {
    const int x = view.act(values[v], label);
    if (x < 0) return false;
    labels[v] = x;
    lowest[v] = lowestWeight(t, i, x, partnered);
  }
  return true;
}

// computeValuesOfFactor through the value cache of the code.
bool valuesOfFactor(OrbitTables& t, const AlgebraCode& code, int i, int label, bool partnered, int* labels,
                    std::int64_t* lowest) {
  ValueCache& cache = t.valueCache;
  const std::size_t n = t.views.size();
  if (cache.version != code.version || cache.rows != code.rows || cache.slot.size() != n) {
    cache = ValueCache{};
    cache.version = code.version;
    cache.rows = code.rows;
    cache.slot.resize(n);
    cache.labels.resize(n);
    cache.plain.resize(n);
    cache.paired.resize(n);
    for (std::size_t f = 0; f < n; ++f) {
      const std::int64_t fields = t.views[f].fields();
      if (fields * static_cast<std::int64_t>(code.values[f].size()) <= kValueCacheLimit)
        cache.slot[f].assign(static_cast<std::size_t>(fields), -1);
    }
  }
  const std::size_t f = static_cast<std::size_t>(i);
  std::vector<int>& slot = cache.slot[f];
  if (slot.empty()) return computeValuesOfFactor(t, code, i, label, partnered, labels, lowest);
  const std::size_t values = code.values[f].size();
  int entry = slot[static_cast<std::size_t>(label)];
  if (entry < 0) {
    entry = static_cast<int>(cache.labels[f].size() / std::max<std::size_t>(values, 1));
    const std::size_t at = static_cast<std::size_t>(entry) * values;
    cache.labels[f].resize(at + values);
    cache.plain[f].resize(at + values);
    cache.paired[f].resize(at + values);
    if (!computeValuesOfFactor(t, code, i, label, false, cache.labels[f].data() + at, cache.plain[f].data() + at)) {
      cache.labels[f].resize(at);
      cache.plain[f].resize(at);
      cache.paired[f].resize(at);
      return false;
    }
    const bool partners = t.factors[f]->n2_multiplets != nullptr;
    for (std::size_t v = 0; v < values; ++v)
      cache.paired[f][at + v] = partners ? lowestWeight(t, i, cache.labels[f][at + v], true) : cache.plain[f][at + v];
    slot[static_cast<std::size_t>(label)] = entry;
  }
  const std::size_t at = static_cast<std::size_t>(entry) * values;
  std::copy_n(cache.labels[f].data() + at, values, labels);
  std::copy_n((partnered ? cache.paired[f] : cache.plain[f]).data() + at, values, lowest);
  return true;
}

bool valuesOfFactor(OrbitTables& t, const AlgebraCode& code, int i, int label, bool partnered,
                    std::vector<int>& labels, std::vector<std::int64_t>& lowest) {
  const std::size_t values = code.values[static_cast<std::size_t>(i)].size();
  labels.resize(values);
  lowest.resize(values);
  return valuesOfFactor(t, code, i, label, partnered, labels.data(), lowest.data());
}

// A member's labels and lower bound per row: `bound(J)` and `labels(J, out)`.
struct MemberSource {
  OrbitTables* t = nullptr;
  const AlgebraCode* code = nullptr;
  int n = 0;
  // Cyclic algebra, dominant factor d: its label of row j is first + (offset + j) mod length.
  int dominant = -1;
  int first = 0;
  int offset = 0;
  int length = 1;
  const int* restLabels = nullptr;     // the entry's labels (RestSums)
  const int* restOffset = nullptr;     // per factor
  const std::int64_t* restSum = nullptr;
  std::int64_t restLeast = 0;
  bool paired = false;

  void labels(int J, int* out) const {
    const int* c = code->code.data() + static_cast<std::size_t>(J) * n;
    if (dominant < 0) {
      for (int i = 0; i < n; ++i)
        out[i] = t->labelOf[static_cast<std::size_t>(i)][static_cast<std::size_t>(c[i])];
      return;
    }
    for (int i = 0; i < n; ++i) {
      if (i == dominant) {
        out[i] = first + (offset + J) % length;
      } else {
        out[i] = restLabels[restOffset[i] + c[i]];
      }
    }
  }
};

// Lower bounds of every row into t.bounds from the values of every factor.
bool boundRows(OrbitTables& t, const AlgebraCode& code, const int* s, const std::vector<bool>& partnered,
               MemberSource& source) {
  const int n = source.n;
  t.labelOf.resize(static_cast<std::size_t>(n));
  t.lowest.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (!valuesOfFactor(t, code, i, s[i], partnered[static_cast<std::size_t>(i)], t.labelOf[static_cast<std::size_t>(i)],
                        t.lowest[static_cast<std::size_t>(i)]))
      return false;
  }
  t.bounds.resize(static_cast<std::size_t>(code.rows));
  for (int J = 0; J < code.rows; ++J) {
    const int* c = code.code.data() + static_cast<std::size_t>(J) * n;
    std::int64_t bound = 0;
    for (int i = 0; i < n; ++i) bound += t.lowest[static_cast<std::size_t>(i)][static_cast<std::size_t>(c[i])];
    t.bounds[static_cast<std::size_t>(J)] = bound;
  }
  return true;
}

// A cyclic algebra with a dominant factor: that factor's labels run through consecutive
// fields, the other factors' sums are kept per start labels.
bool prepareCyclic(OrbitTables& t, const AlgebraCode& code, const int* s, const std::vector<bool>& partnered,
                     MemberSource& source) {
  const int n = source.n;
  const int d = code.dominant;
  const MinimalActionKernel& kernel = *t.views[static_cast<std::size_t>(d)].minimalKernel();
  const int a = s[d];
  if (kernel.onFixedOrbit(a)) return false;
  const int position = kernel.orbitPosition[a];
  if (position < 0 || position >= 2 * kernel.modulus) return false;
  // Current j (j < the order of current 1) times the position: one run of the orbit.
  const int length = kernel.level % 2 != 0 ? 2 * kernel.modulus : kernel.modulus;
  const int layer = position - position % length;
  const int first = kernel.orbitBase[a] + layer;
  if (first < 0 || static_cast<std::int64_t>(first) + length > t.views[static_cast<std::size_t>(d)].fields()) return false;
  source.dominant = d;
  source.first = first;
  source.offset = position % length;
  source.length = length;
  // The other factors' sums.
  RestSums& rest = t.rest;
  if (rest.numbers() > kRestSumLimit) {
    // Emptied, its chunks kept for the next entries.
    rest.index.clear();
    rest.least.clear();
    for (std::vector<int>& chunk : rest.labels) chunk.clear();
    for (std::vector<std::int64_t>& chunk : rest.sums) chunk.clear();
  }
  if (rest.version != code.version || rest.rows != code.rows || rest.dominant != d) {
    rest = RestSums{};
    rest.version = code.version;
    rest.rows = code.rows;
    rest.dominant = d;
    rest.offset.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
      if (i == d) continue;
      rest.offset[static_cast<std::size_t>(i)] = rest.width;
      rest.width += static_cast<int>(code.values[static_cast<std::size_t>(i)].size());
    }
    rest.perChunk = std::max(1, kRestChunkNumbers / std::max(code.rows, rest.width));
  }
  std::uint64_t key = 0;
  bool keyed = true;
  for (int i = 0; i < n && keyed; ++i) {
    if (i == d) continue;
    const std::uint64_t radix = static_cast<std::uint64_t>(t.views[static_cast<std::size_t>(i)].fields());
    keyed = !__builtin_mul_overflow(key, radix, &key) &&
            !__builtin_add_overflow(key, static_cast<std::uint64_t>(s[i]), &key);
  }
  for (int i = 0; i < n && keyed; ++i)
    keyed = !__builtin_mul_overflow(key, std::uint64_t{2}, &key) &&
            !__builtin_add_overflow(key, partnered[static_cast<std::size_t>(i)] ? 1U : 0U, &key);
  // Start labels beyond 64 bits of key: the caller bounds every row instead.
  if (!keyed) return false;
  const std::size_t width = static_cast<std::size_t>(rest.width);
  const std::size_t rows = static_cast<std::size_t>(code.rows);
  int entry = rest.index.find(key);
  if (entry < 0) {
    entry = static_cast<int>(rest.least.size());
    const std::size_t chunk = static_cast<std::size_t>(entry / rest.perChunk);
    const std::size_t k = static_cast<std::size_t>(entry % rest.perChunk);
    if (rest.labels.size() <= chunk) {
      const std::size_t perChunk = static_cast<std::size_t>(rest.perChunk);
      rest.labels.emplace_back().reserve(perChunk * width);
      rest.sums.emplace_back().reserve(perChunk * rows);
    }
    rest.labels[chunk].resize((k + 1) * width);
    int* labels = rest.labels[chunk].data() + k * width;
    t.lowest.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      if (i == d) continue;
      std::vector<std::int64_t>& lowest = t.lowest[static_cast<std::size_t>(i)];
      lowest.resize(code.values[static_cast<std::size_t>(i)].size());
      if (!valuesOfFactor(t, code, i, s[i], partnered[static_cast<std::size_t>(i)],
                          labels + rest.offset[static_cast<std::size_t>(i)], lowest.data())) {
        rest.labels[chunk].resize(k * width);
        return false;
      }
    }
    rest.sums[chunk].resize((k + 1) * rows, 0);
    std::int64_t* sums = rest.sums[chunk].data() + k * rows;
    for (int i = 0; i < n; ++i) {
      if (i == d) continue;
      const std::int64_t* lowest = t.lowest[static_cast<std::size_t>(i)].data();
      const int* c = code.code.data() + i;
      for (std::size_t J = 0; J < rows; ++J) sums[J] += lowest[c[J * static_cast<std::size_t>(n)]];
    }
    rest.least.push_back(*std::min_element(sums, sums + rows));
    rest.index.add(key, entry);
  }
  const std::size_t chunk = static_cast<std::size_t>(entry / rest.perChunk);
  const std::size_t k = static_cast<std::size_t>(entry % rest.perChunk);
  source.restLabels = rest.labels[chunk].data() + k * width;
  source.restOffset = rest.offset.data();
  source.restSum = rest.sums[chunk].data() + k * rows;
  source.restLeast = rest.least[static_cast<std::size_t>(entry)];
  source.paired = partnered[static_cast<std::size_t>(d)];
  return true;
}

// The search of orbitMinimum over the rows of a cyclic algebra (prepareCyclic): the rows
// are taken in pieces whose dominant labels lie in one block of labels; a piece whose
// block minimum plus the least sum of the other factors passes the best weight is skipped
// whole, the rows of the others are bounded one by one.
template <class Evaluate>
void searchCyclic(OrbitTables& t, const MemberSource& source, const Candidate& best, Evaluate evaluate) {
  const int d = source.dominant;
  FactorView& view = t.views[static_cast<std::size_t>(d)];
  const std::int64_t scale = t.scale[static_cast<std::size_t>(d)];
  const std::int64_t* blocks = view.blockMinima(source.paired);
  const int* partners = t.factors[static_cast<std::size_t>(d)]->n2_multiplets;
  const std::int64_t* sum = source.restSum;
  const std::int64_t leastSum = source.restLeast;
  const int rows = source.code->rows;
  constexpr int kBlock = FactorView::kBlock;
  // Pieces: rows [j, j + run) at labels [label, label + run) inside one block.
  using Piece = OrbitTables::Piece;
  std::vector<Piece>& pieces = t.pieces;
  pieces.clear();
  int leastPiece = -1;
  std::int64_t leastBound = INT64_MAX;
  for (int j = 0, x = source.offset; j < rows;) {
    const int label = source.first + x;
    const int run = std::min({rows - j, source.length - x, kBlock - label % kBlock});
    const std::int64_t bound = blocks[label / kBlock] * scale + leastSum;
    if (bound < leastBound) {
      leastBound = bound;
      leastPiece = static_cast<int>(pieces.size());
    }
    pieces.push_back({j, label, run});
    j += run;
    x += run;
    if (x == source.length) x = 0;
  }
  const std::int64_t* lowest = view.scaledLowest(source.paired, scale);
  auto rowBound = [&](int row, int label) {
    if (lowest != nullptr) return lowest[label] + sum[row];
    std::int64_t w = view.numerator(label);
    if (source.paired) w = std::min(w, view.numerator(partners[label]));
    return w * scale + sum[row];
  };
  auto searchPiece = [&](const Piece& p) {
    for (int r = 0; r < p.run; ++r) {
      if (rowBound(p.row + r, p.label + r) <= best.weight || !best.set) evaluate(p.row + r);
    }
  };
  if (leastPiece >= 0) {
    // The row of least bound in the least piece first, for a good best weight early.
    const Piece& p = pieces[static_cast<std::size_t>(leastPiece)];
    int leastRow = p.row;
    std::int64_t least = INT64_MAX;
    for (int r = 0; r < p.run; ++r) {
      const std::int64_t b = rowBound(p.row + r, p.label + r);
      if (b < least) {
        least = b;
        leastRow = p.row + r;
      }
    }
    evaluate(leastRow);
  }
  for (const Piece& p : pieces) {
    if (blocks[p.label / kBlock] * scale + leastSum <= best.weight) searchPiece(p);
  }
}

// The minimum by (weight, labels) over the members GMF(J x s) for J < rows (and s itself
// when withStart); false when the premise of the file comment fails or an action fails.
bool orbitMinimum(OrbitTables& t, TensorProduct* TP, const int* s, int rows, bool withStart, bool gmf,
                  std::vector<int>& out) {
  const int n = static_cast<int>(t.views.size());
  if (!t.exactWeights || TP->ExactWeightFlag != 1 || n == 0 || !validLabels(t, s)) return false;
  if (rows != TP->ChiralAlgebraOrder) return false;
  const AlgebraCode* code = algebraCode(t, TP, rows);
  if (code == nullptr || !code->integerSpin) return false;
  const std::int64_t D = t.denominator;
  const std::int64_t base = positiveMod(rowWeight(t, s), D);
  std::vector<int>& member = t.member;
  member.resize(static_cast<std::size_t>(n));
  // Each generator moves s by an integer weight.
  for (int g = 1; g <= TP->NumberOfGenerators && g < rows; ++g) {
    const int* J = TP->ChiralAlgebra.row(g);
    for (int i = 0; i < n; ++i) {
      member[static_cast<std::size_t>(i)] = t.views[static_cast<std::size_t>(i)].act(J[i], s[i]);
      if (member[static_cast<std::size_t>(i)] < 0) return false;
    }
    if (positiveMod(rowWeight(t, member.data()), D) != base) return false;
  }
  // Graded factors: one sector in s and in every row.
  std::vector<bool>& partnered = t.partnered;
  partnered.assign(static_cast<std::size_t>(n), false);
  if (gmf) {
    char sector = 0;
    for (int i = 0; i < n; ++i) {
      const SpectrumData* sd = t.factors[static_cast<std::size_t>(i)];
      if (!factorIsGraded(sd)) continue;
      partnered[static_cast<std::size_t>(i)] = true;
      if (sector == 0) sector = sd->grading[s[i]];
      if (sd->grading[s[i]] != sector) return false;
    }
    if (sector != 0 && !code->sectorUniform) return false;
  }
  MemberSource source;
  source.t = &t;
  source.code = code;
  source.n = n;
  const bool cyclic = code->cyclic && code->dominant >= 0 && prepareCyclic(t, *code, s, partnered, source);
  if (!cyclic) {
    source.dominant = -1;
    if (!boundRows(t, *code, s, partnered, source)) return false;
  }
  Candidate best;
  best.labels.swap(t.bestLabels);
  // The scratch goes back to the tables on every way out.
  struct Return {
    Candidate& best;
    std::vector<int>& scratch;
    ~Return() { scratch.swap(best.labels); }
  } giveBack{best, t.bestLabels};
  bool consistent = true;
  auto consider = [&](const std::vector<int>& labels, std::int64_t weight) {
    if (positiveMod(weight, D) != base) consistent = false;
    if (better(labels, weight, best)) {
      best.labels = labels;
      best.weight = weight;
      best.set = true;
    }
  };
  if (withStart) {
    member.assign(s, s + n);
    consider(member, rowWeight(t, s));
  }
  auto evaluate = [&](int J) {
    source.labels(J, member.data());
    if (gmf) exactGradedMinimalForm(t, member.data());
    consider(member, rowWeight(t, member.data()));
  };
  if (cyclic) {
    searchCyclic(t, source, best, evaluate);
  } else {
    // A row of least bound first (usually the minimum), then every row whose bound does
    // not pass the best weight.
    const std::int64_t* bounds = t.bounds.data();
    int leastRow = 0;
    for (int J = 1; J < rows; ++J)
      if (bounds[J] < bounds[leastRow]) leastRow = J;
    evaluate(leastRow);
    for (int J = 0; J < rows && consistent; ++J) {
      if (bounds[J] <= best.weight && J != leastRow) evaluate(J);
    }
  }
  if (!consistent || !best.set) return false;
  out.assign(best.labels.begin(), best.labels.end());
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------

OrbitTables* orbitTables(TensorProduct* TP) {
  FieldTablesState& state = tablesState();
  if (state.lastProduct == TP && state.lastTables != nullptr) {
    if (!tablesCurrent(*state.lastTables, TP)) buildTables(*state.lastTables, TP);
    return state.lastTables;
  }
  std::unique_ptr<OrbitTables>& slot = state.tables[TP];
  if (!slot) {
    slot = std::make_unique<OrbitTables>();
    buildTables(*slot, TP);
  } else if (!tablesCurrent(*slot, TP)) {
    buildTables(*slot, TP);
  }
  state.lastProduct = TP;
  state.lastTables = slot.get();
  return slot.get();
}

void forgetOrbitTables(const TensorProduct* TP) {
  FieldTablesState& state = tablesState();
  state.tables.erase(TP);
  if (state.lastProduct == TP) {
    state.lastProduct = nullptr;
    state.lastTables = nullptr;
  }
}

void resetOrbitTables() {
  FieldTablesState& state = tablesState();
  state.tables.clear();
  state.lastProduct = nullptr;
  state.lastTables = nullptr;
}

void flatSimpleAction(TensorProduct* TP, const int* J, const int* a, int* out) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  for (int i = 0; i < n; ++i) out[i] = t->views[static_cast<std::size_t>(i)].act(J[i], a[i]);
}

namespace {

// TensorRatWeight from the integer weights: the sum over the factors of weight_num * (D /
// weight_den), H factors subtracted, brought to lowest terms once.
int integerRatWeight(const OrbitTables& t, TensorProduct* TP, const int* labels, Rat* q) {
  std::int64_t sum = 0;
  bool exact = true;
  for (std::size_t i = 0; i < t.views.size(); ++i) {
    const SpectrumData* sd = t.factors[i];
    const std::int64_t w = t.views[i].numerator(labels[i]) * t.scale[i];
    if (sd->exact == nullptr || sd->exact[labels[i]] == 0) exact = false;
    if (TP->GH[i] != 0) {
      exact = false;
      sum -= w;
    } else {
      sum += w;
    }
  }
  std::int64_t den = t.denominator;
  const std::int64_t g = std::gcd(sum < 0 ? -sum : sum, den);
  std::int64_t num = sum / g;
  den /= g;
  if (!exact) {
    num %= den;
    if (num < 0) num += den;
    const std::int64_t h = std::gcd(num, den);
    num /= h;
    den /= h;
    if (num == 0) den = 1;
  }
  *q = Rat{num, den};
  return exact ? 1 : 0;
}

}  // namespace

bool fastTensorRatWeight(TensorProduct* TP, const int* labels, Rat* q, int* exact) {
  OrbitTables* t = orbitTables(TP);
  if (!t->exactWeights || t->views.size() != TP->GH.size() || !validLabels(*t, labels)) return false;
  *exact = integerRatWeight(*t, TP, labels, q);
  return true;
}

int CT_fieldRatWeight(TensorProduct* TP, int f, Rat* q) {
  const int rows = TP->Spectrum.size();
  if (f < 0 || f >= rows) return TensorRatWeight(TP, TensorField(TP, f), q);
  // The weights made for the same rows of the same factors hold whatever else the factor
  // records have gained since (a fusion table): no check of the records per field.
  const FieldTablesState& state = tablesState();
  const OrbitTables* last = state.lastProduct == TP ? state.lastTables : nullptr;
  if (last != nullptr && last->fieldWeightsMade && last->fieldWeightsVersion == TP->Spectrum.version() &&
      static_cast<int>(last->fieldWeights.size()) == rows && last->factors == TP->TensorFactors && last->gh == TP->GH) {
    *q = last->fieldWeights[static_cast<std::size_t>(f)];
    return last->fieldWeightsExact[static_cast<std::size_t>(f)];
  }
  OrbitTables* t = orbitTables(TP);
  if (!t->fieldWeightsMade || t->fieldWeightsVersion != TP->Spectrum.version() ||
      static_cast<int>(t->fieldWeights.size()) != rows) {
    t->fieldWeightsMade = false;
    t->fieldWeights.assign(static_cast<std::size_t>(rows), Rat{0, 1});
    t->fieldWeightsExact.assign(static_cast<std::size_t>(rows), 0);
    for (int k = 0; k < rows; ++k) {
      // Stopped here, the weights stay unmade and are made again when next asked for.
      obeyInterruptRequest();
      Rat h;
      t->fieldWeightsExact[static_cast<std::size_t>(k)] = static_cast<char>(TensorRatWeight(TP, TP->Spectrum.row(k), &h));
      t->fieldWeights[static_cast<std::size_t>(k)] = h;
    }
    t->fieldWeightsVersion = TP->Spectrum.version();
    t->fieldWeightsMade = true;
  }
  *q = t->fieldWeights[static_cast<std::size_t>(f)];
  return t->fieldWeightsExact[static_cast<std::size_t>(f)];
}

int flatCurrentTwist(TensorProduct* TP, int i, int a, int K, int J) {
  return orbitTables(TP)->views[static_cast<std::size_t>(i)].twist(a, K, J);
}

bool fastRepresentative(TensorProduct* TP, const int* labels, std::vector<int>& out) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  if (!t->exactWeights || !validLabels(*t, labels)) return false;
  const bool graded = gradedOn();
  std::vector<int>& start = t->start;
  start.assign(labels, labels + n);
  if (graded) exactGradedMinimalForm(*t, start.data());
  const int rows = graded ? TP->ChiralAlgebraOrder : TP->ChiralAlgebra.size();
  return orbitMinimum(*t, TP, start.data(), rows, true, graded, out);
}

int fastFindOrbit(TensorProduct* TP, const int* row) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  if (!t->exactWeights || !validLabels(*t, row)) return -2;
  std::vector<int>& minimum = t->minimum;
  if (!orbitMinimum(*t, TP, row, TP->ChiralAlgebraOrder, false, gradedOn(), minimum)) return -2;
  minimum.push_back(row[n]);
  return TP->Spectrum.find(minimum.data());
}

int fastMinimumOrder(TensorProduct* TP, const int* labels, int rows, bool gmf, const int* reference) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  if (!t->exactWeights || !validLabels(*t, labels) || !validLabels(*t, reference)) return kNoFastAnswer;
  std::vector<int>& minimum = t->minimum;
  if (!orbitMinimum(*t, TP, labels, rows, false, gmf, minimum)) return kNoFastAnswer;
  const std::int64_t a = rowWeight(*t, minimum.data());
  const std::int64_t b = rowWeight(*t, reference);
  // The reference is a member: its weight differs from the minimum's by an integer.
  if (positiveMod(a - b, t->denominator) != 0) return kNoFastAnswer;
  if (a != b) return a < b ? -1 : 1;
  return lexicographic(minimum.data(), reference, n);
}

bool fastStabilizer(TensorProduct* TP, const int* labels, std::vector<int>& S) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  const int rows = TP->ChiralAlgebra.size();
  if (n == 0 || !validLabels(*t, labels)) return false;
  const AlgebraCode* code = algebraCode(*t, TP, rows);
  if (code == nullptr) return false;
  // Per factor the labels of the algebra that fix the factor's label.
  std::vector<std::vector<int>> fixers(static_cast<std::size_t>(n));
  std::size_t tuples = 1;
  for (int i = 0; i < n; ++i) {
    const std::vector<int>& values = code->values[static_cast<std::size_t>(i)];
    FactorView& view = t->views[static_cast<std::size_t>(i)];
    const MinimalActionKernel* kernel = view.minimalKernel();
    const int a = labels[i];
    std::vector<int>& fixing = fixers[static_cast<std::size_t>(i)];
    if (kernel != nullptr && !kernel->onFixedOrbit(a) && kernel->orbitPosition[a] >= 0 &&
        kernel->orbitPosition[a] < 2 * kernel->modulus) {
      // A field off the fixed orbit: its orbit lists every current once.
      if (std::find(values.begin(), values.end(), 0) != values.end()) fixing.push_back(0);
    } else {
      for (int v : values)
        if (view.act(v, a) == a) fixing.push_back(v);
    }
    tuples *= std::max<std::size_t>(fixing.size(), 1);
    if (fixing.empty()) {
      S.clear();
      return true;
    }
    if (tuples > 4096) return false;
  }
  S.clear();
  std::vector<std::size_t> digit(static_cast<std::size_t>(n), 0);
  std::vector<int> row(static_cast<std::size_t>(n));
  while (true) {
    for (int i = 0; i < n; ++i) row[static_cast<std::size_t>(i)] = fixers[static_cast<std::size_t>(i)][digit[static_cast<std::size_t>(i)]];
    const int J = TP->ChiralAlgebra.find(row.data());
    if (J >= 0 && J < rows) S.push_back(J);
    int i = n - 1;
    while (i >= 0 && ++digit[static_cast<std::size_t>(i)] == fixers[static_cast<std::size_t>(i)].size()) {
      digit[static_cast<std::size_t>(i)] = 0;
      --i;
    }
    if (i < 0) break;
  }
  std::sort(S.begin(), S.end());
  return true;
}

bool fastGradedMinimalForm(TensorProduct* TP, int* labels) {
  OrbitTables* t = orbitTables(TP);
  if (!t->exactWeights || !validLabels(*t, labels)) return false;
  exactGradedMinimalForm(*t, labels);
  return true;
}

int fastCompareOrbitGenerators(TensorProduct* TP, const int* a, const int* b) {
  OrbitTables* t = orbitTables(TP);
  const int n = TP->NumberOfFactors;
  if (TP->ExactWeightFlag == 1) {
    if (!t->exactWeights || !validLabels(*t, a) || !validLabels(*t, b)) return kNoFastAnswer;
    const std::int64_t difference = rowWeight(*t, a) - rowWeight(*t, b);
    const std::int64_t tenfold = 10 * (difference < 0 ? -difference : difference);
    if (tenfold > t->denominator) return difference < 0 ? -1 : 1;
    // Exactly 0.1 apart: the doubles of the original decide.
    if (tenfold == t->denominator) return kNoFastAnswer;
  }
  return lexicographic(a, b, n);
}
