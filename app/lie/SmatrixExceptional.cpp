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
#include <algorithm>
#include <array>
#include <cmath>
#include <set>
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
