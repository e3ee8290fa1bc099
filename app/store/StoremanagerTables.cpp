// Queries of stored theories and their two tables: "Spectrum" (one row per primary of a
// theory) and "Algebras" (one row per stored theory). The getters and initialisers have
// the table printer's forms; they are installed at start-up by
// initializeStoremanagerTables and read the record handed to the printer as the item
// (NULL: the current theory).
//
// This file keeps the names of the covariant-lattice classes for the last lattice asked
// for, and the bindings of the command set's row selection (selected weight and the
// massless-only switch), both in its state.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "groups/Discrete.h"
#include "interpreter/Tables.h"
#include "lie/Branching.h"
#include "lie/LieAlgebra.h"
#include "numbers/LargeInteger.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/StringUtility.h"
#include "store/CurrentTheory.h"
#include "store/StoremanagerInternal.h"
#include "store/StoremanagerQueries.h"
#include "store/StoremanagerQueriesInternal.h"

namespace {

struct StoremanagerTablesState {
  // Names of the classes of the last covariant lattice (type, rank, flag).
  int latticeType = -1;
  int latticeRank = -1;
  int latticeFlag = -1;
  std::vector<std::string> classNames;
  // The command set's row selection, read live.
  const int* weightNum = nullptr;
  const int* weightDen = nullptr;
  const int* masslessOnly = nullptr;
};

StoremanagerTablesState& state() {
  static StoremanagerTablesState s;
  return s;
}

const SpectrumData* recordOf(const void* item) {
  return item != nullptr ? static_cast<const SpectrumData*>(item) : currentSD;
}

SpectrumData* mutableRecordOf(const void* item) {
  return const_cast<SpectrumData*>(recordOf(item));
}

// The record and a valid field for a cell; false drops nothing, the cell stays empty.
bool cellField(const void* item, int a, const SpectrumData*& sd) {
  sd = recordOf(item);
  return sd != nullptr && storeIsField(sd, a);
}

Rat reducedWeight(const SpectrumData* sd, int a) {
  Rat h{sd->weight_num[a], sd->weight_den == 0 ? 1 : sd->weight_den};
  simplifyRat(&h);
  return h;
}

bool weightKnownModOne(const SpectrumData* sd, int a) { return sd->exact != nullptr && sd->exact[a] == 0; }

void buildClassNames(int type, int rank, int flag) {
  StoremanagerTablesState& s = state();
  s.latticeType = type;
  s.latticeRank = rank;
  s.latticeFlag = flag;
  s.classNames.clear();
  if (type == 2) {
    s.classNames = {"1", std::to_string(2LL * rank + 1), std::to_string(1LL << std::clamp(rank, 0, 62))};
  } else if (type == 4) {
    const std::string spinor = std::to_string(1LL << std::clamp(rank - 1, 0, 62));
    const std::string vector = std::to_string(2LL * rank);
    if (flag == 1) {
      s.classNames = {"1", spinor, vector, spinor + (rank % 2 == 1 ? "*" : "c")};
    } else {
      s.classNames = {"1", spinor + "?", vector, spinor + "?"};
    }
  } else if (type == 5) {
    switch (rank) {
      case 4: s.classNames = {"1", "26"}; break;
      case 6:
        s.classNames = flag == 1 ? std::vector<std::string>{"1", "27", "27*"} : std::vector<std::string>{"1", "27?", "27?"};
        break;
      case 7: s.classNames = {"1", "56"}; break;
      case 8: s.classNames = {"1"}; break;
      default: break;
    }
  }
}

bool algebrasRowItem(const void* item, const SpectrumData*& sd) {
  sd = static_cast<const SpectrumData*>(item);
  return sd != nullptr;
}

const void* nextAlgebraItem(const void* item) { return SM_nextAlgebra(static_cast<const SpectrumData*>(item)); }

int spectrumRowFilter(const void* item, int row) {
  const SpectrumData* sd = recordOf(item);
  return sd == nullptr ? 1 : SM_checkSkipCondition(sd, row);
}

// Text of a stored dimension handle.
std::string dimensionText(int handle) {
  if (handle > 0) return formatText("%-d", handle);
  if (handle == 0) return "ERROR";
  if (handle == kStoreNotComputed) return "Unknown";
  const lint* value = retrieveLint(handle);
  return value == nullptr ? std::string("ERROR") : lint_string(value);
}

}  // namespace

