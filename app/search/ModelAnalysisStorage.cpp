// Storage of found candidates: the run's collection of model types (rows of 86 ints, a
// type identified by its first 56), the ".pre_models" line of every stored candidate, the
// tachyon test before storage, the detailed report of a candidate and the generator texts.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "boundaries/CrossBound.h"
#include "collections/LinearAlgebra.h"
#include "collections/Sorting.h"
#include "collections/VectorUtility.h"
#include "invariants/Invariants.h"
#include "lie/Branching.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/AbelianMasses.h"
#include "search/Catalogue.h"
#include "search/ChanPaton.h"
#include "search/ModelAnalysisInternal.h"
#include "strings/HiddenSector.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"
#include "tensor/Coset.h"
#include "tensor/OutputNames.h"

using namespace modelanalysis;

// The search driver's lists of the non-supersymmetric search (nullptr when it keeps none).
const std::vector<int>* tachyonAllowList();
const std::vector<int>* tachyonAvoidList();

namespace {

constexpr int kRowWords = 86;
constexpr int kIdentityWords = 56;

long long currentTensorIdentifier() { return static_cast<long long>(fileIdentifier()); }
int currentMIPF() {
  BulkInvariant** bulk = getCurrentBulk();
  return bulk != nullptr && *bulk != nullptr ? MIPFIdentifier(*bulk) : -1;
}
std::string currentPreModelsFile() { return getCurrentOutputFileName(".pre_models"); }

const ModelCaseSource kDefaultSource = {currentTensorIdentifier, currentMIPF, computeTadpoleRHS,
                                        currentPreModelsFile};

// The installed source with the current case filling every gap.
ModelCaseSource caseSource() {
  ModelCaseSource source = state().source;
  if (source.tensorIdentifier == nullptr) source.tensorIdentifier = kDefaultSource.tensorIdentifier;
  if (source.mipfIdentifier == nullptr) source.mipfIdentifier = kDefaultSource.mipfIdentifier;
  if (source.tadpole == nullptr) source.tadpole = kDefaultSource.tadpole;
  if (source.preModelsFile == nullptr) source.preModelsFile = kDefaultSource.preModelsFile;
  return source;
}

void ensureTypes() {
  ModelAnalysisState& s = state();
  if (!s.typesReady) initRunTypeCollection();
}

// One write of the whole line to the file opened for appending; 0 on success.
int appendLine(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) return 1;
  const ssize_t written = ::write(fd, line.data(), line.size());
  const int closed = ::close(fd);
  return written == static_cast<ssize_t>(line.size()) && closed == 0 ? 0 : 1;
}

// Compares a conjugation variant with the stored record; the differing words are dumped.
void checkSymmetry(const ModelRow& record, void (*variant)(const StandardModel&, int*), const char* title) {
  int profile[48] = {};
  variant(SM, profile);
  std::vector<std::string> lines = {title};
  for (int i = 0; i < 48; ++i)
    if (profile[i] != record[static_cast<std::size_t>(i)])
      lines.push_back(formatText("i=%d; w=%d, x=%d\n", i, record[static_cast<std::size_t>(i)], profile[i]));
  if (lines.size() > 1) dumpCandidate(45, lines);
}

void banner45(const char* text) {
  const std::string line(45, '=');
  Print("%s\n%s\n%s\n", line.c_str(), text, line.c_str());
}

}  // namespace

void setModelCaseSource(const ModelCaseSource* source) {
  state().source = source != nullptr ? *source : ModelCaseSource();
}

void resetModelAnalysis() {
  ModelAnalysisState& s = state();
  s.counters = ModelAnalysisCounters();
  s.preModelsFailed = 0;
  initializeStandardModelStruct(&s.backup);
  s.equations.Nfill = s.classes.Nfill = s.trial.Nfill = s.types.Nfill = 0;
  s.types.root = -1;
  s.typesReady = false;
  s.chargeList.clear();
  s.source = ModelCaseSource();
}

// ---------------------------------------------------------------------------------------
// The run's type collection

