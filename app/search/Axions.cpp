// Axions of the current orientifold and the axion charges of the boundaries (see
// Axions.h).
//
// Charges. Rows are taken in order of increasing norm; the first basis is chosen by
// elimination in doubles. The charges of a row solve B^T q = row on the basis's pivot
// columns (one LU factorisation per basis) and are recognised as fractions of denominator
// at most 144; the solution is then checked against the whole row. A charge +-1/d means
// the row generates a finer lattice: it replaces that basis vector and the scan starts
// again.
#include "search/Axions.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/SearchSM.h"
#include "store/CurrentTheory.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"

namespace {

constexpr double kAxionTolerance = 1e-7;
constexpr int kMaximalAxions = 5000;
constexpr int kMaximalIndependentAxions = 1000;
constexpr long long kMaximalDenominator = 144;

struct AxionState {
  std::vector<int> axionList;
  int listBulk = -2;
  AxionTable table;
  int stampOrientifold = -2;
  int stampBulk = -2;
  int tensorIdentifier = 0;
  bool explanationShown = false;
  bool basisRead = false;
  int MIPF = -1;
  int orientifold = -1;
};

AxionState& state() {
  static AxionState s;
  return s;
}

// x as p/q with q <= 144 (within the tolerance); false when none fits.
bool recogniseFraction(double x, long long* p, long long* q) {
  for (long long d = 1; d <= kMaximalDenominator; ++d) {
    const double n = std::round(x * static_cast<double>(d));
    if (std::fabs(n - x * static_cast<double>(d)) < kAxionTolerance * static_cast<double>(d) && std::fabs(n) < 9e15) {
      *p = static_cast<long long>(n);
      *q = d;
      return true;
    }
  }
  return false;
}

// Row-major LU with partial pivoting of an n x n matrix; false when singular.
struct LU {
  int n = 0;
  std::vector<double> a;
  std::vector<int> perm;
  bool factor(int size, std::vector<double> m) {
    n = size;
    a = std::move(m);
    perm.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) perm[static_cast<std::size_t>(i)] = i;
    for (int k = 0; k < n; ++k) {
      int best = k;
      for (int i = k + 1; i < n; ++i)
        if (std::fabs(at(i, k)) > std::fabs(at(best, k))) best = i;
      if (std::fabs(at(best, k)) < 1e-12) return false;
      if (best != k) {
        for (int j = 0; j < n; ++j) std::swap(at(k, j), at(best, j));
        std::swap(perm[static_cast<std::size_t>(k)], perm[static_cast<std::size_t>(best)]);
      }
      for (int i = k + 1; i < n; ++i) {
        const double f = at(i, k) / at(k, k);
        at(i, k) = f;
        if (f == 0.0) continue;
        for (int j = k + 1; j < n; ++j) at(i, j) -= f * at(k, j);
      }
    }
    return true;
  }
  double& at(int i, int j) { return a[static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(j)]; }
  std::vector<double> solve(const std::vector<double>& b) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      double s = b[static_cast<std::size_t>(perm[static_cast<std::size_t>(i)])];
      for (int j = 0; j < i; ++j) s -= at(i, j) * x[static_cast<std::size_t>(j)];
      x[static_cast<std::size_t>(i)] = s;
    }
    for (int i = n - 1; i >= 0; --i) {
      double s = x[static_cast<std::size_t>(i)];
      for (int j = i + 1; j < n; ++j) s -= at(i, j) * x[static_cast<std::size_t>(j)];
      x[static_cast<std::size_t>(i)] = s / at(i, i);
    }
    return x;
  }
};

// The first basis: each row reduced against the accepted ones at their pivot columns.
void firstBasis(const std::vector<std::vector<double>>& rows, std::vector<int>* basis) {
  std::vector<std::vector<double>> reduced;
  std::vector<int> pivots;
  const std::size_t width = rows.empty() ? 0 : rows.front().size();
  for (std::size_t r = 0; r < rows.size() && basis->size() < width; ++r) {
    std::vector<double> v = rows[r];
    for (std::size_t k = 0; k < reduced.size(); ++k) {
      const auto c = static_cast<std::size_t>(pivots[k]);
      if (v[c] == 0.0) continue;
      const double f = v[c] / reduced[k][c];
      for (std::size_t j = 0; j < width; ++j) v[j] -= f * reduced[k][j];
    }
    int pivot = -1;
    for (std::size_t j = 0; j < width; ++j)
      if (std::fabs(v[j]) > kAxionTolerance) {
        pivot = static_cast<int>(j);
        break;
      }
    if (pivot < 0) continue;
    reduced.push_back(std::move(v));
    pivots.push_back(pivot);
    basis->push_back(static_cast<int>(r));
  }
}

