// The standard-model record, the settings of the search and the search set-up of the
// current bulk invariant. See SearchSM.h for the representation.
#include "search/SearchSM.h"

#include <algorithm>
#include <cstring>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/SystemUtility.h"
#include "search/Axions.h"
#include "search/ChanPaton.h"
#include "search/DiscreteSymmetries.h"
#include "search/SearchDriver.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "strings/Tadpole.h"
#include "tensor/OutputNames.h"

StandardModel SM;
StandardModel SM2;
StandardModel SMc;
StandardModel SMx;

namespace {

// The boundary of the usable-boundary map: labels from here on are cut (with the count of
// simple currents as a second bound).
constexpr int kMaximalUsableBoundaries = 200001;

const char* const kSettings[] = {
    "Selection symmetric", "Reject permutations", "SM_search info_level", "SM_search autosolve",
    "Tadpole info_level", "Tadpole write_details_to_file", "Tadpole display input", "Super",
    "SM_search Nfamily", "Orientifold info_level", "SM_search maxconf", "SM_search write",
    "SM_search header", "Scan profile", "Scan display profile", "Standard_Model details",
    "Axion_stat",
};
constexpr int kSettingCount = static_cast<int>(sizeof(kSettings) / sizeof(kSettings[0]));

struct SearchSMState {
  int* settings[kSettingCount] = {};
  std::string catalogue;
  std::string lock;
  std::string GSMfilename;
  int counters[13] = {};
  int OrientifoldPreselection = -1;
  int BoundaryPreselection[4] = {-1, -1, -1, -1};
  int SusySearch = 1;
  int PreScan = 0;
  int lastBulk = -2;
  SearchData SD;
  std::vector<int>* braneLists[4] = {};
  int requiredInstantonZeromodes[26][4] = {};
  int instantonPref[26] = {};
};

SearchSMState& state() {
  static SearchSMState s;
  return s;
}

int selectionSetting(const char* name) {
  SearchSMState& s = state();
  for (int k = 0; k < kSettingCount; ++k)
    if (std::strcmp(kSettings[k], name) == 0) return s.settings[k] != nullptr ? *s.settings[k] : 0;
  return 0;
}

void resetRecords() {
  for (StandardModel* record : {&SM, &SM2, &SMc, &SMx}) initializeStandardModelStruct(record);
}

}  // namespace

int searchSetting(const char* name) { return selectionSetting(name); }

void ModelDirChanged() {
  SearchSMState& s = state();
  const std::string folder = getModelDir();  // creates the folder (mkdir) when missing
  s.catalogue = folder + "Models.list";
  s.lock = folder + "Lock";
}

const std::string& getCatalogueFileName() { return state().catalogue; }
const std::string& getCatalogueLockName() { return state().lock; }

void initializeSearchSM() {
  SearchSMState& s = state();
  ModelDirChanged();
  for (int k = 0; k < kSettingCount; ++k) s.settings[k] = getIntParPointer(kSettings[k]);
  std::fill(std::begin(s.counters), std::end(s.counters), 0);
  for (auto& row : s.requiredInstantonZeromodes) std::fill(std::begin(row), std::end(row), 0);
  std::fill(std::begin(s.instantonPref), std::end(s.instantonPref), -1);
  resetRecords();
  setSearchDataHook(refreshSearchData);
  setDiscreteSymmetryHook(discreteSymmetriesOfConfiguration);
  setSusySearchSource(getSusySearch);
}

void resetSearchSM() {
  SearchSMState& s = state();
  int* settings[kSettingCount];
  std::copy(std::begin(s.settings), std::end(s.settings), settings);
  s = SearchSMState();
  std::copy(std::begin(settings), std::end(settings), s.settings);
  ModelDirChanged();
  std::fill(std::begin(s.instantonPref), std::end(s.instantonPref), -1);
  resetRecords();
  resetChanPaton();
  resetAxions();
  resetDiscreteSymmetries();
  resetSearchDriver();
}

void initializeStandardModelStruct(StandardModel* record) {
  *record = StandardModel();
  std::memcpy(record->equivalence, "abcd", 5);
  std::memcpy(record->identity, "abcd", 5);
}

void copyStandardModelStruct(StandardModel* destination, const StandardModel* source) {
  if (destination == source) return;
  *destination = *source;
  destination->line[79] = '\0';
  destination->title[119] = '\0';
  destination->equivalence[4] = '\0';
  destination->identity[4] = '\0';
}

