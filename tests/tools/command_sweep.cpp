// The sweep over the command table: every application command, run once on a large theory,
// each in a fresh zoq at a pseudo-terminal, so that a command that allocates far beyond the
// memory or runs on without looking for Ctrl-C shows up wherever it is.
//
// For each command of tests/unit/commands/command_table.txt a fresh zoq starts at a
// pseudo-terminal (120 x 50) in a scratch folder, with a fresh HOME, an address-space limit
// of 4,000,000 KB (as `ulimit -v 4000000`, set in the child before exec) and the marker
// folder of this sweep. The tool types the theory's set-up lines (given by --setup or a
// --setup-file, after "set error_trace on"), waits for the prompt,
// resets the peak-memory mark (VmHWM is then the command's own peak), types the command
// with the small, valid parameters of the argument file and waits for the prompt. A question
// the program asks (the answer list "(Yes/No/.../Help):" of an alert) gets its default
// answer, the first of the list, and the wait goes on. A command that has used more than its
// limit of processor time (5 s by default) is sampled with gdb (where it spends its time) and
// gets Ctrl-C; the processor and wall-clock times from Ctrl-C to the prompt are measured.
// After every command that left the prompt, "evaluate 6*7" must answer 42.
//
// How a command ended:
//   result      the prompt came back, no alert on the way;
//   alert       the prompt came back after an alert (its text, routine and position: the
//               set-up switches "error_trace" on so that every alert names its origin);
//               "size refusal" when it is the refusal of work that would not fit (100213);
//   ended       the program ended on purpose, with status 0 (or 111 for "analyse QUVR");
//   stopped     still running at the limit, back at the prompt after Ctrl-C;
//   FAILURE     died by a signal; "terminate called" or an abort; the out-of-memory path
//               ("Cannot allocate", "Attempt to allocate", exit 1); any other exit status;
//               Ctrl-C not answered within one second of processor time; the session not
//               going on after the command; a stall (no output and no processor time for a
//               minute) without the prompt.
// Every limit is counted in the program's processor time, so the outcome does not depend on
// the machine's load; wall-clock times are reported, never judged. The sweep presses Ctrl-C
// once only: the way-out notice a program prints when Ctrl-C is not answered at once is noted,
// and a Ctrl-C not answered within a second of processor time stays a FAILURE.
//
// The argument file gives each command its parameters, for all theories or for the theory of
// the run's --name. Its placeholders ($last, $middle, $current2, $lastboundary, ...; see
// kPlaceholders) stand for labels at the far end of the theory's loops; before the sweep a
// probe session learns the numbers they count from: primaries and simple currents from the
// set-up's spectrum line, invariants, boundaries, Ishibashi labels and orientifolds from the
// "total" commands.
//
// Usage: command_sweep --zoq BINARY --table TABLE --arguments FILE --name NAME
//          (--setup "line" | --setup-file FILE)... [--jobs N] [--limit SECONDS]
//          [--patience SECONDS] [--only "command words"]... [--output FILE.md] [--logs FOLDER]
//        command_sweep --check --table TABLE (--arguments FILE)... (--name NAME)...
// The table goes to standard output and to --output; the exit status is 0 without a FAILURE,
// 1 with one, 2 for bad usage, an unreadable table or an incomplete argument file. --check
// reads the table and each argument file, checks that every command that needs parameters has
// them on every theory named and that every placeholder is known, and runs the tool's own
// checks of its readers; it starts no zoq.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

// The binary the helpers of the shared header would start: the one given to this tool.
namespace command_sweep {
const char* zoqBinary();
}
#define ZOQ_BINARY (command_sweep::zoqBinary())
#include "../unit/BinaryTestSupport.h"

extern char** environ;

namespace command_sweep {
namespace {

using binary_test::processTreeMilliseconds;
using binary_test::ScratchFolder;
using binary_test::StallWatch;

std::string theBinary;

// ---------------------------------------------------------------------------------------
// The command table and the argument file.

struct TableCommand {
  std::string mode;        // the mode that registers it (the part after ">" of "a>b")
  std::string words;       // the command words, as in the table
  std::string parameters;  // what Zoq registers ("-" for none)
  bool needsParameters = false;  // a required parameter "[...]" among them
};

std::string trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The command words with single blanks, lowered: the key that the argument file and
// --only use (Zoq reads command words without regard to case).
std::string commandKey(const std::string& words) {
  std::istringstream in(words);
  std::string word;
  std::string key;
  while (in >> word) key += (key.empty() ? "" : " ") + lowered(word);
  return key;
}

std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = line.find('|', from);
    fields.push_back(trim(line.substr(from, bar == std::string::npos ? std::string::npos : bar - from)));
    if (bar == std::string::npos) return fields;
    from = bar + 1;
  }
}

const std::vector<std::string> kModes = {"default", "single", "tensor", "heterotic", "modular", "boundary"};

// Reads one line of the table ("mode | command words | parameter description | help");
// false (with the reason) for a line that is not of that form.
bool parseTableLine(const std::string& line, TableCommand& command, std::string& problem) {
  const std::vector<std::string> fields = splitFields(line);
  if (fields.size() != 4) {
    problem = "not four fields";
    return false;
  }
  std::string mode = fields[0];
  if (const std::size_t arrow = mode.find('>'); arrow != std::string::npos) mode = mode.substr(arrow + 1);
  if (std::find(kModes.begin(), kModes.end(), mode) == kModes.end()) {
    problem = "unknown mode \"" + fields[0] + "\"";
    return false;
  }
  if (fields[1].empty()) {
    problem = "no command words";
    return false;
  }
  std::string parameters = fields[2];
  if (parameters.empty()) {
    problem = "no parameter description";
    return false;
  }
  // "... >> text": what Zoq registers; "=text" and "~text": the description itself.
  if (const std::size_t registered = parameters.find(">>"); registered != std::string::npos)
    parameters = trim(parameters.substr(registered + 2));
  if (parameters[0] == '=' || parameters[0] == '~') parameters = trim(parameters.substr(1));
  command.mode = mode;
  command.words = fields[1];
  command.parameters = parameters;
  command.needsParameters = parameters.find('[') != std::string::npos;
  return true;
}

// The commands of the table in its order; empty (with the reason) when a line is bad.
std::vector<TableCommand> readCommandTable(const std::string& path, std::string& problem) {
  std::ifstream in(path);
  if (!in) {
    problem = "cannot read " + path;
    return {};
  }
  std::vector<TableCommand> commands;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (trim(line).empty() || trim(line)[0] == '#') continue;
    TableCommand command;
    std::string why;
    if (!parseTableLine(line, command, why)) {
      problem = path + ":" + std::to_string(number) + ": " + why;
      return {};
    }
    commands.push_back(command);
  }
  if (commands.empty()) problem = path + ": no commands";
  return commands;
}

// What the set-up and a few "total" commands tell of the theory, for the placeholders of the
// argument file; -1 where unknown.
struct TheoryCounts {
  long long primaries = -1, currents = -1, invariants = -1, boundaries = -1, ishibashi = -1, orientifolds = -1;
};

// The placeholders an argument file may use, so that one line reaches the far end of the
// loops on every theory. Each is a label counted from a number the theory has: the last one
// (count - 1), the middle one (count / 2) or the second one after the first (2, or the last
// when there are fewer than three). A count that is unknown or not positive gives label 0.
enum class Pick { Last, Middle, Second };
struct Placeholder {
  const char* name;
  long long TheoryCounts::*count;
  Pick pick;
  const char* meaning;
};
const std::vector<Placeholder> kPlaceholders = {
    {"last", &TheoryCounts::primaries, Pick::Last, "the last field"},
    {"middle", &TheoryCounts::primaries, Pick::Middle, "a field in the middle"},
    {"current2", &TheoryCounts::currents, Pick::Second, "the second simple current after the identity"},
    {"lastcurrent", &TheoryCounts::currents, Pick::Last, "the last simple current"},
    {"lastinvariant", &TheoryCounts::invariants, Pick::Last, "the last bulk invariant"},
    {"lastboundary", &TheoryCounts::boundaries, Pick::Last, "the last boundary"},
    {"middleboundary", &TheoryCounts::boundaries, Pick::Middle, "a boundary in the middle"},
    {"lastishibashi", &TheoryCounts::ishibashi, Pick::Last, "the last Ishibashi label"},
    {"lastorientifold", &TheoryCounts::orientifolds, Pick::Last, "the last orientifold"},
};

