// Output layer. Print decides per call between the capture buffer (function calls), the
// output file of the "file" commands and the terminal; everything that reaches the
// terminal passes through the sink. The capture buffer is one growing string shared by
// nested captures: each capture appends, and its owner takes its own text back from the
// offset it got when the capture started. Printed text stays in the buffers of
// OutputBuffers until they fill or sinkFlush runs, or until text for the error stream
// pushes standard output out first; a terminating signal writes them out (OutputBuffers).
#include "runtime/Output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/Error.h"
#include "runtime/OutputBuffers.h"
#include "runtime/Parameters.h"
#include "runtime/StringUtility.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

void defaultSink(Channel channel, const char* text, std::size_t length);

struct OutputState {
  OutputSink sink = defaultSink;
  OutputRecorder recorder = nullptr;
  int background = 0;
  // On unless "silent" switched progress reports off; they still show only in an
  // interactive run at a terminal.
  int progressFlag = 1;
  int captureDepth = 0;
  std::string returnBuffer;
  // Work line of the vector printers, kept for the next call (listings print many).
  std::string vectorLine;
  // The stream opened by the "file" commands; its text goes through outputFileBuffer().
  FILE* outputFile = nullptr;
  // The folder of the progress-trace markers (markerFolderFromEnvironment).
  std::string markerFolder = markerFolderFromEnvironment();
  std::string progName = "X";
  std::string lowerProgName = "x";
  int atLineBegin = 0;
  std::string lastStatus;
  int repeatCounter = -1;
  int* interactive = nullptr;
  int debugLevel = 0;
  // The state right after start-up.
  std::string startProgName = "X";
  int startBackground = 0;
  int startProgressFlag = 1;
};

OutputState& state() {
  static OutputState s;
  return s;
}

void defaultSink(Channel channel, const char* text, std::size_t length) {
  if (channel == Channel::Diagnostics && !state().background) {
    // What was printed before comes out before the message.
    standardOutputBuffer().flush();
    std::fwrite(text, 1, length, stderr);
    return;
  }
  standardOutputBuffer().append(text, length);
}

// Standard output and the error stream: what a person at the terminal must see now. (The
// stdio streams are flushed too, for anything written to them directly.)
void flushTerminal() {
  standardOutputBuffer().flush();
  std::fflush(stdout);
  std::fflush(stderr);
}

bool isStandardStream(const FILE* stream) { return stream == stdout || stream == stderr; }

// The output file's text, to its buffer (or to standard output or error, should one of
// them be the output file).
void writeToOutputFile(std::string_view text) {
  OutputState& s = state();
  if (isStandardStream(s.outputFile)) {
    writeToStream(s.outputFile, std::string(text));
  } else {
    outputFileBuffer().append(text.data(), text.size());
  }
}

// Closes an open progress line before ordinary output reaches the terminal.
void closeProgressLine() {
  OutputState& s = state();
  if (s.atLineBegin != 0) {
    sinkWrite(Channel::Progress, "\n");
    whipe();
    s.atLineBegin = 0;
  } else {
    whipe();
  }
}

void writeOutputFile(std::string_view text) {
  if (state().recorder != nullptr) {
    state().recorder(OutputTarget::OutputFile, Channel::Print, text);
    return;
  }
  writeToOutputFile(text);
}

void appendCapture(std::string_view text) {
  state().returnBuffer += text;
  if (getDebugLevel() >= 4) {
    std::string echo = ".......... Return buffer: ";
    echo += text;
    echo += "\n";
    sinkWrite(Channel::Stdout, echo);
  }
}

int printText(std::string_view text) {
  OutputState& s = state();
  if (s.captureDepth > 0) {
    appendCapture(text);
  } else if (OutputStatus() != 0) {
    closeProgressLine();
    if (s.outputFile != nullptr) {
      writeOutputFile(text);
    } else {
      sinkWrite(Channel::Print, text);
    }
  } else if (s.outputFile != nullptr) {
    writeOutputFile(text);
  }
  return static_cast<int>(text.size());
}

