// S-matrix elements of the exceptional algebras G2, F4, E6, E7 and E8.
//
// G2 is its twelve-term Weyl sum in closed form; F4 is three B4 coset terms. E6, E7 and E8
// split the Weyl group into right cosets W(H) r of a classical subgroup H (D5, D6 x A1,
// D8): the alternating sum over each coset is the D-type determinant formula, so an
// element is a signed sum of determinant terms, one per representative r. The
// representatives are generated once per algebra with the Weyl reflections (s_i v)_j =
// v_j - CM[i][j] v_i on Dynkin labels: a breadth-
// first search over words r s_i that keeps the first r found for each image r^-1(Phi_H)
// of the root system of H (that set determines the coset W(H) r, because its stabiliser
// in W is W(H) for these three subgroups). Each r is kept as an integer matrix on Dynkin
// labels with its sign det r = (-1)^(word length); it acts on mu+rho, whose scaled
// orthogonal coordinates then enter the determinants. The lists live until resetSmatrix.
//
// Whole rows of E6, E7 and E8 (exceptionalRow) apply the representatives to the row's
// first weight once and share the minors of the determinants between columns; a large
// row is summed in fixed blocks of representatives on worker threads that only read the
// row's data, the cosine table and the representatives, all made before they start.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "lie/Smatrix.h"
#include "lie/SmatrixInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"

using smatrix_internal::sineDeterminant;
using smatrix_internal::trigDeterminants;

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct ExceptionalState {
  // Index 0: E6, 1: E7, 2: E8.
  std::array<std::vector<CosetRepresentative>, 3> cosets;
  std::array<int, 3> built{0, 0, 0};
};

ExceptionalState& state() {
  static ExceptionalState s;
  return s;
}

int slotOfRank(int rank) { return rank == 6 ? 0 : rank == 7 ? 1 : rank == 8 ? 2 : -1; }

// The linear part of the orthogonal coordinates: orth(v - rho), i.e. the coordinates of
// the weight whose Dynkin labels are v.
void linearOrth(int rank, const int* v, int* out) {
  int shifted[8];
  for (int i = 0; i < rank; ++i) shifted[i] = v[i] - 1;
  if (rank == 6) orthE6(out, shifted);
  if (rank == 7) orthE7(out, shifted);
  if (rank == 8) orthE8(out, shifted);
}

// Is the root (orthogonal coordinates c) in the classical subsystem H?
bool inSubsystem(int rank, const int* c) {
  if (rank == 6) return c[5] == 0;  // D5: no U(1) component
  if (rank == 7) {                  // D6 (no A1 part) or the A1 roots
    bool classicalZero = true;
    for (int i = 0; i < 6; ++i) classicalZero = classicalZero && c[i] == 0;
    return c[6] == 0 || classicalZero;
  }
  int nonZero = 0;  // D8: +-e_i +- e_j
  for (int i = 0; i < 8; ++i) nonZero += c[i] != 0;
  return nonZero == 2;
}

using Matrix = std::vector<int>;  // rank x rank, row-major

Matrix multiply(const Matrix& p, const Matrix& q, int n) {
  Matrix out(static_cast<std::size_t>(n) * n, 0);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < n; ++k) {
      const int pik = p[i * n + k];
      if (pik == 0) continue;
      for (int j = 0; j < n; ++j) out[i * n + j] += pik * q[k * n + j];
    }
  }
  return out;
}

std::vector<int> apply(const Matrix& m, const std::vector<int>& v, int n) {
  std::vector<int> out(n, 0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) out[i] += m[i * n + j] * v[j];
  }
  return out;
}

