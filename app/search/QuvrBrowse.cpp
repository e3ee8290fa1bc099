// Catalogue browsing. The type printout reads only the record; the realisation of
// "browse standard_model" is rebuilt through the tensor, invariant and boundary layers.
#include "search/QuvrBrowse.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "boundaries/CrossBound.h"
#include "collections/VectorUtility.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/QuvrSelect.h"
#include "search/QuvrStatistics.h"
#include "search/SearchSM.h"
#include "search/SearchTadpoleHooks.h"
#include "search/ChanPaton.h"
#include "search/QuvrGuided.h"
#include "strings/OpenSpectrum.h"
#include "strings/Tadpole.h"

namespace {

constexpr const char* kRepLabels[7] = {"A*", "S*", "V*", "0 ", "V ", "S ", "A "};
constexpr int kRepCharges[7] = {-2, -2, -1, 0, 1, 2, 2};
constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};

struct QuvrBrowseState {
  bool filesLocated = false;
};

QuvrBrowseState& state() {
  static QuvrBrowseState s;
  return s;
}

bool locateFiles() {
  if (state().filesLocated) return true;
  if (FindQUVRFilesForInput() == 0) return false;
  state().filesLocated = true;
  return true;
}

int codeIndex(int code) { return code < -3 ? 0 : code > 3 ? 6 : code + 3; }

}  // namespace

void resetQuvrBrowse() { state() = QuvrBrowseState{}; }

void BraneReps(int entry, int reps[4]) {
  for (int s = 0; s < 4; ++s) reps[s] = 0;
  if (entry < 0 || entry >= 20) return;
  if (entry < 4) {
    reps[entry] = 2;
  } else if (entry < 8) {
    reps[entry - 4] = 3;
  } else if (entry < 14) {
    reps[kPairs[entry - 8][0]] = 1;
    reps[kPairs[entry - 8][1]] = 1;
  } else {
    reps[kPairs[entry - 14][0]] = 1;
    reps[kPairs[entry - 14][1]] = -1;
  }
}

void PrintDim(int multiplicity, int n, const int* reps, const int* flags, int mode, const int* charges1,
              const int* charges2) {
  if (multiplicity == 0) return;
  std::string text = formatText("    %3d x  ( ", std::abs(multiplicity));
  int printed[4] = {};
  for (int s = 0; s < n && s < 4; ++s) {
    int code = reps[s];
    if (multiplicity < 0 && flags[s] == 0) code = -code;
    printed[s] = code;
    text += formatText(s + 1 < n ? "%2s ," : "%2s)", kRepLabels[codeIndex(code)]);
  }
  if (mode == 0) {
    PrintText(text + "\n");
    return;
  }
  int sum1 = 0, sum2 = 0;
  for (int s = 0; s < n && s < 4; ++s) {
    sum1 += charges1[s] * kRepCharges[codeIndex(printed[s])];
    sum2 += charges2[s] * kRepCharges[codeIndex(printed[s])];
  }
  text += formatText("       %3d   ", sum1);
  if (mode != 1)
    text += formatText("       %3d   \n", sum2);
  else
    text += "\n";
  PrintText(text);
}

void PrintRecombinedDim(int multiplicity, int n, const int* reps, const int* map, const int* record) {
  int kept[4] = {}, flags[4] = {};
  int count = 0, weight = 0;
  for (int k = 0; k < n && k < 4; ++k) {
    if (map[k] != k) continue;
    kept[count] = reps[k];
    flags[count] = record[k];
    weight += std::abs(reps[k]);
    ++count;
  }
  if (weight >= 2) PrintDim(multiplicity, count, kept, flags, 0, nullptr, nullptr);
}

std::string xParameterText(int xa, int norm) {
  const long long numerator = 6LL * xa + 2LL * norm;
  const long long denominator = 6LL * norm;
  long long g = std::gcd(numerator, denominator);
  if (g == 0) g = 1;
  long long p = numerator / g, q = denominator / g;
  if (q < 0) p = -p, q = -q;
  return q == 1 ? formatText("x = %lld\n", p) : formatText("x = %lld/%lld\n", p, q);
}

std::string boundaryStatesText(const int* record) {
  if (record[7] == 0) return formatText("Boundary states: %d,%d,%d\n", record[62], record[63], record[64]);
  return formatText("Boundary states: %d,%d,%d,%d\n", record[62], record[63], record[64], record[65]);
}

