// Private state and helpers of the module Coset, shared by its source files.
#pragma once

#include <array>
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

  // The fields with a non-trivial untwisted stabiliser of a spectrum (CosetConjugates.cpp).
  const TensorProduct* resolvedFor = nullptr;
  std::uint64_t resolvedVersion = 0;
  std::vector<int> resolvedColumns;

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

// The tachyon table emptied.
void resetCosetTachyons();

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
// Flat tables of the loops over label rows (CosetFieldTables.cpp)

// A work row of n ints for one call: inside the object for the usual few factors, on the
// heap beyond (no allocation per field in the loops that make one per field).
class ShortRow {
 public:
  explicit ShortRow(std::size_t n) {
    if (n > kInline) heap_.resize(n);
    data_ = n > kInline ? heap_.data() : inline_.data();
  }
  ShortRow(const ShortRow&) = delete;
  ShortRow& operator=(const ShortRow&) = delete;
  int* data() { return data_; }

 private:
  static constexpr std::size_t kInline = 32;
  std::array<int, kInline> inline_{};
  std::vector<int> heap_;
  int* data_ = nullptr;
};

// getRepresentative into out (whose storage the loops reuse).
void representativeInto(TensorProduct* TP, const int* labels, std::vector<int>& out);

struct OrbitTables;
// The tables of TP, made on first use and remade when its factors no longer answer as
// they did; forgotten when its input changes.
OrbitTables* orbitTables(TensorProduct* TP);
void forgetOrbitTables(const TensorProduct* TP);
void resetOrbitTables();
// tensorSimpleAction through the tables (out non-null).
void flatSimpleAction(TensorProduct* TP, const int* J, const int* a, int* out);
// SM_getCurrentTwist of factor i, kept once found.
int flatCurrentTwist(TensorProduct* TP, int i, int a, int K, int J);
// TensorRatWeight from the integer weights (exact := its result); false where those do
// not apply (weights not exact or too large, labels outside a factor).
bool fastTensorRatWeight(TensorProduct* TP, const int* labels, Rat* q, int* exact);
// The answers of the routines of the same name without the "fast" from exact integer
// weights; false, -2 or kNoFastAnswer where they do not apply (the caller then runs the
// routine itself): weights that are not exact or too large, labels outside a factor, or
// an orbit whose members do not all have the same weight modulo 1. fastFindOrbit gives
// -1, without a message, when the orbit's representative with the row's resolution label
// is not a field.
bool fastRepresentative(TensorProduct* TP, const int* labels, std::vector<int>& out);
int fastFindOrbit(TensorProduct* TP, const int* row);
bool fastGradedMinimalForm(TensorProduct* TP, int* labels);
inline constexpr int kNoFastAnswer = -2;
// -1, 0 or 1: whether the least member GMF(J x labels), J < rows (gmf: graded minimal
// forms), is below, equal to or above the reference member (one of them).
int fastMinimumOrder(TensorProduct* TP, const int* labels, int rows, bool gmf, const int* reference);
// S := the chiral-algebra rows J (all rows, in order) with J x labels = labels.
bool fastStabilizer(TensorProduct* TP, const int* labels, std::vector<int>& S);
int fastCompareOrbitGenerators(TensorProduct* TP, const int* a, const int* b);

// ---------------------------------------------------------------------------------------
// S of the extended theory along a row (CosetModular.cpp)

// element(j) is getCosetS(TP, i, j); what the row's elements share (the factor elements
// of i's labels, rotations, characters) is kept for the next column.
class CosetSRow {
 public:
  CosetSRow(TensorProduct* TP, int i);
  ~CosetSRow();
  CosetSRow(const CosetSRow&) = delete;
  CosetSRow& operator=(const CosetSRow&) = delete;
  void element(int j, double* re, double* im);

 private:
  struct Caches;
  TensorProduct* TP_;
  int row_;
  std::unique_ptr<Caches> caches_;
};

// ---------------------------------------------------------------------------------------
// Fixed-point resolution (CosetFixedPoints.cpp)

struct TensorHooks;
// Puts the fixed-point and symmetry services of this layer into the hooks.
void installFixedPointHooks(TensorHooks& hooks);
