// Algebra type codes, names and the input check, and the finite Lie data of a (type,
// rank) pair: extended Cartan matrix, root norms, comarks, the integer metric and its
// inverse, positive roots, dimensions, Casimir values and the small per-type tables.
//
// The data live in the module state (LieAlgebraInternal.h) for the whole run; each builder keeps
// the key it was built for and returns at once when asked for the same key again. The
// metric, the roots and the Casimir values of a twisted type are those of its underlying
// finite type (LieType). All integer products are checked for overflow.
#include "lie/LieAlgebra.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

#include "collections/LinearAlgebra.h"
#include "lie/LieAlgebraInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"

namespace {

// Per-rank tables of the exceptional code 5, indexed by rank - 2 (ranks 2..8).
constexpr int kExceptionalDualCoxeter[7] = {4, -1, 9, -1, 12, 18, 30};
constexpr int kExceptionalAdjoint[7] = {14, 0, 52, 0, 78, 133, 248};
constexpr std::int64_t kExceptionalWeylOrder[7] = {12, -1, 1152, -1, 51840, 2903040, 696729600};
constexpr int kExceptionalSmallRoot[7] = {3, -1, 2, -1, 1, 1, 1};

constexpr int kG2Comarks[2] = {2, 1};
constexpr int kF4Comarks[4] = {2, 3, 2, 1};
constexpr int kE6Comarks[6] = {1, 2, 3, 2, 1, 2};
constexpr int kE7Comarks[7] = {2, 3, 4, 3, 2, 1, 2};
constexpr int kE8Comarks[8] = {2, 3, 4, 5, 6, 4, 2, 3};

constexpr int kG2Degrees[2] = {2, 6};
constexpr int kF4Degrees[4] = {2, 6, 8, 12};
constexpr int kE6Degrees[6] = {2, 5, 6, 8, 9, 12};
constexpr int kE7Degrees[7] = {2, 6, 8, 10, 12, 14, 18};
constexpr int kE8Degrees[8] = {2, 8, 12, 14, 18, 20, 24, 30};

bool isExceptionalRank(int rank) { return rank == 2 || rank == 4 || (rank >= 6 && rank <= 8); }

const int* exceptionalComarks(int rank) {
  switch (rank) {
    case 2: return kG2Comarks;
    case 4: return kF4Comarks;
    case 6: return kE6Comarks;
    case 7: return kE7Comarks;
    case 8: return kE8Comarks;
    default: return nullptr;
  }
}

const int* exceptionalDegrees(int rank) {
  switch (rank) {
    case 2: return kG2Degrees;
    case 4: return kF4Degrees;
    case 6: return kE6Degrees;
    case 7: return kE7Degrees;
    case 8: return kE8Degrees;
    default: return nullptr;
  }
}

LieData& lie() { return zoqState().lie; }

std::size_t at(int row, int column, int rowLength) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(rowLength) +
         static_cast<std::size_t>(column);
}

void reportOverflow(const char* routine) { Alert(routine, 0, 112413, "Integer overflow"); }

// a + b * c in 64 bits; false on overflow.
bool addProduct(std::int64_t& sum, std::int64_t b, std::int64_t c) {
  std::int64_t product = 0;
  if (__builtin_mul_overflow(b, c, &product)) return false;
  return !__builtin_add_overflow(sum, product, &sum);
}

// The name formats of the table of type codes; type must be one of the named codes.
std::string baseName(AlgebraType type, int rank, int level) {
  switch (type) {
    case kTypeU1: return formatText("U(1) radius %d", rank);
    case kTypeA: return formatText("A%-d level %d", rank, level);
    case kTypeB: return formatText("B%-d level %d", rank, level);
    case kTypeC: return formatText("C%-d level %d", rank, level);
    case kTypeD: return formatText("D%-d level %d", rank, level);
    case kTypeExceptional:
      if (rank == 2) return formatText("G%-d level %d", rank, level);
      if (rank == 4) return formatText("F%-d level %d", rank, level);
      return formatText("E%-d level %d", rank, level);
    case kTypeOrbifold: return formatText("Orbifold c=1 N=%d", rank);
    case kTypeTwistedA2: return "A(2)";
    case kTypeTwistedB2: return formatText("B%-d(2) level %d", rank, level);
    case kTypeTwistedB2t: return formatText("B%-d(2t) level %d", rank, level);
    case kTypeTwistedC2: return formatText("C%-d(2) level %d", rank, level);
    case kTypeTwistedF2: return formatText("F%-d(2) level %d", rank, level);
    case kTypeTwistedG3: return formatText("G%-d(3) level %d", rank, level);
    case kTypeRecentred: return "";
    case kTypeMinimalN2: return formatText("Min %d %d (aux)", rank, level);
    default: return "";
  }
}

bool hasName(AlgebraType type) {
  return (type >= 0 && type <= 5) || type == kTypeOrbifold || (type >= 11 && type <= 17) ||
         type == kTypeMinimalN2;
}

std::string typeWord(AlgebraType type, int rank) {
  switch (type) {
    case kTypeU1: return "U";
    case kTypeA: return "A";
    case kTypeB: return "B";
    case kTypeC: return "C";
    case kTypeD: return "D";
    case kTypeExceptional: return rank == 2 ? "G" : (rank == 4 ? "F" : "E");
    case kTypeOrbifold: return "O";
    case kTypeTwistedA2: return "A(2)";
    case kTypeTwistedB2: return "B(2)";
    case kTypeTwistedB2t: return "B(2t)";
    case kTypeTwistedC2: return "C(2)";
    case kTypeTwistedF2: return "F(2)";
    case kTypeTwistedG3: return "G(3)";
    case kTypeRecentred: return "ReC";
    case kTypeMinimalN2: return "M";
    default: return "";
  }
}

