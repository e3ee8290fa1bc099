// Scans of the Calabi-Yau tensor products of N=2 minimal models and the commands around
// them: the MIPF-data and Hodge-number collections with their restart, the per-invariant
// record lines ("account heterotic", "record tachyon-free", "account axion"), the Hodge
// display of one orientifold, the scan over the invariants of a code and over all codes,
// the instanton requirements with the instanton and spectrum scans of model files, the
// analysis of a brane configuration typed in, and the run's "Finished" marker.
#include "commands/CommandsScans.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/OrderedJobs.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Axions.h"
#include "search/ChanPaton.h"
#include "search/HodgeFiles.h"
#include "search/InstantonScan.h"
#include "search/ModelAnalysis.h"
#include "search/ModelScan.h"
#include "search/SearchSM.h"
#include "store/CurrentTheory.h"
#include "strings/Intersections.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"
#include "strings/Tadpole.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

// The list of scanned MIPFs in the home folder.
constexpr const char* kMIPFListFile = "MIPFlist";

int hodgeCommand(char** params, int n, int kind, int collect) {
  const std::string stem = computeHodgeFilename(params, n);
  HodgeScan(stem, kind, collect);
  return -n;
}

// The level code of a tensor code: the numbered products by their table entry.
long long levelCode(long long code) {
  const std::vector<std::int64_t>& codes = getMinimalTensorCodes();
  if (code >= 1 && code <= static_cast<long long>(codes.size()) && code < 169) {
    return codes[static_cast<std::size_t>(code - 1)];
  }
  return code;
}

// "build cy" on a code (its handler reads the converted int of its parameter).
int buildCYByCode(long long code) {
  int value = static_cast<int>(code);
  char* params[1] = {reinterpret_cast<char*>(&value)};
  return COM_build_cy(params, 1) < 0 ? 1 : 0;
}

// The labels and multiplicities of "label:value" words; false after the alert.
bool readAssignments(char** params, int first, int n, const char* routine, std::vector<int>* labels,
                     std::vector<int>* multiplicities) {
  for (int k = first; k < n; ++k) {
    int label = 0, value = 0;
    if (!ConvertAssign(params[k], &label, &value)) {
      Alert(routine, 0, kRefusedValue, "Invalid assignment: %s", params[k]);
      return false;
    }
    labels->push_back(label);
    multiplicities->push_back(value);
  }
  return true;
}

}  // namespace

std::string computeHodgeFilename(char** params, int n) {
  CommandsState& s = commandsState();
  if (n == 1 && params[0] != nullptr) s.currentCY = params[0];
  std::string name = s.currentCY;
  if (name.empty()) {
    Alert("computeHodgeFilename", 0, 112301, "No file name provided; using \"X\" instead");
    name = "X";
  }
  return getOutputDir() + name;
}

