// Bound analysis of the Galois-commutant search: the echelon collection of equations, the
// normalised store of inequalities, the box of the variables with its tightening, pairwise
// elimination and forced shrinking, the coefficients of one matrix entry, and the text of a
// solution. See GaloisSearch.h for the representation.
#include "store/GaloisSearch.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "numbers/MathUtility.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Galois.h"
#include "store/Storemanager.h"

namespace {

constexpr std::int64_t kStartBound = 10000;
constexpr std::int64_t kLargestLength = 2147483647;
constexpr std::int64_t kSmallEnough = 1000000;
constexpr int kForceAfter = 4001;

struct GaloisSearchState {
  std::vector<std::int64_t> minimum;
  std::vector<std::int64_t> maximum;
  std::vector<std::vector<std::int64_t>> bounds;  // stored inequalities, in order
  std::set<std::vector<std::int64_t>> known;
  int lastReported = -1;
  std::size_t echelonRows = 0;  // rows added to the echelon collections since initBound
  // Set when the equations and inequalities would pass the allocation limit (after the
  // refusal): the search then ends without solutions.
  bool refused = false;
};

GaloisSearchState& state() {
  static GaloisSearchState s;
  return s;
}

std::int64_t gcd64(std::int64_t a, std::int64_t b) {
  a = a < 0 ? -a : a;
  b = b < 0 ? -b : b;
  while (b != 0) {
    const std::int64_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// out = x * p - y * q entry by entry; false on overflow.
bool combine(int N, const std::int64_t* x, std::int64_t p, const std::int64_t* y, std::int64_t q,
             std::int64_t* out) {
  for (int i = 0; i < N; ++i) {
    std::int64_t left = 0;
    std::int64_t right = 0;
    if (__builtin_mul_overflow(x[i], p, &left) || __builtin_mul_overflow(y[i], q, &right) ||
        __builtin_sub_overflow(left, right, &out[i])) {
      return false;
    }
  }
  return true;
}

void reportOverflow(const char* routine) {
  Alert(routine, 9, 100216,
        "Integer overflow in the elimination; it ends with the bounds found so far");
}

// Whether one row more of N entries keeps the rows of the analysis within the allocation
// limit: the inequalities and the rows of the echelon collections together, each held
// twice (in order and in the sorted index; by the collection and its working copy). False
// after the refusal (Alert 100213), which ends the search.
bool rowFits(int N) {
  GaloisSearchState& s = state();
  if (s.refused) return false;
  const long double rows = static_cast<long double>(s.bounds.size()) + s.echelonRows + 1;
  if (requireAllocationSize("ComputeGaloisInvariants",
                            "The equations and inequalities of the Galois search", 2.0L * rows * N,
                            sizeof(std::int64_t)))
    return true;
  s.refused = true;
  return false;
}

}  // namespace

using Row = std::vector<std::int64_t>;

int CollectEqn(GaloisEchelon& pool, int N, const std::int64_t* row) {
  if (pool.count == 0) {
    pool.width = N;
    pool.pivots.clear();
    pool.rows.clear();
  }
  if (!rowFits(N)) return -1;
  std::vector<std::int64_t> fresh(row, row + N);
  std::vector<std::int64_t> next(static_cast<std::size_t>(N));
  for (int r = 0; r < pool.count; ++r) {
    const int p = pool.pivots[r];
    if (p < 0) {
      PrintStdout("******* WRONG ********\n");
      continue;
    }
    const std::int64_t c = fresh[p];
    if (c == 0) continue;
    const std::int64_t d = pool.row(r)[p];
    const std::int64_t g = gcd64(c, d);
    if (!combine(N, fresh.data(), d / g, pool.row(r), c / g, next.data())) {
      reportOverflow("CollectEqn");
      return -1;
    }
    fresh.swap(next);
  }
  int pivot = -1;
  for (int i = N - 1; i >= 0 && pivot < 0; --i) {
    if (fresh[i] != 0) pivot = i;
  }
  if (pivot < 0) return 0;
  // Clear the pivot column in the earlier rows; committed only when nothing overflows.
  std::vector<std::int64_t> updated(pool.rows);
  for (int r = 0; r < pool.count; ++r) {
    std::int64_t* earlier = updated.data() + static_cast<std::size_t>(r) * N;
    const std::int64_t c = earlier[pivot];
    if (c == 0) continue;
    const std::int64_t d = fresh[pivot];
    const std::int64_t g = gcd64(c, d);
    if (!combine(N, earlier, d / g, fresh.data(), c / g, next.data())) {
      reportOverflow("CollectEqn");
      return -1;
    }
    std::copy(next.begin(), next.end(), earlier);
  }
  pool.rows.swap(updated);
  pool.rows.insert(pool.rows.end(), fresh.begin(), fresh.end());
  pool.pivots.push_back(pivot);
  ++pool.count;
  ++state().echelonRows;
  return 1;
}

std::int64_t Normalize(int N, std::int64_t* row) {
  std::int64_t g = 0;
  for (int i = 0; i < N; ++i) g = gcd64(g, row[i]);
  if (g > 1) {
    for (int i = 0; i < N; ++i) row[i] /= g;
  }
  return g;
}

void initBound(int m) {
  GaloisSearchState& s = state();
  s.minimum.assign(static_cast<std::size_t>(m), -kStartBound);
  s.maximum.assign(static_cast<std::size_t>(m), kStartBound);
  s.bounds.clear();
  s.known.clear();
  s.lastReported = -1;
  s.echelonRows = 0;
  s.refused = false;
}

void BoundAnalysis(int N, const std::int64_t* row) {
  GaloisSearchState& s = state();
  const int m = N - 1;
  if (m > static_cast<int>(s.minimum.size())) return;
  for (int i = 0; i < m; ++i) {
    const std::int64_t ci = row[i];
    if (ci == 0) continue;
    std::int64_t R = 0;
    bool overflow = __builtin_sub_overflow(std::int64_t{0}, row[m], &R);
    for (int j = 0; j < m && !overflow; ++j) {
      if (j == i || row[j] == 0) continue;
      std::int64_t term = 0;
      overflow = __builtin_mul_overflow(row[j], row[j] > 0 ? s.maximum[j] : s.minimum[j], &term) ||
                 __builtin_sub_overflow(R, term, &R);
    }
    if (overflow) {
      reportOverflow("BoundAnalysis");
      continue;
    }
    const std::int64_t q = R / ci;  // truncated toward zero: only ever widens the box
    if (ci > 0 && q > s.minimum[i]) s.minimum[i] = q;
    if (ci < 0 && q < s.maximum[i]) s.maximum[i] = q;
  }
}

int Bound(int N, std::int64_t* row) {
  if (Normalize(N, row) == 0) return 0;
  GaloisSearchState& s = state();
  std::vector<std::int64_t> stored(row, row + N);
  if (s.known.count(stored) != 0) return 0;
  if (!rowFits(N)) return 0;
  s.known.insert(stored);
  s.bounds.push_back(std::move(stored));
  BoundAnalysis(N, row);
  return 1;
}

void AddBounds(GaloisEchelon& pool, int N, int count) {
  std::vector<std::int64_t> copy(static_cast<std::size_t>(N));
  for (int r = 0; r < count && r < pool.count; ++r) {
    std::copy(pool.row(r), pool.row(r) + N, copy.begin());
    Bound(N, copy.data());
    std::copy(pool.row(r), pool.row(r) + N, copy.begin());
    for (std::int64_t& v : copy) v = -v;
    Bound(N, copy.data());
  }
}

void ReBound(int N) {
  GaloisSearchState& s = state();
  for (std::size_t r = 0; r < s.bounds.size(); ++r) {
    obeyInterruptRequest();
    BoundAnalysis(N, s.bounds[r].data());
  }
}

void RemoveDependences(GaloisEchelon& pool, int N) {
  GaloisSearchState& s = state();
  const int m = N - 1;
  std::vector<char> isPivot(static_cast<std::size_t>(N), 0);
  for (int r = 0; r < pool.count; ++r) {
    Normalize(N, pool.row(r));
    if (pool.pivots[r] >= 0) isPivot[pool.pivots[r]] = 1;
  }
  for (int j = 0; j < m && j < static_cast<int>(s.minimum.size()); ++j) {
    obeyInterruptRequest();
    if (isPivot[j] != 0) continue;
    long long L = 1;
    for (int r = 0; r < pool.count; ++r) {
      const std::int64_t c = pool.row(r)[j];
      if (c == 0 || pool.pivots[r] < 0) continue;
      const std::int64_t p = pool.row(r)[pool.pivots[r]];
      const std::int64_t part = std::llabs(p / gcd64(p, c));
      L = SCM(L, part);
    }
    s.minimum[j] = 0;
    s.maximum[j] = L - 1;
  }
}

std::int64_t LoopLen(int N) {
  if (N < 2) return 1;
  const GaloisSearchState& s = state();
  std::int64_t length = 1;
  for (int j = 0; j < N - 1 && j < static_cast<int>(s.minimum.size()); ++j) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(s.maximum[j], s.minimum[j], &difference) ||
        difference >= kLargestLength) {
      return kLargestLength;
    }
    if (difference < 0) return 0;
    if (length >= kLargestLength / (difference + 2)) return kLargestLength;
    length *= difference + 1;
  }
  return length;
}