void buildCosets(int rank) {
  ExceptionalState& s = state();
  const int slot = slotOfRank(rank);
  // The Cartan matrix of E_n in the program's node numbering: the chain 0 - 1 - ... - (n-2)
  // with node n-1 attached to node 2 (E6, E7) or node 4 (E8). Built here rather than
  // through the Lie module so that an S element never replaces that module's current data.
  const int n = rank;
  std::vector<int> cm(static_cast<std::size_t>(n) * n, 0);
  auto link = [&](int i, int j) { cm[i * n + j] = cm[j * n + i] = -1; };
  for (int i = 0; i < n; ++i) cm[i * n + i] = 2;
  for (int i = 0; i + 1 <= n - 2; ++i) link(i, i + 1);
  link(n - 1, n == 8 ? 4 : 2);
  auto cartanAt = [&](int i, int j) { return cm[static_cast<std::size_t>(i) * n + j]; };
  // Reflections on Dynkin labels: (s_i v)_j = v_j - CM[i][j] v_i.
  std::vector<Matrix> reflections(n, Matrix(static_cast<std::size_t>(n) * n, 0));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      reflections[i][j * n + j] = 1;
      reflections[i][j * n + i] -= cartanAt(i, j);
    }
  }
  // All roots, as the orbit of the simple roots.
  std::set<std::vector<int>> roots;
  std::vector<std::vector<int>> pending;
  for (int i = 0; i < n; ++i) {
    std::vector<int> root(n);
    for (int j = 0; j < n; ++j) root[j] = cartanAt(i, j);
    if (roots.insert(root).second) pending.push_back(root);
  }
  while (!pending.empty()) {
    std::vector<int> root = pending.back();
    pending.pop_back();
    for (int i = 0; i < n; ++i) {
      std::vector<int> image = apply(reflections[i], root, n);
      if (roots.insert(image).second) pending.push_back(image);
    }
  }
  std::vector<std::vector<int>> subsystem;
  int coords[8];
  for (const std::vector<int>& root : roots) {
    linearOrth(n, root.data(), coords);
    if (inSubsystem(n, coords)) subsystem.push_back(root);
  }
  auto keyOf = [&](const Matrix& u) {
    std::vector<std::vector<int>> images;
    images.reserve(subsystem.size());
    for (const std::vector<int>& root : subsystem) images.push_back(apply(u, root, n));
    std::sort(images.begin(), images.end());
    std::vector<int> key;
    for (const std::vector<int>& v : images) key.insert(key.end(), v.begin(), v.end());
    return key;
  };
  struct Node {
    Matrix inverse;  // u = r^-1
    Matrix element;  // r
    int sign;
  };
  Matrix identity(static_cast<std::size_t>(n) * n, 0);
  for (int i = 0; i < n; ++i) identity[i * n + i] = 1;
  std::vector<Node> nodes{{identity, identity, 1}};
  std::set<std::vector<int>> seen{keyOf(identity)};
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    for (int i = 0; i < n; ++i) {
      Matrix inverse = multiply(reflections[i], nodes[k].inverse, n);
      std::vector<int> key = keyOf(inverse);
      if (!seen.insert(key).second) continue;
      Matrix element = multiply(nodes[k].element, reflections[i], n);
      nodes.push_back({std::move(inverse), std::move(element), -nodes[k].sign});
    }
  }
  std::vector<CosetRepresentative>& list = s.cosets[slot];
  list.clear();
  for (const Node& node : nodes) {
    CosetRepresentative rep{};
    rep.sign = node.sign;
    std::copy(node.element.begin(), node.element.end(), rep.matrix);
    list.push_back(rep);
  }
  s.built[slot] = 1;
}

const std::vector<CosetRepresentative>& cosetsOf(int rank) {
  const int slot = slotOfRank(rank);
  if (!state().built[slot]) buildCosets(rank);
  return state().cosets[slot];
}

// z = scaled orthogonal coordinates of r(mu+rho), from the labels b of mu.
void transformedCoordinates(const CosetRepresentative& r, int rank, const int* b, int* z) {
  int image[8];
  for (int i = 0; i < rank; ++i) {
    int sum = 0;
    for (int j = 0; j < rank; ++j) sum += r.matrix[i * rank + j] * (b[j] + 1);
    image[i] = sum;
  }
  linearOrth(rank, image, z);
}

}  // namespace

