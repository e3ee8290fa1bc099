// Theory selection and spectrum commands: loading a theory by its type keyword (or a
// stored CFT by name), computing its spectrum and switching the modes that depend on it,
// the spectrum table, S-matrix elements, the field of given Dynkin labels, and the small
// counting queries that command files use as values (one integer and a line feed).
#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "groups/Discrete.h"
#include "lie/LieAlgebra.h"
#include "tensor/Coset.h"
#include "modular/Modular.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerIndexFiles.h"
#include "store/StoremanagerQueries.h"
#include "tensor/OutputNames.h"

namespace {

// Type keywords of the "algebra" command in search order, with their command-level codes.
struct TypeKeyword {
  const char* word;
  int code;
};
const TypeKeyword kTypeKeywords[] = {
    {"U", 0}, {"A", 1},   {"B", 2},   {"C", 3},   {"D", 4},   {"E", 5},   {"F", 6},
    {"G", 7}, {"At", 11}, {"Bt", 12}, {"Bc", 13}, {"Ct", 14}, {"Ft", 15}, {"Gt", 16},
};

constexpr int kNotSet = -999999;

// Result codes of the conversion of a type keyword and its parameters.
const char* const kAlgebraErrors[] = {
    "",
    "Invalid type",
    "Invalid rank",
    "Invalid level",
    "Rank out of range",
    "Level out of range",
    "Too many parameters for U(1)",
    "Too few parameters",
    "Invalid number of susy's",
    "Minimal models must first be created in single algebra mode",
};

// The first keyword of which the typed word is an abbreviation; -1 when none.
int convertTYPE(const std::string& keyword) {
  for (const TypeKeyword& entry : kTypeKeywords) {
    if (cmpcom(entry.word, keyword.c_str()) == 0) return entry.code;
  }
  return -1;
}

// Type, rank and level of a type keyword with its parameters; returns minus the number of
// parameters used, or an error code 1-9.
int convertAlgebra(const std::string& keyword, char** params, int n, int* type, int* rank,
                   int* level) {
  int code = convertTYPE(keyword);
  if (code < 0) return 1;
  *type = standardType(code);
  if (n < 1) return 7;
  *rank = intParameter(params, 0);
  if (*rank < minRank(code) || *rank > maxRank(code)) return 4;
  if (code == 0) {
    *level = 0;
    return -1;
  }
  if (n < 2) return 7;
  *level = intParameter(params, 1);
  if (*level < 1) return 5;
  return -2;
}

// The stored record of (type, rank, level) without creating one.
SpectrumData* storedTheory(int type, int rank, int level) {
  for (SpectrumData* sd = SM_getFirstAlgebra(); sd != nullptr; sd = SM_nextAlgebra(sd)) {
    if (sd->type == type && sd->rank == rank && sd->level == level) return sd;
  }
  return nullptr;
}

// Type, rank and level of the minimal model with N supersymmetries at level k; the models
// with N = 0 and 1 are made in the store first. Returns -2, or an error code.
int minimalModel(int N, int k, int* type, int* rank, int* level) {
  if (N < 0 || N > 2) return 8;
  if (k < 1) return 5;
  // A minimal model keeps its orbit S matrix whatever "Store_S" says; the N=2 model is only
  // made after the setting is restored, so the notice changes nothing for it.
  int* storeS = commandsState().storeS;
  const int saved = storeS != nullptr ? *storeS : 1;
  if (storeS != nullptr && saved == 0) {
    Alert("COM_algebra", 0, 100218, "Ignoring Store_S OFF for minimal model building");
    *storeS = 2;
  }
  *rank = N;
  *level = k;
  if (N == 2) {
    *type = kStoreTypeMinimalN2;
  } else {
    *type = kStoreTypeSpecialN2;
    // A model that cannot be made is not found below, which refuses the command.
    if (storedTheory(kStoreTypeSpecialN2, N, k) == nullptr) {
      if (N == 0) {
        createMinimal0(k);
      } else {
        createMinimal1(k);
      }
    }
  }
  if (storeS != nullptr) *storeS = saved;
  return -2;
}

void printCFTLine(int primaries, int currents) {
  if (currents < 2) {
    Print("CFT %s; %d primaries\n", getCFTname().c_str(), primaries);
  } else {
    Print("CFT %s; %d primaries (%d simple currents)\n", getCFTname().c_str(), primaries, currents);
  }
}

// The fixed-point theory number lbl (from 1) of a record, made when missing; NULL after an
// alert when it cannot be had.
SpectrumData* fixedPointTheoryOf(SpectrumData* sd, int lbl) {
  if (SM_initFCFTData(sd) < lbl || sd->fcft == nullptr || sd->fcft[lbl - 1] == nullptr) {
    Alert("COM_fcft", 3, 212404, "Fixed-point theory %d of %s could not be made", lbl - 1,
          sd->name);
    return nullptr;
  }
  return sd->fcft[lbl - 1];
}

// Runs the spectrum computation a display needs; false when there is no spectrum.
bool ensureSpectrum() {
  if (commandsState().spectrumComputed == 0 && COM_compute(nullptr, 0) > 0) return false;
  return true;
}

}  // namespace

