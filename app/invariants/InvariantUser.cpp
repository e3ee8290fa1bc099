// Invariants given from outside the simple-current machinery: a mass matrix typed as a sum
// of products of bracketed label lists, or a permutation in cycle notation, and the one
// acceptance step that every such candidate passes (typed, built-in, searched).
//
// A mass matrix is N x N ints, row-major, N the primaries of the current theory: entry
// (a, b) is the multiplicity of holomorphic label a paired with antiholomorphic label b.
// The built-in builders share one such work matrix ("modmat"), zeroed before each use and
// kept for the next call; a typed text is held by its non-zero entries only (the typed
// matrix, kept likewise), so that a text of a few terms costs a few entries on a theory of
// any size. The MIPF-number selection of the runs over numbered invariants is kept in the
// store's state.
//
// A candidate is modular invariant when it commutes with S (every entry of MS - SM zero
// within 1e-7) and with T (every non-zero entry pairs fields whose weights differ by an
// integer). The test reads S element by element (compS, which takes it from the tables the
// modular layer holds) and sums over the non-zero entries of M only: it holds the entries
// twice, never a table of N x N.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

namespace {

// Refusals of a candidate invariant (a typed text that does not parse, or a matrix that
// is not invariant): severity 2, so that a command file reports them and goes on.
constexpr int kRefusedInvariant = 100201;

// Bytes of one entry of a typed matrix (a node of its map), for the size check.
constexpr std::uint64_t kTypedEntryBytes = 48;

struct InvariantUserState {
  std::vector<int> modmat;  // the work matrix of the built-in builders
  SparseMassMatrix typed;   // the matrix of the last typed text
};

InvariantUserState& userState() {
  static InvariantUserState s;
  return s;
}

int primaryCount() {
  return knownPrimaryCount();
}

int autostoreValue() {
  const int* p = getIntParPointer("Autostore");
  return p == nullptr ? 0 : *p;
}

// The two characters at position p ("" past the end), for the syntax messages.
std::string twoAt(const std::string& text, std::size_t p) {
  return p >= text.size() ? std::string() : text.substr(p, 2);
}

// A number of decimal digits at p; false (after no message) when it does not fit an int.
bool readNumber(const std::string& text, std::size_t& p, int* value) {
  long long v = 0;
  bool any = false;
  while (p < text.size() && isdigit(static_cast<unsigned char>(text[p])) != 0) {
    v = v * 10 + (text[p] - '0');
    if (v > INT_MAX) return false;
    ++p;
    any = true;
  }
  *value = static_cast<int>(v);
  return any;
}

// One bracketed list "a+m*b+..." as (multiplicity, label) items; false after an alert.
bool parseList(const std::string& list, int N, std::vector<std::pair<int, int>>& items) {
  items.clear();
  for (char c : list) {
    if (isdigit(static_cast<unsigned char>(c)) == 0 && c != '*' && c != '+') {
      Alert("addEntries", 0, kRefusedInvariant, "Invalid character \"%c\" in input string", c);
      return false;
    }
  }
  std::size_t p = 0;
  while (p <= list.size()) {
    int first = 0;
    if (!readNumber(list, p, &first)) {
      Alert("addEntries", 1, kRefusedInvariant, "Syntax error in \"%s\"", list.c_str());
      return false;
    }
    int multiplicity = 1;
    int label = first;
    if (p < list.size() && list[p] == '*') {
      ++p;
      multiplicity = first;
      if (!readNumber(list, p, &label)) {
        Alert("addEntries", 1, kRefusedInvariant, "Syntax error in \"%s\"", list.c_str());
        return false;
      }
    }
    if (label < 0 || label >= N) {
      Alert("addEntries", 2, kRefusedInvariant, "Label %d out of range", label);
      return false;
    }
    items.emplace_back(multiplicity, label);
    if (p >= list.size()) break;
    if (list[p] != '+') {
      Alert("addEntries", 1, kRefusedInvariant, "Syntax error in \"%s\"", list.c_str());
      return false;
    }
    ++p;
  }
  return true;
}

// The closing bracket of the list that opens at p, or npos.
std::size_t closingBracket(const std::string& text, std::size_t p) {
  return text.find(')', p + 1);
}

}  // namespace

