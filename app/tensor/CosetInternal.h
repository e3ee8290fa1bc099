// Private state and helpers of the module Coset, shared by its source files.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tensor/Coset.h"

struct lint;

struct CosetState {
  // Settings, read live (NULL before start-up binds them: the defaults then hold).
  const int* graded = nullptr;
  const int* super = nullptr;
  const int* maxPrimaries = nullptr;
  const int* heteroticFactors = nullptr;
  const std::string* tensorName = nullptr;
  const std::string* liftSymbol = nullptr;

  // Records made besides currentTensor (owned here, never moved).
  std::deque<std::unique_ptr<TensorProduct>> records;

  // Conjugates: the factors' conjugates are set up on first use; the S method (the next
  // stage of the tensor layer) is switched off for good by getTensorConjugate(-2).
  bool conjugatesInitialized = false;
  bool sMethodOff = false;

  // The minimal-model table, built on first use.
  bool minimalTableBuilt = false;
  std::vector<std::vector<int>> minimalLevels;
  std::vector<std::int64_t> minimalCodes;

  // The row selection of the display commands (bound at start-up, read live).
  const int* selectedNum = nullptr;
  const int* selectedDen = nullptr;
  const int* masslessOnly = nullptr;

  // 1: the S routines trace every call.
  int sCallTrace = 0;

  // Cache of getStoredOrbitMember.
  int storedJ = -1;
  int storedField = -1;
  std::vector<int> storedMember;
};

CosetState& cosetState();

inline int settingOn(const int* pointer) {
  return pointer != nullptr && *pointer != 0 ? 1 : 0;
}
int maxPrimariesSetting();
int heteroticFactorsSetting();

// Factor helpers.
int factorGroupOrder(const SpectrumData* sd);
// Group-element order of current J of a factor.
int factorCurrentOrder(const SpectrumData* sd, int J);
// Rational weight of field a of a factor (reduced); 1 when exact.
int factorRatWeight(const SpectrumData* sd, int a, Rat* h);
bool factorGraded(const SpectrumData* sd);
int gradeFlip(const SpectrumData* sd, int a);
// The ground-state dimension of field a of a factor as a large integer; false when the
// factor has none (CosetFields.cpp).
bool factorDimension(SpectrumData* sd, int a, lint* out);

// Marks the record changed (every derived table invalid).
void markChanged(TensorProduct* TP);

// Row of the extended spectrum with an fp label appended to factor labels.
std::vector<int> withLabel(const int* labels, int n, int fpLabel);
// Conjugate computation starts afresh (the factors' tables are set up again).
void resetTensorConjugates();
void resetStoredOrbitMember();
// J x a for chiral-algebra row J and spectrum row f (resolution label kept).
const int* getStoredOrbitMember(TensorProduct* TP, int J, int f);

// Codes of tensor products and the name table.
void resetMinimalTable();

// ---------------------------------------------------------------------------------------
// Permutations and outer automorphisms of the factors (CosetPermutations.cpp)

// Start state of the permutation caches and of the ignore-automorphisms switch.
void resetCosetPermutations();
// The kept field permutations (CosetExchange.cpp): forgotten when their record changes,
// and the empty start state.
void forgetFieldPermutations(const TensorProduct* TP);
void resetCosetExchange();

// ---------------------------------------------------------------------------------------
// Stored theories made from tensor products (CosetCreate.cpp)

struct CosetCreateState {
  TensorProduct* createTensor = nullptr;  // the builders' product (owned by `records`)
};
CosetCreateState& cosetCreateState();

// ---------------------------------------------------------------------------------------
// Fixed-point resolution (CosetFixedPoints.cpp)

struct TensorHooks;
// Puts the fixed-point and symmetry services of this layer into the hooks.
void installFixedPointHooks(TensorHooks& hooks);
