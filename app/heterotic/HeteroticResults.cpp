// The result files of a heterotic search and the store of distinct spectra behind them.
//
// A spectrum is a row of R + 8 ints (R the number of representation names): families,
// the multiplicities of names 0 .. R-2, the supersymmetry code, the exotics, the class,
// the algebra number, the dimension, the prime code, the level and the model number; rows
// are identified by their first R + 5 ints and counted. ".spectra" and ".spectra_backup"
// and ".AlgList" are rewritten whole through a synced temporary file, so that a reader
// never meets half a file; ".alg" and ".origin" grow by one whole block or line per write.
// The state lives in HeteroticJobState for the run.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "groups/Discrete.h"
#include "heterotic/HeteroticInternal.h"
#include "interpreter/RunControl.h"
#include "invariants/Invariants.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

constexpr int kEndMarker = 999999;

HeteroticFilterInfo* filterOf(SimpleCurrentData* MD) {
  return MD == nullptr ? nullptr : static_cast<HeteroticFilterInfo*>(MD->context);
}

int repNameCount() {
  return heteroticState().repNames.size();
}

void countClass(std::vector<int>& table, int klass, int k) {
  if (klass >= 0 && klass < static_cast<int>(table.size()))
    table[static_cast<std::size_t>(klass)] += k;
}

// A line appended in one write, so that an interrupted run leaves whole lines.
void appendWhole(const std::string& path, const std::string& text) {
  if (!appendToSharedFile(path, text))
    Alert("appendWhole", 0, 120406, "Cannot write file %s", path.c_str());
}

void writeWhole(const std::string& path, const std::string& text) {
  if (!writeFileAtomically(path, text))
    Alert("writeWhole", 0, 120406, "Cannot write file %s", path.c_str());
}

std::string spectrumLine(const int* row, int count, int R) {
  std::string line;
  for (int i = 0; i < R + 4; ++i) line += formatText("%7d", row[i]);
  line += formatText("%9d", row[R + 4]);
  line += formatText("%9d", row[R + 5]);
  line += formatText("%3d", row[R + 6]);
  line += formatText("%7d", row[R + 7]);
  line += formatText("%10d ", count);
  line += "\n";
  return line;
}

// Reads one whole line of any length; false at the end of the file.
bool readWholeLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = 0;
  bool any = false;
  while ((c = std::fgetc(file)) != EOF) {
    any = true;
    if (c == '\n') return true;
    line += static_cast<char>(c);
  }
  return any;
}

// The integers of a text, in order; stops at the first character that starts none.
std::vector<long long> integersOf(const char* text) {
  std::vector<long long> values;
  const char* p = text;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
    if (*p == '\0') break;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(p, &end, 10);
    if (end == p) break;
    values.push_back(v);
    p = end;
  }
  return values;
}

// The largest first number of the lines of a file, cut at "|" when asked; -1 for none,
// -2 after an alert when a line starts with no number or with one out of range.
int largestFirstNumber(const char* fileName, bool cutAtBar, const char* what) {
  if (fileName == nullptr || checkDir(fileName) == -1) return -1;
  std::FILE* file = std::fopen(convertFileName(fileName).c_str(), "r");
  if (file == nullptr) {
    Alert("getLastModelNumber", 0, 120206, "Cannot open file %s", fileName);
    return -1;
  }
  int largest = -1;
  int lineNumber = 0;
  std::string line;
  while (readWholeLine(file, line)) {
    ++lineNumber;
    if (cutAtBar) {
      const std::size_t bar = line.find('|');
      if (bar != std::string::npos) line.resize(bar);
    }
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const std::vector<long long> values = integersOf(line.c_str());
    if (values.empty() || values[0] < 0 || values[0] > kLargestStoredValue) {
      std::fclose(file);
      Alert("getLastModelNumber", 1, 112415, "Line %d of %s holds no valid %s", lineNumber,
            fileName, what);
      return -2;
    }
    largest = std::max(largest, static_cast<int>(values[0]));
  }
  std::fclose(file);
  return largest;
}

}  // namespace

