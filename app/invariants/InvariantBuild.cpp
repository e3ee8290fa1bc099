// Building the matrix Z of a simple-current invariant from its SimpleCurrentData: the
// monodromy conditions that admit a current as the right partner of a field, the left
// orbits under the kernel, and the rows of Z.
//
// A group element g of G is known by its component vector alpha(g) in the group's cyclic
// decomposition (orders N_a); its current is the primary map[g]. Z(i, j) is the number of g
// with J_g i = j and Q_{J_a}(i) + sum_b X_ab alpha_b(g) / N_a integral for every generator
// a. The admitted g of a row form a coset of ker X, so each distinct partner comes with the
// same multiplicity: the order of the stabiliser of i in ker X. Rows i and K i are equal for
// K in ker X^T (the left chiral algebra): there Q_{J_a}(K i) = Q_{J_a}(i) + sum_b X_ab
// alpha_b(K) / N_a mod 1, which moves the admitted currents by K. For a non-symmetric X the
// two kernels differ, and only ker X^T may group rows.
//
// Rows are computed into a scratch list first; the record is then sized for all of them
// and filled, so nothing is ever written past its end.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

int generatorCount(const SimpleCurrentData* MD) {
  return MD->group == nullptr ? 0 : MD->group->nfactors;
}

int groupOrder(const SimpleCurrentData* MD) {
  return MD->group == nullptr ? 1 : MD->group->order;
}

int generatorOrder(const SimpleCurrentData* MD, int a) { return MD->group->factors[a]; }

// The charges Q_{J_a}(i) of i under the basis currents (0 for the vacuum).
std::vector<Rat> basisCharges(const SimpleCurrentData* MD, int i) {
  const int n = generatorCount(MD);
  std::vector<Rat> charges(static_cast<std::size_t>(n), Rat{0, 1});
  if (i == 0) return charges;
  for (int a = 0; a < n; ++a) {
    Rat q = *simpleCurrentCharge(currentOfElement(MD, DG_basis(MD->group, a)), i);
    simplifyRat(&q);
    charges[static_cast<std::size_t>(a)] = q;
  }
  return charges;
}

// q + s / N integral, with q = num/den reduced.
bool integralSum(const Rat& q, long long s, long long N) {
  const long long den = q.den == 0 ? 1 : q.den;
  const __int128 top = static_cast<__int128>(q.num) * N + static_cast<__int128>(s) * den;
  return top % (static_cast<__int128>(den) * N) == 0;
}

bool admitted(const SimpleCurrentData* MD, const std::vector<Rat>& charges, const int* beta,
              bool mirror) {
  const int n = generatorCount(MD);
  const int* X = xMatrix(MD);
  for (int a = 0; a < n; ++a) {
    long long s = 0;
    const long long Na = generatorOrder(MD, a);
    if (!mirror) {
      for (int b = 0; b < n; ++b) s += static_cast<long long>(X[a * n + b]) * beta[b];
      if (!integralSum(charges[static_cast<std::size_t>(a)], s, Na)) return false;
    } else {
      // sum_b X_ba beta_b / N_b, brought over the common denominator prod N_b.
      Rat sum{0, 1};
      for (int b = 0; b < n; ++b) {
        Rat term{static_cast<long long>(X[b * n + a]) * beta[b], generatorOrder(MD, b)};
        Rat out;
        addRat(&sum, &term, &out);
        sum = out;
      }
      Rat total;
      addRat(&charges[static_cast<std::size_t>(a)], &sum, &total);
      if (intcheck(&total) != 0) return false;
    }
  }
  return true;
}

std::vector<int> componentsOf(const SimpleCurrentData* MD, int g) {
  const int n = generatorCount(MD);
  std::vector<int> alpha(static_cast<std::size_t>(n));
  for (int a = 0; a < n; ++a) alpha[static_cast<std::size_t>(a)] = DG_decomp(MD->group, g, a);
  return alpha;
}

int primaryCount() {
  return std::max(knownPrimaryCount(), 1);
}

struct RightFieldBuffers {
  std::vector<int> fields;
  bool initialised = false;
};

RightFieldBuffers& rightFieldBuffers() {
  static RightFieldBuffers b;
  return b;
}