int SmatrixCosetCount(int rank) {
  if (slotOfRank(rank) < 0) return 0;
  return static_cast<int>(cosetsOf(rank).size());
}

const CosetRepresentative* SmatrixCosetRepresentatives(int rank) {
  if (slotOfRank(rank) < 0) return nullptr;
  return cosetsOf(rank).data();
}

namespace smatrix_internal {

void resetExceptional() { state() = ExceptionalState{}; }

}  // namespace smatrix_internal

void ZoqG(const int* a, const int* b, double* re, double* im, int level) {
  static const double cartan[2][2] = {{2.0, 1.0}, {1.0, 2.0 / 3.0}};
  const double l0 = a[0] + 1;
  const double l1 = a[1] + 1;
  const double m0 = b[0] + 1;
  const double m1 = b[1] + 1;
  const double v0 = cartan[0][0] * m0 + cartan[0][1] * m1;
  const double v1 = cartan[1][0] * m0 + cartan[1][1] * m1;
  const double p = v0 * l0;
  const double q = v1 * l1;
  const double u = v1 * l0;
  const double w = v0 * l1;
  const double t = -kTwoPi / (level + 4);
  const double sum = std::cos(t * (p + q)) - std::cos(t * (3 * u + q - p)) - std::cos(t * (w + p - q)) +
                     std::cos(t * (3 * u + 2 * q - p - w)) + std::cos(t * (w + 2 * p - q - 3 * u)) -
                     std::cos(t * (w + 2 * p - 2 * q - 3 * u));
  *re = -2.0 * sum / ((level + 4) * std::sqrt(3.0));
  *im = 0.0;
}

void ZoqF(const int* a, const int* b, double* re, double* im, int level) {
  const int modulus = smatrix_internal::checkedModulus(8LL * (level + 9LL), "ZoqF");
  const double* table = modulus > 0 ? getCos(modulus) : nullptr;
  *re = *im = 0.0;
  if (table == nullptr) return;
    int x[4], y[4], z[4];
  orthF(x, a);
  orthF(y, b);
  for (int j = 0; j < 4; ++j) z[j] = 2 * y[j];
  double sum = 16.0 * sineDeterminant(x, z, 4, modulus, table);
  const int total = y[0] + y[1] + y[2] + y[3];
  for (int j = 0; j < 4; ++j) z[j] = y[j] - (total - y[j]);
  sum -= 16.0 * sineDeterminant(x, z, 4, modulus, table);
  z[0] = y[0] + y[1] + y[2] + y[3];
  z[1] = y[0] + y[1] - y[2] - y[3];
  z[2] = y[0] - y[1] + y[2] - y[3];
  z[3] = y[0] - y[1] - y[2] + y[3];
  sum -= 16.0 * sineDeterminant(x, z, 4, modulus, table);
  *re = sum / (level + 9) / (level + 9) / 2;
}

void ZoqE6(const int* a, const int* b, double* re, double* im, int level) {
  const int modulus = smatrix_internal::checkedModulus(12LL * (level + 12LL), "ZoqE6");
  const double* table = modulus > 0 ? getCos(modulus) : nullptr;
  *re = *im = 0.0;
  if (table == nullptr) return;
  const double* sine = table + modulus;
  int x[6], z[6];
  orthE6(x, a);
  double sumRe = 0.0, sumIm = 0.0;
  for (const CosetRepresentative& r : cosetsOf(6)) {
    transformedCoordinates(r, 6, b, z);
    for (int i = 0; i < 5; ++i) z[i] /= 3;
    const int index = mod(static_cast<long long>(x[5]) * z[5], modulus);
    double c = 0.0, d = 0.0;
    trigDeterminants(x, z, 5, modulus, table, &c, &d);
    // 16 (C + iD) exp(-i phi), exp(-i phi) = cos + i (-sin).
    double termRe = 0.0, termIm = 0.0;
    complexProduct(&termRe, &termIm, c, d, table[index], sine[index]);
    sumRe += r.sign * 16.0 * termRe;
    sumIm += r.sign * 16.0 * termIm;
  }
  const double norm = std::sqrt(3.0) * std::pow(static_cast<double>(level + 12), 3.0);
  *re = sumRe / norm;
  *im = sumIm / norm;
}