HeteroticAlgebraInfo& lastAlgebraInfo() {
  static HeteroticAlgebraInfo info;
  return info;
}

std::string heteroticFileName(const char* suffix) {
  return getCurrentOutputFileName(suffix);
}

const HeteroticRows& getSpectra() {
  return heteroticJobs().spectra;
}
HeteroticRows& getSpectraForUpdate() {
  return heteroticJobs().spectra;
}
const std::vector<int>& getChirCount() {
  return heteroticJobs().chirCount;
}
const std::vector<int>& getNonChirCount() {
  return heteroticJobs().nonChirCount;
}

// ---------------------------------------------------------------------------------------
// The stores installed in the spectrum computation

void storeHeteroticSpectrum(SimpleCurrentData* MD, const HeteroticSpectrumSummary& summary) {
  HeteroticState& s = heteroticState();
  if (heteroticJobs().setUpDone == 0) {
    // Spectra computed outside a search (no result files set up) are only counted.
    if (s.storeNoticeGiven == 0) {
      Alert("GSC_printSpectrum", 0, 100201,
            "Heterotic spectrum not stored: no \"compute heterotic\" in this run");
      s.storeNoticeGiven = 1;
    }
    return;
  }
  GSC_printSpectrum(MD, summary.type, summary.chiralExotics, summary.totalExotics,
                    summary.algebraNumber, summary.dimension, summary.Nsusy, summary.Nvector, 0,
                    summary.anomaly);
}

void storeHeteroticAlgebra(int algebraNumber, const std::vector<int>& pattern) {
  if (heteroticJobs().setUpDone == 0) return;
  writeAlgebraFiles(algebraNumber, pattern);
  getAlgebraNumber(2);
}

// ---------------------------------------------------------------------------------------
// Storing a spectrum

