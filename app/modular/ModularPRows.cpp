// Orbit P rows of the current theory and their files.
//
// P(J r, b) = P(r, J b) sqrt(T)(J r)/sqrt(T)(r) sqrt(T)(b)/sqrt(T)(J b), so P is kept per
// orbit as one row P(r_o, k) for the representative r_o and the column labels k from the
// orbit's minimum (the smallest column any canonical pair of the orbit needs) to N-1:
// 2 x size doubles, real parts then imaginary parts, "not computed" until first asked.
//
// From getModularDiskRowThreshold() orbits on, rows are also kept as files (one per
// orbit) in the folder ".pdir" of the work directory, shared by every process that works
// on the theory. A file holds a header line naming the theory and the row's numbers in
// "%a" form. A writer opens it without truncating, takes an exclusive fcntl lock, merges
// what other processes stored meanwhile (read through the locked descriptor) into its
// row, then truncates, writes, syncs and unlocks; readers take a shared lock. So no
// process ever loses an entry another one wrote.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "modular/ModularInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"

namespace {

using Row = std::vector<double, AccountAllocator<double>>;

enum class RowText { Complete, Foreign, Short };

// Parses header + count numbers; `read` receives how many numbers were found.
RowText parseRowText(const std::string& text, const std::string& header, int count,
                     std::vector<double>& values, int* read) {
  *read = 0;
  if (text.compare(0, header.size(), header) != 0) return RowText::Foreign;
  values.assign(static_cast<std::size_t>(count), 0.0);
  const char* p = text.c_str() + header.size();
  for (int k = 0; k < count; ++k) {
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p) return RowText::Short;
    values[static_cast<std::size_t>(k)] = value;
    *read = k + 1;
    p = end;
  }
  while (*p == ' ' || *p == '\n') ++p;
  return static_cast<std::size_t>(p - text.c_str()) == text.size() ? RowText::Complete
                                                                   : RowText::Foreign;
}

std::string rowPath(const char* folder, int orbit) {
  return std::string(folder) + "/" + std::to_string(orbit);
}

double* rowOf(int orbit) {
  ModularState& s = modularState();
  if (orbit < 0 || orbit >= static_cast<int>(s.PMatrixOrbitPointers.size())) return nullptr;
  Row* row = s.PMatrixOrbitPointers[static_cast<std::size_t>(orbit)].get();
  return row != nullptr ? row->data() : nullptr;
}

bool diskRows() {
  const ModularState& s = modularState();
  return s.NOrbit >= s.diskRowThreshold;
}

// The orbit minima of initOrbitPmatrix without its loop over all N^2 pairs (i, j). That
// loop takes each pair to its canonical form (a, b), the least of (i, j), (i*, j*), (j, i)
// and (j*, i*), and lowers the minimum of a's orbit to J_a x b. When conjugation is an
// involution, the canonical pairs are exactly the pairs that are the least of their own
// four, so for each a the minimum over its admissible b is found directly: by trying the
// columns k = 0, 1, ... through the inverse of b -> J_a x b, or, where few b are admissible
// (a near N), by running through them. False (nothing done) where that does not apply:
// conjugates that are not known without a message, or not an involution, or orbit tables
// that do not cover the primaries.
bool scanCanonicalPairs(int n) {
  ModularState& s = modularState();
  if (n < 1) return true;
  initSMATRIX();
  if (KMCosetSwitch == 0 && (currentSD == nullptr || (currentSD->conjugates == nullptr && currentSD->validity == 0)))
    return false;
  if (static_cast<int>(s.Primaries.size()) < n || !orbitTablesValid()) return false;
  std::vector<int> conjugate(static_cast<std::size_t>(n));
  for (int x = 0; x < n; ++x) conjugate[static_cast<std::size_t>(x)] = conjugateOrSelf(x);
  for (int x = 0; x < n; ++x)
    if (conjugate[static_cast<std::size_t>(conjugate[static_cast<std::size_t>(x)])] != x) return false;
  if (!orbitSValid()) return true;
  const int nG = s.nG;
  auto image = [&](int J, int b) {
    const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(b)];
    return s.Primaries[static_cast<std::size_t>(entry.rep)]
        .images[s.CurMultTable[static_cast<std::size_t>(J) * static_cast<std::size_t>(nG) +
                               static_cast<std::size_t>(entry.current)]];
  };
  // The rows a by their current, so that one inverse serves each current.
  std::vector<std::vector<int>> byCurrent(static_cast<std::size_t>(nG));
  for (int a = 0; a < n; ++a) {
    const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(a)];
    if (entry.current < 0 || entry.current >= nG) return false;
    if (entry.orbit < 0 || entry.orbit >= static_cast<int>(s.PMatrixOrbitMinima.size())) continue;
    if (a > conjugate[static_cast<std::size_t>(a)]) continue;  // never the least of its four
    byCurrent[static_cast<std::size_t>(entry.current)].push_back(a);
  }
  std::vector<int> inverse(static_cast<std::size_t>(n));
  for (int J = 0; J < nG; ++J) {
    const std::vector<int>& rows = byCurrent[static_cast<std::size_t>(J)];
    if (rows.empty()) continue;
    std::fill(inverse.begin(), inverse.end(), -1);
    bool bijective = true;
    for (int b = 0; b < n && bijective; ++b) {
      const int k = image(J, b);
      if (k < 0 || k >= n || inverse[static_cast<std::size_t>(k)] >= 0) {
        bijective = false;
      } else {
        inverse[static_cast<std::size_t>(k)] = b;
      }
    }
    for (int a : rows) {
      pollInterruptRequest();
      const int ca = conjugate[static_cast<std::size_t>(a)];
      auto admissible = [&](int b) {
        const int cb = conjugate[static_cast<std::size_t>(b)];
        return b >= a && (a < ca || b <= cb) && (a < cb || (a == cb && b <= ca));
      };
      int least = INT_MAX;
      bool found = false;
      if (bijective) {
        const int tries = n - a + 32;
        for (int k = 0; k < n && k < tries; ++k) {
          if (admissible(inverse[static_cast<std::size_t>(k)])) {
            least = k;
            found = true;
            break;
          }
        }
      }
      if (!found) {
        for (int b = a; b < n; ++b) {
          if (!admissible(b)) continue;
          const int k = image(J, b);
          if (k >= 0 && k < least) least = k;
        }
      }
      int& minimum = s.PMatrixOrbitMinima[static_cast<std::size_t>(s.Primaries[static_cast<std::size_t>(a)].orbit)];
      if (least < minimum) minimum = least;
    }
  }
  return true;
}

}  // namespace

