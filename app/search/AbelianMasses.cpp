// Abelian vector masses (see AbelianMasses.h).
#include "search/AbelianMasses.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "boundaries/CrossBound.h"
#include "collections/VectorSpace.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "search/ChanPaton.h"
#include "search/ModelAnalysis.h"
#include "search/SearchSM.h"
#include "strings/OpenReports.h"
#include "strings/OpenSpectrum.h"
#include "strings/StringTheory.h"
#include "tensor/OutputNames.h"
#include "search/Axions.h"
#include "search/SearchSM.h"

namespace {

constexpr double kMassTolerance = 1e-7;

// The couplings of SM's stacks (those selected) to every axion of the current orientifold.
std::vector<std::vector<std::complex<double>>> standardModelCouplings(const std::vector<int>& stacks) {
  std::vector<std::vector<std::complex<double>>> couplings;
  for (int m : getAxionList(0)) {
    std::vector<std::complex<double>> row;
    for (int x : stacks) {
      const int brane = SM.branes[2 * x], image = SM.branes[2 * x + 1];
      double re = 0, im = 0, reImage = 0, imImage = 0;
      getCurrentReflectionCoefficient(m, brane, &re, &im);
      if (image >= 0) getCurrentReflectionCoefficient(m, image, &reImage, &imImage);
      row.emplace_back(SM.multiplicities[x] * (re - reImage), SM.multiplicities[x] * (im - imImage));
    }
    couplings.push_back(std::move(row));
  }
  return couplings;
}

void makeOrientifoldCurrent() {
  if (SM.orientifold >= 0 && SM.orientifold < orientifoldListSize()) setStoredOrientifold(SM.orientifold);
}

}  // namespace

int realRank(std::vector<std::vector<double>> rows) {
  int rank = 0;
  const std::size_t width = rows.empty() ? 0 : rows.front().size();
  for (std::size_t c = 0; c < width && static_cast<std::size_t>(rank) < rows.size(); ++c) {
    std::size_t best = static_cast<std::size_t>(rank);
    for (std::size_t r = best; r < rows.size(); ++r)
      if (std::fabs(rows[r][c]) > std::fabs(rows[best][c])) best = r;
    if (std::fabs(rows[best][c]) < kMassTolerance) continue;
    std::swap(rows[best], rows[static_cast<std::size_t>(rank)]);
    const auto& pivot = rows[static_cast<std::size_t>(rank)];
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (r == static_cast<std::size_t>(rank)) continue;
      const double f = rows[r][c] / pivot[c];
      if (f == 0.0) continue;
      for (std::size_t j = 0; j < width; ++j) rows[r][j] -= f * pivot[j];
    }
    ++rank;
  }
  return rank;
}

double abelianMass(const std::vector<std::vector<std::complex<double>>>& couplings,
                   const std::vector<std::complex<double>>& metricPhases, const std::vector<int>& Y) {
  double s = 0.0;
  for (std::size_t m = 0; m < couplings.size(); ++m) {
    std::complex<double> S = 0.0;
    for (std::size_t x = 0; x < couplings[m].size() && x < Y.size(); ++x) S += static_cast<double>(Y[x]) * couplings[m][x];
    const std::complex<double> g = m < metricPhases.size() ? metricPhases[m] : 1.0;
    s += (g * S * S).real();
    if (std::fabs(s) > kMassTolerance) break;
  }
  return std::fabs(s) > kMassTolerance ? -s : 0.0;
}

int masslessAbelianVectorCount(const std::vector<std::vector<std::complex<double>>>& couplings,
                               const std::vector<int>& Y) {
  const std::size_t v = Y.size();
  std::vector<std::vector<double>> rows;
  for (std::size_t x = 0; x < v; ++x)
    if (Y[x] != 0) {
      std::vector<double> row(v, 0.0);
      row[x] = 1.0;
      rows.push_back(std::move(row));
      break;
    }
  for (const auto& axion : couplings) {
    std::vector<double> re(v, 0.0), im(v, 0.0);
    for (std::size_t x = 0; x < v && x < axion.size(); ++x) {
      re[x] = axion[x].real();
      im[x] = axion[x].imag();
    }
    rows.push_back(std::move(re));
    rows.push_back(std::move(im));
  }
  return static_cast<int>(v) - realRank(std::move(rows));
}

