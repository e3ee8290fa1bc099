// Queries about the current theory and its simple currents: the stored algebras, one
// table entry, simple currents with their weights and fixed-point notes, the eta phases
// and twists of fixed points with the relations between them, Lie and CFT summaries, the
// Cartan matrix, dimensions, sums of S over fields, S at real weights, user columns of
// the spectrum tables, S-call traces and the space-time representation browsers.
//
// Fixed points, twists and eta phases are known for a single algebra only; in tensor mode
// the eta and twist commands refuse (or, for the twist checks, warn and succeed).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "groups/Discrete.h"
#include "groups/Permutations.h"
#include "interpreter/Interpreter.h"
#include "interpreter/Tables.h"
#include "lie/Branching.h"
#include "lie/LieAlgebra.h"
#include "lie/Smatrix.h"
#include "lie/SmatrixAnalytic.h"
#include "modular/Modular.h"
#include "numbers/LargeInteger.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"
#include "store/TensorHooks.h"
#include "tensor/Coset.h"

// ---------------------------------------------------------------------------------------
// Texts of phases

const char* const etastringstore[5] = {"UNDEF", " 1", " i", "-1", "-i"};

const char* twistText(int t) {
  return (t >= -1 && t <= 3) ? etastringstore[t + 1] : etastringstore[0];
}

char* etaStr(char* text, Rat eta, int width) {
  if (width < 0) width = 0;
  simplifyRat(&eta);
  RatToFrac(&eta);
  const long long n = eta.num;
  const long long d = eta.den;
  char work[64];
  if (n == 0) std::snprintf(work, sizeof work, " 1");
  else if (n == 1 && d == 2) std::snprintf(work, sizeof work, "-1");
  else if (n == 1 && d == 4) std::snprintf(work, sizeof work, " i");
  else if (n == 3 && d == 4) std::snprintf(work, sizeof work, "-i");
  else if (width >= 4 && d < 10) std::snprintf(work, sizeof work, "%1lld^%1lld", d, n);
  else if (d >= 10 && d <= 99 && width >= 5 && n <= 9) std::snprintf(work, sizeof work, "%2lld^%1lld", d, n);
  else if (d >= 10 && d <= 99 && width >= 6 && n <= 99) std::snprintf(work, sizeof work, "%2lld^%2lld", d, n);
  else std::snprintf(work, sizeof work, "***");
  std::size_t length = std::strlen(work);
  // A text that does not fit (only possible for widths below 3) is cut to stars.
  if (length > static_cast<std::size_t>(width)) {
    length = static_cast<std::size_t>(width);
    std::memset(work, '*', length);
  }
  std::memcpy(text, work, length);
  for (std::size_t i = length; i < static_cast<std::size_t>(width); ++i) text[i] = ' ';
  text[width] = '\0';
  return text + width;
}

std::string etaString(Rat eta, int width) {
  std::vector<char> buffer(static_cast<std::size_t>(width < 0 ? 0 : width) + 1);
  etaStr(buffer.data(), eta, width);
  return std::string(buffer.data());
}

int etaTwistCode(Rat G, bool* strange) {
  simplifyRat(&G);
  RatToFrac(&G);
  *strange = false;
  if (G.num == 0) return 0;
  if (G.num == 1 && G.den == 2) return 2;
  *strange = true;
  return 1;
}

int twistRatioCode(int F, int Gcode) {
  return ((F - Gcode) % 4 + 4) % 4;
}