// One built row: its partners, then its stabiliser currents; shared by the members listed.
// Its members and entries are ranges of the flat lists of all built rows.
struct BuiltRow {
  std::size_t memberStart = 0;
  std::size_t memberCount = 0;
  std::size_t entryStart = 0;
  std::size_t entryCount = 0;
  int count = 0;
  int mult = 0;
};

// Current k of the left chiral algebra (ker X^T, the second half of the kernels).
int leftAlgebraCurrent(const SimpleCurrentData* MD, int k) {
  const std::size_t at = static_cast<std::size_t>(groupOrder(MD)) + static_cast<std::size_t>(k);
  return at < MD->kernels.size() ? MD->kernels[at] : 0;
}

// getLeftOrbit with the test "h_i - h_j integral" from integral.
template <class Integral>
int leftOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i, Integral integral) {
  out.clear();
  const int K = std::max(MD->kernel_size, 1);
  for (int k = 0; k < K; ++k) {
    const int current = leftAlgebraCurrent(MD, k);
    const int image = simpleFusion(current, i);
    if (image < 0 || !integral(i, image)) {
      out.clear();
      return 0;
    }
    out.push_back(image);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  const int s = K / static_cast<int>(out.size());
  return out.front() == i ? s : -s;
}

// Per field of the current theory, looked up once: its weight (reduced) and its charges
// under the basis currents of the group last built for. Valid while the theory (its change
// counter and tensor mode) and, for the charges, the basis currents stay the same. The
// charge of a field under a current is kept per current as well, for the next groups whose
// bases share that current (up to kCurrentChargeCells charges in all).
class FieldMemo {
 public:
  void prepare(const SimpleCurrentData* MD, int N) {
    const int n = generatorCount(MD);
    std::vector<int> basis(static_cast<std::size_t>(n));
    for (int a = 0; a < n; ++a) basis[static_cast<std::size_t>(a)] = currentOfElement(MD, DG_basis(MD->group, a));
    if (stamp_ != QueryCFT() || tensor_ != KMCosetSwitch || N_ != N) {
      stamp_ = QueryCFT();
      tensor_ = KMCosetSwitch;
      N_ = N;
      weights_.assign(static_cast<std::size_t>(N), Rat{0, 1});
      weightKnown_.assign(static_cast<std::size_t>(N), 0);
      basis_.clear();
      chargeKnown_.clear();
      rowOfCurrent_.clear();
      currentCharges_.clear();
      currentKnown_.clear();
    }
    if (basis != basis_ || chargeKnown_.empty()) {
      basis_ = basis;
      charges_.assign(static_cast<std::size_t>(N) * static_cast<std::size_t>(n), Rat{0, 1});
      chargeKnown_.assign(static_cast<std::size_t>(N), 0);
      basisRows_.assign(static_cast<std::size_t>(n), -1);
      for (int a = 0; a < n; ++a)
        basisRows_[static_cast<std::size_t>(a)] = currentRow(basis[static_cast<std::size_t>(a)]);
    }
  }

  Rat weight(int f) {
    if (f < 0 || f >= N_) return *ratWeight(f);
    const std::size_t uf = static_cast<std::size_t>(f);
    if (weightKnown_[uf] == 0) {
      Rat w = *ratWeight(f);
      weights_[uf] = w.den == 0 ? w : *simplifyRat(&w);
      weightKnown_[uf] = 1;
    }
    return weights_[uf];
  }

  // h_i - h_j integral. Reduced fractions with positive denominators differ by an integer
  // exactly when their denominators agree and divide the difference of the numerators.
  bool integralDifference(int i, int j) {
    const Rat hi = weight(i);
    const Rat hj = weight(j);
    if (hi.den > 0 && hj.den > 0) {
      if (hi.den != hj.den) return false;
      long long difference = 0;
      if (!__builtin_sub_overflow(hi.num, hj.num, &difference)) return difference % hi.den == 0;
      return (static_cast<__int128>(hi.num) - hj.num) % hi.den == 0;
    }
    Rat d;
    subtractRat(&hi, &hj, &d);
    return intcheck(&d) == 0;
  }

  // basisCharges(MD, i) of the prepared group.
  const Rat* charges(const SimpleCurrentData* MD, int i) {
    const std::size_t n = basis_.size();
    if (i < 0 || i >= N_) {
      scratch_ = basisCharges(MD, i);
      return scratch_.data();
    }
    Rat* row = charges_.data() + static_cast<std::size_t>(i) * n;
    if (chargeKnown_[static_cast<std::size_t>(i)] == 0) {
      // basisCharges(MD, i), entry by entry from the per-current rows where they are kept.
      for (std::size_t a = 0; a < n; ++a) {
        const int k = basisRows_[a];
        if (i == 0) {
          row[a] = Rat{0, 1};
        } else if (k < 0) {
          row[a] = chargeOf(basis_[a], i);
        } else {
          const std::size_t cell = static_cast<std::size_t>(k) * static_cast<std::size_t>(N_) +
                                   static_cast<std::size_t>(i);
          if (currentKnown_[cell] == 0) {
            currentCharges_[cell] = chargeOf(basis_[a], i);
            currentKnown_[cell] = 1;
          }
          row[a] = currentCharges_[cell];
        }
      }
      chargeKnown_[static_cast<std::size_t>(i)] = 1;
    }
    return row;
  }

 private:
  int stamp_ = -1;
  int tensor_ = -1;
  int N_ = 0;
  static constexpr std::size_t kCurrentChargeCells = std::size_t{1} << 22;

  // Q_J(i) reduced, as basisCharges has it.
  static Rat chargeOf(int J, int i) {
    Rat q = *simpleCurrentCharge(J, i);
    simplifyRat(&q);
    return q;
  }

  // The row of current J in currentCharges_, made on first use; -1 beyond the limit.
  int currentRow(int J) {
    if (J < 0 || N_ <= 0) return -1;
    const std::size_t uJ = static_cast<std::size_t>(J);
    if (uJ >= rowOfCurrent_.size()) rowOfCurrent_.resize(uJ + 1, -1);
    if (rowOfCurrent_[uJ] >= 0) return rowOfCurrent_[uJ];
    const std::size_t rows = currentKnown_.size() / static_cast<std::size_t>(N_);
    if ((rows + 1) * static_cast<std::size_t>(N_) > kCurrentChargeCells) return -1;
    currentCharges_.resize((rows + 1) * static_cast<std::size_t>(N_), Rat{0, 1});
    currentKnown_.resize((rows + 1) * static_cast<std::size_t>(N_), 0);
    rowOfCurrent_[uJ] = static_cast<int>(rows);
    return rowOfCurrent_[uJ];
  }

  std::vector<int> basis_;
  std::vector<int> basisRows_;     // per basis current its row of currentCharges_, or -1
  std::vector<int> rowOfCurrent_;  // per current its row, -1 none yet
  std::vector<Rat> currentCharges_;
  std::vector<char> currentKnown_;
  std::vector<Rat> weights_, charges_, scratch_;
  std::vector<char> weightKnown_, chargeKnown_;
};

FieldMemo& fieldMemo() {
  static FieldMemo memo;
  return memo;
}

// The monodromy condition of getRightFields tabulated once per invariant: with
// s_a(g) = sum_b X_ab alpha_b(g) mod N_a, current g is a right partner of field i exactly
// when s_a(g) = -Q_{J_a}(i) N_a mod N_a for every a (never when some Q_{J_a}(i) N_a is
// not an integer). The group elements are bucketed by their vector s(g), ascending.
class AdmissionTable {
 public:
  explicit AdmissionTable(const SimpleCurrentData* MD) : n_(generatorCount(MD)), order_(groupOrder(MD)) {
    const int* X = xMatrix(MD);
    const DGType* G = MD->group;
    radix_.assign(static_cast<std::size_t>(n_), 1);
    std::int64_t codes = 1;
    for (int a = 0; a < n_; ++a) {
      radix_[static_cast<std::size_t>(a)] = codes;
      codes *= generatorOrder(MD, a);
    }
    // s(g) ranges over a subgroup of prod Z(N_a), of at most order codes.
    std::vector<std::int64_t> code(static_cast<std::size_t>(order_), 0);
    std::vector<int> comps(static_cast<std::size_t>(n_));
    for (int g = 0; g < order_; ++g) {
      const int* alpha = comps.data();
      if (G != nullptr && G->decomp != nullptr && G->nfactors == n_) {
        alpha = G->decomp + static_cast<std::size_t>(g) * static_cast<std::size_t>(n_);
      } else {
        for (int a = 0; a < n_; ++a) comps[static_cast<std::size_t>(a)] = DG_decomp(MD->group, g, a);
      }
      std::int64_t c = 0;
      for (int a = 0; a < n_; ++a) {
        const long long Na = generatorOrder(MD, a);
        long long sum = 0;
        for (int b = 0; b < n_; ++b) sum += static_cast<long long>(X[a * n_ + b]) * alpha[b];
        sum %= Na;
        if (sum < 0) sum += Na;
        c += sum * radix_[static_cast<std::size_t>(a)];
      }
      code[static_cast<std::size_t>(g)] = c;
    }
    std::vector<std::int64_t> sorted(code);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    keys_ = sorted;
    start_.assign(keys_.size() + 1, 0);
    std::vector<int> slot(static_cast<std::size_t>(order_));
    for (int g = 0; g < order_; ++g) {
      const auto at = std::lower_bound(keys_.begin(), keys_.end(), code[static_cast<std::size_t>(g)]);
      slot[static_cast<std::size_t>(g)] = static_cast<int>(at - keys_.begin());
      ++start_[static_cast<std::size_t>(slot[static_cast<std::size_t>(g)]) + 1];
    }
    for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
    members_.assign(static_cast<std::size_t>(order_), 0);
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (int g = 0; g < order_; ++g) members_[static_cast<std::size_t>(fill[static_cast<std::size_t>(slot[static_cast<std::size_t>(g)])]++)] = g;
  }

  // The admitted elements of field i with basis charges q, ascending: [*begin, *end).
  bool admittedRange(const SimpleCurrentData* MD, const Rat* q, const int** begin, const int** end) const {
    std::int64_t c = 0;
    for (int a = 0; a < n_; ++a) {
      long long num = q[static_cast<std::size_t>(a)].num;
      long long den = q[static_cast<std::size_t>(a)].den == 0 ? 1 : q[static_cast<std::size_t>(a)].den;
      if (den < 0) {
        num = -num;
        den = -den;
      }
      const long long g = std::gcd(num < 0 ? -num : num, den);
      if (g > 1) {
        num /= g;
        den /= g;
      }
      const long long Na = generatorOrder(MD, a);
      if (Na % den != 0) return false;
      long long t = -((num % Na) * (Na / den) % Na);
      t %= Na;
      if (t < 0) t += Na;
      c += t * radix_[static_cast<std::size_t>(a)];
    }
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), c);
    if (at == keys_.end() || *at != c) return false;
    const std::size_t k = static_cast<std::size_t>(at - keys_.begin());
    *begin = members_.data() + start_[k];
    *end = members_.data() + start_[k + 1];
    return true;
  }

 private:
  int n_;
  int order_;
  std::vector<std::int64_t> radix_, keys_;
  std::vector<int> start_, members_;
};

