// MIPF data and Hodge files: the counted row collections, the data and terminator lines,
// the reader that resumes an interrupted scan, the sorted summaries and the scan driver.
// See HodgeFiles.h for the file layout; the state below lives for the run.
#include "search/HodgeFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "interpreter/Interpreter.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "strings/StringTheory.h"

namespace {

struct HodgeFilesState {
  HodgeCollection Spectra;
  HodgeCollection Spectra2;
  long long lineCount = 0;
  // Lines refused by storeMIPFData while a scan runs: such a scan is not complete.
  long long failures = 0;
  // While a collection is resumed: MIPF numbers below this were accounted before (-1:
  // none). The store numbers invariants by their order of storage, so a resumed
  // collection stores every invariant again and accounts only the new ones.
  int resumeNext = -1;
};

HodgeFilesState& state() {
  static HodgeFilesState s;
  return s;
}

int intSetting(const char* name) { return getValue(getIntParPointer(name)); }

const char* extensionOf(int kind) { return kind == 1 ? ".mipf_data" : ".hodge"; }

// Rows of the data files: 11 ints identified by 9 (".mipf_data"), 10 by 8 (".hodge").
void prepareSpectra(int kind) { state().Spectra.clear(kind + 10, kind + 8); }

// Appends one line with a single write, so that an interrupted run leaves whole lines.
bool appendLine(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) {
    Alert("storeMIPFData", 1, 120206, "Could not open file \"%s\"", path.c_str());
    return false;
  }
  const bool ok = writeAllToDescriptor(fd, line);
  ::close(fd);
  if (!ok) Alert("storeMIPFData", 2, 120206, "Could not write to file \"%s\"", path.c_str());
  return ok;
}

// Numbers of a data file stay below 10^9: the resume point (the last MIPF number plus 1)
// and every count made of them then fit an int.
constexpr long long kLargestDataValue = 999999999;

// The 13 numbers of a data line, with the smallest and largest value each can take. The
// writer marks "none" with -1: boundaries of a non-symmetric invariant or of a ".hodge"
// line, and the MIPF number and subgroup label of an invariant without simple-current
// data. The sector counts are differences of dimensions and may be negative.
struct DataEntry {
  const char* name;
  long long lowest;
  long long highest;
};
constexpr DataEntry kDataEntries[13] = {
    {"h21", 0, kLargestDataValue},
    {"h11", 0, kLargestDataValue},
    {"singlet count", 0, kLargestDataValue},
    {"left sector count", -kLargestDataValue, kLargestDataValue},
    {"right sector count", -kLargestDataValue, kLargestDataValue},
    {"left supercharge count", 0, kLargestDataValue},
    {"right supercharge count", 0, kLargestDataValue},
    {"symmetry flag", 0, 1},
    {"boundary count", -1, kLargestDataValue},
    {"kernel size", 1, kLargestDataValue},
    {"generator count", 0, kLargestDataValue},
    {"MIPF number", -1, kLargestDataValue},
    {"subgroup label", -1, kLargestDataValue},
};
constexpr int kBoundaryEntry = 8;

// The 13 numbers (as written) and the word of a data line; false when the line has not
// the shape of one.
bool parseDataLine(const std::string& line, std::string numbers[13], std::string* word) {
  std::istringstream in(line);
  for (int k = 0; k < 13; ++k) {
    if (!(in >> numbers[k])) return false;
    const char* text = numbers[k].c_str();
    if (*text == '-' || *text == '+') ++text;
    if (*text == '\0' || std::strspn(text, "0123456789") != std::strlen(text)) return false;
  }
  if (!(in >> *word)) return false;
  std::string extra;
  return !(in >> extra);
}

bool isTerminator(const std::string numbers[13], const std::string& word) {
  const auto zero = [](const std::string& n) { return std::strtoll(n.c_str(), nullptr, 10) == 0; };
  return word == "name" && std::all_of(numbers, numbers + 13, zero);
}

// The values of a data line of the kind, or false with *fault naming the first value out
// of its range.
bool valuesInRange(const std::string numbers[13], int kind, int values[13], std::string* fault) {
  for (int k = 0; k < 13; ++k) {
    errno = 0;
    const long long value = std::strtoll(numbers[k].c_str(), nullptr, 10);
    const DataEntry& entry = kDataEntries[k];
    // A ".hodge" line never counts boundaries.
    const long long highest = kind == 0 && k == kBoundaryEntry ? -1 : entry.highest;
    if (errno == ERANGE || value < entry.lowest || value > highest) {
      *fault = std::string(entry.name) + " " + numbers[k];
      return false;
    }
    values[k] = static_cast<int>(value);
  }
  return true;
}

