// The quark and lepton counts of a candidate held in `SM`, the model-record conversions and
// the small record tests the catalogue tools share. Charges are integers in units of
// 1/norm; a state of multiplicity m < 0 is the mirror of |m| states. The module's state
// record (ModelAnalysisInternal.h) is defined here.
#include <cstdlib>
#include <cstring>

#include "numbers/MathUtility.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/ModelAnalysisInternal.h"
#include "search/SearchDriver.h"

namespace modelanalysis {

ModelAnalysisState& state() {
  static ModelAnalysisState s;
  return s;
}

int scm(int a, int b) {
  const long long r = SCM(a, b);
  return r > INT32_MAX ? 0 : static_cast<int>(r);
}

void dumpCandidate(int width, const std::vector<std::string>& lines) {
  std::string text = "\n\n" + std::string(static_cast<std::size_t>(width), '=') + "\n";
  for (const std::string& line : lines) text += line;
  printErrorMessage("%s", text.c_str());
  printCPD(stderr, -1, 1);
}

int rejectCandidate(const char* routine, int position, const char* text) {
  Alert(routine, position, 112201, "%s", text);
  dumpCandidate(52, {std::string(text) + "; candidate rejected\n"});
  countRejection();
  return 0;
}

bool anomalyEquation(const StandardModel& m, int x, int n, int row[5]) {
  for (int k = 0; k < 5; ++k) row[k] = 0;
  long long diagonal = 2LL * (m.multiplicities[x] - 2) * m.antisymmetricTensors[x] +
                       (2LL * m.multiplicities[x] + 4) * m.symmetricTensors[x];
  for (int y = 0; y < n; ++y) {
    if (y == x) continue;
    const int lo = x < y ? x : y, hi = x < y ? y : x;
    const int pair = lo == 0 ? hi - 1 : (lo == 1 ? hi + 1 : 5);
    const int gamma = m.Gamma[pair];
    const int intersection = x < y ? m.Delta[pair] : -m.Delta[pair];  // I(x, y)
    diagonal += static_cast<long long>(m.multiplicities[y]) * (gamma + intersection);
    if (!mul32(m.multiplicities[y], static_cast<long long>(gamma) - intersection, &row[y])) return false;
  }
  if (diagonal > INT32_MAX || diagonal < INT32_MIN) return false;
  row[x] = static_cast<int>(diagonal);
  return true;
}

}  // namespace modelanalysis

using namespace modelanalysis;

const ModelAnalysisCounters& modelAnalysisCounters() { return state().counters; }
void modelanalysis::countRejection() {
  ++state().counters.rejections;
  noteInconsistentSkip();
}
void resetModelAnalysisCounters() { state().counters = ModelAnalysisCounters(); }

// ---------------------------------------------------------------------------------------
// The four counters

int countQuarkDoublets(int m, int q) {
  if (m == 0) return 1;
  if (q != SM.Ynorm / 6) return 0;
  if (m > 0)
    SM.quarkDoublets[0] += m;
  else
    SM.quarkDoublets[1] -= m;
  return 1;
}

int countAntiQuarks(int m, int q) {
  if (m == 0) return 1;
  if (q == 2 * SM.Ynorm / 3) {
    if (m > 0)
      SM.antiQuarks[2] += m;
    else
      SM.antiQuarks[0] -= m;
    return 1;
  }
  if (q == -SM.Ynorm / 3) {
    if (m > 0)
      SM.antiQuarks[3] += m;
    else
      SM.antiQuarks[1] -= m;
    return 1;
  }
  return 0;
}

int countLeptonDoublets(int m, int q) {
  if (m == 0) return 1;
  const long long signedCharge = m > 0 ? q : -static_cast<long long>(q);
  if (signedCharge == -(SM.Ynorm / 2)) {
    SM.leptonDoublets[0] += std::abs(m);
    return 1;
  }
  if (signedCharge == SM.Ynorm / 2) {
    SM.leptonDoublets[1] += std::abs(m);
    return 1;
  }
  return 0;
}

int countSinglets(int m, int q) {
  if (m == 0) return 1;
  if (SM.Ynorm == 0 || q % SM.Ynorm != 0) return 0;
  const long long s = (m > 0 ? q : -static_cast<long long>(q)) / SM.Ynorm;
  if (s < -1 || s > 1) return 0;
  SM.singlets[1 - s] += std::abs(m);
  return 1;
}

// ---------------------------------------------------------------------------------------
// countQuarksAndLeptons