// The selection bindings are made at start-up and stay; the lattice names are a cache.
void resetStoremanagerTables() {
  StoremanagerTablesState& s = state();
  s.latticeType = -1;
  s.latticeRank = -1;
  s.latticeFlag = -1;
  s.classNames.clear();
}

// ---------------------------------------------------------------------------------------
// Queries

int SM_getNumberofPrimaries(const SpectrumData* sd) { return sd->n_primaries; }
double SM_getCentralCharge(const SpectrumData* sd) { return sd->c; }

double SM_realWeight(const SpectrumData* sd, int a) {
  if (!storeIsField(sd, a) || sd->weight_num == nullptr || sd->weight_den == 0) return 0.0;
  return static_cast<double>(sd->weight_num[a]) / static_cast<double>(sd->weight_den);
}

double SM_getLogT(const SpectrumData* sd, int a) { return SM_realWeight(sd, a) - sd->c / 24.0; }

std::string SM_getHorizontalAlgebraName(const SpectrumData* sd) {
  switch (sd->type) {
    case 0: return "U(1)";
    case 1: return formatText("A_%d", sd->rank);
    case 2: return formatText("B_%d", sd->rank);
    case 3: return formatText("C_%d", sd->rank);
    case 4: return formatText("D_%d", sd->rank);
    case 5:
      switch (sd->rank) {
        case 2: return "G_2";
        case 4: return "F_4";
        case 6: return "E_6";
        case 7: return "E_7";
        case 8: return "E_8";
        default: return "Unknown";
      }
    case 6:
      if (sd->rank == 0 || sd->rank == 1) return "--";
      if (sd->rank == 2) return "U(1)";
      return "Unknown";
    case 7: return "--";
    default: return "Unknown";
  }
}

std::string SM_basicCharacterName(const void*, int n, const int* labels) {
  for (int i = 0; i < n; ++i) {
    if (labels[i] != 0) return formatText("char%d", i + 1);
  }
  return "char0";
}

std::string SM_getCharacterName(const SpectrumData* sd, int a) {
  if (!storeIsField(sd, a) || sd->labels == nullptr) return "char";
  const int* label = storeLabelOf(sd, a);
  const int width = sd->rep_size;
  if (sd->type >= 0 && sd->type <= 4) {
    long long sum = 0;
    for (int i = 0; i + 1 < width; ++i) sum += label[i];
    if (width < 2 || sum <= 1) return SM_basicCharacterName(nullptr, std::min(sd->rank, width), label);
  }
  std::string name = "char";
  for (int i = 0; i + 1 < width; ++i) name += formatText("_%d", label[i]);
  return name;
}

int SM_NonAbelian(const SpectrumData* sd, int a) {
  if (sd->nonabelian_info != nullptr && storeIsField(sd, a)) return sd->nonabelian_info[a];
  return a != 0 && sd->type >= 1 && sd->type <= 5 ? 1 : 0;
}

std::string SM_displayAlgebras() {
  return sprintTable("Algebras", 0, 1000, 1, 0, SM_getFirstAlgebra());
}

void SM_printAlgebras() {
  if (SM_getFirstAlgebra() == nullptr) {
    Alert("SM_printAlgebras", 0, 100201, "No algebras loaded\n");
    return;
  }
  const std::string text = SM_displayAlgebras();
  PrintStdout("%s", text.c_str());
}

void printCovLatRep(std::string* text, int latticeType, int rank, int flag, const int* content) {
  StoremanagerTablesState& s = state();
  if (text == nullptr || latticeType != s.latticeType || rank != s.latticeRank || flag != s.latticeFlag) {
    buildClassNames(latticeType, rank, flag);
    return;
  }
  if (content == nullptr || s.classNames.empty()) return;
  std::vector<const char*> names;
  for (const std::string& name : s.classNames) names.push_back(name.c_str());
  names.push_back(nullptr);
  *text += print_rep(content, names.data());
}

