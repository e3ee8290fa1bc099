// Catalogue re-analysis. The catalogue rows come from "Models.list" (held by the guided
// module for the profile look-ups); per-type marks are sized from them. The summary of a
// full analysis is kept in memory and rewritten whole after each type, through a
// temporary file, so that a reader never sees half a line.
#include "search/QuvrReanalyse.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrBrowse.h"
#include "search/QuvrOrder.h"
#include "search/QuvrSelect.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"

namespace {

// Words of a pure intersection spectrum the re-analysis reads (charge basis and counts).
constexpr int kPureSpectrumSize = 64;

struct QuvrReanalyseState {
  bool firstTerm = false;
  std::vector<int> printed;    // by type minus 1
  std::vector<int> generator;  // by type minus 1
  std::string summary;         // "ModelSummary.list"
  bool threeBraneGeneratorMarked = false;
};

QuvrReanalyseState& state() {
  static QuvrReanalyseState s;
  return s;
}

constexpr int kNc[12] = {0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr int kNd[12] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1};
constexpr int kTc[12] = {0, 0, 2, 1, 0, -1, -2, 0, 0, 0, 0, 0};
constexpr int kTd[12] = {0, 0, 0, 0, 0, 0, 0, 2, 1, 0, -1, -2};

int dot(const std::vector<int>& row, const int* weights) {
  int sum = 0;
  for (int j = 0; j < 12 && static_cast<std::size_t>(j) < row.size(); ++j) sum += row[static_cast<std::size_t>(j)] * weights[j];
  return sum;
}

std::string reducedFraction(long long numerator, long long denominator) {
  if (denominator == 0) return "0";
  long long g = std::gcd(numerator, denominator);
  if (g == 0) g = 1;
  long long p = numerator / g, q = denominator / g;
  if (q < 0) p = -p, q = -q;
  return q == 1 ? formatText("%lld", p) : formatText("%lld/%lld", p, q);
}

void sizeTypeTables(int highest) {
  QuvrReanalyseState& s = state();
  const auto n = static_cast<std::size_t>(std::max(highest, 0));
  if (s.printed.size() < n) s.printed.resize(n, 0);
  if (s.generator.size() < n) s.generator.resize(n, 0);
}

int highestType() {
  int highest = 0;
  for (const ModelRow& row : quvrCatalogueRows()) highest = std::max(highest, row[56]);
  return highest;
}

bool loadCatalogue() {
  if (!quvrCatalogueRows().empty()) return true;
  if (FindQUVRFilesForInput() == 0) return false;
  quvrCatalogueRows() = readCatalogueRows();
  sizeTypeTables(highestType());
  return !quvrCatalogueRows().empty();
}

const int* storedRowOfType(int type) {
  for (const ModelRow& row : quvrCatalogueRows())
    if (row[56] == type) return row.data();
  return nullptr;
}

bool writeHomeFile(const char* name, const std::string& text) {
  const std::string path = quvrHomeFile(name);
  if (writeFileAtomically(path, text)) return true;
  Alert("FullQUVRAnalysis", 9, 120206, "Could not write file %s", path.c_str());
  return false;
}

}  // namespace

void resetQuvrReanalyse() {
  state() = QuvrReanalyseState{};
  clearPureIntersectionSpectra();
}

std::vector<std::vector<int>> pureIntersectionSpectra() {
  std::vector<std::vector<int>> rows;
  for (int k = 0; k < patternCount(); ++k) {
    const int* entry = patternEntry(k);
    rows.emplace_back(entry, entry + kPureSpectrumSize);
  }
  return rows;
}

void addPureIntersectionSpectrum(const std::vector<int>& row) {
  addPureIntersectionPattern(row.data(), static_cast<int>(row.size()));
}

std::string GroupString(const int* row) {
  if (row[3] == -2)
    return formatText("%c%d.%c%d.%c%d", charType(row[0]), row[4], charType(row[1]), row[5], charType(row[2]), row[6]);
  return formatText("%c%d.%c%d.%c%d.%c%d", charType(row[0]), row[4], charType(row[1]), row[5], charType(row[2]),
                    row[6], charType(row[3]), row[7]);
}

std::string Ystring(int ya, int yb, int tc, int nc, int td, int nd) {
  std::string text = formatText("(%d,%d,", ya, yb);
  text += reducedFraction(3LL * tc, nc);
  if (nd != 0)
    text += "," + reducedFraction(3LL * td, nd) + ")/6";
  else
    text += ")/6";
  return text;
}