int GSC_printSpectrum(SimpleCurrentData* MD, int type, int exotics, int totalExotics, int algebra,
                      int dim, int Ns, int Nv, int printFlag, int anomalyCode) {
  HeteroticState& s = heteroticState();
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticFilterInfo* record = filterOf(MD);
  const int R = repNameCount();
  const int h = heteroticFactorCount();
  const int P = particleFactorCount();
  if (jobs.spectra.rowLength() != R + 8) {
    Alert("GSC_printSpectrum", 1, 212204, "Spectrum store does not match %d representation names",
          R);
    return 0;
  }
  int klass = type;
  if (anomalyCode == -5) klass += 1000;
  if (anomalyCode == -4) klass += 2000;
  if (anomalyCode == -6) klass += 3000;
  ++jobs.printSpectrumCalls;

  if (printFlag == 1 || settingOn(s.printSpectrum) != 0) GSC_OrderedPrint();

  // Name counts: the rows of RepCount whose left labels carry a name.
  std::vector<long long> counts(static_cast<std::size_t>(R), 0);
  if (P <= h && s.repNames.rowLength() == P) {
    for (int r = 0; r < s.repCount.size(); ++r) {
      const int name = s.repNames.find(s.repCount.row(r) + h);
      if (name >= 0) counts[static_cast<std::size_t>(name)] += s.repCount.count(r);
    }
  }
  const int primeCode = record != nullptr ? record->primeCode : 0;
  const int level = record != nullptr ? record->generators.size() : 0;
  const int model = getModelNumber(1);
  std::vector<int> row(static_cast<std::size_t>(R) + 8, 0);
  int F = 0;
  bool added = false;
  if (exotics < 1 && (anomalyCode == 1 || anomalyCode == -5)) {
    long long families = 0;
    for (int i = 0; i < R && i < static_cast<int>(s.names.size()); ++i) {
      const std::string& name = s.names[static_cast<std::size_t>(i)];
      if (name == "Q") families += counts[static_cast<std::size_t>(i)];
      if (name == "Q*") families -= counts[static_cast<std::size_t>(i)];
    }
    F = static_cast<int>(families);
    row[0] = std::abs(F);
    for (int i = 1; i < R; ++i)
      row[static_cast<std::size_t>(i)] = static_cast<int>(counts[static_cast<std::size_t>(i) - 1]);
    row[static_cast<std::size_t>(R)] = Ns + 10 * Nv - 1;
    row[static_cast<std::size_t>(R) + 1] = totalExotics;
    row[static_cast<std::size_t>(R) + 2] = klass;
    row[static_cast<std::size_t>(R) + 3] = algebra;
    row[static_cast<std::size_t>(R) + 4] = dim;
    row[static_cast<std::size_t>(R) + 5] = primeCode;
    row[static_cast<std::size_t>(R) + 6] = level;
    row[static_cast<std::size_t>(R) + 7] = model;
    if (printFlag == 1) {
      Print("Spectrum with %d families and no chiral exotics (Quantum %d):\n", F, klass);
      PrintVec(R + 7, row.data(), "Printed as");
    }
    const int index = jobs.spectra.add(row.data(), 1, &added);
    countClass(jobs.nonChirCount, klass, 1);
    if (!added) {
      int* stored = jobs.spectra.row(index);
      if (stored[R + 7] == getModelTag()) GSC_printOriginOfTaggedSpectrum(MD);
      if (settingOn(s.fullSpectrum) != 0)
        analyseFullSpectrum(record == nullptr ? nullptr : record->tensor, exotics, klass, F);
      bool changed = false;
      if (stored[R + 5] > primeCode) {
        Print("Changing prime code from %d to %d\n", stored[R + 5], primeCode);
        stored[R + 5] = primeCode;
        stored[R + 7] = model;
        changed = true;
      }
      if (stored[R + 7] < 0) {
        Print("Re-discovered old result\n");
        stored[R + 7] = model;
        changed = true;
      }
      if (stored[R + 6] > level) {
        Print("Changing nr. of generators from %d to %d\n", stored[R + 6], level);
        stored[R + 6] = level;
        stored[R + 7] = model;
        changed = true;
      }
      if (changed) GSC_printOrigin(MD);
    } else {
      if (printFlag == 1) Print("Writing origin file\n");
      if (settingOn(s.fullSpectrum) != 0)
        analyseFullSpectrum(record == nullptr ? nullptr : record->tensor, exotics, klass, F);
      GSC_printOrigin(MD);
    }
  } else {
    row[static_cast<std::size_t>(R) + 2] = klass;
    row[static_cast<std::size_t>(R) + 4] = primeCode;
    row[static_cast<std::size_t>(R) + 5] = primeCode;
    row[static_cast<std::size_t>(R) + 7] = -1;
    jobs.spectra.add(row.data(), 1, &added);
    countClass(jobs.chirCount, klass, 1);
    F = 0;
  }

  checkInterrupt();
  if (!added) {
    if (jobs.printSpectrumCalls % 1000 != 0) return 0;
    Print("Printing output (level %d)\n", level);
  } else {
    const int f = std::abs(F);
    jobs.maxEul = std::max(jobs.maxEul, f);
    if (f == 3) ++jobs.N3fam;
    jobs.familyGcd = std::gcd(jobs.familyGcd, f);
    if (klass < 100) {
      if (exotics < 1 && anomalyCode == 1 && F != 0)
        Print("========= New Spectrum (level %d, %d Families)\n", level, F);
      else if (exotics < 1 && anomalyCode == -5)
        Print("========= New Spectrum (level %d, %d Families, B-L violation)\n", level, F);
    } else {
      Print("========= New Spectrum (level %d, %d Families, Quantum %d Exotics %d)\n", level, F,
            klass, exotics);
    }
    ++jobs.newSpectrumCount;
  }
  return GSC_printStatistics(0);
}

// ---------------------------------------------------------------------------------------
// The files

