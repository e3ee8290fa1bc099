// The standard-model search driver: set-up of a case, the walk over orientifolds and
// boundaries of stack a, the case files and the end-of-case merge. See SearchDriver.h.
//
// Case files (names from getCurrentOutputFileName with the a-range string): ".mipf_data"
// gets one replay block per search, ".pre_models" ends in exactly one terminator line
// (fourteen -1 when complete, thirteen -1 and 0 when aborted), ".none" marks a case
// without candidates. Files are moved aside by rename and removed by unlink.
#include "search/SearchDriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "boundaries/CrossBound.h"
#include "interpreter/RunControl.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Axions.h"
#include "search/Catalogue.h"
#include "search/Couplings.h"
#include "search/SearchTadpoleHooks.h"
#include "search/ModelAnalysis.h"
#include "search/ModelScan.h"
#include "search/SearchSM.h"
#include "store/CurrentTheory.h"
#include "strings/Intersections.h"
#include "strings/OpenReports.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

namespace {

constexpr int kMaximalBoundaries = 400000;
constexpr const char* kCompleteTerminator = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1\n";
constexpr const char* kAbortTerminator = "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0\n";

struct SearchDriverState {
  const SearchServices* services = nullptr;
  const char* (*currentCY)() = nullptr;
  int FirstBoundary = -1;
  int LastBoundary = -1;
  const std::vector<int>* lists[4] = {};
  std::vector<int> Allow;
  std::vector<int> Avoid;
  bool tachyonLists = false;
  int PreModelCount = 0;
  int SuccessLevel = 0;
  int PreScanModelFound = 0;
  int events[20] = {};
  int FamiliesRequired = 3;
  std::vector<int> orientifoldNumbers;
  std::int64_t counters[SearchCounterCount] = {};
  std::vector<std::vector<int>> BoundaryAxionCharges;
};

SearchDriverState& state() {
  static SearchDriverState s;
  return s;
}

// ---------------------------------------------------------------------------------------
// Default services: the boundary and strings layers of the current case

SearchData* setUp() { return initStandardModelSearch(); }

OrientifoldInfo* orientifoldAt(int o) {
  SearchData* sd = setUp();
  if (sd == nullptr || sd->orientifoldList == nullptr || o < 0 || o >= sd->orientifolds) return nullptr;
  return sd->orientifoldList[o];
}

int defaultPrepare() {
  SearchData* sd = initStandardModelSearch();
  if (sd == nullptr) {
    Print("initGenericSearchMemory failed\n");
    return 0;
  }
  if (searchSetting("Orientifold info_level") != 0) {
    const int pre = getOrientifoldPreselection();
    if (pre == -1) {
      if (sd->tensionOrientifolds >= 2 && sd->tensionOrientifolds < sd->orientifolds)
        Print("Orientifolds considered in SM search: Nrs. 0...%d\n", sd->tensionOrientifolds - 1);
      else if (sd->tensionOrientifolds == 1 && sd->orientifolds >= 2)
        Print("Orientifolds considered in SM search: Nrs. 0\n");
      else
        Print("All orientifolds will be considered in SM search\n");
    } else {
      Print("Orientifolds considered: \n");
      OrientifoldInfo* record = orientifoldAt(pre);
      Print("Nr. %d; Tension %15.7f\n", pre, record != nullptr ? record->tension : 0.0);
    }
  }
  if (getBoundary_a_Preselection() != -1) PrintBoundarySelection();
  if (CY_Check('B', 1) == 0) Print("Non-chiral bulk extension (boundary states may be chiral)\n");
  if (getSusySearch() == 1 && CY_Check('I', 1) == 0) {
    Print("CY_Check('I') failed\n");
    return 0;
  }
  if (sd->usableBoundaries >= 5) {
    getTwoFormLabels();
    int A = 0, M = 0, S = 0;
    CheckChirality(0, 0, 0, &A, &M, &S);
    loadGlobalAnomalies(2);
  }
  return 1;
}

int defaultUsableCount() {
  SearchData* sd = setUp();
  return sd != nullptr ? sd->usableBoundaries : 0;
}
int defaultUsableBoundary(int i) { return setUp()->usableList()[i]; }
int defaultOrientifoldCount() {
  SearchData* sd = setUp();
  return sd != nullptr ? sd->tensionOrientifolds : 0;
}
int defaultOrientifoldCountAll() {
  SearchData* sd = setUp();
  return sd != nullptr ? sd->orientifolds : 0;
}
void defaultSelectOrientifold(int o) {
  OrientifoldInfo* record = setStoredOrientifold(o);
  if (record != nullptr) loadOrientifoldConjugates(record, 0);
}
int defaultConjugate(int o, int b) {
  OrientifoldInfo* record = orientifoldAt(o);
  return record != nullptr ? orientifoldConjugate(record, b) : -1;
}
int defaultGroupType(int o, int b) {
  OrientifoldInfo* record = orientifoldAt(o);
  return record != nullptr ? orientifoldGroupType(record, b) : 2;
}
double defaultDilaton(int b) {
  double re = 0.0;
  return getDilatonCoupling(b, &re);
}
double defaultCrosscapZero() {
  double re = 0.0, im = 0.0;
  getCurrentCrosscapCoefficient(0, 0, &re, &im);
  return re;
}
int defaultDiagonal(int o, int b, int* p, int* q) { return getDiagonalInfo(o, b, p, q, nullptr); }
void defaultTachyonLists(int o, std::vector<int>* allow, std::vector<int>* avoid) {
  OrientifoldInfo* record = orientifoldAt(o);
  allow->clear();
  avoid->clear();
  if (record == nullptr) return;
  getTachyonFreeBoundaryLabels(record, allow, avoid);
  TachyonicIntersection(record, -1, 0);
}
std::int64_t defaultTensorCode() {
  return currentTensor != nullptr ? getNumericalTensorCode(currentTensor) : 0;
}
int defaultMipf() {
  BulkInvariant** bulk = getCurrentBulk();
  return bulk != nullptr && *bulk != nullptr ? MIPFIdentifier(*bulk) : -1;
}

const SearchServices kDefaultServices = {
    TotalBoundaries,        defaultPrepare,        defaultUsableCount,      defaultUsableBoundary,
    defaultOrientifoldCount, defaultOrientifoldCountAll, defaultSelectOrientifold, defaultConjugate,
    defaultGroupType,       defaultDilaton,        defaultCrosscapZero,     CachedBraneIntersection,
    defaultDiagonal,        defaultTachyonLists,   computeY,                setThreeStack,
    getModelNumbers,        defaultTensorCode,     defaultMipf,
};

std::string caseFile(const char* suffix) { return getCurrentOutputFileName(suffix); }

// Appends a line to a case file; false after the alert when it cannot be written.
bool appendLine(const std::string& file, const char* line) {
  FILE* stream = Fopen(file.c_str(), "a");
  if (stream == nullptr) return false;
  const bool written = std::fputs(line, stream) >= 0;
  const bool closed = Fclose(stream) == 0;
  if (!written || !closed) {
    Alert("FindSM", 3, 120206, "Could not write file %s", file.c_str());
    return false;
  }
  return true;
}

// A model file is complete when its last line is a terminator (model number -1).
bool modelFileComplete(const std::string& file) {
  std::string text;
  if (!readFileText(file.c_str(), text)) return false;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const std::size_t start = text.rfind('\n');
  const std::string last = start == std::string::npos ? text : text.substr(start + 1);
  return last.rfind("-1 ", 0) == 0;
}

void checkOldModelFile(const std::string& file) {
  if (checkDir(file.c_str()) != 1) return;
  Print("Old file %s exists\n", file.c_str());
  sinkFlush();
  if (!modelFileComplete(file)) Print("Old file %s not complete\n", file.c_str());
}

}  // namespace

