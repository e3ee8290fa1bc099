// Lie-algebra and Weyl-group commands: Weyl group orders, words and products, reflections
// and orbits of weights, parity orbits, the class check, and the refusal for theories that
// are not affine Lie algebras.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "InterpreterTestSupport.h"
#include "program/Boot.h"
#include "program/Startup.h"
#include "store/CurrentTheory.h"
#include "store/Storemanager.h"
#include "TestSupport.h"

namespace {

class CommandsLieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    setCosetMode(0);
    disableCoset();
  }
  void load(const char* line) {
    OutputCapture quiet;
    ASSERT_EQ(run(line), 0) << line;
  }
  std::string output(const char* line) {
    OutputCapture capture;
    run(line);
    return capture.printed;
  }
  // The field with these finite Dynkin labels.
  int fieldOf(std::vector<int> labels) {
    for (int a = 0; a < currentSD->n_primaries; ++a) {
      const int* l = SM_getRep(currentSD, a);
      if (std::equal(labels.begin(), labels.end(), l)) return a;
    }
    return -1;
  }
};

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST_F(CommandsLieTest, WeylGroupOrdersOfTheSimpleAlgebras) {
  // |W| = 2, 6, 8, 8, 192, 12, 1152, 51840, 2903040, 696729600.
  const std::pair<const char*, const char*> cases[] = {
      {"algebra a 1 1", "2\n"},       {"algebra a 2 1", "6\n"},
      {"algebra b 2 1", "8\n"},       {"algebra c 2 1", "8\n"},
      {"algebra d 4 1", "192\n"},     {"algebra g 2 1", "12\n"},
      {"algebra f 4 1", "1152\n"},    {"algebra e 6 1", "51840\n"},
      {"algebra e 7 1", "2903040\n"}, {"algebra e 8 1", "696729600\n"},
  };
  for (const auto& [algebra, order] : cases) {
    load(algebra);
    EXPECT_EQ(output("Weyl Order"), order) << algebra;
  }
}

TEST_F(CommandsLieTest, TheWordsOfA1AndA2) {
  load("algebra a 1 1");
  // One line, for the single reflection.
  EXPECT_EQ(output("Weyl Group"), "1     1.\n");
  load("algebra a 2 1");
  // Word lengths of W(A2): the Poincare polynomial (1+q)(1+q+q^2) less the identity.
  std::map<int, int> lengths;
  for (const std::string& line : splitLines(output("Weyl Group"))) {
    lengths[static_cast<int>(std::count(line.begin(), line.end(), '.'))]++;
  }
  EXPECT_EQ(lengths, (std::map<int, int>{{1, 2}, {2, 2}, {3, 1}}));
}

TEST_F(CommandsLieTest, ProductsOfWeylGroupElements) {
  load("algebra a 1 1");
  // The identity is element 0; the reflection squares to it.
  EXPECT_EQ(output("Weyl Multiply 0 1"), "1\n");
  EXPECT_EQ(output("Weyl Multiply 1 1"), "0\n");
  load("algebra a 2 1");
  // Every element times the identity is itself.
  for (int k = 0; k < 6; ++k) {
    std::string line = "Weyl Multiply " + std::to_string(k) + " 0";
    EXPECT_EQ(output(line.c_str()), std::to_string(k) + "\n");
  }
}

TEST_F(CommandsLieTest, ReflectionsAndOrbitsOfAFundamentalWeight) {
  load("algebra a 2 1");
  int omega1 = fieldOf({1, 0});
  ASSERT_GE(omega1, 0);
  // s_1(w_1) = w_1 - alpha_1 = (1,0) - (2,-1); s_2 fixes w_1.
  std::string line = "Weyl reflection " + std::to_string(omega1) + " 1";
  EXPECT_EQ(output(line.c_str()), "   (-1,1)\n");
  line = "Weyl reflection " + std::to_string(omega1) + " 2";
  EXPECT_EQ(output(line.c_str()), "   (1,0)\n");
  // The orbit of w_1 is the three weights of the 3: (1,0), (-1,1), (0,-1).
  line = "Weyl orbit " + std::to_string(omega1);
  std::vector<std::string> orbit = splitLines(output(line.c_str()));
  std::sort(orbit.begin(), orbit.end());
  EXPECT_EQ(orbit, (std::vector<std::string>{"   (-1,1)", "   (0,-1)", "   (1,0)"}));
  // Without a root: the image under each of the six elements, numbered.
  line = "Weyl reflection " + std::to_string(omega1);
  std::vector<std::string> images = splitLines(output(line.c_str()));
  ASSERT_EQ(images.size(), 6u);
  EXPECT_EQ(images[0], "0      (1,0)");
}