int COM_algebra_single(char** params, int n) {
  if (tensorModeOn()) {
    Print("Switching to single algebra mode\n");
    setCosetMode(0);
    disableCoset();
  }
  return COM_algebra(params, n);
}

int COM_algebra(char** params, int n) {
  std::string keyword = lastCommandWord();
  disableModular();
  if (cmpcom("cft", keyword.c_str()) == 0 && cmpcom("c", keyword.c_str()) != 0)
    return COM_cft(params, n);
  if (cmpcom("fcft", keyword.c_str()) == 0 && cmpcom("f", keyword.c_str()) != 0)
    return COM_fcft(params, n);
  int type = kNotSet;
  int rank = kNotSet;
  int level = kNotSet;
  int code = 0;
  if (cmpcom("orbifold", keyword.c_str()) == 0) {
    type = kStoreTypeOrbifold;
    rank = n >= 1 ? intParameter(params, 0) : kNotSet;
    level = 0;
    code = n >= 1 ? -1 : 7;
    if (n >= 1 && rank > kLargestOrbifold) {
      Alert("COM_algebra", 10, kRefusedValue,
            "Orbifold parameter %d exceeds the largest allowed %d", rank, kLargestOrbifold);
      return 4;
    }
  } else if (cmpcom("minimal", keyword.c_str()) == 0) {
    if (n >= 2 && intParameter(params, 0) == 2 && intParameter(params, 1) > kLargestMinimalLevel) {
      Alert("COM_algebra", 11, kRefusedValue,
            "Level %d exceeds the largest allowed level %d of N=2 minimal models",
            intParameter(params, 1), kLargestMinimalLevel);
      return 5;
    }
    code = n >= 2 ? minimalModel(intParameter(params, 0), intParameter(params, 1), &type, &rank,
                                 &level)
                  : 7;
  } else {
    code = convertAlgebra(keyword, params, n, &type, &rank, &level);
  }
  // A rank out of range is refused with the limit it passes, so the user knows what to type.
  const int typeCode = code == 4 ? convertTYPE(keyword) : -1;
  if (typeCode >= 0 && rank != kNotSet && rank < minRank(typeCode)) {
    Alert("COM_algebra", code, kRefusedValue, "%s; the smallest rank of this type is %d",
          kAlgebraErrors[code], minRank(typeCode));
    return code;
  }
  if (typeCode >= 0 && rank != kNotSet && rank > maxRank(typeCode)) {
    Alert("COM_algebra", code, kRefusedValue, "%s; the largest rank of this type is %d",
          kAlgebraErrors[code], maxRank(typeCode));
    return code;
  }
  if (code > 0) {
    Alert("COM_algebra", code, kRefusedValue, "%s", kAlgebraErrors[code]);
    return code;
  }
  SpectrumData* sd = SM_getData(type, rank, level);
  if (sd == nullptr) return 2;
  setCurrentTheory(sd);
  if (tensorModeOn()) return code;
  if (COM_compute(nullptr, 0) > 0) return 1;
  return code;
}

int COM_cft(char** params, int n) {
  if (n < 1) return 1;
  SpectrumData* sd = SM_findCFT(params[0]);
  if (sd == nullptr) {
    Alert("COM_cft", 0, kRefusedLookup, "No such algebra %s", params[0]);
    return 1;
  }
  setCurrentTheory(sd);
  if (!tensorModeOn() && COM_compute(nullptr, 0) > 0) return 1;
  return -1;
}

