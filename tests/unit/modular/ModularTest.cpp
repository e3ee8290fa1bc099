// The front door of the modular data: counters, dispatchers, S from its sources, the
// packed S and P tables, the first-row fallback, conjugates read off S, and the
// simple-current group operations.
#include <set>

#include "interpreter/Interpreter.h"
#include "modular/Modular.h"
#include "ModularTestSupport.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"

using namespace modular_test;

namespace {

class ModularTest : public ModularTestBase {};

bool onTerminal() {
  return true;
}

// A processor clock that moves one second on every reading.
long long advancingClock() {
  static long long now = 0;
  now += 1000000;
  return now;
}

}  // namespace

// --- Counters and start-up -------------------------------------------------------------

TEST_F(ModularTest, CountersStartAtZeroAndOnlyGrow) {
  EXPECT_EQ(QueryCFT(), 0);
  EXPECT_EQ(QueryBulkInvariant(), 0);
  useTheory(1, 1, 2);
  EXPECT_EQ(QueryCFT(), 1);
  // The theory change makes the diagonal invariant current, which is a bulk change.
  EXPECT_EQ(QueryBulkInvariant(), 1);
  bulkInvariantChanged();
  EXPECT_EQ(QueryCFT(), 1);
  EXPECT_EQ(QueryBulkInvariant(), 2);
  resetAll();
  EXPECT_EQ(QueryCFT(), 0);
  EXPECT_EQ(QueryBulkInvariant(), 0);
}

TEST_F(ModularTest, InitDebugAnnouncesCounterChanges) {
  setIntPar("Init_debug", 1);
  OutputCapture capture;
  useTheory(1, 1, 1);
  EXPECT_TRUE(contains(capture.all, "##init: Bulk Invariant counter increased\n"));
  EXPECT_TRUE(contains(capture.all, "##init: CFT counter increased\n"));
  initSMATRIX();
  EXPECT_TRUE(contains(capture.all, "##init: Simple current orbits available\n"));
  EXPECT_TRUE(contains(capture.all, "##init: Orbit S matrix initialized\n"));
  EXPECT_TRUE(contains(capture.all, "##init: S matrix initialized\n"));
}

TEST_F(ModularTest, TheoryChangeClearsThePerTheoryFlags) {
  useTheory(1, 1, 2);
  ModularState& s = modularState();
  static const int required[] = {1, -1};
  s.signsSet = s.IndicesComputed = s.indicesFromFusionFirst = s.SMATRIXWasAborted = 1;
  setRequireExtension(required);
  EXPECT_EQ(s.requiredExtension, (std::vector<int>{1}));
  CFTChanged();
  EXPECT_EQ(s.signsSet + s.IndicesComputed + s.indicesFromFusionFirst + s.SMATRIXWasAborted, 0);
  EXPECT_TRUE(s.requiredExtension.empty());
  s.signsSet = s.SMATRIXWasAborted = 1;
  setRequireExtension(required);
  resetS();
  EXPECT_EQ(s.signsSet + s.SMATRIXWasAborted, 0);
  EXPECT_TRUE(s.requiredExtension.empty());
}

TEST_F(ModularTest, SettingsAreReadLive) {
  useTheory(1, 1, 4);  // five primaries
  setIntPar("S_matrix maxsize", 4);
  initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, -1);
  setIntPar("S_matrix maxsize", 5);
  CFTChanged();
  initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, QueryCFT());
}

// --- Dispatchers -------------------------------------------------------------------------

TEST_F(ModularTest, TAndItsRootAreDiagonalPhasesOfTheWeights) {
  SpectrumData* sd = useTheory(1, 1, 3);
  const double c = 3.0 * 3 / 5;  // c = 3k/(k+2)
  for (int a = 0; a < sd->n_primaries; ++a) {
    const double x = a1Weight(3, a1Label(sd, a)) - c / 24.0;
    double re, im, rootRe, rootIm;
    compT(a, a, &re, &im);
    EXPECT_NEAR(re, std::cos(2 * kPi * x), kTol);
    EXPECT_NEAR(im, std::sin(2 * kPi * x), kTol);
    comprootT(a, a, &rootRe, &rootIm);
    const Complex root(rootRe, rootIm);
    EXPECT_TRUE(near(root * root, Complex(re, im)));
    for (int b = 0; b < sd->n_primaries; ++b) {
      if (b == a) continue;
      re = im = 7.0;
      compT(a, b, &re, &im);
      EXPECT_EQ(re, 0.0);
      EXPECT_EQ(im, 0.0);
      comprootT(a, b, &re, &im);
      EXPECT_EQ(re, 0.0);
      EXPECT_EQ(im, 0.0);
    }
  }
  std::vector<double> logT(static_cast<std::size_t>(sd->n_primaries));
  compLogT(logT.data());
  for (int a = 0; a < sd->n_primaries; ++a)
    EXPECT_NEAR(logT[a], a1Weight(3, a1Label(sd, a)) - c / 24.0, kTol);
  EXPECT_NEAR(Central_Charge(), c, kTol);
}

