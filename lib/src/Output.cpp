// Output layer: the sink and the formatting helpers. The printing routines here are the
// plain forms; redirection to output files and capture build on them.
#include "Output.h"

#include <cstdio>
#include <vector>

namespace {

void defaultSink(Channel channel, const char* text, std::size_t length);

struct OutputState {
  OutputSink sink = defaultSink;
  int background = 0;
};

OutputState& state() {
  static OutputState s;
  return s;
}

void defaultSink(Channel channel, const char* text, std::size_t length) {
  FILE* stream = stdout;
  if (channel == Channel::Diagnostics && !state().background) stream = stderr;
  std::fwrite(text, 1, length, stream);
}

}  // namespace

void setOutputSink(OutputSink sink) { state().sink = sink != nullptr ? sink : defaultSink; }

void sinkWrite(Channel channel, const std::string& text) {
  state().sink(channel, text.data(), text.size());
}

void sinkFlush() {
  std::fflush(stdout);
  std::fflush(stderr);
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

namespace {
int emit(Channel channel, const char* format, va_list args) {
  std::string text = vformatText(format, args);
  sinkWrite(channel, text);
  sinkFlush();
  return static_cast<int>(text.size());
}
}  // namespace

int Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Print, format, args);
  va_end(args);
  return n;
}

int Inform(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Print, format, args);
  va_end(args);
  return n;
}

int PrintStdout(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Stdout, format, args);
  va_end(args);
  return n;
}

int printErrorMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = emit(Channel::Diagnostics, format, args);
  va_end(args);
  return n;
}

void setBackground(int value) { state().background = value; }
int getBackground() { return state().background; }
