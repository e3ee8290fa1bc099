// The WZW primary spectrum: the integrable highest weights of an affine algebra at a level,
// numbered by simple-current orbits, with conformal weights, orbit positions, stabilisers
// and charges; and the fixed-point questions of the store (which currents have fixed
// points, the fixed-point theory of a current, folding of fixed fields).
//
// The weights are generated in ascending lexicographic order of their finite labels, so
// the generated list ("ExtendedDynkin") is sorted and a weight is found by binary search.
// Field numbers follow the orbits: each orbit starts with its member of lowest charge and
// continues in the order the currents produce its members. The generated weights of the
// last spectrum stay in the module state until the next call; `findRep` answers from them.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

#include "lie/LieAlgebra.h"
#include "lie/LieAlgebraInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

// The E6 and E7 current actions on extended labels: out[p] = in[sigma[p]].
constexpr int kE6Current[7] = {6, 5, 2, 1, 0, 3, 4};
constexpr int kE6CurrentSquared[7] = {4, 3, 2, 5, 6, 1, 0};
constexpr int kE7Current[8] = {4, 3, 2, 1, 0, 7, 6, 5};

// The largest block a spectrum may ask of the allocator.
constexpr std::uint64_t kLargestBlock = kAllocationRefusedSize - 1;

int positiveMod(std::int64_t value, std::int64_t modulus) {
  std::int64_t r = value % modulus;
  return static_cast<int>(r < 0 ? r + modulus : r);
}

// Node j of the extended Dynkin diagram (0 the affine node) to its storage position.
int storageOfNode(int node, int rank) { return node == 0 ? rank : node - 1; }

// The D_r current `current` (0..3) on extended labels in storage order.
void applyCurrentD(int current, int rank, const int* in, int* out) {
  const int r = rank;
  auto node = [&](int j) { return in[storageOfNode(j, r)]; };
  auto set = [&](int j, int value) { out[storageOfNode(j, r)] = value; };
  std::copy(in, in + r + 1, out);
  if (current == 0) return;
  const bool odd = r % 2 == 1;
  if (current == 1 || current == 3)
    for (int j = 2; j <= r - 2; ++j) set(j, node(r - j));
  int ends[4];
  switch (current) {
    case 1:
      ends[0] = node(r), ends[1] = node(r - 1);
      ends[2] = odd ? node(0) : node(1);
      ends[3] = odd ? node(1) : node(0);
      break;
    case 2: ends[0] = node(1), ends[1] = node(0), ends[2] = node(r), ends[3] = node(r - 1); break;
    default:
      ends[0] = node(r - 1), ends[1] = node(r);
      ends[2] = odd ? node(1) : node(0);
      ends[3] = odd ? node(0) : node(1);
      break;
  }
  set(0, ends[0]);
  set(1, ends[1]);
  set(r - 1, ends[2]);
  set(r, ends[3]);
}

// Applies the power `power` of the generating current (the current index for D) to the
// extended labels `in`.
void applyCurrent(AlgebraType type, int rank, int power, const int* in, int* out) {
  const int width = rank + 1;
  switch (type) {
    case kTypeA:
      for (int c = 0; c < width; ++c) out[c] = in[(c + power) % width];
      return;
    case kTypeB:
      std::copy(in, in + width, out);
      if (power % 2 == 1) std::swap(out[0], out[rank]);
      return;
    case kTypeC:
      if (power % 2 == 0) {
        std::copy(in, in + width, out);
        return;
      }
      for (int j = 0; j <= rank - 2; ++j) out[j] = in[rank - 2 - j];
      out[rank - 1] = in[rank];
      out[rank] = in[rank - 1];
      return;
    case kTypeD: applyCurrentD(power % 4, rank, in, out); return;
    default: break;
  }
  const int* sigma = nullptr;
  if (rank == 6 && power % 3 == 1) sigma = kE6Current;
  if (rank == 6 && power % 3 == 2) sigma = kE6CurrentSquared;
  if (rank == 7 && power % 2 == 1) sigma = kE7Current;
  if (sigma == nullptr) {
    std::copy(in, in + width, out);
    return;
  }
  for (int p = 0; p < width; ++p) out[p] = in[sigma[p]];
}

struct Charges {
  int q1 = 0;
  int q2 = 0;
};

