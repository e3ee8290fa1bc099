// Vector utilities: printers, elementary operations, comparisons, complex vectors,
// IntList, flat storages, vector files and permutations. Vectors are caller-owned
// arrays; the only state is the "ran" buffer of ranVec, which only grows.
#include "collections/VectorUtility.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "collections/VectorUtilityInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"

namespace {

struct VectorUtilityState {
  WorkBuffer<double> random{"ran"};
};

VectorUtilityState& state() {
  static VectorUtilityState s;
  return s;
}

// The printVec line: label, two blanks, "(", "%d," ... "%d)\n".
std::string vectorLine(int n, const int* v, const char* label) {
  std::string line = formatText("%s  (", label);
  for (int i = 0; i < n - 1; ++i) line += formatText("%d,", v[i]);
  line += formatText("%d)\n", v[n - 1]);
  return line;
}

void writeToFile(std::FILE* file, const std::string& text) {
  if (file != nullptr) std::fwrite(text.data(), 1, text.size(), file);
}

std::string fixedWidthLine(int n, int width, const int* v, const char* label) {
  std::string line = formatText("%s  ", label);
  if (width >= 1 && width <= 8) {
    for (int i = 0; i < n; ++i) line += formatText(" %*d", width, v[i]);
  }
  line += "\n";
  return line;
}

// The printDoubleVec line with the given entry format ("%7.4f" and its kin).
std::string doubleVectorLine(int n, const double* x, const char* label, const char* format) {
  std::string line = formatText("%s (", label);
  std::string indent(std::strlen(label) + 2, ' ');
  for (int i = 0; i < n; ++i) {
    // 24 entries to a line; the last entry never starts a line of its own.
    if (i > 0 && i % 24 == 0 && i != n - 1) line += "\n" + indent;
    std::string entry = formatText(format, x[i]);
    line += entry;
    line += (i == n - 1) ? ")" : ",";
  }
  line += "\n";
  return line;
}

void printDoubleWithFormat(int n, const double* x, const char* label, const char* format) {
  if (n < 1) return;
  PrintStdout("%s", doubleVectorLine(n, x, label, format).c_str());
}

int sortAdjacent(int n, int* v, bool ascending) {
  int sign = 1;
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int i = 0; i + 1 < n; ++i) {
      bool outOfOrder = ascending ? v[i] > v[i + 1] : v[i] < v[i + 1];
      if (outOfOrder) {
        std::swap(v[i], v[i + 1]);
        sign = -sign;
        exchanged = true;
      }
    }
  }
  return sign;
}

// Re-points the raw fields of an IntList at its own block.
void pointAtBlock(IntList* L) {
  if (L->block.empty()) {
    L->list_true = nullptr;
    L->list = nullptr;
  } else {
    L->list_true = L->block.data();
    L->list = L->block.data() + 1;
  }
}

// Gives L a block of `entries` places (plus the two guards), keeping its entries.
void resizeList(IntList* L, std::int64_t entries) {
  std::size_t places = static_cast<std::size_t>(entries) + 2;
  if (L->block.size() < places) {
    L->block.reserve(places);
    L->block.resize(places, 0);
  }
  pointAtBlock(L);
  L->list_true[0] = GuardValues<int>::front();
  L->list_req = entries;
  L->list_size = entries;
}

void checkListGuards(const IntList* L) {
  if (L->list_true == nullptr) return;
  if (L->list_true[0] != GuardValues<int>::front()) reportBufferUnderflow("A->list");
  if (L->list[L->list_oldsize] != GuardValues<int>::back()) reportBufferOverflow("A->list");
}