void reduceLoopLen(int N) {
  GaloisSearchState& s = state();
  std::int64_t previous = LoopLen(N);
  for (;;) {
    for (std::size_t j = 0; j < s.minimum.size(); ++j) {
      if (s.minimum[j] < -1) ++s.minimum[j];
      if (s.maximum[j] >= 2) --s.maximum[j];
    }
    ReBound(N);
    const std::int64_t length = LoopLen(N);
    if (length <= kSmallEnough - 1) break;
    if (length < kLargestLength && length >= previous) break;
    previous = length;
  }
  Alert("reduceLoopLen", 0, 100216,
        "search truncated: solutions outside the shrunk box are not searched");
}

void generateNewBounds(int N) {
  GaloisSearchState& s = state();
  const int m = N - 1;
  std::vector<std::int64_t> fresh(static_cast<std::size_t>(N));
  for (std::size_t r2 = 1; r2 < s.bounds.size(); ++r2) {
    for (std::size_t r1 = 0; r1 < r2; ++r1) {
      obeyInterruptRequest();
      if (s.refused) return;
      for (int j = 0; j < m; ++j) {
        // Copies: Bound may grow the store and move its rows.
        const std::vector<std::int64_t> first = s.bounds[r1];
        const std::vector<std::int64_t> second = s.bounds[r2];
        if (!((first[j] < 0 && second[j] > 0) || (first[j] > 0 && second[j] < 0))) continue;
        if (!combine(N, second.data(), std::llabs(first[j]), first.data(), -std::llabs(second[j]),
                     fresh.data())) {
          reportOverflow("generateNewBounds");
          return;
        }
        if (Bound(N, fresh.data()) == 0) continue;
        const std::int64_t length = LoopLen(N);
        if (length < kSmallEnough) return;
        const int filled = getBFILL();
        if (filled % 100 == 0) {
          if (filled % 1000 == 0 && filled != s.lastReported) {
            s.lastReported = filled;
            const int answer = Alert("generateNewBounds", 0, 214217,
                                     "Number of inequalities has reached %d;\nLoop length = %lld",
                                     filled, static_cast<long long>(length));
            if (answer == -1) return;
          }
          ReBound(N);
        }
        if (filled >= kForceAfter && filled != s.lastReported) {
          reduceLoopLen(N);
          return;
        }
      }
    }
  }
}

