// STAND-INS for services of subsystems that are not built yet, as the command set calls
// them: the modular data of the current theory (S and P elements as text, fusion by the
// Verlinde formula, simple-current queries, the bulk-invariant bookkeeping), the store's
// look-up of a field by its Dynkin labels, the "Spectrum" table cells, and the label
// counts of boundaries, Ishibashi states and tensor factors.
//
// Each lives in a namespace of its own so that it never collides with the real service
// when that arrives; the command set then drops the stand-in and calls the real one. They
// answer for the current single theory (currentSD) only: tensor products are not built.
#pragma once

#include <string>

#include "MathUtility.h"

struct SpectrumData;

namespace ModularSeam {

// Name of the current theory.
std::string getCFTname();
// S(i, j) and P(i, j) of the current theory.
void compS(int i, int j, double* re, double* im);
void compP(int i, int j, double* re, double* im);
// Prepares S for heavy use (nothing to prepare: the store computes on demand).
void initSMATRIX();
// 1: S of a stored theory is symmetric in the store's field order.
int S_Symmetric();
// One line "S(i,j) = value" / "P(i,j) = value", label padded to 2w+5 for w the digits of
// the number of primaries; complex values with their phase as a fraction of a turn.
std::string displayS(int i, int j);
std::string displayP(int i, int j);
std::string printModMatElt(double re, double im);
// Writes P orbit rows of large theories to disk (none below 5000 orbits: nothing to do).
void writePOrbits();
// Fusion coefficient N_ij^k = sum_m S_im S_jm conj(S_km) / S_vm over all fields m (v the
// vacuum, 0), rounded; a value off an integer by more than 1e-7 is reported.
int fusion(int i, int j, int k, int vacuum);
// Y_ij^k = sum_m S_mi P_mj conj(P_mk) / S_m0, rounded.
int Pfusion(int i, int j, int k);
// The products (i) x (j) = sum_k N_ij^k (k) and the P-fusion product, as text.
std::string compF(int i, int j, int vacuum);
std::string compFp(int i, int j, int vacuum);
// J x i for the simple current J (a field label).
int simpleFusion(int J, int i);
// Conformal weight of field i, reduced.
Rat ratWeight(int i);
// Monodromy charge of field i under the simple current J.
Rat simpleCurrentCharge(int J, int i);
// Charge conjugate of field i (-1 when not known).
int getConjugate(int i);
// Bookkeeping of modular invariants: nothing is stored yet.
void CFTChanged();
void storeDiagonalBulkInvariant();
void resetAlgebraRequirements();
void resetInvariantStore();
void resetSelectionCriteria();
// Number of stored invariants; -1: no complete collection has run.
int TotalInvariants();
// Rows from..to-1 of "Spectrum", the header only when continuation is 0.
void printSpectrum(int from, int to, int continuation);

}  // namespace ModularSeam

namespace StoreSeam {

// Field whose Dynkin labels are `labels` (the finite labels for types 1-5, all labels
// otherwise); -1 when there is none.
int SM_getLieLabel(SpectrumData* sd, const int* labels);
// Installs the cells of the "Spectrum" columns Label, Ground state, Weights and Rational
// weights and the table's row filter; the store's own routines replace them when it
// installs them later in start-up.
void installSpectrumCells();

}  // namespace StoreSeam

namespace BoundarySeam {

int TotalBoundaries();
int TotalIshibashi();

}  // namespace BoundarySeam

namespace TensorSeam {

// Number of factors of the current tensor product.
int numberOfTensorFactors();
// Primaries and simple currents of factor i.
int factorPrimaries(int i);
int factorCurrents(int i);

}  // namespace TensorSeam