// Pivot columns of the basis rows (in the basis order) by elimination.
std::vector<int> pivotColumns(const std::vector<std::vector<double>>& rows, const std::vector<int>& basis) {
  std::vector<std::vector<double>> reduced;
  std::vector<int> pivots;
  for (int b : basis) {
    std::vector<double> v = rows[static_cast<std::size_t>(b)];
    for (std::size_t k = 0; k < reduced.size(); ++k) {
      const auto c = static_cast<std::size_t>(pivots[k]);
      if (v[c] == 0.0) continue;
      const double f = v[c] / reduced[k][c];
      for (std::size_t j = 0; j < v.size(); ++j) v[j] -= f * reduced[k][j];
    }
    int pivot = 0;
    for (std::size_t j = 0; j < v.size(); ++j)
      if (std::fabs(v[j]) > std::fabs(v[static_cast<std::size_t>(pivot)])) pivot = static_cast<int>(j);
    reduced.push_back(std::move(v));
    pivots.push_back(pivot);
  }
  return pivots;
}

}  // namespace

bool AX_validStoredBasis(const std::vector<int>& stored, int count, int rows) {
  if (static_cast<int>(stored.size()) != count) return false;
  std::vector<int> sorted = stored;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return false;
  for (int r : stored)
    if (r < 0 || r >= rows) return false;
  return true;
}

int AX_computeCharges(const std::vector<std::vector<double>>& rows, std::vector<int>* basis,
                      std::vector<std::vector<int>>* charges, int* retries) {
  charges->clear();
  if (basis->empty()) firstBasis(rows, basis);
  const int n = static_cast<int>(basis->size());
  if (n == 0) {
    charges->assign(rows.size(), std::vector<int>());
    return 1;
  }
  int attempt = 0;
  const int maximalAttempts = 10 * n + 100;
  for (;; ++attempt) {
    if (attempt > maximalAttempts) return 0;
    const std::vector<int> pivots = pivotColumns(rows, *basis);
    // M[i][k] = basis row k at pivot column i: M q = row restricted to the pivots.
    std::vector<double> M(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k)
        M[static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(k)] =
            rows[static_cast<std::size_t>((*basis)[static_cast<std::size_t>(k)])][static_cast<std::size_t>(pivots[static_cast<std::size_t>(i)])];
    LU lu;
    if (!lu.factor(n, std::move(M))) return -1;
    charges->assign(rows.size(), std::vector<int>(static_cast<std::size_t>(n), 0));
    int irrational = 0;
    bool replaced = false;
    std::vector<double> rhs(static_cast<std::size_t>(n));
    for (std::size_t r = 0; r < rows.size() && !replaced; ++r) {
      obeyInterruptRequest();
      const auto& row = rows[r];
      for (int i = 0; i < n; ++i) rhs[static_cast<std::size_t>(i)] = row[static_cast<std::size_t>(pivots[static_cast<std::size_t>(i)])];
      const std::vector<double> q = lu.solve(rhs);
      // The combination must give the whole row, not only its pivot columns.
      std::vector<double> sum(row.size(), 0.0);
      for (int k = 0; k < n; ++k) {
        const double f = q[static_cast<std::size_t>(k)];
        if (f == 0.0) continue;
        const auto& b = rows[static_cast<std::size_t>((*basis)[static_cast<std::size_t>(k)])];
        for (std::size_t j = 0; j < row.size(); ++j) sum[j] += f * b[j];
      }
      for (std::size_t j = 0; j < row.size(); ++j)
        if (std::fabs(sum[j] - row[j]) > 1e-6) return -1;
      for (int k = 0; k < n; ++k) {
        long long p = 0, d = 0;
        if (!recogniseFraction(q[static_cast<std::size_t>(k)], &p, &d)) return -1;
        if (d == 1) {
          if (std::llabs(p) > 2000000000LL) return -1;
          (*charges)[r][static_cast<std::size_t>(k)] = static_cast<int>(p);
          continue;
        }
        if (p == 1 || p == -1) {
          (*basis)[static_cast<std::size_t>(k)] = static_cast<int>(r);
          std::sort(basis->begin(), basis->end());
          replaced = true;
          break;
        }
        ++irrational;
      }
    }
    if (replaced) {
      if (retries != nullptr) ++*retries;
      continue;
    }
    return irrational == 0 ? 1 : 0;
  }
}

