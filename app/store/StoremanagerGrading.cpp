// NS currents and grade maps (see the header). The NS current list is a block of the
// record's own account, kept for the record's life.
#include "store/StoremanagerGrading.h"

#include "groups/Discrete.h"
#include "runtime/Error.h"
#include "store/Storemanager.h"

namespace {

int groupOrder(const SpectrumData* sd) {
  return sd->scgroup != nullptr ? sd->scgroup->order : 1;
}

bool isGraded(const SpectrumData* sd) {
  return sd->graded != 0 && sd->grading != nullptr;
}

}  // namespace

int SM_makeNSCurrents(SpectrumData* sd, int graded) {
  const int G = groupOrder(sd);
  if (graded == 0 || !isGraded(sd)) {
    int* list = SM_allocInts(sd, static_cast<std::size_t>(G), "NS currents");
    for (int J = 0; J < G && list != nullptr; ++J) list[J] = J;
    sd->ns_currents = list;
    return G;
  }
  const int half = G / 2;
  int* list = SM_allocInts(sd, static_cast<std::size_t>(half > 0 ? half : 1), "NS currents");
  int found = 0;
  for (int J = 0; J < G && J < sd->n_primaries; ++J) {
    if (sd->grading[J] != 'N') continue;
    if (found < half && list != nullptr) list[found] = J;
    ++found;
  }
  if (found != half) Alert("SM_makeNSCurrents", 0, 212404, "NS current count error (%d != %d)", found, half);
  sd->ns_currents = list;
  return half;
}

const int* SM_getNSCurrents(const SpectrumData* sd) {
  return static_cast<const int*>(sd->ns_currents);
}

int SM_makeGradeMap(SpectrumData* sd, int* map, int* nsStart, int* rStart, int* nNS, int* nR,
                    int* pass) {
  const int n = sd->n_primaries;
  const int G = groupOrder(sd);
  if (!isGraded(sd)) {
    for (int a = 0; a < n; ++a) {
      map[a] = a;
      map[n + a] = a;
    }
    *nsStart = G;
    *rStart = G;
    *nNS = n;
    *nR = n;
    return 0;
  }
  ++*pass;
  *nsStart = -1;
  *rStart = -1;
  int ns = 0;
  int r = 0;
  for (int a = 0; a < n; ++a) {
    const int partner = sd->n2_multiplets != nullptr ? sd->n2_multiplets[a] : a;
    if (*pass > 1 && a > partner) continue;
    if (sd->grading[a] == 'N') {
      if (a >= G && *nsStart == -1 && ns > 0 && map[ns - 1] < G) *nsStart = ns;
      map[ns++] = a;
    } else {
      if (a >= G && *rStart == -1 && (r == 0 || map[n + r - 1] < G)) *rStart = r;
      map[n + r++] = a;
    }
  }
  *nNS = ns;
  *nR = r;
  if (*nsStart == -1) *nsStart = ns;
  if (*rStart == -1) *rStart = r;
  return 0;
}