// Whether the per-type links of `Cartan` stay inside the matrix (A to D of rank 0 and 1
// never reach them: they get the A1 matrix).
bool cartanShapeKnown(AlgebraType type, int rank) {
  switch (type) {
    case kTypeA:
    case kTypeB:
    case kTypeC: return rank >= 0;
    case kTypeD: return rank <= 1 || rank >= 3;
    case kTypeExceptional: return isExceptionalRank(rank);
    case kTypeTwistedA2: return rank == 1;
    case kTypeTwistedB2: return rank >= 2;
    case kTypeTwistedB2t: return rank >= 1;
    case kTypeTwistedC2: return rank >= 2;
    case kTypeTwistedF2: return rank == 4;
    case kTypeTwistedG3: return rank == 2;
    default: return false;
  }
}

// Whether `Cartan` builds a genuine Cartan matrix for (type, rank).
bool cartanBuilt(AlgebraType type, int rank) {
  return (type >= kTypeA && type <= kTypeD && rank >= 0 && rank <= 1) || cartanShapeKnown(type, rank);
}

void fillTheta(AlgebraType type, int rank) {
  LieData& d = lie();
  d.theta.assign(static_cast<std::size_t>(rank) + 1, 0);
  int r = rank;
  int* t = d.theta.data();
  t[r] = 1;
  auto fill = [&](int from, int to, int value) {
    for (int i = from; i <= to; ++i)
      if (i >= 0 && i < r) t[i] = value;
  };
  switch (type) {
    case kTypeU1: t[0] = 1; break;
    case kTypeA:
    case kTypeC: fill(0, r - 1, 1); break;
    case kTypeB:
      fill(0, r - 1, 2);
      fill(0, 0, 1);
      fill(r - 1, r - 1, 1);
      break;
    case kTypeD:
      fill(0, r - 1, 2);
      fill(0, 0, 1);
      fill(r - 2, r - 1, 1);
      break;
    case kTypeExceptional: {
      const int* comarks = exceptionalComarks(rank);
      if (comarks == nullptr) {
        typecheck(type, rank, zoqState().inLevel, 0, "Theta");
        break;
      }
      std::copy(comarks, comarks + r, t);
      break;
    }
    case kTypeTwistedA2:
      fill(0, r - 1, 1);
      t[r] = 2;
      break;
    case kTypeTwistedB2:
      fill(0, r - 1, 2);
      fill(r - 1, r - 1, 1);
      break;
    case kTypeTwistedB2t:
      fill(0, r - 1, 2);
      fill(r - 1, r - 1, 1);
      t[r] = 2;
      break;
    case kTypeTwistedC2:
      fill(0, r - 1, 2);
      fill(0, 0, 1);
      break;
    case kTypeTwistedF2:
      if (r == 4) {
        t[0] = 2, t[1] = 4, t[2] = 3, t[3] = 2;
      }
      break;
    case kTypeTwistedG3:
      if (r == 2) {
        t[0] = 3, t[1] = 2;
      }
      break;
    default: typecheck(type, zoqState().inRank, zoqState().inLevel, 0, "Theta"); break;
  }
}

// The positive root of the underlying finite type as stored (rank ints), row `index`.
const int* rootRow(int index) {
  const LieData& d = lie();
  return d.RootSystem.data() + at(index, 0, d.rootRank);
}

// Sum over i of c_i (λ_i + shift) for a stored root c.
std::int64_t rootPairing(const int* root, const int* lambda, int rank, int shift) {
  std::int64_t sum = 0;
  for (int i = 0; i < rank; ++i) {
    if (root[i] == 0) continue;
    std::int64_t label = (lambda != nullptr ? static_cast<std::int64_t>(lambda[i]) : 0) + shift;
    if (!addProduct(sum, root[i], label)) {
      reportOverflow("Dim");
      return 0;
    }
  }
  return sum;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Rank limits of the type codes of the command "algebra"
// ---------------------------------------------------------------------------------------

int minRank(int type) {
  switch (type) {
    case 0: return 2;
    case 1: return 1;
    case 2: return 2;
    case 3: return 2;
    case 4: return 4;
    case 5: return 6;
    case 6: return 4;
    case 7: return 2;
    case 11: return 1;
    case 12: return 2;
    case 13: return 1;
    // The twisted C diagram needs its affine node apart from the doubled one: rank 3.
    case 14: return 3;
    case 15: return 4;
    case 16: return 2;
    case 26: return 2;
    default: Alert("minRank", 0, 112412, "Invalid type %d", type); return 1;
  }
}

int maxRank(int type) {
  switch (type) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 12:
    case 13:
    case 14: return zoqMaxrank();
    case 5: return 8;
    case 6:
    case 15: return 4;
    case 7:
    case 16:
    case 26: return 2;
    case 11: return 1;
    default: Alert("maxRank", 0, 112412, "Invalid type %d", type); return 1;
  }
}

int standardType(int type) { return type == 6 || type == 7 ? 5 : type; }

int algebraType(int type, int rank) {
  if (type != 5) return type;
  if (rank == 4) return 6;
  if (rank == 2) return 7;
  return 5;
}

// ---------------------------------------------------------------------------------------
// Module state

AllocationAccount& zoqAccount() {
  static AllocationAccount account("Lie algebras");
  return account;
}

LieData::LieData(AllocationAccount* account)
    : CM(AccountAllocator<int>(account, "CM")),
      rootnorm(AccountAllocator<int>(account, "rootnorm")),
      theta(AccountAllocator<int>(account, "theta")),
      GM(AccountAllocator<int>(account, "GM")),
      ICM(AccountAllocator<int>(account, "ICM")),
      RootSystem(AccountAllocator<int>(account, "RootSystem")) {}

