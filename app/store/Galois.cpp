// Galois action on the primaries of an affine algebra: the conductor, the action of one
// factor on one weight, the generators of (Z/M)* with the exponent table that writes every
// unit over them, inversion and composition of signed-permutation rows, the two text forms
// of an orbit, and the Galois and scale rows of a stored theory.
//
// State: the affine reflection buffers of Galois, the generator list and exponent table of
// the last modulus (row g of the table: the exponent of generator g in each residue
// 0..M-1), and a label index of the last record whose rows were computed. The rows
// themselves live in their record. resetGalois forgets the state.
#include "store/Galois.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "lie/LieAlgebra.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

struct GaloisState {
  std::vector<std::int64_t> srep;  // working labels of Galois
  std::vector<int> result1;        // the two copies of its result
  std::vector<int> result2;
  std::vector<std::int64_t> shift;  // WeylShift's coroot coefficients
  int lastModulus = -1;
  std::vector<int> used;  // per residue the step at which it was reached
  std::vector<int> generators;
  std::vector<int> exponents;  // generators.size() rows of lastModulus entries

  // Field of each label vector of `indexed` (bytes of the rep_size labels as key).
  const SpectrumData* indexed = nullptr;
  int indexedFields = 0;
  std::unordered_map<std::string, int> fieldOfLabels;
  std::vector<int> powers;  // exponents of one unit
  std::vector<int> work;    // one row
};

GaloisState& state() {
  static GaloisState s;
  return s;
}

int sign(int v) {
  return v < 0 ? -1 : 1;
}

// M = factor * base, or -1 when it leaves int.
int modulusProduct(std::int64_t factor, std::int64_t base) {
  std::int64_t m = 0;
  if (__builtin_mul_overflow(factor, base, &m) || m > 2147483647 || m < 1) return -1;
  return static_cast<int>(m);
}

}  // namespace

int GaloisModulus(int type, int rank, int level) {
  const std::int64_t r = rank;
  const std::int64_t k = level;
  switch (type) {
    case 0:
    case 6:
      return 1;
    case 1:
      return modulusProduct(r + 1, k + r + 1);
    case 2:
      return modulusProduct(rank % 2 != 0 ? 4 : 2, k + 2 * r - 1);
    case 3:
      return modulusProduct(2, k + r + 1);
    case 4:
      return modulusProduct(rank % 2 != 0 ? 4 : 2, k + 2 * r - 2);
    case 5:
      switch (rank) {
        case 2:
          return modulusProduct(3, k + 4);
        case 4:
          return modulusProduct(2, k + 9);
        case 6:
          return modulusProduct(3, k + 12);
        case 7:
          return modulusProduct(2, k + 18);
        case 8:
          return modulusProduct(1, k + 30);
        default:
          return -1;
      }
    default:
      return -1;
  }
}

void WeylShift(int type, int rank, int level, std::int64_t* v) {
  const int metricNorm = InverseCartan(type, rank);
  Cartan(type, rank);
  const LieData& d = Zoq_lieData();
  if (metricNorm == 0 || d.cartanType != type || d.cartanRank != rank) return;
  const std::int64_t height = static_cast<std::int64_t>(level) + dualCoxeter(type, rank);
  GaloisState& s = state();
  s.shift.assign(static_cast<std::size_t>(rank), 0);
  for (int i = 0; i < rank; ++i) {
    std::int64_t sum = 0;
    for (int j = 0; j < rank; ++j) sum += v[j] * d.ICM[static_cast<std::size_t>(j) * rank + i];
    const double t = -static_cast<double>(sum) / static_cast<double>(height) / metricNorm;
    s.shift[i] = static_cast<std::int64_t>(std::round(t));
  }
  for (int i = 0; i < rank; ++i) {
    std::int64_t add = 0;
    for (int j = 0; j < rank; ++j) add += d.GM[static_cast<std::size_t>(j) * rank + i] * s.shift[j];
    v[i] += height * add;
  }
}

