// Discrete symmetries from axion mixing (see DiscreteSymmetries.h).
#include "search/DiscreteSymmetries.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <string>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/Axions.h"
#include "strings/OpenSpectrum.h"

namespace {

// Combinations of Z_N rows enumerated at most when counting the hidden and observable
// groups.
constexpr long long kMaximalEnumeration = 10000000;

struct DiscreteState {
  std::map<const ChanPatonData*, DiscreteSymmetryData> analyses;
};

DiscreteState& state() {
  static DiscreteState s;
  return s;
}

bool mul(long long a, long long b, long long* out) { return !__builtin_mul_overflow(a, b, out); }

// out = x * a - y * b, checked.
bool combine(long long x, long long a, long long y, long long b, long long* out) {
  long long l = 0, r = 0;
  if (!mul(x, a, &l) || !mul(y, b, &r)) return false;
  return !__builtin_sub_overflow(l, r, out);
}

long long gcd(long long a, long long b) { return std::gcd(a < 0 ? -a : a, b < 0 ? -b : b); }

long long modulo(long long a, long long n) {
  const long long r = a % n;
  return r < 0 ? r + n : r;
}

bool isPrime(long long p) {
  if (p < 2) return false;
  for (long long d = 2; d <= p / d; ++d)
    if (p % d == 0) return false;
  return true;
}

void overflowAlert(const char* routine) {
  Alert(routine, 9, 212204, "Integer overflow in the axion charge analysis");
}

bool axionPartZero(const std::vector<long long>& row, int A) {
  for (int c = 0; c < A; ++c)
    if (row[static_cast<std::size_t>(c)] != 0) return false;
  return true;
}

// s := (r_c/g) s - (s_c/g) r over all columns but the status; false on overflow.
bool eliminate(std::vector<long long>* s, const std::vector<long long>& r, int c, int width) {
  const auto cc = static_cast<std::size_t>(c);
  const long long g = gcd((*s)[cc], r[cc]);
  if (g == 0) return true;
  const long long rf = r[cc] / g, sf = (*s)[cc] / g;
  for (int k = 0; k < width; ++k) {
    const auto kk = static_cast<std::size_t>(k);
    if (!combine(rf, (*s)[kk], sf, r[kk], &(*s)[kk])) return false;
  }
  return true;
}

// The prime factors of n > 0 by trial division.
void addPrimeFactors(long long n, std::vector<long long>* primes) {
  if (n < 0) n = -n;
  for (long long d = 2; d <= n / d; ++d) {
    if (n % d != 0) continue;
    primes->push_back(d);
    while (n % d == 0) n /= d;
  }
  if (n > 1) primes->push_back(n);
}

// Every prime dividing an elementary divisor of the axion part divides a pivot of its
// row echelon form (the product of the pivots is a maximal minor). Checked arithmetic;
// false on overflow.
bool relevantPrimes(const IntegerRows& matrix, int A, std::vector<long long>* primes) {
  IntegerRows rows;
  for (const auto& row : matrix) rows.emplace_back(row.begin(), row.begin() + A);
  std::size_t top = 0;
  for (int c = 0; c < A && top < rows.size(); ++c) {
    const auto cc = static_cast<std::size_t>(c);
    // Euclid on column c among the rows from top on.
    for (;;) {
      std::size_t best = rows.size();
      for (std::size_t i = top; i < rows.size(); ++i)
        if (rows[i][cc] != 0 && (best == rows.size() || std::llabs(rows[i][cc]) < std::llabs(rows[best][cc])))
          best = i;
      if (best == rows.size()) break;
      std::swap(rows[top], rows[best]);
      bool reduced = false;
      for (std::size_t i = top + 1; i < rows.size(); ++i) {
        if (rows[i][cc] == 0) continue;
        const long long f = rows[i][cc] / rows[top][cc];
        for (int k = 0; k < A; ++k) {
          const auto kk = static_cast<std::size_t>(k);
          long long t = 0;
          if (!mul(f, rows[top][kk], &t) || __builtin_sub_overflow(rows[i][kk], t, &rows[i][kk])) return false;
        }
        if (rows[i][cc] != 0) reduced = true;
      }
      if (!reduced) {
        addPrimeFactors(rows[top][cc], primes);
        ++top;
        break;
      }
    }
  }
  return true;
}

bool sameRow(const std::vector<long long>& a, const std::vector<long long>& b) { return a == b; }

void addUnique(IntegerRows* collection, const std::vector<long long>& row) {
  for (const auto& existing : *collection)
    if (sameRow(existing, row)) return;
  collection->push_back(row);
}

bool isU1(const std::vector<long long>& row) { return row.back() == -1; }

// Divides the vector part of a row by the gcd of its entries.
void normalizeRow(std::vector<long long>* row) {
  long long g = 0;
  for (std::size_t k = 0; k + 1 < row->size(); ++k) g = gcd(g, (*row)[k]);
  if (g > 1)
    for (std::size_t k = 0; k + 1 < row->size(); ++k) (*row)[k] /= g;
}

// Counts the combinations of the Z_N rows whose phases vanish on the positions of
// interest; -1 when there are too many combinations or the arithmetic overflows.
long long countVanishing(const IntegerRows& rows, int u, const std::vector<int>& positions) {
  std::vector<long long> orders;
  long long total = 1, L = 1;
  for (const auto& row : rows) {
    if (isU1(row)) continue;
    orders.push_back(row.back());
    if (!mul(total, row.back(), &total) || total > kMaximalEnumeration) return -1;
    L = std::lcm(L, row.back());
  }
  if (orders.empty()) return 1;
  std::vector<const std::vector<long long>*> zrows;
  for (const auto& row : rows)
    if (!isU1(row)) zrows.push_back(&row);
  std::vector<long long> coefficient(orders.size(), 0);
  long long count = 0;
  for (long long step = 0; step < total; ++step) {
    bool vanishes = true;
    for (int j : positions) {
      if (j < 0 || j >= u) continue;
      long long phase = 0;
      for (std::size_t r = 0; r < zrows.size(); ++r) {
        const long long N = orders[r];
        phase = modulo(phase + modulo(coefficient[r] * (*zrows[r])[static_cast<std::size_t>(j)], N) * (L / N), L);
      }
      if (phase != 0) {
        vanishes = false;
        break;
      }
    }
    if (vanishes) ++count;
    for (std::size_t r = 0; r < coefficient.size(); ++r) {
      if (++coefficient[r] < orders[r]) break;
      coefficient[r] = 0;
    }
  }
  return count;
}

long long discreteGroup(const IntegerRows& collection, int k, bool external) {
  if (collection.empty()) return 1;
  const int u = static_cast<int>(collection.front().size()) - 1;
  std::vector<int> mask(static_cast<std::size_t>(u), 0);
  std::vector<int> positions;
  for (int j = 0; j < u; ++j) {
    const bool first = j < k;
    if (first == external) {
      mask[static_cast<std::size_t>(j)] = 1;
      positions.push_back(j);
    }
  }
  IntegerRows rows = collection;
  if (NullifyDiscreteSymmetriesOnPositions(&rows, mask) != 0) return -1;
  const long long count = countVanishing(rows, u, positions);
  if (count < 0) Alert(external ? "ComputeExternalDiscreteGroup" : "ComputeInternalDiscreteGroup", 0, 212204,
                       "Discrete group too large to enumerate");
  return count;
}

}  // namespace

