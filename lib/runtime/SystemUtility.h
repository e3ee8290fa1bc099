// A thin layer over the operating system: opening files with home-folder expansion and a
// count of open files, existence and status tests, creating folders with all parents,
// moving, copying and removing files (always by system calls, never by composing a shell
// command from a path), reading a whole file, running the user's shell commands with a
// dry-run mode, processor time that survives a wrap of the processor clock, the day and
// hour, the host name, terminal input and the program's exit routine.
//
// Texts the system returns "in a static buffer" are returned as std::string by value.
// State (the open-file count, the shell switches, the clock readings, the exit routine
// and the injectable sources of the clock) lives for the run; resetSystemUtility restores
// the state right after start-up.
#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

using ExitRoutine = void (*)(int status);

// Ends the program through the installed exit routine (stdexit unless replaced).
[[noreturn]] void GracefulExit(int status);
void setExitRoutine(ExitRoutine routine);
void resetExitRoutine();
// Prints "Program exiting with code %d\n" on standard output and exits with the status.
[[noreturn]] void stdexit(int status);
// Flushes all output and ends the process with the status, without the exit routine
// (the program's plain exits: "-i", the limits of the terminal loop, the answer dialog).
// Statuses outside 0..255 are mapped first (mapExitStatus).
[[noreturn]] void terminateProgram(int status);
// The process status for a program status: 1111 -> 87, 1112 -> 88, any other value
// outside 0..255 -> 255, the rest unchanged.
int mapExitStatus(int status);

// Processor seconds used by the run, robust against the wrap-around of the clock.
double CPUTime();
// The raw processor-clock reading (microseconds) that CPUTime and long searches consult.
using ClockSource = long long (*)();
// Replaces the processor clock (tests fix time with it); nullptr restores std::clock.
void setClockSource(ClockSource source);
// CPUTime() - mark; with reset 1 the mark is set to now.
double TimeDifference(double* mark, int reset);
// A bound on the processor time of a loop: start() is CPUTime() when it was made, passed()
// whether CPUTime() - start() > seconds now. The processor clock (a system call) is read
// only once the steady clock shows that `seconds` less one could have passed: the program
// runs such loops on one thread, which uses no more processor time than passes. A replaced
// clock (tests) is read every time, as CPUTime would be.
class ProcessorTimeLimit {
 public:
  explicit ProcessorTimeLimit(double seconds);
  double start() const { return start_; }
  bool passed();

 private:
  double seconds_;
  double start_;
  std::chrono::steady_clock::time_point wallStart_;
  bool standard_;
};
long long CurrentSecs();
double TimeDif();
void Clock();

// Files and names.
// A name beginning with '~' becomes HOME followed by the rest of the name.
std::string convertFileName(const char* name);
// HOME when it names an existing folder, else "": the preferences and log folders are
// made only inside an existing home. The first call that finds none says once that the
// run goes on without preferences and log files.
std::string usableHomeFolder();
// The folder of the operator's marker files: the run-control markers ("zoq_kill",
// "zoq_stop", "zoq_sleep", "zoq_nice") and the progress-trace markers ("<name>_trace",
// "<name>_notrace"). It is /tmp, unless the environment variable ZOQ_MARKER_FOLDER names
// another folder: the tests of the real binary give every run a folder of its own that
// way, so that markers which other programs on the machine create in /tmp never reach it.
// Read when the modules that look at markers start (and when they are reset).
std::string markerFolderFromEnvironment();
inline constexpr const char* kMarkerFolderVariable = "ZOQ_MARKER_FOLDER";
// Opens the converted name; failure raises "Could not open file" (code 120206), NULL.
FILE* Fopen(const char* name, const char* mode);
int Fclose(FILE* file);
int getOpenedFiles();
// 0 directory, 1 any other existing file, -1 missing (or a NULL path).
int checkDir(const char* path);
// One folder; 0 when it exists; -1 when a file of that name is in the way.
int createDir(const char* path);
// A folder with all missing parents; returns the status of the last level made.
int CreateDir(const char* path);
// Creates the folders leading to the path (no file is created).
int CreateFile(const char* path);
// Absolute, normalised path: '~' is HOME, a relative path is joined to base (or to the
// current folder when base is NULL); doubled and final '/' and every "./" are removed.
std::string getFullPath(const char* path, const char* base);
// The folder part of a path ("." when it has no '/').
void stripToPath(std::string& path);
// The part after the last '/'.
const char* getRelativeName(const char* path);
// Every '/' becomes a terminator, and a newline and terminator end the text.
std::string trunc_path(const char* path);
// The text after the last '.', or NULL.
const char* getExtension(const char* name);
int verifyExtension(const char* name, const char* extension);
// The name with extension ext replaced by newExt; empty when the extension is not ext.
std::string changeExtension(const char* name, const char* extension, const char* newExtension);
// The absolute target of a symbolic link; empty when the path is not a link.
std::string getLink(const char* path);
std::string getCurrentDirectory();
int isFileInDirectory(const char* path, const char* directory);