// Candidate lists shared with the steps (SearchSteps.cpp).
const std::vector<int>* stackCandidateList(int stack) { return state().lists[stack]; }
const std::vector<int>* tachyonAllowList() {
  SearchDriverState& s = state();
  return s.tachyonLists ? &s.Allow : nullptr;
}
const std::vector<int>* tachyonAvoidList() {
  SearchDriverState& s = state();
  return s.tachyonLists ? &s.Avoid : nullptr;
}

void setSearchServices(const SearchServices* services) { state().services = services; }
const SearchServices& searchServices() {
  const SearchServices* services = state().services;
  return services != nullptr ? *services : kDefaultServices;
}
void setCurrentCYSource(const char* (*source)()) { state().currentCY = source; }

void initializeSearchDriver() {
  SearchDriverState& s = state();
  const char* (*cy)() = s.currentCY;
  s = SearchDriverState();
  s.currentCY = cy;
}

void resetSearchDriver() {
  initializeSearchDriver();
  resetModelScan();
  resetSearchTadpoleHooks();
  resetCouplings();
  resetDecomposedSpectrum();
}

void setFirstBoundary(int b) { state().FirstBoundary = b; }
void setLastBoundary(int b) { state().LastBoundary = b; }
int getFirstBoundary() { return state().FirstBoundary; }
int getLastBoundary() { return state().LastBoundary; }

