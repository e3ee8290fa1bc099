// Brane intersections on a chiral four-dimensional case: the quintic Gepner model (five
// N=2 minimal models of level 3 with the SO(10) space-time factor, "build cy 33333") with
// its simple-current invariant number 4: 160 boundaries, one orientifold, under which 128
// boundaries are complex (b* != b). The numbers checked are identities of intersection
// theory: both pair routines compute the same X(a, b); the chirality X(a, b) - X(b, a) is
// antisymmetric and the orientifold image reverses it, I(a*, b*) = -I(a, b); boundary
// currents leave X invariant, so every class member is answered from its leader's row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "InterpreterTestSupport.h"
#include "TestSupport.h"
#include "boundaries/CrossBound.h"
#include "invariants/Invariants.h"
#include "search/SearchSM.h"
#include "strings/Intersections.h"
#include "strings/OpenSpectrum.h"

namespace {

class IntersectionQuinticTest : public ZoqTest {
 protected:
  int n = 0;
  OrientifoldInfo* ori = nullptr;

  void loadQuintic() {
    ASSERT_EQ(run("build cy 33333"), 0);
    ASSERT_EQ(run("select invariant 4"), 0);
    n = TotalBoundaries();
    ASSERT_EQ(n, 160);
    ASSERT_EQ(InitIntersection(), 0);
    int total = 0, count = 0;
    OrientifoldInfo** list = getPositiveTensionOrientifolds(&total, &count);
    ASSERT_GE(count, 1);
    ori = list[0];
    loadOrientifoldConjugates(ori, 0);
    capture.clear();
  }
  int image(int b) const { return orientifoldConjugate(ori, b); }
  int direct(int a, int b, int* c) { return ComputeIntersectionEntry(a, b, c); }
};

TEST_F(IntersectionQuinticTest, RoutinesAgreeAndChiralityIsAntisymmetricAndReversedByTheImage) {
  loadQuintic();
  // The orbit tables exist ("Use_orbits" 2), so the routine over orbits is the one installed.
  EXPECT_EQ(intersectionUsesOrbits(), 1);
  int chiral = 0;
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      int c1 = 99, c2 = 99;
      const int x1 = ComputeFastIntersection(a, b, &c1);
      const int x2 = ComputeIntersectionWithoutOrbits(a, b, &c2);
      ASSERT_EQ(x1, x2) << a << "," << b;
      ASSERT_EQ(c1, c2) << a << "," << b;
      ASSERT_GE(x1, 0) << a << "," << b;
      chiral += c1 != 0 ? 1 : 0;
    }
  // The test means something only on a chiral case.
  ASSERT_GT(chiral, 0);
  EXPECT_TRUE(silent()) << capture.diagnostics;
  int complexBranes = 0;
  for (int a = 0; a < n; ++a) {
    ASSERT_GE(image(a), 0);
    complexBranes += image(a) != a ? 1 : 0;
    for (int b = 0; b < n; ++b) {
      int cab = 0, cba = 0, cimg = 0;
      const int xab = direct(a, b, &cab);
      const int xba = direct(b, a, &cba);
      // chi(a, b) = X(a, b) - X(b, a).
      EXPECT_EQ(cab, xab - xba) << a << "," << b;
      EXPECT_EQ(cba, -cab) << a << "," << b;
      // The image reverses orientation: X(a*, b*) = X(b, a).
      EXPECT_EQ(direct(image(a), image(b), &cimg), xba) << a << "," << b;
      EXPECT_EQ(cimg, -cab) << a << "," << b;
    }
  }
  EXPECT_EQ(complexBranes, 128);
}