// Reads the whole file into text with every zero byte left out; reports and returns false
// on failure (codes 120406: missing, a folder, unreadable; 120505: no room).
bool readFileText(const char* file, std::string& text);
// Everything left in an open stream, appended to text; false on a read error.
bool readRestOfStream(FILE* stream, std::string& text);
// The same into the char pool of that name; returns the pool's text or NULL.
char* fileToString(const char* file, const char* poolName);
// Every byte of the file as an int into the int pool of that name, ended by -1.
int* HexfileToString(const char* file, const char* poolName);
// Characters up to and including the first newline; -1 when the file cannot be opened.
int firstlinelen(const char* file);
// Renames an existing file x to the first free x_0, x_1, ...; returns 0 on success, else
// checkDir's answer (0 folder, -1 missing) or -1 after a failed rename.
int moveOldFile(const char* name);
// Copies a file keeping its mode and times, creating the target's folder.
int FullCopy(const char* source, const char* target);
// Moves a file (rename, or copy and remove across file systems); 0 on success.
int moveFile(const char* source, const char* target);
// Removes a file; a missing file is not an error. 0 on success.
int removeFile(const char* path);

// File status (see stat(2)); failures give the documented fallbacks.
int getUid(const char* path);
int getGid(const char* path);
long long fsize(const char* path);
int getReadPerm(const char* path);
int getWritePerm(const char* path);
int getExecPerm(const char* path);
unsigned getMode(const char* path);
long long modtime(const char* path);
long long acctime(const char* path);
long long createtime(const char* path);
int checkSocket(const char* path);

// Calls visit(path) for every entry of the folder except "." and "..".
void dirwalk(const char* directory, void (*visit)(const char* path));

// Shell commands (the user's own commands only; never for file work).
// SystemParameter: 0 run, 1 print and run, 2 print only. SystemTrace >= 2 reports folders made.
int System(const char* format, ...) __attribute__((format(printf, 1, 2)));
void setSystemParameter(int value);
int getSystemParameter();
void setSystemTrace(int value);
int getSystemTrace();
// Replaces "$p", "$f", "$t", "$e", "$r" and "$d" in a command by parts of the file name.
std::string processCommandString(const char* command, const char* file, int extensionPosition);
// flag 0: the first line of the command's output; else runs it and returns "".
std::string ExecuteSilent(const char* command, int flag);
void printenv(const char* name);
const char* getArch();

// Terminal input. Reads one line from standard input into line, without its newline.
// Returns 1 for a line, 0 when the input ended before any character, and -1 for a line
// longer than limit - 2 characters, which is refused with an alert and discarded whole.
// A Ctrl-C while waiting (see InterruptibleRead) drops what was typed and gives
// kReadInterrupted.
inline constexpr int kReadInterrupted = -2;
int getstring(std::string& line, int limit);
// Reads up to and including the next newline of standard input (what "flush" means for it).
void flushStandardInput();

// Day and hour (from localtime).
int getWeekDay();  // 0 Sunday .. 6 Saturday
int getHour();
// 1 in a working period (Monday to Friday, 9:00 to 18:59), else 0.
int WeekDayCheck();
int isWorkingPeriod(int weekDay, int hour);

// Host name (at most 80 characters; "unknown" when it cannot be read).
std::string getCurrentHostName();
void StartupMessage(int argc, char** argv);

// Writes the whole text to an open descriptor, resuming after signals; false on an error.
bool writeAllToDescriptor(int fd, const std::string& text);

// Writes text to path through a temporary file (path.tmp-<process>-<host>-XXXXXX) that is
// synced and renamed into place, so a reader never sees a partial file; false on failure,
// with the temporary file removed. A cache that is checked when read back may skip the
// sync. The first such write into a folder in a run removes the temporaries that ended
// processes of this host left there.
bool writeFileAtomically(const std::string& path, const std::string& text, bool sync = true);
// Removes the temporaries of the file at path left by ended processes of this host (those
// of writeFileAtomically and of the preferences, and the older path.tmp.<process>).
void removeStaleTemporaries(const std::string& path);

// A file shared between processes, opened and locked whole with fcntl: a shared lock for
// reading, an exclusive one for writing. The lock goes with the object. fcntl locks
// belong to the process, so a process holds at most one of these per file at a time.
class LockedFile {
 public:
  enum class Access { Read, Write, Create };  // Create: Write, making the file when missing
  LockedFile(const std::string& path, Access access);
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool isOpen() const { return fd_ >= 0; }
  // errno of a failed open or lock.
  int error() const { return error_; }
  // The file's length in bytes; -1 on failure.
  long long size() const;
  // Everything from offset to the end of the file.
  bool readFrom(std::size_t offset, std::string& text) const;
  bool writeAt(std::size_t offset, const std::string& text) const;
  bool truncate(std::size_t length) const;
  // Flushes the file to the disk (fsync).
  bool sync() const;

 private:
  int fd_ = -1;
  int error_ = 0;
};

// Appends text to a file shared between processes in one write under its exclusive lock,
// making the file when missing; false on failure.
bool appendToSharedFile(const std::string& path, const std::string& text);

// Random numbers: the system generator, seeded from the clock on first use.
// rand() / 2147483647.0 in [0, 1].
double dRandom();
// Uniform in [0, n).
int randomNumber(int n);
// Seeds the generator: the same seed gives the same sequence (tests, reproducible scans).
void seedRandom(unsigned seed);

// Restores the state right after start-up (open-file count, switches, clock source,
// exit routine).
void resetSystemUtility();
