// Starting a tool the way a terminal does, without a shell and without waiting for it, and
// knowing when and how each started tool ends.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace morlett::qt {

struct Spawned {
  pid_t process = 0;
  int error = 0;  // the system's error number when it did not start
};

// Starts the program at `path` with `arguments` as its argument list, in a session of its own,
// inheriting no descriptor but its standard streams. With a `terminal` path, the terminal
// becomes its controlling terminal and its standard input, output and error; with none, it
// shares the program's own. Any step of the set-up that fails fails the start.
Spawned StartDetached(const std::string& path, const std::vector<std::string>& arguments,
                      const std::string& terminal);

// What the core is told when a start failed with the system's `error`.
StartResult FailedStart(int error);

// The started tools that have not ended yet. Each is reaped as soon as it ends, so none is
// left as a zombie.
class ToolProcesses {
 public:
  // `ended` is told of each tool's end, once it has been reaped.
  explicit ToolProcesses(std::function<void(const RunEnd&)> ended);
  ~ToolProcesses();
  ToolProcesses(const ToolProcesses&) = delete;
  ToolProcesses& operator=(const ToolProcesses&) = delete;

  RunId Watch(pid_t process);
  bool Any() const { return !running_.empty(); }

 private:
  class Watcher;
  void Ended(const RunEnd& end);

  std::function<void(const RunEnd&)> ended_;
  std::map<RunId, std::unique_ptr<Watcher>> running_;
  RunId lastRun_ = 0;
};

}  // namespace morlett::qt