TEST_F(ModularTest, OffDiagonalTNeverAsksTheTheory) {
  useTheory(1, 1, 3);
  currentSD = nullptr;  // any look at the theory would fail
  double re = 1.0, im = 1.0;
  compT(0, 1, &re, &im);
  comprootT(2, 1, &re, &im);
  EXPECT_EQ(re, 0.0);
  EXPECT_EQ(im, 0.0);
}

TEST_F(ModularTest, TensorModeAsksTheTensorProductOnly) {
  useTheory(1, 1, 2);
  SpectrumData* stored = currentSD;
  currentSD = nullptr;
  setCosetMode(1);
  OutputCapture capture;
  double re = 1.0, im = 1.0;
  compSDirect(0, 0, &re, &im);
  EXPECT_EQ(re, 0.0);
  // The empty tensor product has no field 0: its S service refuses, the record is unread.
  EXPECT_TRUE(contains(capture.diagnostics, "Field 0 out of range"));
  EXPECT_TRUE(contains(capture.diagnostics, "getCosetS"));
  // The name of a tensor product without factors: its code, empty between braces.
  EXPECT_EQ(getCFTname(), "{}");
  setCosetMode(0);
  currentSD = stored;
  EXPECT_EQ(getCFTname(), "A1 level 2");
}

TEST_F(ModularTest, WeightsAreExactRationalsInOneOverwrittenBuffer) {
  SpectrumData* sd = useTheory(1, 1, 2);
  const int half = a1Field(sd, 1);
  const int one = a1Field(sd, 2);
  const Rat* first = ratWeight(half);
  EXPECT_EQ(first->num, 3);  // h = 1 x 3 / 16
  EXPECT_EQ(first->den, 16);
  const Rat* second = ratWeight(one);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->num, 1);  // h = 2 x 4 / 16 = 1/2
  EXPECT_EQ(first->den, 2);
  EXPECT_NEAR(MOD_realWeight(half), 3.0 / 16, 1e-15);
}

TEST_F(ModularTest, TheNameLosesItsAuxiliaryTail) {
  useTheory(1, 1, 2);
  SpectrumData* aux = allocateSpectrumData("Min 3 1 (aux)");
  SpectrumData* stored = currentSD;
  currentSD = aux;
  EXPECT_EQ(getCFTname(), "Min 3 1 ");
  currentSD = stored;
}

TEST_F(ModularTest, SymmetryAndConjugatesComeFromTheRecord) {
  SpectrumData* sd = useTheory(1, 2, 1);  // A2 level 1: 3 and 3bar are conjugate
  EXPECT_EQ(S_Symmetric(), 1);
  EXPECT_EQ(ConjugatesAvailable(), 1);
  EXPECT_EQ(getConjugate(0), 0);
  EXPECT_EQ(getConjugate(1), 2);
  EXPECT_EQ(getConjugate(2), 1);
  EXPECT_EQ(CenterOrder(), 3);
  EXPECT_EQ(sd->n_primaries, 3);
}

// --- S from its sources -------------------------------------------------------------------

TEST_F(ModularTest, SAgreesBetweenAllSourcesForA1AtLevel2) {
  SpectrumData* sd = useTheory(1, 1, 2);
  const int n = sd->n_primaries;
  ASSERT_EQ(n, 3);
  auto check = [&](const char* source) {
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        const Complex expected(a1S(2, a1Label(sd, i), a1Label(sd, j)), 0.0);
        EXPECT_TRUE(near(elementS(i, j), expected)) << source << " " << i << " " << j;
        EXPECT_TRUE(near(directS(sd, i, j), expected)) << "SDirect " << i << " " << j;
      }
    }
  };
  check("direct");  // nothing built yet
  initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, QueryCFT());
  check("full table");
  // The orbit S base alone: the full table made stale by hand.
  modularState().SMATRIXavailable = -1;
  check("orbit base");
  setIntPar("S_matrix maxsize", 2);
  CFTChanged();
  const double* row = initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, -1);
  EXPECT_EQ(modularState().FirstRowAvailable, QueryCFT());
  for (int m = 0; m < n; ++m) EXPECT_NEAR(row[m], a1S(2, 0, a1Label(sd, m)), kTol);
  check("first-row fallback");
}