std::vector<int>& userInvariantMatrix() {
  std::vector<int>& M = userState().modmat;
  const std::size_t N = static_cast<std::size_t>(primaryCount());
  M.assign(N * N, 0);
  return M;
}

bool userInvariantMatrixFits(const char* routine) {
  const long double N = primaryCount();
  return requireAllocationSize(routine, "The invariant matrix", N * N, sizeof(int));
}

void resetUserInvariants() {
  userState() = InvariantUserState();
  resetExceptionalInvariants();
}

int addEntries(SparseMassMatrix& M, const char* holo, const char* anti, int k) {
  const int N = M.n;
  std::vector<std::pair<int, int>> left;
  std::vector<std::pair<int, int>> right;
  if (!parseList(holo, N, left) || !parseList(anti, N, right)) return 0;
  const long double count = static_cast<long double>(M.entries.size()) +
                            static_cast<long double>(left.size()) * right.size();
  if (!requireAllocationSize("buildMatrix", "The entries of the typed invariant", count,
                             kTypedEntryBytes))
    return 0;
  for (const auto& [m1, a] : left) {
    for (const auto& [m2, b] : right) {
      int term = 0;
      if (__builtin_mul_overflow(k, m1, &term) || __builtin_mul_overflow(term, m2, &term)) {
        Alert("addEntries", 3, kRefusedInvariant, "Multiplicity too large");
        return 0;
      }
      if (term == 0) continue;  // multiplicities are not negative: nothing cancels later
      int& entry = M.entries[{a, b}];
      if (__builtin_add_overflow(entry, term, &entry)) {
        Alert("addEntries", 3, kRefusedInvariant, "Multiplicity too large");
        return 0;
      }
    }
  }
  return 1;
}

const SparseMassMatrix* buildAutomorphism(SparseMassMatrix& M, const char* input) {
  const std::string text = input;
  const int N = primaryCount();
  // A text that ends inside a cycle is refused as an unclosed bracket of a sum is.
  const auto unclosed = [] {
    Alert("buildAutomorphism", 3, kRefusedInvariant, "Bracket mismatch: \"<\" without \">\"");
    return nullptr;
  };
  M.n = N;
  M.entries.clear();
  for (int i = 0; i < N; ++i) M.entries.emplace_hint(M.entries.end(), std::make_pair(i, i), 1);
  std::size_t p = 0;
  while (p < text.size()) {
    if (text[p] != '<') {
      Alert("buildAutomorphism", 0, kRefusedInvariant, "Syntax error: %s...",
            twoAt(text, p).c_str());
      return nullptr;
    }
    ++p;
    std::vector<int> cycle;
    while (true) {
      if (p >= text.size()) return unclosed();
      int label = 0;
      if (isdigit(static_cast<unsigned char>(text[p])) == 0) {
        Alert("buildAutomorphism", 1, kRefusedInvariant, "Non-numerical label: %s...",
              twoAt(text, p).c_str());
        return nullptr;
      }
      if (!readNumber(text, p, &label) || label >= N) {
        Alert("buildAutomorphism", 2, kRefusedInvariant, "Label: %d out of range", label);
        return nullptr;
      }
      cycle.push_back(label);
      if (p >= text.size()) return unclosed();
      if (text[p] == ',') {
        ++p;
        continue;
      }
      if (text[p] == '>') {
        // A cycle needs a second label where the bracket closes.
        if (cycle.size() < 2) {
          Alert("buildAutomorphism", 1, kRefusedInvariant, "Non-numerical label: %s...",
                twoAt(text, p).c_str());
          return nullptr;
        }
        ++p;
        break;
      }
      Alert("buildAutomorphism", 0, kRefusedInvariant, "Syntax error: %s...",
            twoAt(text, p).c_str());
      return nullptr;
    }
    for (int a : cycle) M.entries.erase({a, a});
    for (std::size_t i = 0; i < cycle.size(); ++i) {
      const int next = cycle[(i + 1) % cycle.size()];
      M.entries[{cycle[i], next}] = 1;
    }
  }
  return &M;
}

