// The complete command set against its tables: every command of the six modes, read from
// command_table.txt beside this file (mode, words, parameter description, help), is
// registered in its mode with a handler, its parameters and their conversions, and its
// help; the commands that are not registered are exactly those the README names in
// "What Zoq does not do"; every registered command has a row in docs/commands.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "boundaries/CrossBound.h"
#include "commands/Commands.h"
#include "interpreter/Interpreter.h"
#include "tensor/Coset.h"
#include "InterpreterTestSupport.h"
#include "TestSupport.h"

namespace {

const std::filesystem::path kSourceRoot = ZOQ_SOURCE_DIR;
const std::filesystem::path kHere = kSourceRoot / "tests" / "unit" / "commands";

std::string trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Runs of blanks and line breaks become one blank, so flowed help compares with its source.
std::string squeeze(const std::string& text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\n' || c == '\t') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// One line of the table: the mode of the tables, the mode it is registered in when the two
// differ on purpose, the words, the parameter description and the help.
struct TableEntry {
  std::string mode;
  std::string registeredMode;
  std::string words;
  // "-" none; "=text" exactly this description; "~text" the same parameter count and types
  // (the tables abbreviate it); "... >> text" the description registered instead.
  std::string parameters;
  std::string expectedDescription;  // what the registration must hold
  bool exact = true;
  // "-" a registered text only; "HLP_x" that help function; "\"x\"" the text holds x;
  // "^\"x\"" the text begins with x.
  std::string help;
};

std::vector<TableEntry> readTable() {
  std::vector<TableEntry> table;
  std::ifstream in(kHere / "command_table.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::size_t at = 0;
    while (true) {
      std::size_t bar = line.find(" | ", at);
      cells.push_back(trim(line.substr(at, bar == std::string::npos ? std::string::npos : bar - at)));
      if (bar == std::string::npos) break;
      at = bar + 3;
    }
    if (cells.size() != 4) {
      ADD_FAILURE() << "malformed table line: " << line;
      continue;
    }
    TableEntry entry;
    std::size_t arrow = cells[0].find('>');
    entry.mode = cells[0].substr(0, arrow);
    entry.registeredMode = arrow == std::string::npos ? entry.mode : cells[0].substr(arrow + 1);
    entry.words = cells[1];
    entry.parameters = cells[2];
    entry.help = cells[3];
    std::string description = cells[2];
    std::size_t instead = description.find(" >> ");
    if (instead != std::string::npos) {
      entry.expectedDescription = description.substr(instead + 4);
    } else if (description == "-") {
      entry.expectedDescription = "";
    } else {
      entry.exact = description[0] == '=';
      entry.expectedDescription = description.substr(1);
    }
    table.push_back(entry);
  }
  return table;
}

// The commands the README says Zoq does not have: the first double-quoted text of each
// bullet of the section "What Zoq does not do", up to its first sub-heading.
std::vector<std::string> readmeLeftOut() {
  std::istringstream in(readText(kSourceRoot / "README.md"));
  std::vector<std::string> commands;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) {
      inside = line == "## What Zoq does not do";
      continue;
    }
    if (!inside) continue;
    if (line.rfind("###", 0) == 0) break;
    if (line.rfind("- \"", 0) != 0) continue;
    std::size_t close = line.find('"', 3);
    if (close == std::string::npos) continue;
    commands.push_back(line.substr(3, close - 3));
  }
  return commands;
}

// One typed or untyped group of a parameter description: its type word ("" when the group is
// passed as text), whether it is required, and whether it repeats.
struct Group {
  std::string type;
  bool required = false;
};

struct Signature {
  std::vector<Group> groups;
  bool repeats = false;
  bool operator==(const Signature& other) const {
    if (repeats != other.repeats || groups.size() != other.groups.size()) return false;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      if (groups[i].type != other.groups[i].type || groups[i].required != other.groups[i].required)
        return false;
    }
    return true;
  }
};

