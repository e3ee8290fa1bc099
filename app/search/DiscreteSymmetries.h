// Discrete symmetries from axion mixing. Every unitary stack of a configuration carries a
// U(1); the axions give masses to the combinations they couple to. What survives is the
// kernel of the integer axion-charge matrix (massless U(1)s) and the combinations whose
// charges vanish only modulo N (Z_N symmetries).
//
// Representation. A charge matrix has one row per unitary stack: A axion charges, an
// identity block of u columns and one status column. A null-vector collection has rows of
// u + 1 integers: the vector, then -1 for an unbroken U(1) or N for a Z_N. All integer
// arithmetic is checked; an overflow is an alert and the analysis answers -1.
//
// The analysis of a ChanPatonData record is kept beside it (keyed by its address) until
// the record is rebuilt; resetDiscreteSymmetries() forgets all of them.
#pragma once

#include <vector>

struct ChanPatonData;

using IntegerRows = std::vector<std::vector<long long>>;

// The analysis of one configuration.
struct DiscreteSymmetryData {
  IntegerRows nullVectors;
  std::vector<int> unitaryStacks;  // stack indices of group type 0, in order
  std::vector<long long> discreteOrders;
  int visibleUnitary = 0;
  int masslessVectors = 0;
  int visibleMasslessVectors = 0;
  long long hiddenOrder = 1;
  long long observableOrder = 1;
  int analysed = 0;
};

// Builds the charge matrix of u stacks from their A axion charges (row-major, u x A).
IntegerRows makeChargeMatrix(const std::vector<long long>& charges, int A, int u);
// Sweeps the matrix for the prime p (statuses: -1 free, pivot column, A zero axion part);
// 0 done, -1 for a non-prime p or an overflow.
int SweepChargeEquations(IntegerRows* matrix, int A, int u, long long p);
// The U(1) and Z_N null vectors of the matrix; *status -1 after an overflow.
IntegerRows getDiscreteSymmetryNullvectorsForCharges(const IntegerRows& matrix, int A, int u,
                                                     int* status = nullptr);
// Reduces the U(1) rows on the first visible positions and normalises them; -1 on overflow.
int SweepUnitaryNullvectors(IntegerRows* collection, int visible);
// Orders of the discrete groups acting only on positions from k on (external) and only on
// the first k positions (internal); -1 on overflow or an enumeration too large.
long long ComputeExternalDiscreteGroup(const IntegerRows& collection, int k);
long long ComputeInternalDiscreteGroup(const IntegerRows& collection, int k);
// Removes the masked positions (mask[j] != 0) from the rows: U(1) rows by elimination, Z_N
// rows modulo N.
int NullifyDiscreteSymmetriesOnPositions(IntegerRows* collection, const std::vector<int>& mask);
long long DiscreteGroupOrder(const std::vector<long long>& orders);
// Charges q (one per unitary stack) against a collection: 1 allowed, 0 forbidden by a
// Z_N, -1 forbidden by an unbroken U(1).
int checkDiscreteSymmetryCharges(const IntegerRows& collection, const std::vector<long long>& q);
void printDiscreteSymmetryNullvectors(const IntegerRows& collection, int u);

// The analysis of a configuration: 0 done (or already done), -1 when the axions cannot be
// determined or the arithmetic overflows.
int computeDiscreteSymmetryNullvectors(ChanPatonData* cpd, int print);
// 1 unless the analysis answers -1 (then 0).
int discreteSymmetriesOfConfiguration(ChanPatonData* cpd);
// With no charges: the printed analysis, 1. With one charge per stack: 1 allowed, 0
// forbidden by a Z_N, -1 forbidden by a U(1); 0 when the axions cannot be determined.
int CheckDiscreteSymmetries(ChanPatonData* cpd, const int* charges);
// The analysis kept for the record, nullptr before one.
const DiscreteSymmetryData* getDiscreteSymmetryData(const ChanPatonData* cpd);
void forgetDiscreteSymmetryAnalysis(const ChanPatonData* cpd);
void resetDiscreteSymmetries();
