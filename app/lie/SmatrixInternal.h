// Shared by the S-matrix sources (Smatrix.cpp, SmatrixExceptional.cpp); not a contract.
#pragma once

namespace smatrix_internal {

// A modulus that fits the cosine tables, or 0 after an alert naming the routine.
int checkedModulus(long long modulus, const char* routine);

// Removes the exceptional module's coset representatives (part of resetSmatrix).
void resetExceptional();

}  // namespace smatrix_internal
