// Shared by the S-matrix sources (Smatrix.cpp, SmatrixExceptional.cpp); not a contract.
#pragma once

namespace smatrix_internal {

// Removes the exceptional module's coset representatives (part of resetSmatrix).
void resetExceptional();

}  // namespace smatrix_internal
