// Private helpers shared by the store's query, arithmetic and special-theory files.
#pragma once

#include <cstddef>

#include "store/Storemanager.h"

// Resets of the state kept by each file (called by resetStoremanagerQueries).
void resetStoremanagerArithmetic();
void resetStoremanagerConjugates();
void resetStoremanagerTables();

// Label vector of field a (no range check: callers check first).
inline const int* storeLabelOf(const SpectrumData* sd, int a) {
  return sd->labels + static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->rep_size);
}
inline int* storeLabelOf(SpectrumData* sd, int a) {
  return sd->labels + static_cast<std::size_t>(a) * static_cast<std::size_t>(sd->rep_size);
}
// Order and number of cyclic factors of the record's group (1 and 0 without a group).
int storeGroupOrder(const SpectrumData* sd);
int storeGroupFactors(const SpectrumData* sd);
// Field index check without a message.
inline bool storeIsField(const SpectrumData* sd, int a) { return a >= 0 && a < sd->n_primaries; }
