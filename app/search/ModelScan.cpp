// Rebuilding stored candidates from model lines and the tadpole scan of a model file.
//
// A model line holds "model tensor MIPF orientifold a b c d Na Nb Nc Nd name status"; a
// line with model number -1 ends the file. The case last built (tensor code, MIPF,
// orientifold) survives between lines and commands, so that consecutive lines of one case
// reuse the built theory. The scan keeps its own display mode of the input lines; the
// persistent "Tadpole display input" is only read. The result file of a scan is replaced
// whole after each line, so an interrupted scan leaves every finished line on disk, and a
// later scan of the file resumes it (ScanResults).
#include "search/ModelScan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "search/Catalogue.h"
#include "search/ChanPaton.h"
#include "search/DiscreteSymmetries.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"
#include "search/SearchTadpoleHooks.h"
#include "store/CurrentTheory.h"
#include "strings/HiddenSector.h"
#include "strings/Intersections.h"
#include "strings/OpenReports.h"
#include "strings/StringTheory.h"
#include "strings/Tadpole.h"

namespace {

struct ModelScanState {
  // The case built last; -1 nothing built, MIPF -2 after a new tensor product.
  int tensorCode = -1;
  int MIPF = -1;
  int orientifold = -1;
  // The change counters of the theory, the bulk invariant and the orientifold when the case
  // was last made current. Any other command that changes one of them (another invariant or
  // theory selected between two scans) makes the remembered case stale from that level on.
  int theoryStamp = -1;
  int bulkStamp = -1;
  int orientifoldStamp = -1;
  int linesRead = 0;
  int linesShown = 0;
  // -2: no override (the setting "Tadpole display input" is read); else the scan's own mode.
  int displayOverride = -2;
};

ModelScanState& state() {
  static ModelScanState s;
  return s;
}

int displayMode() {
  const ModelScanState& s = state();
  return s.displayOverride != -2 ? s.displayOverride : searchSetting("Tadpole display input");
}

void separator(int width) { Print("%s\n", std::string(static_cast<std::size_t>(width), '-').c_str()); }

// A banner of the given width: separator, text, separator.
void banner(int width, const std::string& text) {
  separator(width);
  Print("%s\n", text.c_str());
  separator(width);
}

void printLabels(const char* title, int n, const int* values) {
  Print("%s", title);
  for (int k = 0; k < n; ++k) Print("%d ", values[k]);
  Print("\n");
}

// The first "name_k" that does not exist, taken atomically; empty when none can be made.
std::string claimNumberedName(const std::string& base) {
  for (int k = 0; k < 100000; ++k) {
    const std::string name = base + "_" + std::to_string(k);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) break;
  }
  return {};
}

// One model line as read: the twelve numbers, the name and the status. fields is what
// sscanf matched (14 for a whole line).
struct ModelLineFields {
  int v[12] = {};
  char name[80] = {};
  int status = 0;
  int fields = 0;
};

ModelLineFields parseModelLine(const char* text) {
  ModelLineFields f;
  f.fields = std::sscanf(text, "%d %d %d %d %d %d %d %d %d %d %d %d %79s %d", &f.v[0], &f.v[1], &f.v[2], &f.v[3],
                         &f.v[4], &f.v[5], &f.v[6], &f.v[7], &f.v[8], &f.v[9], &f.v[10], &f.v[11], f.name, &f.status);
  return f;
}

// What names a candidate in a result file: its line without the status.
std::string modelKey(const int v[12], const char* name) {
  return formatText("%d %d %d %d %d %d %d %d %d %d %d %d %s", v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8],
                    v[9], v[10], v[11], name);
}

std::string modelKey(const StandardModel& m) {
  const int v[12] = {m.modelNumber,        m.tensorCode,         m.MIPF,
                     m.orientifold,        m.inputBoundaries[0], m.inputBoundaries[1],
                     m.inputBoundaries[2], m.inputBoundaries[3], m.multiplicities[0],
                     m.multiplicities[1],  m.multiplicities[2],  m.multiplicities[3]};
  return modelKey(v, m.line);
}

