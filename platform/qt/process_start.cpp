#include "platform/qt/process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

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

// A posix_spawn record, made and destroyed with its functions.
template <typename Record, int (*Init)(Record*), int (*Destroy)(Record*)>
class SpawnRecord {
 public:
  SpawnRecord() { Init(&record_); }
  ~SpawnRecord() { Destroy(&record_); }
  SpawnRecord(const SpawnRecord&) = delete;
  SpawnRecord& operator=(const SpawnRecord&) = delete;
  Record* get() { return &record_; }

 private:
  Record record_;
};

using SpawnFileActions = SpawnRecord<posix_spawn_file_actions_t, posix_spawn_file_actions_init,
                                     posix_spawn_file_actions_destroy>;
using SpawnAttributes =
    SpawnRecord<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// The new session has no controlling terminal yet, so opening the terminal without O_NOCTTY
// makes it the session's: /dev/tty opens, and the terminal's keys signal the tool.
void UseTerminalForStandardStreams(SpawnFileActions& actions, const std::string& terminal) {
  if (terminal.empty()) return;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, terminal.c_str(), O_RDWR, 0);
  for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_adddup2(actions.get(), STDIN_FILENO, stream);
  }
}

// A session of its own, all signals unblocked and at their defaults, as from a fresh login.
void StartAsOwnSession(SpawnAttributes& attributes) {
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  posix_spawnattr_setsigmask(attributes.get(), &none);
  posix_spawnattr_setsigdefault(attributes.get(), &all);
  posix_spawnattr_setflags(attributes.get(),
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

}  // namespace

Spawned StartDetached(const std::string& path, const std::vector<std::string>& arguments,
                      const std::string& terminal) {
  SpawnFileActions actions;
  UseTerminalForStandardStreams(actions, terminal);
  // Every descriptor is opened close-on-exec; this also keeps out any the program inherited.
  posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  SpawnAttributes attributes;
  StartAsOwnSession(attributes);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  Spawned spawned;
  spawned.error = posix_spawn(&spawned.process, path.c_str(), actions.get(), attributes.get(),
                              argv.data(), environ);
  return spawned;
}

StartResult FailedStart(int error) {
  if (error == E2BIG) return {StartOutcome::CommandLineTooLong, {}};
  return {StartOutcome::Failed, std::strerror(error)};
}

// Reaps one process as soon as it ends: told by a descriptor that becomes readable then, or,
// where the system gives none, by looking every so often.
class ToolProcesses::Watcher {
 public:
  Watcher(ToolProcesses& owner, RunId run, pid_t process)
      : owner_(owner), run_(run), process_(process), pidfd_(OpenProcessDescriptor(process)) {
    if (pidfd_) {
      notifier_ = std::make_unique<QSocketNotifier>(pidfd_.get(), QSocketNotifier::Read);
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Reap(); });
    } else {
      QObject::connect(&poll_, &QTimer::timeout, [this] { Reap(); });
      poll_.start(kEndPollMilliseconds);
    }
  }

 private:
  // A process reaped elsewhere (ECHILD) has ended too. This watcher is gone afterwards.
  void Reap() {
    if (waitpid(process_, nullptr, WNOHANG) != 0) owner_.Ended(run_);
  }

  ToolProcesses& owner_;
  RunId run_;
  pid_t process_;
  UniqueFd pidfd_;
  std::unique_ptr<QSocketNotifier> notifier_;  // declared after the descriptor: stopped first
  QTimer poll_;
};

ToolProcesses::ToolProcesses(std::function<void()> lastEnded) : lastEnded_(std::move(lastEnded)) {}

ToolProcesses::~ToolProcesses() = default;

RunId ToolProcesses::Watch(pid_t process) {
  const RunId run = ++lastRun_;
  running_.emplace(run, std::make_unique<Watcher>(*this, run, process));
  return run;
}

void ToolProcesses::Ended(RunId run) {
  running_.erase(run);
  if (running_.empty()) lastEnded_();
}

}  // namespace morlett::qt