std::FILE* openForAppending(const char* name) { return std::fopen(name, "a"); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Printers

void printVec(int n, const int* v, const char* label) {
  if (n < 1) return;
  PrintStdout("%s", vectorLine(n, v, label).c_str());
}

void printVecToFile(int n, const int* v, const char* label, std::FILE* file) {
  if (n < 1) return;
  writeToFile(file, vectorLine(n, v, label));
}

std::string& printVecToString(int n, const int* v, const char* label, std::string& text) {
  if (n >= 1) text += vectorLine(n, v, label);
  return text;
}

void printNormalizedVecToFile(int n, int norm, const int* v, const char* label, std::FILE* file) {
  if (n < 1) return;
  std::string line = formatText("%s  (", label);
  for (int i = 0; i < n - 1; ++i) line += formatText("%d,", v[i]);
  if (norm >= 2) {
    line += formatText("%d)/%d\n", v[n - 1], norm);
  } else {
    line += formatText("%d)\n", v[n - 1]);
  }
  writeToFile(file, line);
}

void printLongVec(int n, const long long* v, const char* label) {
  if (n < 1) return;
  std::string line = formatText("%s  (", label);
  for (int i = 0; i < n - 1; ++i) line += formatText("%lld,", v[i]);
  line += formatText("%lld)\n", v[n - 1]);
  PrintStdout("%s", line.c_str());
}

void printCharVec(int n, const signed char* v, const char* label) {
  if (n < 1) return;
  std::string line = formatText("%s  (", label);
  for (int i = 0; i < n - 1; ++i) line += formatText("%d,", v[i]);
  line += formatText("%d)\n", v[n - 1]);
  PrintStdout("%s", line.c_str());
}

void printNonZeroVec(int n, const int* v, const char* label) {
  if (n < 1) return;
  int last = 0;
  for (int i = 0; i < n; ++i) {
    if (v[i] != 0) last = i;
  }
  printVec(last + 1, v, label);
}

void printVecFixedWidth(int n, int width, const int* v, const char* label) {
  PrintStdout("%s", fixedWidthLine(n, width, v, label).c_str());
}

void printVecFixedWidthToFile(int n, int width, const int* v, const char* label, std::FILE* file) {
  writeToFile(file, fixedWidthLine(n, width, v, label));
}

namespace {
std::string vectorDataLine(int n, const int* v) {
  std::string line;
  for (int i = 0; i < n - 1; ++i) line += formatText("%5d ", v[i]);
  line += formatText("%5d\n", v[n - 1]);
  return line;
}
}  // namespace

void printVectorData(int n, const int* v) {
  if (n < 1) return;
  PrintStdout("%s", vectorDataLine(n, v).c_str());
}

void printVectorDataToFile(std::FILE* file, int n, const int* v) {
  if (n < 1) return;
  writeToFile(file, vectorDataLine(n, v));
}

void printSingleDigitVec(int n, const int* v) {
  if (n < 1) return;
  std::string line;
  for (int i = 0; i < n; ++i) line += formatText("%d", v[i]);
  line += "\n";
  PrintStdout("%s", line.c_str());
}

void writeVec(int n, std::FILE* file, const int* v) {
  std::string line;
  for (int i = 0; i < n; ++i) line += formatText("%d ", v[i]);
  line += "\n";
  writeToFile(file, line);
}

void printHistogram(int n, const int* v, const char* title) {
  if (n < 1) return;
  int last = 0;
  for (int i = 0; i < n; ++i) {
    if (v[i] != 0) last = i;
  }
  std::string text = formatText("%s\n", title);
  for (int i = 0; i <= last; ++i) text += formatText("%d %d\n", i, v[i]);
  PrintStdout("%s", text.c_str());
}

void printDoubleVec(int n, const double* x, const char* label) {
  printDoubleWithFormat(n, x, label, "%7.4f");
}

void printDoubleVecToFile(int n, const double* x, const char* label, std::FILE* file) {
  if (n < 1) return;
  writeToFile(file, doubleVectorLine(n, x, label, "%7.4f"));
}

void printDoubleVecHD(int n, const double* x, const char* label) {
  printDoubleWithFormat(n, x, label, "%15.10f");
}

void printDoubleVecXHD(int n, const double* x, const char* label) {
  printDoubleWithFormat(n, x, label, "%25.20f");
}

std::string NormalizedIntegerVectorString(int n, int width, int norm, const int* v) {
  if (norm <= 0) {
    Alert("NormalizedIntegerVectorString", 0, 112315, "Invalid norm: %d", norm);
    return "***";
  }
  if (width < 0) width = 0;
  std::size_t limit = static_cast<std::size_t>(width);
  std::int64_t divisor = norm;
  for (int i = 0; i < n; ++i) {
    if (v[i] != 0) divisor = vectorutility::gcd64(divisor, v[i]);
  }
  auto cut = [limit](std::string text) {
    if (text.size() > limit) text.resize(limit);
    return text;
  };
  std::string text = "(";
  for (int i = 0; i < n - 1; ++i) {
    text += formatText("%lld,", static_cast<long long>(v[i] / divisor));
  }
  if (text.size() > limit) {
    Alert("NormalizedIntegerVectorString", 1, 100201, "Length overflow");
    return cut(text);
  }
  if (n >= 1) text += formatText("%lld", static_cast<long long>(v[n - 1] / divisor));
  text += ")";
  if (text.size() > limit) {
    Alert("NormalizedIntegerVectorString", 2, 112315, "Length overflow");
    return cut(text);
  }
  if (norm / divisor >= 2) {
    text += formatText("/%lld", static_cast<long long>(norm / divisor));
    if (text.size() > limit) {
      Alert("NormalizedIntegerVectorString", 3, 112315, "Length overflow");
      return cut(text);
    }
  }
  text.resize(limit, ' ');
  return text;
}

// ---------------------------------------------------------------------------------------
// Elementary operations

void copyVec(int n, int* dst, const int* src) {
  if (n > 0) std::memmove(dst, src, static_cast<std::size_t>(n) * sizeof(int));
}

void copyDoubleVec(int n, double* dst, const double* src) {
  if (n > 0) std::memmove(dst, src, static_cast<std::size_t>(n) * sizeof(double));
}

void nullifyVec(int n, int* v) {
  for (int i = 0; i < n; ++i) v[i] = 0;
}

void nullifyDoubleVec(int n, double* x) {
  for (int i = 0; i < n; ++i) x[i] = 0.0;
}

void blankVec(int n, char* s) {
  for (int i = 0; i < n; ++i) s[i] = ' ';
}

void signFlip(int n, int* v) {
  for (int i = 0; i < n; ++i) v[i] = -v[i];
}

void addVec(int n, const int* a, const int* b, int* c) {
  for (int i = 0; i < n; ++i) c[i] = a[i] + b[i];
}

int vecSum(const int* v, int n) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += v[i];
  return sum;
}

