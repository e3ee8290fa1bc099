// The printed reports of string spectra: the open sector of a brane configuration (by
// space-time class, or detailed per primary), the non-supersymmetric statistics, the whole
// six-dimensional analysis with its anomaly tests, the open-string tachyon walk, the
// supercurrent charges of boundaries, and the tests of the string spectrum's kind
// (four-dimensional chiral supersymmetry, six-dimensional supersymmetry).
//
// The walks read the massless and tachyonic primaries and their class weights through a
// small access record (`setOpenReportSource`) whose default is the string reading; tests
// install made-up ones. Amplitudes come from `openAmplitudes()` (strings/OpenTachyons.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "lie/Branching.h"
#include "strings/OpenSpectrum.h"

struct StringBlock;

struct OpenReportSource {
  std::vector<int> (*massless)();        // massless primaries, the vacuum first
  std::vector<int> (*tachyonic)();       // tachyonic primaries other than the vacuum
  std::array<int, 4> (*repInfo)(int i);  // class weights of a primary
};
void setOpenReportSource(const OpenReportSource* source);  // nullptr: the default
void resetOpenReports();

// The space-time symmetry of a string spectrum for a sector letter (B, I, L, O, R, X);
// the result of getSpaceTimeSymmetry (negative: inconsistent).
int stringSpaceTimeSymmetry(const StringBlock* spectrum, SpaceTimeSymmetry* st, char code);
// Number of representation classes of the record's first half.
int openClassCount(const SpaceTimeSymmetry* st);

// 1 for a four-dimensional spectrum whose halves (read with the letter) are both
// supersymmetric with chiral representations; else 0, the first failing reason printed
// when verbose is 1.
int CY_Check(char letter, int verbose);
// 1 in superstring mode for a six-dimensional spectrum supersymmetric on both halves.
int SixDimSusy();
// Supercharge counts of the two halves of the bulk spectrum.
struct BulkSupersymmetry {
  int left = 0;
  int right = 0;
};
// Writes the right and the left count and returns the left one; 1 when the user stops
// after an inconsistent theory, 0 without a spectrum.
int findBulkSupersymmetry(BulkSupersymmetry* record);

// One-stack and bifundamental lines of the detailed listings. positions: the number of
// places; star: the sign that gets the '*' (+1: positive signs, -1: negative ones).
std::string oneStackLines(int i, int position, int positions, int A, int M, int w, int sign,
                          int adjoint, int star);
std::string twoStackLine(int i, int p, int q, int positions, int A, int w, int signP, int signQ,
                         int star);
void PrintRep1(int g, int groups, int A, int M, int w, int i, int s);
void PrintRep2(int groups, int g, int h, int A, int w, int i, int s, int t);
std::string PrintRep1string(int position, int n, int A, int M, int w, int i, int s, int adjoint);
std::string PrintRep2string(int n, int p, int q, int A, int w, int i, int s, int t);

// The rows of one class with its representation header ("\n --- Representation" when the
// class text changed since the last one printed).
void PrintOpenSpectrum(RepresentationStore* store, SpaceTimeSymmetry* st, const ChanPatonData* cpd,
                       int k);
// The open sector of a configuration by class k = 1 .. K-1, rows charged under the fixed
// stacks first, chiral rows first within each part (GeneralOpenSectorAnalysis after it
// has read the spectrum).
void openSectorByClass(const ChanPatonData* cpd, SpaceTimeSymmetry* st, int K);
// Prints the statistics of classes 1 and 2 (the stores are changed) and returns the six
// numbers: net representation sum, net dimension sum, susy and non-susy multiplets, sum of
// squared net multiplicities and its dimension-weighted form.
std::array<long long, 6> analyseNonSusySpectrum(RepresentationStore* class1,
                                                RepresentationStore* class2,
                                                const ChanPatonData* cpd);

// 1 after a full six-dimensional analysis, 0 when stopped early, -1 on failure.
int SixDimensionalAnalysis(ChanPatonData* cpd, int mode);
int DetailedGaugeSectorAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st);
int DetailedOpenSectorAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st);
// 1 when the configuration has a tachyonic open-string state, else 0.
int OpenSectorTachyonAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st);

// Supercurrent charges of boundary b; 0.
int BulkSusyLocalityCheckForLabel(int b);