int COM_fcft(char** params, int n) {
  if (n < 2) return 1;
  SpectrumData* cft = SM_findCFT(params[0]);
  if (cft == nullptr) {
    Alert("COM_fcft", 0, kRefusedLookup, "No such algebra %s", params[0]);
    return 1;
  }
  const int J = intParameter(params, 1);
  const int currents = cft->scgroup != nullptr ? cft->scgroup->order : 1;
  if (J < 0 || J >= currents) {
    Alert("COM_fcft", 1, kRefusedLookup, "Current out of range");
    return 2;
  }
  const int lbl = SM_getFCFTlbl(cft, J);
  if (lbl < 0) {
    Alert("COM_fcft", 2, kRefusedLookup, "Current has no fixed point");
    return 3;
  }
  if (lbl == 0) {
    setCurrentTheory(cft);
    if (!tensorModeOn() && COM_compute(nullptr, 0) > 0) return 1;
    return -2;
  }
  std::string name = std::string(cft->name) + "_" + std::to_string(lbl - 1);
  SpectrumData* fixedPointTheory = SM_findCFT(name.c_str());
  if (fixedPointTheory == nullptr) fixedPointTheory = fixedPointTheoryOf(cft, lbl);
  if (fixedPointTheory == nullptr) return 3;
  setCurrentTheory(fixedPointTheory);
  commandsState().spectrumComputed = 0;
  if (COM_compute(nullptr, 0) > 0) return 1;
  COM_status(nullptr, 0);
  return -2;
}

int COM_fcft2(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (n < 1 || sd == nullptr) return 1;
  if (tensorModeOn()) {
    Alert("COM_fcft2", 0, 112311, "Command only works in single algebra mode");
    return 1;
  }
  const int J = intParameter(params, 0);
  const int currents = sd->scgroup != nullptr ? sd->scgroup->order : 1;
  if (J < 0 || J >= currents) {
    Alert("COM_fcft2", 1, kRefusedLookup, "Current out of range");
    return 2;
  }
  const int lbl = SM_getFCFTlbl(sd, J);
  if (lbl < 0) {
    Alert("COM_fcft2", 2, kRefusedLookup, "Current has no fixed point");
    return 3;
  }
  if (lbl == 0) {
    if (COM_compute(nullptr, 0) > 0) return 1;
    return -1;
  }
  SpectrumData* fixedPointTheory = fixedPointTheoryOf(sd, lbl);
  if (fixedPointTheory == nullptr) return 3;
  disableModular();
  setCurrentTheory(fixedPointTheory);
  if (COM_compute(nullptr, 0) > 0) return 1;
  COM_status(nullptr, 0);
  return -1;
}

int COM_get_fcftshift(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (n < 1 || sd == nullptr) return 1;
  const int lbl = SM_getFCFTlbl(sd, intParameter(params, 0));
  if (lbl == 0) return -1;
  if (lbl < 0 || sd->fcft_shift == nullptr) {
    Print("Current has no fixed points\n");
    return 1;
  }
  Print("Shift parameter: %d\n", sd->fcft_shift[lbl - 1]);
  return -1;
}

int COM_single(char**, int) {
  setCosetMode(0);
  disableCoset();
  COM_status(nullptr, 0);
  if (COM_compute(nullptr, 0) > 0) return 1;
  return 0;
}

int COM_status(char**, int) {
  if (tensorModeOn()) return tensorStatus();
  Print("Mode: Single algebra\n");
  if (currentRecord() != nullptr) Print("Algebra \"%s\"\n", currentRecord()->name);
  return 0;
}

int COM_compute(char**, int) {
  CommandsState& s = commandsState();
  if (s.spectrumComputed == 1) return 0;
  if (tensorModeOn()) return tensorCompute();
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  setCurrentTheory(sd);
  printCFTLine(totalPrimaries(), totalCurrents());
  s.susic = 0;
  enableModular();
  return 0;
}

int COM_compute_massless(char**, int) {
  if (!tensorModeOn()) {
    Alert("COM_compute_massless", 0, 100201,
          "In single algebra mode this command is\n equivalent to a full spectrum computation");
    return COM_compute(nullptr, 0);
  }
  return tensorComputeMassless();
}