// Simple-current charges of extended labels (λ_i = labels[i-1]).
Charges chargesOf(AlgebraType type, int rank, const int* labels) {
  auto lambda = [&](int i) -> std::int64_t { return labels[i - 1]; };
  Charges q;
  const int r = rank;
  switch (type) {
    case kTypeA: {
      std::int64_t sum = 0;
      for (int i = 1; i <= r; ++i) sum += i * lambda(i);
      q.q1 = positiveMod(-sum, r + 1);
      break;
    }
    case kTypeB: q.q1 = positiveMod(lambda(r), 2); break;
    case kTypeC: {
      std::int64_t sum = 0;
      for (int i = 1; i <= r; i += 2) sum += lambda(i);
      q.q1 = positiveMod(sum, 2);
      break;
    }
    case kTypeD: {
      std::int64_t sum = 0;
      for (int i = 1; i <= r - 2; i += 2) sum += 2 * lambda(i);
      sum += (r - 2) * lambda(r - 1) + r * lambda(r);
      q.q1 = positiveMod(sum, 4);
      q.q2 = positiveMod(lambda(r - 1) + lambda(r), 2);
      break;
    }
    case kTypeExceptional:
      if (r == 6) q.q1 = positiveMod(lambda(2) + lambda(5) - lambda(1) - lambda(4), 3);
      if (r == 7) q.q1 = positiveMod(lambda(4) + lambda(6) + lambda(7), 2);
      break;
    default: break;
  }
  return q;
}

// One simple-current orbit: `count` member vectors (width ints each) with the current that
// produced each; the first `length` members are the distinct ones. For D of even rank
// fixes[c] is 1 when current c fixes the orbit's first member, else 2.
struct Orbit {
  std::vector<int> members;
  std::vector<int> positions;
  int count = 0;
  int length = 0;
  int fixes[4] = {1, 1, 1, 1};
};

// Everything one spectrum computation works on.
struct SpectrumWork {
  AlgebraType type = 0;
  int rank = 0;
  int width = 0;   // label length
  int center = 0;
  int generators = 0;
  std::int64_t n = 0;
  std::int64_t nextField = 0;
  std::int64_t orbits = 0;
  SpectrumResult* out = nullptr;
  Orbit orbit;
  std::vector<int> scratch;
};

// Generates the orbit of `start` (orbgen_): for cyclic groups the members J^n start until
// the first repeat; for D of even rank the identity and the currents that move `start`.
void generateOrbit(SpectrumWork& work, const int* start) {
  Orbit& orbit = work.orbit;
  const int width = work.width;
  const int order = work.type == kTypeD ? 4 : work.center;
  orbit.members.assign(static_cast<std::size_t>(order) * width, 0);
  orbit.positions.assign(static_cast<std::size_t>(order), 0);
  std::copy(start, start + width, orbit.members.begin());
  orbit.count = 1;
  orbit.length = order;
  std::fill(std::begin(orbit.fixes), std::end(orbit.fixes), 1);
  int* next = orbit.members.data() + width;
  if (work.type == kTypeD && work.rank % 2 == 0) {
    for (int current = 1; current <= 3; ++current) {
      applyCurrentD(current, work.rank, start, next);
      if (std::equal(next, next + width, start)) continue;
      orbit.fixes[current] = 2;
      orbit.positions[static_cast<std::size_t>(orbit.count)] = current;
      ++orbit.count;
      next += width;
    }
    int product = orbit.fixes[1] * orbit.fixes[2] * orbit.fixes[3];
    if (product == 1) {
      orbit.length = 1;
    } else if (product == 4) {
      orbit.length = 2;
    } else if (product == 8) {
      orbit.length = 4;
    } else {
      Alert("orbgen_", 0, 212404, "Unexpected orbit length");
      orbit.length = 2;
    }
    orbit.length = std::min(orbit.length, orbit.count);
    return;
  }
  for (int power = 1; power < order; ++power) {
    applyCurrent(work.type, work.rank, power, start, next);
    if (std::equal(next, next + width, start)) {
      orbit.length = power;
      return;
    }
    orbit.positions[static_cast<std::size_t>(power)] = power;
    ++orbit.count;
    next += width;
  }
}

// The orbit of `weight` started from its member of lowest charge (start_).
void startOrbit(SpectrumWork& work, const int* weight) {
  generateOrbit(work, weight);
  const Orbit& orbit = work.orbit;
  int best = 0;
  Charges bestCharges = chargesOf(work.type, work.rank, orbit.members.data());
  for (int j = 1; j < orbit.length; ++j) {
    Charges q = chargesOf(work.type, work.rank, orbit.members.data() + static_cast<std::size_t>(j) * work.width);
    if (q.q1 < bestCharges.q1 || (q.q1 == bestCharges.q1 && q.q2 < bestCharges.q2)) {
      best = j;
      bestCharges = q;
    }
  }
  if (best == 0) return;
  work.scratch.assign(orbit.members.begin() + static_cast<std::ptrdiff_t>(best) * work.width,
                      orbit.members.begin() + static_cast<std::ptrdiff_t>(best + 1) * work.width);
  generateOrbit(work, work.scratch.data());
}

