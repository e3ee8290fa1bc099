// System utilities: files and folders by system calls, paths, whole-file reading, the
// shell switches, processor time across a clock wrap, the working period, terminal input.
#include "runtime/SystemUtility.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "program/Boot.h"
#include "runtime/Memory.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

class SystemUtilityTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(SystemUtilityTest, TildeStandsForTheHomeFolder) {
  std::string home = std::getenv("HOME");
  EXPECT_EQ(convertFileName("~/x/y"), home + "/x/y");
  EXPECT_EQ(convertFileName("plain"), "plain");
  EXPECT_EQ(checkDir("~"), 0);
}

TEST_F(SystemUtilityTest, CheckDirTellsFoldersFilesAndMissingPaths) {
  TemporaryFolder folder;
  std::string file = folder.write("f", "data");
  EXPECT_EQ(checkDir(folder.path().c_str()), 0);
  EXPECT_EQ(checkDir(file.c_str()), 1);
  EXPECT_EQ(checkDir(folder.path("none").c_str()), -1);
  EXPECT_EQ(checkDir(nullptr), -1);
}

TEST_F(SystemUtilityTest, CreateDirMakesEveryMissingLevel) {
  TemporaryFolder folder;
  fs::create_directory(folder.path("a"));
  std::string deep = folder.path("a/b/c");
  EXPECT_EQ(CreateDir(deep.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(folder.path("a/b")));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_EQ(CreateDir(deep.c_str()), 0);  // already there
}

TEST_F(SystemUtilityTest, CreateDirRefusesToReplaceAFile) {
  TemporaryFolder folder;
  std::string file = folder.write("plain", "x");
  OutputCapture capture;
  ScriptedAnswers answers({"ok", "ok"});  // severity 4 asks
  EXPECT_EQ(createDir(file.c_str()), -1);
  EXPECT_NE(capture.all.find("Cannot create directory " + file + "; There is a file with that name"),
            std::string::npos);
  std::string below = file + "/sub";
  EXPECT_NE(CreateDir(below.c_str()), 0);
  EXPECT_FALSE(fs::exists(below));
}

TEST_F(SystemUtilityTest, PathNamesAreNeverPassedToTheShell) {
  // A folder name that a shell would take as a command must be made literally.
  TemporaryFolder folder;
  std::string odd = folder.path("x\"; touch pwned; \"y");
  EXPECT_EQ(CreateDir(odd.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(odd));
  EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(SystemUtilityTest, DryRunPrintsTheFolderCommandAndMakesNothing) {
  TemporaryFolder folder;
  std::string target = folder.path("dry");
  OutputCapture capture;
  setSystemParameter(2);
  EXPECT_EQ(createDir(target.c_str()), 0);
  EXPECT_EQ(capture.stdoutText, "mkdir \"" + target + "\"\n");
  EXPECT_FALSE(fs::exists(target));
  capture.clear();
  EXPECT_EQ(System("echo %d", 7), 0);
  EXPECT_EQ(capture.stdoutText, "echo 7\n");
}

TEST_F(SystemUtilityTest, CreateFileMakesTheFoldersLeadingToIt) {
  TemporaryFolder folder;
  std::string path = folder.path("p/q/file.txt");
  EXPECT_EQ(CreateFile(path.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(folder.path("p/q")));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(SystemUtilityTest, FullPathsAreNormalised) {
  EXPECT_EQ(getFullPath("b//c/", "/a"), "/a/b/c");
  EXPECT_EQ(getFullPath("./b/./c/.", "/a"), "/a/b/c");
  EXPECT_EQ(getFullPath("../b", "/a"), "/a/../b");  // ".." is kept as written
  EXPECT_EQ(getFullPath("/x", "/ignored"), "/x");
  EXPECT_EQ(getFullPath("~/d", nullptr), std::string(std::getenv("HOME")) + "/d");
  EXPECT_EQ(getFullPath("rel", nullptr), getCurrentDirectory() + "/rel");
}

TEST_F(SystemUtilityTest, NamePartsAndExtensions) {
  std::string path = "/a/b/name.ext";
  stripToPath(path);
  EXPECT_EQ(path, "/a/b");
  std::string bare = "name";
  stripToPath(bare);
  EXPECT_EQ(bare, ".");
  std::string top = "/name";
  stripToPath(top);
  EXPECT_EQ(top, "/");
  EXPECT_STREQ(getRelativeName("/a/b/name.ext"), "name.ext");
  EXPECT_STREQ(getExtension("x.tar.gz"), "gz");
  EXPECT_EQ(getExtension("none"), nullptr);
  EXPECT_EQ(verifyExtension("model.zoq", "zoq"), 1);
  EXPECT_EQ(verifyExtension("model.zoq", "txt"), 0);
  EXPECT_EQ(changeExtension("run.zoq", "zoq", "log"), "run.log");
  EXPECT_EQ(changeExtension("run.zoq", "txt", "log"), "");
  EXPECT_EQ(trunc_path("a/b"), std::string("a\0b\n\0", 5));
  EXPECT_EQ(isFileInDirectory("/a/b/c", "/a/b"), 1);
}

TEST_F(SystemUtilityTest, LinksResolveAgainstTheirOwnFolder) {
  TemporaryFolder folder;
  folder.write("target", "t");
  std::string link = folder.path("link");
  ASSERT_EQ(symlink("target", link.c_str()), 0);
  EXPECT_EQ(getLink(link.c_str()), folder.path("target"));
  EXPECT_EQ(getLink(folder.path("target").c_str()), "");
}

TEST_F(SystemUtilityTest, FopenCountsOpenFilesAndReportsFromTheTwentyFirst) {
  TemporaryFolder folder;
  std::string path = folder.write("f", "x");
  OutputCapture capture;
  std::vector<FILE*> files;
  for (int i = 0; i < 21; ++i) files.push_back(Fopen(path.c_str(), "r"));
  EXPECT_EQ(getOpenedFiles(), 21);
  EXPECT_EQ(capture.stdoutText, "Number of open files: 21 (last " + path + ")\n");
  for (FILE* file : files) Fclose(file);
  EXPECT_EQ(getOpenedFiles(), 0);
  EXPECT_EQ(Fopen(folder.path("none").c_str(), "r"), nullptr);
  EXPECT_NE(capture.diagnostics.find("Could not open file \"" + folder.path("none") + "\""), std::string::npos);
}

TEST_F(SystemUtilityTest, MoveOldFileTakesTheFirstFreeNumber) {
  TemporaryFolder folder;
  std::string x = folder.write("x", "old");
  folder.write("x_0", "older");
  OutputCapture capture;
  EXPECT_EQ(moveOldFile(x.c_str()), 0);
  EXPECT_EQ(readFile(folder.path("x_1")), "old");
  EXPECT_FALSE(fs::exists(x));
  EXPECT_EQ(capture.stdoutText, "mv \"" + x + "\" \"" + x + "_1\"\n");
  EXPECT_EQ(moveOldFile(x.c_str()), -1);                   // gone
  EXPECT_EQ(moveOldFile(folder.path().c_str()), 0);        // a folder is left alone
}

TEST_F(SystemUtilityTest, CopyKeepsModeAndTimesAndMoveAndRemoveWork) {
  TemporaryFolder folder;
  std::string source = folder.write("s", "contents");
  chmod(source.c_str(), 0750);
  std::string target = folder.path("deep/er/t");
  EXPECT_EQ(FullCopy(source.c_str(), target.c_str()), 0);
  EXPECT_EQ(readFile(target), "contents");
  EXPECT_EQ(getMode(target.c_str()) & 0777, 0750u);
  EXPECT_EQ(modtime(target.c_str()), modtime(source.c_str()));
  std::string moved = folder.path("m");
  EXPECT_EQ(moveFile(target.c_str(), moved.c_str()), 0);
  EXPECT_EQ(readFile(moved), "contents");
  EXPECT_EQ(removeFile(moved.c_str()), 0);
  EXPECT_EQ(removeFile(moved.c_str()), 0);  // already gone is fine
  EXPECT_EQ(FullCopy(folder.path("none").c_str(), target.c_str()), -1);
}

TEST_F(SystemUtilityTest, FileStatus) {
  TemporaryFolder folder;
  std::string file = folder.write("f", "12345");
  chmod(file.c_str(), 0600);
  EXPECT_EQ(fsize(file.c_str()), 5);
  EXPECT_EQ(getReadPerm(file.c_str()), 1);
  EXPECT_EQ(getWritePerm(file.c_str()), 2);
  EXPECT_EQ(getExecPerm(file.c_str()), 0);
  EXPECT_EQ(fsize(folder.path("none").c_str()), -1);
  EXPECT_EQ(getReadPerm(folder.path("none").c_str()), -1);
  EXPECT_EQ(checkSocket(file.c_str()), 1);
  EXPECT_EQ(getUid(file.c_str()), static_cast<int>(getuid()));
}

TEST_F(SystemUtilityTest, WholeFilesAreReadWithoutZeroBytes) {
  TemporaryFolder folder;
  std::string clean = folder.write("clean", "line 1\nline 2\n");
  std::string text;
  EXPECT_TRUE(readFileText(clean.c_str(), text));
  EXPECT_EQ(text, "line 1\nline 2\n");
  char* pooled = fileToString(clean.c_str(), "TestFileBuffer");
  ASSERT_NE(pooled, nullptr);
  EXPECT_STREQ(pooled, "line 1\nline 2\n");
  EXPECT_GE(MemorySize("TestFileBuffer"), 14 + 1000);  // the file's size + 1000
  EXPECT_EQ(firstlinelen(clean.c_str()), 7);
}

TEST_F(SystemUtilityTest, ZeroBytesAreReportedAsRubbish) {
  TemporaryFolder folder;
  std::string dirty = folder.write("dirty", std::string("ab\0cd\0e", 7));
  OutputCapture capture;
  ScriptedAnswers answers({"ok"});  // severity 4 asks
  std::string text;
  EXPECT_TRUE(readFileText(dirty.c_str(), text));
  EXPECT_EQ(text, "abcde");
  // Four characters were stored before the last zero byte.
  EXPECT_NE(capture.all.find("Rubbish in file \"" + dirty + "\" at position 4"), std::string::npos);
}

TEST_F(SystemUtilityTest, MissingFilesAndFoldersAreNotRead) {
  TemporaryFolder folder;
  OutputCapture capture;
  ScriptedAnswers answers({"ok", "ok"});
  std::string text;
  EXPECT_FALSE(readFileText(folder.path("none").c_str(), text));
  EXPECT_NE(capture.all.find("File \"" + folder.path("none") + "\" does not exist"), std::string::npos);
  EXPECT_FALSE(readFileText(folder.path().c_str(), text));
  EXPECT_NE(capture.all.find("file \"" + folder.path() + "\" is a directory"), std::string::npos);
}

TEST_F(SystemUtilityTest, HexFilesBecomeIntsEndedByMinusOne) {
  TemporaryFolder folder;
  std::string file = folder.write("h", std::string("\x01\xff\0", 3));
  int* bytes = HexfileToString(file.c_str(), "TestHexBuffer");
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 255);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], -1);
}

TEST_F(SystemUtilityTest, DirwalkVisitsEveryEntryButDots) {
  TemporaryFolder folder;
  folder.write("one", "1");
  folder.write("two", "2");
  static std::vector<std::string> seen;
  seen.clear();
  dirwalk(folder.path().c_str(), [](const char* path) { seen.push_back(path); });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{folder.path("one"), folder.path("two")}));
  OutputCapture capture;
  dirwalk(folder.path("none").c_str(), [](const char*) {});
  EXPECT_EQ(capture.diagnostics, "dirwalk: cannot open " + folder.path("none") + "\n");
}

