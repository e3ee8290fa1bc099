// Standard-model hooks of the tadpole solver and the detailed print of a candidate. See
// SearchTadpoleHooks.h. The header and already-printed flags live in `SM` and are cleared
// whenever a new candidate is read, so a candidate's banner and details appear once however
// many tadpole solutions it has.
#include "search/SearchTadpoleHooks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/ChanPaton.h"
#include "search/Couplings.h"
#include "search/DiscreteSymmetries.h"
#include "search/InstantonScan.h"
#include "search/ModelAnalysis.h"
#include "search/SearchDriver.h"
#include "search/SearchSM.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"
#include "strings/Tadpole.h"
#include "tensor/Coset.h"

namespace {

struct SearchTadpoleHooksState {
  bool detailsHintShown = false;
  bool statisticsStarted = false;
  std::vector<std::vector<int>> symmetryRows;  // rows of 20, counted
  std::vector<int> symmetryCounts;
};

SearchTadpoleHooksState& state() {
  static SearchTadpoleHooksState s;
  return s;
}

int headerHook(ChanPatonData*) { return printGenericSMHeader(); }

int tensorIdentifier() { return currentTensor != nullptr ? static_cast<int>(fileIdentifier()) : -1; }

int orientifoldIndex(const ChanPatonData* cpd) {
  return cpd != nullptr && cpd->orientifold != nullptr ? cpd->orientifold->listPosition : SM.orientifold;
}

int fullIntersection(int p, int q) {
  int chirality = 0;
  return FullIntersectionForClassMember(p, q, &chirality);
}

int cpdConjugate(const ChanPatonData& cpd, int x) { return orientifoldConjugate(cpd.orientifold, x); }

void makeOrientifoldCurrent(const ChanPatonData* cpd) {
  const int o = orientifoldIndex(cpd);
  if (o >= 0) setStoredOrientifold(o);
}

}  // namespace

void resetSearchTadpoleHooks() { state() = SearchTadpoleHooksState(); }

int hiddenInstantonZeroModes(int m, const ChanPatonData& cpd, int (*intersection)(int, int),
                             int (*conjugate)(const ChanPatonData&, int)) {
  const int mc = conjugate(cpd, m);
  const bool realInstanton = mc == m || mc < 0;
  int modes = 0;
  for (int k = 4; k < cpd.stacks; ++k) {
    const int x = cpd.stackLabel[static_cast<std::size_t>(k)];
    const int xc = conjugate(cpd, x);
    const int image = xc >= 0 ? xc : x;
    modes += intersection(m, image);
    if (!realInstanton) modes += intersection(mc, image);
    if (image != x) {
      modes += intersection(m, x);
      if (!realInstanton) modes += intersection(mc, x);
    }
  }
  return modes;
}

void installStandardModelHooks() {
  setAnalysisFunction(analyseGenericSM);
  setCheckSolutionFunction(checkGenericSM);
  setSolutionHeaderFunction(headerHook);
}

int printGenericSMHeader() {
  if (SM.headerPrinted == 1) return 0;
  Print("\n\n\n");
  PrintBannerWithText('*', "%s", SM.title);
  Print("\n\n\n");
  SM.headerPrinted = 1;
  return 1;
}

int checkGenericSM(ChanPatonData* cpd) {
  loadGlobalAnomalies(1);
  makeOrientifoldCurrent(cpd);
  const bool susy = getSusySearch() == 1;
  if (!susy) {
    if (cpd != nullptr && checkCPDforTachyons(cpd) != 0) {
      Print("Tachyonic tadpole solution\n");
      return 0;
    }
    Print(" !!!!!!  Tachyon and tadpole free solution  !!!!!\n");
  }
  if (cpd == nullptr || CheckGlobalAnomalies(cpd) == 1) {
    if (searchSetting("Tadpole info_level") == 0) {
      const std::string where =
          formatText("(Tensor %d,MIPF %d,orientifold %d)", tensorIdentifier(), SM.MIPF, orientifoldIndex(cpd));
      PrintNoRepeat(susy ? ">>>>> Tadpole/global anomaly free solution "
                         : ">>>>> Tadpole/tachyon/global anomaly free solution ",
                    where.c_str());
    } else {
      Print(susy ? ">>>>> Tadpole/global anomaly free solution \n\n"
                 : ">>>>> Tadpole/tachyon/global anomaly free solution \n\n");
    }
    return 1;
  }
  const std::string where = formatText(" (Tensor %d, MIPF %d)", tensorIdentifier(), SM.MIPF);
  PrintNoRepeat("Global anomalies", where.c_str());
  return 0;
}

int analyseGenericSM(ChanPatonData* cpd) {
  printDetailedStandardModelData(&SM, 0, 0, 1);
  if (searchSetting("Standard_Model details") != 0) {
    analyseCouplings(cpd, &SM, 4, 0, 0);
    computeAxionNullVectorInfo(cpd);
  }
  return 1;
}