int GSC_printAllSpectra(int mode) {
  HeteroticJobState& jobs = heteroticJobs();
  const int R = jobs.spectra.rowLength() - 8;
  if (R < 0) return 0;
  const int n = jobs.spectra.size();
  std::string text;
  if (mode == 0) {
    Print("Writing list of spectra to file\n");
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return compareVec(R + 5, jobs.spectra.row(a), jobs.spectra.row(b)) < 0;
    });
    for (int i : order) text += spectrumLine(jobs.spectra.row(i), jobs.spectra.count(i), R);
    writeWhole(heteroticFileName(".spectra"), text);
  } else {
    for (int i = 0; i < n; ++i) text += spectrumLine(jobs.spectra.row(i), jobs.spectra.count(i), R);
    for (int i = 0; i < R + 9; ++i) text += formatText(" %d", kEndMarker);
    text += "\n";
    writeWhole(heteroticFileName(".spectra_backup"), text);
  }
  return 0;
}

std::string originLine(SimpleCurrentData* MD, bool withModelNumber) {
  HeteroticFilterInfo* record = filterOf(MD);
  std::string line;
  if (withModelNumber) line += formatText("%5d    ", getModelNumber(1));
  if (record != nullptr) {
    const int n = record->generators.rowLength();
    for (int g = 0; g < record->generators.size(); ++g) {
      const int* labels = record->generators.row(g);
      for (int f = 0; f < n; ++f) line += formatText("%3d ", labels[f]);
      line += "      ";
    }
  }
  line += " | ";
  const int k = MD != nullptr && MD->group != nullptr ? MD->group->nfactors : 0;
  const std::size_t kk = static_cast<std::size_t>(k) * static_cast<std::size_t>(k);
  if (MD != nullptr && MD->monodromies.size() >= 2 * kk) {
    for (std::size_t e = 0; e < kk; ++e) line += formatText("%d ", MD->monodromies[kk + e]);
  }
  line += "\n";
  return line;
}

void GSC_printOrigin(SimpleCurrentData* MD) {
  appendWhole(heteroticFileName(".origin"), originLine(MD, true));
  getModelNumber(2);
}

void GSC_printOriginOfTaggedSpectrum(SimpleCurrentData* MD) {
  const std::string suffix = formatText(".origin_tagged_%d", getModelTag());
  appendWhole(heteroticFileName(suffix.c_str()), originLine(MD, false));
}

void writeAlgebraFiles(int algebraNumber, const std::vector<int>& pattern) {
  HeteroticState& s = heteroticState();
  const HeteroticAlgebraInfo& info = lastAlgebraInfo();
  const int h = heteroticFactorCount();
  const int D = s.commonDenominator > 0 ? s.commonDenominator : 1;
  const int width = getSeparatorLineSize() > 0 ? getSeparatorLineSize() : 80;
  const std::string separator(static_cast<std::size_t>(width), '-');
  std::string block = "\n" + separator + "\n";
  block += formatText("Algebra %d (Order=%d,type=%d,Q_alg=%d,Q_cft=%d), dimension %d; nr. %d",
                      algebraNumber, info.order, info.type, info.Qalg, info.Qcft, info.dimension,
                      algebraNumber);
  block += "\n\n" + separator + "\n";
  for (int r = 0; r < s.patternRoots.size() && r < static_cast<int>(pattern.size()); ++r) {
    const int q = pattern[static_cast<std::size_t>(r)];
    if (q == 0) continue;
    const int* root = s.patternRoots.row(r);
    const int w = root[h];
    std::string title;
    if (w == 0)
      title = formatText("dim %3d     (algebra)", q);
    else if (w % D != 0)
      title = formatText("dim %3d    (internal)", q);
    else
      title = formatText("dim %3d (higher spin)", q);
    appendVecLine(block, h + 1, root, title.c_str());
  }
  appendWhole(heteroticFileName(".alg"), block);

  std::string list;
  for (int a = 0; a < s.patternAlgebra.size(); ++a) {
    list += formatText("%5d ", a);
    const int* row = s.patternAlgebra.row(a);
    for (int r = 0; r < s.patternAlgebra.rowLength(); ++r) list += formatText("%d ", row[r]);
    list += "\n";
  }
  writeWhole(heteroticFileName(".AlgList"), list);
}