namespace {

constexpr int kTensorWarning = 112211;  // a warning: a background run goes on
constexpr int kTensorRefusal = 112311;
constexpr int kCheckFault = 212404;
constexpr int kRelationFault = 100401;

SpectrumData* record() {
  return currentRecord();
}

// The simple currents of the current record (fields 0 .. N-1).
int currentCount(SpectrumData* sd) {
  return (sd != nullptr && sd->scgroup != nullptr) ? sd->scgroup->order : 1;
}

int stabilizerSize(SpectrumData* sd, int a) {
  std::vector<int> list;
  return SM_MakeStabilizer(sd, a, list);
}

int orbitOf(const SpectrumData* sd, int a) {
  return SM_hasOrbitNumbers(sd) ? SM_getOrbitNumber(sd, a) : a;
}

// 1 when field a lies in the map of the fixed-point CFT of current J.
bool inFixedPointMap(SpectrumData* sd, int J, int a) {
  return SM_getFPlabel(sd, J, a) >= 0;
}

// Currents from 1 on with a fixed-point CFT of their own.
std::vector<int> fixedPointCurrents(SpectrumData* sd) {
  std::vector<int> list;
  const int N = currentCount(sd);
  for (int J = 1; J < N; ++J) {
    if (SM_getFCFTlbl(sd, J) >= 1) list.push_back(J);
  }
  return list;
}

Rat ratSum(Rat a, Rat b, int sign) {
  Rat q;
  q.num = a.num * b.den + sign * b.num * a.den;
  q.den = a.den * b.den;
  simplifyRat(&q);
  return q;
}

double currentRealWeight(SpectrumData* sd, int J) {
  return SM_realWeight(sd, SM_SimpleAction(sd, J, 0));
}

// Tensor products have no fixed-point, twist or eta data yet.
bool refuseTensor(const char* routine, const char* message) {
  if (!tensorModeOn()) return false;
  Alert(routine, 0, kTensorRefusal, "%s", message);
  return true;
}

bool warnTensorTwist(const char* routine) {
  if (!tensorModeOn()) return false;
  Alert(routine, 0, kTensorWarning, "Not yet built in for tensor mode");
  return true;
}

// The width of the closing line of "browse twists".
constexpr std::size_t kTwistSeparator = 53;

void printAllTwists(SpectrumData* sd, int K, int l) {
  Print("%s\n", std::string(kTwistSeparator, '_').c_str());
  Print("Twists F(a,J,K) for K=%d (fixed point current nr. %d)\n", K, l);
  Print("%s\n", std::string(kTwistSeparator, '=').c_str());
  const int N = currentCount(sd);
  Print(" Nr.  Orb.  ");
  for (int J = 1; J < N; ++J) Print("J%-3d", J);
  Print("\n");
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (SM_checkFP(sd, K, a) != 1) continue;
    Print("%4d %4d   ", a, orbitOf(sd, a));
    for (int J = 1; J < N; ++J) {
      if (!inFixedPointMap(sd, K, a)) {
        Print("--  ");
        continue;
      }
      const char* text = twistText(SM_getCurrentTwist(sd, a, J, K));
      const bool fixes = SM_getFCFTlbl(sd, J) >= 1 && inFixedPointMap(sd, J, a);
      Print(fixes ? "%s* " : "%s  ", text);
    }
    Print("\n");
  }
}

int checkAllTwists(SpectrumData* sd, int x, int l) {
  (void)l;
  const int N = currentCount(sd);
  int result = 0;
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (SM_checkFP(sd, x, a) != 1) continue;
    for (int J = 1; J < N; ++J) {
      if (!inFixedPointMap(sd, x, a)) continue;
      if (SM_checkGenericTwist(sd, a, J, x) < 0) result = -1;
    }
  }
  return result;
}

// The quantities of one (field, J, K) case of the eta-twist relations.
struct EtaTwist {
  bool applies = false;
  Rat etaJ, etaK, etaJK, G;
  int F = 0;
  bool symmetric = true;
  bool strange = false;
  int Gcode = 0;
  int ratio = 0;
};

EtaTwist etaTwist(SpectrumData* sd, int a, int J, int K) {
  EtaTwist e;
  if (SM_checkFP(sd, J, a) != 1 || SM_checkFP(sd, K, a) != 1) return e;
  e.applies = true;
  const int JK = SM_SimpleCurrentFusion(sd, J, K);
  e.etaJ = SM_getEta(sd, a, J);
  e.etaK = SM_getEta(sd, a, K);
  e.etaJK = SM_getEta(sd, a, JK);
  e.F = SM_getCurrentTwist(sd, a, J, K);
  e.symmetric = e.F == SM_getCurrentTwist(sd, a, K, J);
  e.G = ratSum(ratSum(e.etaJ, e.etaK, 1), e.etaJK, -1);
  RatToFrac(&e.G);
  e.Gcode = etaTwistCode(e.G, &e.strange);
  e.ratio = twistRatioCode(e.F, e.Gcode);
  return e;
}

