// Instanton requirements and the instanton and spectrum scans of model files. The scans
// read model lines, rebuild each candidate through the model rescan (search/ModelScan)
// and report on it; every way out of a scan restores the tadpole solver's analysis hook,
// releases the boundary-class intersection rows and closes the model file.
#include "search/InstantonScan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "search/Axions.h"
#include "search/Catalogue.h"
#include "search/ChanPaton.h"
#include "search/ModelScan.h"
#include "search/SearchSM.h"
#include "search/SearchTadpoleHooks.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"
#include "strings/Tadpole.h"
#include "tensor/OutputNames.h"

namespace {

constexpr int kLetters = 26;

struct InstantonScanState {
  InstantonRequirement requirements[kLetters];
  int instantonType = 0;
  int InstantonLabel = -1;
  InstantonScanServices services;
};

InstantonScanState& state() {
  static InstantonScanState s;
  return s;
}

int realRebuild() { return modelInitialization(1, 0); }
int realGroupType(int m) { return orientifoldGroupType(getCurrentOrientifold(), m); }
void realDiagonalInfo(int o, int m, int* x, int* y, int* z) { getDiagonalInfo(o, m, x, y, z); }

const InstantonScanServices& services() {
  static const InstantonScanServices real{realRebuild,        TotalBoundaries, BoundaryConjugate,
                                          FullIntersectionForClassMember, realDiagonalInfo, realGroupType,
                                          getCurrentOutputFileName};
  return state().services.rebuildCase != nullptr ? state().services : real;
}

// Closes the model file, restores the analysis hook and releases the intersection rows
// on every way out of a scan (an early return, a failed rebuild, an abandoned command).
class ScanGuard {
 public:
  explicit ScanGuard(FILE* file) : file_(file) {}
  ~ScanGuard() {
    if (file_ != nullptr) std::fclose(file_);
    freeBoundaryClassIntersectionPointers();
    resetAnalysisFunction();
    state().InstantonLabel = -1;
  }
  ScanGuard(const ScanGuard&) = delete;
  ScanGuard& operator=(const ScanGuard&) = delete;

 private:
  FILE* file_;
};

// One write per line, so an interrupted scan leaves whole lines.
bool appendText(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) {
    Alert("InstantonScan", 3, 120206, "Could not open file \"%s\"", path.c_str());
    return false;
  }
  const bool ok = writeAllToDescriptor(fd, text);
  ::close(fd);
  if (!ok) Alert("InstantonScan", 4, 120206, "Could not write to file \"%s\"", path.c_str());
  return ok;
}

// The chirality result of the pair (a, b): what the parity of the zero modes counts.
int chirality(int a, int b) {
  int c = 0;
  services().intersection(a, b, &c);
  return c;
}

// The full intersection I(a, b): what the file lines and header show.
int intersection(int a, int b) {
  int c = 0;
  return services().intersection(a, b, &c);
}

int conjugateOf(int label) {
  const int c = services().conjugate(label);
  return c >= 0 ? c : label;
}

void recombineStacks() {
  SM.recombinedCount = BraneRecombination(SM.inputBoundaries, SM.multiplicities, SM.recombinedBoundaries,
                                          SM.recombinedMultiplicities);
}

void printScanTitle(const char* file, int type) {
  if (type == -1) {
    Print("Scanning file %s\n", file);
  } else {
    Print("Scanning file %s for models of type %d\n", file, type);
  }
}

FILE* openModelFile(const char* file) {
  FILE* in = std::fopen(convertFileName(file).c_str(), "r");
  if (in == nullptr) Alert("InstantonScan", 0, 120406, "Could not open input file %s\n", file);
  else startModelInput();
  return in;
}

// The line of instanton m of the current candidate (without its newline).
std::string instantonLine(int m, int type) {
  const int o = SM.orientifold;
  const int mc = conjugateOf(m);
  const bool real = mc == m;
  std::string line = formatText("%10d %5d %5d %5d | ", SM.tensorCode, SM.MIPF, SM.orientifold, m);
  line += formatText("%5d | ", type);
  for (int k = 0; k < SM.recombinedCount; ++k) line += formatText("%4d ", SM.recombinedBoundaries[k]);
  line += formatText(" | %5d | ", m);
  line += instantonTypePrefix(services().groupType(m));
  int x = 0, y = 0, z = 0;
  services().diagonalInfo(o, m, &x, &y, &z);
  if (real) {
    line += formatText("%2d %2d %2d       | ", z, (x + y) / 2, (x - y) / 2);
  } else {
    int xc = 0, yc = 0, zc = 0;
    services().diagonalInfo(o, mc, &xc, &yc, &zc);
    line += formatText("%2d %2d %2d %2d %2d | ", zc, (x + y) / 2, (x - y) / 2, (xc + yc) / 2, (xc - yc) / 2);
  }
  for (int k = 0; k < SM.recombinedCount; ++k) {
    const int stack = SM.recombinedBoundaries[k];
    const int stackConj = conjugateOf(stack);
    const int values[4] = {intersection(m, stackConj), intersection(m, stack), intersection(mc, stackConj),
                           intersection(mc, stack)};
    line += instantonStackEntry(static_cast<char>('a' + k), real, values);
  }
  return line;
}

}  // namespace

