// The write buffers of standard output and of the output file of the "file" commands, and
// the handlers that end a run stopped by a signal without losing what it printed.
//
// A run in the background writes millions of lines into a file, so its output must be
// buffered; and it is often ended by a signal (Ctrl-C, "kill", "timeout" and batch systems
// send SIGINT or SIGTERM), whose default action throws away whatever a stdio buffer holds,
// and a handler may not call fflush. So the two buffers are plain byte arrays whose state a
// handler can read at any instant:
//   committed  bytes appended whole (a piece is copied first, then its length published);
//   inFlight   1 while somebody (a flush, or the handler) owns the buffer's bytes.
// The handler of SIGINT, SIGTERM, SIGHUP and SIGPIPE takes each buffer that no flush owns
// and writes its committed bytes with write(2), then ends the process with
// _exit(128 + signal): 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP, 141 for SIGPIPE.
// It calls only async-signal-safe functions and touches only lock-free atomics and the
// arrays, so it is sound wherever it interrupts the program (or runs on another thread).
// A buffer that a flush owns is left alone: its bytes are being passed to the kernel (a
// write to a regular file completes before the signal is delivered), so nothing is written
// twice; only a write to a pipe cut short by the signal loses its rest.
//
// The buffers cost what stdio costs: a copy into the array, and a write(2) per 64 KB (per
// line where standard output is a terminal, as stdio's line buffering does). Nothing is
// flushed by a timer: until the buffer fills or sinkFlush runs, a line sits in memory, and
// the handler is what puts it on disk when the run is stopped. (A SIGKILL still loses the
// buffer, as it would lose stdio's.) So that a log followed while a long job runs is not
// 64 KB behind, the polls of long loops call writeOutAgedOutput, which writes out what has
// waited for a second or more (it looks at the clock once in 256 calls).
//
// Both buffers live for the process, in static storage (the handler allocates nothing).
// Standard output's buffer writes to descriptor 1; the output file's buffer has no
// descriptor until setOutputFile gives it one. Forked children inherit the buffers: a child
// other than the process that installed the handlers takes a signal's default action, so a
// worker never writes its parent's pending text.
#pragma once

#include <atomic>
#include <cstddef>

class CommittedBuffer {
 public:
  static constexpr std::size_t kCapacity = std::size_t{1} << 16;

  constexpr explicit CommittedBuffer(int descriptor) : descriptor_(descriptor) {}
  // What is held at the end of the process is written out.
  ~CommittedBuffer() { flush(); }
  CommittedBuffer(const CommittedBuffer&) = delete;
  CommittedBuffer& operator=(const CommittedBuffer&) = delete;

  // Writes what is held to the old descriptor, then writes to this one (-1: none; text
  // appended then is dropped). Line buffering is decided anew (a terminal gets it).
  void setDescriptor(int descriptor);
  int descriptor() const { return descriptor_.load(std::memory_order_relaxed); }
  // Copies the text in; writes the buffer out when it is full (and after a line feed when
  // line buffered). Text longer than the buffer is written at once.
  void append(const char* text, std::size_t length);
  // Writes everything held. A write error drops the held text (as stdio does), a full
  // non-blocking pipe is waited for, an interrupted write is repeated.
  void flush();
  // Bytes held and not yet written.
  std::size_t pending() const;
  // The handler's part: writes the committed bytes, unless a flush owns the buffer. Async-signal-safe; it leaves the buffer owned (the process ends next).
  void writeCommittedFromSignal();

 private:
  // Takes the write position; false when somebody else holds it.
  bool own() { return inFlight_.exchange(1, std::memory_order_acquire) == 0; }
  // Writes the committed bytes and empties the buffer; the caller owns it.
  void writeOutOwned();
  // Writes a text longer than the buffer straight to the descriptor.
  void writeThrough(const char* text, std::size_t length);
  void decideLineBuffering();

  std::atomic<int> descriptor_;
  std::atomic<std::size_t> committed_{0};
  std::atomic<int> inFlight_{0};
  int lineBuffered_ = -1;  // -1 until the first append looks at the descriptor
  char data_[kCapacity] = {};
};

static_assert(std::atomic<std::size_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free lengths");

CommittedBuffer& standardOutputBuffer();
CommittedBuffer& outputFileBuffer();

// Writes out both buffers when they hold text and nothing was written for a second or
// more. Costs a counter in 255 of 256 calls, a clock reading in the other.
void writeOutAgedOutput();

// Installs the handler for SIGINT, SIGTERM, SIGHUP and SIGPIPE, each unless it is ignored
// when the program starts (a run under "nohup", or a background job of a shell without job
// control, keeps ignoring what it was told to ignore). Called once by main; the process
// calling it is the one whose buffers the handler writes.
void installTerminationHandlers();
// Gives a signal back to the handler (or the default action where the handler is not
// installed for it): the interactive Ctrl-C handler uses it when it steps down.
void restoreTerminationAction(int signal);
// The handler's ending, for another handler of the process that installed it: writes out
// the committed bytes of both buffers and ends the process with _exit(128 + signal).
// In any other process, the signal's default action. Async-signal-safe. (The interactive
// Ctrl-C handler ends an unanswered run through it.)
[[noreturn]] void endRunFromSignal(int signal);
// Whether the handler is installed for the signal.
bool terminationHandlerInstalled(int signal);
