// Abelian vector masses (see AbelianMasses.h).
#include "search/AbelianMasses.h"

#include <cmath>

#include "boundaries/CrossBound.h"
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
