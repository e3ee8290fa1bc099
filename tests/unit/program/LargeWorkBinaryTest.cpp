// Commands that size their work by the square of the number of fields, run by the real zoq
// binary under a memory limit of about 1 GB, in a background run and with the commands
// piped in: on theories of tens of thousands of fields each is refused with its size named
// (Alert 100213) and the program goes on to the next command.
//
// The limit: with AddressSanitizer no single request above 1024 Mb and no more than 1536 Mb
// resident; otherwise an address space of 1.25 GiB.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::CapturedRun;
using binary_test::expectNoMemoryFault;
using binary_test::occurrences;
using binary_test::runUnderMemoryLimit;

// The run printed every refusal, in order, reached its last line and ended with status 0,
// with nothing that marks a request too large for the limit or a crash.
void expectRefusedAndWentOn(const CapturedRun& run, const std::vector<std::string>& refusals,
                            const std::string& last) {
  EXPECT_EQ(run.status, 0) << run.output;
  expectNoMemoryFault(run.output);
  std::size_t from = 0;
  for (const std::string& refusal : refusals) {
    const std::size_t at = run.output.find(refusal, from);
    ASSERT_NE(at, std::string::npos) << refusal << "\n" << run.output;
    from = at + refusal.size();
  }
  EXPECT_NE(run.output.find(last, from), std::string::npos) << run.output;
}

// The first Gepner model of the Calabi-Yau table: 28,539 fields, no simple currents (so as
// many orbits). What each command would hold, in Mb of 10^6 bytes:
//   check homomorphism:  (2N + 1) N ints                          6516
//   search MIPF automorphism: N (N + 1) / 2 complex S (S symmetric)  6516
//   check modular:       N^2 complex S, for each of its two checks   13032
//   check fusion:        N x N doubles of S (N orbits)             6516
//   search boundaries:   2 N (1 + L) doubles, L = N Ishibashi labels 13032
TEST(LargeWork, TheFirstGepnerModelRefusesEveryQuadraticCommandAndGoesOn) {
  const std::string commands =
      "build cy 1\ncheck homomorphism 0\nsearch MIPF automorphism\ncheck modular\ncheck fusion\n"
      "select invariant 0\nsearch boundaries 1\nevaluate 6*7\n";
  const std::vector<std::string> refusals = {
      "The fusion matrices of the homomorphism construction would need 6516 Mb; "
      "refused (the limit is 2100 Mb)",
      "The S matrix of the automorphism search would need 6516 Mb; refused (the limit is 2100 Mb)",
      "The dense S matrix of the check would need 13032 Mb; refused (the limit is 2100 Mb)",
      "The dense S matrix of the check would need 13032 Mb; refused (the limit is 2100 Mb)",
      "The S rows of the fusion coefficients would need 6516 Mb; refused (the limit is 2100 Mb)",
      "The exceptional boundary data would need 13032 Mb; refused (the limit is 2100 Mb)"};
  for (bool background : {true, false}) {
    const CapturedRun run = runUnderMemoryLimit(commands, background);
    EXPECT_NE(run.output.find("28539 primaries"), std::string::npos) << run.output;
    ASSERT_NO_FATAL_FAILURE(expectRefusedAndWentOn(run, refusals, "42"));
    // A refused check of fusion checked nothing and reports no outcome.
    EXPECT_EQ(run.output.find("Cases checked"), std::string::npos) << run.output;
  }
}

// Three N=2 minimal models of levels 2, 1 and 5, not extended: 24 x 12 x 84 = 24,192
// fields (an N=2 minimal model of level k has 2 (k+1)(k+2)). The automorphism search would
// hold the upper triangle of S, 24192 x 24193 x 8 bytes = 4682 Mb; "search MIPF" refuses it
// and the extension search ((2N + 1) N ints, 4682 Mb) and goes on; the product of the
// factors' diagonal invariants would need the N x N invariant matrix, 2341 Mb.
TEST(LargeWork, AThreeFactorProductOfTwentyFourThousandFieldsRefusesTheInvariantSearches) {
  const std::string commands =
      "tensor\ng minimal 2 2\ng minimal 2 1\ng minimal 2 5\ncompute spectrum\n"
      "search MIPF automorphism\nsearch MIPF\nselect exceptional_invariant 0 0 0\nevaluate 6*7\n";
  for (bool background : {true, false}) {
    const CapturedRun run = runUnderMemoryLimit(commands, background);
    EXPECT_NE(run.output.find("24192 primaries"), std::string::npos) << run.output;
    ASSERT_NO_FATAL_FAILURE(expectRefusedAndWentOn(
        run,
        {"The S matrix of the automorphism search would need 4682 Mb; refused",
         "The S matrix of the automorphism search would need 4682 Mb; refused",
         "The fusion matrices of the homomorphism construction would need 4682 Mb; refused",
         "The invariant matrix would need 2341 Mb; refused"},
        "42"));
    EXPECT_EQ(occurrences(run.output, "(the limit is 2100 Mb)"), 4u) << run.output;
  }
}

}  // namespace