void initRunTypeCollection() {
  ModelAnalysisState& s = state();
  initVectorCollection(&s.types, kRowWords, 64);
  setIdentificationSize(&s.types, kIdentityWords);
  s.typesReady = true;
  s.preModelsFailed = 0;
}

int runTypeCount() { return state().typesReady ? state().types.Nfill : 0; }

const int* runTypeRow(int typeNumber) {
  const ModelAnalysisState& s = state();
  if (!s.typesReady || typeNumber < 1 || typeNumber > s.types.Nfill) return nullptr;
  return s.types.Space + static_cast<std::ptrdiff_t>(typeNumber - 1) * s.types.rowsize;
}

const VectorSpace* runTypeCollection() {
  ensureTypes();
  return &state().types;
}

int preModelsWriteFailed() { return state().preModelsFailed; }

// ---------------------------------------------------------------------------------------
// Storage

int checkSMForTachyons() {
  if (getSusySearch() != 0) return 0;
  ChanPatonData* cpd = generateChanPatonDataForStandardModel(&SM);
  if (cpd == nullptr) {
    Alert("checkSMForTachyons", 1, 112201, "Chan-Paton data of the candidate cannot be built; candidate not stored");
    return 1;
  }
  SpaceTimeSymmetry st;
  StringBlock* spectrum = getStringSpectrum(1);
  if (spectrum != nullptr) stringSpaceTimeSymmetry(spectrum, &st, 'O');
  const int fromIntersections = checkCPDforTachyons(cpd);
  const int fromSpectrum = OpenSectorTachyonAnalysis(cpd, &st);
  if ((fromIntersections != 0) == (fromSpectrum != 0)) return fromSpectrum != 0 ? 1 : 0;
  Print("Tachyon discrepancy\n");
  PrintVec(8, SM.branes, "variables");
  DetailedOpenSectorAnalysis(cpd, &st);
  // The search driver's tachyon-free and tachyonic boundaries of this orientifold.
  const std::vector<int>* allow = tachyonAllowList();
  const std::vector<int>* avoid = tachyonAvoidList();
  if (allow != nullptr) PrintVec(static_cast<int>(allow->size()), allow->data(), "Allow");
  if (avoid != nullptr) PrintVec(static_cast<int>(avoid->size()), avoid->data(), "Avoid");
  rejectCandidate("checkSMForTachyons", 0, "Tachyon discrepancy");
  return 1;
}