TEST_F(ModularTest, SAgreesWithTheWeylSumForComplexAndFixedPointTheories) {
  const int algebras[][3] = {{1, 2, 3}, {4, 4, 2}, {5, 6, 2}, {3, 3, 2}};
  for (const auto& a : algebras) {
    SpectrumData* sd = useTheory(a[0], a[1], a[2]);
    initSMATRIX();
    for (int i = 0; i < sd->n_primaries; ++i) {
      for (int j = 0; j < sd->n_primaries; ++j) {
        ASSERT_TRUE(near(elementS(i, j), directS(sd, i, j))) << sd->name << " " << i << " " << j;
      }
    }
  }
}

TEST_F(ModularTest, FullTableIsUnitaryAndSquaresToTheConjugation) {
  SpectrumData* sd = useTheory(1, 2, 3);  // A2 level 3: complex S
  initSMATRIX();
  const int n = sd->n_primaries;
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      Complex unitary = 0.0, square = 0.0;
      for (int m = 0; m < n; ++m) {
        unitary += elementS(a, m) * std::conj(elementS(b, m));
        square += elementS(a, m) * elementS(m, b);
      }
      EXPECT_TRUE(near(unitary, a == b ? 1.0 : 0.0));
      EXPECT_TRUE(near(square, getConjugate(a) == b ? 1.0 : 0.0));
    }
  }
}

TEST_F(ModularTest, AfterATheoryChangeSIsComputedDirectlyUntilTheTableIsAskedFor) {
  useTheory(1, 1, 2);
  initSMATRIX();
  MOD_set_S_CALL_TRACE(1);
  {
    OutputCapture capture;
    elementS(1, 2);
    EXPECT_EQ(capture.stdoutText, "compS\n");
  }
  setIntPar("Use_orbits", 0);
  CFTChanged();
  {
    OutputCapture capture;
    elementS(1, 2);
    EXPECT_EQ(capture.stdoutText, "compS\ncompSDirect\n");
  }
}

TEST_F(ModularTest, LabelsOutOfRangeAreRefused) {
  useTheory(1, 1, 2);
  OutputCapture capture;
  const Complex value = elementS(0, 3);
  EXPECT_EQ(value, Complex(0.0, 0.0));
  EXPECT_TRUE(contains(capture.diagnostics, "Label out of range: 3"));
  EXPECT_EQ(elementS(-1, 0), Complex(0.0, 0.0));
  EXPECT_EQ(elementP(0, 7), Complex(0.0, 0.0));
  EXPECT_EQ(getGenericConjugate(5), -1);
}

// --- Full table and first row ------------------------------------------------------------

TEST_F(ModularTest, MaxsizeDecidesBetweenTableAndFirstRow) {
  SpectrumData* sd = useTheory(1, 1, 5);  // six primaries
  setIntPar("S_matrix maxsize", 6);
  initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, QueryCFT());

  setIntPar("S_matrix maxsize", 5);
  CFTChanged();
  {
    // With orbit tables the fallback is silent.
    OutputCapture capture;
    initSMATRIX();
    EXPECT_EQ(modularState().SMATRIXavailable, -1);
    EXPECT_EQ(capture.diagnostics, "");
  }
  setIntPar("Use_orbits", 0);
  CFTChanged();
  {
    OutputCapture capture;
    const double* row = initSMATRIX();
    EXPECT_TRUE(contains(
        capture.diagnostics,
        "Too many primaries; Internal storage for full matrix S not used.\nThis may result in "
        "slower execution.\nCurrently the maximum number of primaries is 5"));
    for (int m = 0; m < sd->n_primaries; ++m) EXPECT_NEAR(row[m], a1S(5, 0, a1Label(sd, m)), kTol);
    // A second call is the same single attempt: no new message.
    capture.clear();
    initSMATRIX();
    EXPECT_EQ(capture.diagnostics, "");
  }
}