// Index of `labels` among the generated weights, or -1.
std::int64_t findGenerated(const int* labels) {
  const ZoqState& s = zoqState();
  const int width = s.stLabelLength;
  std::int64_t low = 0, high = s.stGenerated;
  while (low < high) {
    std::int64_t middle = low + (high - low) / 2;
    const int* row = s.extendedDynkin.data() + static_cast<std::size_t>(middle) * width;
    int order = 0;
    for (int c = 0; c < width && order == 0; ++c) order = row[c] < labels[c] ? -1 : (row[c] > labels[c] ? 1 : 0);
    if (order == 0) return middle;
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return -1;
}

// Numbers the whole orbit of generated weight i (kmrep_); false after an alert.
bool numberOrbit(SpectrumWork& work, std::int64_t i) {
  ZoqState& s = zoqState();
  if (s.fieldOfWeight[static_cast<std::size_t>(i)] >= 0) return true;
  startOrbit(work, s.extendedDynkin.data() + static_cast<std::size_t>(i) * work.width);
  const Orbit& orbit = work.orbit;
  ++work.orbits;
  SpectrumResult& out = *work.out;
  const std::size_t n = static_cast<std::size_t>(work.n);
  int* number = out.orbitData.data();
  int* base = number + n;
  int* position = base + n;
  int* stabilizer = position + n;
  int* charge = stabilizer + n * work.generators;
  const std::int64_t baseField = work.nextField;
  for (int j = 0; j < orbit.length; ++j) {
    const int* member = orbit.members.data() + static_cast<std::size_t>(j) * work.width;
    std::int64_t index = findGenerated(member);
    if (index < 0) {
      Alert("kmrep_", 1, 212404, "Representation not found");
      return false;
    }
    if (s.fieldOfWeight[static_cast<std::size_t>(index)] >= 0 || work.nextField >= work.n) {
      Alert("kmrep_", 2, 212404, "Unexpected orbit length");
      return false;
    }
    const std::size_t field = static_cast<std::size_t>(work.nextField++);
    s.fieldOfWeight[static_cast<std::size_t>(index)] = static_cast<int>(field);
    number[field] = static_cast<int>(work.orbits - 1);
    base[field] = static_cast<int>(baseField);
    position[field] = orbit.positions[static_cast<std::size_t>(j)];
    Charges q = chargesOf(work.type, work.rank, member);
    if (work.type == kTypeD && work.rank % 2 == 0) {
      int fixing = 0, fixedBy = 0;
      for (int c = 1; c <= 3; ++c)
        if (orbit.fixes[c] == 1) ++fixing, fixedBy = c;
      stabilizer[2 * field] = fixing == 3 ? 1 : (fixing == 1 ? fixedBy : 0);
      stabilizer[2 * field + 1] = fixing == 3 ? 2 : 0;
      charge[2 * field] = (q.q1 + q.q2) / 2;
      charge[2 * field + 1] = (q.q1 + q.q2) % 2;
    } else {
      if (work.center == 0) {
        Alert("kmrep_", 3, 212404, "Unexpected vanishing center");
        return false;
      }
      stabilizer[field] = orbit.length % work.center;
      charge[field] = q.q1;
    }
  }
  return true;
}

// Visits the integrable weights of level `level` as extended labels, in ascending
// lexicographic order of the finite labels (the last one runs fastest): every x with
// Σ theta_i x_i <= level, the affine label being the remainder divided by the affine
// comark (skipped when it does not divide). Stops when `visit` returns false.
template <class Visit>
void enumerateWeights(int rank, int level, const int* theta, Visit&& visit) {
  std::vector<int> x(static_cast<std::size_t>(rank), 0);
  std::vector<int> weight(static_cast<std::size_t>(rank) + 1, 0);
  const int affineComark = theta[rank];
  std::int64_t sum = 0;
  while (true) {
    std::int64_t rem = level - sum;
    if (rem % affineComark == 0) {
      std::copy(x.begin(), x.end(), weight.begin());
      weight[static_cast<std::size_t>(rank)] = static_cast<int>(rem / affineComark);
      if (!visit(weight.data())) return;
    }
    int i = rank - 1;
    while (i >= 0) {
      if (sum + theta[i] <= level) {
        ++x[static_cast<std::size_t>(i)];
        sum += theta[i];
        break;
      }
      sum -= static_cast<std::int64_t>(theta[i]) * x[static_cast<std::size_t>(i)];
      x[static_cast<std::size_t>(i)] = 0;
      --i;
    }
    if (i < 0) return;
  }
}

bool fitsBlock(std::uint64_t count, std::uint64_t intsEach) {
  return intsEach == 0 || count <= kLargestBlock / (intsEach * sizeof(int));
}

// The most fields a spectrum may have: field numbers are ints, and each block (labels and
// generated weights of `width` ints a field, the orbit data of 2g + 5) must fit one request.
std::uint64_t largestSpectrum(int width, int generators) {
  std::uint64_t most = std::numeric_limits<int>::max();
  std::uint64_t widest = std::max<std::uint64_t>(static_cast<std::uint64_t>(width), 2 * static_cast<std::uint64_t>(generators) + 5);
  return std::min(most, kLargestBlock / (widest * sizeof(int)));
}

// binomial(n, k), or a value above `cap` once it exceeds cap.
std::uint64_t lowerBinomialBound(std::int64_t n, int k, std::uint64_t cap) {
  if (k < 0 || n < k) return 0;
  unsigned __int128 value = 1;
  for (int i = 1; i <= k; ++i) {
    value = value * static_cast<unsigned __int128>(n - k + i) / static_cast<unsigned __int128>(i);
    if (value > cap) return cap + 1;
  }
  return static_cast<std::uint64_t>(value);
}

// The largest level at which every conformal weight numerator h D = (λ, λ+2ρ) MetricNorm
// of an integrable weight fits an int. The weights of level k lie in the simplex with
// vertices k ω_i / a_i (a the comarks); (λ, λ) is convex and (λ, 2ρ) linear, so
// α k² + β k bounds the numerators with α = max ICM_ii / a_i² and
// β = max 2 Σ_j ICM_ij / a_i. -1 when the metric cannot be built.
long long largestWeightLevel(AlgebraType type, int rank, const std::vector<int>& theta) {
  if (InverseCartan(type, rank) == 0) return -1;
  const LieData& lie = Zoq_lieData();
  double alpha = 0.0, beta = 0.0;
  for (int i = 0; i < rank; ++i) {
    const double a = theta[static_cast<std::size_t>(i)];
    double row = 0.0;
    for (int j = 0; j < rank; ++j) row += lie.ICM[static_cast<std::size_t>(i) * rank + j];
    alpha = std::max(alpha, lie.ICM[static_cast<std::size_t>(i) * rank + i] / (a * a));
    beta = std::max(beta, 2.0 * row / a);
  }
  const double most = std::numeric_limits<int>::max();
  if (alpha <= 0.0) return std::numeric_limits<int>::max();
  double k = std::floor((-beta + std::sqrt(beta * beta + 4.0 * alpha * most)) / (2.0 * alpha));
  while (k > 0 && alpha * k * k + beta * k > most) k -= 1.0;
  while (alpha * (k + 1) * (k + 1) + beta * (k + 1) <= most) k += 1.0;
  return static_cast<long long>(k);
}

void refuseTooLarge(AlgebraType type, int rank, int level) {
  Alert("spectrum_", 2, 112313, "Spectrum of %s too large to hold", algebraname(type, rank, level).c_str());
}

void forgetLastSpectrum() {
  ZoqState& s = zoqState();
  s.stType = -1;
  s.stRank = -1;
  s.stLevel = -1;
  s.stCenter = 0;
  s.stLabelLength = 0;
  s.stGenerated = 0;
  s.extendedDynkin.clear();
  s.fieldOfWeight.clear();
}

// The two theories with built-in tables: the trivial one and the Ising model.
void builtInSpectrum(bool ising, SpectrumResult& out) {
  if (!ising) {
    out.n = 1, out.orbits = 1, out.adjointDimension = 0, out.dualCoxeter = 1, out.center = 1;
    out.generators = 0, out.denominator = 1, out.complex = 0, out.c = 0.0, out.labelLength = 1;
    out.labels.assign(1, 0);
    out.orbitData.assign(5, 0);
    out.orbitData[4] = 1;
    return;
  }
  out.n = 3, out.orbits = 2, out.adjointDimension = 0, out.dualCoxeter = -1, out.center = 1;
  out.generators = 1, out.denominator = 16, out.complex = 0, out.c = 0.5, out.labelLength = 1;
  out.labels.assign({0, 2, 1});
  out.centerOrders.assign({2});
  // orbit, base, position, stabiliser, charge, weight numerator, exact
  out.orbitData.assign({0, 0, 1, 0, 0, 2, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 8, 1, 1, 1, 1});
}

// Makes the fields of a built-in theory the ones findRep answers from.
void rememberBuiltIn(AlgebraType type, int rank, int level, const SpectrumResult& out) {
  forgetLastSpectrum();
  ZoqState& s = zoqState();
  std::vector<std::pair<int, int>> byLabel;
  for (int f = 0; f < out.n; ++f) byLabel.push_back({out.labels[static_cast<std::size_t>(f)], f});
  std::sort(byLabel.begin(), byLabel.end());
  for (const auto& [label, field] : byLabel) {
    s.extendedDynkin.push_back(label);
    s.fieldOfWeight.push_back(field);
  }
  s.stType = type;
  s.stRank = rank;
  s.stLevel = level;
  s.stCenter = out.center;
  s.stLabelLength = 1;
  s.stGenerated = out.n;
}

SpectrumResult failSpectrum(AllocationAccount* account) {
  forgetLastSpectrum();
  SpectrumResult refused(account);
  refused.status = 1;
  return refused;
}

}  // namespace