// getRightFields from the table: partners sorted and distinct, then the fixing currents.
// The result is the number of admitted currents.
int tabulatedRightFields(const SimpleCurrentData* MD, const AdmissionTable& table, FieldMemo& memo, int i,
                         std::vector<int>& partners, std::vector<int>& fixing) {
  partners.clear();
  fixing.clear();
  const int* begin = nullptr;
  const int* end = nullptr;
  int admittedCount = 0;
  if (table.admittedRange(MD, memo.charges(MD, i), &begin, &end)) {
    admittedCount = static_cast<int>(end - begin);
    for (const int* g = begin; g != end; ++g) {
      const int J = currentOfElement(MD, *g);
      const int partner = simpleFusion(J, i);
      partners.push_back(partner);
      if (partner == i) fixing.push_back(J);
    }
  }
  std::sort(partners.begin(), partners.end());
  partners.erase(std::unique(partners.begin(), partners.end()), partners.end());
  return admittedCount;
}

}  // namespace

void resetInvariantBuild() { fieldMemo() = FieldMemo{}; }

int currentOfElement(const SimpleCurrentData* MD, int g) {
  if (g < 0 || g >= static_cast<int>(MD->map.size())) return 0;
  return MD->map[static_cast<std::size_t>(g)];
}

int* xMatrix(SimpleCurrentData* MD) {
  const int n = generatorCount(MD);
  const std::size_t need = 2 * static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  if (MD->monodromies.size() < need) MD->monodromies.resize(need, 0);
  return MD->monodromies.data() + static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
}

