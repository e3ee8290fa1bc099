// Boundary conjugates and group types read off the labels against the search with the
// annulus on Gepner models, field by field: the quintic (every invariant, 160 to 4000
// boundaries) and (2,2,4,4,4) with invariants whose orbits have resolved fixed points, every
// orientifold of each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "boundaries/CrossBoundInternal.h"
#include "invariants/Invariants.h"

namespace {

class BoundaryConjugatesSlowTest : public ZoqTest {
 protected:
  // Compares both ways on every orientifold of the current invariant; the number of
  // orientifolds, and in *resolved the boundaries of resolved fixed points.
  int compareOrientifolds(const std::string& where, int* resolved) {
    *resolved = 0;
    if (initializeOpenString() != 0) return 0;
    const int boundaries = TotalBoundaries();
    for (int a = 0; a < boundaries; ++a) *resolved += getBoundaryFixed(a) == 1 ? 1 : 0;
    const int n = loadOrientifolds();
    for (int o = 0; o < n; ++o) {
      OrientifoldInfo* record = getOrientifoldByNumber(o);
      EXPECT_NE(record, nullptr) << where;
      if (record == nullptr) continue;
      std::vector<int> labels[2], types[2];
      for (int way = 0; way < 2; ++way) {
        record->conjugatesStamp = -2;
        if (way == 0)
          loadOrientifoldConjugates(record, 0);
        else
          loadOrientifoldConjugatesBySearch(record, 0);
        for (int a = 0; a < boundaries; ++a) {
          labels[way].push_back(orientifoldConjugate(record, a));
          types[way].push_back(orientifoldGroupType(record, a));
        }
      }
      for (int a = 0; a < boundaries; ++a) {
        const int c = labels[0][static_cast<size_t>(a)];
        EXPECT_EQ(c, labels[1][static_cast<size_t>(a)]) << where << " orientifold " << o << " boundary " << a;
        EXPECT_EQ(types[0][static_cast<size_t>(a)], types[1][static_cast<size_t>(a)])
            << where << " orientifold " << o << " boundary " << a;
        EXPECT_GE(c, 0) << where << " " << o << " " << a;
        if (c < 0) continue;
        EXPECT_EQ(labels[0][static_cast<size_t>(c)], a) << where << " " << o << " " << a;
      }
    }
    return n;
  }
};

TEST_F(BoundaryConjugatesSlowTest, LabelsAndSearchAgreeOnTheQuinticAndOnResolvedFixedPoints) {
  struct Case {
    const char* code;
    std::vector<int> invariants;
  };
  const Case cases[] = {{"33333", {0, 1, 2, 3, 4, 5, 6, 7}},
                        {"22444", {1, 4, 5, 10, 11, 14, 20, 21, 38, 46}}};
  int orientifolds = 0;
  int withResolved = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(run((std::string("build cy ") + c.code).c_str()), 0);
    for (int number : c.invariants) {
      ASSERT_EQ(run(("select invariant " + std::to_string(number)).c_str()), 0) << c.code << " " << number;
      capture.clear();
      int resolved = 0;
      const int n = compareOrientifolds(std::string(c.code) + " invariant " + std::to_string(number), &resolved);
      orientifolds += n;
      withResolved += resolved > 0 ? n : 0;
    }
  }
  EXPECT_GE(orientifolds, 100);
  EXPECT_GE(withResolved, 100);
}

}  // namespace
