#include "platform/qt/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "platform/qt/unique_fd.h"

namespace morlett::qt {
namespace {

// Where the system gives no descriptor for a process, its end is looked for this often.
constexpr int kEndPollMilliseconds = 100;

// A descriptor that becomes readable when the process ends; close-on-exec, as every pidfd is.
// Called directly: this C library's header for it is unusable from C++.
int OpenProcessDescriptor(pid_t process) {
  return static_cast<int>(syscall(SYS_pidfd_open, process, 0));
}

// A posix_spawn record, made with its function and destroyed only if that worked. Each set-up
// step that fails keeps the first error, which then fails the start.
template <typename Record, int (*Init)(Record*), int (*Destroy)(Record*)>
class SpawnRecord {
 public:
  SpawnRecord() : error_(Init(&record_)) {}
  ~SpawnRecord() {
    if (made_) Destroy(&record_);
  }
  SpawnRecord(const SpawnRecord&) = delete;
  SpawnRecord& operator=(const SpawnRecord&) = delete;

  Record* get() { return &record_; }
  int Error() const { return error_; }
  // Runs a set-up step, unless one has already failed: the record is then left alone.
  template <typename Step>
  void Apply(Step step) {
    if (error_ == 0) error_ = step(&record_);
  }

 private:
  Record record_{};
  int error_;
  bool made_ = error_ == 0;
};

using SpawnFileActions = SpawnRecord<posix_spawn_file_actions_t, posix_spawn_file_actions_init,
                                     posix_spawn_file_actions_destroy>;
using SpawnAttributes =
    SpawnRecord<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// The new session has no controlling terminal yet, so opening the terminal without O_NOCTTY
// makes it the session's: /dev/tty opens, and the terminal's keys signal the tool. Every other
// descriptor is opened close-on-exec; closing the rest also keeps out any the program inherited.
void SetUpStreams(SpawnFileActions& actions, const std::string& terminal) {
  if (!terminal.empty()) {
    actions.Apply([&](auto* record) {
      return posix_spawn_file_actions_addopen(record, STDIN_FILENO, terminal.c_str(), O_RDWR, 0);
    });
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
      actions.Apply([&](auto* record) {
        return posix_spawn_file_actions_adddup2(record, STDIN_FILENO, stream);
      });
    }
  }
  actions.Apply([](auto* record) {
    return posix_spawn_file_actions_addclosefrom_np(record, STDERR_FILENO + 1);
  });
}

// A session of its own, all signals unblocked and at their defaults, as from a fresh login.
void StartAsOwnSession(SpawnAttributes& attributes) {
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  attributes.Apply([&](auto* record) { return posix_spawnattr_setsigmask(record, &none); });
  attributes.Apply([&](auto* record) { return posix_spawnattr_setsigdefault(record, &all); });
  attributes.Apply([](auto* record) {
    return posix_spawnattr_setflags(
        record, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  });
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// How a run ended, from the status waitpid gave for it.
RunEnd EndFromWaitStatus(RunId run, int status, double seconds) {
  if (!WIFSIGNALED(status)) return {run, EndKind::Exited, WEXITSTATUS(status), {}, seconds};
  const int signal = WTERMSIG(status);
  const char* name = sigabbrev_np(signal);
  return {run, EndKind::Signalled, signal, name ? name : "", seconds};
}

}  // namespace

Spawned StartDetached(const std::string& path, const std::vector<std::string>& arguments,
                      const std::string& terminal) {
  SpawnFileActions actions;
  SetUpStreams(actions, terminal);
  SpawnAttributes attributes;
  StartAsOwnSession(attributes);
  Spawned spawned{0, actions.Error() != 0 ? actions.Error() : attributes.Error()};
  if (spawned.error != 0) return spawned;

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): posix_spawn never writes argv
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  spawned.error = posix_spawn(&spawned.process, path.c_str(), actions.get(), attributes.get(),
                              argv.data(), environ);
  return spawned;
}

StartResult FailedStart(int error) {
  if (error == E2BIG) return {StartOutcome::CommandLineTooLong, {}};
  return {StartOutcome::Failed,
          std::strerror(error)};  // NOLINT(concurrency-mt-unsafe): UI thread only
}

// Reaps one process as soon as it ends: told by a descriptor that becomes readable then, or,
// where the system gives none, by looking every so often.
class ToolProcesses::Watcher {
 public:
  Watcher(ToolProcesses& owner, RunId run, pid_t process)
      : owner_(owner), run_(run), process_(process), pidfd_(OpenProcessDescriptor(process)) {
    if (pidfd_) {
      notifier_.reset(new QSocketNotifier(pidfd_.get(), QSocketNotifier::Read));
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                       [this] { Reap(); });
    } else {
      poll_.reset(new QTimer());
      QObject::connect(poll_.get(), &QTimer::timeout, poll_.get(), [this] { Reap(); });
      poll_->start(kEndPollMilliseconds);
    }
  }

 private:
  // Ended, with the status, once reaped; a process reaped elsewhere (ECHILD) has ended too, with
  // no status to tell. This watcher is gone afterwards.
  void Reap() {
    int status = 0;
    pid_t reaped = 0;
    do {
      reaped = waitpid(process_, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0 || (reaped < 0 && errno != ECHILD)) return;
    const double seconds = SecondsSince(started_);
    owner_.Ended(reaped > 0 ? EndFromWaitStatus(run_, status, seconds)
                            : RunEnd{run_, EndKind::Exited, -1, {}, seconds});
  }

  ToolProcesses& owner_;
  RunId run_;
  pid_t process_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  UniqueFd pidfd_;
  // Declared after the descriptor: stopped first. Either may be let go from its own signal.
  LaterDeleted<QSocketNotifier> notifier_;
  LaterDeleted<QTimer> poll_;
};

ToolProcesses::ToolProcesses(std::function<void(const RunEnd&)> ended) : ended_(std::move(ended)) {}

ToolProcesses::~ToolProcesses() = default;

RunId ToolProcesses::Watch(pid_t process) {
  const RunId run = ++lastRun_;
  running_.emplace(run, std::make_unique<Watcher>(*this, run, process));
  return run;
}

void ToolProcesses::Ended(const RunEnd& end) {
  running_.erase(end.run);
  ended_(end);
}

}  // namespace morlett::qt
