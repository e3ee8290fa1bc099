// Building, printing and combining invariant matrices: explicit and conjugation invariants,
// transposes, conjugates and products, and the text of one row for the spectrum tables.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <vector>

#include "groups/Discrete.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

struct InvariantMatricesState {
  // Scratch record of the transpose; handed out by pointer and rebuilt on every call.
  std::unique_ptr<BulkInvariant> Reflected;
};

InvariantMatricesState& matricesState() {
  static InvariantMatricesState s;
  return s;
}

int autostoreOn() {
  const int* p = getIntParPointer("Autostore");
  return p == nullptr ? 0 : *p;
}

// The rows of a record of the current theory (one while no spectrum is computed).
int currentRowCount() {
  const int n = knownPrimaryCount();
  return n < 1 ? 1 : n;
}

// Writes rows into bi, sizing the record for all of them first. rows[i] empty or mult[i] 0
// gives an empty row.
void fillRows(BulkInvariant* bi, const std::vector<std::vector<int>>& rows,
              const std::vector<int>& mult) {
  const int n = static_cast<int>(rows.size());
  long long needed = 0;
  for (const auto& r : rows) needed += static_cast<long long>(r.size());
  if (needed > INT_MAX / 2) {
    Alert("fillRows", 0, 120505, "Storage overflow in modular invariant data");
    needed = 0;
  }
  allocBulkInvariantData(bi, n, static_cast<int>(needed));
  if (bi->n_rows != n) return;  // refused size: the one-row record stays
  int* partners = bi->algebra + n;
  int used = 0;
  for (int i = 0; i < n; ++i) {
    if (rows[i].empty() || mult[i] == 0) continue;
    std::copy(rows[i].begin(), rows[i].end(), partners + used);
    bi->orbits[i] = partners + used;
    bi->count[i] = static_cast<int>(rows[i].size());
    bi->mult[i] = mult[i];
    used += bi->count[i];
  }
  bi->vacuum_row = bi->orbits[0];
}

// The algebra area holds n entries; more are refused with an alert rather than written.
void setAlgebra(BulkInvariant* bi, const std::vector<int>& algebra) {
  int k = static_cast<int>(algebra.size());
  if (k > bi->n_rows) {
    Alert("setAlgebra", 0, 120505, "Storage overflow in modular invariant data");
    k = bi->n_rows;
  }
  std::copy(algebra.begin(), algebra.begin() + k, bi->algebra);
  bi->algebra_count = k;
}

// Every asymmetric pair has a non-zero entry on one side: walking the partner lists finds it
// in time of their length, not N^2.
bool equalsTranspose(const BulkInvariant* bi) {
  const int n = bi->n_rows;
  for (int i = 0; i < n; ++i) {
    if (bi->orbits[i] == nullptr) continue;
    for (int k = 0; k < bi->count[i]; ++k) {
      const int j = bi->orbits[i][k];
      if (j == i || (k > 0 && bi->orbits[i][k - 1] == j)) continue;
      if (bulkEntry(bi, i, j) != bulkEntry(bi, j, i)) return false;
    }
  }
  return true;
}

std::vector<int> rowList(const BulkInvariant* bi, int i) {
  if (bi->orbits[i] == nullptr || bi->count[i] <= 0) return {};
  return std::vector<int>(bi->orbits[i], bi->orbits[i] + bi->count[i]);
}

}  // namespace

void resetInvariantMatrices() { matricesState().Reflected.reset(); }

std::string buildRepString(const int* list, int n) {
  std::string text = "(";
  char buffer[40];
  for (int k = 0; k < n;) {
    int run = 1;
    while (k + run < n && list[k + run] == list[k]) ++run;
    if (run >= 2) {
      std::snprintf(buffer, sizeof buffer, "%d*%d+", run, list[k]);
    } else {
      std::snprintf(buffer, sizeof buffer, "%d+", list[k]);
    }
    text += buffer;
    k += run;
  }
  if (text.size() > 1) {
    text.back() = ')';
  } else {
    text += ')';
  }
  return text;
}

