// The catalogue files: the reader of "Models.list" (with "Generators.list" and
// "Models.stat"), the end-of-run merge that gives new model types their numbers and
// writes the run's model file, the look-up by model number and the transfer of a row into
// `SM`.
//
// Reading. A catalogue line is 87 integers; the reader goes line by line. Read-only tools
// report a bad line and skip it; the merge refuses a catalogue with any fault and leaves
// the file as it is. Rows are kept in file order with an index from profile (first 56
// ints) to position; a line repeating a stored profile is reported and not stored.
//
// Merging. Under the lock the merge reads the catalogue afresh, numbers the run's new
// types from the numbers free in that read, writes the whole new catalogue through a
// synced temporary file renamed over "Models.list", then the run's model file the same
// way, and only then removes ".pre_models". A failure leaves ".pre_models" for a later
// merge and releases the lock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/FileLock.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/CatalogueInternal.h"
#include "search/ModelAnalysis.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

constexpr int kTableSize = 40010;
constexpr int kRunRowSize = 86;
constexpr int kPreModelFields = 14;
constexpr int kMergeAttempts = 10;
constexpr int kNameWidth = 79;

using Profile = std::array<int, kCatalogueProfileSize>;

Profile profileOf(const int* row) {
  Profile p{};
  std::copy(row, row + kCatalogueProfileSize, p.begin());
  return p;
}

// Search-side defaults of the merge hooks.
long long currentFileIdentifier() {
  return fileIdentifier();
}
int currentMipfNumber() {
  BulkInvariant** bulk = getCurrentBulk();
  return bulk != nullptr && *bulk != nullptr ? MIPFIdentifier(*bulk) : 0;
}
std::string currentRunFileName(const char* suffix) {
  return getCurrentOutputFileName(suffix);
}
void analyseWithSearch(const int* runRow, int* catalogueRow, int number);

const CatalogueMergeHooks kSearchHooks = {
    runTypeCount,      runTypeRow,        currentRunFileName, currentFileIdentifier,
    currentMipfNumber, analyseWithSearch, spectrumCode};

struct PendingAlert {
  const char* routine;
  int position;
  int code;
  std::string text;
};

struct CatalogueFilesState {
  bool readDone = false;
  int numberOfModels = 0;
  std::vector<CatalogueRow> rows;
  std::map<Profile, int> index;
  std::vector<int> existence = std::vector<int>(kTableSize, 0);
  std::vector<int> reqNrMap = std::vector<int>(kTableSize, -1);
  std::vector<int> isGenerator = std::vector<int>(kTableSize, 0);
  std::vector<int> corrupted;
  bool statisticsAvailable = false;
  std::vector<int> tadpoleStatistics;
  std::vector<int> mipfCount;
  std::vector<int> modelCount;
  std::vector<std::string> modelNames;
  bool folderChecked = false;
  CatalogueMergeHooks hooks = kSearchHooks;
  // While the lock is held, alerts wait here: a fatal alert in a background run ends the
  // program, and that must not happen before the lock is released.
  bool deferAlerts = false;
  std::vector<PendingAlert> pendingAlerts;
};

CatalogueFilesState& state() {
  static CatalogueFilesState s;
  return s;
}

