// The heterotic answers the names of a case read (see the header).
#include "tensor/HeteroticNameHooks.h"

namespace {

struct HeteroticNameHooksState {
  LiftIdentifierHook lift = nullptr;
  ExceptionalFilterHook filter = nullptr;
  HeteroticScanHook scan = nullptr;
};

HeteroticNameHooksState& hooks() {
  static HeteroticNameHooksState s;
  return s;
}

}  // namespace

void setHeteroticNameHooks(LiftIdentifierHook lift, ExceptionalFilterHook filter,
                           HeteroticScanHook scan) {
  hooks().lift = lift;
  hooks().filter = filter;
  hooks().scan = scan;
}

int heteroticLiftIdentifier() {
  return hooks().lift != nullptr ? hooks().lift() : -1;
}
int heteroticExceptionalFilter(int factor) {
  return hooks().filter != nullptr ? hooks().filter(factor) : 0;
}
bool heteroticScanRunning() {
  return hooks().scan != nullptr && hooks().scan() != 0;
}
