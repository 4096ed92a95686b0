#include "platform/qt/close_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace morlett::qt {
namespace {

constexpr std::array<int, 3> kCloseSignals = {SIGINT, SIGTERM, SIGHUP};

// The one thing a handler may touch: where to write the wake-up.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a handler reaches no other
std::atomic<int> gWakeUpWriter{-1};

void WakeUp(int) {
  const int savedErrno = errno;
  const char byte = 0;
  // A full pipe already holds a wake-up, so a failed write loses nothing.
  [[maybe_unused]] const ssize_t written = ::write(gWakeUpWriter.load(), &byte, 1);
  errno = savedErrno;
}

}  // namespace

CloseSignals::CloseSignals(std::function<void()> close) : close_(std::move(close)) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the signals keep their defaults
  reader_ = UniqueFd(ends[0]);
  writer_ = UniqueFd(ends[1]);
  notifier_ = std::make_unique<QSocketNotifier>(reader_.get(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { Drain(); });
  previousWriter_ = gWakeUpWriter.exchange(writer_.get());
  struct sigaction action {};
  action.sa_handler = WakeUp;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  // A signal whose handler cannot be set keeps its default, which ends the program as before.
  for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
    static_cast<void>(sigaction(kCloseSignals[i], &action, &previous_[i]));
  }
}

CloseSignals::~CloseSignals() {
  if (!writer_) return;
  for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
    static_cast<void>(sigaction(kCloseSignals[i], &previous_[i], nullptr));
  }
  gWakeUpWriter = previousWriter_;
}

void CloseSignals::Drain() {
  char bytes[64];
  while (::read(reader_.get(), bytes, sizeof bytes) > 0) {
  }
  close_();
}

}  // namespace morlett::qt
