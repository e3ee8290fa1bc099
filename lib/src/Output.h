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
// format is ever cut or overrun.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

enum class Channel { Print, Stdout, Progress, Diagnostics };

// A sink receives every piece of text with its channel. The default sink writes Print,
// Stdout and Progress to standard output and Diagnostics to the error stream.
using OutputSink = void (*)(Channel channel, const char* text, std::size_t length);
void setOutputSink(OutputSink sink);  // nullptr restores the default
void sinkWrite(Channel channel, const std::string& text);
void sinkFlush();

// printf-style formatting into a string of exactly the needed size.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vformatText(const char* format, va_list args);

// The program-wide printf: terminal, output file or capture buffer.
int Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Like Print, but never to the output file.
int Inform(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Plain standard output (the system's fixed printf/puts texts).
int PrintStdout(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The error stream, after erasing a progress line on screen.
int printErrorMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Background mode: "interactive" off and the error stream on standard output.
void setBackground(int value);
int getBackground();