long long placeholderValue(const Placeholder& placeholder, const TheoryCounts& counts) {
  const long long count = counts.*placeholder.count;
  if (count <= 0) return 0;
  switch (placeholder.pick) {
    case Pick::Last: return count - 1;
    case Pick::Middle: return count / 2;
    case Pick::Second: return std::min<long long>(2, count - 1);
  }
  return 0;
}

bool isPlaceholderCharacter(char c) { return std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)); }

// The text with every "$name" replaced by its value for these counts (a name runs over lower
// letters and digits: "$lastboundary:1" is the last boundary with multiplicity 1). A name that
// is no placeholder is added to unknown and left as it is.
std::string substitutePlaceholders(const std::string& text, const TheoryCounts& counts,
                                   std::vector<std::string>* unknown = nullptr) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != '$') {
      out += text[at++];
      continue;
    }
    std::size_t end = at + 1;
    while (end < text.size() && isPlaceholderCharacter(text[end])) ++end;
    const std::string name = text.substr(at + 1, end - at - 1);
    const auto found = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                    [&](const Placeholder& placeholder) { return name == placeholder.name; });
    if (found == kPlaceholders.end()) {
      if (unknown != nullptr) unknown->push_back("$" + name);
      out += text.substr(at, end - at);
    } else {
      out += std::to_string(placeholderValue(*found, counts));
    }
    at = end;
  }
  return out;
}

// The argument file: "command words | parameters" ("-" for none), or "name: command words |
// parameters" for the theory of that name only (it wins over the line for all theories). The
// parameters may hold the placeholders above.
struct ArgumentFile {
  std::map<std::string, std::string> forAll;                            // by command key
  std::map<std::string, std::map<std::string, std::string>> byTheory;  // theory -> key -> text
  // The parameters to type after the command words for this theory, placeholders not yet
  // replaced; nullopt when the file has no line for the command.
  std::optional<std::string> parametersFor(const std::string& theory, const std::string& key) const {
    if (auto found = byTheory.find(theory); found != byTheory.end()) {
      if (auto line = found->second.find(key); line != found->second.end()) return line->second;
    }
    if (auto line = forAll.find(key); line != forAll.end()) return line->second;
    return std::nullopt;
  }
};

// Reads the argument file and checks it against the table and the names of the theories it
// serves: every key names a command of the table, once per theory, every placeholder is known,
// and every command with a required parameter has a line (for all theories, or for each).
// With allTheories, the file's lines name no theory besides these; otherwise (the sweep of one
// theory) the lines of other theories are passed over. The problems found are added to problems.
ArgumentFile readArgumentFile(const std::string& path, const std::vector<TableCommand>& table,
                              const std::vector<std::string>& theories, bool allTheories,
                              std::vector<std::string>& problems) {
  ArgumentFile file;
  std::ifstream in(path);
  if (!in) {
    problems.push_back("cannot read " + path);
    return file;
  }
  std::map<std::string, bool> known;
  for (const TableCommand& command : table) known[commandKey(command.words)] = true;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (trim(line).empty() || trim(line)[0] == '#') continue;
    const std::size_t bar = line.find('|');
    if (bar == std::string::npos) {
      problems.push_back(where + "no \"|\"");
      continue;
    }
    std::string left = trim(line.substr(0, bar));
    std::string parameters = trim(line.substr(bar + 1));
    if (parameters == "-") parameters.clear();
    std::string theory;
    if (const std::size_t colon = left.find(':'); colon != std::string::npos) {
      theory = trim(left.substr(0, colon));
      left = trim(left.substr(colon + 1));
      if (std::find(theories.begin(), theories.end(), theory) == theories.end()) {
        if (allTheories) problems.push_back(where + "unknown theory \"" + theory + "\"");
        continue;
      }
    }
    const std::string key = commandKey(left);
    if (!known.count(key)) {
      problems.push_back(where + "\"" + left + "\" is no command of the table");
      continue;
    }
    std::vector<std::string> unknown;
    substitutePlaceholders(parameters, TheoryCounts{}, &unknown);
    for (const std::string& name : unknown) problems.push_back(where + "unknown placeholder \"" + name + "\"");
    auto& lines = theory.empty() ? file.forAll : file.byTheory[theory];
    if (!lines.emplace(key, parameters).second) problems.push_back(where + "a second line for \"" + left + "\"");
  }
  for (const TableCommand& command : table) {
    if (!command.needsParameters) continue;
    for (const std::string& theory : theories) {
      if (!file.parametersFor(theory, commandKey(command.words)))
        problems.push_back(path + ": no parameters for \"" + command.words + "\" (" + command.parameters + ") on " + theory);
    }
  }
  return file;
}

// The numbers of primaries and simple currents from what the set-up printed: the last line
// "CFT name; N primaries" or "CFT name; N primaries (M simple currents)" (without the
// parenthesis the theory has the identity alone). False when there is no such line.
bool readSpectrumLine(const std::string& text, TheoryCounts& counts) {
  const std::string marker = " primaries";
  bool found = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t cft = line.find("CFT ");
    const std::size_t semicolon = line.find("; ", cft == std::string::npos ? 0 : cft);
    if (cft == std::string::npos || semicolon == std::string::npos) continue;
    const std::size_t digits = semicolon + 2;
    const std::size_t end = line.find_first_not_of("0123456789", digits);
    if (end == digits || end == std::string::npos || line.compare(end, marker.size(), marker) != 0) continue;
    counts.primaries = std::atoll(line.c_str() + digits);
    counts.currents = 1;
    const std::size_t open = end + marker.size();
    if (line.compare(open, 2, " (") == 0) {
      const std::size_t currentsEnd = line.find_first_not_of("0123456789", open + 2);
      if (currentsEnd != std::string::npos && currentsEnd > open + 2 && line.compare(currentsEnd, 17, " simple currents)") == 0)
        counts.currents = std::atoll(line.c_str() + open + 2);
    }
    found = true;
  }
  return found;
}

// The number a "total ..." command printed: the last line of the answer that is an integer
// alone (the lines before it are messages on the way); nullopt when there is none.
std::optional<long long> readTotal(const std::string& answer) {
  std::optional<long long> total;
  std::istringstream lines(answer);
  std::string line;
  while (std::getline(lines, line)) {
    line = trim(line);
    if (line.rfind("> ", 0) == 0) line = trim(line.substr(2));
    const std::size_t digits = line[0] == '-' ? 1 : 0;
    if (line.size() > digits && line.find_first_not_of("0123456789", digits) == std::string::npos)
      total = std::atoll(line.c_str());
  }
  return total;
}

// ---------------------------------------------------------------------------------------
// What the terminal shows.

// The first answer of a question at the end of the text ("...\a\r\n(Yes/No/Quit/Auto/Help):"),
// the default one; empty when the text does not end with a question.
std::string defaultAnswerOfQuestion(const std::string& text) {
  std::size_t end = text.find_last_not_of(' ');
  if (end == std::string::npos || end < 6 || text.compare(end - 5, 6, "Help):") != 0) return "";
  const std::size_t open = text.rfind("\n(", end);
  if (open == std::string::npos) return "";
  const std::size_t slash = text.find('/', open);
  if (slash == std::string::npos || slash > end) return "";
  const std::string answer = text.substr(open + 2, slash - open - 2);
  if (answer.empty() || answer.find_first_of("()\n") != std::string::npos) return "";
  return answer;
}

// The message of the question at the end of the text: the line that holds the bell, or, when
// the bell stands alone after the origin line of an alert, the last line of the message.
std::string questionMessage(const std::string& text) {
  const std::size_t bell = text.rfind('\a');
  if (bell == std::string::npos) return "";
  std::size_t end = bell;
  while (end > 0) {
    const std::size_t newline = text.rfind('\n', end - 1);
    const std::size_t begin = newline == std::string::npos ? 0 : newline + 1;
    const std::string line = trim(text.substr(begin, end - begin));
    if (!line.empty() && line.rfind("(routine ", 0) != 0) return line;
    if (newline == std::string::npos) break;
    end = newline;
  }
  return "";
}

