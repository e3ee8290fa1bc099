// The string reading of the current theory (a single algebra or the current tensor
// product): space-time dimension and its consistency, the superstring data block with the
// massless closed-string matrix, field predicates (massless, tachyonic, trivial), label
// lists, Witten indices, the orientifold multiplicity factor, and the closed-string
// tachyon check with its replaceable hook.
//
// Representation. In superstring mode ("Super" ON) the first tensor factor is a covariant
// lattice (B_r or D_r with r >= 4, E6, E7 or E8 at level 1). The lattice branches to the
// orthogonal algebra of its light-cone dimension; the massless currents of the chiral
// algebra (the lattice's own and those of weight 1, such as a Gepner model's spectral flow)
// extend that algebra, and the extended algebra (the algebra of the block's table, e.g.
// E6 -> D5 for space-time supersymmetry in four dimensions) is the space-time algebra whose
// classes index every representation vector: entry k of a field's vector is the
// multiplicity of class k among its ground states (class 0 the identity). A block
// (`StringBlock`) holds what one theory's reading needs; the tensor product's block is
// built here on demand and kept until the product changes. The massless matrix M has the
// left half's classes as rows and the right half's as columns.
//
// State. The label lists are stamped with the bulk-invariant number and rebuilt when it
// changes; everything else is recomputed on every call. The tachyon hook stays installed
// until replaced.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct BranchingTable;
struct BulkInvariant;
struct OrientifoldInfo;
struct TensorProduct;

// One chiral half's extension of the space-time algebra by massless currents.
struct ChiralExtension {
  const BranchingTable* table = nullptr;  // extended algebra -> space-time algebra
  std::vector<int> fields;                // the chiral-algebra fields read
  int count = 0;
  int residual = 0;                       // massless currents not absorbed
  int currents = 0;                       // ground states of the weight-one fields read
};

// The superstring data of one theory.
struct StringBlock {
  ChiralExtension* left = nullptr;
  ChiralExtension* right = nullptr;
  const BranchingTable* spaceTime = nullptr;  // its algebra names the classes
  int bulkFlag = 0;                           // symmetry flag of the bulk invariant
  int trivialMultiplicity = 0;                // N0: weight of the vacuum, transverse dimension
  int latticeDimension = 0;
  int spaceTimeDimension = 0;
  int implicitE8 = 0;
  int status = 0;                             // 1: unusable
  int M[4][4] = {};
};

// Start-up: binds "Super", "Init_debug" and "Dimension", installs the default tachyon hook
// and the tensor layer's reading of superstring data.
void initializeStringTheory();
void resetStringTheory();
// 1 when "Super" is on.
int superOn();

// ---------------------------------------------------------------------------------------
// Space-time dimension

// 26 - c when integral (within 1e-7), else -1 (with alert 100302 unless quiet).
int getConformalSpaceTimeDimension(int quiet);
// Caps the block's dimension by "Dimension", compares with 26 - c: 0 consistent (a
// difference of 8 sets the implicit-E8 flag), 1 not.
int getSuperstringSpaceTimeDimension(StringBlock* block, int quiet);
// The pure comparison behind it: lattice dimension L, cap (0: none), conformal dimension
// Dc (negative: inconsistent). Writes the dimension and flag; 0 consistent, 1 not.
int compareSpaceTimeDimensions(int latticeDimension, int cap, int conformalDimension, int* dimension,
                               int* implicitE8);
int CheckSpaceTime();
double OrientifoldMultiplicity();

// ---------------------------------------------------------------------------------------
// Superstring data and the string spectrum

// The current block, or nullptr (then "Super" has been switched off).
StringBlock* getStringData();
// The spectrum with extensions and massless matrix, recomputed at every call; nullptr
// without data. Mode 1 prints the kind of invariant.
StringBlock* getStringSpectrum(int mode);
void computeMasslessSpectrum(BulkInvariant* bulk, StringBlock* spectrum);
// Space-time algebra of a block (type code 2 B, 4 D, 5 exceptional by rank).
void spaceTimeAlgebra(const StringBlock* block, int* type, int* rank);
int CheckExtensionChirality();