TEST_F(IntersectionQuinticTest, GammaDeltaTheEightCachedEntriesAndTheDiagonalData) {
  loadQuintic();
  // Two complex branes a, b with a chiral intersection, not images of one another.
  int a = -1, b = -1;
  for (int i = 0; i < n && a < 0; ++i)
    for (int j = 0; j < n && a < 0; ++j) {
      if (image(i) == i || image(j) == j || j == i || j == image(i)) continue;
      int c = 0;
      direct(i, j, &c);
      int d = 0;
      direct(i, image(j), &d);
      if (c != 0 && d != 0) {
        a = i;
        b = j;
      }
    }
  ASSERT_GE(a, 0);
  const int as = image(a), bs = image(b);
  int G = 0, D = 0;
  ASSERT_EQ(BraneIntersection(0, a, b, &G, &D), 0);
  int c = 0;
  direct(a, bs, &c);
  EXPECT_EQ(G, c);  // Gamma = I(a, b*)
  direct(a, b, &c);
  EXPECT_EQ(D, c);  // Delta = I(a, b)
  EXPECT_NE(G, 0);
  EXPECT_NE(D, 0);
  // A real brane: Delta = 0 with everyone, Gamma = 0 with real partners.
  int real = -1;
  for (int i = 0; i < n && real < 0; ++i)
    if (image(i) == i) real = i;
  ASSERT_GE(real, 0);
  for (int j = 0; j < n; ++j) {
    int g = 7, d = 7;
    ASSERT_EQ(BraneIntersection(0, real, j, &g, &d), 0);
    EXPECT_EQ(d, 0) << j;
    if (image(j) == j) {
      EXPECT_EQ(g, 0) << j;
    }
  }
  // Filling (a, b) fills the eight entries of a, a*, b, b*: none of them is computed again,
  // and each equals the direct answer.
  int g = 0, d = 0;
  ASSERT_EQ(CachedBraneIntersection(0, a, b, &g, &d), 0);
  EXPECT_EQ(g, G);
  EXPECT_EQ(d, D);
  const std::int64_t before = getBraneIntersectionCounter();
  const int pairs[8][2] = {{b, a}, {as, b}, {b, as}, {a, bs}, {bs, a}, {as, bs}, {bs, as}, {a, b}};
  std::vector<std::pair<int, int>> cached;
  for (const auto& p : pairs) {
    int cg = 0, cd = 0;
    ASSERT_EQ(CachedBraneIntersection(0, p[0], p[1], &cg, &cd), 0);
    cached.emplace_back(cg, cd);
  }
  EXPECT_EQ(getBraneIntersectionCounter(), before);
  for (int k = 0; k < 8; ++k) {
    int eg = 0, ed = 0;
    ASSERT_EQ(BraneIntersection(0, pairs[k][0], pairs[k][1], &eg, &ed), 0);
    EXPECT_EQ(cached[static_cast<std::size_t>(k)].first, eg) << k;
    EXPECT_EQ(cached[static_cast<std::size_t>(k)].second, ed) << k;
  }
  // The opposite order has the opposite Delta.
  EXPECT_EQ(cached[0].second, -D);

  // The diagonal data of every brane.
  int withImage = 0;
  for (int e = 0; e < n; ++e) {
    int x = -1, y = -1, z = -1;
    ASSERT_EQ(getDiagonalInfo(0, e, &x, &y, &z), 0) << e;
    // (x + y)/2 symmetric and (x - y)/2 antisymmetric tensors: counts, so |y| <= x, x - y
    // even, and no Moebius sum without an intersection with the image.
    EXPECT_GE(x, 0) << e;
    EXPECT_LE(std::abs(y), x) << e;
    EXPECT_EQ((x - y) % 2, 0) << e;
    if (x == 0) {
      EXPECT_EQ(y, 0) << e;
    }
    int ce = 0;
    EXPECT_EQ(x, direct(e, image(e), &ce)) << e;
    EXPECT_EQ(z, direct(e, e, &ce)) << e;
    withImage += x != 0 ? 1 : 0;
  }
  EXPECT_GT(withImage, 0);
}