// The groups before "..." (the last of them is the one that repeats).
Signature signatureOf(const std::string& description) {
  Signature signature;
  std::size_t at = 0;
  while (at < description.size() && (description[at] == '[' || description[at] == '(')) {
    char close = description[at] == '[' ? ']' : ')';
    std::size_t end = description.find(close, at + 1);
    if (end == std::string::npos) break;
    std::string inside = description.substr(at + 1, end - at - 1);
    std::size_t blank = inside.find(' ');
    signature.groups.push_back({blank == std::string::npos ? "" : inside.substr(0, blank),
                                description[at] == '['});
    at = end + 1;
  }
  signature.repeats = description.compare(at, 3, "...") == 0;
  return signature;
}

Mode* modeNamed(const std::string& name) {
  if (name == "default") return getDefaultMode();
  if (name == "single") return getSingleAlgebraMode();
  if (name == "tensor") return getTensorMode();
  if (name == "heterotic") return getHeteroticMode();
  if (name == "modular") return getModularMode();
  if (name == "boundary") return getBoundaryMode();
  return nullptr;
}

const std::map<std::string, HelpFunction>& helpFunctions() {
  static const std::map<std::string, HelpFunction> functions = {
      {"HLP_minimal", HLP_minimal},       {"HLP_types", HLP_types},
      {"HLP_algebra", HLP_algebra},       {"HLP_restricted_spectrum", HLP_restricted_spectrum},
      {"HLP_restore", HLP_restore},       {"HLP_newcol", HLP_newcol},
      {"HLP_susy", HLP_susy},             {"HLP_criteria", HLP_criteria},
      {"HLP_decomp", HLP_decomp},         {"HLP_current", HLP_current},
      {"HLP_create", HLP_create},         {"HLP_s", HLP_s},
      {"HLP_pmatrix", HLP_pmatrix},       {"HLP_fusion", HLP_fusion},
      {"HLP_pfusion", HLP_pfusion},       {"HLP_twists", HLP_twists},
      {"HLP_bulk", HLP_bulk},
  };
  return functions;
}

// Every node of the command tree below level with its phrase.
void collect(Command* level, const std::string& prefix,
             std::vector<std::pair<std::string, Command*>>& out) {
  if (level == nullptr) return;
  collect(level->lesser, prefix, out);
  std::string phrase = prefix.empty() ? level->name : prefix + " " + level->name;
  out.emplace_back(phrase, level);
  collect(level->keywords, phrase, out);
  collect(level->greater, prefix, out);
}

bool isGroupHead(const std::string& words) {
  return words == "algebra" || words == "g" || words == "h";
}

class CommandTableTest : public ZoqTest {
 protected:
  void SetUp() override {
    ZoqTest::SetUp();
    table = readTable();
    std::vector<std::string> left = readmeLeftOut();
    leftOut.insert(left.begin(), left.end());
  }

  std::vector<TableEntry> table;
  std::set<std::string> leftOut;
};

TEST_F(CommandTableTest, TheTableHoldsTheCommandsOfEachModeInTheirNumbers) {
  const std::map<std::string, int> expected = {{"default", 139}, {"single", 22},
                                               {"tensor", 11},   {"heterotic", 12},
                                               {"modular", 114}, {"boundary", 80}};
  std::map<std::string, int> counted;
  std::set<std::string> seen;
  for (const TableEntry& entry : table) {
    ++counted[entry.mode];
    EXPECT_TRUE(seen.insert(lower(entry.words)).second) << "listed twice: " << entry.words;
  }
  EXPECT_EQ(counted, expected);
  EXPECT_EQ(table.size(), 378u);
}

