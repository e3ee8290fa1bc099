// Fusion by the Verlinde formula: the truncated Clebsch-Gordan rule of A1, the axioms of
// a fusion ring for a range of algebras (through the orbit form and the plain sum), the
// charge selection rule, denominator rows, P-fusion, the generic engine and interruption.
#include "ModularTestSupport.h"
#include "runtime/Terminal.h"
#include "store/StoremanagerQueries.h"

using namespace modular_test;

namespace {

class ModularFusionTest : public ModularTestBase {};

struct Algebra {
  int type, rank, level;
};

// Checks the axioms of the fusion ring of the current theory; returns the table.
std::vector<int> checkFusionRing(const SpectrumData* sd) {
  const int n = sd->n_primaries;
  std::vector<int> N(static_cast<std::size_t>(n) * n * n);
  auto at = [&](int a, int b, int c) -> int& {
    return N[(static_cast<std::size_t>(a) * n + b) * n + c];
  };
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      for (int c = 0; c < n; ++c) at(a, b, c) = fusion(a, b, c, 0);
    }
  }
  const double s00 = elementS(0, 0).real();
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      EXPECT_EQ(at(0, a, b), a == b ? 1 : 0) << sd->name;
      EXPECT_EQ(at(a, b, 0), getConjugate(a) == b ? 1 : 0) << sd->name;
      // Quantum dimensions multiply: d_a d_b = sum_c N_ab^c d_c, d_x = S_x0 / S_00.
      double sum = 0.0;
      for (int c = 0; c < n; ++c) {
        const int value = at(a, b, c);
        EXPECT_GE(value, 0) << sd->name;
        EXPECT_EQ(value, at(b, a, c)) << sd->name;
        EXPECT_EQ(value, at(a, getConjugate(c), getConjugate(b))) << sd->name << " " << a << b << c;
        sum += value * elementS(c, 0).real() / s00;
      }
      EXPECT_NEAR(sum, elementS(a, 0).real() * elementS(b, 0).real() / (s00 * s00), 1e-6)
          << sd->name;
    }
  }
  return N;
}

}  // namespace

TEST_F(ModularFusionTest, A1FollowsTheTruncatedClebschGordanRule) {
  for (int k = 1; k <= 8; ++k) {
    for (int useOrbits : {2, 0}) {
      setIntPar("Use_orbits", useOrbits);
      SpectrumData* sd = useTheory(1, 1, k);
      OutputCapture capture;
      for (int a = 0; a <= k; ++a) {
        for (int b = 0; b <= k; ++b) {
          for (int c = 0; c <= k; ++c) {
            ASSERT_EQ(fusion(a, b, c, 0),
                      a1Fusion(k, a1Label(sd, a), a1Label(sd, b), a1Label(sd, c)))
                << "level " << k << " orbits " << useOrbits << ": " << a << " " << b << " " << c;
          }
        }
      }
      EXPECT_EQ(capture.diagnostics, "") << k;
    }
  }
}

TEST_F(ModularFusionTest, VerlindeGivesAFusionRing) {
  std::vector<Algebra> algebras;
  for (int k = 1; k <= 8; ++k) algebras.push_back({1, 1, k});
  for (int k = 1; k <= 4; ++k) algebras.push_back({1, 2, k}), algebras.push_back({2, 2, k});
  for (int k = 1; k <= 3; ++k) algebras.push_back({5, 2, k}), algebras.push_back({5, 4, k});
  for (int r : {6, 7, 8}) {
    for (int k = 1; k <= 2; ++k) algebras.push_back({5, r, k});
  }
  for (const Algebra& a : algebras) {
    SpectrumData* sd = useTheory(a.type, a.rank, a.level);
    OutputCapture capture;
    const std::vector<int> orbitForm = checkFusionRing(sd);
    EXPECT_EQ(capture.diagnostics, "") << sd->name;
    // The plain sum over all fields gives the same ring.
    setIntPar("Use_orbits", 0);
    CFTChanged();
    const int n = sd->n_primaries;
    for (int x = 0; x < n * n * n; x += 7) {
      ASSERT_EQ(fusion(x / (n * n), (x / n) % n, x % n, 0), orbitForm[static_cast<std::size_t>(x)])
          << sd->name;
    }
    setIntPar("Use_orbits", 2);
  }
}