// ---------------------------------------------------------------------------------------
// Reading filters back

int readFilterList(TensorProduct* tensor, const char* fileName) {
  if (!requireHeteroticSetUp("readFilterList", tensor)) return 1;
  readPreviousData();
  Print("Reading file %s\n", fileName);
  std::FILE* file =
      fileName == nullptr ? nullptr : std::fopen(convertFileName(fileName).c_str(), "r");
  if (file == nullptr) {
    Alert("readFilterList", 0, 120206, "Cannot open file %s", fileName == nullptr ? "" : fileName);
    return -1;
  }
  const int n = factorCount(tensor);
  std::string line;
  int lines = 0;
  while (readWholeLine(file, line)) {
    ++lines;
    Print("Time %7.2f sec; Line read: %s\n", CPUTime(), line.c_str());
    if (lines % 100 == 0) GSC_printStatistics(1);
    resetFilterCurrents(tensor);
    const std::size_t bar = line.find('|');
    const std::string head = bar == std::string::npos ? line : line.substr(0, bar);
    const std::vector<long long> values = integersOf(head.c_str());
    std::vector<int> orders;
    std::vector<int> labels(static_cast<std::size_t>(n));
    for (std::size_t start = 1; n > 0 && start + static_cast<std::size_t>(n) <= values.size();
         start += static_cast<std::size_t>(n)) {
      for (int f = 0; f < n; ++f)
        labels[static_cast<std::size_t>(f)] = static_cast<int>(values[start + f]);
      bool valid = true;
      for (int f = 0; f < n && valid; ++f)
        valid = labels[static_cast<std::size_t>(f)] >= 0 &&
                labels[static_cast<std::size_t>(f)] < factorGroupOrder(tensor, f);
      if (!valid) {
        Alert("readFilterList", 1, 112201, "Invalid current in line %d; line skipped", lines);
        orders.clear();
        resetFilterCurrents(tensor);
        break;
      }
      orders.push_back(TensorOrbitLength(tensor, labels.data()));
      addNewFilterCurrent(tensor, labels.data());
    }
    if (bar == std::string::npos) {
      ComputeFilter(tensor);
      continue;
    }
    const std::vector<long long> xs = integersOf(line.c_str() + bar + 1);
    const std::size_t k = orders.size();
    if (xs.size() < k * k) {
      Alert("readFilterList", 2, 112201, "Incomplete X matrix in line %d; line skipped", lines);
      continue;
    }
    const auto outside = [](long long x) {
      return x < -kLargestStoredValue || x > kLargestStoredValue;
    };
    if (std::any_of(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(k * k), outside)) {
      Alert("readFilterList", 3, 112201, "Impossible X matrix entry in line %d of %s; line skipped",
            lines, fileName);
      continue;
    }
    std::vector<int> X(k * k);
    for (std::size_t e = 0; e < k * k; ++e) X[e] = static_cast<int>(xs[e]);
    ComputeFilterNEW(tensor, orders.data(), X.data());
    storeSimpleCurrentDataPointer(nullptr, 0, -1, nullptr);
  }
  std::fclose(file);
  GSC_printStatistics(2);
  return 0;
}

int getLastModelNumber(const char* fileName) {
  return largestFirstNumber(fileName, true, "model number");
}

int getLastAlgebraNumber(const char* fileName) {
  return largestFirstNumber(fileName, false, "algebra number");
}

// ---------------------------------------------------------------------------------------
// Printouts