const SparseMassMatrix* buildMatrix(const char* input) {
  const std::string text = input;
  SparseMassMatrix& M = userState().typed;
  M.n = primaryCount();
  M.entries.clear();
  if (!text.empty() && text[0] == '<') return buildAutomorphism(M, input);
  std::size_t p = 0;
  bool first = true;
  while (p < text.size()) {
    if (text[p] == '+') {
      ++p;
    } else if (!first) {
      Alert("buildMatrix", 0, kRefusedInvariant, "Syntax error: unexpected %c", text[p]);
      return nullptr;
    }
    first = false;
    if (p >= text.size()) break;  // a term without an opening bracket ends the expression
    int k = 1;
    if (isdigit(static_cast<unsigned char>(text[p])) != 0) {
      if (!readNumber(text, p, &k)) {
        Alert("addEntries", 3, kRefusedInvariant, "Multiplicity too large");
        return nullptr;
      }
      if (p >= text.size() || text[p] != '*' || p + 1 >= text.size() || text[p + 1] != '(') {
        const std::size_t at = p < text.size() && text[p] == '*' ? p + 1 : p;
        Alert("buildMatrix", 1, kRefusedInvariant, "Syntax error: %s...", twoAt(text, at).c_str());
        return nullptr;
      }
      ++p;
    } else if (text[p] != '(') {
      Alert("buildMatrix", 2, kRefusedInvariant, "Non-numerical multiplicity factor: %c...",
            text[p]);
      return nullptr;
    }
    const std::size_t close = closingBracket(text, p);
    if (close == std::string::npos) {
      Alert("buildMatrix", 3, kRefusedInvariant, "Bracket mismatch");
      break;
    }
    const std::string holo = text.substr(p + 1, close - p - 1);
    p = close + 1;
    std::string anti;
    if (p < text.size() && text[p] == '^' && p + 1 < text.size() && text[p + 1] == '2') {
      anti = holo;
      p += 2;
    } else if (p < text.size() && (text[p] == '(' || text[p] == '*')) {
      if (text[p] == '*') ++p;
      const std::size_t end =
          p < text.size() && text[p] == '(' ? closingBracket(text, p) : std::string::npos;
      if (end == std::string::npos) {
        Alert("buildMatrix", 4, kRefusedInvariant, "Syntax error");
        return nullptr;
      }
      anti = text.substr(p + 1, end - p - 1);
      p = end + 1;
    } else {
      Alert("buildMatrix", 5, kRefusedInvariant, "Missing anti-holomorphic factor");
      return nullptr;
    }
    if (addEntries(M, holo.c_str(), anti.c_str(), k) == 0) return nullptr;
  }
  return &M;
}

