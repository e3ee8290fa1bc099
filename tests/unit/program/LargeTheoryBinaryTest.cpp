// The invariant and Galois commands on theories of tens of thousands of fields, run by the
// real zoq binary under a memory limit of about 1 GB (as LargeWorkBinaryTest sets it): a
// typed invariant is tested in memory that follows its entries, not N x N; the orbit
// listings are printed as they are made and stop at the line where Ctrl-C comes; the
// Galois-commutant search is refused up front where its N x N solution matrix would not
// fit, and answers Ctrl-C where it runs.
//
// SU(2) at level 46000 has 46,001 fields; the conductor of its Galois action is
// M = 2 (k + 2) = 92004 = 2^2 3 11 17 41, so its units begin 1, 5, 7 and its other factors
// 2, 3, 4. The fields are ordered by orbits of the simple current: field 2m has the Dynkin
// label m and field 2m + 1 the label k - m (m < k/2), and S(0, a) = sqrt(2/(k+2))
// sin(pi (a+1)/(k+2)) for the label a.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::CapturedRun;
using binary_test::expectNoMemoryFault;
using binary_test::limitMemory;
using binary_test::occurrences;
using binary_test::quitAndExpectSuccess;
using binary_test::readWhole;
using binary_test::runUnderMemoryLimit;
using binary_test::ScratchFolder;
using binary_test::TerminalSession;

// The texts appear in the output in this order.
void expectInOrder(const std::string& output, const std::vector<std::string>& texts) {
  std::size_t from = 0;
  for (const std::string& text : texts) {
    const std::size_t at = output.find(text, from);
    ASSERT_NE(at, std::string::npos) << text << "\n" << output.substr(0, 20000);
    from = at + text.size();
  }
}

// Starts "zoq -b run.zoq" with the commands in folder (also HOME) under the memory limit,
// standard output and standard error to out.txt.
pid_t startLimited(const std::string& folder, const std::string& commands) {
  std::ofstream(folder + "/run.zoq") << commands;
  const pid_t child = fork();
  if (child == 0) {
    limitMemory();
    if (chdir(folder.c_str()) != 0) _exit(126);
    setenv("HOME", folder.c_str(), 1);
    const std::string output = folder + "/out.txt";
    if (std::freopen(output.c_str(), "w", stdout) == nullptr || dup2(fileno(stdout), 2) < 0 ||
        std::freopen("/dev/null", "r", stdin) == nullptr)
      _exit(126);
    binary_test::execZoq({"-b", "run.zoq"});
  }
  return child;
}

// A terminal session whose zoq has the memory limit of limitMemory: under AddressSanitizer
// through the options in the environment it inherits, otherwise by the address-space limit
// set on the running process (before it has allocated anything large).
class LimitedTerminalSession {
 public:
  explicit LimitedTerminalSession(const std::string& folder) {
#if defined(__SANITIZE_ADDRESS__)
    const char* inherited = std::getenv("ASAN_OPTIONS");
    const std::string saved = inherited == nullptr ? "" : inherited;
    const std::string limits =
        "max_allocation_size_mb=1024:allocator_may_return_null=0:hard_rss_limit_mb=1536";
    setenv("ASAN_OPTIONS", saved.empty() ? limits.c_str() : (saved + ":" + limits).c_str(), 1);
    session_ = std::make_unique<TerminalSession>(folder, folder, std::vector<std::string>{});
    if (inherited == nullptr) {
      unsetenv("ASAN_OPTIONS");
    } else {
      setenv("ASAN_OPTIONS", saved.c_str(), 1);
    }
#else
    session_ = std::make_unique<TerminalSession>(folder, folder, std::vector<std::string>{});
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = (1ULL << 30) + (1ULL << 28);
    if (session_->started()) limited_ = prlimit(session_->pid(), RLIMIT_AS, &limit, nullptr) == 0;
    return;
#endif
    limited_ = true;
  }
  TerminalSession& operator*() {
    return *session_;
  }
  bool limited() const {
    return limited_;
  }

 private:
  std::unique_ptr<TerminalSession> session_;
  bool limited_ = false;
};

const char* const kSu2 = "algebra a 1 46000\n";

// The limited session started and at its prompt with the theory (`line`) loaded, which
// prints `size`.
void startWithTheory(LimitedTerminalSession& limited, const std::string& line, const std::string& size) {
  TerminalSession& zoq = *limited;
  ASSERT_TRUE(zoq.started());
  ASSERT_TRUE(limited.limited());
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
  zoq.type(line);
  ASSERT_TRUE(zoq.waitFor(size)) << zoq.output();
  ASSERT_TRUE(zoq.waitFor("\n> ")) << zoq.output();
}