int analyseGenericSM_with_instantons(ChanPatonData* cpd) {
  makeOrientifoldCurrent(cpd);
  Print("Instanton tadpole solution found; checking global anomalies.\n");
  loadGlobalAnomalies(1);
  if (cpd == nullptr || CheckGlobalAnomalies(cpd) != 1) {
    const std::string where = formatText(" (Tensor %d, MIPF %d)", tensorIdentifier(), SM.MIPF);
    PrintNoRepeat("Global anomalies", where.c_str());
    return 0;
  }
  Print("Instanton tadpole solution found; global anomalies cancel.\n");
  Print("\n\nStandard model spectrum nr: %d\n\n", SM.modelNumber);
  Print("Found for invariant %d of %d, orientifold %d\n", SM.MIPF, tensorIdentifier(), orientifoldIndex(cpd));
  Print("\nCP multiplicities:\n");
  for (int b = 0; b < static_cast<int>(cpd->multiplicity.size()); ++b)
    if (cpd->multiplicity[static_cast<std::size_t>(b)] != 0) Print(" %d:%d", b, cpd->multiplicity[static_cast<std::size_t>(b)]);
  Print("\n\nActive boundaries:\n");
  Print("Label Conj. Type Dimension    Coupling\n");
  static const char kLetters[] = "SUO";
  for (int k = 0; k < cpd->stacks; ++k) {
    const int label = cpd->stackLabel[static_cast<std::size_t>(k)];
    const int type = cpd->stackType[static_cast<std::size_t>(k)];
    const char letter = type >= -1 && type <= 1 ? kLetters[type + 1] : '?';
    double re = 0.0, im = 0.0;
    getCurrentReflectionCoefficient(0, label, &re, &im);
    Print("%4d  %4d  %c    %4d  %15.7f\n", label, orientifoldConjugate(cpd->orientifold, label), letter,
          cpd->stackMultiplicity[static_cast<std::size_t>(k)], re);
  }
  const int m = getInstantonLabel();
  if (m >= 0) {
    Print("\n\nNumber of Hidden sector-Instanton zero modes: %d\n",
          hiddenInstantonZeroModes(m, *cpd, fullIntersection, cpdConjugate));
    Print("\n");
    double aCoupling = 0.0, instantonCoupling = 0.0, im = 0.0;
    if (cpd->stacks > 0) getCurrentReflectionCoefficient(0, cpd->stackLabel[0], &aCoupling, &im);
    getCurrentReflectionCoefficient(0, m, &instantonCoupling, &im);
    Print("Orientifold tension:            %15.7f\n", cpd->orientifold != nullptr ? cpd->orientifold->tension : 0.0);
    Print("a-brane dilaton coupling:       %15.7f\n", aCoupling);
    Print("Instanton dilaton coupling:     %15.7f\n\n", instantonCoupling);
    // The solver's record stays as it was: the instanton joins a copy.
    ChanPatonData extended = *cpd;
    extended.stackLabel.push_back(m);
    extended.stackMultiplicity.push_back(999);
    extended.stackType.push_back(orientifoldGroupType(cpd->orientifold, m));
    ++extended.stacks;
    GeneralOpenSectorAnalysis(&extended);
  }
  Print("\n\n_______________________________________________________\n");
  return 1;
}

namespace {

// The family count of a stored model while it is printed: Gamma + Delta of (a,b), the count
// the search that found it required; the run's count is restored afterwards.
class OwnFamilyCount {
 public:
  explicit OwnFamilyCount(const StandardModel& model) : saved_(getFamiliesRequired()) {
    setFamiliesRequired(model.Gamma[0] + model.Delta[0]);
  }
  ~OwnFamilyCount() { setFamiliesRequired(saved_); }
  OwnFamilyCount(const OwnFamilyCount&) = delete;
  OwnFamilyCount& operator=(const OwnFamilyCount&) = delete;

 private:
  int saved_;
};

}  // namespace