void PrintPureSpectrumVector(const int* row, int number, int mode) {
  std::string text;
  const bool fourStacks = row[3] != -2;
  if (mode == 0) {
    text = formatText("Nr. %4d     ", number);
  } else if (row[44] >= 0) {
    text = formatText("Nr. %4d (quvr %5d) ", number, row[44]);
  } else if ((row[30] != 0 && row[34] != 0) || (row[35] != 0 && row[39] != 0)) {
    text = formatText("Nr. %4d (not incl. ) ", number);
  } else if (row[6] > 9 || row[7] > 9) {
    text = formatText("Nr. %4d              ", number);
  } else {
    text = formatText("Nr. %4d (not found ) ", number);
  }
  text += " [";
  for (int k = 45; k <= 52; ++k) text += row[k] > 9 ? std::string("*") : formatText("%d", row[k]);
  text += "] ";
  auto multiplicities = [&](int start) {
    text += " < ";
    for (int k = start; k < start + 5; ++k) text += row[k] > 99 ? std::string("** ") : formatText("%2d ", row[k]);
    text += ">";
  };
  multiplicities(30);
  if (fourStacks) multiplicities(35);
  const int tc = 2 * row[30] + row[31] - row[33] - 2 * row[34];
  const int nc = row[30] + row[31] + row[32] + row[33] + row[34];
  const int td = 2 * row[35] + row[36] - row[38] - 2 * row[39];
  const int nd = row[35] + row[36] + row[37] + row[38] + row[39];
  const std::string y = Ystring(row[28], row[29], tc, nc, fourStacks ? td : 0, fourStacks ? nd : 0);
  if (fourStacks)
    text += formatText(" %-23s", y.c_str());
  else
    text += formatText("%20s%-23s", "", y.c_str());
  text += formatText(" %-17s    ", GroupString(row).c_str());
  PrintText(text + "\n");
}

void PrintTerm(int v, int k, int f) {
  bool& first = state().firstTerm;
  if (k == -1) {
    first = false;
    return;
  }
  if (v == 0) return;
  if (k == 0) {
    if (f == 1)
      Print(" %d ", v);
    else
      Print(" %d/%d ", v, f);
  } else {
    const char symbol = k == 1 ? 'x' : 'y';
    if (v == 1)
      Print(first ? " + %c " : " %c ", symbol);
    else if (v == -1)
      Print(" - %c ", symbol);
    else if (v > 0)
      Print(first ? " + %d%c " : " %d%c ", v, symbol);
    else
      Print(first ? " - %d%c " : " -%d%c ", -v, symbol);
  }
  first = true;
}

void PrintConstraints(const int values[3], int f) {
  if (values[0] == 0 && values[1] == 0 && values[2] == 0) {
    Print(" 0");
    return;
  }
  PrintTerm(0, -1, f);
  for (int k = 0; k < 3; ++k) PrintTerm(values[k], k, f);
}

void auxNcNdString(std::string& text, int c, int isD) {
  if (c == 0) return;
  const char* name = isD != 0 ? "Nd" : "Nc";
  if (isD == 0) {
    if (c == 1)
      text += "Nc";
    else if (c == -1)
      text += "-Nc";
    else if (c >= 2)
      text += formatText("%d%s", c, name);
    else
      text += formatText("-%d%s", -c, name);
  } else {
    if (c == 1)
      text += "+Nd";
    else if (c == -1)
      text += "-Nd";
    else if (c >= 2)
      text += formatText("+%d%s", c, name);
    else
      text += formatText("-%d%s", -c, name);
  }
}

void PrintNcNdRelation(std::string& text, int p, int q, const int R[3], int f) {
  if (R[1] != 0 || R[2] != 0) {
    Alert("PrintNcNdRelation", 0, 212404, "No linear relation found");
    return;
  }
  long long a = 1LL * f * p, b = 1LL * f * q, r = R[0];
  long long g = std::gcd(std::gcd(a, b), r);
  if (g == 0) g = 1;
  a /= g, b /= g, r /= g;
  if (r < 0) a = -a, b = -b, r = -r;
  auxNcNdString(text, static_cast<int>(a), 0);
  auxNcNdString(text, static_cast<int>(-b), 1);
  text += formatText("=%lld", r);
}