ZoqState::ZoqState()
    : lie(&zoqAccount()),
      extendedDynkin(AccountAllocator<int>(&zoqAccount(), "ExtendedDynkin")),
      fieldOfWeight(AccountAllocator<int>(&zoqAccount(), "Labels")) {}

ZoqState& zoqState() {
  static ZoqState state;
  return state;
}

const LieData& Zoq_lieData() { return lie(); }

int zoqMaxrank() {
  const InternalParameter* parameter = zoqState().maxrank;
  return parameter != nullptr ? parameter->value : zoqState().maxrankFallback;
}

void zoqSetMaxrank(int value) {
  InternalParameter* parameter = zoqState().maxrank;
  if (parameter == nullptr) {
    zoqState().maxrankFallback = value;
    return;
  }
  set_value(parameter, value);
}

bool zoqRankInRange(int rank, const char* routine) {
  if (rank >= 0 && rank <= kZoqMaxLieRank) return true;
  Alert(routine, 0, 112313, "Rank %d outside the range 0..%d of the Lie data", rank, kZoqMaxLieRank);
  return false;
}

void initializeZoq() { zoqState().maxrank = findInternalParameter("Maxrank"); }

void resetZoq() {
  zoqState() = ZoqState();
  initializeZoq();
}

// ---------------------------------------------------------------------------------------
// Names and checks

std::string algebraname(AlgebraType type, int rank, int level) {
  if (type < 0) {
    AlgebraType base = type + 100;
    std::string name = hasName(base) ? baseName(base, rank, level) : std::string();
    if (!hasName(base)) typecheck(base, rank, level, 0, "algebraName");
    return name + " (Compl.)";
  }
  if (!hasName(type)) {
    typecheck(type, rank, level, 0, "algebraName");
    return "";
  }
  return baseName(type, rank, level);
}

std::string algebraTypeString(AlgebraType type, int rank) {
  if (type >= 1001) return "P_" + typeWord(type % 1000, rank);
  if (type < 0) return typeWord(type + 100, rank) + "(C)";
  return typeWord(type, rank);
}

void InputError(AlgebraType type, int rank, int level, const char* routine) {
  Alert("InputError", 0, 112312, "Invalid input\nType=%d, Rank=%d, Level=%d\nRoutine: %s", type,
        rank, level, routine);
}

void SNotAvailable(AlgebraType type, int rank, int level, const char* routine) {
  Alert("SNotAvailable", 0, 112312, "S matrix not built in\nType=%d, Rank=%d, Level=%d\nRoutine: %s",
        type, rank, level, routine);
}

