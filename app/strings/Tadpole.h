// The tadpole solver of the current bulk invariant and orientifold: the Chan-Paton
// multiplicities (branes per boundary label) that cancel every tadpole.
//
// Boundaries become loop variables (one per real boundary or complex pair that takes part);
// each massless Ishibashi label gives two real equations (real and imaginary part) whose
// last column carries the crosscap term and the fixed multiplicities. The bounded-integer
// solver reduces the system, bounds the variables and finds kernel vectors; the strategies
// search the integer points and hand each candidate to TadpoleSolutionAnalysis, which runs
// the caller's hooks and prints accepted solutions.
//
// Everything lives in one module record (TadpoleState). The per-bulk tables follow the
// bulk-invariant counter, the active-boundary table follows it through its own stamp, the
// equations follow (bulk counter, orientifold, selection counter), the bounds and kernel
// follow TadpoleEquationCounter. resetTadpole() restores the state right after start-up.
#pragma once

#include <string>

struct ChanPatonData;
struct StandardModel;
struct KernelData;

// ---------------------------------------------------------------------------------------
// Set-up and boundary selection

void initializeTadpole();
void resetTadpole();
// Post-commands of the search settings and of the selection criteria.
void tadpoleSearchParametersChanged();
void BoundarySelectionCriteriaChanged();
void BoundarySelectionChanged();
void setTadpoleCriteriaForFewBraneSearch();
void printTadpoleCriteria();

// Once per bulk invariant: the per-boundary tadpole tables; returns the bulk stamp they
// belong to.
int allocTadpoleInfo();
// mode -1: no selection (every boundary counts as active); -2: none active; -3: all
// active; other: all inactive, keeping the fixed list and the selection flag. Returns 0.
int initActiveBoundaries(int mode);
int ActiveBoundaries(int b);
int FixedVariables(int b);
int getFixedVariables();
// Reason codes: see the variable map (1-4 group restrictions, 5 kernel tag, 7/8 simple-
// current selection, 9 identified, 10 instanton probe, 11 fixed, 12, 20-22, 24 hidden
// sector). Acts on b and its conjugate; 0 when the solver cannot be set up or b is not a
// boundary label.
int setActBound(int b, int active, int reason);
// Fixes the multiplicity of b and its conjugate; 1 done, 0 refused.
int setFixVar(int b, int N);
// 1 when the current orientifold can be used, else 0.
int initTadpole();
int getGroupTypesAndConjugates();
int getTadpoleFlip();
// Standard-model stacks of the hidden-sector search (n = -1 clears); 0 when refused.
int setStandardModelBraneInfo(int n, const int labels[], const int mults[]);
void setModelDataPointer(StandardModel* model);
void browseCP();
void printGroupTypes();

// ---------------------------------------------------------------------------------------
// Equations, loop variables, bounds and kernel

// 0 ready; -999999 unavailable; -1 no solution.
int getTadpoleEquations();
int computeTadpoleEquations(int mode);
int findTadpoleEquations(int mode);
// Two rows of N entries each (real parts, then imaginary parts) for Ishibashi label m.
void getTadpoleEquation(double row[], int m, int rowlabels[2]);
int getLoopVariables();
void restrictLoopVariables();
void PrintVariableMap();
int RemoveIdenticalBoundaries(int ignoreGroupType);
int initTadpoleBounds();
int initTadpoleKernel();
void getKernelDependentBounds();
int ImproveTadpoleBounds(int limit, int maxiter);
int getSingleTagKernel(int maxloop);
int computeTadpoleKernel();
void resetTadpoleKernel();
void printTadpoleKernel();
int getMaxPar();
// i = -1: every row.
void printTadpoleEquations(int i);
void printTadpoleSummary();
void printTadpoleBounds();
void PrintLoopLength();
// x has N entries (the constant column last); 1 when every tadpole equation holds.
int CheckTadpoleEquations(int x[]);
int checkTadpoleSolution(int x[]);
int getTadcols();
int getNumberOfLoopVariables();
int trivialBoundCheck();
KernelData* getTadpoleKernel();
int convertLoopLabelToCPLabel(int v);

// ---------------------------------------------------------------------------------------
// Strategies. Result codes: -(3 + k) for k accepted solutions, -3 short loops, -2
// stopped, -1 no solution, 0 or more undecided; -999999 equations unavailable.

