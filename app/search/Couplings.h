// The chiral spectrum of a standard-model candidate as particles: the ordered spectrum rows,
// the coupling selection rules with the vertex enumeration, and the decomposed spectrum
// print with its Higgs choice analysis.
//
// An ordered-spectrum row has 21 ints: 0 SU(3) (1, 0, -1), 1 SU(2) (1, 0), 2 hypercharge in
// sixths, 3-4 extra U(1) charges, 5-8 stack charges q_a..q_d, 9-12 the block charges of the
// c and d generators, 13 hypercharge in units of 1/norm, 14 the norm, 15-18 the stack
// contributions to Y, 19 the particle type code, 20 the copies. A row's label is its
// position. Type codes: 1 Q, 2 u*, 3 d*, 4 L, 5 e*, 6 Hd, 7 Ex, 0 n; negative codes are
// the conjugates (-6 Hu).
//
// The explanations are printed in full once per run; resetCouplings() forgets that.
#pragma once

#include <array>
#include <vector>

struct ChanPatonData;
struct StandardModel;

using SpectrumRow = std::array<int, 21>;
using OrderedSpectrum = std::vector<SpectrumRow>;

void resetCouplings();
void resetDecomposedSpectrum();

// The ordered spectrum of a candidate (the catalogue's ordered multiplets); tests install
// made-up ones, nullptr restores the default.
void setOrderedSpectrumSource(const OrderedSpectrum* (*source)(StandardModel* model));
const OrderedSpectrum* orderedSpectrumOf(StandardModel* model);


// Selection rules (the record supplies the c and d blocks and the Y coefficients).
int twoPointCoupling(const SpectrumRow& r1, const SpectrumRow& r2);
int PerturbativeThreePointCoupling(const SpectrumRow& r1, const SpectrumRow& r2, const SpectrumRow& r3);
int SplitUnitaryBraneCoupling(int n, const SpectrumRow* const rows[], int stack, const int m[2]);
// 0 forbidden, 1 perturbative, 2 NP, 3 XX (discrete symmetry), 4 UU (hidden U(1)).
int CheckCouplingExistence(ChanPatonData* cpd, const StandardModel& record, int n, const SpectrumRow* const rows[]);
// Lists every n-point vertex; its number in *result. 0.
int ComputeNPointCoupling(ChanPatonData* cpd, const StandardModel& record, const OrderedSpectrum& ordered, int n,
                          int hd, int hu, int* result);
void printCouplingNotation(int n);

// The decomposed spectrum print; mode 3 stops after the particle list.
void printDecomposedSpectrum(const OrderedSpectrum& ordered, int hd, int hu, int mode);
void printDecomposedSpectrumMultiplets(const OrderedSpectrum& ordered, int* exact);
void printParticleData(int label, const SpectrumRow& row, int index, const char* name);
