// Terminal width, progress lines and the alert dialog.
//
// Progress records form a chain from the root record (one per nesting depth), kept in a
// deque so their addresses stay valid; `current` is the record of the innermost running
// loop. Counts are 64-bit; the "next action" count makes the per-step cost of
// incrementProgressInfo one increment and one comparison. Times are processor seconds
// (CPUTime), so the injected clock of the tests drives the estimates; a record started by
// startProgressInfoElapsed reads the wall clock instead (threaded work, replaceable for
// tests too). Such work is reported in bursts, so its record looks at the time at every
// report until a second has passed: the question about a long loop comes after about one
// second, whatever the size of the bursts.
#include "runtime/Terminal.h"

#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <deque>

#include "runtime/Allocation.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/OutputBuffers.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"

struct ProgressInfo {
  ProgressInfo* child = nullptr;
  ProgressInfo* parent = nullptr;
  std::string name;
  double start = 0.0;
  double paused = 0.0;
  double lastReport = 0.0;
  double total = 0.0;
  unsigned long long counter = 0;
  unsigned long long percentStep = 0;
  unsigned long long threshold = 0;
  unsigned long long nextCheck = 0;
  unsigned long long nextAction = 0;
  int percent = 0;
  int ask = 0;
  int state = 0;  // 0 inactive, 1 shown, 2 silent
  bool elapsedClock = false;  // wall-clock seconds instead of processor seconds
};

AllocationAccount Terminal_alloc("Terminal");