namespace {

// Calls visit(a, b, m) for every non-zero entry of a mass matrix, row by row and by
// increasing column within a row.
using EntryVisitor = std::function<void(int a, int b, int m)>;
using EntryWalk = std::function<void(const EntryVisitor& visit)>;

// The non-zero entries of a mass matrix by rows and by columns: row i is
// byRow[rowStart[i] .. rowStart[i+1]) as (column, value) by increasing column, column j is
// byColumn[columnStart[j] .. columnStart[j+1]) as (row, value) by increasing row.
struct MassEntries {
  std::vector<std::size_t> rowStart;
  std::vector<std::size_t> columnStart;
  std::vector<std::pair<int, int>> byRow;
  std::vector<std::pair<int, int>> byColumn;
  std::vector<int> usedColumns;  // the columns with an entry, increasing
};

// False after the refusal (Alert 100213) when the entries would not fit.
bool collectEntries(int N, const EntryWalk& walk, MassEntries& out) {
  const std::size_t n = static_cast<std::size_t>(N);
  out.rowStart.assign(n + 1, 0);
  out.columnStart.assign(n + 1, 0);
  walk([&out](int a, int b, int) {
    ++out.rowStart[static_cast<std::size_t>(a) + 1];
    ++out.columnStart[static_cast<std::size_t>(b) + 1];
  });
  for (std::size_t i = 0; i < n; ++i) {
    out.rowStart[i + 1] += out.rowStart[i];
    out.columnStart[i + 1] += out.columnStart[i];
  }
  const std::size_t count = out.rowStart[n];
  if (!requireAllocationSize("checkInvariant", "The entries of the invariant by rows and columns",
                             2.0L * count, sizeof(std::pair<int, int>)))
    return false;
  out.byRow.resize(count);
  out.byColumn.resize(count);
  std::vector<std::size_t> rowNext(out.rowStart.begin(), out.rowStart.end() - 1);
  std::vector<std::size_t> columnNext(out.columnStart.begin(), out.columnStart.end() - 1);
  walk([&](int a, int b, int m) {
    out.byRow[rowNext[static_cast<std::size_t>(a)]++] = {b, m};
    out.byColumn[columnNext[static_cast<std::size_t>(b)]++] = {a, m};
  });
  out.usedColumns.clear();
  for (std::size_t j = 0; j < n; ++j) {
    if (out.columnStart[j + 1] > out.columnStart[j]) out.usedColumns.push_back(static_cast<int>(j));
  }
  return true;
}

// The test of invariance over the entries walked: (MS - SM)(i, j) = sum over the entries
// (i, k) of M(i, k) S(k, j), minus the sum over the entries (k, j) of S(i, k) M(k, j). A row
// of M without entries can differ from zero only in the columns with entries.
int checkEntries(int N, const EntryWalk& walk, int maxFailures) {
  if (Error* site = getError("checkInvariant", 0)) site->repetitionRate = 1;
  if (N < 1) return 1;
  const std::size_t n = static_cast<std::size_t>(N);
  initSMATRIX();
  MassEntries M;
  if (!collectEntries(N, walk, M)) return 0;
  std::vector<double> logT(n);
  compLogT(logT.data());
  std::vector<int> allColumns(n);
  for (std::size_t j = 0; j < n; ++j) allColumns[j] = static_cast<int>(j);

  int failures = 0;
  double total = 0.0;
  // One more failure when the limit is already reached ends the check at once.
  auto fail = [&]() {
    if (failures >= maxFailures) return true;
    ++failures;
    return false;
  };
  ProgressScope progress("Checking Modular Invariant", static_cast<double>(N), 1);
  for (int i = 0; i < N; ++i) {
    if (progress.step() != 0) return 0;
    const auto rowBegin = M.byRow.begin() + static_cast<std::ptrdiff_t>(M.rowStart[i]);
    const auto rowEnd = M.byRow.begin() + static_cast<std::ptrdiff_t>(M.rowStart[i + 1]);
    const std::vector<int>& columns = rowBegin == rowEnd ? M.usedColumns : allColumns;
    for (int j : columns) {
      // Each term may be an S element computed afresh.
      pollInterruptRequest();
      double re = 0.0;
      double im = 0.0;
      double sRe = 0.0;
      double sIm = 0.0;
      for (auto it = rowBegin; it != rowEnd; ++it) {
        compS(it->first, j, &sRe, &sIm);
        re += it->second * sRe;
        im += it->second * sIm;
      }
      const auto columnBegin = M.byColumn.begin() + static_cast<std::ptrdiff_t>(M.columnStart[j]);
      const auto columnEnd = M.byColumn.begin() + static_cast<std::ptrdiff_t>(M.columnStart[j + 1]);
      for (auto it = columnBegin; it != columnEnd; ++it) {
        compS(i, it->first, &sRe, &sIm);
        re -= sRe * it->second;
        im -= sIm * it->second;
      }
      total += re * re + im * im;
      if (ZeroCheck(re) == 0 || ZeroCheck(im) == 0) {
        Alert("checkInvariant", 0, 100208,
              "Invariance failure for %d,%d\nDeviations: %25.15f, %25.15f", i, j, re, im);
        if (fail()) return 0;
      }
    }
    // T: a field is paired only with fields whose weight differs from its own by an integer.
    for (auto it = rowBegin; it != rowEnd; ++it) {
      const int j = it->first;
      const double difference = logT[i] - logT[j];
      if (ZeroCheck(difference - std::round(difference)) != 0) continue;
      Alert("checkInvariant", 0, 100208,
            "T-invariance failure for %d,%d\nWeights differ by %25.15f", i, j, difference);
      if (fail()) return 0;
    }
  }
  if (failures == 0) return 1;
  Alert("checkInvariant", 1, 100208, "Number of failures: %d\nTotal deviation (r.m.s.): %25.15f",
        failures, std::sqrt(total));
  return 0;
}

EntryWalk denseWalk(const int* M, int N) {
  return [M, N](const EntryVisitor& visit) {
    const std::size_t n = static_cast<std::size_t>(N);
    for (std::size_t a = 0; a < n; ++a) {
      obeyInterruptRequest();
      for (std::size_t b = 0; b < n; ++b) {
        const int m = M[a * n + b];
        if (m != 0) visit(static_cast<int>(a), static_cast<int>(b), m);
      }
    }
  };
}

EntryWalk sparseWalk(const SparseMassMatrix& M) {
  return [&M](const EntryVisitor& visit) {
    for (const auto& [at, m] : M.entries) {
      if (m != 0) visit(at.first, at.second, m);
    }
  };
}

// The acceptance step for either form of the matrix.
template <class Matrix>
int acceptMassMatrix(const Matrix& M, int check, int store, int makeCurrent, int print) {
  const int autostore = autostoreValue() == 1 ? 1 : 0;
  const int effectiveStore = store == 1 ? autostore : store;
  BulkInvariant* target = makeCurrent != 0 ? getLocalBulk() : getDummyBulk();
  const bool quiet = makeCurrent != 1 && effectiveStore != 1;
  if (check == 1) {
    if (checkInvariant(M, 10) == 0) {
      if (quiet) {
        Print("Not modular invariant\n");
      } else {
        Alert("acceptCandidateInvariant", 0, kRefusedInvariant, "Not modular invariant");
      }
      return 0;
    }
    if (effectiveStore == 0 && makeCurrent == 0) Print("Modular invariance OK\n");
  }
  if (print == 1) {
    PrintSeparatorWithText('-', "");
    if (!makeExceptionalBulkInvariant(M, target, effectiveStore, 1)) return 0;
  } else {
    if (quiet) return 1;
    if (!makeExceptionalBulkInvariant(M, target, effectiveStore, 0)) return 0;
  }
  if (makeCurrent == 1) setCurrentBulkInvariant(target);
  return 1;
}

}  // namespace