IntegerRows makeChargeMatrix(const std::vector<long long>& charges, int A, int u) {
  IntegerRows matrix(static_cast<std::size_t>(u), std::vector<long long>(static_cast<std::size_t>(A + u + 1), 0));
  for (int i = 0; i < u; ++i) {
    auto& row = matrix[static_cast<std::size_t>(i)];
    for (int c = 0; c < A; ++c) row[static_cast<std::size_t>(c)] = charges[static_cast<std::size_t>(i * A + c)];
    row[static_cast<std::size_t>(A + i)] = 1;
  }
  return matrix;
}

int SweepChargeEquations(IntegerRows* matrix, int A, int u, long long p) {
  if (!isPrime(p)) {
    Alert("SweepChargeEquations", 0, 212204, "Unexpected non-prime argument %lld", p);
    return -1;
  }
  const int width = A + u;
  const auto status = static_cast<std::size_t>(width);
  for (auto& row : *matrix) row[status] = axionPartZero(row, A) ? A : -1;
  long long q = p;
  for (;;) {
    bool open = false;
    for (auto& row : *matrix) {
      if (row[status] != -1) continue;
      int pivot = -1;
      for (int c = 0; c < A; ++c) {
        const long long x = row[static_cast<std::size_t>(c)];
        if (x % q != 0 && x % (q / p) == 0) {
          pivot = c;
          break;
        }
      }
      if (pivot < 0) continue;
      row[status] = pivot;
      const auto pc = static_cast<std::size_t>(pivot);
      for (auto& other : *matrix) {
        if (&other == &row || other[status] != -1 || other[pc] == 0) continue;
        if ((row[pc] / gcd(other[pc], row[pc])) % p == 0)
          Alert("SweepChargeEquations", 1, 212204, "Unexpected multiplication by zero");
        if (!eliminate(&other, row, pivot, width)) {
          overflowAlert("SweepChargeEquations");
          return -1;
        }
        if (axionPartZero(other, A)) other[status] = A;
      }
    }
    for (const auto& row : *matrix)
      if (row[status] == -1) open = true;
    if (!open) return 0;
    if (!mul(q, p, &q)) {
      overflowAlert("SweepChargeEquations");
      return -1;
    }
  }
}

