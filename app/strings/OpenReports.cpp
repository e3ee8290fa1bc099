// Printed reports of string spectra: the whole spectrum (closed and open sector), the open
// sector by space-time class and per primary, the non-supersymmetric statistics, the
// six-dimensional analysis and the open-string tachyon walk.
//
// Texts of the detailed listings grow in strings, so a pass never has to restart for lack
// of room. An annulus/Moebius pair with A - M odd was reported by the parity alert and its
// split ends where it stands.
#include "strings/OpenReports.h"

#include <algorithm>
#include <cstdlib>

#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "modular/Modular.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/Terminal.h"
#include "store/CurrentTheory.h"
#include "strings/OpenTachyons.h"
#include "strings/StringTheory.h"

namespace {

std::vector<int> defaultMassless() {
  return getMasslessLabels();
}

std::vector<int> defaultTachyonic() {
  std::vector<int> list;
  for (int i : getTachyonLabels())
    if (i != 0) list.push_back(i);
  return list;
}

const OpenReportSource kStringReading = {defaultMassless, defaultTachyonic, getRepInfo};

struct OpenReportsState {
  const OpenReportSource* source = &kStringReading;
  // The class text printed last by PrintOpenSpectrum, so that its header is not repeated.
  std::string lastRepresentation;
  const int* Super = nullptr;
  const int* infoLevel = nullptr;
  const int* chiralOnly = nullptr;
};

OpenReportsState& state() {
  static OpenReportsState s;
  return s;
}

int valueOf(const int* p) {
  return p != nullptr ? *p : 0;
}
int chiralOnly() {
  return valueOf(state().chiralOnly);
}
const OpenReportSource& source() {
  return *state().source;
}

int conjugateOf(const ChanPatonData* cpd, int a) {
  const int c = openAmplitudes().conjugate(cpd->orientifold, a);
  return c < 0 ? a : c;
}

int labelCount(const ChanPatonData* cpd) {
  return static_cast<int>(cpd->multiplicity.size());
}
int multiplicityOf(const ChanPatonData* cpd, int a) {
  return a >= 0 && a < labelCount(cpd) ? cpd->multiplicity[static_cast<std::size_t>(a)] : 0;
}
int positionOf(const ChanPatonData* cpd, int a) {
  return a >= 0 && a < static_cast<int>(cpd->distinctBrane.size())
             ? cpd->distinctBrane[static_cast<std::size_t>(a)]
             : -1;
}

void coefficientChecks(const char* routine, int i, int a, int A, int M, bool withLabels) {
  if ((A - M) % 2 != 0) {
    if (withLabels)
      Alert(routine, 0, 212404, "Annulus/Moebius parity violation (i=%d,a=%d)", i, a);
    else
      Alert(routine, 0, 212404, "Annulus/Moebius parity violation");
  }
  if (std::abs(M) > A) Alert(routine, 1, 212404, "Annulus/Moebius size violation");
}

std::string lineStart(int i, int multiplicity) {
  std::string text = formatText("From character lbl %4d: ", i);
  text += multiplicity == 1 ? std::string("       (") : formatText("%2d x   (", multiplicity);
  return text;
}

std::string lineWith(int i, int multiplicity, int positions,
                     const std::vector<std::pair<int, std::string>>& marks) {
  std::string text = lineStart(i, multiplicity);
  for (int k = 0; k < positions; ++k) {
    if (k > 0) text += ",";
    std::string symbol = "0 ";
    for (const auto& mark : marks)
      if (mark.first == k) symbol = mark.second;
    text += symbol;
  }
  return text + ")\n";
}

// The symbol of a tensor of the given kind ('S' or 'A') with the star convention.
std::string tensorSymbol(char kind, int sign, int star) {
  const bool starred = star > 0 ? sign > 0 : sign < 0;
  return std::string(1, kind) + (starred ? "*" : " ");
}

int totalPrimaries() {
  return knownPrimaryCount();
}

BulkInvariant* currentBulk() {
  BulkInvariant** slot = getCurrentBulk();
  return slot != nullptr ? *slot : nullptr;
}

// The progress line of a long walk over primaries, ended on every path.
class OpenSpectrumProgress {
 public:
  // Shown for theories of more than 5000 primaries; steps: the primaries walked.
  explicit OpenSpectrumProgress(std::size_t steps) : shown_(totalPrimaries() > 5000) {
    if (shown_) startProgressInfo(kName, 0, static_cast<double>(steps));
  }
  ~OpenSpectrumProgress() {
    if (shown_) stopProgressInfo(kName);
  }
  OpenSpectrumProgress(const OpenSpectrumProgress&) = delete;
  OpenSpectrumProgress& operator=(const OpenSpectrumProgress&) = delete;
  void step() {
    if (shown_) incrementProgressInfo();
  }

