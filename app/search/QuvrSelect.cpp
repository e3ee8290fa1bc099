// Selection of catalogue types. The requirements are one QuvrSelectState; a record of the
// catalogue is 87 ints (see search/Catalogue.h) and is tested against every requirement
// in a fixed order, stopping at the first that fails. The run reads "Models.list" itself,
// record by record, and writes its two result files whole through a temporary file.
#include "search/QuvrSelect.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "runtime/Directories.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "search/Catalogue.h"
#include "search/ModelAnalysis.h"
#include "search/ModelScan.h"
#include "search/QuvrFiles.h"

namespace {

constexpr int kRows = 6;
constexpr int kStacks = 4;
constexpr int kTypes = 6;
constexpr const char* kRowLetters = "xGNSAY";
constexpr const char* kParticleNames[kTypes] = {
    "Singlet neutrinos",        "Quark doublet mirror pairs",  "Up quark mirror pairs",
    "Down quark mirror pairs",  "Lepton doublet mirror pairs", "Charged lepton mirror pairs"};
// Record entries of the mirror counts of particle types 1-5, then 0, in test order.
constexpr int kMirrorEntries[kTypes] = {79, 71, 73, 76, 77, 80};

struct QuvrSelectState {
  int critMin[kRows][kStacks];
  int critMax[kRows][kStacks];
  int requirement[kStacks];
  int identification[6];
  int mirrorMin[kTypes];
  int mirrorMax[kTypes];
  int universality[kTypes];
  int zPrime = 0;
  bool filesLocated = false;

  QuvrSelectState() { clear(); }
  void clear() {
    for (int r = 0; r < kRows; ++r)
      for (int s = 0; s < kStacks; ++s) critMin[r][s] = -kQuvrUnbounded, critMax[r][s] = kQuvrUnbounded;
    for (int& v : requirement) v = -1;
    for (int& v : identification) v = -1;
    for (int t = 0; t < kTypes; ++t)
      mirrorMin[t] = -kQuvrUnbounded, mirrorMax[t] = kQuvrUnbounded, universality[t] = kQuvrUnbounded;
    zPrime = 0;
    filesLocated = false;
  }
};

QuvrSelectState& state() {
  static QuvrSelectState s;
  return s;
}

bool validCell(int row, int stack) { return row >= 0 && row < kRows && stack >= 0 && stack < kStacks; }
bool validType(int type) { return type >= 0 && type < kTypes; }

void fixStackSize(int stack, int value) {
  state().critMin[2][stack] = value;
  state().critMax[2][stack] = value;
}

bool within(int value, int min, int max) { return value >= min && value <= max; }

}  // namespace

void initializeQuvrSelect() { state().clear(); }
void resetQuvrSelect() { state().clear(); }

void Set_QUVR_range(int row, int stack, int min, int max) {
  if (!validCell(row, stack)) {
    get_QUVR_parameter_name(row, stack);
    return;
  }
  state().critMin[row][stack] = min;
  state().critMax[row][stack] = max;
}

void Set_QUVR_mirror(int type, int min, int max) {
  if (!validType(type)) return;
  state().mirrorMin[type] = min;
  state().mirrorMax[type] = max;
}

void Set_QUVR_Uni(int type, int value) {
  if (validType(type)) state().universality[type] = value;
}

void Set_QUVR_Zprime(int n) {
  if (n >= 3) Print("This value is too large; expect no solutions\n");
  state().zPrime = n;
}

void get_QUVR_range(int row, int stack, int* min, int* max) {
  if (!validCell(row, stack)) return;
  *min = state().critMin[row][stack];
  *max = state().critMax[row][stack];
}
void get_QUVR_mirror(int type, int* min, int* max) {
  if (!validType(type)) return;
  *min = state().mirrorMin[type];
  *max = state().mirrorMax[type];
}
int get_QUVR_Uni(int type) { return validType(type) ? state().universality[type] : kQuvrUnbounded; }
int get_QUVR_Zprime() { return state().zPrime; }
int get_QUVR_requirement(int stack) { return stack >= 0 && stack < kStacks ? state().requirement[stack] : -1; }
int get_QUVR_identification(int pair) { return pair >= 0 && pair < 6 ? state().identification[pair] : -1; }

