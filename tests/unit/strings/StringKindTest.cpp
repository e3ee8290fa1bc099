// The kind of a real string spectrum: the D8 lattice at level 1 in ten dimensions, with
// the diagonal invariant (non-supersymmetric, gauge group D8 x E8, a tachyon) and extended
// by its spinor current to E8 (16 supercharges on each half, gauge group E8 x E8, type IIB).
#include <gtest/gtest.h>

#include <string>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "runtime/Parameters.h"
#include "strings/OpenReports.h"
#include "strings/StringBrowse.h"
#include "strings/StringTheory.h"

namespace {

class StringKindTest : public ZoqTest {
 protected:
  void d8(bool extended) {
    setIntPar("Super", 1);
    ASSERT_EQ(run("tensor"), 0);
    ASSERT_EQ(run("g d 8 1"), 0);
    ASSERT_EQ(run("compute spectrum"), 0);
    if (extended) {
      ASSERT_EQ(run("select simple_current_invariant with_torsion_subgroup 1"), 0);
    }
    capture.clear();
  }
};

TEST_F(StringKindTest, SupersymmetricE8StringsInTenDimensions) {
  d8(true);
  BulkSupersymmetry counts;
  EXPECT_EQ(findBulkSupersymmetry(&counts), 16);
  EXPECT_EQ(counts.left, 16);
  EXPECT_EQ(counts.right, 16);
  // Chiral supersymmetry, but not in four dimensions; not six either.
  EXPECT_EQ(CY_Check('I', 1), 0);
  EXPECT_EQ(capture.printed, "Space-time dimension is not 4\n");
  EXPECT_EQ(SixDimSusy(), 0);
  capture.clear();
  EXPECT_EQ(BrowseTypeII(1, 0), 0);
  EXPECT_NE(capture.printed.find("\nType-IIB spectrum\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("\nMatter multiplets:\nNo massless matter\n"), std::string::npos);
  EXPECT_EQ(capture.printed.find("tachyon-free"), std::string::npos);
  capture.clear();
  EXPECT_EQ(BrowseHeterotic(0, 0), 0);
  EXPECT_NE(capture.printed.find("\nGauge group: E8 x E8\n"), std::string::npos);
}

TEST_F(StringKindTest, DiagonalD8IsNeitherSupersymmetricNorTachyonFree) {
  d8(false);
  BulkSupersymmetry counts;
  EXPECT_EQ(findBulkSupersymmetry(&counts), 0);
  EXPECT_EQ(counts.right, 0);
  EXPECT_EQ(CY_Check('B', 1), 0);
  EXPECT_EQ(capture.printed, "Space-time dimension is not 4\n");
  capture.clear();
  EXPECT_EQ(BrowseHeterotic(0, 0), 0);
  const std::string& out = capture.printed;
  EXPECT_NE(out.find("\nGauge group: D8 x E8\n"), std::string::npos);
  EXPECT_NE(out.find("Multiplet (0,S+):  [128]\nMultiplet (0,S-):  [128c]\n"), std::string::npos);
  // The vector 16 at h = 1/2 is a tachyon of mass h - 1.
  EXPECT_NE(out.find("Tachyon with mass -1/2\n"), std::string::npos);
  EXPECT_EQ(out.find("tachyon-free"), std::string::npos);
}

}  // namespace
