// Abelian vector masses of a standard-model candidate. A U(1) of a brane stack stays
// massless only when it couples to no axion: stack x (branes x and x*, multiplicity N_x)
// couples to the axion with Ishibashi label m by N_x (R(m, x) - R(m, x*)).
#pragma once

#include <complex>
#include <vector>

// Couplings are given per axion, one complex number per stack (already times N_x).
// The mass of Y = sum Y_x U(1)_x: minus the sum over axions of Re(g(m) S^2), S the
// coupling of Y and g(m) the metric phase; stops at the first non-zero term.
double abelianMass(const std::vector<std::vector<std::complex<double>>>& couplings,
                   const std::vector<std::complex<double>>& metricPhases, const std::vector<int>& Y);
// The number of massless U(1)s of the given (unitary) stacks besides Y: v minus the rank
// of the real system (the normalisation of Y when it is non-zero, then the real and the
// imaginary part of each axion's couplings).
int masslessAbelianVectorCount(const std::vector<std::vector<std::complex<double>>>& couplings,
                               const std::vector<int>& Y);
// Rank of real rows (tolerance 1e-7).
int realRank(std::vector<std::vector<double>> rows);

// The same for `SM` on the current orientifold: 0 when Y is massless (or SM holds no
// configuration), else the non-zero mass.
double computeGenericAbelianMasses();
// Massless U(1)s of SM's unitary stacks besides Y; the generators are left 0.
int countMasslessAbelianVectors(int generators[8]);
