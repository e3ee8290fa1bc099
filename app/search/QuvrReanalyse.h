// Catalogue-wide re-analysis: each type re-examined through the d-stack step of the
// search on its own chiral data, the degeneracy classes of the matching pure intersection
// spectra with their linear relations between the c and d multiplicities, the summary
// file "ModelSummary.list", the real forms of unitary stacks ("realform QUVR") and the
// recomputed extended information ("extend QUVR", written to "ModelsNEW.list").
//
// A pure intersection spectrum is a row of 64 ints: 0-3 group codes, 4-7 sizes, 28-29
// the hypercharge coefficients of a and b, 30-34 and 35-39 the multiplicities of the c and
// d charges 1, 1/2, 0, -1/2, -1, 41 the particle count, 43 the class (0, 1, 2), 44 the
// matching catalogue type (-1 none), 45-52 identification digits, 53-63 particle counts.
#pragma once

#include <string>
#include <vector>

#include "search/QuvrGuided.h"

void resetQuvrReanalyse();

// Passes of the full analysis, in order.
inline constexpr int kQuvrPasses[7] = {20, 15, 10, 0, 1, 2, 3};

// 0 done, 1 failed (catalogue missing, an unexpected U value or an internal mismatch).
int FullQUVRAnalysis(int U);
int ReanalyseQUVR(int type, int U);
// Whether pass U takes a record (U = -1 takes every record).
bool reanalysisTakes(const int* record, int U);
void RealFormQUVR();
void ExtendQUVR();
void AnalyseIntersectionPatterns();

// The pure intersection spectra of the type under re-analysis: emptied before the search's
// last-brane step runs in re-analysis mode (findLastSMBrane(10)), filled by its charge
// look-up with 64-int rows, read by the re-analysis afterwards. A row whose first 41
// entries equal a stored row's is not added again.
// The pure intersection spectra of the last d-stack step in re-analysis mode (64 words each;
// kept by the catalogue's charge look-up).
std::vector<std::vector<int>> pureIntersectionSpectra();
void addPureIntersectionSpectrum(const std::vector<int>& row);

std::string AnalyseDegeneracyEquations(const QuvrEquations& equations);
void PrintConstraints(const int values[3], int f);
void PrintTerm(int value, int term, int f);
void PrintNcNdRelation(std::string& text, int p, int q, const int R[3], int f);
void auxNcNdString(std::string& text, int c, int isD);

std::string GroupString(const int* row);
std::string Ystring(int ya, int yb, int tc, int nc, int td, int nd);
void PrintPureSpectrumVector(const int* row, int number, int mode);
int DetermineClassCount(const std::vector<std::vector<int>>& spectra, int cls);