int AX_buildTable(const std::vector<std::vector<std::complex<double>>>& couplings, AxionTable* table, bool countOnly,
                  const std::vector<int>* stored) {
  *table = AxionTable();
  const int boundaries = static_cast<int>(couplings.size());
  const int axions = boundaries > 0 ? static_cast<int>(couplings.front().size()) : 0;
  table->axions = axions;
  table->AxionBoundaryMap.assign(static_cast<std::size_t>(boundaries), 0);
  if (axions == 0) return table->AxionCount = 0;
  if (axions > kMaximalAxions) return table->AxionCount = -1;
  std::vector<std::complex<double>> reference(static_cast<std::size_t>(axions), 0.0);
  std::vector<std::vector<double>> rows;
  std::map<std::vector<long long>, int> rowIndex;
  for (int b = 0; b < boundaries; ++b) {
    if ((b & 255) == 0) obeyInterruptRequest();
    const auto& c = couplings[static_cast<std::size_t>(b)];
    std::vector<double> row(static_cast<std::size_t>(axions), 0.0);
    for (int k = 0; k < axions; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      if (std::abs(c[kk]) < kAxionTolerance) continue;
      if (std::abs(reference[kk]) < kAxionTolerance) reference[kk] = c[kk];
      const std::complex<double> x = c[kk] / reference[kk];
      if (std::fabs(x.imag()) > kAxionTolerance) {
        Alert("getIndependentAxionBoundaries", 0, 212204, "Complex axion coupling after removing phase\n");
        return table->AxionCount = -1;
      }
      row[kk] = x.real();
    }
    int sign = 1;
    for (double x : row)
      if (std::fabs(x) > kAxionTolerance) {
        sign = x < 0 ? -1 : 1;
        break;
      }
    bool zero = true;
    std::vector<long long> key(row.size());
    for (std::size_t k = 0; k < row.size(); ++k) {
      row[k] *= sign;
      if (std::fabs(row[k]) > kAxionTolerance) zero = false; else row[k] = 0.0;
      key[k] = std::llround(row[k] * 1e6);
    }
    if (zero) continue;
    auto found = rowIndex.find(key);
    int r = 0;
    if (found != rowIndex.end()) {
      r = found->second;
    } else {
      r = static_cast<int>(rows.size());
      rowIndex.emplace(std::move(key), r);
      rows.push_back(std::move(row));
    }
    table->AxionBoundaryMap[static_cast<std::size_t>(b)] = sign * (r + 1);
  }
  // Independent axions: a non-zero reference and no earlier axion with the same column.
  std::vector<int> independent;
  for (int k = 0; k < axions; ++k) {
    obeyInterruptRequest();
    if (std::abs(reference[static_cast<std::size_t>(k)]) < kAxionTolerance) continue;
    bool duplicate = false;
    for (int i : independent) {
      bool same = true;
      for (const auto& row : rows)
        if (std::fabs(row[static_cast<std::size_t>(i)] - row[static_cast<std::size_t>(k)]) > kAxionTolerance) {
          same = false;
          break;
        }
      if (same) {
        duplicate = true;
        break;
      }
    }
    if (!duplicate) independent.push_back(k);
  }
  table->independent = static_cast<int>(independent.size());
  if (table->independent > kMaximalIndependentAxions) return table->AxionCount = -1;
  table->AxionCount = table->independent;
  if (countOnly) return table->AxionCount;
  // Reduce to the independent axions and order by increasing norm (stored basis first).
  std::vector<std::vector<double>> reduced(rows.size(), std::vector<double>(independent.size()));
  std::vector<double> norm(rows.size(), 0.0);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t k = 0; k < independent.size(); ++k) {
      reduced[r][k] = rows[r][static_cast<std::size_t>(independent[k])];
      norm[r] += reduced[r][k] * reduced[r][k];
    }
  std::vector<int> order(rows.size());
  for (std::size_t r = 0; r < order.size(); ++r) order[r] = static_cast<int>(r);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return norm[static_cast<std::size_t>(x)] < norm[static_cast<std::size_t>(y)] - kAxionTolerance;
  });
  std::vector<int> basis;
  if (stored != nullptr && !AX_validStoredBasis(*stored, table->AxionCount, static_cast<int>(rows.size())))
    Alert("readAxionBasis", 1, 100202, "Stored axion basis does not fit; it is recomputed");
  if (stored != nullptr && AX_validStoredBasis(*stored, table->AxionCount, static_cast<int>(rows.size()))) {
    std::vector<int> front;
    for (int s : *stored) front.push_back(order[static_cast<std::size_t>(s)]);
    std::vector<int> rest;
    for (int r : order)
      if (std::find(front.begin(), front.end(), r) == front.end()) rest.push_back(r);
    order = front;
    order.insert(order.end(), rest.begin(), rest.end());
    for (std::size_t k = 0; k < front.size(); ++k) basis.push_back(static_cast<int>(k));
  }
  std::vector<int> newIndex(rows.size());
  table->rows.clear();
  for (std::size_t i = 0; i < order.size(); ++i) {
    newIndex[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    table->rows.push_back(reduced[static_cast<std::size_t>(order[i])]);
  }
  for (int& entry : table->AxionBoundaryMap) {
    if (entry == 0) continue;
    const int r = newIndex[static_cast<std::size_t>(std::abs(entry) - 1)] + 1;
    entry = entry > 0 ? r : -r;
  }
  table->rowBoundary.assign(table->rows.size(), 0);
  for (int b = 0; b < boundaries; ++b) {
    const int entry = table->AxionBoundaryMap[static_cast<std::size_t>(b)];
    if (entry == 0) continue;
    int& first = table->rowBoundary[static_cast<std::size_t>(std::abs(entry) - 1)];
    if (first == 0) first = entry > 0 ? b + 1 : -(b + 1);
  }
  const int found = AX_computeCharges(table->rows, &basis, &table->AxionCharges, &table->retries);
  if (found != 1) {
    table->AxionCharges.clear();
    return table->AxionCount = found < 0 ? -1 : -2;
  }
  table->AxionBasis = basis;
  table->AxionCount = static_cast<int>(basis.size());
  return table->AxionCount;
}