double computeGenericAbelianMasses() {
  if (SM.tensorCode == -1) return 0.0;
  makeOrientifoldCurrent();
  std::vector<int> stacks;
  std::vector<int> Y;
  const int n = SM.stackCount >= 1 && SM.stackCount <= 4 ? SM.stackCount : 4;
  for (int x = 0; x < n; ++x) {
    stacks.push_back(x);
    Y.push_back(SM.Y[x]);
  }
  const auto couplings = standardModelCouplings(stacks);
  std::vector<std::complex<double>> phases;
  for (int m : getAxionList(1)) {
    int p = 0, q = 1;
    getIshibashiMetric(m, &p, &q);
    const double angle = q != 0 ? 2.0 * M_PI * p / q : 0.0;
    phases.emplace_back(std::cos(angle), std::sin(angle));
  }
  return abelianMass(couplings, phases, Y);
}

int countMasslessAbelianVectors(int generators[8]) {
  makeOrientifoldCurrent();
  for (int k = 0; k < 8; ++k) generators[k] = 0;
  std::vector<int> stacks;
  std::vector<int> Y;
  const int n = SM.stackCount >= 1 && SM.stackCount <= 4 ? SM.stackCount : 4;
  for (int x = 0; x < n; ++x)
    if (SM.groupTypes[x] == 0) {
      stacks.push_back(x);
      Y.push_back(SM.Y[x]);
    }
  return masslessAbelianVectorCount(standardModelCouplings(stacks), Y);
}

// ---------------------------------------------------------------------------------------
// Open hypercharge coefficients from the axion mass terms

namespace {

constexpr double kSolveTolerance = 1e-9;

// Gauss-Jordan on rows of u coefficients and a constant (c . v + k = 0). Returns the rank of
// the coefficients, -1 when a row reads 0 = k with k non-zero; pivots receives each
// reduced row's pivot column.
int reduceRealSystem(std::vector<std::vector<double>>& rows, int u, std::vector<int>* pivots) {
  int rank = 0;
  for (int c = 0; c < u && rank < static_cast<int>(rows.size()); ++c) {
    std::size_t best = static_cast<std::size_t>(rank);
    for (std::size_t r = best; r < rows.size(); ++r)
      if (std::fabs(rows[r][static_cast<std::size_t>(c)]) > std::fabs(rows[best][static_cast<std::size_t>(c)])) best = r;
    if (std::fabs(rows[best][static_cast<std::size_t>(c)]) < kSolveTolerance) continue;
    std::swap(rows[best], rows[static_cast<std::size_t>(rank)]);
    auto& pivot = rows[static_cast<std::size_t>(rank)];
    const double lead = pivot[static_cast<std::size_t>(c)];
    for (double& entry : pivot) entry /= lead;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (r == static_cast<std::size_t>(rank)) continue;
      const double f = rows[r][static_cast<std::size_t>(c)];
      if (f == 0.0) continue;
      for (std::size_t j = 0; j <= static_cast<std::size_t>(u); ++j) rows[r][j] -= f * pivot[j];
    }
    pivots->push_back(c);
    ++rank;
  }
  for (std::size_t r = static_cast<std::size_t>(rank); r < rows.size(); ++r)
    if (std::fabs(rows[r][static_cast<std::size_t>(u)]) > 1e-7) return -1;
  return rank;
}

// The smallest k in 1..1024 that makes value k an integer (within 1e-7), or 0.
int integerMultiplier(double value) {
  for (int k = 1; k <= 1024; ++k)
    if (std::fabs(value * k - std::round(value * k)) < 1e-7) return k;
  return 0;
}

}  // namespace