std::string AnalyseDegeneracyEquations(const QuvrEquations& equations) {
  if (equations.rows.empty()) return "none";
  const std::vector<int>& first = equations.rows[0];
  const int y0 = first[0], y1 = first[1];
  int f = 1;
  if (y1 == 0) {
    f = y0;
  } else if (3 * y0 + 2 * y1 != 0) {
    Alert("AnalyseDegeneracyEquations", 0, 212404, "Unexpected degeneracy for Y=(%d,%d)", y0, y1);
    f = 1;
  } else {
    if (y0 % 2 != 0) Alert("AnalyseDegeneracyEquations", 1, 212404, "Invalid Y coefficients: (%d,%d)", y0, y1);
    f = -(y0 / 2);
  }
  if (f == 0) f = 1;
  int Nc[3] = {}, Nd[3] = {}, Tc[3] = {}, Td[3] = {};
  const std::size_t rows = std::min<std::size_t>(equations.rows.size(), 3);
  for (std::size_t i = 0; i < rows; ++i) {
    Nc[i] = dot(equations.rows[i], kNc);
    Nd[i] = dot(equations.rows[i], kNd);
    Tc[i] = dot(equations.rows[i], kTc);
    Td[i] = dot(equations.rows[i], kTd);
  }
  Print("\nNc = ");
  PrintConstraints(Nc, f);
  Print("\nNd = ");
  PrintConstraints(Nd, f);
  Print("\nTc = ");
  PrintConstraints(Tc, f);
  Print("\nTd = ");
  PrintConstraints(Td, f);
  Print("\n");
  const bool ncFixed = Nc[1] == 0 && Nc[2] == 0;
  const bool ndFixed = Nd[1] == 0 && Nd[2] == 0;
  if (ncFixed && ndFixed) return formatText("Nc=%d, Nd=%d", Nc[0], Nd[0]);
  if (ncFixed) return formatText("Nc=%d, Nd free", Nc[0]);
  if (ndFixed) return formatText("Nd=%d, Nc free", Nd[0]);
  const int k = Nc[1] != 0 ? 1 : Nc[2] != 0 ? 2 : -1;
  if (k < 0 || Nd[k] == 0) return "none";
  int R[3];
  for (int i = 0; i < 3; ++i) R[i] = Nc[i] * Nd[k] - Nd[i] * Nc[k];
  std::string text;
  PrintNcNdRelation(text, Nd[k], Nc[k], R, f);
  return text.empty() ? "none" : text;
}

int DetermineClassCount(const std::vector<std::vector<int>>& spectra, int cls) {
  int count = 0;
  for (const std::vector<int>& row : spectra)
    if (row.size() > 43 && row[43] == cls) ++count;
  return count;
}

bool reanalysisTakes(const int* record, int U) {
  if (U == -1) return true;
  const int n = record[7] != 0 ? 4 : 3;
  int r = 0;
  for (int k = 0; k < n; ++k) r += record[k] != 0 ? 1 : 0;
  const bool orientable = CheckOrientability(record, record + 12, record + 8, record + 16, record + 22, n) == 1 ||
                          CheckPseudoOrientability(record, record + 12, record + 8, record + 16, record + 22, n) != 0;
  const bool detached = n == 4 && record[18] == 0 && record[24] == 0 && record[20] == 0 && record[26] == 0 &&
                        record[21] == 0 && record[27] == 0;
  if (U == 10) return orientable;
  if (orientable) return false;
  if (U == 20) return n == 3;
  if (n == 3) return false;
  if (U == 15) return detached;
  if (detached) return false;
  return r == U;
}

