// The output layer: terminal, output file and capture; the status line; the program
// name; banners and vector printers; opening output files with the /tmp fallback.
#include "runtime/Output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "interpreter/Interpreter.h"
#include "program/Boot.h"
#include "runtime/Error.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAll(); }
};

TEST_F(OutputTest, AnOutputFileTakesPrintButNotInform) {
  TemporaryFolder folder;
  std::string path = folder.path("out.txt");
  OutputCapture capture;
  setOutputFile(std::fopen(path.c_str(), "w"));
  Print("to the file %d\n", 1);
  Inform("to the terminal\n");
  setOutputFile(nullptr);
  EXPECT_EQ(readFile(path), "to the file 1\n");
  EXPECT_EQ(capture.printed, "to the terminal\n");
}

TEST_F(OutputTest, WithTerminalOutputOffOnlyTheFileIsWritten) {
  TemporaryFolder folder;
  std::string path = folder.path("quiet.txt");
  OutputCapture capture;
  TerminalOutputOff();
  Print("dropped\n");
  Inform("dropped too\n");
  setOutputFile(std::fopen(path.c_str(), "w"));
  Print("kept\n");
  setOutputFile(nullptr);
  TerminalOutputOn();
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(readFile(path), "kept\n");
}

TEST_F(OutputTest, WhatNobodyReceivesIsDroppedBeforeFormatting) {
  OutputCapture capture;
  EXPECT_FALSE(printDiscarded());
  EXPECT_EQ(Print("%d\n", 12), 3);
  TerminalOutputOff();
  EXPECT_TRUE(printDiscarded());
  EXPECT_EQ(Print("%d\n", 12), 0);
  EXPECT_EQ(PrintText("text\n"), 0);
  EXPECT_EQ(PrintToFile(nullptr, "%s", "dropped\n"), 0);
  int v[] = {1, 2};
  PrintVec(2, v, "v");
  PrintDoubleVec(1, std::vector<double>{0.5}.data(), "d");
  EXPECT_EQ(capture.all, "12\n");
  // A capture (a command called as a function) still receives everything.
  std::size_t start = returnBufferOn();
  EXPECT_FALSE(printDiscarded());
  Print("%d,", 7);
  PrintText("text,");
  PrintVec(2, v, "v");
  returnBufferOff();
  EXPECT_EQ(takeReturnBuffer(start), "7,text,v  (1,2)\n");
  // So does an output file.
  TemporaryFolder folder;
  std::string path = folder.path("kept.txt");
  setOutputFile(std::fopen(path.c_str(), "w"));
  EXPECT_FALSE(printDiscarded());
  PrintText("file ");
  Print("%.2f\n", 0.125);
  setOutputFile(nullptr);
  TerminalOutputOn();
  EXPECT_EQ(readFile(path), "file 0.12\n");
  EXPECT_EQ(capture.all, "12\n");
}

TEST_F(OutputTest, PrintTextTakesTheRoadOfPrint) {
  OutputCapture capture;
  EXPECT_EQ(PrintText("100% as given\n"), 14);
  EXPECT_EQ(capture.printed, "100% as given\n");
  Print("%s", "%d is not read\n");
  EXPECT_EQ(capture.printed, "100% as given\n%d is not read\n");
  TemporaryFolder folder;
  std::string path = folder.path("text.txt");
  capture.clear();
  setOutputFile(std::fopen(path.c_str(), "w"));
  PrintText("to the file\n");
  setOutputFile(nullptr);
  EXPECT_EQ(readFile(path), "to the file\n");
  EXPECT_EQ(capture.all, "");
}

TEST_F(OutputTest, SinkFlushPutsTheOutputFileOnDisk) {
  // A child process (a "system" command) must find everything printed so far.
  TemporaryFolder folder;
  std::string path = folder.path("flushed.txt");
  setOutputFile(std::fopen(path.c_str(), "w"));
  for (int k = 0; k < 3; ++k) Print("line %d\n", k);
  sinkFlush();
  EXPECT_EQ(readFile(path), "line 0\nline 1\nline 2\n");
  setOutputFile(nullptr);
}