void ZoqE7(const int* a, const int* b, double* re, double* im, int level) {
  const int modulus = smatrix_internal::checkedModulus(4LL * (level + 18LL), "ZoqE7");
  const double* table = modulus > 0 ? getCos(modulus) : nullptr;
  *re = *im = 0.0;
  if (table == nullptr) return;
  const double* sine = table + modulus;
  int x[7], z[7];
  orthE7(x, a);
  double sum = 0.0;
  for (const CosetRepresentative& r : cosetsOf(7)) {
    transformedCoordinates(r, 7, b, z);
    z[6] *= 2;
    const double s = sine[mod(static_cast<long long>(x[6]) * z[6], modulus)];
    double c = 0.0, d = 0.0;
    trigDeterminants(x, z, 6, modulus, table, &c, &d);
    sum += r.sign * 64.0 * s * (c - d);
  }
  *re = sum / (std::sqrt(2.0) * std::pow(static_cast<double>(level + 18), 3.5));
}

void ZoqE8(const int* a, const int* b, double* re, double* im, int level) {
  const int modulus = smatrix_internal::checkedModulus(4LL * (level + 30LL), "ZoqE8");
  const double* table = modulus > 0 ? getCos(modulus) : nullptr;
  *re = *im = 0.0;
  if (table == nullptr) return;
    int x[8], z[8];
  orthE8(x, a);
  double sum = 0.0;
  for (const CosetRepresentative& r : cosetsOf(8)) {
    transformedCoordinates(r, 8, b, z);
    double c = 0.0, d = 0.0;
    trigDeterminants(x, z, 8, modulus, table, &c, &d);
    sum += r.sign * (c + d);
  }
  *re = 128.0 * sum / std::pow(static_cast<double>(level + 30), 4.0);
}

// ---------------------------------------------------------------------------------------
// Rows
//
// Along a row the first field a is fixed. The Weyl sum is the same with w acting on
// either weight (sum_w det w e(-(w x, y)) = sum_w det w e(-(x, w y))), so each coset
// representative r is applied to a+rho once for the row, p = r(a+rho), and the classical
// determinant of r and a column b is det[f(p_i y_j)] with y the coordinates of b+rho:
// column j depends on the one number y_j. The row's columns are sorted by their
// coordinates, in an order of the coordinates chosen so that neighbours share long
// prefixes, and each determinant is expanded column by column: the minors of the first d
// columns (one for every d-subset of the rows) stay from the previous column while its
// first d coordinates are the same, so a column pays only for the levels after the prefix
// it shares. The cosine and the sine determinant are carried side by side.
// ---------------------------------------------------------------------------------------