void catalogueAlert(const char* routine, int position, int code, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void catalogueAlert(const char* routine, int position, int code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  CatalogueFilesState& s = state();
  if (s.deferAlerts) {
    s.pendingAlerts.push_back({routine, position, code, text});
  } else {
    Alert(routine, position, code, "%s", text.c_str());
  }
}

void raisePendingAlerts() {
  CatalogueFilesState& s = state();
  s.deferAlerts = false;
  std::vector<PendingAlert> pending;
  pending.swap(s.pendingAlerts);
  for (const PendingAlert& alert : pending)
    Alert(alert.routine, alert.position, alert.code, "%s", alert.text.c_str());
}

void clearTables() {
  CatalogueFilesState& s = state();
  s.rows.clear();
  s.index.clear();
  std::fill(s.existence.begin(), s.existence.end(), 0);
  std::fill(s.reqNrMap.begin(), s.reqNrMap.end(), -1);
  std::fill(s.isGenerator.begin(), s.isGenerator.end(), 0);
  s.corrupted.clear();
  s.corrupted.reserve(100);
}

std::string modelFolder() {
  std::string path = getCatalogueFileName();
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string inModelFolder(const char* name) {
  std::string folder = modelFolder();
  if (folder.back() != '/') folder += '/';
  return folder + name;
}

bool syncFolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string folder =
      slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// The rows of text into the tables. strict: the first fault ends the read (-1); otherwise a
// bad line is reported and skipped. The count, or -1.
int parseCatalogue(const std::string& text, const std::string& path, bool strict) {
  CatalogueFilesState& s = state();
  clearTables();
  std::size_t start = 0;
  int lineNumber = 0;
  CatalogueRow row{};
  // The line that gave each model number its row, to name both lines of a number used twice.
  std::map<int, int> lineOfNumber;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++lineNumber;
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    if (!parseCatalogueLine(line, row.data())) {
      if (strict) {
        catalogueAlert(
            "readQUVRModels", 3, 120406,
            "Line %d of %s is not a catalogue line of %d numbers; the catalogue is left as it is",
            lineNumber, path.c_str(), kCatalogueRowSize);
        return -1;
      }
      catalogueAlert("readQUVRModels", 4, 100201,
                     "Line %d of %s is not a catalogue line of %d numbers; skipped", lineNumber,
                     path.c_str(), kCatalogueRowSize);
      continue;
    }
    const int number = row[56];
    auto found = s.index.find(profileOf(row.data()));
    int position = 0;
    if (found != s.index.end()) {
      position = found->second;
      PrintStdout("Nr. %d is already present as Nr %d\n", number,
                  s.rows[static_cast<std::size_t>(position)][56]);
    } else {
      if (static_cast<int>(s.rows.size()) >= kMaxModelNumber) {
        PrintStdout("Enlarge the parameter QUVR_MAX\n");
        PrintStdout("Current value: %d\n", kMaxModelNumber);
        catalogueAlert("readQUVRModels", 2, 112413, "Too many models in Models.list file");
        clearTables();
        return -1;
      }
      position = static_cast<int>(s.rows.size());
      s.rows.push_back(row);
      s.index.emplace(profileOf(row.data()), position);
    }
    const auto earlier = lineOfNumber.find(number);
    if (earlier != lineOfNumber.end() && found == s.index.end()) {
      catalogueAlert("readQUVRModels", 6, 100201,
                     "Model nr %d is on line %d and on line %d of %s with another profile; the row "
                     "of line %d is used",
                     number, earlier->second, lineNumber, path.c_str(), lineNumber);
    }
    lineOfNumber[number] = lineNumber;
    ++s.existence[static_cast<std::size_t>(number)];
    s.reqNrMap[static_cast<std::size_t>(number)] = position;
  }
  return static_cast<int>(s.rows.size());
}

void readGenerators() {
  CatalogueFilesState& s = state();
  const std::string path = inModelFolder("Generators.list");
  if (checkDir(path.c_str()) != 1) return;
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return;
  std::string text;
  readRestOfStream(file, text);
  std::fclose(file);
  // One model number a line; a bad line is reported and the lines after it still count.
  const std::vector<std::string> lines = linesOfText(text);
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const std::string& line = lines[at];
    const int lineNumber = static_cast<int>(at) + 1;
    std::vector<long long> values;
    const bool numbers = integersOfLine(line, values);
    if (numbers && values.empty()) continue;
    if (!numbers || values.size() != 1) {
      catalogueAlert("FullQUVRAnalysis", 2, 100201,
                     "Line %d of %s is not one model number; skipped", lineNumber, path.c_str());
      continue;
    }
    const long long number = values[0];
    if (number == 0) {
      catalogueAlert("FullQUVRAnalysis", 0, 212404, "Invalid model nr 0 (line %d of %s)",
                     lineNumber, path.c_str());
      continue;
    }
    if (number < 1 || number > kMaxModelNumber) {
      catalogueAlert("FullQUVRAnalysis", 1, 100201, "Invalid model nr %lld (line %d of %s)", number,
                     lineNumber, path.c_str());
      continue;
    }
    s.isGenerator[static_cast<std::size_t>(number - 1)] = 1;
  }
}