namespace {

// A scan of one code; the lines for "MIPFlist" are appended to the file as they come, or,
// with `listLines`, collected there for the caller to append (the file is then only
// opened, so that a folder that cannot take it is reported at the same point).
int scanTensorCode(long long code, int* orientifoldTotal, int* tensionTotal, int* invariantTotal,
                   std::string* listLines) {
  PrintStdout("Command scan cy %lld\n", code);
  const long long levels = levelCode(code);
  PrintStdout("CY code %lld\n", levels);
  if (!requireMinimalTensorCode("Scan_tensorcode", code)) return 1;
  if (buildCYByCode(code) == 0) return 1;
  const std::string home = usableHomeFolder();
  if (home.empty()) {
    Alert("Scan_tensorcode", 0, 100302, "No home folder for the file %s", kMIPFListFile);
    return 1;
  }
  const std::string path = home + "/" + kMIPFListFile;
  // Closed on every way out; each line is flushed, so a stopped scan keeps the lines it wrote.
  std::unique_ptr<FILE, int (*)(FILE*)> opened(Fopen(path.c_str(), "a"), Fclose);
  if (opened == nullptr) return 1;
  if (listLines != nullptr) opened.reset();
  FILE* list = opened.get();
  const int invariants = TotalInvariants();
  PrintStdout("Now starting loop for %d MIPFs\n", invariants);
  if (invariantTotal != nullptr) *invariantTotal += invariants;
  const OrientifoldLoopScope longLoop;
  ProgressScope progress("Scanning MIPFs", invariants);
  for (int k = 0; k < invariants; ++k) {
    progress.step();
    buildMIPF(k, 0);
    const int boundaries = TotalBoundaries();
    const int orientifolds = TotalOrientifolds();
    const int withTension = TotalOrientifoldsWithTension();
    Print("%lld %d %d %d %d\n", levels, k, boundaries, orientifolds, withTension);
    if (orientifoldTotal != nullptr) *orientifoldTotal += orientifolds;
    if (tensionTotal != nullptr) *tensionTotal += withTension;
    if (listLines != nullptr) {
      *listLines += formatText("%lld %d %d\n", levels, k, boundaries);
    } else {
      std::fprintf(list, "%lld %d %d\n", levels, k, boundaries);
      std::fflush(list);
    }
  }
  return 0;
}

// The numbered tensor products that "count orientifolds" scans.
constexpr int kNumberedTensorProducts = 168;
// The numbered product scanned quickest (260 primaries, 4 invariants): the worker of every
// product but the first scans it first, so that its product meets a previous one as in the
// plain loop (building a product says that the previous one's data are erased).
constexpr long long kQuickestScanCode = 140;
// A scan's peak memory, which bounds the number of scans run at once.
constexpr std::size_t kScanPeakBytes = std::size_t{2} << 30;

// What the scan of one code hands back from its worker.
struct CodeScanResult {
  int orientifolds = 0;
  int withTension = 0;
  int invariants = 0;
  std::string listLines;
};

// A line with the three totals, then the lines for "MIPFlist".
std::string encodeCodeScan(const CodeScanResult& scan) {
  return formatText("%d %d %d\n", scan.orientifolds, scan.withTension, scan.invariants) + scan.listLines;
}

// False for a text that encodeCodeScan did not make.
bool decodeCodeScan(const std::string& text, CodeScanResult* scan) {
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd == std::string::npos) return false;
  if (std::sscanf(text.c_str(), "%d %d %d", &scan->orientifolds, &scan->withTension, &scan->invariants) != 3) {
    return false;
  }
  scan->listLines = text.substr(lineEnd + 1);
  return true;
}

