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
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "lie/LieAlgebra.h"
#include "lie/WeylGroup.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"
#include "store/StoremanagerQueries.h"

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
  std::vector<int> v(static_cast<std::size_t>(rank));
  std::complex<double> sum(0.0, 0.0);
  for (int field = 0; field < sd->n_primaries; ++field) {
    const int* labels = SM_getRep(sd, field);
    if (labels == nullptr) return 0.0;
    const int multiplicity = WeylBoundaryMultiplicity(labels, type, rank);
    if (multiplicity < 1) return 0.0;
    const WeylOrbitList* images = WeylReflections(type, rank, labels);
    if (images == nullptr) return 0.0;
    for (int w = 0; w < images->count; ++w) {
      const int* image = images->row(w);
      for (int i = 0; i < rank; ++i) v[static_cast<std::size_t>(i)] = 2 * image[i] - x[i];
      const double length = IntDotProd(type, rank, v.data(), v.data());
      sum += std::polar(1.0, 2.0 * pi * length / (4.0 * level)) / (multiplicity * norm);
    }
  }
  sum *= std::polar(1.0, -pi * rank / 4.0);
  if (std::fabs(sum.imag()) > 1e-7) Alert("GaussianSum", 1, 212404, "Phase error");
  return sum.real();
}