 private:
  static constexpr const char* kName = "Computing open string spectrum";
  bool shown_;
};

}  // namespace

void setOpenReportSource(const OpenReportSource* s) {
  state().source = s != nullptr ? s : &kStringReading;
}

void resetOpenReports() {
  OpenReportsState& s = state();
  s.source = &kStringReading;
  s.lastRepresentation.clear();
  s.Super = getIntParPointer("Super");
  s.infoLevel = getIntParPointer("String_spectra info_level");
  s.chiralOnly = getIntParPointer("String_spectra chiral_only");
}

int stringSpaceTimeSymmetry(const StringBlock* spectrum, SpaceTimeSymmetry* st, char code) {
  SpaceTimeSource s;
  s.left = spectrum->left != nullptr ? spectrum->left->table : nullptr;
  s.right = spectrum->right != nullptr ? spectrum->right->table : nullptr;
  s.common = spectrum->spaceTime;
  s.dimension = spectrum->spaceTimeDimension;
  return getSpaceTimeSymmetry(&s, st, code);
}

int openClassCount(const SpaceTimeSymmetry* st) {
  return RepCnt(st->left.type, st->left.rank);
}

// ---------------------------------------------------------------------------------------
// Kind of the spectrum

int CY_Check(char letter, int verbose) {
  auto fail = [verbose](const char* reason) {
    if (verbose == 1) Print("%s", reason);
    return 0;
  };
  if (valueOf(state().Super) != 1) return fail("Please use superstring mode (set super)\n");
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr) return fail("No valid heterotic spectrum\n");
  if (spectrum->spaceTimeDimension != 4) return fail("Space-time dimension is not 4\n");
  SpaceTimeSymmetry st;
  stringSpaceTimeSymmetry(spectrum, &st, letter);
  if (st.left.type != 5) return fail("Left susy is not chiral\n");
  if (st.right.type != 5) return fail("Right susy is not chiral\n");
  if (SusyRepsAreChiral(&st.left, 4) == 0) return fail("Left susy representation is not chiral\n");
  if (SusyRepsAreChiral(&st.right, 4) == 0)
    return fail("Right susy representation is not chiral\n");
  return 1;
}

int SixDimSusy() {
  if (valueOf(state().Super) != 1) return 0;
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr || spectrum->spaceTimeDimension != 6) return 0;
  SpaceTimeSymmetry st;
  stringSpaceTimeSymmetry(spectrum, &st, 'I');
  return st.left.type == 5 && st.right.type == 5 ? 1 : 0;
}

int findBulkSupersymmetry(BulkSupersymmetry* record) {
  const char* question = "This string theory is inconsistent. Continue anyway?";
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr) {
    // Nothing can be counted without a spectrum, whatever the answer.
    if (Alert("findBulkSupersymmetry", 0, 652209, "%s", question) == 1) return 1;
    return 0;
  }
  SpaceTimeSymmetry st;
  if (stringSpaceTimeSymmetry(spectrum, &st, 'R') < 0 &&
      Alert("findBulkSupersymmetry", 1, 652209, "%s", question) == 1)
    return 1;
  record->right = SusyCount(&st.right);
  if (stringSpaceTimeSymmetry(spectrum, &st, 'L') < 0 &&
      Alert("findBulkSupersymmetry", 2, 652209, "%s", question) == 1)
    return 1;
  record->left = SusyCount(&st.left);
  return record->left;
}

// ---------------------------------------------------------------------------------------
// Detail lines