void readStatistics() {
  CatalogueFilesState& s = state();
  const std::string path = inModelFolder("Models.stat");
  if (checkDir(path.c_str()) != 1) {
    s.statisticsAvailable = false;
    PrintStdout("Statistics file not found\n");
    return;
  }
  allocateTadpoleStatisticsInfo();
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    PrintStdout("Statistics file not found\n");
    return;
  }
  int unused = 0;
  int number = 0;
  int models = 0;
  int mipfs = 0;
  char name[kNameWidth + 1];
  char marker[kNameWidth + 1];
  // The names are read with a width limit; a longer word continues as the next field.
  while (std::fscanf(file, "%d %d %d %d %79s %79s", &unused, &number, &models, &mipfs, name,
                     marker) == 6) {
    if (number < 1 || number > kMaxModelNumber) {
      catalogueAlert("readQUVRModels", 5, 100201, "Model nr %d in %s is out of range; skipped",
                     number, path.c_str());
      continue;
    }
    const std::size_t at = static_cast<std::size_t>(number - 1);
    s.modelNames[at] = name;
    s.modelCount[at] = models;
    s.mipfCount[at] = mipfs;
    const bool stars = std::strstr(marker, "*****") != nullptr;
    const bool hashes = std::strstr(marker, "#####") != nullptr;
    if (stars && hashes) {
      s.tadpoleStatistics[at] = 3;
    } else if (stars) {
      s.tadpoleStatistics[at] = 1;
    } else if (hashes) {
      s.tadpoleStatistics[at] = 2;
    }
  }
  std::fclose(file);
  s.statisticsAvailable = true;
}

// The smallest number not in the catalogue, up to its count plus 999; 0 when none is free.
int nextFreeModelNumber() {
  const CatalogueFilesState& s = state();
  const int limit = std::min(std::max(s.numberOfModels + 999, 1), kMaxModelNumber);
  for (int n = 1; n <= limit; ++n) {
    if (s.existence[static_cast<std::size_t>(n)] == 0) return n;
  }
  return 0;
}

// Reads the catalogue file into text; 0 read, 1 missing, -1 unreadable (reported).
int readCatalogueText(std::string& text) {
  const std::string& path = getCatalogueFileName();
  text.clear();
  const int kind = checkDir(path.c_str());
  if (kind == -1) return 1;
  if (kind == 0) {
    catalogueAlert("readQUVRModels", 1, 120406, "The catalogue %s is a folder", path.c_str());
    return -1;
  }
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    catalogueAlert("readQUVRModels", 1, 120406, "The catalogue %s cannot be read: %s", path.c_str(),
                   std::strerror(errno));
    return -1;
  }
  const bool failed = !readRestOfStream(file, text);
  std::fclose(file);
  if (failed) {
    catalogueAlert("readQUVRModels", 1, 120406, "The catalogue %s cannot be read", path.c_str());
    return -1;
  }
  return 0;
}

int readCatalogue(int mode, bool strict, std::string& text) {
  CatalogueFilesState& s = state();
  const std::string& path = getCatalogueFileName();
  s.readDone = false;
  clearTables();
  const int status = readCatalogueText(text);
  if (status < 0) return -1;
  if (status == 1) {
    if (mode == 0) {
      PrintStdout("File %s not found; assuming this is the very first run\n", path.c_str());
    } else {
      PrintStdout("File %s not found.\n", path.c_str());
    }
    return 0;
  }
  const int count = parseCatalogue(text, path, strict);
  if (count < 0) return -1;
  s.readDone = true;
  s.numberOfModels = count;
  readGenerators();
  readStatistics();
  return count;
}