// ---------------------------------------------------------------------------------------
// The current orientifold

int axionInfo(int field, int* s, int* t) {
  const std::array<int, 4> rep = getRepInfo(field);
  if (s != nullptr) *s = rep[1];
  if (t != nullptr) *t = rep[2];
  return masslessCharacter(field, 0) != 0 && (rep[1] >= 1 || rep[2] >= 1) ? 1 : 0;
}

int axionCheck(int field) { return axionInfo(field, nullptr, nullptr); }

const std::vector<int>& getAxionList(int mode) {
  AxionState& s = state();
  if (mode == 1) return s.axionList;
  getWittenIndices();
  s.axionList.clear();
  const int total = TotalIshibashi();
  for (int m = 0; m < total; ++m)
    if (axionCheck(getIshibashiField(m))) s.axionList.push_back(m);
  return s.axionList;
}

namespace {

// The tensor file identifier of the current theory: that of the tensor product in tensor
// mode, 0 for a single algebra (and -1 for one beyond an int).
int currentTensorIdentifier() {
  if (KMCosetSwitch == 0) return 0;
  const std::int64_t identifier = fileIdentifier();
  return identifier >= 0 && identifier <= INT_MAX ? static_cast<int>(identifier) : -1;
}

std::string basisFileName() { return std::to_string(state().tensorIdentifier) + ".basis"; }

void explainMissingBasis(const std::string& path) {
  AxionState& s = state();
  if (s.explanationShown) {
    Print("\n >>>>>>>>  Explanation: see first occurrence of similar data  <<<<<<<<\n");
    return;
  }
  s.explanationShown = true;
  Print("\n >>>>>>>>  The following explanation is shown only once per run. <<<<<<<<\n\n");
  Print(">>> Cannot read axion basis from file %s.\n", path.c_str());
  Print(">>> It will be recomputed. This is more time-consuming\n");
  Print(">>> and may fail in a very small number of cases.\n");
  Print(">>> If succesful, the result will be written to %s.\n", (getOutputDir() + basisFileName()).c_str());
  Print(">>> This message will not be repeated during this run.\n");
}

// R(m, b) of the current orientifold for every axion label m.
std::vector<std::complex<double>> reflectionsOf(const std::vector<int>& axions, int b) {
  std::vector<std::complex<double>> r;
  r.reserve(axions.size());
  for (int m : axions) {
    double re = 0, im = 0;
    getCurrentReflectionCoefficient(m, b, &re, &im);
    r.emplace_back(re, im);
  }
  return r;
}

// The couplings c_k(b) = R(m_k, b) - R(m_k, b*) of every boundary. A boundary that is its
// own image couples to nothing (each difference is exactly 0); a pair b, b* is read once,
// its two rows being each other's negatives (x - y = -(y - x) exactly in floating point).
std::vector<std::vector<std::complex<double>>> boundaryCouplings(const std::vector<int>& axions, int boundaries) {
  std::vector<std::vector<std::complex<double>>> couplings(static_cast<std::size_t>(boundaries));
  for (int b = 0; b < boundaries; ++b) {
    obeyInterruptRequest();
    const int image = BoundaryConjugate(b);
    auto& row = couplings[static_cast<std::size_t>(b)];
    if (image == b) {
      row.assign(axions.size(), std::complex<double>(0.0, 0.0));
      continue;
    }
    const bool paired = image >= 0 && image < boundaries && BoundaryConjugate(image) == b;
    if (paired && image < b) continue;  // made with its partner
    const std::vector<std::complex<double>> own = reflectionsOf(axions, b);
    if (image < 0) {
      row = own;
      continue;
    }
    const std::vector<std::complex<double>> other = reflectionsOf(axions, image);
    row.reserve(axions.size());
    for (std::size_t k = 0; k < own.size(); ++k)
      row.emplace_back(own[k].real() - other[k].real(), own[k].imag() - other[k].imag());
    if (!paired) continue;
    auto& partner = couplings[static_cast<std::size_t>(image)];
    partner.reserve(axions.size());
    for (std::size_t k = 0; k < own.size(); ++k)
      partner.emplace_back(other[k].real() - own[k].real(), other[k].imag() - own[k].imag());
  }
  return couplings;
}

std::vector<int> hodgeNumbers() {
  std::vector<int> info = getHeteroticSpectrumInfo();
  if (info.size() < 3) info.resize(3, 0);
  return info;
}

}  // namespace