std::string oneStackLines(int i, int position, int positions, int A, int M, int w, int sign,
                          int adjoint, int star) {
  std::string text;
  if (A == 0 && M == 0) return text;
  auto line = [&](const std::string& symbol, int multiplicity) {
    text += lineWith(i, multiplicity, positions, {{position, symbol}});
  };
  if (adjoint != 0 && M == 0) {
    line("Ad", A * w);
    return text;
  }
  while (A >= 2 && std::abs(M) < A) {
    if ((A - M) % 2 != 0) return text;
    const int symmetric = (A + M) / 2;
    if (symmetric >= 1) line(tensorSymbol('S', sign, star), symmetric * w);
    A = (A - M) / 2;
    M = -A;
    if (A == 0) return text;
  }
  if (A >= 1 && M == A) {
    line(tensorSymbol('S', sign, star), A * w);
  } else if (A >= 1 && M == -A) {
    line(tensorSymbol('A', sign, star), A * w);
  } else if (adjoint == 0 && star < 0 && A == 1 && M == 0) {
    line("Ad", w);
  } else {
    if (star < 0)
      Alert("PrintRep1", 0, 212404, "Unknown representation: Annulus=%d,Moebius=%d", A, M);
    else
      Alert("PrintRep1string", 0, 212404,
            "Unknown representation: Annulus=%d,Moebius=%d,adjoint=%d", A, M, adjoint);
    line("", A * w);
  }
  return text;
}

std::string twoStackLine(int i, int p, int q, int positions, int A, int w, int signP, int signQ,
                         int star) {
  if (A == 0) return "";
  auto symbol = [star](int sign) {
    return star > 0 ? (sign > 0 ? "V*" : "V ") : (sign < 0 ? "V*" : "V ");
  };
  return lineWith(i, A * w, positions, {{p, symbol(signP)}, {q, symbol(signQ)}});
}

void PrintRep1(int g, int groups, int A, int M, int w, int i, int s) {
  PrintText(oneStackLines(i, g, groups, A, M, w, s, 0, -1));
}

void PrintRep2(int groups, int g, int h, int A, int w, int i, int s, int t) {
  PrintText(twoStackLine(i, g, h, groups, A, w, s, t, -1));
}

std::string PrintRep1string(int position, int n, int A, int M, int w, int i, int s, int adjoint) {
  return oneStackLines(i, position, n, A, M, w, s, adjoint, 1);
}

std::string PrintRep2string(int n, int p, int q, int A, int w, int i, int s, int t) {
  return twoStackLine(i, p, q, n, A, w, s, t, 1);
}

// ---------------------------------------------------------------------------------------
// Open sector by class

void PrintOpenSpectrum(RepresentationStore* store, SpaceTimeSymmetry* st, const ChanPatonData* cpd,
                       int k) {
  std::string text = getSusyRepresentationString(k, 0, 0, st);
  int combine = 1;
  int hyperOk = 0;
  const std::size_t half = text.find("1/2 Hyper");
  if (half != std::string::npos) {
    hyperOk = checkHypermultiplet(store, cpd->stackType.data(), &combine);
    if (combine == 1) text.erase(half, 4);
  }
  if (text != state().lastRepresentation) {
    Print("\n --- Representation\n%s\n", text.c_str());
    state().lastRepresentation = text;
  }
  PrintGroups(cpd);
  if (store->size() == 0) {
    Print("No matter representations\n");
    return;
  }
  for (int r : orderReps(store, cpd->observableStacks))
    PrintText(printRepVeca(store, r, cpd->stackType.data(), cpd->stackMultiplicity.data(), hyperOk,
                           combine, 5, chiralOnly()));
}

void GeneralOpenSectorAnalysis(ChanPatonData* cpd) {
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr || cpd == nullptr) return;
  SpaceTimeSymmetry st;
  stringSpaceTimeSymmetry(spectrum, &st, 'O');
  int K = openClassCount(&st);
  if (K == 3 && CY_Check('I', 0) > 0) K = 2;
  openSectorByClass(cpd, &st, K);
}

