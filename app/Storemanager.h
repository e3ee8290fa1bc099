// The CFT store: the record of every conformal field theory built so far.
//
// STAND-IN until the store exists: one minimal record per (type, rank, level), enough to
// make a theory current at start-up.
#pragma once

#include <string>

struct SpectrumData {
  int type = 0;
  int rank = 0;
  int level = 0;
  int n_primaries = 0;
  std::string name;
};

// The record for these numbers, taken from the store or created there.
SpectrumData* SM_getData(int type, int rank, int level);
// Binds the store's parameters.
void initializeStoremanager();