const int* xMatrix(const SimpleCurrentData* MD) {
  const int n = generatorCount(MD);
  return MD->monodromies.data() + static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
}

int checkDeltaArgument(const SimpleCurrentData* MD, int i, const int* beta) {
  return admitted(MD, basisCharges(MD, i), beta, false) ? 1 : 0;
}

int checkDeltaArgumentMirror(const SimpleCurrentData* MD, int i, const int* beta) {
  return admitted(MD, basisCharges(MD, i), beta, true) ? 1 : 0;
}

int checkDeltaArgumentForCharges(const SimpleCurrentData* MD, const int* q, const int* beta) {
  const int n = generatorCount(MD);
  const int* X = xMatrix(MD);
  for (int a = 0; a < n; ++a) {
    long long s = q[a];
    for (int b = 0; b < n; ++b) s += static_cast<long long>(beta[b]) * X[a * n + b];
    if (s % generatorOrder(MD, a) != 0) return 0;
  }
  return 1;
}

int getLeftOrbit(const SimpleCurrentData* MD, std::vector<int>& out, int i) {
  return leftOrbit(MD, out, i, [](int a, int b) {
    Rat ha = *ratWeight(a);
    Rat hb = *ratWeight(b);
    Rat d;
    subtractRat(&ha, &hb, &d);
    return intcheck(&d) == 0;
  });
}

