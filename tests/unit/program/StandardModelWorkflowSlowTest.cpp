// The standard-model workflow after a search, as a user runs it: the real zoq binary in
// background runs (-b), each a fresh process in the folder and home of the search, on the
// case build cy 22266 / select invariant 28 / search quvr (8 model types, 432 candidates).
// Every later step works on what the search wrote, and its count must be the search's:
// the browses of a type and of a realisation, the guided search of the search's own model
// file (the same 432 lines again), the catalogue check, two tadpole scans in one run, a
// prescan in a fresh home and the tachyon search of the same code. The commands also print
// search statistics straight to standard output, so the steps are checked by the lines and
// files that carry their counts rather than by a whole transcript.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::occurrences;
using binary_test::readWhole;
using binary_test::ScratchFolder;
using binary_test::startZoq;
using binary_test::waitForExit;

struct ZoqRun {
  std::string output;  // standard output and standard error merged
  int status = -1;
};

// "zoq -b run.zoq" in folder with HOME home on the commands given.
ZoqRun runZoq(const std::string& folder, const std::string& home, const std::string& commands) {
  std::ofstream(folder + "/run.zoq") << commands;
  const std::string output = folder + "/run.out";
  ZoqRun run;
  run.status = waitForExit(startZoq(folder, home, "run.zoq", output));
  run.output = readWhole(output);
  return run;
}

// Lines of a model file up to its end line (type -1).
std::vector<std::string> modelLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.rfind("-1 ", 0) != 0) lines.push_back(line);
  return lines;
}

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

TEST(StandardModelWorkflowSlowTest, EveryStepAfterTheSearchCountsTheSearchsCandidates) {
  ScratchFolder folder("zoq-workflow");
  ASSERT_FALSE(folder.path().empty());
  const std::string home = folder.path() + "/home";
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  const std::string caseName = home + "/N_Tensor{22266}/SusyMIPF{22266}_028";

  // The search, with its tadpole scan (the default "SM_search autosolve").
  const ZoqRun search = runZoq(folder.path(), home, "build cy 22266\nselect invariant 28\nsearch quvr\n");
  ASSERT_EQ(search.status, 0) << search.output;
  const std::string models = readWhole(caseName + ".models");
  const std::vector<std::string> found = modelLines(models);
  ASSERT_EQ(found.size(), 432u) << search.output;
  EXPECT_EQ(occurrences(search.output, "added to Models.list with model nr."), 8u);
  EXPECT_TRUE(contains(search.output, "Number of input lines analysed: 432\n"));
  EXPECT_TRUE(contains(search.output, "Last read: input line 432: type "));

  // Type 1 has stacks a and d on one boundary (its realisation 9, 82, 2, 9): identity and
  // equivalence "abca", stated once; b and c are real, so no conjugate equivalence.
  const ZoqRun browse = runZoq(folder.path(), home, "browse QUVR 1\nbrowse QUVR 3\n");
  EXPECT_EQ(browse.status, 0) << browse.output;
  EXPECT_EQ(occurrences(browse.output, "Brane equivalence: abca\nBrane identity:   abca\n"), 2u) << browse.output;
  EXPECT_EQ(occurrences(browse.output, "Brane equivalence"), 2u) << browse.output;
  EXPECT_FALSE(contains(browse.output, "are equivalent")) << browse.output;
  EXPECT_FALSE(contains(browse.output, "All branes are distinct")) << browse.output;
  EXPECT_TRUE(contains(browse.output, "Standard model spectrum nr 1\n"));
  EXPECT_TRUE(contains(browse.output, "Standard model spectrum nr 3\n"));

  // A realisation of type 7, stored and named by its eight numbers, is rebuilt on the
  // search's invariant: its 288 boundaries, and the chiral data of the type.
  const ZoqRun realisation = runZoq(folder.path(), home,
                                 "browse standard_model 7\nbrowse standard_model 7 22266 28 1 146 176 172 146\n");
  EXPECT_EQ(realisation.status, 0) << realisation.output;
  EXPECT_EQ(occurrences(realisation.output, "Number of usable boundaries: 288 (out of 288)\n"), 2u) << realisation.output;
  EXPECT_EQ(occurrences(realisation.output, "Chiral Standard Model Check OK"), 2u) << realisation.output;
  EXPECT_FALSE(contains(realisation.output, "mismatch")) << realisation.output;

  // Every line of the model file was accepted by the search: the guided search finds each
  // again and writes the same model file; the search's is set aside.
  const ZoqRun guided = runZoq(folder.path(), home, "search guided {" + caseName + ".models}\n");
  EXPECT_EQ(guided.status, 0) << guided.output;
  EXPECT_EQ(readWhole(caseName + ".models_0"), models);
  EXPECT_EQ(readWhole(caseName + ".models"), models) << guided.output;

  // The catalogue check places the case by the folder and file names the program writes.
  std::ofstream(home + "/MIPF.list") << "22266 28 288 -1\n";
  const ZoqRun check = runZoq(folder.path(), home, "check quvr\n");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_FALSE(contains(check.output, "Not found")) << check.output;
  EXPECT_TRUE(contains(check.output, "Total: 432 identical boundaries: "));
  EXPECT_TRUE(contains(check.output, "Number of models in database: 432; Number of MIPFs done 1\n"));
  EXPECT_EQ(readWhole(home + "/BLC_OrderedMipf.list"), "     22266     28      288     432 standard models\n");

  // Two tadpole scans in one run: each numbers the lines of its own file.
  std::ofstream(folder.path() + "/copy.models") << models;
  const ZoqRun scans = runZoq(folder.path(), home,
                           "scan tadpoles {" + caseName + ".models} 7\nscan tadpoles copy.models\n");
  EXPECT_EQ(scans.status, 0) << scans.output;
  EXPECT_EQ(occurrences(scans.output, "Last read: input line 432: type "), 2u) << scans.output;
  EXPECT_EQ(occurrences(scans.output, "Number of input lines analysed: 432\n"), 1u) << scans.output;

  // A prescan in a fresh home writes its candidates to ".prescan" and does not scan the
  // ".models" file it does not write; it counts the lines it wrote.
  const std::string fresh = folder.path() + "/fresh";
  ASSERT_EQ(mkdir(fresh.c_str(), 0755), 0);
  const ZoqRun prescan = runZoq(folder.path(), fresh, "build cy 22266\nselect invariant 28\nprescan quvr 1\n");
  EXPECT_EQ(prescan.status, 0) << prescan.output;
  EXPECT_FALSE(contains(prescan.output, "Could not open")) << prescan.output;
  EXPECT_TRUE(contains(prescan.output, "Skipping tadpole solution search\n"));
  const std::vector<std::string> prescanned =
      modelLines(readWhole(fresh + "/N_Tensor{22266}/SusyMIPF{22266}_028.prescan"));
  ASSERT_FALSE(prescanned.empty());
  EXPECT_TRUE(contains(prescan.output, "Number of SM configs:                " + std::to_string(prescanned.size()) +
                                           "\n"))
      << prescan.output;

  // The tachyon search of the same code: level-2 charges come over 16 and are multiples of 1/8.
  const ZoqRun tachyons = runZoq(folder.path(), fresh, "search tachyons 22266\n");
  EXPECT_EQ(tachyons.status, 0) << tachyons.output;
  EXPECT_FALSE(contains(tachyons.output, "is not a multiple")) << tachyons.output;
  EXPECT_TRUE(contains(tachyons.output, "Computation completed\n"));
}

}  // namespace