void PrintFullQUVRData(const int* record) {
  const int n = record[3] == -2 ? 3 : 4;
  const int z = record[47] % 10;
  PrintBannerWithText(45, "QUVR chiral type (type definition only, not an explicit realization)");
  Print("Type:        %c   %c   %c   %c\n", charType(record[0]), charType(record[1]), charType(record[2]),
        n == 3 ? ' ' : charType(record[3]));
  if (n == 3)
    Print("Stack size: %2d  %2d  %2d", record[4], record[5], record[6]);
  else
    Print("Stack size: %2d  %2d  %2d  %2d", record[4], record[5], record[6], record[7]);
  if (z == 0)
    Print("\n");
  else if (z == 1)
    Print("          Z1\n");
  else if (z == 2)
    Print("          Z1           Z2\n");
  for (int e = 0; e < 20; ++e) {
    int reps[4];
    BraneReps(e, reps);
    PrintDim(record[8 + e], n, reps, record, z, record + 48, record + 52);
  }
  Print("\n");
  // The record is the model from here on: its equivalences and identity are its own.
  CopyQUVRmodelToSMstruct(record, 3);
  SM.modelNumber = record[56];
  const std::string identity = PrintBraneIdentity(&SM, n);
  // Identity letters a-d name the stack each stack is recombined into.
  int map[4] = {0, 1, 2, 3};
  for (int k = 0; k < n && k < static_cast<int>(identity.size()); ++k)
    if (identity[static_cast<std::size_t>(k)] >= 'a' && identity[static_cast<std::size_t>(k)] < 'a' + n)
      map[k] = identity[static_cast<std::size_t>(k)] - 'a';
  Print("Standard Model U(1) generator Y = %s\n",
        NormalizedIntegerVectorString(n, 25, record[32], record + 28).c_str());
  PrintGenerator('c', 2, record + 33, record + 35, record[32], 0);
  PrintGenerator('d', 2, record + 37, record + 39, record[32], 0);
  const int stacks = record[7] == 0 ? 3 : 4;
  if (CheckOrientability(record, record + 12, record + 8, record + 16, record + 22, stacks) == 1) {
    Print("Orientable model; Parameter x not defined by the particle spectrum\n");
    if (record[47] < 11)
      Print("Parameter x determined by axion mixing: ");
    else
      Print("Degenerate Y charge; x not determined\n");
  } else {
    if (CheckPseudoOrientability(record, record + 12, record + 8, record + 16, record + 22, stacks) != 0)
      Print("Not orientable, but pseudo-orientable\n");
    Print("Parameter: ");
  }
  if (record[47] < 11) PrintText(xParameterText(record[28], record[32]));
  if (z >= 1) {
    Print("Number of extra massless U(1)'s (in addition to Y): %d\n", z);
    PrintVec(n, record + 48, "Extra U(1)  ");
    if (z > 1) PrintVec(n, record + 52, "Extra U(1)  ");
    if (z >= 3) Print("One more U(1) not computed\n");
  } else {
    Print("No extra massless U(1)'s\n");
  }
  int recombined = 0;
  for (int k = 0; k < n; ++k) recombined += map[k] == k ? 1 : 0;
  if (recombined < n) {
    std::string types = "Type:        ", sizes = "Stack Size: ";
    for (int k = 0; k < n; ++k) {
      if (map[k] != k) continue;
      int size = 0;
      for (int j = 0; j < n; ++j) size += map[j] == k ? record[4 + j] : 0;
      types += formatText("%c   ", charType(record[k]));
      sizes += formatText("%2d  ", size);
    }
    Print("\nRecombined CP group:\n");
    PrintText(types + "\n" + sizes + "\n");
    for (int e = 0; e < 20; ++e) {
      int reps[4];
      BraneReps(e, reps);
      PrintRecombinedDim(record[8 + e], n, reps, map, record);
    }
  }
  if (record[56] == -999) {
    Print("This spectrum has not been found\n");
  } else if (record[56] > 0) {
    Print("\nThis spectrum (nr. %d) was found for CY %d, MIPF %d, Orientifold %d,\n", record[56], record[59],
          record[60], record[61]);
    PrintText(boundaryStatesText(record));
  }
  PrintSeparatorWithText(45, "");
  Print("\n");
  SM.tensorCode = -1, SM.MIPF = -1, SM.orientifold = -1;
  std::snprintf(SM.title, sizeof SM.title, "global model nr. %d", record[56]);
  // A record newly loaded into SM: its details have not been printed yet.
  SM.alreadyPrinted = 0;
  printDetailedStandardModelData(&SM, 0, 0, 3);
  PrintSeparatorWithText(95, "");
  Print("\n\n\n");
}

void BrowseQUVR(int type) {
  if (!locateFiles()) return;
  const int* record = ReadGenericModelData(type);
  if (record == nullptr) return;
  PrintTadpoleStatistics(type);
  PrintFullQUVRData(record);
}