void GSC_OrderedPrint() {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  const int P = std::min(particleFactorCount(), h);
  PrintSeparatorWithText('=', "NEW SPECTRUM");
  const char* title = "Left representation associated with the following reps";
  if (s.selectedReps.size() == 1 && s.selectedReps.rowLength() == h)
    PrintVec(h, s.selectedReps.row(0), title);
  auto centred = [&](const int* labels, int length) {
    std::vector<int> v(static_cast<std::size_t>(h), 0);
    std::copy(labels, labels + std::min(length, h), v.begin());
    adjustCharges(v.data(), h);
    return v;
  };
  for (int sel = 0; sel < s.selectedReps.size() && s.selectedReps.rowLength() == h; ++sel) {
    const int* selected = s.selectedReps.row(sel);
    HeteroticRows gathered;
    gathered.reset(h);
    for (int r = 0; r < s.repCount.size() && s.repCount.rowLength() == 2 * h; ++r) {
      const int* row = s.repCount.row(r);
      if (!std::equal(row, row + h, selected)) continue;
      const std::vector<int> left = centred(row + h, h);
      gathered.add(left.data(), s.repCount.count(r));
    }
    if (s.selectedReps.size() > 1) PrintVec(h, selected, title);
    std::vector<char> printed(static_cast<std::size_t>(gathered.size()), 0);
    auto printMatching = [&](const std::vector<int>& labels, const std::string& name, bool named) {
      for (int g = 0; g < gathered.size(); ++g) {
        if (printed[static_cast<std::size_t>(g)] != 0) continue;
        if (!std::equal(labels.begin(), labels.begin() + P, gathered.row(g))) continue;
        printed[static_cast<std::size_t>(g)] = 1;
        const std::string line = named ? formatText("%4d x %-8s", gathered.count(g), name.c_str())
                                       : formatText("%4d x         ", gathered.count(g));
        PrintVec(h, gathered.row(g), line.c_str());
      }
    };
    for (int r = 0; r < s.repNames.size(); ++r)
      printMatching(centred(s.repNames.row(r), s.repNames.rowLength()),
                    s.names[static_cast<std::size_t>(r)], true);
    for (int r = 0; r < s.allowedReps.size(); ++r)
      printMatching(centred(s.allowedReps.row(r), s.allowedReps.rowLength()), "", false);
    for (int g = 0; g < gathered.size(); ++g) {
      if (printed[static_cast<std::size_t>(g)] != 0) continue;
      PrintVec(h, gathered.row(g), formatText("%4d x [unknown]", gathered.count(g)).c_str());
    }
  }
  PrintSeparatorWithText('=', "COMPLETED");
}

namespace {

// The member of a state and its conjugate that is counted, when the heterotic factors have
// no colour and weak roles: the state itself when its first non-zero internal charge is
// positive (or all are 0), else the conjugate (conjugate heterotic labels, the centred
// U(1) labels and the charges negated). 1 for the state, -1 for the conjugate.
int conjugateByCharges(TensorProduct* tensor, int h, const std::vector<int>& state,
                       std::vector<int>& out) {
  const int n = static_cast<int>(state.size());
  out = state;
  int f = h;
  while (f < n && state[static_cast<std::size_t>(f)] == 0) ++f;
  if (f == n || state[static_cast<std::size_t>(f)] > 0) return 1;
  for (int g = 0; g < n; ++g) {
    const std::size_t i = static_cast<std::size_t>(g);
    if (g >= h || g == 2 || g == 3) {
      out[i] = -state[i];
    } else {
      SpectrumData* sd = factorTheory(tensor, g);
      out[i] = sd != nullptr && sd->conjugates != nullptr ? sd->conjugates[state[i]] : state[i];
    }
  }
  return -1;
}

}  // namespace