int Galois(int type, int rank, int level, const int* labels, const int** out1, const int** out2,
           std::int64_t l) {
  GaloisState& s = state();
  const int n = rank + 1;
  s.srep.assign(static_cast<std::size_t>(n), 0);
  s.result1.assign(static_cast<std::size_t>(n), 0);
  s.result2.assign(static_cast<std::size_t>(n), 0);
  *out1 = s.result1.data();
  *out2 = s.result2.data();
  if (rank < 1) {
    // The trivial theory: one field, nothing to reflect.
    s.result1[0] = s.result2[0] = level;
    return 1;
  }
  Cartan(type, rank);
  const std::int64_t height = static_cast<std::int64_t>(level) + dualCoxeter(type, rank);
  for (int i = 0; i < rank; ++i) s.srep[i] = l * (static_cast<std::int64_t>(labels[i]) + 1);
  WeylShift(type, rank, level, s.srep.data());
  Cartan(type, rank);
  const LieData& d = Zoq_lieData();
  if (d.cartanType != type || d.cartanRank != rank) return 1;
  std::int64_t affine = height;
  for (int i = 0; i < rank; ++i) affine -= static_cast<std::int64_t>(d.theta[i]) * s.srep[i];
  s.srep[rank] = affine;
  int reflections = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i < n; ++i) {
      const std::int64_t c = s.srep[i];
      if (c >= 0) continue;
      for (int j = 0; j < n; ++j) s.srep[j] -= d.CM[static_cast<std::size_t>(i) * n + j] * c;
      ++reflections;
      changed = true;
    }
  }
  for (int j = 0; j < n; ++j) s.result1[j] = s.result2[j] = static_cast<int>(s.srep[j] - 1);
  return reflections % 2 == 0 ? 1 : -1;
}

int GaloisOrder(int l, int M, const int* used) {
  std::int64_t x = l;
  for (int j = 2; j < 1000000; ++j) {
    x = (x * l) % M;
    if (used[x] > 0) return j;
    if (x < l && x != 1) return -1;
  }
  Alert("GaloisOrder", 0, 212404, "Unexpected logical flow");
  return -2;
}

const int* GaloisOrbits(int M, int* ngen) {
  GaloisState& s = state();
  if (M == s.lastModulus) {
    *ngen = static_cast<int>(s.generators.size());
    return s.generators.data();
  }
  s.generators.clear();
  s.exponents.clear();
  s.used.assign(static_cast<std::size_t>(M > 1 ? M : 2), 0);
  s.used[1] = 1;
  int count = 1;
  while (M > 2) {
    int best = -1;
    int bestOrder = 0;
    for (int l = 2; l < M; ++l) {
      if (s.used[l] != 0 || GCD(l, M) != 1) continue;
      const int order = GaloisOrder(l, M, s.used.data());
      if (order > bestOrder) {
        bestOrder = order;
        best = l;
      }
    }
    if (best < 0) break;
    const std::size_t g = s.generators.size();
    s.generators.push_back(best);
    ++count;
    s.exponents.resize((g + 1) * static_cast<std::size_t>(M), 0);
    // Close the covered subgroup H under the new generator: every new residue is
    // best^e h (h in H, 0 < e < order) in exactly one way, so its exponents are those of
    // h with e for the new generator.
    std::vector<int> covered;
    for (int u = 1; u < M; ++u) {
      if (s.used[u] != 0) covered.push_back(u);
    }
    for (int h : covered) {
      std::int64_t w = h;
      for (int e = 1; e < bestOrder; ++e) {
        w = (w * best) % M;
        if (s.used[w] != 0) break;
        s.used[w] = count;
        for (std::size_t old = 0; old < g; ++old)
          s.exponents[old * M + w] = s.exponents[old * M + h];
        s.exponents[g * M + w] = e;
      }
    }
  }
  s.lastModulus = M;
  *ngen = static_cast<int>(s.generators.size());
  return s.generators.data();
}

