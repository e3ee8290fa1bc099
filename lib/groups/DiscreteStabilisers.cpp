// Stabiliser records: one FPType per distinct pair (U, S) of an untwisted stabiliser U
// and its stabiliser S, both lists of elements of an ambient group known by its product
// callback. U is identified with its canonical DGType, so that the characters of U are
// answered through the group's characters. The lists belong to the callers (a head
// pointer each); the records live in this module's pool until freeFP or resetDiscrete.
#include <algorithm>

#include "collections/VectorUtility.h"
#include "groups/DiscreteInternal.h"
#include "runtime/Error.h"

namespace {

bool sameList(const int* a, const int* b, int n) { return n <= 0 || std::equal(a, a + n, b); }

}  // namespace

FPType* getFP(int N, const int* U, const int* S, int nU, int nS, FPType** list, void* ctx,
              DGProductCallback product) {
  for (FPType* fp = *list; fp != nullptr; fp = fp->next) {
    if (fp->group != nullptr && fp->group->order == nU && fp->nS == nS && sameList(fp->U, U, nU) &&
        sameList(fp->S, S, nS)) {
      return fp;
    }
  }
  if (nU < 1 || nS < 1 || N < 1) {
    Alert("getFP", 1, 212404, "Invalid stabilizer sizes: |U| = %d, |S| = %d", nU, nS);
    return nullptr;
  }
  DiscreteState& s = discreteState();
  FPType* fp = s.stabilisers.acquire();
  fp->nS = nS;
  fp->block.assign(static_cast<std::size_t>(nU) * 2 + static_cast<std::size_t>(nS), 0);
  fp->U = fp->block.data();
  fp->S = fp->U + nU;
  fp->map = fp->S + nS;
  s.allOrders.assign(static_cast<std::size_t>(N), 0);
  fp->group = DG_mapSubProductNEW(fp->map, s.allOrders.data(), N, nU, U, ctx, product, nullptr);
  if (fp->group == nullptr) {
    s.stabilisers.release(fp);
    Alert("getFP", 2, 120505, "Cannot allocate FPType");
    return nullptr;
  }
  copyVec(nU, fp->U, U);
  copyVec(nS, fp->S, S);
  fp->sqrtSU = isqrt(nS / nU);
  fp->next = *list;
  *list = fp;
  return fp;
}

FPType* trivialFP(FPType** list) {
  for (FPType* fp = *list; fp != nullptr; fp = fp->next) {
    if (fp->group != nullptr && fp->group->order == 1 && fp->nS == 1) return fp;
  }
  FPType* fp = discreteState().stabilisers.acquire();
  fp->block.assign(3, 0);
  fp->U = fp->block.data();
  fp->S = fp->U + 1;
  fp->map = fp->S + 1;
  fp->group = DG_trivial();
  fp->nS = 1;
  fp->sqrtSU = 1;
  fp->next = *list;
  *list = fp;
  return fp;
}

void freeFP(FPType** list) {
  DiscreteState& s = discreteState();
  FPType* fp = *list;
  while (fp != nullptr) {
    FPType* next = fp->next;
    if (fp->group == nullptr || fp->group->order == 0) {
      Alert("freeFP", 0, 212404, "Stabilizer order 0");
    }
    if (s.stabilisers.owns(fp)) s.stabilisers.release(fp);
    fp = next;
  }
  *list = nullptr;
}

void Character(const FPType* fp, int a, int b, Rat* q) {
  if (fp->group->order == 1) {
    q->num = 0;
    q->den = 1;
    return;
  }
  int n = fp->group->order;
  int pa = Present(fp->map, n, a);
  int pb = Present(fp->map, n, b);
  if (pa < 0 || pb < 0) {
    Alert("Character", 0, 212404, "Non-stabilizer element as character argument");
    return;
  }
  DG_character(fp->group, pa, pb, q);
}