TEST_F(SystemUtilityTest, CommandStringsAreExpanded) {
  std::string command = processCommandString("run $f $t $e $r", "dir/name.ext", 8);
  EXPECT_EQ(command, "run dir/name.ext dir/name ext name");
  EXPECT_EQ(ExecuteSilent("echo first; echo second", 0), "first");
}

TEST_F(SystemUtilityTest, CpuTimeKeepsIncreasingAcrossAClockWrap) {
  FixedClock clock(4000000000LL);
  EXPECT_DOUBLE_EQ(CPUTime(), 4000.0);
  clock.set(4294000000LL);
  EXPECT_DOUBLE_EQ(CPUTime(), 4294.0);
  clock.set(1000000LL);  // the clock wrapped
  EXPECT_DOUBLE_EQ(CPUTime(), 1.0 + 4294.96);
  clock.set(1050000LL);  // less than 0.1 s back would not count; forward never does
  EXPECT_DOUBLE_EQ(CPUTime(), 1.05 + 4294.96);
  double mark = 4290.0;
  EXPECT_NEAR(TimeDifference(&mark, 1), 1.05 + 4.96, 1e-9);
  EXPECT_DOUBLE_EQ(mark, 1.05 + 4294.96);
}

TEST_F(SystemUtilityTest, AProcessorTimeLimitPassesWhenTheProcessorClockSaysSo) {
  {
    // A replaced clock is read by every question: 10 s, then 12.5 s (2.5 s used, not more
    // than 2.5), then 12.6 s (2.6 s: passed).
    FixedClock clock(10000000LL);
    ProcessorTimeLimit limit(2.5);
    EXPECT_DOUBLE_EQ(limit.start(), 10.0);
    clock.set(12500000LL);
    EXPECT_FALSE(limit.passed());
    clock.set(12600000LL);
    EXPECT_TRUE(limit.passed());
  }
  // The process clock: a limit of a minute has not passed a moment after it was set, one
  // of zero seconds has once some processor time is used.
  ProcessorTimeLimit minute(60.0);
  ProcessorTimeLimit none(0.0);
  volatile double sink = 0.0;
  for (int i = 0; i < 20000000 && !none.passed(); ++i) sink = sink + std::sqrt(static_cast<double>(i));
  EXPECT_TRUE(none.passed());
  EXPECT_FALSE(minute.passed());
}