void printHeteroticRepresentation(std::string* text, const HeteroticData* block, const int* content) {
  if (block == nullptr || block->lattice == nullptr) return;
  const BranchingTable* lattice = static_cast<const BranchingTable*>(block->lattice);
  printCovLatRep(text, lattice->type, lattice->rank, lattice->chiralityResolved, content);
}

int SM_getCenter(const SpectrumData* sd) { return storeGroupOrder(sd); }
int SM_getRepSize(const SpectrumData* sd) { return sd->rep_size; }

void SM_getParameters(const SpectrumData* sd, int* adjointDim, int* dualCoxeter, int* primaries, int* orbits,
                      double* c) {
  *adjointDim = sd->adjoint_dim;
  *dualCoxeter = sd->dual_coxeter;
  *primaries = sd->n_primaries;
  *orbits = sd->n_orbits;
  *c = sd->c;
}

int SM_basicCheck(const SpectrumData* sd, int a) {
  if (!storeIsField(sd, a) || sd->labels == nullptr) return 0;
  const int* label = storeLabelOf(sd, a);
  long long sum = 0;
  for (int i = 0; i + 1 < sd->rep_size; ++i) sum += label[i];
  return sum <= 1 ? 1 : 0;
}

const int* SM_getContent(const SpectrumData* sd, int a) {
  if (sd->content == nullptr || !storeIsField(sd, a)) return nullptr;
  return sd->content + static_cast<std::size_t>(a) * 4;
}

int SM_getDynkinWidth(const SpectrumData* sd) {
  int widest = 0;
  for (int a = 0; a < sd->n_primaries && sd->labels != nullptr; ++a) {
    const int* label = storeLabelOf(sd, a);
    int digits = 0;
    for (int i = 0; i < sd->rep_size; ++i) digits += Ndigit(label[i]);
    widest = std::max(widest, digits);
  }
  return widest + sd->rep_size + 3;
}

int SM_initOrbitData(const SpectrumData* sd) { return storeGroupFactors(sd) > 0 ? 1 : 0; }

double SM_getModularAnomaly(const SpectrumData* sd, int a) {
  if (!storeIsField(sd, a) || sd->type < 1 || sd->type > 5 || sd->labels == nullptr) return 0.0;
  const int* label = storeLabelOf(sd, a);
  const double g = dualCoxeter(sd->type, sd->rank);
  const double rho = RhoDotProd(sd->type, sd->rank);
  const double value = DynkinPlusRhoDotProd(sd->type, sd->rank, label, label) / (sd->level + g) - rho / g;
  return sd->type == 23 ? value : value / 2.0;
}

void printAlgebraHeader(const SpectrumData* sd) { Print("Spectrum of %s\n", sd->name); }

void SM_getAlgebraSizeHeader(std::string& text) { text += "Bytes "; }