namespace {

constexpr unsigned long long kNever = ULLONG_MAX;
constexpr int kStartLineSize = 120;

bool defaultTerminalQuery() { return isatty(STDOUT_FILENO) != 0; }

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Set by the SIGINT handler, taken by the program. It lives outside TerminalState because
// a signal handler may only touch a plain volatile sig_atomic_t.
volatile std::sig_atomic_t interruptPending = 0;
// A Ctrl-C that getStopSignal took as the stop signal of a loop below (which then ended
// quietly): the polls of the loops around it still end the command on it.
bool interruptTaken = false;
// A Ctrl-C came since the last prompt: its "^C" echo is on the line the prompt would
// continue. Set by the handler, taken by the prompt (spendInterruptBeforePrompt).
volatile std::sig_atomic_t interruptSincePrompt = 0;

// The way out of a command that does not answer Ctrl-C (enableUnansweredInterruptNotice).
// A Ctrl-C while the program is not waiting at the terminal (atTerminal) arms a one-shot
// timer of kAnswerSeconds (answerAwaited); waiting at the terminal again disarms it. When
// the timer fires first, its handler writes the notice (noticeShown), and the next Ctrl-C
// ends the run through the termination handler's path. All of it lives in flags a handler
// may touch; setitimer and write are plain system calls.
constexpr int kAnswerSeconds = 2;
constexpr char kUnansweredNotice[] =
    "\nCtrl-C not answered yet; press Ctrl-C again to end Zoq (everything printed is kept)\n";
volatile std::sig_atomic_t noticeEnabled = 0;
volatile std::sig_atomic_t atTerminal = 0;
volatile std::sig_atomic_t answerAwaited = 0;
volatile std::sig_atomic_t noticeShown = 0;
// The terminal the notice goes to, chosen when the notice is enabled.
volatile std::sig_atomic_t noticeDescriptor = STDERR_FILENO;

void setAnswerTimer(int seconds) {
  struct itimerval timer {};
  timer.it_value.tv_sec = seconds;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

void noteInterrupt(int) {
  if (noticeShown != 0) {
    // The Ctrl-C the notice asked for: its "^C" gets a line end, so that the shell's prompt
    // starts a line of its own.
    if (::write(noticeDescriptor, "\n", 1) < 0) {
    }
    endRunFromSignal(SIGINT);
  }
  interruptPending = 1;
  interruptSincePrompt = 1;
  if (noticeEnabled != 0 && atTerminal == 0 && answerAwaited == 0) {
    answerAwaited = 1;
    const int saved = errno;
    setAnswerTimer(kAnswerSeconds);
    errno = saved;
  }
}

void noteUnansweredInterrupt(int) {
  if (answerAwaited == 0 || atTerminal != 0) return;
  const int saved = errno;
  noticeShown = 1;
  // A notice that cannot be written changes nothing else: the next Ctrl-C still ends the run.
  if (::write(noticeDescriptor, kUnansweredNotice, sizeof kUnansweredNotice - 1) < 0) {
  }
  errno = saved;
}

// The Ctrl-C is answered: the program waits at the terminal (or steps down).
void answerInterrupt() {
  if (answerAwaited == 0 && noticeShown == 0) return;
  setAnswerTimer(0);
  answerAwaited = 0;
  noticeShown = 0;
}

// Each of the two handlers runs with the other and the termination signals blocked, so
// that the decision to end the run is taken on one consistent set of flags.
void blockOtherSignals(struct sigaction& action) {
  sigemptyset(&action.sa_mask);
  for (int other : {SIGINT, SIGALRM, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&action.sa_mask, other);
}

void setInterruptAction(bool restartReads) {
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  blockOtherSignals(action);
  action.sa_flags = restartReads ? SA_RESTART : 0;
  sigaction(SIGINT, &action, nullptr);
}

struct TerminalState {
  int stopSignal = 0;
  int lineSize = kStartLineSize;
  int lineLen = 0;
  int runningModal = 0;
  int allowModal = 1;
  int scrollMode = 0;
  bool interruptHandlerInstalled = false;
  int* interactive = nullptr;
  int* math = nullptr;
  int* maxLineSize = nullptr;
  std::deque<ProgressInfo, AccountAllocator<ProgressInfo>> records{
      AccountAllocator<ProgressInfo>(&Terminal_alloc, "Progress Info Pointer")};
  ProgressInfo* current = nullptr;
  AnswerSource answerSource = getstring;
  TerminalQuery terminalQuery = defaultTerminalQuery;
  WallClockSource wallClock = steadySeconds;
};

TerminalState& state() {
  static TerminalState s;
  return s;
}

ProgressInfo* root() {
  TerminalState& s = state();
  if (s.records.empty()) {
    s.records.emplace_back();
    s.current = &s.records.front();
  }
  return s.current;
}

unsigned long long saturatingAdd(unsigned long long a, unsigned long long b) {
  unsigned long long sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? kNever : sum;
}

double recordNow(const ProgressInfo* record) {
  return record->elapsedClock ? state().wallClock() : CPUTime();
}

int progressWrite(const std::string& text) {
  sinkWrite(Channel::Progress, text);
  sinkFlush();
  return static_cast<int>(text.size());
}

struct Answer {
  const char* name;
  int value;
};

}  // namespace

void initializeTerminal() {
  TerminalState& s = state();
  s.interactive = getIntParPointer("interactive");
  s.math = getIntParPointer("math");
  s.maxLineSize = getIntParPointer("line_size");
  if (s.maxLineSize != nullptr) *s.maxLineSize = 100;
  root();
}

int setNumberOfColumns() {
  struct winsize size {};
  int result = ioctl(STDIN_FILENO, TIOCGWINSZ, &size);
  if (result == 0 && size.ws_col >= 61) state().lineSize = size.ws_col;
  return result;
}

int getLineSize() { return state().lineSize; }
void setLineLen(int length) { state().lineLen = length; }
int getLineLen() { return state().lineLen; }
int getOffsetSize() { return 20; }

int getSeparatorLineSize() {
  TerminalState& s = state();
  if (s.lineSize < 90) return s.lineSize;
  int maximum = s.maxLineSize != nullptr ? *s.maxLineSize : 100;
  return s.lineSize - 10 > maximum ? maximum - 2 : s.lineSize - 10;
}

void startModal() { state().runningModal = 1; }
void stopModal() { state().runningModal = 0; }
int getRunningModal() { return state().runningModal; }

void whipe() {
  TerminalState& s = state();
  if (s.lineLen == 0) return;
  progressWrite(std::string(static_cast<std::size_t>(s.lineLen) + 1, ' ') + "\r");
  s.lineLen = 0;
}

int getStopSignal() {
  writeOutAgedOutput();
  if (interruptPending != 0) {
    interruptPending = 0;
    interruptTaken = true;
    state().stopSignal = 1;
  }
  return state().stopSignal;
}
void setStopSignal(int value) {
  state().stopSignal = value;
  if (value == 0) interruptTaken = false;
}
int stopSignalSet() { return state().stopSignal; }

void installInterruptHandler() {
  setInterruptAction(true);
  state().interruptHandlerInstalled = true;
}

void removeInterruptHandler() {
  if (!state().interruptHandlerInstalled) return;
  restoreTerminationAction(SIGINT);
  // The timer is off for good; its handler stays (it does nothing unless a Ctrl-C awaits
  // an answer), so that an alarm already on its way cannot end the process.
  noticeEnabled = 0;
  answerInterrupt();
  state().interruptHandlerInstalled = false;
  interruptPending = 0;
  interruptTaken = false;
  interruptSincePrompt = 0;
}

void enableUnansweredInterruptNotice() {
  if (!state().interruptHandlerInstalled || noticeEnabled != 0) return;
  noticeDescriptor = isatty(STDERR_FILENO) != 0 || isatty(STDOUT_FILENO) == 0 ? STDERR_FILENO : STDOUT_FILENO;
  struct sigaction action {};
  action.sa_handler = noteUnansweredInterrupt;
  blockOtherSignals(action);
  action.sa_flags = SA_RESTART;
  sigaction(SIGALRM, &action, nullptr);
  answerAwaited = 0;
  noticeShown = 0;
  noticeEnabled = 1;
}

int interruptAnswerAwaited() { return answerAwaited != 0 ? 1 : 0; }

int interruptRequested() { return interruptPending != 0 ? 1 : 0; }
void clearInterruptRequest() {
  interruptPending = 0;
  interruptTaken = false;
}

int spendInterruptBeforePrompt() {
  const int came = interruptSincePrompt != 0 || interruptPending != 0 || interruptTaken ? 1 : 0;
  clearInterruptRequest();
  interruptSincePrompt = 0;
  return came;
}

void obeyInterruptRequest() {
  writeOutAgedOutput();
  if (interruptPending == 0 && !interruptTaken) return;
  interruptPending = 0;
  interruptTaken = false;
  state().stopSignal = 1;
  abandonProgressInfo();
  setAtLineBegin();  // the prompt starts on a fresh line after the "^C"
  throw StopRequest{};
}

InterruptibleRead::InterruptibleRead() {
  if (!state().interruptHandlerInstalled) return;
  setInterruptAction(false);
  // Waiting for the user answers every Ctrl-C so far; one typed now breaks off the read.
  atTerminal = 1;
  answerInterrupt();
}

InterruptibleRead::~InterruptibleRead() {
  if (!state().interruptHandlerInstalled) return;
  atTerminal = 0;
  setInterruptAction(true);
}

void setStandardOutputTerminalQuery(TerminalQuery query) {
  state().terminalQuery = query != nullptr ? query : defaultTerminalQuery;
}

void setWallClockSource(WallClockSource source) {
  state().wallClock = source != nullptr ? source : steadySeconds;
}
bool standardOutputIsTerminal() { return state().terminalQuery(); }

long long getNextAction(const ProgressInfo* record) {
  return record->nextAction == kNever ? LLONG_MAX : static_cast<long long>(record->nextAction);
}

ProgressInfo* allocateProgressInfo(ProgressInfo* parent) {
  TerminalState& s = state();
  root();
  s.records.emplace_back();
  ProgressInfo* record = &s.records.back();
  record->parent = parent;
  return record;
}

namespace {

void startProgress(const char* name, int ask, double total, bool elapsedClock) {
  TerminalState& s = state();
  if (OutputStatus() == 0 || s.allowModal == 0) return;
  ProgressInfo* record = root();
  if (record->state == 1) {
    if (record->child == nullptr) record->child = allocateProgressInfo(record);
    record = record->child;
    s.current = record;
  }
  setNumberOfColumns();
  record->elapsedClock = elapsedClock;
  double now = recordNow(record);
  record->start = now;
  record->lastReport = now;
  record->paused = 0.0;
  s.runningModal = 1;
  if (total <= 2000 || getBackground() != 0 || ProgressInfoAllowed() == 0) {
    record->state = 2;
    return;
  }
  whipe();
  s.lineLen = progressWrite(std::string(name) + "\r") - 1;
  record->counter = 0;
  record->total = total;
  if (total / 100 > 2e18) {
    ProgressPrint("Loop length overflow; disabling percentage counter");
    return;
  }
  record->percentStep = static_cast<unsigned long long>(total / 100) + 1;
  record->threshold = record->percentStep;
  record->nextCheck = elapsedClock ? 1 : 10;
  record->nextAction =
      record->percentStep < record->nextCheck ? record->percentStep : record->nextCheck;
  record->percent = 0;
  record->ask = getBackground() != 0 ? 0 : ask;
  record->state = 1;
  record->name = name;
}

// What is due once the counter of the shown record has reached its next action: the
// percent line at a threshold, the expected-time check at a check count.
int progressAction(TerminalState& s, ProgressInfo* record) {
  if (record->counter >= record->threshold) {
    int oldPercent = record->percent;
    // A burst of steps may pass several thresholds at once.
    const unsigned long long reached = record->counter / record->percentStep;
    record->percent = reached > 100 ? 100 : static_cast<int>(reached);
    if (record->percent <= oldPercent) record->percent = oldPercent + 1;
    double now = recordNow(record);
    if (oldPercent <= 99 && getBackground() == 0 && ProgressInfoAllowed() != 0) {
      double remaining = (now - record->start) * (100 - record->percent) / record->percent;
      std::string line;
      if (static_cast<int>(record->name.size()) + 60 < s.lineSize) {
        line = formatText("\r%s; Progress: %d%%; Estimated remaining time: %7.2f sec\r",
                          record->name.c_str(), record->percent, remaining);
      } else {
        line = formatText("Progress: %d%%; Estimated remaining time: %7.2f sec\r", record->percent,
                          remaining);
      }
      s.lineLen = progressWrite(line);
    }
    record->lastReport = now;
    record->threshold = saturatingAdd(record->threshold, record->percentStep);
    while (record->threshold <= record->counter)
      record->threshold = saturatingAdd(record->threshold, record->percentStep);
  }

  if (record->counter >= record->nextCheck) {
    double elapsed = recordNow(record) - record->start - record->paused;
    if (elapsed < 1.0) {
      if (record->elapsedClock) {
        record->nextCheck = saturatingAdd(record->counter, 1);
      } else {
        while (record->nextCheck <= record->counter)
          record->nextCheck = record->nextCheck * 10 > static_cast<unsigned long long>(INT_MAX)
                                  ? kNever
                                  : record->nextCheck * 10;
      }
    } else {
      record->nextCheck = kNever;
      double expected = elapsed * record->total / static_cast<double>(record->counter);
      // A burst record checks at its first report after one second, never late.
      if (expected > 60.0 && (record->percent == 0 || record->elapsedClock)) {
        whipe();
        if (record->ask == 0) {
          ProgressPrint("Process: %s; Expected total time %7.2f sec\n", record->name.c_str(), expected);
        } else {
          std::string name = record->name;
          int reply = Alert("incrementProgressInfo", 0, 332209,
                            "Process: %s; Expected total time %7.2f sec. Continue?", name.c_str(),
                            expected);
          if (reply == 0) {
            s.stopSignal = 1;
            stopProgressInfo(name.c_str());
            return 1;
          }
        }
      }
    }
  }
  record->nextAction = record->nextCheck < record->threshold ? record->nextCheck : record->threshold;
  return 0;
}

// Ends the current record; `stopped`: the work was broken off.
void endProgress(const char* name, bool stopped) {
  TerminalState& s = state();
  ProgressInfo* record = s.current;
  if (record == nullptr || record->state == 0) return;
  double elapsed = recordNow(record) - record->start;
  if (record->state == 1 && getBackground() == 0 && ProgressInfoAllowed() != 0) {
    whipe();
    if (!stopped && record->name != name) {
      progressWrite(formatText("Process mismatch: %s <---> %s\n", name, record->name.c_str()));
    }
    const char* format = record->elapsedClock
                             ? (stopped ? "%s stopped; Total elapsed time %7.2f sec.\n"
                                        : "%s completed; Total elapsed time %7.2f sec.\n")
                             : (stopped ? "%s stopped; Total time %7.2f sec.\n"
                                        : "%s completed; Total time %7.2f sec.\n");
    s.lineLen = progressWrite(formatText(format, record->name.c_str(), elapsed));
  }
  record->state = 0;
  if (record->parent != nullptr) {
    s.current = record->parent;
    s.current->paused += elapsed;
  } else {
    s.runningModal = 0;
  }
}

}  // namespace

void startProgressInfo(const char* name, int ask, double total) {
  startProgress(name, ask, total, false);
}

void startProgressInfoElapsed(const char* name, int ask, double total) {
  startProgress(name, ask, total, true);
}

int incrementProgressInfo() {
  writeOutAgedOutput();
  if (interruptPending != 0) obeyInterruptRequest();
  TerminalState& s = state();
  ProgressInfo* record = s.current;
  if (record == nullptr || record->state != 1) return 0;
  if (++record->counter != record->nextAction) return 0;
  return progressAction(s, record);
}

int advanceProgressInfo(long long steps) {
  if (interruptPending != 0) obeyInterruptRequest();
  TerminalState& s = state();
  ProgressInfo* record = s.current;
  if (record == nullptr || record->state != 1 || steps <= 0) return 0;
  record->counter = saturatingAdd(record->counter, static_cast<unsigned long long>(steps));
  if (record->counter < record->nextAction) return 0;
  return progressAction(s, record);
}

void stopProgressInfo(const char* name) {
  endProgress(name, getStopSignal() != 0);
}

void abandonProgressInfo() {
  TerminalState& s = state();
  for (int depth = 0; depth < 1000; ++depth) {
    ProgressInfo* record = s.current;
    if (record == nullptr || record->state == 0) break;
    endProgress(record->name.c_str(), true);
  }
}

namespace {
// Counts beyond this are scaled down: the percent step stays far inside the 64-bit range.
constexpr double kMostCountedSteps = 1e15;
}  // namespace

ProgressScope::ProgressScope(const char* name, double total, int ask) : name_(name) {
  if (!(total > 0)) total = 0;
  if (total > kMostCountedSteps) {
    scale_ = kMostCountedSteps / total;
    total = kMostCountedSteps;
  }
  startProgressInfo(name, ask, total);
}

ProgressScope::~ProgressScope() {
  if (running_) stopProgressInfo(name_.c_str());
}

int ProgressScope::step() {
  obeyInterruptRequest();
  if (!running_) return 1;
  ++counted_;
  if (incrementProgressInfo() == 0) return 0;
  running_ = false;
  return 1;
}

int ProgressScope::advanceTo(double done) {
  obeyInterruptRequest();
  if (!running_) return 1;
  const double target = std::min(done * scale_, kMostCountedSteps);
  const long long steps =
      target > static_cast<double>(counted_) ? static_cast<long long>(target) - counted_ : 0;
  counted_ += steps;
  if (advanceProgressInfo(steps) == 0) return 0;
  running_ = false;
  return 1;
}

int getProgressInfo() {
  ProgressInfo* record = state().current;
  return record != nullptr && record->state == 1 ? record->percent : 0;
}

int ProgressPrint(const char* format, ...) {
  if (OutputStatus() == 0) return 0;
  ProgressInfo* record = state().current;
  if (record != nullptr && record->state != 0 && record->counter > record->percentStep) whipe();
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  sinkWrite(Channel::Stdout, text);
  sinkFlush();
  return static_cast<int>(text.size());
}

int PrintProgress(const char* format, ...) {
  if (getBackground() != 0) return 0;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  if (std::strchr(format, '\r') != nullptr) setAtLineBegin();
  sinkWrite(Channel::Stdout, text);
  sinkFlush();
  return static_cast<int>(text.size());
}

// The alert dialog.

void setAnswerSource(AnswerSource source) { state().answerSource = source != nullptr ? source : getstring; }

int readAnswerLine(std::string& line, int limit) { return state().answerSource(line, limit); }

bool answersCanBeRead() { return state().answerSource != getstring || isatty(STDIN_FILENO) != 0; }

void setErrorScrollMode(int value) { state().scrollMode = value; }
int getErrorScrollMode() { return state().scrollMode; }

int NXRunAlertPanel(const char*, const char* message, const char* defaultAnswer,
                    const char* alternateAnswer, const char* otherAnswer) {
  TerminalState& s = state();
  bool interactive = s.interactive != nullptr && *s.interactive != 0 && answersCanBeRead();
  bool okOnly = alternateAnswer == nullptr && std::strcmp(defaultAnswer, "OK") == 0;
  if (!interactive || s.scrollMode != 0) {
    printErrorMessage("%s\n", message);
    if (okOnly) return 1;
    printErrorMessage("Non-interactive mode; Assuming default answer: %s\n", defaultAnswer);
    return 1;
  }
  if (okOnly) {
    printErrorMessage("%s\n", message);
    return 1;
  }
  Answer answers[10];
  int n = 0;
  answers[n++] = {defaultAnswer, 1};
  if (alternateAnswer != nullptr) {
    answers[n++] = {alternateAnswer, 0};
    if (std::strcmp(alternateAnswer, "Ignore") == 0) answers[n++] = {"Scroll", -4};
    if (std::strcmp(alternateAnswer, "Quit") == 0) answers[n++] = {"Stop", -5};
  }
  if (otherAnswer != nullptr) {
    answers[n++] = {otherAnswer, -1};
    if (std::strcmp(otherAnswer, "Quit") == 0) answers[n++] = {"Stop", -5};
  }
  answers[n++] = {"Auto", -6};
  const char* names[11];
  int values[11];
  for (int i = 0; i < n; ++i) {
    names[i] = answers[i].name;
    values[i] = answers[i].value;
  }
  names[n] = "Help";
  values[n] = 0;
  int reply = getErrorResponse(names, values, message, n);
  switch (reply) {
    case -6:
      if (s.interactive != nullptr) *s.interactive = 0;
      return 1;
    case -4:
      s.scrollMode = 1;
      return -4;
    case -5:
      abandonProgressInfo();
      throw StopRequest{};
    default:
      return reply;
  }
}

int getErrorResponse(const char* const* names, const int* values, const char* message, int n) {
  for (int attempt = 0; attempt < 11; ++attempt) {
    std::string prompt = formatText("%s\a\n(", message);
    for (int i = 0; i < n; ++i) prompt += std::string(names[i]) + "/";
    prompt += "Help):";
    printErrorMessage("%s", prompt.c_str());
    std::string input;
    int got = readAnswerLine(input, 78);
    if (got == kReadInterrupted) {
      // Ctrl-C at a question: as the answer "Stop".
      clearInterruptRequest();
      abandonProgressInfo();
      throw StopRequest{};
    }
    if (got == 0) {
      // No answer can come any more: take the default, as a non-interactive run does.
      printErrorMessage("\nNon-interactive mode; Assuming default answer: %s\n", names[0]);
      return values[0];
    }
    int matches = 0;
    int matched = -1;
    if (got >= 0) {
      for (int i = 0; i <= n; ++i) {
        if (cmpcom(names[i], input.c_str()) == 0) {
          ++matches;
          matched = i;
        }
      }
    }
    if (matches > 1) {
      PrintStdout("Answer ambiguous; please try again\n");
    } else if (matches == 1 && matched == n) {
      PrintStdout("Enter one of the alternatives\n");
      for (int i = 0; i <= n; ++i) PrintStdout("    %s\n", errorHelpText(names[i]).c_str());
      PrintStdout("\n");
    } else if (matches == 1) {
      return values[matched];
    } else {
      PrintStdout("Invalid input\n");
      PrintStdout("Please enter one of the following alternatives\n");
    }
  }
  PrintStdout("Too many invalid answers; execution terminated\n");
  terminateProgram(8);
}

std::string errorHelpText(const char* name) {
  static const struct {
    const char* name;
    const char* help;
  } kHelp[] = {
      {"OK", "OK:             Accept information"},
      {"Continue", "Continue:       Continue despite serious error"},
      {"Yes", "Yes:            Yes"},
      {"Save", "Save:           Save file"},
      {"Accept", "Accept:         Accept warning"},
      {"Auto", "Auto:           Auto-select first answer to all questions"},
      {"Ignore",
       "Ignore:         Switch off this error message.\n                    (To switch it on again use \"reset errors\")"},
      {"Quit", "Quit:           Exit program"},
      {"No", "No:             No"},
      {"Explain", "Explain:        Give additional explanation (else if available)"},
      {"Set repetition rate",
       "Set rep. rate:  Set rate N at which message repeats\n                    (To reset N to 1 use \"reset errors\")"},
      {"Not OK", "Not OK:         Decline option"},
      {"Interrupt", "Interrupt:      Interrupt computation in progress"},
      {"Scroll", "Scroll:         Stop prompting for response to errors"},
      {"Stop", "Stop:           Interrupt execution and return to command line"},
      {"Help", "Help:           Show this list"},
  };
  for (const auto& entry : kHelp) {
    if (std::strcmp(entry.name, name) == 0) return entry.help;
  }
  return formatText("%s:              -- No further information available -- ", name);
}

void resetTerminal() {
  TerminalState& s = state();
  s.stopSignal = 0;
  interruptTaken = false;
  s.lineSize = kStartLineSize;
  s.lineLen = 0;
  s.runningModal = 0;
  s.allowModal = 1;
  s.scrollMode = 0;
  for (ProgressInfo& record : s.records) {
    record.state = 0;
    record.counter = 0;
    record.percent = 0;
  }
  s.current = s.records.empty() ? nullptr : &s.records.front();
  s.answerSource = getstring;
  s.terminalQuery = defaultTerminalQuery;
  s.wallClock = steadySeconds;
  removeInterruptHandler();
}