bool startsWithNumber(const std::string& line) {
  std::size_t k = line.find_first_not_of(" \t");
  if (k == std::string::npos) return false;
  if (line[k] == '-' || line[k] == '+') ++k;
  return k < line.size() && line[k] >= '0' && line[k] <= '9';
}

}  // namespace

void HodgeCollection::clear(int length, int identification) {
  rowLength = length;
  idSize = identification;
  rows.clear();
  counts.clear();
}

int HodgeCollection::add(const int* row, long long count, bool* isNew) {
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (std::equal(row, row + idSize, rows[k].begin())) {
      counts[k] += count;
      if (isNew != nullptr) *isNew = false;
      return static_cast<int>(k);
    }
  }
  rows.emplace_back(row, row + rowLength);
  counts.push_back(count);
  if (isNew != nullptr) *isNew = true;
  return static_cast<int>(rows.size()) - 1;
}

int compareHodgeVec(const int* a, const int* b, int n) {
  const long long da = static_cast<long long>(a[0]) - a[1];
  const long long db = static_cast<long long>(b[0]) - b[1];
  if (std::llabs(da) != std::llabs(db)) return std::llabs(da) > std::llabs(db) ? 1 : -1;
  if (da != db) return da > db ? 1 : -1;
  if (a[0] != b[0]) return a[0] > b[0] ? 1 : -1;
  if (a[2] != b[2]) return a[2] > b[2] ? 1 : -1;
  for (int k = 0; k < n; ++k) {
    if (a[k] != b[k]) return a[k] > b[k] ? 1 : -1;
  }
  return 0;
}

std::string hodgeSummaryText(const HodgeCollection& collection) {
  const int n = collection.size();
  std::vector<char> done(static_cast<std::size_t>(n), 0);
  std::string text;
  for (int written = 1; written <= n; ++written) {
    int best = -1;
    for (int k = 0; k < n; ++k) {
      if (done[static_cast<std::size_t>(k)] != 0) continue;
      // Strictly greater only: among equal rows the first found wins.
      if (best < 0 || compareHodgeVec(collection.rows[static_cast<std::size_t>(k)].data(),
                                      collection.rows[static_cast<std::size_t>(best)].data(),
                                      collection.rowLength) > 0) {
        best = k;
      }
    }
    done[static_cast<std::size_t>(best)] = 1;
    const std::vector<int>& row = collection.rows[static_cast<std::size_t>(best)];
    text += formatText("   nr. %3d [found as nr. %3d]:      %6lld x ", written, best + 1,
                       collection.counts[static_cast<std::size_t>(best)]);
    text += "  (";
    for (std::size_t k = 0; k < row.size(); ++k) {
      if (k > 0) text += ",";
      text += std::to_string(row[k]);
    }
    text += ")\n";
  }
  return text;
}

bool writeHodgeSummary(const std::string& file, const HodgeCollection& collection) {
  if (writeFileAtomically(file, hodgeSummaryText(collection), false)) return true;
  Alert("writeHodgeSummary", 0, 120206, "Could not write file \"%s\"", file.c_str());
  return false;
}

std::string MIPFDataLine(const int* row, int mipf, int subgroup, const std::string& name) {
  return formatText("%5d %5d %5d %5d %5d %3d %3d %6d     %8d %2d %2d     %5d %4d %s\n", row[0], row[1], row[2],
                    row[3], row[4], row[5], row[6], row[7], row[8], row[9], row[10], mipf, subgroup, name.c_str());
}

std::string MIPFDataTerminator() {
  const int zeros[kMIPFDataRowLength] = {};
  return MIPFDataLine(zeros, 0, 0, "name");
}

