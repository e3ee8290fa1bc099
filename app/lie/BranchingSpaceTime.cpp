// Space-time representations and supersymmetry types.
//
// A space-time representation is a vector of d + 10 multiplicities over the little-group
// classes of a d-dimensional theory (LittleGroupClass; the p-forms follow at kFormClass
// + p). Each chiral half of a string spectrum carries a covariant lattice algebra
// (SusyType); a lattice class decomposes into four light-cone classes through the
// branching table into D_{d/2+3} (even d) or B_{(d-1)/2+3} (odd d), and the product of the
// two halves' light-cone contents, with Fermi statistics under symmetrisation, gives the
// space-time representation. Results are returned by value; the only state is the printer
// hook of the multiplet browser and the pair of types it printed last.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "collections/VectorUtility.h"
#include "interpreter/Tables.h"
#include "lie/Branching.h"
#include "lie/BranchingInternal.h"
#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"

namespace {

constexpr int kMaxDimension = 26;
constexpr int kMinDimension = 2;
// A line of printed multiplets is broken before an item once it holds this many characters.
constexpr std::size_t kLineBreakColumn = 61;

bool isEven(int d) { return d % 2 == 0; }

// The exponent k of the light-cone spinor: 2^k is twice its degrees of freedom.
int spinorExponent(int d) { return isEven(d) ? d / 2 - 1 : (d - 1) / 2; }

// Binomial coefficient, exact; 0 outside 0 <= k <= n.
long long choose(int n, int k) {
  if (k < 0 || n < 0 || k > n) return 0;
  long long result = 1;
  for (int i = 0; i < k; ++i) result = result * (n - i) / (i + 1);
  return result;
}

const char* const kEvenNotation[] = {"S0", "F+", "V1", "F-", "G2", "B2",
                                     "D0", "FV+", "FV-", "A+", "A-"};
const char* const kOddNotation[] = {"S0", "F", "V1", "--", "G2", "B2", "D0", "FV", "--", "--", "--"};
const char* const kEvenInterpretation[] = {
    "Scalar",  "Chiral spinor",    "Vector",           "Anti-chiral spinor",
    "Graviton", "B-tensor",        "Dilaton",          "Chiral gravitino",
    "Anti-chiral gravitino", "Self-dual tensor", "Anti-selfdual tensor"};
const char* const kOddInterpretation[] = {
    "Scalar",   "Spinor",       "Vector",       "- NOT USED -",
    "Graviton", "B-tensor",     "Dilaton",      "Gravitino",
    "- NOT USED -", "- NOT USED -", "- NOT USED -"};
const char* const kFormInterpretation[] = {"Scalar RR-field", "Vector RR-field", "2-form RR-field",
                                           "3-form RR-field"};

// The built-in six-dimensional multiplets.
struct KnownMultiplet {
  int dimension;
  int rep[16];
  const char* name;
};
const KnownMultiplet kKnownMultiplets[] = {
    // 2 F-, G2, D0, 2 FV+, A+, 3 A0
    {6, {0, 0, 0, 2, 1, 0, 1, 2, 0, 1, 0, 3, 0, 0, 0, 0}, "Gravity"},
    // S0, 2 F-, A-
    {6, {1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}, "Tensor"},
    // 3 S0, 2 F-, A0
    {6, {3, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}, "Hyper"},
    // 2 S0, F-
    {6, {2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "1/2 Hyper"},
    // 2 F+, V1
    {6, {0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Vector"},
};

// sum += factor * part, entry by entry, reporting an entry that leaves the int range.
void accumulate(std::vector<int>& sum, const std::vector<int>& part, long long factor) {
  for (std::size_t i = 0; i < sum.size() && i < part.size(); ++i) {
    long long value = sum[i] + factor * part[i];
    if (value > INT_MAX || value < INT_MIN) {
      Alert("multiplySpaceTimeReps", 0, 212404, "Multiplicity out of range: %lld", value);
      value = 0;
    }
    sum[i] = static_cast<int>(value);
  }
}

void addForm(std::vector<int>& v, int p) {
  const std::size_t index = static_cast<std::size_t>(kFormClass + p);
  if (p >= 0 && index < v.size()) ++v[index];
}

// The light-cone class of the vector and of the (first) spinor.
int lightconeVector(int d) { return isEven(d) ? 2 : 1; }

// The product of two light-cone spinors as forms.
void spinorProduct(std::vector<int>& v, int d, int i, int j, int sym) {
  if (!isEven(d)) {
    // Residues p mod 4 of the symmetric and antisymmetric forms, by d mod 8 = 1, 3, 5, 7.
    static const int symmetric[4][2] = {{0, 3}, {0, 1}, {1, 2}, {2, 3}};
    static const int antisymmetric[4][2] = {{1, 2}, {2, 3}, {0, 3}, {0, 1}};
    const int row = ((d % 8) - 1) / 2;
    for (int p = 0; p <= (d - 3) / 2; ++p) {
      const int q = p % 4;
      const bool inSym = q == symmetric[row][0] || q == symmetric[row][1];
      const bool inAnti = q == antisymmetric[row][0] || q == antisymmetric[row][1];
      if ((sym >= 0 && inSym) || (sym <= 0 && inAnti)) addForm(v, p);
    }
    return;
  }
  const int residue = d % 8;
  if (i == j) {
    if (sym >= 0) ++v[i == 1 ? kSelfDualTensor : kAntiSelfDualTensor];
    // Residues p mod 4 of the antisymmetric and symmetric forms, by d mod 8 = 0, 2, 4, 6.
    static const int antiResidue[4] = {1, 2, 3, 0};
    static const int symResidue[4] = {3, 0, 1, 2};
    for (int p = 0; p <= d / 2 - 2; ++p) {
      if (sym <= 0 && p % 4 == antiResidue[residue / 2]) addForm(v, p);
      if (sym >= 0 && p % 4 == symResidue[residue / 2]) addForm(v, p);
    }
    return;
  }
  const int parity = residue == 0 || residue == 4 ? 0 : 1;
  for (int p = 0; p <= d / 2 - 2; ++p) {
    if (p % 2 == parity) addForm(v, p);
  }
}

// Appends one line group ("     Bosons   (8 d.o.f.):   [V1] + ...") for the classes whose
// fermion flag equals fermions.
void appendStates(std::string& out, const char* header, int d, const int* rep, bool fermions) {
  out += header;
  for (int i = 0; i < spaceTimeLength(d); ++i) {
    if (rep[i] == 0 || (isFermion(i) != 0) != fermions) continue;
    const std::size_t lineStart = out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1;
    if (out.size() - lineStart >= kLineBreakColumn && out.size() >= 3 &&
        out.compare(out.size() - 3, 3, " + ") == 0) {
      out.resize(out.size() - 3);
      out += "\n" + std::string(26, ' ') + "+ ";
    }
    const std::string name = repname(d, i);
    if (rep[i] == 1) {
      out += formatText("[%s] + ", name.c_str());
    } else {
      out += formatText("%d[%s] + ", rep[i], name.c_str());
    }
  }
  if (out.size() >= 3 && out.compare(out.size() - 3, 3, " + ") == 0) out.resize(out.size() - 3);
  out += "\n";
}

SusyType makeType(int type, int rank, int chirality) {
  SusyType t;
  t.type = type;
  t.rank = rank;
  t.chirality = chirality;
  t.chiralityResolved = 1;
  return t;
}

bool sameTypes(const SusyType& a, const SusyType& b) {
  return a.type == b.type && a.rank == b.rank && a.chirality == b.chirality;
}

// Number of classes the multiplet browser runs over: E6 without chirality (d < 4) has one.
int browsedClassCount(const SusyType* desc, int d) {
  if (desc->type == kTypeExceptional && desc->rank == 6 && d < 4) return 2;
  return RepCnt(desc->type, desc->rank);
}

// The printer used when the command set has installed none: prints the type header when
// the pair changed (mode below 4), the class codes (mode below 6) and the representation.
void defaultDisplaySusy(int d, const SusyType* first, const SusyType* second, int classL,
                        int classR, int sym, int mode) {
  BranchingState& s = branchingState();
  if (mode == -1) {
    s.pairRemembered = false;
    return;
  }
  const bool samePair =
      s.pairRemembered && sameTypes(s.lastFirst, *first) && sameTypes(s.lastSecond, *second);
  if (mode < 4 && !samePair) {
    PrintSeparatorWithText('-', "");
    Print("Susy type: Left : %s\n", susyname(first).c_str());
    Print("           Right: %s\n", susyname(second).c_str());
    Print("           Space-Time dimension: %d\n", d);
    Print("\nThe following representations may occur\n");
  }
  if (mode < 6) {
    Print("\nRepresentation: (%s,%s)\n", susyrepname(first, d, classL).c_str(),
          susyrepname(second, d, classR).c_str());
  }
  SpaceTimeSymmetry st;
  st.left = *first;
  st.right = *second;
  st.dimension = d;
  Print("%s", getSusyRepresentationString(classL, classR, sym, &st).c_str());
  s.pairRemembered = true;
  s.lastFirst = *first;
  s.lastSecond = *second;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Little-group classes
// ---------------------------------------------------------------------------------------

std::string repname(int d, int i) {
  if (i < 0) return "";
  if (i >= kFormClass) return formatText("A%d", i - kFormClass);
  return isEven(d) ? kEvenNotation[i] : kOddNotation[i];
}

std::string LorentzRepInterpretation(int d, int i) {
  if (i < 0) return "";
  if (i >= kFormClass) {
    const int p = i - kFormClass;
    if (p < 4) return kFormInterpretation[p];
    return formatText("%d-form RR-field", p);
  }
  return isEven(d) ? kEvenInterpretation[i] : kOddInterpretation[i];
}

int lightconeDim(int d, int i) {
  const long long spinor = 1LL << std::max(0, spinorExponent(d));
  long long twice = 0;
  switch (i) {
    case kScalar:
    case kDilaton: twice = 2; break;
    case kChiralSpinor:
    case kAntiChiralSpinor: twice = spinor; break;
    case kVector: twice = 2LL * d - 4; break;
    case kGraviton: twice = static_cast<long long>(d) * (d - 3); break;
    case kBTensor: twice = static_cast<long long>(d - 2) * (d - 3); break;
    case kChiralGravitino:
    case kAntiChiralGravitino: twice = spinor * (d - 3); break;
    case kSelfDualTensor:
    case kAntiSelfDualTensor: twice = isEven(d) ? choose(d - 2, d / 2 - 1) : 0; break;
    default:
      if (i >= kFormClass) twice = 2 * choose(d - 2, i - kFormClass);
      break;
  }
  // In two dimensions the graviton and the gravitino count negative: formal counts that
  // keep supersymmetric products balanced.
  return static_cast<int>(std::clamp<long long>(twice, INT_MIN, INT_MAX));
}

std::string getDOF(int n) {
  if (n % 2 != 0) return formatText("%d/2", n);
  return formatText("%d", n / 2);
}

int isFermion(int i) {
  return i == kChiralSpinor || i == kAntiChiralSpinor || i == kChiralGravitino ||
                 i == kAntiChiralGravitino
             ? 1
             : 0;
}

int isSpinor(int d, int i) {
  if (!isEven(d)) return i == 2 ? 1 : 0;
  return i % 2 != 0 ? 1 : 0;
}

void displayLorentzReps(int d) {
  if (d > kMaxDimension) {
    Alert("displayLorentzReps", 0, 112413, "Maximal dimension: 26");
    return;
  }
  if (d < kMinDimension) {
    Alert("displayLorentzReps", 1, 112413, "Minimal dimension: 2");
    return;
  }
  branchingState().lorentzDimension = d;
  const int lastClass = (d + d % 2) / 2 + 10;
  printTable("Lorentz", 0, lastClass + 1, 1, 0, nullptr, nullptr);
}

bool BR_getNotationString(std::string& cell, const void*, int classIndex) {
  cell = repname(branchingState().lorentzDimension, classIndex);
  return true;
}

bool BR_getInterpretationString(std::string& cell, const void*, int classIndex) {
  const int d = branchingState().lorentzDimension;
  cell = LorentzRepInterpretation(d, classIndex);
  if (isEven(d) && (classIndex == kSelfDualTensor || classIndex == kAntiSelfDualTensor)) {
    cell += formatText(" (rank %d)", (d - 2) / 2);
  }
  if (d == 4 && classIndex == kBTensor) cell += " (axion)";
  return true;
}

bool BR_getDOFString(std::string& cell, const void*, int classIndex) {
  const int d = branchingState().lorentzDimension;
  const bool unused = classIndex == kAntiChiralSpinor || classIndex == kAntiChiralGravitino ||
                      classIndex == kSelfDualTensor || classIndex == kAntiSelfDualTensor;
  cell = !isEven(d) && unused ? "-" : getDOF(lightconeDim(d, classIndex));
  return true;
}

// ---------------------------------------------------------------------------------------
// Decompositions and products
// ---------------------------------------------------------------------------------------

std::array<int, 4> SusySpinDecomposition(const SusyType* desc, int d, int repClass) {
  std::array<int, 4> count{};
  int type = desc->type, rank = desc->rank, c = repClass;
  if (type == 0) {
    // The bosonic half is the lattice of the light-cone vector alone.
    if (isEven(d)) {
      type = kTypeD;
      rank = (d + 6) / 2;
    } else {
      type = kTypeB;
      rank = (d + 5) / 2;
    }
    if (c == 0) c = VectorIndex(type);
  }
  const int targetType = isEven(d) ? kTypeD : kTypeB;
  const int targetRank = isEven(d) ? d / 2 + 3 : (d - 1) / 2 + 3;
  const BranchingTable* t = makeBranchingTable(type, rank, targetType, targetRank, desc->chirality);
  if (t == nullptr) return count;
  if (c != kAdjointClass && (c < 0 || c >= t->nReps)) {
    Alert("SusySpinDecomposition", 0, 212404,
          "Unexpected representation dim=%d, type=(%d,%d), rep=%d (chir=%d)", d, desc->type,
          desc->rank, repClass, desc->chirality);
    return count;
  }
  const int* row = c == kAdjointClass ? t->adjoint : t->table[c];
  const int adjoint = c == kAdjointClass ? 1 : 0;
  if (isEven(d)) {
    count = {row[2], row[1], adjoint, row[3]};
  } else {
    count = {row[1], adjoint, row[2], 0};
  }
  return count;
}

std::vector<int> CovLatTensor(int d, int i, int j, int sym) {
  std::vector<int> v(static_cast<std::size_t>(std::max(0, spaceTimeLength(d))), 0);
  if (v.size() <= static_cast<std::size_t>(kFormClass)) return v;
  if (i > j) std::swap(i, j);
  const bool even = isEven(d);
  const int vector = lightconeVector(d);
  if (i == 0) {
    if (j == 0) {
      if (sym >= 0) ++v[kScalar];
    } else if (j == vector) {
      ++v[kVector];
    } else if (even) {
      ++v[j == 1 ? kChiralSpinor : kAntiChiralSpinor];
    } else if (j == 2) {
      ++v[kChiralSpinor];
    }
  } else if (i == vector && j == vector) {
    if (sym >= 0) {
      ++v[kGraviton];
      ++v[kDilaton];
    }
    if (sym <= 0 && (!even || d >= 3)) ++v[kBTensor];
  } else if (even && i == 1 && j == 2) {
    ++v[kChiralGravitino];
    ++v[kAntiChiralSpinor];
  } else if (even && i == 2 && j == 3) {
    ++v[kAntiChiralGravitino];
    ++v[kChiralSpinor];
  } else if (!even && i == 1 && j == 2) {
    ++v[kChiralSpinor];
    ++v[kChiralGravitino];
  } else if (isSpinor(d, i) && isSpinor(d, j) && j <= 3) {
    spinorProduct(v, d, i, j, sym);
  }
  return v;
}

std::vector<int> multiplySpaceTimeReps(int d, int sym, const int* a, const int* b) {
  std::vector<int> sum(static_cast<std::size_t>(std::max(0, spaceTimeLength(d))), 0);
  for (int i = 0; i < 4; ++i) {
    if (a[i] == 0) continue;
    for (int j = 0; j < 4; ++j) {
      if (b[j] == 0) continue;
      if (sym == 0 || i < j) {
        accumulate(sum, CovLatTensor(d, i, j, 0), static_cast<long long>(a[i]) * b[j]);
      } else if (i == j) {
        // Two identical fermions: the symmetric product of states is antisymmetric.
        const int s = isSpinor(d, i) ? -sym : sym;
        const long long n = a[i];
        accumulate(sum, CovLatTensor(d, i, i, s), n * (n + 1) / 2);
        accumulate(sum, CovLatTensor(d, i, i, -s), n * (n - 1) / 2);
      }
    }
  }
  return sum;
}

const char* getSpaceTimeRepName(int n, int d, const int* rep) {
  for (const KnownMultiplet& known : kKnownMultiplets) {
    if (known.dimension != d) continue;
    bool equal = true;
    for (int i = 0; i < n && equal; ++i) equal = rep[i] == (i < 16 ? known.rep[i] : 0);
    if (equal) return known.name;
  }
  return nullptr;
}

std::string printSpaceTimeRep(int n, int d, const int* rep, int check) {
  long long bosons = 0, fermions = 0;
  for (int i = 0; i < spaceTimeLength(d); ++i) {
    const long long dof = static_cast<long long>(rep[i]) * lightconeDim(d, i);
    (isFermion(i) ? fermions : bosons) += dof;
  }
  std::string out;
  if (check == 1 && bosons != fermions) {
    printVec(n, rep, "Rep: ");
    Alert("printSpaceTimeRep", 0, 212404, "Supersymmetry violation\n");
  }
  if (bosons > 0) {
    appendStates(out,
                 formatText("     Bosons   (%s d.o.f.):   ", getDOF(static_cast<int>(bosons)).c_str())
                     .c_str(),
                 d, rep, false);
  }
  if (fermions > 0) {
    appendStates(
        out,
        formatText("     Fermions (%s d.o.f.):   ", getDOF(static_cast<int>(fermions)).c_str()).c_str(),
        d, rep, true);
  }
  if (bosons + fermions == 0) out += "    No states\n";
  if (const char* name = getSpaceTimeRepName(n, d, rep)) out += formatText("     (%s multiplet)\n", name);
  return out;
}

std::string SpinDecomposition(int type, int rank, int d, int repClass, int sign) {
  const SusyType desc = makeType(type, rank, sign);
  const std::array<int, 4> count = SusySpinDecomposition(&desc, d, repClass);
  const int scalars = count[0];
  const int vectors = isEven(d) ? count[2] : count[1];
  std::string out;
  auto words = [&out](int n, const char* one, const char* many) {
    if (n == 1) out += formatText("%s + ", one);
    if (n > 1) out += formatText("%d %s + ", n, many);
  };
  if (vectors != 0) out += "Vector + ";
  words(scalars, "Scalar", "Scalars");
  if (isEven(d)) {
    words(count[1], "Chiral Spinor", "Chiral Spinors");
    words(count[3], "Anti-chiral Spinor", "Anti-chiral Spinors");
  } else {
    words(count[2], "Spinor", "Spinors");
  }
  if (out.size() >= 3) out.resize(out.size() - 3);
  return out;
}

std::vector<int> getSusyRepresentation(int classL, int classR, int sym, SpaceTimeSymmetry* st) {
  if (checkSusyType(st) != 0) return {};
  const int d = st->dimension, length = spaceTimeLength(d);
  const std::array<int, 4> left = SusySpinDecomposition(&st->left, d, classL);
  const std::array<int, 4> right = SusySpinDecomposition(&st->right, d, classR);
  std::vector<int> result(static_cast<std::size_t>(2 * length), 0);
  if (classL == classR && sym == 0 && st->identical) {
    Alert("getSusyRepresentation", 0, 212304, "Reducible susy representation");
    const std::vector<int> symmetric = multiplySpaceTimeReps(d, 1, left.data(), right.data());
    const std::vector<int> antisymmetric = multiplySpaceTimeReps(d, -1, left.data(), right.data());
    for (int i = 0; i < length; ++i) {
      result[i] = symmetric[i] + antisymmetric[i];
      result[length + i] = antisymmetric[i];
    }
    return result;
  }
  const std::vector<int> product = multiplySpaceTimeReps(
      d, adjustSymmetrization(st, classL, classR, sym), left.data(), right.data());
  std::copy(product.begin(), product.end(), result.begin());
  return result;
}

std::string getSusyRepresentationString(int classL, int classR, int sym, SpaceTimeSymmetry* st) {
  if (checkSusyType(st) != 0) return "";
  const int d = st->dimension, length = spaceTimeLength(d);
  const std::array<int, 4> left = SusySpinDecomposition(&st->left, d, classL);
  const std::array<int, 4> right = SusySpinDecomposition(&st->right, d, classR);
  const int check = st->supersymmetric;
  if (classL == classR && sym == 0 && st->identical) {
    std::string out = "  Symmetric part: \n";
    out += printSpaceTimeRep(length, d, multiplySpaceTimeReps(d, 1, left.data(), right.data()).data(),
                             check);
    out += "  Anti-symmetric part: \n";
    out += printSpaceTimeRep(length, d,
                             multiplySpaceTimeReps(d, -1, left.data(), right.data()).data(), check);
    return out;
  }
  const std::vector<int> product = multiplySpaceTimeReps(
      d, adjustSymmetrization(st, classL, classR, sym), left.data(), right.data());
  return printSpaceTimeRep(length, d, product.data(), check);
}

// ---------------------------------------------------------------------------------------
// Supersymmetry types
// ---------------------------------------------------------------------------------------

int interpretSusyType(const char* text, SusyType* desc) {
  if (text[0] == 'F') {
    const int n = strnum(text + 1);
    if (n == INT_MAX) return -1;
    // The fermionic lattice SO(n + 6).
    if (n % 2 == 0) {
      desc->type = kTypeD;
      desc->rank = (n + 6) / 2;
    } else {
      desc->type = kTypeB;
      desc->rank = (n + 5) / 2;
    }
    return 0;
  }
  const int n = text[0] == '\0' ? -1 : strnum(text);
  switch (n) {
    case 0: desc->type = 0, desc->rank = 0; return 0;
    case 2: desc->type = kTypeExceptional, desc->rank = 4; return 0;
    case 4: desc->type = kTypeExceptional, desc->rank = 6; return 0;
    case 8: desc->type = kTypeExceptional, desc->rank = 7; return 0;
    case 16: desc->type = kTypeExceptional, desc->rank = 8; return 0;
    default: break;
  }
  Alert("interpretSusyType", 0, 100302, "Invalid susy type: %s", text);
  return -1;
}

int getChiralSusyType(const char* text, int d, SusyType* desc) {
  const std::size_t length = std::strlen(text);
  if (length >= 8) {
    Alert("getChiralSusyType", 0, 100302, "Invalid susy type: %s", text);
    return -1;
  }
  std::string body(text);
  int chirality = 0;
  if (!body.empty() && (body.back() == '+' || body.back() == '-')) {
    chirality = body.back() == '+' ? 1 : -1;
    body.pop_back();
  }
  if (interpretSusyType(body.c_str(), desc) != 0) return -1;
  desc->chirality = chirality;
  desc->chiralityResolved = 1;
  addUnspecifiedChirality(desc, d);
  return checkChiralSusyType(desc, d);
}

int checkChiralSusyType(SusyType* desc, int d) {
  if (d < kMinDimension || d > kMaxDimension) {
    Alert("checkChiralSusyType", 3, 100302, "Space-time dimension %d out of range (2 to 26)", d);
    return -1;
  }
  if (desc->chirality != 0 && !SusyIsChiral(desc, d)) {
    if (desc->chirality != kUnspecifiedChirality) {
      Alert("checkChiralSusyType", 0, 100302, "Chirality is irrelevant and will be ignored");
    }
    desc->chirality = 0;
  }
  const int type = desc->type, r = desc->rank;
  bool dimensionFits = false, rankFits = false;
  if (type == 0) return 0;
  if (type == kTypeB && r >= 1) {
    dimensionFits = 2 * r - 5 >= d;
    rankFits = r <= 17 - d;
  } else if (type == kTypeD && r >= 1) {
    dimensionFits = 2 * r - 6 >= d;
    rankFits = r <= 18 - d;
  } else if (type == kTypeExceptional && (r == 4 || r == 6 || r == 7 || r == 8)) {
    const int limit = r == 8 ? 11 : r == 7 ? 7 : r == 6 ? 5 : 4;
    dimensionFits = d < limit;
    rankFits = true;
  } else {
    Alert("checkChiralSusyType", 2, 100302, "Not a covariant lattice");
    return -1;
  }
  if (dimensionFits && rankFits) return 0;
  if (!dimensionFits) {
    Alert("checkChiralSusyType", 1, 100302,
          "Dimension too large for covariant lattice rank (dim=%d,rank=%d)", d, r);
  }
  if (!rankFits) {
    Alert("checkChiralSusyType", 4, 100302,
          "Covariant lattice rank too large (type=%d,rank=%d,dim=%d)", type, r, d);
  }
  return -1;
}

int checkSusyType(SpaceTimeSymmetry* st) {
  const int d = st->dimension;
  int result = checkChiralSusyType(&st->left, d) != 0 ? -1 : 0;
  if (result == 0 && checkChiralSusyType(&st->right, d) != 0) result = -1;
  st->identical = st->left.type == st->right.type && st->left.rank == st->right.rank &&
                          st->left.chirality == st->right.chirality &&
                          st->left.chirality != kUnspecifiedChirality
                      ? 1
                      : 0;
  st->supersymmetric = isSupersymmetric(st);
  return result;
}

int SusyIsChiral(const SusyType* desc, int d) {
  const int type = desc->type, r = desc->rank;
  if (d == 2 && ((type == kTypeB && r > 3) || (type == kTypeD && r >= 4))) return 1;
  if (d == 6 && type == kTypeExceptional && r == 7) return 1;
  if (d == 10 && type == kTypeExceptional && r == 8) return 1;
  if (type == kTypeD && 2 * r - 6 == d) return 1;
  return 0;
}

int SusyRepsAreChiral(const SusyType* desc, int d) {
  if (desc->type == kTypeExceptional && desc->rank == 6 && d == 4) return 1;
  if (desc->type == kTypeD && 2 * desc->rank == d + 6) return 1;
  return 0;
}

int isChirallySupersymmetric(const SusyType* desc) {
  return desc->type == kTypeExceptional ? 1 : 0;
}

int isSupersymmetric(const SpaceTimeSymmetry* st) {
  return isChirallySupersymmetric(&st->left) || isChirallySupersymmetric(&st->right) ? 1 : 0;
}

int SusyCount(const SusyType* desc) {
  if (desc->type != kTypeExceptional) return 0;
  switch (desc->rank) {
    case 4: return 2;
    case 6: return 4;
    case 7: return 8;
    case 8: return 16;
    default: return 0;
  }
}

std::string susyname(const SusyType* desc) {
  std::string name;
  if (desc->type == 0) {
    name = "Bosonic";
  } else if (desc->type == kTypeExceptional && SusyCount(desc) != 0) {
    static const char* const letters[] = {"", "", "", "", "F4", "", "E6", "E7", "E8"};
    name = formatText("%d supersymmetries (%s)", SusyCount(desc), letters[desc->rank]);
  } else if (desc->type == kTypeB || desc->type == kTypeD) {
    name = formatText("Fermionic Non-susy (embedding dimension %d)",
                      SOdim(desc->type, desc->rank) - 6);
  } else {
    name = formatText("Unknown susy type (Type %d,%d)", desc->type, desc->rank);
  }
  if (desc->chirality == 1) name += "; chirality +";
  if (desc->chirality == -1) name += "; chirality -";
  return name;
}

std::string susyrepname(const SusyType* desc, int d, int repClass) {
  const int type = desc->type, r = desc->rank;
  if (repClass == kAdjointClass) return "V";
  if (type == 0 && (repClass == 0 || repClass == 2)) return "0";
  if (type == kTypeB) {
    if (repClass == 1) return "0";
    if (repClass == 2) return "S";
  }
  if (type == kTypeD) {
    if (repClass == 2) return "0";
    if (repClass == 1 || repClass == 3) {
      if (desc->chirality != 1) return "S?";
      return repClass == 1 ? "S+" : "S-";
    }
  }
  if (type == kTypeExceptional && repClass >= 1 && repClass < RepCnt(type, r)) {
    if (r == 6 && d == 4) {
      if (desc->chirality != 1) return "M?";
      return repClass == 1 ? "M+" : "M-";
    }
    return "M";
  }
  Alert("susyrepname", 0, 212404, "Unexpected representation dim=%d, type=(%d,%d), rep=%d (chir=%d)",
        d, type, r, repClass, desc->chirality);
  return "?";
}

int getMultiplet(const char* text, const SusyType* desc) {
  const std::string code(text);
  const int type = desc->type, r = desc->rank;
  if (code == "V") return kAdjointClass;
  if (type == 0) {
    if (code == "0") return 0;
  } else if (type == kTypeB) {
    if (code == "0") return 1;
    if (code == "S") return 2;
  } else if (type == kTypeD) {
    if (code == "0") return 2;
    if (code == "S" || code == "S+") return 1;
    if (code == "S-") return 3;
  } else if (type == kTypeExceptional && (r == 4 || r == 7)) {
    if (code == "M") return 1;
  } else if (type == kTypeExceptional && r == 6) {
    if (code == "M" || code == "M+") return 1;
    if (code == "M-") return 2;
  }
  Alert("getMultiplet", 0, 100302, "Invalid multiplet: %s (Type %d,%d)", text, type, r);
  return 999;
}

int adjustSymmetrization(const SpaceTimeSymmetry* st, int i, int j, int s) {
  return st->identical && i == j ? s : 0;
}

void addUnspecifiedChirality(SusyType* desc, int d) {
  if (desc->chirality != 0 || desc->type != kTypeExceptional) return;
  if ((d == 10 && desc->rank == 8) || (d == 6 && desc->rank == 7)) desc->chirality = 1;
}

void SusyFromBranching(SusyType* desc, const BranchingTable* table, const BranchingTable* common) {
  if (table == nullptr) {
    *desc = makeType(0, 0, 0);
    return;
  }
  const int commonSign = common == nullptr ? 1 : common->sign;
  const int subType = common == nullptr ? table->subType : common->subType;
  const int subRank = common == nullptr ? table->subRank : common->subRank;
  *desc = makeType(table->type, table->rank, table->sign * commonSign);
  desc->chiralityResolved = ChiralityResolved(table->type, table->rank, subType, subRank);
}

int getSpaceTimeSymmetry(const SpaceTimeSource* source, SpaceTimeSymmetry* st, char code) {
  st->dimension = source->dimension;
  const BranchingTable* common = source->common;
  switch (code) {
    case 'B':
    case 'X':
      SusyFromBranching(&st->left, source->left, common);
      SusyFromBranching(&st->right, source->right, common);
      st->leftSource = st->rightSource = nullptr;
      st->sectorFlag = code == 'B' ? 1 : 0;
      break;
    case 'I':
      SusyFromBranching(&st->left, common, common);
      SusyFromBranching(&st->right, common, common);
      st->leftSource = st->rightSource = nullptr;
      st->sectorFlag = 1;
      break;
    case 'L':
      SusyFromBranching(&st->left, source->left, common);
      SusyFromBranching(&st->right, nullptr, nullptr);
      st->leftSource = source->left;
      st->rightSource = source->right;
      st->sectorFlag = 1;
      break;
    case 'O':
      SusyFromBranching(&st->left, common, common);
      SusyFromBranching(&st->right, nullptr, nullptr);
      st->leftSource = st->rightSource = nullptr;
      st->sectorFlag = 1;
      break;
    case 'R':
      SusyFromBranching(&st->left, nullptr, nullptr);
      SusyFromBranching(&st->right, source->right, common);
      st->leftSource = source->left;
      st->rightSource = source->right;
      st->sectorFlag = 1;
      break;
    default:
      break;
  }
  return checkSusyType(st);
}

// ---------------------------------------------------------------------------------------
// The multiplet browser
// ---------------------------------------------------------------------------------------

void setDisplaySusyRoutine(DisplaySusyRoutine routine) { branchingState().displaySusy = routine; }

void displaySusy(int d, const SusyType* first, const SusyType* second, int classL, int classR,
                 int sym, int mode) {
  DisplaySusyRoutine routine = branchingState().displaySusy;
  (routine != nullptr ? routine : defaultDisplaySusy)(d, first, second, classL, classR, sym, mode);
}

void displaySusy1() {
  for (int d = 10; d >= 3; --d) displaySusy2(d, 1);
}

void displaySusy2(int d, int mode) {
  if (d > 10) return;
  std::vector<SusyType> firsts;
  firsts.push_back(makeType(kTypeExceptional, 8, d == 10 ? 1 : 0));
  if (d <= 6) firsts.push_back(makeType(kTypeExceptional, 7, d == 6 ? 1 : 0));
  if (d <= 4) firsts.push_back(makeType(kTypeExceptional, 6, 0));
  if (d <= 3) firsts.push_back(makeType(kTypeExceptional, 4, 0));
  for (const SusyType& first : firsts) displaySusy3(d, &first, mode);
}

void displaySusy3(int d, const SusyType* first, int mode) {
  std::vector<SusyType> seconds;
  if (d <= 10) {
    if (d == 10) {
      seconds.push_back(makeType(kTypeExceptional, 8, 1));
      seconds.push_back(makeType(kTypeExceptional, 8, -1));
    } else {
      seconds.push_back(makeType(kTypeExceptional, 8, 0));
    }
  }
  if (d <= 6) {
    if (d == 6) {
      seconds.push_back(makeType(kTypeExceptional, 7, 1));
      seconds.push_back(makeType(kTypeExceptional, 7, -1));
    } else {
      seconds.push_back(makeType(kTypeExceptional, 7, 0));
    }
  }
  if (d <= 4) seconds.push_back(makeType(kTypeExceptional, 6, 0));
  if (d <= 3) seconds.push_back(makeType(kTypeExceptional, 4, 0));
  if (d == 2) {
    seconds.push_back(makeType(kTypeD, 5, 1));
    seconds.push_back(makeType(kTypeB, 4, 1));
  }
  for (const SusyType& second : seconds) {
    if (second.rank <= first->rank) displaySusy4(d, first, &second, mode);
  }
  const SusyType bosonic = makeType(0, 0, 0);
  displaySusy4(d, first, &bosonic, mode);
}

void displaySusy4(int d, const SusyType* first, const SusyType* second, int mode) {
  displaySusy5(d, first, second, kAdjointClass, mode);
  if (first->type == 0) {
    displaySusy5(d, first, second, 2, mode);
    return;
  }
  const int n = browsedClassCount(first, d);
  for (int c1 = 1; c1 < n; ++c1) displaySusy5(d, first, second, c1, mode);
}

void displaySusy5(int d, const SusyType* first, const SusyType* second, int c1, int mode) {
  const bool secondBosonic = second->type == 0;
  if (c1 == kAdjointClass) {
    displaySusy(d, first, second, kAdjointClass, kAdjointClass, 0, mode);
    if (secondBosonic) displaySusy(d, first, second, kAdjointClass, 2, 0, mode);
    return;
  }
  if (c1 == 2 && first->type == 0) displaySusy(d, first, second, 2, kAdjointClass, 0, mode);
  if (secondBosonic) {
    displaySusy(d, first, second, c1, 2, 0, mode);
    return;
  }
  const int m = browsedClassCount(second, d);
  // Equal types: each unordered pair of classes once.
  const int last = sameTypes(*first, *second) ? std::min(c1, m - 1) : m - 1;
  for (int c2 = 1; c2 <= last; ++c2) displaySusy(d, first, second, c1, c2, 0, mode);
}

void resetBranching() {
  BranchingState& s = branchingState();
  s.tables.clear();
  s.tables.shrink_to_fit();
  s.displaySusy = nullptr;
  s.pairRemembered = false;
  s.lastFirst = SusyType();
  s.lastSecond = SusyType();
  s.lorentzDimension = 0;
}