int checkInvariant(const int* M, int maxFailures) {
  const int N = primaryCount();
  return checkEntries(N, denseWalk(M, N), maxFailures);
}

int checkInvariant(const SparseMassMatrix& M, int maxFailures) {
  return checkEntries(M.n, sparseWalk(M), maxFailures);
}

int acceptCandidateInvariant(const int* M, int check, int store, int makeCurrent, int print) {
  return acceptMassMatrix(M, check, store, makeCurrent, print);
}

int acceptCandidateInvariant(const SparseMassMatrix& M, int check, int store, int makeCurrent,
                             int print) {
  return acceptMassMatrix(M, check, store, makeCurrent, print);
}

int acceptGaloisCandidate(const int* Z, int n) {
  if (n != primaryCount()) {
    Alert("acceptGaloisCandidate", 0, 100202, "Matrix of %d fields for a theory of %d", n,
          primaryCount());
    return 0;
  }
  initSMATRIX();
  if (checkInvariant(Z, 10) == 0) {
    Print("Not modular invariant\n");
    return 0;
  }
  if (autostoreValue() != 1) Print("Modular invariance OK\n");
  return acceptCandidateInvariant(Z, 0, 1, 0, 1);
}

bool invariantTextIsLookup(const char* text) {
  return text != nullptr && isalnum(static_cast<unsigned char>(text[0])) != 0;
}

