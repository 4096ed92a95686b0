// What the benchmarks of both builds share: the clock, memory, measured children, the loop that
// takes every kind of run in turn, the rows of the tables, and the soak runs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morlett::bench {

using Numbers = std::vector<double>;
using Command = std::vector<std::string>;

// A count given on the command line: at least one, and one when it is not a number.
int CountOf(std::string_view text);

// Resident memory on Linux, private bytes on Windows; and the peak resident (working set).
long MemoryKiB();
long PeakMemoryKiB();

// A measured child learns from its environment when it was started, and reports once.
double MillisecondsSinceStarted();
[[noreturn]] void ReportAndEnd(const Numbers& numbers);  // how it closes is not measured

// Runs each child `runs` times, after a first round that warms the caches and is not counted;
// the order turns every round, so that no child always follows another. The medians of what
// they reported, [child][number], or nothing if a run failed.
std::optional<std::vector<Numbers>> Alternate(const std::vector<Command>& children, int runs);

// Morlett's figure against the floor's, and the goal on their ratio.
void PrintRow(const std::string& figure, double morlett, double floor, const std::string& unit,
              int runs, double atMost = 0);
// The start's rows, from first paint (ms) and peak memory (MiB) of Morlett and its floors: an
// empty window, and one with a line of text, which pays for the font system's first use.
void PrintStartRows(const Numbers& morlett, const Numbers& empty, const Numbers& text, int runs);

// Long runs of what a user does many times, on the real window that a subclass drives. Each
// prints its row of the soak table and passes on counts of what a leak piles up, never times,
// taken once a warm-up has filled the caches, and again at the end.
class SoakRun {
 public:
  virtual ~SoakRun() = default;
  bool Starts(int starts);  // fifty quick clicks at a time, so that fifty tools run at once
  bool Resizes(int steps);  // from a tiny window to the whole screen and back

 protected:
  virtual void ClickLithrez() = 0;
  virtual void ResizeTo(double fraction) = 0;  // of the way from tiny to the whole screen
  virtual void Pump() = 0;  // runs the event loop until it has had work, a millisecond at most
  virtual bool ToolsRunning() = 0;
  virtual int Held() = 0;               // descriptors or handles
  virtual int Zombies() { return -1; }  // none where the system has no such thing
  virtual int Told() { return 0; }      // starts the program said had failed

  // Runs the event loop until `done` holds; false when the time ran out first.
  bool WaitFor(const std::function<bool()>& done, int seconds = 120);
  void WarmedUp();
  bool Finish(const std::string& run, int asked);  // `asked` starts, or none when negative

  void SetLog(std::string log) { log_ = std::move(log); }  // where the stand-in records its runs
  const std::string& Log() const { return log_; }
  void SetHeldMargin(int margin) { heldMargin_ = margin; }  // what the system's caches may take

 private:
  std::string log_;
  int heldMargin_ = 0;
  int warmHeld_ = 0, rounds_ = 0;
  long warmKiB_ = 0;
  double longestStallMs_ = 0;
  std::int64_t lastRound_ = 0;
};

}  // namespace morlett::bench
