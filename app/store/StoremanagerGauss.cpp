// The Gaussian sum of an affine Lie algebra at level k for a weight vector x:
//
//   G(x) = exp(-i pi r / 4) / N  sum_lambda (1 / m_lambda) sum_{w in W}
//            exp(2 pi i (v, v) / (4k)),   v = 2 w(lambda) - x,
//
// over the fields lambda of the stored theory (finite Dynkin labels) and the Weyl group W,
// with N = sqrt((k/2)^r |P/Q^v|) (WeightLatticeOrder: the index of the coroot lattice in
// the weight lattice) and m_lambda the order of the stabiliser of lambda's extended labels
// (the alcove walls it lies on). (v, v) is taken with long roots of squared length 2. The
// routine keeps no state.
//
// W acts by isometries, so (2 w(lambda) - x, 2 w(lambda) - x) = (2 lambda - w^-1(x), same),
// and the inner sum runs over the images y of x instead: they are found once, equal images
// counted together. With the integer metric ICM = M (omega_i, omega_j), M (v, v) =
// 4 lambda.ICM.lambda - 4 lambda.ICM.y + y.ICM.y is an integer, so every phase is a
// (4kM)-th root of unity, read from a table.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "lie/LieAlgebra.h"
#include "lie/WeylGroup.h"
#include "runtime/Error.h"
#include "runtime/Terminal.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

namespace {

// The distinct Weyl images y of x, each with ICM y, y.ICM.y and the number of Weyl
// elements that give it.
struct ImageClasses {
  int rank = 0;
  std::vector<long long> metricImages;  // ICM y, rank entries a class
  std::vector<long long> norms;         // y.ICM.y
  std::vector<int> counts;
};

bool imageClasses(int type, int rank, const int* x, ImageClasses& out) {
  const WeylOrbitList* images = WeylReflections(type, rank, x);
  if (images == nullptr) return false;
  std::vector<int> order(static_cast<std::size_t>(images->count));
  for (int w = 0; w < images->count; ++w) order[static_cast<std::size_t>(w)] = w;
  const auto less = [images, rank](int a, int b) {
    return std::lexicographical_compare(images->row(a), images->row(a) + rank, images->row(b), images->row(b) + rank);
  };
  std::sort(order.begin(), order.end(), less);
  out.rank = rank;
  std::vector<int> metric(static_cast<std::size_t>(rank));
  for (std::size_t k = 0; k < order.size(); ++k) {
    obeyInterruptRequest();
    const int* y = images->row(order[k]);
    if (k > 0 && !less(order[k - 1], order[k])) {
      ++out.counts.back();
      continue;
    }
    if (InverseCartanMultiply(type, rank, y, metric.data()) == 0) return false;
    long long norm = 0;
    for (int i = 0; i < rank; ++i) {
      out.metricImages.push_back(metric[static_cast<std::size_t>(i)]);
      norm += static_cast<long long>(y[i]) * metric[static_cast<std::size_t>(i)];
    }
    out.norms.push_back(norm);
    out.counts.push_back(1);
  }
  return true;
}

}  // namespace

double GaussianSum(SpectrumData* sd, const int* x) {
  if (sd == nullptr || x == nullptr) return 0.0;
  if (LieCheck(sd) == 0) return 0.0;
  const int type = sd->type;
  const int rank = sd->rank;
  const int level = sd->level;
  if (rank < 1 || level < 1) {
    Alert("GaussianSum", 0, 100202, "No Gaussian sum for rank %d and level %d", rank, level);
    return 0.0;
  }
  const double norm =
      std::sqrt(std::pow(level / 2.0, rank) * static_cast<double>(WeightLatticeOrder(type, rank)));
  const double pi = std::acos(-1.0);
  ImageClasses classes;
  if (!imageClasses(type, rank, x, classes)) return 0.0;
  const long long metricNorm = InverseCartan(type, rank);
  if (metricNorm == 0) return 0.0;
  // exp(2 pi i t / modulus) for t = M (v, v), tabulated unless the table would be large.
  const long long modulus = 4LL * level * metricNorm;
  constexpr long long kLargestTable = 1LL << 20;
  std::vector<std::complex<double>> phases;
  if (modulus <= kLargestTable) {
    phases.resize(static_cast<std::size_t>(modulus));
    for (long long t = 0; t < modulus; ++t)
      phases[static_cast<std::size_t>(t)] = std::polar(1.0, 2.0 * pi * static_cast<double>(t) / static_cast<double>(modulus));
  }
  const auto phase = [&](long long t) {
    t %= modulus;
    if (t < 0) t += modulus;
    if (!phases.empty()) return phases[static_cast<std::size_t>(t)];
    return std::polar(1.0, 2.0 * pi * static_cast<double>(t) / static_cast<double>(modulus));
  };
  const std::size_t classCount = classes.counts.size();
  std::vector<int> metricLambda(static_cast<std::size_t>(rank));
  std::complex<double> sum(0.0, 0.0);
  for (int field = 0; field < sd->n_primaries; ++field) {
    obeyInterruptRequest();
    const int* labels = SM_getRep(sd, field);
    if (labels == nullptr) return 0.0;
    const int multiplicity = WeylBoundaryMultiplicity(labels, type, rank);
    if (multiplicity < 1) return 0.0;
    if (InverseCartanMultiply(type, rank, labels, metricLambda.data()) == 0) return 0.0;
    long long lambdaNorm = 0;
    for (int i = 0; i < rank; ++i) lambdaNorm += static_cast<long long>(labels[i]) * metricLambda[static_cast<std::size_t>(i)];
    std::complex<double> inner(0.0, 0.0);
    for (std::size_t c = 0; c < classCount; ++c) {
      const long long* y = classes.metricImages.data() + c * static_cast<std::size_t>(rank);
      long long cross = 0;
      for (int i = 0; i < rank; ++i) cross += static_cast<long long>(labels[i]) * y[i];
      inner += static_cast<double>(classes.counts[c]) * phase(4 * lambdaNorm - 4 * cross + classes.norms[c]);
    }
    sum += inner / (multiplicity * norm);
  }
  sum *= std::polar(1.0, -pi * rank / 4.0);
  if (std::fabs(sum.imag()) > 1e-7) Alert("GaussianSum", 1, 212404, "Phase error");
  // A sum that vanishes is 0, without the sign its rounding leaves.
  return std::fabs(sum.real()) < 1e-7 ? 0.0 : sum.real();
}