int ReanalyseQUVR(int type, int U) {
  const int* stored = ReadGenericModelData(type);
  if (stored == nullptr) stored = storedRowOfType(type);
  if (stored == nullptr) return 1;
  int record[87];
  std::copy(stored, stored + 87, record);
  if (!reanalysisTakes(record, U)) return 0;
  QuvrReanalyseState& s = state();
  sizeTypeTables(std::max(type, highestType()));
  const int n = record[7] != 0 ? 4 : 3;
  if (s.printed[static_cast<std::size_t>(type - 1)] != 0)
    Alert("ReanalyseQUVR", 0, 212404, "Nr %d was already printed", type);
  s.printed[static_cast<std::size_t>(type - 1)] = 1;
  PrintBannerWithText(35, "              Re-analysis for QUVR %6d", type);
  std::string line = formatText("%6d ", type);
  const bool orientable = CheckOrientability(record, record + 12, record + 8, record + 16, record + 22, n) == 1;
  const bool pseudo = !orientable &&
                      CheckPseudoOrientability(record, record + 12, record + 8, record + 16, record + 22, n) != 0;
  if (orientable)
    Print("Orientable model\n");
  else if (pseudo)
    Print("(Pseudo)-orientable model (for some multiplicities)\n");
  const bool detached = n == 4 && record[18] == 0 && record[24] == 0 && record[20] == 0 && record[26] == 0 &&
                        record[21] == 0 && record[27] == 0;
  const bool semiDetached = n == 4 && !detached && record[18] == 0 && record[24] == 0 && record[20] == 0 &&
                            record[26] == 0;
  std::string classText = "none";
  int spectraCount = 0, onlyClass = -1;
  std::vector<std::vector<int>> spectra;
  if (detached) {
    record[57] = -1;
    RemoveDetachedBrane(record);
    Print("Detached d-brane, contains model %d\n", record[57]);
    line += " = ";
    line += formatText("%-16s", formatText(" {%d x %s}", record[57], chanPatonGroupName(record[3], record[7]).c_str()).c_str());
    line += formatText("   [%d x A, %d x S]", record[15], record[11]);
  } else {
    if (semiDetached) Print("Semi-detached d-brane; May have additional split d-stack solutions\n");
    CopyQUVRmodelToSMstruct(record, 1);
    SM.tensorCode = -1, SM.MIPF = -1, SM.orientifold = -1;
    SM.stackCount = 4;
    if (n == 3) Print("Model nr %d is a three brane model; intersection data extended to brane d\n", type);
    clearPureIntersectionSpectra();
    findLastSMBrane(10);
    spectra = pureIntersectionSpectra();
    spectraCount = static_cast<int>(spectra.size());
    int minimal = 1000000;
    for (const std::vector<int>& row : spectra)
      if (row.size() > 41) minimal = std::min(minimal, row[41]);
    int matched = 0;
    for (const std::vector<int>& row : spectra)
      if (row.size() > 44 && row[44] >= 0) ++matched;
    Print("Total number of intersection patterns: %d; matched by %d quvr models\n", spectraCount, matched);
    Print("Minimal number of particles in spectrum: %d\n", minimal);
    for (int cls = 0; cls < 3; ++cls) {
      const int count = DetermineClassCount(spectra, cls);
      if (count == 0) continue;
      onlyClass = cls;
      line += formatText(" <%d> ", cls);
      PrintBannerWithText(61, "Class %d, QUVR %d, Number of models %d [not counting brane-id and U(1)'s]", cls, type,
                          count);
      if (spectraCount == 1) {
        classText = n == 4 ? formatText("Nc=%d, Nd=%d", record[6], record[7]) : formatText("Nc=%d", record[6]);
      } else if (count > 1) {
        QuvrEquations equations;
        equations.columns = 12;
        for (const std::vector<int>& row : spectra) {
          if (row.size() < 40 || row[43] != cls) continue;
          std::vector<int> e(13, 0);
          for (int j = 0; j < 12; ++j) e[static_cast<std::size_t>(j)] = row[static_cast<std::size_t>(28 + j)];
          if (!equations.rows.empty())
            for (int j = 0; j < 12; ++j) e[static_cast<std::size_t>(j)] -= equations.rows[0][static_cast<std::size_t>(j)];
          int pivot = -1;
          for (int j = 0; j < 12 && pivot < 0; ++j)
            if (e[static_cast<std::size_t>(j)] != 0) pivot = j;
          if (pivot < 0 && !equations.rows.empty()) continue;
          e[12] = std::max(pivot, 0);
          equations.rows.push_back(e);
        }
        MakeEquationsPositive(equations);
        PrintSeparatorWithText('-', "Degeneracy Equations");
        line += formatText(" [%d,%d] ", static_cast<int>(equations.rows.size()), count);
        for (std::size_t i = 0; i < equations.rows.size(); ++i) {
          std::string label = formatText("Equation %d", static_cast<int>(i));
          std::string text = label;
          for (int j = 0; j < 12; ++j) text += formatText("%3d", equations.rows[i][static_cast<std::size_t>(j)]);
          PrintText(text + "\n");
        }
        const std::string found = AnalyseDegeneracyEquations(equations);
        Print("Class %d, %s\n", cls, found.c_str());
        if (classText == "none") classText = found;
      }
      Print("Total number in class %d: %5d\n\n", cls, count);
    }
  }
  std::string summary = formatText("%-65s", line.c_str());
  summary += classText != "none" ? formatText("%-20s", classText.c_str()) : std::string(20, ' ');
  if (spectraCount == 1 && !spectra.empty() && spectra[0].size() > 39) {
    const std::vector<int>& only = spectra[0];
    if (onlyClass == 0 && only[32] == record[6] && only[37] == record[7]) summary += " GUT";
    if (onlyClass == 1 && only[31] + only[33] == record[6] && only[36] + only[38] == record[7]) summary += " Madrid";
  }
  const std::vector<int>& realRecovered = quvrRealRecovered();
  if (static_cast<std::size_t>(type) < realRecovered.size() && realRecovered[static_cast<std::size_t>(type)] != 0)
    summary += formatText(" (Real <-- %5d)", realRecovered[static_cast<std::size_t>(type)]);
  if (pseudo) summary += " PseudoOrientable";
  if (semiDetached) summary += " SemiDetached";
  summary += "\n";
  s.summary += summary;
  writeHomeFile("ModelSummary.list", s.summary);
  return 0;
}

