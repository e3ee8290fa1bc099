// Alerts, error records, the log file and the diagnostics file.
//
// Records are kept in creation order in a deque (the list "newest first" is the deque read
// backwards); they are never freed during a run. A message is formatted into a string of
// exactly its size, then followed by an origin line " \n(routine %s, position %d)\n"
// which is cut back to its leading blank wherever the origin is not to be shown.
#include "runtime/Error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <vector>

#include "runtime/Allocation.h"
#include "runtime/BatchQueue.h"
#include "runtime/Output.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

AllocationAccount Error_alloc("Errors");

namespace {

const char* const kDefaultButtons[] = {"OK", "Continue", "Yes", "Save", "Accept", "No"};
const char* const kAlternateButtons[] = {nullptr, "Ignore", "Quit", "No", "Explain", "Yes"};
const char* const kOtherButtons[] = {nullptr, "Cancel", "Quit", "Set repetition rate", "Interrupt"};
const char* const kClassTitles[] = {
    "Information",          "Warning",          "Error",
    "Unsaved data",         "Internal inconsistency", "Allocation Error",
    "File opening error",   "InternalError",    "User requested info",
    "Question",             "Allocation info",  "Feature not yet built in",
    "Invalid subroutine input", "Limit exceeded", "Interpretation error",
    "Input data error",     "Message",          "Interruption",
    "Warning"};
constexpr int kShowOnceClass = 18;

struct ErrorSnapshot {
  int count;
  int repetitionRate;
};

struct ErrorState {
  std::deque<Error, AccountAllocator<Error>> records{AccountAllocator<Error>(&Error_alloc, "Error pointer")};
  std::string severityMask = "110000";
  int errorSuppress = 0;
  int bufferError = 0;
  int overrideBuffering = 0;
  bool bufferExists = false;
  std::string errorBuffer;
  int seriousCount = 0;
  long long inconsistentSkips = 0;
  bool repeatMessagePrinted = false;
  int* showErrorOrigin = nullptr;
  int* writeLogFile = nullptr;
  int* writeErrorFile = nullptr;
  int* terminalInput = nullptr;
  // Installed once by the interpreter; resets leave it alone.
  void (*locationReport)() = nullptr;
  std::string logFile;
  std::string errorFile;
  bool logStarted = false;
  bool errorFileStarted = false;
  bool writingRecord = false;
  int outputToTerminal = 1;
  AlertRecorder alertRecorder = nullptr;
  LogRecordRecorder logRecordRecorder = nullptr;

  // The state right after start-up.
  std::size_t startRecordCount = 0;
  std::vector<ErrorSnapshot> startRecords;
  std::string startMask = "110000";
  bool startBufferExists = false;
  bool startLogStarted = false;
  bool startErrorFileStarted = false;
  int startSeriousCount = 0;
  bool startRepeatMessagePrinted = false;
};

ErrorState& state() {
  static ErrorState s;
  return s;
}

int valueOf(const int* pointer) { return pointer != nullptr ? *pointer : 0; }

bool masked(int severity) {
  const std::string& mask = state().severityMask;
  return severity >= 0 && static_cast<std::size_t>(severity) < mask.size() && mask[severity] == '1';
}

std::string localDateLine() {
  std::time_t now = std::time(nullptr);
  char line[64] = {};
  ctime_r(&now, line);
  return std::string(line);
}

// Appends one piece to the log or diagnostics file in a single write on a descriptor
// opened with O_APPEND, so the records of concurrent runs never overwrite or split one
// another; false when the file cannot be opened or written.
bool appendToFile(const std::string& path, const std::string& text) {
  int descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (descriptor < 0) return false;
  const bool written = writeAllToDescriptor(descriptor, text);
  return close(descriptor) == 0 && written;
}

// The first record of a run is preceded by the run's header; earlier runs stay in the file.
// Without a home folder there is no file, and nothing is said (start-up said it once).
void appendRecord(bool diagnostics, const std::string& text) {
  ErrorState& s = state();
  if (s.logRecordRecorder != nullptr) {
    s.logRecordRecorder(diagnostics, text);
    return;
  }
  const std::string& path = diagnostics ? s.errorFile : s.logFile;
  bool& started = diagnostics ? s.errorFileStarted : s.logStarted;
  if (path.empty()) return;
  // An alert raised while the record is written (the separator line of the header) must
  // not write a record of its own.
  s.writingRecord = true;
  std::string piece;
  if (!started) {
    if (diagnostics) {
      piece = "Zoq diagnostics \ncreated " + localDateLine() + "\n" +
              makeTextField('-', "", getSeparatorLineSize(), getOffsetSize()) + "\n";
    } else {
      piece = "\nZoq command file \ncreated " + localDateLine() + "\n" + std::string(60, '-') + "\n";
    }
  }
  piece += text;
  bool written = appendToFile(path, piece);
  s.writingRecord = false;
  if (!written) {
    // A file that cannot be written would interrupt every later command: the switch goes
    // off first (so the alert below cannot come back here) and the user is told once.
    const int problem = errno;
    const char* what = diagnostics ? (started ? "Error file problem in writeError"
                                              : "Error file problem in initErrorFile")
                                   : (started ? "Log file problem in writeLog"
                                              : "Log file problem in initLog");
    const char* setting = diagnostics ? "error_log" : "log";
    setIntPar(setting, 0);
    Alert(diagnostics ? "initErrorFile" : "initLog", 0, 100201,
          "%s: cannot write %s (%s); \"%s\" switched off", what, path.c_str(),
          std::strerror(problem), setting);
    return;
  }
  started = true;
}

void ensureBuffer() {
  state().bufferExists = true;
  state().errorBuffer.reserve(256);
}

}  // namespace