// True when the text ends with the prompt "> " at the start of a line.
bool endsWithPrompt(const std::string& text) {
  return text.size() >= 3 && text.compare(text.size() - 3, 3, "\n> ") == 0;
}

// The way-out notice: the line the program prints when a Ctrl-C is not answered at once (a
// second Ctrl-C would end the program). It names the key, which no prompt or answer does.
bool isNoticeLine(const std::string& line) {
  const std::string text = lowered(line);
  return text.find("ctrl-c") != std::string::npos || text.find("control-c") != std::string::npos;
}

// After Ctrl-C: the prompt at the end, or the prompt followed by the notice (printed when the
// answer came just as its time was up), on the prompt's line or the next one.
bool endsWithPromptAfterStop(const std::string& text) {
  if (endsWithPrompt(text)) return true;
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
  if (end == text.size()) return false;  // the notice is a whole line
  const std::size_t newline = text.rfind('\n', end == 0 ? 0 : end - 1);
  if (newline == std::string::npos) return false;
  const std::string line = text.substr(newline + 1, end - newline - 1);
  if (line.rfind("> ", 0) == 0) return isNoticeLine(line);
  if (!isNoticeLine(line)) return false;
  std::size_t before = newline + 1;
  while (before > 0 && (text[before - 1] == '\n' || text[before - 1] == '\r')) --before;
  return before >= 3 && text.compare(before - 3, 3, "\n> ") == 0;
}

bool endsWithContinuation(const std::string& text) {
  return text.size() >= 5 && text.compare(text.size() - 5, 5, "\n... ") == 0;
}

// An alert as the terminal shows it with "error_trace" on: the message, then
// "(routine NAME, position N)" on a line of its own.
struct ShownAlert {
  std::string message;
  std::string routine;
  int position = 0;
};

// The alert whose origin line starts at `at` in text (the message is the last non-empty line
// before it); nullopt when the origin line is not complete.
std::optional<ShownAlert> alertAt(const std::string& text, std::size_t at) {
  const std::size_t comma = text.find(", position ", at);
  const std::size_t close = text.find(')', at);
  if (comma == std::string::npos || close == std::string::npos || comma > close) return std::nullopt;
  ShownAlert alert;
  alert.routine = text.substr(at + 9, comma - at - 9);
  alert.position = std::atoi(text.c_str() + comma + 11);
  std::size_t end = at;
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == ' ')) --end;
  std::size_t begin = text.rfind('\n', end == 0 ? 0 : end - 1);
  begin = begin == std::string::npos ? 0 : begin + 1;
  alert.message = trim(text.substr(begin, end - begin));
  // "Interpretation error" says only that the line was not run; the line before says why
  // ("Invalid command: tensor" for a command of a mode that is off), unless it is the echo.
  if (alert.message == "Interpretation error" && begin > 0) {
    std::size_t before = text.rfind('\n', begin >= 2 ? begin - 2 : 0);
    before = before == std::string::npos ? 0 : before + 1;
    const std::string reason = trim(text.substr(before, begin - before));
    // Neither the echo of the typed line nor the answer line of an earlier question.
    if (!reason.empty() && reason.rfind("> ", 0) != 0 && reason.find("Help):") == std::string::npos)
      alert.message = reason + " / " + alert.message;
  }
  // A question's message line ends with the bell.
  alert.message.erase(std::remove(alert.message.begin(), alert.message.end(), '\a'), alert.message.end());
  return alert;
}

bool isSizeRefusal(const std::string& message) {
  return message.find(" Mb; refused (the limit is ") != std::string::npos;
}

// The texts that mark a crash or the out-of-memory path.
const std::vector<std::string> kFaultTexts = {"terminate called", "Cannot allocate", "Attempt to allocate",
                                              "AddressSanitizer", "Program exiting", "std::bad_alloc"};

// The function of one frame line of gdb's "bt": "#3  0x... in name(args) () from lib" or
// "#0  name (args) at file:line"; the parameter list and any "const" are cut off.
std::string frameFunction(const std::string& line) {
  if (line.empty() || line[0] != '#') return "";
  std::size_t start = line.find(" in ");
  if (start != std::string::npos) {
    start += 4;
  } else {
    start = line.find_first_of(' ');
    if (start == std::string::npos) return "";
    start = line.find_first_not_of(' ', start);
    if (start == std::string::npos) return "";
  }
  // The name ends at the first "(" outside template brackets that is not the "(anonymous
  // namespace)" of a file-local function: there the parameter types begin (a C++ name
  // without debug data) or, after a blank, the arguments.
  const std::string anonymous = "(anonymous namespace)";
  int angles = 0;
  std::size_t end = start;
  for (; end < line.size(); ++end) {
    const char c = line[end];
    if (c == '<') ++angles;
    if (c == '>' && angles > 0) --angles;
    if (c != '(' || angles > 0) continue;
    if (line.compare(end, anonymous.size(), anonymous) == 0) {
      end += anonymous.size() - 1;
      continue;
    }
    break;
  }
  return trim(line.substr(start, end - start));
}

// ---------------------------------------------------------------------------------------
// The process: a zoq at a pseudo-terminal, and gdb.

std::mutex spawnLock;  // one fork at a time, so that no child inherits another's terminal

// Where the process spends its time: the functions of its stack, innermost first; empty when
// gdb is missing or cannot attach.
std::vector<std::string> stackSample(pid_t process) {
  int ends[2];
  if (pipe(ends) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  posix_spawn_file_actions_addclose(&actions, ends[1]);
  const std::string pid = std::to_string(process);
  std::vector<std::string> words = {"gdb", "-nx", "-batch", "-p", pid, "-ex", "bt"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t gdb = -1;
  int spawned = 0;
  {
    std::lock_guard<std::mutex> hold(spawnLock);
    spawned = posix_spawnp(&gdb, "gdb", &actions, nullptr, argv.data(), environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  std::string output;
  if (spawned == 0) {
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(ends[0], buffer, sizeof(buffer))) > 0) output.append(buffer, static_cast<std::size_t>(got));
    waitpid(gdb, nullptr, 0);
  }
  close(ends[0]);
  std::vector<std::string> frames;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string name = frameFunction(line);
    if (!name.empty()) frames.push_back(name);
  }
  return frames;
}

char processState(pid_t process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 'X';
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 'X';
}

// The peak resident memory of the process in KB (VmHWM), -1 when unknown.
long long peakKilobytes(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  }
  return -1;
}

// Starts the peak-memory mark afresh; false when the kernel does not offer it.
bool resetPeak(pid_t process) {
  const int file = open(("/proc/" + std::to_string(process) + "/clear_refs").c_str(), O_WRONLY);
  if (file < 0) return false;
  const bool done = write(file, "5", 1) == 1;
  close(file);
  return done;
}

// The address-space limit of every zoq of the sweep, as `ulimit -v 4000000`.
constexpr long long kAddressSpaceBytes = 4000000LL * 1024;

