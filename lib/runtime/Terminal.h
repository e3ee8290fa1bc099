// The terminal: its width, the self-overwriting progress lines of long loops, and the
// answer dialog of alerts.
//
// Progress. Long loops bracket their work with startProgressInfo / incrementProgressInfo
// (once per step) / stopProgressInfo. One ProgressInfo record per nesting depth is kept
// and reused; a loop started while the current record is shown goes into its child, and
// the child's time is booked as paused time of the parent. Lines, the completion line and
// the "Continue?" question appear only while progress reports are allowed (see
// ProgressInfoAllowed in Output.h); otherwise every loop runs silent.
//
// Answers. An alert that needs an answer asks through NXRunAlertPanel; the reply line
// comes from one replaceable answer source (standard input by default). The answer "Stop"
// abandons the running command: it throws StopRequest, which only the terminal loop
// catches.
#pragma once

#include <exception>
#include <string>
#include <utility>

void startProgressInfo(const char* name, int ask, double total);
// As startProgressInfo, for work spread over several threads: its estimates and its total
// are elapsed (wall-clock) time, since processor time grows with every thread, and its
// completion line says so. Its steps come in bursts (advanceProgressInfo), so the time is
// judged at the first report after one second, however far the bursts have got.
void startProgressInfoElapsed(const char* name, int ask, double total);
// Called once per loop step; returns 1 when the user declined to continue, else 0.
int incrementProgressInfo();
// `steps` steps at once (work reported in bursts); the same result as incrementProgressInfo.
int advanceProgressInfo(long long steps);
// Ends the current loop. With the stop signal set it says that the loop was stopped (and
// never that a name does not match).
void stopProgressInfo(const char* name);
// The running command is abandoned (Ctrl-C, the answer "Stop"): every running loop ends,
// innermost first, and each one shown says that it was stopped.
void abandonProgressInfo();
// Percent reached by the current loop when its line is shown, else 0.
int getProgressInfo();

// The progress record of one loop for the life of a scope: started by the constructor,
// stopped by the destructor, so that a loop left early (a return, or Ctrl-C, which
// abandons the command through StopRequest) still ends its line. step() counts one step;
// advanceTo() sets the count of a loop whose position is known rather than counted (the
// rank of a tuple in its box, a file offset), in units of `total`. Both obey a pending
// Ctrl-C and return 1 when the user declined to go on (the record is then stopped).
class ProgressScope {
 public:
  ProgressScope(const char* name, double total, int ask = 0);
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  int step();
  int advanceTo(double done);

 private:
  std::string name_;
  double scale_ = 1.0;  // counted steps per unit of total (below 1 for totals beyond range)
  long long counted_ = 0;
  bool running_ = true;
};

// Set when the user declines to continue a long loop, or presses Ctrl-C; cleared by the
// next terminal line.
int getStopSignal();
void setStopSignal(int value);
// The stop signal without taking a pending Ctrl-C (which obeyInterruptRequest then takes).
int stopSignalSet();

// Ctrl-C. In an interactive run SIGINT only notes the request: a polling loop sees the
// stop signal, incrementProgressInfo and checkInterrupt end the running command as the
// answer "Stop" does (StopRequest), and at the prompt the line being typed is dropped.
// Reads restart after the signal except those of interruptibleRead. Background runs keep
// the action they started with: the handler of OutputBuffers, which writes out what was
// printed and ends the run with status 130 (or the default action where none is installed).
void installInterruptHandler();
void removeInterruptHandler();
// The way out of a command that never polls, for a run at a terminal (after
// installInterruptHandler; removeInterruptHandler ends it). A Ctrl-C is answered when the
// program waits at the terminal again (the prompt, a question: InterruptibleRead). One not
// answered within about two seconds gets a notice on its own line (on standard error, or
// standard output where only that is a terminal), and a further Ctrl-C then ends the run as
// SIGINT ends a background run: what was printed is written out, status 130. A Ctrl-C typed
// while the program waits at the terminal never starts this.
void enableUnansweredInterruptNotice();
// 1 from a Ctrl-C until it is answered, while the notice is enabled.
int interruptAnswerAwaited();
// 1 when a Ctrl-C came and was not taken yet.
int interruptRequested();
void clearInterruptRequest();
// Before the prompt: spends a Ctrl-C left from the command that just ended (pending, taken
// by a loop, or answered). Returns 1 when one came since the last prompt: its "^C" echo then
// ends the line, and the prompt starts on the next.
int spendInterruptBeforePrompt();
// When a Ctrl-C is pending, or was taken by getStopSignal in a loop that then ended
// quietly: takes it, ends the progress display and throws StopRequest. The poll of every
// long loop of the program; it costs a flag test.
void obeyInterruptRequest();
// The poll of element routines called millions of times (the S and P elements):
// obeyInterruptRequest once in 256 calls, so that an element read from a table pays
// nothing measurable and one computed afresh is polled within a few hundred. Main thread
// only.
inline void pollInterruptRequest() {
  static unsigned calls = 0;
  if (++calls % 256 == 0) obeyInterruptRequest();
}
// While an object lives, a Ctrl-C breaks off a blocking read of the terminal.
class InterruptibleRead {
 public:
  InterruptibleRead();
  ~InterruptibleRead();
  InterruptibleRead(const InterruptibleRead&) = delete;
  InterruptibleRead& operator=(const InterruptibleRead&) = delete;
};