TEST_F(IntersectionQuinticTest, ClassMembersAreAnsweredFromTheLeadersRow) {
  loadQuintic();
  SearchData* sd = initStandardModelSearch();
  ASSERT_NE(sd, nullptr);
  ASSERT_EQ(sd->usableBoundaries, n);
  ASSERT_EQ(initBoundaryClasses(), 0);
  const int K = getBoundaryClassSize();
  ASSERT_GT(K, 0);
  // A boundary and its image always share a class; there are fewer classes than branes.
  for (int b = 0; b < n; ++b) EXPECT_EQ(getBoundaryClass(b), getBoundaryClass(image(b))) << b;
  EXPECT_LT(K, n);
  std::vector<int> counts(static_cast<std::size_t>(n) * n), chiralities(counts.size());
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) counts[static_cast<std::size_t>(a) * n + b] = direct(a, b, &chiralities[static_cast<std::size_t>(a) * n + b]);
  std::int64_t first = 0;
  for (int pass = 0; pass < 2; ++pass) {
    const std::int64_t before = getBraneIntersectionCounter();
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) {
        int c = 99;
        const std::size_t k = static_cast<std::size_t>(a) * n + b;
        ASSERT_EQ(FullIntersectionForClassMember(a, b, &c), counts[k]) << pass << ":" << a << "," << b;
        ASSERT_EQ(c, chiralities[k]) << pass << ":" << a << "," << b;
        ASSERT_EQ(ComputeIntersectionForClassMember(a, b), chiralities[k]);
        ASSERT_EQ(ComputeOverlapForClassMember(a, b), counts[k]);
      }
    const std::int64_t computed = getBraneIntersectionCounter() - before;
    if (pass == 0) first = computed;
    // Once stored, the rows answer everything: nothing is computed in the second pass.
    if (pass == 1) {
      EXPECT_EQ(computed, 0);
    }
  }
  // One row per class: at most K x n pairs were ever computed.
  EXPECT_LE(first, static_cast<std::int64_t>(K) * n);
  EXPECT_TRUE(silent()) << capture.diagnostics;

  // Stored bytes (class 0 led by boundary 0 holds row 0, the first one assigned).
  const int leader = getLeadingClassBoundary(0);
  ASSERT_EQ(leader, 0);
  int c = 0;
  const int x01 = FullIntersectionForClassMember(leader, 1, &c);
  const int c01 = c;
  // A total 2x - c of 128 or more does not fit: 127 is stored, so the next request
  // computes the pair again, with its true value (which fits and is then kept).
  for (int k = 0; k < 2; ++k) {
    ASSERT_EQ(storeIntersectionData(0, 1, 100, 0), 0);
    const std::int64_t before = getBraneIntersectionCounter();
    EXPECT_EQ(FullIntersectionForClassMember(leader, 1, &c), x01);
    EXPECT_EQ(c, c01);
    EXPECT_EQ(getBraneIntersectionCounter(), before + 1);
  }
  // Bytes that fit are read back as they were stored: count 3 with chirality 1.
  ASSERT_EQ(storeIntersectionData(0, 1, 3, 1), 0);
  const std::int64_t stored = getBraneIntersectionCounter();
  EXPECT_EQ(FullIntersectionForClassMember(leader, 1, &c), 3);
  EXPECT_EQ(c, 1);
  EXPECT_EQ(getBraneIntersectionCounter(), stored);
  // A row that does not exist is refused with an alert, never an exit.
  EXPECT_EQ(storeIntersectionData(1000, 0, 1, 0), 1);
  EXPECT_TRUE(alerted("BoundaryClassIntersectionPointers not allocated"));
}