// The run's row of a type number as a catalogue-sized copy (ints 86 on are 0).
CatalogueRow runRowCopy(const int* runRow) {
  CatalogueRow row{};
  std::copy(runRow, runRow + kRunRowSize, row.begin());
  return row;
}

void analyseWithSearch(const int* runRow, int* catalogueRow, int number) {
  CopyQUVRmodelToSMstruct(runRow, 0);
  // Checked here: a refused orientifold would alert while the lock is held.
  if (runRow[68] >= 0 && runRow[68] < orientifoldListSize()) setStoredOrientifold(runRow[68]);
  SM.alreadyPrinted = 0;
  SM.modelNumber = number;
  ComputeAdditionalModelInfo(&SM);
  copyExtendedInfo(catalogueRow, &SM);
  std::snprintf(SM.title, sizeof SM.title, "new model nr. %d", number);
  const std::string spectra = state().hooks.runFileName(".spectra");
  FILE* file = std::fopen(spectra.c_str(), "a");
  if (file == nullptr) {
    catalogueAlert("getModelNumbers", 5, 120406, "Could not open output file %s\n",
                   spectra.c_str());
    return;
  }
  printCPD(file, number, 0);
  std::fclose(file);
}

// One line of ".pre_models"; false when it does not hold 14 integers.
bool parsePreModelLine(const std::string& line, int* fields) {
  const char* p = line.c_str();
  for (int k = 0; k < kPreModelFields; ++k) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(p, &end, 10);
    if (end == p || errno != 0 || value < -2147483647L || value > 2147483647L) return false;
    fields[k] = static_cast<int>(value);
    p = end;
  }
  while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
  return *p == '\0';
}

const char* modelFileExtension() {
  switch (getPreScan()) {
    case 1:
      return ".prescan";
    case 2:
      return ".abrane_scan";
    case 3:
      return ".nullscan";
    default:
      return ".models";
  }
}

// The POSIX record lock on the catalogue while it is replaced.
class CatalogueRecordLock {
 public:
  explicit CatalogueRecordLock(const std::string& path) : path_(path) {}
  ~CatalogueRecordLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  CatalogueRecordLock(const CatalogueRecordLock&) = delete;
  CatalogueRecordLock& operator=(const CatalogueRecordLock&) = delete;
  // 0 locked, 1 the file could not be opened, 2 the lock was refused.
  int lock() {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return 1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(fd_, F_SETLKW, &lock) != 0) {
      if (errno != EINTR) {
        error_ = errno;
        return 2;
      }
    }
    return 0;
  }
  bool unlock() {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    return fcntl(fd_, F_SETLK, &lock) == 0;
  }
  int error() const { return error_; }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
};

enum class MergeOutcome { Done, Failed, LockLost };

struct MergeResult {
  MergeOutcome outcome = MergeOutcome::Done;
  int code = 0;
};

MergeResult failed(int code) {
  return {MergeOutcome::Failed, code};
}