void openSectorByClass(const ChanPatonData* cpd, SpaceTimeSymmetry* st, int K) {
  const int F = std::min(cpd->observableStacks, cpd->stacks);
  const int* types = cpd->stackType.data();
  const int* sizes = cpd->stackMultiplicity.data();
  int printed = 0;
  RepresentationStore store;
  for (int k = 1; k < K; ++k) {
    const std::vector<int> labels = source().massless();
    std::vector<int> weights;
    for (int i : labels) weights.push_back(source().repInfo(i)[static_cast<std::size_t>(k)]);
    collectRepresentations(cpd, labels, weights, &store);
    if (store.size() == 0) continue;
    std::string text = getSusyRepresentationString(k, 0, 0, st);
    int combine = 1;
    int hyperOk = 0;
    if (text.find("1/2 Hyper") != std::string::npos) {
      hyperOk = checkHypermultiplet(&store, types, &combine);
      if (combine == 1)
        text += "     [Combined to full hypermultiplets in the following spectra]\n";
    }
    Print("Representation\n%s\n", text.c_str());
    PrintGroups(cpd);
    const std::vector<int> order = orderReps(&store, cpd->observableStacks);
    auto fixedCharged = [&](int r) {
      const std::vector<int>& row = store.codes[static_cast<std::size_t>(r)];
      return std::any_of(row.begin(), row.begin() + F, [](int c) { return c != 0; });
    };
    for (int pass = 0; pass < 4; ++pass) {
      const bool wantFixed = pass < 2;
      const bool wantChiral = pass % 2 == 0;
      for (int r : order) {
        if (fixedCharged(r) != wantFixed) continue;
        if ((store.chirality[static_cast<std::size_t>(r)] != 0) != wantChiral) continue;
        const std::string line =
            printRepVeca(&store, r, types, sizes, hyperOk, combine, 5, chiralOnly());
        if (line.empty()) continue;
        PrintText(line);
        ++printed;
      }
    }
  }
  if (printed == 0) Print("No matter representations\n");
  Print("\n");
}

std::array<long long, 6> analyseNonSusySpectrum(RepresentationStore* class1,
                                                RepresentationStore* class2,
                                                const ChanPatonData* cpd) {
  const int n = cpd->stacks;
  for (int x = 0; x < n; ++x) {
    const int type = cpd->stackType[static_cast<std::size_t>(x)];
    std::vector<int> row(static_cast<std::size_t>(n), 0);
    row[static_cast<std::size_t>(x)] = type == -1 ? 2 : (type == 0 ? 4 : 3);
    class1->count[static_cast<std::size_t>(class1->find(row))] -= 1;
  }
  for (int r = 0; r < class1->size(); ++r) {
    const int target = class2->find(class1->codes[static_cast<std::size_t>(r)]);
    class2->count[static_cast<std::size_t>(target)] +=
        -2 * class1->count[static_cast<std::size_t>(r)];
  }
  std::array<long long, 6> s{};
  for (int r = 0; r < class2->size(); ++r) {
    const long long c = class2->count[static_cast<std::size_t>(r)];
    const long long d = OpenStringDim(n, class2->codes[static_cast<std::size_t>(r)].data(),
                                      cpd->stackType.data(), cpd->stackMultiplicity.data());
    s[0] += c;
    s[1] += c * d;
    if (c == 0)
      ++s[2];
    else
      ++s[3];
    s[4] += c * c;
    s[5] += c * c * d;
  }
  Print(
      "\n\nNon-susy statistics \nNet representation sum: %lld\nNet dimension sum: %lld\nNumber of "
      "susy multiplets: "
      "%lld\nNumber of non-susy multiplets:  %lld\nSum of squared net multiplicities: "
      "%lld\nDimension weighted sum "
      "of squared net multiplicities: %lld\n\n",
      s[0], s[1], s[2], s[3], s[4], s[5]);
  Print("\n\nNon-susy statistics summary: %lld %lld %lld %lld %lld %lld\n\n", s[0], s[1], s[2],
        s[3], s[4], s[5]);
  return s;
}

// ---------------------------------------------------------------------------------------
// The whole spectrum