// The result file of a scan, kept whole: the results of the input lines passed so far, in
// their order, then the results an earlier scan of the file left for lines not reached yet
// (kept, in their order, when the scan ends early), and the end line once the file was
// scanned to its end. A candidate whose result is there already is not analysed again, so
// a second scan resumes the first one, and no candidate's result is ever written twice.
// Every change replaces the file whole (a temporary renamed into place): a run killed at
// any moment leaves a file that a reader and the next scan take as it is.
class ScanResults {
 public:
  explicit ScanResults(std::string path) : path_(std::move(path)) {
    onDisk_ = readText(path_);
    std::size_t at = 0;
    while (at < onDisk_.size()) {
      std::size_t end = onDisk_.find('\n', at);
      // A last line without its newline was cut short while being written.
      if (end == std::string::npos) break;
      const ModelLineFields f = parseModelLine(onDisk_.substr(at, end - at).c_str());
      at = end + 1;
      if (f.fields != 14 || f.v[0] == -1) continue;
      const std::string key = modelKey(f.v, f.name);
      earlier_.emplace_back(key, f.status);
      known_.emplace(key, f.status);
    }
  }

  // The candidates with a result in the file at the start.
  std::size_t knownCount() const { return known_.size(); }

  // Whether the candidate has a result already, from an earlier scan or from a line of this
  // one (a candidate listed twice), and its status.
  bool known(const std::string& key, int* status) const {
    auto found = passedKeys_.find(key);
    if (found == passedKeys_.end()) {
      found = known_.find(key);
      if (found == known_.end()) return false;
    }
    *status = found->second;
    return true;
  }

  // The next result, in input order: the line's candidate with its status. A candidate
  // that has its result among the lines passed keeps that one.
  void add(const std::string& key, int status) {
    if (!passedKeys_.emplace(key, status).second) return;
    passed_.push_back(formatText("%s %d\n", key.c_str(), status));
    earlier_.erase(std::remove_if(earlier_.begin(), earlier_.end(),
                                  [&key](const std::pair<std::string, int>& e) { return e.first == key; }),
                   earlier_.end());
  }

  // Writes the file when its text changed; complete: scanned to its end, the end line
  // (with the status of the last line read) closes it and earlier results of lines the
  // file no longer holds are dropped. False when the file could not be written.
  bool write(bool complete, int lastStatus) {
    std::string text;
    for (const std::string& line : passed_) text += line;
    if (complete) {
      text += formatText("-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 name %d\n", lastStatus);
    } else {
      for (const auto& [key, status] : earlier_) text += formatText("%s %d\n", key.c_str(), status);
    }
    if (text == onDisk_) return true;
    if (!writeFileAtomically(path_, text)) {
      Alert("StandardModelTadpoleScan", 0, 120206, "Could not write the scan results to %s", path_.c_str());
      return false;
    }
    onDisk_ = text;
    return true;
  }

 private:
  // The file's text; empty when there is none yet (no alert: a first scan has none).
  static std::string readText(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "r");
    if (in == nullptr) return {};
    std::string text;
    readRestOfStream(in, text);
    std::fclose(in);
    return text;
  }

  std::string path_;
  std::string onDisk_;
  std::vector<std::string> passed_;
  std::map<std::string, int> passedKeys_;
  std::vector<std::pair<std::string, int>> earlier_;
  std::map<std::string, int> known_;
};

// The scan profile: one row per distinct candidate.
struct ProfileRows {
  std::vector<std::vector<int>> rows;
  bool contains(const std::vector<int>& row) const { return std::find(rows.begin(), rows.end(), row) != rows.end(); }
};

std::vector<int> buildProfileRow() {
  const StandardModel& m = SM;
  std::vector<int> row = {m.modelNumber, m.tensorCode, m.MIPF, m.orientifold};
  const int labels[4] = {m.branes[0], m.branes[2], m.branes[4], m.branes[6]};
  for (int k = 0; k < 4; ++k) {
    int x = 0, y = 0, z = 0;
    if (labels[k] >= 0) getDiagonalInfo(m.orientifold, labels[k], &x, &y, &z);
    row.insert(row.end(), {x, y, z});
  }
  const int images[4] = {m.branes[1], m.branes[3], m.branes[5], m.branes[7]};
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) {
      int c1 = 0, c2 = 0;
      int x1 = 0, x2 = 0;
      if (labels[i] >= 0 && labels[j] >= 0) {
        x1 = FullIntersectionForClassMember(labels[i], images[j], &c1);
        x2 = FullIntersectionForClassMember(labels[i], labels[j], &c2);
      }
      row.push_back(x1);
      row.push_back(x2);
    }
  const int* hidden =
      computeHiddenSectorProfile(m.recombinedCount, m.orientifold, m.recombinedBoundaries, m.recombinedMultiplicities);
  for (int k = 0; k < 9; ++k) row.push_back(hidden != nullptr ? hidden[k] : 0);
  return row;
}

}  // namespace

