// Alerts: every message that is not ordinary output goes through Alert, with the calling
// routine's name, a position number, a six-digit code ABCDEE and a printf format.
//   A  default button (1 "OK", 2 "Continue", 3 "Yes", 4 "Save", 5 "Accept", 6 "No";
//      0 and 7..9 are taken as "OK")
//   B  alternate button (0 none, 1 "Ignore", 2 "Quit", 3 "No", 4 "Explain", 5 "Yes")
//   C  other button (0 none, 1 "Cancel", 2 "Quit", 3 "Set repetition rate", 4 "Interrupt")
//   D  severity 0..5;  EE  message class 0..18 (18: shown once per site).
// Each calling site (routine, position) has a record with its count and repetition rate.
// The module also owns the severity mask, suppression and buffering of messages, the log
// file of typed commands, the diagnostics file and the terminal-output switch.
// Records live for the whole run.
#pragma once

#include <string>

// Returns 1 (default answer, or shown/dropped without a question), 0 (alternate answer),
// -1 (other answer), -3 (not shown) or -4 ("Scroll").
int Alert(const char* routine, int position, int code, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// One calling site of Alert.
struct Error {
  int position = 0;
  int count = 0;
  // 1 when new; k > 0 shows every k-th call; 0 never ("Ignore"); -1 never again (shown once).
  int repetitionRate = 1;
  std::string routine;
};

// The five digits of a code: out = {A-1, B, C, D, EE}.
void unpackErrorCode(int code, int out[5]);
// Button words; unknown digits give "OK" (default) or "" (none).
const char* alertDefaultButton(int digit);
const char* alertAlternateButton(int digit);
const char* alertOtherButton(int digit);
const char* alertClassTitle(int messageClass);

// The report of where a fatal alert struck (the command file and line being run), printed
// after the alert in a background run. The command interpreter installs it when it starts;
// until then there is nothing to report and nothing is printed. nullptr restores that.
void setAlertLocationReport(void (*report)());

// Fetches the pointers of "error_trace", "log", "error_log" and "interactive", then
// initialises the terminal module.
void initializeError();

Error* getError(const char* routine, int position);
// Calls fn for every record, newest first, over the records that exist when it starts.
void forEachError(void (*fn)(Error* record));
void showPreviousErrors();
void resetError();
Error* disableError(const char* routine, int position);
Error* enableError(const char* routine, int position);
void setRepRate(Error* record);
void explainErrors();

void suppressError();
void unsuppressError();
int getErrorSuppression();
void bufferErrors();
void unbufferErrors();
int getErrorBuffering();
void noBuf();
void noBufOff();
void flushErrors();
void dumpErrorBuffer();
void printErrorBuffer();
// The messages held back while buffering (empty when there is no buffer).
const std::string& getErrorBufferText();

void setSeverity_Error(const char* text);
const char* getSeverity_Error();
void Msg(const char* text);

// Log file of typed commands and diagnostics file (only while "log" / "error_log" are ON).
void writeLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void writeError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogFileName(const char* name);
void ErrorFileName(const char* name);
const std::string& getLogFileName();
const std::string& getErrorFileName();

// The terminal-output switch read by Print.
void TerminalOutputOn();
void TerminalOutputOff();
int OutputStatus();

// Candidates of long loops (searches, scans, enumerations) skipped for an internal
// inconsistency of their own data in this run. Each loop counts and reports them in its
// summary; a background run that skipped any ends with status 1 instead of 0.
void noteInconsistentSkip(long long count = 1);
long long inconsistentSkipCount();
// The status a run that would end with `status` ends with: 1 for a background run that
// skipped candidates (said once in a line), else `status`.
int runEndStatus(int status);

// Recording, for a worker process whose alerts its parent raises later in order. While an
// alert recorder is set, Alert (unless messages are suppressed or buffered, which stay
// local) hands the site, the code and its formatted text to the recorder and returns what
// the recorder returns: nothing is shown, counted or asked here. While a record recorder
// is set, the pieces for the log and diagnostics files go to it instead of the files.
using AlertRecorder = int (*)(const char* routine, int position, int code, const std::string& text);
void setAlertRecorder(AlertRecorder recorder);  // nullptr: alerts as usual
using LogRecordRecorder = void (*)(bool diagnostics, const std::string& text);
void setLogRecordRecorder(LogRecordRecorder recorder);  // nullptr: files as usual
// Raises a recorded alert here: Alert of that site and code with the text as it stands.
int replayAlert(const std::string& routine, int position, int code, const std::string& text);
// Appends a recorded piece to the diagnostics file (diagnostics) or the log file.
void replayLogRecord(bool diagnostics, const std::string& text);

// Remembers the present state as the one right after start-up; resetErrorModule restores it.
void markErrorStartState();
void resetErrorModule();