int GenericSpectrumAnalysis(ChanPatonData* cpd, int mode) {
  if (cpd == nullptr && mode != 2) {
    Alert("GenericSpectrumAnalysis", 0, 100302, "Invalid mode");
    return 0;
  }
  if (valueOf(state().Super) != 1) {
    if (cpd != nullptr && valueOf(state().Super) == 0) {
      Print("Bosonic open string spectrum analysis not yet built in\n");
      return 0;
    }
    return 1;
  }
  const StringBlock* spectrum = getStringSpectrum(0);
  if (spectrum == nullptr) return 1;
  const int d = spectrum->spaceTimeDimension;
  SpaceTimeSymmetry st;
  if (cpd == nullptr) {
    Print("Space-time dimension: %d\n", d);
    Print("\n>>>>>>>>> Closed sector\n\n");
    stringSpaceTimeSymmetry(spectrum, &st, 'X');
    ClosedSectorAnalysis(&st, d, 0);
    return 0;
  }
  if (d == 6) return SixDimensionalAnalysis(cpd, mode);
  PrintBannerWithText('=', "\n        Spectrum    ");
  if (mode == 0 || mode == 2) {
    Print("Space-time dimension: %d\n", d);
    Print("\n>>>>>>>>> Closed sector\n\n");
    stringSpaceTimeSymmetry(spectrum, &st, 'I');
    ClosedSectorAnalysis(&st, d, 0);
  }
  if (mode == 0 || mode == 1 || mode == 3) {
    stringSpaceTimeSymmetry(spectrum, &st, 'O');
    int K = openClassCount(&st);
    if (K == 3 && CY_Check('I', 0) > 0) K = 2;
    Print("\n>>>>>>>>> Open sector%s\n\n", chiralOnly() == 1 ? " (Chiral states only)" : "");
    if (mode == 3) {
      DetailedGaugeSectorAnalysis(cpd, &st);
      DetailedOpenSectorAnalysis(cpd, &st);
    } else if (K >= 2) {
      RepresentationStore store;
      RepresentationStore copies[2];
      for (int k = 1; k < K; ++k) {
        CollectOpenSectorRepresentations(cpd, k, &store);
        PrintOpenSpectrum(&store, &st, cpd, k);
        if (k <= 2) copies[k - 1] = store;
      }
      if (K >= 3) analyseNonSusySpectrum(&copies[0], &copies[1], cpd);
    }
  }
  Print("\n");
  PrintSeparatorWithText('=', "");
  Print("\n");
  return 0;
}

// ---------------------------------------------------------------------------------------
// Six dimensions

namespace {

// The gauge-group lines of a configuration (printed when asked); returns the number of
// groups and adds to the doubled vector count.
int gaugeGroupLines(const ChanPatonData* cpd, bool print, int* vectors2) {
  const OpenAmplitudes& amp = openAmplitudes();
  int groups = 0;
  for (int a = 0; a < labelCount(cpd); ++a) {
    const int Na = multiplicityOf(cpd, a);
    if (Na == 0) continue;
    const int M0 = amp.moebius(0, a);
    const int ac = conjugateOf(cpd, a);
    if (M0 == 1 && a == ac) {
      ++groups;
      if (print) Print("Factor %d contributes gauge group SO(%d)\n", a, Na);
    } else if (M0 == -1 && a == ac) {
      ++groups;
      if (print) Print("Factor %d contributes gauge group Sp(%d)\n", a, Na);
    } else if (M0 == 0 && a < ac) {
      ++groups;
      if (print) Print("Factor %d contributes to gauge group U(%d) (first label)\n", a, Na);
    } else if (M0 == 0 && a > ac) {
      if (print) Print("Factor %d contributes to gauge group U(%d) (second label)\n", a, Na);
    } else {
      Alert("DetailedGaugeSectorAnalysis", 0, 212404,
            "Unexpected CP gauge group at boundary lbl %d (conjugate %d);\nMoebius contribution %d",
            a, ac, M0);
    }
    *vectors2 += (multiplicityOf(cpd, ac) - M0) * Na;
  }
  return groups;
}

}  // namespace