int COM_compute_simple(char**, int) {
  if (!tensorModeOn()) {
    Alert("COM_compute_simple", 0, 100201,
          "In single algebra mode this command is equivalent to a full spectrum computation");
    return COM_compute(nullptr, 0);
  }
  return tensorComputeSimple();
}

void DisplaySelectedRange(int from, int to) {
  constexpr int kChunk = 10000;
  constexpr int kRemainder = 5000;
  int start = from;
  while (start < to) {
    int end = start + kChunk;
    if (end > to || to - end < kRemainder) end = to;
    printSpectrum(start, end, start == from ? 0 : 1);
    start = end;
  }
}

int COM_display(char** params, int n) {
  if (!ensureSpectrum()) return 1;
  int total = totalPrimaries();
  if (total <= 0) return 1;
  int from = 0;
  int to = total;
  if (n == 1) {
    from = intParameter(params, 0);
    to = from + 1;
  } else if (n >= 2) {
    // Plain integers, not field labels: a max past the last field is not an error.
    from = intParameter(params, 0);
    const int last = intParameter(params, 1);
    if (from < 0 || from >= total) {
      Alert("COM_display", 0, kRefusedValue, "Minimum (%d) out of range (parameter %d)", from, 0);
      return 2;
    }
    if (last < from) {
      Alert("COM_display", 1, kRefusedValue, "Minimum (%d) > Maximum (%d) (parameter %d)", from,
            last, 1);
      return 2;
    }
    to = (last < total - 1 ? last : total - 1) + 1;
  }
  DisplaySelectedRange(from, to);
  Print("\n");
  return -n;
}

int COM_display_massless(char**, int) {
  if (!ensureSpectrum()) return 1;
  massless_only = 1;
  DisplaySelectedRange(0, totalPrimaries());
  massless_only = 0;
  Print("\n");
  return 0;
}

int COM_display_simple(char**, int) {
  if (commandsState().spectrumComputed == 0 && COM_compute_simple(nullptr, 0) > 0) return 1;
  DisplaySelectedRange(0, totalCurrents());
  Print("\n");
  return 0;
}

int COM_display_weight(char** params, int n) {
  int num = intParameter(params, 0);
  int den = intParameter(params, 1);
  if (den == 0) {
    Alert("COM_display_weight", 0, kRefusedValue, "Denominator cannot be 0");
    return 2;
  }
  if (den < 0 && (num == INT_MIN || den == INT_MIN)) {
    Alert("COM_display_weight", 1, kRefusedValue, "Weight %d/%d out of range", num, den);
    return 2;
  }
  if (!ensureSpectrum()) return 1;
  // The filter is set while its denominator is positive (both -1: none), so every typed
  // fraction, -1/2 included, selects by its value.
  SelectedWeightNum = den > 0 ? num : -num;
  SelectedWeightDen = den > 0 ? den : -den;
  DisplaySelectedRange(0, totalPrimaries());
  SelectedWeightNum = -1;
  SelectedWeightDen = -1;
  Print("\n");
  return -n;
}

int COM_s(char** params, int n) {
  int total = totalPrimaries();
  int rowFirst = 0;
  int rowLast = total;
  int columnFirst = 0;
  int columnLast = total;
  if (n >= 1) {
    int row = intParameter(params, 0);
    if (row < 0) return 1;
    rowFirst = row;
    rowLast = row + 1;
  }
  if (n >= 2) {
    int column = intParameter(params, 1);
    if (column < 0) return 1;
    columnFirst = column;
    columnLast = column + 1;
  } else {
    initSMATRIX();
  }
  if (getStopSignal() == 1) return -n;
  bool symmetric = S_Symmetric() != 0;
  Print("\n");
  // Under "verify" the elements are computed (and so checked) but not formatted.
  const bool discarded = printDiscarded();
  std::string text;
  for (int r = rowFirst; r < rowLast; ++r) {
    for (int c = columnFirst; c < columnLast; ++c) {
      // S(r, c) below the diagonal repeats S(c, r) when that is printed too.
      bool mirrorShown =
          c < r && c >= rowFirst && c < rowLast && r >= columnFirst && r < columnLast;
      if (symmetric && mirrorShown) continue;
      if (discarded) {
        double re = 0.0, im = 0.0;
        compS(r, c, &re, &im);
        continue;
      }
      text.clear();
      PrintText(displayS(text, r, c));
    }
  }
  Print("\n");
  return -n;
}

