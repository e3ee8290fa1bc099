// STAND-IN for the CFT store: records hold only their numbers, a name and a primary count
// of 1 (the identity). Records live for the run in a deque, so their addresses stay valid.
#include "Storemanager.h"

#include <deque>

namespace {

struct StoremanagerState {
  std::deque<SpectrumData> records;
};

StoremanagerState& state() {
  static StoremanagerState s;
  return s;
}

}  // namespace

SpectrumData* SM_getData(int type, int rank, int level) {
  for (SpectrumData& record : state().records) {
    if (record.type == type && record.rank == rank && record.level == level) return &record;
  }
  state().records.push_back(SpectrumData{type, rank, level, 1,
                                         "Algebra " + std::to_string(type) + "," + std::to_string(rank) +
                                             "," + std::to_string(level)});
  return &state().records.back();
}

void initializeStoremanager() {}