int readHodgeData(const std::string& file, int kind, int* next, int* subgroup, int* label) {
  HodgeFilesState& s = state();
  prepareSpectra(kind);
  *next = 0;
  *subgroup = 0;
  const std::string path = convertFileName(file.c_str());
  std::string text;
  {
    const LockedFile data(path, LockedFile::Access::Read);
    if (!data.isOpen() || !data.readFrom(0, text)) {
      Alert("readHodgeData", 4, 100201, "File %s cannot be read; it is left unchanged",
            file.c_str());
      return -1;
    }
  }
  // Lines are appended whole, each with one write: text after the last newline is a
  // line that a stopped run (a full disk, a crash) left cut, possibly followed or replaced
  // by the zero bytes a crash of the machine leaves at the end of a file.
  const std::size_t lastNewline = text.rfind('\n');
  const std::size_t wholeLength = lastNewline == std::string::npos ? 0 : lastNewline + 1;
  std::string cut = text.substr(wholeLength);
  const bool torn = cut.find_first_not_of(" \t\r") != std::string::npos;
  cut.erase(std::remove(cut.begin(), cut.end(), '\0'), cut.end());
  text.resize(wholeLength);
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  auto refuse = [&]() {
    prepareSpectra(kind);
    return -1;
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    std::string numbers[13];
    std::string word;
    if (!startsWithNumber(line) || !parseDataLine(line, numbers, &word)) {
      // The search writes a command script under the same extension; neither it nor a
      // damaged file is read as data, and neither is touched.
      Alert("readHodgeData", 0, 100201, "File %s is not a MIPF data file (line %d); it is left unchanged",
            file.c_str(), lineNumber);
      return refuse();
    }
    if (isTerminator(numbers, word)) {
      *subgroup = -1;
      *label = -1;
      return 1;
    }
    int values[13];
    std::string fault;
    if (!valuesInRange(numbers, kind, values, &fault)) {
      Alert("readHodgeData", 1, 100201,
            "Line %d of %s holds the impossible %s; the file is left unchanged", lineNumber,
            file.c_str(), fault.c_str());
      return refuse();
    }
    s.Spectra.add(values, 1, nullptr);
    if (values[12] > *subgroup) {
      *subgroup = values[12];
      *label = values[11];
    }
    *next = values[11] + 1;
  }
  if (torn) {
    if (cut.find_first_not_of(" \t\r") != std::string::npos && !startsWithNumber(cut)) {
      Alert("readHodgeData", 0, 100201,
            "File %s is not a MIPF data file (line %d); it is left unchanged", file.c_str(),
            lineNumber + 1);
      return refuse();
    }
    // The cut line goes, so that the resumed scan appends after whole lines; its MIPF is
    // analysed again.
    const LockedFile data(path, LockedFile::Access::Write);
    if (!data.isOpen() || !data.truncate(wholeLength)) {
      Alert("readHodgeData", 2, 100201,
            "File %s ends inside line %d, which cannot be cut off; it is left unchanged",
            file.c_str(), lineNumber + 1);
      return refuse();
    }
    Alert("readHodgeData", 3, 100215,
          "File %s ends inside line %d; that line is dropped and its MIPF analysed again",
          file.c_str(), lineNumber + 1);
  }
  writeMIPFDataSummary(file, kind);
  return 0;
}

void writeRestrictedHodgeSummary(const std::string& summaryFile) {
  HodgeFilesState& s = state();
  s.Spectra2.clear(kMIPFDataRowLength, 8);
  std::vector<int> row(kMIPFDataRowLength, 0);
  for (int k = 0; k < s.Spectra.size(); ++k) {
    const std::vector<int>& source = s.Spectra.rows[static_cast<std::size_t>(k)];
    std::fill(row.begin(), row.end(), 0);
    std::copy(source.begin(), source.end(), row.begin());
    s.Spectra2.add(row.data(), s.Spectra.counts[static_cast<std::size_t>(k)], nullptr);
  }
  writeHodgeSummary(summaryFile + "_hodge", s.Spectra2);
}

void writeMIPFDataSummary(const std::string& file, int kind) {
  const std::string summary = file + "_summary";
  writeHodgeSummary(summary, state().Spectra);
  if (kind == 1) writeRestrictedHodgeSummary(summary);
}

std::vector<int> currentMIPFDataRow(int mode) {
  if (MOD_initContents() == 0) {
    Alert("COM_store_heterotic", 0, 100302, "Initialization problem for heterotic data");
    return {};
  }
  BulkInvariant** slot = getCurrentBulk();
  BulkInvariant* bulk = slot != nullptr ? *slot : nullptr;
  if (bulk == nullptr) {
    Alert("COM_store_heterotic", 1, 100302, "No current bulk invariant");
    return {};
  }
  const std::vector<int> info = getHeteroticSpectrumInfo();
  if (info.size() < 8) return {};
  std::vector<int> row(kMIPFDataRowLength, 0);
  row[0] = info[1];
  row[1] = info[2];
  row[2] = info[0];
  row[3] = info[4];
  row[4] = info[5];
  row[5] = info[6];
  row[6] = info[7];
  row[7] = bulk->symmetric;
  row[8] = mode == 1 && bulk->symmetric != 0 ? bulk->ishibashi_count : -1;
  row[9] = bulk->MD ? bulk->MD->kernel_size : 1;
  row[10] = bulk->MD ? bulk->MD->n_generators : 0;
  return row;
}

int storeMIPFData(int mode, const std::string& directory, const std::string& name) {
  HodgeFilesState& s = state();
  const int kind = mode == 1 ? 1 : 0;
  BulkInvariant** slot = getCurrentBulk();
  if (s.resumeNext >= 0 && slot != nullptr && *slot != nullptr && MIPFIdentifier(*slot) < s.resumeNext) return 0;
  const std::vector<int> row = currentMIPFDataRow(kind);
  if (row.empty()) {
    ++s.failures;
    return 1;
  }
  BulkInvariant* bulk = *getCurrentBulk();
  const int subgroup = bulk->MD ? bulk->MD->subgroup_label : -1;
  std::string path = directory;
  if (!path.empty() && path.back() != '/') path += "/";
  path += name + extensionOf(kind);
  if (!appendLine(path, MIPFDataLine(row.data(), MIPFIdentifier(bulk), subgroup, name))) {
    ++s.failures;
    return 1;
  }
  if (s.Spectra.rowLength != kind + 10 || s.Spectra.idSize != kind + 8) prepareSpectra(kind);
  bool isNew = false;
  s.Spectra.add(row.data(), 1, &isNew);
  ++s.lineCount;
  if (isNew || s.lineCount % 1000 == 0) writeMIPFDataSummary(path, kind);
  return 0;
}