void initOrbitPmatrix() {
  ModularState& s = modularState();
  if (settingUseOrbits() < 2) return;
  if (!orbitTablesValid()) {
    Alert("initOrbitPmatrix", 0, 212404, "Attempt to initialize orbit P matrix prior to S matrix");
    return;
  }
  if (s.OrbitPAvailable == s.CFTCounter) return;
  freePmatrixOrbits();
  const std::size_t nOrbit = static_cast<std::size_t>(s.NOrbit);
  s.PMatrixOrbitMinima.assign(nOrbit, INT_MAX);
  s.PMatrixOrbitSizes.assign(nOrbit, 0);
  s.PMatrixOrbitPointers.clear();
  s.PMatrixOrbitPointers.resize(nOrbit);
  s.NOrbit_allocated = s.NOrbit;
  const int n = modularPrimaries();
  if (!scanCanonicalPairs(n)) {
    for (int i = 0; i < n; ++i) {
      pollInterruptRequest();
      for (int j = 0; j < n; ++j) scanP(i, j);
    }
  }
  for (std::size_t o = 0; o < nOrbit; ++o) {
    const int minimum = s.PMatrixOrbitMinima[o];
    s.PMatrixOrbitSizes[o] = minimum == INT_MAX ? 0 : n - minimum;
  }
  s.Pdir = diskRows() ? modularRowFolder(".pdir", "P") : std::string();
  s.OrbitPAvailable = s.CFTCounter;
  if (settingInitDebug()) ProgressPrint("##init: Orbit P matrix initialized\n");
}

void scanP(int i, int j) {
  initSMATRIX();
  int a = 0, b = 0;
  convertPLabels(i, j, &a, &b);
  scanPOrbits(a, b);
}

void scanPOrbits(int a, int b) {
  ModularState& s = modularState();
  if (!orbitSValid() || !modularLabelsInRange("scanPOrbits", a, b)) return;
  const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(a)];
  if (entry.orbit < 0 || entry.orbit >= static_cast<int>(s.PMatrixOrbitMinima.size())) return;
  const int k = FastSimpleFusion(entry.current, b);
  int& minimum = s.PMatrixOrbitMinima[static_cast<std::size_t>(entry.orbit)];
  if (k >= 0 && k < minimum) minimum = k;
}

