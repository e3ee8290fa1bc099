// The standard-model record, the preselections and their print, the error statuses, the
// usable-boundary map and the model-folder paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "runtime/Defaults.h"
#include "search/SearchSM.h"
#include "strings/OpenSpectrum.h"

namespace {

class SearchSMTest : public ZoqTest {};

TEST_F(SearchSMTest, FreshRecordHasLetterCodesAndEmptyTitle) {
  StandardModel record;
  record.Gamma[3] = 7;
  record.chanPaton = reinterpret_cast<ChanPatonData*>(&record);
  std::strcpy(record.title, "something");
  initializeStandardModelStruct(&record);
  EXPECT_STREQ(record.equivalence, "abcd");
  EXPECT_STREQ(record.identity, "abcd");
  EXPECT_STREQ(record.title, "");
  EXPECT_STREQ(record.line, "");
  EXPECT_EQ(record.Gamma[3], 0);
  EXPECT_EQ(record.chanPaton, nullptr);
  EXPECT_STREQ(SM.equivalence, "abcd");
  StandardModel copy;
  record.MIPF = 12;
  copyStandardModelStruct(&copy, &record);
  EXPECT_EQ(copy.MIPF, 12);
  EXPECT_STREQ(copy.identity, "abcd");
}

TEST_F(SearchSMTest, PreselectionsPrintAsStars) {
  capture.clear();
  PrintBoundarySelection();
  EXPECT_EQ(capture.printed, "Boundary selection: (*,*,*,*)\n");
  capture.clear();
  setBoundary_a_Preselection(3);
  setBoundary_c_Preselection(5);
  PrintBoundarySelection();
  EXPECT_EQ(capture.printed, "Boundary selection: (3,*,5,*)\n");
  EXPECT_EQ(BoundaryClassPreselectionCheck(99), 1);  // b has no preselection
}

TEST_F(SearchSMTest, TypeIIBErrorsResetPreselectionsAndAnswerStatuses) {
  capture.clear();
  setOrientifoldPreselection(2);
  setBoundary_d_Preselection(4);
  EXPECT_EQ(Type_IIB_Error(2), 3);
  EXPECT_EQ(getOrientifoldPreselection(), -1);
  EXPECT_EQ(getBoundary_d_Preselection(), -1);
  EXPECT_EQ(Type_IIB_Error(0), 1);
  EXPECT_EQ(Type_IIB_Error(1), 2);
  EXPECT_EQ(Type_IIB_Error(3), 4);
  EXPECT_EQ(Type_IIB_Error(7), 0);
  EXPECT_NE(capture.all.find("Unknown error"), std::string::npos);
  EXPECT_NE(capture.all.find("Not a four-dimensional CY compactified string"), std::string::npos);
}

TEST_F(SearchSMTest, StartValuesOfTheSwitches) {
  EXPECT_EQ(getSusySearch(), 1);
  EXPECT_EQ(getPreScan(), 0);
  setSusySearch(0);
  setPreScan(3);
  resetSearchSM();
  EXPECT_EQ(getSusySearch(), 1);
  EXPECT_EQ(getPreScan(), 0);
  EXPECT_EQ(getBoundary_a_Preselection(), -1);
}

TEST_F(SearchSMTest, UsableBoundariesMapToThemselvesUpToTheLimit) {
  std::vector<int> map;
  EXPECT_EQ(fillUsableBoundaries(0, 0, {}, &map), 0);
  EXPECT_EQ(fillUsableBoundaries(5, 0, {{1, 0, 2, 4, 3}}, &map), 5);
  for (int b = 0; b < 5; ++b) {
    EXPECT_EQ(map[static_cast<std::size_t>(b)], b);
    EXPECT_EQ(map[static_cast<std::size_t>(5 + b)], b);
  }
  // 200001 boundaries: all usable, no cut.
  EXPECT_EQ(fillUsableBoundaries(200001, 0, {}, &map), 200001);
  // 200004: the last three are cut, but the image of boundary 0 (200003) comes back.
  capture.clear();
  std::vector<int> image(200004);
  for (int b = 0; b < 200004; ++b) image[static_cast<std::size_t>(b)] = b;
  image[0] = 200003;
  image[200003] = 0;
  EXPECT_EQ(fillUsableBoundaries(200004, 0, {image}, &map), 200002);
  EXPECT_EQ(map[200003], 200001);
  EXPECT_EQ(map[200002], -1);
  EXPECT_EQ(map[200004 + 200001], 200003);
  EXPECT_NE(capture.all.find("Maximal number of boundaries reached"), std::string::npos);
  // With more simple currents than the bound, nothing is cut.
  EXPECT_EQ(fillUsableBoundaries(200004, 300000, {image}, &map), 200004);
}

TEST_F(SearchSMTest, StringsLayerReachesTheSearchRecord) {
  // Installed at start-up: the layer below reads the same record the search keeps.
  EXPECT_EQ(getSearchData(), refreshSearchData());
  EXPECT_NE(getSearchData(), nullptr);
}

TEST_F(SearchSMTest, CatalogueAndModelFilePaths) {
  TemporaryFolder folder;
  const std::string path = folder.path() + "/models/";
  setDefault("ModelDir", path.c_str());
  ModelDirChanged();
  EXPECT_EQ(getCatalogueFileName(), path + "Models.list");
  EXPECT_EQ(getCatalogueLockName(), path + "Lock");
  EXPECT_EQ(setGSMfilename("found.list"), -1);
  EXPECT_EQ(getGSMfilename(), path + "found.list");  // no double slash
  EXPECT_EQ(setGSMfilename(""), 0);                   // the folder itself exists
  setDefault("ModelDir", ".");
}

}  // namespace