bool getBulkInvariantString(std::string& cell, const void* /*ignored*/, int i) {
  const BulkInvariant* bi = *getCurrentBulk();
  if (bi == nullptr || i < 0 || i >= bi->n_rows) {
    cell = " - ";
    return true;
  }
  if (bi->diagonal) {
    cell = "(" + std::to_string(i) + ")";
    return true;
  }
  if (bi->orbits[i] == nullptr || bi->count[i] <= 0 || bi->mult[i] == 0) {
    cell = " - ";
    return true;
  }
  cell.clear();
  if (bi->mult[i] >= 2) cell = std::to_string(bi->mult[i]) + "*";
  cell += buildRepString(bi->orbits[i], bi->count[i]);
  return true;
}

int removeRedundancy(int* list, int n, int* g) {
  std::map<int, int> counts;
  for (int k = 0; k < n; ++k) ++counts[list[k]];
  int d = 0;
  for (const auto& [value, c] : counts) d = std::gcd(d, c);
  *g = d;
  if (d == 0) {
    Alert("removeRedundancy", 0, 212404, "Unexpected vanishing divisor");
    return 0;
  }
  int k = 0;
  for (const auto& [value, c] : counts) {
    for (int r = 0; r < c / d; ++r) list[k++] = value;
  }
  return k;
}

int LabelCount(const BulkInvariant* bi) {
  if (bi->diagonal) return bi->n_rows;
  int total = 0;
  for (int i = 0; i < bi->n_rows; ++i) {
    if (bi->orbits[i] == nullptr) continue;
    const int occurrences = static_cast<int>(std::count(bi->orbits[i], bi->orbits[i] + bi->count[i], i));
    total += occurrences * std::max(bi->mult[i], 0);
  }
  return total;
}

void makeExceptional(BulkInvariant* bi) {
  if (bi != nullptr) bi->simple_current = 0;
}

void setDiagonalInvariant(BulkInvariant* bi) {
  resetBulkInvariant(bi);
  bi->MD->mipf_number = 0;
  bi->MD->subgroup_label = 0;
}

namespace {

// The non-zero entries (column, value) of row i by increasing column.
using RowEntries = std::vector<std::pair<int, int>>;
using RowReader = std::function<void(int i, RowEntries& out)>;

// makeExceptionalBulkInvariant for a matrix of n rows read row by row: the partner lists are
// counted and made first, with Ctrl-C obeyed row by row, and bi is reset and written only
// when they are complete.
bool buildExceptionalRecord(int n, const RowReader& readRow, BulkInvariant* bi, int store,
                            int show) {
  RowEntries entries;
  long double needed = 0;
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    readRow(i, entries);
    int g = 0;
    for (const auto& [j, m] : entries) g = std::gcd(g, std::abs(m));
    for (const auto& [j, m] : entries) needed += std::abs(m) / g;
  }
  // The lists made here and their copy in the record.
  if (!requireAllocationSize("makeExceptionalBulkInvariant", "The partner lists of the invariant",
                             2.0L * needed, sizeof(int)))
    return false;
  std::vector<std::vector<int>> rows(static_cast<size_t>(n));
  std::vector<int> mult(static_cast<size_t>(n), 0);
  std::vector<int> algebra;
  for (int i = 0; i < n; ++i) {
    obeyInterruptRequest();
    readRow(i, entries);
    int g = 0;
    for (const auto& [j, m] : entries) g = std::gcd(g, std::abs(m));
    mult[i] = g;
    if (g == 0) continue;
    for (const auto& [j, m] : entries) rows[i].insert(rows[i].end(), std::abs(m) / g, j);
    if (!entries.empty() && entries[0].first == 0 && entries[0].second > 0)
      algebra.insert(algebra.end(), static_cast<size_t>(entries[0].second), i);
  }
  resetBulkInvariant(bi);
  // The record has a row per field of the current theory; rows the matrix lacks stay empty.
  rows.resize(static_cast<size_t>(bi->n_rows));
  mult.resize(static_cast<size_t>(bi->n_rows), 0);
  fillRows(bi, rows, mult);
  setAlgebra(bi, algebra);
  bi->simple_current = 0;
  bi->conjugation = 0;
  bi->diagonal = 0;
  bi->reserved[0] = bi->reserved[1] = bi->reserved[2] = -1;
  bi->ishibashi_count = LabelCount(bi);
  bi->symmetric = equalsTranspose(bi) ? 1 : 0;
  if (show == 1) {
    if (store == 0) Print("\nModular invariant partition function: \n");
    printBulkInvariant(bi, 0);
    Print("\n");
  }
  if (store == 1 && autostoreOn()) storeBulkInvariant(nullptr, bi, 1, 1);
  return true;
}

}  // namespace