namespace {

constexpr int kMostClassical = 8;
constexpr int kMostMinors = 70;        // C(8, 4)
constexpr int kOrderSample = 4096;     // columns looked at to choose the coordinate order
constexpr std::size_t kRowBlocks = 8;  // blocks of representatives of a large row
constexpr double kThreadedWork = 1e6;  // columns times representatives worth the blocks

// The cosine and the sine value of one entry or minor, side by side.
typedef double TrigPair __attribute__((vector_size(16)));

// Laplace expansion along the last column: with S = {s_0 < ... < s_{d-1}},
// minor_d[S] = sum over t of (-1)^(t+d-1) column[s_t] minor_{d-1}[S - s_t]. The subsets of
// one size are numbered in increasing order of their bit masks; LevelPlan<N, D> lists, for
// each D-subset S in turn, the D sources S - s_t (their numbers among the (D-1)-subsets)
// and the D rows s_t. The plans are compile-time constants, so each level unrolls into
// straight-line code.
constexpr int subsetCount(int n, int d) {
  int c = 1;
  for (int i = 0; i < d; ++i) c = c * (n - i) / (i + 1);
  return c;
}

constexpr int subsetNumber(int mask) {
  const int d = __builtin_popcount(static_cast<unsigned>(mask));
  int number = 0;
  for (int m = 0; m < mask; ++m) number += __builtin_popcount(static_cast<unsigned>(m)) == d;
  return number;
}

template <int N, int D>
struct LevelPlan {
  static constexpr int size = subsetCount(N, D);
  std::array<std::uint8_t, size * D> sources{};
  std::array<std::uint8_t, size * D> rows{};
  constexpr LevelPlan() {
    int at = 0;
    for (int mask = 1; mask < (1 << N); ++mask) {
      if (__builtin_popcount(static_cast<unsigned>(mask)) != D) continue;
      for (int row = 0; row < N; ++row) {
        if (!(mask & (1 << row))) continue;
        sources[at] = static_cast<std::uint8_t>(subsetNumber(mask & ~(1 << row)));
        rows[at] = static_cast<std::uint8_t>(row);
        ++at;
      }
    }
  }
};

template <int N, int D>
inline constexpr LevelPlan<N, D> levelPlan{};

template <int N, int D, std::size_t M, std::size_t... T>
inline TrigPair minorOf(const TrigPair* in, const TrigPair* column, std::index_sequence<T...>) {
  constexpr const LevelPlan<N, D>& plan = levelPlan<N, D>;
  constexpr double signs[2] = {1.0, -1.0};
  return ((signs[(T + D - 1) % 2] * (in[plan.sources[M * D + T]] * column[plan.rows[M * D + T]])) + ...);
}

template <int N, int D, std::size_t... M>
inline void extendLevel(const TrigPair* in, TrigPair* out, const TrigPair* column, std::index_sequence<M...>) {
  ((out[M] = minorOf<N, D, M>(in, column, std::make_index_sequence<D>{})), ...);
}

// The minors of level d from those of level d-1 and the d-th column.
template <int N, int D = 1>
inline void extendMinors(int d, const TrigPair* in, TrigPair* out, const TrigPair* column) {
  if constexpr (D <= N) {
    if (d == D) {
      extendLevel<N, D>(in, out, column, std::make_index_sequence<static_cast<std::size_t>(subsetCount(N, D))>{});
    } else {
      extendMinors<N, D + 1>(d, in, out, column);
    }
  }
}

// The order of the coordinates that keeps the number of distinct prefixes small, chosen
// greedily on a sample of the columns; coordinates holds count vectors of n ints.
std::vector<int> prefixOrder(const std::vector<int>& coordinates, int count, int n) {
  const int step = count > kOrderSample ? count / kOrderSample : 1;
  std::vector<int> sample;
  for (int k = 0; k < count; k += step) sample.push_back(k);
  std::vector<std::uint64_t> classOf(sample.size(), 0), keys(sample.size());
  std::vector<int> order;
  std::vector<bool> used(n, false);
  auto keyOf = [&](std::size_t s, int c) {
    const int v = coordinates[static_cast<std::size_t>(sample[s]) * n + c];
    return (classOf[s] << 32) | static_cast<std::uint32_t>(v);
  };
  for (int placed = 0; placed < n; ++placed) {
    int best = -1;
    std::size_t bestDistinct = 0;
    for (int c = 0; c < n; ++c) {
      if (used[c]) continue;
      for (std::size_t s = 0; s < sample.size(); ++s) keys[s] = keyOf(s, c);
      std::sort(keys.begin(), keys.end());
      const std::size_t distinct =
          static_cast<std::size_t>(std::unique(keys.begin(), keys.end()) - keys.begin());
      if (best < 0 || distinct < bestDistinct) best = c, bestDistinct = distinct;
    }
    used[best] = true;
    order.push_back(best);
    std::vector<std::uint64_t> sorted(sample.size());
    for (std::size_t s = 0; s < sample.size(); ++s) sorted[s] = keyOf(s, best);
    std::vector<std::uint64_t> distinct = sorted;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (std::size_t s = 0; s < sample.size(); ++s)
      classOf[s] = static_cast<std::uint64_t>(std::lower_bound(distinct.begin(), distinct.end(), sorted[s]) -
                                              distinct.begin());
  }
  return order;
}

int permutationSign(const std::vector<int>& order) {
  int sign = 1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    for (std::size_t j = i + 1; j < order.size(); ++j) {
      if (order[i] > order[j]) sign = -sign;
    }
  }
  return sign;
}