const int* getRightFields(const SimpleCurrentData* MD, int i, int* count, int* stab) {
  RightFieldBuffers& b = rightFieldBuffers();
  if (i == 0) b.initialised = true;
  if (!b.initialised) {
    Alert("getRightFields", 0, 112415, "Unexpected initialization error");
    return nullptr;
  }
  const int order = groupOrder(MD);
  b.fields.assign(2 * static_cast<std::size_t>(order), -1);
  const std::vector<Rat> charges = basisCharges(MD, i);
  std::vector<int> partners;
  std::vector<int> fixing;
  for (int g = 0; g < order; ++g) {
    const std::vector<int> alpha = componentsOf(MD, g);
    if (!admitted(MD, charges, alpha.data(), false)) continue;
    const int J = currentOfElement(MD, g);
    const int partner = simpleFusion(J, i);
    partners.push_back(partner);
    if (partner == i) fixing.push_back(J);
  }
  std::sort(partners.begin(), partners.end());
  partners.erase(std::unique(partners.begin(), partners.end()), partners.end());
  std::copy(partners.begin(), partners.end(), b.fields.begin());
  std::copy(fixing.begin(), fixing.end(), b.fields.begin() + order);
  *count = static_cast<int>(partners.size());
  *stab = static_cast<int>(fixing.size());
  return b.fields.data();
}