TEST_F(ModularTest, StoppingTheFillLeavesSUsableInFirstRowMode) {
  SpectrumData* sd = useTheory(1, 1, 99);  // 100 primaries, 5050 table entries
  setIntPar("Use_orbits", 0);
  CFTChanged();
  // An interactive run at a terminal, progress lines on, inside a command.
  setInteractive(1);
  setProgressInfo(1);
  setStandardOutputTerminalQuery(onTerminal);
  startModal();
  ScriptedAnswers answers({"no"});
  setClockSource(advancingClock);
  OutputCapture capture;
  const double* row = initSMATRIX();
  setClockSource(nullptr);
  EXPECT_EQ(ScriptedAnswers::left(), 0u);
  EXPECT_EQ(modularState().SMATRIXWasAborted, 1);
  EXPECT_EQ(modularState().SMATRIXavailable, -1);
  for (int m = 0; m < sd->n_primaries; m += 9)
    EXPECT_NEAR(row[m], a1S(99, 0, a1Label(sd, m)), kTol);
  EXPECT_NEAR(elementS(3, 7).real(), a1S(99, a1Label(sd, 3), a1Label(sd, 7)), kTol);
  // Later calls return at once in first-row mode, without asking again.
  capture.clear();
  EXPECT_EQ(initSMATRIX(), row);
  EXPECT_EQ(capture.diagnostics, "");
  // A new theory gets its own attempt.
  stopModal();
  setStopSignal(0);
  setInteractive(0);
  CFTChanged();
  initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, QueryCFT());
}

TEST_F(ModularTest, ATableBeyondTheAllocationLimitFallsBackToTheFirstRow) {
  // U(1) at radius 20000 has 20000 primaries: 20000 x 20001 doubles exceed the limit.
  setIntPar("S_matrix maxsize", 100000);
  setIntPar("Use_orbits", 0);
  SpectrumData* sd = useTheory(0, 20000, 0);
  ASSERT_EQ(sd->n_primaries, 20000);
  OutputCapture capture;
  const double* row = initSMATRIX();
  EXPECT_EQ(modularState().SMATRIXavailable, -1);
  EXPECT_EQ(modularState().FirstRowAvailable, QueryCFT());
  EXPECT_TRUE(contains(capture.diagnostics,
                       "Too many primaries; Internal storage for full matrix S not used."));
  EXPECT_FALSE(contains(capture.diagnostics, "maximum number of primaries is 100000"));
  // S(m, 0) = 1/sqrt(N) for every field of U(1) at radius N.
  EXPECT_NEAR(row[0], 1.0 / std::sqrt(20000.0), kTol);
  EXPECT_NEAR(row[19999], 1.0 / std::sqrt(20000.0), kTol);
}

TEST_F(ModularTest, TSquaredIsTheSquareOfT) {
  SpectrumData* sd = useTheory(1, 2, 2);
  initTSquared();
  const double* tsq = modularState().Tsq.data();
  const int n = sd->n_primaries;
  for (int m = 0; m < n; ++m) {
    double re, im;
    compT(m, m, &re, &im);
    const Complex t(re, im);
    EXPECT_TRUE(near(Complex(tsq[m], tsq[n + m]), t * t));
  }
}

// --- Conjugates from S ---------------------------------------------------------------------

TEST_F(ModularTest, GenericConjugatesMatchTheRecord) {
  SpectrumData* sd = useTheory(1, 3, 2);  // A3 level 2: complex fields
  initSMATRIX();
  for (int i = 0; i < sd->n_primaries; ++i) EXPECT_EQ(getGenericConjugate(i), getConjugate(i)) << i;
  useTheory(1, 1, 4);  // real S: every field is its own conjugate
  for (int i = 0; i < 5; ++i) EXPECT_EQ(getGenericConjugate(i), i);
}

// --- Simple-current group operations -------------------------------------------------------

TEST_F(ModularTest, IdentityActsTriviallyWithoutTables) {
  useTheory(1, 1, 3);
  currentSD = nullptr;  // nothing may be consulted
  EXPECT_EQ(simpleFusion(0, 3), 3);
  EXPECT_EQ(simpleProduct(0, 1), 1);
  EXPECT_EQ(simpleProduct(1, 0), 1);
}

