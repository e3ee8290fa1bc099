// The program's output layer. Everything the program writes goes to one of four channels,
// and every channel passes through one sink that tests can replace:
//   Print        the printing channel: terminal, the output file of the "file" commands,
//                or the capture buffer of a function call;
//   Stdout       plain standard output, where the system insists on it (banner, prompts,
//                fixed messages written with puts/printf);
//   Progress     the self-overwriting progress line;
//   Diagnostics  the error stream ERROR_FILE: standard error, or standard output in
//                background mode.
// Formatting measures the text first (vsnprintf into a growing std::string), so no
// format is ever cut or overrun; Print formats nothing that it would drop (terminal output
// off, no output file, no capture), and bulk printers format their numbers with the
// formatters of StringUtility instead of a printf format per number.
//
// Printed text is not flushed line by line: standard output and the output file are
// written through the buffers of OutputBuffers (a terminal sees every line, since standard
// output to a terminal is line buffered), and sinkFlush empties them where a person or
// another process must see everything so far: before input is read, before a child process
// starts and at the end of the run. A run stopped by a signal writes out what they hold.
// Text for the error stream first flushes standard output, so the two keep their order
// where they meet. Nothing writes to standard output through stdio; the output file is
// written through Print, PrintToFile and writeToStream (its stream holds nothing back).
//
// The module also holds the background switch, the progress-information flag, the
// capture buffer of function calls (captures nest and append: an inner capture never
// destroys the outer one's text), the output file, the program name, the status line of
// PrintNoRepeat and the fixed-format printers of banners and vectors. State lives for
// the run; resetOutput restores the state right after start-up.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

enum class Channel { Print, Stdout, Progress, Diagnostics };

// A sink receives every piece of text with its channel. The default sink writes Print,
// Stdout and Progress to standard output and Diagnostics to the error stream.
using OutputSink = void (*)(Channel channel, const char* text, std::size_t length);
void setOutputSink(OutputSink sink);  // nullptr restores the default
void sinkWrite(Channel channel, std::string_view text);
// Writes out standard output, the output file and the error stream.
void sinkFlush();

// Recording, for a worker process whose output its parent writes later: while a recorder
// is set, the text of the sink and of the output file goes to it instead of being written.
// Text captured by a function call stays in the capture buffer as ever.
enum class OutputTarget { Sink, OutputFile, Capture };
using OutputRecorder = void (*)(OutputTarget target, Channel channel, std::string_view text);
void setOutputRecorder(OutputRecorder recorder);  // nullptr: write as usual
// Writes recorded text here as the recording process would have written it: to the sink
// (an open progress line closed first; progress lines themselves are dropped, they belong
// to the moment), to the output file, or to the capture buffer while a capture runs.
void replayRecordedOutput(OutputTarget target, Channel channel, std::string_view text);

// printf-style formatting into a string of exactly the needed size.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vformatText(const char* format, va_list args);

// The program-wide printf: terminal, output file or capture buffer.
int Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Print of text formatted already (the same routing; no format is read).
int PrintText(std::string_view text);
// True when Print would write nothing: terminal output off (as under "verify"), no
// output file and no capture. Printers of many items compute without formatting then.
bool printDiscarded();
// Like Print, but never to the output file.
int Inform(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Plain standard output (the system's fixed printf/puts texts).
int PrintStdout(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The error stream, after erasing a progress line on screen.
int printErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The switch "interactive" (the internal parameter of that name): 1 while questions may
// be asked at the terminal; 0 before the parameter exists. bindInteractiveSwitch looks
// the parameter up once it has been made.
void bindInteractiveSwitch();
int getInteractive();
void setInteractive(int value);

// The debug level of the command executor (0 to 4; "debug" sets it); at 4 every piece
// of captured text is echoed on standard output.
void setDebugLevel(int level);
int getDebugLevel();

// Background mode: "interactive" off and the error stream on standard output.
void setBackground(int value);
int getBackground();

// To the stream when it is not NULL, else through Print.
int PrintToFile(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes text to a stream; standard output and standard error pass through the sink.
void writeToStream(FILE* stream, const std::string& text);

// A separator line of the fill character, the formatted text and a line feed, and a
// second separator; a leading line feed of the text is printed first on its own.
void PrintBannerWithText(int fill, const char* format, ...) __attribute__((format(printf, 2, 3)));
void PrintBannerWithTextToFile(FILE* stream, int fill, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// One separator line of the separator width with the text written from the offset column.
void PrintSeparatorWithText(int fill, const char* text);
void PrintSeparatorWithTextToFile(FILE* stream, int fill, const char* text);

// Vector printers (through Print; nothing for fewer than one entry).
void PrintVec(int n, const int* v, const char* label);
// The line of PrintVec appended to text (nothing for fewer than one entry), for listings
// that print many lines at once.
void appendVecLine(std::string& text, int n, const int* v, const char* label);
void PrintSignedVec(int n, const int* v, const char* label);
void PrintVectorData(int n, const int* v);
void PrintDoubleVec(int n, const double* v, const char* label);
// Returns 1 when every imaginary part is zero (within 1e-7), else 0.
int PrintComplexVec(int n, const double* re, const double* im, const char* label);

// Self-overwriting status line: a new message on a fresh line, a repeated one with its count.
void PrintNoRepeat(const char* message, const char* argument);

// Capture of Print output for function calls. returnBufferOn returns the offset at which
// this capture's text begins (the outermost capture empties the buffer first).
std::size_t returnBufferOn();
void returnBufferOff();
int getReturnToBuffer();
const std::string& getReturnBuffer();
// The captured text from start on; the buffer is cut back to start.
std::string takeReturnBuffer(std::size_t start);

// The output file of the "file" commands; setOutputFile writes out and closes the previous
// one and sends the text of a new one (a freshly opened stream, nothing read or written
// yet) through the output file's buffer of OutputBuffers.
void setOutputFile(FILE* stream);
FILE* getOutputFile();
// Opens a file for the "file" commands: the path given, else asked on the terminal;
// in a non-interactive run a failure falls back to a new file /tmp/OUT<n> (modes "w"
// and "a"). The path used is stored in path. NULL when nothing could be opened.
FILE* getFile(const char* description, const char* mode, std::string& path);

// The progress-information flag (1 at start; "-p" sets it, "silent" clears it).
void setProgressInfo(int value);
// Progress reports are allowed while the flag is set, the run is interactive and not in
// background mode, and standard output is a terminal: "-p" is not needed for them.
int ProgressInfoAllowed();
// 0 when /tmp/<name>_notrace exists; else 1 when /tmp/<name>_trace exists; else 0. The
// folder is /tmp unless ZOQ_MARKER_FOLDER names another (markerFolderFromEnvironment).
int ProgressInfoRequired();
// Test seam: the folder of those markers (nullptr restores the one above).
void setTraceMarkerFolder(const char* folder);

// Program name (at most 24 characters; "X" until set).
void setProgName(const char* name);
const char* getProgName();
const char* getLowerCaseProgName();

// 1 while a progress line written with a carriage return is still open on the terminal.
void setAtLineBegin();
void clearAtLineBegin();
int getAtLineBegin();

// Remembers the present state as the one right after start-up; resetOutput restores it.
void markOutputStartState();
void resetOutput();