void countSearch(SearchCounter counter) { ++state().counters[counter]; }
std::int64_t searchCounter(SearchCounter counter) {
  const ModelAnalysisCounters& analysis = modelAnalysisCounters();
  switch (counter) {
    case computeYCounter: return analysis.computeYCalls;
    case cCDCounter: return analysis.chargeDegeneracyCalls;
    case cQLCounter: return analysis.quarkChargeCalls;
    case storeSMCounter: return analysis.storeCalls;
    default: return state().counters[counter];
  }
}

void startSearchCounts() {
  SearchDriverState& s = state();
  std::fill(std::begin(s.counters), std::end(s.counters), 0);
  s.PreModelCount = 0;
  s.SuccessLevel = 0;
  resetModelAnalysisCounters();
}

void clearTachyonLists() {
  SearchDriverState& s = state();
  s.tachyonLists = false;
  s.Allow.clear();
  s.Avoid.clear();
}
void raiseSuccessLevel(int level) {
  SearchDriverState& s = state();
  s.SuccessLevel = std::max(s.SuccessLevel, level);
}
int getSuccessLevel() { return state().SuccessLevel; }
int getPreModelCount() { return state().PreModelCount; }
void notePreModel() { ++state().PreModelCount; }
int getPreScanModelFound() { return state().PreScanModelFound; }
void setPreScanModelFound(int n) { state().PreScanModelFound = n; }
int* searchEvents() { return state().events; }
int getFamiliesRequired() { return state().FamiliesRequired; }
void setFamiliesRequired(int F) { state().FamiliesRequired = F; }

void setStackCandidateLists(const std::vector<int>* a, const std::vector<int>* b, const std::vector<int>* c,
                            const std::vector<int>* d) {
  SearchDriverState& s = state();
  s.lists[0] = a;
  s.lists[1] = b;
  s.lists[2] = c;
  s.lists[3] = d;
}

const int* boundaryAxionCharges(int b) {
  SearchDriverState& s = state();
  if (b < 0 || b >= static_cast<int>(s.BoundaryAxionCharges.size())) return nullptr;
  return s.BoundaryAxionCharges[static_cast<std::size_t>(b)].data();
}

void initAxionCache() {
  SearchDriverState& s = state();
  s.BoundaryAxionCharges.clear();
  const int total = searchServices().totalBoundaries();
  if (state().services != nullptr) return;  // a synthetic case has no axions
  s.BoundaryAxionCharges.reserve(static_cast<std::size_t>(std::max(total, 0)));
  for (int b = 0; b < total; ++b) s.BoundaryAxionCharges.push_back(getAxionChargesForBoundary(b));
}