int addVectorEntries(int n, const int* v) { return vecSum(v, n); }

int dotProd(const int* a, const int* b, int n) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += a[i] * b[i];
  return sum;
}

double dotProdD(const double* a, const double* b, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += a[i] * b[i];
  return sum;
}

double DoubleNorm(int n, const double* x) { return dotProdD(x, x, n); }

int getLeadingEntrySign(int n, const int* v) {
  for (int i = 0; i < n; ++i) {
    if (v[i] > 0) return 1;
    if (v[i] < 0) return -1;
  }
  return 0;
}

int zeroVectorCheck(int n, const int* v) {
  for (int i = 0; i < n; ++i) {
    if (v[i] != 0) return 0;
  }
  return 1;
}

int zeroDoubleVectorCheck(int n, const double* x) {
  for (int i = 0; i < n; ++i) {
    if (!ZeroCheck(x[i])) return 0;
  }
  return 1;
}

int NormalizeIntegerVector(int n, int* v) {
  int sign = getLeadingEntrySign(n, v);
  if (sign == 0) return 0;
  std::int64_t divisor = 0;
  for (int i = 0; i < n; ++i) divisor = vectorutility::gcd64(divisor, v[i]);
  divisor *= sign;
  for (int i = 0; i < n; ++i) v[i] = static_cast<int>(v[i] / divisor);
  return 1;
}

int NormalizeLongIntegerVector(int n, long long* v) {
  int sign = 0;
  for (int i = 0; i < n && sign == 0; ++i) sign = v[i] > 0 ? 1 : (v[i] < 0 ? -1 : 0);
  if (sign == 0) return 0;
  long long divisor = 0;
  for (int i = 0; i < n; ++i) divisor = GCD_LONG(divisor, v[i]);
  divisor *= sign;
  for (int i = 0; i < n; ++i) v[i] /= divisor;
  return 1;
}

int findMaximalElement(int n, const int* v) {
  int best = -2000000000;
  int index = 0;
  for (int i = 0; i < n; ++i) {
    if (v[i] > best) {
      best = v[i];
      index = i;
    }
  }
  return index;
}

