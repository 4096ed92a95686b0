// SIGINT, SIGTERM and SIGHUP ask the program to close, as its window's close box does. The
// handler only wakes the event loop, which does the closing.
#pragma once

#include <signal.h>

#include <array>
#include <functional>
#include <memory>

#include "platform/qt/unique_fd.h"

class QSocketNotifier;

namespace morlett::qt {

class CloseSignals {
 public:
  explicit CloseSignals(std::function<void()> close);
  // The signals do again what they did before.
  ~CloseSignals();
  CloseSignals(const CloseSignals&) = delete;
  CloseSignals& operator=(const CloseSignals&) = delete;

 private:
  void Drain();

  std::function<void()> close_;
  UniqueFd reader_;
  UniqueFd writer_;
  std::unique_ptr<QSocketNotifier> notifier_;  // declared after the reader: stopped first
  std::array<struct sigaction, 3> previous_{};
  int previousWriter_ = -1;
};

}  // namespace morlett::qt