IntegerRows getDiscreteSymmetryNullvectorsForCharges(const IntegerRows& matrix, int A, int u, int* status) {
  IntegerRows collection;
  if (status != nullptr) *status = 0;
  std::vector<long long> primes{2};
  if (!relevantPrimes(matrix, A, &primes)) {
    overflowAlert("getDiscreteSymmetryNullvectorsForCharges");
    if (status != nullptr) *status = -1;
    return collection;
  }
  std::sort(primes.begin(), primes.end());
  primes.erase(std::unique(primes.begin(), primes.end()), primes.end());
  for (long long p : primes) {
    IntegerRows work = matrix;
    if (SweepChargeEquations(&work, A, u, p) != 0) {
      if (status != nullptr) *status = -1;
      return IntegerRows();
    }
    for (const auto& row : work) {
      std::vector<long long> vector(static_cast<std::size_t>(u + 1), 0);
      if (axionPartZero(row, A)) {
        if (p != 2) continue;
        long long g = 0;
        for (int k = 0; k < u; ++k) g = gcd(g, row[static_cast<std::size_t>(A + k)]);
        if (g == 0) continue;
        for (int k = 0; k < u; ++k) vector[static_cast<std::size_t>(k)] = row[static_cast<std::size_t>(A + k)] / g;
        vector[static_cast<std::size_t>(u)] = -1;
        addUnique(&collection, vector);
        continue;
      }
      long long g = 0;
      for (int c = 0; c < A; ++c) g = gcd(g, row[static_cast<std::size_t>(c)]);
      long long power = 1;
      while (g % p == 0) {
        g /= p;
        power *= p;  // divides g, so it cannot overflow
      }
      if (power == 1) continue;
      for (int k = 0; k < u; ++k)
        vector[static_cast<std::size_t>(k)] = modulo(row[static_cast<std::size_t>(A + k)], power);
      vector[static_cast<std::size_t>(u)] = power;
      addUnique(&collection, vector);
    }
  }
  return collection;
}

int SweepUnitaryNullvectors(IntegerRows* collection, int visible) {
  std::vector<char> used(collection->size(), 0);
  for (std::size_t r = 0; r < collection->size(); ++r)
    if (!isU1((*collection)[r])) used[r] = 1;
  for (std::size_t r = 0; r < collection->size(); ++r) {
    if (used[r]) continue;
    auto& row = (*collection)[r];
    const int width = static_cast<int>(row.size()) - 1;
    int j = -1;
    for (int k = 0; k < visible && k < width; ++k)
      if (row[static_cast<std::size_t>(k)] != 0) {
        j = k;
        break;
      }
    if (j < 0) continue;
    used[r] = 1;
    for (std::size_t s = 0; s < collection->size(); ++s) {
      if (used[s] || (*collection)[s][static_cast<std::size_t>(j)] == 0) continue;
      if (!eliminate(&(*collection)[s], row, j, width)) {
        overflowAlert("SweepUnitaryNullvectors");
        return -1;
      }
    }
  }
  for (auto& row : *collection)
    if (isU1(row)) normalizeRow(&row);
  return 0;
}

