// Open strings of brane configurations: the Chan-Paton record of a configuration, the
// massless open-string representations read off the annulus and Moebius coefficients
// (symmetric and antisymmetric tensors, adjoints, bifundamentals) with their
// multiplicities and chiralities, hypermultiplet pairing and the printers of the rows.
//
// A representation row has one code per stack (0 uncharged, +-1 V/V*, +-2 S/S*, +-3
// A/A*, 4 adjoint) and, as payload, the net chirality; its count is the total (unsigned)
// multiplicity. A row stands for a representation together with its conjugate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OrientifoldInfo;
struct StandardModel;
struct SearchData;

// The Chan-Paton data of a brane configuration: stacks on boundary labels with their
// multiplicities and group types (-1 symplectic, 0 unitary, 1 orthogonal). Both members of
// a complex pair carry the multiplicity of the pair; 0 marks an unused label.
struct ChanPatonData {
  OrientifoldInfo* orientifold = nullptr;
  std::vector<int> multiplicity;  // per boundary label
  int boundaries = 0;
  int observableStacks = 0;       // fixed or standard-model stacks, which come first
  int stacks = 0;
  std::vector<int> stackLabel;    // per stack its boundary label
  std::vector<int> stackType;     // per stack its group type
  std::vector<int> stackMultiplicity;
  std::vector<int> distinctBrane; // per boundary label its distinct brane, -1 absent
  StandardModel* model = nullptr;
};

// The representations of one space-time class: rows of n codes, each with its chirality
// and count. Rows are unique in their codes.
struct RepresentationStore {
  int stacks = 0;
  std::vector<std::vector<int>> codes;
  std::vector<int> chirality;
  std::vector<int> count;

  void reset(int n);
  int size() const { return static_cast<int>(codes.size()); }
  // Index of the row with these codes, appended (count 0, chirality 0) when absent.
  int find(const std::vector<int>& row);
};

void initializeOpenSpectrum();
void resetOpenSpectrum();

// The letter of a group type: -2 ' ', -1 'S', 0 'U', 1 'O'; 'X' after an alert otherwise.
char charType(int type);
// The Chan-Paton group of a stack of N branes as printed everywhere: "Sp(N)" (type -1;
// N counts branes, so Sp(16) has rank 8), "U(N)" (0), "O(N)" (1); another type gets its
// letter from charType.
std::string chanPatonGroupName(int type, int N);

// One stack x with annulus A and Moebius M (adjoint: A counts adjoints), weight w and
// chirality sign: (A + M)/2 symmetric and (A - M)/2 antisymmetric tensors. Returns the
// last row touched, -1 when nothing was added.
int CollectRep1(RepresentationStore* store, int x, int A, int M, int weight, int sign, int adjoint);
// Bifundamentals of stacks x and y.
int CollectRep2(RepresentationStore* store, int x, int y, int A, int weight, int signX, int signY);
// 1 when the row differs from its conjugate (unitary entries other than 4 change sign).
int ComplexRepresentation(int n, const int* row, const int* groupTypes);
// 1 when the rows pair into hypermultiplets; combine cleared when they cannot be combined
// into full ones.
int checkHypermultiplet(const RepresentationStore* store, const int* groupTypes, int* combine);
// N, N(N+1)/2, N(N-1)/2, N^2 for V, S, A and the adjoint; the product over the stacks.
std::int64_t OpenStringDim(int n, const int* row, const int* groupTypes, const int* multiplicities);
// The print-order weight of a row (64-bit, observable stacks first).
std::int64_t getRepresentationWeight(int n, const int* row, int chirality, int observable);
// Row indices in print order: descending weight, then descending entries.
std::vector<int> orderReps(const RepresentationStore* store, int observable);
// The text of one row (indent blanks first); "" when chiral_only hides it.
std::string printRepVeca(const RepresentationStore* store, int r, const int* groupTypes, const int* multiplicities,
                         int hyperOk, int combine, int indent, int chiralOnly);
// "Type:" and "Stack size:" lines of a configuration.
std::string groupHeader(const ChanPatonData* cpd);
void PrintGroups(const ChanPatonData* cpd);
// Collects the representations of space-time class k of the configuration from the
// current orientifold's annulus and Moebius coefficients.
void CollectOpenSectorRepresentations(const ChanPatonData* cpd, int k, RepresentationStore* store);
// The same for given massless primaries (the first entry, the vacuum, is skipped) with
// their weights in the class.
void collectRepresentations(const ChanPatonData* cpd, const std::vector<int>& massless, const std::vector<int>& weights,
                            RepresentationStore* store);

// The full report of a string spectrum: mode 0 closed and open sector, 1 open sector only,
// 2 closed sector only (cpd may be null), 3 the detailed open sector; 0 done, 1 nothing to
// do. The open sector of one configuration as one report (strings/OpenReports.cpp).
int GenericSpectrumAnalysis(ChanPatonData* cpd, int mode);
void GeneralOpenSectorAnalysis(ChanPatonData* cpd);
// Set by the standard-model search (OpenSpectrumStandIns.cpp holds the hooks): the search
// record with its counts refreshed (nullptr: there is none yet), and the analysis hook of
// discrete symmetries (1: nothing found against the configuration).
SearchData* getSearchData();
int CheckDiscreteSymmetriesForBraneConfiguration(ChanPatonData* cpd);
// Hooks for them, installed by the standard-model search's initialiser (nullptr restores
// the answers above).
void setSearchDataHook(SearchData* (*hook)());
void setDiscreteSymmetryHook(int (*hook)(ChanPatonData* cpd));