SpectrumResult::SpectrumResult(AllocationAccount* account)
    : labels(AccountAllocator<int>(account, "Dynkin labels")),
      centerOrders(AccountAllocator<int>(account, "Center orders")),
      orbitData(AccountAllocator<int>(account, "Orbit data")) {}

SpectrumResult spectrum_(AlgebraType type, int rank, int level, AllocationAccount* account) {
  ZoqState& s = zoqState();
  s.inLevel = level;
  s.inRank = rank;
  SpectrumResult out(account);

  const bool trivial = type != kTypeU1 && type != kTypeB && (rank == 0 || level == 0);
  if (trivial || (type == kTypeB && rank == 0 && level == 1)) {
    builtInSpectrum(!trivial, out);
    rememberBuiltIn(type, rank, level, out);
    return out;
  }
  // B_1 is built as A_1 at twice the level, although the input check wants B of rank 2.
  const bool b1 = type == kTypeB && rank == 1 && level >= 1;
  if (!b1 && !typecheck(type, rank, level, 0, "spectrum_")) return failSpectrum(account);
  if (type == kTypeMinimalN2) {
    InputError(type, rank, level, "spectrum_");
    return failSpectrum(account);
  }
  if (type != kTypeU1 && !zoqRankInRange(rank, "spectrum_")) return failSpectrum(account);
  if (zoqMaxrank() < rank) zoqSetMaxrank(rank > std::numeric_limits<int>::max() - 2 ? rank : rank + 2);

  // B_1 at level k is A_1 at level 2k.
  std::int64_t doubledLevel = type == kTypeB && rank == 1 ? 2 * static_cast<std::int64_t>(level) : level;
  if (doubledLevel > std::numeric_limits<int>::max()) {
    refuseTooLarge(type, rank, level);
    return failSpectrum(account);
  }
  const int k = static_cast<int>(doubledLevel);
  const int h = dualCoxeter(type, rank);
  const int center = Center(type, rank);
  const int g = type == kTypeU1 ? 1 : CenterMultiplicity(type, rank);
  out.dualCoxeter = h;
  out.center = center;
  out.generators = g;
  out.adjointDimension = AdjointDimension(type, rank);
  out.complex = Complexity(type, rank);

  SpectrumWork work;
  work.type = type;
  work.rank = rank;
  work.center = center;
  work.generators = g;
  work.out = &out;
  std::vector<int> theta;

  if (type == kTypeU1) {
    work.n = rank;
    work.width = 1;
    out.c = 1.0;
  } else {
    Cartan(type, rank);
    const LieData& lie = Zoq_lieData();
    if (lie.cartanType != type || lie.cartanRank != rank) return failSpectrum(account);
    theta.assign(lie.theta.begin(), lie.theta.end());
    if (std::any_of(theta.begin(), theta.end(), [](int comark) { return comark < 1; })) {
      InputError(type, rank, level, "spectrum_");
      return failSpectrum(account);
    }
    // Refuse a level whose conformal weights cannot be held before listing its fields.
    const long long largestLevel = largestWeightLevel(type, rank, theta);
    if (largestLevel >= 0 && k > largestLevel) {
      const long long shown = type == kTypeB && rank == 1 ? largestLevel / 2 : largestLevel;
      std::string name = algebraname(type, rank, level);
      name = name.substr(0, name.find(" level"));
      Alert("spectrum_", 4, 100202, "Level %d too large for %s: the largest level is %lld", level, name.c_str(),
            shown);
      return failSpectrum(account);
    }
    out.c = static_cast<double>(out.adjointDimension) * k / (static_cast<double>(k) + h);
    if (type == kTypeTwistedB2t)
      out.c += static_cast<double>(level) * (2.0 * (static_cast<double>(level) + rank) - 3.0) * rank /
               (static_cast<double>(h) + level);
    work.width = rank + 1;
    // First pass: count, so that every block is allocated once and a spectrum too large to
    // hold is refused before anything is allocated. Every vector whose labels sum to at
    // most level / (largest comark) is integrable, which refuses hopeless cases at once.
    const std::uint64_t limit = largestSpectrum(rank + 1, g);
    if (theta[static_cast<std::size_t>(rank)] == 1) {
      int largestComark = *std::max_element(theta.begin(), theta.end());
      if (lowerBinomialBound(static_cast<std::int64_t>(k / largestComark) + rank, rank, limit) > limit) {
        refuseTooLarge(type, rank, level);
        return failSpectrum(account);
      }
    }
    std::uint64_t count = 0;
    enumerateWeights(rank, k, theta.data(), [&](const int*) { return ++count <= limit; });
    work.n = static_cast<std::int64_t>(count);
    if (count > limit) {
      refuseTooLarge(type, rank, level);
      return failSpectrum(account);
    }
  }
  out.labelLength = work.width;
  const std::uint64_t n = static_cast<std::uint64_t>(work.n);
  if (n > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) ||
      !fitsBlock(n, static_cast<std::uint64_t>(work.width)) || !fitsBlock(n, 2 * static_cast<std::uint64_t>(g) + 5) ||
      !fitsBlock(n, 1)) {
    refuseTooLarge(type, rank, level);
    return failSpectrum(account);
  }
  out.denominator = Weight_denom(type, rank, k, h);
  if (out.denominator <= 0) return failSpectrum(account);

  // The generated weights of this algebra replace those of the last one.
  forgetLastSpectrum();
  if (type != kTypeU1) {
    s.extendedDynkin.reserve(n * static_cast<std::uint64_t>(work.width));
    enumerateWeights(rank, k, theta.data(), [&](const int* weight) {
      s.extendedDynkin.insert(s.extendedDynkin.end(), weight, weight + work.width);
      return true;
    });
  }
  s.stType = type;
  s.stRank = rank;
  s.stLevel = level;
  s.stCenter = center;
  s.stLabelLength = work.width;
  s.stGenerated = work.n;

  out.n = static_cast<int>(n);
  const std::size_t rows = 2 * static_cast<std::size_t>(g) + 5;
  out.orbitData.assign(rows * n, 0);
  out.labels.assign(n * static_cast<std::size_t>(work.width), 0);
  if (center >= 2 || type == kTypeU1) {
    std::vector<int> orders = getCenterOrders(type, rank);
    out.centerOrders.assign(orders.begin(), orders.end());
  }
  int* number = out.orbitData.data();
  int* base = number + n;
  int* position = base + n;
  int* stabilizer = position + n;
  int* charge = stabilizer + n * g;
  int* weightNumerator = charge + n * g;
  int* exact = weightNumerator + n;
  std::fill(exact, exact + n, 1);

  if (center < 2) {
    if (type != kTypeU1) {
      s.fieldOfWeight.resize(n);
      std::iota(s.fieldOfWeight.begin(), s.fieldOfWeight.end(), 0);
    }
    for (std::size_t f = 0; f < n; ++f) {
      number[f] = static_cast<int>(f);
      base[f] = static_cast<int>(f);
    }
    out.orbits = static_cast<int>(n);
  } else if (type == kTypeU1) {
    for (std::size_t f = 0; f < n; ++f) {
      position[f] = static_cast<int>(f);
      charge[f] = static_cast<int>((n - f) % n);
    }
    out.orbits = 1;
  } else {
    s.fieldOfWeight.assign(n, -1);
    for (std::int64_t i = 0; i < work.n; ++i) {
      if (!numberOrbit(work, i)) return failSpectrum(account);
    }
    if (work.nextField != work.n) {
      Alert("kmrep_", 2, 212404, "Unexpected orbit length");
      return failSpectrum(account);
    }
    out.orbits = static_cast<int>(work.orbits);
  }

  const std::int64_t denominator = out.denominator;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t field = i;
    if (type == kTypeU1) {
      out.labels[i] = static_cast<int>(i);
      std::int64_t m = static_cast<std::int64_t>(i) <= rank / 2 ? static_cast<std::int64_t>(i)
                                                                : rank - static_cast<std::int64_t>(i);
      std::int64_t square = m * m;
      if (square > std::numeric_limits<int>::max()) {
        refuseTooLarge(type, rank, level);
        return failSpectrum(account);
      }
      weightNumerator[i] = static_cast<int>(square);
      continue;
    }
    if (center >= 2) field = static_cast<std::size_t>(s.fieldOfWeight[i]);
    const int* weight = s.extendedDynkin.data() + i * static_cast<std::size_t>(work.width);
    std::copy(weight, weight + work.width, out.labels.data() + field * static_cast<std::size_t>(work.width));
    Rat h_weight = RatWt(weight, type, rank, k);
    std::int64_t scaled = 0;
    if (h_weight.den <= 0 || denominator % h_weight.den != 0 ||
        __builtin_mul_overflow(h_weight.num, denominator / h_weight.den, &scaled) ||
        scaled > std::numeric_limits<int>::max() || scaled < std::numeric_limits<int>::min()) {
      Alert("spectrum_", 3, 112413, "Integer overflow");
      return failSpectrum(account);
    }
    weightNumerator[field] = static_cast<int>(scaled);
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Conjugation and look-up