class Session {
 public:
  Session(const std::string& folder, const std::string& home) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      if (std::strncmp(*entry, "HOME=", 5) != 0) variables.emplace_back(*entry);
    }
    variables.push_back("HOME=" + home);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string binary = theBinary;
    char name[] = "zoq";
    char* argv[] = {name, nullptr};
    struct winsize size {};
    size.ws_row = 50;
    size.ws_col = 120;
    std::lock_guard<std::mutex> hold(spawnLock);
    child_ = forkpty(&terminal_, nullptr, nullptr, &size);
    if (child_ == 0) {
      if (chdir(folder.c_str()) != 0) _exit(126);
      struct rlimit limit {};
      limit.rlim_cur = limit.rlim_max = kAddressSpaceBytes;
      setrlimit(RLIMIT_AS, &limit);
      binary_test::defaultSignalsInChild();
      execve(binary.c_str(), argv, envp.data());
      _exit(127);
    }
    if (terminal_ >= 0) fcntl(terminal_, F_SETFD, FD_CLOEXEC);
  }
  ~Session() {
    if (child_ > 0 && !reaped_) {
      kill(-child_, SIGKILL);
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (terminal_ >= 0) close(terminal_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool started() const { return child_ > 0 && terminal_ >= 0; }
  pid_t pid() const { return child_; }
  void type(const std::string& text) {
    if (write(terminal_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) writeFailed_ = true;
  }
  void pressControlC() { type("\x03"); }

  // Waits up to the given time for output: the bytes read, 0 when none came, -1 when the
  // program's side of the terminal has closed.
  int readSome(int milliseconds) {
    struct pollfd ready {terminal_, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0) return 0;
    char buffer[65536];
    const ssize_t got = read(terminal_, buffer, sizeof(buffer));
    if (got <= 0) return -1;
    consume(buffer, static_cast<std::size_t>(got));
    return static_cast<int>(got);
  }

  // The wait status once the program has ended (it reaps it).
  int reap() {
    int status = 0;
    if (!reaped_) {
      waitpid(child_, &status, 0);
      status_ = status;
      reaped_ = true;
    }
    return status_;
  }

  // The output is kept as a window of its last bytes; offsets count from the start.
  long long total() const { return total_; }
  const std::string& window() const { return window_; }
  long long windowStart() const { return total_ - static_cast<long long>(window_.size()); }
  // The text from the offset on (what of it is still in the window).
  std::string since(long long offset) const {
    const long long from = std::max(offset, windowStart()) - windowStart();
    return window_.substr(static_cast<std::size_t>(from));
  }
  // The alerts and the fault texts seen from the offset on, each once.
  std::vector<ShownAlert> alertsSince(long long offset) const {
    std::vector<ShownAlert> found;
    for (const auto& [at, alert] : alerts_)
      if (at >= offset) found.push_back(alert);
    return found;
  }
  std::vector<std::string> faultsSince(long long offset) const {
    std::vector<std::string> found;
    for (const auto& [at, text] : faults_)
      if (at >= offset) found.push_back(text);
    return found;
  }
  // Everything read, when a log is kept (the start and the end of a long output).
  void keepLog(bool keep) { keepLog_ = keep; }
  std::string log() const {
    if (logHead_.size() < kLogHead || total_ <= static_cast<long long>(logHead_.size() + window_.size())) {
      return logHead_.substr(0, static_cast<std::size_t>(std::max<long long>(0, windowStart()))) + window_;
    }
    return logHead_ + "\n[... " + std::to_string(windowStart() - static_cast<long long>(logHead_.size())) +
           " bytes left out ...]\n" + window_;
  }

 private:
  static constexpr std::size_t kWindow = 256 * 1024;
  static constexpr std::size_t kLogHead = 64 * 1024;

  void consume(const char* bytes, std::size_t count) {
    if (keepLog_ && logHead_.size() < kLogHead) logHead_.append(bytes, std::min(count, kLogHead - logHead_.size()));
    // Scan again the end of what came before, for a text split between two reads.
    const std::size_t rescan = std::min<std::size_t>(window_.size(), 512);
    const std::size_t scanFrom = window_.size() - rescan;
    window_.append(bytes, count);
    total_ += static_cast<long long>(count);
    for (std::size_t at = window_.find("(routine ", scanFrom); at != std::string::npos;
         at = window_.find("(routine ", at + 1)) {
      const long long absolute = windowStart() + static_cast<long long>(at);
      if (alerts_.count(absolute)) continue;
      if (auto alert = alertAt(window_, at)) alerts_.emplace(absolute, *alert);
    }
    for (const std::string& fault : kFaultTexts) {
      for (std::size_t at = window_.find(fault, scanFrom); at != std::string::npos; at = window_.find(fault, at + 1)) {
        const long long absolute = windowStart() + static_cast<long long>(at);
        if (faults_.size() < 20) faults_.emplace(absolute, fault);
      }
    }
    if (window_.size() > 2 * kWindow) window_.erase(0, window_.size() - kWindow);
  }

  pid_t child_ = -1;
  int terminal_ = -1;
  bool reaped_ = false;
  bool writeFailed_ = false;
  int status_ = 0;
  bool keepLog_ = false;
  std::string window_;
  std::string logHead_;
  long long total_ = 0;
  std::map<long long, ShownAlert> alerts_;
  std::map<long long, std::string> faults_;
};

// ---------------------------------------------------------------------------------------
// One command.

struct Settings {
  std::string theory;                  // the name of the theory, for its lines in the argument file
  std::string argumentsName;           // the argument file's name without folder and extension
  std::vector<std::string> setup;
  TheoryCounts counts;                 // for the placeholders
  long long limitMilliseconds = 5000;
  long long patienceMilliseconds = 30000;
  std::string logs;
};

enum class Ending { Result, Alert, Ended, Stopped, Failure };

struct Outcome {
  std::string mode;
  std::string typed;
  Ending ending = Ending::Failure;
  std::string what;                  // the alert, the status, the failure
  long long peakKilobytes = -1;      // the command's own peak (VmHWM after the reset)
  long long milliseconds = -1;       // processor time of the command (to the prompt)
  long long wallMilliseconds = -1;
  long long stopMilliseconds = -1;   // from Ctrl-C to the prompt
  long long stopWallMilliseconds = -1;
  std::vector<std::string> frames;           // the stack sample before Ctrl-C
  std::vector<std::string> framesAfterStop;  // a second one when Ctrl-C was not answered in a second
  std::vector<std::string> questions;        // questions answered with their default
  long long outputBytes = 0;
  bool notice = false;                       // the way-out notice came after Ctrl-C
};

enum class WaitEnd { Prompt, Ended, Stalled, OverLimit, Continuation };

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Reads what the program prints until the prompt comes back after the offset, answering each
// question with its default answer (noted in questions). overLimit is asked about every
// 50 ms; true ends the wait. After Ctrl-C (afterStop) a way-out notice behind the prompt does
// not hide it.
WaitEnd waitForPrompt(Session& zoq, long long from, std::vector<std::string>& questions,
                      const std::function<bool()>& overLimit, bool afterStop = false) {
  auto atPrompt = [afterStop](const std::string& text) {
    return afterStop ? endsWithPromptAfterStop(text) : endsWithPrompt(text);
  };
  StallWatch watch(zoq.pid());
  long long answeredUpTo = from;
  Clock::time_point checked = Clock::now();
  Clock::time_point restarted = checked;
  for (;;) {
    const int got = zoq.readSome(50);
    if (got < 0) return WaitEnd::Ended;
    // A restart of the watch reads all of /proc: once a second is enough for a stall of a minute.
    if (got > 0 && Clock::now() - restarted >= std::chrono::seconds(1)) {
      restarted = Clock::now();
      watch.restart();
    }
    // The limit is looked at while output streams too, but reading /proc costs: 20 times a
    // second. A pause in the output is first looked at for the prompt, so that a command that
    // ends just at its limit counts as ended.
    const bool limitDue = overLimit && Clock::now() - checked >= std::chrono::milliseconds(50);
    if (limitDue) checked = Clock::now();
    if (got > 0) {
      if (limitDue && !atPrompt(zoq.since(answeredUpTo)) && overLimit()) return WaitEnd::OverLimit;
      continue;  // judge the text when the output pauses
    }
    if (zoq.total() > answeredUpTo && processState(zoq.pid()) == 'S') {
      const std::string fresh = zoq.since(answeredUpTo);
      if (atPrompt(fresh)) return WaitEnd::Prompt;
      if (endsWithContinuation(fresh)) return WaitEnd::Continuation;
      const std::string answer = defaultAnswerOfQuestion(fresh);
      if (!answer.empty()) {
        if (questions.size() < 8) questions.push_back(questionMessage(fresh) + " -> " + answer);
        answeredUpTo = zoq.total();
        zoq.type(answer + "\n");
        watch.restart();
        continue;
      }
    }
    if (limitDue && overLimit()) return WaitEnd::OverLimit;
    if (watch.stalled()) return WaitEnd::Stalled;
  }
}

std::string lastLines(const std::string& text, int count) {
  std::string clean;
  for (char c : text)
    if (c != '\r' && c != '\a') clean += c;
  std::size_t at = clean.size();
  while (at > 0 && clean[at - 1] == '\n') --at;
  if (at == 0) return "";
  for (int i = 0; i < count && at != std::string::npos && at > 0; ++i) at = clean.rfind('\n', at - 1);
  return trim(clean.substr(at == std::string::npos ? 0 : at + 1));
}

std::string describeStatus(int status) {
  if (WIFSIGNALED(status)) return "died by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  return "unknown end";
}

void failWith(Outcome& outcome, const std::string& what) {
  if (outcome.ending == Ending::Failure && !outcome.what.empty()) {
    outcome.what += "; " + what;
  } else {
    outcome.ending = Ending::Failure;
    outcome.what = what;
  }
}

// The program ended by itself: on purpose, or a failure.
void judgeEnd(Session& zoq, Outcome& outcome, long long from) {
  const int status = zoq.reap();
  const std::string last = lastLines(zoq.since(from), 2);
  const std::vector<std::string> faults = zoq.faultsSince(from);
  if (WIFEXITED(status) && faults.empty() && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 111)) {
    outcome.ending = Ending::Ended;
    outcome.what = "ended the program, " + describeStatus(status) + ": " + last;
    return;
  }
  failWith(outcome, describeStatus(status) + (faults.empty() ? "" : " after \"" + faults.front() + "\"") + ": " + last);
}

void saveLog(const Settings& settings, const Session& zoq, const std::string& key) {
  if (settings.logs.empty()) return;
  std::string name = key;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
  const std::string path = settings.logs + "/" + settings.theory + "." + settings.argumentsName + "." + name + ".log";
  std::ofstream(path + ".part", std::ios::binary) << zoq.log();
  std::rename((path + ".part").c_str(), path.c_str());
}

// Waits for the banner's prompt and types the set-up lines, each to its prompt; false (the
// outcome a failure) when one does not reach it. Each line's output is handed to printed.
bool typeSetup(Session& zoq, const Settings& settings, Outcome& outcome,
               const std::function<void(const std::string&)>& printed) {
  std::vector<std::string> setupQuestions;
  std::vector<std::string> lines = settings.setup;
  lines.insert(lines.begin(), "");
  for (const std::string& line : lines) {
    const long long from = zoq.total();
    if (!line.empty()) zoq.type(line + "\n");
    const WaitEnd end = waitForPrompt(zoq, from, setupQuestions, nullptr);
    if (printed) printed(zoq.since(from));
    if (end == WaitEnd::Prompt) continue;
    if (end == WaitEnd::Ended) judgeEnd(zoq, outcome, from);
    failWith(outcome, "set-up line \"" + line + "\" did not reach the prompt: " + lastLines(zoq.since(from), 3));
    return false;
  }
  return true;
}

// What the theory has, for the placeholders: the numbers of primaries and simple currents
// from the set-up's spectrum line, then the totals of invariants, boundaries, Ishibashi labels
// and orientifolds, each typed in one session after the set-up with four times the limit
// (some theories take long to count their orientifolds). A total not answered is stopped with
// Ctrl-C and stays unknown, and so do those after it when the session cannot go on. report
// says how each total was found.
TheoryCounts probeTheory(const Settings& settings, std::string& report) {
  TheoryCounts counts;
  ScratchFolder folder("zoq-sweep-probe");
  const std::string home = folder.path() + "/home";
  if (folder.path().empty() || mkdir(home.c_str(), 0755) != 0) {
    report = "no scratch folder for the probe";
    return counts;
  }
  Session zoq(folder.path(), home);
  Outcome setup;
  if (!zoq.started() || !typeSetup(zoq, settings, setup, [&](const std::string& text) { readSpectrumLine(text, counts); })) {
    report = "set-up failed: " + setup.what;
    return counts;
  }
  if (counts.primaries < 0) report = "no spectrum line in the set-up";
  const std::vector<std::pair<std::string, long long TheoryCounts::*>> totals = {
      {"total invariants", &TheoryCounts::invariants},
      {"total boundaries", &TheoryCounts::boundaries},
      {"total ishibashi", &TheoryCounts::ishibashi},
      {"Total Orientifolds", &TheoryCounts::orientifolds}};
  const pid_t pid = zoq.pid();
  for (const auto& [command, count] : totals) {
    const long long from = zoq.total();
    const long long start = processTreeMilliseconds(pid);
    auto used = [&] { return processTreeMilliseconds(pid) - start; };
    std::vector<std::string> questions;
    zoq.type(command + "\n");
    WaitEnd end = waitForPrompt(zoq, from, questions, [&] { return used() > 4 * settings.limitMilliseconds; });
    std::string how;
    if (end == WaitEnd::Prompt) {
      const std::optional<long long> total = readTotal(zoq.since(from));
      if (total) counts.*count = *total;
      how = total ? std::to_string(*total) : "no total";
    } else if (end == WaitEnd::OverLimit) {
      const long long stopAt = used();
      zoq.pressControlC();
      end = waitForPrompt(zoq, from, questions, [&] { return used() - stopAt > settings.patienceMilliseconds; }, true);
      how = "stopped at the limit";
    }
    report += std::string(report.empty() ? "" : ", ") + "\"" + command + "\": " + (how.empty() ? "no answer" : how);
    if (end != WaitEnd::Prompt) break;
  }
  return counts;
}

Outcome runCommand(const Settings& settings, const TableCommand& command, const std::string& parameters) {
  Outcome outcome;
  outcome.mode = command.mode;
  outcome.typed = command.words + (parameters.empty() ? "" : " " + parameters);
  ScratchFolder folder("zoq-sweep");
  const std::string home = folder.path() + "/home";
  if (folder.path().empty() || mkdir(home.c_str(), 0755) != 0) {
    failWith(outcome, "no scratch folder");
    return outcome;
  }
  Session zoq(folder.path(), home);
  if (!zoq.started()) {
    failWith(outcome, "zoq did not start");
    return outcome;
  }
  zoq.keepLog(!settings.logs.empty());
  if (!typeSetup(zoq, settings, outcome, nullptr)) {
    saveLog(settings, zoq, commandKey(command.words));
    return outcome;
  }

  const pid_t pid = zoq.pid();
  const bool peakReset = resetPeak(pid);
  const long long from = zoq.total();
  const long long startMilliseconds = processTreeMilliseconds(pid);
  const Clock::time_point start = Clock::now();
  zoq.type(outcome.typed + "\n");
  long long lastUsed = startMilliseconds;
  long long lastPeak = -1;  // the peak seen so far, for a command that dies before the prompt
  auto used = [&] {
    const long long now = processTreeMilliseconds(pid);
    if (now >= 0) lastUsed = now;
    if (peakReset) {
      if (const long long peak = peakKilobytes(pid); peak >= 0) lastPeak = peak;
    }
    return lastUsed - startMilliseconds;
  };
  WaitEnd end = waitForPrompt(zoq, from, outcome.questions, [&] { return used() > settings.limitMilliseconds; });
  if (end == WaitEnd::OverLimit) {
    outcome.frames = stackSample(pid);
    const long long stopAt = used();
    const Clock::time_point stopWall = Clock::now();
    const long long stopOffset = zoq.total();
    zoq.pressControlC();
    end = waitForPrompt(
        zoq, from, outcome.questions,
        [&] {
          const long long since = used() - stopAt;
          if (since > 1000 && outcome.framesAfterStop.empty()) outcome.framesAfterStop = stackSample(pid);
          return since > settings.patienceMilliseconds;
        },
        true);
    std::istringstream afterStop(zoq.since(stopOffset));
    for (std::string line; std::getline(afterStop, line);) outcome.notice = outcome.notice || isNoticeLine(line);
    outcome.stopMilliseconds = used() - stopAt;
    outcome.stopWallMilliseconds = millisecondsSince(stopWall);
    if (end == WaitEnd::Prompt) {
      outcome.ending = Ending::Stopped;
      if (outcome.stopMilliseconds > 1000)
        failWith(outcome, "Ctrl-C answered only after " + std::to_string(outcome.stopMilliseconds) +
                              " ms of processor time");
    } else if (end == WaitEnd::OverLimit) {
      failWith(outcome, "no answer to Ctrl-C within " + std::to_string(settings.patienceMilliseconds / 1000) +
                            " s of processor time");
    } else {
      outcome.framesAfterStop.clear();
    }
  } else if (end == WaitEnd::Prompt) {
    outcome.ending = Ending::Result;
  }
  outcome.milliseconds = used();
  outcome.wallMilliseconds = millisecondsSince(start);
  outcome.outputBytes = zoq.total() - from;
  if (peakReset && end == WaitEnd::Prompt) lastPeak = std::max(lastPeak, peakKilobytes(pid));
  outcome.peakKilobytes = lastPeak;
  if (end == WaitEnd::Ended) {
    judgeEnd(zoq, outcome, from);
  } else if (end == WaitEnd::Stalled) {
    failWith(outcome, "stalled without the prompt: " + lastLines(zoq.since(from), 3));
  } else if (end == WaitEnd::Continuation) {
    failWith(outcome, "the line was taken as unfinished (\"... \"): check the argument file");
  }
  const std::vector<ShownAlert> alerts = zoq.alertsSince(from);
  if (outcome.ending == Ending::Result && !alerts.empty()) outcome.ending = Ending::Alert;
  if (!alerts.empty() && outcome.what.empty() && outcome.ending != Ending::Ended) {
    // The size refusal when there is one (the alert that matters most here), else the first.
    const ShownAlert* shown = &alerts.front();
    for (const ShownAlert& alert : alerts) {
      if (isSizeRefusal(alert.message)) {
        shown = &alert;
        break;
      }
    }
    auto described = [](const ShownAlert& alert) {
      return alert.message + " (" + alert.routine + ", " + std::to_string(alert.position) + ")";
    };
    outcome.what = std::string(isSizeRefusal(shown->message) ? "size refusal: " : "") + described(*shown);
    // The first alert is often a warning on the way; the last one says how the command ended.
    if (alerts.size() > 1) {
      outcome.what += " [" + std::to_string(alerts.size()) + " alerts";
      if (&alerts.back() != shown) outcome.what += "; last: " + described(alerts.back());
      outcome.what += "]";
    }
  }
  if (outcome.ending != Ending::Ended && outcome.ending != Ending::Failure) {
    // Nothing the program printed may show a crash or the out-of-memory path.
    const std::vector<std::string> faults = zoq.faultsSince(from);
    if (!faults.empty()) failWith(outcome, "printed \"" + faults.front() + "\"");
  }
  if (end == WaitEnd::Prompt) {
    // The session goes on.
    const long long check = zoq.total();
    zoq.type("evaluate 6*7\n");
    std::vector<std::string> none;
    const long long checkStart = processTreeMilliseconds(pid);
    const WaitEnd after = waitForPrompt(zoq, check, none, [&] {
      const long long now = processTreeMilliseconds(pid);
      return now >= 0 && now - checkStart > settings.limitMilliseconds;
    });
    const std::string answer = zoq.since(check);
    if (after == WaitEnd::Ended) {
      judgeEnd(zoq, outcome, check);
      failWith(outcome, "the session ended at \"evaluate 6*7\"");
    } else if (after != WaitEnd::Prompt || answer.find("42\r\n") == std::string::npos) {
      failWith(outcome, "the session did not go on: \"evaluate 6*7\" gave \"" + lastLines(answer, 2) + "\"");
    }
  }
  saveLog(settings, zoq, commandKey(command.words));
  return outcome;
}

// ---------------------------------------------------------------------------------------
// The table.

const char* endingName(Ending ending) {
  switch (ending) {
    case Ending::Result: return "result";
    case Ending::Alert: return "alert";
    case Ending::Ended: return "ended";
    case Ending::Stopped: return "stopped";
    case Ending::Failure: return "FAILURE";
  }
  return "?";
}

std::string cell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|') {
      out += "\\|";
    } else if (c == '\n' || c == '\r') {
      out += ' ';
    } else if (c == '\a') {
      continue;
    } else {
      out += c;
    }
  }
  if (out.size() > 700) out = out.substr(0, 697) + "...";
  return out;
}