void makeSimpleCurrentBulkInvariantSelected(BulkInvariant* bi, const int* selection, int n) {
  SimpleCurrentData* MD = bi->MD.get();
  if (MD == nullptr) {
    Alert("makeSimpleCurrentBulkInvariant", 0, 120505, "Attempt to reset NULL simple current pointer");
    return;
  }
  if (groupOrder(MD) <= 1) {
    resetBulkInvariant(bi);
    MD->mipf_number = 0;
    MD->subgroup_label = 0;
    return;
  }
  const int N = primaryCount();
  const int order = groupOrder(MD);
  if (MD->kernels.size() < 2 * static_cast<std::size_t>(order)) getXKernels(MD);
  // Rows to visit: all, or the vacuum and the selected primaries in list order.
  std::vector<int> visit;
  std::vector<char> selected;
  if (selection == nullptr) {
    visit.resize(static_cast<std::size_t>(N));
    std::iota(visit.begin(), visit.end(), 0);
  } else {
    visit.push_back(0);
    selected.assign(static_cast<std::size_t>(N), 0);
    selected[0] = 1;
    for (int k = 0; k < n; ++k) {
      if (selection[k] < 0 || selection[k] >= N) continue;
      visit.push_back(selection[k]);
      selected[static_cast<std::size_t>(selection[k])] = 1;
    }
  }
  std::vector<char> done(static_cast<std::size_t>(N), 0);
  std::vector<BuiltRow> rows;
  std::vector<int> rowMembers, rowEntries;
  std::vector<int> algebra;
  std::vector<int> orbit;
  std::vector<int> partners, fixing;
  const AdmissionTable admission(MD);
  FieldMemo& memo = fieldMemo();
  memo.prepare(MD, N);
  const auto integral = [&memo](int a, int b) { return memo.integralDifference(a, b); };
  for (int i : visit) {
    if (done[static_cast<std::size_t>(i)]) continue;
    obeyInterruptRequest();  // bi is written only after this loop
    int o = leftOrbit(MD, orbit, i, integral);
    if (selection != nullptr && o != 0 && !selected[static_cast<std::size_t>(orbit.front())]) {
      i = orbit.front();
      if (done[static_cast<std::size_t>(i)]) continue;
      o = leftOrbit(MD, orbit, i, integral);
    }
    if (i == 0) algebra = orbit;
    if (o == 0) {
      done[static_cast<std::size_t>(i)] = 1;
      continue;
    }
    if (o < 0 && MD->x_symmetric == 1) {
      // The representative (the smallest member) fills the whole orbit.
      i = orbit.front();
      if (done[static_cast<std::size_t>(i)]) continue;
      o = leftOrbit(MD, orbit, i, integral);
    }
    auto buildFor = [&](int field, const int* members, std::size_t memberCount) {
      RightFieldBuffers& b = rightFieldBuffers();
      if (field == 0) b.initialised = true;
      if (!b.initialised) {
        Alert("getRightFields", 0, 112415, "Unexpected initialization error");
        return;
      }
      const int admittedCount = tabulatedRightFields(MD, admission, memo, field, partners, fixing);
      // Every distinct partner is reached by the same number of admitted currents.
      const int mult = partners.empty() ? 0 : admittedCount / static_cast<int>(partners.size());
      BuiltRow row;
      row.memberStart = rowMembers.size();
      row.memberCount = memberCount;
      rowMembers.insert(rowMembers.end(), members, members + memberCount);
      row.count = static_cast<int>(partners.size());
      row.mult = mult;
      row.entryStart = rowEntries.size();
      rowEntries.insert(rowEntries.end(), partners.begin(), partners.end());
      // Each row carries mult stabiliser entries after its partners (-1: none fixes it).
      fixing.resize(static_cast<std::size_t>(mult), -1);
      rowEntries.insert(rowEntries.end(), fixing.begin(), fixing.end());
      row.entryCount = rowEntries.size() - row.entryStart;
      rows.push_back(row);
    };
    if (MD->x_symmetric == 1) {
      buildFor(i, orbit.data(), orbit.size());
      for (int m : orbit) done[static_cast<std::size_t>(m)] = 1;
    } else {
      for (int m : orbit) {
        if (done[static_cast<std::size_t>(m)]) continue;
        buildFor(m, &m, 1);
        done[static_cast<std::size_t>(m)] = 1;
      }
    }
  }
  // Size the record for everything, then fill it.
  const long long needed = static_cast<long long>(rowEntries.size());
  // The limit is the one of the former layout, (order + 1) N entries planned per record;
  // the record itself holds what is written.
  const long long planned = static_cast<long long>(order + 1) * N;
  if (std::max(planned, needed) > INT32_MAX / 2) {
    Alert("makeSimpleCurrentBulkInvariant", 1, 120505, "Storage overflow in modular invariant data");
    return;
  }
  allocBulkInvariantData(bi, N, static_cast<int>(needed));
  int* area = bi->algebra + N;
  int used = 0;
  for (const BuiltRow& row : rows) {
    const auto entries = rowEntries.begin() + static_cast<std::ptrdiff_t>(row.entryStart);
    std::copy(entries, entries + static_cast<std::ptrdiff_t>(row.entryCount), area + used);
    for (std::size_t k = 0; k < row.memberCount; ++k) {
      const int m = rowMembers[row.memberStart + k];
      bi->count[m] = row.count;
      bi->mult[m] = row.mult;
      bi->orbits[static_cast<std::size_t>(m)] = row.count > 0 ? area + used : nullptr;
    }
    used += static_cast<int>(row.entryCount);
  }
  std::copy(algebra.begin(), algebra.end(), bi->algebra);
  bi->algebra_count = algebra.empty() ? 0 : std::max(MD->kernel_size, 1);
  if (bi->algebra_count > static_cast<int>(algebra.size())) bi->algebra_count = static_cast<int>(algebra.size());
  adjustBulkInvariant(bi);
  bi->diagonal = 0;
  bi->simple_current = 1;
  bi->conjugation = 0;
  bi->symmetric = MD->x_symmetric;
  bi->reserved[0] = bi->reserved[1] = bi->reserved[2] = -1;
  bi->vacuum_row = bi->orbits[0];
  MD->truncated = selection != nullptr ? 1 : 0;
  bi->ishibashi_count = LabelCount(bi);
}

