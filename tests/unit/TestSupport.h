// Helpers shared by the unit tests: capture of everything the program writes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "program/Boot.h"
#include "runtime/Output.h"

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

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <sstream>

#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

// While alive, the alert dialog reads its replies from this list (then the end of input).
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(std::initializer_list<const char*> lines) {
    for (const char* line : lines) queue().push_back(line);
    setAnswerSource(&ScriptedAnswers::next);
  }
  ~ScriptedAnswers() {
    setAnswerSource(nullptr);
    queue().clear();
  }
  ScriptedAnswers(const ScriptedAnswers&) = delete;
  ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;
  // Replies not yet read.
  static std::size_t left() { return queue().size(); }

 private:
  static std::deque<std::string>& queue() {
    static std::deque<std::string> lines;
    return lines;
  }
  static int next(std::string& line, int) {
    if (queue().empty()) return 0;
    line = queue().front();
    queue().pop_front();
    return 1;
  }
};

// While alive, the processor clock reads the microseconds set with set().
class FixedClock {
 public:
  explicit FixedClock(long long microseconds = 0) {
    now() = microseconds;
    setClockSource(&FixedClock::read);
  }
  ~FixedClock() { setClockSource(nullptr); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
  void set(long long microseconds) { now() = microseconds; }

 private:
  static long long& now() {
    static long long value = 0;
    return value;
  }
  static long long read() { return now(); }
};

// A fresh folder under the test program's HOME, removed with everything in it.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    static int serial = 0;
    path_ = std::filesystem::path(std::getenv("HOME")) / ("work" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  std::string path(const std::string& name = "") const { return name.empty() ? path_.string() : (path_ / name).string(); }
  // Writes a file (binary, exactly the given bytes) and returns its path.
  std::string write(const std::string& name, const std::string& contents) const {
    std::ofstream out(path(name), std::ios::binary);
    out << contents;
    return path(name);
  }

 private:
  std::filesystem::path path_;
};

// The whole contents of a file ("" when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The usual fixture: every case starts from the state right after start-up and captures
// what the code writes, with short checks for alerts.
class ZoqTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetAll();
    capture.clear();  // start-up messages of the first case are not the case's own
  }

  // Whether the error stream got the piece since the last check; clears the capture.
  bool alerted(const std::string& piece) {
    bool found = capture.diagnostics.find(piece) != std::string::npos;
    capture.clear();
    return found;
  }
  // Whether nothing reached the error stream since the last check; clears the capture.
  bool silent() {
    bool quiet = capture.diagnostics.empty();
    capture.clear();
    return quiet;
  }

  OutputCapture capture;
};