int NullifyDiscreteSymmetriesOnPositions(IntegerRows* collection, const std::vector<int>& mask) {
  std::vector<std::size_t> u1;
  for (std::size_t r = 0; r < collection->size(); ++r)
    if (isU1((*collection)[r])) u1.push_back(r);
  std::vector<char> used(collection->size(), 0);
  std::vector<std::pair<std::size_t, int>> pivots;
  for (std::size_t j = 0; j < mask.size(); ++j) {
    if (mask[j] == 0) continue;
    std::size_t pivot = collection->size();
    for (std::size_t r : u1)
      if (!used[r] && (*collection)[r][j] != 0) {
        pivot = r;
        break;
      }
    if (pivot == collection->size()) continue;
    used[pivot] = 1;
    pivots.emplace_back(pivot, static_cast<int>(j));
    const int width = static_cast<int>((*collection)[pivot].size()) - 1;
    for (std::size_t r : u1) {
      if (r == pivot || (*collection)[r][j] == 0) continue;
      if (!eliminate(&(*collection)[r], (*collection)[pivot], static_cast<int>(j), width)) {
        overflowAlert("NullifyDiscreteSymmetriesOnPositions");
        return -1;
      }
    }
  }
  // A Z_N row may be shifted by integer multiples of a massless U(1) modulo N.
  for (auto& row : *collection) {
    if (isU1(row)) continue;
    const long long N = row.back();
    for (const auto& [pivot, j] : pivots) {
      const auto& r = (*collection)[pivot];
      const auto jj = static_cast<std::size_t>(j);
      if (modulo(row[jj], N) == 0) continue;
      for (long long t = 1; t < N; ++t) {
        if (modulo(row[jj] - modulo(t * modulo(r[jj], N), N), N) != 0) continue;
        for (std::size_t k = 0; k + 1 < row.size(); ++k) row[k] = modulo(row[k] - modulo(t * modulo(r[k], N), N), N);
        break;
      }
    }
  }
  return 0;
}

long long ComputeExternalDiscreteGroup(const IntegerRows& collection, int k) {
  return discreteGroup(collection, k, true);
}

long long ComputeInternalDiscreteGroup(const IntegerRows& collection, int k) {
  return discreteGroup(collection, k, false);
}

long long DiscreteGroupOrder(const std::vector<long long>& orders) {
  long long order = 1;
  for (long long n : orders) {
    if (n == 0) break;
    if (!mul(order, n, &order)) return -1;
  }
  return order;
}

int checkDiscreteSymmetryCharges(const IntegerRows& collection, const std::vector<long long>& q) {
  for (const auto& row : collection) {
    if (!isU1(row)) continue;
    long long dot = 0;
    for (std::size_t k = 0; k + 1 < row.size() && k < q.size(); ++k) dot += q[k] * row[k];
    if (dot != 0) return -1;
  }
  for (const auto& row : collection) {
    if (isU1(row)) continue;
    long long dot = 0;
    for (std::size_t k = 0; k + 1 < row.size() && k < q.size(); ++k) dot = modulo(dot + q[k] * row[k], row.back());
    if (dot != 0) return 0;
  }
  return 1;
}

void printDiscreteSymmetryNullvectors(const IntegerRows& collection, int u) {
  auto printRow = [u](const std::vector<long long>& row, const std::string& title) {
    Print("%-20s", title.c_str());
    for (int k = 0; k < u; ++k) Print("%4lld", row[static_cast<std::size_t>(k)]);
    Print("\n");
  };
  for (const auto& row : collection)
    if (isU1(row)) printRow(row, "U(1) null vector");
  for (const auto& row : collection)
    if (!isU1(row)) {
      char title[32];
      std::snprintf(title, sizeof title, "Z_%-2lld null vector", row.back());
      printRow(row, title);
    }
}