TEST(LargeTheory, TypedInvariantsOfSu2AtLevel46000AreTestedWithoutAnNxNMatrix) {
  // (0)^2 pairs the vacuum with itself only: (MS - SM)(0, 1) = S(0, 1) = S(0, k) = S(0, 0)
  // = sqrt(2/46002) sin(pi/46002) = 4.50297774e-7, beyond the tolerance 1e-7. The exchange
  // <1,2> of the labels k and 1 gives (MS - SM)(0, 1) = S(0, 1) - S(0, 2) = S(0, 0) -
  // S(0, 1 as label) = -4.50297772e-7. Neither commutes with S; each test stops after its
  // eleventh failure.
  const std::string commands = std::string(kSu2) +
                               "check invariant (0)^2\nselect invariant (0)^2\n"
                               "check invariant <1,2>\nselect invariant <1,2>\nevaluate 6*7\n";
  for (bool background : {true, false}) {
    const CapturedRun run = runUnderMemoryLimit(commands, background);
    EXPECT_EQ(run.status, 0) << run.output.substr(0, 20000);
    expectNoMemoryFault(run.output);
    ASSERT_NO_FATAL_FAILURE(expectInOrder(
        run.output,
        {"46001 primaries", "Invariance failure for 0,1\nDeviations:         0.0000004502977",
         "Not modular invariant", "Invariance failure for 0,1\nDeviations:         0.0000004502977",
         "Not modular invariant", "Invariance failure for 0,1\nDeviations:        -0.0000004502977",
         "Not modular invariant", "Invariance failure for 0,1\nDeviations:        -0.0000004502977",
         "Not modular invariant", "42"}));
    EXPECT_EQ(occurrences(run.output, "Not modular invariant"), 4u) << run.output.substr(0, 20000);
    // Ten failures reported and the eleventh ending each test, no summary.
    EXPECT_EQ(occurrences(run.output, "Invariance failure for"), 44u);
    EXPECT_EQ(run.output.find("Number of failures"), std::string::npos);
  }
}

TEST(LargeTheory, TypedInvariantsOfTheFirstGepnerModelAreTestedWithoutAnNxNMatrix) {
  // 28,539 fields. (MS - SM)(0, j) = S(0, j) for (0)^2 and j != 0, and the vacuum row of S
  // is positive with norm 1, so some S(0, j) is at least 1/sqrt(28539): not invariant.
  const std::string commands =
      "build cy 1\nselect invariant 0\ncheck invariant (0)^2\nselect invariant (0)^2\nevaluate "
      "6*7\n";
  const CapturedRun run = runUnderMemoryLimit(commands, true);
  EXPECT_EQ(run.status, 0) << run.output.substr(0, 20000);
  expectNoMemoryFault(run.output);
  ASSERT_NO_FATAL_FAILURE(expectInOrder(
      run.output, {"28539 primaries", "Invariance failure for 0,", "Not modular invariant",
                   "Invariance failure for 0,", "Not modular invariant", "42"}));
}

TEST(LargeTheory, ATypedInvariantWithTooManyEntriesIsRefusedAndTheSessionGoesOn) {
  // (0+1+...+6999)^2 has 7000^2 = 49,000,000 entries of 48 bytes: 2352 Mb.
  std::string text = "(0";
  for (int a = 1; a < 7000; ++a) text += "+" + std::to_string(a);
  text += ")^2";
  const CapturedRun run =
      runUnderMemoryLimit(std::string(kSu2) + "check invariant " + text + "\nevaluate 6*7\n", true);
  EXPECT_EQ(run.status, 0) << run.output.substr(0, 20000);
  expectNoMemoryFault(run.output);
  ASSERT_NO_FATAL_FAILURE(expectInOrder(
      run.output,
      {"The entries of the typed invariant would need 2352 Mb; refused (the limit is 2100 Mb)",
       "42"}));
  EXPECT_EQ(run.output.find("Modular invariance OK"), std::string::npos);
}

TEST(LargeTheory, TheGaloisSearchOfSu2AtLevel46000IsRefusedUpFront) {
  // Every solution is an N x N matrix: 46001^2 ints, 8464 Mb.
  const std::string commands = std::string(kSu2) + "search galois_invariants\nevaluate 6*7\n";
  for (bool background : {true, false}) {
    const CapturedRun run = runUnderMemoryLimit(commands, background);
    EXPECT_EQ(run.status, 0) << run.output.substr(0, 20000);
    expectNoMemoryFault(run.output);
    ASSERT_NO_FATAL_FAILURE(
        expectInOrder(run.output, {"The solution matrix of the Galois search would need 8464 Mb; "
                                   "refused (the limit is 2100 Mb)",
                                   "42"}));
    EXPECT_EQ(run.output.find("Starting analysis"), std::string::npos);
  }
}

