// Synthetic brane-stack candidates for the classification tests. Each standard-model record
// below was checked by hand: its chiral spectrum is F families (Q 1/6, u* -2/3, d* 1/3,
// L -1/2, e* 1) and the mixed anomalies U(1)_Y - SU(N_x)^2 vanish for its hypercharge.
#pragma once

#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"

namespace model_test {

struct Stacks {
  int N[4];
  int groupTypes[4];
  int Gamma[6];  // ab, ac, ad, bc, bd, cd
  int Delta[6];
  int A[4];
  int S[4];
};

// U3 U2 U1 U1 with Gamma(a,b) = 2, Delta(a,b) = 1: Y = Q_a/6 - Q_c/2 + Q_d/2.
inline const Stacks kMadrid = {{3, 2, 1, 1}, {0, 0, 0, 0}, {2, -3, 0, 0, -3, -3}, {1, -3, 0, 0, 0, -3}, {}, {}};
// The same with the quark doublets from Gamma(a,b) = 3 alone.
inline const Stacks kGammaOnly = {{3, 2, 1, 1}, {0, 0, 0, 0}, {3, -3, 0, 0, -3, -3}, {0, -3, 0, 0, 0, -3}, {}, {}};
// The same with the quark doublets from Delta(a,b) = 3 alone.
inline const Stacks kDeltaOnly = {{3, 2, 1, 1}, {0, 0, 0, 0}, {0, -3, 0, 0, -3, -3}, {3, -3, 0, 0, 0, -3}, {}, {}};
// A symplectic b: y_b = 0 is imposed; d conjugated so that its leptons come from Gamma(b,d) > 0.
inline const Stacks kRealB = {{3, 2, 1, 1}, {0, -1, 0, 0}, {2, -3, 0, 0, 3, -3}, {1, -3, 0, 0, 0, -3}, {}, {}};
// Two families: Q from Gamma(a,b) = 2, Y as in kMadrid.
inline const Stacks kTwoFamilies = {{3, 2, 1, 1}, {0, 0, 0, 0}, {2, -2, 0, 0, -2, -2}, {0, -2, 0, 0, 0, -2}, {}, {}};
// Three stacks: leptons from Gamma(b,c) = 3, e* from the symmetric tensor of c (S_c = -3).
inline const Stacks kThreeStacks = {{3, 2, 1, 0}, {0, 0, 0, -2}, {2, -3, 0, 3, 0, 0}, {1, -3, 0, 0, 0, 0}, {}, {0, 0, -3, 0}};

// Loads the stacks into SM with distinct labels a=0, a*=1, ... (d = -1 without a fourth
// stack) and a tensor code 0 (a candidate of a search).
inline void loadStacks(const Stacks& s) {
  initializeStandardModelStruct(&SM);
  const bool four = s.N[3] != 0;
  SM.stackCount = four ? 4 : 3;
  for (int x = 0; x < 4; ++x) {
    SM.multiplicities[x] = s.N[x];
    SM.groupTypes[x] = s.groupTypes[x];
    SM.antisymmetricTensors[x] = s.A[x];
    SM.symmetricTensors[x] = s.S[x];
  }
  for (int k = 0; k < 6; ++k) {
    SM.Gamma[k] = s.Gamma[k];
    SM.Delta[k] = s.Delta[k];
  }
  for (int k = 0; k < 8; ++k) SM.branes[k] = k;
  // A real stack is its own image.
  for (int x = 0; x < 4; ++x)
    if (s.groupTypes[x] != 0) SM.branes[2 * x + 1] = SM.branes[2 * x];
  if (!four) SM.branes[6] = SM.branes[7] = -1;
}

// The hypercharge Q_a/6 + y_b Q_b + y_c Q_c + y_d Q_d in units of 1/norm, with the c and d
// generators trivial (one piece each: eigenvalue 0, multiplicity N).
inline void setCharges(int norm, int ya, int yb, int yc, int yd) {
  SM.Ynorm = norm;
  SM.Y[0] = ya, SM.Y[1] = yb, SM.Y[2] = yc, SM.Y[3] = yd;
  for (int k = 0; k < 3; ++k) SM.cEigenvalues[k] = SM.cMultiplicities[k] = SM.dEigenvalues[k] = SM.dMultiplicities[k] = 0;
  SM.cMultiplicities[0] = SM.multiplicities[2];
  SM.dMultiplicities[0] = SM.multiplicities[3];
}

}  // namespace model_test