void compPfromOrbits(int a, int b, double* re, double* im) {
  ModularState& s = modularState();
  // The out-values are written once, with the element complete (see computePmatrix).
  if (!modularLabelsInRange("compPfromOrbits", a, b) || !orbitTablesValid()) {
    *re = 0.0;
    *im = 0.0;
    return;
  }
  const PrimaryOrbitEntry& entry = s.Primaries[static_cast<std::size_t>(a)];
  const int o = entry.orbit;
  const int ra = entry.rep;
  const int k = FastSimpleFusion(entry.current, b);
  const bool indexed = o >= 0 && o < static_cast<int>(s.PMatrixOrbitSizes.size());
  const int size = indexed ? s.PMatrixOrbitSizes[static_cast<std::size_t>(o)] : 0;
  const long long t = indexed && k >= 0 ? static_cast<long long>(k) -
                                              s.PMatrixOrbitMinima[static_cast<std::size_t>(o)]
                                        : -1;
  if (t < 0 || t >= size) {
    // A pair the scan did not see: answered directly instead of from the row.
    Alert("compPfromOrbits", 0, 212404, "Invalid P-matrix address");
    computePmatrix(a, b, re, im);
    return;
  }
  double* row = orbitPRow(o, true);
  // Many elements asked one by one: the whole P at once fills this row too.
  if (!modularComputed(row[t]) &&
      !(wholePmatrixWanted(1.0, modularPrimaries()) && modularComputed(row[t])))
    computePmatrix(ra, k, &row[t], &row[size + t]);
  double valueRe = row[t], valueIm = row[size + t];
  double rootRe, rootIm;
  tableRootT(a, &rootRe, &rootIm);
  complexProduct(&valueRe, &valueIm, valueRe, valueIm, rootRe, rootIm);
  tableRootT(ra, &rootRe, &rootIm);
  complexRatio(&valueRe, &valueIm, valueRe, valueIm, rootRe, rootIm);
  tableRootT(b, &rootRe, &rootIm);
  complexProduct(&valueRe, &valueIm, valueRe, valueIm, rootRe, rootIm);
  tableRootT(k, &rootRe, &rootIm);
  complexRatio(re, im, valueRe, valueIm, rootRe, rootIm);
}

double* orbitPRow(int o, bool readFile) {
  ModularState& s = modularState();
  const int size = s.PMatrixOrbitSizes[static_cast<std::size_t>(o)];
  std::unique_ptr<Row>& slot = s.PMatrixOrbitPointers[static_cast<std::size_t>(o)];
  if (!slot) {
    slot = std::make_unique<Row>(2 * static_cast<std::size_t>(size), kModularNotComputed,
                                 AccountAllocator<double>(&SMatrix_alloc, "P matrix on orbits"));
    if (readFile && getPBaseRow(slot->data(), o, size, s.Pdir.c_str()) == 0) {
      std::fill(slot->begin(), slot->end(), kModularNotComputed);
    }
  }
  return slot->data();
}

int getPBaseRow(double* row, int orbit, int size, const char* folder) {
  if (!diskRows() || folder == nullptr || folder[0] == '\0' || size < 1) return 0;
  const std::string path = rowPath(folder, orbit);
  if (!S_ISREG(getMode(path.c_str()))) return 0;
  std::string text;
  bool gotText = false;
  {
    const LockedFile file(path, LockedFile::Access::Read);
    gotText = file.isOpen() && file.readFrom(0, text);
  }
  if (!gotText) return 0;
  std::vector<double> values;
  int count = 0;
  const RowText kind = parseRowText(text, modularRowHeader("P", orbit), 2 * size, values, &count);
  if (kind == RowText::Short) {
    Alert("getPBaseRow", 0, 212404, "Unexpected end of Pbase file; i=%d", count);
    return 0;
  }
  if (kind == RowText::Foreign) return 0;
  std::copy(values.begin(), values.end(), row);
  return 1;
}

int writePBaseRow(double* row, int orbit, int size, const char* folder) {
  if (folder == nullptr || folder[0] == '\0' || size < 1) return -1;
  const std::string path = rowPath(folder, orbit);
  // Rows are shared between processes: merge what another run stored meanwhile under the
  // lock, and sync, since a later run trusts what it reads.
  const LockedFile file(path, LockedFile::Access::Create);
  if (!file.isOpen()) {
    Alert("writePBaseRow", 0, 120206, "Could not write file %s", path.c_str());
    return -1;
  }
  const std::string header = modularRowHeader("P", orbit);
  std::string text;
  if (file.readFrom(0, text)) {
    std::vector<double> stored;
    int count = 0;
    if (parseRowText(text, header, 2 * size, stored, &count) == RowText::Complete) {
      for (int t = 0; t < 2 * size; ++t) {
        if (row[t] < -2.0 && stored[static_cast<std::size_t>(t)] > -2.0)
          row[t] = stored[static_cast<std::size_t>(t)];
      }
    }
  }
  text = header;
  for (int t = 0; t < 2 * size; ++t) text += formatText("%a ", row[t]);
  const bool ok = file.truncate(0) && file.writeAt(0, text) && file.sync();
  if (!ok) {
    Alert("writePBaseRow", 1, 120206, "Could not write file %s", path.c_str());
    return -1;
  }
  return 0;
}

void writePOrbits() {
  ModularState& s = modularState();
  if (!diskRows() || s.Pdir.empty()) return;
  for (std::size_t o = 0; o < s.PMatrixOrbitPointers.size(); ++o) {
    double* row = rowOf(static_cast<int>(o));
    if (row != nullptr)
      writePBaseRow(row, static_cast<int>(o), s.PMatrixOrbitSizes[o], s.Pdir.c_str());
  }
}

void freePmatrixOrbits() {
  ModularState& s = modularState();
  for (auto& row : s.PMatrixOrbitPointers) row.reset();
}