int getBFILL() {
  return static_cast<int>(state().bounds.size());
}
const std::vector<std::int64_t>& getMinimum() {
  return state().minimum;
}
const std::vector<std::int64_t>& getMaximum() {
  return state().maximum;
}

int checkBounds(int m, const int* x, int count) {
  const GaloisSearchState& s = state();
  for (int r = 0; r < count && r < static_cast<int>(s.bounds.size()); ++r) {
    const std::vector<std::int64_t>& row = s.bounds[r];
    __int128 sum = 0;
    for (int i = 0; i < m; ++i) sum += static_cast<__int128>(x[i]) * row[i];
    if (sum < -static_cast<__int128>(row[m])) return 1;
  }
  return 0;
}

int BuildEquation(const int* rows, const int* kinds, std::int64_t* eq, int a, int b, int n, int m) {
  auto image = [](const int* row, int f) { return std::abs(row[f]) - 1; };
  auto sign = [](int v) { return v < 0 ? -1 : 1; };
  int nonZero = 0;
  for (int i = 0; i < m; ++i) {
    std::int64_t c = 0;
    const int* row = rows + static_cast<std::size_t>(i) * n;
    if (kinds[i] == 0) {
      if (row[a] != 0 && image(row, a) == b) c += sign(row[a]);
      if (row[b] != 0 && image(row, b) == a) c += sign(row[b]);
    } else if (kinds[i] == 1) {
      if (row[a] != 0 && image(row, a) == b) c += sign(row[a]);
    } else if (kinds[i] == 2 && i > 0) {
      const int* scale = rows + static_cast<std::size_t>(i - 1) * n;
      if (scale[a] != 0 && scale[b] != 0 && image(scale, a) == image(scale, b))
        c += sign(scale[a]) * sign(scale[b]);
      if (a == b) {
        for (int t = 0; t < n; ++t) {
          if (scale[t] != 0 && image(scale, t) == a) ++c;
        }
      }
    }
    eq[i] = c;
    if (c != 0) ++nonZero;
  }
  eq[m] = 0;
  return nonZero;
}