TEST_F(CommandsLieTest, TheOrbitOfRhoOfA6HasAWeightForEveryGroupElement) {
  // rho is regular: its orbit has |W(A6)| = 7! = 5040 distinct weights, rho itself first
  // (the identity), summing to 0 (the sum is W-invariant). 5040 lines pass the blocks
  // in which the listing is printed.
  load("algebra a 6 6");
  const int rho = fieldOf({1, 1, 1, 1, 1, 1});
  ASSERT_GE(rho, 0);
  const std::string line = "Weyl orbit " + std::to_string(rho);
  std::vector<std::string> orbit = splitLines(output(line.c_str()));
  ASSERT_EQ(orbit.size(), 5040u);
  EXPECT_EQ(orbit[0], "   (1,1,1,1,1,1)");
  std::vector<long long> sum(6, 0);
  for (const std::string& weight : orbit) {
    ASSERT_EQ(weight.substr(0, 4), "   (");
    ASSERT_EQ(weight.back(), ')');
    std::istringstream entries(weight.substr(4, weight.size() - 5));
    std::string entry;
    for (int i = 0; std::getline(entries, entry, ','); ++i) sum[static_cast<std::size_t>(i)] += std::stoi(entry);
  }
  EXPECT_EQ(sum, std::vector<long long>(6, 0));
  std::sort(orbit.begin(), orbit.end());
  EXPECT_EQ(std::unique(orbit.begin(), orbit.end()), orbit.end());
  // The images under all elements, numbered "%-4d ": the number widens past 9999.
  std::vector<std::string> images = splitLines(output(("Weyl reflection " + std::to_string(rho)).c_str()));
  ASSERT_EQ(images.size(), 5040u);
  EXPECT_EQ(images[0], "0      (1,1,1,1,1,1)");
  EXPECT_EQ(images[5039].substr(0, 8), "5039   (");
  // Under "verify" nothing is printed; to a file, every line.
  EXPECT_EQ(output(("verify {" + line + "}").c_str()), "");
  TemporaryFolder folder;
  const std::string path = folder.path("orbit.txt");
  load(("file " + path).c_str());
  load(line.c_str());
  load("file off");
  std::vector<std::string> written = splitLines(readFile(path));
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, orbit);
}

TEST_F(CommandsLieTest, AnInvalidSimpleRootIsRefusedByItsType) {
  load("algebra a 2 1");
  OutputCapture capture;
  EXPECT_EQ(run("Weyl reflection 1 3"), 2);
  EXPECT_EQ(capture.diagnostics, "The label 3 does not correspond to a simple root \n");
}

TEST_F(CommandsLieTest, ParityOrbitsOfA1) {
  // s(l) = -l: the labels 0 and 1 modulo 2 are classes of one element each.
  load("algebra a 1 1");
  std::string text = output("Weyl Parity Orbits");
  EXPECT_NE(text.find("Class 0 (size 1)"), std::string::npos);
  EXPECT_NE(text.find("Class 1 (size 1)"), std::string::npos);
  EXPECT_NE(text.find("\n   (0)\n"), std::string::npos);
  EXPECT_NE(text.find("\n   (1)\n"), std::string::npos);
}