void resetModelScan() { state() = ModelScanState(); }

void startModelInput() {
  ModelScanState& s = state();
  s.linesRead = 0;
  s.linesShown = 0;
}

namespace {

double openFileLength(FILE* file) {
  struct stat info {};
  if (file == nullptr || fstat(fileno(file), &info) != 0) return 0.0;
  return static_cast<double>(info.st_size);
}

}  // namespace

ModelFileProgress::ModelFileProgress(const char* name, FILE* file)
    : file_(file), scope_(name, openFileLength(file)) {}

void ModelFileProgress::step() {
  const long offset = file_ != nullptr ? std::ftell(file_) : -1;
  if (offset >= 0)
    scope_.advanceTo(static_cast<double>(offset));
  else
    obeyInterruptRequest();
}

int readModelInputLine(FILE* file, int* status) {
  ModelScanState& s = state();
  StandardModel& m = SM;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
    const ModelLineFields f = parseModelLine(buffer);
    const int* v = f.v;
    if (f.fields >= 1 && v[0] == -1) return 0;
    if (f.fields != 14) {
      // A damaged line is one candidate lost, not the end of the file.
      Alert("readModelInputLine", 0, 112201, "Invalid model line: %.60s", buffer);
      continue;
    }
    m.modelNumber = v[0];
    m.tensorCode = v[1];
    m.MIPF = v[2];
    m.orientifold = v[3];
    for (int k = 0; k < 4; ++k) {
      m.inputBoundaries[k] = v[4 + k];
      m.multiplicities[k] = v[8 + k];
    }
    std::snprintf(m.line, sizeof m.line, "%s", f.name);
    *status = f.status;
    ++s.linesRead;
    m.stackCount = m.inputBoundaries[3] == -1 ? 3 : 4;
    m.headerPrinted = 0;
    m.alreadyPrinted = 0;
    if (m.stackCount == 3)
      std::snprintf(m.title, sizeof m.title, "input line %d: type %6d, orientifold (%d,%d,%d), branes (%d,%d,%d)",
                    s.linesRead, m.modelNumber, m.tensorCode, m.MIPF, m.orientifold, m.inputBoundaries[0],
                    m.inputBoundaries[1], m.inputBoundaries[2]);
    else
      std::snprintf(m.title, sizeof m.title,
                    "input line %d: type %6d, orientifold (%d,%d,%d), branes (%d,%d,%d,%d)", s.linesRead,
                    m.modelNumber, m.tensorCode, m.MIPF, m.orientifold, m.inputBoundaries[0], m.inputBoundaries[1],
                    m.inputBoundaries[2], m.inputBoundaries[3]);
    const int display = displayMode();
    if (display != -1) {
      if (searchSetting("SM_search header") != 0) {
        Print("\n\n\n");
        banner(42, formatText("Read: %s", m.title));
        Print("\n\n\n");
        m.headerPrinted = 1;
      } else if (display == 1 || s.linesShown <= 4) {
        if (s.linesShown == 0) separator(45);
        Print("%s\n", m.title);
        if (s.linesShown == 4 && display == 0) {
          Print("Remaining input lines will only be displayed if they match the selection criteria\n");
          Print("Use \"set tadpole input ON\" to display all input lines\n");
          separator(45);
          Print("\n");
        }
      }
      ++s.linesShown;
    }
    return 1;
  }
  return 0;
}

namespace {

void stampCurrentCase(ModelScanState& s) {
  s.theoryStamp = QueryCFT();
  s.bulkStamp = QueryBulkInvariant();
  s.orientifoldStamp = QueryOrientifold();
}

// The remembered case describes what is current now only while no change counter moved
// since it was stamped; from the first level that moved on, it is forgotten. A tensor
// product changed by a factor or current has no computed spectrum until "compute spectrum"
// (which moves the theory counter), so a product without one is never the case.
void forgetStaleCase(ModelScanState& s) {
  if (s.theoryStamp != QueryCFT() || KMCosetSwitch == 0 || primaryCountKnown() == 0) {
    s.tensorCode = s.MIPF = s.orientifold = -1;
  } else if (s.bulkStamp != QueryBulkInvariant()) {
    s.MIPF = -2;
    s.orientifold = -1;
  } else if (s.orientifoldStamp != QueryOrientifold()) {
    s.orientifold = -1;
  }
}

}  // namespace