void conjg_(AlgebraType type, int rank, const int* labels, int* out) {
  const int width = type == kTypeU1 ? 1 : rank + 1;
  std::vector<int> copy(labels, labels + width);
  std::copy(copy.begin(), copy.end(), out);
  if (type == kTypeA) {
    std::reverse(out, out + rank);
  } else if (type == kTypeD && rank % 2 == 1) {
    std::swap(out[rank - 2], out[rank - 1]);
  } else if (type == kTypeExceptional && rank == 6) {
    std::reverse(out, out + 5);
  }
}

int findRep(const int* labels, int length, int n, AlgebraType type, int rank, int level) {
  const ZoqState& s = zoqState();
  if (type != s.stType || rank != s.stRank || level != s.stLevel || length != s.stLabelLength) return -1;
  std::int64_t field = -1;
  if (type == kTypeU1) {
    if (labels[0] >= 0 && labels[0] < s.stGenerated) field = labels[0];
  } else {
    std::int64_t index = findGenerated(labels);
    if (index < 0) return -1;
    field = s.fieldOfWeight[static_cast<std::size_t>(index)];
  }
  if (n > 0 && field >= n) return -1;
  return static_cast<int>(field);
}

// ---------------------------------------------------------------------------------------
// Fixed points

int ConvertToBasic(int J, AlgebraType type, int rank) {
  if (J == 0) return 0;
  switch (type) {
    case kTypeA: return positiveMod(std::gcd(positiveMod(J, rank + 1), rank + 1), rank + 1);
    case kTypeB:
    case kTypeC: return positiveMod(J, 2);
    case kTypeD: {
      int basic = positiveMod(J, 4);
      return rank % 2 == 1 && basic == 3 ? 1 : basic;
    }
    case kTypeExceptional:
      if (rank == 6) return positiveMod(J, 3) == 0 ? 0 : 1;
      if (rank == 7) return positiveMod(J, 2);
      return 0;
    default: return 0;
  }
}