TEST_F(CommandTableTest, EveryCommandIsRegisteredInItsModeWithAHandlerOrListedAsLeftOut) {
  std::map<std::string, int> registered;
  std::map<std::string, int> missing;
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    bool present = node != nullptr && (node->handler != nullptr || isGroupHead(entry.words));
    if (leftOut.count(entry.words) != 0) {
      EXPECT_FALSE(present) << "\"" << entry.words << "\" is registered but the README says it is not";
      ++missing[entry.mode];
      continue;
    }
    if (!present) {
      ADD_FAILURE() << "\"" << entry.words << "\" is neither registered nor listed in the README";
      continue;
    }
    ++registered[entry.mode];
    EXPECT_EQ(node->mode, modeNamed(entry.registeredMode)) << entry.words;
    if (isGroupHead(entry.words)) {
      // A group head only carries help.
      EXPECT_EQ(node->handler, nullptr) << entry.words;
    }
    EXPECT_EQ(node->status, 0) << entry.words;
  }
  const std::pair<const char*, int> totals[] = {{"default", 139}, {"single", 22},
                                                {"tensor", 11},   {"heterotic", 12},
                                                {"modular", 114}, {"boundary", 80}};
  for (const auto& [mode, total] : totals)
    EXPECT_EQ(registered[mode] + missing[mode], total) << mode;
}

TEST_F(CommandTableTest, EveryCommandTheReadmeLeavesOutIsACommandOfTheTables) {
  std::set<std::string> words;
  for (const TableEntry& entry : table) words.insert(entry.words);
  // Every command is built: the README says so, and lists none.
  EXPECT_NE(readText(kSourceRoot / "README.md").find("\n## What Zoq does not do\n"), std::string::npos);
  for (const std::string& command : leftOut)
    EXPECT_EQ(words.count(command), 1u) << "\"" << command << "\" is not a command of the tables";
}

TEST_F(CommandTableTest, NoModeHoldsACommandTheTablesDoNotName) {
  std::set<std::string> words;
  for (const TableEntry& entry : table) words.insert(lower(entry.words));
  std::vector<std::pair<std::string, Command*>> nodes;
  collect(getCommandTree(), "", nodes);
  const Mode* applicationModes[] = {getSingleAlgebraMode(), getTensorMode(), getHeteroticMode(),
                                    getModularMode(), getBoundaryMode()};
  int checked = 0;
  for (const auto& [phrase, node] : nodes) {
    if (node->handler == nullptr) continue;
    if (std::find(std::begin(applicationModes), std::end(applicationModes), node->mode) ==
        std::end(applicationModes))
      continue;
    ++checked;
    EXPECT_EQ(words.count(phrase), 1u) << "\"" << phrase << "\" is not in the tables";
  }
  EXPECT_GT(checked, 0);
}

TEST_F(CommandTableTest, ParameterDescriptionsAndTheirConversionsFollowTheTables) {
  Conversion* text = findConversion("id");
  ASSERT_NE(text, nullptr);
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || (node->handler == nullptr && !isGroupHead(entry.words))) continue;
    SCOPED_TRACE(entry.words);
    if (entry.exact) {
      EXPECT_EQ(node->paramDescription, entry.expectedDescription);
    } else {
      EXPECT_TRUE(signatureOf(node->paramDescription) == signatureOf(entry.expectedDescription))
          << node->paramDescription << " against " << entry.expectedDescription;
    }
    // Counts and conversions as the description states them.
    Signature signature = signatureOf(entry.expectedDescription);
    int required = 0;
    for (const Group& group : signature.groups) required += group.required ? 1 : 0;
    EXPECT_EQ(node->minParams, required);
    if (signature.repeats) {
      EXPECT_EQ(node->maxParams, kUnboundedParameters);
    } else {
      EXPECT_EQ(node->maxParams, static_cast<int>(signature.groups.size()));
    }
    // The groups before "..." are converted, the repeated one included.
    std::size_t converted = signature.groups.size();
    ASSERT_EQ(node->conversions.size(), converted);
    for (std::size_t i = 0; i < converted; ++i) {
      const std::string& type = signature.groups[i].type;
      Conversion* conversion = type.empty() ? text : findConversion(type.c_str());
      ASSERT_NE(conversion, nullptr) << type;
      EXPECT_EQ(node->conversions[i], conversion->method) << "parameter " << i;
    }
  }
}