FullSpectrumStates computeFullSpectrumStates(TensorProduct* tensor) {
  HeteroticState& s = heteroticState();
  FullSpectrumStates out;
  const int n = factorCount(tensor);
  const int h = heteroticFactorCount();
  out.states.reset(n);
  out.cubic.assign(static_cast<std::size_t>(std::max(n - h, 0)), 0);
  out.linear.assign(out.cubic.size(), 0);
  if (n < 1 || s.fullSpectrumRows.rowLength() != n + 3) return out;
  for (int f = h; f < n; ++f) {
    SpectrumData* sd = factorTheory(tensor, f);
    if (sd == nullptr || !SM_hasMinimalCharges(sd)) return out;
  }
  out.chargesKnown = true;
  // The colour and weak slots are read as such only when the factors play those roles.
  const bool standardRoles = h >= 2 && playsStandardModelRole(0) && playsStandardModelRole(1);
  const HeteroticRows& rows = s.fullSpectrumRows;
  std::vector<int> state(static_cast<std::size_t>(n)), counted(static_cast<std::size_t>(n));
  for (int r = 0; r < rows.size(); ++r) {
    const int* row = rows.row(r);
    for (int f = 0; f < n; ++f) state[static_cast<std::size_t>(f)] = row[f];
    // The hypercharge-like labels of the standard set-up, in symmetric form.
    if (n > 2 && state[2] >= 16) state[2] -= 30;
    if (n > 3 && state[3] >= 11) state[3] -= 20;
    for (int f = h; f < n; ++f)
      state[static_cast<std::size_t>(f)] = SM_getMinimalCharge(factorTheory(tensor, f), row[f]);
    const long long m = row[n + 1];
    const int side = standardRoles ? ConjugateCombination(n, state.data(), counted.data())
                                   : conjugateByCharges(tensor, h, state, counted);
    const long long signedM = side == 1 ? m : -m;
    out.states.add(counted.data(), static_cast<int>(signedM));
    long long weight = signedM;
    for (int f = 0; f < n; ++f)
      weight *= s.dimsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(row[f])];
    for (int f = h; f < n; ++f) {
      const long long c = counted[static_cast<std::size_t>(f)];
      const long long N = factorTheory(tensor, f)->weight_den;
      long long cube = c * c * c, lin = c;
      if (s.dimsLeft[static_cast<std::size_t>(f)][static_cast<std::size_t>(row[f])] != 1) {
        // A doublet of the superconformal algebra: its two members one charge unit apart.
        cube = ((N + c) * (N + c) * (N + c) + (c - N) * (c - N) * (c - N)) / 2;
        lin = ((N + c) + (c - N)) / 2;
      }
      out.cubic[static_cast<std::size_t>(f - h)] += weight * cube;
      out.linear[static_cast<std::size_t>(f - h)] += weight * lin;
    }
  }
  return out;
}

void analyseFullSpectrum(TensorProduct* tensor, int exotics, int klass, int families) {
  if (exotics > 0 || std::abs(families) == 84) return;
  const HeteroticRows& rows = heteroticState().fullSpectrumRows;
  Print("\n\n............... Full Spectrum ...........");
  Print("              (algebra %d, Families %d)\n\n", klass, families);
  const FullSpectrumStates result = computeFullSpectrumStates(tensor);
  for (std::size_t f = 0; f < result.cubic.size(); ++f) {
    if (result.cubic[f] != 0 || result.linear[f] != 0) {
      // A warning, then the heterotic exit routine, so that the result files are complete.
      Alert("analyseFullSpectrum", 0, 212204, "Anomalies!");
      GracefulExit(1);
    }
  }
  std::vector<int> order(static_cast<std::size_t>(result.states.size()));
  std::iota(order.begin(), order.end(), 0);
  const int n = result.states.rowLength();
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return std::lexicographical_compare(result.states.row(a), result.states.row(a) + n,
                                        result.states.row(b), result.states.row(b) + n);
  });
  int printed = 0;
  for (int i : order) {
    if (result.states.count(i) == 0) continue;
    PrintVec(n, result.states.row(i), formatText("%3d x ", result.states.count(i)).c_str());
    ++printed;
  }
  Print("Total number %d (Full spectrum %d)\n", printed, rows.size());
}