int DetermineCPGroupFactor(const char* text, int* code, int* size) {
  const char letter = text[0];
  int read = 1;
  if (letter == 'U') {
    *code = 0;
  } else if (letter == 'O') {
    *code = 1;
  } else if (letter == 'S') {
    *code = -1;
  } else {
    Alert("DetermineCPGroupFactor", 0, 112315, "Invalid group %s", text);
    return 0;
  }
  int value = 0, digits = 0;
  while (std::isdigit(static_cast<unsigned char>(text[read])) && digits < 6) {
    value = 10 * value + (text[read] - '0');
    ++read, ++digits;
  }
  if (digits == 0) {
    Alert("DetermineCPGroupFactor", 1, 112315, "Invalid group size %s", text);
    return 0;
  }
  *size = value;
  return read;
}

void SelectQUVR(const char* group) {
  const char* text = group != nullptr ? group : "";
  int factors = 0;
  std::size_t position = 0;
  const std::size_t length = std::strlen(text);
  while (position < length) {
    if (factors == kStacks) {
      Alert("SelectQUVR", 0, 112315, "Invalid group %s", text + position);
      break;
    }
    int code = 0, size = 0;
    const int read = DetermineCPGroupFactor(text + position, &code, &size);
    if (read > 0) {
      Set_QUVR_range(1, factors, code, code);
      Set_QUVR_range(2, factors, size, size);
    }
    ++factors;
    // A factor ends at the next character that is not a digit.
    ++position;
    while (position < length && std::isdigit(static_cast<unsigned char>(text[position]))) ++position;
  }
  if (factors == 3) {
    fixStackSize(3, 0);
  } else if (factors < 3) {
    Print("There are no models with only %d Chan-Paton factors\n", factors);
    fixStackSize(factors, 0);
  }
}

void SelectQUVRSpectrum(const char* code) {
  const char* text = code != nullptr ? code : "";
  for (int k = 0; k < kStacks; ++k) {
    const char c = text[k];
    if (c == '\0') {
      if (k == 3)
        fixStackSize(3, 0);
      else
        Print("Invalid spectrum string %s\n", text);
      return;
    }
    switch (c) {
      case 'A': state().requirement[k] = 1; break;
      case 'S': state().requirement[k] = 2; break;
      case 'T': state().requirement[k] = 3; break;
      case 'V': state().requirement[k] = 0; break;
      default: Print("Invalid spectrum string %s\n", text); break;
    }
  }
}

void SelectQUVR_ID(const char* id) {
  if (id == nullptr || std::strlen(id) != 4) {
    Print("Invalid identification string; it should have length 4\n");
    return;
  }
  static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (int p = 0; p < 6; ++p) state().identification[p] = id[kPairs[p][0]] == id[kPairs[p][1]] ? 1 : 0;
}

void ResetQUVRSpectrumCriteria() {
  for (int& v : state().requirement) v = -1;
  for (int& v : state().identification) v = -1;
}

std::string get_QUVR_parameter_name(int row, int stack) {
  if (row == 0 && stack == 0) return "x";
  if (row < 1 || row >= kRows) {
    Alert("get_QUVR_parameter_name", 0, 212404, "Invalid parameter labels %d %d", row, stack);
    return "";
  }
  if (stack < 0 || stack >= kStacks) {
    Alert("get_QUVR_parameter_name", 1, 212404, "Invalid parameter labels %d %d", row, stack);
    return "";
  }
  return std::string(1, kRowLetters[row]) + static_cast<char>('a' + stack);
}

void Print_QUVR_parameter_range(int row, int stack) {
  if (!validCell(row, stack)) return;
  const std::string name = get_QUVR_parameter_name(row, stack);
  const int min = state().critMin[row][stack], max = state().critMax[row][stack];
  if (min == -kQuvrUnbounded) {
    Print("Parameter %2s is not constrained\n", name.c_str());
  } else if (min != max) {
    Print("%d <= Parameter %2s <= %d\n", min, name.c_str(), max);
  } else if (row == 1) {
    if (min == 0)
      Print("Stack %c must be unitary\n", 'a' + stack);
    else if (min == -1)
      Print("Stack %c must be symplectic\n", 'a' + stack);
    else
      Print("Invalid stack label %d\n", min);
  } else {
    Print("Parameter %s must be %d\n", name.c_str(), min);
  }
}