// A table entry as the element determinants use it (quarter turns exactly 0).
double clippedEntry(double v) { return std::fabs(v) < 1e-12 ? 0.0 : v; }

// What the sums of one row share, read only while they run.
struct RowWork {
  int rank = 0;
  int n = 0;  // order of the classical determinants
  int count = 0;
  int modulus = 0;
  const double* table = nullptr;
  const int* a = nullptr;
  const std::vector<CosetRepresentative>* representatives = nullptr;
  double orderSign = 1.0;
  const std::vector<int>* residues = nullptr;
  const std::vector<int>* sortedOf = nullptr;
  const std::vector<int>* shared = nullptr;
  const std::vector<std::size_t>* offsets = nullptr;
  const std::vector<int>* extra = nullptr;
};

// Adds the terms of the representatives first..end-1 to sumRe, sumIm (count entries each,
// in the columns' own order).
void sumRepresentatives(const RowWork& w, std::size_t first, std::size_t end, double* sumRe, double* sumIm) {
  const int rank = w.rank;
  const int n = w.n;
  const int count = w.count;
  const int modulus = w.modulus;
  const double* table = w.table;
  const double* sine = table + modulus;
  const std::vector<int>& residues = *w.residues;
  const std::vector<int>& sortedOf = *w.sortedOf;
  const std::vector<int>& shared = *w.shared;
  const std::vector<std::size_t>& offsets = *w.offsets;
  const std::vector<int>& extra = *w.extra;
  // columnTable[n t + i]: the cosine and the sine entry of row i for a column whose
  // coordinate is residues[t].
  std::vector<TrigPair> columnTable(residues.size() * n);
  TrigPair minors[kMostClassical + 1][kMostMinors];
  minors[0][0] = TrigPair{1.0, 1.0};
  for (std::size_t at = first; at < end; ++at) {
    const CosetRepresentative& r = (*w.representatives)[at];
    int p[8];
    transformedCoordinates(r, rank, w.a, p);
    if (rank == 6) {
      for (int i = 0; i < 5; ++i) p[i] /= 3;
    }
    if (rank == 7) p[6] *= 2;
    for (std::size_t t = 0; t < residues.size(); ++t) {
      for (int i = 0; i < n; ++i) {
        const int index = mod(static_cast<long long>(p[i]) * residues[t], modulus);
        columnTable[t * n + i] = TrigPair{clippedEntry(table[index]), clippedEntry(sine[index])};
      }
    }
    const double sign = r.sign * w.orderSign;
    for (int s = 0; s < count; ++s) {
      const std::size_t* offset = offsets.data() + static_cast<std::size_t>(s) * n;
      for (int d = shared[static_cast<std::size_t>(s)] + 1; d <= n; ++d) {
        const TrigPair* column = columnTable.data() + offset[d - 1];
        if (n == 5) extendMinors<5>(d, minors[d - 1], minors[d], column);
        if (n == 6) extendMinors<6>(d, minors[d - 1], minors[d], column);
        if (n == 8) extendMinors<8>(d, minors[d - 1], minors[d], column);
      }
      const double c = minors[n][0][0];
      const double d = minors[n][0][1];
      const std::size_t k = static_cast<std::size_t>(sortedOf[static_cast<std::size_t>(s)]);
      if (rank == 8) {
        sumRe[k] += sign * (c + d);
      } else if (rank == 7) {
        const double phase = sine[mod(static_cast<long long>(p[6]) * extra[k], modulus)];
        sumRe[k] += sign * 64.0 * phase * (c - d);
      } else {
        const int index = mod(static_cast<long long>(p[5]) * extra[k], modulus);
        double termRe = 0.0, termIm = 0.0;
        complexProduct(&termRe, &termIm, c, d, table[index], sine[index]);
        sumRe[k] += sign * 16.0 * termRe;
        sumIm[k] += sign * 16.0 * termIm;
      }
    }
  }
}

