// Axions of the current orientifold and the axion charges of the boundaries.
//
// The closed-string two-forms (axions) couple to boundary b through
// c_k(b) = R(m_k, b) - R(m_k, b*), b* the orientifold image of b. Each axion's couplings
// are divided by its first non-zero coupling (over the boundaries in increasing order),
// which must leave them real; axions with identical normalised couplings count once. The
// normalised rows, sign-fixed so that the first non-zero entry is positive, are stored once
// each; a basis of rows is chosen so that every row is an integer combination of it, and
// those integers are the axion charges.
//
// `AxionCount`: the number of independent axions (the basis size); -1 when the axions
// could not be determined (too many, a complex coupling, charges that are no fractions of
// denominator at most 144), -2 when no integral basis was found. Callers treat a negative
// count as "axions not determined".
//
// The results are rebuilt when the orientifold sequence changes; resetAxions() forgets
// them and the run-long flags.
#pragma once

#include <complex>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// What the charge computation makes of a set of rows.
struct AxionTable {
  int axions = 0;                          // axions listed (with conjugates)
  int independent = 0;                     // axions counted once per class
  int AxionCount = 0;
  std::vector<int> AxionBoundaryMap;       // per boundary: r + 1, -(r + 1) or 0
  std::vector<std::vector<double>> rows;   // distinct rows over the independent axions
  std::vector<int> AxionBasis;             // row indices
  std::vector<std::vector<int>> AxionCharges;  // per row, AxionCount charges
  std::vector<int> rowBoundary;            // per row: the first boundary b with it, as
                                           // b + 1, or -(b + 1) when b has minus the row
  int retries = 0;
};

// The whole computation on given couplings (couplings[b][k] of boundary b to axion k).
// countOnly stops after counting the independent axions. stored: a basis (row indices in
// norm order) to try first, or nullptr. Returns AxionCount.
int AX_buildTable(const std::vector<std::vector<std::complex<double>>>& couplings, AxionTable* table, bool countOnly,
                  const std::vector<int>* stored);
// Basis and integer charges of rows of one length: 1 found, 0 not (irrational or
// non-integral charges), -1 not determined.
int AX_computeCharges(const std::vector<std::vector<double>>& rows, std::vector<int>* basis,
                      std::vector<std::vector<int>>* charges, int* retries);
// A stored basis line is usable when it names count distinct rows in 0 .. rows - 1.
bool AX_validStoredBasis(const std::vector<int>& stored, int count, int rows);

// The axion list of the current bulk invariant (Ishibashi labels); mode 1 returns it
// unchanged, any other mode rebuilds it.
const std::vector<int>& getAxionList(int mode);
int axionCheck(int field);
int axionInfo(int field, int* s, int* t);
// Builds the table for the current orientifold unless current; mode 1 stops after the
// count of independent axions.
void getIndependentAxionBoundaries(int mode);
int getAxionCount();
// The charges of boundary b (AxionCount entries; zeros when it couples to nothing).
std::vector<int> getAxionChargesForBoundary(int b);
void printAxionChargesForBoundary(int b);
// The summary; with a file also its one-line record. The reports and the basis file name
// carry the tensor file identifier of the theory the data were built for (0 for a single
// algebra).
void printAxionInformation(FILE* file);
// The case line of the axion reports, "Tensor ... Orientifold ...; Hodge numbers
// (h_11,h_21)=(h11,h21)". `summary` is the heterotic spectrum summary, which holds h_21 in
// entry 1 and h_11 in entry 2; the line names both, in the order "browse hodge" prints.
void AX_printCaseLine(int tensor, int MIPF, int orientifold, const std::vector<int>& summary);
// The count lines of the summary: signatures (s, t) one per axion; with a file its record
// (which starts with the given text) is completed and written.
void AX_printCountSummary(int count, const std::vector<std::pair<int, int>>& axionSignatures, FILE* file,
                          std::string record, int tensor, int MIPF);
int readAxionBasis(std::vector<int>* stored);
void writeAxionBasis();
const AxionTable& getAxionTable();
void resetAxions();

// Consistency check of the charges of boundary b: its couplings to every axion must be
// the charge-weighted sum of the couplings of the basis rows' first boundaries. Nothing is
// checked for a boundary equal to its image. 1 consistent, 0 after a "Different results"
// line and an alert.
int CheckBoundaryTadpoleCharges(int b);
// The core of that check on given couplings: target[m] against the sum over k of
// charges[k] * signs[k] * basis[k][m]. The first axion m whose real plus imaginary
// difference exceeds 1e-7, or -1 when all agree.
int AX_firstChargeMismatch(const std::vector<std::complex<double>>& target, const std::vector<int>& charges,
                           const std::vector<int>& signs,
                           const std::vector<std::vector<std::complex<double>>>& basis);