void unpackErrorCode(int code, int out[5]) {
  int a = (code / 100000) % 10;
  out[0] = a >= 1 && a <= 6 ? a - 1 : 0;
  out[1] = (code / 10000) % 10;
  out[2] = (code / 1000) % 10;
  out[3] = (code / 100) % 10;
  out[4] = code % 100;
}

const char* alertDefaultButton(int digit) {
  return digit >= 1 && digit <= 6 ? kDefaultButtons[digit - 1] : kDefaultButtons[0];
}
const char* alertAlternateButton(int digit) {
  return digit >= 0 && digit <= 5 ? kAlternateButtons[digit] : nullptr;
}
const char* alertOtherButton(int digit) {
  return digit >= 0 && digit <= 4 ? kOtherButtons[digit] : nullptr;
}
const char* alertClassTitle(int messageClass) {
  return messageClass >= 0 && messageClass <= kShowOnceClass ? kClassTitles[messageClass] : kClassTitles[0];
}

int Alert(const char* routine, int position, int code, const char* format, ...) {
  ErrorState& s = state();
  if (s.alertRecorder != nullptr && s.errorSuppress == 0 && s.bufferError == 0) {
    va_list args;
    va_start(args, format);
    const std::string text = vformatText(format, args);
    va_end(args);
    return s.alertRecorder(routine, position, code, text);
  }
  Error* record = getError(routine, position);
  ++record->count;
  if (record->repetitionRate == -1) return -3;

  int severity = (code / 100) % 10;
  int messageClass = code % 100;
  int alternate = (code / 10000) % 10;
  int other = (code / 1000) % 10;
  bool background = getBackground() != 0;

  if (severity >= 4) {
    if (s.terminalInput != nullptr) *s.terminalInput = 1;
    if (severity == 5) {
      printErrorMessage("Fatal error in routine %s (position %d)\n", routine, position);
    } else if (severity == 4) {
      if (s.seriousCount == 0) {
        printErrorMessage("Serious error in routine %s (position %d)\n", routine, position);
      }
      if (++s.seriousCount % 25 == 0) printErrorMessage("%d serious errors so far\n", s.seriousCount);
    }
  } else if (!background && severity != 3) {
    if (s.errorSuppress != 0 || s.bufferError != 0) return 1;
    if (valueOf(s.writeLogFile) == 0 && masked(severity)) return -3;
  }

  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  std::size_t originStart = std::string::npos;
  if (code != 0) {
    originStart = text.size();
    text += formatText(" \n(routine %s, position %d)\n", routine, position);
  }
  auto cutOrigin = [&]() {
    if (originStart != std::string::npos && originStart + 1 < text.size()) text.resize(originStart + 1);
  };

  if (valueOf(s.writeErrorFile) == 1 && !s.writingRecord) appendRecord(true, text);
  if (severity <= 3 && valueOf(s.showErrorOrigin) == 0 && !background) cutOrigin();

  if (background && severity >= 3 && s.errorSuppress == 0 && s.bufferError == 0) {
    printErrorMessage("%s\n", text.c_str());
    printErrorMessage(severity == 3 ? "Syntax error; terminating execution\n"
                                    : "Fatal error; terminating execution\n");
    if (s.locationReport != nullptr) s.locationReport();
    if (s.bufferExists) dumpErrorBuffer();
    ExitAndMoveInput("Fatal Error", 1);
  }
  if (background && severity == 2 && messageClass != kShowOnceClass) {
    cutOrigin();
    printErrorMessage("%s\n", text.c_str());
    return 1;
  }
  if (s.bufferError == 1 && s.overrideBuffering == 0 && s.bufferExists) {
    if (!s.errorBuffer.empty()) s.errorBuffer += '\n';
    s.errorBuffer += text;
    return 1;
  }

  if (messageClass == kShowOnceClass) {
    cutOrigin();
    text += "[***]";
    record->repetitionRate = -1;
    if (!s.repeatMessagePrinted) {
      s.repeatMessagePrinted = true;
      text += "\n[***] indicates a message that will not be repeated.";
    }
    printErrorMessage("%s\n", text.c_str());
    return 1;
  }
  if (masked(severity)) return -3;
  if (record->repetitionRate == 0) return -3;
  if (record->count % record->repetitionRate != 0) return -3;
  if (code == 0) return 1;

  int digits[5];
  unpackErrorCode(code, digits);
  int reply = NXRunAlertPanel(alertClassTitle(messageClass), text.c_str(), kDefaultButtons[digits[0]],
                              alertAlternateButton(alternate), alertOtherButton(other));
  if (reply == 1) return 1;
  if (reply == 0) {
    if (alternate == 1) record->repetitionRate = 0;
    if (alternate == 4) explainErrors();
    if (alternate == 2) terminateProgram(0);
    return 0;
  }
  if (reply == -1) {
    if (other == 3) setRepRate(record);
    if (other == 2) terminateProgram(0);
    return -1;
  }
  return reply;
}

