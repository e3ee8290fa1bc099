// MIPF data and Hodge files of the Calabi-Yau tensor products of N=2 minimal models.
//
// A long scan runs through every simple-current invariant of the current tensor product
// and appends, per invariant, one line to a data file (".mipf_data" or ".hodge"):
//   h21 h11 singlets left right susyL susyR symmetric boundaries kernel generators
//   MIPF subgroup name
// The file ends, once the scan is complete, with a line of thirteen zeros and "name". A
// data file that lacks that line is resumed after its last whole line. Beside the data
// file the module keeps "_summary" (the distinct rows with their counts, most chiral
// first) and, for ".mipf_data", "_summary_hodge" (rows merged over boundaries, kernel and
// generators).
//
// Representation. `Spectra` holds the rows of the scan (11 ints for ".mipf_data", the
// first 10 for ".hodge"); a row is identified by its first 9 (resp. 8) ints, and rows
// equal there are counted, not repeated, keeping the first row's other entries.
// `Spectra2` merges rows by their first 8 ints. Data lines are appended with one write
// each, summaries written whole through a temporary file that is renamed into place.
// State lives for the run; resetHodgeFiles() restores the start state.
#pragma once

#include <string>
#include <vector>

// Entries of a MIPF data row.
constexpr int kMIPFDataRowLength = 11;

// A counted collection of integer rows of one length, identified by a prefix.
struct HodgeCollection {
  int rowLength = kMIPFDataRowLength;
  int idSize = 9;
  std::vector<std::vector<int>> rows;
  std::vector<long long> counts;

  void clear(int length, int identification);
  // Adds count to the row equal on the identification prefix (the first rowLength ints
  // of row are stored for a new one); its 0-based position. *isNew tells which.
  int add(const int* row, long long count, bool* isNew);
  int size() const { return static_cast<int>(rows.size()); }
};

// Sort order of summaries over n ints: > 0 when a comes before b (larger |h21 - h11|,
// then larger h21 - h11, larger h21, more singlets, then lexicographically larger).
int compareHodgeVec(const int* a, const int* b, int n);
// The summary text: one line per row, greatest first, ties in order of position.
std::string hodgeSummaryText(const HodgeCollection& collection);
// Writes the summary afresh; false after an alert when it cannot be written.
bool writeHodgeSummary(const std::string& file, const HodgeCollection& collection);

// One data line (11 entries, MIPF number, subgroup label, name) and the terminator line.
std::string MIPFDataLine(const int* row, int mipf, int subgroup, const std::string& name);
std::string MIPFDataTerminator();

// Reads a data file into `Spectra` (emptied first with the row length of kind). Returns 1
// when the file is complete (subgroup and label then -1), 0 when it is to be resumed (the
// "_summary" is then rewritten; next is the item after the last MIPF number, subgroup the
// largest subgroup label, label the MIPF number that opened it, unchanged while no line
// has a subgroup label above 0), -1 when the file is no MIPF data file, holds a value out
// of its range or is unreadable (an alert names the line; the file is left as it is). A
// last line without its newline is what a stopped run left: it is cut off the file and
// its MIPF counts as not analysed. kind 1 ".mipf_data", 0 ".hodge".
int readHodgeData(const std::string& file, int kind, int* next, int* subgroup, int* label);
// "_summary" of the data file from `Spectra`, for kind 1 also its "_hodge" companion.
void writeMIPFDataSummary(const std::string& file, int kind);
// `Spectra2` from `Spectra`, written as the summary's "_hodge" companion.
void writeRestrictedHodgeSummary(const std::string& summaryFile);

// The scan of every simple-current invariant of the current theory into the data file
// stem + ".mipf_data" (kind 1) or ".hodge" (kind 0); collect 1 stores the invariants as
// it goes. Returns 0, or 1 when the data file could not be used.
int HodgeScan(const std::string& stem, int kind, int collect);

// The work of "account heterotic": appends the current invariant's line to
// directory + name + ".mipf_data" (mode 1) or ".hodge" and counts the row. 0 written,
// 1 nothing written (no heterotic summary, no current invariant, or no file).
int storeMIPFData(int mode, const std::string& directory, const std::string& name);
// The row of the current invariant (kind as above); empty when it cannot be computed.
std::vector<int> currentMIPFDataRow(int mode);

const HodgeCollection& getHodgeSpectra();
const HodgeCollection& getRestrictedHodgeSpectra();
// Lines written by storeMIPFData since start-up.
long long getMIPFDataLineCount();

void resetHodgeFiles();