int SM_isTrivial(const SpectrumData* sd, int a) {
  const int* content = SM_getContent(sd, a);
  if (content == nullptr) return 1;
  return content[1] == 0 && content[2] == 0 && content[3] == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// The row filter of "Spectrum"

void SM_setSpectrumSelection(const int* weightNum, const int* weightDen, const int* masslessOnly) {
  StoremanagerTablesState& s = state();
  s.weightNum = weightNum;
  s.weightDen = weightDen;
  s.masslessOnly = masslessOnly;
}

int SM_checkSkipCondition(const SpectrumData* sd, int a) {
  const StoremanagerTablesState& s = state();
  if (!storeIsField(sd, a) || sd->weight_num == nullptr) return 1;
  const Rat h = reducedWeight(sd, a);
  if (s.weightNum != nullptr && s.weightDen != nullptr && *s.weightDen > 0) {
    Rat selected{*s.weightNum, *s.weightDen};
    simplifyRat(&selected);
    if (h.num != selected.num || h.den != selected.den) return 0;
  }
  if (a == 0) return 1;
  if (s.masslessOnly == nullptr || *s.masslessOnly != 1) return 1;
  if (h.num != 1 || h.den != 1) return 0;
  if (sd->content == nullptr || sd->heterotic == nullptr || sd->heterotic->lattice == nullptr) return 1;
  const BranchingTable* lattice = static_cast<const BranchingTable*>(sd->heterotic->lattice);
  const int* content = sd->content + static_cast<std::size_t>(a) * 4;
  switch (lattice->type) {
    case 5: return lattice->rank == 8 || content[1] != 0 ? 1 : 0;
    case 2:
    case 4: return content[1] != 0 || content[2] != 0 ? 1 : 0;
    default: return 1;
  }
}

// ---------------------------------------------------------------------------------------
// Cells of "Spectrum"

bool SM_getLabelString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  cell = formatText("%d", a);
  return true;
}

bool SM_getDynkinString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->labels == nullptr || sd->rep_size < 1) return true;
  const int* label = storeLabelOf(sd, a);
  cell = "(";
  for (int i = 0; i + 1 < sd->rep_size; ++i) cell += formatText("%d,", label[i]);
  cell += formatText("%d)", label[sd->rep_size - 1]);
  return true;
}

bool SM_getCosetLabelString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->field_map == nullptr) return true;
  cell = formatText("%d", sd->field_map[a]);
  return true;
}

bool SM_getWeightString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->weight_num == nullptr) return true;
  const double h = SM_realWeight(sd, a);
  if (weightKnownModOne(sd, a)) {
    cell = formatText("%-10.7f (mod 1)", DoubleToFrac(h));
  } else {
    cell = formatText("%-10.7f", h);
  }
  return true;
}

bool SM_getRatWeightString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->weight_num == nullptr) return true;
  if (sd->weights_exact == kStoreNotComputed)
    Alert("SM_getRatWeightString", 0, 110402, "Exact weight info not available");
  const Rat h = reducedWeight(sd, a);
  if (h.den >= 2) {
    cell = formatText("%lld/%-lld", h.num, h.den);
  } else if (h.den == 1) {
    cell = formatText("%lld", h.num);
  } else {
    Alert("SM_getRatWeightString", 1, 110402, "Wrong denominator %lld", h.den);
  }
  if (a != 0 && weightKnownModOne(sd, a)) cell += " (mod 1)";
  return true;
}

bool SM_getDimString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->dims == nullptr) return true;
  cell = dimensionText(sd->dims[a]);
  return true;
}

bool SM_getConjString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->conjugates == nullptr) return true;
  cell = formatText("%d", sd->conjugates[a]);
  return true;
}

bool SM_getInfoString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->content == nullptr) return true;
  printHeteroticRepresentation(&cell, sd->heterotic, sd->content + static_cast<std::size_t>(a) * 4);
  return true;
}

bool SM_getChargesString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  const int g = storeGroupFactors(sd);
  if (g == 0 || !SM_hasCharges(sd)) {
    cell = "-";
    return true;
  }
  std::vector<int> scratch(static_cast<std::size_t>(g));
  const int* q = SM_getChargeRow(sd, a, scratch.data());
  for (int i = 0; i + 1 < g; ++i) cell += formatText("%d ", q[i]);
  cell += formatText("%d", q[g - 1]);
  return true;
}

bool SM_getMinimalModelChargesString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || !SM_hasMinimalCharges(sd)) return true;
  Rat q{SM_getMinimalCharge(sd, a), sd->weight_den == 0 ? 1 : sd->weight_den};
  simplifyRat(&q);
  const long long n = q.num, d = q.den;
  if (d < 1) {
    Alert("SM_getMinimalModelChargesString", 0, 110402, "Wrong denominator %lld", d);
    return true;
  }
  if (sd->dims != nullptr && sd->dims[a] == 1) {
    if (n >= 0) cell += " ";
    cell += d == 1 ? formatText("%lld", n) : formatText("%lld/%-lld", n, d);
    return true;
  }
  if (d == 1) {
    cell = formatText("%lld,%lld", n + 1, n - 1);
  } else {
    cell = formatText("%lld/%-lld,%lld/%-lld", n + d, d, n - d, d);
  }
  return true;
}