int SixDimensionalAnalysis(ChanPatonData* cpd, int mode) {
  const StringBlock* spectrum = getStringSpectrum(0);
  const int d = spectrum != nullptr ? spectrum->spaceTimeDimension : 0;
  if (d != 6)
    Alert("SixDimensionalAnalysis", 0, 112311,
          "Further analysis not (yet) available for dimension %d", d);
  PrintBannerWithText('=', "\n        Spectrum    ");
  Print("Space-time dimension: %d\n", d);
  int H4 = 4;
  int T2 = 0;
  if (mode != 1) {
    Print("\n>>>>>>>>>>>>>>  Closed sector\n\n");
    Print("Identity component: 1 Supergravity multiplet + 1 Hyper multiplet\n");
    BulkInvariant* bulk = currentBulk();
    const int n = totalPrimaries();
    for (int i = 0; bulk != nullptr && i < n && i < bulk->n_rows; ++i) {
      const int z = bulk->mult[i];
      if (masslessCharacter(i, 0) != 1 || z == 0 ||
          bulk->orbits[static_cast<std::size_t>(i)] == nullptr || bulk->count[i] == 0)
        continue;
      const int w = source().repInfo(i)[1];
      const int K = openAmplitudes().klein(i);
      for (int k = 0; k < bulk->count[i]; ++k) {
        const int j = bulk->orbits[static_cast<std::size_t>(i)][k];
        if (masslessCharacter(j, 0) != 1) continue;
        const int jc = getConjugate(j);
        if (jc == i) {
          H4 += 2 * (w * z * w + w * K);
          T2 += w * z * w - w * K;
          continue;
        }
        const int w2 = source().repInfo(jc)[1];
        if (i == 0 && w2 >= 1) {
          PrintStdout("\n\nE8 extension: Torus compactification\n");
          return 0;
        }
        H4 += 2 * w * z * w2;
        T2 += w * z * w2;
      }
    }
    if (H4 % 4 != 0) {
      Alert("SixDimensionalAnalysis", 1, 212404,
            "Fractional multiplet multiplicity: Hyper=%d/4; Tensor=%d/2\n", H4, T2);
      return -1;
    }
    Print("Massless Matter: %d Hyper mutiplets + %d Tensor Multiplets\n", H4 / 4 - 1, T2 / 2);
    if (cpd == nullptr) {
      PrintSeparatorWithText('.', "\nClosed sector analysis completed");
      return 1;
    }
    if (mode == 2) return 0;
  } else {
    H4 = 0;
    T2 = 0;
  }
  if (cpd == nullptr) return 0;
  Print("\n>>>>>>>>>>>>>>  Open sector\n\n");
  GeneralOpenSectorAnalysis(cpd);
  if (mode == 3) Print("\n............ Detailed analysis\n\n");
  int V2 = 0;
  gaugeGroupLines(cpd, mode == 3, &V2);
  if (mode == 3) {
    Print("\nIdentity component: %d Vector multiplets\n", V2 / 2);
    PrintSeparatorWithText('-', "Representation content");
    Print("(NOTE: multiplicities are for 1/2 of a standard hypermultiplet)\n");
  }
  const std::vector<int> massless = source().massless();
  if (massless.empty()) {
    Alert("SixDimensionalAnalysis", 2, 112415, "Unexpected NULL pointer");
    return -1;
  }
  std::vector<int> weights;
  for (int i : massless) weights.push_back(source().repInfo(i)[1]);
  const SixDimensionalGauge g = sixDimensionalGauge(cpd, massless, weights, H4);
  const int groups = static_cast<int>(g.letter.size());
  // The coefficient checks and, in the detailed mode, one line per contribution.
  const OpenAmplitudes& amp = openAmplitudes();
  for (std::size_t l = 1; l < massless.size(); ++l) {
    const int i = massless[l];
    const int w = weights[l];
    for (int a = 0; a < labelCount(cpd); ++a) {
      const int Na = multiplicityOf(cpd, a);
      const int ga = g.groupOfLabel[static_cast<std::size_t>(a)];
      if (Na == 0 || ga < 0) continue;
      const int M = amp.moebius(i, a);
      const int A = amp.annulus(i, a, a);
      coefficientChecks("SixDimensionalAnalysis", i, a, A, M, false);
      if (mode != 3) continue;
      const int ac = conjugateOf(cpd, a);
      PrintRep1(ga, groups, A, M, w, i, a - ac);
      if (a < ac) {
        const int adjoint = amp.annulus(i, a, ac);
        if (adjoint != 0) PrintRep1(ga, groups, adjoint, 0, w, i, 0);
      }
      for (int b = a + 1; b < labelCount(cpd); ++b) {
        const int gb = g.groupOfLabel[static_cast<std::size_t>(b)];
        if (multiplicityOf(cpd, b) == 0 || b == ac || gb < 0) continue;
        PrintRep2(groups, ga, gb, amp.annulus(i, a, b), w, i, a - ac, b - conjugateOf(cpd, b));
      }
    }
  }
  PrintSeparatorWithText('-', "");
  bool gaugeFault = false;
  for (int k = 0; k < groups; ++k)
    if (g.anomaly[static_cast<std::size_t>(k)] != 0) {
      Alert("SixDimensionalAnalysis", 3, 212404,
            "Gauge anomaly not cancelled for group factor %d\n", k);
      gaugeFault = true;
    }
  const int Hy = g.hypers / 4;
  const int C = H4 / 4;
  const int T = T2 / 2;
  const int V = g.vectors2 / 2;
  Print(
      "In total: Super:   1\n          Hyper:  %2d  (1+%d+%d)\n          Tensor: %2d\n          "
      "Vector: %2d\n",
      Hy, C - 1, Hy - C, T, V);
  const int mismatch = gravitationalAnomalyMismatch(V, C, T2, Hy);
  if (mismatch == 0)
    Print("Gravitational anomaly cancellation OK\n");
  else
    Alert("SixDimensionalAnalysis", 4, 212404,
          "Gravitational Anomaly does not cancel;\n need %d additional Hyper multiplets", mismatch);
  if (!gaugeFault) Print("Gauge anomaly cancellation OK\n");
  Print("\n");
  PrintSeparatorWithText('=', "");
  Print("\n");
  return 1;
}