void printTwists(SpectrumData* sd, int a, int J, int K) {
  EtaTwist e = etaTwist(sd, a, J, K);
  if (!e.applies) return;
  if (!e.symmetric) Alert("printTwists", 0, kRelationFault, "Asymmetric twist for (%d,%d)", J, K);
  if (e.strange) {
    Alert("printTwists", 1, kRelationFault, "Strange eta-twist: %lld/%lld", e.G.num, e.G.den);
  }
  std::string text = etaString(e.etaJ, 7) + etaString(e.etaK, 7) + etaString(e.etaJK, 7);
  text += formatText(" %s      ", twistText(e.F));
  text += etaString(e.G, 7);
  text += formatText(" %s    ", twistText(e.ratio));
  Print("%5d %3d %5.1f  %3d%5.1f    %s\n", a, J, currentRealWeight(sd, J), K,
        currentRealWeight(sd, K), text.c_str());
  if (e.F == 0 && e.G.num != 0) {
    Alert("printTwists", 2, kRelationFault, "Violation of F(a,J,K)=1 -> G(a,J,K)=1: F=%s, G=%s",
          twistText(e.F), etaString(e.G, 7).c_str());
  }
}

int checkEtaTwistsOne(SpectrumData* sd, int a, int J, int K, bool verbose) {
  EtaTwist e = etaTwist(sd, a, J, K);
  if (!e.applies) return 0;
  if (!e.symmetric) {
    if (verbose) Print("Asymmetric twist for (%d,%d)\n", J, K);
    return -1;
  }
  const bool bad = e.strange || e.ratio != 0;
  if (verbose) {
    if (bad) {
      Print("***   F/G unequal to 1 for currents %d %d (field %d); value %s   ***\n", J, K, a,
            twistText(e.ratio));
    } else {
      Print("      F/G   equal to 1 for currents %d %d (field %d); value %s\n", J, K, a,
            twistText(e.ratio));
    }
  }
  return bad ? -1 : 0;
}

int checkEtaTwistsTwo(SpectrumData* sd, int a, int J, int K, bool verbose) {
  EtaTwist e = etaTwist(sd, a, J, K);
  if (!e.applies) return 0;
  if (!e.symmetric) {
    if (verbose) Print("Asymmetric twist for (%d,%d)\n", J, K);
    return -1;
  }
  const bool violation = e.F == 0 && e.G.num != 0;
  if (verbose) {
    if (violation) {
      Print("***   Violation of F(a,J,K)=1 -> G(a,J,K)=1: F=%s, G=%s   ***\n", twistText(e.F),
            etaString(e.G, 7).c_str());
    } else {
      Print("      No Violation of F(a,J,K)=1 -> G(a,J,K)=1: F=%s, G=%s \n", twistText(e.F),
            etaString(e.G, 7).c_str());
    }
  }
  return (violation || e.strange) ? -1 : 0;
}

using EtaTwistCheck = int (*)(SpectrumData*, int, int, int, bool);

// One phase of the eta-twist check: silently first; at the first failure the heading and
// the whole loop again, verbosely.
bool etaTwistPhase(SpectrumData* sd, const std::vector<int>& fp, EtaTwistCheck check,
                   const char* heading) {
  auto loop = [&](bool verbose) {
    bool failed = false;
    for (int a = 0; a < sd->n_primaries; ++a) {
      for (int J : fp) {
        for (int K : fp) {
          if (check(sd, a, J, K, verbose) < 0) {
            failed = true;
            if (!verbose) return true;
          }
        }
      }
    }
    return failed;
  };
  if (!loop(false)) return false;
  Print("%s", heading);
  loop(true);
  return true;
}

int check_etatwist(SpectrumData* sd) {
  std::vector<int> fp = fixedPointCurrents(sd);
  bool bad = etaTwistPhase(sd, fp, checkEtaTwistsOne, "Eta twist violations (F/G != 1)\n");
  bad = etaTwistPhase(sd, fp, checkEtaTwistsTwo, "Eta twist violations (F!=1 when G=1) \n") || bad;
  return bad ? -1 : 0;
}