TEST_F(SystemUtilityTest, WorkingPeriodIsWeekdaysFromNineToSeven) {
  EXPECT_EQ(isWorkingPeriod(6, 10), 0);  // Saturday 10:00
  EXPECT_EQ(isWorkingPeriod(1, 18), 1);  // Monday 18:59
  EXPECT_EQ(isWorkingPeriod(1, 19), 0);  // Monday 19:00
  EXPECT_EQ(isWorkingPeriod(0, 12), 0);  // Sunday
  EXPECT_EQ(isWorkingPeriod(2, 9), 1);
  EXPECT_EQ(isWorkingPeriod(2, 8), 0);
  EXPECT_GE(getWeekDay(), 0);
  EXPECT_LE(getWeekDay(), 6);
}

TEST_F(SystemUtilityTest, HostNameIsBounded) {
  std::string host = getCurrentHostName();
  EXPECT_FALSE(host.empty());
  EXPECT_LE(host.size(), 80u);
}

// Feeds standard input from text for one call of getstring.
int readLineFrom(const std::string& text, std::string& line, int limit) {
  TemporaryFolder folder;
  std::string path = folder.write("input", text);
  EXPECT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
  int result = getstring(line, limit);
  EXPECT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
  return result;
}

TEST_F(SystemUtilityTest, GetstringKeepsTheWholeLineAndDropsTheNewline) {
  std::string line;
  EXPECT_EQ(readLineFrom("abcdefgh\nnext\n", line, 10), 1);  // 8 characters fit a limit of 10
  EXPECT_EQ(line, "abcdefgh");
  EXPECT_EQ(readLineFrom("last line without newline", line, 1022), 1);
  EXPECT_EQ(line, "last line without newline");  // nothing lost at the end of the input
  EXPECT_EQ(readLineFrom("", line, 1022), 0);
  EXPECT_EQ(readLineFrom("\n", line, 1022), 1);
  EXPECT_EQ(line, "");
}