namespace {

int overflowRejection() {
  Alert("countQuarksAndLeptons", 1, 112201, "Integer overflow in a state count; candidate rejected");
  countRejection();
  return 0;
}

// A counter call on a product formed checked: the multiplicity is a * b (/ 2 when halve).
int countProduct(int (*counter)(int, int), long long a, long long b, long long charge, bool halve = false) {
  int m = 0;
  if (!mul32(a, b, &m)) return overflowRejection();
  if (halve) m /= 2;
  if (charge > INT32_MAX || charge < INT32_MIN) return 0;
  return counter(m, static_cast<int>(charge));
}

}  // namespace

int countQuarksAndLeptons(int store, int keepCharges) {
  StandardModel& m = SM;
  const int F = getFamiliesRequired();
  const int norm = m.Ynorm;
  if (keepCharges != 1) {
    for (int i = 0; i < 2; ++i) m.cCharges[i] = m.cEigenvalues[i] + m.Y[2];
    for (int i = 0; i < 3; ++i) m.dCharges[i] = m.dEigenvalues[i] + m.Y[3];
  }
  const long long ya = m.Y[0], yb = m.Y[1];
  // Quark doublets.
  m.quarkDoublets[0] = m.quarkDoublets[1] = 0;
  if (m.Gamma[0] != 0) {
    if (ya + yb != norm / 6) return 0;
    if (!countQuarkDoublets(m.Gamma[0], static_cast<int>(ya + yb))) return 0;
  }
  if (m.Delta[0] != 0) {
    if (ya - yb != norm / 6) return 0;
    if (!countQuarkDoublets(m.Delta[0], static_cast<int>(ya - yb))) return 0;
  }
  if (m.quarkDoublets[0] - m.quarkDoublets[1] != F) return 0;

  // Anti-quarks.
  for (int& k : m.antiQuarks) k = 0;
  if (!countProduct(countAntiQuarks, -1, m.antisymmetricTensors[0], -2 * ya)) return 0;
  int first[4], second[4];
  std::memcpy(first, m.antiQuarks, sizeof first);
  for (int i = 0; i < 2; ++i) {
    const long long q = m.cCharges[i];
    if (!countProduct(countAntiQuarks, m.cMultiplicities[i], m.Gamma[1], q + ya)) return 0;
    if (!countProduct(countAntiQuarks, m.cMultiplicities[i], m.Delta[1], ya - q)) return 0;
  }
  std::memcpy(second, m.antiQuarks, sizeof second);
  for (int j = 0; j < 3; ++j) {
    const long long p = m.dCharges[j];
    if (!countProduct(countAntiQuarks, m.dMultiplicities[j], m.Gamma[2], p + ya)) return 0;
    if (!countProduct(countAntiQuarks, m.dMultiplicities[j], m.Delta[2], ya - p)) return 0;
  }
  const int netU = m.antiQuarks[0] - m.antiQuarks[2];
  const int netD = m.antiQuarks[1] - m.antiQuarks[3];
  if (netU != F || netD != F) return 0;

  // c and d equivalent: the one that gives more anti-quarks is c.
  if (m.cdOrdering == 1) {
    const int cU = (second[0] - second[2]) - (first[0] - first[2]);
    const int dU = (m.antiQuarks[0] - m.antiQuarks[2]) - (second[0] - second[2]);
    const int cD = (second[1] - second[3]) - (first[1] - first[3]);
    const int dD = (m.antiQuarks[1] - m.antiQuarks[3]) - (second[1] - second[3]);
    dumpCandidate(32, {"Degenerate c, d brane\n"});
    if (cU < dU) {
      printErrorMessage("Rejected (2001)\n");
      return 0;
    }
    if (cU == dU) {
      if (cD < dD) {
        printErrorMessage("Rejected (2002)\n");
        return 0;
      }
      if (cD == dD) return rejectCandidate("countQuarksAndLeptons", 2, "Cannot distinguish c and d brane");
    }
    printErrorMessage("accepted\n");
  }

  // Lepton doublets.
  m.leptonDoublets[0] = m.leptonDoublets[1] = 0;
  for (int i = 0; i < 2; ++i) {
    const long long q = m.cCharges[i];
    if (!countProduct(countLeptonDoublets, m.cMultiplicities[i], m.Gamma[3], q + yb)) return 0;
    if (!countProduct(countLeptonDoublets, m.cMultiplicities[i], m.Delta[3], yb - q)) return 0;
  }
  for (int j = 0; j < 3; ++j) {
    const long long p = m.dCharges[j];
    if (!countProduct(countLeptonDoublets, m.dMultiplicities[j], m.Gamma[4], p + yb)) return 0;
    if (!countProduct(countLeptonDoublets, m.dMultiplicities[j], m.Delta[4], yb - p)) return 0;
  }
  if (m.leptonDoublets[0] - m.leptonDoublets[1] != F) return 0;

  // Charged singlets.
  for (int& k : m.singlets) k = 0;
  if (!countProduct(countSinglets, 1, m.antisymmetricTensors[1], 2 * yb)) return 0;
  const long long n[3] = {m.dMultiplicities[0], m.dMultiplicities[1],
                          static_cast<long long>(m.multiplicities[3]) - m.dMultiplicities[0] - m.dMultiplicities[1]};
  const long long p[3] = {m.dCharges[0], m.dCharges[1], m.dCharges[2]};
  const long long c[2] = {m.cMultiplicities[0], m.cMultiplicities[1]};
  const long long q[2] = {m.cCharges[0], m.cCharges[1]};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 3; ++j) {
      int mn = 0;
      if (!mul32(c[i], n[j], &mn)) return overflowRejection();
      if (!countProduct(countSinglets, mn, m.Gamma[5], p[j] + q[i])) return 0;
      if (!countProduct(countSinglets, mn, m.Delta[5], q[i] - p[j])) return 0;
    }
  const long long Ac = m.antisymmetricTensors[2], Sc = m.symmetricTensors[2];
  const long long Ad = m.antisymmetricTensors[3], Sd = m.symmetricTensors[3];
  for (int sym = 0; sym < 2; ++sym) {
    const long long t = sym == 0 ? Ac : Sc;
    const long long shift = sym == 0 ? -1 : 1;
    if (!countProduct(countSinglets, t, c[0] * (c[0] + shift), 2 * q[0], true)) return 0;
    if (!countProduct(countSinglets, t, c[1] * (c[1] + shift), 2 * q[1], true)) return 0;
    if (!countProduct(countSinglets, t, c[0] * c[1], q[0] + q[1])) return 0;
  }
  for (int sym = 0; sym < 2; ++sym) {
    const long long t = sym == 0 ? Ad : Sd;
    const long long shift = sym == 0 ? -1 : 1;
    for (int j = 0; j < 3; ++j)
      if (!countProduct(countSinglets, t, n[j] * (n[j] + shift), 2 * p[j], true)) return 0;
    const int pairs[3][2] = {{1, 0}, {2, 0}, {2, 1}};
    for (const auto& pr : pairs)
      if (!countProduct(countSinglets, t, n[pr[0]] * n[pr[1]], p[pr[0]] + p[pr[1]])) return 0;
  }
  if (m.singlets[0] - m.singlets[2] != F) {
    searchEvents()[12] = 1;
    return 0;
  }
  if (store == 1) {
    if (m.tensorCode != -1)
      storeSMdata();
    else
      ++state().counters.tensorCodeless;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// Model records

ModelRow copyStandardModelToModelsFormat(const StandardModel& m) {
  ModelRow r{};
  int g = 0;
  for (int v : {m.Ynorm, m.Y[0], m.Y[1], m.Y[2], m.Y[3], m.cEigenvalues[0], m.cEigenvalues[1], m.dEigenvalues[0],
                m.dEigenvalues[1]})
    g = GCD(g, v);
  if (g == 0) g = 1;
  for (int x = 0; x < 4; ++x) {
    r[x] = m.groupTypes[x];
    r[4 + x] = m.multiplicities[x];
    r[8 + x] = m.symmetricTensors[x];
    r[12 + x] = m.antisymmetricTensors[x];
    r[28 + x] = m.Y[x] / g;
  }
  for (int k = 0; k < 6; ++k) {
    r[16 + k] = m.Gamma[k];
    r[22 + k] = m.Delta[k];
    r[41 + k] = m.pairIdentification[k];
  }
  r[32] = m.Ynorm / g;
  r[33] = m.cEigenvalues[0] / g;
  r[34] = m.cEigenvalues[1] / g;
  r[35] = m.cMultiplicities[0];
  r[36] = m.cMultiplicities[1];
  r[39] = m.dMultiplicities[0];
  r[40] = m.dMultiplicities[1];
  r[37] = r[39] == 0 ? 0 : m.dEigenvalues[0] / g;
  r[38] = r[40] == 0 ? 0 : m.dEigenvalues[1] / g;
  r[47] = m.extraMasslessU1 + (m.degenerateY != 0 ? 10 : 0);
  for (int k = 0; k < 8; ++k) r[48 + k] = m.extraU1[k];
  r[56] = 0;
  r[57] = r[58] = -1;
  for (int k = 0; k < 8; ++k) r[60 + k] = m.branes[k];
  r[68] = m.orientifold;
  r[69] = m.cdOrdering;
  r[70] = m.cSymmetry;
  r[71] = m.dSymmetry;
  r[72] = m.cSymmetryToCheck;
  r[73] = m.dSymmetryToCheck;
  r[74] = m.quarkDoublets[0];
  r[75] = m.quarkDoublets[1];
  r[76] = m.leptonDoublets[0];
  r[77] = m.leptonDoublets[1];
  for (int k = 0; k < 4; ++k) r[78 + k] = m.antiQuarks[k];
  for (int k = 0; k < 3; ++k) r[82 + k] = m.singlets[k];
  r[85] = 0;
  return r;
}

void copyModelsFormatToStandardModel(StandardModel* model, const int* record, int number) {
  if (model == nullptr || record == nullptr) return;
  model->tensorCode = number;
  if (number == -999) {
    model->MIPF = model->orientifold = -999;
    for (int& b : model->branes) b = -999;
  }
  for (int x = 0; x < 4; ++x) {
    model->groupTypes[x] = record[x];
    model->multiplicities[x] = record[4 + x];
    model->symmetricTensors[x] = record[8 + x];
    model->antisymmetricTensors[x] = record[12 + x];
    model->Y[x] = record[28 + x];
  }
  for (int k = 0; k < 6; ++k) {
    model->Gamma[k] = record[16 + k];
    model->Delta[k] = record[22 + k];
  }
  model->Ynorm = record[32];
  model->cEigenvalues[0] = record[33];
  model->cEigenvalues[1] = record[34];
  model->cMultiplicities[0] = record[35];
  model->cMultiplicities[1] = record[36];
  model->dEigenvalues[0] = record[37];
  model->dEigenvalues[1] = record[38];
  model->dMultiplicities[0] = record[39];
  model->dMultiplicities[1] = record[40];
  // The third piece completes the stack; its eigenvalue is measured against the norm of
  // the search's main candidate.
  model->cMultiplicities[2] = model->multiplicities[2] - record[35] - record[36];
  model->cEigenvalues[2] = record[34] - SM.Ynorm;
  model->dMultiplicities[2] = model->multiplicities[3] - record[39] - record[40];
  model->dEigenvalues[2] = record[38] - SM.Ynorm;
}

int CheckOrientability(const int* groupTypes, const int* A, const int* S, const int* Gamma, const int* Delta, int n) {
  for (int x = 0; x < n && x < 4; ++x)
    if (groupTypes[x] != 0) return 0;
  for (int x = 0; x < 4; ++x)
    if (A[x] != 0 || S[x] != 0) return 0;
  for (int k = 0; k < 6; ++k)
    if (static_cast<long long>(Gamma[k]) * Delta[k] != 0) return 0;
  return 1;
}

int CheckDetachedDBrane(const int* Gamma, const int* Delta, int n) {
  if (n != 4) return 0;
  for (int k : {2, 4, 5})
    if (Gamma[k] != 0 || Delta[k] != 0) return 0;
  return 1;
}

void computeBraneIdentity() {
  StandardModel& m = SM;
  const int d = m.branes[6];
  for (int x = 0; x < 3; ++x) {
    const int code = d >= 0 && d == m.branes[2 * x] ? 1 : (d >= 0 && d == m.branes[2 * x + 1] ? -1 : 0);
    m.pairIdentification[x == 0 ? 2 : (x == 1 ? 4 : 5)] = code;
  }
  for (int k = 0; k < 6; ++k)
    if (m.pairIdentification[k] < 0) {
      dumpCandidate(45, {"Negative brane_id\n"});
      break;
    }
}

int familyCountOfReadModel(int setting, int GammaAB, int DeltaAB, int* families) {
  const long long count = static_cast<long long>(GammaAB) + DeltaAB;
  if (setting == 0) {
    if (count < 1 || count > 3) return 0;
  } else if (count != setting) {
    return 0;
  }
  *families = static_cast<int>(count);
  return 1;
}