// The merge itself, with the lock held.
MergeResult mergeUnderLock() {
  CatalogueFilesState& s = state();
  const CatalogueMergeHooks& h = s.hooks;
  const std::string path = getCatalogueFileName();
  std::string text;
  const int count = readCatalogueForMerge(text);
  if (count < 0) {
    catalogueAlert("getModelNumbers", 0, 120406,
                   "The catalogue %s cannot be used; nothing is merged and %s is kept",
                   path.c_str(), ".pre_models");
    return failed(1);
  }
  const bool exists = checkDir(path.c_str()) == 1;
  if (!exists) PrintStdout("Apparently there is no file Models.list.\n");

  CatalogueRecordLock recordLock(path);
  if (exists) {
    const int locked = recordLock.lock();
    if (locked == 1) {
      PrintStdout("File %s could not be opened\n", path.c_str());
      return failed(1);
    }
    if (locked == 2) {
      catalogueAlert("getModelNumbers", 1, 120206, "Could not set write lock for file %s; error %d",
                     path.c_str(), recordLock.error());
      return failed(1);
    }
  }
  Print("Using Models file %s\n", path.c_str());

  const int runTypes = h.runTypeCount();
  std::vector<CatalogueRow> runRows;
  runRows.reserve(static_cast<std::size_t>(std::max(runTypes, 0)));
  std::string newLines;
  for (int type = 1; type <= runTypes; ++type) {
    maintainFileLocks();
    const int* source = h.runTypeRow(type);
    if (source == nullptr) {
      catalogueAlert("getModelNumbers", 6, 212404, "Run type %d is missing", type);
      return failed(1);
    }
    runRows.push_back(runRowCopy(source));
    CatalogueRow& run = runRows.back();
    // A zero multiplicity makes its eigenvalue meaningless; it is zeroed before the look-up
    // so that the catalogued profile is the one every later run computes.
    if (run[38] != 0 && run[40] == 0) {
      catalogueAlert("getModelNumbers", 2, 100201,
                     "Non zero eigenvalue with zero multiplicity in nr %d; corrected", run[56]);
      run[38] = 0;
    }
    auto found = s.index.find(profileOf(run.data()));
    if (found != s.index.end()) {
      run[56] = s.rows[static_cast<std::size_t>(found->second)][56];
      continue;
    }
    const int number = nextFreeModelNumber();
    if (number <= 0) {
      catalogueAlert("getGSM_NR", 0, 112413, "Too many new models");
      return failed(12);
    }
    CatalogueRow entry{};
    std::copy(run.begin(), run.begin() + kCatalogueProfileSize, entry.begin());
    entry[56] = number;
    entry[57] = -1;
    entry[58] = -1;
    entry[59] = static_cast<int>(h.fileIdentifier());
    entry[60] = h.mipfNumber();
    entry[61] = run[68];
    entry[62] = run[60];
    entry[63] = run[62];
    entry[64] = run[64];
    entry[65] = run[66];
    run[56] = number;
    const int position = static_cast<int>(s.rows.size());
    Print("New spectrum (nr. %d)  added to Models.list with model nr. %d\n", position + 1, number);
    s.existence[static_cast<std::size_t>(number)] = 1;
    h.analyseNewType(run.data(), entry.data(), number);
    s.rows.push_back(entry);
    s.index.emplace(profileOf(entry.data()), position);
    s.reqNrMap[static_cast<std::size_t>(number)] = position;
    s.numberOfModels = static_cast<int>(s.rows.size());
    newLines += formatCatalogueLine(entry.data());
  }

  if (!newLines.empty()) {
    if (checkLock() != 1) return {MergeOutcome::LockLost, 0};
    if (!text.empty() && text.back() != '\n') text += '\n';
    if (!writeFileAtomically(path, text + newLines) || !syncFolderOf(path)) {
      catalogueAlert("getModelNumbers", 7, 120406, "File %s could not be written", path.c_str());
      return failed(1);
    }
  }
  if (exists && !recordLock.unlock()) {
    catalogueAlert("getModelNumbers", 2, 120406, "Could not unlockfile %s", path.c_str());
    return failed(1);
  }

  const std::string preModels = h.runFileName(".pre_models");
  std::string preText;
  if (checkDir(preModels.c_str()) != 1 || !readFileText(preModels.c_str(), preText)) {
    catalogueAlert("getModelNumbers", 3, 120406, "Could not open input file %s\n",
                   preModels.c_str());
    return failed(1);
  }
  const std::string modelFile = h.runFileName(modelFileExtension());
  std::string out;
  int endStatus = 0;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < preText.size()) {
    std::size_t end = preText.find('\n', start);
    if (end == std::string::npos) end = preText.size();
    std::string line = preText.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    int f[kPreModelFields];
    if (!parsePreModelLine(line, f)) {
      catalogueAlert("getModelNumbers", 8, 100201, "Line %d of %s is not a model line; skipped",
                     lineNumber, preModels.c_str());
      continue;
    }
    if (f[0] == -1) {
      endStatus = f[13];
      break;
    }
    if (f[0] < 1 || f[0] > static_cast<int>(runRows.size())) {
      catalogueAlert("getModelNumbers", 9, 100201,
                     "Type %d in line %d of %s is not a type of this run; skipped", f[0],
                     lineNumber, preModels.c_str());
      continue;
    }
    const CatalogueRow& run = runRows[static_cast<std::size_t>(f[0] - 1)];
    CopyQUVRmodelToSMstruct(run.data(), 1);
    std::copy(run.begin() + 41, run.begin() + 47, SM.pairIdentification);
    const std::string code = h.spectrumCode(f[12], run[56]);
    out += formatText("%d %d %d %d %d %d %d %d %d %d %d %d %s %d\n", run[56], f[1], f[2], f[3],
                      f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], code.c_str(), f[13]);
  }
  out += formatText("-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name %d\n", endStatus);
  if (checkLock() != 1) return {MergeOutcome::LockLost, 0};
  if (!writeFileAtomically(modelFile, out) || !syncFolderOf(modelFile)) {
    catalogueAlert("getModelNumbers", 4, 120406, "Could not open output file %s\n",
                   modelFile.c_str());
    return failed(1);
  }
  removeFile(preModels.c_str());
  return {};
}

}  // namespace