void printDetailedStandardModelData(StandardModel* record, int Hd, int Hu, int mode) {
  SearchTadpoleHooksState& s = state();
  const OwnFamilyCount families(*record);
  const bool details = searchSetting("Standard_Model details") != 0;
  if (!details && !s.detailsHintShown) {
    Print("To see detailed Standard Model information use \"set standard_model details ON\"\n");
    s.detailsHintShown = true;
  }
  if (record->alreadyPrinted == 1) {
    Print("Standard Model features were already printed above\n");
    return;
  }
  record->alreadyPrinted = 1;
  if (searchSetting("SM_search header") == 0 && SM.headerPrinted == 0)
    PrintBannerWithText('*', "Standard Model data for %s", SM.title);
  const OrderedSpectrum* ordered = orderedSpectrumOf(record);
  // Mode 3 follows the type printout of the catalogue browser, which has shown the brane
  // equivalence and identity; the details already hold what mode 3 would print again.
  if (details) {
    writeStandardModelInfo(mode != 3);
    if (ordered != nullptr) printDecomposedSpectrum(*ordered, Hd, Hu, 0);
  }
  if (mode == 3) {
    if (!details) {
      writeStandardModelInfo(false);
      if (ordered != nullptr) printDecomposedSpectrum(*ordered, Hd, Hu, 3);
    }
    return;
  }
  if (record->chanPaton == nullptr) record->chanPaton = generateChanPatonDataForStandardModel(record);
  if (mode == 0 && details && record->chanPaton != nullptr) analyseCouplings(record->chanPaton, record, 4, Hd, Hu);
}

int analyseCouplings(ChanPatonData* cpd, StandardModel* record, int order, int Hd, int Hu) {
  if (cpd == nullptr || CheckDiscreteSymmetries(cpd, nullptr) == 0) return 0;
  Print("\n");
  if (Hd != 0 || Hu != 0)
    PrintBannerWithText('-', "\n    Coupling analysis (order < %d; assuming Hd=%d, Hu=%d)", order + 1, Hd, Hu);
  else
    PrintBannerWithText('-', "\n    Generic couplings of order < %d (without assuming Higgs choice)", order + 1);
  Print("\n");
  if (cpd->stacks > record->stackCount)
    Print("    Couplings for standard model extended with a hidden sector\n\n");
  else
    Print("    Couplings for standard model without hidden sector\n\n");
  PrintSeparatorWithText('.', " Labelling convention ");
  Print("\n");
  const OrderedSpectrum* ordered = orderedSpectrumOf(record);
  if (ordered == nullptr) {
    Alert("analyseCouplings", 0, 100201, "Ordered spectrum could not be computed");
    return 0;
  }
  int exact = 1;
  printDecomposedSpectrumMultiplets(*ordered, &exact);
  PrintSeparatorWithText('.', "");
  Print("\n");
  printCouplingNotation(order);
  int result = 0;
  for (int n = 1; n <= order; ++n) ComputeNPointCoupling(cpd, *record, *ordered, n, Hd, Hu, &result);
  return result;
}

void computeAxionNullVectorInfo(ChanPatonData* cpd) {
  SearchTadpoleHooksState& s = state();
  const DiscreteSymmetryData* data = cpd != nullptr ? getDiscreteSymmetryData(cpd) : nullptr;
  if (data == nullptr || data->analysed == 0) return;
  std::vector<int> row(20, 0);
  row[0] = data->masslessVectors;
  row[1] = static_cast<int>(data->hiddenOrder);
  row[2] = static_cast<int>(data->observableOrder);
  row[3] = cpd->stacks;
  row[4] = data->visibleUnitary;
  row[5] = data->visibleMasslessVectors;
  row[6] = static_cast<int>(data->unitaryStacks.size());
  std::vector<long long> orders = data->discreteOrders;
  std::sort(orders.begin(), orders.end());
  for (std::size_t k = 0; k < orders.size() && 7 + k < row.size(); ++k) row[7 + k] = static_cast<int>(orders[k]);
  int position = -1;
  if (s.statisticsStarted) {
    auto it = std::find(s.symmetryRows.begin(), s.symmetryRows.end(), row);
    if (it == s.symmetryRows.end()) {
      s.symmetryRows.push_back(row);
      s.symmetryCounts.push_back(1);
      position = static_cast<int>(s.symmetryRows.size()) - 1;
    } else {
      position = static_cast<int>(it - s.symmetryRows.begin());
      ++s.symmetryCounts[static_cast<std::size_t>(position)];
    }
  }
  if (searchSetting("Axion_stat") != 0) {
    PrintBannerWithText('-', "\n    Symmetry preserved by axions ");
    Print("   Seq. Nr.    #Branes   U(1) group      Broken to              SM-U(1) HD    OD    CS\n");
    Print("      ");
    PrintVec(20, row.data(), "");
    Print("\n");
  }
}

void initNullVectorStatistics() { state().statisticsStarted = true; }

void printAxionSymmetryStatistics() {
  const SearchTadpoleHooksState& s = state();
  if (searchSetting("Standard_Model details") == 0 || searchSetting("Axion_stat") == 0 || s.symmetryRows.empty())
    return;
  PrintBannerWithText('-', "    Axion symmetry: summary and statistics");
  for (std::size_t k = 0; k < s.symmetryRows.size(); ++k) {
    Print("%6d ", s.symmetryCounts[k]);
    PrintVec(20, s.symmetryRows[k].data(), "");
  }
}