int SparseMassMatrix::at(int a, int b) const {
  const auto it = entries.find({a, b});
  return it == entries.end() ? 0 : it->second;
}

bool makeExceptionalBulkInvariant(const int* M, BulkInvariant* bi, int store, int show) {
  if (bi == nullptr) return false;
  // The matrix is N x N for the N fields of the current theory, the rows of the record.
  const int n = currentRowCount();
  const RowReader readRow = [M, n](int i, RowEntries& out) {
    out.clear();
    const int* row = M + static_cast<size_t>(i) * static_cast<size_t>(n);
    for (int j = 0; j < n; ++j) {
      if (row[j] != 0) out.emplace_back(j, row[j]);
    }
  };
  return buildExceptionalRecord(n, readRow, bi, store, show);
}

bool makeExceptionalBulkInvariant(const SparseMassMatrix& M, BulkInvariant* bi, int store,
                                  int show) {
  if (bi == nullptr) return false;
  const RowReader readRow = [&M](int i, RowEntries& out) {
    out.clear();
    for (auto it = M.entries.lower_bound({i, 0}); it != M.entries.end() && it->first.first == i;
         ++it) {
      if (it->second != 0) out.emplace_back(it->first.second, it->second);
    }
  };
  return buildExceptionalRecord(M.n, readRow, bi, store, show);
}

void setConjugationInvariant() {
  resetBulk();
  BulkInvariant* bi = *getCurrentBulk();
  if (bi == nullptr) return;
  bi->simple_current = 0;
  bi->conjugation = 1;
  bi->symmetric = 1;
  bi->reserved[0] = bi->reserved[1] = bi->reserved[2] = -1;
  // The diagonal record holds one partner per row, each in its own slot.
  for (int i = 0; i < bi->n_rows; ++i) {
    if (bi->orbits[i] != nullptr) bi->orbits[i][0] = getConjugate(i);
  }
  bi->diagonal = 0;
  bi->ishibashi_count = LabelCount(bi);
  bulkInvariantChanged();
  if (autostoreOn()) storeBulkInvariant(nullptr, bi, 1, 1);
}

void conjugateBulkInvariant(BulkInvariant* bi) {
  if (bi == nullptr) return;
  if (bi->conjugation) {
    bi->diagonal = 1;
    bi->simple_current = 1;
    bi->conjugation = 0;
    if (bi->MD) {
      bi->MD->group = DG_trivial();
      bi->MD->generators.assign(1, 0);
      bi->MD->n_generators = 0;
    }
  } else {
    // The conjugate of the diagonal invariant is the conjugation one, flagged as
    // setConjugationInvariant flags it: its rows hold partners only, no current lists.
    if (bi->diagonal) bi->simple_current = 0;
    bi->conjugation = bi->diagonal;
    bi->diagonal = 0;
  }
  // Rows of one orbit may share a list: each list is conjugated once.
  std::set<const int*> done;
  for (int i = 0; i < bi->n_rows; ++i) {
    int* list = bi->orbits[i];
    if (list == nullptr || !done.insert(list).second) continue;
    for (int k = 0; k < bi->count[i]; ++k) list[k] = getConjugate(list[k]);
    std::sort(list, list + bi->count[i]);
  }
}

BulkInvariant* reflectBulkInvariant(BulkInvariant* bi) {
  if (bi == nullptr) return nullptr;
  if (bi->symmetric == 1) return bi;
  const int n = bi->n_rows;
  std::vector<std::vector<int>> columns(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (bi->orbits[i] == nullptr) continue;
    for (int k = 0; k < bi->count[i]; ++k) {
      const int j = bi->orbits[i][k];
      if (j < 0 || j >= n) continue;
      for (int r = 0; r < bi->mult[i]; ++r) columns[j].push_back(i);
    }
  }
  std::vector<int> mult(static_cast<size_t>(n), 0);
  for (int j = 0; j < n; ++j) {
    if (columns[j].empty()) continue;
    int g = 0;
    const int length = removeRedundancy(columns[j].data(), static_cast<int>(columns[j].size()), &g);
    if (g == 0) {
      Alert("reflectBulkInvariant", 0, 112415, "Unexpected division by zero");
      return nullptr;
    }
    columns[j].resize(static_cast<size_t>(length));
    mult[j] = g;
  }
  auto& scratch = matricesState().Reflected;
  if (!scratch) scratch = allocNewBulkInvariant(nullptr);
  BulkInvariant* out = scratch.get();
  fillRows(out, columns, mult);
  out->diagonal = 0;
  out->conjugation = 0;
  out->simple_current = bi->simple_current;
  out->ishibashi_count = bi->ishibashi_count;
  out->symmetric = 0;
  out->reserved[0] = out->reserved[1] = out->reserved[2] = -1;
  setAlgebra(out, rowList(bi, 0));
  out->algebra_count = std::min(out->algebra_count, out->count[0]);
  return out;
}