TEST_F(OutputTest, MessagesToTheErrorStreamComeAfterWhatWasPrinted) {
  // Standard output and standard error into one file, as "zoq > log 2>&1" does.
  TemporaryFolder folder;
  std::string path = folder.path("merged.txt");
  sinkFlush();
  const int savedOut = dup(1);
  const int savedError = dup(2);
  FILE* merged = std::fopen(path.c_str(), "w");
  ASSERT_NE(merged, nullptr);
  dup2(fileno(merged), 1);
  dup2(fileno(merged), 2);
  Print("first\n");
  printErrorMessage("second\n");
  Print("third\n");
  sinkFlush();
  dup2(savedOut, 1);
  dup2(savedError, 2);
  close(savedOut);
  close(savedError);
  std::fclose(merged);
  EXPECT_EQ(readFile(path), "first\nsecond\nthird\n");
}

TEST_F(OutputTest, CapturesNestAndAppend) {
  OutputCapture capture;
  std::size_t outer = returnBufferOn();
  EXPECT_EQ(outer, 0u);
  Print("outer %s ", "before");
  std::size_t inner = returnBufferOn();
  EXPECT_EQ(getReturnToBuffer(), 2);
  EXPECT_EQ(inner, std::string("outer before ").size());
  Print("inner\n");
  Inform("informed\n");
  returnBufferOff();
  EXPECT_EQ(takeReturnBuffer(inner), "inner\ninformed\n");
  Print("after");
  returnBufferOff();
  EXPECT_EQ(getReturnToBuffer(), 0);
  // The inner capture did not destroy the outer one's text.
  EXPECT_EQ(takeReturnBuffer(outer), "outer before after");
  EXPECT_EQ(capture.all, "");
}

TEST_F(OutputTest, TheOutermostCaptureStartsEmpty) {
  returnBufferOn();
  Print("old");
  returnBufferOff();
  EXPECT_EQ(returnBufferOn(), 0u);
  EXPECT_EQ(getReturnBuffer(), "");
  returnBufferOff();
}

TEST_F(OutputTest, PrintToFileWritesToTheStreamOrPrints) {
  TemporaryFolder folder;
  std::string path = folder.path("stream.txt");
  FILE* file = std::fopen(path.c_str(), "w");
  OutputCapture capture;
  PrintToFile(file, "%s=%d\n", "x", 3);
  PrintToFile(nullptr, "printed\n");
  std::fclose(file);
  EXPECT_EQ(readFile(path), "x=3\n");
  EXPECT_EQ(capture.printed, "printed\n");
}

TEST_F(OutputTest, PrintClosesAnOpenStatusLineFirst) {
  OutputCapture capture;
  PrintNoRepeat("Working on ", "A");
  EXPECT_EQ(getAtLineBegin(), 1);
  Print("result\n");
  EXPECT_EQ(getAtLineBegin(), 0);
  // Line feed, blanks over the status line (its length + 10 + 1) and a carriage return.
  EXPECT_EQ(capture.all, "\nWorking on A\r\n" + std::string(23, ' ') + "\rresult\n");
}

TEST_F(OutputTest, TheStatusLineCountsRepeats) {
  OutputCapture capture;
  PrintNoRepeat("Step ", "x");
  PrintNoRepeat("Step ", "x");
  PrintNoRepeat("Step ", "x");
  PrintNoRepeat("Other ", "y");
  EXPECT_EQ(capture.progress, "\nStep x\rStep x [1]\rStep x [2]\r\nOther y\r");
}

TEST_F(OutputTest, BackgroundStatusLinesNeedATraceMarker) {
  TemporaryFolder folder;
  setTraceMarkerFolder(folder.path().c_str());
  std::string name = "ZoqUnit";
  setProgName(name.c_str());
  std::string trace = folder.path(name + "_trace");
  std::string notrace = folder.path(name + "_notrace");
  setBackground(1);
  OutputCapture capture;
  PrintNoRepeat("Hidden ", "1");
  EXPECT_EQ(capture.all, "");
  EXPECT_EQ(ProgressInfoRequired(), 0);
  std::ofstream(trace) << "";
  EXPECT_EQ(ProgressInfoRequired(), 1);
  PrintNoRepeat("Shown ", "2");
  EXPECT_EQ(capture.progress, "\nShown 2\r");
  std::ofstream(notrace) << "";
  EXPECT_EQ(ProgressInfoRequired(), 0);
  std::remove(trace.c_str());
  std::remove(notrace.c_str());
  setBackground(0);
  setTraceMarkerFolder(nullptr);
}