// --- Formats ---------------------------------------------------------------------------------

int convertEquivalenceCode(const char* code) {
  int value = 0;
  for (int k = 0; k < 4; ++k) {
    const char c = code[k];
    const int digit = c >= 'a' && c <= 'd' ? c - 'a' + 1 : 0;
    value = 10 * value + digit;
  }
  return value;
}

std::string formatCatalogueLine(const int* row) {
  std::string line;
  line.reserve(700);
  for (int k = 0; k < kCatalogueProfileSize; ++k) line += formatText("%6d ", row[k]);
  line += formatText("%6d ", row[56]);
  line += formatText("%6d %6d ", row[57], row[58]);
  line += formatText("%9d %4d", row[59], row[60]);
  line += formatText("%6d %6d %6d %6d %6d", row[61], row[62], row[63], row[64], row[65]);
  for (int k = 66; k < kCatalogueRowSize; ++k) line += formatText(" %6d", row[k]);
  line += '\n';
  return line;
}

bool parseCatalogueLine(const std::string& line, int* row) {
  const char* p = line.c_str();
  for (int k = 0; k < kCatalogueRowSize; ++k) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(p, &end, 10);
    if (end == p || errno != 0 || value < -2147483647L - 1 || value > 2147483647L) return false;
    row[k] = static_cast<int>(value);
    p = end;
  }
  while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
  if (*p != '\0') return false;
  return row[56] >= 1 && row[56] <= kMaxModelNumber;
}

// --- Reading ---------------------------------------------------------------------------------

int readQUVRModels(int mode) {
  CatalogueFilesState& s = state();
  if (s.readDone) return s.numberOfModels;
  std::string text;
  return readCatalogue(mode, false, text);
}

int readCatalogueForMerge(std::string& text) {
  return readCatalogue(0, true, text);
}

std::vector<int> catalogueRowsMatching(const int* row, int length) {
  std::vector<int> matches;
  const CatalogueFilesState& s = state();
  for (std::size_t k = 0; k < s.rows.size(); ++k) {
    if (std::equal(row, row + length, s.rows[k].begin())) matches.push_back(static_cast<int>(k));
  }
  return matches;
}

int getNumberOfModels() {
  return state().numberOfModels;
}
int catalogueRowCount() {
  return static_cast<int>(state().rows.size());
}
const int* catalogueRow(int index) {
  const CatalogueFilesState& s = state();
  if (index < 0 || index >= static_cast<int>(s.rows.size())) return nullptr;
  return s.rows[static_cast<std::size_t>(index)].data();
}
const int* getGeneratorList() {
  return state().isGenerator.data();
}
int getModelExistence(int nr) {
  if (nr < 1 || nr > kMaxModelNumber) return 0;
  return state().existence[static_cast<std::size_t>(nr)];
}

