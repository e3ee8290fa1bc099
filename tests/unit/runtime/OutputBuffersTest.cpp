// The buffers of standard output and the output file, and the handler that writes them out
// when a signal ends the run: text arrives whole and in order, a terminal gets its lines at
// once, a stopped process (forked here, so that its end can be watched) leaves everything
// it had printed and the status 128 + signal, a forked worker of it takes the default
// action, and a signal ignored at the start stays ignored.
#include "runtime/OutputBuffers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "program/Boot.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "TestSupport.h"

namespace {

int openForWriting(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); }

class OutputBuffersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    // Nothing of this process may be pending in a child's copy of the buffers.
    sinkFlush();
  }
};

TEST_F(OutputBuffersTest, TextArrivesWholeAndInOrderAcrossFullBuffersAndLongPieces) {
  TemporaryFolder folder;
  const std::string path = folder.path("out.txt");
  const int descriptor = openForWriting(path);
  ASSERT_GE(descriptor, 0);
  auto buffer = std::make_unique<CommittedBuffer>(descriptor);
  std::string expected;
  // Pieces of 1 to 997 bytes fill the buffer many times; one piece longer than the buffer
  // goes straight through after what was held.
  for (int k = 0; k < 2000; ++k) {
    const std::string piece(static_cast<std::size_t>(1 + (k * 37) % 997), static_cast<char>('a' + k % 26));
    buffer->append(piece.data(), piece.size());
    expected += piece;
    if (k == 1000) {
      const std::string longPiece(CommittedBuffer::kCapacity + 5, '#');
      buffer->append(longPiece.data(), longPiece.size());
      expected += longPiece;
    }
  }
  buffer->flush();
  EXPECT_EQ(buffer->pending(), 0u);
  close(descriptor);
  EXPECT_EQ(readFile(path), expected);
}

TEST_F(OutputBuffersTest, TextIsHeldUntilFlushedAndDroppedWithoutADescriptor) {
  TemporaryFolder folder;
  const std::string path = folder.path("out.txt");
  const int descriptor = openForWriting(path);
  ASSERT_GE(descriptor, 0);
  auto buffer = std::make_unique<CommittedBuffer>(descriptor);
  buffer->append("held\n", 5);
  EXPECT_EQ(buffer->pending(), 5u);
  EXPECT_EQ(readFile(path), "");
  buffer->setDescriptor(-1);  // writes what it holds to the old descriptor first
  EXPECT_EQ(readFile(path), "held\n");
  buffer->append("nowhere\n", 8);
  buffer->flush();
  EXPECT_EQ(buffer->pending(), 0u);
  close(descriptor);
  EXPECT_EQ(readFile(path), "held\n");
}

TEST_F(OutputBuffersTest, ATerminalGetsEachLineAtOnce) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  auto buffer = std::make_unique<CommittedBuffer>(slave);
  buffer->append("par", 3);
  EXPECT_EQ(buffer->pending(), 3u);  // no line feed yet: held, as stdio's line buffering does
  buffer->append("tial\nnext", 9);
  EXPECT_EQ(buffer->pending(), 0u);
  // The terminal turns the line feed into CR LF.
  std::string seen;
  char piece[64];
  while (seen.find("next") == std::string::npos) {
    const ssize_t got = read(master, piece, sizeof piece);
    ASSERT_GT(got, 0);
    seen.append(piece, static_cast<std::size_t>(got));
  }
  EXPECT_EQ(seen, "partial\r\nnext");
  buffer->setDescriptor(-1);
  close(slave);
  close(master);
}

// Runs body in a forked child and returns its wait status.
template <class Body>
int inAChild(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(100);  // the body was to end the process itself
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

struct Stop {
  int signal;
  int status;
};

class StoppedProcess : public OutputBuffersTest, public ::testing::WithParamInterface<Stop> {};

// Everything appended before the signal is written, nothing twice; the status is
// 128 + signal (the shells' convention for a process ended by a signal).
TEST_P(StoppedProcess, WritesWhatItHeldAndEndsWithTheSignalsStatus) {
  TemporaryFolder folder;
  const std::string outputPath = folder.path("output.txt");
  const std::string filePath = folder.path("file.txt");
  const int signal = GetParam().signal;
  const int status = inAChild([&] {
    standardOutputBuffer().setDescriptor(openForWriting(outputPath));
    outputFileBuffer().setDescriptor(openForWriting(filePath));
    installTerminationHandlers();
    for (int k = 0; k < 30000; ++k) {  // several full buffers, then a part of one
      const std::string line = std::to_string(k) + "\n";
      standardOutputBuffer().append(line.data(), line.size());
      outputFileBuffer().append(line.data(), line.size());
    }
    raise(signal);
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), GetParam().status);
  std::string expected;
  for (int k = 0; k < 30000; ++k) expected += std::to_string(k) + "\n";
  EXPECT_EQ(readFile(outputPath), expected);
  EXPECT_EQ(readFile(filePath), expected);
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedProcess,
                         ::testing::Values(Stop{SIGINT, 130}, Stop{SIGTERM, 143}, Stop{SIGHUP, 129},
                                           Stop{SIGPIPE, 141}));

// Through the printing channel: Print to the output file of "file", Inform to standard
// output; the Ctrl-C handler of an interactive run, once it steps down, gives SIGINT back.
TEST_F(OutputBuffersTest, PrintedTextOfAStoppedRunIsKept) {
  TemporaryFolder folder;
  const std::string outputPath = folder.path("output.txt");
  const std::string filePath = folder.path("file.txt");
  const int status = inAChild([&] {
    const int output = openForWriting(outputPath);
    dup2(output, STDOUT_FILENO);
    close(output);
    standardOutputBuffer().setDescriptor(STDOUT_FILENO);
    installTerminationHandlers();
    installInterruptHandler();
    removeInterruptHandler();
    setOutputFile(std::fopen(filePath.c_str(), "w"));
    Print("to the file %d\n", 1);
    Inform("to standard output %d\n", 2);
    raise(SIGINT);
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(readFile(filePath), "to the file 1\n");
  EXPECT_EQ(readFile(outputPath), "to standard output 2\n");
}

// A process forked by the run (a worker) that gets the signal ends by it as if there were
// no handler, and never writes the run's pending text.
TEST_F(OutputBuffersTest, AForkedWorkerTakesTheDefaultAction) {
  TemporaryFolder folder;
  const std::string filePath = folder.path("file.txt");
  const int status = inAChild([&] {
    outputFileBuffer().setDescriptor(openForWriting(filePath));
    installTerminationHandlers();
    outputFileBuffer().append("pending in the run\n", 19);
    const pid_t worker = fork();
    if (worker == 0) {
      raise(SIGTERM);
      _exit(100);
    }
    int workerStatus = 0;
    waitpid(worker, &workerStatus, 0);
    _exit(WIFSIGNALED(workerStatus) && WTERMSIG(workerStatus) == SIGTERM ? 0 : 1);
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readFile(filePath), "");  // neither the worker nor the run (ended by _exit) wrote
}

// A signal ignored when the program starts (nohup, a background job without job control)
// stays ignored; the others get the handler.
TEST_F(OutputBuffersTest, ASignalIgnoredAtTheStartStaysIgnored) {
  const int status = inAChild([] {
    std::signal(SIGHUP, SIG_IGN);
    installTerminationHandlers();
    raise(SIGHUP);
    restoreTerminationAction(SIGHUP);
    raise(SIGHUP);
    _exit(!terminationHandlerInstalled(SIGHUP) && terminationHandlerInstalled(SIGTERM) ? 0 : 1);
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
