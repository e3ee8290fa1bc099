// Ordered jobs over forked workers. The parent talks to each worker through one socket
// pair (so that a write to a dead worker fails instead of raising SIGPIPE): it sends a
// job index (an 8-byte integer, -1 to leave) and reads back one frame per job. A frame is
// its body's length and the body: index, status, skipped-candidate count, the recording
// and the result, the numbers as 8-byte integers and the texts with their length first.
// A recording is a sequence of events: output (target, channel, text), alert (site, code,
// text) and log-file piece (which file, text), replayed in the order they happened.
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

bool readExactly(int descriptor, void* buffer, std::size_t length) {
  char* at = static_cast<char*>(buffer);
  while (length > 0) {
    const ssize_t got = read(descriptor, at, length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
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

// An exception other than StopRequest ends the worker through std::terminate (an abort the
// parent reports), never by unwinding into the parent's code that the fork copied.
[[noreturn]] void workerMain(const OrderedJobs& jobs, int socket) noexcept {
  signal(SIGINT, SIG_IGN);
  clearInterruptRequest();
  setProgressInfo(0);
  clearAtLineBegin();
  WorkerState& s = worker();
  s.socket = socket;
  setOutputRecorder(recordOutput);
  setAlertRecorder(recordAlert);
  setLogRecordRecorder(recordLogRecord);
  for (bool first = true;; first = false) {
    std::int64_t index = -1;
    if (!readExactly(socket, &index, sizeof index) || index < 0 || index >= jobs.count) _exit(0);
    s.index = index;
    s.captureStart = getReturnToBuffer() > 0 ? getReturnBuffer().size() : 0;
    s.events.clear();
    s.skipsAtStart = inconsistentSkipCount();
    std::string result;
    JobStatus status = JobStatus::Done;
    try {
      if (first && index > 0 && jobs.prepare) {
        jobs.prepare();
        if (getReturnToBuffer() > 0) takeReturnBuffer(s.captureStart);
        s.events.clear();
        s.skipsAtStart = inconsistentSkipCount();
      }
      result = jobs.run(static_cast<int>(index));
    } catch (const StopRequest&) {
      status = JobStatus::Stopped;
    }
    sendFrame(status, result);
  }
}

struct Worker {
  pid_t pid = -1;
  int socket = -1;
  int job = -1;  // the job it runs, -1 when idle
  std::string inbox;
};

// The parent's side: the live workers, every one of them ended and reaped on every way out.
class WorkerTeam {
 public:
  WorkerTeam() = default;
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;
  ~WorkerTeam() { endAll(true); }

  std::vector<Worker> members;

  // Forks up to `wanted` workers; how many exist afterwards.
  int start(const OrderedJobs& jobs, int wanted) {
    // Nothing buffered may reach a child: it would be written twice.
    sinkFlush();
    std::fflush(nullptr);
    const pid_t parent = getpid();
    for (int w = 0; w < wanted; ++w) {
      int ends[2];
      if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) break;
      const pid_t pid = fork();
      if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        break;
      }
      if (pid == 0) {
        close(ends[0]);
        for (const Worker& other : members) close(other.socket);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(0);
        workerMain(jobs, ends[1]);
      }
      close(ends[1]);
      Worker member;
      member.pid = pid;
      member.socket = ends[0];
      members.push_back(std::move(member));
    }
    return static_cast<int>(members.size());
  }

  bool assign(Worker& member, std::int64_t index) {
    const ssize_t sent = send(member.socket, &index, sizeof index, MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(sizeof index)) return false;
    member.job = index >= 0 ? static_cast<int>(index) : -1;
    return true;
  }

  // Reaps a worker whose socket closed; how it ended, in words.
  static std::string reap(Worker& member) {
    close(member.socket);
    member.socket = -1;
    int status = 0;
    pid_t got;
    do {
      got = waitpid(member.pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    member.pid = -1;
    if (got < 0) return "it could not be waited for";
    if (WIFSIGNALED(status)) {
      return formatText("killed by signal %d (%s)", WTERMSIG(status), strsignal(WTERMSIG(status)));
    }
    return formatText("exit status %d", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }

  // Ends every worker: idle ones are told to leave, busy ones (or all, when `kill`) killed.
  void endAll(bool kill) {
    for (Worker& member : members) {
      if (member.pid < 0) continue;
      if (kill || member.job >= 0 || !assign(member, -1)) ::kill(member.pid, SIGKILL);
      reap(member);
    }
    members.clear();
  }
};

// Takes the complete frames out of a worker's inbox; false at a malformed frame.
bool takeFrames(Worker& member, std::map<int, std::string>& finished) {
  for (;;) {
    FrameReader header{member.inbox};
    const std::int64_t length = header.number();
    if (!header.ok || member.inbox.size() - header.at < static_cast<std::size_t>(std::max<std::int64_t>(length, 0))) {
      return true;
    }
    if (length < 0) return false;
    std::string body = member.inbox.substr(header.at, static_cast<std::size_t>(length));
    member.inbox.erase(0, header.at + static_cast<std::size_t>(length));
    FrameReader reader{body};
    const std::int64_t index = reader.number();
    if (!reader.ok || index != member.job) return false;
    finished[static_cast<int>(index)] = std::move(body);
    member.job = -1;
  }
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
  WorkerTeam team;
  if (team.start(jobs, std::min(jobs.workers, jobs.count)) == 0) {
    Alert("runOrderedJobs", 0, 100201, "No worker process could be started (%s); the jobs run one by one",
          std::strerror(errno));
    return runPlainLoop(jobs);
  }
  std::map<int, std::string> finished;
  int nextJob = 0;
  for (Worker& member : team.members) {
    if (nextJob < jobs.count && team.assign(member, nextJob)) ++nextJob;
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
      if (status == JobStatus::Ended) {
        team.endAll(true);
        return OrderedJobsEnd::Ended;
      }
      jobs.deliver(nextDelivery, result);
      ++nextDelivery;
    }
    if (nextDelivery >= jobs.count) {
      team.endAll(false);
      return OrderedJobsEnd::Completed;
    }
    if (nextDelivery >= lostJob) {
      team.endAll(true);
      Alert("runOrderedJobs", 1, 120206, "The worker process of %s %d ended (%s); the run stops before it",
            jobs.jobName.c_str(), lostJob + jobs.firstNumber, howLost.c_str());
      return OrderedJobsEnd::Lost;
    }
    // Ctrl-C: StopRequest, and the team's end on the way out ends every worker.
    obeyInterruptRequest();
    std::vector<pollfd> watched;
    std::vector<Worker*> owners;
    for (Worker& member : team.members) {
      if (member.pid < 0 || member.job < 0) continue;
      watched.push_back(pollfd{member.socket, POLLIN, 0});
      owners.push_back(&member);
    }
    if (watched.empty()) {
      // Every job before the first lost one is done or lost; nothing more will come.
      lostJob = std::min(lostJob, nextDelivery);
      if (howLost.empty()) howLost = "no worker left";
      continue;
    }
    const int ready = poll(watched.data(), watched.size(), kPollMilliseconds);
    if (ready <= 0) continue;
    for (std::size_t w = 0; w < watched.size(); ++w) {
      if (watched[w].revents == 0) continue;
      Worker& member = *owners[w];
      char chunk[kReadChunk];
      const ssize_t got = read(member.socket, chunk, sizeof chunk);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      bool intact = got > 0;
      if (intact) {
        member.inbox.append(chunk, static_cast<std::size_t>(got));
        intact = takeFrames(member, finished);
      }
      if (!intact) {
        const int job = member.job;
        ::kill(member.pid, SIGKILL);
        const std::string how = WorkerTeam::reap(member);
        if (job >= 0 && job < lostJob) {
          lostJob = job;
          howLost = how;
        }
        continue;
      }
      if (member.job < 0) {
        if (nextJob < lostJob && nextJob < jobs.count && team.assign(member, nextJob)) {
          ++nextJob;
        }
      }
    }
  }
}