int computeDiscreteSymmetryNullvectors(ChanPatonData* cpd, int print) {
  if (cpd == nullptr) return -1;
  const int A = getAxionCount();
  if (A < 0) return -1;
  // Recomputed on every call: the axion charges belong to the current orientifold, and a
  // record may have been refilled by a builder of another module.
  DiscreteSymmetryData& data = state().analyses[cpd];
  data = DiscreteSymmetryData();
  for (int i = 0; i < cpd->stacks; ++i)
    if (cpd->stackType[static_cast<std::size_t>(i)] == 0) {
      data.unitaryStacks.push_back(i);
      if (i < cpd->observableStacks) ++data.visibleUnitary;
    }
  const int u = static_cast<int>(data.unitaryStacks.size());
  const int visible = cpd->observableStacks > 0 ? data.visibleUnitary : u;
  if (print) {
    Print("%s\n    Axion mixing analysis for brane configuration (not necessarily tadpole-free)\n%s\n",
          std::string(61, '-').c_str(), std::string(61, '-').c_str());
    Print("Participating Boundaries:  ");
    for (int i = 0; i < cpd->stacks; ++i) Print(" %d", cpd->stackLabel[static_cast<std::size_t>(i)]);
    Print("\nChan-Paton Group:            %s", cpd->stacks == 0 ? "\n" : "");
    for (int i = 0; i < cpd->stacks; ++i)
      Print(i + 1 < cpd->stacks ? "%s x " : "%s\n",
            chanPatonGroupName(cpd->stackType[static_cast<std::size_t>(i)],
                               cpd->stackMultiplicity[static_cast<std::size_t>(i)])
                .c_str());
    Print("Number of U(1)'s (prior to axion mixing): %d\n", u);
  }
  IntegerRows matrix;
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<long long> charges(static_cast<std::size_t>(u * A), 0);
    for (int i = 0; i < u; ++i) {
      const int stack = data.unitaryStacks[static_cast<std::size_t>(i)];
      const std::vector<int> q = getAxionChargesForBoundary(cpd->stackLabel[static_cast<std::size_t>(stack)]);
      const long long N = pass == 1 ? cpd->stackMultiplicity[static_cast<std::size_t>(stack)] : 1;
      for (int c = 0; c < A && c < static_cast<int>(q.size()); ++c)
        charges[static_cast<std::size_t>(i * A + c)] = q[static_cast<std::size_t>(c)] * N;
    }
    matrix = makeChargeMatrix(charges, A, u);
    int status = 0;
    IntegerRows collection = getDiscreteSymmetryNullvectorsForCharges(matrix, A, u, &status);
    if (status != 0 || SweepUnitaryNullvectors(&collection, visible) != 0) {
      state().analyses.erase(cpd);
      return -1;
    }
    if (pass == 0) {
      data.hiddenOrder = ComputeExternalDiscreteGroup(collection, visible);
      data.observableOrder = ComputeInternalDiscreteGroup(collection, visible);
      for (const auto& row : collection)
        if (!isU1(row)) data.discreteOrders.push_back(row.back());
    }
    data.nullVectors = std::move(collection);
  }
  data.analysed = 1;
  for (const auto& row : data.nullVectors) {
    if (!isU1(row)) continue;
    ++data.masslessVectors;
    for (int k = 0; k < visible; ++k)
      if (row[static_cast<std::size_t>(k)] != 0) {
        ++data.visibleMasslessVectors;
        break;
      }
  }
  if (print) {
    if (u > 0) {
      Print("\nAxion charges in integer basis (including CP multiplicity factors)\n");
      for (int i = 0; i < u; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Boundary %d",
                      cpd->stackLabel[static_cast<std::size_t>(data.unitaryStacks[static_cast<std::size_t>(i)])]);
        Print("%-16s", title);
        for (int c = 0; c < A; ++c) Print("%4lld", matrix[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)]);
        Print("\n");
      }
      printDiscreteSymmetryNullvectors(data.nullVectors, u);
    }
    Print("Number of massless vector bosons:                      %d\n", data.masslessVectors);
    Print("Number of visible massless vector bosons:              %d\n", data.visibleMasslessVectors);
    if (cpd->model != nullptr) Print("(This includes the Standard Model Y vector boson)\n");
    if (cpd->observableStacks == 0 || cpd->observableStacks >= cpd->stacks) {
      Print("Order of the discrete symmetry group:     %lld\n", data.observableOrder);
    } else {
      Print("Order of discrete symmetry group only acting on the Standard Model: %lld\n", data.observableOrder);
      Print("Order of discrete symmetry group only acting on the Hidden Sector:  %lld\n", data.hiddenOrder);
    }
    Print("(Not including symmetries from CP multiplicities)\n");
    Print("%s\n", std::string(61, '-').c_str());
  }
  return 0;
}

int discreteSymmetriesOfConfiguration(ChanPatonData* cpd) {
  return computeDiscreteSymmetryNullvectors(cpd, 1) == -1 ? 0 : 1;
}

int CheckDiscreteSymmetries(ChanPatonData* cpd, const int* charges) {
  if (charges == nullptr) {
    computeDiscreteSymmetryNullvectors(cpd, 1);
    return 1;
  }
  if (computeDiscreteSymmetryNullvectors(cpd, 0) != 0) return 0;
  const DiscreteSymmetryData& data = state().analyses[cpd];
  std::vector<long long> q;
  for (int stack : data.unitaryStacks) q.push_back(charges[stack]);
  return checkDiscreteSymmetryCharges(data.nullVectors, q);
}

const DiscreteSymmetryData* getDiscreteSymmetryData(const ChanPatonData* cpd) {
  auto it = state().analyses.find(cpd);
  return it != state().analyses.end() ? &it->second : nullptr;
}

void forgetDiscreteSymmetryAnalysis(const ChanPatonData* cpd) { state().analyses.erase(cpd); }

void resetDiscreteSymmetries() { state().analyses.clear(); }