TEST_F(ModularFusionTest, TheSelectionRuleSkipsTheSum) {
  SpectrumData* sd = useTheory(1, 1, 4);
  initSMATRIX();
  const int half = a1Field(sd, 1);
  MOD_set_S_CALL_TRACE(1);
  OutputCapture capture;
  // 1/2 x 1/2 cannot contain 1/2: the charges add up to 1/2 mod 1.
  EXPECT_EQ(FastFusion(half, half, half), 0);
  EXPECT_EQ(capture.stdoutText, "");
  EXPECT_EQ(FastFusion(half, half, 0), 1);
  EXPECT_TRUE(contains(capture.stdoutText, "S_aux1"));
}

TEST_F(ModularFusionTest, ADenominatorRowUsesTheFullComplexSum) {
  // A1 level 1: with the current as denominator, N(0,0,J) = 1/2 + 1/2 = 1 and N(0,0,0) = 0.
  useTheory(1, 1, 1);
  initSMATRIX();
  MOD_set_S_CALL_TRACE(1);
  OutputCapture capture;
  EXPECT_EQ(fusion(0, 0, 1, 1), 1);
  EXPECT_EQ(fusion(0, 0, 0, 1), 0);
  EXPECT_FALSE(contains(capture.stdoutText, "S_aux1"));
  EXPECT_TRUE(contains(capture.stdoutText, "compS"));
}

TEST_F(ModularFusionTest, InterruptionIsSignalledOneWay) {
  SpectrumData* sd = useTheory(1, 1, 2);
  initSMATRIX();
  setStopSignal(1);
  const int half = a1Field(sd, 1);
  // With orbit tables: triples excluded by the charges are still 0 (no sum needed).
  EXPECT_EQ(fusion(half, half, half, 0), 0);
  EXPECT_EQ(fusion(half, half, 0, 0), kFusionInterrupted);
  EXPECT_TRUE(fusionInterrupted(fusion(0, 0, 0, 0)));
  EXPECT_EQ(GenericVerlinde(0, 0, 0, 3, compS, compS, compS, compS), kFusionInterrupted);
  // Without orbit tables every triple is interrupted.
  setIntPar("Use_orbits", 0);
  CFTChanged();
  for (int k = 0; k < 3; ++k) EXPECT_EQ(fusion(half, half, k, 0), kFusionInterrupted);
  EXPECT_EQ(fusion(0, 0, 1, 1), kFusionInterrupted);
  // No text is written for an interrupted product.
  std::string text = "x";
  EXPECT_EQ(compF(text, 0, 0, 0), "x");
  setStopSignal(0);
  EXPECT_EQ(fusion(half, half, 0, 0), 1);
}

TEST_F(ModularFusionTest, TheGenericEngine) {
  SpectrumData* sd = useTheory(1, 1, 3);
  OutputCapture capture;
  EXPECT_EQ(GenericVerlinde(1, 2, 3, 0, compS, compS, compS, compS), 0);
  EXPECT_EQ(capture.diagnostics, "");
  // The plain Verlinde sum with the conjugation flag on k.
  for (int a = 0; a < 4; ++a) {
    for (int b = 0; b < 4; ++b) {
      for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(GenericVerlinde(a, b, -c, 4, compS, compS, compS, compS),
                  a1Fusion(3, a1Label(sd, a), a1Label(sd, b), a1Label(sd, c)));
      }
    }
  }
  capture.clear();
  EXPECT_EQ(GenericVerlinde2(0, 0, 0, 4, compS, compS, compS, compS), 1);
  EXPECT_TRUE(contains(capture.printed, "GV: range=4\n"));
  // A sum that is no integer is reported and rounded.
  capture.clear();
  EXPECT_EQ(GenericVerlinde(0, 0, 0, 1, compS, compS, compS, compS), 0);  // S_00^2 = 0.138...
  EXPECT_TRUE(contains(capture.diagnostics, "Generic fusion rule failure for fields 0, 0 and 0"));
}

