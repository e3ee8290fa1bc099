// Ordered jobs over forked workers. Each job runs in a process of its own, forked for it
// (so no job meets another's state or memory), that talks to the parent through a socket
// pair, so that the parent's reads of a dead worker fail instead of raising SIGPIPE. The
// worker writes one frame and leaves: its body's length and the body, which holds the
// index, status, skipped-candidate count, the recording and the result, the numbers as
// 8-byte integers and the texts with their length first. A recording is a sequence of
// events: output (target, channel, text), alert (site, code, text) and log-file piece
// (which file, text), replayed in the order they happened.
#include "runtime/OrderedJobs.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/SystemUtility.h"
#include "runtime/Terminal.h"

namespace {

enum class EventKind : std::int64_t { Output, Alert, LogRecord };
enum class JobStatus : std::int64_t { Done, Stopped, Ended };

constexpr int kPollMilliseconds = 100;
constexpr std::size_t kReadChunk = 1 << 16;

void putNumber(std::string& out, std::int64_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putText(std::string& out, std::string_view text) {
  putNumber(out, static_cast<std::int64_t>(text.size()));
  out.append(text);
}

// Reads numbers and texts back from a frame; `ok` turns false at a short or bad field.
struct FrameReader {
  std::string_view data;
  std::size_t at = 0;
  bool ok = true;

  std::int64_t number() {
    std::int64_t value = 0;
    if (!ok || data.size() - at < sizeof value) {
      ok = false;
      return 0;
    }
    std::memcpy(&value, data.data() + at, sizeof value);
    at += sizeof value;
    return value;
  }
  std::string_view text() {
    const std::int64_t length = number();
    if (!ok || length < 0 || static_cast<std::uint64_t>(length) > data.size() - at) {
      ok = false;
      return {};
    }
    std::string_view piece = data.substr(at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
    return piece;
  }
};

// The worker's side: the recording of the running job. Lives in the worker only.
struct WorkerState {
  std::string events;
  int socket = -1;
  std::int64_t index = -1;
  std::size_t captureStart = 0;
  long long skipsAtStart = 0;
};

WorkerState& worker() {
  static WorkerState s;
  return s;
}

void recordOutput(OutputTarget target, Channel channel, std::string_view text) {
  std::string& events = worker().events;
  putNumber(events, static_cast<std::int64_t>(EventKind::Output));
  putNumber(events, static_cast<std::int64_t>(target));
  putNumber(events, static_cast<std::int64_t>(channel));
  putText(events, text);
}

void recordLogRecord(bool diagnostics, const std::string& text) {
  std::string& events = worker().events;
  putNumber(events, static_cast<std::int64_t>(EventKind::LogRecord));
  putNumber(events, diagnostics ? 1 : 0);
  putText(events, text);
}

// Sends the frame of the running job; a parent that is gone ends the worker.
void sendFrame(JobStatus status, const std::string& result) {
  WorkerState& s = worker();
  if (getReturnToBuffer() > 0) {
    const std::string captured = takeReturnBuffer(s.captureStart);
    if (!captured.empty()) recordOutput(OutputTarget::Capture, Channel::Print, captured);
  }
  std::string body;
  putNumber(body, s.index);
  putNumber(body, static_cast<std::int64_t>(status));
  putNumber(body, inconsistentSkipCount() - s.skipsAtStart);
  putText(body, s.events);
  putText(body, result);
  std::string frame;
  putText(frame, body);
  s.events.clear();
  if (!writeAllToDescriptor(s.socket, frame)) _exit(1);
}

int recordAlert(const char* routine, int position, int code, const std::string& text) {
  std::string& events = worker().events;
  putNumber(events, static_cast<std::int64_t>(EventKind::Alert));
  putNumber(events, position);
  putNumber(events, code);
  putText(events, routine);
  putText(events, text);
  // In a background run this alert ends the program; its replay does that in the parent.
  const int severity = (code / 100) % 10;
  if (getBackground() != 0 && severity >= 3) {
    sendFrame(JobStatus::Ended, "");
    _exit(0);
  }
  return 1;
}

// Runs job `index` and sends its frame. An exception other than StopRequest ends the
// worker through std::terminate (an abort the parent reports), never by unwinding into
// the parent's code that the fork copied.
[[noreturn]] void workerMain(const OrderedJobs& jobs, int socket, int index) noexcept {
  // Ctrl-C at a terminal reaches the whole foreground process group: a worker then dies at
  // once by the signal's own action (nothing of the parent's handler runs twice), instead
  // of computing on until the parent comes round to ending it. A program that was started
  // with Ctrl-C ignored keeps its workers ignoring it too.
  struct sigaction inherited {};
  sigaction(SIGINT, nullptr, &inherited);
  const bool ignored = (inherited.sa_flags & SA_SIGINFO) == 0 && inherited.sa_handler == SIG_IGN;
  signal(SIGINT, ignored ? SIG_IGN : SIG_DFL);
  clearInterruptRequest();
  setProgressInfo(0);
  clearAtLineBegin();
  WorkerState& s = worker();
  s.socket = socket;
  s.index = index;
  s.captureStart = getReturnToBuffer() > 0 ? getReturnBuffer().size() : 0;
  s.events.clear();
  s.skipsAtStart = inconsistentSkipCount();
  setOutputRecorder(recordOutput);
  setAlertRecorder(recordAlert);
  setLogRecordRecorder(recordLogRecord);
  std::string result;
  JobStatus status = JobStatus::Done;
  try {
    if (index > 0 && jobs.prepare) {
      jobs.prepare();
      if (getReturnToBuffer() > 0) takeReturnBuffer(s.captureStart);
      s.events.clear();
      s.skipsAtStart = inconsistentSkipCount();
    }
    result = jobs.run(index);
  } catch (const StopRequest&) {
    status = JobStatus::Stopped;
  }
  sendFrame(status, result);
  _exit(0);
}

struct Worker {
  pid_t pid = -1;  // -1: no process in this place
  int socket = -1;
  int job = -1;
  std::string inbox;
};

// The parent's side: one place per worker, each holding the process of one job at a time;
// every process is ended and reaped on every way out.
class WorkerTeam {
 public:
  explicit WorkerTeam(int places) : members(static_cast<std::size_t>(places)) {}
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;
  ~WorkerTeam() { endAll(); }

  std::vector<Worker> members;

  // Forks the worker of job `index` into an empty place; false when it could not be made.
  bool spawn(const OrderedJobs& jobs, Worker& place, int index) {
    // Nothing buffered may reach a child: it would be written twice.
    sinkFlush();
    std::fflush(nullptr);
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
      close(ends[0]);
      close(ends[1]);
      return false;
    }
    if (pid == 0) {
      close(ends[0]);
      for (const Worker& other : members) {
        if (other.socket >= 0) close(other.socket);
      }
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(0);
      workerMain(jobs, ends[1], index);
    }
    close(ends[1]);
    place.pid = pid;
    place.socket = ends[0];
    place.job = index;
    place.inbox.clear();
    return true;
  }

  // Reaps the process of a place (after its frame, or killed); how it ended, in words, and
  // in *killedBy the signal that killed it (left alone when none did).
  static std::string reap(Worker& member, int* killedBy = nullptr) {
    close(member.socket);
    member.socket = -1;
    int status = 0;
    pid_t got;
    do {
      got = waitpid(member.pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    member.pid = -1;
    member.job = -1;
    if (got < 0) return "it could not be waited for";
    if (WIFSIGNALED(status)) {
      if (killedBy != nullptr) *killedBy = WTERMSIG(status);
      return formatText("killed by signal %d (%s)", WTERMSIG(status), strsignal(WTERMSIG(status)));
    }
    return formatText("exit status %d", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }

  // Every worker is signalled before the first is waited for: one that takes a while to
  // die (a large address space to give back) does not keep the others computing meanwhile.
  void endAll() {
    for (Worker& member : members) {
      if (member.pid >= 0) ::kill(member.pid, SIGKILL);
    }
    for (Worker& member : members) {
      if (member.pid >= 0) reap(member);
    }
  }
};

// Takes the frame of a worker's job out of its inbox once it is whole. 1: taken; 0: not
// whole yet; -1: malformed.
int takeFrame(Worker& member, std::map<int, std::string>& finished) {
  FrameReader header{member.inbox};
  const std::int64_t length = header.number();
  if (!header.ok) return 0;
  if (length < 0) return -1;
  if (member.inbox.size() - header.at < static_cast<std::size_t>(length)) return 0;
  std::string body = member.inbox.substr(header.at, static_cast<std::size_t>(length));
  FrameReader reader{body};
  if (reader.number() != member.job || !reader.ok) return -1;
  finished[member.job] = std::move(body);
  member.inbox.clear();
  return 1;
}

// Replays a job's recording here and returns its status; `result` gets the job's result.
JobStatus replayFrame(const std::string& body, std::string& result) {
  FrameReader reader{body};
  reader.number();
  const auto status = static_cast<JobStatus>(reader.number());
  const std::int64_t skipped = reader.number();
  FrameReader events{reader.text()};
  result = std::string(reader.text());
  while (events.ok && events.at < events.data.size()) {
    const auto kind = static_cast<EventKind>(events.number());
    if (kind == EventKind::Output) {
      const auto target = static_cast<OutputTarget>(events.number());
      const auto channel = static_cast<Channel>(events.number());
      const std::string_view text = events.text();
      if (events.ok) replayRecordedOutput(target, channel, text);
    } else if (kind == EventKind::Alert) {
      const int position = static_cast<int>(events.number());
      const int code = static_cast<int>(events.number());
      const std::string routine(events.text());
      const std::string text(events.text());
      if (events.ok) replayAlert(routine, position, code, text);
    } else if (kind == EventKind::LogRecord) {
      const bool diagnostics = events.number() != 0;
      const std::string text(events.text());
      if (events.ok) replayLogRecord(diagnostics, text);
    } else {
      break;
    }
  }
  noteInconsistentSkip(skipped);
  return status;
}

OrderedJobsEnd runPlainLoop(const OrderedJobs& jobs) {
  for (int index = 0; index < jobs.count; ++index) jobs.deliver(index, jobs.run(index));
  return OrderedJobsEnd::Completed;
}

}  // namespace

int orderedJobWorkers(int setting, int count, std::size_t bytesPerJob) {
  long long workers = setting > 0 ? setting : static_cast<long long>(std::thread::hardware_concurrency());
  if (bytesPerJob > 0) {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0) {
      const long double memory = static_cast<long double>(pages) * static_cast<long double>(pageSize);
      const auto fit = static_cast<long long>(memory / static_cast<long double>(bytesPerJob));
      if (fit < workers) workers = fit;
    }
  }
  if (workers > count) workers = count;
  return workers < 1 ? 1 : static_cast<int>(workers);
}

OrderedJobsEnd runOrderedJobs(const OrderedJobs& jobs) {
  if (jobs.workers <= 1 || jobs.count <= 1) return runPlainLoop(jobs);
  WorkerTeam team(std::min(jobs.workers, jobs.count));
  std::map<int, std::string> finished;
  int nextJob = 0;
  for (Worker& place : team.members) {
    if (nextJob < jobs.count && team.spawn(jobs, place, nextJob)) ++nextJob;
  }
  if (nextJob == 0) {
    Alert("runOrderedJobs", 0, 100201, "No worker process could be started (%s); the jobs run one by one",
          std::strerror(errno));
    return runPlainLoop(jobs);
  }
  int lostJob = jobs.count;  // the first job whose worker died
  std::string howLost;
  int nextDelivery = 0;
  for (;;) {
    for (auto ready = finished.find(nextDelivery); ready != finished.end() && nextDelivery < lostJob;
         ready = finished.find(nextDelivery)) {
      std::string result;
      const JobStatus status = replayFrame(ready->second, result);
      finished.erase(ready);
      if (status == JobStatus::Stopped) throw StopRequest{};
      if (status == JobStatus::Ended) return OrderedJobsEnd::Ended;
      jobs.deliver(nextDelivery, result);
      ++nextDelivery;
    }
    if (nextDelivery >= jobs.count) return OrderedJobsEnd::Completed;
    if (nextDelivery >= lostJob) {
      team.endAll();
      Alert("runOrderedJobs", 1, 120206, "The worker process of %s %d ended (%s); the run stops before it",
            jobs.jobName.c_str(), lostJob + jobs.firstNumber, howLost.c_str());
      return OrderedJobsEnd::Lost;
    }
    // Ctrl-C: StopRequest, and the team's end on the way out ends every worker.
    obeyInterruptRequest();
    // Free places take the next jobs (a fork that failed is tried again at the next round).
    for (Worker& place : team.members) {
      if (place.pid < 0 && nextJob < lostJob && nextJob < jobs.count && team.spawn(jobs, place, nextJob)) {
        ++nextJob;
      }
    }
    std::vector<pollfd> watched;
    std::vector<Worker*> owners;
    for (Worker& member : team.members) {
      if (member.pid < 0) continue;
      watched.push_back(pollfd{member.socket, POLLIN, 0});
      owners.push_back(&member);
    }
    if (watched.empty()) {
      // No process could be made for the next job.
      lostJob = std::min(lostJob, nextDelivery);
      if (howLost.empty()) howLost = "no worker process could be started";
      continue;
    }
    if (poll(watched.data(), watched.size(), kPollMilliseconds) <= 0) continue;
    for (std::size_t w = 0; w < watched.size(); ++w) {
      if (watched[w].revents == 0) continue;
      Worker& member = *owners[w];
      char chunk[kReadChunk];
      const ssize_t got = read(member.socket, chunk, sizeof chunk);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      int taken = -1;
      if (got > 0) {
        member.inbox.append(chunk, static_cast<std::size_t>(got));
        taken = takeFrame(member, finished);
      }
      if (taken == 0) continue;
      // A whole frame: the worker leaves by itself. Otherwise it died or spoke nonsense.
      const int job = member.job;
      if (taken < 0) ::kill(member.pid, SIGKILL);
      int killedBy = 0;
      const std::string how = WorkerTeam::reap(member, &killedBy);
      // Killed by the Ctrl-C that the parent has noted as well (the terminal signals the
      // whole group at once): the command stops; that is no lost worker.
      if (killedBy == SIGINT && interruptRequested() != 0) obeyInterruptRequest();
      if (taken < 0 && job < lostJob) {
        lostJob = job;
        howLost = how;
      }
    }
  }
}