int findMaximalRealElement(int n, const double* x) {
  int index = -1;
  double best = -1.0;
  for (int i = 0; i < n; ++i) {
    if (std::fabs(x[i]) > best) {
      best = std::fabs(x[i]);
      index = i;
    }
  }
  return index;
}

int findMaximalComplexElement(int n, const double* z) {
  int index = -1;
  double best = -1.0;
  for (int i = 0; i < n; ++i) {
    double modulus = absC(z[2 * i], z[2 * i + 1]);
    if (modulus > best) {
      best = modulus;
      index = i;
    }
  }
  return index;
}

int Present(const int* v, int n, int x) {
  if (v == nullptr) return -1;
  for (int i = 0; i < n; ++i) {
    if (v[i] == x) return i;
  }
  return -1;
}

void Intersect(const int* a, const int* b, int* out, int na, int nb, int* nout) {
  int count = 0;
  for (int i = 0; i < na; ++i) {
    if (Present(b, nb, a[i]) >= 0) out[count++] = a[i];
  }
  *nout = count;
}

int removeIdentical(int* v, int n) {
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (Present(v, kept, v[i]) < 0) v[kept++] = v[i];
  }
  return kept;
}

void revertVector(int n, int* v) {
  for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(v[i], v[j]);
}

void swapEntries(int* v, int i, int j) { std::swap(v[i], v[j]); }

int orderVectorUp(int n, int* v) { return sortAdjacent(n, v, true); }

int orderVector(int n, int* v) { return sortAdjacent(n, v, false); }

int reorderVector(int n, const int* classes, int* v) {
  int sign = 1;
  for (int start = 0; start < n;) {
    int end = start + 1;
    while (end < n && classes[end] == classes[start]) ++end;
    sign *= sortAdjacent(end - start, v + start, false);
    start = end;
  }
  return sign;
}

int CheckInvolution(int n, const int* p) {
  for (int i = 0; i < n; ++i) {
    // An entry outside 0 .. n-1 is no involution (and must not be followed).
    if (p[i] < 0 || p[i] >= n || p[p[i]] != i) return 0;
  }
  return 1;
}

void generateBinaryVector(int x, int n, int* v) {
  for (int i = 0; i < n; ++i) {
    v[i] = x % 2;
    x /= 2;
  }
}

// ---------------------------------------------------------------------------------------
// Comparisons

