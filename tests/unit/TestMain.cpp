// Entry point shared by the unit-test programs. Every program runs with a fresh, empty
// HOME (so start-up never reads or writes the user's preferences, logs or data) and with
// standard input at its end (so nothing can wait for an answer); the HOME folder is
// removed again afterwards. The run-control markers are looked for in that HOME too (unless
// the program's own support named another folder), never in the /tmp that other programs
// on the machine share.
#include <ftw.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  char home[] = "/tmp/zoq-unit-XXXXXX";
  bool madeHome = mkdtemp(home) != nullptr;
  if (madeHome) setenv("HOME", home, 1);
  if (madeHome) setenv("ZOQ_MARKER_FOLDER", home, 0);
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
  int result = RUN_ALL_TESTS();
  if (madeHome) nftw(home, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  return result;
}