TEST_F(ModularTest, GroupOperationsAgreeWithAndWithoutOrbitTables) {
  SpectrumData* sd = useTheory(4, 4, 1);  // D4 level 1: Z2 x Z2
  const int n = sd->n_primaries;
  std::vector<int> actions, products, orders;
  std::vector<Rat> charges;
  auto collect = [&]() {
    actions.clear(), products.clear(), orders.clear(), charges.clear();
    for (int J = 0; J < 4; ++J) {
      orders.push_back(simpleCurrentOrder(J, 0));
      for (int K = 0; K < 4; ++K) products.push_back(simpleProduct(J, K));
      for (int i = 0; i < n; ++i) {
        actions.push_back(simpleFusion(J, i));
        charges.push_back(*simpleCurrentCharge(J, i));
      }
    }
  };
  collect();
  const auto actionsDirect = actions, productsDirect = products, ordersDirect = orders;
  const auto chargesDirect = charges;
  initSMATRIX();
  ASSERT_EQ(ModularOrbitsAvailable(), QueryCFT());
  collect();
  EXPECT_EQ(actions, actionsDirect);
  EXPECT_EQ(products, productsDirect);
  EXPECT_EQ(orders, ordersDirect);
  EXPECT_EQ(orders, (std::vector<int>{1, 2, 2, 2}));
  for (std::size_t k = 0; k < charges.size(); ++k) {
    EXPECT_EQ(charges[k].num, chargesDirect[k].num);
    EXPECT_EQ(charges[k].den, chargesDirect[k].den);
    EXPECT_TRUE(charges[k].num >= 0 && charges[k].num < charges[k].den);
  }
}

TEST_F(ModularTest, EffectiveCentreTakesCurrentsOfIntegralOrderTimesWeight) {
  // A1 level 2: J has weight 1/2 and order 2; at level 1 weight 1/4.
  useTheory(1, 1, 2);
  EXPECT_EQ(effectiveCenterCheck(1), 1);
  EXPECT_EQ(getEffectiveCenter()[1], 1);
  useTheory(1, 1, 1);
  EXPECT_EQ(effectiveCenterCheck(1), 0);
  const int elements[] = {0, 1};
  EXPECT_EQ(SubgroupEffectiveCenterCheck(2, elements), 0);
  EXPECT_EQ(SubgroupEffectiveCenterCheck(1, elements), 1);
  EXPECT_EQ(SubgroupEffectiveCenterCheck(0, elements), 1);
  EXPECT_EQ(simpleCurrentOrder(0, 0), 1);
}

TEST_F(ModularTest, OrderTwoCentre) {
  // A3 level 1: Z4 with h_J = 3/8, so J is outside; J^2 has h = 1/2 and order 2.
  useTheory(1, 3, 1);
  int count = -1;
  const int* list = computeOrderTwoCenter(&count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(list[0], 2);
  // D4 level 1: the three currents all have weight 1/2 and order 2.
  useTheory(4, 4, 1);
  list = computeOrderTwoCenter(&count);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(std::vector<int>(list, list + 3), (std::vector<int>{1, 2, 3}));
}

TEST_F(ModularTest, CurrentChecksAndSupersymmetryOutsideTensorMode) {
  useTheory(1, 2, 1);
  EXPECT_EQ(simpleCurrentCheck(-1), 0);
  EXPECT_EQ(simpleCurrentCheck(2), 1);
  EXPECT_EQ(simpleCurrentCheck(3), 0);
  setIntPar("Super", 1);
  EXPECT_EQ(isSuperCurrent(1), 0);
  EXPECT_EQ(SusySpectrum(), 0);
}

TEST_F(ModularTest, FusionMapOfACurrentAndOfAField) {
  SpectrumData* sd = useTheory(1, 1, 3);
  std::vector<int> map(4, -9);
  ASSERT_EQ(initFusionMap(1, map.data()), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a1Label(sd, map[i]), 3 - a1Label(sd, i));
  EXPECT_EQ(simpleFusionDirect(1, a1Field(sd, 1)), a1Field(sd, 2));
  OutputCapture capture;
  // The spin-1/2 field is no simple current: 1/2 x 1/2 = 0 + 1.
  EXPECT_EQ(initFusionMap(a1Field(sd, 1), map.data()), -1);
  EXPECT_TRUE(contains(capture.diagnostics, "is not a simple current (sum=2)"));
}

TEST_F(ModularTest, CentreMapsAreTheIdentityOnTheCurrents) {
  useTheory(1, 2, 2);
  int* map = nullptr;
  DGType* centre = getCenter(&map);
  ASSERT_NE(centre, nullptr);
  EXPECT_EQ(CenterOrder(), 3);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(map[c], c);
}