std::string seconds(long long milliseconds) {
  if (milliseconds < 0) return "";
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(milliseconds) / 1000.0);
  return text;
}

// Eight frames of a sample, innermost first, from the first one of the program: the C
// library's own frames on top ("__vfprintf_internal", "_IO_...") are left out.
std::string framesText(const std::vector<std::string>& frames) {
  std::size_t first = 0;
  while (first < frames.size() && frames[first][0] == '_') ++first;
  if (first == frames.size()) first = 0;
  std::string text;
  for (std::size_t i = first; i < frames.size() && i < first + 8; ++i) {
    std::string name = frames[i];
    if (const std::size_t tag = name.find("[abi:cxx11]"); tag != std::string::npos) name.erase(tag, 11);
    text += (text.empty() ? "" : " < ") + name;
  }
  return text;
}

std::string tableText(const std::vector<Outcome>& outcomes, const Settings& settings, const std::string& probeReport) {
  std::ostringstream out;
  out << "## Command sweep: " << settings.theory << ", " << settings.argumentsName << " (";
  for (std::size_t i = 0; i < settings.setup.size(); ++i) out << (i ? " / " : "") << "`" << settings.setup[i] << "`";
  out << "), limit " << seconds(settings.limitMilliseconds) << " s of processor time, 4,000,000 KB address space\n\n";
  const TheoryCounts& theory = settings.counts;
  out << "The theory: " << theory.primaries << " primaries, " << theory.currents << " simple currents (-1: unknown); "
      << "totals: " << probeReport << ".\nPlaceholders:";
  for (const Placeholder& placeholder : kPlaceholders)
    out << " $" << placeholder.name << " = " << placeholderValue(placeholder, theory);
  out << "\n\n";
  out << "| # | mode | command typed | ended | peak MB | CPU s | wall s | Ctrl-C to prompt CPU s | wall s | notes |\n";
  out << "|---|---|---|---|---|---|---|---|---|---|\n";
  std::map<Ending, int> counts;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const Outcome& o = outcomes[i];
    ++counts[o.ending];
    std::string notes = o.what;
    if (!o.questions.empty()) {
      notes += notes.empty() ? "" : "; ";
      notes += "asked: " + o.questions.front() + (o.questions.size() > 1 ? " (+" + std::to_string(o.questions.size() - 1) + ")" : "");
    }
    if (o.stopMilliseconds >= 0 || o.ending == Ending::Failure) {
      if (!o.frames.empty()) notes += (notes.empty() ? "" : "; ") + std::string("at: ") + framesText(o.frames);
      if (!o.framesAfterStop.empty()) notes += "; after Ctrl-C at: " + framesText(o.framesAfterStop);
      if (o.stopMilliseconds >= 0) notes += "; output " + std::to_string(o.outputBytes) + " bytes";
      if (o.notice) notes += "; way-out notice after Ctrl-C";
    }
    char peak[32] = "";
    if (o.peakKilobytes >= 0) std::snprintf(peak, sizeof(peak), "%.0f", static_cast<double>(o.peakKilobytes) / 1024.0);
    out << "| " << i + 1 << " | " << o.mode << " | `" << cell(o.typed) << "` | " << endingName(o.ending) << " | "
        << peak << " | " << seconds(o.milliseconds) << " | " << seconds(o.wallMilliseconds) << " | "
        << seconds(o.stopMilliseconds) << " | " << seconds(o.stopWallMilliseconds) << " | " << cell(notes) << " |\n";
  }
  out << "\n" << outcomes.size() << " commands: ";
  bool first = true;
  for (Ending ending : {Ending::Result, Ending::Alert, Ending::Ended, Ending::Stopped, Ending::Failure}) {
    out << (first ? "" : ", ") << counts[ending] << " " << endingName(ending);
    first = false;
  }
  out << "\n";
  return out.str();
}

