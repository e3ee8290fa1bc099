// Groups of simple currents and the extension list of a single algebra: closure, canonical
// basis (also past ten entries), orbits and their generators, basis errors, the permutation
// check of "find basis", and the list of integer-spin extensions with its modes,
// requirement and validity.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "InterpreterTestSupport.h"
#include "ModularTestSupport.h"
#include "modular/Modular.h"
#include "modular/ModularInternal.h"
#include "store/CurrentTheory.h"
#include "tensor/Coset.h"
#include "TestSupport.h"

namespace {

using modular_test::useTheory;

class ModularExtensionsTest : public ZoqTest {};

// How often piece occurs in text.
int occurrences(const std::string& text, const std::string& piece) {
  int count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

// The entries of a basis before its -1.
std::vector<int> entriesOf(const std::vector<int>& basis) {
  std::vector<int> entries;
  for (int x : basis) {
    if (x == -1) break;
    entries.push_back(x);
  }
  return entries;
}

TEST_F(ModularExtensionsTest, AnOrderTwoCurrentClosesToItselfAndTheIdentity) {
  // A1 level 4: the centre Z2 = {0, 1}; J = 1 has J x J = 0.
  useTheory(1, 1, 4);
  std::vector<int> list{1};
  const std::vector<int> basis = MOD_closeAlgebra(list);
  EXPECT_EQ(list, (std::vector<int>{1, 0}));
  EXPECT_EQ(basis, (std::vector<int>{0, 1, -1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ModularExtensionsTest, OrbitsAndTheirSmallestGenerators) {
  // A2 level 1: the centre Z3 = {0, 1, 2}; both non-trivial currents generate it.
  useTheory(1, 2, 1);
  EXPECT_EQ(computeOrbit(0), (std::vector<int>{0}));
  EXPECT_EQ(computeOrbit(1), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(computeOrbit(2), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(findOrbitGenerator(0), 0);
  EXPECT_EQ(findOrbitGenerator(1), 1);
  EXPECT_EQ(findOrbitGenerator(2), 1);
  // A1 level 4: J has order 2 and is its own smallest generator.
  useTheory(1, 1, 4);
  EXPECT_EQ(computeOrbit(1), (std::vector<int>{0, 1}));
  EXPECT_EQ(findOrbitGenerator(1), 1);
}

TEST_F(ModularExtensionsTest, BasisErrorsAreReportedOnceAndGiveNoBasis) {
  useTheory(5, 6, 1);  // E6 level 1: Z3
  {
    capture.clear();
    EXPECT_TRUE(MOD_findBasis({0, 1}).empty());  // 1 generates 2, which is missing
    EXPECT_EQ(occurrences(capture.diagnostics, "Algebra element not found"), 1);
    EXPECT_EQ(capture.printed, "Algebra  (0,1)\n");
  }
  capture.clear();
  EXPECT_TRUE(MOD_findBasis({-1, 0}).empty());
  EXPECT_EQ(occurrences(capture.diagnostics, "Negative basis element"), 1);
}

TEST_F(ModularExtensionsTest, TheBasisGrowsPastTenEntries) {
  // A1 at the levels 1 to 10: each has the centre Z2, so the product has Z2^10, which
  // needs ten generators: its basis holds the identity and ten more entries; "find basis"
  // prints the first ten of them. (Distinct factors: no factor permutations to list.)
  OutputCapture quiet;
  ASSERT_EQ(run("tensor"), 0);
  for (int k = 1; k <= 10; ++k) ASSERT_EQ(run(("g a 1 " + std::to_string(k)).c_str()), 0);
  ASSERT_EQ(run("compute simple_current_spectrum"), 0);
  std::vector<int> list;
  for (int J = 0; J < 1024; ++J) list.push_back(J);
  const std::vector<int> basis = MOD_closeAlgebra(list);
  const std::vector<int> entries = entriesOf(basis);
  ASSERT_EQ(entries.size(), 11u);
  EXPECT_EQ(entries[0], 0);
  for (std::size_t k = 1; k < entries.size(); ++k) EXPECT_LT(entries[k - 1], entries[k]);
  EXPECT_EQ(list.size(), 1024u);
  quiet.clear();
  std::string command = "find basis";
  for (std::size_t k = 1; k < entries.size(); ++k) command += " " + std::to_string(entries[k]);
  EXPECT_EQ(run(command.c_str()), 0);
  std::string expected = "Basis  (";
  for (std::size_t k = 0; k < 10; ++k) expected += std::to_string(entries[k]) + (k < 9 ? "," : ")\n");
  EXPECT_EQ(quiet.printed.substr(0, expected.size()), expected);
}

TEST_F(ModularExtensionsTest, APermutationImageOutsideTheIntegerSpinCurrentsFailsOnce) {
  OutputCapture quiet;
  ASSERT_EQ(run("tensor"), 0);
  ASSERT_EQ(run("g a 1 4"), 0);
  ASSERT_EQ(run("compute spectrum"), 0);
  const ExtensionTensorHooks saved = extensionTensorHooks();
  ExtensionTensorHooks broken = saved;
  broken.preparePermutations = [] { return 2; };
  broken.permutationImage = [](int, int) { return 7; };  // not a current of Z2
  setExtensionTensorHooks(broken);
  quiet.clear();
  EXPECT_EQ(MOD_listPermutations(nullptr), 0);
  const std::vector<int> group{0, 1};
  EXPECT_EQ(MOD_listPermutations(&group), 1);
  setExtensionTensorHooks(saved);
  EXPECT_EQ(occurrences(quiet.diagnostics, "Permutation"), 1);
  EXPECT_EQ(occurrences(quiet.diagnostics, "Permutation 0 of current 0 not in list"), 1);
  EXPECT_EQ(quiet.printed, "");
}

TEST_F(ModularExtensionsTest, OnlyTheIdentityHasIntegerSpinGivesOneExtension) {
  useTheory(1, 1, 3);  // J has weight 3/4
  capture.clear();
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 1);
  EXPECT_EQ(extensionGeneratorCount(), 0);
  EXPECT_EQ(getExtensions()[0], (std::vector<int>{-1, 0, 0, 0}));
  EXPECT_NE(capture.printed.find("\nExtensions\n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Nr.    0 \n"), std::string::npos);
  EXPECT_NE(capture.printed.find("Computation completed; 1 Chiral algebra extensions\n"), std::string::npos);
}

TEST_F(ModularExtensionsTest, ASpinOneCurrentExtendsUnlessModeOneLeavesItOut) {
  // A1 level 4: J has weight 1; its extension is SU(3) level 1.
  useTheory(1, 1, 4);
  capture.clear();
  CollectExtensions(0);
  ASSERT_EQ(TotalExtensions(), 2);
  EXPECT_EQ(getExtensions()[0], (std::vector<int>{-1, 0, 0, 0, 0}));
  EXPECT_EQ(getExtensions()[1], (std::vector<int>{1, -1, 0, 0, 0}));
  EXPECT_NE(capture.printed.find("Nr.    1 1 \n"), std::string::npos);
  // Mode 1 admits no current of weight exactly 1; a second collection of a current list
  // does nothing.
  TensorChanged();
  CollectExtensions(1);
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 1);
  // Mode 2 admits nothing: not even the identity's subgroup is built from currents.
  TensorChanged();
  CollectExtensions(2);
  EXPECT_EQ(TotalExtensions(), 1);
  EXPECT_EQ(getExtensions()[0][0], -1);
}

TEST_F(ModularExtensionsTest, ARequirementNoCandidateMeetsGivesNoExtension) {
  useTheory(1, 1, 3);
  const int required[] = {1, -1};  // J has weight 3/4: no extension contains it
  setRequireExtension(required);
  capture.clear();
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 0);
  EXPECT_NE(capture.printed.find("Computation completed; 0 Chiral algebra extensions\n"), std::string::npos);
}

TEST_F(ModularExtensionsTest, TheRequiredListIsCopied) {
  useTheory(1, 1, 4);
  int required[] = {1, -1};
  setRequireExtension(required);
  required[0] = -1;  // the caller's array changes; the requirement does not
  OutputCapture quiet;
  CollectExtensions(0);
  ASSERT_EQ(TotalExtensions(), 1);
  EXPECT_EQ(getExtensions()[0][0], 1);
  // An empty list clears the requirement.
  setRequireExtension(required);
  TensorChanged();
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 2);
}

TEST_F(ModularExtensionsTest, TheListBelongsToItsTensorVersionAndItsAlgebra) {
  EXPECT_EQ(TotalExtensions(), -1);
  useTheory(1, 1, 4);
  OutputCapture quiet;
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 2);
  TensorChanged();
  EXPECT_EQ(TotalExtensions(), -1);
  CollectExtensions(0);
  EXPECT_EQ(TotalExtensions(), 2);
  // Another algebra has no list yet: the one of A1 level 4 is not its list.
  useTheory(1, 1, 3);
  EXPECT_EQ(TotalExtensions(), -1);
  EXPECT_EQ(getExtensions().size(), 1u);
}

TEST_F(ModularExtensionsTest, AMissingGeneratorHasNoLabels) {
  useTheory(1, 1, 4);
  capture.clear();
  CollectExtensions(0);
  EXPECT_EQ(getExtensionCurrent(0), nullptr);
  ASSERT_NE(getExtensionCurrent(1), nullptr);
  EXPECT_EQ(getExtensionCurrent(1)[0], 1);
  capture.clear();
  EXPECT_EQ(getExtensionCurrent(3), nullptr);
  EXPECT_EQ(occurrences(capture.diagnostics, "ExtensionCurrent 3 not found"), 1);
}

}  // namespace