TEST_F(CommandTableTest, TheApplicationTypesOfTheTablesConvertThroughTheirOwnFunctions) {
  // Each label or number type of a registered parameter reaches the function of its word.
  const std::map<std::string, ConversionFunction> functions = {
      {"current", CONV_getCurrent},     {"fcur", CONV_getfcur},       {"fprim", CONV_getffield},
      {"field", CONV_getLabel},         {"simple_root", CONV_getRoot}, {"N_susy", CONV_getN_susy},
      {"level", CONV_getlevel},         {"radius", CONV_getradius},   {"rank", CONV_getrank},
      {"dim", CONV_getdim},             {"bound", CONV_getBound},     {"Ishibashi", CONV_getIshibashi},
  };
  std::set<std::string> used;
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || node->handler == nullptr) continue;
    Signature signature = signatureOf(node->paramDescription);
    for (std::size_t i = 0; i < node->conversions.size() && i < signature.groups.size(); ++i) {
      auto found = functions.find(signature.groups[i].type);
      if (found == functions.end()) continue;
      used.insert(found->first);
      ASSERT_NE(node->conversions[i], nullptr) << entry.words;
      EXPECT_EQ(node->conversions[i]->convert, found->second) << entry.words << " parameter " << i;
    }
  }
  // The built commands use every application type ("fprim" has no command in the tables).
  for (const auto& [type, function] : functions) {
    if (type != "fprim") {
      EXPECT_EQ(used.count(type), 1u) << type;
    }
  }
}

TEST_F(CommandTableTest, HelpTextsAndHelpFunctionsFollowTheTables) {
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || (node->handler == nullptr && !isGroupHead(entry.words))) continue;
    SCOPED_TRACE(entry.words);
    EXPECT_FALSE(trim(node->helpText).empty());
    std::string help = squeeze(node->helpText);
    if (entry.help.rfind("HLP_", 0) == 0) {
      auto found = helpFunctions().find(entry.help);
      ASSERT_NE(found, helpFunctions().end()) << entry.help;
      EXPECT_EQ(node->helpFunction, found->second);
    } else {
      EXPECT_EQ(node->helpFunction, nullptr);
    }
    if (entry.help.rfind("^\"", 0) == 0) {
      std::string start = entry.help.substr(2, entry.help.size() - 3);
      EXPECT_EQ(help.rfind(squeeze(start), 0), 0u) << help;
    } else if (entry.help.rfind("\"", 0) == 0) {
      std::string fragment = entry.help.substr(1, entry.help.size() - 2);
      EXPECT_NE(help.find(squeeze(fragment)), std::string::npos) << help;
    }
  }
  // Only the marked commands are internal or temporary.
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || node->handler == nullptr || entry.help.rfind("^\"", 0) == 0) continue;
    std::string help = squeeze(node->helpText);
    EXPECT_NE(help.rfind("INTERNAL", 0), 0u) << entry.words;
    EXPECT_NE(help.rfind("TEMPORARY", 0), 0u) << entry.words;
  }
}

TEST_F(CommandTableTest, TheDisabledCommandIsKnownButRefused) {
  Command* stabilizer = matchComKey("browse stabilizer");
  ASSERT_NE(stabilizer, nullptr);
  EXPECT_EQ(stabilizer->enabled, 0);
  int enabledOthers = 0;
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || entry.words == "browse stabilizer") continue;
    EXPECT_EQ(node->enabled, 1) << entry.words;
    ++enabledOthers;
  }
  EXPECT_GT(enabledOthers, 300);
}