void setAlertRecorder(AlertRecorder recorder) { state().alertRecorder = recorder; }
void setLogRecordRecorder(LogRecordRecorder recorder) { state().logRecordRecorder = recorder; }

int replayAlert(const std::string& routine, int position, int code, const std::string& text) {
  return Alert(routine.c_str(), position, code, "%s", text.c_str());
}

void replayLogRecord(bool diagnostics, const std::string& text) { appendRecord(diagnostics, text); }

Error* getError(const char* routine, int position) {
  ErrorState& s = state();
  for (auto it = s.records.rbegin(); it != s.records.rend(); ++it) {
    if (it->position == position && it->routine == routine) return &*it;
  }
  s.records.push_back(Error{});
  Error* record = &s.records.back();
  record->position = position;
  record->routine = routine;
  return record;
}

void forEachError(void (*fn)(Error* record)) {
  ErrorState& s = state();
  for (std::size_t i = s.records.size(); i-- > 0;) fn(&s.records[i]);
}

void initializeError() {
  ErrorState& s = state();
  s.showErrorOrigin = getIntParPointer("error_trace");
  s.writeLogFile = getIntParPointer("log");
  s.writeErrorFile = getIntParPointer("error_log");
  s.terminalInput = getIntParPointer("interactive");
  initializeTerminal();
}

void showPreviousErrors() {
  forEachError([](Error* record) {
    if (record->repetitionRate != 0) {
      Alert("showPreviousErrors", 1, 100208, "Error in routine: %s, position: %d; occurred %d times;",
            record->routine.c_str(), record->position, record->count);
    } else {
      Alert("showPreviousErrors", 0, 100208,
            "Error in routine: %s, position: %d; occurred %d times; *** disabled ***",
            record->routine.c_str(), record->position, record->count);
    }
  });
}

void setAlertLocationReport(void (*report)()) { state().locationReport = report; }

void resetError() {
  for (Error& record : state().records) record.repetitionRate = 1;
}

Error* disableError(const char* routine, int position) {
  Error* record = getError(routine, position);
  record->repetitionRate = 0;
  return record;
}

Error* enableError(const char* routine, int position) {
  Error* record = getError(routine, position);
  record->repetitionRate = 1;
  return record;
}

void setRepRate(Error* record) {
  // Asks until a number arrives; the end of the input keeps the old rate.
  for (;;) {
    printErrorMessage("Enter repetition rate: ");
    std::string line;
    int got = readAnswerLine(line, 78);
    if (got == 0 || got == kReadInterrupted) return;
    int rate = 0;
    if (got == 1 && strnumChk(line.c_str(), &rate) == 0) {
      record->repetitionRate = rate;
      return;
    }
  }
}

void explainErrors() {
  ErrorState& s = state();
  if (s.errorBuffer.empty()) return;
  std::string text;
  text.swap(s.errorBuffer);
  Alert("explainErrors", 0, 100301, "%s", text.c_str());
}

void suppressError() { state().errorSuppress = 1; }
void unsuppressError() { state().errorSuppress = 0; }
int getErrorSuppression() { return state().errorSuppress; }