std::string galoisSolutionText(const int* x, int m) {
  std::string text = "\nSolution for galois commutant\n ";
  std::size_t lineStart = 0;
  for (int i = 0; i < m; ++i) {
    if (x[i] == 0) continue;
    if (text.size() - lineStart >= 61) {
      text.pop_back();  // the '+' of the term before
      text += "\n      +";
      lineStart = text.size() - 7;
    }
    if (x[i] < 0) text.pop_back();  // the sign takes the place of the '+' (or the blank)
    if (x[i] == 1) {
      text += formatText("[%d]+", i);
    } else if (x[i] == -1) {
      text += formatText("-[%d]+", i);
    } else {
      text += formatText("%d*[%d]+", x[i], i);
    }
  }
  text.pop_back();
  text += "\n\n";
  return text;
}

std::vector<std::vector<int>> searchGaloisCommutant(const int* rows, const int* kinds, const int* T,
                                                    int D, int n, int m) {
  std::vector<std::vector<int>> solutions;
  if (m < 1 || n < 1) return solutions;
  const int N = m + 1;
  Row eq(static_cast<std::size_t>(N));
  initBound(m);
  Alert("ComputeGaloisInvariants", 0, 100216, "Starting analysis for %d orbits", m);
  GaloisEchelon dependences;
  GaloisEchelon equations;
  const GaloisSearchState& s = state();
  for (int a = 0; a < n; ++a) {
    if (a > 0 && a % 50 == 0)
      Alert("ComputeGaloisInvariants", 1, 100216, "Analyzing row %d (out of %d)", a, n);
    for (int b = a; b < n; ++b) {
      // Each entry costs a pass over the m basis rows and may store rows of m + 1 entries.
      obeyInterruptRequest();
      if (s.refused) return solutions;
      if (BuildEquation(rows, kinds, eq.data(), a, b, n, m) == 0) continue;
      CollectEqn(dependences, N, eq.data());
      const bool vacuum = a == 0 && b == 0;
      if (vacuum) eq[m] = -1;
      if (vacuum || mod(static_cast<long long>(T[a]) - T[b], D) != 0) {
        if (CollectEqn(equations, N, eq.data()) == 1) AddBounds(equations, N, equations.count);
        Bound(N, eq.data());
        for (std::int64_t& v : eq) v = -v;
      }
      Bound(N, eq.data());
    }
  }
  if (s.refused) return solutions;
  RemoveDependences(dependences, N);
  const int before = getBFILL();
  Alert("ComputeGaloisInvariants", 2, 100216, "Starting analysis of equations");
  ReBound(N);
  Alert("ComputeGaloisInvariants", 3, 100216, "Starting iterative analysis");
  generateNewBounds(N);
  if (s.refused) return solutions;
  const std::int64_t length = LoopLen(N);
  Alert("ComputeGaloisInvariants", 4, 100216, "Starting loops, total length %lld",
        static_cast<long long>(length));
  if (length < 1) return solutions;

  // The odometer: x runs over the box, last variable fastest.
  auto clamp = [](std::int64_t v) {
    return static_cast<int>(
        std::max<std::int64_t>(-2147483647, std::min<std::int64_t>(2147483646, v)));
  };
  std::vector<int> low(static_cast<std::size_t>(m));
  std::vector<int> high(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    low[i] = clamp(s.minimum[i]);
    high[i] = clamp(s.maximum[i]);
  }
  std::vector<int> x(low);
  std::set<std::vector<int>> found;
  startProgressInfo("Diophantine loops", 1, static_cast<double>(length));
  for (bool more = true; more;) {
    if (incrementProgressInfo() != 0) break;
    if (checkBounds(m, x.data(), before) == 0 && found.insert(x).second) solutions.push_back(x);
    more = false;
    for (int i = m - 1; i >= 0; --i) {
      if (x[i] < high[i]) {
        ++x[i];
        more = true;
        break;
      }
      x[i] = low[i];
    }
  }
  stopProgressInfo("Diophantine loops");
  return solutions;
}