bool SM_getNSRString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->grading == nullptr) return true;
  cell = std::string(1, sd->grading[a]);
  return true;
}

bool SM_getMultipletString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->n2_multiplets == nullptr) return true;
  cell = formatText("%d", sd->n2_multiplets[a]);
  return true;
}

bool SM_getOrbitStartString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  cell = formatText("%d", sd->orbit_base != nullptr ? sd->orbit_base[a] : a);
  return true;
}

bool SM_getOrbitPositionString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  cell = formatText("%d", sd->orbit_position != nullptr ? sd->orbit_position[a] : 0);
  return true;
}

bool SM_getOrbitLabelString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  cell = formatText("%d", SM_hasOrbitNumbers(sd) ? SM_getOrbitNumber(sd, a) : a);
  return true;
}

bool SM_getStabilizerString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  const int g = storeGroupFactors(sd);
  const int* row = g > 0 && sd->stabilizers != nullptr ? sd->stabilizers + static_cast<std::size_t>(a) * g : nullptr;
  if (row == nullptr || row[0] == 0) {
    cell = "-";
    return true;
  }
  for (int i = 0; i < g; ++i) {
    if (row[i] != 0) cell += formatText("%d ", row[i]);
  }
  return true;
}

bool SM_getQdimString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->labels == nullptr) return true;
  cell = formatText("%18.12f", QDim(storeLabelOf(sd, a), sd->type, sd->rank, sd->level));
  return true;
}

bool SM_getCasimirString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd) || sd->labels == nullptr) return true;
  const Rat casimir = RCasimir(storeLabelOf(sd, a), sd->type, sd->rank);
  cell = ratString(&casimir);
  return true;
}

bool SM_getLogTString(std::string& cell, const void* item, int a) {
  const SpectrumData* sd;
  if (!cellField(item, a, sd)) return true;
  cell = formatText("%- 8.4f", SM_getLogT(sd, a));
  return true;
}

int SM_initCosetLabels(const void* item) {
  const SpectrumData* sd = recordOf(item);
  return sd != nullptr && sd->field_map != nullptr ? 1 : 0;
}

int SM_initDimensionsColumn(const void* item) {
  SpectrumData* sd = mutableRecordOf(item);
  return sd != nullptr ? SM_initDimensions(sd) : 0;
}

int SM_initConjugatesColumn(const void* item) {
  SpectrumData* sd = mutableRecordOf(item);
  return sd != nullptr ? SM_initConjugates(sd) : 0;
}

int SM_initContents(const void* item) {
  const SpectrumData* sd = recordOf(item);
  if (sd == nullptr || sd->content == nullptr || sd->heterotic == nullptr || sd->heterotic->lattice == nullptr)
    return 0;
  printHeteroticRepresentation(nullptr, sd->heterotic, nullptr);
  return 1;
}

int SM_initMinimalModelCharges(const void* item) {
  const SpectrumData* sd = recordOf(item);
  return sd != nullptr && sd->type == kStoreTypeMinimalN2 ? 1 : 0;
}

int SM_initNSR(const void* item) {
  const SpectrumData* sd = recordOf(item);
  return sd != nullptr && sd->graded == 1 ? 1 : 0;
}

int SM_initQdim(const void* item) {
  const SpectrumData* sd = recordOf(item);
  return sd != nullptr && sd->type >= 0 && sd->type <= 5 && sd->rank >= 1 ? 1 : 0;
}