void PrintMirrorBounds(int type) {
  if (!validType(type)) return;
  const int min = state().mirrorMin[type], max = state().mirrorMax[type];
  const char* name = kParticleNames[type];
  if (min == -kQuvrUnbounded)
    Print("No mirror restrictions on %s\n", name);
  else if (min == 0 && max == 0)
    Print("No %s allowed\n", name);
  else if (min == max)
    Print("%d %s required\n", min, name);
  else
    Print("%d <=  %s <= %d\n", min, name, max);
}

void PrintUnivalues(int type) {
  if (!validType(type)) return;
  const char* name = kParticleNames[type];
  switch (state().universality[type]) {
    case 0: Print("Particles of type %s are mirror-free and are split in several components\n", name); break;
    case 1: Print("Particles of type %s must be mirror-free and universal\n", name); break;
    case 2: Print("Particles of type %s have mirrors and/or gauge multiplicities\n", name); break;
    case kQuvrUnbounded: Print("No universality restrictions on %s\n", name); break;
    default: break;
  }
}

void Show_QUVR_parameters() {
  Print_QUVR_parameter_range(0, 0);
  for (int row = 1; row < kRows; ++row)
    for (int stack = 0; stack < kStacks; ++stack) Print_QUVR_parameter_range(row, stack);
  if (state().zPrime < 1)
    Print("No constraint on additional U(1)'s\n");
  else
    Print("Number of additional Z's required: %d\n", state().zPrime);
  bool any = false;
  for (int v : state().identification) any = any || v != -1;
  if (any) {
    Print("Brane identification required: 0 means NO, 1 means YES, order ab,ac,...,cd\n");
    PrintVec(6, state().identification, "Required identification");
  } else {
    Print("No brane identification requirements\n");
  }
  for (int t = 0; t < kTypes; ++t) PrintMirrorBounds(t);
  for (int t = 0; t < kTypes; ++t) PrintUnivalues(t);
}

int QUVRxClass(const int* record, int* orientable) {
  const int n = record[7] == 0 ? 3 : 4;
  const int norm = record[32];
  const int x = norm != 0 ? 6 * record[28] / norm : 0;
  *orientable = CheckOrientability(record, record + 12, record + 8, record + 16, record + 22, n);
  if (*orientable == 1) return 10;
  if (CheckPseudoOrientability(record, record + 12, record + 8, record + 16, record + 22, n) != 0)
    Print("Pseudo orientable model, nr %d\n", record[56]);
  if ((x + 2) % 3 != 0) Alert("SelectQUVRmodel", 0, 212404, "Invalid x-parameter value\n");
  if (x >= 4 && x <= 6) return 2;
  return (x + 2) / 3;
}

bool QUVRRecordPasses(const int* record, int xClass) {
  const QuvrSelectState& s = state();
  if (!within(xClass, s.critMin[0][0], s.critMax[0][0])) return false;
  for (int row = 1; row <= 4; ++row) {
    // Rows G, N, S, A read record blocks 0, 4, 8 and 12.
    static constexpr int kOffset[5] = {0, 0, 4, 8, 12};
    for (int k = 0; k < kStacks; ++k)
      if (!within(record[kOffset[row] + k], s.critMin[row][k], s.critMax[row][k])) return false;
  }
  const int norm = record[32];
  for (int k = 0; k < kStacks; ++k) {
    const double y = norm != 0 ? 6.0 * record[28 + k] / norm : 0.0;
    if (s.critMin[5][k] > y + 0.00001 || y - 0.00001 > s.critMax[5][k]) return false;
  }
  for (int i = 1; i <= kTypes; ++i) {
    const int type = i % kTypes;  // 1, 2, 3, 4, 5, then 0
    if (!within(record[kMirrorEntries[type]], s.mirrorMin[type], s.mirrorMax[type])) return false;
  }
  for (int t = 0; t < kTypes; ++t)
    if (s.universality[t] != kQuvrUnbounded && record[81 + t] != s.universality[t]) return false;
  const int stacks = s.critMin[2][3] == 0 && s.critMax[2][3] == 0 ? 3 : 4;
  for (int k = 0; k < stacks; ++k) {
    const bool hasSym = record[8 + k] != 0, hasAnti = record[12 + k] != 0;
    switch (s.requirement[k]) {
      case 0: if (hasSym || hasAnti) return false; break;
      case 1: if (!hasAnti || hasSym) return false; break;
      case 2: if (!hasSym || hasAnti) return false; break;
      case 3: if (!hasSym || !hasAnti) return false; break;
      default: break;
    }
  }
  for (int p = 0; p < 6; ++p)
    if (s.identification[p] == 1 && record[41 + p] == 0) return false;
  for (int p = 0; p < 6; ++p)
    if (s.identification[p] == 0 && record[41 + p] != 0) return false;
  if (record[47] % 10 < s.zPrime) return false;
  return true;
}

