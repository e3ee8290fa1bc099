// The real zoq binary under a memory limit of about 1 GB: before a spectrum exists no
// command sizes anything by the count that stands for "no spectrum yet" (commands that need
// the spectrum say so and the run goes on), and work whose size is known beforehand to pass
// what one allocation may hold is refused with the size named, the program going on.
//
// The limit: with AddressSanitizer no single request above 1024 Mb and no more than 1536 Mb
// resident (the sanitizer's own quarantine and shadow included); otherwise an address space
// of 1.25 GiB.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::occurrences;
using binary_test::limitMemory;
using binary_test::ScratchFolder;

using binary_test::CapturedRun;

// Runs zoq in the folder (also its HOME) under the limit: with background true as
// "zoq -b run.zoq", else as "zoq" reading the commands from its standard input (where a
// refused command does not end the run).
CapturedRun runLimited(const std::string& folder, const std::string& commands, bool background = true) {
  std::ofstream(folder + "/run.zoq") << commands;
  if (background) return binary_test::runCaptured(folder, {"-b", "run.zoq"}, "", limitMemory);
  return binary_test::runCaptured(folder, {}, "run.zoq", limitMemory);
}

const char* const kNoSpectrum = "No spectrum computed; type \"compute spectrum\" first";

// The run reached its last line, the text given, and ended with status 0, with nothing
// that marks a request too large for the limit or a crash.
void expectItWentOn(const CapturedRun& run, const std::string& last) {
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char* fault : {"refused\n", "Cannot allocate", "bad_alloc", "AddressSanitizer", "terminate called"})
    EXPECT_EQ(run.output.find(fault), std::string::npos) << fault << "\n" << run.output;
  EXPECT_NE(run.output.find(last + "\n"), std::string::npos) << run.output;
}

// Adding a factor after an invariant that is not of simple-current type reset the Klein
// bottle to one entry per "primary" of a product without spectrum: 8 GB. The reset sizes
// nothing now; the spectrum computed afterwards is A1 at level 2 (3 fields, 2 of them
// simple currents), whose two Klein currents both give an O-plane of non-zero tension at an
// even level (|P(l,0)| of SU(2) vanishes only for l + k odd).
TEST(BeforeASpectrum, AddingAFactorAfterAnExceptionalOrTypedInvariantSizesNothing) {
  for (const char* choice : {"select exceptional_invariant 1", "select invariant <2,3><6,7>"}) {
    ScratchFolder folder;
    CapturedRun run = runLimited(folder.path(), std::string("algebra a 1 10\n") + choice +
                                            "\ntensor\ng a 1 2\nTotal Orientifolds\ncompute spectrum\n"
                                            "Total Orientifolds\nprint done\n");
    expectItWentOn(run, "\n2\ndone");
    EXPECT_EQ(occurrences(run.output, kNoSpectrum), 1u) << choice << "\n" << run.output;
    EXPECT_NE(run.output.find("CFT {A1:2}; 3 primaries (2 simple currents)\n"), std::string::npos) << run.output;
  }
}

// The same through the switch to tensor mode that a factor command makes by itself; the
// product is E8 at level 1 alone, which has one field.
TEST(BeforeASpectrum, AFactorOutsideTensorModeAfterTheConjugationInvariantSizesNothing) {
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(),
                       "algebra a 1 10\nselect conjugation_invariant\ng e 8 1\ntotal primaries\n"
                       "compute spectrum\nprint done\n");
  expectItWentOn(run, "CFT {E8:1}; 1 primaries\ndone");
  EXPECT_EQ(occurrences(run.output, kNoSpectrum), 1u) << run.output;
}

// The orientifold count of a product whose spectrum is not computed set up the boundary
// labels of "2,000,000,000 fields". A1 at level 5: 6 fields, 2 orientifolds (one per Klein
// current), one of them with non-zero tension (l + k odd for l = 0).
TEST(BeforeASpectrum, CountsOfOrientifoldsAndBoundariesWaitForTheSpectrum) {
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(),
                       "algebra d 4 2\nsolve tadpole kernel 2\ng a 1 5\nTotal All_orientifolds\n"
                       "Total Orientifolds\ncompute spectrum\nTotal All_orientifolds\nTotal Orientifolds\n"
                       "print done\n");
  expectItWentOn(run, "\n2\n1\ndone");
  EXPECT_EQ(occurrences(run.output, kNoSpectrum), 2u) << run.output;
  EXPECT_NE(run.output.find("CFT {A1:5}; 6 primaries (2 simple currents)\n"), std::string::npos) << run.output;
}