int readAxionBasis(std::vector<int>* stored) {
  AxionState& s = state();
  stored->clear();
  s.basisRead = false;
  const std::string home = usableHomeFolder();
  const std::string path = home + "/AxionBases/" + basisFileName();
  FILE* file = home.empty() ? nullptr : std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    explainMissingBasis(path);
    Print("No axion basis file found\n");
    return 0;
  }
  Print("Reading axion basis from file %s\n", path.c_str());
  char line[8192];
  int found = 0;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (line[0] == '\n' || line[0] == '\0') break;
    char* cursor = line;
    char* end = nullptr;
    const long mipf = std::strtol(cursor, &end, 10);
    if (end == cursor) break;
    cursor = end;
    const long ori = std::strtol(cursor, &end, 10);
    if (end == cursor) continue;
    if (mipf != s.MIPF || ori != s.orientifold) continue;
    cursor = end;
    s.basisRead = true;
    found = 1;
    for (;;) {
      const long x = std::strtol(cursor, &end, 10);
      if (end == cursor) break;
      stored->push_back(static_cast<int>(x));
      cursor = end;
    }
    if (!stored->empty() && stored->front() < 0) stored->clear();
    break;
  }
  std::fclose(file);
  return found;
}

void writeAxionBasis() {
  AxionState& s = state();
  if (searchSetting("SM_search write") == 0 || s.basisRead) return;
  const std::string path = getOutputDir() + basisFileName();
  FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) {
    Alert("writeAxionBasis", 0, 100202, "Could not open file \"%s\"", path.c_str());
    return;
  }
  const int count = s.table.AxionCount;
  if (count >= 1) {
    std::fprintf(file, "%5d %3d ", s.MIPF, s.orientifold);
    for (int r : s.table.AxionBasis) std::fprintf(file, "%6d", r);
    std::fprintf(file, "\n");
  } else if (count == 0) {
    std::fprintf(file, "%5d %3d\n", s.MIPF, s.orientifold);
  } else {
    std::fprintf(file, "%5d %3d %d\n", s.MIPF, s.orientifold, count);
  }
  std::fclose(file);
}