void BrowseGeneric(int type, int tensorCode, int MIPF, int orientifold, int a, int b, int c, int d, int Hd, int Hu,
                   int infoLevel) {
  if (!locateFiles()) return;
  const int* record = ReadGenericModelData(type);
  if (record == nullptr) return;
  PrintTadpoleStatistics(type);
  const std::string dashes(80, '-');
  Print("\n\n%s\n", dashes.c_str());
  Print("Chiral Type Definition\n");
  Print("%s\n", dashes.c_str());
  Print("This is the purely chiral information in the spectrum, used to identify it.\n");
  Print("This is information is generated from the file Models.list, collected in 2010.\n");
  Print("Concrete realizations will in general have additional vector-like particles.\n");
  Print("An example of such a concrete realizations is give below.\n");
  Print("%s\n\n", dashes.c_str());
  PrintFullQUVRData(record);
  const std::string dashes80(80, '-');
  int boundaries[4] = {a, b, c, d};
  if (tensorCode != 0) {
    SM.modelNumber = type;
    SM.tensorCode = tensorCode, SM.MIPF = MIPF, SM.orientifold = orientifold;
    for (int k = 0; k < 4; ++k) {
      SM.branes[2 * k] = boundaries[k];
      SM.multiplicities[k] = record[4 + k];
    }
    setGuidedStacks(&SM, tensorCode, MIPF, orientifold, boundaries);
  } else {
    BuildModelExample(record);
    std::snprintf(SM.title, sizeof SM.title, "model %d (global realization example)", type);
    if (!std::equal(SM.multiplicities, SM.multiplicities + 4, record + 4)) {
      PrintVec(4, SM.multiplicities, "SM.mults");
      PrintVec(4, record + 4, "v");
      Alert("BrowseGeneric", 0, 212404, "Multiplicity discrepancy");
      return;
    }
    tensorCode = SM.tensorCode, MIPF = SM.MIPF, orientifold = SM.orientifold;
    for (int k = 0; k < 4; ++k) boundaries[k] = SM.branes[2 * k];
    Print("%s\n", dashes80.c_str());
    Print("The following is a concrete realization of this chiral type\n");
    Print("in terms of boundary states read from the file Models.list.  \n");
    Print("This spectrum will be recomputed from these previously stored brane labels. \n");
    Print("Note that there are no known examples for tadpole cancellation in this chiral class.\n");
    Print("%s\n", dashes80.c_str());
  }
  (void)infoLevel;
  for (int k = 0; k < 4; ++k) SM.groupTypes[k] = record[k];
  if (tensorCode == record[59] && MIPF == record[60])
    Print("\nBuilding Tensor Product %d, MIPF %d\n", tensorCode, MIPF);
  else
    Print("\nOriginally found for Tensor Product %d, MIPF %d.\nRegenerated for Tensor Product %d, MIPF %d\n\n",
          record[59], record[60], tensorCode, MIPF);
  if (buildCY(static_cast<unsigned>(tensorCode)) == static_cast<unsigned>(-1)) return;
  const std::string mipf = std::to_string(MIPF);
  buildInvariant(mipf.c_str(), 1);
  PrintSeparatorWithText(61, "Orientifolds and boundary states");
  initializeOpenString();
  if (initSearchMemory() != 0 || initStandardModelSearch() == nullptr) {
    Print("initStandardModelSearch failed\n");
    return;
  }
  setStoredOrientifold(orientifold);
  for (int k = 0; k < 4; ++k) SM.branes[2 * k + 1] = boundaries[k] >= 0 ? BoundaryConjugate(boundaries[k]) : -1;
  if (ComputeAndCompareSMData(record) == 0) return;
  PrintBannerWithText('-', "\n    Chiral Standard Model Check OK");
  PrintBannerWithText('-', "\n    Dilaton couplings");
  Print("\n          Brane labels   CP group         Coupling          \n");
  getGroupTypesAndConjugates();
  for (int k = 0; k < SM.stackCount && k < 4; ++k) {
    double re = 0.0, im = 0.0;
    getCurrentReflectionCoefficient(0, boundaries[k], &re, &im);
    Print(" %20s      %s     %15.7f\n", BraneLabelString(boundaries[k]).c_str(),
          chanPatonGroupName(SM.groupTypes[k], SM.multiplicities[k]).c_str(), re);
  }
  Print("\n");
  CopyQUVRmodelToSMstruct(record, 3);
  PrintBannerWithText('-', "\n    Massless open string spectrum");
  PrintVec(SM.stackCount, boundaries, "Boundaries    ");
  PrintVec(SM.stackCount, SM.multiplicities, "Multiplicities");
  if (ChanPatonData* cpd = generateChanPatonDataForStandardModel(&SM)) GeneralOpenSectorAnalysis(cpd);
  PrintSeparatorWithText('-', "");
  Print("NOTE: this is the exact spectrum including all vector-like states,\n");
  Print("      re-computed from the boundary and orientifold data.\n");
  PrintSeparatorWithText('-', "");
  if (searchSetting("Standard_Model details") != 0) {
    Print("      On the other hand, all results below are for chiral type %d\n", type);
    Print("      read from the file %s.\n", getCatalogueFileName().c_str());
    Print("      This file contains no information about fully vector-like states,\n");
    Print("      but may contain Chan-Paton-chiral states that are\n");
    Print("      non-chiral with respect to the Standard Model.\n\n");
    Print("      The match between the exact spectrum shown above\n");
    Print("      and the chiral type has been checked.\n");
    PrintSeparatorWithText('-', "");
    SM.alreadyPrinted = 0;
    printDetailedStandardModelData(&SM, Hd, Hu, 0);
  } else {
    Print("To see detailed Standard Model information use \"set standard_model details ON\"\n");
  }
}