std::string normalizeInvariantText(const char* input) {
  std::string text = input == nullptr ? "" : input;
  bool quoted = false;
  for (char& c : text) {
    if (c == '\'') quoted = !quoted;
    if (c == '\n' && !quoted) c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

int buildInvariant(const char* input, int makeCurrent) {
  const std::string text = normalizeInvariantText(input);
  if (invariantTextIsLookup(text.c_str())) {
    BulkInvariant* bi = getBulkInvariantForUserInput(text.c_str());
    if (bi == nullptr) return 1;
    if (checkSelectionCriteria(bi) == 0) return 1;
    if (makeCurrent == 1) setCurrentBulkInvariant(bi);
    return 0;
  }
  initSMATRIX();
  const SparseMassMatrix* M = buildMatrix(text.c_str());
  if (M == nullptr) return 0;
  if (M->entries.empty()) {
    Alert("buildInvariant", 0, kRefusedInvariant, "Invariant is zero");
    return 0;
  }
  return acceptCandidateInvariant(*M, 1, 1, makeCurrent, 0);
}

// ---------------------------------------------------------------------------------------
// Runs over numbered simple-current invariants

void buildMultipleSimpleCurrentInvariants(const int* list, int autostoreMode) {
  const int before = autostoreValue();
  if (autostoreMode != 2) setIntPar("Autostore", autostoreMode);
  BulkInvariant* current = *getCurrentBulk();
  BulkInvariant* saved = getDummyBulk();
  if (current != nullptr && current != saved) copyBulkInvariant(saved, current);
  // A run stopped half way (Ctrl-C) ends as a complete one does: the store as "Autostore"
  // was before, the saved invariant current and "Autostore" restored.
  const UndoWhenStopped stoppedRun([before, autostoreMode, saved] {
    if (autostoreMode != 2 && before == 0) resetInvariantStore();
    BulkInvariant* local = getLocalBulk();
    copyBulkInvariant(local, saved);
    setCurrentBulkInvariant(local);
    if (autostoreMode != 2) setIntPar("Autostore", before);
  });
  setMIPFSelection(list);
  if (list != nullptr && autostoreValue() == 1) {
    if (list[0] != -1) {
      int last = list[0];
      for (const int* p = list; *p != -1; ++p) last = *p;
      const std::string name = "Invariant_" + std::to_string(last);
      if (findNamedBulkInvariant(name.c_str()) == nullptr) resetInvariantStore();
      buildSelectedSimpleCurrentInvariants();
    }
  } else {
    if (list == nullptr && autostoreMode == 1) {
      resetInvariantStore();
      Print("Collecting MIPFs; Invariants storage was reset\n");
    }
    buildSelectedSimpleCurrentInvariants();
  }
  if (autostoreMode != 2 && before == 0) {
    resetInvariantStore();
    Print("Invariants storage was reset\n");
  }
  BulkInvariant* local = getLocalBulk();
  copyBulkInvariant(local, saved);
  setCurrentBulkInvariant(local);
  if (autostoreMode != 2) setIntPar("Autostore", before);
}