int GaloisExponent(int g, int u) {
  const GaloisState& s = state();
  if (g < 0 || static_cast<std::size_t>(g) >= s.generators.size() || u < 0 || u >= s.lastModulus)
    return 0;
  return s.exponents[static_cast<std::size_t>(g) * s.lastModulus + u];
}

int InvertOrbit(int n, const int* row, int* inverse) {
  for (int i = 0; i < n; ++i) inverse[i] = 0;
  for (int i = 0; i < n; ++i) {
    const int image = std::abs(row[i]) - 1;
    if (image < 0 || image >= n) continue;
    inverse[image] = row[i] > 0 ? i + 1 : -(i + 1);
  }
  bool same = true;
  bool opposite = true;
  for (int i = 0; i < n; ++i) {
    if (inverse[i] != row[i]) same = false;
    if (inverse[i] != -row[i]) opposite = false;
  }
  if (same) return 1;
  if (opposite) return -1;
  auto negate = [&]() {
    for (int i = 0; i < n; ++i) inverse[i] = -inverse[i];
  };
  if (n < 1 || inverse[0] == row[0]) return 2;
  if (inverse[0] == -row[0]) {
    negate();
    return -2;
  }
  if (inverse[0] < 0) {
    negate();
    return -2;
  }
  return 2;
}

void multiplyOrbits(int n, const int* A, const int* B, int* C) {
  if (n < 1) return;
  // The sign that makes entry 0 positive; +1 when the vacuum has no image.
  int c = 1;
  if (A[0] != 0) {
    const int f0 = B[std::abs(A[0]) - 1];
    if (f0 != 0) c = sign(A[0]) * sign(f0);
  }
  for (int i = 0; i < n; ++i) {
    if (A[i] == 0) {
      C[i] = 0;
      continue;
    }
    const int f = B[std::abs(A[i]) - 1];
    C[i] = f == 0 ? 0 : sign(A[i]) * sign(f) * std::abs(f) * c;
  }
}

namespace {

// The text of an orbit listing, handed on as it is made. Without a sink the text is kept
// (the string forms of the listings); with one, every complete line is passed to it at once,
// except while an orbit is held: the text of an orbit that a filter may still drop is passed
// on when the orbit is complete. Handing a line on is also where the listing looks for the
// stop signal (set by Ctrl-C or by declining to go on): true there ends it.
class OrbitText {
 public:
  OrbitText(std::string& text, const OrbitTextSink* sink) : text_(text), sink_(sink) {}
  std::string& text() { return text_; }
  void hold(bool on) { held_ = on; }
  // A line is complete: pass it on unless held. True when the listing is to stop.
  bool lineDone() {
    if (sink_ == nullptr) return false;
    if (!held_) pass();
    return getStopSignal() != 0;
  }
  // The orbit is complete: pass on what was held.
  void orbitDone() {
    if (sink_ != nullptr) pass();
  }