void allocateTadpoleStatisticsInfo() {
  CatalogueFilesState& s = state();
  // Indexed by model number - 1, which may exceed the count when numbers have gaps.
  const std::size_t size = kMaxModelNumber;
  s.tadpoleStatistics.assign(size, 0);
  s.mipfCount.assign(size, 0);
  s.modelCount.assign(size, 0);
  s.modelNames.assign(size, "---");
}

bool modelStatisticsAvailable() {
  return state().statisticsAvailable;
}

namespace {
template <typename T>
T statisticOf(const std::vector<T>& table, int nr, T none) {
  if (nr < 1 || static_cast<std::size_t>(nr) > table.size()) return none;
  return table[static_cast<std::size_t>(nr - 1)];
}
}  // namespace

int getTadpoleStatistics(int nr) {
  return statisticOf(state().tadpoleStatistics, nr, 0);
}
int getModelCount(int nr) {
  return statisticOf(state().modelCount, nr, 0);
}
int getMIPFCount(int nr) {
  return statisticOf(state().mipfCount, nr, 0);
}
std::string getModelName(int nr) {
  return statisticOf(state().modelNames, nr, std::string("---"));
}

void forgetCatalogue() {
  state().readDone = false;
  state().numberOfModels = 0;
  clearTables();
}

int getGSM_NR() {
  const int number = nextFreeModelNumber();
  if (number == 0) Alert("getGSM_NR", 0, 112413, "Too many new models");
  return number;
}

const int* ReadGenericModelData(int nr) {
  if (nr > kMaxModelNumber) {
    Print("Number %d is out of range\n", nr);
    return nullptr;
  }
  if (readQUVRModels(1) < 0) return nullptr;
  const CatalogueFilesState& s = state();
  const int position = nr >= 1 ? s.reqNrMap[static_cast<std::size_t>(nr)] : -1;
  if (position < 0 || position >= static_cast<int>(s.rows.size())) {
    Print("Model nr. %d is not contained in the model database\n", nr);
    return nullptr;
  }
  return s.rows[static_cast<std::size_t>(position)].data();
}

// --- The merge -------------------------------------------------------------------------------

int getModelNumbers() {
  for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
    obtainLock();
    sinkFlush();
    state().deferAlerts = true;
    MergeResult result = mergeUnderLock();
    if (result.outcome == MergeOutcome::LockLost) {
      // Another process took the lock over: what was read may be old, so read again.
      forgetCatalogue();
      continue;
    }
    if (result.outcome == MergeOutcome::Failed) forgetCatalogue();
    removeLock();
    raisePendingAlerts();
    return result.code;
  }
  removeLock();
  raisePendingAlerts();
  Alert("getModelNumbers", 10, 120406,
        "The catalogue lock was lost %d times; nothing more is merged", kMergeAttempts);
  return 1;
}

void setCatalogueMergeHooks(const CatalogueMergeHooks* hooks) {
  state().hooks = hooks != nullptr ? *hooks : kSearchHooks;
}

// --- Transfer into SM ------------------------------------------------------------------------