std::string triple(int a, int b, int c) {
  return formatText("F(%d,%d,%d)", a, b, c);
}

// The product rule of the current twist in one of its current arguments, with J in the
// other: in the second argument F(a,K1,J) F(a,K2,J) = F(a,K1.K2,J) for all K1 <= K2; in the
// third F(a,J,K1) F(a,J,K2) = F(a,J,K1.K2) for K1 <= K2 that both fix a. On a violation the
// headline comes first, then every product with its verdict.
int checkTwistProduct(SpectrumData* sd, int a, int J, bool third) {
  const int N = currentCount(sd);
  auto twist = [&](int K) { return third ? SM_getCurrentTwist(sd, a, J, K) : SM_getCurrentTwist(sd, a, K, J); };
  auto name = [&](int K) { return third ? triple(a, J, K) : triple(a, K, J); };
  auto counts = [&](int K) { return !third || SM_checkFP(sd, K, a) == 1; };
  auto loop = [&](bool verbose) {
    bool failed = false;
    for (int K1 = 0; K1 < N; ++K1) {
      if (!counts(K1)) continue;
      for (int K2 = K1; K2 < N; ++K2) {
        if (!counts(K2)) continue;
        const int K12 = SM_SimpleCurrentFusion(sd, K1, K2);
        const int f1 = twist(K1);
        const int f2 = twist(K2);
        const int f12 = twist(K12);
        const bool ok = (f1 + f2 - f12) % 4 == 0;
        if (!ok) failed = true;
        if (!verbose) {
          if (!ok) return true;
          continue;
        }
        if (ok) {
          Print("      %s x %s =  %s\n", name(K1).c_str(), name(K2).c_str(), name(K12).c_str());
        } else {
          Print("***   %s x %s != %s (values %s,%s,%s)%s***\n", name(K1).c_str(), name(K2).c_str(),
                name(K12).c_str(), twistText(f1), twistText(f2), twistText(f12), third ? "    " : "   ");
        }
      }
    }
    return failed;
  };
  if (!loop(false)) return 0;
  if (third) {
    Print("Product rule F(a,J,K1)F(a,J,K2)=F(a,J,K1.K2) violation found in third argument (a=%d, "
          "J=%d)\n",
          a, J);
  } else {
    Print("Product rule F(a,K1,J)F(a,K2,J)=F(a,K1.K2,J) violation found in second argument "
          "(a=%d,J=%d)\n",
          a, J);
  }
  loop(true);
  return 1;
}

void twistDefinitionCheck(SpectrumData* sd) {
  const int N = currentCount(sd);
  bool bad = false;
  for (int J = 1; J < N; ++J) {
    const int l = SM_getFCFTlbl(sd, J);
    if (l < 1) continue;
    if (checkAllTwists(sd, J, l) < 0) bad = true;
  }
  if (!bad) Print("All twists are well-defined\n");
}

void twistProductCheck(SpectrumData* sd) {
  const int N = currentCount(sd);
  bool firstHeld = true, secondHeld = true;
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int J = 1; J < N; ++J) {
      if (SM_checkFP(sd, J, a) == 1 && checkTwistProduct(sd, a, J, false) != 0) firstHeld = false;
      if (checkTwistProduct(sd, a, J, true) != 0) secondHeld = false;
    }
  }
  if (firstHeld) Print("No violations in second argument product rule\n");
  if (secondHeld) Print("No violations in third argument product rule\n");
}

void twistEtaCheck(SpectrumData* sd) {
  if (check_etatwist(sd) == 0) Print("No eta-twist violations\n");
}

// The table of the current mode's spectrum.
const char* spectrumTableName() {
  return tensorModeOn() ? "TensorSpectrum" : "Spectrum";
}

bool userColumnCell(std::string& cell, const void* item, int row) {
  const std::string* expression = static_cast<const std::string*>(item);
  cell = getExtraColumnText(expression->c_str(), row);
  return true;
}