int SM_initCasimir(const void* item) {
  const SpectrumData* sd = recordOf(item);
  return sd != nullptr && sd->type >= 1 && sd->type <= 5 && sd->rank >= 1 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// Cells of "Algebras"

bool SM_getAlgebraNameString(std::string& cell, const void* item, int) {
  const SpectrumData* sd;
  if (algebrasRowItem(item, sd)) cell = formatText("%s ", sd->name);
  return true;
}

bool SM_getAlgebraSizeString(std::string& cell, const void* item, int) {
  const SpectrumData* sd;
  if (algebrasRowItem(item, sd)) cell = formatText("%lld ", static_cast<long long>(sd->alloc.bytesHeld()));
  return true;
}

bool SM_getAlgebraPrimString(std::string& cell, const void* item, int) {
  const SpectrumData* sd;
  if (algebrasRowItem(item, sd)) cell = formatText("%d", sd->n_primaries);
  return true;
}

bool SM_getAlgebraS_AvailabilityString(std::string& cell, const void* item, int) {
  const SpectrumData* sd;
  if (!algebrasRowItem(item, sd)) return true;
  switch (sd->s_available) {
    case -1: cell = "EXP."; break;
    case 0: cell = "NO"; break;
    case 1: cell = "YES"; break;
    default: break;
  }
  return true;
}

bool SM_getAlgebraS_FCFTString(std::string& cell, const void* item, int) {
  const SpectrumData* sd;
  if (!algebrasRowItem(item, sd)) return true;
  cell = sd->parent_current >= 1 ? formatText("%d ", sd->parent_current) : std::string("- ");
  return true;
}

// ---------------------------------------------------------------------------------------
// Start-up

void initializeStoremanagerTables() {
  struct Cells {
    const char* header;
    ColumnGetter getter;
    ColumnInit init;
  };
  static const Cells kSpectrum[] = {
      {"Label", SM_getLabelString, nullptr},
      {"Ground state", SM_getDynkinString, nullptr},
      {"Tensor label", SM_getCosetLabelString, SM_initCosetLabels},
      {"Weights", SM_getWeightString, nullptr},
      {"Rational weights", SM_getRatWeightString, nullptr},
      {"Dimensions", SM_getDimString, SM_initDimensionsColumn},
      {"Conjugate", SM_getConjString, SM_initConjugatesColumn},
      {"Contents", SM_getInfoString, SM_initContents},
      {"Charges", SM_getChargesString, nullptr},
      {"U(1) charge", SM_getMinimalModelChargesString, SM_initMinimalModelCharges},
      {"Grade sector", SM_getNSRString, SM_initNSR},
      {"Grade multiplet", SM_getMultipletString, SM_initNSR},
      {"Orbit base", SM_getOrbitStartString, nullptr},
      {"Orbit position", SM_getOrbitPositionString, nullptr},
      {"Orbit label", SM_getOrbitLabelString, nullptr},
      {"Stabilizer", SM_getStabilizerString, nullptr},
      {"Q_dims", SM_getQdimString, SM_initQdim},
      {"Casimirs", SM_getCasimirString, SM_initCasimir},
      {"Modular anomaly", SM_getLogTString, nullptr},
  };
  static const Cells kAlgebras[] = {
      {"Name", SM_getAlgebraNameString, nullptr},
      {"Allocation", SM_getAlgebraSizeString, nullptr},
      {"Primaries", SM_getAlgebraPrimString, nullptr},
      {"Available", SM_getAlgebraS_AvailabilityString, nullptr},
      {"FCFT of", SM_getAlgebraS_FCFTString, nullptr},
  };
  if (findTable("Spectrum") != nullptr) {
    for (const Cells& c : kSpectrum) setColumnRoutines("Spectrum", c.header, c.getter, c.init);
    addItemSkip("Spectrum", spectrumRowFilter);
  }
  if (findTable("Algebras") != nullptr) {
    for (const Cells& c : kAlgebras) setColumnRoutines("Algebras", c.header, c.getter, c.init);
    addIncrem("Algebras", nextAlgebraItem);
  }
}

// ---------------------------------------------------------------------------------------
// Module life cycle

void resetStoremanagerQueries() {
  resetStoremanagerArithmetic();
  resetStoremanagerConjugates();
  resetStoremanagerTables();
}