bool typecheck(AlgebraType type, int rank, int level, int wantS, const char* routine) {
  Alert("typecheck", 0, 100101, "Performing input check");
  if (type == kTypeA && rank == 0 && level == 0) return true;
  bool valid = true;
  if (type < 0 || (type > 16 && type != kTypeMinimalN2) || (type >= 6 && type <= 10)) {
    valid = false;
  } else if (rank < 1) {
    valid = false;
  } else if (level < 1 && type >= 1) {
    valid = false;
  } else {
    switch (type) {
      case kTypeB: valid = rank >= 2; break;
      case kTypeC: valid = rank >= 1; break;
      case kTypeD: valid = rank >= 3; break;
      case kTypeExceptional: valid = isExceptionalRank(rank); break;
      case kTypeTwistedA2: valid = rank == 1; break;
      case kTypeTwistedB2: valid = rank >= 2; break;
      case kTypeTwistedB2t: return true;
      case kTypeTwistedC2: valid = rank >= 3; break;
      case kTypeTwistedF2: valid = rank == 4; break;
      case kTypeTwistedG3: valid = rank == 2; break;
      default: break;
    }
  }
  if (!valid) {
    InputError(type, rank, level, routine);
    return false;
  }
  if (wantS == 1 && type >= 11 && type <= 16) {
    SNotAvailable(type, rank, level, routine);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Small look-ups

int LieType(AlgebraType type) {
  if (type >= 0 && type <= 5) return type;
  switch (type) {
    case kTypeTwistedA2: return kTypeA;
    case kTypeTwistedB2:
    case kTypeTwistedB2t: return kTypeB;
    case kTypeTwistedC2: return kTypeC;
    case kTypeTwistedF2:
    case kTypeTwistedG3: return kTypeExceptional;
    default:
      typecheck(type, zoqState().inRank, zoqState().inLevel, 0, "LieType");
      return -1;
  }
}

int dualCoxeter(AlgebraType type, int rank) {
  switch (type) {
    case kTypeU1: return 0;
    case kTypeA:
    case kTypeC: return rank + 1;
    case kTypeB: return rank == 1 ? 2 : 2 * rank - 1;
    case kTypeD: return 2 * rank - 2;
    case kTypeExceptional: return rank >= 2 && rank <= 8 ? kExceptionalDualCoxeter[rank - 2] : -1;
    case kTypeTwistedA2: return 3;
    case kTypeTwistedB2:
    case kTypeTwistedC2: return 2 * rank;
    case kTypeTwistedB2t: return 2 * rank + 1;
    case kTypeTwistedF2: return 12;
    case kTypeTwistedG3: return 6;
    default:
      typecheck(type, zoqState().inRank, zoqState().inLevel, 0, "dualCoxeter");
      return -1;
  }
}

int Center(AlgebraType type, int rank) {
  switch (type) {
    case kTypeU1: return rank;
    case kTypeA: return rank + 1;
    case kTypeD: return 4;
    case kTypeExceptional: return rank == 6 ? 3 : (rank == 7 ? 2 : 1);
    default: return type < 11 ? 2 : 1;
  }
}

int CenterMultiplicity(AlgebraType type, int rank) {
  if (type == kTypeU1 && rank == 0) return 0;
  if (type >= 6 || type < 0) return 0;
  if (type <= kTypeC) return 1;
  if (type == kTypeD) return rank % 2 == 1 ? 1 : 2;
  return rank == 6 || rank == 7 ? 1 : 0;
}

std::vector<int> getCenterOrders(AlgebraType type, int rank) {
  int multiplicity = CenterMultiplicity(type, rank);
  if (type == kTypeD && rank % 2 == 0) return {2, 2};
  return std::vector<int>(static_cast<std::size_t>(multiplicity), Center(type, rank));
}

int Complexity(AlgebraType type, int rank) {
  if (type == kTypeU1) return 1;
  if (type == kTypeA && rank > 1) return 1;
  if (type == kTypeD && rank % 2 == 1) return 1;
  if (type == kTypeExceptional && rank == 6) return 1;
  return 0;
}

int AdjointDimension(AlgebraType type, int rank) {
  std::int64_t r = rank;
  std::int64_t dimension = 0;
  switch (type) {
    case kTypeU1: return rank == 2 ? 3 : 1;
    case kTypeA: dimension = r * (r + 2); break;
    case kTypeB:
    case kTypeC: dimension = r * (2 * r + 1); break;
    case kTypeD: dimension = r * (2 * r - 1); break;
    case kTypeExceptional: return rank >= 2 && rank <= 8 ? kExceptionalAdjoint[rank - 2] : 0;
    case kTypeTwistedA2: return 8;
    case kTypeTwistedB2: dimension = (2 * r + 1) * (r + 1); break;
    case kTypeTwistedB2t: dimension = 4 * r * (r + 1); break;
    case kTypeTwistedC2: dimension = (2 * r + 1) * (2 * r - 1); break;
    case kTypeTwistedF2: return 78;
    case kTypeTwistedG3: return 28;
    default:
      typecheck(type, rank, zoqState().inLevel, 0, "AdjointDimension");
      return 0;
  }
  if (dimension > std::numeric_limits<int>::max() || dimension < 0) {
    reportOverflow("AdjointDimension");
    return 0;
  }
  return static_cast<int>(dimension);
}

int Weight_denom(AlgebraType type, int rank, int level, int h) {
  std::int64_t denominator = 0;
  if (type == kTypeU1) {
    denominator = 2 * static_cast<std::int64_t>(rank);
  } else {
    int metricNorm = InverseCartan(type, rank);
    if (metricNorm == 0) return 0;
    denominator = 2 * (static_cast<std::int64_t>(h) + level) * metricNorm;
  }
  if (denominator > std::numeric_limits<int>::max() || denominator < std::numeric_limits<int>::min()) {
    reportOverflow("Weight_denom");
    return 0;
  }
  return static_cast<int>(denominator);
}

int WeightLatticeOrder(AlgebraType type, int rank) {
  switch (type) {
    case kTypeA: return rank + 1;
    case kTypeB:
    case kTypeD: return 4;
    case kTypeC:
      if (rank < 0 || rank > 30) {
        reportOverflow("WeightLatticeOrder");
        return 1;
      }
      return 1 << rank;
    case kTypeExceptional:
      switch (rank) {
        case 2: return 3;
        case 4: return 4;
        case 6: return 3;
        case 7: return 2;
        default: return 1;
      }
    default: return 1;
  }
}

std::int64_t WeylGroupOrder(AlgebraType type, int rank) {
  if (type == kTypeExceptional) return rank >= 2 && rank <= 8 ? kExceptionalWeylOrder[rank - 2] : -1;
  if (type < kTypeA || type > kTypeD || rank < 0) return -1;
  // A: (r+1)!, B and C: 2^r r!, D: 2^(r-1) r!.
  std::int64_t order = 1;
  int top = type == kTypeA ? rank + 1 : rank;
  for (int i = 2; i <= top; ++i) {
    if (__builtin_mul_overflow(order, static_cast<std::int64_t>(i), &order)) {
      reportOverflow("WeylGroupOrder");
      return -1;
    }
  }
  int twos = type == kTypeA ? 0 : (type == kTypeD ? rank - 1 : rank);
  for (int i = 0; i < twos; ++i) {
    if (__builtin_mul_overflow(order, static_cast<std::int64_t>(2), &order)) {
      reportOverflow("WeylGroupOrder");
      return -1;
    }
  }
  return order;
}

int SmallRootDenominator(AlgebraType type, int rank) {
  switch (type) {
    case kTypeA:
    case kTypeD: return 1;
    case kTypeB:
    case kTypeC: return 2;
    case kTypeExceptional: return rank >= 2 && rank <= 8 ? kExceptionalSmallRoot[rank - 2] : -1;
    default: return -1;
  }
}

std::vector<int> indexOrders(AlgebraType type, int rank) {
  std::vector<int> orders;
  if (rank < 0 || rank > kZoqMaxLieRank) {
    Alert("indexOrders", 0, 112312, "Invalid algebra: type %d; rank %d", type, rank);
    return orders;
  }
  switch (type) {
    case kTypeA:
      for (int i = 0; i < rank; ++i) orders.push_back(i + 2);
      break;
    case kTypeB:
    case kTypeC:
      for (int i = 0; i < rank; ++i) orders.push_back(2 * i + 2);
      break;
    case kTypeD:
      for (int i = 0; i + 1 < rank; ++i) orders.push_back(2 * i + 2);
      if (rank >= 1) orders.push_back(rank);
      break;
    case kTypeExceptional: {
      const int* degrees = exceptionalDegrees(rank);
      if (degrees == nullptr) {
        Alert("indexOrders", 0, 112312, "Invalid rank for exceptional algebra:  %d", rank);
        break;
      }
      orders.assign(degrees, degrees + rank);
      break;
    }
    default: Alert("indexOrders", 0, 112312, "Invalid algebra: type %d; rank %d", type, rank); break;
  }
  return orders;
}

// ---------------------------------------------------------------------------------------
// Matrix builders

void Cartan(AlgebraType type, int rank) {
  LieData& d = lie();
  if (d.cartanType == type && d.cartanRank == rank) return;
  if (!zoqRankInRange(rank, "Cartan")) return;
  const int r = rank;
  const int n = rank + 1;
  d.CM.assign(static_cast<std::size_t>(n) * n, 0);
  d.rootnorm.assign(static_cast<std::size_t>(n), 6);
  int* cm = d.CM.data();
  int* rootnorm = d.rootnorm.data();
  auto entry = [&](int i, int j) -> int& { return cm[at(i, j, n)]; };
  auto link = [&](int i, int j) {
    entry(i, j) = -1;
    entry(j, i) = -1;
  };
  for (int i = 0; i < n; ++i) entry(i, i) = 2;
  for (int i = 0; i + 1 <= r - 2; ++i) link(i, i + 1);

  if (type >= kTypeA && type <= kTypeD && rank <= 1) {
    if (rank == 1) entry(0, 1) = entry(1, 0) = -2;
  } else if (!cartanShapeKnown(type, rank)) {
    Alert("Cartan", 0, 212404, "Invalid type for Cartan matrix, %d", type);
  } else {
    switch (type) {
      case kTypeA:
        link(r - 2, r - 1);
        link(r, 0);
        link(r, r - 1);
        break;
      case kTypeB:
        entry(r - 1, r - 2) = -1;
        entry(r - 2, r - 1) = -2;
        rootnorm[r - 1] = 3;
        link(r, 1);
        if (r == 2) entry(r, 1) = -2;
        break;
      case kTypeC:
        entry(r - 1, r - 2) = -2;
        entry(r - 2, r - 1) = -1;
        entry(r, 0) = -2;
        entry(0, r) = -1;
        for (int i = 0; i <= r - 2; ++i) rootnorm[i] = 3;
        break;
      case kTypeD:
        link(r - 3, r - 1);
        link(r, 1);
        if (r == 3) link(r, 2);
        break;
      case kTypeExceptional:
        if (r >= 6) {
          link(r - 1, r == 8 ? 4 : 2);
          link(r, r == 6 ? 5 : 0);
        } else if (r == 4) {
          entry(2, 1) = -1;
          entry(1, 2) = -2;
          link(2, 3);
          link(r, 0);
          rootnorm[2] = rootnorm[3] = 3;
        } else {
          entry(0, 1) = -3;
          entry(1, 0) = -1;
          link(r, 0);
          rootnorm[1] = 2;
        }
        break;
      case kTypeTwistedA2:
        entry(0, 1) = -1;
        entry(1, 0) = -4;
        break;
      case kTypeTwistedB2:
        entry(r, 0) = -1;
        entry(0, r) = -2;
        entry(r - 1, r - 2) = -1;
        entry(r - 2, r - 1) = -2;
        rootnorm[r - 1] = rootnorm[r] = 3;
        break;
      case kTypeTwistedB2t:
        entry(r, 0) = -2;
        entry(0, r) = -1;
        rootnorm[r - 1] = 3;
        rootnorm[r] = 12;
        if (r == 1) {
          entry(0, 1) = -1;
          entry(1, 0) = -4;
        } else {
          entry(r - 1, r - 2) = -1;
          entry(r - 2, r - 1) = -2;
        }
        break;
      case kTypeTwistedC2:
        link(r, 1);
        entry(r - 1, r - 2) = -2;
        entry(r - 2, r - 1) = -1;
        rootnorm[r - 1] = 12;
        break;
      case kTypeTwistedF2:
        entry(2, 1) = -1;
        entry(1, 2) = -2;
        link(2, 3);
        link(r, 3);
        rootnorm[2] = rootnorm[3] = 3;
        break;
      case kTypeTwistedG3:
        entry(0, 1) = -3;
        entry(1, 0) = -1;
        link(r, 1);
        rootnorm[1] = 2;
        break;
      default: break;
    }
  }
  d.cartanType = type;
  d.cartanRank = rank;
  computeGM(rank);
  fillTheta(type, rank);
}

void computeGM(int rank) {
  LieData& d = lie();
  if (rank < 0 || d.cartanRank != rank) {
    Alert("computeGM", 0, 212404, "Invalid type for Cartan matrix, %d", d.cartanType);
    return;
  }
  const int n = rank + 1;
  d.GM.assign(static_cast<std::size_t>(rank) * rank, 0);
  for (int j = 0; j < rank; ++j)
    for (int i = 0; i < rank; ++i) d.GM[at(j, i, rank)] = (6 / d.rootnorm[j]) * d.CM[at(j, i, n)];
}

void Theta(AlgebraType type, int rank) {
  LieData& d = lie();
  if (d.cartanType == type && d.cartanRank == rank) return;
  if (!zoqRankInRange(rank, "Theta")) return;
  // The comarks alone no longer match the Cartan matrix: the next `Cartan` rebuilds both.
  d.cartanType = -1;
  d.cartanRank = -1;
  fillTheta(type, rank);
}

int InverseCartan(AlgebraType type, int rank) {
  int finiteType = LieType(type);
  LieData& d = lie();
  if (finiteType < kTypeA) {
    if (finiteType == kTypeU1) InputError(type, rank, zoqState().inLevel, "InverseCartan");
    return 0;
  }
  if (d.inverseType == finiteType && d.inverseRank == rank) return d.MetricNorm;
  if (!zoqRankInRange(rank, "InverseCartan")) return 0;
  if (!cartanBuilt(finiteType, rank)) {
    InputError(type, rank, zoqState().inLevel, "InverseCartan");
    return 0;
  }
  Cartan(finiteType, rank);
  if (d.cartanType != finiteType || d.cartanRank != rank) return 0;
  d.inverseType = -1;
  d.inverseRank = -1;
  d.MetricNorm = 0;
  d.ICM.assign(static_cast<std::size_t>(rank) * rank, 0);
  // MatInv reports a singular metric or an inverse that leaves 32 bits itself.
  d.MetricNorm = MatInv(d.GM.data(), d.ICM.data(), rank);
  if (d.MetricNorm == 0) {
    d.ICM.clear();
    return 0;
  }
  d.inverseType = finiteType;
  d.inverseRank = rank;
  return d.MetricNorm;
}

int rootTest(const int* v, AlgebraType type, int rank) {
  const LieData& d = lie();
  if (d.cartanRank != rank) return 1;
  std::int64_t q = 0;
  for (int i = 0; i < rank; ++i) {
    if (v[i] == 0) continue;
    for (int j = 0; j < rank; ++j) {
      if (!addProduct(q, static_cast<std::int64_t>(v[i]) * d.GM[at(i, j, rank)], v[j])) return 1;
    }
  }
  if (q > 72) return 1;
  if (type == kTypeC && q == 72) {
    for (int i = 0; i < rank; ++i)
      if (v[i] % 6 != 0) return 1;
  }
  return 0;
}

int PositiveRoots(AlgebraType type, int rank) {
  int finiteType = LieType(type);
  LieData& d = lie();
  if (finiteType < kTypeA) return 0;
  if (d.rootType == finiteType && d.rootRank == rank) return d.Npos;
  if (!zoqRankInRange(rank, "PositiveRoots")) return 0;
  if (!cartanBuilt(finiteType, rank)) {
    InputError(type, rank, zoqState().inLevel, "PositiveRoots");
    return 0;
  }
  Cartan(finiteType, rank);
  if (d.cartanType != finiteType || d.cartanRank != rank) return 0;
  d.RootSystem.clear();
  d.Npos = 0;
  d.rootType = -1;
  d.rootRank = -1;
  if (rank == 0) {
    d.rootType = finiteType;
    d.rootRank = 0;
    return 0;
  }
  const std::size_t width = static_cast<std::size_t>(rank);
  // For each root also keep GM times it and its norm, so that the norm of a sum costs one
  // inner product: |a+b|² = |a|² + |b|² + 2 a·GM·b.
  std::vector<std::int64_t> metricImage;
  std::vector<std::int64_t> norms;
  // Indices of the roots in lexicographic order of their vectors, for duplicate tests.
  std::vector<int> sorted;
  auto lessThan = [&](const int* a, const int* b) {
    return std::lexicographical_compare(a, a + rank, b, b + rank);
  };
  auto collect = [&](const int* root) {
    auto position = std::lower_bound(sorted.begin(), sorted.end(), root,
                                     [&](int index, const int* key) { return lessThan(rootRow(index), key); });
    if (position != sorted.end() && std::equal(root, root + rank, rootRow(*position))) return;
    int index = d.Npos;
    d.RootSystem.insert(d.RootSystem.end(), root, root + rank);
    ++d.Npos;
    d.rootRank = rank;
    sorted.insert(position, index);
    const int* stored = rootRow(index);
    std::int64_t q = 0;
    for (int i = 0; i < rank; ++i) {
      std::int64_t image = 0;
      for (int j = 0; j < rank; ++j) image += static_cast<std::int64_t>(d.GM[at(i, j, rank)]) * stored[j];
      metricImage.push_back(image);
      q += image * stored[i];
    }
    norms.push_back(q);
  };
  d.rootRank = rank;
  std::vector<int> candidate(width, 0);
  for (int i = 0; i < rank; ++i) {
    std::fill(candidate.begin(), candidate.end(), 0);
    candidate[i] = d.rootnorm[i];
    collect(candidate.data());
  }
  for (int i = 0; i < d.Npos; ++i) {
    for (int j = i; j < d.Npos; ++j) {
      std::int64_t cross = 0;
      const std::int64_t* image = metricImage.data() + at(j, 0, rank);
      const int* a = rootRow(i);
      for (int c = 0; c < rank; ++c) cross += image[c] * a[c];
      std::int64_t q = norms[i] + norms[j] + 2 * cross;
      if (q > 72) continue;
      const int* b = rootRow(j);
      a = rootRow(i);
      for (int c = 0; c < rank; ++c) candidate[c] = a[c] + b[c];
      if (finiteType == kTypeC && q == 72 &&
          std::any_of(candidate.begin(), candidate.end(), [](int v) { return v % 6 != 0; }))
        continue;
      collect(candidate.data());
    }
  }
  d.rootType = finiteType;
  return d.Npos;
}

// ---------------------------------------------------------------------------------------
// Printing

void printCartanMatrix(AlgebraType type, int rank) {
  Cartan(type, rank);
  const LieData& d = lie();
  if (d.cartanType != type || d.cartanRank != rank) return;
  const int n = rank + 1;
  Print("Cartan matrix: \n");
  for (int i = 0; i < rank; ++i) {
    for (int j = 0; j < rank; ++j) Print("%3d ", d.CM[at(j, i, n)]);
    Print("\n");
  }
  if (type == kTypeB || type == kTypeC || (type == kTypeExceptional && rank <= 5)) {
    Print("Symmetrized Cartan matrix: \n");
    for (int i = 0; i < rank; ++i) {
      for (int j = 0; j < rank; ++j) Print("%3d ", d.GM[at(i, j, rank)]);
      Print("\n");
    }
  }
  int metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return;
  Print("Inverse Cartan matrix: (times %d)\n", metricNorm);
  for (int i = 0; i < rank; ++i) {
    for (int j = 0; j < rank; ++j) Print("%3d ", d.ICM[at(i, j, rank)]);
    Print("\n");
  }
}

void printInverseCartan(AlgebraType type, int rank, std::string& out) {
  int metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return;
  const LieData& d = lie();
  out += formatText("\nInverse Cartan Matrix (times %d)\n\n", metricNorm);
  for (int i = 0; i < rank; ++i) {
    for (int j = 0; j < rank; ++j) out += formatText("%3d ", d.ICM[at(i, j, rank)]);
    out += "\n";
  }
}

void CartanMultiply(AlgebraType type, int rank, const int* v, int* out) {
  Cartan(type, rank);
  const LieData& d = lie();
  if (d.cartanType != type || d.cartanRank != rank) return;
  for (int i = 0; i < rank; ++i) {
    std::int64_t sum = 0;
    for (int j = 0; j < rank; ++j) sum += static_cast<std::int64_t>(d.GM[at(i, j, rank)]) * v[j];
    out[i] = static_cast<int>(sum);
  }
}

int InverseCartanMultiply(AlgebraType type, int rank, const int* v, int* out) {
  int metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return 0;
  const LieData& d = lie();
  for (int i = 0; i < rank; ++i) {
    std::int64_t sum = 0;
    for (int j = 0; j < rank; ++j) sum += static_cast<std::int64_t>(d.ICM[at(i, j, rank)]) * v[j];
    out[i] = static_cast<int>(sum);
  }
  return metricNorm;
}

// ---------------------------------------------------------------------------------------
// Values of weights

namespace {

// Σ (λ_i + shiftLeft) ICM[i][j] (μ_j + shiftRight) / MetricNorm for real labels.
template <class Label>
double metricProduct(AlgebraType type, int rank, const Label* lambda, const Label* mu, double shiftLeft,
                     double shiftRight) {
  int metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return 0.0;
  const LieData& d = lie();
  double sum = 0.0;
  for (int i = 0; i < rank; ++i) {
    double left = (lambda != nullptr ? static_cast<double>(lambda[i]) : 0.0) + shiftLeft;
    for (int j = 0; j < rank; ++j) {
      double right = (mu != nullptr ? static_cast<double>(mu[j]) : 0.0) + shiftRight;
      sum += left * d.ICM[at(i, j, rank)] * right;
    }
  }
  return sum / metricNorm;
}

}  // namespace

double IntDotProd(AlgebraType type, int rank, const int* lambda, const int* mu) {
  return metricProduct<int>(type, rank, lambda, mu, 0.0, 0.0);
}

double DynkinDotProd(AlgebraType type, int rank, const int* lambda, const int* mu) {
  return metricProduct<int>(type, rank, lambda, mu, 0.0, 0.0);
}

double DoubleDotProd(AlgebraType type, int rank, const double* lambda, const double* mu) {
  return metricProduct<double>(type, rank, lambda, mu, 0.0, 0.0);
}

double DynkinPlusRhoDotProd(AlgebraType type, int rank, const int* lambda, const int* mu) {
  return metricProduct<int>(type, rank, lambda, mu, 1.0, 1.0);
}

double DoubleDynkinPlusRhoDotProd(AlgebraType type, int rank, const double* lambda, const double* mu) {
  return metricProduct<double>(type, rank, lambda, mu, 1.0, 1.0);
}

double RhoDotProd(AlgebraType type, int rank) {
  return metricProduct<int>(type, rank, nullptr, nullptr, 1.0, 1.0);
}

std::int64_t DynkinNorm(const int* lambda, AlgebraType type, int rank) {
  if (type == kTypeU1) return 0;
  if (InverseCartan(type, rank) == 0) return 0;
  const LieData& d = lie();
  std::int64_t sum = 0;
  for (int i = 0; i < rank; ++i) {
    for (int j = 0; j < rank; ++j) {
      if (!addProduct(sum, static_cast<std::int64_t>(lambda[i]) * d.ICM[at(i, j, rank)], lambda[j])) {
        reportOverflow("DynkinNorm");
        return 0;
      }
    }
  }
  return sum;
}

std::int64_t norm(const int* v, int rank) {
  const LieData& d = lie();
  if (d.cartanRank != rank) return 0;
  std::int64_t sum = 0;
  for (int i = 0; i < rank; ++i)
    for (int j = 0; j < rank; ++j)
      if (!addProduct(sum, static_cast<std::int64_t>(v[i]) * d.GM[at(i, j, rank)], v[j])) {
        reportOverflow("norm");
        return 0;
      }
  return sum;
}

std::int64_t DualDotProd(AlgebraType type, int rank, const int* u, const int* v) {
  Cartan(type, rank);
  const LieData& d = lie();
  if (d.cartanType != type || d.cartanRank != rank) return 0;
  std::int64_t sum = 0;
  for (int i = 0; i < rank; ++i)
    for (int j = 0; j < rank; ++j)
      if (!addProduct(sum, static_cast<std::int64_t>(u[i]) * d.GM[at(i, j, rank)], v[j])) {
        reportOverflow("DualDotProd");
        return 0;
      }
  return sum;
}

Rat RCasimir(const int* lambda, AlgebraType type, int rank) {
  Rat result{0, 1};
  if (type == kTypeU1) return result;
  int metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return result;
  const LieData& d = lie();
  std::int64_t sum = 0;
  for (int i = 0; i < rank; ++i) {
    std::int64_t left = static_cast<std::int64_t>(lambda[i]) + 2;
    for (int j = 0; j < rank; ++j) {
      if (lambda[j] == 0) continue;
      if (!addProduct(sum, left * d.ICM[at(i, j, rank)], lambda[j])) {
        reportOverflow("RCasimir");
        return result;
      }
    }
  }
  result.num = sum;
  result.den = 2 * static_cast<std::int64_t>(metricNorm);
  simplifyRat(&result);
  return result;
}

double Casimir(const int* lambda, AlgebraType type, int rank) {
  if (type == kTypeU1) return 0.0;
  Rat value = RCasimir(lambda, type, rank);
  return static_cast<double>(value.num) / static_cast<double>(value.den);
}

Rat RatWt(const int* lambda, AlgebraType type, int rank, int level) {
  Rat result{0, 1};
  if (type == kTypeU1) {
    if (rank < 1) return result;
    std::int64_t l = lambda[0];
    std::int64_t m = l > rank / 2 ? rank - l : l;
    result.num = m * m;
    result.den = 2 * static_cast<std::int64_t>(rank);
    simplifyRat(&result);
    return result;
  }
  Rat casimir = RCasimir(lambda, type, rank);
  std::int64_t shifted = static_cast<std::int64_t>(dualCoxeter(type, rank)) + level;
  if (shifted == 0) return result;
  if (__builtin_mul_overflow(casimir.den, shifted, &result.den)) {
    reportOverflow("RatWt");
    return Rat{0, 1};
  }
  result.num = casimir.num;
  simplifyRat(&result);
  return result;
}

double Dim(const int* lambda, AlgebraType type, int rank) {
  if (type < 0) return 0.0;
  if (type == kTypeU1) return 2 * lambda[0] == rank ? 2.0 : 1.0;
  if (rank == 0) return 1.0;
  int count = PositiveRoots(type, rank);
  double dimension = 1.0;
  for (int k = 0; k < count; ++k) {
    const int* root = rootRow(k);
    dimension *= static_cast<double>(rootPairing(root, lambda, rank, 1)) /
                 static_cast<double>(rootPairing(root, nullptr, rank, 1));
  }
  return dimension;
}

fint IntegerDim(const int* lambda, AlgebraType type, int rank) {
  fint dimension;
  if (type <= kTypeU1 || rank == 0) {
    if (type == kTypeU1 && 2 * lambda[0] == rank) inttofint(2, &dimension);
    return dimension;
  }
  int count = PositiveRoots(type, rank);
  fint factor;
  for (int k = 0; k < count; ++k) {
    const int* root = rootRow(k);
    std::int64_t numerator = rootPairing(root, lambda, rank, 1);
    std::int64_t denominator = rootPairing(root, nullptr, rank, 1);
    if (numerator > std::numeric_limits<int>::max() || denominator > std::numeric_limits<int>::max()) {
      reportOverflow("IntegerDim");
      return fint();
    }
    inttofint(static_cast<int>(numerator), &factor);
    fint_prod(&dimension, &factor, &dimension);
    inttofint(static_cast<int>(denominator), &factor);
    fint_ratio(&dimension, &factor, &dimension);
  }
  return dimension;
}

int Dimension(const int* lambda, AlgebraType type, int rank) {
  double dimension = Dim(lambda, type, rank) + 0.01;
  if (dimension < 1e9) return static_cast<int>(dimension);
  fint exact = IntegerDim(lambda, type, rank);
  lint value = lint_alloc(0);
  fint_to_lint(&exact, &value);
  return storePositiveLint(&value);
}

double QDim(const int* lambda, AlgebraType type, int rank, int level) {
  if (type == kTypeU1) return 1.0;
  if (type > kTypeExceptional || type < 0) return 0.0;
  if (rank == 0) return 1.0;
  int count = PositiveRoots(type, rank);
  double scale = 12.0 * (static_cast<double>(dualCoxeter(type, rank)) + level);
  const double twoPi = 2.0 * std::numbers::pi;
  double dimension = 1.0;
  for (int k = 0; k < count; ++k) {
    const int* root = rootRow(k);
    dimension *= std::sin(twoPi * static_cast<double>(rootPairing(root, lambda, rank, 1)) / scale) /
                 std::sin(twoPi * static_cast<double>(rootPairing(root, nullptr, rank, 1)) / scale);
  }
  return dimension;
}

int computePosRootProducts(AlgebraType type, int rank, const int* lambda, int order) {
  if (order < 1) {
    InputError(type, rank, order, "computePosRootProducts");
    return rank;
  }
  int count = PositiveRoots(type, rank);
  // The roots are copied: DualDotProd may rebuild the Cartan data of a twisted type.
  std::vector<int> roots(lie().RootSystem.begin(), lie().RootSystem.end());
  int even = 0;
  for (int k = 0; k < count; ++k) {
    std::int64_t product = DualDotProd(type, rank, lambda, roots.data() + at(k, 0, rank));
    if (product % 6 != 0) Alert("computePosRootProducts", 0, 112301, "Positive root not normalizable\n");
    product /= 6;
    if (product % order != 0)
      Alert("computePosRootProducts", 1, 112301, "Positive root not normalizable by order\n");
    product /= order;
    if (product % 2 == 0) ++even;
  }
  return rank + 2 * even;
}

void BtildeToC(int* out, const int* in, int rank) {
  for (int j = 0; j <= rank - 2; ++j) out[j] = in[rank - 2 - j];
  if (rank >= 1) out[rank - 1] = in[rank];
}
