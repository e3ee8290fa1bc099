// State shared by the files of the string-reading module.
#pragma once

#include <vector>

#include "strings/StringTheory.h"

struct StringTheoryState {
  const int* Super = nullptr;
  const int* InitDebug = nullptr;
  const int* Dimension = nullptr;
  const int* Graded = nullptr;

  // The tensor product's block and the ground-state contents of its fields (4 per field),
  // with what they were built for.
  StringBlock tensorData;
  std::vector<int> tensorContents;
  bool tensorBuilt = false;
  int tensorStamp = -1;
  int tensorPrimaries = -1;
  int tensorCap = -1;
  int tensorExtension = -2;
  bool tensorMisaligned = false;
  // The single theory's block as read from the store.
  StringBlock storeData;

  // The spectrum record and its two extension records, overwritten by every call.
  StringBlock spectrum;
  ChiralExtension leftExtension;
  ChiralExtension rightExtension;

  std::vector<int> wittenIndices;
  std::vector<int> masslessLabels;
  std::vector<int> bosonicLabels;
  std::vector<int> tachyonLabels;
  std::vector<int> twoFormLabels;
  int masslessStamp = -1;
  int bosonicStamp = -1;
  int tachyonStamp = -1;
  int twoFormStamp = -1;
  int ishibashiLabelCount = 0;

  // Tachyon check.
  TachyonHook hook = nullptr;
  std::vector<int> cancellable;
  int lastLeft = -1;
  int lastRight = -1;
  int nOri = 0;
  int nOriEffective = 0;
  std::vector<int> tachyonRecord;
  int recordNext = 1;
};

StringTheoryState& stringState();

// The ground-state contents (4 classes per field, in the classes of the lattice's space-time
// algebra, before the massless currents extend it) of every field of a product whose first
// factor is a covariant lattice; false, with no contents, for any other product.
// `pairwise` finds each field's distinct images by comparing every image with every one
// seen before, the first way of doing it (n |G|^2 row comparisons), kept so that tests and
// the benchmark can compare the two; else as the string reading does, by looking only for
// the images of the field's own weight (computeTensorContents).
bool tensorLatticeContents(TensorProduct* TP, bool pairwise, std::vector<int>* contents);
void computeTensorContents(TensorProduct* TP, int type, int rank, const BranchingTable* table,
                           std::vector<int>* contents);
void computeTensorContentsPairwise(TensorProduct* TP, int type, int rank, const BranchingTable* table,
                                   std::vector<int>* contents);
int superOn();