// "build non_susy_cy" computes no spectrum: the commands that read one are refused, each
// with the same words, and the run goes on.
TEST(BeforeASpectrum, ANonSupersymmetricProductRefusesWhatNeedsItsSpectrum) {
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(),
                       "build non_susy_cy 33333\nTotal Orientifolds\nTotal All_orientifolds\nscan branes\n"
                       "total primaries\nfind basis 1\nprint done\n");
  expectItWentOn(run, "done");
  EXPECT_EQ(occurrences(run.output, kNoSpectrum), 5u) << run.output;
}

// Every command of the default and tensor modes that touches invariant, boundary or
// orientifold data, on products without a spectrum made in several ways; then the
// commands that compute the spectrum first. Fed at standard input, so that a refusal
// does not end the run.
TEST(BeforeASpectrum, NoCommandHoldsMoreThanTheLimit) {
  const char* const commands =
      "status\nlist\ntotal extensions\ninfo quvr\ntotal primaries\nsupersymmetric\nchiral\n"
      "cancellableTachyon\ntotal invariants\nTotal Orientifolds\nTotal All_orientifolds\nscan branes\n"
      "browse central_charge\nfind basis 1\nbrowse susy\nbrowse name\nset autoselect 1\nset autoselect off\n"
      "browse chiral_algebra\nbrowse decomposition 1\nbrowse groundstate 1\nassign extension_number 0\n"
      "pattern reset\nselect rep 1\nset require extension 1\nlift 1 1\ntrace S 1\n"
      "Browse permutations\ndisplay simple\ndisplay massless\ndisplay weight 1 2\ncollect extensions\n"
      "total primaries\nTotal All_orientifolds\nprint done\n";
  const char* const products[] = {
      "tensor\ng a 1 10\ng a 1 2\n",
      "algebra a 1 10\nselect exceptional_invariant 1\ntensor\ng a 1 2\n",
      "algebra a 1 10\nselect conjugation_invariant\ng e 8 1\ng a 1 3\n",
      "tensor\ng a 1 1\ng a 1 1\ncurrent 1 1\n",
      "tensor\ng a 1 1\ng a 1 2\ncompute spectrum\ng a 1 3\n",
      "tensor\ng a 1 10\ng a 1 2\ncompute spectrum\nselect exceptional_invariant 1 0\ng a 1 1\n",
  };
  for (const char* product : products) {
    ScratchFolder folder;
    CapturedRun run = runLimited(folder.path(), std::string(product) + commands, false);
    expectItWentOn(run, "done");
    EXPECT_NE(run.output.find(kNoSpectrum), std::string::npos) << product << "\n" << run.output;
  }
}

// Sizes known before the work. 4000 fields (the product of D5 and five minimal models of
// level 3): a fusion table of 4000^3 ints is 256,000,000,000 bytes.
TEST(SizesBeforeTheWork, TheNimrepSearchOfALargeTheoryIsRefusedWithItsSize) {
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(), "build cy 33333\nsearch NIMrep\nprint done\n");
  expectItWentOn(run, "The fusion table of the NIMrep search would need 256000 Mb; refused (the limit is 2100 Mb) \ndone");
  EXPECT_NE(run.output.find("4000 primaries"), std::string::npos) << run.output;
}

// The size named for a tensor spectrum: the value before " Mb".
double namedSize(const std::string& output, std::size_t from) {
  const std::string words = "The tensor spectrum would need ";
  std::size_t at = output.find(words, from);
  return at == std::string::npos ? -1.0 : std::atof(output.c_str() + at + words.size());
}