// Terminal width in columns (120 until the terminal reports 61 or more).
int getLineSize();

// Fetches the pointers of "interactive", "math" and "line_size", sets "line_size" to 100
// and makes the root progress record.
void initializeTerminal();
// Asks the terminal on standard input for its width; returns the request's result.
int setNumberOfColumns();
void setLineLen(int length);
int getLineLen();
int getOffsetSize();
int getSeparatorLineSize();
void startModal();
void stopModal();
int getRunningModal();
// Erases a progress line on screen.
void whipe();

// One progress record (one per nesting depth).
struct ProgressInfo;
// The count at which incrementProgressInfo next has anything to do.
long long getNextAction(const ProgressInfo* record);
ProgressInfo* allocateProgressInfo(ProgressInfo* parent);

// Standard output while terminal output is on; erases a progress line first.
int ProgressPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
int PrintProgress(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Replaces the wall clock (seconds) that the records of startProgressInfoElapsed read
// (tests fix time with it); nullptr restores the steady clock.
using WallClockSource = double (*)();
void setWallClockSource(WallClockSource source);

// Replaces the check whether standard output is a terminal (tests); nullptr restores isatty.
using TerminalQuery = bool (*)();
void setStandardOutputTerminalQuery(TerminalQuery query);
bool standardOutputIsTerminal();

// The alert dialog.
// Thrown by the answer "Stop"; caught only by the terminal loop.
struct StopRequest {};

// Runs `undo` when the scope is left by an exception (a stop abandoning the command, or a
// failure), not when it ends normally: what a loop stopped half way leaves is taken back.
template <class Undo>
class UndoWhenStopped {
 public:
  explicit UndoWhenStopped(Undo undo) : undo_(std::move(undo)), before_(std::uncaught_exceptions()) {}
  UndoWhenStopped(const UndoWhenStopped&) = delete;
  UndoWhenStopped& operator=(const UndoWhenStopped&) = delete;
  ~UndoWhenStopped() {
    if (std::uncaught_exceptions() > before_) undo_();
  }

 private:
  Undo undo_;
  int before_;
};

// Source of the reply lines of the dialog: reads one line (without newline) into line,
// returns what getstring returns. nullptr restores standard input.
using AnswerSource = int (*)(std::string& line, int limit);
void setAnswerSource(AnswerSource source);
// Reads one reply line through the answer source (see getstring for the results).
int readAnswerLine(std::string& line, int limit);
// Whether a question may wait for a reply: an injected answer source always answers; the
// standard input only when it is a terminal, so that a piped or redirected command stream
// is never read as answers (the question then takes its default, as in a background run).
bool answersCanBeRead();

// Returns 1 default, 0 alternate, -1 other, -4 "Scroll"; "Stop" throws StopRequest.
int NXRunAlertPanel(const char* title, const char* message, const char* defaultAnswer,
                    const char* alternateAnswer, const char* otherAnswer);
int getErrorResponse(const char* const* names, const int* values, const char* message, int n);
std::string errorHelpText(const char* name);
void setErrorScrollMode(int value);
int getErrorScrollMode();

// Restores the state right after start-up.
void resetTerminal();