TEST_F(ModularFusionTest, PFusionMatchesTheSumOfPAndS) {
  SpectrumData* sd = useTheory(1, 1, 4);
  const int n = sd->n_primaries;
  const double c = 3.0 * 4 / 6;
  // P = T^1/2 S T^2 S T^1/2 from the closed forms.
  auto x = [&](int a) { return a1Weight(4, a1Label(sd, a)) - c / 24.0; };
  auto S = [&](int a, int b) { return a1S(4, a1Label(sd, a), a1Label(sd, b)); };
  auto P = [&](int a, int b) {
    Complex sum = 0.0;
    for (int m = 0; m < n; ++m) sum += S(a, m) * std::polar(1.0, 4 * kPi * x(m)) * S(m, b);
    return std::polar(1.0, kPi * (x(a) + x(b))) * sum;
  };
  OutputCapture capture;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      for (int k = 0; k < n; ++k) {
        Complex sum = 0.0;
        for (int m = 0; m < n; ++m) sum += S(m, i) * P(m, j) * std::conj(P(m, k)) / S(m, 0);
        EXPECT_EQ(Pfusion(i, j, k), static_cast<int>(std::lround(sum.real()))) << i << j << k;
      }
    }
  }
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(ModularFusionTest, SimpleCurrentActionFromTheTables) {
  SpectrumData* sd = useTheory(1, 1, 5);
  OutputCapture capture;
  EXPECT_EQ(FastSimpleFusion(1, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Orbit data not available (FastSimpleFusion)"));
  initSMATRIX();
  for (int i = 0; i < sd->n_primaries; ++i) {
    EXPECT_EQ(a1Label(sd, FastSimpleFusion(1, i)), 5 - a1Label(sd, i));
    EXPECT_EQ(FastSimpleFusion(0, i), i);
  }
  capture.clear();
  EXPECT_EQ(FastSimpleFusion_NO_CHECK(2, 0), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: 2"));
}

TEST_F(ModularFusionTest, FixedPointFusionWithTheParentVacuumIsTheUnitarityOfTheFixedPointS) {
  // D4 level 2: every non-trivial current has fixed points; with the parent's vacuum the
  // sum is sum_m S^J(j, m) conj S^J(k, m) = delta_jk.
  SpectrumData* sd = useTheory(4, 4, 2);
  ASSERT_GT(SM_initFCFTData(sd), 0);
  OutputCapture capture;
  for (int J = 1; J <= sd->n_fp_currents; ++J) {
    const int nf = sd->fcft[J - 1]->n_primaries;
    ASSERT_GT(nf, 0);
    for (int j = 0; j < nf; ++j) {
      for (int k = 0; k < nf; ++k)
        EXPECT_EQ(getFpFusion(J, 0, j, k), j == k ? 1 : 0) << J << " " << j << " " << k;
    }
  }
  EXPECT_EQ(capture.diagnostics, "");
}

TEST_F(ModularFusionTest, FixedPointFusionNeedsAFixedPointTheory) {
  useTheory(1, 1, 1);
  OutputCapture capture;
  EXPECT_EQ(getFpFusion(1, 0, 0, 0), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Current has no fixed points"));
}

TEST_F(ModularFusionTest, ConjugateManagementFlipsTheSign) {
  auto product = [](int a, int b, int x, double* re, double*) { *re = a * 100 + b * 10 + x; };
  double out = 0.0;
  manageConjugate(-2, 3, product, 4, &out);
  EXPECT_EQ(out, -234.0);
  manageConjugate(-2, -3, product, 4, &out);
  EXPECT_EQ(out, 234.0);
  manageConjugate(2, 3, product, 1, &out);
  EXPECT_EQ(out, 231.0);
}

TEST_F(ModularFusionTest, BadLabelsAreRefused) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  EXPECT_EQ(fusion(0, 0, 3, 0), 0);
  EXPECT_EQ(fusion(-1, 0, 0, 0), 0);
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: 3"));
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: -1"));
}