void AssignBraneLists(std::vector<int>* a, std::vector<int>* b, std::vector<int>* c, std::vector<int>* d) {
  SearchSMState& s = state();
  s.braneLists[0] = a;
  s.braneLists[1] = b;
  s.braneLists[2] = c;
  s.braneLists[3] = d;
}

// ---------------------------------------------------------------------------------------
// Search set-up

int fillUsableBoundaries(int boundaries, int currents, const std::vector<std::vector<int>>& images,
                         std::vector<int>* map) {
  if (boundaries <= 0) return 0;
  map->assign(static_cast<std::size_t>(2 * boundaries), -1);
  int* toUsable = map->data();
  int* list = map->data() + boundaries;
  int i = 0;
  for (; i < boundaries; ++i) {
    if (i >= kMaximalUsableBoundaries && i > currents) break;
    toUsable[i] = i;
    list[i] = i;
  }
  if (i == boundaries) return boundaries;
  Alert("getUsableBoundaries", 0, 112201, "Maximal number of boundaries reached");
  int count = i;
  for (int j = i; j < boundaries; ++j) toUsable[j] = -1;
  for (int j = 0; j < boundaries; ++j) {
    if (toUsable[j] < 0) continue;
    for (const std::vector<int>& image : images) {
      if (j >= static_cast<int>(image.size())) continue;
      const int c = image[static_cast<std::size_t>(j)];
      if (c < 0 || c >= boundaries || toUsable[c] >= 0) continue;
      toUsable[c] = count;
      list[count] = c;
      ++count;
    }
  }
  return count;
}

int getUsableBoundaries() {
  SearchData& sd = state().SD;
  if (sd.boundaries <= 0) return 0;
  std::vector<std::vector<int>> images;
  for (int o = 0; o < sd.tensionOrientifolds && sd.orientifoldList != nullptr; ++o) {
    OrientifoldInfo* record = sd.orientifoldList[o];
    std::vector<int> image(static_cast<std::size_t>(sd.boundaries), -1);
    if (record != nullptr) {
      loadOrientifoldConjugates(record, 0);
      for (int b = 0; b < sd.boundaries; ++b) image[static_cast<std::size_t>(b)] = orientifoldConjugate(record, b);
    }
    images.push_back(std::move(image));
  }
  // The count of simple currents only matters beyond the first bound; without it the
  // first bound alone decides.
  sd.usableBoundaries = fillUsableBoundaries(sd.boundaries, 0, images, &sd.BoundaryMap);
  return sd.usableBoundaries;
}

SearchData* initStandardModelSearch() {
  SearchSMState& s = state();
  const int version = QueryBulkInvariant();
  if (version == s.lastBulk) return &s.SD;
  SearchData& sd = s.SD;
  sd.boundaries = TotalBoundaries();
  if (sd.boundaries <= 0) return nullptr;
  sd.ishibashi = TotalIshibashi();
  if (sd.BoundaryMap.size() < static_cast<std::size_t>(2 * sd.boundaries))
    sd.BoundaryMap.assign(static_cast<std::size_t>(2 * sd.boundaries), -1);
  if (MOD_initContents() == 0) return nullptr;  // no representation content
  sd.orientifoldList = getPositiveTensionOrientifolds(&sd.orientifolds, &sd.tensionOrientifolds);
  allocTadpoleInfo();
  if (InitIntersection() > 0) return nullptr;
  getUsableBoundaries();
  loadAllOrientifoldConjugates(0);
  initBoundaryClassStorage();
  incrementBoundaryClassIntersectionPointer();
  s.lastBulk = version;
  return &sd;
}

SearchData* refreshSearchData() {
  SearchData& sd = state().SD;
  sd.boundaries = TotalBoundaries();
  sd.ishibashi = TotalIshibashi();
  return &sd;
}

void setOrientifoldPreselection(int n) { state().OrientifoldPreselection = n; }
void setBoundary_a_Preselection(int n) { state().BoundaryPreselection[0] = n; }
void setBoundary_b_Preselection(int n) { state().BoundaryPreselection[1] = n; }
void setBoundary_c_Preselection(int n) { state().BoundaryPreselection[2] = n; }
void setBoundary_d_Preselection(int n) { state().BoundaryPreselection[3] = n; }
int getOrientifoldPreselection() { return state().OrientifoldPreselection; }
int getBoundary_a_Preselection() { return state().BoundaryPreselection[0]; }
int getBoundary_b_Preselection() { return state().BoundaryPreselection[1]; }
int getBoundary_c_Preselection() { return state().BoundaryPreselection[2]; }
int getBoundary_d_Preselection() { return state().BoundaryPreselection[3]; }