void bufferErrors() {
  state().bufferError = 1;
  ensureBuffer();
}
void unbufferErrors() { state().bufferError = 0; }
int getErrorBuffering() { return state().bufferError; }
void noBuf() { state().overrideBuffering = 1; }
void noBufOff() { state().overrideBuffering = 0; }
void flushErrors() { state().errorBuffer.clear(); }

void dumpErrorBuffer() {
  if (!state().bufferExists) return;
  printErrorMessage("%s\n", state().errorBuffer.c_str());
}

void printErrorBuffer() {
  ErrorState& s = state();
  if (!s.bufferExists) return;
  s.bufferError = 0;
  if (s.errorBuffer.empty()) return;
  std::size_t lineFeeds = static_cast<std::size_t>(charcnt(s.errorBuffer.c_str(), '\n'));
  if (s.errorBuffer.back() == '\n') --lineFeeds;
  if (lineFeeds == 0) {
    explainErrors();
  } else {
    Alert("printErrorBuffer", 0, 140314, "Interpretation error");
  }
}

const std::string& getErrorBufferText() { return state().errorBuffer; }

void setSeverity_Error(const char* text) {
  // The mask holds six characters; a longer stored text keeps its first six.
  std::string mask(text != nullptr ? text : "");
  if (mask.size() > 6) mask.resize(6);
  state().severityMask = mask;
}

const char* getSeverity_Error() { return state().severityMask.c_str(); }

void Msg(const char* text) { Alert("Msg", 0, 100216, "%s", text); }

void writeLog(const char* format, ...) {
  if (valueOf(state().writeLogFile) != 1) return;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  appendRecord(false, text);
}

void writeError(const char* format, ...) {
  if (valueOf(state().writeErrorFile) != 1) return;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  appendRecord(true, text);
}

void LogFileName(const char* name) {
  std::string home = usableHomeFolder();
  state().logFile = home.empty() ? std::string() : home + "/Logs/" + name + ".log";
}

void ErrorFileName(const char* name) {
  std::string home = usableHomeFolder();
  if (home.empty()) {
    state().errorFile.clear();
    return;
  }
  std::string folder = home + "/Logs/";
  createDir(folder.c_str());
  state().errorFile = folder + name + ".diagnostics";
}

const std::string& getLogFileName() { return state().logFile; }
const std::string& getErrorFileName() { return state().errorFile; }

void TerminalOutputOn() { state().outputToTerminal = 1; }
void TerminalOutputOff() { state().outputToTerminal = 0; }
int OutputStatus() { return state().outputToTerminal; }

void markErrorStartState() {
  ErrorState& s = state();
  s.startRecordCount = s.records.size();
  s.startRecords.clear();
  for (const Error& record : s.records) s.startRecords.push_back({record.count, record.repetitionRate});
  s.startMask = s.severityMask;
  s.startBufferExists = s.bufferExists;
  s.startLogStarted = s.logStarted;
  s.startErrorFileStarted = s.errorFileStarted;
  s.startSeriousCount = s.seriousCount;
  s.startRepeatMessagePrinted = s.repeatMessagePrinted;
}

void noteInconsistentSkip(long long count) {
  if (count > 0) state().inconsistentSkips += count;
}
long long inconsistentSkipCount() { return state().inconsistentSkips; }

int runEndStatus(int status) {
  const long long skipped = state().inconsistentSkips;
  if (status != 0 || skipped == 0 || getBackground() == 0) return status;
  Print("%lld candidate(s) skipped for an internal inconsistency in this run; ending with status 1\n", skipped);
  return 1;
}

void resetErrorModule() {
  ErrorState& s = state();
  while (s.records.size() > s.startRecordCount) s.records.pop_back();
  for (std::size_t i = 0; i < s.records.size() && i < s.startRecords.size(); ++i) {
    s.records[i].count = s.startRecords[i].count;
    s.records[i].repetitionRate = s.startRecords[i].repetitionRate;
  }
  s.severityMask = s.startMask;
  s.errorSuppress = 0;
  s.bufferError = 0;
  s.overrideBuffering = 0;
  s.bufferExists = s.startBufferExists;
  s.errorBuffer.clear();
  s.seriousCount = s.startSeriousCount;
  s.inconsistentSkips = 0;
  s.repeatMessagePrinted = s.startRepeatMessagePrinted;
  s.logStarted = s.startLogStarted;
  s.errorFileStarted = s.startErrorFileStarted;
  s.writingRecord = false;
  s.outputToTerminal = 1;
  s.alertRecorder = nullptr;
  s.logRecordRecorder = nullptr;
}