// With "Super" and "Graded" on: 1 after a warning (Alert 100201) that names the fix when
// the space-time lattice (a B or D algebra, the first factor) is not graded while an
// internal factor is; the string reading then leaves out every field whose lattice sector
// (NS: identity and vector; R: spinors) differs from an internal factor's grade. Else 0.
int warnMisalignedSectors(TensorProduct* TP);

// ---------------------------------------------------------------------------------------
// Fields

// Representation vector of field i (four ints; zeros when unknown).
std::array<int, 4> getRepInfo(int i);
// 1 when the vector carries no non-identity class of the block's space-time algebra.
int checkTriviality(const StringBlock* block, const int* rep);
// The same test for an algebra given by code and rank.
int trivialForAlgebra(int type, int rank, const int* rep);
// Flag 0: massless; flag 1: tachyonic; in superstring mode non-trivial content required.
int masslessCharacter(int i, int tachyon);
int getTachyonDimension(int i);
// Witten index of a field's vector: rep[1] - rep[2] for E6, else 0.
int wittenIndexOf(int type, int rank, const int* rep);
const std::vector<int>& getWittenIndices();
int UnphysicalTadpole(int m);

const std::vector<int>& getMasslessLabels();
const std::vector<int>& getBosonicMasslessLabels();
const std::vector<int>& getTachyonLabels();
const std::vector<int>& getTwoFormLabels();

// Hodge numbers read from the massless matrix column 1 (entries M[0..3][1]), adjusted for
// the left and right supercharge counts in dimension 4: info[1], info[2].
void adjustHodgeNumbers(int dimension, int leftSusy, int rightSusy, const int column[4], int* h1,
                        int* h2);
// Eight ints: singlets, the two Hodge numbers, M[3][1], residual counts, supercharges;
// empty without a spectrum.
std::vector<int> getHeteroticSpectrumInfo();

// ---------------------------------------------------------------------------------------
// Closed-string tachyons

using TachyonHook = int (*)(int mode);
int null_function(int mode);
void setTachyonFunction(TachyonHook hook);
TachyonHook getTachyonFunction();

// What the tachyon check reads of the orientifolds; the boundary layer by default.
struct TachyonOrientifolds {
  int (*setUp)();                                   // 0 when ready
  OrientifoldInfo** (*list)(int* total, int* count);
  OrientifoldInfo* (*select)(int i);
  int (*klein)(int i);
  void (*recompute)(BulkInvariant* bulk);
  OrientifoldInfo* (*current)();
};
void setTachyonOrientifolds(const TachyonOrientifolds* access);  // nullptr: the default

int checkTachyon(int flag, int verbose);
int checkUnorientedTachyon(const std::vector<int>* list);
int TachyonCheckForLabels(int a, int b, BulkInvariant* bulk);
int fastTachyonCheck(int a, int b, BulkInvariant* bulk);
int cancellableTachyon();
// The tachyon status of the current bulk invariant (-1 undecided, 0 none, 1 fatal).
int tachyonStatus();

int recordTachyonFreeCase(int mode);
const std::vector<int>& getTachyonRecord();

// ---------------------------------------------------------------------------------------
// Gauge group of a string spectrum

// A tensor factor that the currents leave free: its algebra and its spin-1 currents.
struct FreeGaugeFactor {
  int type = 0;
  int rank = 0;
  int spinOne = 0;
};
// The gauge-group line: "\n", the space-time factor's name after "Gauge group: ", " x E8"
// for the implicit factor, each free factor of a kind it names (A to G, U(1); its currents
// taken off count), and the currents left over as " x [Unidentified (dim=%d)]\n" (else
// "\n"; a negative rest is an alert). count holds the currents beyond the named space-time
// factor; without a count (std::nullopt) the named factors are printed and nothing else.
std::string gaugeGroupText(int type, int rank, int implicitE8, const std::vector<FreeGaugeFactor>& free,
                           std::optional<int> count);
// The spin-1 currents of the space-time factor that the gauge-group line names (the
// adjoint of B_r, D_r, F4, E6, E7 or E8); 0 for an algebra it does not name.
int namedGaugeFactorDimension(int type, int rank);