// Without currents every combination of labels is a field: 2^30 of them for thirty copies
// of A1 at level 1, rows of 31 labels, so at least 2^30 x 31 x 4 bytes (133,143 Mb) and
// no pass is started. The same for 34 and 49 factors, and a small product still works.
TEST(SizesBeforeTheWork, ATensorSpectrumTooLargeToHoldIsRefusedBeforeThePasses) {
  std::string commands = "tensor\n";
  for (int i = 0; i < 30; ++i) commands += "g a 1 1\n";
  commands += "compute spectrum\nprint thirty\n";
  for (int i = 30; i < 34; ++i) commands += "g a 1 1\n";
  commands += "compute spectrum\nprint thirtyfour\n";
  for (int i = 34; i < 49; ++i) commands += "g a 1 1\n";
  commands += "compute spectrum\nprint fortynine\nreset tensor\ng a 1 1\ng a 1 1\ncompute spectrum\n";
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(), commands);
  // 2 x 2 fields, all of them simple currents.
  expectItWentOn(run, "fortynine\nCFT {A1:1_A1:1}; 4 primaries (4 simple currents)");
  EXPECT_EQ(occurrences(run.output, "; refused (the limit is 2100 Mb)"), 3u) << run.output;
  EXPECT_EQ(occurrences(run.output, "Spectrum computation aborted; Modular properties not available"), 3u)
      << run.output;
  const std::size_t thirty = run.output.find("thirty\n");
  const std::size_t thirtyFour = run.output.find("thirtyfour\n");
  ASSERT_NE(thirty, std::string::npos) << run.output;
  ASSERT_NE(thirtyFour, std::string::npos) << run.output;
  EXPECT_GE(namedSize(run.output, 0), 133143.0) << run.output;
  // 2^34 fields of 35 labels: 2,405,181 Mb of rows at least.
  EXPECT_GE(namedSize(run.output, thirty), 2405181.0) << run.output;
  // 2^49 fields of 50 labels: 112,589,990,684 Mb of rows at least.
  EXPECT_GE(namedSize(run.output, thirtyFour), 112589990684.0) << run.output;
}

// With a current the product's simple currents with integer charges still number at least
// 2^32 / 2^2 (the charges take at most 2 values, the current's orbits have at most 2
// members), the current (1,...,1) having weight 32 x 1/4 = 8.
TEST(SizesBeforeTheWork, ATensorSpectrumWithACurrentIsBoundedByItsSimpleCurrents) {
  std::string commands = "tensor\n";
  std::string current = "current";
  for (int i = 0; i < 32; ++i) {
    commands += "g a 1 1\n";
    current += " 1";
  }
  commands += current + "\ncompute spectrum\nprint done\n";
  ScratchFolder folder;
  CapturedRun run = runLimited(folder.path(), commands);
  expectItWentOn(run, "Spectrum computation aborted; Modular properties not available\ndone");
  // 2^30 fields of 33 labels: 141,733 Mb of rows at least.
  EXPECT_GE(namedSize(run.output, 0), 141733.0) << run.output;
}

// The charge file's header alone decides what "test discrete" holds: (2^31 - 1)^2 charges
// of 8 bytes are 36,893,488,113,059,364,872 bytes. A file of the size it claims is read.
TEST(SizesBeforeTheWork, AChargeFileHeaderPastTheLimitIsRefusedWithItsSize) {
  ScratchFolder folder;
  std::ofstream(folder.path() + "/AC") << "2147483647 2147483647\n1 2\n";
  CapturedRun run = runLimited(folder.path(), "test discrete\nprint next\n");
  expectItWentOn(run, "The charges of the file would need 36893488113059 Mb; refused (the limit is 2100 Mb) \nnext");
  // Charges (1, 2) and (3, 4): the combination (1, 1) gives (4, 6), zero modulo 2, and the
  // determinant -2 leaves no other: one Z_2.
  std::ofstream(folder.path() + "/AC") << "2 2\n1 2\n3 4\n";
  run = runLimited(folder.path(), "test discrete\nprint next\n");
  expectItWentOn(run, "Z_2  null vector       1   1\n\nnext");
  EXPECT_EQ(run.output.find("would need"), std::string::npos) << run.output;
}

}  // namespace