bool galoisSolutionMatrix(const int* x, const int* rows, const int* kinds, int n, int m,
                          std::vector<int>& Z) {
  Z.assign(static_cast<std::size_t>(n) * n, 0);
  Row eq(static_cast<std::size_t>(m) + 1);
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    for (int b = 0; b < n; ++b) {
      if (BuildEquation(rows, kinds, eq.data(), a, b, n, m) == 0) continue;
      std::int64_t entry = 0;
      for (int i = 0; i < m; ++i) entry += eq[i] * x[i];
      if (entry < 0 || entry > 2147483647) return false;
      Z[static_cast<std::size_t>(a) * n + b] = static_cast<int>(entry);
    }
  }
  return true;
}

void resetGaloisSearch() {
  state() = GaloisSearchState();
}

// ---------------------------------------------------------------------------------------
// Handing solutions over

namespace {

GaloisInvariantAcceptor& acceptor() {
  static GaloisInvariantAcceptor accept = nullptr;
  return accept;
}

// The diagnostics of the row groups of Z: rows listing their partners (each repeated by
// its multiplicity) group by equal lists, cut or padded to the length of the vacuum row's
// list; a group holds as many rows as that length.
void diagnoseRowGroups(const std::vector<int>& Z, int n) {
  std::size_t length = 0;
  bool first = true;
  bool mixed = false;
  std::map<std::vector<int>, std::size_t> groups;
  for (int a = 0; a < n; ++a) {
    obeyInterruptRequest();
    std::vector<int> list;
    int value = 0;
    for (int b = 0; b < n; ++b) {
      const int z = Z[static_cast<std::size_t>(a) * n + b];
      if (z <= 0) continue;
      if (value != 0 && value != z) mixed = true;
      value = z;
      list.insert(list.end(), static_cast<std::size_t>(z), b);
    }
    if (list.empty()) continue;
    if (first) {
      length = list.size();
      first = false;
    }
    list.resize(length, -1);
    if (++groups[list] > length) Alert("printSolution", 0, 212204, "Oversized orbit");
  }
  if (mixed) Alert("printSolution", 1, 212204, "Orbit multiplicities not constant");
}

}  // namespace

void setGaloisInvariantAcceptor(GaloisInvariantAcceptor accept) { acceptor() = accept; }

int makeGaloisInvariant(const int* x, const int* rows, const int* kinds, int n, int m) {
  PrintSeparatorWithText('-', "\n");
  Print("\n%s", galoisSolutionText(x, m).c_str());
  std::vector<int> Z;
  if (!galoisSolutionMatrix(x, rows, kinds, n, m, Z)) return 0;
  diagnoseRowGroups(Z, n);
  if (acceptor() == nullptr) {
    Alert("makeGaloisInvariant", 0, 100202, "Accepting Galois invariants is not available yet");
    return 0;
  }
  return acceptor()(Z.data(), n);
}

int ComputeGaloisInvariants(const int* rows, const int* kinds, const int* T, int D, int n, int m) {
  const std::vector<std::vector<int>> solutions = searchGaloisCommutant(rows, kinds, T, D, n, m);
  int accepted = 0;
  for (const std::vector<int>& x : solutions) {
    if (getStopSignal() != 0) break;
    accepted += makeGaloisInvariant(x.data(), rows, kinds, n, m);
  }
  return accepted;
}

int SM_galoisInvariants(SpectrumData* sd) {
  if (sd == nullptr) return -1;
  // Sized first: every solution is handed over as an N x N matrix, and the basis holds a
  // row of N entries for each of its (at most SM_galoisBasisBound) members.
  const long double n = sd->n_primaries;
  if (sd->type >= 1 && sd->type <= 5 &&
      (!requireAllocationSize("SM_galoisInvariants", "The solution matrix of the Galois search",
                              n * n, sizeof(int)) ||
       !requireAllocationSize("SM_galoisInvariants", "The Galois and scale rows of the search",
                              static_cast<long double>(SM_galoisBasisBound(sd)) * n, sizeof(int))))
    return -1;
  std::vector<int> rows;
  std::vector<int> kinds;
  if (!SM_collectGaloisBasis(sd, rows, kinds)) return -1;
  if (sd->weight_num == nullptr || sd->weight_den < 1) {
    Alert("SM_galoisInvariants", 1, 100202,
          "Exact conformal weights are not known for this algebra");
    return -1;
  }
  return ComputeGaloisInvariants(rows.data(), kinds.data(), sd->weight_num, sd->weight_den,
                                 sd->n_primaries, static_cast<int>(kinds.size()));
}