// Appends lines to "MIPFlist" in the home folder in one write; false after the alert.
bool appendToMIPFList(const std::string& lines) {
  if (lines.empty()) return true;
  const std::string home = usableHomeFolder();
  if (home.empty()) return false;
  const std::string path = home + "/" + kMIPFListFile;
  FILE* list = Fopen(path.c_str(), "a");
  if (list == nullptr) return false;
  const bool written = std::fwrite(lines.data(), 1, lines.size(), list) == lines.size();
  if (Fclose(list) != 0 || !written) {
    Alert("COM_countorientifolds", 0, 120206, "Could not write file \"%s\"", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int Scan_tensorcode(long long code, int* orientifoldTotal, int* tensionTotal, int* invariantTotal) {
  return scanTensorCode(code, orientifoldTotal, tensionTotal, invariantTotal, nullptr);
}

// "collect MIPF_data" (name)
int COM_collect_MIPFdata(char** params, int n) { return hodgeCommand(params, n, 1, 1); }
// "scan MIPF_data" (name)
int COM_scan_MIPFdata(char** params, int n) { return hodgeCommand(params, n, 1, 0); }
// "collect hodge_numbers" (name)
int COM_collect_hodge(char** params, int n) { return hodgeCommand(params, n, 0, 1); }
// "scan hodge_numbers" (name)
int COM_scan_hodge(char** params, int n) { return hodgeCommand(params, n, 0, 0); }

// "account heterotic" [int mode]
int COM_store_heterotic(char** params, int n) {
  if (n < 1) return 1;
  return storeMIPFData(intParameter(params, 0), getOutputDir(), getCurrentCY()) == 0 ? -1 : 1;
}

// "account axion" (int mode)
int COM_store_axion(char**, int n) {
  const std::string path = getOutputDir() + getCurrentCY() + ".axion";
  if (n >= 1) {
    Print("Writing to file %s\n", path.c_str());
    if (!writeFileAtomically(path, "", false)) {
      Alert("COM_store_axion", 0, 120206, "Could not write file \"%s\"", path.c_str());
      return 1;
    }
    return -1;
  }
  initializeOpenString();
  if (initSearchMemory() != 0) return 1;
  getIndependentAxionBoundaries(0);
  FILE* file = Fopen(path.c_str(), "a");
  if (file == nullptr) return 1;
  printAxionInformation(file);
  Fclose(file);
  return -1;
}

// "record tachyon-free" [filename]
int COM_account_tachyon_free(char** params, int n) {
  if (n < 1) return 1;
  if (MOD_initContents() == 0) {
    Alert("COM_account_tachyon_free", 0, 100302, "Initialization problem for heterotic data");
    return 1;
  }
  const std::vector<int> info = getHeteroticSpectrumInfo();
  if (info.size() < 8) return 1;
  if (info[6] != info[7]) {
    Alert("COM_account_tachyon_free", 1, 112311, "Non-symmetric MIPF");
    return 1;
  }
  BulkInvariant** slot = getCurrentBulk();
  BulkInvariant* bulk = slot != nullptr ? *slot : nullptr;
  std::string line = formatText("%7lld %5d %5d %5d %3d", static_cast<long long>(fileIdentifier()),
                                getExtensionNumber(currentTensor), bulk != nullptr ? MIPFIdentifier(bulk) : -1,
                                bulk != nullptr ? bulk->ishibashi_count : 0, info[6]);
  if (info[6] != 0) {
    line += "  0\n";
  } else {
    const TachyonHook previous = getTachyonFunction();
    setTachyonFunction(recordTachyonFreeCase);
    recordTachyonFreeCase(-1);
    checkTachyon(1, 1);
    const std::vector<int> record = getTachyonRecord();
    if (!record.empty() && record[0] != -1) {
      std::vector<int> listed;
      for (std::size_t k = 1; k < record.size() && record[k] != -1; ++k) listed.push_back(record[k]);
      line += formatText("%3d ", record[0]);
      line += formatText("%3d ", static_cast<int>(listed.size()));
      for (int o : listed) line += formatText(" %3d", o);
    }
    // A line is always whole, so the next case starts a line of its own.
    line += "\n";
    recordTachyonFreeCase(-1);
    setTachyonFunction(previous);
  }
  // A name under the home folder ("~/...") is taken as it stands, as in every file argument;
  // any other name lies in the output folder.
  std::string path;
  if (params[0][0] == '~') {
    path = convertFileName(params[0]);
  } else {
    path = getOutputDir();
    if (!path.empty() && path.back() != '/') path += "/";
    path += params[0];
  }
  FILE* file = Fopen(path.c_str(), "a");
  if (file == nullptr) return 1;
  std::fputs(line.c_str(), file);
  Fclose(file);
  return -1;
}

// "browse hodge" (int tensor)(int MIPF)(int orientifold)
int COM_browse_hodge(char** params, int n) {
  if (n == 1 || n == 2) {
    Alert("COM_browse_hodge", 0, kRefusedValue, "Please specify tensor product, MIPF and orientifold");
    return 1;
  }
  if (n >= 3) {
    if (buildCY(static_cast<unsigned>(intParameter(params, 0))) == static_cast<unsigned>(-1)) return 1;
    if (select_invariant(std::to_string(intParameter(params, 1)).c_str()) != 0) return 1;
    initializeOrientedOpenString();
    loadOrientifolds();
    const int o = intParameter(params, 2);
    if (o < 0 || o >= TotalOrientifolds()) {
      Alert("COM_browse_hodge", 1, kRefusedValue, "Orientifold nr. out of range");
      return 1;
    }
    setStoredOrientifold(o);
  }
  const CommandsState& s = commandsState();
  if (s.boundaryMode == nullptr || s.boundaryMode->active == 0) {
    Alert("COM_browse_hodge", 2, 100302, "Command works only in orientifold mode");
    return 1;
  }
  if (superOn() == 0) {
    Alert("COM_browse_hodge", 3, 100302, "Superstring mode is off");
    return 1;
  }
  if (MOD_initContents() == 0) {
    Alert("COM_browse_hodge", 4, 100302, "Initialization problem for heterotic data");
    return 1;
  }
  const StringBlock* spectrum = getStringSpectrum(1);
  if (spectrum == nullptr) return 1;
  if (spectrum->spaceTimeDimension != 4) {
    Alert("COM_browse_hodge", 5, 100302, "This command works only in four dimensions");
    return 1;
  }
  const std::vector<int> info = getHeteroticSpectrumInfo();
  if (info.size() < 8) return 1;
  if (info[6] != 4 || info[7] != 4) {
    Alert("COM_browse_hodge", 6, 100302, "Wrong number of supersymmetries, (%d,%d) != (1,1)", info[6] / 4,
          info[7] / 4);
    return 1;
  }
  const int h21 = info[1];
  const int h11 = info[2];
  Print("Number of supersymmetries (L,R): (%d,%d)\n", 1, 1);
  Print("Heterotic singlets: %d\n", info[0]);
  Print("Hodge numbers: (h_11,h_21)=(%d,%d)\n", h11, h21);
  Print("Type IIB ( Z): %d vector multiplets, %d hyper multiplets\n", h21, h11 + 1);
  Print("Type IIA (ZC): %d vector multiplets, %d hyper multiplets\n", h11, h21 + 1);
  if (initializeOpenString() != 0) return 1;
  SpaceTimeSymmetry st;
  stringSpaceTimeSymmetry(getStringSpectrum(0), &st, 'I');
  const std::vector<int> closed = ClosedSectorAnalysis(&st, 4, 0);
  if (closed.size() >= 6) {
    Print("Orientifold of ZC:\n");
    Print("%3d chiral multiplets from h_21+1 \n", closed[3] / 2 + 1);
    Print("%3d chiral multiplets from h_11(+)\n", closed[1] / 2);
    Print("%3d vector multiplets from h_11(-)\n", closed[5] / 2);
  }
  printTadpoleSummary();
  if (initSearchMemory() != 0) return 1;
  getIndependentAxionBoundaries(1);
  return -n;
}

// "scan cy" [pos_int code]
int COM_scan_cy(char** params, int n) {
  if (n < 1) return 1;
  return Scan_tensorcode(intParameter(params, 0), nullptr, nullptr, nullptr) == 0 ? -1 : 1;
}

// "count orientifolds": the codes are independent, so with "Fusion threads" other than 1
// they are scanned in worker processes, their output and "MIPFlist" lines taken in code
// order: the same bytes as the plain loop.
int COM_countorientifolds(char**, int) {
  int orientifolds = 0, withTension = 0, invariants = 0;
  const int workers =
      orderedJobWorkers(getValue(getIntParPointer("Fusion threads")), kNumberedTensorProducts, kScanPeakBytes);
  ProgressScope progress("Counting orientifolds", kNumberedTensorProducts);
  if (workers <= 1) {
    for (int k = 1; k <= kNumberedTensorProducts; ++k) {
      progress.step();
      Scan_tensorcode(k, &orientifolds, &withTension, &invariants);
    }
  } else {
    OrderedJobs jobs;
    jobs.count = kNumberedTensorProducts;
    jobs.workers = workers;
    jobs.jobName = "tensor code";
    jobs.firstNumber = 1;
    jobs.prepare = [] {
      setIntPar("Fusion threads", 1);
      std::string dropped;
      scanTensorCode(kQuickestScanCode, nullptr, nullptr, nullptr, &dropped);
    };
    jobs.run = [](int index) {
      // The workers share the cores already.
      setIntPar("Fusion threads", 1);
      CodeScanResult scan;
      scanTensorCode(index + 1, &scan.orientifolds, &scan.withTension, &scan.invariants, &scan.listLines);
      return encodeCodeScan(scan);
    };
    bool intact = true;
    jobs.deliver = [&](int, const std::string& result) {
      CodeScanResult scan;
      if (!intact || !decodeCodeScan(result, &scan)) {
        intact = false;
        return;
      }
      orientifolds += scan.orientifolds;
      withTension += scan.withTension;
      invariants += scan.invariants;
      appendToMIPFList(scan.listLines);
      progress.step();
    };
    if (runOrderedJobs(jobs) != OrderedJobsEnd::Completed) return 1;
    if (!intact) {
      Alert("COM_countorientifolds", 1, 120206, "A scan's result came back damaged; no total");
      return 1;
    }
  }
  Print("Total number of orientifolds: %d; Non-zero tension: %d\n", orientifolds, withTension);
  return 0;
}

// "finish"
int COM_finish(char**, int) {
  const std::string path = getCurrentOutputFileName(".finish");
  FILE* file = Fopen(path.c_str(), "w");
  if (file == nullptr) return 1;
  std::fputs("Finished", file);
  Fclose(file);
  return 0;
}

// "set instanton intersection" [stack][int reality][int I1](int I2)(int I3)(int I4)
int COM_set_instanton(char** params, int n) {
  if (n < 3) return 1;
  const std::string stack = params[0] != nullptr ? params[0] : "";
  if (stack.size() != 1 || stack[0] < 'a' || stack[0] > 'z') {
    Alert("COM_set_instanton", 0, kRefusedValue, "Stack must be a lowercase character");
    return 1;
  }
  const int reality = intParameter(params, 1);
  if (reality == -1) {
    const int none[4] = {-1, -1, -1, -1};
    setInstanton(stack[0], none, -1);
    return -n;
  }
  if (reality != 0 && reality != 1) {
    Alert("COM_set_instanton", 2, kRefusedValue, "Invalid reality %d for stack %c (allowed: -1, 0, 1)", reality, stack[0]);
    return 1;
  }
  std::vector<int> values;
  for (int k = 2; k < n; ++k) values.push_back(intParameter(params, k));
  int zeroModes[4] = {0, 0, 0, 0};
  if (formInstantonZeroModes(getInstantonType(), reality, values.data(), n - 2, zeroModes) == 0) {
    Alert("COM_set_instanton", 1, kRefusedValue, "Incorrect number of instanton zero modes for brane %c", stack[0]);
    return 1;
  }
  setInstanton(stack[0], zeroModes, reality);
  return -n;
}

// "set instanton type" [Type]
int COM_set_instanton_type(char** params, int n) {
  if (n < 1) return 1;
  const std::string type = params[0] != nullptr ? params[0] : "";
  if (type.size() != 1) {
    Alert("COM_set_instanton_type", 0, kRefusedValue, "Invalid type: %s", type.c_str());
    return 1;
  }
  switch (type[0]) {
    case 'O': setInstantonType(1); return -1;
    case 'S': setInstantonType(-1); return -1;
    case 'U':
      Alert("COM_set_instanton_type", 1, kRefusedValue, "Unitary instanton search not yet built in");
      return 1;
    default:
      Alert("COM_set_instanton_type", 2, kRefusedValue, "Invalid type: %s", type.c_str());
      return 1;
  }
}

// "scan instanton" [filename](int modelnr)
int COM_scan_instanton(char** params, int n) {
  if (n < 1) return 1;
  AutostoreOn autostore;
  InstantonScan(params[0], n >= 2 ? intParameter(params, 1) : -1);
  return -n;
}

// "scan spectra" [filename](int modelnr)
int COM_scan_spectra(char** params, int n) {
  if (n < 1) return 1;
  AutostoreOn autostore;
  SpectrumScan(params[0], n >= 2 ? intParameter(params, 1) : -1);
  return -n;
}

// "build brane_configuration" [int code][int MIPF][int ori](entry_a)...(entry_d)
int COM_build_braneconfig(char** params, int n) {
  if (n < 7) {
    Alert("COM_build_braneconfig", 1, kRefusedValue, "Four stacks a to d are needed (label:multiplicity each)");
    return 1;
  }
  std::vector<int> labels, multiplicities;
  if (!readAssignments(params, 3, n, "COM_build_braneconfig", &labels, &multiplicities)) return 1;
  const int code = intParameter(params, 0);
  if (buildCYByCode(code) == 0) return 1;
  if (select_invariant(std::to_string(intParameter(params, 1)).c_str()) != 0) return 1;
  if (initializeOpenString() != 0) return 1;
  if (initSearchMemory() != 0) return 1;
  const int ori = intParameter(params, 2);
  loadOrientifolds();
  if (ori < 0 || ori >= TotalOrientifolds()) {
    Alert("COM_build_braneconfig", 2, kRefusedValue, "Orientifold nr. out of range");
    return 1;
  }
  OrientifoldInfo* orientifold = setStoredOrientifold(ori);
  ChanPatonData* cpd = generateChanPatonData(getCommandChanPatonData(), static_cast<int>(labels.size()), orientifold,
                                             labels.data(), multiplicities.data());
  if (cpd == nullptr) {
    Alert("COM_build_braneconfig", 3, kRefusedValue, "Invalid labels\n");
    return 1;
  }
  GeneralOpenSectorAnalysis(cpd);
  PrintVec(4, labels.data(), "vars");
  PrintVec(4, multiplicities.data(), "mults");
  InitMoebiusSum();
  int A = 0, M = 0, S = 0;
  CheckChirality(0, 0, 0, &A, &M, &S);
  const char letters[4] = {'a', 'b', 'c', 'd'};
  int stacks[4], conj[4];
  for (int k = 0; k < 4; ++k) {
    stacks[k] = labels[static_cast<std::size_t>(k)];
    const int c = BoundaryConjugate(stacks[k]);
    conj[k] = c >= 0 ? c : stacks[k];
  }
  for (int k = 0; k < 4; ++k) {
    int x = 0, y = 0, z = 0, xc = 0, yc = 0, zc = 0;
    getDiagonalInfo(ori, stacks[k], &x, &y, &z);
    getDiagonalInfo(ori, conj[k], &xc, &yc, &zc);
    Print("%c: A=%d,Ac=%d,M=%d,Mc=%d,Adj=%d,Adjc=%d\n", letters[k], x, xc, y, yc, z, zc);
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 4; ++j) {
      const char p = letters[i], q = letters[j];
      int c = 0;
      int x = FullIntersectionForClassMember(stacks[i], conj[j], &c);
      Print("%c,%c: (%d,%d)\n", p, q, x, c);
      x = FullIntersectionForClassMember(stacks[i], stacks[j], &c);
      Print("%c,%c*: (%d,%d)\n", p, q, x, c);
      x = FullIntersectionForClassMember(conj[i], conj[j], &c);
      Print("%c*,%c: (%d,%d)\n", p, q, x, c);
      x = FullIntersectionForClassMember(conj[i], stacks[j], &c);
      Print("%c*,%c*: (%d,%d)\n", p, q, x, c);
    }
  }
  const int boundaries = TotalBoundaries();
  for (int z = 0; z < boundaries; ++z) {
    bool touches = false;
    for (int against : {conj[0], stacks[0], conj[1], stacks[1]}) {
      int c = 0;
      FullIntersectionForClassMember(z, against, &c);
      if (c != 0) {
        touches = true;
        break;
      }
    }
    if (touches) continue;
    int x = 0, y = 0, adj = 0;
    getDiagonalInfo(ori, z, &x, &y, &adj);
    const int zc = BoundaryConjugate(z);
    Print("a=%d (*%5d) Type=%2d; %3d %3d %3d ", z, zc, orientifoldGroupType(orientifold, z), (x + y) / 2,
          (x - y) / 2, adj);
    for (int k = 0; k < 4; ++k) {
      int c1 = 0, c2 = 0;
      const int x1 = FullIntersectionForClassMember(z, conj[k], &c1);
      const int x2 = FullIntersectionForClassMember(z, stacks[k], &c2);
      Print("(%d,%d)(%d,%d)", x1, c1, x2, c2);
    }
    Print("\n");
  }
  return -n;
}

namespace {

struct ScanCommand {
  const char* words;
  const char* parameters;
  CommandHandler handler;
  const char* help;
};

const ScanCommand kScanDefaultCommands[] = {
    {"scan cy", "[pos_int code]", COM_scan_cy,
     "Builds the Calabi-Yau tensor product of N=2 minimal models with this code (as \"build cy\") and runs "
     "through its simple-current invariants, printing per invariant the level code, the MIPF number and the "
     "numbers of boundaries, orientifolds and orientifolds of non-zero tension; appends code, MIPF and "
     "boundary count to the file \"MIPFlist\" in the home folder."},
    {"count orientifolds", "", COM_countorientifolds,
     "Runs \"scan cy\" over the 168 numbered tensor products and prints the total number of orientifolds "
     "and of those with non-zero tension."},
    {"browse hodge", "(int tensor)(int MIPF)(int orientifold)", COM_browse_hodge,
     "Prints the supersymmetries, heterotic singlets, Hodge numbers and type-II multiplets of the current "
     "orientifold (or of the given tensor code, MIPF and orientifold), the multiplets of its closed sector, "
     "its tadpole summary and its axions."},
    {"build brane_configuration", "[int code][int MIPF][int ori](entry_a)...(entry_d)", COM_build_braneconfig,
     "Builds the tensor product of the code with MIPF and orientifold, and analyses the brane configuration "
     "of the label:multiplicity entries (at least the four stacks a to d): its open-string spectrum, the "
     "annulus and Moebius data of the stacks, their intersections, and the boundaries that do not intersect "
     "stacks a and b."},
    {"scan instanton", "[filename](int modelnr)", COM_scan_instanton,
     "Reads the model lines of the file (only those of the model number when given), rebuilds each candidate "
     "and writes the zero modes of every boundary as instanton with the stacks to the case's file "
     "\".instantons\"; flags R-parity violation."},
    {"scan spectra", "[filename](int modelnr)", COM_scan_spectra,
     "Reads the model lines of the file (only those of the model number when given), rebuilds each candidate "
     "and prints its open-string spectrum, standard-model data and axion boundaries."},
    {"set instanton intersection", "[stack][int reality][int I1](int I2)(int I3)(int I4)", COM_set_instanton,
     "Requires the instanton zero modes of a stack (a lowercase letter): reality 1 real, 0 complex, -1 no "
     "requirement. A real instanton takes I(x,m) (and I(x*,m) for a complex stack); instanton type 0 "
     "takes I(x,m) and I(x,m*) for a real stack, four numbers for a complex one."},
    {"set instanton type", "[Type]", COM_set_instanton_type,
     "The instanton type of the instanton search: O (orthogonal) or S (symplectic)."},
    {"finish", "", COM_finish,
     "Writes \"Finished\" into the current output file with the extension \".finish\"."},
};

const ScanCommand kScanModularCommands[] = {
    {"collect MIPF_data", "(name)", COM_collect_MIPFdata,
     "Stores every simple-current invariant of the current tensor product and appends its Hodge numbers, "
     "singlets, supersymmetries, boundaries and group data to the file name.mipf_data in the output folder, "
     "with sorted summaries; an unfinished file is continued where it stopped."},
    {"scan MIPF_data", "(name)", COM_scan_MIPFdata,
     "As \"collect MIPF_data\", without storing the invariants."},
    {"collect hodge_numbers", "(name)", COM_collect_hodge,
     "As \"collect MIPF_data\" on the massless spectrum, into the file name.hodge."},
    {"scan hodge_numbers", "(name)", COM_scan_hodge,
     "As \"collect hodge_numbers\", without storing the invariants."},
    {"account heterotic", "[int mode]", COM_store_heterotic, "INTERNAL"},
    {"account axion", "(int mode)", COM_store_axion, "INTERNAL"},
    {"record tachyon-free", "[filename]", COM_account_tachyon_free,
     "Appends to the file in the output folder a line with the CFT code, extension number, MIPF number, "
     "number of boundary states and supercharges, and for a non-supersymmetric invariant its tachyon status "
     "and tachyon-free orientifolds."},
};

template <std::size_t N>
void registerScans(const ScanCommand (&table)[N]) {
  for (const ScanCommand& entry : table) initCommand(entry.words, entry.parameters, entry.handler, entry.help);
}

}  // namespace

void registerScanDefaultCommands() { registerScans(kScanDefaultCommands); }
void registerScanModularCommands() { registerScans(kScanModularCommands); }