// The first lines of a listing reach the output file while the listing runs (its whole
// text, of the order of N lines for each of thousands of factors, is never held), and a
// SIGINT of the background run keeps them.
void expectListingPrintedAsItIsMade(const std::string& command, const std::string& start) {
  ScratchFolder folder("zoq-large");
  ASSERT_FALSE(folder.path().empty());
  const pid_t run = startLimited(folder.path(), std::string(kSu2) + command + "\n");
  ASSERT_GT(run, 0);
  const std::string output = folder.path() + "/out.txt";
  const bool printed = binary_test::waitForFileText(run, output, start);
  kill(run, SIGINT);
  const int status = binary_test::waitForExit(run);
  const std::string text = readWhole(output);
  ASSERT_TRUE(printed) << command << "\n" << text.substr(0, 20000);
  EXPECT_EQ(status, 130) << text.substr(0, 2000);
  expectNoMemoryFault(text.substr(0, 100000));
}

TEST(LargeTheory, TheGaloisOrbitsOfSu2AtLevel46000ArePrintedAsTheyAreMade) {
  // l = 1 is the identity: every field its own cycle, of equal weight.
  expectListingPrintedAsItIsMade(
      "compute galois_orbits",
      "46001 primaries (2 simple currents)\n\nGalois dilation 1\n(0)*** \n(1)*** \n"
      "(2)*** \n(3)*** \n");
}

TEST(LargeTheory, TheScaleOrbitsOfSu2AtLevel46000ArePrintedAsTheyAreMade) {
  // l = 2 takes the label a to 2a + 1 while 2 (a + 1) stays below k + 2: from the vacuum
  // the labels 2^n - 1, the fields 2 (2^n - 1) up to the label 16383.
  expectListingPrintedAsItIsMade(
      "compute scale_orbits",
      "\nNon-galois Dilatation 2\n(0,2,6,14,30,62,126,254,510,1022,2046,4094,8190,"
      "16382,32766,");
}

// Types the listing command at the terminal, waits for its first lines, presses Ctrl-C and
// expects the listing to end at once with "aborted" (the second block, `next`, never
// reached: the first alone has 46001 lines), the prompt back and the next command answered.
void expectCtrlCEndsTheListing(TerminalSession& zoq, const std::string& command,
                               const std::string& first, const std::string& next) {
  const std::size_t from = zoq.output().size();
  zoq.type(command + "\n");
  ASSERT_TRUE(zoq.waitFor(first)) << command << "\n" << zoq.output().substr(from, 20000);
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("aborted\r\n")) << command << "\n" << zoq.output().substr(from, 20000);
  ASSERT_TRUE(zoq.waitFor("> ")) << command;
  EXPECT_EQ(zoq.output().find(next, from), std::string::npos) << command;
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << command;
}

TEST(LargeTheory, CtrlCEndsTheOrbitListingsOfSu2AtLevel46000AtOnce) {
  ScratchFolder folder("zoq-large");
  LimitedTerminalSession limited(folder.path());
  TerminalSession& zoq = *limited;
  ASSERT_NO_FATAL_FAILURE(startWithTheory(limited, kSu2, "46001 primaries"));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheListing(
      zoq, "compute galois_orbits", "Galois dilation 1\r\n(0)*** \r\n", "Galois dilation 5\r\n"));
  ASSERT_NO_FATAL_FAILURE(expectCtrlCEndsTheListing(zoq, "compute scale_orbits",
                                                    "Non-galois Dilatation 2\r\n(0,",
                                                    "Non-galois Dilatation 3\r\n"));
  quitAndExpectSuccess(zoq);
}

TEST(LargeTheory, CtrlCEndsTheGaloisSearchOfSu2AtLevel2000) {
  // 2001 fields, M = 4004: the search fits, and its equations alone run over the
  // 2001 x 2002 / 2 entries of Z for hours.
  ScratchFolder folder("zoq-large");
  LimitedTerminalSession limited(folder.path());
  TerminalSession& zoq = *limited;
  ASSERT_NO_FATAL_FAILURE(startWithTheory(limited, "algebra a 1 2000\n", "2001 primaries"));
  const std::size_t from = zoq.output().size();
  zoq.type("search galois_invariants\n");
  ASSERT_TRUE(zoq.waitFor("Starting analysis for")) << zoq.output().substr(from);
  // A second of the search's work more: Ctrl-C comes inside its loops, on any machine.
  ASSERT_TRUE(zoq.letWork(1000)) << zoq.output().substr(from);
  zoq.pressControlC();
  ASSERT_TRUE(zoq.waitFor("> ")) << zoq.output().substr(from);
  EXPECT_EQ(zoq.output().find("Starting loops", from), std::string::npos)
      << zoq.output().substr(from);
  zoq.type("evaluate 6*7\n");
  ASSERT_TRUE(zoq.waitFor("42\r\n> ")) << zoq.output().substr(from);
  quitAndExpectSuccess(zoq);
}

}  // namespace
