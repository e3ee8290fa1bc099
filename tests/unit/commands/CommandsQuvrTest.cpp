// The QUVR catalogue handlers: the passes of the full re-analysis in their order and the
// parameter count of "browse standard_model".
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "search/QuvrGuided.h"
#include "search/QuvrOrder.h"

int COM_reanalyse_quvr(char** params, int n);
int COM_browse_generic(char** params, int n);

namespace {

class CommandsQuvrTest : public ZoqTest {};

TEST_F(CommandsQuvrTest, FullReanalysisRunsThePassesInOrder) {
  ModelRow row{};
  row[3] = -2;
  row[4] = 3, row[5] = 2, row[6] = 1;
  row[32] = 6;
  row[56] = 1;
  row[57] = row[58] = -1;
  quvrCatalogueRows() = {row};
  EXPECT_EQ(COM_reanalyse_quvr(nullptr, 0), 0);
  const std::string summary = readFile(quvrHomeFile("ModelSummary.list"));
  const char* headings[] = {"Three-brane models\n",          "Detached d-brane models\n",
                            "Orientable models\n",           "Unitary 4-brane models\n",
                            "Models with a single real brane\n", "Models with two real branes \n",
                            "Models with three real branes \n"};
  std::size_t position = 0;
  for (const char* heading : headings) {
    const std::size_t found = summary.find(std::string("\n") + heading, position);
    ASSERT_NE(found, std::string::npos) << heading;
    position = found + 1;
  }
  EXPECT_EQ(summary.substr(0, 80), std::string(79, '-') + "\n");
}

TEST_F(CommandsQuvrTest, BrowseStandardModelRefusesTwoToSevenAndNineNumbers) {
  for (int n : {2, 5, 7, 9}) {
    EXPECT_EQ(COM_browse_generic(nullptr, n), 1) << n;
    EXPECT_TRUE(alerted("Incorrect number of parameters")) << n;
  }
}

}  // namespace