// ---------------------------------------------------------------------------------------
// Detailed open sector

int DetailedGaugeSectorAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st) {
  Print("Gauge sector analysis:\n");
  int V2 = 0;
  const int groups = gaugeGroupLines(cpd, true, &V2);
  st->right.type = 0;
  st->right.chirality = 0;
  Print("\nMultiplicity: %d\n", V2 / 2);
  Print("%s\n", getSusyRepresentationString(kAdjointClass, 0, 0, st).c_str());
  return groups;
}

int DetailedOpenSectorAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st) {
  const OpenAmplitudes& amp = openAmplitudes();
  const int K = std::min(openClassCount(st), 4);
  const int n = cpd->stacks;
  bool headerDone = false;
  long long lastTotal = 0;
  const int passes = st->supersymmetric != 0 ? 1 : 2;
  for (int pass = 1; pass <= passes; ++pass) {
    std::vector<int> primaries = pass == 1 ? source().massless() : source().tachyonic();
    std::vector<long long> total(4, 0);
    std::vector<std::string> text(4);
    OpenSpectrumProgress progress(primaries.size());
    for (int i : primaries) {
      progress.step();
      if (i < 1) continue;
      const std::array<int, 4> w = source().repInfo(i);
      for (int a = 0; a < labelCount(cpd); ++a) {
        const int Na = multiplicityOf(cpd, a);
        if (Na == 0) continue;
        const int p = positionOf(cpd, a);
        const int ac = conjugateOf(cpd, a);
        const int A = amp.annulus(i, a, a);
        const int M = amp.moebius(i, a);
        coefficientChecks("DetailedOpenSectorAnalysis", i, a, A, M, true);
        if (K < 2) continue;
        for (int k = 1; k < K; ++k) {
          const int wk = w[static_cast<std::size_t>(k)];
          if (wk == 0) continue;
          if (A != 0) {
            total[static_cast<std::size_t>(k)] += static_cast<long long>(wk) * Na * (M + Na * A);
            text[static_cast<std::size_t>(k)] += PrintRep1string(p, n, A, M, wk, i, a - ac, 0);
          }
          if (a < ac) {
            const int adjoint = amp.annulus(i, a, ac);
            if (adjoint != 0) {
              total[static_cast<std::size_t>(k)] +=
                  2LL * adjoint * Na * multiplicityOf(cpd, ac) * wk;
              text[static_cast<std::size_t>(k)] += PrintRep1string(p, n, adjoint, 0, wk, i, 0, 1);
            }
          }
          for (int b = a + 1; b < labelCount(cpd); ++b) {
            const int Nb = multiplicityOf(cpd, b);
            if (Nb == 0 || b == ac) continue;
            const int Aab = amp.annulus(i, a, b);
            const long long x = 2LL * Aab * Na * Nb;
            if (x == 0) continue;
            total[static_cast<std::size_t>(k)] += x * wk;
            text[static_cast<std::size_t>(k)] += PrintRep2string(
                n, p, positionOf(cpd, b), Aab, wk, i, a - ac, b - conjugateOf(cpd, b));
          }
        }
      }
    }
    PrintGroups(cpd);
    lastTotal = 0;
    for (long long t : total) lastTotal += t;
    if (std::all_of(total.begin(), total.end(), [](long long t) { return t == 0; })) {
      Print(pass == 1 ? "No massless matter\n" : "No tachyons in open sector\n");
      continue;
    }
    if (!headerDone) {
      PrintSeparatorWithText('-', "Representation content");
      PrintGroups(cpd);
      Print("\n");
      headerDone = true;
    }
    if (pass == 2) {
      Print("!!!!! Tachyons !!!!!\n");
      PrintGroups(cpd);
      for (int a = 0; a < labelCount(cpd); ++a)
        if (multiplicityOf(cpd, a) != 0) Print("a=%d CP=%d\n", a, multiplicityOf(cpd, a));
    }
    for (int k = 1; k < K; ++k) {
      if (total[static_cast<std::size_t>(k)] == 0) continue;
      Print("Total gauge dimension %lld:\n%s", total[static_cast<std::size_t>(k)] / 2,
            getSusyRepresentationString(k, 0, 0, st).c_str());
      Print("%s\n", text[static_cast<std::size_t>(k)].c_str());
    }
  }
  return static_cast<int>(lastTotal);
}

