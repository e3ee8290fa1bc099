// Loading the results of earlier jobs of a heterotic search: the distinct spectra of
// ".spectra" (or of a complete ".spectra_backup"), the algebra catalogue of ".AlgList",
// checked against ".alg"; the damage checks; and the summary numbers of the store.
// Files that do not fit together end the run, leaving them untouched for repair.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "heterotic/HeteroticInternal.h"
#include "runtime/BatchQueue.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"

namespace {

constexpr int kEndMarker = 999999;

// A backup is complete when its text ends with the end line of R + 9 markers.
bool completeBackup(const std::string& path, int R) {
  std::string text;
  if (checkDir(path.c_str()) != 1 || !readFileText(path.c_str(), text)) return false;
  std::string end;
  for (int i = 0; i < R + 9; ++i) end += " 999999";
  end += "\n";
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void quit(const char* message) {
  QuitWithErrorMessage(message);
}

// The name of the value at position k of a stored spectrum line of R names (the last
// position is the row's multiplicity), and its range.
struct StoredField {
  std::string name;
  long long lowest;
  long long highest;
};
StoredField spectrumField(int R, int k) {
  const long long top = kLargestStoredValue;
  if (k == 0) return {"family count", 0, top};
  if (k < R) return {"representation count", 0, top};
  if (k == R) return {"supersymmetry code", -1, top};
  if (k == R + 1) return {"exotics count", 0, top};
  if (k == R + 2) return {"spectrum class", 0, top};
  if (k == R + 3) return {"algebra number", 0, top};
  // The dimension (the prime code of a rejected row) and the prime code: any int.
  if (k == R + 4 || k == R + 5) return {k == R + 4 ? "dimension" : "prime code", INT_MIN, INT_MAX};
  if (k == R + 6) return {"level", 0, top};
  if (k == R + 7) return {"model number", -1, top};
  return {"multiplicity", 1, top};
}

// The number at the start of text (after blanks), -1 when there is none; beyond the
// range of long long it is taken as that limit, which no check accepts.
long long leadingNumber(const char* text) {
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  return end == text ? -1 : value;
}

// Reports line of path with the reason, then the data-corruption alert of the file.
void reportDamagedLine(int position, const char* alert, int lineNumber, const std::string& path,
                       const std::string& reason) {
  Print("Line %d of %s %s\n", lineNumber, path.c_str(), reason.c_str());
  Alert("readPreviousData", position, 112415, "%s", alert);
}

// A "(name, conjugate)" pair of names i and i + 1.
bool realPair(const std::vector<std::string>& names, int i) {
  return i + 1 < static_cast<int>(names.size()) &&
         names[static_cast<std::size_t>(i) + 1] == names[static_cast<std::size_t>(i)] + "*";
}

}  // namespace

int DataCorruptionCheck(const int* row) {
  const int R = heteroticState().repNames.size();
  const std::vector<std::string>& names = heteroticState().names;
  if (row[R + 7] == -1) return 0;
  // The pairs among the first ten stored multiplicities (positions 1 to R - 1 hold names
  // 0 to R - 2); a self-conjugate name takes one position and is not compared.
  const int last = std::min(10, R - 1);
  long long d = -1;
  for (int i = 0; i + 2 <= last;) {
    if (!realPair(names, i)) {
      ++i;
      continue;
    }
    // In 64 bits: a row of any ints is judged without overflow.
    const long long difference = std::llabs(static_cast<long long>(row[i + 2]) - row[i + 1]);
    if (d < 0) {
      d = difference;
      if (d != row[0]) return 1;
    } else if (difference != d) {
      return 1;
    }
    i += 2;
  }
  return 0;
}

void computeSpectrumCharacteristics() {
  HeteroticJobState& jobs = heteroticJobs();
  jobs.N3fam = 0;
  jobs.familyGcd = 0;
  jobs.maxEul = 0;
  for (int r = 0; r < jobs.spectra.size(); ++r) {
    const int f = jobs.spectra.row(r)[0];
    jobs.familyGcd = std::gcd(jobs.familyGcd, f);
    jobs.maxEul = std::max(jobs.maxEul, f);
    if (f == 3) ++jobs.N3fam;
  }
}

int getN3fam() {
  return heteroticJobs().N3fam;
}
int getFamilyGcd() {
  return heteroticJobs().familyGcd;
}
int getMaxEul() {
  return heteroticJobs().maxEul;
}

int ParseAlgebras(int mode) {
  HeteroticState& s = heteroticState();
  const int h = heteroticFactorCount();
  const std::string path = heteroticFileName(".alg");
  if (checkDir(path.c_str()) != 1) return 1;
  std::string text;
  if (!readFileText(path.c_str(), text)) return 0;
  HeteroticRows rebuilt;
  rebuilt.reset(s.patternRoots.size());
  std::vector<int> open;
  int count = 0;
  auto close = [&]() {
    if (!open.empty()) rebuilt.add(open.data(), 1);
  };
  int lineNumber = 0;
  for (const std::string& line : linesOfText(text)) {
    ++lineNumber;
    if (line.find("Algebra") != std::string::npos) {
      close();
      if (line.find('(') == std::string::npos) {
        Alert("ParseAlgebras", 0, 212404, "Algebra parse error");
        return 0;
      }
      const char* after = std::strstr(line.c_str(), "Algebra") + 7;
      const long long number = leadingNumber(after);
      const char* nr = std::strstr(line.c_str(), "nr.");
      const long long second = nr != nullptr ? leadingNumber(nr + 3) : -1;
      if (number != count || second != count) {
        if (mode == 0)
          Print("Algebra number error: %lld %lld <--> %d\n", number, second, count);
        else
          Alert("ParseAlgebras", 1, 212404, "Algebra number error: %lld %lld <--> %d\n", number,
                second, count);
        return 0;
      }
      open.assign(static_cast<std::size_t>(s.patternRoots.size()), 0);
      ++count;
      continue;
    }
    const std::size_t dim = line.find("dim");
    if (dim == std::string::npos || line.find("dimension") != std::string::npos) continue;
    const std::size_t first = line.find('(');
    const std::size_t second = first == std::string::npos ? first : line.find('(', first + 1);
    if (second == std::string::npos) {
      Alert("ParseAlgebras", 2, 212404, "Algebra parse error");
      return 0;
    }
    std::string group = line.substr(second);
    std::vector<int> root;
    if (parseVector(group.data(), root) == 0 || static_cast<int>(root.size()) < h) {
      Alert("ParseAlgebras", 3, 212404, "Algebra parse error");
      return 0;
    }
    const int r = s.patternRoots.find(root.data());
    if (r < 0) {
      Alert("ParseAlgebras", 4, 212404, "Root vector not found");
      return 0;
    }
    if (open.empty()) {
      Alert("ParseAlgebras", 5, 112415, "Unexpected initialization error");
      return 0;
    }
    const long long multiplicity = leadingNumber(line.c_str() + dim + 3);
    if (multiplicity < 0 || multiplicity > kLargestStoredValue) {
      Print("Line %d of %s holds the impossible multiplicity %lld\n", lineNumber, path.c_str(),
            multiplicity);
      Alert("ParseAlgebras", 7, 212404, "Algebra parse error");
      return 0;
    }
    open[static_cast<std::size_t>(r)] = static_cast<int>(multiplicity);
  }
  close();
  if (mode == 0) {
    Print("Total number of algebras in file: %d; Total distinct: %d\n", count, rebuilt.size());
    return 1;
  }
  if (count == s.patternAlgebra.size()) return 1;
  Alert("ParseAlgebras", 6, 212404, "Total number of algebras in file: %d; Total distinct: %d\n",
        count, s.patternAlgebra.size());
  return 0;
}

void readPreviousData() {
  HeteroticJobState& jobs = heteroticJobs();
  HeteroticState& s = heteroticState();
  if (jobs.previousRead != 0) return;
  jobs.previousRead = 1;
  const int R = s.repNames.size();

  const std::string writing = heteroticFileName(".writing");
  if (checkDir(writing.c_str()) == 1) {
    Alert("readPreviousData", 0, 112201,
          "Previous run was interrupted while writing; marker %s removed", writing.c_str());
    removeFile(writing.c_str());
  }

  const std::string spectraPath = heteroticFileName(".spectra");
  const std::string backupPath = heteroticFileName(".spectra_backup");
  const bool backupComplete = completeBackup(backupPath, R);
  std::string source;
  if (backupComplete) {
    source = backupPath;
  } else {
    if (checkDir(backupPath.c_str()) == 1)
      Alert("readPreviousData", 1, 112201, "Incomplete backup file %s; reading %s instead",
            backupPath.c_str(), spectraPath.c_str());
    if (checkDir(spectraPath.c_str()) == 1) source = spectraPath;
  }
  if (source.empty()) {
    if (checkDir(heteroticFileName(".alg").c_str()) == -1 &&
        checkDir(heteroticFileName(".AlgList").c_str()) == -1) {
      Print("No previous data\n");
      return;
    }
    Print("Previous job apparently crashed: No spectrum file, but algebra file is present\n");
    quit("Algebras, but no spectra");
  }

  std::string text;
  if (!readFileText(source.c_str(), text)) quit("Data Corruption in spectra");
  const std::size_t width = static_cast<std::size_t>(R) + 9;
  std::vector<int> row(static_cast<std::size_t>(R) + 8);
  auto damaged = [&](int position, int lineNumber, const std::string& reason) {
    reportDamagedLine(position, "Data corruption in Spectra", lineNumber, source, reason);
    quit("Data Corruption in spectra");
  };
  int lineNumber = 0;
  for (const std::string& line : linesOfText(text)) {
    ++lineNumber;
    std::vector<long long> values;
    if (!integersOfLine(line, values)) damaged(5, lineNumber, "is not a line of numbers: " + line);
    if (values.empty()) continue;
    if (values[0] == kEndMarker) break;
    // A line of another length belongs to other representation names or is damaged.
    if (values.size() != width) {
      damaged(4, lineNumber,
              formatText("has %d numbers, expected %d: %s", static_cast<int>(values.size()),
                         static_cast<int>(width), line.c_str()));
    }
    for (std::size_t i = 0; i < width; ++i) {
      const StoredField field = spectrumField(R, static_cast<int>(i));
      if (values[i] < field.lowest || values[i] > field.highest)
        damaged(6, lineNumber,
                formatText("holds the impossible %s %lld", field.name.c_str(), values[i]));
    }
    for (std::size_t i = 0; i + 1 < width; ++i) row[i] = static_cast<int>(values[i]);
    const int multiplicity = static_cast<int>(values[width - 1]);
    if (DataCorruptionCheck(row.data()) != 0) {
      PrintVec(R + 8, row.data(), "-->");
      Alert("readPreviousData", 2, 112415, "Data corruption in Spectra");
      quit("Data Corruption in spectra");
    }
    const int klass = row[static_cast<std::size_t>(R) + 2];
    std::vector<int>& table =
        row[static_cast<std::size_t>(R) + 7] == -1 ? jobs.chirCount : jobs.nonChirCount;
    if (row[static_cast<std::size_t>(R) + 7] == -1)
      row[static_cast<std::size_t>(R) + 5] = row[static_cast<std::size_t>(R) + 4];
    // Lines of one spectrum add up, as do the lines of one class.
    const int stored = jobs.spectra.find(row.data());
    const long long total = multiplicity + (stored >= 0 ? jobs.spectra.count(stored) : 0LL);
    const bool counted = klass < static_cast<int>(table.size());
    const long long classTotal =
        multiplicity + (counted ? table[static_cast<std::size_t>(klass)] : 0LL);
    if (total > kLargestStoredValue || classTotal > kLargestStoredValue)
      damaged(6, lineNumber,
              formatText("holds the multiplicity %d, which makes a total above %lld", multiplicity,
                         kLargestStoredValue));
    if (counted) table[static_cast<std::size_t>(klass)] += multiplicity;
    jobs.spectra.add(row.data(), multiplicity);
  }
  Print("Reading data finished at %15.7f secs; Number of spectra %d\n", CPUTime(),
        jobs.spectra.size());
  computeSpectrumCharacteristics();
  Print("SM spectra: %d; Delta: %d; Maximum number of families: %d\n", jobs.N3fam,
        jobs.familyGcd, jobs.maxEul);

  const std::string listPath = heteroticFileName(".AlgList");
  std::string list;
  if (checkDir(listPath.c_str()) == 1 && readFileText(listPath.c_str(), list)) {
    const int roots = s.patternRoots.size();
    if (s.patternAlgebra.rowLength() != roots) s.patternAlgebra.reset(roots);
    std::vector<int> algebra(static_cast<std::size_t>(roots));
    const std::vector<std::string> lines = linesOfText(list);
    int listLine = 0;
    auto corrupt = [&](const std::string& reason) {
      reportDamagedLine(3, "Data corruption in algebra list", listLine, listPath, reason);
      quit("Algebra data corruption");
    };
    // One algebra a line: its number, then one multiplicity per pattern root.
    for (const std::string& line : lines) {
      ++listLine;
      std::vector<long long> values;
      if (!integersOfLine(line, values)) corrupt("is not a line of numbers: " + line);
      if (values.empty()) continue;
      if (values.size() != static_cast<std::size_t>(roots) + 1)
        corrupt(formatText("has %d numbers, expected %d: %s", static_cast<int>(values.size()),
                           roots + 1, line.c_str()));
      for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k] < 0 || values[k] > kLargestStoredValue)
          corrupt(formatText("holds the impossible %s %lld",
                             k == 0 ? "algebra number" : "multiplicity", values[k]));
      }
      const long long number = values[0];
      for (int r = 0; r < roots; ++r)
        algebra[static_cast<std::size_t>(r)] =
            static_cast<int>(values[static_cast<std::size_t>(r) + 1]);
      if (roots > 0 && algebra[0] != 0) quit("Algebra data corruption");
      s.patternAlgebra.add(algebra.data(), 1);
      if (s.patternAlgebra.size() != number + 1) {
        Print("Missing algebra, near nr %lld (current fill %d)\n", number, s.patternAlgebra.size());
        quit("Missing algebra");
      }
    }
  }
  s.algebraCounter = s.patternAlgebra.size();
  Print("At startup there are %d different algebras\n", s.patternAlgebra.size());
  if (ParseAlgebras(1) == 0) quit("Parse failure");
  for (int r = 0; r < jobs.spectra.size(); ++r) {
    const int* stored = jobs.spectra.row(r);
    if (stored[R + 7] != -1 && stored[R + 3] >= s.patternAlgebra.size())
      quit("Algebra number out of range");
  }
  GSC_printStatistics(0);
}