int emit(Channel channel, const char* format, va_list args) {
  std::string text = vformatText(format, args);
  sinkWrite(channel, text);
  flushTerminal();
  return static_cast<int>(text.size());
}

// The text of Print: a format that is just "%s" passes its argument through unformatted.
std::string printFormat(const char* format, va_list args) {
  if (format[0] == '%' && format[1] == 's' && format[2] == '\0') {
    va_list copy;
    va_copy(copy, args);
    const char* text = va_arg(copy, const char*);
    va_end(copy);
    return std::string(text != nullptr ? text : "(null)");
  }
  return vformatText(format, args);
}

// Writes one banner or separator piece to a stream, or through Print without one.
void writePiece(FILE* stream, const std::string& text) {
  if (stream != nullptr) {
    writeToStream(stream, text);
  } else {
    Print("%s", text.c_str());
  }
}

void bannerWithText(FILE* stream, int fill, std::string text) {
  if (!text.empty() && text[0] == '\n') {
    writePiece(stream, "\n");
    text.erase(0, 1);
  }
  std::string separator(static_cast<std::size_t>(getSeparatorLineSize()), static_cast<char>(fill));
  writePiece(stream, separator + "\n");
  writePiece(stream, text + "\n");
  writePiece(stream, separator + "\n");
}

void separatorWithText(FILE* stream, int fill, const char* text) {
  std::string body(text);
  if (!body.empty() && body[0] == '\n') {
    writePiece(stream, "\n");
    body.erase(0, 1);
  }
  writePiece(stream, makeTextField(static_cast<char>(fill), body.c_str(), getSeparatorLineSize(),
                                   getOffsetSize()) +
                         "\n");
}

std::string cleanPath(const std::string& typed) {
  std::string path;
  for (char c : typed) {
    if (c != ' ') path += c;
  }
  if (!path.empty() && path.front() == '\'') path.erase(0, 1);
  if (!path.empty() && path.back() == '\'') path.pop_back();
  return path;
}

// Reads a path from the terminal after the prompt; false for "quit" or the end of input.
bool askPath(const char* description, std::string& typed) {
  PrintStdout("Enter %s :", description);
  if (getstring(typed, 1022) != 1) return false;
  return typed != "quit";
}

// A fresh numbered file under /tmp, created exclusively so that nobody can have prepared it.
FILE* openFallbackFile(const char* mode, std::string& path) {
  std::string name;
  for (int k = 0; k <= 10000; ++k) {
    name = "/tmp/OUT" + std::to_string(k);
    int flags = O_CREAT | O_EXCL | O_WRONLY | (mode[0] == 'a' ? O_APPEND : 0);
    int descriptor = open(name.c_str(), flags, 0644);
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      Alert("getFile", 2, 100301, "Unable to write to /tmp");
      return nullptr;
    }
    FILE* stream = fdopen(descriptor, mode);
    if (stream == nullptr) {
      close(descriptor);
      Alert("getFile", 2, 100301, "Unable to write to /tmp");
      return nullptr;
    }
    Alert("getFile", 1, 100301, "Writing to %s", name.c_str());
    path = name;
    return stream;
  }
  Alert("getFile", 3, 100301, "Giving up on %s; too many attempts", name.c_str());
  return nullptr;
}

}  // namespace

void setOutputSink(OutputSink sink) { state().sink = sink != nullptr ? sink : defaultSink; }

void sinkWrite(Channel channel, std::string_view text) {
  if (state().recorder != nullptr) {
    state().recorder(OutputTarget::Sink, channel, text);
    return;
  }
  state().sink(channel, text.data(), text.size());
}

void setOutputRecorder(OutputRecorder recorder) { state().recorder = recorder; }