int OpenSectorTachyonAnalysis(const ChanPatonData* cpd, SpaceTimeSymmetry* st) {
  const OpenAmplitudes& amp = openAmplitudes();
  const int K = std::min(openClassCount(st), 4);
  std::vector<long long> total(4, 0);
  const std::vector<int> tachyonic = source().tachyonic();
  OpenSpectrumProgress progress(tachyonic.size());
  for (int i : tachyonic) {
    progress.step();
    if (i < 1) continue;
    const std::array<int, 4> w = source().repInfo(i);
    for (int a = 0; a < labelCount(cpd); ++a) {
      const int Na = multiplicityOf(cpd, a);
      if (Na == 0) continue;
      const int M = amp.moebius(i, a);
      const int A = amp.annulus(i, a, a);
      if (A != 0 && Na * (A * Na + M) != 0) return 1;
      coefficientChecks("OpenSectorTachyonAnalysis", i, a, A, M, true);
      if (K < 2) continue;
      const int ac = conjugateOf(cpd, a);
      for (int k = 1; k < K; ++k) {
        const int wk = w[static_cast<std::size_t>(k)];
        if (a < ac)
          total[static_cast<std::size_t>(k)] +=
              2LL * amp.annulus(i, a, ac) * Na * multiplicityOf(cpd, ac) * wk;
        for (int b = a + 1; b < labelCount(cpd); ++b) {
          const int Nb = multiplicityOf(cpd, b);
          if (Nb == 0 || b == ac) continue;
          total[static_cast<std::size_t>(k)] += 2LL * amp.annulus(i, a, b) * Na * Nb * wk;
        }
      }
    }
  }
  if (K < 2) return 0;
  return std::any_of(total.begin(), total.end(), [](long long t) { return t != 0; }) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Supercurrent charges

int BulkSusyLocalityCheckForLabel(int b) {
  BulkInvariant* bulk = currentBulk();
  if (bulk == nullptr || bulk->orbits.empty() || bulk->orbits[0] == nullptr) return 0;
  std::vector<int> supercurrents;
  for (int k = 0; k < bulk->count[0]; ++k) {
    const int j = bulk->orbits[0][k];
    if (isSuperCurrent(j) != 0 && supercurrents.size() < 10) supercurrents.push_back(j);
  }
  const int field = getBoundaryField(b);
  for (int J : supercurrents) {
    const Rat* q = simpleCurrentCharge(J, field);
    Print("Charge of Supercurrent %d w.r.t. field %d is %lld/%lld (Fixed: %d)\n", J, b,
          q != nullptr ? q->num : 0LL, q != nullptr ? q->den : 1LL, getBoundaryFixed(b));
  }
  return 0;
}
