// "build cy" and "scan cy" of 22 of the c = 9 Gepner models (list numbers, none of them
// with identical factors), and the "search quvr" case of 22266, in a background run with a
// fresh HOME: what the run prints and the files it
// leaves must be those of the rational route, byte for byte. The expected digests were
// made by the reference binary of that route (main at 74f0e43, release build) with the same
// command file, folder and normalisation; the integer weights and flat tables must not
// change a single byte. A digest is the length and the 64-bit FNV-1a hash of:
//   - the output, without the lines that name the version, the start time and the CPU
//     time, and with the HOME path replaced by "HOME";
//   - the files left in HOME (all but the command file and Logs/), in byte order of their
//     relative paths, each as path, NUL, contents, NUL, with the HOME path in the contents
//     replaced as well (the length counts the contents so replaced).
// The outputs of 162, 166 and 167 (build and scan) are the reference's without its second
// line "Allocated ... integers for CurrPerms", which repeated the first for the same cache:
// with that line put back they have the reference's digests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BinaryTestSupport.h"

namespace {

using binary_test::CapturedRun;
using binary_test::readWhole;
using binary_test::runCaptured;
using binary_test::ScratchFolder;

struct Digest {
  std::uint64_t length = 0;
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  void add(const std::string& bytes) {
    for (unsigned char c : bytes) {
      hash ^= c;
      hash *= 0x100000001b3ULL;
    }
  }
};

struct Expected {
  const char* name;
  const char* commands;  // lines separated by '\n'
  int status;
  std::uint64_t outputLength;
  std::uint64_t outputHash;
  std::uint64_t filesLength;
  std::uint64_t filesHash;
};

bool startsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

std::string withoutHome(std::string text, const std::string& home) {
  for (std::size_t at = text.find(home); at != std::string::npos; at = text.find(home, at + 4))
    text.replace(at, home.size(), "HOME");
  return text;
}

Digest outputDigest(const std::string& text, const std::string& home) {
  Digest d;
  std::istringstream lines(text);
  std::string line;
  std::string kept;
  while (std::getline(lines, line)) {
    if (startsWith(line, "Zoq (on ") || startsWith(line, "Started ") || startsWith(line, "CPU time used")) continue;
    kept += withoutHome(line, home) + "\n";
  }
  d.length = kept.size();
  d.add(kept);
  return d;
}

Digest filesDigest(const std::string& home) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file() || entry.is_symlink()) continue;
    const std::string relative = fs::relative(entry.path(), home).generic_string();
    if (relative == "cmd.zoq" || startsWith(relative, "Logs/")) continue;
    names.push_back(relative);
  }
  std::sort(names.begin(), names.end());
  Digest d;
  for (const std::string& name : names) {
    const std::string contents = withoutHome(readWhole(home + "/" + name), home);
    d.add(name);
    d.add(std::string(1, '\0'));
    d.add(contents);
    d.add(std::string(1, '\0'));
    d.length += contents.size();
  }
  return d;
}

