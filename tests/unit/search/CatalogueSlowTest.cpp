// A catalogue at its limit of 40000 model types.
#include <filesystem>

#include "CatalogueTestSupport.h"

namespace {

using namespace catalogue_test;
namespace fs = std::filesystem;

class CatalogueSlowTest : public CatalogueTest {
 protected:
  // n catalogue lines of distinct profiles numbered 1..n.
  std::string lines(int n) {
    std::string text;
    text.reserve(static_cast<std::size_t>(n) * 640);
    std::array<int, 87> row{};
    row[57] = row[58] = -1;
    for (int k = 1; k <= n; ++k) {
      row[16] = k % 1000;
      row[17] = k / 1000;
      row[56] = k;
      text += formatCatalogueLine(row.data());
    }
    return text;
  }
};

TEST_F(CatalogueSlowTest, FullCatalogueTakesNoNewTypeAndStaysUnchanged) {
  fs::create_directories(models);
  const std::string full = lines(40000);
  std::ofstream(models + "Models.list") << full;
  EXPECT_EQ(readQUVRModels(1), 40000);
  EXPECT_EQ(getGSM_NR(), 0);
  EXPECT_TRUE(alerted("Too many new models"));
  forgetCatalogue();
  makeRun({1});
  run().rows[0][17] = 99;  // a profile not in the catalogue
  EXPECT_EQ(getModelNumbers(), 12);
  EXPECT_TRUE(alerted("Too many new models"));
  EXPECT_EQ(catalogue(), full);
  EXPECT_TRUE(fs::exists(folder.path("case.pre_models")));
  EXPECT_FALSE(fs::exists(models + "Lock"));
}

TEST_F(CatalogueSlowTest, CatalogueOverTheLimitIsRefused) {
  fs::create_directories(models);
  std::string over = lines(40000);
  std::array<int, 87> row{};
  row[16] = 5000;  // one more distinct profile
  row[56] = 40000;
  over += formatCatalogueLine(row.data());
  std::ofstream(models + "Models.list") << over;
  EXPECT_EQ(readQUVRModels(1), -1);
  EXPECT_NE(capture.stdoutText.find("Enlarge the parameter QUVR_MAX\nCurrent value: 40000\n"),
            std::string::npos);
  EXPECT_TRUE(alerted("Too many models in Models.list file"));
  makeRun({1});
  EXPECT_EQ(getModelNumbers(), 1);
  EXPECT_EQ(catalogue(), over);
  EXPECT_TRUE(fs::exists(folder.path("case.pre_models")));
}

}  // namespace
