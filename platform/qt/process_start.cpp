#include "platform/qt/process_start.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morlett {
namespace {

class SpawnFileActions {
 public:
  SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { posix_spawnattr_init(&attributes_); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

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

StartResult StartDetached(const std::vector<std::string>& arguments, int terminal) {
  if (arguments.empty() || arguments.front().empty()) return Failure(ENOENT);
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
      posix_spawnp(&child, argv[0], actions.get(), attributes.get(), argv.data(), environ);
  return error == 0 ? StartResult{StartOutcome::Started, {}} : Failure(error);
}

void ReapChildrenAutomatically() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  action.sa_flags = SA_NOCLDWAIT;
  sigemptyset(&action.sa_mask);
  sigaction(SIGCHLD, &action, nullptr);
}

}  // namespace morlett