TEST_F(CommandTableTest, BoundaryCommandsRunTheOrientedOrTheFullOpenStringSetUpFirst) {
  // The first 22 boundary commands need the oriented data, the other 58 the orientifold too.
  // The boundary search of exceptional invariants runs with the oriented set-up for now:
  // the full one would also build and print the Klein bottle of an invariant that may have
  // none yet; the Moebius and crosscap searches are how it gets one.
  const std::set<std::string> orientedSearch = {
      "search boundaries", "search NIMrep",       "try boundary",
      "assemble",          "select boundary_set", "compute boundary permutations",
      "search Moebius",    "search crosscap"};
  int position = 0;
  for (const TableEntry& entry : table) {
    if (entry.mode != "boundary") continue;
    ++position;
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || node->handler == nullptr) continue;
    bool oriented = position <= 22 || orientedSearch.count(entry.words) != 0;
    EXPECT_EQ(node->preCommand, oriented ? initializeOrientedOpenString : initializeOpenString)
        << entry.words;
  }
  EXPECT_EQ(position, 80);
  // Commands of the other modes run without a set-up step.
  for (const TableEntry& entry : table) {
    if (entry.mode == "boundary") continue;
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr) continue;
    EXPECT_EQ(node->preCommand, nullptr) << entry.words;
  }
}

// The words of a code span, without its parameters.
std::vector<std::string> spanWords(const std::string& span) {
  std::istringstream in(span.substr(0, span.find_first_of("[(")));
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  // A trailing "..." stands for the parameters (`set require right ...`).
  if (words.size() > 1 && words.back() == "...") words.pop_back();
  return words;
}

std::string joined(const std::vector<std::string>& words, std::size_t count) {
  std::string phrase;
  for (std::size_t i = 0; i < count && i < words.size(); ++i) phrase += (i > 0 ? " " : "") + words[i];
  return phrase;
}

// Whether docs/commands.md has a table row for the command: a code span of the row's first
// cell that names it, or a short form after such a span: the last word alone (`algebra
// at`, `bt`), "..." for leading words of the span before (`search Klein_bottle`, `...
// kbc`), or a range `P a` .. `P z` of commands with the parameters of `P a`.
bool documented(const std::string& docs, const std::string& words, const std::string& description) {
  const std::string target = lower(words);
  std::istringstream in(docs);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("| `", 0) != 0) continue;
    std::size_t cellEnd = line.find(" | ", 2);
    std::string cell = lower(line.substr(2, cellEnd == std::string::npos ? std::string::npos : cellEnd - 2));
    std::vector<std::string> spans;
    for (std::size_t at = cell.find('`'); at != std::string::npos;) {
      std::size_t close = cell.find('`', at + 1);
      if (close == std::string::npos) break;
      spans.push_back(cell.substr(at + 1, close - at - 1));
      at = cell.find('`', close + 1);
    }
    std::vector<std::string> previous;
    for (std::size_t i = 0; i < spans.size(); ++i) {
      std::vector<std::string> named = spanWords(spans[i]);
      if (named.empty()) continue;
      if (joined(named, named.size()) == target) return true;
      if (named[0] == "..." && !previous.empty()) {
        std::vector<std::string> rest(named.begin() + 1, named.end());
        for (std::size_t keep = 1; keep <= previous.size(); ++keep) {
          if (joined(previous, keep) + " " + joined(rest, rest.size()) == target) return true;
        }
        continue;
      }
      if (named.size() == 1 && previous.size() > 1 &&
          joined(previous, previous.size() - 1) + " " + named[0] == target)
        return true;
      // A range covers the commands of its leading words with the parameters of its first.
      if (i + 1 < spans.size() && named.size() > 1 &&
          cell.find("`" + spans[i] + "` .. `" + spans[i + 1] + "`") != std::string::npos) {
        std::string head = joined(named, named.size() - 1);
        Command* first = matchComKey(joined(named, named.size()).c_str());
        if (target.rfind(head + " ", 0) == 0 && spanWords(target).size() == named.size() &&
            first != nullptr && first->paramDescription == description)
          return true;
      }
      previous = named;
    }
  }
  return false;
}