void AX_printCaseLine(int tensor, int MIPF, int orientifold, const std::vector<int>& summary) {
  const int h21 = summary.size() > 1 ? summary[1] : 0;
  const int h11 = summary.size() > 2 ? summary[2] : 0;
  Print("Tensor %10d MIPF %5d Orientifold %3d; Hodge numbers (h_11,h_21)=(%d,%d)\n", tensor, MIPF, orientifold, h11,
        h21);
}

void getIndependentAxionBoundaries(int mode) {
  AxionState& s = state();
  if (s.stampOrientifold == QueryOrientifold() && s.stampBulk == QueryBulkInvariant()) return;
  OrientifoldInfo* current = getCurrentOrientifold();
  if (current == nullptr || current->listPosition < 0) {
    Alert("getIndependentAxionBoundaries", 1, 112201, "Orientifolds not initialized; Choosing orientifold 0");
    initializeOpenString();
    loadOrientifolds();
    setStoredOrientifold(0);
    current = getCurrentOrientifold();
  }
  // The set-up above may have moved the counters; the data belong to the state after it.
  const int orientifoldStamp = QueryOrientifold();
  const int bulkStamp = QueryBulkInvariant();
  s.orientifold = current != nullptr ? current->listPosition : -1;
  // The data, their printed lines and the basis file belong to the theory current now,
  // whatever identifier an earlier command set.
  s.tensorIdentifier = currentTensorIdentifier();
  BulkInvariant** bulk = getCurrentBulk();
  s.MIPF = bulk != nullptr && *bulk != nullptr ? MIPFIdentifier(*bulk) : -1;
  SM.orientifold = s.orientifold;
  const std::vector<int>& axions = getAxionList(0);
  const std::vector<int> hodge = hodgeNumbers();
  PrintBannerWithText('-', "\n    Axions for this orientifold");
  AX_printCaseLine(s.tensorIdentifier, s.MIPF, s.orientifold, hodge);
  const int boundaries = TotalBoundaries();
  s.table = AxionTable();
  s.table.AxionBoundaryMap.assign(static_cast<std::size_t>(std::max(boundaries, 0)), 0);
  if (axions.empty()) {
    Print("No axions (Tensor %d, MIPF %d)\n", s.tensorIdentifier, s.MIPF);
    s.stampOrientifold = orientifoldStamp;
    s.stampBulk = bulkStamp;
    return;
  }
  if (static_cast<int>(axions.size()) > kMaximalAxions) {
    Print("Too many real axions (%d > %d)\n", static_cast<int>(axions.size()), kMaximalAxions);
    s.table.AxionCount = -1;
    return;
  }
  Print("Total number of axions (including conjugates): %d\n", static_cast<int>(axions.size()));
  const std::vector<std::vector<std::complex<double>>> couplings = boundaryCouplings(axions, boundaries);
  AxionTable counted;
  AX_buildTable(couplings, &counted, true, nullptr);
  if (counted.AxionCount < 0) {
    if (counted.independent > kMaximalIndependentAxions)
      Print(" Too many axions (total %d). Tensor %d, MIPF %d\n", counted.independent, s.tensorIdentifier, s.MIPF);
    else
      Print("Complex axion coupling after removing phase. Tensor %d, MIPF %d\n", s.tensorIdentifier, s.MIPF);
    s.table = counted;
    return;
  }
  Print("Total number of independent axions: %d\n", counted.AxionCount);
  if (mode == 1) {
    s.table = counted;
    return;
  }
  s.stampOrientifold = orientifoldStamp;
  s.stampBulk = bulkStamp;
  if (counted.AxionCount == 0) {
    s.table = counted;
    Print("%s\n", std::string(61, '-').c_str());
    return;
  }
  std::vector<int> stored;
  readAxionBasis(&stored);
  AX_buildTable(couplings, &s.table, false, stored.empty() ? nullptr : &stored);
  if (s.table.AxionCount >= 0) {
    Print("All axion coefficients are integer after %d retries (%d axions)\n", s.table.retries, s.table.AxionCount);
    writeAxionBasis();
  } else if (s.table.AxionCount == -2) {
    Print("Irrational axion coefficients; no integral basis found\n");
    writeAxionBasis();
  } else {
    Alert("getIndependentAxionBoundaries", 2, 100202, "Irrational dot product");
  }
  Print("%s\n", std::string(61, '-').c_str());
}