std::string QUVRRecordLine(const int* record) {
  std::string line;
  for (int k = 0; k < 56; ++k) line += formatText("%6d ", record[k]);
  line += formatText("%6d ", record[56]);
  line += formatText("%6d %6d ", record[57], record[58]);
  line += formatText("%9d %4d", record[59], record[60]);
  line += formatText("%6d %6d %6d %6d %6d", record[61], record[62], record[63], record[64], record[65]);
  for (int k = 66; k < 87; ++k) line += formatText(" %6d", record[k]);
  line += '\n';
  return line;
}

int selectQUVRFromFile(const std::string& catalogue, const std::string& folder) {
  // Closed on every way out, also when the selection is abandoned (Ctrl-C).
  const std::unique_ptr<FILE, int (*)(FILE*)> opened(std::fopen(catalogue.c_str(), "r"),
                                                     std::fclose);
  FILE* file = opened.get();
  if (file == nullptr) {
    Alert("SelectQUVRmodel", 0, 120206, "Cannot open file %s", catalogue.c_str());
    return -1;
  }
  PrintStdout("Searching model file %s\n", catalogue.c_str());
  std::vector<char> existence(kQuvrMaxTypes, 0);
  std::string browse, records;
  int total = 0, orientableCount = 0, threeBrane = 0, passing = 0;
  int xCount[3] = {0, 0, 0};
  ModelRecordReader reader(file);
  int record[87];
  ModelFileProgress progress("Selecting catalogue models", file);
  while (true) {
    progress.step();
    if (total >= kQuvrMaxTypes) {
      Alert("SelectQUVRmodel", 1, 112413, "Too many models; enlarge QUVR_MAX");
      break;
    }
    const int status = reader.next(record);
    if (status == 0) break;
    if (status < 0) continue;
    const int type = record[56];
    if (type < 0 || type >= kQuvrMaxTypes) {
      Alert("SelectQUVRmodel", 2, 100201, "Model nr %d is outside the catalogue range; skipped", type);
      continue;
    }
    existence[static_cast<std::size_t>(type)] = 1;
    ++total;
    if (record[7] == 0) ++threeBrane;
    int orientable = 0;
    const int xClass = QUVRxClass(record, &orientable);
    if (orientable == 1) {
      ++orientableCount;
      if (record[7] == 0) Print("*************  Orientable 3-brane model\n");
    } else {
      const int norm = record[32];
      const int x = norm != 0 ? 6 * record[28] / norm : 0;
      if (x >= -4 && x <= 0) ++xCount[0];
      if (x >= 1 && x <= 3) ++xCount[1];
      if (x >= 4 && x <= 6) ++xCount[2];
    }
    if (!QUVRRecordPasses(record, xClass)) continue;
    ++passing;
    browse += formatText("browse quvr %d\n", type);
    records += QUVRRecordLine(record);
  }
  if (!writeFileAtomically(folder + "Selected_Models", browse))
    Alert("SelectQUVRmodel", 3, 120206, "Could not write file %sSelected_Models", folder.c_str());
  if (!writeFileAtomically(folder + "Selected_SM.list", records))
    Alert("SelectQUVRmodel", 4, 120206, "Could not write file %sSelected_SM.list", folder.c_str());
  Print("Orientable: %d; Threebrane: %d; x=0: %d; x=1: %d; x=2: %d\n", orientableCount, threeBrane, xCount[0],
        xCount[1], xCount[2]);
  Print("Total: %d; Sum: %d\n", total, orientableCount + xCount[0] + xCount[1] + xCount[2]);
  if (passing == 0) {
    Print("No chiral types satisfy all criteria.\n");
  } else {
    Print("Total number satisfying criteria: %d\n", passing);
    Print("The complete list is in %sSelected_Models\n", folder.c_str());
  }
  return passing;
}

void SelectQUVRmodel() {
  if (!state().filesLocated) {
    if (FindQUVRFilesForInput() == 0) return;
    state().filesLocated = true;
  }
  selectQUVRFromFile(getCatalogueFileName(), getWorkDir());
}