 private:
  void pass() {
    if (text_.empty()) return;
    (*sink_)(text_);
    text_.clear();
  }
  std::string& text_;
  const OrbitTextSink* sink_;
  bool held_ = false;
};

// Looks for the stop signal once in 256 calls of a loop that writes no line: true to stop.
bool stopRequested(OrbitText& out, std::size_t step) {
  return (step & 255U) == 255U && out.lineDone();
}

void writeGaloisOrbit(OrbitText& out, int n, const int* T, int modT, int rejectT, int rejectSign,
                      std::int64_t l, const int* row) {
  std::string& text = out.text();
  const std::size_t start = text.size();
  const bool filtered = rejectT == 1 || rejectSign == 1;
  out.hold(filtered);
  text += formatText("\nGalois dilation %lld\n", static_cast<long long>(l));
  if (out.lineDone()) return;
  std::vector<int> members;
  std::vector<int> signs;
  // Members of a cycle listed already: a walk from any of them would meet the smaller
  // first member and write nothing, so each field is walked at most once more.
  std::vector<char> listed(static_cast<std::size_t>(n > 0 ? n : 0), 0);
  for (int i = 0; i < n; ++i) {
    if (listed[i] != 0) continue;
    if (stopRequested(out, static_cast<std::size_t>(i))) return;
    members.assign(1, i);
    signs.assign(1, 1);
    int running = 1;
    int j = i;
    bool cycle = true;
    for (int steps = 0;; ++steps) {
      const int e = row[j];
      if (e == 0 || steps > n) {
        cycle = false;
        break;
      }
      running *= sign(e);
      j = std::abs(e) - 1;
      if (j == i) break;
      if (j < i) {
        cycle = false;
        break;
      }
      members.push_back(j);
      signs.push_back(running);
    }
    if (!cycle) continue;
    for (int member : members) listed[static_cast<std::size_t>(member)] = 1;
    bool negativeWritten = false;
    text += formatText("(%d", i);
    for (std::size_t m = 1; m < members.size(); ++m) {
      if (signs[m] < 0) negativeWritten = true;
      text += formatText(signs[m] < 0 ? ",-%d" : ",%d", members[m]);
    }
    bool allSameT = true;
    for (int member : members) {
      if (modT != 0 && mod(T[member] - T[i], modT) != 0) allSameT = false;
      if (modT == 0 && T[member] != T[i]) allSameT = false;
    }
    text += allSameT ? ")***" : ")";
    if (running < 0) negativeWritten = true;
    text += running < 0 ? "  -> - \n" : " \n";
    if ((rejectT == 1 && !allSameT) || (rejectSign == 1 && negativeWritten)) {
      text.resize(start);
      return;
    }
    if (out.lineDone()) return;
  }
  out.orbitDone();
}

void writeScaleOrbit(OrbitText& out, int n, std::int64_t l, const int* row) {
  std::string& text = out.text();
  out.hold(false);
  text += formatText("\nNon-galois Dilatation %lld\n", static_cast<long long>(l));
  if (out.lineDone() || n < 1) return;
  std::vector<int> notStart(static_cast<std::size_t>(n), 0);
  std::vector<int> visited(static_cast<std::size_t>(n), 0);
  std::vector<int> everVisited(static_cast<std::size_t>(n), 0);
  std::vector<char> onPath(static_cast<std::size_t>(n), 0);
  std::vector<int> path;
  getStartingPoints(n, row, notStart.data());
  for (;;) {
    std::fill(visited.begin(), visited.end(), 0);
    for (int i = 0; i < n; ++i) {
      if (stopRequested(out, static_cast<std::size_t>(i))) return;
      if (notStart[i] != 0) continue;
      visited[i] = 1;
      if (row[i] == 0) continue;
      text += formatText("(%d", i);
      path.assign(1, i);
      onPath[i] = 1;
      int running = 1;
      int current = i;
      for (;;) {
        const int e = row[current];
        if (e == 0) {
          text += ",X)\n";
          break;
        }
        running *= sign(e);
        const int next = std::abs(e) - 1;
        if (onPath[next] != 0) {
          text += formatText(running < 0 ? ",-%d)\n" : ",%d)\n", next);
          break;
        }
        text += formatText(running < 0 ? ",-%d" : ",%d", next);
        visited[next] = 1;
        onPath[next] = 1;
        path.push_back(next);
        current = next;
      }
      for (int p : path) onPath[p] = 0;
      if (out.lineDone()) return;
    }
    bool all = true;
    for (int j = 0; j < n; ++j) {
      if (visited[j] != 0) everVisited[j] = 1;
      notStart[j] = everVisited[j];
      if (everVisited[j] == 0) all = false;
    }
    if (all) return;
  }
}

}  // namespace

