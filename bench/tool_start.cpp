// Click to tool running: from the Create button's click to the stand-in tool's first
// instruction, against a bare posix_spawnp of the same tool with the same arguments. Both
// run in this process, in turn, so both find the tool the same way.
//
// A button acts when the mouse is released over it, so the clock starts at the release; the
// press, which comes a good while earlier for a user, is off the clock. On its release the
// toolkit repaints the button before it reports the click. The button's own click(), which
// reports the click without a repaint, shows what the program itself adds.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>

#include "measure.h"
#include "modes.h"
#include "platform/qt/qt_program.h"

namespace morlett::bench {
namespace {

constexpr const char* kRezFile = "archive.rez";
constexpr const char* kFolder = "folder";

// The started tools are this process's children: waits until every one has ended, so that
// no run overlaps the next.
void WaitForChildren() {
  while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
  }
}

std::int64_t ReadStamp(const std::string& path) {
  std::ifstream file(path);
  long long stamp = 0;
  file >> stamp;
  return stamp;
}

void SpawnBare() {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its output would mix with the results.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("lithrez"), const_cast<char*>("cv"),
                  const_cast<char*>(kRezFile), const_cast<char*>(kFolder), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], &actions, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "lithrez: could not start\n");
  }
  posix_spawn_file_actions_destroy(&actions);
}

// One way to start the tool: `prepare` runs off the clock, `start` on it.
struct Way {
  std::function<void()> prepare;
  std::function<void()> start;
};

// The microseconds from `way.start` being called until the tool stamped its first
// instruction, or a negative number when it left no stamp.
double MicrosecondsToTool(const std::string& stampPath, const Way& way) {
  std::remove(stampPath.c_str());
  way.prepare();
  const std::int64_t before = MonotonicNanoseconds();
  way.start();
  WaitForChildren();
  const std::int64_t stamped = ReadStamp(stampPath);
  return stamped > before ? static_cast<double>(stamped - before) / 1e3 : -1;
}

}  // namespace

int RunClickBench(int runs, int argc, char** argv) {
  QApplication application(argc, argv);
  qt::ConfigureApplication();
  UseStandInTool();
  QTemporaryDir folder;
  const std::string stampPath = folder.filePath("stamp").toStdString();
  qputenv("STAND_IN_STAMP", QByteArray::fromStdString(stampPath));

  qt::QtProgram program([] {});
  program.Start();
  if (!QTest::qWaitForWindowExposed(&program.Window())) return 1;
  program.Window().Field(Control::Text1).setText(kRezFile);
  program.Window().Field(Control::Text2).setText(kFolder);
  auto& create = static_cast<QAbstractButton&>(program.Window().Widget(Control::Command4));

  const auto nothing = [] {};
  const Way ways[] = {
      {[&] {
         QTest::mousePress(&create, Qt::LeftButton);
         QCoreApplication::processEvents();
       },
       [&] { QTest::mouseRelease(&create, Qt::LeftButton); }},
      {nothing, [&] { create.click(); }},
      {nothing, SpawnBare},
  };
  constexpr int kWays = static_cast<int>(std::size(ways));
  std::vector<double> microseconds[kWays];
  // The first round is not counted; the order turns round so that no way always follows
  // another.
  for (int round = -1; round < runs; ++round) {
    for (int i = 0; i < kWays; ++i) {
      const int way = (round + 1 + i) % kWays;
      const double sample = MicrosecondsToTool(stampPath, ways[way]);
      QCoreApplication::processEvents();  // the console takes the tool's output
      if (sample < 0) {
        std::fprintf(stderr, "the tool left no stamp\n");
        return 1;
      }
      if (round >= 0) microseconds[way].push_back(sample);
    }
  }
  const double bare = Median(microseconds[2]) / 1e3;
  PrintRow({"Click to tool running", Median(microseconds[0]) / 1e3, bare, "ms", runs, Goal::AtMost,
            1.15});
  PrintRow({"Click to tool running, the button's click() without its repaint",
            Median(microseconds[1]) / 1e3, bare, "ms", runs, Goal::None, 0, "for comparison"});
  return 0;
}

}  // namespace morlett::bench