// The file's name without its folder and extension.
std::string stem(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

// ---------------------------------------------------------------------------------------
// The tool's own checks of its readers (run by --check).

int selfCheck() {
  int failures = 0;
  auto expect = [&](bool holds, const std::string& what) {
    if (!holds) {
      std::cerr << "self-check failed: " << what << "\n";
      ++failures;
    }
  };
  TableCommand command;
  std::string problem;
  expect(parseTableLine("default   | display range | =[field min][field max] >> [int min][int max] | -", command, problem) &&
             command.parameters == "[int min][int max]" && command.needsParameters && command.mode == "default",
         "registered description after >>");
  expect(parseTableLine("tensor>default | collect extensions | =(int par) | -", command, problem) &&
             command.mode == "default" && !command.needsParameters,
         "mode a>b and optional parameters");
  expect(parseTableLine("modular   | check tachyon | - | -", command, problem) && command.parameters == "-" &&
             !command.needsParameters,
         "no parameters");
  expect(!parseTableLine("nomode | x | - | -", command, problem), "unknown mode refused");
  expect(!parseTableLine("default | x | -", command, problem), "three fields refused");
  expect(commandKey("  Select   QUVR set ") == "select quvr set", "command key");
  expect(defaultAnswerOfQuestion("Expected total time   80.00 sec. Continue?\a\r\n(Yes/No/Quit/Stop/Auto/Help):") == "Yes",
         "default answer of a question");
  expect(defaultAnswerOfQuestion("Accept\a\r\n(OK/Ignore/Scroll/Auto/Help): ") == "OK", "question with a blank after it");
  expect(defaultAnswerOfQuestion("a (b/c) d\r\n> ").empty(), "a prompt is no question");
  expect(questionMessage("x\r\nContinue?\a\r\n(Yes/No/Help):") == "Continue?", "question message");
  expect(questionMessage("> x\r\nNo file \r\n(routine Fopen, position 0)\r\n\a\r\n(OK/Explain/Auto/Help):") == "No file",
         "question message above the origin line");
  expect(endsWithPrompt("42\r\n> ") && !endsWithPrompt("a > b> ") && endsWithContinuation("x\r\n... "), "prompts");
  const std::string shown = "S would need 6516 Mb; refused (the limit is 2100 Mb) \r\n(routine checkModular, position 3)\r\n";
  const auto alert = alertAt(shown, shown.find("(routine "));
  expect(alert && alert->routine == "checkModular" && alert->position == 3 &&
             alert->message == "S would need 6516 Mb; refused (the limit is 2100 Mb)" && isSizeRefusal(alert->message),
         "alert with its origin");
  const std::string refused = "> reset tensor\r\nInvalid command: tensor\r\nInterpretation error \r\n(routine printErrorBuffer, position 0)\r\n";
  const auto mode = alertAt(refused, refused.find("(routine "));
  expect(mode && mode->message == "Invalid command: tensor / Interpretation error", "the reason of an interpretation error");
  const std::string bare = "> h\r\nInterpretation error \r\n(routine printErrorBuffer, position 0)\r\n";
  const auto echo = alertAt(bare, bare.find("(routine "));
  expect(echo && echo->message == "Interpretation error", "an interpretation error right after the echo");
  const std::string answered = "(OK/Ignore/Auto/Help):OK\r\nInterpretation error \r\n(routine printErrorBuffer, position 0)\r\n";
  const auto after = alertAt(answered, answered.find("(routine "));
  expect(after && after->message == "Interpretation error", "an interpretation error after an answered question");
  expect(frameFunction("#0  0x00007f1 in __GI___libc_write (fd=1, buf=0x1, nbytes=2) at write.c:26") == "__GI___libc_write",
         "C frame");
  expect(frameFunction("#2  0x000055 in SM_grade(int, int) ()") == "SM_grade", "C++ frame without debug data");
  expect(frameFunction("#3  0x000055 in (anonymous namespace)::buildMatrix(std::vector<int> const&) const ()") ==
             "(anonymous namespace)::buildMatrix",
         "frame in an anonymous namespace");
  expect(frameFunction("#4  main ()") == "main", "frame without address");
  expect(frameFunction("#5  0x55 in (anonymous namespace)::runFirstCommand(CommandLine*, int, void (*)(int)) ()") ==
             "(anonymous namespace)::runFirstCommand",
         "parameter types with a function pointer");
  expect(frameFunction("#6  0x55 in std::vector<void (*)(int), std::allocator<void (*)(int)> >::push_back(int) ()") ==
             "std::vector<void (*)(int), std::allocator<void (*)(int)> >::push_back",
         "template brackets holding parentheses");
  expect(frameFunction("[Inferior 1 (process 7) detached]").empty(), "no frame");
  // The argument file against a table of three commands: what it lacks and what it has wrong.
  std::vector<TableCommand> small(3);
  parseTableLine("modular | get weight | =[field a] | -", small[0], problem);
  parseTableLine("modular | orbit | =[current J][field i] | -", small[1], problem);
  parseTableLine("modular | s | =(field lbl1)(field lbl2) | HLP_s", small[2], problem);
  ScratchFolder folder("zoq-sweep-check");
  const std::string path = folder.path() + "/arguments.txt";
  std::ofstream(path) << "# comment\nGet  Weight | 1\ncy1: orbit | 0 1\nget weight | 2\nfusion | 1\nk3: s | 0\ns\n"
                          "cy14: orbit | $current2 $lastx\n";
  std::vector<std::string> found;
  const std::vector<std::string> names = {"a1", "cy1", "cy14"};
  const ArgumentFile file = readArgumentFile(path, small, names, true, found);
  auto reported = [&](const std::string& text) {
    return std::any_of(found.begin(), found.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
  };
  expect(found.size() == 6 && reported(":4: a second line for \"get weight\"") &&
             reported(":5: \"fusion\" is no command of the table") && reported(":6: unknown theory \"k3\"") &&
             reported(":7: no \"|\"") && reported(":8: unknown placeholder \"$lastx\"") &&
             reported("no parameters for \"orbit\" ([current J][field i]) on a1"),
         "the problems of an argument file");
  expect(file.parametersFor("a1", "get weight") == std::optional<std::string>("1") &&
             file.parametersFor("cy1", "orbit") == std::optional<std::string>("0 1") && !file.parametersFor("a1", "orbit") &&
             !file.parametersFor("a1", "s") && file.parametersFor("cy14", "get weight") == std::optional<std::string>("1"),
         "parameters by theory");
  found.clear();
  readArgumentFile(path, small, {"a1"}, true, found);
  expect(reported(":3: unknown theory \"cy1\"") && reported(":8: unknown theory \"cy14\""), "only the theories named");
  found.clear();
  const ArgumentFile one = readArgumentFile(path, small, {"cy1"}, false, found);
  expect(found.size() == 3 && !reported("unknown theory") && !reported("$lastx") &&
             one.parametersFor("cy1", "orbit") == std::optional<std::string>("0 1"),
         "the sweep of one theory passes over the lines of others");

  // The set-up's spectrum line: A1 at level 46000 has 46001 primaries and the currents 0 and 1.
  TheoryCounts counts;
  expect(readSpectrumLine("> algebra a 1 46000\r\nCFT A1 level 46000; 46001 primaries (2 simple currents)\r\n> ", counts) &&
             counts.primaries == 46001 && counts.currents == 2,
         "spectrum line with simple currents");
  expect(readSpectrumLine("CFT {1}; 9 primaries (3 simple currents)\r\nCFT {15411804}; 28539 primaries\r\n", counts) &&
             counts.primaries == 28539 && counts.currents == 1,
         "the last spectrum line; without currents the identity alone");
  expect(!readSpectrumLine("Invalid command: build\r\n> ", counts), "no spectrum line");
  expect(readTotal("> total boundaries\r\nNumber of Ishibashi orbits: 23001; Boundary Orbits: 23001\r\n46001\r\n> ") ==
             std::optional<long long>(46001),
         "a total after a message");
  expect(readTotal("> total invariants\r\n-1\r\n> ") == std::optional<long long>(-1) &&
             !readTotal("> total invariants\r\nInvalid command\r\n> "),
         "a negative total and none");

  // The placeholders for A1 at level 46000 (46001 primaries, currents 0 and 1), 3 invariants,
  // 8 boundaries, unknown Ishibashi labels and orientifolds.
  counts = TheoryCounts{46001, 2, 3, 8, -1, 0};
  std::vector<std::string> unknown;
  expect(substitutePlaceholders("$last $middle $current2 $lastcurrent $lastinvariant", counts, &unknown) ==
             "46000 23000 1 1 2" && unknown.empty(),
         "placeholders of fields, currents and invariants");
  expect(substitutePlaceholders("$lastboundary:1 $middleboundary:2 $lastishibashi $lastorientifold", counts, &unknown) ==
             "7:1 4:2 0 0" && unknown.empty(),
         "placeholders of boundaries, unknown and empty counts");
  counts.currents = 42;
  expect(substitutePlaceholders("{A1 level 46000} $current2$", counts, &unknown) == "{A1 level 46000} 2$" &&
             unknown.size() == 1 && unknown.front() == "$",
         "the second current of many; a lone dollar");
  unknown.clear();
  expect(substitutePlaceholders("$lastfield 1", counts, &unknown) == "$lastfield 1" && unknown.size() == 1 &&
             unknown.front() == "$lastfield",
         "a name is read whole, not as its known beginning");
  expect(stem("/a/b/command_sweep_arguments_wide.txt") == "command_sweep_arguments_wide" && stem("x") == "x", "file stem");

  // The way-out notice after Ctrl-C: the prompt behind it still counts, the notice alone not.
  expect(isNoticeLine("Still working; press Ctrl-C again to end the program") && !isNoticeLine("42"), "notice line");
  expect(endsWithPromptAfterStop("x\r\n> ") && endsWithPromptAfterStop("x\r\n> Press Ctrl-C again to quit\r\n") &&
             endsWithPromptAfterStop("x\r\n> \r\nPress Ctrl-C again to quit\r\n"),
         "the prompt with a notice behind it");
  expect(!endsWithPromptAfterStop("x\r\nPress Ctrl-C again to quit\r\n") &&
             !endsWithPromptAfterStop("x\r\n> Press Ctrl-C again to quit") && !endsWithPrompt("x\r\n> Ctrl-C again\r\n") &&
             !endsWithPromptAfterStop("x\r\n> 42\r\n"),
         "a notice without the prompt is no prompt");
  return failures;
}

// ---------------------------------------------------------------------------------------

struct Options {
  std::string zoq, table, output, logs;
  std::vector<std::string> arguments, names, setup;
  int jobs = 2;
  double limit = 5.0, patience = 30.0;
  std::vector<std::string> only;
  bool check = false;
};

int usage(const std::string& why) {
  std::cerr << "command_sweep: " << why << "\n"
            << "usage: command_sweep --zoq BINARY --table TABLE --arguments FILE --name NAME\n"
            << "         (--setup \"line\" | --setup-file FILE)... [--jobs N] [--limit SECONDS] [--patience SECONDS]\n"
            << "         [--only \"command words\"]... [--output FILE.md] [--logs FOLDER]\n"
            << "       command_sweep --check --table TABLE (--arguments FILE)... (--name NAME)...\n";
  return 2;
}

// The lines of a set-up file, without blank lines and "#" comments; false when unreadable.
bool readSetupFile(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    line = trim(line);
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return true;
}

}  // namespace

const char* zoqBinary() { return theBinary.c_str(); }

int run(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--check") {
      options.check = true;
      continue;
    }
    if (i + 1 >= argc) return usage("no value for " + option);
    const std::string value = argv[++i];
    if (option == "--zoq") {
      // Each zoq starts in a scratch folder of its own: a relative path would not reach it.
      char* absolute = realpath(value.c_str(), nullptr);
      options.zoq = absolute != nullptr ? absolute : value;
      std::free(absolute);
    }
    else if (option == "--table") options.table = value;
    else if (option == "--arguments") options.arguments.push_back(value);
    else if (option == "--name") options.names.push_back(value);
    else if (option == "--setup") options.setup.push_back(value);
    else if (option == "--setup-file") {
      if (!readSetupFile(value, options.setup)) return usage("cannot read " + value);
    }
    else if (option == "--output") options.output = value;
    else if (option == "--logs") options.logs = value;
    else if (option == "--only") options.only.push_back(commandKey(value));
    else if (option == "--jobs") options.jobs = std::max(1, std::atoi(value.c_str()));
    else if (option == "--limit") options.limit = std::atof(value.c_str());
    else if (option == "--patience") options.patience = std::atof(value.c_str());
    else return usage("unknown option " + option);
  }
  if (options.table.empty() || options.arguments.empty()) return usage("--table and --arguments are needed");
  if (options.names.empty()) return usage("--name is needed");
  for (const std::string& name : options.names) {
    if (name.empty() || name.find_first_of(": \t/|") != std::string::npos)
      return usage("the name \"" + name + "\" holds a blank, \":\", \"/\" or \"|\"");
  }
  std::string problem;
  const std::vector<TableCommand> table = readCommandTable(options.table, problem);
  if (table.empty()) return usage(problem);
  std::vector<std::string> problems;
  std::vector<ArgumentFile> argumentFiles;
  for (const std::string& path : options.arguments)
    argumentFiles.push_back(readArgumentFile(path, table, options.names, options.check, problems));
  for (const std::string& line : problems) std::cerr << "command_sweep: " << line << "\n";
  if (!problems.empty()) return 2;
  if (options.check) {
    const int failures = selfCheck();
    std::cout << table.size() << " commands; " << options.arguments.size() << " argument files give every one its parameters on "
              << options.names.size() << " theories; " << failures << " self-check failures\n";
    return failures == 0 ? 0 : 1;
  }
  if (options.arguments.size() != 1 || options.names.size() != 1) return usage("a sweep takes one --arguments and one --name");
  if (options.setup.empty()) return usage("--setup or --setup-file is needed");
  const ArgumentFile& arguments = argumentFiles.front();

  Settings settings;
  settings.theory = options.names.front();
  settings.argumentsName = stem(options.arguments.front());
  settings.limitMilliseconds = static_cast<long long>(options.limit * 1000);
  settings.patienceMilliseconds = static_cast<long long>(options.patience * 1000);
  settings.logs = options.logs;
  // Every alert shows its origin, so that the table can name it.
  settings.setup = options.setup;
  settings.setup.insert(settings.setup.begin(), "set error_trace on");
  if (options.zoq.empty() || access(options.zoq.c_str(), X_OK) != 0) return usage("no zoq binary to run");
  theBinary = options.zoq;
  if (!settings.logs.empty()) mkdir(settings.logs.c_str(), 0755);

  std::string probeReport;
  settings.counts = probeTheory(settings, probeReport);
  std::cerr << "[" << settings.theory << "] " << settings.counts.primaries << " primaries, " << settings.counts.currents
            << " simple currents; " << probeReport << "\n";

  std::vector<std::size_t> chosen;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::string key = commandKey(table[i].words);
    if (options.only.empty() || std::find(options.only.begin(), options.only.end(), key) != options.only.end())
      chosen.push_back(i);
  }
  if (chosen.empty()) return usage("--only names no command of the table");

  std::vector<Outcome> outcomes(chosen.size());
  std::atomic<std::size_t> next{0};
  std::mutex reportLock;
  std::size_t done = 0;
  auto worker = [&] {
    for (std::size_t k = next++; k < chosen.size(); k = next++) {
      const TableCommand& command = table[chosen[k]];
      const std::string parameters =
          substitutePlaceholders(arguments.parametersFor(settings.theory, commandKey(command.words)).value_or(""), settings.counts);
      outcomes[k] = runCommand(settings, command, parameters);
      std::lock_guard<std::mutex> hold(reportLock);
      ++done;
      std::cerr << "[" << done << "/" << chosen.size() << "] " << outcomes[k].typed << ": " << endingName(outcomes[k].ending)
                << " " << seconds(outcomes[k].milliseconds) << " s" << (outcomes[k].what.empty() ? "" : " (" + cell(outcomes[k].what) + ")")
                << "\n";
    }
  };
  std::vector<std::thread> workers;
  for (int j = 0; j < options.jobs; ++j) workers.emplace_back(worker);
  for (std::thread& thread : workers) thread.join();

  const std::string text = tableText(outcomes, settings, probeReport);
  std::cout << text;
  if (!options.output.empty()) {
    std::ofstream(options.output + ".part") << text;
    std::rename((options.output + ".part").c_str(), options.output.c_str());
  }
  const bool failed = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.ending == Ending::Failure; });
  return failed ? 1 : 0;
}

}  // namespace command_sweep

int main(int argc, char** argv) { return command_sweep::run(argc, argv); }