int FixedPointCheck(AlgebraType type, int rank, int level, int J) {
  if (J == 0) return 1;
  switch (type) {
    case kTypeA:
      if (J < 0 || (rank + 1) % J != 0) {
        Alert("FixedPointCheck", 1, 112412, "Invalid current in routine FixedPointCheck");
        return 0;
      }
      return level % ((rank + 1) / J) == 0 ? 1 : 0;
    case kTypeB: return 1;
    case kTypeC: return (static_cast<std::int64_t>(level) * rank) % 2 == 0 ? 1 : 0;
    case kTypeD:
      return level % 2 == 0 && (rank % 2 == 0 || level % 4 == 0 || (J == 2 && rank > 1)) ? 1 : 0;
    case kTypeExceptional:
      if (rank == 7) return level % 2 == 0 ? 1 : 0;
      if (rank == 6) return level % 3 == 0 ? 1 : 0;
      return 0;
    default:
      Alert("FixedPointCheck", 0, 112412, "Invalid type in routine FixedPointCheck");
      return 0;
  }
}

AccountVector<int> FixedCurrents(AlgebraType type, int rank, int level, AllocationAccount* account) {
  AccountVector<int> currents{AccountAllocator<int>(account, "Fixed currents")};
  if (type < kTypeA || type > kTypeExceptional) return currents;
  const int center = Center(type, rank);
  for (int J = 1; J < center; ++J) {
    if (ConvertToBasic(J, type, rank) == J && FixedPointCheck(type, rank, level, J) == 1) currents.push_back(J);
  }
  return currents;
}