// The sums of the row. A large row splits the representatives into kRowBlocks fixed
// blocks, summed apart (on up to as many threads as the machine has) and added in block
// order, so the values do not depend on the number of threads.
void sumRows(const RowWork& w, std::vector<double>* sumRe, std::vector<double>* sumIm) {
  const std::size_t count = static_cast<std::size_t>(w.count);
  const std::size_t representatives = w.representatives->size();
  const double work = static_cast<double>(count) * static_cast<double>(representatives);
  const std::size_t blocks = work < kThreadedWork ? 1 : std::min<std::size_t>(kRowBlocks, representatives);
  std::vector<double> partial(2 * blocks * count, 0.0);
  auto runBlock = [&](std::size_t block) {
    const std::size_t first = representatives * block / blocks;
    const std::size_t end = representatives * (block + 1) / blocks;
    double* re = partial.data() + 2 * block * count;
    sumRepresentatives(w, first, end, re, re + count);
  };
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t block = next++; block < blocks; block = next++) runBlock(block);
  };
  std::vector<std::thread> threads;
  const std::size_t hardware = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t helpers = std::min(blocks, hardware) - 1;
  for (std::size_t t = 0; t < helpers; ++t) {
    try {
      threads.emplace_back(worker);
    } catch (const std::system_error&) {
      break;  // the threads started (and this one) share the blocks
    }
  }
  worker();
  for (std::thread& thread : threads) thread.join();
  sumRe->assign(count, 0.0);
  sumIm->assign(count, 0.0);
  for (std::size_t block = 0; block < blocks; ++block) {
    const double* re = partial.data() + 2 * block * count;
    for (std::size_t k = 0; k < count; ++k) {
      (*sumRe)[k] += re[k];
      (*sumIm)[k] += re[count + k];
    }
  }
}

}  // namespace