// The trace markers, like those of run control, are looked for in /tmp, or in the folder
// that ZOQ_MARKER_FOLDER names (the tests of the real binary give each run its own).
TEST_F(OutputTest, TraceMarkersAreLookedForInTheFolderOfTheEnvironment) {
  const char* given = std::getenv("ZOQ_MARKER_FOLDER");
  const std::string inherited = given != nullptr ? given : "";
  TemporaryFolder folder;
  std::ofstream(folder.path("Zoq_trace")) << "";
  setProgName("Zoq");
  setenv("ZOQ_MARKER_FOLDER", folder.path().c_str(), 1);
  EXPECT_EQ(markerFolderFromEnvironment(), folder.path());
  resetOutput();
  EXPECT_EQ(ProgressInfoRequired(), 1);
  setenv("ZOQ_MARKER_FOLDER", "", 1);
  EXPECT_EQ(markerFolderFromEnvironment(), "/tmp");
  unsetenv("ZOQ_MARKER_FOLDER");
  EXPECT_EQ(markerFolderFromEnvironment(), "/tmp");
  resetOutput();
  setTraceMarkerFolder(folder.path().c_str());
  EXPECT_EQ(ProgressInfoRequired(), 1);
  if (given != nullptr) setenv("ZOQ_MARKER_FOLDER", inherited.c_str(), 1);
  setTraceMarkerFolder(nullptr);
}

TEST_F(OutputTest, BackgroundModeEndsInteractiveInput) {
  setInteractive(1);
  setBackground(1);
  EXPECT_EQ(getInteractive(), 0);
  EXPECT_EQ(getBackground(), 1);
  setBackground(0);
}