void setInstanton(char letter, const int zeroModes[4], int preference) {
  if (letter < 'a' || letter > 'z') return;
  InstantonRequirement& r = state().requirements[letter - 'a'];
  r.preference = preference;
  for (int k = 0; k < 4; ++k) r.zeroModes[k] = zeroModes[k];
}

void setInstantonType(int type) { state().instantonType = type; }
int getInstantonType() { return state().instantonType; }

InstantonRequirement getInstantonRequirement(char letter) {
  if (letter < 'a' || letter > 'z') return {};
  return state().requirements[letter - 'a'];
}

int formInstantonZeroModes(int instantonType, int reality, const int* values, int n, int zeroModes[4]) {
  if (reality != 0 && reality != 1) return 0;
  const int expected = ((reality != 0 ? 1 : 2) << (instantonType == 0 ? 1 : 0));
  if (n != expected) return 0;
  const int* v = values;
  if (instantonType != 0) {
    const int z[4] = {v[0], reality != 0 ? v[0] : v[1], v[0], reality != 0 ? v[0] : v[1]};
    for (int k = 0; k < 4; ++k) zeroModes[k] = z[k];
  } else if (reality != 0) {
    const int z[4] = {v[0], v[0], v[1], v[1]};
    for (int k = 0; k < 4; ++k) zeroModes[k] = z[k];
  } else {
    for (int k = 0; k < 4; ++k) zeroModes[k] = v[k];
  }
  return 1;
}

void InstantonRequirementCheck(int i, int, const int* labels) {
  const char c = static_cast<char>('a' + i);
  if (i < 0 || i >= kLetters) return;
  const InstantonRequirement& r = state().requirements[i];
  if (r.preference == -1) {
    Print("No instanton interections required for stack %c\n", c);
    return;
  }
  const int reality = conjugateOf(labels[i]) == labels[i] ? 1 : 0;
  if (r.preference != reality) {
    Alert("InstantonRequirementCheck", 0, 100302, "Reality of stack %c does not match requirements", c);
    return;
  }
  const int* z = r.zeroModes;
  if (reality == 1 && state().instantonType != 0) {
    Print("Required instanton for stack %c: I(%c,m)=%d \n", c, c, z[0]);
  } else if (reality == 0 && state().instantonType != 0) {
    Print("Required instanton for stack %c: I(%c,m)=%d I(%c*,m)=%d\n", c, c, z[0], c, z[1]);
  } else if (reality == 1) {
    Print("Required instanton for stack %c: I(%c,m)=%d I(%c,m*)=%d\n", c, c, z[0], c, z[2]);
  } else {
    Print("Required instanton for stack %c: I(%c,m)=%d I(%c*,m)=%d,I(%c,m*)=%d I(%c*,m*)=%d\n", c, c, z[0], c,
          z[1], c, z[2], c, z[3]);
  }
}

int InstantonCheck(int i, int z0, int z1, int z2, int z3) {
  if (i < 0 || i >= kLetters) return 1;
  const InstantonRequirement& r = state().requirements[i];
  if (r.preference == -1) return 1;
  return r.zeroModes[0] == z0 && r.zeroModes[1] == z1 && r.zeroModes[2] == z2 && r.zeroModes[3] == z3 ? 1 : 0;
}

int DiagonalInstantonCheck(int type, int p, int q, int r, int s, int t) {
  if (state().requirements[0].preference == -1) return 1;
  return p == 0 && q == 0 && r == 0 && s == 0 && t == 0 && type == state().instantonType ? 1 : 0;
}

void printInstantonFileHeader() {
  if (SM.recombinedCount < 2) return;
  const int a = SM.recombinedBoundaries[0];
  const int b = SM.recombinedBoundaries[1];
  const int ac = conjugateOf(a);
  const int bc = conjugateOf(b);
  std::string text = formatText(
      "      Brane a-b intersection: I(a,b)=%d, I(a*,b)=%d, I(a,b*)=%d, I(a*,b*)=%d\n", intersection(a, bc),
      intersection(ac, bc), intersection(a, b), intersection(ac, b));
  text += "      (To be compared to O1/S2(U1): I_(a,m) I(a*,m) I(a,m*) I(a*,m*) below)\n";
  text += "###################### Starting Instanton Search ###############\n";
  // Appended, like the lines of its instantons: the earlier candidates of the scan stay.
  appendText(services().outputFile(".instantons"), text);
}

int getInstantonLabel() { return state().InstantonLabel; }