void printGaloisOrbit(std::string& text, int n, const int* T, int modT, int rejectT, int rejectSign,
                      std::int64_t l, const int* row) {
  OrbitText out(text, nullptr);
  writeGaloisOrbit(out, n, T, modT, rejectT, rejectSign, l, row);
}

void getStartingPoints(int n, const int* row, int* marks) {
  for (int j = 0; j < n; ++j) marks[j] = 0;
  for (int i = 0; i < n; ++i) {
    const int image = std::abs(row[i]) - 1;
    if (image >= 0 && image < n) marks[image] = 1;
  }
}

void printScaleOrbit(std::string& text, int n, std::int64_t l, const int* row) {
  OrbitText out(text, nullptr);
  writeScaleOrbit(out, n, l, row);
}

void resetGalois() {
  GaloisState& s = state();
  s = GaloisState();
}

// ---------------------------------------------------------------------------------------
// Rows of a stored theory

namespace {

bool galoisType(const SpectrumData* sd) {
  return sd->type >= 1 && sd->type <= 5;
}

int recordModulus(const SpectrumData* sd) {
  return GaloisModulus(sd->type, sd->rank, sd->level);
}

std::string labelKey(const int* labels, int size) {
  return std::string(reinterpret_cast<const char*>(labels),
                     static_cast<std::size_t>(size) * sizeof(int));
}

// The field with these rep_size labels; -1 when there is none.
// The index is rebuilt by computeRow for each row, so a record reordered since is seen
// as it is now.
int findField(SpectrumData* sd, const int* labels, bool rebuild) {
  GaloisState& s = state();
  if (rebuild || s.indexed != sd || s.indexedFields != sd->n_primaries) {
    s.fieldOfLabels.clear();
    for (int a = 0; a < sd->n_primaries; ++a) {
      s.fieldOfLabels.emplace(
          labelKey(sd->labels + static_cast<std::size_t>(a) * sd->rep_size, sd->rep_size), a);
    }
    s.indexed = sd;
    s.indexedFields = sd->n_primaries;
  }
  auto it = s.fieldOfLabels.find(labelKey(labels, sd->rep_size));
  return it == s.fieldOfLabels.end() ? -1 : it->second;
}

// Row of l for every field. Galois rows report a missing image through the label search
// (entry 0); scale rows give 0 for an image on a wall or outside the spectrum. Returns 1
// when some field moves (Galois) or has an image (scale).
int computeRow(SpectrumData* sd, std::int64_t l, int* row, bool scale) {
  const int n = sd->n_primaries;
  int vacuumSign = 1;
  int flag = 0;
  findField(sd, SM_getRep(sd, 0), true);
  for (int a = 0; a < n; ++a) {
    const int* out1 = nullptr;
    const int* out2 = nullptr;
    const int s = Galois(sd->type, sd->rank, sd->level, SM_getRep(sd, a), &out1, &out2, l);
    if (a == 0) vacuumSign = s;
    int b = -1;
    if (scale) {
      bool wall = false;
      for (int i = 0; i < sd->rep_size; ++i) wall = wall || out1[i] < 0;
      if (!wall) b = findField(sd, out1, false);
      if (b >= 0) flag = 1;
    } else {
      b = findField(sd, out1, false);
      if (b < 0) b = SM_getLabel(sd, out1);
      if (b >= 0 && b != a) flag = 1;
    }
    row[a] = b < 0 ? 0 : vacuumSign * s * (b + 1);
  }
  return flag;
}

// Primes p < M dividing M, increasing.
std::vector<int> scalePrimes(int M) {
  std::vector<int> primes;
  int rest = M;
  for (int p = 2; static_cast<std::int64_t>(p) * p <= rest; ++p) {
    if (rest % p != 0) continue;
    primes.push_back(p);
    while (rest % p == 0) rest /= p;
  }
  if (rest > 1 && rest < M) primes.push_back(rest);
  return primes;
}

}  // namespace