TEST_F(CommandTableTest, EveryRegisteredCommandHasARowInTheCommandDocumentation) {
  std::string docs = readText(kSourceRoot / "docs" / "commands.md");
  ASSERT_FALSE(docs.empty());
  for (const TableEntry& entry : table) {
    Command* node = matchComKey(entry.words.c_str());
    if (node == nullptr || node->handler == nullptr) continue;
    EXPECT_TRUE(documented(docs, entry.words, node->paramDescription))
        << "no row in docs/commands.md for " << entry.words;
  }
}

TEST_F(CommandTableTest, HelpPrintsTheRegisteredTextWithoutFormulaMarks) {
  // "$" and "@" of a registered formula are removed on the screen.
  run("help check eta");
  EXPECT_NE(squeeze(capture.printed).find("Check Y(f,0,i)/Y(f,0,0)=exp(i pi h_J) eta(J)."),
            std::string::npos)
      << capture.printed;
  EXPECT_EQ(capture.printed.find('$'), std::string::npos);
  EXPECT_EQ(capture.printed.find('@'), std::string::npos);
  capture.clear();
  // A field parameter without a name keeps its blank.
  run("help get twist");
  EXPECT_EQ(capture.printed.rfind("Command syntax: Get Twist [field ][current K][current J]\n", 0), 0u)
      << capture.printed;
}

TEST_F(CommandTableTest, TheReportOfATachyonFreeCaseNamesTheCurrentOrientifold) {
  // SU(2) at level 2: the list holds Klein-bottle current 1 (tension P_20 = sin(3 pi/8))
  // before current 0 (tension P_00 = sin(pi/8)).
  ASSERT_EQ(run("algebra a 1 2"), 0);
  ASSERT_LT(run("select orientifold 1"), kResultLineFeed);
  EXPECT_EQ(tachyonFreeReport().orientifoldNumber(), 1);
  capture.clear();
  tachyonFreeReport().orientifold();
  EXPECT_EQ(capture.printed,
            "Klein bottle current:       0\n"
            "Invariant is trivial (\"Cardy case\", no crosscap sign choices)\n"
            "O-plane tension:       0.3826834\n");
  EXPECT_EQ(capture.diagnostics.find("not available yet"), std::string::npos);
  ASSERT_LT(run("select orientifold 0"), kResultLineFeed);
  EXPECT_EQ(tachyonFreeReport().orientifoldNumber(), 0);
  capture.clear();
  tachyonFreeReport().orientifold();
  EXPECT_NE(capture.printed.find("O-plane tension:       0.9238795\n"), std::string::npos)
      << capture.printed;
}

TEST_F(CommandTableTest, TheDocumentationListsTheCommandsOfEachModeInOrder) {
  // docs/commands.md, "Commands by mode": one sub-section per mode, its commands as code spans.
  std::istringstream in(readText(kSourceRoot / "docs" / "commands.md"));
  const std::map<std::string, std::string> titles = {
      {"### Default mode", "default"}, {"### Single algebra mode", "single"},
      {"### Tensor mode", "tensor"},   {"### Heterotic mode", "heterotic"},
      {"### Modular mode", "modular"}, {"### Boundary mode", "boundary"}};
  std::map<std::string, std::vector<std::string>> listed;
  std::string line;
  std::string mode;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) {
      inside = line == "## Commands by mode";
      mode.clear();
      continue;
    }
    if (!inside) continue;
    if (line.rfind("### ", 0) == 0) {
      mode.clear();
      for (const auto& [title, name] : titles) {
        if (line.rfind(title + " (", 0) == 0) mode = name;
      }
      EXPECT_FALSE(mode.empty()) << line;
      continue;
    }
    if (mode.empty()) continue;
    for (std::size_t at = line.find('`'); at != std::string::npos;) {
      std::size_t close = line.find('`', at + 1);
      if (close == std::string::npos) break;
      listed[mode].push_back(line.substr(at + 1, close - at - 1));
      at = line.find('`', close + 1);
    }
  }
  std::map<std::string, std::vector<std::string>> expected;
  for (const TableEntry& entry : table) expected[entry.mode].push_back(entry.words);
  EXPECT_EQ(listed, expected);
}

}  // namespace
