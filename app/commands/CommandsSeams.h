// STAND-INS for services of subsystems that are not built yet, as the command set calls
// them: the bookkeeping of bulk invariants, the printing of spectrum rows, the minimal models
// made by the tensor layer, and the label counts of boundaries, Ishibashi states and tensor
// factors.
//
// Each lives in a namespace of its own so that it never collides with the real service
// when that arrives; the command set then drops the stand-in and calls the real one. They
// answer for the current single theory (currentSD) only: tensor products are not built.
#pragma once

namespace ModularSeam {

// Bookkeeping of modular invariants: nothing is stored yet.
void storeDiagonalBulkInvariant();
void resetAlgebraRequirements();
void resetInvariantStore();
void resetSelectionCriteria();
// Number of stored invariants; -1: no complete collection has run.
int TotalInvariants();
// Rows from..to-1 of "Spectrum", the header only when continuation is 0.
void printSpectrum(int from, int to, int continuation);

}  // namespace ModularSeam

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
// Creates the minimal model with N = 0 or 1 supersymmetries at level k in the store.
void createMinimal(int N, int k);

}  // namespace TensorSeam