int SM_computeGaloisOrbit(SpectrumData* sd, std::int64_t l, int* row) {
  return computeRow(sd, l, row, false);
}

int SM_computeScaleOrbit(SpectrumData* sd, std::int64_t l, int* row) {
  return computeRow(sd, l, row, true);
}

namespace {

// Rows of the factors given, each computed directly (a field at a time, Ctrl-C obeyed row by
// row), then copied into a block of the record under label: a stop on the way leaves the
// record without the block, and the rows are made again at the next use.
int* recordRows(SpectrumData* sd, const std::vector<std::int64_t>& factors, bool scale,
                const char* label) {
  const std::size_t n = static_cast<std::size_t>(sd->n_primaries);
  const std::size_t size =
      SM_fieldArraySize(sd, static_cast<std::int64_t>(factors.size()), sd->n_primaries);
  if (size == SIZE_MAX) return nullptr;
  std::vector<int> rows(size, 0);
  for (std::size_t g = 0; g < factors.size(); ++g) {
    obeyInterruptRequest();
    computeRow(sd, factors[g], rows.data() + g * n, scale);
  }
  int* block = SM_allocInts(sd, size, label);
  if (block != nullptr) std::copy(rows.begin(), rows.end(), block);
  return block;
}

}  // namespace

int SM_initGalois(SpectrumData* sd) {
  const int M = recordModulus(sd);
  if (M < 1) return 0;
  int ngen = 0;
  const int* generators = GaloisOrbits(M, &ngen);
  sd->n_galois_gen = ngen;
  if (sd->galois_gen == nullptr && ngen > 0) {
    // The generator list is copied: computing a row never changes it, but a copy says so.
    const std::vector<std::int64_t> factors(generators, generators + ngen);
    sd->galois_gen = recordRows(sd, factors, false, "Galois generators");
  }
  return ngen;
}

int SM_initScales(SpectrumData* sd) {
  const int M = recordModulus(sd);
  if (M < 1) return 0;
  const std::vector<int> primes = scalePrimes(M);
  const int count = static_cast<int>(primes.size());
  if (sd->scale_gen == nullptr && count > 0) {
    const std::vector<std::int64_t> factors(primes.begin(), primes.end());
    sd->scale_gen = recordRows(sd, factors, true, "Scale generators");
  }
  return count;
}

namespace {

// C = B after A with the signs multiplied, 0 propagated, no normalisation. C may be A or B.
void composeRaw(int n, const int* A, const int* B, std::vector<int>& scratch, int* C) {
  scratch.assign(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const int e = A[i];
    if (e == 0) continue;
    const int f = B[std::abs(e) - 1];
    scratch[i] = e < 0 ? -f : f;
  }
  std::copy(scratch.begin(), scratch.end(), C);
}

}  // namespace

void SM_composeGaloisOrbit(SpectrumData* sd, const int* powers, int* row) {
  // Each generator row is raised to its power by repeated squaring: the same signed
  // permutation as applying the row power times, in a logarithmic number of passes.
  const int n = sd->n_primaries;
  const int ngen = sd->galois_gen == nullptr ? 0 : sd->n_galois_gen;
  std::vector<int> result(static_cast<std::size_t>(n));
  for (int a = 0; a < n; ++a) result[a] = a + 1;
  std::vector<int> square(static_cast<std::size_t>(n));
  std::vector<int> scratch;
  for (int g = 0; g < ngen; ++g) {
    int p = powers[g];
    if (p <= 0) continue;
    const int* generatorRow = sd->galois_gen + static_cast<std::size_t>(g) * n;
    std::copy(generatorRow, generatorRow + n, square.begin());
    for (;;) {
      if ((p & 1) != 0) composeRaw(n, result.data(), square.data(), scratch, result.data());
      p >>= 1;
      if (p == 0) break;
      composeRaw(n, square.data(), square.data(), scratch, square.data());
    }
  }
  const int vacuumSign = n > 0 && result[0] < 0 ? -1 : 1;
  for (int a = 0; a < n; ++a) row[a] = vacuumSign * result[a];
}