void replayRecordedOutput(OutputTarget target, Channel channel, std::string_view text) {
  OutputState& s = state();
  switch (target) {
    case OutputTarget::Sink:
      if (channel == Channel::Progress) return;
      if (channel != Channel::Diagnostics) closeProgressLine();
      s.sink(channel, text.data(), text.size());
      flushTerminal();
      return;
    case OutputTarget::OutputFile:
      if (s.outputFile != nullptr) writeToOutputFile(text);
      return;
    case OutputTarget::Capture:
      if (s.captureDepth > 0) s.returnBuffer += text;
      return;
  }
}

void sinkFlush() {
  flushTerminal();
  outputFileBuffer().flush();
}

std::string vformatText(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  int needed = std::vsnprintf(small, sizeof(small), format, copy);
  va_end(copy);
  if (needed < 0) return std::string();
  if (static_cast<std::size_t>(needed) < sizeof(small)) return std::string(small, needed);
  std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  return std::string(buffer.data(), needed);
}

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  return text;
}

bool printDiscarded() {
  const OutputState& s = state();
  return s.captureDepth == 0 && s.outputFile == nullptr && OutputStatus() == 0;
}

int Print(const char* format, ...) {
  if (printDiscarded()) return 0;
  va_list args;
  va_start(args, format);
  std::string text = printFormat(format, args);
  va_end(args);
  return printText(text);
}

int PrintText(std::string_view text) {
  if (printDiscarded()) return 0;
  return printText(text);
}

int Inform(const char* format, ...) {
  OutputState& s = state();
  if (s.captureDepth == 0 && OutputStatus() == 0) return 0;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  if (s.captureDepth > 0) {
    appendCapture(text);
  } else {
    sinkWrite(Channel::Print, text);
  }
  return static_cast<int>(text.size());
}

int PrintStdout(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Stdout, format, args);
  va_end(args);
  return n;
}

int printErrorMessage(const char* format, ...) {
  if (getRunningModal() != 0) whipe();
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Diagnostics, format, args);
  va_end(args);
  return n;
}

void setBackground(int value) {
  state().background = value;
  if (value == 1) {
    setInteractive(0);
    removeInterruptHandler();  // Ctrl-C ends a background run
  }
}

int getBackground() { return state().background; }

void bindInteractiveSwitch() { state().interactive = getIntParPointer("interactive"); }

int getInteractive() {
  OutputState& s = state();
  if (s.interactive != nullptr) return *s.interactive;
  InternalParameter* parameter = findInternalParameter("interactive");
  return parameter != nullptr ? parameter->value : 0;
}

void setInteractive(int value) {
  OutputState& s = state();
  if (s.interactive != nullptr) {
    *s.interactive = value;
  } else if (InternalParameter* parameter = findInternalParameter("interactive")) {
    parameter->value = value;
  }
}

void setDebugLevel(int level) { state().debugLevel = level; }
int getDebugLevel() { return state().debugLevel; }

int PrintToFile(FILE* stream, const char* format, ...) {
  if (stream == nullptr && printDiscarded()) return 0;
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  if (stream == nullptr) return printText(text);
  writeToStream(stream, text);
  return static_cast<int>(text.size());
}

void writeToStream(FILE* stream, const std::string& text) {
  if (stream == stdout) {
    sinkWrite(Channel::Stdout, text);
    flushTerminal();
  } else if (stream == stderr) {
    sinkWrite(Channel::Diagnostics, text);
    flushTerminal();
  } else if (stream == state().outputFile) {
    outputFileBuffer().append(text.data(), text.size());
  } else {
    std::fwrite(text.data(), 1, text.size(), stream);
  }
}

void PrintBannerWithText(int fill, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  bannerWithText(nullptr, fill, text);
}

void PrintBannerWithTextToFile(FILE* stream, int fill, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  bannerWithText(stream, fill, text);
}

void PrintSeparatorWithText(int fill, const char* text) { separatorWithText(nullptr, fill, text); }