namespace {

int noFixedPoints() {
  Alert("FCFT2", 0, 112312, "Current without fixed points");
  return -1;
}

bool storeTheory(FixedPointTheory& out, AlgebraType type, std::int64_t rank, std::int64_t level, std::int64_t shift) {
  const std::int64_t largest = std::numeric_limits<int>::max();
  if (rank > largest || level > largest || shift > largest || shift < -largest) {
    Alert("FCFT2", 1, 112413, "Integer overflow");
    return false;
  }
  out.type = type;
  out.rank = static_cast<int>(rank);
  out.level = static_cast<int>(level);
  out.shift = static_cast<int>(shift);
  return true;
}

// The orbit Lie algebra of the basic current J (FCFT2).
int fixedPointTheory(AlgebraType type, int rank, int level, int J, FixedPointTheory& out) {
  if (J == 0) return storeTheory(out, type, rank, level, 0) ? 0 : -1;
  const std::int64_t r = rank, k = level;
  switch (type) {
    case kTypeA: {
      std::int64_t n = J;
      if (n < 1 || (r + 1) % n != 0 || (n * k) % (r + 1) != 0) return noFixedPoints();
      std::int64_t levelPrime = n * k / (r + 1);
      return storeTheory(out, kTypeA, n - 1, levelPrime, levelPrime * ((r + 1) * (r + 1) - n * n) / n) ? 0 : -1;
    }
    case kTypeB: return storeTheory(out, kTypeTwistedB2t, r - 1, k, (2 * r + 1) * k) ? 0 : -1;
    case kTypeC:
      if (r % 2 == 0) return storeTheory(out, kTypeTwistedB2t, r / 2, k, 5 * k * (r / 2)) ? 0 : -1;
      if (k % 2 != 0) return noFixedPoints();
      return storeTheory(out, kTypeC, (r - 1) / 2, k / 2, 3 * r * (k / 2)) ? 0 : -1;
    case kTypeD:
      if (J == 2) {
        if (k % 2 != 0) return noFixedPoints();
        return storeTheory(out, kTypeC, r - 2, k / 2, 3 * k) ? 0 : -1;
      }
      if (J % 2 == 1 && r % 2 == 1) {
        if (k % 4 != 0) return noFixedPoints();
        return storeTheory(out, kTypeC, (r - 3) / 2, k / 4, (3 * r + 6) * (k / 4)) ? 0 : -1;
      }
      if (J % 2 == 1) {
        if (k % 2 != 0) return noFixedPoints();
        return storeTheory(out, kTypeB, r / 2, k / 2, 3 * (k / 2) * (r / 2)) ? 0 : -1;
      }
      return -1;
    case kTypeExceptional:
      if (rank == 7) {
        if (k % 2 != 0) return noFixedPoints();
        return storeTheory(out, kTypeExceptional, 4, k / 2, 9 * (k / 2)) ? 0 : -1;
      }
      if (rank == 6) {
        if (k % 3 != 0) return noFixedPoints();
        return storeTheory(out, kTypeExceptional, 2, k / 3, 16 * (k / 3)) ? 0 : -1;
      }
      Alert("FCFT2", 2, 212404, "Unexpected control flow");
      return -1;
    default:
      Alert("FCFT2", 3, 112312, "Incorrect type (type %d, rank %d, level %d)", type, rank, level);
      return -1;
  }
}

}  // namespace