int getAxionCount() {
  getIndependentAxionBoundaries(0);
  return state().table.AxionCount;
}

std::vector<int> getAxionChargesForBoundary(int b) {
  const AxionTable& t = state().table;
  const int count = std::max(t.AxionCount, 0);
  std::vector<int> q(static_cast<std::size_t>(count), 0);
  if (b < 0 || b >= static_cast<int>(t.AxionBoundaryMap.size())) return q;
  const int entry = t.AxionBoundaryMap[static_cast<std::size_t>(b)];
  if (entry == 0 || t.AxionCharges.empty()) return q;
  const auto& row = t.AxionCharges[static_cast<std::size_t>(std::abs(entry) - 1)];
  for (int k = 0; k < count && k < static_cast<int>(row.size()); ++k)
    q[static_cast<std::size_t>(k)] = entry > 0 ? row[static_cast<std::size_t>(k)] : -row[static_cast<std::size_t>(k)];
  return q;
}

void printAxionChargesForBoundary(int b) {
  const AxionTable& t = state().table;
  const int entry = b >= 0 && b < static_cast<int>(t.AxionBoundaryMap.size()) ? t.AxionBoundaryMap[static_cast<std::size_t>(b)] : 0;
  if (entry == 0) {
    Print("This boundary has zero charge\n");
    return;
  }
  const std::vector<int> q = getAxionChargesForBoundary(b);
  if (entry > 0) Print("Boundary %5d (label %5d), charges:      ", b, entry - 1);
  else Print("Boundary %5d (label %5d), charges: -1 x ", b, -entry - 1);
  for (int x : q) Print(" %d", x);
  Print("\n");
}

void AX_printCountSummary(int count, const std::vector<std::pair<int, int>>& axionSignatures, FILE* file,
                          std::string record, int tensor, int MIPF) {
  std::map<std::pair<int, int>, int> signatures;
  for (const auto& pair : axionSignatures) ++signatures[pair];
  int lower = 0, upper = 0;
  for (const auto& [pair, n] : signatures) {
    Print("%3d x (%d,%d)\n", n, pair.first, pair.second);
    if (file != nullptr) {
      char text[48];
      std::snprintf(text, sizeof text, "%3d x (%d,%d)   ", n, pair.first, pair.second);
      record += text;
    }
    if (pair.first >= 1 && pair.second == 0) {
      lower += n;
      upper += n;
    }
    if (pair.first == pair.second) upper += n / 2;
    if (pair.first != 0 && pair.second != 0 && pair.first != pair.second)
      Print("Unusual axion sector. Tensor %d, MIPF %d\n", tensor, MIPF);
  }
  const int axions = static_cast<int>(axionSignatures.size());
  Print("Total number of independent boundaries: %d (for %d axions and their conjugates)\n", count, axions);
  if (count == axions) Print(" **** COMPLETE SET ****\n");
  Print("Axion boundary estimate: %d <= %d <= %d\n", lower, count, upper);
  if (file != nullptr) {
    if (record.size() < 80) record.append(80 - record.size(), ' ');
    else record += ' ';
    std::fprintf(file, "%s   %2d <= %2d <= %2d\n", record.c_str(), lower, count, upper);
  }
  if (count < lower || count > upper) Print("Count Violation. Tensor %d, MIPF %d\n", tensor, MIPF);
}