void RealFormQUVR() {
  if (!loadCatalogue()) return;
  std::vector<ModelRow>& rows = quvrCatalogueRows();
  std::vector<int>& recovered = quvrRealRecovered();
  std::fill(recovered.begin(), recovered.end(), 0);
  const int total = static_cast<int>(rows.size());
  static constexpr const char* kReport[3] = {"Number of spectra with unitary branes only: %d/%d\n",
                                             "Number of spectra with one real brane: %d/%d\n",
                                             "Number of spectra with two real branes: %d/%d\n"};
  for (int index = 0; index <= 2; ++index) {
    Print("Reality %d\n", index);
    int count = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      obeyInterruptRequest();
      if (RealityIndex(rows[k].data()) != index) continue;
      ++count;
      ModelRow profile = rows[k];
      ModelRow reference = rows[k];
      makeStackReal(profile.data(), 1, reference.data());
    }
    PrintStdout(kReport[index], count, total);
  }
  int found = 0, missing = 0;
  for (const ModelRow& row : rows) {
    const bool marked = row[56] >= 0 && static_cast<std::size_t>(row[56]) < recovered.size() &&
                        recovered[static_cast<std::size_t>(row[56])] != 0;
    if (marked)
      ++found;
    else if (RealityIndex(row.data()) > 0)
      ++missing;
  }
  PrintStdout("Total number of real spectra recovered: %d/%d\n", found, total);
  PrintStdout("Total number of real spectra not recovered: %d/%d\n", missing, total);
}

void AnalyseIntersectionPatterns() {
  // A pattern is the 48-word chiral profile of a generator type; every other type must be
  // one of them under the interchange and conjugation of c and d.
  constexpr int kProfile = 48;
  struct Pattern {
    std::array<int, kProfile> profile{};
    int count = 0;
    int generator = 0;
  };
  std::vector<Pattern> patterns;
  const std::vector<int>& isGenerator = quvrIsGenerator();
  const auto generatorType = [&](int type) {
    return type >= 1 && static_cast<std::size_t>(type) <= isGenerator.size() &&
           isGenerator[static_cast<std::size_t>(type - 1)] == 1;
  };
  const auto find = [&](const int* row) {
    for (std::size_t k = 0; k < patterns.size(); ++k)
      if (std::equal(row, row + kProfile, patterns[k].profile.begin())) return static_cast<int>(k);
    return -1;
  };
  for (const ModelRow& row : quvrCatalogueRows()) {
    if (!generatorType(row[56])) continue;
    int k = find(row.data());
    if (k < 0) {
      Pattern pattern;
      std::copy(row.begin(), row.begin() + kProfile, pattern.profile.begin());
      pattern.generator = row[56];
      patterns.push_back(pattern);
      k = static_cast<int>(patterns.size()) - 1;
    }
    ++patterns[static_cast<std::size_t>(k)].count;
  }
  for (const ModelRow& row : quvrCatalogueRows()) {
    obeyInterruptRequest();
    if (generatorType(row[56]) || find(row.data()) >= 0) continue;
    const std::vector<std::array<int, 66>> variants = BuildQuvrVariations(row.data());
    bool found = false;
    for (std::size_t m = 0; m < variants.size() && !found; ++m) {
      const int k = find(variants[m].data());
      if (k < 0) continue;
      Print("Found generator for field %d at m=%d\n", row[56], static_cast<int>(m));
      ++patterns[static_cast<std::size_t>(k)].count;
      found = true;
    }
    if (found) continue;
    for (const std::array<int, 66>& variant : variants) PrintVec(kProfile, variant.data(), "--->");
    // One type of the catalogue walk: reported and skipped, the walk goes on.
    Alert("AnalyseIntersectionPatterns", 0, 112201, "%d NOT FOUND", row[56]);
  }
  for (const Pattern& pattern : patterns) {
    Print("Vector %5d, Count %3d, Gen. %5d", static_cast<int>(&pattern - patterns.data()), pattern.count,
          pattern.generator);
    for (int v : pattern.profile) Print("%3d", v);
    Print("\n");
  }
}

