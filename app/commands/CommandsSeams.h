// STAND-INS for services of subsystems that are not built yet, as the command set calls
// them: the factor counts of the current tensor product that the component conversions read.
//
// Each lives in a namespace of its own so that it never collides with the real service
// when that arrives; the command set then drops the stand-in and calls the real one. They
// answer for the current single theory (currentSD) only.
#pragma once

namespace TensorSeam {

// Number of factors of the current tensor product (its real count).
int numberOfTensorFactors();
// Primaries and simple currents of factor i.
int factorPrimaries(int i);
int factorCurrents(int i);

}  // namespace TensorSeam