// Shows or hides the columns named by each word in both spectrum tables.
int showColumns(char** params, int n, int flag) {
  static const char* const kTables[] = {"Spectrum", "TensorSpectrum"};
  for (int i = 0; i < n; ++i) {
    int matched = 0;
    for (const char* name : kTables) {
      if (findTable(name) == nullptr) continue;
      matched += setPrintPrefs(name, params[i], flag);
    }
    if (matched == 0) Print("Column %s not found\n", params[i]);
  }
  return -n;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Browse commands

int COM_browse_alg(char**, int) {
  SM_printAlgebras();
  return 0;
}

int COM_display_entry(char** params, int n) {
  const char* tableName = spectrumTableName();
  Table* table = findTable(tableName);
  if (table == nullptr) {
    Alert("COM_display_entry", 0, kRefusedLookup, "Table %s not found", tableName);
    return 1;
  }
  // The look-up names an unknown column in its own alert.
  Column* column = findColumn(table, params[0]);
  if (column == nullptr) return 1;
  const int i = intParameter(params, 1);
  if (column->init != nullptr && column->init(nullptr) == 0) {
    Alert("COM_display_entry", 1, 100301, "Data not available");
    return 1;
  }
  if (column->width > 900) {
    Alert("COM_display_entry", 2, 100301, "Entry size too large");
    return 1;
  }
  std::string cell;
  if (column->getter != nullptr) {
    const void* item = column->itemIsDescription != 0 ? static_cast<const void*>(&column->description)
                                                      : nullptr;
    column->getter(cell, item, i);
  }
  Print("%s\n", cell.c_str());
  Print("\n");
  return -n;
}

int COM_browse_twist(char**, int) {
  if (refuseTensor("COM_browse_twist", "Twist not available for tensor products")) return 1;
  SpectrumData* sd = record();
  const int N = currentCount(sd);
  for (int J = 1; J < N; ++J) {
    const int l = SM_getFCFTlbl(sd, J);
    if (l >= 1) printAllTwists(sd, J, l);
  }
  Print("_____________________________________________________\n");
  Print("\nAn asterisk * indicates that J fixes a\n\n");
  return 0;
}

std::vector<int> exceptionalSimpleCurrents() {
  const CommandsState& s = commandsState();
  if (s.spectrumComputed != 1 || s.modularMode == nullptr || s.modularMode->active == 0) return {};
  return exceptionalSimpleCurrentFields(std::max(totalCurrents(), 1));
}

int COM_browse_simple(char**, int) {
  SpectrumData* sd = tensorModeOn() ? nullptr : record();
  bool fixedPointData = false;
  if (sd != nullptr) fixedPointData = SM_initFCFTData(sd) >= 0;
  DGType* centre = getCenter();
  const int N = centre->order;
  if (N != 1) {
    Print("Total simple current order: %d\n", N);
    Print("Basis decomposition of currents: \n");
    Print("Group:                          ");
    for (int j = 0; j < centre->nfactors; ++j) {
      Print(j + 1 < centre->nfactors ? "Z_%-2d*" : "Z_%-3d\n", centre->factors[j]);
    }
    for (int J = 0; J < N; ++J) {
      const Rat h = *ratWeight(J);
      Print("Nr. %4d: ", J);
      Print("  Weight: %4lld/%-4lld ", h.num, h.den);
      for (int j = 0; j < centre->nfactors; ++j) Print("%4d ", DG_decomp(centre, J, j));
      if (sd != nullptr) {
        const int l = SM_getFCFTlbl(sd, J);
        if (l >= 1) {
          SpectrumData* fcft = fixedPointData ? SM_getFCFT(sd, J) : nullptr;
          if (fcft == nullptr) {
            Print(" (fixed points, No known resolution) ");
          } else if (fcft->validity > 0) {
            Print(" (fixed points, resolved by FCFT %s)", fcft->name);
          } else {
            Print(" (fixed points, FCFT %s is undetermined)", fcft->name);
          }
        }
      }
      Print("\n");
    }
  } else if (sd != nullptr && sd->type == kTypeExceptional && sd->rank == 8 && sd->level == 2) {
    Print("Exceptional simple current of spin 3/2 (not built in)\n");
  } else {
    Print("No simple currents (except possibly from fixed points)\n");
  }
  getExceptionalSimpleCurrents(N);
  return 0;
}

int COM_browse_eta(char**, int) {
  if (refuseTensor("COM_browse_eta", "Feature not available for tensor products")) return 1;
  SpectrumData* sd = record();
  std::vector<int> fp = fixedPointCurrents(sd);
  if (currentCount(sd) <= 1) return 0;
  Print(" Nr.  Orb.  ");
  for (int J : fp) Print("J%-3d", J);
  Print("\n");
  for (int a = 0; a < sd->n_primaries; ++a) {
    if (stabilizerSize(sd, a) < 2) continue;
    Print("%4d %4d   ", a, orbitOf(sd, a));
    for (int J : fp) {
      if (inFixedPointMap(sd, J, a)) Print("%s", etaString(SM_getEta(sd, a, J), 4).c_str());
      else Print("--  ");
    }
    Print("\n");
  }
  return 0;
}

int COM_checkEtaRelation(char**, int) {
  if (refuseTensor("COM_checkEtaRelation", "Feature not available for tensor products")) return 1;
  SpectrumData* sd = record();
  std::vector<int> fp = fixedPointCurrents(sd);
  for (int f = 0; f < sd->n_primaries; ++f) {
    if (stabilizerSize(sd, f) < 2) continue;
    for (int J : fp) {
      if (!inFixedPointMap(sd, J, f)) continue;
      Rat hJ;
      SM_getRatWeight(sd, SM_SimpleAction(sd, J, 0), &hJ);
      Rat halfH{hJ.num, 2 * hJ.den};
      Rat s = ratSum(SM_getEta(sd, f, J), halfH, 1);
      s.num *= 2;
      simplifyRat(&s);
      if (s.den != 1) Alert("COM_checkEtaRelation", 0, kCheckFault, "Fractional number");
      const int FS = Pfusion(f, 0, 0);
      if (FS == 0) {
        Alert("COM_checkEtaRelation", 1, kCheckFault, "Zero FS");
        continue;
      }
      const int sign = (s.num % 2 == 0) ? 1 : -1;
      const int Y = Pfusion(f, 0, SM_SimpleAction(sd, J, 0));
      Print("%d %d: %d %d\n", f, J, sign, FS == -1 ? -Y : Y / FS);
    }
  }
  return 0;
}

int COM_browse_spin1(char**, int) {
  if (tensorModeOn()) {
    // Ground-state dimensions exist for products of G factors only, never for a coset.
    if (DimComputable(currentTensor) != 0) {
      Print("Number of spin 1 currents: %d\n", SpinOneCount(currentTensor));
    } else {
      Print("Information not available for coset CFT's\n");
    }
    return 0;
  }
  SpectrumData* sd = record();
  const bool affine = sd != nullptr && ((sd->type >= 1 && sd->type <= 5) ||
                                        (sd->type >= kTypeTwistedA2 && sd->type <= kTypeTwistedG3));
  if (!affine) {
    Print("Information not available for coset CFT's\n");
    return 0;
  }
  Print("Horizontal Lie Algebra:    %s\n", SM_getHorizontalAlgebraName(sd).c_str());
  Print("Number of spin 1 currents: %d\n", sd->adjoint_dim);
  if (sd->dual_coxeter != -1) Print("Dual Coxeter number:       %d\n", sd->dual_coxeter);
  Print(sd->complex != 0 ? "Complex:                  YES\n" : "Complex:                   NO\n");
  return 0;
}

int COM_browse_cft(char**, int) {
  if (tensorModeOn()) {
    TensorProduct* TP = currentTensor;
    Print(TP->CosetFlag != 0 ? "Coset CFT: \n" : "Tensor product: \n");
    printTensorData(TP);
    Print("Central Charge:                   %-15.7f\n", cosetCentralCharge(TP));
    Print("Number of primaries:              %d\n", *NumberOfTensorPrimaries(TP));
    return 0;
  }
  SpectrumData* sd = record();
  Print("Name:                             %s\n", sd->name);
  Print("Central Charge:                   %-15.7f\n", Central_Charge());
  Print("Number of primaries:              %d\n", totalPrimaries());
  Print("Number of simple current orbits:  %d\n", sd->n_orbits);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Twist and eta checks

int COM_etatwist(char**, int) {
  if (warnTensorTwist("COM_etatwist")) return 0;
  SpectrumData* sd = record();
  std::vector<int> fp = fixedPointCurrents(sd);
  if (fp.empty()) return 0;
  Print("field   J  spin_J  K spin_K eta_J  eta_K  eta_JK  F(J,K)  G(J,K)  F/G\n");
  for (int a = 0; a < sd->n_primaries; ++a) {
    for (int J : fp) {
      for (int K : fp) printTwists(sd, a, J, K);
    }
  }
  return 0;
}

int COM_check_twist_eta(char**, int) {
  if (warnTensorTwist("COM_check_twist_eta")) return 0;
  twistEtaCheck(record());
  return 0;
}

int COM_check_twist_definition(char**, int) {
  if (warnTensorTwist("COM_check_twist_definition")) return 0;
  twistDefinitionCheck(record());
  return 0;
}

int COM_check_twist_prod(char**, int) {
  if (warnTensorTwist("COM_check_twist_prod")) return 0;
  twistProductCheck(record());
  return 0;
}

int COM_check_twist_all(char**, int) {
  if (warnTensorTwist("COM_check_twist_all")) return 0;
  SpectrumData* sd = record();
  twistDefinitionCheck(sd);
  twistProductCheck(sd);
  twistEtaCheck(sd);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Queries and table columns

int COM_trace_s(char** params, int n) {
  const int flag = intParameter(params, 0);
  if (flag != 0 && flag != 1) return 1;
  MOD_set_S_CALL_TRACE(flag);
  SMatrix_set_S_CALL_TRACE(flag);
  CT_set_S_CALL_TRACE(flag);
  SM_set_S_CALL_TRACE(flag);
  return -n;
}

int COM_newcol(char** params, int n) {
  const char* tableName = spectrumTableName();
  Table* table = findTable(tableName);
  if (table == nullptr) {
    Alert("COM_newcol", 0, kRefusedLookup, "Table %s not found", tableName);
    return 1;
  }
  // A second column of the same name could never be told apart from the first.
  for (const Column* existing : table->columns) {
    if (strcasecmp(existing->name.c_str(), params[0]) == 0) {
      Alert("COM_newcol", 1, kRefusedValue, "Column %s exists already", params[0]);
      return 1;
    }
  }
  Column* column = makeColumn(params[0], params[1], 80, userColumnCell, nullptr);
  // User-made: the cells are computed from the column's own expression.
  column->itemIsDescription = 1;
  addColumn(tableName, column);
  return -n;
}

int COM_restore(char** params, int n) {
  return showColumns(params, n, 1);
}

int COM_suppress(char** params, int n) {
  return showColumns(params, n, 0);
}

int COM_check_branch(char** params, int n) {
  checkBranchingTable(intParameter(params, 0), intParameter(params, 1), intParameter(params, 2),
                      intParameter(params, 3));
  return -n;
}

int COM_browse_Lorentz(char** params, int n) {
  const int d = intParameter(params, 0);
  // The little-group table knows the dimensions up to the bosonic string's.
  if (d > 26) {
    Alert("COM_browse_Lorentz", 0, kRefusedValue, "Maximal dimension: 26");
    return 1;
  }
  displayLorentzReps(d);
  return -n;
}

int COM_check_susy(char** params, int n) {
  displaySusy(0, nullptr, nullptr, 0, 0, 0, -1);
  if (n == 0) {
    displaySusy1();
    return 0;
  }
  const int d = intParameter(params, 0);
  if (n == 1) {
    displaySusy2(d, 2);
    return -1;
  }
  SusyType left, right;
  if (getChiralSusyType(params[1], d, &left) != 0) return 1;
  if (n == 2) {
    displaySusy3(d, &left, 3);
    return -2;
  }
  if (getChiralSusyType(params[2], d, &right) != 0) return 1;
  if (n == 3) {
    displaySusy4(d, &left, &right, 4);
    return -3;
  }
  const int m1 = getMultiplet(params[3], &left);
  if (m1 == 999) return 1;
  if (n == 4) {
    displaySusy5(d, &left, &right, m1, 5);
    return -4;
  }
  const int m2 = getMultiplet(params[4], &right);
  if (m2 == 999) return 1;
  const int sym = n >= 6 ? intParameter(params, 5) : 0;
  displaySusy(d, &left, &right, m1, m2, sym, 6);
  return n >= 6 ? -6 : -5;
}

int COM_custom_perm(char** params, int n) {
  setManualPermutations(params[0]);
  return -n;
}

int COM_Cartan(char**, int) {
  SpectrumData* sd = record();
  if (tensorModeOn() || sd == nullptr || sd->type < 1 || sd->type > 5) {
    Alert("COM_Cartan", 0, 100302, "Not a WZW model");
    return 1;
  }
  printCartanMatrix(sd->type, sd->rank);
  return 0;
}

int COM_browse_data(char**, int) {
  if (tensorModeOn()) {
    Print("Command only available in single algebra mode\n");
    return 0;
  }
  SM_printSpectrumData(record());
  return 0;
}

int COM_set_texstring(char** params, int n) {
  if (tensorModeOn()) {
    Print("Command only available in single algebra mode\n");
    return -n;
  }
  SM_setTeXString(record(), n >= 1 ? params[0] : "");
  return -n;
}

int COM_raws(char** params, int n) {
  SpectrumData* sd = record();
  if (tensorModeOn() || sd == nullptr) {
    Alert("COM_raws", 1, 100302, "Command only available in single algebra mode");
    return 1;
  }
  const int r = sd->rank;
  if (n != 2 * r + 1) {
    Alert("COM_raws", 0, 100302, "incorrect number of parameters");
    return 1;
  }
  std::vector<double> values(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (convertToDouble(params[i], &values[static_cast<std::size_t>(i)]) != 0) return 1;
  }
  double re = 0, im = 0;
  DoubleSDirect(sd->type, r, sd->level, values.data() + 1, values.data() + 1 + r, &re, &im,
                values[0]);
  Print("S: %15.7f %15.7f\n", re, im);
  return -n;
}

int COM_getdim(char** params, int n) {
  if (tensorModeOn()) {
    Alert("COM_getdim", 0, 100302, "Command only available in single algebra mode");
    return 1;
  }
  const int lbl = intParameter(params, 0);
  if (lbl < 0) return 1;
  SpectrumData* sd = record();
  // Exact dimensions exist for the Lie algebras (and U(1)) only.
  const bool lie = sd != nullptr && ((sd->type >= kTypeU1 && sd->type <= kTypeExceptional) ||
                                      (sd->type >= kTypeTwistedA2 && sd->type <= kTypeTwistedG3));
  if (!lie) {
    Alert("COM_getdim", 1, 100302, "Dimensions not available for %s",
          sd != nullptr ? sd->name : "this theory");
    return 1;
  }
  const int* labels = SM_getRep(sd, lbl);
  if (labels == nullptr) return 1;
  fint dimension = IntegerDim(labels, sd->type, sd->rank);
  Print("%s\n", fint_string(&dimension).c_str());
  return -n;
}

int COM_grade(char** params, int n) {
  (void)n;
  if (tensorModeOn()) {
    Alert("COM_grade", 0, 100301, "Grade command only works in algebra mode");
    return 1;
  }
  return SM_grade(record(), intParameter(params, 0));
}

int COM_S_sum(char** params, int n) {
  const int total = totalPrimaries();
  for (int i = 0; i < total; ++i) {
    double sumRe = 0, sumIm = 0;
    for (int k = 0; k < n; ++k) {
      double re, im;
      compS(i, intParameter(params, k), &re, &im);
      sumRe += re;
      sumIm += im;
    }
    Print("%d: %20.10f           +%20.10f i\n", i, sumRe, sumIm);
  }
  return -n;
}