int instantonParitySum(int ma_conj, int ma, int md, int md_conj, bool hasD) {
  int sum = ma_conj - ma;
  if (hasD) sum += md - md_conj;
  return sum;
}

std::string instantonStackEntry(char letter, bool realInstanton, const int values[4]) {
  if (realInstanton) return formatText("%c: %2d %2d       | ", letter, values[0], values[1]);
  return formatText("%c: %2d %2d %2d %2d | ", letter, values[0], values[1], values[2], values[3]);
}

const char* instantonTypePrefix(int groupType) {
  switch (groupType) {
    case -1: return "O1: ";
    case 0: return "U1: ";
    case 1: return "S2: ";
    default: return "";
  }
}

int InstantonScan(const char* file, int type) {
  InstantonScanState& s = state();
  printScanTitle(file, type);
  setAnalysisFunction(analyseGenericSM_with_instantons);
  FILE* in = openModelFile(file);
  ScanGuard guard(in);
  if (in == nullptr) return 0;
  int status = 0;
  int candidates = 0;
  ModelFileProgress fileProgress("Instanton scan", in);
  while (readModelInputLine(in, &status) == 1) {
    fileProgress.step();
    if (type != -1 && SM.modelNumber != type) continue;
    if (services().rebuildCase() == 0) return 1;
    ++candidates;
    recombineStacks();
    printInputModelData(candidates);
    for (int k = 0; k < SM.recombinedCount; ++k) InstantonRequirementCheck(k, SM.orientifold, SM.recombinedBoundaries);
    printInstantonFileHeader();
    const int boundaries = services().boundaryCount();
    ProgressScope progress("Checking candidate instantons", boundaries);
    const std::string output = services().outputFile(".instantons");
    Print("Output (if any) will be written to file %s\n", output.c_str());
    const bool hasD = SM.recombinedCount >= 4;
    for (int m = 0; m < boundaries; ++m) {
      progress.step();
      if (conjugateOf(m) < m) continue;
      s.InstantonLabel = m;
      const std::string line = instantonLine(m, type) + "\n";
      const int a = SM.recombinedBoundaries[0];
      const int d = hasD ? SM.recombinedBoundaries[3] : a;
      const int parity = instantonParitySum(chirality(m, conjugateOf(a)), chirality(m, a),
                                            hasD ? chirality(m, d) : 0, hasD ? chirality(m, conjugateOf(d)) : 0, hasD);
      if (parity % 2 != 0) PrintStdout("R-Parity violation\n%s", line.c_str());
      appendText(output, line);
    }
    s.InstantonLabel = -1;
  }
  return 0;
}

int SpectrumScan(const char* file, int type) {
  printScanTitle(file, type);
  FILE* in = openModelFile(file);
  ScanGuard guard(in);
  if (in == nullptr) return 0;
  int status = 0;
  int candidates = 0;
  ModelFileProgress fileProgress("Spectrum scan", in);
  while (readModelInputLine(in, &status) == 1) {
    fileProgress.step();
    if (type != -1 && SM.modelNumber != type) continue;
    PrintStdout("Model nr %d, SM.nr = %d\n", type, SM.modelNumber);
    if (modelInitialization(1, 0) == 0) return 1;
    ++candidates;
    const int* record = ReadGenericModelData(SM.modelNumber);
    if (record != nullptr) CopyQUVRmodelToSMstruct(record, 3);
    recombineStacks();
    printInputModelData(candidates);
    ChanPatonData* cpd = generateChanPatonData(getCommandChanPatonData(), SM.recombinedCount, getCurrentOrientifold(),
                                               SM.recombinedBoundaries, SM.recombinedMultiplicities);
    if (cpd != nullptr) GeneralOpenSectorAnalysis(cpd);
    printDetailedStandardModelData(&SM, 0, 0, 0);
    getIndependentAxionBoundaries(0);
    for (int k = 0; k < SM.recombinedCount; ++k) CheckBoundaryTadpoleCharges(SM.recombinedBoundaries[k]);
  }
  return 0;
}

void setInstantonScanServices(const InstantonScanServices* services) {
  InstantonScanServices chosen;
  if (services != nullptr && services->rebuildCase != nullptr) {
    // Entries left null take the real ones, so a test states only what it makes up.
    chosen = *services;
    chosen.boundaryCount = chosen.boundaryCount ? chosen.boundaryCount : TotalBoundaries;
    chosen.conjugate = chosen.conjugate ? chosen.conjugate : BoundaryConjugate;
    chosen.intersection = chosen.intersection ? chosen.intersection : FullIntersectionForClassMember;
    chosen.diagonalInfo = chosen.diagonalInfo ? chosen.diagonalInfo : realDiagonalInfo;
    chosen.groupType = chosen.groupType ? chosen.groupType : realGroupType;
    chosen.outputFile = chosen.outputFile ? chosen.outputFile : getCurrentOutputFileName;
  }
  state().services = chosen;
}

void resetInstantonScan() { state() = InstantonScanState{}; }