TEST_F(OutputTest, ProgramNamesAreCutAtTwentyFourCharacters) {
  EXPECT_STREQ(getProgName(), "Zoq");
  EXPECT_STREQ(getLowerCaseProgName(), "zoq");
  OutputCapture capture;
  setProgName("ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_STREQ(getProgName(), "ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_EQ(capture.all, "");
  setProgName("ABCDEFGHIJKLMNOPQRSTUVWXY");
  EXPECT_STREQ(getProgName(), "ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_STREQ(getLowerCaseProgName(), "abcdefghijklmnopqrstuvwx");
  EXPECT_EQ(capture.diagnostics, "Name ABCDEFGHIJKLMNOPQRSTUVWXY too long; truncated to 24 characters\n");
}

TEST_F(OutputTest, IntegerVectors) {
  OutputCapture capture;
  int v[] = {1, -2, 30};
  PrintVec(3, v, "v");
  PrintSignedVec(3, v, "s");
  PrintVectorData(3, v);
  PrintVec(0, v, "none");
  EXPECT_EQ(capture.printed, "v  (1,-2,30)\ns  ( 1,-2,30)\n    1    -2    30\n");
}

TEST_F(OutputTest, VectorFieldsGrowForWideNumbers) {
  OutputCapture capture;
  int v[] = {-123, 7, 100000};
  PrintSignedVec(3, v, "s");
  PrintVectorData(3, v);
  std::string line;
  appendVecLine(line, 3, v, " ");
  appendVecLine(line, 0, v, "none");
  EXPECT_EQ(capture.printed, "s  (-123, 7,100000)\n -123     7 100000\n");
  EXPECT_EQ(line, "   (-123,7,100000)\n");
  capture.clear();
  // Rounded to 9 decimals, ties to even, negative zero kept: 2^-10 = 0.0009765625.
  double d[] = {-0.0, 0.0009765625, -1e-12, 12345.6789};
  PrintDoubleVec(4, d, "x");
  EXPECT_EQ(capture.printed, "x (-0.000000000, 0.000976562,-0.000000000,12345.678900000)\n");
}

TEST_F(OutputTest, DoubleVectorsComeFourToALine) {
  OutputCapture capture;
  double v[] = {1.0, 0.5, -0.25, 2.0, 3.0};
  PrintDoubleVec(5, v, "d");
  EXPECT_EQ(capture.printed,
            "d ( 1.000000000, 0.500000000,-0.250000000, 2.000000000,\n"
            "    3.000000000)\n");
}

TEST_F(OutputTest, ComplexVectorsTellRealFromComplex) {
  OutputCapture capture;
  double re[] = {1.0, 2.0};
  double almostZero[] = {1e-9, -1e-8};
  double im[] = {0.0, 0.5};
  EXPECT_EQ(PrintComplexVec(2, re, almostZero, "S"), 1);
  EXPECT_EQ(capture.printed, "S (Real)\n     ( 1.000000000, 2.000000000)\n");
  capture.clear();
  EXPECT_EQ(PrintComplexVec(2, re, im, "T"), 0);
  EXPECT_EQ(capture.printed,
            "T (Complex)\nRe:  ( 1.000000000, 2.000000000)\nIm:  ( 0.000000000, 0.500000000)\n");
}

TEST_F(OutputTest, BannersAndSeparators) {
  OutputCapture capture;
  std::string line(98, '-');  // the separator width (see TerminalTest)
  PrintBannerWithText('-', "\nTitle %d%%", 5);
  EXPECT_EQ(capture.printed, "\n" + line + "\nTitle 5%\n" + line + "\n");
  capture.clear();
  PrintSeparatorWithText('.', "Part");
  EXPECT_EQ(capture.printed, std::string(19, '.') + " Part " + std::string(73, '.') + "\n");
  TemporaryFolder folder;
  std::string path = folder.path("banner.txt");
  FILE* file = std::fopen(path.c_str(), "w");
  PrintBannerWithTextToFile(file, '=', "In a file");
  PrintSeparatorWithTextToFile(file, '=', "");
  std::fclose(file);
  std::string equals(98, '=');
  EXPECT_EQ(readFile(path), equals + "\nIn a file\n" + equals + "\n" + std::string(19, '=') + "  " +
                                std::string(77, '=') + "\n");
}

TEST_F(OutputTest, GetFileOpensTheGivenPathWithoutBlanksAndQuotes) {
  TemporaryFolder folder;
  std::string wanted = folder.path("named.txt");
  std::string typed = "'" + wanted.substr(0, 5) + " " + wanted.substr(5) + "'";
  FILE* file = getFile("output file", "w", typed);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(typed, wanted);
  std::fclose(file);
  EXPECT_TRUE(fs::exists(wanted));
}

TEST_F(OutputTest, ANonInteractiveRunFallsBackToAFreshFileUnderTmp) {
  TemporaryFolder folder;
  std::string path = folder.path("missing/out.txt");
  OutputCapture capture;
  FILE* file = getFile("output file", "w", path);
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(path.rfind("/tmp/OUT", 0), 0u);
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_NE(capture.diagnostics.find("Cannot open " + folder.path("missing/out.txt")), std::string::npos);
  EXPECT_NE(capture.diagnostics.find("Writing to " + path), std::string::npos);
  // The next fallback never reuses a name that exists.
  std::string second = folder.path("missing/again.txt");
  FILE* again = getFile("output file", "a", second);
  ASSERT_NE(again, nullptr);
  std::fclose(again);
  EXPECT_NE(second, path);
  std::remove(path.c_str());
  std::remove(second.c_str());
}

TEST_F(OutputTest, AFileToReadHasNoFallback) {
  TemporaryFolder folder;
  std::string path = folder.path("none.txt");
  OutputCapture capture;
  EXPECT_EQ(getFile("input file", "r", path), nullptr);
  EXPECT_NE(capture.diagnostics.find("Cannot open " + path), std::string::npos);
}

}  // namespace