int FullQUVRAnalysis(int U) {
  static constexpr int kKnown[7] = {20, 15, 10, 0, 1, 2, 3};
  if (std::find(std::begin(kKnown), std::end(kKnown), U) == std::end(kKnown)) {
    Alert("FullQUVRAnalysis", 1, 212404, "Unexpected U-value %d\n", U);
    return 1;
  }
  if (!loadCatalogue()) return 1;
  RealFormQUVR();
  QuvrReanalyseState& s = state();
  std::vector<int>& isGenerator = quvrIsGenerator();
  if (U == 20) {
    s.summary.clear();
    std::fill(isGenerator.begin(), isGenerator.end(), 0);
    AnalyseIntersectionPatterns();
    std::fill(isGenerator.begin(), isGenerator.end(), 0);
  } else {
    AnalyseIntersectionPatterns();
  }
  const char* heading = U == 20   ? "Three-brane models\n"
                        : U == 15 ? "Detached d-brane models\n"
                        : U == 10 ? "Orientable models\n"
                        : U == 0  ? "Unitary 4-brane models\n"
                        : U == 1  ? "Models with a single real brane\n"
                        : U == 2  ? "Models with two real branes \n"
                                  : "Models with three real branes \n";
  const std::string rule(79, '-');
  s.summary += rule + "\n" + heading + rule + "\n";
  writeHomeFile("ModelSummary.list", s.summary);
  std::vector<int> generatorTypes, others;
  for (const ModelRow& row : quvrCatalogueRows()) {
    const int type = row[56];
    const bool generator = type >= 1 && static_cast<std::size_t>(type) <= isGenerator.size() &&
                           isGenerator[static_cast<std::size_t>(type - 1)] == 1;
    (generator ? generatorTypes : others).push_back(type);
  }
  ProgressScope progress("Re-analysing catalogue types",
                         static_cast<double>(generatorTypes.size() + others.size()));
  for (int type : generatorTypes) {
    progress.step();
    ReanalyseQUVR(type, U);
  }
  for (int type : others) {
    progress.step();
    ReanalyseQUVR(type, U);
  }
  if (U == 3) {
    std::string generatorsFile;
    for (std::size_t k = 0; k < s.generator.size(); ++k) {
      if (s.generator[k] >= 1) generatorsFile += formatText("%6d\n", static_cast<int>(k + 1));
      if (s.generator[k] >= 2) Print("Generator %5d (multiplicity %d) \n", static_cast<int>(k + 1), s.generator[k]);
    }
    writeHomeFile("Generators.list", generatorsFile);
    for (const ModelRow& row : quvrCatalogueRows()) {
      const int type = row[56];
      if (type >= 1 && static_cast<std::size_t>(type) <= s.printed.size() && s.printed[static_cast<std::size_t>(type - 1)] == 0)
        Print("Model %d was not printed\n", type);
    }
  }
  return 0;
}

void ExtendQUVR() {
  if (!loadCatalogue()) return;
  std::string text;
  ProgressScope progress("Extending catalogue records",
                         static_cast<double>(quvrCatalogueRows().size()));
  for (const ModelRow& stored : quvrCatalogueRows()) {
    progress.step();
    ModelRow row{};
    std::copy(stored.begin(), stored.begin() + 66, row.begin());
    CopyQUVRmodelToSMstruct(row.data(), 3);
    ComputeAdditionalModelInfo(&SM);
    PrintFullQUVRData(row.data());
    copyExtendedInfo(row.data(), &SM);
    text += QUVRRecordLine(row.data());
  }
  writeHomeFile("ModelsNEW.list", text);
}