// ---------------------------------------------------------------------------------------
// The brane scan

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(IntersectionQuinticTest, ScanWritesOneLinePerBraneAndItsImageAndTheGroupCounts) {
  TemporaryFolder folder;
  loadQuintic();
  ASSERT_EQ(run(("set outputdir " + folder.path("out")).c_str()), 0);
  capture.clear();
  ASSERT_EQ(run("scan branes"), 0) << capture.diagnostics;
  const int mipf = MIPFIdentifier(*getCurrentBulk());
  const std::string base = folder.path("out") + "/E33333/MIPF_" + std::to_string(mipf) + "_0";
  EXPECT_NE(capture.stdoutText.find("N_ori=1; Boundaries: 160\n"), std::string::npos);
  EXPECT_NE(capture.stdoutText.find("Writing " + base + ".branes\n"), std::string::npos);
  const std::vector<std::string> branes = linesOf(base + ".branes");
  // Every real brane once with b* = b, every complex pair once from its smaller label.
  EXPECT_EQ(branes.size(), 160u - 128u / 2u);
  int previous = -1;
  for (const std::string& line : branes) {
    std::istringstream in(line);
    std::vector<int> v;
    for (int x; in >> x;) v.push_back(x);
    ASSERT_EQ(v.size(), 11u) << line;
    const int b = v[0], bs = v[1];
    EXPECT_GT(b, previous);
    previous = b;
    EXPECT_EQ(bs, image(b)) << line;
    EXPECT_LE(b, bs) << line;
    EXPECT_EQ(v[2], getBoundaryOrbitStart(b)) << line;
    EXPECT_EQ(v[3], orientifoldGroupType(ori, b)) << line;
    int x = 0, y = 0, z = 0, xc = 0, yc = 0;
    ASSERT_EQ(getDiagonalInfo(0, b, &x, &y, &z), 0);
    ASSERT_EQ(getDiagonalInfo(0, bs, &xc, &yc, nullptr), 0);
    EXPECT_EQ(v[6], z);
    EXPECT_EQ(v[7], x);
    EXPECT_EQ(v[8], xc);
    EXPECT_EQ(v[9], y);
    EXPECT_EQ(v[10], yc);
    // Net chiral symmetric and antisymmetric tensors: the brane's minus its image's.
    EXPECT_EQ(v[4], (x + y) / 2 - (xc + yc) / 2);
    EXPECT_EQ(v[5], (x - y) / 2 - (xc - yc) / 2);
  }
  const std::vector<std::string> mipfFile = linesOf(base + ".mipf");
  ASSERT_GE(mipfFile.size(), 6u);
  EXPECT_EQ(mipfFile[0].rfind("CY 33333, MIPF " + std::to_string(mipf) + ", Orientifold 0, Tension ", 0), 0u);
  EXPECT_NE(std::find(mipfFile.begin(), mipfFile.end(), "Orientifolds:   1"), mipfFile.end());
  // The last line counts the listed branes by group: U, O and S add up to the lines.
  ASSERT_EQ(mipfFile[mipfFile.size() - 2], "U-O-S multiplicities:");
  std::istringstream last(mipfFile.back());
  int u = -1, o = -1, s = -1;
  last >> u >> o >> s;
  EXPECT_EQ(u, 64);
  EXPECT_EQ(u + o + s, static_cast<int>(branes.size()));
  // Nothing else was written into the folder (the temporary names are gone).
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path("out") + "/E33333")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);

  // Without its set-up the scan is refused before any file is touched.
  std::filesystem::remove_all(folder.path("out") + "/E33333");
  capture.clear();
  setBraneScanSetup(nullptr);
  EXPECT_EQ(BraneScan(), 1);
  EXPECT_TRUE(alerted("Brane scan needs the standard-model search set-up"));
  setBraneScanSetup([]() -> SearchData* { return nullptr; });
  EXPECT_EQ(BraneScan(), 1);
  EXPECT_TRUE(alerted("No search set-up for the current invariant; nothing written"));
  EXPECT_FALSE(std::filesystem::exists(folder.path("out") + "/E33333"));
  setBraneScanSetup(nullptr);
}

}  // namespace