void SM_getGaloisOrbit(SpectrumData* sd, std::int64_t l, int* row) {
  const int ngen = SM_initGalois(sd);
  const int M = recordModulus(sd);
  GaloisState& s = state();
  s.powers.assign(static_cast<std::size_t>(ngen), 0);
  if (M >= 1) {
    const int u = static_cast<int>(((l % M) + M) % M);
    for (int g = 0; g < ngen; ++g) s.powers[g] = GaloisExponent(g, u);
  }
  SM_composeGaloisOrbit(sd, s.powers.data(), row);
}

int SM_getAnyOrbit(SpectrumData* sd, std::int64_t l, int* row) {
  const int M = recordModulus(sd);
  const int n = sd->n_primaries;
  if (!galoisType(sd) || M < 1) {
    Alert("SM_getAnyOrbit", 0, 112311, "Galois orbits not defined for this algebra");
    return -1;
  }
  SM_initGalois(sd);
  SM_initScales(sd);
  for (int a = 0; a < n; ++a) row[a] = a + 1;
  std::vector<int> factor(static_cast<std::size_t>(n), 0);
  std::int64_t rest = l;
  const std::vector<int> primes = scalePrimes(M);
  for (std::size_t i = 0; i < primes.size() && sd->scale_gen != nullptr; ++i) {
    const int* scaleRow = sd->scale_gen + i * static_cast<std::size_t>(n);
    while (rest != 0 && rest % primes[i] == 0) {
      multiplyOrbits(n, row, scaleRow, row);
      rest /= primes[i];
    }
  }
  SM_getGaloisOrbit(sd, rest, factor.data());
  multiplyOrbits(n, row, factor.data(), row);
  for (int a = 0; a < n; ++a) {
    if (row[a] != 0 && std::abs(row[a]) != a + 1) return 0;
  }
  return 1;
}

namespace {

// Remembers the orbit rows met by a 64-bit hash of their entries and the factor l that gave
// each, instead of the rows themselves (a row has an entry per field): a row whose hash was
// met before is compared with the earlier row made again from its l.
class SeenRows {
 public:
  explicit SeenRows(SpectrumData* sd) : sd_(sd) {}
  // True when no earlier row equals row; row is then remembered as given by l (a unit when
  // galois, else any factor).
  bool insert(const std::vector<int>& row, std::int64_t l, bool galois) {
    const std::uint64_t key = hashOf(row);
    const auto [first, last] = seen_.equal_range(key);
    for (auto it = first; it != last; ++it) {
      again_.assign(row.size(), 0);
      if (it->second.galois) {
        SM_getGaloisOrbit(sd_, it->second.l, again_.data());
      } else {
        SM_getAnyOrbit(sd_, it->second.l, again_.data());
      }
      if (again_ == row) return false;
    }
    seen_.emplace(key, Source{l, galois});
    return true;
  }

 private:
  struct Source {
    std::int64_t l;
    bool galois;
  };
  static std::uint64_t hashOf(const std::vector<int>& row) {
    std::uint64_t h = 1469598103934665603ULL;  // FNV-1a over the entries
    for (int v : row) {
      h ^= static_cast<std::uint32_t>(v);
      h *= 1099511628211ULL;
    }
    return h;
  }
  SpectrumData* sd_;
  std::unordered_multimap<std::uint64_t, Source> seen_;
  std::vector<int> again_;
};

}  // namespace