int compareVec(int n, const int* a, const int* b) {
  for (int i = 0; i < n; ++i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

int compareCharVec(int n, const signed char* a, const signed char* b) {
  for (int i = 0; i < n; ++i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

int InverseCompareVec(int n, const int* a, const int* b) {
  for (int i = n - 1; i >= 0; --i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

int compareDoubleVecOrdered(int n, const double* a, const double* b) {
  for (int i = 0; i < n; ++i) {
    if (!ZeroCheck(a[i] - b[i])) return a[i] > b[i] ? 1 : -1;
  }
  return 0;
}

int compareDoubleVec(int n, const double* a, const double* b) {
  for (int i = 0; i < n; ++i) {
    if (!ZeroCheck(a[i] - b[i])) return 0;
  }
  return 1;
}

int compareDoubleVecNorms(int n, const double* a, const double* b) {
  double normA = std::trunc(DoubleNorm(n, a));
  double normB = std::trunc(DoubleNorm(n, b));
  if (normA < normB) return -1;
  if (normA > normB) return 1;
  return 0;
}

int compareDisorderedVectors(int n, const int* a, const int* b) {
  if (n < 1) return 1;
  if (a == nullptr || b == nullptr) return 0;
  for (int i = 0; i < n; ++i) {
    if (Present(a, n, b[i]) < 0 || Present(b, n, a[i]) < 0) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Complex vectors

void ComplexInnerProduct(int n, const double* aRe, const double* aIm, const double* bRe,
                         const double* bIm, double* re, double* im) {
  double sumRe = 0.0;
  double sumIm = 0.0;
  for (int i = 0; i < n; ++i) {
    sumRe += aRe[i] * bRe[i] + aIm[i] * bIm[i];
    sumIm += aRe[i] * bIm[i] - aIm[i] * bRe[i];
  }
  *re = sumRe;
  *im = sumIm;
}

int ComplexOrthogonalityCheck(int n, const double* aRe, const double* aIm, const double* bRe,
                              const double* bIm) {
  double re = 0.0;
  double im = 0.0;
  ComplexInnerProduct(n, aRe, aIm, bRe, bIm, &re, &im);
  return CZeroCheck(re, im) ? 1 : 0;
}

double ComplexNorm(int n, const double* re, const double* im) {
  return DoubleNorm(n, re) + DoubleNorm(n, im);
}

void NormalizeComplexVec(int n, double* re, double* im) {
  double norm = std::sqrt(ComplexNorm(n, re, im));
  if (norm == 0.0) return;
  for (int i = 0; i < n; ++i) {
    re[i] /= norm;
    im[i] /= norm;
  }
}

// ---------------------------------------------------------------------------------------
// IntList

IntList::IntList(const IntList& other)
    : list_req(other.list_req),
      list_oldsize(other.list_oldsize),
      list_size(other.list_size),
      n(other.n),
      block(other.block) {
  pointAtBlock(this);
}

IntList& IntList::operator=(const IntList& other) {
  if (this != &other) {
    block = other.block;
    list_req = other.list_req;
    list_oldsize = other.list_oldsize;
    list_size = other.list_size;
    n = other.n;
    pointAtBlock(this);
  }
  return *this;
}

IntList::IntList(IntList&& other) noexcept
    : list_req(other.list_req),
      list_oldsize(other.list_oldsize),
      list_size(other.list_size),
      n(other.n),
      block(std::move(other.block)) {
  pointAtBlock(this);
  other = IntList();
}

IntList& IntList::operator=(IntList&& other) noexcept {
  if (this != &other) {
    block.swap(other.block);
    list_req = other.list_req;
    list_oldsize = other.list_oldsize;
    list_size = other.list_size;
    n = other.n;
    pointAtBlock(this);
    other.block.clear();
    other.list_req = other.list_oldsize = other.list_size = 0;
    other.n = 0;
    pointAtBlock(&other);
  }
  return *this;
}

void initList(IntList* L, int n) {
  if (n < 0) n = 0;
  checkListGuards(L);
  if (L->list_true == nullptr || L->list_size < n) resizeList(L, static_cast<std::int64_t>(n) + 10);
  L->list_oldsize = n;
  L->list[n] = GuardValues<int>::back();
  L->n = 0;
}

void addToList(IntList* L, int x) {
  if (findInList(L, x) >= 0) return;
  checkListGuards(L);
  std::int64_t count = L->n;
  if (L->list_true == nullptr) {
    resizeList(L, count + 11);
  } else if (count > static_cast<std::int64_t>(0.8 * static_cast<double>(L->list_size)) &&
             L->list_size < 2 * count) {
    resizeList(L, 2 * count + 10);
  }
  if (L->list_size < count + 1) resizeList(L, count + 11);
  L->list[count] = x;
  L->n = static_cast<int>(count + 1);
  L->list_oldsize = L->n;
  L->list[L->n] = GuardValues<int>::back();
}

int findInList(const IntList* L, int x) {
  if (L->list == nullptr) return -1;
  return Present(L->list, L->n, x);
}

void orderList(IntList* L) {
  if (L->list != nullptr) sortAdjacent(L->n, L->list, true);
}

// ---------------------------------------------------------------------------------------
// Storages

int AddVectorToStorage(const int* vec, int* store, int* counts, int len, int mult, int* n, int max) {
  if (mult == 0 || len < 1 || zeroVectorCheck(len, vec)) return -1;
  for (int i = 0; i < *n; ++i) {
    if (compareVec(len, vec, store + static_cast<std::ptrdiff_t>(i) * len) == 0) {
      counts[i] += mult;
      return i;
    }
  }
  int row = *n;
  if (row >= max) {
    // Full already: writing the row would overrun the caller's storage.
    Alert("AddVectorToStorage", 0, 112413, "Internal storage overflow");
    GracefulExit(1);
  }
  copyVec(len, store + static_cast<std::ptrdiff_t>(row) * len, vec);
  counts[row] = mult;
  *n = row + 1;
  if (*n >= max) {
    Alert("AddVectorToStorage", 0, 112413, "Internal storage overflow");
    GracefulExit(1);
  }
  if (row >= 15) Alert("AddVectorToStorage", 1, 112413, "Internal storage overflow (NOT FATAL)");
  return row;
}

int StoreVector(const int* vec, int* store, int len, int* n, int max) {
  if (len < 0) return 0;
  for (int i = 0; i < *n; ++i) {
    if (compareVec(len, vec, store + static_cast<std::ptrdiff_t>(i) * len) == 0) return i;
  }
  if (*n < max) {
    copyVec(len, store + static_cast<std::ptrdiff_t>(*n) * len, vec);
    return (*n)++;
  }
  Alert("StoreVector", 0, 112413, "Internal storage overflow");
  return -1;
}

int lookup(const int* vec, const int* store, int len, int n) {
  if (len < 0) return 0;
  if (n < 1) return -1;
  if (len == 0) return 0;
  for (int i = 0; i < n; ++i) {
    if (compareVec(len, vec, store + static_cast<std::ptrdiff_t>(i) * len) == 0) return i;
  }
  return -1;
}

int Orderedlookup(const int* vec, const int* store, int len, int n) {
  if (n < 1) {
    Alert("Orderedlookup", 0, 212404, "Suspect ordering error in storage");
    return -1;
  }
  int lo = -1;
  int hi = n;
  for (int round = 0; round < n; ++round) {
    if (hi <= lo + 1) return -1;
    int mid = (lo + hi) / 2;
    if (len < 1) return mid;
    int order = compareVec(len, vec, store + static_cast<std::ptrdiff_t>(mid) * len);
    if (order == 0) return mid;
    if (order < 0) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  Alert("Orderedlookup", 1, 212404, "Suspect ordering error in storage");
  return -1;
}

// ---------------------------------------------------------------------------------------
// Files

int readVectorFromFile(std::FILE* file, int* v, int n) {
  for (int i = 0; i < n; ++i) {
    int status = std::fscanf(file, "%d ", &v[i]);
    if (status == 1) continue;
    if (status == EOF) {
      if (i == 0) return 1;
      Alert("readVectorFromFile", 0, 112315, "Premature end-of-file");
      return 2;
    }
    Alert("readVectorFromFile", 1, 112315, "Entry %d of a vector is not a number", i + 1);
    return 2;
  }
  return 0;
}

void addVectorToFile(const char* name, int n, const int* v) {
  std::FILE* file = openForAppending(name);
  if (file == nullptr) {
    Alert("addVectorToFile", 0, 120206, "Cannot open file %s", name);
    GracefulExit(1);
  }
  writeVec(n, file, v);
  std::fclose(file);
}

// ---------------------------------------------------------------------------------------
// Permutations

std::vector<int> ranVec(int n) {
  if (n < 1) return {};
  double* values = state().random.get(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) values[i] = dRandom();
  std::vector<int> permutation(2 * static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    int index = 0;
    for (int i = 1; i < n; ++i) {
      if (values[i] > values[index]) index = i;
    }
    permutation[k] = index;
    permutation[n + index] = k;
    values[index] = -2.0;
  }
  return permutation;
}

void reorderVectors(int* M, int n, int len, const int* perm, const int* inv) {
  if (M == nullptr || n < 1 || len < 1) return;
  std::vector<char> done(static_cast<std::size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    bool valid = perm[k] >= 0 && perm[k] < n && !done[perm[k]] &&
                 (inv == nullptr || inv[perm[k]] == k);
    if (!valid) {
      Alert("reorderVectors", 0, 112312, "Invalid permutation of %d rows", n);
      return;
    }
    done[perm[k]] = 1;
  }
  std::fill(done.begin(), done.end(), 0);
  std::vector<int> held(static_cast<std::size_t>(len));
  auto row = [M, len](int r) { return M + static_cast<std::ptrdiff_t>(r) * len; };
  for (int start = 0; start < n; ++start) {
    if (done[start] || perm[start] == start) continue;
    copyVec(len, held.data(), row(start));
    int k = start;
    while (perm[k] != start) {
      copyVec(len, row(k), row(perm[k]));
      done[k] = 1;
      k = perm[k];
    }
    copyVec(len, row(k), held.data());
    done[k] = 1;
  }
}

void resetVectorUtility() {
  state().random.release();
  resetVectorSpaceState();
  resetLinearAlgebraState();
}