int FCFT(AlgebraType type, int rank, int level, int J, FixedPointTheory& out) {
  if (fixedPointTheory(type, rank, level, J, out) != 0) return -1;
  if (static_cast<std::int64_t>(out.rank) * out.level == 0) {
    out.type = kTypeA;
    out.rank = 0;
    out.level = 0;
  } else if ((out.type == kTypeB || out.type == kTypeC) && out.rank == 1) {
    out.type = kTypeA;
  }
  return 0;
}

int fold(const int* in, int* out, AlgebraType type, int rank, int level, int J) {
  const int r = rank;
  if (J == 0 && type >= 0 && type <= kTypeExceptional) {
    std::copy(in, in + (type == kTypeU1 ? 1 : r + 1), out);
    return 0;
  }
  int length = 0;  // entries written to out
  auto take = [&](int position) { out[length++] = in[position]; };
  switch (type) {
    case kTypeU1: return -3;
    case kTypeA: {
      const int g = std::gcd(J, r + 1);
      for (int p = g; p <= r; ++p)
        if (in[p] != in[p % g]) return -1;
      for (int p = 0; p < g; ++p) take(p);
      break;
    }
    case kTypeB:
      if (in[0] != in[r]) return -1;
      for (int p = 1; p <= r; ++p) take(p);
      break;
    case kTypeC:
      if (r % 2 == 1 && level % 2 != 0) return -3;
      for (int j = 0; j < r / 2; ++j)
        if (in[j] != in[r - 2 - j]) return -1;
      if (in[r] != in[r - 1]) return -1;
      for (int p = 0; p < r / 2; ++p) take(p);
      take(r);
      break;
    case kTypeD:
      if (J == 2) {
        if (level % 2 != 0) return -3;
        if (in[r] != in[0] || in[r - 2] != in[r - 1]) return -1;
        for (int p = 1; p <= r - 2; ++p) take(p);
        take(r);
      } else if (r % 2 == 1) {
        if (level % 4 != 0) return -3;
        for (int j = 0; j < (r - 3) / 2; ++j)
          if (in[j + 1] != in[r - 3 - j]) return -1;
        if (in[r] != in[0] || in[0] != in[r - 1] || in[r - 1] != in[r - 2]) return -1;
        for (int p = 1; p <= (r - 3) / 2; ++p) take(p);
        take(r);
      } else {
        if (level % 2 != 0) return -3;
        const bool first = J == 1;
        if (in[0] != in[first ? r - 2 : r - 1]) return -1;
        for (int j = 1; j < r / 2; ++j)
          if (in[j] != in[r - 2 - j]) return -1;
        if (in[r] != in[first ? r - 1 : r - 2]) return -1;
        for (int p = 0; p < r / 2; ++p) take(p);
        take(r);
      }
      break;
    case kTypeExceptional:
      if (r == 6) {
        if (in[0] != in[4] || in[4] != in[6] || in[1] != in[3] || in[3] != in[5]) return -1;
        take(1), take(2), take(0);
      } else if (r == 7) {
        if (in[0] != in[4] || in[1] != in[3] || in[7] != in[5]) return -1;
        take(0), take(1), take(2), take(6), take(7);
      } else {
        std::copy(in, in + r + 1, out);
        return 0;
      }
      break;
    default:
      Alert("fold", 1, 212404, "Unexpected control flow");
      return 0;
  }
  // A fixed-point theory of rank 0 is the trivial theory, whose one field has label 0.
  if (length == 1) out[0] = 0;
  return 0;
}

std::string currentLabel(AlgebraType type, int J) {
  if (type == kTypeD) {
    static const char* const names[4] = {"0", "s", "v", "c"};
    return J >= 0 && J < 4 ? names[J] : "";
  }
  return formatText("%d", J);
}