void SM_printAllScaleOrbits(SpectrumData* sd, const OrbitTextSink& sink) {
  if (!galoisType(sd)) {
    Alert("SM_printAllScaleOrbits", 0, 112311, "Scale orbits not defined for this algebra");
    return;
  }
  const int M = recordModulus(sd);
  std::vector<int> row(static_cast<std::size_t>(sd->n_primaries), 0);
  std::string text;
  OrbitText out(text, &sink);
  for (int l = 2; l <= M - 2; ++l) {
    if (GCD(l, M) <= 1) continue;
    SM_getAnyOrbit(sd, l, row.data());
    writeScaleOrbit(out, sd->n_primaries, l, row.data());
    out.orbitDone();
    if (getStopSignal() != 0) return;
  }
}

void SM_printAllScaleOrbits(std::string& text, SpectrumData* sd) {
  SM_printAllScaleOrbits(sd, [&text](const std::string& piece) { text += piece; });
}

void SM_printFullGalois(SpectrumData* sd, int tpref, int signpref, int distinct,
                        const OrbitTextSink& sink) {
  if (!galoisType(sd)) {
    Alert("SM_printFullGalois", 0, 112311, "Galois orbits not defined for this algebra");
    return;
  }
  const int M = recordModulus(sd);
  const int n = sd->n_primaries;
  std::vector<int> row(static_cast<std::size_t>(n), 0);
  std::vector<int> zeros(static_cast<std::size_t>(n), 0);
  const int* T = sd->weight_num != nullptr ? sd->weight_num : zeros.data();
  SeenRows seen(sd);
  std::string text;
  OrbitText out(text, &sink);
  for (int l = 0; l < M; ++l) {
    if (GCD(l, M) != 1) continue;
    SM_getGaloisOrbit(sd, l, row.data());
    if (distinct == 1 && !seen.insert(row, l, true)) continue;
    writeGaloisOrbit(out, n, T, sd->weight_den, tpref, signpref, l, row.data());
    if (getStopSignal() != 0) return;
  }
}

void SM_printFullGalois(std::string& text, SpectrumData* sd, int tpref, int signpref,
                        int distinct) {
  SM_printFullGalois(sd, tpref, signpref, distinct,
                     [&text](const std::string& piece) { text += piece; });
}

std::int64_t SM_galoisBasisBound(SpectrumData* sd) {
  const int M = recordModulus(sd);
  std::int64_t bound = 0;
  for (int l = 1; l < M; ++l) bound += GCD(l, M) == 1 ? 1 : 2;
  return bound;
}

bool SM_collectGaloisBasis(SpectrumData* sd, std::vector<int>& rows, std::vector<int>& kinds) {
  rows.clear();
  kinds.clear();
  if (!galoisType(sd)) {
    Alert("SM_galoisInvariants", 0, 112311, "Galois invariants not defined for this algebra");
    return false;
  }
  const int M = recordModulus(sd);
  const int n = sd->n_primaries;
  std::vector<int> row(static_cast<std::size_t>(n), 0);
  std::vector<int> inverse(static_cast<std::size_t>(n), 0);
  SeenRows seen(sd);
  for (int l = 1; l < M; ++l) {
    // A row of every field for each l.
    obeyInterruptRequest();
    if (GCD(l, M) == 1) {
      SM_getGaloisOrbit(sd, l, row.data());
      if (!seen.insert(row, l, true)) continue;
      const int code = InvertOrbit(n, row.data(), inverse.data());
      if (code == -1) continue;  // stays among the rows seen, as a removed row does
      rows.insert(rows.end(), row.begin(), row.end());
      kinds.push_back(code == 1 ? 1 : 0);
    } else if (SM_getAnyOrbit(sd, l, row.data()) == 0 && seen.insert(row, l, false)) {
      rows.insert(rows.end(), row.begin(), row.end());
      kinds.push_back(0);
      // The marker copy (first entry -l) follows its map; no orbit row has a negative
      // first entry, so it never equals a row met later.
      row[0] = -l;
      rows.insert(rows.end(), row.begin(), row.end());
      kinds.push_back(2);
    }
  }
  return true;
}