void printAxionInformation(FILE* file) {
  AxionState& s = state();
  getIndependentAxionBoundaries(0);
  if (s.table.AxionCount == -1) return;
  const std::vector<int> hodge = hodgeNumbers();
  Print("\nAxion Summary\n");
  AX_printCaseLine(s.tensorIdentifier, s.MIPF, s.orientifold, hodge);
  std::string record;
  if (file != nullptr) {
    // The record keeps the order of the data files, (h_21, h_11), which readers expect.
    char head[96];
    std::snprintf(head, sizeof head, "%10d %5d %3d (%3d,%-3d)    ", s.tensorIdentifier, s.MIPF, s.orientifold,
                  hodge[1], hodge[2]);
    record = head;
  }
  std::vector<std::pair<int, int>> signatures;
  for (int m : s.axionList) {
    int a = 0, b = 0;
    axionInfo(getIshibashiField(m), &a, &b);
    signatures.emplace_back(a, b);
  }
  AX_printCountSummary(s.table.AxionCount, signatures, file, record, s.tensorIdentifier, s.MIPF);
  const int boundaries = static_cast<int>(s.table.AxionBoundaryMap.size());
  for (int b = 0; b < boundaries; ++b) {
    if ((b & 255) == 0) obeyInterruptRequest();
    printAxionChargesForBoundary(b);
  }
}

const AxionTable& getAxionTable() { return state().table; }

void resetAxions() { state() = AxionState(); }

int AX_firstChargeMismatch(const std::vector<std::complex<double>>& target, const std::vector<int>& charges,
                           const std::vector<int>& signs,
                           const std::vector<std::vector<std::complex<double>>>& basis) {
  for (std::size_t m = 0; m < target.size(); ++m) {
    std::complex<double> sum(0.0, 0.0);
    for (std::size_t k = 0; k < charges.size() && k < signs.size() && k < basis.size(); ++k)
      if (m < basis[k].size()) sum += static_cast<double>(charges[k] * signs[k]) * basis[k][m];
    const std::complex<double> d = target[m] - sum;
    if (std::fabs(d.real()) + std::fabs(d.imag()) > kAxionTolerance) return static_cast<int>(m);
  }
  return -1;
}

int CheckBoundaryTadpoleCharges(int b) {
  if (b < 0 || BoundaryConjugate(b) == b) return 1;
  getIndependentAxionBoundaries(0);
  const AxionTable& t = state().table;
  if (t.AxionCount <= 0 || b >= static_cast<int>(t.AxionBoundaryMap.size())) return 1;
  const std::vector<int>& axions = getAxionList(1);
  auto couplingsOf = [&axions](int x) {
    std::vector<std::complex<double>> row;
    const int image = BoundaryConjugate(x);
    for (int m : axions) {
      double re = 0, im = 0, reImage = 0, imImage = 0;
      getCurrentReflectionCoefficient(m, x, &re, &im);
      if (image >= 0) getCurrentReflectionCoefficient(m, image, &reImage, &imImage);
      row.emplace_back(re - reImage, im - imImage);
    }
    return row;
  };
  std::vector<int> signs;
  std::vector<std::vector<std::complex<double>>> basis;
  for (int row : t.AxionBasis) {
    const int first = row >= 0 && static_cast<std::size_t>(row) < t.rowBoundary.size()
                          ? t.rowBoundary[static_cast<std::size_t>(row)]
                          : 0;
    const int representative = first == 0 ? -1 : std::abs(first) - 1;
    const int sign = first == 0 ? 0 : (first > 0 ? 1 : -1);
    signs.push_back(sign);
    basis.push_back(representative >= 0 ? couplingsOf(representative) : std::vector<std::complex<double>>());
  }
  const std::vector<int> charges = getAxionChargesForBoundary(b);
  const std::vector<std::complex<double>> target = couplingsOf(b);
  const int m = AX_firstChargeMismatch(target, charges, signs, basis);
  if (m < 0) return 1;
  std::complex<double> sum(0.0, 0.0);
  for (std::size_t k = 0; k < charges.size() && k < basis.size(); ++k)
    if (static_cast<std::size_t>(m) < basis[k].size())
      sum += static_cast<double>(charges[k] * signs[k]) * basis[k][static_cast<std::size_t>(m)];
  const std::complex<double> value = target[static_cast<std::size_t>(m)];
  Print("Different results: (%20.15f,%20.15f)   <--->  (%20.15f,%20.15f)\n", value.real(), value.imag(), sum.real(),
        sum.imag());
  // A wrong charge would corrupt every later mass and symmetry result: report, don't exit.
  Alert("CheckBoundaryTadpoleCharges", 1, 212404, "Axion charges of boundary %d do not reproduce its couplings", b);
  return 0;
}