// Made by the reference binary (see the file comment): name, command lines, exit status,
// output length and hash, files length and hash.
const Expected kExpected[] = {
    {"build_1", "build cy 1", 0, 570, 0xa83ecda2fd09134dULL, 805792, 0xd8a5c830850550acULL},
    {"build_2", "build cy 2", 0, 587, 0xf6d523a92c5ee3feULL, 430513, 0xebf9ade74ec0873dULL},
    {"build_3", "build cy 3", 0, 587, 0x48f11923f6a2ec24ULL, 296485, 0x9c762a6e3dfc9473ULL},
    {"build_5", "build cy 5", 0, 587, 0xf3ab1f6c34351980ULL, 170918, 0x5eea24fd1342fd50ULL},
    {"build_6", "build cy 6", 0, 587, 0x48f0e64070c6a439ULL, 152733, 0x78c3fe65f25aeea7ULL},
    {"build_9", "build cy 9", 0, 431, 0xfa26d1e3d84df665ULL, 0, 0xcbf29ce484222325ULL},
    {"build_25", "build cy 25", 0, 433, 0xe2cf455fb5047f61ULL, 0, 0xcbf29ce484222325ULL},
    {"build_30", "build cy 30", 0, 433, 0x573862d75975f980ULL, 0, 0xcbf29ce484222325ULL},
    {"build_45", "build cy 45", 0, 434, 0xfbfe45b6347e2aa9ULL, 0, 0xcbf29ce484222325ULL},
    {"build_60", "build cy 60", 0, 431, 0x48a5ffff742f57d6ULL, 0, 0xcbf29ce484222325ULL},
    {"build_75", "build cy 75", 0, 428, 0xf64ef06a1ac6312dULL, 0, 0xcbf29ce484222325ULL},
    {"build_90", "build cy 90", 0, 432, 0x0c74f7ec45d66685ULL, 0, 0xcbf29ce484222325ULL},
    {"build_110", "build cy 110", 0, 433, 0x77d4356e983df7fcULL, 0, 0xcbf29ce484222325ULL},
    {"build_120", "build cy 120", 0, 428, 0xf213c90768db22a6ULL, 0, 0xcbf29ce484222325ULL},
    {"build_130", "build cy 130", 0, 427, 0x5a2b172b110643dbULL, 0, 0xcbf29ce484222325ULL},
    {"build_140", "build cy 140", 0, 427, 0x747c4ae82e9f4642ULL, 0, 0xcbf29ce484222325ULL},
    {"build_150", "build cy 150", 0, 434, 0x8b949e939c6ed9b7ULL, 0, 0xcbf29ce484222325ULL},
    {"build_155", "build cy 155", 0, 432, 0x17c14c8b9119c4f7ULL, 0, 0xcbf29ce484222325ULL},
    {"build_162", "build cy 162", 0, 480, 0x6469f2ccd91f4434ULL, 0, 0xcbf29ce484222325ULL},
    {"build_164", "build cy 164", 0, 435, 0xd88ec8960c72c53eULL, 0, 0xcbf29ce484222325ULL},
    {"build_166", "build cy 166", 0, 486, 0x4184c3e385f95ea2ULL, 0, 0xcbf29ce484222325ULL},
    {"build_167", "build cy 167", 0, 482, 0xb0d5e517a046fa52ULL, 0, 0xcbf29ce484222325ULL},
    {"scan_1", "scan cy 1", 0, 828, 0x4d23a06bbf90395fULL, 805809, 0xb6e6d437a1cf7cf9ULL},
    {"scan_2", "scan cy 2", 0, 862, 0x814c37689d5d252aULL, 430545, 0xe80c12a537f8353cULL},
    {"scan_3", "scan cy 3", 0, 744, 0xbebfa76a12cd2ae7ULL, 296517, 0x213ec926b65f6344ULL},
    {"scan_5", "scan cy 5", 0, 783, 0x0616be7d4e0aef80ULL, 170981, 0x328c47309e4172e8ULL},
    {"scan_6", "scan cy 6", 0, 743, 0xe01d9b4afe3f239cULL, 152764, 0x2451d792fb8ba177ULL},
    {"scan_9", "scan cy 9", 0, 573, 0x3cf9531e3af9277dULL, 62, 0x9d9665e22a74d481ULL},
    {"scan_25", "scan cy 25", 0, 1030, 0xc1cd224ccdefbf2cULL, 420, 0x05fe187d2d6f1a41ULL},
    {"scan_30", "scan cy 30", 0, 716, 0x74edf32237bbe15cULL, 170, 0x45705859ce529257ULL},
    {"scan_45", "scan cy 45", 0, 889, 0x49bdcca7c4819f31ULL, 309, 0x7d8b79592e1e04ceULL},
    {"scan_60", "scan cy 60", 0, 591, 0x427cfa19a2ecff5bULL, 75, 0x328abff11af98a0fULL},
    {"scan_75", "scan cy 75", 0, 595, 0x956a83576e3a14a7ULL, 79, 0xbed9e08f5423f856ULL},
    {"scan_90", "scan cy 90", 0, 713, 0xb5357444d6f34288ULL, 168, 0x280c7f19cdc719f7ULL},
    {"scan_110", "scan cy 110", 0, 724, 0x30619d6f83e8a86fULL, 176, 0x79454c1edf6f93efULL},
    {"scan_120", "scan cy 120", 0, 565, 0xf9e011b889ce7fbbULL, 55, 0x4a38df8919fa0dcbULL},
    {"scan_130", "scan cy 130", 0, 594, 0xe9cf36f676355e7eULL, 78, 0xeb7b4afe6ce14adfULL},
    {"scan_140", "scan cy 140", 0, 553, 0x890dd370b3bbaea1ULL, 46, 0xc153a9081aec451fULL},
    {"scan_150", "scan cy 150", 0, 1129, 0x724ef0ce5690275cULL, 492, 0x06edced39047748eULL},
    {"scan_155", "scan cy 155", 0, 661, 0x80e17e9f79c25b69ULL, 123, 0x42acd84a6803962fULL},
    {"scan_162", "scan cy 162", 0, 1193, 0x3232a4ca31537be2ULL, 509, 0x6207acec0a1fe770ULL},
    {"scan_164", "scan cy 164", 0, 1366, 0x5f3cfacdd26f198fULL, 672, 0x51b2373d83f53af0ULL},
    {"scan_166", "scan cy 166", 0, 2955, 0x966233296c6075b0ULL, 1904, 0xc1632913ca7bb787ULL},
    {"scan_167", "scan cy 167", 0, 1175, 0x66e5dfdcd5a983d5ULL, 350, 0x0f372cdaa3b640f4ULL},
    {"search_quvr_22266", "build cy 22266\nselect invariant 28\nsearch quvr", 0, 7997, 0x00ee29a0c546ff5aULL, 83080, 0xa963556eae69d258ULL},
};

class GepnerOutputSlowTest : public ::testing::TestWithParam<Expected> {};

TEST_P(GepnerOutputSlowTest, OutputAndFilesAreThoseOfTheRationalRoute) {
  const Expected& e = GetParam();
  ScratchFolder home("zoq-digest");
  ASSERT_FALSE(home.path().empty());
  std::ofstream(home.path() + "/cmd.zoq") << e.commands << "\n";
  const CapturedRun run = runCaptured(home.path(), {"-b", "cmd.zoq"});
  EXPECT_EQ(run.status, e.status);
  const Digest output = outputDigest(run.output, home.path());
  EXPECT_EQ(output.length, e.outputLength) << run.output;
  EXPECT_EQ(output.hash, e.outputHash) << run.output;
  const Digest files = filesDigest(home.path());
  EXPECT_EQ(files.length, e.filesLength);
  EXPECT_EQ(files.hash, e.filesHash);
}

INSTANTIATE_TEST_SUITE_P(GepnerModels, GepnerOutputSlowTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<Expected>& param) { return std::string(param.param.name); });

}  // namespace