std::unique_ptr<BulkInvariant> multiplyBulkInvariantRecords(BulkInvariant* a, BulkInvariant* b,
                                                            int* status) {
  *status = 1;
  if (a == nullptr || b == nullptr) return nullptr;
  if (a->n_rows != b->n_rows) {
    Alert("multiplyBulkInvariants", 0, 120505, "Storage overflow in modular invariant data");
    return nullptr;
  }
  const int n = a->n_rows;
  std::vector<std::vector<int>> rows(static_cast<size_t>(n));
  std::vector<int> mult(static_cast<size_t>(n), 0);
  std::vector<int> algebra;
  int D = 0;
  for (int i = 0; i < n; ++i) {
    if (a->orbits[i] == nullptr || a->mult[i] == 0) continue;
    const int* la = a->orbits[i];
    int d = 0;
    for (int k = 0; k < a->count[i]; ++k) {
      const int j = la[k];
      if (j < 0 || j >= n || b->orbits[j] == nullptr) continue;
      d = std::gcd(d, a->mult[i] * b->mult[j]);
    }
    if (d == 0) continue;
    std::vector<int> concatenation;
    for (int k = 0; k < a->count[i]; ++k) {
      const int j = la[k];
      if (j < 0 || j >= n || b->orbits[j] == nullptr) continue;
      const int copies = a->mult[i] * b->mult[j] / d;
      for (int r = 0; r < copies; ++r) {
        concatenation.insert(concatenation.end(), b->orbits[j], b->orbits[j] + b->count[j]);
      }
    }
    if (concatenation.empty()) continue;
    int g = 0;
    const int length =
        removeRedundancy(concatenation.data(), static_cast<int>(concatenation.size()), &g);
    concatenation.resize(static_cast<size_t>(length));
    mult[i] = d * g;
    D = std::gcd(D, mult[i]);
    for (int v : concatenation) {
      if (v == 0) algebra.push_back(i);
    }
    rows[i] = std::move(concatenation);
  }
  if (D == 0) {
    Alert("multiplyBulkInvariants", 1, 212404, "Vanishing multiplicity in modular invariant data");
    *status = -1;
    return nullptr;
  }
  for (int& m : mult) m /= D;
  auto product = allocNewBulkInvariant(nullptr);
  fillRows(product.get(), rows, mult);
  setAlgebra(product.get(), algebra);
  product->diagonal = a->diagonal * b->diagonal;
  product->simple_current = 0;
  product->conjugation = 0;
  product->reserved[0] = product->reserved[1] = product->reserved[2] = -1;
  const int zerosInRow0 = static_cast<int>(std::count(rows[0].begin(), rows[0].end(), 0));
  const int zerosInAlgebra = static_cast<int>(std::count(algebra.begin(), algebra.end(), 0));
  if (zerosInRow0 * zerosInAlgebra * mult[0] != 1) {
    Print("Invariant not normalizable\n");
    product->symmetric = -1;
    return product;
  }
  product->ishibashi_count = LabelCount(product.get());
  product->symmetric = equalsTranspose(product.get()) ? 1 : 0;
  *status = 0;
  return product;
}