int solveGenericAbelianMasses(const VectorSpace* equations, VectorSpace* space, int unknown[4]) {
  if (SM.tensorCode == -1) return -2;
  makeOrientifoldCurrent();
  std::vector<int> columns;  // stack of each unknown
  for (int x = 0; x < 4; ++x)
    if (unknown[x] != 0) columns.push_back(x);
  const int u = static_cast<int>(columns.size());
  const double norm = SM.Ynorm != 0 ? SM.Ynorm : 1.0;
  std::vector<std::vector<double>> rows;
  for (int j = 0; j < equations->Nfill; ++j) {
    const int* eq = equations->Space + static_cast<std::ptrdiff_t>(j) * equations->rowsize;
    std::vector<double> row(static_cast<std::size_t>(u) + 1, 0.0);
    double constant = eq[4];
    for (int x = 0; x < 4; ++x) {
      const auto at = std::find(columns.begin(), columns.end(), x);
      if (at != columns.end())
        row[static_cast<std::size_t>(at - columns.begin())] = eq[x];
      else
        constant += eq[x] * SM.Y[x] / norm;
    }
    row[static_cast<std::size_t>(u)] = constant;
    rows.push_back(std::move(row));
  }
  const std::vector<int> stacks = {0, 1, 2, 3};
  for (const auto& axion : standardModelCouplings(stacks)) {
    std::vector<double> re(static_cast<std::size_t>(u) + 1, 0.0), im(static_cast<std::size_t>(u) + 1, 0.0);
    for (int x = 0; x < 4; ++x) {
      const auto at = std::find(columns.begin(), columns.end(), x);
      const std::complex<double> g = axion[static_cast<std::size_t>(x)];
      if (at != columns.end()) {
        re[static_cast<std::size_t>(at - columns.begin())] = g.real();
        im[static_cast<std::size_t>(at - columns.begin())] = g.imag();
      } else {
        re[static_cast<std::size_t>(u)] += g.real() * SM.Y[x] / norm;
        im[static_cast<std::size_t>(u)] += g.imag() * SM.Y[x] / norm;
      }
    }
    rows.push_back(std::move(re));
    rows.push_back(std::move(im));
  }
  std::vector<int> pivots;
  const int rank = reduceRealSystem(rows, u, &pivots);
  if (rank < 0) return -3;
  if (rank == u) {
    std::vector<double> value(static_cast<std::size_t>(u), 0.0);
    for (int r = 0; r < rank; ++r)
      value[static_cast<std::size_t>(pivots[static_cast<std::size_t>(r)])] =
          -rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(u)];
    long long factor = 1;
    for (double v : value) {
      const int k = integerMultiplier(v * static_cast<double>(factor));
      if (k == 0) {
        printErrorMessage("\n\n%s\nUnconvertible non-integer: %15.7f\n", std::string(42, '=').c_str(), v);
        printCPD(stderr, -1, 1);
        return -3;
      }
      factor *= k;
    }
    long long newNorm = static_cast<long long>(SM.Ynorm) * factor;
    if (newNorm > 199999999) {
      Alert("solveGenericAbelianMasses", 2, 112201, "Integer overflow");
      return 0;
    }
    SM.Ynorm = static_cast<int>(newNorm);
    for (int& y : SM.Y) y = static_cast<int>(y * factor);
    for (int k = 0; k < u; ++k) {
      const double scaled = value[static_cast<std::size_t>(k)] * SM.Ynorm;
      if (std::fabs(scaled - std::round(scaled)) > 1e-6) {
        Alert("solveGenericAbelianMasses", 0, 112201, "Integer conversion problem");
        return 0;
      }
      SM.Y[columns[static_cast<std::size_t>(k)]] = static_cast<int>(std::lround(scaled));
      unknown[columns[static_cast<std::size_t>(k)]] = 0;
    }
    if (std::fabs(computeGenericAbelianMasses()) > 1e-8) {
      printCPD(stdout, -1, 0);
      Alert("solveGenericAbelianMasses", 1, 112201, "Solution yields non-zero mass");
      return 0;
    }
    return 1;
  }
  // Several solutions: the known coefficients and the reduced rows, in integers.
  initEquationCollection(space, 4, 7);
  for (int x = 0; x < 4; ++x) {
    if (unknown[x] != 0) continue;
    int row[5] = {};
    row[x] = SM.Ynorm;
    row[4] = -SM.Y[x];
    CollectIntegerEquations(space, row);
  }
  for (int r = 0; r < rank; ++r) {
    const auto& reduced = rows[static_cast<std::size_t>(r)];
    long long factor = 1;
    bool integral = true;
    for (double v : reduced) {
      const int k = integerMultiplier(v * static_cast<double>(factor));
      if (k == 0 || factor * k > 1000000) {
        integral = false;
        break;
      }
      factor *= k;
    }
    if (!integral) continue;
    int row[5] = {};
    for (int k = 0; k < u; ++k)
      row[columns[static_cast<std::size_t>(k)]] =
          static_cast<int>(std::lround(reduced[static_cast<std::size_t>(k)] * static_cast<double>(factor)));
    row[4] = static_cast<int>(std::lround(reduced[static_cast<std::size_t>(u)] * static_cast<double>(factor)));
    CollectIntegerEquations(space, row);
  }
  return -2;
}

// ---------------------------------------------------------------------------------------
// The spectrum analysis of a candidate