void PrintSeparatorWithTextToFile(FILE* stream, int fill, const char* text) {
  separatorWithText(stream, fill, text);
}

void appendVecLine(std::string& text, int n, const int* v, const char* label) {
  if (n < 1) return;
  text += label;
  text += "  (";
  for (int i = 0; i < n - 1; ++i) {
    appendInt(text, v[i]);
    text += ',';
  }
  appendInt(text, v[n - 1]);
  text += ")\n";
}

void PrintVec(int n, const int* v, const char* label) {
  if (n < 1 || printDiscarded()) return;
  std::string& text = state().vectorLine;
  text.clear();
  appendVecLine(text, n, v, label);
  printText(text);
}

void PrintSignedVec(int n, const int* v, const char* label) {
  if (n < 1 || printDiscarded()) return;
  std::string& text = state().vectorLine;
  text.assign(label);
  text += "  (";
  for (int i = 0; i < n - 1; ++i) {
    appendInt(text, v[i], 2);
    text += ',';
  }
  appendInt(text, v[n - 1], 2);
  text += ")\n";
  printText(text);
}

void PrintVectorData(int n, const int* v) {
  if (n < 1 || printDiscarded()) return;
  std::string& text = state().vectorLine;
  text.clear();
  for (int i = 0; i < n - 1; ++i) {
    appendInt(text, v[i], 5);
    text += ' ';
  }
  appendInt(text, v[n - 1], 5);
  text += '\n';
  printText(text);
}

void PrintDoubleVec(int n, const double* v, const char* label) {
  if (n < 1 || printDiscarded()) return;
  std::string indent(std::strlen(label) + 2, ' ');
  std::string& text = state().vectorLine;
  text.assign(label);
  text += " (";
  for (int i = 0; i < n - 1; ++i) {
    appendFixed(text, v[i], 12, 9);
    text += ',';
    if ((i + 1) % 4 == 0) text += "\n" + indent;
  }
  appendFixed(text, v[n - 1], 12, 9);
  text += ")\n";
  printText(text);
}

int PrintComplexVec(int n, const double* re, const double* im, const char* label) {
  if (n < 1) return 1;
  bool real = true;
  for (int i = 0; i < n; ++i) {
    if (std::fabs(im[i]) >= 1e-7) real = false;
  }
  if (real) {
    Print("%s (Real)\n", label);
    PrintDoubleVec(n, re, "    ");
    return 1;
  }
  Print("%s (Complex)\n", label);
  PrintDoubleVec(n, re, "Re: ");
  PrintDoubleVec(n, im, "Im: ");
  return 0;
}

void PrintNoRepeat(const char* message, const char* argument) {
  OutputState& s = state();
  CPUTime();
  if (s.background != 0 && ProgressInfoRequired() == 0) return;
  setLineLen(static_cast<int>(std::strlen(message) + std::strlen(argument)) + 10);
  std::string text;
  if (s.repeatCounter < 0 || s.lastStatus != message) {
    s.lastStatus = message;
    s.repeatCounter = 0;
    text = formatText("\n%s%s\r", message, argument);
  } else {
    ++s.repeatCounter;
    text = formatText("%s%s [%d]\r", message, argument, s.repeatCounter);
  }
  sinkWrite(Channel::Progress, text);
  flushTerminal();
  s.atLineBegin = 1;
}

std::size_t returnBufferOn() {
  OutputState& s = state();
  if (++s.captureDepth == 1) s.returnBuffer.clear();
  return s.returnBuffer.size();
}

void returnBufferOff() {
  if (state().captureDepth > 0) --state().captureDepth;
}

int getReturnToBuffer() { return state().captureDepth; }
const std::string& getReturnBuffer() { return state().returnBuffer; }

std::string takeReturnBuffer(std::size_t start) {
  std::string& buffer = state().returnBuffer;
  if (start >= buffer.size()) return std::string();
  std::string text = buffer.substr(start);
  buffer.resize(start);
  return text;
}