int conjugateNamedBulkInvariant(const char* source, const char* name) {
  BulkInvariant* src = source != nullptr ? getBulkInvariantForUserInput(source) : *getCurrentBulk();
  if (src == nullptr) return 1;
  auto conjugate = allocNewBulkInvariant(nullptr);
  copyBulkInvariant(conjugate.get(), src);
  conjugateBulkInvariant(conjugate.get());
  BulkInvariant* stored =
      linkBulkInvariant(source != nullptr ? name : nullptr, std::move(conjugate), 1);
  if (stored == nullptr) return 1;
  if (source == nullptr) setCurrentBulkInvariant(stored);
  return 0;
}

int transposeNamedBulkInvariant(const char* source, const char* name) {
  BulkInvariant* src = source != nullptr ? getBulkInvariantForUserInput(source) : *getCurrentBulk();
  if (src == nullptr) return 1;
  BulkInvariant* transpose = reflectBulkInvariant(src);
  if (transpose == nullptr) return 1;
  if (storeBulkInvariant(source != nullptr ? name : nullptr, transpose, 1, 1) == nullptr) return 1;
  if (source == nullptr) {
    // The store holds the copy; the scratch record is rebuilt by the next transpose.
    BulkInvariant* stored = locateBulkInvariant(transpose);
    if (stored != nullptr && stored != src) setCurrentBulkInvariant(stored);
  }
  return 0;
}

int multiplyBulkInvariantPair(BulkInvariant* a, BulkInvariant* b, const char* name, int show) {
  if (a == nullptr || b == nullptr) return 1;
  int status = 1;
  std::unique_ptr<BulkInvariant> product = multiplyBulkInvariantRecords(a, b, &status);
  if (status == -1) return -1;
  if (!product) return 1;
  if (status == 1) {
    printBulkInvariant(product.get(), 0);
    return 1;
  }
  if (show == 1) printBulkInvariant(product.get(), 0);
  return linkBulkInvariant(name, std::move(product), 1) == nullptr ? 1 : 0;
}

namespace {

// A look-up by MIPF number (with "Autostore" OFF) builds the invariant into the one scratch
// record of the enumeration and makes it current. The guard keeps a whole copy of the
// current invariant and puts it back, so that a command that only reads invariants leaves
// the current one as it found it.
class CurrentInvariantKeeper {
 public:
  CurrentInvariantKeeper() : before_(*getCurrentBulk()), saved_(allocNewBulkInvariant(nullptr)) {
    copyWhole(saved_.get(), before_);
  }
  ~CurrentInvariantKeeper() {
    if (before_ == nullptr) return;
    const bool overwritten = compareBulkInvariants(before_, saved_.get()) != 0 ||
                             before_->MD->mipf_number != saved_->MD->mipf_number;
    if (overwritten) copyWhole(before_, saved_.get());
    if (overwritten || *getCurrentBulk() != before_) setCurrentBulkInvariant(before_);
  }
  CurrentInvariantKeeper(const CurrentInvariantKeeper&) = delete;
  CurrentInvariantKeeper& operator=(const CurrentInvariantKeeper&) = delete;

  static void copyWhole(BulkInvariant* dst, const BulkInvariant* src) {
    if (dst == nullptr || src == nullptr) return;
    copyBulkInvariant(dst, src);
    copySCDataWhole(dst->MD.get(), src->MD.get());
  }

 private:
  BulkInvariant* before_;
  std::unique_ptr<BulkInvariant> saved_;
};

}  // namespace

int multiplyBulkInvariants(const char* a, const char* b, const char* name, int show) {
  CurrentInvariantKeeper keeper;
  BulkInvariant* left = getBulkInvariantForUserInput(a);
  if (left == nullptr) return 1;
  // The right look-up may rebuild the very record the left one returned.
  auto leftCopy = allocNewBulkInvariant(nullptr);
  CurrentInvariantKeeper::copyWhole(leftCopy.get(), left);
  BulkInvariant* right = getBulkInvariantForUserInput(b);
  if (right == nullptr) return 1;
  return multiplyBulkInvariantPair(leftCopy.get(), right, name, show);
}

void closeBulkInvariantsUnderMultiplication(int show) {
  // The count is re-read after every product, so that new products join the loop.
  for (int i = 0; i < storedInvariantCount() && i <= 9999; ++i) {
    for (int j = 0; j < storedInvariantCount() && j <= 9999; ++j) {
      Print("Computing %d x %d \n", i, j);
      multiplyBulkInvariantPair(storedBulkInvariantAt(i), storedBulkInvariantAt(j), nullptr, show);
    }
  }
}
