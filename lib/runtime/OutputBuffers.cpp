// Output buffers a terminating signal still writes out (see the header for the protocol).
#include "runtime/OutputBuffers.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

namespace {

constinit CommittedBuffer standardOutput{STDOUT_FILENO};
constinit CommittedBuffer outputFile{-1};

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int kSignalSlots = 65;

// Set by installTerminationHandlers before any handler is installed, read by the handler.
std::atomic<pid_t> ownerProcess{0};
bool handlerInstalled[kSignalSlots] = {};
bool ignoredAtStart[kSignalSlots] = {};

bool slotFor(int signal) { return signal > 0 && signal < kSignalSlots; }

// The last time a buffer was written out (steady clock, seconds), and the calls of
// writeOutAgedOutput since it last looked at the clock. Never touched by the handler.
double lastWriteOut = 0.0;
unsigned agePolls = 0;

double steadyNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Writes all of [text, text + length) to the descriptor: repeats after an interruption,
// waits while a non-blocking descriptor is full; false at any other failure.
// Async-signal-safe (write, poll).
bool writeAll(int descriptor, const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(descriptor, text, length);
    if (n > 0) {
      text += n;
      length -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd ready {descriptor, POLLOUT, 0};
      if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    return false;
  }
  return true;
}

extern "C" void endRunOnSignal(int signal) {
  if (::getpid() != ownerProcess.load(std::memory_order_relaxed)) {
    // A forked worker: the default action, as if the handler had never been there. The
    // signal is blocked while this runs, so raise leaves it pending until the return.
    const int saved = errno;
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    ::raise(signal);
    errno = saved;
    return;
  }
  endRunFromSignal(signal);
}

void setAction(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // A second signal waits until the first has written the buffers (and ended the run).
  for (int other : kTerminationSignals) sigaddset(&action.sa_mask, other);
  action.sa_flags = SA_RESTART;
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

void endRunFromSignal(int signal) {
  if (::getpid() != ownerProcess.load(std::memory_order_relaxed)) {
    // Not the owner of the buffers (a process forked from it): the signal's default action.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
  }
  standardOutput.writeCommittedFromSignal();
  outputFile.writeCommittedFromSignal();
  ::_exit(128 + signal);
}

CommittedBuffer& standardOutputBuffer() { return standardOutput; }
CommittedBuffer& outputFileBuffer() { return outputFile; }

void writeOutAgedOutput() {
  if ((++agePolls & 255U) != 0) return;
  if (standardOutput.pending() == 0 && outputFile.pending() == 0) return;
  if (steadyNow() - lastWriteOut < 1.0) return;
  standardOutput.flush();
  outputFile.flush();
  lastWriteOut = steadyNow();
}

void CommittedBuffer::decideLineBuffering() {
  const int descriptor = descriptor_.load(std::memory_order_relaxed);
  lineBuffered_ = descriptor >= 0 && ::isatty(descriptor) != 0 ? 1 : 0;
}

void CommittedBuffer::setDescriptor(int descriptor) {
  // Owned while the descriptor changes: the handler then never writes to one being closed.
  // (Owned elsewhere only by a handler on another thread, which ends the process.)
  if (!own()) return;
  writeOutOwned();
  descriptor_.store(descriptor, std::memory_order_relaxed);
  lineBuffered_ = -1;
  inFlight_.store(0, std::memory_order_release);
}

void CommittedBuffer::append(const char* text, std::size_t length) {
  if (length == 0) return;
  if (lineBuffered_ < 0) decideLineBuffering();
  std::size_t used = committed_.load(std::memory_order_relaxed);
  if (length > kCapacity - used) {
    flush();
    used = committed_.load(std::memory_order_relaxed);
    if (length > kCapacity) {
      writeThrough(text, length);
      return;
    }
    // Still full: a handler on another thread owns the buffer and the process is ending.
    if (length > kCapacity - used) return;
  }
  std::memcpy(data_ + used, text, length);
  // The bytes first, then the length that lets the handler see them.
  committed_.store(used + length, std::memory_order_release);
  if (lineBuffered_ == 1 && std::memchr(text, '\n', length) != nullptr) flush();
}

void CommittedBuffer::writeOutOwned() {
  const int descriptor = descriptor_.load(std::memory_order_relaxed);
  const std::size_t end = committed_.load(std::memory_order_relaxed);
  if (descriptor >= 0 && end > 0) writeAll(descriptor, data_, end);
  committed_.store(0, std::memory_order_release);
  lastWriteOut = steadyNow();
}

void CommittedBuffer::flush() {
  if (committed_.load(std::memory_order_relaxed) == 0) return;
  if (!own()) return;
  writeOutOwned();
  inFlight_.store(0, std::memory_order_release);
}

void CommittedBuffer::writeThrough(const char* text, std::size_t length) {
  if (!own()) return;
  writeOutOwned();
  const int descriptor = descriptor_.load(std::memory_order_relaxed);
  if (descriptor >= 0) writeAll(descriptor, text, length);
  inFlight_.store(0, std::memory_order_release);
}

std::size_t CommittedBuffer::pending() const { return committed_.load(std::memory_order_acquire); }

void CommittedBuffer::writeCommittedFromSignal() {
  if (!own()) return;
  const int descriptor = descriptor_.load(std::memory_order_relaxed);
  const std::size_t end = committed_.load(std::memory_order_acquire);
  if (descriptor >= 0 && end > 0) writeAll(descriptor, data_, end);
}

void installTerminationHandlers() {
  ownerProcess.store(::getpid(), std::memory_order_relaxed);
  for (int signal : kTerminationSignals) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN) {
      ignoredAtStart[signal] = true;
      continue;
    }
    setAction(signal, endRunOnSignal);
    handlerInstalled[signal] = true;
  }
}

void restoreTerminationAction(int signal) {
  if (!slotFor(signal)) return;
  if (handlerInstalled[signal]) {
    setAction(signal, endRunOnSignal);
  } else {
    std::signal(signal, ignoredAtStart[signal] ? SIG_IGN : SIG_DFL);
  }
}

bool terminationHandlerInstalled(int signal) { return slotFor(signal) && handlerInstalled[signal]; }