int modelInitialization(int mode, int scan) {
  ModelScanState& s = state();
  StandardModel& m = SM;
  if (mode == -2) {
    // The search has just worked on this theory and invariant; the orientifold it leaves
    // current need not be the model's.
    s.tensorCode = m.tensorCode;
    s.MIPF = m.MIPF;
    const OrientifoldInfo* current = getCurrentOrientifold();
    s.orientifold = current != nullptr ? current->listPosition : -1;
    stampCurrentCase(s);
    return 0;
  }
  if (mode == -1) {
    s.tensorCode = s.MIPF = s.orientifold = -1;
    return 0;
  }
  forgetStaleCase(s);
  if (getSusySearch() != 1) {
    Alert("modelInitialization", 0, 112311, "Model re-generation for non-supersymmetric spectra not yet built in");
    return 0;
  }
  bool rebuilt = false;
  // A step that fails leaves the case forgotten from its level on, so that the next line
  // or command builds it again instead of trusting a half-built one.
  if (m.tensorCode != s.tensorCode) {
    s.tensorCode = s.MIPF = s.orientifold = -1;
    if (buildCY(static_cast<unsigned>(m.tensorCode)) == static_cast<unsigned>(-1)) return 0;
    s.tensorCode = m.tensorCode;
    s.MIPF = -2;
  }
  if (m.MIPF != s.MIPF) {
    s.MIPF = -2;
    s.orientifold = -1;
    buildMIPF(m.MIPF, scan);
    s.MIPF = m.MIPF;
    rebuilt = true;
  }
  if (initStandardModelSearch() == nullptr) {
    Print("initStandardModelSearch failed\n");
    return 0;
  }
  if (rebuilt || m.orientifold != s.orientifold) {
    s.orientifold = -1;
    printOrientifoldList();
    if (setStoredOrientifold(m.orientifold) == nullptr) return 0;
    if (initSearchMemory() != 0) return 0;
    s.orientifold = m.orientifold;
  }
  stampCurrentCase(s);
  OrientifoldInfo* record = getCurrentOrientifold();
  for (int k = 0; k < 4; ++k) {
    const int label = m.inputBoundaries[k];
    m.branes[2 * k] = label;
    m.branes[2 * k + 1] = label >= 0 && record != nullptr ? orientifoldConjugate(record, label) : -1;
  }
  // Every line is verified, also one whose case was built for an earlier line.
  if (mode == 1 && verifySpectrum() != 1) {
    Alert("modelInitialization", 1, 112201, "Spectrum verification failure");
    return 0;
  }
  return 1;
}

int BraneRecombination(const int labels[4], const int mults[4], int outLabels[4], int outMults[4]) {
  for (int k = 0; k < 4; ++k) {
    outLabels[k] = labels[k];
    outMults[k] = mults[k];
  }
  int n = labels[3] == -1 ? 3 : 4;
  auto merge = [&](int i, int j) {
    if (j >= n || outLabels[i] == -1 || outLabels[i] != outLabels[j]) return;
    outMults[i] += outMults[j];
    for (int k = j; k < 3; ++k) {
      outLabels[k] = outLabels[k + 1];
      outMults[k] = outMults[k + 1];
    }
    outLabels[3] = -1;
    outMults[3] = 0;
    --n;
  };
  if (n == 4) merge(0, 3);
  merge(0, 2);
  merge(0, 1);
  merge(1, 3);
  merge(1, 2);
  merge(2, 3);
  return n;
}

void printInputModelData(int k) {
  const StandardModel& m = SM;
  separator(45);
  Print("Scanning raw input configuration nr. %d\n", k);
  Print("         Tensor %d; MIPF %d; Orientifold %d\n", m.tensorCode, m.MIPF, m.orientifold);
  printLabels("         Boundaries:     ", m.stackCount, m.inputBoundaries);
  printLabels("         Multiplicities: ", m.stackCount, m.multiplicities);
  if (m.recombinedCount < m.stackCount) {
    Print("After brane recombination:\n");
    Print("        Number of recombined branes %d\n", m.recombinedCount);
    printLabels("         Boundaries:     ", m.recombinedCount, m.recombinedBoundaries);
    printLabels("         Multiplicities: ", m.recombinedCount, m.recombinedMultiplicities);
  }
  separator(45);
  Print("\n");
}