namespace {

// What a scan changes for its own run, restored on every way out (a refused file, the
// end, an abandoned command): "Autostore", the loop command with "Loop start", the
// subgroup start and the resume threshold. The start of one scan never steers the next.
class ScanSettings {
 public:
  ScanSettings()
      : autostore_(intSetting("Autostore")), loopStart_(intSetting("Loop start")),
        hadLoopCommand_(getLoopCommand() != nullptr),
        loopCommand_(hadLoopCommand_ ? getLoopCommand() : "") {}
  ~ScanSettings() {
    setIntPar("Autostore", 0);
    if (started_) setSubgroupStart(0, 0);
    if (looped_) {
      setLoopCommand(hadLoopCommand_ ? loopCommand_.c_str() : nullptr);
      setIntPar("Loop start", loopStart_);
    }
    setIntPar("Autostore", autostore_);
    state().resumeNext = -1;
  }
  ScanSettings(const ScanSettings&) = delete;
  ScanSettings& operator=(const ScanSettings&) = delete;
  void subgroupStarted() { started_ = true; }
  void loopSet() { looped_ = true; }

 private:
  int autostore_;
  int loopStart_;
  bool hadLoopCommand_;
  std::string loopCommand_;
  bool started_ = false;
  bool looped_ = false;
};

}  // namespace

int HodgeScan(const std::string& stem, int kind, int collect) {
  HodgeFilesState& s = state();
  prepareSpectra(kind);
  const std::string file = stem + extensionOf(kind);
  ScanSettings settings;

  // The subgroup start is given while "Autostore" is off: with it on the start is only
  // a warning, which a background run may not survive.
  setIntPar("Autostore", 0);
  const int status = checkDir(file.c_str());
  if (status == 0) {
    Alert("HodgeScan", 0, 100201, "%s is a folder, not a data file", file.c_str());
    return 1;
  }
  if (status < 0) {
    if (!appendLine(file, "")) return 1;
    Print("\nWriting Hodge data to file %s\n\n", file.c_str());
  } else {
    Print("File %s already exists; reading previous data\n", file.c_str());
    int next = 0, subgroup = 0, label = -1;
    const int read = readHodgeData(file, kind, &next, &subgroup, &label);
    if (read < 0) return 1;
    if (read == 1) {
      Print("Previous data are complete\n");
      return 0;
    }
    Print("Restarting with subgroup %d, label %d, next item %d\n", subgroup, label, next);
    if (collect == 1) {
      // Stored invariants are numbered in the order of storage: the collection is made
      // whole again, and only the items from next on are accounted.
      s.resumeNext = next;
    } else if (subgroup != -1 && next != -1) {
      // Subgroup 0 opens with MIPF number 0 (its label stays -1 while no later subgroup
      // has been reached).
      settings.subgroupStarted();
      settings.loopSet();
      executeCommandLine(formatText("start subgroup %d %d;", subgroup, std::max(label, 0)).c_str());
      executeCommandLine(formatText("set loop start %d;", next).c_str());
    }
  }
  setIntPar("Autostore", collect);

  const long long failuresBefore = s.failures;
  settings.loopSet();
  int refused = executeCommandLine(formatText("set loop_command {account heterotic %d};", kind).c_str());
  if (kind == 0 && refused == 0) refused = executeCommandLine("set primary_selection massless;");
  if (refused == 0) refused = executeCommandLine(collect == 1 ? "collect sim;" : "scan sim;");

  // A scan that was refused, stopped or lost a line is resumed later, so it gets no
  // terminator.
  const bool complete = refused == 0 && s.failures == failuresBefore && getStopSignal() == 0;
  if (complete && !appendLine(file, MIPFDataTerminator())) {
    Alert("HodgeScan", 1, 100302, "The terminator of %s could not be written", file.c_str());
  }
  writeMIPFDataSummary(file, kind);
  return complete ? 0 : 1;
}

const HodgeCollection& getHodgeSpectra() { return state().Spectra; }
const HodgeCollection& getRestrictedHodgeSpectra() { return state().Spectra2; }
long long getMIPFDataLineCount() { return state().lineCount; }

void resetHodgeFiles() { state() = HodgeFilesState{}; }