TEST_F(CommandsLieTest, ConjugacyClassesAgreeWithTheCharges) {
  // A consistent algebra: only the current lines and class vectors, no "lbl" line.
  for (const char* algebra : {"algebra a 2 1", "algebra a 3 2", "algebra d 4 1", "algebra e 6 1"}) {
    load(algebra);
    OutputCapture capture;
    EXPECT_EQ(run("check classes"), 0);
    EXPECT_EQ(capture.printed.find("lbl"), std::string::npos) << algebra;
    EXPECT_NE(capture.printed.find("Current 0:\n"), std::string::npos) << algebra;
  }
  load("algebra a 2 1");
  OutputCapture capture;
  run("check classes");
  EXPECT_EQ(capture.printed, "Current 0:\nCurrent 1:\nCurrent 2:\n");
  // The class vectors of Z3: 0, (1,2) and (2,1) in the root basis modulo 3.
  EXPECT_EQ(capture.stdoutText,
            "Class vector   (0,0)\nClass vector   (1,2)\nClass vector   (2,1)\n");
}

TEST_F(CommandsLieTest, ATooLargeWeylGroupIsRefused) {
  load("algebra e 8 1");
  OutputCapture capture;
  EXPECT_EQ(run("Weyl Group"), 1);
  EXPECT_EQ(capture.printed, "Weyl group too large\n");
}

TEST_F(CommandsLieTest, ElementsOutsideTheGroupAreRefusedWithItsRange) {
  load("algebra a 1 1");
  OutputCapture capture;
  EXPECT_EQ(run("Weyl Multiply 5 7"), 1);
  EXPECT_EQ(capture.printed, "");
  EXPECT_NE(capture.diagnostics.find("Element 5 out of range: the Weyl group has 2 elements, numbered 0 to 1"),
            std::string::npos);
  // The run goes on: the group still answers.
  EXPECT_EQ(output("Weyl Multiply 1 1"), "0\n");
}

TEST_F(CommandsLieTest, ARankZeroTheoryHasNoWeylGroup) {
  load("algebra a 1 2");
  load("get fcft 1");
  ASSERT_EQ(currentSD->rank, 0);
  for (const char* command : {"Weyl Order", "Weyl Group", "Weyl Parity Orbits", "Weyl Multiply 0 0"}) {
    OutputCapture capture;
    EXPECT_EQ(run(command), 1) << command;
    EXPECT_EQ(capture.printed, "") << command;
    EXPECT_NE(capture.diagnostics.find("has rank 0 and no Weyl group"), std::string::npos) << command;
  }
}

TEST_F(CommandsLieTest, ParityOrbitsCoverAllVectorsAndAskPastTheLimit) {
  // The orbits of A_r modulo 2 partition all 2^r vectors: the sizes add up to 2^r.
  load("algebra a 13 1");
  const std::string text = output("Weyl Parity Orbits");
  int total = 0;
  for (std::size_t at = text.find("(size "); at != std::string::npos; at = text.find("(size ", at + 1))
    total += std::stoi(text.substr(at + 6));
  EXPECT_EQ(total, 1 << 13);
  // 2^17 vectors: the question's default answer is No.
  load("algebra a 17 1");
  OutputCapture capture;
  EXPECT_EQ(run("Weyl Parity Orbits"), 1);
  EXPECT_EQ(capture.printed, "");
  EXPECT_NE(capture.all.find("The parity orbits list all 131072 vectors (2^17), more than 65536; continue?"),
            std::string::npos);
}

TEST_F(CommandsLieTest, OnlyAffineLieAlgebrasHaveLieData) {
  const char* commands[] = {"Weyl Order",    "Weyl Group",   "Weyl Parity Orbits",
                            "check classes", "Weyl orbit 0", "Weyl Multiply 0 0"};
  for (const char* theory : {"algebra u 4", "algebra bc 1 1"}) {
    load(theory);
    for (const char* command : commands) {
      OutputCapture capture;
      EXPECT_EQ(run(command), 1) << theory << ": " << command;
      EXPECT_EQ(capture.diagnostics, "This command is only defined for affine Lie algebras \n")
          << command;
    }
  }
}

}  // namespace