int COM_getrep(char** params, int n) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr) return 1;
  int needed = sd->rep_size - (sd->type >= 1 && sd->type <= 5 ? 1 : 0);
  if (n < needed) {
    Alert("COM_getrep", 0, kRefusedLookup, "Not enough Dynkin labels");
    return 1;
  }
  if (n > needed) {
    Alert("COM_getrep", 1, kRefusedLookup, "Too many Dynkin labels");
    return -n;
  }
  int* labels = commandsState().dynkinLabels.get(static_cast<std::size_t>(needed > 0 ? needed : 1));
  for (int i = 0; i < needed; ++i) {
    labels[i] = intParameter(params, i);
    if (labels[i] < 0 && sd->type < 6) {
      Alert("COM_getrep", 2, kRefusedLookup, "Negative Dynkin label");
      return 1;
    }
  }
  int field = SM_getLieLabel(sd, labels);
  if (field < 0) {
    Alert("COM_getrep", 3, kRefusedLookup, "Representation not found");
    return 1;
  }
  Print("%d\n", field);
  return -n;
}

int COM_tot_prim(char**, int) {
  if (!requireSpectrum("COM_tot_prim")) return 1;
  Print("%d\n", totalPrimaries());
  return 0;
}

int COM_tot_cur(char**, int) {
  Print("%d\n", totalCurrents());
  // The count is that of the currents the current labels name; other fields of quantum
  // dimension 1 are named beside it, in a notice, so that the printed value stays one
  // integer for command files.
  const std::vector<int> exceptional = exceptionalSimpleCurrents();
  if (!exceptional.empty()) {
    std::string fields;
    for (int f : exceptional) fields += (fields.empty() ? "" : " ") + std::to_string(f);
    Alert("COM_tot_cur", 0, kValueWarning,
          "Counted are the simple currents %s; not counted: %s %s, exceptional simple current%s "
          "(quantum dimension 1)",
          tensorModeOn() ? "made of simple currents of the factors" : "of the simple-current group in use",
          exceptional.size() == 1 ? "field" : "fields", fields.c_str(), exceptional.size() == 1 ? "" : "s");
  }
  return 0;
}

int COM_susic(char**, int) {
  Print("%d\n", commandsState().susic);
  return 0;
}

int COM_val_grade(char**, int) {
  SpectrumData* sd = currentRecord();
  if (sd == nullptr || sd->grade_current == -1) {
    Alert("COM_val_grade", 0, kRefusedLookup, "No grade current defined");
    return 1;
  }
  Print("%d\n", sd->grade_current);
  return 0;
}

int COM_findBasis(char** params, int n) {
  if (!requireSpectrum("COM_findBasis")) return 1;
  const int currents = totalCurrents();
  std::vector<int> list;
  for (int i = 0; i < n; ++i) {
    const int J = intParameter(params, i);
    if (J < 0 || J >= currents) {
      Alert("COM_findBasis", i, kRefusedValue,
            "Value %d is not a simple current label (parameter %d)", J, i);
      return 1;
    }
    if (std::find(list.begin(), list.end(), J) == list.end()) list.push_back(J);
  }
  const std::vector<int> basis = MOD_closeAlgebra(list);
  PrintVec(kBasisSize, basis.data(), "Basis");
  // Only integer-spin currents have permutations: a group with other currents gets a
  // warning in place of them and keeps its basis.
  if (MOD_listPermutations(nullptr) == 0) MOD_listPermutations(&list);
  PrintVec(static_cast<int>(list.size()), list.data(), "Generators");
  return -n;
}

int COM_indices(char** params, int n) {
  if (n >= 1) {
    const int field = intParameter(params, 0);
    if (field < 0) return 1;
    return computeIndicesSingle(field, nullptr) == 0 ? -1 : 1;
  }
  return computeIndices() == 0 ? 0 : 1;
}

int COM_cc(char**, int) {
  if (commandsHighPrecision()) {
    Print("Central charge %15.8f\n", Central_Charge());
  } else {
    Print("Central charge %30.15f\n", Central_Charge());
  }
  return 0;
}