int storeSMdata() {
  ModelAnalysisState& s = state();
  ensureTypes();
  ++s.counters.storeCalls;
  computeBraneIdentity();
  ++s.counters.groupSolutions;
  SM.extraMasslessU1 = countMasslessAbelianVectors(SM.extraU1);
  ModelRow record = copyStandardModelToModelsFormat(SM);
  record[85] = 0;
  record[59] = runTypeCount() + 1;
  const int info = searchSetting("SM_search info_level");
  if (checkSMForTachyons() == 1) {
    if (info >= 2) Print("Tachyonic open string spectrum\n");
    return 0;
  }
  if (getSusySearch() == 0 && info >= 1) {
    PrintStdout("TACHYON FREE!!!!!\n");
    printCPD(stdout, -1, 0);
  }
  ++s.counters.storedModels;
  std::vector<int> row(static_cast<std::size_t>(s.types.rowsize), 0);
  std::copy(record.begin(), record.begin() + kRowWords, row.begin());
  const int before = s.types.Nfill;
  addVectorToCollection(&s.types, row.data());
  const bool isNew = s.types.Nfill > before;
  if (isNew) {
    if (SM.cSymmetryToCheck == 1) checkSymmetry(record, Conjugate_c, "Symmetry problem (c)\n");
    if (SM.dSymmetryToCheck == 1 && SM.stackCount == 4) checkSymmetry(record, Conjugate_d, "Symmetry problem (d)\n");
    if (info >= 1) Print("\n\n");
    Print("New model type found (total types so far %d; models so far %lld)\n", s.types.Nfill,
          s.counters.storedModels);
    if (s.types.Nfill > 1 && s.types.Nfill % 50 == 1) {
      RequiredSearchDepth(&s.types);
      BalanceVectorCollection(&s.types);
      RequiredSearchDepth(&s.types);
    }
    if (getSusySearch() != 0) printCPD(stdout, -1, 0);
  }
  const int index = findVectorInCollection(&s.types, row.data());
  const int typeNumber = index >= 0 ? s.types.Space[static_cast<std::ptrdiff_t>(index) * s.types.rowsize + 59] : -1;
  const int n = SM.stackCount == 3 ? 3 : 4;
  const int labels[4] = {SM.branes[0], SM.branes[2], SM.branes[4], n == 3 ? -1 : SM.branes[6]};
  const int mults[4] = {SM.multiplicities[0], SM.multiplicities[1], SM.multiplicities[2],
                        n == 3 ? 0 : SM.multiplicities[3]};
  const ModelCaseSource source = caseSource();
  const double tadpole = source.tadpole(SM.orientifold, n, labels, mults);
  ++s.counters.preModels;
  const std::string line = formatText(
      "%d %lld %d %d %d %d %d %d %d %d %d %d %d %d\n", typeNumber,
      source.tensorIdentifier(), source.mipfIdentifier(), SM.orientifold, labels[0], labels[1],
      labels[2], labels[3], mults[0], mults[1], mults[2], mults[3], ZeroCheck(tadpole), 0);
  const std::string path = source.preModelsFile();
  if (path.empty() || appendLine(path, line) != 0) {
    Alert("storeSMdata", 2, 112201, "Cannot append the candidate line to %s", path.c_str());
    s.preModelsFailed = 1;
  }
  return isNew ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Generator texts and the detailed report

std::string GeneratorString(char letter, int n, const int* q, const int* N, int norm) {
  bool trivial = true;
  for (int k = 0; k < n; ++k)
    if (static_cast<long long>(q[k]) * N[k] != 0) trivial = false;
  if (trivial) return formatText("Generator T_%c is trivial", letter);
  int g = norm;
  for (int k = 0; k < n; ++k) g = GCD(g, q[k]);
  if (g == 0) g = 1;
  bool counted = false;
  for (int k = 0; k < n; ++k)
    if (N[k] >= 4) counted = true;
  std::string text = formatText("Generator T_%c: (", letter);
  bool first = true;
  for (int k = 0; k < n; ++k) {
    if (N[k] < 1) continue;
    if (!first) text += ",";
    first = false;
    const int c = q[k] / g;
    if (counted)
      text += formatText("%d x %d", N[k], c);
    else if (N[k] == 1)
      text += formatText("%d", c);
    else if (N[k] == 2)
      text += formatText("%d,%d", c, c);
    else
      text += formatText("%d,%d,%d", c, c, c);
  }
  const int denominator = norm / g;
  text += denominator < 2 ? std::string(")") : formatText(")/%d", denominator);
  if (text.size() > 80) text.resize(80);
  return text;
}

void PrintGenerator(char letter, int n, const int* eigenvalues, const int* multiplicities, int norm, int indent) {
  int e[3] = {}, m[3] = {};
  for (int k = 0; k < n && k < 3; ++k) {
    e[k] = eigenvalues[k];
    m[k] = multiplicities[k];
  }
  int count = n < 3 ? n : 3;
  if (n == 2) {
    const long long trace = static_cast<long long>(e[0]) * m[0] + static_cast<long long>(e[1]) * m[1];
    if (trace != 0) {
      e[2] = 2 * e[1] - e[0];
      m[2] = e[2] == 0 ? 0 : static_cast<int>(-trace / e[2]);
      count = 3;
    }
  }
  Print("%*s%s\n", indent, "", GeneratorString(letter, count, e, m, norm).c_str());
}

int writeStandardModelInfo(bool showIdentity) {
  StandardModel& m = SM;
  if (countQuarksAndLeptons(0, 0) == 0) {
    Alert("writeStandardModelInfo", 0, 212404, "Unexpected spectrum counting error");
    return -1;
  }
  const int n = m.stackCount == 3 ? 3 : 4;
  banner45("\n    Brane intersections");
  Print("Standard model spectrum nr %d\n", m.modelNumber);
  if (showIdentity) {
    // The identity of the record's own pair codes; a conjugate identification has none.
    const bool conjugate = std::any_of(std::begin(m.pairIdentification), std::end(m.pairIdentification),
                                       [](int code) { return code < 0; });
    const std::string identity = conjugate ? "????" : getBraneIdentity(m.pairIdentification, n);
    std::snprintf(m.identity, sizeof m.identity, "%s", identity.c_str());
    Print("Brane equivalence: %s\n", m.equivalence);
    Print("Brane identity   : %s\n", m.identity);
  }
  if (m.tensorCode >= 0) {
    Print("Orientifold nr: %d\n", m.orientifold);
    PrintVec(2 * n, m.branes, "Boundaries");
  }
  Print("\nChiral intersections: \n");
  Print("[Gamma denotes bi-fundamentals (V,V); Delta denotes bi-fundamentals (V,V*)] \n");
  PrintVec(4, m.antisymmetricTensors, "Chiral antisymmetric tensors");
  PrintVec(4, m.symmetricTensors, "Chiral symmetric tensors    ");
  PrintVec(6, m.Gamma, "Gamma                       ");
  PrintVec(6, m.Delta, "Delta                       ");
  banner45("\n    U(1) generators");
  PrintVec(4, m.Y, formatText("Y charge coefficients; Norm %d", m.Ynorm).c_str());
  PrintGenerator('c', 3, m.cEigenvalues, m.cMultiplicities, m.Ynorm, 0);
  PrintGenerator('d', 3, m.dEigenvalues, m.dMultiplicities, m.Ynorm, 0);
  if (m.extraMasslessU1 > 0)
    Print("Number of extra massless U(1)'s (in addition to Y): %d\n", m.extraMasslessU1);
  if (m.degenerateY != 0) Print("Degenerate Y-charge\n");
  if (m.extraMasslessU1 == 0) {
    Print("No extra massless abelian vectors\n");
  } else {
    PrintVec(4, m.extraU1, "Extra U(1)   ");
    if (m.extraMasslessU1 >= 2) PrintVec(4, m.extraU1 + 4, "Extra U(1)' ");
    if (m.extraMasslessU1 >= 3) Print("One more U(1) not computed\n");
  }
  LocalU1Equations(&m, 0);
  banner45("\n    Quark/Lepton Summary");
  Print("Note that this is the spectrum obtained from the chiral\n");
  Print("open string states only. Vector-like states will give rise\n");
  Print("to additional mirrors pairs or Higgses.\n\n");
  PrintVec(2, m.quarkDoublets, "Quark doublets and mirrors   ");
  PrintVec(2, m.leptonDoublets, "Lepton doublets and mirrors  ");
  PrintVec(4, m.antiQuarks, "anti-quarks (u,d) and mirrors");
  PrintVec(3, m.singlets, "Singlets, charges 1,0,-1     ");
  Print("\n");
  PrintVec(6, m.universality, "Universality (N,Q,U,D,L,E):  ");
  Print("For the definition of univerality see \"help select quvr universality\"\n");
  return 0;
}

// ---------------------------------------------------------------------------------------
// Local U(1) equations

namespace {

// Scales x so that its first entry that is not negligible becomes 1 (normally the first
// entry; a solution with a vanishing first entry must not be divided by zero).
void normaliseToLeadingOne(int n, double* x) {
  for (int k = 0; k < n; ++k)
    if (std::fabs(x[k]) > 1e-10) {
      const double lead = x[k];
      for (int l = 0; l < n; ++l) x[l] /= lead;
      return;
    }
}

double* doubleRow(DoubleVectorSpace& space, int r) {
  return space.Space + static_cast<std::ptrdiff_t>(r) * space.rowsize;
}

// Appends x as the next row of rows and x scaled to length 1 to unit (the collections keep
// rows in insertion order). Projections use the unit rows, so a vector keeps its own scale
// and a dependent one vanishes to rounding level instead of a multiple of |Y|^2.
void appendDoubleRow(DoubleVectorSpace& rows, DoubleVectorSpace& unit, const double* x) {
  copyDoubleVec(4, doubleRow(rows, rows.Nfill), x);
  addToDoubleCollection(&rows);
  const double length = std::sqrt(DoubleNorm(4, x));
  double* u = doubleRow(unit, unit.Nfill);
  for (int k = 0; k < 4; ++k) u[k] = x[k] / length;
  addToDoubleCollection(&unit);
}

// The integer solutions left 32 bits: the same orthogonal construction in doubles, with
// each solution's products with the rows and a check of the integer solutions found
// before the overflow against Y and the equations.
void massiveU1InDoubles(const StandardModel& m, int n, const VectorSpace& eqs,
                        const std::vector<std::array<int, 4>>& integerSolutions) {
  DoubleVectorSpace rows{8, "U(1) basis (double)"};
  DoubleVectorSpace unit{8, "U(1) unit basis (double)"};
  initDoubleVectorCollection(&rows, 4, 16);
  initDoubleVectorCollection(&unit, 4, 16);
  double y[4];
  for (int k = 0; k < 4; ++k) y[k] = m.Y[k];
  if (makeOrthogonalToVectorSpaceDouble(4, &unit, y) == 1) appendDoubleRow(rows, unit, y);
  for (int j = 0; j < eqs.Nfill; ++j) {
    const int* e = eqs.Space + static_cast<std::ptrdiff_t>(j) * eqs.rowsize;
    double v[4];
    for (int k = 0; k < 4; ++k) v[k] = e[k];
    if (makeOrthogonalToVectorSpaceDouble(4, &unit, v) == 1) appendDoubleRow(rows, unit, v);
  }
  const int constraints = rows.Nfill;
  Print("Orthogonal equations for additional U(1)'s from SM branes alone\n");
  for (int j = 0; j < constraints; ++j) printDoubleVec(4, doubleRow(rows, j), "--->");
  Print("Integer overflow; switching to real numbers\n");
  for (int i = 0; i < n; ++i) {
    double x[4] = {};
    x[i] = 1.0;
    if (makeOrthogonalToVectorSpaceDouble(4, &unit, x) != 1) continue;
    normaliseToLeadingOne(4, x);
    printDoubleVec(4, x, "Solution (double)");
    for (int j = 0; j < rows.Nfill; ++j) PrintStdout("TEST: %30.15f\n", dotProdD(x, doubleRow(rows, j), 4));
    // Later solutions are orthogonal to this one too, as in the integer construction.
    appendDoubleRow(rows, unit, x);
  }
  Print("Checking\n");
  for (std::size_t i = 0; i < integerSolutions.size(); ++i)
    for (int j = 0; j < constraints; ++j) {
      const double* r = doubleRow(rows, j);
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += integerSolutions[i][static_cast<std::size_t>(k)] * r[k];
      PrintStdout("i=%d, j=%d, sum=%30.15f\n", static_cast<int>(i), j, sum);
      if (std::fabs(sum) > 1e-10) PrintStdout("TEST FAILURE\n");
    }
}

}  // namespace

int LocalU1Equations(StandardModel* model, int equationsOnly) {
  if (model == nullptr) return 0;
  const StandardModel& m = *model;
  const int n = m.multiplicities[3] != 0 ? 4 : 3;
  VectorSpace& eqs = state().equations;
  initEquationCollection(&eqs, 4, 7);
  for (int x = 0; x < n; ++x)
    if (m.groupTypes[x] != 0) {
      int row[5] = {};
      row[x] = 1;
      CollectIntegerEquations(&eqs, row);
    }
  for (int x = 0; x < n; ++x) {
    int row[5];
    if (!anomalyEquation(m, x, n, row) || CollectIntegerEquations(&eqs, row) == kEliminationOverflow)
      return rejectCandidate("LocalU1Equations", 1, "Integer overflow");
  }
  if (equationsOnly == 1) return eqs.Nfill;
  const int r = eqs.Nfill;
  const int free = n - 1 - r;
  model->anomalyFreeU1 = free;
  Print("Number of anomaly free massive U(1)'s: %d\n", free - model->extraMasslessU1);
  if (free - model->extraMasslessU1 <= 0) {
    Print("There are no massive anomaly free U(1)'s\n");
    return 0;
  }
  std::vector<std::array<int, 4>> solutions;
  VectorSpace basis{8, "U(1) basis"};
  SetVectorSpace(&basis, 4, 8);
  addNewVectorToSpace(&basis, m.Y);
  for (int j = 0; j < eqs.Nfill; ++j) {
    int v[4];
    copyVec(4, v, eqs.Space + static_cast<std::ptrdiff_t>(j) * eqs.rowsize);
    const int made = makeOrthogonalToVectorSpace(4, &basis, v);
    // An equation that cannot be made orthogonal in 32 bits must not be dropped: the
    // solutions would no longer satisfy it.
    if (made < 0) {
      massiveU1InDoubles(m, n, eqs, solutions);
      return 0;
    }
    if (made == 1) addNewVectorToSpace(&basis, v);
  }
  for (int i = 0; i < n; ++i) {
    long long e[4] = {};
    e[i] = 1;
    const int made = makeOrthogonalToVectorSpaceLong(4, &basis, e);
    if (made == 0) continue;
    int v[4] = {};
    bool fits = made == 1;
    if (fits) {
      NormalizeLongIntegerVector(4, e);
      for (int k = 0; k < 4; ++k)
        if (ConvertLongToInt(e[k], &v[k]) != 0) fits = false;
    }
    if (!fits) {
      massiveU1InDoubles(m, n, eqs, solutions);
      return 0;
    }
    PrintVec(4, v, "Massive anomaly free U(1)");
    addNewVectorToSpace(&basis, v);
    solutions.push_back({v[0], v[1], v[2], v[3]});
  }
  if (static_cast<int>(solutions.size()) != free) {
    Print("SOLUTION MISMATCH\n");
    return rejectCandidate("LocalU1Equations", 2, "SOLUTION MISMATCH");
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// Catalogue helpers

int alreadyDone(int status, int skip, const char* name) {
  if (setGSMfilename(name) == 1)
    Alert("alreadyDone", 0, 100218,
          "Tadpole solutions already exists for this type, continuing anyway\n(solutions are collected in file %s)",
          getGSMfilename().c_str());
  if (skip == 0) return 0;
  if (status == -1) {
    PrintNoRepeat("Case skipped; no solutions previously", "");
    return 1;
  }
  if (status == -3) {
    PrintNoRepeat("Case skipped; aborted previously", "");
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// The tensor product of a catalogue entry

namespace {

int builderNotAvailable(int) {
  Alert("buildCY", 1, 100201, "Building the tensor product of a catalogue entry: not available yet");
  return 1;
}

int (*minimalTensorBuilder)(int code) = builderNotAvailable;

}  // namespace

void setMinimalTensorBuilder(int (*builder)(int code)) {
  minimalTensorBuilder = builder != nullptr ? builder : builderNotAvailable;
}

unsigned buildCY(unsigned code) {
  const unsigned invalid = static_cast<unsigned>(-1);
  std::vector<int> levels;
  Print("%s\nBuilding RCFT %u\n%s\n", std::string(61, '-').c_str(), code, std::string(46, '-').c_str());
  Alert("buildCY", 0, 100218,
        "Outer automorphisms of the tensor factors will be ignored\n(This is irrelevant for supersymmetric tensor "
        "products)");
  if (interpretMinimalTensor(static_cast<std::int64_t>(code), &levels) < 0) return invalid;
  if (minimalTensorBuilder(static_cast<int>(code)) != 0) return invalid;
  Print("%s\n\n\n", std::string(61, '-').c_str());
  return code;
}
