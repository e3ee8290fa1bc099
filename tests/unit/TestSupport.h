// Helpers shared by the unit tests: capture of everything the program writes.
#pragma once

#include <string>

#include "Output.h"

// While alive, collects every channel's text instead of writing it.
class OutputCapture {
 public:
  OutputCapture() {
    active() = this;
    setOutputSink(&OutputCapture::collect);
  }
  ~OutputCapture() {
    setOutputSink(nullptr);
    active() = nullptr;
  }
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  std::string all;          // every channel, in order
  std::string printed;      // Channel::Print
  std::string stdoutText;   // Channel::Stdout
  std::string progress;     // Channel::Progress
  std::string diagnostics;  // Channel::Diagnostics

  void clear() { all.clear(), printed.clear(), stdoutText.clear(), progress.clear(), diagnostics.clear(); }

 private:
  static OutputCapture*& active() {
    static OutputCapture* current = nullptr;
    return current;
  }
  static void collect(Channel channel, const char* text, std::size_t length) {
    OutputCapture* self = active();
    if (self == nullptr) return;
    std::string piece(text, length);
    self->all += piece;
    switch (channel) {
      case Channel::Print: self->printed += piece; break;
      case Channel::Stdout: self->stdoutText += piece; break;
      case Channel::Progress: self->progress += piece; break;
      case Channel::Diagnostics: self->diagnostics += piece; break;
    }
  }
};