void printSearchCounters() {
  std::int64_t c[SearchCounterCount];
  for (int k = 0; k < SearchCounterCount; ++k) c[k] = searchCounter(static_cast<SearchCounter>(k));
  PrintStdout("Number of ab brane configurations:   %lld\n", static_cast<long long>(c[StrongWeakDoubletCounter]));
  PrintStdout("Number of abc configurations:        %lld\n", static_cast<long long>(c[ABCCounter]));
  PrintStdout("Number of abcd configurations:       %lld\n", static_cast<long long>(c[ABCDCounter]));
  PrintStdout("Number of anomaly analyses:          %lld\n", static_cast<long long>(c[AnomalyAnalysisCounter]));
  PrintStdout("CD brane anomaly required=           %lld\n", static_cast<long long>(c[CD_brane_anomaly_required]));
  PrintStdout("No constraints from anomalies:       %lld\n", static_cast<long long>(c[NoConstraintCounter]));
  PrintStdout("One constraint from anomalies:       %lld\n", static_cast<long long>(c[OneConstraintCounter]));
  PrintStdout("Two constraints from anomalies:      %lld\n", static_cast<long long>(c[TwoConstraintCounter]));
  PrintStdout("Nr. of configurations in computeY:   %lld\n", static_cast<long long>(c[computeYCounter]));
  PrintStdout("Nr. in computeChargeDegeneracy:      %lld\n", static_cast<long long>(c[cCDCounter]));
  PrintStdout("Nr. in computeQuarkAndLeptonCharges: %lld\n", static_cast<long long>(c[cQLCounter]));
  PrintStdout("Number of SM configs:                %lld\n", static_cast<long long>(c[storeSMCounter]));
  const long long rejected = modelAnalysisCounters().rejections;
  if (rejected > 0) PrintStdout("Skipped for an internal inconsistency: %lld\n", rejected);
}

void writeModelData(FILE* stream) {
  SearchDriverState& s = state();
  const char* cy = s.currentCY != nullptr ? s.currentCY() : "UNDEFINED";
  std::fprintf(stream, "%s%s\n", getSusySearch() == 1 ? "build cy " : "build non ", cy);
  const std::string* prefix = getStringParPointer("OutputFilePrefix");
  std::fprintf(stream, "set outputfileprefix %s\n", prefix != nullptr ? prefix->c_str() : "");
  if (KMCosetSwitch != 0 && currentTensor != nullptr) writeCurrents(stream);
  std::fprintf(stream, "compute spectrum\n");
  writeInvariantSelectionCriteria(stream);
  std::fprintf(stream, "select invariant %d\n", searchServices().mipf());
}

void CloseModelSearch() {
  appendLine(caseFile(".pre_models"), kCompleteTerminator);
  getModelNumbers();
}

int initializeProfiles() {
  initRunTypeCollection();
  if (state().services == nullptr && initStandardModelSearch() == nullptr) {
    Print("initStandardModelSearch failed\n");
    return 0;
  }
  return 1;
}

int initGenericSearchMemory(int limit) {
  const SearchServices& sv = searchServices();
  const int total = sv.totalBoundaries();
  if (total > limit) {
    Print("Too many boundaries: %d > %d\n", total, limit);
    return 0;
  }
  if (searchSetting("Super") == 0) {
    Type_IIB_Error(1);
    return 0;
  }
  const std::string none = caseFile(".none");
  if (checkDir(none.c_str()) == 1) {
    Print("This case was already considered and has no SM configurations (file %s exists)\n", none.c_str());
    return 0;
  }
  checkOldModelFile(caseFile(".analysed"));
  if (sv.prepareCase() != 1) return 0;
  const int usable = sv.usableCount();
  if (usable < 5) {
    Print("Too few usable boundaries (%d)\n", usable);
    return 0;
  }
  checkOldModelFile(caseFile(".models"));
  for (const char* suffix : {".pre_models", ".analysed", ".models"}) moveOldFile(caseFile(suffix).c_str());
  return 1;
}

int findTachyonFreeSM(int mode) {
  SearchDriverState& s = state();
  switch (mode) {
    case -1:
      s.orientifoldNumbers.clear();
      s.orientifoldNumbers.reserve(100);
      return 0;
    case 0:
      return 0;
    case 1: {
      OrientifoldInfo* record = getCurrentOrientifold();
      if (record == nullptr) return 0;
      const int position = record->listPosition;
      if (std::find(s.orientifoldNumbers.begin(), s.orientifoldNumbers.end(), position) ==
          s.orientifoldNumbers.end())
        s.orientifoldNumbers.push_back(position);
      return 0;
    }
    case 2: {
      const std::vector<int> list = s.orientifoldNumbers;
      FindSM(&list);
      return 1;
    }
    default:
      Alert("findTachyonFreeSM", 0, 212404, "Invalid mode");
      return 0;
  }
}