int SolveTadpoleConditions(int full, int single, int maxiter);
int SolveSimpleCurrentTadpoleConditions();
int SolveTadpoleConditionsUsingLoops(int interval);
int SolveTadpoleConditionsUsingKernel(int maxloop);
int SolveTadpoleConditionsUsingBounds();
int findSimpleSolutions();
int findTadpoleSolutionsWithNbranes(int k);
int SolveTadpoleConditionsForSubset(int k, const int vars[]);
int checkSimpleSolution(int k, const int vars[], const int values[]);
int analyseSimpleSolution(int x[]);
int TadpoleLoops(int interval, const int min[], const int max[], int full, int single);
int TadpoleLoopsSingle(int limit, const int min[], const int max[]);
// Candidates with at most this many stacks are taken as known (-1: none).
void setCPthreshold(int k);
int getCPthreshold();

// ---------------------------------------------------------------------------------------
// Solutions, hooks and Chan-Paton data

using TadpoleSolutionHook = int (*)(ChanPatonData*);
using TadpoleTraceHook = void (*)(const char* format, ...);
// The hook that accepts everything (answers 1).
int dummy_analysis_fcn(ChanPatonData* cpd);
void setAnalysisFunction(TadpoleSolutionHook fn);
void setCheckSolutionFunction(TadpoleSolutionHook fn);
void setSolutionHeaderFunction(TadpoleSolutionHook fn);
void resetAnalysisFunction();
void setTraceFunction(TadpoleTraceHook fn);
void resetTraceFunction();

// The answer of the check hook (0 rejected); x = nullptr resets the solution counter.
// An accepted solution gets its printed block (banner, stacks, spectra, the analysis hook's
// output) only when something would be shown in it: "Tadpole show_solution", a spectrum
// setting or an analysis hook other than dummy_analysis_fcn; else it is only counted.
int TadpoleSolutionAnalysis(int x[]);
// Solutions accepted during the run (never reset), and how many of them were accepted
// without a printed block. A command takes the difference over its own run.
long long getAcceptedTadpoleSolutions();
long long getUnlistedTadpoleSolutions();
ChanPatonData* computeChanPatonData(int x[]);
void LoopsToCPLabels(const int x[], int cp[]);
// The loop vector of per-boundary multiplicities (owned by the module), nullptr after an
// alert.
int* CPlabelsToLoops(int cp[], const int CPToLoop[], int N);
int CheckCPMultiplicityConjugation(int cp[]);
int CheckCPlabels(int cp[]);
int CheckCPlabelsWithProbe(int cp[], int probe);
// Builds the parametrised solution from the kernel and checks it; 1 satisfied, 0 not,
// -999999 without equations.
int checkTadpoleParameters(const int params[]);
void printParametrizedSolution(KernelData* KD, int N, const int x[]);
void PrintRank(KernelData* KD, int N, const int x[]);
std::string BraneLabelString(int b);
std::string getBoundaryInfoString(int b);
int OrthogonalGroupCheck(const int cp[]);

// ---------------------------------------------------------------------------------------
// Accumulator of real linear equations meant to have integer solutions.

// The enumeration record: fn(k, pointer, point) returns the acceptance of a point.
struct DoubleEquationEnumeration {
  int k = 0;
  const int* pointer = nullptr;
  int count = 0;
  int stopAfterFirst = 0;
  int (*fn)(int k, const int* pointer, const int solution[]) = nullptr;
};
// Rows are n coefficients and a constant (sum a_j x_j + a_n = 0). Modes: 0 reset; 1 add
// and solve when determined (1 added, 2 redundant, -1 contradiction, 0 solved with *out the
// solution, -2 not integral); 5 add only; 2 enumerate [lower, upper); 3 print; 4 integer
// rows (c + 10) or the solution into row (0); 6 row count; 7 integer rows (c); 8 test the
// vector in lower (0 holds, -3 not). Any mode but 0 before the first reset: -4.
int CollectDoubleEquations(int n, double row[], int** out, int mode, int lower[], int upper[],
                           DoubleEquationEnumeration* record);
// 1, or 0 when some coefficient cannot be made integral (multipliers up to 1024).
int convertEqnsToIntegers(double rows[], int out[], int n, int nrows);
int solveForUnknownCoefs(const int undetermined[4], const double coef[5], const int charges[4],
                         int divisor, int n);
