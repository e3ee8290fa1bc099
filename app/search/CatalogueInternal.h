// Shared between the files of the catalogue module (Catalogue*.cpp); not for other modules.
#pragma once

#include <string>
#include <vector>

#include "search/Catalogue.h"

// Per-file state resets, called by resetCatalogue.
void resetCatalogueLock();
void resetCatalogueFiles();
void resetCatalogueIdentity();
void resetCatalogueCharges();

// The catalogue read for a merge: afresh, and with any fault of the file (unreadable, a
// malformed line, a full catalogue) refused instead of skipped. -1 on such a fault; text
// receives the file's bytes.
int readCatalogueForMerge(std::string& text);
// Rows whose first `length` ints equal those of row, in file order.
std::vector<int> catalogueRowsMatching(const int* row, int length);

// Letters of the stacks.
inline constexpr char kStackLetters[] = "abcd";
// First and second stack of each pair ab, ac, ad, bc, bd, cd.
inline constexpr int kPairFirst[6] = {0, 0, 0, 1, 1, 2};
inline constexpr int kPairSecond[6] = {1, 2, 3, 2, 3, 3};
// Pair index of stacks (i, j), i != j; -1 on the diagonal.
inline constexpr int kPairIndex[4][4] = {
    {-1, 0, 1, 2}, {0, -1, 3, 4}, {1, 3, -1, 5}, {2, 4, 5, -1}};