void makeSimpleCurrentBulkInvariant(BulkInvariant* bi) {
  // A primary selection restricts the rows built (the record is then marked truncated).
  const std::vector<int>* selection = getPrimarySelection();
  if (selection != nullptr) {
    makeSimpleCurrentBulkInvariantSelected(bi, selection->data(), static_cast<int>(selection->size()));
  } else {
    makeSimpleCurrentBulkInvariantSelected(bi, nullptr, 0);
  }
}

void RecomputeBulkInvariant(BulkInvariant* bi) {
  if (bi == nullptr || !bi->MD || bi->MD->truncated != 1) return;
  Print("Re-computing MIPF (because of previous truncation)\n");
  makeSimpleCurrentBulkInvariantSelected(bi, nullptr, 0);
}

Rat computeXIJ(int I, int J, const SimpleCurrentData* MD) {
  const int n = generatorCount(MD);
  const int* X = xMatrix(MD);
  const DGType* G = MD->group;
  if (n > 0 && G->decomp != nullptr && I >= 0 && I < G->order && J >= 0 && J < G->order) {
    // sum_a alpha_a(I) s_a / N_a over the common denominator L = lcm N_a (a divisor of the
    // group order), reduced once.
    const int* aI = G->decomp + static_cast<std::size_t>(I) * static_cast<std::size_t>(n);
    const int* aJ = G->decomp + static_cast<std::size_t>(J) * static_cast<std::size_t>(n);
    long long L = 1;
    for (int a = 0; a < n; ++a) L = std::lcm(L, static_cast<long long>(generatorOrder(MD, a)));
    __int128 total = 0;
    for (int a = 0; a < n; ++a) {
      long long s = 0;
      for (int b = 0; b < n; ++b) s += static_cast<long long>(X[a * n + b]) * aJ[b];
      total += static_cast<__int128>(aI[a]) * s * (L / generatorOrder(MD, a));
    }
    const long long rest = static_cast<long long>(total % L);
    const long long g = std::gcd(rest < 0 ? -rest : rest, L);
    const __int128 num = total / (g == 0 ? 1 : g);
    if (num >= INT64_MIN && num <= INT64_MAX) {
      Rat q{static_cast<long long>(num), L / (g == 0 ? 1 : g)};
      simplifyRat(&q);
      return q;
    }
  }
  Rat sum{0, 1};
  for (int a = 0; a < n; ++a) {
    long long s = 0;
    for (int b = 0; b < n; ++b) {
      s += static_cast<long long>(X[a * n + b]) * DG_decomp(MD->group, J, b);
    }
    Rat term{static_cast<long long>(DG_decomp(MD->group, I, a)) * s, generatorOrder(MD, a)};
    Rat out;
    addRat(&sum, &term, &out);
    sum = out;
  }
  simplifyRat(&sum);
  return sum;
}

Rat computeXIJ_even(int I, int J, const SimpleCurrentData* MD) {
  const int n = generatorCount(MD);
  const int* X = xMatrix(MD);
  auto raised = [&](int e, int a) {
    const int Na = generatorOrder(MD, a);
    const int c = DG_decomp(MD->group, e, a);
    return (Na % 2 == 1 && c % 2 == 1) ? c + Na : c;
  };
  Rat sum{0, 1};
  for (int a = 0; a < n; ++a) {
    long long s = 0;
    for (int b = 0; b < n; ++b) s += static_cast<long long>(X[a * n + b]) * raised(J, b);
    Rat term{static_cast<long long>(raised(I, a)) * s, generatorOrder(MD, a)};
    Rat out;
    addRat(&sum, &term, &out);
    sum = out;
  }
  simplifyRat(&sum);
  return sum;
}