int initInstantonScan() {
  if (searchSetting("Super") == 0) {
    Type_IIB_Error(1);
    return 0;
  }
  if (initStandardModelSearch() == nullptr) {
    Print("initInstantonScan failed\n");
    return 0;
  }
  if (CY_Check('B', 1) == 0) Print("Non-chiral bulk extension (boundary states may be chiral)\n");
  if (getSusySearch() == 1 && CY_Check('I', 1) == 0) {
    Print("CY_Check('I') failed\n");
    return 0;
  }
  getTwoFormLabels();
  int A = 0, M = 0, S = 0;
  CheckChirality(0, 0, 0, &A, &M, &S);
  loadGlobalAnomalies(2);
  return 1;
}

int buildMIPF(int number, int scan) {
  buildInvariant(std::to_string(number).c_str(), 1);
  initializeOpenString();
  if (scan == 1) initInstantonScan();
  return number;
}

int buildOrientifold(int number) {
  setStoredOrientifold(number);
  return number;
}

void StandardModelTadpoleScan(const char* file, int type) {
  ModelScanState& s = state();
  StandardModel& m = SM;
  const std::string path = convertFileName(file);
  const std::unique_ptr<FILE, int (*)(FILE*)> opened(std::fopen(path.c_str(), "r"), std::fclose);
  FILE* input = opened.get();
  if (input == nullptr) {
    Alert("StandardModelTadpoleScan", 0, 120406, "Could not open input file %s\n", file);
    return;
  }
  startModelInput();
  separator(45);
  if (type == -1) Print("Scanning file %s\n", file);
  else Print("Scanning file %s for models of type %d\n", file, type);

  const std::string& name = path;
  const bool honoured = name.find(".models") != std::string::npos;
  std::string output;
  if (honoured) {
    const std::size_t at = name.rfind("models");
    output = name.substr(0, at) + "analysed" + name.substr(at + 6);
  } else {
    output = claimNumberedName(name);
    if (output.empty()) {
      Alert("StandardModelTadpoleScan", 1, 120206, "Could not create an output file for %s", file);
      return;
    }
    separator(46);
    Print("Scan results will be written to file %s\n", output.c_str());
    Print("Format of scan input and output files: \nQUVR_type, RCFT, MIPF, Orientifold, Boundaries a-d, "
          "Multiplicities a-d, name, status \n");
    Print("              Status:  0 Tadpoles not analysed\n");
    Print("              Status: -1 No solution\n");
    Print("              Status: -2 At least one solution\n");
    Print("              Status: -3 Search aborted without solution\n");
    Alert("StandardModelTadpoleScan", 1, 100218,
          "Status info in input file %s is ignored\n(Hence all models will be re-analysed regardless of previous "
          "results)",
          file);
  }

  ScanResults results(output);
  if (results.knownCount() > 0)
    Print("%zu results already in %s are kept; their models are not analysed again\n", results.knownCount(),
          output.c_str());

  installStandardModelHooks();
  // What the scan changes for its run comes back on every way out, also when the command is
  // abandoned (Ctrl-C): the display mode of the input lines, the analysis hook, the model
  // handed to the solver and its stacks. Every finished line is on disk; an unfinished scan
  // has no terminator, so that the next scan of the file resumes it.
  class ScanGuard {
   public:
    ScanGuard() = default;
    ~ScanGuard() {
      state().displayOverride = -2;
      resetAnalysisFunction();
      setStandardModelBraneInfo(-1, nullptr, nullptr);
      setModelDataPointer(nullptr);
    }
    ScanGuard(const ScanGuard&) = delete;
    ScanGuard& operator=(const ScanGuard&) = delete;
  } guard;
  ModelFileProgress progress("Tadpole scan", input);
  ProfileRows profiles;
  const bool profile = searchSetting("Scan profile") != 0;
  int analysed = 0, withSolutions = 0, without = 0, aborted = 0;
  int status = 0;
  bool ended = false;
  s.displayOverride = -1;
  while (readModelInputLine(input, &status) == 1) {
    progress.step();
    const std::string key = modelKey(m);
    int earlier = 0;
    if (results.known(key, &earlier)) {
      // Its result stays where it is, whatever this scan would do with the line.
      results.add(key, earlier);
      if (type == -1 || m.modelNumber == type) PrintNoRepeat("Case skipped; analysed previously", "");
      continue;
    }
    if (type != -1 && m.modelNumber != type) continue;
    if (alreadyDone(status, honoured ? 1 : 0, m.line) != 0) continue;
    if (type != -1) {
      Print("\n\n");
      banner(42, formatText("Tadpole analysis of %s", m.title));
      const int* record = ReadGenericModelData(type);
      if (record == nullptr) {
        ended = true;
        break;
      }
      StandardModel copy;
      copyStandardModelStruct(&copy, &m);
      copyModelsFormatToStandardModel(&m, record, m.tensorCode);
      // The line's own case and stacks stay; the catalogue gives the rest.
      m.modelNumber = copy.modelNumber;
      m.MIPF = copy.MIPF;
      m.orientifold = copy.orientifold;
      std::copy(std::begin(copy.inputBoundaries), std::end(copy.inputBoundaries), m.inputBoundaries);
      std::copy(std::begin(copy.multiplicities), std::end(copy.multiplicities), m.multiplicities);
      std::copy(std::begin(copy.line), std::end(copy.line), m.line);
      std::copy(std::begin(copy.title), std::end(copy.title), m.title);
      m.stackCount = copy.stackCount;
      m.headerPrinted = 1;
    }
    if (modelInitialization(1, 0) == 0) {
      ended = true;
      break;
    }
    setModelDataPointer(&m);
    setStoredOrientifold(m.orientifold);
    m.recombinedCount =
        BraneRecombination(m.inputBoundaries, m.multiplicities, m.recombinedBoundaries, m.recombinedMultiplicities);
    m.chanPaton = generateChanPatonDataForStandardModel(&m);
    if (profile) {
      const std::vector<int> row = buildProfileRow();
      if (searchSetting("Scan display profile") != 0) {
        Print("Profile: \n");
        PrintVec(static_cast<int>(row.size()), row.data(), "");
      }
      if (profiles.contains(row)) {
        if (displayMode() != -1 || searchSetting("Scan display profile") != 0)
          Print("This model is apparently identical to a previous one\n");
        continue;
      }
      if (profiles.rows.size() < 1000) profiles.rows.push_back(row);
    }
    ++analysed;
    initNullVectorStatistics();
    if (searchSetting("Tadpole info_level") >= 1) printInputModelData(analysed);
    setStandardModelBraneInfo(m.stackCount, m.inputBoundaries, m.multiplicities);
    int result = findTadpoleSolutionForSM(m.recombinedCount, m.orientifold, m.recombinedBoundaries,
                                          m.recombinedMultiplicities);
    setStandardModelBraneInfo(-1, nullptr, nullptr);
    if (result == 1) result = -3;
    if (result != -1 && result != -2) result = -3;
    if (result == -2) ++withSolutions;
    else if (result == -1) ++without;
    else ++aborted;
    if (searchSetting("Tadpole info_level") == 0) {
      const std::string text = formatText("Total number of Standard Models %d, With tadpole solutions %d, No "
                                          "solutions %d, Aborted %d",
                                          analysed, withSolutions, without, aborted);
      PrintNoRepeat("Tadpole progress: ", text.c_str());
    }
    results.add(key, result);
    if (!results.write(false, status)) {
      ended = true;
      break;
    }
    if (searchSetting("Tadpole info_level") >= 1) {
      if (result == -1) Print("No tadpole solution for this SM configuration\n\n");
      else if (result == -2) Print("At least one tadpole solution was found for this SM configuration\n\n");
      else Print("Solution search aborted; solutions may exist\n\n");
    }
    Print("\n\n\n");
    setModelDataPointer(nullptr);
  }
  s.displayOverride = -2;
  resetAnalysisFunction();
  setModelDataPointer(nullptr);
  printAxionSymmetryStatistics();
  Print("\n\n");
  banner(45, formatText("Last read: %s", m.title));
  Print("\n\n");
  Print("Number of input lines analysed: %d\n", analysed);
  Print("Out of these %d have tadpole solutions, %d do not and %d were aborted.\n", withSolutions, without, aborted);
  // The terminator says the file was scanned to its end; a scan ended by a case that could
  // not be rebuilt or verified leaves it off, so that the result is not read as complete.
  results.write(!ended, status);
}