void CopyQUVRmodelToSMstruct(const int* record, int depth) {
  StandardModel& m = SM;
  std::copy(record, record + 4, m.groupTypes);
  std::copy(record + 4, record + 8, m.multiplicities);
  std::copy(record + 8, record + 12, m.symmetricTensors);
  std::copy(record + 12, record + 16, m.antisymmetricTensors);
  std::copy(record + 16, record + 22, m.Gamma);
  std::copy(record + 22, record + 28, m.Delta);
  if (depth == 2) return;
  std::copy(record + 28, record + 32, m.Y);
  m.Ynorm = record[32];
  m.cEigenvalues[0] = record[33];
  m.cEigenvalues[1] = record[34];
  m.cMultiplicities[0] = record[35];
  m.cMultiplicities[1] = record[36];
  m.cEigenvalues[2] = m.cMultiplicities[2] = 0;
  m.dEigenvalues[0] = record[37];
  m.dEigenvalues[1] = record[38];
  m.dMultiplicities[0] = record[39];
  m.dMultiplicities[1] = record[40];
  m.dEigenvalues[2] = m.dMultiplicities[2] = 0;
  if (depth == 1) return;
  std::copy(record + 41, record + 47, m.pairIdentification);
  m.extraMasslessU1 = record[47] % 10;
  m.degenerateY = record[47] >= 10 ? 1 : 0;
  std::copy(record + 48, record + 56, m.extraU1);
  if (depth == 3) return;
  std::copy(record + 60, record + 68, m.branes);
  m.stackCount = m.branes[6] == -1 ? 3 : 4;
  m.orientifold = record[68];
  m.cdOrdering = record[69];
  m.cSymmetry = record[70];
  m.dSymmetry = record[71];
  m.cSymmetryToCheck = record[72];
  m.dSymmetryToCheck = record[73];
  std::copy(record + 74, record + 76, m.quarkDoublets);
  std::copy(record + 76, record + 78, m.leptonDoublets);
  std::copy(record + 78, record + 82, m.antiQuarks);
  std::copy(record + 82, record + 85, m.singlets);
}

void ComputeAdditionalModelInfo(StandardModel* record) {
  computeOrderedStandardModelSpectrum(record);
  computeStandardModelBraneIdentity(record);
  computeStandardModelUniversality(record);
  LocalU1Equations(record, 0);
}

void copyExtendedInfo(int* row, const StandardModel* record) {
  row[66] = convertEquivalenceCode(record->equivalence);
  row[67] = convertEquivalenceCode(record->identity);
  row[68] = record->anomalyFreeU1;
  const int n = row[7] == 0 ? 3 : 4;
  int code = CheckOrientability(row, row + 12, row + 8, row + 16, row + 22, n);
  if (code != 1) {
    code = n == 3 ? 3 : 0;
    if (n == 4 && row[16 + 2] == 0 && row[22 + 2] == 0 && row[16 + 4] == 0 && row[22 + 4] == 0 &&
        row[16 + 5] == 0 && row[22 + 5] == 0) {
      code = 2;
    }
  }
  row[69] = code;
  std::copy(record->quarkDoublets, record->quarkDoublets + 2, row + 70);
  std::copy(record->leptonDoublets, record->leptonDoublets + 2, row + 72);
  std::copy(record->antiQuarks, record->antiQuarks + 4, row + 74);
  std::copy(record->singlets, record->singlets + 3, row + 78);
  std::copy(record->universality, record->universality + 6, row + 81);
}

int FindQUVRFilesForInput() {
  CatalogueFilesState& s = state();
  if (!s.folderChecked) {
    ModelDirChanged();
    const std::string separator(static_cast<std::size_t>(std::max(1, getSeparatorLineSize())), '-');
    Print("%s\nLooking for QUVR data files %s\n%s\n", separator.c_str(), getCatalogueFileName().c_str(),
          separator.c_str());
    if (checkDir(modelFolder().c_str()) != 0) {
      Alert("FindQUVRFilesForInput", 0, 120406,
            "The model database directory %s does not exist\nUse \"set ModelDir\" to define "
            "correct path",
            modelFolder().c_str());
      return 0;
    }
    s.folderChecked = true;
  }
  if (checkDir(getCatalogueFileName().c_str()) == 1) return 1;
  Alert("FindQUVRFilesForInput", 1, 120406, "The model file %s does not exist",
        getCatalogueFileName().c_str());
  return 0;
}

void resetCatalogueFiles() {
  state() = CatalogueFilesState();
}

void resetCatalogue() {
  resetCatalogueLock();
  resetCatalogueFiles();
  resetCatalogueIdentity();
  resetCatalogueCharges();
}