void PrintBoundarySelection() {
  const int* p = state().BoundaryPreselection;
  Print("Boundary selection: ");
  if (p[0] == -1) Print("(*,"); else Print("(%d,", p[0]);
  for (int k = 1; k < 3; ++k) {
    if (p[k] == -1) Print("*,"); else Print("%d,", p[k]);
  }
  if (p[3] == -1) Print("*)\n"); else Print("%d)\n", p[3]);
}

int BoundaryClassPreselectionCheck(int boundaryClass) {
  SearchSMState& s = state();
  if (s.BoundaryPreselection[0] == -1) return 1;
  OrientifoldInfo* record = nullptr;
  if (s.OrientifoldPreselection >= 0 && s.SD.orientifoldList != nullptr &&
      s.OrientifoldPreselection < s.SD.orientifolds)
    record = s.SD.orientifoldList[s.OrientifoldPreselection];
  for (int k = 0; k < 4; ++k) {
    const int b = s.BoundaryPreselection[k];
    if (b == -1) return 1;
    if (getBoundaryClass(b) == boundaryClass) return 1;
    if (record != nullptr) {
      const int image = orientifoldConjugate(record, b);
      if (image >= 0 && getBoundaryClass(image) == boundaryClass) return 1;
    }
  }
  return 0;
}

int Type_IIB_Error(int code) {
  SearchSMState& s = state();
  s.OrientifoldPreselection = -1;
  std::fill(std::begin(s.BoundaryPreselection), std::end(s.BoundaryPreselection), -1);
  switch (code) {
    case 0:
      Alert("Type_IIB_Error", 0, 100302, "Representation content not available");
      return 1;
    case 1:
      Alert("Type_IIB_Error", 1, 100302, "Not a fermionic string");
      return 2;
    case 2:
      Alert("Type_IIB_Error", 2, 100302, "Not a four-dimensional CY compactified string");
      return 3;
    case 3:
      Alert("Type_IIB_Error", 3, 100302, "Aborted");
      return 4;
    default:
      Alert("Type_IIB_Error", 4, 100302, "Unknown error");
      return 0;
  }
}

void setSusySearch(int flag) { state().SusySearch = flag; }
int getSusySearch() { return state().SusySearch; }
void setPreScan(int mode) { state().PreScan = mode; }
int getPreScan() { return state().PreScan; }

int setGSMfilename(const char* name) {
  SearchSMState& s = state();
  std::string folder = getModelDir();
  if (folder.empty() || folder.back() != '/') folder += '/';
  s.GSMfilename = folder + name;
  return checkDir(s.GSMfilename.c_str());
}

const std::string& getGSMfilename() { return state().GSMfilename; }

int initSearchMemory() {
  if (selectionSetting("Super") == 0) return Type_IIB_Error(1);
  SearchData* sd = initStandardModelSearch();
  // Said, not silent: without boundaries or representation content nothing can follow.
  if (sd == nullptr) return Type_IIB_Error(0);
  if (selectionSetting("Orientifold info_level") != 0) {
    Print("Orientifolds considered: \n");
    const int pre = state().OrientifoldPreselection;
    for (int o = 0; o < sd->tensionOrientifolds; ++o) {
      if (pre >= 0 && o != pre) continue;
      if (sd->orientifoldList != nullptr && sd->orientifoldList[o] != nullptr)
        Print("Nr. %d; Tension %15.7f\n", o, sd->orientifoldList[o]->tension);
    }
  }
  if (CY_Check('B', 1) == 0) Print("Non-chiral bulk extension\n");
  if (CY_Check('I', 1) == 0) return 0;
  if (sd->usableBoundaries > 4) {
    Print("Number of usable boundaries: %d (out of %d)\n", sd->usableBoundaries, sd->boundaries);
    Print("%s\n", std::string(61, '-').c_str());
    getTwoFormLabels();
    int A = 0, M = 0, S = 0;
    CheckChirality(0, 0, 0, &A, &M, &S);
    loadGlobalAnomalies(2);
    return 0;
  }
  Print("Too few usable boundaries (%d)\n", sd->usableBoundaries);
  return 0;
}