void printCPD(FILE* stream, int nr, int warn) {
  if (stream == nullptr) stream = stdout;
  if (stream == stdout && searchSetting("Tadpole info_level") == 0) return;
  const StandardModel& m = SM;
  const int n = m.stackCount == 3 ? 3 : 4;
  PrintSeparatorWithTextToFile(stream, '-', "\nSpectrum Analysis");
  std::string text;
  if (nr != -1) text += formatText("Model nr %d\n", nr);
  text += formatText("CY %d; MIPF %d\n", m.tensorCode, m.MIPF);
  appendVecLine(text, 8, m.branes, "boundaries");
  writeToStream(stream, text);
  text.clear();
  const bool orientifoldKnown = m.orientifold >= 0 && m.orientifold < orientifoldListSize();
  if (m.orientifold >= 0) writeToStream(stream, formatText("Orientifold nr: %d\n", m.orientifold));
  if (orientifoldKnown) {
    OrientifoldInfo* record = setStoredOrientifold(m.orientifold);
    if (record != nullptr) printOrientationInfo(record, stream);
    const int boundaries = TotalBoundaries();
    for (int x = 0; x < n; ++x) {
      const int label = m.branes[2 * x];
      if (label < 0 || label >= boundaries) continue;
      double re = 0, im = 0;
      getCurrentReflectionCoefficient(0, label, &re, &im);
      text += formatText("Brane tension for brane nr. %d (label %-5d): %15.7f\n", x, label, re);
    }
  }
  if (warn == 1) text += "WARNING: possibly not all the following data apply to this case!\n";
  appendVecLine(text, 4, m.groupTypes, "types");
  appendVecLine(text, 4, m.multiplicities, "multiplicities");
  if (m.cdOrdering == 1 && m.pairIdentification[5] == 0) text += "branes c and d are equivalent\n";
  if (m.cSymmetry == 1) text += "branes c and cc are equivalent\n";
  if (m.dSymmetry == 1 && n == 4) text += "branes d and dc are equivalent\n";
  const char letters[6][2] = {{'a', 'b'}, {'a', 'c'}, {'a', 'd'}, {'b', 'c'}, {'b', 'd'}, {'c', 'd'}};
  for (int k = 0; k < 6; ++k) {
    if (m.pairIdentification[k] == 1)
      text += formatText("branes %c and %c are identical\n", letters[k][0], letters[k][1]);
    else if (m.pairIdentification[k] == -1)
      text += formatText("branes %c and %cc are identical\n", letters[k][0], letters[k][1]);
  }
  appendVecLine(text, 4, m.antisymmetricTensors, "Chiral antisymmetric tensors");
  appendVecLine(text, 4, m.symmetricTensors, "Chiral symmetric tensors    ");
  appendVecLine(text, 6, m.Gamma, "Gamma");
  appendVecLine(text, 6, m.Delta, "Delta");
  appendVecLine(text, 4, m.Y, formatText("Y charge coefficients; Norm %d", m.Ynorm).c_str());
  text += formatText("Generator c: (%d x %d, %d x %d)\n", m.cMultiplicities[0], m.cEigenvalues[0], m.cMultiplicities[1],
                     m.cEigenvalues[1]);
  text += formatText("Generator d: (%d x %d, %d x %d)\n", m.dMultiplicities[0], m.dEigenvalues[0], m.dMultiplicities[1],
                     m.dEigenvalues[1]);
  text += formatText("Number of massless U(1)'s : %d\n", m.extraMasslessU1);
  appendVecLine(text, 2, m.quarkDoublets, "Quark doublets and mirrors    ");
  appendVecLine(text, 2, m.leptonDoublets, "Lepton doublets and mirrors   ");
  appendVecLine(text, 4, m.antiQuarks, "anti-quarks (u,d) and mirrors ");
  appendVecLine(text, 3, m.singlets, "Singlets, charges 1,0,-1      ");
  if (m.degenerateY != 0) text += "Degenerate Y-charge\n";
  if (m.extraMasslessU1 == 0) {
    text += "No extra massless abelian vectors\n";
  } else {
    appendVecLine(text, 4, m.extraU1, "Extra U(1)  ");
    if (m.extraMasslessU1 >= 2) appendVecLine(text, 4, m.extraU1 + 4, "Extra U(1)'");
    if (m.extraMasslessU1 >= 3) text += "One more U(1) not computed\n";
  }
  writeToStream(stream, text);
  if (stream == stderr) {
    PrintSeparatorWithTextToFile(stream, '-', "\nEnd of spectrum analysis (after error)");
    return;
  }
  ChanPatonData* cpd = generateChanPatonDataForStandardModel(&SM);
  if (cpd != nullptr) {
    const std::size_t start = returnBufferOn();
    GeneralOpenSectorAnalysis(cpd);
    if (stream == stdout) {
      Print("********************************\n");
      Print("         Detailed analysis\n");
    } else {
      Print("Writing detailed information to file %s\n", getCurrentOutputFileName(".spectra").c_str());
    }
    StringBlock* spectrum = getStringSpectrum(1);
    SpaceTimeSymmetry st;
    if (spectrum != nullptr && stringSpaceTimeSymmetry(spectrum, &st, 'O') >= 0) DetailedOpenSectorAnalysis(cpd, &st);
    if (stream == stdout) Print("******** END *******************\n");
    returnBufferOff();
    writeToStream(stream, takeReturnBuffer(start));
  }
  PrintSeparatorWithTextToFile(stream, '-', "\nEnd of spectrum analysis");
  writeToStream(stream, "\n");
}