TEST_F(SystemUtilityTest, GetstringRefusesALineBeyondTheLimit) {
  OutputCapture capture;
  std::string line;
  EXPECT_EQ(readLineFrom("abcdefghi\n", line, 10), -1);  // 9 characters exceed a limit of 10
  EXPECT_EQ(line, "");
  EXPECT_NE(capture.diagnostics.find("Input line longer than 8 characters refused"), std::string::npos);
}

TEST_F(SystemUtilityTest, ExitRoutineIsReplaceableAndStdexitReports) {
  EXPECT_EXIT(GracefulExit(3), ::testing::ExitedWithCode(3), "");
  setExitRoutine([](int status) { std::_Exit(status + 10); });
  EXPECT_EXIT(GracefulExit(3), ::testing::ExitedWithCode(13), "");
  resetExitRoutine();
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        stdexit(5);
      },
      ::testing::ExitedWithCode(5), "Program exiting with code 5");
}

// A process status holds 8 bits: the program's statuses 1111 and 1112 would otherwise
// arrive as 87 and 88 only by accident of truncation, and others could become 0.
TEST_F(SystemUtilityTest, StatusesBeyondAByteAreMappedToDistinctValues) {
  EXPECT_EXIT(GracefulExit(1111), ::testing::ExitedWithCode(87), "");
  EXPECT_EXIT(GracefulExit(1112), ::testing::ExitedWithCode(88), "");
  EXPECT_EXIT(GracefulExit(1280), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(GracefulExit(-1), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(mapExitStatus(200), 200);
}

}  // namespace
