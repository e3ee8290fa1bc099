// Instanton and spectrum scans of stored standard-model candidates, and the instanton
// requirements the user states beforehand.
//
// A requirement belongs to a stack letter 'a'..'z': a preference (-1 none, 1 the stack
// must be real, 0 complex) and the four zero-mode numbers I(x,m), I(x*,m), I(x,m*),
// I(x*,m*) of the stack x with the instanton brane m (* the orientifold image). The
// required instanton type is 1 (orthogonal), -1 (symplectic) or 0 (not set).
//
// The instanton scan rebuilds each candidate of a model file and examines every boundary m
// of its orientifold (a boundary and its image once, under the smaller label) as an
// instanton: one line per m with its annulus and Moebius data and its intersections with
// the recombined stacks, appended to the case's ".instantons" file, and "R-Parity
// violation" when the zero modes with stacks a and d are odd in number.
//
// State lives for the run; resetInstantonScan() restores the start state.
#pragma once

#include <string>

struct ChanPatonData;

struct InstantonRequirement {
  int preference = -1;
  int zeroModes[4] = {0, 0, 0, 0};
};

void setInstanton(char letter, const int zeroModes[4], int preference);
void setInstantonType(int type);
int getInstantonType();
// The requirement of a letter 'a'..'z' (others: the empty requirement).
InstantonRequirement getInstantonRequirement(char letter);

// The four zero-mode numbers of "set instanton intersection" from its n given numbers
// (values[0..n-1]) for a stack of reality 0 or 1: 1 formed, 0 when n is not the count the
// instanton type and reality call for.
int formInstantonZeroModes(int instantonType, int reality, const int* values, int n, int zeroModes[4]);

// Prints the requirement of stack i (labels: the recombined stack labels); a reality that
// contradicts it is an alert.
void InstantonRequirementCheck(int i, int orientifold, const int* labels);
int InstantonCheck(int i, int z0, int z1, int z2, int z3);
int DiagonalInstantonCheck(int type, int p, int q, int r, int s, int t);
void printInstantonFileHeader();

// The boundary being examined (-1 outside a scan); read by the tadpole solver's instanton
// analysis (analyseGenericSM_with_instantons), which the instanton scan installs.
int getInstantonLabel();

// Parity of the zero modes with stacks a and d: chir(m,a*) - chir(m,a) + chir(m,d) -
// chir(m,d*), the d terms only with hasD.
int instantonParitySum(int ma_conj, int ma, int md, int md_conj, bool hasD);
// The per-stack entry of an instanton line: "%c: ..." with four values for a complex m,
// two for a real one.
std::string instantonStackEntry(char letter, bool realInstanton, const int values[4]);
// The prefix of the instanton's group type: "O1: " (-1), "U1: " (0), "S2: " (1), else "".
const char* instantonTypePrefix(int groupType);

// 0 when the file was processed or is missing, 1 when a line's case failed to rebuild.
// The spectrum scan prints, per candidate, its open-string spectrum, the detailed
// standard-model data, the axion boundaries and the charge check of every stack.
int InstantonScan(const char* file, int type);
int SpectrumScan(const char* file, int type);

// What the instanton scan asks of the rebuilt case; the default is the real one (the model
// rescan's rebuild, the current orientifold's boundaries, conjugates, group types and
// full intersections, the case's output file). Tests install made-up cases; a null entry
// or nullptr keeps the default.
struct InstantonScanServices {
  // modelInitialization(1, 0) of the line just read: 1 rebuilt, 0 failed.
  int (*rebuildCase)() = nullptr;
  int (*boundaryCount)() = nullptr;
  int (*conjugate)(int label) = nullptr;
  // Full intersection I(a, b), its chirality result in *chirality.
  int (*intersection)(int a, int b, int* chirality) = nullptr;
  void (*diagonalInfo)(int orientifold, int m, int* x, int* y, int* z) = nullptr;
  int (*groupType)(int m) = nullptr;
  std::string (*outputFile)(const char* suffix) = nullptr;
};
void setInstantonScanServices(const InstantonScanServices* services);

void resetInstantonScan();
