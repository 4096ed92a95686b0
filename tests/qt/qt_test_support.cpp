#include "qt_test_support.h"

#include <unistd.h>

#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace morlett::testing {
namespace {

// The parent's pid, from /proc/<pid>/stat: the second field after the command name, which
// may itself hold spaces and parentheses. Empty when the process has gone meanwhile; the
// stream, unlike a stream iterator, turns that failed read into a state rather than throwing.
std::string ParentOf(const std::filesystem::path& stat) {
  std::ifstream file(stat);
  std::string line;
  if (!std::getline(file, line)) return {};
  std::istringstream afterName(line.substr(line.rfind(')') + 1));
  std::string state;
  std::string parent;
  afterName >> state >> parent;
  return parent;
}

}  // namespace

int ChildProcessCount() {
  const std::string self = std::to_string(getpid());
  int children = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (ParentOf(entry.path() / "stat") == self) ++children;
  }
  return children;
}

std::vector<int> OpenDescriptors() {
  std::vector<int> descriptors;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    descriptors.push_back(std::stoi(entry.path().filename()));
  }
  return descriptors;
}

int OpenTerminalDescriptors() {
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target.starts_with("/dev/pts/") || target == "/dev/ptmx") ++count;
  }
  return count;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Click(QtProgram& program, Control button) {
  QTest::mouseClick(&program.Window().Widget(button), Qt::LeftButton);
}

StartedProgram::StartedProgram()
    : program_(std::make_unique<QtProgram>([ended = ended_] { *ended = true; })) {
  program_->Start();
  if (!QTest::qWaitForWindowExposed(&program_->Window())) {
    QTest::qFail("the window was never shown", __FILE__, __LINE__);
  }
}

StartedProgram::~StartedProgram() = default;

QString StartedProgram::ConsolePane() const {
  ConsoleWindow* console = program_->Platform().Console();
  return console ? console->Pane().toPlainText() : QString();
}

}  // namespace morlett::testing