void setOutputFile(FILE* stream) {
  OutputState& s = state();
  if (s.outputFile != nullptr && !isStandardStream(s.outputFile)) {
    outputFileBuffer().setDescriptor(-1);
    std::fclose(s.outputFile);
  }
  s.outputFile = stream;
  if (stream != nullptr && !isStandardStream(stream)) {
    // The stream itself holds nothing back: whatever is written to it directly is not
    // lost when the run is stopped.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    outputFileBuffer().setDescriptor(fileno(stream));
  }
}

FILE* getOutputFile() { return state().outputFile; }

FILE* getFile(const char* description, const char* mode, std::string& path) {
  std::string typed = path;
  // A file name is asked only of a user at a terminal, never of a piped command stream.
  bool interactive = getInteractive() != 0 && OutputStatus() != 0 && answersCanBeRead();
  if (typed.empty()) {
    if (!interactive) return (mode[0] == 'w' || mode[0] == 'a') ? openFallbackFile(mode, path) : nullptr;
    if (!askPath(description, typed)) return nullptr;
  }
  for (;;) {
    std::string name = cleanPath(typed);
    errno = ENOENT;
    FILE* stream = name.empty() ? nullptr : std::fopen(convertFileName(name.c_str()).c_str(), mode);
    if (stream != nullptr) {
      path = name;
      return stream;
    }
    Alert("getFile", 0, 100301, "Cannot open %s: %s", name.c_str(), std::strerror(errno));
    if (interactive) {
      PrintStdout("Try again (or type `quit' to stop trying) \n");
      if (!askPath(description, typed)) return nullptr;
      continue;
    }
    if (mode[0] != 'w' && mode[0] != 'a') return nullptr;
    return openFallbackFile(mode, path);
  }
}

void setProgressInfo(int value) { state().progressFlag = value; }

int ProgressInfoAllowed() {
  OutputState& s = state();
  return s.progressFlag != 0 && s.background == 0 && getInteractive() != 0 && standardOutputIsTerminal() ? 1 : 0;
}

void setTraceMarkerFolder(const char* folder) {
  state().markerFolder = folder != nullptr ? std::string(folder) : markerFolderFromEnvironment();
}

int ProgressInfoRequired() {
  std::string base = state().markerFolder + "/" + state().progName;
  if (checkDir((base + "_notrace").c_str()) == 1) return 0;
  if (checkDir((base + "_trace").c_str()) == 1) return 1;
  return 0;
}

void setProgName(const char* name) {
  OutputState& s = state();
  std::string given(name);
  if (given.size() >= 25) {
    printErrorMessage("Name %s too long; truncated to 24 characters\n", name);
    given.resize(24);
  }
  s.progName = given;
  s.lowerProgName = given;
  for (char& c : s.lowerProgName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

const char* getProgName() { return state().progName.c_str(); }
const char* getLowerCaseProgName() { return state().lowerProgName.c_str(); }

void setAtLineBegin() { state().atLineBegin = 1; }
void clearAtLineBegin() { state().atLineBegin = 0; }
int getAtLineBegin() { return state().atLineBegin; }

void markOutputStartState() {
  OutputState& s = state();
  s.startProgName = s.progName;
  s.startBackground = s.background;
  s.startProgressFlag = s.progressFlag;
}

void resetOutput() {
  OutputState& s = state();
  s.background = s.startBackground;
  s.progressFlag = s.startProgressFlag;
  s.recorder = nullptr;
  s.captureDepth = 0;
  s.returnBuffer.clear();
  s.vectorLine.clear();
  setOutputFile(nullptr);
  setProgName(s.startProgName.c_str());
  s.atLineBegin = 0;
  s.lastStatus.clear();
  s.repeatCounter = -1;
  s.debugLevel = 0;
  s.markerFolder = markerFolderFromEnvironment();
}
