// Dynkin index files of the store: for every primary of an affine Lie algebra the
// dimension of its ground-state representation and its higher Dynkin indices, exact.
//
// The index table of a record (its `indices` field) has n_primaries rows of rank + 1
// entries: entry 0 the dimension, entries 1..rank the indices of the orders that
// characterise the algebra (A_r: 2, 3, ..., r+1; B_r, C_r: 2, 4, ..., 2r; D_r: 2, 4, ...,
// 2r-2 and one more entry), each an exact large rational (spinor indices are fractions)
// or absent. The table is made once per record and lives while the store keeps the
// record (until resetModular in tests).
//
// The index file lives in the data folder, named by the theory's name up to its first
// blank followed by "_indices": one record per representation, made of the rank Dynkin
// labels ("%d " each, then a newline), the dimension, and rank index lines (a decimal
// integer or a reduced "num/den"). Only blank-separated words matter to the reader.
// For types A to D the records of the trivial and fundamental representations (closed
// formulas) are added whenever the file lacks them: a new, emptied or cut file. A file
// that ends inside a record loses that record, which is recomputed.
//
// The file is shared by every run that works on the theory: it is read and extended in
// place under its fcntl lock, new records appended one write each, and a record already in
// the file is never written again. When the file or its folder cannot be written (or
// there is no usable home to make the folder in), the records are kept in memory for the
// session, with one warning.
#pragma once

#include <string>

struct SpectrumData;
struct lint;
struct lrat;

// Number of representations read (or, once read, of rows with indices); -1 on failure.
int SM_loadIndices(SpectrumData* sd);
// Makes the index table with the dimensions, once.
void SM_loadDimensions(SpectrumData* sd);
// The index file name; empty after an alert when the data folder name is too long.
std::string SM_setIndexFileName(const SpectrumData* sd);
// 0 when the file was written, 1 after an alert when it could not be.
int SM_writeIndexFile(SpectrumData* sd, const char* path);
// Appends the record of field a (from the table) to the index file in one write under the
// file's lock, after reading what other runs appended meanwhile into the table. 0 when
// written; 2 when the file already holds a record of a (nothing is written); 1 when the
// records are kept in memory only (said once).
int SM_appendIndexRecord(SpectrumData* sd, int a);
// Appends the index of order m of a spinor representation (with its newline).
void SM_printSpinorIndex(std::string& out, int type, int rank, int m, int factor);
// The field whose labels equal labels (all but the affine label for types 1 to 5); -1.
int SM_getLieLabel(const SpectrumData* sd, const int* labels);
// Stores copies of rank large integers as entries 1..rank of row a.
void SM_addIndex(SpectrumData* sd, int a, const lint* indices);
// The same from rank large rationals (indices found from fusion may be fractions).
void SM_addRationalIndex(SpectrumData* sd, int a, const lrat* indices);
// Number of index entries per field after the dimension (0 before the table exists).
int SM_getIndexCount(const SpectrumData* sd);
// Entry e (0: dimension, 1..rank: indices) of field a; nullptr when absent.
const lrat* SM_getIndex(const SpectrumData* sd, int a, int e);
// The Bernoulli number B_m (B_1 = -1/2), exact.
lrat SM_bernoulli(int m);
// Tests only: forgets every index table made here (called by resetModular).
void resetStoremanagerIndexFiles();