int FindSM(const std::vector<int>* orientifolds) {
  SearchDriverState& s = state();
  const SearchServices& sv = searchServices();
  const OrientifoldLoopScope longLoop;
  startSearchCounts();
  switch (getPreScan()) {
    case 1: Print("Prescan mode. Only one model per (a,b) boundary pair is considered\n"); break;
    case 2: Print("a-brane scan mode. Only one model per a-boundary pair is considered\n"); break;
    case 3: Print("null scan mode. Only one model per CY choice is considered\n"); break;
    default: break;
  }
  // The stop marker of run control, in its folder ("/tmp" unless the run was told another).
  if (checkDir((getRunControlFolder() + "/zoq_stop").c_str()) == 1) {
    PrintStdout("Stop signal received\n");
    GracefulExit(12);
  }
  if (sv.totalBoundaries() > kMaximalBoundaries) {
    Print("Too many boundaries (model %s)\n", caseFile("").c_str());
    return 0;
  }
  // A bosonic string is refused before any set-up, which would only fail for that reason.
  if (searchSetting("Super") == 0) {
    Type_IIB_Error(1);
    return 0;
  }
  if (initializeProfiles() == 0) return 0;

  // The a range is fixed before the set-up, so that every case file carries it.
  const std::vector<int>* aList = s.lists[0];
  int first = 0, end = 0;
  const bool fromSetting = s.FirstBoundary != -1 && aList == nullptr;
  if (aList != nullptr) {
    end = static_cast<int>(aList->size());
  } else if (s.FirstBoundary == -1) {
    end = sv.usableCount();
  } else {
    first = s.FirstBoundary;
    end = std::min(s.LastBoundary, sv.usableCount());
  }
  if (end <= first) {
    Alert("FindSM", 0, 100201, "Boundary range is zero: (%d,%d)\n", first, end);
    return 0;
  }
  if (fromSetting) setBoundaryLimitString(first, end);
  else setBoundaryLimitString(-1, -1);
  if (initGenericSearchMemory(200000) == 0) return 0;

  Print("Number of boundaries %d\n", sv.usableCount());
  Print("---- Scanning model %s;\n", caseFile("").c_str());
  const std::string mipfData = caseFile(".mipf_data");
  if (mipfData.size() > 1023) {
    Alert("FindSM", 1, 100302, "File name too long: %s", mipfData.c_str());
    return 0;
  }
  PrintStdout("Writing file %s\n", mipfData.c_str());
  FILE* replay = Fopen(mipfData.c_str(), "a");
  if (replay == nullptr) return 0;
  writeModelData(replay);
  if (Fclose(replay) != 0) {
    Alert("FindSM", 2, 120206, "Could not write file %s", mipfData.c_str());
    return 0;
  }
  const std::string preModels = caseFile(".pre_models");

  const int tensionCount = sv.orientifoldCount();
  std::vector<int> walk;
  if (orientifolds != nullptr) {
    for (int o : *orientifolds)
      if (o >= 0 && o < tensionCount) walk.push_back(o);
  } else {
    for (int o = 0; o < tensionCount; ++o) walk.push_back(o);
  }
  const int searched = static_cast<int>(walk.size());

  bool aborted = false;
  bool stopEarly = false;
  long long progressCount = 0;
  double startTime = 0.0, lastLine = 0.0;
  // A search abandoned by Ctrl-C (StopRequest) ends its case file as an aborted one: the
  // candidates found so far stay, and the file has its one terminator line.
  class AbandonedCase {
   public:
    explicit AbandonedCase(const std::string& file)
        : file_(file), exceptions_(std::uncaught_exceptions()) {}
    ~AbandonedCase() {
      if (armed_ && std::uncaught_exceptions() > exceptions_)
        appendToSharedFile(file_, kAbortTerminator);
    }
    AbandonedCase(const AbandonedCase&) = delete;
    AbandonedCase& operator=(const AbandonedCase&) = delete;
    void done() { armed_ = false; }

   private:
    std::string file_;
    int exceptions_;
    bool armed_ = true;
  } abandoned(preModels);
  std::optional<ProgressScope> progress(std::in_place, "Standard-model search",
                                       static_cast<double>(searched) * (end - first));
  for (int k = 0; k < searched && !aborted && !stopEarly; ++k) {
    const int o = walk[static_cast<std::size_t>(k)];
    SM.tensorCode = static_cast<int>(sv.tensorCode());
    SM.MIPF = sv.mipf();
    SM.orientifold = o;
    sv.selectOrientifold(o);
    s.tachyonLists = getSusySearch() != 1;
    if (s.tachyonLists) sv.tachyonLists(o, &s.Allow, &s.Avoid);
    const double budget0 = -std::fabs(4.0 * sv.crosscapZero());
    initAxionCache();
    for (int i = first; i < end; ++i) {
      progress->step();
      if (s.PreModelCount > searchSetting("SM_search maxconf")) {
        aborted = true;
        break;
      }
      const int a = aList != nullptr ? (*aList)[static_cast<std::size_t>(i)] : sv.usableBoundary(i);
      if (s.tachyonLists && std::find(s.Allow.begin(), s.Allow.end(), a) == s.Allow.end()) continue;
      ++progressCount;
      const double now = CPUTime();
      if (progressCount == 1) startTime = lastLine = now;
      if (now - lastLine > 10.0 && ProgressInfoAllowed()) {
        const double total = static_cast<double>(searched) * (end - first);
        const double remaining = (now - startTime) / static_cast<double>(progressCount) * (total - progressCount);
        Print("Orientifold %2d/%d;  Boundary: %4d/%d; Remaining time %6.0f seconds\n", k, searched - 1, i, end,
              remaining);
        printSearchCounters();
        lastLine = now;
      }
      if (a % 100 == 0) checkInterrupt();
      sinkFlush();
      const int aImage = sv.conjugate(o, a);
      if (aImage == a) continue;
      const double budget = budget0 + 6.0 * sv.dilaton(a);
      SM.tensionBudgets[0] = budget;
      if (!(budget < -1e-7)) continue;
      int A = 0, S = 0;
      getChiralRankTwoTensors(a, aImage, o, &A, &S);
      SM.antisymmetricTensors[0] = A;
      SM.symmetricTensors[0] = S;
      if (S != 0) continue;
      SM.branes[0] = a;
      SM.branes[1] = aImage;
      SM.multiplicities[0] = 3;
      SM.groupTypes[0] = sv.groupType(o, a);
      s.PreScanModelFound = 0;
      findWeakSMBrane();
      if (getPreScan() == 3 && s.PreScanModelFound > 0) {
        stopEarly = true;
        break;
      }
    }
  }
  abandoned.done();
  progress.reset();

  bool filesSound = true;
  if (!aborted) {
    filesSound = appendLine(preModels, kCompleteTerminator);
  } else {
    const std::string stars(60, '*');
    Print("%s\n", stars.c_str());
    Print("Aborting this case; Number of models so far %d\n", s.PreModelCount);
    Print("%s\n", stars.c_str());
    filesSound = appendLine(preModels, kAbortTerminator);
  }
  if (!filesSound) return 0;

  if (searchSetting("SM_search info_level") >= 1) {
    Print("Model scan finished; ");
    if (s.PreModelCount >= 1) {
      Print("%d candidate models found (prior to tadpole check)\n", s.PreModelCount);
    } else {
      switch (s.SuccessLevel) {
        case 0: Print("No QCD branes found.\n"); break;
        case 1: Print("QCD branes found, but no weak brane\n"); break;
        case 2: Print("QCD and Weak branes found, but no anti-quark brane\n"); break;
        case 3: Print("QCD, Weak and c branes found, but no d brane\n"); break;
        default: Print("QCD, Weak, c and d branes found, but no Y charge\n"); break;
      }
    }
  }
  if (s.PreModelCount == 0) {
    const std::string none = caseFile(".none");
    FILE* marker = Fopen(none.c_str(), "a");
    if (marker == nullptr) return 0;
    Fclose(marker);
    removeFile(preModels.c_str());
    return 0;
  }
  if (sv.merge() != 0) {
    Alert("FindSM", 4, 100302, "Merge of %s into the model catalogue failed", preModels.c_str());
    return 0;
  }
  // The tadpole scan reads the case's ".models" file, which a prescan does not write.
  if (searchSetting("SM_search autosolve") == 0 || getPreScan() != 0) {
    PrintStdout("Skipping tadpole solution search\n");
    printSearchCounters();
    return 1;
  }
  modelInitialization(-2, 0);
  StandardModelTadpoleScan(caseFile(".models").c_str(), -1);
  return 1;
}
