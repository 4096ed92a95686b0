#include "platform/qt/process_start.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morlett::qt {
namespace {

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

void UseTerminalForStandardStreams(SpawnFileActions& actions, int terminal) {
  if (terminal == kOwnStandardStreams) return;
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_adddup2(actions.get(), terminal, stream);
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

StartResult Failure(int error) {
  if (error == E2BIG) return {StartOutcome::CommandLineTooLong, {}};
  return {StartOutcome::Failed, std::strerror(error)};
}

}  // namespace

StartResult StartDetached(const std::string& path, const std::vector<std::string>& arguments,
                          int terminal) {
  SpawnFileActions actions;
  UseTerminalForStandardStreams(actions, terminal);
  // Every descriptor is opened close-on-exec; this also keeps out any the program inherited.
  posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  SpawnAttributes attributes;
  StartAsOwnSession(attributes);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int error =
      posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv.data(), environ);
  return error == 0 ? StartResult{StartOutcome::Started, {}} : Failure(error);
}

void ReapChildrenAutomatically() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  action.sa_flags = SA_NOCLDWAIT;
  sigemptyset(&action.sa_mask);
  sigaction(SIGCHLD, &action, nullptr);
}

}  // namespace morlett::qt