namespace smatrix_internal {

bool exceptionalRow(int rank, int level, const int* a, int count, const int* const* columns, double* re,
                    double* im) {
  if (slotOfRank(rank) < 0 || count < 0) return false;
  const long long modulusWanted = rank == 6 ? 12LL * (level + 12LL) : rank == 7 ? 4LL * (level + 18LL)
                                                                                : 4LL * (level + 30LL);
  const int modulus = checkedModulus(modulusWanted, rank == 6 ? "ZoqE6" : rank == 7 ? "ZoqE7" : "ZoqE8");
  const double* table = modulus > 0 ? getCos(modulus) : nullptr;
  if (table == nullptr) return false;
  // The classical part: D5 (E6), D6 (E7), D8 (E8); the remaining coordinate of E6 and E7
  // enters as a phase.
  const int n = rank == 6 ? 5 : rank == 7 ? 6 : 8;

  // Coordinates of b+rho of every column; their order and the shared prefixes.
  std::vector<int> coordinates(static_cast<std::size_t>(count) * n);
  std::vector<int> extra(static_cast<std::size_t>(count), 0);
  for (int k = 0; k < count; ++k) {
    int y[8];
    if (rank == 6) orthE6(y, columns[k]);
    if (rank == 7) orthE7(y, columns[k]);
    if (rank == 8) orthE8(y, columns[k]);
    std::copy(y, y + n, coordinates.begin() + static_cast<std::ptrdiff_t>(k) * n);
    if (rank != 8) extra[static_cast<std::size_t>(k)] = y[n];
  }
  const std::vector<int> coordinateOrder = prefixOrder(coordinates, count, n);
  const double orderSign = permutationSign(coordinateOrder);
  std::vector<int> sortedOf(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) sortedOf[static_cast<std::size_t>(k)] = k;
  auto coordinate = [&](int k, int d) {
    return coordinates[static_cast<std::size_t>(k) * n + coordinateOrder[static_cast<std::size_t>(d)]];
  };
  std::sort(sortedOf.begin(), sortedOf.end(), [&](int p, int q) {
    for (int d = 0; d < n; ++d) {
      if (coordinate(p, d) != coordinate(q, d)) return coordinate(p, d) < coordinate(q, d);
    }
    return p < q;
  });
  // The distinct coordinates of the columns (mod M), and per sorted column the length of
  // the prefix it shares with the previous one and the offset of each of its columns in
  // the representative's column table.
  std::vector<int> residues;
  residues.reserve(coordinates.size());
  for (int v : coordinates) residues.push_back(mod(v, modulus));
  std::sort(residues.begin(), residues.end());
  residues.erase(std::unique(residues.begin(), residues.end()), residues.end());
  auto slotOf = [&](int v) {
    return static_cast<std::size_t>(std::lower_bound(residues.begin(), residues.end(), mod(v, modulus)) -
                                    residues.begin());
  };
  std::vector<int> shared(static_cast<std::size_t>(count), 0);
  std::vector<std::size_t> offsets(static_cast<std::size_t>(count) * n);
  for (int s = 0; s < count; ++s) {
    const int k = sortedOf[static_cast<std::size_t>(s)];
    int common = 0;
    if (s > 0) {
      const int previous = sortedOf[static_cast<std::size_t>(s) - 1];
      while (common < n && coordinate(k, common) == coordinate(previous, common)) ++common;
    }
    shared[static_cast<std::size_t>(s)] = common;
    for (int d = 0; d < n; ++d)
      offsets[static_cast<std::size_t>(s) * n + d] = static_cast<std::size_t>(n) * slotOf(coordinate(k, d));
  }

  RowWork work;
  work.rank = rank;
  work.n = n;
  work.count = count;
  work.modulus = modulus;
  work.table = table;
  work.a = a;
  work.representatives = &cosetsOf(rank);
  work.orderSign = orderSign;
  work.residues = &residues;
  work.sortedOf = &sortedOf;
  work.shared = &shared;
  work.offsets = &offsets;
  work.extra = &extra;
  std::vector<double> sumRe, sumIm;
  sumRows(work, &sumRe, &sumIm);
  double norm = 0.0;
  if (rank == 6) norm = std::sqrt(3.0) * std::pow(static_cast<double>(level + 12), 3.0);
  if (rank == 7) norm = std::sqrt(2.0) * std::pow(static_cast<double>(level + 18), 3.5);
  for (int k = 0; k < count; ++k) {
    const std::size_t at = static_cast<std::size_t>(k);
    if (rank == 8) {
      re[k] = 128.0 * sumRe[at] / std::pow(static_cast<double>(level + 30), 4.0);
      im[k] = 0.0;
    } else {
      re[k] = sumRe[at] / norm;
      im[k] = rank == 6 ? sumIm[at] / norm : 0.0;
    }
  }
  return true;
}

}  // namespace smatrix_internal
